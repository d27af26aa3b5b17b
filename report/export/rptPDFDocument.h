#pragma once
// The byte level of the PDF writer: number texts, a growing byte buffer for page content and a
// buffered writer over the output stream that knows its own position (for the cross-reference
// table), plus the small records the document keeps per page, picture, font and link.
//
// Every number with a fraction is written with two decimals and "." (rounded half away from zero,
// as the report's fixed-point formatting does); integers as plain decimal. Lines end in CR LF.

#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"
#include "report/export/rptPDFFont.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// Two-decimal fixed point into out (at least 32 bytes); returns the end. -3.5 gives "-3.50",
// -0.001 gives "0.00", 0.125 gives "0.13".
char* PdfFloatText(char* out, double value);
QByteArray PdfFloat(double value);
char* PdfIntText(char* out, qint64 value);

// Appends ASCII pieces and numbers without intermediate strings.
class TrptPDFBuffer {
public:
    TrptPDFBuffer& Add(char c) {
        FData.append(c);
        return *this;
    }
    TrptPDFBuffer& Add(const char* s, qsizetype n) {
        FData.append(s, n);
        return *this;
    }
    template <qsizetype N> TrptPDFBuffer& Add(const char (&s)[N]) { return Add(s, N - 1); }
    TrptPDFBuffer& Add(const QByteArray& s) {
        FData.append(s);
        return *this;
    }
    // Two decimals.
    TrptPDFBuffer& Num(double v);
    TrptPDFBuffer& Int(qint64 v);
    // Two numbers separated by a blank: a point.
    TrptPDFBuffer& Pt(double x, double y) { return Num(x).Add(' ').Num(y); }
    TrptPDFBuffer& Eol() { return Add("\r\n", 2); }
    template <qsizetype N> TrptPDFBuffer& Line(const char (&s)[N]) { return Add(s, N - 1).Eol(); }

    const QByteArray& Bytes() const { return FData; }
    qsizetype Size() const { return FData.size(); }
    bool Empty() const { return FData.isEmpty(); }
    void Clear() { FData.clear(); }
    // Keeps the capacity for the next page.
    void Reset() { FData.resize(0); }

protected:
    QByteArray FData;
};

// Writes to a stream through the buffer; Position counts the bytes written so far from the
// stream's position at Open. Large blocks (pictures, deflated streams) go out directly.
class TrptPDFWriter : public TrptPDFBuffer {
public:
    void Open(TStream* Stream);
    // Writes what is buffered; Close also forgets the stream (it does not free it).
    void Flush();
    void Close();
    bool Active() const { return FStream != nullptr; }
    Int64 Position() const { return FBase + FData.size(); }
    void Block(const char* data, qsizetype n);
    void Block(const QByteArray& data) { Block(data.constData(), data.size()); }
    // Flushes once the buffer has grown past its working size.
    void Check() {
        if (FData.size() >= kChunk) Flush();
    }

private:
    static constexpr qsizetype kChunk = 64 * 1024;
    TStream* FStream = nullptr;
    Int64 FBase = 0;
};

using TrptPDFXObjectHash = std::array<std::uint8_t, 16>;

// A picture written as an image object: its number and the MD5 of its JPEG data.
struct TrptPDFXObject {
    int ObjId = 0;
    TrptPDFXObjectHash Hash{};
};

// One exported page.
class TrptPDFPage {
public:
    double Height = 0; // points
};


// A link annotation collected while a page is written and written out at the end.
class TrptPDFAnnot {
public:
    int Number = 0;
    QByteArray Rect;
    QByteArray Hyperlink;
    int DestPage = 0;
    int DestY = 0;
};

// "<FEFF" + four upper-case hex digits per UTF-16 code unit + ">".
QByteArray PdfHexTextString(const QString& s);
// "\" before "(", ")" and "\"; CR as "\r", LF as "\n"; other bytes as they are.
QByteArray PdfEscapeLiteral(const QByteArray& s);
