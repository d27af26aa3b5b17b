#pragma once
// Helpers of the formula tests: a small byte-code assembler and one-line evaluation.

#include "formula/formula.h"
#include "platform/rtl/SysUtils.h"

#include <QString>

#include <cstring>

// Builds byte code unit by unit, the way the compiler lays it out.
class TFormulaAsm {
public:
    TFormulaAsm& Op(int code) { return Unit(code); }
    TFormulaAsm& Unit(int u) {
        FCode += QChar(static_cast<char16_t>(u));
        return *this;
    }
    TFormulaAsm& Int32(qint32 v) {
        const auto u = static_cast<quint32>(v);
        return Unit(u & 0xFFFF).Unit(u >> 16);
    }
    TFormulaAsm& Num(double v) {
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        Unit(254);
        for (int i = 0; i < 4; ++i) Unit(static_cast<int>((bits >> (16 * i)) & 0xFFFF));
        return *this;
    }
    TFormulaAsm& Text(const QString& s) {
        Unit(246).Int32(static_cast<qint32>(s.size()));
        FCode += s;
        return *this;
    }
    TFormulaAsm& Var(int index) { return Unit(253).Unit(index); }
    TFormulaAsm& Call(int index, int count) { return Unit(245).Unit(index).Unit(count); }
    TFormulaAsm& Jump(int target) { return Unit(242).Int32(target); }
    TFormulaAsm& JumpIfZero(int target) { return Unit(244).Int32(target); }
    int Here() const { return static_cast<int>(FCode.size()); }
    TFormulaAsm& Ret() { return Unit(224); }
    QString Code() const { return FCode; }

private:
    QString FCode;
};

// The result of a formula on a fresh instance, or "ClassName: message" when it raises.
inline QString EvalFormula(const QString& formula, DUvuRarodar* f = nullptr) {
    DUvuRarodar own;
    DUvuRarodar& c = f ? *f : own;
    try {
        return c.ComputeStr(formula);
    } catch (const Exception& e) {
        return e.ClassName() + QStringLiteral(": ") + e.Message();
    }
}
