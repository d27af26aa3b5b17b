// RTF export: a prepared report (2 x 3 span, black and white fills, accents, U+FFFD, braces and a
// backslash, coloured tags, a picture, page header and footer, one page and three) compared with
// golden files under a fixed clock, and read back by pandoc, unrtf and LibreOffice (PDF through
// pdftotext). Then the dialog, failures while writing, and a page without top margin.

#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPrintLoop.h"
#include "report/export/rptExportRTF.h"
#include "report/export/rptGML.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Desktop.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

const QString Ffd = QString(QChar(0xFFFD));

TrptMemoView* Memo(TrptComponent* parent, double l, double t, double w, double h, const QString& text) {
    auto* m = new TrptMemoView(parent);
    m->SetBounds(l, t, w, h);
    m->SetText(text);
    m->Font()->SetName(QStringLiteral("Arial"));
    m->Font()->SetSize(10);
    // A fixed character set: the table does not depend on the fonts installed.
    m->Font()->SetCharset(0);
    return m;
}

// The report of the goldens. Page 1 holds the fixture; pages 2 and 3 a line each.
void BuildReport(TrptReport& report, int pages, double topMargin = 10) {
    report.EngineOptions()->SetSilentMode(true);
    report.ReportOptions()->SetName(QStringLiteral("Fixture \u00E9"));
    for (int p = 0; p < pages; ++p) {
        auto* page = new TrptReportPage(&report);
        page->SetLeftMargin(10);
        page->SetTopMargin(topMargin);
        page->SetRightMargin(10);
        page->SetBottomMargin(10);
        auto* header = new TrptPageHeader(page);
        header->SetHeight(24);
        Memo(header, 0, 0, 200, 20, QStringLiteral("Page header"));
        auto* footer = new TrptPageFooter(page);
        footer->SetHeight(24);
        Memo(footer, 0, 0, 200, 20, QStringLiteral("Page footer"));
        auto* title = new TrptReportTitle(page);
        title->SetTop(30);
        if (p > 0) {
            title->SetHeight(30);
            Memo(title, 0, 0, 200, 20, p == 1 ? QStringLiteral("Page two") : QStringLiteral("Page three"));
            continue;
        }
        title->SetHeight(200);
        Memo(title, 0, 0, 100, 20, QStringLiteral("Alpha"));
        Memo(title, 100, 0, 100, 20, QStringLiteral("Beta"));
        TrptMemoView* span = Memo(title, 0, 20, 200, 60, QStringLiteral("Spanning\r\nthree rows"));
        span->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
        span->SetHAlign(haCenter);
        span->SetVAlign(vaCenter);
        Memo(title, 200, 20, 60, 20, QStringLiteral("Row1"));
        Memo(title, 200, 40, 60, 20, QStringLiteral("Row2"));
        Memo(title, 200, 60, 60, 20, QStringLiteral("Row3"));
        TrptMemoView* black = Memo(title, 0, 90, 100, 20, QStringLiteral("Black"));
        black->SetColor(clBlack);
        black->Font()->SetColor(clWhite);
        TrptMemoView* white = Memo(title, 100, 90, 100, 20, QStringLiteral("White"));
        white->SetColor(clWhite);
        Memo(title, 0, 115, 130, 20, QStringLiteral("Caf\u00E9 \u00E9t\u00E9"));
        Memo(title, 130, 115, 130, 20, QStringLiteral("Bad ") + Ffd + QStringLiteral(" char"));
        Memo(title, 0, 140, 130, 20, QStringLiteral("Braces \\{}"));
        TrptMemoView* tags =
            Memo(title, 130, 140, 170, 20, QStringLiteral("<b>Bold</b> and <font color=\"#0000FF\">blue</font>"));
        tags->SetAllowHTMLTags(true);
        TrptMemoView* odd = Memo(title, 0, 165, 130, 20, QStringLiteral("Odd font"));
        odd->Font()->SetName(QStringLiteral("Odd {Name}\\\u00E9"));
        auto* pic = new TrptPictureView(title);
        pic->SetBounds(300, 0, 40, 30);
        auto bmp = std::make_unique<TBitmap>(40, 30, pf24bit);
        bmp->Canvas().Brush().SetColor(clRed);
        bmp->Canvas().FillRect(TRect(0, 0, 40, 30));
        bmp->Canvas().Brush().SetColor(clBlue);
        bmp->Canvas().FillRect(TRect(10, 8, 30, 22));
        bmp->Canvas().Flush();
        pic->Picture()->SetGraphic(std::move(bmp));
    }
}

struct TClockScope {
    TClockScope() { SetClock([] { return EncodeDateTime(2026, 3, 5, 9, 7, 0, 0); }); }
    ~TClockScope() { SetClock({}); }
};

QByteArray ReadFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct TVariant {
    const char* Name;
    int Pages;
    TrptHeaderFooterMode Mode;
    TrptPictureType Picture;
};

QByteArray ExportVariant(const TVariant& v, const QString& file) {
    TClockScope clock;
    TrptReport report;
    BuildReport(report, v.Pages);
    EXPECT_TRUE(PrepareReportPages(&report));
    EXPECT_EQ(report.PreviewPages()->Count(), v.Pages);
    TrptRTFExport f;
    f.SetShowDialog(false);
    f.SetShowProgress(false);
    f.SetFileName(file);
    f.SetHeaderFooterMode(v.Mode);
    f.SetSuppressPageHeadersFooters(v.Mode == hfPrint);
    f.SetPictureType(v.Picture);
    EXPECT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f));
    EXPECT_EQ(report.Errors()->Count(), 0) << report.Errors()->Text().toStdString();
    return ReadFile(file);
}

// Runs in WorkDir when given (unrtf writes the pictures it meets into its working folder).
int RunTool(const QString& program, const QStringList& args, QString* out, int timeoutMs = 120000,
            const QString& WorkDir = QString()) {
    QProcess p;
    if (!WorkDir.isEmpty()) p.setWorkingDirectory(WorkDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << program.toStdString() << " is missing (tools/deps.sh installs it)";
        return -1;
    }
    p.waitForFinished(timeoutMs);
    if (out) *out = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

const TVariant Variants[] = {
    {"three_pages_text", 3, hfText, gpPNG}, {"one_page_text", 1, hfText, gpPNG},
    {"three_pages_print", 3, hfPrint, gpPNG}, {"three_pages_none", 3, hfNone, gpPNG},
    {"one_page_bmp", 1, hfText, gpBMP},     {"one_page_emf", 1, hfText, gpEMF},
    {"one_page_jpg", 1, hfText, gpJPG},
};

// Byte for byte against the goldens; KORVEL_UPDATE_GOLDENS=1 writes them anew.
TEST(RtfExport, GoldenFiles) {
    QTemporaryDir dir;
    const bool update = qEnvironmentVariableIsSet("KORVEL_UPDATE_GOLDENS");
    for (const TVariant& v : Variants) {
        SCOPED_TRACE(v.Name);
        const QByteArray got = ExportVariant(v, dir.filePath(QString::fromLatin1(v.Name) + QStringLiteral(".rtf")));
        const QString golden = QStringLiteral(KORVEL_TEST_DATA "/") + QString::fromLatin1(v.Name) + QStringLiteral(".rtf");
        if (update) {
            QFile g(golden);
            ASSERT_TRUE(g.open(QIODevice::WriteOnly));
            g.write(got);
        }
        EXPECT_EQ(got, ReadFile(golden));
        // 7-bit ASCII throughout.
        for (char c : got) ASSERT_LT(static_cast<unsigned char>(c), 128u);
    }
    // WMF and GIF are embedded as PNG.
    const QByteArray png = ReadFile(QStringLiteral(KORVEL_TEST_DATA "/one_page_text.rtf"));
    for (TrptPictureType t : {gpWMF, gpGIF}) {
        const TVariant v{"other", 1, hfText, t};
        EXPECT_EQ(ExportVariant(v, dir.filePath(QStringLiteral("other.rtf"))), png) << t;
    }
}

// What the goldens must hold, so that regenerated goldens cannot hide a fault.
TEST(RtfExport, DocumentStructure) {
    QTemporaryDir dir;
    const QByteArray rtf = ExportVariant(Variants[0], dir.filePath(QStringLiteral("a.rtf")));
    const QString s = QString::fromLatin1(rtf);
    // The area fill's font comes first; a font name is escaped and ends with ";".
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\r\n{\\fonttbl{\\f0\\fcharset0 Tahoma;}{\\f1\\fcharset0 Arial;}"
                               "{\\f2\\fcharset0 Odd \\{Name\\}\\\\\\u233\\'3f;}}\r\n"))
        << rtf.left(200).constData();
    EXPECT_TRUE(rtf.contains("{\\info{\\title Fixture \\u233\\'3f}{\\author RozoZodeva}{\\creatim\\yr2026\\mo03\\dy05\\hr09\\min07}}\r\n"));
    // The colour table lists the tag colour; the black fill points at the black entry.
    const QRegularExpression table(QStringLiteral("\\{\\\\colortbl;([^\\r]*)\\}\\r\\n"));
    const QRegularExpressionMatch m = table.match(s);
    ASSERT_TRUE(m.hasMatch());
    const QStringList entries = m.captured(1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const int black = static_cast<int>(entries.indexOf(QStringLiteral("\\red0\\green0\\blue0"))) + 1;
    const int blue = static_cast<int>(entries.indexOf(QStringLiteral("\\red0\\green0\\blue255"))) + 1;
    ASSERT_GT(black, 0);
    ASSERT_GT(blue, 0);
    EXPECT_TRUE(s.contains(QStringLiteral("\\clcbpat%1\\clvertalt").arg(black)));
    EXPECT_TRUE(s.contains(QStringLiteral("\\b Bold\\b0  and \\cf%1 blue\\plain").arg(blue))) << rtf.constData();
    EXPECT_FALSE(s.contains(QStringLiteral("\\clcbpat%1\\").arg(static_cast<int>(entries.indexOf(QStringLiteral("\\red255\\green255\\blue255"))) + 1)));
    EXPECT_TRUE(rtf.contains("Bad \\u-3\\'3f char"));
    EXPECT_TRUE(rtf.contains("Braces \\\\\\{\\}\\cell}"));
    EXPECT_TRUE(rtf.contains("Caf\\u233\\'3f \\u233\\'3ft\\u233\\'3f"));
    EXPECT_TRUE(rtf.contains("Spanning\\line\r\nthree rows"));
    // The span: its first row opens the merge inside its frame, two rows continue it.
    EXPECT_TRUE(rtf.contains("\\clvmgf\\clvertalc\\clbrdrt\\brdrs\\brdrw20"));
    EXPECT_GE(rtf.count("\\clvmrg\\clbrdrt\\brdrs\\brdrw20"), 2);
    EXPECT_EQ(rtf.count("\\pard\\fs2\\sl-2\\slmult0\\sect"), 2);
    EXPECT_EQ(rtf.count("\\pngblip\r\n"), 1);
    EXPECT_TRUE(rtf.endsWith("}\r\n"));
    // Every row defines as many cells as it writes.
    const QRegularExpression row(QStringLiteral("\\r\\n\\\\trowd([^\\r]*)\\\\pard\\\\intbl\\r\\n(.*?)\\\\pard\\\\intbl\\{\\\\trowd"),
                                 QRegularExpression::DotMatchesEverythingOption);
    int rows = 0;
    for (auto it = row.globalMatch(s); it.hasNext(); ++rows) {
        const QRegularExpressionMatch r = it.next();
        EXPECT_EQ(r.captured(1).count(QStringLiteral("\\cellx")), r.captured(2).count(QStringLiteral("\\cell}")))
            << r.captured(0).toStdString();
    }
    EXPECT_GT(rows, 10);
}

int Count(const QString& text, const QString& what) { return static_cast<int>(text.count(what)); }

// pandoc and unrtf read every file; LibreOffice lays it out: one page per report page, each text as
// often as the report shows it, in order.
TEST(RtfExport, ReadersAgree) {
    QTemporaryDir dir;
    QStringList files;
    for (const TVariant& v : Variants) {
        const QString file = dir.filePath(QString::fromLatin1(v.Name) + QStringLiteral(".rtf"));
        ExportVariant(v, file);
        files << file;
    }
    const QStringList inOrder = {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Spanning"),
                                 QStringLiteral("Row1"), QStringLiteral("Row2"), QStringLiteral("Row3"),
                                 QStringLiteral("Black"), QStringLiteral("White"), QStringLiteral("Caf\u00E9 \u00E9t\u00E9"),
                                 QStringLiteral("Bad ") + Ffd + QStringLiteral(" char"), QStringLiteral("Braces \\{}"),
                                 QStringLiteral("Bold and blue"), QStringLiteral("Odd font")};
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        QString out;
        ASSERT_EQ(RunTool(QStringLiteral("pandoc"), {QStringLiteral("-f"), QStringLiteral("rtf"), QStringLiteral("-t"),
                                                      QStringLiteral("plain"), file},
                          &out),
                  0)
            << out.toStdString();
        qsizetype at = 0;
        for (const QString& t : inOrder) {
            const qsizetype next = out.indexOf(t, at);
            EXPECT_GE(next, 0) << t.toStdString() << "\n" << out.toStdString();
            if (next >= 0) at = next + t.size();
        }
        ASSERT_EQ(RunTool(QStringLiteral("unrtf"), {QStringLiteral("--text"), file}, &out, 120000, dir.path()), 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("Spanning"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("Row3")));
    }
    QString out;
    QStringList args = {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(dir.filePath(QStringLiteral("lo"))).toString(),
                        QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                        QStringLiteral("--outdir"), dir.path()};
    ASSERT_EQ(RunTool(QStringLiteral("soffice"), args + files, &out, 300000), 0) << out.toStdString();
    for (const TVariant& v : Variants) {
        SCOPED_TRACE(v.Name);
        const QString pdf = dir.filePath(QString::fromLatin1(v.Name) + QStringLiteral(".pdf"));
        ASSERT_TRUE(QFile::exists(pdf)) << out.toStdString();
        ASSERT_EQ(RunTool(QStringLiteral("pdfinfo"), {pdf}, &out), 0);
        EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(v.Pages)))) << out.toStdString();
        ASSERT_EQ(RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, &out), 0);
        const int hf = v.Mode == hfNone ? 0 : v.Pages;
        EXPECT_EQ(Count(out, QStringLiteral("Page header")), hf) << out.toStdString();
        EXPECT_EQ(Count(out, QStringLiteral("Page footer")), hf);
        EXPECT_EQ(Count(out, QStringLiteral("Page two")), v.Pages > 1 ? 1 : 0);
        EXPECT_EQ(Count(out, QStringLiteral("Page three")), v.Pages > 2 ? 1 : 0);
        for (const QString& t : inOrder) {
            if (t.contains(Ffd) || t.startsWith(QLatin1String("Bold"))) continue; // checked apart below
            EXPECT_EQ(Count(out, t), 1) << t.toStdString() << "\n" << out.toStdString();
        }
        EXPECT_EQ(Count(out, QStringLiteral("Bold and blue")), 1) << out.toStdString();
        EXPECT_EQ(Count(out, QStringLiteral("Bad ") + Ffd + QStringLiteral(" char")), 1) << out.toStdString();
        // One page per section: page three's line is on the third page.
        if (v.Pages == 3) {
            const QStringList pages = out.split(QLatin1Char('\f'));
            ASSERT_GE(pages.size(), 3);
            EXPECT_TRUE(pages[1].contains(QStringLiteral("Page two")));
            EXPECT_TRUE(pages[2].contains(QStringLiteral("Page three")));
        }
        if (qEnvironmentVariableIsSet("KORVEL_RTF_PICTURES"))
            RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-f"),
                                                  QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), pdf,
                                                  QDir::current().filePath(QString::fromLatin1(v.Name))},
                    &out);
    }
}

// A page without top margin: its first row begins exactly at the page break and is still written.
TEST(RtfExport, RowAtThePageBreakIsWritten) {
    QTemporaryDir dir;
    TrptReport report;
    BuildReport(report, 3, 0);
    ASSERT_TRUE(PrepareReportPages(&report));
    TrptRTFExport f;
    f.SetShowDialog(false);
    f.SetShowProgress(false);
    f.SetFileName(dir.filePath(QStringLiteral("m0.rtf")));
    ASSERT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f));
    const QByteArray rtf = ReadFile(f.FileName());
    EXPECT_EQ(rtf.count("Page header"), 3);
    EXPECT_EQ(rtf.count("\\pard\\fs2\\sl-2\\slmult0\\sect"), 2);
    // The first line of pages two and three lies exactly at the break.
    const qsizetype sect = rtf.indexOf("\\sect");
    EXPECT_EQ(rtf.count("Page two"), 1);
    EXPECT_EQ(rtf.count("Page three"), 1);
    EXPECT_GT(rtf.indexOf("Page two"), sect);
    EXPECT_GT(rtf.indexOf("Page three"), rtf.indexOf("\\sect", sect + 1));
}

// A stream that takes Limit bytes and then refuses.
class TFailingStream : public TMemoryStream {
public:
    explicit TFailingStream(Int64 ALimit) : Limit(ALimit) {}
    using TStream::Seek;
    Int64 Write(const void* buffer, Int64 count) override {
        const Int64 n = std::min(count, Limit - Size());
        return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
    }
    Int64 Limit;
};

TEST(RtfExport, WriteFailuresAreReportedThroughSilentMode) {
    TrptReport report;
    BuildReport(report, 3);
    ASSERT_TRUE(PrepareReportPages(&report));
    TMemoryStream whole;
    {
        TrptRTFExport f;
        f.SetShowDialog(false);
        f.SetShowProgress(false);
        f.SetStream(&whole);
        ASSERT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f));
    }
    for (Int64 limit : {Int64(0), Int64(10), Int64(5000), whole.Size() - 1}) {
        SCOPED_TRACE(limit);
        report.Errors()->Clear();
        TFailingStream out(limit);
        TrptRTFExport f;
        f.SetShowDialog(false);
        f.SetShowProgress(false);
        f.SetStream(&out);
        EXPECT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f));
        ASSERT_EQ(report.Errors()->Count(), 1);
        EXPECT_EQ(report.Errors()->Get(0), QStringLiteral("Stream write error"));
        EXPECT_LE(out.Size(), limit);
    }
    // An unwritable target: named in the message; nothing is opened.
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QStringList opened;
    SetOpenUrlHandler([&](const QUrl& url) {
        opened << url.toLocalFile();
        return true;
    });
    report.Errors()->Clear();
    TrptRTFExport f;
    f.SetShowDialog(false);
    f.SetShowProgress(false);
    f.SetOpenAfterExport(true);
    const QString target = dir.filePath(QStringLiteral("blocker/out.rtf"));
    f.SetFileName(target);
    ExportPreparedPages(&report, report.PreviewPages(), &f);
    SetOpenUrlHandler({});
    ASSERT_EQ(report.Errors()->Count(), 1);
    EXPECT_TRUE(report.Errors()->Get(0).startsWith(target + QStringLiteral(": "))) << report.Errors()->Get(0).toStdString();
    EXPECT_TRUE(opened.isEmpty());
    // Raised again in simReThrow: the export fails with the message.
    report.Errors()->Clear();
    report.EngineOptions()->SetNewSilentMode(simReThrow);
    TrptRTFExport g;
    g.SetShowDialog(false);
    g.SetShowProgress(false);
    g.SetFileName(target);
    try {
        ExportPreparedPages(&report, report.PreviewPages(), &g);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(target + QStringLiteral(": "))) << e.Message().toStdString();
    }
}

TEST(RtfExport, StartAndOpen) {
    TrptRTFExport f;
    EXPECT_FALSE(f.Start());
    EXPECT_EQ(f.GetDescription(), QStringLiteral("RTF file"));
    EXPECT_EQ(f.FilterDesc(), QStringLiteral("RTF file (*.rtf)|*.rtf"));
    EXPECT_EQ(f.DefaultExt(), QStringLiteral(".rtf"));
    EXPECT_TRUE(f.ShowDialog());
    EXPECT_EQ(f.Creator(), QStringLiteral("RozoZodeva"));
    // A name without folder goes into DefaultPath; the finished file is opened.
    QTemporaryDir dir;
    TrptReport report;
    BuildReport(report, 1);
    ASSERT_TRUE(PrepareReportPages(&report));
    QStringList opened;
    SetOpenUrlHandler([&](const QUrl& url) {
        opened << url.toLocalFile();
        return true;
    });
    f.SetShowDialog(false);
    f.SetShowProgress(true);
    f.SetOpenAfterExport(true);
    f.SetDefaultPath(dir.path());
    f.SetFileName(QStringLiteral("plain.rtf"));
    EXPECT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f));
    SetOpenUrlHandler({});
    EXPECT_EQ(f.FileName(), dir.filePath(QStringLiteral("plain.rtf")));
    EXPECT_EQ(opened, QStringList{f.FileName()});
}

void FailOnQuestion(const QString& question) { ADD_FAILURE() << "unexpected question: " << question.toStdString(); }

void Answer(TUIServicesScope& ui, std::function<TModalResult(TrptRTFExportDialog*)> action) {
    ui->AnswerModal(QStringLiteral("rptRTFExportDialog"), [action](TCustomForm* f) {
        auto* d = dynamic_cast<TrptRTFExportDialog*>(f);
        EXPECT_NE(d, nullptr);
        return d ? action(d) : mrCancel;
    });
}

TEST(RtfDialog, TextsAndPageEdit) {
    TrptRTFExportDialog d(nullptr);
    EXPECT_EQ(d.Caption(), "Export to RTF");
    EXPECT_EQ(d.GroupPageRange->Caption(), "Page range");
    EXPECT_EQ(d.PicturesCB->Caption(), "Pictures");
    EXPECT_EQ(d.WCB->Caption(), "WYSIWYG");
    EXPECT_EQ(d.PageBreaksCB->Caption(), "Page breaks");
    EXPECT_EQ(d.ContinuousCB->Caption(), "Continuous");
    EXPECT_EQ(d.PColontitulL->Caption(), "Page Header/Footer");
    EXPECT_EQ(d.PColontitulCB->Items()->Count(), 3);
    EXPECT_EQ(d.PColontitulCB->Items()->Get(1), "Header/Footer");
    EXPECT_EQ(d.OpenCB->Caption(), "Open after export");
    EXPECT_EQ(d.SaveDialog1->Filter(), "RTF file (*.rtf)|*.rtf");
    EXPECT_TRUE(d.AllRB->Checked());
    QChar bad = QLatin1Char('x'), good = QLatin1Char('7');
    d.PageNumbersEKeyPress(nullptr, bad);
    d.PageNumbersEKeyPress(nullptr, good);
    EXPECT_TRUE(bad.isNull());
    EXPECT_EQ(good, QLatin1Char('7'));
    d.PageNumbersE->SetText(QStringLiteral("2"));
    EXPECT_TRUE(d.PageNumbersRB->Checked());
}

TEST(RtfDialog, AnswersSetTheFilter) {
    TUIServicesScope ui(FailOnQuestion);
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Invoices.de3"));
    TrptRTFExport f;
    f.SetReport(&report);
    f.SetPageNumbers(QStringLiteral("1-2"));
    f.SetHeaderFooterMode(hfNone);
    Answer(ui, [](TrptRTFExportDialog* d) {
        EXPECT_TRUE(d->PageNumbersRB->Checked());
        EXPECT_EQ(d->PageNumbersE->Text(), "1-2");
        EXPECT_EQ(d->PColontitulCB->ItemIndex(), 2);
        EXPECT_TRUE(d->PicturesCB->Checked());
        EXPECT_EQ(d->SaveDialog1->FileName(), "Invoices.rtf");
        d->PColontitulCB->SetItemIndex(1);
        d->PicturesCB->SetChecked(false);
        d->PageBreaksCB->SetChecked(false);
        d->WCB->SetChecked(false);
        d->OpenCB->SetChecked(true);
        d->CurPageRB->SetChecked(true);
        return mrOk;
    });
    ui->AnswerFile({QStringLiteral("/tmp/out/march.rtf")});
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_EQ(f.HeaderFooterMode(), hfPrint);
    EXPECT_TRUE(f.SuppressPageHeadersFooters()); // forced by the RTF header and footer
    EXPECT_TRUE(f.CurPage());
    EXPECT_TRUE(f.PageNumbers().isEmpty());
    EXPECT_FALSE(f.ExportPictures());
    EXPECT_FALSE(f.ExportPageBreaks());
    EXPECT_FALSE(f.Wysiwyg());
    EXPECT_TRUE(f.OpenAfterExport());
    EXPECT_EQ(f.FileName(), "/tmp/out/march.rtf");

    // A cancelled save dialog cancels the export.
    Answer(ui, [](TrptRTFExportDialog*) { return mrOk; });
    ui->CancelFile();
    EXPECT_EQ(f.ShowModal(), mrCancel);
    // A slave export hides Open after export and asks for no file.
    f.SetSlaveExport(true);
    Answer(ui, [](TrptRTFExportDialog* d) {
        EXPECT_FALSE(d->OpenCB->Visible());
        return mrOk;
    });
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_FALSE(f.OpenAfterExport());
    EXPECT_EQ(ui->Pending(), 0);
}

} // namespace

namespace {

// A rich-text object, known to the matrix by its class name; its text is a whole RTF document.
class TrptRichView : public TrptView {
    KORVEL_CLASS(TrptRichView, TrptView)
public:
    explicit TrptRichView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
    QString GetComponentText() override { return Rtf; }
    QString Rtf;
};
KORVEL_CLASS_INFO(TrptRichView) {}

// The body goes into the cell with its fonts and colours renumbered into the export's tables;
// a broken rich text shows its message and the export goes on.
TEST(RtfExport, RichTextCellsAreEmbedded) {
    TrptRichView rich, broken;
    rich.SetBounds(0, 0, 200, 40);
    rich.Rtf = QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil Courier New;}{\\f1\\fnil Caf\u00E9 Sans;}}"
                              "{\\colortbl ;\\red0\\green128\\blue0;}\\pard\\f1\\cf1 Rich \u00E9\\f0  mono\\par}");
    broken.SetBounds(0, 40, 200, 20);
    broken.Rtf = QStringLiteral("{\\rtf1 no reset}");
    TMemoryStream out;
    TrptRTFExport f;
    f.SetStream(&out);
    f.SetShowProgress(false);
    ASSERT_TRUE(f.Start());
    f.StartPage(nullptr, 0);
    f.ExportObject(&rich);
    f.ExportObject(&broken);
    f.FinishPage(nullptr, 0);
    f.Finish();
    const QByteArray rtf = out.Bytes();
    const QStringList fonts = f.FontTable();
    const int courier = static_cast<int>(fonts.indexOf(QStringLiteral("Courier New")));
    const int cafe = static_cast<int>(fonts.indexOf(QStringLiteral("Caf\u00E9 Sans")));
    const int green = static_cast<int>(f.ColorTable().indexOf(QStringLiteral("\\red0\\green128\\blue0;"))) + 1;
    ASSERT_GE(courier, 0) << fonts.join(QLatin1Char(',')).toStdString();
    ASSERT_GE(cafe, 0);
    ASSERT_GT(green, 0);
    const QByteArray body = "{\\f" + QByteArray::number(cafe) + "\\cf" + QByteArray::number(green) + " Rich \\u233\\'3f\\f" +
                            QByteArray::number(courier) + "  mono\\par}\\cell}";
    EXPECT_TRUE(rtf.contains(body)) << rtf.constData();
    EXPECT_TRUE(rtf.contains("{\\f" + QByteArray::number(cafe) + "\\fcharset0 Caf\\u233\\'3f Sans;}"));
    EXPECT_TRUE(rtf.contains("{RTF text in a memo does not contain \\\\pard tags}\\cell}"));
    for (char c : rtf) ASSERT_LT(static_cast<unsigned char>(c), 128u);
}

} // namespace
