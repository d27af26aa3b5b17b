#include "ImageTestSupport.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassView.h"
#include "report/core/rptEngine.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

int RunTool(const QString& Program, const QStringList& Arguments, QString* Output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(Program, Arguments);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << Program.toStdString() << " did not start: the validators come with tools/deps.sh";
        if (Output) *Output = Program + QStringLiteral(" did not start");
        return -1;
    }
    p.waitForFinished(300000);
    if (Output) *Output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString TTiffDir::Entry(int Tag) const {
    for (const auto& e : Entries)
        if (e.first == Tag) return e.second;
    return QString();
}

std::vector<TTiffDir> ReadTiffDump(const QString& File, qint64* FirstOffset) {
    QString out;
    std::vector<TTiffDir> dirs;
    if (RunTool(QStringLiteral("tiffdump"), {File}, &out) != 0) {
        ADD_FAILURE() << "tiffdump: " << out.toStdString();
        return dirs;
    }
    static const QRegularExpression dirLine(QStringLiteral("^Directory (\\d+): offset (\\d+) .*next (\\d+)"));
    static const QRegularExpression entryLine(QStringLiteral("^\\S.* \\((\\d+)\\) (\\S+ \\(\\d+\\) .*)$"));
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const auto d = dirLine.match(line);
        if (d.hasMatch()) {
            TTiffDir dir;
            dir.Offset = d.captured(2).toLongLong();
            dir.Next = d.captured(3).toLongLong();
            dirs.push_back(dir);
            continue;
        }
        const auto e = entryLine.match(line);
        if (e.hasMatch() && !dirs.empty()) dirs.back().Entries.emplace_back(e.captured(1).toInt(), e.captured(2));
    }
    if (FirstOffset) *FirstOffset = dirs.empty() ? -1 : dirs.front().Offset;
    return dirs;
}

long long PixelsDiffering(const QString& A, const QString& B) {
    QString out;
    const int rc = RunTool(QStringLiteral("compare"), {QStringLiteral("-metric"), QStringLiteral("AE"), A, B,
                                                       QStringLiteral("null:")},
                           &out);
    // 0 alike, 1 different, 2 an error.
    if (rc != 0 && rc != 1) {
        ADD_FAILURE() << "compare: " << out.toStdString();
        return -1;
    }
    bool ok = false;
    const double n = out.trimmed().split(QLatin1Char(' ')).value(0).toDouble(&ok);
    return ok ? static_cast<long long>(n) : -1;
}

double Psnr(const QString& A, const QString& B) {
    QString out;
    const int rc = RunTool(QStringLiteral("compare"), {QStringLiteral("-metric"), QStringLiteral("PSNR"), A, B,
                                                       QStringLiteral("null:")},
                           &out);
    if (rc != 0 && rc != 1) {
        ADD_FAILURE() << "compare: " << out.toStdString();
        return -1;
    }
    const QString v = out.trimmed().split(QLatin1Char(' ')).value(0);
    if (v == QLatin1String("inf")) return 1e9;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : -1;
}

QString Identify(const QString& File) {
    QString out;
    if (RunTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%w %h %x %y %U\\n"), File}, &out) != 0)
        ADD_FAILURE() << "identify: " << out.toStdString();
    return out.trimmed();
}

TPagesReport::TPagesReport(int Pages, TrptSilentMode Mode) {
    Report = std::make_unique<TrptReport>();
    Report->EngineOptions()->SetNewSilentMode(Mode);
    auto* page = new TrptReportPage(Report.get());
    page->SetName(QStringLiteral("Page1"));
    page->SetPaperSize(9);
    page->SetLeftMargin(10);
    page->SetTopMargin(10);
    page->SetRightMargin(10);
    page->SetBottomMargin(10);
    auto* band = new TrptMasterData(page);
    band->SetName(QStringLiteral("MasterData1"));
    band->SetRowCount(Pages);
    // Taller than half the printable height: one band a page.
    band->SetHeight(900);
    auto* memo = new TrptMemoView(band);
    memo->SetName(QStringLiteral("PageText"));
    memo->SetBounds(0, 0, 400, 40);
    memo->Font()->SetSize(20);
    memo->SetText(QStringLiteral("Page [Line]"));
    auto* box = new TrptShapeView(band);
    box->SetName(QStringLiteral("Box"));
    box->SetBounds(100, 100, 200, 150);
    box->SetColor(RGB(200, 30, 30));
    page->AlignChildren();
    Prepared = PrepareReportPages(Report.get());
}
