#include "ui/folder_browser.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/temp_dir.h"
#include "ui_test_support.h"

namespace vorne::ui::test {
namespace folder_browser_test {
namespace {

class FolderBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"a/Deep/er/est", "a/Deep/other", "a/b", "z", ".hidden/x"}) {
            std::filesystem::create_directories(dir / folder);
        }
        dir.Write("a/Deep/er/file.gb", {1});
    }
    std::vector<FolderTreeModel::Root> Roots() const { return {{QStringLiteral("Test"), Q(dir.Path())}}; }

    vorne::test::TempDir dir;
};

TEST_F(FolderBrowserTest, SelectsADeepPathLevelByLevelAndOkTakesTheHighlightedFolder) {
    const struct {
        std::string start;
        QString highlighted;  // what the box shows and OK hands back
        bool found;
    } cases[] = {
        {dir / "a/Deep/er/est", Q(dir / "a/Deep/er/est"), true},
        {dir / "a/Deep/er/", Q(dir / "a/Deep/er"), true},      // a trailing separator is ignored
        {dir / "a/Deep/./other//", Q(dir / "a/Deep/other"), true},
        {dir / "a/deep/OTHER", Q(dir.Path()), false},  // names differ by letter case here: the root stays
        {dir / "a/gone/x", Q(dir.Path()), false},      // a path that does not exist
    };
    for (const auto& c : cases) {
        std::string path = c.start;
        CFolderBrowserDialog dialog(&path, nullptr, Roots());
        EXPECT_EQ(dialog.Tree()->SelectPath(path), c.found) << c.start;
        EXPECT_EQ(Q(path), c.found ? c.highlighted : Q(c.start)) << c.start;  // unchanged until OK
        EXPECT_EQ(dialog.PathBox()->text(), c.highlighted);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(Q(path), c.highlighted);
    }
}

TEST_F(FolderBrowserTest, APathTypedOrPastedIsHighlightedAndTakenByOk) {
    const struct {
        QString typed;
        QString highlighted;  // in the tree after typing
        QString taken;        // by OK; empty: OK is greyed and the dialog stays
    } cases[] = {
        {Q(dir / "a/Deep/other"), Q(dir / "a/Deep/other"), Q(dir / "a/Deep/other")},
        {Q(dir / "a/b/"), Q(dir / "a/b"), Q(dir / "a/b")},
        {QStringLiteral("file://") + Q(dir / "z"), Q(dir / "z"), Q(dir / "z")},
        {Q(dir / "a/nothing"), Q(dir / "a"), QString()},  // the tree followed as far as the folders went
        {QStringLiteral("  "), Q(dir / "a/Deep"), QString()},
        {QStringLiteral("/"), Q(dir / "a/Deep"), QStringLiteral("/")},  // outside the tree's roots
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        std::string path = dir / "a/Deep";
        CFolderBrowserDialog dialog(&path, nullptr, Roots());
        dialog.show();
        dialog.PathBox()->selectAll();
        QTest::keyClicks(dialog.PathBox(), c.typed);
        EXPECT_EQ(dialog.PathBox()->text(), c.typed);  // typing is never rewritten under the cursor
        EXPECT_EQ(dialog.Tree()->SelectedPath(), c.highlighted);
        EXPECT_EQ(dialog.OkButton()->isEnabled(), !c.taken.isEmpty());
        QTest::keyClick(dialog.PathBox(), Qt::Key_Return);
        EXPECT_EQ(dialog.isVisible(), c.taken.isEmpty());
        if (!c.taken.isEmpty()) {
            EXPECT_EQ(Q(path), c.taken);
        }
    }
    EXPECT_EQ(TypedFolder(QStringLiteral("~/roms")), QDir::homePath() + QStringLiteral("/roms"));
}

TEST_F(FolderBrowserTest, CancelLeavesTheCallersFolderAsItWas) {
    const std::string start = dir / "a/b";
    std::string copy = start;
    CFolderBrowserDialog dialog(&copy, nullptr, Roots());
    dialog.Tree()->SelectPath(dir / "z");
    dialog.reject();
    // The caller takes its copy back only after OK.
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(start, dir / "a/b");
}

TEST_F(FolderBrowserTest, FoldersOnlyLazilyWithExpandButtonsWhereSubfoldersAre) {
    FolderTreeModel model(Roots());
    const QModelIndex root = model.index(0, 0);
    EXPECT_EQ(model.rowCount(root), 0);  // nothing read before it is opened
    EXPECT_TRUE(model.canFetchMore(root));
    model.fetchMore(root);
    model.fetchMore(root);  // a second opening reads nothing again
    EXPECT_EQ(model.FillCount(), 1);
    ASSERT_EQ(model.rowCount(root), 2);  // the hidden folder is not shown
    const QModelIndex a = model.index(0, 0, root);
    const QModelIndex z = model.index(1, 0, root);
    EXPECT_EQ(a.data().toString(), QStringLiteral("a"));
    EXPECT_TRUE(model.hasChildren(a));
    EXPECT_FALSE(model.hasChildren(z));
    model.fetchMore(a);
    const QModelIndex deep = model.index(1, 0, a);
    EXPECT_EQ(deep.data().toString(), QStringLiteral("Deep"));
    model.fetchMore(deep);
    const QModelIndex er = model.index(0, 0, deep);
    model.fetchMore(er);
    EXPECT_EQ(model.rowCount(er), 1);  // "est"; the file beside it is no folder
    EXPECT_EQ(model.Path(er), Q(dir / "a/Deep/er"));
}

TEST_F(FolderBrowserTest, ARightClickBesideTheItemsClearsTheSelection) {
    std::string path = dir / "a";
    CFolderBrowserDialog dialog(&path, nullptr, Roots());
    dialog.resize(400, 600);
    dialog.show();
    CFolderTreeCtrl* tree = dialog.Tree();
    ASSERT_FALSE(tree->SelectedPath().isEmpty());
    const QPoint at(5, tree->viewport()->height() - 5);
    QContextMenuEvent beside(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &beside);
    EXPECT_TRUE(tree->SelectedPath().isEmpty());
    EXPECT_EQ(path, dir / "a");
}

}  // namespace
}  // namespace folder_browser_test
}  // namespace vorne::ui::test
