#include "tools/ips_patch.h"

#include <algorithm>
#include <cstring>

#include "platform/file.h"
#include "platform/file_error.h"
#include "platform/rewrite.h"

namespace vorne {

namespace {

constexpr std::size_t kHeaderSize = 5;
constexpr std::uint32_t kEndMarker = 0x454F46;  // the letters EOF
// Room for the largest record (a 3-byte offset, a 2-byte size and 65,535 data bytes) with the
// window's unread rest in front of it.
constexpr std::size_t kWindowSize = std::size_t{256} << 10;

// Applies every record of `patch` to `out`. The patch was read whole once already; a patch that
// reads differently now changed meanwhile, and the write is called off.
void WriteRecords(const File& patch, RewriteOutput& out) {
    IpsReader reader(patch);
    IpsRecord record;
    std::vector<std::uint8_t> run;
    while (reader.Next(record)) {
        WriteIpsRecord(record, run, [&out](std::int64_t offset, std::span<const std::uint8_t> bytes) { out.WriteAt(offset, bytes); });
    }
    if (reader.End() != IpsEnd::Complete) throw FileError(patch.Path(), "the patch changed while it was applied");
}

}  // namespace

IpsReader::IpsReader(std::span<const std::uint8_t> memory) : bytes(memory) {}

IpsReader::IpsReader(const File& patch) : file(&patch), window(kWindowSize) {}

bool IpsReader::Take(std::size_t count, std::span<const std::uint8_t>& out) {
    if (bytes.size() < count && file != nullptr) {
        // Move the unread rest to the front of the window and fill the window behind it.
        const std::size_t rest = bytes.size();
        if (rest > 0) std::memmove(window.data(), bytes.data(), rest);
        const std::size_t got = file->ReadAt(fileAt, std::span(window).subspan(rest));
        fileAt += static_cast<std::int64_t>(got);
        bytes = std::span<const std::uint8_t>(window).first(rest + got);
    }
    if (bytes.size() < count) return false;
    out = bytes.first(count);
    bytes = bytes.subspan(count);
    return true;
}

bool IpsReader::Number(std::size_t width, std::uint32_t& value) {
    std::span<const std::uint8_t> digits;
    if (!Take(width, digits)) return false;
    value = 0;
    for (std::uint8_t b : digits) value = value << 8 | b;
    return true;
}

bool IpsReader::Next(IpsRecord& record) {
    if (end != IpsEnd::Reading) return false;
    std::span<const std::uint8_t> skipped;
    if (!headerSkipped && !Take(kHeaderSize, skipped)) {
        end = IpsEnd::Cut;
        return false;
    }
    headerSkipped = true;
    record = IpsRecord{};
    std::uint32_t size = 0;
    if (!Number(3, record.offset)) {
        end = IpsEnd::Cut;
        return false;
    }
    if (record.offset == kEndMarker) {
        end = IpsEnd::Complete;
        return false;
    }
    bool whole = Number(2, size);
    if (whole && size > 0) {
        whole = Take(size, record.data);
    } else if (whole) {
        std::uint32_t runLength = 0;
        std::uint32_t runValue = 0;
        whole = Number(2, runLength) && Number(1, runValue);
        record.runLength = static_cast<std::uint16_t>(runLength);
        record.runValue = static_cast<std::uint8_t>(runValue);
    }
    if (!whole) {
        end = IpsEnd::Cut;
        return false;
    }
    written += static_cast<std::int64_t>(record.Length());
    if (written > kIpsReach) {
        end = IpsEnd::TooLarge;
        return false;
    }
    return true;
}

IpsPatch ParseIpsPatch(std::span<const std::uint8_t> bytes) {
    IpsPatch patch;
    IpsReader reader(bytes);
    IpsRecord record;
    while (reader.Next(record)) patch.records.push_back(record);
    patch.end = reader.End();
    return patch;
}

void WriteIpsRecord(const IpsRecord& record, std::vector<std::uint8_t>& run,
                    const std::function<void(std::int64_t offset, std::span<const std::uint8_t> bytes)>& write) {
    if (!record.data.empty()) {
        write(record.offset, record.data);
    } else if (record.runLength > 0) {
        run.assign(record.runLength, record.runValue);
        write(record.offset, run);
    }
}

void ApplyIpsRecords(const IpsPatch& patch, std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> run;
    for (const IpsRecord& record : patch.records) {
        WriteIpsRecord(record, run, [&image](std::int64_t offset, std::span<const std::uint8_t> bytes) {
            const auto at = static_cast<std::size_t>(offset);
            if (image.size() < at + bytes.size()) image.resize(at + bytes.size());
            std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
        });
    }
}

IpsResult ApplyIpsPatch(const std::string& targetPath, const std::string& patchPath, const std::string& saveAs) {
    const bool inPlace = saveAs.empty() || saveAs == targetPath || IsSameFile(targetPath, saveAs);
    IpsResult result{.patchedPath = inPlace ? targetPath : saveAs};
    File target;
    try {
        target = inPlace ? File::OpenReadWrite(targetPath) : File::OpenRead(targetPath);
    } catch (const FileError& e) {
        return {inPlace ? IpsOutcome::CannotOpenTarget : IpsOutcome::InvalidTargetSize, e.what()};
    }
    if (!inPlace && target.Size() <= 0) return {IpsOutcome::InvalidTargetSize};
    File patch;
    bool anyRecord = false;
    try {
        // Read through once before anything is written: a patch is applied whole or not at all.
        patch = File::OpenRead(patchPath);
        IpsReader reader(patch);
        IpsRecord record;
        while (reader.Next(record)) anyRecord = true;
        if (reader.End() == IpsEnd::TooLarge) return {IpsOutcome::PatchTooLarge};
        if (reader.End() != IpsEnd::Complete) return {IpsOutcome::PatchEof};
    } catch (const FileError&) {
        return {IpsOutcome::CannotOpenPatch};
    }
    try {
        if (!inPlace) {
            WriteFileAtomically(saveAs, [&](RewriteOutput& out) {
                out.CopyRest(target, 0);
                WriteRecords(patch, out);
            }, PermissionBitsOf(target));
        } else if (anyRecord) {
            target.Close();
            RewriteFile(targetPath, [&](const File& original, RewriteOutput& out) {
                out.CopyRest(original, 0);
                WriteRecords(patch, out);
            });
        }
    } catch (const FileError& e) {
        return {IpsOutcome::WriteFailed, e.what()};
    }
    return result;
}

IpsMessage MessageFor(const IpsResult& result) {
    switch (result.outcome) {
        case IpsOutcome::Applied: return {"Success!", "IPS patch applied.\n"};
        case IpsOutcome::PatchEof: return {"IPS Error", "Patch EOF reached.\n"};
        case IpsOutcome::PatchTooLarge:
            return {"IPS Error", "The patch writes more than the 16 MiB + 64 KiB an IPS patch can address; nothing was patched.\n"};
        case IpsOutcome::CannotOpenTarget: return {"IPS Error", "Cannot open target file.\n"};
        case IpsOutcome::CannotOpenPatch: return {"IPS Error", "Cannot open patch file.\n"};
        case IpsOutcome::InvalidTargetSize:
            // A target that cannot be read is named with the reason, not taken for one of no size.
            if (!result.error.empty()) return {"IPS Error", result.error};
            return {"", "Invalid target file size."};
        case IpsOutcome::WriteFailed: return {"IPS Error", "Cannot write the patched file: " + result.error + "\n"};
    }
    return {"IPS Error", result.error};
}

}  // namespace vorne
