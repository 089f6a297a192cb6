// vorne-cli extract: one archive member, found exactly as the scan and the launcher find it, and
// written as it is inflated, so that a member of any size costs a few buffers.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/zip_reader.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace vorne::cli {

namespace {

// The reader's diagnostics are the reason given for a failure, a line each (made printable when
// told, names and all); the line breaks are the message's own.
LinesError ExtractFailure(const std::string& member, const std::string& archive, const ZipStatus& status) {
    std::vector<std::string> lines{"cannot extract " + member + " from " + archive};
    for (const std::string& line : status.lines) lines.push_back("  " + line.substr(0, line.find_last_not_of('\n') + 1));
    return LinesError(std::move(lines));
}

}  // namespace

ExitCode RunExtract(const Arguments& args) {
    AllowOnly(args, {"-o"}, {});
    if (args.positional.size() != 2) throw UsageError("extract needs an ARCHIVE and a MEMBER");
    const std::string& archivePath = args.positional[0];
    const std::string& member = args.positional[1];
    const std::optional<std::string> out = args.OutputPath();

    ZipStatus status;
    const std::unique_ptr<ZipArchive> archive = ZipArchive::Open(archivePath, status);
    std::optional<ZipMemberStream> stream;
    // An archive whose directory could not be read has no member to find.
    if (archive && archive->Directory().endFound) stream = archive->StreamMember(member, status);
    if (!stream) throw ExtractFailure(member, archivePath, status);

    const auto run = [&](const MemberSink& sink) {
        const ZipStatus read = stream->Run(sink);
        if (!read.Ok()) {
            status.lines.insert(status.lines.end(), read.lines.begin(), read.lines.end());
            throw ExtractFailure(member, archivePath, status);
        }
    };
    if (out) {
        // The file appears whole or not at all: a member that does not check out once all its
        // bytes have gone by calls the write off. The member is as private as its archive.
        WriteFileAtomically(
            *out, [&](RewriteOutput& output) { run([&](std::span<const std::uint8_t> bytes) { output.Write(bytes); }); },
            PermissionBitsOf(archive->Archive()));
    } else {
        // What goes to standard output cannot be taken back, so a member is held back until it
        // has checked out, up to kHeldBack bytes. A larger one goes out as it is inflated: if it
        // then fails, the command fails having written its start.
        constexpr std::size_t kHeldBack = 16u << 20;
        std::vector<std::uint8_t> held;
        bool flowing = false;
        const auto write = [](std::span<const std::uint8_t> bytes) {
            WriteOut(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        };
        run([&](std::span<const std::uint8_t> bytes) {
            if (!flowing && held.size() + bytes.size() <= kHeldBack) {
                held.insert(held.end(), bytes.begin(), bytes.end());
                return;
            }
            if (!flowing) write(std::exchange(held, {}));
            flowing = true;
            write(bytes);
        });
        write(held);
    }
    return ExitCode::Success;
}

}  // namespace vorne::cli
