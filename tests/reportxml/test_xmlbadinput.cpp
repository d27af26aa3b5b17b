// Bad input: truncated, binary, deeply nested and huge files either load as the dialect reads them
// or raise "Invalid file format" naming the file; nothing crashes or grows without bound.
#include "XmlTestUtil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fstream>

namespace {

const QByteArray Head = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";

// Loads bytes; returns whether they loaded. Any exception but the reader's own fails the test.
bool TryLoad(const QByteArray& bytes, bool partial) {
    TBytesStream s(bytes);
    TrptXMLDocument doc;
    try {
        doc.LoadFromStream(s, partial);
    } catch (const TrptInvalidXMLException&) {
        return false;
    }
    if (partial) {
        std::vector<TrptXMLItem*> pending{doc.Root()};
        while (!pending.empty()) {
            TrptXMLItem* item = pending.back();
            pending.pop_back();
            try {
                doc.LoadItem(item);
            } catch (const TrptInvalidXMLException&) {
            }
            for (int i = 0; i < item->Count(); ++i)
                pending.push_back(item->Items(i));
        }
    }
    return true;
}

// Peak resident memory since the last reset, in MiB; -1 where the system cannot tell.
long PeakMiB() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    return -1;
}

bool ResetPeak() {
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
    f.flush();
    return f.good();
}

TEST(XmlBadInput, EveryTruncationLoadsOrRaises) {
    const QByteArray bytes = Head +
                             "\r\n<root a=\"1\"><!-- note <x> -->\r\n"
                             "<page0 ld=\"0\"><m1 x=\"a&#38;b\"/><m2>value</m2></page0>"
                             "<page1 h=\"1\"ld=\"0\"><m1 x=\"c\"/></page1><tail/></root>\r\n";
    int loaded = 0, refused = 0;
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        for (bool partial : {false, true})
            (TryLoad(bytes.left(cut), partial) ? loaded : refused)++;
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
    // Cut between two elements: what came before is there.
    TrptXMLDocument doc;
    LoadBytes(doc, bytes.left(bytes.indexOf("<page1")));
    EXPECT_EQ(doc.Root()->Count(), 1);
    EXPECT_EQ(At(doc.Root(), {0, 0})->Prop("x"), "a&b");
    // Cut inside a tag.
    EXPECT_THROW(LoadBytes(doc, bytes.left(bytes.indexOf("<page1") + 4)), TrptInvalidXMLException);
}

TEST(XmlBadInput, BinaryBytes) {
    QRandomGenerator random(2024);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes(random.bounded(1, 3000), Qt::Uninitialized);
        for (char& c : bytes)
            c = static_cast<char>(random.bounded(256));
        if (round % 2)
            bytes.prepend(Head + "<r>");
        // Sprinkle the dialect's own bytes so that tags form.
        for (int k = 0; k < bytes.size() / 8; ++k)
            bytes[random.bounded(bytes.size())] = "<>/ \"=!-"[random.bounded(8)];
        SCOPED_TRACE(round);
        TryLoad(bytes, round % 4 < 2);
    }
}

TEST(XmlBadInput, DeepNesting) {
    constexpr int Depth = 100000;
    // Built in memory, written, read back and freed without recursion.
    {
        // Without AutoIndent: indented, such a file grows with the square of its depth.
        TrptXMLDocument doc;
        TrptXMLItem* item = doc.Root();
        item->SetName("r");
        for (int i = 0; i < Depth; ++i) {
            item = item->Add("n");
            item->SetUnloadable(i % 1000 == 0);
        }
        item->SetProp("deepest", "yes");
        const QByteArray bytes = SaveBytes(doc);
        TrptXMLDocument back;
        LoadBytes(back, bytes);
        int depth = 0;
        for (item = back.Root(); item->Count() > 0; item = item->Items(0))
            ++depth;
        EXPECT_EQ(depth, Depth);
        EXPECT_EQ(item->Prop("deepest"), "yes");
        EXPECT_TRUE(TryLoad(bytes, true));
    }
    // Start tags that never end are accepted at the end of the stream.
    QByteArray open = Head;
    for (int i = 0; i < Depth; ++i)
        open += "<a x=\"1\">";
    EXPECT_TRUE(TryLoad(open, false));
    EXPECT_TRUE(TryLoad(open, true));
    // A wrong end tag at the bottom is refused.
    EXPECT_FALSE(TryLoad(open + "</b>", false));
    EXPECT_FALSE(TryLoad(open + "</b>", true));
}

TEST(XmlBadInput, InvalidFileNamesTheFile) {
    QTemporaryDir dir;
    const QString name = dir.path() + "/broken report.dp3";
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Head + "<a><b x<\"1\"/></a>");
    }
    TrptXMLDocument doc;
    try {
        doc.LoadFromFile(name);
        FAIL() << "loaded";
    } catch (const TrptInvalidXMLException& e) {
        EXPECT_EQ(e.Message(), "Invalid file format: \"" + name + "\" (byte " + QString::number(Head.size() + 7) + ")");
        EXPECT_EQ(e.FileName(), name);
    }
    // A stream that is not a file keeps the plain message.
    TBytesStream s(QByteArray("not xml"));
    try {
        doc.LoadFromStream(s);
        FAIL() << "loaded";
    } catch (const TrptInvalidXMLException& e) {
        EXPECT_EQ(e.Message(), "Invalid file format");
    }
    EXPECT_THROW(doc.LoadFromFile(dir.path() + "/missing.dp3"), EFOpenError);
}

// 100 MB files, read from disk in blocks.
class XmlHugeInput : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    QString Write(const char* name, const QByteArray& head, const QByteArray& unit, const QByteArray& tail) {
        const QString path = Dir.path() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(head);
        QByteArray chunk;
        while (chunk.size() < (1 << 20))
            chunk += unit;
        for (qint64 written = 0; written < 100LL << 20; written += chunk.size())
            f.write(chunk);
        f.write(tail);
        return path;
    }
};

TEST_F(XmlHugeInput, UnterminatedTagIsRefused) {
    const QString path = Write("tag.xml", Head + "<r><a v=\"", "0123456789abcdef", "");
    TrptXMLDocument doc;
    try {
        doc.LoadFromFile(path);
        FAIL() << "loaded";
    } catch (const TrptInvalidXMLException& e) {
        EXPECT_TRUE(e.Message().contains(path));
    }
    EXPECT_EQ(doc.Root()->Name(), "r");
}

TEST_F(XmlHugeInput, TextBetweenTagsIsSkippedInConstantMemory) {
    const QString path = Write("value.xml", Head + "<r><v>", "some text of a value ", "</v></r>");
    const bool canMeasure = ResetPeak();
    const long base = PeakMiB();
    TrptXMLDocument doc;
    doc.LoadFromFile(path);
    EXPECT_EQ(doc.Root()->Count(), 1);
    EXPECT_EQ(doc.Root()->Items(0)->Value(), "");
    if (canMeasure && base >= 0) {
        EXPECT_LT(PeakMiB() - base, 32);
    }
}

TEST_F(XmlHugeInput, PagesLeftInTheFileByPartialLoading) {
    // Around 25,000 pages of 40 objects each, every page marked unloadable.
    QByteArray page = "<page1 ld=\"0\">";
    for (int i = 0; i < 40; ++i)
        page += "<m" + QByteArray::number(i) + " l=\"10\" t=\"" + QByteArray::number(i * 18) + "\" x=\"Text &#38; more\"/>";
    page += "</page1>";
    const QString path = Write("pages.xml", Head + "<preparedreport><previewpages>", page,
                               "</previewpages></preparedreport>");
    const bool canMeasure = ResetPeak();
    const long base = PeakMiB();
    TrptXMLDocument doc;
    doc.LoadFromFile(path);
    TrptXMLItem* pages = doc.Root()->Items(0);
    ASSERT_GT(pages->Count(), 20000);
    EXPECT_FALSE(pages->Items(12345)->Loaded());
    if (canMeasure && base >= 0) {
        EXPECT_LT(PeakMiB() - base, 64); // the page elements only, not their objects
    }
    doc.LoadItem(pages->Items(12345));
    ASSERT_EQ(pages->Items(12345)->Count(), 40);
    EXPECT_EQ(pages->Items(12345)->Items(39)->Prop("x"), "Text & more");
}

} // namespace
