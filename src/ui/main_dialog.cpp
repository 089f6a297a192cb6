#include "ui/main_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "catalogue/duplicate_finder.h"
#include "ui/app_icon.h"
#include "ui/batch_commands.h"
#include "ui/byte_text.h"
#include "ui/edit_item.h"
#include "ui/file_deletion.h"
#include "ui/list_filter.h"
#include "ui/main_menu.h"
#include "ui/options_dialog.h"
#include "ui/settings.h"
#include "ui/sort_list_ctrl.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

CMainDialog::CMainDialog(Settings& settings, CUserPrompts& prompts, std::string knownDumpsPath, QWidget* parent)
    : QMainWindow(parent), settings(settings), prompts(prompts), knownDumpsPath(std::move(knownDumpsPath)) {
    setWindowTitle(QStringLiteral("Vorne"));
    setWindowIcon(AppIcon());
    BuildControls();
    BuildMenu();
    connect(&table, &CatalogTableModel::statusTextChanged, this, [this](int part) {
        statusParts[static_cast<std::size_t>(part)]->setText(
            CellText(catalogue.Status(part)));
    });
    connect(&table, &CatalogTableModel::idleStateChanged, this, &CMainDialog::OnIdleChanged);
    // The order the user chose for the kind comes back after every scan, before anyone hears of it.
    connect(&pump, &ScanEventPump::scanFinished, this, &CMainDialog::ApplyChosenSort);
    connect(&pump, &ScanEventPump::scanFinished, this, &CMainDialog::scanFinished);
    connect(&launcher, &Launcher::started, this, [this] { showMinimized(); });
    connect(&launcher, &Launcher::finished, this, &CMainDialog::OnLaunchEnded);
    connect(&launcher, &Launcher::failed, this, &CMainDialog::ShowLaunchError);
    if (!restoreGeometry(settings.WindowGeometry())) resize(760, 420);
    batch = std::make_unique<BatchCommands>(*this, prompts);
}

CMainDialog::~CMainDialog() = default;

void CMainDialog::BuildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);

    folderLabel = new QLabel(central);
    folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folderLabel->setMinimumWidth(1);
    list = new CSortListCtrl(central);
    list->SetCatalogModel(&table);
    filter = new ListFilter(*list, table, central);

    auto* kindLabel = new QLabel(QStringLiteral("ROM Type:"), central);
    kindCombo = new QComboBox(central);
    for (const KindInfo& kind : kKinds) kindCombo->addItem(QString::fromLatin1(kind.comboText));
    kindLabel->setBuddy(kindCombo);
    subfolderBox = new QCheckBox(QStringLiteral("Sea&rch Subdirectories?"), central);
    zipBox = new QCheckBox(QStringLiteral("Search &zip files?"), central);

    auto button = [this, central](int command, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), central);
        b->setAutoDefault(false);
        buttons[command] = b;
        return b;
    };
    QPushButton* selectFolder = button(kCommandSelectFolder, "Select Fo&lder");
    QPushButton* ok = button(kCommandOk, "OK");
    QPushButton* editItem = button(kCommandEditItemButton, "&Edit Item");
    QPushButton* erase = button(kCommandDelete, "&Delete");
    QPushButton* about = button(kCommandAbout, "&About");
    auto* icon = new QLabel(central);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignCenter);

    // The list grows with the window; the buttons stay at its right, the kind row at its bottom.
    auto* bottom = new QHBoxLayout;
    auto* kindColumn = new QVBoxLayout;
    kindColumn->addWidget(kindLabel);
    kindColumn->addWidget(kindCombo);
    bottom->addLayout(kindColumn);
    bottom->addSpacing(24);
    bottom->addWidget(subfolderBox, 0, Qt::AlignBottom);
    bottom->addSpacing(24);
    bottom->addWidget(zipBox, 0, Qt::AlignBottom);
    bottom->addStretch();
    auto* left = new QVBoxLayout;
    left->addWidget(folderLabel);
    left->addWidget(filter->Box());
    left->addWidget(list, 1);
    left->addLayout(bottom);
    auto* right = new QVBoxLayout;
    right->addWidget(selectFolder);
    right->addWidget(ok);
    right->addSpacing(24);
    right->addWidget(icon);
    right->addSpacing(24);
    right->addWidget(editItem);
    right->addWidget(erase);
    right->addWidget(about);
    right->addStretch();
    auto* whole = new QHBoxLayout(central);
    whole->addLayout(left, 1);
    whole->addLayout(right);

    for (int part = 0; part < kStatusPartCount; ++part) {
        statusParts[static_cast<std::size_t>(part)] = new QLabel(this);
    }
    statusParts[kStatusEntries]->setMinimumWidth(80);
    statusParts[kStatusDuplicates]->setMinimumWidth(110);
    statusBar()->addWidget(statusParts[kStatusEntries]);
    statusBar()->addWidget(statusParts[kStatusDuplicates]);
    statusBar()->addWidget(statusParts[kStatusFile], 1);
    statusBar()->addPermanentWidget(filter->Count());
    statusBar()->setSizeGripEnabled(true);

    connect(kindCombo, &QComboBox::activated, this,
            [this](int index) { RunCommand(kCommandKindCombo, [this, index] { OnKindChanged(index); }); });
    connect(selectFolder, &QPushButton::clicked, this, [this] { RunCommand(kCommandSelectFolder, [this] { OnSelectFolder(); }); });
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    // The button does what the menu item does, whatever work that item was given.
    connect(editItem, &QPushButton::clicked, this, [this] { RunRegistered(kCommandEditItem); });
    connect(erase, &QPushButton::clicked, this, [this] { RunCommand(kCommandDelete, [this] { OnDelete(); }); });
    connect(about, &QPushButton::clicked, this, [this] { RunCommand(kCommandAbout, [this] { prompts.About(this); }); });
    connect(list, &CSortListCtrl::deleteRequested, this, [this] { RunCommand(kCommandDelete, [this] { OnDelete(); }); });
    // Launching is not held back by a running scan.
    connect(list, &CSortListCtrl::launchRequested, this, &CMainDialog::OnLaunch);
    // The boxes change at once, and a running scan reads them for each folder it enters.
    connect(subfolderBox, &QCheckBox::toggled, this, [this](bool on) { switches->subfolders = on; });
    connect(zipBox, &QCheckBox::toggled, this, [this](bool on) { switches->zipFiles = on; });
    // A click on either box is remembered for the kind and scans again; a running scan reads the
    // new value for the folders it has still to enter.
    connect(subfolderBox, &QCheckBox::clicked, this, [this](bool on) {
        settings.SetSearchSubfolders(catalogue.Type(), on);
        RunCommand(kCommandZipBox, [this] { StartScan(); });
    });
    connect(zipBox, &QCheckBox::clicked, this, [this](bool on) {
        settings.SetSearchZipFiles(catalogue.Type(), on);
        RunCommand(kCommandZipBox, [this] { StartScan(); });
    });
    connect(list, &CSortListCtrl::sortChosen, this, [this](int column, bool ascending) {
        settings.SetChosenSort(catalogue.Type(), {column, ascending});
    });

    auto* escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WindowShortcut);
    connect(escape, &QAction::triggered, this, [this] {
        if (catalogue.Idle()) {
            close();
        } else {
            StopScan();
        }
    });
    addAction(escape);
}

void CMainDialog::BuildMenu() {
    std::map<std::string_view, QMenu*> menus;
    std::map<std::string, QMenu*> submenus;
    for (const MenuEntry& entry : kMainMenu) {
        QMenu* menu = nullptr;
        if (!entry.menu.empty()) {
            QMenu*& top = menus[entry.menu];
            if (top == nullptr) top = menuBar()->addMenu(QString::fromLatin1(entry.menu));
            menu = top;
            if (!entry.submenu.empty()) {
                QMenu*& sub = submenus[std::string(entry.menu) + '/' + std::string(entry.submenu)];
                if (sub == nullptr) sub = top->addMenu(QString::fromLatin1(entry.submenu));
                menu = sub;
            }
        }
        if (entry.text.empty()) {
            menu->addSeparator();
            continue;
        }
        const QString text = QString::fromLatin1(entry.text);
        QAction* action = menu != nullptr ? menu->addAction(text) : menuBar()->addAction(text);
        const int command = entry.command;
        actions[command] = action;
        connect(action, &QAction::triggered, this, [this, command] { RunRegistered(command); });
    }
    // No system menu here to carry the About item: it goes to a Help menu.
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* about = help->addAction(QStringLiteral("&About Vorne..."));
    connect(about, &QAction::triggered, this, [this] { RunCommand(kCommandAbout, [this] { prompts.About(this); }); });
    RegisterCommand(kCommandOptions, [this] { OnOptions(); });
    RegisterCommand(kCommandEditItem, [this] { OnEditItem(); });
}

void CMainDialog::RegisterCommand(int command, std::function<void()> handler) {
    handlers[command] = std::move(handler);
    UpdateMenuForKind();
}

void CMainDialog::RunRegistered(int command) {
    auto handler = handlers.find(command);
    if (handler != handlers.end()) RunCommand(command, handler->second);
}

void CMainDialog::UpdateMenuForKind() {
    for (auto& [command, action] : actions) {
        action->setEnabled(handlers.count(command) != 0 && ServesKind(command, catalogue.Type()));
    }
    buttons[kCommandEditItemButton]->setEnabled(handlers.count(kCommandEditItem) != 0);
}

QAction* CMainDialog::Action(int command) const {
    auto it = actions.find(command);
    return it == actions.end() ? nullptr : it->second;
}

QPushButton* CMainDialog::Button(int command) const {
    auto it = buttons.find(command);
    return it == buttons.end() ? nullptr : it->second;
}

QLineEdit* CMainDialog::FilterBox() const { return filter->Box(); }
QLabel* CMainDialog::ShownCount() const { return filter->Count(); }

QString CMainDialog::StatusText(int part) const { return statusParts[static_cast<std::size_t>(part)]->text(); }

void CMainDialog::RunCommand(int command, const std::function<void()>& handler) {
    // While a scan or a tool runs, only OK gets through.
    if (!catalogue.Idle() && command != kCommandOk) return;
    handler();
}

void CMainDialog::StartUp() {
    const RomType type = settings.LastType();
    kindCombo->setCurrentIndex(static_cast<int>(type));
    OnKindChanged(static_cast<int>(type));
}

void CMainDialog::OnKindChanged(int index) {
    if (index < 0 || index >= kRomTypeCount) index = 0;
    SaveColumns();
    const auto type = static_cast<RomType>(index);
    if (kindCombo->currentIndex() != index) kindCombo->setCurrentIndex(index);
    catalogue.ChooseKind(type);
    UpdateMenuForKind();
    RestoreColumns();
    subfolderBox->setChecked(settings.SearchSubfolders(type));
    zipBox->setChecked(settings.SearchZipFiles(type));
    settings.SetLastType(type);
    const QString folder = settings.Folder(type);
    // A folder that is not set, or is gone, is not scanned in its stead: the list stays empty.
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        catalogue.SetFolder({});
        ShowFolder();
        catalogue.ShowStatus(kStatusEntries, RomCountText(0));
        catalogue.ShowStatus(kStatusDuplicates, "");
        catalogue.ShowStatus(kStatusFile, folder.isEmpty() ? "" : ToBytes(folder) + " was not found");
        return;
    }
    catalogue.SetFolder(ToBytes(folder));
    ShowFolder();
    StartScan();
}

void CMainDialog::ShowFolder() { folderLabel->setText(FromBytes(catalogue.Folder())); }

void CMainDialog::OnSelectFolder() {
    std::optional<QString> chosen = prompts.BrowseForFolder(this, FromBytes(catalogue.Folder()));
    if (!chosen) return;
    catalogue.SetFolder(ToBytes(*chosen));
    StartScan();
    settings.SetFolder(catalogue.Type(), *chosen);
    ShowFolder();
}

void CMainDialog::StartScan() {
    if (catalogue.Folder().empty()) return;
    // Busy from this moment, not from when the worker's first request arrives: no second
    // command may slip in between.
    catalogue.SetIdle(false);
    scanner.StartScan(ScanRequest{catalogue.Type(), catalogue.Folder(), switches, knownDumpsPath}, pump);
}

void CMainDialog::StopScan() { scanner.RequestStop(); }

void CMainDialog::OnIdleChanged(bool idle) { kindCombo->setEnabled(idle); }

void CMainDialog::OnDelete() {
    if (!catalogue.Idle()) return;
    const CatalogModel& rows = catalogue.Model();
    int place = -1;  // where the last deleted row stood
    int deleted = 0;
    // From the top: each deleted row moves the rows below it up one place.
    for (int selected : list->SelectedRows()) {
        const int r = selected - deleted;
        if (DeleteRow(r)) {
            place = r;
            ++deleted;
        }
    }
    catalogue.ShowStatus(kStatusEntries, RomCountText(catalogue.EntryCount()));
    catalogue.ShowStatus(kStatusDuplicates, KnownUniqueText(catalogue.UniqueCount()));
    if (place >= 0 && rows.RowCount() > 0) list->SelectOnly(std::min(place, rows.RowCount() - 1));
    list->viewport()->update();
}

bool CMainDialog::DeleteRow(int row) {
    const DeletionResult result =
        DeleteRowFiles(catalogue.Folder(), catalogue.Model().Row(row).file, settings.DeleteToTrash());
    if (!result.deleted) {
        prompts.Message(this, QStringLiteral("Deletion Error"), DeletionErrorText(result), PromptIcon::Warning);
        return false;
    }
    catalogue.RemoveRow(row);
    return true;
}

void CMainDialog::OnLaunch() {
    const int row = list->FocusedSelectedRow();
    if (row < 0 || catalogue.Folder().empty()) return;
    const QString error = launcher.Launch(catalogue.Folder(), catalogue.Model().Row(row).file,
                                          settings.Program(catalogue.Type()));
    if (!error.isEmpty()) ShowLaunchError(error);
}

void CMainDialog::ShowLaunchError(const QString& message) {
    prompts.Message(this, QStringLiteral("Cannot Launch File"), message, PromptIcon::Warning);
}

void CMainDialog::OnLaunchEnded() {
    if (launcher.Running() > 0) return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    activateWindow();
}

void CMainDialog::OnOptions() {
    COptionsDialog dialog(settings, prompts, this);
    dialog.exec();
}

void CMainDialog::OnEditItem() {
    if (!catalogue.Idle()) return;
    const int row = list->FocusedSelectedRow();
    if (row < 0) return;
    const RowFile& file = catalogue.Model().Row(row).file;
    if (file.IsMember()) {
        prompts.Message(this, QStringLiteral("Cannot Edit File"), QStringLiteral("Please unzip this file before editing."),
                        PromptIcon::Warning);
        return;
    }
    const std::string name = file.path;
    std::unique_ptr<CHeaderEditDialog> dialog = CreateEditDialog(catalogue.Type(), catalogue.Folder(), name, prompts, this);
    if (!dialog || !dialog->Load()) return;  // a file that cannot be read was reported
    prompts.RunModal(*dialog);
    dialog.reset();
    // However the dialog ended, the row shows what the file holds now.
    RefreshRow(row, name);
}

void CMainDialog::RefreshRow(int row, const std::string& name) {
    std::vector<std::string> cells;
    try {
        cells = ReadRow(catalogue.Type(), catalogue.Folder(), name, knownDumpsPath);
    } catch (const std::exception& e) {
        prompts.Message(this, QString::fromLatin1(kFileErrorTitle), FromBytes(e.what()), PromptIcon::Warning);
        return;
    }
    const int place = catalogue.RefreshRow(row, std::move(cells));
    if (place >= 0) list->SelectOnly(place);
}

void CMainDialog::ApplyChosenSort() {
    if (const auto chosen = settings.ChosenSort(catalogue.Type())) catalogue.SortBy(chosen->column, chosen->ascending);
}

void CMainDialog::SaveColumns() {
    if (columnsRestored) settings.SetColumnState(catalogue.Type(), list->horizontalHeader()->saveState());
}

void CMainDialog::RestoreColumns() {
    const QByteArray state = settings.ColumnState(catalogue.Type());
    if (!state.isEmpty()) list->RestoreHeader(state);
    columnsRestored = true;
}

void CMainDialog::closeEvent(QCloseEvent* event) {
    // A running scan is told to stop; the window goes at once and the scan is waited for as the
    // window is destroyed, which takes no longer than the file being read.
    scanner.RequestStop();
    SaveColumns();
    settings.SetWindowGeometry(saveGeometry());
    event->accept();
}

}  // namespace vorne::ui
