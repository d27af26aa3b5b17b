// Times the report's expression evaluation (TrptReport::Calc, as text objects use it) over the rows
// of an in-memory dataset, against the script engine computing the same expression directly: a
// function compiled once whose field references call a host Get that reads the dataset.
//
//   fields: Report."price" * Report."qty"
//   text:   <Prefix> + IntToStr(<Report."qty">), with the report variable Prefix = 'Item '
//
// The report's side pays for what the report adds per evaluation: the name resolution of the
// whole text, the cache lookup, and its own Get (dataset lookup by name, system and report
// variables). Prints "name: value unit" lines; the goal is at most 2x the engine's time.

#include "platform/rtl/SysUtils.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptVariables.h"
#include "script/sc_iinterpreter.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace {

int GRows = 1000000;

double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// The rows: the dataset reads them at its cursor.
struct TRows {
    std::vector<double> Price;
    std::vector<int> Qty;
    int Cursor = 0;
    Variant Value(const QString& field) const {
        if (field.compare(QLatin1String("price"), Qt::CaseInsensitive) == 0) return Variant(Price[Cursor]);
        if (field.compare(QLatin1String("qty"), Qt::CaseInsensitive) == 0) return Variant(Qty[Cursor]);
        return Variant::Null();
    }
};

struct TCase {
    const char* Name;
    const char* ReportExpr;
    const char* EngineExpr;
};

const TCase Cases[] = {
    {"fields", "Report.\"price\" * Report.\"qty\"", "<Report.\"price\"> * <Report.\"qty\">"},
    {"text", "<Prefix> + IntToStr(<Report.\"qty\">)", "<Prefix> + IntToStr(<Report.\"qty\">)"},
};

// A checksum of the values, the same for both sides when they agree.
double Fold(const Variant& v) {
    if (v.IsText()) return v.ToString().size() + v.ToString().back().unicode();
    return v.ToDouble();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        if (!std::strcmp(argv[i], "--rows") && i + 1 < argc) GRows = std::max(1, std::atoi(argv[++i]));
    }

    TRows rows;
    for (int i = 0; i < GRows; ++i) {
        rows.Price.push_back(1.25 + i % 100);
        rows.Qty.push_back(1 + i % 17);
    }

    // The report: the dataset "Report" over the rows, the variable Prefix.
    TrptReport report;
    report.EngineOptions()->SetNewSilentMode(simSilent);
    TComponent host;
    auto* data = new TrptUserDataSet(&host);
    data->SetUserName(QStringLiteral("Report"));
    data->OnGetValue = [&rows](const QString& field, Variant& value) { value = rows.Value(field); };
    report.DataSets()->Add(data);
    report.Variables()->SetVariables(QStringLiteral("Prefix"), Variant(QStringLiteral("'Item '")));
    if (!report.PrepareScript()) {
        std::printf("report.error: %s status\n", qPrintable(report.Errors()->Text()));
        return 1;
    }

    // The engine alone: a host Get that answers the same names straight from the rows.
    TscScript script;
    script.AddRTTI();
    script.AddMethod(QStringLiteral("function Get(Name: String): Variant"),
                     TscCallMethodNewEvent([&rows](TObject*, const TClassInfo*, const QString&, TscMethodHelper* c) {
                         const QString name = VarToStr(c->GetVParam(0));
                         if (name == QLatin1String("Prefix")) return Variant(QStringLiteral("Item "));
                         const qsizetype p = name.indexOf(QLatin1String(".\""));
                         return rows.Value(name.mid(p + 2, name.size() - p - 3));
                     }));
    QString text;
    for (size_t i = 0; i < std::size(Cases); ++i)
        text += QStringLiteral("function F%1: Variant; begin Result := %2 end;\r\n").arg(i).arg(Cases[i].EngineExpr);
    script.Lines()->SetText(text + QStringLiteral("begin end."));
    if (!script.Compile()) {
        std::printf("engine.error: %s status\n", qPrintable(script.ErrorMsg()));
        return 1;
    }

    std::printf("rows: %d rows\n", GRows);
    bool ok = true;
    for (size_t i = 0; i < std::size(Cases); ++i) {
        const TCase& c = Cases[i];
        const QString reportExpr = QString::fromUtf8(c.ReportExpr);
        TscCustomVariable* fn = script.FindLocal(QStringLiteral("F%1").arg(i));
        double bestReport = 1e300, bestEngine = 1e300, sumReport = 0, sumEngine = 0;
        for (int r = 0; r < runs; ++r) {
            sumReport = 0;
            double t = CpuMs();
            for (rows.Cursor = 0; rows.Cursor < GRows; ++rows.Cursor)
                sumReport += Fold(report.Calc(reportExpr));
            bestReport = std::min(bestReport, CpuMs() - t);
            sumEngine = 0;
            t = CpuMs();
            for (rows.Cursor = 0; rows.Cursor < GRows; ++rows.Cursor)
                sumEngine += Fold(fn->Value());
            bestEngine = std::min(bestEngine, CpuMs() - t);
        }
        const double ratio = bestReport / bestEngine;
        std::printf("%s.report: %.1f ms\n", c.Name, bestReport);
        std::printf("%s.report.rate: %.0f expr/s\n", c.Name, GRows / (bestReport / 1000.0));
        std::printf("%s.engine: %.1f ms\n", c.Name, bestEngine);
        std::printf("%s.engine.rate: %.0f expr/s\n", c.Name, GRows / (bestEngine / 1000.0));
        std::printf("%s.report.vs_engine: %.3f x\n", c.Name, ratio);
        std::printf("%s.report.within_2x_engine: %s goal\n", c.Name, ratio <= 2.0 ? "yes" : "no");
        std::printf("%s.checksum: %.0f value\n", c.Name, sumReport);
        if (sumReport != sumEngine) {
            std::printf("%s.mismatch: %.0f value\n", c.Name, sumEngine);
            ok = false;
        }
    }
    std::printf("report.errors: %d value\n", report.Errors()->Count());
    return ok && report.Errors()->Count() == 0 ? 0 : 1;
}
