// Tags from file names, and file names from tags, by a TagPattern over the rows of a list.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/rom_header.h"
#include "catalogue/catalog_model.h"
#include "formats/mp3.h"
#include "tools/tag_pattern.h"
#include "tools/tool_report.h"

namespace vorne {

// The field texts the name of the file at `path` (without its folder and extension) holds by
// `pattern`, or nullopt with the reason in `why` when it does not fit.
std::optional<std::vector<std::pair<Mp3Field, std::string>>> FieldsFromName(const TagPattern& pattern,
                                                                           const std::string& path, std::string& why);

// The edits the name of the file at `path` (without its folder and extension) gives by
// `pattern`, or nullopt with the reason in `why` when it gives none: the name does not fit, or
// its genre is neither a number nor a genre's name.
std::optional<std::vector<FieldEdit>> EditsFromName(const TagPattern& pattern, const std::string& path, std::string& why);

// Writes into each row's file the fields its name gives (both tags in step; `addId3v2` gives a
// file without an ID3v2 tag a new one). A file whose name gives none, and a member of an archive,
// are named and left alone. Returns the number of files written, and reports each with its new
// cells (CellsChanged). A file error ends the command (FileError).
int TagsFromNames(const std::string& folder, std::span<const CatalogRow> rows, const TagPattern& pattern, bool addId3v2,
                  ToolReport& report);

// What a file would be renamed to.
struct RenamePlan {
    std::string path;     // the row's file, as the row names it
    std::string newPath;  // the same folder, the new name and the old extension; empty: none
    std::string why;      // when there is no new name: why not
};

// The new name of the row's file from the tags `reader` has loaded of it: the pattern filled with
// the fields in UTF-8 (blanks at their ends dropped, the genre by name, the track of two digits at
// least), each character a name cannot hold ('/', '\', control characters, and : * ? " < > |,
// which other systems refuse) made '_'. None when a field the pattern names is empty, or the name
// would be too long.
RenamePlan PlanRename(const Mp3Tag& reader, const std::string& rowPath, const TagPattern& pattern);

// The texts a file's tags give each place holder, as PlanRename puts them in a name: taken once
// from a file, they plan its name by any pattern without reading it again (a preview).
using NameTexts = std::map<Mp3Field, std::string>;
NameTexts NameTextsOf(const Mp3Tag& reader);
RenamePlan PlanRename(const NameTexts& texts, const std::string& rowPath, const TagPattern& pattern);

// Why a file whose tags give it its own name is left alone.
inline constexpr const char* kHasThatName = "it has that name already";

// Renames each row's file after its tags (or only says what it would do, `dryRun`). A file is
// never renamed over another: a name that is taken (also by a file that appears meanwhile) is
// reported as failed, and the file keeps its name; so is a file that gives no name, and one that
// would get the name given to a file before it (in a dry run too). Returns the renames made (or
// planned).
std::vector<RenamePlan> RenameFromTags(const std::string& folder, std::span<const CatalogRow> rows,
                                       const TagPattern& pattern, bool dryRun, ToolReport& report);

}  // namespace vorne
