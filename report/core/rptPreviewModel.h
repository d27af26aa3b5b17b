#pragma once
// The preview's rules that need no window: zoom limits and the zoom formulas of the zoom modes,
// the zoom box's items and how its text is read, page clamping, the refresh interval while pages
// are made, the page status text, and which commands and tool buttons the preview window offers
// in which state. The preview control and window call these; tests call them directly.

#include "report/core/rptClassOptions.h"

#include <QString>
#include <QStringList>

// Zoom written through the control is at least this.
constexpr double rptMinZoom = 0.25;
// And at most this: a page at 2000 % is already 16,000 pixels wide; larger values only made the
// layout's pixel arithmetic overflow and painting crawl.
constexpr double rptMaxZoom = 20.0;

// The zoom writer's rule: below 0.25 gives 0.25, above the limit the limit; NaN gives 0.25.
double rptClampZoom(double Value);
// Ctrl+wheel: one notch of 0.1 by the delta's sign, never below 0.3; Delta 0 keeps the zoom.
double rptWheelZoom(double Zoom, int Delta);
// Zoom of the page-width mode: the page fills the workspace less its bar and 26 pixels.
double rptPageWidthZoom(int WorkspaceWidth, int ScrollBarWidth, int PageWidth);
// Zoom of the whole-page mode: by height when the page is relatively taller than the control's
// client area, else by width.
double rptWholePageZoom(int ClientWidth, int ClientHeight, int WorkspaceWidth, int WorkspaceHeight,
                        int ScrollBarWidth, int PageWidth, int PageHeight);
// The current-page writer's rule: at least 1, then at most Count (0 without pages).
int rptClampPageNo(int Value, int Count);
// Pages between refreshes while a report is prepared, from the time the first page took.
int rptRefreshInterval(quint32 FirstPageMs);

// The zoom box: "25%" ... "200%", then the page-width and whole-page items.
QStringList rptZoomBoxItems();
constexpr int rptZoomItemPageWidth = 6;
constexpr int rptZoomItemWholePage = 7;
// The box's text for a zoom: round(Zoom x 100) and "%".
QString rptZoomText(double Zoom);
// What a zoom-box entry asks for.
struct TrptZoomRequest {
    bool Valid = false; // false: nothing to do (an empty text)
    TrptZoomMode Mode = zmDefault;
    double Zoom = 1.0;  // the zoom asked for, before the writer's limits (zmDefault only)
};
// Reads a chosen item or typed text: item 6 page width, item 7 whole page; otherwise the first
// "%" becomes a blank, blanks go, and the rest is a number of percent. A text that is no number
// raises EConvertError.
TrptZoomRequest rptParseZoomBox(int ItemIndex, const QString& Text);

// Status panel 0: while the first of two passes runs, "First pass: page  N" with the page count;
// otherwise "Page n of m".
QString rptPageStatusText(bool Preparing, bool FirstPassOfTwo, int PageNo, int PageCount);

// The state the window's commands depend on.
struct TrptPreviewState {
    bool Preparing = false;
    int PageCount = 0;
    bool AllowEdit = true;
    bool HasDrillDown = false; // a group header with drill-down in the report
};
struct TrptPreviewCommands {
    bool Print = false, Open = false, Save = false, Export = false, Pdf = false, Email = false;
    bool Find = false, PageSettings = false, Edit = false;
    bool DrillItems = false; // "Expand all", "Collapse all" and their separator shown
    // The window may close (not while pages are made); the close button then reads "Close".
    bool CanClose = true;
};
TrptPreviewCommands rptPreviewCommands(const TrptPreviewState& State);

// Which tool-bar controls the window shows for the report's preview buttons.
struct TrptPreviewToolVisibility {
    bool Print = false, Open = false, Save = false, Export = false, Pdf = false, Email = false;
    bool Find = false, ZoomButtons = false, ZoomBox = false, FullScreen = false, Sep1 = true;
    bool Outline = false, Thumbnails = false, PageSettings = false, Designer = false, Sep2 = true;
    bool Navigator = false, Sep5 = true, Close = true;
};
// HasFilters: the export-filter registry is not empty; HasPdf/HasMail: a PDF or e-mail filter
// is registered.
TrptPreviewToolVisibility rptPreviewToolVisibility(const TrptPreviewButtons& Buttons, bool HasFilters, bool HasPdf,
                                                   bool HasMail);
