// "NES Rom Edit": the title behind the image, the mapper, the flags of byte 6 and the reserved
// bytes 7 to 15 of an iNES header.
//
// The reserved bytes show as text up to their first zero byte. In an NES 2.0 header those bytes
// hold sizes and flags, so there the two reserved boxes are written only when the user changed
// them: "&Write Headers" without changes leaves bytes 7 to 15 as they were.
#pragma once

#include "formats/nes.h"
#include "ui/header_edit_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace vorne::ui {

class CNesEditDialog final : public CHeaderEditDialog {
    Q_OBJECT

public:
    CNesEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent = nullptr);

    QLineEdit* TitleBox() const { return titleBox; }
    QLineEdit* MapperBox() const { return mapperBox; }
    QComboBox* MirroringList() const { return mirroringList; }
    QCheckBox* SramBox() const { return sramBox; }
    QCheckBox* TrainerBox() const { return trainerBox; }
    QCheckBox* FourScreenBox() const { return fourScreenBox; }
    QLineEdit* FirstReservedBox() const { return firstReservedBox; }
    QLineEdit* ReservedRemainderBox() const { return remainderBox; }

private:
    void Fill() override;
    std::vector<FieldEdit> HeaderEdits() const override;

    NesHeader& header;
    QLineEdit* titleBox = nullptr;
    QLineEdit* mapperBox = nullptr;
    QComboBox* mirroringList = nullptr;
    QCheckBox* sramBox = nullptr;
    QCheckBox* trainerBox = nullptr;
    QCheckBox* fourScreenBox = nullptr;
    QLineEdit* firstReservedBox = nullptr;
    QLineEdit* remainderBox = nullptr;
    // What the reserved boxes showed when filled, to tell whether the user changed them.
    QString firstReservedShown;
    QString remainderShown;
};

}  // namespace vorne::ui
