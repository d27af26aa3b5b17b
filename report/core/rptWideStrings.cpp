#include "report/core/rptWideStrings.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtti/Filer.h"
#include "platform/sys/Language.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <iconv.h>

// =============================================================================================
// TrptWideStrings

TrptWideStrings::~TrptWideStrings() { Clear(); }

void TrptWideStrings::OutOfBounds() {
    throw EStringListError(QStringLiteral("Wide String Out of Bounds"));
}

QString TrptWideStrings::Get(int index) const {
    if (index < 0 || index >= Count()) return QString();
    return FWideStringList[static_cast<size_t>(index)].FString;
}

void TrptWideStrings::Put(int index, const QString& s) { Insert(index, s); }

void TrptWideStrings::Insert(int index, const QString& s) {
    if (index >= 0 && index < Count())
        FWideStringList[static_cast<size_t>(index)].FString = s;
    else if (index == Count())
        FWideStringList.push_back(TEntry{s, nullptr});
    else
        OutOfBounds();
}

void TrptWideStrings::InsertObject(int index, const QString& s, TObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

TObject* TrptWideStrings::GetObject(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FWideStringList[static_cast<size_t>(index)].FObject;
}

void TrptWideStrings::PutObject(int index, TObject* object) {
    if (index < 0 || index >= Count()) return;
    FWideStringList[static_cast<size_t>(index)].FObject = object;
}

int TrptWideStrings::Add(const QString& s) {
    FWideStringList.push_back(TEntry{s, nullptr});
    return Count() - 1;
}

int TrptWideStrings::AddObject(const QString& s, TObject* object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TrptWideStrings::AddStrings(const TStrings& strings) {
    // Copy first: the source may be this very list.
    std::vector<TEntry> items;
    items.reserve(static_cast<size_t>(strings.Count()));
    for (int i = 0; i < strings.Count(); ++i)
        items.push_back(TEntry{strings.Get(i), strings.GetObject(i)});
    FWideStringList.insert(FWideStringList.end(), items.begin(), items.end());
}

void TrptWideStrings::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EStringListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    FWideStringList.erase(FWideStringList.begin() + index);
}

void TrptWideStrings::Clear() { FWideStringList.clear(); }

int TrptWideStrings::IndexOf(const QString& s) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (FWideStringList[static_cast<size_t>(i)].FString == s) return i;
    return -1;
}

void TrptWideStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    CheckIndex(curIndex, Count());
    CheckIndex(newIndex, Count());
    auto first = FWideStringList.begin();
    if (curIndex < newIndex)
        std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
    else
        std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
}

void TrptWideStrings::Assign(const TStrings& source) {
    if (&source == this) return;
    Clear();
    AddStrings(source);
}

void TrptWideStrings::AssignTo(TStrings& dest) const {
    if (&dest == this) return;
    if (auto* wide = dynamic_cast<TrptWideStrings*>(&dest)) {
        wide->Assign(*this);
        return;
    }
    dest.BeginUpdate();
    try {
        dest.Clear();
        for (const TEntry& e : FWideStringList)
            dest.AddObject(e.FString, e.FObject);
    } catch (...) {
        dest.EndUpdate();
        throw;
    }
    dest.EndUpdate();
}

QString TrptWideStrings::GetTextStr() const {
    qsizetype size = 0;
    for (const TEntry& e : FWideStringList)
        size += e.FString.size() + 2;
    QString text;
    text.reserve(size);
    for (const TEntry& e : FWideStringList) {
        text += e.FString;
        text += QLatin1String("\r\n");
    }
    return text;
}

void TrptWideStrings::SetTextStr(const QString& text) {
    Clear();
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
    constexpr char16_t LineSeparator = 0x2028;
    auto isBreak = [](char16_t c) { return c == 0 || c == u'\r' || c == u'\n' || c == LineSeparator; };
    while (p < end && p->unicode() != 0) {
        const QChar* start = p;
        while (p < end && !isBreak(p->unicode()))
            ++p;
        FWideStringList.push_back(TEntry{QString(start, p - start), nullptr});
        if (p < end && p->unicode() == u'\r') ++p;
        if (p < end && p->unicode() == u'\n') ++p;
        if (p < end && p->unicode() == LineSeparator) ++p;
    }
}

namespace {

QString Utf16LE(const QByteArray& bytes) {
    QString s(bytes.size() / 2, Qt::Uninitialized);
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = QChar(static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8)));
    return s;
}

QByteArray ToUtf16LE(const QString& s) {
    QByteArray bytes(s.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        bytes[2 * i] = static_cast<char>(c & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(c >> 8);
    }
    return bytes;
}

} // namespace

void TrptWideStrings::LoadFromStream(TStream& stream, std::optional<TEncoding> encoding) {
    const QByteArray bytes = stream.ReadAll();
    QString text;
    if (encoding)
        text = encoding->GetString(bytes);
    else if (bytes.size() > 2 && static_cast<uchar>(bytes[0]) == 0xFF && static_cast<uchar>(bytes[1]) == 0xFE)
        text = Utf16LE(bytes.mid(2));
    else
        text = AnsiToWideText(bytes, 1, SystemCodePage());
    SetTextStr(text);
}

void TrptWideStrings::LoadFromFile(const QString& fileName, std::optional<TEncoding> encoding) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream, std::move(encoding));
}

void TrptWideStrings::LoadFromWStream(TStream& stream) { SetTextStr(Utf16LE(stream.ReadAll())); }

void TrptWideStrings::SaveToStream(TStream& stream, std::optional<TEncoding> encoding) const {
    const QString text = GetTextStr();
    stream.WriteBytes(encoding ? encoding->GetBytes(text) : ToUtf16LE(text));
}

void TrptWideStrings::SaveToFile(const QString& fileName, std::optional<TEncoding> encoding) const {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream, std::move(encoding));
}

namespace {
enum { ReadWide, ReadAnsi, ReadUtf8 };
}

void TrptWideStrings::ReadStrings(TReader& reader, int kind) {
    Clear();
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        QString s = reader.ReadString();
        // Short and long 8-bit strings come back from the reader one character per byte.
        bool bytewise = true;
        for (QChar c : s)
            bytewise = bytewise && c.unicode() < 256;
        if (bytewise && kind == ReadUtf8)
            s = QString::fromUtf8(s.toLatin1());
        else if (bytewise && kind == ReadAnsi)
            s = AnsiToWideText(s.toLatin1(), 1, SystemCodePage());
        Add(s);
    }
    reader.ReadListEnd();
}

void TrptWideStrings::DefineProperties(TFiler* filer) {
    const bool hasData = Count() > 0;
    filer->DefineProperty(
        QStringLiteral("UTF8W"), [this](TReader& r) { ReadStrings(r, ReadWide); },
        [this](TWriter& w) {
            w.WriteListBegin();
            for (const TEntry& e : FWideStringList)
                w.WriteString(e.FString);
            w.WriteListEnd();
        },
        hasData);
    filer->DefineProperty(QStringLiteral("Strings"), [this](TReader& r) { ReadStrings(r, ReadAnsi); }, {}, false);
    filer->DefineProperty(QStringLiteral("UTF8"), [this](TReader& r) { ReadStrings(r, ReadUtf8); }, {}, false);
}

// =============================================================================================
// Code pages

namespace {

std::atomic<int> GSystemCodePage{0};

constexpr int CP_OEMCP = 1;
constexpr int CP_MACCP = 2;
constexpr int CP_THREAD_ACP = 3;
constexpr int CP_SYMBOL = 42;
constexpr int CP_JOHAB = 1361;

// Qt's converters know every code page the report library meets except Johab, which iconv has.
QString IconvDecode(const char* name, const QByteArray& bytes) {
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw EConvertError(QStringLiteral("Unknown code page %1").arg(QString::fromLatin1(name)));
    QByteArray out;
    QByteArray in = bytes;
    char* inp = in.data();
    size_t inLeft = static_cast<size_t>(in.size());
    char buf[4096];
    while (inLeft > 0) {
        char* outp = buf;
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf, static_cast<qsizetype>(sizeof buf - outLeft));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte the code page does not define reads as U+FFFD; a cut sequence ends the text.
            if (errno == EINVAL) break;
            out.append("\xFD\xFF", 2);
            ++inp;
            --inLeft;
        }
    }
    iconv_close(cd);
    return Utf16LE(out);
}

QByteArray IconvEncode(const char* name, const QString& text) {
    iconv_t cd = iconv_open(name, "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw EConvertError(QStringLiteral("Unknown code page %1").arg(QString::fromLatin1(name)));
    QByteArray out;
    QByteArray in = ToUtf16LE(text);
    char* inp = in.data();
    size_t inLeft = static_cast<size_t>(in.size());
    char buf[4096];
    while (inLeft > 0) {
        char* outp = buf;
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf, static_cast<qsizetype>(sizeof buf - outLeft));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // What the code page cannot hold becomes "?", a surrogate pair as one character.
            const char16_t c = static_cast<char16_t>(static_cast<uchar>(inp[0]) | (static_cast<uchar>(inp[1]) << 8));
            const size_t skip = (QChar::isHighSurrogate(c) && inLeft >= 4) ? 4 : 2;
            out.append('?');
            inp += std::min(skip, inLeft);
            inLeft -= std::min(skip, inLeft);
        }
    }
    iconv_close(cd);
    return out;
}

int ResolveCodePage(int charset, int codePage) {
    if (codePage == 0) codePage = CodePageOfCharset(charset);
    switch (codePage) {
    case CP_OEMCP: return OemCodePage();
    case CP_MACCP: return MacCodePage();
    case CP_THREAD_ACP: return SystemCodePage();
    default: return codePage;
    }
}

} // namespace

int DefaultCodePageOfLangID(unsigned langId) {
    switch (langId) {
    case 1049: case 1058: case 1059: case 1087: case 1067: case 2092: case 1088: case 1064:
        return 1251;
    default:
        return 1252;
    }
}

int SystemCodePage() {
    int cp = GSystemCodePage.load();
    if (cp == 0) {
        cp = DefaultCodePageOfLangID(GetUserDefaultLangID());
        GSystemCodePage.store(cp);
    }
    return cp;
}

void SetSystemCodePage(int codePage) {
    if (codePage != 0) TEncoding::GetEncoding(codePage); // raises for one we cannot convert
    GSystemCodePage.store(codePage);
}

int OemCodePage() { return SystemCodePage() == 1251 ? 866 : 437; }

int MacCodePage() { return SystemCodePage() == 1251 ? 10007 : 10000; }

int CodePageOfCharset(int charset) {
    switch (charset) {
    case 0: return 1252;
    case 1: return SystemCodePage();
    case 2: return CP_SYMBOL;
    case 77: return CP_MACCP;
    case 128: return 932;
    case 129: return 949;
    case 130: return CP_JOHAB;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return CP_OEMCP;
    default:
        throw EOSError(QStringLiteral("System Error. Code: 87. The parameter is incorrect (character set %1)")
                           .arg(charset));
    }
}

QString AnsiToWideText(const QByteArray& s, int charset, int codePage) {
    if (s.isEmpty()) return QString();
    const int cp = ResolveCodePage(charset, codePage);
    if (cp == CP_SYMBOL) {
        // Symbol fonts keep their glyphs in the private-use area above U+F000.
        QString out(s.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < s.size(); ++i) {
            const uchar b = static_cast<uchar>(s[i]);
            out[i] = QChar(static_cast<char16_t>(b < 0x20 ? b : 0xF000 + b));
        }
        return out;
    }
    if (cp == CP_JOHAB) return IconvDecode("JOHAB", s);
    return TEncoding::GetEncoding(cp).GetString(s);
}

QByteArray WideToAnsiText(const QString& ws, int charset, int codePage) {
    if (ws.isEmpty()) return QByteArray();
    const int cp = ResolveCodePage(charset, codePage);
    if (cp == CP_SYMBOL) {
        QByteArray out(ws.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < ws.size(); ++i) {
            const char16_t c = ws.at(i).unicode();
            if (c < 0x20 || (c >= 0xF020 && c <= 0xF0FF))
                out[i] = static_cast<char>(c & 0xFF);
            else if (c < 0x100)
                out[i] = static_cast<char>(c);
            else
                out[i] = '?';
        }
        return out;
    }
    if (cp == CP_JOHAB) return IconvEncode("JOHAB", ws);
    return TEncoding::GetEncoding(cp).GetBytes(ws);
}

QByteArray OemToAnsiText(const QByteArray& s) {
    const QString wide = AnsiToWideText(s, 255, 0);
    QByteArray out = WideToAnsiText(wide, 1, 0);
    // Both sides are single-byte code pages; keep the length whatever the converter did.
    out.resize(s.size(), '?');
    return out;
}

unsigned LocaleOfCharset(int charset) {
    switch (charset) {
    case 128: return 1041;
    case 129: return 1042;
    case 130: return 2066;
    case 134: return 2052;
    case 136: return 3076;
    case 161: return 1032;
    case 162: return 1055;
    case 163: return 1066;
    case 177: return 1037;
    case 178: return 13313;
    case 186: return 1061;
    case 204: return 1049;
    case 222: return 1054;
    case 238: return 1029;
    default: return GetUserDefaultLangID();
    }
}
