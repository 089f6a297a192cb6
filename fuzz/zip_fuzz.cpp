// Any bytes as a zip archive: the archive is opened as the scan and vorne-cli open one (from a
// file), every member its directory names is read through both decoding paths, and the two must
// agree to the byte; the local-header walks run over it too. No crash, no leak, no read outside
// a buffer.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/zip_format.h"
#include "archive/zip_reader.h"
#include "archive/zip_walk.h"
#include "platform/file.h"

namespace {

// The input goes to a file held in memory, rewritten for every run.
struct MemoryFile {
    int fd = ::memfd_create("zip_fuzz", 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);

    void Fill(const std::uint8_t* data, std::size_t size) {
        if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
    }
};

// Archives with members claiming more than this are only walked: reading them is correct but
// slow, and the reader's own limits are covered by the tests.
constexpr std::uint32_t kLargestMemberRead = 64u << 20;
constexpr std::size_t kMostMembersRead = 64;

// A name may find any entry of the directory, so the claims of all of them are looked at.
bool ClaimsTooMuch(const vorne::ZipArchive& zip) {
    if (zip.Entries().size() > 4096) return true;
    for (const vorne::ZipDirectoryEntry& entry : zip.Entries()) {
        if (entry.uncompressedSize > kLargestMemberRead) return true;
        std::uint8_t fixed[vorne::ZipLocalHeader::kSize] = {};
        zip.Archive().ReadAt(entry.localHeaderOffset, fixed);
        if (vorne::DecodeLocalHeader(fixed).uncompressedSize > kLargestMemberRead) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    file.Fill(data, size);

    std::vector<std::string> lines;
    vorne::ZipErrorListener listener([&lines](const std::string& line) {
        if (line.size() > 255) std::abort();
        lines.push_back(line);
    });

    for (int limit : {vorne::kMemberWalkNameLimit, vorne::kZipListingNameLimit}) {
        vorne::File archive = vorne::File::OpenRead(file.path);
        vorne::WalkLocalHeaders(archive, limit, [limit](const vorne::ZipMemberInfo& member) {
            if (member.name.empty() || member.name.size() > static_cast<std::size_t>(limit)) std::abort();
        });
    }

    int result = vorne::kZipOk;
    auto zip = vorne::ZipArchive::Open(file.path, result);
    if (!zip || result != vorne::kZipOk || ClaimsTooMuch(*zip)) return 0;
    std::size_t read = 0;
    for (const vorne::ZipDirectoryEntry& entry : zip->Entries()) {
        if (read++ == kMostMembersRead) break;
        const std::vector<std::uint8_t> untouched{0xEE};
        std::vector<std::uint8_t> direct = untouched;
        std::vector<std::uint8_t> window = untouched;
        int a = zip->ReadMember(entry.name, direct, vorne::InflatePath::Direct);
        int b = zip->ReadMember(entry.name, window, vorne::InflatePath::Window);
        if ((a == vorne::kZipOk) != (b == vorne::kZipOk)) std::abort();
        if (a == vorne::kZipOk && direct != window) std::abort();
        if (a != vorne::kZipOk && (direct != untouched || window != untouched)) std::abort();
    }
    // The one-shot form, for the first name.
    if (!zip->Entries().empty()) {
        std::vector<std::uint8_t> once;
        std::vector<std::uint8_t> indexed;
        int a = vorne::ReadMember(file.path, zip->Entries().front().name, once);
        int b = zip->ReadMember(zip->Entries().front().name, indexed);
        if (a != b || once != indexed) std::abort();
    }
    return 0;
}
