#include "tools/list_compare.h"

#include <algorithm>
#include <unordered_set>

#include "base/text_rules.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace vorne {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares as the C library's case-blind comparison does: both texts taken in lower case, byte
// by byte as unsigned values.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
    });
}

}  // namespace

std::vector<std::string> SplitListLines(std::span<const std::uint8_t> bytes) {
    std::vector<std::string> lines;
    const char* text = reinterpret_cast<const char*>(bytes.data());
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = at;
        while (end < bytes.size() && text[end] != '\n' && end - at < kMaxListEntry) ++end;
        lines.emplace_back(text + at, end - at);
        // A line that fills an entry goes on in the next one; its line feed, when it comes right
        // after, ends it without making an empty entry.
        at = end < bytes.size() && text[end] == '\n' ? end + 1 : end;
    }
    return lines;
}

std::vector<std::string> ReadListFile(const std::string& path) { return SplitListLines(ReadWholeFile(path)); }

std::string ComparisonKey(std::string_view line) {
    const auto first = line.find('\t');
    if (first == std::string_view::npos) return std::string(line);
    const auto second = line.find('\t', first + 1);
    if (second == std::string_view::npos) return std::string(line);
    std::string key(line.substr(0, first + 1));
    key += line.substr(second + 1);
    return key;
}

void SortListEntries(std::vector<std::string>& entries) { std::stable_sort(entries.begin(), entries.end(), LessIgnoringCase); }

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
    std::unordered_set<std::string> keys;
    keys.reserve(original.size());
    for (const std::string& key : original) keys.insert(ToUpperAscii(key));
    unmatched.clear();
    for (const std::string& line : test) {
        if (!keys.contains(ToUpperAscii(ComparisonKey(line)))) unmatched.push_back(line);
    }
}

std::string UnmatchedFileText(std::span<const std::string> unmatched) {
    std::string text;
    for (const std::string& line : unmatched) text += line + "\r\n";
    return text;
}

void SaveUnmatched(const std::string& path, std::span<const std::string> unmatched) {
    const std::string text = UnmatchedFileText(unmatched);
    WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string RomsLabel(std::size_t count) { return std::to_string(count) + " ROMs"; }
std::string UnmatchedLabel(std::size_t count) { return std::to_string(count) + " Unmatched"; }

}  // namespace vorne
