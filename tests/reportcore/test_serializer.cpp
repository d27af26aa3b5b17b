// The template format: attributes by property kind, defaults, sub-object paths, references,
// defined data (PropData), hand-made templates read and written again byte for byte, and bad
// input, which never stops a load.

#include "ReportTestClasses.h"

#include "platform/gfx/GraphicsClasses.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptRes.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QByteArray Fixture(const char* name) {
    QFile f(QStringLiteral(KORVEL_TEST_DATA "/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

// Any message box fails the test.
struct NoMessages {
    TScriptedUIServices* Services = new TScriptedUIServices(
        [](const QString& q) { ADD_FAILURE() << "unexpected question: " << q.toStdString(); });
    std::unique_ptr<IUIServices> Previous{SetUIServices(std::unique_ptr<IUIServices>(Services))};
    ~NoMessages() { SetUIServices(std::move(Previous)); }
};

QString Template(const QString& body, const QString& rootAttrs = QString()) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<TrptReport") +
           rootAttrs + QStringLiteral(">") + body + QStringLiteral("</TrptReport>");
}

// The attribute text of one object as a template writes it (without Name).
QString Attributes(TrptComponent* c) {
    TrptXMLSerializer s(nullptr);
    s.SetOwner(c->Report());
    return s.ObjToXML(c);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Writing

TEST(TemplateWrite, DefaultsFollowTheDeclaredDefaultOfEachKind) {
    auto r = NewQuietReport();
    auto* band = new TTestBand(r.get());
    auto* memo = new TTestMemo(band);
    // Floats always; strings when not empty; ordinals when not their default; a sub-object's
    // attributes by the same rules; the font only while it is the object's own.
    // A text object always carries its Text.
    EXPECT_EQ(Attributes(memo), " Frame.Width=\"1\" Height=\"0\" Left=\"0\" Top=\"0\" Width=\"0\" Text=\"\"");
    struct Case {
        const char* What;
        std::function<void(TTestMemo*)> Change;
        const char* Expected;
    };
    const Case cases[] = {
        {"boolean", [](TTestMemo* m) { m->SetAutoWidth(true); }, " AutoWidth=\"True\""},
        {"enumeration", [](TTestMemo* m) { m->SetHAlign(haBlock); }, " HAlign=\"haBlock\""},
        {"set", [](TTestMemo* m) { m->SetRestrictions(TrptRestrictions{rfDontSize, rfDontEdit}); },
         " Restrictions=\"18\""},
        {"integer", [](TTestMemo* m) { m->SetRotation(-45); }, " Rotation=\"-45\""},
        {"char", [](TTestMemo* m) { m->SetSeparator(QChar(0x416)); }, " Separator=\"1046\""},
        {"int64", [](TTestMemo* m) { m->SetBigNumber(-5000000000LL); }, " BigNumber=\"-5000000000\""},
        {"string, escaped", [](TTestMemo* m) { m->SetTagStr("a\"b<c>&\r\nd"); },
         " TagStr=\"a&#34;b&#60;c&#62;&#38;&#13;&#10;d\""},
        {"variant", [](TTestMemo* m) { m->SetHint(Variant(12)); }, " Hint=\"12\""},
        {"string list", [](TTestMemo* m) { m->Highlight()->SetText("x\r\ny\r\n"); }, " Highlight.Text=\"x&#13;&#10;y\""},
        {"sub-object set", [](TTestMemo* m) { m->Frame()->SetTyp(TTestFrameTypes{ftLeft, ftBottom}); },
         " Frame.Typ=\"9\""},
        {"script event name", [](TTestMemo* m) { m->SetOnBeforePrint("Memo1OnBeforePrint"); },
         " OnBeforePrint=\"Memo1OnBeforePrint\""},
        {"inherited Tag", [](TTestMemo* m) { m->SetTag(4); }, " Tag=\"4\""},
        {"text object", [](TTestMemo* m) { m->SetXMLText("one\r\ntwo\r\n"); }, " Text=\"one&#13;&#10;two\""},
        {"defined data", [](TTestMemo* m) { m->SetData(QByteArray("\x01\xAB", 2)); },
         " PropData=\"04446174610A0200000001AB\""},
    };
    for (const Case& c : cases) {
        auto* m = new TTestMemo(band);
        const QString before = Attributes(m);
        c.Change(m);
        const QString after = Attributes(m);
        // The attribute appears in its place among the others.
        QString added = after;
        for (const QString& part : before.split(' ', Qt::SkipEmptyParts))
            added.remove(QLatin1Char(' ') + part);
        EXPECT_EQ(added, QString::fromUtf8(c.Expected)) << c.What << ": " << after.toStdString();
    }
}

TEST(TemplateWrite, AttributesFollowTheClassesPropertyOrderAndTheFontOnlyWhenOwn) {
    auto r = NewQuietReport();
    auto* band = new TTestBand(r.get());
    auto* memo = new TTestMemo(band);
    memo->SetName("Memo1");
    memo->SetTag(2);
    memo->SetXMLText("t");
    memo->Font()->SetName("Liberation Sans");
    memo->Font()->SetStyle(TFontStyles{fsItalic});
    EXPECT_EQ(Attributes(memo), " Tag=\"2\" Font.Charset=\"1\" Font.Color=\"0\" Font.Height=\"-13\" "
                                "Font.Name=\"Liberation Sans\" Font.Style=\"2\" Frame.Width=\"1\" Height=\"0\" "
                                "Left=\"0\" ParentFont=\"False\" Top=\"0\" Width=\"0\" Text=\"t\"");
    memo->Font()->SetPitch(fpFixed);
    memo->Font()->SetOrientation(900);
    EXPECT_TRUE(Attributes(memo).contains("Font.Orientation=\"900\" Font.Pitch=\"fpFixed\" Font.Style=\"2\""));
    memo->SetParentFont(true);
    EXPECT_FALSE(Attributes(memo).contains("Font."));
}

TEST(TemplateWrite, SerializeDefaultValuesWritesDefaultsButNoEmptyStrings) {
    auto r = NewQuietReport();
    auto* memo = new TTestMemo(r.get());
    TrptXMLSerializer s(nullptr);
    s.SetSerializeDefaultValues(true);
    const QString text = s.ObjToXML(memo);
    EXPECT_TRUE(text.contains(" AutoWidth=\"False\"")) << text.toStdString();
    EXPECT_TRUE(text.contains(" HAlign=\"haLeft\""));
    EXPECT_TRUE(text.contains(" Frame.Color=\"0\""));
    EXPECT_TRUE(text.contains(" Restrictions=\"0\""));
    EXPECT_FALSE(text.contains("TagStr"));
    EXPECT_FALSE(text.contains("Master"));
}

TEST(TemplateWrite, AnAncestorLeavesOnlyTheDifferences) {
    auto r = NewQuietReport();
    auto* a = new TTestMemo(r.get());
    auto* b = new TTestMemo(r.get());
    auto* target = new TTestMemo(r.get());
    target->SetName("Target");
    for (TTestMemo* m : {a, b}) {
        m->SetBounds(1, 2, 3, 4);
        m->SetTagStr("same");
        m->SetXMLText("text");
        m->SetMaster(target);
    }
    TrptXMLSerializer s(nullptr);
    s.SetOwner(r.get());
    EXPECT_EQ(s.ObjToXML(b, QString(), a), "");
    b->SetLeft(1.0000001); // within 1e-6
    b->SetTop(7);
    b->SetMaster(nullptr);
    b->SetXMLText("other");
    EXPECT_EQ(s.ObjToXML(b, QString(), a), " Master=\"nil\" Top=\"7\" Text=\"other\"");
}

TEST(TemplateWrite, ClipboardTextHoldsOneElementPerObject) {
    auto r = NewQuietReport();
    auto* band = new TTestBand(r.get());
    auto* m1 = new TTestMemo(band);
    m1->SetName("Memo1");
    m1->SetXMLText("A");
    TMemoryStream ms;
    TrptXMLSerializer s(&ms);
    s.WriteComponent(m1);
    EXPECT_EQ(QString::fromUtf8(ms.Bytes()),
              "<TTestMemo Frame.Width=\"1\" Height=\"0\" Left=\"0\" Top=\"0\" Width=\"0\" Text=\"A\"/>");
    EXPECT_TRUE(s.WriteComponentStr(m1).startsWith("TTestMemo "));

    // Pasting makes a new object under the given parent.
    TrptComponent* copy = s.ReadComponentStr(band, s.WriteComponentStr(m1));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Parent(), band);
    EXPECT_EQ(static_cast<TTestMemo*>(copy)->Text(), "A");
    EXPECT_EQ(s.ReadComponentStr(band, "   "), nullptr);
    EXPECT_THROW(s.ReadComponentStr(band, "TNoSuchClass Left=\"1\""), EClassNotFound);
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST(TemplateRead, SubObjectPathsAndOneLetterNames) {
    auto r = NewQuietReport();
    auto* memo = new TTestMemo(r.get());
    TrptXMLSerializer s(nullptr);
    s.XMLToObj(" Font.Name=\"Courier New\" Font.Style=\"3\" Frame.Typ=\"6\" Frame.Color=\"255\" "
               "Highlight.Text=\"a&#13;&#10;b\" l=\"1,5\" t=\"2.5\" w=\" 3 \" h=\"4\" x=\"body\" "
               "Font.Nope=\"1\" Nope.Name=\"x\" Frame.Typ.More=\"1\" NoSuchProperty=\"1\"",
               memo);
    EXPECT_EQ(memo->Font()->Name(), "Courier New");
    EXPECT_EQ(memo->Font()->Style(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_FALSE(memo->ParentFont());
    EXPECT_EQ(memo->Frame()->Typ(), (TTestFrameTypes{ftRight, ftTop}));
    EXPECT_EQ(memo->Frame()->Color(), 255);
    EXPECT_EQ(memo->Highlight()->Count(), 2);
    EXPECT_DOUBLE_EQ(memo->Left(), 1.5);
    EXPECT_DOUBLE_EQ(memo->Top(), 2.5);
    EXPECT_DOUBLE_EQ(memo->Width(), 3);
    EXPECT_DOUBLE_EQ(memo->Height(), 4);
    EXPECT_EQ(memo->Text(), "body");
    // Unknown names and paths are ignored without a message.
    EXPECT_EQ(s.Errors().Count(), 0) << s.Errors().Text().toStdString();
}

TEST(TemplateRead, ValuesByKind) {
    struct Case {
        const char* Attr;
        std::function<bool(TTestMemo*)> Check;
    };
    const Case cases[] = {
        {"Left=\"12,5\"", [](TTestMemo* m) { return m->Left() == 12.5; }},
        {"Left=\"12.5\"", [](TTestMemo* m) { return m->Left() == 12.5; }},
        {"Left=\"-0.25\"", [](TTestMemo* m) { return m->Left() == -0.25; }},
        {"Left=\"1 000,5\"", [](TTestMemo* m) { return m->Left() == 1000.5; }},
        {"AutoWidth=\"True\"", [](TTestMemo* m) { return m->AutoWidth(); }},
        {"AutoWidth=\"1\"", [](TTestMemo* m) { return m->AutoWidth(); }},
        {"HAlign=\"HACENTER\"", [](TTestMemo* m) { return m->HAlign() == haCenter; }},
        {"HAlign=\"2\"", [](TTestMemo* m) { return m->HAlign() == haCenter; }},
        {"HAlign=\"haNothing\"", [](TTestMemo* m) { return m->HAlign() == haLeft; }},
        {"Restrictions=\"3\"", [](TTestMemo* m) { return m->Restrictions() == TrptRestrictions{rfDontModify, rfDontSize}; }},
        {"Separator=\"65\"", [](TTestMemo* m) { return m->Separator() == QLatin1Char('A'); }},
        {"BigNumber=\"123456789012\"", [](TTestMemo* m) { return m->BigNumber() == 123456789012LL; }},
        {"Hint=\"a&#38;b\"", [](TTestMemo* m) { return m->Hint().ToString() == "a&b"; }},
        {"TagStr=\"&#34;quoted&#34;\"", [](TTestMemo* m) { return m->TagStr() == "\"quoted\""; }},
        {"Text=\"x&#13;&#10;y\"", [](TTestMemo* m) { return m->Text() == "x\r\ny"; }},
        {"ReadOnlyCount=\"9\"", [](TTestMemo* m) { return m->ReadOnlyCount() == 3; }},
        {"PropData=\"04446174610A0200000001AB\"", [](TTestMemo* m) { return m->Data() == QByteArray("\x01\xAB", 2); }},
    };
    for (const Case& c : cases) {
        auto r = NewQuietReport();
        auto* memo = new TTestMemo(r.get());
        TrptXMLSerializer s(nullptr);
        s.XMLToObj(QString::fromUtf8(c.Attr), memo);
        EXPECT_TRUE(c.Check(memo)) << c.Attr;
        EXPECT_EQ(s.Errors().Count(), 0) << c.Attr << ": " << s.Errors().Text().toStdString();
    }
}

TEST(TemplateRead, BadValuesAddTheirMessageAndReadingGoesOn) {
    auto r = NewQuietReport();
    auto* memo = new TTestMemo(r.get());
    TrptXMLSerializer s(nullptr);
    s.XMLToObj(" Left=\"abc\" Rotation=\"1.5\" HAlign=\"99\" Restrictions=\"64\" Width=\"7\" Separator=\"70000\" "
               "Top=\"1.2.3\" PropData=\"04446174610AFF\" Height=\"8\" Hint=\"&#xZZ;\" TagStr=\"done\"",
               memo);
    EXPECT_EQ(memo->Width(), 7);
    EXPECT_EQ(memo->Height(), 8);
    EXPECT_EQ(memo->TagStr(), "done");
    EXPECT_EQ(memo->Left(), 0);
    EXPECT_EQ(memo->HAlign(), haLeft);
    // One message per bad value; a damaged PropData ends quietly.
    EXPECT_EQ(s.Errors().Count(), 7) << s.Errors().Text().toStdString();
    EXPECT_TRUE(s.Errors().Text().contains("abc"));
    EXPECT_TRUE(s.Errors().Text().contains("HAlign: 99 is out of range 0..3"));
    EXPECT_TRUE(s.Errors().Text().contains("Separator: 70000 is out of range 0..65535"));
}

TEST(TemplatePicture, ThePicturePropertyGoesAsPropDataWithItsClassNameAndFileData) {
    auto r = NewQuietReport();
    r->CheckDataPage();
    QImage img(2, 2, QImage::Format_ARGB32);
    img.fill(QColor(1, 2, 3));
    auto png = std::make_unique<TPngImage>();
    png->SetImage(img);
    r->ReportOptions()->Picture()->SetGraphic(std::move(png));
    const QByteArray saved = SaveReport(*r);
    const QByteArray marker = "ReportOptions.Picture.PropData=\"";
    const qsizetype at = saved.indexOf(marker);
    ASSERT_GE(at, 0) << saved.toStdString();
    const QByteArray hex = saved.mid(at + marker.size(), saved.indexOf('"', at + marker.size()) - at - marker.size());
    const QByteArray bytes = QByteArray::fromHex(hex);
    // "Data", binary tag, 32-bit length, then "TPngImage" with a length byte and the PNG file.
    ASSERT_GT(bytes.size(), 20);
    EXPECT_EQ(bytes.left(6), QByteArray("\x04" "Data" "\x0A"));
    const quint32 len = quint8(bytes[6]) | quint32(quint8(bytes[7])) << 8 | quint32(quint8(bytes[8])) << 16 |
                        quint32(quint8(bytes[9])) << 24;
    EXPECT_EQ(len, quint32(bytes.size() - 10));
    EXPECT_EQ(bytes.mid(10, 10), QByteArray("\x09" "TPngImage"));
    EXPECT_TRUE(bytes.mid(20).startsWith("\x89PNG"));

    auto back = NewQuietReport();
    LoadReport(*back, saved);
    EXPECT_EQ(back->Errors()->Count(), 0) << back->Errors()->Text().toStdString();
    TGraphic* g = back->ReportOptions()->Picture()->Graphic();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->ClassName(), "TPngImage");
    EXPECT_EQ(g->ToImage().convertToFormat(QImage::Format_ARGB32), img);
    EXPECT_EQ(SaveReport(*back), saved);

    // An empty picture writes nothing; damaged picture data is dropped quietly and keeps what was there.
    back->ReportOptions()->Picture()->Clear();
    EXPECT_FALSE(SaveReport(*back).contains("Picture"));
    back->ReportOptions()->Picture()->Assign(*r->ReportOptions()->Picture());
    TrptXMLSerializer s(nullptr);
    for (const char* bad : {"04446174610A0500000009", "04446174610A03000000014189", "0444617461",
                            "04446174610A0400000002414200"}) {
        s.XMLToObj(QStringLiteral(" ReportOptions.Picture.PropData=\"%1\"").arg(QLatin1String(bad)), back.get());
        ASSERT_NE(back->ReportOptions()->Picture()->Graphic(), nullptr) << bad;
        EXPECT_EQ(back->ReportOptions()->Picture()->Graphic()->ClassName(), "TPngImage") << bad;
    }
    EXPECT_EQ(s.Errors().Count(), 0) << s.Errors().Text().toStdString();
}

TEST(TemplateRead, AttributeTextsThatEndEarly) {
    auto r = NewQuietReport();
    auto* memo = new TTestMemo(r.get());
    TrptXMLSerializer s(nullptr);
    for (const char* text : {"", "   ", "Left", "Left=", "Left=\"1", "=\"2\" Top=\"3\"", "Left =  \"4\" Top=\"5\" junk"}) {
        s.XMLToObj(QString::fromUtf8(text), memo);
    }
    // "Left =  "4"" reads (blanks before "=" are dropped), the others end the text.
    EXPECT_EQ(memo->Left(), 4);
    EXPECT_EQ(memo->Top(), 5);
    EXPECT_EQ(s.Errors().Count(), 0) << s.Errors().Text().toStdString();
}

TEST(TemplateRead, ReferencesResolveForwardAcrossPagesAndNilClears) {
    NoMessages quiet;
    auto r = NewReport();
    LoadReport(*r, Template(R"(
  <TTestPage Name="Page1">
    <TTestBand Name="Band1" Child="Band2"><TTestMemo Name="A" Master="B"/></TTestBand>
    <TTestBand Name="Band2"/>
  </TTestPage>
  <TTestPage Name="Page2"><TTestMemo Name="B" Master="a"/><TTestMemo Name="Self" Master="Self"/></TTestPage>)")
                           .toUtf8());
    auto* a = static_cast<TTestMemo*>(r->FindObject("A"));
    auto* b = static_cast<TTestMemo*>(r->FindObject("B"));
    auto* self = static_cast<TTestMemo*>(r->FindObject("Self"));
    ASSERT_TRUE(a && b && self);
    // A loop of references is only data.
    EXPECT_EQ(a->Master(), b);
    EXPECT_EQ(b->Master(), a);
    EXPECT_EQ(self->Master(), self);
    EXPECT_EQ(static_cast<TTestBand*>(r->FindObject("Band1"))->Child(), r->FindObject("Band2"));
    EXPECT_EQ(r->Errors()->Count(), 0);

    // Saved and read again the loop is the same.
    const QByteArray saved = SaveReport(*r);
    auto again = NewReport();
    LoadReport(*again, saved);
    EXPECT_EQ(static_cast<TTestMemo*>(again->FindObject("B"))->Master(), again->FindObject("A"));
    EXPECT_EQ(SaveReport(*again), saved);

    TrptXMLSerializer s(nullptr);
    s.SetOwner(r.get());
    s.ReadPersistentStr(r.get(), a, " Master=\"nil\"");
    EXPECT_EQ(a->Master(), nullptr);
}

TEST(TemplateRead, AnUnresolvedReferenceChangesNothingAndIsReportedOnce) {
    auto r = NewQuietReport();
    LoadReport(*r, Template(R"(<TTestPage Name="Page1"><TTestMemo Name="A" Master="Ghost"/>
      <TTestMemo Name="B" Master="Ghost"/><TTestMemo Name="C" Master="Other.Ghost"/></TTestPage>)")
                       .toUtf8());
    EXPECT_EQ(static_cast<TTestMemo*>(r->FindObject("A"))->Master(), nullptr);
    EXPECT_EQ(r->Errors()->Text(), "Missing Ghost\r\nMissing Other.Ghost\r\n");

    // An existing object updated by an element keeps its reference when the new name is unknown.
    auto* page = static_cast<TTestPage*>(r->FindObject("Page1"));
    auto* memoA = static_cast<TTestMemo*>(r->FindObject("A"));
    memoA->SetMaster(page);
    TrptXMLSerializer s(nullptr);
    s.SetOwner(r.get());
    s.ReadPersistentStr(r.get(), memoA, " Master=\"Ghost\"");
    EXPECT_EQ(memoA->Master(), page);
    EXPECT_EQ(s.Errors().Count(), 0);
}

TEST(TemplateRead, ADataSetBoundByUserNameNeedsNoDesignTimeComponent) {
    // The application's dataset, found by its user name through the process-wide list.
    TrptUserDataSet app(nullptr);
    app.SetName("AppData");
    app.SetUserName("Report");
    {
        NoMessages quiet; // the load shows no error box
        auto r = NewReport();
        LoadReport(*r, Template(R"(<TTestPage Name="Page1">
            <TTestBand Name="Band1" DataSet="qryDesignTime1" DataSetName="Report"/></TTestPage>)")
                               .toUtf8());
        auto* band = static_cast<TTestBand*>(r->FindObject("Band1"));
        ASSERT_NE(band, nullptr);
        EXPECT_EQ(band->DataSet(), &app);
        EXPECT_EQ(band->DataSetName(), "Report");
        EXPECT_EQ(r->Errors()->Count(), 0);
    }
    // Neither the name nor the reference resolves: that is worth a line.
    auto r = NewQuietReport();
    LoadReport(*r, Template(R"(<TTestPage Name="Page1">
        <TTestBand Name="Band2" DataSet="qryDesignTime1" DataSetName="NoSuchName"/></TTestPage>)")
                       .toUtf8());
    EXPECT_EQ(static_cast<TTestBand*>(r->FindObject("Band2"))->DataSet(), nullptr);
    EXPECT_EQ(r->Errors()->Text(), "Missing qryDesignTime1\r\n");
}

TEST(TemplateRead, UnknownClassesAreSkippedWithTheirSubtree) {
    auto r = NewQuietReport();
    LoadReport(*r, Template(R"(<TTestPage Name="Page1">
        <TNoSuchBand Name="X"><TNoSuchMemo Name="Y"/><TTestMemo Name="Inner"/></TNoSuchBand>
        <TStringList Name="NotAReportObject"/>
        <TrptReportComponent Name="Abstract"/>
        <TrptReport Name="Nested"/>
        <TTestMemo Name="After"/></TTestPage>)")
                       .toUtf8());
    const QString cantFind = GlobalResources()->Get("xrCantFindClass");
    EXPECT_EQ(r->Errors()->Text(), cantFind + " TNoSuchBand\r\n" + cantFind + " TrptReport\r\n" + cantFind +
                                       " TrptReportComponent\r\n" + cantFind + " TStringList\r\n");
    EXPECT_EQ(r->FindObject("Inner"), nullptr);
    EXPECT_NE(r->FindObject("After"), nullptr);
}

TEST(TemplateRead, AnElementNamingAnExistingObjectUpdatesIt) {
    auto r = NewQuietReport();
    LoadReport(*r, Template(R"(<TTestPage Name="Page1">
        <TTestMemo Name="Memo1" Left="1" TagStr="first"/>
        <TTestMemo Name="memo1" Top="2"><TTestMemo Name="Below"/></TTestMemo>
        <TTestBand Name="Page1" Top="3"/>
        <inherited Name="Memo1" Width="5"/>
        <inherited Name="Missing"><TTestMemo Name="NotMade"/></inherited></TTestPage>)")
                       .toUtf8());
    auto* memo = static_cast<TTestMemo*>(r->FindObject("Memo1"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Left(), 1);
    EXPECT_EQ(memo->Top(), 2);
    EXPECT_EQ(memo->Width(), 5);
    EXPECT_EQ(memo->TagStr(), "first");
    ASSERT_EQ(memo->Objects().size(), 1u);
    EXPECT_EQ(memo->Objects()[0]->Name(), "Below");
    // A duplicate name of another class still updates the object of that name, never a second.
    auto* page = r->FindObject("Page1");
    EXPECT_EQ(page->Top(), 3);
    int named = 0;
    for (TrptComponent* c : r->AllObjects())
        named += c->Name() == "Page1";
    EXPECT_EQ(named, 1);
    EXPECT_EQ(r->FindObject("NotMade"), nullptr);
    EXPECT_EQ(r->Errors()->Count(), 0) << r->Errors()->Text().toStdString();
}

TEST(TemplateRead, TextThatIsNotATemplateLeavesTheReportAsItWas) {
    auto r = NewQuietReport();
    LoadReport(*r, Template(R"(<TTestPage Name="Page1"><TTestMemo Name="Memo1"/></TTestPage>)").toUtf8());
    const QByteArray before = SaveReport(*r);
    for (const char* bad : {"", "plain text", "<TrptReport><TTestPage Name=\"P\"></TrptReport>", "\xEF\xBB\xBF<",
                            "<TrptReport Version=\"4.15>", "\x01\x02\x03"}) {
        LoadReport(*r, QByteArray(bad));
        EXPECT_EQ(SaveReport(*r), before) << bad;
        EXPECT_TRUE(r->Errors()->Text().startsWith("Invalid file format")) << bad << r->Errors()->Text().toStdString();
        EXPECT_FALSE(r->StreamLoaded());
    }
}

TEST(TemplateRead, HugeTextsAndDeepNestingLoad) {
    auto r = NewQuietReport();
    const QString big(50 * 1024 * 1024, QLatin1Char('x'));
    LoadReport(*r, Template(QStringLiteral("<TTestPage Name=\"Page1\"><TTestMemo Name=\"Big\" Text=\"%1\"/></TTestPage>").arg(big))
                       .toUtf8());
    auto* memo = static_cast<TTestMemo*>(r->FindObject("Big"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Text().size(), big.size());

    // Objects nested far deeper than any report are refused below a limit, with one message.
    QString deep, close;
    for (int i = 0; i < 2000; ++i) {
        deep += QStringLiteral("<TTestBand Name=\"B%1\">").arg(i);
        close += QStringLiteral("</TTestBand>");
    }
    LoadReport(*r, Template(deep + close).toUtf8());
    EXPECT_NE(r->FindObject("B150"), nullptr);
    EXPECT_EQ(r->FindObject("B1999"), nullptr);
    EXPECT_TRUE(r->Errors()->Text().startsWith("Objects nested too deeply")) << r->Errors()->Text().toStdString();
    r.reset(); // freeing the deep tree is fine too
}

// ---------------------------------------------------------------------------------------------
// Hand-made templates

TEST(TemplateFiles, AReportWithADataPageBandsTextsAndANamedDataSetIsWrittenBackByteForByte) {
    TrptUserDataSet app(nullptr);
    app.SetName("AppData");
    app.SetUserName("Report");
    NoMessages quiet;
    const QByteArray text = Fixture("orders.de3");
    auto r = NewReport();
    LoadReport(*r, text);
    EXPECT_EQ(r->Errors()->Count(), 0) << r->Errors()->Text().toStdString();
    EXPECT_EQ(r->PagesCount(), 3);
    EXPECT_EQ(r->Pages(0)->ClassName(), "TrptDataPage");
    auto* title = static_cast<TTestMemo*>(r->FindObject("Title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->Text(), "Orders & <totals>");
    EXPECT_EQ(title->Font()->Size(), 16);
    EXPECT_EQ(static_cast<TTestMemo*>(r->FindObject("Memo2"))->Master(), r->FindObject("Summary"));
    EXPECT_EQ(static_cast<TTestBand*>(r->FindObject("MasterData1"))->DataSet(), &app);
    EXPECT_EQ(r->Pages(2)->Font()->Name(), "Liberation Serif");
    EXPECT_EQ(r->FindObject("Summary")->Font()->Name(), "Liberation Serif");
    EXPECT_EQ(r->ReportOptions()->Name(), "Orders");
    const QByteArray saved = SaveReport(*r);
    EXPECT_EQ(saved, text);
    if (saved != text) {
        QFile out(QDir::temp().filePath("orders.saved.de3"));
        if (out.open(QIODevice::WriteOnly)) out.write(saved);
    }
}

TEST(TemplateFiles, ListsOfLaterUnitsAreKeptAsStored) {
    NoMessages quiet;
    const QByteArray text = Fixture("variables.de3");
    auto r = NewReport();
    LoadReport(*r, text);
    EXPECT_EQ(r->Errors()->Count(), 0) << r->Errors()->Text().toStdString();
    EXPECT_EQ(SaveReport(*r), text);
}

// ---------------------------------------------------------------------------------------------
// Every registered report class keeps every published property through a save and a load.

namespace {

bool IsSkipped(const TClassInfo* cls, const TPropInfo* p) {
    // The report's host-owned properties are put back after every load by design, and its
    // Name is not stored; the parent template is a file to load.
    if (cls->InheritsFrom(TrptReport::StaticClassInfo()))
        for (const char* n : {"IniFile", "OldStyleProgress", "ShowProgress", "StoreInDFM", "ParentReport", "Preview",
                              "EngineOptions", "PreviewOptions"})
            if (p->Name() == QLatin1String(n)) return true;
    return p->Name() == QLatin1String("Name");
}

// Gives every writable property of obj (and its sub-objects) a value other than its default.
void ChangeEverything(TObject* obj, TrptReport* report, const TClassInfo* cls, int depth = 0) {
    for (const TPropInfo* p : ClassInfoOf(obj)->Props()) {
        if (IsSkipped(cls, p) || !p->IsReadable()) continue;
        try {
            switch (p->Kind()) {
            case tkInteger:
            case tkInt64:
            case tkChar:
                if (p->IsWritable()) {
                    Int64 v = p->HasDefault() ? p->Default().ToInt64() + 7 : 7;
                    if (v > p->MaxOrd()) v = p->MinOrd();
                    SetOrdProp(obj, p, v);
                }
                break;
            case tkEnumeration: {
                if (!p->IsWritable()) break;
                const Int64 cur = GetOrdProp(obj, p);
                const TTypeInfo* t = p->PropType();
                SetOrdProp(obj, p, cur >= t->MaxValue() ? t->MinValue() : cur + 1);
                break;
            }
            case tkSet:
                if (p->IsWritable()) SetOrdProp(obj, p, GetOrdProp(obj, p) ^ 1);
                break;
            case tkFloat:
                if (p->IsWritable()) SetFloatProp(obj, p, 12.375);
                break;
            case tkString:
                if (p->IsWritable()) SetStrProp(obj, p, QStringLiteral("V_%1 \"<&>\"\r\nend").arg(p->Name()));
                break;
            case tkVariant:
                if (p->IsWritable()) SetVariantProp(obj, p, Variant(QStringLiteral("var")));
                break;
            case tkStrings:
                if (auto* l = static_cast<TStrings*>(GetObjectProp(obj, p))) l->SetText("one\r\ntwo");
                break;
            case tkComponent:
                if (p->IsWritable())
                    for (TrptComponent* c : report->AllObjects())
                        if (c != obj && ClassInfoOf(c)->InheritsFrom(p->PropClass())) {
                            SetObjectProp(obj, p, c);
                            break;
                        }
                break;
            case tkClass:
                if (auto* picture = dynamic_cast<TPicture*>(GetObjectProp(obj, p))) {
                    auto png = std::make_unique<TPngImage>();
                    QImage img(3, 2, QImage::Format_ARGB32);
                    img.fill(QColor(10, 200, 30, 255));
                    img.setPixel(1, 1, qRgba(250, 0, 0, 255));
                    png->SetImage(img);
                    picture->SetGraphic(std::move(png));
                } else if (depth < 3) {
                    if (TObject* sub = GetObjectProp(obj, p)) ChangeEverything(sub, report, cls, depth + 1);
                }
                break;
            default:
                break;
            }
        } catch (const Exception&) {
            // A value the class refuses (a user name of blanks, a range) stays as it was.
        }
    }
}

void CompareEverything(TObject* a, TObject* b, const TClassInfo* cls, const QString& path, int depth = 0) {
    for (const TPropInfo* p : ClassInfoOf(a)->Props()) {
        if (IsSkipped(cls, p) || !p->IsReadable() || p->Kind() == tkMethod) continue;
        if (!p->IsStored(a) && !p->IsStored(b)) continue;
        if (!p->IsWritable() && p->Kind() != tkClass && p->Kind() != tkStrings) continue;
        const QString where = path + p->Name();
        switch (p->Kind()) {
        case tkFloat:
            EXPECT_NEAR(GetFloatProp(a, p), GetFloatProp(b, p), 1e-9 * std::max(1.0, std::fabs(GetFloatProp(a, p))))
                << where.toStdString();
            break;
        case tkComponent: {
            auto* ca = static_cast<TComponent*>(GetObjectProp(a, p));
            auto* cb = static_cast<TComponent*>(GetObjectProp(b, p));
            EXPECT_EQ(ca ? ca->Name() : QString(), cb ? cb->Name() : QString()) << where.toStdString();
            break;
        }
        case tkClass:
            if (auto* pa = dynamic_cast<TPicture*>(GetObjectProp(a, p))) {
                auto* pb = dynamic_cast<TPicture*>(GetObjectProp(b, p));
                ASSERT_TRUE(pb && pa->Graphic() && pb->Graphic()) << where.toStdString();
                EXPECT_EQ(pa->Graphic()->ClassName(), pb->Graphic()->ClassName()) << where.toStdString();
                EXPECT_EQ(pa->Graphic()->ToImage().convertToFormat(QImage::Format_ARGB32),
                          pb->Graphic()->ToImage().convertToFormat(QImage::Format_ARGB32))
                    << where.toStdString();
            } else if (depth < 3) {
                TObject* sa = GetObjectProp(a, p);
                TObject* sb = GetObjectProp(b, p);
                if (sa && sb) CompareEverything(sa, sb, cls, where + ".", depth + 1);
            }
            break;
        default:
            EXPECT_EQ(VarToStr(GetPropValue(a, p, false)), VarToStr(GetPropValue(b, p, false))) << where.toStdString();
        }
    }
}

} // namespace

TEST(TemplateRoundTrip, EveryRegisteredReportClassKeepsEveryPublishedProperty) {
    RegisterTestReportClasses();
    int tested = 0;
    for (const TClassInfo* cls : GetRegisteredClasses()) {
        if (!cls->InheritsFrom(TrptComponent::StaticClassInfo()) || !cls->CanCreate()) continue;
        SCOPED_TRACE(cls->ClassName().toStdString());
        auto report = NewQuietReport();
        // With its data page from the start, a load adds none.
        report->CheckDataPage();
        TrptComponent* obj = report.get();
        if (!cls->InheritsFrom(TrptReport::StaticClassInfo())) {
            auto* page = new TTestPage(report.get());
            page->SetName("Page1");
            obj = static_cast<TrptComponent*>(cls->CreateInstance(page));
            obj->SetName("Object1");
            // Something for references to point at.
            auto* other = new TTestMemo(page);
            other->SetName("Other");
        }
        ChangeEverything(obj, report.get(), cls);
        const QByteArray saved = SaveReport(*report);

        auto loaded = NewQuietReport();
        // A password the template was given is known, so nobody is asked for it.
        loaded->ReportOptions()->SetHiddenPassword(report->ReportOptions()->Password());
        LoadReport(*loaded, saved);
        EXPECT_EQ(loaded->Errors()->Count(), 0) << loaded->Errors()->Text().toStdString();
        TrptComponent* back = obj == report.get() ? loaded.get() : loaded->FindObject("Object1");
        ASSERT_NE(back, nullptr) << saved.toStdString();
        EXPECT_EQ(back->ClassName(), cls->ClassName());
        CompareEverything(obj, back, cls, QString());
        // And the text written again is the same.
        EXPECT_EQ(SaveReport(*loaded), saved);
        ++tested;
    }
    EXPECT_GE(tested, 4); // the report, the datasets and the test classes at least
}

TEST(TemplateRoundTrip, FontRecordIsSharedAndComplete) {
    const TClassInfo* font = TFontClassInfo();
    TFont f;
    EXPECT_EQ(ClassInfoOf(&f), font);
    EXPECT_EQ(GetClass("TFont"), font);
    QStringList names;
    for (const TPropInfo* p : font->Props())
        names << p->Name();
    EXPECT_EQ(names.join(','), "Charset,Color,Height,Name,Orientation,Pitch,Size,Style");
    SetEnumProp(&f, "Pitch", "fpFixed");
    EXPECT_EQ(f.Pitch(), fpFixed);
    SetOrdProp(&f, "Style", 5);
    EXPECT_EQ(f.Style(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_FALSE(IsStoredProp(&f, "Size"));
    EXPECT_THROW(SetOrdProp(&f, "Charset", 256), ERangeError);
}
