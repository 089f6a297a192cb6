// The Genesis and 32X edit dialog: what it shows, and that "&Write Headers" writes what vorne-cli
// set writes for the same values, in linear and interleaved files.
#include "ui/genesis_edit_dialog.h"

#include <functional>

#include "edit_dialog_fixture.h"

namespace vorne::ui::test {
namespace genesis_edit_dialog_test {
namespace {

using Dialog = CGenesisEditDialog;
using Field = GenesisField;

// Boxes of CGenesisEditDialog::kBoxes, by index.
enum Box : std::size_t { kInternational, kNative, kProduct, kIo, kTypeCode, kChecksum, kCountries };

samples::Bytes Toad() {
    return samples::MakeGenesis({.nativeTitle = "KAERU", .internationalTitle = "TURBO TOAD", .typeCode = "GM",
                                 .productCode = "00001234-0", .ioSupport = "J6", .countries = "JUE"});
}
samples::Bytes Smash() { return samples::MakeGenesis({.is32X = true, .size = 1024 * 1024, .internationalTitle = "STAR SMASH"}); }

TEST_F(EditDialogTest, GenesisDialogShowsTheFileInEitherLayout) {
    const samples::Bytes toad = Toad();
    const struct {
        const char* name;
        samples::Bytes bytes;
    } cases[] = {
        {"linear", toad},
        {"interleaved behind a copier header", samples::Interleave(toad, 8192, true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.smd", c.bytes);
        Dialog dialog(Folder(), "a.smd", prompts);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Genesis Rom Edit"));
        ASSERT_TRUE(dialog.Load());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sega 16+ Rom Edit - a.smd"));
        EXPECT_EQ(dialog.Box(kInternational)->text(), QStringLiteral("TURBO TOAD").leftJustified(48));
        EXPECT_EQ(dialog.Box(kNative)->text(), QStringLiteral("KAERU").leftJustified(48));
        EXPECT_EQ(dialog.Box(kProduct)->text(), QStringLiteral("00001234-0"));
        EXPECT_EQ(dialog.Box(kIo)->text(), QStringLiteral("J6").leftJustified(16));
        EXPECT_EQ(dialog.Box(kTypeCode)->text(), QStringLiteral("GM"));
        EXPECT_EQ(dialog.Box(kChecksum)->text(), QString::number((toad[0x18E] << 8) | toad[0x18F]));
        EXPECT_EQ(dialog.Box(kCountries)->text(), QStringLiteral("JUE"));
    }
}

TEST_F(EditDialogTest, GenesisWriteHeadersWritesWhatTheCliWrites) {
    const std::vector<CliField> unchanged{{Field::InternationalTitle, kAsRead}, {Field::NativeTitle, kAsRead},
                                          {Field::ProductCode, kAsRead}, {Field::Checksum, kAsRead},
                                          {Field::TypeCode, kAsRead}, {Field::IoSupport, kAsRead},
                                          {Field::Countries, kAsRead}};
    const struct {
        const char* name;
        samples::Bytes bytes;
        std::function<void(Dialog&)> act;
        std::vector<CliField> fields;  // what vorne-cli set is given
        bool unchanged;
    } cases[] = {
        {"linear, left alone", Toad(), [](Dialog&) {}, unchanged, true},
        {"interleaved, left alone", samples::Interleave(Toad(), 8192, true), [](Dialog&) {}, unchanged, true},
        {"interleaved: titles and checksum", samples::Interleave(Toad(), 8192, true),
         [](Dialog& d) {
             Type(d.Box(kInternational), "TOAD");
             Type(d.Box(kNative), "");
             Type(d.Box(kChecksum), "35391");
         },
         {{Field::InternationalTitle, "TOAD"}, {Field::NativeTitle, ""}, {Field::ProductCode, kAsRead},
          {Field::Checksum, "35391"}, {Field::TypeCode, kAsRead}, {Field::IoSupport, kAsRead},
          {Field::Countries, kAsRead}}, false},
        {"linear: type, product code, I/O and one country", Toad(),
         [](Dialog& d) {
             Type(d.Box(kTypeCode), "A1B");
             Type(d.Box(kProduct), "T-12345-00X");
             Type(d.Box(kIo), "JD");
             Type(d.Box(kCountries), "J");
         },
         {{Field::InternationalTitle, kAsRead}, {Field::NativeTitle, kAsRead}, {Field::ProductCode, "T-12345-00"},
          {Field::Checksum, kAsRead}, {Field::TypeCode, "A1"}, {Field::IoSupport, "JD"},
          {Field::Countries, "J"}}, false},
        {"32X interleaved without copier header", samples::Interleave(Smash(), 512 * 1024, false),
         [](Dialog& d) {
             Type(d.Box(kInternational), "SMASH");
             Type(d.Box(kCountries), "EU");
         },
         {{Field::InternationalTitle, "SMASH"}, {Field::NativeTitle, kAsRead}, {Field::ProductCode, kAsRead},
          {Field::Checksum, kAsRead}, {Field::TypeCode, kAsRead}, {Field::IoSupport, kAsRead},
          {Field::Countries, "EU"}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.bin", c.bytes);
        EditWith<Dialog>("a.bin", c.act, "&Write Headers");
        ExpectSameAsCli("a.bin", c.name[0] == '3' ? "32x" : "genesis", c.fields);
        EXPECT_EQ(Bytes("a.bin") == c.bytes, c.unchanged);
    }
}

}  // namespace
}  // namespace genesis_edit_dialog_test
}  // namespace vorne::ui::test
