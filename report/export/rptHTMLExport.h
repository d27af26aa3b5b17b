#pragma once
// HTML export: prepared pages as HTML 4.01 tables built from the export matrix, text formatting
// as CSS classes, pictures as files beside the document. One file, or one file per page.
// Every text and attribute value taken from the report is escaped; links keep only safe schemes.

#include "report/core/rptClassBases.h"
#include "report/export/rptExportMatrix.h"
#include "report/export/rptImageConverter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Templates replacing the generated frameset and navigation bar (with UseTemplates).
using TrptHTMLExportGetMainTemplate =
    std::function<void(const QString& Title, const QString& FrameFolder, bool Multipage, QString& Template)>;
using TrptHTMLExportGetNavTemplate = std::function<void(const QString& ReportName, bool Multipage, bool PicsInSameFolder,
                                                        const QString& Prefix, int TotalPages, QString& Template)>;

class TrptHTMLExport : public TrptCustomExportFilter {
    KORVEL_CLASS(TrptHTMLExport, TrptCustomExportFilter)
public:
    explicit TrptHTMLExport(TComponent* AOwner = nullptr);
    ~TrptHTMLExport() override;

    QString GetDescription() const override;
    // With a Stream there is nothing to ask: OK at once.
    TModalResult ShowModal() override;
    bool Start() override;
    void StartPage(TrptReportPage* Page, int Index) override;
    void ExportObject(TrptComponent* Obj) override;
    void FinishPage(TrptReportPage* Page, int Index) override;
    void Finish() override;

    bool OpenAfterExport() const { return FOpenAfterExport; }
    void SetOpenAfterExport(bool Value) { FOpenAfterExport = Value; }
    bool FixedWidth() const { return FFixedWidth; }
    void SetFixedWidth(bool Value) { FFixedWidth = Value; }
    bool ExportPictures() const { return FExportPictures; }
    void SetExportPictures(bool Value) { FExportPictures = Value; }
    bool PicsInSameFolder() const { return FPicsInSameFolder; }
    void SetPicsInSameFolder(bool Value) { FPicsInSameFolder = Value; }
    bool ExportStyles() const { return FExportStyles; }
    void SetExportStyles(bool Value) { FExportStyles = Value; }
    bool Navigator() const { return FNavigator; }
    void SetNavigator(bool Value) { FNavigator = Value; }
    bool Multipage() const { return FMultipage; }
    void SetMultipage(bool Value) { FMultipage = Value; }
    // Kept for stored reports; no output depends on it.
    bool MozillaFrames() const { return FMozillaBrowser; }
    void SetMozillaFrames(bool Value) { FMozillaBrowser = Value; }
    bool AbsLinks() const { return FAbsLinks; }
    void SetAbsLinks(bool Value) { FAbsLinks = Value; }
    bool Background() const { return FBackground; }
    void SetBackground(bool Value) { FBackground = Value; }
    bool Centered() const { return FCentered; }
    void SetCentered(bool Value) { FCentered = Value; }
    bool EmptyLines() const { return FEmptyLines; }
    void SetEmptyLines(bool Value) { FEmptyLines = Value; }
    const QString& URLTarget() const { return FURLTarget; }
    void SetURLTarget(const QString& Value) { FURLTarget = Value; }
    bool Print() const { return FPrint; }
    void SetPrint(bool Value) { FPrint = Value; }
    TrptPictureType PictureType() const { return FPictureType; }
    void SetPictureType(TrptPictureType Value) { FPictureType = Value; }
    // Navigator with Refresh and Print buttons, for pages served by a report server.
    bool Server() const { return FServer; }
    void SetServer(bool Value) { FServer = Value; }
    // Where the navigator's Print and Refresh go instead of printing or reloading the report.
    const QString& PrintLink() const { return FPrintLink; }
    void SetPrintLink(const QString& Value) { FPrintLink = Value; }
    const QString& RefreshLink() const { return FRefreshLink; }
    void SetRefreshLink(const QString& Value) { FRefreshLink = Value; }
    // Left out of the report name the navigator's refresh sends.
    const QString& ReportPath() const { return FReportPath; }
    void SetReportPath(const QString& Value) { FReportPath = Value; }
    bool UseTemplates() const { return FUseTemplates; }
    void SetUseTemplates(bool Value) { FUseTemplates = Value; }
    TrptHTMLExportGetMainTemplate OnGetMainTemplate;
    TrptHTMLExportGetNavTemplate OnGetNavTemplate;
    // The report's file name as the navigator's scripts take it: ReportPath left out, every
    // character but 0-9, A-Z, a-z written as "%" and two hexadecimal digits.
    QString ScriptReportName() const;

    QStringList& HTMLDocumentBegin() { return FHTMLDocumentBegin; }
    QStringList& HTMLDocumentBody() { return FHTMLDocumentBody; }
    QStringList& HTMLDocumentEnd() { return FHTMLDocumentEnd; }

    // Text for HTML content and attribute values: & < > " ' escaped, NUL and C0 controls other
    // than tab and line breaks dropped, lone surrogates replaced by U+FFFD.
    static QString Escape(const QString& s);
    // The href of a report URL, or empty when the scheme is not one a document may follow
    // (http, https, mailto, relative paths, "#..." and page forms are kept).
    static QString SafeLink(const QString& URL);
    // A file path as a relative link: "/" separators, each segment percent-encoded.
    static QString FileLink(const QString& Path);
    // Inside another export: one file with its pictures beside it, nothing opened, and the file
    // name moved into the temporary folder.
    void ApplySlaveSettings();

private:
    QString FilesPrefix();
    QString LinkPrefix() const;
    void WriteDocument(QIODevice& Out);
    QString StyleClass(int k) const;
    QString FormatText(const TrptIEMObject* Obj) const;
    QString SavePicture(TGraphic& Picture, const QString& Stem);
    QString ReportTitle() const;
    // The progress window of Finish was cancelled.
    bool Cancelled() const;
    void ReportError(const QString& Text);
    void WriteNavigator();

    std::unique_ptr<TrptIEMatrix> FMatrix;
    TrptProgress* FProgress = nullptr;
    int FCurrentPage = 0;
    int FPicturesCount = 0;
    int FBackgroundCount = 0;
    bool FOpenAfterExport = false, FFixedWidth = true, FExportPictures = true, FPicsInSameFolder = false;
    bool FExportStyles = true, FNavigator = false, FMultipage = false, FAbsLinks = false, FBackground = false;
    bool FCentered = false, FEmptyLines = true, FPrint = false, FServer = false, FUseTemplates = false;
    bool FMozillaBrowser = false;
    QString FPrintLink, FRefreshLink, FReportPath;
    QString FURLTarget;
    TrptPictureType FPictureType = gpPNG;
    std::unique_ptr<TBitmap> FBackImage;
    bool FBackImageExist = false;
    bool FErrorReported = false;
    QStringList FHTMLDocumentBegin, FHTMLDocumentBody, FHTMLDocumentEnd;
};
