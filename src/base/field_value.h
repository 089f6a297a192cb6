// The values header fields are written with, typed as the control that sets them: a check box
// sets a flag, a number box a number, a text box the bytes of a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace vorne {

using FieldValue = std::variant<bool, std::int32_t, std::string>;

// The type of value a writable field takes. A flag also takes a number (what a script gives
// `vorne-cli set`); each kind says what a number other than 0 and 1 does to its flags.
enum class FieldType { Flag, Number, Bytes };

// The value of `text` typed where the user types text (a script's FIELD=VALUE): the bytes as they
// are for a text, the atoi rule for a number (no number gives 0); for a flag "1" and "0" are its
// two states and any other text is its atoi number.
FieldValue FieldValueOfText(FieldType type, std::string_view text);

// Whether `value` is one `type` takes.
bool TakesValue(FieldType type, const FieldValue& value);

// The number a flag's value stands for: 0 or 1 for a check box's state, the number itself for a
// number.
std::int32_t FlagNumber(const FieldValue& value);

// "a flag", "a number", "bytes": for messages.
std::string_view FieldTypeName(FieldType type);

}  // namespace vorne
