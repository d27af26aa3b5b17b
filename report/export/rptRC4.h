#pragma once
// The RC4 stream cipher of PDF encryption. Crypt starts its counters afresh on every call, so
// callers run Start before each Crypt and encrypt a whole string or stream at once.

#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

#include <cstdint>

class TrptRC4 : public TObject {
public:
    ~TrptRC4() override;

    // Key schedule; a KeyLength outside 1..256 leaves the state as it was.
    void Start(const void* Key, int KeyLength);
    // Source and Target may be the same buffer.
    void Crypt(const void* Source, void* Target, Int64 Length);

private:
    std::uint8_t FKey[256] = {};
};
