// Starting the program configured for a kind on a listed file, without a shell: the program
// setting is split into a program and its arguments the way a shell splits words, and the file's
// full path is one more argument, whatever characters it holds. The program runs in its own
// folder. An archive member is first written, under its base name only, into a private temporary
// folder that goes when the program ends (or when Vorne quits). The window is minimized while the
// program runs and restored when it ends; the event loop keeps running meanwhile.
#pragma once

#include <QObject>
#include <QStringList>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/row_file.h"
#include "ui/worker.h"

namespace vorne::ui {

// What a launch will run.
struct LaunchCommand {
    QString program;
    QStringList arguments;   // the setting's own arguments, then the file
    QString workingFolder;   // the program's folder
};

// The program setting split into program and arguments; nothing for an empty or blank setting.
// A program given by name alone is looked up on the search path.
std::optional<LaunchCommand> SplitProgramSetting(const QString& setting);

// Splits a command into words as a POSIX shell does, without expanding anything: blanks separate
// words; '...' keeps everything; "..." keeps everything but a backslash before \, ", $ or `;
// elsewhere a backslash keeps the next character. (QProcess::splitCommand knows only "...".)
QStringList SplitShellWords(const QString& command);

// The name a member's temporary copy gets: its last path component, never "." or "..".
QString MemberFileName(const std::string& member);

class Launcher final : public QObject {
    Q_OBJECT

public:
    explicit Launcher(QObject* parent = nullptr);
    // Removes the temporary copies, also of programs still running; the programs themselves
    // go on. A copy still being made is waited for; the start it asks for is dropped.
    ~Launcher() override;

    // Launches the program setting on the row's file `file` under `folder`. Returns an error to
    // show the user; otherwise the empty text, and `started()` follows (`finished()` later), or
    // `failed()` when an archive member, copied out meanwhile, could not be started.
    QString Launch(const std::string& folder, const RowFile& file, const QString& programSetting);

    int Running() const { return static_cast<int>(runs.size()); }

signals:
    void started();
    // A launch that could not go on after Launch returned; the message is for the user.
    void failed(const QString& message);
    // A launched program ended; its temporary copy, if any, is gone.
    void finished();

private:
    struct Run;
    // A member's temporary copy: its folder and path, or why there is none.
    struct MemberCopy {
        QString error;
        QString path;
        std::unique_ptr<QTemporaryDir> temporary;
    };
    static MemberCopy CopyMember(const std::string& archive, const ArchiveMember& member);
    void CopyThenStart(std::string archive, ArchiveMember member, LaunchCommand command);
    QString Start(LaunchCommand command, std::unique_ptr<QTemporaryDir> temporary);
    void Ended(QProcess* process);

    std::vector<std::unique_ptr<Run>> runs;
    std::vector<std::unique_ptr<QTemporaryDir>> desktopLinks;  // links handed to the desktop's programs
    // Copies members out of their archives, one after another. Last, so that it goes first.
    Worker copier;
};

}  // namespace vorne::ui
