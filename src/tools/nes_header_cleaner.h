// Cleaning NES headers: bytes 7 to 15 of old iNES headers often hold a ripper's signature
// ("DiskDude!"). A header holds such junk when HasHeaderJunk says so; only then, and only when
// its byte 7 is not zero, bytes 8 to 15 are cleared, and byte 7 as well when its low nibble is not
// zero (a byte 7 with only a high nibble is a mapper's high nibble and stays). Every other header
// (an NES 2.0 one, or an iNES 1.0 one whose bytes 7 to 10 hold real fields) is left alone and not
// counted. A file that does not begin with the iNES mark (NES and 0x1A) is not an NES image at
// all: it is named and left alone.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/rom_header.h"

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

// A file given to the cleaner that is no iNES image.
class NotAnInesImage : public OperationRefused {
public:
    using OperationRefused::OperationRefused;
};

// Whether the 16 header bytes hold junk in bytes 7 to 15: no NES 2.0 mark (byte 7 AND 0x0C is not
// 0x08), and bits 2 and 3 of byte 7 read 01 or 11, or bytes 11 to 15 are not all zero.
bool HasHeaderJunk(std::span<const std::uint8_t, 16> header);

// Cleans the loaded file; adds to `counts` what it did and returns whether it changed the file.
// The bytes that change are written at once through `file` (the loaded file, opened for reading
// and writing), or through an open of their own when it is null. Throws FileError,
// NotAnInesImage, OperationRefused.
bool CleanNesHeader(NesHeader& reader, File* file, CleanerCounts& counts);

// The header cleaner over rows of the NES kind (column 1 the file relative to `folder`; archive
// members skipped). The whole-list variant ends with the summary "Header Cleaner"; the selection
// variant shows "Cleaning..." in status part 0 and each cleaned file in part 2. A file that is no
// iNES image is named as left alone (Skipped); a file that refuses the write (it changed since it was listed) is named and left; a file error ends the
// command (FileError), the files cleaned before it staying cleaned.
CleanerCounts CleanNesHeaders(const std::string& folder, std::span<const CatalogRow> rows, ToolScope scope,
                              ToolReport& report);
// The same, adding to `counts` as it goes: what it did before a file error stays counted there.
void CleanNesHeaders(const std::string& folder, std::span<const CatalogRow> rows, ToolScope scope, ToolReport& report,
                     CleanerCounts& counts);

// "%d headers cleaned, %d mappers changed, %d reserved bytes changed."
std::string CleanerSummary(const CleanerCounts& counts);

}  // namespace vorne
