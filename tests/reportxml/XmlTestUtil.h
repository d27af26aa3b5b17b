#pragma once
// Helpers shared by the XML document suites.

#include "report/core/rptXML.h"

#include <QByteArray>
#include <QString>

inline QByteArray SaveBytes(TrptXMLDocument& doc) {
    TMemoryStream s;
    doc.SaveToStream(s);
    return s.Bytes();
}

// A full load: the stream is not needed afterwards.
inline void LoadBytes(TrptXMLDocument& doc, const QByteArray& bytes) {
    TBytesStream s(bytes);
    doc.LoadFromStream(s);
}

// A document loaded from bytes, the stream kept alive for partial loading.
struct TLoadedDoc {
    TBytesStream Stream;
    TrptXMLDocument Doc;
    explicit TLoadedDoc(const QByteArray& bytes, bool partial = false) : Stream(bytes) {
        Doc.LoadFromStream(Stream, partial);
    }
};

// The item reached from the root by child indexes.
inline TrptXMLItem* At(TrptXMLItem* item, std::initializer_list<int> path) {
    for (int i : path) item = item->Items(i);
    return item;
}
