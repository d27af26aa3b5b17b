// The bookmark tree of a prepared report, kept inside the report's XML document, and the alias
// dictionary of prepared objects.

#include "report/core/rptOutline.h"
#include "report/core/rptXML.h"

#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

namespace {

// Prepared pages that only carry the current page number.
class PagesStub : public TrptCustomPreviewPages {
public:
    PagesStub() : TrptCustomPreviewPages(nullptr) {}
};

struct OutlineFixture : ::testing::Test {
    TrptXMLDocument Doc;
    PagesStub Pages;
    TrptOutline Outline{&Pages, &Doc};

    OutlineFixture() { Doc.Root()->SetName(QStringLiteral("preparedreport")); }

    // The whole tree as "text@page:top" with children in brackets.
    static QString Dump(const TrptXMLItem* item) {
        QString s;
        for (int i = 0; i < item->Count(); ++i) {
            const TrptXMLItem* c = item->Items(i);
            if (!s.isEmpty()) s += QLatin1Char(' ');
            s += c->GetProp("text") + '@' + c->GetProp("page") + ':' + c->GetProp("top");
            if (c->Count()) s += '[' + Dump(c) + ']';
        }
        return s;
    }
    QString Tree() { return Dump(Doc.Root()->FindItem("outline")); }
};

} // namespace

TEST_F(OutlineFixture, ItemsNestUnderTheOutlineElementWithPageAndTop) {
    EXPECT_EQ(Outline.Count(), 0); // no level yet
    Outline.LevelRoot();
    Pages.SetCurPage(0);
    Outline.AddItem("Customers", 0);
    Outline.AddItem("Ann & \"Bob\"", 96);
    Outline.LevelUp();
    Outline.AddItem("Carl", 130);
    Outline.LevelUp();
    Outline.LevelUp();
    Pages.SetCurPage(1);
    Outline.AddItem("Orders", 0);
    Outline.LevelRoot();

    EXPECT_EQ(Tree(), "Customers@0:0[Ann & \"Bob\"@0:96 Carl@0:130] Orders@1:0");
    EXPECT_EQ(Doc.Root()->Find("outline"), 0);
    // The caption is stored escaped in the raw attribute text.
    const TrptXMLItem* ann = Doc.Root()->FindItem("outline")->Items(0)->Items(0);
    EXPECT_TRUE(ann->Text().contains("&#38;")) << ann->Text().toStdString();

    ASSERT_EQ(Outline.Count(), 2);
    QString text;
    int page = -1, top = -1;
    Outline.GetItem(1, text, page, top);
    EXPECT_EQ(text, "Orders");
    EXPECT_EQ(page, 1);
    EXPECT_EQ(top, 0);
    Outline.LevelDown(0);
    ASSERT_EQ(Outline.Count(), 2);
    Outline.GetItem(1, text, page, top);
    EXPECT_EQ(text, "Carl");
    EXPECT_EQ(page, 0);
    EXPECT_EQ(top, 130);
    EXPECT_EQ(Outline.GetCurPosition(), Outline.CurItem()->Items(1));
}

TEST_F(OutlineFixture, LevelUpAtTheRootStaysAtTheRoot) {
    Outline.LevelRoot();
    TrptXMLItem* root = Outline.CurItem();
    Outline.LevelUp();
    Outline.LevelUp();
    EXPECT_EQ(Outline.CurItem(), root);
    Outline.AddItem("A", 1);
    EXPECT_EQ(Tree(), "A@0:1");
}

TEST_F(OutlineFixture, MissingAttributesLeaveTheCallersValues) {
    Outline.LevelRoot();
    TrptXMLItem* bare = Outline.CurItem()->Add("item");
    bare->SetProp("text", "bare");
    TrptXMLItem* odd = Outline.CurItem()->Add("item");
    odd->SetProp("text", "odd");
    odd->SetProp("page", "x");
    odd->SetProp("top", "12");
    QString text = "before";
    int page = 7, top = 9;
    Outline.GetItem(0, text, page, top);
    EXPECT_EQ(text, "bare");
    EXPECT_EQ(page, 7);
    EXPECT_EQ(top, 9);
    Outline.GetItem(1, text, page, top);
    EXPECT_EQ(page, 7); // not a number: kept
    EXPECT_EQ(top, 12);
}

TEST_F(OutlineFixture, ShiftItemsMovesOnlyTheNextSiblingAndItsChildren) {
    Outline.LevelRoot();
    Outline.AddItem("A", 10);
    Outline.LevelUp();
    TrptXMLItem* mark = Outline.GetCurPosition();
    Outline.AddItem("B", 500);
    Outline.AddItem("B1", 520);
    Outline.LevelUp();
    Outline.LevelUp();
    Outline.AddItem("C", 600);
    Outline.LevelUp();

    Outline.ShiftItems(mark, 40); // B goes to the next page at 40, B1 by the same amount
    EXPECT_EQ(Tree(), "A@0:10 B@1:40[B1@1:60] C@0:600");

    // The mark of the last item, and no mark at all, move nothing.
    Outline.ShiftItems(Outline.GetCurPosition(), 0);
    Outline.ShiftItems(nullptr, 0);
    EXPECT_EQ(Tree(), "A@0:10 B@1:40[B1@1:60] C@0:600");
}

TEST_F(OutlineFixture, EmptyLevelHasNoPositionAndTheTreeSurvivesASaveAndLoad) {
    Outline.LevelRoot();
    EXPECT_EQ(Outline.GetCurPosition(), nullptr);
    Outline.AddItem("Only", 5);
    TMemoryStream stream;
    Doc.SaveToStream(stream);
    stream.SetPosition(0);
    TrptXMLDocument copy;
    copy.LoadFromStream(stream);
    TrptOutline other(&Pages, &copy);
    other.LevelRoot();
    ASSERT_EQ(other.Count(), 1);
    QString text;
    int page = -1, top = -1;
    other.GetItem(0, text, page, top);
    EXPECT_EQ(text, "Only");
    EXPECT_EQ(page, 0);
    EXPECT_EQ(top, 5);
}

// ---------------------------------------------------------------------------------------------

TEST(Dictionary, UniqueNamesStartAtTheHighestTakenStep) {
    struct {
        const char* Title;
        std::vector<int> Taken;
        const char* Expected;
    } cases[] = {
        {"none taken", {}, "m1"},
        {"1 to 300 taken", {}, "m301"},
        {"only 200 taken", {200}, "m1"},
        {"156 taken", {156}, "m157"},
        {"1 and 2 taken", {1, 2}, "m3"},
        {"10000 taken", {10000}, "m10001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Title);
        TrptDictionary d;
        std::vector<int> taken = c.Taken;
        if (std::string(c.Title) == "1 to 300 taken")
            for (int i = 1; i <= 300; ++i) taken.push_back(i);
        for (int n : taken) d.Add("m" + QString::number(n), "Page0.Memo", nullptr);
        d.Add("b5000", "Page0.Band", nullptr); // another base does not count
        EXPECT_EQ(d.CreateUniqueName("m"), c.Expected);
    }
}

TEST(Dictionary, AliasesFindTheirSourceIgnoringCase) {
    TrptDictionary d;
    TObject memo, band;
    EXPECT_EQ(d.AddUnique("m", "Page0.Memo1", &memo), "m1");
    EXPECT_EQ(d.AddUnique("b", "Page0.Band1", &band), "b1");
    EXPECT_EQ(d.AddUnique("m", "Page1.Memo2", &band), "m2");

    EXPECT_EQ(d.GetObject("M1"), &memo);
    EXPECT_EQ(d.GetSourceName("M1"), "Page0.Memo1");
    EXPECT_EQ(d.GetObject("m2"), &band);
    EXPECT_EQ(d.GetSourceName("m2"), "Page1.Memo2");
    EXPECT_EQ(d.GetObject("m3"), nullptr);
    EXPECT_TRUE(d.GetSourceName("m3").isEmpty());

    // Names are kept sorted; SourceNames in the order they were added.
    EXPECT_EQ(d.Names()->ToStringList(), QStringList({"b1", "m1", "m2"}));
    EXPECT_EQ(d.SourceNames()->Strings(2), "Page1.Memo2");

    d.Clear();
    EXPECT_EQ(d.Names()->Count(), 0);
    EXPECT_EQ(d.SourceNames()->Count(), 0);
    EXPECT_EQ(d.GetObject("m1"), nullptr);
    EXPECT_EQ(d.AddUnique("m", "Page0.Memo1", &memo), "m1");
}
