#include "tools/list_compare.h"

#include <algorithm>
#include <string_view>

#include "base/text_rules.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace vorne {

namespace {

constexpr std::size_t kWritePiece = std::size_t{1} << 20;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares as the C library's case-blind comparison does: both texts taken in lower case, byte
// by byte as unsigned values.
bool LessIgnoringCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
    });
}

// Calls visit(offset, size) for every entry of a list file's text, in order.
template <typename Visit>
void ForEachListEntry(std::string_view text, Visit visit) {
    std::size_t at = 0;
    while (at < text.size()) {
        // Looked for within one entry's reach only, so a text without line feeds is split in one pass.
        const std::string_view reach = text.substr(at, kMaxListEntry);
        const std::size_t end = at + std::min(reach.find('\n'), reach.size());
        visit(at, end - at);
        // A line that fills an entry goes on in the next one; its line feed, when it comes right
        // after, ends it without making an empty entry.
        at = end < text.size() && text[end] == '\n' ? end + 1 : end;
    }
}

// A key as the two pieces of its line around the field it leaves out (see ComparisonKey).
struct KeyPieces {
    std::string_view head;
    std::string_view tail;

    std::size_t Size() const { return head.size() + tail.size(); }
    char At(std::size_t i) const { return i < head.size() ? head[i] : tail[i - head.size()]; }
};

KeyPieces KeyOf(std::string_view line) {
    const auto first = line.find('\t');
    if (first == std::string_view::npos) return {line, {}};
    const auto second = line.find('\t', first + 1);
    if (second == std::string_view::npos) return {line, {}};
    return {line.substr(0, first + 1), line.substr(second + 1)};
}

bool KeysEqual(const KeyPieces& a, const KeyPieces& b) {
    if (a.Size() != b.Size()) return false;
    // Lines of one list mostly have their fields cut alike.
    if (a.head.size() == b.head.size()) return EqualsIgnoringCase(a.head, b.head) && EqualsIgnoringCase(a.tail, b.tail);
    for (std::size_t i = 0; i < a.Size(); ++i) {
        if (ToUpperAscii(a.At(i)) != ToUpperAscii(b.At(i))) return false;
    }
    return true;
}

std::uint64_t KeyHash(const KeyPieces& key) {
    std::uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a over the key in upper case
    for (std::string_view piece : {key.head, key.tail}) {
        for (char c : piece) hash = (hash ^ static_cast<unsigned char>(ToUpperAscii(c))) * 0x100000001B3u;
    }
    return hash;
}

// The keys of a list, by entry index: an open-addressing table of indices, the keys themselves
// read from the entries (keyAt(i) gives the key of entry i), so the set costs a few bytes a key
// whatever their length.
template <typename KeyAt>
class KeySet {
public:
    KeySet(std::size_t count, KeyAt keyAt) : keyAt(std::move(keyAt)) {
        std::size_t size = 16;
        while (size < count * 2) size *= 2;
        slots.assign(size, kFree);
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t& slot = Find(this->keyAt(i));
            if (slot == kFree) slot = static_cast<std::uint32_t>(i);
        }
    }
    bool Contains(const KeyPieces& key) { return Find(key) != kFree; }

private:
    static constexpr std::uint32_t kFree = UINT32_MAX;
    std::uint32_t& Find(const KeyPieces& key) {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t slot = KeyHash(key) & mask;; slot = (slot + 1) & mask) {
            if (slots[slot] == kFree || KeysEqual(keyAt(slots[slot]), key)) return slots[slot];
        }
    }

    KeyAt keyAt;
    std::vector<std::uint32_t> slots;
};

}  // namespace

std::vector<std::string> SplitListLines(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::vector<std::string> lines;
    ForEachListEntry(text, [&](std::size_t at, std::size_t size) { lines.emplace_back(text.substr(at, size)); });
    return lines;
}

std::vector<std::string> ReadListFile(const std::string& path) { return SplitListLines(ReadWholeFile(path)); }

ListEntries::ListEntries(std::string fileText) : text(std::move(fileText)) {
    // Counted first, so that the places are allocated once, never grown by doubling.
    std::size_t count = 0;
    ForEachListEntry(text, [&](std::size_t, std::size_t) { ++count; });
    places.reserve(count);
    ForEachListEntry(text, [&](std::size_t at, std::size_t size) { places.push_back(std::uint64_t{at} << kSizeBits | size); });
}

ListEntries ReadListEntries(const std::string& path) {
    const File file = File::OpenRead(path);
    std::string text(static_cast<std::size_t>(file.Size()), '\0');
    text.resize(file.ReadAt(0, std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size())));
    return ListEntries(std::move(text));
}

std::vector<std::uint32_t> UnmatchedEntries(const ListEntries& original, const ListEntries& test) {
    KeySet keys(original.Size(), [&original](std::size_t i) { return KeyOf(original[i]); });
    std::vector<std::uint32_t> unmatched;
    for (std::size_t i = 0; i < test.Size(); ++i) {
        if (!keys.Contains(KeyOf(test[i]))) unmatched.push_back(static_cast<std::uint32_t>(i));
    }
    std::stable_sort(unmatched.begin(), unmatched.end(),
                     [&test](std::uint32_t a, std::uint32_t b) { return LessIgnoringCase(test[a], test[b]); });
    return unmatched;
}

std::string ComparisonKey(std::string_view line) {
    const auto first = line.find('\t');
    if (first == std::string_view::npos) return std::string(line);
    const auto second = line.find('\t', first + 1);
    if (second == std::string_view::npos) return std::string(line);
    std::string key(line.substr(0, first + 1));
    key += line.substr(second + 1);
    return key;
}

void SortListEntries(std::vector<std::string>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) { return LessIgnoringCase(a, b); });
}

void ListComparison::SetOriginal(std::vector<std::string> lines) {
    for (std::string& line : lines) line = ComparisonKey(line);
    SortListEntries(lines);
    original = std::move(lines);
}

void ListComparison::SetTest(std::vector<std::string> lines) {
    SortListEntries(lines);
    test = std::move(lines);
}

void ListComparison::Compare() {
    // The original entries are keys already.
    KeySet keys(original.size(), [this](std::size_t i) { return KeyPieces{original[i], {}}; });
    unmatched.clear();
    for (const std::string& line : test) {
        if (!keys.Contains(KeyOf(line))) unmatched.push_back(line);
    }
}

void WriteUnmatchedText(std::size_t count, const EntryAt& entry, const std::function<void(std::string_view)>& write) {
    std::string piece;
    for (std::size_t i = 0; i < count; ++i) {
        piece += entry(i);
        piece += "\r\n";
        if (piece.size() >= kWritePiece) {
            write(piece);
            piece.clear();
        }
    }
    if (!piece.empty()) write(piece);
}

std::string UnmatchedFileText(std::span<const std::string> unmatched) {
    std::string text;
    WriteUnmatchedText(unmatched.size(), [&](std::size_t i) { return std::string_view(unmatched[i]); },
                       [&](std::string_view piece) { text += piece; });
    return text;
}

void SaveUnmatched(const std::string& path, std::span<const std::string> unmatched) {
    SaveUnmatched(path, unmatched.size(), [&](std::size_t i) { return std::string_view(unmatched[i]); });
}

void SaveUnmatched(const std::string& path, std::size_t count, const EntryAt& entry) {
    WriteFileAtomically(path, [&](RewriteOutput& out) {
        WriteUnmatchedText(count, entry, [&out](std::string_view piece) {
            out.Write(std::span(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()));
        });
    });
}

std::string RomsLabel(std::size_t count) { return std::to_string(count) + " ROMs"; }
std::string UnmatchedLabel(std::size_t count) { return std::to_string(count) + " Unmatched"; }

}  // namespace vorne
