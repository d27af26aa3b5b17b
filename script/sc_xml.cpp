#include "script/sc_xml.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextCase.h"

#include "platform/rtl/Streams.h"

#include <algorithm>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Attribute escaping

QString EncodeAttributeValue(const QString& value) {
    QString r;
    r.reserve(value.size() + 8);
    for (QChar c : value) {
        switch (c.unicode()) {
        case 10:
        case 13:
        case '"':
        case '<':
        case '>':
        case '&':
            r += QLatin1String("&#") + QString::number(c.unicode()) + QLatin1Char(';');
            break;
        default:
            r += c;
        }
    }
    return r;
}

namespace {

// Parses "&#...;" at i (i at the ampersand); gives the code point and the reference's length.
bool ParseCharRef(const QString& s, int i, uint& code, int& length) {
    const int n = s.size();
    int j = i + 2;
    int base = 10;
    if (j < n && (s[j] == u'x' || s[j] == u'X')) {
        base = 16;
        ++j;
    }
    const int digitsStart = j;
    quint64 v = 0;
    while (j < n && v <= 0x10FFFF) {
        const char16_t u = s[j].unicode();
        int d = -1;
        if (u >= '0' && u <= '9')
            d = u - '0';
        else if (base == 16 && u >= 'a' && u <= 'f')
            d = u - 'a' + 10;
        else if (base == 16 && u >= 'A' && u <= 'F')
            d = u - 'A' + 10;
        if (d < 0) break;
        v = v * base + d;
        ++j;
    }
    if (j == digitsStart || j >= n || s[j] != u';' || v > 0x10FFFF) return false;
    code = static_cast<uint>(v);
    length = j + 1 - i;
    return true;
}

} // namespace

QString DecodeAttributeValue(const QString& value) {
    if (!value.contains(u'&')) return value;
    QString r;
    r.reserve(value.size());
    const int n = value.size();
    int i = 0;
    while (i < n) {
        const QChar c = value[i];
        if (c == u'&') {
            uint code = 0;
            int length = 0;
            if (i + 1 < n && value[i + 1] == u'#' && ParseCharRef(value, i, code, length)) {
                if (QChar::requiresSurrogates(code)) {
                    r += QChar(QChar::highSurrogate(code));
                    r += QChar(QChar::lowSurrogate(code));
                } else {
                    r += QChar(static_cast<char16_t>(code));
                }
                i += length;
                continue;
            }
            if (QStringView(value).mid(i + 1, 5) == QLatin1String("quot;")) {
                r += u'"';
                i += 6;
                continue;
            }
        }
        r += c;
        ++i;
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// TscXMLItem

TscXMLItem::~TscXMLItem() {
    Clear();
}

void TscXMLItem::Clear() {
    // Children go from the last, each detached first so nothing points back at a freed list.
    while (!FItems.empty()) {
        std::unique_ptr<TscXMLItem> child = std::move(FItems.back());
        FItems.pop_back();
        child->FParent = nullptr;
    }
    FItems.shrink_to_fit();
}

TscXMLItem* TscXMLItem::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[static_cast<size_t>(index)].get();
}

TscXMLItem* TscXMLItem::Add() {
    auto item = std::make_unique<TscXMLItem>();
    TscXMLItem* r = item.get();
    AddItem(std::move(item));
    return r;
}

void TscXMLItem::AddItem(std::unique_ptr<TscXMLItem> item) {
    item->FParent = this;
    FItems.push_back(std::move(item));
}

void TscXMLItem::AddItem(TscXMLItem* item) {
    if (!item) return;
    std::unique_ptr<TscXMLItem> owned;
    if (TscXMLItem* old = item->FParent) {
        const int i = old->IndexOf(item);
        owned = old->Extract(i);
    } else {
        owned.reset(item);
    }
    AddItem(std::move(owned));
}

// Added as the last child first (taking it from its previous parent), then moved into place.
void TscXMLItem::InsertItem(int index, std::unique_ptr<TscXMLItem> item) {
    AddItem(std::move(item));
    MoveLastTo(index);
}

void TscXMLItem::InsertItem(int index, TscXMLItem* item) {
    if (!item) return;
    AddItem(item);
    MoveLastTo(index);
}

void TscXMLItem::MoveLastTo(int index) {
    index = std::clamp(index, 0, Count() - 1);
    auto owned = std::move(FItems.back());
    FItems.pop_back();
    FItems.insert(FItems.begin() + index, std::move(owned));
}

std::unique_ptr<TscXMLItem> TscXMLItem::Extract(int index) {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    std::unique_ptr<TscXMLItem> r = std::move(FItems[static_cast<size_t>(index)]);
    FItems.erase(FItems.begin() + index);
    r->FParent = nullptr;
    return r;
}

void TscXMLItem::Free() {
    if (FParent) {
        const int i = FParent->IndexOf(this);
        FParent->Extract(i); // the returned owner frees the element
    }
}

int TscXMLItem::Find(const QString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)]->FName.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

TscXMLItem* TscXMLItem::FindItem(const QString& name) {
    const int i = Find(name);
    if (i >= 0) return FItems[static_cast<size_t>(i)].get();
    TscXMLItem* r = Add();
    r->FName = name;
    return r;
}

TscXMLItem* TscXMLItem::Root() {
    TscXMLItem* r = this;
    while (r->FParent)
        r = r->FParent;
    return r;
}

int TscXMLItem::IndexOf(const TscXMLItem* item) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)].get() == item) return i;
    return -1;
}

void TscXMLItem::Assign(const TscXMLItem* item) {
    Clear();
    if (!item) return;
    FName = item->FName;
    FText = item->FText;
    FData = item->FData;
    for (const auto& child : item->FItems)
        Add()->Assign(child.get());
}

// Attribute names match ignoring ASCII case, only at the start of the text or behind a blank.
int TscXMLItem::FindAttr(const QString& name, int* valueStart) const {
    if (name.isEmpty()) return -1;
    const QString text = QLatin1Char(' ') + UpperCase(FText);
    const QString key = QLatin1Char(' ') + UpperCase(name) + QLatin1String("=\"");
    const int i = text.indexOf(key);
    if (i < 0) return -1;
    *valueStart = i + key.size() - 1; // index into FText
    return i;                         // the name's first letter in FText
}

QString TscXMLItem::GetProp(const QString& name) const {
    int start = 0;
    if (FindAttr(name, &start) < 0) return QString();
    const int end = FText.indexOf(u'"', start);
    if (end < 0) return QString();
    return DecodeAttributeValue(FText.mid(start, end - start));
}

bool TscXMLItem::PropExists(const QString& name) const {
    int start = 0;
    return FindAttr(name, &start) >= 0;
}

void TscXMLItem::SetProp(const QString& name, const QString& value) {
    const QString attr = name + QLatin1String("=\"") + EncodeAttributeValue(value) + QLatin1Char('"');
    int start = 0;
    const int at = FindAttr(name, &start);
    if (at >= 0) {
        const int end = FText.indexOf(u'"', start);
        const int stop = end < 0 ? FText.size() : end + 1;
        FText.replace(at, stop - at, attr);
        return;
    }
    if (!FText.isEmpty() && !FText.endsWith(u' ')) FText += u' ';
    FText += attr;
}

// ---------------------------------------------------------------------------------------------
// TscXMLDocument

TscXMLDocument::TscXMLDocument() : FRoot(std::make_unique<TscXMLItem>()) {}

TscXMLDocument::~TscXMLDocument() = default;

void TscXMLDocument::LoadFromStream(TStream& stream) {
    FRoot->Clear();
    TscXMLReader reader(stream);
    reader.ReadHeader();
    reader.ReadRootItem(FRoot.get());
}

void TscXMLDocument::SaveToStream(TStream& stream) const {
    TscXMLWriter writer(stream, FAutoIndent);
    writer.WriteHeader();
    writer.WriteRootItem(FRoot.get());
}

void TscXMLDocument::LoadFromFile(const QString& fileName) {
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    try {
        LoadFromStream(f);
    } catch (const EStreamError&) {
        throw;
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("%1 (%2, byte %3)").arg(e.Message(), fileName).arg(f.Position()));
    }
}

void TscXMLDocument::SaveToFile(const QString& fileName) const {
    TFileStream f(fileName, fmCreate);
    SaveToStream(f);
}

void TscXMLDocument::LoadFromBytes(const QByteArray& data) {
    TBytesStream b(data);
    LoadFromStream(b);
}

QByteArray TscXMLDocument::SaveToBytes() const {
    TBytesStream b;
    SaveToStream(b);
    return b.Bytes();
}

// ---------------------------------------------------------------------------------------------
// TscXMLReader

namespace {
constexpr int BlockSize = 4096;
}

TscXMLReader::TscXMLReader(TStream& stream) : FStream(stream) {
    FBuffer.resize(BlockSize);
    FPosition = stream.Position();
    FSize = stream.Size();
}

TscXMLReader::~TscXMLReader() {
    try {
        FStream.SetPosition(FPosition);
    } catch (...) {
    }
}

void TscXMLReader::SetPosition(qint64 value) {
    FPosition = value;
    FBufPos = FBufEnd = 0;
    FStream.SetPosition(value);
}

void TscXMLReader::RaiseException() const {
    throw Exception(QStringLiteral("Invalid file format"));
}

bool TscXMLReader::ReadByte(char& c) {
    if (FBufPos >= FBufEnd) {
        const qint64 n = FStream.Read(FBuffer.data(), BlockSize);
        if (n <= 0) return false;
        FBufPos = 0;
        FBufEnd = static_cast<int>(n);
    }
    c = FBuffer[FBufPos++];
    ++FPosition;
    return true;
}

bool TscXMLReader::ReadTag(QString& name, QString& text) {
    char c = 0;
    for (;;) {
        do {
            if (!ReadByte(c)) {
                name.clear();
                text.clear();
                return false;
            }
        } while (c != '<');
        FTag.clear();
        bool comment = false;
        int dashes = 0;
        for (;;) {
            if (!ReadByte(c)) RaiseException();
            if (comment) {
                if (dashes >= 2) {
                    if (c == '>') break;
                    dashes = 0;
                } else if (c == '-') {
                    ++dashes;
                } else {
                    dashes = 0;
                }
                continue;
            }
            if (c == '>') break;
            if (c == '<') RaiseException();
            FTag.append(c);
            if (FTag.size() == 3 && FTag == "!--") comment = true;
        }
        if (!comment) break;
    }
    if (FTag.endsWith(' ')) FTag.chop(1);
    const int blank = FTag.indexOf(' ');
    if (blank < 0) {
        name = QString::fromUtf8(FTag);
        text.clear();
    } else {
        name = QString::fromUtf8(FTag.constData(), blank);
        text = QString::fromUtf8(FTag.constData() + blank + 1, FTag.size() - blank - 1);
    }
    return true;
}

void TscXMLReader::ReadHeader() {
    QString name, text;
    ReadTag(name, text);
    if (!name.startsWith(QLatin1String("?xml"))) RaiseException();
}

void TscXMLReader::ReadRootItem(TscXMLItem* item) {
    QString name, text;
    ReadTag(name, text);
    item->SetName(name);
    item->SetText(text);
    if (name.isEmpty() || name.startsWith(u'/')) return;
    auto selfClosing = [](QString& n, QString& t) {
        if (n.endsWith(u'/')) {
            n.chop(1);
            return true;
        }
        if (t.endsWith(u'/')) {
            t.chop(1);
            return true;
        }
        return false;
    };
    if (selfClosing(name, text)) {
        item->SetName(name);
        item->SetText(text);
        return;
    }
    // Open elements are kept on an explicit stack so deep documents cannot exhaust the call stack.
    std::vector<TscXMLItem*> open{item};
    while (!open.empty()) {
        if (!ReadTag(name, text)) return; // data ended: open elements are closed
        if (name.isEmpty() || name.startsWith(u'/')) {
            if (name.isEmpty() || name.mid(1).compare(open.back()->Name(), Qt::CaseInsensitive) != 0)
                RaiseException();
            open.pop_back();
            continue;
        }
        const bool closed = selfClosing(name, text);
        TscXMLItem* child = open.back()->Add();
        child->SetName(name);
        child->SetText(text);
        if (!closed) {
            if (static_cast<int>(open.size()) >= MaxDepth) RaiseException();
            open.push_back(child);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// TscXMLWriter

TscXMLWriter::TscXMLWriter(TStream& stream, bool autoIndent) : FAutoIndent(autoIndent), FStream(stream) {}

TscXMLWriter::~TscXMLWriter() {
    try {
        Flush();
    } catch (...) {
    }
}

void TscXMLWriter::Flush() {
    if (FBuffer.isEmpty()) return;
    const QByteArray out = std::exchange(FBuffer, QByteArray());
    FStream.WriteBuffer(out.constData(), out.size());
}

void TscXMLWriter::WriteLine(const QByteArray& line, int level) {
    if (FAutoIndent) FBuffer.append(QByteArray(level * 2, ' '));
    FBuffer.append(line);
    if (FAutoIndent) FBuffer.append("\r\n");
    if (FBuffer.size() > BlockSize) Flush();
}

void TscXMLWriter::WriteHeader() {
    WriteLine("<?xml version=\"1.0\"?>", 0);
}

void TscXMLWriter::WriteItem(const TscXMLItem* item, int level) {
    QByteArray line = "<" + item->Name().toUtf8();
    if (!item->Text().isEmpty()) {
        if (!item->Text().startsWith(u' ')) line += ' ';
        line += item->Text().toUtf8();
    }
    if (item->Count() == 0) {
        WriteLine(line + "/>", level);
        return;
    }
    WriteLine(line + ">", level);
    for (int i = 0; i < item->Count(); ++i)
        WriteItem(item->Items(i), level + 1);
    WriteLine("</" + item->Name().toUtf8() + ">", level);
}

void TscXMLWriter::WriteRootItem(const TscXMLItem* item) {
    WriteItem(item, 0);
    Flush();
}
