// vorne-screenshots OUTDIR SAMPLES: saves what users see, as PNG files: the main window over each
// kind's folder of the sample collection, the header edit dialog of each kind on a sample file,
// the Options dialog and the folder browser; the Game Boy list in a dark palette and the NES
// dialog after "&Write Headers"; the NES list narrowed by the filter box and sorted by size, the
// empty SNES list of a first start without a folder, a scan under way with its progress and
// Cancel, and a row's context menu. Runs on any Qt platform; `make screenshots` uses the
// offscreen one.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "ui/edit_item.h"
#include "ui/folder_browser.h"
#include "ui/main_dialog.h"
#include "ui/mp3_edit_dialog.h"
#include "ui/options_dialog.h"
#include "ui/settings.h"
#include "ui/sort_list_ctrl.h"
#include "ui/user_prompts.h"

namespace {

using namespace vorne;
using namespace vorne::ui;

bool SavePicture(const QPixmap& picture, const QDir& out, const QString& name) {
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (!picture.save(path)) {
        std::fprintf(stderr, "vorne-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool Save(QWidget& widget, const QDir& out, const QString& name) {
    widget.show();
    QApplication::processEvents();
    return SavePicture(widget.grab(), out, name);
}

// A dark theme's colours, to show the duplicates' text on the yellow.
QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x2d));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::AlternateBase, QColor(0x2d, 0x2d, 0x2d));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    dark.setColor(QPalette::HighlightedText, QColor(0xfc, 0xfc, 0xfc));
    return dark;
}

// A state of the main window beyond a finished scan: its name and what brings it about.
struct MainState {
    QString name;                              // appended to the shot's name
    bool withFolder = true;                    // false: the kind has no folder (a first start)
    std::function<void(CMainDialog&)> after;   // done once the scan is over
    std::function<QPixmap(CMainDialog&)> picture;  // what is saved, when more than the window
};

bool ShootKind(RomType type, const QDir& samples, const QDir& out, const QString& settingsPath, bool dark = false,
               const MainState& state = {}) {
    const QString kindName = QString::fromLatin1(Kind(type).cliName);
    Settings settings(settingsPath);
    settings.SetLastType(type);
    settings.SetFolder(type, state.withFolder ? samples.filePath(kindName) : QString());
    DialogPrompts prompts;
    CMainDialog window(settings, prompts, samples.filePath(QStringLiteral("nescrcs.txt")).toStdString());
    if (dark) window.setPalette(DarkPalette());
    window.resize(1000, 480);
    window.SubfolderBox()->setChecked(true);
    window.ZipBox()->setChecked(true);
    window.show();
    QEventLoop loop;
    QObject::connect(&window, &CMainDialog::scanFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    window.StartUp();
    if (!window.Idle()) loop.exec();
    // One selected row, to show the highlight beside the yellow of the duplicates.
    if (window.GetCatalogue().Model().RowCount() > 1) window.List()->SelectOnly(1);
    if (state.after) state.after(window);
    const QString name = QStringLiteral("main-") + kindName + (dark ? QStringLiteral("-dark") : QString()) + state.name;
    if (state.picture) {
        QApplication::processEvents();
        return SavePicture(state.picture(window), out, name);
    }
    return Save(window, out, name);
}

// The edit dialog of `type` on the sample file `name` in the kind's folder.
bool ShootEditDialog(RomType type, const std::string& name, const QDir& samples, const QDir& out) {
    const QString kindName = QString::fromLatin1(Kind(type).cliName);
    DialogPrompts prompts;
    std::unique_ptr<CHeaderEditDialog> dialog =
        CreateEditDialog(type, samples.filePath(kindName).toStdString(), name, prompts, nullptr);
    if (!dialog->Load()) return false;
    return Save(*dialog, out, QStringLiteral("edit-") + kindName);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vorne-screenshots OUTDIR SAMPLES\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDir samples(QDir(QString::fromLocal8Bit(argv[2])).absolutePath());
    QDir().mkpath(out.path());
    QTemporaryDir scratch;
    const QString settingsPath = scratch.filePath(QStringLiteral("vorne.conf"));
    bool ok = true;
    for (const KindInfo& kind : kKinds) ok = ShootKind(kind.type, samples, out, settingsPath) && ok;

    const struct {
        RomType type;
        const char* file;
    } edited[] = {
        {RomType::Gameboy, "Garden Gnome.gb"},
        {RomType::Nes, "Brick Baron (U).nes"},
        {RomType::Snes, "Harbor Heist (J).sfc"},
        {RomType::N64, "Orbit Racer (U).rom"},
        {RomType::Genesis, "Turbo Toad (U).smd"},
        {RomType::Mp3, "Sunny Loop.mp3"},
    };
    for (const auto& e : edited) ok = ShootEditDialog(e.type, e.file, samples, out) && ok;
    DialogPrompts massPrompts;
    CMp3EditDialog massEdit(12, massPrompts);
    ok = Save(massEdit, out, QStringLiteral("edit-mp3-mass")) && ok;
    ok = ShootKind(RomType::Gameboy, samples, out, settingsPath, true) && ok;
    // The filter box narrowing the list, sorted by size (a number column), largest first.
    ok = ShootKind(RomType::Nes, samples, out, settingsPath, false, {QStringLiteral("-filtered"), true, [](CMainDialog& window) {
                       window.List()->OnHeaderClick(kSizeColumn, Qt::LeftButton);
                       window.List()->OnHeaderClick(kSizeColumn, Qt::LeftButton);
                       window.FilterBox()->setText(QStringLiteral("(u)"));
                   }}) && ok;
    ok = ShootKind(RomType::Snes, samples, out, settingsPath, false, {QStringLiteral("-no-folder"), false, {}}) && ok;
    // A scan under way, as its worker reports it: the rows found so far, counted beside Cancel.
    ok = ShootKind(RomType::Nes, samples, out, settingsPath, false, {QStringLiteral("-scanning"), true, [](CMainDialog& window) {
                       RowsFound found;
                       const CatalogModel& rows = window.GetCatalogue().Model();
                       for (int r = 0; r < rows.RowCount() / 2; ++r) found.rows.push_back(rows.Row(r));
                       window.Pump().Post(ScanStarted{});
                       window.Pump().Post(std::move(found));
                       window.Pump().Post(StatusText{kStatusFile, "Brick Baron (U).nes"});
                       window.Pump().DrainAll();
                   }}) && ok;
    // A right click on a row: the menu drawn over the window where it opens.
    ok = ShootKind(RomType::Nes, samples, out, settingsPath, false, {QStringLiteral("-row-menu"), true, {}, [](CMainDialog& window) {
                       CSortListCtrl* list = window.List();
                       const QPoint at = list->visualRect(list->model()->index(1, 1)).center();
                       std::unique_ptr<QMenu> menu = window.RowMenu(list->SelectedRows().front());
                       menu->popup(list->viewport()->mapToGlobal(at));
                       QApplication::processEvents();
                       QPixmap picture = window.grab();
                       QPainter painter(&picture);
                       painter.drawPixmap(window.mapFromGlobal(menu->pos()), menu->grab());
                       return picture;
                   }}) && ok;

    // "&Write Headers" on a copy of a sample, with its note.
    const QString copy = scratch.filePath(QStringLiteral("Brick Baron (U).nes"));
    QFile::copy(samples.filePath(QStringLiteral("nes/Brick Baron (U).nes")), copy);
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    std::unique_ptr<CHeaderEditDialog> written =
        CreateEditDialog(RomType::Nes, scratch.path().toStdString(), "Brick Baron (U).nes", massPrompts, nullptr);
    if (written->Load()) {
        written->show();
        for (QPushButton* button : written->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("&Write Headers")) button->click();
        }
        ok = Save(*written, out, QStringLiteral("edit-nes-written")) && ok;
    } else {
        ok = false;
    }

    Settings settings(settingsPath);
    settings.SetProgram(RomType::Nes, QStringLiteral("/usr/games/emulator --fullscreen"));
    DialogPrompts prompts;
    COptionsDialog options(settings, prompts);
    ok = Save(options, out, QStringLiteral("options")) && ok;

    std::string path = samples.filePath(QStringLiteral("nes")).toStdString();
    CFolderBrowserDialog browser(&path);
    ok = Save(browser, out, QStringLiteral("folder-browser")) && ok;
    return ok ? 0 : 1;
}
