#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <utility>

#include "cli/json_writer.h"
#include "platform/file_error.h"

namespace vorne::cli {

OutputError::OutputError(int error)
    : std::runtime_error("cannot write to standard output: " + ErrnoText(error)), error(error) {}

void WriteOut(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        throw OutputError(errno);
    }
}

void FinishOutput() {
    if (std::fflush(stdout) != 0) throw OutputError(errno);
    // An earlier write failed and its bytes were dropped: the cause is gone with them.
    if (std::ferror(stdout)) throw OutputError(EIO);
}

std::string PrintableText(std::string_view text) {
    // Text that is not valid UTF-8 is taken byte by byte, as JsonString takes it: its bytes 0x80
    // to 0x9F are the C1 controls themselves.
    const bool utf8 = IsValidUtf8(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto b = static_cast<unsigned char>(text[i]);
        bool c1 = utf8 ? b == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80
                       : (b & 0xE0) == 0x80;
        if (b < 0x20 || b == 0x7F || c1) {
            out += '.';
            if (utf8 && c1) ++i;  // both bytes of U+0080 to U+009F
        } else {
            out += text[i];
        }
    }
    return out;
}

void Warn(std::string_view text) { std::cerr << "vorne-cli: " + PrintableText(text) + "\n"; }

LinesError::LinesError(std::vector<std::string> lines)
    : std::runtime_error(lines.empty() ? std::string() : lines.front()), lines(std::move(lines)) {}

void WarnLines(const std::vector<std::string>& lines) {
    std::string out = "vorne-cli:";
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i == 0 ? " " : "\n") + PrintableText(lines[i]);
    std::cerr << out << "\n";
}

}  // namespace vorne::cli
