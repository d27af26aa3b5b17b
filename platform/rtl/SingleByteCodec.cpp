#include "platform/rtl/SingleByteCodec.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <QStringDecoder>

#include <map>
#include <mutex>

namespace {

std::mutex& CodecMutex() {
    static std::mutex m;
    return m;
}

} // namespace

const TSingleByteCodec& TSingleByteCodec::Get(int codePage) {
    std::lock_guard<std::mutex> lock(CodecMutex());
    // Codecs live for the process; callers keep references to them.
    static std::map<int, std::unique_ptr<TSingleByteCodec>> codecs;
    auto it = codecs.find(codePage);
    if (it != codecs.end())
        return *it->second;
    auto codec = std::unique_ptr<TSingleByteCodec>(new TSingleByteCodec(codePage));
    const TSingleByteCodec& ref = *codec;
    codecs.emplace(codePage, std::move(codec));
    return ref;
}

TSingleByteCodec::TSingleByteCodec(int codePage) : FCodePage(codePage) {
    const TEncoding enc = TEncoding::GetEncoding(codePage); // raises for unknown code pages
    if (!enc.IsSingleByte())
        throw EConvertError(QStringLiteral("Code page %1 is not a single-byte code page").arg(codePage));
    const QByteArray name = enc.Name().toLatin1();
    FFromUnicode.reset(new unsigned char[65536]());
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
        const QString s = decoder.decode(QByteArrayView(&byte, 1));
        char16_t ch = static_cast<char16_t>(b);
        if (!decoder.hasError() && s.size() == 1 && s.at(0).unicode() != 0xFFFD)
            ch = s.at(0).unicode();
        FToUnicode[b] = ch;
    }
    // Lower bytes win when two bytes decode to the same character.
    for (int b = 255; b >= 0; --b)
        FFromUnicode[FToUnicode[b]] = static_cast<unsigned char>(b);
}

QString TSingleByteCodec::ToUnicode(const char* data, qsizetype size) const {
    QString out(size, Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    const unsigned char* s = reinterpret_cast<const unsigned char*>(data);
    for (qsizetype i = 0; i < size; ++i)
        d[i] = FToUnicode[s[i]];
    return out;
}

int TSingleByteCodec::ByteOf(char16_t ch) const {
    if (ch == 0)
        return 0;
    const unsigned char b = FFromUnicode[ch];
    return b == 0 ? -1 : b;
}

QByteArray TSingleByteCodec::FromUnicode(QStringView text) const {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* d = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = ByteOf(text[i].unicode());
        d[i] = b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}
