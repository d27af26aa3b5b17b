// A menu item captioned "-" is a dividing line: drawn as a line alone, without its caption.

#include "UiTestSupport.h"

#include "platform/ui/Menus.h"

#include <QImage>
#include <QMenu>

TEST(MenuLines, DashItemIsALineWithoutText) {
    TPopupMenu menu(nullptr);
    auto add = [&](const char* caption) {
        auto* item = new TMenuItem(&menu);
        item->SetCaption(QLatin1String(caption));
        menu.Items()->Add(item);
        return item;
    };
    add("Open file");
    TMenuItem* line = add("-");
    add("Delete file");

    EXPECT_TRUE(line->IsLine());
    EXPECT_EQ(line->Caption(), QLatin1String("-"));
    QAction* action = line->Action();
    EXPECT_TRUE(action->isSeparator());
    // Styles draw a separator's text as a section title.
    EXPECT_TRUE(action->text().isEmpty());

    // Drawn: the line's row holds no text-dark pixel.
    QMenu* widget = menu.Menu();
    widget->ensurePolished();
    widget->resize(widget->sizeHint());
    const QRect row = widget->actionGeometry(action);
    ASSERT_TRUE(row.isValid());
    const QImage image = widget->grab().toImage();
    int dark = 0;
    for (int y = row.top(); y <= row.bottom() && y < image.height(); ++y)
        for (int x = row.left(); x <= row.right() && x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 100;
    EXPECT_EQ(dark, 0);

    // A line that gets a caption becomes an item again.
    line->SetCaption(QStringLiteral("Clear"));
    EXPECT_FALSE(action->isSeparator());
    EXPECT_EQ(action->text(), QLatin1String("Clear"));
}
