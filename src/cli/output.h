// What vorne-cli shows goes through here: written to standard output with a failed write told,
// and with header bytes made harmless for a terminal.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorne::cli {

// Standard output could not take what was written (a full disk, a closed pipe, ...).
class OutputError : public std::runtime_error {
public:
    explicit OutputError(int error);
    int Error() const { return error; }

private:
    int error;
};

// Writes `text` to standard output and flushes it. Throws OutputError.
void WriteOut(std::string_view text);

// Flushes whatever else was written to standard output. Throws OutputError when that, or any
// earlier write, failed.
void FinishOutput();

// `text` for a terminal: control characters (C0, DEL, and C1 encoded in UTF-8) become '.', so
// that header bytes cannot move the cursor, clear the screen or change colours.
std::string PrintableText(std::string_view text);

// Writes "vorne-cli: ", `text` made printable and a line feed to stderr: the one way a message
// (and a file name in it, whose bytes the user does not choose) reaches the terminal. A message is
// one line: a line feed in it shows as a dot too, so that no file name can start a line that reads
// like one of ours ("evil\nvorne-cli: 0 problems.nes").
void Warn(std::string_view text);

// A failure told in several lines of our own (a reason and the candidates it names): each line
// goes through Warn's rule by itself, so that only our own line breaks break the message.
class LinesError : public std::runtime_error {
public:
    explicit LinesError(std::vector<std::string> lines);
    const std::vector<std::string>& Lines() const { return lines; }

private:
    std::vector<std::string> lines;
};

// Writes the first line as Warn does, and each further one made printable on a line of its own.
void WarnLines(const std::vector<std::string>& lines);

}  // namespace vorne::cli
