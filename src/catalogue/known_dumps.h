// The known-dump list: a text file pairing CRC-32 texts of NES images with names.
//
// The list is never parsed into lines. A lookup finds the first place where the CRC text stands
// anywhere in the text, skips to the first TAB from there (even on a later line), skips the TABs
// that follow it, and takes the name up to the next CR or LF, at most 100 characters. Anything
// else in the file (headings, comments) is allowed. The text ends at its first zero byte.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/known_names.h"

namespace vorne {

class KnownDumpList final : public KnownNames {
public:
    // The longest name a lookup gives.
    static constexpr std::size_t kMaxNameLength = 100;

    explicit KnownDumpList(std::string text);

    // Reads the list at `path`; nullptr when it cannot be read (a missing list is no error).
    static std::shared_ptr<const KnownDumpList> Load(const std::string& path);
    // `nescrcs.txt` beside the running executable.
    static std::string DefaultPath();

    // The name the list gives for `crcText`, or the empty text.
    std::string LookUpKnownName(std::string_view crcText) const override;
    // The same result by a plain search of the whole text: the yardstick for the index.
    std::string LookUpBySearch(std::string_view crcText) const;

    const std::string& Text() const { return text; }

private:
    std::string NameAfter(std::size_t position) const;
    template <typename Visit>
    void ForEachRun(Visit visit) const;
    std::size_t Slot(std::uint32_t value) const { return (value * 0x9E3779B1u) >> hashShift; }

    std::string text;
    // Every run of eight lower-case hex digits in the text (overlapping ones within longer runs
    // included), by value, with the first position where it stands: an open-addressing hash
    // table of (value, position) slots, kEmpty marking a free slot.
    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> firstPositions;
    int hashShift = 32;
    bool indexed = false;  // false only for a text too long for 32-bit positions
};

// True when `text` is exactly eight lower-case hexadecimal digits.
bool IsCrcText(std::string_view text);

}  // namespace vorne
