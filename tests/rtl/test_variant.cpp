#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>

#include <QHash>

#include <functional>
#include <limits>

namespace {

// Two locales that differ in every separator a variant conversion reads or writes.
struct LocaleCase {
    const char* Name;
    QChar Decimal;
    TFormatSettings Settings() const {
        TFormatSettings fs = TFormatSettings::Invariant();
        fs.DecimalSeparator = Decimal;
        if (Decimal == u',') {
            fs.ThousandSeparator = QLatin1Char('.');
            fs.DateSeparator = QLatin1Char('.');
            fs.ShortDateFormat = QStringLiteral("dd.mm.yyyy");
        }
        return fs;
    }
};

void PrintTo(const LocaleCase& c, std::ostream* os) {
    *os << c.Name;
}

class VariantRules : public ::testing::TestWithParam<LocaleCase> {
protected:
    void SetUp() override { FScope = std::make_unique<TFormatSettingsScope>(GetParam().Settings()); }
    void TearDown() override { FScope.reset(); }
    // A number text in the current locale: '#' stands for the decimal separator.
    QString N(const char* text) const {
        return QString::fromLatin1(text).replace(QLatin1Char('#'), GetParam().Decimal);
    }
    std::unique_ptr<TFormatSettingsScope> FScope;
};

using BinFn = std::function<Variant(const Variant&, const Variant&)>;

const BinFn Add = [](const Variant& a, const Variant& b) { return a + b; };
const BinFn Sub = [](const Variant& a, const Variant& b) { return a - b; };
const BinFn Mul = [](const Variant& a, const Variant& b) { return a * b; };
const BinFn Div = [](const Variant& a, const Variant& b) { return a / b; };
const BinFn IDiv = VarIntDiv;
const BinFn Mod = VarMod;
const BinFn And = VarAnd;
const BinFn Or = VarOr;
const BinFn Xor = VarXor;
const BinFn Shl = VarShl;
const BinFn Shr = VarShr;

// Runs f and returns the result, or the class name of the exception as an error Variant text.
template <class F> std::pair<Variant, QString> RunCase(F f) {
    try {
        return {f(), QString()};
    } catch (const Exception& e) {
        return {Variant(), e.ClassName()};
    }
}

void ExpectSame(const Variant& got, const Variant& want, const QString& what) {
    EXPECT_EQ(got.VType(), want.VType())
        << what.toStdString() << " type " << VarTypeAsText(got.VType()).toStdString();
    EXPECT_TRUE(got.SameAs(want)) << what.toStdString() << " gave " << VarToStr(got).toStdString()
                                  << ", want " << VarToStr(want).toStdString();
}

TEST_P(VariantRules, BinaryOperators) {
    const Variant null = Variant::Null();
    const Variant empty;
    struct Case {
        const char* What;
        Variant A, B;
        BinFn Op;
        Variant Want;
        const char* Error; // class name when the operation must raise
    };
    const std::vector<Case> cases = {
        {"int + int", 2, 3, Add, 5, nullptr},
        {"int + int overflows into Int64", std::numeric_limits<int>::max(), 1, Add, Variant(2147483648LL),
         nullptr},
        {"int * int overflows into Int64", 65536, 65536, Mul, Variant(4294967296LL), nullptr},
        {"Int64 overflow goes on as double", Variant(std::numeric_limits<long long>::max()), Variant(1LL),
         Add, Variant(9223372036854775808.0), nullptr},
        {"smallint + byte is integer", Variant(short(7)), Variant((unsigned char)(3)), Add, 10, nullptr},
        {"Int64 + int stays Int64", Variant(5LL), 1, Add, Variant(6LL), nullptr},
        {"int + double", 1, 2.5, Add, 3.5, nullptr},
        {"int / int is double", 5, 2, Div, 2.5, nullptr},
        {"div truncates", -7, 2, IDiv, -3, nullptr},
        {"mod keeps the dividend's sign", -7, 2, Mod, -1, nullptr},
        {"mod of a negative divisor", 7, -2, Mod, 1, nullptr},
        {"div of a double rounds it first", 7.5, 2, IDiv, 4, nullptr},
        {"x / 0", 1, 0, Div, Variant(), "EZeroDivide"},
        {"0 / 0", 0, 0, Div, Variant(), "EInvalidOp"},
        {"x div 0", 1, 0, IDiv, Variant(), "EDivByZero"},
        {"x mod 0", 1, 0, Mod, Variant(), "EDivByZero"},
        {"numeric text + int adds", Variant(N("1#5")), 1, Add, 2.5, nullptr},
        {"int + numeric text adds", 1, Variant(N("1#5")), Add, 2.5, nullptr},
        {"text + text joins", "2", "3", Add, "23", nullptr},
        {"text - text subtracts", "5", "2", Sub, 3.0, nullptr},
        {"text * text multiplies", "2", "3", Mul, 6.0, nullptr},
        {"non-numeric text in arithmetic", "abc", 1, Add, Variant(), "EVariantTypeCastError"},
        {"text with the other separator", Variant(GetParam().Decimal == u'.' ? "1,5" : "1.5"), 1, Add,
         Variant(), "EVariantTypeCastError"},
        {"Boolean true counts -1", true, 1, Add, 0, nullptr},
        {"Boolean + Boolean", true, true, Add, -2, nullptr},
        {"Null + int", null, 1, Add, null, nullptr},
        {"text + Null", "a", null, Add, null, nullptr},
        {"Null * Null", null, null, Mul, null, nullptr},
        {"Null div 0 is Null", null, 0, IDiv, null, nullptr},
        {"Null and true", null, true, And, null, nullptr},
        {"Empty + int", empty, 1, Add, 1, nullptr},
        {"Empty + text", empty, "a", Add, "a", nullptr},
        {"Boolean and", true, false, And, false, nullptr},
        {"Boolean or", true, false, Or, true, nullptr},
        {"Boolean xor", true, true, Xor, false, nullptr},
        {"bitwise and", 12, 10, And, 8, nullptr},
        {"bitwise or", 12, 3, Or, 15, nullptr},
        {"bitwise xor", 12, 10, Xor, 6, nullptr},
        {"Boolean and int is bitwise", true, 3, And, 3, nullptr},
        {"text and Boolean is logical", "True", false, Or, true, nullptr},
        {"shl", 1, 4, Shl, 16, nullptr},
        {"shr is logical", -1, 28, Shr, 15, nullptr},
        {"Int64 shl", Variant(1LL), 40, Shl, Variant(1099511627776LL), nullptr},
        {"date + int is a date", Variant::FromDate(100.5), 2, Add, Variant::FromDate(102.5), nullptr},
        {"date - date is a double", Variant::FromDate(100.5), Variant::FromDate(90.0), Sub, 10.5, nullptr},
        {"currency + int", Variant::FromCurrency(1.25), 2, Add, Variant::FromCurrency(3.25), nullptr},
        {"currency * currency", Variant::FromCurrency(1.5), Variant::FromCurrency(2.5), Mul,
         Variant::FromCurrency(3.75), nullptr},
        {"single + single is double", Variant(0.5f), Variant(0.25f), Add, 0.75, nullptr},
        {"array + int", VarArrayOf({1, 2}), 1, Add, Variant(), "EVariantInvalidOpError"},
        {"double overflow", 1e308, 1e308, Mul, Variant(), "EOverflow"},
    };
    for (const Case& c : cases) {
        auto [got, error] = RunCase([&] { return c.Op(c.A, c.B); });
        if (c.Error) {
            EXPECT_EQ(error, QString::fromLatin1(c.Error)) << c.What;
        } else {
            EXPECT_TRUE(error.isEmpty()) << c.What << " raised " << error.toStdString();
            if (error.isEmpty()) ExpectSame(got, c.Want, QString::fromLatin1(c.What));
        }
    }
}

TEST_P(VariantRules, ConversionErrorNamesBothTypes) {
    try {
        (void)(Variant("abc") + Variant(1));
        FAIL() << "no error";
    } catch (const EVariantError& e) {
        EXPECT_EQ(e.ClassName(), "EVariantTypeCastError");
        EXPECT_EQ(e.Message(), "Could not convert variant of type (UnicodeString) into type (Double)");
    }
    try {
        (void)Variant::Null().ToInt();
        FAIL() << "no error";
    } catch (const EVariantError& e) {
        EXPECT_EQ(e.Message(), "Could not convert variant of type (Null) into type (Integer)");
    }
    try {
        (void)Variant::FromString("x", varString).ToDouble();
        FAIL() << "no error";
    } catch (const EVariantError& e) {
        EXPECT_EQ(e.Message(), "Could not convert variant of type (String) into type (Double)");
    }
}

TEST_P(VariantRules, UnaryOperators) {
    struct Case {
        const char* What;
        Variant A;
        bool Negate; // else not
        Variant Want;
    };
    const std::vector<Case> cases = {
        {"not true", true, false, false},
        {"not 0", 0, false, -1},
        {"not 5", 5, false, -6},
        {"not Null", Variant::Null(), false, Variant::Null()},
        {"not 'False'", "False", false, true},
        {"-5", 5, true, -5},
        {"-true", true, true, 1},
        {"-numeric text", Variant(N("2#5")), true, -2.5},
        {"-MinInt widens", std::numeric_limits<int>::min(), true, Variant(2147483648LL)},
        {"-Null", Variant::Null(), true, Variant::Null()},
        {"-Empty", Variant(), true, 0},
    };
    for (const Case& c : cases) {
        const Variant got = c.Negate ? -c.A : VarNot(c.A);
        ExpectSame(got, c.Want, QString::fromLatin1(c.What));
    }
    EXPECT_THROW(-Variant("abc"), EVariantTypeCastError);
    EXPECT_THROW(VarNot(VarArrayOf({1})), EVariantInvalidOpError);
}

TEST_P(VariantRules, Comparisons) {
    const Variant null = Variant::Null();
    struct Case {
        const char* What;
        Variant A, B;
        bool Eq, Lt;
    };
    const std::vector<Case> cases = {
        {"1 = 1.0", 1, 1.0, true, false},
        {"Int64 beside int", Variant(5LL), 7, false, true},
        {"numeric text beside a number compares as numbers", "10", 9, false, false},
        {"numeric text with the locale's separator", Variant(N("1#5")), 1.5, true, false},
        {"text beside text", "abc", "abd", false, true},
        {"equal text", "abc", "abc", true, false},
        {"Null = Null", null, null, true, false},
        {"Null = 0", null, 0, false, true},
        {"0 beside Null", 0, null, false, false},
        {"Null beside text", null, "", false, true},
        {"Empty = 0", Variant(), 0, true, false},
        {"Empty = ''", Variant(), "", true, false},
        {"Empty < 1", Variant(), 1, false, true},
        {"true = -1", true, -1, true, false},
        {"false < true", false, true, false, true},
        {"'True' = true", "True", true, true, false},
        {"currency = int", Variant::FromCurrency(3), 3, true, false},
        {"currency < double", Variant::FromCurrency(1.25), 1.3, false, true},
        {"date beside double", Variant::FromDate(10), 10.5, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.A == c.B, c.Eq) << c.What;
        EXPECT_EQ(c.A != c.B, !c.Eq) << c.What;
        EXPECT_EQ(c.A < c.B, c.Lt) << c.What;
        EXPECT_EQ(c.A >= c.B, !c.Lt) << c.What;
        EXPECT_EQ(c.A <= c.B, c.Lt || c.Eq) << c.What;
        EXPECT_EQ(c.A > c.B, !c.Lt && !c.Eq) << c.What;
    }
    EXPECT_FALSE(Variant("abc") == Variant("ABC")); // case matters; the order is the locale's
    EXPECT_EQ(VarCompareValue(null, 1), vrNotEqual);
    EXPECT_EQ(VarCompareValue(2, 1), vrGreaterThan);
    EXPECT_THROW((void)(Variant("x") < Variant(1)), EVariantTypeCastError);
    EXPECT_THROW((void)(VarArrayOf({1}) == Variant(1)), EVariantInvalidOpError);
}

TEST_P(VariantRules, Conversions) {
    EXPECT_EQ(Variant(1.5).ToString(), N("1#5"));
    EXPECT_EQ(Variant(0.1f).ToString(), N("0#1"));
    EXPECT_EQ(Variant(true).ToString(), "True");
    EXPECT_EQ(Variant(-42).ToString(), "-42");
    EXPECT_EQ(Variant::FromCurrency(-2.5).ToString(), N("-2#5"));
    EXPECT_EQ(Variant::FromCurrency(3).ToString(), "3");
    EXPECT_EQ(Variant::FromCurrency(1.2345).ToString(), N("1#2345"));
    EXPECT_EQ(Variant::FromDate(EncodeDate(2024, 3, 5) + 0.5).ToString(),
              GetParam().Decimal == u',' ? "05.03.2024 12:00:00" : "03/05/2024 12:00:00");
    EXPECT_EQ(Variant().ToString(), "");
    EXPECT_EQ(VarToStr(Variant::Null()), "");
    EXPECT_THROW(Variant::Null().ToString(), EVariantTypeCastError);

    EXPECT_EQ(Variant(N("3#7")).ToInt(), 4);
    EXPECT_EQ(Variant(N("2#5")).ToInt(), 2); // half to even
    EXPECT_EQ(Variant(3.5).ToInt(), 4);
    EXPECT_EQ(Variant(2.5).ToInt(), 2);
    EXPECT_EQ(Variant("$1F").ToInt(), 31);
    EXPECT_EQ(Variant(true).ToInt(), -1);
    EXPECT_EQ(Variant::FromCurrency(2.5).ToInt(), 2);
    EXPECT_EQ(Variant::FromCurrency(-3.5).ToInt(), -4);
    EXPECT_EQ(Variant::FromCurrency(1.5001).ToInt(), 2);
    EXPECT_EQ(Variant().ToInt(), 0);
    EXPECT_THROW(Variant("abc").ToInt(), EVariantTypeCastError);
    EXPECT_THROW(Variant(3000000000LL).ToInt(), EVariantOverflowError);
    EXPECT_EQ(Variant(3000000000LL).ToInt64(), 3000000000LL);

    EXPECT_DOUBLE_EQ(Variant(N(" 1#25 ")).ToDouble(), 1.25);
    EXPECT_TRUE(Variant("true").ToBool());
    EXPECT_FALSE(Variant("0").ToBool());
    EXPECT_TRUE(Variant(N("0#5")).ToBool());
    EXPECT_THROW(Variant("yes").ToBool(), EVariantTypeCastError);
    EXPECT_FALSE(Variant().ToBool());

    const QString dateText = GetParam().Decimal == u',' ? "05.03.2024" : "03/05/2024";
    EXPECT_DOUBLE_EQ(Variant(dateText).ToDate(), EncodeDate(2024, 3, 5));
    EXPECT_THROW(Variant("not a date").ToDate(), EVariantTypeCastError);

    ExpectSame(VarAsType(Variant("12"), varInteger), 12, "text as integer");
    ExpectSame(VarAsType(Variant(7), varWord), Variant((unsigned short)7), "word");
    ExpectSame(VarAsType(Variant(1.5), varUString), Variant(N("1#5")), "double as text");
    ExpectSame(VarAsType(Variant(1), varBoolean), true, "int as Boolean");
    ExpectSame(VarAsType(Variant(dateText), varDate), Variant::FromDate(EncodeDate(2024, 3, 5)),
               "text as date");
    EXPECT_THROW(VarAsType(Variant(300), varByte), EVariantOverflowError);
    EXPECT_THROW(VarAsType(Variant::Null(), varInteger), EVariantTypeCastError);
    EXPECT_EQ(VarType(VarAsType(Variant(1), varString)), varString);
}

INSTANTIATE_TEST_SUITE_P(Locales, VariantRules,
                         ::testing::Values(LocaleCase{"point", QLatin1Char('.')},
                                           LocaleCase{"comma", QLatin1Char(',')}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(Variant, TypeCodes) {
    EXPECT_EQ(VarType(Variant()), 0);
    EXPECT_EQ(VarType(Variant::Null()), 1);
    EXPECT_EQ(VarType(Variant(short(1))), 2);
    EXPECT_EQ(VarType(Variant(1)), 3);
    EXPECT_EQ(VarType(Variant(1.0)), 5);
    EXPECT_EQ(VarType(Variant::FromDate(1)), 7);
    EXPECT_EQ(VarType(Variant(true)), 11);
    EXPECT_EQ(VarType(Variant((unsigned short)1)), 18);
    EXPECT_EQ(VarType(Variant(1LL)), 20);
    EXPECT_EQ(VarType(Variant(QStringLiteral("x"))), 258);
    EXPECT_EQ(VarType(VarArrayCreate({0, 1}, varVariant)), 0x2000 | 12);
    EXPECT_EQ(VarTypeAsText(varUString), "UnicodeString");
    EXPECT_EQ(VarTypeAsText(varArray | varInteger), "Array Integer");
    EXPECT_TRUE(VarIsNull(Variant::Null()));
    EXPECT_TRUE(VarIsEmpty(Variant()));
    EXPECT_FALSE(VarIsEmpty(Variant::Null()));
}

TEST(VariantArray, BoundsElementsAndCopies) {
    Variant a = VarArrayCreate({1, 5}, varVariant);
    EXPECT_TRUE(VarIsArray(a));
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), 1);
    EXPECT_EQ(VarArrayHighBound(a, 1), 5);
    EXPECT_TRUE(a.GetElement(3).IsEmpty());
    a.SetElement(3, "x");
    EXPECT_EQ(a.GetElement(3).ToString(), "x");
    EXPECT_THROW(a.GetElement(0), EVariantBadIndexError);
    EXPECT_THROW(a.SetElement(6, 1), EVariantBadIndexError);
    EXPECT_THROW(a.HighBound(2), EVariantBadIndexError);

    Variant b = a; // arrays are values
    b.SetElement(3, "y");
    EXPECT_EQ(a.GetElement(3).ToString(), "x");
    EXPECT_EQ(b.GetElement(3).ToString(), "y");

    Variant typed = VarArrayCreate({0, 2}, varInteger);
    EXPECT_EQ(typed.GetElement(0).VType(), varInteger);
    typed.SetElement(1, "12");
    ExpectSame(typed.GetElement(1), 12, "typed element");
    EXPECT_THROW(typed.SetElement(2, "x"), EVariantTypeCastError);

    Variant grid = VarArrayCreate({0, 1, 10, 12}, varVariant);
    EXPECT_EQ(grid.DimCount(), 2);
    const int at[] = {1, 12};
    grid.SetElement(at, 7);
    EXPECT_EQ(grid.GetElement(at).ToInt(), 7);
    const int wrongDims[] = {1};
    EXPECT_THROW(grid.GetElement(wrongDims), EVariantBadIndexError);

    Variant list = VarArrayOf({10, 20, 30});
    VarArrayRedim(list, 4);
    EXPECT_EQ(list.HighBound(1), 4);
    EXPECT_EQ(list.GetElement(2).ToInt(), 30);
    EXPECT_TRUE(list.GetElement(4).IsEmpty());
    VarArrayRedim(list, 0);
    EXPECT_EQ(list.HighBound(1), 0);
    EXPECT_EQ(list.GetElement(0).ToInt(), 10);

    Variant g2 = VarArrayCreate({0, 1, 0, 2}, varVariant);
    const int p[] = {1, 1};
    g2.SetElement(p, 5);
    g2.Redim(3);
    EXPECT_EQ(g2.GetElement(p).ToInt(), 5);

    EXPECT_THROW(VarArrayCreate({0, 1, 2}, varVariant), EVariantInvalidArgError);
    EXPECT_THROW(VarArrayCreate({5, 1}, varVariant), EVariantArrayCreateError);
    EXPECT_THROW(Variant(1).GetElement(0), EVariantNotAnArrayError);
    EXPECT_THROW(VarArrayHighBound(Variant(1), 1), EVariantNotAnArrayError);
}

TEST(VariantArray, ByteArraysKeepOneBytePerElement) {
    const QByteArray blob("\x00\x01\xFFz", 4);
    Variant v = VarArrayFromBytes(blob);
    EXPECT_EQ(VarType(v), varArray | varByte);
    EXPECT_EQ(v.HighBound(1), 3);
    ExpectSame(v.GetElement(2), Variant((unsigned char)255), "byte element");
    v.SetElement(0, 65);
    EXPECT_THROW(v.SetElement(1, 256), EVariantOverflowError);
    EXPECT_EQ(VarArrayToBytes(v), QByteArray("A\x01\xFFz", 4));
    EXPECT_EQ(VarArrayToBytes(VarArrayFromBytes(QByteArray())).size(), 0);
    Variant made = VarArrayCreate({0, 1}, varByte);
    made.SetElement(1, "7");
    EXPECT_EQ(VarArrayToBytes(made), QByteArray("\x00\x07", 2));
    VarArrayRedim(made, 2);
    EXPECT_EQ(VarArrayToBytes(made), QByteArray("\x00\x07\x00", 3));
    EXPECT_EQ(VarArrayToBytes(VarArrayOf({1, 2})), QByteArray("\x01\x02", 2));
    EXPECT_TRUE(VarArrayFromBytes(blob).SameAs(VarArrayFromBytes(blob)));
}

class FakeDispatch : public IDispatchObject {
public:
    Variant Invoke(const QString& name, std::span<const Variant> args) override {
        if (name.compare(QLatin1String("Sum"), Qt::CaseInsensitive) != 0)
            throw EVariantDispatchError(QStringLiteral("Unknown name"));
        Variant r = 0;
        for (const Variant& a : args)
            r = r + a;
        return r;
    }
    Variant GetProperty(const QString& name, std::span<const Variant>) override {
        return FValues.value(name.toUpper());
    }
    void SetProperty(const QString& name, std::span<const Variant>, const Variant& value) override {
        FValues.insert(name.toUpper(), value.ToString());
    }
    QHash<QString, QString> FValues;
};

// The in-place setters give what an assignment gives, whatever the target held before: text,
// an array and a dispatch object are released (a copy made earlier keeps its own value), and a
// scalar taken apart into type code and bits comes back the same.
TEST(Variant, InPlaceSettersMatchAssignment) {
    auto disp = std::make_shared<FakeDispatch>();
    const Variant before[] = {Variant(), Variant::Null(), Variant(7), Variant(2.5), Variant(true),
                              Variant(QStringLiteral("text")), VarArrayOf({1, "a"}), Variant(disp),
                              Variant(1LL << 40)};
    for (const Variant& b : before) {
        Variant target = b;
        const Variant keep = target;
        const long refs = disp.use_count();
        target.SetInt(-42);
        EXPECT_TRUE(target.SameAs(Variant(-42))) << VarTypeAsText(b.VType()).toStdString();
        EXPECT_TRUE(keep.SameAs(b)) << VarTypeAsText(b.VType()).toStdString();
        // The overwritten dispatch value let go of its object.
        EXPECT_EQ(disp.use_count(), refs - (b.IsDispatch() ? 1 : 0));
    }

    const Variant scalars[] = {Variant(),       Variant::Null(),        Variant(short(-3)),
                               Variant(-9),     Variant(1.25f),         Variant(-0.1),
                               Variant::FromCurrencyRaw(123456), Variant::FromDate(45000.5),
                               Variant(false),  Variant(true),          Variant((signed char)-5),
                               Variant((unsigned char)200), Variant((unsigned short)65535),
                               Variant(4000000000u), Variant(-(1LL << 50))};
    for (const Variant& v : scalars) {
        ASSERT_TRUE(v.IsScalar()) << VarTypeAsText(v.VType()).toStdString();
        Variant target(QStringLiteral("held text"));
        target.SetScalarRaw(v.VType(), v.ScalarBits());
        EXPECT_TRUE(target.SameAs(v)) << VarTypeAsText(v.VType()).toStdString();
        EXPECT_EQ(VarToStr(target), VarToStr(v));
    }
    for (const Variant& v : {Variant(QStringLiteral("x")), VarArrayOf({1}), Variant(disp)})
        EXPECT_FALSE(v.IsScalar()) << VarTypeAsText(v.VType()).toStdString();
}

TEST(Variant, DispatchValues) {
    auto disp = std::make_shared<FakeDispatch>();
    Variant v(disp);
    EXPECT_EQ(VarType(v), varDispatch);
    const Variant args[] = {1, 2, 3};
    EXPECT_EQ(v.ToDispatch()->Invoke("sum", args).ToInt(), 6);
    Variant copy = v;
    copy.ToDispatch()->SetProperty("Caption", {}, "Hi");
    EXPECT_EQ(v.ToDispatch()->GetProperty("caption", {}).ToString(), "Hi"); // copies share the object
    EXPECT_THROW(v.ToInt(), EVariantTypeCastError);
    EXPECT_THROW((void)(v + Variant(1)), EVariantInvalidOpError);
    EXPECT_THROW(Variant(1).ToDispatch(), EVariantTypeCastError);
}

} // namespace
