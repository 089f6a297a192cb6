// The decoder on hand-built streams: every error path and the edge cases of the format, each run
// through both paths, which must agree.
#include "archive/inflate.h"

#include "archive/inflate_stream_writer.h"
#include "archive/inflate_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <latch>
#include <string>
#include <thread>

namespace vorne {
namespace inflate_test {
namespace {

using test::BitWriter;
using test::PutDynamicHeader;
using test::PutFixedDistance;
using test::PutFixedSymbol;

constexpr InflateResult kOk = InflateResult::Ok;
constexpr InflateResult kBad = InflateResult::InvalidData;
constexpr InflateResult kBadSet = InflateResult::InvalidBlockTypeOrOversubscribed;

std::vector<std::uint8_t> Build(const std::function<void(BitWriter&)>& write) {
    BitWriter w;
    write(w);
    return w.Bytes();
}

BitWriter& FixedHeader(BitWriter& w, bool final = true) { return w.Put(final, 1).Put(1, 2); }

BitWriter& Stored(BitWriter& w, std::string_view bytes, bool final = true) {
    w.Put(final, 1).Put(0, 2).Align();
    w.Put(static_cast<std::uint32_t>(bytes.size()), 16).Put(static_cast<std::uint32_t>(~bytes.size()), 16);
    for (char c : bytes) w.Put(static_cast<std::uint8_t>(c), 8);
    return w;
}

// A fixed block holding one literal and then one match.
std::vector<std::uint8_t> FixedMatch(unsigned lengthSymbol, std::uint32_t lengthExtra, unsigned extraBits,
                                     unsigned distSymbol, bool literalFirst = true) {
    return Build([&](BitWriter& w) {
        FixedHeader(w);
        if (literalFirst) PutFixedSymbol(w, 'a');
        PutFixedSymbol(w, lengthSymbol);
        w.Put(lengthExtra, extraBits);
        PutFixedDistance(w, distSymbol);
        PutFixedSymbol(w, 256);
    });
}

// A dynamic block with a code-length code of its own: `precode` holds the 19 lengths in symbol
// order, `items` the (symbol, extra bits value) pairs that spell the literal/length and distance
// lengths, `body` what follows.
std::vector<std::uint8_t> DynamicWithPrecode(unsigned litlenCount, unsigned distCount,
                                             const std::array<std::uint8_t, 19>& precode,
                                             const std::vector<std::pair<unsigned, unsigned>>& items,
                                             const std::function<void(BitWriter&)>& body = {}) {
    return Build([&](BitWriter& w) {
        w.Put(1, 1).Put(2, 2).Put(litlenCount - 257, 5).Put(distCount - 1, 5).Put(19 - 4, 4);
        for (unsigned symbol : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15}) {
            w.Put(precode[symbol], 3);
        }
        const auto codes = test::CanonicalCodes(precode);
        for (auto [symbol, extra] : items) {
            w.PutCode(codes[symbol].bits, codes[symbol].length);
            if (symbol >= 16) w.Put(extra, symbol == 16 ? 2 : symbol == 17 ? 3 : 7);
        }
        if (body) body(w);
    });
}

// A dynamic block with the given lengths, whose body is `symbols` (literal/length and distance
// symbols with their extra bits, as (set, symbol, extra value, extra bits)).
struct Sym {
    bool distance;
    unsigned symbol;
    std::uint32_t extra = 0;
    unsigned extraBits = 0;
};
std::vector<std::uint8_t> Dynamic(const std::vector<std::uint8_t>& litlen, const std::vector<std::uint8_t>& dist,
                                  const std::vector<Sym>& symbols) {
    return Build([&](BitWriter& w) {
        w.Put(1, 1).Put(2, 2);
        const auto codes = PutDynamicHeader(w, litlen, dist);
        for (const Sym& s : symbols) {
            const auto& code = s.distance ? codes.dist[s.symbol] : codes.litlen[s.symbol];
            w.PutCode(code.bits, code.length).Put(s.extra, s.extraBits);
        }
    });
}

std::vector<std::uint8_t> Lengths(std::size_t count, std::initializer_list<std::pair<unsigned, std::uint8_t>> set) {
    std::vector<std::uint8_t> lengths(count, 0);
    for (auto [symbol, length] : set) lengths[symbol] = length;
    return lengths;
}

// 288 literal/length lengths, all used: 0-223 get 8 bits, 224-287 9 bits.
std::vector<std::uint8_t> FullLitlen() {
    std::vector<std::uint8_t> lengths(288, 8);
    std::fill(lengths.begin() + 224, lengths.end(), 9);
    return lengths;
}

// Literal 'a' (1 bit), end of block and length symbol 257 (2 bits each).
const std::vector<std::uint8_t> kSmallLitlen = Lengths(258, {{'a', 1}, {256, 2}, {257, 2}});

struct StreamCase {
    const char* name;
    std::vector<std::uint8_t> stream;
    InflateResult result;
    std::string output;  // when the result is Ok
};

TEST(InflateStreams, ResultsAndOutputAgreeOnBothPaths) {
    // Precode giving 0, 1, 16 and 18 two bits each.
    const std::array<std::uint8_t, 19> precode = {2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2};
    const std::vector<StreamCase> cases = {
        {"empty input", {}, kBad, ""},
        {"final stored block of length 0", Build([](BitWriter& w) { Stored(w, ""); }), kOk, ""},
        {"stored block whose complement does not match",
         Build([](BitWriter& w) { w.Put(1, 3).Align().Put(3, 16).Put(0xFFFD, 16).Put(0, 24); }), kBad, ""},
        {"stored block longer than the input", {0x01, 0x06, 0x00, 0xF9, 0xFF, 'a', 'b'}, kBad, ""},
        {"stored, then fixed", Build([](BitWriter& w) {
             Stored(w, "ab", false);
             FixedHeader(w);
             PutFixedSymbol(w, 'c');
             PutFixedSymbol(w, 256);
         }),
         kOk, "abc"},
        {"block type 3", Build([](BitWriter& w) { w.Put(1, 1).Put(3, 2); }), kBadSet, ""},
        {"distance 1, length 258", FixedMatch(285, 0, 0, 0), kOk, std::string(259, 'a')},
        {"length with extra bits", FixedMatch(265, 1, 1, 0), kOk, std::string(13, 'a')},
        {"distance before the first byte", FixedMatch(257, 0, 0, 1), kBad, ""},
        {"match as the first symbol", FixedMatch(257, 0, 0, 0, false), kBad, ""},
        {"fixed literal/length symbol 286", FixedMatch(286, 0, 0, 0), kBad, ""},
        {"fixed literal/length symbol 287", FixedMatch(287, 0, 0, 0), kBad, ""},
        {"fixed distance symbol 30", FixedMatch(257, 0, 0, 30), kBad, ""},
        {"fixed distance symbol 31", FixedMatch(257, 0, 0, 31), kBad, ""},
        // The end-of-block code ends in the last byte, lookahead reaching past the input.
        {"end of block in the last byte", Build([](BitWriter& w) {
             PutFixedSymbol(FixedHeader(w), 'a');
             PutFixedSymbol(w, 256);
         }),
         kOk, "a"},
        // Zeros past the end would read as end of block (seven 0 bits), but they are not input.
        {"end of block beyond the input", Build([](BitWriter& w) { PutFixedSymbol(FixedHeader(w), 'a'); }), kBad, ""},
        {"288 and 32 lengths", Dynamic(FullLitlen(), std::vector<std::uint8_t>(32, 5),
                                       {{false, 'x'}, {false, 257}, {true, 0}, {false, 256}}),
         kOk, "xxxx"},
        {"literal/length symbol 286 with a code", Dynamic(FullLitlen(), std::vector<std::uint8_t>(32, 5),
                                                          {{false, 'x'}, {false, 286}, {true, 0}, {false, 256}}),
         kBad, ""},
        {"distance symbol 31 with a code", Dynamic(FullLitlen(), std::vector<std::uint8_t>(32, 5),
                                                   {{false, 'x'}, {false, 257}, {true, 31}, {false, 256}}),
         kBad, ""},
        {"only distance code has length 1",
         Dynamic(kSmallLitlen, {1}, {{false, 'a'}, {false, 257}, {true, 0}, {false, 256}}), kOk, "aaaa"},
        {"the unused half of a one-code distance set", Build([](BitWriter& w) {
             w.Put(1, 1).Put(2, 2);
             auto codes = PutDynamicHeader(w, kSmallLitlen, std::vector<std::uint8_t>{1});
             w.PutCode(codes.litlen['a'].bits, 1).PutCode(codes.litlen[257].bits, 2).PutCode(1, 1);
         }),
         kBad, ""},
        {"literals only, no distance codes", Dynamic(Lengths(257, {{'a', 1}, {256, 1}}), {0},
                                                     {{false, 'a'}, {false, 'a'}, {false, 256}}),
         kOk, "aa"},
        {"length codes but no distance codes", Dynamic(kSmallLitlen, {0, 0}, {{false, 'a'}, {false, 256}}), kBad, ""},
        {"no literal/length codes", Dynamic(Lengths(257, {}), {1}, {}), kBad, ""},
        {"incomplete literal/length code", Dynamic(Lengths(257, {{'a', 1}, {256, 2}}), {1}, {{false, 256}}), kBad,
         ""},
        {"literal/length code of one 1-bit code", Dynamic(Lengths(257, {{256, 1}}), {1}, {{false, 256}}), kOk, ""},
        {"over-subscribed literal/length code", Dynamic(Lengths(257, {{'a', 1}, {'b', 1}, {256, 1}}), {1}, {}),
         kBadSet, ""},
        {"over-subscribed distance code", Dynamic(kSmallLitlen, {1, 1, 1}, {}), kBadSet, ""},
        {"empty code-length code", DynamicWithPrecode(257, 1, {}, {}), kBad, ""},
        {"incomplete code-length code", DynamicWithPrecode(257, 1, {2, 2}, {}), kBad, ""},
        {"over-subscribed code-length code", DynamicWithPrecode(257, 1, {1, 1, 1}, {}), kBadSet, ""},
        // A one-code code-length code (symbol 1 as the 0 bit) meeting its unused 1 bit.
        {"the unused half of a one-code code-length code", DynamicWithPrecode(257, 1, {0, 1}, {}, [](BitWriter& w) {
             for (int i = 0; i < 255; ++i) w.PutCode(1, 1);
             w.PutCode(0, 1).PutCode(0, 1).PutCode(1, 1).PutCode(0, 1).PutCode(1, 1);
         }),
         kBad, ""},
        // 3 zeros by repeating the initial "previous" 0, then 'a' and end of block 1 bit each.
        {"repeat as the first code-length symbol",
         DynamicWithPrecode(257, 1, precode, {{16, 0}, {18, 83}, {1, 0}, {18, 127}, {18, 9}, {1, 0}, {0, 0}},
                            [](BitWriter& w) { w.PutCode(0, 1).PutCode(1, 1); }),
         kOk, "a"},
        // As above, but the distance length comes as a repeat of three 1s where one length is left.
        {"repeat past the number of lengths",
         DynamicWithPrecode(257, 1, precode, {{16, 0}, {18, 83}, {1, 0}, {18, 127}, {18, 9}, {1, 0}, {16, 0}},
                            [](BitWriter& w) { w.PutCode(0, 1).PutCode(1, 1); }),
         kBad, ""},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.name);
        const test::WindowRun window = test::RunWindow(c.stream);
        const test::DirectRun direct = test::RunDirect(c.stream, 1000);
        const test::WindowRun from = test::RunFrom(c.stream);
        EXPECT_EQ(from.result, c.result);
        EXPECT_EQ(from.bytes, window.bytes);
        EXPECT_EQ(window.result, c.result);
        EXPECT_EQ(direct.result.result, c.result);
        EXPECT_FALSE(direct.result.outputFull);
        if (c.result == kOk) {
            EXPECT_EQ(std::string(window.bytes.begin(), window.bytes.end()), c.output);
            EXPECT_EQ(std::string(direct.bytes.begin(), direct.bytes.end()), c.output);
            EXPECT_EQ(window.calls.size(), 1u);
        } else {
            EXPECT_TRUE(window.calls.empty());
        }
    }
}

TEST(InflateStreams, SinkGetsEveryFullWindowThenTheRest) {
    const std::string window(kInflateWindowSize, 'w');
    struct Case {
        const char* name;
        std::vector<std::uint8_t> stream;
        InflateResult result;
        std::vector<std::size_t> calls;
    };
    const std::vector<Case> cases = {
        {"nothing", Build([](BitWriter& w) { Stored(w, ""); }), kOk, {0}},
        {"exactly one window", Build([&](BitWriter& w) { Stored(w, window); }), kOk, {32768, 0}},
        {"one byte more", Build([&](BitWriter& w) { Stored(Stored(w, window, false), "x"); }), kOk, {32768, 1}},
        {"a match across the window's end", Build([&](BitWriter& w) {
             Stored(w, window.substr(2), false);
             PutFixedSymbol(FixedHeader(w), 'z');
             PutFixedSymbol(w, 257);  // 3 bytes from 1 back
             PutFixedDistance(w, 0);
             PutFixedSymbol(w, 256);
         }),
         kOk, {32768, 2}},
        // Matches after the window has wrapped, then enough literals for the decoder to take its
        // fast path. The second reaches back almost a whole window, to bytes just past the first
        // match's end, which must still hold the stream's earlier output; the third starts two
        // bytes before the window's end and goes on at its beginning.
        {"a match from the far end of the window", Build([&](BitWriter& w) {
             std::string head;
             for (int i = 0; i < 32868; ++i) head += static_cast<char>('a' + i * 7 % 23);
             Stored(w, head, false);
             FixedHeader(w);
             PutFixedSymbol(w, 257);  // 3 bytes from 1 back
             PutFixedDistance(w, 0);
             PutFixedSymbol(w, 257);  // 3 bytes from 32,763 back: 8186 in the extra bits, on 24,577
             PutFixedDistance(w, 29);
             w.Put(8186, 13);
             PutFixedSymbol(w, 257);  // 3 bytes from 108 back: 11 in the extra bits, on 97
             PutFixedDistance(w, 13);
             w.Put(11, 5);
             for (int i = 0; i < 40; ++i) PutFixedSymbol(w, 'L');
             PutFixedSymbol(w, 256);
         }),
         kOk, {32768, 149}},
        {"failure after a full window", Build([&](BitWriter& w) { Stored(w, window, false).Put(1, 1).Put(3, 2); }),
         kBadSet, {32768}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::WindowRun run = test::RunWindow(c.stream);
        EXPECT_EQ(run.result, c.result);
        EXPECT_EQ(run.calls, c.calls);
        const test::DirectRun direct = test::RunDirect(c.stream, 70000);
        EXPECT_EQ(direct.result.result, c.result);
        EXPECT_TRUE(test::IsPrefix(run.bytes, direct.bytes));
    }
}

// Distance symbol and extra bits for a distance (RFC 1951, 3.2.5).
void PutDistance(BitWriter& w, unsigned distance) {
    static constexpr unsigned kBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                           33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    unsigned symbol = 29;
    while (kBase[symbol] > distance) --symbol;
    PutFixedDistance(w, symbol);
    const unsigned extraBits = symbol < 4 ? 0 : symbol / 2 - 1;
    w.Put(distance - kBase[symbol], extraBits);
}

// A match reaching back before the stream's first byte is refused on both paths, both where the
// decoder takes its fast loop (room for many more symbols in the input and the output on either
// side of the match) and where it takes its careful steps (the match among the last symbols).
TEST(InflateStreams, TooFarDistancesInEveryLoop) {
    struct Case {
        unsigned before;    // literals before the match
        unsigned distance;
        unsigned after;     // literals after it: 40 leave the fast loop room, 0 none
    };
    std::vector<Case> cases;
    for (unsigned after : {40u, 0u}) {
        for (unsigned before : {0u, 1u, 100u, 1000u}) {
            for (unsigned distance : {before, before + 1, before + 100, 32768u}) {
                if (distance != 0) cases.push_back({before, distance, after});
            }
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " literals, distance " << c.distance << ", " << c.after << " after");
        std::string expected;
        const auto stream = Build([&](BitWriter& w) {
            FixedHeader(w);
            for (unsigned i = 0; i < c.before; ++i) {
                PutFixedSymbol(w, 'a' + i % 26);
                expected += static_cast<char>('a' + i % 26);
            }
            PutFixedSymbol(w, 264);  // length 10
            PutDistance(w, c.distance);
            for (unsigned i = 0; i < 10 && c.distance <= c.before; ++i) expected += expected[expected.size() - c.distance];
            for (unsigned i = 0; i < c.after; ++i) {
                PutFixedSymbol(w, 'L');
                expected += 'L';
            }
            PutFixedSymbol(w, 256);
        });
        const InflateResult result = c.distance <= c.before ? kOk : kBad;
        const test::WindowRun window = test::RunWindow(stream);
        const test::DirectRun direct = test::RunDirect(stream, expected.size() + 1000);
        EXPECT_EQ(window.result, result);
        EXPECT_EQ(direct.result.result, result);
        EXPECT_EQ(test::RunFrom(stream).bytes, window.bytes);
        if (result == kOk) {
            EXPECT_EQ(std::string(window.bytes.begin(), window.bytes.end()), expected);
            EXPECT_EQ(std::string(direct.bytes.begin(), direct.bytes.end()), expected);
        } else {
            EXPECT_TRUE(window.calls.empty());
            EXPECT_LE(direct.result.produced, c.before);
        }
    }
}

// Decoding straight into memory that grows as the stream asks for room gives the bytes a buffer
// of the whole size gives, whatever the first size; it grows no further than it is let, and a
// stream that wants more then ends with a full output.
TEST(InflateStreams, OutputThatGrows) {
    std::string head;
    for (int i = 0; i < 40000; ++i) head += static_cast<char>('a' + i * 7 % 23);
    const auto stream = Build([&](BitWriter& w) {
        Stored(w, head.substr(0, 30000), false);
        FixedHeader(w, false);
        for (int i = 0; i < 200; ++i) {
            PutFixedSymbol(w, 285);  // 258 bytes from 1 back
            PutFixedDistance(w, 0);
            PutFixedSymbol(w, 'a' + i % 26);
        }
        PutFixedSymbol(w, 256);
        Stored(w, head.substr(30000));
    });
    const test::WindowRun reference = test::RunWindow(stream);
    ASSERT_EQ(reference.result, kOk);
    const std::size_t total = reference.bytes.size();
    struct Case {
        std::size_t start;
        std::size_t limit;
    };
    const Case cases[] = {{0, total},       {1, total},         {100, total},       {4096, total}, {total - 1, total},
                          {total, total},   {total, total + 9}, {7, total + 50000}, {0, total - 1}, {100, total / 2},
                          {total / 2, total / 2}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.start << " up to " << c.limit);
        std::vector<std::uint8_t> buffer(c.start, 0x5A);
        int refusals = 0;
        const InflateIntoResult r = InflateInto(stream, buffer, [&](std::size_t produced) {
            EXPECT_EQ(produced, buffer.size());  // asked for only when full
            if (buffer.size() >= c.limit) {
                ++refusals;
            } else {
                buffer.resize(std::min(c.limit, std::max<std::size_t>(1, buffer.size() * 2)));
            }
            return std::span<std::uint8_t>(buffer);
        });
        EXPECT_EQ(r.result, kOk);
        EXPECT_EQ(r.produced, std::min(total, c.limit));
        EXPECT_EQ(r.outputFull, c.limit < total);
        EXPECT_LE(refusals, 1);
        EXPECT_LE(buffer.size(), std::max(c.start, c.limit));
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(r.produced), reference.bytes.begin()));
    }
}

// A stream of two fixed blocks: "ab" and then "ab" repeated by a match.
std::vector<std::uint8_t> TwoFixedBlocks() {
    return Build([](BitWriter& w) {
        PutFixedSymbol(FixedHeader(w, false), 'a');
        PutFixedSymbol(w, 'b');
        PutFixedSymbol(w, 256);
        PutFixedSymbol(FixedHeader(w), 257);
        PutFixedDistance(w, 1);
        PutFixedSymbol(w, 256);
    });
}

// Decodes a fixed-code stream in two threads that start together; exits 0 if the fixed tables
// were not built before, both decodes are right and the tables were built once.
[[noreturn]] void RaceToFixedTables() {
    if (FixedCodeTableBuilds() != 0) std::exit(2);
    const auto stream = TwoFixedBlocks();
    std::latch start(2);
    bool correct[2] = {};
    auto decode = [&](int i) {
        start.arrive_and_wait();
        const auto window = test::RunWindow(stream);
        const auto direct = test::RunDirect(stream, 5);
        correct[i] = window.result == kOk && direct.result.result == kOk &&
                     std::string(window.bytes.begin(), window.bytes.end()) == "ababa" && window.bytes == direct.bytes;
    };
    std::thread a(decode, 0);
    std::thread b(decode, 1);
    a.join();
    b.join();
    std::exit(correct[0] && correct[1] && FixedCodeTableBuilds() == 1 ? 0 : 1);
}

// Runs in a child process of its own, so that the first fixed block of the run happens there.
TEST(InflateFixedTables, BuiltOnceWhenTwoThreadsRace) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RaceToFixedTables(), ::testing::ExitedWithCode(0), "");
}

TEST(InflateFixedTables, KeptForLaterStreams) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(test::RunDirect(TwoFixedBlocks(), 5).result.result, kOk);
    EXPECT_EQ(FixedCodeTableBuilds(), 1);
}

}  // namespace
}  // namespace inflate_test
}  // namespace vorne
