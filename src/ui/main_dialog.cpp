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
#include <algorithm>
#include <map>

#include "catalogue/duplicate_finder.h"
#include "ui/app_icon.h"
#include "ui/batch_commands.h"
#include "ui/byte_text.h"
#include "ui/dat_commands.h"
#include "ui/edit_item.h"
#include "ui/file_deletion.h"
#include "ui/image_commands.h"
#include "ui/list_filter.h"
#include "ui/main_menu.h"
#include "ui/options_dialog.h"
#include "ui/patch_commands.h"
#include "ui/scan_preparation.h"
#include "ui/settings.h"
#include "ui/sort_list_ctrl.h"
#include "ui/tag_name_commands.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

CMainDialog::CMainDialog(Settings& settings, CUserPrompts& prompts, std::string knownDumpsPath, QWidget* parent)
    : QMainWindow(parent), settings(settings), prompts(prompts), knownDumpsPath(std::move(knownDumpsPath)) {
    setWindowTitle(QStringLiteral("Vorne"));
    setWindowIcon(AppIcon());
    BuildActions();
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
    dats = std::make_unique<DatCommands>(*this, prompts);
    preparation = std::make_unique<ScanPreparation>(catalogue, prompts, this);
    patches = std::make_unique<PatchCommands>(*this, prompts, batch->Runner());
    images = std::make_unique<ImageCommands>(*this, prompts, batch->Runner());
    tagNames = std::make_unique<TagNameCommands>(*this, prompts, settings, batch->Runner());
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

    for (std::size_t b = 0; b < kButtons.size(); ++b) {
        auto* button = new QPushButton(QString::fromLatin1(kButtons[b].text), central);
        button->setAutoDefault(false);
        // The button triggers its command's action and is greyed with it.
        QAction* action = Action(kButtons[b].command);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
        button->setEnabled(action->isEnabled());
        buttons[b] = button;
    }
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
    right->addWidget(Button(Command::SelectFolder));
    right->addWidget(Button(Command::Ok));
    right->addSpacing(24);
    right->addWidget(icon);
    right->addSpacing(24);
    right->addWidget(Button(Command::EditItem));
    right->addWidget(Button(Command::Delete));
    right->addWidget(Button(Command::About));
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

    // The combo is greyed while the window is busy.
    connect(kindCombo, &QComboBox::activated, this, &CMainDialog::OnKindChanged);
    connect(list, &CSortListCtrl::deleteRequested, Action(Command::Delete), &QAction::trigger);
    // Launching is not held back by a running scan.
    connect(list, &CSortListCtrl::launchRequested, this, &CMainDialog::OnLaunch);
    // The boxes change at once, and a running scan reads them for each folder it enters; either
    // box starts a scan of its own only when none runs.
    connect(subfolderBox, &QCheckBox::toggled, this, [this](bool on) { switches->subfolders = on; });
    connect(zipBox, &QCheckBox::toggled, this, [this](bool on) { switches->zipFiles = on; });
    // A click on either box is remembered for the kind and scans again, when no scan runs.
    connect(subfolderBox, &QCheckBox::clicked, this, [this](bool on) {
        settings.SetSearchSubfolders(catalogue.Type(), on);
        if (catalogue.Idle()) StartScan();
    });
    connect(zipBox, &QCheckBox::clicked, this, [this](bool on) {
        settings.SetSearchZipFiles(catalogue.Type(), on);
        if (catalogue.Idle()) StartScan();
    });
    connect(list, &CSortListCtrl::sortChosen, this, [this](int column, bool ascending) {
        settings.SetChosenSort(catalogue.Type(), {column, ascending});
    });

    auto* escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WindowShortcut);
    // Escape stops a running scan and never closes the window: the close box and OK do that.
    connect(escape, &QAction::triggered, this, [this] {
        if (!catalogue.Idle()) StopScan();
    });
    addAction(escape);
}

void CMainDialog::BuildActions() {
    for (int c = 0; c < kCommandCount; ++c) {
        const auto command = static_cast<Command>(c);
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(CommandName(command)));
        action->setEnabled(false);
        actions[static_cast<std::size_t>(c)] = action;
        connect(action, &QAction::triggered, this, [this, command] {
            if (const auto& handler = handlers[static_cast<std::size_t>(command)]) handler();
        });
    }
    for (const ButtonEntry& button : kButtons) Action(button.command)->setText(QString::fromLatin1(button.text));
    RegisterCommand(Command::SelectFolder, [this] { OnSelectFolder(); });
    RegisterCommand(Command::Ok, [this] { close(); });
    RegisterCommand(Command::EditItem, [this] { OnEditItem(); });
    RegisterCommand(Command::Delete, [this] { OnDelete(); });
    RegisterCommand(Command::About, [this] { prompts.About(this); });
    RegisterCommand(Command::Options, [this] { OnOptions(); });
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
        // An action shown in the menu and on a button bears the menu's text ("&About Vorne...");
        // the button keeps its own.
        QAction* action = Action(entry.command);
        action->setText(QString::fromLatin1(entry.text));
        if (menu != nullptr) {
            menu->addAction(action);
        } else {
            menuBar()->addAction(action);
        }
    }
}

void CMainDialog::RegisterCommand(Command command, std::function<void()> handler) {
    handlers[static_cast<std::size_t>(command)] = std::move(handler);
    UpdateActions();
}

void CMainDialog::UpdateActions() {
    for (int c = 0; c < kCommandCount; ++c) {
        const auto command = static_cast<Command>(c);
        const bool hasWork = handlers[static_cast<std::size_t>(c)] != nullptr;
        // While a scan or a tool runs, only OK gets through.
        actions[static_cast<std::size_t>(c)]->setEnabled(
            hasWork && (command == Command::Ok || (catalogue.Idle() && ServesKind(command, catalogue.Type()))));
    }
}

QPushButton* CMainDialog::Button(Command command) const {
    for (std::size_t b = 0; b < kButtons.size(); ++b) {
        if (kButtons[b].command == command) return buttons[b];
    }
    return nullptr;
}

std::vector<int> CMainDialog::SelectedRows() const { return list->SelectedRows(); }

std::vector<int> CMainDialog::NominalColumnWidths() const { return list->NominalColumnWidths(); }

QLineEdit* CMainDialog::FilterBox() const { return filter->Box(); }
QLabel* CMainDialog::ShownCount() const { return filter->Count(); }

QString CMainDialog::StatusText(int part) const { return statusParts[static_cast<std::size_t>(part)]->text(); }

void CMainDialog::StartUp() {
    const RomType type = settings.LastType();
    // A box ticked before the start (by a command-line switch) is ticked for the kind from now on.
    if (subfolderBox->isChecked()) settings.SetSearchSubfolders(type, true);
    if (zipBox->isChecked()) settings.SetSearchZipFiles(type, true);
    kindCombo->setCurrentIndex(static_cast<int>(type));
    OnKindChanged(static_cast<int>(type));
}

void CMainDialog::OnKindChanged(int index) {
    if (index < 0 || index >= kRomTypeCount) index = 0;
    SaveColumns();
    const auto type = static_cast<RomType>(index);
    if (kindCombo->currentIndex() != index) kindCombo->setCurrentIndex(index);
    catalogue.ChooseKind(type);
    // The kind's DAT as loaded before, if it was: its columns stand from the start.
    catalogue.SetDat(preparation->LoadedDat(DatPathOf(settings, type)));
    UpdateActions();
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
    // A walk still running is told to stop; the new one follows it, and nothing waits here.
    scanner.RequestStop();
    ScanRequest request{catalogue.Type(), catalogue.Folder(), switches, knownDumpsPath};
    // Duplicates by data need every file's data hashed.
    request.hashData = settings.DuplicatesByData();
    catalogue.SetDuplicateRule(request.hashData ? DuplicateRule::Data : DuplicateRule::Columns);
    scanner.Start([request, datPath = DatPathOf(settings, catalogue.Type()), &preparation = *preparation,
                   &pump = pump](const WorkerJob& job) { preparation.RunScan(request, datPath, pump, job); });
}

void CMainDialog::StopScan() { scanner.RequestStop(); }

void CMainDialog::OnIdleChanged(bool idle) {
    kindCombo->setEnabled(idle);
    UpdateActions();
}

void CMainDialog::OnDelete() {
    if (!catalogue.Idle()) return;
    const CatalogModel& rows = catalogue.Model();
    // The files go first, the rows afterwards: the list stands still while questions are asked.
    std::vector<int> gone;                 // rows whose files were deleted
    std::map<std::string, bool> archives;  // each archive asked about: whether it went
    for (int r : list->SelectedRows()) {
        const RowFile& file = rows.Row(r).file;
        if (!file.IsMember()) {
            if (DeleteFiles(file)) gone.push_back(r);
            continue;
        }
        // Several members of one archive ask once.
        auto [archive, first] = archives.try_emplace(file.path, false);
        if (first) archive->second = ConfirmArchiveDeletion(file) && DeleteFiles(file);
    }
    // An archive that went takes the rows of all its members with it, selected or not.
    for (int r = 0; r < rows.RowCount(); ++r) {
        const RowFile& file = rows.Row(r).file;
        if (!file.IsMember()) continue;
        auto archive = archives.find(file.path);
        if (archive != archives.end() && archive->second) gone.push_back(r);
    }
    std::sort(gone.begin(), gone.end());
    // From the bottom, so that the rows still to go keep their places.
    for (auto r = gone.rbegin(); r != gone.rend(); ++r) catalogue.RemoveRow(*r);
    catalogue.ShowStatus(kStatusEntries, RomCountText(catalogue.EntryCount()));
    catalogue.ShowStatus(kStatusDuplicates, KnownUniqueText(catalogue.UniqueCount()));
    // The row that took the place of the last one deleted, or the row above when none did.
    const int place = gone.empty() ? -1 : gone.back() - static_cast<int>(gone.size() - 1);
    if (place >= 0 && rows.RowCount() > 0) list->SelectOnly(std::min(place, rows.RowCount() - 1));
    list->viewport()->update();
}

bool CMainDialog::ConfirmArchiveDeletion(const RowFile& member) {
    // A damaged archive that lists fewer files still holds at least the members the list shows.
    const CatalogModel& rows = catalogue.Model();
    int shown = 0;
    for (int r = 0; r < rows.RowCount(); ++r) {
        const RowFile& file = rows.Row(r).file;
        if (file.IsMember() && file.path == member.path) ++shown;
    }
    const int files = std::max(ArchiveFileCount(RowFilePath(catalogue.Folder(), member)).value_or(0), shown);
    return prompts.CautiousQuestion(this, QStringLiteral("Delete Archive"), WholeArchiveQuestion(member.path, files));
}

bool CMainDialog::DeleteFiles(const RowFile& file) {
    const DeletionResult result = DeleteRowFiles(catalogue.Folder(), file, settings.DeleteToTrash());
    if (!result.deleted) {
        prompts.Message(this, QStringLiteral("Deletion Error"), DeletionErrorText(result), PromptIcon::Warning);
    }
    return result.deleted;
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
    const std::string datBefore = DatPathOf(settings, catalogue.Type());
    const bool byDataBefore = settings.DuplicatesByData();
    COptionsDialog dialog(settings, prompts, this);
    prompts.RunModal(dialog);
    // Another DAT, or another rule for duplicates, changes what the list shows: it is scanned again.
    if (DatPathOf(settings, catalogue.Type()) != datBefore || settings.DuplicatesByData() != byDataBefore) StartScan();
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
    // A running scan is told to stop; the window goes at once. Should the walk still run when the
    // window is destroyed, it is waited for then, which takes no longer than the file being read.
    scanner.RequestStop();
    SaveColumns();
    settings.SetWindowGeometry(saveGeometry());
    event->accept();
}

}  // namespace vorne::ui
