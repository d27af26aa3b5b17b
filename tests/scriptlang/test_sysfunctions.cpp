// The system functions as scripts call them.

#include "tests/common/ScriptRun.h"

#include "platform/rtl/SysUtils.h"

namespace {

// Pins the locale-dependent settings the table relies on.
class SysFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSaved = FormatSettings();
        TFormatSettings fs = FSaved;
        fs.DecimalSeparator = '.';
        fs.DateSeparator = '.';
        fs.ShortDateFormat = "dd.mm.yyyy";
        SetFormatSettings(fs);
    }
    void TearDown() override { SetFormatSettings(FSaved); }
    TFormatSettings FSaved;
};

struct TCase {
    const char* Expr;
    const char* Expected;
};

TEST_F(SysFunctionsTest, FunctionTable) {
    const TCase cases[] = {
        {"IntToStr(2147483647 + 1)", "2147483648"},
        {"FloatToStr(2.5)", "2.5"},
        {"BoolToStr(1 = 1) + BoolToStr(False)", "-10"},
        {"VarToStr(Null) + 'x'", "x"},
        {"StrToInt('$1F') + StrToInt('-7')", "24"},
        {"StrToInt64('9000000000')", "9000000000"},
        {"StrToFloat('1.25') * 2", "2.5"},
        {"StrToBool('True')", "True"},
        {"StrToBool('0')", "False"},
        {"DateToStr(EncodeDate(2024, 2, 29))", "29.02.2024"},
        {"Format('%d-%s-%.2f', [7, 'ab', 1.5])", "7-ab-1.50"},
        {"FormatFloat('#,##0.00', 1234.5)", "1,234.50"},
        {"FormatDateTime('yyyy-mm-dd', EncodeDate(2023, 7, 4))", "2023-07-04"},
        // The mask inserts its literals; the second field decides whether they stay.
        {"FormatMaskText('(000) 000;0;_', '123456')", "(123) 456"},
        {"FormatMaskText('!99/99;0;_', '123')", " 1.23"},
        {"FormatMaskText('000-000;1;_', '12-4')", "12 -4  "},
        {"DayOfWeek(0)", "7"},
        {"IsLeapYear(1900)", "False"},
        {"DaysInMonth(2000, 2) * 100 + DaysInMonth(1900, 2)", "2928"},
        {"Length('hello') + Length(12345)", "10"},
        {"Copy('abc', 0, 2) + '|' + Copy('abc', 4, 1) + '|' + Copy('abcdef', 3, 100)", "ab||cdef"},
        {"Pos('', 'abc') * 10 + Pos('c', 'abc')", "3"},
        {"Uppercase('straße') + Lowercase('ÀB')", "STRAßEàb"},
        {"Trim('  a b ' + Chr(9))", "a b"},
        {"NameCase('hELLO wORLD') + '|' + NameCase(' ab cd')", "Hello World| ab Cd"},
        {"CompareText('abc', 'ABD') < 0", "True"},
        {"Chr(65 + 65536) + IntToStr(Ord('a'))", "A97"},
        {"Round(2.5) * 100 + Round(3.5) * 10 + Round(-2.5)", "238"},
        {"Round(3000000000.4)", "3000000000"},
        {"Trunc(-2.7)", "-2"},
        {"Trunc(5000000000.9)", "5000000000"},
        {"Int(-2.7)", "-2"},
        {"Frac(2.25)", "0.25"},
        {"Sqrt(16) + Abs(-2)", "6"},
        {"Round(Sin(Pi / 2) * 1000) + Round(Cos(0))", "1001"},
        {"Round(Exp(Ln(10)))", "10"},
        {"Round(Tan(Pi / 4) * 100)", "100"},
        {"ValidInt('12') and not ValidInt('12a')", "True"},
        {"ValidFloat('1.5')", "True"},
        {"ValidDate('01.02.2020') and not ValidDate('31.02.2020')", "True"},
        {"ExtractFilePath('C:\\dir\\file.txt') + '|' + ExtractFilePath('name')", "C:\\dir\\|"},
        {"VarType(Null) * 1000 + VarType('x')", "1258"},
        {"VarType(VarArrayCreate([1, 5], varInteger)) = varArray + varInteger", "True"},
        {"Length(VarArrayCreate([1, 5], varVariant))", "5"},
        {"(Random >= 0) and (Random < 1)", "True"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expr);
        TScriptRun r("PascalScript", QString("begin Log(%1); end.").arg(QString::fromUtf8(c.Expr)));
        ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
        ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
        EXPECT_EQ(r.Joined(), QString::fromUtf8(c.Expected));
    }
}

TEST_F(SysFunctionsTest, VarProceduresWriteBack) {
    TScriptRun r("PascalScript", R"(var y, m, d, h, n, s, ms: Integer; t: String; v: Variant;
begin
  DecodeDate(EncodeDate(2021, 12, 31), y, m, d);
  Log(IntToStr(y) + '-' + IntToStr(m) + '-' + IntToStr(d));
  DecodeTime(EncodeTime(13, 45, 7, 250), h, n, s, ms);
  Log(IntToStr(h) + ':' + IntToStr(n) + ':' + IntToStr(s) + '.' + IntToStr(ms));
  t := 'abcdef';
  Delete(t, 2, 3); Log(t);
  DeleteStr(t, 0, 1); Log(t);
  Insert('XY', t, 2); Log(t);
  Insert('Z', t, 99); Log(t);
  SetLength(t, 2); Log(t);
  v := VarArrayCreate([0, 1], varVariant);
  SetLength(v, 4); Log(Length(v));
  v := '5';
  Inc(v); Log(v);
  v := EncodeDate(2020, 1, 1);
  Log(ValidDate(v));
end.)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "2021-12-31|13:45:7.250|aef|aef|aXYef|aXYefZ|aX|4|6|True");
}

TEST_F(SysFunctionsTest, FailuresReachTheScriptAsExceptions) {
    const TCase cases[] = {
        {"StrToInt('2147483648')", "EConvertError"},
        {"EncodeDate(2023, 2, 29)", "EConvertError"},
        {"Sqrt(-1)", "EInvalidOp"},
        {"Format('%d', ['x'])", "EConvertError"},
        {"CreateOleObject('No.Such.Server')", "EOleSysError"},
        {"VarArrayCreate([1, 2, 3], varVariant)", "EVariantInvalidArgError"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expr);
        TScriptRun r("PascalScript",
                     QString("var v: Variant; begin try v := %1; except Log(ExceptionClassName); end; end.")
                         .arg(QString::fromUtf8(c.Expr)));
        ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
        ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
        EXPECT_EQ(r.Joined(), QString::fromUtf8(c.Expected));
    }
}

TEST_F(SysFunctionsTest, ModuleComesFirstAndRegistersTheVocabulary) {
    ASSERT_FALSE(RTTIModuleList()->empty());
    TscScript s;
    s.AddRTTI();
    EXPECT_EQ(s.Find("Integer")->Typ(), fvtInt);
    EXPECT_EQ(s.Find("TDateTime")->Typ(), fvtFloat);
    EXPECT_EQ(s.Find("Constructor")->Typ(), fvtConstructor);
    EXPECT_TRUE(s.Find("nil")->IsReadOnly());
    EXPECT_TRUE(s.Variables("varByRef") == Variant(0x4000));
    EXPECT_NE(s.Find("__StringHelper"), nullptr);
    EXPECT_NE(s.Find("__ArrayHelper"), nullptr);
    auto* f = dynamic_cast<TscMethodHelper*>(s.Find("FormatFloat"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Category(), "ctFormat");
    EXPECT_EQ(f->Description(), "FormatFloat");
    int functions = 0;
    for (int i = 0; i < s.Count(); ++i)
        if (dynamic_cast<TscMethodHelper*>(s.Items(i))) ++functions;
    EXPECT_EQ(functions, 68);
}

} // namespace
