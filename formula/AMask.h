#pragma once
// Wildcard masks for the formula language's LIKE: "*" any run, "?" one unit, "[a-z]" and "[!a-z]"
// sets of UTF-16 units, anything else itself (exact case).

#include "platform/rtl/Exceptions.h"

#include <QString>

#include <vector>

KORVEL_EXCEPTION(EMaskException, Exception)

class TMask {
public:
    // Compiles the mask; raises EMaskException when it is invalid.
    explicit TMask(const QString& MaskValue);
    // Whether the whole text matches.
    bool Matches(const QString& Filename) const;

    static constexpr int kMaxSkips = 30;

private:
    enum Kind { mkLiteral, mkAny, mkSet, mkEnd };
    struct MaskState {
        bool skip = false;
        Kind kind = mkLiteral;
        char16_t ch = 0;
        bool negate = false;
        std::vector<std::pair<char16_t, char16_t>> ranges; // sorted, inclusive
    };
    bool Fits(const MaskState& s, const QString& text, qsizetype at) const;

    std::vector<MaskState> FMask;
    int FSize = 0;
};

// Matches text against mask once; LIKE uses it.
bool MatchesMask(const QString& text, const QString& mask);
