// DAT files in the window: the scans check the list against the kind's DAT (loaded once, again when
// the file changes), the hash cache vorne-cli uses, duplicates by data, "Missing from DAT..." and
// "Rename to DAT Names".
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>

#include "dat/data_hasher.h"
#include "images.h"
#include "main_dialog_fixture.h"
#include "ui/batch_commands.h"
#include "ui/missing_dat_dialog.h"
#include "ui/options_dialog.h"

namespace vorne::ui::test {
namespace dat_window_test {
namespace {

using samples::Bytes;
namespace fs = std::filesystem;

// The <rom> of an NES image: the hashes of its bytes behind the 16-byte header.
std::string RomOf(const std::string& name, const Bytes& image) {
    const FileHashes h = HashBytes(std::span(image).subspan(16), {0, static_cast<std::int64_t>(image.size() - 16)}, {});
    return "<rom name=\"" + name + "\" size=\"" + std::to_string(h.data.size) + "\" crc=\"" + CrcText(h.data.crc) +
           "\" sha1=\"" + HexText(*h.data.sha1) + "\"/>";
}

class DatWindowTest : public MainDialogTest {
protected:
    Bytes alpha = samples::MakeNes({.seed = 11});
    Bytes beta = samples::MakeNes({.seed = 12});
    std::string dat;
    std::string cacheHome = dir / "cache-home";
    std::string oldCacheHome = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";

    // alpha.nes, beta.nes, stranger.nes; the DAT knows alpha and beta by other names, and Gamma,
    // which is missing. The hash cache lives in the test's folder.
    DatWindowTest() {
        setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1);
        dir.Write("roms/alpha.nes", alpha);
        dir.Write("roms/beta.nes", beta);
        dir.Write("roms/stranger.nes", samples::MakeNes({.seed = 13}));
        dat = WriteDat("Beta (Japan).nes");
        settings.SetDatFile(RomType::Nes, Q(dat));
    }
    ~DatWindowTest() override {
        if (oldCacheHome.empty()) {
            unsetenv("XDG_CACHE_HOME");
        } else {
            setenv("XDG_CACHE_HOME", oldCacheHome.c_str(), 1);
        }
    }
    std::string WriteDat(const std::string& betaName, const std::string& extra = "") {
        const std::string text = "<datafile><header><name>Test NES</name></header>"
                                 "<game name=\"Alpha (USA)\">" + RomOf("Alpha (USA).nes", alpha) + "</game>"
                                 "<game name=\"Beta (Japan)\">" + RomOf(betaName, beta) + "</game>"
                                 "<game name=\"Gamma\"><rom name=\"Gamma.nes\" size=\"16\" crc=\"01234567\"/></game>" +
                                 extra + "</datafile>";
        return dir.Write("nes.dat", {text.begin(), text.end()});
    }
    // Runs a command and waits until it, and the scan that may follow, are done.
    void Run(Command command) {
        window->Action(command)->trigger();
        ASSERT_TRUE(WaitFor([&] { return !window->Batch().Runner().Running() && !window->Scanning() && window->Idle(); }));
    }
    void Rescan() {
        window->StartScan();
        ASSERT_TRUE(WaitIdle());
    }
    QString Header(int column) const { return window->List()->model()->headerData(column, Qt::Horizontal).toString(); }
    std::string DatColumn(const std::string& file, int fromEnd) const {
        const CatalogModel& model = window->GetCatalogue().Model();
        return std::string(model.Cell(RowNamed(file), model.ColumnCount() - fromEnd));
    }
};

TEST_F(DatWindowTest, ScansCheckTheListAgainstTheKindsDat) {
    Open(RomType::Nes);
    const int columns = ColumnCount(RomType::Nes);
    ASSERT_EQ(window->List()->model()->columnCount(), columns + 2);
    EXPECT_EQ(Header(columns), QStringLiteral("DAT Name"));
    EXPECT_EQ(Header(columns + 1), QStringLiteral("DAT Match"));
    EXPECT_EQ(DatColumn("alpha.nes", 2), "Alpha (USA)");
    EXPECT_EQ(DatColumn("alpha.nes", 1), "Yes");
    EXPECT_EQ(DatColumn("stranger.nes", 1), "");
    EXPECT_TRUE(window->StatusText(2).endsWith(QStringLiteral("files per second, 2 of 3 in DAT"))) << window->StatusText(2).toStdString();
    EXPECT_TRUE(prompts.messages.empty());
    // The same file: not loaded again. A changed one is.
    const DatSet* loaded = window->GetCatalogue().Dat();
    Rescan();
    EXPECT_EQ(window->GetCatalogue().Dat(), loaded);
    WriteDat("Beta (Japan).nes", "<game name=\"Delta\"><rom name=\"d.nes\" size=\"16\" crc=\"76543210\"/></game>");
    Rescan();
    ASSERT_NE(window->GetCatalogue().Dat(), nullptr);
    EXPECT_EQ(window->GetCatalogue().Dat()->file.games.size(), 4u);
    EXPECT_TRUE(window->StatusText(2).endsWith(QStringLiteral(", 2 of 4 in DAT")));
    // The hash cache is vorne-cli's: the same file, which both use.
    EXPECT_TRUE(fs::exists(cacheHome + "/vorne/hashes.sqlite"));
    const auto cli = vorne::test::RunCli({"scan", roms, "--kind", "nes", "--dat", dat});
    EXPECT_EQ(cli.exitCode, 0);
    EXPECT_EQ(cli.err, "");
    // A kind without a DAT shows its own columns, and no count.
    window->OnKindChanged(static_cast<int>(RomType::Gameboy));
    EXPECT_EQ(window->List()->model()->columnCount(), ColumnCount(RomType::Gameboy));
}

TEST_F(DatWindowTest, ADatChosenInOptionsScansAgain) {
    settings.SetDatFile(RomType::Nes, QString());
    Open(RomType::Nes);
    EXPECT_EQ(window->List()->model()->columnCount(), ColumnCount(RomType::Nes));
    prompts.onModal = [&](QDialog& dialog) {
        auto& options = dynamic_cast<COptionsDialog&>(dialog);
        options.DatBox(static_cast<int>(RomType::Nes))->setText(Q(dat));
        options.OnSaveSettings();
        return 0;
    };
    window->Action(Command::Options)->trigger();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->List()->model()->columnCount(), ColumnCount(RomType::Nes) + 2);
    EXPECT_EQ(DatColumn("beta.nes", 2), "Beta (Japan)");
}

TEST_F(DatWindowTest, ColumnWidthsLastWithTheDatsColumns) {
    Open(RomType::Nes);
    const int last = ColumnCount(RomType::Nes) + 1;
    window->List()->setColumnWidth(1, 333);
    window->List()->setColumnWidth(last, 77);
    window->close();
    // The DAT is loaded anew by the new window's first scan, after the widths were restored.
    Open(RomType::Nes);
    EXPECT_EQ(window->List()->columnWidth(1), 333);
    EXPECT_EQ(window->List()->columnWidth(last), 77);
}

TEST_F(DatWindowTest, ADatThatCannotBeReadIsSaidOnceAndTheListComesWithoutIt) {
    const std::string text = "<datafile>\n<game name=\"a\">\n</datafile>\n";
    const std::string broken = dir.Write("broken.dat", {text.begin(), text.end()});
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {{broken, broken + ": line 3"}, {dir / "nowhere.dat", dir / "nowhere.dat: "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        prompts.messages.clear();
        settings.SetDatFile(RomType::Nes, Q(c.path));
        Open(RomType::Nes);
        EXPECT_EQ(window->List()->model()->rowCount(), 3);
        EXPECT_EQ(window->List()->model()->columnCount(), ColumnCount(RomType::Nes));
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].title, QStringLiteral("DAT File"));
        EXPECT_TRUE(prompts.messages[0].text.startsWith(Q(c.reason))) << prompts.messages[0].text.toStdString();
        Rescan();  // the same file: nothing new to say
        EXPECT_EQ(prompts.messages.size(), 1u);
        EXPECT_FALSE(window->StatusText(2).contains(QStringLiteral("in DAT")));
    }
}

TEST_F(DatWindowTest, DuplicatesByDataAndACacheThatCannotBeUsed) {
    Bytes remapped = alpha;
    remapped[6] ^= 0x10;  // another mapper: the same data, other columns
    dir.Write("roms/remapped.nes", remapped);
    settings.SetDatFile(RomType::Nes, QString());
    Open(RomType::Nes);
    EXPECT_EQ(window->GetCatalogue().UniqueCount(), 4);
    settings.SetDuplicatesByData(true);
    // The cache's folder cannot be made: said once, and the scan goes on.
    setenv("XDG_CACHE_HOME", (dat + "/under-a-file").c_str(), 1);
    window = std::make_unique<CMainDialog>(settings, prompts, std::string());
    window->show();
    window->StartUp();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->GetCatalogue().UniqueCount(), 3);
    EXPECT_TRUE(window->GetCatalogue().Model().IsDuplicate(RowNamed("remapped.nes")));
    ASSERT_TRUE(WaitFor([&] { return !prompts.messages.empty(); }));
    EXPECT_EQ(prompts.messages[0].title, QStringLiteral("Hash Cache"));
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("scanning without it")));
    Rescan();
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(window->GetCatalogue().UniqueCount(), 3);
}

TEST_F(DatWindowTest, MissingFromDatListsTheMissingAndSavesAFixdat) {
    const std::string fixdat = dir / "fix.dat";
    Open(RomType::Nes);
    std::vector<QString> shown;
    prompts.files = {Q(fixdat)};
    prompts.onModal = [&](QDialog& dialog) {
        auto& missing = dynamic_cast<CMissingDatDialog&>(dialog);
        for (int r = 0; r < missing.List()->model()->rowCount(); ++r) shown.push_back(missing.List()->model()->index(r, 0).data().toString());
        missing.SaveButton()->click();
        return 0;
    };
    window->Action(Command::MissingFromDat)->trigger();
    EXPECT_EQ(shown, std::vector<QString>{QStringLiteral("Gamma")});
    const DatFile saved = LoadDatFile(fixdat);
    ASSERT_EQ(saved.games.size(), 1u);
    EXPECT_EQ(saved.games[0].name, "Gamma");
    EXPECT_EQ(saved.header.name, "fixdat_Test NES");
    EXPECT_TRUE(prompts.messages.empty());

    // Without a DAT for the kind: where to choose one.
    settings.SetDatFile(RomType::Nes, QString());
    Rescan();
    const int modals = prompts.modalsRun;
    window->Action(Command::MissingFromDat)->trigger();
    EXPECT_EQ(prompts.modalsRun, modals);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("Options")));
}

TEST_F(DatWindowTest, RenameToDatNamesThenAScanThatNamesWhatWasLeftAlone) {
    dat = WriteDat("alpha.nes");  // beta's DAT name is taken by alpha's file
    Open(RomType::Nes);
    EXPECT_TRUE(window->Action(Command::RenameToDatNames)->isEnabled());
    Select({"alpha.nes"});
    Run(Command::RenameSelectionToDatNames);
    EXPECT_EQ(vorne::test::ListFolder(roms), (std::vector<std::string>{"Alpha (USA).nes", "beta.nes", "stranger.nes"}));
    EXPECT_NE(RowNamed("Alpha (USA).nes"), -1);  // scanned again
    EXPECT_TRUE(prompts.messages.empty());

    dir.Write("roms/alpha.nes", samples::MakeNes({.seed = 14}));  // now beta's DAT name is taken
    Rescan();
    Run(Command::RenameToDatNames);
    EXPECT_TRUE(fs::exists(roms + "/beta.nes"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, QStringLiteral("Rename to DAT Names"));
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("These files were left as they are:\nbeta.nes: alpha.nes exists already"));

    // No DAT commands for music.
    window->OnKindChanged(static_cast<int>(RomType::Mp3));
    EXPECT_FALSE(window->Action(Command::RenameToDatNames)->isEnabled());
    EXPECT_FALSE(window->Action(Command::MissingFromDat)->isEnabled());
}

}  // namespace
}  // namespace dat_window_test
}  // namespace vorne::ui::test
