#include "formats/n64.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "images.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace n64_test {
namespace {

using samples::Bytes;
using Field = N64Field;

// The title and the decoded columns joined by '|'; nothing past the last column.
std::string Decoded(const N64Header& reader) {
    EXPECT_FALSE(reader.ColumnText(Field::Count).has_value());
    EXPECT_FALSE(reader.ColumnText(kFirstExtraField).has_value());
    return *reader.ColumnText(Field::Title) + "|" + *reader.ColumnText(Field::Licensee) + "|" +
           *reader.ColumnText(Field::CartId) + "|" + *reader.ColumnText(Field::Country);
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

// A big-endian image as a file in byte order `order` holds it: 0 as it is (.z64), 1 with byte
// pairs exchanged (.v64), 2 with each word reversed (.n64).
Bytes Stored(Bytes image, int order) {
    for (std::size_t i = 0; i + 3 < image.size(); i += 4) {
        if (order == 1) std::swap(image[i], image[i + 1]), std::swap(image[i + 2], image[i + 3]);
        if (order == 2) std::swap(image[i], image[i + 3]), std::swap(image[i + 1], image[i + 2]);
    }
    return image;
}

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
        // The first word tells the order, and the header reads the same in each.
        {"byte pairs swapped", samples::MakeN64({.title = "ORBIT RACER", .cartId = "SM", .size = 0x1000, .byteSwapped = true}),
         "ORBIT RACER         |N|SM|E"},
        {"little-endian words", Stored(kSample, 2), "ORBIT RACER         |N|SM|E"},
        // A first word of no order: as stored.
        {"byte pairs swapped, the first word unknown", [] {
             Bytes b = Stored(kSample, 1);
             b[0] = 0;
             return b;
         }(),
         "ROIB TAREC R        ||MS|"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodedMemory(c.image), c.want) << c.what;
    const std::pair<Bytes, const char*> orders[] = {
        {kSample, "z64"}, {Stored(kSample, 1), "v64"}, {Stored(kSample, 2), "n64"}, {Bytes(0x40, 0x80), ""}};
    for (const auto& [image, name] : orders) {
        N64Header reader;
        reader.LoadMemory(image, "x");
        EXPECT_EQ(reader.ColumnText(Field::ByteOrder), name);
    }
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
        Field field;
        const char* value;
        FieldWrite result;
        std::size_t offset;
        std::string bytes;
    };
    const Case cases[] = {
        {Field::Title, "TENLETTERS", kWritten, 0x20, std::string("TENLETTERS") + std::string(10, '\0')},
        {Field::Title, "TWENTY-FIVE LETTER TITLE!", kWritten, 0x20, "TWENTY-FIVE LETTER T"},
        {Field::Licensee, "XYZ", kWritten, 0x3B, "X"},
        {Field::Licensee, "", kWritten, 0x3B, std::string(1, '\0')},
        {Field::CartId, "Q", kWritten, 0x3C, std::string("Q") + '\0'},
        {Field::CartId, "ABC", kWritten, 0x3C, "AB"},
        {Field::Country, "J", kWritten, 0x3E, "J"},  // the ID bytes beside it stay
        {Field::Country, "", kWritten, 0x3E, std::string(1, '\0')},
        {Field::Filename, "x", kUnsupported, 0, ""}, {Field::Size, "1", kUnsupported, 0, ""},
        {Field::Count, "x", kUnsupported, 0, ""},
        {Field::ExtraEnd, "x", kUnsupported, 0, ""}, {static_cast<Field>(-1), "x", kUnsupported, 0, ""},
    };
    // In each byte order the field lands where the cartridge has it once the file is read in that order.
    for (int order = 0; order < 3; ++order) {
        for (const Case& c : cases) {
            samples::WriteFile(path, Stored(kSample, order));
            N64Header reader;
            reader.LoadFile(path);
            EXPECT_EQ(reader.WriteField(c.value, c.field), c.result) << FieldNumber(c.field);
            Bytes want = kSample;
            std::copy(c.bytes.begin(), c.bytes.end(), want.begin() + c.offset);
            EXPECT_EQ(ReadWholeFile(path), Stored(want, order)) << "field " << FieldNumber(c.field) << " = " << c.value << ", order " << order;
        }
    }
}

TEST_F(N64FileTest, WrittenFieldsReadBack) {
    samples::WriteFile(path, Stored(kSample, 2));
    N64Header reader;
    reader.LoadFile(path);
    for (auto [field, value] :
         {std::pair{Field::Title, "JUNGLE JAM"}, {Field::Licensee, "C"}, {Field::CartId, "J"}, {Field::Country, "P"}}) {
        reader.WriteField(value, field);
    }
    EXPECT_EQ(Decoded(reader), "ORBIT RACER         |N|SM|E");  // the fields in memory keep what was read
    reader.LoadFile(path);
    EXPECT_EQ(Decoded(reader), "JUNGLE JAM|C|J|P");
}

TEST_F(N64FileTest, FailedWritesChangeNothing) {
    samples::WriteFile(path, kSample);
    N64Header reader;
    reader.LoadFile(path);
    std::filesystem::remove(path);
    EXPECT_THROW(reader.WriteField("X", Field::Title), FileError);
    EXPECT_FALSE(std::filesystem::exists(path));  // never created

    // A file too short for the field is refused, not grown.
    Bytes cut(kSample.begin(), kSample.begin() + 0x3E);
    samples::WriteFile(path, cut);
    reader.LoadFile(path);
    EXPECT_THROW(reader.WriteField("E", Field::Country), OperationRefused);
    EXPECT_EQ(reader.WriteField("ID", Field::CartId), FieldWrite::Written);  // the ID fits
    EXPECT_EQ(std::filesystem::file_size(path), cut.size());
}

}  // namespace
}  // namespace n64_test
}  // namespace vorne
