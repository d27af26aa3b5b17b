#pragma once
// Writes ZIP archives (stored and deflated entries, no ZIP64, no encryption) from files on disk;
// the OpenDocument exports pack their package folder with it.
//
// The archive is reproducible: "mimetype" comes first, stored, without extra field (as OpenDocument
// readers require), the other entries follow sorted by name, and every entry is dated by the
// program's clock, so equal files and an equal clock give equal bytes. Entry names are the paths
// below RootFolder in UTF-8 (general-purpose bit 11 when not ASCII). Folders are read sorted,
// regular files only, and never through symbolic links.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

// Limits of the format (no ZIP64), a name the archive cannot hold, a path outside the root.
KORVEL_EXCEPTION(ErptZipError, Exception)

// The local file header in front of each entry's data.
class TrptZipLocalFileHeader {
public:
    quint32 LocalFileHeaderSignature = 0x04034B50;
    quint16 Version = 20;
    quint16 GeneralPurpose = 0;
    quint16 CompressionMethod = 0;
    quint16 LastModFileTime = 0;
    quint16 LastModFileDate = 0;
    quint32 Crc32 = 0;
    quint32 CompressedSize = 0;
    quint32 UnCompressedSize = 0;
    quint16 FileNameLength = 0;
    quint16 ExtraFieldLength = 0;

    const QByteArray& FileName() const { return FFileName; }
    // Backslashes become "/"; sets FileNameLength.
    void SetFileName(const QByteArray& value);
    const QByteArray& ExtraField() const { return FExtraField; }
    void SetExtraField(const QByteArray& value);
    void SaveToStream(TStream& stream) const;

private:
    QByteArray FFileName;
    QByteArray FExtraField;
};

// A central directory file header.
class TrptZipFileHeader {
public:
    quint32 CentralFileHeaderSignature = 0x02014B50;
    quint16 VersionMadeBy = 20;
    quint16 VersionNeeded = 20;
    quint16 GeneralPurpose = 0;
    quint16 CompressionMethod = 0;
    quint16 LastModFileTime = 0;
    quint16 LastModFileDate = 0;
    quint32 Crc32 = 0;
    quint32 CompressedSize = 0;
    quint32 UnCompressedSize = 0;
    quint16 FileNameLength = 0;
    quint16 ExtraFieldLength = 0;
    quint16 FileCommentLength = 0;
    quint16 DiskNumberStart = 0;
    quint16 InternalFileAttribute = 0;
    quint32 ExternalFileAttribute = 0;
    quint32 RelativeOffsetLocalHeader = 0;

    const QByteArray& FileName() const { return FFileName; }
    void SetFileName(const QByteArray& value);
    const QByteArray& ExtraField() const { return FExtraField; }
    void SetExtraField(const QByteArray& value);
    const QByteArray& FileComment() const { return FFileComment; }
    void SetFileComment(const QByteArray& value);
    void SaveToStream(TStream& stream) const;

private:
    QByteArray FFileName;
    QByteArray FExtraField;
    QByteArray FFileComment;
};

// The end of central directory record.
class TrptZipCentralDirectory {
public:
    quint32 EndOfChentralDirSignature = 0x06054B50;
    quint16 NumberOfTheDisk = 0;
    quint16 NumberOfTheDiskStartCentralDir = 0;
    quint16 TotalOfEntriesCentralDirOnDisk = 0;
    quint16 TotalOfEntriesCentralDir = 0;
    quint32 SizeOfCentralDir = 0;
    quint32 OffsetStartingDiskDir = 0;
    quint16 CommentLength = 0;

    const QByteArray& Comment() const { return FComment; }
    void SetComment(const QByteArray& value);
    void SaveToStream(TStream& stream) const;

private:
    QByteArray FComment;
};

// One entry while it is written: its header, its stored or deflated bytes and where it begins.
class TrptZipLocalFile {
public:
    TrptZipLocalFile();
    ~TrptZipLocalFile();
    TrptZipLocalFileHeader& LocalFileHeader() { return *FLocalFileHeader; }
    TMemoryStream* FileData() const { return FFileData.get(); }
    void SetFileData(std::unique_ptr<TMemoryStream> value) { FFileData = std::move(value); }
    quint32 Offset() const { return FOffset; }
    void SetOffset(quint32 value) { FOffset = value; }
    // The header, then the whole of FileData.
    void SaveToStream(TStream& stream);

private:
    std::unique_ptr<TrptZipLocalFileHeader> FLocalFileHeader;
    std::unique_ptr<TMemoryStream> FFileData;
    quint32 FOffset = 0;
};

class TrptZipArchive : public TObject {
public:
    TrptZipArchive();
    ~TrptZipArchive() override;

    // Empties Errors and the file list and RootFolder.
    void Clear();
    // Adds a regular file. A file that does not exist, a link or anything else that is no regular
    // file, and a file outside RootFolder add nothing and one line to Errors. The first file added
    // sets an empty RootFolder to its folder (with a trailing "/"). A path already in the list is
    // not added again.
    void AddFile(const QString& FileName);
    // Adds the regular files of a folder and its subfolders, each folder read in name order; hidden
    // entries (names beginning with ".") and links are left out. An empty RootFolder becomes the
    // folder. A folder that does not exist adds nothing.
    void AddDir(const QString& DirName);
    // Writes the archive at the stream's position. Entry names, their count (at most 65,535) and
    // the sizes (below 4 GiB) are checked before anything is written: ErptZipError names what does
    // not fit. A file that cannot be read raises its stream error, with the entries before it written.
    void SaveToStream(TStream& Stream);
    // Writes a new file beside FileName and puts it in its place once it is complete; on any
    // failure the new file goes and an existing FileName stays as it was.
    void SaveToFile(const QString& FileName);

    // The folder cut from the front of every path to give the entry name; a path that does not
    // begin with it is refused. A trailing "/" is implied.
    const QString& RootFolder() const { return FRootFolder; }
    void SetRootFolder(const QString& Value) { FRootFolder = Value; }
    TStringList& Errors() { return *FErrors; }
    // The files in the order they were added (full paths).
    const TStringList& FileList() const { return *FFileList; }
    int FileCount() const { return FFileList->Count(); }

    TNotifyEvent OnProgress;

    static constexpr int MaxEntries = 65535;

private:
    struct TEntry;
    QString EntryName(const QString& path) const;
    void DoProgress();

    QString FRootFolder;
    std::unique_ptr<TStringList> FErrors;
    std::unique_ptr<TStringList> FFileList;
    QSet<QString> FPaths; // the paths of FFileList, to find one again quickly
};
