#include "report/export/rptExportRTFCells.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Metafile.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptHTMLTags.h"
#include "report/export/rptExportMatrix.h"
#include "report/export/rptGML.h"

#include <QBuffer>
#include <QtEndian>

namespace {

int RoundEven(double v) { return rptRound(v); }
QByteArray Num(long long v) { return QByteArray::number(v); }

// The memo text without the line break its last line ends with.
QString MemoText(const TrptIEMObject* o) {
    QString t = o->Memo()->Text();
    if (t.endsWith(QLatin1String("\r\n"))) t.chop(2);
    return t;
}

struct TTagRun {
    QChar Char;
    bool Present = false; // false for the blank entry of an empty line
    TFontStyles Style;
    TColor Color = 0;
    bool LineStart = false;
};

// The escaped text with its tags expanded: one entry per visible character.
std::vector<TTagRun> ExpandTags(const TrptIEMObject* o) {
    const TFont* font = o->Style->Font();
    const QString s = RTFEscapeText(o->Memo()->Text(), true);
    TrptHTMLTagsList list;
    list.SetAllowTags(true);
    list.SetDefaults(font->Color(), font->Size(), font->Style());
    for (const QString& line : s.split(QStringLiteral("\r\n"))) {
        list.StartLine();
        QString copy = line;
        list.ExpandHTMLTags(copy);
        list.SetPosition(list.Position() + 2);
    }
    std::vector<TTagRun> runs;
    for (int l = 0; l < list.Count(); ++l) {
        const TrptHTMLTags& tags = list.Items(l);
        for (int k = 0; k < tags.Count(); ++k) {
            const TrptHTMLTag& t = tags[k];
            TTagRun r;
            const int p = t.Position - 1;
            if (p >= 0 && p < s.size() && s[p] != QLatin1Char('\r') && s[p] != QLatin1Char('\n')) {
                r.Char = s[p];
                r.Present = true;
            }
            r.Style = t.Style;
            r.Color = t.Color;
            r.LineStart = k == 0 && l > 0;
            runs.push_back(r);
        }
    }
    return runs;
}

QByteArray TagText(const TRTFCellContext& c, const TrptIEMObject* o) {
    QByteArray out;
    bool bold = false, italic = false, underline = false;
    // The cell's character format already set the font colour: runs start from it.
    TColor current = o->Style->Font()->Color();
    for (const TTagRun& r : ExpandTags(o)) {
        // The line break keeps \line apart from the next line's first letter.
        if (r.LineStart) out += "\r\n";
        const bool b = r.Style.Contains(fsBold), i = r.Style.Contains(fsItalic), u = r.Style.Contains(fsUnderline);
        if (b != bold) out += b ? "\\b " : "\\b0 ";
        bold = b;
        if (i != italic) out += i ? "\\i " : "\\i0 ";
        italic = i;
        if (u != underline) out += u ? "\\ul " : "\\ul0 ";
        underline = u;
        if (r.Color != current) {
            out += "\\cf" + Num(c.ColorNumber(r.Color)) + ' ';
            current = r.Color;
        }
        if (r.Present) out += RTFAsciiText(QString(r.Char));
    }
    return out + "\\plain";
}

bool BlankText(const QString& t) {
    for (QChar ch : t)
        if (ch.unicode() > ' ') return false;
    return true;
}

QByteArray TextCell(const TRTFCellContext& c, double Factor, const TrptIEMObject* o) {
    const TrptIEMStyle& st = *o->Style;
    const TFont& font = *st.Font();
    QByteArray fmt = "\\f" + Num(c.FontNumber(font.Name(), st.Charset)) + "\\fs" + Num(font.Size() * 2);
    if (font.Style().Contains(fsItalic)) fmt += "\\i";
    if (font.Style().Contains(fsBold)) fmt += "\\b";
    if (font.Style().Contains(fsUnderline)) fmt += "\\ul";
    fmt += "\\cf" + Num(c.ColorNumber(font.Color()));
    QByteArray text;
    if (o->IsRichText)
        text = MemoText(o).toLatin1();
    else if (o->HTMLTags)
        text = TagText(c, o);
    else
        text = RTFEncodeText(o->Memo()->Text(), true);
    QByteArray para;
    if (!o->IsRichText && !BlankText(o->Memo()->Text())) {
        const int cs = RoundEven(st.CharSpacing * 15);
        const double sb = st.GapY + st.LineSpacing - 1;
        para = "\\sb" + Num(sb > 0 ? RoundEven(sb * Factor) : 0) + "\\li" + Num(RoundEven(st.GapX / 2 * 15.05)) + "\\fi" +
               Num(RoundEven(st.ParagraphGap * 15.05)) + "\\expnd" + Num(cs / 5) + "\\expndtw" + Num(cs) + "\\sl-" +
               Num(RoundEven((font.Size() * 96.0 / 72.0 + st.LineSpacing) * Factor * 0.98)) + "\\slmult0";
        if (st.WordBreak) para += "\\hyphauto1\\hyphcaps1";
    }
    static const char* const align[] = {"\\ql", "\\qr", "\\qc", "\\qj"};
    const int a = st.HAlign >= haLeft && st.HAlign <= haBlock ? static_cast<int>(st.HAlign) : 0;
    QByteArray cell = align[a] + QByteArray("{") + fmt + para + ' ' + text + "\\cell}";
    while (cell.contains("\\par\r\n\\cell")) cell.replace("\\par\r\n\\cell", "\\cell");
    return cell;
}

void HexLines(QByteArray& out, const char* data, qsizetype size) {
    for (qsizetype i = 0; i < size; i += 64) {
        out += QByteArray(data + i, std::min<qsizetype>(64, size - i)).toHex().toUpper();
        out += "\r\n";
    }
}

QByteArray Hex32(quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4).toHex().toUpper();
}

QByteArray Hex16(quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    return QByteArray(b, 2).toHex().toUpper();
}

// A Windows metafile holding the bitmap in one stretch record.
QByteArray BitmapCell(const TrptIEMObject* o) {
    TBitmap* bmp = o->Image();
    if (!bmp || bmp->Empty()) return "{\\cell}";
    QByteArray file;
    {
        QBuffer buf(&file);
        buf.open(QIODevice::WriteOnly);
        bmp->SaveToStream(buf);
    }
    if (file.size() < 14) return "{\\cell}";
    const quint32 size = qFromLittleEndian<quint32>(file.constData() + 2);
    const quint32 g = size / 2 + 7;
    const auto bw = static_cast<quint16>(bmp->Width()), bh = static_cast<quint16>(bmp->Height());
    QByteArray out = "{\\sb0\\li0\\sl0\\slmult0 {\\pict\\wmetafile8\\picw" + Num(RoundEven(RoundEven(o->Width) * 25.3)) +
                     "\\pich" + Num(RoundEven(RoundEven(o->Height) * 25.3)) + "\\picbmp\\picbpp4\r\n";
    out += "010009000003" + Hex32(g + 36) + "0000" + Hex32(g) + "0000050000000b0200000000050000000c02" + Hex16(bh) +
           Hex16(bw) + "05000000090200000000050000000102ffffff000400000007010300" + Hex32(g) + "430f2000cc000000" +
           Hex16(bh) + Hex16(bw) + "00000000" + Hex16(bh) + Hex16(bw) + "00000000\r\n";
    HexLines(out, file.constData() + 14, file.size() - 14);
    out += "030000000000}\\cell}\r\n";
    return out;
}

QByteArray PictureCell(const TRTFCellContext& c, const TrptIEMObject* o) {
    TMetafile* mf = o->Metafile();
    if (!mf || mf->Width() == 0 || mf->Height() == 0) return "{\\cell}";
    TrptPictureType type = gpPNG;
    const char* kind = "pngblip";
    if (c.PictureType == gpEMF) {
        type = gpEMF;
        kind = "emfblip";
    } else if (c.PictureType == gpJPG) {
        type = gpJPG;
        kind = "jpegblip";
    }
    TMemoryStream ms;
    SaveGraphicToStream(*mf, ms, type);
    const QByteArray bytes = ms.Bytes();
    QByteArray out = "{\\sb0\\li0\\sl0\\slmult0 {\\pict\\picw" + Num(RoundEven(o->Width * 25.3)) + "\\pich" +
                     Num(RoundEven(o->Height * 25.3)) +
                     "\\picscalex98\\picscaley98\\piccropl0\\piccropr0\\piccropt0\\piccropb0\\" + kind + "\r\n";
    HexLines(out, bytes.constData(), bytes.size());
    out += "}\\cell}\r\n";
    return out;
}

} // namespace

QByteArray RTFCellContent(const TRTFCellContext& Context, double Factor, TrptIEMObject* Obj) {
    if (Obj->IsText) return TextCell(Context, Factor, Obj);
    // Every defined cell gets its content, so the row keeps its cells in place.
    if (!Context.ExportPictures) return "{\\cell}";
    if (Context.PictureType == gpBMP) return BitmapCell(Obj);
    return PictureCell(Context, Obj);
}

std::vector<TColor> RTFTagColors(const TrptIEMObject* Obj) {
    std::vector<TColor> colors;
    if (!Obj->Style) return colors;
    const TColor font = Obj->Style->Font()->Color();
    for (const TTagRun& r : ExpandTags(Obj))
        if (r.Color != font && std::find(colors.begin(), colors.end(), r.Color) == colors.end()) colors.push_back(r.Color);
    return colors;
}
