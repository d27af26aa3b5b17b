#include "report/export/rptCrypto.h"

#include "platform/rtl/Streams.h"
#include "report/export/rptmd5.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// Tables, built by the compiler from their definitions

namespace {

// Multiplication in GF(2^8) modulo the given polynomial (0x11B for AES, 0x11D for Whirlpool).
constexpr std::uint8_t GfMul(unsigned a, unsigned b, unsigned poly) {
    unsigned r = 0;
    while (b) {
        if (b & 1) r ^= a;
        a <<= 1;
        if (a & 0x100) a ^= poly;
        b >>= 1;
    }
    return std::uint8_t(r);
}

struct TWhirlpoolTables {
    std::uint8_t S[256] = {};
    std::uint64_t C0[256] = {}; // S-box times the first row of the circulant matrix 1,1,4,1,8,5,2,9
    std::uint64_t RC[11] = {};  // round constants, rounds 1..10
};

constexpr TWhirlpoolTables BuildWhirlpoolTables() {
    constexpr std::uint8_t E[16] = {0x1, 0xB, 0x9, 0xC, 0xD, 0x6, 0xF, 0x3,
                                    0xE, 0x8, 0x7, 0x4, 0xA, 0x2, 0x5, 0x0};
    constexpr std::uint8_t R[16] = {0x7, 0xC, 0xB, 0xD, 0xE, 0x4, 0x9, 0xF,
                                    0x6, 0x3, 0x8, 0xA, 0x2, 0x5, 0x1, 0x0};
    std::uint8_t Einv[16] = {};
    for (int i = 0; i < 16; ++i)
        Einv[E[i]] = std::uint8_t(i);

    TWhirlpoolTables t;
    for (int u = 0; u < 256; ++u) {
        const std::uint8_t x = E[u >> 4], y = Einv[u & 15];
        const std::uint8_t r = R[x ^ y];
        t.S[u] = std::uint8_t((E[x ^ r] << 4) | Einv[y ^ r]);
    }
    constexpr unsigned row[8] = {1, 1, 4, 1, 8, 5, 2, 9};
    for (int u = 0; u < 256; ++u) {
        std::uint64_t w = 0;
        for (unsigned m : row)
            w = (w << 8) | GfMul(t.S[u], m, 0x11D);
        t.C0[u] = w;
    }
    for (int r = 1; r <= 10; ++r) {
        std::uint64_t w = 0;
        for (int k = 0; k < 8; ++k)
            w = (w << 8) | t.S[8 * (r - 1) + k];
        t.RC[r] = w;
    }
    return t;
}

constexpr TWhirlpoolTables Whirlpool = BuildWhirlpoolTables();

struct TAESTables {
    std::uint8_t S[256] = {};
    std::uint8_t InvS[256] = {};
};

constexpr TAESTables BuildAESTables() {
    TAESTables t;
    for (unsigned x = 0; x < 256; ++x) {
        // x^254 is the multiplicative inverse (0 stays 0).
        unsigned inv = 1, base = x, e = 254;
        while (e) {
            if (e & 1) inv = GfMul(inv, base, 0x11B);
            base = GfMul(base, base, 0x11B);
            e >>= 1;
        }
        if (x == 0) inv = 0;
        unsigned s = inv;
        for (int k = 1; k <= 4; ++k)
            s ^= ((inv << k) | (inv >> (8 - k))) & 0xFF;
        s ^= 0x63;
        t.S[x] = std::uint8_t(s);
        t.InvS[s] = std::uint8_t(x);
    }
    return t;
}

constexpr TAESTables AES = BuildAESTables();

static_assert(Whirlpool.S[0] == 0x18 && Whirlpool.C0[0] == 0x18186018c07830d8ULL);
static_assert(AES.S[0] == 0x63 && AES.S[0x53] == 0xED && AES.InvS[0x63] == 0);

} // namespace

// ---------------------------------------------------------------------------------------------
// TCryptoHash

std::unique_ptr<TCryptoHash> TCryptoHash::Create(const QString& Name) {
    if (Name == QLatin1String("MD5")) return std::make_unique<TCryptoMD5>();
    if (Name == QLatin1String("SHA1")) return std::make_unique<TCryptoSHA1>();
    if (Name == QLatin1String("Whirlpool")) return std::make_unique<TCryptoWhirlpool>();
    if (Name == QLatin1String("Jenkins")) return std::make_unique<TCryptoJenkins>();
    return nullptr;
}

void TCryptoHash::Hash(const QString& Name, void* Digest, int DigestSize, const void* Data, Int64 Size) {
    std::unique_ptr<TCryptoHash> hash = Create(Name);
    if (!hash) throw ECryptoHashUnknown(Name);
    hash->Push(Data, Size);
    hash->GetDigest(Digest, DigestSize);
}

void TCryptoHash::Hash(const QString& Name, void* Digest, int DigestSize, const QByteArray& s) {
    Hash(Name, Digest, DigestSize, s.constData(), s.size());
}

void TCryptoHash::Push(std::uint8_t b) {
    const std::size_t size = FChunk.size();
    FChunk[std::size_t(FLength % Int64(size))] = b;
    ++FLength;
    if (FLength % Int64(size) == 0) ProcessChunk(FChunk.data());
}

void TCryptoHash::Push(const void* Data, Int64 Size) {
    if (Size <= 0) return;
    const auto* p = static_cast<const std::uint8_t*>(Data);
    const Int64 block = Int64(FChunk.size());
    Int64 pos = FLength % block;
    if (pos != 0) {
        const Int64 n = std::min(block - pos, Size);
        std::memcpy(FChunk.data() + pos, p, std::size_t(n));
        FLength += n;
        p += n;
        Size -= n;
        if (pos + n < block) return;
        ProcessChunk(FChunk.data());
    }
    // Whole blocks straight from the caller's buffer.
    while (Size >= block) {
        ProcessChunk(p);
        FLength += block;
        p += block;
        Size -= block;
    }
    if (Size > 0) {
        std::memcpy(FChunk.data(), p, std::size_t(Size));
        FLength += Size;
    }
}

void TCryptoHash::Push(TStream& Stream) {
    Stream.SetPosition(0);
    // Whole multiples of the block size keep the calls few; the effect is that of block-size reads.
    std::vector<std::uint8_t> buffer(FChunk.size() * 1024);
    for (;;) {
        const Int64 n = Stream.Read(buffer.data(), Int64(buffer.size()));
        if (n <= 0) break;
        Push(buffer.data(), n);
    }
}

void TCryptoHash::Reset() {
    FLength = 0;
}

void TCryptoHash::PadChunk(int N, bool LittleEndian) {
    const UInt64 bits = UInt64(FLength) * 8;
    const std::size_t block = FChunk.size();
    const std::size_t field = block - std::size_t(N);
    std::size_t pos = std::size_t(FLength % Int64(block));
    FChunk[pos++] = 0x80;
    ++FLength;
    if (pos > field) {
        std::fill(FChunk.begin() + std::ptrdiff_t(pos), FChunk.end(), 0);
        FLength += Int64(block - pos);
        ProcessChunk(FChunk.data());
        pos = 0;
    }
    std::fill(FChunk.begin() + std::ptrdiff_t(pos), FChunk.end(), 0);
    FLength += Int64(field - pos);
    const int width = std::min(N, 8);
    for (int i = 0; i < width; ++i) {
        const auto b = std::uint8_t(bits >> (8 * i));
        FChunk[LittleEndian ? field + std::size_t(i) : block - 1 - std::size_t(i)] = b;
    }
    ProcessChunk(FChunk.data());
}

void TCryptoHash::CheckDigestSize(int Size) const {
    if (Size != DigestSize())
        throw EInvalidArgument(QStringLiteral("Assertion failure (rptCrypto): digest size %1, expected %2")
                                   .arg(Size)
                                   .arg(DigestSize()));
}

// ---------------------------------------------------------------------------------------------
// MD5

TCryptoMD5::TCryptoMD5() : TCryptoHash(64) {
    TCryptoMD5::Reset();
}

void TCryptoMD5::Reset() {
    TCryptoHash::Reset();
    FState[0] = 0x67452301;
    FState[1] = 0xefcdab89;
    FState[2] = 0x98badcfe;
    FState[3] = 0x10325476;
}

void TCryptoMD5::ProcessChunk(const std::uint8_t* Block) {
    Md5Transform(FState, Block);
}

void TCryptoMD5::GetDigest(void* Digest, int Size) {
    CheckDigestSize(Size);
    PadChunk(8, true);
    auto* out = static_cast<std::uint8_t*>(Digest);
    for (int i = 0; i < 4; ++i)
        qToLittleEndian<quint32>(FState[i], out + 4 * i);
}

// ---------------------------------------------------------------------------------------------
// SHA-1

TCryptoSHA1::TCryptoSHA1() : TCryptoHash(64) {
    TCryptoSHA1::Reset();
}

void TCryptoSHA1::Reset() {
    TCryptoHash::Reset();
    FState[0] = 0x67452301;
    FState[1] = 0xEFCDAB89;
    FState[2] = 0x98BADCFE;
    FState[3] = 0x10325476;
    FState[4] = 0xC3D2E1F0;
}

void TCryptoSHA1::ProcessChunk(const std::uint8_t* Block) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i)
        w[i] = qFromBigEndian<quint32>(Block + 4 * i);
    std::uint32_t a = FState[0], b = FState[1], c = FState[2], d = FState[3], e = FState[4];
    for (int t = 0; t < 80; ++t) {
        if (t >= 16) {
            w[t & 15] = std::rotl(w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15], 1);
        }
        std::uint32_t f, k;
        if (t < 20) {
            f = d ^ (b & (c ^ d));
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (d & (b | c));
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const std::uint32_t temp = std::rotl(a, 5) + f + e + k + w[t & 15];
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = temp;
    }
    FState[0] += a;
    FState[1] += b;
    FState[2] += c;
    FState[3] += d;
    FState[4] += e;
}

void TCryptoSHA1::GetDigest(void* Digest, int Size) {
    CheckDigestSize(Size);
    PadChunk(8, false);
    auto* out = static_cast<std::uint8_t*>(Digest);
    for (int i = 0; i < 5; ++i)
        qToBigEndian<quint32>(FState[i], out + 4 * i);
}

// ---------------------------------------------------------------------------------------------
// Whirlpool

namespace {

// Substitution, column shift and mixing of one row in one step.
inline std::uint64_t WhirlpoolRow(const TCryptoWhirlpoolMatrix& a, int i) {
    std::uint64_t r = 0;
    for (int k = 0; k < 8; ++k) {
        const unsigned byte = unsigned(a[std::size_t((i - k) & 7)] >> (56 - 8 * k)) & 0xFF;
        r ^= std::rotr(Whirlpool.C0[byte], 8 * k);
    }
    return r;
}

} // namespace

TCryptoWhirlpool::TCryptoWhirlpool() : TCryptoHash(64) {
    TCryptoWhirlpool::Reset();
}

void TCryptoWhirlpool::Reset() {
    TCryptoHash::Reset();
    FState.fill(0);
}

void TCryptoWhirlpool::ProcessChunk(const std::uint8_t* Block) {
    TCryptoWhirlpoolMatrix m, k = FState, s, l;
    for (int i = 0; i < 8; ++i) {
        m[std::size_t(i)] = qFromBigEndian<quint64>(Block + 8 * i);
        s[std::size_t(i)] = m[std::size_t(i)] ^ k[std::size_t(i)];
    }
    for (int r = 1; r <= 10; ++r) {
        for (int i = 0; i < 8; ++i)
            l[std::size_t(i)] = WhirlpoolRow(k, i);
        l[0] ^= Whirlpool.RC[r];
        k = l;
        for (int i = 0; i < 8; ++i)
            l[std::size_t(i)] = WhirlpoolRow(s, i) ^ k[std::size_t(i)];
        s = l;
    }
    for (std::size_t i = 0; i < 8; ++i)
        FState[i] ^= s[i] ^ m[i];
}

void TCryptoWhirlpool::GetDigest(void* Digest, int Size) {
    CheckDigestSize(Size);
    PadChunk(32, false);
    auto* out = static_cast<std::uint8_t*>(Digest);
    for (int i = 0; i < 8; ++i)
        qToBigEndian<quint64>(FState[std::size_t(i)], out + 8 * i);
}

// ---------------------------------------------------------------------------------------------
// Jenkins

TCryptoJenkins::TCryptoJenkins() : TCryptoHash(64) {}

void TCryptoJenkins::Reset() {
    TCryptoHash::Reset();
    FState = 0;
}

void TCryptoJenkins::ProcessChunk(const std::uint8_t* Block) {
    std::uint32_t s = FState;
    for (int i = 0; i < 64; ++i) {
        s += Block[i];
        s += s << 10;
        s ^= s >> 6;
    }
    FState = s;
}

void TCryptoJenkins::GetDigest(void* Digest, int Size) {
    CheckDigestSize(Size);
    PadChunk(ChunkSize() / 2, true);
    std::uint32_t s = FState;
    s += s << 3;
    s ^= s >> 11;
    s += s << 15;
    FState = s;
    qToLittleEndian<quint32>(s, Digest);
}

// ---------------------------------------------------------------------------------------------
// AES

TCryptoAES::TCryptoAES(const void* Key, int KeyLength) {
    if (KeyLength != 16 && KeyLength != 24 && KeyLength != 32)
        throw ECryptoAESInvalidKeyLength(QStringLiteral("AES-%1 is undefined").arg(KeyLength * 8));
    const int nk = KeyLength / 4;
    FNr = nk + 6;
    const int words = 4 * (FNr + 1);
    std::vector<std::array<std::uint8_t, 4>> w(static_cast<std::size_t>(words));
    std::memcpy(w.data(), Key, std::size_t(KeyLength));
    std::uint8_t rcon = 1;
    for (int i = nk; i < words; ++i) {
        std::array<std::uint8_t, 4> t = w[std::size_t(i - 1)];
        if (i % nk == 0) {
            t = {std::uint8_t(AES.S[t[1]] ^ rcon), AES.S[t[2]], AES.S[t[3]], AES.S[t[0]]};
            rcon = GfMul(rcon, 2, 0x11B);
        } else if (nk > 6 && i % nk == 4) {
            for (auto& b : t)
                b = AES.S[b];
        }
        for (int b = 0; b < 4; ++b)
            w[std::size_t(i)][b] = w[std::size_t(i - nk)][b] ^ t[b];
    }
    FW.resize(std::size_t(FNr + 1));
    for (int r = 0; r <= FNr; ++r)
        for (int c = 0; c < 4; ++c)
            for (int row = 0; row < 4; ++row)
                FW[std::size_t(r)][row][c] = w[std::size_t(4 * r + c)][row];
}

namespace {

inline void AddRoundKey(TCryptoAESMatrix& s, const TCryptoAESMatrix& k) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            s[r][c] ^= k[r][c];
}

inline std::uint8_t XTime(std::uint8_t b) {
    return std::uint8_t((b << 1) ^ ((b & 0x80) ? 0x1B : 0));
}

} // namespace

void TCryptoAES::EncryptBlock(TCryptoAESMatrix& State) {
    AddRoundKey(State, FW[0]);
    for (int round = 1; round <= FNr; ++round) {
        TCryptoAESMatrix t;
        // SubBytes and ShiftRows: row r moves r places to the left.
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                t[r][c] = AES.S[State[r][(c + r) & 3]];
        if (round < FNr) {
            for (int c = 0; c < 4; ++c) {
                const std::uint8_t a0 = t[0][c], a1 = t[1][c], a2 = t[2][c], a3 = t[3][c];
                const std::uint8_t all = a0 ^ a1 ^ a2 ^ a3;
                t[0][c] = a0 ^ all ^ XTime(a0 ^ a1);
                t[1][c] = a1 ^ all ^ XTime(a1 ^ a2);
                t[2][c] = a2 ^ all ^ XTime(a2 ^ a3);
                t[3][c] = a3 ^ all ^ XTime(a3 ^ a0);
            }
        }
        State = t;
        AddRoundKey(State, FW[std::size_t(round)]);
    }
}

void TCryptoAES::DecryptBlock(TCryptoAESMatrix& State) {
    AddRoundKey(State, FW[std::size_t(FNr)]);
    for (int round = FNr - 1; round >= 0; --round) {
        TCryptoAESMatrix t;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                t[r][(c + r) & 3] = AES.InvS[State[r][c]];
        AddRoundKey(t, FW[std::size_t(round)]);
        if (round > 0) {
            for (int c = 0; c < 4; ++c) {
                const std::uint8_t a0 = t[0][c], a1 = t[1][c], a2 = t[2][c], a3 = t[3][c];
                t[0][c] =
                    GfMul(a0, 14, 0x11B) ^ GfMul(a1, 11, 0x11B) ^ GfMul(a2, 13, 0x11B) ^ GfMul(a3, 9, 0x11B);
                t[1][c] =
                    GfMul(a0, 9, 0x11B) ^ GfMul(a1, 14, 0x11B) ^ GfMul(a2, 11, 0x11B) ^ GfMul(a3, 13, 0x11B);
                t[2][c] =
                    GfMul(a0, 13, 0x11B) ^ GfMul(a1, 9, 0x11B) ^ GfMul(a2, 14, 0x11B) ^ GfMul(a3, 11, 0x11B);
                t[3][c] =
                    GfMul(a0, 11, 0x11B) ^ GfMul(a1, 13, 0x11B) ^ GfMul(a2, 9, 0x11B) ^ GfMul(a3, 14, 0x11B);
            }
        }
        State = t;
    }
}

void TCryptoAES::Encrypt(void* Output, const void* Input) {
    TCryptoAESMatrix state;
    const auto* in = static_cast<const std::uint8_t*>(Input);
    for (int i = 0; i < 16; ++i)
        state[i & 3][i >> 2] = in[i];
    EncryptBlock(state);
    auto* out = static_cast<std::uint8_t*>(Output);
    for (int i = 0; i < 16; ++i)
        out[i] = state[i & 3][i >> 2];
}

void TCryptoAES::Decrypt(void* Output, const void* Input) {
    TCryptoAESMatrix state;
    const auto* in = static_cast<const std::uint8_t*>(Input);
    for (int i = 0; i < 16; ++i)
        state[i & 3][i >> 2] = in[i];
    DecryptBlock(state);
    auto* out = static_cast<std::uint8_t*>(Output);
    for (int i = 0; i < 16; ++i)
        out[i] = state[i & 3][i >> 2];
}
