// Text objects of the PDF export as real text: the shared layout wraps the lines exactly as on
// screen, each line is shaped by the font service (the glyphs and advances the layout measured,
// in visual order) and written as glyph numbers of composite fonts; fill, frame, shadow, ruled
// lines, underline and strike-out are vector operators. Fonts are written at the end of the
// document with their widths, a ToUnicode map and, when embedding, a subset of the face's file.

#include "report/export/rptPDFExport.h"

#include "platform/gfx/FontService.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDrawText.h"
#include "report/core/rptUtils.h"
#include "report/core/rptZLib.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

std::mutex& PDFExportLock() {
    static std::mutex lock;
    return lock;
}

double FontPoints(const TFont& f) {
    return std::abs(f.PointSize());
}

int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// One glyph as written: advance and offsets in 1/1000 em.
struct TPdfGlyph {
    quint16 Id = 0;
    double Advance = 0;
    double XOffset = 0;
    double YOffset = 0;
};

struct TPdfRun {
    TrptPDFFont* Font = nullptr;
    std::vector<TPdfGlyph> Glyphs;
};

void AddGlyphHex(TrptPDFBuffer& o, quint16 g) {
    static const char hex[] = "0123456789ABCDEF";
    const char d[4] = {hex[g >> 12], hex[(g >> 8) & 15], hex[(g >> 4) & 15], hex[g & 15]};
    o.Add(d, 4);
}

} // namespace

const QStringList& SimulatedStyleFontNames() {
    static const QStringList names = {
        QStringLiteral("\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF"),         // MS Gothic
        QStringLiteral("\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"),   // MS PGothic
        QStringLiteral("\uFF2D\uFF33 \u660E\u671D"),                     // MS Mincho
        QStringLiteral("\uFF2D\uFF33 \uFF30\u660E\u671D"),               // MS PMincho
        QStringLiteral("MS UI Gothic")};
    return names;
}

bool IsSimulatedStyleFont(const QString& Name) {
    return SimulatedStyleFontNames().contains(Name, Qt::CaseInsensitive);
}

TrptPDFFont* TrptPDFExport::FindOrAddFont(const TFontFacePtr& Face, const QString& ReportName, bool Bold,
                                          bool Italic) {
    for (const auto& f : FFonts)
        if (f->Face() == Face) return f.get();
    auto font = std::make_unique<TrptPDFFont>(Face, ReportName, Bold, Italic);
    font->Name = "/F" + QByteArray::number(static_cast<qulonglong>(FFonts.size()));
    FFonts.push_back(std::move(font));
    return FFonts.back().get();
}

int TrptPDFExport::FindOrAddPageFont(TrptPDFFont* Font) {
    for (size_t i = 0; i < FPageFonts.size(); ++i)
        if (FPageFonts[i] == Font) return static_cast<int>(i);
    FPageFonts.push_back(Font);
    return static_cast<int>(FPageFonts.size() - 1);
}

namespace {

// The glyphs of one line in visual order, in runs of one font. Plain lines (every character one
// unshaped glyph of the face) skip the shaper, as the canvas and the layout do.
template <class FontOf>
std::vector<TPdfRun> ShapeLine(const QString& line, bool rtl, TrptPDFFont* primary, FontOf fontOf) {
    std::vector<TPdfRun> out;
    const TFontFace& face = *primary->Face();
    bool simple = !rtl;
    for (qsizetype i = 0; simple && i < line.size(); ++i)
        simple = face.SimpleAdvance(line[i].unicode()) >= 0;
    if (simple) {
        TPdfRun run{primary, {}};
        run.Glyphs.reserve(static_cast<size_t>(line.size()));
        for (QChar c : line) {
            const quint16 g = primary->GlyphOf(c.unicode());
            primary->UseGlyph(g, QString(c));
            run.Glyphs.push_back({g, primary->UnitsToThousandths(face.SimpleAdvance(c.unicode())), 0, 0});
        }
        out.push_back(std::move(run));
        return out;
    }
    for (const TShapedRun& r : ShapeText(primary->Face(), line, rtl)) {
        TrptPDFFont* font = r.Face == primary->Face() ? primary : fontOf(r.Face);
        // A cluster's characters go to its first glyph: a ligature maps to every character it
        // stands for, a surrogate pair to both units.
        std::vector<quint32> starts;
        starts.reserve(r.Glyphs.size());
        for (const TShapedGlyph& g : r.Glyphs)
            starts.push_back(g.Cluster);
        std::sort(starts.begin(), starts.end());
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
        std::vector<char> given(starts.size(), 0);
        TPdfRun run{font, {}};
        run.Glyphs.reserve(r.Glyphs.size());
        for (const TShapedGlyph& g : r.Glyphs) {
            const size_t k = static_cast<size_t>(std::lower_bound(starts.begin(), starts.end(), g.Cluster) - starts.begin());
            QString chars;
            if (!given[k]) {
                given[k] = 1;
                const int end = k + 1 < starts.size() ? static_cast<int>(starts[k + 1]) : r.Start + r.Length;
                chars = line.mid(static_cast<qsizetype>(g.Cluster), end - static_cast<int>(g.Cluster));
            }
            const auto id = static_cast<quint16>(g.GlyphId);
            font->UseGlyph(id, chars);
            run.Glyphs.push_back({id, font->UnitsToThousandths(g.XAdvance), font->UnitsToThousandths(g.XOffset),
                                  font->UnitsToThousandths(g.YOffset)});
        }
        out.push_back(std::move(run));
    }
    return out;
}

// Writes the glyphs of a line: "<...> Tj" when the widths of /W place every glyph where the
// shaper put it, else "[...] TJ" with the differences; raised marks go through Ts.
void WriteRuns(TrptPDFBuffer& o, const std::vector<TPdfRun>& runs, TrptPDFFont*& current, double size) {
    for (const TPdfRun& run : runs) {
        if (run.Glyphs.empty()) continue;
        if (run.Font != current) {
            o.Add(run.Font->Name).Add(' ').Num(size).Add(" Tf\r\n");
            current = run.Font;
        }
        bool exact = true;
        for (const TPdfGlyph& g : run.Glyphs)
            if (g.XOffset != 0 || g.YOffset != 0 || std::fabs(run.Font->GlyphWidth(g.Id) - g.Advance) >= 0.005) {
                exact = false;
                break;
            }
        if (exact) {
            o.Add('<');
            for (const TPdfGlyph& g : run.Glyphs)
                AddGlyphHex(o, g.Id);
            o.Add("> Tj\r\n");
            continue;
        }
        double pending = 0;
        bool hexOpen = false;
        o.Add('[');
        auto adjust = [&](double n) {
            if (std::fabs(n) < 0.005) return;
            if (hexOpen) o.Add('>'), hexOpen = false;
            o.Num(n).Add(' ');
        };
        for (const TPdfGlyph& g : run.Glyphs) {
            // TJ numbers move left by n/1000 em: an offset to the right is a negative number.
            adjust(pending - g.XOffset);
            pending = 0;
            if (g.YOffset != 0) {
                if (hexOpen) o.Add('>'), hexOpen = false;
                o.Add("] TJ\r\n").Num(g.YOffset * size / 1000).Add(" Ts\r\n[<");
                AddGlyphHex(o, g.Id);
                o.Add(">] TJ\r\n0 Ts\r\n[");
            } else {
                if (!hexOpen) o.Add('<'), hexOpen = true;
                AddGlyphHex(o, g.Id);
            }
            pending = run.Font->GlyphWidth(g.Id) - g.Advance + g.XOffset;
        }
        adjust(pending);
        if (hexOpen) o.Add('>');
        o.Add("] TJ\r\n");
    }
}

} // namespace

void TrptPDFExport::WriteTextView(TrptCustomMemoView* Memo) {
    if (!Memo->IsDesigning()) Memo->ExtractMacros();
    TrptFrame* frame = Memo->Frame();
    TrptPDFBuffer& o = OutStream;
    const double FW = frame->Width(), SW = frame->ShadowWidth();
    const double a = Memo->AbsLeft(), t = Memo->AbsTop();
    const double width = Memo->Width(), height = Memo->Height();
    const double w = width - SW, h = height - SW;

    // 1. The clip, whatever Clipped says.
    o.Add("q\r\n").Num(PdfX(a - FW)).Add(' ').Num(PdfY(t + height + FW)).Add(' ');
    o.Num((width + 2 * FW) * 0.75).Add(' ').Num((height + 2 * FW) * 0.75).Add(" re\r\nW\r\nn\r\n");

    // 2. Drop shadow: the object's box shrinks by the shadow.
    TObjectBox box = BoxOf(Memo);
    if (frame->DropShadow()) {
        box.Right = PdfX(a + w);
        box.Bottom = PdfY(t + h);
        box.Width = w * 0.75;
        box.Height = h * 0.75;
        const QByteArray S = ColorToPDF(frame->ShadowColor());
        o.Add(S).Add(" rg\r\n").Add(S).Add(" RG\r\n");
        o.Num(PdfX(a + w)).Add(' ').Num(PdfY(t + h + SW)).Add(' ').Num(SW * 0.75).Add(' ').Num(h * 0.75);
        o.Add(" re\r\nB\r\n");
        o.Num(PdfX(a + SW)).Add(' ').Num(PdfY(t + h + SW)).Add(' ').Num(w * 0.75).Add(' ').Num(SW * 0.75);
        o.Add(" re\r\nB\r\n");
    }

    // 3. The layout's lock, then the export's.
    TrptDrawTextLock layoutLock;
    std::lock_guard<std::mutex> exportLock(PDFExportLock());

    // 4. An active highlight with a font draws with its font and colour (the object stays as it is).
    const TFont* font = Memo->Font();
    TColor fill = Memo->Color();
    if (Memo->Highlight()->Active() && Memo->Highlight()->Font()) {
        font = Memo->Highlight()->Font();
        fill = Memo->Highlight()->Color();
    }

    // 5., 6. The layout over the text rectangle inside frame and gaps.
    TrptDrawText* dt = GlobalDrawText();
    dt->SetFont(*font);
    dt->SetOptions(Memo->WordWrap(), Memo->AllowHTMLTags(), Memo->RTLReading(), Memo->WordBreak(), Memo->Clipped(),
                   Memo->Wysiwyg(), Memo->Rotation());
    dt->SetGaps(Memo->ParagraphGap(), Memo->CharSpacing(), Memo->LineSpacing());
    const TrptFrameTypes typ = frame->Typ();
    int left = RoundEven(a), top = RoundEven(t), right = RoundEven(a + width), bottom = RoundEven(t + height);
    if (typ.Contains(ftLeft)) left += RoundEven((FW - 1) / 2);
    if (typ.Contains(ftRight)) right -= RoundEven(FW / 2);
    if (typ.Contains(ftTop)) top += RoundEven((FW - 1) / 2);
    if (typ.Contains(ftBottom)) bottom -= RoundEven(FW / 2);
    const int gx = RoundEven(Memo->GapX()), gy = RoundEven(Memo->GapY());
    const TRect rect(left + gx, top + gy, right - gx + 1, bottom - gy + 1);
    dt->SetDimensions(1, 1, 1, rect, rect);
    dt->SetText(*Memo->Memo());
    const double LH = dt->LineHeight();

    // 7., 8. Fill and frame.
    if (fill != clNone) {
        o.Add(ColorToPDF(fill)).Add(" rg\r\n").Num(box.Left).Add(' ').Num(box.Bottom).Add(' ');
        o.Num(box.Width).Add(' ').Num(box.Height).Add(" re\r\nf\r\n");
    }
    WriteFrameBox(Memo, box);

    // 9. Rotation about the object's centre.
    const int rotation = Memo->Rotation();
    if (rotation > 0) {
        const double phi = rotation * M_PI / 180;
        double cx, cy;
        if (rotation == 90 || rotation == 180 || rotation == 270) {
            cx = PdfX(a + width / 2);
            cy = PdfY(t + height / 2);
        } else {
            const bool upright = (rotation >= 45 && rotation <= 135) || (rotation >= 225 && rotation <= 315);
            const double P = upright ? height : width, Q = upright ? width : height;
            cx = PdfX(a + (P * std::cos(phi) + Q * std::sin(phi)) / 2);
            cy = PdfY(t + (P * std::sin(phi) + Q * std::cos(phi)) / 2);
        }
        o.Num(std::cos(phi)).Add(' ').Num(std::sin(phi)).Add(' ').Num(-std::sin(phi)).Add(' ');
        o.Num(std::cos(phi)).Add(' ').Num(cx).Add(' ').Num(cy).Add(" cm\r\n");
    }

    // 10. Ruled lines.
    if (Memo->Underlines() && LH > 0) {
        const int count = static_cast<int>(height / LH);
        for (int k = 1; k <= count; ++k) {
            const double y = PdfY(t + Memo->GapY() + 1 + k * LH);
            o.Add(ColorToPDF(frame->Color())).Add(" RG\r\n").Num(FW * 0.75).Add(" w\r\n");
            o.Num(box.Left).Add(' ').Num(y).Add(" m\r\n").Num(box.Right).Add(' ').Num(y).Add(" l\r\nS\r\n\r\n");
        }
    }

    // 11. The lines.
    const int count = dt->LineCount();
    if (count > 0) {
        QStringList lines;
        lines.reserve(count);
        for (int n = 0; n < count; ++n)
            lines << dt->Line(n);
        const bool bold = font->Style().Contains(fsBold), italic = font->Style().Contains(fsItalic);
        const bool simulated = IsSimulatedStyleFont(font->Name());
        TFontFacePtr face = TFontService::Instance().Face(font->Name(), bold && !simulated, italic && !simulated);
        TrptPDFFont* primary = FindOrAddFont(face, font->Name(), bold && !simulated, italic && !simulated);
        FindOrAddPageFont(primary);
        const bool fakeBold = bold && (simulated || face->SyntheticBold());
        const bool fakeItalic = italic && (simulated || face->SyntheticItalic());
        const double size = FontPoints(*font);
        TrptPDFFont* current = primary;
        o.Add(primary->Name).Add(' ').Num(size).Add(" Tf\r\n");
        const TColor textColor = font->Color() == clNone ? clBlack : font->Color();
        const QByteArray textRGB = ColorToPDF(textColor);
        o.Add(textRGB).Add(" rg\r\n");
        double cs = Memo->CharSpacing() * 0.75;
        if (cs != 0) o.Num(cs).Add(" Tc\r\n");
        dt->SetGaps(0, Memo->CharSpacing(), Memo->LineSpacing());
        const TrptHAlign halign = Memo->HAlign();
        const TrptVAlign valign = Memo->VAlign();
        const bool underline = font->Style().Contains(fsUnderline), strike = font->Style().Contains(fsStrikeOut);
        auto fontOf = [&](const TFontFacePtr& f) {
            TrptPDFFont* pf = FindOrAddFont(f, f->Family(), f->IsBold(), f->IsItalic());
            FindOrAddPageFont(pf);
            return pf;
        };
        for (int n = 0; n < count; ++n) {
            const QString& line = lines[n];
            if (line.isEmpty()) continue;
            const double indent = n == 0 ? Memo->ParagraphGap() : 0;
            if (halign != haRight) cs = 0;
            // The line's own width is measured only where it places the line or its rulings.
            const bool needWidth = halign == haRight || halign == haCenter || underline || strike;
            double lw = 0;
            if (needWidth) {
                dt->SetText(line);
                lw = dt->CalcWidth();
            }
            double x, y;
            if (rotation <= 0) {
                const double L = a + Memo->GapX() + size * 0.01 + Memo->GapX() / 2 + indent;
                const double W = w - 2 * Memo->GapX() - indent;
                double x0 = L;
                if (halign == haRight) x0 = L + W - lw;
                else if (halign == haCenter) x0 = L + (W - lw) / 2;
                x = PdfX(x0) + cs;
                const double T = t + Memo->GapY() - size * 0.1, H = h - 2 * Memo->GapY();
                double y0 = T + (n + 1) * LH;
                if (valign == vaBottom) y0 = T + H - (count - n - 1) * LH;
                else if (valign == vaCenter) y0 = T + (H - count * LH) / 2 + (n + 1) * LH;
                y = PdfY(y0);
            } else {
                const bool upright = (rotation >= 45 && rotation <= 135) || (rotation >= 225 && rotation <= 315);
                const double P = upright ? h : w, Q = upright ? w : h;
                double xr = -P / 2;
                if (halign == haRight) xr = P / 2 - lw;
                else if (halign == haCenter) xr = -lw / 2;
                x = xr * 0.75 + cs;
                const double u = Q / 2;
                double v = (n + 1) * LH - u;
                if (valign == vaBottom) v = u - (count - n - 1) * LH;
                else if (valign == vaCenter) v = -LH * count / 2 + (n + 1) * LH;
                y = -v * 0.75 + size * 0.4;
            }
            const std::vector<TPdfRun> runs = ShapeLine(line, Memo->RTLReading(), primary, fontOf);
            o.Add("BT\r\n").Num(x).Add(' ').Num(y).Add(" Td\r\n");
            if (fakeItalic) o.Add("1 0 0.3333 1 ").Num(x).Add(' ').Num(y).Add(" Tm\r\n");
            if (fakeBold) o.Add("2 Tr ").Num(size / 35).Add(" w ").Add(textRGB).Add(" RG\r\n");
            WriteRuns(o, runs, current, size);
            o.Add("ET\r\n");
            if (fakeBold) o.Add("0 Tr\r\n");
            if (underline) {
                o.Add(textRGB).Add(" RG\r\n").Num(size * 0.08).Add(" w\r\n");
                o.Num(x).Add(' ').Num(y - size * 0.12).Add(" m\r\n");
                o.Num(x + lw * 0.75).Add(' ').Num(y - size * 0.12).Add(" l\r\nS\r\n");
            }
            if (strike) {
                o.Add(textRGB).Add(" RG\r\n").Num(size * 0.08).Add(" w\r\n");
                o.Num(x).Add(' ').Num(y + size * 0.28).Add(" m\r\n");
                o.Num(x + lw * 0.75).Add(' ').Num(y + size * 0.28).Add(" l\r\nS\r\n");
            }
        }
    }
    // 12.
    o.Add("Q\r\n");
}

// ---------------------------------------------------------------------------------------------
// Fonts

void TrptPDFExport::WriteFonts() {
    for (const auto& f : FFonts)
        if (f->Saved) WriteFont(*f);
}

void TrptPDFExport::WriteFont(TrptPDFFont& Font) {
    const TFaceMetrics& m = Font.Face()->Metrics();
    auto k = [&](double units) { return static_cast<qint64>(std::lround(Font.UnitsToThousandths(units))); };
    const bool simulated = false;
    const QByteArray name = Font.BaseFontName(FEmbeddedFonts, simulated);

    // A stream object: deflated when compressing, encrypted when protected.
    auto writeStream = [&](int number, const QByteArray& plain, const char* subtype = nullptr) {
        pdf.Add("<< ");
        if (subtype) pdf.Add("/Subtype /").Add(QByteArray(subtype)).Add(' ');
        if (FCompressed) {
            TBytesStream source(plain);
            TMemoryStream packed;
            CompressStream(source, packed, zcFastest);
            const QByteArray data = packed.Bytes();
            pdf.Add("/Length ").Int(data.size()).Add("  /Filter /FlateDecode /Length1 ").Int(plain.size()).Add(" >>").Eol();
            pdf.Line("stream");
            WriteStreamData(data, number);
        } else {
            pdf.Add("/Length ").Int(plain.size()).Add(" /Length1 ").Int(plain.size()).Add(" >>").Eol();
            pdf.Line("stream");
            WriteStreamData(plain, number);
        }
        pdf.Eol();
        pdf.Line("endstream");
        pdf.Line("endobj");
        pdf.Check();
    };

    int fileObject = 0;
    const bool cff = Font.IsCFF();
    if (FEmbeddedFonts) {
        QStringList problems;
        const QByteArray program = Font.FontFile(&problems);
        if (!program.isEmpty()) {
            fileObject = NewObjectNumber();
            WriteHeader(fileObject);
            writeStream(fileObject, program, cff ? "OpenType" : nullptr);
            if (cff) FOpenTypeFonts = true;
        }
        if (Report())
            for (const QString& p : problems)
                Report()->Errors()->Add(p);
    }

    const int descriptor = NewObjectNumber();
    WriteHeader(descriptor);
    pdf.Line("<<");
    pdf.Line("/Type /FontDescriptor");
    pdf.Add("/FontName /").Add(name).Eol();
    pdf.Add("/FontFamily /").Add(name).Eol();
    pdf.Line("/Flags 32");
    pdf.Add("/FontBBox [").Int(k(m.XMin)).Add(' ').Int(k(m.YMin)).Add(' ').Int(k(m.XMax)).Add(' ').Int(k(m.YMax)).Add(" ]").Eol();
    pdf.Add("/ItalicAngle ").Int(std::lround(m.ItalicAngle)).Eol();
    pdf.Add("/Ascent ").Int(k(m.Ascent)).Eol();
    pdf.Add("/Descent ").Int(-k(m.Descent)).Eol();
    pdf.Add("/Leading ").Int(k(m.LineGap)).Eol();
    pdf.Add("/CapHeight ").Int(k(m.CapHeight)).Eol();
    const double stem = m.Weight / 65.0;
    pdf.Add("/StemV ").Int(std::lround(stem * stem) + 50).Eol();
    pdf.Add("/AvgWidth ").Int(k(m.AvgCharWidth)).Eol();
    pdf.Add("/MaxWidth ").Int(k(m.MaxAdvance)).Eol();
    pdf.Add("/MissingWidth ").Int(k(m.AvgCharWidth)).Eol();
    if (fileObject) {
        pdf.Add(cff ? QByteArrayLiteral("/FontFile3 ") : QByteArrayLiteral("/FontFile2 "));
        WriteRef(fileObject);
        pdf.Eol();
    }
    pdf.Line(">>");
    pdf.Line("endobj");

    const int unicode = NewObjectNumber();
    WriteHeader(unicode);
    QByteArray cmapName = name;
    cmapName.replace(',', '+');
    writeStream(unicode, Font.ToUnicodeCMap(cmapName));

    const int system = NewObjectNumber();
    WriteHeader(system);
    pdf.Line("<<");
    pdf.Line("/Registry (Adobe) /Ordering (Identity) /Supplement 0");
    pdf.Line(">>");
    pdf.Line("endobj");

    const int descendant = NewObjectNumber();
    WriteHeader(descendant);
    pdf.Line("<<");
    pdf.Line("/Type /Font");
    // CFF outlines make a CID font of type 0, whose glyphs are chosen by CID as glyph number.
    pdf.Add(cff ? QByteArrayLiteral("/Subtype /CIDFontType0") : QByteArrayLiteral("/Subtype /CIDFontType2")).Eol();
    pdf.Add("/BaseFont /").Add(name).Eol();
    pdf.Add("/CIDSystemInfo ");
    WriteRef(system);
    pdf.Eol();
    pdf.Add("/FontDescriptor ");
    WriteRef(descriptor);
    pdf.Eol();
    pdf.Add("/W [ ");
    const auto& glyphs = Font.UsedAlphabet();
    const auto& widths = Font.Widths();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        pdf.Int(glyphs[i]).Add(" [").Int(widths[i]).Add("] ");
        pdf.Check();
    }
    pdf.Line("]");
    pdf.Line(">>");
    pdf.Line("endobj");

    SetObjectOffset(Font.Reference);
    WriteHeader(Font.Reference);
    pdf.Line("<<");
    pdf.Line("/Type /Font");
    pdf.Line("/Subtype /Type0");
    pdf.Add("/BaseFont /").Add(name).Eol();
    pdf.Line("/Encoding /Identity-H");
    pdf.Add("/DescendantFonts [");
    WriteRef(descendant);
    pdf.Line("]");
    pdf.Add("/ToUnicode ");
    WriteRef(unicode);
    pdf.Eol();
    pdf.Line(">>");
    pdf.Line("endobj");
    pdf.Check();
}
