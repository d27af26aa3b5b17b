#pragma once
// A map from names to objects that compares names as SameText does (ASCII letters without regard
// to case), without allocating on lookup. Property tables and owners with many components look
// names up through it instead of walking their lists.

#include <QString>
#include <QStringView>

#include <cstddef>
#include <unordered_map>

namespace NameIndexDetail {

inline char16_t FoldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

struct Hash {
    using is_transparent = void;
    std::size_t operator()(QStringView s) const noexcept {
        std::size_t h = 14695981039346656037ull;
        for (QChar c : s) {
            h ^= FoldAscii(c.unicode());
            h *= 1099511628211ull;
        }
        return h;
    }
    std::size_t operator()(const QString& s) const noexcept { return (*this)(QStringView(s)); }
};

struct Equal {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept {
        if (a.size() != b.size()) return false;
        for (qsizetype i = 0; i < a.size(); ++i)
            if (FoldAscii(a[i].unicode()) != FoldAscii(b[i].unicode())) return false;
        return true;
    }
    bool operator()(const QString& a, QStringView b) const noexcept { return (*this)(QStringView(a), b); }
    bool operator()(QStringView a, const QString& b) const noexcept { return (*this)(a, QStringView(b)); }
    bool operator()(const QString& a, const QString& b) const noexcept {
        return (*this)(QStringView(a), QStringView(b));
    }
};

} // namespace NameIndexDetail

template <class T> class TNameIndex {
public:
    T* Find(QStringView name) const {
        auto it = FMap.find(name);
        return it == FMap.end() ? nullptr : it->second;
    }
    // Keeps the first object given for a name.
    void Add(const QString& name, T* object) { FMap.emplace(name, object); }
    // Forgets the name only when it maps to this object.
    void Remove(const QString& name, const T* object) {
        auto it = FMap.find(QStringView(name));
        if (it != FMap.end() && it->second == object) FMap.erase(it);
    }
    void Clear() { FMap.clear(); }
    std::size_t Size() const { return FMap.size(); }

private:
    std::unordered_map<QString, T*, NameIndexDetail::Hash, NameIndexDetail::Equal> FMap;
};
