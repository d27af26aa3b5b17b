// Page layout of a workspace without a window: rows, centring, the page at a point, the blank
// sheet shown before any page exists, and the scroll extent.

#include "report/core/rptPreviewWorkspace.h"

#include <gtest/gtest.h>

namespace {

void A4Pages(TrptPageList& list, int count, double zoom = 1.0) {
    for (int i = 0; i < count; ++i)
        list.AddPage(794, 1123, zoom);
}

} // namespace

TEST(PageLayout, RowsAreCentredWithTenPixelGaps) {
    struct Case {
        int ClientWidth;
        std::vector<std::pair<int, int>> Expected; // left, top per page
        int MaxWidth;
    };
    const Case cases[] = {
        {1700, {{61, 10}, {865, 10}, {463, 1143}}, 1608},
        {700, {{10, 10}, {10, 1143}, {10, 2276}}, 804},
        // Exactly two pages plus the gap between them fit: x + width == ClientWidth is allowed.
        {1598, {{10, 10}, {814, 10}, {412, 1143}}, 1608},
    };
    for (const Case& c : cases) {
        TrptPageList list;
        A4Pages(list, 3);
        list.CalcBounds(c.ClientWidth);
        ASSERT_EQ(list.Count(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(list.Items(i).OffsetX, c.Expected[i].first)
                << "width " << c.ClientWidth << " page " << i;
            EXPECT_EQ(list.Items(i).OffsetY, c.Expected[i].second)
                << "width " << c.ClientWidth << " page " << i;
        }
        EXPECT_EQ(list.MaxWidth(), c.MaxWidth) << "width " << c.ClientWidth;
    }
}

TEST(PageLayout, PageWiderThanTheClientHasARowOfItsOwnAtTen) {
    TrptPageList list;
    list.AddPage(300, 200, 1);
    list.AddPage(2000, 500, 1);
    list.AddPage(300, 200, 1);
    list.CalcBounds(800);
    EXPECT_EQ(list.Items(0).OffsetX, (800 - 310 + 10) / 2 + 10);
    EXPECT_EQ(list.Items(1).OffsetX, 10);
    EXPECT_EQ(list.Items(1).OffsetY, 220);
    EXPECT_EQ(list.Items(2).OffsetY, 730);
    // The horizontal extent covers the wide page and its gap.
    EXPECT_EQ(list.GetMaxBounds(), TPoint(2010, 930));
}

TEST(PageLayout, ZoomedSizesRoundHalvesToEven) {
    TrptPageList list;
    list.AddPage(5, 3, 0.5);      // 2.5 -> 2, 1.5 -> 2
    list.AddPage(794, 1123, 0.1); // 79.4 -> 79, 112.3 -> 112
    EXPECT_EQ(list.Items(0).Width, 2);
    EXPECT_EQ(list.Items(0).Height, 2);
    EXPECT_EQ(list.Items(1).Width, 79);
    EXPECT_EQ(list.Items(1).Height, 112);
}

TEST(PageLayout, FindPageCountsAPageFromAFifthOfItsHeight) {
    TrptPageList list;
    A4Pages(list, 4);
    list.CalcBounds(700);  // tops 10, 1143, 2276, 3409
    const int fifth = 225; // round(1123 / 5)
    struct Case {
        int Y, X, Expected;
    };
    const Case cases[] = {
        {0, 0, 0},
        {1143 - fifth - 1, 0, 0},
        {1143 - fifth, 0, 1},
        {1143, 0, 1},
        {-300, 0, -1},
        {100000, 0, 3},
        // With an x the point must lie on a page; between pages the search result stands.
        {1143 + 5, 20, 1},
        {1143 - 5, 20, 0},
        {1143 - 5, 5, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(list.FindPage(c.Y, c.X), c.Expected) << c.Y << "," << c.X;
}

TEST(PageLayout, FindPageInARowHitsThePageUnderThePoint) {
    TrptPageList list;
    A4Pages(list, 3);
    list.CalcBounds(1700);
    EXPECT_EQ(list.FindPage(10, 0), 1); // a row counts as its last page for scrolling
    EXPECT_EQ(list.FindPage(500, 100), 0);
    EXPECT_EQ(list.FindPage(500, 900), 1);
    EXPECT_EQ(list.FindPage(1200, 500), 2);
    EXPECT_EQ(TrptPageList().FindPage(10, 0), -1);
}

TEST(PageLayout, PageBoundsMirrorAndBlankSheet) {
    TrptPageList list;
    A4Pages(list, 1);
    list.CalcBounds(1000);
    const TRect r = list.GetPageBounds(0, 1000, false, 1);
    EXPECT_EQ(r, TRect(113, 10, 907, 1133));
    const TRect m = list.GetPageBounds(0, 1200, true, 1);
    EXPECT_EQ(m.Left, 1200 - 794 - 113);
    EXPECT_EQ(m.Width(), 794);
    // Outside the list: a blank A4 at the scale, centred when it fits, else at 10.
    EXPECT_EQ(list.GetPageBounds(5, 1000, false, 1), TRect(103, 10, 897, 1133));
    EXPECT_EQ(list.GetPageBounds(-1, 500, false, 1), TRect(10, 10, 804, 1133));
    EXPECT_EQ(list.GetPageBounds(-1, 500, false, 0.5), TRect(52, 5, 449, 566));
}
