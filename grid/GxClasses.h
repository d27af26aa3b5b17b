#pragma once
// Shared enumerations of the grid suite, a live view of the locale settings and the small text and
// hint-window routines the painters and the mouse handling use.

#include "platform/gfx/Canvas.h"
#include "platform/rtl/Types.h"
#include "platform/rtti/TypInfo.h"

#include <QChar>
#include <QString>

class THintWindow;
class TControl;

// The class library's reading-order setting of a control.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

enum TDrawingOptions { doNormal, doBackgroundOnly, doCustom, doCustomOnly };
enum TEncodingKind { ekAnsi, ekUnicode, ekUnicodeBigEndian };
enum TUniEncoding { enUnspecified, enISO_8859_1, enUTF_16, enUTF_8 };
enum TWrapKind { wkNone, wkEllipsis, wkPathEllipsis, wkWordWrap };
KORVEL_ENUM(TWrapKind, "wkNone,wkEllipsis,wkPathEllipsis,wkWordWrap")
KORVEL_ENUM(TDrawingOptions, "doNormal,doBackgroundOnly,doCustom,doCustomOnly")

// Reads the process's format settings on every call, so a change shows at once.
class TLocalSettings {
public:
    QChar DateSeparator() const;
    QChar DecimalSeparator() const;
    QChar ListSeparator() const;
    QChar TimeSeparator() const;
    QString LongTimeFormat() const;
    // Index 1..7 (Sunday first) and 1..12; the index is not checked.
    QString GetLongDayNames(int Index) const;
    QString GetShortDayNames(int Index) const;
    QString GetLongMonthNames(int Index) const;
    QString LongDayNames(int Index) const { return GetLongDayNames(Index); }
    QString ShortDayNames(int Index) const { return GetShortDayNames(Index); }
    QString LongMonthNames(int Index) const { return GetLongMonthNames(Index); }
};

// The instance made at start-up.
TLocalSettings& LocalSettings();
// True: Korvel always takes the wide measuring path.
bool IsWinNT();

void ActivateHintWindow(THintWindow* HintWindow, const TRect& Rect, const QString& Text);
TRect CalcHintWindowRect(THintWindow* HintWindow, int MaxWidth, const QString& Text, void* UserData);
void ReleaseHintWindow(THintWindow* HintWindow);
void SwapIntegers(int& A, int& B);
TSize GetWideTextExtent(TCanvas& Canvas, const QString& Text);
int GetWideTextHeight(TCanvas& Canvas, const QString& Text);
int GetWideTextWidth(TCanvas& Canvas, const QString& Text);
int GetDrawTextWidth(TCanvas& Canvas, const QString& Text);
bool IsParentFormActive(TControl* Control);
bool IsEmptyCellPoint(const TPoint& P);
