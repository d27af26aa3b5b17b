// The font table classes on their own: checksums, moving a table, the records that are written
// back from their fields, composite components, the character map and the name table.

#include "FontFixtures.h"

#include "platform/gfx/FontService.h"
#include "report/export/rptTrueTypeCollection.h"

#include <gtest/gtest.h>

namespace {

// A prepared font over built data; the data lives as long as the font.
struct TPrepared {
    QByteArray Data;
    std::unique_ptr<TrueTypeFont> Font;
};

TPrepared Prepare(const QByteArray& data) {
    TPrepared p{data, std::make_unique<TrueTypeFont>(data, 0, ChecksumFaultAction::ThrowException)};
    p.Font->PrepareFont(TrueTypeCollection::SkipList());
    return p;
}

QString PackError(const QByteArray& data, const QList<quint16>& glyphs = {1}) {
    TrueTypeCollection c;
    try {
        c.Initialize(data);
        c.PackFont(0, glyphs);
    } catch (const ETrueTypeError& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

TEST(TrueTypeTables, ChecksumSumsBigEndianWordsWithAZeroPaddedTail) {
    struct Case {
        QByteArray Bytes;
        quint32 Expected;
    };
    const Case cases[] = {
        {QByteArray(), 0},
        {QByteArray::fromHex("01020304"), 0x01020304},
        // The fifth byte counts as the high byte of a second word.
        {QByteArray::fromHex("0000000180"), 0x80000001},
        {QByteArray::fromHex("00000001aabbcc"), 0xAABBCC01},
        // The sum wraps modulo 2^32.
        {QByteArray::fromHex("ffffffff00000002"), 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TTF_Helpers::CalcChecksum(reinterpret_cast<const uchar*>(c.Bytes.constData()),
                                            quint32(c.Bytes.size())),
                  c.Expected)
            << c.Bytes.toHex().toStdString();
}

TEST(TrueTypeTables, ASevenByteTableMovesAsEightBytesWithZeroPadding) {
    // A directory record of a 7-byte table at offset 20 of a buffer whose byte 27 is not zero.
    QByteArray font(32, '\x55');
    const QByteArray record = QByteArray("zzzz") + QByteArray::fromHex("00000000") +
                              QByteArray::fromHex("00000014") + QByteArray::fromHex("00000007");
    TrueTypeTable table(reinterpret_cast<const uchar*>(record.constData()));
    EXPECT_EQ(table.TAGLINE(), QStringLiteral("zzzz"));
    EXPECT_EQ(table.offset(), 20u);
    EXPECT_EQ(table.length(), 7u);

    QByteArray out(12, '\0');
    EXPECT_EQ(table.Save(font, out, 12), 20u);
    EXPECT_EQ(table.offset(), 12u);
    EXPECT_EQ(out.size(), 20);
    EXPECT_EQ(out.mid(12, 7), QByteArray(7, '\x55'));
    EXPECT_EQ(out.at(19), '\0');

    uchar descriptor[16];
    table.SetcheckSum(0x01020304);
    EXPECT_EQ(table.StoreDescriptor(descriptor), descriptor + 16);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(descriptor), 16),
              QByteArray("zzzz") + QByteArray::fromHex("01020304"
                                                       "0000000c"
                                                       "00000007"));
}

TEST(TrueTypeTables, PostOfFormatTwoIsWrittenAsA32ByteVersion3Header) {
    TFontSpec spec;
    spec.Glyphs = SimpleGlyphs(6);
    spec.ItalicAngle = -(11 << 16) - 0x8000;
    spec.UnderlinePosition = -106;
    spec.UnderlineThickness = 73;
    spec.IsFixedPitch = 1;
    TPrepared p = Prepare(BuildFont(spec));
    PostScriptClass& post = *p.Font->postscript;
    EXPECT_EQ(post.post_script.Version, 0x00020000u);
    EXPECT_GT(post.length(), 32u);

    QByteArray out(8, '\0');
    EXPECT_EQ(post.Save(p.Data, out, 8), 40u);
    EXPECT_EQ(post.length(), 32u);
    const QByteArray header = out.mid(8, 32);
    EXPECT_EQ(BigEndian32(header, 0), 0x00030000u);
    EXPECT_EQ(qint32(BigEndian32(header, 4)), spec.ItalicAngle);
    EXPECT_EQ(qint16(BigEndian16(header, 8)), -106);
    EXPECT_EQ(qint16(BigEndian16(header, 10)), 73);
    EXPECT_EQ(BigEndian32(header, 12), 1u);
}

TEST(TrueTypeTables, OS2TablesKeepTheLengthOfTheirVersion) {
    struct Case {
        int Version;
        quint32 Length;
    };
    for (const Case& c : {Case{0, 78}, Case{1, 86}, Case{2, 96}, Case{4, 96}, Case{5, 100}}) {
        SCOPED_TRACE(c.Version);
        TFontSpec spec;
        spec.Glyphs = SimpleGlyphs(4);
        spec.OS2Version = c.Version;
        TPrepared p = Prepare(BuildFont(spec));
        const OS2WindowsMetrics& m = p.Font->windows_metrix->win_metrix;
        EXPECT_EQ(m.Version, c.Version);
        EXPECT_EQ(m.usWinAscent, 900);
        EXPECT_EQ(m.ulCodePageRange1, c.Version >= 1 ? 1u : 0u); // absent before version 1
        EXPECT_EQ(m.sCapHeight, c.Version >= 2 ? 700 : 0);
        EXPECT_EQ(QByteArray(m.achVendID, 4), QByteArray("KRVL"));

        const QByteArray source = ParseFont(p.Data).Table("OS/2");
        p.Font->AddCharacterToKeepList(1);
        const TParsedFont subset = ParseFont(p.Font->PackFont());
        EXPECT_EQ(subset.Tables.at("OS/2").Length, c.Length);
        EXPECT_EQ(subset.Table("OS/2"), source);
        EXPECT_EQ(subset.Tables.at("OS/2").CheckSum, Checksum(source));
    }
}

TEST(TrueTypeTables, ShortMaximumProfileIsCarriedWithItsSixBytes) {
    TFontSpec spec;
    spec.Glyphs = SimpleGlyphs(4);
    spec.ShortMaxp = true;
    TPrepared p = Prepare(BuildFont(spec));
    EXPECT_EQ(p.Font->profile->max_profile.numGlyphs, 4);
    EXPECT_EQ(p.Font->profile->max_profile.maxPoints, 0); // not in a version 0.5 profile
    p.Font->AddCharacterToKeepList(2);
    const TParsedFont subset = ParseFont(p.Font->PackFont());
    EXPECT_EQ(subset.Table("maxp"), QByteArray::fromHex("000050000004"));
    // The table after it is intact.
    EXPECT_EQ(subset.Table("name"), ParseFont(p.Data).Table("name"));
}

TEST(TrueTypeTables, CompositeComponentsAreListedOneLevelDeepWhateverTheirArgumentForm) {
    TFontSpec spec;
    spec.Glyphs = SimpleGlyphs(10);
    spec.Glyphs[7].Components = {
        {3, 0, true}, {8, 0x0008, false}, {4, 0x0040, true}, {5, 0x0080, false}, {6, 0, false}};
    spec.Glyphs[8] = TGlyphSpec::Composite({9}); // itself composite: not followed here
    TPrepared p = Prepare(BuildFont(spec));
    const TParsedFont f = ParseFont(p.Data);
    quint32 location, size;
    p.Font->index_to_location->GetGlyph(7, *p.Font->font_header, location, size);
    EXPECT_EQ(size, quint32(f.Glyph(7).size()));
    EXPECT_EQ(p.Font->glyph_table->CheckGlyph(location, size), (std::vector<quint16>{3, 8, 4, 5, 6}));
    p.Font->index_to_location->GetGlyph(2, *p.Font->font_header, location, size);
    EXPECT_TRUE(p.Font->glyph_table->CheckGlyph(location, size).empty());
}

TEST(TrueTypeTables, LongLocationsLocateTheSameGlyphs) {
    TFontSpec spec;
    spec.Glyphs = SimpleGlyphs(5);
    spec.Glyphs[2] = TGlyphSpec::Empty();
    spec.LocaFormat = 1;
    TPrepared p = Prepare(BuildFont(spec));
    EXPECT_EQ(p.Font->index_to_location->LongIndexToLocation.size(), 6u);
    const TParsedFont f = ParseFont(p.Data);
    for (quint16 g = 0; g < 5; ++g) {
        quint32 location, size;
        p.Font->index_to_location->GetGlyph(g, *p.Font->font_header, location, size);
        EXPECT_EQ(p.Font->glyph_table->length() >= location + size, true);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(p.Font->glyph_table->glyph_table_ptr) + location,
                             int(size)),
                  f.Glyph(g));
    }
}

TEST(TrueTypeTables, UnsupportedFormatsRaiseTheirTexts) {
    TFontSpec spec;
    spec.Glyphs = SimpleGlyphs(3);
    QByteArray data = BuildFont(spec);
    // indexToLocFormat 2 in "head"; the checksum no longer matters for the message.
    const TParsedFont f = ParseFont(data);
    data[int(f.Tables.at("head").Offset) + 51] = 2;
    EXPECT_EQ(PackError(data), QStringLiteral("Unsupported Index to Location format"));

    const std::pair<int, const char*> cmaps[] = {
        {0, "TO DO: ByteEncoding cmap format not implemented"},
        {2, "TO DO: HighByteMapping cmap format not implemented"},
        {6, "TO DO: TrimmedTable cmap format not implemented"},
    };
    for (const auto& [format, text] : cmaps) {
        spec.CmapFormat = format;
        EXPECT_EQ(PackError(BuildFont(spec)), QString::fromLatin1(text));
    }
    // Other formats are passed over: no segments, and the font still packs.
    spec.CmapFormat = 12;
    EXPECT_EQ(PackError(BuildFont(spec)), QString());
}

TEST(TrueTypeTables, CharacterMapFindsTheGlyphsFreeTypeFinds) {
    for (const char* family : {"Liberation Sans", "DejaVu Sans"}) {
        SCOPED_TRACE(family);
        const TFontFacePtr face = TFontService::Instance().Face(QString::fromLatin1(family), false, false);
        ASSERT_EQ(face->Family(), QString::fromLatin1(family));
        TPrepared p = Prepare(face->FileData());
        const CmapTableClass& cmap = *p.Font->cmap_table;
        ASSERT_GT(cmap.segment_count, 1);
        int mapped = 0;
        for (char32_t c = 0x20; c < 0x2200; ++c) {
            const quint16 g = cmap.GetGlyphIndex(quint16(c));
            ASSERT_EQ(g, face->GlyphIndex(c)) << "U+" << std::hex << int(c);
            mapped += g != 0;
        }
        EXPECT_GT(mapped, 400);
        EXPECT_EQ(cmap.GetGlyphIndex(0xFFFF), 0);
    }
}

TEST(TrueTypeTables, FullNameIsTheFirstUnicodeRecordOfNameIdFour) {
    using N = TFontSpec::TName;
    struct Case {
        std::vector<N> Extra;
        QString Expected;
    };
    const Case cases[] = {
        {{}, QStringLiteral("Test Sans")},
        // Macintosh names are not read; a Unicode-platform record counts like a Windows one.
        {{N{1, 0, 4, QStringLiteral("Mac Name")}, N{0, 3, 4, QStringLiteral("Unicode Ünïcode")}},
         QStringLiteral("Unicode Ünïcode")},
        // Name ID 260 is a font-specific name, not the full name, though its low byte is 4.
        {{N{3, 1, 260, QStringLiteral("Not The Name")}}, QStringLiteral("Test Sans")},
        // A Windows record of another encoding does not count.
        {{N{3, 10, 4, QStringLiteral("Other Encoding")}}, QStringLiteral("Test Sans")},
    };
    for (const Case& c : cases) {
        TFontSpec spec;
        spec.Glyphs = SimpleGlyphs(3);
        spec.ExtraNames = c.Extra;
        TPrepared p = Prepare(BuildFont(spec));
        EXPECT_EQ(p.Font->FullName(), c.Expected);
        EXPECT_EQ(p.Font->name_table->get_Item(2), QStringLiteral("Regular"));
        EXPECT_EQ(p.Font->name_table->get_Item(13), QString());
    }
}

TEST(TrueTypeTables, TablesTooShortForTheirRecordsAreRefusedByName) {
    struct Case {
        const char* Tag;
        int Length;
        const char* Message;
    };
    const Case cases[] = {
        {"head", 40, "The \"head\" table is too short for its header: 54 bytes needed, it has 40."},
        {"hhea", 20, "The \"hhea\" table is too short for its header: 36 bytes needed, it has 20."},
        {"maxp", 4, "The \"maxp\" table is too short for its glyph count: 6 bytes needed, it has 4."},
        {"hmtx", 6, "The \"hmtx\" table is too short for its metrics: 16 bytes needed, it has 6."},
        {"name", 5, "The \"name\" table is too short for its header: 6 bytes needed, it has 5."},
        {"cmap", 10, "The \"cmap\" table is too short for its encoding records: 12 bytes needed, it has 10."},
        {"cmap", 20, "The \"cmap\" table is too short for its format 4 header: 26 bytes needed, it has 20."},
    };
    for (const Case& c : cases) {
        TFontSpec spec;
        spec.Glyphs = SimpleGlyphs(4);
        TFontSpec full = spec;
        const QByteArray whole = ParseFont(BuildFont(full)).Table(c.Tag);
        spec.ExtraTables[c.Tag] = whole.left(c.Length);
        EXPECT_EQ(PackError(BuildFont(spec)), QString::fromLatin1(c.Message)) << c.Tag;
    }
}

TEST(TrueTypeTables, OptionalTablesOfAnInstalledFontAreRead) {
    const TFontFacePtr face = TFontService::Instance().Face(QStringLiteral("Liberation Sans"), false, false);
    TPrepared p = Prepare(face->FileData());
    const TParsedFont f = ParseFont(p.Data);
    TrueTypeFont& font = *p.Font;

    // Advances agree with FreeType's unhinted ones.
    ASSERT_NE(font.horizontal_metrix_table, nullptr);
    const auto& metrics = font.horizontal_metrix_table->MetrixTable;
    ASSERT_EQ(metrics.size(), font.horizontal_header->horizontal_header.numberOfHMetrics);
    for (quint32 g = 0; g < metrics.size(); g += 7)
        EXPECT_EQ(metrics[g].advanceWidth, face->GlyphAdvance(g)) << "glyph " << g;
    EXPECT_EQ(font.font_header->font_header.unitsPerEm, face->Metrics().UnitsPerEm);
    EXPECT_EQ(font.font_header->font_header.magicNumber, 0x5F0F3CF5u);
    EXPECT_EQ(font.NumGlyphs(), face->Metrics().GlyphCount);

    ASSERT_NE(font.gsub_table, nullptr);
    EXPECT_EQ(font.gsub_table->header.Version, 0x00010000u);
    EXPECT_EQ(font.gsub_table->header.ScriptList, BigEndian16(f.Table("GSUB"), 4));
    ASSERT_NE(font.preprogram_table, nullptr);
    EXPECT_EQ(font.preprogram_table->pre_program, f.Table("prep"));

    ASSERT_NE(font.kerning_table, nullptr);
    const QByteArray kern = f.Table("kern");
    EXPECT_EQ(font.kerning_table->kerning_table_header.nTables, BigEndian16(kern, 2));
    ASSERT_FALSE(font.kerning_table->kerning_subtables_collection.empty());
    const KerningSubtableClass& sub = *font.kerning_table->kerning_subtables_collection.front();
    EXPECT_EQ(sub.common_header.Coverage, BigEndian16(kern, 8));
    EXPECT_EQ(sub.format_zero.nPairs, BigEndian16(kern, 10));
    EXPECT_GT(sub.format_zero.nPairs, 100);
}
