// Protected PDF files read back with qpdf, pdftotext, pdfinfo and pdftoppm: revision 3, 128-bit
// RC4, the permissions asked for, which password opens the file and as whom, the decrypted text,
// pictures and strings equal to those of the plain export; and the password conversion.

#include "PdfTestSupport.h"
#include "QpdfJson.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptPrintLoop.h"
#include "report/export/rptPDFSecurity.h"

#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <iostream>

namespace {

// A prepared two-page report with text, a shape, a link and an outline item.
struct TSecuredReport {
    TSecuredReport() {
        Report.EngineOptions()->SetSilentMode(true);
        for (int p = 0; p < 2; ++p) {
            auto* page = new TrptReportPage(&Report);
            auto* title = new TrptReportTitle(page);
            title->SetHeight(300);
            auto* memo = new TrptMemoView(title);
            memo->SetBounds(0, 0, 400, 40);
            memo->SetText(p == 0 ? QStringLiteral("Protected page one") : QStringLiteral("Second page, same words"));
            auto* box = new TrptShapeView(title);
            box->SetBounds(0, 60, 120, 60);
            box->SetColor(p == 0 ? 0x0000FF : 0x00C000);
            box->SetURL(p == 0 ? QStringLiteral("http://example.com/(secret) page") : QStringLiteral("@1"));
        }
        EXPECT_TRUE(PrepareReportPages(&Report));
        auto* pages = static_cast<TrptPreviewPages*>(Report.PreviewPages());
        pages->SetCurPage(1);
        pages->Outline()->AddItem(QStringLiteral("Chapter \u00E9t\u00E9 (two)"), 10);
        pages->Outline()->LevelUp();
    }

    QString Export(const QString& Path, const QByteArray& User, const QByteArray& Owner, TrptPDFEncBits Flags) {
        TTestPDFExport f;
        f.SetShowDialog(false);
        f.SetShowProgress(false);
        f.SetOutline(true);
        f.SetTitle(QStringLiteral("Secret \u00FCber (title)"));
        f.SetUserPassword(User);
        f.SetOwnerPassword(Owner);
        f.SetProtectionFlags(Flags);
        f.SetFileName(Path);
        EXPECT_TRUE(ExportPreparedPages(&Report, Report.PreviewPages(), &f));
        return Path;
    }

    TrptReport Report;
};

QString Tool(const QString& Program, const QStringList& Args, int* Code = nullptr) {
    QString out;
    const int rc = RunTool(Program, Args, &out);
    if (Code) *Code = rc;
    return out;
}

// qpdf given the password's bytes as they are.
QJsonObject EncryptionOfBytes(const QString& Path, const QByteArray& Password) {
    QString octal;
    for (char c : Password)
        octal += QStringLiteral("\\%1").arg(static_cast<unsigned char>(c), 3, 8, QLatin1Char('0'));
    const QString out = Tool(QStringLiteral("/bin/sh"),
                             {QStringLiteral("-c"),
                              QStringLiteral("exec qpdf --password-mode=bytes --password=\"$(printf \"$0\")\" --json=2 "
                                             "--json-key=encrypt \"$1\" 2>/dev/null"),
                              octal, Path});
    return QJsonDocument::fromJson(out.toUtf8()).object().value(QStringLiteral("encrypt")).toObject();
}

QJsonObject EncryptionOf(const QString& Path, const QString& Password) {
    QProcess p;
    QStringList args{QStringLiteral("--json=2"), QStringLiteral("--json-key=encrypt")};
    if (!Password.isNull()) args << QStringLiteral("--password=") + Password;
    p.start(QStringLiteral("qpdf"), args << Path);
    if (!p.waitForStarted(10000)) return {};
    p.waitForFinished(60000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object().value(QStringLiteral("encrypt")).toObject();
}

// A poppler tool given the password's bytes as they are (poppler does not convert UTF-8 to the
// PDF encoding): the shell's printf makes them from octal escapes.
QString Poppler(const QString& Program, const QByteArray& Password, const QStringList& Args, int* Code = nullptr) {
    if (Password.isEmpty()) return Tool(Program, Args, Code);
    QString octal;
    for (char c : Password)
        octal += QStringLiteral("\\%1").arg(static_cast<unsigned char>(c), 3, 8, QLatin1Char('0'));
    return Tool(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"), QStringLiteral("p=$(printf \"$0\"); t=$1; shift; exec \"$t\" -upw \"$p\" \"$@\""),
                            octal, Program} +
                    Args,
                Code);
}

// The page's picture at 36 dpi, with the password given.
QImage Render(const QString& Path, const QString& Prefix, const QByteArray& Password) {
    const QStringList args{QStringLiteral("-r"), QStringLiteral("36"), QStringLiteral("-png"), QStringLiteral("-f"),
                           QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), Path, Prefix};
    int rc = 0;
    Poppler(QStringLiteral("pdftoppm"), Password, args, &rc);
    if (rc != 0) return {};
    QImage img(Prefix + QStringLiteral("-1.png"));
    return img.isNull() ? QImage(Prefix + QStringLiteral("-01.png")) : img;
}

struct TCase {
    QString User, Owner;
    TrptPDFEncBits Flags;
    int P;
};

QString FlagsText(TrptPDFEncBits f) {
    QStringList r;
    if (f.Contains(ePrint)) r << QStringLiteral("print");
    if (f.Contains(eModify)) r << QStringLiteral("modify");
    if (f.Contains(eCopy)) r << QStringLiteral("copy");
    if (f.Contains(eAnnot)) r << QStringLiteral("annotate");
    return r.isEmpty() ? QStringLiteral("none") : r.join(QLatin1Char('+'));
}

} // namespace

TEST(PdfSecurity, PasswordsPermissionsAndContentThroughRealTools) {
    QTemporaryDir dir;
    TSecuredReport report;
    const QString plain = report.Export(dir.filePath(QStringLiteral("plain.pdf")), {}, {}, TrptPDFEncBits{});
    int rc = 0;
    const QString plainText = Tool(QStringLiteral("pdftotext"), {plain, QStringLiteral("-")}, &rc);
    ASSERT_EQ(rc, 0) << plainText.toStdString();
    const QImage plainPicture = Render(plain, dir.filePath(QStringLiteral("plain")), QByteArray());
    ASSERT_FALSE(plainPicture.isNull());
    const QString plainInfo = Tool(QStringLiteral("pdfinfo"), {plain});

    const QString longUser = QString(200, QLatin1Char('u')) ;
    const QString longOwner = QStringLiteral("o").repeated(199) + QLatin1Char('!');
    const std::vector<TCase> cases = {
        {QStringLiteral("user"), QStringLiteral("owner"), TrptPDFEncBits{ePrint, eModify, eCopy, eAnnot}, -4},
        {QString(), QStringLiteral("owner"), TrptPDFEncBits{ePrint}, -60},
        {QStringLiteral("user"), QString(), TrptPDFEncBits{}, -64},
        {QStringLiteral("u(1)\\"), QStringLiteral("o)2("), TrptPDFEncBits{eCopy, eAnnot}, -16},
        {longUser, longOwner, TrptPDFEncBits{eModify}, -56},
        {QStringLiteral("Gr\u00FC\u00DFe\u20AC"), QStringLiteral("\u0152uvre\u2122"), TrptPDFEncBits{ePrint, eCopy}, -44},
    };
    std::cout << "user password | owner password | permissions | P | opens without password\n";
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(("user \"" + c.User.left(20) + "\" owner \"" + c.Owner.left(20) + "\"").toStdString());
        const QString path = dir.filePath(QStringLiteral("case%1.pdf").arg(++n));
        report.Export(path, PDFPasswordFromText(c.User), PDFPasswordFromText(c.Owner), c.Flags);
        ASSERT_EQ(CheckCrossReferences([&] {
                      QFile f(path);
                      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
                  }()),
                  QString());

        // The user password opens it as user; the owner password as owner; another one not at all.
        const QString userArg = c.User.isEmpty() ? QString(QLatin1String("")) : c.User;
        const QJsonObject asUser = EncryptionOf(path, userArg);
        ASSERT_TRUE(asUser.value(QStringLiteral("encrypted")).toBool());
        EXPECT_TRUE(asUser.value(QStringLiteral("userpasswordmatched")).toBool());
        EXPECT_FALSE(asUser.value(QStringLiteral("ownerpasswordmatched")).toBool());
        const QJsonObject params = asUser.value(QStringLiteral("parameters")).toObject();
        EXPECT_EQ(params.value(QStringLiteral("R")).toInt(), 3);
        EXPECT_EQ(params.value(QStringLiteral("V")).toInt(), 2);
        EXPECT_EQ(params.value(QStringLiteral("bits")).toInt(), 128);
        EXPECT_EQ(params.value(QStringLiteral("method")).toString(), "RC4");
        EXPECT_EQ(params.value(QStringLiteral("P")).toInt(), c.P);
        const QJsonObject can = asUser.value(QStringLiteral("capabilities")).toObject();
        EXPECT_EQ(can.value(QStringLiteral("printlow")).toBool(), c.Flags.Contains(ePrint));
        EXPECT_EQ(can.value(QStringLiteral("modifyother")).toBool(), c.Flags.Contains(eModify));
        EXPECT_EQ(can.value(QStringLiteral("extract")).toBool(), c.Flags.Contains(eCopy));
        EXPECT_EQ(can.value(QStringLiteral("modifyannotations")).toBool(), c.Flags.Contains(eAnnot));
        if (!c.Owner.isEmpty()) {
            EXPECT_TRUE(EncryptionOfBytes(path, PDFPasswordFromText(c.Owner)).value(QStringLiteral("ownerpasswordmatched")).toBool());
            EXPECT_FALSE(EncryptionOfBytes(path, PDFPasswordFromText(c.User)).value(QStringLiteral("ownerpasswordmatched")).toBool());
        }
        // An empty owner password never makes the user password an owner one (checked above),
        // and a wrong password opens nothing when there is a user password.
        if (c.User.isEmpty()) {
            Tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &rc);
            EXPECT_EQ(rc, 0);
        } else {
            const QString out = Tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), QStringLiteral("--password=wrong"), path}, &rc);
            EXPECT_EQ(rc, 2);
            EXPECT_TRUE(out.contains(QStringLiteral("invalid password"))) << out.toStdString();
            Tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &rc);
            EXPECT_EQ(rc, 2);
        }
        Tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), QStringLiteral("--password=") + userArg, path}, &rc);
        EXPECT_EQ(rc, 0);

        // Decrypted, the file says what the plain one says.
        const QByteArray pw = PDFPasswordFromText(c.User);
        EXPECT_EQ(Poppler(QStringLiteral("pdftotext"), pw, {path, QStringLiteral("-")}, &rc), plainText);
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(Render(path, dir.filePath(QStringLiteral("p%1").arg(n)), pw), plainPicture);
        const QString info = Poppler(QStringLiteral("pdfinfo"), pw, {path});
        EXPECT_TRUE(info.contains(QStringLiteral("Secret \u00FCber (title)\n"))) << info.toStdString();
        EXPECT_EQ(info.section(QStringLiteral("Title:"), 1).section(QLatin1Char('\n'), 0, 0),
                  plainInfo.section(QStringLiteral("Title:"), 1).section(QLatin1Char('\n'), 0, 0));
        // Outline titles and link addresses are encrypted strings that read back whole.
        const TQpdfJson pdf(path, userArg);
        ASSERT_EQ(pdf.Error(), QString());
        const QJsonObject item = pdf.Dict(pdf.Dict(pdf.Root().value(QStringLiteral("/Outlines"))).value(QStringLiteral("/First")));
        EXPECT_EQ(TQpdfJson::Text(item.value(QStringLiteral("/Title"))), QStringLiteral("Chapter \u00E9t\u00E9 (two)"));
        const QJsonObject page1 = pdf.Dict(pdf.PageRefs().value(0));
        const QJsonObject link = pdf.Dict(page1.value(QStringLiteral("/Annots")).toArray().at(0));
        EXPECT_EQ(TQpdfJson::Text(pdf.Dict(link.value(QStringLiteral("/A"))).value(QStringLiteral("/URI"))),
                  "http://example.com/(secret)%20page");

        std::cout << '"' << c.User.left(24).toStdString() << (c.User.size() > 24 ? "...\"" : "\"") << " | \""
                  << c.Owner.left(24).toStdString() << (c.Owner.size() > 24 ? "...\"" : "\"") << " | "
                  << FlagsText(c.Flags).toStdString() << " | " << c.P << " | " << (c.User.isEmpty() ? "yes" : "no")
                  << '\n';
    }
}

// Only the first 32 bytes of a password count, as the standard handler defines.
TEST(PdfSecurity, LongPasswordsCountTheirFirst32Bytes) {
    QTemporaryDir dir;
    TSecuredReport report;
    const QString user = QStringLiteral("abcdefghijklmnopqrstuvwxyz012345").repeated(6).left(200);
    const QString path = report.Export(dir.filePath(QStringLiteral("long.pdf")), user.toLatin1(), "owner", TrptPDFEncBits{});
    EXPECT_TRUE(EncryptionOf(path, user.left(32)).value(QStringLiteral("userpasswordmatched")).toBool());
    EXPECT_FALSE(EncryptionOf(path, user.left(31)).value(QStringLiteral("userpasswordmatched")).toBool());
}

// Without an owner password each file gets its own random one: two exports differ in O, and with
// an owner password they agree in O but not in identifier and U.
TEST(PdfSecurity, RandomOwnerPasswordAndRepeatableO) {
    auto trailerLine = [](const QByteArray& pdf, const QByteArray& key) {
        const qsizetype at = pdf.lastIndexOf("\r\n" + key);
        return pdf.mid(at + 2, pdf.indexOf("\r\n", at + 2) - at - 2);
    };
    auto exportOnce = [](const QByteArray& owner) {
        TrptPDFExport f; // a new identifier each time
        f.SetUserPassword("user");
        f.SetOwnerPassword(owner);
        TMemoryStream out;
        TTwoPageReport r;
        r.Export(f, out);
        EXPECT_EQ(f.OwnerPassword(), owner); // the random one is not kept in the property
        return out.Bytes();
    };
    const QByteArray a = exportOnce({}), b = exportOnce({});
    EXPECT_NE(trailerLine(a, "/O ("), trailerLine(b, "/O ("));
    const QByteArray c = exportOnce("owner"), d = exportOnce("owner");
    EXPECT_EQ(trailerLine(c, "/O ("), trailerLine(d, "/O ("));
    EXPECT_NE(trailerLine(c, "/ID ["), trailerLine(d, "/ID ["));
    EXPECT_NE(trailerLine(c, "/U ("), trailerLine(d, "/U ("));
}

TEST(PdfSecurity, PasswordTextToTheDocumentEncoding) {
    struct {
        QString Text;
        QByteArray Bytes;
    } ok[] = {
        {QString(), QByteArray()},
        {QStringLiteral("plain ASCII 123"), "plain ASCII 123"},
        {QStringLiteral("\u00E9\u00FC\u00DF\u00FF"), "\xE9\xFC\xDF\xFF"},
        {QStringLiteral("\u20AC\u0152\u0160\u2122\u2022\u0131\u02D8"), "\xA0\x96\x97\x92\x80\x9A\x18"},
    };
    for (const auto& c : ok) {
        EXPECT_EQ(PDFPasswordFromText(c.Text), c.Bytes) << c.Text.toStdString();
        EXPECT_EQ(PDFPasswordToText(c.Bytes), c.Text);
    }
    struct {
        QString Text;
        QString Message;
    } refused[] = {
        {QStringLiteral("pass\u5BC6\u7801"), QStringLiteral("\"\u5BC6\" (U+5BC6)")},
        {QStringLiteral("\u041F\u0430\u0440\u043E\u043B\u044C"), QStringLiteral("U+041F")},
        {QStringLiteral("a\x01"), QStringLiteral("the character U+0001")},
        {QStringLiteral("soft\u00ADhyphen"), QStringLiteral("U+00AD")},
        {QString::fromUcs4(U"emoji \U0001F600"), QStringLiteral("U+1F600")},
    };
    for (const auto& c : refused) {
        try {
            (void)PDFPasswordFromText(c.Text);
            ADD_FAILURE() << "accepted " << c.Text.toStdString();
        } catch (const EPDFPassword& e) {
            EXPECT_TRUE(e.Message().contains(c.Message)) << e.Message().toStdString();
        }
    }
}
