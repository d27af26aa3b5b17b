// The report component base: the object tree, bounds, fonts inherited from the parent, names,
// difference texts and alignment of children.

#include "ReportTestClasses.h"

#include "report/core/rptRes.h"

#include <gtest/gtest.h>

namespace {

struct Tree {
    std::unique_ptr<TrptReport> Report = NewQuietReport();
    TTestPage* Page = nullptr;
    TTestBand* Band = nullptr;
    TTestMemo* Memo = nullptr;
    Tree() {
        Page = new TTestPage(Report.get());
        Page->SetName("Page1");
        Band = new TTestBand(Page);
        Band->SetName("Band1");
        Memo = new TTestMemo(Band);
        Memo->SetName("Memo1");
    }
};

QString Names(const TrptComponentList& list) {
    QStringList r;
    for (TrptComponent* c : list)
        r << c->Name();
    return r.join(',');
}

} // namespace

TEST(ReportComponent, ObjectsOfAReportAreOwnedByTheReportAndHangBelowTheirParent) {
    Tree t;
    EXPECT_EQ(t.Memo->Owner(), t.Report.get());
    EXPECT_EQ(t.Band->Owner(), t.Report.get());
    EXPECT_EQ(t.Memo->Parent(), t.Band);
    EXPECT_EQ(t.Memo->Report(), t.Report.get());
    EXPECT_EQ(t.Report->Report(), t.Report.get());
    EXPECT_EQ(t.Report->FindComponent("Memo1"), t.Memo);
    EXPECT_EQ(t.Report->FindObject("MEMO1"), t.Memo);
    EXPECT_EQ(Names(t.Report->AllObjects()), "Page1,Band1,Memo1");

    // A component of another kind as owner keeps it and gives no parent.
    TComponent host;
    auto* loose = new TTestMemo(&host);
    EXPECT_EQ(loose->Owner(), &host);
    EXPECT_EQ(loose->Parent(), nullptr);
    EXPECT_EQ(loose->Report(), nullptr);
}

TEST(ReportComponent, AllObjectsIsDepthFirstEachBeforeItsChildren) {
    Tree t;
    auto* band2 = new TTestBand(t.Page);
    band2->SetName("Band2");
    auto* memo2 = new TTestMemo(band2);
    memo2->SetName("Memo2");
    auto* page2 = new TTestPage(t.Report.get());
    page2->SetName("Page2");
    EXPECT_EQ(Names(t.Report->AllObjects()), "Page1,Band1,Memo1,Band2,Memo2,Page2");
    EXPECT_EQ(Names(t.Page->AllObjects()), "Band1,Memo1,Band2,Memo2");
}

TEST(ReportComponent, MovingToAnotherParentAppendsAtTheEnd) {
    Tree t;
    auto* band2 = new TTestBand(t.Page);
    auto* other = new TTestMemo(band2);
    other->SetName("Other");
    t.Memo->SetParent(band2);
    EXPECT_TRUE(t.Band->Objects().empty());
    ASSERT_EQ(band2->Objects().size(), 2u);
    EXPECT_EQ(band2->Objects().back(), t.Memo);
    // The tree never loops.
    EXPECT_THROW(t.Page->SetParent(t.Memo), EComponentError);
}

TEST(ReportComponent, FreeingAnObjectFreesItsChildrenAndLeavesItsParent) {
    Tree t;
    delete t.Band;
    EXPECT_TRUE(t.Page->Objects().empty());
    EXPECT_EQ(t.Report->FindComponent("Memo1"), nullptr);
    EXPECT_EQ(t.Report->ComponentCount(), 1);
}

TEST(ReportComponent, BoundsAndAbsolutePositions) {
    Tree t;
    t.Page->SetBounds(10, 20, 500, 700);
    t.Band->SetBounds(0, 30.5, 480, 40);
    t.Memo->SetBounds(5, 2.25, 100, 18);
    EXPECT_DOUBLE_EQ(t.Memo->AbsTop(), 20 + 30.5 + 2.25);
    EXPECT_DOUBLE_EQ(t.Memo->AbsLeft(), 15);
    const TrptRect r = t.Memo->GetRealBounds();
    EXPECT_DOUBLE_EQ(r.Right, 115);
    EXPECT_DOUBLE_EQ(r.Bottom, 52.75 + 18);

    // Before and after printing the bounds come back.
    t.Memo->BeforePrint();
    t.Memo->SetBounds(1, 1, 1, 1);
    t.Memo->AfterPrint();
    EXPECT_DOUBLE_EQ(t.Memo->Left(), 5);
    EXPECT_DOUBLE_EQ(t.Memo->Height(), 18);
}

TEST(ReportComponent, RestrictionsHoldOnlyWhileDesigning) {
    struct Case {
        TrptRestrictions Restrictions;
        bool Designing;
        double Left, Width;
    };
    const Case cases[] = {
        {TrptRestrictions{rfDontMove}, true, 5, 50},
        {TrptRestrictions{rfDontSize}, true, 50, 5},
        {TrptRestrictions{rfDontMove, rfDontSize}, true, 5, 5},
        {TrptRestrictions{rfDontMove, rfDontSize}, false, 50, 50},
    };
    for (const Case& c : cases) {
        Tree t;
        t.Memo->SetBounds(5, 5, 5, 5);
        t.Memo->SetRestrictions(c.Restrictions);
        t.Memo->SetIsDesigning(c.Designing);
        t.Memo->SetBounds(50, 50, 50, 50);
        EXPECT_EQ(t.Memo->Left(), c.Left);
        EXPECT_EQ(t.Memo->Width(), c.Width);
    }
}

TEST(ReportComponent, DesignCreateSetsIsDesigningBeforeTheConstructorsFinish) {
    Tree t;
    TrptComponent* c = TrptComponent::DesignCreate(TTestMemo::StaticClassInfo(), t.Band);
    EXPECT_TRUE(c->IsDesigning());
    EXPECT_EQ(c->Parent(), t.Band);
    EXPECT_FALSE(t.Memo->IsDesigning());
    EXPECT_THROW(TrptComponent::DesignCreate(TTestFrame::StaticClassInfo(), t.Band), EInvalidCast);
}

TEST(ReportComponent, FontDefaultsAndInheritance) {
    Tree t;
    EXPECT_EQ(t.Memo->Font()->Name(), "Arial");
    EXPECT_EQ(t.Memo->Font()->Size(), 10);
    EXPECT_EQ(t.Memo->Font()->Height(), -13);
    EXPECT_EQ(t.Memo->Font()->Color(), clBlack);
    EXPECT_EQ(t.Memo->Font()->Charset(), DEFAULT_CHARSET);
    EXPECT_TRUE(t.Memo->ParentFont());

    auto* own = new TTestMemo(t.Band);
    TFont courier;
    courier.SetName("Courier New");
    courier.SetSize(8);
    own->SetFont(&courier);
    EXPECT_FALSE(own->ParentFont());

    // The page's font reaches every descendant whose ParentFont is set, and only those.
    TFont big;
    big.SetName("Liberation Serif");
    big.SetSize(14);
    t.Page->SetFont(&big);
    EXPECT_FALSE(t.Page->ParentFont());
    EXPECT_EQ(t.Band->Font()->Name(), "Liberation Serif");
    EXPECT_EQ(t.Memo->Font()->Size(), 14);
    EXPECT_TRUE(t.Memo->ParentFont());
    EXPECT_EQ(own->Font()->Name(), "Courier New");

    // Changing one attribute of the font counts as an own font.
    t.Memo->Font()->SetColor(clRed);
    EXPECT_FALSE(t.Memo->ParentFont());
    t.Page->Font()->SetSize(20);
    EXPECT_EQ(t.Band->Font()->Size(), 20);
    EXPECT_EQ(t.Memo->Font()->Size(), 14);

    // Back to the parent's font; a moved object takes its new parent's.
    t.Memo->SetParentFont(true);
    EXPECT_EQ(t.Memo->Font()->Size(), 20);
    EXPECT_EQ(t.Memo->Font()->Color(), t.Band->Font()->Color());
    auto* page2 = new TTestPage(t.Report.get());
    page2->Font()->SetName("DejaVu Sans");
    t.Memo->SetParent(page2);
    EXPECT_EQ(t.Memo->Font()->Name(), "DejaVu Sans");
}

TEST(ReportComponent, NamesAreUniqueInTheReport) {
    Tree t;
    auto* m2 = new TTestMemo(t.Band);
    try {
        m2->SetName("memo1");
        FAIL() << "duplicate name accepted";
    } catch (const EDuplicateName& e) {
        EXPECT_EQ(e.Message(), GlobalResources()->Get("prDupl"));
    }
    EXPECT_THROW(m2->SetName("1abc"), EComponentError);
    m2->SetName("Memo2");
    EXPECT_EQ(t.Report->FindObject("memo2"), m2);
    // The same name in another letter case changes nothing.
    t.Memo->SetName("MEMO1");
    EXPECT_EQ(t.Memo->Name(), "Memo1");
    // An object of a parent template cannot be renamed.
    t.Memo->SetAncestorFlag(true);
    EXPECT_THROW(t.Memo->SetName("Renamed"), EComponentError);
}

TEST(ReportComponent, CreateUniqueNameTakesTheSmallestFreeNumber) {
    Tree t;
    auto* m3 = new TTestMemo(t.Band);
    m3->SetName("TTestMemo3");
    t.Memo->SetName("ttestmemo1");
    auto* fresh = new TTestMemo(t.Page);
    // The class name without a first "Trpt" and a first "View".
    EXPECT_EQ(fresh->BaseName(), "TTestMemo");
    fresh->CreateUniqueName();
    EXPECT_EQ(fresh->Name(), "TTestMemo2");
    auto* next = new TTestMemo(t.Page);
    next->CreateUniqueName();
    EXPECT_EQ(next->Name(), "TTestMemo4");
    auto* page = new TTestPage(t.Report.get());
    page->SetBaseName("Page");
    page->CreateUniqueName();
    EXPECT_EQ(page->Name(), "Page2");
}

TEST(ReportComponent, ManyObjectsAreFoundByName) {
    auto r = NewQuietReport();
    auto* page = new TTestPage(r.get());
    for (int i = 0; i < 500; ++i) {
        auto* m = new TTestMemo(page);
        m->SetName(QStringLiteral("M%1").arg(i));
    }
    EXPECT_EQ(r->FindObject("m250")->Name(), "M250");
    delete r->FindObject("M250");
    EXPECT_EQ(r->FindObject("M250"), nullptr);
    r->FindObject("M251")->SetName("Renamed");
    EXPECT_EQ(r->FindObject("M251"), nullptr);
    EXPECT_EQ(r->FindComponent("renamed")->Name(), "Renamed");
    auto* again = new TTestMemo(page);
    again->SetName("M251");
    EXPECT_EQ(r->FindObject("M251"), again);
}

TEST(ReportComponent, DiffListsWhatDiffersFromTheTemplateObject) {
    Tree t;
    auto* copy = new TTestMemo(t.Band);
    t.Memo->SetBounds(10, 20, 30, 40);
    copy->SetBounds(10, 20, 30, 40);
    EXPECT_EQ(copy->Diff(t.Memo), "");
    copy->SetBounds(10.5, 20, 31, 40);
    copy->SetVisible(false);
    copy->SetTag(7);
    EXPECT_EQ(copy->Diff(t.Memo), " l=\"10.5\" w=\"31\" Visible=\"0\" Tag=\"7\"");
    // AutoWidth texts leave their width out.
    copy->SetAutoWidth(true);
    EXPECT_EQ(copy->Diff(t.Memo), " l=\"10.5\" Visible=\"0\" Tag=\"7\"");
    copy->SetAutoWidth(false);
    copy->SetBounds(10, 20, 30, 40);
    copy->SetVisible(true);
    copy->SetTag(0);
    copy->Font()->SetStyle(TFontStyles{fsBold, fsUnderline});
    copy->Font()->SetName("A&B");
    EXPECT_EQ(copy->Diff(t.Memo), " Font.Name=\"A&#38;B\" Font.Style=\"5\" ParentFont=\"0\"");
}

TEST(ReportComponent, AlignChildren) {
    auto r = NewQuietReport();
    auto* band = new TTestBand(r.get());
    band->SetBounds(0, 0, 300, 50);
    auto mk = [&](TrptAlign a, double l, double t, double w, double h) {
        auto* m = new TTestMemo(band);
        m->SetAlign(a);
        m->SetBounds(l, t, w, h);
        return m;
    };
    TTestMemo* fixed = mk(baNone, 100, 0, 50, 20);
    TTestMemo* left = mk(baLeft, 170, 0, 20, 20);
    TTestMemo* right = mk(baRight, 10, 0, 30, 20);
    TTestMemo* width = mk(baWidth, 160, 25, 10, 20);
    TTestMemo* below = mk(baLeft, 200, 30, 10, 10);
    TTestMemo* center = mk(baCenter, 0, 0, 100, 10);
    TTestMemo* bottom = mk(baBottom, 0, 0, 100, 10);
    TTestMemo* client = mk(baClient, 3, 3, 3, 3);
    band->AlignChildren();
    // Left-aligned views move against their left neighbour on the same row (in order of Left,
    // so a neighbour moved before counts with its new place); right-aligned ones against their
    // right neighbour; a stretched one reaches its right neighbour.
    EXPECT_EQ(left->Left(), 150);
    EXPECT_EQ(width->Left(), 0);
    EXPECT_EQ(below->Left(), 10);
    EXPECT_EQ(right->Left(), 70);
    EXPECT_EQ(width->Width(), 10);
    EXPECT_EQ(center->Left(), 100);
    EXPECT_EQ(bottom->Top(), 40);
    EXPECT_EQ(client->Width(), 300);
    EXPECT_EQ(client->Height(), 50);
    EXPECT_EQ(fixed->Left(), 100);
}
