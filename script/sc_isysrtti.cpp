#include "script/sc_isysrtti.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "script/sc_idisp.h"
#include "script/sc_itools.h"

#include <cmath>
#include <random>

std::function<void(const QString& Msg)> ScriptShowMessage;

namespace {

std::mt19937_64& Rng() {
    static std::mt19937_64 rng(5489u);
    return rng;
}

Variant Word(int v) {
    return Variant(static_cast<unsigned short>(v));
}

} // namespace

TscSysFunctions::TscSysFunctions(TscScript* AScript)
    : TscRTTIModule(AScript), FCatConv(QStringLiteral("ctConv")), FCatDate(QStringLiteral("ctDate")),
      FCatFormat(QStringLiteral("ctFormat")), FCatMath(QStringLiteral("ctMath")),
      FCatOther(QStringLiteral("ctOther")), FCatStr(QStringLiteral("ctString")) {
    TscScript* s = FScript;
    const std::pair<const char*, TscVarType> types[] = {{"Byte", fvtInt},
                                                        {"Word", fvtInt},
                                                        {"Integer", fvtInt},
                                                        {"Int64", fvtInt64},
                                                        {"Longint", fvtInt},
                                                        {"Cardinal", fvtInt},
                                                        {"TColor", fvtInt},
                                                        {"TAlphaColor", fvtInt},
                                                        {"Boolean", fvtBool},
                                                        {"Real", fvtFloat},
                                                        {"Single", fvtFloat},
                                                        {"Double", fvtFloat},
                                                        {"Extended", fvtFloat},
                                                        {"Currency", fvtFloat},
                                                        {"TDate", fvtFloat},
                                                        {"TTime", fvtFloat},
                                                        {"TDateTime", fvtFloat},
                                                        {"Char", fvtChar},
                                                        {"String", fvtString},
                                                        {"Variant", fvtVariant},
                                                        {"Pointer", fvtVariant},
                                                        {"Array", fvtArray},
                                                        {"Constructor", fvtConstructor}};
    for (const auto& [name, typ] : types)
        s->AddType(QString::fromLatin1(name), typ);
    s->AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    s->AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
    s->AddConst(QStringLiteral("nil"), QStringLiteral("Variant"), Variant(0));
    s->AddConst(QStringLiteral("Null"), QStringLiteral("Variant"), Variant::Null());
    s->Add(QStringLiteral("__StringHelper"), std::make_unique<TscStringHelper>());
    s->Add(QStringLiteral("__ArrayHelper"),
           std::make_unique<TscArrayHelper>(QStringLiteral("__ArrayHelper"), -1, fvtVariant, QString()));
    s->AddVariable(QStringLiteral("ExceptionClassName"), QStringLiteral("String"), Variant(QString()));
    s->AddVariable(QStringLiteral("ExceptionMessage"), QStringLiteral("String"), Variant(QString()));

    auto bind = [this](Variant (TscSysFunctions::*fn)(const QString&, TscMethodHelper*)) {
        return TscCallMethodNewEvent(
            [this, fn](TObject*, const TClassInfo*, const QString& name, TscMethodHelper* caller) {
                return (this->*fn)(name, caller);
            });
    };
    auto add = [&](const char* syntax, Variant (TscSysFunctions::*fn)(const QString&, TscMethodHelper*),
                   const QString& cat) {
        s->AddMethod(QString::fromLatin1(syntax), bind(fn), cat, QString());
    };
    using T = TscSysFunctions;
    add("function IntToStr(i: Integer): String", &T::CallConvToStr, FCatConv);
    add("function FloatToStr(e: Extended): String", &T::CallConvToStr, FCatConv);
    add("function DateToStr(e: Extended): String", &T::CallConvToStr, FCatConv);
    add("function TimeToStr(e: Extended): String", &T::CallConvToStr, FCatConv);
    add("function DateTimeToStr(e: Extended): String", &T::CallConvToStr, FCatConv);
    add("function BoolToStr(B: Boolean): string;", &T::CallConvToStr, FCatConv);
    add("function VarToStr(v: Variant): String", &T::CallOther, FCatConv);
    add("function StrToInt(s: String): Integer", &T::CallConvFromStr, FCatConv);
    add("function StrToInt64(s: String): Int64", &T::CallConvFromStr, FCatConv);
    add("function StrToFloat(s: String): Extended", &T::CallConvFromStr, FCatConv);
    add("function StrToDate(s: String): Extended", &T::CallConvFromStr, FCatConv);
    add("function StrToTime(s: String): Extended", &T::CallConvFromStr, FCatConv);
    add("function StrToDateTime(s: String): Extended", &T::CallConvFromStr, FCatConv);
    add("function StrToBool(const S: string): Boolean;", &T::CallConvFromStr, FCatConv);
    add("function Format(Fmt: String; Args: array): String", &T::CallFormat, FCatFormat);
    add("function FormatFloat(Fmt: String; Value: Extended): String", &T::CallFormat, FCatFormat);
    add("function FormatDateTime(Fmt: String; DateTime: TDateTime): String", &T::CallFormat, FCatFormat);
    add("function FormatMaskText(EditMask: string; Value: string): string", &T::CallFormat, FCatFormat);
    add("function EncodeDate(Year, Month, Day: Word): TDateTime", &T::CallDate, FCatDate);
    add("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", &T::CallDate, FCatDate);
    add("function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", &T::CallDate, FCatDate);
    add("procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", &T::CallDate, FCatDate);
    add("function Date: TDateTime", &T::CallDate, FCatDate);
    add("function Time: TDateTime", &T::CallDate, FCatDate);
    add("function Now: TDateTime", &T::CallDate, FCatDate);
    add("function DayOfWeek(aDate: TDateTime): Integer", &T::CallDate, FCatDate);
    add("function IsLeapYear(Year: Word): Boolean", &T::CallDate, FCatDate);
    add("function DaysInMonth(nYear, nMonth: Integer): Integer", &T::CallDate, FCatDate);
    add("function Length(s: Variant): Integer", &T::CallString, FCatStr);
    add("function Copy(s: String; from, count: Integer): String", &T::CallString, FCatStr);
    add("function Pos(substr, s: String): Integer", &T::CallString, FCatStr);
    add("procedure Delete(var s: String; from, count: Integer)", &T::CallString, FCatStr);
    add("procedure DeleteStr(var s: String; from, count: Integer)", &T::CallString, FCatStr);
    add("procedure Insert(s: String; var s2: String; pos: Integer)", &T::CallString, FCatStr);
    add("function Uppercase(s: String): String", &T::CallString, FCatStr);
    add("function Lowercase(s: String): String", &T::CallString, FCatStr);
    add("function Trim(s: String): String", &T::CallString, FCatStr);
    add("function NameCase(s: String): String", &T::CallString, FCatStr);
    add("function CompareText(s, s1: String): Integer", &T::CallString, FCatStr);
    add("function Chr(i: Integer): Char", &T::CallString, FCatStr);
    add("function Ord(ch: Char): Integer", &T::CallString, FCatStr);
    add("procedure SetLength(var S: Variant; L: Integer)", &T::CallString, FCatStr);
    // Round and Trunc give every bit of the result: a 32-bit cut would turn 3e9 negative.
    add("function Round(e: Extended): Int64", &T::CallMath, FCatMath);
    add("function Trunc(e: Extended): Int64", &T::CallMath, FCatMath);
    add("function Int(e: Extended): Integer", &T::CallMath, FCatMath);
    add("function Frac(X: Extended): Extended", &T::CallMath, FCatMath);
    add("function Sqrt(e: Extended): Extended", &T::CallMath, FCatMath);
    add("function Abs(e: Extended): Extended", &T::CallMath, FCatMath);
    add("function Sin(e: Extended): Extended", &T::CallMath, FCatMath);
    add("function Cos(e: Extended): Extended", &T::CallMath, FCatMath);
    add("function ArcTan(X: Extended): Extended", &T::CallMath, FCatMath);
    add("function Tan(X: Extended): Extended", &T::CallMath, FCatMath);
    add("function Exp(X: Extended): Extended", &T::CallMath, FCatMath);
    add("function Ln(X: Extended): Extended", &T::CallMath, FCatMath);
    add("function Pi: Extended", &T::CallMath, FCatMath);
    add("procedure Inc(var i: Integer; incr: Integer = 1)", &T::CallOther, FCatOther);
    add("procedure Dec(var i: Integer; decr: Integer = 1)", &T::CallOther, FCatOther);
    add("procedure RaiseException(Param: String)", &T::CallOther, FCatOther);
    add("procedure ShowMessage(Msg: Variant)", &T::CallOther, FCatOther);
    add("procedure Randomize", &T::CallOther, FCatOther);
    add("function Random: Extended", &T::CallOther, FCatOther);
    add("function ValidInt(cInt: String): Boolean", &T::CallOther, FCatOther);
    add("function ValidFloat(cFlt: String): Boolean", &T::CallOther, FCatOther);
    add("function ValidDate(cDate: String): Boolean", &T::CallOther, FCatOther);
    add("function ExtractFilePath(const FileName: string): string;", &T::CallOther, FCatOther);
    add("function CreateOleObject(ClassName: String): Variant", &T::CallOther, FCatOther);
    add("function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", &T::CallOther, FCatOther);
    add("function VarType(V: Variant): Integer", &T::CallOther, FCatOther);

    const std::pair<const char*, int> codes[] = {
        {"varEmpty", 0},      {"varNull", 1},      {"varSmallint", 2},     {"varInteger", 3},
        {"varSingle", 4},     {"varDouble", 5},    {"varCurrency", 6},     {"varDate", 7},
        {"varOleStr", 8},     {"varDispatch", 9},  {"varError", 10},       {"varBoolean", 11},
        {"varVariant", 12},   {"varUnknown", 13},  {"varShortInt", 16},    {"varByte", 17},
        {"varWord", 18},      {"varLongWord", 19}, {"varInt64", 20},       {"varStrArg", 0x48},
        {"varString", 0x100}, {"varAny", 0x101},   {"varTypeMask", 0xFFF}, {"varArray", 0x2000},
        {"varByRef", 0x4000}};
    for (const auto& [name, value] : codes)
        s->AddConst(QString::fromLatin1(name), QStringLiteral("Integer"), Variant(value));
}

Variant TscSysFunctions::CallConvToStr(const QString& Name, TscMethodHelper* Caller) {
    const Variant a = Caller->GetVParam(0);
    if (Name == QLatin1String("INTTOSTR")) return Variant(IntToStr(a.ToInt64()));
    if (Name == QLatin1String("FLOATTOSTR")) return Variant(FloatToStr(a.ToDouble()));
    if (Name == QLatin1String("DATETOSTR")) return Variant(DateToStr(a.ToDouble()));
    if (Name == QLatin1String("TIMETOSTR")) return Variant(TimeToStr(a.ToDouble()));
    if (Name == QLatin1String("DATETIMETOSTR")) return Variant(DateTimeToStr(a.ToDouble()));
    if (Name == QLatin1String("BOOLTOSTR"))
        return Variant(a.ToBool() ? QStringLiteral("-1") : QStringLiteral("0"));
    return Variant::Null();
}

Variant TscSysFunctions::CallConvFromStr(const QString& Name, TscMethodHelper* Caller) {
    const Variant a = Caller->GetVParam(0);
    if (Name == QLatin1String("STRTOINT")) return Variant(StrToInt(a.ToString()));
    if (Name == QLatin1String("STRTOINT64")) return Variant(static_cast<long long>(StrToInt64(a.ToString())));
    if (Name == QLatin1String("STRTOFLOAT")) return Variant(StrToFloat(a.ToString()));
    if (Name == QLatin1String("STRTODATE")) return Variant::FromDate(StrToDate(a.ToString()));
    if (Name == QLatin1String("STRTOTIME")) return Variant::FromDate(StrToTime(a.ToString()));
    if (Name == QLatin1String("STRTODATETIME")) return Variant::FromDate(StrToDateTime(a.ToString()));
    if (Name == QLatin1String("STRTOBOOL")) return Variant(a.ToBool());
    return Variant::Null();
}

Variant TscSysFunctions::CallFormat(const QString& Name, TscMethodHelper* Caller) {
    const QString fmt = Caller->GetVParam(0).ToString();
    const Variant a = Caller->GetVParam(1);
    if (Name == QLatin1String("FORMAT")) {
        if (!VarIsArray(a)) throw EVariantNotAnArrayError(QStringLiteral("Variant is not an array"));
        return Variant(Format(fmt, VariantArrayToFormatArgs(a)));
    }
    if (Name == QLatin1String("FORMATFLOAT")) return Variant(FormatFloat(fmt, a.ToDouble()));
    if (Name == QLatin1String("FORMATDATETIME")) return Variant(FormatDateTime(fmt, a.ToDouble()));
    if (Name == QLatin1String("FORMATMASKTEXT")) return Variant(FormatMaskText(fmt, a.ToString()));
    return Variant::Null();
}

Variant TscSysFunctions::CallDate(const QString& Name, TscMethodHelper* Caller) {
    auto p = [Caller](int i) { return Caller->GetVParam(i); };
    if (Name == QLatin1String("ENCODEDATE"))
        return Variant::FromDate(EncodeDate(p(0).ToInt(), p(1).ToInt(), p(2).ToInt()));
    if (Name == QLatin1String("DECODEDATE")) {
        quint16 y, m, d;
        DecodeDate(p(0).ToDouble(), y, m, d);
        Caller->SetVParam(1, Variant(static_cast<unsigned short>(y)));
        Caller->SetVParam(2, Variant(static_cast<unsigned short>(m)));
        Caller->SetVParam(3, Variant(static_cast<unsigned short>(d)));
        return Variant::Null();
    }
    if (Name == QLatin1String("ENCODETIME"))
        return Variant::FromDate(EncodeTime(p(0).ToInt(), p(1).ToInt(), p(2).ToInt(), p(3).ToInt()));
    if (Name == QLatin1String("DECODETIME")) {
        quint16 h, n, s, ms;
        DecodeTime(p(0).ToDouble(), h, n, s, ms);
        Caller->SetVParam(1, Variant(static_cast<unsigned short>(h)));
        Caller->SetVParam(2, Variant(static_cast<unsigned short>(n)));
        Caller->SetVParam(3, Variant(static_cast<unsigned short>(s)));
        Caller->SetVParam(4, Variant(static_cast<unsigned short>(ms)));
        return Variant::Null();
    }
    if (Name == QLatin1String("DATE")) return Variant::FromDate(Date());
    if (Name == QLatin1String("TIME")) return Variant::FromDate(Time());
    if (Name == QLatin1String("NOW")) return Variant::FromDate(Now());
    if (Name == QLatin1String("DAYOFWEEK")) return Word(DayOfWeek(p(0).ToDouble()));
    if (Name == QLatin1String("ISLEAPYEAR")) return Variant(IsLeapYear(p(0).ToInt()));
    if (Name == QLatin1String("DAYSINMONTH")) {
        const int month = p(1).ToInt();
        // A month outside the calendar has no length.
        if (month < 1 || month > 12) throw EConvertError(QStringLiteral("Invalid month: %1").arg(month));
        return Variant(DaysInMonth(p(0).ToInt(), month));
    }
    return Variant::Null();
}

Variant TscSysFunctions::CallString(const QString& Name, TscMethodHelper* Caller) {
    auto p = [Caller](int i) { return Caller->GetVParam(i); };
    if (Name == QLatin1String("LENGTH")) {
        const Variant a = p(0);
        if (VarIsArray(a)) return Variant(VarArrayHighBound(a, 1) - VarArrayLowBound(a, 1) + 1);
        return Variant(static_cast<int>(a.ToString().size()));
    }
    if (Name == QLatin1String("COPY")) {
        const QString s = p(0).ToString();
        int from = p(1).ToInt();
        const int count = p(2).ToInt();
        if (from < 1) from = 1;
        if (from > s.size() || count < 1) return Variant(QString());
        return Variant(s.mid(from - 1, count));
    }
    if (Name == QLatin1String("POS")) return Variant(Pos(p(0).ToString(), p(1).ToString()));
    if (Name == QLatin1String("DELETE") || Name == QLatin1String("DELETESTR")) {
        QString s = p(0).ToString();
        const int from = p(1).ToInt(), count = p(2).ToInt();
        if (from >= 1 && from <= s.size() && count >= 1) s.remove(from - 1, count);
        Caller->SetVParam(0, Variant(s));
        return Variant::Null();
    }
    if (Name == QLatin1String("INSERT")) {
        const QString src = p(0).ToString();
        QString s = p(1).ToString();
        int at = p(2).ToInt();
        if (!src.isEmpty()) {
            if (at < 1) at = 1;
            if (at > s.size()) at = static_cast<int>(s.size()) + 1;
            s.insert(at - 1, src);
        }
        Caller->SetVParam(1, Variant(s));
        return Variant::Null();
    }
    if (Name == QLatin1String("UPPERCASE")) return Variant(AnsiUpperCase(p(0).ToString()));
    if (Name == QLatin1String("LOWERCASE")) return Variant(AnsiLowerCase(p(0).ToString()));
    if (Name == QLatin1String("TRIM")) return Variant(Trim(p(0).ToString()));
    if (Name == QLatin1String("NAMECASE")) {
        const QString s = p(0).ToString();
        if (s.isEmpty()) return Variant(QString());
        QString r = AnsiLowerCase(s);
        r[0] = AnsiUpperCase(QString(s[0]))[0];
        for (int i = 2; i <= s.size() - 1; ++i)
            if (r[i - 1] == u' ') r[i] = AnsiUpperCase(QString(s[i]))[0];
        return Variant(r);
    }
    if (Name == QLatin1String("COMPARETEXT"))
        return Variant(AnsiCompareText(p(0).ToString(), p(1).ToString()));
    if (Name == QLatin1String("CHR"))
        return Variant(QString(QChar(static_cast<char16_t>(p(0).ToInt() & 0xFFFF))));
    if (Name == QLatin1String("ORD")) {
        const QString s = p(0).ToString();
        // The code of no character is 0.
        return Word(s.isEmpty() ? 0 : s[0].unicode());
    }
    if (Name == QLatin1String("SETLENGTH")) {
        Variant a = p(0);
        const int len = p(1).ToInt();
        if (a.VType() == varUString || a.VType() == varString || a.VType() == varOleStr) {
            QString s = a.ToString();
            s.resize(std::max(len, 0), QChar(0));
            Caller->SetVParam(0, Variant(s));
        } else {
            if (!VarIsArray(a)) throw EVariantNotAnArrayError(QStringLiteral("Variant is not an array"));
            a.Redim(len - 1);
            Caller->SetVParam(0, a);
        }
        return Variant::Null();
    }
    return Variant::Null();
}

Variant TscSysFunctions::CallMath(const QString& Name, TscMethodHelper* Caller) {
    if (Name == QLatin1String("PI")) return Variant(3.1415926535897932385);
    const double e = Caller->GetVParam(0).ToDouble();
    if (Name == QLatin1String("ROUND")) return Variant(static_cast<long long>(Round(e)));
    if (Name == QLatin1String("TRUNC")) return Variant(static_cast<long long>(Trunc(e)));
    if (Name == QLatin1String("INT")) return Variant(Int(e));
    if (Name == QLatin1String("FRAC")) return Variant(Frac(e));
    if (Name == QLatin1String("SQRT")) {
        if (e < 0) throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
        return Variant(std::sqrt(e));
    }
    if (Name == QLatin1String("ABS")) return Variant(std::fabs(e));
    if (Name == QLatin1String("SIN")) return Variant(std::sin(e));
    if (Name == QLatin1String("COS")) return Variant(std::cos(e));
    if (Name == QLatin1String("ARCTAN")) return Variant(std::atan(e));
    if (Name == QLatin1String("TAN")) return Variant(std::sin(e) / std::cos(e));
    if (Name == QLatin1String("EXP")) return Variant(std::exp(e));
    if (Name == QLatin1String("LN")) {
        if (e < 0) throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
        if (e == 0) throw EZeroDivide(QStringLiteral("Floating point division by zero"));
        return Variant(std::log(e));
    }
    return Variant::Null();
}

Variant TscSysFunctions::CallOther(const QString& Name, TscMethodHelper* Caller) {
    auto p = [Caller](int i) { return Caller->GetVParam(i); };
    if (Name == QLatin1String("VARTOSTR")) return Variant(VarToStr(p(0)));
    if (Name == QLatin1String("INC")) {
        Caller->SetVParam(0, p(0) + p(1));
        return Variant::Null();
    }
    if (Name == QLatin1String("DEC")) {
        Caller->SetVParam(0, p(0) - p(1));
        return Variant::Null();
    }
    if (Name == QLatin1String("RAISEEXCEPTION")) throw Exception(p(0).ToString());
    if (Name == QLatin1String("SHOWMESSAGE")) {
        if (!ScriptShowMessage)
            throw EInvalidOperation(QStringLiteral("No message box service is installed"));
        ScriptShowMessage(p(0).ToString());
        return Variant::Null();
    }
    if (Name == QLatin1String("RANDOMIZE")) {
        Rng().seed(static_cast<unsigned long long>(std::random_device{}()) ^
                   static_cast<unsigned long long>(Now() * 86400000.0));
        return Variant::Null();
    }
    if (Name == QLatin1String("RANDOM")) return Variant(std::generate_canonical<double, 53>(Rng()));
    if (Name == QLatin1String("VALIDINT")) {
        int v;
        return Variant(TryStrToInt(p(0).ToString(), v));
    }
    if (Name == QLatin1String("VALIDFLOAT")) {
        double v;
        return Variant(TryStrToFloat(p(0).ToString(), v));
    }
    if (Name == QLatin1String("VALIDDATE")) {
        const Variant a = p(0);
        const QString s = a.VType() == varDate ? DateToStr(a.ToDouble()) : a.ToString();
        TDateTime v;
        return Variant(TryStrToDate(s, v));
    }
    if (Name == QLatin1String("EXTRACTFILEPATH")) {
        const QString s = p(0).ToString();
        const int i = static_cast<int>(std::max(s.lastIndexOf(u'\\'), s.lastIndexOf(u':')));
        return Variant(i < 0 ? QString() : s.left(i + 1));
    }
    if (Name == QLatin1String("CREATEOLEOBJECT")) return CreateOleObject(p(0).ToString());
    if (Name == QLatin1String("VARARRAYCREATE")) {
        const Variant b = p(0);
        if (!VarIsArray(b)) throw EVariantNotAnArrayError(QStringLiteral("Variant is not an array"));
        std::vector<int> bounds;
        for (int i = VarArrayLowBound(b, 1); i <= VarArrayHighBound(b, 1); ++i)
            bounds.push_back(b.GetElement(i).ToInt());
        if (bounds.size() % 2 != 0) throw EVariantInvalidArgError(QStringLiteral("Invalid argument"));
        return VarArrayCreate(std::span<const int>(bounds), static_cast<TVarType>(p(1).ToInt()));
    }
    if (Name == QLatin1String("VARTYPE")) return Word(VarType(p(0)));
    return Variant::Null();
}
