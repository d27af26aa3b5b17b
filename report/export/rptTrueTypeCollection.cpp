#include "report/export/rptTrueTypeCollection.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr quint32 Tag(const char (&s)[5]) {
    return (quint32(uchar(s[0])) << 24) | (quint32(uchar(s[1])) << 16) | (quint32(uchar(s[2])) << 8) |
           quint32(uchar(s[3]));
}

std::unique_ptr<TrueTypeTable> MakeTable(const TableEntry& e) {
    switch (e.tag) {
    case Tag("OS/2"):
        return std::make_unique<OS2WindowsMetricsClass>(e);
    case Tag("GSUB"):
        return std::make_unique<GlyphSubstitutionClass>(e);
    case Tag("loca"):
        return std::make_unique<IndexToLocationClass>(e);
    case Tag("hhea"):
        return std::make_unique<HorizontalHeaderClass>(e);
    case Tag("head"):
        return std::make_unique<FontHeaderClass>(e);
    case Tag("name"):
        return std::make_unique<NameTableClass>(e);
    case Tag("glyf"):
        return std::make_unique<GlyphTableClass>(e);
    case Tag("kern"):
        return std::make_unique<KerningTableClass>(e);
    case Tag("cmap"):
        return std::make_unique<CmapTableClass>(e);
    case Tag("prep"):
        return std::make_unique<PreProgramClass>(e);
    case Tag("maxp"):
        return std::make_unique<MaximumProfileClass>(e);
    case Tag("post"):
        return std::make_unique<PostScriptClass>(e);
    case Tag("hmtx"):
        return std::make_unique<HorizontalMetrixClass>(e);
    default:
        return std::make_unique<TrueTypeTable>(e);
    }
}

} // namespace

// ---- TrueTypeFont ----

TrueTypeFont::TrueTypeFont(const QByteArray& data, quint32 selector, ChecksumFaultAction action)
    : beginfile_ptr(data), checksum_action(action), selector_ptr(selector) {}

void TrueTypeFont::PrepareFont(const QStringList& skipTags) {
    FPrepared = false;
    ListOfTables.clear();
    cmap_table = nullptr;
    font_header = nullptr;
    glyph_table = nullptr;
    gsub_table = nullptr;
    horizontal_header = nullptr;
    horizontal_metrix_table = nullptr;
    index_to_location = nullptr;
    kerning_table = nullptr;
    name_table = nullptr;
    postscript = nullptr;
    profile = nullptr;
    windows_metrix = nullptr;
    preprogram_table = nullptr;
    ListOfUsedGlyphs.clear();
    FInKeepList.clear();
    FProblems.clear();

    ReadTableDirectory(skipTags);
    LoadCoreTables();
    CheckTablesChecksum();
    FPrepared = true;
}

void TrueTypeFont::ReadTableDirectory(const QStringList& skipTags) {
    const quint64 size = quint64(beginfile_ptr.size());
    if (quint64(selector_ptr) + 12 > size)
        throw ETrueTypeError(
            QStringLiteral("The font's table directory at offset %1 lies beyond the end of the "
                           "font data (%2 bytes).")
                .arg(selector_ptr)
                .arg(size));
    const uchar* p = reinterpret_cast<const uchar*>(beginfile_ptr.constData()) + selector_ptr;
    dir.sfntversion = GetUInt32(p);
    dir.numTables = GetUInt16(p + 4);
    dir.searchRange = GetUInt16(p + 6);
    dir.entrySelector = GetUInt16(p + 8);
    dir.rangeShift = GetUInt16(p + 10);
    if (quint64(selector_ptr) + 12 + 16 * quint64(dir.numTables) > size)
        throw ETrueTypeError(
            QStringLiteral("The font's table directory is cut off: it lists %1 tables.").arg(dir.numTables));

    std::set<quint32> skip;
    for (const QString& t : skipTags) {
        const QByteArray b = t.toLatin1().leftJustified(4, ' ', true);
        skip.insert(TagValue(b.constData()));
    }
    quint64 total = 0;
    for (quint16 i = 0; i < dir.numTables; ++i) {
        const TrueTypeTable record(p + 12 + 16 * i);
        if (skip.count(record.tag())) continue;
        if (quint64(record.offset()) + record.length() > size)
            throw ETrueTypeError(
                QStringLiteral("The \"%1\" table lies outside the font data (offset %2, length "
                               "%3, data size %4).")
                    .arg(record.TAGLINE())
                    .arg(record.offset())
                    .arg(record.length())
                    .arg(size));
        if (ListOfTables.count(record.tag())) {
            FProblems << QStringLiteral("Font format error: the table \"%1\" is listed twice; "
                                        "the second record is left out.")
                             .arg(record.TAGLINE());
            continue;
        }
        total += record.length();
        ListOfTables.emplace(record.tag(), MakeTable(record.entry));
    }
    // Tables that share their bytes would be copied once each into the subset.
    if (total > size) throw ETrueTypeError(QStringLiteral("The tables of the font overlap each other."));
    dir.numTables = quint16(ListOfTables.size());
}

template <class T> T* TrueTypeFont::LoadTable(const char* tag, const char* missing) {
    const auto it = ListOfTables.find(TagValue(tag));
    if (it == ListOfTables.end()) {
        if (missing) throw ETrueTypeError(QString::fromLatin1(missing));
        return nullptr;
    }
    return static_cast<T*>(it->second.get());
}

void TrueTypeFont::LoadCoreTables() {
    const QByteArray& data = beginfile_ptr;
    font_header = LoadTable<FontHeaderClass>("head", "FontHeader not found.");
    font_header->Load(data);
    profile = LoadTable<MaximumProfileClass>("maxp", "MaximuProfile not found.");
    profile->Load(data);
    horizontal_header = LoadTable<HorizontalHeaderClass>("hhea", "HorizontalHeader not found.");
    horizontal_header->Load(data);
    if ((postscript = LoadTable<PostScriptClass>("post", nullptr))) postscript->Load(data);
    windows_metrix = LoadTable<OS2WindowsMetricsClass>("OS/2", "OS2WindowsMetrics table not found.");
    windows_metrix->Load(data);
    index_to_location = LoadTable<IndexToLocationClass>("loca", "IndexToLocation not found.");
    index_to_location->indexToLocFormat = font_header->font_header.indexToLocFormat;
    index_to_location->Load(data);
    cmap_table = LoadTable<CmapTableClass>("cmap", "CMAP not found.");
    cmap_table->Load(data);
    name_table = LoadTable<NameTableClass>("name", "Name not found.");
    name_table->Load(data);
    glyph_table = LoadTable<GlyphTableClass>("glyf", "Glyphs not found.");
    glyph_table->Load(data);
    if ((kerning_table = LoadTable<KerningTableClass>("kern", nullptr))) kerning_table->Load(data);
    if ((gsub_table = LoadTable<GlyphSubstitutionClass>("GSUB", nullptr))) gsub_table->Load(data);
    if ((preprogram_table = LoadTable<PreProgramClass>("prep", nullptr))) preprogram_table->Load(data);
    if ((horizontal_metrix_table = LoadTable<HorizontalMetrixClass>("hmtx", nullptr))) {
        horizontal_metrix_table->NumberOfMetrics = horizontal_header->horizontal_header.numberOfHMetrics;
        horizontal_metrix_table->Load(data);
    }

    // Every glyph needs its two entries, and the entries must not run backwards: kept glyphs
    // then never overlap, and the packed glyph data is never longer than the table.
    const quint32 glyphs = profile->max_profile.numGlyphs;
    const quint32 entries = index_to_location->Count();
    if (entries < glyphs + 1)
        throw ETrueTypeError(QStringLiteral("The \"loca\" table is cut off: it locates %1 glyphs, "
                                            "the font has %2.")
                                 .arg(entries == 0 ? 0 : entries - 1)
                                 .arg(glyphs));
    const bool isShort = index_to_location->indexToLocFormat == 0;
    for (quint32 g = 0; g < glyphs; ++g) {
        const quint32 a =
            isShort ? index_to_location->ShortIndexToLocation[g] : index_to_location->LongIndexToLocation[g];
        const quint32 b = isShort ? index_to_location->ShortIndexToLocation[g + 1]
                                  : index_to_location->LongIndexToLocation[g + 1];
        if (b < a)
            throw ETrueTypeError(QStringLiteral("The \"loca\" entries of glyph %1 run backwards.").arg(g));
    }
}

void TrueTypeFont::CheckTablesChecksum() {
    if (checksum_action == ChecksumFaultAction::IgnoreChecksum) return;
    for (const auto& [tag, table] : ListOfTables) {
        const quint32 computed = table->CalcTableChecksum(beginfile_ptr);
        if (computed == table->checkSum()) continue;
        const QString error = QStringLiteral("Table ID \"%1\" checksum error.%2 %3")
                                  .arg(table->TAGLINE())
                                  .arg(computed)
                                  .arg(table->checkSum());
        if (checksum_action == ChecksumFaultAction::ThrowException) throw ETrueTypeError(error);
        FProblems << error;
    }
}

QString TrueTypeFont::FullName() const {
    return name_table ? name_table->get_Item(4) : QString();
}

quint16 TrueTypeFont::NumGlyphs() const {
    return profile ? profile->max_profile.numGlyphs : 0;
}

void TrueTypeFont::AddCharacterToKeepList(quint16 glyph) {
    if (FInKeepList.empty()) FInKeepList.resize(65536);
    if (FInKeepList[glyph]) return;
    FInKeepList[glyph] = true;
    ListOfUsedGlyphs.push_back(glyph);
}

std::vector<quint16> TrueTypeFont::CollectKeptGlyphs() {
    std::vector<quint16> keep = std::move(ListOfUsedGlyphs);
    ListOfUsedGlyphs.clear();
    FInKeepList.clear();
    std::sort(keep.begin(), keep.end());
    keep.push_back(0); // the missing-glyph outline is always kept

    const quint32 numGlyphs = NumGlyphs();
    const quint32 glyfLength = glyph_table->length();
    enum : uchar { NotSeen, OnPath, Done };
    std::vector<uchar> state(numGlyphs, NotSeen);
    std::vector<quint16> collected;

    // Components are followed to any depth; a glyph met again on its own path is a loop.
    struct Walker {
        TrueTypeFont& F;
        std::vector<uchar>& State;
        std::vector<quint16>& Kept;
        quint32 NumGlyphs, GlyfLength;

        void Visit(quint16 g, int depth) {
            if (State[g] == Done) return;
            if (State[g] == OnPath)
                throw ETrueTypeError(
                    QStringLiteral("Composite glyph %1 contains itself through its components.").arg(g));
            quint32 location, size;
            F.index_to_location->GetGlyph(g, *F.font_header, location, size);
            if (size == 0) {
                State[g] = Done;
                return;
            }
            if (quint64(location) + size > GlyfLength)
                throw ETrueTypeError(
                    QStringLiteral("Glyph %1 lies beyond the end of the \"glyf\" table.").arg(g));
            if (size < 10)
                throw ETrueTypeError(QStringLiteral("Glyph %1 is shorter than a glyph header.").arg(g));
            std::vector<quint16> components;
            try {
                components = F.glyph_table->CheckGlyph(location, size);
            } catch (const ETrueTypeError& e) {
                throw ETrueTypeError(QStringLiteral("Glyph %1: %2").arg(g).arg(e.Message()));
            }
            State[g] = OnPath;
            for (quint16 c : components) {
                if (c >= NumGlyphs)
                    throw ETrueTypeError(
                        QStringLiteral("Composite glyph %1 uses glyph %2, which the font does "
                                       "not have.")
                            .arg(g)
                            .arg(c));
                if (depth + 1 > MaxComponentDepth)
                    throw ETrueTypeError(
                        QStringLiteral("Composite glyph %1 nests its components more than %2 "
                                       "levels deep.")
                            .arg(g)
                            .arg(MaxComponentDepth));
                Visit(c, depth + 1);
            }
            State[g] = Done;
            Kept.push_back(g);
        }
    } walker{*this, state, collected, numGlyphs, glyfLength};

    for (quint16 g : keep) {
        if (g >= numGlyphs)
            throw ETrueTypeError(
                QStringLiteral("Glyph %1 is not in the font, which has %2 glyphs.").arg(g).arg(numGlyphs));
        walker.Visit(g, 0);
    }
    std::sort(collected.begin(), collected.end());
    return collected;
}

void TrueTypeFont::PackGlyphs() {
    if (NumGlyphs() == 0) throw ETrueTypeError(QStringLiteral("The font has no glyphs."));
    const std::vector<quint16> collected = CollectKeptGlyphs();

    IndexToLocationClass& loca = *index_to_location;
    const qint16 format = loca.indexToLocFormat;
    if (format != 0 && format != 1) throw ETrueTypeError(QStringLiteral("Unknown IndexToLoc value"));

    quint64 total = 0;
    for (quint16 g : collected) {
        quint32 location, size;
        loca.GetGlyph(g, *font_header, location, size);
        total += size;
    }
    QByteArray work(qsizetype(total), Qt::Uninitialized);
    char* w = work.data();
    const uchar* glyf = glyph_table->glyph_table_ptr;

    const quint32 entries = loca.Count();
    std::vector<quint32> offsets(entries);
    quint32 next = 0; // first entry not yet written
    quint32 v = 0;
    for (quint16 g : collected) {
        quint32 location, size;
        loca.GetGlyph(g, *font_header, location, size);
        for (; next <= g; ++next)
            offsets[next] = v;
        std::memcpy(w + v, glyf + location, size);
        v += size;
    }
    for (; next < entries; ++next)
        offsets[next] = v;

    if (format == 0) {
        for (quint32 i = 0; i < entries; ++i)
            loca.ShortIndexToLocation[i] = quint16(offsets[i] / 2);
    } else {
        loca.LongIndexToLocation = std::move(offsets);
    }
    glyph_table->SetPacked(std::move(work));
}

void TrueTypeFont::WriteTableDirectory(QByteArray& out) const {
    uchar* p = reinterpret_cast<uchar*>(out.data());
    PutUInt32(p, dir.sfntversion);
    PutUInt16(p + 4, dir.numTables);
    PutUInt16(p + 6, dir.searchRange);
    PutUInt16(p + 8, dir.entrySelector);
    PutUInt16(p + 10, dir.rangeShift);
    p += 12;
    for (const auto& [tag, table] : ListOfTables)
        p = table->StoreDescriptor(p);
}

QByteArray TrueTypeFont::PackFont() {
    if (!FPrepared) throw ETrueTypeError(QStringLiteral("The font must be prepared before it is packed."));
    FPrepared = false; // the keep list and the glyph tables are used up

    std::vector<TrueTypeTable*> order;
    order.reserve(ListOfTables.size());
    quint64 estimate = 12 + 16 * quint64(ListOfTables.size());
    for (const auto& [tag, table] : ListOfTables) {
        order.push_back(table.get());
        estimate += Align4(table->length()) + 32;
    }
    // By offset; at one offset empty tables go first, so packing a subset again lays it out the
    // same way (an empty table takes no room wherever it stands).
    std::stable_sort(order.begin(), order.end(), [](const TrueTypeTable* a, const TrueTypeTable* b) {
        if (a->offset() != b->offset()) return a->offset() < b->offset();
        return (a->length() != 0) < (b->length() != 0);
    });

    PackGlyphs();

    quint32 n = 12 + 16 * quint32(ListOfTables.size());
    QByteArray out(qsizetype(n), '\0');
    out.reserve(qsizetype(std::min<quint64>(estimate, quint64(beginfile_ptr.size()) + estimate / 8)));
    for (TrueTypeTable* table : order) {
        n = table->Save(beginfile_ptr, out, n);
        if (n % 4 != 0) throw ETrueTypeError(QStringLiteral("Align error"));
    }
    out.resize(n);

    // Every table gets the checksum of what it now holds ("head" with its adjustment at 0).
    const uchar* base = reinterpret_cast<const uchar*>(out.constData());
    for (const auto& [tag, table] : ListOfTables)
        table->SetcheckSum(CalcChecksum(base + table->offset(), table->length()));

    // A member of a collection may carry another version tag; the subset is a plain TrueType font.
    dir.sfntversion = 0x00010000;
    dir.numTables = quint16(ListOfTables.size());
    quint16 power = 1, log2 = 0;
    while (power * 2u <= dir.numTables) {
        power *= 2;
        ++log2;
    }
    dir.searchRange = quint16(power * 16);
    dir.entrySelector = log2;
    dir.rangeShift = quint16(dir.numTables * 16 - dir.searchRange);
    WriteTableDirectory(out);

    const quint32 sum = CalcChecksum(base, n);
    font_header->SaveFontHeader(reinterpret_cast<uchar*>(out.data()) + font_header->offset(),
                                0xB1B0AFBAu - sum);
    return out;
}

// ---- TrueTypeCollection ----

void TrueTypeCollection::Initialize(const char* data, qsizetype size) {
    Initialize(QByteArray(data, size));
}

void TrueTypeCollection::Initialize(const QByteArray& data) {
    fonts_collection.clear();
    FProblems.clear();
    const uchar* p = reinterpret_cast<const uchar*>(data.constData());
    const quint64 size = quint64(data.size());
    if (size >= 4 && GetUInt32(p) == 0x00010000) {
        fonts_collection.push_back(std::make_unique<TrueTypeFont>(data, 0, ChecksumFaultAction::Warn));
        return;
    }
    if (size >= 4 && std::memcmp(p, "ttcf", 4) == 0) {
        if (size < 12) throw ETrueTypeError(QStringLiteral("The font collection's header is cut off."));
        const quint32 version = GetUInt32(p + 4);
        if (version != 0x00010000 && version != 0x00020000)
            throw ETrueTypeError(QStringLiteral("Unknown font collection version"));
        const quint32 count = GetUInt32(p + 8);
        if (12 + 4 * quint64(count) > size)
            throw ETrueTypeError(
                QStringLiteral("The font collection's list of %1 fonts is cut off.").arg(count));
        for (quint32 i = 0; i < count; ++i)
            fonts_collection.push_back(
                std::make_unique<TrueTypeFont>(data, GetUInt32(p + 12 + 4 * i), ChecksumFaultAction::Warn));
        return;
    }
    throw ETrueTypeError(QStringLiteral("TrueType font format error"));
}

const QStringList& TrueTypeCollection::SkipList() {
    static const QStringList list = {QStringLiteral("EBLC"), QStringLiteral("EBDT"), QStringLiteral("hdmx"),
                                     QStringLiteral("VDMX"), QStringLiteral("DSIG")};
    return list;
}

QString TrueTypeCollection::TargetName(const QString& fontName, bool bold, bool italic) {
    static const std::pair<const char16_t*, const char*> names[] = {
        {u"ＭＳ ゴシック", "MS Gothic"}, {u"ＭＳ Ｐゴシック", "MS PGothic"},
        {u"ＭＳ 明朝", "MS Mincho"},     {u"ＭＳ Ｐ明朝", "MS PMincho"},
        {u"メイリオ", "Meiryo"},
    };
    QString name = fontName;
    for (const auto& [local, english] : names) {
        if (fontName == QString::fromUtf16(local)) {
            name = QString::fromLatin1(english);
            break;
        }
    }
    if (bold) name += QStringLiteral(" Bold");
    if (italic) name += QStringLiteral(" Italic");
    return name;
}

QByteArray TrueTypeCollection::Pack(TrueTypeFont& font, const QList<quint16>& usedGlyphs) {
    FProblems = font.Problems();
    for (quint16 g : usedGlyphs)
        font.AddCharacterToKeepList(g);
    return font.PackFont();
}

QByteArray TrueTypeCollection::PackFont(int faceIndex, const QList<quint16>& usedGlyphs) {
    FProblems.clear();
    if (faceIndex < 0 || faceIndex >= Count())
        throw ETrueTypeError(
            QStringLiteral("The font data has no face %1; it holds %2.").arg(faceIndex).arg(Count()));
    TrueTypeFont& font = *fonts_collection[size_t(faceIndex)];
    font.PrepareFont(SkipList());
    return Pack(font, usedGlyphs);
}

QByteArray TrueTypeCollection::PackFont(const QString& fontName, bool bold, bool italic,
                                        const QList<quint16>& usedGlyphs) {
    FProblems.clear();
    if (fonts_collection.empty()) throw ETrueTypeError(QStringLiteral("The font collection holds no fonts."));
    const QString target = TargetName(fontName, bold, italic);
    for (const auto& font : fonts_collection) {
        font->PrepareFont(SkipList());
        if (font->FullName() == target) return Pack(*font, usedGlyphs);
    }
    if (fonts_collection.size() == 1) return Pack(*fonts_collection.front(), usedGlyphs);
    throw ETrueTypeError(QStringLiteral("No font of the collection is named \"%1\".").arg(target));
}
