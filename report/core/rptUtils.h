#pragma once
// The report library's toolbox: numbers and text, page lists, stream checksums and hexadecimal
// text, message boxes and error reporting, component names, temporary files and folders, picture
// strips and picture drawing, and the area class the engine tests overlaps with. Nothing here
// keeps state between calls, except the string-table lookup that the table installs.

#include "platform/gfx/Colors.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"
#include "platform/rtti/TypInfo.h"
#include "platform/sys/TempFiles.h"

#include <QString>

#include <functional>
#include <memory>

class TBitmap;
class TCanvas;
class TComponent;
class TCustomImageList;
class TGraphic;
class TStream;
class TStrings;

// ---------------------------------------------------------------------------------------------
// Geometry records of the report classes (report pixels, 96 per inch)

struct TrptRect {
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct TrptPoint {
    double X = 0, Y = 0;
};

TrptRect MakeReportRect(double left, double top, double right, double bottom);
TrptPoint MakeReportPoint(double x, double y);

// An axis-aligned area of report pixels; the engine tests with it whether two objects overlap
// horizontally or vertically. Areas that only touch, or overlap by less than 0.0001, do not.
class TrptRectArea {
public:
    TrptRectArea(double left, double top, double right, double bottom)
        : X(left), Y(top), X1(right), Y1(bottom) {}

    bool InterceptsX(const TrptRectArea& other) const;
    bool InterceptsY(const TrptRectArea& other) const;
    // The common horizontal span (Y and Y1 are 0), or null when there is none.
    std::unique_ptr<TrptRectArea> InterceptX(const TrptRectArea& other) const;
    // The common vertical span (X and X1 are 0), or null when there is none.
    std::unique_ptr<TrptRectArea> InterceptY(const TrptRectArea& other) const;

    static double Max(double x1, double x2) { return x1 >= x2 ? x1 : x2; }
    static double Min(double x1, double x2) { return x1 > x2 ? x2 : x1; }

    double X, Y, X1, Y1;
};

// ---------------------------------------------------------------------------------------------
// Numbers and text

// Every "." and "," becomes the locale's decimal separator and every blank goes, then the text is
// read as a float; EConvertError when that fails (a text holding both a point and a comma fails).
double ReportStrToFloat(const QString& s);
bool IsValidReportFloat(const QString& s);
// A whole number as FloatToStr writes it ("3"), anything else as "%2.2f" ("3.14" in the locale).
QString FloatToReportStr(double value);
// Fixed point with exactly that many decimals and that separator, no thousands separator, at the
// float's full precision: FloatToTextWithSeparator(2, '.', -3.5) is "-3.50".
QString FloatToTextWithSeparator(int decimals, QChar separator, double value);
// "#" and the red, green and blue bytes as upper-case hexadecimal digits; a system colour as
// its current RGB value.
QString ColorToHtmlHex(TColor color);

// Clears the list and appends the pieces of the text between separators, as they stand: "a,b,,c"
// gives four items, a leading separator an empty first item, a final one no empty last item,
// and an empty text none.
void SplitDelimitedText(const QString& text, TStrings& list, QChar separator);
QString ReplaceChar(const QString& s, QChar find, QChar replacement);
// Every "/" as "\". Files here are named with "/", so a caller that only wants a file's name
// takes it from the path as it is.
QString SlashesToBackslashes(const QString& path);

// The text inside the bracket that starts at 1-based position i, nesting counted and quoted text
// (single or double quotes) skipped. On return i is the opening bracket and j the last character
// of the closing one. When i does not hold an opening bracket the result is empty and j = i; an
// unclosed bracket runs to the end of the text.
QString ExtractBracketedText(const QString& text, const QString& openBracket, const QString& closeBracket,
                             int& i, int& j);

// ---------------------------------------------------------------------------------------------
// Page lists

// What a page list selects. An empty list means every page only with AllPages.
enum class TrptPageSelection { AllPages, SomePages, NoPages };

// Reads a page list such as "1,3,5-12" or "5-" against the page count. The list receives the
// page numbers as decimal texts in the order written, duplicates kept; ranges run upwards
// ("3-1" names nothing) and are clamped to 1 .. pageCount, and numbers outside it are dropped.
// An empty text selects every page (empty list, AllPages); a text that names no page in the
// document gives NoPages with an empty list, which callers must not take for every page. A
// piece that is not a number raises EConvertError, and the list then keeps what it held before.
[[nodiscard]] TrptPageSelection ParsePageRanges(const QString& text, TStrings& list, int pageCount);

// ---------------------------------------------------------------------------------------------
// Streams

// The CRC-32 (IEEE 802.3, reflected) of the whole stream; its position is kept.
quint32 StreamCrc32(TStream& stream);
// Two upper-case hexadecimal digits per byte of the whole stream.
QString StreamToHexText(TStream& stream);
// Writes (length div 2) bytes at position 0, one per pair of hexadecimal digits; from the first
// pair that is not two digits on, the bytes are 0. The stream is not truncated.
void HexTextToStream(const QString& text, TStream& stream);

// ---------------------------------------------------------------------------------------------
// Messages

// The report library's string table. It installs its lookup when it is created; until then, and
// for a key it does not define, a key reads as itself.
using TrptTextLookup = std::function<QString(const QString& key)>;
void SetReportTextLookup(TrptTextLookup lookup);
QString ReportText(const QString& key);

// Message boxes owned by the main window, through the UI services, with the captions of the
// string-table keys "mbError", "mbConfirm" and "mbInfo".
void ShowErrorMessage(const QString& text);
// The question icon is added to the caller's MB_ button flags; the result is the ID of the button.
int ShowConfirmMessage(const QString& text, unsigned flags);
void ShowInfoMessage(const QString& text);

// How a report shows the errors it collected (its engine option SilentMode).
enum TrptSilentMode { simMessageBoxes, simReThrow, simSilent };
KORVEL_ENUM(TrptSilentMode, "simMessageBoxes,simReThrow,simSilent")

// simMessageBoxes shows the text by ShowErrorMessage, simReThrow raises Exception with the text,
// simSilent does nothing. The report form reads the mode from the report's engine options.
void HandleReportError(TrptSilentMode mode, const QString& text);

// ---------------------------------------------------------------------------------------------
// Components and names

// "Form.Component" or "Form.Frame.Component": the first part among the application's forms and
// data modules, the rest step by step inside it. A name without a dot among the owner's
// components and, when the owner is a report, among those of the report's own owner. Null when a
// step finds nothing; any error on the way becomes EClassNotFound "Missing " + name.
TComponent* FindReportComponent(TComponent* owner, const QString& name);
// The name that FindReportComponent finds the component by from that owner: empty for null, the
// bare name inside the owner (or the owner's report owner), "Form.Name" or "Owner.Frame.Name"
// across forms, data modules and frames, and empty for anything else.
QString ComponentFullName(TComponent* owner, TComponent* component);

// ---------------------------------------------------------------------------------------------
// Files and folders (TempFolderPath comes from the platform: the run's private temporary folder,
// with a trailing "/")

// A new empty file "fr" + hexadecimal digits + ".tmp" in the temporary folder; its full path.
QString NewTempFileName();
// The same in the given folder ("/" added when missing); an empty folder means the temporary one.
QString NewTempFileNameIn(const QString& folder);
// The running program's file, and its folder with a trailing "/" (where language files lie).
QString ModuleFileName();
QString ExeFolderPath();

// ---------------------------------------------------------------------------------------------
// Pictures

// Cuts a strip into tiles, left to right and row by row, each masked by its transparent colour
// (its bottom-left pixel), and adds them to the first list; with a second list the strip holds
// pairs and each right-hand twin goes to the second list. A null first list skips its tiles.
void LoadImageStrip(TBitmap& strip, int tileWidth, int tileHeight, TCustomImageList* list1,
                    TCustomImageList* list2 = nullptr);
// Draws the bitmap at (x, y) with its transparent colour left out; null draws nothing.
void DrawBitmapThroughImageList(TCanvas& canvas, int x, int y, TBitmap* bitmap);
// Stretches the bitmap into the rectangle; pixels of the transparent colour leave the canvas as it
// was. deviceIndependent is set when printing.
void PaintBitmapWithTransparentColor(TCanvas& canvas, const TRect& dest, TBitmap& bitmap,
                                     TColor transparentColor, bool deviceIndependent);
// Draws a picture object's graphic into the rectangle: directly when nothing more is asked (and
// always for a recorded picture), else through a bitmap of the graphic's size filled with the
// transparent colour, smoothly stretched, and with that colour left out when transparent.
void DrawPictureGraphic(TCanvas& canvas, const TRect& dest, TGraphic* graphic, bool printing,
                        bool highQuality, bool transparent, TColor transparentColor);

// ---------------------------------------------------------------------------------------------
// Collections

// Old binary collections kept characters above 127 of their 8-bit texts as the pair chr(1),
// chr(code - 128); this turns each such pair back into its character.
QString DecodeCollectionText(const QString& text);
