#pragma once
// Visual styles and the colour schemes of the Office-style painters. Korvel has no visual-style
// library, so the binding finds nothing, IsThemingAvailable answers false and the classic look is
// drawn; the entry points stay so the painters read as designed.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Colors.h"

#include <QString>

using HTHEME = void*;

// The loaded library (null when absent, which is always the case here).
void* ThemeLibrary();
void InitThemeLibrary();
bool IsThemingAvailable();
// Draws one part of a themed class; nothing without visual styles.
void DrawThemePart(void* Window, TCanvas& Canvas, const TRect& Rect, const QString& ClassName, int Part,
                   int State);

// Scheme 0 is the current scheme; colours 0..23, schemes 0..6.
TColor GetSchemeColor(int Colour, int Scheme = 0);
int CurrentScheme();
