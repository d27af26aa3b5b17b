#include "XlsTestSupport.h"

#include "tests/automation/XlsxReadBack.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

TrptMemoView* Memo(TrptComponent* band, double l, double t, double w, double h, const QString& text) {
    auto* m = new TrptMemoView(band);
    m->SetBounds(l, t, w, h);
    m->SetText(text);
    m->Font()->SetName(QStringLiteral("Liberation Sans"));
    m->Font()->SetSize(10);
    return m;
}

} // namespace

std::unique_ptr<TrptReport> MakeFixtureReport() {
    auto report = std::make_unique<TrptReport>();
    report->EngineOptions()->SetSilentMode(true);
    const double r1 = 20.4 * 1.315, r2 = 20.6 * 1.315;
    for (int n = 0; n < 2; ++n) {
        auto* page = new TrptReportPage(report.get());
        page->SetLeftMargin(10);
        page->SetTopMargin(10);
        page->SetRightMargin(10);
        page->SetBottomMargin(10);
        auto* band = new TrptReportTitle(page);
        band->SetHeight(120);
        if (n == 1) {
            Memo(band, 0, 0, 160, 20, QStringLiteral("Page two"));
            continue;
        }
        TrptMemoView* item = Memo(band, 0, 0, 160, r1, QStringLiteral("Item"));
        item->Font()->SetSize(12);
        item->Font()->SetStyle(TFontStyles{fsBold});
        item->Font()->SetColor(0x0000FF);
        item->SetColor(0x00FFFF);
        item->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
        TrptMemoView* amount = Memo(band, 160, 0, 120, r1, QStringLiteral("1,234.50"));
        amount->DisplayFormat()->SetKind(fkNumeric);
        amount->DisplayFormat()->SetFormatStr(QStringLiteral("%2.2n"));
        TrptMemoView* formula = Memo(band, 0, r1, 160, r2, QStringLiteral("=SUM(A1)"));
        formula->DisplayFormat()->SetKind(fkDateTime);
        TrptMemoView* small = Memo(band, 160, r1, 120, r2, QStringLiteral("12.5"));
        small->DisplayFormat()->SetKind(fkNumeric);
        small->DisplayFormat()->SetFormatStr(QStringLiteral("%2.1f"));
        Memo(band, 0, r1 + r2, 280, 30, QStringLiteral("merged across"));
        auto* picture = new TrptPictureView(band);
        picture->SetBounds(280, 0, 60, r1 + r2);
        TBitmap bmp(60, 54, pf24bit);
        QImage img(60, 54, QImage::Format_RGB32);
        img.fill(Qt::blue);
        bmp.SetImage(img);
        picture->Picture()->SetGraphic(&bmp);
        picture->SetStretched(true);
    }
    return report;
}

QJsonObject ReadWorkbook(const QString& Path) {
    if (PythonWithOpenpyxl().isEmpty()) {
        ADD_FAILURE() << "python3 with openpyxl is not installed (tools/deps.sh installs python3-openpyxl)";
        return QJsonObject{{QStringLiteral("error"), QStringLiteral("no openpyxl")}};
    }
    // The reader of the automation tests, found from this suite's data folder (absolute).
    const QString script = QDir::cleanPath(QStringLiteral(KORVEL_TEST_DATA) + QStringLiteral("/../../automation/data/read_xlsx.py"));
    QProcess p;
    p.start(PythonWithOpenpyxl(), {script, Path});
    QJsonObject wb;
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        wb = QJsonObject{{QStringLiteral("error"), QString::fromUtf8(p.readAllStandardError())}};
    else
        wb = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_FALSE(wb.contains(QStringLiteral("error"))) << wb[QStringLiteral("error")].toString().toStdString();
    return wb;
}

QJsonObject CellOf(const QJsonObject& Sheet, const char* Ref) {
    return Sheet[QStringLiteral("cells")].toObject()[QString::fromLatin1(Ref)].toObject();
}

QString LibreOfficeCsv(const QString& Path, const QString& Work) {
    QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) soffice = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (soffice.isEmpty()) {
        ADD_FAILURE() << "LibreOffice (soffice) is not installed (tools/deps.sh installs libreoffice-calc)";
        return QString();
    }
    const QString out = Work + QStringLiteral("/csv");
    QDir().mkpath(out);
    QProcess p;
    p.start(soffice, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(Work + QStringLiteral("/profile")).toString(),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("csv"),
                      QStringLiteral("--outdir"), out, Path});
    if (!p.waitForFinished(180000) || p.exitCode() != 0) {
        ADD_FAILURE() << "soffice failed: " << p.readAllStandardError().toStdString();
        return QString();
    }
    QFile f(out + QLatin1Char('/') + QFileInfo(Path).completeBaseName() + QStringLiteral(".csv"));
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no CSV written: " << p.readAllStandardOutput().toStdString();
        return QString();
    }
    return QString::fromUtf8(f.readAll());
}
