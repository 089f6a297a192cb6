// vorne-cli extract: one archive member, read exactly as the scan and the launcher read it.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "archive/zip_reader.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace vorne::cli {

ExitCode RunExtract(const Arguments& args) {
    AllowOnly(args, {"-o"}, {});
    if (args.positional.size() != 2) throw UsageError("extract needs an ARCHIVE and a MEMBER");
    const std::string& archive = args.positional[0];
    const std::string& member = args.positional[1];
    const std::optional<std::string> out = args.OutputPath();

    // The reader's diagnostics are the reason given for a failure.
    MemberData bytes;
    const ZipStatus status = ReadMember(archive, member, bytes);
    if (!status.Ok()) {
        // Each line is made printable here, names and all; the line breaks are the message's own.
        std::string message = PrintableText("cannot extract " + member + " from " + archive);
        for (const std::string& line : status.lines) {
            std::string trimmed = line.substr(0, line.find_last_not_of('\n') + 1);
            message += "\n  " + PrintableText(trimmed);
        }
        throw std::runtime_error(message);
    }
    if (out) {
        // The member is as private as its archive.
        WriteFileAtomically(*out, bytes.Bytes(), PermissionBitsOf(File::OpenRead(archive)));
    } else {
        WriteOut(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    return ExitCode::Success;
}

}  // namespace vorne::cli
