// What the header edit dialogs do when a file cannot be read or written: a message box with the
// platform's own message or the reason for the refusal; the dialog stays open with what the user
// typed, and the file stays as it was.
#include <QLabel>
#include <filesystem>
#include <fstream>
#include <functional>

#include "edit_dialog_fixture.h"
#include "ui/gameboy_edit_dialog.h"
#include "ui/mp3_edit_dialog.h"
#include "ui/nes_edit_dialog.h"

namespace vorne::ui::test {
namespace edit_dialog_errors_test {
namespace {

namespace fs = std::filesystem;

void Append(const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.put('x');
}

TEST_F(EditDialogTest, AFailedWriteIsShownAndTheDialogStaysOpen) {
    const struct {
        const char* name;
        std::function<void(const std::string& path)> spoil;  // after the dialog read the file
        bool permissionsApply;                               // to the writer, even when it is root
        QString message;                                     // the message ends with this
    } cases[] = {
        {"a read-only file", [](const std::string& path) { fs::permissions(path, fs::perms::owner_read | fs::perms::others_read); },
         true, "Permission denied"},
        {"a vanished file", [](const std::string& path) { fs::remove(path); }, false, "No such file or directory"},
        {"a file whose length changed", Append, false, "the file changed since it was read; read it again"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        fs::remove(dir / "roms/a.gb");  // an earlier case left it read-only, which only root writes over
        Put("a.gb", samples::MakeGameboy({}));
        const std::string path = dir / "roms/a.gb";
        CGameboyEditDialog dialog(Folder(), "a.gb", prompts);
        ASSERT_TRUE(dialog.Load());
        dialog.show();
        Type(dialog.TitleBox(), "TYPED");
        c.spoil(path);
        const auto spoilt = fs::exists(path) ? vorne::test::ReadFile(path) : std::vector<std::uint8_t>();
        if (c.permissionsApply) {
            fs::permissions(dir.Path(), fs::perms::all);  // the way in is open to anyone
            OrdinaryFileUser user;
            Button(dialog, "&Write Headers")->click();
        } else {
            Button(dialog, "&Write Headers")->click();
        }
        const FakePrompts::Shown shown = OnlyMessage();
        EXPECT_EQ(shown.title, QStringLiteral("File Error"));
        EXPECT_TRUE(shown.text.endsWith(c.message)) << shown.text.toStdString();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.TitleBox()->text(), QStringLiteral("TYPED"));
        if (fs::exists(path)) {
            EXPECT_EQ(vorne::test::ReadFile(path), spoilt);
        }
    }
}

TEST_F(EditDialogTest, AWriteThatWouldGrowAShortFileIsRefused) {
    samples::Bytes image = samples::MakeGameboy({});
    image.resize(0x140);  // ends inside the header
    Put("short.gb", image);
    CGameboyEditDialog dialog(Folder(), "short.gb", prompts);
    ASSERT_TRUE(dialog.Load());
    Button(dialog, "&Write Headers")->click();
    EXPECT_TRUE(OnlyMessage().text.endsWith(QStringLiteral("the header lies past the end of the file")));
    EXPECT_EQ(Bytes("short.gb"), image);
}

TEST_F(EditDialogTest, Mp3FailuresKeepTheDialogOpen) {
    const struct {
        const char* name;
        QString button;
    } cases[] = {{"Write Info", "&Write Info"}, {"Delete Tag", "&Delete Tag"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        fs::remove(dir / "roms/a.mp3");  // as above
        Put("a.mp3", samples::MakeMp3({.title = "Song"}));
        const std::string path = dir / "roms/a.mp3";
        const auto before = Bytes("a.mp3");
        CMp3EditDialog dialog(Folder(), "a.mp3", prompts);
        ASSERT_TRUE(dialog.Load());
        dialog.show();
        fs::permissions(path, fs::perms::owner_read | fs::perms::others_read);
        {
            fs::permissions(dir.Path(), fs::perms::all);
            OrdinaryFileUser user;
            Button(dialog, c.button)->click();
        }
        EXPECT_TRUE(OnlyMessage().text.endsWith(QStringLiteral("Permission denied")));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);  // not ended
        EXPECT_EQ(Bytes("a.mp3"), before);
    }
}

TEST_F(EditDialogTest, AFileThatCannotBeReadIsNotShown) {
    CNesEditDialog dialog(Folder(), "gone.nes", prompts);
    EXPECT_FALSE(dialog.Load());
    EXPECT_EQ(OnlyMessage().title, QStringLiteral("File Error"));
    EXPECT_TRUE(OnlyMessage().text.endsWith(QStringLiteral("gone.nes: No such file or directory")));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("NES Rom Edit"));
}

}  // namespace
}  // namespace edit_dialog_errors_test
}  // namespace vorne::ui::test
