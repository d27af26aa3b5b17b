#pragma once
// A small template (page header, data band with two cells, page footer) and prepared pages fed
// by hand the way the engine feeds them: a page is started with AddPage, the template bands are
// moved and filled and handed to AddObject. Tests compare what GetPage rebuilds with dumps taken
// of the template objects at the moment they were added.

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPreparedPages.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// An engine that only carries the state the prepared pages read (running, passes, CurY).
class TTestEngine : public TrptCustomEngine {
public:
    explicit TTestEngine(TrptReport* AReport) : TrptCustomEngine(AReport) {}
};

struct TPreparedFixture {
    TPreparedFixture();
    ~TPreparedFixture();

    std::unique_ptr<TrptReport> Report;
    TTestEngine* Engine = nullptr;
    TrptPreviewPages* Pages = nullptr;
    TrptReportPage* Page = nullptr;
    TrptPageHeader* Header = nullptr;
    TrptMemoView* HeaderMemo = nullptr;
    TrptMasterData* Data = nullptr;
    TrptMemoView* Cell1 = nullptr;
    TrptMemoView* Cell2 = nullptr;
    TrptPageFooter* Footer = nullptr;
    TrptMemoView* FooterMemo = nullptr;

    // Initialize, AddSourcePage for Page, BeginPass, AddPageAction apAdd; the engine runs.
    void Start();
    // Finish; the engine stops.
    void Stop();
    // AddPage for Page, and the header line of its dump.
    void NewPage();
    // Band at Top, added; its dump (as it was when added) is appended to the expected text of
    // the current page.
    void Put(TrptBand* Band, double Top);
    // Expected dump of every page added so far (DumpPreparedPages form).
    QString Expected() const;

    std::vector<QString> ExpectedPages;
    QString PageHeaderLine;
};

// Registers the report classes a rebuilt page needs (once).
void RegisterPreparedTestClasses();
// DumpReportObject without the invisible objects, which AddObject leaves out.
QString DumpAsAdded(TrptComponent* Obj, int Level);
// Text of one line of a dump with the page's own line left out, for comparisons of objects.
QStringList DumpLines(const QString& Dump);
