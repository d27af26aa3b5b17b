// The prepared-page dump: its lines, numbers to 0.01 with "." whatever the locale, quoted texts.

#include "PreparedFixture.h"

#include "report/core/rptPageDump.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

TEST(PageDump, Numbers) {
    EXPECT_EQ(DumpNumber(0), QStringLiteral("0.00"));
    EXPECT_EQ(DumpNumber(-0.001), QStringLiteral("0.00"));
    EXPECT_EQ(DumpNumber(793.7007), QStringLiteral("793.70"));
    EXPECT_EQ(DumpNumber(-12.345678), QStringLiteral("-12.35"));
    EXPECT_EQ(DumpNumber(1e6 / 3), QStringLiteral("333333.33"));
}

TEST(PageDump, LinesOfAPreparedReport) {
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.HeaderMemo->SetText(QStringLiteral("Line one\r\nsays \"hi\"\t\\"));
    f.Put(f.Header, 0);
    f.Cell2->SetVisible(false);
    f.Cell1->SetText(QStringLiteral("Ann"));
    f.Put(f.Data, 30.126);
    f.Stop();
    const QString dump = DumpPreparedPages(f.Pages);
    QLocale::setDefault(old);
    const QString expected = QStringLiteral(
        "page 1 of 1 Page1 794.00 x 1123.00\n"
        "  TrptPageHeader PageHeader1 0.00 0.00 718.11 30.00\n"
        "    TrptMemoView HeaderMemo 0.00 0.00 300.00 20.00 \"Line one\\r\\nsays \\\"hi\\\"\\t\\\\\"\n"
        "  TrptMasterData MasterData1 0.00 30.13 718.11 20.00\n"
        "    TrptMemoView Cell1 0.00 0.00 200.00 20.00 \"Ann\"\n");
    EXPECT_EQ(dump, expected) << dump.toStdString();
    EXPECT_EQ(DumpPreparedPages(nullptr), QStringLiteral("no pages\n"));
}

} // namespace
