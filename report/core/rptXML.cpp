// Escaping, elements and the document. The reader and the writer are in rptXMLReader.cpp and
// rptXMLWriter.cpp.
#include "report/core/rptXML.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/ClassBuilder.h"
#include "platform/sys/TempFiles.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

KORVEL_CLASS_INFO(TrptXMLItem) {}
KORVEL_CLASS_INFO(TrptXMLDocument) {}

TrptInvalidXMLException::TrptInvalidXMLException(Int64 position, const QString& fileName)
    : Exception(fileName.isEmpty()
                    ? QStringLiteral("Invalid file format")
                    : QStringLiteral("Invalid file format: \"%1\" (byte %2)").arg(fileName).arg(position)),
      FPosition(position), FFileName(fileName) {}

// =============================================================================================
// Texts

namespace {

bool NeedsEscape(char16_t c) {
    if (c < 0x20)
        return c != u'\t';
    return c == u'"' || c == u'&' || c == u'<' || c == u'>';
}

} // namespace

QString EscapeXMLText(const QString& s) {
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && !NeedsEscape(p[i]))
        ++i;
    if (i == n)
        return s;
    // Two passes: the exact length first, so the result is allocated once and holds no slack.
    static const char16_t quotEntity[] = u"&quot;";
    const auto isQuotEntity = [&](qsizetype k) {
        return n - k >= 6 && std::memcmp(p + k, quotEntity, 6 * sizeof(char16_t)) == 0;
    };
    qsizetype length = i;
    for (qsizetype k = i; k < n; ++k) {
        const char16_t c = p[k];
        if (!NeedsEscape(c))
            ++length;
        else if (c == u'&' && isQuotEntity(k)) {
            length += 5;
            k += 5;
        } else
            length += c < 10 ? 4 : 5; // "&#N;" or "&#NN;"
    }
    QString out(length, Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    std::memcpy(d, p, static_cast<size_t>(i) * sizeof(char16_t));
    d += i;
    const auto put = [&](char16_t code) {
        *d++ = u'&';
        *d++ = u'#';
        if (code >= 10)
            *d++ = static_cast<char16_t>(u'0' + code / 10);
        *d++ = static_cast<char16_t>(u'0' + code % 10);
        *d++ = u';';
    };
    for (; i < n; ++i) {
        const char16_t c = p[i];
        if (!NeedsEscape(c)) {
            *d++ = c;
        } else if (c == u'&' && isQuotEntity(i)) {
            // An entity quote already in the text reads back as one double quote.
            put(u'"');
            i += 5;
        } else {
            // Line breaks, quote, ampersand, angle brackets; other control characters but tab
            // too, for which the writer declares version 1.1.
            put(c);
        }
    }
    return out;
}

QString UnescapeXMLText(const QString& s) {
    qsizetype amp = s.indexOf(QLatin1Char('&'));
    if (amp < 0)
        return s;
    const qsizetype n = s.size();
    QString out;
    out.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        if (amp < 0)
            amp = n;
        out.append(s.constData() + i, amp - i);
        i = amp;
        if (i >= n)
            break;
        const QStringView rest = QStringView(s).mid(i);
        if (rest.size() > 1 && rest[1] == u'#') {
            const qsizetype semi = s.indexOf(QLatin1Char(';'), i + 2);
            if (semi >= 0) {
                const int code = StrToInt(s.mid(i + 2, semi - i - 2));
                if (code >= 0 && code <= 0xFFFF)
                    out += QChar(static_cast<char16_t>(code));
                else if (code > 0xFFFF && code <= 0x10FFFF)
                    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                else
                    out += QChar(QChar::ReplacementCharacter);
                i = semi + 1;
            } else {
                out += QLatin1Char('&');
                ++i;
            }
        } else if (rest.startsWith(u"&quot;")) {
            out += QLatin1Char('"');
            i += 6;
        } else if (rest.startsWith(u"&amp;")) {
            out += QLatin1Char('&');
            i += 5;
        } else if (rest.startsWith(u"&lt;")) {
            out += QLatin1Char('<');
            i += 4;
        } else if (rest.startsWith(u"&gt;")) {
            out += QLatin1Char('>');
            i += 4;
        } else {
            out += QLatin1Char('&');
            ++i;
        }
        amp = s.indexOf(QLatin1Char('&'), i);
    }
    return out;
}

QString VariantToXMLText(const Variant& value) {
    switch (value.VType()) {
    case varSmallint:
    case varInteger:
    case varByte: return QString::number(value.RawInt());
    case varSingle:
    case varDouble: return FloatToStr(value.RawDouble());
    case varCurrency: return FloatToStr(static_cast<double>(value.RawInt()) / 10000.0);
    case varDate: return DateToStr(value.RawDouble());
    case varOleStr:
    case varVariant:
    case varString:
    case varUString: return EscapeXMLText(value.ToString());
    case varBoolean: return value.ToBool() ? QStringLiteral("1") : QStringLiteral("0");
    default: return QString();
    }
}

// =============================================================================================
// TrptXMLItem

namespace {

bool IsAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// Names compare ignoring case by the user's locale; plain ASCII names need no collator.
bool SameNameText(const QString& a, const QString& b) {
    if (a.size() == b.size() && QString::compare(a, b, Qt::CaseInsensitive) == 0)
        return true;
    if (IsAscii(a) && IsAscii(b))
        return false;
    return AnsiSameText(a, b);
}

bool SameCharIgnoringCase(char16_t a, char16_t b) {
    if (a == b)
        return true;
    if (a < 0x80 && b < 0x80)
        return (a | 0x20) == (b | 0x20) && (a | 0x20) >= u'a' && (a | 0x20) <= u'z';
    return QChar::toUpper(a) == QChar::toUpper(b);
}

// Where the attribute begins in the text: its whole name, ignoring case, followed by =" at the start
// of the text or after a blank. -1 when there is none.
qsizetype FindAttribute(const QString& text, const QString& name) {
    const char16_t* t = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* m = reinterpret_cast<const char16_t*>(name.constData());
    const qsizetype n = text.size();
    const qsizetype len = name.size();
    for (qsizetype p = 0; p + len + 2 <= n; ++p) {
        if (p > 0 && t[p - 1] != u' ')
            continue;
        if (t[p + len] != u'=' || t[p + len + 1] != u'"')
            continue;
        qsizetype k = 0;
        while (k < len && SameCharIgnoringCase(t[p + k], m[k]))
            ++k;
        if (k == len)
            return p;
    }
    return -1;
}

// Index just after the attribute's closing quote (the end of the text when it has none).
qsizetype AttributeEnd(const QString& text, qsizetype valueStart) {
    const qsizetype q = text.indexOf(QLatin1Char('"'), valueStart);
    return q < 0 ? text.size() : q + 1;
}

// Children leave their parent's list themselves when freed; this is the one place that frees them.
void FreeItem(TrptXMLItem* item) { std::unique_ptr<TrptXMLItem> owned(item); }

} // namespace

TrptXMLItem::TrptXMLItem() = default;

TrptXMLItem::TRare& TrptXMLItem::Rare() {
    if (!FRare)
        FRare = std::make_unique<TRare>();
    return *FRare;
}

const QString& TrptXMLItem::Value() const {
    static const QString empty;
    return FRare ? FRare->Value : empty;
}

void TrptXMLItem::SetValue(const QString& value) {
    if (FRare || !value.isEmpty())
        Rare().Value = value;
}

const std::shared_ptr<TrptXMLBacking>& TrptXMLItem::Backing() const {
    static const std::shared_ptr<TrptXMLBacking> none;
    return FRare ? FRare->Backing : none;
}

void TrptXMLItem::SetBacking(const std::shared_ptr<TrptXMLBacking>& backing) {
    if (FRare || backing)
        Rare().Backing = backing;
}

TrptXMLItem::~TrptXMLItem() {
    FreeChildren();
    if (FParent) {
        auto& list = FParent->FItems;
        auto it = std::find(list.rbegin(), list.rend(), this);
        if (it != list.rend())
            list.erase(std::next(it).base());
    }
}

void TrptXMLItem::FreeChildren() {
    if (FItems.empty())
        return;
    // Without recursion, so that a tree of any depth can be freed.
    std::vector<TrptXMLItem*> pending;
    pending.swap(FItems);
    while (!pending.empty()) {
        TrptXMLItem* item = pending.back();
        pending.pop_back();
        if (!item->FItems.empty()) {
            pending.insert(pending.end(), item->FItems.begin(), item->FItems.end());
            item->FItems.clear();
        }
        item->FParent = nullptr;
        FreeItem(item);
    }
}

void TrptXMLItem::Clear() {
    FreeChildren();
    std::vector<TrptXMLItem*>().swap(FItems);
    if (FUnloadable)
        FLoaded = false;
}

TrptXMLItem* TrptXMLItem::AppendChild(std::unique_ptr<TrptXMLItem> item) {
    FItems.push_back(item.get()); // may throw; the item is still owned here then
    item->FParent = this;
    return item.release();
}

TrptXMLItem* TrptXMLItem::Add() {
    return AppendChild(std::make_unique<TrptXMLItem>());
}

TrptXMLItem* TrptXMLItem::Add(const QString& name) {
    TrptXMLItem* item = Add();
    item->FName = name;
    return item;
}

void TrptXMLItem::AddItem(TrptXMLItem* item) {
    if (!item)
        return;
    for (const TrptXMLItem* a = this; a; a = a->FParent)
        if (a == item)
            throw EInvalidOperation(QStringLiteral("An XML element cannot be added to itself or to one of "
                                                   "its own children (\"%1\")")
                                        .arg(item->Path()));
    FItems.push_back(item);
    if (TrptXMLItem* former = item->FParent) {
        auto& list = former->FItems;
        auto it = std::find(list.begin(), list.end(), item);
        if (it != list.end())
            list.erase(it);
    }
    item->FParent = this;
}

void TrptXMLItem::InsertItem(int index, TrptXMLItem* item) {
    AddItem(item);
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    std::rotate(FItems.begin() + index, FItems.end() - 1, FItems.end());
}

int TrptXMLItem::Find(const QString& name) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (SameNameText(FItems[i]->FName, name))
            return static_cast<int>(i);
    return -1;
}

TrptXMLItem* TrptXMLItem::FindItem(const QString& name) {
    const int i = Find(name);
    return i >= 0 ? FItems[static_cast<size_t>(i)] : Add(name);
}

int TrptXMLItem::IndexOf(const TrptXMLItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TrptXMLItem* TrptXMLItem::Root() {
    TrptXMLItem* item = this;
    while (item->FParent)
        item = item->FParent;
    return item;
}

TrptXMLItem* TrptXMLItem::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[static_cast<size_t>(index)];
}

QString TrptXMLItem::GetProp(const QString& name) const {
    const qsizetype p = FindAttribute(FText, name);
    if (p < 0)
        return QString();
    const qsizetype start = p + name.size() + 2;
    const qsizetype end = AttributeEnd(FText, start);
    const qsizetype len = (end > start && end <= FText.size() && FText.at(end - 1) == u'"') ? end - 1 - start
                                                                                         : end - start;
    return UnescapeXMLText(FText.mid(start, len));
}

void TrptXMLItem::SetProp(const QString& name, const QString& value) {
    const QString escaped = EscapeXMLText(value);
    const qsizetype p = FindAttribute(FText, name);
    qsizetype at = FText.size();
    if (p >= 0) {
        const qsizetype end = AttributeEnd(FText, p + name.size() + 2);
        FText.remove(p, end - p);
        at = p;
    }
    const bool blank = at > 0 && FText.at(at - 1) != u' ';
    if (at == FText.size()) {
        // Appending, the common case: one growth of the text and no temporary.
        const qsizetype need = FText.size() + blank + name.size() + escaped.size() + 3;
        if (FText.capacity() < need)
            FText.reserve(std::max({need, FText.size() * 2, qsizetype(64)})); // room for the next few
        if (blank)
            FText += QLatin1Char(' ');
        FText += name;
        FText += QLatin1String("=\"");
        FText += escaped;
        FText += QLatin1Char('"');
        return;
    }
    QString attr;
    attr.reserve(blank + name.size() + escaped.size() + 3);
    if (blank)
        attr += QLatin1Char(' ');
    attr += name;
    attr += QLatin1String("=\"");
    attr += escaped;
    attr += QLatin1Char('"');
    FText.insert(at, attr);
}

bool TrptXMLItem::PropExists(const QString& name) const { return FindAttribute(FText, name) >= 0; }

void TrptXMLItem::DeleteProp(const QString& name) {
    const qsizetype p = FindAttribute(FText, name);
    if (p < 0)
        return;
    const qsizetype end = AttributeEnd(FText, p + name.size() + 2);
    // The blank that separated it from the next attribute goes with it.
    FText.remove(p, std::min(end + 1, FText.size()) - p);
}

QString TrptXMLItem::Path() const {
    QStringList names;
    for (const TrptXMLItem* a = this; a; a = a->FParent)
        names.prepend(a->FName);
    return names.join(QLatin1Char('/'));
}

// =============================================================================================
// TrptXMLDocument

namespace {

// The temporary file, opened by its descriptor so that nobody else can slip a file in between.
class TTempFileStream : public THandleStream {
public:
    explicit TTempFileStream(int fd) { FHandle = fd; }
};

void ReleaseBacking(std::shared_ptr<TrptXMLBacking>& backing) {
    if (!backing)
        return;
    backing->Stream = nullptr;
    backing->Owned.reset();
    if (!backing->TempFileName.isEmpty())
        QFile::remove(backing->TempFileName);
    backing.reset();
}

} // namespace

TrptXMLDocument::TrptXMLDocument() : FRoot(std::make_unique<TrptXMLItem>()) {}

TrptXMLDocument::~TrptXMLDocument() { ReleaseStreams(); }

void TrptXMLDocument::ReleaseStreams() {
    ReleaseBacking(FSource);
    ReleaseBacking(FTemp);
}

QString TrptXMLDocument::TempFile() const { return FTemp ? FTemp->TempFileName : QString(); }

void TrptXMLDocument::Clear() {
    FRoot->Clear();
    ReleaseStreams();
}

void TrptXMLDocument::Swap(TrptXMLDocument& other) {
    std::swap(FRoot, other.FRoot);
    std::swap(FSource, other.FSource);
    std::swap(FTemp, other.FTemp);
    std::swap(FOldVersion, other.FOldVersion);
}

void TrptXMLDocument::LoadFromStream(TStream& stream, bool allowPartialLoading) {
    ReleaseStreams();
    FRoot->Clear();
    FRoot->FOffset = 0;
    TrptXMLReader reader(stream);
    if (allowPartialLoading) {
        FSource = std::make_shared<TrptXMLBacking>();
        FSource->Stream = &stream;
        reader.FBacking = FSource;
    }
    try {
        reader.ReadHeader();
        FOldVersion = reader.OldFormat();
        if (FSource)
            FSource->OldFormat = FOldVersion;
        reader.ReadRootItem(FRoot.get(), !allowPartialLoading);
    } catch (...) {
        // What was read stays; elements left in a stream the caller may now close become empty.
        ReleaseBacking(FSource);
        throw;
    }
}

void TrptXMLDocument::LoadFromFile(const QString& fileName) {
    auto file = std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(*file, true);
    FSource->Owned = std::move(file);
}

void TrptXMLDocument::SaveToStream(TStream& stream) {
    if (FSource && FSource->Stream == &stream) {
        // Writing over the stream that unloaded elements are read from: take them into memory
        // first, then let the stream go.
        const Int64 start = stream.Position();
        std::vector<TrptXMLItem*> pending{FRoot.get()};
        while (!pending.empty()) {
            TrptXMLItem* item = pending.back();
            pending.pop_back();
            if (item->Backing() == FSource)
                LoadItem(item);
            pending.insert(pending.end(), item->FItems.begin(), item->FItems.end());
        }
        ReleaseBacking(FSource);
        stream.SetPosition(start);
    }
    TrptXMLWriter writer(stream);
    writer.SetTempStream(FTemp ? FTemp->Stream : nullptr);
    writer.SetAutoIndent(FAutoIndent);
    writer.WriteHeader();
    writer.WriteRootItem(FRoot.get());
}

void TrptXMLDocument::SaveToFile(const QString& fileName) {
    const QString tmpName = fileName + QStringLiteral(".tmp");
    try {
        TFileStream tmp(tmpName, fmCreate);
        SaveToStream(tmp);
    } catch (...) {
        QFile::remove(tmpName);
        throw;
    }
    // Renaming over the old file replaces it in one step; the document still reads the old one
    // through its open stream until it loads the new one.
    if (std::rename(QFile::encodeName(tmpName).constData(), QFile::encodeName(fileName).constData()) != 0) {
        const int err = errno;
        QFile::remove(tmpName);
        throw EInOutError(QStringLiteral("Cannot replace \"%1\": %2").arg(fileName, QString::fromLocal8Bit(std::strerror(err))));
    }
    LoadFromFile(fileName);
}

void TrptXMLDocument::LoadItem(TrptXMLItem* item) {
    if (!item || item->FLoaded || !item->FUnloadable)
        return;
    std::shared_ptr<TrptXMLBacking> backing = item->Backing();
    if (!backing || !backing->Stream)
        return;
    const QString text = item->FText;
    backing->Stream->SetPosition(item->FOffset);
    TrptXMLReader reader(*backing->Stream);
    reader.SetOldFormat(backing->OldFormat);
    reader.FBacking = backing;
    reader.FReadBack = true;
    reader.ReadRootItem(item, true);
    item->FText = text;
    item->FLoaded = true;
}

void TrptXMLDocument::CreateTempFile() {
    QString folder = FTempDir;
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = TempFolderPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    QByteArray pattern = QFile::encodeName(folder + QStringLiteral("frXXXXXX.tmp"));
    const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
    if (fd < 0)
        throw EInOutError(QStringLiteral("Cannot create a temporary file in \"%1\": %2")
                              .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    auto backing = std::make_shared<TrptXMLBacking>();
    backing->Owned = std::make_unique<TTempFileStream>(fd);
    backing->Stream = backing->Owned.get();
    backing->TempFileName = QFile::decodeName(pattern);
    FTemp = std::move(backing);
}

void TrptXMLDocument::UnloadItem(TrptXMLItem* item) {
    if (!item || !item->FLoaded || !item->FUnloadable)
        return;
    if (!FTemp)
        CreateTempFile();
    TStream& stream = *FTemp->Stream;
    const Int64 end = stream.Seek(0, soEnd);
    {
        TrptXMLWriter writer(stream);
        writer.SetTempStream(FTemp->Stream);
        writer.SetAutoIndent(FAutoIndent);
        writer.WriteRootItem(item);
    }
    item->FOffset = end;
    item->SetBacking(FTemp);
    item->Clear();
}
