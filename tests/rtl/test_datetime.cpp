// Date serial numbers, encoding, the clock, FormatDateTime and date/time parsing, under en_US
// and ru_RU settings.

#include "platform/rtl/SysUtils.h"

#include <QDate>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const TFormatSettings& En() {
    static const TFormatSettings fs = TFormatSettings::Create(QStringLiteral("en_US"));
    return fs;
}

const TFormatSettings& Ru() {
    static const TFormatSettings fs = TFormatSettings::Create(QStringLiteral("ru_RU"));
    return fs;
}

// Fixes the clock at 2026-06-15 10:00 for the test's lifetime.
class FixedClock : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock([] { return EncodeDateTime(2026, 6, 15, 10, 0, 0, 0); });
    }
    void TearDown() override { SetClock(nullptr); }
};

struct Ymd {
    int y, m, d;
};

Ymd Decoded(TDateTime v) {
    quint16 y, m, d;
    DecodeDate(v, y, m, d);
    return {y, m, d};
}

} // namespace

TEST(DateEncoding, KnownSerials) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1899, 12, 31), 1);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

// Every 97th day from 0001-01-01 to 9999-12-31, checked against Qt's proleptic calendar.
TEST(DateEncoding, DecodeAgreesWithQDateAcrossTheRange) {
    const QDate base(1899, 12, 30);
    for (long long serial = -693593; serial <= 2958465; serial += 97) {
        const QDate q = base.addDays(serial);
        const Ymd d = Decoded(static_cast<double>(serial));
        ASSERT_EQ(d.y, q.year()) << serial;
        ASSERT_EQ(d.m, q.month()) << serial;
        ASSERT_EQ(d.d, q.day()) << serial;
        ASSERT_EQ(EncodeDate(q.year(), q.month(), q.day()), serial);
        ASSERT_EQ(DayOfWeek(static_cast<double>(serial)), q.dayOfWeek() % 7 + 1) << serial;
    }
    const Ymd last = Decoded(2958465);
    EXPECT_EQ(last.y, 9999);
    EXPECT_EQ(last.m, 12);
    EXPECT_EQ(last.d, 31);
}

TEST(DateEncoding, InvalidArgumentsRaise) {
    const Ymd bad[] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1},    {10000, 1, 1}, {2024, 13, 1},
                       {2024, 0, 1},  {2024, 4, 31}, {2024, 1, 0}, {-5, 1, 1},    {2024, 1, 32}};
    for (const Ymd& b : bad) {
        SCOPED_TRACE(QStringLiteral("%1-%2-%3").arg(b.y).arg(b.m).arg(b.d).toStdString());
        EXPECT_THROW(EncodeDate(b.y, b.m, b.d), EConvertError);
        TDateTime v = 7;
        EXPECT_FALSE(TryEncodeDate(b.y, b.m, b.d, v));
        EXPECT_EQ(v, 7);
    }
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
    EXPECT_NO_THROW(EncodeTime(23, 59, 59, 999));
    try {
        EncodeDate(2023, 2, 29);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
}

TEST(DateEncoding, DecodeTimeAndOddValues) {
    quint16 h, n, s, z;
    DecodeTime(EncodeTime(13, 45, 30, 250), h, n, s, z);
    EXPECT_EQ((std::vector<int>{h, n, s, z}), (std::vector<int>{13, 45, 30, 250}));
    // A negative value counts its time forward from its day's midnight.
    DecodeTime(-1.25, h, n, s, z);
    EXPECT_EQ(h, 6);
    const Ymd neg = Decoded(-1.25);
    EXPECT_EQ(neg.y, 1899);
    EXPECT_EQ(neg.m, 12);
    EXPECT_EQ(neg.d, 29);
    // A time that rounds to midnight moves to the next day instead of showing hour 24.
    quint16 y, m, d;
    DecodeDateTime(EncodeDate(2024, 1, 1) + 0.99999999999, y, m, d, h, n, s, z);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, z}), (std::vector<int>{2024, 1, 2, 0, 0, 0, 0}));
    // Values outside the calendar decode to zeros rather than garbage.
    for (double v : {std::nan(""), 1e300, -1e300, 3e6, -7e5}) {
        DecodeDateTime(v, y, m, d, h, n, s, z);
        EXPECT_EQ(y, 0) << v;
        EXPECT_EQ(m, 0) << v;
        EXPECT_EQ(DayOfWeek(v), 0) << v;
        EXPECT_NO_THROW(FormatDateTime("dddd dd mmmm yyyy hh:nn", v, En()));
    }
}

TEST(Calendar, LeapYearsMonthDaysWeekdays) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 4), 30);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
    EXPECT_EQ(DaysInMonth(2023, 0), 0);
    EXPECT_EQ(DayOfWeek(0), 7);                      // Saturday
    EXPECT_EQ(DayOfWeek(-1), 6);                     // Friday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 5)), 3); // Tuesday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3) + 0.9), 1);
    EXPECT_EQ(DayOfTheWeek(EncodeDate(2024, 3, 4)), 1);  // Monday
    EXPECT_EQ(DayOfTheWeek(EncodeDate(2024, 3, 10)), 7); // Sunday
    EXPECT_EQ(DayOfTheWeek(0), 6);
    const TDateTime t = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ((std::vector<int>{HourOf(t), MinuteOf(t), SecondOf(t), MilliSecondOf(t)}),
              (std::vector<int>{14, 7, 9, 45}));
    EXPECT_EQ(YearOf(EncodeDate(2024, 1, 31)), 2024);
    EXPECT_EQ(MonthOf(EncodeDate(2024, 1, 31)), 1);
    EXPECT_EQ(DayOf(EncodeDate(2024, 1, 31)), 31);
    EXPECT_EQ(DateOf(EncodeDateTime(2024, 1, 31, 12, 0, 0, 0)), EncodeDate(2024, 1, 31));
    EXPECT_EQ(TimeOf(EncodeDateTime(2024, 1, 31, 12, 0, 0, 0)), 0.5);
}

TEST(Calendar, IncMonthClampsTheDay) {
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31), 1), EncodeDate(2024, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2023, 3, 31), -1), EncodeDate(2023, 2, 28));
    EXPECT_EQ(IncMonth(EncodeDate(2023, 12, 15), 1), EncodeDate(2024, 1, 15));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15), -13), EncodeDate(2022, 12, 15));
    EXPECT_EQ(IncMonth(EncodeDateTime(2024, 1, 15, 18, 0, 0, 0), 2),
              EncodeDateTime(2024, 3, 15, 18, 0, 0, 0));
    EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
}

TEST_F(FixedClock, NowDateTimeFollowTheClock) {
    EXPECT_EQ(Now(), EncodeDateTime(2026, 6, 15, 10, 0, 0, 0));
    EXPECT_EQ(Date(), EncodeDate(2026, 6, 15));
    EXPECT_EQ(Time(), EncodeTime(10, 0, 0, 0));
    SetClock(nullptr);
    // The system clock is somewhere after this code was written.
    EXPECT_GT(Now(), EncodeDate(2024, 1, 1));
}

// ---------------------------------------------------------------------------------------------

TEST(FormatDateTime, LetterTable) {
    const TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45); // a Tuesday
    struct Case {
        const char* format;
        const char* en;
        const char* ru;
    };
    const Case cases[] = {
        {"d", "5", "5"},
        {"dd", "05", "05"},
        {"ddd", "Tue", "вт"},
        {"dddd", "Tuesday", "вторник"},
        {"ddddd", "3/5/2024", "05.03.2024"},
        {"dddddd", "Tuesday, March 5, 2024", "вторник, 5 март 2024 г."},
        {"m", "3", "3"},
        {"mm", "03", "03"},
        {"mmm", "Mar", "март"},
        {"mmmm", "March", "март"},
        {"y", "24", "24"},
        {"yy", "24", "24"},
        {"yyyy", "2024", "2024"},
        {"e", "2024", "2024"},
        {"h", "14", "14"},
        {"hh", "14", "14"},
        {"n", "7", "7"},
        {"nn", "07", "07"},
        {"s", "9", "9"},
        {"ss", "09", "09"},
        {"z", "45", "45"},
        {"zzz", "045", "045"},
        {"hh:mm", "14:07", "14:07"},
        {"h:m", "14:7", "14:7"},
        {"dd mm hh:mm mm", "05 03 14:07 03", "05 03 14:07 03"},
        {"h:mm am/pm", "2:07 pm", "2:07 pm"},
        {"h:mm AM/PM", "2:07 PM", "2:07 PM"},
        {"h a/p", "2 p", "2 p"},
        {"hh ampm", "02 PM", "02 PM"},
        {"t", "2:07 PM", "14:07"},
        {"tt", "2:07:09 PM", "14:07:09"},
        {"c", "3/5/2024 2:07:09 PM", "05.03.2024 14:07:09"},
        {"yyyy/mm/dd", "2024/03/05", "2024.03.05"},
        {"hh:nn:ss.zzz", "14:07:09.045", "14:07:09.045"},
        {"'quoted d' d", "quoted d 5", "quoted d 5"},
        {"\"m\"m", "m3", "m3"},
        {"DD.MM.YYYY", "05.03.2024", "05.03.2024"},
        {"x!", "x!", "x!"},
        {"", "3/5/2024 2:07:09 PM", "05.03.2024 14:07:09"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatDateTime(c.format, v, En()), QString::fromUtf8(c.en));
        EXPECT_EQ(FormatDateTime(c.format, v, Ru()), QString::fromUtf8(c.ru));
    }
}

TEST(FormatDateTime, ClockEdgesAndShortcuts) {
    const TDateTime midnight = EncodeDate(2024, 3, 5);
    EXPECT_EQ(FormatDateTime("c", midnight, En()), "3/5/2024");
    EXPECT_EQ(FormatDateTime("h am/pm", midnight, En()), "12 am");
    EXPECT_EQ(FormatDateTime("h am/pm", midnight + 0.5, En()), "12 pm");
    EXPECT_EQ(FormatDateTime("h", midnight, En()), "0");
    EXPECT_EQ(DateToStr(midnight + 0.75, Ru()), "05.03.2024");
    EXPECT_EQ(TimeToStr(midnight + 0.75, Ru()), "18:00:00");
    EXPECT_EQ(TimeToStr(midnight + 0.75, En()), "6:00:00 PM");
    EXPECT_EQ(DateTimeToStr(midnight, Ru()), "05.03.2024");
    EXPECT_EQ(DateTimeToStr(midnight + 0.75, Ru()), "05.03.2024 18:00:00");
    EXPECT_EQ(DateToStr(0, Ru()), "30.12.1899");
    // A settings format that refers to itself must not recurse without end.
    TFormatSettings loop = En();
    loop.ShortDateFormat = QStringLiteral("ddddd");
    EXPECT_NO_THROW(FormatDateTime("c", midnight, loop));
}

// ---------------------------------------------------------------------------------------------

TEST_F(FixedClock, StrToDateTable) {
    struct Case {
        const char* text;
        int y, m, d;
    };
    const Case en[] = {
        {"3/5/2024", 2024, 3, 5},     {"03/05/2024", 2024, 3, 5}, {" 3 / 5 / 2024 ", 2024, 3, 5},
        {"3/5/24", 2024, 3, 5},       {"3/5/80", 1980, 3, 5},     {"3/5/76", 1976, 3, 5},
        {"3/5/75", 2075, 3, 5},       {"3/5", 2026, 3, 5},        {"2/29/2024", 2024, 2, 29},
        {"12/31/9999", 9999, 12, 31}, {"1/1/0001", 1, 1, 1}};
    for (const Case& c : en) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StrToDate(c.text, En()), EncodeDate(c.y, c.m, c.d));
    }
    const Case ru[] = {{"05.03.2024", 2024, 3, 5},
                       {"5.3.24", 2024, 3, 5},
                       {"31.12.2024.", 2024, 12, 31},
                       {"5.3", 2026, 3, 5}};
    for (const Case& c : ru) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StrToDate(c.text, Ru()), EncodeDate(c.y, c.m, c.d));
    }
    const char* bad[] = {"",  "13/1/2024", "2/30/2024", "3-5-2024",  "3/5/2024x",       "3/5/2024 10:00",
                         "3", "a/b/c",     "3/5/",      "2/29/2023", "99999999999/1/1", "0/0/0"};
    for (const char* b : bad) {
        SCOPED_TRACE(b);
        TDateTime v = 1;
        EXPECT_FALSE(TryStrToDate(b, v, En()));
        EXPECT_EQ(v, 1);
        EXPECT_THROW(StrToDate(b, En()), EConvertError);
    }
    EXPECT_THROW(StrToDate("3/5/2024", Ru()), EConvertError);
    try {
        StrToDate("x", En());
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x' is not a valid date");
    }
}

TEST(StrToTime, Table) {
    struct Case {
        const char* text;
        int h, n, s, z;
    };
    const Case good[] = {{"14:07:09", 14, 7, 9, 0},        {"2:07 PM", 14, 7, 0, 0},
                         {"2:07:09.045 pm", 14, 7, 9, 45}, {"12:00 AM", 0, 0, 0, 0},
                         {"12:30 PM", 12, 30, 0, 0},       {"10", 10, 0, 0, 0},
                         {"AM 9:15", 9, 15, 0, 0},         {" 23:59:59 ", 23, 59, 59, 0}};
    for (const Case& c : good) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(StrToTime(c.text, En()), EncodeTime(c.h, c.n, c.s, c.z));
    }
    const char* bad[] = {"", "25:00", "13:00 PM", "0:30 AM", "10:60", "10:", "10:00:00x", "a"};
    for (const char* b : bad) {
        SCOPED_TRACE(b);
        EXPECT_THROW(StrToTime(b, En()), EConvertError);
    }
}

TEST_F(FixedClock, StrToDateTimeAndRoundTrips) {
    EXPECT_DOUBLE_EQ(StrToDateTime("3/5/2024 14:07:09", En()), EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("05.03.2024 14:07", Ru()), EncodeDateTime(2024, 3, 5, 14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("14:07", Ru()), EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(StrToDateTime("05.03.2024", Ru()), EncodeDate(2024, 3, 5));
    EXPECT_THROW(StrToDateTime("05.03.2024 xx", Ru()), EConvertError);
    EXPECT_THROW(StrToDateTime("", Ru()), EConvertError);

    const TDateTime values[] = {EncodeDateTime(2024, 3, 5, 14, 7, 9, 0),
                                EncodeDateTime(1999, 12, 31, 0, 0, 1, 0),
                                EncodeDate(2024, 2, 29),
                                EncodeDateTime(1899, 12, 29, 6, 0, 0, 0),
                                EncodeDateTime(9999, 12, 31, 23, 59, 59, 0),
                                EncodeDateTime(1, 1, 1, 12, 0, 0, 0)};
    for (const TFormatSettings* fs : {&En(), &Ru()}) {
        for (TDateTime v : values) {
            SCOPED_TRACE(DateTimeToStr(v, *fs).toStdString());
            EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(v, *fs), *fs), v);
            EXPECT_EQ(StrToDate(DateToStr(v, *fs), *fs), std::trunc(v));
        }
    }
}

// Formats and texts come from users: formatting never raises, parsing only answers yes or no.
TEST(FormatDateTime, AnyInputIsSafe) {
    const QString pieces[] = {"d", "m", "y", "h",  "n",     "s",    "z", "t", "c", "a",
                              "/", ":", "'", "\"", "am/pm", "ampm", "e", "g", " "};
    const TDateTime values[] = {EncodeDateTime(2024, 3, 5, 14, 7, 9, 45), -1.25, 0, 1e300};
    for (const QString& a : pieces)
        for (const QString& b : pieces)
            for (const QString& c : pieces)
                for (TDateTime v : values)
                    EXPECT_NO_THROW(FormatDateTime(a + b + c + a, v, En()));
    const QString textPieces[] = {"1", "12", "/", ":", ".", " ", "AM", "pm", "99999", "x", "-"};
    TDateTime v = 0;
    for (const QString& a : textPieces)
        for (const QString& b : textPieces)
            for (const QString& c : textPieces)
                for (const QString& d : textPieces) {
                    const QString s = a + b + c + d;
                    TryStrToDate(s, v, En());
                    TryStrToTime(s, v, Ru());
                    TryStrToDateTime(s, v, En());
                }
}

// The shell stores dates as "yyyy-mm-dd hh:nn:ss.zzz" and reads them with settings of that shape.
TEST(StrToDateTime, YearFirstStorageForm) {
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.DateSeparator = QLatin1Char('-');
    fs.ShortDateFormat = QStringLiteral("yyyy/mm/dd");
    const TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", v, fs), "2024-03-05 14:07:09.045");
    EXPECT_EQ(StrToDateTime("2024-03-05 14:07:09.045", fs), v);
    EXPECT_EQ(StrToDate("2024-03-05", fs), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDateTime("1899-12-29 06:00:00.000", fs), -1.25);
    EXPECT_THROW(StrToDateTime("2024-13-05 14:07:09", fs), EConvertError);
    EXPECT_THROW(StrToDateTime("2024-03-05 14:07:09.045 x", fs), EConvertError);
}
