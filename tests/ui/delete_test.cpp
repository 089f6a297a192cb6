// Delete in the main window: the files behind the selected rows, the split-set rule, archive rows,
// the "Deletion Error" message, and the counts and selection afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "main_dialog_fixture.h"
#include "support/as_user.h"
#include "ui/main_menu.h"
#include "ui/sort_list_ctrl.h"
#include "zip_writer.h"

namespace vorne::ui::test {
namespace delete_test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// With the trash off, one question for the whole press names how many files go for good; No
// keeps them all.
TEST_F(MainDialogTest, DeleteRemovesTheFilesBehindTheSelectedRows) {
    const struct {
        const char* name;
        std::vector<std::string> files;     // on disk before
        std::vector<std::string> rows;      // file name cells, in this order after the sort
        std::vector<std::string> selected;
        QString question;                   // asked first; empty: none
        bool yes;
        std::vector<std::string> filesLeft;
        std::vector<std::string> rowsLeft;
        std::size_t errors;
    } cases[] = {
        {"a split set goes whole", {"game.1", "game.2", "game.3", "other.smc"}, {"game.1", "other.smc"}, {"game.1"},
         "Delete 3 files for good?", true, {"other.smc"}, {"other.smc"}, 0},
        {"No keeps it", {"game.1", "game.2", "other.smc"}, {"game.1", "other.smc"}, {"game.1", "other.smc"},
         "Delete 3 files for good?", false, {"game.1", "game.2", "other.smc"}, {"game.1", "other.smc"}, 0},
        {"a split set of one part", {"solo.1"}, {"solo.1"}, {"solo.1"}, "Delete 1 file for good?", true, {}, {}, 0},
        {"a split set whose first part is gone", {"gone.2"}, {"gone.1"}, {"gone.1"}, "", true, {"gone.2"}, {}, 0},
        {"only names ending in 1 are sets", {"SF16MARA.078", "SF16MARB.078", "SF16MARC.078"}, {"SF16MARA.078"},
         {"SF16MARA.078"}, "Delete 1 file for good?", true, {"SF16MARB.078", "SF16MARC.078"}, {}, 0},
        {"three rows at once", {"a.gb", "b.gb", "c.gb", "d.gb"}, {"a.gb", "b.gb", "c.gb", "d.gb"},
         {"a.gb", "b.gb", "d.gb"}, "Delete 3 files for good?", true, {"c.gb"}, {"c.gb"}, 0},
        {"a file that cannot go keeps its row", {"a.gb", "dir.gb/inside", "b.gb"}, {"a.gb", "b.gb", "dir.gb"},
         {"a.gb", "dir.gb", "b.gb"}, "Delete 3 files for good?", true, {"dir.gb/inside"}, {"dir.gb"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(roms);
        fs::create_directories(roms);
        for (const std::string& file : c.files) dir.Write("roms/" + file, {1, 2, 3});
        Open(RomType::Gameboy, QString());
        std::vector<std::vector<std::string>> rows;
        for (std::size_t i = 0; i < c.rows.size(); ++i) rows.push_back(GbRow("T" + std::to_string(i), c.rows[i]));
        Feed(rows);
        ASSERT_EQ(Column(kFilenameColumn), c.rows);
        Select(c.selected);
        prompts.messages.clear();
        prompts.yes = c.yes;
        window->Button(Command::Delete)->click();
        EXPECT_EQ(FilesIn(roms), c.filesLeft);
        EXPECT_EQ(Column(kFilenameColumn), c.rowsLeft);
        EXPECT_EQ(window->GetCatalogue().EntryCount(), static_cast<int>(c.rowsLeft.size()));
        const std::size_t asked = c.question.isEmpty() ? 0 : 1;
        ASSERT_EQ(prompts.messages.size(), asked + c.errors);
        if (asked > 0) {
            EXPECT_EQ(prompts.messages[0].text, c.question);
            EXPECT_EQ(prompts.messages[0].asked, FakePrompts::Asked::DefaultNo);
        }
        if (c.errors > 0) {
            EXPECT_EQ(prompts.messages[asked].title, QStringLiteral("Deletion Error"));
            EXPECT_TRUE(prompts.messages[asked].text.startsWith(
                QStringLiteral("Could not delete %1/dir.gb.\nCheck to ensure that the file is not read-only.").arg(Q(roms))))
                << prompts.messages[asked].text.toStdString();
        }
    }
}

// An archive holds more than the member the user pointed at: it goes only after a question whose
// default is No, asked once for all the rows of its members, and takes all those rows along. The
// question of deleting for good follows the archives' questions and counts each archive once.
TEST_F(MainDialogTest, DeletingMemberRowsAsksOnceForEachArchive) {
    samples::ZipWriter zip;
    for (const char* name : {"A.GB", "B.GB", "readme.txt"}) zip.Add({.name = name, .data = {1, 2}});
    zip.AddFolder("docs");
    const std::vector<std::uint8_t> pack = zip.Finish();
    const std::string a = Member("pack.zip", "A.GB", 0), b = Member("pack.zip", "B.GB", 1);
    const std::string other = Member("other.zip", "C.GB");  // not a zip: the rows shown count
    const struct {
        const char* name;
        bool yes;
        bool toTrash;
        std::vector<std::string> selected;
        std::vector<std::string> questions;
        std::vector<std::string> filesLeft;
        std::vector<std::string> rowsLeft;
    } cases[] = {
        {"No keeps the archive and its rows", false, false, {a}, {"pack.zip holds 3 files. Delete the whole archive?"},
         {"other.zip", "pack.zip", "plain.gb"}, {a, b, other, "plain.gb"}},
        {"Yes deletes it once, with the rows of all its members", true, false, {a, b, "plain.gb"},
         {"pack.zip holds 3 files. Delete the whole archive?", "Delete 2 files for good?"}, {"other.zip"}, {other}},
        {"two archives, one question each", true, false, {other, b},
         {"pack.zip holds 3 files. Delete the whole archive?", "other.zip holds 1 file. Delete the whole archive?",
          "Delete 2 files for good?"},
         {"plain.gb"}, {"plain.gb"}},
        {"the trash setting applies", true, true, {b}, {"pack.zip holds 3 files. Delete the whole archive?"},
         {"other.zip", "plain.gb"}, {other, "plain.gb"}},
    };
    const std::string data = dir / "data";
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(roms);
        fs::remove_all(data);
        fs::create_directories(data);
        dir.Write("roms/pack.zip", pack);
        dir.Write("roms/other.zip", {1, 2, 3});
        dir.Write("roms/plain.gb", {1});
        settings.SetDeleteToTrash(c.toTrash);
        Open(RomType::Gameboy, QString());
        Feed({GbRow("A", a), GbRow("B", b), GbRow("C", other), GbRow("P", "plain.gb")});
        Select(c.selected);
        prompts.messages.clear();
        prompts.yes = c.yes;
        window->OnDelete();
        std::vector<std::string> asked;
        for (const auto& m : prompts.messages) {
            EXPECT_EQ(m.title, m.text.startsWith(QStringLiteral("Delete ")) ? QStringLiteral("Delete Files") : QStringLiteral("Delete Archive"));
            EXPECT_EQ(m.asked, FakePrompts::Asked::DefaultNo);
            asked.push_back(m.text.toStdString());
        }
        EXPECT_EQ(asked, c.questions);
        EXPECT_EQ(FilesIn(roms), c.filesLeft);
        EXPECT_EQ(Column(kFilenameColumn), c.rowsLeft);
        EXPECT_EQ(window->GetCatalogue().EntryCount(), static_cast<int>(c.rowsLeft.size()));
        EXPECT_EQ(fs::exists(data + "/Trash/files/pack.zip"), c.toTrash);
    }
    qunsetenv("XDG_DATA_HOME");
}

TEST_F(MainDialogTest, AReadOnlyFolderGivesDeletionErrorAndKeepsTheRow) {
    dir.Write("roms/a.gb", {1});
    Open(RomType::Gameboy, QString());
    Feed({GbRow("A", "a.gb")});
    ::chmod(dir.Path().c_str(), 0755);  // an ordinary user may reach the folder, not change it
    ::chmod(roms.c_str(), 0555);
    window->List()->SelectOnly(0);
    {
        vorne::test::OrdinaryFileUser user;  // root would delete from a read-only folder
        QTest::keyClick(window->List(), Qt::Key_Delete);
    }
    ::chmod(roms.c_str(), 0755);
    ASSERT_EQ(prompts.messages.size(), 2u);  // the question, then the error
    EXPECT_EQ(prompts.messages[1].title, QStringLiteral("Deletion Error"));
    EXPECT_TRUE(prompts.messages[1].text.contains(QStringLiteral("Permission denied"))) << prompts.messages[1].text.toStdString();
    EXPECT_EQ(Column(kFilenameColumn), std::vector<std::string>{"a.gb"});
    EXPECT_TRUE(fs::exists(roms + "/a.gb"));
}

TEST_F(MainDialogTest, DeleteKeepsTheCountsAndSelectsTheRowThatTookThePlace) {
    for (const char* name : {"a.gb", "b.gb", "c.gb", "d.gb"}) dir.Write(std::string("roms/") + name, {1});
    Open(RomType::Gameboy, QString());
    Feed({GbRow("ONE", "a.gb"), GbRow("SAME", "b.gb"), GbRow("SAME", "c.gb"), GbRow("TWO", "d.gb")});
    ASSERT_EQ(window->GetCatalogue().UniqueCount(), 3);
    CSortListCtrl* list = window->List();
    const struct {
        std::string deleted;
        int unique;
        std::string selectedAfter;
    } steps[] = {
        {"c.gb", 3, "d.gb"},  // a duplicate: its partner becomes plain, the count stays
        {"a.gb", 2, "b.gb"},
        {"d.gb", 1, "b.gb"},  // the last row: the row above takes the selection
    };
    for (const auto& step : steps) {
        list->SelectOnly(RowNamed(step.deleted));
        window->OnDelete();
        EXPECT_EQ(window->GetCatalogue().UniqueCount(), step.unique) << step.deleted;
        EXPECT_EQ(window->StatusText(1), QStringLiteral("%1 known unique").arg(step.unique));
        EXPECT_EQ(list->FocusedSelectedRow(), RowNamed(step.selectedAfter)) << step.deleted;
        for (int r = 0; r < window->GetCatalogue().Model().RowCount(); ++r) EXPECT_FALSE(window->GetCatalogue().Model().IsDuplicate(r));
    }
    EXPECT_EQ(window->StatusText(0), QStringLiteral("1 ROM"));
}

// Without a trash for a file, the question says why and asks before deleting it for good.
TEST_F(MainDialogTest, DeleteToTrashMovesTheFileIntoTheDesktopsTrashOnly) {
    const struct {
        const char* what;
        const char* variable;  // set to the test's data folder
        std::string trashed;   // where the file goes; empty: there is no trash, and the question says why
        bool yes;              // the answer to that question
    } cases[] = {
        {"XDG_DATA_HOME", "XDG_DATA_HOME", "data/Trash/files/a.gb", true},
        {"a home without .local/share", "HOME", "data/.local/share/Trash/files/a.gb", true},
        {"no trash, and No keeps the file", "XDG_DATA_HOME", "", false},
        {"no trash, and Yes deletes it for good", "XDG_DATA_HOME", "", true},
    };
    const QByteArray home = qgetenv("HOME");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.messages.clear();
        const std::string data = dir / "data";
        fs::remove_all(data);
        if (c.trashed.empty()) {
            dir.Write("data", {});
        } else {
            fs::create_directories(data);
        }
        qunsetenv("XDG_DATA_HOME");
        qputenv(c.variable, QByteArray::fromStdString(data));
        dir.Write("roms/a.gb", {1, 2});
        settings.SetDeleteToTrash(true);
        Open(RomType::Gameboy, QString());
        Feed({GbRow("A", "a.gb")});
        window->List()->SelectOnly(0);
        prompts.yes = c.yes;
        window->OnDelete();
        qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", home);
        if (c.trashed.empty()) {
            ASSERT_EQ(prompts.messages.size(), 1u);
            const QString& text = prompts.messages[0].text;
            EXPECT_TRUE(text.startsWith(Q(roms + "/a.gb cannot be moved to the trash"))) << text.toStdString();
            EXPECT_TRUE(text.endsWith(QStringLiteral("\n\nDelete 1 file for good?"))) << text.toStdString();
            EXPECT_EQ(prompts.messages[0].asked, FakePrompts::Asked::DefaultNo);
            EXPECT_EQ(fs::exists(roms + "/a.gb"), !c.yes);
            EXPECT_EQ(window->GetCatalogue().Model().RowCount(), c.yes ? 0 : 1);
            continue;
        }
        EXPECT_TRUE(prompts.messages.empty()) << (prompts.messages.empty() ? "" : prompts.messages[0].text.toStdString());
        EXPECT_FALSE(fs::exists(roms + "/a.gb"));
        EXPECT_TRUE(fs::exists(dir / c.trashed));
        EXPECT_EQ(window->GetCatalogue().Model().RowCount(), 0);
    }
}

}  // namespace
}  // namespace delete_test
}  // namespace vorne::ui::test
