// Text search over recorded page drawings: which text record matches, in what order, and the
// rectangle it reports; then the workspace walking the pages.

#include "FakePages.h"

#include "report/core/rptPreviewWorkspace.h"
#include "report/core/rptRes.h"

#include "platform/gfx/Metafile.h"
#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected question: " << question.toStdString();
}

std::vector<TCanvasCommand> Record(const std::function<void(TCanvas&)>& draw) {
    TMetafile m;
    {
        TMetafileCanvas c(m);
        c.Font().SetName(QStringLiteral("DejaVu Sans"));
        c.Font().SetHeight(-13);
        draw(c);
    }
    return m.Commands();
}

TrptSearchState State(const QString& text, bool caseSensitive = false) {
    TrptSearchState s;
    s.Text = text;
    s.CaseSensitive = caseSensitive;
    return s;
}

} // namespace

TEST(DrawingSearch, FindsEachTextRecordInTurnAndItsRectangle) {
    const auto cmds = Record([](TCanvas& c) {
        c.Rectangle(0, 0, 10, 10);
        c.TextOut(20, 30, QStringLiteral("Total amount"));
        c.MoveTo(0, 0);
        c.LineTo(5, 5);
        c.ExtTextOut(40, 100, 0, nullptr, QStringLiteral("amount due"));
    });
    TrptSearchState s = State(QStringLiteral("AMOUNT"));
    ASSERT_TRUE(rptFindTextInDrawing(cmds, s));
    EXPECT_EQ(s.LastFoundRecord, 1);
    EXPECT_EQ(s.FoundRect.Left, 20);
    EXPECT_EQ(s.FoundRect.Top, 30);
    EXPECT_GT(s.FoundRect.Right, 60);
    EXPECT_GT(s.FoundRect.Bottom, 40);
    ASSERT_TRUE(rptFindTextInDrawing(cmds, s));
    EXPECT_EQ(s.LastFoundRecord, 3);
    EXPECT_EQ(s.FoundRect.Left, 40);
    EXPECT_EQ(s.FoundRect.Top, 100);
    EXPECT_FALSE(rptFindTextInDrawing(cmds, s));
    EXPECT_FALSE(s.Found);
}

TEST(DrawingSearch, CaseEmptyTextAndSplitPieces) {
    const auto cmds = Record([](TCanvas& c) {
        c.TextOut(0, 0, QStringLiteral("Grand"));
        c.TextOut(50, 0, QStringLiteral("Total"));
    });
    TrptSearchState exact = State(QStringLiteral("total"), true);
    EXPECT_FALSE(rptFindTextInDrawing(cmds, exact));
    TrptSearchState loose = State(QStringLiteral("total"));
    EXPECT_TRUE(rptFindTextInDrawing(cmds, loose));
    // A match must lie within one drawn piece of text.
    TrptSearchState split = State(QStringLiteral("Grand Total"));
    EXPECT_FALSE(rptFindTextInDrawing(cmds, split));
    // An empty text would match everything: it finds nothing.
    TrptSearchState empty = State(QString());
    EXPECT_FALSE(rptFindTextInDrawing(cmds, empty));
}

TEST(DrawingSearch, TextInsideANestedPictureIsFoundWhereItIsDrawn) {
    TMetafile inner;
    {
        TMetafileCanvas c(inner);
        c.TextOut(10, 10, QStringLiteral("inside"));
    }
    inner.SetWidth(100);
    inner.SetHeight(100);
    const auto cmds = Record([&](TCanvas& c) { c.StretchDraw(TRect(200, 300, 400, 500), inner); });
    TrptSearchState s = State(QStringLiteral("inside"));
    ASSERT_TRUE(rptFindTextInDrawing(cmds, s));
    EXPECT_EQ(s.FoundRect.Left, 220); // (10, 10) scaled by 2 from (200, 300)
    EXPECT_EQ(s.FoundRect.Top, 320);
}

namespace {

class WorkspaceSearch : public ::testing::Test {
protected:
    void SetUp() override {
        FPages.Pages.resize(5);
        FPages.Pages[2].Texts = {{100, 100, QStringLiteral("Invoice 7")},
                                 {100, 900, QStringLiteral("invoice total")}};
        FPages.Pages[3].Texts = {{100, 500, QStringLiteral("Invoice 8")}};
        FPages.Pages[4].Texts = {{700, 1100, QStringLiteral("the end")}};
        FWorkspace = std::make_unique<TrptPreviewWorkspace>(nullptr);
        FWorkspace->SetBounds(0, 0, 900, 600);
        FWorkspace->SetPreviewPages(&FPages);
        FWorkspace->LayoutPages(850);
        TrptSearchState& s = rptSearchState();
        s = TrptSearchState();
    }
    void TearDown() override { rptSearchState() = TrptSearchState(); }

    FakePages FPages;
    std::unique_ptr<TrptPreviewWorkspace> FWorkspace;
    TUIServicesScope FUI{FailOnQuestion};
};

} // namespace

TEST_F(WorkspaceSearch, FindsTwiceOnOnePageThenGoesOnToTheNext) {
    rptSearchState().Text = QStringLiteral("invoice");
    std::vector<std::pair<int, int>> found; // page, top of the match
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(FWorkspace->FindNextText()) << i;
        found.emplace_back(FWorkspace->LastFoundPage(), rptSearchState().FoundRect.Top);
    }
    EXPECT_EQ(found, (std::vector<std::pair<int, int>>{{2, 100}, {2, 900}, {3, 500}}));
    // Each page is drawn once for the search, however many matches it holds.
    EXPECT_EQ(std::count(FPages.Drawn.begin(), FPages.Drawn.end(), 2), 1);
    // The view scrolled so that the match on page 4 is inside it.
    const TrptPageItem& p = FWorkspace->PageList().Items(3);
    const int matchBottom = p.OffsetY + rptSearchState().FoundRect.Bottom;
    EXPECT_LE(matchBottom, FWorkspace->VertPosition() + FWorkspace->ClientHeight());
    EXPECT_GE(matchBottom, FWorkspace->VertPosition());

    // Nothing more: the message, and again on continuing.
    FUI->AnswerMessage(mrOk, QStringLiteral("Text not found"));
    EXPECT_FALSE(FWorkspace->FindNextText());
    FUI->AnswerMessage(mrOk, QStringLiteral("Text not found"));
    EXPECT_FALSE(FWorkspace->FindNextText());
    EXPECT_EQ(FUI->Pending(), 0);
}

TEST_F(WorkspaceSearch, TextAtTheVeryEndOfTheLastPageAndAnEmptySearch) {
    rptSearchState().Text = QStringLiteral("end");
    ASSERT_TRUE(FWorkspace->FindNextText());
    EXPECT_EQ(FWorkspace->LastFoundPage(), 4);
    EXPECT_EQ(rptSearchState().FoundRect.Top, 1100);

    rptSearchState() = TrptSearchState();
    FWorkspace->SetLastFoundPage(0);
    FUI->AnswerMessage(mrOk, QStringLiteral("Text not found"));
    EXPECT_FALSE(FWorkspace->FindNextText());
    EXPECT_EQ(FUI->Pending(), 0);
}
