// Formula and program texts under small budgets. The first byte picks the options and whether the
// text is a program; every code the compiler writes must verify when it is set back.

#include "formula/formula.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    DUvuRarodar f;
    f.SetInstructionBudget(200000);
    f.SetTextBudget(100000);
    f.SetExternGetVar(flags & 1);
    f.SetUnQuotedString(flags & 2);
    f.SetNoLeadingZero(flags & 4);
    f.SetZeroEmptyString(flags & 8);
    f.SetCaseSensitive(flags & 16);
    f.SetStoreLines(flags & 32);
    f.GetVarsCount = [](const QString&, int& n, bool) { n = 3; };
    f.GetVarValue = [](const QString& name, int n, QString& v, bool) { v = n == 0 ? QStringLiteral("1.5") : name; };
    try {
        if (flags & 64) {
            f.CompileProgram(text);
            for (const auto& sub : f.SubFormula()) {
                TCalcArray args(static_cast<size_t>(sub->paramcount));
                try {
                    f.RunSub(sub->name, &args);
                } catch (const Exception&) {
                }
            }
        } else {
            const QString code = f.Compile(text, 2, {QStringLiteral("x"), QStringLiteral("y")});
            TCalcArray vals{TCalcItem{2, {}, fdtnumber}, TCalcItem{0, QStringLiteral("t"), fdtstring}};
            try {
                f.Compute(2, &vals);
            } catch (const Exception&) {
            }
            TCalcArray again(2);
            f.SetCompiled(code); // raises only if the compiler wrote a code that does not verify
            try {
                f.Compute(2, &again);
            } catch (const Exception&) {
            }
        }
    } catch (const FormulaException& e) {
        if (e.Message() == QStringLiteral("Wrong bytecode!") && !(flags & 64)) std::abort();
    } catch (const Exception&) {
    }
    return 0;
}
