#pragma once
// Small report classes for the tests of the component base, the template serializer and the
// report root. The real pages, bands and text objects come later; these publish the same kinds
// of properties (geometry, fonts, sub-objects, references, string lists, defined data) so that
// templates with pages, bands and texts can be written by hand and read back.

#include "platform/rtl/StringList.h"
#include "platform/rtti/Filer.h"
#include "report/core/rptClassComponent.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptXMLSerializer.h"

#include <QString>

#include <memory>

enum TTestFrameType { ftLeft, ftRight, ftTop, ftBottom };
KORVEL_ENUM(TTestFrameType, "ftLeft,ftRight,ftTop,ftBottom")
KORVEL_SET(TTestFrameTypes, TTestFrameType)

enum TTestHAlign { haLeft, haRight, haCenter, haBlock };
KORVEL_ENUM(TTestHAlign, "haLeft,haRight,haCenter,haBlock")

// A frame as views have one: a set, a colour and a width.
class TTestFrame : public TPersistent {
    KORVEL_CLASS(TTestFrame, TPersistent)
public:
    TTestFrame() = default;
    void Assign(const TPersistent* Source) override;
    TTestFrameTypes Typ() const { return FTyp; }
    void SetTyp(const TTestFrameTypes& v) { FTyp = v; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }
    double Width() const { return FWidth; }
    void SetWidth(double v) { FWidth = v; }

private:
    TTestFrameTypes FTyp;
    TColor FColor = clBlack;
    double FWidth = 1;
};

// A page: a container with geometry and a font.
class TTestPage : public TrptComponent {
    KORVEL_CLASS(TTestPage, TrptComponent)
public:
    explicit TTestPage(TComponent* AOwner = nullptr);
};

// A band: a strip with a dataset bound by reference and by user name, and a child band.
class TTestBand : public TrptReportComponent {
    KORVEL_CLASS(TTestBand, TrptReportComponent)
public:
    explicit TTestBand(TComponent* AOwner = nullptr);
    void Draw(TCanvas*, double, double, double, double) override {}

    TrptDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TrptDataSet* v);
    QString DataSetName() const;
    void SetDataSetName(const QString& v);
    TTestBand* Child() const { return FChild; }
    void SetChild(TTestBand* v) { FChild = v; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool v) { FStretched = v; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TrptDataSet* FDataSet = nullptr;
    QString FDataSetName;
    TTestBand* FChild = nullptr;
    bool FStretched = false;
};

// A text object: text kept outside the published properties, a frame, every ordinal kind, a
// string list, a variant, a reference and data of its own (PropData).
class TTestMemo : public TrptReportComponent {
    KORVEL_CLASS(TTestMemo, TrptReportComponent)
public:
    explicit TTestMemo(TComponent* AOwner = nullptr);
    void Draw(TCanvas*, double, double, double, double) override {}

    bool IsTextObject() const override { return true; }
    QString GetXMLText() const override { return FText; }
    void SetXMLText(const QString& v) override { FText = v; }
    bool GetChildAlign(TrptAlign& a) const override {
        a = FAlign;
        return true;
    }

    const QString& Text() const { return FText; }
    TrptAlign Align() const { return FAlign; }
    void SetAlign(TrptAlign v) { FAlign = v; }
    bool AutoWidth() const { return FAutoWidth; }
    void SetAutoWidth(bool v) { FAutoWidth = v; }
    TTestFrame* Frame() const { return FFrame.get(); }
    void SetFrame(TTestFrame* v) { FFrame->Assign(v); }
    TTestHAlign HAlign() const { return FHAlign; }
    void SetHAlign(TTestHAlign v) { FHAlign = v; }
    int Rotation() const { return FRotation; }
    void SetRotation(int v) { FRotation = v; }
    QChar Separator() const { return FSeparator; }
    void SetSeparator(QChar v) { FSeparator = v; }
    Int64 BigNumber() const { return FBigNumber; }
    void SetBigNumber(Int64 v) { FBigNumber = v; }
    Variant Hint() const { return FHint; }
    void SetHint(const Variant& v) { FHint = v; }
    const QString& TagStr() const { return FTagStr; }
    void SetTagStr(const QString& v) { FTagStr = v; }
    TStrings* Highlight() const { return FHighlight.get(); }
    void SetHighlight(TStrings* v) { FHighlight->Assign(*v); }
    TrptComponent* Master() const { return FMaster; }
    void SetMaster(TrptComponent* v) { FMaster = v; }
    int ReadOnlyCount() const { return 3; }
    const QByteArray& Data() const { return FData; }
    void SetData(const QByteArray& v) { FData = v; }

protected:
    void DefineProperties(TFiler* Filer) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    QString FText;
    TrptAlign FAlign = baNone;
    bool FAutoWidth = false;
    std::unique_ptr<TTestFrame> FFrame = std::make_unique<TTestFrame>();
    TTestHAlign FHAlign = haLeft;
    int FRotation = 0;
    QChar FSeparator = QLatin1Char(';');
    Int64 FBigNumber = 0;
    Variant FHint;
    QString FTagStr;
    std::unique_ptr<TStringList> FHighlight = std::make_unique<TStringList>();
    TrptComponent* FMaster = nullptr;
    QByteArray FData;
};

// Registers the report classes of the core and the test classes (once per process).
void RegisterTestReportClasses();

// Template text of a report, as SaveToStream writes it.
QByteArray SaveReport(TrptReport& report);
// Loads template text into the report (through LoadFromStream, so errors are shown by the
// report's silent mode; the tests set it to silent unless they check the message box).
void LoadReport(TrptReport& report, const QByteArray& text);
// A report whose errors are not shown in message boxes.
std::unique_ptr<TrptReport> NewQuietReport();
// A report as the program makes it (errors in message boxes).
std::unique_ptr<TrptReport> NewReport();
