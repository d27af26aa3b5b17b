// Pixel probes of the header, footer, indicator and corner painters of every header style.

#include "grid/GxDisplays.h"
#include "grid/GxThemesSupport.h"
#include "tests/grid/GridTestSupport.h"

#include <QDir>

namespace {

class TPainterGrid : public TFakeGrid {
public:
    TPainterGrid() : TFakeGrid(nullptr, false) {}
    TGxCustomColumn* FocusedColumn() const override { return Focused; }
    TGxCustomColumn* Focused = nullptr;
};

TColor Rgb(TColor c) { return ColorToRGB(c); }

struct PainterFixture : ::testing::Test {
    PainterFixture() : Bmp(300, 60, pf24bit) {
        for (const char* n : {"", "", ""}) Cols.push_back(Grid.Columns->Add<TGxTextColumn>(QString::fromLatin1(n)));
        for (TGxCustomColumn* c : Cols) c->Header()->SetColor(clBtnFace);
        Clear();
    }
    void Clear() {
        Bmp.Canvas().Brush().SetColor(clFuchsia);
        Bmp.Canvas().FillRect(TRect(0, 0, 300, 60));
    }
    template <class P> std::unique_ptr<TStyleDisplay> Make() {
        auto p = std::make_unique<P>(&Grid);
        p->SetCanvas(&Bmp.Canvas());
        return p;
    }
    // Draws the three headers side by side, 80 pixels wide and 20 high.
    void DrawHeaders(TStyleDisplay& P) {
        for (int i = 0; i < 3; ++i) P.DrawHeader(Cols[i], Rect(i * 80, 0, i * 80 + 80, 20));
    }
    TColor Px(int x, int y) { return Bmp.Canvas().Pixel(x, y); }

    TPainterGrid Grid;
    std::vector<TGxCustomColumn*> Cols;
    TBitmap Bmp;
};

struct Probe {
    int X, Y;
    TColor Expected;
};

void ExpectProbes(PainterFixture& F, const char* Style, const std::vector<Probe>& Probes) {
    for (const Probe& p : Probes)
        EXPECT_EQ(F.Px(p.X, p.Y), Rgb(p.Expected)) << Style << " at (" << p.X << ", " << p.Y << ")";
}

} // namespace

TEST_F(PainterFixture, HeaderFacesOfEveryStyle) {
    const TColor face = clBtnFace, hi = clBtnHighlight, sh = clBtnShadow;
    // Middle column spans x 80..159, the right one 160..239; rows 0..19.
    {
        Clear();
        auto p = Make<TDefaultStyleDisplay>();
        DrawHeaders(*p);
        ExpectProbes(*this, "default", {{85, 0, hi},   {80, 1, face},  {80, 5, hi},   {85, 19, sh},  {159, 1, face},
                                        {159, 5, sh},  {0, 1, hi},     {239, 0, sh},  {85, 10, face}});
    }
    {
        Clear();
        auto p = Make<TFlatStyleDisplay>();
        DrawHeaders(*p);
        ExpectProbes(*this, "flat", {{159, 0, clGray}, {85, 19, clGray}, {85, 5, face}, {80, 0, face}});
    }
    {
        Clear();
        auto p = Make<TOldStyleDisplay>();
        DrawHeaders(*p);
        ExpectProbes(*this, "old", {{80, 0, hi}, {80, 10, hi}, {159, 19, clWindowFrame}, {85, 5, face}});
    }
    {
        Clear();
        auto p = Make<TOutlookStyleDisplay>();
        DrawHeaders(*p);
        ExpectProbes(*this, "outlook",
                     {{80, 0, face}, {80, 2, hi}, {0, 0, hi}, {159, 2, sh}, {239, 0, sh}, {85, 5, face},
                      {85, 17, BlendColors(sh, face, 50)}, {85, 18, BlendColors(sh, face, 100)},
                      {85, 19, BlendColors(sh, face, 150)}});
    }
    {
        Clear();
        auto p = Make<TVistaStyleDisplay>();
        DrawHeaders(*p);
        ExpectProbes(*this, "vista", {{80, 7, clWhite}, {159, 7, face}, {85, 7, static_cast<TColor>(0xF0F0F0)}});
        Clear();
        Cols[1]->SetSorted(true);
        p->DrawHeader(Cols[1], Rect(80, 0, 160, 20));
        Cols[1]->SetSorted(false);
        // Gradient band of six rows, white below it, and the white arrow in the band's middle.
        ExpectProbes(*this, "vista sorted",
                     {{85, 0, static_cast<TColor>(0xF0DCAF)}, {85, 10, clWhite}, {80 + 40, 2, clWhite}});
        EXPECT_NE(Px(85, 3), Rgb(clWhite));
    }
    {
        Clear();
        auto p = Make<TOffice2007StyleDisplay>();
        DrawHeaders(*p);
        ExpectProbes(*this, "office 2007", {{85, 0, clWhite}, {85, 19, GetSchemeColor(2)}, {159, 5, GetSchemeColor(10)},
                                            {159, 0, clWhite}, {239, 0, GetSchemeColor(2)}});
        // The pressed column shows the gradient upside down.
        Clear();
        Grid.Focused = Cols[1];
        p->DrawHeader(Cols[1], Rect(80, 0, 160, 20));
        Grid.Focused = nullptr;
        EXPECT_EQ(Px(85, 0), Rgb(GetSchemeColor(11)));
    }
    {
        Clear();
        auto p = Make<TOffice2010StyleDisplay>();
        DrawHeaders(*p);
        ExpectProbes(*this, "office 2010", {{85, 0, GetSchemeColor(6)}, {85, 19, GetSchemeColor(2)}});
        // Blue-green channels fall towards scheme colour 7 down the face.
        EXPECT_LT(Px(85, 18) & 0xFF, Rgb(GetSchemeColor(6)) & 0xFF);
    }
}

TEST_F(PainterFixture, SchemeColoursOfTheDefaultScheme) {
    EXPECT_EQ(GetSchemeColor(2), static_cast<TColor>(0xCF9365));
    EXPECT_EQ(GetSchemeColor(11), static_cast<TColor>(0xFFD2AF));
}

TEST_F(PainterFixture, AttributesByStyleAndThemes) {
    auto d = Make<TDefaultStyleDisplay>();
    EXPECT_TRUE(d->StyleDisplayAttributes().Contains(sdaInvertFocus));
    d->SetEnableThemes(true);
    EXPECT_TRUE(d->StyleDisplayAttributes().Contains(sdaHoverEnabled));
    EXPECT_FALSE(d->StyleDisplayAttributes().Contains(sdaInvertFocus));
    EXPECT_TRUE(Make<TVistaStyleDisplay>()->StyleDisplayAttributes().Contains(sdaCustomArrow));
    EXPECT_TRUE(Make<TOutlookStyleDisplay>()->StyleDisplayAttributes().Contains(sdaInvertFocus));
    EXPECT_TRUE(Make<TOffice2007StyleDisplay>()->StyleDisplayAttributes().Empty());
    // Header padding: 2 on screen, 11 with themes and text only, 0 on paper or without default drawing.
    EXPECT_EQ(d->GetHeaderPadding(Cols[0]), 11);
    d->SetEnableThemes(false);
    EXPECT_EQ(d->GetHeaderPadding(Cols[0]), 2);
    d->SetDisplayMedia(dmPaper);
    EXPECT_EQ(d->GetHeaderPadding(Cols[0]), 0);
}

TEST_F(PainterFixture, SortArrowPlacementAndHiding) {
    auto p = Make<TDefaultStyleDisplay>();
    TColumnHeader* h = Cols[0]->Header();
    h->SetCaption(QStringLiteral("Ab"));
    Cols[0]->SetSorted(true);
    Cols[0]->SetSortKind(skAscending);
    const int t = Bmp.Canvas().TextWidth(QStringLiteral("Ab")) + 2;
    const int ax = 2 + t + 19, ay = 10 - 4;
    const TRect wide(0, 0, 120, 20);
    p->DrawHeader(Cols[0], wide);
    // The hollow arrow: shadow along its base, highlight up its right side.
    EXPECT_EQ(Px(ax + 3, ay + 6), Rgb(clBtnShadow));
    EXPECT_EQ(Px(ax + 6, ay + 4), Rgb(clBtnHighlight));
    // Too narrow for the arrow: drawn anyway unless HideArrow is set.
    const TRect narrow(0, 0, ax + 8, 20);
    h->SetHideArrow(true);
    Clear();
    p->DrawHeader(Cols[0], narrow);
    EXPECT_NE(Px(ax + 3, ay + 6), Rgb(clBtnShadow));
    h->SetHideArrow(false);
    Clear();
    p->DrawHeader(Cols[0], narrow);
    EXPECT_EQ(Px(ax + 3, ay + 6), Rgb(clBtnShadow));
    // The Vista painter never draws the shared arrow.
    Clear();
    auto v = Make<TVistaStyleDisplay>();
    v->DrawHeader(Cols[0], wide);
    EXPECT_EQ(Px(ax + 3, ay + 6), Rgb(clWhite));
    Cols[0]->SetSorted(false);
}

TEST_F(PainterFixture, PressedHeaderIsInvertedWithoutThemes) {
    auto p = Make<TDefaultStyleDisplay>();
    Grid.Focused = Cols[1];
    p->DrawHeader(Cols[1], Rect(80, 0, 160, 20));
    EXPECT_EQ(Px(85, 10), Rgb(clBtnFace) ^ 0xFFFFFF);
    // The inverted rectangle leaves the right-most pixel column alone for a column not alone.
    EXPECT_EQ(Px(159, 10), Rgb(clBtnShadow));
    Clear();
    p->SetEnableThemes(true);
    p->DrawHeader(Cols[1], Rect(80, 0, 160, 20));
    EXPECT_NE(Px(85, 10), Rgb(clBtnFace) ^ 0xFFFFFF);
    Grid.Focused = nullptr;
}

TEST_F(PainterFixture, DrawingOptionsChooseWhatIsDrawn) {
    auto p = Make<TDefaultStyleDisplay>();
    QStringList calls;
    p->OnHeaderDraw = [&](TObject*, int Index, const TRect& R) {
        calls << QStringLiteral("%1:%2,%3").arg(Index).arg(R.Left).arg(R.Right);
    };
    TColumnHeader* h = Cols[1]->Header();
    h->SetCaption(QStringLiteral("WWWW"));
    h->SetDrawingOptions(doCustomOnly);
    p->DrawHeader(Cols[1], Rect(80, 0, 160, 20));
    EXPECT_EQ(Px(85, 10), Rgb(clFuchsia)) << "no background";
    h->SetDrawingOptions(doBackgroundOnly);
    p->DrawHeader(Cols[1], Rect(80, 0, 160, 20));
    bool anyText = false;
    for (int x = 82; x < 150; ++x)
        for (int y = 2; y < 18; ++y) anyText |= Px(x, y) != Rgb(clBtnFace);
    EXPECT_FALSE(anyText) << "background only";
    h->SetDrawingOptions(doNormal);
    p->DrawHeader(Cols[1], Rect(80, 0, 160, 20));
    anyText = false;
    for (int x = 82; x < 150; ++x)
        for (int y = 2; y < 18; ++y) anyText |= Px(x, y) != Rgb(clBtnFace);
    EXPECT_TRUE(anyText) << "caption drawn";
    EXPECT_EQ(calls, QStringList({"1:80,160", "1:80,160", "1:80,160"}));
}

TEST_F(PainterFixture, FooterFillsGridLineAndRaisesOnDraw) {
    auto p = Make<TDefaultStyleDisplay>();
    TColumnFooter* f = Cols[0]->Footer();
    f->SetColor(clAqua);
    TRect seen;
    int index = -1;
    p->OnDraw = [&](TObject*, int Index, const TRect& R) {
        index = Index;
        seen = R;
    };
    p->DrawFooter(Cols[0], Rect(0, 30, 80, 50), true);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(seen, Rect(0, 30, 79, 49));
    EXPECT_EQ(Px(40, 49), Rgb(clBtnFace));
    EXPECT_EQ(Px(79, 35), Rgb(clBtnFace));
    EXPECT_EQ(Px(40, 35), Rgb(clAqua));
    // Nothing drawn outside the footer's rectangle.
    EXPECT_EQ(Px(40, 50), Rgb(clFuchsia));
    EXPECT_EQ(Px(80, 35), Rgb(clFuchsia));
}

TEST_F(PainterFixture, IndicatorBoxesAndState) {
    const TRect r(0, 20, 12, 38);
    auto d = Make<TDefaultStyleDisplay>();
    d->DrawIndicator(r, 0, false, false);
    ExpectProbes(*this, "indicator", {{0, 20, clBtnHighlight}, {5, 20, clBtnHighlight}, {11, 25, clBtnShadow},
                                      {5, 37, clBtnShadow}, {5, 28, clBtnFace}, {1, 37, clBtnFace}});
    Clear();
    d->DrawIndicator(r, 2, false, false);
    ExpectProbes(*this, "indicator row 2", {{1, 20, clBtnFace}, {10, 20, clBtnFace}, {5, 20, clBtnHighlight}});
    Clear();
    d->DrawIndicatorState(r, true, false);
    // A 6 x 11 triangle centred in the box, pointing right.
    const int x = (12 - 6) / 2, y = 20 + (18 - 11) / 2;
    EXPECT_EQ(Px(x, y + 5), Rgb(clWindowText));
    EXPECT_EQ(Px(x + 4, y + 5), Rgb(clWindowText));
    EXPECT_EQ(Px(x + 4, y), Rgb(clFuchsia));
    Clear();
    Make<TFlatStyleDisplay>()->DrawIndicator(r, 0, false, false);
    ExpectProbes(*this, "flat indicator", {{11, 25, clGray}, {5, 37, clGray}, {5, 25, clBtnFace}});
    Clear();
    Make<TVistaStyleDisplay>()->DrawIndicator(r, 0, false, false);
    ExpectProbes(*this, "vista indicator",
                 {{0, 25, clWhite}, {11, 25, clBtnFace}, {5, 25, static_cast<TColor>(0xF0F0F0)}});
    Clear();
    Make<TStyleDisplay>()->DrawCornerBox(r, bpAlone);
    EXPECT_EQ(Px(5, 25), Rgb(Grid.Color)) << "base box takes the grid's colour";
}

TEST_F(PainterFixture, HeaderContentWidthByDisplayMode) {
    auto p = Make<TDefaultStyleDisplay>();
    TColumnHeader* h = Cols[0]->Header();
    h->SetCaption(QStringLiteral("Name"));
    const int e = Bmp.Canvas().TextWidth(QStringLiteral("Name"));
    TBitmap glyph(16, 16, pf24bit);
    h->SetGlyph(&glyph);
    h->SetDisplayMode(dmTextOnly);
    EXPECT_EQ(p->GetHeaderContentWidth(Cols[0]), e);
    h->SetDisplayMode(dmImageOnly);
    EXPECT_EQ(p->GetHeaderContentWidth(Cols[0]), 16);
    h->SetDisplayMode(dmTextAndImage);
    EXPECT_EQ(p->GetHeaderContentWidth(Cols[0]), 16 + e + 2);
}
