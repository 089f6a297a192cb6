#include "formats/n64.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "images.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace {

using samples::Bytes;

// Columns 0 and 3 to 5 joined by '|'; nothing past column 5.
std::string Decoded(const N64Header& reader) {
    EXPECT_FALSE(reader.ColumnText(6).has_value());
    EXPECT_FALSE(reader.ColumnText(100).has_value());
    return *reader.ColumnText(0) + "|" + *reader.ColumnText(3) + "|" + *reader.ColumnText(4) + "|" + *reader.ColumnText(5);
}

std::string DecodedMemory(const Bytes& bytes) {
    // An exactly sized heap copy, so a read past the end is caught by the sanitizer build.
    auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    N64Header reader;
    reader.LoadMemory({copy.get(), bytes.size()}, "x.rom");
    return Decoded(reader);
}

const Bytes kSample = samples::MakeN64({.title = "ORBIT RACER", .manufacturer = 'N', .cartId = "SM", .country = 'E', .size = 0x1000});

TEST(N64Header, DecodesColumns) {
    Bytes unterminated = kSample;
    std::string title = "TWENTY LETTERS TITLE";
    std::copy(title.begin(), title.end(), unterminated.begin() + 0x20);
    Bytes noId = kSample;
    noId[0x3C] = 0;
    struct Case {
        const char* what;
        Bytes image;
        std::string want;
    };
    const Case cases[] = {
        {"as stored", kSample, "ORBIT RACER         |N|SM|E"},
        {"20 letters, no terminator", unterminated, "TWENTY LETTERS TITLE|N|SM|E"},
        {"an ID that starts with a zero byte", noId, "ORBIT RACER         |N||E"},
        // Swapped byte pairs are shown as stored: no repair.
        {"byte pairs swapped", samples::MakeN64({.title = "ORBIT RACER", .cartId = "SM", .size = 0x1000, .byteSwapped = true}),
         "ROIB TAREC R        ||MS|"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodedMemory(c.image), c.want) << c.what;
}

TEST(N64Header, ShortFilesReadAsZeroPadded) {
    struct Case {
        std::size_t size;
        const char* want;
    };
    const Case cases[] = {
        {0, "|||"}, {0x20, "|||"}, {0x2A, "ORBIT RACE|||"}, {0x3B, "ORBIT RACER         |||"},
        {0x3C, "ORBIT RACER         |N||"}, {0x3D, "ORBIT RACER         |N|S|"}, {0x3E, "ORBIT RACER         |N|SM|"},
        {0x3F, "ORBIT RACER         |N|SM|E"},
    };
    N64Header reused;
    for (const Case& c : cases) {
        Bytes cut(kSample.begin(), kSample.begin() + c.size);
        EXPECT_EQ(DecodedMemory(cut), c.want) << c.size;
        reused.LoadMemory(kSample, "full.rom");
        reused.LoadMemory(cut, "cut.rom");
        EXPECT_EQ(Decoded(reused), c.want) << c.size;
    }
}

class N64FileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir / "game.rom";
};

TEST_F(N64FileTest, WriteFieldBytes) {
    constexpr FieldWrite kWritten = FieldWrite::Written;
    constexpr FieldWrite kUnsupported = FieldWrite::Unsupported;
    struct Case {
        int field;
        const char* value;
        FieldWrite result;
        std::size_t offset;
        std::string bytes;
    };
    const Case cases[] = {
        {0, "TENLETTERS", kWritten, 0x20, std::string("TENLETTERS") + std::string(10, '\0')},
        {0, "TWENTY-FIVE LETTER TITLE!", kWritten, 0x20, "TWENTY-FIVE LETTER T"},
        {3, "XYZ", kWritten, 0x3B, "X"},
        {3, "", kWritten, 0x3B, std::string(1, '\0')},
        {4, "Q", kWritten, 0x3C, std::string("Q") + '\0'},
        {4, "ABC", kWritten, 0x3C, "AB"},
        {5, "J", kWritten, 0x3E, "J"},  // the ID bytes beside it stay
        {5, "", kWritten, 0x3E, std::string(1, '\0')},
        {1, "x", kUnsupported, 0, ""}, {2, "1", kUnsupported, 0, ""}, {6, "x", kUnsupported, 0, ""},
        {100, "x", kUnsupported, 0, ""}, {-1, "x", kUnsupported, 0, ""},
    };
    for (const Case& c : cases) {
        samples::WriteFile(path, kSample);
        N64Header reader;
        reader.LoadFile(path);
        EXPECT_EQ(reader.WriteField(c.value, c.field), c.result) << c.field;
        Bytes want = kSample;
        std::copy(c.bytes.begin(), c.bytes.end(), want.begin() + c.offset);
        EXPECT_EQ(ReadWholeFile(path), want) << "field " << c.field << " = " << c.value;
    }
}

TEST_F(N64FileTest, WrittenFieldsReadBack) {
    samples::WriteFile(path, kSample);
    N64Header reader;
    reader.LoadFile(path);
    for (auto [field, value] : {std::pair{0, "JUNGLE JAM"}, {3, "C"}, {4, "J"}, {5, "P"}}) reader.WriteField(value, field);
    EXPECT_EQ(Decoded(reader), "ORBIT RACER         |N|SM|E");  // the fields in memory keep what was read
    reader.LoadFile(path);
    EXPECT_EQ(Decoded(reader), "JUNGLE JAM|C|J|P");
}

TEST_F(N64FileTest, FailedWritesChangeNothing) {
    samples::WriteFile(path, kSample);
    N64Header reader;
    reader.LoadFile(path);
    std::filesystem::remove(path);
    EXPECT_THROW(reader.WriteField("X", 0), FileError);
    EXPECT_FALSE(std::filesystem::exists(path));  // never created

    // A file too short for the field is refused, not grown.
    Bytes cut(kSample.begin(), kSample.begin() + 0x3E);
    samples::WriteFile(path, cut);
    reader.LoadFile(path);
    EXPECT_THROW(reader.WriteField("E", 5), OperationRefused);
    EXPECT_EQ(reader.WriteField("ID", 4), FieldWrite::Written);  // the ID fits
    EXPECT_EQ(std::filesystem::file_size(path), cut.size());
}

}  // namespace
}  // namespace vorne
