#include "cli/arguments.h"

#include <algorithm>
#include <set>

#include "cli/exit_codes.h"

namespace vorne::cli {

namespace {

const std::set<std::string> kValueOptions{"--kind",  "--known-dumps", "-o",     "--widths", "--title",
                                          "--artist", "--album",      "--year", "--comment", "--genre",
                                          "--dat",    "--fixdat",     "--cache", "--duplicates"};

}  // namespace

Arguments ParseArguments(int argc, char** argv) {
    Arguments args;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            if (auto eq = word.find('='); eq != std::string::npos && word.starts_with("--")) {
                args.values[word.substr(0, eq)] = word.substr(eq + 1);
            } else if (kValueOptions.count(word)) {
                if (i + 1 >= argc) throw UsageError(word + " needs a value");
                args.values[word] = argv[++i];
            } else {
                args.flags.push_back(word);
            }
        } else if (args.command.empty()) {
            args.command = word;
        } else {
            args.positional.push_back(word);
        }
    }
    return args;
}

void AllowOnly(const Arguments& args, std::initializer_list<const char*> valueOptions,
               std::initializer_list<const char*> flagOptions) {
    for (const auto& entry : args.values) {
        const std::string& name = entry.first;
        if (std::none_of(valueOptions.begin(), valueOptions.end(), [&](const char* o) { return name == o; })) {
            throw UsageError("unknown option " + name + " for " + args.command);
        }
    }
    for (const auto& name : args.flags) {
        if (std::none_of(flagOptions.begin(), flagOptions.end(), [&](const char* o) { return name == o; })) {
            throw UsageError("unknown option " + name + " for " + args.command);
        }
    }
}

bool Arguments::Flag(const std::string& name) const {
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<std::string> Arguments::Value(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

const std::string& Arguments::OnePositional(const char* what) const {
    if (positional.empty()) throw UsageError(command + " needs " + what);
    if (positional.size() > 1) throw UsageError(command + " takes one " + what + ", not " + std::to_string(positional.size()));
    return positional.front();
}

std::optional<std::string> Arguments::OutputPath() const {
    auto out = Value("-o");
    if (out && out->empty()) throw UsageError(command + ": -o needs a file name, not an empty text");
    return out;
}

RomType Arguments::Kind() const {
    auto kind = Value("--kind");
    if (!kind) throw UsageError(command + " needs --kind");
    auto type = ParseRomType(*kind);
    if (!type) throw UsageError("unknown kind '" + *kind + "'");
    return *type;
}

}  // namespace vorne::cli
