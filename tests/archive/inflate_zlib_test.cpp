// The decoder against zlib as an oracle: data of several kinds compressed raw at every level and
// with every strategy, decoded by both paths; and every prefix of a few streams.
#include "archive/inflate.h"

#include "archive/inflate_test_support.h"
#include "support/zlib_deflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace vorne {
namespace inflate_zlib_test {
namespace {

std::vector<std::uint8_t> Deflate(std::span<const std::uint8_t> data, int level, int strategy) {
    return test::ZlibDeflateRaw(data, level, strategy, 9);
}

struct Sample {
    std::string name;
    std::vector<std::uint8_t> data;
};

std::vector<Sample> Samples() {
    std::mt19937 random(1951);
    auto bytes = [&](std::size_t n, auto next) {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v) b = static_cast<std::uint8_t>(next());
        return v;
    };
    std::vector<Sample> samples;
    samples.push_back({"empty", {}});
    samples.push_back({"one byte", {'x'}});
    samples.push_back({"random", bytes(70000, [&] { return random(); })});
    // Skewed bytes give long codes (sub-tables) for the rare ones.
    std::geometric_distribution<int> geometric(0.08);
    samples.push_back({"skewed", bytes(200000, [&] { return geometric(random); })});
    const char* words[] = {"the ", "cartridge ", "header ", "of ", "a ", "zip ", "member ", "checksum ",
                           "and ", "rom ", "image\n", "bank ", "mapper ", "sprite ", "tile ", "sound "};
    std::string text;
    while (text.size() < 300000) text += words[random() % 16];
    samples.push_back({"text", {text.begin(), text.end()}});
    // Runs, repeated short patterns, copies from far back, random stretches.
    std::vector<std::uint8_t> rom;
    while (rom.size() < 250000) {
        const unsigned kind = random() % 4;
        const std::size_t n = 1 + random() % 3000;
        for (std::size_t i = 0; i < n; ++i) {
            if (kind == 0) rom.push_back(static_cast<std::uint8_t>(n));
            else if (kind == 1) rom.push_back(static_cast<std::uint8_t>(i % (2 + n % 7)));
            else if (kind == 2 && rom.size() > 40000) rom.push_back(rom[rom.size() - 32768 + (n % 300)]);
            else rom.push_back(static_cast<std::uint8_t>(random()));
        }
    }
    samples.push_back({"rom-like", rom});
    samples.push_back({"one window", std::vector<std::uint8_t>(text.begin(), text.begin() + 32768)});
    return samples;
}

TEST(InflateZlib, BothPathsMatchZlibAtEveryLevelAndStrategy) {
    struct Setting {
        int level;
        int strategy;
    };
    std::vector<Setting> settings;
    for (int level = 0; level <= 9; ++level) settings.push_back({level, Z_DEFAULT_STRATEGY});
    for (int strategy : {Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) settings.push_back({6, strategy});
    for (const Sample& sample : Samples()) {
        for (const Setting& setting : settings) {
            SCOPED_TRACE(sample.name + " level " + std::to_string(setting.level) + " strategy " +
                         std::to_string(setting.strategy));
            const auto stream = Deflate(sample.data, setting.level, setting.strategy);
            const auto window = test::RunWindow(stream);
            ASSERT_EQ(window.result, InflateResult::Ok);
            ASSERT_TRUE(window.bytes == sample.data);
            ASSERT_EQ(window.calls.size(), sample.data.size() / kInflateWindowSize + 1);
            // A larger window, its input given in pieces.
            const auto from = test::RunFrom(stream, 1000, 4 * kInflateWindowSize);
            ASSERT_EQ(from.result, InflateResult::Ok);
            ASSERT_TRUE(from.bytes == sample.data);
            ASSERT_EQ(from.calls.size(), sample.data.size() / (4 * kInflateWindowSize) + 1);

            const std::size_t n = sample.data.size();
            const auto exact = test::RunDirect(stream, n);
            ASSERT_EQ(exact.result.result, InflateResult::Ok);
            ASSERT_FALSE(exact.result.outputFull);
            ASSERT_TRUE(exact.bytes == sample.data);

            const auto roomy = test::RunDirect(stream, n + 1);
            ASSERT_EQ(roomy.result.produced, n);
            ASSERT_FALSE(roomy.result.outputFull);
            if (n == 0) continue;
            const auto tight = test::RunDirect(stream, n - 1);
            ASSERT_EQ(tight.result.result, InflateResult::Ok);
            ASSERT_TRUE(tight.result.outputFull);
            ASSERT_TRUE(test::IsPrefix(tight.bytes, sample.data) && tight.bytes.size() == n - 1);
        }
    }
}

// A truncated stream must fail without reading past its end, having produced only bytes of the
// real output.
TEST(InflateZlib, EveryPrefixFailsCleanly) {
    const auto samples = Samples();
    const std::vector<std::uint8_t> text(samples[4].data.begin(), samples[4].data.begin() + 6000);
    const std::vector<std::uint8_t> rom(samples[5].data.begin(), samples[5].data.begin() + 6000);
    for (const auto& [data, level, strategy] :
         {std::tuple{text, 0, Z_DEFAULT_STRATEGY}, std::tuple{text, 6, Z_FIXED}, std::tuple{text, 9, Z_DEFAULT_STRATEGY},
          std::tuple{rom, 6, Z_DEFAULT_STRATEGY}, std::tuple{rom, 1, Z_HUFFMAN_ONLY}}) {
        const auto stream = Deflate(data, level, strategy);
        for (std::size_t cut = 0; cut < stream.size(); ++cut) {
            SCOPED_TRACE("level " + std::to_string(level) + " cut at " + std::to_string(cut));
            const std::span<const std::uint8_t> prefix(stream.data(), cut);
            const auto window = test::RunWindow(prefix);
            const auto direct = test::RunDirect(prefix, data.size());
            ASSERT_EQ(test::RunFrom(prefix).result, window.result);
            ASSERT_NE(window.result, InflateResult::Ok);
            ASSERT_EQ(direct.result.result, window.result);
            ASSERT_TRUE(test::IsPrefix(window.bytes, data));
            ASSERT_TRUE(test::IsPrefix(direct.bytes, data));
        }
    }
}

}  // namespace
}  // namespace inflate_zlib_test
}  // namespace vorne
