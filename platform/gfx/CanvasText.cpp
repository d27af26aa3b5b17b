// TCanvas: text measuring, drawing and the DrawText layout.

#include "platform/gfx/Canvas.h"

#include "platform/gfx/CanvasCommand.h"
#include "platform/gfx/CanvasTextFastPath.h"
#include "platform/gfx/FontService.h"

#include <QGlyphRun>
#include <QRawFont>

#include <array>
#include <atomic>
#include <cmath>
#include <memory>

namespace {

struct TPlacedRun {
    TFontFacePtr Face;
    QList<quint32> Glyphs;
    QList<QPointF> Positions; // from the start of the line on the baseline, in pixels
};

struct TPlacedGlyphs {
    std::vector<TPlacedRun> Runs;
    double Width = 0;
};

// Places the shaped glyphs of a line; with dx the advances of the characters are taken from it
// (in either direction), as a device that corrects its widths to a layout does.
TPlacedGlyphs PlaceGlyphs(const TFontFacePtr& face, const QString& text, bool rtl, double em,
                          const std::vector<int>* dx) {
    TPlacedGlyphs out;
    double x = 0;
    for (const TShapedRun& run : ShapeText(face, text, rtl)) {
        const double s = em / run.Face->Metrics().UnitsPerEm;
        TPlacedRun placed;
        placed.Face = run.Face;
        if (dx && !run.Rtl) {
            std::vector<double> charX(static_cast<size_t>(run.Length) + 1, 0);
            for (int i = 0; i < run.Length; ++i) {
                const size_t k = static_cast<size_t>(run.Start + i);
                charX[i + 1] = charX[i] + (k < dx->size() ? (*dx)[k] : 0);
            }
            for (const TShapedGlyph& g : run.Glyphs) {
                const size_t c = std::min<size_t>(g.Cluster - run.Start, run.Length);
                placed.Glyphs << g.GlyphId;
                placed.Positions << QPointF(x + charX[c] + g.XOffset * s, -g.YOffset * s);
            }
            x += charX.back();
        } else if (dx) {
            // Right to left: a cluster's left edge is the run's width less the advances of the
            // cluster and of everything logically before it.
            const size_t len = static_cast<size_t>(run.Length);
            std::vector<double> charX(len + 1, 0);
            for (size_t i = 0; i < len; ++i) {
                const size_t k = static_cast<size_t>(run.Start) + i;
                charX[i + 1] = charX[i] + (k < dx->size() ? (*dx)[k] : 0);
            }
            std::vector<char> isStart(len + 1, 0);
            isStart[len] = 1;
            for (const TShapedGlyph& g : run.Glyphs)
                isStart[std::min<size_t>(g.Cluster - run.Start, len)] = 1;
            std::vector<size_t> clusterEnd(len + 1, len);
            for (size_t i = len; i-- > 0;)
                clusterEnd[i] = isStart[i + 1] ? i + 1 : clusterEnd[i + 1];
            size_t current = len + 1;
            double pen = 0;
            for (const TShapedGlyph& g : run.Glyphs) {
                const size_t c = std::min<size_t>(g.Cluster - run.Start, len);
                if (c != current) {
                    current = c;
                    pen = charX[len] - charX[c < len ? clusterEnd[c] : len];
                }
                placed.Glyphs << g.GlyphId;
                placed.Positions << QPointF(x + pen + g.XOffset * s, -g.YOffset * s);
                pen += g.XAdvance * s;
            }
            x += charX.back();
        } else {
            double gx = 0;
            for (const TShapedGlyph& g : run.Glyphs) {
                placed.Glyphs << g.GlyphId;
                placed.Positions << QPointF(x + gx + g.XOffset * s, -g.YOffset * s);
                gx += g.XAdvance * s;
            }
            x += gx;
        }
        out.Runs.push_back(std::move(placed));
    }
    out.Width = x;
    return out;
}

std::atomic<bool> gPlainTextFastPath{true};

// Glyph of each unit with a simple advance, per face, in pages of 256 units like the face's
// advance table; per thread, so that no lock is taken while drawing.
struct TGlyphPages {
    TFontFacePtr Face;
    std::array<std::unique_ptr<quint32[]>, 256> Pages;
};

const quint32* GlyphPage(const TFontFacePtr& face, char16_t ch) {
    thread_local std::vector<std::unique_ptr<TGlyphPages>> cache;
    TGlyphPages* entry = nullptr;
    for (const auto& e : cache)
        if (e->Face == face) {
            entry = e.get();
            break;
        }
    if (!entry) {
        if (cache.size() >= 16) cache.erase(cache.begin());
        cache.push_back(std::make_unique<TGlyphPages>());
        entry = cache.back().get();
        entry->Face = face;
    }
    std::unique_ptr<quint32[]>& page = entry->Pages[ch >> 8];
    if (!page) {
        page = std::make_unique<quint32[]>(256);
        const char16_t base = static_cast<char16_t>(ch & 0xFF00);
        for (int i = 0; i < 256; ++i) {
            const char16_t c = static_cast<char16_t>(base + i);
            page[i] = face->SimpleAdvance(c) >= 0 ? face->GlyphIndex(c) : 0;
        }
    }
    return page.get();
}

// The width in pixels of a line of units that all have a simple advance, summed as TextExtent
// sums it; -1 when some unit needs shaping.
int PlainWidth(const TFontFace& face, QStringView text, double em) {
    long long units = 0;
    for (const QChar c : text) {
        const int a = face.SimpleAdvance(c.unicode());
        if (a < 0) return -1;
        units += a;
    }
    return static_cast<int>(std::lround(units * em / face.Metrics().UnitsPerEm));
}

// The glyphs of a plain left-to-right line placed exactly as PlaceGlyphs places the shaped
// ones: one run, glyphs from the character map, pens summed in the same order. False when some
// unit needs shaping.
bool PlacePlainGlyphs(const TFontFacePtr& face, const QString& text, double em, TPlacedGlyphs& out) {
    const double s = em / face->Metrics().UnitsPerEm;
    TPlacedRun placed;
    placed.Face = face;
    placed.Glyphs.reserve(text.size());
    placed.Positions.reserve(text.size());
    double gx = 0;
    const quint32* page = nullptr;
    int pageNo = -1;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const int a = face->SimpleAdvance(u);
        if (a < 0) return false;
        if ((u >> 8) != pageNo) {
            pageNo = u >> 8;
            page = GlyphPage(face, u);
        }
        placed.Glyphs << page[u & 0xFF];
        // PlaceGlyphs adds a zero start and a zero offset, which leaves gx exactly as it is.
        placed.Positions << QPointF(gx, 0);
        gx += a * s;
    }
    out.Width = gx;
    out.Runs.push_back(std::move(placed));
    return true;
}

QString ExpandTabs(const QString& s) {
    QString out;
    for (QChar c : s) {
        if (c == QLatin1Char('\t')) {
            const int n = 8 - out.size() % 8;
            out += QString(n, QLatin1Char(' '));
        } else {
            out += c;
        }
    }
    return out;
}

// Removes single ampersands ("&&" stands for one) and tells which character was marked.
QString StripPrefix(const QString& s, int& marked) {
    marked = -1;
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            } else if (i + 1 < s.size()) {
                marked = static_cast<int>(out.size());
            }
            continue;
        }
        out += s[i];
    }
    return out;
}

} // namespace

void SetPlainTextFastPath(bool enabled) { gPlainTextFastPath = enabled; }
bool PlainTextFastPath() { return gPlainTextFastPath; }

// ---------------------------------------------------------------------------------------------

std::shared_ptr<const TFontFace> TCanvas::FontFace() {
    if (!FFaceValid || !FFace) {
        // Painters change the font's colour or size for every cell, which does not change the
        // face: the last faces this thread looked up are asked first, without the service's lock.
        struct TRecent {
            QString Name;
            bool Bold = false, Italic = false;
            TFontFacePtr Face;
        };
        thread_local std::array<TRecent, 4> recent;
        thread_local size_t next = 0;
        const QString& name = FFont.Name();
        const bool bold = FFont.Style().Contains(fsBold), italic = FFont.Style().Contains(fsItalic);
        FFace.reset();
        for (const TRecent& r : recent)
            if (r.Face && r.Bold == bold && r.Italic == italic && r.Name == name) {
                FFace = r.Face;
                break;
            }
        if (!FFace) {
            FFace = TFontService::Instance().Face(name, bold, italic);
            recent[next] = {name, bold, italic, FFace};
            next = (next + 1) % recent.size();
        }
        FFaceValid = true;
    }
    return FFace;
}

double TCanvas::FontEmPixels() {
    const int h = FFont.Height();
    if (h < 0) return -h;
    if (h == 0) return 12;
    const TFaceMetrics& m = FontFace()->Metrics();
    return static_cast<double>(h) * m.UnitsPerEm / std::max(1, m.Ascent + m.Descent);
}

TTextMetric TCanvas::TextMetrics() {
    const auto face = FontFace();
    const TFaceMetrics& m = face->Metrics();
    const double em = FontEmPixels();
    const double s = em / m.UnitsPerEm;
    TTextMetric t;
    t.tmAscent = static_cast<int>(std::lround(m.Ascent * s));
    t.tmDescent = static_cast<int>(std::lround(m.Descent * s));
    t.tmHeight = t.tmAscent + t.tmDescent;
    t.tmInternalLeading = std::max(0, t.tmHeight - static_cast<int>(std::lround(em)));
    const int hheaHeight = m.HheaAscender - m.HheaDescender + m.LineGap;
    t.tmExternalLeading =
        std::max(0, static_cast<int>(std::lround((hheaHeight - (m.Ascent + m.Descent)) * s)));
    t.tmAveCharWidth = static_cast<int>(std::lround(m.AvgCharWidth * s));
    t.tmMaxCharWidth = static_cast<int>(std::lround(m.MaxAdvance * s));
    t.tmWeight = FFont.Style().Contains(fsBold) ? 700 : 400;
    t.tmItalic = FFont.Style().Contains(fsItalic);
    return t;
}

TSize TCanvas::TextExtent(const QString& text) {
    const auto face = FontFace();
    const double em = FontEmPixels();
    double width = 0;
    // Plain text needs no shaping: the sum of the face's advances gives the same width.
    long long simpleUnits = 0;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const int a = face->SimpleAdvance(text[i].unicode());
        if (a < 0) break;
        simpleUnits += a;
    }
    if (i == text.size()) {
        width = simpleUnits * em / face->Metrics().UnitsPerEm;
    } else {
        for (const TShapedRun& run : ShapeText(face, text, (FTextFlags & ETO_RTLREADING) != 0)) {
            long long units = 0;
            for (const TShapedGlyph& g : run.Glyphs)
                units += g.XAdvance;
            width += units * em / run.Face->Metrics().UnitsPerEm;
        }
    }
    return TSize(static_cast<int>(std::lround(width)), TextMetrics().tmHeight);
}

std::vector<int> TCanvas::TextExtents(const QString& text) {
    std::vector<int> out(static_cast<size_t>(text.size()), 0);
    TextExtents(QStringView(text), out.data());
    return out;
}

int TCanvas::TextExtents(QStringView text, int* extents) {
    const qsizetype n = text.size();
    if (n == 0) return 0;
    const auto face = FontFace();
    const double em = FontEmPixels();
    // Plain text: advances from the face's table, summed exactly as the shaped path sums them.
    {
        const double s = em / face->Metrics().UnitsPerEm;
        double cum = 0;
        qsizetype i = 0;
        for (; i < n; ++i) {
            const int a = face->SimpleAdvance(text[i].unicode());
            if (a < 0) break;
            cum += a * s;
            extents[i] = static_cast<int>(std::lround(cum));
        }
        if (i == n) return extents[n - 1];
    }
    std::vector<double> adv(static_cast<size_t>(n), 0);
    for (const TShapedRun& run : ShapeText(face, text.toString(), false)) {
        const double s = em / run.Face->Metrics().UnitsPerEm;
        for (const TShapedGlyph& g : run.Glyphs)
            if (g.Cluster < adv.size()) adv[g.Cluster] += g.XAdvance * s;
    }
    double cum = 0;
    for (qsizetype i = 0; i < n; ++i) {
        cum += adv[static_cast<size_t>(i)];
        extents[i] = static_cast<int>(std::lround(cum));
    }
    return extents[n - 1];
}

void TCanvas::FillTextBackground(QPainter* p, const QRectF& r) {
    p->fillRect(r, ColorToQColor(FBkColor));
}

double TCanvas::DrawTextLine(QPainter* p, double x, double y, const QString& text, bool rtl,
                             const std::vector<int>* dx, int prefixIndex) {
    if (text.isEmpty()) return 0;
    const auto face = FontFace();
    const TFaceMetrics& m = face->Metrics();
    const double em = FontEmPixels();
    const double s = em / m.UnitsPerEm;
    const int ascent = static_cast<int>(std::lround(m.Ascent * s));
    TPlacedGlyphs placed;
    if (rtl || dx || !gPlainTextFastPath || !PlacePlainGlyphs(face, text, em, placed))
        placed = PlaceGlyphs(face, text, rtl, em, dx);
    const QColor color = ColorToQColor(FFont.Color());

    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->translate(x, y);
    if (FFont.Orientation() != 0) p->rotate(-FFont.Orientation() / 10.0);
    p->translate(0, ascent);
    p->setPen(color);
    for (const TPlacedRun& pr : placed.Runs) {
        p->save();
        if (pr.Face->SyntheticItalic()) p->shear(-0.2, 0);
        QGlyphRun run;
        run.setRawFont(pr.Face->RawFont(em));
        run.setGlyphIndexes(pr.Glyphs);
        run.setPositions(pr.Positions);
        p->drawGlyphRun(QPointF(0, 0), run);
        if (pr.Face->SyntheticBold()) p->drawGlyphRun(QPointF(std::max(1.0, em / 24), 0), run);
        p->restore();
    }
    const double thick = std::max(1.0, std::round(m.UnderlineThickness * s));
    if (FFont.Style().Contains(fsUnderline))
        p->fillRect(QRectF(0, std::round(-m.UnderlinePosition * s), std::round(placed.Width), thick), color);
    if (FFont.Style().Contains(fsStrikeOut))
        p->fillRect(QRectF(0, -std::round(m.StrikeoutPosition * s), std::round(placed.Width),
                           std::max(1.0, std::round(m.StrikeoutSize * s))),
                    color);
    if (prefixIndex >= 0 && prefixIndex < text.size()) {
        const std::vector<int> ext = TextExtents(text);
        const int x0 = prefixIndex > 0 ? ext[prefixIndex - 1] : 0;
        p->fillRect(QRectF(x0, std::round(-m.UnderlinePosition * s), ext[prefixIndex] - x0, thick), color);
    }
    p->restore();
    return placed.Width;
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::TextOut;
        c.A[0] = x;
        c.A[1] = y;
        c.Text = text;
        Record(std::move(c));
        FPenPos = TPoint(x + TextWidth(text), y);
        return;
    }
    const TSize ext = TextExtent(text);
    if (QPainter* p = Painter(); p && !text.isEmpty()) {
        if (!BeginDraw(p)) {
            FPenPos = TPoint(x + ext.cx, y);
            return;
        }
        if (FBkMode == OPAQUE) {
            p->save();
            p->translate(x, y);
            if (FFont.Orientation() != 0) p->rotate(-FFont.Orientation() / 10.0);
            FillTextBackground(p, QRectF(0, 0, ext.cx, ext.cy));
            p->restore();
        }
        DrawTextLine(p, x, y, text, (FTextFlags & ETO_RTLREADING) != 0, nullptr);
    }
    FPenPos = TPoint(x + ext.cx, y);
}

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect, const QString& text,
                         const std::vector<int>* dx) {
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::ExtTextOut;
        c.A[0] = x;
        c.A[1] = y;
        if (rect) {
            c.HasRect = true;
            c.A[2] = rect->Left;
            c.A[3] = rect->Top;
            c.A[4] = rect->Right;
            c.A[5] = rect->Bottom;
        }
        c.Flags = options;
        c.Text = text;
        if (dx) {
            c.HasDx = true;
            c.Dx = *dx;
        }
        Record(std::move(c));
        return;
    }
    QPainter* p = Painter();
    if (!p) return;
    const std::optional<QRegion> savedClip = FClip;
    if (rect && (options & ETO_CLIPPED)) IntersectClipRect(*rect);
    if (!BeginDraw(p)) {
        FClip = savedClip;
        return;
    }
    if (rect && (options & ETO_OPAQUE) && !rect->IsEmpty())
        FillTextBackground(p, QRectF(rect->Left, rect->Top, rect->Width(), rect->Height()));
    else if (FBkMode == OPAQUE && !text.isEmpty()) {
        int w = 0;
        if (dx)
            for (size_t i = 0; i < dx->size() && i < static_cast<size_t>(text.size()); ++i)
                w += (*dx)[i];
        else
            w = TextWidth(text);
        FillTextBackground(p, QRectF(x, y, w, TextMetrics().tmHeight));
    }
    DrawTextLine(p, x, y, text, (options & ETO_RTLREADING) != 0, dx);
    FClip = savedClip;
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text) {
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::TextRect;
        c.A[0] = r.Left;
        c.A[1] = r.Top;
        c.A[2] = r.Right;
        c.A[3] = r.Bottom;
        c.A[4] = x;
        c.A[5] = y;
        c.Text = text;
        Record(std::move(c));
        return;
    }
    unsigned options = ETO_CLIPPED | FTextFlags;
    if (FBrush.Style() != bsClear) options |= ETO_OPAQUE;
    ExtTextOut(x, y, options, &r, text);
}

void TCanvas::TextRect(TRect& r, QString& text, const TTextFormat& format) {
    DrawText(text, r, TextFormatToFlags(format));
}

int TCanvas::DrawText(const QString& source, TRect& r, unsigned flags) {
    const bool calc = (flags & DT_CALCRECT) != 0;
    if (FRecorder && !calc) {
        TCanvasCommand c;
        c.Op = TCanvasOp::DrawText;
        c.A[0] = r.Left;
        c.A[1] = r.Top;
        c.A[2] = r.Right;
        c.A[3] = r.Bottom;
        c.Text = source;
        c.Flags = flags;
        Record(std::move(c));
    }
    const TTextMetric tm = TextMetrics();
    const int lineHeight = tm.tmHeight + ((flags & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    const int avail = r.Width();

    // One line as it stands (no breaks, tabs, prefix marks or word wrapping): measured once and
    // drawn, unless an ellipsis has to shorten it.
    if (gPlainTextFastPath && ((flags & DT_SINGLELINE) || !(flags & DT_WORDBREAK))) {
        bool plain = true;
        for (const QChar c : source) {
            const char16_t u = c.unicode();
            if (u == u'\t' || u == u'\r' || u == u'\n' || (u == u'&' && !(flags & DT_NOPREFIX))) {
                plain = false;
                break;
            }
        }
        int width = -1;
        if (plain) {
            width = PlainWidth(*FontFace(), source, FontEmPixels());
            if (width < 0) width = TextWidth(source);
            if (!calc && (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) && width > avail)
                plain = false;
        }
        if (plain) {
            if (calc) {
                r.Right = r.Left + width;
                r.Bottom = r.Top + lineHeight;
                return lineHeight;
            }
            if (FRecorder) return lineHeight;
            int y = r.Top;
            if (flags & DT_SINGLELINE) {
                if (flags & DT_VCENTER)
                    y = r.Top + (r.Height() - lineHeight) / 2;
                else if (flags & DT_BOTTOM)
                    y = r.Bottom - lineHeight;
            }
            QPainter* p = Painter();
            if (!p) return lineHeight;
            const std::optional<QRegion> savedClip = FClip;
            if (!(flags & DT_NOCLIP)) IntersectClipRect(r);
            if (!BeginDraw(p)) {
                FClip = savedClip;
                return lineHeight;
            }
            int x = r.Left;
            if (flags & DT_CENTER)
                x = r.Left + (avail - width) / 2;
            else if (flags & DT_RIGHT)
                x = r.Right - width;
            if (FBkMode == OPAQUE && !source.isEmpty()) FillTextBackground(p, QRectF(x, y, width, tm.tmHeight));
            DrawTextLine(p, x, y, source, (flags & DT_RTLREADING) != 0, nullptr, -1);
            FClip = savedClip;
            return (flags & DT_SINGLELINE) && (flags & (DT_VCENTER | DT_BOTTOM)) ? y - r.Top + lineHeight
                                                                                 : lineHeight;
        }
    }

    QString text = source;
    if (flags & DT_EXPANDTABS)
        text = ExpandTabs(text);
    else
        text.replace(QLatin1Char('\t'), QLatin1Char(' '));

    // Paragraphs, then lines.
    QStringList paragraphs;
    if (flags & DT_SINGLELINE) {
        QString t = text;
        t.remove(QLatin1Char('\r'));
        t.remove(QLatin1Char('\n'));
        paragraphs << t;
    } else {
        QString t = text;
        t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        paragraphs = t.split(QLatin1Char('\n'));
    }

    struct Line {
        QString Text;
        int Marked = -1;
    };
    std::vector<Line> lines;
    for (const QString& para : paragraphs) {
        int marked = -1;
        const QString plain = (flags & DT_NOPREFIX) ? para : StripPrefix(para, marked);
        if (!(flags & DT_WORDBREAK) || (flags & DT_SINGLELINE) || plain.isEmpty()) {
            lines.push_back({plain, (flags & DT_HIDEPREFIX) ? -1 : marked});
            continue;
        }
        const std::vector<int> ext = TextExtents(plain);
        const int n = static_cast<int>(plain.size());
        const size_t firstLine = lines.size();
        std::vector<int> starts;
        auto widthOf = [&](int a, int b) { return b <= a ? 0 : ext[b - 1] - (a > 0 ? ext[a - 1] : 0); };
        int start = 0;
        while (start < n) {
            starts.push_back(start);
            int end = start;
            while (end < n && widthOf(start, end + 1) <= avail)
                ++end;
            if (end >= n) {
                lines.push_back({plain.mid(start), -1});
                break;
            }
            // Break at the last blank that lets the line fit; blanks at the break vanish.
            int brk = -1;
            for (int i = end; i > start; --i)
                if (plain[i] == QLatin1Char(' ')) {
                    brk = i;
                    break;
                }
            int next;
            if (brk > start) {
                int stop = brk;
                while (stop > start && plain[stop - 1] == QLatin1Char(' '))
                    --stop;
                lines.push_back({plain.mid(start, stop - start), -1});
                next = brk;
            } else if (flags & DT_EDITCONTROL) {
                end = std::max(end, start + 1);
                lines.push_back({plain.mid(start, end - start), -1});
                next = end;
            } else {
                // A word wider than the rectangle stays whole.
                int j = end;
                while (j < n && plain[j] != QLatin1Char(' '))
                    ++j;
                lines.push_back({plain.mid(start, j - start), -1});
                next = j;
            }
            while (next < n && plain[next] == QLatin1Char(' '))
                ++next;
            start = next;
        }
        if (marked >= 0 && !(flags & DT_HIDEPREFIX)) {
            // The mark belongs to whichever line holds that character.
            for (size_t k = firstLine; k < lines.size(); ++k) {
                const int off = static_cast<int>(plain.indexOf(lines[k].Text, starts[k - firstLine]));
                if (off >= 0 && marked >= off && marked < off + lines[k].Text.size()) {
                    lines[k].Marked = marked - off;
                    break;
                }
            }
        }
    }

    // Ellipses shorten lines that do not fit (not while only measuring).
    if (!calc && (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))) {
        const QString dots = QStringLiteral("...");
        for (Line& line : lines) {
            if (TextWidth(line.Text) <= avail) continue;
            auto endEllipsis = [&](const QString& s) {
                const std::vector<int> ext = TextExtents(s);
                const int dw = TextWidth(dots);
                int k = static_cast<int>(s.size());
                while (k > 0 && ext[k - 1] + dw > avail)
                    --k;
                return s.left(k) + dots;
            };
            line.Marked = -1;
            if (flags & DT_PATH_ELLIPSIS) {
                const int sep = static_cast<int>(std::max(line.Text.lastIndexOf(QLatin1Char('\\')),
                                                          line.Text.lastIndexOf(QLatin1Char('/'))));
                if (sep > 0) {
                    const QString tail = line.Text.mid(sep);
                    QString head = line.Text.left(sep);
                    QString result;
                    for (int k = static_cast<int>(head.size()); k >= 0; --k) {
                        const QString cand = head.left(k) + dots + tail;
                        if (TextWidth(cand) <= avail) {
                            result = cand;
                            break;
                        }
                    }
                    line.Text = result.isEmpty() ? endEllipsis(dots + tail) : result;
                    continue;
                }
            }
            line.Text = endEllipsis(line.Text);
        }
    }

    int maxWidth = 0;
    for (const Line& line : lines)
        maxWidth = std::max(maxWidth, TextWidth(line.Text));
    const int height = static_cast<int>(lines.size()) * lineHeight;

    if (calc) {
        r.Right = r.Left + maxWidth;
        r.Bottom = r.Top + height;
        return height;
    }
    if (FRecorder) return height;

    int y = r.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = r.Top + (r.Height() - lineHeight) / 2;
        else if (flags & DT_BOTTOM)
            y = r.Bottom - lineHeight;
    }
    QPainter* p = Painter();
    if (!p) return height;
    const std::optional<QRegion> savedClip = FClip;
    if (!(flags & DT_NOCLIP)) IntersectClipRect(r);
    if (!BeginDraw(p)) {
        FClip = savedClip;
        return height;
    }
    const bool rtl = (flags & DT_RTLREADING) != 0;
    const int top = y;
    for (const Line& line : lines) {
        const int w = TextWidth(line.Text);
        int x = r.Left;
        if (flags & DT_CENTER)
            x = r.Left + (avail - w) / 2;
        else if (flags & DT_RIGHT)
            x = r.Right - w;
        if (FBkMode == OPAQUE && !line.Text.isEmpty()) FillTextBackground(p, QRectF(x, y, w, tm.tmHeight));
        DrawTextLine(p, x, y, line.Text, rtl, nullptr, line.Marked);
        y += lineHeight;
    }
    FClip = savedClip;
    return (flags & DT_SINGLELINE) && (flags & (DT_VCENTER | DT_BOTTOM)) ? top - r.Top + lineHeight : height;
}
