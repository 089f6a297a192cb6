// IPS and IPS32 patches, read strictly: a patch must end in its end marker. IPS: "PATCH", records
// with a 3-byte offset, end marker "EOF". IPS32: "IPS32", records with a 4-byte offset, end marker
// "EEOF". A record: the offset, a 2-byte size and that many bytes; a size of 0 makes it a run, a
// 2-byte count and one byte written count times. Numbers are big-endian. A record may reach past
// the end of the file, which grows (a gap reads as zero bytes); nothing after the end marker is read.
#pragma once

#include <cstdint>

#include "patch/patch_io.h"

namespace vorne {

enum class IpsVariant { Ips, Ips32 };

// The offset an IPS record cannot start at: its bytes read as the end marker.
inline constexpr std::uint32_t kIpsEndMarker = 0x454F46;
// The longest record: its size has two bytes.
inline constexpr std::size_t kIpsMaxRecord = 0xFFFF;

// Writes `source` patched into `out`: the source first, then each record over it. Throws
// PatchError for a patch cut short before its end marker or one that makes a file larger than
// the patch limit; what was written by then is the caller's to throw away.
void ApplyIps(const ByteInput& patch, const ByteInput& source, PatchOutput& out, IpsVariant variant);

}  // namespace vorne
