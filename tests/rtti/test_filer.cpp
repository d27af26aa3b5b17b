#include "platform/rtti/Classes.h"
#include "platform/rtti/Filer.h"

#include <gtest/gtest.h>

namespace {

// A picture-like object: its bytes and a caption travel as defined properties.
class TBlobHolder : public TPersistent {
public:
    QByteArray Data;
    QString Caption;
    Int64 Counter = 0;
    bool Flag = false;
    double Ratio = 0;

protected:
    void DefineProperties(TFiler* filer) override {
        TPersistent::DefineProperties(filer);
        filer->DefineBinaryProperty(
            "Data", [this](const QByteArray& d) { Data = d; }, [this] { return Data; }, !Data.isEmpty());
        filer->DefineProperty(
            "Caption", [this](TReader& r) { Caption = r.ReadString(); },
            [this](TWriter& w) { w.WriteString(Caption); }, !Caption.isEmpty());
        filer->DefineProperty(
            "Values",
            [this](TReader& r) {
                r.ReadListBegin();
                Counter = r.ReadInteger();
                Flag = r.ReadBoolean();
                Ratio = r.ReadFloat();
                r.ReadListEnd();
            },
            [this](TWriter& w) {
                w.WriteListBegin();
                w.WriteInteger(Counter);
                w.WriteBoolean(Flag);
                w.WriteFloat(Ratio);
                w.WriteListEnd();
            },
            Counter != 0);
    }
};

QByteArray Encoded(const QString& s) {
    TWriter w;
    w.WriteString(s);
    return w.Data();
}

TEST(Filer, StringTagsFollowTheTextsBytes) {
    EXPECT_EQ(Encoded("ab"), QByteArray("\x06\x02"
                                        "ab",
                                        4));
    EXPECT_EQ(Encoded(QString(256, 'x')).left(5), QByteArray("\x0C\x00\x01\x00\x00", 5));
    // "é" is two UTF-8 bytes for one character: wide.
    EXPECT_EQ(Encoded(QString::fromUtf8("é")), QByteArray("\x12\x01\x00\x00\x00\xE9\x00", 7));
    // Mostly ASCII with one non-ASCII letter: UTF-8.
    EXPECT_EQ(Encoded(QString::fromUtf8("abcé")), QByteArray("\x14\x05\x00\x00\x00"
                                                             "abc\xC3\xA9",
                                                             10));
    for (const QString& s :
         {QString("ab"), QString(300, 'y'), QString::fromUtf8("Привет"), QString::fromUtf8("abcé")}) {
        TReader r(Encoded(s));
        EXPECT_EQ(r.ReadString(), s);
        EXPECT_TRUE(r.AtEnd());
    }
}

TEST(Filer, IntegersTakeTheSmallestTag) {
    struct Case {
        Int64 Value;
        quint8 Tag;
        int Size;
    };
    for (const Case& c : {Case{5, vaInt8, 2}, Case{-129, vaInt16, 3}, Case{70000, vaInt32, 5},
                          Case{Int64(1) << 40, vaInt64, 9}}) {
        TWriter w;
        w.WriteInteger(c.Value);
        EXPECT_EQ(static_cast<quint8>(w.Data()[0]), c.Tag) << c.Value;
        EXPECT_EQ(w.Data().size(), c.Size) << c.Value;
        TReader r(w.Data());
        EXPECT_EQ(r.ReadInteger(), c.Value);
    }
}

TEST(Filer, DefinedPropertiesRoundTrip) {
    TBlobHolder a;
    a.Data = QByteArray("\x00\x01\x02", 3);
    a.Caption = "Logo";
    a.Counter = 300;
    a.Flag = true;
    a.Ratio = 2.5;
    TWriter w;
    w.WriteDefinedProperties(&a);
    // Name as a length byte and UTF-8, then the value.
    EXPECT_TRUE(w.Data().startsWith(QByteArray("\x04"
                                               "Data\x0A\x03\x00\x00\x00\x00\x01\x02",
                                               13)));

    TBlobHolder b;
    TReader r(w.Data());
    r.ReadDefinedProperties(&b);
    EXPECT_EQ(b.Data, a.Data);
    EXPECT_EQ(b.Caption, "Logo");
    EXPECT_EQ(b.Counter, 300);
    EXPECT_TRUE(b.Flag);
    EXPECT_DOUBLE_EQ(b.Ratio, 2.5);

    TBlobHolder empty;
    TWriter none;
    none.WriteDefinedProperties(&empty);
    EXPECT_TRUE(none.Data().isEmpty()); // nothing has data
}

TEST(Filer, BadDataRaisesReadErrors) {
    TBlobHolder b;
    TWriter w;
    w.WritePropName("Unknown");
    w.WriteInteger(1);
    TReader unknown(w.Data());
    EXPECT_THROW(unknown.ReadDefinedProperties(&b), EReadError);

    TReader truncated(QByteArray("\x04"
                                 "Data\x0A\xFF\x00\x00\x00\x01",
                                 10));
    EXPECT_THROW(truncated.ReadDefinedProperties(&b), EReadError);

    TReader wrongKind(QByteArray("\x06\x01x", 3));
    EXPECT_THROW(wrongKind.ReadInteger(), EReadError);

    // Any value can be skipped, lists and collections included.
    TWriter many;
    many.WriteListBegin();
    many.WriteString("a");
    many.WriteBinary("xyz");
    many.WriteListEnd();
    many.WriteValue(vaCollection);
    many.WriteListBegin();
    many.WritePropName("Name");
    many.WriteString("n");
    many.WriteListEnd();
    many.WriteListEnd();
    many.WriteInteger(7);
    TReader skip(many.Data());
    skip.SkipValue();
    skip.SkipValue();
    EXPECT_EQ(skip.ReadInteger(), 7);
    EXPECT_TRUE(skip.AtEnd());
}

} // namespace
