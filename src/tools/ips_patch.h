// Applying IPS patches.
//
// A patch: 5 header bytes (normally PATCH, never looked at), then records, then the end marker,
// the three bytes EOF; anything after it is ignored. A record: a 3-byte offset, a 2-byte size and
// that many data bytes; a size of 0 makes it a run: a 2-byte count and one byte written count
// times. Numbers are big-endian. A record may reach past the end of the file, which grows (a gap
// reads as zero bytes). A patch that ends before its end marker applies every whole record before
// the end and nothing of one cut short.
//
// The patched file is finished in a temporary file and renamed into place, so a failure part-way
// leaves the file as it was; patching "to a new name" makes that new file and leaves the target
// as it is, unless the new name is the target itself under another spelling.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorne {

struct IpsRecord {
    std::uint32_t offset = 0;
    std::span<const std::uint8_t> data;  // the bytes to write, in the patch; empty for a run
    std::uint16_t runLength = 0;         // a run: how many times runValue is written
    std::uint8_t runValue = 0;
};

struct IpsPatch {
    std::vector<IpsRecord> records;  // the whole records, in patch order
    bool complete = false;           // the end marker was reached
};

// The records of `bytes`; they point into `bytes`, which must outlive them.
IpsPatch ParseIpsPatch(std::span<const std::uint8_t> bytes);
IpsPatch ParseIpsPatch(std::vector<std::uint8_t>&& bytes) = delete;  // the records would point into it

// Applies the records to a file held in memory, in order.
void ApplyIpsRecords(const IpsPatch& patch, std::vector<std::uint8_t>& image);

// Hands each write of the records to `write`, in order: the offset and the bytes (a run as one
// piece of `runLength` bytes).
void ForEachIpsWrite(const IpsPatch& patch,
                     const std::function<void(std::int64_t offset, std::span<const std::uint8_t> bytes)>& write);

enum class IpsOutcome {
    Applied,            // the end marker was reached: every record is applied
    PatchEof,           // the patch ended without it: the whole records before the end are applied
    CannotOpenTarget,   // the file to patch cannot be opened for writing: nothing changed
    CannotOpenPatch,    // nothing changed
    InvalidTargetSize,  // a copy was asked for, but the target is empty or cannot be read
    WriteFailed,        // the patched file could not be written: nothing changed
};

struct IpsResult {
    IpsOutcome outcome = IpsOutcome::Applied;
    std::string error;        // WriteFailed: the file error, path and reason
    std::string patchedPath;  // the file that was patched (the target, or the new file)
};

// Applies the patch at `patchPath` to `targetPath` in place, or, when `saveAs` names another
// file, to a new file of that name holding the patched copy (the target unchanged). A `saveAs`
// that is the target by another spelling (a relative path, a link) patches in place.
IpsResult ApplyIpsPatch(const std::string& targetPath, const std::string& patchPath, const std::string& saveAs = {});

// The message box an outcome shows: its title (empty: the application's name) and text, which
// ends in a line feed as the patcher always wrote it (but not "Invalid target file size.").
struct IpsMessage {
    std::string_view title;
    std::string text;
};
IpsMessage MessageFor(const IpsResult& result);

}  // namespace vorne
