#include "report/export/rptZip.h"

#include "platform/rtl/SysUtils.h"
#include "platform/sys/TempFiles.h"
#include "report/core/rptUtils.h"
#include "report/core/rptZLib.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Put16(QByteArray& out, quint16 v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void Put32(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

QString OsText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// A descriptor closed on every way out.
struct TFd {
    int Fd = -1;
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd() {
        if (Fd >= 0) ::close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
};

QString WithSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// The MS-DOS date and time of a local time, clamped to what the format can hold (1980 to 2107).
void DosDateTime(TDateTime value, quint16& date, quint16& time) {
    quint16 y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    if (y < 1980) {
        y = 1980, mo = 1, d = 1, h = 0, mi = 0, s = 0;
    } else if (y > 2107) {
        y = 2107, mo = 12, d = 31, h = 23, mi = 59, s = 58;
    }
    date = static_cast<quint16>(((y - 1980) << 9) | (mo << 5) | d);
    time = static_cast<quint16>((h << 11) | (mi << 5) | (s / 2));
}

bool IsAscii(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Reads a whole regular file, never through a link. Raises EFOpenError or EReadError naming it.
QByteArray ReadRegularFile(const QString& path, qint64 limit) {
    const QByteArray native = QFile::encodeName(path);
    TFd fd(::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Fd < 0) throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, OsText(errno)));
    struct stat st {};
    if (::fstat(fd.Fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". It is not a regular file").arg(path));
    if (st.st_size > limit)
        throw ErptZipError(
            QStringLiteral("The file \"%1\" is too large for a ZIP archive (4 GiB at most)").arg(path));
    QByteArray data;
    data.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EReadError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, OsText(errno)));
        if (n == 0) break;
        if (data.size() + n > limit)
            throw ErptZipError(
                QStringLiteral("The file \"%1\" is too large for a ZIP archive (4 GiB at most)").arg(path));
        data.append(buffer, n);
    }
    return data;
}

constexpr qint64 MaxSize = 0xFFFFFFFFLL;

} // namespace

// ---------------------------------------------------------------------------------------------
// Records

void TrptZipLocalFileHeader::SetFileName(const QByteArray& value) {
    FFileName = value;
    FFileName.replace('\\', '/');
    FileNameLength = static_cast<quint16>(FFileName.size());
}

void TrptZipLocalFileHeader::SetExtraField(const QByteArray& value) {
    FExtraField = value;
    ExtraFieldLength = static_cast<quint16>(value.size());
}

void TrptZipLocalFileHeader::SaveToStream(TStream& stream) const {
    QByteArray out;
    Put32(out, LocalFileHeaderSignature);
    Put16(out, Version);
    Put16(out, GeneralPurpose);
    Put16(out, CompressionMethod);
    Put16(out, LastModFileTime);
    Put16(out, LastModFileDate);
    Put32(out, Crc32);
    Put32(out, CompressedSize);
    Put32(out, UnCompressedSize);
    Put16(out, FileNameLength);
    Put16(out, ExtraFieldLength);
    out += FFileName;
    out += FExtraField;
    stream.WriteBytes(out);
}

void TrptZipFileHeader::SetFileName(const QByteArray& value) {
    FFileName = value;
    FFileName.replace('\\', '/');
    FileNameLength = static_cast<quint16>(FFileName.size());
}

void TrptZipFileHeader::SetExtraField(const QByteArray& value) {
    FExtraField = value;
    ExtraFieldLength = static_cast<quint16>(value.size());
}

void TrptZipFileHeader::SetFileComment(const QByteArray& value) {
    FFileComment = value;
    FileCommentLength = static_cast<quint16>(value.size());
}

void TrptZipFileHeader::SaveToStream(TStream& stream) const {
    QByteArray out;
    Put32(out, CentralFileHeaderSignature);
    Put16(out, VersionMadeBy);
    Put16(out, VersionNeeded);
    Put16(out, GeneralPurpose);
    Put16(out, CompressionMethod);
    Put16(out, LastModFileTime);
    Put16(out, LastModFileDate);
    Put32(out, Crc32);
    Put32(out, CompressedSize);
    Put32(out, UnCompressedSize);
    Put16(out, FileNameLength);
    Put16(out, ExtraFieldLength);
    Put16(out, FileCommentLength);
    Put16(out, DiskNumberStart);
    Put16(out, InternalFileAttribute);
    Put32(out, ExternalFileAttribute);
    Put32(out, RelativeOffsetLocalHeader);
    out += FFileName;
    out += FExtraField;
    out += FFileComment;
    stream.WriteBytes(out);
}

void TrptZipCentralDirectory::SetComment(const QByteArray& value) {
    FComment = value;
    CommentLength = static_cast<quint16>(value.size());
}

void TrptZipCentralDirectory::SaveToStream(TStream& stream) const {
    QByteArray out;
    Put32(out, EndOfChentralDirSignature);
    Put16(out, NumberOfTheDisk);
    Put16(out, NumberOfTheDiskStartCentralDir);
    Put16(out, TotalOfEntriesCentralDirOnDisk);
    Put16(out, TotalOfEntriesCentralDir);
    Put32(out, SizeOfCentralDir);
    Put32(out, OffsetStartingDiskDir);
    Put16(out, CommentLength);
    out += FComment;
    stream.WriteBytes(out);
}

TrptZipLocalFile::TrptZipLocalFile() : FLocalFileHeader(std::make_unique<TrptZipLocalFileHeader>()) {}

TrptZipLocalFile::~TrptZipLocalFile() = default;

void TrptZipLocalFile::SaveToStream(TStream& stream) {
    FLocalFileHeader->SaveToStream(stream);
    if (FFileData && FFileData->Size() > 0) {
        FFileData->SetPosition(0);
        stream.CopyFrom(*FFileData, FFileData->Size());
    }
}

// ---------------------------------------------------------------------------------------------
// TrptZipArchive

TrptZipArchive::TrptZipArchive()
    : FErrors(std::make_unique<TStringList>()), FFileList(std::make_unique<TStringList>()) {
    Clear();
}

TrptZipArchive::~TrptZipArchive() = default;

void TrptZipArchive::Clear() {
    FErrors->Clear();
    FFileList->Clear();
    FPaths.clear();
    FRootFolder.clear();
}

void TrptZipArchive::DoProgress() {
    if (OnProgress) OnProgress(this);
}

void TrptZipArchive::AddFile(const QString& FileName) {
    struct stat st {};
    const QString path = QDir::cleanPath(QFileInfo(FileName).absoluteFilePath());
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        FErrors->Add(QStringLiteral("File ") + FileName + QStringLiteral(" not found!"));
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        FErrors->Add(QStringLiteral("File ") + FileName + QStringLiteral(" is not a regular file"));
        return;
    }
    if (FRootFolder.isEmpty()) FRootFolder = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (!path.startsWith(WithSlash(FRootFolder))) {
        FErrors->Add(QStringLiteral("File ") + FileName + QStringLiteral(" is outside the folder ") +
                     FRootFolder);
        return;
    }
    if (FPaths.contains(path)) return;
    FPaths.insert(path);
    FFileList->Add(path);
}

void TrptZipArchive::AddDir(const QString& DirName) {
    const QString folder = WithSlash(QDir::cleanPath(QFileInfo(DirName).absoluteFilePath()));
    TFd fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Fd < 0) return;
    DIR* dir = ::fdopendir(fd.Fd);
    if (!dir) return;
    fd.Fd = -1; // the directory stream owns it now
    // The folder given is the root, whichever file its enumeration finds first.
    if (FRootFolder.isEmpty()) FRootFolder = folder;
    struct TEntry {
        QByteArray Name;
        bool Folder;
    };
    std::vector<TEntry> entries;
    while (dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name.startsWith('.')) continue; // ".", ".." and hidden entries
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode))
            entries.push_back({name, true});
        else if (S_ISREG(st.st_mode))
            entries.push_back({name, false});
    }
    ::closedir(dir);
    // Byte order of the names, so the order is the same on every machine and in every locale.
    std::sort(entries.begin(), entries.end(),
              [](const TEntry& a, const TEntry& b) { return a.Name < b.Name; });
    for (const TEntry& e : entries) {
        const QString path = folder + QFile::decodeName(e.Name);
        if (e.Folder)
            AddDir(path);
        else
            AddFile(path);
    }
}

QString TrptZipArchive::EntryName(const QString& path) const {
    const QString root = WithSlash(FRootFolder);
    if (FRootFolder.isEmpty() || !path.startsWith(root))
        throw ErptZipError(
            QStringLiteral("The file \"%1\" is outside the archive's folder \"%2\"").arg(path, FRootFolder));
    QString name = path.mid(root.size());
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString& part : parts)
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            throw ErptZipError(QStringLiteral("The file \"%1\" cannot be named in a ZIP archive").arg(path));
    return name;
}

struct TrptZipArchive::TEntry {
    QString Path;
    QByteArray Name; // UTF-8
    bool MimeType = false;
};

void TrptZipArchive::SaveToStream(TStream& Stream) {
    // Everything that can be checked without reading a file is checked before writing anything.
    const int count = FFileList->Count();
    if (count > MaxEntries)
        throw ErptZipError(
            QStringLiteral("A ZIP archive holds at most %1 files; %2 were given").arg(MaxEntries).arg(count));
    std::vector<TEntry> entries;
    entries.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TEntry e;
        e.Path = FFileList->Strings(i);
        e.Name = EntryName(e.Path).toUtf8();
        if (e.Name.size() > 0xFFFF)
            throw ErptZipError(
                QStringLiteral("The name of the file \"%1\" is too long for a ZIP archive").arg(e.Path));
        e.MimeType = e.Name == "mimetype";
        struct stat st {};
        if (::stat(QFile::encodeName(e.Path).constData(), &st) == 0 && st.st_size > MaxSize)
            throw ErptZipError(
                QStringLiteral("The file \"%1\" is too large for a ZIP archive (4 GiB at most)").arg(e.Path));
        entries.push_back(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
        if (a.MimeType != b.MimeType) return a.MimeType;
        return a.Name < b.Name;
    });

    quint16 dosDate = 0, dosTime = 0;
    DosDateTime(Now(), dosDate, dosTime);
    std::vector<std::unique_ptr<TrptZipLocalFile>> written;
    written.reserve(entries.size());
    for (const TEntry& e : entries) {
        auto local = std::make_unique<TrptZipLocalFile>();
        TrptZipLocalFileHeader& h = local->LocalFileHeader();
        h.SetFileName(e.Name);
        if (!IsAscii(e.Name)) h.GeneralPurpose |= 0x0800;
        const QByteArray content = ReadRegularFile(e.Path, MaxSize);
        auto data = std::make_unique<TMemoryStream>();
        if (content.size() <= 128 || e.MimeType) {
            data->WriteBytes(content);
            h.CompressionMethod = 0;
        } else {
            // A zlib stream without its 2-byte header and 4-byte checksum is raw deflate data.
            TBytesStream source(content);
            TMemoryStream packed;
            CompressStream(source, packed, zcDefault);
            const QByteArray z = packed.Bytes();
            data->WriteBytes(z.mid(2, z.size() - 6));
            h.CompressionMethod = 8;
        }
        if (data->Size() > MaxSize)
            throw ErptZipError(
                QStringLiteral("The file \"%1\" is too large for a ZIP archive (4 GiB at most)").arg(e.Path));
        h.CompressedSize = static_cast<quint32>(data->Size());
        h.UnCompressedSize = static_cast<quint32>(content.size());
        {
            TBytesStream whole(content);
            h.Crc32 = StreamCrc32(whole);
        }
        const Int64 offset = Stream.Position();
        if (offset > MaxSize)
            throw ErptZipError(
                QStringLiteral("The archive grows beyond 4 GiB at the file \"%1\"").arg(e.Path));
        local->SetOffset(static_cast<quint32>(offset));
        h.LastModFileDate = dosDate;
        h.LastModFileTime = dosTime;
        local->SetFileData(std::move(data));
        local->SaveToStream(Stream);
        local->SetFileData(nullptr);
        written.push_back(std::move(local));
        DoProgress();
    }

    const Int64 start = Stream.Position();
    for (auto& local : written) {
        const TrptZipLocalFileHeader& l = local->LocalFileHeader();
        TrptZipFileHeader c;
        c.GeneralPurpose = l.GeneralPurpose;
        c.CompressionMethod = l.CompressionMethod;
        c.LastModFileTime = l.LastModFileTime;
        c.LastModFileDate = l.LastModFileDate;
        c.Crc32 = l.Crc32;
        c.CompressedSize = l.CompressedSize;
        c.UnCompressedSize = l.UnCompressedSize;
        c.SetFileName(l.FileName());
        c.RelativeOffsetLocalHeader = local->Offset();
        c.SaveToStream(Stream);
        local.reset();
    }
    const Int64 end = Stream.Position();
    if (start > MaxSize || end - start > MaxSize)
        throw ErptZipError(QStringLiteral("The archive grows beyond 4 GiB"));
    TrptZipCentralDirectory dir;
    dir.TotalOfEntriesCentralDirOnDisk = static_cast<quint16>(count);
    dir.TotalOfEntriesCentralDir = static_cast<quint16>(count);
    dir.SizeOfCentralDir = static_cast<quint32>(end - start);
    dir.OffsetStartingDiskDir = static_cast<quint32>(start);
    dir.SaveToStream(Stream);
}

void TrptZipArchive::SaveToFile(const QString& FileName) {
    const QFileInfo info(FileName);
    const QString temp = CreateTempFileIn(
        info.absolutePath(), QStringLiteral(".") + info.fileName() + QLatin1Char('.'), QStringLiteral("tmp"));
    try {
        {
            TFileStream out(temp, fmOpenReadWrite);
            SaveToStream(out);
        }
        // The new file was made private; give it the mode a newly created file would get.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(QFile::encodeName(temp).constData(), 0666 & ~mask);
        if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(FileName).constData()) != 0)
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(FileName, OsText(errno)));
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
}
