// The reader: tag forms, comments, headers, old single-byte files, code pages and the unload marker.
#include "XmlTestUtil.h"

#include "platform/rtl/SingleByteCodec.h"
#include "report/core/rptWideStrings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

const QByteArray Head = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";

// Restores the system code page a test changes.
struct TCodePageScope {
    explicit TCodePageScope(int cp) { SetSystemCodePage(cp); }
    ~TCodePageScope() { SetSystemCodePage(0); }
};

TEST(XmlRead, TagForms) {
    struct TCase {
        const char* Body;
        const char* Name;
        const char* Text;
        int Children;
    };
    const TCase cases[] = {
        {"<a/>", "a", "", 0},
        {"<a x=\"1\"/>", "a", "x=\"1\"", 0},
        {"<a x=\"1\" />", "a", "x=\"1\" ", 0},
        {"<a />", "a", "", 0},
        {"<a >", "a", "", 0},
        {"<a  x=\"1\"></a>", "a", " x=\"1\"", 0},
        {"<a>value text</a>", "a", "", 0},
        {"<a><b/><c></c><!-- <not> a tag --><d x=\"&lt;\"/></a>", "a", "", 3},
        {"<A><b/></a>", "A", "", 1},
        // A missing end tag at the end of the stream is accepted.
        {"<a><b><c/>", "a", "", 1},
        {"<a>", "a", "", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Body);
        TrptXMLDocument doc;
        LoadBytes(doc, Head + c.Body);
        EXPECT_EQ(doc.Root()->Name(), QString(c.Name));
        EXPECT_EQ(doc.Root()->Text(), QString(c.Text));
        EXPECT_EQ(doc.Root()->Count(), c.Children);
        EXPECT_EQ(doc.Root()->Value(), ""); // element content is never read back
    }
}

TEST(XmlRead, Comments) {
    struct TCase {
        const char* Body;
        int Children;
    };
    const TCase cases[] = {
        {"<!-- before --><a><b/></a>", 1},
        {"<a><!-- x > y < z --><b/></a>", 1},
        {"<a><!----><b/></a>", 1},
        // A third dash starts the count again: "--->" does not end the comment, "----->" does.
        {"<a><!-- x ---> <b/> --><c/></a>", 1},
        {"<a><!-- x -----><b/></a>", 1},
        {"<a><!-- unterminated <b/>", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Body);
        TrptXMLDocument doc;
        LoadBytes(doc, Head + c.Body);
        EXPECT_EQ(doc.Root()->Name(), "a");
        EXPECT_EQ(doc.Root()->Count(), c.Children);
    }
}

TEST(XmlRead, MalformedInputRaises) {
    const QByteArray cases[] = {
        "",
        "<a/>",                               // no header
        "<?xml version=\"1.0\"?><a><b x<y/></a>", // "<" inside a tag
        Head + "<a><b></c></a>",              // end tag of another element
        Head + "<a><b x=\"1",                 // end of stream inside a tag
        Head + "<a></b>",
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toStdString());
        TrptXMLDocument doc;
        try {
            LoadBytes(doc, bytes);
            ADD_FAILURE() << "loaded";
        } catch (const TrptInvalidXMLException& e) {
            EXPECT_EQ(e.Message(), "Invalid file format");
        }
    }
    // What was read before the fault stays.
    TrptXMLDocument doc;
    EXPECT_THROW(LoadBytes(doc, Head + "<a><b/><c/><d></e></a>"), TrptInvalidXMLException);
    EXPECT_EQ(doc.Root()->Name(), "a");
    EXPECT_GE(doc.Root()->Count(), 2);
}

TEST(XmlRead, NoRootElementLeavesTheRootEmpty) {
    for (const QByteArray& body : {QByteArray(""), QByteArray("<!-- only a comment -->"), QByteArray("</x>")}) {
        SCOPED_TRACE(body.toStdString());
        TrptXMLDocument doc;
        doc.Root()->SetName("before");
        doc.Root()->SetText("a=\"1\"");
        LoadBytes(doc, Head + body);
        EXPECT_EQ(doc.Root()->Name(), "");
        EXPECT_EQ(doc.Root()->Text(), "");
        EXPECT_EQ(doc.Root()->Count(), 0);
    }
    // A new document without a name writes as much and reads back the same.
    TrptXMLDocument fresh;
    const QByteArray bytes = SaveBytes(fresh);
    EXPECT_EQ(bytes, Head + "</>");
    TrptXMLDocument back;
    LoadBytes(back, bytes);
    EXPECT_EQ(back.Root()->Name(), "");
}

TEST(XmlRead, AnUnknownEntityStaysText) {
    TrptXMLDocument doc;
    LoadBytes(doc, Head + "<a v=\"&nbsp;&amp;\"/>");
    EXPECT_EQ(doc.Root()->Prop("v"), "&nbsp;&");
}

TEST(XmlRead, ByteOrderMarkAndBytesBeforeTheHeaderAreSkipped) {
    TrptXMLDocument doc;
    {
        TFileStream f(QStringLiteral(KORVEL_TEST_DATA "/bom.xml"), fmOpenRead);
        doc.LoadFromStream(f);
    }
    EXPECT_EQ(doc.Root()->Prop("Name"), QString::fromUtf8("Привет"));
    EXPECT_FALSE(doc.OldVersion());
    LoadBytes(doc, "garbage \x01\x02 " + Head + "<b/>");
    EXPECT_EQ(doc.Root()->Name(), "b");
}

TEST(XmlRead, OldSingleByteFileReadsInTheSystemCodePage) {
    TCodePageScope cp(1251);
    TrptXMLDocument doc;
    TFileStream f(QStringLiteral(KORVEL_TEST_DATA "/old-single-byte.xml"), fmOpenRead);
    doc.LoadFromStream(f);
    EXPECT_TRUE(doc.OldVersion());
    EXPECT_EQ(doc.Root()->Prop("Name"), QString::fromUtf8("Привет"));
    EXPECT_EQ(doc.Root()->Prop("Amp"), "a&b");
    ASSERT_EQ(doc.Root()->Count(), 1);
    EXPECT_EQ(doc.Root()->Items(0)->Name(), QString::fromUtf8("страница"));
    EXPECT_EQ(doc.Root()->Items(0)->Prop("Text"), QString::fromUtf8("Да"));

    // Written again it is a UTF-8 file with the standalone header; names stay single-byte.
    const QByteArray saved = SaveBytes(doc);
    EXPECT_TRUE(saved.startsWith(Head));
    EXPECT_TRUE(saved.contains("Name=\"" + QString::fromUtf8("Привет").toUtf8() + "\""));
    EXPECT_TRUE(saved.contains("<\xf1\xf2\xf0\xe0\xed\xe8\xf6\xe0 "));
    TrptXMLDocument back;
    LoadBytes(back, saved);
    EXPECT_FALSE(back.OldVersion());
    EXPECT_EQ(back.Root()->Items(0)->Name(), QString::fromUtf8("страница"));
    EXPECT_EQ(back.Root()->Prop("Name"), QString::fromUtf8("Привет"));
}

TEST(XmlRead, HeaderDecidesTheOldFormat) {
    struct TCase {
        QByteArray Header;
        bool Old;
    };
    const TCase cases[] = {
        {"<?xml version=\"1.0\"?>", true},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>", true},
        {Head, false},
        {"<?xml version=\"1.1\" encoding=\"utf-8\" standalone=\"no\"?>", false},
        {"<?xml version='1.0' standalone='yes'?>", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Header.toStdString());
        TrptXMLDocument doc;
        LoadBytes(doc, c.Header + "<a v=\"\xe9\"/>");
        EXPECT_EQ(doc.OldVersion(), c.Old);
    }
}

TEST(XmlRead, ElementNamesUseTheSystemCodePage) {
    const QString name = QString::fromUtf8("Страница");
    for (int cp : {1251, 1252}) {
        SCOPED_TRACE(cp);
        TCodePageScope scope(cp);
        TrptXMLDocument doc;
        doc.Root()->SetName(name);
        const QByteArray bytes = SaveBytes(doc);
        EXPECT_EQ(bytes.mid(Head.size()), cp == 1251 ? QByteArray("<\xd1\xf2\xf0\xe0\xed\xe8\xf6\xe0/>")
                                                     : QByteArray("<") + QByteArray(8, '?') + "/>");
        TrptXMLDocument back;
        LoadBytes(back, bytes);
        EXPECT_EQ(back.Root()->Name(), cp == 1251 ? name : QString("????????"));
    }
}

TEST(XmlRead, SingleByteCodec) {
    const TSingleByteCodec& cp1251 = TSingleByteCodec::Get(1251);
    const QString text = QString::fromUtf8("Ёлка №1 €");
    const QByteArray bytes = cp1251.FromUnicode(text);
    EXPECT_EQ(bytes, QByteArray("\xa8\xeb\xea\xe0 \xb9\x31 \x88"));
    EXPECT_EQ(cp1251.ToUnicode(bytes), text);
    // A byte the code page leaves undefined keeps its value; what it cannot hold becomes "?".
    EXPECT_EQ(cp1251.ToUnicode(QByteArray("\x98")), QString(QChar(0x98)));
    EXPECT_EQ(TSingleByteCodec::Get(1252).FromUnicode(QString::fromUtf8("a日")), "a?");
    EXPECT_THROW(TSingleByteCodec::Get(932), EConvertError);
}

// The marker is found wherever the writer or a hand puts it as a whole attribute; with partial
// loading such an element keeps its children in the stream.
TEST(XmlRead, UnloadMarkerForms) {
    struct TCase {
        const char* Tag;
        const char* Text; // after the marker is taken out
        bool Marked;
    };
    const TCase cases[] = {
        {"<page5 ld=\"0\">", "", true},
        {"<page5 a=\"1\"ld=\"0\">", "a=\"1\"", true},
        {"<page5 a=\"1\" ld=\"0\">", "a=\"1\" ", true},
        {"<page5 ld=\"0\" a=\"1\">", "a=\"1\"", true},
        {"<page5 a=\"1\" LD=\"0\" b=\"2\">", "a=\"1\" b=\"2\"", true},
        {"<page5 old=\"0\">", "old=\"0\"", false},
        {"<page5 a=\"ld=\">", "a=\"ld=\"", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Tag);
        const QByteArray bytes = Head + "<root>" + c.Tag + "<obj x=\"1\"/><obj x=\"2\"/></page5><tail/></root>";
        TLoadedDoc full(bytes);
        TrptXMLItem* page = full.Doc.Root()->Items(0);
        EXPECT_EQ(page->Text(), QString(c.Text));
        EXPECT_EQ(page->Count(), 2);
        EXPECT_TRUE(page->Loaded());
        EXPECT_FALSE(page->Unloadable());

        TLoadedDoc partial(bytes, true);
        page = partial.Doc.Root()->Items(0);
        EXPECT_EQ(partial.Doc.Root()->Count(), 2);
        EXPECT_EQ(page->Text(), QString(c.Text));
        EXPECT_EQ(page->Unloadable(), c.Marked);
        EXPECT_EQ(page->Loaded(), !c.Marked);
        EXPECT_EQ(page->Count(), c.Marked ? 0 : 2);
        partial.Doc.LoadItem(page);
        EXPECT_TRUE(page->Loaded());
        ASSERT_EQ(page->Count(), 2);
        EXPECT_EQ(page->Items(1)->Prop("x"), "2");
        EXPECT_EQ(page->Text(), QString(c.Text));
    }
}

TEST(XmlRead, ReaderReadsOneElementAndLeavesTheStreamAfterIt) {
    TBytesStream s(QByteArray("<TrptMemoView Name=\"m1\" x=\"a\"/><TrptMemoView Name=\"m2\"/>"));
    TrptXMLItem first, second;
    {
        TrptXMLReader reader(s);
        reader.ReadRootItem(&first, false);
    }
    EXPECT_EQ(s.Position(), 31); // just after the first "/>"
    {
        TrptXMLReader reader(s);
        reader.ReadRootItem(&second, false);
        EXPECT_EQ(reader.Position(), s.Size());
    }
    EXPECT_EQ(first.Name(), "TrptMemoView");
    EXPECT_EQ(first.Text(), "Name=\"m1\" x=\"a\"");
    EXPECT_EQ(second.Prop("Name"), "m2");
}

TEST(XmlRead, FileStreamsAreReadInBlocks) {
    // The same document read from a file (4 KB blocks, tags across block ends) and from memory.
    TrptXMLDocument doc;
    doc.Root()->SetName("root");
    for (int i = 0; i < 2000; ++i) {
        TrptXMLItem* item = doc.Root()->Add("item" + QString::number(i % 7));
        item->SetProp("text", QString(i % 50 + 1, QChar(u'ж')) + QString::number(i));
        if (i % 3 == 0)
            item->Add("sub")->SetProp("n", QString::number(i));
    }
    const QByteArray bytes = SaveBytes(doc);
    const QString name = QDir::tempPath() + "/korvel-xml-blocks.xml";
    {
        TFileStream f(name, fmCreate);
        f.WriteBytes(bytes);
    }
    TrptXMLDocument fromFile;
    {
        TFileStream f(name, fmOpenRead);
        fromFile.LoadFromStream(f);
    }
    QFile::remove(name);
    EXPECT_EQ(SaveBytes(fromFile), bytes);
}

} // namespace
