#include "base/rom_header.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/file.h"
#include "platform/file_error.h"

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

void RomHeader::LoadFile(const File& file, std::string filePath, std::int64_t knownLength, const ChunkVisitor& visit) {
    everyByte = &visit;
    passed = false;
    try {
        LoadFile(file, std::move(filePath), knownLength);
        if (!passed) ReadInChunks(file, 0, length, chunk, visit);
    } catch (...) {
        everyByte = nullptr;
        throw;
    }
    everyByte = nullptr;
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

void RomHeader::LoadStream(std::int64_t streamLength, std::string_view name, const ByteStream& source) {
    path = std::string(name);
    length = streamLength;
    Activate(nullptr, {});
    stream = &source;
    streamRan = false;
    try {
        ReadHeader();
        if (!streamRan) RunStream(nullptr);  // run whatever the reader read, so it is checked
    } catch (...) {
        stream = nullptr;
        throw;
    }
    stream = nullptr;
}

void RomHeader::RunStream(const ChunkVisitor* visit) {
    if (streamRan) throw std::logic_error(path + ": a stream is read once");
    streamRan = true;
    const Parts parts = PartsReadAt();
    head.assign(static_cast<std::size_t>(std::clamp<std::int64_t>(parts.head, 0, length)), 0);
    tail.assign(static_cast<std::size_t>(std::clamp<std::int64_t>(parts.tail, 0, length)), 0);
    const std::int64_t tailAt = length - static_cast<std::int64_t>(tail.size());
    (*stream)([&](std::int64_t at, std::span<const std::uint8_t> bytes) {
        CopyWithin(at, bytes, 0, head);
        CopyWithin(at, bytes, tailAt, tail);
        if (visit != nullptr) (*visit)(at, bytes);
    });
}

// Bytes `first` on of a streamed file, clipped to it, from the parts kept.
std::size_t RomHeader::ReadKept(std::int64_t first, std::span<std::uint8_t> target) {
    if (!streamRan) RunStream(nullptr);
    const std::int64_t last = first + static_cast<std::int64_t>(target.size());
    const std::int64_t tailAt = length - static_cast<std::int64_t>(tail.size());
    if (last <= static_cast<std::int64_t>(head.size())) {
        std::copy_n(head.begin() + first, target.size(), target.begin());
    } else if (first >= tailAt) {
        std::copy_n(tail.begin() + (first - tailAt), target.size(), target.begin());
    } else {
        throw std::logic_error(path + ": a read outside the parts the reader keeps of a stream");
    }
    return target.size();
}

void RomHeader::Activate(const File* file, std::span<const std::uint8_t> memory) {
    activeFile = file;
    memFile = memory;
    stream = nullptr;
    for (Page& page : pages) page.offset = -1;
}

const RomHeader::Page& RomHeader::PageAt(std::int64_t pageOffset) {
    for (const Page& page : pages) {
        if (page.offset == pageOffset) return page;
    }
    Page& page = pages[nextPage];
    nextPage = (nextPage + 1) % pages.size();
    page.offset = -1;  // stays empty if the read throws
    // Only what the file holds by its length is asked for: a read that meets the end of the file
    // would cost a second call to learn that nothing follows.
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(kPageSize, length - pageOffset));
    page.size = activeFile->ReadAt(pageOffset, std::span(page.bytes).first(wanted));
    page.offset = pageOffset;
    return page;
}

std::size_t RomHeader::ReadAtIfKept(std::int64_t offset, std::span<std::uint8_t> out) {
    if (stream != nullptr && !out.empty()) {
        if (!streamRan) RunStream(nullptr);
        const std::int64_t first = std::max<std::int64_t>(offset, 0);
        const std::int64_t last = std::min<std::int64_t>(offset + static_cast<std::int64_t>(out.size()), length);
        const bool kept = last <= static_cast<std::int64_t>(head.size()) ||
                          first >= length - static_cast<std::int64_t>(tail.size());
        if (first < last && !kept) {
            std::fill(out.begin(), out.end(), std::uint8_t{0});
            return 0;
        }
    }
    return ReadAt(offset, out);
}

std::size_t RomHeader::ReadAt(std::int64_t offset, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    if (out.empty() || offset >= length || offset + static_cast<std::int64_t>(out.size()) <= 0) return 0;
    // Clip the request to the file; the parts outside stay zero.
    std::int64_t first = std::max<std::int64_t>(offset, 0);
    std::int64_t last = std::min<std::int64_t>(offset + static_cast<std::int64_t>(out.size()), length);
    auto target = out.subspan(static_cast<std::size_t>(first - offset), static_cast<std::size_t>(last - first));
    if (stream != nullptr) return ReadKept(first, target);
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
    if (stream != nullptr) {
        RunStream(&visit);
        return;
    }
    if (activeFile == nullptr) {
        visit(0, memFile);
        return;
    }
    // A file that shrank since its length was taken is decoded as what is there now, with the
    // length it had; the missing tail reads as zero.
    if (everyByte != nullptr && !passed) {
        passed = true;
        ReadInChunks(*activeFile, 0, length, chunk, [&](std::int64_t at, std::span<const std::uint8_t> bytes) {
            visit(at, bytes);
            (*everyByte)(at, bytes);
        });
        return;
    }
    ReadInChunks(*activeFile, 0, length, chunk, visit);
}

FieldWrite RomHeader::WriteField(std::string_view text, int field) {
    const std::optional<FieldType> type = TypeOf(field);
    if (!type) return FieldWrite::Unsupported;
    return WriteValue(FieldValueOfText(*type, text), field);
}

FieldWrite RomHeader::WriteValue(const FieldValue& value, int field) {
    if (!SupportsField(field)) return FieldWrite::Unsupported;
    CheckEdit({field, value});
    File file = File::OpenReadWrite(path);
    // Every piece of the field is checked before its first byte, as WriteFields checks every edit.
    CheckField(file, value, field);
    FieldWrite done = WriteFieldTo(file, value, field);
    file.Close();
    return done;
}

void RomHeader::CheckEdit(const FieldEdit& edit) const {
    const std::optional<FieldType> type = TypeOf(edit.field);
    if (!type) throw OperationRefused(path + ": field " + std::to_string(edit.field) + " cannot be written for this kind");
    if (!TakesValue(*type, edit.value)) {
        throw std::invalid_argument(path + ": field " + std::to_string(edit.field) + " takes " +
                                    std::string(FieldTypeName(*type)));
    }
}

std::vector<FieldWrite> RomHeader::WriteFields(std::span<const FieldEdit> edits) {
    for (const FieldEdit& edit : edits) CheckEdit(edit);
    File file = File::OpenReadWrite(path);
    for (const FieldEdit& edit : edits) CheckField(file, edit.value, edit.field);
    std::vector<FieldWrite> done = WriteEditsTo(file, edits);
    file.Close();
    return done;
}

std::vector<FieldWrite> RomHeader::WriteEditsTo(File& file, std::span<const FieldEdit> edits) {
    std::vector<FieldWrite> done;
    done.reserve(edits.size());
    for (const FieldEdit& edit : edits) done.push_back(WriteFieldTo(file, edit.value, edit.field));
    return done;
}

void RomHeader::WriteHeaderBytes(File& file, std::int64_t at, std::span<const std::uint8_t> bytes) const {
    RequireWritable(file, at, bytes.size());
    file.WriteAt(at, bytes);
}

void RomHeader::RequireWritable(const File& file, std::int64_t at, std::size_t size) const {
    RequireUnchanged(file);
    if (at < 0 || at + static_cast<std::int64_t>(size) > length) {
        throw OperationRefused(path + ": the header lies past the end of the file");
    }
}

void RomHeader::RequireUnchanged(const File& file) const {
    if (file.Size() != length) throw OperationRefused(path + ": the file changed since it was read; read it again");
}

void RomHeader::WriteGrowing(File& file, std::int64_t at, std::span<const std::uint8_t> bytes) {
    const std::int64_t size = file.Size();
    if (at < 0 || at > size) throw OperationRefused(path + ": the file changed since it was read; read it again");
    const auto inside = static_cast<std::size_t>(std::min<std::int64_t>(size - at, static_cast<std::int64_t>(bytes.size())));
    try {
        file.WriteAt(size, bytes.subspan(inside));
        file.WriteAt(at, bytes.first(inside));
    } catch (const FileError& e) {
        // Whatever was added goes again. The part inside is written last, so a full disk or a size
        // limit stops the write before any old byte is changed.
        try {
            file.Truncate(size);
        } catch (const FileError& cut) {
            throw FileError(path, e.Message() + "; what was added could not be cut off again: " + cut.Message());
        }
        throw;
    }
    length = size + static_cast<std::int64_t>(bytes.size() - inside);
}

std::string RomHeader::SizeText() const { return std::to_string(length); }

std::vector<std::string> ColumnTexts(const RomHeader& reader) {
    std::vector<std::string> cells;
    while (auto text = reader.ColumnText(static_cast<int>(cells.size()))) cells.push_back(std::move(*text));
    return cells;
}

}  // namespace vorne
