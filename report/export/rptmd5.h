#pragma once
// The MD5 message digest (RFC 1321): file identifiers and the key derivations of PDF encryption.

#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// One MD5 block transform on four state words, shared with the hash unit.
void Md5Transform(std::uint32_t* State, const std::uint8_t* Block);

class TrptMD5 : public TObject {
public:
    TrptMD5() { Init(); }
    ~TrptMD5() override;

    void Init();
    void Update(const void* chInput, std::uint32_t nInputLen);
    // Pads, stores the digest and wipes the running state; Init before hashing again.
    void Finalize();
    const std::uint8_t* Digest() const { return m_Digest; }

private:
    std::uint32_t m_State[4];
    std::uint32_t m_Count[2]; // bits hashed, low word first
    std::uint8_t m_Buffer[64];
    std::uint8_t m_Digest[16] = {};
};

// Length may exceed 32 bits; the bytes are fed in pieces.
void Md5OfBuffer(const void* Buffer, Int64 Length, std::uint8_t* Digest);
QString Md5OfString(const QByteArray& S);
QString Md5DigestToHex(const std::uint8_t* Digest);
