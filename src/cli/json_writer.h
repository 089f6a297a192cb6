// A small JSON writer for vorne-cli's --json output.
#pragma once

#include <string>
#include <string_view>

#include "catalogue/row_file.h"

namespace vorne::cli {

// `text` as a JSON string literal. Valid UTF-8 is kept; a text that is not valid UTF-8 (titles in
// old images often are not) is given with each byte as the code point of the same number.
std::string JsonString(std::string_view text);

bool IsValidUtf8(std::string_view text);

// The fields that name a listed file as the scan found it (column 1 is only its text): ", "path":
// ..." and, for an archive member, its "member" name and directory "entry".
std::string RowFileJson(const RowFile& file);

}  // namespace vorne::cli
