// Times the same four programs in each script language and in two peer interpreters, and checks that
// every run computed the same result. Prints one "name: value unit" line per figure.

#include "script/sc_iinterpreter.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtti/ClassBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <limits>

// The host object whose integer property the scripts read.
class TBenchThing : public TComponent {
    KORVEL_CLASS(TBenchThing, TComponent)
public:
    explicit TBenchThing(TComponent* owner = nullptr) : TComponent(owner) {}
    int Value() const { return FValue; }
    void SetValue(int v) { FValue = v; }

private:
    int FValue = 3;
};

KORVEL_CLASS_INFO(TBenchThing) {
    b.Prop("Value", &TBenchThing::Value, &TBenchThing::SetValue);
}

namespace {

struct TLanguage {
    const char* Key;        // figure name
    const char* SyntaxType; // engine language name
    const char* Ext;        // program file extension
};

const TLanguage Languages[] = {
    {"pascal", "PascalScript", "pas"},
    {"cpp", "C++Script", "cppscript"},
    {"basic", "BasicScript", "bas"},
    {"jscript", "JScript", "jscript"},
};

struct TPeer {
    const char* Key;
    const char* Program;
    const char* Ext;
};

const TPeer Peers[] = {
    {"lua", "lua5.4", "lua"},
    {"mujs", "mujs", "js"},
};

const char* const Works[] = {"loop", "fib", "strings", "property"};
const char* const Expected[] = {"29999997", "196418", "100000", "3000000"};

struct TTiming {
    double Ms = std::numeric_limits<double>::infinity(); // best of the runs
    QString Result;                                    // what the last run printed or logged
    QString Error;
};

QString ScriptsDir = QStringLiteral(KORVEL_BENCH_SCRIPTS);
int Runs = 3;
// Only these programs / languages when given (for profiling one of them).
QStringList OnlyWorks, OnlyLanguages;
bool NoPeers = false;

void Figure(const QString& name, double value, const char* unit) {
    std::printf("%s: %.1f %s\n", qPrintable(name), value, unit);
    std::fflush(stdout);
}

void Ratio(const QString& name, double value) {
    std::printf("%s: %.3f x\n", qPrintable(name), value);
    std::fflush(stdout);
}

void Text(const QString& name, const QString& value, const char* unit) {
    std::printf("%s: %s %s\n", qPrintable(name), qPrintable(value), unit);
    std::fflush(stdout);
}

QString ReadProgram(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) throw EFOpenError("Cannot open file \"" + file + "\"");
    return QString::fromUtf8(f.readAll());
}

// Compile and execute, timed together; the host setup is not part of the time.
TTiming RunKorvel(const TLanguage& lang, const QString& work) {
    TTiming t;
    const QString text = ReadProgram(ScriptsDir + "/" + work + "." + lang.Ext);
    for (int run = 0; run < Runs; ++run) {
        TBenchThing thing;
        TscScript script;
        script.AddRTTI();
        QString logged;
        script.AddMethod("procedure Log(v: Variant)",
                         TscCallMethodNewEvent([&logged](TObject*, const TClassInfo*, const QString&,
                                                         TscMethodHelper* c) {
                             logged = VarToStr(c->GetVParam(0));
                             return Variant(0);
                         }));
        script.AddClass(TBenchThing::StaticClassInfo(), "TComponent");
        script.AddObject("Thing", &thing);
        script.SetSyntaxType(lang.SyntaxType);
        script.Lines()->SetText(text);
        QElapsedTimer clock;
        clock.start();
        if (!script.Compile()) {
            t.Error = script.ErrorMsg() + " at " + script.ErrorPos();
            return t;
        }
        try {
            script.Execute();
        } catch (const Exception& e) {
            t.Error = e.ClassName() + ": " + e.Message();
            return t;
        }
        t.Ms = std::min(t.Ms, clock.nsecsElapsed() / 1e6);
        t.Result = logged;
    }
    return t;
}

// Wall clock of the whole peer process.
TTiming RunPeer(const TPeer& peer, const QString& work, int runs) {
    TTiming t;
    const QString file = ScriptsDir + "/" + work + "." + peer.Ext;
    for (int run = 0; run < runs; ++run) {
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(QString::fromUtf8(peer.Program), {file});
        if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            t.Error = QString::fromUtf8(p.readAllStandardError()).trimmed();
            if (t.Error.isEmpty()) t.Error = p.errorString();
            return t;
        }
        t.Ms = std::min(t.Ms, clock.nsecsElapsed() / 1e6);
        t.Result = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    return t;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--runs" && i + 1 < args.size())
            Runs = std::max(1, args[++i].toInt());
        else if (args[i] == "--scripts" && i + 1 < args.size())
            ScriptsDir = args[++i];
        else if (args[i] == "--work" && i + 1 < args.size())
            OnlyWorks << args[++i];
        else if (args[i] == "--lang" && i + 1 < args.size())
            OnlyLanguages << args[++i];
        else if (args[i] == "--no-peers")
            NoPeers = true;
        else {
            std::fprintf(stderr, "usage: script_bench [--runs N] [--scripts DIR] [--work NAME]... "
                                 "[--lang KEY]... [--no-peers]\n");
            return 2;
        }
    }
    bool ok = true;
    Text("runs", QString::number(Runs), "best_of");

    // Process start-up of each peer, taken off its times so the ratios do not flatter the engine.
    double startup[std::size(Peers)] = {};
    for (size_t p = 0; p < std::size(Peers) && !NoPeers; ++p) {
        if (QStandardPaths::findExecutable(Peers[p].Program).isEmpty()) {
            std::fprintf(stderr, "%s not found: install it (bench/run.sh does)\n", Peers[p].Program);
            return 1;
        }
        const TTiming t = RunPeer(Peers[p], "empty", std::max(Runs, 5));
        if (!t.Error.isEmpty()) {
            Text(QString("%1.startup.error").arg(Peers[p].Key), t.Error, "");
            return 1;
        }
        startup[p] = t.Ms;
        Figure(QString("%1.startup").arg(Peers[p].Key), startup[p], "ms");
    }

    for (size_t w = 0; w < std::size(Works); ++w) {
        const QString work = Works[w];
        if (!OnlyWorks.isEmpty() && !OnlyWorks.contains(work)) continue;
        const QString expected = Expected[w];
        double peerMs[std::size(Peers)] = {};
        for (size_t p = 0; p < std::size(Peers) && !NoPeers; ++p) {
            const TTiming t = RunPeer(Peers[p], work, Runs);
            const QString name = QString("%1.%2").arg(work, Peers[p].Key);
            if (!t.Error.isEmpty()) {
                Text(name + ".error", t.Error, "");
                peerMs[p] = 0;
                ok = false;
                continue;
            }
            peerMs[p] = std::max(0.001, t.Ms - startup[p]);
            Figure(name, peerMs[p], "ms");
            Text(name + ".checksum", t.Result, "value");
            if (t.Result != expected) {
                Text(name + ".mismatch", "expected " + expected, "");
                ok = false;
            }
        }
        for (const TLanguage& lang : Languages) {
            if (!OnlyLanguages.isEmpty() && !OnlyLanguages.contains(QString::fromLatin1(lang.Key))) continue;
            const QString name = QString("%1.%2").arg(work, lang.Key);
            TTiming t;
            try {
                t = RunKorvel(lang, work);
            } catch (const Exception& e) {
                t.Error = e.ClassName() + ": " + e.Message();
            }
            if (!t.Error.isEmpty()) {
                Text(name + ".error", t.Error, "");
                ok = false;
                continue;
            }
            Figure(name, t.Ms, "ms");
            Text(name + ".checksum", t.Result, "value");
            if (t.Result != expected) {
                Text(name + ".mismatch", "expected " + expected, "");
                ok = false;
            }
            for (size_t p = 0; p < std::size(Peers); ++p)
                if (peerMs[p] > 0) Ratio(QString("%1.vs_%2").arg(name, Peers[p].Key), t.Ms / peerMs[p]);
            // The goals: at most 1.5 times the first peer on loop, fib and property (three times on
            // strings), and under the second on loop and fib.
            if (peerMs[0] > 0) {
                if (work == "strings")
                    Text(name + ".within_3x_lua", t.Ms <= 3 * peerMs[0] ? "yes" : "no", "goal");
                else
                    Text(name + ".within_1_5x_lua", t.Ms <= 1.5 * peerMs[0] ? "yes" : "no", "goal");
            }
            if ((work == "loop" || work == "fib") && peerMs[1] > 0)
                Text(name + ".faster_than_mujs", t.Ms < peerMs[1] ? "yes" : "no", "goal");
        }
    }
    Text("checksums", ok ? "agree" : "DISAGREE OR FAILED", "status");
    return ok ? 0 : 1;
}
