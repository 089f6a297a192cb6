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
ExitCode RunRenameFromTags(const Arguments& args);
ExitCode RunPatch(const Arguments& args);
ExitCode RunMakePatch(const Arguments& args);
ExitCode RunHash(const Arguments& args);
ExitCode RunVerify(const Arguments& args);
ExitCode RunRename(const Arguments& args);
ExitCode RunFixChecksum(const Arguments& args);
ExitCode RunConvertN64(const Arguments& args);

inline constexpr Command kCommands[] = {
    {"scan",
     "scan FOLDER --kind KIND [--subdirs] [--zip] [--known-dumps FILE] [--dat FILE] [--duplicates data] [--json]\n"
     "      [--cache FILE | --no-cache]",
     "List every file of KIND in FOLDER, decode its header and mark the duplicates; with a DAT, the columns\n"
     "      DAT Name and DAT Match; duplicates by their hashed data with --duplicates data.",
     RunScan},
    {"show", "show FILE --kind KIND [--known-dumps FILE] [--json]",
     "Show the decoded columns of one file, the extra values 100 to 102 by name where the kind has them, and its checksums\n"
     "      stored and computed.",
     RunShow},
    {"set", "set FILE --kind KIND FIELD=VALUE [FIELD=VALUE ...] [--id3v2]",
     "Write header fields, in order; a field is a column number, or 100 and up for the extra values, or\n"
     "      a column's title or an extra value's name in any case (Artist=Band). An MP3 genre is a number\n"
     "      or an ID3v1 genre's name; a blank one leaves the genre.\n"
     "      An MP3 file's ID3v2 tag is written in step with its ID3v1 tag; --id3v2 gives a file\n"
     "      without one a new ID3v2.3 tag.",
     RunSet},
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
    {"convert-n64", "convert-n64 ORDER PATH... [--subdirs]",
     "Write a copy of each N64 image in byte order ORDER (z64, v64 or n64) beside it, named by that extension.",
     RunConvertN64},
    {"ips", "ips TARGET PATCH [-o OUT]", "Apply an IPS patch to TARGET, or to a patched copy OUT.", RunIps},
    {"patch", "patch TARGET PATCH [-o OUT] [--force]",
     "Apply an IPS, IPS32, BPS or UPS patch to TARGET, or to a patched copy OUT; --force lets a CRC-32 mismatch through.",
     RunPatch},
    {"make-patch", "make-patch ORIGINAL MODIFIED -o OUT",
     "Write the patch that turns ORIGINAL into MODIFIED: BPS or IPS by OUT's extension.", RunMakePatch},
    {"tag",
     "tag PATH... [--subdirs] [--zip] [--title T] [--artist A] [--album B] [--year Y] [--comment C] [--genre G]\n"
     "      [--id3v2] | --from-name PATTERN [--id3v2] | --delete | --delete-id3v2",
     "Set tag fields of MP3 files (an empty value leaves a field, blanks erase it): the ID3v1 tag and,\n"
     "      in step, an ID3v2 tag the file has (--id3v2: or a new one); or set the fields each file's\n"
     "      name gives by PATTERN (\"%artist% - %title%\"; a name that does not fit is left alone); or\n"
     "      delete their ID3v1 tags (--delete) or their ID3v2 tags (--delete-id3v2). G is a genre number\n"
     "      or an ID3v1 genre's name (any case); a blank G leaves the genre.",
     RunTag},
    {"rename-from-tags", "rename-from-tags PATH... --pattern PATTERN [--subdirs] [--dry-run]",
     "Rename MP3 files after their tags by PATTERN (%artist%, %title%, %album%, %year%, %track%,\n"
     "      %comment%, %genre%), in their folders, never over another file; characters a name cannot\n"
     "      hold become '_'. Prints OLD -> NEW for each; --dry-run renames nothing.",
     RunRenameFromTags},
    {"hash", "hash FILE --kind KIND",
     "Print the size, CRC-32, MD5 and SHA-1 of the data a DAT describes (no copier or emulator header, the\n"
     "      cartridge's byte order) and of the whole file.",
     RunHash},
    {"verify", "verify FOLDER --kind KIND --dat FILE [--subdirs] [--zip] [--json] [--fixdat OUT] [--cache FILE | --no-cache]",
     "Check every file against the DAT: one line per file (Yes, Bad or No, the DAT name, the file), the DAT's\n"
     "      entries missing, then the counts; --fixdat writes the missing entries as a DAT.",
     RunVerify},
    {"rename", "rename FOLDER --kind KIND --dat FILE [--subdirs] [--dry-run] [--cache FILE | --no-cache]",
     "Rename each file the DAT matches to the DAT's ROM name in its own folder, never over another file.",
     RunRename},
};

}  // namespace vorne::cli
