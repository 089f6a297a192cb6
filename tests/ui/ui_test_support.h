// Helpers of the GUI tests: prompts that answer in the user's place, and waiting on the event loop.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/user_prompts.h"

namespace vorne::ui::test {

// Records every message and answers questions and pickers from queues set beforehand.
class FakePrompts final : public CUserPrompts {
public:
    // How a question was put: Yes/No, Yes/No with No the default, Yes/No/Cancel.
    enum class Asked { Nothing, YesNo, DefaultNo, YesNoCancel };
    struct Shown {
        QString title;
        QString text;
        Asked asked = Asked::Nothing;
    };

    void Message(QWidget*, const QString& title, const QString& text, PromptIcon) override {
        messages.push_back({title, text, Asked::Nothing});
    }
    bool Question(QWidget*, const QString& title, const QString& text) override {
        Ask({title, text, Asked::YesNo});
        return yes;
    }
    bool CautiousQuestion(QWidget*, const QString& title, const QString& text) override {
        Ask({title, text, Asked::DefaultNo});
        return yes;
    }
    PromptAnswer QuestionOrCancel(QWidget*, const QString& title, const QString& text) override {
        Ask({title, text, Asked::YesNoCancel});
        return answer;
    }
    std::optional<std::string> BrowseForFolder(QWidget*, const std::string& start) override {
        browseStarts.push_back(start);
        if (folders.empty() || folders.front().empty()) {
            if (!folders.empty()) folders.pop_front();
            return std::nullopt;
        }
        std::string folder = std::move(folders.front());
        folders.pop_front();
        return folder;
    }
    std::optional<QString> OpenProgram(QWidget*, const QString&) override { return Next(programs); }
    std::optional<QString> OpenFile(QWidget*, const QString& title, const QString& filter) override {
        fileDialogs.push_back("open " + title + " | " + filter);
        return Next(files);
    }
    std::optional<QString> SaveFile(QWidget*, const QString& title, const QString& filter,
                                    const QString& defaultSuffix) override {
        fileDialogs.push_back("save " + title + " | " + filter + " | " + defaultSuffix);
        return Next(files);
    }
    std::optional<int> Choose(QWidget*, const QString& title, const QString& text, const QStringList& choices,
                              int current) override {
        choicesShown.push_back({title, text + " | " + choices.join(QStringLiteral(", ")) + " | " + QString::number(current)});
        return choice;
    }
    void About(QWidget*) override { ++aboutShown; }
    // Runs `onModal` on the dialog in the user's place (a dialog nobody handles is cancelled).
    int RunModal(QDialog& dialog) override {
        ++modalsRun;
        return onModal ? onModal(dialog) : 0;
    }

    std::vector<Shown> messages;
    std::vector<std::string> browseStarts;
    // Answers of the pickers; an empty text, or none left, is a cancelled picker. Folders are bytes.
    std::deque<std::string> folders;
    std::deque<QString> programs;
    std::deque<QString> files;       // answers of the file dialogs, open and save alike
    std::vector<QString> fileDialogs;  // each file dialog shown: kind, title, filter (and suffix)
    bool yes = true;                         // the answer to Yes/No questions
    PromptAnswer answer = PromptAnswer::Yes;  // and to Yes/No/Cancel ones
    std::vector<Shown> choicesShown;  // each list to choose from: title, then text | choices | current
    std::optional<int> choice = 0;    // the answer to it; nothing: cancelled
    int aboutShown = 0;
    std::function<int(QDialog&)> onModal;
    int modalsRun = 0;
    // Runs while a question is open, as a user might act meanwhile.
    std::function<void(const Shown&)> onAsked;

private:
    void Ask(Shown shown) {
        messages.push_back(shown);
        if (onAsked) onAsked(shown);
    }

    static std::optional<QString> Next(std::deque<QString>& answers);
};

// Runs the event loop until `done` holds or `milliseconds` pass; returns whether it held.
bool WaitFor(const std::function<bool()>& done, int milliseconds = 15000);

QString Q(const std::string& text);

}  // namespace vorne::ui::test
