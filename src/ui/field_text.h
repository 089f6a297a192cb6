// Header fields in edit boxes. A field is bytes; a box holds text. A field is shown the way the
// list shows it (UTF-8 when its bytes are UTF-8, otherwise Latin-1, which maps every byte to one
// character) but with its control bytes kept, so that a box the user leaves alone gives back
// exactly the bytes it was filled with.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/field_value.h"

class QLineEdit;

namespace vorne::ui {

// How a field's bytes became text, which decides how the text becomes bytes again.
enum class FieldEncoding {
    Latin1,  // one byte per character; also every ASCII field
    Utf8,    // the bytes were UTF-8 with characters beyond ASCII
};

struct DecodedField {
    QString text;
    FieldEncoding encoding = FieldEncoding::Latin1;
};

DecodedField DecodeField(std::string_view bytes);

// The bytes of `text`: in `encoding`, except that a text with characters Latin-1 lacks (typed
// into a Latin-1 field) is written as UTF-8 rather than with question marks.
std::string EncodeField(const QString& text, FieldEncoding encoding);

// Shows `bytes` in `box` (the cursor at the start) and remembers their encoding in the box.
void SetFieldBox(QLineEdit* box, std::string_view bytes);
// The bytes of what `box` holds now, in the encoding it was filled with.
std::string FieldBoxBytes(const QLineEdit* box);

// A number box shows its number in decimal; what it holds is its text read by the atoi rule (a
// box holding no number holds 0).
void SetNumberBox(QLineEdit* box, std::int32_t number);
std::int32_t NumberBoxValue(const QLineEdit* box);

// A box of a number or a text field: shows `value`; gives what it holds as the value `type` takes.
void SetValueBox(QLineEdit* box, const FieldValue& value);
FieldValue ValueBoxValue(const QLineEdit* box, FieldType type);

// Makes `box` as wide as its length limit asks: a number or a code at a fixed width, a text wide
// enough to show most of its characters.
void FitToLimit(QLineEdit* box);

}  // namespace vorne::ui
