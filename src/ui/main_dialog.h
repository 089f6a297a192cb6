// The main window: the catalogue list, the kind selector, the folder, the two search options, the
// buttons, the menu and the status bar. It owns the catalogue state, starts the scans, and carries
// out Delete and Launch. While a scan or a tool runs every command but OK is greyed and the status
// bar shows its progress beside a Cancel button; Escape, like Cancel, stops the scan or the tool
// and does nothing else. A filter box above the list narrows it. A right click on a row offers
// the "&Selection" items of the kind and the row's folder and path; a folder dropped on the
// window becomes the kind's folder.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "ui/catalog_table_model.h"
#include "ui/command_host.h"
#include "ui/launcher.h"
#include "ui/main_menu.h"
#include "ui/scan_event_pump.h"
#include "ui/worker.h"

class QAction;
class QCheckBox;
class QMenu;
class QMimeData;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorne::ui {

class BatchCommands;
class BusyIndicator;
class ImageCommands;
class PatchCommands;
class TagNameCommands;
class CSortListCtrl;
class DatCommands;
class ScanPreparation;
class CUserPrompts;
class ListFilter;
class Settings;

class CMainDialog final : public QMainWindow, public CommandHost {
    Q_OBJECT

public:
    CMainDialog(Settings& settings, CUserPrompts& prompts, std::string knownDumpsPath, QWidget* parent = nullptr);
    ~CMainDialog() override;

    // Chooses the stored kind, which scans its folder.
    void StartUp();
    void OnKindChanged(int index);
    // Deletes the files of the selected rows and takes their rows out. An archive member's row
    // asks first whether the whole archive may go; deleting for good (the trash off, or no trash
    // for a file) asks once whether the files may go for good.
    void OnDelete();
    // The menu a right click on row `row` opens: the "&Selection" items of the kind, "Open
    // Containing Folder" and "Copy Path".
    std::unique_ptr<QMenu> RowMenu(int row);

    // CommandHost: what the batch commands see of the window.
    QWidget* Window() override { return this; }
    Catalogue& GetCatalogue() override { return catalogue; }
    std::vector<int> SelectedRows() const override;
    std::vector<int> ShownRows() const override;
    std::vector<int> NominalColumnWidths() const override;
    // The command's action is enabled for the kinds it serves, while the window is not busy.
    void RegisterCommand(Command command, std::function<void()> handler) override;
    void StartScan() override;

    // For tests and screenshots.
    CSortListCtrl* List() const { return list; }
    QComboBox* KindCombo() const { return kindCombo; }
    QLabel* FolderLabel() const { return folderLabel; }
    QCheckBox* SubfolderBox() const { return subfolderBox; }
    QCheckBox* ZipBox() const { return zipBox; }
    QLineEdit* FilterBox() const;
    QLabel* ShownCount() const;
    BusyIndicator* Busy() const { return busy; }
    QAction* Action(Command command) const { return actions[static_cast<std::size_t>(command)]; }
    // The button that triggers `command`, or null.
    QPushButton* Button(Command command) const;
    QString StatusText(int part) const;
    Launcher& GetLauncher() { return launcher; }
    ScanEventPump& Pump() { return pump; }
    bool Idle() const { return catalogue.Idle(); }
    // A scan's walk runs, or waits to run behind one that was told to stop.
    bool Scanning() const { return scanner.Busy(); }
    BatchCommands& Batch() { return *batch; }

signals:
    // The scan's last request was applied (the list is sorted and its duplicates marked).
    void scanFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildActions();
    void BuildControls();
    void BuildMenu();
    void OnSelectFolder();
    void OnLaunch();
    void OnOptions();
    // Opens the header edit dialog on the file of the focused row, then reads the file again into
    // its row, which moves to its sort place and is checked for duplicates there.
    void OnEditItem();
    void StopScan();
    // Escape and Cancel: stops a running scan or tool.
    void StopWork();
    // Shows the busy indicator for the work that runs, or hides it.
    void ShowWork();
    // Asks before the archive holding `member` goes with everything in it; true for Yes.
    bool ConfirmArchiveDeletion(const RowFile& member);
    // The folder a drop carries (one local folder), or nothing.
    std::optional<std::string> DroppedFolder(const QMimeData* data) const;
    // Makes `folder` the kind's folder and scans it.
    void ChooseFolder(const std::string& folder);
    // Reads the file `name` of row `row` again into the row (see OnEditItem).
    void RefreshRow(int row, const std::string& name);
    void ShowFolder();
    // Enables each action that has work and serves the kind; while a scan or a tool runs, only OK.
    void UpdateActions();
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
    BusyIndicator* busy = nullptr;
    std::array<QAction*, kCommandCount> actions{};
    std::array<std::function<void()>, kCommandCount> handlers;  // the work of the commands that have one
    std::array<QPushButton*, kButtons.size()> buttons{};
    bool columnsRestored = false;  // the header shows a kind's stored widths, which may be saved

    // The commands that share the batch tools' runner, which goes before them.
    std::unique_ptr<PatchCommands> patches;
    std::unique_ptr<ImageCommands> images;
    std::unique_ptr<TagNameCommands> tagNames;
    // The batch tools' commands; a running tool is stopped and waited for before the catalogue goes.
    std::unique_ptr<BatchCommands> batch;
    std::unique_ptr<DatCommands> dats;
    // The scans' DATs and hash cache; it outlives the scanner, whose jobs use it.
    std::unique_ptr<ScanPreparation> preparation;

    // Last, so that it goes first: a running scan is stopped and waited for before the
    // catalogue and the pump it sends to go away.
    Worker scanner;
};

}  // namespace vorne::ui
