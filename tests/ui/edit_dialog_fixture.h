// The header edit dialogs under test: a file of the test's own with a twin copy, the user's
// typing and clicking, and the check that the dialog wrote what vorne-cli set writes to the twin
// for the same field values.
#pragma once

#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/rom_header.h"
#include "formats/reader_factory.h"
#include "images.h"
#include "support/as_user.h"
#include "support/temp_dir.h"
#include "ui_test_support.h"

namespace vorne::ui::test {

// Replaces what `box` holds by `text`, typed key by key (the box's limit applies).
inline void Type(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// The push button of `dialog` with this text.
inline QPushButton* Button(QWidget& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text) return button;
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

// One FIELD=VALUE of vorne-cli set: the field's number and the text. kAsRead stands for the text
// of the field's column as the file had it.
struct CliField {
    template <FieldEnum Field>
    CliField(Field field, std::optional<std::string> text) : field(FieldNumber(field)), text(std::move(text)) {}

    int field;
    std::optional<std::string> text;
};
inline constexpr std::nullopt_t kAsRead = std::nullopt;

class EditDialogTest : public ::testing::Test {
protected:
    vorne::test::TempDir dir;
    FakePrompts prompts;

    // Writes `bytes` as `name` in the folder, and the same bytes as its twin for vorne-cli.
    void Put(const std::string& name, const samples::Bytes& bytes) {
        dir.Write("roms/" + name, bytes);
        dir.Write("twin/" + name, bytes);
    }
    std::string Folder() const { return dir / "roms"; }
    std::vector<std::uint8_t> Bytes(const std::string& name) const { return vorne::test::ReadFile(dir / ("roms/" + name)); }

    // Runs vorne-cli set on the twin of `name` with `edits`, and expects the file to equal it.
    void ExpectSameAsCli(const std::string& name, const std::string& kind, const std::vector<CliField>& edits) {
        const std::string twin = dir / ("twin/" + name);
        std::unique_ptr<RomHeader> before = CreateReader(*ParseRomType(kind), nullptr);
        before->LoadFile(twin);
        std::vector<std::string> args{"set", twin, "--kind", kind};
        for (const CliField& edit : edits) {
            const std::string value = edit.text ? *edit.text : before->ColumnText(edit.field).value();
            args.push_back(std::to_string(edit.field) + "=" + value);
        }
        const vorne::test::CommandResult cli = vorne::test::RunCli(args);
        ASSERT_EQ(cli.exitCode, 0) << cli.err;
        EXPECT_EQ(Bytes(name), vorne::test::ReadFile(dir / ("twin/" + name)));
    }

    // Opens a `Dialog` on `name`, lets `act` do what the user does in it and presses `button`;
    // nothing may go wrong on the way. `check` then looks at the dialog.
    template <typename Dialog>
    void EditWith(const std::string& name, const std::function<void(Dialog&)>& act, const QString& button,
                  const std::function<void(Dialog&)>& check = {}) {
        Dialog dialog(Folder(), name, prompts);
        ASSERT_TRUE(dialog.Load());
        dialog.show();
        act(dialog);
        Button(dialog, button)->click();
        EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front().text.toStdString();
        if (check) check(dialog);
    }

    // The one message shown, or a failure.
    FakePrompts::Shown OnlyMessage() const {
        EXPECT_EQ(prompts.messages.size(), 1u);
        return prompts.messages.empty() ? FakePrompts::Shown{} : prompts.messages.front();
    }
};

using vorne::test::OrdinaryFileUser;

}  // namespace vorne::ui::test
