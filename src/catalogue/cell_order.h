// The order of two cell texts in a column, as the list sorts them.
#pragma once

#include <string_view>

#include "base/rom_type.h"

namespace vorne {

// Negative, zero or positive as `a` sorts before, with or after `b`. Texts compare byte by byte as
// unsigned values. Numbers compare by the value of their leading decimal digits, of any length,
// then by the rest of the text ("512k" < "1024k"); a text that does not begin with a digit (blank,
// "?", "<5>k") sorts before every number, byte-wise among its kind.
int CompareCells(std::string_view a, std::string_view b, SortAs how);

}  // namespace vorne
