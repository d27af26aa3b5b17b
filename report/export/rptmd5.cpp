#include "report/export/rptmd5.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr std::uint32_t Md5Sine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Macros rather than functions: the steps stay inline in unoptimised builds too, where every
// PDF stream of a test run passes through here.
#define KORVEL_MD5_STEP(f, a, b, c, d, x, s, t)                                                              \
    a += f(b, c, d) + (x) + (t);                                                                             \
    a = ((a << (s)) | (a >> (32 - (s)))) + b;
#define KORVEL_MD5_F(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define KORVEL_MD5_G(b, c, d) ((c) ^ ((d) & ((b) ^ (c))))
#define KORVEL_MD5_H(b, c, d) ((b) ^ (c) ^ (d))
#define KORVEL_MD5_I(b, c, d) ((c) ^ ((b) | ~(d)))

} // namespace

void Md5Transform(std::uint32_t* State, const std::uint8_t* Block) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t* p = Block + 4 * i;
        x[i] = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
    std::uint32_t a = State[0], b = State[1], c = State[2], d = State[3];
    const std::uint32_t* t = Md5Sine;

    for (int i = 0; i < 16; i += 4) {
        KORVEL_MD5_STEP(KORVEL_MD5_F, a, b, c, d, x[i], 7, t[i])
        KORVEL_MD5_STEP(KORVEL_MD5_F, d, a, b, c, x[i + 1], 12, t[i + 1])
        KORVEL_MD5_STEP(KORVEL_MD5_F, c, d, a, b, x[i + 2], 17, t[i + 2])
        KORVEL_MD5_STEP(KORVEL_MD5_F, b, c, d, a, x[i + 3], 22, t[i + 3])
    }
    for (int i = 0; i < 16; i += 4) {
        KORVEL_MD5_STEP(KORVEL_MD5_G, a, b, c, d, x[(5 * i + 1) & 15], 5, t[16 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_G, d, a, b, c, x[(5 * i + 6) & 15], 9, t[17 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_G, c, d, a, b, x[(5 * i + 11) & 15], 14, t[18 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_G, b, c, d, a, x[(5 * i) & 15], 20, t[19 + i])
    }
    for (int i = 0; i < 16; i += 4) {
        KORVEL_MD5_STEP(KORVEL_MD5_H, a, b, c, d, x[(3 * i + 5) & 15], 4, t[32 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_H, d, a, b, c, x[(3 * i + 8) & 15], 11, t[33 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_H, c, d, a, b, x[(3 * i + 11) & 15], 16, t[34 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_H, b, c, d, a, x[(3 * i + 14) & 15], 23, t[35 + i])
    }
    for (int i = 0; i < 16; i += 4) {
        KORVEL_MD5_STEP(KORVEL_MD5_I, a, b, c, d, x[(7 * i) & 15], 6, t[48 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_I, d, a, b, c, x[(7 * i + 7) & 15], 10, t[49 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_I, c, d, a, b, x[(7 * i + 14) & 15], 15, t[50 + i])
        KORVEL_MD5_STEP(KORVEL_MD5_I, b, c, d, a, x[(7 * i + 5) & 15], 21, t[51 + i])
    }

    State[0] += a;
    State[1] += b;
    State[2] += c;
    State[3] += d;
}

TrptMD5::~TrptMD5() {
    // Key material of the PDF security handler passes through here.
    volatile std::uint8_t* p = m_Buffer;
    for (std::size_t i = 0; i < sizeof m_Buffer; ++i)
        p[i] = 0;
}

void TrptMD5::Init() {
    m_Count[0] = m_Count[1] = 0;
    m_State[0] = 0x67452301;
    m_State[1] = 0xefcdab89;
    m_State[2] = 0x98badcfe;
    m_State[3] = 0x10325476;
    std::memset(m_Buffer, 0, sizeof m_Buffer);
}

void TrptMD5::Update(const void* chInput, std::uint32_t nInputLen) {
    const auto* input = static_cast<const std::uint8_t*>(chInput);
    std::uint32_t index = (m_Count[0] >> 3) & 0x3F;
    // The bit count is 64 bits wide in two words, so messages past 2^32 bits carry.
    const std::uint32_t bitsLow = nInputLen << 3;
    m_Count[0] += bitsLow;
    if (m_Count[0] < bitsLow) ++m_Count[1];
    m_Count[1] += nInputLen >> 29;

    std::uint32_t i = 0;
    const std::uint32_t partLen = 64 - index;
    if (nInputLen >= partLen) {
        std::memcpy(m_Buffer + index, input, partLen);
        Md5Transform(m_State, m_Buffer);
        for (i = partLen; i + 63 < nInputLen; i += 64)
            Md5Transform(m_State, input + i);
        index = 0;
    }
    if (nInputLen > i) std::memcpy(m_Buffer + index, input + i, nInputLen - i);
}

void TrptMD5::Finalize() {
    std::uint8_t bits[8];
    qToLittleEndian<quint32>(m_Count[0], bits);
    qToLittleEndian<quint32>(m_Count[1], bits + 4);

    static const std::uint8_t padding[64] = {0x80};
    const std::uint32_t index = (m_Count[0] >> 3) & 0x3F;
    const std::uint32_t padLen = index < 56 ? 56 - index : 120 - index;
    Update(padding, padLen);
    Update(bits, 8);

    for (int i = 0; i < 4; ++i)
        qToLittleEndian<quint32>(m_State[i], m_Digest + 4 * i);

    m_Count[0] = m_Count[1] = 0;
    std::memset(m_State, 0, sizeof m_State);
    volatile std::uint8_t* p = m_Buffer;
    for (std::size_t i = 0; i < sizeof m_Buffer; ++i)
        p[i] = 0;
}

void Md5OfBuffer(const void* Buffer, Int64 Length, std::uint8_t* Digest) {
    TrptMD5 md5;
    const auto* p = static_cast<const std::uint8_t*>(Buffer);
    constexpr Int64 piece = Int64(1) << 30;
    while (Length > 0) {
        const Int64 n = Length < piece ? Length : piece;
        md5.Update(p, std::uint32_t(n));
        p += n;
        Length -= n;
    }
    md5.Finalize();
    std::memcpy(Digest, md5.Digest(), 16);
}

QString Md5DigestToHex(const std::uint8_t* Digest) {
    static const char hex[] = "0123456789abcdef";
    QString result(32, Qt::Uninitialized);
    QChar* out = result.data();
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = QLatin1Char(hex[Digest[i] >> 4]);
        out[2 * i + 1] = QLatin1Char(hex[Digest[i] & 15]);
    }
    return result;
}

QString Md5OfString(const QByteArray& S) {
    std::uint8_t digest[16];
    Md5OfBuffer(S.constData(), S.size(), digest);
    return Md5DigestToHex(digest);
}
