// The NES edit dialog: what it shows of a file, and that "&Write Headers" writes what vorne-cli
// set writes for the same values, NES 2.0 headers included.
#include "ui/nes_edit_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <functional>

#include "edit_dialog_fixture.h"

namespace vorne::ui::test {
namespace nes_edit_dialog_test {
namespace {

using Dialog = CNesEditDialog;
using Field = NesField;

std::array<std::uint8_t, 9> Nine(const char* text) {
    std::array<std::uint8_t, 9> bytes{};
    for (std::size_t i = 0; i < 9 && text[i] != '\0'; ++i) bytes[i] = static_cast<std::uint8_t>(text[i]);
    return bytes;
}

// An NES 2.0 header: byte 7 carries the mark (0x08) and mapper bits 4 to 7 (4), byte 8 mapper bits
// 8 to 11 (1) and submapper 2, bytes 10 to 12 RAM sizes and timing. The low nibble of byte 6 is 1
// (vertical), its high nibble 3: mapper 0x143.
constexpr std::array<std::uint8_t, 9> kNes2Bytes{0x48, 0x21, 0x00, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00};
const samples::NesRecipe kNes2{.flags6 = 0x31, .bytes7to15 = kNes2Bytes};

TEST_F(EditDialogTest, NesDialogShowsTheFile) {
    const struct {
        const char* name;
        samples::NesRecipe recipe;
        QString title, mapper;
        int mapperDigits;
        int mirroring;
        bool sram, trainer, fourScreen;
        QString first, remainder;
    } cases[] = {
        {"zero reserved bytes", {.flags6 = 0x10}, "", "1", 3, 0, false, false, false, "", ""},
        {"a signature over bytes 7 to 15", {.flags6 = 0x4B, .bytes7to15 = Nine("DiskDude!"), .trailer = "Title"},
         "Title", "4", 3, 1, true, false, true, "D", "iskDude!"},
        {"the high mapper nibble alone", {.flags6 = 0x26, .bytes7to15 = Nine("@")}, "", "66", 3, 0, true, true, false, "@", ""},
        {"NES 2.0", kNes2, "", "323", 4, 1, false, false, false, "H", "!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.nes", samples::MakeNes(c.recipe));
        Dialog dialog(Folder(), "a.nes", prompts);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("NES Rom Edit"));
        ASSERT_TRUE(dialog.Load());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("NES Rom Edit - a.nes"));
        EXPECT_EQ(dialog.TitleBox()->text(), c.title);
        EXPECT_EQ(dialog.MapperBox()->text(), c.mapper);
        EXPECT_EQ(dialog.MapperBox()->maxLength(), c.mapperDigits);
        EXPECT_EQ(dialog.MirroringList()->currentIndex(), c.mirroring);
        EXPECT_EQ(dialog.SramBox()->isChecked(), c.sram);
        EXPECT_EQ(dialog.TrainerBox()->isChecked(), c.trainer);
        EXPECT_EQ(dialog.FourScreenBox()->isChecked(), c.fourScreen);
        EXPECT_EQ(dialog.FirstReservedBox()->text(), c.first);
        EXPECT_EQ(dialog.ReservedRemainderBox()->text(), c.remainder);
    }
}

TEST_F(EditDialogTest, NesWriteHeadersWritesWhatTheCliWrites) {
    const struct {
        const char* name;
        samples::NesRecipe recipe;
        std::function<void(Dialog&)> act;
        std::vector<CliField> fields;  // what vorne-cli set is given
        std::int64_t growth;            // of the file, in bytes
        bool unchanged;
    } cases[] = {
        {"zero reserved bytes: nothing to write there, no first byte", {.flags6 = 0x10}, [](Dialog&) {},
         {{Field::InternalTitle, ""}, {Field::Mapper, "1"}, {Field::Mirroring, "0"}, {Field::Sram, "0"},
          {Field::Trainer, "0"}, {Field::FourScreen, "0"}}, 0, true},
        {"bytes behind a zero byte 7 show as nothing and stay",
         {.flags6 = 0x10, .bytes7to15 = {0, 0x07, 0x01, 'a', 'b', 0, 'c', 'd', 'e'}}, [](Dialog&) {},
         {{Field::InternalTitle, ""}, {Field::Mapper, "1"}, {Field::Mirroring, "0"}, {Field::Sram, "0"},
          {Field::Trainer, "0"}, {Field::FourScreen, "0"}}, 0, true},
        {"bytes behind a zero of their own stay", {.flags6 = 0x41, .bytes7to15 = {'D', 'i', 0, 'x', 'y', 0, 0, 0, 'z'}},
         [](Dialog&) {}, {{Field::InternalTitle, ""}, {Field::Mapper, "4"}, {Field::FirstReservedByte, "D"},
                          {Field::Mirroring, "1"}, {Field::Sram, "0"}, {Field::Trainer, "0"},
                          {Field::FourScreen, "0"}}, 0, true},
        {"a signature left alone is written back", {.flags6 = 0x41, .bytes7to15 = Nine("DiskDude!")}, [](Dialog&) {},
         {{Field::InternalTitle, ""}, {Field::Mapper, "4"}, {Field::FirstReservedByte, "D"}, {Field::Mirroring, "1"},
          {Field::Sram, "0"}, {Field::Trainer, "0"}, {Field::FourScreen, "0"}, {Field::Reserved, "iskDude!"}}, 0, true},
        {"a signature cleared", {.flags6 = 0x41, .bytes7to15 = Nine("DiskDude!")},
         [](Dialog& d) {
             d.FirstReservedBox()->clear();
             d.ReservedRemainderBox()->clear();
         },
         {{Field::InternalTitle, ""}, {Field::Mapper, "4"}, {Field::Mirroring, "1"}, {Field::Sram, "0"},
          {Field::Trainer, "0"}, {Field::FourScreen, "0"}, {Field::Reserved, ""}}, 0, false},
        {"the first reserved byte decides byte 7", {.flags6 = 0x10},
         [](Dialog& d) { Type(d.FirstReservedBox(), "@x"); },
         {{Field::InternalTitle, ""}, {Field::Mapper, "1"}, {Field::FirstReservedByte, "@"}, {Field::Mirroring, "0"},
          {Field::Sram, "0"}, {Field::Trainer, "0"}, {Field::FourScreen, "0"}, {Field::Reserved, ""}}, 0, false},
        {"mapper, mirroring and flags", {.flags6 = 0x01},
         [](Dialog& d) {
             Type(d.MapperBox(), "66");
             d.MirroringList()->setCurrentIndex(0);
             d.SramBox()->click();
             d.TrainerBox()->click();  // the flag only: no trainer is added
             d.FourScreenBox()->click();
         },
         {{Field::InternalTitle, ""}, {Field::Mapper, "66"}, {Field::Mirroring, "0"}, {Field::Sram, "1"},
          {Field::Trainer, "1"}, {Field::FourScreen, "1"}, {Field::Reserved, ""}}, 0, false},
        {"a cleared title removes the trailer", {.trailer = "Brick Baron Deluxe!!"},
         [](Dialog& d) { d.TitleBox()->clear(); },
         {{Field::InternalTitle, ""}, {Field::Mapper, "0"}, {Field::Mirroring, "0"}, {Field::Sram, "0"},
          {Field::Trainer, "0"}, {Field::FourScreen, "0"}, {Field::Reserved, ""}}, -20, false},
        {"a title behind a file without one", {}, [](Dialog& d) { Type(d.TitleBox(), "Demo"); },
         {{Field::InternalTitle, "Demo"}, {Field::Mapper, "0"}, {Field::Mirroring, "0"}, {Field::Sram, "0"},
          {Field::Trainer, "0"}, {Field::FourScreen, "0"}, {Field::Reserved, ""}}, 128, false},
        {"a short trailer grows to 128 bytes", {.trailer = "Brick Baron Deluxe!!"}, [](Dialog&) {},
         {{Field::InternalTitle, "Brick Baron Deluxe!!"}, {Field::Mapper, "0"}, {Field::Mirroring, "0"},
          {Field::Sram, "0"}, {Field::Trainer, "0"}, {Field::FourScreen, "0"}, {Field::Reserved, ""}}, 108, false},
        {"NES 2.0 left alone keeps bytes 7 to 15", kNes2, [](Dialog&) {},
         {{Field::InternalTitle, ""}, {Field::Mapper, "323"}, {Field::Mirroring, "1"}, {Field::Sram, "0"},
          {Field::Trainer, "0"}, {Field::FourScreen, "0"}}, 0, true},
        {"NES 2.0 takes a four-digit mapper", kNes2, [](Dialog& d) { Type(d.MapperBox(), "12345"); },
         {{Field::InternalTitle, ""}, {Field::Mapper, "1234"}, {Field::Mirroring, "1"}, {Field::Sram, "0"},
          {Field::Trainer, "0"}, {Field::FourScreen, "0"}}, 0, false},
        {"NES 2.0 reserved boxes the user changed are written", kNes2,
         [](Dialog& d) {
             Type(d.FirstReservedBox(), "X");
             Type(d.ReservedRemainderBox(), "ab");
         },
         {{Field::InternalTitle, ""}, {Field::Mapper, "323"}, {Field::FirstReservedByte, "X"}, {Field::Mirroring, "1"},
          {Field::Sram, "0"}, {Field::Trainer, "0"}, {Field::FourScreen, "0"}, {Field::Reserved, "ab"}}, 0, false},
        {"NES 2.0 with only the remainder changed", kNes2, [](Dialog& d) { d.ReservedRemainderBox()->clear(); },
         {{Field::InternalTitle, ""}, {Field::Mapper, "323"}, {Field::Mirroring, "1"}, {Field::Sram, "0"},
          {Field::Trainer, "0"}, {Field::FourScreen, "0"}, {Field::Reserved, ""}}, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.nes", samples::MakeNes(c.recipe));
        const auto before = Bytes("a.nes");
        EditWith<Dialog>("a.nes", c.act, "&Write Headers");
        ExpectSameAsCli("a.nes", "nes", c.fields);
        const auto after = Bytes("a.nes");
        EXPECT_EQ(static_cast<std::int64_t>(after.size()) - static_cast<std::int64_t>(before.size()), c.growth);
        EXPECT_EQ(after == before, c.unchanged);
    }
}

TEST_F(EditDialogTest, NesWarningStandsBesideTheFirstReservedByte) {
    Put("a.nes", samples::MakeNes({}));
    Dialog dialog(Folder(), "a.nes", prompts);
    bool found = false;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        found = found || label->text() ==
                             QStringLiteral("Warning!  This is the character representation of the high mapper nibble "
                                            "byte, involved in calculating the mapper number.  If the remainder is "
                                            "occupied and this character is legible, it's probably safe to delete.");
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace nes_edit_dialog_test
}  // namespace vorne::ui::test
