// Saving the catalogue as a list file: one line per row, in the list's display order.
//
// A line of a kind with k columns: the texts of columns 0 to k-2, each cut to at most N characters
// and padded with blanks to exactly N, N being the column's display width in pixels divided by
// 5, each followed by a TAB; then the text of the last column as it is; then CR LF. Line feeds
// are taken out of every cell, so a row stays one line; a carriage return stays. There is no
// header line; an empty list gives an empty file. A character is a byte, except in a cell that is
// UTF-8 with characters past ASCII (an ID3v2 tag's text), which is cut and padded by characters.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorne {

class CatalogModel;

// Pixels of display width per character of a saved field.
inline constexpr int kPixelsPerListCharacter = 5;

// The longest text a cell holds: a path (PATH_MAX). A field wider than that holds only blanks
// beyond it, which a width far past it (2147483647 pixels) would make by the gigabyte.
inline constexpr int kLongestCellText = 4096;
inline constexpr int kWidestListColumn = kLongestCellText * kPixelsPerListCharacter;

// One line of the list file, CR LF included. `widths` holds the display width in pixels of each
// column; a column it does not reach counts as 0 pixels wide.
std::string ListFileLine(std::span<const std::string> cells, std::span<const int> widths);

// The whole list file for the rows of `model`, top to bottom.
std::string ListFileText(const CatalogModel& model, std::span<const int> widths);
// The list file for the rows `rows` of `model` only (row numbers, in this order): the rows a
// filter leaves.
std::string ListFileText(const CatalogModel& model, std::span<const int> rows, std::span<const int> widths);

// Writes the list file to `path`, whole or not at all (through a temporary file and a rename; an
// existing file is replaced and keeps its owner and mode). Throws FileError.
void SaveListFile(const std::string& path, const CatalogModel& model, std::span<const int> widths);
void SaveListFile(const std::string& path, const CatalogModel& model, std::span<const int> rows, std::span<const int> widths);

}  // namespace vorne
