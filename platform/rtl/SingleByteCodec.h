#pragma once
// Table-driven conversion between UTF-16 and an 8-bit Windows code page, for hot paths (element
// names of report files, old single-byte files) where building a converter per call costs too much.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>

class TSingleByteCodec {
public:
    // The converter of a single-byte code page (1250..1258, 874, 866, 437 ...), built once and
    // kept for the process. Multi-byte and unknown code pages raise EConvertError.
    static const TSingleByteCodec& Get(int codePage);

    int CodePage() const { return FCodePage; }
    // Every byte gives one character; bytes the code page leaves undefined give U+0080..U+00FF, as
    // the original platform did for them.
    QString ToUnicode(const char* data, qsizetype size) const;
    QString ToUnicode(const QByteArray& bytes) const { return ToUnicode(bytes.constData(), bytes.size()); }
    QChar ToUnicode(unsigned char byte) const { return QChar(FToUnicode[byte]); }
    // One byte per UTF-16 unit; characters the code page cannot hold become '?'.
    QByteArray FromUnicode(QStringView text) const;
    // The byte of one character, or -1 when the code page cannot hold it.
    int ByteOf(char16_t ch) const;

private:
    explicit TSingleByteCodec(int codePage);
    int FCodePage;
    std::array<char16_t, 256> FToUnicode{};
    std::unique_ptr<unsigned char[]> FFromUnicode; // 65536 entries, 0 = not held (except U+0000)
};
