#include "cli/json_writer.h"

#include <cstdint>
#include <cstdio>

namespace vorne::cli {

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<std::uint8_t>(text[i]);
        int extra;
        std::uint32_t min;
        std::uint32_t cp;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = b & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size()) return false;  // cut short
        for (int k = 1; k <= extra; ++k) {
            auto c = static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::string JsonString(std::string_view text) {
    const bool utf8 = IsValidUtf8(text);
    std::string out = "\"";
    for (char ch : text) {
        auto b = static_cast<std::uint8_t>(ch);
        switch (ch) {
            case '"': out += "\\\""; continue;
            case '\\': out += "\\\\"; continue;
            case '\n': out += "\\n"; continue;
            case '\r': out += "\\r"; continue;
            case '\t': out += "\\t"; continue;
            default: break;
        }
        if (b < 0x20 || b == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
            out += escaped;
        } else if (b >= 0x80 && !utf8) {
            // The byte as a Latin-1 code point, encoded in UTF-8.
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

std::string RowFileJson(const RowFile& file) {
    std::string out = ", \"path\": " + JsonString(file.path);
    if (file.member) out += ", \"member\": " + JsonString(file.member->name) + ", \"entry\": " + std::to_string(file.member->entry);
    return out;
}

}  // namespace vorne::cli
