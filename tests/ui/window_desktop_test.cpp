// The window among the desktop's things: the rows' context menu with its folder and path, folders
// dropped from a file manager, and folders whose names are not UTF-8 on their way through the
// settings, the folder browser, the command line, Options and the label.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <filesystem>

#include "images.h"
#include "main_dialog_fixture.h"
#include "ui/byte_path.h"
#include "ui/byte_text.h"
#include "ui/folder_browser.h"
#include "ui/main_menu.h"
#include "ui/options_dialog.h"
#include "ui/rom_app.h"

namespace vorne::ui::test {
namespace window_desktop_test {
namespace {

namespace fs = std::filesystem;

// Stands in for the desktop: takes the file URLs the window asks it to open.
class UrlCatcher final : public QObject {
    Q_OBJECT

public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    std::vector<QByteArray> opened;  // encoded, every byte as it was given

public slots:
    void Open(const QUrl& url) { opened.push_back(url.toEncoded()); }
};

// The menu's items in order, a submenu's as "SUBMENU > ITEM"; separators left out.
std::vector<QString> Items(const QMenu& menu) {
    std::vector<QString> items;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) continue;
        if (action->menu() == nullptr) {
            items.push_back(action->text());
            continue;
        }
        for (const QString& item : Items(*action->menu())) items.push_back(action->text() + QStringLiteral(" > ") + item);
    }
    return items;
}

QAction* Item(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) return action;
    }
    return nullptr;
}

TEST_F(MainDialogTest, TheRowMenuHoldsTheKindsSelectionItems) {
    const QString folder = QStringLiteral("Open Containing Folder"), path = QStringLiteral("Copy Path");
    const struct {
        RomType type;
        std::vector<QString> items;
    } kinds[] = {
        {RomType::Nes, {"&NES > &Header Cleaner", "&NES > &Trainer Remover", "Rename to DAT Names", "&Edit Item", folder, path}},
        {RomType::Gameboy, {"Rename to DAT Names", "Fix Checksums", "&Edit Item", folder, path}},
        {RomType::Mp3, {"&MP3 > &Mass Tag Edit", "Tags from File Names...", "Rename from Tags...", "&Edit Item", folder, path}},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(Kind(kind.type).cliName);
        Open(kind.type, QString());
        Feed({std::vector<std::string>(static_cast<std::size_t>(ColumnCount(kind.type)), "x")});
        const std::unique_ptr<QMenu> menu = window->RowMenu(0);
        EXPECT_EQ(Items(*menu), kind.items);
        // The menu's own actions: greyed as they are there, while the window is busy too.
        EXPECT_EQ(Item(*menu, QStringLiteral("&Edit Item")), window->Action(Command::EditItem));
        window->GetCatalogue().SetIdle(false);
        EXPECT_FALSE(Item(*menu, QStringLiteral("&Edit Item"))->isEnabled());
        window->GetCatalogue().SetIdle(true);
    }
}

TEST_F(MainDialogTest, TheRowMenuOpensTheFolderOfTheRowsFileAndCopiesItsPath) {
    const std::string member = Member("zips/pack.zip", "GAME.GB");
    Open(RomType::Gameboy, QString());
    Feed({GbRow("A", "sub/a.gb"), GbRow("B", member), GbRow("C", "\xff" "dir/c.gb")});
    UrlCatcher desktop;
    const struct {
        std::string row;
        std::string path;    // copied
        QByteArray opened;   // the folder's URL
    } cases[] = {
        {"sub/a.gb", roms + "/sub/a.gb", FileUrl(roms + "/sub").toEncoded()},
        {member, roms + "/zips/pack.zip", FileUrl(roms + "/zips").toEncoded()},  // a member's file is its archive
        {"\xff" "dir/c.gb", roms + "/\xff" "dir/c.gb", FileUrl(roms + "/\xff" "dir").toEncoded()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::unique_ptr<QMenu> menu = window->RowMenu(RowNamed(c.row));
        Item(*menu, QStringLiteral("Open Containing Folder"))->trigger();
        ASSERT_FALSE(desktop.opened.empty());
        EXPECT_EQ(desktop.opened.back(), c.opened);
        Item(*menu, QStringLiteral("Copy Path"))->trigger();
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(copied, nullptr);
        EXPECT_EQ(copied->text(), FromBytes(c.path));
        ASSERT_EQ(copied->urls().size(), 1);
        EXPECT_EQ(LocalPath(copied->urls().front()), c.path);
    }
    EXPECT_TRUE(desktop.opened.front().endsWith("/sub"));  // the URL names the folder, not a shell command
}

TEST_F(MainDialogTest, ARightClickSelectsTheRowUnderItAndOpensItsMenu) {
    Open(RomType::Gameboy, QString());
    Feed({GbRow("A", "a.gb"), GbRow("B", "b.gb"), GbRow("C", "c.gb")});
    CSortListCtrl* list = window->List();
    list->SelectOnly(0);
    std::vector<QString> shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            shown = Items(*menu);
            menu->close();
        }
    });
    const QRect row = list->visualRect(list->model()->index(2, 1));
    emit list->customContextMenuRequested(row.center());
    EXPECT_EQ(list->SelectedRows(), std::vector<int>{RowNamed("c.gb")});
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), QStringLiteral("Copy Path"));
}

// A folder dragged from a file manager is the kind's folder, scanned at once; anything else is
// refused, and so is every drop while the window is busy.
TEST_F(MainDialogTest, AFolderDroppedOnTheWindowIsScannedAndAnythingElseRefused) {
    const std::string odd = dir / "odd \xff name";  // not UTF-8
    dir.Write("odd \xff name/a.gb", samples::MakeGameboy({}));
    dir.Write("plain/b.gb", samples::MakeGameboy({}));
    dir.Write("plain/c.gb", samples::MakeGameboy({.title = "C"}));
    const auto uris = [](std::vector<std::string> paths) {
        QByteArray list;
        for (const std::string& path : paths) list += FileUrl(path).toEncoded() + "\r\n";
        return list;
    };
    const struct {
        const char* what;
        QByteArray uriList;  // empty: text only
        bool busy;
        std::string taken;   // the folder scanned; empty: refused
        int rows;
    } cases[] = {
        {"a folder", uris({dir / "plain/"}), false, dir / "plain", 2},
        {"a folder whose name is not UTF-8", uris({odd}), false, odd, 1},
        {"a file", uris({dir / "plain/b.gb"}), false, "", 0},
        {"two folders", uris({dir / "plain", odd}), false, "", 0},
        {"another machine's folder", "file://elsewhere" + FileUrl(dir / "plain").toEncoded().mid(7) + "\r\n", false, "", 0},
        {"a web page", "https://example.org/\r\n", false, "", 0},
        {"text", "", false, "", 0},
        {"a folder while busy", uris({dir / "plain"}), true, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Open(RomType::Gameboy, QString());
        window->GetCatalogue().SetIdle(!c.busy);
        QMimeData data;
        if (c.uriList.isEmpty()) {
            data.setText(Q(dir / "plain"));
        } else {
            data.setData(QStringLiteral("text/uri-list"), c.uriList);
        }
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), !c.taken.empty());
        QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        EXPECT_EQ(drop.isAccepted(), !c.taken.empty());
        if (c.busy) window->GetCatalogue().SetIdle(true);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(window->GetCatalogue().Folder(), c.taken);
        EXPECT_EQ(settings.FolderPath(RomType::Gameboy), c.taken);
        EXPECT_EQ(window->GetCatalogue().EntryCount(), c.rows);
    }
}

// QFile::decodeName turns the byte 0xFF into U+FFFD for good: the bytes go their own way.
TEST_F(MainDialogTest, AFolderNamedWithoutUtf8SurvivesSettingsBrowserOptionsAndLabel) {
    const std::string odd = dir / "roms \xff";
    dir.Write("roms \xff/a.gb", samples::MakeGameboy({}));
    ASSERT_NE(ToBytes(FromBytes(odd)), odd) << "this platform keeps such names in QString after all";

    settings.SetFolderPath(RomType::Gameboy, odd);
    EXPECT_EQ(Settings(settingsPath).FolderPath(RomType::Gameboy), odd);
    // A window started with it scans it, and its label shows what the name can show.
    settings.SetLastType(RomType::Gameboy);
    window = std::make_unique<CMainDialog>(settings, prompts, std::string());
    window->StartUp();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->GetCatalogue().Folder(), odd);
    EXPECT_EQ(window->GetCatalogue().EntryCount(), 1);
    EXPECT_EQ(window->FolderLabel()->text(), FromBytes(odd));

    // Options saves another box without spoiling the folder.
    {
        COptionsDialog options(settings, prompts);
        EXPECT_FALSE(options.Changed());
        options.ProgramBox(0)->setText(QStringLiteral("/usr/bin/emu"));
        options.OnSaveSettings();
        EXPECT_EQ(settings.FolderPath(RomType::Gameboy), odd);
    }
    // The text wins when someone edited it by hand.
    QSettings(settingsPath, QSettings::IniFormat).setValue(QStringLiteral("Settings/Rom Type 0 Dir"), QStringLiteral("/elsewhere"));
    EXPECT_EQ(Settings(settingsPath).FolderPath(RomType::Gameboy), "/elsewhere");

    // The folder browser selects it by its bytes and hands them back.
    std::string chosen = odd;
    CFolderBrowserDialog browser(&chosen, nullptr, {{QStringLiteral("Test"), Q(dir.Path())}});
    EXPECT_EQ(browser.PathBox()->text(), FromBytes(odd));
    browser.accept();
    EXPECT_EQ(browser.result(), QDialog::Accepted);
    EXPECT_EQ(chosen, odd);

    // `vorne --folder` takes the bytes the shell gave, made absolute.
    const struct {
        std::vector<std::string> arguments;
        std::optional<std::string> value;
    } lines[] = {
        {{"vorne", "--folder", "roms \xff"}, "roms \xff"},
        {{"vorne", "--folder=/x/\xff", "--zip"}, "/x/\xff"},
        {{"vorne", "--folder", "/a", "--folder", "/b"}, "/b"},  // the last one, as the parser takes it
        {{"vorne", "--", "--folder", "/a"}, std::nullopt},
        {{"vorne", "--folders", "/a"}, std::nullopt},
    };
    for (const auto& line : lines) EXPECT_EQ(RawOptionValue(line.arguments, "folder"), line.value) << line.arguments[1];
    EXPECT_EQ(AbsolutePath("/a//b/./c/../d/"), "/a/b/d");
    EXPECT_EQ(AbsolutePath("x\xff"), fs::current_path().string() + "/x\xff");
}

}  // namespace
}  // namespace window_desktop_test
}  // namespace vorne::ui::test

#include "window_desktop_test.moc"
