// Letters compared without regard to case beyond ASCII: Unicode's simple case folding (one
// character to one character, as the desktop's own case-insensitive search folds), and the UTF-8
// decoding the texts to be folded need.
#pragma once

#include <string>
#include <string_view>

namespace vorne {

// The character `c` folds to ("É" to "é", "Σ" and "ς" to "σ", the Kelvin sign to "k"); itself
// when it has no case.
char32_t FoldCase(char32_t c);

// Appends the characters of `bytes` to `out` when they are UTF-8 (no overlong forms, surrogates or
// characters beyond U+10FFFF) and returns true; otherwise leaves `out` as it was and returns false.
bool DecodeUtf8(std::string_view bytes, std::u32string& out);

}  // namespace vorne
