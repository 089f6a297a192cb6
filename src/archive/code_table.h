// The decoding tables behind InflateDecoder's codes: their entry layout and the builder shared by
// the decoder (fixed-size tables inside the stream state) and by BuildCodeTable (one allocation).
//
// A table is read by taking the next `rootBits` bits of the stream as an index. Codes no longer
// than that are entered in every slot whose low bits are the code (bit-reversed: the stream sends
// a code's most significant bit first into a buffer read from the least significant end), so one
// lookup resolves them whatever bits follow. A longer code's first `rootBits` bits lead to a link
// into a sub-table that follows the first-level table in the same array and is indexed by the next
// bits. Slots that no code reaches (in an incomplete set) hold an invalid entry.
#pragma once

#include "archive/inflate.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorne::code_table {

// One entry, a 32-bit word:
//   bits 0-5    bits to drop from the bit buffer: the code's bits at this level plus, for a length
//               or distance, its extra bits, so one shift consumes both. For a link, the bits of
//               the table holding it.
//   bit 6       exceptional: a link, the end of a block, or an invalid code
//   bit 7       literal
//   bits 8-12   the code's bits at this level; a value's extra bits start right above them.
//               For a link, the sub-table's width.
//   bit 13      end of block
//   bit 14      link to a sub-table
//   bits 16-31  the literal byte or base value; for a link, the sub-table's index in the array
inline constexpr std::uint32_t kExceptional = 1u << 6;
inline constexpr std::uint32_t kLiteral = 1u << 7;
inline constexpr std::uint32_t kEndOfBlock = 1u << 13;
inline constexpr std::uint32_t kSubtable = 1u << 14;
inline constexpr std::uint32_t kInvalidEntry = kExceptional;

inline constexpr unsigned kMaxCodeLength = 16;
inline constexpr std::size_t kMaxSymbols = 288;

constexpr unsigned DropBits(std::uint32_t entry) { return entry & 63; }
constexpr unsigned CodeBits(std::uint32_t entry) { return (entry >> 8) & 31; }
constexpr unsigned Value(std::uint32_t entry) { return entry >> 16; }

// The extra bits of a length or distance entry, taken from the front of the bit buffer. Zero for
// literals and the end of a block, whose drop count equals their code bits.
constexpr std::uint32_t ExtraValue(std::uint64_t bitbuf, std::uint32_t entry) {
    return static_cast<std::uint32_t>((bitbuf & ((std::uint64_t{1} << DropBits(entry)) - 1)) >> CodeBits(entry));
}

// What the symbols of a set stand for (see BuildCodeTable in inflate.h).
struct SymbolMeaning {
    std::size_t plainCount = 0;
    std::span<const std::uint16_t> bases;
    std::span<const std::uint8_t> extraBits;
};

// The counts of each code length and what they say about the set.
struct Census {
    std::array<std::uint16_t, kMaxCodeLength + 1> count{};  // count[0] is not kept
    unsigned shortest = 0;  // 0 when the set has no codes
    unsigned longest = 0;
    bool overSubscribed = false;
    bool incomplete = false;  // code space left over (false for an empty set)
};

// Lengths must be at most kMaxCodeLength.
Census TakeCensus(std::span<const std::uint8_t> lengths);

// The result a non-empty set earns: an incomplete set counts as complete when its only code has
// length 1, the single-code case a compressor may legitimately send.
CodeTableResult Classify(const Census& census);

// Fills `entries` with the table for a set that has codes and is not over-subscribed, and returns
// the number of entries used (first level plus sub-tables). With `entries` empty it only counts.
// Returns 0 if the table would not fit in a non-empty `entries`.
std::size_t BuildEntries(std::span<const std::uint8_t> lengths, const Census& census, const SymbolMeaning& meaning,
                         unsigned rootBits, std::span<std::uint32_t> entries);

// Room for any table of `symbols` codes of at most `maxLength` bits with the given first-level
// width. Canonical codes fill the code space from one end, so every first-level slot that needs a
// sub-table, except the last, is filled completely by its codes; a sub-table of width k filled
// completely by codes reaching k bits deep holds at least k + 1 of them. The sub-tables' total is
// thus greatest with the widest ones, each costing maxLength - rootBits + 1 symbols, plus one
// narrower table for the symbols left over and one for the last, partly filled slot.
constexpr std::size_t TableCapacity(std::size_t symbols, unsigned rootBits, unsigned maxLength) {
    if (maxLength <= rootBits) return std::size_t{1} << rootBits;
    const unsigned k = maxLength - rootBits;
    return (std::size_t{1} << rootBits) + (symbols / (k + 1) + 2) * (std::size_t{1} << k);
}

}  // namespace vorne::code_table
