#include "TreeBuild.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtti/ObjectHandles.h"
#include "script/sc_iconst.h"
#include "script/sc_itools.h"
#include "script/sc_xml.h"

#include <gtest/gtest.h>

namespace {

int g_modulesMade = 0;

class TTestModule : public TscRTTIModule {
public:
    explicit TTestModule(TscScript* s) : TscRTTIModule(s) {
        ++g_modulesMade;
        s->AddType("Integer", fvtInt);
        s->AddConst("ModuleConst", "Integer", 11);
    }
    static std::unique_ptr<TscRTTIModule> Make(TscScript* s) { return std::make_unique<TTestModule>(s); }
};

TEST(ScriptProgramTest, ItemListFindsNewestAndIgnoresCase) {
    TscScript s;
    s.Add("Alpha", std::make_unique<TscVariable>("Alpha", fvtVariant, ""));
    auto* second = new TscVariable("ALPHA", fvtVariant, "");
    s.Add("ALPHA", second);
    s.Add("beta", std::make_unique<TscVariable>("beta", fvtVariant, ""));
    EXPECT_EQ(s.FindLocal("alpha"), second);
    EXPECT_EQ(s.Find("BETA")->Name(), "beta");
    EXPECT_EQ(s.FindLocal("gamma"), nullptr);
    // Remove detaches without freeing; an unknown item raises.
    std::unique_ptr<TObject> taken = s.Remove(second);
    EXPECT_EQ(taken.get(), second);
    EXPECT_THROW(s.Remove(second), EListError);
    // Parent lookups.
    TscScript child;
    child.SetParent(&s);
    EXPECT_NE(child.Find("beta"), nullptr);
    EXPECT_EQ(child.FindLocal("beta"), nullptr);
    child.SetVariables("beta", 3);
    EXPECT_TRUE(s.Variables("beta") == Variant(3));
    child.SetVariables("fresh", QString("x"));
    EXPECT_NE(child.FindLocal("fresh"), nullptr);
    EXPECT_TRUE(child.Variables("nothing").IsNull());
}

TEST(ScriptProgramTest, RegistrationOwnerTagsAndClearing) {
    RegisterRTTIModule(&TTestModule::Make);
    g_modulesMade = 0;
    {
        TscScript s;
        s.AddRTTI();
        s.AddRTTI();
        EXPECT_EQ(g_modulesMade, 1);
        const int report = 0x1234; // any address serves as an owner tag
        s.SetAddedBy(&report);
        s.AddVariable("ReportVar", "Integer", 1);
        s.SetAddedBy(nullptr);
        s.AddVariable("Other", "Integer", 2);
        s.AddConst("ModuleConst", "Integer", 99); // exists: unchanged
        EXPECT_TRUE(s.Variables("ModuleConst") == Variant(11));
        s.AddVariable("Other", "Integer", 5);
        EXPECT_TRUE(s.Variables("Other") == Variant(2));
        s.AddEnum("TFruit", "frApple, frPear,frPlum");
        s.AddEnumSet("TStyle", "fsBold,fsItalic,fsUnderline");
        EXPECT_TRUE(s.Variables("frPlum") == Variant(2));
        EXPECT_TRUE(s.Variables("fsUnderline") == Variant(4));
        EXPECT_TRUE(s.Find("frPear")->IsReadOnly());
        EXPECT_EQ(s.Find("TFruit")->Typ(), fvtEnum);

        s.ClearItems(&report);
        EXPECT_EQ(s.Find("ReportVar"), nullptr);
        EXPECT_NE(s.Find("Other"), nullptr);
        s.Clear();
        EXPECT_EQ(s.Find("Other"), nullptr);
        EXPECT_NE(s.Find("ModuleConst"), nullptr); // module registrations survive Clear
        s.ClearRTTI();
        EXPECT_EQ(s.Find("ModuleConst"), nullptr);
        EXPECT_EQ(s.Count(), 0);
        s.AddRTTI();
        EXPECT_EQ(g_modulesMade, 2);
    }
    UnregisterRTTIModule(&TTestModule::Make);
}

TEST(ScriptProgramTest, TypedVariablesAndValueHooks) {
    TscScript s;
    AddBasicTypes(&s);
    s.AddVariable("i", "Integer", 0);
    s.AddVariable("v", "Variant", 0);
    EXPECT_THROW(s.SetVariables("i", QString("abc")), EVariantError);
    s.SetVariables("i", QString("12"));
    EXPECT_EQ(s.Variables("i").VType(), varInteger);
    s.SetVariables("v", QString("abc"));
    EXPECT_TRUE(s.Variables("v") == Variant(QString("abc")));
    s.AddConst("C", "Integer", 4);
    s.SetVariables("C", 5);
    EXPECT_TRUE(s.Variables("C") == Variant(4));

    Variant hookResult = Variant::Null();
    s.OnGetVarValue = [&](const QString&, TscVarType, const Variant&) { return hookResult; };
    s.AddVariable("h", "Integer", 7);
    EXPECT_TRUE(s.Variables("h") == Variant(7)); // Null from the hook: stored value
    hookResult = 0;
    EXPECT_TRUE(s.Variables("h") == Variant(0));
}

TEST(ScriptProgramTest, StringAndArrayElements) {
    TscScript s;
    AddBasicTypes(&s);
    auto* str = new TscStringVariable("s", fvtString, "String");
    s.Add("s", str);
    str->SetValue(QString("hello"));
    s.AddVariable("i", "Integer", 2);
    // s[i] through the fast string designator
    s.Add(QString(), std::make_unique<TscStringHelper>());
    auto d = std::make_unique<TscDesignator>(&s);
    d->AddLink(str);
    d->AddLink(static_cast<TscCustomVariable*>(s.Items(0)))->Add(Ex(&s, "i"));
    auto fast = TscDesignator::Build(std::move(d));
    EXPECT_EQ(fast->Kind(), dkStringArray);
    EXPECT_TRUE(fast->GetValue() == Variant(QString("e")));
    fast->SetValue(QString("a"));
    EXPECT_EQ(str->Str(), "hallo");
    s.SetVariables("i", 9);
    EXPECT_THROW(fast->GetValue(), ERangeError);

    // a[1, 2] through the array helper
    auto* helper = new TscArrayHelper(QString(), 2, fvtVariant, "");
    s.Add(QString(), helper);
    auto* arr = new TscVariable("a", fvtArray, "");
    arr->SetValue(VarArrayCreate({0, 2, 0, 3}, varVariant));
    arr->SetRefItem(helper);
    s.Add("a", arr);
    auto ad = std::make_unique<TscDesignator>(&s);
    ad->AddLink(arr);
    TscDesignatorItem* idx = ad->AddLink(helper);
    idx->Add(Ex(&s, "1"));
    idx->Add(Ex(&s, "2"));
    auto afast = TscDesignator::Build(std::move(ad));
    EXPECT_EQ(afast->Kind(), dkArray);
    afast->SetValue(QString("cell"));
    EXPECT_TRUE(VarArrayGet(arr->Value(), std::vector<int>{1, 2}) == Variant(QString("cell")));
    EXPECT_TRUE(afast->GetValue() == Variant(QString("cell")));
    s.SetVariables("i", 5);
    auto bad = std::make_unique<TscDesignator>(&s);
    bad->AddLink(arr);
    TscDesignatorItem* bi = bad->AddLink(helper);
    bi->Add(Ex(&s, "i"));
    bi->Add(Ex(&s, "0"));
    EXPECT_THROW(TscDesignator::Build(std::move(bad))->GetValue(), EVariantError);
}

TEST(ScriptProgramTest, MacroFunctionsReceiveSourceText) {
    TscScript s;
    AddBasicTypes(&s);
    QString got;
    s.AddMethod("macrofunction Show(Expr: Variant): String",
                [&](TObject*, const TClassInfo*, const QString&, Variant& p) {
                    got = p.GetElement(0).ToString();
                    return Variant(got);
                });
    auto arg = Ex(&s, "1 + 2");
    arg->SetSource("1 + 2");
    DB(&s).Link(s.Find("Show")).Arg(std::move(arg)).Done()->GetValue();
    EXPECT_EQ(got, "1 + 2");
}

TEST(ScriptProgramTest, NeedResultIsClearedOnlyForCallStatements) {
    TscScript s;
    AddBasicTypes(&s);
    QList<bool> seen;
    TscMethodHelper* m = s.AddMethod("function Probe: Integer", TscCallMethodEvent());
    m->OnCallNew = [&](TObject*, const TClassInfo*, const QString&, TscMethodHelper* h) {
        seen << h->NeedResult();
        return Variant(1);
    };
    auto call = std::make_unique<TscCallStmt>(&s, QString(), "1:1");
    call->SetDesignator(DB(&s).Link(m).Done());
    s.Statement()->AddStatement(std::move(call));
    s.AddVariable("x", "Integer", 0);
    auto a = std::make_unique<TscAssignmentStmt>(&s, QString(), "1:1");
    a->SetDesignator(Var(&s, "x"));
    auto e = std::make_unique<TscExpression>(&s);
    e->AddDesignator(DB(&s).Link(m).Done());
    e->Finalize();
    a->SetExpression(std::move(e));
    a->Optimize();
    s.Statement()->AddStatement(std::move(a));
    s.Execute();
    EXPECT_EQ(seen, QList<bool>({false, true}));
}

class CallTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddBasicTypes(&S);
        // function F(a: Integer; b: Integer = 7): Integer; begin Result := a * 10 + b end
        auto p = std::make_unique<TscProcVariable>("F", fvtInt, "Integer", &S, true);
        F = p.get();
        S.Add("F", std::move(p));
        F->AddParam(std::make_unique<TscParamItem>("a", fvtInt, "Integer", false, true));
        auto b = std::make_unique<TscParamItem>("b", fvtInt, "Integer", true, false);
        b->SetDefValue(7);
        F->AddParam(std::move(b));
        // procedure Bump(var a) : a := a + 1 (as parameter 0 of a second procedure)
        auto q = std::make_unique<TscProcVariable>("G", fvtInt, "", &S, true);
        G = q.get();
        S.Add("G", std::move(q));
        AddAssign(F->Prog()->Statement(), "Result", "a * 10 + b");
        AddAssign(F->Prog()->Statement(), "a", "a + 1");
    }
    TscScript S;
    TscProcVariable* F = nullptr;
    TscProcVariable* G = nullptr;
};

TEST_F(CallTest, ArgumentsDefaultsAndCopyBack) {
    EXPECT_TRUE(S.CallFunction("F", VarArrayOf({1, 2})) == Variant(12));
    // Fewer arguments: the rest start from their defaults, not from the previous call.
    EXPECT_TRUE(S.CallFunction("f", VarArrayOf({3})) == Variant(37));
    EXPECT_THROW(S.CallFunction("F", VarArrayOf({1, 2, 3})), EListError);
    Variant params = VarArrayOf({4, 5});
    EXPECT_TRUE(S.CallFunction1("F", params) == Variant(45));
    EXPECT_TRUE(params.GetElement(0) == Variant(5)); // every parameter is copied back
    EXPECT_TRUE(params.GetElement(1) == Variant(5));
    // A function that never sets Result returns its type's zero.
    EXPECT_TRUE(S.CallFunction("G", Variant()) == Variant(0));
    // Names that are no script procedure, or only known to a parent, run nothing.
    S.AddVariable("v", "Integer", 1);
    EXPECT_TRUE(S.CallFunction("v", Variant()).IsNull());
    EXPECT_TRUE(S.CallFunction("missing", Variant()).IsNull());
    TscScript child;
    child.SetParent(&S);
    EXPECT_TRUE(child.CallFunction("F", VarArrayOf({1})).IsNull());
    EXPECT_TRUE(S.CallFunction2(nullptr, Variant()).IsNull());
    EXPECT_TRUE(S.CallFunction2(F, VarArrayOf({2})) == Variant(27));
}

TEST(ScriptProgramTest, CodeLinesAndCompileWithoutBuilder) {
    TscScript s;
    s.AddCodeLine("", "3:5");
    s.AddCodeLine("", "3:9");
    s.AddCodeLine("unit1", "10:1");
    EXPECT_TRUE(s.IsExecutableLine(3));
    EXPECT_FALSE(s.IsExecutableLine(4));
    EXPECT_TRUE(s.IsExecutableLine(10, "unit1"));
    EXPECT_FALSE(s.IsExecutableLine(10, "other"));
    s.Clear();
    EXPECT_FALSE(s.IsExecutableLine(3));

    s.SetSyntaxType("NoSuchLanguage");
    EXPECT_THROW(s.Compile(), Exception);
    EXPECT_THROW(s.Evaluate("1"), Exception);
    s.SetSyntaxType("PascalScript");
    if (!ScriptProgramBuilder().Build) {
        // Without the second stage a syntax error is still reported, and a valid text is not
        // claimed as compiled.
        s.Lines()->SetText("begin x := ; end.");
        EXPECT_FALSE(s.Compile());
        EXPECT_FALSE(s.ErrorMsg().isEmpty());
        EXPECT_FALSE(s.ErrorPos().isEmpty());
        const Variant r = s.Evaluate("1 +");
        EXPECT_TRUE(s.EvaluteRiseError());
        EXPECT_FALSE(VarToStr(r).isEmpty());
    }
}

TEST(ScriptProgramTest, IntermediateCodeIsWrittenAsXml) {
    TscScript s;
    s.Lines()->SetText("begin x := 1 end.");
    TMemoryStream out;
    ASSERT_TRUE(s.GetILCode(out));
    out.SetPosition(0);
    TscXMLDocument doc;
    doc.LoadFromStream(out);
    EXPECT_EQ(doc.Root()->Name(), "program");
    EXPECT_TRUE(doc.SaveToBytes().contains("assignstmt"));
    s.Lines()->SetText("begin x := ; end.");
    TMemoryStream bad;
    EXPECT_FALSE(s.GetILCode(bad));
    EXPECT_FALSE(s.ErrorPos().isEmpty());
}

TEST(ScriptProgramTest, DescriptionTrees) {
    TscScript s;
    AddBasicTypes(&s);
    s.AddMethod("function Quote(S: String = '\"'): String", TscCallMethodEvent(), "ctgText",
                "Puts \"quotes\" around");
    s.AddEnum("TFruit", "frApple,frPear");
    s.AddConst("Answer", "Integer", 42);
    s.AddVariable("Count", "Integer", 1);
    TscClassVariable* c = s.AddClass(TComponent::StaticClassInfo(), "TPersistent");
    c->AddIndexProperty("Items", "Integer, String", "TObject", TscCallMethodEvent());
    TscXMLDocument doc;
    doc.Root()->SetName("info");
    GenerateScriptInfoTree(&s, doc.Root(), false);
    TscXMLItem* root = doc.Root();
    ASSERT_EQ(root->Count(), 5) << doc.SaveToBytes().toStdString();
    EXPECT_EQ(root->Items(0)->Name(), "Functions");
    ASSERT_GT(root->Items(0)->Count(), 0) << doc.SaveToBytes().toStdString();
    TscXMLItem* cat = root->Items(0)->Items(0);
    EXPECT_EQ(cat->GetProp("text"), "ctgText");
    EXPECT_EQ(cat->Items(0)->GetProp("text"), "function Quote(S: String = '\"'): String");
    EXPECT_EQ(cat->Items(0)->GetProp("description"), "Puts \"quotes\" around");
    TscXMLItem* cls = root->Items(1)->Items(0);
    EXPECT_EQ(cls->GetProp("text"), "TComponent = class(TPersistent)");
    QStringList members;
    for (int i = 0; i < cls->Count(); ++i)
        members << cls->Items(i)->GetProp("text");
    EXPECT_TRUE(members.contains("property Name: String"));
    EXPECT_TRUE(members.contains("index property Items(p0: Integer; p1: String): TObject"));
    EXPECT_EQ(root->Items(2)->Items(0)->GetProp("text"), "TFruit: (frApple,frPear)");
    EXPECT_EQ(root->Items(3)->Items(0)->GetProp("text"), "Count: Integer");
    EXPECT_EQ(root->Items(4)->Items(0)->GetProp("text"), "Answer: Integer = 42");
    // The round trip through text keeps the quotes.
    TscXMLDocument again;
    again.LoadFromBytes(doc.SaveToBytes());
    EXPECT_EQ(again.Root()->Items(0)->Items(0)->Items(0)->GetProp("description"), "Puts \"quotes\" around");

    TscXMLDocument onlyFunctions;
    GenerateScriptInfoTree(&s, onlyFunctions.Root(), true);
    EXPECT_EQ(onlyFunctions.Root()->Items(1)->Count(), 0);
    TscXMLItem members2;
    AddClassMembersInfo(&s, TComponent::StaticClassInfo(), &members2);
    EXPECT_EQ(members2.Count(), cls->Count());
}

TEST(ScriptProgramTest, FormatArgumentsFromVariants) {
    const Variant args = VarArrayOf({7, 2.5, QString("x"), true, Variant(static_cast<long long>(1) << 40)});
    std::vector<FormatArg> list = VariantArrayToFormatArgs(args);
    ASSERT_EQ(list.size(), 5u);
    const std::vector<FormatArg> some{list[0], list[2]};
    EXPECT_EQ(Format("%d|%s", some), "7|x");
    EXPECT_EQ(list[1].AsFloat(), 2.5);
    EXPECT_EQ(list[3].ArgKind(), FormatArg::Kind::Boolean);
    EXPECT_EQ(list[4].AsInt64(), static_cast<Int64>(1) << 40);
}

} // namespace
