// A drop-down list of named codes ending in "Other", with a small edit box beside it that holds
// the code to write. The edit box is open only for "Other"; it then shows the code the file
// holds, and otherwise the code of the chosen item.
#pragma once

#include <QWidget>
#include <cstdint>
#include <span>

#include "base/code_names.h"

class QComboBox;
class QLineEdit;

namespace vorne::ui {

class CodeList final : public QWidget {
    Q_OBJECT

public:
    // One item for each code of `names` (a table that outlives the list), in its order; "Other"
    // follows them. `limit` is the edit box's length limit.
    CodeList(std::span<const CodeName> names, int limit, QWidget* parent = nullptr);

    // Selects the item of `fileCode` (the file's code), or "Other" when no item has it.
    void Show(int fileCode);
    // The code to write: the number in the edit box.
    std::int32_t Code() const;

    QComboBox* List() const { return list; }
    QLineEdit* CodeBox() const { return codeBox; }

private:
    void ApplySelection();

    std::span<const CodeName> items;
    int fileCode = 0;  // as the file holds it
    QComboBox* list = nullptr;
    QLineEdit* codeBox = nullptr;
};

}  // namespace vorne::ui
