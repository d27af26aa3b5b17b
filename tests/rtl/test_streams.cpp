#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

TEST(Streams, MemoryReadWriteSeek) {
    TMemoryStream s;
    s.WriteBytes("hello");
    EXPECT_EQ(s.Size(), 5);
    EXPECT_EQ(s.Position(), 5);

    s.SetPosition(3);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2); // a read past the end is short, not an error
    EXPECT_EQ(QByteArray(buf, 2), "lo");
    EXPECT_EQ(s.Read(buf, 8), 0);

    s.SetPosition(1);
    EXPECT_THROW(s.ReadBuffer(buf, 5), EReadError);

    // Seeking past the end is allowed; a write there fills the gap with zeros.
    EXPECT_EQ(s.Seek(2, soEnd), 7);
    EXPECT_EQ(s.Size(), 5);
    s.WriteBytes("!");
    EXPECT_EQ(s.Bytes(), QByteArray("hello\0\0!", 8));
    EXPECT_EQ(s.Seek(-3, soCurrent), 5);
    EXPECT_EQ(s.Seek(Int64(1), soFromBeginning), 1); // the word-origin form
    EXPECT_THROW(s.Seek(-1, soBeginning), EStreamError);
    EXPECT_THROW(s.Seek(Int64(0), quint16(7)), EStreamError);

    s.SetSize(2);
    EXPECT_EQ(s.Position(), 1);
    EXPECT_EQ(s.Bytes(), "he");
    s.SetSize(4); // growing shows zeros, not what was there before
    EXPECT_EQ(s.Bytes(), QByteArray("he\0\0", 4));
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(Streams, CopyFrom) {
    TMemoryStream src;
    src.WriteBytes("0123456789");
    src.SetPosition(4);

    TMemoryStream all;
    EXPECT_EQ(all.CopyFrom(src, 0), 10); // 0 copies the whole source from its start
    EXPECT_EQ(all.Bytes(), "0123456789");

    src.SetPosition(4);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(src, 3), 3);
    EXPECT_EQ(part.Bytes(), "456");
    EXPECT_EQ(src.Position(), 7);
    EXPECT_THROW(part.CopyFrom(src, 5), EReadError); // only 3 left
}

TEST(Streams, StringAndBytesStreams) {
    TStringStream s(QString::fromUtf8("Жук"));
    EXPECT_EQ(s.Size(), 6); // UTF-8 unless told otherwise
    EXPECT_EQ(s.DataString(), QString::fromUtf8("Жук"));
    s.Seek(0, soEnd);
    s.WriteString("!");
    EXPECT_EQ(s.DataString(), QString::fromUtf8("Жук!"));

    TStringStream ansi(QString::fromUtf8("Жук"), TEncoding::GetEncoding(1251));
    EXPECT_EQ(ansi.Size(), 3);
    EXPECT_EQ(ansi.Bytes(), QByteArray("\xC6\xF3\xEA"));
    EXPECT_EQ(ansi.ReadString(2), QString::fromUtf8("Жу"));

    TBytesStream b(QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(b.ReadBytes(10), QByteArray("\x01\x02\x03", 3));
}

TEST(Streams, FileModesAndErrors) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("data.bin");
    {
        TFileStream f(path, fmCreate);
        f.WriteBytes("abcdef");
        EXPECT_EQ(f.Size(), 6);
        f.SetSize(4);
        EXPECT_EQ(f.Size(), 4);
        EXPECT_EQ(f.FileName(), path);
    }
    {
        TFileStream f(path, fmOpenReadWrite | fmShareDenyNone);
        f.Seek(0, soEnd);
        f.WriteBytes("XY");
        f.SetPosition(0);
        EXPECT_EQ(f.ReadAll(), "abcdXY");
    }
    {
        TFileStream f(path, fmOpenRead | fmShareDenyWrite);
        char c;
        f.Seek(10, soBeginning);
        EXPECT_EQ(f.Read(&c, 1), 0);
        EXPECT_THROW(f.WriteBytes("z"), EWriteError); // opened for reading only
    }
    {
        TFileStream f(path, fmOpenWrite);
        f.WriteBytes("Q");
    }
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(m.Bytes(), "QbcdXY");
    m.SaveToFile(dir.filePath("copy.bin"));
    QFile copy(dir.filePath("copy.bin"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "QbcdXY");

    const QString missing = dir.filePath("missing.bin");
    try {
        TFileStream f(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file \"%1\".").arg(missing)))
            << e.Message().toStdString();
    }
    const QString noDir = dir.filePath("no/such/dir/x.bin");
    try {
        TFileStream f(noDir, fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().contains(noDir));
    }
    EXPECT_THROW(TFileStream(dir.path(), fmOpenRead), EFOpenError); // a folder is no file
}

TEST(Streams, EncodingDetection) {
    struct Case {
        QByteArray bytes;
        QString name;
        bool bom;
    };
    const int saved = TEncoding::AnsiCodePage();
    TEncoding::SetAnsiCodePage(1251);
    const Case cases[] = {
        {QByteArray("\xEF\xBB\xBFx"), "UTF-8", true},
        {QByteArray("\xFF\xFEx\0", 4), "UTF-16LE", true},
        {QByteArray("\xFE\xFF\0x", 4), "UTF-16BE", true},
        {QByteArray("plain ascii"), "UTF-8", false},
        {QByteArray("\xD0\x96"), "UTF-8", false},      // valid UTF-8
        {QByteArray("\xC6\xF3\xEA"), "windows-1251", false}, // not UTF-8: ANSI
    };
    for (const Case& c : cases) {
        TEncoding used;
        const QString text = TEncoding::DecodeText(c.bytes, &used);
        EXPECT_EQ(used.Name(), c.name) << c.bytes.toHex().toStdString();
        EXPECT_EQ(!used.Preamble().isEmpty(), c.bom);
        EXPECT_FALSE(text.startsWith(QChar(0xFEFF)));
    }
    EXPECT_EQ(TEncoding::DecodeText(QByteArray("\xC6\xF3\xEA")), QString::fromUtf8("Жук"));
    TEncoding::SetAnsiCodePage(saved);

    // Characters an 8-bit code page lacks are written as '?'.
    EXPECT_EQ(TEncoding::GetEncoding(1252).GetBytes(QString::fromUtf8("aЖb")), "a?b");
    EXPECT_FALSE(TEncoding::GetEncoding(1252).CanEncode(QString::fromUtf8("Ж")));
    EXPECT_TRUE(TEncoding::GetEncoding(1251).CanEncode(QString::fromUtf8("Ж")));
    EXPECT_THROW(TEncoding::SetAnsiCodePage(12345), EConvertError);
}
