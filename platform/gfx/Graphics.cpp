#include "platform/gfx/Graphics.h"

#include <cmath>

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long p = static_cast<long long>(a) * b;
    const long long q = c;
    long long r = (2 * std::llabs(p) + std::llabs(q)) / (2 * std::llabs(q));
    if ((p < 0) != (q < 0)) r = -r;
    return static_cast<int>(r);
}

void TGraphicsObject::Changed() {
    DoChange();
}

void TGraphicsObject::DoChange() {
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------

TFont::TFont() : FName(QStringLiteral("Tahoma")), FHeight(-11) {}

void TFont::Assign(const TFont& s) {
    if (&s == this) return;
    FName = s.FName;
    FPixelsPerInch = s.FPixelsPerInch;
    FHeight = s.FHeight;
    FStyle = s.FStyle;
    FColor = s.FColor;
    FCharset = s.FCharset;
    FPitch = s.FPitch;
    FOrientation = s.FOrientation;
    Changed();
}

bool TFont::SameAs(const TFont& o) const {
    return FName == o.FName && FHeight == o.FHeight && FStyle == o.FStyle && FColor == o.FColor &&
           FCharset == o.FCharset && FPitch == o.FPitch && FOrientation == o.FOrientation;
}

void TFont::SetName(const QString& v) {
    if (v.isEmpty() || v == FName) return;
    FName = v;
    Changed();
}

int TFont::Size() const {
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

double TFont::PointSize() const {
    const int whole = Size();
    if (-MulDiv(whole, FPixelsPerInch, 72) == FHeight) return whole;
    return -FHeight * 72.0 / FPixelsPerInch;
}

void TFont::SetSize(int v) {
    SetHeight(-MulDiv(v, FPixelsPerInch, 72));
}

void TFont::SetHeight(int v) {
    if (v == FHeight) return;
    FHeight = v;
    Changed();
}

void TFont::SetStyle(const TFontStyles& v) {
    if (v == FStyle) return;
    FStyle = v;
    Changed();
}

void TFont::SetColor(TColor v) {
    if (v == FColor) return;
    FColor = v;
    Changed();
}

void TFont::SetCharset(TFontCharset v) {
    if (v == FCharset) return;
    FCharset = v;
    Changed();
}

void TFont::SetPitch(TFontPitch v) {
    if (v == FPitch) return;
    FPitch = v;
    Changed();
}

void TFont::SetOrientation(int v) {
    if (v == FOrientation) return;
    FOrientation = v;
    Changed();
}

// ---------------------------------------------------------------------------------------------

void TPen::Assign(const TPen& s) {
    if (&s == this) return;
    FColor = s.FColor;
    FWidth = s.FWidth;
    FStyle = s.FStyle;
    FMode = s.FMode;
    FEndCap = s.FEndCap;
    FJoinStyle = s.FJoinStyle;
    FUserStyle = s.FUserStyle;
    Changed();
}

void TPen::SetColor(TColor v) {
    if (v == FColor) return;
    FColor = v;
    Changed();
}

void TPen::SetWidth(int v) {
    if (v < 0) v = 0;
    if (v == FWidth) return;
    FWidth = v;
    Changed();
}

void TPen::SetStyle(TPenStyle v) {
    if (v == FStyle) return;
    FStyle = v;
    Changed();
}

void TPen::SetMode(TPenMode v) {
    if (v == FMode) return;
    FMode = v;
    Changed();
}

void TPen::SetEndCap(TPenEndCap v) {
    if (v == FEndCap) return;
    FEndCap = v;
    Changed();
}

void TPen::SetJoinStyle(TPenJoinStyle v) {
    if (v == FJoinStyle) return;
    FJoinStyle = v;
    Changed();
}

void TPen::SetUserStyle(const std::vector<int>& v) {
    FUserStyle = v;
    Changed();
}

// ---------------------------------------------------------------------------------------------

void TBrush::Assign(const TBrush& s) {
    if (&s == this) return;
    FColor = s.FColor;
    FStyle = s.FStyle;
    Changed();
}

void TBrush::SetColor(TColor v) {
    if (v == FColor && FStyle != bsClear) return;
    FColor = v;
    // Giving a cleared brush a colour makes it solid again.
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle v) {
    if (v == FStyle) return;
    FStyle = v;
    Changed();
}
