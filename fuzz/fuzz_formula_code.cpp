// Arbitrary byte code (two bytes a unit) set as Compiled and run: it is either refused with
// "Wrong bytecode!" or runs within its budget.

#include "formula/formula.h"

#include <cstddef>
#include <cstdint>

namespace {

TCalcItem Member(TFormulaCalc& c) { return TCalcItem{static_cast<double>(c.Num()), {}, fdtnumber}; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString code;
    for (size_t i = 0; i + 1 < size; i += 2) code += QChar(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    DUvuRarodar f;
    f.SetInstructionBudget(100000);
    f.SetTextBudget(100000);
    PTableItem m = f.AddUserFunction(QStringLiteral("M"), 1, Member, nullptr, true);
    f.AddModuleFunction(m, QStringLiteral("f"), 2, Member);
    PTableItem n = f.AddModuleFunction(m, QStringLiteral("n"), 0, nullptr, true);
    f.AddModuleFunction(n, QStringLiteral("g"), -1, Member);
    try {
        f.CompileProgram(QStringLiteral("GLOBAL g = 1\nSUB s(a, b) a + b + g\nSUB t() s(1, 2)"));
        f.Compile(QStringLiteral("x + y"), 2, {QStringLiteral("x"), QStringLiteral("y")});
        f.SetCompiled(code);
        TCalcArray vals{TCalcItem{1, {}, fdtnumber}, TCalcItem{0, QStringLiteral("2"), fdtstring}};
        f.Compute(2, &vals);
    } catch (const Exception&) {
    }
    return 0;
}
