#include "report/core/rptUtils.h"

#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Program.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QStringList Lines(const TStrings& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i)
        out << list.Get(i);
    return out;
}

QStringList Range(int from, int to) {
    QStringList out;
    for (int p = from; p <= to; ++p)
        out << QString::number(p);
    return out;
}

void FailOnQuestion(const QString& question) { ADD_FAILURE() << "unexpected: " << question.toStdString(); }

} // namespace

// ---------------------------------------------------------------------------------------------
// Areas

TEST(RectArea, OverlapNeedsMoreThanTheTolerance) {
    const TrptRectArea a(10, 10, 20, 20);
    struct Case {
        TrptRectArea Other;
        bool X, Y;
    };
    const Case cases[] = {
        {{20, 20, 30, 30}, false, false},           // touching edge to edge
        {{19.99995, 0, 30, 19.99995 + 1}, false, true}, // overlaps by less than 0.0001 across
        {{0, 0, 10.00005, 10.00005}, false, false},
        {{15, 0, 16, 5}, true, false},
        {{0, 15, 5, 16}, false, true},
        {{12, 12, 14, 14}, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(a.InterceptsX(c.Other), c.X) << c.Other.X << "," << c.Other.X1;
        EXPECT_EQ(a.InterceptsY(c.Other), c.Y) << c.Other.Y << "," << c.Other.Y1;
    }
    const auto x = a.InterceptX(TrptRectArea(15, 0, 40, 5));
    ASSERT_TRUE(x);
    EXPECT_DOUBLE_EQ(x->X, 15);
    EXPECT_DOUBLE_EQ(x->X1, 20);
    EXPECT_DOUBLE_EQ(x->Y, 0);
    EXPECT_DOUBLE_EQ(x->Y1, 0);
    const auto y = a.InterceptY(TrptRectArea(0, 5, 5, 12));
    ASSERT_TRUE(y);
    EXPECT_DOUBLE_EQ(y->Y, 10);
    EXPECT_DOUBLE_EQ(y->Y1, 12);
    EXPECT_DOUBLE_EQ(y->X1, 0);
    EXPECT_FALSE(a.InterceptX(TrptRectArea(20, 0, 30, 5)));
    EXPECT_FALSE(a.InterceptY(TrptRectArea(0, 0, 5, 10)));

    const TrptRect r = MakeReportRect(1, 2, 3, 4);
    EXPECT_EQ(r.Right, 3);
    EXPECT_EQ(MakeReportPoint(5, 6).Y, 6);
}

// ---------------------------------------------------------------------------------------------
// Numbers and text

TEST(ReportNumbers, FloatTextRoundTripsUnderTwoLocales) {
    for (const char* locale : {"en_US", "de_DE"}) {
        TFormatSettingsScope scope(QString::fromLatin1(locale));
        const QChar sep = FormatSettings().DecimalSeparator;
        SCOPED_TRACE(locale);
        EXPECT_EQ(FloatToReportStr(2), QStringLiteral("2"));
        EXPECT_EQ(FloatToReportStr(-40), QStringLiteral("-40"));
        EXPECT_EQ(FloatToReportStr(2.5), QStringLiteral("2") + sep + QStringLiteral("50"));
        EXPECT_EQ(FloatToReportStr(3.14159), QStringLiteral("3") + sep + QStringLiteral("14"));
        for (double v : {0.0, 2.0, 2.5, -17.25, 1234.75, 1e6})
            EXPECT_DOUBLE_EQ(ReportStrToFloat(FloatToReportStr(v)), v);

        EXPECT_DOUBLE_EQ(ReportStrToFloat(QStringLiteral("1 234,5")), 1234.5);
        EXPECT_DOUBLE_EQ(ReportStrToFloat(QStringLiteral(" 3.25 ")), 3.25);
        EXPECT_DOUBLE_EQ(ReportStrToFloat(QStringLiteral("-0,5")), -0.5);
        EXPECT_THROW(ReportStrToFloat(QStringLiteral("1.234,5")), EConvertError);
        EXPECT_THROW(ReportStrToFloat(QStringLiteral("abc")), EConvertError);
        EXPECT_TRUE(IsValidReportFloat(QStringLiteral("7,5")));
        EXPECT_FALSE(IsValidReportFloat(QStringLiteral("1,2.3")));
        EXPECT_FALSE(IsValidReportFloat(QString()));

        // Exports always write a point, two decimals, no grouping, whatever the locale.
        EXPECT_EQ(FloatToTextWithSeparator(2, QLatin1Char('.'), 595.28), QStringLiteral("595.28"));
        EXPECT_EQ(FloatToTextWithSeparator(2, QLatin1Char('.'), 0), QStringLiteral("0.00"));
        EXPECT_EQ(FloatToTextWithSeparator(2, QLatin1Char('.'), -3.5), QStringLiteral("-3.50"));
        EXPECT_EQ(FloatToTextWithSeparator(2, QLatin1Char('.'), 1234567.891), QStringLiteral("1234567.89"));
        EXPECT_EQ(FloatToTextWithSeparator(3, QLatin1Char(','), 0.1), QStringLiteral("0,100"));
        EXPECT_EQ(FloatToTextWithSeparator(0, QLatin1Char('.'), 841.89), QStringLiteral("842"));
    }
}

TEST(ReportText, ColorsAsHtml) {
    EXPECT_EQ(ColorToHtmlHex(clRed), QStringLiteral("#FF0000"));
    EXPECT_EQ(ColorToHtmlHex(0x00805020), QStringLiteral("#205080"));
    EXPECT_EQ(ColorToHtmlHex(clWhite), QStringLiteral("#FFFFFF"));
    const TColor saved = GetSysColor(COLOR_BTNFACE);
    SetSysColor(COLOR_BTNFACE, 0x00123456);
    EXPECT_EQ(ColorToHtmlHex(clBtnFace), QStringLiteral("#563412"));
    SetSysColor(COLOR_BTNFACE, saved);
}

TEST(ReportText, SplitDelimitedText) {
    struct Case {
        QString Text;
        QStringList Items;
    };
    const Case cases[] = {
        {QStringLiteral("a,b,,c"), {"a", "b", "", "c"}},
        {QStringLiteral(",a"), {"", "a"}},
        {QStringLiteral("a,"), {"a"}},
        {QString(), {}},
        {QStringLiteral("abc"), {"abc"}},
        {QStringLiteral(" a , \"b,c\""), {" a ", " \"b", "c\""}}, // no trimming, no quoting
        {QStringLiteral(","), {""}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.Add(QStringLiteral("stale"));
        SplitDelimitedText(c.Text, list, QLatin1Char(','));
        EXPECT_EQ(Lines(list), c.Items) << c.Text.toStdString();
    }
    TStringList list;
    SplitDelimitedText(QStringLiteral("1;2"), list, QLatin1Char(';'));
    EXPECT_EQ(Lines(list), (QStringList{"1", "2"}));
    EXPECT_EQ(SlashesToBackslashes(QStringLiteral("a/b/c.fr3")), QStringLiteral("a\\b\\c.fr3"));
    EXPECT_EQ(ReplaceChar(QStringLiteral("a-b-c"), QLatin1Char('-'), QLatin1Char('+')), QStringLiteral("a+b+c"));
}

TEST(ReportText, BracketedText) {
    struct Case {
        QString Text, Open, Close;
        int I;
        QString Result;
        int NewI, J;
    };
    const Case cases[] = {
        {"a[b]c", "[", "]", 2, "b", 2, 4},
        {"x[a[b]c]y", "[", "]", 2, "a[b]c", 2, 8},
        {"[ 'a]' ]", "[", "]", 1, " 'a]' ", 1, 8},          // a bracket inside single quotes
        {"[\"]\"]", "[", "]", 1, "\"]\"", 1, 5},            // ... and inside double quotes
        {"[\"it's\"]", "[", "]", 1, "\"it's\"", 1, 8},       // a single quote inside double quotes
        {"<%a%>b", "<%", "%>", 1, "a", 1, 5},                // multi-character brackets
        {"[SUM(<a>)]", "[", "]", 1, "SUM(<a>)", 1, 10},
        {"abc", "[", "]", 2, "", 2, 2},                      // not on a bracket: ends at once
        {"[abc", "[", "]", 1, "ab", 1, 4},                   // unclosed: runs to the last character
        {"]a[b]", "[", "]", 1, "a", 1, 3},                   // a close bracket first runs on
        {"", "[", "]", 1, "", 1, 1},
        {"ab", "[", "]", 5, "", 5, 5},
    };
    for (const Case& c : cases) {
        int i = c.I;
        int j = -1;
        EXPECT_EQ(ExtractBracketedText(c.Text, c.Open, c.Close, i, j), c.Result) << c.Text.toStdString();
        EXPECT_EQ(i, c.NewI) << c.Text.toStdString();
        EXPECT_EQ(j, c.J) << c.Text.toStdString();
    }
}

TEST(ReportText, DecodeCollectionText) {
    EXPECT_EQ(DecodeCollectionText(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(DecodeCollectionText(QStringLiteral("a") + QChar(1) + QChar(0x41) + QStringLiteral("b")),
              QStringLiteral("a") + QChar(0xC1) + QStringLiteral("b"));
    EXPECT_EQ(DecodeCollectionText(QString(QChar(1)) + QChar(1) + QChar(1)), QString(QChar(0x81)) + QChar(1));
}

// ---------------------------------------------------------------------------------------------
// Page lists

TEST(PageRanges, ListsRangesAndClamping) {
    struct Case {
        QString Text;
        int Pages;
        TrptPageSelection Selection;
        QStringList Numbers;
    };
    const auto All = TrptPageSelection::AllPages;
    const auto Some = TrptPageSelection::SomePages;
    const auto None = TrptPageSelection::NoPages;
    const Case cases[] = {
        {"1,3,5-12", 20, Some, QStringList{"1", "3"} + Range(5, 12)},
        {"5-", 9, Some, Range(5, 9)},
        {"1-3-5", 9, Some, Range(3, 5)},
        {" 1 , 2 - 3 ", 9, Some, Range(1, 3)},
        {"2,2,1", 9, Some, {"2", "2", "1"}},
        {"", 9, All, {}},
        {"   ", 9, All, {}},
        {"3-1", 9, None, {}},
        {"1-2000000000", 9, Some, Range(1, 9)}, // clamped instead of two billion entries
        {"12", 9, None, {}},
        {"12-20", 9, None, {}},
        {"8-20,30", 9, Some, Range(8, 9)},
        {"0-2", 9, Some, Range(1, 2)},
        {"0", 9, None, {}},
        {"1", 0, None, {}},
        {"2-", 0, None, {}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.Add(QStringLiteral("stale"));
        EXPECT_EQ(ParsePageRanges(c.Text, list, c.Pages), c.Selection) << c.Text.toStdString();
        EXPECT_EQ(Lines(list), c.Numbers) << c.Text.toStdString();
    }
}

TEST(PageRanges, MalformedListsRaiseAndLeaveTheListAlone) {
    for (const char* text : {"-", "1,,2", "a", "1-x", "1,2,", ",1", "1--3", "99999999999"}) {
        TStringList list;
        list.Add(QStringLiteral("kept"));
        EXPECT_THROW((void)ParsePageRanges(QString::fromLatin1(text), list, 3), EConvertError) << text;
        EXPECT_EQ(Lines(list), QStringList{"kept"}) << text;
    }
}

// ---------------------------------------------------------------------------------------------
// Streams

TEST(ReportStreams, Crc32KeepsThePosition) {
    struct Case {
        QByteArray Bytes;
        quint32 Crc;
    };
    const Case cases[] = {
        {"abc", 0x352441C2u},
        {"123456789", 0xCBF43926u},
        {"", 0u},
    };
    for (const Case& c : cases) {
        TBytesStream s(c.Bytes);
        s.SetPosition(c.Bytes.size() / 2);
        const quint32 crc = StreamCrc32(s);
        EXPECT_EQ(crc, c.Crc) << c.Bytes.toStdString();
        EXPECT_EQ(s.Position(), c.Bytes.size() / 2);
    }
    // The checksum covers the whole stream, not only what lies after the position.
    TBytesStream a(QByteArray("xxabc"));
    TBytesStream b(QByteArray("abc"));
    a.SetPosition(2);
    EXPECT_NE(StreamCrc32(a), StreamCrc32(b));
    // Large streams go through in pieces: the same bytes give the same value whichever way.
    QByteArray big(300000, '\0');
    for (int k = 0; k < big.size(); ++k)
        big[k] = static_cast<char>((static_cast<unsigned>(k) * 7919u) >> 3);
    TBytesStream whole(big);
    TBytesStream doubled(big + big);
    doubled.SetSize(big.size());
    EXPECT_EQ(StreamCrc32(whole), StreamCrc32(doubled));
}

TEST(ReportStreams, HexTextBothWays) {
    TBytesStream s(QByteArray("\x00\xAB\x10\xFF", 4));
    s.SetPosition(3);
    EXPECT_EQ(StreamToHexText(s), QStringLiteral("00AB10FF"));
    TBytesStream empty;
    EXPECT_EQ(StreamToHexText(empty), QString());

    struct Case {
        QString Text;
        QByteArray Before, After;
    };
    const Case cases[] = {
        {"00ab10FF", "", QByteArray("\x00\xAB\x10\xFF", 4)},
        {"4142", "XXXXXX", "ABXXXX"},                          // not truncated
        {"41ZZ42", "", QByteArray("A\0\0", 3)},                // from a bad pair on, zeros
        {"414", "", "A"},                                      // an odd digit is ignored
        {"", "keep", "keep"},
    };
    for (const Case& c : cases) {
        TBytesStream t(c.Before);
        t.SetPosition(t.Size());
        HexTextToStream(c.Text, t);
        EXPECT_EQ(t.Bytes(), c.After) << c.Text.toStdString();
    }
    TBytesStream round;
    HexTextToStream(StreamToHexText(s), round);
    EXPECT_EQ(round.Bytes(), s.Bytes());
}

// ---------------------------------------------------------------------------------------------
// Messages

TEST(ReportMessages, BoxesTakeTheirCaptionsFromTheStringTable) {
    TUIServicesScope ui(FailOnQuestion);
    SetReportTextLookup(nullptr);
    ui->AnswerMessage(mrOk, QStringLiteral("first"));
    ShowInfoMessage(QStringLiteral("first"));
    ASSERT_EQ(ui->Messages().size(), 1u);
    EXPECT_EQ(ui->Messages()[0].Caption, QStringLiteral("mbInfo")); // no table yet: the key
    EXPECT_EQ(ui->Messages()[0].Icon, TMessageIcon::Information);

    SetReportTextLookup([](const QString& key) {
        if (key == QLatin1String("mbError")) return QStringLiteral("Error");
        if (key == QLatin1String("mbConfirm")) return QStringLiteral("Confirm");
        return key;
    });
    ui->AnswerMessage(mrOk, QStringLiteral("broken"));
    ShowErrorMessage(QStringLiteral("broken"));
    ui->AnswerMessage(mrNo, QStringLiteral("sure?"));
    EXPECT_EQ(ShowConfirmMessage(QStringLiteral("sure?"), MB_YESNOCANCEL), IDNO);
    SetReportTextLookup(nullptr);

    ASSERT_EQ(ui->Messages().size(), 3u);
    const TMessageRequest& error = ui->Messages()[1];
    EXPECT_EQ(error.Caption, QStringLiteral("Error"));
    EXPECT_EQ(error.Icon, TMessageIcon::Error);
    EXPECT_EQ(error.Buttons, TMsgDlgButtons{mbOK});
    const TMessageRequest& confirm = ui->Messages()[2];
    EXPECT_EQ(confirm.Caption, QStringLiteral("Confirm"));
    EXPECT_EQ(confirm.Icon, TMessageIcon::Question);
    EXPECT_EQ(confirm.Buttons, (TMsgDlgButtons{mbYes, mbNo, mbCancel}));
    ui->Verify();
}

TEST(ReportMessages, HandleReportErrorFollowsTheSilentMode) {
    TUIServicesScope ui(FailOnQuestion);
    ui->AnswerMessage(mrOk, QStringLiteral("clErrors"));
    HandleReportError(simMessageBoxes, QStringLiteral("clErrors\r\nline 1"));
    EXPECT_EQ(ui->Messages().size(), 1u);

    HandleReportError(simSilent, QStringLiteral("quiet"));
    try {
        HandleReportError(simReThrow, QStringLiteral("raised"));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("raised"));
        EXPECT_EQ(e.ClassName(), QStringLiteral("Exception"));
    }
    EXPECT_EQ(ui->Messages().size(), 1u); // neither of the others asked anything
    ui->Verify();
    EXPECT_EQ(GetEnumName(TypeInfoOf(static_cast<TrptSilentMode*>(nullptr)), simReThrow), QStringLiteral("simReThrow"));
}

// ---------------------------------------------------------------------------------------------
// Components

TEST(ReportComponents, FindByDottedNamesAndFullNames) {
    auto* form = new TForm(Application);
    form->SetName(QStringLiteral("UtilTestForm"));
    auto* edit = new TComponent(form);
    edit->SetName(QStringLiteral("Edit1"));
    auto* module = new TDataModule(Application);
    module->SetName(QStringLiteral("UtilTestModule"));
    auto* query = new TComponent(module);
    query->SetName(QStringLiteral("Query1"));
    TComponent loose;
    loose.SetName(QStringLiteral("Loose"));
    auto* inner = new TComponent(&loose);
    inner->SetName(QStringLiteral("Inner"));

    EXPECT_EQ(FindReportComponent(nullptr, QStringLiteral("UtilTestForm.Edit1")), edit);
    EXPECT_EQ(FindReportComponent(nullptr, QStringLiteral("utiltestform.EDIT1")), edit);
    EXPECT_EQ(FindReportComponent(nullptr, QStringLiteral("UtilTestModule.Query1")), query);
    EXPECT_EQ(FindReportComponent(nullptr, QStringLiteral("UtilTestForm.Missing")), nullptr);
    EXPECT_EQ(FindReportComponent(nullptr, QStringLiteral("NoSuchForm.Edit1")), nullptr);
    EXPECT_EQ(FindReportComponent(nullptr, QStringLiteral("UtilTestForm.Edit1.Deeper")), nullptr);
    EXPECT_EQ(FindReportComponent(form, QStringLiteral("Edit1")), edit);
    EXPECT_EQ(FindReportComponent(form, QStringLiteral("Query1")), nullptr);
    EXPECT_EQ(FindReportComponent(nullptr, QStringLiteral("Edit1")), nullptr);

    EXPECT_EQ(ComponentFullName(form, nullptr), QString());
    EXPECT_EQ(ComponentFullName(form, edit), QStringLiteral("Edit1"));
    EXPECT_EQ(ComponentFullName(module, edit), QStringLiteral("UtilTestForm.Edit1"));
    EXPECT_EQ(ComponentFullName(form, query), QStringLiteral("UtilTestModule.Query1"));
    EXPECT_EQ(ComponentFullName(form, &loose), QStringLiteral("Loose")); // no owner
    EXPECT_EQ(ComponentFullName(form, inner), QString());              // owner neither form nor module
    // A full name leads back to the component.
    EXPECT_EQ(FindReportComponent(module, ComponentFullName(module, edit)), edit);

    std::unique_ptr<TForm> freeForm(form);
    std::unique_ptr<TDataModule> freeModule(module);
}

// ---------------------------------------------------------------------------------------------
// Files and folders

TEST(ReportFiles, TemporaryFilesAreNewPrivateAndJoinedWithSlashes) {
    const QString first = NewTempFileName();
    const QString second = NewTempFileName();
    EXPECT_NE(first, second);
    for (const QString& name : {first, second}) {
        const QFileInfo info(name);
        EXPECT_TRUE(info.exists()) << name.toStdString();
        EXPECT_EQ(info.size(), 0);
        EXPECT_TRUE(info.fileName().startsWith(QLatin1String("fr")));
        EXPECT_TRUE(info.fileName().endsWith(QLatin1String(".tmp")));
        EXPECT_EQ(info.path() + QLatin1Char('/'), TempFolderPath());
        EXPECT_EQ(info.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);
    }
    QTemporaryDir dir;
    const QString inFolder = NewTempFileNameIn(dir.path()); // no trailing "/"
    EXPECT_EQ(QFileInfo(inFolder).path(), dir.path());
    EXPECT_FALSE(inFolder.contains(QLatin1String("//")));
    EXPECT_TRUE(QFileInfo::exists(inFolder));
    EXPECT_TRUE(NewTempFileNameIn(dir.path() + QLatin1Char('/')).startsWith(dir.path() + QLatin1String("/fr")));
    EXPECT_TRUE(NewTempFileNameIn(QString()).startsWith(TempFolderPath()));
    EXPECT_THROW(NewTempFileNameIn(dir.filePath(QStringLiteral("missing"))), EInOutError);

    EXPECT_TRUE(TempFolderPath().endsWith(QLatin1Char('/')));
    EXPECT_TRUE(ExeFolderPath().endsWith(QLatin1Char('/')));
    EXPECT_EQ(ExeFolderPath(), ProgramFolder());
    EXPECT_TRUE(QFileInfo::exists(ModuleFileName()));
}
