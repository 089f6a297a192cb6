// vorne-cli's patch commands: patch (IPS, IPS32, BPS, UPS) and make-patch (BPS, IPS).
#include <iostream>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/output.h"
#include "tools/make_patch_file.h"
#include "tools/patch_file.h"

namespace vorne::cli {

ExitCode RunPatch(const Arguments& args) {
    AllowOnly(args, {"-o"}, {"--force"});
    if (args.positional.size() != 2) throw UsageError("patch needs a TARGET and a PATCH");
    const PatchFileResult result =
        PatchRomFile(args.positional[0], args.positional[1], args.OutputPath().value_or(""), args.Flag("--force"));
    for (const std::string& warning : result.warnings) std::cerr << "vorne-cli: warning: " << warning << "\n";
    WriteOut(AppliedText(result) + "\n");
    return ExitCode::Success;
}

ExitCode RunMakePatch(const Arguments& args) {
    AllowOnly(args, {"-o"}, {});
    if (args.positional.size() != 2) throw UsageError("make-patch needs an ORIGINAL and a MODIFIED file");
    const auto out = args.Value("-o");
    if (!out) throw UsageError("make-patch needs -o OUT");
    if (PatchFormatForName(*out) == PatchFormat::Unknown) throw UsageError("make-patch writes .bps or .ips files, not " + *out);
    const MadePatch made = MakePatchFile(args.positional[0], args.positional[1], *out);
    WriteOut(MadeText(made) + "\n");
    return ExitCode::Success;
}

}  // namespace vorne::cli
