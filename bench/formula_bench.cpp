// Formula evaluator against muParser on the same expression, plus compile, loop, external-variable
// and LIKE figures. Prints `name: value unit` lines and `<figure>: yes|no goal` lines.

#include "formula/formula.h"

#include <muParser.h>

#include <QString>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

// Counting allocations: every malloc of the process goes through here (not under AddressSanitizer,
// which owns malloc itself).
#if defined(__SANITIZE_ADDRESS__)
static unsigned long long gAllocs = 0;
#else
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
static unsigned long long gAllocs = 0;
extern "C" void* malloc(size_t n) {
    ++gAllocs;
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t a, size_t b) {
    ++gAllocs;
    return __libc_calloc(a, b);
}
extern "C" void* realloc(void* p, size_t n) {
    ++gAllocs;
    return __libc_realloc(p, n);
}
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Best(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

bool gFailed = false;
void Check(const char* name, bool ok) {
    if (!ok) {
        std::printf("%s.mismatch: 1 status\n", name);
        gFailed = true;
    }
}
void Goal(const char* name, bool ok) { std::printf("%s: %s goal\n", name, ok ? "yes" : "no"); }

QString Program(int bytes) {
    QString p = "GLOBAL total = 0\n";
    for (int i = 0; p.size() < bytes; ++i)
        p += QStringLiteral("SUB f%1(a, b = 2) BEGIN IF a > b THEN $total := total + a - b ELSE $total := b * %1 ENDD END\n").arg(i);
    return p;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 3;
    for (int i = 1; i + 1 < argc; ++i)
        if (QString::fromLatin1(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    const int N = 1000000;
    const char* expr = "x*x + 2*x*y - SIN(x)/(1+y^2)";

    DUvuRarodar f;
    f.Compile(QString::fromLatin1(expr), 2, {"x", "y"});
    TCalcArray vals(2);
    double sumK = 0;
    const double tK = Best(runs, [&] {
        sumK = 0;
        for (int i = 0; i < N; ++i) {
            vals[0].data = (i % 1000) * 0.001;
            vals[1].data = (i % 777) * 0.002;
            sumK += f.ComputeN(2, &vals);
        }
    });
    const unsigned long long a0 = gAllocs;
    for (int i = 0; i < 10000; ++i) {
        vals[0].data = i * 0.001;
        f.ComputeN(2, &vals);
    }
    const double allocs = static_cast<double>(gAllocs - a0) / 10000;

    double x = 0, y = 0, sumM = 0;
    mu::Parser p;
    p.DefineVar("x", &x);
    p.DefineVar("y", &y);
    p.SetExpr("x*x + 2*x*y - sin(x)/(1+y^2)");
    const double tM = Best(runs, [&] {
        sumM = 0;
        for (int i = 0; i < N; ++i) {
            x = (i % 1000) * 0.001;
            y = (i % 777) * 0.002;
            sumM += p.Eval();
        }
    });
    std::printf("eval.korvel: %.1f ns\n", tK / N * 1e9);
    std::printf("eval.muparser: %.1f ns\n", tM / N * 1e9);
    std::printf("eval.vs_muparser: %.3f x\n", tK / tM);
    std::printf("eval.checksum: %.6f value\n", sumK);
    Check("eval", std::fabs(sumK - sumM) < 1e-6 * std::fabs(sumM) + 1e-6);
    std::printf("eval.allocs_per_eval: %.2f count\n", allocs);
    Goal("eval.within_2x_muparser", tK <= 2 * tM);
    Goal("eval.no_alloc_per_eval", allocs == 0);

    double tc[3];
    const int sizes[3] = {1024, 10240, 102400};
    for (int k = 0; k < 3; ++k) {
        const QString prog = Program(sizes[k]);
        tc[k] = Best(runs, [&] { f.CompileProgram(prog); });
        TCalcArray args{TCalcItem{5, {}, fdtnumber}, TCalcItem{3, {}, fdtnumber}};
        Check("compile", f.RunSub(0, &args) == "2");
        std::printf("compile.%dkb: %.3f ms\n", sizes[k] / 1024, tc[k] * 1e3);
    }
    std::printf("compile.100kb_vs_10kb: %.2f x\n", tc[2] / tc[1]);
    Goal("compile.100kb_within_12x_10kb", tc[2] <= 12 * tc[1]);

    QString loopResult;
    const double tl = Best(runs, [&] {
        loopResult = f.ComputeStr("BEGIN DEFINES('i', 's'); FOR $i := 0, $i < 1000000, $i++ DO $s := $s + 1 NEXT; $s END");
    });
    Check("loop", loopResult == "1000000");
    std::printf("loop.1e6_rounds: %.1f ms\n", tl * 1e3);

    DUvuRarodar e;
    e.SetExternGetVar(true);
    e.GetVarsCount = [](const QString&, int& n, bool) { n = 100000; };
    e.GetVarValue = [](const QString&, int n, QString& v, bool) { v = QString::number(n); };
    double ext = 0;
    const double te = Best(runs, [&] { ext = e.ComputeStrN("SUM(v)"); });
    Check("external", ext == 4999950000.0);
    std::printf("external.sum_1e5: %.1f ms\n", te * 1e3);

    QString text;
    for (int i = 0; i < 5000; ++i) text += "ab";
    QString mask;
    for (int i = 0; i < 29; ++i) mask += "*a";
    mask += "*b";
    double like = 0;
    const double tlk = Best(runs, [&] { like = e.ComputeStrN("'" + text + "' LIKE '" + mask + "'"); });
    Check("like", like == 1);
    std::printf("like.30_groups_10kb: %.3f ms\n", tlk * 1e3);
    std::printf("checksums: %s status\n", gFailed ? "differ" : "agree");
    return gFailed ? 1 : 0;
}
