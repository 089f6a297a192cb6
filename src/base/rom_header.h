// The common base of the header readers: one reader serves many files in turn. It is loaded
// with one file (from disk or from memory), asked for its column texts, and loaded with the next.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "base/chunked_read.h"
#include "base/field_value.h"
#include "base/hashed_data.h"
#include "base/rom_type.h"

namespace vorne {

class File;

// An operation refused because the file does not qualify (no trainer to remove, say).
class OperationRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a WriteField call did.
enum class FieldWrite {
    Unsupported,     // the kind has no such field: nothing was written
    Written,         // the field holds the value now
    NothingToWrite,  // the kind's rules store nothing for this value (a Game Boy licensee while
                     // the new licensee code applies): the file is as it was
};

// One edit of a header field: its number and its new value.
struct FieldEdit {
    FieldEdit(int field, FieldValue value) : field(field), value(std::move(value)) {}
    template <FieldEnum Field>
    FieldEdit(Field field, FieldValue value) : FieldEdit(FieldNumber(field), std::move(value)) {}

    int field;
    FieldValue value;
};

// Where a field of a fixed-layout header goes and what it takes: `size` bytes at `offset`,
// counted from wherever the kind counts its header (the file's start, an image base, a header
// block).
template <FieldEnum Field>
struct FieldPlace {
    Field field;
    FieldType type;
    std::int64_t offset = 0;
    std::size_t size = 0;
};

// The entry for field number `field` in a table of entries that have a `field` member, or null.
template <typename Table>
auto FindFieldPlace(const Table& table, int field) -> decltype(&*std::begin(table)) {
    for (const auto& entry : table) {
        if (static_cast<int>(entry.field) == field) return &entry;
    }
    return nullptr;
}

// The type of field number `field` in such a table of entries that also have a `type`, or nullopt.
template <typename Table>
std::optional<FieldType> FieldTypeIn(const Table& table, int field) {
    const auto* entry = FindFieldPlace(table, field);
    return entry ? std::optional(entry->type) : std::nullopt;
}

// A file that can be read only once, front to back (an archive member as it is inflated): run,
// it hands all its bytes to the visitor in order, a piece at a time.
using ByteStream = std::function<void(const ChunkVisitor& visit)>;

// A reader's fields are numbered as its kind's field enum (base/rom_type.h) numbers them; the
// enum-typed calls of RomHeaderOf below are the typed path to them.
class RomHeader {
public:
    virtual ~RomHeader() = default;

    // Text of column `index` of the loaded file, or nullopt past the kind's last column.
    // Indices from kFirstExtraField on are extra values for the edit dialogs.
    std::optional<std::string> ColumnText(int index) const { return TextOf(index); }
    // The typed value of `field` of the loaded file, which the edit dialogs fill their controls
    // from: for a writable field the value that writes back what it holds, for others the flag or
    // number a dialog shows; nullopt for a field without one.
    std::optional<FieldValue> Value(int field) const { return ValueOf(field); }
    // The type of value `field` is written with; nullopt when the kind cannot write it.
    std::optional<FieldType> WritableType(int field) const { return TypeOf(field); }
    bool SupportsField(int field) const { return TypeOf(field).has_value(); }

    // Writes one edited field into the file on disk: opens it for writing, writes the field and
    // closes it. Throws FileError when the file cannot be opened or written, OperationRefused when
    // any of the field's bytes (all its pieces, checked before the first is written) do not lie
    // inside the file or the file has changed since it was loaded (nothing is written then). An unsupported field writes nothing. `text` is what a user typed,
    // taken by the text rules of the field's type (FieldValueOfText).
    FieldWrite WriteField(std::string_view text, int field);
    // The same for a typed value, which must be one the field's type takes (else
    // std::invalid_argument, and nothing is written).
    FieldWrite WriteValue(const FieldValue& value, int field);

    // Writes several fields as one edit, in order, through one open of the file. Every edit is
    // checked before the first byte is written (the field is supported and its value of the
    // field's type, its bytes lie inside the file, the file has the length it had when loaded), so
    // a refusal (OperationRefused; std::invalid_argument for a value of the wrong type) or a file
    // that cannot be opened for writing (FileError) leaves it as it was. Returns what each write
    // did.
    std::vector<FieldWrite> WriteFields(std::span<const FieldEdit> edits);

    // Loads the file at `path` (which becomes column 1). Throws FileError.
    void LoadFile(const std::string& path);
    // Loads a file the caller has opened; `path` is what column 1 shows. `length` is the file's
    // length when the caller knows it (-1: take it from the file). Throws FileError.
    void LoadFile(const File& file, std::string path, std::int64_t length = -1);
    // As LoadFile, and hands every byte of the file to `everyByte` once, in order: on the reader's
    // own pass over the file where it makes one, else on a pass after it; so the file is read
    // once for both.
    void LoadFile(const File& file, std::string path, std::int64_t length, const ChunkVisitor& everyByte);
    // Loads bytes held in memory (an archive member); `name` is what column 1 shows. The bytes
    // stay the caller's and are not used after the call.
    void LoadMemory(std::span<const std::uint8_t> bytes, std::string_view name);
    // Loads a file of `length` bytes from `stream`, which is run exactly once; `name` is what
    // column 1 shows. The reader's pass over the whole file sees the bytes as they go by, and its
    // reads at offsets are served from the parts of them it keeps (PartsReadAt), so a file of any
    // size costs those parts. A stream that gives fewer bytes leaves the rest reading as zero.
    void LoadStream(std::int64_t length, std::string_view name, const ByteStream& stream);

    const std::string& Path() const { return path; }
    std::int64_t Length() const { return length; }

    // How many leading bytes of a file the reader decodes at offsets: where its data lies
    // (DataForHashing) follows from them and the file's length.
    std::int64_t LeadingBytesRead() const { return PartsReadAt().head; }

    // Where the data a DAT describes lies in the loaded file, as the reader found it on loading:
    // the whole file, unless the kind keeps a header in front or stores its bytes in another
    // order.
    virtual HashedData DataForHashing() const { return {0, length}; }

protected:
    // Decodes the loaded file into the reader's fields.
    virtual void ReadHeader() = 0;

    // The bytes ReadHeader reads at offsets of the loaded file, whatever they hold: at most its
    // first `head` and its last `tail` bytes.
    struct Parts {
        std::int64_t head = 0;
        std::int64_t tail = 0;
    };
    virtual Parts PartsReadAt() const = 0;

    // What ColumnText, Value and WritableType answer.
    virtual std::optional<std::string> TextOf(int index) const = 0;
    virtual std::optional<FieldValue> ValueOf(int field) const = 0;
    virtual std::optional<FieldType> TypeOf(int field) const = 0;

    // Writes one supported field, its value of the field's type, to `file`, the loaded file opened
    // for reading and writing.
    virtual FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) = 0;
    // Writes checked, supported edits to `file` in order. A kind whose fields lie in one record
    // (an MP3 tag) writes them together; the others write one field after the other.
    virtual std::vector<FieldWrite> WriteEditsTo(File& file, std::span<const FieldEdit> edits);

    // Fills `out` with the bytes at `offset` of the loaded file; bytes past its end (or before
    // its start) read as zero. Returns how many bytes the file really holds there.
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> out);
    // As ReadAt, except that a streamed file's bytes outside the parts kept read as absent (zero,
    // and 0 returned) rather than being a fault of the reader: for tags of any size, of which a
    // stream keeps only so much.
    std::size_t ReadAtIfKept(std::int64_t offset, std::span<std::uint8_t> out);
    // Hands the whole loaded file to `visit`, in order: bytes held in memory as one piece without
    // a copy, a file through the reader's chunk buffer (one read when it fits in one chunk).
    void ForEachChunk(const ChunkVisitor& visit);

    // Checks, writing nothing, that WriteValue(value, field) can write to `file` (opened for
    // writing), as WriteHeaderBytes would check each of its writes. Throws OperationRefused.
    // Called for supported fields with values of their type only.
    virtual void CheckField(const File& file, const FieldValue& value, int field) const = 0;

    // The one way header bytes reach a file: `bytes` at `at` of `file`. Header writes never grow or
    // cut a file, so the bytes must lie inside it; and where a header lies (and how it is
    // interleaved) was worked out from the length at load time, so the file must still have that
    // length. A refusal is OperationRefused, before anything is written.
    void WriteHeaderBytes(File& file, std::int64_t at, std::span<const std::uint8_t> bytes) const;
    // The checks of WriteHeaderBytes, for `size` bytes at `at`, without the write.
    void RequireWritable(const File& file, std::int64_t at, std::size_t size) const;
    // The length check alone. Throws OperationRefused.
    void RequireUnchanged(const File& file) const;
    // For the writes that add to a file by design (an MP3's new tag, an NES title trailer):
    // `bytes` at `at`, which may reach past the end (but not start behind it). The part past the
    // end is appended first and cut off again if it cannot be written whole; then the part inside
    // is written. `length` becomes the file's new length. Throws FileError.
    void WriteGrowing(File& file, std::int64_t at, std::span<const std::uint8_t> bytes);

    // Columns 1 and 2, which every kind shows alike.
    std::string FilenameText() const { return path; }
    std::string SizeText() const;

    std::string path;
    std::int64_t length = 0;

private:
    // Refuses an edit of a field the kind cannot write (OperationRefused) or with a value its type
    // does not take (std::invalid_argument).
    void CheckEdit(const FieldEdit& edit) const;

    // Headers lie in one or two small regions of a file; reading the 1 KiB page around a request
    // lets the reader's several small reads of a region cost one read of the file.
    static constexpr std::int64_t kPageSize = 1024;
    struct Page {
        std::int64_t offset = -1;  // -1: empty
        std::size_t size = 0;      // bytes the file really holds there
        std::array<std::uint8_t, kPageSize> bytes;
    };
    const Page& PageAt(std::int64_t pageOffset);
    void Activate(const File* file, std::span<const std::uint8_t> memory);
    // Runs the stream, keeping the parts read at offsets and handing every piece to `visit` too.
    void RunStream(const ChunkVisitor* visit);
    std::size_t ReadKept(std::int64_t first, std::span<std::uint8_t> target);

    const File* activeFile = nullptr;
    std::span<const std::uint8_t> memFile;
    const ByteStream* stream = nullptr;  // while a stream is loaded
    const ChunkVisitor* everyByte = nullptr;  // sees a loaded file's pass over its bytes
    bool passed = false;                      // the file's bytes have all gone by
    bool streamRan = false;
    std::vector<std::uint8_t> head;  // the parts a stream's reader reads at offsets
    std::vector<std::uint8_t> tail;
    std::vector<std::uint8_t> chunk;
    // An MP3's reader goes from its last bytes to its first, past a picture to the frames after it,
    // and back to the last: four pages keep each of those regions read once.
    std::array<Page, 4> pages;
    std::size_t nextPage = 0;
};

// The texts of the loaded file's columns, from 0 to the kind's last: one list row.
std::vector<std::string> ColumnTexts(const RomHeader& reader);

// The reader of a kind whose fields `Field` names: the same calls, taking the kind's names.
template <FieldEnum FieldName>
class RomHeaderOf : public RomHeader {
public:
    using Field = FieldName;
    using RomHeader::ColumnText;
    using RomHeader::SupportsField;
    using RomHeader::Value;
    using RomHeader::WriteField;
    using RomHeader::WriteValue;

    std::optional<std::string> ColumnText(Field field) const { return ColumnText(FieldNumber(field)); }
    std::optional<FieldValue> Value(Field field) const { return Value(FieldNumber(field)); }
    bool SupportsField(Field field) const { return SupportsField(FieldNumber(field)); }
    FieldWrite WriteField(std::string_view text, Field field) { return WriteField(text, FieldNumber(field)); }
    FieldWrite WriteValue(const FieldValue& value, Field field) { return WriteValue(value, FieldNumber(field)); }

    // The value of a field known to have one of that type; std::logic_error when it has none.
    bool Flag(Field field) const { return As<bool>(field); }
    std::int32_t Number(Field field) const { return As<std::int32_t>(field); }
    std::string Bytes(Field field) const { return As<std::string>(field); }

private:
    template <typename T>
    T As(Field field) const {
        std::optional<FieldValue> value = Value(field);
        if (!value || !std::holds_alternative<T>(*value)) {
            throw std::logic_error("field " + std::to_string(FieldNumber(field)) + " has no value of that type");
        }
        return std::get<T>(std::move(*value));
    }
};

}  // namespace vorne
