// Setting or erasing ID3v1 tag fields of many MP3 files at once, or deleting their tags.
//
// The values are texts by MP3 field (title, artist, album, year, comment, genre), as typed: the
// genre's by the atoi rule. An empty text leaves that field of every file as it is; any other text
// is written, so blanks erase a field. A file without a tag gets one holding the values, its other
// fields filled from the file's ID3v2 or APE tag (or blank-started, genre 255, when it has none).
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "base/rom_header.h"
#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"

namespace vorne {

struct MassTagValues {
    std::array<std::string, FieldNumber(Mp3Field::Count)> texts;  // Filename and Size are not used
    bool addId3v2 = false;  // a file without an ID3v2 tag gets one too

    std::string& operator[](Mp3Field field) { return texts[static_cast<std::size_t>(field)]; }
    const std::string& operator[](Mp3Field field) const { return texts[static_cast<std::size_t>(field)]; }
};

// The fields of `values` that are written, in the order they are written: title, album,
// artist, year, comment, genre.
std::vector<FieldEdit> MassTagEdits(const MassTagValues& values);

// Each of these reports every file it changed with its new cells (CellsChanged).
//
// Writes the values into the file of every row (column 1 relative to `folder`; archive members
// skipped), all fields of a file in one write, ID3v1 and ID3v2 in step. Returns the number of
// files written. A file error ends the command (FileError); the files written before it stay
// written. A file whose ID3v2 tag cannot be changed is reported as failed, and left as it is.
int MassEditTags(const std::string& folder, std::span<const CatalogRow> rows, const MassTagValues& values,
                 ToolReport& report);

// Deletes the tag of every row's file that has one. Returns the number of tags deleted. A file
// error ends the command (FileError).
int MassDeleteTags(const std::string& folder, std::span<const CatalogRow> rows, ToolReport& report);

// Takes the ID3v2 tag off every row's file that has one (the ID3v1 tag stays). Returns the number
// of tags taken off. A file error ends the command (FileError).
int MassDeleteId3v2Tags(const std::string& folder, std::span<const CatalogRow> rows, ToolReport& report);

}  // namespace vorne
