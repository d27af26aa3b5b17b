#pragma once
// Small TrueType fonts built from a description, a reader that takes a font apart again, and the
// outside check of a subset with fontTools. The builder and the reader are written apart from the
// subsetter, so they do not share its mistakes.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

struct TComponentSpec {
    quint16 Glyph = 0;
    quint16 ScaleFlag = 0; // 0, 0x0008 (one scale), 0x0040 (x and y scale), 0x0080 (2 by 2)
    bool Words = true;     // arguments as 16-bit words, else bytes
};

struct TGlyphSpec {
    int Points = 0;                         // a simple glyph of one contour with this many points; 0 and no
                                            // components: an empty glyph
    std::vector<TComponentSpec> Components; // a composite glyph when not empty

    static TGlyphSpec Empty() { return {}; }
    static TGlyphSpec Simple(int points = 4) { return {points, {}}; }
    static TGlyphSpec Composite(std::vector<quint16> glyphs) {
        TGlyphSpec g;
        for (quint16 c : glyphs)
            g.Components.push_back({c, 0, true});
        return g;
    }
};

struct TFontSpec {
    QString FullName = QStringLiteral("Test Sans");
    std::vector<TGlyphSpec> Glyphs;
    int LocaFormat = 0;
    quint32 PostVersion = 0x00020000; // 2.0 with glyph names, or 3.0
    qint32 ItalicAngle = -(12 << 16);
    qint16 UnderlinePosition = -75, UnderlineThickness = 50;
    quint32 IsFixedPitch = 1;
    int OS2Version = 3;     // 0 (78 bytes), 1 (86), 2 to 4 (96), 5 (100)
    bool ShortMaxp = false; // version 0.5, 6 bytes
    int CmapFormat = 4;
    std::vector<std::pair<quint16, quint16>> CharToGlyph = {{'A', 1}, {'B', 2}};
    // Extra name records placed before the usual ones: platform, encoding, name ID, text.
    struct TName {
        quint16 Platform, Encoding, NameId;
        QString Text;
    };
    std::vector<TName> ExtraNames;
    std::map<QByteArray, QByteArray> ExtraTables; // tag -> data (DSIG, hdmx, a 7-byte table...)
    QStringList Omit;                             // required tables left out on purpose
    bool ValidChecksums = true;
};

// Glyphs 0..count-1, all simple with 4 points, except those set afterwards.
std::vector<TGlyphSpec> SimpleGlyphs(int count);

QByteArray BuildFont(const TFontSpec& spec);
// A collection of the fonts, each copied whole behind the header.
QByteArray BuildCollection(const std::vector<QByteArray>& fonts, quint32 version = 0x00010000);

struct TParsedTable {
    quint32 CheckSum = 0, Offset = 0, Length = 0;
    QByteArray Data;
};

struct TParsedFont {
    quint32 Version = 0;
    quint16 NumTables = 0, SearchRange = 0, EntrySelector = 0, RangeShift = 0;
    std::vector<QByteArray> Order; // tags in directory order
    std::map<QByteArray, TParsedTable> Tables;

    bool Has(const char* tag) const { return Tables.count(QByteArray(tag)) != 0; }
    const QByteArray& Table(const char* tag) const { return Tables.at(QByteArray(tag)).Data; }
    // Glyph data of one glyph, located through head and loca.
    QByteArray Glyph(int glyph) const;
    int GlyphCount() const; // from maxp
};

TParsedFont ParseFont(const QByteArray& data, quint32 directory = 0);
quint32 Checksum(const QByteArray& bytes);
quint16 BigEndian16(const QByteArray& b, int at);
quint32 BigEndian32(const QByteArray& b, int at);

QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& data);

// One subset for fontTools to check: it loads the subset with every checksum verified, finds the
// glyphs that must be kept (the used ones, glyph 0 and every component at any depth) on its own,
// and compares their bytes and outlines with the original; every other glyph must be empty.
struct TSubsetCheck {
    QString Original;
    int Face = 0;
    QString Subset;
    std::vector<int> Glyphs;
};

// Runs the fontTools check over all jobs; returns an empty text when every job passes, else the
// checker's report.
QString RunFontToolsCheck(const std::vector<TSubsetCheck>& jobs, const QString& workDir);
