// vorne-cli: the command-line twin of the desktop application.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include "base/rom_header.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "platform/heap_tuning.h"

namespace {

using vorne::cli::ExitCode;

void PrintUsage(std::FILE* to) {
    std::fprintf(to, "Usage: vorne-cli COMMAND ...\n\nCommands:\n");
    for (const auto& command : vorne::cli::kCommands) {
        std::fprintf(to, "  %.*s\n      %.*s\n", static_cast<int>(command.synopsis.size()), command.synopsis.data(),
                     static_cast<int>(command.description.size()), command.description.data());
    }
    std::fprintf(to,
                 "  help, --help\n      Show this text.\n\n"
                 "KIND is gameboy, nes, snes, n64, genesis, 32x, mp3 or zip (any case), or 0 to 7.\n"
                 "The known-dump list is nescrcs.txt beside vorne-cli unless --known-dumps names one.\n"
                 "Files that cannot be read are named on stderr and left out of a scan.\n"
                 "A PATH that is a folder stands for every row a scan of it gives (--subdirs and\n"
                 "--zip as in scan), a PATH that is a file for that file alone when its extension\n"
                 "is the kind's (others are named and left alone); archive members are never\n"
                 "changed. Questions are answered No (the row is named) unless --yes. A file a\n"
                 "batch command should have done but did not makes it exit with 1.\n\n"
                 "Exit codes: 0 success, 1 failure (the reason on stderr), 2 usage error,\n"
                 "3 a field the kind cannot write. Output cut short because its reader went\n"
                 "away (a closed pipe) is no failure.\n");
}

ExitCode Run(int argc, char** argv) {
    auto args = vorne::cli::ParseArguments(argc, argv);
    if (args.command.empty() || args.command == "help" || args.Flag("--help") || args.Flag("-h")) {
        if (args.command.empty() && !args.Flag("--help") && !args.Flag("-h")) {
            PrintUsage(stderr);
            return ExitCode::Usage;
        }
        PrintUsage(stdout);
        return ExitCode::Success;
    }
    for (const auto& command : vorne::cli::kCommands) {
        if (command.name == args.command) return command.run(args);
    }
    throw vorne::cli::UsageError("unknown command '" + args.command + "'");
}

// A failed write to standard output is a failure of the command, told on stderr; a reader that
// went away (`vorne-cli scan ... | head -1`) is not, and ends the command quietly.
ExitCode OutputFailed(const vorne::cli::OutputError& e, ExitCode code) {
    if (e.Error() == EPIPE) return code;
    vorne::cli::Warn(e.what());
    return code == ExitCode::Success ? ExitCode::Failure : code;
}

}  // namespace

int main(int argc, char** argv) {
    vorne::IgnoreFileSizeSignal();  // a file-size limit is then an error that writes roll back
    vorne::KeepFreedMemoryForReuse();
    // Writing to a closed pipe then fails with EPIPE, which OutputFailed handles, instead of
    // killing the process.
    std::signal(SIGPIPE, SIG_IGN);
    ExitCode code = ExitCode::Success;
    bool outputTold = false;  // a failed write is told once, however often it fails again
    try {
        code = Run(argc, argv);
    } catch (const vorne::cli::OutputError& e) {
        code = OutputFailed(e, ExitCode::Success);
        outputTold = true;
    } catch (const vorne::cli::UsageError& e) {
        vorne::cli::Warn(e.what());
        std::cerr << "(try vorne-cli --help)\n";
        code = ExitCode::Usage;
    } catch (const vorne::cli::UnsupportedFieldError& e) {
        vorne::cli::Warn(e.what());
        code = ExitCode::UnsupportedField;
    } catch (const vorne::cli::LinesError& e) {
        vorne::cli::WarnLines(e.Lines());
        code = ExitCode::Failure;
    } catch (const vorne::FileError& e) {
        vorne::cli::Warn(e.what());
        code = ExitCode::Failure;
    } catch (const std::exception& e) {
        vorne::cli::Warn(e.what());
        code = ExitCode::Failure;
    }
    try {
        vorne::cli::FinishOutput();
    } catch (const vorne::cli::OutputError& e) {
        if (!outputTold) code = OutputFailed(e, code);
    }
    return static_cast<int>(code);
}
