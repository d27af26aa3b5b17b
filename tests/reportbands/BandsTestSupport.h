#pragma once
// A report with its data page and one report page, for the band and page tests, and the
// template text helpers.

#include "report/core/rptClassBand.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"

#include <QByteArray>

#include <memory>

// A report page whose bands snap to the dot-matrix character grid.
class TTestDotMatrixPage : public TrptReportPage {
public:
    using TrptReportPage::TrptReportPage;
    bool IsDotMatrix() const override { return true; }
};

struct TBandsReport {
    TBandsReport();
    std::unique_ptr<TrptReport> Report;
    TrptDataPage* Data = nullptr;
    TrptReportPage* Page = nullptr;
};

// Template text of a report, as SaveToStream writes it.
QByteArray SaveReport(TrptReport& report);
// Loads template text; errors stay in the report's Errors (no message boxes).
void LoadReport(TrptReport& report, const QByteArray& text);
