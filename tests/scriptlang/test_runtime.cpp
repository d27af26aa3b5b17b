// Compile errors, host events, termination, evaluation and automation calls.

#include "tests/common/ScriptRun.h"

#include "platform/rtl/Streams.h"
#include "platform/rtti/ObjectHandles.h"
#include "platform/ui/UiTypes.h"
#include "script/sc_idisp.h"
#include "script/sc_ievents.h"

class TTestButton : public TComponent {
    KORVEL_CLASS(TTestButton, TComponent)
public:
    explicit TTestButton(TComponent* owner = nullptr) : TComponent(owner) {}
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v) { FCaption = v; }
    TNotifyEvent OnClick;
    TKeyPressEvent OnKeyPress;

private:
    QString FCaption;
};

KORVEL_CLASS_INFO(TTestButton) {
    b.Prop("Caption", &TTestButton::Caption, &TTestButton::SetCaption);
    b.Event("OnClick", &TTestButton::OnClick, "TNotifyEvent");
    b.Event("OnKeyPress", &TTestButton::OnKeyPress, "TKeyPressEvent");
}

namespace {

struct TErrorCase {
    const char* Lang;
    const char* Text;
    const char* Message;
    const char* Pos;
};

TEST(ScriptCompileTest, ErrorsNameTheMessageAndThePlace) {
    const TErrorCase cases[] = {
        {"PascalScript", "var i: Integer;\nbegin\n  i := k;\nend.", "Undeclared identifier: 'k'", "3:9"},
        {"PascalScript", "var i: Integer;\nbegin\n  i := 'text';\nend.",
         "Incompatible types: 'Integer', 'String'", "3:3"},
        {"PascalScript", "var s: String;\nbegin\n  for s := 1 to 2 do ;\nend.",
         "For loop variable must be numeric variable", ""},
        {"PascalScript", "var s: String;\nbegin\n  s.Foo := 1;\nend.",
         "Strings doesn't have properties or methods", ""},
        {"PascalScript", "begin\n  Copy('a', 1);\nend.", "Not enough actual parameters", ""},
        {"PascalScript", "begin\n  Trim('a', 1);\nend.", "Too many actual parameters", ""},
        {"PascalScript", "var i: Integer; i: Integer;\nbegin end.", "Identifier redeclared: 'i'", ""},
        {"PascalScript", "var x: TNoSuchType;\nbegin end.", "Unknown type: 'TNoSuchType'", ""},
        {"PascalScript", "begin\n  True := False;\nend.", "Left side cannot be assigned to", ""},
        {"PascalScript", "var i: Integer;\nbegin\n  i := @Trim.Foo;\nend.", "Variable required", ""},
    };
    for (const TErrorCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TScriptRun r(c.Lang, c.Text);
        EXPECT_FALSE(r.Compiled);
        EXPECT_EQ(r.Script.ErrorMsg(), QString::fromUtf8(c.Message));
        if (*c.Pos) {
            EXPECT_EQ(r.Script.ErrorPos(), QString::fromUtf8(c.Pos));
        }
        EXPECT_FALSE(r.Script.ErrorPos().isEmpty());
    }
}

TEST(ScriptCompileTest, BuilderDetails) {
    // A call before the definition, defaults filled in, the compound statement and a constant.
    TScriptRun ok("PascalScript", R"(const K = 40;
procedure First;
begin
  Log(Twice(K));
end;
function Twice(a: Integer = 3): Integer;
begin
  Result := a * 2;
end;
var x: Integer;
begin
  First;
  x := 1;
  x := x + Twice;
  Log(x);
  Log(@First);
end.)");
    ASSERT_TRUE(ok.Compiled) << ok.Error.toStdString();
    ASSERT_TRUE(ok.Execute()) << ok.Error.toStdString();
    EXPECT_EQ(ok.Joined(), "80|7|First");
    auto* assign = ok.Script.Statement()->GetItem(2);
    EXPECT_NE(dynamic_cast<TscAssignPlusStmt*>(assign), nullptr);
    EXPECT_TRUE(ok.Script.IsExecutableLine(13));
    EXPECT_FALSE(ok.Script.IsExecutableLine(10));
}

TEST(ScriptCompileTest, UndeclaredNamesInsideProceduresBecomeGlobals) {
    TScriptRun r("BasicScript", "sub SetIt\n  fresh = 5\nend sub\nSetIt\nLog(fresh)\n");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "5");
    EXPECT_NE(r.Script.FindLocal("fresh"), nullptr);
}

TEST(ScriptFaultsTest, BasicSetIsAnAssignment) {
    TScriptRun r("BasicScript", R"(dim x, s
Set x = 5
set s = "a" & x
Set x += 2
Log(x)
Log(s)
)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "7|a5");
    TScriptRun bad("BasicScript", "Set 5\n");
    EXPECT_FALSE(bad.Compiled);
}

TEST(ScriptFaultsTest, BasicJoinStaysAJoin) {
    TScriptRun r("BasicScript", R"(dim s, i
Log("1" & 2)
Log(1 & 2)
Log(Null & "a")
s = ""
for i = 1 to 3
  s = s & i
next
Log(s)
)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "12|12|a|123");
}

TEST(ScriptFaultsTest, NothingRunsAtCompileTime) {
    TTestButton button;
    button.SetCaption("Hello");
    int calls = 0;
    for (const char* lang : {"PascalScript", "JScript"}) {
        SCOPED_TRACE(lang);
        calls = 0;
        const QString text = QString(lang) == "JScript"
                                 ? "function Pick() { return GetButton(); }\nLog(Pick().Caption);"
                                 : "begin\n  Log(GetButton.Caption);\nend.";
        TscScript s;
        s.AddRTTI();
        s.AddClass(TTestButton::StaticClassInfo(), "TComponent");
        QStringList log;
        s.AddMethod("function GetButton: Variant",
                    TscCallMethodNewEvent([&](TObject*, const TClassInfo*, const QString&, TscMethodHelper*) {
                        ++calls;
                        return ObjectToVariant(&button);
                    }));
        s.AddMethod(
            "procedure Log(v: Variant)",
            TscCallMethodNewEvent([&](TObject*, const TClassInfo*, const QString&, TscMethodHelper* c) {
                log << VarToStr(c->GetVParam(0));
                return Variant(0);
            }));
        s.SetSyntaxType(lang);
        s.Lines()->SetText(text);
        ASSERT_TRUE(s.Compile()) << s.ErrorMsg().toStdString();
        EXPECT_EQ(calls, 0);
        s.Execute();
        EXPECT_EQ(log.join('|'), "Hello");
        EXPECT_EQ(calls, 1); // resolving the chain at its first use runs it once
        s.Execute();
        EXPECT_EQ(log.join('|'), "Hello|Hello");
        EXPECT_EQ(calls, 2);
    }
}

TEST(ScriptFaultsTest, EvaluateTakesAnyExpressionText) {
    struct TEval {
        const char* Lang;
        const char* Expr;
    };
    const TEval cases[] = {
        {"PascalScript", "1 + // a comment\r\n 2"}, {"PascalScript", "(1 + 2) { block }"},
        {"C++Script", "1 +\r\n2 // trailing"},      {"JScript", "(1 +\n 2) // trailing"},
        {"BasicScript", "1 + 2 ' trailing"},
    };
    for (const TEval& c : cases) {
        SCOPED_TRACE(c.Expr);
        TscScript s;
        s.AddRTTI();
        s.SetSyntaxType(c.Lang);
        const Variant v = s.Evaluate(c.Expr);
        EXPECT_FALSE(s.EvaluteRiseError()) << VarToStr(v).toStdString();
        EXPECT_TRUE(v == Variant(3));
    }
    TscScript s;
    s.AddRTTI();
    s.Evaluate("1 +");
    EXPECT_TRUE(s.EvaluteRiseError());
    s.SetSyntaxType("BasicScript");
    s.Evaluate("1\r\nLog(2)");
    EXPECT_TRUE(s.EvaluteRiseError());
}

TEST(ScriptRunTest, TerminateFromTheLineHookStopsARunningLoop) {
    TScriptRun r("PascalScript", R"(var n: Integer;
procedure Spin;
begin
  while True do Inc(n);
end;
begin
  Spin;
  Log('after');
end.)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    int lines = 0;
    r.Script.OnRunLine = [&](TscScript*, const QString&, const QString&) {
        if (++lines == 500) r.Script.Terminate();
    };
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_TRUE(r.Log.isEmpty());
    const int n = r.Script.Variables("n").ToInt();
    EXPECT_GT(n, 100);
    EXPECT_LT(n, 500);
}

class ScriptEventsTest : public ::testing::Test {
protected:
    std::unique_ptr<TScriptRun> Run(const QString& Text) {
        auto r = std::make_unique<TScriptRun>("PascalScript", QString());
        TscClassVariable* cls = r->Script.AddClass(TTestButton::StaticClassInfo(), "TComponent");
        cls->AddEvent("OnClick", &TscNotifyEvent::Make);
        cls->AddEvent("OnKeyPress", &TscKeyPressEvent::Make);
        r->Script.AddObject("Button1", &Button);
        r->Script.Lines()->SetText(Text);
        r->Compiled = r->Script.Compile();
        EXPECT_TRUE(r->Compiled) << r->Script.ErrorMsg().toStdString();
        EXPECT_TRUE(r->Execute()) << r->Error.toStdString();
        return r;
    }
    // Bridges in the script and in the scopes of its procedures.
    static int Bridges(TscScript& s) {
        int n = 0;
        for (int i = 0; i < s.Count(); ++i) {
            if (dynamic_cast<TscCustomEvent*>(s.Items(i))) ++n;
            if (auto* p = dynamic_cast<TscProcVariable*>(s.Items(i))) n += Bridges(*p->Prog());
        }
        return n;
    }
    TTestButton Button;
};

TEST_F(ScriptEventsTest, AScriptHandlesAHostEvent) {
    auto r = Run(R"(var clicks: Integer;
procedure ButtonClick(Sender: Variant);
begin
  clicks := clicks + 1;
  Log('click ' + IntToStr(clicks));
end;
procedure KeyPress(Sender: Variant; var Key: Char);
begin
  if Key = 'a' then Key := 'A';
end;
begin
  Button1.OnClick := @ButtonClick;
  Button1.OnKeyPress := 'KeyPress';
end.)");
    ASSERT_TRUE(bool(Button.OnClick));
    Button.OnClick(&Button);
    Button.OnClick(&Button);
    EXPECT_EQ(r->Joined(), "click 1|click 2");
    QChar key = 'a';
    Button.OnKeyPress(&Button, key);
    EXPECT_EQ(key, QChar('A'));
    key = 'b';
    Button.OnKeyPress(&Button, key);
    EXPECT_EQ(key, QChar('b'));
}

TEST_F(ScriptEventsTest, RebindingReleasesTheEarlierBridge) {
    auto r = Run(R"(var i: Integer;
procedure A(Sender: Variant); begin Log('A'); end;
procedure B(Sender: Variant); begin Log('B'); end;
begin
  for i := 1 to 50 do Button1.OnClick := 'A';
  Button1.OnClick := 'B';
end.)");
    EXPECT_EQ(Bridges(r->Script), 1);
    Button.OnClick(&Button);
    EXPECT_EQ(r->Joined(), "B");
}

TEST_F(ScriptEventsTest, BindingANonProcedureFails) {
    TScriptRun r("PascalScript", "");
    TscClassVariable* cls = r.Script.AddClass(TTestButton::StaticClassInfo(), "TComponent");
    cls->AddEvent("OnClick", &TscNotifyEvent::Make);
    r.Script.AddObject("Button1", &Button);
    r.Script.Lines()->SetText("var v: Integer;\nbegin\n  Button1.OnClick := 'v';\nend.");
    ASSERT_TRUE(r.Script.Compile()) << r.Script.ErrorMsg().toStdString();
    EXPECT_FALSE(r.Execute());
    EXPECT_TRUE(r.Error.endsWith("Event handler must be a procedure"));
}

TEST_F(ScriptEventsTest, BridgesNeverOutliveTheirScript) {
    TNotifyEvent kept;
    {
        auto r = Run(R"(procedure Click(Sender: Variant); begin Log('click'); end;
begin
  Button1.OnClick := 'Click';
end.)");
        kept = Button.OnClick;
        r->Script.Clear();
        Button.OnClick(&Button); // the bridge is gone: nothing runs, nothing is touched
        EXPECT_TRUE(r->Log.isEmpty());
    }
    kept(&Button);
    Button.OnClick(&Button);
}

TEST_F(ScriptEventsTest, AHandlerMayRebindItsOwnEvent) {
    auto r = Run(R"(procedure Second(Sender: Variant); begin Log('second'); end;
procedure Rebind; begin Button1.OnClick := 'First'; end;
procedure First(Sender: Variant);
begin
  Button1.OnClick := 'Second';
  Log('first');
end;
begin
  Button1.OnClick := 'First';
end.)");
    TNotifyEvent current = Button.OnClick; // the host calls a copy, as controls do
    current(&Button);
    Button.OnClick(&Button);
    EXPECT_EQ(r->Joined(), "first|second");
    EXPECT_EQ(Bridges(r->Script), 1);
    // Bound again from the main program's scope: the bridge made inside First goes.
    r->Script.CallFunction("Rebind", Variant::Null());
    EXPECT_EQ(Bridges(r->Script), 1);
    Button.OnClick(&Button);
    EXPECT_EQ(r->Joined(), "first|second|first");
}

// An automation object for the tests: records the calls it receives.
class TRecordingDispatch : public IDispatchObject {
public:
    QStringList Calls;
    Variant Visible = false;
    Variant Invoke(const QString& name, std::span<const Variant> args) override {
        if (name.compare("Add", Qt::CaseInsensitive) != 0)
            throw EVariantDispatchError("Unknown name: " + name);
        Calls << "call " + name + "/" + QString::number(args.size());
        return args[0] + args[1];
    }
    Variant GetProperty(const QString& name, std::span<const Variant> args) override {
        if (name.compare("Visible", Qt::CaseInsensitive) != 0)
            throw EVariantDispatchError("Unknown name: " + name);
        Calls << "get " + name + "/" + QString::number(args.size());
        return Visible;
    }
    void SetProperty(const QString& name, std::span<const Variant> args, const Variant& value) override {
        Calls << "set " + name + "/" + QString::number(args.size()) + "=" + VarToStr(value);
        Visible = value;
    }
};

TEST(ScriptAutomationTest, MembersAreCalledLateBound) {
    auto disp = std::make_shared<TRecordingDispatch>();
    RegisterOleClass("Test.Recorder", [disp] { return std::static_pointer_cast<IDispatchObject>(disp); });
    TScriptRun r("PascalScript", R"(var o: Variant;
begin
  o := CreateOleObject('Test.Recorder');
  o.Visible := True;
  Log(o.Visible);
  Log(o.Add(2, 3));
  try
    o.Quit;
  except
    Log(ExceptionMessage);
  end;
end.)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    const bool ran = r.Execute();
    UnregisterOleClass("Test.Recorder");
    ASSERT_TRUE(ran) << r.Error.toStdString();
    ASSERT_EQ(r.Log.size(), 3);
    EXPECT_EQ(r.Log[0], "True");
    EXPECT_EQ(r.Log[1], "5");
    EXPECT_TRUE(r.Log[2].startsWith("OLE error ")) << r.Log[2].toStdString();
    EXPECT_TRUE(r.Log[2].contains("Quit"));
    EXPECT_EQ(disp->Calls.join(','), "set Visible/0=True,get Visible/0,call Add/2");
    EXPECT_TRUE(disp->Visible == Variant(true));
}

} // namespace

namespace {

TEST_F(ScriptEventsTest, WithStatementsResolveMembersOnTheObject) {
    Button.SetCaption("one");
    auto r = Run(R"(begin
  with Button1 do begin
    Log(Caption);
    Caption := 'two';
  end;
  Log(Button1.Caption);
end.)");
    EXPECT_EQ(r->Joined(), "one|two");
    EXPECT_EQ(Button.Caption(), "two");
}

TEST(ScriptCompileTest, MacroFunctionsReceiveTheSourceText) {
    TScriptRun m("PascalScript", "");
    m.Script.AddMethod(
        "macrofunction Src(e: Variant; f: Variant): Variant",
        TscCallMethodNewEvent([](TObject*, const TClassInfo*, const QString&, TscMethodHelper* c) {
            return Variant(VarToStr(c->GetVParam(0)) + "/" + VarToStr(c->GetVParam(1)));
        }));
    m.Script.Lines()->SetText("var a: Integer;\nbegin\n  a := 4;\n  Log(Src(a  +  1, 'x'));\nend.");
    ASSERT_TRUE(m.Script.Compile()) << m.Script.ErrorMsg().toStdString();
    ASSERT_TRUE(m.Execute()) << m.Error.toStdString();
    EXPECT_EQ(m.Joined(), "a  +  1/'x'");
}

TEST(ScriptCompileTest, IntermediateCodeBuildsLikeTheSource) {
    TScriptRun first("JScript", "var i, s = 0; for (i = 1; i <= 4; i++) s = s + i; Log(s);");
    TMemoryStream il;
    ASSERT_TRUE(first.Script.GetILCode(il));
    il.SetPosition(0);
    TScriptRun second("JScript", "");
    ASSERT_TRUE(second.Script.SetILCode(il)) << second.Script.ErrorMsg().toStdString();
    ASSERT_TRUE(second.Execute()) << second.Error.toStdString();
    EXPECT_EQ(second.Joined(), "10");
}

} // namespace

namespace {

TEST_F(ScriptEventsTest, ClassLateBindingResolvesOwnedComponentsOnFirstUse) {
    auto* inner = new TTestButton(&Button); // owned and freed by Button
    inner->SetName("Inner");
    inner->SetCaption("deep");
    TScriptRun r("PascalScript", "");
    r.Script.AddClass(TTestButton::StaticClassInfo(), "TComponent");
    r.Script.AddObject("Button1", &Button);
    r.Script.SetUseClassLateBinding(true);
    r.Script.Lines()->SetText(
        "var b: TTestButton;\nbegin\n  b := Button1;\n  Log(b.Inner.Caption);\n  b.Nothing := 1;\nend.");
    ASSERT_TRUE(r.Script.Compile()) << r.Script.ErrorMsg().toStdString();
    EXPECT_FALSE(r.Execute());
    EXPECT_EQ(r.Joined(), "deep");
    EXPECT_TRUE(r.Error.contains("Undeclared identifier: 'Nothing'")) << r.Error.toStdString();
    r.Script.SetUseClassLateBinding(false);
    r.Script.Clear();
    EXPECT_FALSE(r.Script.Compile());
}

} // namespace

namespace {

TEST_F(ScriptEventsTest, NestedWithResolvesToTheInnermostObject) {
    TTestButton second;
    second.SetCaption("inner");
    Button.SetCaption("outer");
    auto r = std::make_unique<TScriptRun>("PascalScript", QString());
    r->Script.AddClass(TTestButton::StaticClassInfo(), "TComponent");
    r->Script.AddObject("Button1", &Button);
    r->Script.AddObject("Button2", &second);
    r->Script.Lines()->SetText(
        "begin\n  with Button1 do\n    with Button2 do Log(Caption);\n  with Button1 do "
        "Log(Caption);\nend.");
    ASSERT_TRUE(r->Script.Compile()) << r->Script.ErrorMsg().toStdString();
    ASSERT_TRUE(r->Execute()) << r->Error.toStdString();
    EXPECT_EQ(r->Joined(), "inner|outer");
}

// Intermediate programs come from files too: malformed ones are refused or built, never crash.
TEST(ScriptCompileTest, MalformedIntermediateProgramsAreSafe) {
    const char* programs[] = {
        "<program><forstmt/><ifstmt/><whilestmt/><repeatstmt/><cppforstmt/></program>",
        "<program><assignstmt><expr/></assignstmt></program>",
        "<program><casestmt><expr><number text=\"1\"/></expr><caseselector><set/></caseselector></casestmt>"
        "</program>",
        "<program><function/><procedure><name text=\"p\"/></procedure></program>",
        "<program><callstmt><dsgn><addr/></dsgn></callstmt><return><expr/></return></program>",
        "<program><var><ident text=\"a\"/><array><dim><expr><string text=\"'x'\"/></expr></dim></array>"
        "</var></program>",
        "<program><with><dsgn><node text=\"nil\"/></dsgn></with><delete/></program>",
    };
    for (const char* p : programs) {
        SCOPED_TRACE(p);
        TScriptRun r("PascalScript", "");
        TMemoryStream in;
        const QByteArray bytes = QByteArray("<?xml version=\"1.0\"?>") + p;
        in.Write(bytes.constData(), bytes.size());
        in.SetPosition(0);
        if (r.Script.SetILCode(in))
            r.Execute();
        else
            EXPECT_FALSE(r.Script.ErrorMsg().isEmpty());
    }
}

} // namespace

namespace {

TEST(ScriptCompileTest, IncludedUnitsAreBuiltIntoTheScript) {
    TScriptRun r("PascalScript", "");
    r.Script.OnGetUnit = [](TscCompileHost*, const QString& name, QString& text) {
        if (name == "lib.pas")
            text = "function Twice(x: Integer): Integer;\nbegin\n  Result := x * 2;\nend;\nbegin\nend.";
        else if (name == "bad.pas")
            text = "begin\n  y := nothing;\nend.";
    };
    r.Script.Lines()->SetText("uses 'lib.pas';\nbegin\n  Log(Twice(21));\nend.");
    ASSERT_TRUE(r.Script.Compile()) << r.Script.ErrorMsg().toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "42");

    TScriptRun bad("PascalScript", "");
    bad.Script.OnGetUnit = r.Script.OnGetUnit;
    bad.Script.Lines()->SetText("uses 'bad.pas';\nbegin\nend.");
    EXPECT_FALSE(bad.Script.Compile());
    EXPECT_EQ(bad.Script.ErrorMsg(), "Undeclared identifier: 'y'");
    EXPECT_EQ(bad.Script.ErrorUnit(), "bad.pas");
}

} // namespace
