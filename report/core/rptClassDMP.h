#pragma once
// Objects of reports for dot-matrix printers. Such reports are laid out on a grid of fixed
// character cells, 9.6 report units wide and 17 high (rptDMPCharWidth, rptDMPCharHeight):
// TrptDMPPage is a report page whose paper and margins snap to that grid; TrptDMPMemoView (text),
// TrptDMPLineView (line) and TrptDMPCommand (raw printer bytes) snap their positions and sizes
// to it. Texts and pages always use "Courier New" 12 points (drawn with its metric twin
// Liberation Mono); the printer-side attributes are kept as a TrptDMPFontStyles set that the page
// passes down to the objects that take the parent's font.

#include "platform/rtl/Exceptions.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassLine.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassPage.h"

#include <QByteArray>
#include <QString>

enum TrptDMPFontStyle {
    fsxBold,
    fsxItalic,
    fsxUnderline,
    fsxSuperScript,
    fsxSubScript,
    fsxCondensed,
    fsxWide,
    fsx12cpi,
    fsx15cpi
};
KORVEL_ENUM(TrptDMPFontStyle,
            "fsxBold,fsxItalic,fsxUnderline,fsxSuperScript,fsxSubScript,fsxCondensed,fsxWide,fsx12cpi,fsx15cpi")
// Written to files as the number of its nine bits: 1 bold ... 256 15 cpi.
KORVEL_SET(TrptDMPFontStyles, TrptDMPFontStyle)

// The nine bits of a set as files and prepared pages hold them.
int DMPFontStylesToInt(const TrptDMPFontStyles& Value);

// Sets Font to "Courier New" 12 points with bold, italic and underline taken from Style, without
// telling the owner (so ParentFont stays as it is).
void DMPResetFont(TFont& Font, const TrptDMPFontStyles& Style);

// A dot-matrix text. Left, top, width and height snap to the character grid; there are no gaps
// or spacings; the frame is drawn half a cell outside the text, where the printer puts its
// frame characters.
class TrptDMPMemoView : public TrptCustomMemoView {
    KORVEL_CLASS(TrptDMPMemoView, TrptCustomMemoView)
public:
    explicit TrptDMPMemoView(TComponent* AOwner = nullptr);

    // "obDMPText".
    QString GetDescription() const override;
    // Top and height to the nearest whole cell; width too; left to the nearest cell, or down to
    // a cell for a right-aligned object.
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    // Switching on also takes the page's FontStyle on a dot-matrix page; the font stays
    // Courier New 12 whatever the parent's is.
    void SetParentFont(bool Value) override;
    // The text object's entries, then FontStyle when it differs from the source object's.
    QString Diff(TrptComponent* AComponent) override;
    // The frame half a cell outside the text.
    void DrawFrame() override;
    // Whole cells.
    double CalcHeight() override;
    double CalcWidth() override;

    // The four bounds as given, without snapping.
    void SetBoundsDirect(double ALeft, double ATop, double AWidth, double AHeight);
    // The lines that fit into Round(Height / ch) lines, each cut to Round(Width / cw) characters
    // and ended by CR LF: what the printer gets when TruncOutboundText is set.
    QString GetoutBoundText() const;
    // Courier New 12 with the set's bold, italic and underline; no gaps or spacings.
    void ResetFontOptions();

    TrptDMPFontStyles FontStyle() const { return FFontStyle; }
    // Stores the set, switches ParentFont off and resets the font.
    void SetFontStyle(const TrptDMPFontStyles& Value);
    bool TruncOutboundText() const { return FTruncOutboundText; }
    void SetTruncOutboundText(bool Value) { FTruncOutboundText = Value; }
    bool IsFontStyleStored() const { return !ParentFont(); }

private:
    TrptDMPFontStyles FFontStyle;
    bool FTruncOutboundText = false;
};

// A dot-matrix line. Lines run through the middle of the cells.
class TrptDMPLineView : public TrptCustomLineView {
    KORVEL_CLASS(TrptDMPLineView, TrptCustomLineView)
public:
    explicit TrptDMPLineView(TComponent* AOwner = nullptr);

    // "obDMPLine".
    QString GetDescription() const override;
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetParentFont(bool Value) override;
    // The view's entries, then FontStyle when it differs from the source object's.
    QString Diff(TrptComponent* AComponent) override;

    TrptDMPFontStyles FontStyle() const { return FFontStyle; }
    // Stores the set and switches ParentFont off.
    void SetFontStyle(const TrptDMPFontStyles& Value);
    bool IsFontStyleStored() const { return !ParentFont(); }

private:
    TrptDMPFontStyles FFontStyle;
};

// A printer command: bytes sent to the printer as they stand where the object lies.
class TrptDMPCommand : public TrptView {
    KORVEL_CLASS(TrptDMPCommand, TrptView)
public:
    explicit TrptDMPCommand(TComponent* AOwner = nullptr);

    // "obDMPCmd".
    QString GetDescription() const override;
    void SetLeft(double Value) override;
    void SetTop(double Value) override;

    // The command's bytes: "#27#64" lists decimal codes, each after a "#"; any other text is
    // read as pairs of hexadecimal digits ("1B40"), a last unpaired digit ignored. A code that
    // is not a number, or not a byte, raises EConvertError.
    QByteArray ToChr() const;

    const QString& Command() const { return FCommand; }
    void SetCommand(const QString& Value) { FCommand = Value; }

private:
    QString FCommand;
};

// A report page on the character grid: margins of one cell, paper cut to whole cells.
class TrptDMPPage : public TrptReportPage {
    KORVEL_CLASS(TrptDMPPage, TrptReportPage)
public:
    explicit TrptDMPPage(TComponent* AOwner = nullptr);

    bool IsDotMatrix() const override { return true; }
    // Margins of one cell; paper of the printer's default size cut down to whole cells.
    void SetDefaults() override;
    // The size to the nearest whole cells (the paper number stays).
    void SetPaperHeight(double Value) override;
    void SetPaperWidth(double Value) override;
    void SetPaperSize(int Value) override;
    // A turned page's paper is cut to whole cells again (its width becomes its height, which
    // was whole cells of the other size).
    void SetOrientation(TPrinterOrientation Value) override;
    // The font stays Courier New 12 whatever the report's is.
    void SetParentFont(bool Value) override;

    void ResetFontOptions();
    TrptDMPFontStyles FontStyle() const { return FFontStyle; }
    // Stores the set, resets the font, then every object of the page that takes its parent's
    // font takes the new set.
    void SetFontStyle(const TrptDMPFontStyles& Value);

private:
    TrptDMPFontStyles FFontStyle;
};

// When c is the lowest object of a band, the band grows by one cell below it: a dot-matrix text
// whose frame has a bottom side (the printer puts that side on the next line).
bool DMPNeedsFrameLine(const TrptComponent* c);

// Registers the dot-matrix classes for templates (once per process).
void RegisterDMPClasses();
// Palette entries of the three objects (category ctDMP, images 2, 5 and 21), and their removal.
void RegisterDMPObjects();
void UnregisterDMPObjects();
