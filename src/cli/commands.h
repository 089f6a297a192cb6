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

inline constexpr Command kCommands[] = {
    {"scan", "scan FOLDER --kind KIND [--subdirs] [--zip] [--known-dumps FILE] [--json]",
     "List every file of KIND in FOLDER, decode its header and mark the duplicates.", RunScan},
    {"show", "show FILE --kind KIND [--known-dumps FILE] [--json]",
     "Show the decoded columns of one file, and the extra values 100 to 102 where the kind has them.", RunShow},
    {"set", "set FILE --kind KIND FIELD=VALUE [FIELD=VALUE ...]",
     "Write header fields, in order; a field is a column number, or 100 and up for the extra values.", RunSet},
    {"remove-trainer", "remove-trainer FILE", "Cut the 512-byte trainer out of an NES image.", RunRemoveTrainer},
    {"gb-checksum", "gb-checksum FILE",
     "Print the global checksum of a Game Boy image as computed from its bytes, in decimal.", RunGameboyChecksum},
    {"delete-tag", "delete-tag FILE", "Cut the ID3v1 tag off an MP3 file; a file without one is left alone.",
     RunDeleteTag},
    {"extract", "extract ARCHIVE MEMBER [-o OUT]",
     "Write one member of a zip archive to OUT, or to standard output.", RunExtract},
};

}  // namespace vorne::cli
