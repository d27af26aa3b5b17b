#pragma once
// Shared pieces of the PDF export tests: a filter with a fixed clock and file identifier, views
// that draw a known picture, an A4 page, the cross-reference check and the external validators.

#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "report/core/rptClassView.h"
#include "report/export/rptPDFExport.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The filter with a fixed clock and GUID, so that two runs write the same bytes.
class TTestPDFExport : public TrptPDFExport {
public:
    TTestPDFExport() : TrptPDFExport(nullptr) {}

protected:
    QDateTime LocalNow() const override { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); }
    QString NewGuidText() const override { return QStringLiteral("{01234567-89AB-CDEF-0123-456789ABCDEF}"); }
};

// A picture object stand-in: the left half red, the right half blue (at any scale).
class TTwoColourView : public TrptView {
public:
    explicit TTwoColourView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
    TColor LeftColour = 0x0000FF;  // red
    TColor RightColour = 0xFF0000; // blue
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override {
        BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
        const int mid = FX + FDX / 2;
        Canvas->Brush().SetColor(LeftColour);
        Canvas->FillRect(TRect{FX, FY, mid, FY1});
        Canvas->Brush().SetColor(RightColour);
        Canvas->FillRect(TRect{mid, FY, FX1, FY1});
    }
};

// A picture whose data cannot be decoded: drawing fails.
class TBrokenView : public TrptView {
public:
    explicit TBrokenView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
    void Draw(TCanvas*, double, double, double, double) override {
        throw EInvalidGraphic(QStringLiteral("JPEG error: not a JPEG file"));
    }
};

// A4 with 10 mm margins.
TrptPDFPageSetup A4Page(TColor Colour = clNone);

// Runs a program; its exit code and its standard output and error joined.
int RunTool(const QString& Program, const QStringList& Arguments, QString* Output = nullptr);

// Checks that every cross-reference entry points at "n 0 obj" and that startxref points at
// "xref"; returns a failure text or an empty one.
QString CheckCrossReferences(const QByteArray& Pdf);

// The bytes of object n's stream (between "stream" CR LF and the data's end), uncompressed files
// only.
QByteArray ObjectText(const QByteArray& Pdf, int Number);

// Draws the views on a white image at 72 pixels per inch, the page fill within the margins.
QImage RenderOwn(const TrptPDFPageSetup& Page, const std::vector<TrptView*>& Views);

// The two-page report of the document tests: page 1 (light yellow fill) with a rectangle, an
// ellipse, a rounded rectangle, a triangle, a diamond, a diagonal, a framed grey view and the
// two-colour picture drawn twice; page 2 (no fill) with the picture once and a dashed frame.
struct TTwoPageReport {
    TTwoPageReport();
    std::vector<std::unique_ptr<TrptView>> Owned;
    std::vector<TrptView*> Page1, Page2;
    TrptPDFPageSetup Setup1, Setup2;
    // Runs the filter over both pages into the stream.
    void Export(TrptPDFExport& Filter, TStream& Out);
};
