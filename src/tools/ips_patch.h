// Applying IPS patches.
//
// A patch: 5 header bytes (normally PATCH, never looked at), then records, then the end marker,
// the three bytes EOF; anything after it is ignored. A record: a 3-byte offset, a 2-byte size and
// that many data bytes; a size of 0 makes it a run: a 2-byte count and one byte written count
// times. Numbers are big-endian. A record may reach past the end of the file, which grows (a gap
// reads as zero bytes).
//
// A patch is applied whole or not at all: one that ends before its end marker (cut short, or not
// a patch at all) changes nothing, and neither does one whose records write more bytes than an
// IPS patch can address (16 MiB + 64 KiB), which no patch anyone made does. The patch is read a
// window at a time, never whole. The patched file is finished in a temporary file and renamed into
// place, so a failure part-way leaves the file as it was; patching "to a new name" makes that new
// file and leaves the target as it is, unless the new name is the target itself under another
// spelling.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorne {

class File;

// The most an IPS patch can address: a 3-byte offset plus a 2-byte size.
inline constexpr std::int64_t kIpsReach = (std::int64_t{1} << 24) + (std::int64_t{1} << 16);

struct IpsRecord {
    std::uint32_t offset = 0;
    std::span<const std::uint8_t> data;  // the bytes to write, in the patch; empty for a run
    std::uint16_t runLength = 0;         // a run: how many times runValue is written
    std::uint8_t runValue = 0;

    std::size_t Length() const { return data.empty() ? runLength : data.size(); }
};

// Where reading a patch stopped.
enum class IpsEnd {
    Reading,   // not yet
    Complete,  // at the end marker
    Cut,       // the patch ended first (inside a record, or between two)
    TooLarge,  // its records wrote more than kIpsReach bytes, and the rest was not read
};

// Reads the records of a patch, front to back.
class IpsReader {
public:
    // A patch held in memory; the records point into `bytes`, which must outlive them.
    explicit IpsReader(std::span<const std::uint8_t> bytes);
    // A patch file, read a window at a time; a record's data lasts until the next call of Next.
    explicit IpsReader(const File& patch);

    // The next whole record; false once the reading has ended (see End). Throws FileError.
    bool Next(IpsRecord& record);
    IpsEnd End() const { return end; }

private:
    bool Take(std::size_t count, std::span<const std::uint8_t>& out);
    bool Number(std::size_t width, std::uint32_t& value);

    const File* file = nullptr;
    std::int64_t fileAt = 0;  // where the window ends in the file
    std::vector<std::uint8_t> window;
    std::span<const std::uint8_t> bytes;  // what the window (or the memory) holds still unread
    bool headerSkipped = false;
    std::int64_t written = 0;  // by the records so far
    IpsEnd end = IpsEnd::Reading;
};

struct IpsPatch {
    std::vector<IpsRecord> records;  // the whole records, in patch order
    IpsEnd end = IpsEnd::Reading;

    bool Complete() const { return end == IpsEnd::Complete; }
};

// The records of `bytes`; they point into `bytes`, which must outlive them.
IpsPatch ParseIpsPatch(std::span<const std::uint8_t> bytes);
IpsPatch ParseIpsPatch(std::vector<std::uint8_t>&& bytes) = delete;  // the records would point into it

// Applies the records to a file held in memory, in order.
void ApplyIpsRecords(const IpsPatch& patch, std::vector<std::uint8_t>& image);

// Hands the write of `record` to `write`: the offset and the bytes (a run as one piece of
// `runLength` bytes, made in `run`).
void WriteIpsRecord(const IpsRecord& record, std::vector<std::uint8_t>& run,
                    const std::function<void(std::int64_t offset, std::span<const std::uint8_t> bytes)>& write);

enum class IpsOutcome {
    Applied,            // the end marker was reached: every record is applied
    PatchEof,           // the patch ended without it: nothing changed
    PatchTooLarge,      // the records write more than an IPS patch can address: nothing changed
    CannotOpenTarget,   // the file to patch cannot be opened for writing: nothing changed
    CannotOpenPatch,    // nothing changed
    InvalidTargetSize,  // a copy was asked for, but the target is empty or cannot be read
    WriteFailed,        // the patched file could not be written: nothing changed
};

struct IpsResult {
    IpsOutcome outcome = IpsOutcome::Applied;
    std::string error;        // WriteFailed, and InvalidTargetSize for a target that cannot be
                              // read: the file error, path and reason
    std::string patchedPath;  // the file that was patched (the target, or the new file)
};

// Applies the patch at `patchPath` to `targetPath` in place, or, when `saveAs` names another
// file, to a new file of that name holding the patched copy (the target unchanged; a new file
// gets the target's permission bits). A `saveAs` that is the target by another spelling (a
// relative path, a link) patches in place.
IpsResult ApplyIpsPatch(const std::string& targetPath, const std::string& patchPath, const std::string& saveAs = {});

// The message box an outcome shows: its title (empty: the application's name) and text, which
// ends in a line feed as the patcher always wrote it (but not "Invalid target file size.", nor the
// file error that names a target that cannot be read).
struct IpsMessage {
    std::string_view title;
    std::string text;
};
IpsMessage MessageFor(const IpsResult& result);

}  // namespace vorne
