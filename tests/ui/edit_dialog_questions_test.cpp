// Closing a header edit dialog with edits not written asks "Write the changes?"; "&Write Headers"
// says in the dialog that it wrote; every dialog is wide enough for its title.
#include <QLabel>
#include <QTest>
#include <memory>

#include "edit_dialog_fixture.h"
#include "ui/edit_item.h"
#include "ui/folder_browser.h"
#include "ui/mp3_edit_dialog.h"
#include "ui/options_dialog.h"
#include "ui/settings.h"

namespace vorne::ui::test {
namespace edit_dialog_questions_test {
namespace {

using Asked = FakePrompts::Asked;

// How the user closes a dialog.
enum class Close { Ok, Enter, Escape, CloseBox, CancelButton };

void CloseBy(QDialog& dialog, Close how, QWidget* focus) {
    switch (how) {
        case Close::Ok: Button(dialog, QStringLiteral("OK"))->click(); break;
        case Close::Enter: QTest::keyClick(focus, Qt::Key_Return); break;
        case Close::Escape: QTest::keyClick(focus, Qt::Key_Escape); break;
        case Close::CloseBox: dialog.close(); break;
        case Close::CancelButton: Button(dialog, QStringLiteral("&Cancel"))->click(); break;
    }
}

// The first edit box of a dialog: each kind's title.
QLineEdit* FirstBox(QWidget& dialog) { return dialog.findChildren<QLineEdit*>().front(); }

struct RomFile {
    RomType type;
    std::string name;
    samples::Bytes bytes;
};

std::vector<RomFile> RomFiles() {
    return {{RomType::Gameboy, "a.gb", samples::MakeGameboy({})},
            {RomType::Nes, "a.nes", samples::MakeNes({})},
            {RomType::Snes, "a.sfc", samples::MakeSnes({})},
            {RomType::N64, "a.n64", samples::MakeN64({})},
            {RomType::Genesis, "a.bin", samples::MakeGenesis({})}};
}

TEST_F(EditDialogTest, ClosingWithEditsNotWrittenAsksToWriteThem) {
    const struct {
        const char* name;
        bool edit;
        Close how;
        PromptAnswer answer;
        bool asked;
        bool written;
        bool open;  // after the close
    } cases[] = {
        {"unchanged, OK", false, Close::Ok, PromptAnswer::Yes, false, false, false},
        {"changed, OK, Yes", true, Close::Ok, PromptAnswer::Yes, true, true, false},
        {"changed, Enter, No", true, Close::Enter, PromptAnswer::No, true, false, false},
        {"changed, close box, Cancel", true, Close::CloseBox, PromptAnswer::Cancel, true, false, true},
        {"changed, Escape, Yes", true, Close::Escape, PromptAnswer::Yes, true, true, false},
    };
    for (const RomFile& file : RomFiles()) {
        for (const auto& c : cases) {
            SCOPED_TRACE(file.name + ": " + c.name);
            Put(file.name, file.bytes);
            prompts.messages.clear();
            prompts.answer = c.answer;
            std::unique_ptr<CHeaderEditDialog> dialog = CreateEditDialog(file.type, Folder(), file.name, prompts, nullptr);
            ASSERT_TRUE(dialog->Load());
            dialog->show();
            QLineEdit* box = FirstBox(*dialog);
            if (c.edit) Type(box, QStringLiteral("CHANGED"));
            EXPECT_EQ(dialog->Changed(), c.edit);
            CloseBy(*dialog, c.how, box);
            ASSERT_EQ(prompts.messages.size(), c.asked ? 1u : 0u);
            if (c.asked) {
                EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Write the changes?"));
                EXPECT_EQ(prompts.messages[0].asked, Asked::YesNoCancel);
            }
            EXPECT_EQ(Bytes(file.name) != file.bytes, c.written);
            EXPECT_EQ(dialog->isVisible(), c.open);
        }
    }
}

TEST_F(EditDialogTest, WriteHeadersSaysSoInTheDialogAndLeavesNothingToAsk) {
    for (const RomFile& file : RomFiles()) {
        SCOPED_TRACE(file.name);
        Put(file.name, file.bytes);
        prompts.messages.clear();
        std::unique_ptr<CHeaderEditDialog> dialog = CreateEditDialog(file.type, Folder(), file.name, prompts, nullptr);
        ASSERT_TRUE(dialog->Load());
        dialog->show();
        EXPECT_TRUE(dialog->WrittenNote()->text().isEmpty());
        Type(FirstBox(*dialog), QStringLiteral("CHANGED"));
        Button(*dialog, QStringLiteral("&Write Headers"))->click();
        EXPECT_EQ(dialog->WrittenNote()->text(), QStringLiteral("Headers written."));
        EXPECT_NE(Bytes(file.name), file.bytes);
        EXPECT_FALSE(dialog->Changed());
        dialog->close();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(prompts.messages.empty());  // neither a message box nor a question
    }
}

TEST_F(EditDialogTest, Mp3ClosingWithEditsNotWrittenAsksButCancelThrowsThemAway) {
    const samples::Bytes tagged = samples::MakeMp3({.title = "Song"});
    const struct {
        const char* name;
        Close how;
        PromptAnswer answer;
        bool asked;
        bool written;
        bool open;
    } cases[] = {
        {"close box, Yes", Close::CloseBox, PromptAnswer::Yes, true, true, false},
        {"close box, No", Close::CloseBox, PromptAnswer::No, true, false, false},
        {"Escape, Cancel", Close::Escape, PromptAnswer::Cancel, true, false, true},
        {"Enter is Write Info", Close::Enter, PromptAnswer::No, false, true, false},
        {"the Cancel button", Close::CancelButton, PromptAnswer::Yes, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.mp3", tagged);
        prompts.messages.clear();
        prompts.answer = c.answer;
        CMp3EditDialog dialog(Folder(), "a.mp3", prompts);
        ASSERT_TRUE(dialog.Load());
        dialog.show();
        EXPECT_FALSE(dialog.Changed());
        Type(dialog.Box(0), QStringLiteral("Other"));
        CloseBy(dialog, c.how, dialog.Box(0));
        EXPECT_EQ(prompts.messages.size(), c.asked ? 1u : 0u);
        EXPECT_EQ(Bytes("a.mp3") != tagged, c.written);
        EXPECT_EQ(dialog.isVisible(), c.open);
    }
}

TEST_F(EditDialogTest, DialogsAreWideEnoughForTheirTitles) {
    const std::string name = "A file name long enough to widen the title bar (U) [!]";
    Put(name + ".n64", samples::MakeN64({}));
    Put(name + ".mp3", samples::MakeMp3({}));
    Settings settings(Q(dir / "vorne.conf"));
    std::string path = dir.Path();
    std::vector<std::unique_ptr<QDialog>> dialogs;
    for (const auto& [type, file] : {std::pair{RomType::N64, name + ".n64"}, std::pair{RomType::Mp3, name + ".mp3"}}) {
        std::unique_ptr<CHeaderEditDialog> dialog = CreateEditDialog(type, Folder(), file, prompts, nullptr);
        ASSERT_TRUE(dialog->Load());
        dialogs.push_back(std::move(dialog));
    }
    dialogs.push_back(std::make_unique<CMp3EditDialog>(2, prompts));
    dialogs.push_back(std::make_unique<COptionsDialog>(settings, prompts));
    dialogs.push_back(std::make_unique<CFolderBrowserDialog>(&path, nullptr));
    for (const auto& dialog : dialogs) {
        SCOPED_TRACE(dialog->windowTitle().toStdString());
        dialog->show();
        QApplication::processEvents();
        QFont bold = dialog->font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        // The title and, beside it, an icon and three buttons at least a line high each.
        EXPECT_GT(dialog->width(), metrics.horizontalAdvance(dialog->windowTitle()) + 4 * metrics.height());
        dialog->close();
    }
}

}  // namespace
}  // namespace edit_dialog_questions_test
}  // namespace vorne::ui::test
