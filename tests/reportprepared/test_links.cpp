// Anchors, the outline and what a click in the preview does: page links, anchor links, links
// opened outside the program (http, https and mailto only), drill-downs and the report's events.

#include "PreparedFixture.h"

#include "platform/ui/UiTypes.h"
#include "report/core/rptXML.h"

#include <QUrl>
#include <gtest/gtest.h>

namespace {

TEST(PreparedAnchors, FindLastIgnoringCaseAndShift) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.Engine->SetCurY(10.4);
    f.Pages->AddAnchor(QStringLiteral("Totals"));
    f.NewPage();
    f.Engine->SetCurY(30.6);
    f.Pages->AddAnchor(QStringLiteral("Ünits & \"more\""));
    f.Engine->SetCurY(50);
    f.Pages->AddAnchor(QStringLiteral("TOTALS"));
    EXPECT_EQ(f.Pages->GetAnchorCurPosition(), 2);
    EXPECT_EQ(f.Pages->GetAnchorPage(QStringLiteral("totals")), 2) << "the last of that text";
    EXPECT_EQ(f.Pages->GetAnchorPage(QStringLiteral("ünits & \"MORE\"")), 2);
    EXPECT_EQ(f.Pages->GetAnchorPage(QStringLiteral("nowhere")), 1);
    EXPECT_EQ(f.Pages->FindAnchor(QStringLiteral("nowhere")), nullptr);
    TrptXMLItem* a = f.Pages->FindAnchor(QStringLiteral("ÜNITS & \"more\""));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetProp(QStringLiteral("top")), QStringLiteral("31"));

    // Anchors after the first go to the next page, the first of them at 5.
    f.Pages->ShiftAnchors(0, 5);
    TrptXMLItem* anchors = f.Pages->XMLDoc()->Root()->FindItem(QStringLiteral("anchors"));
    EXPECT_EQ(anchors->Items(0)->GetProp(QStringLiteral("page")), QStringLiteral("0"));
    EXPECT_EQ(anchors->Items(1)->GetProp(QStringLiteral("page")), QStringLiteral("2"));
    EXPECT_EQ(anchors->Items(1)->GetProp(QStringLiteral("top")), QStringLiteral("5"));
    EXPECT_EQ(anchors->Items(2)->GetProp(QStringLiteral("top")), QStringLiteral("24"));
    f.Pages->ShiftAnchors(2, 0); // nothing after the last
    EXPECT_EQ(anchors->Items(2)->GetProp(QStringLiteral("page")), QStringLiteral("2"));
    f.Stop();
}

TEST(PreparedOutline, ItemsOnTheirPagesNested) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    TrptCustomOutline* o = f.Pages->Outline();
    o->LevelRoot();
    o->AddItem(QStringLiteral("Customers"), 0);
    f.NewPage();
    o->AddItem(QStringLiteral("Ann"), 96);
    o->LevelUp();
    o->AddItem(QStringLiteral("Bob"), 120);
    o->LevelUp();
    o->LevelUp();
    f.Stop();
    o->LevelRoot();
    ASSERT_EQ(o->GetCount(), 1);
    o->LevelDown(0);
    ASSERT_EQ(o->GetCount(), 2);
    QString text;
    int page = -1, top = -1;
    o->GetItem(1, text, page, top);
    EXPECT_EQ(text, QStringLiteral("Bob"));
    EXPECT_EQ(page, 1);
    EXPECT_EQ(top, 120);
}

struct TClickFixture : TPreparedFixture {
    TClickFixture() {
        Start();
        NewPage();
        Engine->SetCurY(300);
        Pages->AddAnchor(QStringLiteral("Summary"));
        Put(Data, 0);
        NewPage();
        NewPage();
        Stop();
        OldHandler = TrptPreviewPages::SetOpenLinkHandler([this](const QUrl& u) { Opened << u.toString(); });
        Pages->OnShowPage = [this](int page, int top) { Shown.push_back({page, top}); };
        Pages->OnStatusText = [this](const QString& t, bool hint) {
            if (!hint && !t.isEmpty()) Status = t;
        };
    }
    ~TClickFixture() { TrptPreviewPages::SetOpenLinkHandler(OldHandler); }

    // Puts URL on the first cell of the data row of page 1 (rebuilt) and clicks its middle: the
    // page's margins are 10 mm, the row is at the top of the printable area.
    TCursor Click(const QString& url, bool click = true) {
        TrptReportPage* page = Pages->GetPage(0);
        auto* cell = dynamic_cast<TrptView*>(static_cast<TrptComponent*>(page)->FindObject(QStringLiteral("Cell1")));
        EXPECT_NE(cell, nullptr);
        if (!cell) return crDefault;
        cell->SetURL(url);
        TCursor cursor = crDefault;
        const int x = static_cast<int>(37.8 + 100), y = static_cast<int>(37.8 + 10);
        Pages->ObjectOver(0, x, y, mbLeft, TShiftState(), 1, 0, 0, click, cursor, false);
        return cursor;
    }

    TrptOpenLinkHandler OldHandler;
    QStringList Opened;
    std::vector<std::pair<int, int>> Shown;
    QString Status;
};

TEST(PreparedClicks, OnlyWebAndMailLinksLeaveTheProgram) {
    struct TCase {
        const char* Url;
        bool Opens;
    };
    const TCase cases[] = {
        {"http://example.com/a?b=1", true},
        {"https://example.com", true},
        {"HTTPS://Example.com/x", true},
        {"mailto:someone@example.com", true},
        {"file:///bin/sh", false},
        {"/usr/bin/xterm", false},
        {"calc.exe", false},
        {"javascript:alert(1)", false},
        {"ftp://example.com/f", false},
        {"smb://server/share", false},
        {"http:/", false},
        {"mailto:", false},
        {"  ", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Url);
        EXPECT_EQ(TrptPreviewPages::IsOpenableLink(QString::fromUtf8(c.Url)), c.Opens);
        TClickFixture f;
        f.Click(QString::fromUtf8(c.Url));
        EXPECT_EQ(f.Opened.size(), c.Opens ? 1 : 0);
        EXPECT_TRUE(f.Shown.empty());
    }
}

TEST(PreparedClicks, PageLinksAnchorsCursorAndStatus) {
    TClickFixture f;
    EXPECT_EQ(f.Click(QStringLiteral("@3")), crHandPoint);
    ASSERT_EQ(f.Shown.size(), 1u);
    EXPECT_EQ(f.Shown[0], std::make_pair(3, 0));
    EXPECT_EQ(f.Pages->CurPreviewPage(), 3);
    EXPECT_EQ(f.Status, QStringLiteral("@3"));

    f.Click(QStringLiteral("#summary"));
    ASSERT_EQ(f.Shown.size(), 2u);
    EXPECT_EQ(f.Shown[1], std::make_pair(1, 300));

    f.Click(QStringLiteral("#no such anchor"));
    f.Click(QStringLiteral("@not a number"));
    f.Click(QStringLiteral("@4")); // three pages
    f.Click(QStringLiteral("@0"));
    f.Click(QStringLiteral("@-1"));
    EXPECT_EQ(f.Shown.size(), 2u);
    EXPECT_EQ(f.Pages->CurPreviewPage(), 1) << "still the anchor's page";

    // Hovering shows the link but follows nothing.
    EXPECT_EQ(f.Click(QStringLiteral("@2"), false), crHandPoint);
    EXPECT_EQ(f.Shown.size(), 2u);
    EXPECT_TRUE(f.Opened.isEmpty());
}

TEST(PreparedClicks, ReportEventsAndModifiedObjectsWrittenBack) {
    TClickFixture f;
    int over = 0;
    f.Report->OnMouseOverObject = [&](TrptView*) { ++over; };
    f.Report->OnClickObject = [&](TrptView* v, TMouseButton, TShiftState, bool& modified) {
        v->SetURL(QStringLiteral("changed by the click"));
        modified = true;
    };
    f.Click(QString(), false);
    EXPECT_EQ(over, 1);
    f.Click(QString(), true);
    EXPECT_EQ(f.Pages->PageItem(0)->Name(), QStringLiteral("TrptReportPage"));
    TrptReportPage* page = f.Pages->GetPage(0);
    auto* cell = dynamic_cast<TrptView*>(static_cast<TrptComponent*>(page)->FindObject(QStringLiteral("Cell1")));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->URL(), QStringLiteral("changed by the click"));
    // Nothing while the engine runs or outside the pages.
    f.Engine->SetRunning(true);
    TCursor cursor = crDefault;
    f.Pages->ObjectOver(0, 140, 48, mbLeft, TShiftState(), 1, 0, 0, false, cursor, false);
    EXPECT_EQ(over, 1);
    f.Engine->SetRunning(false);
    f.Pages->ObjectOver(9, 140, 48, mbLeft, TShiftState(), 1, 0, 0, false, cursor, false);
    EXPECT_EQ(over, 1);
}

TEST(PreparedClicks, DrillDownHeaderTogglesItsState) {
    TPreparedFixture f;
    auto* group = new TrptGroupHeader(f.Page);
    group->SetName(QStringLiteral("GroupHeader1"));
    group->SetHeight(20);
    group->SetDrillDown(true);
    group->SetDrillName(QStringLiteral("g1"));
    auto* memo = new TrptMemoView(group);
    memo->SetName(QStringLiteral("GroupMemo"));
    memo->SetBounds(0, 0, 200, 20);
    f.Page->AlignChildren();
    f.Start();
    f.NewPage();
    f.Put(group, 0);
    f.Stop();
    TCursor cursor = crDefault;
    f.Pages->ObjectOver(0, 100, 48, mbLeft, TShiftState(), 1, 0, 0, true, cursor, false);
    EXPECT_EQ(cursor, crHandPoint);
    EXPECT_EQ(f.Report->DrillState()->IndexOf(QStringLiteral("g1")), 0);
    f.Pages->ObjectOver(0, 100, 48, mbLeft, TShiftState(), 1, 0, 0, true, cursor, false);
    EXPECT_EQ(f.Report->DrillState()->IndexOf(QStringLiteral("g1")), -1);
}

} // namespace
