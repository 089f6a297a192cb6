// Tags made and read by mutagen (Debian's python3-mutagen), a reader independent of TagLib, through
// tag_tool.py beside this file.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorne::test {

// The Python that has mutagen, or nullopt when none has: the tests that need it skip then.
std::optional<std::string> MutagenPython();

// Runs tag_tool.py with `args`; returns what it printed. Throws when it fails.
std::string RunTagTool(const std::vector<std::string>& args);

// What tag_tool.py reads of a file's ID3v2 tag.
struct MutagenTag {
    std::map<std::string, std::string> fields;  // "version", "title", "artist", ...
    std::vector<std::pair<std::string, std::string>> frames;  // id, raw bytes in hex
};
MutagenTag ReadWithMutagen(const std::string& path);

}  // namespace vorne::test
