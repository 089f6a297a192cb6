// The colours of the catalogue list's rows: duplicates readable in a light and a dark palette, and
// the focus frame on the current row.
#include <QApplication>
#include <QStyle>

#include "main_dialog_fixture.h"
#include "ui/row_delegate.h"

namespace vorne::ui::test {
namespace row_delegate_test {
namespace {

QPalette Palette(QColor base, QColor text) {
    QPalette palette = QApplication::style()->standardPalette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::Text, text);
    }
    return palette;
}

TEST(RowColours, DuplicatesAreReadableInEveryPalette) {
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(ContrastRatio(Qt::white, Qt::white), 1.0, 0.01);
    EXPECT_LT(ContrastRatio(Qt::white, kDuplicateColour), kReadableContrast);  // a dark palette's text on yellow
    const struct {
        const char* name;
        QPalette palette;
    } cases[] = {
        {"the style's own", QApplication::style()->standardPalette()},
        {"light", Palette(Qt::white, Qt::black)},
        {"dark", Palette(QColor(0x1e, 0x1e, 0x1e), QColor(0xe8, 0xe8, 0xe8))},
        {"dark with a grey base", Palette(QColor(0x80, 0x80, 0x80), Qt::white)},
    };
    for (const auto& c : cases) {
        const QColor fill = RowDelegate::RowFill(c.palette, false, true);
        EXPECT_EQ(fill, kDuplicateColour) << c.name;
        EXPECT_GE(ContrastRatio(RowDelegate::RowTextColour(c.palette, false, true), fill), kReadableContrast) << c.name;
        // A plain row and a selected one keep the palette's own colours.
        EXPECT_EQ(RowDelegate::RowTextColour(c.palette, false, false), c.palette.color(QPalette::Text)) << c.name;
    }
}

TEST_F(MainDialogTest, TheCurrentRowHasAFocusFrame) {
    Open(RomType::Gameboy, QString());
    Feed({GbRow("ONE", "a.gb"), GbRow("TWO", "b.gb")});
    CSortListCtrl* list = window->List();
    list->SelectOnly(0);
    list->setFocus();
    ASSERT_TRUE(WaitFor([&] { return list->hasFocus(); }));
    const QImage image = list->viewport()->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QColor fill = RowDelegate::RowFill(list->palette(), true, false);
    // Along the row's top edge the frame stands out from the highlight.
    int framed = 0;
    const int width = list->viewport()->width();
    for (int x = 10; x < width - 10; ++x) {
        if (image.pixelColor(int(x * ratio), 0).rgb() != fill.rgb()) ++framed;
    }
    EXPECT_GT(framed, (width - 20) / 2);
}

}  // namespace
}  // namespace row_delegate_test
}  // namespace vorne::ui::test
