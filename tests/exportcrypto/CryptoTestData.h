#pragma once
// Messages shared by the hash and cipher suites.

#include <QByteArray>

#include <cstdint>

// A message whose bytes all differ from their neighbours, so a misplaced byte changes the digest.
inline QByteArray PatternBytes(int length) {
    QByteArray bytes(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        bytes[i] = char((i * 31 + 7) & 0xFF);
    return bytes;
}

inline QByteArray Hex(const void* data, int size) {
    return QByteArray(static_cast<const char*>(data), size).toHex();
}
