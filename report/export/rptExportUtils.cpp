#include "report/export/rptExportUtils.h"

#include "report/core/rptRes.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Works on the byte path so that names the locale cannot decode are still removed.
void DeleteTree(const QByteArray& folder) {
    DIR* dir = opendir(folder.constData());
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        const QByteArray path = folder + '/' + entry->d_name;
        struct stat st;
        if (lstat(path.constData(), &st) != 0) continue;
        // lstat: a link to a folder is an entry of its own, never a way out of the tree.
        if (S_ISDIR(st.st_mode))
            DeleteTree(path);
        else
            unlink(path.constData());
    }
    closedir(dir);
    rmdir(folder.constData());
}

struct TMimeEntry {
    const char* Ext;
    const char* ContentType;
    const char* PerceivedType;
};

// The types the exports name in their packages and links. An extension with only a perceived
// type answers with that, as a content-type lookup falls back to it.
const TMimeEntry MimeTypes[] = {
    {".bmp", "image/bmp", "image"},
    {".css", "text/css", "text"},
    {".csv", "text/csv", "text"},
    {".dib", "image/bmp", "image"},
    {".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document", "document"},
    {".emf", "image/x-emf", "image"},
    {".gif", "image/gif", "image"},
    {".htm", "text/html", "text"},
    {".html", "text/html", "text"},
    {".ico", "image/x-icon", "image"},
    {".ini", "", "text"},
    {".jpe", "image/jpeg", "image"},
    {".jpeg", "image/jpeg", "image"},
    {".jpg", "image/jpeg", "image"},
    {".js", "text/javascript", "text"},
    {".ods", "application/vnd.oasis.opendocument.spreadsheet", "document"},
    {".odt", "application/vnd.oasis.opendocument.text", "document"},
    {".pdf", "application/pdf", "document"},
    {".png", "image/png", "image"},
    {".rtf", "application/rtf", "document"},
    {".svg", "image/svg+xml", "image"},
    {".tif", "image/tiff", "image"},
    {".tiff", "image/tiff", "image"},
    {".txt", "text/plain", "text"},
    {".wmf", "image/x-wmf", "image"},
    {".xls", "application/vnd.ms-excel", "document"},
    {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", "document"},
    {".xml", "text/xml", "text"},
    {".zip", "application/zip", "compressed"},
};

// The export table joins the string table when the program starts.
const bool ExportResourcesRegistered = (RegisterResourceTable(ExportResourceTable), true);

} // namespace

void DeleteFolderTree(const QString& Folder) {
    if (Folder.isEmpty()) return;
    QByteArray path = QFile::encodeName(Folder);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    struct stat st;
    // A link named as the folder is not followed either.
    if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    DeleteTree(path);
}

QString LookupMimeType(const QString& Ext) {
    for (const TMimeEntry& e : MimeTypes) {
        if (Ext.compare(QLatin1String(e.Ext), Qt::CaseInsensitive) != 0) continue;
        const QString type = QString::fromLatin1(e.ContentType);
        return type.isEmpty() ? QString::fromLatin1(e.PerceivedType) : type;
    }
    return QString();
}

void RegisterExportResources() {
    (void)ExportResourcesRegistered;
    RegisterResourceTable(ExportResourceTable);
}

void KeepPageNumberKey(QChar& Key) {
    const bool digit = Key >= QLatin1Char('0') && Key <= QLatin1Char('9');
    if (!digit && Key != QLatin1Char(',') && Key != QLatin1Char('-') && Key != QChar(8)) Key = QChar();
}
