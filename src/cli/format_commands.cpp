// vorne-cli commands of one kind each: gb-checksum, delete-tag.
#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "formats/gameboy.h"
#include "formats/mp3.h"

namespace vorne::cli {

ExitCode RunGameboyChecksum(const Arguments& args) {
    AllowOnly(args, {}, {});
    const std::string& path = args.OnePositional("a FILE");
    GameboyHeader reader;
    reader.LoadFile(path);  // finds the base: a copier header is left out of the sum
    WriteOut(std::to_string(reader.CalculateChecksum()) + "\n");
    return ExitCode::Success;
}

ExitCode RunDeleteTag(const Arguments& args) {
    AllowOnly(args, {}, {});
    const std::string& path = args.OnePositional("a FILE");
    Mp3Tag reader;
    reader.LoadFile(path);
    reader.DeleteTag();
    return ExitCode::Success;
}

}  // namespace vorne::cli
