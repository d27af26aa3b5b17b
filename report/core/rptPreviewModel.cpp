#include "report/core/rptPreviewModel.h"

#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"

#include <algorithm>
#include <cmath>

namespace {

// Through the table itself, so that the texts are there before anything else made the table.
QString Text(const QString& Key) {
    return GlobalResources()->Get(Key);
}

} // namespace

double rptClampZoom(double Value) {
    if (std::isnan(Value) || Value < rptMinZoom) return rptMinZoom;
    return std::min(Value, rptMaxZoom);
}

double rptWheelZoom(double Zoom, int Delta) {
    if (Delta == 0) return Zoom;
    double z = Zoom + (Delta > 0 ? 0.1 : -0.1);
    if (z < 0.3) z = 0.3;
    return rptClampZoom(z);
}

double rptPageWidthZoom(int WorkspaceWidth, int ScrollBarWidth, int PageWidth) {
    if (PageWidth <= 0) return 1.0;
    return static_cast<double>(WorkspaceWidth - ScrollBarWidth - 26) / PageWidth;
}

double rptWholePageZoom(int ClientWidth, int ClientHeight, int WorkspaceWidth, int WorkspaceHeight,
                        int ScrollBarWidth, int PageWidth, int PageHeight) {
    if (PageWidth <= 0 || PageHeight <= 0) return 1.0;
    const double byHeight = ClientHeight > 0 ? static_cast<double>(PageHeight) / ClientHeight : 0;
    const double byWidth = ClientWidth > 0 ? static_cast<double>(PageWidth) / ClientWidth : 0;
    if (byHeight >= byWidth) return static_cast<double>(WorkspaceHeight - 26) / PageHeight;
    return static_cast<double>(WorkspaceWidth - ScrollBarWidth - 26) / PageWidth;
}

int rptClampPageNo(int Value, int Count) {
    if (Value < 1) Value = 1;
    if (Value > Count) Value = Count;
    return Value;
}

int rptRefreshInterval(quint32 FirstPageMs) {
    if (FirstPageMs < 5) return 50;
    if (FirstPageMs < 10) return 20;
    return 5;
}

QStringList rptZoomBoxItems() {
    return {QStringLiteral("25%"),  QStringLiteral("50%"),  QStringLiteral("75%"),
            QStringLiteral("100%"), QStringLiteral("150%"), QStringLiteral("200%"),
            Text(QStringLiteral("zmPageWidth")), Text(QStringLiteral("zmWholePage"))};
}

QString rptZoomText(double Zoom) {
    return QString::number(static_cast<qint64>(std::nearbyint(Zoom * 100))) + QLatin1Char('%');
}

TrptZoomRequest rptParseZoomBox(int ItemIndex, const QString& Text) {
    TrptZoomRequest r;
    if (ItemIndex == rptZoomItemPageWidth) {
        r.Valid = true;
        r.Mode = zmPageWidth;
        return r;
    }
    if (ItemIndex == rptZoomItemWholePage) {
        r.Valid = true;
        r.Mode = zmWholePage;
        return r;
    }
    QString s = Text;
    const qsizetype pc = s.indexOf(QLatin1Char('%'));
    if (pc >= 0) s[pc] = QLatin1Char(' ');
    s.remove(QLatin1Char(' '));
    if (s.isEmpty()) return r;
    const double v = ReportStrToFloat(s);
    if (!std::isfinite(v)) throw EConvertError(QStringLiteral("'%1' is not a valid zoom").arg(Text));
    r.Valid = true;
    r.Zoom = v / 100;
    return r;
}

QString rptPageStatusText(bool Preparing, bool FirstPassOfTwo, int PageNo, int PageCount) {
    if (Preparing && FirstPassOfTwo)
        return Text(QStringLiteral("clFirstPass")) + QLatin1Char(' ') + QString::number(PageCount);
    QString t = Text(QStringLiteral("clPageOf"));
    const qsizetype a = t.indexOf(QLatin1String("%d"));
    if (a >= 0) t.replace(a, 2, QString::number(PageNo));
    const qsizetype b = t.indexOf(QLatin1String("%d"));
    if (b >= 0) t.replace(b, 2, QString::number(PageCount));
    return t;
}

TrptPreviewCommands rptPreviewCommands(const TrptPreviewState& State) {
    TrptPreviewCommands c;
    const bool ready = !State.Preparing && State.PageCount > 0;
    c.Print = c.Open = c.Save = c.Export = c.Pdf = c.Email = c.Find = c.PageSettings = ready;
    c.Edit = !State.Preparing && State.AllowEdit;
    c.DrillItems = !State.Preparing && State.HasDrillDown;
    c.CanClose = !State.Preparing;
    return c;
}

TrptPreviewToolVisibility rptPreviewToolVisibility(const TrptPreviewButtons& Buttons, bool HasFilters, bool HasPdf,
                                                   bool HasMail) {
    TrptPreviewToolVisibility v;
    auto has = [&](TrptPreviewButton b) { return Buttons.Contains(b); };
    v.Print = has(pbPrint);
    v.Open = has(pbLoad);
    v.Save = has(pbSave);
    v.Export = has(pbExport) && HasFilters;
    v.Find = has(pbFind);
    v.ZoomButtons = v.ZoomBox = has(pbZoom);
    v.FullScreen = has(pbZoom) && !has(pbNoFullScreen);
    if (!has(pbZoom)) v.Sep1 = false;
    v.Outline = v.Thumbnails = has(pbOutline);
    v.PageSettings = has(pbPageSetup);
    v.Designer = has(pbEdit);
    v.Sep2 = v.PageSettings || v.Designer;
    v.Navigator = has(pbNavigator);
    v.Sep5 = v.Navigator;
    v.Close = !has(pbNoClose);
    v.Pdf = HasPdf && has(pbExportQuick);
    v.Email = HasMail && has(pbExportQuick) && !has(pbNoEmail);
    return v;
}
