// Styles: items and their names, applying a collection to the report's text objects, style files
// (".ds3") and style sheets, damaged files, and the report's styles in templates.

#include "MemoTestUtil.h"

#include "platform/rtl/Streams.h"
#include "report/core/rptStyles.h"
#include "report/core/rptXML.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace memotest;

namespace {

TrptStyleItem* AddStyle(TrptStyles& styles, const QString& name, TColor color, const QString& font,
                        int size) {
    TrptStyleItem* s = styles.Add();
    s->SetName(name);
    s->SetColor(color);
    s->Font()->SetName(font);
    s->Font()->SetSize(size);
    return s;
}

QByteArray Bytes(TrptStyles& styles) {
    TMemoryStream ms;
    styles.SaveToStream(ms);
    return ms.Bytes();
}

} // namespace

TEST(StyleItems, DefaultsNamesAndAssign) {
    TrptStyles styles;
    TrptStyleItem* a = styles.Add();
    EXPECT_EQ(a->Color(), clNone);
    EXPECT_EQ(a->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(a->Font()->Size(), 10);
    EXPECT_TRUE(a->Frame()->Typ().Empty());
    a->SetName(QStringLiteral("Style1"));
    TrptStyleItem* b = styles.Add();
    b->SetName(QStringLiteral("style3"));
    TrptStyleItem* c = styles.Add();
    c->CreateUniqueName();
    EXPECT_EQ(c->Name(), QStringLiteral("Style2"));
    // A name another item has (any case) is refused and the old name stays.
    EXPECT_THROW(c->SetName(QStringLiteral("STYLE1")), Exception);
    EXPECT_EQ(c->Name(), QStringLiteral("Style2"));
    c->SetName(QStringLiteral("style2")); // its own name in another case is fine
    EXPECT_EQ(c->Name(), QStringLiteral("style2"));
    EXPECT_EQ(styles.Find(QStringLiteral("STYLE3")), b);
    EXPECT_EQ(styles.Find(QStringLiteral("none")), nullptr);
    TStringList names;
    styles.GetList(&names);
    EXPECT_EQ(names.CommaText(), QStringLiteral("Style1,style3,style2"));

    // Assign copies the name without the check, the colour, the font and the frame.
    a->SetColor(clRed);
    a->Font()->SetStyle(TFontStyles{fsBold});
    a->Frame()->SetTyp(TrptFrameTypes{ftTop});
    b->Assign(a);
    EXPECT_EQ(b->Name(), QStringLiteral("Style1"));
    EXPECT_EQ(b->Color(), clRed);
    EXPECT_TRUE(b->Font()->Style().Contains(fsBold));
    EXPECT_TRUE(b->Frame()->Typ().Contains(ftTop));
    EXPECT_NE(b->Font(), a->Font());
}

TEST(StyleApply, TextObjectsTakeTheirStyleAndLoseMissingOnes) {
    auto report = NewCalcReport();
    TrptStyles* styles = report->Styles();
    AddStyle(*styles, QStringLiteral("Title"), clYellow, QStringLiteral("Courier New"), 16)
        ->Frame()
        ->SetTyp(TrptFrameTypes{ftBottom});
    auto* title = new TrptMemoView(report.get());
    auto* plain = new TrptMemoView(report.get());
    auto* gone = new TrptSysMemoView(report.get());
    // Naming a style that exists applies it at once.
    title->SetStyle(QStringLiteral("title"));
    EXPECT_EQ(title->Color(), clYellow);
    EXPECT_EQ(title->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(title->Font()->Size(), 16);
    EXPECT_FALSE(title->ParentFont());
    EXPECT_TRUE(title->Frame()->Typ().Contains(ftBottom));
    gone->SetStyle(QStringLiteral("Missing"));
    EXPECT_EQ(gone->Color(), clNone);

    // Changing the style and applying again restyles; the missing name is cleared.
    styles->Find(QStringLiteral("Title"))->SetColor(clAqua);
    title->SetColor(clWhite);
    styles->Apply();
    EXPECT_EQ(title->Color(), clAqua);
    EXPECT_EQ(title->Style(), QStringLiteral("title"));
    EXPECT_EQ(plain->Style(), QString());
    EXPECT_EQ(gone->Style(), QString());

    // The report's Styles setter copies the items (not the collection's name) and applies them.
    TrptStyles other;
    other.SetName(QStringLiteral("Other"));
    AddStyle(other, QStringLiteral("Title"), clGreen, QStringLiteral("Arial"), 20);
    report->SetStyles(&other);
    EXPECT_EQ(styles->Count(), 1);
    EXPECT_EQ(styles->Name(), QString());
    EXPECT_EQ(title->Color(), clGreen);
    EXPECT_EQ(title->Font()->Size(), 20);
    report->SetStyles(nullptr);
    EXPECT_EQ(styles->Count(), 0);
}

TEST(StyleFiles, RoundTripThroughAStyleFileRestylesTheReport) {
    auto report = NewCalcReport();
    auto* a = new TrptMemoView(report.get());
    auto* b = new TrptMemoView(report.get());
    a->SetStyle(QStringLiteral("Header"));
    b->SetStyle(QStringLiteral("Footer"));

    TrptStyles file;
    file.SetName(QStringLiteral("Office \"blue\""));
    TrptStyleItem* h = AddStyle(file, QStringLiteral("Header"), clBlue, QStringLiteral("Courier New"), 14);
    h->Font()->SetStyle(TFontStyles{fsBold, fsItalic});
    h->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftBottom});
    h->Frame()->SetWidth(2.5);
    h->Frame()->BottomLine()->SetColor(clRed);
    AddStyle(file, QStringLiteral("Body"), clNone, QStringLiteral("Arial"), 9);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("office.ds3"));
    file.SaveToFile(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<style Name=\"Office &#34;blue&#34;\">")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("<item Name=\"Header\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n"))) << "written with indentation";

    report->Styles()->LoadFromFile(path);
    TrptStyles* loaded = report->Styles();
    EXPECT_EQ(loaded->Name(), QStringLiteral("Office \"blue\""));
    ASSERT_EQ(loaded->Count(), 2);
    const TrptStyleItem* back = loaded->Items(0);
    EXPECT_EQ(back->Name(), QStringLiteral("Header"));
    EXPECT_EQ(back->Color(), clBlue);
    EXPECT_EQ(back->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(back->Font()->Size(), 14);
    EXPECT_EQ(back->Font()->Style(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(back->Frame()->Typ(), (TrptFrameTypes{ftLeft, ftBottom}));
    EXPECT_DOUBLE_EQ(back->Frame()->Width(), 2.5);
    EXPECT_EQ(back->Frame()->BottomLine()->Color(), clRed);
    EXPECT_EQ(loaded->Items(1)->Color(), clNone);
    // Loading applied the styles: the header is styled, the footer's missing style is cleared.
    EXPECT_EQ(a->Color(), clBlue);
    EXPECT_EQ(a->Font()->Size(), 14);
    EXPECT_EQ(b->Style(), QString());
    // Writing again gives the same text.
    EXPECT_EQ(Bytes(*loaded), Bytes(file));
}

TEST(StyleFiles, DamagedAndForeignFiles) {
    TrptStyles styles;
    AddStyle(styles, QStringLiteral("Keep"), clRed, QStringLiteral("Arial"), 10);
    struct TCase {
        const char* Text;
        bool Raises;
        int Count;
    };
    const TCase cases[] = {
        {"<?xml version=\"1.0\"?><variables><item Name=\"x\"/></variables>", false, 0}, // another root
        {"<?xml version=\"1.0\"?><style Name=\"s\"><item Name=\"a\"/><other/><ITEM Name=\"b\"/></style>",
         false, 2},
        {"<?xml version=\"1.0\"?><style Name=\"s\"><item Name=\"a\" Color=\"oops\" Font.Size=\"x\"/></style>",
         false, 1},
        {"<?xml version=\"1.0\"?><style Name=\"s\"><item Name=\"a\"/><item Name=\"A\"/></style>", false, 2},
        {"<?xml version=\"1.0\"?><style Name=\"s\"><item Name=\"a\"", true, 0},
        {"not xml at all <<<", true, 0},
        {"", true, 0},
    };
    for (const TCase& c : cases) {
        TBytesStream ms(QByteArray(c.Text));
        if (c.Raises) {
            EXPECT_THROW(styles.LoadFromStream(ms), Exception) << c.Text;
        } else {
            EXPECT_NO_THROW(styles.LoadFromStream(ms)) << c.Text;
        }
        EXPECT_EQ(styles.Count(), c.Count) << c.Text;
    }
    // A duplicate name in a file keeps the first item's name and leaves the second unnamed.
    TBytesStream dup(
        QByteArray("<?xml version=\"1.0\"?><style><item Name=\"a\"/><item Name=\"A\"/></style>"));
    styles.LoadFromStream(dup);
    ASSERT_EQ(styles.Count(), 2);
    EXPECT_EQ(styles.Items(0)->Name(), QStringLiteral("a"));
    EXPECT_EQ(styles.Items(1)->Name(), QString());
    EXPECT_THROW(styles.LoadFromFile(QStringLiteral("/nonexistent/folder/x.ds3")), Exception);
}

TEST(StyleSheets, SeveralCollectionsInOneFile) {
    TrptStyleSheet sheet;
    TrptStyles* bold = sheet.Add();
    bold->SetName(QStringLiteral("Bold"));
    AddStyle(*bold, QStringLiteral("Big"), clRed, QStringLiteral("Arial"), 20)
        ->Font()
        ->SetStyle(TFontStyles{fsBold});
    TrptStyles* plain = sheet.Add();
    plain->SetName(QStringLiteral("Plain"));
    AddStyle(*plain, QStringLiteral("Small"), clNone, QStringLiteral("Arial"), 8);
    AddStyle(*plain, QStringLiteral("Smaller"), clNone, QStringLiteral("Arial"), 6);
    EXPECT_EQ(bold->Report(), nullptr);

    TMemoryStream ms;
    sheet.SaveToStream(ms);
    TrptStyleSheet back;
    ms.SetPosition(0);
    back.LoadFromStream(ms);
    TStringList names;
    back.GetList(&names);
    EXPECT_EQ(names.CommaText(), QStringLiteral("Bold,Plain"));
    EXPECT_EQ(back.IndexOf(QStringLiteral("plain")), 1);
    EXPECT_EQ(back.IndexOf(QStringLiteral("none")), -1);
    ASSERT_NE(back.Find(QStringLiteral("PLAIN")), nullptr);
    EXPECT_EQ(back.Find(QStringLiteral("PLAIN"))->Count(), 2);
    EXPECT_EQ(back.Items(0)->Items(0)->Font()->Size(), 20);
    EXPECT_THROW(back.Items(2), Exception);
    back.Delete(0);
    EXPECT_EQ(back.Count(), 1);
    EXPECT_EQ(back.Items(0)->Name(), QStringLiteral("Plain"));

    // Another root loads nothing; a file through the file routines.
    TBytesStream other(QByteArray("<?xml version=\"1.0\"?><style Name=\"x\"><item Name=\"a\"/></style>"));
    back.LoadFromStream(other);
    EXPECT_EQ(back.Count(), 0);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.xml"));
    sheet.SaveToFile(path);
    back.LoadFromFile(path);
    EXPECT_EQ(back.Count(), 2);
    back.Clear();
    EXPECT_EQ(back.Count(), 0);
}

TEST(StyleTemplates, ReportStylesSurviveATemplateAndStyleTheLoadedObjects) {
    auto report = NewCalcReport();
    AddStyle(*report->Styles(), QStringLiteral("Accent"), clFuchsia, QStringLiteral("Courier New"), 12);
    auto* m = new TrptMemoView(report.get());
    m->SetName(QStringLiteral("Memo1"));
    m->SetStyle(QStringLiteral("Accent"));
    TMemoryStream ms;
    report->SaveToStream(ms);

    auto loaded = NewCalcReport();
    ms.SetPosition(0);
    loaded->LoadFromStream(ms);
    EXPECT_EQ(loaded->Errors()->Count(), 0) << loaded->Errors()->Text().toStdString();
    ASSERT_EQ(loaded->Styles()->Count(), 1);
    EXPECT_EQ(loaded->Styles()->Items(0)->Color(), clFuchsia);
    auto* back = dynamic_cast<TrptMemoView*>(loaded->FindObject(QStringLiteral("Memo1")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Style(), QStringLiteral("Accent"));
    EXPECT_EQ(back->Color(), clFuchsia);
    EXPECT_EQ(back->Font()->Name(), QStringLiteral("Courier New"));
    // Clearing the report empties its styles.
    loaded->Clear();
    EXPECT_EQ(loaded->Styles()->Count(), 0);
}

TEST(StyleApply, AnUnnamedItemStylesNothing) {
    auto report = NewCalcReport();
    auto* plain = new TrptMemoView(report.get());
    // The second item's name is refused as a duplicate, so it stays without a name.
    TBytesStream dup(QByteArray("<?xml version=\"1.0\"?><style><item Name=\"a\"/>"
                                "<item Name=\"A\" Color=\"255\"/></style>"));
    report->Styles()->LoadFromStream(dup);
    ASSERT_EQ(report->Styles()->Count(), 2);
    EXPECT_EQ(report->Styles()->Items(1)->Name(), QString());
    EXPECT_EQ(plain->Color(), clNone);
    plain->SetStyle(QString());
    EXPECT_EQ(plain->Color(), clNone);
}
