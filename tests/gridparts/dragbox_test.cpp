// The column drag box: follows the pointer, drops on a left release only.

#include "grid/GxColumnDragBox.h"
#include "grid/GxDisplays.h"
#include "tests/grid/GridTestSupport.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

namespace {
class TProbeBox : public TColumnDragBox {
public:
    using TColumnDragBox::TColumnDragBox;
    using TColumnDragBox::MouseMove;
    using TColumnDragBox::MouseUp;
};
} // namespace

TEST(ColumnDragBox, MovesCentredAndDropsOnLeftRelease) {
    TForm form(nullptr);
    form.SetBounds(50, 60, 400, 300);
    TPanel* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 300, 200);
    form.Show();
    TFakeGrid grid(nullptr, false);
    TGxCustomColumn* col = grid.Columns->Add<TGxTextColumn>(QStringLiteral("Name"));
    TProbeBox box(panel);
    box.SetScreenBounds(100, 100, 80, 18);
    EXPECT_EQ(box.Parent(), &form) << "an overlay of the top-level window";
    QStringList log;
    box.OnDragBoxMove = [&](TObject*, int X, int Y) { log << QStringLiteral("move %1 %2").arg(X).arg(Y); };
    box.OnDragBoxDrop = [&](TObject*, int X, int Y) { log << QStringLiteral("drop %1 %2").arg(X).arg(Y); };
    box.Show(0, 0, col, false);
    EXPECT_TRUE(box.Visible());
    EXPECT_TRUE(box.MouseCapture());
    EXPECT_FALSE(box.ColumnDisplay()->DefaultDrawing());
    EXPECT_EQ(box.Column(), col);
    const TPoint p = box.ClientToScreen(TPoint{30, 5});
    box.MouseMove({}, 30, 5);
    EXPECT_EQ(box.ScreenBoundsRect(), Bounds(p.X - 40, p.Y - 18 + 4, 80, 18));
    box.MouseUp(mbRight, {}, 0, 0);
    EXPECT_TRUE(box.Visible()) << "other buttons do nothing";
    const TPoint q = box.ClientToScreen(TPoint{10, 10});
    box.MouseUp(mbLeft, {}, 10, 10);
    EXPECT_FALSE(box.Visible());
    EXPECT_EQ(log, QStringList({QStringLiteral("move %1 %2").arg(p.X).arg(p.Y),
                                QStringLiteral("drop %1 %2").arg(q.X).arg(q.Y)}));
}
