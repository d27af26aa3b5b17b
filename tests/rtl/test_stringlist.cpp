#include "platform/rtl/StringList.h"
#include "platform/rtl/TextCase.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

QStringList Lines(const TStrings& list) { return list.ToStringList(); }

struct TTracked : TObject {
    explicit TTracked(int& counter) : FCounter(counter) {}
    ~TTracked() override { ++FCounter; }
    int& FCounter;
};

} // namespace

TEST(StringList, SortedInsertionAndDuplicates) {
    struct Case {
        TDuplicates dup;
        QStringList expected;
    };
    const Case cases[] = {
        {dupIgnore, {"apple", "Banana", "cherry"}},
        {dupAccept, {"apple", "Banana", "banana", "cherry"}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.dup);
        list.Add("cherry");
        list.Add("banana");
        list.Add("apple");
        const int again = list.Add("Banana"); // equal without regard to case
        EXPECT_EQ(Lines(list).size(), c.expected.size()) << c.dup;
        if (c.dup == dupIgnore) {
            EXPECT_EQ(again, 1); // the index of the text already there
            EXPECT_EQ(list[1], "banana");
        } else {
            EXPECT_EQ(list[0], "apple");
            EXPECT_EQ(list[3], "cherry");
        }
    }

    TStringList strict;
    strict.SetSorted(true);
    strict.SetDuplicates(dupError);
    strict.Add("x");
    try {
        strict.Add("X");
        FAIL() << "a duplicate was accepted";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    }
    EXPECT_EQ(strict.Count(), 1);
}

TEST(StringList, CaseSensitiveFindAndResort) {
    TStringList list;
    list.SetSorted(true);
    list.SetCaseSensitive(true);
    list.Add("b");
    list.Add("B");
    list.Add("a");
    EXPECT_EQ(list.Count(), 3); // "b" and "B" differ
    int index = -1;
    EXPECT_TRUE(list.Find("B", index));
    EXPECT_EQ(list[index], "B");
    EXPECT_EQ(list.IndexOf("A"), -1);
    // Sorted order agrees with the list's own comparison.
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LT(AnsiCompareStr(list[i - 1], list[i]), 0);

    list.SetCaseSensitive(false);
    EXPECT_NE(list.IndexOf("A"), -1);
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LE(AnsiCompareText(list[i - 1], list[i]), 0);

    // A missing text reports where it would go.
    TStringList words;
    words.AddStrings(QStringList{"delta", "alpha", "charlie"});
    words.SetSorted(true);
    EXPECT_EQ(Lines(words), (QStringList{"alpha", "charlie", "delta"}));
    EXPECT_FALSE(words.Find("bravo", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(words.Find("zulu", index));
    EXPECT_EQ(index, 3);
}

TEST(StringList, SortedListRefusesPositionalChanges) {
    TStringList list;
    list.AddStrings(QStringList{"b", "a"});
    list.SetSorted(true);
    EXPECT_THROW(list.Insert(0, "z"), EStringListError);
    EXPECT_THROW(list.SetStrings(0, "z"), EStringListError);
    EXPECT_EQ(Lines(list), (QStringList{"a", "b"}));
    // Changing the duplicates rule leaves present lines alone.
    TStringList dups;
    dups.AddStrings(QStringList{"x", "x"});
    dups.SetDuplicates(dupError);
    EXPECT_EQ(dups.Count(), 2);
}

TEST(StringList, IndexErrorsNameTheIndex) {
    TStringList list;
    list.AddStrings(QStringList{"a", "b"});
    const auto expectError = [&](auto&& action, int index) {
        try {
            action();
            ADD_FAILURE() << "no error for index " << index;
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds (%1)").arg(index));
            EXPECT_TRUE(e.InheritsFrom("EListError"));
        }
    };
    expectError([&] { (void)list.Strings(2); }, 2);
    expectError([&] { (void)list.Strings(-1); }, -1);
    expectError([&] { list.SetStrings(5, "x"); }, 5);
    expectError([&] { (void)list.Objects(2); }, 2);
    expectError([&] { list.SetObjects(3, nullptr); }, 3);
    expectError([&] { list.Delete(2); }, 2);
    expectError([&] { list.Insert(3, "x"); }, 3);
    expectError([&] { list.Exchange(0, 7); }, 7);
    expectError([&] { list.Move(0, 2); }, 2);
    EXPECT_EQ(Lines(list), (QStringList{"a", "b"}));
    list.Insert(2, "c"); // at Count is an append
    EXPECT_EQ(list[2], "c");
}

TEST(StringList, NamesAndValues) {
    TStringList list;
    list.AddStrings(QStringList{"server=C:\\db\\a.db", "plain", "=empty name", "key=a=b", "KEY=second"});
    EXPECT_EQ(list.Names(0), "server");
    EXPECT_EQ(list.Names(1), ""); // no separator: no name
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Values("Server"), "C:\\db\\a.db"); // names compare without case
    EXPECT_EQ(list.Values("key"), "a=b");            // the first line, '=' kept after the first
    EXPECT_EQ(list.Values("plain"), "");
    EXPECT_EQ(list.Values("missing"), "");
    EXPECT_EQ(list.IndexOfName("plain"), -1);
    EXPECT_EQ(list.IndexOfName(""), 2);
    EXPECT_EQ(list.ValueFromIndex(1), "");
    EXPECT_EQ(list.ValueFromIndex(3), "a=b");

    list.SetValues("key", "new");
    EXPECT_EQ(list[3], "key=new");
    list.SetValues("added", "1");
    EXPECT_EQ(list[list.Count() - 1], "added=1");
    list.SetValues("server", ""); // empty value removes the line
    EXPECT_EQ(list.IndexOfName("server"), -1);
    list.SetValues("nothing", ""); // and adds nothing
    EXPECT_EQ(list.Count(), 5);

    list.SetNameValueSeparator(':');
    list.Add("host:example");
    EXPECT_EQ(list.Values("HOST"), "example");
}

TEST(StringList, DelimitedTextWriting) {
    struct Case {
        QStringList lines;
        QString comma;
    };
    const Case cases[] = {
        {{"a", "b", "c"}, "a,b,c"},
        {{"two words", "x"}, "\"two words\",x"},
        {{"a,b", "say \"hi\""}, "\"a,b\",\"say \"\"hi\"\"\""},
        {{"", "b", ""}, ",b,"},
        {{""}, "\"\""},
        {{}, ""},
        {{"tab\there"}, "\"tab\there\""},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.AddStrings(c.lines);
        EXPECT_EQ(list.CommaText(), c.comma) << c.lines.join('|').toStdString();
        TStringList back;
        back.SetCommaText(c.comma);
        EXPECT_EQ(Lines(back), c.lines) << c.comma.toStdString();
    }

    TStringList strict;
    strict.AddStrings(QStringList{"two words", "x;y", "q'q"});
    strict.SetDelimiter(';');
    strict.SetQuoteChar('\'');
    strict.SetStrictDelimiter(true);
    EXPECT_EQ(strict.DelimitedText(), "two words;'x;y';'q''q'");
}

TEST(StringList, DelimitedTextReading) {
    struct Case {
        QString text;
        bool strict;
        QStringList lines;
    };
    const Case cases[] = {
        {"a b,c", false, {"a", "b", "c"}},                // unquoted blanks split
        {"a b,c", true, {"a b", "c"}},                    // not when strict
        {"  a ,  b  ", false, {"a", "b"}},                // blanks around items dropped
        {" a , b ", true, {" a ", " b "}},
        {"a,,b", false, {"a", "", "b"}},
        {"a,b,", false, {"a", "b", ""}},                  // trailing delimiter: empty last item
        {"a, ", false, {"a"}},                            // but not when blanks follow it
        {"\"x, y\",z", false, {"x, y", "z"}},
        {"\"he said \"\"no\"\"\"", false, {"he said \"no\""}},
        {"\"unclosed, text", false, {"unclosed, text"}},
        {"\"a\"b,c", false, {"a", "b", "c"}},             // text after a closing quote is an item
        {"", false, {}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetStrictDelimiter(c.strict);
        list.SetDelimitedText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << c.text.toStdString() << " strict=" << c.strict;
    }
}

TEST(StringList, TextWithMixedLineBreaks) {
    TStringList list;
    list.SetText("a\r\nb\rc\nd\n\re");
    EXPECT_EQ(Lines(list), (QStringList{"a", "b", "c", "d", "", "e"}));
    list.SetText("one\r\ntwo\r\n");
    EXPECT_EQ(Lines(list), (QStringList{"one", "two"})); // no empty last line
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\n");
    list.SetLineBreak("\n");
    EXPECT_EQ(list.Text(), "one\ntwo\n");
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text(), "");
}

TEST(StringList, ChangeEventsAndUpdateBracket) {
    TStringList list;
    QStringList log;
    list.OnChanging = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        log << "changing";
    };
    list.OnChange = [&](TObject*) { log << "change"; };
    list.Add("a");
    EXPECT_EQ(log, (QStringList{"changing", "change"}));
    log.clear();
    list.BeginUpdate();
    list.Add("b");
    list.Add("c");
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(log, (QStringList{"changing", "change"})); // once for the whole bracket
    log.clear();
    list.SetText("x\ny");
    EXPECT_EQ(log, (QStringList{"changing", "change"}));
}

TEST(StringList, ObjectsMoveExchangeAndOwnership) {
    int freed = 0;
    {
        TStringList list(true);
        auto* a = new TTracked(freed);
        auto* b = new TTracked(freed);
        list.AddObject("a", a);
        list.AddObject("b", b);
        list.Add("c");
        EXPECT_EQ(list.IndexOfObject(b), 1);
        list.Move(0, 2); // moving keeps the object alive
        EXPECT_EQ(freed, 0);
        EXPECT_EQ(Lines(list), (QStringList{"b", "c", "a"}));
        EXPECT_EQ(list.Objects(2), a);
        list.Exchange(0, 2);
        EXPECT_EQ(list.Objects(0), a);
        EXPECT_EQ(list.Objects(2), b);
        list.Delete(0);
        EXPECT_EQ(freed, 1);
    }
    EXPECT_EQ(freed, 2);

    int kept = 0;
    TTracked outside(kept);
    {
        TStringList list; // not owning
        list.AddObject("x", &outside);
        list.Clear();
    }
    EXPECT_EQ(kept, 0);
}

TEST(StringList, AssignAddStringsEqualsAndCustomSort) {
    TStringList source;
    source.AddStrings(QStringList{"b", "a", "c"});
    source.SetSorted(true);
    source.SetDuplicates(dupAccept);
    source.SetDelimiter(';');
    TStringList copy;
    copy.Assign(source);
    EXPECT_TRUE(copy.Equals(source));
    EXPECT_TRUE(copy.Sorted());
    EXPECT_EQ(copy.Duplicates(), dupAccept);
    EXPECT_EQ(copy.Delimiter(), ';');
    copy.Add("b");
    EXPECT_EQ(Lines(copy), (QStringList{"a", "b", "b", "c"}));
    EXPECT_FALSE(copy.Equals(source));

    TStringList self;
    self.AddStrings(QStringList{"x", "y"});
    self.AddStrings(self); // adding a list to itself doubles it
    EXPECT_EQ(Lines(self), (QStringList{"x", "y", "x", "y"}));

    TStringList numbers;
    numbers.AddStrings(QStringList{"10", "9", "100", "1", "9"});
    numbers.CustomSort([](TStringList& l, int i, int j) {
        return l[i].toInt() - l[j].toInt();
    });
    EXPECT_EQ(Lines(numbers), (QStringList{"1", "9", "9", "10", "100"}));
    // A comparer that contradicts itself must not run outside the list.
    TStringList many;
    for (int i = 0; i < 200; ++i)
        many.Add(QString::number(i));
    many.CustomSort([](TStringList&, int, int) { return -1; });
    EXPECT_EQ(many.Count(), 200);
}

TEST(StringList, LoadAndSaveWithEncodings) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("lines.txt");
    const QString cyr = QString::fromUtf8("Привет, мир");

    struct Case {
        TEncoding encoding;
        QByteArray start;
    };
    const Case cases[] = {
        {TEncoding::UTF8(), QByteArray("\xEF\xBB\xBF")},
        {TEncoding::UTF8WithoutBOM(), QByteArray("first")},
        {TEncoding::Unicode(), QByteArray("\xFF\xFE")},
        {TEncoding::BigEndianUnicode(), QByteArray("\xFE\xFF")},
        {TEncoding::GetEncoding("windows-1251"), QByteArray("first")},
    };
    for (const Case& c : cases) {
        TStringList out;
        out.AddStrings(QStringList{"first", cyr});
        out.SaveToFile(path, c.encoding);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes.startsWith(c.start)) << c.encoding.Name().toStdString();
        TStringList in;
        if (c.encoding.Name() == "windows-1251")
            in.LoadFromFile(path, c.encoding); // 8-bit text needs its code page named
        else
            in.LoadFromFile(path); // the mark or valid UTF-8 decides
        EXPECT_EQ(Lines(in), (QStringList{"first", cyr})) << c.encoding.Name().toStdString();
        ASSERT_TRUE(in.Encoding().has_value());
        EXPECT_EQ(in.Encoding()->Name(), c.encoding.Name());
    }

    // Without a mark, bytes that are not UTF-8 are read in the ANSI code page.
    const int saved = TEncoding::AnsiCodePage();
    TEncoding::SetAnsiCodePage(1251);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(TEncoding::GetEncoding(1251).GetBytes(cyr + "\r\n"));
    }
    TStringList ansi;
    ansi.LoadFromFile(path);
    EXPECT_EQ(Lines(ansi), QStringList{cyr});
    // Saving again without naming an encoding keeps the one the file had.
    ansi.Add("ещё");
    ansi.SaveToFile(path);
    TStringList again;
    again.LoadFromFile(path, TEncoding::GetEncoding(1251));
    EXPECT_EQ(Lines(again), (QStringList{cyr, "ещё"}));
    TEncoding::SetAnsiCodePage(saved);

    EXPECT_THROW(TEncoding::GetEncoding("no-such-encoding"), EConvertError);
    try {
        TStringList missing;
        missing.LoadFromFile(dir.filePath("absent.txt"));
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().contains(dir.filePath("absent.txt")));
    }
}

TEST(StringList, StreamLoadReadsFromThePosition) {
    TMemoryStream stream;
    stream.WriteBytes("skip|x\ny");
    stream.SetPosition(5);
    TStringList list;
    list.LoadFromStream(stream);
    EXPECT_EQ(Lines(list), (QStringList{"x", "y"}));
    TMemoryStream out;
    list.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), QByteArray("x\r\ny\r\n")); // loaded without a mark: saved without one
}
