// Building the decoding tables for canonical Huffman codes (RFC 1951, 3.2.2). See code_table.h
// for the entry layout.
#include "archive/code_table.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <new>

namespace vorne {

struct CodeTable {
    unsigned rootBits = 0;
    std::unique_ptr<std::uint32_t[]> entries;
};

namespace code_table {

namespace {

// The code's bits in the opposite order: the stream sends a code's most significant bit first.
std::uint32_t Reverse(std::uint32_t code, unsigned length) {
    std::uint32_t reversed = 0;
    for (unsigned i = 0; i < length; ++i) {
        reversed = (reversed << 1) | (code & 1);
        code >>= 1;
    }
    return reversed;
}

std::uint32_t MakeEntry(unsigned symbol, unsigned codeBits, const SymbolMeaning& meaning) {
    const std::uint32_t bits = (codeBits << 8) | codeBits;
    if (symbol < meaning.plainCount) {
        if (symbol < 256) return kLiteral | (symbol << 16) | bits;
        return kExceptional | kEndOfBlock | bits;
    }
    const std::size_t i = symbol - meaning.plainCount;
    if (i >= meaning.bases.size() || i >= meaning.extraBits.size() || meaning.extraBits[i] > 15) {
        return kInvalidEntry | bits;
    }
    return (std::uint32_t{meaning.bases[i]} << 16) | (codeBits << 8) | (codeBits + meaning.extraBits[i]);
}

}  // namespace

Census TakeCensus(std::span<const std::uint8_t> lengths) {
    Census census;
    for (std::uint8_t length : lengths) ++census.count[length];
    census.count[0] = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        if (census.count[length] == 0) continue;
        if (census.shortest == 0) census.shortest = length;
        census.longest = length;
    }
    // Code space left after each length, in units of that length's codes: one code of length 1
    // takes half of it, and every further bit doubles the units. Running short at any length
    // means the codes cannot all be told apart.
    std::int64_t left = 1;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        left = left * 2 - census.count[length];
        if (left < 0) {
            census.overSubscribed = true;
            return census;
        }
    }
    census.incomplete = census.longest != 0 && left > 0;
    return census;
}

CodeTableResult Classify(const Census& census) {
    if (census.overSubscribed) return CodeTableResult::OverSubscribed;
    if (census.incomplete && census.longest != 1) return CodeTableResult::Incomplete;
    return CodeTableResult::Complete;
}

std::size_t BuildEntries(std::span<const std::uint8_t> lengths, const Census& census, const SymbolMeaning& meaning,
                         unsigned rootBits, std::span<std::uint32_t> entries) {
    assert(census.longest != 0 && !census.overSubscribed && rootBits >= 1);
    const bool writing = !entries.empty();
    const std::size_t rootSize = std::size_t{1} << rootBits;
    if (writing && entries.size() < rootSize) return 0;

    // Symbols in code order: by length, then by symbol.
    std::array<std::uint16_t, kMaxCodeLength + 1> next{};
    for (unsigned length = 1; length < kMaxCodeLength; ++length) {
        next[length + 1] = static_cast<std::uint16_t>(next[length] + census.count[length]);
    }
    std::array<std::uint16_t, kMaxSymbols> sorted;
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0) sorted[next[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
    }

    // Only an incomplete set leaves slots that no code fills.
    if (writing && census.incomplete) std::fill_n(entries.begin(), rootSize, kInvalidEntry);

    std::uint32_t code = 0;  // the canonical code of the next symbol, at the current length
    std::size_t i = 0;       // its place in `sorted`
    unsigned length = 1;
    for (; length <= std::min(rootBits, census.longest); ++length, code <<= 1) {
        for (unsigned n = 0; n < census.count[length]; ++n, ++code, ++i) {
            if (!writing) continue;
            const std::uint32_t entry = MakeEntry(sorted[i], length, meaning);
            for (std::size_t slot = Reverse(code, length); slot < rootSize; slot += std::size_t{1} << length) {
                entries[slot] = entry;
            }
        }
    }

    // Longer codes go to sub-tables, one per first-level slot they start with. Their codes come in
    // order, so each sub-table is finished before the next is opened.
    std::size_t used = rootSize;
    std::size_t openSlot = rootSize;  // the first-level slot whose sub-table is open; none yet
    std::size_t subStart = 0;
    unsigned subBits = 0;
    for (; length <= census.longest; ++length, code <<= 1) {
        const unsigned ownBits = length - rootBits;  // the code's bits within its sub-table
        for (unsigned n = 0; n < census.count[length]; ++n, ++code, ++i) {
            const std::uint32_t reversed = Reverse(code, length);
            const std::size_t slot = reversed & (rootSize - 1);
            if (slot != openSlot) {
                // Widen the sub-table until the codes from here on would fill it, or it reaches
                // the longest code.
                subBits = ownBits;
                std::int64_t left = (std::int64_t{1} << subBits) - (census.count[length] - n);
                while (left > 0 && rootBits + subBits < census.longest) {
                    ++subBits;
                    left = left * 2 - census.count[rootBits + subBits];
                }
                openSlot = slot;
                subStart = used;
                used += std::size_t{1} << subBits;
                if (!writing) continue;
                if (used > entries.size()) return 0;
                assert(subStart <= 0xFFFF);
                if (census.incomplete) std::fill_n(entries.begin() + subStart, std::size_t{1} << subBits, kInvalidEntry);
                entries[slot] = kExceptional | kSubtable | static_cast<std::uint32_t>(subStart << 16) | (subBits << 8) |
                                rootBits;
            }
            if (!writing) continue;
            const std::uint32_t entry = MakeEntry(sorted[i], ownBits, meaning);
            for (std::size_t index = reversed >> rootBits; index < (std::size_t{1} << subBits);
                 index += std::size_t{1} << ownBits) {
                entries[subStart + index] = entry;
            }
        }
    }
    return used;
}

}  // namespace code_table

CodeTableBuild BuildCodeTable(std::span<const std::uint8_t> lengths, std::size_t plainCount,
                              std::span<const std::uint16_t> bases, std::span<const std::uint8_t> extraBits,
                              int requestedWidth) {
    using namespace code_table;
    CodeTableBuild build;
    if (lengths.size() > kMaxSymbols ||
        std::any_of(lengths.begin(), lengths.end(), [](std::uint8_t n) { return n > kMaxCodeLength; })) {
        build.result = CodeTableResult::OverSubscribed;
        return build;
    }
    const Census census = TakeCensus(lengths);
    if (census.longest == 0) return build;

    unsigned width = static_cast<unsigned>(std::clamp<int>(requestedWidth, static_cast<int>(census.shortest),
                                                           static_cast<int>(census.longest)));
    if (lengths.size() > 256 && lengths[256] != 0 && width > lengths[256]) width = lengths[256];
    build.width = static_cast<int>(width);
    build.result = Classify(census);
    if (build.result == CodeTableResult::OverSubscribed) return build;

    const SymbolMeaning meaning{plainCount, bases, extraBits};
    const std::size_t size = BuildEntries(lengths, census, meaning, width, {});
    auto table = std::unique_ptr<CodeTable>(new (std::nothrow) CodeTable);
    if (table) table->entries.reset(new (std::nothrow) std::uint32_t[size]);
    if (!table || !table->entries) {
        build.result = CodeTableResult::MemoryExhausted;
        return build;
    }
    table->rootBits = width;
    BuildEntries(lengths, census, meaning, width, {table->entries.get(), size});
    build.table = table.release();
    return build;
}

void ReleaseCodeTable(CodeTable* table) { delete table; }

CodeLookup LookUpCode(const CodeTable& table, std::uint32_t bits) {
    using namespace code_table;
    std::uint32_t entry = table.entries[bits & ((1u << table.rootBits) - 1)];
    unsigned length = 0;
    if (entry & kSubtable) {
        length = DropBits(entry);
        entry = table.entries[Value(entry) + ((bits >> length) & ((1u << CodeBits(entry)) - 1))];
    }
    CodeLookup lookup;
    lookup.length = static_cast<std::uint8_t>(length + CodeBits(entry));
    if (entry & kLiteral) {
        lookup.kind = CodeLookup::Kind::Literal;
        lookup.value = static_cast<std::uint16_t>(Value(entry));
    } else if (entry & kEndOfBlock) {
        lookup.kind = CodeLookup::Kind::EndOfBlock;
    } else if (entry & kExceptional) {
        lookup = CodeLookup{};
    } else {
        lookup.kind = CodeLookup::Kind::Value;
        lookup.value = static_cast<std::uint16_t>(Value(entry));
        lookup.extraBits = static_cast<std::uint8_t>(DropBits(entry) - CodeBits(entry));
    }
    return lookup;
}

}  // namespace vorne
