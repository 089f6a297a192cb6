#include "formats/genesis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "images.h"
#include "support/temp_dir.h"
#include "platform/file.h"
#include "platform/file_error.h"

namespace vorne {
namespace genesis_test {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;

constexpr std::size_t kH = 8192;
constexpr std::size_t kH32X = 0x80000;
using Field = GenesisField;

std::vector<std::string> Columns(const RomHeader& reader) {
    std::vector<std::string> texts = ColumnTexts(reader);
    texts.push_back(reader.ColumnText(FieldNumber(Field::TypeCode)).value_or("(none)"));
    return texts;
}

// The layouts a file can come in; `Make` turns a linear image into it.
struct Layout {
    const char* name;
    bool is32X;
    bool interleaved;
    bool copierHeader;
    Bytes Make(const Bytes& linear) const {
        if (!interleaved) return linear;
        return samples::Interleave(linear, is32X ? kH32X : kH, copierHeader);
    }
};

constexpr Layout kLayouts[] = {
    {"linear Genesis", false, false, false},
    {"interleaved Genesis with copier header", false, true, true},
    {"interleaved Genesis without copier header", false, true, false},
    {"linear 32X", true, false, false},
    {"interleaved 32X without copier header", true, true, false},
    {"interleaved 32X with copier header", true, true, true},
};

Bytes Linear(bool is32X) {
    return samples::MakeGenesis({.is32X = is32X, .size = is32X ? 2 * kH32X : 4 * 2 * kH, .nativeTitle = "NATIVE",
                                 .internationalTitle = "INTERNATIONAL", .typeCode = "GM", .productCode = "T-1234",
                                 .ioSupport = "J6", .countries = "JUE"});
}

TEST(GenesisHeaderTest, ClassifiesAndReadsEveryLayout) {
    for (const Layout& layout : kLayouts) {
        Bytes linear = Linear(layout.is32X);
        GenesisHeader reader;
        reader.LoadMemory(layout.Make(linear), "game.bin");
        EXPECT_EQ(reader.IsInterleaved(), layout.interleaved) << layout.name;
        EXPECT_EQ(reader.IsGenesis(), !layout.is32X) << layout.name;
        EXPECT_EQ(reader.HalfBlockSize(), layout.is32X ? 0x80000 : 8192) << layout.name;
        std::vector<std::string> columns = Columns(reader);
        std::string checksum = std::to_string(linear[0x18E] << 8 | linear[0x18F]);
        std::vector<std::string> expected{
            "INTERNATIONAL" + std::string(35, ' '), "game.bin", std::to_string(layout.Make(linear).size()),
            "T-1234    ", checksum, "Game", "J6" + std::string(14, ' '), "JUE", "NATIVE" + std::string(42, ' '), "GM"};
        EXPECT_EQ(columns, expected) << layout.name;
    }
}

TEST(GenesisHeaderTest, ClassificationQuirks) {
    // A linear Genesis image whose byte 0x82 happens to be the character 3 counts as 32X.
    Bytes linear = Linear(false);
    linear[0x82] = '3';
    GenesisHeader reader;
    reader.LoadMemory(linear, "x.bin");
    EXPECT_FALSE(reader.IsInterleaved());
    EXPECT_FALSE(reader.IsGenesis());

    // Anything but SEGA at 0x100 is interleaved, a linear image behind a copier header too.
    Bytes behindHeader(512, 0);
    Bytes plain = Linear(false);
    behindHeader.insert(behindHeader.end(), plain.begin(), plain.end());
    reader.LoadMemory(behindHeader, "x.bin");
    EXPECT_TRUE(reader.IsInterleaved());
    EXPECT_TRUE(reader.IsGenesis());
}

TEST(GenesisHeaderTest, InterleavedBytesComeFromBothHalfBlocks) {
    // 512 + 4 x 16384 bytes without SEGA at 0x100: skip 512, H = 8192.
    Bytes file = samples::Interleave(Linear(false), kH, true);
    ASSERT_EQ(file.size(), 512 + 4 * 16384u);
    file[512 + 8192 + 0xA8] = 'X';  // image byte 0x150
    file[512 + 0xA8] = 'Y';         // image byte 0x151
    GenesisHeader reader;
    reader.LoadMemory(file, "x.smd");
    EXPECT_EQ(reader.ColumnText(Field::InternationalTitle)->substr(0, 4), "XYTE");
}

TEST(GenesisHeaderTest, TypeNames) {
    struct Case {
        const char* code;
        const char* text;
    };
    for (const Case& c : {Case{"GM", "Game"}, Case{"A1", "Educational"}, Case{"AI", "<unknown: AI>"},
                          Case{"", "<unknown: >"}, Case{"G", "<unknown: G>"}}) {
        Bytes image = Linear(false);
        image[0x180] = static_cast<std::uint8_t>(c.code[0]);
        image[0x181] = c.code[0] ? static_cast<std::uint8_t>(c.code[1]) : 0;
        GenesisHeader reader;
        reader.LoadMemory(image, "x.bin");
        EXPECT_EQ(reader.ColumnText(Field::Type), c.text) << c.code;
        EXPECT_EQ(reader.ColumnText(Field::TypeCode), c.code);
    }
}

class GenesisFileTest : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const Bytes& bytes) { return temp.Write(name, bytes); }
    test::TempDir temp;
};

// Every field in every layout: the file on disk must be the layout of the linear image with the
// field's bytes put in, and a reload must show the value.
TEST_F(GenesisFileTest, WritesLandInTheFilesOwnLayout) {
    struct FieldCase {
        Field field;
        const char* value;
        std::size_t at;
        Bytes bytes;
        Field column;
        const char* text;
    };
    const FieldCase fields[] = {
        {Field::InternationalTitle, "WORLD TITLE", 0x150, {}, Field::InternationalTitle, "WORLD TITLE"},
        {Field::ProductCode, "GM 0001-00 and more", 0x182, {}, Field::ProductCode, "GM 0001-00"},
        {Field::Checksum, "35391", 0x18E, {0x8A, 0x3F}, Field::Checksum, "35391"},
        {Field::Checksum, "-2", 0x18E, {0xFF, 0xFE}, Field::Checksum, "65534"},
        {Field::IoSupport, "J6K", 0x190, {}, Field::IoSupport, "J6K"},
        {Field::Countries, "J", 0x1F0, {'J', 0, 0}, Field::Countries, "J"},
        {Field::Countries, "EUJ", 0x1F0, {'E', 'U', 'J'}, Field::Countries, "EUJ"},
        {Field::NativeTitle, "", 0x120, Bytes(48, 0), Field::NativeTitle, ""},
        {Field::TypeCode, "A1", 0x180, {'A', '1'}, Field::TypeCode, "A1"},
    };
    const std::size_t sizes[] = {48, 10, 2, 2, 16, 3, 3, 48, 2};
    for (const Layout& layout : kLayouts) {
        Bytes linear = Linear(layout.is32X);
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            const FieldCase& f = fields[i];
            std::string path = Put("game.bin", layout.Make(linear));
            GenesisHeader reader;
            reader.LoadFile(path);
            ASSERT_EQ(reader.WriteField(f.value, f.field), FieldWrite::Written);

            Bytes bytes = f.bytes;
            if (bytes.empty()) {
                bytes.assign(sizes[i], 0);
                std::string value(f.value);
                std::copy_n(value.begin(), std::min(value.size(), sizes[i]), bytes.begin());
            }
            Bytes expected = linear;
            std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<std::ptrdiff_t>(f.at));
            const int number = FieldNumber(f.field);
            EXPECT_EQ(ReadWholeFile(path), layout.Make(expected)) << layout.name << ", field " << number;
            EXPECT_EQ(reader.ColumnText(f.column), f.text) << layout.name << ", in memory, field " << number;

            GenesisHeader again;
            again.LoadFile(path);
            EXPECT_EQ(again.ColumnText(f.column), f.text) << layout.name << ", reloaded, field " << number;
            EXPECT_EQ(again.IsInterleaved(), layout.interleaved);
        }
    }
}

TEST_F(GenesisFileTest, ChecksumBytesInTheInterleavedFile) {
    std::string path = Put("game.smd", samples::Interleave(Linear(false), kH, true));
    GenesisHeader reader;
    reader.LoadFile(path);
    ASSERT_EQ(reader.WriteField("35391", Field::Checksum), FieldWrite::Written);
    Bytes file = ReadWholeFile(path);
    EXPECT_EQ(file[512 + kH + 0xC7], 0x8A);  // image byte 0x18E, second half-block
    EXPECT_EQ(file[512 + 0xC7], 0x3F);       // image byte 0x18F, first half-block
}

TEST_F(GenesisFileTest, RefusedWritesLeaveTheFileAlone) {
    GenesisHeader reader;
    std::string path = Put("game.bin", Linear(false));
    reader.LoadFile(path);
    for (Field field : {Field::Filename, Field::Size, Field::Type, Field::Count, Field::ExtraEnd, static_cast<Field>(-1)}) {
        EXPECT_EQ(reader.WriteField("x", field), FieldWrite::Unsupported) << FieldNumber(field);
    }
    EXPECT_EQ(ReadWholeFile(path), Linear(false));

    fs::remove(path);
    EXPECT_THROW(reader.WriteField("X", Field::InternationalTitle), FileError);
    EXPECT_FALSE(fs::exists(path));

    // Interleaved and short of its second half-block: the even bytes have nowhere to go.
    Bytes interleaved = samples::Interleave(Linear(false), kH, false);
    Bytes cut(interleaved.begin(), interleaved.begin() + 4000);
    std::string shortPath = Put("short.smd", cut);
    reader.LoadFile(shortPath);
    EXPECT_THROW(reader.WriteField("J", Field::Countries), OperationRefused);
    EXPECT_EQ(ReadWholeFile(shortPath), cut);

    // A copier header added since the load moves every byte: the loaded layout no longer holds.
    std::string grownPath = Put("grown.smd", interleaved);
    reader.LoadFile(grownPath);
    Bytes grown = samples::Interleave(Linear(false), kH, true);
    samples::WriteFile(grownPath, grown);
    EXPECT_THROW(reader.WriteField("J", Field::Countries), OperationRefused);
    EXPECT_EQ(ReadWholeFile(grownPath), grown);
}

TEST(GenesisShortFiles, ReadMissingBytesAsZero) {
    Bytes linear = Linear(false);
    Bytes interleaved = samples::Interleave(linear, kH, true);
    struct Case {
        const Bytes& source;
        std::size_t size;
        const char* title;
    };
    const Case cases[] = {
        {linear, 0, ""},
        {linear, 1, ""},
        {linear, 0x104, ""},
        {linear, 0x158, "INTERNAT"},  // linear: SEGA is there, the title is cut
        {linear, 1023, "INTERNATIONAL" "                                   "},
        {interleaved, 600, ""},  // shorter than 16384: all of it is copier header
        {interleaved, 512 + kH + 100, ""},
        {interleaved, 16384 + 512, "INTERNATIONAL" "                                   "},
    };
    for (const Case& c : cases) {
        Bytes cut(c.source.begin(), c.source.begin() + static_cast<std::ptrdiff_t>(c.size));
        GenesisHeader first;
        first.LoadMemory(cut, "short.bin");
        std::vector<std::string> columns = Columns(first);
        EXPECT_EQ(columns[0], c.title) << c.size;
        GenesisHeader second;
        second.LoadMemory(linear, "other.bin");
        second.LoadMemory(cut, "short.bin");
        EXPECT_EQ(Columns(second), columns) << c.size;
    }
}

}  // namespace
}  // namespace genesis_test
}  // namespace vorne
