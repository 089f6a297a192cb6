#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/byte_text.h"
#include "ui/dialog_width.h"
#include "ui/settings.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

constexpr std::array<const char*, kOptionKinds> kRowLabels{"GB", "NES", "SNES", "N64", "Genesis", "32X", "MP3"};

// An edit box with a browse button after it. The rows have no labels of their own (the kind
// stands left, the column's title on top), so both are named for screen readers: "NES File
// Folder", and the button by its tip.
QWidget* WithBrowseButton(QLineEdit* box, const QString& name, const QString& tip, const std::function<void()>& browse,
                          QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    box->setAccessibleName(name);
    auto* button = new QToolButton(holder);
    button->setText(QStringLiteral("..."));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    QObject::connect(button, &QToolButton::clicked, holder, browse);
    row->addWidget(box, 1);
    row->addWidget(button);
    return holder;
}

}  // namespace

COptionsDialog::COptionsDialog(Settings& settings, CUserPrompts& prompts, QWidget* parent)
    : QDialog(parent), settings(settings), prompts(prompts) {
    setWindowTitle(QStringLiteral("Vorne Options"));
    KeepTitleVisible(*this);
    const QString folderTitle = QStringLiteral("File Folder");
    const QString programTitle = QStringLiteral("Program to Execute");
    const QString datTitle = QStringLiteral("DAT File");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(folderTitle, this), 0, 1);
    grid->addWidget(new QLabel(programTitle, this), 0, 2);
    grid->addWidget(new QLabel(datTitle, this), 0, 3);
    for (int k = 0; k < kOptionKinds; ++k) {
        auto* folder = new QLineEdit(this);
        auto* program = new QLineEdit(this);
        folderBoxes[static_cast<std::size_t>(k)] = folder;
        programBoxes[static_cast<std::size_t>(k)] = program;
        const QString kind = QString::fromLatin1(kRowLabels[static_cast<std::size_t>(k)]);
        grid->addWidget(new QLabel(kind, this), k + 1, 0);
        const QString of = QLatin1Char(' ') + kind + QLatin1Char(' ');
        grid->addWidget(WithBrowseButton(folder, kind + QLatin1Char(' ') + folderTitle,
                                         QStringLiteral("Choose the") + of + QStringLiteral("folder"), [this, folder, k] {
            if (auto chosen = this->prompts.BrowseForFolder(this, FolderPath(k))) {
                folderPaths[static_cast<std::size_t>(k)] = *chosen;
                folder->setText(FromBytes(*chosen));
            }
        }, this), k + 1, 1);
        grid->addWidget(WithBrowseButton(program, kind + QLatin1Char(' ') + programTitle,
                                         QStringLiteral("Choose the") + of + QStringLiteral("program"), [this, program] {
            if (auto chosen = this->prompts.OpenProgram(this, program->text())) program->setText(*chosen);
        }, this), k + 1, 2);
        if (k >= kDatKinds) continue;
        auto* dat = new QLineEdit(this);
        datBoxes[static_cast<std::size_t>(k)] = dat;
        const QString tip = QStringLiteral("Choose the") + of + QStringLiteral("DAT file");
        grid->addWidget(WithBrowseButton(dat, kind + QLatin1Char(' ') + datTitle, tip, [this, dat, tip] {
            if (auto chosen = this->prompts.OpenFile(this, tip, QStringLiteral("DAT files (*.dat *.xml *.zip);;All files (*)"))) {
                dat->setText(*chosen);
            }
        }, this), k + 1, 3);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 1);
    trashBox = new QCheckBox(QStringLiteral("Move deleted files to the trash"), this);
    grid->addWidget(trashBox, kOptionKinds + 1, 1, 1, 2);
    dataBox = new QCheckBox(QStringLiteral("Duplicates by data"), this);
    dataBox->setToolTip(QStringLiteral("Rows whose data agree (size, CRC-32 and SHA-1) are duplicates, whatever their columns say"));
    grid->addWidget(dataBox, kOptionKinds + 1, 3);

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
    resize(1100, sizeHint().height());
    Load();
}

void COptionsDialog::Load() {
    for (int k = 0; k < kOptionKinds; ++k) {
        folderPaths[static_cast<std::size_t>(k)] = settings.FolderPath(static_cast<RomType>(k));
        folderBoxes[static_cast<std::size_t>(k)]->setText(FromBytes(folderPaths[static_cast<std::size_t>(k)]));
        programBoxes[static_cast<std::size_t>(k)]->setText(settings.Program(static_cast<RomType>(k)));
        folderBoxes[static_cast<std::size_t>(k)]->setCursorPosition(0);  // the start of a long path shows
        programBoxes[static_cast<std::size_t>(k)]->setCursorPosition(0);
    }
    for (int k = 0; k < kDatKinds; ++k) {
        DatBox(k)->setText(settings.DatFile(static_cast<RomType>(k)));
        DatBox(k)->setCursorPosition(0);
    }
    trashBox->setChecked(settings.DeleteToTrash());
    dataBox->setChecked(settings.DuplicatesByData());
}

void COptionsDialog::OnSaveSettings() {
    // An empty box deletes its value.
    for (int k = 0; k < kOptionKinds; ++k) {
        folderPaths[static_cast<std::size_t>(k)] = FolderPath(k);
        settings.SetFolderPath(static_cast<RomType>(k), folderPaths[static_cast<std::size_t>(k)]);
    }
    for (int k = 0; k < kOptionKinds; ++k) settings.SetProgram(static_cast<RomType>(k), ProgramBox(k)->text());
    for (int k = 0; k < kDatKinds; ++k) settings.SetDatFile(static_cast<RomType>(k), DatBox(k)->text());
    settings.SetDeleteToTrash(trashBox->isChecked());
    settings.SetDuplicatesByData(dataBox->isChecked());
}

std::string COptionsDialog::FolderPath(int kind) const {
    return BytesOf(FolderBox(kind)->text(), folderPaths[static_cast<std::size_t>(kind)]);
}

void COptionsDialog::OnEraseSettings() {
    settings.EraseAll();
    Load();  // what the settings hold now: no folders, no programs, the trash as it is by default
}

bool COptionsDialog::Changed() const {
    for (int k = 0; k < kOptionKinds; ++k) {
        if (FolderPath(k) != settings.FolderPath(static_cast<RomType>(k))) return true;
        if (ProgramBox(k)->text() != settings.Program(static_cast<RomType>(k))) return true;
    }
    for (int k = 0; k < kDatKinds; ++k) {
        if (DatBox(k)->text() != settings.DatFile(static_cast<RomType>(k))) return true;
    }
    return trashBox->isChecked() != settings.DeleteToTrash() || dataBox->isChecked() != settings.DuplicatesByData();
}

void COptionsDialog::done(int result) {
    if (Changed()) {
        switch (prompts.QuestionOrCancel(this, windowTitle(), QStringLiteral("Save the settings?"))) {
            case PromptAnswer::Yes: OnSaveSettings(); break;
            case PromptAnswer::No: break;
            case PromptAnswer::Cancel: return;
        }
    }
    QDialog::done(result);
}

}  // namespace vorne::ui
