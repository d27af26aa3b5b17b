#include "platform/gfx/Colors.h"

#include "platform/rtl/Exceptions.h"

#include <array>

namespace {

// The classic desktop scheme: grey 3-D faces, navy selection.
constexpr std::array<TColor, COLOR_ENDCOLORS + 1> ClassicTable = {
    RGB(212, 208, 200), // scroll bar
    RGB(58, 110, 165),  // background
    RGB(10, 36, 106),   // active caption
    RGB(128, 128, 128), // inactive caption
    RGB(212, 208, 200), // menu
    RGB(255, 255, 255), // window
    RGB(0, 0, 0),       // window frame
    RGB(0, 0, 0),       // menu text
    RGB(0, 0, 0),       // window text
    RGB(255, 255, 255), // caption text
    RGB(212, 208, 200), // active border
    RGB(212, 208, 200), // inactive border
    RGB(128, 128, 128), // application workspace
    RGB(10, 36, 106),   // highlight
    RGB(255, 255, 255), // highlight text
    RGB(212, 208, 200), // button face
    RGB(128, 128, 128), // button shadow
    RGB(128, 128, 128), // gray text
    RGB(0, 0, 0),       // button text
    RGB(212, 208, 200), // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(64, 64, 64),    // 3-D dark shadow
    RGB(212, 208, 200), // 3-D light
    RGB(0, 0, 0),       // info text
    RGB(255, 255, 225), // info background
    RGB(181, 181, 181), // alternate button face
    RGB(0, 0, 128),     // hot light
    RGB(166, 202, 240), // gradient active caption
    RGB(192, 192, 192), // gradient inactive caption
    RGB(10, 36, 106),   // menu highlight
    RGB(212, 208, 200), // menu bar
};

std::array<TColor, COLOR_ENDCOLORS + 1>& SysTable() {
    static std::array<TColor, COLOR_ENDCOLORS + 1> table = ClassicTable;
    return table;
}

struct ColorName {
    TColor Value;
    const char* Name;
};

// Fixed order: scripts enumerate it and register the names in this order.
constexpr ColorName ColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

TColor FromQ(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

} // namespace

TColor GetSysColor(int index) {
    if (index < 0 || index > COLOR_ENDCOLORS) return 0;
    return SysTable()[index];
}

TColor ColorToRGB(TColor color) {
    if (IsSystemColor(color)) return GetSysColor(color & 0xFF);
    if (color == clNone) return clBlack;
    if (color == clDefault) return GetSysColor(COLOR_WINDOW);
    return color & 0x00FFFFFF;
}

void UseClassicSystemColors() {
    SysTable() = ClassicTable;
}

void SetSysColor(int index, TColor value) {
    if (index >= 0 && index <= COLOR_ENDCOLORS) SysTable()[index] = ColorToRGB(value);
}

void SetSystemColorsFromPalette(const QPalette& p) {
    auto& t = SysTable();
    t = ClassicTable;
    const TColor face = FromQ(p.color(QPalette::Active, QPalette::Button));
    t[COLOR_BTNFACE] = face;
    t[COLOR_MENU] = face;
    t[COLOR_MENUBAR] = face;
    t[COLOR_SCROLLBAR] = face;
    t[COLOR_ACTIVEBORDER] = face;
    t[COLOR_INACTIVEBORDER] = face;
    t[COLOR_3DLIGHT] = FromQ(p.color(QPalette::Active, QPalette::Midlight));
    t[COLOR_BTNSHADOW] = FromQ(p.color(QPalette::Active, QPalette::Dark));
    t[COLOR_3DDKSHADOW] = FromQ(p.color(QPalette::Active, QPalette::Shadow));
    t[COLOR_BTNHIGHLIGHT] = FromQ(p.color(QPalette::Active, QPalette::Light));
    t[COLOR_BTNTEXT] = FromQ(p.color(QPalette::Active, QPalette::ButtonText));
    t[COLOR_WINDOW] = FromQ(p.color(QPalette::Active, QPalette::Base));
    t[COLOR_WINDOWTEXT] = FromQ(p.color(QPalette::Active, QPalette::Text));
    t[COLOR_MENUTEXT] = FromQ(p.color(QPalette::Active, QPalette::WindowText));
    t[COLOR_HIGHLIGHT] = FromQ(p.color(QPalette::Active, QPalette::Highlight));
    t[COLOR_MENUHILIGHT] = t[COLOR_HIGHLIGHT];
    t[COLOR_ACTIVECAPTION] = t[COLOR_HIGHLIGHT];
    t[COLOR_HIGHLIGHTTEXT] = FromQ(p.color(QPalette::Active, QPalette::HighlightedText));
    t[COLOR_GRAYTEXT] = FromQ(p.color(QPalette::Disabled, QPalette::Text));
    t[COLOR_INFOBK] = FromQ(p.color(QPalette::Active, QPalette::ToolTipBase));
    t[COLOR_INFOTEXT] = FromQ(p.color(QPalette::Active, QPalette::ToolTipText));
    t[COLOR_HOTLIGHT] = FromQ(p.color(QPalette::Active, QPalette::Link));
    t[COLOR_APPWORKSPACE] = FromQ(p.color(QPalette::Active, QPalette::Mid));
}

QColor ColorToQColor(TColor color) {
    const TColor c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToColor(const QColor& color) {
    return FromQ(color);
}

bool ColorToIdent(TColor color, QString& ident) {
    for (const auto& n : ColorNames)
        if (n.Value == color) {
            ident = QString::fromLatin1(n.Name);
            return true;
        }
    return false;
}

bool IdentToColor(const QString& ident, TColor& color) {
    for (const auto& n : ColorNames)
        if (ident.compare(QLatin1String(n.Name), Qt::CaseInsensitive) == 0) {
            color = n.Value;
            return true;
        }
    return false;
}

QString ColorToString(TColor color) {
    QString s;
    if (ColorToIdent(color, s)) return s;
    return QStringLiteral("$%1").arg(static_cast<std::uint32_t>(color), 8, 16, QLatin1Char('0')).toUpper();
}

TColor StringToColor(const QString& s) {
    TColor c;
    if (IdentToColor(s.trimmed(), c)) return c;
    const QString t = s.trimmed();
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith(QLatin1Char('$')))
        v = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toLongLong(&ok, 16);
    else
        v = t.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > UINT32_MAX)
        throw EConvertError(QStringLiteral("'%1' is not a valid colour value").arg(s));
    return static_cast<TColor>(static_cast<std::uint32_t>(v));
}

void GetColorValues(const std::function<void(const QString&)>& proc) {
    for (const auto& n : ColorNames)
        proc(QString::fromLatin1(n.Name));
}
