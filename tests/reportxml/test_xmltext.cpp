// Escaping and unescaping of attribute texts, and what a written file holds for each kind of text.
#include "XmlTestUtil.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

struct TEscapeCase {
    QString Text;
    QString Escaped;
};

TEST(XmlText, EscapeTable) {
    const TEscapeCase cases[] = {
        {"plain text", "plain text"},
        {"A & B", "A &#38; B"},
        {"line\r\nbreak", "line&#13;&#10;break"},
        {"say \"hi\"", "say &#34;hi&#34;"},
        {"<b>", "&#60;b&#62;"},
        // An entity quote in the text becomes a reference to one double quote.
        {"x&quot;y", "x&#34;y"},
        {"&amp;", "&#38;amp;"},
        {"tab\there", "tab\there"},
        // Control characters other than tab go out as references (the file then says version 1.1).
        {QString("a") + QChar(1) + "b" + QChar(0x1F), "a&#1;b&#31;"},
        {QString(QChar(0)), "&#0;"},
        {QString::fromUtf8("Привет €"), QString::fromUtf8("Привет €")},
        {"", ""},
    };
    for (const TEscapeCase& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        EXPECT_EQ(EscapeXMLText(c.Text), c.Escaped);
    }
}

TEST(XmlText, UnescapeTable) {
    const TEscapeCase cases[] = {
        {"A &#38; B", "A & B"},
        {"&#13;&#10;", "\r\n"},
        {"&quot;&amp;&lt;&gt;", "\"&<>"},
        // A produced character is not examined again.
        {"&#38;lt;", "&lt;"},
        {"&amp;lt;", "&lt;"},
        // Unknown entities and lone ampersands stay as they are.
        {"&nbsp; & &apos;", "&nbsp; & &apos;"},
        {"a&#", "a&#"},
        {"&#x41;&#65;", "AA"},
        {"&#128512;", QString::fromUtf8("😀")},
        {"no escapes", "no escapes"},
    };
    for (const TEscapeCase& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        EXPECT_EQ(UnescapeXMLText(c.Text), c.Escaped);
    }
    EXPECT_THROW(UnescapeXMLText("&#abc;"), EConvertError);
}

// Every text set as an attribute reads back as it was after a write and a read, except that
// "&quot;" reads back as a double quote.
TEST(XmlText, AttributeRoundTripThroughFile) {
    const QString texts[] = {
        "A & B",
        "line\r\nbreak\nand\rmore",
        "\"quoted\" <tag> 'single'",
        "&#38;lt; stays literal",
        "&amp; &lt; &#65;",
        "tab\tand\ttabs",
        QString("controls ") + QChar(1) + QChar(8) + QChar(0x0B) + QChar(0x0C) + QChar(0x1B) + QChar(0x1F),
        QString("del and C1 ") + QChar(0x7F) + QChar(0x80) + QChar(0x85) + QChar(0x9F),
        QString::fromUtf8("Ünïcödé Привет 日本 😀"),
        QString::fromUtf8("\xEF\xBB\xBF at the start"),
        "   leading and trailing blanks   ",
        "",
    };
    for (bool indent : {false, true}) {
        TrptXMLDocument doc;
        doc.SetAutoIndent(indent);
        doc.Root()->SetName("root");
        int i = 0;
        for (const QString& t : texts)
            doc.Root()->Add("item")->SetProp("v" + QString::number(i++), t);
        TrptXMLDocument back;
        LoadBytes(back, SaveBytes(doc));
        ASSERT_EQ(back.Root()->Count(), static_cast<int>(std::size(texts)));
        for (int k = 0; k < back.Root()->Count(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(back.Root()->Items(k)->Prop("v" + QString::number(k)), texts[k]);
        }
    }
    TrptXMLDocument doc;
    doc.Root()->SetName("r");
    doc.Root()->SetProp("q", "a&quot;b");
    TrptXMLDocument back;
    LoadBytes(back, SaveBytes(doc));
    EXPECT_EQ(back.Root()->Prop("q"), "a\"b");
}

TEST(XmlText, HeaderAndBytesOfTheWrittenFile) {
    TrptXMLDocument doc;
    doc.Root()->SetName("root");
    doc.Root()->SetProp("a", "A & B");
    doc.Root()->Add("x")->SetValue("v");
    EXPECT_EQ(SaveBytes(doc), QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>"
                                         "<root a=\"A &#38; B\"><x>v</x></root>"));
    doc.SetAutoIndent(true);
    EXPECT_EQ(SaveBytes(doc), QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
                                         "<root a=\"A &#38; B\">\r\n"
                                         "  <x>v</x>\r\n"
                                         "</root>\r\n"));
}

// A file holds no character its declared version forbids: C0 controls make it 1.1 and go as
// references; DEL and C1 controls go as references in any version; a plain file keeps 1.0.
TEST(XmlText, DeclaredVersionFollowsTheControlCharacters) {
    struct TCase {
        const char* Label;
        QString Text;
        bool Raw; // set as raw Text instead of through SetProp
        QByteArray Version;
        QByteArray Holds;
    };
    const TCase cases[] = {
        {"plain", "abc", false, "1.0", "v=\"abc\""},
        {"tab and line breaks", "a\tb\r\nc", false, "1.0", "v=\"a\tb&#13;&#10;c\""},
        {"escaped C0", QString("a") + QChar(2), false, "1.1", "v=\"a&#2;\""},
        {"raw C0 in the text", QString("v=\"a") + QChar(3) + "\"", true, "1.1", "v=\"a&#3;\""},
        {"reference written by hand", "v=\"&#x1B;\"", true, "1.1", "v=\"&#x1B;\""},
        {"DEL and C1", QString("a") + QChar(0x7F) + QChar(0x9F), false, "1.0", "v=\"a&#127;&#159;\""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        TrptXMLDocument doc;
        doc.Root()->SetName("root");
        // Enough elements before it that the header has left the writer's buffer.
        for (int i = 0; i < 300; ++i)
            doc.Root()->Add("filler")->SetProp("n", QString::number(i));
        TrptXMLItem* item = doc.Root()->Add("item");
        if (c.Raw)
            item->SetText(c.Text);
        else
            item->SetProp("v", c.Text);
        const QByteArray bytes = SaveBytes(doc);
        EXPECT_TRUE(bytes.startsWith("<?xml version=\"" + c.Version + "\" encoding=\"utf-8\" standalone=\"no\"?>"));
        EXPECT_TRUE(bytes.contains(c.Holds)) << bytes.right(200).toStdString();
        for (char ch : bytes) {
            if (static_cast<unsigned char>(ch) < 0x20) {
                EXPECT_TRUE(ch == '\t' || ch == '\n' || ch == '\r');
            }
        }
        TrptXMLDocument back;
        LoadBytes(back, bytes);
        EXPECT_EQ(back.Root()->Items(300)->Prop("v"), item->Prop("v"));
    }
    // A small document: the header is still in the buffer when the version is decided.
    TrptXMLDocument doc;
    doc.Root()->SetName("r");
    doc.Root()->Add("i")->SetValue(QString("x") + QChar(7));
    EXPECT_EQ(SaveBytes(doc), QByteArray("<?xml version=\"1.1\" encoding=\"utf-8\" standalone=\"no\"?>"
                                         "<r><i>x&#7;</i></r>"));
}

TEST(XmlText, CharactersNoFileCanHoldAreRefusedNamingTheElement) {
    struct TCase {
        const char* Label;
        QString Prop;
        QString Value;
        QString Name;
    };
    const TCase cases[] = {
        {"NUL in an attribute", QString("a") + QChar(0) + "b", "", "item"},
        {"NUL reference by hand", "", "", "item"},
        {"NUL in a value", "", QString(QChar(0)), "item"},
        {"lone surrogate", QString(QChar(0xD800)), "", "item"},
        {"U+FFFF", QString(QChar(0xFFFF)), "", "item"},
        {"control character in a name", "", "", QString("it") + QChar(1) + "em"},
        {"name ending in a slash", "", "", "item/"},
        {"name beginning with a slash", "", "", "/item"},
        {"blank in a name", "", "", "it em"},
        {"angle bracket in a name", "", "", "it>em"},
        {"comment-like name", "", "", "!--item"},
        {"empty name with content", "x", "", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        TrptXMLDocument doc;
        doc.Root()->SetName("report");
        TrptXMLItem* item = doc.Root()->Add("page1")->Add(c.Name);
        if (!c.Prop.isEmpty())
            item->SetProp("v", c.Prop);
        else if (c.Value.isEmpty() && c.Name == "item" && std::string(c.Label) == "NUL reference by hand")
            item->SetText("v=\"&#0;\"");
        item->SetValue(c.Value);
        TMemoryStream s;
        try {
            doc.SaveToStream(s);
            ADD_FAILURE() << "saved";
        } catch (const ErptXMLWriteError& e) {
            EXPECT_TRUE(e.Message().contains("\"report/page1/" + c.Name + "\"")) << e.Message().toStdString();
        }
    }
    // The same text from a file with a surrogate pair is fine.
    TrptXMLDocument doc;
    doc.Root()->SetName("r");
    doc.Root()->SetProp("v", QString::fromUtf8("😀"));
    TrptXMLDocument back;
    LoadBytes(back, SaveBytes(doc));
    EXPECT_EQ(back.Root()->Prop("v"), QString::fromUtf8("😀"));
}

TEST(XmlText, SaveToFileKeepsTheOldFileWhenWritingFails) {
    const QString name = QDir::tempPath() + "/korvel-xml-refused.xml";
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old content");
    }
    TrptXMLDocument doc;
    doc.Root()->SetName("r");
    doc.Root()->SetProp("v", QString(QChar(0)));
    EXPECT_THROW(doc.SaveToFile(name), ErptXMLWriteError);
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old content");
    EXPECT_FALSE(QFile::exists(name + ".tmp"));
    f.close();
    QFile::remove(name);
}

TEST(XmlText, VariantToXMLTextTable) {
    TFormatSettingsScope locale(QStringLiteral("de_DE"));
    struct TCase {
        Variant Value;
        QString Text;
    };
    const TCase cases[] = {
        {Variant(42), "42"},
        {Variant(short(-7)), "-7"},
        {Variant(static_cast<unsigned char>(200)), "200"},
        {Variant(1.5), "1,5"},
        {Variant(0.25f), "0,25"},
        {Variant::FromCurrency(12.34), "12,34"},
        {Variant(true), "1"},
        {Variant(false), "0"},
        {Variant(QStringLiteral("a<b")), "a&#60;b"},
        {Variant(), ""},
        {Variant::Null(), ""},
        {Variant(static_cast<long long>(5)), ""},
        {Variant(static_cast<unsigned short>(5)), ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        EXPECT_EQ(VariantToXMLText(c.Value), c.Text);
    }
    EXPECT_EQ(VariantToXMLText(Variant::FromDate(45000)), DateToStr(45000));
}

} // namespace

namespace {

// A raw text ending in "/" would make the element read as childless; before content the slash goes
// as a reference, so the children and the attribute value come back.
TEST(XmlText, TextEndingInSlashKeepsTheContent) {
    for (const char* text : {"a=\"1\" /", "a=\"1\" / ", "/"}) {
        SCOPED_TRACE(text);
        TrptXMLDocument doc;
        doc.Root()->SetName("root");
        TrptXMLItem* parent = doc.Root()->Add("p");
        parent->SetText(text);
        parent->Add("child");
        TrptXMLItem* valued = doc.Root()->Add("v");
        valued->SetText(text);
        valued->SetValue("x");
        TrptXMLItem* empty = doc.Root()->Add("e");
        empty->SetText(text);
        TrptXMLDocument back;
        LoadBytes(back, SaveBytes(doc));
        ASSERT_EQ(back.Root()->Count(), 3);
        EXPECT_EQ(At(back.Root(), {0})->Count(), 1);
        EXPECT_EQ(At(back.Root(), {0})->GetProp("a"), parent->GetProp("a"));
        EXPECT_EQ(At(back.Root(), {1})->Name(), "v");
        EXPECT_EQ(At(back.Root(), {2})->Name(), "e");
    }
}

} // namespace
