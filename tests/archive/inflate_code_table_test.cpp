// BuildCodeTable's results and widths, and what its tables decode.
#include "archive/inflate.h"

#include "archive/inflate_stream_writer.h"

#include <gtest/gtest.h>

#include <random>

namespace vorne {
namespace inflate_code_table_test {
namespace {

using Kind = CodeLookup::Kind;

struct BuiltTable {
    explicit BuiltTable(CodeTableBuild b) : build(b) {}
    ~BuiltTable() { ReleaseCodeTable(build.table); }
    BuiltTable(const BuiltTable&) = delete;
    BuiltTable& operator=(const BuiltTable&) = delete;
    CodeTableBuild build;
};

CodeTableBuild BuildPlain(const std::vector<std::uint8_t>& lengths, int width) {
    return BuildCodeTable(lengths, lengths.size(), {}, {}, width);
}

std::vector<std::uint8_t> Repeat(std::initializer_list<std::pair<std::size_t, std::uint8_t>> runs) {
    std::vector<std::uint8_t> lengths;
    for (auto [count, length] : runs) lengths.insert(lengths.end(), count, length);
    return lengths;
}

// The example of RFC 1951, 3.2.2: A-H with lengths 3, 3, 3, 3, 3, 2, 4, 4.
const std::vector<std::uint8_t> kRfcExample = {3, 3, 3, 3, 3, 2, 4, 4};

TEST(InflateCodeTable, ResultAndWidth) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> lengths;
        int requested;
        CodeTableResult result;
        int width;
    };
    const auto fixedLitlen = Repeat({{144, 8}, {112, 9}, {24, 7}, {8, 8}});
    const auto eobAbsent = Repeat({{256, 9}, {1, 0}, {31, 9}});  // 287 codes of 9 bits: incomplete
    const std::vector<Case> cases = {
        {"no codes", {0, 0, 0, 0, 0}, 9, CodeTableResult::Complete, 0},
        {"lowered to the longest", kRfcExample, 9, CodeTableResult::Complete, 4},
        {"raised to the shortest", kRfcExample, 1, CodeTableResult::Complete, 2},
        {"as requested", kRfcExample, 3, CodeTableResult::Complete, 3},
        {"one code of length 1", {0, 1, 0}, 7, CodeTableResult::Complete, 1},
        {"incomplete", {1, 2}, 9, CodeTableResult::Incomplete, 2},
        {"one code of length 2", {2}, 9, CodeTableResult::Incomplete, 2},
        {"over-subscribed", {1, 1, 1}, 9, CodeTableResult::OverSubscribed, 1},
        {"fixed literal/length", fixedLitlen, 7, CodeTableResult::Complete, 7},
        {"cut at the 7-bit end-of-block code", fixedLitlen, 9, CodeTableResult::Complete, 7},
        {"cut at a 1-bit end-of-block code", Repeat({{256, 9}, {1, 1}}), 9, CodeTableResult::Complete, 1},
        {"no cut without an end-of-block code", eobAbsent, 9, CodeTableResult::Incomplete, 9},
        {"fixed distance", Repeat({{30, 5}}), 5, CodeTableResult::Incomplete, 5},
        {"16-bit codes", Repeat({{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {1, 8}, {1, 9}, {1, 10},
                                 {1, 11}, {1, 12}, {1, 13}, {1, 14}, {1, 15}, {2, 16}}),
         4, CodeTableResult::Complete, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuiltTable built(BuildPlain(c.lengths, c.requested));
        EXPECT_EQ(built.build.result, c.result);
        EXPECT_EQ(built.build.width, c.width);
        EXPECT_EQ(built.build.table != nullptr, c.width != 0 && c.result != CodeTableResult::OverSubscribed);
    }
    EXPECT_EQ(BuildPlain({17}, 9).result, CodeTableResult::OverSubscribed);
}

// Every symbol's canonical code decodes to that symbol, whatever the first-level width (narrow
// widths put long codes in sub-tables), and bits that no code starts with decode as invalid.
void ExpectDecodesEveryCode(const std::vector<std::uint8_t>& lengths, std::size_t plainCount,
                            std::span<const std::uint16_t> bases, std::span<const std::uint8_t> extra) {
    const auto codes = test::CanonicalCodes(lengths);
    for (int width = 1; width <= 16; ++width) {
        BuiltTable built(BuildCodeTable(lengths, plainCount, bases, extra, width));
        ASSERT_NE(built.build.table, nullptr);
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
            if (lengths[symbol] == 0) continue;
            SCOPED_TRACE("width " + std::to_string(built.build.width) + " symbol " + std::to_string(symbol));
            test::BitWriter w;
            w.PutCode(codes[symbol].bits, codes[symbol].length).Put(0xFFFFFFFF >> codes[symbol].length, 16);
            const auto bytes = w.Bytes();
            std::uint32_t bits = 0;
            for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i) bits |= std::uint32_t{bytes[i]} << (8 * i);
            const CodeLookup found = LookUpCode(*built.build.table, bits);
            if (found.kind != Kind::Invalid) {
                EXPECT_EQ(found.length, lengths[symbol]);
            }
            if (symbol < plainCount) {
                EXPECT_EQ(found.kind, symbol < 256 ? Kind::Literal : Kind::EndOfBlock);
                if (symbol < 256) {
                    EXPECT_EQ(found.value, symbol);
                }
            } else if (extra[symbol - plainCount] == kInvalidSymbol) {
                EXPECT_EQ(found.kind, Kind::Invalid);
            } else {
                EXPECT_EQ(found.kind, Kind::Value);
                EXPECT_EQ(found.value, bases[symbol - plainCount]);
                EXPECT_EQ(found.extraBits, extra[symbol - plainCount]);
            }
        }
    }
}

TEST(InflateCodeTable, DecodesEveryCode) {
    ExpectDecodesEveryCode(kRfcExample, kRfcExample.size(), {}, {});
    // Random complete codes of up to 15 bits over 288 symbols, some of them with meanings.
    std::mt19937 random(3);
    std::vector<std::uint16_t> bases(288);
    std::vector<std::uint8_t> extra(288);
    for (std::size_t i = 0; i < 288; ++i) {
        bases[i] = static_cast<std::uint16_t>(1000 + i);
        extra[i] = i % 7 == 6 ? kInvalidSymbol : static_cast<std::uint8_t>(i % 14);
    }
    for (int round = 0; round < 20; ++round) {
        // Split random leaves of a code tree until there are enough of them.
        std::vector<std::uint8_t> leaves = {0};
        const std::size_t count = 2 + random() % 287;
        while (leaves.size() < count) {
            const std::size_t i = random() % leaves.size();
            if (leaves[i] == 15) continue;
            ++leaves[i];
            leaves.push_back(leaves[i]);
        }
        std::shuffle(leaves.begin(), leaves.end(), random);
        std::vector<std::uint8_t> lengths(288, 0);
        std::copy(leaves.begin(), leaves.end(), lengths.begin());
        const std::size_t plainCount = random() % 289;
        ExpectDecodesEveryCode(lengths, plainCount, bases, extra);
    }
}

TEST(InflateCodeTable, CodesWithoutSymbolDecodeAsInvalid) {
    BuiltTable incomplete(BuildPlain({1, 0, 3}, 1));  // "0" and "100"; "101" and "11" have no symbol
    ASSERT_EQ(incomplete.build.result, CodeTableResult::Incomplete);
    const CodeTable& table = *incomplete.build.table;
    EXPECT_EQ(LookUpCode(table, 0b0).kind, Kind::Literal);
    EXPECT_EQ(LookUpCode(table, 0b001).length, 3);
    EXPECT_EQ(LookUpCode(table, 0b101).kind, Kind::Invalid);
    EXPECT_EQ(LookUpCode(table, 0b11).kind, Kind::Invalid);
}

}  // namespace
}  // namespace inflate_code_table_test
}  // namespace vorne
