#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/settings.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

constexpr std::array<const char*, kOptionKinds> kRowLabels{"GB", "NES", "SNES", "N64", "Genesis", "32X", "MP3"};

// An edit box with a browse button after it.
QWidget* WithBrowseButton(QLineEdit* box, const QString& tip, const std::function<void()>& browse, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    auto* button = new QToolButton(holder);
    button->setText(QStringLiteral("..."));
    button->setToolTip(tip);
    QObject::connect(button, &QToolButton::clicked, holder, browse);
    row->addWidget(box, 1);
    row->addWidget(button);
    return holder;
}

}  // namespace

COptionsDialog::COptionsDialog(Settings& settings, CUserPrompts& prompts, QWidget* parent)
    : QDialog(parent), settings(settings), prompts(prompts) {
    setWindowTitle(QStringLiteral("Vorne Options"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("File Folder"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Program to Execute"), this), 0, 2);
    for (int k = 0; k < kOptionKinds; ++k) {
        auto* folder = new QLineEdit(this);
        auto* program = new QLineEdit(this);
        folderBoxes[static_cast<std::size_t>(k)] = folder;
        programBoxes[static_cast<std::size_t>(k)] = program;
        grid->addWidget(new QLabel(QString::fromLatin1(kRowLabels[static_cast<std::size_t>(k)]), this), k + 1, 0);
        grid->addWidget(WithBrowseButton(folder, QStringLiteral("Choose the folder"), [this, folder] {
            if (auto chosen = this->prompts.BrowseForFolder(this, folder->text())) folder->setText(*chosen);
        }, this), k + 1, 1);
        grid->addWidget(WithBrowseButton(program, QStringLiteral("Choose the program"), [this, program] {
            if (auto chosen = this->prompts.OpenProgram(this, program->text())) program->setText(*chosen);
        }, this), k + 1, 2);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    trashBox = new QCheckBox(QStringLiteral("Move deleted files to the trash"), this);
    grid->addWidget(trashBox, kOptionKinds + 1, 1, 1, 2);

    auto* save = new QPushButton(QStringLiteral("&Save Settings"), this);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    auto* erase = new QPushButton(QStringLiteral("&Erase Settings"), this);
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, &COptionsDialog::OnSaveSettings);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);  // closes without saving
    connect(erase, &QPushButton::clicked, this, &COptionsDialog::OnEraseSettings);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(ok);
    buttons->addWidget(erase);
    buttons->addStretch();

    auto* whole = new QHBoxLayout(this);
    whole->addLayout(grid, 1);
    whole->addLayout(buttons);
    resize(820, sizeHint().height());
    Load();
}

void COptionsDialog::Load() {
    for (int k = 0; k < kOptionKinds; ++k) {
        folderBoxes[static_cast<std::size_t>(k)]->setText(settings.Folder(static_cast<RomType>(k)));
        programBoxes[static_cast<std::size_t>(k)]->setText(settings.Program(static_cast<RomType>(k)));
        folderBoxes[static_cast<std::size_t>(k)]->setCursorPosition(0);  // the start of a long path shows
        programBoxes[static_cast<std::size_t>(k)]->setCursorPosition(0);
    }
    trashBox->setChecked(settings.DeleteToTrash());
}

void COptionsDialog::OnSaveSettings() {
    // An empty box deletes its value.
    for (int k = 0; k < kOptionKinds; ++k) settings.SetFolder(static_cast<RomType>(k), FolderBox(k)->text());
    for (int k = 0; k < kOptionKinds; ++k) settings.SetProgram(static_cast<RomType>(k), ProgramBox(k)->text());
    settings.SetDeleteToTrash(trashBox->isChecked());
}

void COptionsDialog::OnEraseSettings() {
    settings.EraseAll();
    for (int k = 0; k < kOptionKinds; ++k) {
        FolderBox(k)->clear();
        ProgramBox(k)->clear();
    }
    trashBox->setChecked(false);
}

}  // namespace vorne::ui
