#include "ui/launcher.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <csignal>
#include <cerrno>
#include <vector>

#include "archive/zip_reader.h"

namespace vorne::ui {

namespace {

// How often the launched programs are checked for having ended.
constexpr int kPollMilliseconds = 200;

bool ProcessAlive(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

std::optional<LaunchCommand> SplitProgramSetting(const QString& setting) {
    QStringList words = QProcess::splitCommand(setting);
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

ListedFile ParseFilenameCell(std::string_view cell) {
    // An archive member reads "ARCHIVE <MEMBER>": the archive before the blank that precedes
    // the "<", the member up to the next ">".
    const auto open = cell.find('<');
    if (open == std::string_view::npos) return {std::string(cell), {}};
    auto close = cell.find('>', open + 1);
    if (close == std::string_view::npos) close = cell.size();
    std::string_view archive = cell.substr(0, open);
    if (!archive.empty() && archive.back() == ' ') archive.remove_suffix(1);
    return {std::string(archive), std::string(cell.substr(open + 1, close - open - 1))};
}

QString MemberFileName(const std::string& member) {
    const std::string base = ZipBaseName(member);
    if (base.empty() || base == "." || base == "..") return QStringLiteral("member");
    return QFile::decodeName(QByteArray::fromStdString(base));
}

struct Launcher::Run {
    qint64 pid = 0;
    std::unique_ptr<QTemporaryDir> temporary;  // the member's private folder, or none
};

Launcher::Launcher(QObject* parent) : QObject(parent) {
    poll.setInterval(kPollMilliseconds);
    connect(&poll, &QTimer::timeout, this, &Launcher::Poll);
}

Launcher::~Launcher() = default;

QString Launcher::Launch(const std::string& folder, std::string_view cell, const QString& programSetting) {
    const ListedFile file = ParseFilenameCell(cell);
    const std::string fullBytes = folder + '/' + file.path;
    const QString fullPath = QFile::decodeName(QByteArray::fromStdString(fullBytes));
    if (!QFileInfo::exists(fullPath)) {
        return QStringLiteral("%1 no longer exists.").arg(QDir::toNativeSeparators(fullPath));
    }
    std::optional<LaunchCommand> command = SplitProgramSetting(programSetting);
    if (!file.IsMember()) {
        if (!command) {
            // No program for the kind: the desktop's own choice for the file.
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(fullPath))) {
                return QStringLiteral("No program opens %1.").arg(QDir::toNativeSeparators(fullPath));
            }
            return {};
        }
        command->arguments << fullPath;
        return Start(std::move(*command), nullptr);
    }
    if (!command) return {};  // a member needs the kind's program

    std::vector<std::uint8_t> bytes;
    if (ReadMember(fullBytes, file.member, bytes) != kZipOk) {
        return QStringLiteral("%1 could not be read from %2.")
            .arg(QFile::decodeName(QByteArray::fromStdString(file.member)), QDir::toNativeSeparators(fullPath));
    }
    auto temporary = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("vorne-XXXXXX")));
    if (!temporary->isValid()) return QStringLiteral("No temporary folder: %1").arg(temporary->errorString());
    const QString copyPath = temporary->filePath(MemberFileName(file.member));
    QFile copy(copyPath);
    // A new file in a new private folder: nothing there can be overwritten.
    if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        copy.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !copy.flush()) {
        return QStringLiteral("%1 could not be written: %2").arg(copyPath, copy.errorString());
    }
    copy.close();
    command->arguments << copyPath;
    return Start(std::move(*command), std::move(temporary));
}

QString Launcher::Start(LaunchCommand command, std::unique_ptr<QTemporaryDir> temporary) {
    // Started apart from Vorne, so that quitting Vorne never ends the user's program.
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setWorkingDirectory(command.workingFolder);
    auto run = std::make_unique<Run>();
    if (!process.startDetached(&run->pid)) {
        return QStringLiteral("%1 could not be started: %2").arg(command.program, process.errorString());
    }
    run->temporary = std::move(temporary);
    runs.push_back(std::move(run));
    poll.start();
    emit started();
    return {};
}

void Launcher::Poll() {
    bool ended = false;
    for (auto it = runs.begin(); it != runs.end();) {
        if (ProcessAlive((*it)->pid)) {
            ++it;
        } else {
            it = runs.erase(it);  // removes the member's temporary folder
            ended = true;
        }
    }
    if (runs.empty()) poll.stop();
    if (ended) emit finished();
}

}  // namespace vorne::ui
