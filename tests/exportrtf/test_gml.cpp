// The RTF tree: round trips over its edge cases, tables, navigation errors, and the embedding of a
// rich text's body with renumbered font and colour references; bad input gives a message group.

#include "report/export/rptGML.h"

#include "platform/rtl/Streams.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QByteArray RoundTrip(const QByteArray& in) {
    TGmlRtf doc(in);
    TMemoryStream out;
    doc.Serialize(out);
    return out.Bytes();
}

TEST(RtfTree, RoundTrips) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        // Two spaces after \b0: one ends the word, one is text.
        {"{\\b bold\\b0  text}", "{\\b bold\\b0  text}"},
        {"{\\fs+20 x}", "{\\fs20 x}"},
        {"{\\b- x}", "{\\b x}"},
        {"{\\fs-4 x}", "{\\fs-4 x}"},
        {"{\\'E9\\'ab}", "{\\'e9\\'ab}"},
        // An apostrophe without two hexadecimal digits is a symbol and a text run.
        {"{\\'zz}", "{\\'zz}"},
        {"{a\r\nb}", "{ab}"},
        {"{\\par\r\nx}", "{\\par x}"},
        {"{\\*\\generator Me;}", "{\\*\\generator Me;}"},
        {"{\\\\ \\{ \\} \\~\\-}", "{\\\\ \\{ \\} \\~\\-}"},
        {"{\\u-3\\'3f}", "{\\u-3\\'3f}"},
        // Empty groups are groups.
        {"{}", "{}"},
        {"{\\rtf1{}{\\b x}{{}}}", "{\\rtf1{}{\\b x}{{}}}"},
        // 0x81..0x83 are plain bytes, not the parser's tokens (a cp1251 text).
        {"{\\f0 \x81\x82\x83 x}", "{\\f0 \x81\x82\x83 x}"},
        // 20 digits: ten make the parameter, the rest is text.
        {"{\\fs12345678901234567890}", "{\\fs1234567890 1234567890}"},
        // 33 letters: 32 make the word.
        {"{\\abcdefghijklmnopqrstuvwxyzabcdefg}", "{\\abcdefghijklmnopqrstuvwxyzabcdef g}"},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundTrip(c.in), QByteArray(c.out)) << c.in;
}

TEST(RtfTree, NodesAndTables) {
    TGmlRtf doc("{\\rtf1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f3\\fcharset204 Times{\\*\\falt T};}{\\f4 ;}}"
                "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}\\pard x\\par}");
    ASSERT_EQ(doc.Root()->NodesCount(), 1);
    ASSERT_EQ(doc.FontsCount(), 3);
    EXPECT_EQ(doc.Font(0)->Index(), 0);
    EXPECT_EQ(doc.Font(0)->Charset(), 0);
    EXPECT_EQ(doc.Font(0)->Name(), "Arial");
    EXPECT_EQ(doc.Font(1)->Index(), 3);
    EXPECT_EQ(doc.Font(1)->Charset(), 204);
    EXPECT_EQ(doc.Font(1)->Name(), "Times");
    EXPECT_EQ(doc.Font(2)->Name(), "");
    EXPECT_EQ(doc.Font(3), nullptr);
    ASSERT_EQ(doc.ColorsCount(), 2);
    EXPECT_EQ(doc.Color(1)->Serialize(), "\\red0\\green128\\blue255");
    EXPECT_EQ(doc.Color(2), nullptr);
    EXPECT_EQ(doc.Length(), doc.Text().size());
    EXPECT_EQ(doc.Char(1), '\\');
    EXPECT_THROW(doc.Char(-1), EGmlError);
    try {
        doc.Char(doc.Length());
    } catch (const EGmlError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The specified index %1 is out of bounds [0, %2]").arg(doc.Length()).arg(doc.Length() - 1));
    }
    EXPECT_EQ(doc.Copy(1, 5), "\\rtf1");
    EXPECT_EQ(doc.Copy(doc.Length() - 2, 100), "r}");
    EXPECT_EQ(doc.Copy(3, 0), "");
    char buf[8];
    EXPECT_EQ(doc.Copy(doc.Length() - 3, 8, buf), 3);
    EXPECT_EQ(doc.Copy(doc.Length(), 8, buf), 0);

    TGmlRtfNode* group = doc.Root()->Node(0);
    auto* pard = doc.Root()->Find("pard");
    ASSERT_NE(pard, nullptr);
    EXPECT_EQ(pard->Parent(), group);
    EXPECT_EQ(pard->SelfSubIndex(), 3);
    EXPECT_EQ(doc.Root()->SelfSubIndex(), -1);
    EXPECT_EQ(doc.Root()->FindAll("red", 0)->size(), 2u);
    EXPECT_EQ(doc.Root()->FindAll("red", 1)->size(), 1u);
    EXPECT_EQ(doc.Root()->FindAll("", 3)->size(), 3u);
    EXPECT_EQ(group->Node(99), nullptr);
    EXPECT_EQ(group->Select(3, -1)->size(), static_cast<size_t>(group->NodesCount() - 3));
    for (auto range : {std::pair{-1, 2}, std::pair{3, 2}, std::pair{0, 99}}) {
        try {
            (void)group->Select(range.first, range.second);
            ADD_FAILURE() << range.first;
        } catch (const EGmlError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid range of subnodes [%1, %2]").arg(range.first).arg(range.second));
        }
    }
    TMemoryStream out;
    EXPECT_THROW(group->SerializeSubNodes(out, 2, 1), EGmlError);
    group->SerializeSubNodes(out, 3, 4);
    EXPECT_EQ(out.Bytes(), "\\pard x");
    auto* word = dynamic_cast<TGmlRtfControl*>(doc.Root()->Find("rtf"));
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->Value(), 1);
    word->SetValue(2);
    word->SetHeader("ansi");
    pard->Remove(true);
    out.Clear();
    doc.Serialize(out);
    EXPECT_TRUE(out.Bytes().startsWith("{\\ansi2{\\fonttbl")) << out.Bytes().constData();
    EXPECT_TRUE(out.Bytes().endsWith(";}x\\par}")) << out.Bytes().constData();
    auto* par = dynamic_cast<TGmlRtfControl*>(doc.Root()->Find("par"));
    ASSERT_NE(par, nullptr);
    EXPECT_THROW(par->Value(), EGmlError);
}

TEST(RtfTree, ParseErrors) {
    const struct {
        const char* in;
        QString message;
    } cases[] = {
        {"x", QStringLiteral("Range for parsing [0, 1) is out of bounds [0, 1)")},
        {"{\\colortbl;\\red1\\red2\\green3\\blue4;}", QStringLiteral("Invalid RTF color table")},
        {"{\\colortbl;\\red1\\green2;}", QStringLiteral("Invalid RTF color table")},
        {"{\\fs9999999999 x}", QStringLiteral("'9999999999' is not a valid integer value")},
    };
    for (const auto& c : cases) {
        try {
            TGmlRtf doc(c.in);
            ADD_FAILURE() << c.in;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.in;
        }
    }
    EXPECT_THROW(TGmlRtf doc{QByteArray()}, EGmlError);
    // 100,000 opening braces: a parse error, not a stack overflow.
    try {
        TGmlRtf doc(QByteArray(100000, '{'));
        ADD_FAILURE();
    } catch (const EGmlError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("RTF groups are nested deeper than 500 levels"))) << e.Message().toStdString();
    }
    // Just below the cap the groups stand.
    const QByteArray deep = QByteArray(GmlMaxDepth, '{') + "x" + QByteArray(GmlMaxDepth, '}');
    EXPECT_EQ(RoundTrip(deep), deep);
}

QByteArray Embed(const QByteArray& rtf) {
    const TGmlFontLookup fonts = [](const QByteArray& name, int charset) -> QByteArray {
        if (name == "Arial") return "1";
        if (name == "Times New Roman") return charset == 204 ? "0" : "9";
        return "not a number";
    };
    const TGmlColorLookup colors = [](const QByteArray& entry) -> QByteArray {
        if (entry == "\\red255\\green0\\blue0;") return "2";
        if (entry == "\\red0\\green0\\blue255;") return "1";
        return "x";
    };
    return EmbedRichTextBody(rtf, fonts, colors);
}

// The output of an embedding is always one whole group: its braces balance and close only at
// the end (what is inside may be any rich text, a broken colour table too).
void ExpectOneGroup(const QByteArray& g) {
    ASSERT_TRUE(g.startsWith('{') && g.endsWith('}')) << g.left(200).constData();
    int depth = 0;
    for (qsizetype i = 0; i < g.size(); ++i) {
        if (g[i] == '\\') {
            ++i;
        } else if (g[i] == '{') {
            ++depth;
        } else if (g[i] == '}' && --depth == 0) {
            ASSERT_EQ(i + 1, g.size()) << g.left(200).constData();
        }
    }
    EXPECT_EQ(depth, 0) << g.left(200).constData();
    for (char c : RTFBytesToAscii(g)) ASSERT_LT(static_cast<unsigned char>(c), 128u);
}

TEST(RtfEmbedding, BodyWithRenumberedReferences) {
    const QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset204 Times New Roman;}{\\f2 Odd;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red1\\green1\\blue1;}\r\n"
        "\\viewkind4\\pard\\f1\\cf2 blue \\f0\\cf1 red\\cb2\\highlight2\\f2\\cf3 odd\\pard\\par\r\n}";
    // f0 and f1 swap numbers: each reference changes once. Lookups that fail give \f0 and \cf1.
    EXPECT_EQ(Embed(rtf), "{\\f0\\cf1 blue \\f1\\cf2 red\\cb2\\highlight2\\f0\\cf1 odd\\par }");
    EXPECT_EQ(Embed(QByteArray()), QByteArray());
}

TEST(RtfEmbedding, FaultsBecomeMessages) {
    const struct {
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {"{\\rtf1 no resets here}", "{RTF text in a memo does not contain \\\\pard tags}"},
        {"{\\rtf1 x\\pard}", "{Invalid range of subnodes [2, 1]}"},
        {"x", "{Range for parsing [0, 1) is out of bounds [0, 1)}"},
        {"{\\colortbl;\\red1\\green2;}\\pard x", "{Invalid RTF color table}"},
        {"{\\pard\\fs99999999999999999999 x}", "{'9999999999' is not a valid integer value}"},
        // An empty group no longer empties the document.
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}}{}\\pard x{}\\par}", "{x{}\\par}"},
        // A cp1251 capital Gje (0x81) is text.
        {"{\\rtf1\\pard \x81\\par}", "{\x81\\par}"},
    };
    for (const auto& c : cases) {
        const QByteArray g = Embed(c.in);
        EXPECT_EQ(g, c.out) << c.in.constData();
        ExpectOneGroup(g);
    }
    const QByteArray deep = Embed("{\\pard " + QByteArray(100000, '{'));
    EXPECT_TRUE(deep.startsWith("{RTF groups are nested deeper than 500 levels")) << deep.constData();
}

TEST(RtfEmbedding, BinaryAndTruncatedInput) {
    QRandomGenerator rng(39);
    for (int i = 0; i < 300; ++i) {
        QByteArray b(static_cast<int>(rng.bounded(1, 400)), '\0');
        for (char& c : b) c = static_cast<char>(rng.bounded(256));
        if (i % 3 == 0) b.prepend("{\\rtf1\\pard ");
        const QByteArray g = Embed(b);
        ExpectOneGroup(g);
    }
    const QByteArray whole =
        "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}\\pard\\f0\\cf1 A {\\b B}\\'e9\\par}";
    for (int n = 1; n <= whole.size(); ++n) ExpectOneGroup(Embed(whole.left(n)));
}

TEST(RtfEmbedding, FiftyMegabyteRichText) {
    const qsizetype size = 50 * 1024 * 1024;
    QByteArray rtf = "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\pard\\f0 Picture: {\\pict\\pngblip\r\n";
    rtf.reserve(size + 100);
    const QByteArray line = QByteArray(126, 'A') + "\r\n";
    while (rtf.size() < size) rtf += line;
    rtf += "}\\par}";
    const QByteArray g = Embed(rtf);
    ASSERT_TRUE(g.startsWith("{\\f1 Picture: {\\pict\\pngblip AAAA")) << g.left(100).constData();
    EXPECT_TRUE(g.endsWith("AAAA}\\par}"));
    EXPECT_EQ(g.count('\n'), 0);
}

TEST(RtfText, Encoding) {
    const struct {
        QString in;
        bool cell;
        const char* out;
    } cases[] = {
        {QStringLiteral("a\\b{c}"), true, "a\\\\b\\{c\\}"},
        {QStringLiteral("caf\u00E9"), true, "caf\\u233\\'3f"},
        {QString(QChar(0xFFFD)), true, "\\u-3\\'3f"},
        {QString(QChar(0x8000)) + QChar(0x7FFF), true, "\\u-32768\\'3f\\u32767\\'3f"},
        {QStringLiteral("a\r\nb\r\n"), true, "a\\line\r\nb"},
        {QStringLiteral("a\r\n\r\n"), true, "a\r\n"},
        {QStringLiteral("a\r\n"), false, "a\r\n"},
        {QStringLiteral("T\u00E9l\r\nx"), false, "T\\u233\\'3fl\\line\r\nx"},
    };
    for (const auto& c : cases) EXPECT_EQ(RTFEncodeText(c.in, c.cell), QByteArray(c.out)) << c.in.toStdString();
    EXPECT_EQ(RTFBytesToAscii(QStringLiteral("x\u00E9\\\u00E9\\\\\u00E9").toUtf8()),
              QByteArray("x\\u233\\'3f\\u233\\'3f\\\\\\u233\\'3f"));
}

} // namespace
