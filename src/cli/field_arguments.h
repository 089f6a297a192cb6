// The fields `set` takes and `show` names, and the values typed for them that are names.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/rom_type.h"

namespace vorne::cli {

// The name of field `field` of kind `type`: its column's title, or its extra value's name; empty
// for a field the kind does not have.
std::string_view FieldName(RomType type, int field);

// The field that `name` names: a field number, or a column's title or an extra value's name in
// any case ("Artist", "track"). Of two columns of one title (the SNES "Size"s) the one `writable`
// takes counts. Nullopt when it names none.
std::optional<int> FieldOfName(RomType type, std::string_view name, const std::function<bool(int)>& writable);

// An MP3 genre as typed (--genre, set's genre field): a number as it is, an ID3v1 genre's name in
// any case as its number, and a blank text as the empty text, which leaves a file's genre as it
// is. Throws UsageError for anything else.
std::string GenreArgument(std::string_view text);

}  // namespace vorne::cli
