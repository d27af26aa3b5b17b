// Export support: the export string table in the report library's string table, folder-tree
// deletion (links never followed, what cannot go stays) and the content types of extensions.
#include "report/export/rptExportUtils.h"

#include "report/core/rptRes.h"

#include "platform/rtl/Streams.h"
#include "platform/sys/Program.h"
#include "script/sc_iconst.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class ExportTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        SetProgramFolder(Dir.path());
        FreeGlobalResources();
        RegisterExportResources();
    }
    void TearDown() override {
        FreeGlobalResources();
        SetProgramFolder(QString());
        ResetScriptMessages();
    }
    QTemporaryDir Dir;
};

// Every key of the table, in table order.
QStringList ExpectedKeys() {
    QStringList keys;
    auto range = [&](int a, int b) {
        for (int i = a; i <= b; ++i)
            keys << QString::number(i);
    };
    range(8000, 8010);
    range(8100, 8106);
    range(8200, 8211);
    range(8300, 8326);
    range(8400, 8411);
    range(8500, 8505);
    range(8600, 8606);
    range(8700, 8708);
    keys << "RTFexport"
         << "BMPexport"
         << "JPEGexport"
         << "TIFFexport"
         << "TextExport"
         << "XlsOLEexport"
         << "HTMLexport"
         << "XlsXMLexport"
         << "PDFexport"
         << "ProgressWait"
         << "ProgressRows"
         << "ProgressColumns"
         << "ProgressStyles"
         << "ProgressObjects"
         << "TIFFexportFilter"
         << "BMPexportFilter"
         << "JPEGexportFilter"
         << "HTMLNavFirst"
         << "HTMLNavPrev"
         << "HTMLNavNext"
         << "HTMLNavLast"
         << "HTMLNavRefresh"
         << "HTMLNavPrint"
         << "HTMLNavTotal";
    range(8800, 8802);
    keys << "SimpleTextExport";
    range(8850, 8853);
    keys << "CSVExport";
    range(8900, 8924);
    keys << "EmailExport"
         << "RozoZodevaFile"
         << "GifexportFilter"
         << "GIFexport";
    range(8950, 8954);
    keys << "ODSExportFilter"
         << "ODSExport"
         << "ODTExportFilter"
         << "ODTExport";
    range(8960, 8989);
    range(9000, 9004);
    range(9101, 9111);
    range(9151, 9181);
    range(9200, 9201);
    return keys;
}

struct TEntry {
    QString Key;
    QString Text;
};

// The entries as they stand in the table's text.
std::vector<TEntry> TableEntries() {
    std::vector<TEntry> out;
    const QString text = QString::fromUtf8(ExportResourceTable());
    static const QRegularExpression re(QStringLiteral("<StrRes Name=\"([^\"]*)\" Text=\"([^\"]*)\"/>"));
    for (auto it = re.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out.push_back({m.captured(1), m.captured(2)});
    }
    return out;
}

TEST_F(ExportTableTest, TableHoldsEveryKeyOnceInOrder) {
    const QByteArray table = ExportResourceTable();
    EXPECT_TRUE(table.startsWith("<?xml version=\"1.1\" encoding=\"utf-8\"?>"));
    EXPECT_TRUE(table.contains("<Resources CodePage=\"1252\">"));
    EXPECT_TRUE(table.endsWith("</Resources> "));
    EXPECT_FALSE(table.contains("&#")) << "no text needs a character reference";
    QStringList keys;
    for (const TEntry& e : TableEntries())
        keys << e.Key;
    EXPECT_EQ(keys, ExpectedKeys());
    EXPECT_EQ(keys.size(), 241);
    // The string table holds them all after the core's own keys.
    TrptResources* res = GlobalResources();
    EXPECT_EQ(res->CodePage(), 1252u);
    for (const TEntry& e : TableEntries())
        EXPECT_EQ(res->Get(e.Key), e.Text.startsWith('!') ? e.Text.mid(1) : e.Text) << e.Key.toStdString();
}

TEST_F(ExportTableTest, TextsTheExportsShow) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"8000", "Export to Excel"},
        {"8002", "Pictures"},
        {"8003", "Merge cells"},
        {"8004", "Fast export"},
        {"8005", "WYSIWYG"},
        {"8006", "As text"},
        {"8007", "Background"},
        {"8008", "Open Excel after export"},
        {"8009", "Excel file (*.xlsx)|*.xlsx"},
        {"8010", ".xlsx"},
        {"8102", "WYSIWYG"},
        {"8103", "Background"},
        {"8200", "Export to HTML table"},
        {"8201", "Open after export"},
        {"8202", "Styles"},
        {"8203", "Pictures"},
        {"8204", "All in one folder"},
        {"8205", "Fixed width"},
        {"8206", "Page navigator"},
        {"8207", "Multipage"},
        {"8209", "Background"},
        {"8210", "HTML file (*.html)|*.html"},
        {"8211", ".html"},
        {"8313", "None"},
        {"8322", "Page"},
        {"8500", "Export to RTF"},
        {"8501", "Pictures"},
        {"8502", "WYSIWYG"},
        {"8503", "Open after export"},
        {"8504", "RTF file (*.rtf)|*.rtf"},
        {"8505", ".rtf"},
        {"8600", "Export Settings"},
        {"8601", " Image settings "},
        {"8602", "JPEG quality"},
        {"8603", "Resolution (dpi)"},
        {"8604", "Separate files"},
        {"8605", "Crop pages"},
        {"8606", "Monochrome"},
        {"8700", "Export to PDF"},
        {"8701", "Compressed"},
        {"8702", "Embedded fonts"},
        {"8703", "Print optimized"},
        {"8704", "Outline"},
        {"8705", "Background"},
        {"8706", "Open after export"},
        {"8707", "Adobe PDF file (*.pdf)|*.pdf"},
        {"8708", ".pdf"},
        {"PDFexport", "PDF file"},
        {"RTFexport", "RTF file"},
        {"HTMLexport", "HTML file"},
        {"XlsOLEexport", "Excel table (OLE)"},
        {"JPEGexport", "JPEG image"},
        {"TIFFexport", "TIFF image"},
        {"ODSExport", "Open Document Spreadsheet"},
        {"ODTExport", "Open Document Text"},
        {"GIFexport", "Gif image"},
        {"ProgressWait", "Please wait"},
        {"ProgressRows", "Setting up rows"},
        {"ProgressColumns", "Setting up columns"},
        {"ProgressStyles", "Setting up styles"},
        {"ProgressObjects", "Exporting objects"},
        {"TIFFexportFilter", "Tiff image (*.tif)|*.tif"},
        {"JPEGexportFilter", "Jpeg image (*.jpg)|*.jpg"},
        {"GifexportFilter", "Gif file (*.gif)|*.gif"},
        {"HTMLNavFirst", "First"},
        {"HTMLNavPrev", "Prev"},
        {"HTMLNavNext", "Next"},
        {"HTMLNavLast", "Last"},
        {"HTMLNavRefresh", "Refresh"},
        {"HTMLNavPrint", "Print"},
        {"HTMLNavTotal", "Total pages"},
        {"8950", "Continuous"},
        {"8951", "Page Header/Footer"},
        {"8952", "Text"},
        {"8953", "Header/Footer"},
        {"8954", "None"},
        {"ODSExportFilter", "Open Document Spreadsheet file (*.ods)|*.ods"},
        {"ODTExportFilter", "Open Document Text file (*.odt)|*.odt"},
        {"8960", ".ods"},
        {"8961", ".odt"},
        {"8962", "Security"},
        {"8963", "Security settings"},
        {"8964", "Owner password"},
        {"8965", "User password"},
        {"8966", "Print the document"},
        {"8967", "Modify the document"},
        {"8968", "Copy of text and graphics"},
        {"8969", "Add or modify text annotations"},
        {"8970", "PDF Security"},
        {"8971", "Document information"},
        {"8972", "Information"},
        {"8973", "Title"},
        {"8974", "Author"},
        {"8975", "Subject"},
        {"8976", "Keywords"},
        {"8977", "Creator"},
        {"8978", "Producer"},
        {"8979", "Authentification"},
        {"8980", "Permissions"},
        {"8981", "Viewer"},
        {"8982", "Viewer preferences"},
        {"8983", "Hide toolbar"},
        {"8984", "Hide menubar"},
        {"8985", "Hide window user interface"},
        {"8986", "Fit window"},
        {"8987", "Center window"},
        {"8988", "Print scaling"},
        {"8989", "Confirmation Reading"},
        {"9155", "Grid Lines"},
    };
    for (const auto& [key, text] : cases) {
        EXPECT_EQ(GlobalResources()->Get(QLatin1String(key)), QString::fromUtf8(text)) << key;
    }
    EXPECT_EQ(ResourceTextById(8601), QStringLiteral(" Image settings "));
    // A key no table defines reads as itself.
    EXPECT_EQ(ResourceTextById(8012), QStringLiteral("8012"));
}

TEST_F(ExportTableTest, FileFiltersAndExtensionsHaveTheirForm) {
    static const QRegularExpression filter(QStringLiteral("^[^|]+ \\(\\*(\\.[a-z]+)\\)\\|\\*(\\.[a-z]+)$"));
    int filters = 0;
    for (const TEntry& e : TableEntries()) {
        if (e.Text.contains('|')) {
            const auto m = filter.match(e.Text);
            ASSERT_TRUE(m.hasMatch()) << e.Key.toStdString() << ": " << e.Text.toStdString();
            EXPECT_EQ(m.captured(1), m.captured(2)) << e.Key.toStdString();
            ++filters;
        }
    }
    EXPECT_GT(filters, 10);
    for (const char* key :
         {"8010", "8106", "8211", "8326", "8411", "8505", "8708", "8802", "8852", "8960", "8961", "9110"})
        EXPECT_TRUE(GlobalResources()->Get(QLatin1String(key)).startsWith('.')) << key;
}

TEST_F(ExportTableTest, LanguageTextsStayAndAFreshTableGetsTheExportTextsAgain) {
    TStringStream lang(QStringLiteral(
        R"(<?xml version="1.1" encoding="utf-8"?><Resources CodePage="1251">)"
        R"(<StrRes Name="8700" Text="Экспорт в PDF"/><StrRes Name="htmlnavtotal" Text="Всего страниц"/></Resources>)"));
    GlobalResources()->LoadFromStream(lang);
    EXPECT_EQ(ResourceTextById(8700), QStringLiteral("Экспорт в PDF"));
    EXPECT_EQ(GlobalResources()->Get(QStringLiteral("HTMLNavTotal")), QStringLiteral("Всего страниц"));
    // Registering again (another filter starting up) does not put the English texts back.
    RegisterExportResources();
    EXPECT_EQ(ResourceTextById(8700), QStringLiteral("Экспорт в PDF"));
    // The core's own keys are still there next to the export's.
    EXPECT_EQ(ResourceTextById(1), QStringLiteral("OK"));
    FreeGlobalResources();
    EXPECT_EQ(ResourceTextById(8700), QStringLiteral("Export to PDF"));
    EXPECT_EQ(GlobalResources()->Get(QStringLiteral("HTMLNavTotal")), QStringLiteral("Total pages"));
}

// ---------------------------------------------------------------------------------------------
// DeleteFolderTree

void Put(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

bool Exists(const QString& path) {
    struct stat st;
    return lstat(QFile::encodeName(path).constData(), &st) == 0;
}

TEST(DeleteFolderTree, RemovesEverythingDepthFirst) {
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/pkg";
    Put(root + "/mimetype");
    Put(root + "/.hidden");
    Put(root + "/META-INF/manifest.xml");
    Put(root + "/Pictures/deep/er/Pic0.png");
    QDir().mkpath(root + "/empty/inner");
    ASSERT_EQ(mkfifo(QFile::encodeName(root + "/fifo").constData(), 0600), 0);
    // A name that is not valid UTF-8.
    const QByteArray odd = QFile::encodeName(root) + "/bad\xff\xfe.txt";
    ASSERT_EQ(close(creat(odd.constData(), 0600)), 0);
    Put(root + "/readonly.txt");
    QFile::setPermissions(root + "/readonly.txt", QFileDevice::ReadOwner);

    DeleteFolderTree(root + "/"); // a trailing slash names the same folder
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(Exists(tmp.path()));
}

TEST(DeleteFolderTree, LinksAreRemovedNotFollowed) {
    QTemporaryDir tmp;
    const QString outside = tmp.path() + "/outside";
    Put(outside + "/keep.txt", "precious");
    const QString root = tmp.path() + "/pkg";
    Put(root + "/a.txt");
    ASSERT_TRUE(QFile::link(outside, root + "/dirlink"));
    ASSERT_TRUE(QFile::link(outside + "/keep.txt", root + "/filelink"));
    ASSERT_TRUE(QFile::link(tmp.path() + "/nowhere", root + "/dangling"));

    DeleteFolderTree(root);
    EXPECT_FALSE(Exists(root));
    QFile keep(outside + "/keep.txt");
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), QByteArray("precious"));

    // A link given as the folder itself is not followed either.
    const QString link = tmp.path() + "/link";
    ASSERT_TRUE(QFile::link(outside, link));
    DeleteFolderTree(link);
    EXPECT_TRUE(Exists(link));
    EXPECT_TRUE(Exists(outside + "/keep.txt"));
}

TEST(DeleteFolderTree, MissingFolderOrFileDoesNothing) {
    QTemporaryDir tmp;
    DeleteFolderTree(tmp.path() + "/missing");
    DeleteFolderTree(QString());
    Put(tmp.path() + "/plain.txt");
    DeleteFolderTree(tmp.path() + "/plain.txt");
    EXPECT_TRUE(Exists(tmp.path() + "/plain.txt"));
    EXPECT_TRUE(Exists(tmp.path()));
}

// An entry that cannot be removed stays, with the folders above it; everything else goes. Run in a
// child process as an unprivileged user, since root may remove anything.
TEST(DeleteFolderTree, WhatCannotBeRemovedStaysWithItsFolders) {
    QTemporaryDir tmp;
    QFile::setPermissions(tmp.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
    const QString root = tmp.path() + "/pkg";
    Put(root + "/a.txt");
    Put(root + "/sub/b.txt");
    Put(root + "/locked/stuck.txt");
    Put(root + "/other/c.txt");
    const uid_t uid = geteuid() == 0 ? 65534 : geteuid();
    const gid_t gid = geteuid() == 0 ? 65534 : getegid();
    if (geteuid() == 0) {
        for (const QString& p : {root, root + "/a.txt", root + "/sub", root + "/sub/b.txt", root + "/locked",
                                 root + "/locked/stuck.txt", root + "/other", root + "/other/c.txt"})
            ASSERT_EQ(chown(QFile::encodeName(p).constData(), uid, gid), 0);
    }
    // Entries of a folder without write permission cannot be removed.
    ASSERT_EQ(chmod(QFile::encodeName(root + "/locked").constData(), 0555), 0);

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(gid) != 0 || setuid(uid) != 0)) _exit(2);
        DeleteFolderTree(root);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(Exists(root + "/locked/stuck.txt"));
    EXPECT_TRUE(Exists(root + "/locked"));
    EXPECT_TRUE(Exists(root));
    EXPECT_FALSE(Exists(root + "/a.txt"));
    EXPECT_FALSE(Exists(root + "/sub"));
    EXPECT_FALSE(Exists(root + "/other"));
    chmod(QFile::encodeName(root + "/locked").constData(), 0755);
}

// ---------------------------------------------------------------------------------------------
// LookupMimeType

TEST(LookupMimeType, KnownUnknownAndPerceivedOnly) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {".png", "image/png"},
        {".PNG", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},
        {".bmp", "image/bmp"},
        {".emf", "image/x-emf"},
        {".wmf", "image/x-wmf"},
        {".tif", "image/tiff"},
        {".html", "text/html"},
        {".xml", "text/xml"},
        {".pdf", "application/pdf"},
        {".odt", "application/vnd.oasis.opendocument.text"},
        {".ods", "application/vnd.oasis.opendocument.spreadsheet"},
        {".ini", "text"}, // no content type: the perceived type
        {".unknownext", ""},
        {"png", ""}, // the dot is part of the key
        {".png.", ""},
        {"", ""},
        {".", ""},
    };
    for (const auto& [ext, type] : cases)
        EXPECT_EQ(LookupMimeType(QString::fromUtf8(ext)), QString::fromUtf8(type)) << ext;
}

} // namespace
