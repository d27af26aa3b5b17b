// Report variables: categories, lookups and changes, the variables file (".dd3") and the
// template's variable list, and the Variant-keyed array.

#include "ScriptTestReport.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "report/core/rptXML.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// "name=value" per item, categories as they are stored (with their blank).
QString Dump(const TrptVariables& v) {
    QStringList out;
    for (int i = 0; i < v.Count(); ++i)
        out << v.Items(i)->Name() + "=" + ValueText(v.Items(i)->Value());
    return out.join(';');
}

// Two categories with variables, and one variable before the first category.
void Fill(TrptVariables& v) {
    v.SetVariables("Loose", Variant(1));
    v.Add()->SetName(" Money");
    v.SetVariables("Net", Variant(QStringLiteral("<Report.\"price\"> * 2")));
    v.SetVariables("Tax", Variant(QStringLiteral("0.2")));
    v.Add()->SetName(" Text");
    v.SetVariables("Title", Variant(QStringLiteral("'Orders'")));
}

QString Names(TrptVariables& v, const QString& category) {
    TStringList list;
    list.Add("stale");
    v.GetVariablesList(category, &list);
    return list.CommaText();
}

} // namespace

TEST(Variables, CategoriesAndLookups) {
    TrptVariables v;
    Fill(v);
    EXPECT_EQ(Dump(v), "Loose=1; Money=Null;Net=<Report.\"price\"> * 2;Tax=0.2; Text=Null;Title='Orders'");
    TStringList cats;
    cats.Add("kept");
    v.GetCategoriesList(&cats, false);
    EXPECT_EQ(cats.CommaText(), "kept,Money,Text");
    v.GetCategoriesList(&cats);
    EXPECT_EQ(cats.CommaText(), "Money,Text");

    EXPECT_EQ(Names(v, ""), "Loose");
    EXPECT_EQ(Names(v, "Money"), "Net,Tax");
    EXPECT_EQ(Names(v, "money"), "Net,Tax");
    EXPECT_EQ(Names(v, "Text"), "Title");
    EXPECT_EQ(Names(v, "Nothing"), "");

    EXPECT_EQ(v.IndexOf("TAX"), 3);
    EXPECT_EQ(v.IndexOf("Nope"), -1);
    EXPECT_EQ(ValueText(v.Variables("tax")), "0.2");
    EXPECT_EQ(ValueText(v.Variables("Nope")), "Null");

    // AddVariable: before the next category; an existing name elsewhere keeps its place;
    // an unknown category does nothing.
    v.AddVariable("Money", "Discount", Variant(5));
    v.AddVariable("Text", "Loose", Variant(2));
    v.AddVariable("Nothing", "Lost", Variant(3));
    EXPECT_EQ(Dump(v),
              "Loose=2; Money=Null;Net=<Report.\"price\"> * 2;Tax=0.2;Discount=5; Text=Null;Title='Orders'");
    v.AddVariable("Text", "Footer", Variant(QStringLiteral("x")));
    EXPECT_EQ(Names(v, "Text"), "Title,Footer");

    // Writing a missing name appends it: inside the last category.
    v.SetVariables("Late", Variant(9));
    EXPECT_EQ(Names(v, "Text"), "Title,Footer,Late");

    v.DeleteCategory("Money");
    EXPECT_EQ(Dump(v), "Loose=2; Text=Null;Title='Orders';Footer=x;Late=9");
    v.DeleteCategory("Money");
    v.DeleteVariable("title");
    v.DeleteVariable("Nope");
    EXPECT_EQ(Dump(v), "Loose=2; Text=Null;Footer=x;Late=9");

    TrptVariables copy;
    copy.Assign(&v);
    EXPECT_EQ(Dump(copy), Dump(v));
}

TEST(Variables, FileRoundTripAndDamagedFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("list.dd3");
    TrptVariables v;
    Fill(v);
    v.SetVariables("Quote", Variant(QStringLiteral("'a \"b\" & <c>'\r\nline")));
    v.SaveToFile(file);

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    f.close();
    EXPECT_TRUE(text.contains("<variables>")) << text.constData();
    EXPECT_TRUE(text.contains("<item Name=\" Money\"/>")) << text.constData();

    TrptVariables back;
    back.SetVariables("Old", Variant(1));
    back.LoadFromFile(file);
    EXPECT_EQ(Dump(back), Dump(v));

    // Another root: the list is emptied and stays empty; unknown children are skipped.
    auto load = [](TrptVariables& list, const QByteArray& bytes) {
        TBytesStream s(bytes);
        list.LoadFromStream(s);
    };
    load(back, "<?xml version=\"1.0\" encoding=\"utf-8\"?><styles><item Name=\"X\" Value=\"1\"/></styles>");
    EXPECT_EQ(back.Count(), 0);
    load(back, "<?xml version=\"1.0\" encoding=\"utf-8\"?><Variables><ITEM Name=\"X\" Value=\"1\"/><other Name=\"Y\"/>"
               "<item Name=\"Z\" Bad=\"q\"/></Variables>");
    EXPECT_EQ(Dump(back), "X=1;Z=Null");

    // Damaged files: an error, an empty list, and the list usable afterwards.
    const QByteArray damaged[] = {"", "<?xml version=\"1.0\"?><variables><item Name=\"X\"",
                                  QByteArray("\x00\x01\x02garbage", 10), "<variables><item Name=\"A\" Value=\"1\"/>"};
    for (const QByteArray& bytes : damaged) {
        back.SetVariables("Old", Variant(1));
        try {
            load(back, bytes);
        } catch (const Exception&) {
        }
        EXPECT_EQ(back.IndexOf("Old"), -1) << bytes.toHex().constData();
        back.SetVariables("After", Variant(2));
        EXPECT_EQ(ValueText(back.Variables("After")), "2");
    }
    EXPECT_THROW(back.LoadFromFile(dir.filePath("missing.dd3")), Exception);
}

TEST(Variables, TemplateKeepsTheListAndReportUsesIt) {
    TScriptReport R;
    Fill(*R.Report->Variables());
    TMemoryStream ms;
    R.Report->SaveToStream(ms);

    TScriptReport loaded;
    loaded.Report->Variables()->SetVariables("Stale", Variant(1));
    ms.SetPosition(0);
    loaded.Report->LoadFromStream(ms);
    EXPECT_EQ(loaded.Report->Errors()->Count(), 0) << loaded.Report->Errors()->Text().toStdString();
    EXPECT_EQ(Dump(*loaded.Report->Variables()), "Loose=1; Money=Null;Net=<Report.\"price\"> * 2;Tax=0.2; Text=Null;Title='Orders'");
    ASSERT_TRUE(loaded.Prepare("PascalScript"));
    EXPECT_EQ(loaded.CalcText("Net"), "5");
    EXPECT_EQ(loaded.CalcText("<Net> * (1 + <Tax>)"), "6");
    EXPECT_EQ(loaded.CalcText("Title"), "Orders");

    // Clear empties the list.
    loaded.Report->Clear();
    EXPECT_EQ(loaded.Report->Variables()->Count(), 0);
}

TEST(Variables, ArrayKeyedByAnyValue) {
    TrptArray a;
    a.SetVariables(Variant(1), Variant(QStringLiteral("one")));
    a.SetVariables(Variant(QStringLiteral("Key")), Variant(2));
    a.SetVariables(Variant(QStringLiteral("KEY")), Variant(3));
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(ValueText(a.Variables(Variant(QStringLiteral("1")))), "one");
    EXPECT_EQ(ValueText(a.Variables(Variant(QStringLiteral("key")))), "3");
    EXPECT_EQ(ValueText(a.Variables(Variant(7))), "Null");
    EXPECT_EQ(a.IndexOf(Variant(1)), 0);
    EXPECT_EQ(a.IndexOf(Variant(2)), -1);
}
