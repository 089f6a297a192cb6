#include "ui/settings.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QTest>
#include <functional>
#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>

#include "support/temp_dir.h"
#include "ui/options_dialog.h"
#include "ui_test_support.h"

namespace vorne::ui {
namespace settings_test {
namespace {

using test::Q;

// The settings file as another program would read it: value names are the stored names.
QVariant Raw(const QString& path, const QString& name) {
    QSettings raw(path, QSettings::IniFormat);
    return raw.value(QStringLiteral("Settings/") + name);
}

TEST(Settings, LastTypeOutsideTheKindsSelectsKindZero) {
    const struct {
        std::optional<QVariant> stored;
        RomType expected;
    } cases[] = {
        {std::nullopt, RomType::Gameboy}, {QVariant(0), RomType::Gameboy}, {QVariant(1), RomType::Nes},
        {QVariant(7), RomType::Zip},      {QVariant(8), RomType::Gameboy}, {QVariant(-1), RomType::Gameboy},
        {QVariant(2147483647), RomType::Gameboy}, {QVariant(QStringLiteral("3")), RomType::N64},
        {QVariant(QStringLiteral("zip")), RomType::Gameboy},
    };
    for (const auto& c : cases) {
        vorne::test::TempDir dir;
        const QString path = Q(dir / "vorne.conf");
        if (c.stored) QSettings(path, QSettings::IniFormat).setValue(QStringLiteral("Settings/Last Type"), *c.stored);
        EXPECT_EQ(Settings(path).LastType(), c.expected) << (c.stored ? c.stored->toString().toStdString() : "missing");
    }
}

class SettingsFileTest : public ::testing::Test {
protected:
    vorne::test::TempDir dir;
    QString path = Q(dir / "vorne.conf");
    Settings settings{path};
    test::FakePrompts prompts;
};

using OptionsDialogTest = SettingsFileTest;

TEST_F(SettingsFileTest, ValuesKeepTheirNamesAndAnEmptyTextDeletesThem) {
    settings.SetLastType(RomType::Genesis32X);
    settings.SetFolder(RomType::Snes, QStringLiteral("/roms/snes"));
    settings.SetProgram(RomType::Snes, QStringLiteral("/usr/bin/emu -f"));
    settings.SetFolder(RomType::Zip, QStringLiteral("/roms/zips"));
    settings.SetDatFile(RomType::Snes, QStringLiteral("/dats/snes.zip"));
    settings.SetDuplicatesByData(true);
    // Written at once: another reader sees them without the object going away.
    EXPECT_EQ(Raw(path, QStringLiteral("Last Type")).toInt(), 5);
    EXPECT_EQ(Raw(path, QStringLiteral("Rom Type 2 Dir")).toString(), QStringLiteral("/roms/snes"));
    EXPECT_EQ(Raw(path, QStringLiteral("Rom Type 2 Exec")).toString(), QStringLiteral("/usr/bin/emu -f"));
    EXPECT_EQ(Raw(path, QStringLiteral("Rom Type 7 Dir")).toString(), QStringLiteral("/roms/zips"));
    EXPECT_EQ(Raw(path, QStringLiteral("Rom Type 2 Dat")).toString(), QStringLiteral("/dats/snes.zip"));
    EXPECT_TRUE(Raw(path, QStringLiteral("Duplicates By Data")).toBool());

    settings.SetFolder(RomType::Snes, QString());
    EXPECT_FALSE(Raw(path, QStringLiteral("Rom Type 2 Dir")).isValid());
    EXPECT_TRUE(settings.Folder(RomType::Snes).isEmpty());
    EXPECT_EQ(Settings(path).Program(RomType::Snes), QStringLiteral("/usr/bin/emu -f"));
}

TEST_F(SettingsFileTest, EraseRemovesEveryValueOfTheApplication) {
    settings.SetLastType(RomType::Mp3);
    settings.SetFolder(RomType::Mp3, QStringLiteral("/music"));
    settings.SetDeleteToTrash(false);
    settings.SetColumnState(RomType::Mp3, QByteArray("state"));
    settings.EraseAll();
    EXPECT_TRUE(QSettings(path, QSettings::IniFormat).allKeys().isEmpty());
    EXPECT_EQ(settings.LastType(), RomType::Gameboy);
    EXPECT_TRUE(settings.DeleteToTrash());  // the default: deleted files go to the trash
}

TEST_F(OptionsDialogTest, OpensWithTheStoredValuesOfKindsZeroToSix) {
    for (int k = 0; k < kRomTypeCount; ++k) {
        settings.SetFolder(static_cast<RomType>(k), QStringLiteral("/f%1").arg(k));
        settings.SetProgram(static_cast<RomType>(k), QStringLiteral("p%1").arg(k));
    }
    COptionsDialog dialog(settings, prompts);
    for (int k = 0; k < kOptionKinds; ++k) {
        EXPECT_EQ(dialog.FolderBox(k)->text(), QStringLiteral("/f%1").arg(k));
        EXPECT_EQ(dialog.ProgramBox(k)->text(), QStringLiteral("p%1").arg(k));
    }
}

TEST_F(OptionsDialogTest, SaveWritesTextAndDeletesEmptyBoxesButOkNeverSaves) {
    settings.SetFolder(RomType::Nes, QStringLiteral("/old/nes"));
    settings.SetFolder(RomType::Zip, QStringLiteral("/zips"));  // not in the dialog: kept
    {
        COptionsDialog dialog(settings, prompts);
        dialog.FolderBox(1)->clear();
        dialog.FolderBox(0)->setText(QStringLiteral("/gb"));
        dialog.ProgramBox(6)->setText(QStringLiteral("player --queue"));
        dialog.TrashBox()->setChecked(true);
        dialog.OnSaveSettings();
        dialog.FolderBox(2)->setText(QStringLiteral("/typed/but/not/saved"));
        prompts.answer = PromptAnswer::No;
        dialog.accept();  // OK, and No to "Save the settings?"
    }
    EXPECT_FALSE(Raw(path, QStringLiteral("Rom Type 1 Dir")).isValid());
    EXPECT_EQ(settings.Folder(RomType::Gameboy), QStringLiteral("/gb"));
    EXPECT_EQ(settings.Program(RomType::Mp3), QStringLiteral("player --queue"));
    EXPECT_TRUE(settings.Folder(RomType::Snes).isEmpty());
    EXPECT_EQ(settings.Folder(RomType::Zip), QStringLiteral("/zips"));
    EXPECT_TRUE(settings.DeleteToTrash());
}

TEST_F(OptionsDialogTest, EraseEmptiesTheBoxesAndTheStore) {
    settings.SetLastType(RomType::Snes);
    settings.SetFolder(RomType::Snes, QStringLiteral("/snes"));
    settings.SetProgram(RomType::Gameboy, QStringLiteral("gb-emu"));
    COptionsDialog dialog(settings, prompts);
    dialog.OnEraseSettings();
    for (int k = 0; k < kOptionKinds; ++k) {
        EXPECT_TRUE(dialog.FolderBox(k)->text().isEmpty());
        EXPECT_TRUE(dialog.ProgramBox(k)->text().isEmpty());
    }
    EXPECT_TRUE(QSettings(path, QSettings::IniFormat).allKeys().isEmpty());
    EXPECT_EQ(settings.LastType(), RomType::Gameboy);
}

TEST_F(OptionsDialogTest, BrowseButtonsFillTheirBoxOnlyWhenAnswered) {
    prompts.folders = {"/picked/folder", ""};
    COptionsDialog dialog(settings, prompts);
    dialog.FolderBox(3)->setText(QStringLiteral("/before"));
    // The browse buttons follow their boxes: click the one beside box 3 twice.
    QWidget* holder = dialog.FolderBox(3)->parentWidget();
    auto* browse = holder->findChild<QAbstractButton*>();
    ASSERT_NE(browse, nullptr);
    browse->click();
    EXPECT_EQ(dialog.FolderBox(3)->text(), QStringLiteral("/picked/folder"));
    browse->click();  // cancelled
    EXPECT_EQ(dialog.FolderBox(3)->text(), QStringLiteral("/picked/folder"));
    ASSERT_EQ(prompts.browseStarts.size(), 2u);
    EXPECT_EQ(prompts.browseStarts[0], "/before");
}

TEST_F(OptionsDialogTest, ClosingWithBoxesUnsavedAsksToSaveThem) {
    const QString typed = QStringLiteral("/typed/nes");
    const struct {
        const char* name;
        std::function<void(COptionsDialog&)> act;
        std::function<void(COptionsDialog&)> close;
        PromptAnswer answer;
        bool asked;
        bool saved;  // the typed folder, or the unticked trash box
        bool open;
    } cases[] = {
        {"unchanged, OK", [](COptionsDialog&) {}, [](COptionsDialog& d) { d.accept(); }, PromptAnswer::Yes, false, false,
         false},
        {"a folder typed, OK, Yes", [&](COptionsDialog& d) { d.FolderBox(1)->setText(typed); },
         [](COptionsDialog& d) { d.accept(); }, PromptAnswer::Yes, true, true, false},
        {"the trash unticked, close box, No", [](COptionsDialog& d) { d.TrashBox()->setChecked(false); },
         [](COptionsDialog& d) { d.close(); }, PromptAnswer::No, true, false, false},
        {"a folder typed, Escape, Cancel", [&](COptionsDialog& d) { d.FolderBox(1)->setText(typed); },
         [](COptionsDialog& d) { QTest::keyClick(d.FolderBox(1), Qt::Key_Escape); }, PromptAnswer::Cancel, true, false,
         true},
        {"saved first, then OK", [&](COptionsDialog& d) { d.FolderBox(1)->setText(typed); d.OnSaveSettings(); },
         [](COptionsDialog& d) { d.accept(); }, PromptAnswer::No, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.EraseAll();
        prompts.messages.clear();
        prompts.answer = c.answer;
        COptionsDialog dialog(settings, prompts);
        dialog.show();
        c.act(dialog);
        c.close(dialog);
        ASSERT_EQ(prompts.messages.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Save the settings?"));
        }
        EXPECT_EQ(settings.Folder(RomType::Nes) == typed || !settings.DeleteToTrash(), c.saved);
        EXPECT_EQ(dialog.isVisible(), c.open);
    }
}

TEST_F(OptionsDialogTest, TheTrashIsOnUntilUntickedAndAgainAfterErase) {
    COptionsDialog dialog(settings, prompts);
    EXPECT_TRUE(dialog.TrashBox()->isChecked());  // no setting yet
    dialog.TrashBox()->setChecked(false);
    dialog.OnSaveSettings();
    EXPECT_FALSE(COptionsDialog(settings, prompts).TrashBox()->isChecked());
    dialog.OnEraseSettings();
    EXPECT_TRUE(dialog.TrashBox()->isChecked());
    EXPECT_FALSE(dialog.Changed());
}

TEST_F(OptionsDialogTest, EveryControlHasANameForScreenReaders) {
    COptionsDialog dialog(settings, prompts);
    dialog.show();
    QStringList names;
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(control) == nullptr && qobject_cast<QAbstractButton*>(control) == nullptr) continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr);
        const QString name = accessible->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << control->metaObject()->className();
        names << name;
    }
    // Boxes and browse buttons (a DAT for the cartridge kinds), two check boxes, three buttons.
    EXPECT_EQ(names.size(), 2 * 2 * kOptionKinds + 2 * kDatKinds + 5);
    EXPECT_EQ(names.removeDuplicates(), 0);
    EXPECT_TRUE(names.contains(QStringLiteral("NES File Folder")));
    EXPECT_TRUE(names.contains(QStringLiteral("MP3 Program to Execute")));
    EXPECT_TRUE(names.contains(QStringLiteral("Choose the GB folder")));
    EXPECT_TRUE(names.contains(QStringLiteral("32X DAT File")));
    EXPECT_TRUE(names.contains(QStringLiteral("Choose the NES DAT file")));
    EXPECT_FALSE(names.contains(QStringLiteral("MP3 DAT File")));
}

TEST_F(OptionsDialogTest, DatFilesAndDuplicatesByDataAreSavedOrAskedAbout) {
    settings.SetDatFile(RomType::N64, QStringLiteral("/dats/n64.dat"));
    prompts.files = {QStringLiteral("/dats/picked.zip")};
    {
        COptionsDialog dialog(settings, prompts);
        EXPECT_EQ(dialog.DatBox(3)->text(), QStringLiteral("/dats/n64.dat"));
        EXPECT_FALSE(dialog.DuplicatesByDataBox()->isChecked());
        dialog.DatBox(1)->parentWidget()->findChild<QAbstractButton*>()->click();
        EXPECT_EQ(dialog.DatBox(1)->text(), QStringLiteral("/dats/picked.zip"));
        EXPECT_EQ(prompts.fileDialogs,
                  std::vector<QString>{"open Choose the NES DAT file | DAT files (*.dat *.xml *.zip);;All files (*)"});
        prompts.answer = PromptAnswer::No;
        dialog.accept();
        ASSERT_EQ(prompts.messages.size(), 1u);  // "Save the settings?"
    }
    EXPECT_TRUE(settings.DatFile(RomType::Nes).isEmpty());
    const struct {
        const char* name;
        std::function<void(COptionsDialog&)> act;
    } cases[] = {
        {"a DAT file typed", [](COptionsDialog& d) { d.DatBox(5)->setText(QStringLiteral("/dats/32x.dat")); }},
        {"duplicates by data ticked", [](COptionsDialog& d) { d.DuplicatesByDataBox()->setChecked(true); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        prompts.answer = PromptAnswer::Yes;
        COptionsDialog dialog(settings, prompts);
        c.act(dialog);
        dialog.accept();
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Save the settings?"));
        EXPECT_FALSE(COptionsDialog(settings, prompts).Changed());
    }
    EXPECT_EQ(settings.DatFile(RomType::Genesis32X), QStringLiteral("/dats/32x.dat"));
    EXPECT_TRUE(settings.DuplicatesByData());
    EXPECT_EQ(settings.DatFile(RomType::N64), QStringLiteral("/dats/n64.dat"));
}

}  // namespace
}  // namespace settings_test
}  // namespace vorne::ui
