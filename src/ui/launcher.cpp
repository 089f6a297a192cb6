#include "ui/launcher.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <vector>

#include "archive/zip_reader.h"
#include "ui/byte_text.h"

namespace vorne::ui {


QStringList SplitShellWords(const QString& command) {
    QStringList words;
    QString word;
    bool inWord = false;
    enum { Plain, Single, Double } quote = Plain;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        switch (quote) {
            case Single:
                if (c == QLatin1Char('\'')) quote = Plain; else word += c;
                break;
            case Double:
                if (c == QLatin1Char('"')) {
                    quote = Plain;
                } else if (c == QLatin1Char('\\') && i + 1 < command.size() &&
                           QStringLiteral("\\\"$`").contains(command[i + 1])) {
                    word += command[++i];
                } else {
                    word += c;
                }
                break;
            case Plain:
                if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
                    if (inWord) words << std::exchange(word, {});
                    inWord = false;
                    continue;
                }
                inWord = true;
                if (c == QLatin1Char('\'')) quote = Single;
                else if (c == QLatin1Char('"')) quote = Double;
                else if (c == QLatin1Char('\\') && i + 1 < command.size()) word += command[++i];
                else word += c;
                break;
        }
    }
    if (inWord) words << word;
    return words;
}

std::optional<LaunchCommand> SplitProgramSetting(const QString& setting) {
    QStringList words = SplitShellWords(setting);
    if (words.isEmpty() || words.front().isEmpty()) return std::nullopt;
    LaunchCommand command;
    command.program = words.takeFirst();
    command.arguments = words;
    if (!command.program.contains(QLatin1Char('/'))) {
        const QString found = QStandardPaths::findExecutable(command.program);
        if (!found.isEmpty()) command.program = found;
    }
    const QFileInfo program(command.program);
    command.workingFolder = program.isAbsolute() || command.program.contains(QLatin1Char('/'))
                                ? program.absolutePath()
                                : QDir::homePath();
    return command;
}

QString MemberFileName(const std::string& member) {
    const std::string base = ZipBaseName(member);
    if (base.empty() || base == "." || base == "..") return QStringLiteral("member");
    return FromBytes(base);
}

struct Launcher::Run {
    std::unique_ptr<QProcess> process;
    std::unique_ptr<QTemporaryDir> temporary;  // the member's private folder, or none
};

Launcher::Launcher(QObject* parent) : QObject(parent) {}

Launcher::~Launcher() {
    for (auto& run : runs) {
        // A process object ends its program when it goes: this one is left behind on purpose,
        // so that quitting Vorne never ends the user's emulator.
        run->process->disconnect(this);
        (void)run->process.release();
    }
}

QString Launcher::Launch(const std::string& folder, const RowFile& file, const QString& programSetting) {
    const std::string fullBytes = RowFilePath(folder, file);
    QString fullPath = FromBytes(fullBytes);
    struct stat info{};
    if (::stat(fullBytes.c_str(), &info) != 0) {
        return QStringLiteral("%1 no longer exists.").arg(QDir::toNativeSeparators(fullPath));
    }
    // A name that is not UTF-8 does not survive the way through QString into the program's
    // arguments: the program is given a link to the file, under the name as shown, in a private
    // temporary folder that goes when the program ends.
    std::unique_ptr<QTemporaryDir> linkFolder;
    if (!file.IsMember() && ToBytes(fullPath) != fullBytes) {
        linkFolder = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("vorne-XXXXXX")));
        const QString link = linkFolder->filePath(MemberFileName(file.path));
        if (!linkFolder->isValid() || ::symlink(fullBytes.c_str(), ToBytes(link).c_str()) != 0) {
            return QStringLiteral("%1 could not be started: no temporary link to it").arg(QDir::toNativeSeparators(fullPath));
        }
        fullPath = link;
    }
    std::optional<LaunchCommand> command = SplitProgramSetting(programSetting);
    if (!file.IsMember()) {
        if (!command) {
            // No program for the kind: the desktop's own choice for the file.
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(fullPath))) {
                return QStringLiteral("No program opens %1.").arg(QDir::toNativeSeparators(fullPath));
            }
            // Nobody tells when the desktop's program is done with the link: it stays until Vorne quits.
            if (linkFolder) desktopLinks.push_back(std::move(linkFolder));
            return {};
        }
        command->arguments << fullPath;
        return Start(std::move(*command), std::move(linkFolder));
    }
    if (!command) return {};  // a member needs the kind's program

    // Reading a member may take a while (it is inflated into the copy): it is copied out on the
    // copier, and the program starts once the copy is there.
    CopyThenStart(fullBytes, *file.member, std::move(*command));
    return {};
}

Launcher::MemberCopy Launcher::CopyMember(const std::string& archive, const ArchiveMember& member) {
    MemberCopy result;
    const QString archivePath = QDir::toNativeSeparators(FromBytes(archive));
    const auto unreadable = [&](const ZipStatus& status) {
        result.error = QStringLiteral("%1 could not be read from %2: %3")
                           .arg(FromBytes(member.name), archivePath, FromBytes(status.Reason()));
        return std::move(result);
    };
    // The very entry the scan listed: a twin of another case, or a member of the same name in
    // another folder of the archive, is never handed over instead.
    ZipStatus status;
    const std::unique_ptr<ZipArchive> zip = ZipArchive::Open(archive, status);
    std::optional<ZipMemberStream> stream;
    if (zip && member.entry >= 0) {
        stream = StreamListedEntry(*zip, static_cast<std::size_t>(member.entry), member.name, status);
    } else if (zip && zip->Directory().endFound) {
        stream = zip->StreamMember(member.name, status);
    }
    if (!stream) return unreadable(status);

    auto temporary = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("vorne-XXXXXX")));
    if (!temporary->isValid()) {
        result.error = QStringLiteral("No temporary folder: %1").arg(temporary->errorString());
        return result;
    }
    const QString copyPath = temporary->filePath(MemberFileName(member.name));
    QFile copy(copyPath);
    // A new file in a new private folder: nothing there can be overwritten. The member passes
    // through a few buffers on its way, whatever its size; a copy cut short goes with its folder.
    bool written = copy.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    if (written) {
        const ZipStatus read = stream->Run([&](std::span<const std::uint8_t> bytes) {
            const auto size = static_cast<qint64>(bytes.size());
            written = written && copy.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
        });
        if (!read.Ok()) return unreadable(read);
        written = written && copy.flush();
    }
    if (!written) {
        result.error = QStringLiteral("%1 could not be written: %2").arg(copyPath, copy.errorString());
        return result;
    }
    copy.close();
    result.path = copyPath;
    result.temporary = std::move(temporary);
    return result;
}

void Launcher::CopyThenStart(std::string archive, ArchiveMember member, LaunchCommand command) {
    copier.Start([this, archive = std::move(archive), member = std::move(member),
                  command = std::move(command)](const WorkerJob& job) {
        auto copy = std::make_shared<MemberCopy>(CopyMember(archive, member));
        // Back on the window's thread. Should the launcher go first, the call is dropped with it
        // and the copy's folder goes with the call.
        job.Post([this, copy, command] () mutable {
            if (!copy->error.isEmpty()) {
                emit failed(copy->error);
                return;
            }
            command.arguments << copy->path;
            if (const QString error = Start(std::move(command), std::move(copy->temporary)); !error.isEmpty()) {
                emit failed(error);
            }
        });
    });
}

QString Launcher::Start(LaunchCommand command, std::unique_ptr<QTemporaryDir> temporary) {
    auto run = std::make_unique<Run>();
    run->process = std::make_unique<QProcess>();
    QProcess* process = run->process.get();
    process->setProgram(command.program);
    process->setArguments(command.arguments);
    process->setWorkingDirectory(command.workingFolder);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    process->start();
    if (!process->waitForStarted()) {  // only as long as the system takes to run the program
        return QStringLiteral("%1 could not be started: %2").arg(command.program, process->errorString());
    }
    connect(process, &QProcess::finished, this, [this, process] { Ended(process); });
    run->temporary = std::move(temporary);
    runs.push_back(std::move(run));
    emit started();
    return {};
}

void Launcher::Ended(QProcess* process) {
    auto it = std::find_if(runs.begin(), runs.end(), [process](const auto& run) { return run->process.get() == process; });
    if (it == runs.end()) return;
    // Not deleted inside its own signal: the process object goes once the event loop is back.
    (*it)->process.release()->deleteLater();
    runs.erase(it);  // removes the member's temporary folder
    emit finished();
}

}  // namespace vorne::ui
