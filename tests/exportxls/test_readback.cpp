// One fixture report through both writing paths of the spreadsheet export and the real server,
// read back by openpyxl: values, texts, merges, rounded row heights, widths, fonts, fills,
// frames, format codes, page breaks, margins and pictures at their cells; LibreOffice reads the
// same values.

#include "XlsTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/automation/SpreadsheetServer.h"
#include "platform/sys/Desktop.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPrintLoop.h"
#include "report/export/rptExportXLS.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

struct ReadBack : ::testing::TestWithParam<bool> {
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        SetClock([] { return EncodeDateTime(2026, 3, 4, 5, 6, 7, 0); });
        SetOpenUrlHandler([this](const QUrl& url) {
            Opened << url.toLocalFile();
            return true;
        });
    }
    void TearDown() override {
        SetOpenUrlHandler({});
        SetClock({});
    }
    QString Export(TrptReport& report, const QString& name, const std::function<void(TrptXLSExport&)>& setup = {}) {
        TrptXLSExport f(nullptr);
        f.SetShowDialog(false);
        f.SetShowProgress(false);
        f.SetFastExport(GetParam());
        f.SetFileName(Dir.filePath(name));
        if (setup) setup(f);
        EXPECT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f)) << report.Errors()->Text().toStdString();
        return f.FileName();
    }
    TFormatSettingsScope Locale{QStringLiteral("en_US")};
    QTemporaryDir Dir;
    QStringList Opened;
};

TEST_P(ReadBack, FixtureReport) {
    const bool fast = GetParam();
    auto report = MakeFixtureReport();
    ASSERT_TRUE(PrepareReportPages(report.get()));
    ASSERT_EQ(report->PreviewPages()->Count(), 2);
    const double topBefore = report->PreviewPages()->GetPage(0)->Top();
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's own copy"));

    const QString file = Export(*report, QStringLiteral("fixture report ü.xls"));
    EXPECT_TRUE(file.endsWith(QStringLiteral("/fixture report ü.xlsx")));
    EXPECT_TRUE(Opened.isEmpty());
    EXPECT_EQ(report->Errors()->Count(), 0) << report->Errors()->Text().toStdString();
    // The prepared page is where the preview had it, and the clipboard is the user's.
    EXPECT_EQ(report->PreviewPages()->GetPage(0)->Top(), topBefore);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own copy"));

    const QJsonObject wb = ReadWorkbook(file);
    const QJsonObject s = wb["sheets"].toArray()[0].toObject();
    // Texts and numbers.
    EXPECT_EQ(CellOf(s, "A1")["value"].toString(), "Item");
    EXPECT_EQ(CellOf(s, "A3")["value"].toString(), "merged across");
    EXPECT_EQ(CellOf(s, "A2")["value"].toString(), "=SUM(A1)");
    EXPECT_EQ(CellOf(s, "A2")["type"].toString(), "s");
    EXPECT_EQ(CellOf(s, "B2")["type"].toString(), "n");
    EXPECT_DOUBLE_EQ(CellOf(s, "B2")["value"].toDouble(), 12.5);
    if (fast) {
        EXPECT_EQ(CellOf(s, "B1")["type"].toString(), "n");
        EXPECT_DOUBLE_EQ(CellOf(s, "B1")["value"].toDouble(), 1234.5);
        EXPECT_EQ(CellOf(s, "B1")["number_format"].toString(), "#,##0.00");
        EXPECT_EQ(CellOf(s, "B2")["number_format"].toString(), "0.0");
    } else {
        // The cell-by-cell path hands texts over as they are: a grouped number stays text.
        EXPECT_EQ(CellOf(s, "B1")["value"].toString(), "1,234.50");
    }
    // Fonts, fills and frames.
    const QJsonObject a1 = CellOf(s, "A1");
    EXPECT_TRUE(a1["bold"].toBool());
    EXPECT_EQ(a1["font"].toString(), "Liberation Sans");
    EXPECT_DOUBLE_EQ(a1["size"].toDouble(), 12);
    EXPECT_EQ(a1["font_color"].toString(), "FF0000");
    EXPECT_EQ(a1["fill"].toString(), "FFFF00");
    for (const char* side : {"left", "top", "right", "bottom"}) EXPECT_EQ(a1["border"].toObject()[side].toString(), "thin") << side;
    EXPECT_FALSE(CellOf(s, "B1")["bold"].toBool());
    EXPECT_TRUE(CellOf(s, "B1")["border"].toObject()["left"].isNull());
    EXPECT_TRUE(CellOf(s, "B1")["fill"].isNull());
    EXPECT_EQ(CellOf(s, "A1")["valign"].toString(), "top");
    EXPECT_TRUE(CellOf(s, "A1")["wrap"].toBool());
    // Merges, heights and widths.
    // The fast path merges every spanned object, the picture over C1:C2 too; the other merges text.
    const QJsonArray merges = fast ? QJsonArray{QStringLiteral("A3:B3"), QStringLiteral("C1:C2")}
                                   : QJsonArray{QStringLiteral("A3:B3")};
    EXPECT_EQ(s["merges"].toArray(), merges);
    const QJsonObject heights = s["heights"].toObject();
    if (fast) {
        EXPECT_DOUBLE_EQ(heights["1"].toDouble(), 20.5);
        EXPECT_DOUBLE_EQ(heights["2"].toDouble(), 20.5);
    } else {
        EXPECT_NEAR(heights["1"].toDouble(), 20.4, 1e-6);
        EXPECT_NEAR(heights["2"].toDouble(), 20.6, 1e-6);
    }
    const QJsonObject widths = s["widths"].toObject();
    EXPECT_NEAR(widths["A"].toDouble(), 20.0, 0.75);
    EXPECT_NEAR(widths["B"].toDouble(), 15.0, 0.75);
    // The page break lies above the second page's first row; margins are 10 mm.
    EXPECT_EQ(s["row_breaks"].toArray(), QJsonArray{3});
    EXPECT_NEAR(s["margins"].toObject()["left"].toDouble(), 0.394, 0.001);
    EXPECT_NEAR(s["margins"].toObject()["bottom"].toDouble(), 0.394, 0.001);
    // The second page's text below the break.
    bool pageTwo = false;
    for (const QString& ref : s["cells"].toObject().keys())
        if (CellOf(s, ref.toLatin1().constData())["value"].toString() == "Page two") {
            pageTwo = true;
            EXPECT_GE(ref.mid(1).toInt(), 4) << ref.toStdString();
        }
    EXPECT_TRUE(pageTwo);
    // The picture stands at its cell, C1.
    ASSERT_EQ(wb["media"].toArray().size(), 1);
    const QJsonArray from = wb["anchors"].toArray()[0].toArray();
    EXPECT_EQ(from[0].toInt(), 2);
    EXPECT_EQ(from[2].toInt(), 0);

    // LibreOffice reads the same values.
    const QString csv = LibreOfficeCsv(file, Dir.path());
    const QStringList lines = csv.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3) << csv.toStdString();
    EXPECT_TRUE(lines[0].startsWith(fast ? QStringLiteral("Item,1234.5") : QStringLiteral("Item,\"1,234.50\"")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("=SUM(A1),12.5"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("merged across,"))) << lines[2].toStdString();
    EXPECT_TRUE(csv.contains(QStringLiteral("Page two")));
}

// Shown after the export: exactly the saved file, once; no copy in the server's own folder.
TEST_P(ReadBack, OpenAfterExportShowsTheSavedFileOnce) {
    QTemporaryDir books;
    SetSpreadsheetWorkbookFolder(books.path());
    auto report = MakeFixtureReport();
    ASSERT_TRUE(PrepareReportPages(report.get()));
    const QString file = Export(*report, QStringLiteral("shown.xlsx"), [](TrptXLSExport& f) { f.SetOpenExcelAfterExport(true); });
    EXPECT_EQ(Opened, QStringList{file});
    EXPECT_TRUE(QDir(books.path()).entryList(QDir::Files).isEmpty());
    SetSpreadsheetWorkbookFolder(QString());
}

INSTANTIATE_TEST_SUITE_P(Paths, ReadBack, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Fast" : "CellByCell"; });

} // namespace
