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

// Writes the result file whole or not at all. Throws FileError.
void SaveUnmatched(const std::string& path, std::span<const std::string> unmatched);

// The labels of the dialog: "%d ROMs" and "%d Unmatched".
std::string RomsLabel(std::size_t count);
std::string UnmatchedLabel(std::size_t count);

// The dialog's refusals.
inline constexpr std::string_view kNothingToCompare = "Wtf are you trying to compare, bitch?!";
inline constexpr std::string_view kNothingToSave = "Wtf are you trying to save, bitch?!";

}  // namespace vorne
