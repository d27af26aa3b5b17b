// The grid's layout in INI files and the settings store, and its content in every file format.

#include "grid/GxGrid.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Files : ::testing::Test {
    Files() {
        A.SetName(QStringLiteral("Orders"));
        B.SetName(QStringLiteral("Copy"));
    }
    QString Path(const QString& name) const { return Dir.filePath(name); }
    static void Columns(TGxGrid& g, int n) {
        for (int i = 0; i < n; ++i)
            g.Columns()->Add<TGxTextColumn>(QStringLiteral("Col %1").arg(i));
    }
    static void Put(TGxGrid& g, const std::vector<QStringList>& rows) {
        for (const QStringList& row : rows) {
            const int r = g.AddRow(1);
            for (int c = 0; c < row.size(); ++c)
                g.SetCells(c, r, row[c]);
        }
    }
    static std::vector<QStringList> Content(TGxGrid& g) {
        std::vector<QStringList> rows;
        for (int r = 0; r < g.RowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < g.Columns()->Count(); ++c)
                row << g.GetCells(c, r);
            rows.push_back(row);
        }
        return rows;
    }
    QTemporaryDir Dir;
    TGxGrid A{nullptr};
    TGxGrid B{nullptr};
};

// Cells that stress every format: separators, quotes, line breaks, the escape character, non-ASCII.
const std::vector<QStringList> kTricky = {
    {"plain", "a;b", "say \"hi\""},
    {"two\r\nlines", "\"quoted\"", "50%"},
    {"", "x%\r\ny", "Привет, €"},
    {"a,b", "", ""},
};

TEST_F(Files, SeparatedTextLayout) {
    Columns(A, 2);
    Put(A, {{"a", "b"}, {"c", "d"}});
    EXPECT_EQ(A.GetTextStr(QLatin1Char(';')), QStringLiteral(";a;b;\r\nc;d"));
    Columns(B, 2);
    B.SetTextStr(QStringLiteral("a;b;\r\nc;d"), QLatin1Char(';'));
    EXPECT_EQ(Content(B), Content(A));

    A.ClearRows();
    Put(A, {{"x\r\ny", "z"}});
    EXPECT_EQ(A.GetTextStr(QLatin1Char(';')), QStringLiteral(";x%\r\ny;z"));
}

TEST_F(Files, SeparatedTextRoundTripsEveryCell) {
    for (QChar sep : {QLatin1Char(';'), QLatin1Char(','), QLatin1Char('\t')}) {
        TGxGrid a(nullptr), b(nullptr);
        Columns(a, 3);
        Columns(b, 3);
        Put(a, kTricky);
        const QString text = a.GetTextStr(sep);
        ASSERT_EQ(text[0], sep);
        b.SetTextStr(text.mid(1), sep);
        EXPECT_EQ(Content(b), kTricky) << int(sep.unicode());
    }
    // A one-column grid whose last cell is empty keeps its last row.
    TGxGrid a(nullptr), b(nullptr);
    Columns(a, 1);
    Columns(b, 1);
    Put(a, {{"x"}, {""}});
    b.SetTextStr(a.GetTextStr(QLatin1Char(';')).mid(1), QLatin1Char(';'));
    EXPECT_EQ(b.RowCount(), 2);
}

TEST_F(Files, StreamRoundTrip) {
    Columns(A, 3);
    Columns(B, 3);
    Put(A, kTricky);
    TMemoryStream stream;
    A.SaveToStream(stream, QLatin1Char('|'));
    EXPECT_EQ(stream.Size(), 2 * A.GetTextStr(QLatin1Char('|')).size()) << "UTF-16 without a mark";
    stream.SetPosition(0);
    Put(B, {{"old"}});
    B.LoadFromStream(stream);
    EXPECT_EQ(Content(B), kTricky);
    // At its end the stream gives nothing and the grid stays as it is.
    B.LoadFromStream(stream);
    EXPECT_EQ(B.RowCount(), 4);
}

TEST_F(Files, TextFileQuotingAndEncodings) {
    TFormatSettingsScope locale(QStringLiteral("en_US"));
    TEncoding::SetAnsiCodePage(1252);
    Columns(A, 2);
    Put(A, {{"a,b", "say \"hi\""}, {"two\r\nlines", "plain"}});
    A.SaveToTextFile(Path("ansi.txt"), QLatin1Char(','), QLatin1Char('|'), ekAnsi);
    EXPECT_EQ(ReadAll(Path("ansi.txt")), QByteArray("\"a,b\",\"say \"\"hi\"\"\"\r\ntwo|lines,plain\r\n"));
    Columns(B, 2);
    B.LoadFromTextFile(Path("ansi.txt"), QLatin1Char(','), QLatin1Char('|'), 0);
    EXPECT_EQ(Content(B), Content(A));

    A.ClearRows();
    const std::vector<QStringList> rows = {{"Привет", "€"}, {"\"x", "y\"z"}, {"", "end"}};
    Put(A, rows);
    for (TEncodingKind kind : {ekUnicode, ekUnicodeBigEndian}) {
        A.SaveToTextFile(Path("u.txt"), QLatin1Char(','), QLatin1Char('|'), kind);
        const QByteArray bytes = ReadAll(Path("u.txt"));
        EXPECT_EQ(bytes.left(2), kind == ekUnicode ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF"));
        B.LoadFromTextFile(Path("u.txt"), QLatin1Char(','), QLatin1Char('|'), 0);
        EXPECT_EQ(Content(B), rows) << kind;
    }
    // StartRow 1 skips a heading line.
    B.LoadFromTextFile(Path("u.txt"), QLatin1Char(','), QLatin1Char('|'), 1);
    EXPECT_EQ(Content(B), (std::vector<QStringList>{rows[1], rows[2]}));
    int progress = 0;
    B.OnLoadProgress = [&](TObject*, int, int) { ++progress; };
    B.LoadFromTextFile(Path("u.txt"), QLatin1Char(','), QLatin1Char('|'), 0);
    EXPECT_EQ(progress, 6);
    EXPECT_THROW(B.LoadFromTextFile(Path("missing.txt"), QLatin1Char(','), QLatin1Char('|'), 0), EFOpenError);
}

TEST_F(Files, LayoutInIniFileAndSettingsStore) {
    qputenv("KORVEL_CONFIG_DIR", Dir.path().toUtf8());
    struct Store {
        const char* name;
        std::function<void(TGxGrid&, const QString&)> save, load;
    };
    const QString ini = Path("layout.ini");
    const std::vector<Store> stores = {
        {"ini", [&](TGxGrid& g, const QString& id) { g.SaveToIni(ini, id); },
         [&](TGxGrid& g, const QString& id) { g.LoadFromIni(ini, id); }},
        {"registry", [](TGxGrid& g, const QString& id) { g.SaveToRegistry(QStringLiteral("Software\\Korvel\\Grid"), id); },
         [](TGxGrid& g, const QString& id) { g.LoadFromRegistry(QStringLiteral("Software\\Korvel\\Grid"), id); }},
    };
    for (const Store& s : stores) {
        TGxGrid a(nullptr), b(nullptr);
        Columns(a, 3);
        Columns(b, 3);
        a.Columns()->Item(0)->SetWidth(120);
        a.Columns()->Item(1)->SetVisible(false);
        a.Columns()->Item(2)->SetSortKind(skDescending);
        a.Columns()->Item(2)->SetSorted(true);
        a.Columns()->ChangePosition(2, 0); // column 2 first
        s.save(a, QStringLiteral("A"));
        s.load(b, QStringLiteral("A"));
        for (int i = 0; i < 3; ++i) {
            TGxCustomColumn *x = a.Columns()->Item(i), *y = b.Columns()->Item(i);
            EXPECT_EQ(y->Position(), x->Position()) << s.name << i;
            EXPECT_EQ(y->Width(), x->Width()) << s.name << i;
            EXPECT_EQ(y->Visible(), x->Visible()) << s.name << i;
            EXPECT_EQ(y->Sorted(), x->Sorted()) << s.name << i;
            EXPECT_EQ(y->SortKind(), x->SortKind()) << s.name << i;
        }
        // Another ID finds nothing: defaults, widths kept.
        s.load(a, QStringLiteral("B"));
        for (int i = 0; i < 3; ++i) {
            TGxCustomColumn* x = a.Columns()->Item(i);
            EXPECT_EQ(x->Position(), i) << s.name;
            EXPECT_TRUE(x->Visible()) << s.name;
            EXPECT_FALSE(x->Sorted()) << s.name;
            EXPECT_EQ(x->SortKind(), skAscending) << s.name;
        }
        EXPECT_EQ(a.Columns()->Item(0)->Width(), 120) << s.name;
    }
    TMemIniFile file(ini);
    EXPECT_EQ(file.ReadString(QStringLiteral("CommonA"), QStringLiteral("ColumnsCount"), QString()), QStringLiteral("3"));
    EXPECT_EQ(file.ReadString(QStringLiteral("Visible ColumnsA"), QStringLiteral("Column1"), QString()), QStringLiteral("0"));
    EXPECT_EQ(file.ReadString(QStringLiteral("Columns Sort KindA"), QStringLiteral("Column2"), QString()),
              QStringLiteral("Descending"));
    qunsetenv("KORVEL_CONFIG_DIR");
}

TEST_F(Files, HtmlEscapesAndIsUtf8) {
    Columns(A, 3);
    A.Columns()->Item(1)->SetStyleClass(QStringLiteral("num"));
    A.Columns()->Item(2)->SetVisible(false);
    A.Columns()->Item(0)->Header()->SetCaption(QStringLiteral("Name <b>"));
    A.Columns()->Item(1)->Footer()->SetCaption(QStringLiteral("6.5"));
    A.Columns()->Item(1)->Footer()->SetTextBefore(QStringLiteral("Σ "));
    A.SetCaption(QStringLiteral("Q&A"));
    Put(A, {{"  <script>x</script> ", "Привет", "hidden column"}, {"", "a & b", ""}});
    A.SaveToHtml(Path("t.html"), {hsSaveHeaders, hsSaveFooter, hsSaveCaption, hsCreateStyleSheet});
    const QByteArray bytes = ReadAll(Path("t.html"));
    const QString html = QString::fromUtf8(bytes);
    EXPECT_EQ(html.toUtf8(), bytes) << "valid UTF-8";
    EXPECT_TRUE(html.contains(QStringLiteral("charset=utf-8")));
    EXPECT_TRUE(html.contains(QStringLiteral("\t\t\t\t<td>&lt;script&gt;x&lt;/script&gt;</td>\r\n")));
    EXPECT_TRUE(html.contains(QStringLiteral("\t\t\t\t<td class=\"num\">Привет</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>&nbsp;</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral("a &amp; b")));
    EXPECT_TRUE(html.contains(QStringLiteral("<th>Name &lt;b&gt;</th>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<caption>Q&amp;A</caption>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>Σ 6.5</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<link href=\"t_styles.css\"")));
    EXPECT_FALSE(html.contains(QStringLiteral("hidden column")));
    EXPECT_TRUE(ReadAll(Path("t_styles.css")).contains("td.num { }"));

    A.SaveToHtml(Path("bare.html"), {});
    const QString bare = QString::fromUtf8(ReadAll(Path("bare.html")));
    EXPECT_TRUE(bare.startsWith(QStringLiteral("\t\t<table>\r\n")));
    EXPECT_TRUE(bare.endsWith(QStringLiteral("\t\t</table>\r\n\r\n")));
}

TEST_F(Files, XmlInEveryEncodingParses) {
    TFormatSettingsScope locale(QStringLiteral("en_US"));
    SetClock([] { return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0); });
    A.Columns()->Add<TGxTextColumn>(QStringLiteral("XML Name 1"));
    A.Columns()->Add<TGxTextColumn>(QStringLiteral("2024"));
    A.Columns()->Add<TGxTextColumn>(QStringLiteral("When"))->SetColumnType(ctDate);
    A.AddRow(2);
    A.SetCells(0, 0, QStringLiteral("<a & 'b'> \"c\""));
    A.SetCells(1, 0, QStringLiteral("Привет"));
    A.GetCell(2, 0)->SetAsDateTime(EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0));
    A.SetCells(0, 1, QStringLiteral("z"));
    A.GetCell(2, 1)->SetAsDateTime(0.5);
    for (TUniEncoding enc : {enUnspecified, enISO_8859_1, enUTF_16, enUTF_8}) {
        A.SaveToXMLFile(Path("t.xml"), enc);
        const QByteArray bytes = ReadAll(Path("t.xml"));
        if (enc == enUTF_16) { EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE")); }
        QDomDocument doc;
        ASSERT_TRUE(doc.setContent(bytes)) << enc;
        const QDomElement root = doc.documentElement();
        EXPECT_EQ(root.tagName(), QStringLiteral("GxGrid"));
        EXPECT_EQ(root.attribute(QStringLiteral("createdDate")), QStringLiteral("2024-03-05T14:07:09"));
        EXPECT_EQ(root.attribute(QStringLiteral("totalRows")), QStringLiteral("2"));
        const QDomElement row = root.firstChildElement(QStringLiteral("Row"));
        EXPECT_EQ(row.firstChildElement(QStringLiteral("Name1")).text(), QStringLiteral("<a & 'b'> \"c\"")) << enc;
        EXPECT_EQ(row.firstChildElement(QStringLiteral("Column1")).text(), QStringLiteral("Привет")) << enc;
        EXPECT_EQ(row.firstChildElement(QStringLiteral("When")).text(), QStringLiteral("2024-03-05T14:07:09"));
        EXPECT_EQ(row.nextSiblingElement(QStringLiteral("Row")).firstChildElement(QStringLiteral("When")).text(),
                  QStringLiteral("12:00:00"));
    }
    SetClock({});

    TUIServicesScope ui;
    ui->AnswerMessage(mrOk, QStringLiteral("Nothing to save"));
    B.SaveToXMLFile(Path("empty.xml"), enUTF_8);
    EXPECT_FALSE(QFile::exists(Path("empty.xml")));
    ASSERT_EQ(ui->Messages().size(), 1u);
    EXPECT_EQ(ui->Messages()[0].Caption, QStringLiteral("Save to XML"));
    EXPECT_EQ(ui->Messages()[0].Icon, TMessageIcon::Warning);
}

} // namespace
