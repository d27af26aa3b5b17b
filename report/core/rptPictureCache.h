#pragma once
// The pictures of a prepared report. Every picture written to a prepared page is appended to a
// segment (a memory stream, or a temporary file when the report asks for it) and the object keeps
// only its 1-based image index; a page that is rebuilt reads the picture back by that index. One
// segment holds many pictures back to back, so reading one hands the segment itself to the loader,
// positioned at the picture and with its apparent end moved to the picture's last byte.
//
// The cache is saved into the prepared-report file as
//   <picturecache><item stream="89504E47..."/>...</picturecache>
// one "item" per picture in index order, its bytes as upper-case hexadecimal text.
//
// Pictures are not shared: adding the same picture twice stores it twice under two indexes.

#include "platform/gfx/Picture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtti/TypInfo.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TrptXMLItem;

// A segment stream whose apparent end can be moved in front of its real end (FSz, 0 = off): a
// request to move by 0 from the end answers FSz without moving, Size answers FSz, and reads stop
// there, so a loader sees one picture and nothing of the next.
class TrptMemoryStream : public TMemoryStream {
public:
    using TStream::Seek;
    Int64 Read(void* buffer, Int64 count) override;
    Int64 Seek(Int64 offset, TSeekOrigin origin) override;
    Int64 Size() override;
    quint64 FSz = 0;
};

// A temporary file opened by its descriptor (nobody can slip another file in under its name).
class TrptFileStream : public THandleStream {
public:
    using TStream::Seek;
    explicit TrptFileStream(int handle) { FHandle = handle; }
    Int64 Read(void* buffer, Int64 count) override;
    Int64 Seek(Int64 offset, TSeekOrigin origin) override;
    Int64 Size() override;
    quint64 FSz = 0;
};

// One cached picture: which segment it is in and where its first byte lies there.
struct TrptCacheItem {
    qint32 Segment = 0;
    qint32 Offset = 0;
};
using PrptCacheItem = TrptCacheItem*;

class TrptCacheList : public TObject {
public:
    // Appends a new item and returns it (valid until the next Add or Clear).
    PrptCacheItem Add();
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError outside 0 .. Count - 1.
    PrptCacheItem Get(int index);
    const TrptCacheItem& Get(int index) const;
    void DeleteLast(); // undoes an Add whose picture could not be stored
private:
    std::vector<TrptCacheItem> FItems;
};

// Reads one picture from a segment that stands at the picture's first byte and ends after its last.
using TrptPictureReader = std::function<void(TStream& stream)>;

// What GetPicture found.
enum TrptCachedPicture {
    cpLoaded,    // the reader read the picture
    cpEmpty,     // no picture there (index out of range, no bytes, damaged): the caller empties its picture
    cpNoSegment, // the cache holds nothing at all: the caller leaves its picture alone
};

class TrptPictureCache : public TObject {
    KORVEL_CLASS(TrptPictureCache, TObject)
public:
    TrptPictureCache();
    ~TrptPictureCache() override;

    // Frees every segment (a temporary file goes with its segment) and every item.
    void Clear();

    // Appends the picture's graphic and returns its image index (number of items after the add);
    // a picture without a graphic gives 0 and stores nothing. When storing fails (a temporary file
    // that cannot be created or written), the error is raised and the cache is as it was before.
    int AddPicture(const TPicture& Picture);
    int AddPicture(const TGraphic* Graphic);
    // Hands the segment holding picture ImageIndex to Reader (see TrptPictureReader). A reader
    // that raises marks the picture damaged: it is reported once through OnError and is empty
    // from then on.
    TrptCachedPicture GetPicture(int ImageIndex, const TrptPictureReader& Reader);
    // Loads picture ImageIndex into Picture by its bytes' format; empties Picture when there is no
    // picture there, leaves it alone when the cache holds nothing.
    TrptCachedPicture GetPicture(int ImageIndex, TPicture& Picture);

    // A picture object (anything with Picture(), ImageIndex(), SetImageIndex() and
    // LoadPictureFromStream(stream, resetStreamPos) returning 0 when it read a picture):
    // AddPicture stores its picture and sets its ImageIndex; GetPicture reads it back by its
    // ImageIndex without rewinding the segment, and empties its picture for an index that holds
    // none. Bytes the object does not take for a picture count as damaged, like bytes it fails on.
    template <class TView>
    requires requires(TView* v) { v->SetImageIndex(0); }
    void AddPicture(TView* Picture) { Picture->SetImageIndex(AddPicture(*Picture->Picture())); }
    template <class TView>
    requires requires(TView* v) { v->SetImageIndex(0); }
    void GetPicture(TView* Picture) {
        const TrptCachedPicture found = GetPicture(Picture->ImageIndex(), [Picture](TStream& s) {
            if (Picture->LoadPictureFromStream(s, false) != 0)
                throw EInvalidGraphic(QStringLiteral("Unsupported picture data"));
        });
        if (found == cpEmpty) Picture->Picture()->Clear();
    }

    // The "picturecache" element of a prepared-report file. Loading replaces the cache; an item
    // whose "stream" attribute is not whole pairs of hexadecimal digits is kept as an empty
    // picture and reported once through OnError.
    void SaveToXML(TrptXMLItem* Item);
    void LoadFromXML(TrptXMLItem* Item);

    // Starts a new segment: a new memory stream, or a new temporary file "rptPic..." in TempDir
    // (the program's temporary folder when empty). A file that cannot be made raises EFCreateError
    // naming the folder.
    void AddSegment();

    int Count() const { return FItems.Count(); }
    int SegmentCount() const { return static_cast<int>(FCacheStreamList.size()); }
    // The bytes of picture ImageIndex as stored; empty outside 1 .. Count.
    QByteArray PictureBytes(int ImageIndex);

    // Segments are temporary files instead of memory. Both setters only act while no segment exists.
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool Value);
    const QString& TempDir() const { return FTempDir; }
    void SetTempDir(const QString& Value);
    // Names the temporary files had; each is removed from its folder as soon as it is open, so no
    // file is left behind by any way out of the program.
    const QStringList& TempFiles() const { return FTempFile; }

    // A segment that has reached this many bytes takes no more pictures (1,789,569,706 unless a
    // test lowers it).
    Int64 SegmentLimit() const { return FSegmentLimit; }
    void SetSegmentLimit(Int64 Value) { FSegmentLimit = Value > 0 ? Value : DefaultSegmentLimit; }
    static constexpr Int64 DefaultSegmentLimit = 0x6AAAAAAA;

    // Messages about damaged pictures, one per picture, in the order found; emptied by Clear.
    const QStringList& Errors() const { return FErrors; }
    std::function<void(const QString& Message)> OnError;

private:
    struct TSegment {
        std::unique_ptr<TStream> Stream;
        Int64 End = 0; // bytes of whole pictures; a failed write beyond it is not part of any picture
        bool Closed = false;
    };
    void DoError(const QString& Message);
    // Appends bytes as a new item; returns its image index. Undoes everything when writing fails.
    int Store(const char* Data, Int64 Size);
    bool ItemRange(int ImageIndex, TStream*& Stream, Int64& Offset, Int64& Size);
    void Damaged(int ImageIndex, const QString& Why);

    TrptCacheList FItems;
    std::vector<TSegment> FCacheStreamList;
    QStringList FTempFile;
    QString FTempDir;
    bool FUseFileCache = false;
    Int64 FSegmentLimit = DefaultSegmentLimit;
    QSet<int> FDamaged; // image indexes reported as damaged
    QStringList FErrors;
};
