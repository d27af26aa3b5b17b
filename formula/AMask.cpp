#include "formula/AMask.h"

#include <algorithm>

namespace {

[[noreturn]] void InvalidMask(const QString& mask, qsizetype at) {
    throw EMaskException(QStringLiteral("'%1' is an invalid mask at (%2)").arg(mask).arg(at + 1));
}

void AddRange(std::vector<std::pair<char16_t, char16_t>>& ranges, char16_t lo, char16_t hi) {
    if (hi < lo) return;
    ranges.emplace_back(lo, hi);
}

} // namespace

TMask::TMask(const QString& MaskValue) {
    const qsizetype n = MaskValue.size();
    bool skip = false;
    int skips = 0;
    auto write = [&](MaskState s, qsizetype at) {
        s.skip = skip;
        if (skip && ++skips > kMaxSkips) InvalidMask(MaskValue, at);
        skip = false;
        FMask.push_back(std::move(s));
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = MaskValue[i].unicode();
        if (c == u'*') {
            skip = true;
        } else if (c == u'?') {
            if (!skip) {
                MaskState s;
                s.kind = mkAny;
                write(std::move(s), i);
            }
        } else if (c == u'[') {
            const qsizetype start = i;
            MaskState s;
            s.kind = mkSet;
            ++i;
            if (i < n && MaskValue[i] == u'!') {
                s.negate = true;
                ++i;
            }
            bool havePrev = false;
            char16_t prev = 0;
            bool closed = false;
            for (; i < n; ++i) {
                const char16_t d = MaskValue[i].unicode();
                if (d == u']') {
                    closed = true;
                    break;
                }
                if (d == u'-') {
                    if (!havePrev) InvalidMask(MaskValue, i);
                    ++i;
                    if (i >= n) InvalidMask(MaskValue, i);
                    AddRange(s.ranges, prev, MaskValue[i].unicode());
                    continue;
                }
                AddRange(s.ranges, d, d);
                prev = d;
                havePrev = true;
            }
            if (!closed) InvalidMask(MaskValue, i);
            if (i == start + 1 + (s.negate ? 1 : 0)) InvalidMask(MaskValue, i); // "[]" holds nothing
            std::sort(s.ranges.begin(), s.ranges.end());
            write(std::move(s), start);
        } else {
            MaskState s;
            s.kind = mkLiteral;
            s.ch = c;
            write(std::move(s), i);
        }
    }
    MaskState end;
    end.kind = mkEnd;
    write(std::move(end), n);
    FSize = static_cast<int>(FMask.size());
}

bool TMask::Fits(const MaskState& s, const QString& text, qsizetype at) const {
    const bool atEnd = at >= text.size();
    switch (s.kind) {
    case mkEnd: return atEnd;
    case mkAny: return !atEnd;
    case mkLiteral: return !atEnd && text[at].unicode() == s.ch;
    case mkSet: {
        if (atEnd) return false;
        const char16_t c = text[at].unicode();
        bool in = false;
        for (const auto& r : s.ranges)
            if (c >= r.first && c <= r.second) {
                in = true;
                break;
            }
        return in != s.negate;
    }
    }
    return false;
}

// Each state takes one unit, so the pieces between two "*" are of fixed length and their leftmost
// fit is always the best one: only the newest "*" ever needs another try. That gives the same
// answers as trying every resume point, in time proportional to text times mask.
bool TMask::Matches(const QString& Filename) const {
    const qsizetype len = Filename.size();
    qsizetype t = 0;
    int s = 0;
    bool haveResume = false;
    qsizetype resumeText = 0;
    int resumeState = 0;
    for (;;) {
        bool failed = false;
        while (s < FSize) {
            const MaskState& st = FMask[static_cast<size_t>(s)];
            if (st.skip) {
                while (t < len && !Fits(st, Filename, t)) ++t;
                if (t < len) {
                    haveResume = true;
                    resumeText = t + 1;
                    resumeState = s;
                }
            }
            if (!Fits(st, Filename, t)) {
                failed = true;
                break;
            }
            if (st.kind != mkEnd) ++t;
            ++s;
        }
        if (!failed) return true;
        if (!haveResume) return false;
        haveResume = false;
        t = resumeText;
        s = resumeState;
    }
}

bool MatchesMask(const QString& text, const QString& mask) {
    const TMask m(mask);
    return m.Matches(text);
}
