#include "BandsTestSupport.h"

#include "platform/rtl/Streams.h"
#include "report/core/rptClassOptions.h"

TBandsReport::TBandsReport() {
    RegisterReportClasses();
    RegisterPageClasses();
    Report = std::make_unique<TrptReport>();
    Report->EngineOptions()->SetNewSilentMode(simSilent);
    Report->CheckDataPage();
    Data = dynamic_cast<TrptDataPage*>(Report->FindObject("Data"));
    Page = new TrptReportPage(Report.get());
    Page->SetName("Page1");
}

QByteArray SaveReport(TrptReport& report) {
    TMemoryStream ms;
    report.SaveToStream(ms);
    return ms.Bytes();
}

void LoadReport(TrptReport& report, const QByteArray& text) {
    TBytesStream ms(text);
    report.LoadFromStream(ms);
}
