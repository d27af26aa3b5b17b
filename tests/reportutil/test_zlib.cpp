#include "report/core/rptZLib.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <random>

namespace {

QByteArray Noise(int size, unsigned seed = 1) {
    std::mt19937 gen(seed);
    QByteArray b(size, Qt::Uninitialized);
    for (int k = 0; k < size; ++k)
        b[k] = static_cast<char>(gen() & 0xFF);
    return b;
}

QByteArray Text(int size) {
    QByteArray b;
    while (b.size() < size)
        b += "The quick brown fox jumps over the lazy dog. ";
    return b.left(size);
}

// zlib's own one-shot inflate, as an independent reader of what we write.
QByteArray ZlibUncompress(const QByteArray& z, qsizetype expected) {
    QByteArray out(std::max<qsizetype>(expected, 1), Qt::Uninitialized);
    uLongf len = static_cast<uLongf>(out.size());
    const int code = uncompress(reinterpret_cast<Bytef*>(out.data()), &len,
                                reinterpret_cast<const Bytef*>(z.constData()), static_cast<uLong>(z.size()));
    if (code != Z_OK) return QByteArray("zlib error ") + QByteArray::number(code);
    out.resize(static_cast<qsizetype>(len));
    return out;
}

// zlib's gunzip of one member.
QByteArray ZlibGunzip(const QByteArray& gz) {
    z_stream z{};
    inflateInit2(&z, 16 + MAX_WBITS);
    QByteArray out(1 << 20, Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.constData()));
    z.avail_in = static_cast<uInt>(gz.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int code = inflate(&z, Z_FINISH);
    out.resize(static_cast<qsizetype>(z.total_out));
    inflateEnd(&z);
    return code == Z_STREAM_END ? out : QByteArray("gunzip error");
}

struct TGzHeader {
    QByteArray Extra, Name, Comment;
    bool HeaderCrc = false;
    bool HasName = false, HasComment = false;
    quint32 Time = 0;
};

// A standard gzip member written by zlib, with whatever header fields are asked for.
QByteArray ZlibGzip(const QByteArray& data, const TGzHeader& h) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    gz_header head{};
    QByteArray extra = h.Extra, name = h.Name + '\0', comment = h.Comment + '\0';
    head.time = h.Time;
    head.os = 3;
    if (!h.Extra.isEmpty()) {
        head.extra = reinterpret_cast<Bytef*>(extra.data());
        head.extra_len = static_cast<uInt>(extra.size());
    }
    if (h.HasName) head.name = reinterpret_cast<Bytef*>(name.data());
    if (h.HasComment) head.comment = reinterpret_cast<Bytef*>(comment.data());
    head.hcrc = h.HeaderCrc ? 1 : 0;
    deflateSetHeader(&z, &head);
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(data.size())) + 512), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return out;
}

quint32 Adler(const QByteArray& data) {
    return static_cast<quint32>(adler32(adler32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.constData()),
                                        static_cast<uInt>(data.size())));
}

void PutBigEndian(QByteArray& b, int at, quint32 v) {
    for (int k = 0; k < 4; ++k)
        b[at + k] = static_cast<char>((v >> (8 * (3 - k))) & 0xFF);
}

QByteArray Gunzip(const QByteArray& member) {
    TBytesStream src(member);
    TBytesStream dst;
    DecompressGzipStream(src, dst);
    return dst.Bytes();
}

QByteArray MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EZLibError& e) {
        return e.Message().toLatin1();
    }
    return "no error";
}

// A target whose writes fail after a number of bytes.
class TFullStream : public TMemoryStream {
public:
    explicit TFullStream(Int64 room) : FRoom(room) {}
    using TStream::Seek;
    Int64 Write(const void* buffer, Int64 count) override {
        const Int64 n = std::min(count, FRoom - Size());
        return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
    }

private:
    Int64 FRoom;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Deflate

TEST(ZCompression, CompressStreamWritesZlibStreamsThatZlibReads) {
    struct Case {
        TZCompressionLevel Level;
        uchar HeaderFlag;
    };
    const QByteArray data = Text(100000) + Noise(5000);
    for (const Case& c : {Case{zcNone, 0x01}, Case{zcFastest, 0x01}, Case{zcDefault, 0x9C}, Case{zcMax, 0xDA}}) {
        TBytesStream source(data);
        source.SetPosition(777); // the whole source is taken, whatever its position
        TBytesStream dest(QByteArray("XYZ"));
        dest.SetPosition(3);
        CompressStream(source, dest, c.Level);
        const QByteArray out = dest.Bytes();
        EXPECT_EQ(out.left(3), "XYZ");
        EXPECT_EQ(static_cast<uchar>(out[3]), 0x78);
        EXPECT_EQ(static_cast<uchar>(out[4]), c.HeaderFlag) << c.Level;
        EXPECT_EQ(ZlibUncompress(out.mid(3), data.size()), data) << c.Level;
        EXPECT_EQ(InflateBuffer(out.constData() + 3, out.size() - 3), data) << c.Level;
    }
    // An empty source still makes a complete stream: header, empty final block, Adler-32 of 1.
    TBytesStream empty;
    TBytesStream dest;
    CompressStream(empty, dest, zcDefault);
    EXPECT_EQ(dest.Bytes(), QByteArray("\x78\x9C\x03\x00\x00\x00\x00\x01", 8));
    EXPECT_EQ(InflateBuffer(dest.Memory(), dest.Size()), QByteArray());
}

TEST(ZCompression, StreamKeepsItsPlaceCountsInputAndRefusesReadsAndSeeks) {
    const QByteArray a = Noise(150000, 2);
    const QByteArray b = Noise(150000, 3);
    TBytesStream dest(QByteArray("head"));
    dest.SetPosition(4);
    int progress = 0;
    {
        TZCompressionStream z(dest, zcDefault);
        z.OnProgress = [&](TObject* sender) {
            EXPECT_EQ(sender, &z);
            ++progress;
        };
        EXPECT_EQ(z.CompressionRate(), 0.0f);
        z.WriteBuffer(a.constData(), a.size());
        EXPECT_EQ(z.Position(), a.size());
        dest.SetPosition(0); // the caller moves the target between writes
        z.WriteBuffer(b.constData(), b.size());
        EXPECT_EQ(z.Seek(0, soCurrent), a.size() + b.size());
        EXPECT_EQ(MessageOf([&] { z.Seek(0, soBeginning); }), "Invalid ZStream operation!");
        EXPECT_EQ(MessageOf([&] { z.Seek(1, soCurrent); }), "Invalid ZStream operation!");
        char c;
        EXPECT_THROW(z.Read(&c, 1), EZCompressionError);
        z.Finish();
        const double in = static_cast<double>(a.size() + b.size());
        const double out = static_cast<double>(dest.Size() - 4);
        EXPECT_NEAR(z.CompressionRate(), (1 - out / in) * 100, 1e-3);
        EXPECT_THROW(z.Write("x", 1), EZCompressionError);
    }
    EXPECT_GE(progress, 4); // 300 KB of noise fill the 64 KB buffer at least four times
    EXPECT_EQ(dest.Bytes().left(4), "head");
    EXPECT_EQ(ZlibUncompress(dest.Bytes().mid(4), a.size() + b.size()), a + b);

    // Text compresses well, and the rate says so.
    TBytesStream small;
    TZCompressionStream z(small, zcMax);
    const QByteArray text = Text(1000);
    z.WriteBuffer(text.constData(), text.size());
    z.Finish();
    EXPECT_GT(z.CompressionRate(), 80.0f);
    EXPECT_NEAR(z.CompressionRate(), (1 - small.Size() / 1000.0) * 100, 1e-3);
}

TEST(ZCompression, TargetWriteErrorsPassThrough) {
    TFullStream full(100);
    TBytesStream source(Noise(100000, 4));
    EXPECT_THROW(CompressStream(source, full, zcFastest), EWriteError);
}

// ---------------------------------------------------------------------------------------------
// Inflate

TEST(ZDecompression, InflateBufferSizesExactlyAndReportsBadInput) {
    const QByteArray data = Text(300000);
    TBytesStream source(data);
    TBytesStream packed;
    CompressStream(source, packed, zcMax);
    const QByteArray z = packed.Bytes();
    for (qsizetype estimate : {qsizetype(0), qsizetype(10), qsizetype(300000), qsizetype(1000000)}) {
        const QByteArray out = InflateBuffer(z.constData(), z.size(), estimate);
        EXPECT_EQ(out.size(), data.size()) << estimate;
        EXPECT_EQ(out, data) << estimate;
    }
    EXPECT_EQ(MessageOf([&] { InflateBuffer(z.constData(), z.size() / 2); }), "buffer error");
    EXPECT_EQ(MessageOf([&] { InflateBuffer(z.constData(), 0); }), "buffer error");
    QByteArray badHeader = z;
    badHeader[1] = 0;
    EXPECT_EQ(MessageOf([&] { InflateBuffer(badHeader.constData(), badHeader.size()); }), "data error");
    QByteArray badSum = z;
    badSum[badSum.size() - 1] = static_cast<char>(badSum.at(badSum.size() - 1) ^ 1);
    EXPECT_EQ(MessageOf([&] { InflateBuffer(badSum.constData(), badSum.size()); }), "data error");
    EXPECT_THROW(InflateBuffer(z.constData(), z.size() / 2), EZDecompressionError);

    // A stream that wants a preset dictionary stops instead of growing for ever.
    z_stream d{};
    deflateInit(&d, Z_DEFAULT_COMPRESSION);
    deflateSetDictionary(&d, reinterpret_cast<const Bytef*>("fox dog"), 7);
    QByteArray withDict(256, Qt::Uninitialized);
    d.next_in = reinterpret_cast<Bytef*>(const_cast<char*>("the fox"));
    d.avail_in = 7;
    d.next_out = reinterpret_cast<Bytef*>(withDict.data());
    d.avail_out = 256;
    deflate(&d, Z_FINISH);
    withDict.resize(static_cast<qsizetype>(d.total_out));
    deflateEnd(&d);
    EXPECT_EQ(MessageOf([&] { InflateBuffer(withDict.constData(), withDict.size()); }), "need dictionary");
}

// ---------------------------------------------------------------------------------------------
// Gzip members

TEST(GzipMembers, PictureMemberFormatIsWrittenAndRead) {
    const QByteArray data = Text(5000) + Noise(3000, 5);
    TBytesStream source(data);
    TBytesStream member;
    CompressToGzipMember(source, member);
    const QByteArray gz = member.Bytes();
    ASSERT_GT(gz.size(), 20);
    EXPECT_EQ(gz.left(4), QByteArray("\x1F\x8B\x08\x08", 4)); // FLG 8: a file name
    const auto* h = reinterpret_cast<const uchar*>(gz.constData());
    EXPECT_EQ((quint32(h[4]) << 24) | (quint32(h[5]) << 16) | (quint32(h[6]) << 8) | h[7], Adler(data));
    EXPECT_EQ(gz.mid(8, 4), QByteArray("\x00\x00" "1\x00", 4)); // XFL 0, OS 0, name "1"
    EXPECT_EQ(ZlibGunzip(gz), data);                               // any gzip reader takes it
    EXPECT_EQ(Gunzip(gz), data);

    // The picture rule alone: MTIME = Adler-32 is enough even when the trailer is not kept.
    QByteArray noTrailer = gz;
    noTrailer.chop(8);
    EXPECT_EQ(Gunzip(noTrailer), data);
    QByteArray badTrailer = gz;
    badTrailer[badTrailer.size() - 8] = static_cast<char>(badTrailer.at(badTrailer.size() - 8) ^ 0x55);
    EXPECT_EQ(Gunzip(badTrailer), data);

    // An empty name field works like a named one; an empty picture too.
    TGzHeader emptyName;
    emptyName.HasName = true;
    QByteArray member2 = ZlibGzip(data, emptyName);
    PutBigEndian(member2, 4, Adler(data));
    EXPECT_EQ(Gunzip(member2), data);
    TBytesStream none;
    TBytesStream emptyMember;
    CompressToGzipMember(none, emptyMember, zcFastest);
    EXPECT_EQ(Gunzip(emptyMember.Bytes()), QByteArray());
}

TEST(GzipMembers, OddHeadersAreHonoured) {
    const QByteArray data = Text(20000);
    struct Case {
        const char* Label;
        TGzHeader Header;
    };
    auto header = [](QByteArray extra, bool hasName, QByteArray name, bool hasComment, QByteArray comment, bool hcrc) {
        TGzHeader h;
        h.Extra = extra;
        h.HasName = hasName;
        h.Name = name;
        h.HasComment = hasComment;
        h.Comment = comment;
        h.HeaderCrc = hcrc;
        h.Time = 1700000000; // a real time: the trailer vouches for the data
        return h;
    };
    const Case cases[] = {
        {"plain", header({}, false, {}, false, {}, false)},
        {"FNAME", header({}, true, "picture.bmp", false, {}, false)},
        {"FNAME empty", header({}, true, "", false, {}, false)},
        {"FEXTRA", header(QByteArray("AB\x04\x00" "data", 8), false, {}, false, {}, false)},
        {"FCOMMENT", header({}, false, {}, true, "made here", false)},
        {"FHCRC", header({}, false, {}, false, {}, true)},
        {"all", header(QByteArray("XY\x02\x00zz", 6), true, "1", true, "c", true)},
    };
    for (const Case& c : cases) {
        const QByteArray gz = ZlibGzip(data, c.Header);
        ASSERT_EQ(ZlibGunzip(gz), data) << c.Label; // the member is sound
        EXPECT_EQ(Gunzip(gz), data) << c.Label;
    }

    const QByteArray extra("E\x01\x00\x00", 4);
    const QByteArray good = ZlibGzip(data, header(extra, true, "n", true, "c", true));
    // A header checksum that does not match.
    QByteArray badHcrc = good;
    const int nameAt = 10 + 2 + static_cast<int>(extra.size());
    badHcrc[nameAt] = 'm';
    EXPECT_EQ(MessageOf([&] { Gunzip(badHcrc); }), "Gzip header checksum error");
    // Reserved flag bits, another magic, another method.
    QByteArray reserved = good;
    reserved[3] = static_cast<char>(reserved.at(3) | 0x20);
    EXPECT_EQ(MessageOf([&] { Gunzip(reserved); }), "Unknown gzip header flags");
    EXPECT_EQ(MessageOf([&] { Gunzip(QByteArray("PK\x03\x04zzzzzzzzzz")); }), "Not a gzip member");
    QByteArray stored = good;
    stored[2] = 0;
    EXPECT_EQ(MessageOf([&] { Gunzip(stored); }), "Not a gzip member");
    // Cut short anywhere: in the header, in the name, in the data.
    for (int keep : {0, 5, 11, nameAt, static_cast<int>(good.size() / 2)})
        EXPECT_EQ(MessageOf([&] { Gunzip(good.left(keep)); }), "buffer error") << keep;
    // A real MTIME and a trailer that does not match: neither check vouches for the data.
    QByteArray badCrc = good;
    badCrc[badCrc.size() - 5] = static_cast<char>(badCrc.at(badCrc.size() - 5) ^ 1);
    EXPECT_EQ(MessageOf([&] { Gunzip(badCrc); }), "data error");
    QByteArray noTrailer = good;
    noTrailer.chop(8);
    EXPECT_EQ(MessageOf([&] { Gunzip(noTrailer); }), "data error");
    // Damaged deflate data.
    QByteArray damaged = good;
    for (int k = 40; k < 60; ++k)
        damaged[k] = static_cast<char>(0xFF);
    EXPECT_THROW(Gunzip(damaged), EZDecompressionError);
}

TEST(GzipMembers, ReadsOneMemberAtTheStreamPositionsAndWritesNothingOnError) {
    TBytesStream a(QByteArray("first picture"));
    TBytesStream b(Noise(70000, 6));
    TBytesStream both(QByteArray("junk"));
    both.SetPosition(4);
    CompressToGzipMember(a, both);
    const Int64 second = both.Position();
    CompressToGzipMember(b, both);

    both.SetPosition(4);
    TBytesStream out(QByteArray("pre"));
    out.SetPosition(3);
    DecompressGzipStream(both, out);
    EXPECT_EQ(both.Position(), second); // left after the first member
    EXPECT_EQ(out.Bytes(), QByteArray("prefirst picture"));
    TBytesStream out2;
    DecompressGzipStream(both, out2);
    EXPECT_EQ(out2.Bytes(), b.Bytes());
    EXPECT_EQ(both.Position(), both.Size());

    TBytesStream broken(both.Bytes().left(static_cast<qsizetype>(second) + 100));
    broken.SetPosition(second);
    TBytesStream untouched;
    EXPECT_THROW(DecompressGzipStream(broken, untouched), EZDecompressionError);
    EXPECT_EQ(untouched.Size(), 0);
}
