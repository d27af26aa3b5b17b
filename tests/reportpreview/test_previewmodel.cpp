// The preview's rules without a window: zoom limits, wheel steps and the zoom-mode formulas, the
// zoom box's reading of typed text, page clamping, the refresh interval while preparing, the
// page status text, command enabling by state and tool-bar visibility by preview buttons.

#include "report/core/rptPreviewModel.h"

#include "report/core/rptRes.h"

#include "platform/rtl/Exceptions.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

struct ZoomCase {
    double In, Out;
};

} // namespace

TEST(PreviewModel, ZoomWriterClampsBelowAndAbove) {
    const ZoomCase cases[] = {{0.1, 0.25}, {0.25, 0.25}, {5, 5}, {1000, rptMaxZoom}, {-3, 0.25},
                              {std::numeric_limits<double>::quiet_NaN(), 0.25}};
    for (const ZoomCase& c : cases) EXPECT_DOUBLE_EQ(rptClampZoom(c.In), c.Out) << c.In;
}

TEST(PreviewModel, WheelZoomStepsByATenthNeverBelowThirtyPercent) {
    EXPECT_NEAR(rptWheelZoom(0.35, -120), 0.3, 1e-9);
    EXPECT_NEAR(rptWheelZoom(0.3, -120), 0.3, 1e-9);
    EXPECT_NEAR(rptWheelZoom(1.0, 120), 1.1, 1e-9);
    EXPECT_NEAR(rptWheelZoom(1.0, -1), 0.9, 1e-9);
    EXPECT_DOUBLE_EQ(rptWheelZoom(0.77, 0), 0.77);
}

TEST(PreviewModel, PageWidthAndWholePageFormulas) {
    EXPECT_DOUBLE_EQ(rptPageWidthZoom(820, 17, 794), (820.0 - 17 - 26) / 794);
    // A tall page in a wide control: by height.
    EXPECT_DOUBLE_EQ(rptWholePageZoom(1000, 600, 900, 600, 17, 794, 1123), (600.0 - 26) / 1123);
    // A landscape page in a tall control: by width.
    EXPECT_DOUBLE_EQ(rptWholePageZoom(600, 1000, 600, 1000, 17, 1123, 794), (600.0 - 17 - 26) / 1123);
    // A page of no size leaves zoom 1.
    EXPECT_DOUBLE_EQ(rptPageWidthZoom(820, 17, 0), 1.0);
}

TEST(PreviewModel, PageNumbersAreClamped) {
    EXPECT_EQ(rptClampPageNo(0, 5), 1);
    EXPECT_EQ(rptClampPageNo(9, 5), 5);
    EXPECT_EQ(rptClampPageNo(3, 5), 3);
    EXPECT_EQ(rptClampPageNo(0, 0), 0); // no pages: 0
}

TEST(PreviewModel, RefreshIntervalFollowsTheFirstPage) {
    EXPECT_EQ(rptRefreshInterval(0), 50);
    EXPECT_EQ(rptRefreshInterval(4), 50);
    EXPECT_EQ(rptRefreshInterval(5), 20);
    EXPECT_EQ(rptRefreshInterval(9), 20);
    EXPECT_EQ(rptRefreshInterval(10), 5);
    EXPECT_EQ(rptRefreshInterval(400), 5);
}

TEST(PreviewModel, ZoomBoxItemsAndText) {
    const QStringList items = rptZoomBoxItems();
    ASSERT_EQ(items.size(), 8);
    EXPECT_EQ(items[0], QStringLiteral("25%"));
    EXPECT_EQ(items[5], QStringLiteral("200%"));
    EXPECT_EQ(items[rptZoomItemPageWidth], QStringLiteral("Page width"));
    EXPECT_EQ(items[rptZoomItemWholePage], QStringLiteral("Whole page"));
    EXPECT_EQ(rptZoomText(1.5), QStringLiteral("150%"));
    EXPECT_EQ(rptZoomText(0.254), QStringLiteral("25%"));
    EXPECT_EQ(rptZoomText((820.0 - 17 - 26) / 794), QStringLiteral("98%"));
}

TEST(PreviewModel, ZoomBoxReadsItemsAndTypedText) {
    EXPECT_EQ(rptParseZoomBox(rptZoomItemPageWidth, QStringLiteral("Page width")).Mode, zmPageWidth);
    EXPECT_EQ(rptParseZoomBox(rptZoomItemWholePage, QString()).Mode, zmWholePage);
    struct Typed {
        const char* Text;
        double Zoom;
        double Applied; // after the writer's limits
    };
    const Typed typed[] = {{"150 %", 1.5, 1.5}, {"75%", 0.75, 0.75}, {" 2 0 0 ", 2.0, 2.0},
                           {"0 %", 0.0, 0.25},  {"100000 %", 1000, rptMaxZoom}, {"12,5", 0.125, 0.25}};
    for (const Typed& t : typed) {
        const TrptZoomRequest r = rptParseZoomBox(-1, QString::fromLatin1(t.Text));
        ASSERT_TRUE(r.Valid) << t.Text;
        EXPECT_EQ(r.Mode, zmDefault);
        EXPECT_NEAR(r.Zoom, t.Zoom, 1e-9) << t.Text;
        EXPECT_NEAR(rptClampZoom(r.Zoom), t.Applied, 1e-9) << t.Text;
    }
    EXPECT_FALSE(rptParseZoomBox(-1, QStringLiteral(" % ")).Valid);
    EXPECT_THROW(rptParseZoomBox(-1, QStringLiteral("abc")), EConvertError);
    EXPECT_THROW(rptParseZoomBox(-1, QStringLiteral("1%5%")), EConvertError);
}

TEST(PreviewModel, PageStatusText) {
    EXPECT_EQ(rptPageStatusText(false, false, 3, 10), QStringLiteral("Page 3 of 10"));
    // The second pass of a two-pass run and a plain run read the same.
    EXPECT_EQ(rptPageStatusText(true, false, 1, 4), QStringLiteral("Page 1 of 4"));
    // Two blanks before the number: the text's own and the one added.
    EXPECT_EQ(rptPageStatusText(true, true, 1, 7), QStringLiteral("First pass: page  7"));
}

TEST(PreviewModel, CommandsByState) {
    struct Case {
        const char* Name;
        TrptPreviewState State;
        bool Ready, Edit, Drill, CanClose;
    };
    const Case cases[] = {
        {"preparing", {true, 12, true, true}, false, false, false, false},
        {"no pages", {false, 0, true, false}, false, true, false, true},
        {"pages", {false, 3, true, false}, true, true, false, true},
        {"edit not allowed", {false, 3, false, false}, true, false, false, true},
        {"drill-down", {false, 3, true, true}, true, true, true, true},
    };
    for (const Case& c : cases) {
        const TrptPreviewCommands r = rptPreviewCommands(c.State);
        for (bool b : {r.Print, r.Open, r.Save, r.Export, r.Pdf, r.Email, r.Find, r.PageSettings})
            EXPECT_EQ(b, c.Ready) << c.Name;
        EXPECT_EQ(r.Edit, c.Edit) << c.Name;
        EXPECT_EQ(r.DrillItems, c.Drill) << c.Name;
        EXPECT_EQ(r.CanClose, c.CanClose) << c.Name;
    }
}

TEST(PreviewModel, ToolBarFollowsThePreviewButtons) {
    TrptPreviewButtons printZoom;
    printZoom.Include(pbPrint);
    printZoom.Include(pbZoom);
    TrptPreviewToolVisibility v = rptPreviewToolVisibility(printZoom, true, true, false);
    EXPECT_TRUE(v.Print && v.ZoomButtons && v.ZoomBox && v.FullScreen && v.Sep1 && v.Close);
    EXPECT_FALSE(v.Open || v.Save || v.Export || v.Find || v.Outline || v.Thumbnails || v.PageSettings ||
                 v.Designer || v.Navigator || v.Pdf || v.Email);
    EXPECT_FALSE(v.Sep2);
    EXPECT_FALSE(v.Sep5);

    TrptPreviewButtons all = DefaultPreviewButtons();
    all.Include(pbExportQuick);
    v = rptPreviewToolVisibility(all, false, false, false);
    EXPECT_FALSE(v.Export); // no filter registered
    v = rptPreviewToolVisibility(all, true, true, true);
    EXPECT_TRUE(v.Export && v.Pdf && v.Email);
    all.Include(pbNoEmail);
    all.Include(pbNoFullScreen);
    all.Include(pbNoClose);
    v = rptPreviewToolVisibility(all, true, true, true);
    EXPECT_FALSE(v.Email);
    EXPECT_FALSE(v.FullScreen);
    EXPECT_FALSE(v.Close);
    EXPECT_TRUE(v.ZoomButtons);
}
