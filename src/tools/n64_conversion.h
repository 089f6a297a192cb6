// Converting N64 images between the three byte orders (see formats/n64_byte_order.h). The copy
// goes beside the original, named by its extension replaced with the order's (".z64", ".v64",
// ".n64"), and appears whole or not at all, with the original's permission bits; the original is
// only read. A name that is taken is never written over, and an image already in the order, or
// in none of the three, is left alone.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "catalogue/catalog_model.h"
#include "formats/n64_byte_order.h"
#include "tools/tool_report.h"

namespace vorne {

// The order an ORDER word names ("z64", "v64", "n64", any case); Unknown for any other word.
N64ByteOrder N64ByteOrderOfName(std::string_view name);

// `path` with the extension of its name (or the end, for a name without one) made `extension`.
std::string WithExtension(const std::string& path, std::string_view extension);

// Converts the file at `path` and returns the new file's path. Throws OperationRefused (already
// in the order, in no known order, the name taken) or FileError; no file appears then.
std::string ConvertN64File(const std::string& path, N64ByteOrder order);

// The conversion over the rows: status part 0 shows "Converting...", part 2 each file, and at the
// end part 0 the count `entryCount` grown by the files made. A file that cannot be converted, and
// a member of an archive, are named and the command goes on. Returns the new files' paths as rows name them.
std::vector<std::string> ConvertN64Files(const std::string& folder, std::span<const CatalogRow> rows, N64ByteOrder order,
                                         int entryCount, ToolReport& report);

}  // namespace vorne
