// libFuzzer target over opening prepared reports (.dp3): any bytes either load or raise "Invalid
// file format", and a refused file leaves the pages held before exactly as they were. Pages of a
// file that loaded can be sized, rebuilt and drawn; what it saves loads again and saves the same
// bytes. The first byte's lowest bit loads the file partially (pages left in the stream until
// they are read; those may still turn out damaged when read, with a named error).
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXML.h"

#include <QApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// A small prepared report that every input tries to replace.
const char* const Before =
    "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><preparedreport><previewpages>"
    "<TrptReportPage Name=\"Page1\" PaperWidth=\"100\" PaperHeight=\"50\"><TrptMemoView Name=\"Memo1\" "
    "l=\"10\" t=\"10\" w=\"100\" h=\"20\" Text=\"kept\"/></TrptReportPage></previewpages></preparedreport>";

void Start() {
    // Kept for the whole process: Qt cannot be torn down from the exit handlers of a run.
    static QApplication* app = nullptr;
    if (app) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "fuzz_prepared_report";
    static char* argv[] = {arg0, nullptr};
    app = new QApplication(argc, argv);
    RegisterReportClasses();
}

std::unique_ptr<TrptReport> NewReport() {
    auto report = std::make_unique<TrptReport>();
    report->EngineOptions()->SetNewSilentMode(simSilent);
    report->PreviewOptions()->SetPagesInCache(4);
    EnsurePreviewPages(report.get());
    return report;
}

TrptPreviewPages* PagesOf(TrptReport& report) {
    return static_cast<TrptPreviewPages*>(report.PreviewPages());
}

QByteArray Save(TrptPreviewPages* pages) {
    TMemoryStream s;
    pages->SaveToStream(s);
    return s.Bytes();
}

// Sizes, rebuilds and draws the first pages and the last one.
void Walk(TrptPreviewPages* pages, bool partial) {
    TBitmap bmp;
    bmp.SetSize(64, 64);
    const int count = pages->Count();
    for (int i = 0; i < count; i = i < 5 ? i + 1 : std::max(i + 1, count - 1)) {
        try {
            pages->GetPageSize(i);
            if (!pages->GetPage(i)) __builtin_trap();
            pages->DrawPage(i, &bmp.Canvas(), 0.1, 0.1, 0, 0);
        } catch (const ErptPreparedPage&) {
            // Only pages still in the stream after a partial load are checked as they are read.
            if (!partial) throw;
        } catch (const TrptInvalidXMLException&) {
            if (!partial) throw;
        }
    }
}

} // namespace

// fontconfig keeps its caches for the life of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Start();
    const bool partial = size > 0 && (data[0] & 1);
    auto report = NewReport();
    TrptPreviewPages* pages = PagesOf(*report);
    {
        TBytesStream before{QByteArray(Before)};
        pages->LoadFromStream(before);
    }
    const QString dumpBefore = DumpPreparedPages(pages);
    const QString nameBefore = report->ReportOptions()->Name();

    TBytesStream in(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    try {
        pages->LoadFromStream(in, partial);
    } catch (const TrptInvalidXMLException&) {
        if (DumpPreparedPages(pages) != dumpBefore || report->ReportOptions()->Name() != nameBefore)
            __builtin_trap();
        return 0;
    }
    Walk(pages, partial);

    QByteArray first;
    try {
        first = Save(pages);
    } catch (const ErptXMLWriteError&) {
        // A name or text no XML file can hold is refused by the writer, not written broken.
        return 0;
    } catch (const ErptPreparedPage&) {
        if (!partial) throw;
        return 0;
    } catch (const TrptInvalidXMLException&) {
        if (!partial) throw;
        return 0;
    }
    auto again = NewReport();
    try {
        TBytesStream saved(first);
        PagesOf(*again)->LoadFromStream(saved);
    } catch (const TrptInvalidXMLException&) {
        // Pages of a partial load reach the saved file unchecked when nobody read them.
        if (!partial) throw;
        return 0;
    }
    Walk(PagesOf(*again), false);
    if (Save(PagesOf(*again)) != first) __builtin_trap();
    return 0;
}
