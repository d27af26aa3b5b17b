#pragma once
// A report prepared for expression tests: an engine and prepared pages that only hold the
// numbers the system variables read (and note aggregate calls), and a dataset "Report" with the
// fields price, qty, name, note (Null), paid and missing (Null).

#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptExpressionCache.h"
#include "report/core/rptVariables.h"

#include <QString>
#include <QStringList>

#include <memory>

class TFakeEngine : public TrptCustomEngine {
public:
    explicit TFakeEngine(TrptReport* AReport) : TrptCustomEngine(AReport) {}
    Variant GetAggregateValue(const QString& Name, const QString& Expression, TrptBand* Band, int Flags) override;
    bool Run() override { return true; }
    // "SUM|<Report."price">|band|flags" per call.
    QStringList Calls;
};

class TFakePages : public TrptCustomPreviewPages {
public:
    explicit TFakePages(TrptReport* AReport) : TrptCustomPreviewPages(AReport) {}
    int GetLogicalPageNo() override { return LogicalPage; }
    int GetLogicalTotalPages() override { return LogicalTotal; }
    int LogicalPage = 0;
    int LogicalTotal = 0;
};

// Field kinds by name: name and note are text, paid is Boolean, the rest numbers.
class TTestDataSet : public TrptUserDataSet {
    KORVEL_CLASS(TTestDataSet, TrptUserDataSet)
public:
    explicit TTestDataSet(TComponent* AOwner = nullptr);
    TrptFieldType GetFieldType(const QString& Index) override;
};

// A report object with a name, so that scripts see it.
class TTestObject : public TrptReportComponent {
    KORVEL_CLASS(TTestObject, TrptReportComponent)
public:
    explicit TTestObject(TComponent* AOwner = nullptr) : TrptReportComponent(AOwner) {}
    void Draw(TCanvas*, double, double, double, double) override {}
};

struct TScriptReport {
    TScriptReport();
    // Sets the language and script text (none: an empty main program) and prepares the script
    // (true when it compiled).
    bool Prepare(const QString& Language, const QString& Script = QString());
    // The value of Calc as text ("<error>" plus the message when it raised).
    QString CalcText(const QString& Expr);

    // The application's side: the dataset lives outside the report, as the shell's does.
    std::unique_ptr<TComponent> Host;
    std::unique_ptr<TrptReport> Report;
    TFakeEngine* Engine = nullptr;
    TFakePages* Pages = nullptr;
    TTestDataSet* Data = nullptr;
};

// The text of a value for comparisons: type-neutral for numbers ("6"), "Null" and "Empty".
QString ValueText(const Variant& v);

// The four languages and the way each writes a string literal.
struct TLanguage {
    const char* Name;
    const char* Quote;
    // How the quote is written inside a literal.
    const char* EscapedQuote;
    const char* EmptyScript;
};
extern const TLanguage Languages[4];
// Text in the language: each @...@ becomes a string literal of the text between the marks.
QString InLanguage(const char* Text, const TLanguage& Lang);
