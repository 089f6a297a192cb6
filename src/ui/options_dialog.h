// "Vorne Options": the folder and the program of each kind (kinds GB to MP3), saved only by
// "&Save Settings"; "&OK" closes without saving; "&Erase Settings" removes every setting. Closing
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
    QCheckBox* TrashBox() const { return trashBox; }

private:
    void Load();
    std::string FolderPath(int kind) const;

    Settings& settings;
    CUserPrompts& prompts;
    std::array<QLineEdit*, kOptionKinds> folderBoxes{};
    // The bytes of each folder box's path, while the box shows them (see BytesOf).
    std::array<std::string, kOptionKinds> folderPaths;
    std::array<QLineEdit*, kOptionKinds> programBoxes{};
    QCheckBox* trashBox = nullptr;
};

}  // namespace vorne::ui
