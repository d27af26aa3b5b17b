#include "report/core/rptWideStrings.h"

#include "platform/rtl/Streams.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/Filer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

QStringList Lines(const TStrings& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i)
        out << list.Get(i);
    return out;
}

// Pins the report library's system code page for one test.
class TCodePageScope {
public:
    explicit TCodePageScope(int codePage) : FSaved(SystemCodePage()) { SetSystemCodePage(codePage); }
    ~TCodePageScope() { SetSystemCodePage(FSaved); }

private:
    int FSaved;
};

class TLangIdScope {
public:
    explicit TLangIdScope(const char* id) : FHad(qEnvironmentVariableIsSet("KORVEL_LANGID")),
                                            FSaved(qgetenv("KORVEL_LANGID")) {
        qputenv("KORVEL_LANGID", id);
    }
    ~TLangIdScope() {
        if (FHad)
            qputenv("KORVEL_LANGID", FSaved);
        else
            qunsetenv("KORVEL_LANGID");
    }

private:
    bool FHad;
    QByteArray FSaved;
};

} // namespace

TEST(WideStrings, TextSplitsAtEveryKindOfBreak) {
    struct Case {
        QString Text;
        QStringList Lines;
    };
    const QChar ls(0x2028);
    const Case cases[] = {
        {QStringLiteral("a\r\nb\rc\n"), {"a", "b", "c"}},
        {QStringLiteral("a\n\rb"), {"a", "", "b"}},
        {QStringLiteral("a") + ls + QStringLiteral("b"), {"a", "b"}},
        {QStringLiteral("a\r\n") + ls + QStringLiteral("b"), {"a", "b"}}, // CR, LF, U+2028 as one break
        {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), {"a"}},    // NUL ends the text
        {QStringLiteral("a\r\n\r\n"), {"a", ""}},
        {QString(), {}},
        {QStringLiteral("\n"), {""}},
    };
    for (const Case& c : cases) {
        TrptWideStrings list;
        list.SetText(c.Text);
        EXPECT_EQ(Lines(list), c.Lines) << c.Text.toStdString();
    }
    TrptWideStrings list;
    list.SetText(QStringLiteral("a\r\nb\rc\n"));
    EXPECT_EQ(list.Text(), QStringLiteral("a\r\nb\r\nc\r\n"));
}

TEST(WideStrings, InsertReplacesAndOutOfRangeIsRefused) {
    TrptWideStrings list;
    list.Add(QStringLiteral("a"));
    list.Add(QStringLiteral("b"));
    list.Insert(0, QStringLiteral("x"));
    EXPECT_EQ(Lines(list), (QStringList{"x", "b"}));
    list.Put(1, QStringLiteral("y"));
    list.Insert(2, QStringLiteral("z")); // at Count appends
    EXPECT_EQ(Lines(list), (QStringList{"x", "y", "z"}));
    try {
        list.Insert(4, QStringLiteral("w"));
        FAIL() << "no error";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Wide String Out of Bounds"));
    }
    EXPECT_THROW(list.Put(-1, QStringLiteral("w")), EStringListError);
    EXPECT_EQ(Lines(list), (QStringList{"x", "y", "z"}));

    EXPECT_EQ(list.Get(-1), QString());
    EXPECT_EQ(list.Get(list.Count()), QString());
    EXPECT_EQ(list.GetObject(7), nullptr);
    list.PutObject(7, &list); // nothing happens
    EXPECT_EQ(list.IndexOf(QStringLiteral("Y")), -1); // exact comparison
    EXPECT_EQ(list.IndexOf(QStringLiteral("y")), 1);

    // Moving keeps every line, which replacing would not.
    list.Move(0, 2);
    EXPECT_EQ(Lines(list), (QStringList{"y", "z", "x"}));
    list.Move(2, 0);
    EXPECT_EQ(Lines(list), (QStringList{"x", "y", "z"}));
    list.Delete(1);
    EXPECT_EQ(Lines(list), (QStringList{"x", "z"}));
}

TEST(WideStrings, AssignCarriesObjectsBothWays) {
    TStringList plain;
    TObject marker;
    plain.AddObject(QStringLiteral("one"), &marker);
    plain.Add(QStringLiteral("two"));

    TrptWideStrings wide;
    wide.Add(QStringLiteral("old"));
    wide.Assign(plain);
    EXPECT_EQ(Lines(wide), (QStringList{"one", "two"}));
    EXPECT_EQ(wide.GetObject(0), &marker);

    TStringList back;
    back.Add(QStringLiteral("stale"));
    wide.AssignTo(back);
    EXPECT_EQ(Lines(back), (QStringList{"one", "two"}));
    EXPECT_EQ(back.GetObject(0), &marker);

    TrptWideStrings copy;
    wide.AssignTo(copy);
    EXPECT_EQ(Lines(copy), Lines(wide));
    copy.AddStrings(copy); // from itself
    EXPECT_EQ(copy.Count(), 4);
    EXPECT_EQ(copy.GetObject(2), &marker);
}

TEST(WideStrings, StreamsReadMarkOrSystemCodePageAndWriteUtf16) {
    TCodePageScope cp(1251);
    struct Case {
        QByteArray Bytes;
        QStringList Lines;
    };
    const Case cases[] = {
        {QByteArray("\xFF\xFE" "a\0b\0", 6), {"ab"}},
        {QByteArray("ab\n"), {"ab"}},
        {QByteArray("\xFF\xFE"), {QString::fromUtf8("\xD1\x8F\xD1\x8E")}}, // just the mark: 8-bit text
        {QByteArray("\xC0\xE1\r\n\xE2"), {QString::fromUtf8("\xD0\x90\xD0\xB1"), QString::fromUtf8("\xD0\xB2")}},
    };
    for (const Case& c : cases) {
        TBytesStream s(c.Bytes);
        TrptWideStrings list;
        list.LoadFromStream(s);
        EXPECT_EQ(Lines(list), c.Lines) << c.Bytes.toHex().toStdString();
    }

    TrptWideStrings list;
    list.SetText(QString::fromUtf8("\xD0\xAF\nb"));
    TBytesStream out;
    list.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), QByteArray("\x2F\x04\r\0\n\0b\0\r\0\n\0", 12));

    out.SetPosition(0);
    TrptWideStrings again;
    again.LoadFromWStream(out);
    EXPECT_EQ(Lines(again), Lines(list));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lines.txt"));
    list.SaveToFile(file);
    TrptWideStrings fromFile;
    TBytesStream marked(QByteArray("\xFF\xFE", 2) + out.Bytes());
    marked.SaveToFile(file);
    fromFile.LoadFromFile(file);
    EXPECT_EQ(Lines(fromFile), Lines(list));
    EXPECT_THROW(fromFile.LoadFromFile(dir.filePath(QStringLiteral("missing.txt"))), EFOpenError);
}

namespace {

class TWideHolder : public TPersistent {
public:
    TrptWideStrings Lines;

protected:
    void DefineProperties(TFiler* filer) override { Lines.DefineProperties(filer); }
};

QByteArray PropName(const char* name) {
    QByteArray b;
    b.append(static_cast<char>(qstrlen(name)));
    b.append(name);
    return b;
}

QByteArray ShortString(const QByteArray& bytes) {
    QByteArray b;
    b.append(static_cast<char>(vaString));
    b.append(static_cast<char>(bytes.size()));
    b.append(bytes);
    return b;
}

} // namespace

TEST(WideStrings, BinaryPropertiesWriteUtf8WAndReadTheOlderForms) {
    TWideHolder holder;
    TWriter empty;
    empty.WriteDefinedProperties(&holder);
    EXPECT_TRUE(empty.Data().isEmpty()); // nothing for an empty list

    holder.Lines.Add(QStringLiteral("plain"));
    holder.Lines.Add(QString::fromUtf8("\xD0\x96\xD1\x83\xD0\xBA"));
    TWriter writer;
    writer.WriteDefinedProperties(&holder);
    TWideHolder read;
    TReader(writer.Data()).ReadDefinedProperties(&read);
    EXPECT_EQ(Lines(read.Lines), Lines(holder.Lines));

    // "UTF8": 8-bit strings that hold UTF-8 bytes.
    const QByteArray utf8 = PropName("UTF8") + QByteArray(1, vaList) + ShortString("\xD0\x96\xD1\x83\xD0\xBA") +
                            ShortString("ok") + QByteArray(1, vaNull);
    TWideHolder fromUtf8;
    TReader(utf8).ReadDefinedProperties(&fromUtf8);
    EXPECT_EQ(Lines(fromUtf8.Lines), (QStringList{QString::fromUtf8("\xD0\x96\xD1\x83\xD0\xBA"), "ok"}));

    // "Strings": 8-bit strings in the system code page.
    TCodePageScope cp(1251);
    const QByteArray ansi = PropName("Strings") + QByteArray(1, vaList) + ShortString("\xC6\xF3\xEA") + QByteArray(1, vaNull);
    TWideHolder fromAnsi;
    TReader(ansi).ReadDefinedProperties(&fromAnsi);
    EXPECT_EQ(Lines(fromAnsi.Lines), (QStringList{QString::fromUtf8("\xD0\x96\xD1\x83\xD0\xBA")}));
}

TEST(CodePages, CharsetsMapToTheirCodePagesAndTextRoundTrips) {
    TCodePageScope cp(1252);
    struct Case {
        int Charset;
        const char* Utf8;
        QByteArray Bytes;
    };
    const Case cases[] = {
        {0, "\xE2\x82\xAC", QByteArray("\x80")},                         // 1252
        {1, "\xC3\xA9", QByteArray("\xE9")},                             // the system code page
        {204, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2")},
        {238, "\xC5\x91", QByteArray("\xF5")},                           // 1250
        {161, "\xCE\xA9", QByteArray("\xD9")},                           // 1253
        {162, "\xC4\x9F", QByteArray("\xF0")},                           // 1254
        {177, "\xD7\xA9", QByteArray("\xF9")},                           // 1255
        {178, "\xD8\xB9", QByteArray("\xDA")},                           // 1256
        {186, "\xC4\x85", QByteArray("\xE0")},                           // 1257
        {163, "\xC6\xB0", QByteArray("\xFD")},                           // 1258
        {222, "\xE0\xB8\x81", QByteArray("\xA1")},                       // 874
        {128, "\xE6\x97\xA5\xE6\x9C\xAC", QByteArray("\x93\xFA\x96\x7B")}, // 932
        {129, "\xED\x95\x9C", QByteArray("\xC7\xD1")},                   // 949
        {130, "\xED\x95\x9C", QByteArray("\xD0\x65")},                   // Johab
        {134, "\xE4\xB8\xAD", QByteArray("\xD6\xD0")},                   // 936
        {136, "\xE4\xB8\xAD", QByteArray("\xA4\xA4")},                   // 950
        {77, "\xC3\xA9", QByteArray("\x8E")},                            // Mac Roman beside 1252
        {255, "\xD0\x9F", QByteArray("\x8F")},                           // OEM: 437 has no Cyrillic ...
        {2, "\xEF\x81\xA1", QByteArray("a")},                            // symbol: U+F061
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.Utf8);
        SCOPED_TRACE(c.Charset);
        if (c.Charset == 255) {
            EXPECT_EQ(WideToAnsiText(text, c.Charset), QByteArray("?")); // ... so it becomes "?"
            continue;
        }
        EXPECT_EQ(WideToAnsiText(text, c.Charset), c.Bytes);
        EXPECT_EQ(AnsiToWideText(c.Bytes, c.Charset), text);
    }
    EXPECT_EQ(AnsiToWideText(QByteArray(), 204), QString());
    EXPECT_EQ(WideToAnsiText(QString::fromUtf8("a\xD0\x96\xF0\x9F\x98\x80"), 0), QByteArray("a??"));

    // An explicit code page wins over the character set.
    EXPECT_EQ(WideToAnsiText(QString::fromUtf8("\xD0\x9F"), 0, 866), QByteArray("\x8F"));
    EXPECT_THROW(AnsiToWideText("x", 0, 12345), EConvertError);
}

TEST(CodePages, SystemCodePageFollowsTheLanguageAndDrivesOemAndMac) {
    const int saved = SystemCodePage();
    for (const char* id : {"1049", "1058", "1059", "1087", "1067", "2092", "1088", "1064"}) {
        TLangIdScope lang(id);
        SetSystemCodePage(0);
        EXPECT_EQ(SystemCodePage(), 1251) << id;
        EXPECT_EQ(CodePageOfCharset(1), 1251);
        EXPECT_EQ(OemCodePage(), 866);
        EXPECT_EQ(MacCodePage(), 10007);
    }
    for (const char* id : {"1033", "1031", "1068", "1045"}) {
        TLangIdScope lang(id);
        SetSystemCodePage(0);
        EXPECT_EQ(SystemCodePage(), 1252) << id;
        EXPECT_EQ(OemCodePage(), 437);
    }
    SetSystemCodePage(saved);
    EXPECT_THROW(SetSystemCodePage(4242), EConvertError);
    EXPECT_EQ(SystemCodePage(), saved);

    TCodePageScope cp(1251);
    EXPECT_EQ(CodePageOfCharset(77), 2);
    EXPECT_EQ(CodePageOfCharset(255), 1);
    EXPECT_THROW(CodePageOfCharset(3), EOSError);
    EXPECT_EQ(AnsiToWideText("\x9F", 77), QString::fromUtf8("\xD0\xAF")); // Mac Cyrillic beside 1251
    // OEM 866 to 1251, byte for byte; a box-drawing line has no place in 1251.
    EXPECT_EQ(OemToAnsiText(QByteArray("\x8F\xE0\xA8\xA2\xA5\xE2")), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"));
    EXPECT_EQ(OemToAnsiText(QByteArray("a\xC4z")), QByteArray("a?z"));
}

TEST(CodePages, LocaleOfCharset) {
    const std::pair<int, unsigned> table[] = {{128, 1041}, {129, 1042}, {130, 2066}, {134, 2052}, {136, 3076},
                                              {161, 1032}, {162, 1055}, {163, 1066}, {177, 1037}, {178, 13313},
                                              {186, 1061}, {204, 1049}, {222, 1054}, {238, 1029}};
    for (const auto& [charset, locale] : table)
        EXPECT_EQ(LocaleOfCharset(charset), locale) << charset;
    TLangIdScope lang("1036");
    EXPECT_EQ(LocaleOfCharset(0), 1036u);
    EXPECT_EQ(LocaleOfCharset(1), 1036u);
}
