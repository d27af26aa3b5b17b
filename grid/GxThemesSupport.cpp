#include "grid/GxThemesSupport.h"

#include "platform/rtl/Exceptions.h"

#include <array>

namespace {

using TScheme = std::array<TColor, 24>;

struct TThemeState {
    void* Library = nullptr;
    std::array<TScheme, 7> Schemes{};
    int Current = 2;

    TThemeState() {
        for (auto& s : Schemes)
            s.fill(0);
        // Columns are schemes 1..6, rows colours 0..23; colour 13 of schemes 2..6 copies colour 2.
        static const TColor table[24][6] = {
            {0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},
            {0x0A0A0A, 0xCE9266, 0xA69F9B, 0xCE9266, 0xA69F9B, 0xA69F9B},
            {0x5C534C, 0xCF9365, 0x74706F, 0xBD9D84, 0xB5ACA5, 0x3B3B3B},
            {0xF2F1F0, 0xFFEFE3, 0xF2F1F0, 0xE5D0BF, 0xE0DBD6, 0x858585},
            {0xE1D6D2, 0xF0D9C2, 0xE1D6D2, 0xF0D9C2, 0xE1D6D2, 0xE1D6D2},
            {0x3C8CFB, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},
            {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFBF5EF, 0xF9F7F5, 0xF9F7F5},
            {0xC9C2BD, 0xFFD2AF, 0xE7DFDA, 0xFAECE1, 0xF6F2EF, 0xF6F2EF},
            {0xEBEBEB, 0xEEE7DD, 0xEBEBEB, 0xF5F2F0, 0xEBEBEB, 0xF5F2F0},
            {0x000000, 0x8B4215, 0x8B4215, 0x8B4215, 0x8B4215, 0x8B4215},
            {0xA49991, 0xFFC69A, 0x8F6D6E, 0xBD9D84, 0xB5ACA5, 0xB5ACA5},
            {0xC9C2BD, 0xFFD2AF, 0xE7DFDA, 0xE7DFDA, 0xE7DFDA, 0xE7DFDA},
            {0xF2F1F0, 0xFFEFE3, 0xF8F7F6, 0xF8F7F6, 0xF8F7F6, 0xF8F7F6},
            {0xB6ADA7, 0, 0, 0, 0, 0},
            {0xC9B0A7, 0xC9B0A7, 0xC9B0A7, 0xF0CDA7, 0xF0CDA7, 0xF0CDA7},
            {0, 0, 0, 0, 0, 0},
            {0, 0, 0, 0, 0, 0},
            {0, 0, 0, 0, 0, 0},
            {0xA0A09E, 0xE9CFB8, 0xC2B7B2, 0xC2B7B2, 0xC2B7B2, 0xC2B7B2},
            {0xA2E7FF, 0xA2E7FF, 0xC2EEFF, 0xC2EEFF, 0xC2EEFF, 0xC2EEFF},
            {0x69BDFF, 0x69BDFF, 0x6FC0FF, 0x6FC0FF, 0x6FC0FF, 0x6FC0FF},
            {0x3C8CFB, 0x3C8CFB, 0x3E80FE, 0x3E80FE, 0x3E80FE, 0x3E80FE},
            {0xF2F1F0, 0xFFEFE3, 0xBFA7A8, 0xBFA7A8, 0xBFA7A8, 0xBFA7A8},
            {0xCEC8C4, 0xFFD6B6, 0x977778, 0x977778, 0x977778, 0x977778},
        };
        for (int c = 0; c < 24; ++c)
            for (int s = 1; s <= 6; ++s)
                Schemes[s][c] = table[c][s - 1];
        for (int s = 2; s <= 6; ++s)
            Schemes[s][13] = Schemes[s][2];
    }
};

TThemeState& State() {
    static TThemeState state;
    return state;
}

} // namespace

void* ThemeLibrary() {
    return State().Library;
}

void InitThemeLibrary() {
    // No visual-style library exists on this platform: the handle stays null and nothing is bound.
    if (State().Library) return;
}

bool IsThemingAvailable() {
    try {
        return State().Library != nullptr;
    } catch (...) {
        throw Exception(QStringLiteral("Error in Themes"));
    }
}

void DrawThemePart(void*, TCanvas&, const TRect&, const QString&, int, int) {
    if (!IsThemingAvailable()) return;
}

TColor GetSchemeColor(int Colour, int Scheme) {
    if (Scheme == 0) Scheme = State().Current;
    if (Scheme < 0 || Scheme > 6 || Colour < 0 || Colour > 23)
        throw ERangeError(
            QStringLiteral("Scheme colour %1 of scheme %2 out of range").arg(Colour).arg(Scheme));
    return State().Schemes[Scheme][Colour];
}

int CurrentScheme() {
    return State().Current;
}
