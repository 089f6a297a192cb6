#include "support/tag_tool.h"

#include <sstream>
#include <stdexcept>

#include "support/temp_dir.h"

namespace vorne::test {

std::optional<std::string> MutagenPython() {
    static const std::optional<std::string> found = []() -> std::optional<std::string> {
        for (const char* python : {"/usr/bin/python3", "python3"}) {
            try {
                if (RunProgram(python, {"-c", "import mutagen"}).exitCode == 0) return python;
            } catch (const std::exception&) {
                // not there: try the next
            }
        }
        return std::nullopt;
    }();
    return found;
}

std::string RunTagTool(const std::vector<std::string>& args) {
    std::vector<std::string> all{VORNE_TAG_TOOL};
    all.insert(all.end(), args.begin(), args.end());
    const CommandResult result = RunProgram(MutagenPython().value_or("python3"), all);
    if (result.exitCode != 0) throw std::runtime_error("tag_tool.py failed: " + result.err);
    return result.out;
}

MutagenTag ReadWithMutagen(const std::string& path) {
    MutagenTag tag;
    std::istringstream lines(RunTagTool({"read", path}));
    for (std::string line; std::getline(lines, line);) {
        const auto tab = line.find('\t');
        const std::string key = line.substr(0, tab), rest = line.substr(tab + 1);
        if (key == "frame") {
            const auto second = rest.find('\t');
            tag.frames.emplace_back(rest.substr(0, second), rest.substr(second + 1));
        } else {
            tag.fields[key] = rest;
        }
    }
    return tag;
}

}  // namespace vorne::test
