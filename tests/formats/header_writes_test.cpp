// What every kind's writes share: they land inside the file, never grow it (but for the tag or
// title a kind adds by design, which is added whole or not at all), are all checked before the
// first is written, and cut the end of a file off in place.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>
#include <optional>

#include "base/rom_header.h"
#include "formats/gameboy.h"
#include "formats/genesis.h"
#include "formats/mp3.h"
#include "formats/n64.h"
#include "formats/nes.h"
#include "formats/reader_factory.h"
#include "formats/snes.h"
#include "images.h"
#include "platform/file_error.h"
#include "support/as_user.h"
#include "support/temp_dir.h"

namespace vorne {
namespace header_writes_test {
namespace {

using samples::Bytes;

// The lengths below every kind's header, and a few of them just short of one.
constexpr std::int64_t kShortLengths[] = {0, 1, 15, 16, 17, 0x3E, 0x14F, 0x1F2};
constexpr int kLastField = kFirstExtraField + 30;  // past every kind's extra values

// The length a write of `field` may give a file of `length` bytes (without a tag of its own)
// by design, or nullopt when the field's writes keep the length.
template <typename Reader>
std::optional<std::int64_t> GrownLength(int, std::int64_t) {
    return std::nullopt;
}
template <>
std::optional<std::int64_t> GrownLength<Mp3Tag>(int, std::int64_t length) {
    return length + static_cast<std::int64_t>(kId3v1Size);  // a new tag behind the audio
}
template <>
std::optional<std::int64_t> GrownLength<NesHeader>(int field, std::int64_t length) {
    if (field != FieldNumber(NesField::InternalTitle)) return std::nullopt;
    // The title trailer behind a 16-byte header and whole 512-byte units becomes 128 bytes long.
    std::int64_t trailer = length % 512 - 16;
    return length - trailer + std::max<std::int64_t>(trailer, 128);
}

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 1);
    return bytes;
}

template <typename Reader>
class ShortFileWrites : public ::testing::Test {};
using Readers = ::testing::Types<GameboyHeader, NesHeader, SnesHeader, N64Header, GenesisHeader, Mp3Tag>;
TYPED_TEST_SUITE(ShortFileWrites, Readers);

TYPED_TEST(ShortFileWrites, NeverGrowAFile) {
    test::TempDir dir;
    const std::string path = dir / "short";
    for (std::int64_t length : kShortLengths) {
        const Bytes before = Pattern(static_cast<std::size_t>(length));
        for (int field = -1; field <= kLastField; ++field) {
            if (!TypeParam().SupportsField(field)) continue;
            for (std::string value : {"1", "TEXT OF A FIELD"}) {
                samples::WriteFile(path, before);
                TypeParam reader;
                reader.LoadFile(path);
                bool refused = false;
                try {
                    reader.WriteField(value, field);
                } catch (const OperationRefused&) {
                    refused = true;
                }
                const Bytes after = test::ReadFile(path);
                const auto size = static_cast<std::int64_t>(after.size());
                const auto grown = GrownLength<TypeParam>(field, length);
                if (grown) {
                    EXPECT_TRUE(size == length || size == *grown) << "grew to " << size;
                } else {
                    EXPECT_EQ(size, length);
                }
                if (refused) {
                    EXPECT_EQ(after, before);
                }
                if (this->HasFailure()) {
                    FAIL() << "length " << length << ", field " << field << " = " << value;
                }
            }
        }
    }
}

// Several fields are one edit: when one of them cannot be written, none is; and a write of one
// field checks all its pieces (the two half-blocks of an interleaved file) before the first
// byte. Each refusal gives its own reason.
TEST(WriteFields, CheckEveryFieldBeforeWritingAny) {
    Bytes genesis = Pattern(0x1A0);  // the product code (0x182) fits, the countries (0x1F0) do not
    std::copy_n("SEGA MEGA DRIVE", 15, genesis.begin() + 0x100);
    Bytes nes = samples::MakeNes({.prgBanks = 2, .chrBanks = 0});
    nes.resize(nes.size() + 10 - 16);  // length mod 512 is 10: no place for a title
    // An interleaved 32X file of one copier unit: the odd bytes of the header are there, the
    // even ones (half a MiB on) are not.
    Bytes short32X = samples::Interleave(samples::MakeGenesis({.is32X = true, .size = 0x100000}), 0x80000, true);
    short32X.resize(16384 + 512);
    const std::string pastTheEnd = "the header lies past the end of the file";
    struct Case {
        const char* what;
        RomType type;
        Bytes file;
        std::vector<FieldEdit> edits;
        std::string reason;
        bool alone = true;  // the last edit by itself is refused too
    };
    const Case cases[] = {
        {"Game Boy: the checksum lies past the end", RomType::Gameboy, Bytes(0x14C, 1),
         {{GameboyField::Title, "NEW"}, {GameboyField::Checksum, 1}}, pastTheEnd},
        {"N64: the country lies past the end", RomType::N64, Bytes(0x3E, 1),
         {{N64Field::Title, "T"}, {N64Field::CartId, "ID"}, {N64Field::Country, "E"}}, pastTheEnd},
        {"Genesis: the countries lie past the end", RomType::Genesis, genesis,
         {{GenesisField::ProductCode, "CODE"}, {GenesisField::Countries, "J"}}, pastTheEnd},
        {"32X interleaved, short of its second half-block", RomType::Genesis32X, short32X,
         {{GenesisField::InternationalTitle, "TITLE"}}, pastTheEnd},
        {"NES: no place for a title", RomType::Nes, nes,
         {{NesField::Mapper, 66}, {NesField::Mirroring, true}, {NesField::InternalTitle, "Title"}},
         "its length leaves no place for a title"},
        {"NES: an empty file", RomType::Nes, {}, {{NesField::Mirroring, true}}, pastTheEnd},
        {"NES: a field the kind lacks", RomType::Nes, Bytes(100, 1), {{NesField::Mirroring, true}, {NesField::PrgRom, 2}},
         "cannot be written for this kind", false},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string path = dir.Write("rom", c.file);
        auto reader = CreateReader(c.type, nullptr);
        const auto refusal = [&](const std::function<void()>& write) {
            try {
                write();
            } catch (const OperationRefused& e) {
                return std::string(e.what());
            }
            return std::string("no refusal");
        };
        reader->LoadFile(path);
        EXPECT_NE(refusal([&] { reader->WriteFields(c.edits); }).find(c.reason), std::string::npos) << c.what;
        EXPECT_EQ(test::ReadFile(path), c.file) << c.what;
        if (!c.alone) continue;
        reader->LoadFile(path);
        const FieldEdit& last = c.edits.back();
        EXPECT_NE(refusal([&] { reader->WriteValue(last.value, last.field); }).find(c.reason), std::string::npos) << c.what;
        EXPECT_EQ(test::ReadFile(path), c.file) << c.what;
    }
}

TEST(WriteFields, WritesEveryFieldInOrderAndSaysWhatEachDid) {
    test::TempDir dir;
    std::string path = dir.Write("game.gb", samples::MakeGameboy({.oldLicensee = 0x33, .newLicensee = "01"}));
    GameboyHeader reader;
    reader.LoadFile(path);
    // While the new licensee code applies a licensee is not stored; clearing the Super GB mark
    // then stores 0 as the old code, which the second licensee then replaces.
    std::vector<FieldEdit> edits{{GameboyField::Licensee, 5}, {GameboyField::Title, "ORDER"},
                                 {GameboyField::SuperGameboy, false}, {GameboyField::Licensee, 9}};
    EXPECT_EQ(reader.WriteFields(edits), (std::vector<FieldWrite>{FieldWrite::NothingToWrite, FieldWrite::Written,
                                                                   FieldWrite::Written, FieldWrite::Written}));
    reader.LoadFile(path);
    EXPECT_EQ(reader.ColumnText(GameboyField::Title), "ORDER");
    EXPECT_EQ(reader.ColumnText(GameboyField::Licensee), "9");
    EXPECT_EQ(reader.ColumnText(GameboyField::SuperGameboy), "No");
}

// A typed value writes what its text writes by the text rules; a value of another type than the
// field's is refused before anything is written.
TEST(WriteValue, TypedValuesWriteWhatTheirTextsWrite) {
    struct Case {
        RomType type;
        Bytes file;
        int field;
        const char* text;
        FieldValue value;
    };
    const Bytes gameboy = samples::MakeGameboy({.oldLicensee = 0x33, .newLicensee = "01"});
    const Bytes nes = samples::MakeNes({.flags6 = 0x05});
    const auto number = [](auto field) { return FieldNumber(field); };
    const Case cases[] = {
        {RomType::Gameboy, gameboy, number(GameboyField::Title), "NEW", "NEW"},
        {RomType::Gameboy, gameboy, number(GameboyField::Checksum), " -2x", -2},
        {RomType::Gameboy, gameboy, number(GameboyField::SuperGameboy), "1", true},
        {RomType::Gameboy, gameboy, number(GameboyField::SuperGameboy), "0", false},
        {RomType::Gameboy, gameboy, number(GameboyField::SuperGameboy), "07", 7},  // a number clears the mark
        {RomType::Nes, nes, number(NesField::Mapper), "66", 66},
        {RomType::Nes, nes, number(NesField::Trainer), "0", false},
        {RomType::Nes, nes, number(NesField::Sram), "1", true},
        {RomType::Nes, nes, number(NesField::Mirroring), "2", 2},  // any other number flips the bit
        {RomType::Snes, samples::MakeSnes({}), number(SnesField::MapMode), "x", 0},
        {RomType::Genesis, samples::MakeGenesis({}), number(GenesisField::Checksum), "65537", 65537},
        {RomType::Mp3, samples::MakeMp3({.frames = 2}), number(Mp3Field::Genre), "17", 17},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string byText = dir.Write("text", c.file);
        const std::string byValue = dir.Write("value", c.file);
        auto reader = CreateReader(c.type, nullptr);
        reader->LoadFile(byText);
        const FieldWrite textDone = reader->WriteField(c.text, c.field);
        reader->LoadFile(byValue);
        EXPECT_EQ(reader->WriteValue(c.value, c.field), textDone) << c.field << " = " << c.text;
        EXPECT_EQ(test::ReadFile(byValue), test::ReadFile(byText)) << c.field << " = " << c.text;
    }

    const struct {
        RomType type;
        Bytes file;
        std::vector<FieldEdit> edits;
    } wrong[] = {
        {RomType::Gameboy, gameboy, {{GameboyField::Title, "OK"}, {GameboyField::Checksum, "12"}}},
        {RomType::Nes, nes, {{NesField::Sram, "1"}}},
        {RomType::Nes, nes, {{NesField::InternalTitle, 5}}},
        {RomType::Mp3, samples::MakeMp3({.frames = 2}), {{Mp3Field::Genre, true}}},
    };
    for (const auto& w : wrong) {
        test::TempDir dir;
        const std::string path = dir.Write("file", w.file);
        auto reader = CreateReader(w.type, nullptr);
        reader->LoadFile(path);
        EXPECT_THROW(reader->WriteFields(w.edits), std::invalid_argument);
        EXPECT_THROW(reader->WriteValue(w.edits.back().value, w.edits.back().field), std::invalid_argument);
        EXPECT_EQ(test::ReadFile(path), w.file);
    }
}

// Cutting the end off a file (an MP3's tag, an NES title) is done in place: the file keeps its
// hard links, its mode and its extended attributes, and stays the same file.
TEST(CutsInPlace, KeepEverythingButTheBytesCut) {
    struct Case {
        const char* what;
        Bytes file;
        std::function<void(const std::string& path)> cut;
        std::size_t cutBytes;
    };
    Bytes titled = samples::MakeNes({.trailer = "A title of our own"});
    const Case cases[] = {
        {"MP3 tag deletion", samples::MakeMp3({.frames = 3, .title = "Song"}),
         [](const std::string& path) {
             Mp3Tag reader;
             reader.LoadFile(path);
             EXPECT_TRUE(reader.DeleteTag());
         },
         kId3v1Size},
        {"NES title removal", titled,
         [](const std::string& path) {
             NesHeader reader;
             reader.LoadFile(path);
             EXPECT_EQ(reader.WriteField("", NesField::InternalTitle), FieldWrite::Written);
             EXPECT_EQ(reader.Length(), static_cast<std::int64_t>(samples::MakeNes({}).size()));
         },
         18},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string path = dir.Write("file", c.file);
        // Only root keeps setuid through a write in place; anyone else's writes clear it.
        ASSERT_EQ(::chmod(path.c_str(), test::IsRoot() ? 04750 : 0640), 0);
        ASSERT_EQ(::link(path.c_str(), (dir / "second name").c_str()), 0);
        bool attributes = ::setxattr(path.c_str(), "user.kept", "yes", 3, 0) == 0;
        struct stat before;
        ASSERT_EQ(::stat(path.c_str(), &before), 0);

        c.cut(path);

        const Bytes want(c.file.begin(), c.file.end() - static_cast<std::ptrdiff_t>(c.cutBytes));
        EXPECT_EQ(test::ReadFile(path), want) << c.what;
        EXPECT_EQ(test::ReadFile(dir / "second name"), want) << c.what;
        struct stat after;
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << c.what;
        EXPECT_EQ(after.st_mode, before.st_mode) << c.what;
        if (attributes) {
            char value[8] = {};
            EXPECT_EQ(::getxattr(path.c_str(), "user.kept", value, sizeof value), 3) << c.what;
        }
    }
}

}  // namespace
}  // namespace header_writes_test
}  // namespace vorne
