// libFuzzer target over the script engine's XML reader: any bytes either load or raise
// "Invalid file format"; what loads is written and read back to the same tree.
#include "platform/rtl/Exceptions.h"
#include "script/sc_xml.h"

#include <cstddef>
#include <cstdint>

namespace {
// Names ending in "/" and texts beginning or ending with a blank or "/" cannot be written
// back as they are (the format uses those for its own ends), so hand-made trees holding them
// are not compared.
bool Representable(const TscXMLItem* a) {
    const QString& t = a->Text();
    if (a->Name().endsWith(u'/') || t.startsWith(u' ') || t.endsWith(u' ') || t.endsWith(u'/')) return false;
    for (int i = 0; i < a->Count(); ++i)
        if (!Representable(a->Items(i))) return false;
    return true;
}

bool Same(const TscXMLItem* a, const TscXMLItem* b) {
    if (a->Name() != b->Name() || a->Text() != b->Text() || a->Count() != b->Count()) return false;
    for (int i = 0; i < a->Count(); ++i)
        if (!Same(a->Items(i), b->Items(i))) return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TscXMLDocument doc;
    try {
        doc.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const Exception& e) {
        if (e.Message() != QLatin1String("Invalid file format")) __builtin_trap();
        return 0;
    }
    for (int i = 0; i < doc.Root()->Count(); ++i)
        doc.Root()->Items(i)->GetProp(QStringLiteral("text"));
    const QString root = doc.Root()->Name();
    if (root.isEmpty() || root.startsWith(u'/') || !Representable(doc.Root())) return 0;
    for (bool indent : {false, true}) {
        doc.SetAutoIndent(indent);
        TscXMLDocument back;
        back.LoadFromBytes(doc.SaveToBytes());
        if (!Same(doc.Root(), back.Root())) __builtin_trap();
    }
    return 0;
}
