// libFuzzer target over the script compiler's front end: the first input byte picks the
// language, the rest is the source text. Every outcome must be a result or a reported error;
// only a directive that names an unknown language may raise.
#include "platform/rtl/Exceptions.h"
#include "script/sc_iilparser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const languages[] = {"PascalScript", "C++Script", "BasicScript", "JScript"};
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    TscCompileHost host;
    host.OnGetUnit = [](TscCompileHost*, const QString& name, QString& unit) {
        unit = name.size() % 2 ? QStringLiteral("x = 1\r\n") : QString();
    };
    TscILParser parser(&host);
    parser.SelectLanguage(languages[data[0] % 4]);
    try {
        const bool ok = parser.MakeILScript(text);
        if (ok != host.ErrorMsg().isEmpty()) __builtin_trap();
        if (ok) parser.ILScript()->SaveToBytes();
    } catch (const Exception& e) {
        if (!e.Message().contains(QLatin1String("not found"))) __builtin_trap();
    }
    return 0;
}
