#include "report/export/rptPDFDocument.h"

#include "report/core/rptUtils.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

char* WriteHundredths(char* out, qint64 h) {
    if (h < 0) {
        *out++ = '-';
        h = -h;
    }
    out = std::to_chars(out, out + 24, h / 100).ptr;
    *out++ = '.';
    *out++ = static_cast<char>('0' + (h % 100) / 10);
    *out++ = static_cast<char>('0' + h % 10);
    return out;
}

} // namespace

char* PdfFloatText(char* out, double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) {
        // Beyond any page: the report's own formatting decides (general form for huge values).
        const QByteArray t = FloatToTextWithSeparator(2, QLatin1Char('.'), value).toLatin1();
        const qsizetype n = std::min<qsizetype>(t.size(), 31);
        std::memcpy(out, t.constData(), static_cast<size_t>(n));
        return out + n;
    }
    // The only values exactly halfway between two hundredths are odd multiples of 1/8; they round
    // away from zero. Every other value is rounded exactly by to_chars.
    const double eighths = value * 8;
    if (eighths == std::floor(eighths) && std::fmod(eighths, 2.0) != 0) {
        const qint64 twice = static_cast<qint64>(eighths) * 25; // twice the hundredths, odd
        return WriteHundredths(out, (twice + (twice > 0 ? 1 : -1)) / 2);
    }
    char* end = std::to_chars(out, out + 32, value, std::chars_format::fixed, 2).ptr;
    if (out[0] == '-') {
        bool zero = true;
        for (char* p = out + 1; p < end; ++p)
            if (*p != '0' && *p != '.') {
                zero = false;
                break;
            }
        if (zero) {
            std::memmove(out, out + 1, static_cast<size_t>(end - out - 1));
            --end;
        }
    }
    return end;
}

QByteArray PdfFloat(double value) {
    char buf[40];
    return QByteArray(buf, PdfFloatText(buf, value) - buf);
}

char* PdfIntText(char* out, qint64 value) {
    return std::to_chars(out, out + 24, value).ptr;
}

TrptPDFBuffer& TrptPDFBuffer::Num(double v) {
    char buf[40];
    return Add(buf, PdfFloatText(buf, v) - buf);
}

TrptPDFBuffer& TrptPDFBuffer::Int(qint64 v) {
    char buf[24];
    return Add(buf, PdfIntText(buf, v) - buf);
}

void TrptPDFWriter::Open(TStream* Stream) {
    FStream = Stream;
    FBase = Stream ? Stream->Position() : 0;
    FData.resize(0);
    FData.reserve(kChunk + 4096);
}

void TrptPDFWriter::Flush() {
    if (!FStream || FData.isEmpty()) return;
    FStream->WriteBuffer(FData.constData(), FData.size());
    FBase += FData.size();
    FData.resize(0);
}

void TrptPDFWriter::Close() {
    Flush();
    FStream = nullptr;
}

void TrptPDFWriter::Block(const char* data, qsizetype n) {
    if (n < 4096) {
        Add(data, n);
        Check();
        return;
    }
    Flush();
    FStream->WriteBuffer(data, n);
    FBase += n;
}

QByteArray PdfHexTextString(const QString& s) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray r;
    r.reserve(6 + s.size() * 4);
    r.append("<FEFF", 5);
    for (QChar c : s) {
        const ushort u = c.unicode();
        const char d[4] = {hex[u >> 12], hex[(u >> 8) & 15], hex[(u >> 4) & 15], hex[u & 15]};
        r.append(d, 4);
    }
    r.append('>');
    return r;
}

QByteArray PdfEscapeLiteral(const QByteArray& s) {
    QByteArray r;
    r.reserve(s.size() + 8);
    for (char c : s) {
        switch (c) {
        case '(':
        case ')':
        case '\\':
            r.append('\\').append(c);
            break;
        case '\r':
            r.append("\\r", 2);
            break;
        case '\n':
            r.append("\\n", 2);
            break;
        default:
            r.append(c);
        }
    }
    return r;
}
