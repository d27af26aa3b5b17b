#include "report/export/rptRC4.h"

#include <utility>

TrptRC4::~TrptRC4() {
    volatile std::uint8_t* p = FKey;
    for (int i = 0; i < 256; ++i)
        p[i] = 0;
}

void TrptRC4::Start(const void* Key, int KeyLength) {
    if (KeyLength < 1 || KeyLength > 256) return;
    const auto* key = static_cast<const std::uint8_t*>(Key);
    for (int i = 0; i < 256; ++i)
        FKey[i] = std::uint8_t(i);
    std::uint8_t j = 0;
    int k = 0;
    for (int i = 0; i < 256; ++i) {
        j = std::uint8_t(j + FKey[i] + key[k]);
        std::swap(FKey[i], FKey[j]);
        if (++k == KeyLength) k = 0;
    }
}

void TrptRC4::Crypt(const void* Source, void* Target, Int64 Length) {
    const auto* src = static_cast<const std::uint8_t*>(Source);
    auto* dst = static_cast<std::uint8_t*>(Target);
    std::uint8_t* s = FKey;
    std::uint8_t i = 0, j = 0;
    for (Int64 k = 0; k < Length; ++k) {
        ++i;
        const std::uint8_t si = s[i];
        j = std::uint8_t(j + si);
        const std::uint8_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        dst[k] = src[k] ^ s[std::uint8_t(si + sj)];
    }
}
