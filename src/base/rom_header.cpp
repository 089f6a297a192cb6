#include "base/rom_header.h"

#include <algorithm>
#include <cstring>

#include "platform/file.h"

namespace vorne {

void RomHeader::LoadFile(const std::string& filePath) {
    File file = File::OpenRead(filePath);
    LoadFile(file, filePath);
}

void RomHeader::LoadFile(const File& file, std::string filePath, std::int64_t knownLength) {
    path = std::move(filePath);
    length = knownLength >= 0 ? knownLength : file.Size();
    Activate(&file, {});
    try {
        ReadHeader();
    } catch (...) {
        Activate(nullptr, {});
        throw;
    }
    Activate(nullptr, {});
}

void RomHeader::LoadMemory(std::span<const std::uint8_t> bytes, std::string_view name) {
    path = std::string(name);
    length = static_cast<std::int64_t>(bytes.size());
    Activate(nullptr, bytes);
    try {
        ReadHeader();
    } catch (...) {
        Activate(nullptr, {});
        throw;
    }
    Activate(nullptr, {});
}

void RomHeader::Activate(const File* file, std::span<const std::uint8_t> memory) {
    activeFile = file;
    memFile = memory;
    for (Page& page : pages) page.offset = -1;
}

const RomHeader::Page& RomHeader::PageAt(std::int64_t pageOffset) {
    for (const Page& page : pages) {
        if (page.offset == pageOffset) return page;
    }
    Page& page = pages[nextPage];
    nextPage = (nextPage + 1) % pages.size();
    page.offset = -1;  // stays empty if the read throws
    page.size = activeFile->ReadAt(pageOffset, page.bytes);
    page.offset = pageOffset;
    return page;
}

std::size_t RomHeader::ReadAt(std::int64_t offset, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    if (out.empty() || offset >= length || offset + static_cast<std::int64_t>(out.size()) <= 0) return 0;
    // Clip the request to the file; the parts outside stay zero.
    std::int64_t first = std::max<std::int64_t>(offset, 0);
    std::int64_t last = std::min<std::int64_t>(offset + static_cast<std::int64_t>(out.size()), length);
    auto target = out.subspan(static_cast<std::size_t>(first - offset), static_cast<std::size_t>(last - first));
    if (activeFile == nullptr) {
        // Outside a load there is nothing to read: everything reads as zero.
        if (static_cast<std::int64_t>(memFile.size()) < last) return 0;
        std::memcpy(target.data(), memFile.data() + first, target.size());
        return target.size();
    }
    const std::int64_t pageOffset = first - first % kPageSize;
    if (last > pageOffset + kPageSize) return activeFile->ReadAt(first, target);  // wider than one page
    const Page& page = PageAt(pageOffset);
    const std::size_t from = static_cast<std::size_t>(first - pageOffset);
    const std::size_t got = page.size > from ? std::min(page.size - from, target.size()) : 0;
    std::memcpy(target.data(), page.bytes.data() + from, got);
    return got;
}

void RomHeader::ForEachChunk(const ChunkVisitor& visit) {
    if (activeFile == nullptr) {
        visit(0, memFile);
        return;
    }
    // A file that shrank since its length was taken is decoded as what is there now, with the
    // length it had; the missing tail reads as zero.
    ReadInChunks(*activeFile, 0, length, chunk, visit);
}

void RomHeader::RequireInside(const File& file, std::int64_t at, std::size_t size) const {
    if (at < 0 || at + static_cast<std::int64_t>(size) > file.Size()) {
        throw OperationRefused(path + ": the header lies past the end of the file");
    }
}

void RomHeader::RequireUnchanged(const File& file) const {
    if (file.Size() != length) throw OperationRefused(path + ": the file changed since it was read; read it again");
}

std::string RomHeader::SizeText() const { return std::to_string(length); }

}  // namespace vorne
