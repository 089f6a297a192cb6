// Edit Item in the main window: the dialog of the kind on the focused row's file, and the row
// read again afterwards, however the dialog ended: moved to its sort place, checked for
// duplicates, selected. Refused for archive members, and nothing while busy.
#include <QAction>
#include <QPushButton>
#include <functional>

#include "edit_dialog_fixture.h"
#include "main_dialog_fixture.h"
#include "ui/gameboy_edit_dialog.h"
#include "ui/main_menu.h"
#include "ui/sort_list_ctrl.h"

namespace vorne::ui::test {
namespace edit_item_test {
namespace {

// A Game Boy image that differs from the default sample only in its title (its checksum is the
// sample's), so that two of them with one title are duplicates.
samples::Bytes Titled(const std::string& title) {
    samples::Bytes image = samples::MakeGameboy({});
    std::fill(image.begin() + 0x134, image.begin() + 0x144, std::uint8_t{0});
    std::copy(title.begin(), title.end(), image.begin() + 0x134);
    return image;
}

// What the user does in the Game Boy dialog; returns how it ends.
using InDialog = std::function<int(CGameboyEditDialog&)>;

InDialog Retitle(const QString& title) {
    return [title](CGameboyEditDialog& dialog) {
        Type(dialog.TitleBox(), title);
        Button(dialog, "&Write Headers")->click();
        Button(dialog, "OK")->click();
        return dialog.result();
    };
}

TEST_F(MainDialogTest, EditItemRefreshesTheRowWhereverItNowBelongs) {
    for (const char* title : {"ALPHA", "MIDDLE", "OMEGA"}) {
        dir.Write("roms/" + std::string(1, static_cast<char>(title[0] + 'a' - 'A')) + ".gb", Titled(title));
    }
    Open(RomType::Gameboy);  // a.gb ALPHA, m.gb MIDDLE, o.gb OMEGA
    ASSERT_EQ(Column(kFilenameColumn), (std::vector<std::string>{"a.gb", "m.gb", "o.gb"}));
    const struct {
        const char* name;
        std::string file;
        bool byMenu;
        InDialog act;
        std::vector<std::string> order;
        std::vector<std::string> duplicates;
        int unique;
    } steps[] = {
        {"a title like another's joins it", "a.gb", false, Retitle("MIDDLE"), {"a.gb", "m.gb", "o.gb"}, {"a.gb", "m.gb"}, 2},
        {"and leaves it again", "a.gb", true, Retitle("ZULU"), {"m.gb", "o.gb", "a.gb"}, {}, 3},
        {"a dialog closed without writing still reads the file", "o.gb", false,
         [this](CGameboyEditDialog& dialog) {
             dir.Write("roms/o.gb", Titled("BETA"));  // changed behind the dialog's back
             Button(dialog, "OK")->click();
             return dialog.result();
         },
         {"o.gb", "m.gb", "a.gb"}, {}, 3},
        {"Escape as well", "a.gb", true,
         [this](CGameboyEditDialog& dialog) {
             dir.Write("roms/a.gb", Titled("MIDDLE"));
             dialog.reject();
             return dialog.result();
         },
         {"o.gb", "a.gb", "m.gb"}, {"a.gb", "m.gb"}, 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        window->List()->SelectOnly(RowNamed(step.file));
        QString caption;
        prompts.onModal = [&](QDialog& dialog) {
            caption = dialog.windowTitle();
            auto* gameboy = dynamic_cast<CGameboyEditDialog*>(&dialog);
            return gameboy != nullptr ? step.act(*gameboy) : -1;
        };
        if (step.byMenu) {
            window->Action(Command::EditItem)->trigger();
        } else {
            window->Button(Command::EditItem)->click();
        }
        EXPECT_EQ(caption, Q("Gameboy Rom Edit - " + step.file));
        EXPECT_EQ(Column(kFilenameColumn), step.order);
        for (const std::string& file : step.order) {
            const bool duplicate = std::find(step.duplicates.begin(), step.duplicates.end(), file) != step.duplicates.end();
            EXPECT_EQ(window->GetCatalogue().Model().IsDuplicate(RowNamed(file)), duplicate) << file;
        }
        EXPECT_EQ(window->StatusText(1), QStringLiteral("%1 known unique").arg(step.unique));
        EXPECT_EQ(window->List()->FocusedSelectedRow(), RowNamed(step.file));
        EXPECT_TRUE(prompts.messages.empty());
    }
    EXPECT_EQ(prompts.modalsRun, 4);
}

TEST_F(MainDialogTest, EditItemOpensNothingWhenItCannot) {
    const struct {
        const char* name;
        std::vector<std::string> files;  // file name cells of the rows
        std::string selected;            // none: no row selected
        bool busy;
        QString title, message;          // the message shown, if any
    } cases[] = {
        {"an archive member", {"a.gb", Member("pack.zip", "GAME.GB")}, Member("pack.zip", "GAME.GB"), false, "Cannot Edit File",
         "Please unzip this file before editing."},
        {"while busy", {"a.gb"}, "a.gb", true, "", ""},
        {"no row selected", {"a.gb"}, "", false, "", ""},
        {"a file that is gone", {"a.gb", "gone.gb"}, "gone.gb", false, "File Error", Q(roms) + "/gone.gb: No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("roms/a.gb", samples::MakeGameboy({}));
        Open(RomType::Gameboy, QString());
        std::vector<std::vector<std::string>> rows;
        for (const std::string& file : c.files) rows.push_back(GbRow("T", file));
        Feed(rows);
        window->List()->clearSelection();
        if (!c.selected.empty()) window->List()->SelectOnly(RowNamed(c.selected));
        window->GetCatalogue().SetIdle(!c.busy);
        prompts.messages.clear();
        prompts.modalsRun = 0;
        window->Button(Command::EditItem)->click();
        window->Action(Command::EditItem)->trigger();
        window->GetCatalogue().SetIdle(true);
        EXPECT_EQ(prompts.modalsRun, 0);
        EXPECT_EQ(Column(kFilenameColumn), c.files);  // the rows as they were
        if (c.title.isEmpty()) {
            EXPECT_TRUE(prompts.messages.empty());
        } else {
            ASSERT_EQ(prompts.messages.size(), 2u);  // once for the button, once for the menu item
            EXPECT_EQ(prompts.messages[0].title, c.title);
            EXPECT_EQ(prompts.messages[0].text, c.message);
        }
    }
}

}  // namespace
}  // namespace edit_item_test
}  // namespace vorne::ui::test
