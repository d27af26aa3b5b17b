#include "report/core/rptStartup.h"

#include "report/core/rptClassChart.h"
#include "report/core/rptClassCheckBox.h"
#include "report/core/rptClassDMP.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDialogPage.h"
#include "report/core/rptPreviewForm.h"
#include "report/core/rptPropertyEditors.h"

void StartReportLibrary() {
    RegisterReportClasses();
    RegisterDialogClasses();
    // The designer adds its own property editors after these.
    RegisterStandardEditors();
    RegisterDialogObjects();
    RegisterDMPObjects();
    RegisterCheckBoxObject();
    RegisterChartObject();
    RegisterPreviewForm();
}

void StopReportLibrary() {
    UnregisterChartObject();
    UnregisterCheckBoxObject();
    UnregisterDMPObjects();
}
