// The export's conversions: format codes, numbers read from formatted texts, cleaned texts,
// rounding of row heights and the alignment constants; and a German-formatted number through a
// whole export.

#include "XlsTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "report/core/rptClassMemo.h"
#include "report/export/rptExportXLS.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(XlsValues, FormatCodes) {
    const struct {
        const char* Format;
        const char* Thousand;
        const char* Code;
    } cases[] = {
        {"%2.2n", ",", "#,##0.00"},
        {"%2.2n", ".", "#,##0.00"},  // codes are written in the file's own notation
        {"%2.2m", " ", "#,##0.00"},
        {"%2.0n", ",", "#,##0"},
        {"%n", "", "0"},
        {"%2.3f", ",", "0.000"},
        {"%g", ",", ""},
        {"%d", ",", "0"},
        {"%.3d", ",", "000"},
        {"#,##0.0", ",", "#,##0.0"},  // a picture is a code already
        {"0.00%", ",", "0.00%"},
        {"", ",", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrptXLSExport::ExcelNumberFormat(QLatin1String(c.Format), QLatin1String(c.Thousand)), QLatin1String(c.Code))
            << c.Format;
}

TEST(XlsValues, NumbersFromTexts) {
    TFormatSettingsScope locale(QStringLiteral("en_US"));
    const struct {
        const char* Text;
        double Value; // NAN: no number
    } cases[] = {
        {"1234.50", 1234.5}, {"-12.5", -12.5}, {"12.", 12}, {".5", 0.5}, {"1e5", 100000}, {"(7.25)", -7.25},
        {"7.25-", -7.25},    {"$1234.50", 1234.5}, {"12.5%", 0.125}, {" 3 ", 3},
        {"12.34.56", NAN},   {"abc", NAN}, {"1-2", NAN}, {"", NAN}, {"1e", NAN}, {"--1", NAN},
    };
    for (const auto& c : cases) {
        const auto v = TrptXLSExport::TextToNumber(QString::fromUtf8(c.Text));
        if (std::isnan(c.Value)) EXPECT_FALSE(v.has_value()) << c.Text;
        else {
            ASSERT_TRUE(v.has_value()) << c.Text;
            EXPECT_DOUBLE_EQ(*v, c.Value) << c.Text;
        }
    }
}

TEST(XlsValues, CleanTextRoundingAndAlignment) {
    EXPECT_EQ(TrptXLSExport::CleanCellText(QStringLiteral("a\r\nb\r\n\r\n")), "a\nb");
    EXPECT_EQ(TrptXLSExport::CleanCellText(QStringLiteral("\r\n x")), "\n x");
    EXPECT_DOUBLE_EQ(TrptXLSExport::RoundToStep(0.25, 20.4), 20.5);
    EXPECT_DOUBLE_EQ(TrptXLSExport::RoundToStep(0.25, 20.6), 20.5);
    EXPECT_DOUBLE_EQ(TrptXLSExport::RoundToStep(0.25, 20.62), 20.5);
    EXPECT_DOUBLE_EQ(TrptXLSExport::RoundToStep(0.25, 20.63), 20.75);
    const struct {
        TrptHAlign H;
        TrptVAlign V;
        int WantH, WantV;
    } cases[] = {{haLeft, vaTop, -4131, -4160}, {haRight, vaBottom, -4152, -4107}, {haCenter, vaCenter, -4108, -4108},
                 {haBlock, vaTop, -4130, -4160}};
    for (const auto& c : cases) {
        int h = 0, v = 0;
        TrptXLSExport::ExcelAlignment(c.H, c.V, h, v);
        EXPECT_EQ(h, c.WantH);
        EXPECT_EQ(v, c.WantV);
    }
}

// Under a German locale "1.234,50" is a number with a German format; a number text the export
// cannot read stays text; "=" and "'" texts stay text.
TEST(XlsValues, GermanNumbersAndTextsThatLookLikeFormulas) {
    TFormatSettingsScope locale(QStringLiteral("de_DE"));
    QTemporaryDir dir;
    TrptXLSExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(dir.filePath(QStringLiteral("de.xlsx")));
    ASSERT_TRUE(f.Start());
    std::vector<std::unique_ptr<TrptMemoView>> memos;
    auto memo = [&](double top, const QString& text, TrptFormatKind kind, const QString& format) {
        auto m = std::make_unique<TrptMemoView>(nullptr);
        m->SetBounds(0, top, 100, 20);
        m->SetText(text);
        m->DisplayFormat()->SetKind(kind);
        m->DisplayFormat()->SetFormatStr(format);
        f.ExportObject(m.get());
        memos.push_back(std::move(m));
    };
    f.StartPage(nullptr, 0);
    memo(0, QStringLiteral("1.234,50"), fkNumeric, QStringLiteral("%2.2n"));
    memo(20, QStringLiteral("-1,5"), fkNumeric, QStringLiteral("%2.1f"));
    memo(40, QStringLiteral("n/a"), fkNumeric, QStringLiteral("%2.2n"));
    memo(60, QStringLiteral("=1+1"), fkBoolean, QString());
    memo(80, QStringLiteral("'quoted"), fkDateTime, QString());
    memo(100, QStringLiteral("12,5"), fkText, QString());
    f.FinishPage(nullptr, 0);
    f.Finish();
    const QJsonObject s = ReadWorkbook(dir.filePath(QStringLiteral("de.xlsx")))["sheets"].toArray()[0].toObject();
    EXPECT_DOUBLE_EQ(CellOf(s, "A1")["value"].toDouble(), 1234.5);
    EXPECT_EQ(CellOf(s, "A1")["number_format"].toString(), "#,##0.00");
    EXPECT_DOUBLE_EQ(CellOf(s, "A2")["value"].toDouble(), -1.5);
    EXPECT_EQ(CellOf(s, "A2")["number_format"].toString(), "0.0");
    EXPECT_EQ(CellOf(s, "A3")["value"].toString(), "n/a");
    EXPECT_EQ(CellOf(s, "A4")["value"].toString(), "=1+1");
    EXPECT_EQ(CellOf(s, "A4")["type"].toString(), "s");
    EXPECT_EQ(CellOf(s, "A5")["value"].toString(), "'quoted");
    EXPECT_EQ(CellOf(s, "A6")["value"].toString(), "12,5");
    EXPECT_EQ(CellOf(s, "A6")["type"].toString(), "s");
}

} // namespace
