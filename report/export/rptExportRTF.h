#pragma once
// RTF export: prepared pages laid into the export matrix and written as one RTF document of
// table rows, one section per page, merged cells for objects over several rows, and optional
// RTF header and footer groups for the page header and footer. Rich texts are embedded with
// their references renumbered (rptGML); pictures as PNG, JPEG, EMF or a metafile around a bitmap.
//
// The output is 7-bit ASCII: every character from 128, font names included, is written as \u
// with a "?" fallback.

#include "platform/ui/Forms.h"
#include "report/core/rptClassBases.h"
#include "report/export/rptExportMatrix.h"
#include "report/export/rptImageConverter.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class TCheckBox;
class TComboBox;
class TButton;
class TEdit;
class TGroupBox;
class TLabel;
class TRadioButton;
class TSaveDialog;

// Where the page header and footer go: ordinary rows, the RTF header and footer, or nowhere.
enum TrptHeaderFooterMode { hfText, hfPrint, hfNone };
KORVEL_ENUM(TrptHeaderFooterMode, "hfText,hfPrint,hfNone")

class TrptRTFExport : public TrptCustomExportFilter {
    KORVEL_CLASS(TrptRTFExport, TrptCustomExportFilter)
public:
    explicit TrptRTFExport(TComponent* AOwner = nullptr);
    ~TrptRTFExport() override;

    QString GetDescription() const override;
    TModalResult ShowModal() override;
    bool Start() override;
    void StartPage(TrptReportPage* Page, int Index) override;
    void ExportObject(TrptComponent* Obj) override;
    void FinishPage(TrptReportPage* Page, int Index) override;
    void Finish() override;

    TrptPictureType PictureType() const { return FPictureType; }
    void SetPictureType(TrptPictureType Value) { FPictureType = Value; }
    bool ExportPageBreaks() const { return FExportPageBreaks; }
    void SetExportPageBreaks(bool Value) { FExportPageBreaks = Value; }
    bool ExportPictures() const { return FExportPictures; }
    void SetExportPictures(bool Value) { FExportPictures = Value; }
    bool OpenAfterExport() const { return FOpenAfterExport; }
    void SetOpenAfterExport(bool Value) { FOpenAfterExport = Value; }
    bool Wysiwyg() const { return FWysiwyg; }
    void SetWysiwyg(bool Value) { FWysiwyg = Value; }
    const QString& Creator() const { return FCreator; }
    void SetCreator(const QString& Value) { FCreator = Value; }
    TrptHeaderFooterMode HeaderFooterMode() const { return FHeaderFooterMode; }
    void SetHeaderFooterMode(TrptHeaderFooterMode Value) { FHeaderFooterMode = Value; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value) { FAutoSize = Value; }

    // The colour and font tables as prepared for the last document (kept until the next Start).
    const QStringList& ColorTable() const { return FColorTable; }
    const QStringList& FontTable() const { return FFontTable; }

private:
    friend class TRTFDocumentWriter;
    int ColorNumber(TColor Color);
    int ColorEntryNumber(const QString& Entry);
    int FontNumber(const QString& Name, int Charset);
    void PrepareTables();
    void ReportError(const QString& Text);

    std::unique_ptr<TrptIEMatrix> FMatrix;
    QStringList FFontTable, FCharsetTable, FColorTable;
    QHash<QString, int> FFontIndex, FColorIndex;
    TrptProgress* FProgress = nullptr;

    TrptPictureType FPictureType = gpPNG;
    bool FExportPageBreaks = true;
    bool FExportPictures = true;
    bool FOpenAfterExport = false;
    bool FWysiwyg = true;
    QString FCreator = QStringLiteral("RozoZodeva");
    TrptHeaderFooterMode FHeaderFooterMode = hfText;
    bool FAutoSize = false;
};

// The RTF export's option window: page range, export settings, the page header and footer mode
// and Open after export; then the save-file dialog.
class TrptRTFExportDialog : public TForm {
    KORVEL_CLASS(TrptRTFExportDialog, TForm)
public:
    explicit TrptRTFExportDialog(TComponent* AOwner);

    TGroupBox* GroupPageRange = nullptr;
    TRadioButton* AllRB = nullptr;
    TRadioButton* CurPageRB = nullptr;
    TRadioButton* PageNumbersRB = nullptr;
    TEdit* PageNumbersE = nullptr;
    TLabel* DescrL = nullptr;
    TGroupBox* GroupQuality = nullptr;
    TCheckBox* PicturesCB = nullptr;
    TCheckBox* WCB = nullptr;
    TCheckBox* PageBreaksCB = nullptr;
    TCheckBox* ContinuousCB = nullptr;
    TLabel* PColontitulL = nullptr;
    TComboBox* PColontitulCB = nullptr;
    TCheckBox* OpenCB = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;

    // Typing in the page edit selects "Pages:"; only digits, "," "-" and backspace get in.
    void PageNumbersEChange(TObject* Sender);
    void PageNumbersEKeyPress(TObject* Sender, QChar& Key);
};
