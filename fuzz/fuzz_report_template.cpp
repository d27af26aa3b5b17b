// libFuzzer target over loading report templates: any bytes load into a report (whole, in part
// with messages in its error list, or not at all with "Invalid file format"), never a crash and
// never an exception out of the load. A report that loaded saves; what it saved loads again
// without "Invalid file format" and saves the same bytes. The report classes are the core's and
// the small page, band and text classes of the report tests, which publish every kind of
// property a template holds.
#include "ReportTestClasses.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptXML.h"

#include <QApplication>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

void Start() {
    // Kept for the whole process: Qt cannot be torn down from the exit handlers of a run.
    static QApplication* app = nullptr;
    if (app) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "fuzz_report_template";
    static char* argv[] = {arg0, nullptr};
    app = new QApplication(argc, argv);
    RegisterTestReportClasses();
}

bool Malformed(TrptReport& r) {
    return !r.StreamLoaded() || r.Errors()->Text().contains(QLatin1String("Invalid file format"));
}

} // namespace

// fontconfig keeps its caches for the life of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Start();
    // Nobody answers: the password window of a protected template is cancelled. Fresh per
    // input, so that the list of questions asked does not grow for the whole run.
    SetUIServices(std::make_unique<TScriptedUIServices>());
    auto report = NewQuietReport();
    {
        TBytesStream in(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
        report->LoadFromStream(in);
    }
    // A refused password or an informational template leaves the report cleared, without even
    // the data page that every load adds.
    if (!report->StreamLoaded() || report->Objects().empty()) return 0;
    QByteArray first;
    try {
        first = SaveReport(*report);
    } catch (const ErptXMLWriteError&) {
        // A name or text no XML file can hold is refused by the writer, not written broken.
        return 0;
    }
    auto again = NewQuietReport();
    // The password the first report accepted is known to the second.
    again->ReportOptions()->SetHiddenPassword(report->ReportOptions()->Password());
    LoadReport(*again, first);
    if (Malformed(*again)) __builtin_trap();
    const QByteArray second = SaveReport(*again);
    if (second != first) __builtin_trap();
    return 0;
}
