// The command line as given: a command, its positional words, its options. Checking what each
// command needs is the command's affair.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/rom_type.h"

namespace vorne::cli {

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // --name VALUE
    std::vector<std::string> flags;             // --name

    bool Flag(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    // The single positional word `what`, or a usage error.
    const std::string& OnePositional(const char* what) const;
    // -o, when given. An empty OUT (an unset variable in a script) is a usage error, never taken
    // for "no OUT".
    std::optional<std::string> OutputPath() const;
    // --kind, required. Throws UsageError when it is missing or unknown.
    RomType Kind() const;
};

// Options that take a value; every other --option is a flag.
Arguments ParseArguments(int argc, char** argv);

// Only the options a command knows are allowed; others are a usage error.
void AllowOnly(const Arguments& args, std::initializer_list<const char*> valueOptions,
               std::initializer_list<const char*> flagOptions);

}  // namespace vorne::cli
