// Subsets checked from outside: fontTools loads each one with every checksum verified and
// compares the kept glyphs with the original font (data/check_subset.py). Built fixtures cover
// the table versions; the installed fonts are the ones exports really embed, reached through the
// font service as the PDF export reaches them.

#include "FontFixtures.h"

#include "platform/gfx/FontService.h"
#include "report/export/rptTrueTypeCollection.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TJobs {
    QTemporaryDir Dir;
    std::vector<TSubsetCheck> Jobs;

    // Writes the source (unless it is a file already) and its subset, and queues the check.
    QByteArray Add(const QString& name, const QString& sourcePath, const QByteArray& source, int face,
                   const QList<quint16>& glyphs) {
        QString original = sourcePath;
        if (original.isEmpty()) {
            original = Dir.filePath(name + QStringLiteral(".source"));
            WriteFile(original, source);
        }
        TrueTypeCollection c;
        c.Initialize(source);
        const QByteArray subset = c.PackFont(face, glyphs);
        const QString path = Dir.filePath(name + QStringLiteral(".subset.ttf"));
        WriteFile(path, subset);
        Jobs.push_back({original, face, path, std::vector<int>(glyphs.begin(), glyphs.end())});
        return subset;
    }

    void Check() {
        const QString report = RunFontToolsCheck(Jobs, Dir.path());
        EXPECT_TRUE(report.isEmpty()) << report.toStdString();
    }
};

QList<quint16> GlyphsOf(const TFontFace& face, const QString& text) {
    QList<quint16> glyphs;
    for (char32_t c : text.toUcs4()) {
        const quint32 g = face.GlyphIndex(c);
        EXPECT_NE(g, 0u) << face.Family().toStdString() << " lacks U+" << std::hex << int(c);
        glyphs << quint16(g);
    }
    return glyphs;
}

int NonEmptyGlyphCount(const QByteArray& font) {
    const TParsedFont f = ParseFont(font);
    int n = 0;
    for (int g = 0; g < f.GlyphCount(); ++g)
        n += !f.Glyph(g).isEmpty();
    return n;
}

} // namespace

TEST(TrueTypeFontTools, BuiltFixturesOfEveryTableVersionGiveValidSubsets) {
    TJobs jobs;
    ASSERT_TRUE(jobs.Dir.isValid());

    TFontSpec composite;
    composite.Glyphs = SimpleGlyphs(12);
    composite.Glyphs[7] = TGlyphSpec::Composite({3, 9});
    jobs.Add(QStringLiteral("composite"), {}, BuildFont(composite), 0, {5, 3, 7});

    TFontSpec nested;
    nested.Glyphs = SimpleGlyphs(14);
    nested.Glyphs[7].Components = {{3, 0, true}, {8, 0x0008, false}};
    nested.Glyphs[8].Components = {{9, 0x0080, true}, {10, 0x0040, false}};
    nested.Glyphs[10].Components = {{11, 0, false}};
    nested.LocaFormat = 1;
    jobs.Add(QStringLiteral("nested"), {}, BuildFont(nested), 0, {7, 13});

    for (int version : {0, 1, 5}) {
        TFontSpec spec = composite;
        spec.OS2Version = version;
        jobs.Add(QStringLiteral("os2v%1").arg(version), {}, BuildFont(spec), 0, {7});
    }
    TFontSpec shortMaxp = composite;
    shortMaxp.ShortMaxp = true;
    shortMaxp.PostVersion = 0x00030000;
    jobs.Add(QStringLiteral("maxp05"), {}, BuildFont(shortMaxp), 0, {2});

    TFontSpec extras = composite;
    extras.ValidChecksums = false;
    for (const char* tag : {"DSIG", "hdmx", "VDMX"})
        extras.ExtraTables[tag] = QByteArray(10, '\x11');
    extras.ExtraTables["aaaa"] = QByteArray("seven..", 7);
    jobs.Add(QStringLiteral("extras"), {}, BuildFont(extras), 0, {7, 11});

    TFontSpec second = nested;
    second.FullName = QStringLiteral("Second");
    const QByteArray ttc = BuildCollection({BuildFont(composite), BuildFont(second)});
    const QString ttcPath = jobs.Dir.filePath(QStringLiteral("pair.ttc"));
    WriteFile(ttcPath, ttc);
    jobs.Add(QStringLiteral("member1"), ttcPath, ttc, 1, {8});

    jobs.Check();
}

TEST(TrueTypeFontTools, InstalledFontsGiveValidSubsetsOfTheFacesTheFontServiceResolves) {
    TJobs jobs;
    ASSERT_TRUE(jobs.Dir.isValid());
    TFontService& service = TFontService::Instance();
    const QString latin = QStringLiteral("Korvel Report 2024: Grüße, ½ € — “quoted” ñ Ø");

    struct Case {
        const char* Family;
        bool Bold, Italic;
        QString Text;
    };
    const Case cases[] = {
        {"Arial", false, false, latin},           // Liberation Sans
        {"Times New Roman", false, false, latin}, // Liberation Serif
        {"Courier New", true, true, latin},       // Liberation Mono Bold Italic
        // Many of these are composites, some of composites.
        {"DejaVu Sans", false, false, QStringLiteral("ǺǻḮḯẤấẫỆệ ǕǖǗǘ ŴŵŶŷ Ḉḉ ĳ ǅ ﬀ Ω ∑")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Family);
        const TFontFacePtr face = service.Face(QString::fromLatin1(c.Family), c.Bold, c.Italic);
        ASSERT_TRUE(face->FilePath().endsWith(QLatin1String(".ttf"))) << face->FilePath().toStdString();
        EXPECT_FALSE(face->SyntheticBold() || face->SyntheticItalic());
        const QList<quint16> glyphs = GlyphsOf(*face, c.Text);
        const QByteArray subset = jobs.Add(QString::fromLatin1(c.Family), face->FilePath(), face->FileData(),
                                           face->FaceIndex(), glyphs);
        EXPECT_LT(subset.size(), face->FileData().size() / 4);
        if (QLatin1String(c.Family) == QLatin1String("DejaVu Sans")) {
            // Components that the text does not name were pulled in.
            const int named = int(QSet<quint16>(glyphs.begin(), glyphs.end()).size()) + 1;
            EXPECT_GT(NonEmptyGlyphCount(subset), named);
        }
    }

    // A face inside a real collection, by the index fontconfig found it at. Its tables carry a
    // wrong checksum, which is reported and mended.
    const TFontFacePtr mono = service.Face(QStringLiteral("WenQuanYi Micro Hei Mono"), false, false);
    ASSERT_TRUE(mono->FilePath().endsWith(QLatin1String(".ttc"))) << mono->FilePath().toStdString();
    ASSERT_EQ(mono->FaceIndex(), 1);
    TrueTypeCollection wqy;
    wqy.Initialize(mono->FileData());
    ASSERT_EQ(wqy.Count(), 2);
    const QList<quint16> cjk = GlyphsOf(*mono, QStringLiteral("中文报表 Korvel 1234"));
    wqy.PackFont(1, cjk);
    EXPECT_FALSE(wqy.Problems().isEmpty());
    const QByteArray wqySubset =
        jobs.Add(QStringLiteral("wqy-mono"), mono->FilePath(), mono->FileData(), 1, cjk);
    EXPECT_EQ(ParseFont(wqySubset).Tables.count("head"), 1u);

    // A collection made of two installed fonts: the second member packs to what it packs to alone.
    const TFontFacePtr sans = service.Face(QStringLiteral("Liberation Sans"), false, false);
    const TFontFacePtr serif = service.Face(QStringLiteral("Liberation Serif"), false, false);
    const QByteArray pair = BuildCollection({sans->FileData(), serif->FileData()}, 0x00020000);
    const QString pairPath = jobs.Dir.filePath(QStringLiteral("liberation.ttc"));
    WriteFile(pairPath, pair);
    const QList<quint16> glyphs = GlyphsOf(*serif, latin);
    const QByteArray member = jobs.Add(QStringLiteral("liberation-member"), pairPath, pair, 1, glyphs);
    TrueTypeCollection alone;
    alone.Initialize(serif->FileData());
    EXPECT_EQ(member, alone.PackFont(0, glyphs));

    jobs.Check();
}
