#pragma once
// Prepared pages made by hand for the preview tests: each page has a size and a list of texts at
// page positions; drawing writes the texts scaled, and every ObjectOver call is logged.

#include "report/core/rptClassBases.h"
#include "report/core/rptClassPage.h"

#include "platform/gfx/Canvas.h"

#include <memory>
#include <vector>

struct FakeText {
    int X = 0, Y = 0;
    QString Text;
};

struct FakePage {
    int Width = 794, Height = 1123;
    std::vector<FakeText> Texts;
};

struct ObjectOverCall {
    int Index, X, Y;
    TMouseButton Button;
    double Scale, OffsetX, OffsetY;
    bool Click, DBClick;
};

class FakePages : public TrptCustomPreviewPages {
public:
    FakePages() : TrptCustomPreviewPages(nullptr) {}
    std::vector<FakePage> Pages;
    std::vector<ObjectOverCall> Calls;
    std::vector<int> Drawn;
    double TopMargin = 10;
    TCursor OverCursor = crDefault;

    int GetCount() override { return static_cast<int>(Pages.size()); }
    TPoint GetPageSize(int Index) override {
        if (Index < 0 || Index >= GetCount()) return TPoint(0, 0);
        return TPoint(Pages[Index].Width, Pages[Index].Height);
    }
    TrptReportPage* GetPage(int Index) override {
        if (Index < 0 || Index >= GetCount()) return nullptr;
        if (!FPage) FPage = std::make_unique<TrptReportPage>(nullptr);
        FPage->SetTopMargin(TopMargin);
        return FPage.get();
    }
    void DrawPage(int Index, TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX,
                  double OffsetY) override {
        Drawn.push_back(Index);
        Canvas->Font().SetName(QStringLiteral("DejaVu Sans"));
        Canvas->Font().SetHeight(-static_cast<int>(13 * ScaleY));
        Canvas->Font().SetColor(clBlack);
        Canvas->Brush().SetStyle(bsClear);
        for (const FakeText& t : Pages[Index].Texts)
            Canvas->TextOut(static_cast<int>(OffsetX + t.X * ScaleX),
                            static_cast<int>(OffsetY + t.Y * ScaleY), t.Text);
    }
    void ObjectOver(int Index, int X, int Y, TMouseButton Button, TShiftState, double Scale, double OffsetX,
                    double OffsetY, bool Click, TCursor& Cursor, bool DBClick) override {
        Calls.push_back({Index, X, Y, Button, Scale, OffsetX, OffsetY, Click, DBClick});
        if (OverCursor != crDefault) Cursor = OverCursor;
    }

private:
    std::unique_ptr<TrptReportPage> FPage;
};
