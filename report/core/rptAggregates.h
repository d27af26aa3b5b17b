#pragma once
// Aggregates of a report: the calls SUM, AVG, MIN, MAX and COUNT written in the texts of footers
// (data and group footers, page and column footers, the report summary). When a run starts the
// engine finds every call and registers one item for it; each output row of the counted data
// band feeds the item; the band that shows the value reads it while its texts are computed; once
// that band is out the item starts again.
//
// Per-column values (vertical bands) are kept in arrays that grow with the column number, so any
// number of columns can be counted.

#include "platform/rtl/Variant.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TrptReport;
class TrptBand;
class TrptReportPage;
class TrptCustomMemoView;

enum TrptAggregateFunction { agSum, agAvg, agMin, agMax, agCount };

// One registered call.
class TrptAggregateItem {
public:
    explicit TrptAggregateItem(TrptReport* AReport) : FReport(AReport) {}

    // One row of the counted band.
    void Calc();
    // Undoes the last row counted outside a keep block.
    void DeleteValue();
    // Starts again (a running total with rows keeps going).
    void Reset();
    // Page-footer items hold the rows of a keep block apart until the block closes.
    void StartKeep();
    void EndKeep();
    // The value for FVColumn (0: the whole band); Null becomes 0.
    Variant Value() const;

    TrptAggregateFunction AggregateFunction() const { return FAggregateFunction; }
    TrptBand* Band() const { return FBand; }
    TrptBand* ParentBand() const { return FParentBand; }
    const QString& Expression() const { return FExpression; }
    const QString& OriginalName() const { return FOriginalName; }
    const QString& MemoName() const { return FMemoName; }
    bool CountInvisibleBands() const { return FCountInvisibleBands; }
    bool DontReset() const { return FDontReset; }
    void SetDontReset(bool Value) { FDontReset = Value; }
    bool IsPageFooter() const { return FIsPageFooter; }
    int ItemsCount() const { return FItemsCount; }
    int VColumn() const { return FVColumn; }
    void SetVColumn(int Value) { FVColumn = Value; }

private:
    friend class TrptAggregateList;
    void Accumulate(Variant& Current, const Variant& V) const;

    TrptAggregateFunction FAggregateFunction = agCount;
    TrptBand* FBand = nullptr;
    bool FCountInvisibleBands = false;
    bool FDontReset = false;
    QString FExpression;
    bool FIsPageFooter = false;
    // Per-column values and counts, index = column; empty until a column row is counted.
    std::vector<Variant> FItemsArray;
    std::vector<int> FItemsCountArray;
    int FItemsCount = 0;
    Variant FItemsValue = Variant::Null();
    bool FKeeping = false;
    int FLastCount = 0;
    Variant FLastValue = Variant::Null();
    QString FMemoName;
    QString FOriginalName;
    TrptBand* FParentBand = nullptr;
    TrptReport* FReport;
    int FTempItemsCount = 0;
    Variant FTempItemsValue = Variant::Null();
    int FVColumn = 0;
};

// The aggregates of one report; the engine owns one.
class TrptAggregateList {
public:
    explicit TrptAggregateList(TrptReport* AReport) : FReport(AReport) {}
    ~TrptAggregateList();
    TrptAggregateList(const TrptAggregateList&) = delete;
    TrptAggregateList& operator=(const TrptAggregateList&) = delete;

    void Clear();
    int Count() const { return static_cast<int>(FList.size()); }
    TrptAggregateItem* Items(int Index) const { return FList[static_cast<size_t>(Index)].get(); }

    // Registers the calls found in the footers of the page's data bands.
    void AddItems(TrptReportPage* Page);
    // A row of Band was output (VColumn: vertical column, 0 for none).
    void AddValue(TrptBand* Band, int VColumn);
    void DeleteValue(TrptBand* Band);
    // ParentBand was output: its items start again.
    void Reset(TrptBand* ParentBand);
    void StartKeep();
    void EndKeep();
    // Between two passes: every value goes, running totals too.
    void ClearValues();
    // The item of ParentBand for the call Name(Expression, Band, Flags); Null when none.
    Variant GetValue(TrptBand* ParentBand, int VColumn, const QString& Name, const QString& Expression,
                     TrptBand* Band, int Flags);
    // The item of ParentBand whose call text is ComplexName; Null when none.
    Variant GetValue(TrptBand* ParentBand, const QString& ComplexName, int VColumn);

    // Finds the aggregate calls in one expression text (exposed for tests): Found gets the
    // upper-cased function word, the call text as written and its arguments (one to three).
    // IsVariable answers whether a word is a report variable and gives its value text; IsField
    // whether the whole expression is a dataset field.
    struct TScanHooks {
        std::function<bool(const QString& Name, QString& Value)> IsVariable;
        std::function<bool(const QString& Expr)> IsField;
        std::function<void(const QString& Func, const QString& CallText, const QStringList& Args)> Found;
    };
    static void ScanExpression(const QString& Expr, const TScanHooks& Hooks);

private:
    void ScanMemo(TrptCustomMemoView* Memo, TrptBand* DefaultBand);
    void ScanBandChain(TrptBand* Band, TrptBand* DefaultBand);
    void ScanDataBand(TrptBand* Band);
    void Register(TrptCustomMemoView* Memo, TrptBand* DefaultBand, const QString& Func,
                  const QString& CallText, const QStringList& Args);

    std::vector<std::unique_ptr<TrptAggregateItem>> FList;
    TrptReport* FReport;
};
