// The text object's data: expressions and their delimiters, fields, SuppressRepeated, highlight
// conditions, macros, FlowTo, the print cycle, prepared-page differences and templates.

#include "MemoTestUtil.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptVariables.h"

#include <QStringList>

#include <map>

using namespace memotest;

namespace {

// A dataset of one record whose fields answer from a map.
std::unique_ptr<TrptUserDataSet> NewDataSet(TrptReport* report, const QString& name,
                                            std::map<QString, Variant> values) {
    auto ds = std::make_unique<TrptUserDataSet>(nullptr);
    ds->SetUserName(name);
    TStringList fields;
    for (const auto& [k, v] : values)
        fields.Add(k);
    ds->SetFields(&fields);
    ds->OnGetValue = [values](const QString& field, Variant& value) {
        auto it = values.find(field);
        if (it != values.end()) value = it->second;
    };
    report->DataSets()->Add(ds.get());
    return ds;
}

} // namespace

TEST(MemoExpressions, BracketsDelimitersAndTextWithoutExpressions) {
    auto report = NewCalcReport();
    struct TCase {
        const char* Delimiters;
        const char* Text;
        const char* Shown;
    };
    const TCase cases[] = {
        {"[,]", "[1+2]", "3"},
        {"[,]", "Sum: [1+2] and [2*2]", "Sum: 3 and 4"},
        {"[,]", "['[1+1]'] stays", "[1+1] stays"}, // inserted text is not looked at again
        {"[,]", "['a]' + 'b']z", "a]bz"},
        {"[,]", "no expressions", "no expressions"},
        {"[,]", "open [ only", "open [ only"},
        {"[,]", "x[1+1", "x[1+1"},
        {"[,]", "[1+1]x[2+2", "2x[2+2"},
        {"[,]", "x[ y [1+1]", "x[ y 2"},
        {"[,]", "a ['b] [1+1]", "a ['b] 2"}, // the quote leaves the first open
        {"<%,%>", "a<%1+2%>b[1+1]", "a3b[1+1]"},
        {"{{,}}", "{{6*7}}", "42"},
        {"[]", "[1+2]", "[1+2]"}, // no comma: nothing is an expression
        {",]", "[1+2]", "[1+2]"},
    };
    for (const TCase& c : cases) {
        TrptMemoView m(report.get());
        m.SetExpressionDelimiters(QString::fromUtf8(c.Delimiters));
        m.SetText(QString::fromUtf8(c.Text));
        EXPECT_EQ(Plain(Output(m)), QString::fromUtf8(c.Shown)) << c.Delimiters << " " << c.Text;
        EXPECT_EQ(Plain(m.Text()), QString::fromUtf8(c.Text));
    }
    // Without AllowExpressions nothing is calculated.
    TrptMemoView m(report.get());
    m.SetAllowExpressions(false);
    m.SetText(QStringLiteral("[1+2]"));
    EXPECT_EQ(Plain(Output(m)), QStringLiteral("[1+2]"));
    EXPECT_EQ(report->Errors()->Count(), 0) << report->Errors()->Text().toStdString();
}

TEST(MemoExpressions, LinesWithoutDelimiterAreNotRewritten) {
    auto report = NewCalcReport();
    TrptMemoView m(report.get());
    // A list whose lines would change if the text were set again (a final break gives no line).
    m.Memo()->Add(QStringLiteral("one"));
    m.Memo()->Add(QString());
    m.BeforePrint();
    m.GetData();
    EXPECT_EQ(m.Memo()->Count(), 2);
    m.AfterPrint();
}

TEST(MemoExpressions, ValueAndLocalValue) {
    auto report = NewCalcReport();
    TrptMemoView m(report.get());
    m.SetText(QStringLiteral("[10/4] [3]"));
    m.BeforePrint();
    m.GetData();
    // The last expression's value.
    EXPECT_EQ(m.Value().ToInt(), 3);
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("2.5 3"));
    m.AfterPrint();
}

TEST(MemoExpressions, AFailingExpressionIsReportedByTheReport) {
    auto report = NewCalcReport();
    TrptMemoView m(report.get());
    m.SetText(QStringLiteral("[1 +* 2]"));
    m.BeforePrint();
    EXPECT_THROW(m.GetData(), Exception);
    EXPECT_GT(report->Errors()->Count(), 0);
    m.AfterPrint();
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("[1 +* 2]"));
}

TEST(MemoFields, FieldValuesFormatsAndHideZeros) {
    TFormatSettingsScope scope(QStringLiteral("en_US"));
    auto report = NewCalcReport();
    auto ds = NewDataSet(report.get(), QStringLiteral("Orders"),
                         {{QStringLiteral("Zero"), Variant(0)},
                          {QStringLiteral("ZeroText"), Variant(QStringLiteral("0"))},
                          {QStringLiteral("Price"), Variant(1234.5)},
                          {QStringLiteral("Name"), Variant(QStringLiteral("[1+1] stays"))}});
    struct TCase {
        const char* Field;
        bool HideZeros;
        TrptFormatKind Kind;
        const char* FormatStr;
        const char* Shown;
    };
    const TCase cases[] = {
        {"Zero", false, fkText, "", "0"},
        {"Zero", true, fkText, "", ""},
        {"ZeroText", true, fkText, "", "0"},
        {"Zero", true, fkNumeric, "%.2f", ""},
        {"Price", false, fkNumeric, "%2.2n", "1,234.50"},
        {"Price", true, fkText, "", "1234.5"},
        {"Name", false, fkText, "", "[1+1] stays"}, // a field's text is not calculated
    };
    for (const TCase& c : cases) {
        TrptMemoView m(report.get());
        m.SetDataSet(ds.get());
        m.SetDataField(QString::fromUtf8(c.Field));
        m.SetHideZeros(c.HideZeros);
        m.DisplayFormat()->SetKind(c.Kind);
        m.DisplayFormat()->SetFormatStr(QString::fromUtf8(c.FormatStr));
        m.SetText(QStringLiteral("design text"));
        m.BeforePrint();
        m.GetData();
        EXPECT_EQ(Plain(m.Text()), QString::fromUtf8(c.Shown)) << c.Field;
        m.AfterPrint();
        // A field-bound object keeps what it showed; the next GetData fills it again.
        EXPECT_EQ(Plain(m.Text()), QString::fromUtf8(c.Shown)) << c.Field;
    }
}

TEST(MemoSuppress, RepeatedValuesPrintOnce) {
    auto report = NewCalcReport();
    report->Variables()->SetVariables(QStringLiteral("V"), Variant(QStringLiteral("'A'")));
    ASSERT_TRUE(report->PrepareScript());
    TrptMemoView m(report.get());
    m.SetSuppressRepeated(true);
    m.SetText(QStringLiteral("[V]"));
    QStringList shown;
    for (const char* v : {"'A'", "'A'", "'B'", "'B'", "'A'"}) {
        report->Variables()->SetVariables(QStringLiteral("V"), Variant(QString::fromLatin1(v)));
        shown << Plain(Output(m));
    }
    EXPECT_EQ(shown.join(QLatin1Char('|')), QStringLiteral("A||B||A"));
    // After a reset (a new page) the value prints again; a Null last value (a group change) too.
    m.ResetSuppress();
    EXPECT_EQ(Plain(Output(m)), QStringLiteral("A"));
    EXPECT_EQ(Plain(Output(m)), QString());
    m.SetLastValue(Variant::Null());
    EXPECT_EQ(Plain(Output(m)), QStringLiteral("A"));
    // Without the flag every output shows.
    m.SetSuppressRepeated(false);
    EXPECT_EQ(Plain(Output(m)), QStringLiteral("A"));
}

TEST(MemoHighlight, ConditionsSetActiveAndSwapFontAndColour) {
    auto report = NewCalcReport();
    struct TCase {
        const char* Condition;
        bool Active;
    };
    const TCase cases[] = {
        {"Value > 10", true}, {"Value > 100", false}, {"", false}, {"   ", false},
        {"1 = 1", true},      {"0", false},           {"1", true},
    };
    for (const TCase& c : cases) {
        TrptMemoView m(report.get());
        m.SetText(QStringLiteral("[42]"));
        m.Highlight()->SetCondition(QString::fromUtf8(c.Condition));
        m.Highlight()->SetActive(!c.Active);
        m.BeforePrint();
        m.GetData();
        EXPECT_EQ(m.Highlight()->Active(), c.Active) << c.Condition;
        m.AfterPrint();
    }
    // Highlight defaults and Assign (Active is not copied).
    TrptHighlight h;
    EXPECT_EQ(h.Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(h.Font()->Size(), 10);
    EXPECT_EQ(h.Font()->Color(), clRed);
    EXPECT_EQ(h.Color(), clNone);
    h.SetActive(true);
    h.SetColor(clYellow);
    h.SetCondition(QStringLiteral("x"));
    TrptHighlight g;
    g.Assign(&h);
    EXPECT_FALSE(g.Active());
    EXPECT_EQ(g.Color(), clYellow);
    EXPECT_EQ(g.Condition(), QStringLiteral("x"));
}

TEST(MemoMacros, TotalPagesAndCopyName) {
    auto report = NewCalcReport();
    GlobalVariables()->SetVariables(QStringLiteral("CopyName2"), Variant(QStringLiteral("Copy B")));
    TrptMemoView m(report.get());
    m.SetText(QStringLiteral("Page of [TOTALPAGES#], [COPYNAME#]"));
    m.BeforePrint();
    m.GetData();
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("Page of [TotalPages#], [CopyName#]"));
    m.SetTotalPages(12);
    m.SetCopyNo(2);
    m.ExtractMacros();
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("Page of 12, Copy B"));
    // A copy without a name gives nothing.
    m.SetText(QStringLiteral("[copyname#]|[totalpages#]"));
    m.SetCopyNo(7);
    m.ExtractMacros();
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("|12"));
    // Without expressions nothing is replaced.
    m.SetAllowExpressions(false);
    m.SetText(QStringLiteral("[TOTALPAGES#]"));
    m.ExtractMacros();
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("[TOTALPAGES#]"));
    // Exports: the first [TOTALPAGES] when expressions are allowed.
    m.SetAllowExpressions(true);
    m.SetText(QStringLiteral("[totalpages] [TOTALPAGES]"));
    EXPECT_EQ(Plain(m.GetComponentText()), QStringLiteral("12 [TOTALPAGES]"));
    GlobalVariables()->DeleteVariable(QStringLiteral("CopyName2"));
}

TEST(MemoPrintCycle, TextComesBackAfterPrinting) {
    auto report = NewCalcReport();
    TrptMemoView m(report.get());
    m.SetBounds(10, 20, 100, 30);
    m.SetText(QStringLiteral("a[1+1]"));
    m.BeforePrint();
    m.GetData();
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("a2"));
    m.SetHeight(90);
    m.AfterPrint();
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("a[1+1]"));
    EXPECT_DOUBLE_EQ(m.Height(), 30);
}

TEST(MemoProperties, DefaultsRotationAndDescriptions) {
    TrptMemoView m;
    EXPECT_TRUE(m.AllowExpressions());
    EXPECT_TRUE(m.Clipped());
    EXPECT_EQ(m.ExpressionDelimiters(), QStringLiteral("[,]"));
    EXPECT_DOUBLE_EQ(m.GapX(), 2);
    EXPECT_DOUBLE_EQ(m.GapY(), 1);
    EXPECT_DOUBLE_EQ(m.LineSpacing(), 2);
    EXPECT_EQ(m.HAlign(), haLeft);
    EXPECT_EQ(m.VAlign(), vaTop);
    EXPECT_TRUE(m.ParentFont());
    EXPECT_TRUE(m.WordWrap());
    EXPECT_TRUE(m.Wysiwyg());
    EXPECT_TRUE(m.LastValue().IsNull());
    EXPECT_EQ(m.Color(), clNone);
    EXPECT_FALSE(m.rptComponentStyle().Contains(csDefaultDiff));
    for (auto [in, out] :
         {std::pair{0, 0}, {90, 90}, {360, 0}, {450, 90}, {-90, -90}, {-450, -90}, {719, 359}}) {
        m.SetRotation(in);
        EXPECT_EQ(m.Rotation(), out) << in;
    }
    EXPECT_EQ(m.BaseName(), QStringLiteral("Memo"));
    EXPECT_EQ(m.GetDescription(), QStringLiteral("Text object"));
    TrptSysMemoView s;
    EXPECT_EQ(s.GetDescription(), QStringLiteral("System text"));
    // The published lists differ: the system text has no expressions switch and no data binding.
    EXPECT_NE(ClassInfoOf(&m)->FindProp(QStringLiteral("AllowExpressions")), nullptr);
    EXPECT_EQ(ClassInfoOf(&s)->FindProp(QStringLiteral("AllowExpressions")), nullptr);
    EXPECT_EQ(ClassInfoOf(&s)->FindProp(QStringLiteral("DataField")), nullptr);
    EXPECT_NE(ClassInfoOf(&s)->FindProp(QStringLiteral("SuppressRepeated")), nullptr);
}

TEST(MemoProperties, AnsiTextFollowsTheFontCharacterSet) {
    TrptMemoView m;
    m.Font()->SetCharset(RUSSIAN_CHARSET);
    m.SetText(QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8"));
    EXPECT_EQ(Plain(QString::fromLatin1(m.AnsiText().toHex())), QStringLiteral("cff0e80d0a"));
    m.SetAnsiText(QByteArray::fromHex("e4e0"));
    EXPECT_EQ(Plain(m.Text()), QString::fromUtf8("\xd0\xb4\xd0\xb0"));
}

TEST(MemoFlowTo, TextThatDoesNotFitGoesToTheTarget) {
    auto report = NewCalcReport();
    TrptMemoView target(report.get());
    TrptMemoView m(report.get());
    m.SetBounds(0, 0, 200, 40);
    m.Font()->SetName(QStringLiteral("Courier New"));
    QStringList lines;
    for (int i = 1; i <= 10; ++i)
        lines << QStringLiteral("line [%1]").arg(i);
    m.SetText(lines.join(QStringLiteral("\r\n")));
    m.SetFlowTo(&target);
    target.SetText(QStringLiteral("[99]"));
    m.BeforePrint();
    m.GetData();
    const QStringList kept = Plain(m.Text()).split(QStringLiteral("\r\n"));
    const QStringList moved = Plain(target.Text()).split(QStringLiteral("\r\n"));
    ASSERT_GE(kept.size(), 1);
    ASSERT_LT(kept.size(), 10);
    EXPECT_EQ(kept.first(), QStringLiteral("line 1"));
    EXPECT_EQ(kept.size() + moved.size(), 10);
    EXPECT_EQ(moved.first(), QStringLiteral("line %1").arg(kept.size() + 1));
    EXPECT_EQ(moved.last(), QStringLiteral("line 10"));
    EXPECT_FALSE(target.AllowExpressions());
    m.AfterPrint();

    // A target that goes away is forgotten.
    {
        TrptMemoView gone(report.get());
        m.SetFlowTo(&gone);
    }
    EXPECT_EQ(m.FlowTo(), nullptr);
    m.SetFlowTo(&m);
    EXPECT_EQ(m.FlowTo(), nullptr);
}

TEST(MemoDiff, PreparedPageEntries) {
    TrptMemoView source;
    TrptMemoView m;
    m.SetText(QStringLiteral("a<b>\"&"));
    EXPECT_EQ(m.Diff(&source).trimmed(), QStringLiteral("u=\"a&#60;b&#62;&#34;&#38;\""));
    m.SetText(QStringLiteral("one\r\ntwo"));
    m.SetGapX(3);
    m.SetHAlign(haRight);
    m.SetRotation(90);
    m.DisplayFormat()->SetKind(fkNumeric);
    m.DisplayFormat()->SetFormatStr(QStringLiteral("%2.2f"));
    m.Highlight()->SetActive(true);
    const QString d = m.Diff(&source);
    EXPECT_TRUE(d.contains(QStringLiteral(" GapX=\"3\""))) << d.toStdString();
    EXPECT_TRUE(d.contains(QStringLiteral(" HAlign=\"1\""))) << d.toStdString();
    EXPECT_TRUE(d.contains(QStringLiteral(" Highlight.Active=\"1\""))) << d.toStdString();
    EXPECT_TRUE(d.contains(QStringLiteral(" u=\"one&#13;&#10;two\""))) << d.toStdString();
    EXPECT_TRUE(d.contains(QStringLiteral(" Rotation=\"90\""))) << d.toStdString();
    EXPECT_TRUE(d.contains(QStringLiteral(" DisplayFormat.Kind=\"1\""))) << d.toStdString();
    EXPECT_TRUE(d.contains(QStringLiteral(" DisplayFormat.FormatStr=\"%2.2f\""))) << d.toStdString();
    EXPECT_FALSE(d.contains(QStringLiteral("GapY"))) << d.toStdString();
    EXPECT_FALSE(d.contains(QStringLiteral("ParaBreak"))) << d.toStdString();
    // The entry order: the view's, then the memo's before u, u, then the rest.
    EXPECT_LT(d.indexOf(QStringLiteral("GapX")), d.indexOf(QStringLiteral(" u=")));
    EXPECT_LT(d.indexOf(QStringLiteral(" u=")), d.indexOf(QStringLiteral("Rotation")));

    // An interrupted paragraph: LastParaBreak goes out once, then starts the next part.
    m.SetLastParaBreak(true);
    const QString first = m.Diff(&source);
    EXPECT_TRUE(first.contains(QStringLiteral(" LastParaBreak=\"1\"")));
    EXPECT_FALSE(first.contains(QStringLiteral("FirstParaBreak")));
    EXPECT_TRUE(m.FirstParaBreak());
    EXPECT_FALSE(m.LastParaBreak());
    const QString second = m.Diff(&source);
    EXPECT_TRUE(second.contains(QStringLiteral(" FirstParaBreak=\"1\"")));
    EXPECT_FALSE(second.contains(QStringLiteral("LastParaBreak")));
}

TEST(MemoTemplate, PropertiesAndTextSurviveATemplate) {
    auto report = NewCalcReport();
    auto* m = new TrptMemoView(report.get());
    m->SetName(QStringLiteral("Memo1"));
    auto* target = new TrptMemoView(report.get());
    target->SetName(QStringLiteral("Memo2"));
    m->SetText(QStringLiteral("first [1+1]\r\nsecond"));
    m->SetExpressionDelimiters(QStringLiteral("<,>"));
    m->SetGapY(4);
    m->SetLineSpacing(0);
    m->SetHideZeros(true);
    m->SetFlowTo(target);
    m->Highlight()->SetCondition(QStringLiteral("Value > 1"));
    m->Highlight()->SetColor(clYellow);
    m->DisplayFormat()->SetKind(fkDateTime);
    m->DisplayFormat()->SetFormatStr(QStringLiteral("dd.mm.yyyy"));
    auto* sys = new TrptSysMemoView(report.get());
    sys->SetName(QStringLiteral("SysMemo1"));
    sys->SetText(QStringLiteral("[Page#]"));

    TMemoryStream ms;
    report->SaveToStream(ms);
    const QString xml = QString::fromUtf8(ms.Bytes());
    // Values at their defaults are not written.
    EXPECT_FALSE(xml.contains(QStringLiteral("GapX="))) << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("Memo.Text"))) << xml.toStdString();
    EXPECT_TRUE(xml.contains(QStringLiteral("LineSpacing=\"0\""))) << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("Highlight.Font")) &&
                 !xml.contains(QStringLiteral("Highlight.Condition")));

    auto loaded = NewCalcReport();
    ms.SetPosition(0);
    loaded->LoadFromStream(ms);
    EXPECT_EQ(loaded->Errors()->Count(), 0) << loaded->Errors()->Text().toStdString();
    auto* back = dynamic_cast<TrptMemoView*>(loaded->FindObject(QStringLiteral("Memo1")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Plain(back->Text()), QStringLiteral("first [1+1]\r\nsecond"));
    EXPECT_EQ(back->ExpressionDelimiters(), QStringLiteral("<,>"));
    EXPECT_DOUBLE_EQ(back->GapY(), 4);
    EXPECT_DOUBLE_EQ(back->GapX(), 2);
    EXPECT_DOUBLE_EQ(back->LineSpacing(), 0);
    EXPECT_TRUE(back->HideZeros());
    ASSERT_NE(back->FlowTo(), nullptr);
    EXPECT_EQ(back->FlowTo()->Name(), QStringLiteral("Memo2"));
    EXPECT_EQ(back->Highlight()->Condition(), QStringLiteral("Value > 1"));
    EXPECT_EQ(back->Highlight()->Color(), clYellow);
    EXPECT_EQ(back->DisplayFormat()->Kind(), fkDateTime);
    EXPECT_EQ(back->DisplayFormat()->FormatStr(), QStringLiteral("dd.mm.yyyy"));
    auto* sysBack = dynamic_cast<TrptSysMemoView*>(loaded->FindObject(QStringLiteral("SysMemo1")));
    ASSERT_NE(sysBack, nullptr);
    EXPECT_EQ(Plain(sysBack->Text()), QStringLiteral("[Page#]"));
}
