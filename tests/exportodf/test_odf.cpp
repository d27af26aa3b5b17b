// OpenDocument exports: the text helpers, number cells, and whole packages of a fixture report
// (3 x 2 span, numbers with comma separators, a tagged "&<" text, runs of blanks, a tab, a link,
// a page break and a picture) checked against goldens and read back by xmllint, odfpy, odt2txt and
// LibreOffice. Bad input (unwritable target, no pages, forbidden characters, huge cells, wide
// reports, odd names) ends in a message, no package folder and nothing opened.

#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPrintLoop.h"
#include "report/core/rptEngine.h"
#include "report/core/rptClassBand.h"
#include "report/export/rptExportODF.h"

#include "platform/gfx/Canvas.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct TRun {
    int Code = -1;
    QString Output;
};

// A missing program gives code -1, which fails every check that expects 0.
TRun RunTool(const QString& program, const QStringList& args, const QString& dir = QString()) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!dir.isEmpty()) p.setWorkingDirectory(dir);
    p.start(program, args);
    TRun r;
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        r.Output = program + QStringLiteral(" did not run");
        return r;
    }
    r.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Output = QString::fromUtf8(p.readAll());
    return r;
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The package folders of this process still on disk.
QStringList PackageFolders() {
    return QDir(TempFolderPath()).entryList({QStringLiteral("odf*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

// A picture object: the left half red, the right half blue.
class TTwoColourView : public TrptView {
public:
    explicit TTwoColourView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override {
        BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
        const int mid = FX + FDX / 2;
        Canvas->Brush().SetColor(0x0000FF);
        Canvas->FillRect(TRect{FX, FY, mid, FY1});
        Canvas->Brush().SetColor(0xFF0000);
        Canvas->FillRect(TRect{mid, FY, FX1, FY1});
    }
};

// Objects of the fixture, page by page.
struct TFixture {
    TrptReport Report;
    TrptReportPage* Page = nullptr;
    std::vector<std::unique_ptr<TrptView>> Owned;
    std::vector<std::vector<TrptView*>> Pages;

    TFixture() {
        Report.EngineOptions()->SetSilentMode(true);
        Page = new TrptReportPage(&Report);
        Page->SetPaperSize(9);
        Page->SetLeftMargin(10);
        Page->SetTopMargin(10);
        Page->SetRightMargin(10);
        Page->SetBottomMargin(10);
    }
    TrptMemoView* Memo(int page, double l, double t, double w, double h, const QString& text) {
        auto v = std::make_unique<TrptMemoView>(nullptr);
        v->SetBounds(l, t, w, h);
        v->SetText(text);
        return static_cast<TrptMemoView*>(Add(page, std::move(v)));
    }
    TrptMemoView* Number(int page, double l, double t, const QString& text, const QString& format,
                         const QString& dec, const QString& thou) {
        TrptMemoView* m = Memo(page, l, t, 100, 20, text);
        m->DisplayFormat()->SetKind(fkNumeric);
        m->DisplayFormat()->SetFormatStr(format);
        m->DisplayFormat()->SetDecimalSeparator(dec);
        m->DisplayFormat()->SetThousandSeparator(thou);
        m->SetHAlign(haRight);
        return m;
    }
    TrptView* Add(int page, std::unique_ptr<TrptView> v) {
        while (static_cast<int>(Pages.size()) <= page) Pages.emplace_back();
        Pages[static_cast<size_t>(page)].push_back(v.get());
        Owned.push_back(std::move(v));
        return Owned.back().get();
    }
    // Drives the filter as the export loop does.
    void Export(TrptODFExport& f) {
        f.SetReport(&Report);
        ASSERT_TRUE(f.Start());
        for (size_t p = 0; p < Pages.size(); ++p) {
            f.StartPage(Page, static_cast<int>(p));
            for (TrptView* v : Pages[p]) f.ExportObject(v);
            f.FinishPage(Page, static_cast<int>(p));
        }
        f.Finish();
    }
};

// The fixture of the issue: two pages.
void BuildFixture(TFixture& d) {
    TrptMemoView* span = d.Memo(0, 0, 0, 300, 40, QStringLiteral("Span"));
    span->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    span->SetColor(0xCCFFCC);
    span->Font()->SetStyle(TFontStyles{fsBold});
    d.Memo(0, 300, 0, 100, 20, QStringLiteral("r1"));
    d.Memo(0, 300, 20, 100, 20, QStringLiteral("r2"));
    d.Number(0, 0, 40, QStringLiteral("-1,5"), QStringLiteral("%2.1n"), QStringLiteral(","), QString());
    d.Number(0, 100, 40, QStringLiteral("1.234,50"), QStringLiteral("%2.2n"), QStringLiteral(","),
             QStringLiteral("."));
    TrptMemoView* tagged = d.Memo(0, 200, 40, 100, 20, QStringLiteral("AT&T <b>bold</b> x<y"));
    tagged->SetAllowHTMLTags(true);
    auto pic = std::make_unique<TTwoColourView>(nullptr);
    pic->SetBounds(300, 40, 100, 60);
    d.Add(0, std::move(pic));
    d.Memo(0, 0, 60, 200, 20, QStringLiteral(" lead  two   end "));
    d.Memo(0, 200, 60, 100, 20, QStringLiteral("tab\there"));
    TrptMemoView* link = d.Memo(0, 0, 80, 300, 20, QStringLiteral("Korvel site"));
    link->SetURL(QStringLiteral("https://example.org/a?b=1&c=2"));
    link->Font()->SetColor(0xFF0000);
    d.Memo(1, 0, 0, 200, 20, QStringLiteral("Page two"));
    d.Memo(1, 0, 20, 200, 40, QStringLiteral("line one\r\nline two"));
}

class OdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        SetClock([] { return EncodeDate(2026, 12, 11) + EncodeTime(10, 20, 30, 0); });
        SetOpenUrlHandler([this](const QUrl& url) {
            FOpened << url.toLocalFile();
            return true;
        });
    }
    void TearDown() override {
        SetOpenUrlHandler({});
        SetClock({});
        EXPECT_EQ(PackageFolders(), QStringList()) << "package folders left behind";
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    // Unpacks the package into a folder of its own and returns it.
    QString Unpack(const QString& package, const QString& name) {
        const QString dir = Path(name);
        QDir().mkpath(dir);
        const TRun r = RunTool(QStringLiteral("unzip"), {QStringLiteral("-o"), QStringLiteral("-q"), package,
                                                         QStringLiteral("-d"), dir});
        EXPECT_EQ(r.Code, 0) << r.Output.toStdString();
        return dir;
    }
    QJsonObject OdfPy(const QString& package) {
        const TRun r = RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral(KORVEL_TEST_DATA "/odfcheck.py"), package});
        EXPECT_EQ(r.Code, 0) << r.Output.toStdString();
        return QJsonDocument::fromJson(r.Output.toUtf8()).object();
    }
    // unzip -t, and xmllint on every XML part.
    void ExpectWellFormed(const QString& package, const QString& name) {
        const TRun t = RunTool(QStringLiteral("unzip"), {QStringLiteral("-t"), package});
        EXPECT_EQ(t.Code, 0) << t.Output.toStdString();
        const QString dir = Unpack(package, name);
        for (const char* part : {"content.xml", "styles.xml", "meta.xml", "META-INF/manifest.xml"}) {
            const TRun x = RunTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), dir + QLatin1Char('/') + QLatin1String(part)});
            EXPECT_EQ(x.Code, 0) << part << ": " << x.Output.toStdString();
            EXPECT_TRUE(x.Output.isEmpty()) << part << ": " << x.Output.toStdString();
        }
    }
    // content.xml canonicalised equals the golden of that name.
    void ExpectGolden(const QString& package, const QString& golden) {
        const QString dir = Unpack(package, QStringLiteral("golden-") + golden);
        const TRun c = RunTool(QStringLiteral("xmllint"), {QStringLiteral("--c14n"), dir + QStringLiteral("/content.xml")});
        ASSERT_EQ(c.Code, 0) << c.Output.toStdString();
        const QString goldenPath = QStringLiteral(KORVEL_TEST_DATA "/") + golden;
        const QByteArray want = ReadFile(goldenPath);
        if (want.isEmpty() || qEnvironmentVariableIsSet("KORVEL_WRITE_GOLDEN")) {
            QFile g(goldenPath);
            ASSERT_TRUE(g.open(QIODevice::WriteOnly));
            g.write(c.Output.toUtf8());
            FAIL() << "golden written: " << goldenPath.toStdString();
        }
        EXPECT_EQ(c.Output.toUtf8(), want) << golden.toStdString();
    }
    TRun Office(const QStringList& args) {
        const QString profile = Path(QStringLiteral("lo-profile"));
        QStringList all{QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                        QStringLiteral("--headless"), QStringLiteral("--norestore")};
        all << args;
        return RunTool(QStringLiteral("soffice"), all, FDir.path());
    }

    QTemporaryDir FDir;
    QStringList FOpened;
};

TEST(OdfText, Spaces) {
    const struct {
        const char* In;
        const char* Out;
    } cases[] = {
        {"", ""},
        {"a b", "a b"},
        {"a  b", "a <text:s/>b"},
        {"a   b", "a <text:s text:c=\"2\"/>b"},
        {" a", "<text:s/>a"},
        {"   a", "<text:s text:c=\"3\"/>a"},
        {"a ", "a<text:s/>"},
        {"a   ", "a <text:s text:c=\"2\"/>"},
        {" ", "<text:s/>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrptODFExport::ProcessSpaces(QString::fromUtf8(c.In)), QString::fromUtf8(c.Out)) << c.In;
    EXPECT_EQ(TrptODFExport::ProcessTabs(QStringLiteral("a\tb\t")), QStringLiteral("a<text:tab/>b<text:tab/>"));
    EXPECT_EQ(TrptODFExport::ProcessControlSymbols(QStringLiteral("a\x01\r\nb\x1f")), QStringLiteral("ab"));
}

TEST(OdfText, EscapingDropsWhatXmlCannotHold) {
    const QString nul(QChar(0));
    const struct {
        QString In, Out;
    } cases[] = {
        {QStringLiteral("a & b < c > d \" e"), QStringLiteral("a &amp; b &lt; c &gt; d &quot; e")},
        {QStringLiteral("line\r\n"), QStringLiteral("line")},
        {QStringLiteral("x\ny"), QStringLiteral("xy")},
        {nul + QStringLiteral("a\x01") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00) + QChar(0xFFFE),
         QStringLiteral("ab")},
        {QStringLiteral("\U0001F600 \u00e9\t"), QStringLiteral("\U0001F600 \u00e9\t")},
    };
    for (const auto& c : cases) EXPECT_EQ(TrptODFExport::EscapeCellText(c.In), c.Out) << c.In.toStdString();
}

TEST(OdfText, NumberCellsReadWithTheFormatsSeparators) {
    struct TCase {
        const char* Text;
        const char* Dec;
        const char* Thou;
        const char* Locale;
        const char* Value; // empty: a string cell
    };
    const TCase cases[] = {
        {"-1,5", ",", "", "C", "-1.5"},
        {"1.234,50", ",", ".", "C", "1234.50"},
        {"1 234,50", ",", "", "C", "1234.50"},
        {"1,234.5", "", "", "C", "1234.5"},
        {"12", "", "", "C", "12"},
        {"1e5", "", "", "C", "1E5"},
        {"-2.5E-3", "", "", "C", "-2.5E-3"},
        {".5", "", "", "C", "0.5"},
        {"1.234,50", "", "", "C", ""},     // the point is the decimal separator here
        {"1,5", "", "", "C", ""},          // not a thousands group
        {"12,34,567", "", "", "C", ""},
        {"1.2.3", "", "", "C", ""},
        {"$12", "", "", "C", ""},
        {"12 EUR", "", "", "C", ""},
        {"-", "", "", "C", ""},
        {"", "", "", "C", ""},
        {"1.234,50", "", "", "de_DE", "1234.50"}, // the locale's separators when the format has none
        {"-1,5", "", "", "de_DE", "-1.5"},
    };
    for (const TCase& c : cases) {
        TFormatSettingsScope locale(TFormatSettings::Create(QLatin1String(c.Locale)));
        TrptFormat f;
        f.SetKind(fkNumeric);
        f.SetDecimalSeparator(QLatin1String(c.Dec));
        f.SetThousandSeparator(QLatin1String(c.Thou));
        EXPECT_EQ(TrptODFExport::NumericValue(QLatin1String(c.Text), &f), QLatin1String(c.Value))
            << c.Text << " in " << c.Locale;
    }
}

TEST(OdfFilters, DescriptionsAndDefaults) {
    TrptODSExport s(nullptr);
    TrptODTExport t(nullptr);
    EXPECT_EQ(s.GetDescription(), QStringLiteral("Open Document Spreadsheet"));
    EXPECT_EQ(t.GetDescription(), QStringLiteral("Open Document Text"));
    EXPECT_EQ(s.DefaultExt(), QStringLiteral(".ods"));
    EXPECT_EQ(t.DefaultExt(), QStringLiteral(".odt"));
    EXPECT_EQ(s.FilterDesc(), QStringLiteral("Open Document Spreadsheet file (*.ods)|*.ods"));
    EXPECT_EQ(s.ExportType(), QStringLiteral("spreadsheet"));
    EXPECT_EQ(t.ExportType(), QStringLiteral("text"));
    EXPECT_EQ(s.Creator(), QStringLiteral("RozoZodeva"));
    EXPECT_EQ(s.Language(), QStringLiteral("en"));
    EXPECT_TRUE(s.ExportPageBreaks() && s.ExportStyles() && s.Wysiwyg() && s.Background() && s.EmptyLines());
    EXPECT_FALSE(s.OpenAfterExport() || s.SingleSheet());
    EXPECT_EQ(s.PictureType(), gpPNG);
    TrptODSExport none(nullptr);
    EXPECT_FALSE(none.Start()) << "no file and no stream";
}

// The fixture as a spreadsheet: content.xml equals its golden, every part is well formed, odfpy
// reads the cells back, the package starts with its stored mimetype, and a second run gives the
// same bytes.
TEST_F(OdfTest, SpreadsheetOfTheFixture) {
    const QString out = Path(QStringLiteral("fixture.ods"));
    QByteArray first;
    for (int run = 0; run < 2; ++run) {
        TFixture d;
        BuildFixture(d);
        TrptODSExport f(nullptr);
        f.SetShowProgress(false);
        f.SetFileName(out);
        f.SetOpenAfterExport(true);
        d.Export(f);
        EXPECT_EQ(d.Report.Errors()->Count(), 0) << d.Report.Errors()->Text().toStdString();
        if (run == 0) first = ReadFile(out);
    }
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(ReadFile(out), first) << "two runs, other bytes";
    EXPECT_EQ(FOpened, (QStringList{out, out}));
    EXPECT_EQ(first.mid(30, 8), QByteArray("mimetype"));
    EXPECT_EQ(first.mid(38, 46), QByteArray("application/vnd.oasis.opendocument.spreadsheet"));
    ExpectWellFormed(out, QStringLiteral("ods"));
    ExpectGolden(out, QStringLiteral("fixture-ods-content.xml"));

    const QJsonObject py = OdfPy(out);
    EXPECT_EQ(py.value(QLatin1String("mimetype")).toString(), QStringLiteral("application/vnd.oasis.opendocument.spreadsheet"));
    const QJsonArray tables = py.value(QLatin1String("tables")).toArray();
    ASSERT_EQ(tables.size(), 2);
    EXPECT_EQ(tables[0].toObject().value(QLatin1String("name")).toString(), QStringLiteral("Page 1"));
    EXPECT_EQ(tables[1].toObject().value(QLatin1String("name")).toString(), QStringLiteral("Page 2"));
    const QJsonArray rows = tables[0].toObject().value(QLatin1String("rows")).toArray();
    ASSERT_EQ(rows.size(), 5);
    // Row 1: the span over three columns and two rows, two covered cells, then r1.
    const QJsonArray r0 = rows[0].toArray();
    ASSERT_EQ(r0.size(), 3);
    EXPECT_EQ(r0[0].toObject().value(QLatin1String("cols")).toString(), QStringLiteral("3"));
    EXPECT_EQ(r0[0].toObject().value(QLatin1String("rows")).toString(), QStringLiteral("2"));
    EXPECT_EQ(r0[1].toObject().value(QLatin1String("covered")).toInt(), 2);
    // Row 2: one covered element for the three columns under the span.
    EXPECT_EQ(rows[1].toArray()[0].toObject().value(QLatin1String("covered")).toInt(), 3);
    // Row 3: the numbers with their values, the tagged text whole and once.
    const QJsonArray r2 = rows[2].toArray();
    EXPECT_EQ(r2[0].toObject().value(QLatin1String("type")).toString(), QStringLiteral("float"));
    EXPECT_EQ(r2[0].toObject().value(QLatin1String("value")).toString(), QStringLiteral("-1.5"));
    EXPECT_EQ(r2[1].toObject().value(QLatin1String("value")).toString(), QStringLiteral("1234.50"));
    EXPECT_EQ(r2[2].toObject().value(QLatin1String("paras")).toArray()[0].toString(), QStringLiteral("AT&T bold x<y"));
    // Row 4: runs of blanks kept, the tab as a tab.
    const QJsonArray r3 = rows[3].toArray();
    EXPECT_EQ(r3[0].toObject().value(QLatin1String("paras")).toArray()[0].toString(), QStringLiteral(" lead  two   end "));
    EXPECT_EQ(r3[2].toObject().value(QLatin1String("paras")).toArray()[0].toString(), QStringLiteral("tab\there"));
    // Page 2: two lines are two paragraphs.
    const QJsonArray p2 = tables[1].toObject().value(QLatin1String("rows")).toArray();
    ASSERT_EQ(p2.size(), 2);
    EXPECT_EQ(p2[1].toArray()[0].toObject().value(QLatin1String("paras")).toArray().size(), 2);

    // The picture file and its manifest entry; no thumbnail in the manifest.
    const QString dir = Path(QStringLiteral("ods"));
    EXPECT_FALSE(QImage(dir + QStringLiteral("/Pictures/Pic0.png")).isNull());
    const QByteArray manifest = ReadFile(dir + QStringLiteral("/META-INF/manifest.xml"));
    EXPECT_TRUE(manifest.contains("manifest:media-type=\"image/png\" manifest:full-path=\"Pictures/Pic0.png\""));
    EXPECT_FALSE(manifest.contains("thumbnail"));
    EXPECT_EQ(QDir(dir + QStringLiteral("/Pictures")).entryList(QDir::Files), QStringList{"Pic0.png"});
    EXPECT_FALSE(QImage(dir + QStringLiteral("/Thumbnails/thumbnail.jpg")).isNull());
    const QByteArray meta = ReadFile(dir + QStringLiteral("/meta.xml"));
    EXPECT_TRUE(meta.contains("<meta:creation-date>2026-12-11T10:20:30</meta:creation-date>")) << meta.toStdString();
    const QByteArray styles = ReadFile(dir + QStringLiteral("/styles.xml"));
    EXPECT_TRUE(styles.contains("fo:page-width=\"21.0cm\"")) << styles.toStdString();
    EXPECT_TRUE(styles.contains("fo:margin-left=\"1.000cm\""));
    EXPECT_TRUE(styles.contains("fo:language=\"en\" fo:country=\"EN\""));
}

TEST_F(OdfTest, TextDocumentOfTheFixture) {
    const QString out = Path(QStringLiteral("fixture.odt"));
    TFixture d;
    BuildFixture(d);
    TrptODTExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(out);
    f.SetLanguage(QStringLiteral("de"));
    d.Export(f);
    EXPECT_EQ(d.Report.Errors()->Count(), 0) << d.Report.Errors()->Text().toStdString();
    EXPECT_TRUE(FOpened.isEmpty());
    const QByteArray bytes = ReadFile(out);
    EXPECT_EQ(bytes.mid(38, 39), QByteArray("application/vnd.oasis.opendocument.text"));
    ExpectWellFormed(out, QStringLiteral("odt"));
    ExpectGolden(out, QStringLiteral("fixture-odt-content.xml"));
    EXPECT_EQ(OdfPy(out).value(QLatin1String("tables")).toArray().size(), 2);
    EXPECT_TRUE(ReadFile(Path(QStringLiteral("odt/styles.xml"))).contains("fo:language=\"de\" fo:country=\"DE\""));

    // odt2txt shows every text of the report once.
    const TRun t = RunTool(QStringLiteral("odt2txt"), {out});
    ASSERT_EQ(t.Code, 0) << t.Output.toStdString();
    // odt2txt shows runs of blanks as one and leaves out blank elements inside formatted runs, so
    // texts are compared without their blanks.
    QString shown = t.Output;
    shown.remove(QRegularExpression(QStringLiteral("\\s")));
    for (const char* text : {"Span", "r1", "r2", "-1,5", "1.234,50", "AT&Tboldx<y", "leadtwoend", "tabhere",
                             "Korvelsite", "Pagetwo", "lineone", "linetwo"})
        EXPECT_EQ(shown.count(QLatin1String(text)), 1) << text << "\n" << t.Output.toStdString();
}

// LibreOffice reads the spreadsheet into the cells expected, sheet by sheet, and the text
// document into every text once.
TEST_F(OdfTest, LibreOfficeReadsThePackages) {
    TFixture d;
    BuildFixture(d);
    TrptODSExport s(nullptr);
    s.SetShowProgress(false);
    s.SetFileName(Path(QStringLiteral("fixture.ods")));
    d.Export(s);
    TrptODTExport t(nullptr);
    t.SetShowProgress(false);
    t.SetFileName(Path(QStringLiteral("fixture.odt")));
    d.Export(t);
    ASSERT_EQ(d.Report.Errors()->Count(), 0) << d.Report.Errors()->Text().toStdString();
    // For a look at the packages: KORVEL_ODF_KEEP names a folder that gets copies.
    const QString keep = qEnvironmentVariable("KORVEL_ODF_KEEP");
    if (!keep.isEmpty())
        for (const char* n : {"fixture.ods", "fixture.odt"})
            QFile::copy(Path(QLatin1String(n)), keep + QLatin1Char('/') + QLatin1String(n));

    // Comma-separated, UTF-8, values as shown, every sheet to a file of its own.
    const TRun c = Office({QStringLiteral("--convert-to"),
                           QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1"),
                           QStringLiteral("--outdir"), Path(QStringLiteral("csv")), Path(QStringLiteral("fixture.ods"))});
    ASSERT_EQ(c.Code, 0) << c.Output.toStdString();
    const QByteArray sheet1 = ReadFile(Path(QStringLiteral("csv/fixture-Page 1.csv")));
    const QByteArray sheet2 = ReadFile(Path(QStringLiteral("csv/fixture-Page 2.csv")));
    // Text is quoted only where it must be, and trailing empty columns are left out; Calc keeps no
    // tab inside a cell.
    EXPECT_EQ(sheet1, QByteArray("Span,,,r1\n"
                                 ",,,r2\n"
                                 "-1.5,1234.50,AT&T bold x<y,\n"
                                 " lead  two   end ,,tabhere,\n"
                                 "Korvel site,,,\n"))
        << c.Output.toStdString();
    EXPECT_EQ(sheet2, QByteArray("Page two\n\"line one\nline two\"\n"));

    const TRun x = Office({QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("--outdir"),
                           Path(QStringLiteral("txt")), Path(QStringLiteral("fixture.odt"))});
    ASSERT_EQ(x.Code, 0) << x.Output.toStdString();
    const QString text = QString::fromUtf8(ReadFile(Path(QStringLiteral("txt/fixture.txt"))));
    // Writer shows the number cells by their values and number styles.
    for (const char* want : {"Span", "r1", "r2", "-1.5", "1234.50", "AT&T bold x<y", " lead  two   end ", "tab\there",
                             "Korvel site", "Page two", "line one", "line two"})
        EXPECT_EQ(text.count(QString::fromUtf8(want)), 1) << want << "\n" << text.toStdString();
}

// Through the export loop: the document is dated by the loop's start, not the year 1899.
TEST_F(OdfTest, TheExportLoopDatesTheDocument) {
    TrptReport report;
    report.EngineOptions()->SetSilentMode(true);
    auto* page = new TrptReportPage(&report);
    auto* title = new TrptReportTitle(page);
    title->SetHeight(60);
    auto* memo = new TrptMemoView(title);
    memo->SetBounds(0, 0, 300, 30);
    memo->SetText(QStringLiteral("Prepared"));
    ASSERT_TRUE(PrepareReportPages(&report));
    SetClock([] { return EncodeDate(2027, 3, 4) + EncodeTime(5, 6, 7, 0); });
    TrptODSExport f(nullptr);
    f.SetShowDialog(false);
    f.SetShowProgress(false);
    f.SetFileName(Path(QStringLiteral("loop.ods")));
    ASSERT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f));
    const QString dir = Unpack(Path(QStringLiteral("loop.ods")), QStringLiteral("loop"));
    EXPECT_TRUE(ReadFile(dir + QStringLiteral("/meta.xml")).contains("2027-03-04T05:06:07"));
    EXPECT_TRUE(ReadFile(dir + QStringLiteral("/content.xml")).contains(">Prepared<"));
}

// Bad input: each ends in one message through the silent mode (or the exception asked for), no
// package folder left and nothing opened.
TEST_F(OdfTest, FailuresAreReportedAndLeaveNothing) {
    QFile blocker(Path(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct TCase {
        const char* Name;
        QString Target;
        bool NoPages;
        bool HugePicture;
        const char* Message;
    };
    const TCase cases[] = {
        {"unwritable target", Path(QStringLiteral("blocker/out.ods")), false, false, "blocker/out.ods"},
        {"missing folder", Path(QStringLiteral("no such folder/out.ods")), false, false, "no such folder/out.ods"},
        {"no pages", Path(QStringLiteral("empty.ods")), true, false, "no pages"},
        {"picture that cannot be written", Path(QStringLiteral("huge.ods")), false, true, "huge.ods"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        for (TrptSilentMode mode : {simSilent, simReThrow}) {
            TFixture d;
            d.Report.EngineOptions()->SetNewSilentMode(mode);
            if (!c.NoPages) d.Memo(0, 0, 0, 100, 20, QStringLiteral("x"));
            if (c.HugePicture) {
                auto pic = std::make_unique<TTwoColourView>(nullptr);
                pic->SetBounds(0, 20, 200000, 200000);
                d.Add(0, std::move(pic));
            }
            TrptODSExport f(nullptr);
            f.SetShowProgress(false);
            f.SetOpenAfterExport(true);
            f.SetFileName(c.Target);
            if (mode == simSilent) {
                d.Export(f);
                ASSERT_EQ(d.Report.Errors()->Count(), 1);
                EXPECT_TRUE(d.Report.Errors()->Strings(0).contains(QLatin1String(c.Message)))
                    << d.Report.Errors()->Strings(0).toStdString();
            } else {
                try {
                    d.Export(f);
                    ADD_FAILURE() << "no exception";
                } catch (const Exception& e) {
                    EXPECT_TRUE(e.Message().contains(QLatin1String(c.Message))) << e.Message().toStdString();
                }
            }
            EXPECT_FALSE(QFileInfo::exists(c.Target));
            EXPECT_EQ(PackageFolders(), QStringList());
        }
    }
    EXPECT_TRUE(FOpened.isEmpty()) << FOpened.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{"blocker"});
}

// Texts that XML cannot hold and a name with blanks and non-ASCII letters give a sound package.
TEST_F(OdfTest, ForbiddenCharactersAndOddNames) {
    const QString folder = Path(QStringLiteral("Отчёты и данные"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = folder + QStringLiteral("/Größe & Preis #1.ods");
    TFixture d;
    // The text model ends a text at NUL, so it comes last here.
    const QString bad = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC01) +
                        QStringLiteral("\x01") + QStringLiteral("c") + QChar(0xFFFF) + QChar(0);
    TrptMemoView* m = d.Memo(0, 0, 0, 100, 20, bad);
    m->SetURL(QStringLiteral("https://example.org/") + QChar(0));
    TrptMemoView* tagged = d.Memo(0, 100, 0, 100, 20, QStringLiteral("<b>") + bad + QStringLiteral("</b>"));
    tagged->SetAllowHTMLTags(true);
    TrptODSExport f(nullptr);
    f.SetShowProgress(false);
    f.SetOpenAfterExport(true);
    f.SetFileName(out);
    d.Export(f);
    EXPECT_EQ(d.Report.Errors()->Count(), 0) << d.Report.Errors()->Text().toStdString();
    ASSERT_TRUE(QFileInfo::exists(out));
    EXPECT_EQ(FOpened, QStringList{out});
    ExpectWellFormed(out, QStringLiteral("bad"));
    const QByteArray content = ReadFile(Path(QStringLiteral("bad/content.xml")));
    EXPECT_TRUE(content.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>"));
    EXPECT_TRUE(content.contains("<text:a xlink:type=\"simple\" xlink:href=\"https://example.org/\">abc</text:a>"))
        << content.toStdString();
    EXPECT_TRUE(content.contains("\">abc</text:span>")) << content.toStdString();
    EXPECT_EQ(OdfPy(out).value(QLatin1String("tables")).toArray().size(), 1);
}

// A 10 MB cell and 2,000 columns are written whole.
const int LargeCellSize = 10 * 1024 * 1024;
// The decimals of a number style: a printf format names them, a picture shows them as placeholders.
TEST_F(OdfTest, NumberStylesTakeTheFormatsDecimals) {
    const struct {
        const char* Format;
        const char* Places;
    } cases[] = {{"%2.2f", "2"}, {"%g", "0"}, {"0.00", "2"}, {"#,##0.000", "3"}, {"0", "0"}, {"0.#", "1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format);
        const QString out = Path(QStringLiteral("places.ods"));
        TFixture d;
        d.Number(0, 0, 0, QStringLiteral("12.5"), QString::fromLatin1(c.Format), QStringLiteral("."), QString());
        TrptODSExport f(nullptr);
        f.SetShowProgress(false);
        f.SetFileName(out);
        d.Export(f);
        const QByteArray content = ReadFile(Unpack(out, QStringLiteral("places")) + QStringLiteral("/content.xml"));
        EXPECT_TRUE(content.contains(QByteArray("number:decimal-places=\"") + c.Places + "\"")) << content.toStdString();
    }
}

TEST_F(OdfTest, LargeCellAndWideReport) {
    const QString out = Path(QStringLiteral("large.ods"));
    TFixture d;
    d.Memo(0, 0, 20, 200, 20, QString(LargeCellSize, QLatin1Char('W')));
    for (int i = 0; i < 2000; ++i) d.Memo(0, i * 10.0, 40, 10, 20, QString::number(i));
    TrptODSExport f(nullptr);
    f.SetShowProgress(false);
    f.SetFileName(out);
    d.Export(f);
    EXPECT_EQ(d.Report.Errors()->Count(), 0) << d.Report.Errors()->Text().toStdString();
    const TRun t = RunTool(QStringLiteral("unzip"), {QStringLiteral("-t"), out});
    EXPECT_EQ(t.Code, 0) << t.Output.toStdString();
    const QString dir = Unpack(out, QStringLiteral("large"));
    const TRun x = RunTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--huge"), dir + QStringLiteral("/content.xml")});
    EXPECT_EQ(x.Code, 0) << x.Output.toStdString();
    const QByteArray content = ReadFile(dir + QStringLiteral("/content.xml"));
    EXPECT_EQ(content.count("<table:table-column "), 2000);
    EXPECT_TRUE(content.contains(">1999</text:p>"));
    // The whole cell in one paragraph (found by its start: a search for the whole text is slow).
    const qsizetype at = content.indexOf("><text:p>WWWW");
    ASSERT_GE(at, 0);
    EXPECT_EQ(content.mid(at + 9, LargeCellSize + 9), QByteArray(LargeCellSize, 'W') + "</text:p>");
}

} // namespace
