#pragma once
// Block-oriented hashes behind one base class, a factory by name, and the AES block cipher.
// The PDF export fingerprints picture data with TCryptoMD5 to share identical images.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TStream;

KORVEL_EXCEPTION(ECryptoHash, Exception)

class ECryptoHashUnknown : public ECryptoHash {
public:
    explicit ECryptoHashUnknown(const QString& Name)
        : ECryptoHash(QStringLiteral("Hash function %1 is unknown").arg(Name)) {}
    QString ClassName() const override { return QStringLiteral("ECryptoHashUnknown"); }
    bool InheritsFrom(const QString& name) const override {
        return name.compare(QLatin1String("ECryptoHashUnknown"), Qt::CaseInsensitive) == 0 ||
               ECryptoHash::InheritsFrom(name);
    }
    [[noreturn]] void Raise() const override { throw *this; }
};

KORVEL_EXCEPTION(ECryptoAESException, Exception)
KORVEL_EXCEPTION(ECryptoAESInvalidKeyLength, ECryptoAESException)

class TCryptoHash : public TObject {
public:
    // "MD5", "SHA1", "Whirlpool" or "Jenkins", exactly; any other name gives no object.
    static std::unique_ptr<TCryptoHash> Create(const QString& Name);
    // Hashes Data with the named function; an unknown name raises ECryptoHashUnknown.
    static void Hash(const QString& Name, void* Digest, int DigestSize, const void* Data, Int64 Size);
    static void Hash(const QString& Name, void* Digest, int DigestSize, const QByteArray& s);

    void Push(std::uint8_t b);
    void Push(const void* Data, Int64 Size);
    // The whole stream from its beginning.
    void Push(TStream& Stream);

    // Finishes the message and copies the digest; Size must be DigestSize(). The message is
    // consumed: hash again only after Reset.
    virtual void GetDigest(void* Digest, int Size) = 0;
    virtual int DigestSize() const = 0;
    int ChunkSize() const { return int(FChunk.size()); }
    virtual void Reset();

protected:
    explicit TCryptoHash(int ChunkSize) : FChunk(std::size_t(ChunkSize)) {}

    virtual void ProcessChunk(const std::uint8_t* Block) = 0;
    // Appends 0x80, zeros and the message length in bits in the last N bytes of a block.
    virtual void PadChunk(int N, bool LittleEndian);
    void CheckDigestSize(int Size) const;

    std::vector<std::uint8_t> FChunk;
    // 64 bits, so messages of 2^32 bits and more keep their true length.
    Int64 FLength = 0;
};

class TCryptoMD5 : public TCryptoHash {
public:
    TCryptoMD5();
    void GetDigest(void* Digest, int Size) override;
    int DigestSize() const override { return 16; }
    void Reset() override;

protected:
    void ProcessChunk(const std::uint8_t* Block) override;

private:
    std::uint32_t FState[4];
};

class TCryptoSHA1 : public TCryptoHash {
public:
    TCryptoSHA1();
    void GetDigest(void* Digest, int Size) override;
    int DigestSize() const override { return 20; }
    void Reset() override;

protected:
    void ProcessChunk(const std::uint8_t* Block) override;

private:
    std::uint32_t FState[5];
};

// 8 x 8 bytes; each row is one word with its first byte most significant.
using TCryptoWhirlpoolMatrix = std::array<std::uint64_t, 8>;

class TCryptoWhirlpool : public TCryptoHash {
public:
    TCryptoWhirlpool();
    void GetDigest(void* Digest, int Size) override;
    int DigestSize() const override { return 64; }
    void Reset() override;

protected:
    void ProcessChunk(const std::uint8_t* Block) override;

private:
    TCryptoWhirlpoolMatrix FState;
};

// Jenkins' one-at-a-time mixing over the padded message (the padding is mixed in too).
class TCryptoJenkins : public TCryptoHash {
public:
    TCryptoJenkins();
    void GetDigest(void* Digest, int Size) override;
    int DigestSize() const override { return 4; }
    void Reset() override;

protected:
    void ProcessChunk(const std::uint8_t* Block) override;

private:
    std::uint32_t FState = 0;
};

// [row][column]
using TCryptoAESMatrix = std::array<std::array<std::uint8_t, 4>, 4>;

// One AES block at a time (FIPS-197): no chaining mode, no padding.
class TCryptoAES : public TObject {
public:
    // 16, 24 or 32 key bytes; any other length raises ECryptoAESInvalidKeyLength.
    TCryptoAES(const void* Key, int KeyLength);
    explicit TCryptoAES(const QByteArray& Key) : TCryptoAES(Key.constData(), int(Key.size())) {}

    // 16 bytes in, 16 bytes out; Output may be Input.
    virtual void Encrypt(void* Output, const void* Input);
    virtual void Decrypt(void* Output, const void* Input);

protected:
    virtual void EncryptBlock(TCryptoAESMatrix& State);
    virtual void DecryptBlock(TCryptoAESMatrix& State);

private:
    int FNr = 0;
    std::vector<TCryptoAESMatrix> FW;
};
