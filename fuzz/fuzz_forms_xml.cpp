// libFuzzer target over the forms.xml reader: any bytes either load into a tree that can be walked
// completely, or raise the reader's own error.
#include "platform/rtl/Exceptions.h"
#include "platform/sys/XmlDocument.h"

#include <cstddef>
#include <cstdint>

namespace {

int Walk(const TXMLNode& node, int depth) {
    if (depth > 4000) return 0;
    int count = 1;
    for (const QString& name : node.AttributeNames()) count += node.Attribute(name).size() > 0;
    const TXMLNodeList children = node.ChildNodes();
    for (int i = 0; i < children.Count(); ++i) count += Walk(children.Get(i), depth + 1);
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TXMLDocument doc;
    try {
        doc.LoadFromXML(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), "forms.xml");
    } catch (const Exception&) {
        return 0;
    }
    Walk(doc.DocumentElement(), 0);
    return 0;
}
