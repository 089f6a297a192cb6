// Reading one member of a zip archive, into memory whole or handed over as it is read:
// single-volume archives (zip64 ones too) whose members are stored or deflated. Nothing is shown to the user: every operation gives
// back a ZipStatus with its result and the diagnostic lines that explain a failure.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/member_data.h"
#include "archive/memory_budget.h"
#include "archive/zip_directory.h"
#include "archive/zip_status.h"
#include "platform/file.h"

namespace vorne {

// No member is read whole into memory beyond this size.
inline constexpr std::uint64_t kZipMaxMemberSize = 2ull << 30;
// A deflated member's buffer starts at its declared size, or at this much (or four times its
// compressed size) when it claims more; it then doubles as the bytes arrive, up to its declared
// size. A member that claims far more than it holds takes no more than it holds.
inline constexpr std::size_t kZipInitialMemberRoom = 1u << 20;
inline constexpr std::size_t kZipExpectedRatio = 4;
// A damaged local header is said to be read in pieces of this size.
inline constexpr std::int64_t kZipLocalHeaderReadSize = 8192;

// The output sink of the window decoder: appends each piece at the current end of the member's
// buffer, growing it up to `limit` bytes and never writing past that; a stream that yields more
// is noted as an overflow.
struct MemberOutput {
    MemberData& data;
    std::size_t limit = 0;
    std::size_t end = 0;
    bool overflowed = false;

    void AppendOutput(std::span<const std::uint8_t> bytes);
};

// How a deflated member is decoded: straight into its buffer, or through the 32 KiB window and
// AppendOutput. Both give the same results; the direct path is the faster.
enum class InflatePath { Direct, Window };

struct ZipReadOptions {
    InflatePath path = InflatePath::Direct;
    // When given, the bytes a read needs are reserved from it first, and the member's data keeps
    // its share reserved for as long as it lives.
    MemoryBudget* budget = nullptr;
};

// Receives a member's bytes in order, a piece at a time, as they are read or inflated.
using MemberSink = std::function<void(std::span<const std::uint8_t>)>;

// Where a member's data lies and what it should give, from its local header.
struct ZipMemberSpan {
    bool deflated = false;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::uint64_t dataAt = 0;
};

class ZipArchive;

// A member found and checked, ready to be handed over as it is read.
class ZipMemberStream {
public:
    // The size the archive gives it.
    std::uint64_t Size() const { return span.size; }
    // Hands the member's bytes to `sink` in order: stored ones as they are read, deflated ones as
    // they are inflated, a few hundred KiB at a time, taking the CRC-32 as they pass, so that a
    // member of any size costs the same memory. The status says whether the sink was given the
    // whole member, by its size and CRC-32; when not, it was given part of it (never more than
    // Size() bytes). What the sink throws goes through to the caller. The archive must outlive
    // the stream.
    ZipStatus Run(const MemberSink& sink) const;

private:
    friend class ZipArchive;
    ZipMemberStream(const ZipArchive& archive, std::string member, ZipMemberSpan span)
        : archive(&archive), member(std::move(member)), span(span) {}

    const ZipArchive* archive;
    std::string member;  // as the diagnostics name it
    ZipMemberSpan span;
};

// An archive opened once, with its central directory read and indexed, so that many members can
// be read without searching the directory afresh each time.
class ZipArchive {
public:
    // Opens the archive and reads its directory. Returns nullptr only when the file cannot be
    // opened; otherwise the archive, with `status` telling whether its directory could be read
    // (no member of an archive without one can be read).
    static std::unique_ptr<ZipArchive> Open(const std::string& path, ZipStatus& status);
    // The same for an archive the caller has opened; `path` names it. Never nullptr.
    static std::unique_ptr<ZipArchive> Open(File file, const std::string& path, ZipStatus& status);

    // Whether the directory was read (it may hold no entries).
    bool HasDirectory() const { return directory.read; }

    // Reads the member `name` into `data`. The name is matched as stored, case mattering, first;
    // then without regard to ASCII case, the whole name (the first such entry in directory order);
    // then the last component of a stored file name (never a folder), which must be the wanted
    // name in one folder only: a bare name that several folders hold fails, naming them. The
    // entry found is the one read: when it cannot be read, the read fails. On failure `data` is
    // untouched.
    ZipStatus ReadMember(std::string_view name, MemberData& data, const ZipReadOptions& options = {}) const;
    // Reads the member of directory entry `index` into `data`, however many entries share its name.
    ZipStatus ReadEntry(std::size_t index, MemberData& data, const ZipReadOptions& options = {}) const;

    // The member ReadMember or ReadEntry would read, found and checked as they do but not read:
    // its stream, or nullopt with the reason in `status`. No size limit applies to a stream.
    std::optional<ZipMemberStream> StreamMember(std::string_view name, ZipStatus& status) const;
    std::optional<ZipMemberStream> StreamEntry(std::size_t index, ZipStatus& status) const;

    const std::string& BaseName() const { return baseName; }
    const File& Archive() const { return file; }
    const std::vector<ZipDirectoryEntry>& Entries() const { return directory.entries; }
    const ZipDirectory& Directory() const { return directory; }

private:
    ZipArchive() = default;
    // The entry ReadMember reads for `name` (`upper` in upper case), or nullopt with the reason.
    std::optional<std::size_t> Find(std::string_view name, const std::string& upper, ZipStatus& status) const;
    bool Usable(std::size_t index, const std::string& member, ZipStatus& status) const;
    bool HasZip64LocalHeader(std::size_t index) const;
    // The member of entry `index` (named `member` in the diagnostics), checked by its directory
    // entry and its local header: where its data lies, or nullopt with the diagnostics. A member
    // to be read `whole` into memory must not exceed kZipMaxMemberSize. Throws FileError.
    std::optional<ZipMemberSpan> Locate(std::size_t index, const std::string& member, bool whole, ZipStatus& status) const;
    std::optional<ZipMemberStream> Stream(std::size_t index, const std::string& member, ZipStatus& status) const;
    void ReadData(std::size_t index, const std::string& member, MemberData& data, const ZipReadOptions& options,
                  ZipStatus& status) const;
    bool Inflate(std::span<const std::uint8_t> input, const ZipMemberSpan& span, const std::string& member, InflatePath path,
                 MemberData& output, ZipStatus& status) const;

    std::string baseName;  // the archive's file name, for diagnostics
    File file;
    std::int64_t length = 0;
    ZipDirectory directory;
    // For each entry, the bytes its member may span before it overlaps another part.
    std::vector<std::uint64_t> room;
    // Entries by their upper-cased name, and by the last component of it (folders left out).
    std::unordered_map<std::string, std::vector<std::size_t>> byName;
    std::unordered_map<std::string, std::vector<std::size_t>> byLastComponent;
};

// Reads member `name` of the archive at `archivePath` into `data`: opens the archive, then reads
// as ZipArchive::ReadMember does. The lines are those of both steps.
ZipStatus ReadMember(const std::string& archivePath, std::string_view name, MemberData& data);

// Reads the member that directory entry `index` of the archive at `archivePath` holds, when that
// entry still bears the name `name` (as stored); otherwise fails with "the archive changed since it
// was listed". An archive without a readable directory fails as opening it does.
ZipStatus ReadListedEntry(const std::string& archivePath, std::size_t index, std::string_view name, MemberData& data);

// The stream of the member that directory entry `index` of `archive` holds, when that entry still
// bears the name `name`, as ReadListedEntry checks it; otherwise nullopt with the reason in `status`.
std::optional<ZipMemberStream> StreamListedEntry(const ZipArchive& archive, std::size_t index, std::string_view name,
                                                 ZipStatus& status);

// The last component of a path split at "/", "\" and ":", empty components skipped.
std::string ZipBaseName(std::string_view path);

}  // namespace vorne
