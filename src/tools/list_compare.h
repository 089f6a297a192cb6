// Comparing two list files: which lines of a test list have no match in an original list.
//
// Files are split into lines at LF only, so a CR before the LF stays the last character of its
// line; a last line without a line end counts too, and an empty line is an entry of its own. An
// entry holds at most 1023 characters: a longer line goes on in further entries, none of it
// dropped. Two lines match when their keys are equal without regard to case; the key of a line is
// the line without its second tab-separated field (the file name, in lists this system writes).
// The three lists keep their entries in alphabetical order without regard to case.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorne {

inline constexpr std::size_t kMaxListEntry = 1023;

// The entries of a list file, in file order.
std::vector<std::string> SplitListLines(std::span<const std::uint8_t> bytes);

// The entries of the list file at `path`. Throws FileError.
std::vector<std::string> ReadListFile(const std::string& path);

// The entries of a list file held as its text and the place of each entry in it (8 bytes an
// entry), for lists too long to hold each entry as a string of its own.
class ListEntries {
public:
    explicit ListEntries(std::string text);
    std::size_t Size() const { return places.size(); }
    std::string_view operator[](std::size_t i) const {
        return std::string_view(text).substr(places[i] >> kSizeBits, places[i] & kSizeMask);
    }

private:
    static constexpr int kSizeBits = 10;  // an entry holds at most 1023 characters
    static constexpr std::uint64_t kSizeMask = (std::uint64_t{1} << kSizeBits) - 1;
    std::string text;
    std::vector<std::uint64_t> places;  // offset << kSizeBits | size
};
static_assert(kMaxListEntry < (std::size_t{1} << 10));

// The entries of the list file at `path`, as ListEntries. Throws FileError.
ListEntries ReadListEntries(const std::string& path);

// The test entries whose keys equal no key of the original entries without regard to case, as
// indices of `test`, in the order SortListEntries gives their texts.
std::vector<std::uint32_t> UnmatchedEntries(const ListEntries& original, const ListEntries& test);

// `line` without the text from its first tab (exclusive) to its second tab (inclusive); a line
// with fewer than two tabs is its own key.
std::string ComparisonKey(std::string_view line);

// Sorts entries as the dialog's list boxes keep them: alphabetically without regard to (ASCII)
// case, entries that differ only in case in the order they came.
void SortListEntries(std::vector<std::string>& entries);

// The lists the Compare ROM Lists dialog holds.
struct ListComparison {
    std::vector<std::string> original;   // keys of the original list, sorted
    std::vector<std::string> test;       // lines of the test list, whole, sorted
    std::vector<std::string> unmatched;  // test lines without a match, sorted

    // Loads the original list (as keys) or the test list (whole lines) from a file's entries.
    void SetOriginal(std::vector<std::string> lines);
    void SetTest(std::vector<std::string> lines);
    // Fills `unmatched` with every test line whose key equals no original key without regard to
    // case. Both lists must have entries (see CanCompare).
    void Compare();
    bool CanCompare() const { return !original.empty() && !test.empty(); }
};

// The text of a comparison result file: each entry followed by CR LF (an entry read with a
// trailing CR thus ends in CR CR LF).
std::string UnmatchedFileText(std::span<const std::string> unmatched);

// The same text for `count` entries, entry(i) giving each, handed to `write` about 1 MiB at a
// time, so that a long result is never held whole.
using EntryAt = std::function<std::string_view(std::size_t)>;
void WriteUnmatchedText(std::size_t count, const EntryAt& entry, const std::function<void(std::string_view)>& write);

// Writes the result file whole or not at all. Throws FileError.
void SaveUnmatched(const std::string& path, std::span<const std::string> unmatched);
void SaveUnmatched(const std::string& path, std::size_t count, const EntryAt& entry);

// The labels of the dialog: "%d ROMs" and "%d Unmatched".
std::string RomsLabel(std::size_t count);
std::string UnmatchedLabel(std::size_t count);

// The dialog's refusals.
inline constexpr std::string_view kNothingToCompare = "Wtf are you trying to compare, bitch?!";
inline constexpr std::string_view kNothingToSave = "Wtf are you trying to save, bitch?!";

}  // namespace vorne
