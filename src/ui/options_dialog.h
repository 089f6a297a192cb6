// "Vorne Options": the folder and the program of each kind (kinds GB to MP3) and the DAT file of
// each cartridge kind, the trash and "Duplicates by data", saved only by "&Save Settings"; "&OK" closes without saving; "&Erase Settings" removes every setting. Closing
// (OK, Escape, the close box) while the boxes differ from the settings asks "Save the settings?":
// Yes saves and closes, No closes, Cancel stays.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "base/rom_type.h"

class QCheckBox;
class QLineEdit;

namespace vorne::ui {

class CUserPrompts;
class Settings;

// The kinds the dialog shows, one row each (the Zip kind's folder is set from the window only).
inline constexpr int kOptionKinds = 7;
// The kinds with a DAT file, GB to 32X: no DAT describes music.
inline constexpr int kDatKinds = 6;

class COptionsDialog final : public QDialog {
    Q_OBJECT

public:
    COptionsDialog(Settings& settings, CUserPrompts& prompts, QWidget* parent = nullptr);

    void OnSaveSettings();
    void OnEraseSettings();

    // Whether the boxes hold other values than the settings.
    bool Changed() const;
    void done(int result) override;

    QLineEdit* FolderBox(int kind) const { return folderBoxes[static_cast<std::size_t>(kind)]; }
    QLineEdit* ProgramBox(int kind) const { return programBoxes[static_cast<std::size_t>(kind)]; }
    QLineEdit* DatBox(int kind) const { return datBoxes[static_cast<std::size_t>(kind)]; }
    QCheckBox* TrashBox() const { return trashBox; }
    QCheckBox* DuplicatesByDataBox() const { return dataBox; }

private:
    void Load();
    std::string FolderPath(int kind) const;

    Settings& settings;
    CUserPrompts& prompts;
    std::array<QLineEdit*, kOptionKinds> folderBoxes{};
    // The bytes of each folder box's path, while the box shows them (see BytesOf).
    std::array<std::string, kOptionKinds> folderPaths;
    std::array<QLineEdit*, kOptionKinds> programBoxes{};
    std::array<QLineEdit*, kDatKinds> datBoxes{};
    QCheckBox* trashBox = nullptr;
    QCheckBox* dataBox = nullptr;
};

}  // namespace vorne::ui
