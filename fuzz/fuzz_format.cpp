// libFuzzer target over the format languages a template or a user can write: Format directives,
// FormatFloat sections and FormatDateTime letters. Any text either formats or raises EConvertError.
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    try {
        switch (data[0] % 4) {
        case 0: Format(text, {42, -7.25, QStringLiteral("text"), Int64(1) << 40}); break;
        case 1: FormatFloat(text, -12345.678e3); break;
        case 2: FormatDateTime(text, 45000.5123); break;
        default: {
            double d = 0;
            TDateTime t = 0;
            TryStrToFloat(text, d);
            TryStrToDateTime(text, t);
            break;
        }
        }
    } catch (const EConvertError&) {
    }
    return 0;
}
