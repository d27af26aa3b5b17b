#pragma once
// The one source of font faces, metrics and shaping for every surface. fontconfig finds the file,
// FreeType reads its tables and unhinted advances, HarfBuzz shapes. Screen, printer and PDF all
// measure with these numbers and draw with the same file, so line breaks agree everywhere.

#include <QByteArray>
#include <QFont>
#include <QRawFont>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

// One shaped glyph; advances and offsets are in font units (unitsPerEm per em).
struct TShapedGlyph {
    quint32 GlyphId = 0;
    quint32 Cluster = 0; // index of the first UTF-16 unit the glyph stands for
    int XAdvance = 0;
    int XOffset = 0;
    int YOffset = 0;
};

struct TFaceMetrics {
    int UnitsPerEm = 2048;
    int Ascent = 0;  // OS/2 winAscent (hhea ascender when absent)
    int Descent = 0; // OS/2 winDescent, positive
    int HheaAscender = 0;
    int HheaDescender = 0; // negative
    int LineGap = 0;
    int CapHeight = 0;
    int XHeight = 0;
    int AvgCharWidth = 0;
    int MaxAdvance = 0;
    int Weight = 400;
    double ItalicAngle = 0;
    int XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    int UnderlinePosition = 0, UnderlineThickness = 0;
    int StrikeoutPosition = 0, StrikeoutSize = 0;
    int GlyphCount = 0;
    bool FixedPitch = false;
    quint16 DefaultChar = 0;
};

class TFontFace {
public:
    TFontFace(const QString& path, int index, const QString& requestedFamily, bool bold, bool italic);
    ~TFontFace();
    TFontFace(const TFontFace&) = delete;
    TFontFace& operator=(const TFontFace&) = delete;

    const QString& FilePath() const { return FPath; }
    int FaceIndex() const { return FIndex; }
    // The family of the file (such as "Liberation Sans"), and its PostScript name.
    const QString& Family() const { return FFamily; }
    const QString& PostScriptName() const { return FPostScriptName; }
    bool IsBold() const { return FBold; }
    bool IsItalic() const { return FItalic; }
    // Style asked for but missing from the file: drawn by emboldening or slanting.
    bool SyntheticBold() const { return FSyntheticBold; }
    bool SyntheticItalic() const { return FSyntheticItalic; }

    // The whole font file (the collection for a face inside a .ttc).
    const QByteArray& FileData() const { return FData; }
    // One raw table by its tag ("head", "hmtx", "glyf", ...); empty when absent.
    QByteArray Table(const char* tag) const;
    const TFaceMetrics& Metrics() const { return FMetrics; }

    quint32 GlyphIndex(char32_t ch) const;
    // Unhinted advance width in font units.
    int GlyphAdvance(quint32 glyph) const;
    // Glyphs of one run in visual order; rtl shapes right to left.
    std::vector<TShapedGlyph> Shape(const QString& text, bool rtl) const;
    // Advance of each UTF-16 unit in logical order, in font units (0 for units inside a cluster).
    std::vector<int> CharAdvances(const QString& text, bool rtl = false) const;
    int TextAdvance(const QString& text) const;
    // Advance in font units of a UTF-16 unit that shaping would not change (Latin, Greek, Cyrillic
    // and common symbols the face has, one glyph, no context), or -1 when the line it is in must
    // be shaped. Kept in a table per face, so measuring plain text costs no shaping.
    int SimpleAdvance(char16_t ch) const {
        if (const std::int32_t* page = FAdvancePages[ch >> 8].load(std::memory_order_acquire))
            return page[ch & 0xFF];
        return SimpleAdvanceSlow(ch);
    }

    // The family Qt knows this file by (registered on first use), for widgets that take a QFont.
    QString QtFamily() const;
    // A raw font of the file at a pixel em size, unhinted.
    QRawFont RawFont(double pixelSize) const;

private:
    int SimpleAdvanceSlow(char16_t ch) const;

    QString FPath;
    int FIndex;
    QString FFamily;
    QString FPostScriptName;
    bool FBold, FItalic;
    bool FSyntheticBold = false, FSyntheticItalic = false;
    QByteArray FData;
    TFaceMetrics FMetrics;
    void* FFtFace = nullptr; // FT_Face
    void* FHbFont = nullptr; // hb_font_t*
    mutable std::mutex FMutex;
    mutable QString FQtFamily;
    mutable std::map<long long, QRawFont> FRawFonts;
    mutable std::array<std::atomic<const std::int32_t*>, 256> FAdvancePages{};
    mutable std::vector<std::unique_ptr<std::int32_t[]>> FAdvancePageStore;
};

using TFontFacePtr = std::shared_ptr<const TFontFace>;

// A piece of a line shaped with one face in one direction. Runs come in visual order; clusters
// count UTF-16 units from the start of the whole line.
struct TShapedRun {
    TFontFacePtr Face;
    int Start = 0;
    int Length = 0;
    bool Rtl = false;
    std::vector<TShapedGlyph> Glyphs; // visual order
};

// Shapes a line the way every surface measures and draws it: split into direction runs (the
// paragraph right to left when rtl), characters the face lacks taken from a fallback face.
std::vector<TShapedRun> ShapeText(const TFontFacePtr& face, const QString& text, bool rtl);

class TFont;
// A QFont of the same file and pixel size, for widgets that draw text through Qt themselves.
QFont TFontToQFont(const TFont& font);

class TFontService {
public:
    static TFontService& Instance();

    // The family actually looked up for a requested one: the usual faces map to their metric
    // twins (Arial -> Liberation Sans, Times New Roman -> Liberation Serif, Courier New ->
    // Liberation Mono, Tahoma and MS Sans Serif -> DejaVu Sans); others stay as they are.
    static QString MappedFamily(const QString& family);
    static QString FallbackFamily() { return QStringLiteral("DejaVu Sans"); }

    // The face for a family and style; a family fontconfig does not have gets the fallback face.
    // Never null: when no font at all can be found an EInvalidGraphic is raised.
    TFontFacePtr Face(const QString& family, bool bold, bool italic);
    // A face that has the character (the fallback face first, then whatever fontconfig finds),
    // or null when no installed font has it.
    TFontFacePtr FaceForChar(char32_t ch, bool bold, bool italic);

private:
    TFontService();
    std::mutex FMutex;
    std::map<QString, TFontFacePtr> FFaces;
    std::map<std::pair<char32_t, int>, QString> FCharFamilies;
};
