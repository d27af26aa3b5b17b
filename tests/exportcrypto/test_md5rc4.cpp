#include "report/export/rptRC4.h"
#include "report/export/rptmd5.h"

#include "CryptoTestData.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

QString Md5Of(const QByteArray& bytes) {
    std::uint8_t digest[16];
    Md5OfBuffer(bytes.constData(), bytes.size(), digest);
    return Md5DigestToHex(digest);
}

} // namespace

TEST(Md5, Rfc1321TestSuite) {
    const struct {
        const char* message;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Md5OfString(QByteArray(c.message)), QString(c.digest)) << c.message;
}

// Lengths around the padding boundary (56 bytes) and the block boundary (64 bytes).
TEST(Md5, BlockBoundariesInEveryPieceSize) {
    const struct {
        int length;
        const char* digest;
    } cases[] = {
        {1, "89e74e640b8c46257a29de0616794d5d"},    {55, "c9e512626618c9980ef21a96597af94c"},
        {56, "ecde7caa08e9f5657c863df107cac60a"},   {57, "b17b1a018dd6a4d1edda8aca15f17846"},
        {63, "2f0301069e1c40af7f6c8f843b1b13f2"},   {64, "b6bf87c24b1bc334e2541387a92b981b"},
        {65, "f168246f08b6134d66bd2a10343fa9f1"},   {119, "d5dc3d8264de3aa24dee105910ee27fe"},
        {120, "bcc139b3848923904860d1eefd6e5923"},  {127, "27670172396247fa5f68637f13f8933d"},
        {128, "3e85b70ffc8df5c735ecf2a8f14f1bee"},  {129, "e45ecac9930fe93de302f98ba673ba36"},
        {1000, "2b1e78d5765de9e10495a01412a1cf22"},
    };
    for (const auto& c : cases) {
        const QByteArray message = PatternBytes(c.length);
        EXPECT_EQ(Md5Of(message), QString(c.digest)) << c.length;
        for (int piece : {1, 3, 55, 63, 64, 65, 100}) {
            TrptMD5 md5;
            for (int at = 0; at < message.size(); at += piece)
                md5.Update(message.constData() + at,
                           std::uint32_t(std::min(piece, int(message.size()) - at)));
            md5.Finalize();
            EXPECT_EQ(Md5DigestToHex(md5.Digest()), QString(c.digest))
                << c.length << " in pieces of " << piece;
        }
    }
}

TEST(Md5, MillionBytesAndReuseAfterInit) {
    TrptMD5 md5;
    md5.Update("junk", 4);
    md5.Finalize();
    md5.Init();
    const QByteArray a(1000, 'a');
    for (int i = 0; i < 1000; ++i)
        md5.Update(a.constData(), std::uint32_t(a.size()));
    md5.Finalize();
    EXPECT_EQ(Md5DigestToHex(md5.Digest()), QString("7707d6ae4e027c70eea2a935c2296f21"));
}

TEST(Md5, DigestToHexIsLowerCaseHighNibbleFirst) {
    const std::uint8_t digest[16] = {0x00, 0x0f, 0xf0, 0xff, 0xa5, 0x5a, 0x10, 0x01,
                                     0xde, 0xad, 0xbe, 0xef, 0x12, 0x34, 0xcd, 0xef};
    EXPECT_EQ(Md5DigestToHex(digest), QString("000ff0ffa55a1001deadbeef1234cdef"));
}

// The bit count is 64 bits wide: past 2^32 bits (512 MiB) the high word must carry.
TEST(Md5, MessageLongerThan2To32Bits) {
    const QByteArray piece = PatternBytes(1 << 20);
    TrptMD5 md5;
    for (int i = 0; i < 512; ++i)
        md5.Update(piece.constData(), std::uint32_t(piece.size()));
    md5.Update("abc", 3);
    md5.Finalize();
    EXPECT_EQ(Md5DigestToHex(md5.Digest()), QString("b082af621e00ad64122a95f295a07a6c"));
}

// RFC 6229: keystream at offsets 0, 16, 240, 256, … 4096 of one Crypt call over 4112 zero bytes.
TEST(Rc4, Rfc6229Keystreams) {
    const int offsets[18] = {0,    16,   240,  256,  496,  512,  752,  768,  1008,
                             1024, 1520, 1536, 2032, 2048, 3056, 3072, 4080, 4096};
    const struct {
        const char* key;
        const char* stream[18];
    } cases[] = {
        {"0102030405",
         {"b2396305f03dc027ccc3524a0a1118a8", "6982944f18fc82d589c403a47a0d0919",
          "28cb1132c96ce286421dcaadb8b69eae", "1cfcf62b03eddb641d77dfcf7f8d8c93",
          "42b7d0cdd918a8a33dd51781c81f4041", "6459844432a7da923cfb3eb4980661f6",
          "ec10327bde2beefd18f9277680457e22", "eb62638d4f0ba1fe9fca20e05bf8ff2b",
          "45129048e6a0ed0b56b490338f078da5", "30abbcc7c20b01609f23ee2d5f6bb7df",
          "3294f744d8f9790507e70f62e5bbceea", "d8729db41882259bee4f825325f5a130",
          "1eb14a0c13b3bf47fa2a0ba93ad45b8b", "cc582f8ba9f265e2b1be9112e975d2d7",
          "f2e30f9bd102ecbf75aaade9bc35c43c", "ec0e11c479dc329dc8da7968fe965681",
          "068326a2118416d21f9d04b2cd1ca050", "ff25b58995996707e51fbdf08b34d875"}},
        {"01020304050607",
         {"293f02d47f37c9b633f2af5285feb46b", "e620f1390d19bd84e2e0fd752031afc1",
          "914f02531c9218810df60f67e338154c", "d0fdb583073ce85ab83917740ec011d5",
          "75f81411e871cffa70b90c74c592e454", "0bb87202938dad609e87a5a1b079e5e4",
          "c2911246b612e7e7b903dfeda1dad866", "32828f91502b6291368de8081de36fc2",
          "f3b9a7e3b297bf9ad804512f9063eff1", "8ecb67a9ba1f55a5a067e2b026a3676f",
          "d2aa902bd42d0d7cfd340cd45810529f", "78b272c96e42eab4c60bd914e39d06e3",
          "f4332fd31a079396ee3cee3f2a4ff049", "05459781d41fda7f30c1be7e1246c623",
          "adfd3868b8e51485d5e610017e3dd609", "ad26581c0c5be45f4cea01db2f3805d5",
          "f3172ceffc3b3d997c85ccd5af1a950c", "e74b0b9731227fd37c0ec08a47ddd8b8"}},
        {"0102030405060708090a0b0c0d0e0f10",
         {"9ac7cc9a609d1ef7b2932899cde41b97", "5248c4959014126a6e8a84f11d1a9e1c",
          "065902e4b620f6cc36c8589f66432f2b", "d39d566bc6bce3010768151549f3873f",
          "b6d1e6c4a5e4771cad79538df295fb11", "c68c1d5c559a974123df1dbc52a43b89",
          "c5ecf88de897fd57fed301701b82a259", "eccbe13de1fcc91c11a0b26c0bc8fa4d",
          "e7a72574f8782ae26aabcf9ebcd66065", "bdf0324e6083dcc6d3cedd3ca8c53c16",
          "b40110c4190b5622a96116b0017ed297", "ffa0b514647ec04f6306b892ae661181",
          "d03d1bc03cd33d70dff9fa5d71963ebd", "8a44126411eaa78bd51e8d87a8879bf5",
          "fabeb76028ade2d0e48722e46c4615a3", "c05d88abd50357f935a63c59ee537623",
          "ff38265c1642c1abe8d3c2fe5e572bf8", "a36a4c301ae8ac13610ccbc12256cacc"}},
        {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20",
         {"eaa6bd25880bf93d3f5d1e4ca2611d91", "cfa45c9f7e714b54bdfa80027cb14380",
          "114ae344ded71b35f2e60febad727fd8", "02e1e7056b0f623900496422943e97b6",
          "91cb93c787964e10d9527d999c6f936b", "49b18b42f8e8367cbeb5ef104ba1c7cd",
          "87084b3ba700bade955610672745b374", "e7a7b9e9ec540d5ff43bdb12792d1b35",
          "c799b596738f6b018c76c74b1759bd90", "7fec5bfd9f9b89ce6548309092d7e958",
          "40f250b26d1f096a4afd4c340a588815", "3e34135c79db010200767651cf263073",
          "f656abccf88dd827027b2ce917d464ec", "18b62503bfbc077fbabb98f20d98ab34",
          "8aed95ee5b0dcbfbef4eb21d3a3f52f9", "625a1ab00ee39a5327346bddb01a9c18",
          "a13a7c79c7e119b5ab0296ab28c300b9", "f3e4c0a2e02d1d01f7f0a74618af2b48"}},
    };
    for (const auto& c : cases) {
        const QByteArray key = QByteArray::fromHex(c.key);
        const QByteArray zeros(4112, '\0');
        QByteArray stream(zeros.size(), '\0');
        TrptRC4 rc4;
        rc4.Start(key.constData(), int(key.size()));
        rc4.Crypt(zeros.constData(), stream.data(), zeros.size());
        for (int i = 0; i < 18; ++i)
            EXPECT_EQ(stream.mid(offsets[i], 16).toHex(), QByteArray(c.stream[i]))
                << c.key << " at " << offsets[i];
    }
}

// The PDF writer restarts the key before every string and stream and may encrypt in place.
TEST(Rc4, StartBeforeEachCryptRoundTripsInPlace) {
    const QByteArray key = QByteArray::fromHex("0102030405");
    const QByteArray plain = PatternBytes(1000);
    TrptRC4 rc4;
    rc4.Start(key.constData(), int(key.size()));
    QByteArray once(plain.size(), '\0');
    rc4.Crypt(plain.constData(), once.data(), plain.size());
    const QByteArray keystream = QByteArray::fromHex("b2396305f03dc027ccc3524a0a1118a8");
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(quint8(once[i]), quint8(plain[i] ^ keystream[i])) << i;

    QByteArray inPlace = plain;
    rc4.Start(key.constData(), int(key.size()));
    rc4.Crypt(inPlace.constData(), inPlace.data(), inPlace.size());
    EXPECT_EQ(inPlace, once);

    rc4.Start(key.constData(), int(key.size()));
    rc4.Crypt(inPlace.constData(), inPlace.data(), inPlace.size());
    EXPECT_EQ(inPlace, plain);
}

TEST(Rc4, KeyLengthOutsideOneTo256KeepsEarlierState) {
    const QByteArray key = QByteArray::fromHex("0102030405");
    const QByteArray other(257, 'x');
    for (int badLength : {0, -1, 257}) {
        TrptRC4 rc4;
        rc4.Start(key.constData(), int(key.size()));
        rc4.Start(other.constData(), badLength);
        QByteArray stream(16, '\0');
        rc4.Crypt(stream.constData(), stream.data(), stream.size());
        EXPECT_EQ(stream.toHex(), QByteArray("b2396305f03dc027ccc3524a0a1118a8")) << badLength;
    }
    // 256 is the longest key that counts: its last byte must change the schedule.
    QByteArray longKey(256, 'k');
    TrptRC4 a, b;
    a.Start(longKey.constData(), 256);
    longKey[255] = 'K';
    b.Start(longKey.constData(), 256);
    QByteArray sa(16, '\0'), sb(16, '\0');
    a.Crypt(sa.constData(), sa.data(), 16);
    b.Crypt(sb.constData(), sb.data(), 16);
    EXPECT_NE(sa, sb);
}
