// "Gameboy Rom Edit": title, licensee, destination, cartridge type and global checksum of a Game
// Boy image, with the checksum worked out from the file on request.
#pragma once

#include "formats/gameboy.h"
#include "ui/header_edit_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace vorne::ui {

class CodeList;

class CGameboyEditDialog final : public CHeaderEditDialog {
    Q_OBJECT

public:
    CGameboyEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent = nullptr);

    // Shows the global checksum of the file as it is on disk; writes nothing.
    void OnCalculateChecksum();

    QLineEdit* TitleBox() const { return titleBox; }
    QCheckBox* SuperGameboyBox() const { return superGameboyBox; }
    QLineEdit* LicenseeBox() const { return licenseeBox; }
    QRadioButton* JapanButton() const { return japanButton; }
    QRadioButton* OtherButton() const { return otherButton; }
    CodeList* TypeList() const { return typeList; }
    QLineEdit* ChecksumBox() const { return checksumBox; }
    QLabel* CalculatedChecksum() const { return calculated; }

private:
    void Fill() override;
    std::vector<FieldEdit> HeaderEdits() const override;

    GameboyHeader& header;
    QLineEdit* titleBox = nullptr;
    QCheckBox* superGameboyBox = nullptr;
    QLineEdit* licenseeBox = nullptr;
    QRadioButton* japanButton = nullptr;
    QRadioButton* otherButton = nullptr;
    CodeList* typeList = nullptr;
    QLineEdit* checksumBox = nullptr;
    QLabel* calculated = nullptr;
};

}  // namespace vorne::ui
