#pragma once
// The built-in functions of the formula language, in byte-code order.

#include "formula/formula.h"

#include <vector>

constexpr int kFormulaBuiltinCount = 76;

// Index of a few entries the compiler emits by itself.
enum TFormulaBuiltin { fbSET = 0, fbVAL = 1, fbDEFINE = 2, fbBLOCK = 3, fbDEFINES = 4, fbINC = 5, fbDEC = 6 };

// A fresh table of the 76 built-ins with their defaults.
std::vector<FTableItem> CreateFormulaBuiltins();

// Floating-point results: a NaN or an infinity raises EInvalidOp, EZeroDivide or EOverflow with the
// runtime's messages instead of flowing on.
double CheckedFloat(double result, double (*f)(double), double x);
double CheckedFloat2(double result, double (*f)(double, double), double x, double y);
double CheckedDivision(double l, double r);
// The plain function behind a one-argument math built-in (SIN, COS, ...), or null for any other.
using TFormulaMath1 = double (*)(double);
TFormulaMath1 NumericBuiltin(pformulafunction f);
// A number truncated to 64 bits; NaN and values beyond 64 bits raise EInvalidOp.
qint64 FormulaTrunc(double x);
int FormulaTruncInt(double x); // the same, clamped to the 32-bit range
