// Cleaning NES headers: the bytes the iNES layout reserves (7 to 15) often hold a ripper's
// signature. Every file whose byte 7 is not zero gets bytes 8 to 15 cleared, and byte 7 as well
// when its low nibble is not zero (a byte 7 with only a high nibble is a mapper's high nibble and
// stays). A file whose byte 7 is zero is left alone, and so is an NES 2.0 header, whose bytes 7
// to 15 are not junk.
#pragma once

#include <span>
#include <string>

#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"

namespace vorne {

class File;
class NesHeader;

struct CleanerCounts {
    int cleaned = 0;   // files changed
    int mappers = 0;   // files whose byte 7 was cleared
    int reserved = 0;  // files whose bytes 8 to 15 were cleared
};

// Cleans the loaded file; adds to `counts` what it did and returns whether it changed the file.
// The bytes that change are written at once through `file` (the loaded file, opened for reading
// and writing), or through an open of their own when it is null. Throws FileError,
// OperationRefused.
bool CleanNesHeader(NesHeader& reader, File* file, CleanerCounts& counts);

// The header cleaner over rows of the NES kind (column 1 the file relative to `folder`; archive
// members skipped). The whole-list variant ends with the summary "Header Cleaner"; the selection
// variant shows "Cleaning..." in status part 0 and each cleaned file in part 2. A file that
// refuses the write (it changed since it was listed) is named and left; a file error ends the
// command (FileError), the files cleaned before it staying cleaned.
CleanerCounts CleanNesHeaders(const std::string& folder, std::span<const CatalogRow> rows, ToolScope scope,
                              ToolReport& report);

// "%d headers cleaned, %d mappers changed, %d reserved bytes changed."
std::string CleanerSummary(const CleanerCounts& counts);

}  // namespace vorne
