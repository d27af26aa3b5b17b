// Input the export must survive: an unwritable target, a picture that cannot be drawn, no pages,
// a 10 MB text, 2,000 columns, NUL and lone surrogates, names with spaces and non-ASCII letters.
// Failures come as a message through the report's SilentMode, the server's workbook is freed and
// nothing is opened.

#include "XlsTestSupport.h"

#include "platform/automation/SpreadsheetServer.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/StringList.h"
#include "platform/sys/Desktop.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPrintLoop.h"
#include "report/export/rptExportXLS.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class TBrokenView : public TrptView {
public:
    explicit TBrokenView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
    void Draw(TCanvas*, double, double, double, double) override {
        throw EInvalidGraphic(QStringLiteral("JPEG error: not a JPEG file"));
    }
};

struct BadInput : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        SetSpreadsheetWorkbookFolder(Dir.filePath(QStringLiteral("books")));
        SetOpenUrlHandler([this](const QUrl& url) {
            Opened << url.toLocalFile();
            return true;
        });
    }
    void TearDown() override {
        SetOpenUrlHandler({});
        SetSpreadsheetWorkbookFolder(QString());
        // No workbook was written anywhere but where it was asked for.
        EXPECT_FALSE(QDir(Dir.filePath(QStringLiteral("books"))).exists());
    }
    // A one-page report with the given texts in a column of one band.
    std::unique_ptr<TrptReport> Report(const QStringList& texts) {
        auto r = std::make_unique<TrptReport>();
        r->EngineOptions()->SetSilentMode(true);
        auto* page = new TrptReportPage(r.get());
        auto* band = new TrptReportTitle(page);
        band->SetHeight(40 + 22.0 * texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            auto* m = new TrptMemoView(band);
            m->SetBounds(0, 22.0 * i, 200, 20);
            m->SetText(texts[i]);
        }
        EXPECT_TRUE(PrepareReportPages(r.get()));
        return r;
    }
    bool Run(TrptReport& report, const QString& file, const std::function<void(TrptXLSExport&)>& setup = {}) {
        TrptXLSExport f(nullptr);
        f.SetShowDialog(false);
        f.SetShowProgress(false);
        f.SetOpenExcelAfterExport(true);
        f.SetFileName(file);
        if (setup) setup(f);
        return ExportPreparedPages(&report, report.PreviewPages(), &f);
    }
    QTemporaryDir Dir;
    QStringList Opened;
};

TEST_F(BadInput, UnwritableTargetIsAFailureWithItsName) {
    QFile blocker(Dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto report = Report({QStringLiteral("text")});
    const QString file = Dir.filePath(QStringLiteral("blocker/out.xlsx"));
    EXPECT_FALSE(Run(*report, file));
    ASSERT_EQ(report->Errors()->Count(), 1);
    EXPECT_TRUE(report->Errors()->Strings(0).contains(file)) << report->Errors()->Text().toStdString();
    EXPECT_TRUE(Opened.isEmpty());
}

// The objects are handed over directly: a view class of the test's own does not pass through
// prepared pages.
TEST_F(BadInput, APictureThatCannotBeDrawnIsLeftOutAndReported) {
    TrptReport report;
    report.EngineOptions()->SetSilentMode(true);
    const QString file = Dir.filePath(QStringLiteral("picture.xlsx"));
    TrptXLSExport f(nullptr);
    f.SetShowProgress(false);
    f.SetReport(&report);
    f.SetOpenExcelAfterExport(true);
    f.SetExportEMF(false);
    f.SetFileName(file);
    ASSERT_TRUE(f.Start());
    f.StartPage(nullptr, 0);
    TrptMemoView kept(nullptr);
    kept.SetBounds(0, 0, 100, 20);
    kept.SetText(QStringLiteral("kept"));
    TBrokenView broken(nullptr);
    broken.SetName(QStringLiteral("Broken"));
    broken.SetBounds(110, 0, 40, 20);
    f.ExportObject(&kept);
    f.ExportObject(&broken);
    f.FinishPage(nullptr, 0);
    f.Finish();
    ASSERT_EQ(report.Errors()->Count(), 1);
    EXPECT_TRUE(report.Errors()->Strings(0).contains(QStringLiteral("\"Broken\""))) << report.Errors()->Text().toStdString();
    EXPECT_TRUE(report.Errors()->Strings(0).contains(QStringLiteral("not a JPEG file")));
    EXPECT_TRUE(Opened.isEmpty());
    const QJsonObject s = ReadWorkbook(file)["sheets"].toArray()[0].toObject();
    EXPECT_EQ(CellOf(s, "A1")["value"].toString(), "kept");
}

TEST_F(BadInput, NoPagesIsAFailure) {
    TrptReport report;
    report.EngineOptions()->SetSilentMode(true);
    const QString file = Dir.filePath(QStringLiteral("empty.xlsx"));
    TrptXLSExport f(nullptr);
    f.SetShowProgress(false);
    f.SetReport(&report);
    f.SetOpenExcelAfterExport(true);
    f.SetFileName(file);
    ASSERT_TRUE(f.Start());
    EXPECT_THROW(f.Finish(), Exception);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(Opened.isEmpty());
}

TEST_F(BadInput, TenMegabyteTextInAFolderWithSpacesAndNonAsciiNames) {
    const QString huge(10 * 1024 * 1024, QLatin1Char('x'));
    auto report = Report({huge});
    const QString folder = Dir.filePath(QStringLiteral("Отчёты с пробелами"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (bool truncate : {true, false}) {
        SCOPED_TRACE(truncate);
        report->Errors()->Clear();
        Opened.clear();
        const QString file = folder + (truncate ? QStringLiteral("/größe 1.xlsx") : QStringLiteral("/größe 2.xlsx"));
        EXPECT_TRUE(Run(*report, file, [truncate](TrptXLSExport& f) { f.SetTruncateLongTexts(truncate); }));
        const QJsonObject s = ReadWorkbook(file)["sheets"].toArray()[0].toObject();
        EXPECT_EQ(CellOf(s, "A1")["value"].toString().size(), truncate ? 900 : 32767);
        // Cutting a text to the cell's size is reported, and then the file is not opened.
        EXPECT_EQ(report->Errors()->Count(), truncate ? 0 : 1) << report->Errors()->Text().toStdString();
        EXPECT_EQ(Opened, truncate ? QStringList{file} : QStringList());
    }
}

// Lone high and low surrogates and a control character; a NUL ends a report text already in the
// report's own string list, so the cell holds what comes before it.
TEST_F(BadInput, NulAndLoneSurrogates) {
    const QString odd = QStringLiteral("b") + QChar(0xD800) + QStringLiteral("c") + QChar(0xDC00) + QStringLiteral("\x01") +
                        QStringLiteral("d \U0001F600");
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("z");
    const QString file = Dir.filePath(QStringLiteral("odd.xlsx"));
    for (bool fast : {true, false}) {
        SCOPED_TRACE(fast);
        TrptXLSExport f(nullptr);
        f.SetShowProgress(false);
        f.SetFastExport(fast);
        f.SetFileName(file);
        ASSERT_TRUE(f.Start());
        f.StartPage(nullptr, 0);
        TrptMemoView m(nullptr), n(nullptr);
        m.SetBounds(0, 0, 100, 20);
        m.SetText(odd);
        n.SetBounds(0, 20, 100, 20);
        n.SetText(withNul);
        f.ExportObject(&m);
        f.ExportObject(&n);
        f.FinishPage(nullptr, 0);
        f.Finish();
        const QJsonObject s = ReadWorkbook(file)["sheets"].toArray()[0].toObject();
        EXPECT_EQ(CellOf(s, "A1")["value"].toString(),
                  QStringLiteral("b") + QChar(0xFFFD) + QStringLiteral("c") + QChar(0xFFFD) + QStringLiteral("d \U0001F600"));
        EXPECT_EQ(CellOf(s, "A2")["value"].toString(), "a");
    }
}

TEST_F(BadInput, TwoThousandColumnsAllArrive) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("wide.xlsx"));
    TrptXLSExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(file);
    ASSERT_TRUE(f.Start());
    f.StartPage(nullptr, 0);
    std::vector<std::unique_ptr<TrptMemoView>> memos;
    for (int i = 0; i < 2000; ++i) {
        auto m = std::make_unique<TrptMemoView>(nullptr);
        m->SetBounds(i * 20.0, 0, 20, 20);
        m->SetText(QString::number(i + 1));
        m->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftBottom});
        f.ExportObject(m.get());
        memos.push_back(std::move(m));
    }
    f.FinishPage(nullptr, 0);
    f.Finish();
    const QJsonObject s = ReadWorkbook(file)["sheets"].toArray()[0].toObject();
    EXPECT_EQ(CellOf(s, "A1")["value"].toString(), "1");
    EXPECT_EQ(CellOf(s, "IU1")["value"].toString(), "255"); // past the old 254-column limit
    EXPECT_EQ(CellOf(s, "BXX1")["value"].toString(), "2000");
    EXPECT_EQ(CellOf(s, "BXX1")["border"].toObject()["left"].toString(), "thin");
}

} // namespace
