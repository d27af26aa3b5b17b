// Frames and their sides: defaults, what templates store, assignments and the differences that
// prepared pages record.

#include "platform/rtl/Streams.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"

#include <gtest/gtest.h>

namespace {

// A concrete view, as the text and picture objects are.
class TTestView : public TrptView {
public:
    explicit TTestView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
};

} // namespace

TEST(Frame, DefaultsAndSidesFollowTheFrame) {
    TrptFrame f;
    EXPECT_EQ(f.Color(), clBlack);
    EXPECT_FALSE(f.DropShadow());
    EXPECT_EQ(f.ShadowColor(), clBlack);
    EXPECT_DOUBLE_EQ(f.ShadowWidth(), 4);
    EXPECT_EQ(f.Style(), fsSolid);
    EXPECT_TRUE(f.Typ().Empty());
    EXPECT_DOUBLE_EQ(f.Width(), 1);
    for (TrptFrameLine* l : {f.LeftLine(), f.TopLine(), f.RightLine(), f.BottomLine()}) {
        EXPECT_EQ(l->Frame(), &f);
        EXPECT_EQ(l->Color(), clBlack);
        EXPECT_EQ(l->Style(), fsSolid);
        EXPECT_DOUBLE_EQ(l->Width(), 1);
        // Equal to the frame: nothing of the side is stored.
        EXPECT_FALSE(l->IsColorStored());
        EXPECT_FALSE(l->IsStyleStored());
        EXPECT_FALSE(l->IsWidthStored());
    }

    f.SetColor(clRed);
    f.SetStyle(fsDot);
    f.SetWidth(2.5);
    for (TrptFrameLine* l : {f.LeftLine(), f.TopLine(), f.RightLine(), f.BottomLine()}) {
        EXPECT_EQ(l->Color(), clRed);
        EXPECT_EQ(l->Style(), fsDot);
        EXPECT_DOUBLE_EQ(l->Width(), 2.5);
    }
    f.TopLine()->SetWidth(4);
    EXPECT_TRUE(f.TopLine()->IsWidthStored());
    EXPECT_FALSE(f.TopLine()->IsColorStored());

    // Setting a side assigns into the frame's own line; a line takes only another line.
    TrptFrameLine other;
    other.SetColor(clBlue);
    other.SetStyle(fsDouble);
    other.SetWidth(3);
    TrptFrameLine* left = f.LeftLine();
    f.SetLeftLine(&other);
    EXPECT_EQ(f.LeftLine(), left);
    EXPECT_EQ(left->Color(), clBlue);
    EXPECT_EQ(left->Style(), fsDouble);
    EXPECT_DOUBLE_EQ(left->Width(), 3);
    left->Assign(&f);
    EXPECT_EQ(left->Color(), clBlue);

    TrptFrame g;
    f.SetDropShadow(true);
    f.SetShadowColor(clGray);
    f.SetShadowWidth(6);
    f.SetTyp(TrptFrameTypes{ftLeft, ftBottom});
    g.Assign(&f);
    EXPECT_EQ(g.Color(), clRed);
    EXPECT_TRUE(g.DropShadow());
    EXPECT_EQ(g.ShadowColor(), clGray);
    EXPECT_DOUBLE_EQ(g.ShadowWidth(), 6);
    EXPECT_EQ(g.Typ(), (TrptFrameTypes{ftLeft, ftBottom}));
    EXPECT_EQ(g.LeftLine()->Color(), clBlue);
    EXPECT_DOUBLE_EQ(g.TopLine()->Width(), 4);
    EXPECT_EQ(g.LeftLine()->Frame(), &g);
}

TEST(Frame, DifferencesAsTable) {
    struct TCase {
        const char* Name;
        std::function<void(TrptFrame&)> Change;
        const char* Expected;
    };
    const std::vector<TCase> cases = {
        {"same", [](TrptFrame&) {}, ""},
        {"colour goes to the sides, which equal their frame", [](TrptFrame& f) { f.SetColor(255); },
         " Frame.Color=\"255\""},
        {"shadow", [](TrptFrame& f) { f.SetDropShadow(true), f.SetShadowColor(8421504), f.SetShadowWidth(2.5); },
         " Frame.DropShadow=\"1\" Frame.ShadowColor=\"8421504\" Frame.ShadowWidth=\"2.5\""},
        {"style and typ as numbers",
         [](TrptFrame& f) { f.SetStyle(fsDouble), f.SetTyp(TrptFrameTypes{ftLeft, ftTop, ftBottom}); },
         " Frame.Style=\"5\" Frame.Typ=\"13\""},
        {"one side against the reference side", [](TrptFrame& f) { f.BottomLine()->SetWidth(3); },
         " Frame.BottomLine.Width=\"3\""},
        {"frame width changed: sides are compared with their frame",
         [](TrptFrame& f) { f.SetWidth(2), f.TopLine()->SetWidth(5); },
         " Frame.Width=\"2\" Frame.TopLine.Width=\"5\""},
        {"sides in the order left, top, right, bottom",
         [](TrptFrame& f) {
             f.RightLine()->SetStyle(fsDot), f.LeftLine()->SetColor(65280), f.TopLine()->SetStyle(fsDash);
         },
         " Frame.LeftLine.Color=\"65280\" Frame.TopLine.Style=\"1\" Frame.RightLine.Style=\"2\""},
    };
    for (const TCase& c : cases) {
        TrptFrame reference, f;
        c.Change(f);
        EXPECT_EQ(f.Diff(&reference), QString::fromUtf8(c.Expected)) << c.Name;
    }
}

TEST(Frame, ViewDifferencesAndBinding) {
    TTestView source, copy;
    source.SetBounds(10, 20, 30, 40);
    copy.SetBounds(10, 20, 30, 40);
    EXPECT_EQ(copy.Diff(&source), QString());
    EXPECT_TRUE(copy.rptComponentStyle().Contains(csDefaultDiff));
    EXPECT_EQ(copy.Color(), clNone);
    EXPECT_EQ(copy.BrushStyle(), bsSolid);
    EXPECT_TRUE(copy.Printable());
    EXPECT_EQ(copy.ShiftMode(), smAlways);

    copy.SetBrushStyle(bsCross);
    copy.SetAlign(baClient);
    copy.SetColor(clYellow);
    copy.Frame()->SetTyp(TrptFrameTypes{ftRight});
    copy.SetCursor(-21);
    copy.SetPrintable(false);
    copy.SetTagStr(QStringLiteral("a<b"));
    copy.SetURL(QStringLiteral("http://x/?a=1&b=\"2\""));
    EXPECT_EQ(copy.Diff(&source),
              QStringLiteral(" BrushStyle=\"6\" Align=\"6\" Color=\"65535\" Frame.Typ=\"2\" Cursor=\"-21\" "
                             "Printable=\"0\" TagStr=\"a&#60;b\" URL=\"http://x/?a=1&#38;b=&#34;2&#34;\""));
    // The component's own entries come first.
    copy.SetLeft(12);
    EXPECT_TRUE(copy.Diff(&source).startsWith(QStringLiteral(" l=\"12\" BrushStyle=")));
}

TEST(Frame, TemplatesKeepFramesAndShapes) {
    RegisterReportClasses();
    RegisterViewClasses();
    auto report = std::make_unique<TrptReport>();
    auto* shape = new TrptShapeView(report.get());
    shape->SetName(QStringLiteral("Shape1"));
    shape->SetBounds(8, 16, 100, 50);
    shape->SetShape(skDiamond);
    shape->SetCurve(3);
    shape->SetColor(clAqua);
    shape->SetBrushStyle(bsBDiagonal);
    shape->SetTagStr(QStringLiteral("[Value]"));
    shape->Frame()->SetColor(clMaroon);
    shape->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    shape->Frame()->SetDropShadow(true);
    shape->Frame()->SetShadowWidth(2);
    shape->Frame()->RightLine()->SetStyle(fsAltDot);
    shape->Frame()->BottomLine()->SetWidth(3);

    TMemoryStream ms;
    shape->SaveToStream(ms);
    const QString text = QString::fromUtf8(static_cast<const char*>(ms.Memory()), static_cast<int>(ms.Size()));
    // Sides store only what differs from their frame; defaults are left out.
    EXPECT_TRUE(text.contains(QStringLiteral("Frame.RightLine.Style=\"fsAltDot\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Frame.BottomLine.Width=\"3\""))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Frame.LeftLine"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("ShadowWidth=\"4\""))) << text.toStdString();

    auto other = std::make_unique<TrptReport>();
    TrptShapeView back(other.get());
    ms.SetPosition(0);
    back.LoadFromStream(ms);
    EXPECT_EQ(back.Shape(), skDiamond);
    EXPECT_EQ(back.Curve(), 3);
    EXPECT_EQ(back.Color(), clAqua);
    EXPECT_EQ(back.BrushStyle(), bsBDiagonal);
    EXPECT_EQ(back.TagStr(), QStringLiteral("[Value]"));
    EXPECT_EQ(back.Frame()->Color(), clMaroon);
    EXPECT_EQ(back.Frame()->Typ().ToInt(), 15);
    EXPECT_TRUE(back.Frame()->DropShadow());
    EXPECT_DOUBLE_EQ(back.Frame()->ShadowWidth(), 2);
    EXPECT_EQ(back.Frame()->RightLine()->Style(), fsAltDot);
    EXPECT_EQ(back.Frame()->RightLine()->Color(), clMaroon);
    EXPECT_DOUBLE_EQ(back.Frame()->BottomLine()->Width(), 3);
    EXPECT_DOUBLE_EQ(back.Left(), 8);
    EXPECT_DOUBLE_EQ(back.Height(), 50);
}

TEST(Frame, ShapeObject) {
    TrptShapeView a, b;
    EXPECT_FALSE(a.rptComponentStyle().Contains(csDefaultDiff));
    EXPECT_EQ(a.Shape(), skRectangle);
    EXPECT_EQ(a.GetDescription(), QStringLiteral("Shape object"));
    EXPECT_EQ(a.Diff(&b), QString());
    a.SetShape(skEllipse);
    EXPECT_EQ(a.Diff(&b), QStringLiteral(" Shape=\"2\""));

    std::unique_ptr<TrptShapeView> designed(TrptShapeView::DesignCreate(nullptr, skTriangle));
    EXPECT_EQ(designed->Shape(), skTriangle);
    EXPECT_TRUE(designed->IsDesigning());

    TrptStretcheable s;
    s.SetHeight(33);
    EXPECT_DOUBLE_EQ(s.CalcHeight(), 33);
    EXPECT_DOUBLE_EQ(s.DrawPart(), 0);
    EXPECT_FALSE(s.HasNextDataPart());
    EXPECT_EQ(s.StretchMode(), smDontStretch);
}
