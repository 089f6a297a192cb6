#include "tools/tool_rows.h"

namespace vorne {

std::string_view ReasonOf(std::string_view message, std::string_view path) {
    if (message.size() > path.size() + 2 && message.starts_with(path) && message.substr(path.size(), 2) == ": ") {
        return message.substr(path.size() + 2);
    }
    return message;
}

std::vector<std::pair<int, std::string>> ChangedCells(const RomHeader& reader) {
    std::vector<std::pair<int, std::string>> cells;
    for (int column = 0; const std::string& text : ColumnTexts(reader)) {
        if (column != kFilenameColumn) cells.emplace_back(column, text);
        ++column;
    }
    return cells;
}

}  // namespace vorne
