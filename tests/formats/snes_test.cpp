#include "formats/snes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "images.h"
#include "support/temp_dir.h"
#include "platform/file.h"
#include "platform/file_error.h"

namespace vorne {
namespace snes_test {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;
using Block = std::array<std::uint8_t, kSnesBlockSize>;
using Field = SnesField;

std::vector<std::string> Columns(const RomHeader& reader) {
    std::vector<std::string> texts = ColumnTexts(reader);
    for (int extra = kFirstExtraField; extra < FieldNumber(Field::ExtraEnd); ++extra) {
        texts.push_back(reader.ColumnText(extra).value_or("(none)"));
    }
    return texts;
}

// A block that scores 0: no evidence either way.
Block NeutralBlock() {
    Block b{};
    b[0x25] = 0x24;  // map mode with a low nibble of 4
    b[0x27] = 9;     // 4 Mbit
    b[0x4D] = 0x80;  // reset vector 0x8000
    return b;
}

TEST(SnesScore, EachRuleWeighsAsDocumented) {
    struct Case {
        const char* what;
        std::function<void(Block&)> change;
        int score;
    };
    const Case cases[] = {
        {"nothing", [](Block&) {}, 0},
        {"checksum pair adds to 0xFFFF", [](Block& b) { b[0x2C] = 0xCB; b[0x2D] = 0xED; b[0x2E] = 0x34; b[0x2F] = 0x12; }, 2},
        {"checksum pair one short", [](Block& b) { b[0x2C] = 0xCA; b[0x2D] = 0xED; b[0x2E] = 0x34; b[0x2F] = 0x12; }, 0},
        {"licensee 0x33", [](Block& b) { b[0x2A] = 0x33; }, 2},
        {"licensee 0x32", [](Block& b) { b[0x2A] = 0x32; }, 0},
        {"map mode 0x20", [](Block& b) { b[0x25] = 0x20; }, 2},
        {"map mode 0x33", [](Block& b) { b[0x25] = 0x33; }, 2},
        {"map mode 0x35", [](Block& b) { b[0x25] = 0x35; }, 0},
        {"reset vector 0x7FFF", [](Block& b) { b[0x4D] = 0x7F; }, -4},
        {"ROM size code 6", [](Block& b) { b[0x27] = 6; }, 0},
        {"ROM size code 12", [](Block& b) { b[0x27] = 12; }, 0},
        {"ROM size code 13", [](Block& b) { b[0x27] = 13; }, -1},
        {"ROM size code 5", [](Block& b) { b[0x27] = 5; }, -1},
        {"ROM size code 0", [](Block& b) { b[0x27] = 0; }, -1},
        {"ROM size code 38 (6 mod 32)", [](Block& b) { b[0x27] = 38; }, 0},
        {"ROM size code 45 (13 mod 32)", [](Block& b) { b[0x27] = 45; }, -1},
        {"maker code byte 0x80", [](Block& b) { b[0x05] = 0x80; }, -1},
        {"maker code byte 0x7F", [](Block& b) { b[0x00] = 0x7F; }, 0},
        {"two title bytes 0xB1", [](Block& b) { b[0x10] = 0xB1; b[0x24] = 0xB1; }, -1},
        {"first title byte 0xB1", [](Block& b) { b[0x10] = 0xB1; }, -1},
        {"last title byte 0xB1", [](Block& b) { b[0x24] = 0xB1; }, -1},
        {"byte before the title 0xB1", [](Block& b) { b[0x0F] = 0xB1; }, 0},
        {"byte after the title", [](Block& b) { b[0x25] = 0xA4; }, 0},
        {"everything good", [](Block& b) { b[0x2A] = 0x33; b[0x25] = 0x30; b[0x2C] = 0xFF; b[0x2D] = 0xFF; }, 6},
    };
    for (const Case& c : cases) {
        Block b = NeutralBlock();
        c.change(b);
        EXPECT_EQ(ScoreSnesHeader(b, false, 1 << 20), c.score) << c.what;
    }
}

TEST(SnesScore, LargeImagesFavourTheHiRomPlace) {
    Block b = NeutralBlock();
    EXPECT_EQ(ScoreSnesHeader(b, true, 0x300000), 0);
    EXPECT_EQ(ScoreSnesHeader(b, true, 0x300001), 4);
    EXPECT_EQ(ScoreSnesHeader(b, false, 0x400000), 0);
}

void PutBlock(Bytes& image, std::size_t at, const Block& block) { std::copy(block.begin(), block.end(), image.begin() + at); }

// A block that scores 6 at the LoROM place, titled `title`.
Block GoodBlock(const std::string& title) {
    Block b = NeutralBlock();
    b[0x25] = 0x20;
    b[0x2A] = 0x33;
    b[0x2C] = 0xFF;
    b[0x2D] = 0xFF;
    std::copy(title.begin(), title.end(), b.begin() + 0x10);
    return b;
}

TEST(SnesHeaderTest, ChoosesThePlaceAndFindsTheCopierHeader) {
    struct Case {
        const char* what;
        Bytes image;
        bool hiRom;
        std::int64_t blockOffset;
    };
    Bytes tie = samples::Filler(1 << 20, 5);
    PutBlock(tie, 0x7FB0, GoodBlock("LO"));
    PutBlock(tie, 0xFFB0, GoodBlock("HI"));
    // HiROM scores 6 - 4 = 2 at its place, +4 above 3 MB: a tie with LoROM's 6 at 4 MB only.
    auto large = [](std::size_t size) {
        Bytes image = samples::Filler(size, 6);
        Block weak = GoodBlock("HI");
        weak[0x2A] = 0;
        weak[0x25] = 0x25;
        PutBlock(image, 0x7FB0, GoodBlock("LO"));
        PutBlock(image, 0xFFB0, weak);
        return image;
    };
    const Case cases[] = {
        {"LoROM 1 MB", samples::MakeSnes({.size = 1 << 20}), false, 0x7FB0},
        {"LoROM 1 MB behind a copier header", samples::MakeSnes({.size = 1 << 20, .copierHeader = true}), false, 0x81B0},
        {"HiROM 1 MB", samples::MakeSnes({.hiRom = true, .size = 1 << 20}), true, 0xFFB0},
        {"HiROM behind a copier header", samples::MakeSnes({.hiRom = true, .size = 1 << 20, .copierHeader = true}), true, 0x101B0},
        {"equal scores", tie, true, 0xFFB0},
        {"3 MB, no bonus", large(0x300000), false, 0x7FB0},
        {"4 MB, bonus", large(0x400000), true, 0xFFB0},
    };
    for (const Case& c : cases) {
        SnesHeader reader;
        reader.LoadMemory(c.image, "x.smc");
        EXPECT_EQ(reader.IsHiRom(), c.hiRom) << c.what;
        EXPECT_EQ(reader.BlockOffset(), c.blockOffset) << c.what;
        EXPECT_EQ(reader.ColumnText(Field::HiLo), c.hiRom ? "HiRom" : "LoRom") << c.what;
    }
}

TEST(SnesHeaderTest, DecodesTheColumns) {
    struct Case {
        samples::SnesRecipe recipe;
        std::vector<std::string> columns;  // the title and the decoded columns, then the extra values
    };
    const Case cases[] = {
        {{.title = "SKY SERPENT", .mapMode = 0x30, .cartridgeType = 0, .romSizeCode = 9, .sramSizeCode = 3,
          .destination = 0, .licensee = 0x33},
         {"SKY SERPENT", "HiRom", "Fast", "4 Mbit", "64 Kbit", "ROM", "Japan", "Nintendo", "48", "0", "51"}},
        {{.title = "A", .mapMode = 0x31, .cartridgeType = 0x13, .romSizeCode = 13, .sramSizeCode = 4,
          .destination = 13, .licensee = 2},
         {"A", "HiRom", "Fast", "? Mbit", "? Kbit", "ROM/FX", "Korea", "2", "49", "19", "2"}},
        {{.title = "", .mapMode = 0x21, .cartridgeType = 6, .romSizeCode = 8, .sramSizeCode = 0,
          .destination = 14, .licensee = 0},
         {"", "HiRom", "Slow", "2 Mbit", "0 Kbit", "<unknown: 6>", "14", "<Invalid (0)>", "33", "6", "0"}},
        {{.title = "TWENTY-ONE CHARACTERS", .mapMode = 0x35, .cartridgeType = 0xF6, .romSizeCode = 12,
          .sramSizeCode = 2, .destination = 255, .licensee = 254},
         {"TWENTY-ONE CHARACTERS", "HiRom", "Fast", "32 Mbit", "32 Kbit", "ROM/DSP2", "255", "254", "53", "246", "254"}},
        {{.title = "X", .mapMode = 0x20, .cartridgeType = 0xE3, .destination = 9, .licensee = 255},
         {"X", "HiRom", "Slow", "4 Mbit", "16 Kbit", "ROM/RAM/GB", "Germany, Austria, Switzerland", "Hudson Soft",
          "32", "227", "255"}},
    };
    for (const Case& c : cases) {
        samples::SnesRecipe recipe = c.recipe;
        recipe.hiRom = true;  // ties go to HiROM, so the header place is certain
        recipe.size = 1 << 20;
        Bytes image = samples::MakeSnes(recipe);
        // Zero bytes after the title rather than the builder's blanks.
        std::fill(image.begin() + 0xFFC0 + static_cast<std::ptrdiff_t>(recipe.title.size()), image.begin() + 0xFFD5, 0);
        SnesHeader reader;
        reader.LoadMemory(image, "dir/game.sfc");
        std::vector<std::string> all = Columns(reader);
        ASSERT_EQ(all.size(), 13u);
        EXPECT_EQ(all[1], "dir/game.sfc");
        EXPECT_EQ(all[2], "1048576");
        all.erase(all.begin() + 1, all.begin() + 3);
        EXPECT_EQ(all, c.columns) << recipe.title;
    }
}

// The title is the 21 bytes from block offset 0x10: byte 20 belongs to it, byte 21 (the map mode)
// does not.
TEST(SnesHeaderTest, TitleEndsAfterItsTwentyFirstByte) {
    struct Case {
        const char* what;
        std::string titleBytes;  // from block offset 0x10; the map mode '1' (0x31) follows at 0x25
        std::string column;
    };
    const Case cases[] = {
        {"21 letters", "ABCDEFGHIJKLMNOPQRSTU", "ABCDEFGHIJKLMNOPQRSTU"},
        {"20 letters and a zero", std::string("ABCDEFGHIJKLMNOPQRST\0", 21), "ABCDEFGHIJKLMNOPQRST"},
        {"a zero first", std::string("\0BCDEFGHIJKLMNOPQRSTU", 21), ""},
    };
    for (const Case& c : cases) {
        Block block = GoodBlock(c.titleBytes);
        block[0x25] = 0x31;
        Bytes image = samples::Filler(1 << 20, 3);
        PutBlock(image, 0x7FB0, block);
        image[0xFFB0 + 0x4D] = 0x12;  // program code at the HiROM place
        SnesHeader reader;
        reader.LoadMemory(image, "x.sfc");
        ASSERT_FALSE(reader.IsHiRom()) << c.what;
        EXPECT_EQ(reader.ColumnText(Field::Title), c.column) << c.what;
    }
}

TEST(SnesHeaderTest, LicenseeTableNamesExactly154Codes) {
    SnesHeader reader;
    int named = 0;
    for (int code = 0; code < 256; ++code) {
        Bytes image = samples::MakeSnes({.hiRom = true, .size = 0x10000, .licensee = static_cast<std::uint8_t>(code)});
        reader.LoadMemory(image, "x");
        if (reader.ColumnText(Field::Licensee) != std::to_string(code)) ++named;
    }
    EXPECT_EQ(named, 154);
}

class SnesFileTest : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const Bytes& bytes) { return temp.Write(name, bytes); }
    test::TempDir temp;
};

TEST_F(SnesFileTest, WritesEachFieldIntoTheChosenBlockOnly) {
    struct FieldCase {
        Field field;
        const char* value;
        std::size_t at;
        Bytes bytes;
        Field column;
        const char* text;
    };
    const FieldCase fields[] = {
        {Field::Title, "ABCDE", 0x10, {'A', 'B', 'C', 'D', 'E', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Field::Title,
         "ABCDE"},
        {Field::Title, "A TITLE LONGER THAN 21", 0x10, {}, Field::Title, "A TITLE LONGER THAN 2"},
        {Field::Type, "259", 0x26, {3}, Field::Type, "ROM/DSP1"},
        {Field::Country, "-1", 0x29, {0xFF}, Field::Country, "255"},
        {Field::MapMode, "48", 0x25, {0x30}, Field::MapMode, "48"},
        {Field::LicenseeCode, "195", 0x2A, {0xC3}, Field::Licensee, "Square"},
    };
    const samples::SnesRecipe layouts[] = {
        {.size = 1 << 20}, {.size = 1 << 20, .copierHeader = true},
        {.hiRom = true, .size = 1 << 20}, {.hiRom = true, .size = 1 << 20, .copierHeader = true}};
    for (const samples::SnesRecipe& layout : layouts) {
        for (const FieldCase& f : fields) {
            Bytes original = samples::MakeSnes(layout);
            std::string path = Put("game.smc", original);
            SnesHeader reader;
            reader.LoadFile(path);
            std::int64_t block = reader.BlockOffset();
            ASSERT_EQ(reader.WriteField(f.value, f.field), FieldWrite::Written);

            Bytes expected = original;
            Bytes bytes = f.bytes.empty() ? Bytes(f.value, f.value + 21) : f.bytes;
            std::copy(bytes.begin(), bytes.end(), expected.begin() + block + static_cast<std::ptrdiff_t>(f.at));
            const int number = FieldNumber(f.field);
            EXPECT_EQ(ReadWholeFile(path), expected) << "field " << number << " block " << block;
            EXPECT_EQ(reader.ColumnText(f.column), f.text) << "in memory, field " << number;

            SnesHeader again;
            again.LoadFile(path);
            EXPECT_EQ(again.BlockOffset(), block);
            EXPECT_EQ(again.ColumnText(f.column), f.text) << "reloaded, field " << number << " block " << block;
        }
    }
}

TEST_F(SnesFileTest, UnsupportedFieldsWriteNothing) {
    Bytes original = samples::MakeSnes({});
    std::string path = Put("game.sfc", original);
    SnesHeader reader;
    reader.LoadFile(path);
    for (Field field : {Field::Filename, Field::Size, Field::HiLo, Field::Speed, Field::RomSize, Field::Sram,
                        Field::Licensee, Field::Count, static_cast<Field>(kFirstExtraField - 1), Field::TypeCode,
                        Field::ExtraEnd, static_cast<Field>(-1)}) {
        EXPECT_FALSE(reader.SupportsField(field)) << FieldNumber(field);
        EXPECT_EQ(reader.WriteField("7", field), FieldWrite::Unsupported) << FieldNumber(field);
    }
    EXPECT_EQ(ReadWholeFile(path), original);
}

TEST_F(SnesFileTest, RefusedWritesLeaveTheFileAlone) {
    // A file that is gone is not created again.
    std::string gone = Put("gone.sfc", samples::MakeSnes({}));
    SnesHeader reader;
    reader.LoadFile(gone);
    fs::remove(gone);
    EXPECT_THROW(reader.WriteField("X", Field::Title), FileError);
    EXPECT_FALSE(fs::exists(gone));

    // Too short for the chosen (HiROM) place: writing there would grow the file.
    Bytes tiny(300, 0x41);
    std::string small = Put("small.sfc", tiny);
    reader.LoadFile(small);
    EXPECT_TRUE(reader.IsHiRom());
    EXPECT_THROW(reader.WriteField("X", Field::Title), OperationRefused);
    EXPECT_EQ(ReadWholeFile(small), tiny);

    // The length changed since the load: the place may no longer be the right one.
    Bytes original = samples::MakeSnes({});
    std::string grown = Put("grown.sfc", original);
    reader.LoadFile(grown);
    original.resize(original.size() + 512);
    samples::WriteFile(grown, original);
    EXPECT_THROW(reader.WriteField("1", Field::Country), OperationRefused);
    EXPECT_EQ(ReadWholeFile(grown), original);
}

TEST(SnesShortFiles, ReadMissingBytesAsZero) {
    Bytes full = samples::MakeSnes({.size = 0x20000});
    Bytes copier = samples::MakeSnes({.size = 0x20000, .copierHeader = true});
    struct Case {
        const Bytes& source;
        std::size_t size;
        const char* hiLo;
        const char* title;
    };
    // Two zero blocks score -3 each (map mode 0 +2, reset vector -4, ROM size code 0 -1): HiROM.
    const Case cases[] = {
        {full, 0, "HiRom", ""},
        {full, 1, "HiRom", ""},
        {full, 0x7FB0, "HiRom", ""},
        {full, 0x7FB0 + 0x14, "HiRom", ""},
        {full, 0x7FB0 + kSnesBlockSize, "LoRom", "SAMPLE               "},
        {full, 0xFFB0 + kSnesBlockSize - 1, "LoRom", "SAMPLE               "},
        {copier, 512, "HiRom", ""},
        {copier, 0x8200, "LoRom", "SAMPLE               "},  // 32 KiB + 512: base 0x81B0
    };
    for (const Case& c : cases) {
        Bytes cut(c.source.begin(), c.source.begin() + static_cast<std::ptrdiff_t>(c.size));
        SnesHeader first;
        first.LoadMemory(cut, "short.smc");
        std::vector<std::string> columns = Columns(first);
        EXPECT_EQ(columns[3], c.hiLo) << c.size;
        EXPECT_EQ(columns[0], c.title) << c.size;
        SnesHeader second;
        second.LoadMemory(samples::MakeSnes({.hiRom = true}), "other.smc");
        second.LoadMemory(cut, "short.smc");
        EXPECT_EQ(Columns(second), columns) << c.size;
    }
}

}  // namespace
}  // namespace snes_test
}  // namespace vorne
