#include "formats/nes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/chunked_read.h"
#include "base/crc32.h"
#include "catalogue/known_dumps.h"
#include "images.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace nes_test {
namespace {

using samples::Bytes;
using Field = NesField;

constexpr std::size_t At(Field field) { return static_cast<std::size_t>(field); }
constexpr auto kColumns = At(Field::Count);

Bytes Header(std::uint8_t b4, std::uint8_t b5, std::uint8_t b6, std::array<std::uint8_t, 9> rest, std::size_t data) {
    Bytes image(16 + data, 0x5A);
    const std::uint8_t start[] = {'N', 'E', 'S', 0x1A, b4, b5, b6};
    std::copy(std::begin(start), std::end(start), image.begin());
    std::copy(rest.begin(), rest.end(), image.begin() + 7);
    return image;
}

NesHeader Loaded(const Bytes& image) {
    NesHeader reader;
    reader.LoadMemory(image, "game.nes");
    return reader;
}

TEST(NesHeader, DecodesTheHeaderColumns) {
    struct Case {
        const char* what;
        Bytes image;
        std::vector<std::string> columns3to11;  // Mapper ... Reserved
    };
    const Case cases[] = {
        {"byte 7 gives the high nibble", Header(2, 1, 0x12, {0x40, 'X', 'Y', 0, 'Z'}, 40960),
         {"65", "32k", "8k", "Horizontal", "Yes", "No", "No", "", "@XY"}},
        {"a signature over bytes 7 to 15", Header(8, 16, 0x41, {'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'}, 262144),
         {"4", "128k", "128k", "Vertical", "No", "No", "No", "", "DiskDude!"}},
        {"trainer and four-screen", Header(1, 0, 0x0C, {}, 16384 + 512),
         {"0", "16k", "0k", "Horizontal", "No", "Yes", "Yes", "", ""}},
        {"sizes multiply", Header(8, 0, 0x00, {}, 131072), {"0", "128k", "0k", "Horizontal", "No", "No", "No", "", ""}},
        // NES 2.0: mapper bits 8 to 11 from byte 8; 0x12C is 300.
        {"NES 2.0 mapper", Header(2, 1, 0xC1, {0x28, 0x01}, 40960),
         {"300", "32k", "8k", "Vertical", "No", "No", "No", "", std::string("(\x01", 2)}},
        // The same mark with sizes that do not fit the file is a signature, not NES 2.0.
        // (PRG bits 8 to 11 of 1 make 4 MiB of PRG.)
        {"NES 2.0 mark, sizes too big", Header(2, 1, 0xC1, {0x28, 0x01, 0x01}, 40960),
         {"12", "32k", "8k", "Vertical", "No", "No", "No", "", std::string("(\x01\x01", 3)}},
        {"NES 2.0 exponent form", Header(0x39, 0, 0x01, {0x18, 0x00, 0x0F}, 49152),  // 2^14 * 3 bytes of PRG
         {"16", "912k", "0k", "Vertical", "No", "No", "No", "", "\x18"}},
    };
    for (const Case& c : cases) {
        NesHeader reader = Loaded(c.image);
        auto cells = ColumnTexts(reader);
        ASSERT_EQ(cells.size(), kColumns) << c.what;
        EXPECT_EQ(std::vector<std::string>(cells.begin() + At(Field::Mapper), cells.begin() + At(Field::ArtificialTitle)),
                  c.columns3to11)
            << c.what;
        EXPECT_EQ(cells[At(Field::Filename)], "game.nes");
        EXPECT_EQ(cells[At(Field::Size)], std::to_string(c.image.size()));
    }
    EXPECT_TRUE(Loaded(cases[4].image).IsNes2());
    EXPECT_FALSE(Loaded(cases[5].image).IsNes2());
    EXPECT_TRUE(Loaded(cases[6].image).IsNes2());
}

TEST(NesHeader, TrailerAndCrcRange) {
    Bytes image = samples::MakeNes({.prgBanks = 8, .chrBanks = 1, .seed = 5});  // 16 + 131072 + 8192
    std::span<const std::uint8_t> data(image.data() + 16, 139264);
    char expected[9];
    std::snprintf(expected, sizeof expected, "%08x", Crc32(data));

    NesHeader plain = Loaded(image);
    EXPECT_EQ(plain.TrailerLength(), 0);
    EXPECT_EQ(plain.ColumnText(Field::Crc), expected);
    EXPECT_EQ(plain.ColumnText(Field::InternalTitle), "");

    Bytes titled = image;
    std::string title = "Twenty bytes of text";
    titled.insert(titled.end(), title.begin(), title.end());
    NesHeader withTitle = Loaded(titled);
    EXPECT_EQ(withTitle.TrailerLength(), 20);
    EXPECT_EQ(withTitle.ColumnText(Field::InternalTitle), title);
    EXPECT_EQ(withTitle.ColumnText(Field::Crc), expected);

    // Length mod 512 below 16: no trailer, the CRC covers everything after the header.
    Bytes odd = image;
    odd.resize(odd.size() - 3);
    NesHeader oddReader = Loaded(odd);
    std::snprintf(expected, sizeof expected, "%08x", Crc32(std::span<const std::uint8_t>(odd).subspan(16)));
    EXPECT_EQ(oddReader.ColumnText(Field::Crc), expected);
    EXPECT_EQ(oddReader.ColumnText(Field::InternalTitle), "");
}

// The size test of NES 2.0 counts the trainer (bit 2 of byte 6) and nothing else: the
// four-screen bit (bit 3) adds no bytes. Each image declares 16 KiB of PRG and 8 KiB of CHR.
TEST(NesHeader, Nes2DetectionCountsTheTrainerInTheSize) {
    constexpr std::size_t kRom = 16384 + 8192;
    struct Case {
        const char* what;
        std::uint8_t flags6;
        std::size_t data;  // bytes behind the header
        bool nes2;
    };
    const Case cases[] = {
        {"plain, exactly fitting", 0x00, kRom, true},
        {"plain, one byte short", 0x00, kRom - 1, false},
        {"trainer, exactly fitting", 0x04, 512 + kRom, true},
        {"trainer, one byte short", 0x04, 512 + kRom - 1, false},
        {"trainer, room for the ROM only", 0x04, kRom, false},
        {"four-screen, exactly fitting", 0x08, kRom, true},
        {"four-screen, one byte short", 0x08, kRom - 1, false},
        {"trainer and four-screen, exactly fitting", 0x0C, 512 + kRom, true},
        {"trainer and four-screen, one byte short", 0x0C, 512 + kRom - 1, false},
    };
    for (const Case& c : cases) {
        // Byte 7 carries the NES 2.0 mark and mapper bits 4 to 7; byte 8 mapper bits 8 to 11.
        Bytes image = Header(1, 1, static_cast<std::uint8_t>(0x30 | c.flags6), {0x28, 0x01}, c.data);
        EXPECT_EQ(IsNes2Header(std::span<const std::uint8_t, 16>(image.data(), 16), static_cast<std::int64_t>(image.size())),
                  c.nes2) << c.what;
        NesHeader reader = Loaded(image);
        EXPECT_EQ(reader.IsNes2(), c.nes2) << c.what;
        // 0x123 from bytes 6 to 8 as NES 2.0; as iNES the low nibble of byte 7 voids its high one.
        EXPECT_EQ(reader.ColumnText(Field::Mapper), c.nes2 ? "291" : "3") << c.what;
    }
}

// Images larger than one read chunk are read a chunk at a time; the header, the CRC range and
// the trailer must come out as from the same bytes held in memory in one piece.
TEST(NesHeader, ImagesLargerThanAReadChunk) {
    constexpr std::size_t kChunk = kReadChunkSize;
    struct Case {
        const char* what;
        std::size_t size;
        std::size_t trailer;  // bytes the CRC leaves out at the end
    };
    const Case cases[] = {
        {"a whole chunk, no room for a trailer", kChunk, 0},
        {"one chunk and a header", kChunk + 16, 0},
        {"a title behind the second chunk's start", kChunk + 16 + 20, 20},
        {"length mod 512 below 16", kChunk + 5, 0},
        {"the longest trailer, two chunks on", 2 * kChunk + 16 + 495, 495},
        {"a title just inside one chunk", kChunk - 512 + 16 + 100, 100},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        Bytes image = samples::Filler(c.size, static_cast<std::uint32_t>(c.size));
        const std::uint8_t header[] = {'N', 'E', 'S', 0x1A, 8, 2, 0x13, 0x40, 0, 0, 0, 0, 0, 0, 0, 0};
        std::copy(std::begin(header), std::end(header), image.begin());
        for (std::size_t i = c.size - c.trailer; i < c.size; ++i) image[i] = static_cast<std::uint8_t>('a' + i % 26);
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", Crc32Bytewise(std::span(image).subspan(16, c.size - 16 - c.trailer)));
        std::string title(image.end() - static_cast<std::ptrdiff_t>(c.trailer),
                          image.end() - static_cast<std::ptrdiff_t>(c.trailer - std::min<std::size_t>(c.trailer, 128)));

        NesHeader fromFile;
        fromFile.LoadFile(dir.Write("big.nes", image));
        auto cells = ColumnTexts(fromFile);
        ASSERT_EQ(cells.size(), kColumns) << c.what;
        EXPECT_EQ(cells[At(Field::Crc)], crc) << c.what;
        EXPECT_EQ(cells[At(Field::Mapper)], "65") << c.what;
        EXPECT_EQ(cells[At(Field::Mirroring)], "Vertical") << c.what;
        EXPECT_EQ(cells[At(Field::InternalTitle)], title) << c.what;
        EXPECT_EQ(cells[At(Field::Reserved)], "@") << c.what;
        auto inMemory = ColumnTexts(Loaded(image));
        inMemory[At(Field::Filename)] = cells[At(Field::Filename)];
        EXPECT_EQ(cells, inMemory) << c.what;
    }
}

TEST(NesHeader, ShortAndEmptyFilesGiveStableColumns) {
    for (std::size_t size : {0u, 1u, 5u, 15u, 16u, 17u, 100u, 527u}) {
        Bytes image = Header(1, 1, 0xFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 600);
        image.resize(size);
        auto first = ColumnTexts(Loaded(image));
        auto second = ColumnTexts(Loaded(image));
        EXPECT_EQ(first, second) << size;
        ASSERT_EQ(first.size(), 13u);
        if (size <= 16) {
            EXPECT_EQ(first[0], "00000000") << size;
        }
    }
}

TEST(NesHeader, LooksUpTheKnownName) {
    Bytes image = samples::MakeNes({.seed = 9});
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", Crc32(std::span<const std::uint8_t>(image).subspan(16)));
    auto list = std::make_shared<KnownDumpList>(std::string("; list\r\n") + crc + "\t\tMade Up (U)\r\n");
    NesHeader reader(list);
    reader.LoadMemory(image, "a.nes");
    EXPECT_EQ(reader.ColumnText(Field::ArtificialTitle), "Made Up (U)");
    NesHeader without;
    without.LoadMemory(image, "a.nes");
    EXPECT_EQ(without.ColumnText(Field::ArtificialTitle), "");
}

struct NesFile {
    test::TempDir dir;
    std::string path;
    NesHeader reader;

    explicit NesFile(const Bytes& image) : path(dir.Write("game.nes", image)) { reader.LoadFile(path); }
    Bytes Bytes_() const { return test::ReadFile(path); }
};

TEST(NesHeader, WritesHeaderFields) {
    struct Case {
        const char* what;
        std::array<std::uint8_t, 3> before;  // bytes 6, 7, 8
        Field field;
        std::string value;
        std::array<std::uint8_t, 3> after;
    };
    const Case cases[] = {
        {"mapper 66", {0x01, 0x0F, 0x00}, Field::Mapper, "66", {0x21, 0x40, 0x00}},
        {"mapper cut to 8 bits", {0x00, 0x00, 0x00}, Field::Mapper, "300", {0xC0, 0x20, 0x00}},
        {"NES 2.0 mapper keeps the mark", {0x01, 0x08, 0xF0}, Field::Mapper, "1234", {0x21, 0xD8, 0xF4}},
        {"vertical on", {0x00, 0, 0}, Field::Mirroring, "1", {0x01, 0, 0}},
        {"vertical already on", {0x01, 0, 0}, Field::Mirroring, "1", {0x01, 0, 0}},
        {"SRAM off", {0x02, 0, 0}, Field::Sram, "0", {0x00, 0, 0}},
        {"trainer: any other number flips", {0x04, 0, 0}, Field::Trainer, "2", {0x00, 0, 0}},
        {"four-screen on", {0x00, 0, 0}, Field::FourScreen, "1", {0x08, 0, 0}},
        {"first reserved byte", {0x00, 0x00, 0}, Field::FirstReservedByte, "D", {0x00, 'D', 0}},
        {"first reserved byte cleared", {0x00, 'D', 0}, Field::FirstReservedByte, "", {0x00, 0, 0}},
    };
    for (const Case& c : cases) {
        Bytes image = Header(2, 1, c.before[0], {c.before[1], c.before[2]}, 40960);
        NesFile f(image);
        EXPECT_EQ(f.reader.WriteField(c.value, c.field), FieldWrite::Written) << c.what;
        Bytes written = f.Bytes_();
        EXPECT_EQ((std::array<std::uint8_t, 3>{written[6], written[7], written[8]}), c.after) << c.what;
        EXPECT_EQ(written.size(), image.size());
        EXPECT_TRUE(std::equal(written.begin() + 9, written.end(), image.begin() + 9)) << c.what;
    }
}

TEST(NesHeader, WritesTheReservedRemainderAndRefusesOtherFields) {
    Bytes image = Header(2, 1, 0, {0, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, 40960);
    NesFile f(image);
    EXPECT_EQ(f.reader.WriteField("XY", Field::Reserved), FieldWrite::Written);
    Bytes written = f.Bytes_();
    EXPECT_EQ(Bytes(written.begin() + 8, written.begin() + 16), (Bytes{'X', 'Y', 0, 0, 0, 0, 0, 0}));
    for (Field field : {Field::Crc, Field::Filename, Field::Size, Field::PrgRom, Field::ChrRom, Field::ArtificialTitle,
                        Field::Count, Field::ExtraEnd}) {
        EXPECT_EQ(f.reader.WriteField("7", field), FieldWrite::Unsupported) << FieldNumber(field);
        EXPECT_FALSE(f.reader.SupportsField(field)) << FieldNumber(field);
    }
    EXPECT_EQ(f.Bytes_(), written);
}

TEST(NesHeader, TitleTrailerWrites) {
    Bytes image = samples::MakeNes({.prgBanks = 2, .chrBanks = 1});  // 16 + 32768 + 8192: no trailer
    struct Case {
        const char* what;
        std::size_t trailer;  // bytes behind the image before the write
        std::string value;
        std::size_t sizeAfter;
    };
    const Case cases[] = {
        {"appends 128 bytes", 0, "Demo", image.size() + 128},
        {"empty title, no trailer: unchanged", 0, "", image.size()},
        {"empty title cuts the trailer", 128, "", image.size()},
        {"20-byte trailer becomes 128", 20, "New", image.size() + 128},
        {"200-byte trailer keeps its length", 200, "New", image.size() + 200},
    };
    for (const Case& c : cases) {
        Bytes before = image;
        for (std::size_t i = 0; i < c.trailer; ++i) before.push_back(static_cast<std::uint8_t>('a' + i % 26));
        NesFile f(before);
        f.reader.WriteField(c.value, Field::InternalTitle);
        Bytes after = f.Bytes_();
        EXPECT_EQ(after.size(), c.sizeAfter) << c.what;
        EXPECT_TRUE(std::equal(image.begin(), image.end(), after.begin())) << c.what;
        NesHeader reloaded;
        reloaded.LoadFile(f.path);
        if (!c.value.empty()) {
            EXPECT_EQ(reloaded.ColumnText(Field::InternalTitle), c.value) << c.what;
            Bytes title(after.begin() + static_cast<std::ptrdiff_t>(image.size()),
                        after.begin() + static_cast<std::ptrdiff_t>(image.size() + 128));
            Bytes expected(128, 0);
            std::copy(c.value.begin(), c.value.end(), expected.begin());
            EXPECT_EQ(title, expected) << c.what;
        }
        EXPECT_EQ(reloaded.ColumnText(Field::Crc), Loaded(image).ColumnText(Field::Crc)) << c.what;
    }
}

TEST(NesHeader, RemoveTrainer) {
    Bytes image = samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04, .seed = 4});  // 16 + 512 + 16384
    NesFile f(image);
    ::chmod(f.path.c_str(), 0640);
    f.reader.RemoveTrainer();
    Bytes after = f.Bytes_();
    ASSERT_EQ(after.size(), 16u + 16384u);
    Bytes expected(image.begin(), image.begin() + 16);
    expected[6] = 0x00;
    expected.insert(expected.end(), image.begin() + 528, image.end());
    EXPECT_EQ(after, expected);
    EXPECT_EQ(f.reader.ColumnText(Field::Trainer), "No");
    EXPECT_EQ(f.reader.Length(), 16 + 16384);
    struct stat st;
    ASSERT_EQ(::stat(f.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(NesHeader, RemoveTrainerRefusesWhatHasNone) {
    Bytes n64 = samples::MakeN64({.size = 0x1000});
    n64[6] |= 0x04;
    Bytes text(2000, 'x');
    std::copy_n("Dear diary", 10, text.begin());  // byte 6 is 'd', whose bit 2 is set
    Bytes almost = samples::MakeNes({.flags6 = 0x04});
    almost[3] = 0x1B;
    struct Case {
        const char* what;
        Bytes image;
        const char* reason;
    };
    const Case cases[] = {
        {"no trainer flag", samples::MakeNes({.flags6 = 0x00}), "has no trainer"},
        {"too short for a trainer", Header(1, 0, 0x04, {}, 100), "too short"},
        {"an N64 image", n64, "not an iNES image"},
        {"a text file", text, "not an iNES image"},
        {"NES without 0x1A", almost, "not an iNES image"},
        {"an empty file", {}, "not an iNES image"},
    };
    for (const Case& c : cases) {
        NesFile f(c.image);
        try {
            f.reader.RemoveTrainer();
            ADD_FAILURE() << c.what << ": cut";
        } catch (const OperationRefused& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << c.what << ": " << e.what();
        }
        EXPECT_EQ(f.Bytes_(), c.image) << c.what;
        EXPECT_EQ(test::ListFolder(f.dir.Path()), std::vector<std::string>{"game.nes"}) << c.what;
    }
}

// A title is read back from behind a 16-byte header and whole 512-byte units. A file whose
// length has less than 16 bytes over such units has no place for one: a title appended there
// would read back shifted, so it is refused.
TEST(NesHeader, TitleWritesAroundTheTrailerBoundary) {
    const Bytes image = samples::MakeNes({.prgBanks = 1, .chrBanks = 0});  // 16 + 16384
    struct Case {
        std::int64_t overUnits;  // length mod 512
        bool written;
        std::int64_t lengthAfter;
    };
    const Case cases[] = {
        {0, false, 0},  {1, false, 0},  {15, false, 0},  // no place
        {16, true, 144}, {17, true, 144}, {143, true, 144}, {144, true, 144}, {200, true, 200},
    };
    for (const Case& c : cases) {
        Bytes file(image.begin(), image.begin() + 16 + 16384 - 512);  // whole units end at 16 + 15872
        file.resize(file.size() - 16 + static_cast<std::size_t>(c.overUnits), 'z');
        NesFile f(file);
        if (!c.written) {
            EXPECT_THROW(f.reader.WriteField("Title", Field::InternalTitle), OperationRefused) << c.overUnits;
            EXPECT_EQ(f.Bytes_(), file) << c.overUnits;
            continue;
        }
        EXPECT_EQ(f.reader.WriteField("Title", Field::InternalTitle), FieldWrite::Written) << c.overUnits;
        Bytes after = f.Bytes_();
        std::size_t units = file.size() - static_cast<std::size_t>(c.overUnits);
        EXPECT_EQ(after.size(), units + static_cast<std::size_t>(c.lengthAfter)) << c.overUnits;
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(units) + 16, after.begin()));
        NesHeader reloaded;
        reloaded.LoadFile(f.path);
        EXPECT_EQ(reloaded.ColumnText(Field::InternalTitle), "Title") << c.overUnits;
        EXPECT_EQ(reloaded.ColumnText(Field::Crc), NesHeader(f.reader).ColumnText(Field::Crc)) << "the CRC covers the same data";
        // The reader that wrote it describes the file as it is now: a second write finds the trailer.
        EXPECT_EQ(f.reader.WriteField("", Field::InternalTitle), FieldWrite::Written);
        EXPECT_EQ(f.Bytes_(), Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(units) + 16)) << c.overUnits;
    }
}

TEST(NesHeader, FailedRewriteLeavesTheFileWhole) {
    Bytes image = samples::MakeNes({.flags6 = 0x04});
    NesFile f(image);
    {
        // Files may not grow beyond 4 KiB for a moment: writing the new file fails even as root.
        test::FileSizeLimit limit(4096);
        EXPECT_THROW(f.reader.RemoveTrainer(), FileError);
    }
    EXPECT_EQ(f.Bytes_(), image);
    EXPECT_EQ(test::ListFolder(f.dir.Path()), std::vector<std::string>{"game.nes"});  // no temporary file left
}

TEST(NesHeader, WritingAVanishedFileIsAFileError) {
    NesFile f(samples::MakeNes({}));
    std::remove(f.path.c_str());
    EXPECT_THROW(f.reader.WriteField("1", Field::Mirroring), FileError);
    EXPECT_THROW(f.reader.WriteField("x", Field::InternalTitle), FileError);
    EXPECT_THROW(NesHeader().LoadFile(f.path), FileError);
}

}  // namespace
}  // namespace nes_test
}  // namespace vorne
