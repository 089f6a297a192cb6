// What the batch commands need of the window they serve, and no more: the catalogue, the rows
// the user selected and the rows shown, the columns' widths for a list file, a place for their
// work among the window's commands, and a new scan at their end. The window implements it; the commands never
// see the window itself.
#pragma once

#include <functional>
#include <vector>

#include "ui/main_menu.h"

class QWidget;

namespace vorne {
class Catalogue;
}

namespace vorne::ui {

class CommandHost {
public:
    // The parent of the commands' dialogs and messages.
    virtual QWidget* Window() = 0;
    virtual Catalogue& GetCatalogue() = 0;
    // The selected rows, top to bottom.
    virtual std::vector<int> SelectedRows() const = 0;
    // The rows the list shows (all of them unless a filter hides some), top to bottom.
    virtual std::vector<int> ShownRows() const = 0;
    // The list's column widths in the nominal pixels of the kinds' column tables (0 for a hidden one).
    virtual std::vector<int> NominalColumnWidths() const = 0;
    // Gives `command` its work; until then it stays greyed.
    virtual void RegisterCommand(Command command, std::function<void()> handler) = 0;
    virtual void StartScan() = 0;

protected:
    ~CommandHost() = default;
};

}  // namespace vorne::ui
