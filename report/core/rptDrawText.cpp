#include "report/core/rptDrawText.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/StringList.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <numbers>

namespace {

std::recursive_mutex& LayoutMutex() {
    static std::recursive_mutex m;
    return m;
}

// The measuring canvas's own lock for the length of one operation.
class TCanvasGuard {
public:
    explicit TCanvasGuard(TCanvas& c) : FCanvas(c) { FCanvas.Lock(); }
    ~TCanvasGuard() { FCanvas.Unlock(); }
    TCanvasGuard(const TCanvasGuard&) = delete;
    TCanvasGuard& operator=(const TCanvasGuard&) = delete;

private:
    TCanvas& FCanvas;
};

int Normalized(int rotation) {
    return ((rotation % 360) + 360) % 360;
}

double Radians(int degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// --- Clusters: a surrogate pair, a base with its marks, characters joined by ZWJ ---------------

bool IsContinuation(const QString& s, int k) {
    if (k <= 0 || k >= s.size()) return false;
    const char16_t c = s[k].unicode();
    const char16_t before = s[k - 1].unicode();
    if (before == 0x200D) return true;
    if (c < 0x300) return false;
    if (c == 0x200D) return true;
    if (QChar::isLowSurrogate(c)) return QChar::isHighSurrogate(before);
    char32_t cp = c;
    if (QChar::isHighSurrogate(c) && k + 1 < s.size() && s[k + 1].isLowSurrogate())
        cp = QChar::surrogateToUcs4(c, s[k + 1].unicode());
    const QChar::Category cat = QChar::category(cp);
    return cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining || cat == QChar::Mark_Enclosing;
}

int ClusterEnd(const QString& s, int k) {
    int e = k + 1;
    while (e < s.size() && IsContinuation(s, e))
        ++e;
    return e;
}

// Where a line overflowing at i may end: before i, moved back to the start of i's cluster; when
// that leaves nothing, after the first cluster.
int CutBefore(const QString& s, int start, int i) {
    int cut = i;
    while (cut > start && IsContinuation(s, cut))
        --cut;
    return cut > start ? cut : ClusterEnd(s, start);
}

// --- Hyphenation letters ------------------------------------------------------------------------

char16_t UpperCyr(char16_t c) {
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c == 0x451) return 0x401;
    return c;
}

bool IsVowel(char16_t u) {
    switch (u) {
    case u'А': case u'Е': case u'Ё': case u'И': case u'О':
    case u'У': case u'Ы': case u'Э': case u'Ю': case u'Я':
        return true;
    default:
        return false;
    }
}

bool IsConsonant(char16_t u) {
    return (u >= u'Б' && u <= u'Щ' && !IsVowel(u)) || u == u'Ь' || u == u'Ъ';
}

// The letter rule for a break after 1-based position p of word w.
bool LetterBreak(QStringView w, int p) {
    const int len = static_cast<int>(w.size());
    const char16_t ch = UpperCyr(w[p - 1].unicode());
    const bool last = p == len;
    const char16_t next = last ? 0 : UpperCyr(w[p].unicode());
    if (IsConsonant(ch)) return last || (!IsVowel(next) && next != u'Ь' && next != u'Ъ');
    if (!IsVowel(ch)) return false;
    if (!last && next == u'Й') return false;
    if (p <= len - 3 && next == UpperCyr(w[p + 1].unicode()) && IsConsonant(next) &&
        IsVowel(UpperCyr(w[p + 2].unicode())))
        return false;
    return true;
}

bool IsWordSeparator(QChar c) {
    switch (c.unicode()) {
    case u' ': case u'.': case u',': case u'-': case u';':
        return true;
    default:
        return false;
    }
}

} // namespace

// =============================================================================================
// Free routines

TrptTextBlock PlaceRotatedBlock(const TRect& R, int Rotation, int BlockHeight, TrptVAlign VAlign) {
    const int r = Normalized(Rotation);
    const double S = BlockHeight;
    const double c = std::abs(std::cos(Radians(r)));
    const double s = std::abs(std::sin(Radians(r)));
    const int L = R.Left, T = R.Top, Rt = R.Right, B = R.Bottom;
    auto slantedWidth = [&] { return rptRound((Rt - L - s * S) / c); };
    TrptTextBlock b;
    double cosv = 1, sinv = 0;
    if (r == 0) {
        b = {L, T, Rt - L, B - T};
    } else if (r < 90) {
        b.Width = slantedWidth();
        b.X = L;
        b.Y = rptRound(b.Width * s) + T;
        b.FreeHeight = rptRound(S + B - b.Y - rptRound(c * S));
    } else if (r == 90) {
        b = {L, B, B - T, Rt - L};
        cosv = 0;
        sinv = 1;
    } else if (r < 180) {
        b.Width = slantedWidth();
        b.X = rptRound(b.Width * c) + L;
        b.Y = B;
        b.FreeHeight = rptRound(S + B - T - rptRound(c * S + s * b.Width));
        cosv = -1;
    } else if (r == 180) {
        b = {Rt, B, Rt - L, B - T};
        cosv = -1;
    } else if (r < 270) {
        b.Width = slantedWidth();
        b.X = Rt;
        b.Y = B - rptRound(b.Width * s);
        b.FreeHeight = rptRound(S + b.Y - T - rptRound(c * S));
        cosv = -1;
    } else if (r == 270) {
        b = {Rt, T, B - T, Rt - L};
        cosv = 0;
        sinv = -1;
    } else {
        b.Width = slantedWidth();
        b.X = rptRound(S * s) + L;
        b.Y = T;
        b.FreeHeight = rptRound(S + B - T - rptRound(b.Width * s + S * c));
    }
    const double D = b.FreeHeight - S;
    if (VAlign == vaBottom) {
        b.Y += rptRound(D * cosv);
        b.X += rptRound(D * sinv);
    } else if (VAlign == vaCenter) {
        b.Y += rptRound(D * cosv / 2);
        b.X += rptRound(D * sinv / 2);
    }
    return b;
}

void SpreadUnits(std::vector<int>& a, int from, int to, int unit, int n) {
    if (n <= 0 || from > to || from < 0 || to >= static_cast<int>(a.size())) return;
    const int c = std::max(1, (to - from + 1) / 2);
    if (n == 1) {
        a[static_cast<size_t>(from + c - 1)] += unit;
        return;
    }
    SpreadUnits(a, from, from + c - 1, unit, n / 2);
    SpreadUnits(a, from + c, to, unit, n - n / 2);
}

std::vector<int> HyphenPositions(QStringView word) {
    std::vector<int> out;
    const int len = static_cast<int>(word.size());
    if (len < 4) return out;
    auto hasVowel = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            if (IsVowel(UpperCyr(word[i].unicode()))) return true;
        return false;
    };
    for (int p = 1; p <= len; ++p) {
        if (!LetterBreak(word, p)) continue;
        if (p > 1 && len - p > 1 && hasVowel(0, p) && hasVowel(p, len)) out.push_back(p);
    }
    return out;
}

// =============================================================================================
// TrptDrawText

TrptDrawText::TrptDrawText() : FBMP(std::make_unique<TBitmap>()) {
    FBMP->SetSize(1, 1);
    FCanvas = &FBMP->Canvas();
    FCanvas->Font().SetPixelsPerInch(FDefPPI);
}

TrptDrawText::~TrptDrawText() = default;

void TrptDrawText::Lock() {
    LayoutMutex().lock();
}

void TrptDrawText::Unlock() {
    LayoutMutex().unlock();
}

void TrptDrawText::SetFont(const TFont& Font) {
    TCanvasGuard guard(*FCanvas);
    FFontSize = Font.PointSize();
    TFont& f = FCanvas->Font();
    if (f.Name() != Font.Name()) f.SetName(Font.Name());
    f.SetHeight(-rptRound(FFontSize * FDefPPI / 72.0));
    f.SetStyle(Font.Style());
    f.SetCharset(Font.Charset());
    f.SetColor(Font.Color());
}

void TrptDrawText::SetOptions(bool WordWrap, bool HTMLTags, bool RTLReading, bool WordBreak, bool Clipped,
                              bool Wysiwyg, int Rotation) {
    FWordWrap = WordWrap;
    FHTMLTags.SetAllowTags(HTMLTags);
    FRTLReading = RTLReading;
    FWordBreak = WordBreak;
    FWysiwyg = Wysiwyg;
    FRotation = Rotation % 360;
    FOptions = (RTLReading ? ETO_RTLREADING : 0u) | (Clipped ? ETO_CLIPPED : 0u);
}

void TrptDrawText::SetGaps(double ParagraphGap, double CharSpacing, double LineSpacing) {
    FParagraphGap = ParagraphGap;
    FCharSpacing = CharSpacing;
    FLineSpacing = LineSpacing;
}

void TrptDrawText::SetDimensions(double ScaleX, double ScaleY, double PrintScale, const TRect& OriginalRect,
                                 const TRect& ScaledRect) {
    FScaleX = ScaleX;
    FScaleY = ScaleY;
    FPrintScale = PrintScale;
    FOriginalRect = OriginalRect;
    FScaledRect = ScaledRect;
}

void TrptDrawText::SetText(const TStrings& Text) {
    QStringList lines;
    lines.reserve(Text.Count());
    for (int i = 0; i < Text.Count(); ++i)
        lines << Text.Get(i);
    SetText(lines);
}

void TrptDrawText::SetText(const QString& Text) {
    QStringList lines;
    const qsizetype n = Text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = Text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0x2028) {
            lines << Text.mid(start, i - start);
            if (c == QLatin1Char('\r') && i + 1 < n && Text[i + 1] == QLatin1Char('\n')) ++i;
            start = i + 1;
        }
    }
    if (start < n) lines << Text.mid(start);
    SetText(lines);
}

void TrptDrawText::SetText(const QStringList& Text) {
    TCanvasGuard guard(*FCanvas);
    FPlainText.clear();
    FText.clear();
    FHTMLTags.Clear();
    if (Text.isEmpty()) return;

    TFont& font = FCanvas->Font();
    FHTMLTags.SetDefaults(font.Color(), rptRound(FFontSize), font.Style());
    const TFontStyles savedStyle = font.Style();

    const int r = Normalized(FRotation);
    const bool upright = (r >= 90 && r < 180) || r >= 270;
    const int w = upright ? FOriginalRect.Height() : FOriginalRect.Width();
    const double k = K();
    const int width = rptRound(k * w);
    const int spacing = rptRound(k * FCharSpacing);
    const int firstWidth = rptRound(k * (w - FParagraphGap));

    qsizetype total = 0;
    for (const QString& s : Text)
        total += s.size() + 2;
    FPlainText.reserve(total);
    for (const QString& s : Text) {
        FPlainText += s;
        FPlainText += QLatin1String("\r\n");
        const size_t before = FText.size();
        BreakParagraph(s, width, spacing, firstWidth);
        const size_t produced = FText.size() - before;
        if (produced > 0) {
            FText[before].Flags = rptParaFirst;
            if (produced == 1)
                FText[before].Flags = rptParaFirst | rptParaLast;
            else
                FText.back().Flags = rptParaLast;
        }
    }
    font.SetStyle(savedStyle);
}

QString TrptDrawText::HyphenatePrefix(const QString& s, int f, int o) {
    const int L = static_cast<int>(s.size());
    // The word ends at the first separator at or after o. Breaks move forward through a
    // paragraph, so the scan goes on from where the last one stopped.
    int end;
    if (FScan.SepFrom >= 0 && o >= FScan.SepFrom && o <= FScan.Sep) {
        end = FScan.Sep;
    } else {
        end = o;
        while (end < L && !IsWordSeparator(s[end]))
            ++end;
        FScan.SepFrom = o;
        FScan.Sep = end;
    }
    const int len = end - f;
    if (len < 4) return {};
    const int maxP = std::min(o - f - 1, len);
    if (maxP < 2) return {};
    int firstVowel = -1;
    for (int i = f; i < f + maxP; ++i)
        if (IsVowel(UpperCyr(s[i].unicode()))) {
            firstVowel = i;
            break;
        }
    if (firstVowel < 0) return {};
    // The last vowel of the word, found once per word.
    int lastVowel;
    if (FScan.VowelEnd == end && f >= FScan.VowelFrom) {
        lastVowel = FScan.Vowel >= f ? FScan.Vowel : -1;
    } else {
        lastVowel = -1;
        for (int i = end - 1; i >= f; --i)
            if (IsVowel(UpperCyr(s[i].unicode()))) {
                lastVowel = i;
                break;
            }
        FScan.VowelEnd = end;
        FScan.VowelFrom = f;
        FScan.Vowel = lastVowel;
    }
    const QStringView word = QStringView(s).mid(f, len);
    for (int p = maxP; p >= 2; --p) {
        if (firstVowel >= f + p) break;
        if (len - p < 2 || lastVowel < f + p) continue;
        if (IsContinuation(s, f + p)) continue;
        if (LetterBreak(word, p)) return s.mid(f, p);
    }
    return {};
}

void TrptDrawText::BreakParagraph(QString s, int width, int charSpacing, int firstWidth) {
    FHTMLTags.StartLine();
    FHTMLTags.ExpandHTMLTags(s);
    FHTMLTags.SetPosition(FHTMLTags.Position() + 2);
    const int L = static_cast<int>(s.size());
    if (L <= 1 || !FWordWrap) {
        FText.push_back({s, 0, false});
        return;
    }
    const int total = FHTMLTags.MeasureCharWidths(FTempArray, s, FUseDefaultCharset, true, charSpacing,
                                                  FHTMLTags.Count() - 1, *FCanvas);
    if (total < firstWidth) {
        FText.push_back({s, 0, false});
        return;
    }
    FScan = THyphenScan();
    const std::vector<int>& cum = FTempArray;
    const bool tags = FHTMLTags.AllowTags();
    // Entries of the characters from start on are the last run line's.
    auto runs = [&]() -> TrptHTMLTags& { return FHTMLTags.Items(FHTMLTags.Count() - 1); };
    // Splits the runs after n characters at a place that is not a blank: the next line's first
    // entry keeps its own source position, so a split at a height cuts the text right there.
    auto splitAt = [&](int n) {
        const int own = n < runs().Count() ? runs().Items(n).Position : 0;
        FHTMLTags.SplitLine(n, false);
        if (own > 0) runs().Items(0).Position = own;
    };

    int start = 0, cand = 0, base = 0, avail = firstWidth;
    int i = 0;
    while (i < L) {
        if (s[i] == QLatin1Char(' ') && !(tags && i - start < runs().Count() && runs().Items(i - start).DontWRAP) &&
            !IsContinuation(s, i + 1))
            cand = i;
        if (cum[static_cast<size_t>(i)] - base <= avail) {
            ++i;
            continue;
        }
        if (cand != start) {
            const int d = cand - start;
            const QString p = FWordBreak ? HyphenatePrefix(s, cand + 1, i) : QString();
            if (!p.isEmpty()) {
                FText.push_back({s.mid(start, d + 1) + p + QLatin1Char('-'), 0, true});
                FHTMLTags.SplitLine(d + 1 + static_cast<int>(p.size()), true);
                cand += static_cast<int>(p.size());
            } else {
                FText.push_back({s.mid(start, d), 0, false});
                FHTMLTags.SplitLine(d + 1, false);
            }
        } else if (i == start) {
            const int e = ClusterEnd(s, start);
            FText.push_back({s.mid(start, e - start), 0, false});
            splitAt(e - start);
            cand = e - 1;
        } else {
            const QString p = FWordBreak ? HyphenatePrefix(s, start, i) : QString();
            if (!p.isEmpty()) {
                FText.push_back({p + QLatin1Char('-'), 0, true});
                FHTMLTags.SplitLine(static_cast<int>(p.size()), true);
                cand = start + static_cast<int>(p.size()) - 1;
            } else {
                const int cut = CutBefore(s, start, i);
                FText.push_back({s.mid(start, cut - start), 0, false});
                splitAt(cut - start);
                cand = cut - 1;
            }
        }
        start = cand + 1;
        i = start;
        base = cum[static_cast<size_t>(cand)];
        cand = start;
        avail = width;
    }
    if (start < L) FText.push_back({s.mid(start), 0, false});
}

void TrptDrawText::SetParaBreaks(bool FirstParaBreak, bool LastParaBreak) {
    if (FText.empty()) return;
    if (FirstParaBreak) FText.front().Flags &= ~rptParaFirst;
    if (LastParaBreak) FText.back().Flags &= ~rptParaLast;
}

QString TrptDrawText::DeleteTags(const QString& Txt) {
    QString s = Txt;
    FHTMLTags.ExpandHTMLTags(s);
    return s;
}

QString TrptDrawText::WrappedText() const {
    QString out;
    for (const TLine& line : FText) {
        out += line.Text;
        out += QLatin1String("\r\n");
    }
    return out;
}

// --- Measuring ----------------------------------------------------------------------------------

double TrptDrawText::TextHeight() const {
    return std::abs(FCanvas->Font().Height()) / K();
}

double TrptDrawText::CalcHeight() {
    if (FText.empty()) return 0;
    double h = (TextHeight() + FLineSpacing) * static_cast<double>(FText.size());
    if (FLineSpacing < 0) h += -FLineSpacing;
    return h;
}

double TrptDrawText::CalcWidth() {
    if (FText.empty()) return 0;
    TCanvasGuard guard(*FCanvas);
    const double k = K();
    double widest = 0;
    for (size_t i = 0; i < FText.size(); ++i) {
        const TLine& line = FText[i];
        double w = FHTMLTags.MeasureCharWidths(FTempArray, line.Text, FUseDefaultCharset, false, 0,
                                               static_cast<int>(i), *FCanvas);
        w += rptRound(k * static_cast<double>(line.Text.size()) * FCharSpacing);
        if (line.Flags & rptParaFirst) w += rptRound(k * FParagraphGap);
        widest = std::max(widest, w);
    }
    return widest / k;
}

double TrptDrawText::UnusedSpace() const {
    const double h = FOriginalRect.Height() + 1;
    const double lh = LineHeight();
    if (!(lh > 0)) return 0;
    const double n = std::trunc(h / lh);
    if (n <= 0) return 0;
    const double rest = h - n * lh;
    return rest == 0 ? 0.0001 : rest;
}

// --- Splitting ------------------------------------------------------------------------------------

QString TrptDrawText::GetOutBoundsText(bool& ParaBreak) {
    ParaBreak = false;
    QString result;
    const int n = static_cast<int>(FText.size());
    const double lh = LineHeight();
    int m = n;
    if (lh > 0) {
        const double fit = std::trunc((FOriginalRect.Height() + 1) / lh);
        if (fit < n) m = fit <= 0 ? 0 : static_cast<int>(fit);
    }
    if (n == 0 || m >= FHTMLTags.Count() || m >= n) return result;

    const TrptHTMLTags& runs = FHTMLTags.Items(m);
    const TrptHTMLTag first = runs.Count() > 0 ? runs.Items(0) : TrptHTMLTag();
    const bool hyphenated = m > 0 && FText[static_cast<size_t>(m) - 1].Hyphenated;
    FText.resize(static_cast<size_t>(m));
    ParaBreak = m > 0 && !(FText.back().Flags & rptParaLast);
    const qsizetype cut = std::clamp<qsizetype>(first.Position - 1, 0, FPlainText.size());
    result = FPlainText.mid(cut);
    if (ParaBreak && result.startsWith(QLatin1Char(' '))) result.remove(0, 1);
    FPlainText.truncate(cut);
    // Only a hyphen the break inserted goes with the first part; one of the text stays where it is.
    if (FWordBreak && hyphenated) FPlainText += QLatin1Char('-');
    if (FHTMLTags.AllowTags()) {
        QString prefix = QStringLiteral("<font color=\"%1\">").arg(ColorToHtmlHex(first.Color));
        if (first.Style.Contains(fsUnderline)) prefix += QLatin1String("<u>");
        if (first.Style.Contains(fsItalic)) prefix += QLatin1String("<i>");
        if (first.Style.Contains(fsBold)) prefix += QLatin1String("<b>");
        result.prepend(prefix);
    }
    return result;
}

// --- Drawing --------------------------------------------------------------------------------------

bool TrptDrawText::IsPrinterCanvas(TCanvas& C) {
    return dynamic_cast<TrptPrinterCanvas*>(&C) != nullptr;
}

int TrptDrawText::DeviceFontHeight(double size, bool printer, int dpiY) const {
    // The vertical resolution for every height on a printer, so both axes lay out alike.
    if (printer) return -rptRound(dpiY * size * FPrintScale / 72.0);
    return -rptRound(size * FScaleY * 96 / 72.0);
}

void TrptDrawText::DrawText(TCanvas& C, TrptHAlign HAlign, TrptVAlign VAlign) {
    TCanvasGuard guard(*FCanvas);
    const int n = static_cast<int>(FText.size());
    if (n == 0 || FHTMLTags.Count() == 0) return;

    const bool printer = IsPrinterCanvas(C);
    int dpiX = 96, dpiY = 96;
    if (printer) {
        const TPoint dpi = static_cast<TrptPrinterCanvas&>(C).Printer()->DPI();
        dpiX = dpi.X > 0 ? dpi.X : 96;
        dpiY = dpi.Y > 0 ? dpi.Y : 96;
    }

    TFont savedFont;
    savedFont.Assign(C.Font());
    const TBkMode savedBkMode = C.BkMode();

    TFont& font = C.Font();
    font.Assign(FCanvas->Font());
    // Heights are set in device pixels; the resolution goes first so a printer canvas keeps them.
    font.SetPixelsPerInch(printer ? dpiY : savedFont.PixelsPerInch());
    font.SetHeight(DeviceFontHeight(FFontSize, printer, dpiY));
    if (FHTMLTags.Items(0).Count() > 0) {
        const TrptHTMLTag& first = FHTMLTags.Items(0).Items(0);
        if (!first.Default) {
            font.SetStyle(first.Style);
            font.SetColor(first.Color);
            font.SetHeight(DeviceFontHeight(first.Size, printer, dpiY));
        }
    }
    font.SetOrientation(FRotation * 10);

    const int hd = std::abs(font.Height());
    const int hm = std::abs(FCanvas->Font().Height());
    int S;
    if (printer) {
        const double d = FDefPPI / static_cast<double>(dpiY) / FPrintScale;
        S = rptRound((FLineSpacing * FScaleY * d * n + static_cast<double>(hm) * n) / d);
    } else {
        const double d = FDefPPI / 96.0;
        S = rptRound((FLineSpacing * d * n + static_cast<double>(hm) * n) / d * FScaleY);
    }
    const int a = rptRound(FLineSpacing * FScaleY) + hd;
    const int e = FWysiwyg ? S - n * a : 0;

    const TrptTextBlock block = PlaceRotatedBlock(FScaledRect, FRotation, S, VAlign);

    std::vector<int> advances(static_cast<size_t>(std::max(0, n - 1)), a);
    if (n > 1 && e != 0) {
        const int unit = e > 0 ? 1 : -1;
        const int ae = std::abs(e);
        if (ae < n) {
            SpreadUnits(advances, 0, n - 2, unit, ae);
        } else {
            for (int& v : advances)
                v += unit * (ae / (n - 1));
            SpreadUnits(advances, 0, n - 2, unit, ae % (n - 1));
        }
    }

    C.SetBkMode(TRANSPARENT);
    const double cs = std::cos(Radians(FRotation));
    const double sn = std::sin(Radians(FRotation));
    int x = block.X, y = block.Y;
    for (int i = 0; i < n; ++i) {
        const int flags = FText[static_cast<size_t>(i)].Flags;
        TrptHAlign align = HAlign;
        if (HAlign == haBlock && (flags & rptParaLast)) align = FRTLReading ? haRight : haLeft;
        const int indent =
            (flags & rptParaFirst) && (HAlign == haLeft || HAlign == haBlock) ? rptRound(FParagraphGap * FScaleX) : 0;
        // The indent goes along the baseline, which is along x unless the text is rotated.
        DrawLineRuns(C, i, x + rptRound(indent * cs), y - rptRound(indent * sn), block.Width - indent, align, printer,
                     dpiX, dpiY);
        if (i < n - 1) {
            y += rptRound(advances[static_cast<size_t>(i)] * cs);
            x += rptRound(advances[static_cast<size_t>(i)] * sn);
        }
    }
    C.Font().Assign(savedFont);
    C.SetBkMode(savedBkMode);
}

void TrptDrawText::DrawLineRuns(TCanvas& C, int index, int x, int y, int width, TrptHAlign align, bool printer,
                                int dpiX, int dpiY) {
    const QString& source = FText[static_cast<size_t>(index)].Text;
    if (source.isEmpty()) return;
    const QString text = IsSingleByteMode(C.Font().Charset(), FUseDefaultCharset)
                             ? ThroughCodePage(source, C.Font().Charset())
                             : source;
    const int len = static_cast<int>(text.size());
    const TrptHTMLTags& runs = FHTMLTags.Items(index);
    const int entries = runs.Count();
    auto entry = [&](int i) -> const TrptHTMLTag* {
        return entries == 0 ? nullptr : &runs.Items(std::min(i, entries - 1));
    };

    // Every line is measured at its runs' own sizes from the base device font.
    TFont& font = C.Font();
    font.SetHeight(DeviceFontHeight(FFontSize, printer, dpiY));
    if (const TrptHTMLTag* e0 = entry(0)) font.SetStyle(e0->Style);
    const TFontStyles firstStyle = font.Style();

    const double k = K();
    const int spacing600 = rptRound(FCharSpacing * k);
    const int spacingDev = rptRound(FCharSpacing * FScaleX);
    const int l600 = FHTMLTags.MeasureCharWidths(FTempArray, source, FUseDefaultCharset, false, spacing600, index,
                                                 *FCanvas) -
                     spacing600;
    const int ld =
        FHTMLTags.MeasureCharWidths(FDevWidths, source, FUseDefaultCharset, false, spacingDev, index, C) - spacingDev;
    std::vector<int>& dw = FDevWidths;

    int o;
    if (!FWysiwyg)
        o = ld;
    else if (printer)
        o = rptRound(l600 * FPrintScale / (FDefPPI / static_cast<double>(dpiX)));
    else
        o = rptRound(l600 / (FDefPPI / 96.0) * FScaleX);
    int e = o - ld;

    const double cs = std::cos(Radians(FRotation));
    const double sn = std::sin(Radians(FRotation));
    bool justify = false;
    int blanks = 0;
    switch (align) {
    case haRight: {
        const double v = width - o + 1;
        x += rptRound(v * cs) - 1;
        y -= rptRound(v * sn);
        if (FRotation == 0 && (firstStyle.Contains(fsBold) || firstStyle.Contains(fsItalic))) x -= 1;
        break;
    }
    case haCenter: {
        const double v = (width - o) / 2.0;
        x += rptRound(v * cs);
        y -= rptRound(v * sn);
        break;
    }
    case haBlock:
        for (QChar c : text)
            if (c.unicode() == 32 || c.unicode() == 160) ++blanks;
        if (blanks > 0) {
            justify = true;
            e = std::abs(width) - ld;
        }
        break;
    case haLeft:
        break;
    }

    if (e != 0) {
        const int unit = e > 0 ? 1 : -1;
        const int ae = std::abs(e);
        if (justify) {
            int nth = 0;
            for (int i = 0; i < len; ++i) {
                const char16_t c = text[i].unicode();
                if (c != 32 && c != 160) continue;
                dw[static_cast<size_t>(i)] += unit * (ae / blanks + (nth < ae % blanks ? 1 : 0));
                ++nth;
            }
        } else if (ae < len) {
            SpreadUnits(dw, 0, len - 1, unit, ae);
        } else {
            for (int i = 0; i < len; ++i)
                dw[static_cast<size_t>(i)] += unit * (ae / len);
            SpreadUnits(dw, 0, len - 1, unit, ae % len);
        }
    }

    const bool useAdvances = FWysiwyg || justify;
    std::vector<int> dx;
    int p = 0;
    while (p < len) {
        int q = p + 1;
        while (q < len && (q >= entries || runs.Items(q).Default))
            ++q;
        if (const TrptHTMLTag* t = entry(p)) {
            font.SetHeight(DeviceFontHeight(t->Size, printer, dpiY));
            font.SetStyle(t->Style);
            font.SetColor(t->Color);
        }
        const TrptHTMLTag* t = entry(p);
        const int B = t ? rptRound(t->AddY * t->Size * FScaleY) : 0;
        int sum = 0;
        for (int j = p; j < q; ++j)
            sum += dw[static_cast<size_t>(j)];
        if (useAdvances) dx.assign(dw.begin() + p, dw.begin() + q);
        C.ExtTextOut(x + rptRound(B * sn), y + rptRound(B * cs), FOptions, &FScaledRect, text.mid(p, q - p),
                     useAdvances ? &dx : nullptr);
        x += rptRound(sum * cs);
        y -= rptRound(sum * sn);
        p = q;
    }
}

// =============================================================================================

TrptDrawText* GlobalDrawText() {
    static const std::unique_ptr<TrptDrawText> layout = std::make_unique<TrptDrawText>();
    return layout.get();
}
