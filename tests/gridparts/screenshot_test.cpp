// Draws a header, input row, body band, footer and indicator in every header style onto one
// image and saves it for looking at (gridparts_painters.png in the working directory).

#include "grid/GxDisplays.h"
#include "tests/grid/GridTestSupport.h"

#include <QDir>

TEST(PainterSheet, EveryStyleSideBySide) {
    TFakeGrid grid(nullptr, false);
    grid.Color = clWindow;
    const QStringList captions = {"Name", "Amount", "Date"};
    std::vector<TGxCustomColumn*> cols;
    for (const QString& c : captions) {
        TGxCustomColumn* col = grid.Columns->Add<TGxTextColumn>(c);
        col->Header()->SetCaption(c);
        col->Footer()->SetCaption(QStringLiteral("%1 total").arg(c.size()));
        col->SetInputCaption(QStringLiteral("(new)"));
        cols.push_back(col);
    }
    cols[1]->Header()->SetAlignment(taRightJustify);
    cols[1]->SetSorted(true);
    cols[2]->Header()->SetAlignment(taCenter);
    cols[2]->SetSorted(true);
    cols[2]->SetSortKind(skDescending);
    const int w = 12 + 3 * 90, band = 18 + 22 + 40 + 22 + 8;
    TBitmap sheet(w, band * 7, pf24bit);
    TCanvas& c = sheet.Canvas();
    c.Brush().SetColor(clWindow);
    c.FillRect(TRect(0, 0, w, band * 7));
    std::vector<std::unique_ptr<TStyleDisplay>> painters;
    painters.push_back(std::make_unique<TDefaultStyleDisplay>(&grid));
    painters.push_back(std::make_unique<TFlatStyleDisplay>(&grid));
    painters.push_back(std::make_unique<TOffice2007StyleDisplay>(&grid));
    painters.push_back(std::make_unique<TOffice2010StyleDisplay>(&grid));
    painters.push_back(std::make_unique<TOldStyleDisplay>(&grid));
    painters.push_back(std::make_unique<TOutlookStyleDisplay>(&grid));
    painters.push_back(std::make_unique<TVistaStyleDisplay>(&grid));
    for (size_t s = 0; s < painters.size(); ++s) {
        TStyleDisplay& p = *painters[s];
        p.SetCanvas(&c);
        const int top = static_cast<int>(s) * band;
        c.Font().SetName(QStringLiteral("DejaVu Sans"));
        c.Font().SetColor(clWindowText);
        p.DrawCornerBox(TRect(0, top, 12, top + 18), bpAlone);
        for (int i = 0; i < 3; ++i) p.DrawHeader(cols[i], TRect(12 + i * 90, top, 12 + i * 90 + 90, top + 18));
        for (int i = 0; i < 3; ++i)
            p.DrawInput(cols[i], TRect(12 + i * 90, top + 18, 12 + i * 90 + 90, top + 40), true, i == 0, true);
        for (int r = 0; r < 2; ++r) {
            const TRect ir(0, top + 40 + r * 20, 12, top + 60 + r * 20);
            p.DrawIndicator(ir, r, r == 0, false);
            p.DrawIndicatorState(ir, r == 0, false);
        }
        p.DrawCornerBox(TRect(0, top + 80, 12, top + 102), bpBottom);
        for (int i = 0; i < 3; ++i)
            p.DrawFooter(cols[i], TRect(12 + i * 90, top + 80, 12 + i * 90 + 90, top + 102), true);
    }
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("gridparts_painters.png"));
    ASSERT_TRUE(sheet.Image().save(path));
    // The footer's grid line and the selected row's arrow in every band.
    for (int s = 0; s < 7; ++s) {
        EXPECT_EQ(c.Pixel(12 + 89, s * band + 90), ColorToRGB(clBtnFace)) << "style " << s;
        EXPECT_EQ(c.Pixel(3, s * band + 50), ColorToRGB(clWindowText)) << "style " << s;
    }
    std::printf("painter sheet: %s\n", qPrintable(path));
}
