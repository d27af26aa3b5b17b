// A grid control with header, input row, footer and indicator in every header style, painted by
// a test-only Paint from the control's geometry and its current painter, grabbed offscreen and
// saved as gridparts_gridshot.png for looking at.

#include "grid/GxCustomGridControl.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace {

class TSheetGrid : public TGxCustomGridControl {
public:
    explicit TSheetGrid(TComponent* AOwner) : TGxCustomGridControl(AOwner) {}
    int RowCount() const override { return 4; }
    QString GetCells(int ACol, int ARow) override {
        static const char* names[] = {"Anna", "Boris", "Chen", "Dora"};
        if (ACol == 0) return QString::fromLatin1(names[ARow]);
        if (ACol == 1) return QString::number((ARow + 1) * 125.5, 'f', 2);
        return QStringLiteral("2026-0%1-1%2").arg(ARow + 1).arg(ARow);
    }
    void SetCells(int, int, const QString&) override {}
    bool Selected(int Index) const override { return Index == 1; }
    bool IsGridFocused() const override { return true; }

protected:
    void Paint() override {
        TCanvas& c = *Canvas();
        TStyleDisplay& p = *CurrentStyleDisplay();
        p.SetCanvas(&c);
        c.Brush().SetColor(Color());
        c.FillRect(ClientRect());
        c.SetFont(*Font());
        const TRect header = GetHeaderRect(), input = GetInputRect(), footer = GetFooterRect(), body = GetBodyRect();
        p.DrawCornerBox(TRect(0, 0, kIndicatorWidth, header.Bottom), bpAlone);
        p.DrawCornerBox(TRect(0, input.Top, kIndicatorWidth, input.Bottom), bpTop);
        for (int i = 0; i < Columns()->Count(); ++i) {
            TGxCustomColumn* col = Columns()->Item(i);
            const int left = col->Left() - HPos();
            c.SetFont(*Font());
            p.DrawHeader(col, TRect(left, header.Top, left + col->Width(), header.Bottom));
            p.DrawInput(col, TRect(left, input.Top, left + col->Width(), input.Top + InputSize()), true, false, true);
            for (int r = 0; r < RowCount(); ++r) {
                const TRect cell = GetCellRect(i, r);
                c.Brush().SetColor(GetActualCellColor(i, r));
                c.FillRect(cell);
                c.Pen().SetColor(GridLinesColor());
                c.MoveTo(cell.Left, cell.Bottom);
                c.LineTo(cell.Right, cell.Bottom);
                c.MoveTo(cell.Right, cell.Top);
                c.LineTo(cell.Right, cell.Bottom + 1);
                c.Font().SetColor(GetActualCellFontColor(i, r));
                TGraphicsProvider::DrawTextRect(c, TRect(cell.Left + 2, cell.Top, cell.Right - 2, cell.Bottom),
                                                col->Alignment(), GetCells(i, r));
            }
            p.DrawFooter(col, TRect(left, footer.Top + 2, left + col->Width(), footer.Bottom - 2), true);
        }
        for (int r = 0; r < RowCount(); ++r) {
            const TRect ir(0, GetRowTop(r), kIndicatorWidth, GetRowTop(r) + RowHeight(r) + GridSpace(lpBottom));
            p.DrawIndicator(ir, r, r == SelectedRow(), false);
            p.DrawIndicatorState(ir, r == SelectedRow(), false);
        }
        p.DrawCornerBox(TRect(0, footer.Top, kIndicatorWidth, footer.Bottom), bpBottom);
        (void)body;
        PaintOverlays(c);
    }
};

} // namespace

TEST(GridShot, HeaderFooterAndIndicatorInEveryStyle) {
    const THeaderStyle styles[] = {hsAuto, hsFlatBorders, hsOffice2007, hsOffice2010, hsOldStyle, hsOutlook, hsVista};
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 160);
    TSheetGrid* grid = new TSheetGrid(&form);
    grid->SetParent(&form);
    grid->SetBorderStyle(bsNone);
    grid->SetBounds(0, 0, 300, 160);
    grid->SetOptions({goHeader, goIndicator, goFooter, goInput, goGrid, goSelectFullRow});
    grid->SetAppearanceOptions({aoAlphaBlendedSelection});
    const char* captions[] = {"Name", "Amount", "Date"};
    const int widths[] = {80, 90, 96};
    for (int i = 0; i < 3; ++i) {
        TGxCustomColumn* col = grid->Columns()->Add<TGxTextColumn>(QString::fromLatin1(captions[i]));
        col->Header()->SetCaption(QString::fromLatin1(captions[i]));
        col->SetWidth(widths[i]);
        col->SetInputCaption(QStringLiteral("(new)"));
        col->Footer()->SetCaption(i == 1 ? QStringLiteral("Sum 1255.00") : QStringLiteral("4 rows"));
    }
    grid->Columns()->Item(1)->SetAlignment(taRightJustify);
    grid->Columns()->Item(1)->Header()->SetAlignment(taRightJustify);
    grid->Columns()->Item(1)->Footer()->SetAlignment(taRightJustify);
    grid->Columns()->Item(0)->SetSorted(true);
    grid->SetSelectedCellSilently(0, 1);
    form.Show();
    QImage sheet(300, 160 * 7, QImage::Format_RGB32);
    QPainter out(&sheet);
    for (int s = 0; s < 7; ++s) {
        grid->SetHeaderStyle(styles[s]);
        EXPECT_EQ(grid->CurrentStyleDisplay()->Owner(), grid);
        const QImage shot = grid->Widget()->grab().toImage();
        ASSERT_EQ(shot.width(), 300);
        out.drawImage(0, s * 160, shot);
        // The selected row's arrow in the indicator and the footer band at the bottom.
        const int rowTop = grid->GetRowTop(1);
        bool arrow = false;
        for (int y = rowTop; y < rowTop + grid->RowHeight(1); ++y)
            for (int x = 2; x < 10; ++x) arrow |= shot.pixel(x, y) == qRgb(0, 0, 0);
        EXPECT_TRUE(arrow) << "style " << s;
    }
    out.end();
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("gridparts_gridshot.png"));
    ASSERT_TRUE(sheet.save(path));
    std::printf("grid screenshot: %s\n", qPrintable(path));
}
