#pragma once
// A report ready to calculate expressions, and text objects that live on it.

#include "platform/rtl/StringList.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"

#include <gtest/gtest.h>

#include <memory>

namespace memotest {

inline std::unique_ptr<TrptReport> NewCalcReport(const QString& script = QStringLiteral("begin\nend.")) {
    RegisterReportClasses();
    auto report = std::make_unique<TrptReport>();
    report->EngineOptions()->SetNewSilentMode(simSilent);
    TStringList lines;
    lines.SetText(script);
    report->SetScriptText(&lines);
    EXPECT_TRUE(report->PrepareScript()) << report->Errors()->Text().toStdString();
    return report;
}

// One output of the object as the engine makes it: before print, data, (reading), after print.
inline QString Output(TrptCustomMemoView& m) {
    m.BeforePrint();
    m.GetData();
    const QString text = m.Text();
    m.AfterPrint();
    return text;
}

// The text without the final line break the list adds.
inline QString Plain(const QString& text) {
    QString s = text;
    if (s.endsWith(QStringLiteral("\r\n"))) s.chop(2);
    return s;
}

} // namespace memotest
