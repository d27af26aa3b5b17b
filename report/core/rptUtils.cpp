#include "report/core/rptUtils.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Metafile.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/Classes.h"
#include "platform/sys/Program.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/UIServices.h"

#include <zlib.h>

#include <cmath>
#include <vector>

// =============================================================================================
// Geometry

TrptRect MakeReportRect(double left, double top, double right, double bottom) {
    return TrptRect{left, top, right, bottom};
}

TrptPoint MakeReportPoint(double x, double y) { return TrptPoint{x, y}; }

bool TrptRectArea::InterceptsX(const TrptRectArea& other) const {
    return other.X < X1 - 0.0001 && other.X1 > X + 0.0001;
}

bool TrptRectArea::InterceptsY(const TrptRectArea& other) const {
    return other.Y < Y1 - 0.0001 && other.Y1 > Y + 0.0001;
}

std::unique_ptr<TrptRectArea> TrptRectArea::InterceptX(const TrptRectArea& other) const {
    if (!InterceptsX(other)) return nullptr;
    return std::make_unique<TrptRectArea>(Max(X, other.X), 0, Min(X1, other.X1), 0);
}

std::unique_ptr<TrptRectArea> TrptRectArea::InterceptY(const TrptRectArea& other) const {
    if (!InterceptsY(other)) return nullptr;
    return std::make_unique<TrptRectArea>(0, Max(Y, other.Y), 0, Min(Y1, other.Y1));
}

// =============================================================================================
// Numbers and text

double ReportStrToFloat(const QString& s) {
    const QChar sep = FormatSettings().DecimalSeparator;
    QString t;
    t.reserve(s.size());
    for (QChar c : s) {
        if (c == QLatin1Char(' ')) continue;
        t += (c == QLatin1Char('.') || c == QLatin1Char(',')) ? sep : c;
    }
    return StrToFloat(t);
}

bool IsValidReportFloat(const QString& s) {
    try {
        ReportStrToFloat(s);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

QString FloatToReportStr(double value) {
    if (Int(value) == value) return FloatToStr(value);
    return Format(QStringLiteral("%2.2f"), {value});
}

QString FloatToTextWithSeparator(int decimals, QChar separator, double value) {
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.DecimalSeparator = separator;
    fs.ThousandSeparator = QChar();
    return FloatToStrF(value, ffFixed, 32, decimals, fs);
}

QString ColorToHtmlHex(TColor color) {
    const TColor rgb = ColorToRGB(color);
    auto hex = [](int v) { return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper(); };
    return QLatin1Char('#') + hex(rgb) + hex(rgb >> 8) + hex(rgb >> 16);
}

void SplitDelimitedText(const QString& text, TStrings& list, QChar separator) {
    list.BeginUpdate();
    try {
        list.Clear();
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) != separator) continue;
            list.Add(text.mid(start, i - start));
            start = i + 1;
        }
        if (start < text.size()) list.Add(text.mid(start));
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

QString ReplaceChar(const QString& s, QChar find, QChar replacement) {
    QString r = s;
    r.replace(find, replacement);
    return r;
}

QString SlashesToBackslashes(const QString& path) {
    return ReplaceChar(path, QLatin1Char('/'), QLatin1Char('\\'));
}

QString ExtractBracketedText(const QString& text, const QString& openBracket, const QString& closeBracket,
                             int& i, int& j) {
    j = i;
    const int len = static_cast<int>(text.size());
    if (text.isEmpty() || len < i || i < 1 || openBracket.isEmpty() || closeBracket.isEmpty()) return QString();
    auto startsAt = [&](int pos, const QString& what) {
        return QStringView(text).mid(pos - 1).startsWith(what);
    };
    int count = 0;
    bool outsideSingle = true;
    bool outsideDouble = true;
    for (;;) {
        if (outsideSingle && outsideDouble) {
            if (startsAt(j, openBracket)) {
                if (count == 0) i = j;
                ++count;
            } else if (startsAt(j, closeBracket)) {
                --count;
            }
        }
        const QChar c = text.at(j - 1);
        if (outsideSingle && c == QLatin1Char('"')) outsideDouble = !outsideDouble;
        if (outsideDouble && c == QLatin1Char('\'')) outsideSingle = !outsideSingle;
        if (count == 0 || j >= len) break;
        ++j;
    }
    const int open = static_cast<int>(openBracket.size());
    const QString result = text.mid(i - 1 + open, std::max(0, j - i - open));
    if (i != j) j += static_cast<int>(closeBracket.size()) - 1;
    return result;
}

// =============================================================================================
// Page lists

TrptPageSelection ParsePageRanges(const QString& text, TStrings& list, int pageCount) {
    QString s = text;
    s.remove(QLatin1Char(' '));
    if (s.isEmpty()) {
        list.Clear();
        return TrptPageSelection::AllPages;
    }
    if (s.endsWith(QLatin1Char('-'))) s += IntToStr(pageCount);
    s += QLatin1Char(',');

    // Collected apart from the list, so a bad piece leaves the list as it was.
    std::vector<int> pages;
    qsizetype mark = 0;
    int rangeStart = 0;
    bool rangeOpen = false;
    for (qsizetype k = 0; k < s.size(); ++k) {
        const QChar c = s.at(k);
        if (c == QLatin1Char('-')) {
            rangeStart = StrToInt(s.mid(mark, k - mark));
            rangeOpen = true;
            mark = k + 1;
        } else if (c == QLatin1Char(',')) {
            const int n = StrToInt(s.mid(mark, k - mark));
            if (rangeOpen) {
                // Clamped, so a range far beyond the document costs nothing.
                const int from = std::max(rangeStart, 1);
                const int to = std::min(n, pageCount);
                for (int p = from; p <= to; ++p)
                    pages.push_back(p);
            } else if (n >= 1 && n <= pageCount) {
                pages.push_back(n);
            }
            rangeOpen = false;
            mark = k + 1;
        }
    }

    list.BeginUpdate();
    try {
        list.Clear();
        for (int p : pages)
            list.Add(IntToStr(p));
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
    return pages.empty() ? TrptPageSelection::NoPages : TrptPageSelection::SomePages;
}

// =============================================================================================
// Streams

quint32 StreamCrc32(TStream& stream) {
    const Int64 saved = stream.Position();
    const Int64 size = stream.Size();
    stream.SetPosition(0);
    uLong crc = crc32(0L, Z_NULL, 0);
    std::vector<Bytef> buf(65536);
    Int64 left = size;
    while (left > 0) {
        const Int64 n = stream.Read(buf.data(), std::min<Int64>(left, static_cast<Int64>(buf.size())));
        if (n <= 0) break;
        crc = crc32(crc, buf.data(), static_cast<uInt>(n));
        left -= n;
    }
    stream.SetPosition(saved);
    return static_cast<quint32>(crc);
}

QString StreamToHexText(TStream& stream) {
    stream.SetPosition(0);
    const QByteArray bytes = stream.ReadAll();
    return QString::fromLatin1(bytes.toHex()).toUpper();
}

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return -1;
}

} // namespace

void HexTextToStream(const QString& text, TStream& stream) {
    const qsizetype n = text.size() / 2;
    QByteArray bytes(n, '\0');
    for (qsizetype k = 0; k < n; ++k) {
        const int hi = HexDigit(text.at(2 * k));
        const int lo = HexDigit(text.at(2 * k + 1));
        if (hi < 0 || lo < 0) break;
        bytes[k] = static_cast<char>(hi * 16 + lo);
    }
    stream.SetPosition(0);
    stream.WriteBytes(bytes);
}

// =============================================================================================
// Messages

namespace {

TrptTextLookup& TextLookup() {
    static TrptTextLookup lookup;
    return lookup;
}

TWinControl* MainWindow() { return Application ? Application->MainForm() : nullptr; }

} // namespace

void SetReportTextLookup(TrptTextLookup lookup) { TextLookup() = std::move(lookup); }

QString ReportText(const QString& key) {
    const TrptTextLookup& lookup = TextLookup();
    return lookup ? lookup(key) : key;
}

void ShowErrorMessage(const QString& text) {
    MessageBoxOwned(MainWindow(), text, ReportText(QStringLiteral("mbError")), MB_OK | MB_ICONERROR);
}

int ShowConfirmMessage(const QString& text, unsigned flags) {
    return MessageBoxOwned(MainWindow(), text, ReportText(QStringLiteral("mbConfirm")), flags | MB_ICONQUESTION);
}

void ShowInfoMessage(const QString& text) {
    MessageBoxOwned(MainWindow(), text, ReportText(QStringLiteral("mbInfo")), MB_OK | MB_ICONINFORMATION);
}

void HandleReportError(TrptSilentMode mode, const QString& text) {
    switch (mode) {
    case simMessageBoxes: ShowErrorMessage(text); break;
    case simReThrow: throw Exception(text);
    case simSilent: break;
    }
}

// =============================================================================================
// Components and names

namespace {

bool IsReport(const TComponent* c) { return c && c->InheritsFrom(QStringLiteral("TrptReport")); }

bool IsFormOrDataModule(const TComponent* c) {
    return c && (c->InheritsFrom(QStringLiteral("TCustomForm")) || c->InheritsFrom(QStringLiteral("TDataModule")));
}

bool IsFrame(const TComponent* c) { return c && c->InheritsFrom(QStringLiteral("TCustomFrame")); }

// The application's forms, then its data modules.
TComponent* FindGlobalComponent(const QString& name) {
    if (Screen)
        for (int k = 0; k < Screen->FormCount(); ++k)
            if (SameText(Screen->Forms(k)->Name(), name)) return Screen->Forms(k);
    if (Application)
        for (int k = 0; k < Application->ComponentCount(); ++k) {
            TComponent* c = Application->Components(k);
            if (c->InheritsFrom(QStringLiteral("TDataModule")) && SameText(c->Name(), name)) return c;
        }
    return nullptr;
}

} // namespace

TComponent* FindReportComponent(TComponent* owner, const QString& name) {
    try {
        if (name.contains(QLatin1Char('.'))) {
            const QStringList parts = name.split(QLatin1Char('.'));
            TComponent* c = FindGlobalComponent(parts.first());
            for (qsizetype k = 1; c && k < parts.size(); ++k)
                c = c->FindComponent(parts.at(k).left(255));
            return c;
        }
        if (!owner) return nullptr;
        TComponent* c = owner->FindComponent(name);
        if (!c && IsReport(owner) && owner->Owner()) c = owner->Owner()->FindComponent(name);
        return c;
    } catch (const std::exception&) {
        throw EClassNotFound(QStringLiteral("Missing ") + name);
    }
}

QString ComponentFullName(TComponent* owner, TComponent* component) {
    if (!component) return QString();
    TComponent* own = component->Owner();
    if (!own || own == owner || (IsReport(owner) && owner->Owner() == own)) return component->Name();
    if (IsFormOrDataModule(own)) return own->Name() + QLatin1Char('.') + component->Name();
    if (IsFrame(own)) {
        if (own->Owner())
            return own->Owner()->Name() + QLatin1Char('.') + own->Name() + QLatin1Char('.') + component->Name();
        return own->Name() + QLatin1Char('.') + component->Name();
    }
    return QString();
}

// =============================================================================================
// Files and folders

QString NewTempFileName() { return CreateTempFileIn(TempFolderPath(), QStringLiteral("fr"), QStringLiteral(".tmp")); }

QString NewTempFileNameIn(const QString& folder) {
    return CreateTempFileIn(folder.isEmpty() ? TempFolderPath() : folder, QStringLiteral("fr"),
                            QStringLiteral(".tmp"));
}

QString ModuleFileName() { return ProgramFileName(); }

QString ExeFolderPath() { return ProgramFolder(); }

// =============================================================================================
// Pictures

namespace {

void AddTile(const QImage& strip, int x, int y, int w, int h, TCustomImageList* list) {
    if (!list) return;
    TBitmap tile;
    tile.SetImage(strip.copy(x, y, w, h));
    tile.SetTransparentMode(tmAuto);
    tile.SetTransparent(true);
    list->Add(&tile);
}

} // namespace

void LoadImageStrip(TBitmap& strip, int tileWidth, int tileHeight, TCustomImageList* list1,
                    TCustomImageList* list2) {
    if (tileWidth <= 0 || tileHeight <= 0) return;
    const QImage image = strip.Image();
    const int step = list2 ? 2 * tileWidth : tileWidth;
    int x = 0;
    int y = 0;
    while (y < strip.Height()) {
        AddTile(image, x, y, tileWidth, tileHeight, list1);
        if (list2) AddTile(image, x + tileWidth, y, tileWidth, tileHeight, list2);
        x += step;
        if (x >= strip.Width()) {
            x = 0;
            y += tileHeight;
        }
    }
}

void DrawBitmapThroughImageList(TCanvas& canvas, int x, int y, TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return;
    canvas.DrawImage(Bounds(x, y, bitmap->Width(), bitmap->Height()), bitmap->Image(), QRect(),
                     TImageMode::TransparentColor, bitmap->TransparentColor());
}

void PaintBitmapWithTransparentColor(TCanvas& canvas, const TRect& dest, TBitmap& bitmap,
                                     TColor transparentColor, bool deviceIndependent) {
    // Every device here takes the same pixels, so the device-independent copy of printing needs
    // no path of its own.
    (void)deviceIndependent;
    if (bitmap.Empty()) return;
    canvas.DrawImage(dest, bitmap.Image(), QRect(), TImageMode::TransparentColor, transparentColor,
                     !bitmap.Monochrome());
}

void DrawPictureGraphic(TCanvas& canvas, const TRect& dest, TGraphic* graphic, bool printing,
                        bool highQuality, bool transparent, TColor transparentColor) {
    canvas.Brush().SetColor(clWhite);
    if (!graphic || graphic->Empty()) return;
    const bool metafile = dynamic_cast<TMetafile*>(graphic) != nullptr;
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    if (metafile || !(printing || (transparent && !bitmap) || highQuality)) {
        graphic->SetTransparent(transparent);
        if (bitmap && transparent)
            PaintBitmapWithTransparentColor(canvas, dest, *bitmap, transparentColor, false);
        else
            canvas.StretchDraw(dest, *graphic);
        return;
    }
    // Rendered at its own size on the transparent colour first, then stretched smoothly.
    const int w = graphic->Width();
    const int h = graphic->Height();
    TBitmap work(w, h, printing ? pf32bit : pf24bit);
    work.Canvas().Brush().SetColor(transparentColor);
    work.Canvas().FillRect(Rect(0, 0, w, h));
    work.Canvas().Draw(0, 0, *graphic);
    if (transparent)
        PaintBitmapWithTransparentColor(canvas, dest, work, transparentColor, printing);
    else
        canvas.DrawImage(dest, work.Image(), QRect(), TImageMode::Opaque, clNone, true);
}

// =============================================================================================
// Collections

QString DecodeCollectionText(const QString& text) {
    if (!text.contains(QChar(1))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k) {
        if (text.at(k).unicode() == 1 && k + 1 < text.size()) {
            out += QChar(static_cast<char16_t>(text.at(k + 1).unicode() + 128));
            ++k;
        } else {
            out += text.at(k);
        }
    }
    return out;
}
