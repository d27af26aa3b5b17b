#pragma once
// Small classes for the tests of the abstract bases and the registries: a view hierarchy like the
// real one (view, text base, text, picture), a stand-in dialog control, and plug-ins that record
// what is asked of them.

#include "platform/rtl/StringList.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDsgnIntf.h"

#include <QString>
#include <QStringList>

#include <memory>

// A report with errors kept to itself.
std::unique_ptr<TrptReport> NewQuietReport();

// View hierarchy: TTestView <- TTestCustomMemoView <- TTestMemoView; TTestView <- TTestPictureView.
class TTestView : public TrptReportComponent {
    KORVEL_CLASS(TTestView, TrptReportComponent)
public:
    explicit TTestView(TComponent* AOwner = nullptr) : TrptReportComponent(AOwner) {}
    void Draw(TCanvas*, double, double, double, double) override {}
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }

private:
    TColor FColor = clNone;
};

class TTestCustomMemoView : public TTestView {
    KORVEL_CLASS(TTestCustomMemoView, TTestView)
public:
    explicit TTestCustomMemoView(TComponent* AOwner = nullptr) : TTestView(AOwner) {}
};

class TTestMemoView : public TTestCustomMemoView {
    KORVEL_CLASS(TTestMemoView, TTestCustomMemoView)
public:
    explicit TTestMemoView(TComponent* AOwner = nullptr) : TTestCustomMemoView(AOwner) {}
};

class TTestPictureView : public TTestView {
    KORVEL_CLASS(TTestPictureView, TTestView)
public:
    explicit TTestPictureView(TComponent* AOwner = nullptr) : TTestView(AOwner) {}
};

// A band, for ShowBandByName.
class TTestBand : public TrptReportComponent {
    KORVEL_CLASS(TTestBand, TrptReportComponent)
public:
    explicit TTestBand(TComponent* AOwner = nullptr) : TrptReportComponent(AOwner) {}
    void Draw(TCanvas*, double, double, double, double) override {}
};

// Stands in for the dialog control base: its class record is named "TrptDialogControl", which is
// how the object registry recognises dialog controls.
class TTestDialogControl : public TrptReportComponent {
    KORVEL_CLASS(TTestDialogControl, TrptReportComponent)
public:
    explicit TTestDialogControl(TComponent* AOwner = nullptr) : TrptReportComponent(AOwner) {}
    void Draw(TCanvas*, double, double, double, double) override {}
};

class TTestDialogButton : public TTestDialogControl {
    KORVEL_CLASS(TTestDialogButton, TTestDialogControl)
public:
    explicit TTestDialogButton(TComponent* AOwner = nullptr) : TTestDialogControl(AOwner) {}
};

// A plain class record for registry entries that only compare classes (property editors).
const TClassInfo* TestEditorClass(int N);

// An export filter that writes what it is asked into a log.
class TTestExportFilter : public TrptCustomExportFilter {
    KORVEL_CLASS(TTestExportFilter, TrptCustomExportFilter)
public:
    explicit TTestExportFilter(TComponent* AOwner = nullptr) : TrptCustomExportFilter(AOwner) {}

    QString GetDescription() const override { return QStringLiteral("Test file"); }
    TModalResult ShowModal() override {
        Log << "ShowModal";
        return ModalAnswer;
    }
    bool Start() override {
        Log << "Start";
        return StartAnswer;
    }
    void StartPage(TrptReportPage*, int Index) override { Log << QStringLiteral("StartPage %1").arg(Index); }
    void ExportObject(TrptComponent* Obj) override {
        if (Obj && Obj->Name() == FailOn) throw Exception(QStringLiteral("cannot write ") + FailOn);
        Log << QStringLiteral("Object %1").arg(Obj ? Obj->Name() : QStringLiteral("-"));
    }
    void FinishPage(TrptReportPage*, int Index) override {
        Log << QStringLiteral("FinishPage %1").arg(Index);
    }
    void Finish() override { Log << "Finish"; }

    QStringList Log;
    TModalResult ModalAnswer = mrOk;
    bool StartAnswer = true;
    QString FailOn;
};

// A filter that overrides nothing: every base answer shows through.
class TTestBareFilter : public TrptCustomExportFilter {
    KORVEL_CLASS(TTestBareFilter, TrptCustomExportFilter)
public:
    explicit TTestBareFilter(TComponent* AOwner = nullptr) : TrptCustomExportFilter(AOwner) {}
};

// A filter that, like a table-shaped export driving a hidden PDF export, makes a slave filter
// in its constructor, and one more that registers as usual.
class TTestMasterFilter : public TrptCustomExportFilter {
    KORVEL_CLASS(TTestMasterFilter, TrptCustomExportFilter)
public:
    explicit TTestMasterFilter(TComponent* AOwner = nullptr);
    std::unique_ptr<TTestBareFilter> Slave;
    std::unique_ptr<TTestBareFilter> Sibling;
};

// A designer that notes what its constructor could already see.
class TTestDesigner : public TrptCustomDesigner {
    KORVEL_CLASS(TTestDesigner, TrptCustomDesigner)
public:
    explicit TTestDesigner(TComponent* AOwner);
    TrptReport* ReportSeenByConstructor = nullptr;
    bool PreviewFlagSeenByConstructor = false;
    QStringList DataTreeUpdates;
    void UpdateDataTree() override { DataTreeUpdates << "UpdateDataTree"; }
};

class TTestWizard : public TrptCustomWizard {
    KORVEL_CLASS(TTestWizard, TrptCustomWizard)
public:
    explicit TTestWizard(TComponent* AOwner = nullptr) : TrptCustomWizard(AOwner) {}
    QString GetDescription() const override { return QStringLiteral("Standard report"); }
    bool Execute() override { return true; }
};

class TTestCompressor : public TrptCustomCompressor {
    KORVEL_CLASS(TTestCompressor, TrptCustomCompressor)
public:
    explicit TTestCompressor(TComponent* AOwner = nullptr)
        : TrptCustomCompressor(AOwner, TTestCompressor::StaticClassInfo()) {}
};

class TTestOtherCompressor : public TrptCustomCompressor {
    KORVEL_CLASS(TTestOtherCompressor, TrptCustomCompressor)
public:
    explicit TTestOtherCompressor(TComponent* AOwner = nullptr)
        : TrptCustomCompressor(AOwner, TTestOtherCompressor::StaticClassInfo()) {}
};

class TTestCrypter : public TrptCustomCrypter {
    KORVEL_CLASS(TTestCrypter, TrptCustomCrypter)
public:
    explicit TTestCrypter(TComponent* AOwner = nullptr)
        : TrptCustomCrypter(AOwner, TTestCrypter::StaticClassInfo()) {}
};
