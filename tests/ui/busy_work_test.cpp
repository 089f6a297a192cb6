// The window while it works: the progress and Cancel in the status bar, Escape and Cancel stopping
// a tool between its files, a scan started over by the search boxes, and F5.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "base/rom_type.h"
#include "images.h"
#include "main_dialog_fixture.h"
#include "ui/batch_commands.h"
#include "ui/busy_indicator.h"
#include "ui/main_menu.h"
#include "zip_writer.h"

namespace vorne::ui::test {
namespace busy_work_test {
namespace {

namespace fs = std::filesystem;

// An NES row whose trainer the remover asks about: its size fits no trainer.
std::vector<std::string> SuspectNesRow(const std::string& filename) {
    std::vector<std::string> cells(static_cast<std::size_t>(ColumnCount(RomType::Nes)));
    cells[kFilenameColumn] = filename;
    cells[kSizeColumn] = "41060";  // 100 bytes past a whole number of 8 KiB banks
    cells[static_cast<std::size_t>(NesField::Trainer)] = "Yes";
    return cells;
}

// Stopped while it asks about its first file, a tool ends before the next one, says how far it
// got, and the window neither closes nor scans again.
TEST_F(MainDialogTest, EscapeOrCancelStopsAToolBetweenItsFiles) {
    const struct {
        const char* how;
        std::function<void(CMainDialog&)> stop;
    } ways[] = {
        {"Escape", [](CMainDialog& w) { QTest::keyClick(w.List(), Qt::Key_Escape); }},
        {"Cancel", [](CMainDialog& w) { w.Busy()->CancelButton()->click(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        Open(RomType::Nes, QString());
        Feed({SuspectNesRow("a.nes"), SuspectNesRow("b.nes"), SuspectNesRow("c.nes")});
        window->List()->selectAll();
        int scans = 0;
        QObject::connect(window.get(), &CMainDialog::scanFinished, [&scans] { ++scans; });
        prompts.messages.clear();
        prompts.yes = false;  // the files stay as they are
        bool busyAsked = false;
        prompts.onAsked = [&](const FakePrompts::Shown&) {
            if (std::exchange(busyAsked, true)) return;
            // While the tool works: its progress and Cancel, every command greyed but OK.
            BusyIndicator* busy = window->Busy();
            EXPECT_TRUE(busy->isVisible());
            EXPECT_EQ(busy->Shows(), BusyIndicator::Work::Tool);
            EXPECT_EQ(busy->Count()->text(), QStringLiteral("0 of 3 files"));
            EXPECT_EQ(busy->Bar()->maximum(), 3);
            EXPECT_TRUE(busy->CancelButton()->isEnabled());
            EXPECT_FALSE(window->Action(Command::Delete)->isEnabled());
            EXPECT_FALSE(window->Action(Command::Refresh)->isEnabled());
            EXPECT_TRUE(window->Action(Command::Ok)->isEnabled());
            way.stop(*window);
        };
        window->Action(Command::TrainerRemover)->trigger();
        ASSERT_TRUE(WaitFor([this] { return window->Idle() && !window->Batch().Runner().Running(); }));
        prompts.onAsked = nullptr;
        std::vector<QString> shown;
        for (const auto& m : prompts.messages) shown.push_back(m.title + QStringLiteral(": ") + m.text);
        EXPECT_EQ(shown, (std::vector<QString>{QStringLiteral("Bad Size: Inappropriate filesize for trained ROM a.nes. Continue removal?"),
                                               QStringLiteral("Trainer Remover: Stopped after 1 of 3 files.")}));
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->Busy()->isVisible());
        EXPECT_EQ(scans, 0);
        EXPECT_EQ(window->GetCatalogue().Model().RowCount(), 3);
    }
}

// A box ticked while a scan runs starts it over, as the walk may have passed folders by the old
// setting; the end of the walk it follows neither finishes the list nor makes the window idle.
TEST_F(MainDialogTest, TickingASearchBoxDuringAScanStartsItOver) {
    const auto image = samples::MakeGameboy({});
    for (int folder = 0; folder < 20; ++folder) dir.Write("roms/d" + std::to_string(folder) + "/f.gb", image);
    samples::ZipWriter zip;
    zip.Add({.name = "INSIDE.GB", .data = image});
    dir.Write("roms/pack.zip", zip.Finish());
    settings.SetLastType(RomType::Gameboy);
    settings.SetFolder(RomType::Gameboy, Q(roms));
    settings.SetSearchSubfolders(RomType::Gameboy, true);
    window = std::make_unique<CMainDialog>(settings, prompts, std::string());
    window->show();
    int starts = 0, scans = 0, idles = 0;
    QObject::connect(static_cast<CatalogTableModel*>(window->List()->model()), &CatalogTableModel::statusTextChanged,
                     [&](int part) { starts += part == kStatusEntries && window->GetCatalogue().Status(part) == "Processing..."; });
    QObject::connect(static_cast<CatalogTableModel*>(window->List()->model()), &CatalogTableModel::idleStateChanged,
                     [&](bool idle) { idles += idle; });
    QObject::connect(window.get(), &CMainDialog::scanFinished, [&scans] { ++scans; });
    window->StartUp();
    ASSERT_TRUE(window->Scanning());
    QTest::mouseClick(window->ZipBox(), Qt::LeftButton, {}, QPoint(4, window->ZipBox()->height() / 2));
    ASSERT_TRUE(window->ZipBox()->isChecked());
    ASSERT_TRUE(WaitFor([&] { return window->Idle() && scans > 0 && !window->Scanning(); }));
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(idles, 1);
    EXPECT_EQ(window->GetCatalogue().EntryCount(), 21);
    EXPECT_GE(RowNamed("pack.zip <INSIDE.GB>"), 0);
}

// However the threads run, a walk followed by another never ends the scan: its end may be applied
// before the next walk's start.
TEST_F(MainDialogTest, TheEndOfAWalkThatAnotherFollowsIsDropped) {
    Open(RomType::Gameboy, QString());
    ScanEventPump& pump = window->Pump();
    int finished = 0;
    QObject::connect(&pump, &ScanEventPump::scanFinished, [&finished] { ++finished; });
    pump.ScanRequested();
    pump.ScanRequested();  // before the first walk's end
    window->GetCatalogue().SetIdle(false);
    for (int walk = 0; walk < 2; ++walk) {
        pump.Post(ScanStarted{});
        pump.Post(RowsFound{{CatalogRow{GbRow("T", "walk" + std::to_string(walk) + ".gb")}}});
        pump.Post(WalkDone{std::chrono::steady_clock::now(), walk == 0});
        pump.DrainAll();
        if (walk == 0) {
            EXPECT_EQ(window->Busy()->Count()->text(), QStringLiteral("1 file found"));  // counted as rows come
        }
        EXPECT_EQ(window->Idle(), walk == 1) << walk;
        EXPECT_EQ(finished, walk) << walk;
    }
    EXPECT_EQ(Column(kFilenameColumn), std::vector<std::string>{"walk1.gb"});
}

TEST_F(MainDialogTest, F5AndViewRefreshScanTheFolderAgain) {
    dir.Write("roms/a.gb", samples::MakeGameboy({}));
    Open(RomType::Gameboy);
    ASSERT_EQ(window->GetCatalogue().EntryCount(), 1);
    QAction* refresh = nullptr;
    for (QAction* menu : window->menuBar()->actions()) {
        if (menu->text() != QStringLiteral("&View")) continue;
        for (QAction* item : menu->menu()->actions()) {
            if (item->text() == QStringLiteral("&Refresh")) refresh = item;
        }
    }
    ASSERT_EQ(refresh, window->Action(Command::Refresh));
    dir.Write("roms/b.gb", samples::MakeGameboy({.title = "B"}));
    QTest::keyClick(window->List(), Qt::Key_F5);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->GetCatalogue().EntryCount(), 2);
    dir.Write("roms/c.gb", samples::MakeGameboy({.title = "C"}));
    refresh->trigger();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->GetCatalogue().EntryCount(), 3);
}

}  // namespace
}  // namespace busy_work_test
}  // namespace vorne::ui::test
