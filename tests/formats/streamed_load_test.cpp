// Readers loaded from a stream, which can be read only once and front to back, as an archive
// member is while it is inflated.
#include <gtest/gtest.h>

#include "base/rom_header.h"
#include "formats/reader_factory.h"
#include "images.h"

namespace vorne {
namespace streamed_load_test {
namespace {

using samples::Bytes;

// Whatever size the pieces come in, a streamed reader shows what it shows of the same bytes in
// memory, running the stream once: a part it reads that it did not say it keeps would throw.
TEST(StreamedLoad, ShowsWhatTheSameBytesShowInMemory) {
    struct Case {
        const char* what;
        RomType type;
        Bytes bytes;
    };
    const Bytes genesis32X = samples::MakeGenesis({.is32X = true, .size = 2u << 20, .internationalTitle = "WIDE"});
    const Case cases[] = {
        {"NES with a title behind", RomType::Nes, samples::MakeNes({.trailer = std::string(128, 'T')})},
        {"SNES HiROM behind a copier header", RomType::Snes,
         samples::MakeSnes({.hiRom = true, .size = 1u << 20, .title = "HIGH", .copierHeader = true})},
        {"SNES shorter than its header", RomType::Snes, samples::Filler(1000, 1)},
        {"Game Boy behind a copier header", RomType::Gameboy, samples::MakeGameboy({.title = "BEHIND", .copierHeader = true})},
        {"interleaved 32X behind a copier header", RomType::Genesis, samples::Interleave(genesis32X, 0x80000, true)},
        {"interleaved Genesis", RomType::Genesis, samples::Interleave(samples::MakeGenesis({}), 8192, false)},
        {"N64", RomType::N64, samples::MakeN64({.title = "STREAMED"})},
        {"tagged MP3", RomType::Mp3, samples::MakeMp3({.title = "Streamed"})},
        {"empty", RomType::Mp3, {}},
    };
    for (const Case& c : cases) {
        auto memory = CreateReader(c.type, nullptr);
        memory->LoadMemory(c.bytes, "x");
        for (std::size_t piece : {7u, 65536u}) {
            int runs = 0;
            const ByteStream stream = [&](const ChunkVisitor& visit) {
                ++runs;
                for (std::size_t at = 0; at < c.bytes.size(); at += piece) {
                    visit(static_cast<std::int64_t>(at), std::span(c.bytes).subspan(at, std::min(piece, c.bytes.size() - at)));
                }
            };
            auto streamed = CreateReader(c.type, nullptr);
            streamed->LoadStream(static_cast<std::int64_t>(c.bytes.size()), "x", stream);
            EXPECT_EQ(ColumnTexts(*streamed), ColumnTexts(*memory)) << c.what << ", pieces of " << piece;
            EXPECT_EQ(runs, 1) << c.what;
        }
    }
}

}  // namespace
}  // namespace streamed_load_test
}  // namespace vorne
