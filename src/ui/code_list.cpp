#include "ui/code_list.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>

#include "ui/field_text.h"

namespace vorne::ui {

CodeList::CodeList(std::span<const CodeName> names, int limit, QWidget* parent)
    : QWidget(parent), items(names) {
    list = new QComboBox(this);
    for (const CodeName& item : items) {
        list->addItem(QString::fromLatin1(item.text));
    }
    list->addItem(QStringLiteral("Other"));
    codeBox = new QLineEdit(this);
    codeBox->setMaxLength(limit);
    FitToLimit(codeBox);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(list, 1);
    row->addWidget(codeBox);
    setFocusProxy(list);
    connect(list, &QComboBox::currentIndexChanged, this, &CodeList::ApplySelection);
}

void CodeList::Show(int code) {
    fileCode = code;
    int index = static_cast<int>(items.size());  // "Other"
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].code == code) {
            index = static_cast<int>(i);
            break;
        }
    }
    // The rule runs even when the selection stays, so the box shows this file's code.
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(index);
    ApplySelection();
}

void CodeList::ApplySelection() {
    const auto index = static_cast<std::size_t>(list->currentIndex());
    const bool other = index >= items.size();
    codeBox->setEnabled(other);
    SetNumberBox(codeBox, other ? fileCode : items[index].code);
}

std::int32_t CodeList::Code() const { return NumberBoxValue(codeBox); }

}  // namespace vorne::ui
