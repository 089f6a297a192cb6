// The main window: the catalogue list, the kind selector, the folder, the two search options, the
// buttons, the menu and the status bar. It owns the catalogue state, starts the scans, and carries
// out Delete and Launch. While a scan runs every command but OK is dropped; Escape stops the scan.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "ui/catalog_table_model.h"
#include "ui/launcher.h"
#include "ui/scan_event_pump.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorne::ui {

class BatchCommands;
class CSortListCtrl;
class CUserPrompts;
class ListFilter;
class Settings;

class CMainDialog final : public QMainWindow {
    Q_OBJECT

public:
    CMainDialog(Settings& settings, CUserPrompts& prompts, std::string knownDumpsPath, QWidget* parent = nullptr);
    ~CMainDialog() override;

    // Chooses the stored kind, which scans its folder.
    void StartUp();

    // The commands.
    void OnKindChanged(int index);
    void OnSelectFolder();
    void OnDelete();
    void OnLaunch();
    void OnOptions();
    // Opens the header edit dialog on the file of the focused row, then reads the file again into
    // its row, which moves to its sort place and is checked for duplicates there.
    void OnEditItem();
    void StartScan();
    void StopScan();

    // Wires a menu item or button to its work; until then the item stays greyed. The item is
    // enabled for the kinds it serves.
    void RegisterCommand(int command, std::function<void()> handler);

    // For tests and screenshots.
    Catalogue& GetCatalogue() { return catalogue; }
    CSortListCtrl* List() const { return list; }
    QComboBox* KindCombo() const { return kindCombo; }
    QLabel* FolderLabel() const { return folderLabel; }
    QCheckBox* SubfolderBox() const { return subfolderBox; }
    QCheckBox* ZipBox() const { return zipBox; }
    QLineEdit* FilterBox() const;
    QLabel* ShownCount() const;
    QAction* Action(int command) const;
    QPushButton* Button(int command) const;
    QString StatusText(int part) const;
    Launcher& GetLauncher() { return launcher; }
    ScanEventPump& Pump() { return pump; }
    bool Idle() const { return catalogue.Idle(); }
    BatchCommands& Batch() { return *batch; }

signals:
    // The scan's last request was applied (the list is sorted and its duplicates marked).
    void scanFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    // Runs `handler` for `command` unless a scan or tool is busy; OK always passes.
    void RunCommand(int command, const std::function<void()>& handler);
    // Runs the work registered for `command`, if any, as RunCommand does.
    void RunRegistered(int command);
    bool DeleteRow(int row);
    // Reads the file `name` of row `row` again into the row (see OnEditItem).
    void RefreshRow(int row, const std::string& name);
    void ShowFolder();
    void UpdateMenuForKind();
    void OnIdleChanged(bool idle);
    void OnLaunchEnded();
    void ShowLaunchError(const QString& message);
    // Sorts by the column the user chose for the kind, if any (after a scan).
    void ApplyChosenSort();
    void SaveColumns();
    void RestoreColumns();

    Settings& settings;
    CUserPrompts& prompts;
    std::string knownDumpsPath;

    Catalogue catalogue;
    std::shared_ptr<ScanSwitches> switches = std::make_shared<ScanSwitches>();
    CatalogTableModel table{catalogue};
    ScanEventPump pump{catalogue};
    Launcher launcher;

    CSortListCtrl* list = nullptr;
    ListFilter* filter = nullptr;
    QComboBox* kindCombo = nullptr;
    QLabel* folderLabel = nullptr;
    QCheckBox* subfolderBox = nullptr;
    QCheckBox* zipBox = nullptr;
    std::array<QLabel*, kStatusPartCount> statusParts{};
    std::map<int, QAction*> actions;
    std::map<int, QPushButton*> buttons;
    std::map<int, std::function<void()>> handlers;  // the work of the menu items that have one
    bool columnsRestored = false;  // the header shows a kind's stored widths, which may be saved

    // The batch tools' commands; a running tool is stopped and waited for before the catalogue goes.
    std::unique_ptr<BatchCommands> batch;

    // Last, so that it goes first: a running scan is stopped and waited for before the
    // catalogue and the pump it sends to go away.
    Scanner scanner;
};

}  // namespace vorne::ui
