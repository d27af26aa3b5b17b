#pragma once
// Setting a layout up the way a text object does, with the project's own fonts.

#include "platform/gfx/Canvas.h"
#include "report/core/rptDrawText.h"

#include <QStringList>

#include <cmath>

namespace texttest {

struct TLayoutSetup {
    QString FontName = QStringLiteral("Courier New"); // Liberation Mono: every character alike
    int FontSize = 10;
    TFontStyles Style;
    TColor Color = clBlack;
    bool WordWrap = true;
    bool Markup = false;
    bool RTL = false;
    bool WordBreak = false;
    bool Clipped = true;
    bool Wysiwyg = true;
    int Rotation = 0;
    double ParagraphGap = 0;
    double CharSpacing = 0;
    double LineSpacing = 2;
    TRect Rect = TRect(0, 0, 100, 100); // report units, scale 1
    double Scale = 1;
    double PrintScale = 1;
};

inline void Prepare(TrptDrawText& dt, const TLayoutSetup& s) {
    TFont font;
    font.SetName(s.FontName);
    font.SetSize(s.FontSize);
    font.SetStyle(s.Style);
    font.SetColor(s.Color);
    dt.SetFont(font);
    dt.SetOptions(s.WordWrap, s.Markup, s.RTL, s.WordBreak, s.Clipped, s.Wysiwyg, s.Rotation);
    dt.SetGaps(s.ParagraphGap, s.CharSpacing, s.LineSpacing);
    const TRect scaled(static_cast<int>(std::lround(s.Rect.Left * s.Scale)),
                       static_cast<int>(std::lround(s.Rect.Top * s.Scale)),
                       static_cast<int>(std::lround(s.Rect.Right * s.Scale)),
                       static_cast<int>(std::lround(s.Rect.Bottom * s.Scale)));
    dt.SetDimensions(s.Scale, s.Scale, s.PrintScale, s.Rect, scaled);
}

inline QStringList Lines(const TrptDrawText& dt) {
    QStringList out;
    for (int i = 0; i < dt.LineCount(); ++i)
        out << dt.Line(i);
    return out;
}

// A width in report units that holds n characters of the monospaced font the layout measures with
// but not n + 1, wherever the line starts (one pixel to spare for the rounding of extents).
inline int WidthForChars(TrptDrawText& dt, int n) {
    if (n <= 0) return 0;
    const std::vector<int> ext = dt.Canvas().TextExtents(QString(n, QLatin1Char('a')));
    const double k = dt.DefPPI() / static_cast<double>(dt.ScrPPI());
    return static_cast<int>(std::ceil((ext.back() + 1) / k));
}

} // namespace texttest
