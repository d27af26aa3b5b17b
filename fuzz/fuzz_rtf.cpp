// libFuzzer target over the RTF tree and the embedding of a rich text's body: any bytes either parse
// or raise the tree's own errors (or a conversion error for a parameter beyond 32 bits); a parsed
// tree writes itself back, and what it writes reaches a fixed point by the second writing (line
// breaks dropped after a word can leave its delimiter space alone the first time); the embedding never
// raises and always gives one whole group, 7-bit once turned to ASCII.
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "report/export/rptGML.h"

#include <cstddef>
#include <cstdint>

namespace {

QByteArray Write(const TGmlRtf& doc) {
    TMemoryStream out;
    doc.Serialize(out);
    return out.Bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        TGmlRtf doc(bytes);
        for (int i = 0; i < doc.FontsCount(); ++i) {
            try {
                (void)doc.Font(i)->Index();
                (void)doc.Font(i)->Charset();
            } catch (const EGmlError&) {
            }
            (void)doc.Font(i)->Name();
        }
        for (int i = 0; i < doc.ColorsCount(); ++i) {
            try {
                (void)doc.Color(i)->Serialize();
            } catch (const EGmlError&) {
            }
        }
        const QByteArray once = Write(doc);
        if (once.size() >= 2) {
            const QByteArray twice = Write(TGmlRtf(once));
            if (twice.size() >= 2 && Write(TGmlRtf(twice)) != twice) __builtin_trap();
        }
    } catch (const Exception& e) {
        if (!e.InheritsFrom(QStringLiteral("EGmlError")) && !e.InheritsFrom(QStringLiteral("EConvertError")))
            __builtin_trap();
    }
    int lookups = 0;
    const QByteArray group = EmbedRichTextBody(
        bytes, [&](const QByteArray& name, int) { return QByteArray::number(name.size() + lookups++); },
        [&](const QByteArray& entry) { return entry.size() % 2 ? QByteArray("x") : QByteArray::number(lookups++); });
    if (bytes.isEmpty()) return group.isEmpty() ? 0 : (__builtin_trap(), 0);
    if (!group.startsWith('{') || !group.endsWith('}')) __builtin_trap();
    // Braces balance and close only at the end (what is inside may be any rich text).
    int depth = 0;
    for (qsizetype i = 0; i < group.size(); ++i) {
        const char c = group[i];
        if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0 && i + 1 != group.size()) {
            __builtin_trap();
        }
    }
    if (depth != 0) __builtin_trap();
    for (char c : RTFBytesToAscii(group))
        if (static_cast<unsigned char>(c) >= 128) __builtin_trap();
    return 0;
}
