#include "ui/main_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <set>
#include <thread>

#include "images.h"
#include "main_dialog_fixture.h"
#include "ui/main_menu.h"
#include "ui/row_delegate.h"
#include "ui/sort_list_ctrl.h"

namespace vorne::ui::test {
namespace {

namespace fs = std::filesystem;

samples::Bytes Nes(std::uint32_t seed, const std::string& trailer = "") {
    samples::NesRecipe recipe;
    recipe.seed = seed;
    recipe.trailer = trailer;
    return samples::MakeNes(recipe);
}

TEST_F(MainDialogTest, StartUpScansTheStoredKindsFolder) {
    dir.Write("roms/a.nes", Nes(1));
    dir.Write("roms/b.nes", Nes(1, std::string(20, 'T')));  // the same image with a title behind it
    dir.Write("roms/c.nes", Nes(2));
    dir.Write("roms/d.gb", samples::MakeGameboy({}));
    Open(RomType::Nes);
    EXPECT_EQ(window->KindCombo()->currentIndex(), 1);
    EXPECT_EQ(window->FolderLabel()->text(), Q(roms));
    EXPECT_EQ(window->List()->model()->rowCount(), 3);
    EXPECT_EQ(window->List()->model()->columnCount(), 13);
    EXPECT_EQ(window->StatusText(0), QStringLiteral("3 ROMs"));
    EXPECT_EQ(window->StatusText(1), QStringLiteral("2 known unique"));
    EXPECT_TRUE(window->StatusText(2).endsWith(QStringLiteral("files per second")));
    std::vector<std::string> keys = Column(0);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_TRUE(window->GetCatalogue().Model().IsDuplicate(RowNamed("a.nes")));
    EXPECT_TRUE(window->GetCatalogue().Model().IsDuplicate(RowNamed("b.nes")));
    EXPECT_FALSE(window->GetCatalogue().Model().IsDuplicate(RowNamed("c.nes")));
    EXPECT_TRUE(window->KindCombo()->isEnabled());
}

TEST_F(MainDialogTest, AFolderThatIsNotSetOrGoneIsNotScannedInItsStead) {
    dir.Write("roms/a.gb", samples::MakeGameboy({}));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(Q(roms));  // the process's folder holds files of the kind
    for (const QString& folder : {QString(), Q(dir / "gone")}) {
        Open(RomType::Gameboy, folder);
        EXPECT_EQ(window->List()->model()->rowCount(), 0) << folder.toStdString();
        EXPECT_TRUE(window->FolderLabel()->text().isEmpty());
        EXPECT_EQ(window->StatusText(0), QStringLiteral("0 ROMs"));
        EXPECT_TRUE(window->Idle());
    }
    QDir::setCurrent(previous);
}

TEST_F(MainDialogTest, ChoosingAKindRebuildsTheColumnsAndRemembersIt) {
    dir.Write("roms/a.gb", samples::MakeGameboy({}));
    dir.Write("mp3/song.mp3", samples::MakeMp3({}));
    settings.SetFolder(RomType::Mp3, Q(dir / "mp3"));
    Open(RomType::Gameboy);
    EXPECT_EQ(window->List()->model()->columnCount(), 10);
    window->OnKindChanged(static_cast<int>(RomType::Mp3));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->List()->model()->columnCount(), 8);
    EXPECT_EQ(window->List()->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Artist"));
    EXPECT_EQ(Column(kFilenameColumn), std::vector<std::string>{"song.mp3"});
    EXPECT_EQ(settings.LastType(), RomType::Mp3);
    EXPECT_EQ(window->FolderLabel()->text(), Q(dir / "mp3"));
}

TEST_F(MainDialogTest, MenuItemsAreEnabledForTheirKindsOnceTheyHaveWork) {
    Open(RomType::Gameboy, QString());
    // Every item has its work: each is enabled for the kinds it serves.
    for (const MenuEntry& entry : kMainMenu) {
        if (entry.text.empty()) continue;
        EXPECT_EQ(window->Action(entry.command)->isEnabled(), ServesKind(entry.command, RomType::Gameboy))
            << entry.text;
    }
    EXPECT_TRUE(window->Button(kCommandEditItemButton)->isEnabled());

    std::set<int> ran;
    for (const MenuEntry& entry : kMainMenu) {
        if (!entry.text.empty()) window->RegisterCommand(entry.command, [&ran, c = entry.command] { ran.insert(c); });
    }
    const std::set<int> always{kCommandSaveList, kCommandCompareLists, kCommandEditItem, kCommandApplyIpsPatch, kCommandOptions};
    const struct {
        RomType kind;
        std::set<int> own;
    } cases[] = {
        {RomType::Gameboy, {}},
        {RomType::Nes, {kCommandCleanNesHeaders, kCommandRemoveNesTrainers, kCommandHeaderCleaner, kCommandTrainerRemover}},
        {RomType::Snes, {}},
        {RomType::N64, {}},
        {RomType::Genesis, {kCommandSmdToBin, kCommandBinToSmd}},
        {RomType::Genesis32X, {kCommand32XToBin, kCommandBinTo32X}},
        {RomType::Mp3, {kCommandMassEditMp3Tags, kCommandMassTagEdit}},
        {RomType::Zip, {}},
    };
    for (const auto& c : cases) {
        window->OnKindChanged(static_cast<int>(c.kind));
        for (const MenuEntry& entry : kMainMenu) {
            if (entry.text.empty()) continue;
            const bool expected = always.count(entry.command) || c.own.count(entry.command);
            EXPECT_EQ(window->Action(entry.command)->isEnabled(), expected)
                << "kind " << static_cast<int>(c.kind) << ": " << entry.text;
        }
    }
    window->Action(kCommandApplyIpsPatch)->trigger();
    EXPECT_EQ(ran, std::set<int>{kCommandApplyIpsPatch});
}

TEST_F(MainDialogTest, WhileBusyEveryCommandButOkIsDropped) {
    dir.Write("roms/a.gb", samples::MakeGameboy({}));
    Open(RomType::Gameboy);
    window->GetCatalogue().SetIdle(false);  // as while a scan or a tool runs
    prompts.folders = {Q(dir.Path())};
    window->Button(kCommandSelectFolder)->click();
    window->Button(kCommandAbout)->click();
    window->List()->SelectOnly(0);
    QTest::keyClick(window->List(), Qt::Key_Delete);
    window->Button(kCommandDelete)->click();
    EXPECT_TRUE(prompts.browseStarts.empty());
    EXPECT_EQ(prompts.aboutShown, 0);
    EXPECT_TRUE(fs::exists(roms + "/a.gb"));
    window->Button(kCommandOk)->click();
    EXPECT_FALSE(window->isVisible());
    window->GetCatalogue().SetIdle(true);
}

TEST_F(MainDialogTest, SelectFolderScansTheChosenFolderAndCancelKeepsTheOld) {
    dir.Write("other/x.gb", samples::MakeGameboy({}));
    dir.Write("other/y.gb", samples::MakeGameboy({.title = "OTHER"}));
    fs::create_directories(roms);
    Open(RomType::Gameboy);
    prompts.folders = {QString(), Q(dir / "other")};
    window->Button(kCommandSelectFolder)->click();  // cancelled
    EXPECT_EQ(window->FolderLabel()->text(), Q(roms));
    window->Button(kCommandSelectFolder)->click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(prompts.browseStarts, (std::vector<QString>{Q(roms), Q(roms)}));
    EXPECT_EQ(window->FolderLabel()->text(), Q(dir / "other"));
    EXPECT_EQ(settings.Folder(RomType::Gameboy), Q(dir / "other"));
    EXPECT_EQ(window->List()->model()->rowCount(), 2);
}

TEST_F(MainDialogTest, TheZipBoxRescansWithArchiveMembers) {
    dir.Write("roms/a.gb", samples::MakeGameboy({}));
    fs::create_directories(roms);
    Open(RomType::Gameboy);
    EXPECT_EQ(window->List()->model()->rowCount(), 1);
    window->ZipBox()->click();  // no archive: same rows, but scanned again
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(window->ZipBox()->isChecked());
    EXPECT_EQ(window->List()->model()->rowCount(), 1);
}

TEST_F(MainDialogTest, ColumnWidthsLastThroughARescanAndARestart) {
    dir.Write("roms/a.gb", samples::MakeGameboy({}));
    Open(RomType::Gameboy);
    window->List()->setColumnWidth(1, 333);
    window->StartScan();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->List()->columnWidth(1), 333);
    window->close();
    Open(RomType::Gameboy);
    EXPECT_EQ(window->List()->columnWidth(1), 333);
    const int nesDefault = window->List()->columnWidth(0);
    window->OnKindChanged(static_cast<int>(RomType::Nes));  // another kind: its own widths
    ASSERT_TRUE(WaitIdle());
    EXPECT_NE(window->List()->columnWidth(1), 333);
    EXPECT_GT(nesDefault, 0);
}

TEST_F(MainDialogTest, EscapeStopsAScanAndTheRowsFoundSoFarStay) {
    const auto image = samples::MakeGameboy({});
    for (int folder = 0; folder < 300; ++folder) {
        for (int file = 0; file < 10; ++file) {
            dir.Write("roms/d" + std::to_string(folder) + "/f" + std::to_string(file) + ".gb", image);
        }
    }
    settings.SetLastType(RomType::Gameboy);
    window = std::make_unique<CMainDialog>(settings, prompts, std::string());
    window->show();
    window->SubfolderBox()->setChecked(true);
    QApplication::processEvents();  // the first painting done, Escape follows the start at once
    settings.SetFolder(RomType::Gameboy, Q(roms));
    window->StartUp();
    EXPECT_FALSE(window->Idle());
    QTest::keyClick(window->List(), Qt::Key_Escape);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(window->isVisible());  // Escape stopped the scan; it did not close the window
    EXPECT_EQ(window->StatusText(2), QStringLiteral("Stopped"));
    EXPECT_LT(window->GetCatalogue().EntryCount(), 3000);
    // The duplicate finder ran on what was found: identical images, one unique.
    EXPECT_EQ(window->StatusText(1), QStringLiteral("%1 known unique").arg(window->GetCatalogue().EntryCount() > 0 ? 1 : 0));
    QTest::keyClick(window->List(), Qt::Key_Escape);  // idle: Escape closes
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainDialogTest, ClosingDuringAScanEndsAtOnce) {
    const auto image = samples::MakeGameboy({});
    for (int folder = 0; folder < 200; ++folder) dir.Write("roms/d" + std::to_string(folder) + "/a.gb", image);
    settings.SetLastType(RomType::Gameboy);
    settings.SetFolder(RomType::Gameboy, Q(roms));
    window = std::make_unique<CMainDialog>(settings, prompts, std::string());
    window->SubfolderBox()->setChecked(true);
    window->show();
    window->StartUp();
    window->close();
    window.reset();  // waits for the worker, which stops at its next file
    SUCCEED();
}

// ---- the pump ----

TEST_F(MainDialogTest, BatchesThatArriveTogetherAreInsertedAtOnce) {
    Open(RomType::Gameboy, QString());
    QSignalSpy inserted(window->List()->model(), &QAbstractItemModel::rowsInserted);
    ScanEventPump& pump = window->Pump();
    std::thread worker([&pump] {
        pump.Post(ScanStarted{});
        for (int batch = 0; batch < 5; ++batch) {
            RowsFound found;
            for (int i = 0; i < 100; ++i) found.rows.push_back(CatalogRow{GbRow("T", "f" + std::to_string(batch * 100 + i))});
            pump.Post(std::move(found));
        }
    });
    worker.join();
    pump.DrainAll();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 499);
    pump.Post(WalkDone{std::chrono::steady_clock::now()});
    pump.DrainAll();
    EXPECT_TRUE(window->Idle());
}

// ---- header clicks, selection and colours ----

TEST_F(MainDialogTest, HeaderClicksSortWithTheLeftButtonOnlyAndTheArrowShowsTheOrder) {
    Open(RomType::Gameboy, QString());
    Feed({GbRow("b", "f3", "9"), GbRow("B", "f1", "10"), GbRow("a", "f2", "1048576"), GbRow("aa", "f4", "262144")});
    CSortListCtrl* list = window->List();
    QHeaderView* header = list->horizontalHeader();
    auto click = [&](int column, Qt::MouseButton button) {
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), button, {}, at);
    };
    const struct {
        int column;
        Qt::MouseButton button;
        std::vector<std::string> sizes;  // column 2 after the click
        int arrowColumn;
        Qt::SortOrder arrow;
    } steps[] = {
        {2, Qt::RightButton, {"10", "1048576", "262144", "9"}, 0, Qt::AscendingOrder},  // still by title
        {2, Qt::LeftButton, {"9", "10", "262144", "1048576"}, 2, Qt::AscendingOrder},   // sizes by value
        {2, Qt::LeftButton, {"1048576", "262144", "10", "9"}, 2, Qt::DescendingOrder},  // the same column reverses
        {1, Qt::LeftButton, {"10", "1048576", "9", "262144"}, 1, Qt::AscendingOrder},   // names byte-wise
        {0, Qt::MiddleButton, {"10", "1048576", "9", "262144"}, 1, Qt::AscendingOrder},
    };
    for (const auto& step : steps) {
        click(step.column, step.button);
        EXPECT_EQ(Column(kSizeColumn), step.sizes) << "column " << step.column << " button " << step.button;
        EXPECT_TRUE(header->isSortIndicatorShown());
        EXPECT_EQ(header->sortIndicatorSection(), step.arrowColumn) << "column " << step.column;
        EXPECT_EQ(header->sortIndicatorOrder(), step.arrow) << "column " << step.column;
    }
}

TEST_F(MainDialogTest, SelectionAndDuplicateMarksFollowTheirRowsThroughASort) {
    Open(RomType::Gameboy, QString());
    Feed({GbRow("SAME", "z.gb"), GbRow("OTHER", "a.gb"), GbRow("SAME", "m.gb"), GbRow("LAST", "b.gb")});
    const CatalogModel& model = window->GetCatalogue().Model();
    CSortListCtrl* list = window->List();
    list->SelectOnly(RowNamed("m.gb"));
    list->selectionModel()->select(list->model()->index(RowNamed("a.gb"), 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    for (int column : {1, 1, 2, 0}) {
        list->OnHeaderClick(column, Qt::LeftButton);
        std::set<std::string> selected, duplicates;
        for (int r = 0; r < model.RowCount(); ++r) {
            if (list->selectionModel()->isRowSelected(r, {})) selected.insert(std::string(model.Cell(r, kFilenameColumn)));
            if (model.IsDuplicate(r)) duplicates.insert(std::string(model.Cell(r, kFilenameColumn)));
        }
        EXPECT_EQ(selected, (std::set<std::string>{"m.gb", "a.gb"})) << "column " << column;
        EXPECT_EQ(duplicates, (std::set<std::string>{"z.gb", "m.gb"}));
        EXPECT_EQ(list->FocusedSelectedRow(), RowNamed("m.gb"));
    }
}

TEST_F(MainDialogTest, RowsAreDrawnYellowForDuplicatesAndHighlightedWhenSelected) {
    Open(RomType::Gameboy, QString());
    window->resize(1800, 500);
    Feed({GbRow("SAME", "a.gb"), GbRow("SAME", "b.gb"), GbRow("ONLY", "c.gb"), GbRow("SAME", "d.gb")});
    CSortListCtrl* list = window->List();
    list->SelectOnly(RowNamed("b.gb"));
    window->setFocus();  // the list without focus still shows its selection
    QApplication::processEvents();
    const QImage image = list->viewport()->grab().toImage();
    const QPalette& palette = list->palette();
    const struct {
        std::string row;
        QColor fill;
    } cases[] = {
        {"a.gb", kDuplicateColour},
        {"b.gb", palette.color(QPalette::Active, QPalette::Highlight)},  // highlight wins over yellow
        {"c.gb", palette.color(QPalette::Active, QPalette::Base)},
        {"d.gb", kDuplicateColour},
    };
    const int stripX = list->horizontalHeader()->length() + 5;  // right of the last column
    ASSERT_LT(stripX, image.width() / image.devicePixelRatio()) << "the list is too narrow for the test";
    for (const auto& c : cases) {
        const int row = RowNamed(c.row);
        const int y = list->rowViewportPosition(row) + list->rowHeight(row) / 2;
        const qreal ratio = image.devicePixelRatio();
        for (int x : {1, list->columnViewportPosition(2) + 2, stripX}) {
            EXPECT_EQ(image.pixelColor(int(x * ratio), int(y * ratio)).rgb(), c.fill.rgb()) << c.row << " at x " << x;
        }
    }
}

}  // namespace
}  // namespace vorne::ui::test
