// Any bytes as a zip archive: the archive is opened as the scan and vorne-cli open one (from a
// file), every member its directory names is read through its entry on both decoding paths, and
// the two must agree to the byte; reads by name and the one-shot read must agree with them; the
// listing and the local-header walk run over it too. No crash, no leak, no read outside a buffer.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
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

// Members claiming more than this are not read: reading them is correct but slow, and the
// reader's own limits are covered by the tests.
constexpr std::uint64_t kLargestMemberRead = 64u << 20;
constexpr std::size_t kMostMembersRead = 64;

bool ClaimsTooMuch(const vorne::ZipArchive& zip, const vorne::ZipDirectoryEntry& entry) {
    if (entry.uncompressedSize > kLargestMemberRead) return true;
    std::uint8_t fixed[vorne::ZipLocalHeader::kSize] = {};
    if (entry.localHeaderOffset > INT64_MAX) return false;
    zip.Archive().ReadAt(static_cast<std::int64_t>(entry.localHeaderOffset), fixed);
    // Zip64 sizes stand in the extra field; all ones is as much as can be claimed.
    return vorne::DecodeLocalHeader(fixed).uncompressedSize > kLargestMemberRead;
}

void CheckLines(const vorne::ZipStatus& status) {
    for (const std::string& line : status.lines) {
        if (line.size() > vorne::kZipLineLimit) std::abort();
    }
    if (!status.Ok() && status.lines.empty()) std::abort();  // every failure says why
    if ((status.result == vorne::ZipResult::InflateFailed) != (status.inflate != vorne::InflateResult::Ok)) std::abort();
}

bool Equal(const vorne::MemberData& a, const vorne::MemberData& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    file.Fill(data, size);

    {
        vorne::File archive = vorne::File::OpenRead(file.path);
        vorne::WalkLocalHeaders(archive, [](const vorne::ZipMemberInfo& member) {
            if (member.name.empty() || static_cast<unsigned char>(member.name[0]) < 32) std::abort();
        });
        const vorne::ZipListing listing = vorne::ListZipMembers(archive);
        (void)listing;
    }

    vorne::ZipStatus opened;
    auto zip = vorne::ZipArchive::Open(file.path, opened);
    if (!zip) std::abort();  // a memory file always opens
    CheckLines(opened);
    if (!opened.Ok()) return 0;
    if (zip->Entries().size() > 4096) return 0;
    vorne::MemoryBudget budget(256u << 20);
    std::size_t read = 0;
    for (std::size_t i = 0; i < zip->Entries().size() && read < kMostMembersRead; ++i) {
        const vorne::ZipDirectoryEntry& entry = zip->Entries()[i];
        if (ClaimsTooMuch(*zip, entry)) continue;
        ++read;
        vorne::MemberData direct;
        vorne::MemberData window;
        const vorne::ZipStatus a = zip->ReadEntry(i, direct, {.path = vorne::InflatePath::Direct, .budget = &budget});
        const vorne::ZipStatus b = zip->ReadEntry(i, window, {.path = vorne::InflatePath::Window});
        CheckLines(a);
        CheckLines(b);
        // Both decoding paths agree on success and on the bytes. (Their reasons for a failure may
        // differ: a stream that runs past its size stops the direct path there, while the window
        // path decodes on and may meet damage first.)
        if (a.Ok() != b.Ok()) std::abort();
        if (a.Ok() && !Equal(direct, window)) std::abort();
        if (!a.Ok() && (!direct.empty() || !window.empty())) std::abort();
        direct = vorne::MemberData();
        if (budget.InUse() != 0) std::abort();  // the member's share goes with its data

        // Read by name, the entry (or an earlier one of the same name) gives the same bytes.
        vorne::MemberData named;
        const vorne::ZipStatus c = zip->ReadMember(entry.name, named);
        CheckLines(c);
        if (a.Ok() && c.Ok() && !Equal(named, window)) {
            bool earlier = false;  // an earlier entry of exactly this name is read instead
            for (std::size_t j = 0; j < i; ++j) earlier = earlier || zip->Entries()[j].name == entry.name;
            if (!earlier) std::abort();
        }
    }
    // The one-shot form, for the first name.
    if (!zip->Entries().empty() && !ClaimsTooMuch(*zip, zip->Entries().front())) {
        vorne::MemberData once;
        vorne::MemberData indexed;
        const vorne::ZipStatus a = vorne::ReadMember(file.path, zip->Entries().front().name, once);
        const vorne::ZipStatus b = zip->ReadMember(zip->Entries().front().name, indexed);
        if (a.result != b.result || !Equal(once, indexed)) std::abort();
    }
    return 0;
}
