#include "report/core/rptHTMLTags.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Colors.h"
#include "report/core/rptWideStrings.h"

#include <climits>
#include <cmath>

int rptRound(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(std::nearbyint(value)); // the default rounding mode: halves to even
}

// ---------------------------------------------------------------------------------------------
// Entries and lines

void TrptHTMLTag::Assign(const TrptHTMLTag& tag) {
    Position = tag.Position;
    Size = tag.Size;
    AddY = tag.AddY;
    Style = tag.Style;
    Color = tag.Color;
    Default = tag.Default;
    Small = tag.Small;
}

bool TrptHTMLTag::SameFormat(const TrptHTMLTag& o) const {
    return Style == o.Style && Color == o.Color && Size == o.Size && AddY == o.AddY && DontWRAP == o.DontWRAP;
}

void TrptHTMLTags::Clear() {
    FItems.clear();
    FFirst = 0;
}

// ---------------------------------------------------------------------------------------------
// The list

namespace {

// Tag names the parser looks for in the upper-cased text; a name counts only at its first
// occurrence in the line's text, so one already kept as text hides every later tag of it.
enum TTagName { tnSub, tnSup, tnNowrap, tnStrike, tnFontEnd, tnFontColor, tnCount };
constexpr const char* TagNames[tnCount] = {"SUB>", "SUP>", "NOWRAP>", "STRIKE>", "FONT>", "FONT COLOR"};
constexpr int TagNameLengths[tnCount] = {4, 4, 7, 7, 5, 10};

char16_t UpperAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool NameAt(const QString& s, int j, TTagName name) {
    const int len = TagNameLengths[name];
    if (j < 0 || j + len > s.size()) return false;
    const char* p = TagNames[name];
    for (int k = 0; k < len; ++k)
        if (UpperAscii(s[j + k].unicode()) != static_cast<char16_t>(p[k])) return false;
    return true;
}

// Bits of the tag names that end at the last character of the kept text.
unsigned NamesEndingAt(const QString& kept) {
    const char16_t last = UpperAscii(kept.back().unicode());
    if (last != u'>' && last != u'R') return 0;
    unsigned bits = 0;
    for (int t = 0; t < tnCount; ++t)
        if (NameAt(kept, static_cast<int>(kept.size()) - TagNameLengths[t], static_cast<TTagName>(t)))
            bits |= 1u << t;
    return bits;
}

// A colour value of a font tag: a double quote, "#", hexadecimal red, green and blue and a double
// quote; or a colour name without its "cl". False for anything else, bad digits included.
bool ParseTagColor(const QString& value, TColor& color) {
    if (value.size() > 3 && value.startsWith(QLatin1String("\"#")) && value.endsWith(QLatin1Char('"'))) {
        const QStringView digits = QStringView(value).mid(2, value.size() - 3);
        if (digits.size() > 6) return false; // more than red, green and blue
        int rgb = 0;
        for (QChar c : digits) {
            const char16_t u = c.unicode();
            const int d = (u >= u'0' && u <= u'9')   ? u - u'0'
                          : (u >= u'a' && u <= u'f') ? u - u'a' + 10
                          : (u >= u'A' && u <= u'F') ? u - u'A' + 10
                                                     : -1;
            if (d < 0) return false;
            rgb = rgb * 16 + d;
        }
        color = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        return true;
    }
    return IdentToColor(QLatin1String("cl") + value, color);
}

} // namespace

TrptHTMLTagsList::TrptHTMLTagsList() = default;
TrptHTMLTagsList::~TrptHTMLTagsList() = default;

void TrptHTMLTagsList::Clear() {
    for (int i = 0; i < FCount; ++i)
        FItems[static_cast<size_t>(i)]->Clear();
    FCount = 0;
}

void TrptHTMLTagsList::SetDefaults(TColor DefColor, int DefSize, const TFontStyles& DefStyle) {
    FDefColor = DefColor;
    FDefSize = DefSize;
    FDefStyle = DefStyle;
    FColor = DefColor;
    FSize = DefSize;
    FStyle = DefStyle;
    FAddY = 0;
    FDontWRAP = false;
    FPosition = 1;
    Clear();
}

TrptHTMLTags& TrptHTMLTagsList::NewLine() {
    if (static_cast<size_t>(FCount) == FItems.size()) FItems.push_back(std::make_unique<TrptHTMLTags>());
    TrptHTMLTags& line = *FItems[static_cast<size_t>(FCount)];
    line.Clear();
    ++FCount;
    return line;
}

TrptHTMLTags& TrptHTMLTagsList::LastLine() {
    return FCount == 0 ? NewLine() : *FItems[static_cast<size_t>(FCount - 1)];
}

void TrptHTMLTagsList::StartLine() {
    if (FCount > 0) NewLine();
}

TrptHTMLTag& TrptHTMLTagsList::AppendTag() {
    TrptHTMLTags& line = LastLine();
    TrptHTMLTag tag;
    tag.Position = FPosition;
    tag.Size = FSize;
    tag.Style = FStyle;
    tag.Color = FColor;
    tag.AddY = FAddY;
    tag.DontWRAP = FDontWRAP;
    tag.Small = FSize != FDefSize;
    line.Append(tag);
    TrptHTMLTag& added = line.FItems.back();
    if (!FAllowTags) {
        added.Default = true;
    } else if (const TrptHTMLTag* prev = PreviousTag()) {
        added.Default = prev->SameFormat(added);
    } else {
        added.Default = FStyle == FDefStyle && FColor == FDefColor && FSize == FDefSize;
    }
    return added;
}

TrptHTMLTag* TrptHTMLTagsList::PreviousTag() {
    if (FCount == 0) return nullptr;
    TrptHTMLTags& last = *FItems[static_cast<size_t>(FCount - 1)];
    if (last.Count() >= 2) return &last.Items(last.Count() - 2);
    if (FCount < 2) return nullptr;
    TrptHTMLTags& before = *FItems[static_cast<size_t>(FCount - 2)];
    return before.Count() > 0 ? &before.Items(before.Count() - 1) : nullptr;
}

void TrptHTMLTagsList::SplitLine(int n, bool AddHyphen) {
    if (FCount == 0 || n < 0) return;
    if (FItems[static_cast<size_t>(FCount - 1)]->Count() <= n) return;
    // The entries from n on stay in the line object, which moves down to become the new last
    // line; the first n are copied into a line object put before it.
    NewLine();
    std::swap(FItems[static_cast<size_t>(FCount - 2)], FItems[static_cast<size_t>(FCount - 1)]);
    TrptHTMLTags& head = *FItems[static_cast<size_t>(FCount - 2)];
    TrptHTMLTags& tail = *FItems[static_cast<size_t>(FCount - 1)];
    head.FItems.assign(tail.FItems.begin() + static_cast<std::ptrdiff_t>(tail.FFirst),
                       tail.FItems.begin() + static_cast<std::ptrdiff_t>(tail.FFirst + static_cast<size_t>(n)));
    tail.FFirst += static_cast<size_t>(n);
    if (AddHyphen) {
        if (n > 0) {
            TrptHTMLTag hyphen;
            hyphen.Assign(head.Items(n - 1));
            head.Append(hyphen);
        }
    } else if (n > 0 && tail.Items(0).Default) {
        tail.Items(0).Assign(head.Items(n - 1));
    }
}

int TrptHTMLTagsList::TakeTag(const QString& s, int j, unsigned seen) {
    const int n = static_cast<int>(s.size());
    auto at = [&](int k) -> char16_t { return k < n ? s[k].unicode() : 0; };
    auto first = [&](TTagName name, int k) { return !(seen & (1u << name)) && NameAt(s, k, name); };
    const char16_t c1 = at(j + 1), c2 = at(j + 2), c3 = at(j + 3), c4 = at(j + 4);

    if (c2 == u'>') {
        switch (UpperAscii(c1)) {
        case u'B': FStyle += fsBold; return 3;
        case u'I': FStyle += fsItalic; return 3;
        case u'U': FStyle += fsUnderline; return 3;
        default: return 0;
        }
    }
    if (c4 == u'>') {
        if (first(tnSub, j + 1) || first(tnSup, j + 1)) {
            FSize = rptRound(FDefSize / 1.5);
            FAddY = first(tnSub, j + 1) ? 1 : 0;
            return 5;
        }
        return 0;
    }
    if ((c1 == u'n' || c1 == u'N') && n - j >= 8) {
        if (first(tnNowrap, j + 1)) {
            FDontWRAP = true;
            return 8;
        }
        return 0;
    }
    if (c1 == u's' || c1 == u'S') {
        if (first(tnStrike, j + 1)) {
            FStyle += fsStrikeOut;
            return 8;
        }
        return 0;
    }
    if (c1 == u'/') {
        if (c3 == u'>') {
            switch (UpperAscii(c2)) {
            case u'B': FStyle -= fsBold; return 4;
            case u'I': FStyle -= fsItalic; return 4;
            case u'U': FStyle -= fsUnderline; return 4;
            default: return 0;
            }
        }
        if (first(tnStrike, j + 2)) {
            FStyle -= fsStrikeOut;
            return 9;
        }
        if (first(tnNowrap, j + 2)) {
            FDontWRAP = false;
            return 9;
        }
        if (first(tnFontEnd, j + 2)) {
            FColor = FDefColor;
            return 7;
        }
        if (first(tnSub, j + 2) || first(tnSup, j + 2)) {
            FSize = FDefSize;
            FAddY = 0;
            return 6;
        }
        return 0;
    }
    if (first(tnFontColor, j + 1)) {
        const qsizetype eq = s.indexOf(QLatin1Char('='), j + 11);
        if (eq < 0) return 0;
        qsizetype v = eq + 1;
        while (v < n && s[v] == QLatin1Char(' '))
            ++v;
        const qsizetype close = s.indexOf(QLatin1Char('>'), v);
        if (close < 0) return 0;
        TColor color = 0;
        if (!ParseTagColor(s.mid(v, close - v), color)) return 0;
        FColor = color;
        return static_cast<int>(close - j + 1);
    }
    return 0;
}

void TrptHTMLTagsList::ExpandHTMLTags(QString& s) {
    const QString source = s;
    const int n = static_cast<int>(source.size());
    QString kept;
    kept.reserve(n);
    // Tag names already present in the kept text (see TagNames).
    unsigned seen = 0;
    int j = 0;
    while (j < n) {
        const QChar c = source[j];
        if (FAllowTags && c == QLatin1Char('<')) {
            if (const int len = TakeTag(source, j, seen); len > 0) {
                FPosition += len;
                j += len;
                continue;
            }
        }
        AppendTag();
        ++FPosition;
        kept += c;
        if (FAllowTags) seen |= NamesEndingAt(kept);
        ++j;
    }
    if (kept.isEmpty()) {
        AppendTag();
        kept = QStringLiteral(" ");
    }
    s = kept;
}

// ---------------------------------------------------------------------------------------------
// Measuring

bool IsSingleByteMode(TFontCharset charset, bool UseDefaultCharset) {
    return !UseDefaultCharset && charset != DEFAULT_CHARSET && charset != SYMBOL_CHARSET;
}

QString ThroughCodePage(const QString& text, TFontCharset charset) {
    try {
        const QString back = AnsiToWideText(WideToAnsiText(text, charset), charset);
        return back.size() == text.size() ? back : text;
    } catch (const std::exception&) {
        return text;
    }
}

namespace {

// Bold and italic decide the face; underline and strike-out do not change advances.
int StyleKey(const TFontStyles& style) {
    return (style.Contains(fsBold) ? 1 : 0) | (style.Contains(fsItalic) ? 2 : 0);
}

} // namespace

int TrptHTMLTagsList::MeasureCharWidths(std::vector<int>& widths, const QString& text, bool UseDefaultCharset,
                                        bool Cumulative, int CharSpacing, int LineIndex, TCanvas& Canvas) {
    const int n = static_cast<int>(text.size());
    if (static_cast<int>(widths.size()) < n) widths.resize(static_cast<size_t>(n));
    if (n == 0) return 0;

    QString converted;
    QStringView view(text);
    if (IsSingleByteMode(Canvas.Font().Charset(), UseDefaultCharset)) {
        converted = ThroughCodePage(text, Canvas.Font().Charset());
        view = converted;
    }

    const TrptHTMLTags* line =
        LineIndex >= 0 && LineIndex < FCount ? FItems[static_cast<size_t>(LineIndex)].get() : nullptr;
    const int entries = line ? line->Count() : 0;
    const TFontStyles saved = Canvas.Font().Style();
    auto entry = [&](int i) -> const TrptHTMLTag* {
        if (entries == 0) return nullptr;
        return &line->Items(i < entries ? i : entries - 1);
    };

    // One extent query per style the line uses.
    unsigned used = 0;
    TFontStyles keyStyle[4];
    for (int i = 0; i < n; ++i) {
        const TrptHTMLTag* e = entry(i);
        const TFontStyles& st = e ? e->Style : saved;
        const int k = StyleKey(st);
        if (!(used & (1u << k))) {
            used |= 1u << k;
            keyStyle[k] = st;
        }
        if (!e) break;
    }
    for (int k = 0; k < 4; ++k) {
        if (!(used & (1u << k))) continue;
        std::vector<int>& ext = FExtents[k];
        if (static_cast<int>(ext.size()) < n) ext.resize(static_cast<size_t>(n));
        Canvas.Font().SetStyle(keyStyle[k]);
        Canvas.TextExtents(view, ext.data());
    }
    Canvas.Font().SetStyle(saved);

    const int savedKey = StyleKey(saved);
    int total = 0;
    for (int i = 0; i < n; ++i) {
        const TrptHTMLTag* e = entry(i);
        const std::vector<int>& ext = FExtents[e ? StyleKey(e->Style) : savedKey];
        int w = ext[static_cast<size_t>(i)] - (i > 0 ? ext[static_cast<size_t>(i) - 1] : 0) + CharSpacing;
        if (e && e->Small) w = rptRound(w / 1.5);
        total += w;
        widths[static_cast<size_t>(i)] = Cumulative && i > 0 ? widths[static_cast<size_t>(i) - 1] + w : w;
    }
    return total;
}
