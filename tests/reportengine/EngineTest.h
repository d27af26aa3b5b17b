#pragma once
// Shared pieces of the engine tests: a counted dataset with a few fields, a report loaded from a
// hand-written template of data/, preparation with the errors kept, and the prepared-page dump
// compared with a golden file next to the template (KORVEL_UPDATE_GOLDENS=1 rewrites them).

#include "platform/rtl/Variant.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TrptBand;
class TrptReportPage;

// Rows 1..Count with the fields N (row number), Amount, Flag and Grp from Value; Next raises
// at FailAt (0: never).
class TRowsDataSet : public TrptUserDataSet {
    KORVEL_CLASS(TRowsDataSet, TrptUserDataSet)
public:
    explicit TRowsDataSet(TComponent* AOwner = nullptr);
    void SetCount(int Count);
    Variant GetValue(const QString& Index) override;
    void Next() override;

    std::function<Variant(int Row, const QString& Field)> Value;
    int FailAt = 0;
};

struct TEngineReport {
    std::unique_ptr<TComponent> Host;
    std::unique_ptr<TrptReport> Report;
    TRowsDataSet* Rows = nullptr;

    explicit TEngineReport(const QString& TemplateName, int RowCount = 0);
    bool Prepare();
    QString Dump();
    TrptReportPage* Page(int Index = 0) const;
    template <class T = TrptBand> T* Band(const QString& Name) const {
        return dynamic_cast<T*>(Report->FindObject(Name));
    }
};

// The golden text of data/<Name>.txt; with KORVEL_UPDATE_GOLDENS set the text is written there.
QString Golden(const QString& Name, const QString& Actual);

// Reading a dump: per page, the lines of one object class (trimmed) and the texts of one memo.
struct TDumpPage {
    QStringList Lines;
    int CountOf(const QString& ClassName) const;
    QStringList TextsOf(const QString& ObjectName) const;
};
QList<TDumpPage> SplitDump(const QString& Dump);
