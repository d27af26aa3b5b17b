// The report classes as report scripts see them, with a real engine: event procedures in the four
// languages that hide rows, change a text object's text and colour, sum into a variable and break
// the page; the order in which the events fire; a failing event procedure; and engine calls from
// events that would otherwise recurse for ever.

#include "platform/gfx/Colors.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtti/ObjectHandles.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptRunControl.h"
#include "report/core/rptScriptRTTI.h"
#include "report/core/rptStyles.h"
#include "report/core/rptVariables.h"
#include "script/sc_iinterpreter.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Page 100 x 60 mm without margins: header and footer of 20 px leave room for 9 rows of 20.
// Every event property names a procedure <Object>On<Event>; a script that lacks one is not
// called for it.
const char* Template = R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrptReport Version="4.15" OnStartReport="ReportOnStartReport" OnStopReport="ReportOnStopReport">
  <TrptReportPage Name="Page1" PaperWidth="100" PaperHeight="60" PaperSize="256" LeftMargin="0" RightMargin="0" TopMargin="0" BottomMargin="0" OnBeforePrint="Page1OnBeforePrint" OnAfterPrint="Page1OnAfterPrint" OnManualBuild="%1">
    <TrptPageHeader Name="PageHeader1" Height="20" Left="0" Top="0" Width="377.95" OnBeforePrint="PageHeader1OnBeforePrint" OnAfterPrint="PageHeader1OnAfterPrint">
      <TrptMemoView Name="HeaderMemo" Left="0" Top="0" Width="200" Height="20" Text="Head [Page#]"/>
    </TrptPageHeader>
    <TrptMasterData Name="MasterData1" DataSetName="Rows" Height="20" Left="0" Top="40" Width="377.95" OnBeforePrint="MasterData1OnBeforePrint" OnAfterPrint="MasterData1OnAfterPrint" OnAfterCalcHeight="MasterData1OnAfterCalcHeight">
      <TrptMemoView Name="RowMemo" Left="0" Top="0" Width="200" Height="20" Text="Row [Line]" OnBeforePrint="RowMemoOnBeforePrint" OnAfterData="RowMemoOnAfterData" OnAfterPrint="RowMemoOnAfterPrint"/>
    </TrptMasterData>
    <TrptReportSummary Name="Summary1" Height="20" Left="0" Top="80" Width="377.95" OnBeforePrint="Summary1OnBeforePrint">
      <TrptMemoView Name="TotalMemo" Left="0" Top="0" Width="200" Height="20" Text="%2"/>
    </TrptReportSummary>
    <TrptPageFooter Name="PageFooter1" Height="20" Left="0" Top="120" Width="377.95" OnBeforePrint="PageFooter1OnBeforePrint"/>
  </TrptReportPage>
</TrptReport>)";

class Bindings : public ::testing::Test {
protected:
    // Loads the template (ManualBuild names the page's OnManualBuild procedure, or nothing),
    // gives it the script and a dataset of Rows rows.
    void Load(const char* Language, const QString& Script, int Rows = 6, const QString& ManualBuild = QString()) {
        RowsData = new TrptUserDataSet(&Host);
        RowsData->SetName(QStringLiteral("RowsData"));
        RowsData->SetUserName(QStringLiteral("Rows"));
        RowsData->SetRangeEnd(reCount);
        RowsData->SetRangeEndCount(Rows);
        TMemoryStream s;
        const QByteArray text = QString::fromLatin1(Template).arg(ManualBuild, SummaryText).toUtf8();
        s.WriteBuffer(text.constData(), text.size());
        s.SetPosition(0);
        Report.LoadFromStream(s);
        Report.EngineOptions()->SetNewSilentMode(simSilent);
        Report.DataSets()->Add(RowsData);
        Report.SetScriptLanguage(QString::fromLatin1(Language));
        Report.ScriptText()->SetText(Script);
    }
    bool Prepare() { return PrepareReport(&Report, true); }
    int PageCount() { return Report.PreviewPages() ? Report.PreviewPages()->GetCount() : 0; }
    QString Dump() { return DumpPreparedPages(Report.PreviewPages()); }
    QString Errors() { return Report.Errors()->Text(); }
    // The quoted texts of the objects of that name on page Index, in page order.
    QStringList Texts(int Index, const QString& Name) {
        QStringList r;
        const QRegularExpression line(QStringLiteral("^\\s*\\w+ %1 .*\"(.*)\"").arg(Name));
        for (const QString& l : DumpPreparedPage(Report.PreviewPages(), Index).split(u'\n')) {
            const auto m = line.match(l);
            if (m.hasMatch()) r << m.captured(1).remove(QStringLiteral("\\r\\n"));
        }
        return r;
    }
    // The fill colours of the copies of RowMemo on page Index.
    std::vector<TColor> RowColours(int Index) {
        std::vector<TColor> r;
        TrptReportPage* page = Report.PreviewPages()->GetPage(Index);
        if (!page) return r;
        for (TrptComponent* c : page->AllObjects())
            if (auto* m = dynamic_cast<TrptMemoView*>(c); m && m->Name() == QLatin1String("RowMemo"))
                r.push_back(m->Color());
        return r;
    }
    QString ScriptValue(const char* Name) {
        TscCustomVariable* v = Report.Script()->Find(QString::fromLatin1(Name));
        return v ? v->Value().ToString() : QStringLiteral("<missing>");
    }

    TComponent Host{nullptr};
    TrptReport Report;
    TrptUserDataSet* RowsData = nullptr;
    QString SummaryText = QStringLiteral("End");
};

struct LanguageScript {
    const char* Language;
    const char* Script;
};

// Rows whose line is a multiple of 3 are hidden; even rows read "Even n" in red, odd ones "Odd n"
// in blue; the visible lines are summed into Total, which the summary prints; after line 4 the
// page breaks.
const LanguageScript RowScripts[] = {
    {"PascalScript", R"(var Total: Integer;
procedure MasterData1OnBeforePrint(Sender: TrptComponent);
begin
  MasterData1.Visible := Get('Line') mod 3 <> 0;
end;
procedure RowMemoOnBeforePrint(Sender: TrptComponent);
begin
  if Get('Line') mod 2 = 0 then begin
    RowMemo.Text := 'Even [Line]';
    RowMemo.Color := clRed;
  end else begin
    RowMemo.Text := 'Odd [Line]';
    RowMemo.Color := clBlue;
  end;
end;
procedure MasterData1OnAfterPrint(Sender: TrptComponent);
begin
  if MasterData1.Visible then Total := Total + Get('Line');
  if Get('Line') = 4 then Engine.NewPage;
end;
begin
  Total := 0;
end.)"},
    {"C++Script", R"(int Total;
void MasterData1OnBeforePrint(TrptComponent Sender) {
  MasterData1.Visible = Get("Line") % 3 != 0;
}
void RowMemoOnBeforePrint(TrptComponent Sender) {
  if (Get("Line") % 2 == 0) {
    RowMemo.Text = "Even [Line]";
    RowMemo.Color = clRed;
  } else {
    RowMemo.Text = "Odd [Line]";
    RowMemo.Color = clBlue;
  }
}
void MasterData1OnAfterPrint(TrptComponent Sender) {
  if (MasterData1.Visible) Total = Total + Get("Line");
  if (Get("Line") == 4) Engine.NewPage;
}
{
  Total = 0;
})"},
    {"BasicScript", R"(dim Total
sub MasterData1OnBeforePrint(Sender)
  MasterData1.Visible = Get("Line") mod 3 <> 0
end sub
sub RowMemoOnBeforePrint(Sender)
  if Get("Line") mod 2 = 0 then
    RowMemo.Text = "Even [Line]"
    RowMemo.Color = clRed
  else
    RowMemo.Text = "Odd [Line]"
    RowMemo.Color = clBlue
  end if
end sub
sub MasterData1OnAfterPrint(Sender)
  if MasterData1.Visible then
    Total = Total + Get("Line")
  end if
  if Get("Line") = 4 then
    Engine.NewPage
  end if
end sub
Total = 0
)"},
    {"JScript", R"(var Total;
function MasterData1OnBeforePrint(Sender) {
  MasterData1.Visible = Get("Line") % 3 != 0;
}
function RowMemoOnBeforePrint(Sender) {
  if (Get("Line") % 2 == 0) {
    RowMemo.Text = "Even [Line]";
    RowMemo.Color = clRed;
  } else {
    RowMemo.Text = "Odd [Line]";
    RowMemo.Color = clBlue;
  }
}
function MasterData1OnAfterPrint(Sender) {
  if (MasterData1.Visible) Total = Total + Get("Line");
  if (Get("Line") == 4) Engine.NewPage();
}
Total = 0;)"},
};

class RowEvents : public Bindings, public ::testing::WithParamInterface<LanguageScript> {};

} // namespace

TEST_P(RowEvents, HideRowsChangeTextAndColourSumAndBreakThePage) {
    SummaryText = QStringLiteral("Total [Total]");
    Load(GetParam().Language, QString::fromUtf8(GetParam().Script));
    ASSERT_TRUE(Prepare()) << Errors().toStdString();
    ASSERT_EQ(PageCount(), 2) << Dump().toStdString();
    // Lines 3 and 6 are hidden; the break after line 4 puts line 5 on the second page.
    EXPECT_EQ(Texts(0, QStringLiteral("RowMemo")), QStringList({"Odd 1", "Even 2", "Even 4"})) << Dump().toStdString();
    EXPECT_EQ(Texts(1, QStringLiteral("RowMemo")), QStringList({"Odd 5"})) << Dump().toStdString();
    EXPECT_EQ(RowColours(0), (std::vector<TColor>{clBlue, clRed, clRed}));
    EXPECT_EQ(RowColours(1), (std::vector<TColor>{clBlue}));
    // 1 + 2 + 4 + 5, printed by the summary of the last page.
    EXPECT_EQ(ScriptValue("Total"), "12");
    EXPECT_EQ(Texts(1, QStringLiteral("TotalMemo")), QStringList({"Total 12"}));
    // The page header repeats on the page the script opened.
    EXPECT_EQ(Texts(1, QStringLiteral("HeaderMemo")), QStringList({"Head 2"}));
}

INSTANTIATE_TEST_SUITE_P(Languages, RowEvents, ::testing::ValuesIn(RowScripts),
                         [](const auto& info) {
                             QString n = QString::fromLatin1(info.param.Language);
                             return n.remove(u'+').toStdString();
                         });

// Every event appends "Object.Event" to Log; the order is the one in which the engine makes a
// report: start, the page's before-print, the page header, per row the band's before-print, the
// text's before-print and after-data, the band's height, the text's and the band's after-print;
// then the summary and the page footer closing the last page, the page's after-print and stop.
TEST_F(Bindings, EventsFireInTheEnginesOrder) {
    QString script = QStringLiteral("var Log: String;\r\n");
    const char* events[] = {"ReportOnStartReport",      "ReportOnStopReport",        "Page1OnBeforePrint",
                            "Page1OnAfterPrint",        "PageHeader1OnBeforePrint",  "PageHeader1OnAfterPrint",
                            "MasterData1OnBeforePrint", "MasterData1OnAfterPrint",   "MasterData1OnAfterCalcHeight",
                            "RowMemoOnBeforePrint",     "RowMemoOnAfterData",        "RowMemoOnAfterPrint",
                            "Summary1OnBeforePrint",    "PageFooter1OnBeforePrint"};
    for (const char* e : events)
        script += QStringLiteral("procedure %1(Sender: TObject);\r\nbegin\r\n  Log := Log + '%1;';\r\nend;\r\n")
                      .arg(QLatin1String(e));
    script += QStringLiteral("begin\r\n  Log := '';\r\nend.");
    Load("PascalScript", script, 2);
    ASSERT_TRUE(Prepare()) << Errors().toStdString();
    const QString row = QStringLiteral("MasterData1OnBeforePrint;RowMemoOnBeforePrint;RowMemoOnAfterData;"
                                       "MasterData1OnAfterCalcHeight;RowMemoOnAfterPrint;MasterData1OnAfterPrint;");
    const QString expected = QStringLiteral("ReportOnStartReport;Page1OnBeforePrint;"
                                            "PageHeader1OnBeforePrint;PageHeader1OnAfterPrint;") +
                             row + row +
                             QStringLiteral("Summary1OnBeforePrint;PageFooter1OnBeforePrint;Page1OnAfterPrint;"
                                            "ReportOnStopReport;");
    EXPECT_EQ(ScriptValue("Log").replace(u';', QStringLiteral(";\n")).toStdString(),
              QString(expected).replace(u';', QStringLiteral(";\n")).toStdString());
}

// A page built by its script: OnManualBuild shows the bands itself, in the order it chooses, and
// reads the free space left on the page.
TEST_F(Bindings, ManualBuildShowsBandsAndReadsFreeSpace) {
    Load("PascalScript", QStringLiteral(R"(var Space1, Space2: Extended;
procedure Page1OnManualBuild(Sender: TObject);
var i: Integer;
begin
  Space1 := Engine.FreeSpace;
  for i := 1 to 3 do
    Engine.ShowBand(MasterData1);
  Space2 := Engine.FreeSpace;
  Engine.NewPage;
  Engine.ShowBand(MasterData1);
end;
begin
end.)"),
         0, QStringLiteral("Page1OnManualBuild"));
    ASSERT_TRUE(Prepare()) << Errors().toStdString();
    EXPECT_EQ(PageCount(), 2) << Dump().toStdString();
    EXPECT_EQ(Texts(0, QStringLiteral("RowMemo")).size(), 3) << Dump().toStdString();
    EXPECT_EQ(Texts(1, QStringLiteral("RowMemo")).size(), 1) << Dump().toStdString();
    // 60 mm page, header and footer of 20: 226.77 - 40 free under the header, 60 less after 3 rows.
    EXPECT_NEAR(ScriptValue("Space1").toDouble(), 60 * 3.77953 - 40, 0.01);
    EXPECT_NEAR(ScriptValue("Space1").toDouble() - ScriptValue("Space2").toDouble(), 60, 0.01);
}

// A failing event procedure stops the preparation: the error names the object, its event and the
// procedure, and the pages made before it stay.
TEST_F(Bindings, FailingEventNamesObjectAndEventAndKeepsThePages) {
    Load("PascalScript", QStringLiteral(R"(procedure MasterData1OnAfterPrint(Sender: TrptComponent);
begin
  if Get('Line') = 4 then Engine.NewPage;
  if Get('Line') = 6 then RaiseException('row six is bad');
end;
begin
end.)"),
         9);
    EXPECT_FALSE(Prepare());
    const QString errors = Errors();
    EXPECT_TRUE(errors.contains(QStringLiteral("MasterData1.OnAfterPrint (procedure MasterData1OnAfterPrint): ")))
        << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("row six is bad"))) << errors.toStdString();
    // Lines 1 to 4 on the first page, 5 and 6 on the second, which is kept.
    ASSERT_EQ(PageCount(), 2) << Dump().toStdString();
    EXPECT_EQ(Texts(1, QStringLiteral("RowMemo")), QStringList({"Row 5", "Row 6"}));
    // The report prepares again once the script is mended.
    Report.ScriptText()->SetText(QStringLiteral("begin\r\nend."));
    EXPECT_TRUE(Prepare()) << Errors().toStdString();
    EXPECT_EQ(Texts(0, QStringLiteral("RowMemo")).size(), 9) << Dump().toStdString();
}

// Engine calls from events in places where the engine is already breaking the page, showing the
// same band, or not making pages at all: the preparation ends with an error or goes on, but
// never crashes nor runs for ever.
struct UnusualCall {
    const char* Name;
    const char* Script;
    bool Succeeds;         // the preparation ends without an error
    const char* ErrorPart; // a part of the error text otherwise
};

const UnusualCall UnusualCalls[] = {
    // Every page header opens a new page, whose header opens a new page ...
    {"NewPageInEveryPageHeader",
     "procedure PageHeader1OnBeforePrint(Sender: TObject);\r\nbegin\r\n  Engine.NewPage;\r\nend;\r\nbegin\r\nend.", false,
     "PageHeader1.OnBeforePrint (procedure PageHeader1OnBeforePrint): Engine.NewPage: the page header of a page that its header"},
    // Only the first page's header breaks: a page without rows, then the rows.
    {"NewPageInTheFirstPageHeaderOnly",
     "procedure PageHeader1OnBeforePrint(Sender: TObject);\r\nbegin\r\n  if Get('Page#') = 1 then "
     "Engine.NewPage;\r\nend;\r\nbegin\r\nend.",
     true, ""},
    // The footer of the last page breaks the page: the last page's footer again ...
    {"NewPageInEveryPageFooter",
     "procedure PageFooter1OnBeforePrint(Sender: TObject);\r\nbegin\r\n  Engine.NewPage;\r\nend;\r\nbegin\r\nend.", false,
     "PageFooter1.OnBeforePrint"},
    // The summary of the last page moves to a page of its own.
    {"NewPageInTheSummary",
     "procedure Summary1OnBeforePrint(Sender: TObject);\r\nbegin\r\n  Engine.NewPage;\r\nend;\r\nbegin\r\nend.", true,
     ""},
    // A band that shows itself from its own event.
    {"BandShowsItself",
     "procedure MasterData1OnBeforePrint(Sender: TObject);\r\nbegin\r\n  Engine.ShowBand(MasterData1);\r\nend;\r\nbegin\r\nend.",
     false, "MasterData1.OnBeforePrint"},
    // Two bands showing each other.
    {"BandsShowEachOther",
     "procedure MasterData1OnBeforePrint(Sender: TObject);\r\nbegin\r\n  Engine.ShowBand(Summary1);\r\nend;\r\n"
     "procedure Summary1OnBeforePrint(Sender: TObject);\r\nbegin\r\n  Engine.ShowBand(MasterData1);\r\nend;\r\nbegin\r\nend.",
     false, "Engine.ShowBand"},
    // Before any page exists: the main program and the report's start.
    {"NewPageInTheMainProgram", "begin\r\n  Engine.NewPage;\r\nend.", false, "Engine.NewPage: no page is being prepared"},
    {"ShowBandAtTheStart",
     "procedure ReportOnStartReport(Sender: TObject);\r\nbegin\r\n  Engine.ShowBand(MasterData1);\r\nend;\r\nbegin\r\nend.",
     false, "Engine.ShowBand: no page is being prepared"},
    {"NewPageAtThePagesStart",
     "procedure Page1OnBeforePrint(Sender: TObject);\r\nbegin\r\n  Engine.NewPage;\r\nend;\r\nbegin\r\nend.", false,
     "Engine.NewPage: no page is being prepared"},
    // After the last page's footer: one more page, with its header only.
    {"NewPageAfterTheLastPage",
     "procedure Page1OnAfterPrint(Sender: TObject);\r\nbegin\r\n  Engine.NewPage;\r\nend;\r\nbegin\r\nend.", true, ""},
    {"ShowNilAndATextObject",
     "procedure MasterData1OnAfterPrint(Sender: TObject);\r\nbegin\r\n  Engine.ShowBand(nil);\r\n  "
     "Engine.ShowBand(TrptBand(RowMemo));\r\nend;\r\nbegin\r\nend.",
     false, "RowMemo is not a band"},
};

class UnusualEngineCalls : public Bindings, public ::testing::WithParamInterface<UnusualCall> {};

TEST_P(UnusualEngineCalls, NeverCrashNorLoop) {
    const UnusualCall& c = GetParam();
    Load("PascalScript", QString::fromLatin1(c.Script), 3);
    const bool ok = Prepare();
    EXPECT_EQ(ok, c.Succeeds) << Errors().toStdString() << Dump().toStdString();
    if (!c.Succeeds) {
        EXPECT_TRUE(Errors().contains(QString::fromLatin1(c.ErrorPart))) << Errors().toStdString();
    }
    // Bounded: no run adds pages without end.
    EXPECT_LE(PageCount(), MaxNestedEngineCalls + 2) << Dump().toStdString();
    // A break asked for by the first page's header comes after that header: one header on each
    // page, the rows on the second.
    if (std::string(c.Name) == "NewPageInTheFirstPageHeaderOnly") {
        ASSERT_EQ(PageCount(), 2) << Dump().toStdString();
        EXPECT_EQ(Texts(0, QStringLiteral("HeaderMemo")), QStringList({"Head 1"})) << Dump().toStdString();
        EXPECT_TRUE(Texts(0, QStringLiteral("RowMemo")).isEmpty());
        EXPECT_EQ(Texts(1, QStringLiteral("HeaderMemo")), QStringList({"Head 2"})) << Dump().toStdString();
        EXPECT_EQ(Texts(1, QStringLiteral("RowMemo")), QStringList({"Row 1", "Row 2", "Row 3"}));
    }
    // The report stays usable.
    Report.ScriptText()->SetText(QStringLiteral("begin\r\nend."));
    EXPECT_TRUE(Prepare()) << Errors().toStdString();
    EXPECT_EQ(PageCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnusualEngineCalls, ::testing::ValuesIn(UnusualCalls),
                         [](const auto& info) { return std::string(info.param.Name); });

// The members that the report classes add to their published properties, the constants, the
// enumerations and the date functions, from the main program of a script.
TEST_F(Bindings, ReportMembersConstantsAndFunctions) {
    Load("PascalScript", QStringLiteral(R"(var Results: String;
procedure Add(S: String);
begin
  Results := Results + S + '|';
end;
var L: TList; W: TWideStrings; V: TrptVariables; Item: TrptStyleItem;
begin
  Add(FloatToStr(fr1cm));
  Add(FloatToStr(fr1in));
  Add(IntToStr(clTransparent));
  Add(IntToStr(smMaxHeight) + IntToStr(fkBoolean) + IntToStr(reCount) + IntToStr(ftBottom));
  Add(IntToStr(DayOf(EncodeDate(2024, 1, 31))) + '/' + IntToStr(MonthOf(EncodeDate(2024, 1, 31))) + '/' +
      IntToStr(YearOf(EncodeDate(2024, 1, 31))));
  Add(IntToStr(Report.Calc('1 + 2')));
  try
    Report.Calc('1 +');
    Add('calc passed');
  except
    Add(ExceptionMessage);
  end;
  Add(IntToStr(Page1.Objects.Count));
  L := MasterData1.AllObjects;
  Add(IntToStr(L.Count) + TrptComponent(L.Items[0]).Name);
  Add(RowMemo.Parent.Name + ' ' + RowMemo.Page.Name);
  if RowMemo.AbsTop = MasterData1.AbsTop + RowMemo.Top then Add('abs') else Add('not abs');
  RowMemo.Text := 'one';
  RowMemo.Lines.Add('two');
  Add(IntToStr(RowMemo.Lines.Count) + RowMemo.Lines[1]);
  W := TWideStrings.Create;
  W.Text := 'a' + #13#10 + 'b' + #13#10 + 'c';
  RowMemo.Lines := W;
  W.Free;
  Add(IntToStr(RowMemo.Lines.Count) + RowMemo.Lines.Strings[2]);
  HeaderMemo.TagStr := 'tag';
  Add(HeaderMemo.TagStr);
  Add(Report.GetDataset('Rows').Name);
  Add(Report.FindObject('RowMemo').Name);
  Report.Variables['Answer'] := 42;
  V := TrptVariables.Create;
  V['x'] := 'y';
  Add(V['x']);
  V.Free;
  rptGlobalVariables['BindingsShared'] := 7;
  Item := Report.Styles.Add;
  Item.Name := 'First';
  Report.Styles[0] := Report.Styles.Add;
  Add(Report.Styles[0].Name + IntToStr(Report.Styles.Count) + Report.Styles.Find('First').Name);
  if Report.EngineOptions.DestroyForms then Add('destroy');
  Report.EngineOptions.DestroyForms := False;
  if not Report.Terminated then Add('running');
  if not MasterData1.Overflow then Add('no overflow');
  RowMemo.SetBounds(1, 2, 30, 40);
  Add(FloatToStr(RowMemo.Left + RowMemo.Top + RowMemo.Width + RowMemo.Height));
end.)"));
    ASSERT_TRUE(Report.PrepareScript()) << Errors().toStdString();
    Report.Script()->Execute();
    const QStringList expected = {"37.7953", "96", "536870911", "2328", "31/1/2024", "3", "<calc error>", "4",
                                  "1RowMemo", "MasterData1 Page1", "abs", "2two", "3c", "tag", "RowsData",
                                  "RowMemo", "y", "First2First", "destroy", "running", "no overflow", "73", ""};
    QStringList results = ScriptValue("Results").split(u'|');
    // Report.Calc of a faulty expression raises with the expression's error text.
    ASSERT_GT(results.size(), 6);
    EXPECT_TRUE(results[6].startsWith(QStringLiteral("Report.Calc: Error in expression '1 +': "))) << results[6].toStdString();
    results[6] = QStringLiteral("<calc error>");
    EXPECT_EQ(results, expected) << ScriptValue("Results").toStdString();
    EXPECT_EQ(Report.Variables()->Variables(QStringLiteral("Answer")).ToInt(), 42);
    EXPECT_EQ(GlobalVariables()->Variables(QStringLiteral("BindingsShared")).ToInt(), 7);
    GlobalVariables()->DeleteVariable(QStringLiteral("BindingsShared"));
    EXPECT_FALSE(Report.EngineOptions()->DestroyForms());
}

// A single-byte text given to a text object whose font uses a Cyrillic character set is read in
// that code page; a UTF-16 text is taken as it is.
TEST_F(Bindings, SingleByteTextFollowsTheFontsCharacterSet) {
    Load("PascalScript", QStringLiteral("begin\r\n  RowMemo.Text := Bytes;\r\n  HeaderMemo.Text := Bytes;\r\n"
                                        "  TotalMemo.AnsiText := Bytes;\r\nend."));
    auto* row = dynamic_cast<TrptMemoView*>(Report.FindObject(QStringLiteral("RowMemo")));
    auto* total = dynamic_cast<TrptMemoView*>(Report.FindObject(QStringLiteral("TotalMemo")));
    ASSERT_TRUE(row && total);
    row->Font()->SetCharset(204);
    total->Font()->SetCharset(204);
    // A host variable holding a single-byte text, as a program's function could answer one.
    Report.Script()->AddVariable(QStringLiteral("Bytes"), QStringLiteral("Variant"),
                                 Variant::FromString(QString::fromLatin1("\xC0\xC1"), varString));
    ASSERT_TRUE(Report.PrepareScript()) << Errors().toStdString();
    Report.Script()->Execute();
    EXPECT_EQ(row->Text().trimmed(), QString::fromUtf8("\u0410\u0411"));
    EXPECT_EQ(total->Text().trimmed(), QString::fromUtf8("\u0410\u0411"));
    // The header keeps the default character set: the bytes stand for themselves.
    auto* header = dynamic_cast<TrptMemoView*>(Report.FindObject(QStringLiteral("HeaderMemo")));
    EXPECT_EQ(header->Text().trimmed(), QString::fromLatin1("\xC0\xC1"));
}

// Anchors and outline items added by events: the anchor of a row tells its page, and each outline
// item stands at the engine's position when it was added.
TEST_F(Bindings, AnchorsAndOutlineFromEvents) {
    Load("PascalScript", QStringLiteral(R"(var Row5Page: Integer;
procedure MasterData1OnBeforePrint(Sender: TrptComponent);
begin
  Engine.AddAnchor('row' + IntToStr(Get('Line')));
  Outline.AddItem('Row ' + IntToStr(Get('Line')));
  Outline.LevelUp;
end;
procedure MasterData1OnAfterPrint(Sender: TrptComponent);
begin
  if Get('Line') = 4 then Engine.NewPage;
end;
procedure Summary1OnBeforePrint(Sender: TrptComponent);
begin
  Row5Page := Engine.GetAnchorPage('row5');
end;
begin
end.)"));
    ASSERT_TRUE(Prepare()) << Errors().toStdString();
    ASSERT_EQ(PageCount(), 2);
    EXPECT_EQ(ScriptValue("Row5Page"), "2");
    TrptCustomOutline* outline = Report.PreviewPages()->Outline();
    ASSERT_NE(outline, nullptr);
    outline->LevelRoot();
    ASSERT_EQ(outline->GetCount(), 6);
    QString text;
    int page = 0, top = 0;
    outline->GetItem(4, text, page, top);
    EXPECT_EQ(text, "Row 5");
    EXPECT_EQ(page, 1); // 0-based: the second page
    EXPECT_EQ(top, 20); // under the page header
}
