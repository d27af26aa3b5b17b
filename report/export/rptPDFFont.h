#pragma once
// One composite font of the PDF export: a face of the font service (the very file the layout
// measured with) written as a Type0 font with the Identity-H encoding over a CIDFontType2
// descendant whose CIDs are the face's glyph numbers. While pages are written the font collects
// the glyphs used, their widths in 1/1000 em and the characters each glyph stands for; at the end
// it gives the base font name, the ToUnicode map and the font file (a subset when packing).

#include "platform/gfx/FontService.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TrptPDFFont {
public:
    // ReportName, Bold, Italic: the report font the face was asked for (names an unembedded font).
    TrptPDFFont(TFontFacePtr AFace, const QString& ReportName, bool Bold, bool Italic);
    virtual ~TrptPDFFont() = default;
    TrptPDFFont(const TrptPDFFont&) = delete;
    TrptPDFFont& operator=(const TrptPDFFont&) = delete;

    const TFontFacePtr& Face() const { return FFace; }
    // Glyph of a UTF-16 unit in the face (cached).
    quint16 GlyphOf(char16_t ch);
    // Records a glyph on first use with the characters it stands for (a ligature: all of them;
    // a surrogate pair: both units); a glyph first seen without characters takes them later.
    void UseGlyph(quint16 Glyph, const QString& Chars);
    // Width written in /W, in 1/1000 em (the face's unhinted advance).
    int GlyphWidth(quint16 Glyph) const;
    double UnitsToThousandths(double Units) const { return Units * 1000.0 / FUnitsPerEm; }

    // Base font name: embedded, a six-letter subset tag, "+" and the face's PostScript name;
    // otherwise the report font's name with ",Bold", ",Italic" or ",BoldItalic" (names escaped
    // as PDF name characters).
    QByteArray BaseFontName(bool Embedded, bool SimulatedStyle) const;
    // The ToUnicode CMap program: glyphs in order of first use, at most 100 per block.
    QByteArray ToUnicodeCMap(const QByteArray& CMapName) const;
    // The face's file as a subset keeping every used glyph at its number; the whole file when
    // the subset cannot be made (Problems says why).
    QByteArray FontFile(QStringList* Problems) const;
    // The face has PostScript (CFF) outlines: it goes in whole as an OpenType program, since
    // the subsetter and the TrueType font program know only "glyf" outlines.
    bool IsCFF() const;

    const std::vector<quint16>& UsedAlphabet() const { return FUsedAlphabet; }
    const std::vector<int>& Widths() const { return FWidths; }
    const std::vector<QString>& UsedAlphabetUnicode() const { return FUnicode; }

    QByteArray Name; // resource name "/F" + index
    int Reference = 0;
    bool Saved = false;
    bool PackFont = true;

private:
    TFontFacePtr FFace;
    QString FReportName;
    bool FBold, FItalic;
    int FUnitsPerEm;
    std::vector<quint16> FUsedAlphabet;
    std::vector<int> FWidths;
    std::vector<QString> FUnicode;
    std::vector<int> FSlot;       // glyph -> index in FUsedAlphabet + 1
    std::vector<qint32> FCharGlyph; // UTF-16 unit -> glyph + 1 (0: not asked yet)
};

// "Name" as a PDF name: blanks, delimiters, "#" and bytes outside 33..126 as "#" and two hex digits.
QByteArray PdfNameText(const QByteArray& Name);

// Fonts whose bold and italic are simulated in the page content (a wider stroke, a slant) rather
// than taken from a bold or italic face; compared without regard to case.
const QStringList& SimulatedStyleFontNames();
bool IsSimulatedStyleFont(const QString& Name);
