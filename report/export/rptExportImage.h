#pragma once
// Picture exports: every visible object of a prepared page draws itself on a bitmap at the chosen
// resolution; the bitmap becomes a JPEG file (through libjpeg) or a TIFF file (our own writer:
// uncompressed, one strip per image, bilevel, palette or RGB). One picture per page, or one tall
// picture of all pages; optionally cut to the area the objects cover.
//
// Resolutions outside 1 .. 2400 dpi are refused (the TIFF stores dpi x 10), and so is a picture
// of more than MaxImagePixels pixels: both with a message through the report's SilentMode.

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassBases.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The longest side of the joined picture of all pages, and the most pixels any picture may have
// (a 32-bit bitmap of this many pixels takes 600 MB).
constexpr int MaxJoinedImageSide = 30000;
constexpr qint64 MaxImagePixels = 150000000;
constexpr int MinImageResolution = 1;
constexpr int MaxImageResolution = 2400;

class TrptCustomImageExport : public TrptCustomExportFilter {
    KORVEL_CLASS(TrptCustomImageExport, TrptCustomExportFilter)
public:
    explicit TrptCustomImageExport(TComponent* AOwner = nullptr);
    ~TrptCustomImageExport() override;

    // The options dialog, then (unless SlaveExport) the save dialog.
    TModalResult ShowModal() override;
    // False without a file name and a stream. A resolution outside 1 .. 2400 dpi raises.
    bool Start() override;
    void StartPage(TrptReportPage* Page, int Index) override;
    void ExportObject(TrptComponent* Obj) override;
    void FinishPage(TrptReportPage* Page, int Index) override;
    void Finish() override;

    // Writes the current bitmap; the base only sets the file suffix.
    virtual void SaveImage();
    // Crops (with CropImages), saves, and frees the bitmap also when saving fails.
    virtual void FinishImage();

    int JPEGQuality() const { return FJPEGQuality; }
    void SetJPEGQuality(int Value) { FJPEGQuality = Value; }
    bool CropImages() const { return FCrop; }
    void SetCropImages(bool Value) { FCrop = Value; }
    bool Monochrome() const { return FMonochrome; }
    void SetMonochrome(bool Value) { FMonochrome = Value; }
    int Resolution() const { return FResolution; }
    void SetResolution(int Value) { FResolution = Value; }
    bool SeparateFiles() const { return FSeparate; }
    void SetSeparateFiles(bool Value) { FSeparate = Value; }
    // The image exports' own switch: it hides the base's, and only this one decides whether
    // objects that are not printable are drawn.
    bool ExportNotPrintable() const { return FExportNotPrintable; }
    void SetExportNotPrintable(bool Value) { FExportNotPrintable = Value; }

    // The bitmap being drawn (none between pictures).
    TBitmap* Bitmap() const { return FBitmap.get(); }
    // The scale from report pixels to output pixels.
    double Div() const { return FDiv; }
    // The last message given through the report's error handling (also kept without a report).
    const QString& LastError() const { return FLastError; }
    // Whether the JPEG quality box of the dialog applies.
    virtual bool UsesQuality() const { return false; }

    // The file of the current picture: FileName with its extension replaced by the suffix and ext.
    QString ImageFileName(const QString& Ext) const;

protected:
    // Tells the user through the report's SilentMode (simReThrow raises).
    void ReportError(const QString& Text);
    // A new bitmap of that size drawn white, or none (with a message) when it is too large.
    bool NewBitmap(int Width, int Height, const QString& What);

    std::unique_ptr<TBitmap> FBitmap;
    // The last page's bitmap, kept for the next page of the same size: a fresh picture of tens of
    // megabytes costs more in first-touch page faults than drawing the page.
    std::unique_ptr<TBitmap> FSpare;
    bool FCrop = false;
    int FCurrentPage = 0;
    int FJPEGQuality = 90;
    int FMaxX = 0, FMaxY = 0, FMinX = 0, FMinY = 0;
    bool FMonochrome = false;
    int FResolution = 96;
    int FCurrentRes = 96;
    bool FSeparate = true;
    int FYOffset = 0;
    QString FFileSuffix;
    bool FFirstPage = false;
    bool FExportNotPrintable = false;
    double FPaperWidth = 0, FPaperHeight = 0;
    double FDiv = 1;
    // The joined picture: its height, and whether a page that did not fit was reported.
    int FJoinedHeight = 0;
    bool FCutReported = false;
    // The output stream failed once: later pictures would only add to a broken file.
    bool FStreamFailed = false;
    QString FLastError;
};

class TrptJPEGExport : public TrptCustomImageExport {
    KORVEL_CLASS(TrptJPEGExport, TrptCustomImageExport)
public:
    explicit TrptJPEGExport(TComponent* AOwner = nullptr);

    QString GetDescription() const override;
    // Also refuses a quality outside 1 .. 100.
    bool Start() override;
    void SaveImage() override;
    bool UsesQuality() const override { return true; }
};

class TrptTIFFExport : public TrptCustomImageExport {
    KORVEL_CLASS(TrptTIFFExport, TrptCustomImageExport)
public:
    explicit TrptTIFFExport(TComponent* AOwner = nullptr);

    QString GetDescription() const override;
    bool Start() override;
    void SaveImage() override;

    // With MultiImage a picture is cut into page-sized tiles, each an image of one TIFF file.
    bool MultiImage() const { return FMultiImage; }
    void SetMultiImage(bool Value) { FMultiImage = Value; }

    // Appends the bitmap (or with MultiImage its tiles) to a stream that holds nothing (then
    // WriteHeader is True) or a TIFF file written by earlier calls.
    void SaveTiffToStream(TStream& Stream, TBitmap& Bitmap, bool WriteHeader, bool MultiImage);

private:
    bool FMultiImage = false;
    // Where the TIFF file in Stream() begins, once its header is written.
    Int64 FStreamBase = -1;
};

// One image appended to a TIFF file that starts at Base in the stream (WriteHeader: the stream
// is empty from Base and gets the header). The bitmap's pixel format chooses the layout: pf1bit
// bilevel, pf4bit/pf8bit palette, pf15bit/pf16bit 5-5-5 and pf24bit/pf32bit/pfDevice RGB.
// Resolution in dpi (1 .. 2400) is stored as dpi x 10 / 10. Every offset written is even.
void WriteTiffImage(TStream& Stream, Int64 Base, TBitmap& Bitmap, bool WriteHeader, int Resolution);

// The picture as a baseline JPEG with a JFIF header giving the resolution in dots per inch;
// grayscale when the bitmap is monochrome. Raises EInvalidGraphic when libjpeg fails.
QByteArray EncodeJpegImage(TBitmap& Bitmap, int Quality, int Resolution);

// The generator name in every TIFF directory (10 characters and the terminating zero).
extern const char TiffSoftwareName[11];
