#pragma once
// The small markup of text objects: <b>, <i>, <u>, <strike>, <sub>, <sup>, <font color=...> and
// <nowrap>, each with its closing tag. TrptHTMLTagsList strips the tags from every source line and
// keeps, for each character left, its formatting and its position in the source text; the text
// layout wraps, measures and draws from these entries, cuts the source text at those positions when
// an object is split across pages, and the exports read them to reproduce the formatting. With the
// markup off every character still gets an entry, all with the default formatting.
//
// Markup never raises: anything that is not a tag the list can use, a colour it cannot read
// included, stays in the text as it was written.

#include "platform/gfx/Graphics.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

class TCanvas;

// Round as the report library rounds: to the nearest integer, halves to the even neighbour.
// Values beyond the integer range are clamped, NaN gives 0.
int rptRound(double value);

// The formatting of one character.
class TrptHTMLTag {
public:
    int Position = 0; // 1-based in the source text, markup and two per line break counted
    int Size = 0;     // points
    int AddY = 0;     // 1 for a subscript (drawn lower by its size)
    TFontStyles Style;
    TColor Color = 0;
    bool Default = false;  // same formatting as the character before (the first: the defaults)
    bool Small = false;    // size differs from the default size (sub- and superscripts)
    bool DontWRAP = false; // inside a no-wrap region

    // Copies every field but DontWRAP.
    void Assign(const TrptHTMLTag& tag);
    // Style, colour, size, vertical offset and no-wrap state all equal.
    bool SameFormat(const TrptHTMLTag& other) const;
};

// The entries of one laid-out line.
class TrptHTMLTags {
public:
    void Clear();
    int Count() const { return static_cast<int>(FItems.size() - FFirst); }
    TrptHTMLTag& Items(int index) { return FItems[FFirst + static_cast<size_t>(index)]; }
    const TrptHTMLTag& Items(int index) const { return FItems[FFirst + static_cast<size_t>(index)]; }
    TrptHTMLTag& operator[](int index) { return Items(index); }
    const TrptHTMLTag& operator[](int index) const { return Items(index); }
    void Append(const TrptHTMLTag& tag) { FItems.push_back(tag); }

private:
    friend class TrptHTMLTagsList;
    std::vector<TrptHTMLTag> FItems;
    // Entries before it went to the line before when the line was split; splitting a long
    // line so costs only the part split off.
    size_t FFirst = 0;
};

class TrptHTMLTagsList {
public:
    TrptHTMLTagsList();
    ~TrptHTMLTagsList();
    TrptHTMLTagsList(const TrptHTMLTagsList&) = delete;
    TrptHTMLTagsList& operator=(const TrptHTMLTagsList&) = delete;

    // Frees all lines and their entries.
    void Clear();
    // The defaults become the current formatting; AddY 0, no-wrap off, Position 1, no lines.
    void SetDefaults(TColor DefColor, int DefSize, const TFontStyles& DefStyle);
    // Removes the markup from s and appends one entry per character left to the last line. A
    // text that is empty afterwards becomes one blank with one entry.
    void ExpandHTMLTags(QString& s);

    int Count() const { return FCount; }
    TrptHTMLTags& Items(int index) { return *FItems[static_cast<size_t>(index)]; }
    const TrptHTMLTags& Items(int index) const { return *FItems[static_cast<size_t>(index)]; }
    TrptHTMLTags& operator[](int index) { return Items(index); }

    // Appends a new empty line when at least one line exists (the first line comes with the
    // first entry).
    void StartLine();
    // Splits the last line after its first n entries. With AddHyphen the first part gets one more
    // entry, a copy of its last one, for the hyphen the break inserted.
    void SplitLine(int n, bool AddHyphen);
    // Appends an entry with the current formatting and Position to the last line.
    TrptHTMLTag& AppendTag();
    // The entry before the last one of the last line (or the last of the line before); null
    // when there is none.
    TrptHTMLTag* PreviousTag();

    // Widths of the characters of line LineIndex's text on the canvas, each run measured in its
    // own style (the canvas's font gets its style back afterwards). CharSpacing is added to every
    // width; sub- and superscripts count two thirds. Cumulative gives running sums instead. The
    // array grows to the text's length; the result is the sum of the widths.
    int MeasureCharWidths(std::vector<int>& widths, const QString& text, bool UseDefaultCharset,
                          bool Cumulative, int CharSpacing, int LineIndex, TCanvas& Canvas);

    bool AllowTags() const { return FAllowTags; }
    void SetAllowTags(bool value) { FAllowTags = value; }
    int Position() const { return FPosition; }
    void SetPosition(int value) { FPosition = value; }
    TColor DefColor() const { return FDefColor; }
    int DefSize() const { return FDefSize; }
    const TFontStyles& DefStyle() const { return FDefStyle; }

private:
    // The length of the tag at s[j] when it is one the list uses (its formatting taken), else 0.
    int TakeTag(const QString& s, int j, unsigned seen);
    TrptHTMLTags& LastLine();
    TrptHTMLTags& NewLine();

    bool FAllowTags = true;
    int FAddY = 0;
    TColor FColor = 0;
    TColor FDefColor = 0;
    int FDefSize = 10;
    TFontStyles FDefStyle;
    // Line objects are kept for reuse; the first FCount are the lines.
    std::vector<std::unique_ptr<TrptHTMLTags>> FItems;
    int FCount = 0;
    int FPosition = 1;
    int FSize = 10;
    TFontStyles FStyle;
    bool FDontWRAP = false;
    // Extents per measured style, sized to the longest line seen.
    std::vector<int> FExtents[4];
};

// The character set decides the text's code page (single-byte mode) when it is not the default
// one and the object does not ignore it; symbol fonts keep their characters.
bool IsSingleByteMode(TFontCharset charset, bool UseDefaultCharset);
// The text as the code page of the character set holds it: characters it lacks become "?". The
// length stays; a text that would change length, or a character set without a code page, is
// returned as it is.
QString ThroughCodePage(const QString& text, TFontCharset charset);
