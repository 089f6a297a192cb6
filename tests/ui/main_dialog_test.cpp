#include "ui/main_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <set>
#include <thread>

#include "images.h"
#include "main_dialog_fixture.h"
#include "ui/busy_indicator.h"
#include "ui/main_menu.h"
#include "ui/row_delegate.h"
#include "ui/sort_list_ctrl.h"

namespace vorne::ui::test {
namespace main_dialog_test {
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
    EXPECT_EQ(window->List()->model()->columnCount(), ColumnCount(RomType::Mp3));
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
    EXPECT_TRUE(window->Button(Command::EditItem)->isEnabled());

    std::set<Command> ran;
    for (const MenuEntry& entry : kMainMenu) {
        if (!entry.text.empty()) window->RegisterCommand(entry.command, [&ran, c = entry.command] { ran.insert(c); });
    }
    const std::set<Command> always{Command::SaveList,      Command::CompareLists, Command::EditItem,
                                   Command::ApplyIpsPatch, Command::CreatePatch,  Command::Options,
                                   Command::About,         Command::Refresh};
    const std::set<Command> dat{Command::MissingFromDat, Command::RenameToDatNames, Command::RenameSelectionToDatNames};
    const auto with = [](std::set<Command> a, const std::set<Command>& b) {
        a.insert(b.begin(), b.end());
        return a;
    };
    const std::set<Command> checksums = with(dat, {Command::FixChecksums});
    const struct {
        RomType kind;
        std::set<Command> own;
    } cases[] = {
        {RomType::Gameboy, checksums},
        {RomType::Nes,
         with(dat, {Command::CleanNesHeaders, Command::RemoveNesTrainers, Command::HeaderCleaner, Command::TrainerRemover})},
        {RomType::Snes, checksums},
        {RomType::N64, with(checksums, {Command::ConvertN64ByteOrder})},
        {RomType::Genesis, with(checksums, {Command::SmdToBin, Command::BinToSmd})},
        {RomType::Genesis32X, with(checksums, {Command::Convert32XToBin, Command::ConvertBinTo32X})},
        {RomType::Mp3,
         {Command::MassEditMp3Tags, Command::MassTagEdit, Command::TagsFromFileNames, Command::RenameFromTags,
          Command::SelectionTagsFromFileNames, Command::SelectionRenameFromTags}},
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
    window->Action(Command::ApplyIpsPatch)->trigger();
    EXPECT_EQ(ran, std::set<Command>{Command::ApplyIpsPatch});
}

TEST_F(MainDialogTest, TheMenuKeepsItsTextsOrderAndMnemonicsAndEachItemIsANamedAction) {
    Open(RomType::Gameboy, QString());
    std::vector<std::string> items;
    const auto line = [](const QString& where, QAction* item) {
        if (item->isSeparator()) return (where + QStringLiteral("-")).toStdString();
        return (where + item->text() + QStringLiteral(" (") + item->objectName() + QLatin1Char(')')).toStdString();
    };
    for (QAction* top : window->menuBar()->actions()) {
        if (top->menu() == nullptr) {
            items.push_back(line(QString(), top));
            continue;
        }
        for (QAction* item : top->menu()->actions()) {
            if (item->menu() == nullptr) {
                items.push_back(line(top->text() + QStringLiteral(" / "), item));
                continue;
            }
            for (QAction* sub : item->menu()->actions()) {
                items.push_back(line(top->text() + QStringLiteral(" / ") + item->text() + QStringLiteral(" / "), sub));
            }
        }
    }
    EXPECT_EQ(items, (std::vector<std::string>{
                         "&Whole List / &Save List (saveList)",
                         "&Whole List / &Compare Lists (compareLists)",
                         "&Whole List / -",
                         "&Whole List / C&lean NES Headers (cleanNesHeaders)",
                         "&Whole List / &Remove NES Trainers (removeNesTrainers)",
                         "&Whole List / &Mass-Edit MP3 Tags (massEditMp3Tags)",
                         "&Whole List / -",
                         "&Whole List / Missing from DAT... (missingFromDat)",
                         "&Whole List / Rename to DAT Names (renameToDatNames)",
                         "&Whole List / Tags from File Names... (tagsFromFileNames)",
                         "&Whole List / Rename from Tags... (renameFromTags)",
                         "&Selection / &NES / &Header Cleaner (headerCleaner)",
                         "&Selection / &NES / &Trainer Remover (trainerRemover)",
                         "&Selection / &Genesis / &Smd->Bin (smdToBin)",
                         "&Selection / &Genesis / &Bin->Smd (binToSmd)",
                         "&Selection / &32X / &32X->Bin (32xToBin)",
                         "&Selection / &32X / &Bin->32X (binTo32x)",
                         "&Selection / &MP3 / &Mass Tag Edit (massTagEdit)",
                         "&Selection / -",
                         "&Selection / Rename to DAT Names (renameSelectionToDatNames)",
                         "&Selection / Fix Checksums (fixChecksums)",
                         "&Selection / Convert N64 Byte Order (convertN64ByteOrder)",
                         "&Selection / Tags from File Names... (selectionTagsFromFileNames)",
                         "&Selection / Rename from Tags... (selectionRenameFromTags)",
                         "&Selection / -",
                         "&Selection / &Edit Item (editItem)",
                         "&Miscellaneous / Apply &IPS Patch (applyIpsPatch)",
                         "&Miscellaneous / Create Patch... (createPatch)",
                         "&View / &Refresh (refresh)",
                         "&Options (options)",
                         "&Help / &About Vorne... (about)",
                     }));
}

TEST_F(MainDialogTest, WhileBusyEveryCommandButOkIsGreyed) {
    dir.Write("roms/a.nes", Nes(1));
    Open(RomType::Nes);
    window->GetCatalogue().SetIdle(false);  // as while a scan or a tool runs
    for (int c = 0; c < kCommandCount; ++c) {
        const auto command = static_cast<Command>(c);
        EXPECT_EQ(window->Action(command)->isEnabled(), command == Command::Ok) << CommandName(command);
    }
    for (const ButtonEntry& button : kButtons) {
        EXPECT_EQ(window->Button(button.command)->isEnabled(), button.command == Command::Ok) << button.text;
    }
    EXPECT_FALSE(window->KindCombo()->isEnabled());
    // A greyed command does nothing, however it is asked for.
    prompts.folders = {dir.Path()};
    window->Button(Command::SelectFolder)->click();
    window->Button(Command::About)->click();
    window->List()->SelectOnly(0);
    QTest::keyClick(window->List(), Qt::Key_Delete);
    window->Action(Command::Delete)->trigger();
    EXPECT_TRUE(prompts.browseStarts.empty());
    EXPECT_EQ(prompts.aboutShown, 0);
    EXPECT_TRUE(fs::exists(roms + "/a.nes"));

    window->GetCatalogue().SetIdle(true);
    for (Command command : {Command::Delete, Command::EditItem, Command::CleanNesHeaders, Command::About}) {
        EXPECT_TRUE(window->Action(command)->isEnabled()) << CommandName(command);
    }
    EXPECT_TRUE(window->Button(Command::Delete)->isEnabled());
    window->GetCatalogue().SetIdle(false);
    window->Button(Command::Ok)->click();
    EXPECT_FALSE(window->isVisible());
    window->GetCatalogue().SetIdle(true);
}

TEST_F(MainDialogTest, SelectFolderScansTheChosenFolderAndCancelKeepsTheOld) {
    dir.Write("other/x.gb", samples::MakeGameboy({}));
    dir.Write("other/y.gb", samples::MakeGameboy({.title = "OTHER"}));
    fs::create_directories(roms);
    Open(RomType::Gameboy);
    prompts.folders = {"", dir / "other"};
    window->Button(Command::SelectFolder)->click();  // cancelled
    EXPECT_EQ(window->FolderLabel()->text(), Q(roms));
    window->Button(Command::SelectFolder)->click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(prompts.browseStarts, (std::vector<std::string>{roms, roms}));
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

// While a scan runs the status bar counts the files found beside Cancel; Cancel, like Escape,
// stops the scan, and Escape never closes the window.
TEST_F(MainDialogTest, EscapeOrCancelStopsAScanAndTheRowsFoundSoFarStay) {
    const auto image = samples::MakeGameboy({});
    for (int folder = 0; folder < 300; ++folder) {
        for (int file = 0; file < 10; ++file) {
            dir.Write("roms/d" + std::to_string(folder) + "/f" + std::to_string(file) + ".gb", image);
        }
    }
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        settings.SetLastType(RomType::Gameboy);
        window = std::make_unique<CMainDialog>(settings, prompts, std::string());
        window->show();
        window->SubfolderBox()->setChecked(true);
        QApplication::processEvents();  // the first painting done, Escape follows the start at once
        settings.SetFolder(RomType::Gameboy, Q(roms));
        BusyIndicator* busy = window->Busy();
        EXPECT_FALSE(busy->isVisible());
        window->StartUp();
        EXPECT_FALSE(window->Idle());
        EXPECT_EQ(busy->Shows(), BusyIndicator::Work::Scan);
        EXPECT_TRUE(busy->isVisible() && busy->CancelButton()->isEnabled());
        EXPECT_EQ(busy->Count()->text(), QStringLiteral("0 files found"));
        if (escape) {
            QTest::keyClick(window->List(), Qt::Key_Escape);
        } else {
            busy->CancelButton()->click();
        }
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(window->isVisible());  // Escape stopped the scan; it did not close the window
        EXPECT_FALSE(busy->isVisible());
        EXPECT_EQ(window->StatusText(2), QStringLiteral("Stopped"));
        EXPECT_LT(window->GetCatalogue().EntryCount(), 3000);
        // The duplicate finder ran on what was found: identical images, one unique.
        EXPECT_EQ(window->StatusText(1), QStringLiteral("%1 known unique").arg(window->GetCatalogue().EntryCount() > 0 ? 1 : 0));
        QTest::keyClick(window->List(), Qt::Key_Escape);  // idle: Escape does nothing
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->StatusText(2), QStringLiteral("Stopped"));
    }
}

TEST_F(MainDialogTest, ClosingDuringAScanEndsAtOnce) {
    constexpr int kFolders = 400;
    const auto image = samples::MakeGameboy({});
    for (int folder = 0; folder < kFolders; ++folder) dir.Write("roms/d" + std::to_string(folder) + "/a.gb", image);
    settings.SetLastType(RomType::Gameboy);
    settings.SetFolder(RomType::Gameboy, Q(roms));
    window = std::make_unique<CMainDialog>(settings, prompts, std::string());
    window->SubfolderBox()->setChecked(true);
    window->show();
    window->StartUp();
    window->close();
    EXPECT_FALSE(window->isVisible());
    // The walk stops at its next file and says so; the window waited for nothing meanwhile.
    ASSERT_TRUE(WaitFor([this] { return !window->Scanning() && window->Idle(); }, 5000));
    EXPECT_EQ(window->StatusText(2), QStringLiteral("Stopped"));
    EXPECT_LT(window->GetCatalogue().EntryCount(), kFolders);
    const auto start = std::chrono::steady_clock::now();
    window.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
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
}  // namespace main_dialog_test
}  // namespace vorne::ui::test
