// Test helpers: a fresh folder per test, files in it, and running vorne-cli.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/rom_type.h"

namespace vorne::test {

// A new empty folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    // `relative` inside the folder.
    std::string operator/(const std::string& relative) const { return path + "/" + relative; }
    // Writes a file (creating folders); returns its full path.
    std::string Write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const;

private:
    std::string path;
};

std::vector<std::uint8_t> ReadFile(const std::string& path);

// The names in a folder, sorted.
std::vector<std::string> ListFolder(const std::string& path);

// Lowers the largest size a file may be written to, for as long as the object lives, so that
// writes fail even for root (SIGXFSZ is ignored meanwhile, so the write reports EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    std::uint64_t previousSoft;
    void (*previousHandler)(int);
};

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The vorne-cli the tests run: the one built with them, or $VORNE_CLI when a copy of the tests
// runs away from the build (as another user, say).
const char* CliPath();

// Runs vorne-cli with `args` (no shell involved) and collects its output. The child inherits the
// limits of the test (see FileSizeLimit) but not its handling of SIGXFSZ.
CommandResult RunCli(const std::vector<std::string>& args);
// The same for any program, looked up in PATH unless `program` holds a separator.
CommandResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// `args` as one text, each followed by a blank: how a failed expectation names a command.
std::string CommandLine(const std::vector<std::string>& args);

// The FIELD=VALUE of `vorne-cli set` for `field`.
template <FieldEnum Field>
std::string SetPair(Field field, std::string_view value) {
    return std::to_string(FieldNumber(field)) + "=" + std::string(value);
}

// The line `vorne-cli show` prints for a field of `type`: its number, its column's title (or its
// extra value's name) and `text`.
template <FieldEnum Field>
std::string ShowLine(RomType type, Field field, std::string_view text) {
    const int number = FieldNumber(field);
    const std::string_view name = number >= kFirstExtraField
                                      ? Kind(type).extraNames[static_cast<std::size_t>(number - kFirstExtraField)]
                                      : Kind(type).columns[static_cast<std::size_t>(number)].title;
    return std::to_string(number) + " " + std::string(name) + ": " + std::string(text) + "\n";
}

}  // namespace vorne::test
