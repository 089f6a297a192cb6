#include "formats/gameboy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "base/chunked_read.h"
#include "images.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace gameboy_test {
namespace {

using samples::Bytes;
using Pokes = std::vector<std::pair<std::size_t, std::string>>;
using Field = GameboyField;

Bytes Image(std::size_t size, const Pokes& pokes, std::size_t base = 0) {
    Bytes image(size);
    for (const auto& [offset, text] : pokes) std::copy(text.begin(), text.end(), image.begin() + base + offset);
    return image;
}

// The title and the decoded columns, then the dialog value TypeCode, joined by '|'.
std::string Decoded(const GameboyHeader& reader) {
    std::string out = *reader.ColumnText(Field::Title);
    for (int i = kFirstDecodedColumn; i < FieldNumber(Field::Count); ++i) out += "|" + *reader.ColumnText(i);
    return out + "|" + *reader.ColumnText(Field::TypeCode);
}

std::string DecodedMemory(const Bytes& bytes) {
    // An exactly sized heap copy, so a read past the end is caught by the sanitizer build.
    auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    GameboyHeader reader;
    reader.LoadMemory({copy.get(), bytes.size()}, "x.gb");
    return Decoded(reader);
}

class GameboyTest : public ::testing::Test {
protected:
    std::string Put(const Bytes& bytes) { return dir.Write("game.gb", bytes); }
    test::TempDir dir;
};

TEST(GameboyHeader, DecodesColumns) {
    struct Case {
        const char* what;
        Pokes pokes;
        std::string want;
    };
    const Case cases[] = {
        {"plain 32 KiB image", {{0x134, "TETRIX"}, {0x147, "\x01"}, {0x14A, "\x01"}, {0x14B, "\x01"}, {0x14E, "\x12\x34"}},
         "TETRIX|32k|0k|4660|1|No|Other|ROM+MBC1|1"},
        {"codes the tables lack", {{0x147, "\x04"}, {0x148, "\x07"}, {0x149, "\x05"}}, "|<7>k|<5>k|0|0|No|Japan|<unknown: 4>|4"},
        {"large sizes", {{0x147, "\x13"}, {0x148, "\x35"}, {0x149, "\x03"}}, "|1280k|16k|0|0|No|Japan|ROM+MBC3+RAM+BATT|19"},
        {"new licensee 01", {{0x144, "01"}, {0x14B, "\x33"}}, "|32k|0k|0|1|Yes|Japan|ROM|0"},
        {"new licensee 13 as hex digits", {{0x144, "13"}, {0x14B, "\x33"}}, "|32k|0k|0|19|Yes|Japan|ROM|0"},
        {"a letter gives its low bits", {{0x144, "A4"}, {0x14B, "\x33"}}, "|32k|0k|0|20|Yes|Japan|ROM|0"},
        {"16-letter title without terminator", {{0x134, "ABCDEFGHIJKLMNOPQR"}, {0x147, "\xFF"}, {0x14E, "\xFF\xFF"}},
         "ABCDEFGHIJKLMNOP|32k|0k|65535|0|No|Japan|ROM+HuC1+RAM+BATT|255"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodedMemory(Image(0x8000, c.pokes)), c.want) << c.what;
}

TEST(GameboyHeader, CopierHeaderTest) {
    struct Case {
        std::size_t size;
        Pokes pokes;
        bool copier;
        const char* title;
    };
    const Case cases[] = {
        {0x8200, {{0x200 + 0x134, "COPIED"}}, true, "COPIED"},               // blank at 0x134: base 512
        {0x8200, {{0x134, "PLAIN"}, {0x200 + 0x134, "COPIED"}}, false, "PLAIN"},  // a title at 0x134: base 0
        {0x8201, {{0x200 + 0x134, "COPIED"}}, false, ""},                     // length not 512 past 8 KiB units
        {0x200, {}, true, ""},                                                // only a copier header
    };
    for (const Case& c : cases) {
        GameboyHeader reader;
        Bytes image = Image(c.size, c.pokes);
        reader.LoadMemory(image, "x.gb");
        EXPECT_EQ(reader.HasCopierHeader(), c.copier) << c.size << " " << c.title;
        EXPECT_EQ(*reader.ColumnText(Field::Title), c.title);
    }
}

// A file shorter than its header reads like the same bytes padded with zeros, the same on every
// load, whatever the reader held before.
TEST(GameboyHeader, ShortFilesReadAsZeroPadded) {
    Bytes full = Image(0x8000, {{0x134, "SHORTY"}, {0x144, "01"}, {0x147, "\x03"}, {0x148, "\x02"}, {0x149, "\x02"},
                                {0x14A, "\x01"}, {0x14B, "\x33"}, {0x14E, "\xAB\xCD"}});
    for (std::size_t size : {0u, 1u, 0x134u, 0x13Au, 0x145u, 0x14Bu, 0x14Fu, 0x150u}) {
        Bytes cut(full.begin(), full.begin() + size);
        Bytes padded = cut;
        padded.resize(0x150);
        std::string want = DecodedMemory(padded);
        EXPECT_EQ(DecodedMemory(cut), want) << size;
        GameboyHeader reused;
        reused.LoadMemory(full, "full.gb");
        reused.LoadMemory(cut, "cut.gb");
        EXPECT_EQ(Decoded(reused), want) << size;
        EXPECT_EQ(*reused.ColumnText(Field::Size), std::to_string(size));
    }
    EXPECT_EQ(DecodedMemory({}), "|32k|0k|0|0|No|Japan|ROM|0");
}

TEST_F(GameboyTest, CalculateChecksum) {
    struct Case {
        const char* what;
        Bytes image;
        std::uint16_t want;
    };
    Bytes copier = Image(0x2200, {{0x200 + 0x14E, "\xAB\xCD"}});
    std::fill(copier.begin(), copier.begin() + 0x134, 0xFF);  // copier header bytes are left out
    std::fill(copier.begin() + 0x144, copier.begin() + 0x200, 0xFF);
    Bytes gnome = samples::MakeGameboy({.title = "GNOME", .romSizeCode = 1, .seed = 5});
    Bytes gnomeCopier = samples::MakeGameboy({.title = "GNOME", .romSizeCode = 1, .copierHeader = true, .seed = 5});
    // Images larger than a read chunk are summed a chunk at a time, from the base on.
    Bytes large = samples::Filler(kReadChunkSize + 0x2000, 7);
    Bytes largeCopier = samples::Filler(2 * kReadChunkSize + 0x2000 + 512, 8);
    std::fill(largeCopier.begin() + 0x134, largeCopier.begin() + 0x144, 0);
    auto sumFrom = [](const Bytes& image, std::size_t base) {
        std::uint16_t sum = 0;
        for (std::size_t i = base; i < image.size(); ++i) {
            if (i != base + 0x14E && i != base + 0x14F) sum = static_cast<std::uint16_t>(sum + image[i]);
        }
        return sum;
    };
    const Case cases[] = {
        {"all zero but the stored checksum", Image(0x8000, {{0x14E, "\xAB\xCD"}}), 0},
        {"all zero behind a copier header", copier, 0},
        {"as the builder stored it", gnome, static_cast<std::uint16_t>(gnome[0x14E] << 8 | gnome[0x14F])},
        {"the same behind a copier header", gnomeCopier, static_cast<std::uint16_t>(gnome[0x14E] << 8 | gnome[0x14F])},
        {"modulo 65536", Bytes(0x10000, 0xFF), 65026},  // 65534 * 255 mod 65536
        // Short files: the bytes that are there, less the stored checksum bytes among them.
        {"empty", Bytes(), 0},
        {"10 bytes", Bytes(10, 1), 10},
        {"up to 0x14D", Bytes(0x14E, 1), 0x14E},
        {"one checksum byte", Bytes(0x14F, 1), 0x14E},
        {"one byte past", Bytes(0x151, 1), 0x14F},
        {"larger than a read chunk", large, sumFrom(large, 0)},
        {"two chunks behind a copier header", largeCopier, sumFrom(largeCopier, 512)},
    };
    for (const Case& c : cases) {
        GameboyHeader reader;
        reader.LoadFile(Put(c.image));
        EXPECT_EQ(reader.CalculateChecksum(), c.want) << c.what;
    }
}

// What each write puts on disk, byte for byte, with and without a copier header.
TEST_F(GameboyTest, WriteFieldBytes) {
    struct Case {
        Field field;
        const char* value;
        std::size_t offset;
        std::string bytes;
    };
    const Case cases[] = {
        {Field::Title, "ABCDE", 0x134, std::string("ABCDE") + std::string(11, '\0')},
        {Field::Title, "ABCDEFGHIJKLMNOPQR", 0x134, "ABCDEFGHIJKLMNOP"},
        {Field::Checksum, "4660", 0x14E, "\x12\x34"},
        {Field::Checksum, "-1", 0x14E, "\xFF\xFF"},
        {Field::Checksum, " +258x", 0x14E, "\x01\x02"},
        {Field::Licensee, "51", 0x14B, "\x33"},
        {Field::SuperGameboy, "0", 0x14B, std::string(1, '\0')},  // any value but "1" stores the code
        {Field::SuperGameboy, " 7", 0x14B, "\x07"},
        {Field::Country, "257", 0x14A, "\x01"},
        {Field::Type, "5", 0x147, "\x05"},
        {Field::Type, "abc", 0x147, std::string(1, '\0')},
    };
    for (bool copier : {false, true}) {
        const Bytes original = samples::MakeGameboy({.oldLicensee = 1, .copierHeader = copier});
        const std::size_t base = copier ? 512 : 0;
        for (const Case& c : cases) {
            std::string path = Put(original);
            GameboyHeader reader;
            reader.LoadFile(path);
            ASSERT_EQ(reader.WriteField(c.value, c.field), FieldWrite::Written);
            Bytes want = original;
            std::copy(c.bytes.begin(), c.bytes.end(), want.begin() + base + c.offset);
            EXPECT_EQ(ReadWholeFile(path), want) << "field " << FieldNumber(c.field) << " = " << c.value << " copier " << copier;
        }
    }
}

TEST_F(GameboyTest, WritesThatLeaveTheFileAlone) {
    struct Case {
        int field;
        const char* value;
        std::uint8_t oldLicensee;
        FieldWrite result;
    };
    constexpr FieldWrite kUnsupported = FieldWrite::Unsupported;
    constexpr FieldWrite kNothing = FieldWrite::NothingToWrite;
    auto number = [](Field field) { return FieldNumber(field); };
    const Case cases[] = {
        {number(Field::Filename), "x", 1, kUnsupported}, {number(Field::Size), "1", 1, kUnsupported},
        {number(Field::RomSize), "1", 1, kUnsupported}, {number(Field::Sram), "1", 1, kUnsupported},
        {number(Field::Count), "1", 1, kUnsupported}, {number(Field::TypeCode), "1", 1, kUnsupported},
        {-1, "1", 1, kUnsupported},
        {number(Field::Licensee), "7", 0x33, kNothing},  // the code lives in the two new-licensee characters: not written
        {number(Field::SuperGameboy), "1", 0x33, kNothing},  // the mark stays, and with it the characters
        {number(Field::SuperGameboy), "1", 0x01, kNothing},  // the mark cannot be set
    };
    for (const Case& c : cases) {
        const Bytes original = samples::MakeGameboy({.oldLicensee = c.oldLicensee});
        std::string path = Put(original);
        GameboyHeader reader;
        reader.LoadFile(path);
        EXPECT_EQ(reader.WriteField(c.value, c.field), c.result) << c.field;
        EXPECT_EQ(ReadWholeFile(path), original) << c.field;
    }
}

TEST_F(GameboyTest, WrittenFieldsReadBack) {
    std::string path = Put(samples::MakeGameboy({.title = "OLD", .destination = 1, .copierHeader = true}));
    GameboyHeader reader;
    reader.LoadFile(path);
    for (auto [field, value] : {std::pair{Field::Title, "NEW TITLE"}, {Field::Checksum, "777"}, {Field::Licensee, "9"},
                                {Field::Country, "0"}, {Field::Type, "3"}}) {
        reader.WriteField(value, field);
    }
    reader.LoadFile(path);
    EXPECT_TRUE(reader.HasCopierHeader());
    EXPECT_EQ(Decoded(reader), "NEW TITLE|32k|0k|777|9|No|Japan|ROM+MBC1+RAM+BATT|3");
}

TEST_F(GameboyTest, FailedWritesChangeNothing) {
    std::string path = Put(samples::MakeGameboy({}));
    GameboyHeader reader;
    reader.LoadFile(path);
    std::filesystem::remove(path);
    EXPECT_THROW(reader.WriteField("X", Field::Title), FileError);
    EXPECT_THROW(reader.CalculateChecksum(), FileError);
    EXPECT_FALSE(std::filesystem::exists(path));  // never created

    // A file too short for the field is refused, not grown.
    const Bytes shortImage(0x148, 7);
    path = Put(shortImage);
    reader.LoadFile(path);
    EXPECT_THROW(reader.WriteField("4660", Field::Checksum), OperationRefused);
    EXPECT_EQ(reader.WriteField("TITLE", Field::Title), FieldWrite::Written);  // the title fits
    EXPECT_EQ(std::filesystem::file_size(path), shortImage.size());
}

}  // namespace
}  // namespace gameboy_test
}  // namespace vorne
