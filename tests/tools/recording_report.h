// Test helper: a ToolReport that writes down everything a tool tells it, answers questions from
// a list, and rows made from a few cell texts.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"

namespace vorne::test {

class RecordingReport : public ToolReport {
public:
    void Status(int part, std::string text) override { events.push_back("status " + std::to_string(part) + ": " + text); }
    bool Ask(std::string_view title, std::string_view text) override {
        events.push_back("ask " + std::string(title) + ": " + std::string(text));
        bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return yes;
    }
    void Message(std::string_view title, std::string_view text) override {
        events.push_back("message " + std::string(title) + ": " + std::string(text));
    }
    void Skipped(std::string_view path, std::string_view reason) override {
        events.push_back("skipped " + std::string(path) + ": " + std::string(reason));
    }
    void Failed(std::string_view path, std::string_view message) override {
        events.push_back("failed " + std::string(path) + ": " + std::string(message));
    }
    void CellsChanged(std::string_view path, std::vector<std::pair<int, std::string>> cells) override {
        std::string text = "cells " + std::string(path) + ":";
        for (const auto& [column, value] : cells) text += " " + std::to_string(column) + "=" + value;
        events.push_back(text);
    }

    // The events whose text starts with `kind` ("status", "ask", ...).
    std::vector<std::string> Of(std::string_view kind) const {
        std::vector<std::string> found;
        for (const std::string& e : events) {
            if (e.starts_with(kind)) found.push_back(e);
        }
        return found;
    }

    std::vector<std::string> events;
    std::deque<bool> answers;  // Yes (true) or No for the questions in turn; No when it runs out
};

// A row whose cells are `cells` at the given columns and empty elsewhere, `count` columns wide;
// it lists the plain file its file name cell names.
inline CatalogRow RowOf(int count, const std::map<int, std::string>& cells) {
    CatalogRow row;
    row.cells.resize(static_cast<std::size_t>(count));
    for (const auto& [column, text] : cells) row.cells[static_cast<std::size_t>(column)] = text;
    row.file.path = row.cells[kFilenameColumn];
    return row;
}

// `row` made the row of member `member` of the archive `archive`, as a scan lists it.
inline CatalogRow AsMember(CatalogRow row, const std::string& archive, const std::string& member) {
    row.file = RowFile{archive, ArchiveMember{member, 0}};
    row.cells[kFilenameColumn] = FilenameText(row.file);
    return row;
}

}  // namespace vorne::test
