// What every batch tool reads from a row: the file its column 1 names.
#pragma once

#include <string>
#include <string_view>

namespace vorne {

// Column 1 of an archive member reads "%s <%s>": the tools never change such a row's file.
bool IsArchiveMember(std::string_view filename);

// The file a row names: `filename` (column 1) inside `folder`; `filename` alone when `folder` is
// empty (rows that name their files from the current folder, or by full paths).
std::string RowFilePath(const std::string& folder, std::string_view filename);

// A refusal's message names its file first ("path: reason"); a report names the row itself and
// takes the reason alone.
std::string_view ReasonOf(std::string_view message, std::string_view path);

}  // namespace vorne
