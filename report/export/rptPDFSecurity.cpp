#include "report/export/rptPDFSecurity.h"

#include <QList>
#include <QRandomGenerator>

namespace {

// Code points of the bytes 0x18 .. 0x1F and 0x80 .. 0xA0 of the PDF document encoding; 0 where
// the byte stands for no character.
constexpr char16_t kLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t kHigh[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                0x0142, 0x0153, 0x0161, 0x017E, 0x0000, 0x20AC};

// The byte of a code point; -1 when the encoding has none.
int PdfDocByte(char32_t c) {
    if (c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0x7E)) return static_cast<int>(c);
    if (c >= 0xA1 && c <= 0xFF && c != 0xAD) return static_cast<int>(c);
    if (c == 0) return -1;
    for (int i = 0; i < 8; ++i)
        if (kLow[i] == c) return 0x18 + i;
    for (int i = 0; i < 33; ++i)
        if (kHigh[i] == c) return 0x80 + i;
    return -1;
}

} // namespace

QByteArray PDFPasswordFromText(const QString& Text) {
    QByteArray r;
    r.reserve(Text.size());
    const QList<uint> points = Text.toUcs4();
    for (uint c : points) {
        const int b = PdfDocByte(c);
        if (b < 0) {
            const QString code = QStringLiteral("U+") + QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0'));
            const QString what = c >= 0x20 && c != 0x7F
                                     ? QLatin1Char('"') + QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1) +
                                           QStringLiteral("\" (") + code + QLatin1Char(')')
                                     : QStringLiteral("the character ") + code;
            throw EPDFPassword(QStringLiteral("The password cannot hold %1: PDF passwords are limited to Western "
                                              "European letters, digits and punctuation.")
                                   .arg(what));
        }
        r.append(static_cast<char>(b));
    }
    return r;
}

QString PDFPasswordToText(const QByteArray& Bytes) {
    QString r;
    r.reserve(Bytes.size());
    for (char ch : Bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x18 && b <= 0x1F)
            r.append(QChar(kLow[b - 0x18]));
        else if (b >= 0x80 && b <= 0xA0 && kHigh[b - 0x80])
            r.append(QChar(kHigh[b - 0x80]));
        else
            r.append(QChar(b));
    }
    return r;
}

QByteArray RandomPDFOwnerPassword(const QByteArray& UserPassword) {
    QByteArray r(32, Qt::Uninitialized);
    do {
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(r.data()), 8);
    } while (r.left(32) == UserPassword.left(32));
    return r;
}
