// HTML export: escaping, link schemes, file links, and whole documents read back by Python's
// HTML parser (cells, spans, texts, links, pictures) for one file and one file per page.

#include "report/core/rptClassMemo.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptProgress.h"
#include "report/export/rptHTMLExport.h"

#include "platform/rtl/StringList.h"
#include "platform/rtti/TypInfo.h"
#include "platform/rtl/Streams.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/TempFiles.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTimer>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(HTMLExportText, Escape) {
    struct {
        QString in, out;
    } cases[] = {
        {QStringLiteral("a & b < c > d \" e ' f"), QStringLiteral("a &amp; b &lt; c &gt; d &quot; e &#39; f")},
        {QString(QChar(0)) + QStringLiteral("x\x01\x1fy\tz\r\n"), QStringLiteral("xy\tz\r\n")},
        {QString(QChar(0xD800)) + QStringLiteral("a"), QString(QChar(0xFFFD)) + QStringLiteral("a")},
        {QString(QChar(0xDC00)), QString(QChar(0xFFFD))},
        {QStringLiteral("\U0001F600 é"), QStringLiteral("\U0001F600 é")},
    };
    for (const auto& c : cases) EXPECT_EQ(TrptHTMLExport::Escape(c.in), c.out) << c.in.toStdString();
}

TEST(HTMLExportText, LinkSchemes) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"http://example.org/a?b=1&c=2", "http://example.org/a?b=1&c=2"},
        {"HTTPS://example.org", "HTTPS://example.org"},
        {"mailto:someone@example.org", "mailto:someone@example.org"},
        {"docs/page.html", "docs/page.html"},
        {"#anchor", "#anchor"},
        {"page.html?x=a:b", "page.html?x=a:b"},
        {"javascript:alert(1)", ""},
        {" JavaScript:alert(1)", ""},
        {"data:text/html,<b>x</b>", ""},
        {"vbscript:x", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrptHTMLExport::SafeLink(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(HTMLExportText, FileLinksArePercentEncoded) {
    EXPECT_EQ(TrptHTMLExport::FileLink(QStringLiteral("my files/Q&A #1 \"draft\".html")),
              QStringLiteral("my%20files/Q%26A%20%231%20%22draft%22.html"));
    EXPECT_EQ(TrptHTMLExport::FileLink(QStringLiteral("é.files/img0.png")), QStringLiteral("%C3%A9.files/img0.png"));
}

struct Doc {
    std::vector<std::unique_ptr<TrptView>> views;
    TrptMemoView* Memo(double l, double t, double w, double h, const QString& text) {
        auto v = std::make_unique<TrptMemoView>(nullptr);
        v->SetBounds(l, t, w, h);
        v->SetText(text);
        auto* p = v.get();
        views.push_back(std::move(v));
        return p;
    }
    template <class T> T* View(double l, double t, double w, double h) {
        auto v = std::make_unique<T>(nullptr);
        v->SetBounds(l, t, w, h);
        auto* p = v.get();
        views.push_back(std::move(v));
        return p;
    }
};

QString RunChecker(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("python3"), {QStringLiteral(KORVEL_TEST_DATA "/../check_html.py"), file});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Two pages: special characters, a bold and a red run, a page link, a refused script link,
// a picture and a 2 x 3 span.
void ExportTwoPages(TrptHTMLExport& f, Doc& d) {
    ASSERT_TRUE(f.Start());
    f.StartPage(nullptr, 0);
    TrptMemoView* a = d.Memo(0, 0, 100, 20, QStringLiteral("& < \" é"));
    a->SetURL(QStringLiteral("@2"));
    TrptMemoView* b = d.Memo(100, 0, 100, 20, QStringLiteral("<b>bold</b> plain"));
    b->SetAllowHTMLTags(true);
    TrptMemoView* r = d.Memo(0, 20, 100, 20, QStringLiteral("red"));
    r->Font()->SetColor(0x0000FF);
    r->SetURL(QStringLiteral("javascript:alert(1)"));
    TrptShapeView* e = d.View<TrptShapeView>(100, 20, 100, 20);
    e->SetShape(skEllipse);
    for (auto& v : d.views) f.ExportObject(v.get());
    f.FinishPage(nullptr, 0);
    f.StartPage(nullptr, 1);
    // Three rows by two columns under one object: a 2 x 3 span.
    TrptMemoView* big = d.Memo(0, 0, 200, 60, QStringLiteral("line 1\r\nline 2"));
    big->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    f.ExportObject(big);
    f.ExportObject(d.Memo(200, 0, 50, 20, QStringLiteral("r1")));
    f.ExportObject(d.Memo(200, 20, 50, 20, QStringLiteral("r2")));
    f.ExportObject(d.Memo(200, 40, 50, 20, QStringLiteral("r3")));
    f.ExportObject(d.Memo(100, 60, 100, 5, QStringLiteral("x")));
    f.FinishPage(nullptr, 1);
    f.Finish();
}

TEST(HTMLExportDocument, SingleFileReadsBackAsTheMatrix) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/a folder with spaces");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/Q&A #1 \"draft\".html");
    TrptHTMLExport f(nullptr);
    f.SetShowDialog(false);
    f.SetShowProgress(false);
    f.SetFileName(file);
    Doc d;
    ExportTwoPages(f, d);
    const QString out = RunChecker(file);
    EXPECT_FALSE(out.contains(QStringLiteral("ERROR"))) << out.toStdString();
    const QStringList want = {
        QStringLiteral("table"),
        QStringLiteral("href #PageN2"),
        QStringLiteral("cell 1 1 & < \" é"),
        QStringLiteral("cell 1 1 bold plain"),
        QStringLiteral("cell 1 1 red"),
        QStringLiteral("img Q%26A%20%231%20%22draft%22.files/img0.png"),
        QStringLiteral("table"),
        QStringLiteral("cell 2 3 line 1\\nline 2"),
        QStringLiteral("cell 1 1 r1"),
        QStringLiteral("cell 1 1 r2"),
        QStringLiteral("cell 1 1 r3"),
        QStringLiteral("cell 1 1 x"),
    };
    EXPECT_EQ(out.trimmed().split(QLatin1Char('\n')), want) << out.toStdString();
    QFile h(file);
    ASSERT_TRUE(h.open(QIODevice::ReadOnly));
    const QByteArray html = h.readAll();
    EXPECT_TRUE(html.contains("<b>bold</b> plain"));
    EXPECT_TRUE(html.contains("<span style=\"color:#ff0000\">red</span>"));
    EXPECT_FALSE(html.contains("javascript:"));
    EXPECT_TRUE(html.contains("<a name=\"PageN2\"></a>"));
    EXPECT_TRUE(html.contains("border-left-width: 1px;"));
    EXPECT_FALSE(html.contains(" | "));
    // Every file written is on disk, the picture among them.
    ASSERT_EQ(f.Files()->Count(), 2);
    for (int i = 0; i < f.Files()->Count(); ++i) EXPECT_TRUE(QFile::exists(f.Files()->Get(i))) << i;
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/Q&A #1 \"draft\".files/img0.png")));
}

TEST(HTMLExportDocument, MultipageWithNumberedBackgrounds) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/rep.html");
    TrptHTMLExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(file);
    f.SetMultipage(true);
    f.SetBackground(true);
    ASSERT_TRUE(f.Start());
    Doc d;
    const TColor colours[] = {0x0000FF, 0x00FF00};
    for (int page = 0; page < 2; ++page) {
        f.StartPage(nullptr, page);
        TrptMemoView* bg = d.Memo(0, 0, 40, 30, QString());
        bg->SetName(QStringLiteral("_pagebackground"));
        bg->SetColor(colours[page]);
        f.ExportObject(bg);
        TrptMemoView* t = d.Memo(0, 0, 40, 10, QStringLiteral("page %1").arg(page + 1));
        t->SetURL(page == 0 ? QStringLiteral("@2") : QStringLiteral("@1"));
        f.ExportObject(t);
        f.FinishPage(nullptr, page);
    }
    f.Finish();
    EXPECT_FALSE(QFile::exists(file));
    for (int page = 1; page <= 2; ++page) {
        const QString pageFile = dir.path() + QStringLiteral("/rep.files/%1.html").arg(page);
        const QString out = RunChecker(pageFile);
        EXPECT_FALSE(out.contains(QStringLiteral("ERROR"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("cell 1 1 page %1").arg(page))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("href %1.html").arg(3 - page))) << out.toStdString();
        QFile h(pageFile);
        ASSERT_TRUE(h.open(QIODevice::ReadOnly));
        EXPECT_TRUE(h.readAll().contains(QStringLiteral(" background=\"backgrnd%1.png\"").arg(page - 1).toUtf8()));
        const QImage bg(dir.path() + QStringLiteral("/rep.files/backgrnd%1.png").arg(page - 1));
        ASSERT_FALSE(bg.isNull());
        EXPECT_EQ(bg.pixel(20, 20) & 0xFFFFFF, page == 1 ? 0xFF0000u : 0x00FF00u);
    }
}

TEST(HTMLExportDocument, NavigatorFrameset) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/my report.html");
    TrptHTMLExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(file);
    f.SetNavigator(true);
    Doc d;
    ExportTwoPages(f, d);
    const QString files = dir.path() + QStringLiteral("/my report.files/");
    const QStringList want = {files + QStringLiteral("img0.png"), files + QStringLiteral("main.html"),
                              files + QStringLiteral("nav.html"), file};
    QStringList got;
    for (int i = 0; i < f.Files()->Count(); ++i) got << f.Files()->Get(i);
    got.sort();
    QStringList sorted = want;
    sorted.sort();
    EXPECT_EQ(got, sorted);
    for (const QString& html : {files + QStringLiteral("main.html"), files + QStringLiteral("nav.html"), file}) {
        const QString out = RunChecker(html);
        EXPECT_FALSE(out.contains(QStringLiteral("ERROR"))) << html.toStdString() << out.toStdString();
    }
    // The main document lies beside its pictures: they are linked without a folder.
    EXPECT_TRUE(RunChecker(files + QStringLiteral("main.html")).contains(QStringLiteral("img img0.png")));
    QFile fs(file);
    ASSERT_TRUE(fs.open(QIODevice::ReadOnly));
    const QByteArray frames = fs.readAll();
    EXPECT_TRUE(frames.contains("src=\"my%20report.files/nav.html\""));
    EXPECT_TRUE(frames.contains("src=\"my%20report.files/main.html\""));
}

TEST(HTMLExportDocument, UnwritableTargetIsReportedOnce) {
    QTemporaryDir dir;
    QFile blocker(dir.path() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TrptReport report(nullptr);
    report.EngineOptions()->SetSilentMode(true);
    TrptHTMLExport f(nullptr);
    f.SetReport(&report);
    f.SetShowProgress(false);
    // A folder below a plain file cannot be made.
    f.SetFileName(dir.path() + QStringLiteral("/blocker/out.html"));
    f.SetMultipage(true);
    ASSERT_TRUE(f.Start());
    Doc d;
    for (int page = 0; page < 3; ++page) {
        f.StartPage(nullptr, page);
        f.ExportObject(d.Memo(0, 0, 10, 10, QStringLiteral("t")));
        f.FinishPage(nullptr, page);
    }
    f.Finish();
    EXPECT_EQ(report.Errors()->Count(), 1);
    EXPECT_EQ(f.Files()->Count(), 0);
}

TEST(HTMLExportDocument, StreamTakesOneDocumentWithoutFiles) {
    TMemoryStream out;
    TrptHTMLExport f(nullptr);
    f.SetStream(&out);
    f.SetMultipage(true); // a stream holds one document
    ASSERT_TRUE(f.Start());
    EXPECT_FALSE(f.Multipage());
    Doc d;
    f.StartPage(nullptr, 0);
    f.ExportObject(d.Memo(0, 0, 50, 10, QStringLiteral("in a stream")));
    f.FinishPage(nullptr, 0);
    f.Finish(); // the progress window is shown and freed around the matrix's preparation
    EXPECT_TRUE(out.Bytes().contains("<td class=\"s0\">in a stream</td>")) << out.Bytes().toStdString();
    EXPECT_TRUE(out.Bytes().endsWith("</body></html>\r\n\r\n"));
    EXPECT_EQ(f.Files()->Count(), 0);
}

// Every picture format writes its files under their own extension and the document links them.
TEST(HTMLExportDocument, PictureFilesTakeTheChosenFormat) {
    const struct { TrptPictureType Type; const char* Ext; bool Raster; } cases[] = {
        {gpPNG, "png", true}, {gpBMP, "bmp", true}, {gpJPG, "jpg", true}, {gpGIF, "gif", true},
        {gpEMF, "emf", false}, {gpWMF, "wmf", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Ext);
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/rep.html");
        TrptHTMLExport f(nullptr);
        f.SetShowProgress(false);
        f.SetFileName(file);
        f.SetPictureType(c.Type);
        Doc d;
        ExportTwoPages(f, d);
        const QString picture = dir.path() + QStringLiteral("/rep.files/img0.") + QLatin1String(c.Ext);
        ASSERT_TRUE(QFile::exists(picture));
        EXPECT_TRUE(f.Files()->IndexOf(picture) >= 0);
        if (c.Raster) {
            EXPECT_FALSE(QImage(picture).isNull());
        }
        QFile h(file);
        ASSERT_TRUE(h.open(QIODevice::ReadOnly));
        EXPECT_TRUE(h.readAll().contains(QByteArray("<img src=\"rep.files/img0.") + c.Ext + "\""));
    }
}

// Cancel in the progress window of Finish: nothing is written, nothing opened, and the run is
// marked terminated so that the export loop reports failure.
TEST(HTMLExportDocument, CancelWhileFinishingWritesAndOpensNothing) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/rep.html");
    QStringList opened;
    SetOpenUrlHandler([&](const QUrl& url) {
        opened << url.toString();
        return true;
    });
    TrptReport report(nullptr);
    TrptHTMLExport f(nullptr);
    f.SetReport(&report);
    f.SetShowProgress(true);
    f.SetOpenAfterExport(true);
    f.SetFileName(file);
    ASSERT_TRUE(f.Start());
    Doc d;
    f.StartPage(nullptr, 0);
    f.ExportObject(d.Memo(0, 0, 50, 10, QStringLiteral("cancelled")));
    f.FinishPage(nullptr, 0);
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto* p = dynamic_cast<TrptProgress*>(Screen->Forms(i))) {
                p->CancelB->Click();
                clicked = true;
            }
    });
    f.Finish();
    SetOpenUrlHandler({});
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(report.Terminated());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(opened.isEmpty()) << opened.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(f.Files()->Count(), 0);
}

// The navigator for a report server: the report name for scripts, Refresh and Print buttons and
// their links (escaped for the script string they stand in).
TEST(HTMLExportDocument, ServerNavigatorAndLinks) {
    struct {
        QString RefreshLink, PrintLink;
        const char *Refresh, *Print;
    } cases[] = {
        {QString(), QString(), "parent.location = \"result?report=\" + rptRepName + \"&multipage=\" + rptMultipage;",
         "parent.mainFrame.focus(); parent.mainFrame.print();"},
        {QStringLiteral("/r?x=1&y=\"</script>"), QStringLiteral("p.html"),
         "parent.location = \"/r?x=1\\x26y=\\\"\\x3C/script\\x3E\";", "parent.location = \"p.html\";"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        TrptReport report;
        report.SetFileName(QStringLiteral("/srv/reports/sales/Q1 total.de3"));
        TrptHTMLExport f(nullptr);
        f.SetReport(&report);
        f.SetShowProgress(false);
        f.SetFileName(dir.path() + QStringLiteral("/rep.html"));
        f.SetNavigator(true);
        f.SetServer(true);
        f.SetReportPath(QStringLiteral("/srv/reports/"));
        f.SetRefreshLink(c.RefreshLink);
        f.SetPrintLink(c.PrintLink);
        EXPECT_EQ(f.ScriptReportName(), QStringLiteral("sales%2FQ1%20total%2Ede3"));
        Doc d;
        ExportTwoPages(f, d);
        QFile nav(dir.path() + QStringLiteral("/rep.files/nav.html"));
        ASSERT_TRUE(nav.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(nav.readAll());
        EXPECT_TRUE(text.contains(QStringLiteral("var rptRepName = \"sales%2FQ1%20total%2Ede3\";")));
        EXPECT_TRUE(text.contains(QStringLiteral("  function RefreshRep() { %1 }\r\n").arg(QString::fromUtf8(c.Refresh))))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("  function PrintRep() { %1 }\r\n").arg(QString::fromUtf8(c.Print))));
        EXPECT_TRUE(text.contains(QStringLiteral("onclick=\"RefreshRep(); return false;\">Refresh</button></td>\r\n")));
        EXPECT_TRUE(text.contains(QStringLiteral("onclick=\"PrintRep(); return false;\">Print</button></td>\r\n<td align=\"right\">Total pages: ")));
        const QString out = RunChecker(nav.fileName());
        EXPECT_FALSE(out.contains(QStringLiteral("ERROR"))) << out.toStdString();
    }
}

// Templates replace the frameset and the navigation bar as given; an unset event leaves its file empty.
TEST(HTMLExportDocument, NavigatorTemplates) {
    for (const bool withEvents : {true, false}) {
        QTemporaryDir dir;
        TrptReport report;
        report.SetFileName(QStringLiteral("/r/sales.de3"));
        TrptHTMLExport f(nullptr);
        f.SetReport(&report);
        f.SetShowProgress(false);
        f.SetFileName(dir.path() + QStringLiteral("/rep.html"));
        f.SetNavigator(true);
        f.SetMultipage(true);
        f.SetUseTemplates(true);
        QStringList calls;
        if (withEvents) {
            f.OnGetNavTemplate = [&](const QString& name, bool multipage, bool same, const QString& prefix, int pages,
                                     QString& t) {
                calls << QStringLiteral("nav ") + name + QStringLiteral(" %1 %2 %3 %4").arg(multipage).arg(same).arg(prefix).arg(pages);
                t = QStringLiteral("<p>nav é</p>");
            };
            f.OnGetMainTemplate = [&](const QString& title, const QString& folder, bool multipage, QString& t) {
                calls << QStringLiteral("main %1 %2 %3").arg(title, folder).arg(multipage);
                t = QStringLiteral("<p>main</p>");
            };
        }
        Doc d;
        ExportTwoPages(f, d);
        QFile nav(dir.path() + QStringLiteral("/rep.files/nav.html")), main(dir.path() + QStringLiteral("/rep.html"));
        ASSERT_TRUE(nav.open(QIODevice::ReadOnly) && main.open(QIODevice::ReadOnly));
        if (withEvents) {
            EXPECT_EQ(calls, (QStringList{QStringLiteral("nav %2Fr%2Fsales%2Ede3 1 0 rep. 2"),
                                          QStringLiteral("main sales rep.files/ 1")}));
            EXPECT_EQ(nav.readAll(), QByteArray("<p>nav \xc3\xa9</p>"));
            EXPECT_EQ(main.readAll(), QByteArray("<p>main</p>"));
        } else {
            EXPECT_EQ(nav.size(), 0);
            EXPECT_EQ(main.size(), 0);
        }
    }
}

// A font name holding "%2" stays as it is and leaves the size and colour in place.
TEST(HTMLExportDocument, PlaceholderLikeFontName) {
    TMemoryStream out;
    TrptHTMLExport f(nullptr);
    f.SetStream(&out);
    f.SetShowProgress(false);
    ASSERT_TRUE(f.Start());
    Doc d;
    f.StartPage(nullptr, 0);
    TrptMemoView* m = d.Memo(0, 0, 50, 10, QStringLiteral("odd"));
    m->Font()->SetName(QStringLiteral("Odd %2 Face %1"));
    m->Font()->SetSize(12);
    m->Font()->SetColor(0x0000FF);
    f.ExportObject(m);
    f.FinishPage(nullptr, 0);
    f.Finish();
    EXPECT_TRUE(out.Bytes().contains(" font-family: 'Odd %2 Face %1';\r\n font-size: 16px;\r\n color: #FF0000;"))
        << out.Bytes().toStdString();
}

// Every setting a stored report may hold is published.
TEST(HTMLExportDocument, PublishedSettings) {
    TrptHTMLExport f(nullptr);
    for (const char* name : {"OpenAfterExport", "FixedWidth", "ExportPictures", "PicsInSameFolder", "ExportStyles",
                             "Navigator", "Multipage", "MozillaFrames", "AbsLinks", "Background", "Centered",
                             "EmptyLines", "OverwritePrompt", "URLTarget", "Print", "PictureType"})
        EXPECT_NE(GetPropInfo(&f, QString::fromLatin1(name)), nullptr) << name;
    EXPECT_FALSE(f.MozillaFrames());
}

// Text the markup cannot carry (NUL, C0 controls, lone surrogates) is dropped or replaced, and a
// 1 MB line comes through whole: the file stays valid UTF-8 HTML.
TEST(HTMLExportDocument, HostileTextStaysValidUtf8) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/rep.html");
    TrptHTMLExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(file);
    ASSERT_TRUE(f.Start());
    Doc d;
    f.StartPage(nullptr, 0);
    QString bad = QStringLiteral("ab\x01\x1b\x7f");
    bad += QChar(0xD800);
    bad += QStringLiteral("c");
    bad += QChar(0xDC00);
    f.ExportObject(d.Memo(0, 0, 100, 20, bad));
    // The memo's lines end at a NUL (what follows it is not kept): the output stays valid.
    f.ExportObject(d.Memo(100, 0, 100, 20, QStringLiteral("before") + QChar(0) + QStringLiteral("after")));
    const QString big = QString(1024 * 1024, QLatin1Char('x')) + QStringLiteral("<&>");
    f.ExportObject(d.Memo(0, 20, 100, 20, big));
    f.FinishPage(nullptr, 0);
    f.Finish();
    QFile h(file);
    ASSERT_TRUE(h.open(QIODevice::ReadOnly));
    const QByteArray bytes = h.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    EXPECT_FALSE(utf8.hasError());
    for (QChar c : text)
        if (c.unicode() < 0x20) {
            EXPECT_TRUE(c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t')) << int(c.unicode());
        }
    EXPECT_TRUE(text.contains(QStringLiteral("ab") + QChar(0xFFFD) + QStringLiteral("c") + QChar(0xFFFD)))
        << text.mid(text.indexOf(QStringLiteral("class=\"s0\">")), 60).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(">before</td>")));
    EXPECT_TRUE(text.contains(QString(1024 * 1024, QLatin1Char('x')) + QStringLiteral("&lt;&amp;&gt;")));
    const QString out = RunChecker(file);
    EXPECT_FALSE(out.contains(QStringLiteral("ERROR"))) << out.left(2000).toStdString();
}

// Ten thousand pages, one file each, all linked to the next.
TEST(HTMLExportDocument, TenThousandPagesMultipage) {
    QTemporaryDir dir;
    TrptHTMLExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(dir.path() + QStringLiteral("/rep.html"));
    f.SetMultipage(true);
    ASSERT_TRUE(f.Start());
    Doc d;
    const int pages = 10000;
    for (int page = 0; page < pages; ++page) {
        f.StartPage(nullptr, page);
        auto m = std::make_unique<TrptMemoView>(nullptr);
        m->SetBounds(0, 0, 40, 10);
        m->SetText(QStringLiteral("p%1").arg(page + 1));
        m->SetURL(QStringLiteral("@%1").arg(page + 2));
        f.ExportObject(m.get());
        f.FinishPage(nullptr, page);
    }
    f.Finish();
    ASSERT_EQ(f.Files()->Count(), pages);
    for (int page : {1, 5000, pages}) {
        QFile h(dir.path() + QStringLiteral("/rep.files/%1.html").arg(page));
        ASSERT_TRUE(h.open(QIODevice::ReadOnly)) << page;
        const QByteArray b = h.readAll();
        EXPECT_TRUE(b.contains(QStringLiteral("<a href=\"%1.html\">p%2</a>").arg(page + 1).arg(page).toUtf8())) << page;
    }
}

// OpenAfterExport opens the right file once: the document, page 1 of a multipage export, or the
// frameset; never a stream.
TEST(HTMLExportDocument, OpenAfterExportOpensOnce) {
    struct {
        bool Multipage, Navigator;
        const char* Opened;
    } cases[] = {{false, false, "rep.html"}, {true, false, "rep.files/1.html"}, {false, true, "rep.html"},
                 {true, true, "rep.html"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Opened);
        QTemporaryDir dir;
        QStringList opened;
        SetOpenUrlHandler([&](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        });
        TrptHTMLExport f(nullptr);
        f.SetShowProgress(false);
        f.SetOpenAfterExport(true);
        f.SetMultipage(c.Multipage);
        f.SetNavigator(c.Navigator);
        f.SetFileName(dir.path() + QStringLiteral("/rep.html"));
        Doc d;
        ExportTwoPages(f, d);
        SetOpenUrlHandler({});
        EXPECT_EQ(opened, QStringList{dir.path() + QLatin1Char('/') + QLatin1String(c.Opened)});
        EXPECT_TRUE(QFile::exists(dir.path() + QLatin1Char('/') + QLatin1String(c.Opened)));
    }
    QStringList opened;
    SetOpenUrlHandler([&](const QUrl& url) {
        opened << url.toString();
        return true;
    });
    TMemoryStream out;
    TrptHTMLExport f(nullptr);
    f.SetOpenAfterExport(true);
    f.SetShowProgress(false);
    f.SetStream(&out);
    Doc d;
    ExportTwoPages(f, d);
    SetOpenUrlHandler({});
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(out.Bytes().isEmpty());
}

// Inside another export: one file in the temporary folder with its pictures beside it, never opened.
TEST(HTMLExportDocument, SlaveExportWritesOneFileBesideItsPictures) {
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Slave Test.de3"));
    QStringList opened;
    SetOpenUrlHandler([&](const QUrl& url) {
        opened << url.toString();
        return true;
    });
    TrptHTMLExport f(nullptr);
    f.SetReport(&report);
    f.SetSlaveExport(true);
    f.SetShowProgress(false);
    f.SetOpenAfterExport(true);
    f.SetMultipage(true);
    f.SetNavigator(true);
    f.SetExportPictures(false);
    Doc d;
    ExportTwoPages(f, d);
    SetOpenUrlHandler({});
    const QString file = TempFolderPath() + QStringLiteral("Slave Test.html");
    EXPECT_EQ(f.FileName(), file);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(f.Multipage() || f.Navigator() || f.OpenAfterExport());
    QStringList files;
    for (int i = 0; i < f.Files()->Count(); ++i) files << f.Files()->Get(i);
    files.sort();
    EXPECT_EQ(files, (QStringList{file, TempFolderPath() + QStringLiteral("Slave Test.img0.png")}));
    for (const QString& w : files) QFile::remove(w);
}

TEST(HTMLExportDocument, NoFileNoStreamDoesNotStart) {
    TrptHTMLExport f(nullptr);
    EXPECT_FALSE(f.Start());
    EXPECT_EQ(f.GetDescription(), QStringLiteral("HTML file"));
}

} // namespace
