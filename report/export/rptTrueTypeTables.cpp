#include "report/export/rptTrueTypeTables.h"

#include <cstring>
#include <limits>

namespace {

using H = TTF_Helpers;

// Reads or writes the fields of one record through the same list of positions, so loading and
// saving cannot drift apart. Fields past Limit are left alone: a short table keeps its length.
struct TFieldCodec {
    const uchar* In = nullptr; // reading when set, else writing to Out
    uchar* Out = nullptr;
    quint32 Limit = 0;

    bool Fits(quint32 at, quint32 n) const { return quint64(at) + n <= Limit; }
    void U16(quint32 at, quint16& v) {
        if (!Fits(at, 2)) return;
        if (In)
            v = H::GetUInt16(In + at);
        else
            H::PutUInt16(Out + at, v);
    }
    void I16(quint32 at, qint16& v) {
        if (!Fits(at, 2)) return;
        if (In)
            v = H::GetInt16(In + at);
        else
            H::PutInt16(Out + at, v);
    }
    void U32(quint32 at, quint32& v) {
        if (!Fits(at, 4)) return;
        if (In)
            v = H::GetUInt32(In + at);
        else
            H::PutUInt32(Out + at, v);
    }
    void I32(quint32 at, qint32& v) {
        if (!Fits(at, 4)) return;
        if (In)
            v = H::GetInt32(In + at);
        else
            H::PutInt32(Out + at, v);
    }
    void I64(quint32 at, qint64& v) {
        if (!Fits(at, 8)) return;
        if (In)
            v = H::GetInt64(In + at);
        else
            H::PutInt64(Out + at, v);
    }
    void Raw(quint32 at, void* v, quint32 n) {
        if (!Fits(at, n)) return;
        if (In)
            std::memcpy(v, In + at, n);
        else
            std::memcpy(Out + at, v, n);
    }
};

void Fields(TFieldCodec& c, FontHeader& h) {
    c.U32(0, h.version);
    c.U32(4, h.revision);
    c.U32(8, h.checkSumAdjustment);
    c.U32(12, h.magicNumber);
    c.U16(16, h.flags);
    c.U16(18, h.unitsPerEm);
    c.I64(20, h.CreatedDateTime);
    c.I64(28, h.ModifiedDateTime);
    c.I16(36, h.xMin);
    c.I16(38, h.yMin);
    c.I16(40, h.xMax);
    c.I16(42, h.yMax);
    c.U16(44, h.macStyle);
    c.U16(46, h.lowestRecPPEM);
    c.I16(48, h.fontDirectionHint);
    c.I16(50, h.indexToLocFormat);
    c.I16(52, h.glyphDataFormat);
}

void Fields(TFieldCodec& c, HorizontalHeader& h) {
    c.U32(0, h.Version);
    c.I16(4, h.Ascender);
    c.I16(6, h.Descender);
    c.I16(8, h.LineGap);
    c.U16(10, h.advanceWidthMax);
    c.I16(12, h.minLeftSideBearing);
    c.I16(14, h.minRightSideBearing);
    c.I16(16, h.xMaxExtent);
    c.I16(18, h.caretSlopeRise);
    c.I16(20, h.caretSlopeRun);
    c.I16(22, h.reserved1);
    c.I16(24, h.reserved2);
    c.I16(26, h.reserved3);
    c.I16(28, h.reserved4);
    c.I16(30, h.reserved5);
    c.I16(32, h.metricDataFormat);
    c.U16(34, h.numberOfHMetrics);
}

void Fields(TFieldCodec& c, MaximumProfile& m) {
    c.U32(0, m.Version);
    c.U16(4, m.numGlyphs);
    quint16* rest[] = {&m.maxPoints,
                       &m.maxContours,
                       &m.maxCompositePoints,
                       &m.maxCompositeContours,
                       &m.maxZones,
                       &m.maxTwilightPoints,
                       &m.maxStorage,
                       &m.maxFunctionDefs,
                       &m.maxInstructionDefs,
                       &m.maxStackElements,
                       &m.maxSizeOfInstructions,
                       &m.maxComponentElements,
                       &m.maxComponentDepth};
    quint32 at = 6;
    for (quint16* v : rest) {
        c.U16(at, *v);
        at += 2;
    }
}

void Fields(TFieldCodec& c, PostScript& p) {
    c.U32(0, p.Version);
    c.I32(4, p.ItalicAngle);
    c.I16(8, p.underlinePosition);
    c.I16(10, p.underlineThickness);
    c.U32(12, p.isFixedPitch);
    c.U32(16, p.minMemType42);
    c.U32(20, p.maxMemType42);
    c.U32(24, p.minMemType1);
    c.U32(28, p.maxMemType1);
}

void Fields(TFieldCodec& c, OS2WindowsMetrics& m) {
    c.U16(0, m.Version);
    c.I16(2, m.xAvgCharWidth);
    c.U16(4, m.usWeightClass);
    c.U16(6, m.usWidthClass);
    c.U16(8, m.fsType);
    c.I16(10, m.ySubscriptXSize);
    c.I16(12, m.ySubscriptYSize);
    c.I16(14, m.ySubscriptXOffset);
    c.I16(16, m.ySubscriptYOffset);
    c.I16(18, m.ySuperscriptXSize);
    c.I16(20, m.ySuperscriptYSize);
    c.I16(22, m.ySuperscriptXOffset);
    c.I16(24, m.ySuperscriptYOffset);
    c.I16(26, m.yStrikeoutSize);
    c.I16(28, m.yStrikeoutPosition);
    c.I16(30, m.sFamilyClass);
    c.Raw(32, m.panose, 10);
    c.U32(42, m.ulUnicodeRange1);
    c.U32(46, m.ulUnicodeRange2);
    c.U32(50, m.ulUnicodeRange3);
    c.U32(54, m.ulUnicodeRange4);
    c.Raw(58, m.achVendID, 4);
    c.U16(62, m.fsSelection);
    c.U16(64, m.usFirstCharIndex);
    c.U16(66, m.usLastCharIndex);
    c.I16(68, m.sTypoAscender);
    c.I16(70, m.sTypoDescender);
    c.I16(72, m.sTypoLineGap);
    c.U16(74, m.usWinAscent);
    c.U16(76, m.usWinDescent);
    c.U32(78, m.ulCodePageRange1);
    c.U32(82, m.ulCodePageRange2);
    c.I16(86, m.sxHeight);
    c.I16(88, m.sCapHeight);
    c.U16(90, m.usDefaultChar);
    c.U16(92, m.usBreakChar);
    c.U16(94, m.usMaxContext);
}

void Fields(TFieldCodec& c, GSUB_Header& g) {
    c.U32(0, g.Version);
    c.U16(4, g.ScriptList);
    c.U16(6, g.FeatureList);
    c.U16(8, g.LookupList);
}

template <class R> void ReadFields(const uchar* p, quint32 limit, R& record) {
    TFieldCodec c;
    c.In = p;
    c.Limit = limit;
    Fields(c, record);
}

template <class R> void WriteFields(uchar* p, quint32 limit, R record) {
    TFieldCodec c;
    c.Out = p;
    c.Limit = limit;
    Fields(c, record);
}

} // namespace

// ---- TTF_Helpers ----

quint32 TTF_Helpers::CalcChecksum(const uchar* p, quint32 length) {
    quint32 sum = 0;
    const quint32 words = length / 4;
    for (quint32 i = 0; i < words; ++i, p += 4)
        sum += (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
    quint32 shift = 24;
    quint32 last = 0;
    for (quint32 i = 0; i < (length & 3u); ++i, shift -= 8)
        last |= quint32(p[i]) << shift;
    return sum + last;
}

quint32 TTF_Helpers::TagValue(const char* tag4) {
    return GetUInt32(reinterpret_cast<const uchar*>(tag4));
}

QString TTF_Helpers::TagText(quint32 tag) {
    const char bytes[4] = {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag)};
    return QString::fromLatin1(bytes, 4);
}

// ---- TrueTypeTable ----

TrueTypeTable::TrueTypeTable(const uchar* p) {
    entry.tag = GetUInt32(p);
    entry.checkSum = GetUInt32(p + 4);
    entry.offset = GetUInt32(p + 8);
    entry.length = GetUInt32(p + 12);
}

TrueTypeTable::TrueTypeTable(const TableEntry& source) : entry(source) {}

void TrueTypeTable::Load(const QByteArray&) {}

const uchar* TrueTypeTable::Bytes(const QByteArray& font) const {
    return reinterpret_cast<const uchar*>(font.constData()) + entry.offset;
}

void TrueTypeTable::Need(quint64 pos, quint64 count, const char* what) const {
    if (pos + count > entry.length)
        throw ETrueTypeError(
            QStringLiteral("The \"%1\" table is too short for its %2: %3 bytes needed, it has %4.")
                .arg(TAGLINE(), QLatin1String(what))
                .arg(pos + count)
                .arg(entry.length));
}

uchar* TrueTypeTable::CopyInto(const QByteArray& font, QByteArray& out, quint32 newOffset) const {
    const quint32 padded = Align4(entry.length);
    if (quint64(newOffset) + padded > quint64(std::numeric_limits<int>::max()))
        throw ETrueTypeError(QStringLiteral("The subset of the font grows too large."));
    if (out.size() < qsizetype(newOffset + padded)) out.resize(newOffset + padded);
    uchar* p = reinterpret_cast<uchar*>(out.data()) + newOffset;
    std::memcpy(p, Bytes(font), entry.length);
    std::memset(p + entry.length, 0, padded - entry.length);
    return p;
}

quint32 TrueTypeTable::Save(const QByteArray& font, QByteArray& out, quint32 newOffset) {
    CopyInto(font, out, newOffset);
    entry.offset = newOffset;
    return newOffset + Align4(entry.length);
}

quint32 TrueTypeTable::CalcTableChecksum(const QByteArray& font) const {
    return CalcChecksum(Bytes(font), entry.length);
}

uchar* TrueTypeTable::StoreDescriptor(uchar* p) const {
    PutUInt32(p, entry.tag);
    PutUInt32(p + 4, entry.checkSum);
    PutUInt32(p + 8, entry.offset);
    PutUInt32(p + 12, entry.length);
    return p + 16;
}

// ---- head ----

void FontHeaderClass::Load(const QByteArray& font) {
    Need(0, 54, "header");
    ReadFields(Bytes(font), 54, font_header);
}

quint32 FontHeaderClass::Save(const QByteArray& font, QByteArray& out, quint32 newOffset) {
    uchar* p = CopyInto(font, out, newOffset);
    // The adjustment is summed as 0 and written once the whole subset is known.
    SaveFontHeader(p, 0);
    entry.offset = newOffset;
    return newOffset + Align4(entry.length);
}

quint32 FontHeaderClass::CalcTableChecksum(const QByteArray& font) const {
    return TrueTypeTable::CalcTableChecksum(font) - GetUInt32(Bytes(font) + 8);
}

void FontHeaderClass::SaveFontHeader(uchar* p, quint32 adjustment) const {
    FontHeader h = font_header;
    h.checkSumAdjustment = adjustment;
    WriteFields(p, 54, h);
}

// ---- hhea ----

void HorizontalHeaderClass::Load(const QByteArray& font) {
    Need(0, 36, "header");
    ReadFields(Bytes(font), 36, horizontal_header);
}

quint32 HorizontalHeaderClass::Save(const QByteArray& font, QByteArray& out, quint32 newOffset) {
    uchar* p = CopyInto(font, out, newOffset);
    WriteFields(p, 36, horizontal_header);
    entry.offset = newOffset;
    return newOffset + Align4(entry.length);
}

// ---- hmtx ----

void HorizontalMetrixClass::Load(const QByteArray& font) {
    Need(0, quint64(NumberOfMetrics) * 4, "metrics");
    const uchar* p = Bytes(font);
    MetrixTable.resize(NumberOfMetrics);
    for (auto& m : MetrixTable) {
        m.advanceWidth = GetUInt16(p);
        m.lsb = GetInt16(p + 2);
        p += 4;
    }
}

// ---- loca ----

void IndexToLocationClass::Load(const QByteArray& font) {
    const uchar* p = Bytes(font);
    ShortIndexToLocation.clear();
    LongIndexToLocation.clear();
    if (indexToLocFormat == 0) {
        ShortIndexToLocation.resize(entry.length / 2);
        for (auto& v : ShortIndexToLocation) {
            v = GetUInt16(p);
            p += 2;
        }
    } else if (indexToLocFormat == 1) {
        LongIndexToLocation.resize(entry.length / 4);
        for (auto& v : LongIndexToLocation) {
            v = GetUInt32(p);
            p += 4;
        }
    } else {
        throw ETrueTypeError(QStringLiteral("Unsupported Index to Location format"));
    }
}

quint32 IndexToLocationClass::Count() const {
    return quint32(indexToLocFormat == 0 ? ShortIndexToLocation.size() : LongIndexToLocation.size());
}

quint32 IndexToLocationClass::Save(const QByteArray& font, QByteArray& out, quint32 newOffset) {
    uchar* p = CopyInto(font, out, newOffset);
    if (indexToLocFormat == 0) {
        for (quint16 v : ShortIndexToLocation) {
            PutUInt16(p, v);
            p += 2;
        }
    } else {
        for (quint32 v : LongIndexToLocation) {
            PutUInt32(p, v);
            p += 4;
        }
    }
    entry.offset = newOffset;
    return newOffset + Align4(entry.length);
}

void IndexToLocationClass::GetGlyph(quint16 glyph, const FontHeaderClass& header, quint32& location,
                                    quint32& size) const {
    location = 0;
    size = 0;
    const qint16 format = header.font_header.indexToLocFormat;
    if (format != 0 && format != 1) return;
    if (quint32(glyph) + 1 >= Count())
        throw ETrueTypeError(QStringLiteral("Glyph %1 has no entry in the \"loca\" table.").arg(glyph));
    quint32 first, next;
    if (format == 0) {
        first = quint32(ShortIndexToLocation[glyph]) * 2;
        next = quint32(ShortIndexToLocation[glyph + 1]) * 2;
    } else {
        first = LongIndexToLocation[glyph];
        next = LongIndexToLocation[glyph + 1];
    }
    if (next < first)
        throw ETrueTypeError(QStringLiteral("The \"loca\" entries of glyph %1 run backwards.").arg(glyph));
    location = first;
    size = next - first;
}

// ---- glyf ----

void GlyphTableClass::Load(const QByteArray& font) {
    glyph_table_ptr = Bytes(font);
    FPacked.clear();
    FIsPacked = false;
}

void GlyphTableClass::SetPacked(QByteArray data) {
    FPacked = std::move(data);
    FIsPacked = true;
    entry.length = quint32(FPacked.size());
}

quint32 GlyphTableClass::Save(const QByteArray& font, QByteArray& out, quint32 newOffset) {
    if (!FIsPacked) return TrueTypeTable::Save(font, out, newOffset);
    const quint32 padded = Align4(entry.length);
    if (out.size() < qsizetype(newOffset + padded)) out.resize(newOffset + padded);
    uchar* p = reinterpret_cast<uchar*>(out.data()) + newOffset;
    if (entry.length > 0) std::memcpy(p, FPacked.constData(), entry.length);
    std::memset(p + entry.length, 0, padded - entry.length);
    entry.offset = newOffset;
    return newOffset + padded;
}

std::vector<quint16> GlyphTableClass::CheckGlyph(quint32 offset, quint32 size) const {
    std::vector<quint16> components;
    if (size < 10) return components;
    const uchar* g = glyph_table_ptr + offset;
    if (GetInt16(g) >= 0) return components;
    enum : quint16 {
        ARG_1_AND_2_ARE_WORDS = 0x0001,
        WE_HAVE_A_SCALE = 0x0008,
        MORE_COMPONENTS = 0x0020,
        WE_HAVE_AN_X_AND_Y_SCALE = 0x0040,
        WE_HAVE_A_TWO_BY_TWO = 0x0080
    };
    quint32 pos = 10;
    quint16 flags;
    do {
        if (quint64(pos) + 4 > size)
            throw ETrueTypeError(
                QStringLiteral("A composite glyph is cut off after %1 components.").arg(components.size()));
        flags = GetUInt16(g + pos);
        components.push_back(GetUInt16(g + pos + 2));
        pos += 4 + ((flags & ARG_1_AND_2_ARE_WORDS) ? 4 : 2);
        if (flags & WE_HAVE_A_SCALE)
            pos += 2;
        else if (flags & WE_HAVE_AN_X_AND_Y_SCALE)
            pos += 4;
        else if (flags & WE_HAVE_A_TWO_BY_TWO)
            pos += 8;
        if (pos > size)
            throw ETrueTypeError(QStringLiteral("A composite glyph is cut off after %1 components.")
                                     .arg(components.size() - 1));
    } while (flags & MORE_COMPONENTS);
    return components;
}

// ---- cmap ----

void CmapTableClass::Load(const QByteArray& font) {
    endCount.clear();
    startCount.clear();
    idRangeOffset.clear();
    GlyphIndexArray.clear();
    idDelta.clear();
    segment_count = 0;
    Need(0, 4, "header");
    const uchar* t = Bytes(font);
    const quint16 numTables = GetUInt16(t + 2);
    Need(4, quint64(numTables) * 8, "encoding records");
    for (quint16 i = 0; i < numTables; ++i) {
        const uchar* rec = t + 4 + 8 * i;
        if (GetUInt16(rec) != 3 || GetUInt16(rec + 2) != 1) continue;
        const quint32 sub = GetUInt32(rec + 4);
        Need(sub, 2, "subtable");
        const quint16 format = GetUInt16(t + sub);
        switch (format) {
        case 0:
            throw ETrueTypeError(QStringLiteral("TO DO: ByteEncoding cmap format not implemented"));
        case 2:
            throw ETrueTypeError(QStringLiteral("TO DO: HighByteMapping cmap format not implemented"));
        case 6:
            throw ETrueTypeError(QStringLiteral("TO DO: TrimmedTable cmap format not implemented"));
        case 4: {
            Need(sub, 14, "format 4 header");
            const quint32 subLength = GetUInt16(t + sub + 2);
            const quint16 segs = GetUInt16(t + sub + 6) / 2;
            Need(sub, 16 + 8 * quint64(segs), "format 4 segments");
            const uchar* p = t + sub + 14;
            endCount.resize(segs);
            startCount.resize(segs);
            idDelta.resize(segs);
            idRangeOffset.resize(segs);
            for (quint16 s = 0; s < segs; ++s) {
                endCount[s] = GetUInt16(p + 2 * s);
                startCount[s] = GetUInt16(p + 2 + 2 * (segs + s));
                idDelta[s] = GetInt16(p + 2 + 2 * (2 * segs + s));
                idRangeOffset[s] = GetUInt16(p + 2 + 2 * (3 * segs + s));
            }
            // The length field is 16 bits and overflows on large subtables; the glyph array
            // never reaches past the table either way.
            const quint64 arrayStart = quint64(sub) + 16 + 8 * quint64(segs);
            qint64 count = (qint64(subLength) - 16 - 8 * qint64(segs)) / 2;
            const qint64 room = (qint64(entry.length) - qint64(arrayStart)) / 2;
            if (count > room) count = room;
            if (count < 0) count = 0;
            const uchar* a = t + arrayStart;
            GlyphIndexArray.resize(size_t(count));
            for (qint64 k = 0; k < count; ++k)
                GlyphIndexArray[size_t(k)] = GetUInt16(a + 2 * k);
            segment_count = segs;
            break;
        }
        default:
            break;
        }
        return;
    }
}

quint16 CmapTableClass::GetGlyphIndex(quint16 code) const {
    for (quint16 s = 0; s < segment_count; ++s) {
        if (endCount[s] < code) continue;
        if (startCount[s] > code) return 0;
        if (idRangeOffset[s] == 0) return quint16(code + idDelta[s]);
        // The offset counts from the segment's own idRangeOffset word.
        const qint64 index = qint64(idRangeOffset[s] / 2) + (code - startCount[s]) - (segment_count - s);
        if (index < 0 || index >= qint64(GlyphIndexArray.size())) return 0;
        const quint16 glyph = GlyphIndexArray[size_t(index)];
        return glyph == 0 ? 0 : quint16(glyph + idDelta[s]);
    }
    return 0;
}

// ---- name ----

void NameTableClass::Load(const QByteArray& font) {
    Need(0, 6, "header");
    const uchar* t = Bytes(font);
    name_header.TableVersion = GetUInt16(t);
    name_header.Count = GetUInt16(t + 2);
    name_header.stringOffset = GetUInt16(t + 4);
    Need(6, quint64(name_header.Count) * 12, "name records");
    Need(name_header.stringOffset, 0, "string storage");
    namerecord_ptr = t + 6;
    string_storage_ptr = t + name_header.stringOffset;
    FStorageSize = entry.length - name_header.stringOffset;
    name_header.records.resize(name_header.Count);
    const uchar* r = namerecord_ptr;
    for (auto& rec : name_header.records) {
        rec.platformID = GetUInt16(r);
        rec.encodingID = GetUInt16(r + 2);
        rec.languageID = GetUInt16(r + 4);
        rec.nameID = GetUInt16(r + 6);
        rec.length = GetUInt16(r + 8);
        rec.offset = GetUInt16(r + 10);
        r += 12;
    }
}

QString NameTableClass::get_Item(quint16 nameID) const {
    for (const auto& rec : name_header.records) {
        if (!((rec.platformID == 3 && rec.encodingID == 1) || rec.platformID == 0)) continue;
        if (rec.nameID != nameID) continue;
        if (quint32(rec.offset) + rec.length > FStorageSize) continue; // broken record
        const uchar* s = string_storage_ptr + rec.offset;
        QString text(rec.length / 2, Qt::Uninitialized);
        for (int i = 0; i < text.size(); ++i)
            text[i] = QChar(GetUInt16(s + 2 * i));
        return text;
    }
    return QString();
}

// ---- maxp ----

void MaximumProfileClass::Load(const QByteArray& font) {
    Need(0, 6, "glyph count");
    ReadFields(Bytes(font), entry.length, max_profile);
}

quint32 MaximumProfileClass::Save(const QByteArray& font, QByteArray& out, quint32 newOffset) {
    uchar* p = CopyInto(font, out, newOffset);
    WriteFields(p, entry.length, max_profile);
    entry.offset = newOffset;
    return newOffset + Align4(entry.length);
}

// ---- post ----

void PostScriptClass::Load(const QByteArray& font) {
    Need(0, 4, "version");
    ReadFields(Bytes(font), entry.length, post_script);
}

quint32 PostScriptClass::Save(const QByteArray&, QByteArray& out, quint32 newOffset) {
    if (out.size() < qsizetype(newOffset + 32)) out.resize(newOffset + 32);
    PostScript header = post_script;
    header.Version = 0x00030000;
    uchar* p = reinterpret_cast<uchar*>(out.data()) + newOffset;
    std::memset(p, 0, 32);
    WriteFields(p, 32, header);
    entry.offset = newOffset;
    entry.length = 32;
    return newOffset + 32;
}

// ---- OS/2 ----

void OS2WindowsMetricsClass::Load(const QByteArray& font) {
    Need(0, 2, "version");
    ReadFields(Bytes(font), entry.length, win_metrix);
}

quint32 OS2WindowsMetricsClass::Save(const QByteArray& font, QByteArray& out, quint32 newOffset) {
    uchar* p = CopyInto(font, out, newOffset);
    WriteFields(p, entry.length, win_metrix);
    entry.offset = newOffset;
    return newOffset + Align4(entry.length);
}

// ---- GSUB ----

void GlyphSubstitutionClass::Load(const QByteArray& font) {
    ReadFields(Bytes(font), entry.length, header);
}

// ---- prep ----

void PreProgramClass::Load(const QByteArray& font) {
    pre_program = QByteArray(reinterpret_cast<const char*>(Bytes(font)), qsizetype(entry.length));
}

quint32 PreProgramClass::Save(const QByteArray&, QByteArray& out, quint32 newOffset) {
    const quint32 padded = Align4(quint32(pre_program.size()));
    if (out.size() < qsizetype(newOffset + padded)) out.resize(newOffset + padded);
    uchar* p = reinterpret_cast<uchar*>(out.data()) + newOffset;
    if (!pre_program.isEmpty()) std::memcpy(p, pre_program.constData(), size_t(pre_program.size()));
    std::memset(p + pre_program.size(), 0, padded - quint32(pre_program.size()));
    entry.offset = newOffset;
    return newOffset + padded;
}

// ---- kern ----

void KerningTableClass::Load(const QByteArray& font) {
    kerning_subtables_collection.clear();
    kerning_table_header = KerningTableHeader();
    if (entry.length < 4) return;
    const uchar* t = Bytes(font);
    kerning_table_header.Version = GetUInt16(t);
    kerning_table_header.nTables = GetUInt16(t + 2);
    if (kerning_table_header.Version != 0) return; // the newer 32-bit header has other subtables
    quint32 pos = 4;
    for (quint16 i = 0; i < kerning_table_header.nTables && quint64(pos) + 6 <= entry.length; ++i) {
        auto sub = std::make_unique<KerningSubtableClass>();
        sub->common_header.Version = GetUInt16(t + pos);
        sub->common_header.Length = GetUInt16(t + pos + 2);
        sub->common_header.Coverage = GetUInt16(t + pos + 4);
        if (quint64(pos) + 14 <= entry.length) {
            sub->format_zero.nPairs = GetUInt16(t + pos + 6);
            sub->format_zero.searchRange = GetUInt16(t + pos + 8);
            sub->format_zero.entrySelector = GetUInt16(t + pos + 10);
            sub->format_zero.rangeShift = GetUInt16(t + pos + 12);
        }
        const quint16 length = sub->common_header.Length;
        kerning_subtables_collection.push_back(std::move(sub));
        if (length < 6) break;
        pos += length;
    }
}
