#include "report/export/rptPDFFont.h"

#include "report/export/rptTrueTypeCollection.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const char kHex[] = "0123456789ABCDEF";

void AddHex4(QByteArray& out, ushort u) {
    const char d[4] = {kHex[u >> 12], kHex[(u >> 8) & 15], kHex[(u >> 4) & 15], kHex[u & 15]};
    out.append(d, 4);
}

quint32 Be32(const QByteArray& d, qsizetype at) {
    if (at < 0 || at + 4 > d.size()) return 0;
    const auto* p = reinterpret_cast<const uchar*>(d.constData() + at);
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
}

// Where the face's table directory starts: 0 for a single font, the face's entry in a collection.
qsizetype FaceOffset(const QByteArray& d, int index) {
    if (!d.startsWith("ttcf")) return 0;
    const quint32 faces = Be32(d, 8);
    if (index < 0 || quint32(index) >= faces) return -1;
    return Be32(d, 12 + 4 * qsizetype(index));
}

// One face of a collection as a font file of its own: its directory and its tables, each padded
// to four bytes. Empty when the directory points outside the file.
QByteArray StandaloneFace(const QByteArray& d, qsizetype at) {
    const int tables = static_cast<int>(Be32(d, at + 4) >> 16);
    if (tables <= 0 || at + 12 + 16 * qsizetype(tables) > d.size()) return {};
    QByteArray out = d.mid(at, 12 + 16 * qsizetype(tables));
    for (int i = 0; i < tables; ++i) {
        const qsizetype rec = at + 12 + 16 * qsizetype(i);
        const quint32 offset = Be32(d, rec + 8), length = Be32(d, rec + 12);
        if (qint64(offset) + length > d.size()) return {};
        const quint32 placed = static_cast<quint32>(out.size());
        uchar* r = reinterpret_cast<uchar*>(out.data() + 12 + 16 * qsizetype(i) + 8);
        r[0] = uchar(placed >> 24), r[1] = uchar(placed >> 16), r[2] = uchar(placed >> 8), r[3] = uchar(placed);
        out.append(d.constData() + offset, length);
        while (out.size() % 4)
            out.append('\0');
    }
    return out;
}

} // namespace

QByteArray PdfNameText(const QByteArray& Name) {
    QByteArray r;
    r.reserve(Name.size() + 8);
    for (char c : Name) {
        const auto u = static_cast<unsigned char>(c);
        const bool delimiter = std::strchr("()<>[]{}/%#", c) != nullptr;
        if (u < 33 || u > 126 || delimiter) {
            r.append('#').append(kHex[u >> 4]).append(kHex[u & 15]);
        } else
            r.append(c);
    }
    return r;
}

TrptPDFFont::TrptPDFFont(TFontFacePtr AFace, const QString& ReportName, bool Bold, bool Italic)
    : FFace(std::move(AFace)), FReportName(ReportName), FBold(Bold), FItalic(Italic) {
    FUnitsPerEm = FFace && FFace->Metrics().UnitsPerEm > 0 ? FFace->Metrics().UnitsPerEm : 1000;
    const int glyphs = FFace ? std::max(FFace->Metrics().GlyphCount, 1) : 1;
    FSlot.assign(static_cast<size_t>(std::min(glyphs, 65536)), 0);
}

quint16 TrptPDFFont::GlyphOf(char16_t ch) {
    if (FCharGlyph.empty()) FCharGlyph.assign(65536, 0);
    qint32& g = FCharGlyph[ch];
    if (g == 0) g = static_cast<qint32>(FFace->GlyphIndex(ch) & 0xFFFF) + 1;
    return static_cast<quint16>(g - 1);
}

void TrptPDFFont::UseGlyph(quint16 Glyph, const QString& Chars) {
    if (Glyph >= FSlot.size()) FSlot.resize(static_cast<size_t>(Glyph) + 1, 0);
    int& slot = FSlot[Glyph];
    if (slot == 0) {
        FUsedAlphabet.push_back(Glyph);
        FWidths.push_back(GlyphWidth(Glyph));
        FUnicode.push_back(Chars);
        slot = static_cast<int>(FUsedAlphabet.size());
    } else if (FUnicode[static_cast<size_t>(slot - 1)].isEmpty() && !Chars.isEmpty())
        FUnicode[static_cast<size_t>(slot - 1)] = Chars;
}

int TrptPDFFont::GlyphWidth(quint16 Glyph) const {
    return static_cast<int>(std::lround(UnitsToThousandths(FFace->GlyphAdvance(Glyph))));
}

QByteArray TrptPDFFont::BaseFontName(bool Embedded, bool SimulatedStyle) const {
    if (Embedded && IsCFF()) {
        // Embedded whole: a subset tag would claim otherwise.
        QByteArray ps = FFace->PostScriptName().toLatin1();
        if (ps.isEmpty()) ps = FFace->Family().toLatin1();
        return PdfNameText(ps);
    }
    if (Embedded) {
        // The tag follows from the glyph set, so one input gives one file.
        quint32 h = 2166136261u;
        for (quint16 g : FUsedAlphabet)
            h = (h ^ g) * 16777619u;
        QByteArray tag(6, 'A');
        for (int i = 0; i < 6; ++i) {
            tag[i] = static_cast<char>('A' + h % 26);
            h /= 26;
        }
        QByteArray ps = FFace->PostScriptName().toLatin1();
        if (ps.isEmpty()) ps = FFace->Family().toLatin1();
        return PdfNameText(tag + '+' + ps);
    }
    QByteArray name = FReportName.toUtf8();
    if (!SimulatedStyle) {
        QByteArray suffix;
        if (FBold) suffix += "Bold";
        if (FItalic) suffix += "Italic";
        if (!suffix.isEmpty()) name += ',' + suffix;
    }
    return PdfNameText(name);
}

QByteArray TrptPDFFont::ToUnicodeCMap(const QByteArray& CMapName) const {
    QByteArray s;
    s.reserve(400 + static_cast<qsizetype>(FUsedAlphabet.size()) * 20);
    s += "/CIDInit /ProcSet findresource begin\r\n12 dict begin\r\nbegincmap\r\n/CIDSystemInfo\r\n"
         "<< /Registry (Adobe)\r\n/Ordering (UCS)\r\n/Supplement 0\r\n>> def\r\n";
    s += "/CMapName /" + CMapName + " def\r\n";
    s += "/CMapType 2 def\r\n1 begincodespacerange\r\n<0000> <FFFF>\r\nendcodespacerange\r\n";
    // Glyphs that stand for no character (the second glyph of a split cluster) get no entry.
    std::vector<size_t> mapped;
    for (size_t i = 0; i < FUsedAlphabet.size(); ++i)
        if (!FUnicode[i].isEmpty()) mapped.push_back(i);
    for (size_t from = 0; from < mapped.size(); from += 100) {
        const size_t to = std::min(mapped.size(), from + 100);
        s += QByteArray::number(static_cast<qulonglong>(to - from)) + " beginbfchar\r\n";
        for (size_t k = from; k < to; ++k) {
            const size_t i = mapped[k];
            s += '<';
            AddHex4(s, FUsedAlphabet[i]);
            s += "> <";
            for (QChar c : FUnicode[i])
                AddHex4(s, c.unicode());
            s += ">\r\n";
        }
        s += "endbfchar\r\n";
    }
    s += "endcmap\r\nCMapName currentdict /CMap defineresource pop\r\nend\r\nend\r\n";
    return s;
}

bool TrptPDFFont::IsCFF() const {
    const QByteArray& data = FFace->FileData();
    const qsizetype at = FaceOffset(data, FFace->FaceIndex());
    return at >= 0 && at + 4 <= data.size() && std::memcmp(data.constData() + at, "OTTO", 4) == 0;
}

QByteArray TrptPDFFont::FontFile(QStringList* Problems) const {
    const QByteArray& data = FFace->FileData();
    if (IsCFF()) {
        const qsizetype at = FaceOffset(data, FFace->FaceIndex());
        if (at == 0) return data;
        const QByteArray face = StandaloneFace(data, at);
        if (face.isEmpty() && Problems)
            Problems->append(QStringLiteral("%1: the face's tables lie outside the file.").arg(FFace->FilePath()));
        return face;
    }
    if (!PackFont) return data;
    try {
        TrueTypeCollection collection;
        collection.Initialize(data);
        QList<quint16> glyphs;
        glyphs.reserve(static_cast<qsizetype>(FUsedAlphabet.size()) + 1);
        glyphs.append(0);
        for (quint16 g : FUsedAlphabet)
            glyphs.append(g);
        const QByteArray subset = collection.PackFont(FFace->FaceIndex(), glyphs);
        if (Problems) *Problems += collection.Problems();
        if (!subset.isEmpty()) return subset;
    } catch (const std::exception& e) {
        if (Problems) Problems->append(QStringLiteral("%1: %2").arg(FFace->FilePath(), QString::fromUtf8(e.what())));
    }
    return data;
}
