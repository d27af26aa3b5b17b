// Text objects are written as text in embedded composite fonts: pdffonts, pdftotext, qpdf and
// fontTools read the files back; the ToUnicode map is checked on its own.

#include "PdfTestSupport.h"

#include "platform/gfx/FontService.h"
#include "report/core/rptClassMemo.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TTextCase {
    const char* Font;
    const char16_t* Text;
    bool Rtl;
};

// One line per script, right-to-left lines in logical order, a mixed line, ligatures and a
// character outside the basic plane.
const TTextCase kMultilingual[] = {
    {"Arial", u"The quick brown fox jumps", false},
    {"Arial", u"\u0421\u044A\u0435\u0448\u044C \u0436\u0435 \u0435\u0449\u0451 \u044D\u0442\u0438\u0445 "
              u"\u0431\u0443\u043B\u043E\u043A",
     false},
    {"Arial", u"\u039E\u03B5\u03C3\u03BA\u03B5\u03C0\u03AC\u03B6\u03C9 \u03C4\u03B7\u03BD \u03C8\u03C5\u03C7\u03AE",
     false},
    {"Arial", u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645", true},
    {"Arial", u"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD", true},
    {"Arial", u"Total 42 \u05E9\u05E7\u05DC\u05D9\u05DD paid", false},
    {"DejaVu Sans", u"office affluent flow", false},
    {"DejaVu Serif", u"Math \U0001D400\U0001D401 sign", false},
    {"Times New Roman", u"Bold serif text", false},
};

struct TExported {
    QByteArray Bytes;
    QString Path;
};

// Exports the views on one A4 page into dir/name.
TExported ExportViews(const QTemporaryDir& dir, const QString& name, const std::vector<TrptView*>& views,
                      bool compressed = true) {
    TExported r;
    r.Path = dir.filePath(name);
    TTestPDFExport f;
    f.SetCompressed(compressed);
    f.SetFileName(r.Path);
    EXPECT_TRUE(f.Start());
    f.StartPage(A4Page());
    for (TrptView* v : views)
        f.ExportObject(v);
    f.FinishPage(nullptr, 0);
    f.Finish();
    QFile file(r.Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    r.Bytes = file.readAll();
    return r;
}

std::unique_ptr<TrptMemoView> Memo(const QString& font, const QString& text, double top, bool rtl = false) {
    auto m = std::make_unique<TrptMemoView>();
    m->SetBounds(40, top, 600, 24);
    m->Font()->SetName(font);
    m->Font()->SetSize(12);
    m->SetRTLReading(rtl);
    if (rtl) m->SetHAlign(haRight);
    m->SetText(text);
    return m;
}

// The stream bytes of object n of an uncompressed file, by its /Length.
QByteArray StreamOf(const QByteArray& Pdf, int Number) {
    const QByteArray header = "\n" + QByteArray::number(Number) + " 0 obj\r\n";
    const qsizetype at = Pdf.indexOf(header);
    if (at < 0) return QByteArray();
    const qsizetype dict = at + header.size();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^<< /Length (\\d+)")).match(QString::fromLatin1(Pdf.mid(dict, 40)));
    const qsizetype data = Pdf.indexOf("stream\r\n", dict);
    if (!m.hasMatch() || data < 0) return QByteArray();
    return Pdf.mid(data + 8, m.captured(1).toLongLong());
}

QString PdfToText(const QString& path) {
    QString out;
    EXPECT_EQ(RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path,
                                                    QStringLiteral("-")},
                      &out),
              0)
        << out.toStdString();
    return out;
}

} // namespace

TEST(PdfText, MultilingualTextReadsBackAndFontsAreEmbeddedSubsets) {
    std::vector<std::unique_ptr<TrptMemoView>> memos;
    std::vector<TrptView*> views;
    double top = 40;
    for (const TTextCase& c : kMultilingual) {
        memos.push_back(Memo(QString::fromLatin1(c.Font), QString::fromUtf16(c.Text), top, c.Rtl));
        views.push_back(memos.back().get());
        top += 40;
    }
    memos.back()->Font()->SetStyle(TFontStyles{fsBold});
    QTemporaryDir dir;
    const TExported pdf = ExportViews(dir, QStringLiteral("multi.pdf"), views);

    QString check;
    EXPECT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf.Path}, &check), 0) << check.toStdString();

    // Copy and search give the source text back, right-to-left lines in logical order. pdftotext
    // wraps right-to-left pieces in embedding marks and moves the blanks next to them, so marks
    // and blanks are left out of the comparison.
    auto bare = [](QString t) {
        t.remove(QRegularExpression(QStringLiteral("[\\x{202A}-\\x{202E}\\s]")));
        return t;
    };
    const QString text = PdfToText(pdf.Path);
    for (const TTextCase& c : kMultilingual)
        EXPECT_TRUE(bare(text).contains(bare(QString::fromUtf16(c.Text))))
            << QString::fromUtf16(c.Text).toStdString() << "\nnot in:\n" << text.toStdString();
    // Ligatures map to all their characters: the words come back whole, blanks and all.
    EXPECT_TRUE(text.contains(QStringLiteral("office affluent flow"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Math \U0001D400\U0001D401 sign"))) << text.toStdString();

    // Every face used is an embedded CID TrueType subset with a ToUnicode map.
    QString fonts;
    ASSERT_EQ(RunTool(QStringLiteral("pdffonts"), {pdf.Path}, &fonts), 0) << fonts.toStdString();
    const QStringList rows = fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QStringList faces;
    for (const QString& row : rows) {
        const QStringList cols = row.simplified().split(QLatin1Char(' '));
        ASSERT_GE(cols.size(), 8) << row.toStdString();
        EXPECT_TRUE(row.contains(QStringLiteral("CID TrueType"))) << row.toStdString();
        EXPECT_TRUE(row.contains(QStringLiteral("Identity-H"))) << row.toStdString();
        // emb, sub, uni
        EXPECT_EQ(cols.mid(cols.size() - 5, 3), (QStringList{"yes", "yes", "yes"})) << row.toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z]{6}\\+")).match(cols[0]).hasMatch()) << row.toStdString();
        faces << cols[0].mid(7);
    }
    for (const char* face : {"LiberationSans", "DejaVuSans", "DejaVuSerif", "LiberationSerif-Bold"})
        EXPECT_TRUE(faces.contains(QString::fromLatin1(face))) << face << " not in " << fonts.toStdString();
}

TEST(PdfText, EmbeddedSubsetOpensInFontToolsWithTheUsedGlyphs) {
    auto memo = Memo(QStringLiteral("Arial"), QStringLiteral("Subset check: Grüße, Привет"), 40);
    QTemporaryDir dir;
    const TExported pdf = ExportViews(dir, QStringLiteral("plain.pdf"), {memo.get()}, false);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("/FontFile2 (\\d+) 0 R"))
                                          .match(QString::fromLatin1(pdf.Bytes));
    ASSERT_TRUE(m.hasMatch());
    const QByteArray font = StreamOf(pdf.Bytes, m.captured(1).toInt());
    ASSERT_GT(font.size(), 1000);
    const QString fontPath = dir.filePath(QStringLiteral("subset.ttf"));
    {
        QFile f(fontPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(font);
    }
    // fontTools checks the checksums, reads every glyph and maps the text's characters to the
    // glyph numbers the PDF uses (kept in place).
    const QString script = QStringLiteral(
        "import sys\n"
        "from fontTools.ttLib import TTFont\n"
        "f = TTFont(sys.argv[1], checkChecksums=2)\n"
        "glyf = f['glyf']\n"
        "order = f.getGlyphOrder()\n"
        "cmap = f.getBestCmap()\n"
        "used = 0\n"
        "for ch in 'Subset check: Grüße, Привет':\n"
        "    g = glyf[cmap[ord(ch)]]\n"
        "    if ch != ' ':\n"
        "        assert g.numberOfContours != 0, ch\n"
        "    used += 1\n"
        "empty = sum(1 for n in order if glyf[n].numberOfContours == 0)\n"
        "print('glyphs', len(order), 'empty', empty, 'used', used)\n"
        "assert empty > len(order) // 2\n");
    QString out;
    EXPECT_EQ(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, fontPath}, &out), 0)
        << out.toStdString();
}

TEST(PdfText, ToUnicodeBlocksLigaturesAndSurrogates) {
    TrptPDFFont font(TFontService::Instance().Face(QStringLiteral("DejaVu Sans"), false, false),
                     QStringLiteral("DejaVu Sans"), false, false);
    for (int g = 1; g <= 250; ++g)
        font.UseGlyph(static_cast<quint16>(g), QString(QChar(0x400 + g)));
    font.UseGlyph(300, QStringLiteral("ffi"));
    font.UseGlyph(301, QString::fromUtf16(u"\U0001D400"));
    font.UseGlyph(302, QString());                   // no characters: no entry
    font.UseGlyph(5, QStringLiteral("x"));          // first mapping stays
    const QByteArray cmap = font.ToUnicodeCMap("Test");
    EXPECT_EQ(cmap.count("/Ordering"), 1);
    EXPECT_TRUE(cmap.contains("/Ordering (UCS)"));
    const QList<QByteArray> lines = cmap.split('\n');
    QList<int> blocks;
    for (const QByteArray& l : lines)
        if (l.endsWith("beginbfchar\r")) blocks << l.split(' ').value(0).toInt();
    EXPECT_EQ(blocks, (QList<int>{100, 100, 52}));
    EXPECT_TRUE(cmap.contains("<012C> <006600660069>"));
    EXPECT_TRUE(cmap.contains("<012D> <D835DC00>"));
    EXPECT_TRUE(cmap.contains("<0005> <0405>"));
    EXPECT_FALSE(cmap.contains("<012E>"));
}

TEST(PdfText, FontsAreEmbeddedByDefault) {
    TrptPDFExport f;
    EXPECT_TRUE(f.EmbeddedFonts());
    const TPropInfo* p = GetPropInfo(TrptPDFExport::StaticClassInfo(), QStringLiteral("EmbeddedFonts"));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(IsDefaultPropValue(&f, p));
}

// Content of one text object (uncompressed page content).
static QByteArray ContentOf(TrptView* view) {
    QTemporaryDir dir;
    const TExported pdf = ExportViews(dir, QStringLiteral("one.pdf"), {view}, false);
    QString check;
    EXPECT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf.Path}, &check), 0) << check.toStdString();
    return StreamOf(pdf.Bytes, 2);
}

TEST(PdfText, FontSizeKeepsItsFraction) {
    auto memo = Memo(QStringLiteral("Arial"), QStringLiteral("Ten and a half"), 40);
    memo->Font()->SetHeight(-14); // 10.5 pt at 96 pixels per inch
    const QByteArray c = ContentOf(memo.get());
    EXPECT_TRUE(c.contains("/F0 10.50 Tf")) << c.toStdString();
    // A whole size stays whole although its pixel height is rounded (13 pixels are 9.75 points).
    memo->Font()->SetSize(10);
    const QByteArray ten = ContentOf(memo.get());
    EXPECT_TRUE(ten.contains("/F0 10 Tf") || ten.contains("/F0 10.00 Tf")) << ten.toStdString();
}

TEST(PdfText, PostScriptOutlinedFacesGoInWholeAsOpenType) {
    // A face with CFF outlines cannot pass as a TrueType program: it is embedded whole as an
    // OpenType program of a CID font of type 0, and readers draw and extract its text.
    auto memo = Memo(QStringLiteral("Nimbus Sans"), QStringLiteral("Outlines of cubic curves"), 40);
    ASSERT_TRUE(TFontService::Instance().Face(QStringLiteral("Nimbus Sans"), false, false)->FilePath().endsWith(".otf"))
        << "fonts-urw-base35 is not installed";
    QTemporaryDir dir;
    const TExported pdf = ExportViews(dir, QStringLiteral("cff.pdf"), {memo.get()});
    QString out;
    EXPECT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf.Path}, &out), 0) << out.toStdString();
    ASSERT_EQ(RunTool(QStringLiteral("pdffonts"), {pdf.Path}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("NimbusSans-Regular"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("CID Type 0C (OT)"))) << out.toStdString();
    EXPECT_TRUE(out.simplified().contains(QStringLiteral("Identity-H yes no yes"))) << out.toStdString();
    EXPECT_TRUE(PdfToText(pdf.Path).contains(QStringLiteral("Outlines of cubic curves")));
    EXPECT_TRUE(pdf.Bytes.contains("/Version /1.6"));
    // Drawn, not left blank: rendering the page reports no font error.
    EXPECT_EQ(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                                                   pdf.Path, dir.filePath(QStringLiteral("cff"))},
                      &out),
              0)
        << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("rror"))) << out.toStdString();
}

TEST(PdfText, EmptyBlankAndOverwideTexts) {
    // No text: clip, fill, frame and Q, but no font and no BT.
    auto empty = Memo(QStringLiteral("Arial"), QString(), 40);
    empty->SetColor(0x00FFFF);
    empty->Frame()->SetTyp(TrptFrameTypes{ftTop});
    QByteArray c = ContentOf(empty.get());
    EXPECT_TRUE(c.startsWith("q\r\n")) << c.toStdString();
    EXPECT_TRUE(c.contains(" re\r\nW\r\nn\r\n"));
    EXPECT_TRUE(c.contains(" re\r\nf\r\n"));
    EXPECT_TRUE(c.endsWith("S\r\nQ\r\n")) << c.toStdString();
    EXPECT_FALSE(c.contains("BT"));
    EXPECT_FALSE(c.contains("Tf"));

    // Only blanks: written (a run of space glyphs), the file is sound.
    auto blanks = Memo(QStringLiteral("Arial"), QStringLiteral("      "), 40);
    c = ContentOf(blanks.get());
    EXPECT_TRUE(c.contains("BT\r\n")) << c.toStdString();

    // Wider than the page: clipped at the object; what lies on the page reads back.
    QTemporaryDir dir;
    auto wide = Memo(QStringLiteral("Arial"), QString(), 40);
    wide->SetWordWrap(false);
    wide->SetBounds(-100, 40, 3000, 24);
    QString longLine;
    for (int i = 0; i < 60; ++i)
        longLine += QStringLiteral("word%1 ").arg(i);
    wide->SetText(longLine.trimmed());
    const TExported pdf = ExportViews(dir, QStringLiteral("wide.pdf"), {wide.get()});
    QString check;
    EXPECT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf.Path}, &check), 0) << check.toStdString();
    const QString text = PdfToText(pdf.Path);
    EXPECT_TRUE(text.contains(QStringLiteral("word10 word11 word12"))) << text.toStdString();
}

TEST(PdfText, SimulatedStylesAndRotation) {
    auto gothic = Memo(QStringLiteral("MS UI Gothic"), QStringLiteral("Gothic"), 40);
    gothic->Font()->SetStyle(TFontStyles{fsBold, fsItalic});
    QByteArray c = ContentOf(gothic.get());
    EXPECT_TRUE(c.contains("2 Tr ")) << c.toStdString();
    EXPECT_TRUE(c.contains("1 0 0.3333 1 "));
    EXPECT_TRUE(c.contains("0 Tr\r\n"));

    auto arial = Memo(QStringLiteral("Arial"), QStringLiteral("Bold"), 40);
    arial->Font()->SetStyle(TFontStyles{fsBold, fsUnderline});
    c = ContentOf(arial.get());
    EXPECT_FALSE(c.contains(" Tr")) << c.toStdString();
    // Underline: a stroke below the baseline.
    EXPECT_TRUE(c.contains(" w\r\n")) << c.toStdString();
    EXPECT_TRUE(c.contains(" l\r\nS\r\n"));

    auto turned = Memo(QStringLiteral("Arial"), QStringLiteral("Up"), 40);
    turned->SetBounds(100, 100, 40, 200);
    turned->SetRotation(90);
    c = ContentOf(turned.get());
    // cos, sin, -sin, cos and the centre (120, 200) px = (90, 841.89 - 150) pt.
    EXPECT_TRUE(c.contains("0.00 1.00 -1.00 0.00 90.00 691.89 cm")) << c.toStdString();
}

// The page drawn by a reader shows the letters inside the object only.
TEST(PdfText, RenderedTextStaysInsideItsObject) {
    TrptMemoView memo;
    memo.SetBounds(100, 100, 300, 60);
    memo.Font()->SetSize(24);
    memo.SetText(QStringLiteral("MMMMMMMM"));
    memo.Frame()->SetTyp(TrptFrameTypes{ftBottom});
    QTemporaryDir dir;
    const TExported pdf = ExportViews(dir, QStringLiteral("text.pdf"), {&memo});
    QString out;
    const QString prefix = dir.filePath(QStringLiteral("text"));
    ASSERT_EQ(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), pdf.Path, prefix}, &out), 0);
    const QImage img(prefix + QStringLiteral("-1.png"));
    ASSERT_FALSE(img.isNull());
    if (qEnvironmentVariableIsSet("KORVEL_KEEP_RENDERING")) img.save(QStringLiteral("/tmp/pdf-text.png"));
    int inside = 0, outside = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            if (qGray(img.pixel(x, y)) > 100) continue;
            const bool in = x >= 75 && x < 300 && y >= 75 && y < 121;
            (in ? inside : outside)++;
        }
    EXPECT_GT(inside, 300);
    EXPECT_EQ(outside, 0);
    EXPECT_LT(qGray(img.pixel(150, 120)), 100);
    EXPECT_TRUE(PdfToText(pdf.Path).contains(QStringLiteral("MMMMMMMM")));
}
