#include "TreeBuild.h"

#include "platform/rtl/SysUtils.h"
#include "script/sc_itools.h"

#include <gtest/gtest.h>

namespace {

class ExpressionTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddBasicTypes(&S);
        S.AddVariable("i", "Integer", 7);
        S.AddVariable("j", "Integer", 2);
        S.AddVariable("x", "Integer", 3);
        S.AddVariable("y", "Integer", 4);
        S.AddVariable("f", "Double", 1.5);
        S.AddVariable("a", "Boolean", false);
        S.AddVariable("b", "Boolean", true);
        S.AddVariable("s", "String", QString("ab"));
        S.AddVariable("v", "Variant", Variant::Null());
    }
    Variant Eval(const QString& text) { return Ex(&S, text)->GetValue(); }
    TscScript S;
};

TEST_F(ExpressionTest, OperatorPriorities) {
    struct Case {
        const char* text;
        Variant expected;
    } cases[] = {
        {"2 + 3 * 4", 14},
        {"( 2 + 3 ) * 4", 20},
        {"10 - 4 - 3", 3},
        {"2 * ( 3 + ( 4 - 1 ) ) * 2", 24},
        {"unminus x * y", -12},
        {"not a and b", true},
        {"not b and b", false},
        {"1 + 2 = 3", true},
        {"i div j", 3},
        {"i mod j", 1},
        {"1 shl 4 + 1", 17}, // shl binds tighter than +
        {"x < y = True", true},
        {"'a' + 'b'", QString("ab")},
        {"s strcat 'c'", QString("abc")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(Eval(c.text) == c.expected) << VarToStr(Eval(c.text)).toStdString();
    }
}

TEST_F(ExpressionTest, StaticTypes) {
    struct Case {
        const char* text;
        TscVarType typ;
    } cases[] = {
        {"i / j", fvtFloat}, {"i div j", fvtInt},     {"1 + 2.5", fvtFloat}, {"'a' + 'b'", fvtString},
        {"i < j", fvtBool},  {"x in {1,2}", fvtBool}, {"f * i", fvtFloat},   {"a or b", fvtBool},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Ex(&S, c.text)->Typ(), c.typ);
    }
    // Ill-typed operands are reported by position, not evaluated.
    for (const char* bad : {"'a' + 1", "True + 1", "a < b", "s * 2"}) {
        QString err;
        Ex(&S, bad, &err);
        EXPECT_EQ(err, "1:1") << bad;
    }
}

TEST_F(ExpressionTest, BooleanOperatorsShortCircuitOnlyBetweenBooleans) {
    int calls = 0;
    S.AddMethod("function Probe: Boolean", [&](TObject*, const TClassInfo*, const QString&, Variant&) {
        ++calls;
        return Variant(true);
    });
    auto build = [&](const QString& left, const QString& op) {
        auto e = std::make_unique<TscExpression>(&S);
        for (const QString& t : left.split(' ')) {
            if (IsOperatorText(t))
                e->AddOperator(t);
            else if (t[0].isDigit())
                e->AddConst(Lit(t));
            else
                e->AddDesignator(Var(&S, t));
        }
        e->AddOperator(op);
        e->AddDesignator(DB(&S).Link(S.Find("Probe")).Done());
        EXPECT_TRUE(e->Finalize().isEmpty());
        return e;
    };
    EXPECT_TRUE(build("b", "or")->GetValue() == Variant(true));
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(build("a", "or")->GetValue() == Variant(true));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(build("a", "and")->GetValue() == Variant(false));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(build("b", "and")->GetValue() == Variant(true));
    EXPECT_EQ(calls, 2);
    // x = 1 or y = 2 with Boolean comparisons: the right side runs only when the left is false.
    calls = 0;
    auto e = std::make_unique<TscExpression>(&S);
    e->AddOperator("(");
    e->AddDesignator(Var(&S, "x"));
    e->AddOperator("=");
    e->AddConst(3);
    e->AddOperator(")");
    e->AddOperator("or");
    e->AddOperator("(");
    e->AddDesignator(DB(&S).Link(S.Find("Probe")).Done());
    e->AddOperator("=");
    e->AddConst(true);
    e->AddOperator(")");
    ASSERT_TRUE(e->Finalize().isEmpty());
    EXPECT_TRUE(e->GetValue() == Variant(true));
    EXPECT_EQ(calls, 0);
}

TEST_F(ExpressionTest, InSetsAndArrays) {
    for (int v = 0; v <= 10; ++v) {
        S.SetVariables("x", v);
        const bool expected = v == 1 || (v >= 3 && v <= 5) || v == 9;
        EXPECT_TRUE(Eval("x in {1,3..5,9}") == Variant(expected)) << v;
    }
    EXPECT_TRUE(Eval("x in {}") == Variant(false));
    // A variant array in the set layout (Null between the ends of a range).
    S.AddVariable("arr", "Variant", VarArrayOf({1, 3, Variant::Null(), 5, 9}));
    for (int v : {1, 3, 4, 5, 9}) {
        S.SetVariables("x", v);
        EXPECT_TRUE(Eval("x in arr") == Variant(true)) << v;
    }
    for (int v : {2, 6}) {
        S.SetVariables("x", v);
        EXPECT_TRUE(Eval("x in arr") == Variant(false)) << v;
    }
}

TEST_F(ExpressionTest, TextJoinWithNullAndRuntimeErrors) {
    EXPECT_TRUE(Eval("s strcat v") == Variant(QString("ab")));
    EXPECT_THROW(Eval("i div 0"), Exception);
    S.SetVariables("v", QString("abc"));
    EXPECT_THROW(Eval("v * 2"), EVariantError);
}

TEST_F(ExpressionTest, OptimizeTurnsSelfAssignmentIntoCompoundForms) {
    struct Case {
        const char* target;
        const char* text;
        const char* op;
    } cases[] = {
        {"i", "i + 1", "+"},   {"i", "1 + i", "+"}, {"i", "i - 2", "-"},   {"i", "2 - i", " "},
        {"i", "3 * i", "*"},   {"f", "f / 2", "/"}, {"s", "'x' + s", " "}, {"v", "1 + v", " "},
        {"s", "s + 'x'", "+"}, {"i", "j + 1", " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto target = Var(&S, c.target);
        auto e = Ex(&S, c.text);
        EXPECT_EQ(e->Optimize(target.get()), c.op);
    }
    // The reduced expression is the other operand.
    auto e = Ex(&S, "i - ( j + 1 )");
    auto target = Var(&S, "i");
    ASSERT_EQ(e->Optimize(target.get()), "-");
    EXPECT_TRUE(e->GetValue() == Variant(3));
}

TEST_F(ExpressionTest, SingleItemAndAssignableExpressions) {
    auto e = Ex(&S, "i");
    EXPECT_EQ(e->SingleItem(), S.Find("i"));
    EXPECT_FALSE(e->IsReadOnly());
    e->SetValue(42);
    EXPECT_TRUE(S.Variables("i") == Variant(42));
    auto c = Ex(&S, "5");
    EXPECT_NE(c->SingleItem(), nullptr);
    EXPECT_TRUE(c->IsReadOnly());
    EXPECT_EQ(Ex(&S, "i + 1")->SingleItem(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Declaration texts and type routines

TEST(DeclarationTextTest, ParametersDefaultsAndFlags) {
    TscScript s;
    AddBasicTypes(&s);
    s.AddConst("MaxCount", "Integer", 99);

    auto f = ParseDeclarationText("function Sum(a, b: Integer = 5; var c: String): Extended", &s);
    EXPECT_EQ(f->Name(), "Sum");
    EXPECT_EQ(f->Typ(), fvtFloat);
    EXPECT_EQ(f->TypeName(), "Extended");
    ASSERT_EQ(f->Count(), 3);
    EXPECT_FALSE(f->Params(0)->IsOptional());
    EXPECT_TRUE(f->Params(0)->DefValue().IsNull());
    EXPECT_TRUE(f->Params(1)->IsOptional());
    EXPECT_TRUE(f->Params(1)->DefValue() == Variant(5));
    EXPECT_TRUE(f->Params(2)->IsVarParam());
    EXPECT_EQ(f->Params(2)->Typ(), fvtString);
    EXPECT_EQ(f->GetNumberOfRequiredParams(), 2);

    auto ins = ParseDeclarationText("procedure Insert(s: String; var s2: String; pos: Integer)", &s);
    ASSERT_EQ(ins->Count(), 3);
    EXPECT_FALSE(ins->Params(0)->IsVarParam());
    EXPECT_TRUE(ins->Params(1)->IsVarParam());
    EXPECT_FALSE(ins->Params(2)->IsVarParam());

    auto dd = ParseDeclarationText("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", &s);
    ASSERT_EQ(dd->Count(), 4);
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(dd->Params(i)->IsVarParam());

    auto neg =
        ParseDeclarationText("procedure P(a: Integer = -3; b: Integer = MaxCount; c: Integer = Nowhere)", &s);
    EXPECT_TRUE(neg->Params(0)->DefValue() == Variant(-3));
    EXPECT_TRUE(neg->Params(1)->DefValue() == Variant(99));
    EXPECT_TRUE(neg->Params(2)->DefValue().IsNull());
    EXPECT_FALSE(neg->Params(2)->IsOptional());

    auto str = ParseDeclarationText("procedure Q(t: String = 'it''s')", &s);
    EXPECT_TRUE(str->Params(0)->DefValue() == Variant(QString("it's")));

    auto iif =
        ParseDeclarationText("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", &s);
    EXPECT_TRUE(iif->IsMacro());
    EXPECT_EQ(iif->Typ(), fvtVariant);
    EXPECT_EQ(iif->Count(), 3);

    auto noParams = ParseDeclarationText("function Now: TDateTime", &s);
    EXPECT_EQ(noParams->Count(), 0);
    EXPECT_EQ(noParams->Typ(), fvtFloat);
}

TEST(TypeRoutinesTest, CompatibilityAndAssignment) {
    TscScript s;
    AddBasicTypes(&s);
    auto iv = std::make_unique<TscVariable>("i", fvtInt, "");
    auto fv = std::make_unique<TscVariable>("f", fvtFloat, "");
    auto lv = std::make_unique<TscVariable>("l", fvtInt64, "");
    EXPECT_FALSE(AssignmentAllowed(iv.get(), fv.get(), &s));
    EXPECT_TRUE(AssignmentAllowed(fv.get(), iv.get(), &s));
    EXPECT_TRUE(AssignmentAllowed(lv.get(), fv.get(), &s));
    EXPECT_TRUE(VarTypesMatch({fvtEnum, "TFruit"}, {fvtEnum, "tfruit"}, &s));
    EXPECT_FALSE(VarTypesMatch({fvtEnum, "TFruit"}, {fvtEnum, "TColor"}, &s));
    EXPECT_FALSE(VarTypesMatch({fvtConstructor, ""}, {fvtVariant, ""}, &s));
    EXPECT_EQ(LookupVarType("Nothing", &s), fvtClass);
    EXPECT_EQ(LookupVarType("string", &s), fvtString);
}

TEST(TypeRoutinesTest, LiteralsAndPositions) {
    EXPECT_TRUE(LiteralToVariant("").IsNull());
    EXPECT_EQ(LiteralToVariant("2147483647").VType(), varInteger);
    EXPECT_EQ(LiteralToVariant("2147483648").VType(), varInt64);
    EXPECT_TRUE(LiteralToVariant("$FF") == Variant(255));
    EXPECT_EQ(LiteralToVariant("$FFFFFFFF").VType(), varInt64);
    EXPECT_TRUE(LiteralToVariant("$FFFFFFFFFFFFFFFF") == Variant(-1));
    EXPECT_TRUE(LiteralToVariant("'abc'") == Variant(QString("abc")));
    {
        TFormatSettings comma = FormatSettings();
        comma.DecimalSeparator = ',';
        TFormatSettingsScope scope(comma);
        EXPECT_TRUE(LiteralToVariant("1.5") == Variant(1.5));
    }
    EXPECT_THROW(LiteralToVariant("1.2.3"), EConvertError);
    EXPECT_EQ(SourcePosToPoint("12:7"), TPoint(7, 12));
    EXPECT_EQ(SourcePosToPoint(""), TPoint(0, 0));
    EXPECT_THROW(SourcePosToPoint("x:1"), EConvertError);
}

} // namespace
