// Whole HTML exports of a small two-page report under a pinned locale and clock, compared byte
// for byte with goldens for every layout (single file, one file per page, navigator, pictures
// beside the file, absolute picture links), each with its file set; then every document passes
// tidy without errors and LibreOffice, as text and as PDF, shows every fixture text exactly once.
// KORVEL_UPDATE_GOLDENS=1 rewrites the goldens in the source tree (review them before committing).

#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/export/rptHTMLExport.h"

#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <vector>

namespace {

const QString GoldenDir = QStringLiteral(KORVEL_TEST_DATA "/golden");

// The texts of the fixture; each must come out exactly once in what a reader shows.
const char* const FixtureTexts[] = {"Ampersand & less < quote \" é", "Heavy", "plainword", "Crimson",
                                    "Linked site",                   "Indented", "Spanning one",
                                    "Spanning two",                  "Right one", "Right two",
                                    "Right three"};

struct Fixture {
    std::vector<std::unique_ptr<TrptView>> Views;
    TrptMemoView* Memo(double l, double t, double w, double h, const QString& text) {
        auto v = std::make_unique<TrptMemoView>(nullptr);
        v->SetBounds(l, t, w, h);
        v->SetText(text);
        auto* p = v.get();
        Views.push_back(std::move(v));
        return p;
    }
};

// Two pages: page 1 has escaped text linking to page 2, a bold run in an otherwise plain memo,
// a red centred memo, a web link, an indented memo and an ellipse (a picture); page 2 a framed
// memo spanning two columns and three rows beside three small ones.
void ExportFixture(TrptHTMLExport& f, TrptReport& report, Fixture& d) {
    report.ReportOptions()->SetName(QStringLiteral("Golden <fixture> & co"));
    f.SetReport(&report);
    ASSERT_TRUE(f.Start());
    f.StartPage(nullptr, 0);
    std::vector<TrptView*> page;
    TrptMemoView* a = d.Memo(0, 0, 160, 20, QString::fromUtf8(FixtureTexts[0]));
    a->SetURL(QStringLiteral("@2"));
    TrptMemoView* b = d.Memo(160, 0, 100, 20, QStringLiteral("<b>Heavy</b> plainword"));
    b->SetAllowHTMLTags(true);
    TrptMemoView* r = d.Memo(0, 20, 160, 20, QStringLiteral("Crimson"));
    r->Font()->SetColor(0x0000FF);
    r->Font()->SetStyle(TFontStyles{fsUnderline, fsStrikeOut});
    r->SetHAlign(haCenter);
    r->SetColor(0xCCFFFF);
    TrptMemoView* l = d.Memo(160, 20, 100, 20, QStringLiteral("Linked site"));
    l->SetURL(QStringLiteral("https://example.org/?a=1&b=2"));
    TrptMemoView* g = d.Memo(0, 40, 160, 20, QStringLiteral("Indented"));
    g->SetParagraphGap(2.5);
    auto shape = std::make_unique<TrptShapeView>(nullptr);
    shape->SetBounds(160, 40, 100, 20);
    shape->SetShape(skEllipse);
    f.ExportObject(a);
    f.ExportObject(b);
    f.ExportObject(r);
    f.ExportObject(l);
    f.ExportObject(g);
    f.ExportObject(shape.get());
    d.Views.push_back(std::move(shape));
    f.FinishPage(nullptr, 0);
    f.StartPage(nullptr, 1);
    TrptMemoView* big = d.Memo(0, 0, 160, 60, QStringLiteral("Spanning one\r\nSpanning two"));
    big->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    big->Frame()->SetWidth(2);
    f.ExportObject(big);
    f.ExportObject(d.Memo(160, 0, 100, 20, QStringLiteral("Right one")));
    f.ExportObject(d.Memo(160, 20, 100, 20, QStringLiteral("Right two")));
    f.ExportObject(d.Memo(160, 40, 100, 20, QStringLiteral("Right three")));
    f.ExportObject(d.Memo(80, 60, 80, 10, QStringLiteral("")));
    f.FinishPage(nullptr, 1);
    f.Finish();
}

struct Layout {
    const char* Name;
    bool Multipage, Navigator, PicsInSameFolder, AbsLinks;
};

const Layout Layouts[] = {
    {"single", false, false, false, false},    {"multipage", true, false, false, false},
    {"navigator", false, true, false, false},  {"samefolder", false, false, true, false},
    {"abslinks", false, false, false, true},
};

// Pins what the output may depend on: the C locale for C and Qt, and a fixed clock.
struct Pinned {
    explicit Pinned(const QString& locale) : Settings(locale) {
        std::setlocale(LC_ALL, "C.UTF-8");
        QLocale::setDefault(QLocale(locale));
        SetClock([] { return EncodeDate(2026, 3, 4) + EncodeTime(5, 6, 7, 0); });
    }
    ~Pinned() {
        SetClock({});
        QLocale::setDefault(QLocale::c());
    }
    TFormatSettingsScope Settings;
};

struct ExportRun {
    QTemporaryDir Dir;
    QStringList Files; // relative to Dir, in the order written
    QString Main;      // the file to open
};

void Export(const Layout& layout, const QString& locale, ExportRun& run) {
    Pinned pin(locale);
    ASSERT_TRUE(run.Dir.isValid());
    TrptReport report;
    TrptHTMLExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(run.Dir.path() + QStringLiteral("/rep.html"));
    f.SetMultipage(layout.Multipage);
    f.SetNavigator(layout.Navigator);
    f.SetPicsInSameFolder(layout.PicsInSameFolder);
    f.SetAbsLinks(layout.AbsLinks);
    Fixture d;
    ExportFixture(f, report, d);
    for (int i = 0; i < f.Files()->Count(); ++i) {
        const QString file = f.Files()->Get(i);
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
        run.Files << QDir(run.Dir.path()).relativeFilePath(file);
    }
    run.Main = layout.Multipage ? QStringLiteral("rep.files/1.html") : QStringLiteral("rep.html");
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The temporary folder varies from run to run: it stands as @DIR@ in the goldens.
QByteArray Normalised(const QByteArray& bytes, const QString& dir) {
    QByteArray b = bytes;
    b.replace(TrptHTMLExport::FileLink(dir).toUtf8(), "@DIR@");
    b.replace(dir.toUtf8(), "@DIR@");
    return b;
}

bool Updating() { return qEnvironmentVariableIntValue("KORVEL_UPDATE_GOLDENS") == 1; }

void ExpectGolden(const QString& golden, const QByteArray& got) {
    if (Updating()) {
        QDir().mkpath(QFileInfo(golden).path());
        QFile g(golden);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write(got);
        return;
    }
    ASSERT_TRUE(QFile::exists(golden)) << golden.toStdString();
    const QByteArray want = ReadFile(golden);
    if (got == want) return;
    qsizetype at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    ADD_FAILURE() << golden.toStdString() << " differs at byte " << at << ":\n got: "
                  << got.mid(std::max<qsizetype>(0, at - 60), 160).toStdString()
                  << "\nwant: " << want.mid(std::max<qsizetype>(0, at - 60), 160).toStdString();
}

TEST(HTMLGolden, EveryLayoutMatchesItsGoldenAndFileSet) {
    for (const Layout& layout : Layouts) {
        SCOPED_TRACE(layout.Name);
        ExportRun run;
        Export(layout, QStringLiteral("C"), run);
        const QString base = GoldenDir + QLatin1Char('/') + QLatin1String(layout.Name) + QLatin1Char('/');
        ExpectGolden(base + QStringLiteral("files.txt"), (run.Files.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        // Every file on disk is in the list.
        QStringList onDisk;
        QDirIterator it(run.Dir.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) onDisk << QDir(run.Dir.path()).relativeFilePath(it.next());
        onDisk.sort();
        QStringList listed = run.Files;
        listed.sort();
        EXPECT_EQ(onDisk, listed);
        QString html;
        for (const QString& rel : run.Files) {
            const QString path = run.Dir.path() + QLatin1Char('/') + rel;
            if (!rel.endsWith(QLatin1String(".html"))) continue;
            const QByteArray bytes = ReadFile(path);
            html += QString::fromUtf8(bytes);
            ExpectGolden(base + rel, Normalised(bytes, run.Dir.path()));
        }
        // Pictures are checked by what they are, not by the encoder's bytes: each decodes to the
        // size its img element gives.
        int pictures = 0;
        for (const QString& rel : run.Files) {
            if (rel.endsWith(QLatin1String(".html"))) continue;
            ++pictures;
            const QImage img(run.Dir.path() + QLatin1Char('/') + rel);
            ASSERT_FALSE(img.isNull()) << rel.toStdString();
            const QRegularExpression tag(QStringLiteral("<img src=\"[^\"]*%1\" width=\"(\\d+)\" height=\"(\\d+)\"")
                                             .arg(QRegularExpression::escape(QFileInfo(rel).fileName())));
            const QRegularExpressionMatch m = tag.match(html);
            ASSERT_TRUE(m.hasMatch()) << rel.toStdString();
            EXPECT_EQ(img.size(), QSize(m.captured(1).toInt(), m.captured(2).toInt())) << rel.toStdString();
            // The ellipse's outline is drawn.
            int dark = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (qAlpha(img.pixel(x, y)) > 128 && qGray(img.pixel(x, y)) < 100) ++dark;
            EXPECT_GT(dark, img.width()) << rel.toStdString();
        }
        EXPECT_EQ(pictures, 1);
    }
}

// A German locale (decimal comma) gives the same bytes: CSS and markup numbers take ".".
TEST(HTMLGolden, GermanLocaleWritesTheSameDocument) {
    ExportRun c, de;
    Export(Layouts[0], QStringLiteral("C"), c);
    Export(Layouts[0], QStringLiteral("de_DE"), de);
    ASSERT_FALSE(c.Files.isEmpty());
    EXPECT_EQ(c.Files, de.Files);
    const QByteArray a = ReadFile(c.Dir.path() + QStringLiteral("/rep.html"));
    EXPECT_TRUE(a.contains("text-indent: 2.50px;"));
    EXPECT_EQ(a, ReadFile(de.Dir.path() + QStringLiteral("/rep.html")));
}

QString Tool(const char* name) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    EXPECT_FALSE(path.isEmpty()) << name << " is missing (tools/deps.sh installs it)";
    return path;
}

// The only tidy warnings allowed, each with its reason; any other warning fails.
struct Accepted {
    const char* Pattern;
    const char* Reason;
};
const Accepted AcceptedWarnings[] = {
    {"<table> lacks \"summary\" attribute", "layout tables, not data tables: a summary would only be read aloud"},
    {"<body> proprietary attribute \"(leftmargin|topmargin)\"", "the navigator bar's margins for older browsers"},
};

struct TidyResult {
    int Exit = -1;
    QStringList Errors, Unaccepted;
};

TidyResult Tidy(const QString& tidy, const QString& file) {
    TidyResult r;
    QProcess p;
    p.start(tidy, {QStringLiteral("-errors"), QStringLiteral("-q"), file});
    if (!p.waitForFinished(60000)) return r;
    r.Exit = p.exitCode();
    const QStringList lines = QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.contains(QLatin1String(" - Error: "))) {
            r.Errors << line;
            continue;
        }
        if (!line.contains(QLatin1String(" - Warning: "))) continue;
        bool ok = false;
        for (const Accepted& a : AcceptedWarnings)
            if (line.contains(QRegularExpression(QString::fromLatin1(a.Pattern))))
                ok = true;
        if (!ok) r.Unaccepted << line;
    }
    return r;
}

TEST(HTMLValidators, TidyFindsNoErrorsInAnyLayout) {
    const QString tidy = Tool("tidy");
    ASSERT_FALSE(tidy.isEmpty());
    for (const Layout& layout : Layouts) {
        SCOPED_TRACE(layout.Name);
        ExportRun run;
        Export(layout, QStringLiteral("C"), run);
        for (const QString& rel : run.Files) {
            if (!rel.endsWith(QLatin1String(".html"))) continue;
            const TidyResult t = Tidy(tidy, run.Dir.path() + QLatin1Char('/') + rel);
            EXPECT_LT(t.Exit, 2) << rel.toStdString() << "\n" << t.Errors.join(QLatin1Char('\n')).toStdString();
            EXPECT_TRUE(t.Errors.isEmpty()) << rel.toStdString() << "\n" << t.Errors.join(QLatin1Char('\n')).toStdString();
            EXPECT_TRUE(t.Unaccepted.isEmpty()) << rel.toStdString() << "\n"
                                                << t.Unaccepted.join(QLatin1Char('\n')).toStdString();
        }
    }
}

// The checker itself: a real error is seen.
TEST(HTMLValidators, TidyReportsABrokenDocument) {
    const QString tidy = Tool("tidy");
    ASSERT_FALSE(tidy.isEmpty());
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/bad.html");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head><title>x</title></head>"
            "<body><table><tr><td>a</td></tr></table><foo>b</foo></body></html>\n");
    f.close();
    const TidyResult t = Tidy(tidy, file);
    EXPECT_EQ(t.Exit, 2);
    EXPECT_FALSE(t.Errors.isEmpty());
}

// LibreOffice (its own profile) reads the documents of a layout and writes them as text.
// With Pdf the documents go through LibreOffice's PDF writer and pdftotext reads the result back.
QString OfficeText(const ExportRun& run, const QStringList& documents, bool Pdf) {
    const QString soffice = Tool("soffice");
    if (soffice.isEmpty()) return QString();
    QTemporaryDir work;
    QStringList args = {QStringLiteral("-env:UserInstallation=file://") + work.path() + QStringLiteral("/profile"),
                        QStringLiteral("--headless"),
                        QStringLiteral("--norestore"),
                        QStringLiteral("--infilter=HTML (StarWriter)"),
                        QStringLiteral("--convert-to"),
                        Pdf ? QStringLiteral("pdf") : QStringLiteral("txt:Text (encoded):UTF8"),
                        QStringLiteral("--outdir"),
                        work.path() + QStringLiteral("/out")};
    for (const QString& d : documents) args << run.Dir.path() + QLatin1Char('/') + d;
    QProcess p;
    p.start(soffice, args);
    EXPECT_TRUE(p.waitForFinished(180000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QString text;
    for (const QString& d : documents) {
        QString out = work.path() + QStringLiteral("/out/") + QFileInfo(d).completeBaseName();
        if (Pdf) {
            const QString pdftotext = Tool("pdftotext");
            if (pdftotext.isEmpty()) return QString();
            QProcess t;
            t.start(pdftotext, {QStringLiteral("-raw"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), out + QStringLiteral(".pdf"), out + QStringLiteral(".txt")});
            EXPECT_TRUE(t.waitForFinished(60000));
            EXPECT_EQ(t.exitCode(), 0) << t.readAllStandardError().toStdString();
        }
        out += QStringLiteral(".txt");
        const QByteArray bytes = ReadFile(out);
        EXPECT_FALSE(bytes.isEmpty()) << out.toStdString();
        text += QString::fromUtf8(bytes) + QLatin1Char('\n');
    }
    return text;
}

TEST(HTMLValidators, LibreOfficeShowsEveryTextOnce) {
    for (const Layout& layout : {Layouts[0], Layouts[1]}) {
        SCOPED_TRACE(layout.Name);
        ExportRun run;
        Export(layout, QStringLiteral("C"), run);
        QStringList documents;
        for (const QString& rel : run.Files)
            if (rel.endsWith(QLatin1String(".html"))) documents << rel;
        ASSERT_EQ(documents.size(), layout.Multipage ? 2 : 1);
        for (const bool pdf : {false, true}) {
            SCOPED_TRACE(pdf ? "pdf" : "text");
            QString text = OfficeText(run, documents, pdf);
            ASSERT_FALSE(text.isEmpty());
            // The PDF wraps cell texts at the cell's width: compare with runs of white space as one.
            if (pdf) text = text.simplified();
            for (const char* t : FixtureTexts)
                EXPECT_EQ(text.count(QString::fromUtf8(t)), 1) << t << "\n" << text.toStdString();
            EXPECT_FALSE(text.contains(QLatin1String("&amp;")) || text.contains(QLatin1String("<b>")));
        }
    }
}

} // namespace
