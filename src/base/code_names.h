// Tables that name the codes of a header byte (cartridge types, sizes, destinations), and the one
// way every reader looks them up.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorne {

struct CodeName {
    std::uint8_t code;
    std::string_view text;
};

template <std::size_t N>
constexpr std::optional<std::string_view> NameOf(const std::array<CodeName, N>& table, std::uint8_t code) {
    for (const CodeName& entry : table) {
        if (entry.code == code) return entry.text;
    }
    return std::nullopt;
}

// A type code no table names: "<unknown: %d>".
inline std::string UnknownCodeText(std::uint8_t code) { return "<unknown: " + std::to_string(code) + ">"; }

}  // namespace vorne
