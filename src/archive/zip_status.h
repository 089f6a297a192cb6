// What a zip operation gives back besides its data: a named result, the decoder's own result when
// inflating failed, and the diagnostic lines that say why, in order. Nothing is shown to the user
// here; vorne-cli prints the lines of a failed extraction and the scan shows the first one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "archive/inflate.h"

namespace vorne {

enum class ZipResult : int {
    Ok = 0,
    NoEndRecord = 1,    // no end of central directory record in the file's tail
    InflateFailed = 2,  // the member's DEFLATE stream is damaged; ZipStatus::inflate says how
    Failed = -1,        // every other failure
};

// Diagnostic lines are cut to this many characters.
inline constexpr std::size_t kZipLineLimit = 255;

struct ZipStatus {
    ZipResult result = ZipResult::Ok;
    InflateResult inflate = InflateResult::Ok;  // the decoder's result when `result` is InflateFailed
    std::vector<std::string> lines;             // each ends with a line break, as written

    bool Ok() const { return result == ZipResult::Ok; }
    // The first line without its line break: the reason a caller gives for a failure.
    std::string Reason() const;

    // Adds one line built from `parts` (texts and integers, written in decimal).
    template <typename... Parts>
    void Say(const Parts&... parts) {
        std::string line;
        (Append(line, parts), ...);
        Add(std::move(line));
    }
    void Add(std::string line);

    // Sets the result and returns it, so a failure reads `return status.Fail(...)`.
    ZipResult Fail(ZipResult failure) { return result = failure; }

private:
    static void Append(std::string& line, std::string_view text) { line += text; }
    static void Append(std::string& line, const char* text) { line += text; }
    static void Append(std::string& line, const std::string& text) { line += text; }
    template <typename Integer>
    static void Append(std::string& line, Integer value)
        requires std::is_integral_v<Integer>
    {
        line += std::to_string(value);
    }
};

// `value` as `digits` lower-case hexadecimal digits (more when it needs them), after a "$".
std::string DollarHex(std::uint32_t value, int digits);

}  // namespace vorne
