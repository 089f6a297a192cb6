// "SNES Rom Edit": title, map mode (the "Makeup Byte", set from the HiRom and speed buttons),
// cartridge type, destination and licensee of a SNES header, in the block the reader chose.
#pragma once

#include "formats/snes.h"
#include "ui/header_edit_dialog.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace vorne::ui {

class CodeList;

class CSnesEditDialog final : public CHeaderEditDialog {
    Q_OBJECT

public:
    CSnesEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent = nullptr);

    QLineEdit* TitleBox() const { return titleBox; }
    QRadioButton* LoRomButton() const { return loRomButton; }
    QRadioButton* HiRomButton() const { return hiRomButton; }
    QRadioButton* SlowButton() const { return slowButton; }
    QRadioButton* FastButton() const { return fastButton; }
    QLineEdit* MakeupBox() const { return makeupBox; }
    CodeList* TypeList() const { return typeList; }
    QComboBox* DestinationList() const { return destinationList; }
    QLineEdit* LicenseeBox() const { return licenseeBox; }

private:
    void Fill() override;
    std::vector<FieldEdit> HeaderEdits() const override;
    // Sets the makeup byte from the two pairs of buttons.
    void OnMapButton();
    void ShowDestination(int code);

    SnesHeader& header;
    QLineEdit* titleBox = nullptr;
    QRadioButton* loRomButton = nullptr;
    QRadioButton* hiRomButton = nullptr;
    QRadioButton* slowButton = nullptr;
    QRadioButton* fastButton = nullptr;
    QLineEdit* makeupBox = nullptr;
    CodeList* typeList = nullptr;
    QComboBox* destinationList = nullptr;
    QLineEdit* licenseeBox = nullptr;
};

}  // namespace vorne::ui
