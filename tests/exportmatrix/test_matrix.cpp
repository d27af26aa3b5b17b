// The export matrix: objects taken in, cell styles shared, boundaries merged, cells placed, cut
// and framed, empty rows removed.

#include "report/core/rptClassLine.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassView.h"
#include "report/export/rptExportMatrix.h"

#include "platform/gfx/Bitmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Fixture {
    TrptIEMatrix m;
    std::vector<std::unique_ptr<TrptView>> views;
    Fixture() { m.SetShowProgress(false); }

    TrptMemoView* Memo(double l, double t, double w, double h, const QString& text = QString()) {
        auto v = std::make_unique<TrptMemoView>(nullptr);
        v->SetBounds(l, t, w, h);
        v->SetText(text);
        auto* p = v.get();
        views.push_back(std::move(v));
        return p;
    }
    template <class T> T* View(double l, double t, double w, double h) {
        auto v = std::make_unique<T>(nullptr);
        v->SetBounds(l, t, w, h);
        auto* p = v.get();
        views.push_back(std::move(v));
        return p;
    }
    void AddAll() {
        for (auto& v : views) m.AddObject(v.get());
    }
    std::vector<double> Cols() const {
        std::vector<double> r;
        for (int i = 0; i < m.Width(); ++i) r.push_back(m.GetXPosById(i));
        return r;
    }
    std::vector<double> Rows() const {
        std::vector<double> r;
        for (int i = 0; i < m.Height(); ++i) r.push_back(m.GetYPosById(i));
        return r;
    }
    // The placement holding the object named so (the first one).
    int Find(const QString& name) const {
        for (int i = 0; i < m.GetObjectsCount(); ++i)
            if (m.GetObjectById(i)->Name == name) return i;
        return -1;
    }
};

TrptFrameTypes AllSides() { return TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom}; }

// Every cell of a placement lies in its rectangle and the rectangle is whole.
void ExpectRectangles(const TrptIEMatrix& m) {
    for (int y = 0; y < m.Height(); ++y)
        for (int x = 0; x < m.Width(); ++x) {
            const int id = m.GetCell(x, y);
            if (id < 0) continue;
            int px, py, dx, dy;
            m.GetObjectPos(id, px, py, dx, dy);
            ASSERT_TRUE(x >= px && x < px + dx && y >= py && y < py + dy) << "cell " << x << "," << y;
            for (int yy = py; yy < py + dy; ++yy)
                for (int xx = px; xx < px + dx; ++xx) ASSERT_EQ(m.GetCell(xx, yy), id);
        }
}

TEST(ExportMatrixIntake, SharedEdgeGivesOneBoundaryAndObjectsTheirCells) {
    Fixture f;
    f.Memo(10, 20, 30, 10, QStringLiteral("a"));
    f.Memo(40, 20, 25, 10, QStringLiteral("b"));
    f.AddAll();
    f.m.Prepare();
    EXPECT_EQ(f.Cols(), (std::vector<double>{10, 40, 65}));
    EXPECT_EQ(f.Rows(), (std::vector<double>{20, 30}));
    EXPECT_EQ(f.m.GetObject(0, 0)->Memo()->Get(0), QStringLiteral("a"));
    EXPECT_EQ(f.m.GetObject(1, 0)->Memo()->Get(0), QStringLiteral("b"));
    EXPECT_EQ(f.m.GetCell(2, 0), -1); // the last column holds nothing
    EXPECT_EQ(f.m.GetCell(-1, 0), -1);
    EXPECT_EQ(f.m.GetCell(0, 5), -1);
    EXPECT_EQ(f.m.GetObject(0, 9), nullptr);
    EXPECT_EQ(f.m.StylesCount(), 1); // same look: one style
    ExpectRectangles(f.m);
}

TEST(ExportMatrixIntake, DropShadowGivesThreePlacements) {
    Fixture f;
    TrptMemoView* v = f.Memo(0, 0, 100, 40, QStringLiteral("x"));
    v->Frame()->SetDropShadow(true);
    v->Frame()->SetShadowWidth(4);
    v->Frame()->SetShadowColor(0x0000FF);
    f.AddAll();
    ASSERT_EQ(f.m.ObjectsCount(), 3);
    struct {
        double l, t, w, h;
    } want[] = {{0, 0, 96, 36}, {96, 4, 4, 36}, {4, 36, 96, 4}};
    for (int i = 0; i < 3; ++i) {
        TrptIEMObject* o = f.m.GetObjectById(i);
        EXPECT_EQ(o->Left, want[i].l) << i;
        EXPECT_EQ(o->Top, want[i].t) << i;
        EXPECT_EQ(o->Width, want[i].w) << i;
        EXPECT_EQ(o->Height, want[i].h) << i;
    }
    EXPECT_EQ(f.m.GetObjectById(1)->Style->Color, 0x0000FF);
    EXPECT_EQ(f.m.GetObjectById(2)->Name, QStringLiteral("Shadow"));
    // The object itself is left as it was.
    EXPECT_EQ(v->Width(), 100);
    EXPECT_EQ(v->Height(), 40);
    EXPECT_TRUE(v->Frame()->DropShadow());
}

TEST(ExportMatrixIntake, RectangleShapes) {
    {
        Fixture f;
        TrptShapeView* s = f.View<TrptShapeView>(10, 10, 50, 30);
        s->Frame()->SetColor(0x00FF00);
        f.AddAll();
        ASSERT_EQ(f.m.ObjectsCount(), 4);
        int thin = 0, flat = 0;
        for (int i = 0; i < 4; ++i) {
            TrptIEMObject* o = f.m.GetObjectById(i);
            EXPECT_EQ(o->Name, QStringLiteral("Line"));
            EXPECT_TRUE(o->IsText);
            EXPECT_EQ(o->Style->FrameColor, 0x00FF00);
            thin += o->Width == 1;
            flat += o->Height == 1;
        }
        EXPECT_EQ(thin, 2);
        EXPECT_EQ(flat, 2);
    }
    {
        Fixture f;
        TrptShapeView* s = f.View<TrptShapeView>(10, 10, 50, 30);
        s->SetColor(0xABCDEF);
        f.AddAll();
        ASSERT_EQ(f.m.ObjectsCount(), 1);
        TrptIEMObject* o = f.m.GetObjectById(0);
        EXPECT_EQ(o->Name, QStringLiteral("Rect"));
        EXPECT_EQ(o->Style->Color, 0xABCDEF);
        EXPECT_TRUE(o->Style->FrameTyp == AllSides());
    }
}

TEST(ExportMatrixIntake, StraightLines) {
    struct Case {
        double l, t, w, h;
        double el, et, ew, eh;
        TrptFrameType side;
    } cases[] = {
        {10, 0, 0, 50, 10, 0, 1, 50, ftLeft},   // vertical: a column 10..11
        {0, 5, 80, 0, 0, 5, 80, 1, ftTop},      // horizontal
        {30, 0, -20, 0, 10, 0, 20, 1, ftTop},   // negative width turned round
        {0, 40, 0, -15, 0, 25, 1, 15, ftLeft},  // negative height turned round
    };
    for (const Case& c : cases) {
        Fixture f;
        f.View<TrptLineView>(c.l, c.t, c.w, c.h)->SetColor(0x112233);
        f.AddAll();
        f.m.Prepare();
        ASSERT_EQ(f.m.ObjectsCount(), 1);
        TrptIEMObject* o = f.m.GetObjectById(0);
        EXPECT_TRUE(o->IsText);
        EXPECT_EQ(o->Left, c.el);
        EXPECT_EQ(o->Top, c.et);
        EXPECT_EQ(o->Width, c.ew);
        EXPECT_EQ(o->Height, c.eh);
        EXPECT_TRUE(o->Style->FrameTyp == TrptFrameTypes{c.side});
        EXPECT_EQ(o->Style->Color, 0x112233);
        EXPECT_EQ(o->Style->Font()->Name(), QStringLiteral("Arial"));
        EXPECT_EQ(o->Style->Font()->Size(), 1);
        if (c.w == 0) {
            EXPECT_EQ(f.Cols(), (std::vector<double>{c.el, c.el + 1}));
        }
    }
}

TEST(ExportMatrixIntake, PicturesAndRotatedOrHatchedText) {
    Fixture f;
    TrptShapeView* ellipse = f.View<TrptShapeView>(0, 0, 20, 10);
    ellipse->SetShape(skEllipse);
    ellipse->SetColor(0x0000FF);
    TrptMemoView* rotated = f.Memo(0, 20, 20, 10, QStringLiteral("r"));
    rotated->SetRotation(90);
    TrptMemoView* hatched = f.Memo(0, 40, 20, 10, QStringLiteral("h"));
    hatched->SetBrushStyle(bsCross);
    TrptMemoView* plain = f.Memo(0, 60, 20, 10, QStringLiteral("p"));
    f.m.SetRotatedAsImage(true);
    f.AddAll();
    ASSERT_EQ(f.m.ObjectsCount(), 4);
    for (int i = 0; i < 3; ++i) {
        TrptIEMObject* o = f.m.GetObjectById(i);
        EXPECT_FALSE(o->IsText) << i;
        ASSERT_NE(o->Image(), nullptr) << i;
        EXPECT_EQ(o->Image()->Width(), 21) << i;
        EXPECT_EQ(o->Image()->Height(), 11) << i;
        EXPECT_EQ(o->Image()->PixelFormat(), pf24bit);
    }
    // The ellipse is drawn: its middle is red, a corner stays white.
    const QImage img = f.m.GetObjectById(0)->Image()->Image();
    EXPECT_EQ(QColor(img.pixel(10, 5)).rgb() & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(QColor(img.pixel(0, 0)).rgb() & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_TRUE(f.m.GetObjectById(3)->IsText);
    EXPECT_EQ(f.m.GetObjectById(3)->Image(), nullptr);
    (void)plain;

    // Without Images the picture stays an empty text cell with its style.
    Fixture g;
    g.m.SetImages(false);
    g.View<TrptShapeView>(0, 0, 20, 10)->SetShape(skEllipse);
    g.AddAll();
    EXPECT_TRUE(g.m.GetObjectById(0)->IsText);
    EXPECT_EQ(g.m.GetObjectById(0)->Image(), nullptr);
    ASSERT_NE(g.m.GetObjectById(0)->Style, nullptr);

    // With EMFPictures the drawing is recorded at the object's size.
    Fixture e;
    e.m.SetEMFPictures(true);
    e.View<TrptShapeView>(0, 0, 20, 10)->SetShape(skEllipse);
    e.AddAll();
    TrptIEMObject* o = e.m.GetObjectById(0);
    EXPECT_EQ(o->Image(), nullptr);
    EXPECT_EQ(o->Metafile()->Width(), 20);
    EXPECT_EQ(o->Metafile()->Height(), 10);
    EXPECT_FALSE(o->Metafile()->Empty());
}

TEST(ExportMatrixIntake, PageBackgroundIsSkippedUnlessAsked) {
    struct Case {
        bool background, printable, objPrintable, kept;
    } cases[] = {
        {false, true, true, false}, {false, false, true, false}, {false, true, false, false},
        {false, false, false, true}, {true, true, true, true},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.m.SetBackground(c.background);
        f.m.SetPrintable(c.printable);
        TrptMemoView* bg = f.Memo(0, 0, 50, 50);
        bg->SetName(QStringLiteral("_pagebackground"));
        bg->SetPrintable(c.objPrintable);
        f.AddAll();
        EXPECT_EQ(f.m.ObjectsCount(), c.kept ? 1 : 0) << c.background << c.printable << c.objPrintable;
    }
}

TEST(ExportMatrixStyles, SharedUntilOneFieldDiffers) {
    Fixture f;
    TrptMemoView* a = f.Memo(0, 0, 10, 10, QStringLiteral("a"));
    TrptMemoView* b = f.Memo(10, 0, 10, 10, QStringLiteral("b"));
    a->Frame()->SetTyp(AllSides());
    b->Frame()->SetTyp(AllSides());
    f.AddAll();
    EXPECT_EQ(f.m.StylesCount(), 1);
    EXPECT_EQ(f.m.GetObjectById(0)->Style, f.m.GetObjectById(1)->Style);

    Fixture g;
    TrptMemoView* c = g.Memo(0, 0, 10, 10, QStringLiteral("a"));
    TrptMemoView* d = g.Memo(10, 0, 10, 10, QStringLiteral("b"));
    c->Frame()->SetTyp(AllSides());
    d->Frame()->SetTyp(AllSides());
    d->Frame()->SetColor(0x00FF00);
    g.AddAll();
    EXPECT_EQ(g.m.StylesCount(), 2);
    EXPECT_EQ(g.m.GetObjectById(1)->Style->FrameColor, 0x00FF00);
    EXPECT_EQ(g.m.GetObjectById(1)->StyleIndex, 1);
}

TEST(ExportMatrixStyles, HighlightAndDotMatrixFonts) {
    Fixture f;
    TrptMemoView* a = f.Memo(0, 0, 10, 10, QStringLiteral("a"));
    a->Highlight()->SetActive(true);
    a->Highlight()->Font()->SetColor(0x0000FF);
    a->Highlight()->SetColor(0x00FFFF);
    a->Font()->SetSize(14);
    f.m.SetDotMatrix(true);
    f.AddAll();
    const TrptIEMStyle* s = f.m.GetObjectById(0)->Style;
    EXPECT_EQ(s->Font()->Color(), 0x0000FF);
    EXPECT_EQ(s->Color, 0x00FFFF);
    EXPECT_EQ(s->Font()->Size(), 9);
}

TEST(ExportMatrixStyles, FontCharsetFromTheFaceIsCached) {
    TrptIEMatrix m;
    TFont font;
    font.SetName(QStringLiteral("DejaVu Sans"));
    // DejaVu Sans declares Latin 1 first among its code pages: the ANSI character set.
    EXPECT_EQ(m.GetFontCharset(&font), 0);
    EXPECT_EQ(m.GetFontCharset(&font), 0);
    EXPECT_EQ(m.GetFontCharset(nullptr), 0);
}

TEST(ExportMatrixIntake, AnchorLinksAndNegativeTopOnSecondPage) {
    Fixture f;
    f.Memo(0, 0, 10, 100, QStringLiteral("page 1"));
    f.m.AddObject(f.views[0].get());
    f.m.AddPage(poPortrait, 210, 297, 10, 10, 10, 10, false, 0);
    TrptMemoView* v = f.Memo(0, -5, 10, 10, QStringLiteral("page 2"));
    v->SetURL(QStringLiteral("#nowhere")); // no report: the link stays as it is
    f.m.AddObject(v);
    f.m.AddPage(poLandscape, 297, 210, 5, 6, 7, 8, true, 1);
    TrptIEMObject* o = f.m.GetObjectById(1);
    EXPECT_EQ(o->Top, 100);
    EXPECT_EQ(o->URL, QStringLiteral("#nowhere"));
    EXPECT_EQ(f.m.PagesCount(), 2);
    EXPECT_EQ(f.m.GetPageBreak(0), 100);
    EXPECT_EQ(f.m.GetPageBreak(1), 110);
    EXPECT_EQ(f.m.GetPageLMargin(1), 7); // mirrored on the second page
    EXPECT_EQ(f.m.GetPageRMargin(1), 5);
    EXPECT_TRUE(f.m.IEPages(1)->MirrorMargin);
    EXPECT_FALSE(f.m.IEPages(0)->MirrorMargin);
    EXPECT_EQ(f.m.GetPageOrientation(1), poLandscape);
    EXPECT_EQ(f.m.GetPageOrientation(2), poPortrait);
    EXPECT_EQ(f.m.GetPageWidth(2), 0);
    EXPECT_THROW(f.m.GetXPosById(99), EListError);
    EXPECT_THROW(f.m.GetStyleById(-1), EListError);
}

TEST(ExportMatrixGrid, BoundaryOrdering) {
    struct Case {
        double inaccuracy, maxCellHeight;
        std::vector<double> tops; // objects 10 wide at x 0, height 0.2 each... see below
        std::vector<double> rows;
    };
    // Objects at the given tops, each 1 high.
    const Case cases[] = {
        {0, 0, {10, 10.3}, {10, 10.3, 11, 11.3}},
        {0.5, 0, {10, 10.3}, {10.3, 11.3}},
        {0, 0, {10, 10}, {10, 11}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.m.SetInaccuracy(c.inaccuracy);
        f.m.SetMaxCellHeight(c.maxCellHeight);
        for (double t : c.tops) f.Memo(0, t, 10, 1);
        f.AddAll();
        f.m.Prepare();
        EXPECT_EQ(f.Rows(), c.rows) << c.inaccuracy;
        ExpectRectangles(f.m);
    }
    // Zero-width columns stay with Inaccuracy 0: two boundaries of equal value farther back than
    // the duplicate test looks.
    Fixture z;
    z.Memo(5, 0, 10, 1);
    for (int i = 0; i < 120; ++i) z.Memo(100 + i, 0, 1, 1);
    z.Memo(5, 2, 10, 1);
    z.AddAll();
    z.m.Prepare();
    const auto cols = z.Cols();
    EXPECT_EQ(cols[0], 5);
    EXPECT_EQ(cols[1], 5);
    EXPECT_EQ(cols[2], 15);
    ExpectRectangles(z.m);
}

TEST(ExportMatrixGrid, MaxCellHeightSplitsTallGaps) {
    Fixture f;
    f.m.SetMaxCellHeight(100);
    f.Memo(0, 0, 10, 250, QStringLiteral("tall"));
    f.AddAll();
    f.m.Prepare();
    EXPECT_EQ(f.Rows(), (std::vector<double>{0, 100, 200, 250}));
    int x, y, dx, dy;
    f.m.GetObjectPos(0, x, y, dx, dy);
    EXPECT_EQ(dy, 3);
    ExpectRectangles(f.m);

    Fixture g;
    g.m.SetMaxCellWidth(40);
    g.Memo(0, 0, 100, 10);
    g.AddAll();
    g.m.Prepare();
    EXPECT_EQ(g.Cols(), (std::vector<double>{0, 40, 80, 100}));
}

TEST(ExportMatrixGrid, CoveredAndCutObjects) {
    Fixture f;
    TrptMemoView* under = f.Memo(0, 0, 100, 20, QStringLiteral("left text"));
    under->Frame()->SetTyp(AllSides());
    TrptShapeView* pic = f.View<TrptShapeView>(50, 0, 50, 20);
    pic->SetShape(skEllipse);
    f.Memo(200, 0, 10, 10, QStringLiteral("hidden"))->SetName(QStringLiteral("Hidden"));
    f.Memo(200, 0, 10, 10, QStringLiteral("on top"))->SetName(QStringLiteral("OnTop"));
    f.AddAll();
    f.m.Prepare();
    ExpectRectangles(f.m);
    // The text object is cut: the left part keeps the text and three sides.
    TrptIEMObject* left = f.m.GetObject(0, 0);
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->Parent, f.m.GetObjectById(0));
    EXPECT_EQ(left->Memo()->Get(0), QStringLiteral("left text"));
    EXPECT_EQ(f.m.GetObjectById(0)->Memo()->Count(), 0);
    EXPECT_TRUE(left->Style->FrameTyp == (TrptFrameTypes{ftLeft, ftTop, ftBottom}));
    EXPECT_EQ(left->Width, 50);
    EXPECT_FALSE(f.m.GetObject(1, 0)->IsText);
    // The covered object owns no cell.
    const int hidden = f.Find(QStringLiteral("Hidden"));
    ASSERT_GE(hidden, 0);
    for (int y = 0; y < f.m.Height(); ++y)
        for (int x = 0; x < f.m.Width(); ++x) EXPECT_NE(f.m.GetCell(x, y), hidden);
    EXPECT_EQ(f.m.GetObject(3, 0)->Memo()->Get(0), QStringLiteral("on top"));
}

TEST(ExportMatrixGrid, EmptyLinesRemoved) {
    Fixture f;
    f.m.SetEmptyLines(false);
    f.m.AddObject(f.Memo(0, 10, 10, 10, QStringLiteral("p1")));
    f.m.AddPage(poPortrait, 210, 297, 0, 0, 0, 0, false, 0);
    f.m.AddObject(f.Memo(0, 30, 10, 10, QStringLiteral("p2")));
    f.m.AddPage(poPortrait, 210, 297, 0, 0, 0, 0, false, 1);
    f.m.Prepare();
    // Rows 20..20+30 (the gap between the pages) and the empty rows go; later rows move up.
    EXPECT_EQ(f.Rows(), (std::vector<double>{10, 20, 30}));
    EXPECT_EQ(f.m.GetObject(0, 0)->Memo()->Get(0), QStringLiteral("p1"));
    EXPECT_EQ(f.m.GetObject(0, 1)->Memo()->Get(0), QStringLiteral("p2"));
    int x, y, dx, dy;
    f.m.GetObjectPos(1, x, y, dx, dy); // the second page's object moved up one row
    EXPECT_EQ(y, 1);
    EXPECT_EQ(dy, 1);
    ExpectRectangles(f.m);
}

TEST(ExportMatrixGrid, UnfilledTextTakesTheFillBelow) {
    struct Case {
        TColor fontColor;
        TColor expected;
    } cases[] = {{clBlack, 0x00FF00}, {0x00FF00, clNone}};
    for (const Case& c : cases) {
        Fixture f;
        TrptShapeView* r = f.View<TrptShapeView>(0, 0, 100, 100);
        r->SetColor(0x00FF00);
        TrptMemoView* t = f.Memo(10, 10, 20, 20, QStringLiteral("t"));
        t->Font()->SetColor(c.fontColor);
        f.AddAll();
        f.m.Prepare();
        EXPECT_EQ(f.m.GetObject(1, 1)->Style->Color, c.expected);
        ExpectRectangles(f.m);
    }
}

TEST(ExportMatrixGrid, AreaFillAndFrameMerging) {
    Fixture f;
    f.m.SetAreaFill(true);
    f.m.SetFramesOptimization(true);
    TrptMemoView* a = f.Memo(10, 10, 20, 10, QStringLiteral("a"));
    TrptMemoView* b = f.Memo(10, 20, 20, 10, QStringLiteral("b"));
    a->Frame()->SetTyp(AllSides());
    b->Frame()->SetTyp(AllSides());
    f.AddAll();
    f.m.Prepare();
    ExpectRectangles(f.m);
    // The white fill lies under everything from (0, 0).
    TrptIEMObject* fill = f.m.GetObject(0, 0);
    ASSERT_NE(fill, nullptr);
    EXPECT_EQ(fill->Style->Color, 0xFFFFFF);
    EXPECT_TRUE(fill->Style->FrameTyp.Empty());
    TrptIEMObject* upper = f.m.GetObject(1, 1);
    TrptIEMObject* lower = f.m.GetObject(1, 2);
    EXPECT_EQ(upper->Memo()->Get(0), QStringLiteral("a"));
    EXPECT_TRUE(upper->Style->FrameTyp.Contains(ftBottom));
    EXPECT_FALSE(lower->Style->FrameTyp.Contains(ftTop));
    EXPECT_TRUE(lower->Style->FrameTyp.Contains(ftLeft));

    // A different frame colour keeps both sides.
    Fixture g;
    g.m.SetFramesOptimization(true);
    TrptMemoView* c = g.Memo(10, 10, 20, 10, QStringLiteral("a"));
    TrptMemoView* d = g.Memo(10, 20, 20, 10, QStringLiteral("b"));
    c->Frame()->SetTyp(AllSides());
    d->Frame()->SetTyp(AllSides());
    d->Frame()->SetColor(0x0000FF);
    g.AddAll();
    g.m.Prepare();
    EXPECT_TRUE(g.m.GetObject(0, 1)->Style->FrameTyp.Contains(ftTop));
}

TEST(ExportMatrixGrid, ClearKeepsExtents) {
    Fixture f;
    f.AddAll();
    f.m.AddObject(f.Memo(5, 6, 10, 10));
    f.m.Prepare();
    f.m.Clear();
    EXPECT_EQ(f.m.ObjectsCount(), 0);
    EXPECT_EQ(f.m.StylesCount(), 0);
    EXPECT_EQ(f.m.GetCell(0, 0), -1);
    EXPECT_EQ(f.m.MaxWidth(), 15);
    EXPECT_EQ(f.m.MinTop(), 6);
    EXPECT_EQ(f.m.Left(), 5);
}

} // namespace
