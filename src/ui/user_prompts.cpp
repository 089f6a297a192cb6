#include "ui/user_prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QtGlobal>

#include "ui/folder_browser.h"
#include "ui/version.h"

namespace vorne::ui {

void DialogPrompts::Message(QWidget* parent, const QString& title, const QString& text, PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information: QMessageBox::information(parent, title, text); break;
        case PromptIcon::Warning: QMessageBox::warning(parent, title, text); break;
        case PromptIcon::Critical: QMessageBox::critical(parent, title, text); break;
    }
}

bool DialogPrompts::Question(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool DialogPrompts::CautiousQuestion(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

PromptAnswer DialogPrompts::QuestionOrCancel(QWidget* parent, const QString& title, const QString& text) {
    switch (QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                  QMessageBox::Yes)) {
        case QMessageBox::Yes: return PromptAnswer::Yes;
        case QMessageBox::No: return PromptAnswer::No;
        default: return PromptAnswer::Cancel;
    }
}

std::optional<std::string> DialogPrompts::BrowseForFolder(QWidget* parent, const std::string& start) {
    // The caller's folder is handed over as a copy and taken back only on OK.
    std::string path = start;
    CFolderBrowserDialog dialog(&path, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return path;
}

std::optional<QString> DialogPrompts::OpenProgram(QWidget* parent, const QString& start) {
    QString chosen = QFileDialog::getOpenFileName(parent, QStringLiteral("Program to Execute"), start);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
}

std::optional<QString> DialogPrompts::OpenFile(QWidget* parent, const QString& title, const QString& filter) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> DialogPrompts::SaveFile(QWidget* parent, const QString& title, const QString& filter,
                                               const QString& defaultSuffix) {
    // The dialog asks before an existing file is overwritten.
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<int> DialogPrompts::Choose(QWidget* parent, const QString& title, const QString& text,
                                         const QStringList& choices, int current) {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, title, text, choices, current, false, &ok);
    if (!ok) return std::nullopt;
    return static_cast<int>(choices.indexOf(chosen));
}

int DialogPrompts::RunModal(QDialog& dialog) { return dialog.exec(); }

void DialogPrompts::About(QWidget* parent) { QMessageBox::about(parent, QStringLiteral("About Vorne"), AboutText()); }

QString AboutText() {
    return QStringLiteral("<p><b>Vorne</b> %1</p>"
                          "<p>Lists, checks and repairs collections of console ROM images and MP3 files.</p>"
                          "<p>%2</p>"
                          "<p>Built with Qt %3, running on Qt %4.</p>")
        .arg(QString::fromLatin1(kVersion), QString::fromLatin1(kLicence), QString::fromLatin1(QT_VERSION_STR),
             QString::fromLatin1(qVersion()));
}

}  // namespace vorne::ui
