// The writer: element trees to bytes, without recursion, through one buffer that goes out in
// pieces of a little over 4 KB.
#include "report/core/rptXML.h"

#include "platform/rtl/SingleByteCodec.h"
#include "report/core/rptWideStrings.h"

#include <cstring>

namespace {

constexpr qsizetype FlushAt = 4096;
// Texts are converted in slices, so a huge text never needs a buffer many times its size.
constexpr qsizetype Slice = 8192;

const char Header[] = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";
constexpr qsizetype HeaderMinorDigit = 17; // the "0" of version="1.0"

const TSingleByteCodec& CurrentCodec() {
    try {
        return TSingleByteCodec::Get(SystemCodePage());
    } catch (const EConvertError&) {
        return TSingleByteCodec::Get(1252);
    }
}

// Control characters that XML 1.0 does not allow at all and XML 1.1 allows only as references.
bool IsRestrictedC0(uint code) { return code >= 1 && code < 0x20 && code != 9 && code != 10 && code != 13; }

// The value of the character reference at text[i] ("&#65;", "&#x41;"), or -1 when there is none.
Int64 ReferenceAt(const char16_t* text, qsizetype size, qsizetype i) {
    if (i + 3 >= size || text[i + 1] != u'#')
        return -1;
    qsizetype k = i + 2;
    int base = 10;
    if (text[k] == u'x' || text[k] == u'X' || text[k] == u'$') {
        base = 16;
        ++k;
    }
    Int64 value = 0;
    const qsizetype digits = k;
    for (; k < size && k - digits < 9; ++k) {
        const char16_t c = text[k];
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && (c | 0x20) >= u'a' && (c | 0x20) <= u'f')
            d = (c | 0x20) - u'a' + 10;
        else
            break;
        value = value * base + d;
    }
    if (k == digits || k >= size || text[k] != u';')
        return -1;
    return value;
}

char* PutCharRef(char* d, uint code) {
    *d++ = '&';
    *d++ = '#';
    char digits[8];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + code % 10);
        code /= 10;
    } while (code);
    while (n)
        *d++ = digits[--n];
    *d++ = ';';
    return d;
}

} // namespace

TrptXMLWriter::TrptXMLWriter(TStream& stream) : FStream(stream), FCodec(CurrentCodec()) {
    FWritePos = stream.Position();
    FCap = FlushAt + Slice * 6 + 1024;
    FBuf = std::make_unique<char[]>(static_cast<size_t>(FCap));
}

char* TrptXMLWriter::Reserve(qsizetype count) {
    if (FLen + count > FCap) {
        const qsizetype cap = std::max(FCap * 2, FLen + count + 1024);
        auto bigger = std::make_unique<char[]>(static_cast<size_t>(cap));
        std::memcpy(bigger.get(), FBuf.get(), static_cast<size_t>(FLen));
        FBuf = std::move(bigger);
        FCap = cap;
    }
    return FBuf.get() + FLen;
}

TrptXMLWriter::~TrptXMLWriter() = default;

void TrptXMLWriter::Flush() {
    if (FLen == 0)
        return;
    if (FMoved) {
        // A read-back moved the stream (it may be the one being written).
        FStream.SetPosition(FWritePos);
        FMoved = false;
    }
    FStream.WriteBuffer(FBuf.get(), FLen);
    FWritePos += FLen;
    FLen = 0;
}

void TrptXMLWriter::PutIndent(int depth) {
    if (!FAutoIndent)
        return;
    const qsizetype n = static_cast<qsizetype>(depth) * 2;
    std::memset(Reserve(n), ' ', static_cast<size_t>(n));
    FLen += n;
}

void TrptXMLWriter::PutLineEnd() {
    if (FAutoIndent) {
        char* d = Reserve(2);
        d[0] = '\r';
        d[1] = '\n';
        FLen += 2;
    }
    if (FLen > FlushAt)
        Flush();
}

void TrptXMLWriter::Refuse(const TrptXMLItem* item, const QString& what, uint code) {
    throw ErptXMLWriteError(QStringLiteral("Cannot write the element \"%1\": its %2 holds the character "
                                           "U+%3, which an XML file cannot hold")
                                .arg(item->Path(), what,
                                     QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
}

// A name the reader would take apart or read as something else (an end tag, a childless element,
// a comment, a second attribute) cannot be written. An empty name is written only for an element
// with nothing in it, which reads back as it was.
void TrptXMLWriter::CheckName(const TrptXMLItem* item) {
    const QString& name = item->Name();
    QString fault;
    if (name.isEmpty()) {
        if (item->Count() > 0 || !item->Text().isEmpty() || !item->Value().isEmpty() || item->FUnloadable)
            fault = QStringLiteral("it has no name");
    } else if (name.startsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('/'))) {
        fault = QStringLiteral("its name begins or ends with \"/\"");
    } else if (name.startsWith(QLatin1String("!--"))) {
        fault = QStringLiteral("its name begins a comment");
    } else {
        for (QChar c : name)
            if (c == u' ' || c == u'<' || c == u'>')
                fault = QStringLiteral("its name holds \"%1\"").arg(c);
    }
    if (!fault.isEmpty())
        throw ErptXMLWriteError(QStringLiteral("Cannot write the element \"%1\": %2").arg(item->Path(), fault));
}

// Element names go out one byte per character in the system code page.
void TrptXMLWriter::PutName(const TrptXMLItem* item) {
    const QString& name = item->Name();
    const qsizetype n = name.size();
    char* d = Reserve(n);
    const char16_t* s = reinterpret_cast<const char16_t*>(name.constData());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c >= 0x20 && c < 0x80) {
            d[i] = static_cast<char>(c);
        } else if (c < 0x20) {
            Refuse(item, QStringLiteral("name"), c);
        } else {
            const int b = FCodec.ByteOf(c);
            d[i] = b < 0 ? '?' : static_cast<char>(b);
        }
    }
    FLen += n;
}

// Attribute text and values go out as UTF-8 as they stand, except characters that the file's
// version would not allow raw: control characters but tab, line feed and carriage return, and
// DEL and the C1 controls, become character references; C0 ones make the file version 1.1.
// Characters that no version allows raise.
void TrptXMLWriter::PutText(const QString& text, const TrptXMLItem* item, bool value) {
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype stop = std::min(n, i + Slice);
        if (stop < n && QChar::isHighSurrogate(s[stop - 1]))
            ++stop; // keep a pair together
        char* d = Reserve((stop - i) * 6 + 16);
        while (i < stop) {
            const char16_t c = s[i];
            if (c < 0x80) {
                if (c >= 0x20 && c != u'&' && c != 0x7F) {
                    *d++ = static_cast<char>(c);
                } else if (c == u'&') {
                    const Int64 ref = ReferenceAt(s, n, i);
                    if (ref == 0)
                        Refuse(item, value ? QStringLiteral("value") : QStringLiteral("attribute text"), 0);
                    if (ref > 0 && IsRestrictedC0(static_cast<uint>(ref)))
                        FNeedsVersion11 = true;
                    *d++ = '&';
                } else if (c == u'\t' || c == u'\n' || c == u'\r') {
                    *d++ = static_cast<char>(c);
                } else if (c == 0) {
                    Refuse(item, value ? QStringLiteral("value") : QStringLiteral("attribute text"), 0);
                } else {
                    if (c != 0x7F)
                        FNeedsVersion11 = true;
                    d = PutCharRef(d, c);
                }
                ++i;
            } else if (c < 0x800) {
                if (c <= 0x9F) {
                    d = PutCharRef(d, c);
                } else {
                    *d++ = static_cast<char>(0xC0 | (c >> 6));
                    *d++ = static_cast<char>(0x80 | (c & 0x3F));
                }
                ++i;
            } else if (QChar::isSurrogate(c)) {
                if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
                    const char32_t u = QChar::surrogateToUcs4(c, s[i + 1]);
                    *d++ = static_cast<char>(0xF0 | (u >> 18));
                    *d++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
                    *d++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
                    *d++ = static_cast<char>(0x80 | (u & 0x3F));
                    i += 2;
                    if (i > stop)
                        stop = i;
                } else {
                    Refuse(item, value ? QStringLiteral("value") : QStringLiteral("attribute text"), c);
                }
            } else {
                if (c >= 0xFFFE)
                    Refuse(item, value ? QStringLiteral("value") : QStringLiteral("attribute text"), c);
                *d++ = static_cast<char>(0xE0 | (c >> 12));
                *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                *d++ = static_cast<char>(0x80 | (c & 0x3F));
                ++i;
            }
        }
        FLen = d - FBuf.get();
        if (FLen > FlushAt && i < n)
            Flush();
    }
}

void TrptXMLWriter::PutEndTag(const TrptXMLItem* item) {
    std::memcpy(Reserve(2), "</", 2);
    FLen += 2;
    PutName(item);
    *Reserve(1) = '>';
    ++FLen;
}

void TrptXMLWriter::WriteHeader() {
    const qsizetype n = sizeof(Header) - 1;
    FVersionPos = FWritePos + FLen + HeaderMinorDigit;
    std::memcpy(Reserve(n), Header, n);
    FLen += n;
    PutLineEnd();
}

bool TrptXMLWriter::FetchBack(TrptXMLItem* item) {
    if (item->FLoaded || !item->FUnloadable)
        return false;
    const std::shared_ptr<TrptXMLBacking> backing = item->Backing();
    TStream* stream = backing ? backing->Stream : FTempStream;
    if (!stream)
        return false;
    const QString text = item->FText;
    stream->SetPosition(item->FOffset);
    {
        TrptXMLReader reader(*stream);
        reader.SetOldFormat(backing && backing->OldFormat);
        reader.FBacking = backing;
        reader.FReadBack = true;
        reader.ReadRootItem(item, true);
    }
    item->FText = text;
    item->FLoaded = true;
    FMoved = true;
    return true;
}

void TrptXMLWriter::WriteRootItem(TrptXMLItem* root) {
    struct TFrame {
        TrptXMLItem* Item;
        int Next;
        bool Fetched;
    };
    std::vector<TFrame> open;
    // Writes the start tag (and the whole element when it has no children); returns whether
    // children follow.
    auto start = [&](TrptXMLItem* item, int depth) -> bool {
        const bool fetched = FetchBack(item);
        CheckName(item);
        PutIndent(depth);
        *Reserve(1) = '<';
        ++FLen;
        PutName(item);
        const QString& text = item->Text();
        if (!text.isEmpty() || item->FUnloadable) {
            if (!text.startsWith(QLatin1Char(' '))) {
                *Reserve(1) = ' ';
                ++FLen;
            }
            // A start tag whose text ends in "/" (one blank after it aside) reads as a childless
            // element, so before content that slash goes as a reference.
            qsizetype slash = text.size() - 1;
            if (slash > 0 && text.at(slash) == u' ')
                --slash;
            if (!item->FUnloadable && (item->Count() > 0 || !item->Value().isEmpty()) && slash >= 0 &&
                text.at(slash) == u'/') {
                PutText(text.left(slash), item, false);
                std::memcpy(Reserve(5), "&#47;", 5);
                FLen += 5;
                PutText(text.mid(slash + 1), item, false);
            } else {
                PutText(text, item, false);
            }
            if (item->FUnloadable) {
                std::memcpy(Reserve(6), "ld=\"0\"", 6);
                FLen += 6;
            }
        }
        if (item->Count() > 0) {
            *Reserve(1) = '>';
            ++FLen;
            PutLineEnd();
            open.push_back({item, 0, fetched});
            return true;
        }
        if (item->Value().isEmpty()) {
            std::memcpy(Reserve(2), "/>", 2);
            FLen += 2;
        } else {
            *Reserve(1) = '>';
            ++FLen;
            PutText(item->Value(), item, true);
            PutEndTag(item);
        }
        PutLineEnd();
        if (fetched)
            item->Clear();
        return false;
    };

    start(root, 0);
    while (!open.empty()) {
        TFrame& top = open.back();
        if (top.Next < top.Item->Count()) {
            TrptXMLItem* child = top.Item->FItems[static_cast<size_t>(top.Next++)];
            start(child, static_cast<int>(open.size()));
            continue;
        }
        TrptXMLItem* item = top.Item;
        const bool fetched = top.Fetched;
        open.pop_back();
        PutIndent(static_cast<int>(open.size()));
        PutEndTag(item);
        PutLineEnd();
        if (fetched)
            item->Clear();
    }
    if (FNeedsVersion11 && FVersionPos >= 0) {
        // Known only now: the texts held control characters that only version 1.1 allows.
        if (FVersionPos >= FWritePos) {
            FBuf[static_cast<size_t>(FVersionPos - FWritePos)] = '1';
        } else {
            Flush();
            FStream.SetPosition(FVersionPos);
            FStream.WriteBuffer("1", 1);
            FMoved = true;
        }
        FVersionPos = -1;
    }
    Flush();
    if (FMoved) {
        FStream.SetPosition(FWritePos);
        FMoved = false;
    }
}
