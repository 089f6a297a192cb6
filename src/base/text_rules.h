// The text rules every reader and writer shares: numbers from texts, fixed-width text fields,
// byte-wise comparison.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorne {

// The atoi rule: leading white space, an optional sign, then decimal digits up to the first other
// character; no digits give 0. Values beyond the range of a 32-bit int saturate, as the C library
// does. Callers then cut the result to the width of their byte or word.
std::int32_t AtoiRule(std::string_view text);

// Cutting a number to the width of its target (two's complement, so -1 becomes 0xFF).
constexpr std::uint8_t CutTo8(std::int32_t value) { return static_cast<std::uint8_t>(value); }
constexpr std::uint16_t CutTo16(std::int32_t value) { return static_cast<std::uint16_t>(value); }

// The strncpy fill: copies at most field.size() characters of `text` (which ends at its first NUL)
// into `field` and fills the rest with zero bytes; a text that fills the field leaves no terminator.
void StrncpyFill(std::span<std::uint8_t> field, std::string_view text);

// The strcmp rule: byte by byte as unsigned values, case mattering; a text that is a prefix of the
// other sorts first. Returns <0, 0 or >0.
inline int StrcmpRule(std::string_view a, std::string_view b) { return a.compare(b); }

// The text in `bytes` up to its first zero byte (all of it when there is none).
std::string TextUpToNul(std::span<const std::uint8_t> bytes);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
char ToUpperAscii(char c);
std::string ToUpperAscii(std::string_view text);

// "%d" for any integer.
std::string Decimal(std::int64_t value);

}  // namespace vorne
