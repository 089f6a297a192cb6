// How a batch tool talks to whoever runs it (the main window, vorne-cli, a test): status texts,
// questions, messages, and the rows it changed, left alone or could not do. A tool may run on a
// worker thread; the window carries each call over to its own thread and waits for an answer.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorne {

// Which rows a command takes: every row of the list, or the selected ones. Some commands differ
// in what they show besides (the whole-list variants end with a summary).
enum class ToolScope { WholeList, Selection };

class ToolReport {
public:
    virtual ~ToolReport() = default;

    // Status bar part `part` (kStatusEntries or kStatusFile) shows `text`.
    virtual void Status(int part, std::string text) = 0;
    // A question with the buttons Yes and No; true for Yes.
    virtual bool Ask(std::string_view title, std::string_view text) = 0;
    // A message box with an OK button.
    virtual void Message(std::string_view title, std::string_view text) = 0;
    // The file of a row (`path`, as column 1 names it) was left as it is, and why.
    virtual void Skipped(std::string_view path, std::string_view reason) = 0;
    // The file of a row could not be done; the command goes on with the next row.
    virtual void Failed(std::string_view path, std::string_view message) = 0;
    // New texts for cells of the row whose column 1 is `path`, shown until the rescan.
    virtual void CellsChanged(std::string_view /*path*/, std::vector<std::pair<int, std::string>> /*cells*/) {}
    // `done` of the `total` files the command takes are done: said before each file and once at
    // the end, so that a window can show how far it is.
    virtual void Progress(int /*done*/, int /*total*/) {}
    // True when the command is to end before the next row (the user stopped it, or the window is
    // closing).
    virtual bool StopRequested() const { return false; }
};

}  // namespace vorne
