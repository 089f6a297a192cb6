#include "ui/main_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <set>

#include "catalogue/duplicate_finder.h"
#include "ui/app_icon.h"
#include "ui/batch_commands.h"
#include "ui/busy_indicator.h"
#include "ui/byte_path.h"
#include "ui/byte_text.h"
#include "ui/dat_commands.h"
#include "ui/edit_item.h"
#include "ui/file_deletion.h"
#include "ui/file_manager.h"
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
    dats = std::make_unique<DatCommands>(*this, prompts, batch->Runner());
    preparation = std::make_unique<ScanPreparation>(catalogue, prompts, this);
    patches = std::make_unique<PatchCommands>(*this, prompts, batch->Runner());
    images = std::make_unique<ImageCommands>(*this, prompts, batch->Runner());
    tagNames = std::make_unique<TagNameCommands>(*this, prompts, settings, batch->Runner());
    connect(&batch->Runner(), &ToolRunner::started, this, &CMainDialog::ShowWork);
    connect(&batch->Runner(), &ToolRunner::progressed, busy, &BusyIndicator::ShowTool);
    setAcceptDrops(true);
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
    busy = new BusyIndicator(this);
    statusBar()->addPermanentWidget(busy);
    statusBar()->addPermanentWidget(filter->Count());
    connect(busy, &BusyIndicator::cancelled, this, &CMainDialog::StopWork);
    // A scan's count of files found follows its rows.
    connect(&table, &CatalogTableModel::shownCountChanged, this, [this] {
        if (busy->Shows() == BusyIndicator::Work::Scan) busy->ShowScan(catalogue.EntryCount());
    });
    statusBar()->setSizeGripEnabled(true);

    // The combo is greyed while the window is busy.
    connect(kindCombo, &QComboBox::activated, this, &CMainDialog::OnKindChanged);
    connect(list, &CSortListCtrl::deleteRequested, Action(Command::Delete), &QAction::trigger);
    // Launching is not held back by a running scan.
    connect(list, &CSortListCtrl::launchRequested, this, &CMainDialog::OnLaunch);
    // The boxes change at once, and a running scan reads them for each folder it enters.
    connect(subfolderBox, &QCheckBox::toggled, this, [this](bool on) { switches->subfolders = on; });
    connect(zipBox, &QCheckBox::toggled, this, [this](bool on) { switches->zipFiles = on; });
    // A click on either box is remembered for the kind and scans again: a scan that runs starts
    // over, as it has passed folders by the old setting. A running tool is left to finish.
    connect(subfolderBox, &QCheckBox::clicked, this, [this](bool on) {
        settings.SetSearchSubfolders(catalogue.Type(), on);
        if (!batch->Runner().Running()) StartScan();
    });
    connect(zipBox, &QCheckBox::clicked, this, [this](bool on) {
        settings.SetSearchZipFiles(catalogue.Type(), on);
        if (!batch->Runner().Running()) StartScan();
    });
    connect(list, &CSortListCtrl::sortChosen, this, [this](int column, bool ascending) {
        settings.SetChosenSort(catalogue.Type(), {column, ascending});
    });

    auto* escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WindowShortcut);
    // Escape stops a running scan or tool and never closes the window: the close box and OK do that.
    connect(escape, &QAction::triggered, this, [this] {
        if (!catalogue.Idle()) StopWork();
    });
    addAction(escape);

    // A right click on a row: the row's menu; a row not selected is selected first, as file
    // managers do, so that the menu's commands take it.
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = list->indexAt(at);
        if (!index.isValid()) return;
        const int row = table.CatalogueRow(index.row());
        if (!list->selectionModel()->isRowSelected(index.row(), {})) list->SelectOnly(row);
        RowMenu(row)->exec(list->viewport()->mapToGlobal(at));
    });
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
    RegisterCommand(Command::Refresh, [this] { StartScan(); });
    // F5 scans again wherever the focus is, as in file managers.
    Action(Command::Refresh)->setShortcut(QKeySequence(Qt::Key_F5));
    Action(Command::Refresh)->setShortcutContext(Qt::WindowShortcut);
    addAction(Action(Command::Refresh));
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

std::vector<int> CMainDialog::ShownRows() const {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(table.ShownCount()));
    for (int r = 0; r < table.ShownCount(); ++r) rows.push_back(table.CatalogueRow(r));
    return rows;
}

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
    const std::string folder = settings.FolderPath(type);
    // A folder that is not set, or is gone, is not scanned in its stead: the list stays empty.
    if (folder.empty() || !IsFolder(folder)) {
        catalogue.SetFolder({});
        ShowFolder();
        catalogue.ShowStatus(kStatusEntries, RomCountText(0));
        catalogue.ShowStatus(kStatusDuplicates, "");
        catalogue.ShowStatus(kStatusFile, folder.empty() ? "" : folder + " was not found");
        return;
    }
    catalogue.SetFolder(folder);
    ShowFolder();
    StartScan();
}

void CMainDialog::ShowFolder() { folderLabel->setText(FromBytes(catalogue.Folder())); }

void CMainDialog::OnSelectFolder() {
    if (std::optional<std::string> chosen = prompts.BrowseForFolder(this, catalogue.Folder())) ChooseFolder(*chosen);
}

void CMainDialog::ChooseFolder(const std::string& folder) {
    catalogue.SetFolder(folder);
    StartScan();
    settings.SetFolderPath(catalogue.Type(), folder);
    ShowFolder();
}

void CMainDialog::StartScan() {
    if (catalogue.Folder().empty()) return;
    // Busy from this moment, not from when the worker's first request arrives: no second
    // command may slip in between.
    catalogue.SetIdle(false);
    // A walk still running is told to stop; the new one follows it, and nothing waits here. The
    // pump drops the end of the walk it follows, which must not make the window idle.
    pump.ScanRequested();
    scanner.RequestStop();
    ScanRequest request{catalogue.Type(), catalogue.Folder(), switches, knownDumpsPath};
    // Duplicates by data need every file's data hashed.
    request.hashData = settings.DuplicatesByData();
    catalogue.SetDuplicateRule(request.hashData ? DuplicateRule::Data : DuplicateRule::Columns);
    scanner.Start([request, datPath = DatPathOf(settings, catalogue.Type()), &preparation = *preparation,
                   &pump = pump](const WorkerJob& job) { preparation.RunScan(request, datPath, pump, job); });
}

void CMainDialog::StopScan() { scanner.RequestStop(); }

void CMainDialog::StopWork() {
    StopScan();
    batch->Runner().Stop();
}

void CMainDialog::ShowWork() {
    if (catalogue.Idle()) {
        busy->ShowIdle();
    } else if (batch && batch->Runner().Running()) {
        if (busy->Shows() != BusyIndicator::Work::Tool) busy->ShowTool(0, 0);
    } else {
        busy->ShowScan(catalogue.EntryCount());
    }
}

void CMainDialog::OnIdleChanged(bool idle) {
    kindCombo->setEnabled(idle);
    UpdateActions();
    ShowWork();
}

void CMainDialog::OnDelete() {
    if (!catalogue.Idle()) return;
    const CatalogModel& rows = catalogue.Model();
    const bool toTrash = settings.DeleteToTrash();
    // Everything is asked before anything goes, and the files go before their rows: the list
    // stands still while questions are asked.
    struct Going {
        int row = -1;                    // a plain row, or -1 for an archive
        std::string archive;             // the archive, as its members' rows name it
        std::vector<std::string> files;  // what goes (what is still to go, after a failure)
        bool deleted = false;
    };
    std::vector<Going> going;
    std::set<std::string> asked;  // the archives asked about
    for (int r : list->SelectedRows()) {
        const RowFile& file = rows.Row(r).file;
        if (!file.IsMember()) {
            going.push_back({r, {}, RowDeletionFiles(catalogue.Folder(), file)});
        } else if (asked.insert(file.path).second && ConfirmArchiveDeletion(file)) {  // several members ask once
            going.push_back({-1, file.path, {RowFilePath(catalogue.Folder(), file)}});
        }
    }
    const auto fileCount = [](const std::vector<Going*>& items) {
        int files = 0;
        for (const Going* g : items) files += static_cast<int>(g->files.size());
        return files;
    };
    std::vector<Going*> all;
    for (Going& g : going) all.push_back(&g);
    const QString title = QStringLiteral("Delete Files");
    if (!toTrash && fileCount(all) > 0 && !prompts.CautiousQuestion(this, title, ForGoodQuestion(fileCount(all)))) return;

    std::vector<Going*> noTrash;  // what has no trash to go to
    QString why;
    for (Going& g : going) {
        const DeletionResult result = DeleteFiles(g.files, toTrash);
        g.deleted = result.deleted;
        if (result.deleted) continue;
        if (result.noTrash) {
            g.files = result.left;
            noTrash.push_back(&g);
            if (why.isEmpty()) why = QDir::toNativeSeparators(result.failedPath) + QLatin1Char(' ') + result.reason;
            continue;
        }
        prompts.Message(this, QStringLiteral("Deletion Error"), DeletionErrorText(result), PromptIcon::Warning);
    }
    // A file with no trash stays unless the user lets it go for good.
    if (!noTrash.empty() && prompts.CautiousQuestion(this, title, why + QStringLiteral("\n\n") + ForGoodQuestion(fileCount(noTrash)))) {
        for (Going* g : noTrash) {
            const DeletionResult result = DeleteFiles(g->files, false);
            g->deleted = result.deleted;
            if (!result.deleted) prompts.Message(this, QStringLiteral("Deletion Error"), DeletionErrorText(result), PromptIcon::Warning);
        }
    }

    std::vector<int> gone;                // rows whose files were deleted
    std::set<std::string> archivesGone;
    for (const Going& g : going) {
        if (!g.deleted) continue;
        if (g.row >= 0) {
            gone.push_back(g.row);
        } else {
            archivesGone.insert(g.archive);
        }
    }
    // An archive that went takes the rows of all its members with it, selected or not.
    for (int r = 0; r < rows.RowCount(); ++r) {
        const RowFile& file = rows.Row(r).file;
        if (file.IsMember() && archivesGone.count(file.path) != 0) gone.push_back(r);
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

std::unique_ptr<QMenu> CMainDialog::RowMenu(int row) {
    auto menu = std::make_unique<QMenu>(this);
    // The "&Selection" menu's own actions, so that they are greyed as there; separators where it
    // has them (a menu drops those it does not need).
    std::map<std::string_view, QMenu*> submenus;
    for (const MenuEntry& entry : kMainMenu) {
        if (entry.menu != "&Selection") continue;
        if (entry.text.empty()) {
            menu->addSeparator();
            continue;
        }
        if (!ServesKind(entry.command, catalogue.Type())) continue;
        QMenu* into = menu.get();
        if (!entry.submenu.empty()) {
            QMenu*& submenu = submenus[entry.submenu];
            if (submenu == nullptr) submenu = menu->addMenu(QString::fromLatin1(entry.submenu));
            into = submenu;
        }
        into->addAction(Action(entry.command));
    }
    menu->addSeparator();
    // A member's file is its archive.
    const std::string path = RowFilePath(catalogue.Folder(), catalogue.Model().Row(row).file);
    menu->addAction(QStringLiteral("Open Containing Folder"), this, [path] { OpenInFileManager(ParentFolder(path)); });
    menu->addAction(QStringLiteral("Copy Path"), this, [path] { CopyPathToClipboard(path); });
    return menu;
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

std::optional<std::string> CMainDialog::DroppedFolder(const QMimeData* data) const {
    // A folder is taken when Select Folder would take one, and only one local folder.
    if (data == nullptr || !Action(Command::SelectFolder)->isEnabled() || !data->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1) return std::nullopt;
    const std::optional<std::string> path = LocalPath(urls.front());
    if (!path || !IsFolder(*path)) return std::nullopt;
    return AbsolutePath(*path);  // without the trailing "/" a file manager may give
}

void CMainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedFolder(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CMainDialog::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedFolder(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CMainDialog::dropEvent(QDropEvent* event) {
    const std::optional<std::string> folder = DroppedFolder(event->mimeData());
    if (!folder) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    ChooseFolder(*folder);
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
