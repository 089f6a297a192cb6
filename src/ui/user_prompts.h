// Every question and message the application puts to the user goes through this interface, so
// that tests can answer in the user's place.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace vorne::ui {

enum class PromptIcon { Information, Warning, Critical };

// The answer to a question that can also be cancelled.
enum class PromptAnswer { Yes, No, Cancel };

class CUserPrompts {
public:
    virtual ~CUserPrompts() = default;

    // A message box with an OK button.
    virtual void Message(QWidget* parent, const QString& title, const QString& text, PromptIcon icon) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool Question(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question with Yes and No before something that cannot be undone: No is the default, so
    // that Enter keeps what is there. True for Yes.
    virtual bool CautiousQuestion(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question with Yes, No and Cancel (Yes the default); Escape or the close box cancel.
    virtual PromptAnswer QuestionOrCancel(QWidget* parent, const QString& title, const QString& text) = 0;
    // The folder the user chose, starting from `start`; nothing when cancelled. Paths as bytes.
    virtual std::optional<std::string> BrowseForFolder(QWidget* parent, const std::string& start) = 0;
    // A program to run; nothing when cancelled.
    virtual std::optional<QString> OpenProgram(QWidget* parent, const QString& start) = 0;
    // An existing file to read, among those `filter` shows ("IPS Patches (*.ips)"); nothing when
    // cancelled.
    virtual std::optional<QString> OpenFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // A file to write, asking before an existing one is overwritten; `defaultSuffix` ("txt", or
    // empty) is added to a name without one. Nothing when cancelled.
    virtual std::optional<QString> SaveFile(QWidget* parent, const QString& title, const QString& filter,
                                            const QString& defaultSuffix) = 0;
    // One of `choices` from a list under `text`, `current` chosen at first; its index, or nothing
    // when cancelled.
    virtual std::optional<int> Choose(QWidget* parent, const QString& title, const QString& text,
                                      const QStringList& choices, int current) = 0;
    // The About box.
    virtual void About(QWidget* parent) = 0;
    // Shows `dialog` modally until it ends; its result code.
    virtual int RunModal(QDialog& dialog) = 0;
};

// The real dialogs.
class DialogPrompts final : public CUserPrompts {
public:
    void Message(QWidget* parent, const QString& title, const QString& text, PromptIcon icon) override;
    bool Question(QWidget* parent, const QString& title, const QString& text) override;
    bool CautiousQuestion(QWidget* parent, const QString& title, const QString& text) override;
    PromptAnswer QuestionOrCancel(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<std::string> BrowseForFolder(QWidget* parent, const std::string& start) override;
    std::optional<QString> OpenProgram(QWidget* parent, const QString& start) override;
    std::optional<QString> OpenFile(QWidget* parent, const QString& title, const QString& filter) override;
    std::optional<QString> SaveFile(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultSuffix) override;
    std::optional<int> Choose(QWidget* parent, const QString& title, const QString& text, const QStringList& choices,
                              int current) override;
    void About(QWidget* parent) override;
    int RunModal(QDialog& dialog) override;
};

// The About box's text: name, version, licence and the Qt version in use.
QString AboutText();

}  // namespace vorne::ui
