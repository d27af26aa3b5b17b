#include "grid/GxClasses.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

QChar TLocalSettings::DateSeparator() const {
    return FormatSettings().DateSeparator;
}
QChar TLocalSettings::DecimalSeparator() const {
    return FormatSettings().DecimalSeparator;
}
QChar TLocalSettings::ListSeparator() const {
    return FormatSettings().ListSeparator;
}
QChar TLocalSettings::TimeSeparator() const {
    return FormatSettings().TimeSeparator;
}
QString TLocalSettings::LongTimeFormat() const {
    return FormatSettings().LongTimeFormat;
}
QString TLocalSettings::GetLongDayNames(int Index) const {
    return FormatSettings().LongDayNames.at(Index - 1);
}
QString TLocalSettings::GetShortDayNames(int Index) const {
    return FormatSettings().ShortDayNames.at(Index - 1);
}
QString TLocalSettings::GetLongMonthNames(int Index) const {
    return FormatSettings().LongMonthNames.at(Index - 1);
}

TLocalSettings& LocalSettings() {
    static TLocalSettings instance;
    return instance;
}

bool IsWinNT() {
    return true;
}

void ActivateHintWindow(THintWindow* HintWindow, const TRect& Rect, const QString& Text) {
    if (HintWindow) HintWindow->ActivateHint(Rect, Text);
}

TRect CalcHintWindowRect(THintWindow* HintWindow, int MaxWidth, const QString& Text, void*) {
    return HintWindow ? HintWindow->CalcHintRect(MaxWidth, Text) : TRect();
}

void ReleaseHintWindow(THintWindow* HintWindow) {
    if (HintWindow) HintWindow->ReleaseHandle();
}

void SwapIntegers(int& A, int& B) {
    const int t = A;
    A = B;
    B = t;
}

TSize GetWideTextExtent(TCanvas& Canvas, const QString& Text) {
    if (Text.isEmpty()) return {0, 0};
    return Canvas.TextExtent(Text);
}

int GetWideTextHeight(TCanvas& Canvas, const QString& Text) {
    return IsWinNT() ? GetWideTextExtent(Canvas, Text).cy : Canvas.TextHeight(Text);
}

int GetWideTextWidth(TCanvas& Canvas, const QString& Text) {
    return IsWinNT() ? GetWideTextExtent(Canvas, Text).cx : Canvas.TextWidth(Text);
}

int GetDrawTextWidth(TCanvas& Canvas, const QString& Text) {
    TRect r(0, 0, 0, 0);
    Canvas.DrawText(Text, r, DT_CALCRECT);
    return r.Width();
}

bool IsParentFormActive(TControl* Control) {
    TCustomForm* form = Control ? GetParentForm(Control) : nullptr;
    return form && form->Active();
}

bool IsEmptyCellPoint(const TPoint& P) {
    return P.X == -1 || P.Y == -1;
}
