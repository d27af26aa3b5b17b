// A page of frames and shapes at a preview scale, saved as reportview_page.png to look at; each
// object must have drawn inside its own box and nowhere between the boxes.

#include "platform/gfx/Canvas.h"
#include "report/core/rptClassView.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include <functional>

namespace {

class TTestView : public TrptView {
public:
    explicit TTestView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
};

struct TItem {
    std::unique_ptr<TrptView> View;
};

} // namespace

TEST(ViewPage, FramesAndShapesPage) {
    const double scale = 1.5;
    QImage img(1150, 540, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    std::vector<std::unique_ptr<TrptView>> views;
    auto place = [&](TrptView* v, int col, int row) {
        v->SetBounds(10 + col * 95, 10 + row * 70, 80, 55);
        views.emplace_back(v);
    };

    // Row 0: every frame style, all sides, width 2, on a light fill.
    const TrptFrameStyle styles[] = {fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare};
    for (int i = 0; i < 8; ++i) {
        auto* v = new TTestView;
        v->SetColor(i % 2 ? 0xE0FFFF : clNone);
        v->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
        v->Frame()->SetStyle(styles[i]);
        v->Frame()->SetWidth(2);
        v->Frame()->SetColor(clNavy);
        place(v, i, 0);
    }
    // Row 1: the same styles at width 1 and 4, one side each.
    const TrptFrameType sides[] = {ftLeft, ftRight, ftTop, ftBottom};
    for (int i = 0; i < 8; ++i) {
        auto* v = new TTestView;
        v->Frame()->SetTyp(TrptFrameTypes{sides[i % 4]});
        v->Frame()->SetStyle(styles[i]);
        v->Frame()->SetWidth(i < 4 ? 1 : 4);
        v->Frame()->SetColor(clMaroon);
        place(v, i, 1);
    }
    // Row 2: per-side lines, shadows, hatches.
    {
        auto* v = new TTestView;
        v->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
        v->Frame()->LeftLine()->SetColor(clRed);
        v->Frame()->LeftLine()->SetWidth(4);
        v->Frame()->TopLine()->SetColor(clGreen);
        v->Frame()->TopLine()->SetStyle(fsDash);
        v->Frame()->RightLine()->SetColor(clBlue);
        v->Frame()->RightLine()->SetStyle(fsDouble);
        v->Frame()->BottomLine()->SetStyle(fsAltDot);
        v->Frame()->BottomLine()->SetWidth(3);
        place(v, 0, 2);
    }
    for (int i = 0; i < 7; ++i) {
        auto* v = new TTestView;
        v->SetColor(i == 0 ? clYellow : (i % 2 ? 0xD0F0D0 : clNone));
        v->SetBrushStyle(static_cast<TBrushStyle>(i == 0 ? bsSolid : i + 1));
        v->Frame()->SetColor(clTeal);
        v->Frame()->SetTyp(i == 0 ? TrptFrameTypes{} : TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
        v->Frame()->SetDropShadow(i < 3);
        v->Frame()->SetShadowColor(clGray);
        place(v, i + 1, 2);
    }
    // Rows 3 and 4: every shape, filled, hatched, dashed and double.
    for (int k = 0; k < 7; ++k) {
        auto* s = new TrptShapeView;
        s->SetShape(static_cast<TrptShapeKind>(k));
        s->SetColor(0xC0E0FF);
        s->Frame()->SetColor(clNavy);
        s->Frame()->SetWidth(2);
        place(s, k, 3);
        auto* h = new TrptShapeView;
        h->SetShape(static_cast<TrptShapeKind>(k));
        h->SetBrushStyle(k % 2 ? bsDiagCross : bsFDiagonal);
        h->SetColor(k % 3 ? clNone : clYellow);
        h->Frame()->SetColor(clPurple);
        h->Frame()->SetStyle(k % 2 ? fsDouble : fsDash);
        h->Frame()->SetWidth(k % 2 ? 2 : 1);
        place(h, k, 4);
    }
    {
        auto* r = new TrptShapeView;
        r->SetShape(skRoundRectangle);
        r->SetCurve(2);
        r->SetColor(clSilver);
        place(r, 7, 3);
    }

    for (auto& v : views)
        v->Draw(&c, scale, scale, 0, 0);
    c.Flush();
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("reportview_page.png"));
    ASSERT_TRUE(img.save(file));

    // Every object drew inside its box (shadows, double outer strokes and hatch edges may reach a
    // few pixels out); the gutters between the boxes stay white.
    for (auto& v : views) {
        v->BeginDraw(nullptr, scale, scale, 0, 0);
        int inked = 0;
        for (int y = v->Y(); y <= v->Y1(); ++y)
            for (int x = v->X(); x <= v->X1(); ++x)
                inked += img.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_GT(inked, 20) << v->X() << "," << v->Y();
    }
    for (int col = 1; col < 9; ++col) {
        const int gx = static_cast<int>((10 + col * 95 - 7) * scale);
        for (int y = 0; y < img.height(); ++y)
            ASSERT_EQ(img.pixel(gx, y), qRgb(255, 255, 255)) << gx << "," << y << " see " << file.toStdString();
    }
}
