#include "tools/ips_patch.h"

#include <algorithm>

#include "platform/file.h"
#include "platform/file_error.h"
#include "platform/rewrite.h"

namespace vorne {

namespace {

constexpr std::size_t kHeaderSize = 5;
constexpr std::uint32_t kEndMarker = 0x454F46;  // the letters EOF

// Reads big-endian numbers from the patch; a number the patch does not hold whole is not taken.
class PatchReader {
public:
    explicit PatchReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    bool Number(std::size_t width, std::uint32_t& value) {
        if (bytes.size() - at < width) return false;
        value = 0;
        for (std::size_t i = 0; i < width; ++i) value = value << 8 | bytes[at + i];
        at += width;
        return true;
    }
    bool Bytes(std::size_t count, std::span<const std::uint8_t>& out) {
        if (bytes.size() - at < count) return false;
        out = bytes.subspan(at, count);
        at += count;
        return true;
    }
    void Skip(std::size_t count) { at = std::min(bytes.size(), at + count); }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

// Applies the records to a file being rewritten.
void WriteRecords(const IpsPatch& patch, RewriteOutput& out) {
    ForEachIpsWrite(patch, [&out](std::int64_t offset, std::span<const std::uint8_t> bytes) { out.WriteAt(offset, bytes); });
}

}  // namespace

IpsPatch ParseIpsPatch(std::span<const std::uint8_t> bytes) {
    IpsPatch patch;
    PatchReader reader(bytes);
    reader.Skip(kHeaderSize);
    std::uint32_t offset = 0;
    while (reader.Number(3, offset)) {
        if (offset == kEndMarker) {
            patch.complete = true;
            break;
        }
        IpsRecord record{.offset = offset};
        std::uint32_t size = 0;
        if (!reader.Number(2, size)) break;
        if (size > 0) {
            if (!reader.Bytes(size, record.data)) break;
        } else {
            std::uint32_t runLength = 0;
            std::uint32_t runValue = 0;
            if (!reader.Number(2, runLength) || !reader.Number(1, runValue)) break;
            record.runLength = static_cast<std::uint16_t>(runLength);
            record.runValue = static_cast<std::uint8_t>(runValue);
        }
        patch.records.push_back(record);
    }
    return patch;
}

void ForEachIpsWrite(const IpsPatch& patch,
                     const std::function<void(std::int64_t offset, std::span<const std::uint8_t> bytes)>& write) {
    std::vector<std::uint8_t> run;
    for (const IpsRecord& record : patch.records) {
        if (!record.data.empty()) {
            write(record.offset, record.data);
        } else if (record.runLength > 0) {
            run.assign(record.runLength, record.runValue);
            write(record.offset, run);
        }
    }
}

void ApplyIpsRecords(const IpsPatch& patch, std::vector<std::uint8_t>& image) {
    ForEachIpsWrite(patch, [&image](std::int64_t offset, std::span<const std::uint8_t> bytes) {
        const auto at = static_cast<std::size_t>(offset);
        if (image.size() < at + bytes.size()) image.resize(at + bytes.size());
        std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    });
}

IpsResult ApplyIpsPatch(const std::string& targetPath, const std::string& patchPath, const std::string& saveAs) {
    const bool inPlace = saveAs.empty() || saveAs == targetPath || IsSameFile(targetPath, saveAs);
    IpsResult result{.patchedPath = inPlace ? targetPath : saveAs};
    File target;
    try {
        target = inPlace ? File::OpenReadWrite(targetPath) : File::OpenRead(targetPath);
        if (!inPlace && target.Size() <= 0) return {IpsOutcome::InvalidTargetSize};
    } catch (const FileError&) {
        return {inPlace ? IpsOutcome::CannotOpenTarget : IpsOutcome::InvalidTargetSize};
    }
    std::vector<std::uint8_t> patchBytes;
    try {
        patchBytes = ReadWholeFile(patchPath);
    } catch (const FileError&) {
        return {IpsOutcome::CannotOpenPatch};
    }
    const IpsPatch patch = ParseIpsPatch(patchBytes);
    try {
        if (!inPlace) {
            WriteFileAtomically(saveAs, [&](RewriteOutput& out) {
                out.CopyRest(target, 0);
                WriteRecords(patch, out);
            });
        } else if (!patch.records.empty()) {
            target.Close();
            RewriteFile(targetPath, [&](const File& original, RewriteOutput& out) {
                out.CopyRest(original, 0);
                WriteRecords(patch, out);
            });
        }
    } catch (const FileError& e) {
        return {IpsOutcome::WriteFailed, e.what()};
    }
    result.outcome = patch.complete ? IpsOutcome::Applied : IpsOutcome::PatchEof;
    return result;
}

IpsMessage MessageFor(const IpsResult& result) {
    switch (result.outcome) {
        case IpsOutcome::Applied: return {"Success!", "IPS patch applied.\n"};
        case IpsOutcome::PatchEof: return {"IPS Error", "Patch EOF reached.\n"};
        case IpsOutcome::CannotOpenTarget: return {"IPS Error", "Cannot open target file.\n"};
        case IpsOutcome::CannotOpenPatch: return {"IPS Error", "Cannot open patch file.\n"};
        case IpsOutcome::InvalidTargetSize: return {"", "Invalid target file size."};
        case IpsOutcome::WriteFailed: return {"IPS Error", "Cannot write the patched file: " + result.error + "\n"};
    }
    return {"IPS Error", result.error};
}

}  // namespace vorne
