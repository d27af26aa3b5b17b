// The tag scanner and the element reader. Nothing here recurses, so documents of any depth read
// in constant stack.
#include "report/core/rptXML.h"

#include "platform/rtl/SingleByteCodec.h"
#include "report/core/rptWideStrings.h"

#include <cstring>

namespace {

constexpr Int64 BlockSize = 4096;

const TSingleByteCodec& CurrentCodec() {
    try {
        return TSingleByteCodec::Get(SystemCodePage());
    } catch (const EConvertError&) {
        // A multi-byte system code page has no byte-per-character names; fall back to the default.
        return TSingleByteCodec::Get(1252);
    }
}

bool IsAsciiBytes(const char* data, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return false;
    return true;
}

// The unload marker ld="0" as a whole attribute: at the start of the attribute text, after a blank,
// or right after the closing quote of the attribute before it (as the writer puts it). One at the
// end wins over any before it. Returns its index, -1 when there is none.
qsizetype FindMarker(const char* text, qsizetype size) {
    const char* end = text + size;
    // Where the writer puts it first: at the end, so that a text holding ld="0" itself reads back.
    if (size >= 6 && std::memcmp(end - 4, "=\"0\"", 4) == 0 && (end[-6] | 0x20) == 'l' && (end[-5] | 0x20) == 'd' &&
        (size == 6 || end[-7] == ' ' || end[-7] == '"'))
        return size - 6;
    const char* p = text;
    while (end - p >= 4) {
        const char* q = static_cast<const char*>(memmem(p, static_cast<size_t>(end - p), "=\"0\"", 4));
        if (!q)
            return -1;
        const char* m = q - 2;
        if (m >= text && (m[0] | 0x20) == 'l' && (m[1] | 0x20) == 'd' &&
            (m == text || m[-1] == ' ' || m[-1] == '"'))
            return m - text;
        p = q + 1;
    }
    return -1;
}

} // namespace

struct TrptXMLReader::TTag {
    const char* Name = nullptr;
    qsizetype NameSize = 0;
    const char* Text = nullptr;
    qsizetype TextSize = 0;
    // End of stream, an empty name or a name beginning with "/": no element starts here.
    bool IsEnd() const { return NameSize == 0 || Name[0] == '/'; }
};

// Element names repeat; each distinct one is decoded once and then shared.
struct TrptXMLReader::TNameCache {
    struct TSlot {
        QByteArray Key;
        QString Value;
    };
    TSlot Slots[512];
};

TrptXMLReader::TrptXMLReader(TStream& stream)
    : FStream(stream), FCodec(CurrentCodec()), FNames(std::make_unique<TNameCache>()) {
    FBlockPos = stream.Position();
    FSize = stream.Size();
    if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&stream)) {
        const char* data = static_cast<const char*>(static_cast<const TCustomMemoryStream*>(memory)->Memory());
        const Int64 start = std::min(FBlockPos, FSize);
        FDirect = true;
        FBlock = FPos = data + start;
        FEnd = data + FSize;
        FBlockPos = start;
    } else {
        FBuffer = std::make_unique<char[]>(BlockSize);
        FBlock = FPos = FEnd = FBuffer.get();
    }
}

TrptXMLReader::~TrptXMLReader() {
    try {
        FStream.SetPosition(Position());
    } catch (...) {
        // A stream that cannot seek keeps its position; destructors do not throw.
    }
}

bool TrptXMLReader::Refill() {
    if (FDirect)
        return false;
    FBlockPos += FEnd - FBlock;
    const Int64 want = std::min(BlockSize, FSize - FBlockPos);
    if (want <= 0) {
        FBlock = FPos = FEnd = FBuffer.get();
        return false;
    }
    const Int64 got = FStream.Read(FBuffer.get(), want);
    FBlock = FPos = FBuffer.get();
    FEnd = FBlock + std::max<Int64>(got, 0);
    return got > 0;
}

void TrptXMLReader::RaiseException() {
    QString fileName;
    if (auto* file = dynamic_cast<TFileStream*>(&FStream))
        fileName = file->FileName();
    throw TrptInvalidXMLException(Position(), fileName);
}

// Reads the next tag. Returns false at the end of the stream (the tag is then empty); raises for
// a "<" inside a tag and for the end of the stream inside a tag. Comments are skipped.
bool TrptXMLReader::NextTag(TTag& tag) {
    tag = TTag();
    for (;;) {
        // Outside a tag: everything up to the next "<" is skipped (text between tags included).
        for (;;) {
            if (FPos == FEnd && !Refill())
                return false;
            const char* lt = static_cast<const char*>(std::memchr(FPos, '<', static_cast<size_t>(FEnd - FPos)));
            if (lt) {
                FPos = lt + 1;
                break;
            }
            FPos = FEnd;
        }
        // Inside a tag.
        FTagBuf.resize(0);
        const char* start = FPos;
        bool comment = false;
        const char* tagBytes = nullptr;
        qsizetype tagSize = 0;
        char first[3];
        int firstCount = 0;
        if (FEnd - FPos >= 3 && FPos[0] != '<' && FPos[0] != '>' && FPos[1] != '<' && FPos[1] != '>' &&
            FPos[2] != '<' && FPos[2] != '>') {
            comment = FPos[0] == '!' && FPos[1] == '-' && FPos[2] == '-';
            FPos += 3;
            firstCount = 3;
        }
        while (!comment) {
            if (firstCount < 3) {
                // The first three bytes decide whether this is a comment.
                if (FPos == FEnd) {
                    FTagBuf.append(start, FPos - start);
                    if (!Refill())
                        RaiseException();
                    start = FPos;
                    continue;
                }
                const char c = *FPos;
                if (c == '<')
                    RaiseException();
                if (c == '>') {
                    FTagBuf.append(start, FPos - start);
                    ++FPos;
                    tagBytes = FTagBuf.constData();
                    tagSize = FTagBuf.size();
                    break;
                }
                ++FPos;
                first[firstCount++] = c;
                if (firstCount == 3 && first[0] == '!' && first[1] == '-' && first[2] == '-')
                    comment = true;
                continue;
            }
            const char* gt = static_cast<const char*>(std::memchr(FPos, '>', static_cast<size_t>(FEnd - FPos)));
            const char* stop = gt ? gt : FEnd;
            if (const char* lt = static_cast<const char*>(std::memchr(FPos, '<', static_cast<size_t>(stop - FPos)))) {
                FPos = lt;
                RaiseException();
            }
            if (gt) {
                FPos = gt + 1;
                if (FTagBuf.isEmpty()) {
                    tagBytes = start;
                    tagSize = gt - start;
                } else {
                    FTagBuf.append(start, gt - start);
                    tagBytes = FTagBuf.constData();
                    tagSize = FTagBuf.size();
                }
                break;
            }
            FTagBuf.append(start, FEnd - start);
            FPos = FEnd;
            if (!Refill())
                RaiseException();
            start = FPos;
        }
        if (!comment) {
            // One trailing blank is dropped; the first blank parts the name from the attributes.
            if (tagSize > 0 && tagBytes[tagSize - 1] == ' ')
                --tagSize;
            const char* blank = static_cast<const char*>(std::memchr(tagBytes, ' ', static_cast<size_t>(tagSize)));
            tag.Name = tagBytes;
            if (blank) {
                tag.NameSize = blank - tagBytes;
                tag.Text = blank + 1;
                tag.TextSize = tagBytes + tagSize - tag.Text;
            } else {
                tag.NameSize = tagSize;
            }
            return true;
        }
        // Inside a comment: "--" followed by ">" ends it, but a third dash starts the count again,
        // so "--->" does not.
        int dashes = 0;
        bool ended = false;
        while (!ended) {
            if (FPos == FEnd && !Refill())
                return false;
            const char c = *FPos++;
            if (c == '-')
                dashes = dashes == 2 ? 0 : dashes + 1;
            else if (c == '>' && dashes == 2)
                ended = true;
            else
                dashes = 0;
        }
    }
}

QString TrptXMLReader::DecodeName(const char* data, qsizetype size) {
    if (size == 0)
        return QString();
    unsigned h = 2166136261u;
    for (qsizetype i = 0; i < size; ++i)
        h = (h ^ static_cast<unsigned char>(data[i])) * 16777619u;
    TNameCache::TSlot& slot = FNames->Slots[h % std::size(FNames->Slots)];
    if (slot.Key.size() == size && std::memcmp(slot.Key.constData(), data, static_cast<size_t>(size)) == 0)
        return slot.Value;
    slot.Key = QByteArray(data, size);
    slot.Value = IsAsciiBytes(data, size) ? QString::fromLatin1(data, size) : FCodec.ToUnicode(data, size);
    return slot.Value;
}

QString TrptXMLReader::DecodeText(const char* data, qsizetype size) const {
    if (size == 0)
        return QString();
    return FOldFormat ? FCodec.ToUnicode(data, size) : QString::fromUtf8(data, size);
}

// An end tag (or the end of the stream, which closes every open element) must match the element.
bool TrptXMLReader::SameEndName(const TTag& tag, const QString& name) {
    if (tag.NameSize == 0)
        return true;
    const QString endName = DecodeName(tag.Name + 1, tag.NameSize - 1);
    return endName == name || QString::compare(endName, name, Qt::CaseInsensitive) == 0;
}

void TrptXMLReader::ReadHeader() {
    TTag tag;
    NextTag(tag);
    if (tag.NameSize < 4 || std::memcmp(tag.Name, "?xml", 4) != 0)
        RaiseException();
    const QByteArray text(tag.Text, tag.TextSize);
    const QByteArray lower = text.toLower();
    QByteArray version;
    const qsizetype v = lower.indexOf("version=");
    if (v >= 0)
        version = text.mid(v + 9, 3);
    // Old files said version 1.0 without "standalone" and held single-byte attribute text.
    FOldFormat = version == "1.0" && lower.indexOf("standalone=") < 0;
}

void TrptXMLReader::SkipChildren(const QString& name) {
    // Reads the element's content as the full read would, checking its end tags, but keeps nothing.
    std::vector<QString> open{name};
    TTag tag;
    while (!open.empty()) {
        NextTag(tag);
        if (tag.IsEnd()) {
            if (!SameEndName(tag, open.back()))
                RaiseException();
            open.pop_back();
            continue;
        }
        const bool childless = tag.Name[tag.NameSize - 1] == '/' || (tag.TextSize > 0 && tag.Text[tag.TextSize - 1] == '/');
        if (!childless)
            open.push_back(DecodeName(tag.Name, tag.NameSize));
    }
}

void TrptXMLReader::ReadRootItem(TrptXMLItem* item, bool readChildren) {
    struct TFrame {
        TrptXMLItem* Item;
    };
    std::vector<TFrame> open;
    TTag tag;
    // Takes a start tag into the item. Returns whether children follow.
    auto start = [&](TrptXMLItem* it, Int64 position) -> bool {
        const char* name = tag.Name;
        qsizetype nameSize = tag.NameSize;
        const char* text = tag.Text;
        qsizetype textSize = tag.TextSize;
        bool childless = false;
        if (name[nameSize - 1] == '/') {
            --nameSize;
            childless = true;
        } else if (textSize > 0 && text[textSize - 1] == '/') {
            --textSize;
            childless = true;
        }
        it->FName = DecodeName(name, nameSize);
        const qsizetype marker = textSize >= 6 ? FindMarker(text, textSize) : -1;
        if (marker < 0) {
            it->FText = DecodeText(text, textSize);
        } else {
            // The writer puts the marker right after the attribute text, so dropping it from the end
            // gives that text back exactly.
            qsizetype cut = marker, cutEnd = marker + 6;
            if (cutEnd != textSize) {
                if (marker > 0 && text[marker - 1] == ' ')
                    --cut;
                else if (marker == 0 && cutEnd < textSize && text[cutEnd] == ' ')
                    ++cutEnd;
            }
            QByteArray rest(text, cut);
            rest.append(text + cutEnd, textSize - cutEnd);
            it->FText = DecodeText(rest.constData(), rest.size());
            if (FReadBack)
                it->FUnloadable = true;
            if (!readChildren) {
                if (!childless)
                    SkipChildren(it->FName);
                it->FreeChildren();
                it->FOffset = position;
                it->FUnloadable = true;
                it->FLoaded = false;
                it->SetBacking(FBacking);
                return false;
            }
        }
        return !childless;
    };

    Int64 position = Position();
    if (!NextTag(tag) || tag.IsEnd()) {
        // No element starts here (an end tag, or nothing before the end of the stream).
        item->FName.clear();
        item->FText.clear();
        return;
    }
    if (!start(item, position))
        return;
    open.push_back({item});
    while (!open.empty()) {
        position = Position();
        NextTag(tag);
        TrptXMLItem* parent = open.back().Item;
        if (tag.IsEnd()) {
            if (!SameEndName(tag, parent->FName))
                RaiseException();
            open.pop_back();
            continue;
        }
        TrptXMLItem* raw = parent->AppendChild(std::make_unique<TrptXMLItem>());
        if (start(raw, position))
            open.push_back({raw});
    }
}
