// The N64 edit dialog: what it shows, and that "&Write Headers" writes what vorne-cli set writes
// for the same values.
#include "ui/n64_edit_dialog.h"

#include <functional>

#include "edit_dialog_fixture.h"

namespace vorne::ui::test {
namespace n64_edit_dialog_test {
namespace {

using Dialog = CN64EditDialog;
using Field = N64Field;

// Boxes of CN64EditDialog::kBoxes, by index.
enum Box : std::size_t { kTitle, kManufacturer, kCartId, kCountry };

TEST_F(EditDialogTest, N64WriteHeadersWritesWhatTheCliWrites) {
    const struct {
        const char* name;
        samples::N64Recipe recipe;
        std::array<QString, 4> shown;
        std::function<void(Dialog&)> act;
        std::vector<CliField> fields;  // what vorne-cli set is given
        bool unchanged;
    } cases[] = {
        {"left alone", {.title = "ORBIT RACER", .cartId = "OR"}, {"ORBIT RACER         ", "N", "OR", "E"}, [](Dialog&) {},
         {{Field::Title, kAsRead}, {Field::Licensee, "N"}, {Field::CartId, "OR"}, {Field::Country, "E"}}, true},
        {"stored with swapped byte pairs, left alone", {.title = "JUNGLE JAM", .byteSwapped = true},
         {"JUNGLE JAM          ", "N", "SA", "E"}, [](Dialog&) {}, {{Field::Title, kAsRead}, {Field::Licensee, kAsRead},
                                                                  {Field::CartId, kAsRead},
                                                                  {Field::Country, kAsRead}}, true},
        {"every field", {},
         {"SAMPLE              ", "N", "SA", "E"},
         [](Dialog& d) {
             Type(d.Box(kTitle), "TEN LETTER");
             Type(d.Box(kManufacturer), "CX");
             Type(d.Box(kCartId), "Z");
             Type(d.Box(kCountry), "");
         },
         {{Field::Title, "TEN LETTER"}, {Field::Licensee, "C"}, {Field::CartId, "Z"}, {Field::Country, ""}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.v64", samples::MakeN64(c.recipe));
        const auto before = Bytes("a.v64");
        EditWith<Dialog>("a.v64", [&c](Dialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("N64 Rom Edit - a.v64"));
            for (std::size_t i = 0; i < c.shown.size(); ++i) EXPECT_EQ(d.Box(i)->text(), c.shown[i]) << i;
            c.act(d);
        }, "&Write Headers");
        ExpectSameAsCli("a.v64", "n64", c.fields);
        EXPECT_EQ(Bytes("a.v64") == before, c.unchanged);
    }
}

}  // namespace
}  // namespace n64_edit_dialog_test
}  // namespace vorne::ui::test
