// Packing fonts into subsets: which glyphs are kept, which tables are dropped, the directory and
// checksums of the result, choosing the face of a collection, and refusing damaged fonts.

#include "FontFixtures.h"

#include "report/export/rptTrueTypeCollection.h"

#include <gtest/gtest.h>

#include <set>

namespace {

QByteArray Pack(const QByteArray& data, int face, const QList<quint16>& glyphs,
                QStringList* problems = nullptr) {
    TrueTypeCollection c;
    c.Initialize(data);
    QByteArray out = c.PackFont(face, glyphs);
    if (problems) *problems = c.Problems();
    return out;
}

QString PackError(const QByteArray& data, const QList<quint16>& glyphs = {1}) {
    try {
        Pack(data, 0, glyphs);
    } catch (const ETrueTypeError& e) {
        return e.Message();
    }
    return QString();
}

// The glyphs of the subset that have data.
std::set<int> NonEmptyGlyphs(const TParsedFont& f) {
    std::set<int> s;
    for (int g = 0; g < f.GlyphCount(); ++g)
        if (!f.Glyph(g).isEmpty()) s.insert(g);
    return s;
}

// Glyph 7 is a composite of 3 and 9, as in the usual example.
TFontSpec CompositeFixture() {
    TFontSpec spec;
    spec.Glyphs = SimpleGlyphs(12);
    spec.Glyphs[7] = TGlyphSpec::Composite({3, 9});
    return spec;
}

void ExpectKept(const QByteArray& source, const QByteArray& subset, const std::set<int>& kept) {
    const TParsedFont a = ParseFont(source), b = ParseFont(subset);
    ASSERT_EQ(b.GlyphCount(), a.GlyphCount());
    EXPECT_EQ(NonEmptyGlyphs(b), kept);
    for (int g : kept)
        EXPECT_EQ(b.Glyph(g), a.Glyph(g)) << "glyph " << g;
}

} // namespace

TEST(TrueTypeSubset, KeepsTheUsedGlyphsGlyphZeroAndComponentsAndEmptiesTheRest) {
    const QByteArray source = BuildFont(CompositeFixture());
    const QByteArray subset = Pack(source, 0, {5, 3, 7});
    ExpectKept(source, subset, {0, 3, 5, 7, 9});
    EXPECT_LT(subset.size(), source.size());
    // The glyph data is exactly the kept glyphs, packed without gaps.
    const TParsedFont f = ParseFont(subset);
    int bytes = 0;
    for (int g : {0, 3, 5, 7, 9})
        bytes += f.Glyph(g).size();
    EXPECT_EQ(f.Tables.at("glyf").Length, quint32(bytes));
}

TEST(TrueTypeSubset, FollowsNestedCompositesToEveryLevel) {
    TFontSpec spec;
    spec.Glyphs = SimpleGlyphs(14);
    spec.Glyphs[7].Components = {{3, 0, true}, {8, 0x0008, false}};
    spec.Glyphs[8].Components = {{9, 0x0080, true}, {10, 0x0040, false}};
    spec.Glyphs[10].Components = {{11, 0, false}};
    spec.Glyphs[12] = TGlyphSpec::Empty(); // a used glyph without outline needs nothing
    const QByteArray source = BuildFont(spec);
    ExpectKept(source, Pack(source, 0, {7, 12}), {0, 3, 7, 8, 9, 10, 11});
}

TEST(TrueTypeSubset, LongLocationsArePackedToo) {
    TFontSpec spec = CompositeFixture();
    spec.LocaFormat = 1;
    const QByteArray source = BuildFont(spec);
    ExpectKept(source, Pack(source, 0, {7, 11}), {0, 3, 7, 9, 11});
}

TEST(TrueTypeSubset, CompositeLoopsAndRunawayNestingAreRefused) {
    TFontSpec loop;
    loop.Glyphs = SimpleGlyphs(10);
    loop.Glyphs[7] = TGlyphSpec::Composite({3, 8});
    loop.Glyphs[8] = TGlyphSpec::Composite({9, 7});
    EXPECT_EQ(PackError(BuildFont(loop), {7}),
              QStringLiteral("Composite glyph 7 contains itself through its components."));

    TFontSpec self;
    self.Glyphs = SimpleGlyphs(4);
    self.Glyphs[2] = TGlyphSpec::Composite({2});
    EXPECT_EQ(PackError(BuildFont(self), {2}),
              QStringLiteral("Composite glyph 2 contains itself through its components."));

    // A chain of composites: each glyph uses the next, the last is simple.
    const auto chain = [](int length) {
        TFontSpec spec;
        spec.Glyphs = SimpleGlyphs(length + 2);
        for (int g = 1; g <= length; ++g)
            spec.Glyphs[size_t(g)] = TGlyphSpec::Composite({quint16(g + 1)});
        return BuildFont(spec);
    };
    const QByteArray deep = chain(TrueTypeFont::MaxComponentDepth);
    const TParsedFont packed = ParseFont(Pack(deep, 0, {1}));
    EXPECT_EQ(NonEmptyGlyphs(packed).size(), size_t(TrueTypeFont::MaxComponentDepth + 2));
    EXPECT_EQ(PackError(chain(TrueTypeFont::MaxComponentDepth + 1), {1}),
              QStringLiteral("Composite glyph %1 nests its components more than 64 levels deep.")
                  .arg(TrueTypeFont::MaxComponentDepth + 1));

    TFontSpec missing;
    missing.Glyphs = SimpleGlyphs(4);
    missing.Glyphs[3] = TGlyphSpec::Composite({1, 40});
    EXPECT_EQ(PackError(BuildFont(missing), {3}),
              QStringLiteral("Composite glyph 3 uses glyph 40, which the font does not have."));
}

TEST(TrueTypeSubset, DropsBitmapDeviceAndSignatureTablesAndRewritesTheDirectory) {
    TFontSpec spec = CompositeFixture();
    for (const char* tag : {"DSIG", "hdmx", "EBLC", "EBDT", "VDMX"})
        spec.ExtraTables[tag] = QByteArray(8, '\x11');
    spec.ExtraTables["aaaa"] = QByteArray("seven..", 7); // carried, padded to 8
    const QByteArray source = BuildFont(spec);
    const TParsedFont in = ParseFont(source), out = ParseFont(Pack(source, 0, {1}));

    EXPECT_EQ(out.NumTables, in.NumTables - 5);
    for (const char* tag : {"DSIG", "hdmx", "EBLC", "EBDT", "VDMX"})
        EXPECT_FALSE(out.Has(tag)) << tag;
    EXPECT_EQ(out.Table("aaaa"), QByteArray("seven..", 7));
    // Directory: sorted by tag, search fields for 11 tables, every checksum right.
    EXPECT_EQ(out.NumTables, 11);
    EXPECT_EQ(out.SearchRange, 128);
    EXPECT_EQ(out.EntrySelector, 3);
    EXPECT_EQ(out.RangeShift, 48);
    EXPECT_TRUE(std::is_sorted(out.Order.begin(), out.Order.end()));
    for (const auto& [tag, t] : out.Tables) {
        QByteArray bytes = t.Data;
        if (tag == "head") bytes.replace(8, 4, QByteArray(4, '\0'));
        EXPECT_EQ(t.CheckSum, Checksum(bytes)) << tag.toStdString();
        EXPECT_EQ(t.Offset % 4, 0u) << tag.toStdString();
    }
    // Tables keep their order in the file; the one after the 7-byte table starts 8 bytes later.
    EXPECT_EQ(out.Tables.at("cmap").Offset, out.Tables.at("aaaa").Offset + 8);
    EXPECT_EQ(Checksum(Pack(source, 0, {1})), 0xB1B0AFBAu);
}

TEST(TrueTypeSubset, MissingTablesAreNamedInTheirOrder) {
    const std::pair<const char*, const char*> cases[] = {
        {"head", "FontHeader not found."},
        {"maxp", "MaximuProfile not found."},
        {"hhea", "HorizontalHeader not found."},
        {"OS/2", "OS2WindowsMetrics table not found."},
        {"loca", "IndexToLocation not found."},
        {"cmap", "CMAP not found."},
        {"name", "Name not found."},
        {"glyf", "Glyphs not found."},
    };
    for (const auto& [tag, message] : cases) {
        TFontSpec spec = CompositeFixture();
        spec.Omit << QString::fromLatin1(tag);
        EXPECT_EQ(PackError(BuildFont(spec)), QString::fromLatin1(message)) << tag;
    }
    // "post", "hmtx", "kern", "GSUB" and "prep" are optional.
    TFontSpec spec = CompositeFixture();
    spec.Omit << QStringLiteral("post") << QStringLiteral("hmtx");
    const QByteArray source = BuildFont(spec);
    ExpectKept(source, Pack(source, 0, {7}), {0, 3, 7, 9});
}

TEST(TrueTypeSubset, DamagedFontsAreRefusedWithAMessage) {
    TFontSpec spec = CompositeFixture();
    spec.ExtraTables["zzzz"] = QByteArray(8, '\x44'); // the last record of the directory
    const QByteArray good = BuildFont(spec);
    const TParsedFont f = ParseFont(good);
    const auto record = [&](const char* tag) {
        for (size_t i = 0; i < f.Order.size(); ++i)
            if (f.Order[i] == tag) return 12 + 16 * int(i);
        return -1;
    };
    const auto set32 = [](QByteArray& b, int at, quint32 v) {
        for (int k = 0; k < 4; ++k)
            b[at + k] = char(v >> (24 - 8 * k));
    };
    const auto set16 = [](QByteArray& b, int at, quint16 v) {
        b[at] = char(v >> 8);
        b[at + 1] = char(v);
    };
    struct Case {
        const char* Name;
        std::function<void(QByteArray&)> Damage;
        QString Message;
    };
    const int maxp = int(f.Tables.at("maxp").Offset), loca = int(f.Tables.at("loca").Offset);
    const Case cases[] = {
        {"not a font", [](QByteArray& b) { b.replace(0, 4, "OTTO"); },
         QStringLiteral("TrueType font format error")},
        {"table beyond the end",
         [&](QByteArray& b) { set32(b, record("glyf") + 8, quint32(b.size()) + 100); },
         QStringLiteral("The \"glyf\" table lies outside the font data (offset %1, length %2, "
                        "data size %3).")
             .arg(good.size() + 100)
             .arg(f.Tables.at("glyf").Length)
             .arg(good.size())},
        {"length beyond the end", [&](QByteArray& b) { set32(b, record("loca") + 12, 0x7FFFFFF0); },
         QStringLiteral("The \"loca\" table lies outside the font data (offset %1, length "
                        "2147483632, data size %2).")
             .arg(loca)
             .arg(good.size())},
        {"directory cut off", [](QByteArray& b) { b[4] = char(0x10); },
         QStringLiteral("The font's table directory is cut off: it lists %1 tables.")
             .arg(0x1000 + f.NumTables)},
        {"tables overlap",
         [&](QByteArray& b) {
             set32(b, record("zzzz") + 8, 0);
             set32(b, record("zzzz") + 12, quint32(b.size()));
         },
         QStringLiteral("The tables of the font overlap each other.")},
        {"loca cut off", [&](QByteArray& b) { set16(b, maxp + 4, 13); },
         QStringLiteral("The \"loca\" table is cut off: it locates 12 glyphs, the font has 13.")},
        {"loca backwards", [&](QByteArray& b) { set16(b, loca + 2 * 4, 0); },
         QStringLiteral("The \"loca\" entries of glyph 3 run backwards.")},
        {"glyf cut off",
         [&](QByteArray& b) { set32(b, record("glyf") + 12, f.Tables.at("glyf").Length - 40); },
         QStringLiteral("Glyph 11 lies beyond the end of the \"glyf\" table.")},
        {"no glyphs", [&](QByteArray& b) { set16(b, maxp + 4, 0); },
         QStringLiteral("The font has no glyphs.")},
    };
    for (const Case& c : cases) {
        QByteArray bad = good;
        c.Damage(bad);
        EXPECT_EQ(PackError(bad, {11}), c.Message) << c.Name;
    }
    EXPECT_EQ(PackError(good, {12}), QStringLiteral("Glyph 12 is not in the font, which has 12 glyphs."));
}

TEST(TrueTypeSubset, EveryTruncationIsRefusedWithoutReadingPastTheData) {
    TFontSpec spec = CompositeFixture();
    spec.ExtraTables["DSIG"] = QByteArray(5, '\x22'); // dropped, so never read
    const QByteArray good = BuildFont(spec);
    const TParsedFont f = ParseFont(good);
    quint32 needed = 0;
    for (const auto& [tag, t] : f.Tables)
        if (tag != "DSIG") needed = std::max(needed, t.Offset + t.Length);
    ASSERT_LE(needed, quint32(good.size()));
    for (int size = 0; size < good.size(); ++size) {
        // A copy of exactly that size, so the sanitizer sees any read past it.
        const QByteArray cut(good.constData(), size);
        const QString error = PackError(cut, {7});
        if (quint32(size) < needed)
            EXPECT_FALSE(error.isEmpty()) << "cut at " << size;
        else
            EXPECT_EQ(error, QString()) << "cut at " << size;
    }
}

TEST(TrueTypeSubset, ChecksumFaultsFollowTheChosenActionAndTheSubsetIsRightAnyway) {
    TFontSpec spec = CompositeFixture();
    spec.ValidChecksums = false; // the name table's record is one too high
    const QByteArray source = BuildFont(spec);
    const quint32 right = Checksum(ParseFont(source).Table("name"));
    const QString message =
        QStringLiteral("Table ID \"name\" checksum error.%1 %2").arg(right).arg(right + 1);

    QStringList problems;
    const QByteArray subset = Pack(source, 0, {7}, &problems);
    EXPECT_EQ(problems, QStringList{message});
    EXPECT_EQ(ParseFont(subset).Tables.at("name").CheckSum, right);

    TrueTypeFont strict(source, 0, ChecksumFaultAction::ThrowException);
    try {
        strict.PrepareFont(TrueTypeCollection::SkipList());
        ADD_FAILURE() << "no exception";
    } catch (const ETrueTypeError& e) {
        EXPECT_EQ(e.Message(), message);
    }
    TrueTypeFont lax(source, 0, ChecksumFaultAction::IgnoreChecksum);
    lax.PrepareFont(TrueTypeCollection::SkipList());
    EXPECT_TRUE(lax.Problems().isEmpty());

    // A sound font has no problems; "head" passes although its adjustment is not zero.
    Pack(BuildFont(CompositeFixture()), 0, {7}, &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

TEST(TrueTypeSubset, ASecondRecordOfATagIsReportedAndLeftOut) {
    TFontSpec spec = CompositeFixture();
    spec.ExtraTables["zzzz"] = QByteArray(12, '\x33');
    QByteArray source = BuildFont(spec);
    const TParsedFont f = ParseFont(source);
    source.replace(12 + 16 * (int(f.Order.size()) - 1), 4, "name"); // zzzz becomes a second name
    QStringList problems;
    const TParsedFont out = ParseFont(Pack(source, 0, {1}, &problems));
    EXPECT_TRUE(problems.contains(QStringLiteral(
        "Font format error: the table \"name\" is listed twice; the second record is left out.")))
        << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(out.NumTables, f.NumTables - 1);
    EXPECT_EQ(out.Table("name"), f.Table("name"));
}

TEST(TrueTypeSubset, CollectionFacesAreChosenByIndex) {
    TFontSpec a = CompositeFixture(), b = CompositeFixture();
    a.FullName = QStringLiteral("First");
    b.FullName = QStringLiteral("Second");
    b.Glyphs.push_back(TGlyphSpec::Simple(5));
    b.LocaFormat = 1;
    const QByteArray fa = BuildFont(a), fb = BuildFont(b);
    for (quint32 version : {0x00010000u, 0x00020000u}) {
        const QByteArray ttc = BuildCollection({fa, fb}, version);
        TrueTypeCollection c;
        c.Initialize(ttc);
        ASSERT_EQ(c.Count(), 2);
        // The member packs to exactly what the same font packs to alone.
        EXPECT_EQ(c.PackFont(1, {7, 12}), Pack(fb, 0, {7, 12}));
        EXPECT_EQ(c.PackFont(0, {5}), Pack(fa, 0, {5}));
        EXPECT_TRUE(c.Problems().isEmpty());
        try {
            c.PackFont(2, {5});
            ADD_FAILURE() << "no exception";
        } catch (const ETrueTypeError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("The font data has no face 2; it holds 2."));
        }
    }
    // A member whose directory carries another version tag still gives a plain TrueType font.
    QByteArray tagged = BuildCollection({fa, fb});
    const int second = int(BigEndian32(tagged, 16));
    tagged.replace(second, 4, "true");
    TrueTypeCollection t;
    t.Initialize(tagged);
    EXPECT_EQ(t.PackFont(1, {7, 12}), Pack(fb, 0, {7, 12}));

    QByteArray bad = BuildCollection({fa, fb});
    bad[7] = 3;
    EXPECT_EQ(PackError(bad), QStringLiteral("Unknown font collection version"));
    EXPECT_EQ(PackError(BuildCollection({fa, fb}).left(14)),
              QStringLiteral("The font collection's list of 2 fonts is cut off."));
    QByteArray far = BuildCollection({fa, fb});
    far[12] = char(0x7F);
    EXPECT_EQ(PackError(far), QStringLiteral("The font's table directory at offset 2130706452 "
                                             "lies beyond the end of the font data (%1 bytes).")
                                  .arg(far.size()));
}

TEST(TrueTypeSubset, FacesAreFoundByFullNameWithStyle) {
    const QStringList names = {QStringLiteral("Arial"), QStringLiteral("Arial Bold Italic"),
                               QStringLiteral("Arial Bold"), QStringLiteral("MS Gothic")};
    std::vector<QByteArray> fonts;
    for (int i = 0; i < names.size(); ++i) {
        TFontSpec spec;
        spec.FullName = names[i];
        spec.Glyphs = SimpleGlyphs(10 + i); // the glyph count tells the faces apart
        fonts.push_back(BuildFont(spec));
    }
    TrueTypeCollection c;
    c.Initialize(BuildCollection(fonts));
    const auto faceOf = [&](const QString& name, bool bold, bool italic) {
        return ParseFont(c.PackFont(name, bold, italic, {1})).GlyphCount() - 10;
    };
    EXPECT_EQ(faceOf(QStringLiteral("Arial"), true, true), 1);
    EXPECT_EQ(faceOf(QStringLiteral("Arial"), true, false), 2);
    EXPECT_EQ(faceOf(QStringLiteral("Arial"), false, false), 0);
    EXPECT_EQ(faceOf(QStringLiteral("ＭＳ ゴシック"), false, false), 3);
    // No face of a collection matches: another face's outlines would not fit the glyph numbers.
    try {
        c.PackFont(QStringLiteral("Arial"), false, true, {1});
        ADD_FAILURE() << "no exception";
    } catch (const ETrueTypeError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("No font of the collection is named \"Arial Italic\"."));
    }
    // A single font is taken whatever its name.
    TrueTypeCollection single;
    single.Initialize(fonts[0]);
    EXPECT_EQ(ParseFont(single.PackFont(QStringLiteral("Times"), true, false, {1})).GlyphCount(), 10);

    const std::pair<const char16_t*, const char*> targets[] = {{u"ＭＳ Ｐゴシック", "MS PGothic Bold"},
                                                               {u"ＭＳ 明朝", "MS Mincho Bold"},
                                                               {u"ＭＳ Ｐ明朝", "MS PMincho Bold"},
                                                               {u"メイリオ", "Meiryo Bold"},
                                                               {u"Verdana", "Verdana Bold"}};
    for (const auto& [name, target] : targets)
        EXPECT_EQ(TrueTypeCollection::TargetName(QString::fromUtf16(name), true, false),
                  QString::fromLatin1(target));
}

TEST(TrueTypeSubset, PackingAgainGivesTheSameSubsetAndASubsetPacksToItself) {
    const QByteArray source = BuildFont(CompositeFixture());
    TrueTypeCollection c;
    c.Initialize(source);
    const QByteArray first = c.PackFont(0, {5, 3, 7});
    EXPECT_EQ(c.PackFont(0, {7, 5, 3, 3}), first);
    EXPECT_NE(c.PackFont(0, {5}), first);
    EXPECT_EQ(Pack(first, 0, {5, 3, 7}), first);

    // Empty tables share their offset with a neighbour; the layout still comes out the same.
    TFontSpec spec = CompositeFixture();
    spec.ExtraTables["aaaa"] = QByteArray();
    spec.ExtraTables["zzzz"] = QByteArray();
    const QByteArray withEmpty = Pack(BuildFont(spec), 0, {9});
    EXPECT_EQ(ParseFont(withEmpty).Tables.at("aaaa").Length, 0u);
    EXPECT_EQ(Pack(withEmpty, 0, {9}), withEmpty);
    // Glyph 0 alone, and empty: the glyph table packs to nothing.
    spec.Glyphs[0] = TGlyphSpec::Empty();
    const QByteArray nothing = Pack(BuildFont(spec), 0, {});
    EXPECT_EQ(ParseFont(nothing).Tables.at("glyf").Length, 0u);
    EXPECT_EQ(Pack(nothing, 0, {}), nothing);

    // A font object itself is packed once per preparation.
    TrueTypeFont font(source, 0, ChecksumFaultAction::Warn);
    font.PrepareFont(TrueTypeCollection::SkipList());
    font.AddCharacterToKeepList(3);
    font.PackFont();
    EXPECT_THROW(font.PackFont(), ETrueTypeError);
}
