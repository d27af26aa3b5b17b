#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextCase.h"
#include "script/sc_xml.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

// Element names with their children, e.g. "a(b c(d))".
QString Shape(const TscXMLItem* item) {
    QString r = item->Name();
    if (item->Count() == 0) return r;
    QStringList kids;
    for (int i = 0; i < item->Count(); ++i)
        kids << Shape(item->Items(i));
    return r + "(" + kids.join(' ') + ")";
}

std::unique_ptr<TscXMLDocument> Load(const QByteArray& data) {
    auto doc = std::make_unique<TscXMLDocument>();
    doc->LoadFromBytes(data);
    return doc;
}

} // namespace

TEST(ScriptXml, EncodeAndDecode) {
    EXPECT_EQ(EncodeAttributeValue("<a & \"b\">\r\n"), "&#60;a &#38; &#34;b&#34;&#62;&#13;&#10;");
    EXPECT_EQ(EncodeAttributeValue("plain ü"), "plain ü");

    struct Case {
        QString in, out;
    } cases[] = {
        {"&#65;", "A"},
        {"&#x41;B", "AB"},
        {"&quot;x&quot;", "\"x\""},
        {"&#x;", "&#x;"},
        {"&#12", "&#12"},
        {"&#;", "&#;"},
        {"&#99999999;", "&#99999999;"},
        {"a&b", "a&b"},
        {"&amp;", "&amp;"},
        {"&#128512;", QString::fromUtf8("\xF0\x9F\x98\x80")},
        {"&", "&"},
        {"x&#38;y", "x&y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeAttributeValue(c.in), c.out) << c.in.toStdString();
}

TEST(ScriptXml, EveryValueSurvivesTheFile) {
    const QString values[] = {"a\r\nb", "\"quoted\"", "<tag>", "&",  "&quot;",    "&#65;", "&#x;",
                              "&#",     "tail&",      "",      "ü€", "a=\"b\" c", " lead", "trail "};
    for (bool indent : {false, true}) {
        TscXMLDocument doc;
        doc.SetAutoIndent(indent);
        doc.Root()->SetName("root");
        for (const QString& v : values) {
            TscXMLItem* item = doc.Root()->Add();
            item->SetName("i");
            item->SetProp("v", v);
        }
        auto back = Load(doc.SaveToBytes());
        ASSERT_EQ(back->Root()->Count(), int(std::size(values)));
        for (int i = 0; i < int(std::size(values)); ++i)
            EXPECT_EQ(back->Root()->Items(i)->GetProp("v"), values[i])
                << values[i].toStdString() << " indent " << indent;
    }
}

TEST(ScriptXml, Attributes) {
    TscXMLItem item;
    item.SetText("a=\"1\" b=\"2\" c=\"3\"");
    item.SetProp("B", "x");
    EXPECT_EQ(item.Text(), "a=\"1\" B=\"x\" c=\"3\""); // keeps its place, takes the caller's spelling
    item.SetProp("d", "4");
    EXPECT_EQ(item.Text(), "a=\"1\" B=\"x\" c=\"3\" d=\"4\"");
    EXPECT_EQ(item.GetProp("C"), "3");
    EXPECT_EQ(item.GetProp("missing"), "");
    EXPECT_FALSE(item.PropExists("missing"));

    TscXMLItem empty;
    empty.SetProp("e", "");
    EXPECT_EQ(empty.Text(), "e=\"\"");
    EXPECT_TRUE(empty.PropExists("e"));
    EXPECT_EQ(empty.GetProp("e"), "");

    TscXMLItem trailing;
    trailing.SetText("a=\"1\" ");
    trailing.SetProp("b", "2");
    EXPECT_EQ(trailing.Text(), "a=\"1\" b=\"2\"");

    // Names count only at the start or behind a blank.
    TscXMLItem glued;
    glued.SetText("xtext=\"1\"\ttext=\"2\"");
    EXPECT_FALSE(glued.PropExists("text"));
    // An unclosed value reads as empty.
    glued.SetText("v=\"open");
    EXPECT_TRUE(glued.PropExists("v"));
    EXPECT_EQ(glued.GetProp("v"), "");
}

TEST(ScriptXml, AttributeNamesIgnoreTheLocale) {
    SetCaseLocale("tr-TR");
    TscXMLItem item;
    item.SetText("ITEM=\"1\" pos=\"2\"");
    EXPECT_EQ(item.GetProp("item"), "1");
    EXPECT_EQ(item.GetProp("POS"), "2");
    SetCaseLocale("en-US");
}

TEST(ScriptXml, Tree) {
    TscXMLItem root;
    root.SetName("root");
    TscXMLItem* a = root.Add();
    a->SetName("a");
    TscXMLItem* b = root.Add();
    b->SetName("B");
    EXPECT_EQ(root.Find("b"), 1);
    EXPECT_EQ(root.Find("z"), -1);
    EXPECT_EQ(root.FindItem("b"), b);
    TscXMLItem* z = root.FindItem("z");
    EXPECT_EQ(z->Name(), "z");
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(root.IndexOf(z), 2);
    EXPECT_EQ(a->Root(), &root);
    EXPECT_THROW(root.Items(3), EListError);
    EXPECT_THROW(root.Items(-1), EListError);

    root.AddItem(a); // a child added again moves to the end
    EXPECT_EQ(Shape(&root), "root(B z a)");
    root.InsertItem(0, a);
    EXPECT_EQ(Shape(&root), "root(a B z)");

    TscXMLItem other;
    other.SetName("other");
    other.AddItem(b); // taken from its old parent
    EXPECT_EQ(Shape(&root), "root(a z)");
    EXPECT_EQ(b->Parent(), &other);

    a->Add()->SetName("deep");
    TscXMLItem copy;
    copy.Assign(&root);
    a->Items(0)->SetName("changed");
    EXPECT_EQ(Shape(&copy), "root(a(deep) z)");
    EXPECT_EQ(copy.Parent(), nullptr);

    z->Free();
    EXPECT_EQ(Shape(&root), "root(a(changed))");
    root.SetText("t=\"1\"");
    root.Clear();
    EXPECT_EQ(root.Count(), 0);
    EXPECT_EQ(root.Name(), "root");
    EXPECT_EQ(root.Text(), "t=\"1\"");
}

TEST(ScriptXml, WrittenForm) {
    TscXMLDocument doc;
    TscXMLItem* root = doc.Root();
    root->SetName("a");
    root->SetText("x=\"1\"");
    root->Add()->SetName("b");
    TscXMLItem* c = root->Add();
    c->SetName("c");
    c->Add()->SetName("d");
    EXPECT_EQ(doc.SaveToBytes(), "<?xml version=\"1.0\"?><a x=\"1\"><b/><c><d/></c></a>");
    doc.SetAutoIndent(true);
    EXPECT_EQ(doc.SaveToBytes(),
              "<?xml version=\"1.0\"?>\r\n<a x=\"1\">\r\n  <b/>\r\n  <c>\r\n    <d/>\r\n  </c>\r\n</a>\r\n");
    // A text that begins with a blank gets no second one.
    TscXMLDocument blank;
    blank.Root()->SetName("e");
    blank.Root()->SetText(" y=\"2\"");
    EXPECT_EQ(blank.SaveToBytes(), "<?xml version=\"1.0\"?><e y=\"2\"/>");
}

TEST(ScriptXml, ReadingTags) {
    struct Case {
        QByteArray in;
        QString shape;
    } cases[] = {
        {"<?xml version=\"1.0\"?><a ><b/></a>", "a(b)"},
        {"<?xml?><a/>", "a"},
        {"<?xml?><a /><b/>", "a"},
        {"<?xml?><a x=\"1\"/>", "a"},
        {"\xEF\xBB\xBF<?xml?>\r\n  text between <a>\r\n  <b/> more </a>", "a(b)"},
        {"<?xml?><a><!-- <c/> --><b/></a>", "a(b)"},
        {"<?xml?><a><!-- x ---><c/>--><b/></a>", "a(b)"},
        {"<?xml?><a></A>", "a"},
        {"<?xml?><a><b><c/>", "a(b(c))"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Shape(Load(c.in)->Root()), c.shape) << c.in.toStdString();

    auto doc = Load("<?xml?><a t=\"\xC3\xBC\" n=\"1\"/>");
    EXPECT_EQ(doc->Root()->GetProp("t"), QString::fromUtf8("ü"));
    EXPECT_EQ(doc->Root()->Text(), QString::fromUtf8("t=\"ü\" n=\"1\""));
}

TEST(ScriptXml, MalformedInput) {
    const QByteArray bad[] = {
        "<a/>",                // no header
        "<?XML?><a/>",         // header is case-sensitive
        "<?xml?><a <b/></a>",  // "<" inside a tag
        "<?xml?><a x=\"1\"",   // data ends inside a tag
        "<?xml?><a><b></a>",   // closing tag of another element
        "<?xml?><a><!-- open", // data ends inside a comment
    };
    for (const QByteArray& b : bad) {
        try {
            Load(b);
            ADD_FAILURE() << "accepted " << b.toStdString();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid file format") << b.toStdString();
        }
    }
    // Deep nesting is refused instead of exhausting the stack.
    QByteArray deep = "<?xml?>";
    for (int i = 0; i < 5000; ++i)
        deep += "<a>";
    EXPECT_THROW(Load(deep), Exception);
}

TEST(ScriptXml, ReaderStopsBehindTheTopElement) {
    TBytesStream s(QByteArray("<?xml?><a/><b/>"));
    TscXMLDocument doc;
    doc.LoadFromStream(s);
    EXPECT_EQ(doc.Root()->Name(), "a");
    EXPECT_EQ(s.Position(), 11);
}

TEST(ScriptXml, Files) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("tree.xml");
    TscXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName("root");
    TscXMLItem* item = doc.Root()->Add();
    item->SetName("item");
    item->SetProp("name", "x<y");
    doc.SaveToFile(path);
    TscXMLDocument back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Root()->Items(0)->GetProp("name"), "x<y");

    EXPECT_THROW(back.LoadFromFile(dir.filePath("missing.xml")), EFOpenError);

    const QString broken = dir.filePath("broken.xml");
    {
        TFileStream f(broken, fmCreate);
        f.WriteBytes("<?xml?><a><b></c>");
    }
    try {
        back.LoadFromFile(broken);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith("Invalid file format")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(broken));
    }
}
