// The list as the window shows it: the order after a scan and its arrow, the filter box, the
// empty list's hint, columns moved and hidden and what each kind remembers, and file names that
// are not UTF-8.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "images.h"
#include "main_dialog_fixture.h"
#include "ui/gameboy_edit_dialog.h"
#include "ui/main_menu.h"
#include "ui/sort_list_ctrl.h"

namespace vorne::ui::test {
namespace list_view_test {
namespace {

namespace fs = std::filesystem;

std::pair<int, Qt::SortOrder> Arrow(const CSortListCtrl* list) {
    const QHeaderView* header = list->horizontalHeader();
    return {header->isSortIndicatorShown() ? header->sortIndicatorSection() : -1, header->sortIndicatorOrder()};
}

TEST_F(MainDialogTest, AfterAScanTheListIsByColumnZeroOrByTheKindsChosenColumn) {
    Open(RomType::Gameboy, QString());
    const std::vector<std::vector<std::string>> rows{GbRow("b", "f1", "9"), GbRow("a", "f2", "10"), GbRow("c", "f3", "100")};
    // A descending order from before does not outlast the scan.
    window->GetCatalogue().SortBy(0, false);
    Feed(rows);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Arrow(window->List()), std::make_pair(0, Qt::AscendingOrder));
    // A header click is the kind's order from then on.
    window->List()->OnHeaderClick(kSizeColumn, Qt::LeftButton);
    window->List()->OnHeaderClick(kSizeColumn, Qt::LeftButton);
    Feed(rows);
    EXPECT_EQ(Column(kSizeColumn), (std::vector<std::string>{"100", "10", "9"}));
    EXPECT_EQ(Arrow(window->List()), std::make_pair(kSizeColumn, Qt::DescendingOrder));
}

TEST_F(MainDialogTest, TheFilterShowsMatchingRowsAndCommandsTakeOnlyThoseSelected) {
    for (const char* name : {"Zelda.gb", "Mario.gb", "mario2.gb", "Tetris.gb"}) dir.Write(std::string("roms/") + name, {1});
    Open(RomType::Gameboy, QString());
    Feed({GbRow("Z", "Zelda.gb"), GbRow("M", "Mario.gb"), GbRow("N", "mario2.gb"), GbRow("T", "Tetris.gb")});
    CSortListCtrl* list = window->List();
    const struct {
        const char* text;
        int shown;
        QString count;  // empty: not shown
    } steps[] = {
        {"ma", 2, "2 of 4 shown"}, {"MARIO", 2, "2 of 4 shown"}, {"mario2", 1, "1 of 4 shown"},
        {"zz", 0, "0 of 4 shown"}, {"", 4, ""}, {"t", 1, "1 of 4 shown"},
    };
    for (const auto& step : steps) {
        window->FilterBox()->clear();
        QTest::keyClicks(window->FilterBox(), QString::fromLatin1(step.text));
        EXPECT_EQ(list->model()->rowCount(), step.shown) << step.text;
        EXPECT_EQ(window->ShownCount()->isVisibleTo(window.get()), !step.count.isEmpty()) << step.text;
        if (!step.count.isEmpty()) {
            EXPECT_EQ(window->ShownCount()->text(), step.count);
        }
    }
    // Everything was selected before the filter: only the rows shown stay selected.
    window->FilterBox()->clear();
    list->selectAll();
    QTest::keyClicks(window->FilterBox(), QStringLiteral("mario"));
    EXPECT_EQ(list->SelectedRows(), (std::vector<int>{RowNamed("Mario.gb"), RowNamed("mario2.gb")}));
    window->OnDelete();
    EXPECT_FALSE(fs::exists(roms + "/Mario.gb"));
    EXPECT_FALSE(fs::exists(roms + "/mario2.gb"));
    EXPECT_TRUE(fs::exists(roms + "/Zelda.gb") && fs::exists(roms + "/Tetris.gb"));
    EXPECT_EQ(window->ShownCount()->text(), QStringLiteral("0 of 2 shown"));
    window->FilterBox()->clear();
    EXPECT_EQ(Column(kFilenameColumn), (std::vector<std::string>{"Tetris.gb", "Zelda.gb"}));
}

// Letters of any script in either case, in cells of either encoding, as the list shows them; a
// row whose texts change is judged again, so typing on finds it.
TEST_F(MainDialogTest, TheFilterFindsLettersAsShownAndJudgesChangedRowsAgain) {
    Open(RomType::Gameboy, QString());
    Feed({GbRow("\xc3\x89T\xc3\x89", "utf8.gb"), GbRow("\xc9" "COLE", "latin1.gb"), GbRow("ZELDA", "z.gb"),
          GbRow("MARIO", "m.gb")});
    CSortListCtrl* list = window->List();
    window->FilterBox()->setText(QStringLiteral("\u00e9"));  // é
    EXPECT_EQ(list->model()->rowCount(), 2);
    window->FilterBox()->setText(QStringLiteral("zelda"));
    EXPECT_EQ(list->model()->rowCount(), 1);
    window->GetCatalogue().SetCells({{"m.gb", {{0, "ZELDA II"}}}});
    EXPECT_EQ(list->model()->rowCount(), 2);
    QTest::keyClicks(window->FilterBox(), QStringLiteral(" ii"));
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, kFilenameColumn).data().toString(), QStringLiteral("m.gb"));
}

TEST_F(MainDialogTest, WithoutAFolderTheEmptyListSaysHowToChooseOne) {
    Open(RomType::Gameboy, QString());
    auto drawsSomething = [this] {
        const QImage image = window->List()->viewport()->grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) != image.pixel(0, 0)) return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(drawsSomething());
    window->GetCatalogue().SetFolder(roms);  // a folder without files: an empty list, no hint
    EXPECT_FALSE(drawsSomething());
}

TEST_F(MainDialogTest, ColumnsAndBoxesAreRememberedPerKind) {
    dir.Write("roms/a.gb", samples::MakeGameboy({}));
    settings.SetFolder(RomType::Nes, Q(roms));
    Open(RomType::Gameboy);
    CSortListCtrl* list = window->List();
    QHeaderView* header = list->horizontalHeader();
    header->moveSection(header->visualIndex(3), 0);  // "Rom Size" first
    {
        const std::unique_ptr<QMenu> menu = list->ColumnMenu();
        for (QAction* item : menu->actions()) {
            if (item->text() == QStringLiteral("SRAM")) item->setChecked(false);
        }
    }
    list->setColumnWidth(1, 321);
    window->SubfolderBox()->click();  // and scans again
    ASSERT_TRUE(WaitIdle());
    auto expectGameboy = [&](const char* when) {
        EXPECT_EQ(header->logicalIndex(0), 3) << when;
        EXPECT_TRUE(list->isColumnHidden(4)) << when;
        EXPECT_EQ(list->columnWidth(1), 321) << when;
        EXPECT_TRUE(window->SubfolderBox()->isChecked()) << when;
        EXPECT_FALSE(window->ZipBox()->isChecked()) << when;
    };
    expectGameboy("at once");
    window->OnKindChanged(static_cast<int>(RomType::Nes));  // another kind: its own
    ASSERT_TRUE(WaitIdle());
    for (int c = 0; c < header->count(); ++c) {
        EXPECT_EQ(header->logicalIndex(c), c);
        EXPECT_FALSE(list->isColumnHidden(c));
    }
    EXPECT_FALSE(window->SubfolderBox()->isChecked());
    window->OnKindChanged(static_cast<int>(RomType::Gameboy));
    ASSERT_TRUE(WaitIdle());
    expectGameboy("back again");
    window->close();
    Open(RomType::Gameboy);  // a new window: its own list
    list = window->List();
    header = list->horizontalHeader();
    expectGameboy("after a restart");
    // The last column shown cannot go.
    for (int c = 0; c < header->count(); ++c) list->setColumnHidden(c, c != 2);
    const std::unique_ptr<QMenu> menu = list->ColumnMenu();
    for (QAction* item : menu->actions()) {
        EXPECT_EQ(item->isEnabled(), item->text() != QStringLiteral("Size")) << item->text().toStdString();
    }
}

TEST_F(MainDialogTest, FileNamesThatAreNotUtf8ListLaunchEditAndDeleteByTheirBytes) {
    const std::string name = "\xff\xfe game.gb";
    samples::Bytes image = samples::MakeGameboy({});
    image.back() ^= 0x5A;  // unlike its namesake below
    dir.Write("roms/" + name, image);
    dir.Write("roms/\xef\xbf\xbd\xef\xbf\xbd game.gb", samples::MakeGameboy({}));  // what the name shows as
    Open(RomType::Gameboy);
    const int row = RowNamed(name);
    ASSERT_GE(row, 0);
    EXPECT_EQ(window->GetCatalogue().Model().Row(row).file.path, name);
    CSortListCtrl* list = window->List();
    // Shown through the cell text rule (bytes that are not UTF-8 read as Latin-1), so the row
    // cannot be mistaken for its namesake.
    const int namesake = RowNamed("\xef\xbf\xbd\xef\xbf\xbd game.gb");
    ASSERT_GE(namesake, 0);
    EXPECT_NE(list->model()->index(row, kFilenameColumn).data().toString(),
              list->model()->index(namesake, kFilenameColumn).data().toString());
    list->SelectOnly(row);
    // The program is given a path that reaches this very file.
    const std::string copy = dir / "launched.gb";
    settings.SetProgram(RomType::Gameboy, QStringLiteral("/bin/sh -c 'cat \"$0\" > %1'").arg(Q(copy)));
    QSignalSpy ended(&window->GetLauncher(), &Launcher::finished);
    emit list->launchRequested();
    ASSERT_TRUE(WaitFor([&] { return ended.count() > 0; }));
    EXPECT_EQ(vorne::test::ReadFile(copy), image);
    bool edited = false;
    prompts.onModal = [&edited](QDialog& dialog) {
        edited = dynamic_cast<CGameboyEditDialog*>(&dialog) != nullptr;
        return 0;
    };
    window->Action(Command::EditItem)->trigger();
    EXPECT_TRUE(edited);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front().text.toStdString();
    list->SelectOnly(RowNamed(name));
    window->OnDelete();
    EXPECT_FALSE(fs::exists(roms + "/" + name));
    EXPECT_TRUE(fs::exists(roms + "/\xef\xbf\xbd\xef\xbf\xbd game.gb"));
    ASSERT_EQ(prompts.messages.size(), 1u);  // the trash is off here
    EXPECT_EQ(prompts.messages.front().text, QStringLiteral("Delete 1 file for good?"));
}

}  // namespace
}  // namespace list_view_test
}  // namespace vorne::ui::test
