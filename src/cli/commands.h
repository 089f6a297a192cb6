// The commands of vorne-cli. Each takes the parsed command line and returns its exit code;
// failures are thrown (UsageError, UnsupportedFieldError, FileError, ...) and mapped in main.
#pragma once

#include <string_view>

#include "cli/arguments.h"
#include "cli/exit_codes.h"

namespace vorne::cli {

struct Command {
    std::string_view name;
    std::string_view synopsis;
    std::string_view description;
    ExitCode (*run)(const Arguments& args);
};

ExitCode RunScan(const Arguments& args);
ExitCode RunShow(const Arguments& args);
ExitCode RunSet(const Arguments& args);
ExitCode RunRemoveTrainer(const Arguments& args);
ExitCode RunGameboyChecksum(const Arguments& args);
ExitCode RunDeleteTag(const Arguments& args);
ExitCode RunExtract(const Arguments& args);
ExitCode RunSaveList(const Arguments& args);
ExitCode RunCompare(const Arguments& args);
ExitCode RunCleanHeaders(const Arguments& args);
ExitCode RunRemoveTrainers(const Arguments& args);
ExitCode RunConvert(const Arguments& args);
ExitCode RunIps(const Arguments& args);
ExitCode RunTag(const Arguments& args);
ExitCode RunPatch(const Arguments& args);
ExitCode RunMakePatch(const Arguments& args);
ExitCode RunHash(const Arguments& args);
ExitCode RunVerify(const Arguments& args);
ExitCode RunRename(const Arguments& args);
ExitCode RunFixChecksum(const Arguments& args);

inline constexpr Command kCommands[] = {
    {"scan",
     "scan FOLDER --kind KIND [--subdirs] [--zip] [--known-dumps FILE] [--dat FILE] [--duplicates data] [--json]",
     "List every file of KIND in FOLDER, decode its header and mark the duplicates; with a DAT, the columns\n"
     "      DAT Name and DAT Match; duplicates by their hashed data with --duplicates data.",
     RunScan},
    {"show", "show FILE --kind KIND [--known-dumps FILE] [--json]",
     "Show the decoded columns of one file, the extra values 100 to 102 where the kind has them, and its checksums stored and computed.", RunShow},
    {"set", "set FILE --kind KIND FIELD=VALUE [FIELD=VALUE ...]",
     "Write header fields, in order; a field is a column number, or 100 and up for the extra values.", RunSet},
    {"remove-trainer", "remove-trainer FILE", "Cut the 512-byte trainer out of an NES image.", RunRemoveTrainer},
    {"gb-checksum", "gb-checksum FILE",
     "Print the global checksum of a Game Boy image as computed from its bytes, in decimal.", RunGameboyChecksum},
    {"fix-checksum", "fix-checksum FILE --kind KIND [--check]",
     "Write the checksums a Game Boy, SNES, N64, Genesis or 32X header stores as its bytes give them; --check only compares.",
     RunFixChecksum},
    {"delete-tag", "delete-tag FILE", "Cut the ID3v1 tag off an MP3 file; a file without one is left alone.",
     RunDeleteTag},
    {"extract", "extract ARCHIVE MEMBER [-o OUT]",
     "Write one member of a zip archive to OUT, or to standard output.", RunExtract},
    {"save-list",
     "save-list FOLDER --kind KIND [--subdirs] [--zip] [--known-dumps FILE] [--widths W0,W1,...] -o OUT",
     "Write the scanned rows as a list file: each field cut and padded to its column's width / 5.", RunSaveList},
    {"compare", "compare ORIGINAL TEST [-o OUT]",
     "Print the lines of the TEST list that match no line of the ORIGINAL list (file names aside).", RunCompare},
    {"clean-headers", "clean-headers PATH... [--subdirs] [--zip]",
     "Clear the junk in the reserved header bytes of NES images.", RunCleanHeaders},
    {"remove-trainers", "remove-trainers PATH... [--subdirs] [--zip] [--yes]",
     "Cut the trainers out of NES images; an odd file size is passed over unless --yes.", RunRemoveTrainers},
    {"convert", "convert EXT PATH... [--subdirs]",
     "Convert the Genesis or 32X files named *.EXT (smd, bin, 32x) between the interleaved and the linear layout.",
     RunConvert},
    {"ips", "ips TARGET PATCH [-o OUT]", "Apply an IPS patch to TARGET, or to a patched copy OUT.", RunIps},
    {"patch", "patch TARGET PATCH [-o OUT] [--force]",
     "Apply an IPS, IPS32, BPS or UPS patch to TARGET, or to a patched copy OUT; --force lets a CRC-32 mismatch through.",
     RunPatch},
    {"make-patch", "make-patch ORIGINAL MODIFIED -o OUT",
     "Write the patch that turns ORIGINAL into MODIFIED: BPS or IPS by OUT's extension.", RunMakePatch},
    {"tag",
     "tag PATH... [--subdirs] [--zip] [--title T] [--artist A] [--album B] [--year Y] [--comment C] [--genre G] | --delete",
     "Set ID3v1 fields of MP3 files (an empty value leaves a field, blanks erase it), or delete their tags.", RunTag},
    {"hash", "hash FILE --kind KIND",
     "Print the size, CRC-32, MD5 and SHA-1 of the data a DAT describes (no copier or emulator header, the\n"
     "      cartridge's byte order) and of the whole file.",
     RunHash},
    {"verify", "verify FOLDER --kind KIND --dat FILE [--subdirs] [--zip] [--json] [--fixdat OUT]",
     "Check every file against the DAT: one line per file (Yes, Bad or No, the DAT name, the file), the DAT's\n"
     "      entries missing, then the counts; --fixdat writes the missing entries as a DAT.",
     RunVerify},
    {"rename", "rename FOLDER --kind KIND --dat FILE [--subdirs] [--dry-run]",
     "Rename each file the DAT matches to the DAT's ROM name in its own folder, never over another file.",
     RunRename},
};

}  // namespace vorne::cli
