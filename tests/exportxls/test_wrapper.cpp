// The automation wrapper's calls, recorded by a stand-in server: column names, ranges clipped to
// the sheet, sizes, joined range texts under 255 characters, row heights with one call for the
// common height, failures passed over and reported, and an export's calls from start to save.

#include "RecordingServer.h"

#include "platform/rtl/StringList.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/export/rptExportXLS.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

// The range texts of calls such as `...Range("A1,A2").Style = "S0"`, in order.
QStringList RangeTexts(const QStringList& calls, const QString& member) {
    QStringList out;
    static const QRegularExpression re(QStringLiteral("\\.Range\\(\"([^\"]*)\"\\)"));
    for (const QString& c : calls) {
        if (!c.contains(member)) continue;
        const auto m = re.match(c);
        if (m.hasMatch()) out << m.captured(1);
    }
    return out;
}

struct Wrapper : ::testing::Test {
    void SetUp() override {
        Excel.OpenExcel();
        Server.Log->Calls.clear();
    }
    TRecordingServerScope Server;
    TrptExcel Excel;
};

TEST(ExcelNames, ColumnsAndCellsUseTheSheetsOwnNames) {
    const struct {
        int Column;
        const char* Name;
    } cases[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"}, {254, "IT"}, {256, "IV"},
                 {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (const auto& c : cases) EXPECT_EQ(TrptExcel::ColumnName(c.Column), QLatin1String(c.Name)) << c.Column;
    EXPECT_EQ(TrptExcel::CellName(3, 7), "C7");
    EXPECT_EQ(TrptExcel::CellName(16384, 1048576), "XFD1048576");
}

TEST_F(Wrapper, OpeningStartsTheServerQuietlyWithOneWorkbook) {
    TRecordingServerScope server;
    TrptExcel excel;
    excel.OpenExcel();
    EXPECT_TRUE(excel.IsOpened());
    EXPECT_EQ(server.Log->Calls, (QStringList{"Excel.Application", "Excel.Application.ScreenUpdating = False",
                                              "Excel.Application.DisplayAlerts = False", "Excel.WorkBooks",
                                              "Excel.WorkBooks.Add", "Excel.WorkBooks.Add.WorkSheets(1)"}));
}

TEST_F(Wrapper, RangesAreClippedToTheSheet) {
    const struct {
        int x, y, dx, dy;
        const char* Want; // empty: nothing selected
    } cases[] = {
        {1, 1, 1, 1, "\"A1\",\"A1\""},
        {250, 3, 10, 2, "\"IP3\",\"IY4\""},          // past the old 254-column limit
        {16380, 1, 10, 1, "\"XEZ1\",\"XFD1\""},      // cut at the sheet's last column
        {16385, 1, 1, 1, ""},                        // beyond the sheet
        {1, 1048570, 1, 20, "\"A1048570\",\"A1048576\""},
        {2, 2, 0, 5, ""},
        {2, 2, 5, 0, ""},
    };
    for (const auto& c : cases) {
        Server.Log->Calls.clear();
        Excel.SetRange(c.x, c.y, c.dx, c.dy);
        const QStringList ranges = Server.Log->With(QStringLiteral(".Range("));
        if (*c.Want == 0) {
            EXPECT_TRUE(ranges.isEmpty()) << c.x << " " << ranges.join(' ').toStdString();
        } else {
            ASSERT_EQ(ranges.size(), 1) << c.x;
            EXPECT_TRUE(ranges[0].endsWith(QStringLiteral(".Range(%1)").arg(QLatin1String(c.Want)))) << ranges[0].toStdString();
        }
    }
}

TEST_F(Wrapper, ColumnWidthsAndRowHeightsOnlyWithinLimits) {
    Excel.SetColSize(3, 12.5);
    Excel.SetColSize(3, 0);
    Excel.SetColSize(3, 256);
    Excel.SetColSize(16385, 10);
    Excel.SetColSize(16384, 10); // the last column is on the sheet
    Excel.SetRowSize(2, 500);
    Excel.SetRowSize(3, 0);
    EXPECT_EQ(Server.Log->With(QStringLiteral(" = ")),
              (QStringList{"Excel.WorkBooks.Add.WorkSheets(1).Columns.Columns(3).ColumnWidth = 12.5",
                           "Excel.WorkBooks.Add.WorkSheets(1).Columns.Columns(16384).ColumnWidth = 10",
                           "Excel.WorkBooks.Add.WorkSheets(1).Rows.Rows(2).RowHeight = 409"}));
}

TEST_F(Wrapper, FourRowsOfFifteenFifteenTwentyFifteenTakeTwoCalls) {
    // The export's list: runs of equal height, sorted by height index.
    const std::vector<TrptExcelRange> list = {{"A1:A2", 0}, {"A4:A4", 0}, {"A3", 1}};
    Excel.ApplyRowHeights(list, {15, 20}, nullptr, 4, 0);
    EXPECT_EQ(Server.Log->With(QStringLiteral("RowHeight")),
              (QStringList{"Excel.WorkBooks.Add.WorkSheets(1).Range(\"A1:A4\").RowHeight = 15",
                           "Excel.WorkBooks.Add.WorkSheets(1).Range(\"A3\").Rows.RowHeight = 20"}));
}

TEST_F(Wrapper, JoinedRangeTextsStayWithin255Characters) {
    // 120 one-cell ranges of one style, then two of another: joined with ",", split before 255.
    std::vector<TrptExcelRange> list;
    QStringList all;
    for (int i = 1; i <= 120; ++i) {
        list.push_back({TrptExcel::CellName(1 + i % 7, i), 3});
        all << list.back().Range;
    }
    list.push_back({"B1:C2", 4});
    list.push_back({"D5", 4});
    Excel.ApplyRangeGroups(list, 0, nullptr);
    const QStringList texts = RangeTexts(Server.Log->Calls, QStringLiteral(".Style = "));
    ASSERT_GE(texts.size(), 3);
    for (const QString& t : texts) EXPECT_LE(t.size(), 255) << t.toStdString();
    EXPECT_EQ(texts.last(), "B1:C2,D5");
    EXPECT_EQ(texts.mid(0, texts.size() - 1).join(','), all.join(','));
    // A text is only cut when the next item would not fit.
    for (int i = 0; i + 2 < texts.size(); ++i) EXPECT_GT(texts[i].size() + 1 + 5, 255 - 1) << i;
    EXPECT_EQ(Server.Log->With(QStringLiteral(".Style = \"S3\"")).size(), texts.size() - 1);
    EXPECT_EQ(Server.Log->With(QStringLiteral(".Style = \"S4\"")).size(), 1);
}

TEST_F(Wrapper, FramesMergesAndNumberFormatsByGroup) {
    Excel.ApplyRangeGroups({{"A1", 1 | 8}, {"B2", 1 | 8}}, 1, nullptr);
    EXPECT_EQ(Server.Log->With(QStringLiteral("LineStyle")),
              (QStringList{"Excel.WorkBooks.Add.WorkSheets(1).Range(\"A1,B2\").Cells.Borders.Item(7).LineStyle = 1",
                           "Excel.WorkBooks.Add.WorkSheets(1).Range(\"A1,B2\").Cells.Borders.Item(9).LineStyle = 1"}));
    Excel.ApplyRangeGroups({{"A1:B2", 0}, {"C3:C4", 0}}, 2, nullptr);
    EXPECT_EQ(RangeTexts(Server.Log->Calls, QStringLiteral("MergeCells")), (QStringList{"A1:B2,C3:C4"}));
    Excel.ApplyNumberFormats({{"#,##0.00", "A1"}, {"#,##0.00", "A2"}, {"0.0", "B1"}, {"#,##0.00", "A3"}}, nullptr);
    EXPECT_EQ(Server.Log->With(QStringLiteral("NumberFormat")),
              (QStringList{"Excel.WorkBooks.Add.WorkSheets(1).Range(\"A1,A2\").NumberFormat = \"#,##0.00\"",
                           "Excel.WorkBooks.Add.WorkSheets(1).Range(\"B1\").NumberFormat = \"0.0\"",
                           "Excel.WorkBooks.Add.WorkSheets(1).Range(\"A3\").NumberFormat = \"#,##0.00\""}));
}

TEST_F(Wrapper, FailuresOfPassingOperationsReachTheHandlerOthersRaise) {
    QStringList passed;
    Excel.OnIgnoredError = [&](const QString& m) { passed << m; };
    Server.Log->Failing = {QStringLiteral("STYLE"), QStringLiteral("MERGECELLS"), QStringLiteral("LEFTMARGIN")};
    Excel.ApplyStyleToRanges("A1", 0);
    Excel.SetPageMargin(28.35, 28.35, 28.35, 28.35, poLandscape);
    EXPECT_EQ(passed.size(), 2);
    EXPECT_TRUE(Server.Log->With(QStringLiteral("RightMargin")).isEmpty()); // the rest is skipped
    Excel.SetRange(1, 1, 2, 2);
    EXPECT_THROW(Excel.MergeCells(), EOleError);
}

TEST_F(Wrapper, PageMarginsAndOrientation) {
    Excel.SetPageMargin(1, 2, 3, 4, poLandscape);
    EXPECT_EQ(Server.Log->With(QStringLiteral(" = ")),
              (QStringList{"Excel.ActiveSheet.PageSetup.LeftMargin = 1", "Excel.ActiveSheet.PageSetup.RightMargin = 2",
                           "Excel.ActiveSheet.PageSetup.TopMargin = 3", "Excel.ActiveSheet.PageSetup.BottomMargin = 4",
                           "Excel.WorkBooks.Add.WorkSheets(1).PageSetup.Orientation = 2"}));
}

// A whole fast export against the recorder: four stacked texts of 15, 15, 20 and 15 points give
// one row call for the common height and one for the 20-point row; the workbook is saved and the
// server quit.
TEST(WrapperExport, RowHeightsOfAnExportAndTheEnd) {
    TRecordingServerScope server;
    TrptXLSExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(QStringLiteral("/tmp/never-written/rows.xls"));
    ASSERT_TRUE(f.Start());
    EXPECT_EQ(f.FileName(), "/tmp/never-written/rows.xlsx");
    std::vector<std::unique_ptr<TrptMemoView>> memos;
    double top = 0;
    f.StartPage(nullptr, 0);
    for (double points : {15.0, 15.0, 20.0, 15.0}) {
        auto m = std::make_unique<TrptMemoView>(nullptr);
        m->SetBounds(0, top, 80, points * 1.315);
        m->SetText(QStringLiteral("row"));
        top += points * 1.315;
        f.ExportObject(m.get());
        memos.push_back(std::move(m));
    }
    f.FinishPage(nullptr, 0);
    f.Finish();
    const QStringList rows = server.Log->With(QStringLiteral("RowHeight"));
    EXPECT_EQ(rows, (QStringList{"Excel.WorkBooks.Add.WorkSheets(1).Range(\"A1:A4\").RowHeight = 15",
                                 "Excel.WorkBooks.Add.WorkSheets(1).Range(\"A3\").Rows.RowHeight = 20"}));
    const QStringList saves = server.Log->With(QStringLiteral("SaveAs"));
    ASSERT_EQ(saves.size(), 1);
    EXPECT_TRUE(saves[0].contains(QStringLiteral("SaveAs(\"/tmp/never-written/rows.xlsx\",-4143,,,,,1")))
        << saves[0].toStdString();
    EXPECT_EQ(server.Log->Calls.last(), "Excel.Quit");
    // Nothing went through the clipboard and nothing was shown.
    EXPECT_TRUE(server.Log->With(QStringLiteral("Paste")).isEmpty());
    EXPECT_TRUE(server.Log->With(QStringLiteral("Visible")).isEmpty());
}

// Runs a small fast export against the recorder with the report given; Finish's exception, if any,
// propagates.
void ExportThreeTexts(TrptXLSExport& f) {
    f.SetShowProgress(false);
    f.SetFileName(QStringLiteral("/tmp/never-written/three.xlsx"));
    ASSERT_TRUE(f.Start());
    f.StartPage(nullptr, 0);
    std::vector<std::unique_ptr<TrptMemoView>> memos;
    for (int i = 0; i < 3; ++i) {
        auto m = std::make_unique<TrptMemoView>(nullptr);
        m->SetBounds(0, 20.0 * i, 80, 20);
        m->SetText(QStringLiteral("t"));
        // Three styles, so three separate style calls.
        m->Font()->SetSize(8 + i);
        f.ExportObject(m.get());
        memos.push_back(std::move(m));
    }
    f.FinishPage(nullptr, 0);
    f.Finish();
}

// Failures the operations pass over reach the report's error list once, with their count.
TEST(WrapperExport, PassedOverFailuresAreListedOnce) {
    TRecordingServerScope server;
    server.Log->Failing = {QStringLiteral("STYLE")};
    TrptReport report;
    report.EngineOptions()->SetSilentMode(true);
    TrptXLSExport f(nullptr);
    f.SetReport(&report);
    f.SetOpenExcelAfterExport(true);
    ExportThreeTexts(f);
    ASSERT_EQ(report.Errors()->Count(), 2) << report.Errors()->Text().toStdString();
    EXPECT_TRUE(report.Errors()->Strings(0).contains(QStringLiteral("Style refused")));
    EXPECT_TRUE(report.Errors()->Strings(0).contains(QStringLiteral("/tmp/never-written/three.xlsx")));
    EXPECT_EQ(report.Errors()->Strings(1), "(2 more failures like it were passed over)");
    EXPECT_EQ(server.Log->With(QStringLiteral("SaveAs")).size(), 1);
    // After a reported problem the workbook is saved but not shown.
    EXPECT_TRUE(server.Log->With(QStringLiteral("Visible")).isEmpty());
}

// Texts over two columns, the first spanning both: one merge.
void ExportSpanned(TrptXLSExport& f) {
    f.SetShowProgress(false);
    f.SetFileName(QStringLiteral("/tmp/never-written/fail.xlsx"));
    ASSERT_TRUE(f.Start());
    f.StartPage(nullptr, 0);
    TrptMemoView wide(nullptr), a(nullptr), b(nullptr);
    wide.SetBounds(0, 0, 160, 20);
    wide.SetText(QStringLiteral("wide"));
    a.SetBounds(0, 20, 80, 20);
    b.SetBounds(80, 20, 80, 20);
    f.ExportObject(&wide);
    f.ExportObject(&a);
    f.ExportObject(&b);
    f.FinishPage(nullptr, 0);
    f.Finish();
}

// A failure the export cannot pass over frees the server's workbook, saves and shows nothing.
TEST(WrapperExport, AFailureFreesTheWorkbook) {
    const char* members[] = {"ADD", "MERGECELLS", "VALUE", "SAVEAS"};
    for (const char* member : members) {
        SCOPED_TRACE(member);
        TRecordingServerScope server;
        server.Log->Failing = {QString::fromLatin1(member)};
        TrptXLSExport f(nullptr);
        f.SetOpenExcelAfterExport(true);
        f.SetFastExport(false); // merging raises on this path
        if (QLatin1String(member) == QLatin1String("ADD")) {
            // Styles.Add fails; WorkBooks.Add too, so the server never opens: nothing to free.
            EXPECT_THROW(ExportThreeTexts(f), Exception);
            continue;
        }
        EXPECT_THROW(ExportSpanned(f), Exception);
        const QStringList& calls = server.Log->Calls;
        EXPECT_TRUE(calls.contains(QStringLiteral("Excel.WorkBooks.Add.Close(False)"))) << calls.join('\n').toStdString();
        EXPECT_EQ(calls.last(), "Excel.Quit");
        EXPECT_TRUE(server.Log->With(QStringLiteral("Visible")).isEmpty());
    }
}

} // namespace
