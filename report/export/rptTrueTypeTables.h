#pragma once
// The tables of a TrueType font as the PDF export's subsetter reads and rewrites them. The font
// file is read where it lies and never changed; every table writes itself into the subset being
// built. All data is big-endian in the file and host order in memory.
//
// Font files come from outside, so every read is checked against the table it belongs to: a table
// shorter than its own structures raises ETrueTypeError naming the table, never reads past it.

#include "platform/rtl/Exceptions.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

KORVEL_EXCEPTION(ETrueTypeError, Exception)

// The common base of the font classes: byte order and big-endian access.
class TTF_Helpers {
public:
    virtual ~TTF_Helpers() = default;

    static const uchar* Increment(const uchar* p, qsizetype count) { return p + count; }
    static quint16 SwapUInt16(quint16 v) { return quint16((v >> 8) | (v << 8)); }
    static qint16 SwapInt16(qint16 v) { return qint16(SwapUInt16(quint16(v))); }
    static quint32 SwapUInt32(quint32 v) {
        return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
    }
    static qint32 SwapInt32(qint32 v) { return qint32(SwapUInt32(quint32(v))); }

    // Reads and writes of big-endian values at a byte position.
    static quint16 GetUInt16(const uchar* p) { return quint16((p[0] << 8) | p[1]); }
    static qint16 GetInt16(const uchar* p) { return qint16(GetUInt16(p)); }
    static quint32 GetUInt32(const uchar* p) {
        return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
    }
    static qint32 GetInt32(const uchar* p) { return qint32(GetUInt32(p)); }
    static qint64 GetInt64(const uchar* p) {
        return qint64((quint64(GetUInt32(p)) << 32) | GetUInt32(p + 4));
    }
    static void PutUInt16(uchar* p, quint16 v) {
        p[0] = uchar(v >> 8);
        p[1] = uchar(v);
    }
    static void PutInt16(uchar* p, qint16 v) { PutUInt16(p, quint16(v)); }
    static void PutUInt32(uchar* p, quint32 v) {
        p[0] = uchar(v >> 24);
        p[1] = uchar(v >> 16);
        p[2] = uchar(v >> 8);
        p[3] = uchar(v);
    }
    static void PutInt32(uchar* p, qint32 v) { PutUInt32(p, quint32(v)); }
    static void PutInt64(uchar* p, qint64 v) {
        PutUInt32(p, quint32(quint64(v) >> 32));
        PutUInt32(p + 4, quint32(v));
    }

    // The table checksum: big-endian 32-bit words summed modulo 2^32, a last partial word
    // padded with zero low bytes.
    static quint32 CalcChecksum(const uchar* p, quint32 length);
    static quint32 Align4(quint32 n) { return (n + 3u) & ~3u; }
    // A tag as the 32-bit number of its four bytes, first byte highest ("head" -> 0x68656164).
    static quint32 TagValue(const char* tag4);
    static QString TagText(quint32 tag);
};

// One record of a font's table directory.
struct TableEntry {
    quint32 tag = 0; // the four tag bytes, first byte highest
    quint32 checkSum = 0;
    quint32 offset = 0; // from the start of the font file or collection
    quint32 length = 0;
};

class TrueTypeTable : public TTF_Helpers {
public:
    // From the 16-byte directory record at p.
    explicit TrueTypeTable(const uchar* p);
    // From another table's entry, which is copied.
    explicit TrueTypeTable(const TableEntry& source);
    TrueTypeTable(const TrueTypeTable&) = delete;
    TrueTypeTable& operator=(const TrueTypeTable&) = delete;

    TableEntry entry;

    quint32 tag() const { return entry.tag; }
    quint32 checkSum() const { return entry.checkSum; }
    void SetcheckSum(quint32 v) { entry.checkSum = v; }
    quint32 offset() const { return entry.offset; }
    void Setoffset(quint32 v) { entry.offset = v; }
    quint32 length() const { return entry.length; }
    void Setlength(quint32 v) { entry.length = v; }
    QString TAGLINE() const { return TagText(entry.tag); }

    // Reads the table's fields from the font; the base reads nothing. The font checks before
    // loading that offset + length lies inside the data.
    virtual void Load(const QByteArray& font);
    // Writes the table into the subset at newOffset, padded with zeros to a multiple of 4, and
    // returns the next free offset. The base copies the table's bytes from the font unchanged.
    virtual quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset);
    // The checksum of the table's bytes in the font, as the directory should hold it.
    virtual quint32 CalcTableChecksum(const QByteArray& font) const;
    // Writes the entry as a big-endian directory record at p; returns p moved by 16.
    uchar* StoreDescriptor(uchar* p) const;

protected:
    // Where the table starts in the font.
    const uchar* Bytes(const QByteArray& font) const;
    // Raises when count bytes from position pos would run past the table.
    void Need(quint64 pos, quint64 count, const char* what) const;
    // Makes room for the table in out at newOffset (zero-filled up to the 4-byte boundary) and
    // copies the source bytes; returns where the table now starts in out.
    uchar* CopyInto(const QByteArray& font, QByteArray& out, quint32 newOffset) const;
};

struct FontHeader {
    quint32 version = 0, revision = 0, checkSumAdjustment = 0, magicNumber = 0;
    quint16 flags = 0, unitsPerEm = 0;
    qint64 CreatedDateTime = 0, ModifiedDateTime = 0;
    qint16 xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    quint16 macStyle = 0, lowestRecPPEM = 0;
    qint16 fontDirectionHint = 0, indexToLocFormat = 0, glyphDataFormat = 0;
};

struct HorizontalHeader {
    quint32 Version = 0;
    qint16 Ascender = 0, Descender = 0, LineGap = 0;
    quint16 advanceWidthMax = 0;
    qint16 minLeftSideBearing = 0, minRightSideBearing = 0, xMaxExtent = 0;
    qint16 caretSlopeRise = 0, caretSlopeRun = 0;
    qint16 reserved1 = 0, reserved2 = 0, reserved3 = 0, reserved4 = 0, reserved5 = 0;
    qint16 metricDataFormat = 0;
    quint16 numberOfHMetrics = 0;
};

struct longHorMetric {
    quint16 advanceWidth = 0;
    qint16 lsb = 0;
};

struct MaximumProfile {
    quint32 Version = 0;
    quint16 numGlyphs = 0, maxPoints = 0, maxContours = 0, maxCompositePoints = 0, maxCompositeContours = 0,
            maxZones = 0, maxTwilightPoints = 0, maxStorage = 0, maxFunctionDefs = 0, maxInstructionDefs = 0,
            maxStackElements = 0, maxSizeOfInstructions = 0, maxComponentElements = 0, maxComponentDepth = 0;
};

struct PostScript {
    quint32 Version = 0;
    qint32 ItalicAngle = 0;
    qint16 underlinePosition = 0, underlineThickness = 0;
    quint32 isFixedPitch = 0, minMemType42 = 0, maxMemType42 = 0, minMemType1 = 0, maxMemType1 = 0;
};

struct OS2WindowsMetrics {
    quint16 Version = 0;
    qint16 xAvgCharWidth = 0;
    quint16 usWeightClass = 0, usWidthClass = 0, fsType = 0;
    qint16 ySubscriptXSize = 0, ySubscriptYSize = 0, ySubscriptXOffset = 0, ySubscriptYOffset = 0;
    qint16 ySuperscriptXSize = 0, ySuperscriptYSize = 0, ySuperscriptXOffset = 0, ySuperscriptYOffset = 0;
    qint16 yStrikeoutSize = 0, yStrikeoutPosition = 0, sFamilyClass = 0;
    uchar panose[10] = {};
    quint32 ulUnicodeRange1 = 0, ulUnicodeRange2 = 0, ulUnicodeRange3 = 0, ulUnicodeRange4 = 0;
    char achVendID[4] = {};
    quint16 fsSelection = 0, usFirstCharIndex = 0, usLastCharIndex = 0;
    qint16 sTypoAscender = 0, sTypoDescender = 0, sTypoLineGap = 0;
    quint16 usWinAscent = 0, usWinDescent = 0;
    quint32 ulCodePageRange1 = 0, ulCodePageRange2 = 0;
    qint16 sxHeight = 0, sCapHeight = 0;
    quint16 usDefaultChar = 0, usBreakChar = 0, usMaxContext = 0;
};

struct GSUB_Header {
    quint32 Version = 0;
    quint16 ScriptList = 0, FeatureList = 0, LookupList = 0;
};

struct NameRecord {
    quint16 platformID = 0, encodingID = 0, languageID = 0, nameID = 0, length = 0, offset = 0;
};

struct NamingTableHeader {
    quint16 TableVersion = 0, Count = 0, stringOffset = 0;
    std::vector<NameRecord> records;
};

struct KerningTableHeader {
    quint16 Version = 0, nTables = 0;
};

class FontHeaderClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    FontHeader font_header;
    void Load(const QByteArray& font) override;
    quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset) override;
    // The stored adjustment counts as 0, as the checksum definition requires.
    quint32 CalcTableChecksum(const QByteArray& font) const override;
    // Writes the 54-byte header at p with every field as loaded and the given adjustment.
    void SaveFontHeader(uchar* p, quint32 adjustment) const;
};

class HorizontalHeaderClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    HorizontalHeader horizontal_header;
    void Load(const QByteArray& font) override;
    quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset) override;
};

class HorizontalMetrixClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    std::vector<longHorMetric> MetrixTable;
    quint16 NumberOfMetrics = 0; // set from hhea's numberOfHMetrics before loading
    void Load(const QByteArray& font) override;
};

class IndexToLocationClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    std::vector<quint16> ShortIndexToLocation;
    std::vector<quint32> LongIndexToLocation;
    qint16 indexToLocFormat = 0; // set from head before loading
    void Load(const QByteArray& font) override;
    // Writes the entries as they stand now (the subsetter has rewritten them).
    quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset) override;
    // Number of entries (one more than the glyphs they locate).
    quint32 Count() const;
    // Where a glyph's data starts in glyf and how many bytes it has; 0 and 0 for an unknown
    // format. Raises for a glyph without entries or entries that run backwards.
    void GetGlyph(quint16 glyph, const FontHeaderClass& header, quint32& location, quint32& size) const;
};

class GlyphTableClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    const uchar* glyph_table_ptr = nullptr;
    void Load(const QByteArray& font) override;
    quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset) override;
    // The components of the composite glyph at offset (in glyf) with size bytes, first level
    // only; empty for a simple glyph.
    std::vector<quint16> CheckGlyph(quint32 offset, quint32 size) const;
    // The packed glyph data that replaces the table when the font is saved.
    void SetPacked(QByteArray data);

private:
    QByteArray FPacked;
    bool FIsPacked = false;
};

class CmapTableClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    std::vector<quint16> endCount, startCount, idRangeOffset, GlyphIndexArray;
    std::vector<qint16> idDelta;
    quint16 segment_count = 0;
    void Load(const QByteArray& font) override;
    // The glyph of a BMP character by the format-4 segments (0 when unmapped).
    quint16 GetGlyphIndex(quint16 code) const;
};

class NameTableClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    NamingTableHeader name_header;
    const uchar* namerecord_ptr = nullptr;
    const uchar* string_storage_ptr = nullptr;
    void Load(const QByteArray& font) override;
    // The first Windows Unicode or Unicode-platform name with this ID; empty when there is none.
    QString get_Item(quint16 nameID) const;

private:
    quint32 FStorageSize = 0;
};

class MaximumProfileClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    MaximumProfile max_profile;
    void Load(const QByteArray& font) override;
    quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset) override;
};

class PostScriptClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    PostScript post_script;
    void Load(const QByteArray& font) override;
    // A 32-byte version 3.0 header: glyph names are dropped.
    quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset) override;
};

class OS2WindowsMetricsClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    OS2WindowsMetrics win_metrix;
    void Load(const QByteArray& font) override;
    // Keeps the table's own length: versions 0 and 1 are shorter than 96 bytes, 5 is longer.
    quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset) override;
};

class GlyphSubstitutionClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    GSUB_Header header;
    void Load(const QByteArray& font) override;
};

class PreProgramClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    QByteArray pre_program;
    void Load(const QByteArray& font) override;
    quint32 Save(const QByteArray& font, QByteArray& out, quint32 newOffset) override;
};

struct KerningSubtableHeader {
    quint16 Version = 0, Length = 0, Coverage = 0;
};

struct KerningFormatZero {
    quint16 nPairs = 0, searchRange = 0, entrySelector = 0, rangeShift = 0;
};

class KerningSubtableClass : public TTF_Helpers {
public:
    KerningSubtableHeader common_header;
    KerningFormatZero format_zero;
};

class KerningTableClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    KerningTableHeader kerning_table_header;
    std::vector<std::unique_ptr<KerningSubtableClass>> kerning_subtables_collection;
    void Load(const QByteArray& font) override;
};
