// vorne-cli hash: the hashes a DAT is checked against, of the data as the kind's reader finds it
// and of the whole file.
#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "dat/rom_hashes.h"

namespace vorne::cli {

namespace {

std::string HashLine(std::string_view label, const Hashes& hashes) {
    return std::string(label) + " size " + std::to_string(hashes.size) + " crc32 " + CrcText(hashes.crc) + " md5 " +
           (hashes.md5 ? HexText(*hashes.md5) : "") + " sha1 " + (hashes.sha1 ? HexText(*hashes.sha1) : "") + "\n";
}

}  // namespace

ExitCode RunHash(const Arguments& args) {
    AllowOnly(args, {"--kind"}, {});
    const std::string& path = args.OnePositional("a FILE");
    const RomType type = args.Kind();
    const FileHashes hashes = HashRomFile(type, path, {.md5 = true, .wholeFile = true});
    WriteOut(HashLine("data", hashes.data) + HashLine("file", hashes.whole));
    return ExitCode::Success;
}

}  // namespace vorne::cli
