#pragma once
// TSet<E>: a set of members of an enumeration (ordinals 0..255), with the set
// operators the code expects: union +, difference -, intersection *, membership.

#include <bitset>
#include <cstddef>
#include <initializer_list>

template <typename E, std::size_t N = 256>
class TSet {
public:
    constexpr TSet() = default;
    TSet(std::initializer_list<E> items) {
        for (E e : items) Include(e);
    }

    bool Contains(E e) const { return FBits.test(Ord(e)); }
    TSet& Include(E e) { FBits.set(Ord(e)); return *this; }
    TSet& Exclude(E e) { FBits.reset(Ord(e)); return *this; }
    bool Empty() const { return FBits.none(); }
    std::size_t Count() const { return FBits.count(); }
    void Clear() { FBits.reset(); }
    // Raw bits, for streaming a set as an integer.
    unsigned long long ToInt() const { return (FBits & std::bitset<N>(~0ULL)).to_ullong(); }
    static TSet FromInt(unsigned long long v) { TSet s; s.FBits = std::bitset<N>(v); return s; }

    friend TSet operator+(TSet a, const TSet& b) { a.FBits |= b.FBits; return a; }
    friend TSet operator-(TSet a, const TSet& b) { a.FBits &= ~b.FBits; return a; }
    friend TSet operator*(TSet a, const TSet& b) { a.FBits &= b.FBits; return a; }
    friend TSet operator+(TSet a, E e) { return a.Include(e); }
    friend TSet operator-(TSet a, E e) { return a.Exclude(e); }
    TSet& operator+=(const TSet& b) { FBits |= b.FBits; return *this; }
    TSet& operator-=(const TSet& b) { FBits &= ~b.FBits; return *this; }
    TSet& operator*=(const TSet& b) { FBits &= b.FBits; return *this; }
    TSet& operator+=(E e) { return Include(e); }
    TSet& operator-=(E e) { return Exclude(e); }
    bool operator==(const TSet& b) const { return FBits == b.FBits; }
    // a <= b: every member of a is in b.
    bool operator<=(const TSet& b) const { return (FBits & ~b.FBits).none(); }
    bool operator>=(const TSet& b) const { return b <= *this; }

    template <typename F>
    void ForEach(F f) const {
        for (std::size_t i = 0; i < N; ++i)
            if (FBits.test(i)) f(static_cast<E>(i));
    }

private:
    static std::size_t Ord(E e) { return static_cast<std::size_t>(e); }
    std::bitset<N> FBits;
};
