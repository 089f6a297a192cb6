// The known-dump list: a text file pairing CRC-32 texts of NES images with names.
//
// The list is never parsed into lines. A lookup finds the first place where the CRC text stands
// anywhere in the text, skips to the first TAB from there (even on a later line), skips the TABs
// that follow it, and takes the name up to the next CR or LF, at most 100 characters. Anything
// else in the file (headings, comments) is allowed. The text ends at its first zero byte.
//
// The list is read in one streaming pass into an index of the names those rules give every run
// of eight lower-case hex digits in the text (overlapping ones within longer runs included), so
// its memory grows with the entries kept, each name at most 100 characters, never with the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/known_names.h"

namespace vorne {

class KnownDumpList final : public KnownNames {
public:
    // The longest name a lookup gives.
    static constexpr std::size_t kMaxNameLength = 100;

    // A list to be given its text piece by piece (Add, then Finish).
    KnownDumpList() = default;
    // The list whose whole text is `text`.
    explicit KnownDumpList(std::string_view text);

    // Reads the list at `path`; nullptr when it cannot be read (a missing list is no error).
    static std::shared_ptr<const KnownDumpList> Load(const std::string& path);
    // `nescrcs.txt` beside the running executable.
    static std::string DefaultPath();

    // The name the list gives for `crcText`, or the empty text.
    std::string LookUpKnownName(std::string_view crcText) const override;
    // How many different CRC texts the list names (some perhaps with the empty name).
    std::size_t EntryCount() const { return entries.size(); }

    // Takes in the next piece of the text, in order; `Finish` ends it.
    void Add(std::string_view piece);
    void Finish();

private:

    struct Entry {
        std::uint32_t value;      // the CRC, one hex digit per nibble
        std::uint8_t nameLength;  // of the name in `names`
        std::uint64_t nameAt;
    };
    // A name being taken in for the entries that wait for it: from after the TABs that follow the
    // first TAB behind them, up to the line's end or kMaxNameLength characters.
    struct Capture {
        std::vector<std::uint32_t> waiting;  // entry indices
        std::string name;
        bool skippingTabs = true;
    };

    std::uint32_t* Find(std::uint32_t value);
    const std::uint32_t* Find(std::uint32_t value) const;
    void Insert(std::uint32_t value);
    void Grow();
    void Resolve(Capture& capture);

    std::vector<Entry> entries;
    std::vector<std::uint32_t> table;  // indices into `entries`, kFree marking a free slot
    std::string names;                 // every name given, one after the other
    int hashShift = 28;

    // The pass through the text.
    bool ended = false;       // a zero byte was seen: nothing after it counts
    std::uint32_t window = 0;  // the last eight hex digits, one per nibble
    std::size_t run = 0;       // the length of the current run of digits
    std::vector<std::uint32_t> waitingForTab;
    std::vector<Capture> captures;
};

// True when `text` is exactly eight lower-case hexadecimal digits.
bool IsCrcText(std::string_view text);

// The name the list text `text` gives `crcText` by a plain search of the whole text, as the rules
// above say: the yardstick for the index.
std::string LookUpInListText(std::string_view text, std::string_view crcText);

}  // namespace vorne
