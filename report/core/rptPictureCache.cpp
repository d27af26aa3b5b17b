#include "report/core/rptPictureCache.h"

#include "platform/sys/TempFiles.h"
#include "report/core/rptXML.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

KORVEL_CLASS_INFO(TrptPictureCache) {}

// ---------------------------------------------------------------------------------------------
// Segment streams

namespace {

// Requests relative to the end go to the apparent end while one is set.
Int64 Bounded(Int64 position, Int64 count, quint64 end) {
    if (end == 0) return count;
    const Int64 left = static_cast<Int64>(end) - position;
    return left <= 0 ? 0 : std::min(count, left);
}

} // namespace

Int64 TrptMemoryStream::Read(void* buffer, Int64 count) {
    return TMemoryStream::Read(buffer, Bounded(FPosition, count, FSz));
}

Int64 TrptMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
    if (FSz != 0 && origin == soEnd)
        return TCustomMemoryStream::Seek(static_cast<Int64>(FSz) + offset, soBeginning);
    return TCustomMemoryStream::Seek(offset, origin);
}

Int64 TrptMemoryStream::Size() {
    return FSz != 0 ? static_cast<Int64>(FSz) : TMemoryStream::Size();
}

Int64 TrptFileStream::Read(void* buffer, Int64 count) {
    if (FSz == 0) return THandleStream::Read(buffer, count);
    return THandleStream::Read(buffer, Bounded(THandleStream::Seek(0, soCurrent), count, FSz));
}

Int64 TrptFileStream::Seek(Int64 offset, TSeekOrigin origin) {
    if (FSz != 0 && origin == soEnd)
        return THandleStream::Seek(static_cast<Int64>(FSz) + offset, soBeginning);
    return THandleStream::Seek(offset, origin);
}

Int64 TrptFileStream::Size() {
    if (FSz != 0) return static_cast<Int64>(FSz);
    return TStream::Size();
}

// ---------------------------------------------------------------------------------------------
// TrptCacheList

PrptCacheItem TrptCacheList::Add() {
    FItems.emplace_back();
    return &FItems.back();
}

PrptCacheItem TrptCacheList::Get(int index) {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return &FItems[static_cast<size_t>(index)];
}

const TrptCacheItem& TrptCacheList::Get(int index) const {
    return *const_cast<TrptCacheList*>(this)->Get(index);
}

void TrptCacheList::DeleteLast() {
    if (!FItems.empty()) FItems.pop_back();
}

// ---------------------------------------------------------------------------------------------
// TrptPictureCache

namespace {

void SetApparentEnd(TStream* stream, quint64 end) {
    if (auto* m = dynamic_cast<TrptMemoryStream*>(stream))
        m->FSz = end;
    else if (auto* f = dynamic_cast<TrptFileStream*>(stream))
        f->FSz = end;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// Whole pairs of hexadecimal digits into bytes; -1 when all is well, else the 1-based character
// where the text stops being that (an odd length points past its last character).
qsizetype DecodeHex(const QString& text, QByteArray& bytes) {
    const qsizetype n = text.size() / 2;
    bytes.resize(n);
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    char* out = bytes.data();
    for (qsizetype k = 0; k < n; ++k) {
        const int hi = HexDigit(p[2 * k]);
        const int lo = HexDigit(p[2 * k + 1]);
        if (hi < 0 || lo < 0) {
            bytes.clear();
            return 2 * k + (hi < 0 ? 1 : 2);
        }
        out[k] = static_cast<char>(hi * 16 + lo);
    }
    if (text.size() % 2 != 0) {
        bytes.clear();
        return text.size();
    }
    return -1;
}

} // namespace

TrptPictureCache::TrptPictureCache() = default;

TrptPictureCache::~TrptPictureCache() {
    Clear();
}

void TrptPictureCache::Clear() {
    // The temporary files lost their names when they were opened; closing them frees their space.
    FCacheStreamList.clear();
    FTempFile.clear();
    FItems.Clear();
    FDamaged.clear();
    FErrors.clear();
}

void TrptPictureCache::SetUseFileCache(bool Value) {
    if (FCacheStreamList.empty()) FUseFileCache = Value;
}

void TrptPictureCache::SetTempDir(const QString& Value) {
    if (FCacheStreamList.empty()) FTempDir = Value;
}

void TrptPictureCache::AddSegment() {
    TSegment segment;
    if (FUseFileCache) {
        // A folder that is gone falls back to the temporary one, as the prepared report's own
        // temporary file does (both come from the same engine option).
        QString folder = FTempDir;
        if (folder.isEmpty() || !QDir(folder).exists()) folder = TempFolderPath();
        if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
        QByteArray pattern = QFile::encodeName(folder + QStringLiteral("rptPicXXXXXX.tmp"));
        const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
        if (fd < 0)
            throw EFCreateError(
                QStringLiteral("Cannot create a temporary picture file in \"%1\": %2")
                    .arg(QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(errno))));
        // Unnamed at once: the file lives as long as the segment and is gone however the program ends.
        ::unlink(pattern.constData());
        segment.Stream = std::make_unique<TrptFileStream>(fd);
        FTempFile << QFile::decodeName(pattern);
    } else {
        segment.Stream = std::make_unique<TrptMemoryStream>();
    }
    FCacheStreamList.push_back(std::move(segment));
}

int TrptPictureCache::Store(const char* Data, Int64 Size) {
    bool added = false;
    if (FCacheStreamList.empty() || FCacheStreamList.back().End >= FSegmentLimit ||
        FCacheStreamList.back().Closed) {
        AddSegment();
        added = true;
    }
    TSegment& segment = FCacheStreamList.back();
    const Int64 offset = segment.End;
    try {
        segment.Stream->Seek(offset, soBeginning);
        segment.Stream->WriteBuffer(Data, Size);
    } catch (...) {
        if (added) {
            if (FUseFileCache) FTempFile.removeLast();
            FCacheStreamList.pop_back();
        } else {
            // Cut off what was written of this picture; when even that fails the segment takes no
            // more, and its pictures still end at End.
            try {
                segment.Stream->SetSize(offset);
            } catch (...) {
                segment.Closed = true;
            }
        }
        throw;
    }
    segment.End = offset + Size;
    PrptCacheItem item = FItems.Add();
    item->Segment = static_cast<qint32>(FCacheStreamList.size() - 1);
    item->Offset = static_cast<qint32>(offset);
    return FItems.Count();
}

int TrptPictureCache::AddPicture(const TPicture& Picture) {
    return AddPicture(Picture.Graphic());
}

int TrptPictureCache::AddPicture(const TGraphic* Graphic) {
    if (!Graphic) return 0;
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const_cast<TGraphic*>(Graphic)->SaveToStream(buffer);
    }
    return Store(bytes.constData(), bytes.size());
}

bool TrptPictureCache::ItemRange(int ImageIndex, TStream*& Stream, Int64& Offset, Int64& Size) {
    if (ImageIndex < 1 || ImageIndex > FItems.Count()) return false;
    const TrptCacheList& items = FItems;
    const TrptCacheItem& item = items.Get(ImageIndex - 1);
    const TSegment& segment = FCacheStreamList[static_cast<size_t>(item.Segment)];
    Stream = segment.Stream.get();
    Offset = item.Offset;
    if (ImageIndex < items.Count() && items.Get(ImageIndex).Segment == item.Segment)
        Size = items.Get(ImageIndex).Offset - Offset;
    else
        Size = segment.End - Offset;
    return true;
}

TrptCachedPicture TrptPictureCache::GetPicture(int ImageIndex, const TrptPictureReader& Reader) {
    if (FCacheStreamList.empty()) return cpNoSegment;
    TStream* stream = nullptr;
    Int64 offset = 0;
    Int64 size = 0;
    if (!ItemRange(ImageIndex, stream, offset, size) || size == 0 || FDamaged.contains(ImageIndex))
        return cpEmpty;
    stream->Seek(offset, soBeginning);
    SetApparentEnd(stream, static_cast<quint64>(offset + size));
    struct TReset {
        TStream* S;
        ~TReset() { SetApparentEnd(S, 0); }
    } reset{stream};
    try {
        Reader(*stream);
    } catch (const Exception& e) {
        Damaged(ImageIndex, e.Message());
        return cpEmpty;
    }
    return cpLoaded;
}

TrptCachedPicture TrptPictureCache::GetPicture(int ImageIndex, TPicture& Picture) {
    const TrptCachedPicture found = GetPicture(ImageIndex, [&Picture](TStream& s) {
        QByteArray bytes = s.ReadAll();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        Picture.LoadFromStream(buffer);
    });
    if (found == cpEmpty) Picture.Clear();
    return found;
}

QByteArray TrptPictureCache::PictureBytes(int ImageIndex) {
    TStream* stream = nullptr;
    Int64 offset = 0;
    Int64 size = 0;
    if (!ItemRange(ImageIndex, stream, offset, size)) return {};
    stream->Seek(offset, soBeginning);
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    stream->ReadBuffer(bytes.data(), size);
    return bytes;
}

void TrptPictureCache::SaveToXML(TrptXMLItem* Item) {
    if (!Item) return;
    Item->Clear();
    for (int k = 1; k <= FItems.Count(); ++k) {
        const QByteArray hex = PictureBytes(k).toHex().toUpper();
        // Hexadecimal text needs no escaping, so the attribute text is built directly.
        QString text;
        text.reserve(hex.size() + 9);
        text += QLatin1String("stream=\"");
        text += QLatin1String(hex);
        text += QLatin1Char('"');
        Item->Add(QStringLiteral("item"))->SetText(text);
    }
}

void TrptPictureCache::LoadFromXML(TrptXMLItem* Item) {
    Clear();
    if (!Item) return;
    for (int i = 0; i < Item->Count(); ++i) {
        QByteArray bytes;
        const qsizetype bad = DecodeHex(Item->Items(i)->GetProp(QStringLiteral("stream")), bytes);
        const int index = Store(bytes.constData(), bytes.size());
        if (bad >= 0)
            Damaged(
                index,
                QStringLiteral("its \"stream\" attribute is not hexadecimal text at character %1").arg(bad));
    }
}

void TrptPictureCache::Damaged(int ImageIndex, const QString& Why) {
    if (FDamaged.contains(ImageIndex)) return;
    FDamaged.insert(ImageIndex);
    const QString message =
        QStringLiteral("Picture %1 of the prepared report cannot be read (%2); it is shown empty.")
            .arg(ImageIndex)
            .arg(Why);
    FErrors << message;
    DoError(message);
}

void TrptPictureCache::DoError(const QString& Message) {
    if (OnError) OnError(Message);
}
