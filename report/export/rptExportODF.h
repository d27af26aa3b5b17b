#pragma once
// OpenDocument export: prepared pages as a spreadsheet (.ods) or a text document (.odt). The
// objects are laid into the export matrix; each page becomes a table with one cell per object
// (spans, covered cells, typed numbers, paragraphs, links, formatted runs, pictures). The package
// files are written into a private folder made for this export, zipped into the output and the
// folder removed again, whatever happens on the way.
//
// Every text taken from the report is escaped, and characters that XML 1.0 cannot hold (control
// characters, lone surrogates, U+FFFE and U+FFFF) are dropped. A number cell gets its value only
// when its text reads as a number with the display format's separators; otherwise it is a string.

#include "report/core/rptClassBases.h"
#include "report/export/rptExportMatrix.h"
#include "report/export/rptImageConverter.h"

#include <QString>

#include <memory>
#include <vector>

class TrptProgress;
class TrptXMLItem;

// Failures of the OpenDocument export that are not file or picture errors.
KORVEL_EXCEPTION(ErptODFError, Exception)

// The look of one formatted run of a tagged text.
class TSpanStyle {
public:
    TColor Color = 0;
    TFontStyles Style;
    QString Name; // "ss-" + number
};

class TrptODFExport : public TrptCustomExportFilter {
    KORVEL_CLASS(TrptODFExport, TrptCustomExportFilter)
public:
    explicit TrptODFExport(TComponent* AOwner = nullptr);
    ~TrptODFExport() override;

    QString GetDescription() const override;
    // The option dialog (TrptODFExportDialog) and the save dialog; OK at once with a stream.
    TModalResult ShowModal() override;
    bool Start() override;
    void StartPage(TrptReportPage* Page, int Index) override;
    void ExportObject(TrptComponent* Obj) override;
    void FinishPage(TrptReportPage* Page, int Index) override;
    // Writes the package. An error is reported through the report's silent mode and leaves no
    // output file and no package folder; the file is opened only after a complete export.
    void Finish() override;

    TrptPictureType PictureType() const { return FPictureType; }
    void SetPictureType(TrptPictureType Value) { FPictureType = Value; }
    bool ExportStyles() const { return FExportStyles; }
    void SetExportStyles(bool Value) { FExportStyles = Value; }
    bool ExportPageBreaks() const { return FExportPageBreaks; }
    void SetExportPageBreaks(bool Value) { FExportPageBreaks = Value; }
    bool OpenAfterExport() const { return FOpenAfterExport; }
    void SetOpenAfterExport(bool Value) { FOpenAfterExport = Value; }
    bool Wysiwyg() const { return FWysiwyg; }
    void SetWysiwyg(bool Value) { FWysiwyg = Value; }
    bool Background() const { return FBackground; }
    void SetBackground(bool Value) { FBackground = Value; }
    const QString& Creator() const { return FCreator; }
    void SetCreator(const QString& Value) { FCreator = Value; }
    bool EmptyLines() const { return FEmptyLines; }
    void SetEmptyLines(bool Value) { FEmptyLines = Value; }
    bool SingleSheet() const { return FSingleSheet; }
    void SetSingleSheet(bool Value) { FSingleSheet = Value; }
    const QString& Language() const { return FLanguage; }
    void SetLanguage(const QString& Value) { FLanguage = Value; }
    // "spreadsheet" or "text".
    const QString& ExportType() const { return FExportType; }
    void SetExportType(const QString& Value) { FExportType = Value; }

    // Markup for runs of blanks: a single blank between two characters stays; leading blanks,
    // a single trailing blank and all but the first of a run become <text:s/> or
    // <text:s text:c="n"/>.
    static QString ProcessSpaces(const QString& s);
    // Every tab becomes <text:tab/>.
    static QString ProcessTabs(const QString& s);
    // Removes every character below 32.
    static QString ProcessControlSymbols(const QString& s);
    // Drops what XML 1.0 cannot hold: control characters other than tab, line feed and carriage
    // return, lone surrogates, U+FFFE and U+FFFF.
    static QString XmlSafe(const QString& s);
    // & " < > as entities, line feeds dropped, forbidden characters dropped; one trailing CR LF
    // removed first.
    static QString EscapeCellText(const QString& s);
    // The office:value of a number cell's text read with the format's separators (the locale's
    // where the format names none): an optional sign, digits grouped by the thousands separator
    // in threes, an optional fraction and exponent. Empty when the text is no such number.
    static QString NumericValue(const QString& Text, const TrptFormat* Format);

private:
    friend class TODFContentWriter;
    void ReportError(const QString& Text);
    void WritePackage(TStream* Out, const QString& OutFile);
    void WriteStyles(const QString& Folder);
    void WriteContent(const QString& Folder);
    void WriteManifest(const QString& Folder);
    void WriteMeta(const QString& Folder);
    void AddNamespaces(TrptXMLItem* Root) const;
    bool Cancelled() const;

    TrptPictureType FPictureType = gpPNG;
    bool FExportStyles = true, FExportPageBreaks = true, FOpenAfterExport = false, FWysiwyg = true;
    bool FBackground = true, FEmptyLines = true, FSingleSheet = false;
    QString FCreator;
    QString FLanguage;
    QString FExportType;

    std::unique_ptr<TrptIEMatrix> FMatrix;
    double FPageWidth = 0, FPageHeight = 0;
    double FPageLeft = 0, FPageTop = 0, FPageRight = 0, FPageBottom = 0;
    bool FFirstPage = true;
    int FPagesAdded = 0;
    std::unique_ptr<TBitmap> FThumbImage;
    TrptProgress* FProgress = nullptr;
    int FPicCount = 0;
    QString FPictureFolder;
    std::vector<QString> FPictureFiles;
};

class TrptODSExport : public TrptODFExport {
    KORVEL_CLASS(TrptODSExport, TrptODFExport)
public:
    explicit TrptODSExport(TComponent* AOwner = nullptr);
    QString GetDescription() const override;
};

class TrptODTExport : public TrptODFExport {
    KORVEL_CLASS(TrptODTExport, TrptODFExport)
public:
    explicit TrptODTExport(TComponent* AOwner = nullptr);
    QString GetDescription() const override;
};
