#include "platform/automation/SpreadsheetServer.h"

#include "platform/automation/XlsxFile.h"
#include "platform/rtl/TextCase.h"
#include "platform/sys/Desktop.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QStandardPaths>

#include <algorithm>

namespace {

struct TServerState {
    std::vector<std::shared_ptr<TWorkbookData>> Workbooks;
    std::shared_ptr<TWorkbookData> ActiveWorkbook;
    bool Visible = false;
    bool ScreenUpdating = true;
    bool DisplayAlerts = true;
    int BookCounter = 0;
    // The selection: one per application, on the active sheet of the active workbook.
    std::shared_ptr<TSheetData> SelectionSheet;
    std::vector<TCellArea> Selection{TCellArea{}};
};
using TState = std::shared_ptr<TServerState>;

std::shared_ptr<TSheetData> ActiveSheetOf(const TState& st) {
    if (!st->ActiveWorkbook || st->ActiveWorkbook->Sheets.empty()) return nullptr;
    return st->ActiveWorkbook->Sheets[size_t(st->ActiveWorkbook->ActiveSheet)];
}

void ActivateSheet(const TState& st, const std::shared_ptr<TWorkbookData>& book, const std::shared_ptr<TSheetData>& sheet) {
    st->ActiveWorkbook = book;
    auto it = std::find(book->Sheets.begin(), book->Sheets.end(), sheet);
    if (it != book->Sheets.end()) book->ActiveSheet = int(it - book->Sheets.begin());
    if (st->SelectionSheet != sheet) {
        st->SelectionSheet = sheet;
        st->Selection = {TCellArea{}};
    }
}

void SaveBook(TWorkbookData& book, const QString& fileName) {
    const QString path = QFileInfo(fileName).absoluteFilePath();
    WriteWorkbookXlsx(book, path);
    book.FullName = path;
    book.Name = QFileInfo(path).fileName();
}

QString& WorkbookFolderSetting() {
    static QString folder;
    return folder;
}

// A new file for a workbook in the workbook folder: "Book1.xlsx", else "Book1 (2).xlsx" and on.
// NewOnly never takes over a file that is there already.
QString NewWorkbookFile(const QString& bookName) {
    const QString folder = SpreadsheetWorkbookFolder();
    if (!QDir().mkpath(folder))
        throw EOleError(QStringLiteral("Cannot create the folder \"%1\" for the workbook").arg(folder));
    QString base = bookName;
    base.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (base.isEmpty()) base = QStringLiteral("Book");
    for (int n = 1; n < 10000; ++n) {
        const QString path = QDir(folder).filePath(
            n == 1 ? base + QStringLiteral(".xlsx") : QStringLiteral("%1 (%2).xlsx").arg(base).arg(n));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return path;
        if (!f.exists())
            throw EOleError(QStringLiteral("Cannot create the workbook file \"%1\". %2").arg(path, f.errorString()));
    }
    throw EOleError(QStringLiteral("Cannot find a free workbook file name in \"%1\"").arg(folder));
}

// Writes every open workbook and hands it to the desktop's spreadsheet program. A workbook
// never saved goes to the workbook folder, and to the same file when it is shown again.
void ShowWorkbooks(TServerState& st) {
    for (const auto& book : st.Workbooks) {
        QString path = book->FullName;
        if (path.isEmpty()) {
            if (book->ShownFile.isEmpty()) book->ShownFile = NewWorkbookFile(book->Name);
            path = book->ShownFile;
        }
        WriteWorkbookXlsx(*book, path);
        book->ShownFile = path;
        book->OpenedByDesktop = OpenDocument(path);
    }
}

bool IsTrue(const Variant& v) {
    return v.ToBool();
}

int ColorValue(const Variant& v) {
    return int(v.ToInt64() & 0xFFFFFF);
}

// What Font, Interior, Borders and the alignment members act on: the cells of a range or a
// named style.
class TFormatTarget {
public:
    virtual ~TFormatTarget() = default;
    virtual void Apply(const std::function<void(TCellFormat&)>& fn) = 0;
    // item 0: every edge of every cell; otherwise an edge or inside item.
    virtual void ApplyBorder(int item, const std::function<void(TBorderLine&)>& fn) = 0;
    virtual TCellFormat Read() const = 0;
};
using TTarget = std::shared_ptr<TFormatTarget>;

int EdgeOfItem(int item) {
    switch (item) {
    case xlEdgeLeft: return beLeft;
    case xlEdgeTop: return beTop;
    case xlEdgeRight: return beRight;
    case xlEdgeBottom: return beBottom;
    default: return -1;
    }
}

void ModifyLine(std::optional<TBorderLine>& line, const std::function<void(TBorderLine&)>& fn) {
    if (!line) line = TBorderLine{};
    fn(*line);
}

class TAutoFont : public TAutoObject {
public:
    explicit TAutoFont(TTarget t) : FTarget(std::move(t)) {}
    QString AutoClassName() const override { return QStringLiteral("Font"); }

protected:
    bool Get(const QString& n, TOleArgs, Variant& r) override {
        const TCellFormat f = FTarget->Read();
        if (n == u"NAME") r = f.FontName.value_or(QStringLiteral("Calibri"));
        else if (n == u"SIZE") r = f.FontSize.value_or(11.0);
        else if (n == u"BOLD") r = f.Bold.value_or(false);
        else if (n == u"ITALIC") r = f.Italic.value_or(false);
        else if (n == u"UNDERLINE") r = f.Underline.value_or(xlNone);
        else if (n == u"COLOR") r = f.FontColor.value_or(0);
        else return false;
        return true;
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        if (n == u"NAME") {
            const QString name = v.ToString();
            FTarget->Apply([&](TCellFormat& f) { f.FontName = name; });
        } else if (n == u"SIZE") {
            const double size = v.ToDouble();
            if (size < 1 || size > 409) Fail(QStringLiteral("Size"), QStringLiteral("%1 is not a font size").arg(size));
            FTarget->Apply([&](TCellFormat& f) { f.FontSize = size; });
        } else if (n == u"BOLD") {
            const bool b = IsTrue(v);
            FTarget->Apply([&](TCellFormat& f) { f.Bold = b; });
        } else if (n == u"ITALIC") {
            const bool b = IsTrue(v);
            FTarget->Apply([&](TCellFormat& f) { f.Italic = b; });
        } else if (n == u"UNDERLINE") {
            // True and the single style underline once; the double style twice; False and none, none.
            int u = xlNone;
            if (v.VType() == varBoolean) u = v.ToBool() ? xlUnderlineStyleSingle : xlNone;
            else {
                const int k = v.ToInt();
                u = (k == xlUnderlineStyleDouble || k == -4119) ? xlUnderlineStyleDouble
                    : (k == 0 || k == xlNone)                  ? xlNone
                                                               : xlUnderlineStyleSingle;
            }
            FTarget->Apply([&](TCellFormat& f) { f.Underline = u; });
        } else if (n == u"COLOR") {
            const int c = ColorValue(v);
            FTarget->Apply([&](TCellFormat& f) { f.FontColor = c; });
        } else {
            return false;
        }
        return true;
    }

private:
    TTarget FTarget;
};

class TAutoInterior : public TAutoObject {
public:
    explicit TAutoInterior(TTarget t) : FTarget(std::move(t)) {}
    QString AutoClassName() const override { return QStringLiteral("Interior"); }

protected:
    bool Get(const QString& n, TOleArgs, Variant& r) override {
        const TCellFormat f = FTarget->Read();
        if (n == u"COLOR") r = f.InteriorColor.value_or(0xFFFFFF);
        else if (n == u"COLORINDEX") r = f.InteriorColor ? 0 : xlNone;
        else return false;
        return true;
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        if (n == u"COLOR") {
            const int c = ColorValue(v);
            FTarget->Apply([&](TCellFormat& f) { f.InteriorColor = c; });
        } else if (n == u"COLORINDEX" || n == u"PATTERN") {
            // Only clearing the fill is understood by index; colours go through Color.
            if (v.ToInt() != xlNone) Fail(QStringLiteral("ColorIndex"), QStringLiteral("only xlNone is supported; set Color"));
            FTarget->Apply([](TCellFormat& f) { f.InteriorColor.reset(); });
        } else {
            return false;
        }
        return true;
    }

private:
    TTarget FTarget;
};

class TAutoBorders : public TAutoObject {
public:
    TAutoBorders(TTarget t, int item) : FTarget(std::move(t)), FItem(item) {}
    QString AutoClassName() const override { return FItem ? QStringLiteral("Border") : QStringLiteral("Borders"); }

protected:
    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"ITEM" || (n == u"BORDERS" && FItem == 0)) {
            r = Variant(std::make_shared<TAutoBorders>(FTarget, ItemArg(args)));
            return true;
        }
        const int edge = EdgeOfItem(FItem == 0 ? xlEdgeLeft : FItem);
        TBorderLine line;
        if (edge >= 0) line = FTarget->Read().Borders[size_t(edge)].value_or(TBorderLine{});
        if (n == u"LINESTYLE") r = line.LineStyle;
        else if (n == u"WEIGHT") r = line.Weight;
        else if (n == u"COLOR") r = line.Color;
        else if (n == u"COUNT") r = 6;
        else return false;
        return true;
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        if (n == u"LINESTYLE") {
            const int style = v.ToInt();
            static const int known[] = {xlNone, xlContinuous, -4115, -4118, -4119, 4, 5, 13};
            if (std::find(std::begin(known), std::end(known), style) == std::end(known))
                Fail(QStringLiteral("LineStyle"), QStringLiteral("%1 is not a line style").arg(style));
            FTarget->ApplyBorder(FItem, [&](TBorderLine& l) { l.LineStyle = style; });
        } else if (n == u"WEIGHT") {
            const int w = v.ToInt();
            if (w != 1 && w != xlThin && w != -4138 && w != 4)
                Fail(QStringLiteral("Weight"), QStringLiteral("%1 is not a line weight").arg(w));
            FTarget->ApplyBorder(FItem, [&](TBorderLine& l) {
                l.Weight = w;
                if (l.LineStyle == xlNone) l.LineStyle = xlContinuous;
            });
        } else if (n == u"COLOR") {
            const int c = ColorValue(v);
            FTarget->ApplyBorder(FItem, [&](TBorderLine& l) { l.Color = c; });
        } else {
            return false;
        }
        return true;
    }

private:
    int ItemArg(TOleArgs args) const {
        const int item = IntArg(args, 0, QStringLiteral("Borders"));
        if (EdgeOfItem(item) < 0 && item != xlInsideVertical && item != xlInsideHorizontal)
            Fail(QStringLiteral("Borders"), QStringLiteral("%1 is not a border item").arg(item));
        return item;
    }
    TTarget FTarget;
    int FItem;
};

// Format members shared by ranges and styles.
bool GetFormatMember(TAutoObject& self, const TTarget& t, const QString& n, TOleArgs args, Variant& r) {
    if (n == u"FONT") r = Variant(std::make_shared<TAutoFont>(t));
    else if (n == u"INTERIOR") r = Variant(std::make_shared<TAutoInterior>(t));
    else if (n == u"BORDERS") {
        auto all = std::make_shared<TAutoBorders>(t, 0);
        r = args.empty() || args[0].IsEmpty() ? Variant(all) : all->GetProperty(QStringLiteral("Item"), args);
    } else {
        const TCellFormat f = t->Read();
        if (n == u"HORIZONTALALIGNMENT") r = f.HorizontalAlignment.value_or(xlGeneral);
        else if (n == u"VERTICALALIGNMENT") r = f.VerticalAlignment.value_or(xlBottom);
        else if (n == u"WRAPTEXT") r = f.WrapText.value_or(false);
        else if (n == u"SHRINKTOFIT") r = f.ShrinkToFit.value_or(false);
        else if (n == u"ORIENTATION") r = f.Orientation.value_or(0);
        else if (n == u"NUMBERFORMAT" || n == u"NUMBERFORMATLOCAL") r = f.NumberFormat.value_or(QStringLiteral("General"));
        else return false;
    }
    return true;
}

bool SetFormatMember(TAutoObject& self, const TTarget& t, const QString& n, const Variant& v) {
    auto fail = [&](const QString& why) {
        throw EAutomationError(QStringLiteral("Unable to set the %1 property of the %2 class: %3").arg(n, self.AutoClassName(), why));
    };
    if (n == u"HORIZONTALALIGNMENT") {
        const int a = v.ToInt();
        static const int known[] = {xlGeneral, xlLeft, xlRight, xlCenter, xlJustify, 5, 7};
        if (std::find(std::begin(known), std::end(known), a) == std::end(known))
            fail(QStringLiteral("%1 is not a horizontal alignment").arg(a));
        t->Apply([&](TCellFormat& f) { f.HorizontalAlignment = a; });
    } else if (n == u"VERTICALALIGNMENT") {
        const int a = v.ToInt();
        if (a != xlTop && a != xlBottom && a != xlCenter && a != xlJustify)
            fail(QStringLiteral("%1 is not a vertical alignment").arg(a));
        t->Apply([&](TCellFormat& f) { f.VerticalAlignment = a; });
    } else if (n == u"WRAPTEXT") {
        const bool b = IsTrue(v);
        t->Apply([&](TCellFormat& f) { f.WrapText = b; });
    } else if (n == u"SHRINKTOFIT") {
        const bool b = IsTrue(v);
        t->Apply([&](TCellFormat& f) { f.ShrinkToFit = b; });
    } else if (n == u"ORIENTATION") {
        int deg = v.ToInt();
        if (deg == -4171) deg = 90;       // upward
        else if (deg == -4170) deg = -90; // downward
        else if (deg == -4128) deg = 0;   // horizontal
        if (deg < -90 || deg > 90) fail(QStringLiteral("%1 is not an angle from -90 to 90").arg(deg));
        t->Apply([&](TCellFormat& f) { f.Orientation = deg; });
    } else if (n == u"NUMBERFORMAT" || n == u"NUMBERFORMATLOCAL") {
        const QString fmt = VarToStr(v);
        t->Apply([&](TCellFormat& f) {
            if (fmt.isEmpty() || fmt.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) f.NumberFormat.reset();
            else f.NumberFormat = fmt;
        });
    } else {
        return false;
    }
    return true;
}

class TStyleTarget : public TFormatTarget {
public:
    explicit TStyleTarget(std::shared_ptr<TNamedStyle> s) : FStyle(std::move(s)) {}
    void Apply(const std::function<void(TCellFormat&)>& fn) override { fn(FStyle->Format); }
    void ApplyBorder(int item, const std::function<void(TBorderLine&)>& fn) override {
        if (item == 0) {
            for (auto& b : FStyle->Format.Borders) ModifyLine(b, fn);
        } else if (int e = EdgeOfItem(item); e >= 0) {
            ModifyLine(FStyle->Format.Borders[size_t(e)], fn);
        }
    }
    TCellFormat Read() const override { return FStyle->Format; }

private:
    std::shared_ptr<TNamedStyle> FStyle;
};

class TAutoStyle : public TAutoObject {
public:
    explicit TAutoStyle(std::shared_ptr<TNamedStyle> s) : FStyle(s), FTarget(std::make_shared<TStyleTarget>(s)) {}
    QString AutoClassName() const override { return QStringLiteral("Style"); }

protected:
    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"NAME" || n == u"NAMELOCAL") {
            r = FStyle->Name;
            return true;
        }
        return GetFormatMember(*this, FTarget, n, args, r);
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override { return SetFormatMember(*this, FTarget, n, v); }

private:
    std::shared_ptr<TNamedStyle> FStyle;
    TTarget FTarget;
};

class TAutoStyles : public TAutoObject {
public:
    explicit TAutoStyles(std::shared_ptr<TWorkbookData> b) : FBook(std::move(b)) {}
    QString AutoClassName() const override { return QStringLiteral("Styles"); }

protected:
    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"COUNT") {
            r = int(FBook->Styles.size());
        } else if (n == u"ADD") {
            const QString name = TextArg(args, 0, QStringLiteral("Add"));
            if (name.isEmpty()) Fail(QStringLiteral("Add"), QStringLiteral("a style needs a name"));
            if (FBook->FindStyle(name)) Fail(QStringLiteral("Add"), QStringLiteral("the style \"%1\" exists already").arg(name));
            auto s = std::make_shared<TNamedStyle>();
            s->Name = name;
            FBook->Styles.push_back(s);
            r = Variant(std::make_shared<TAutoStyle>(s));
        } else if (n == u"ITEM") {
            std::shared_ptr<TNamedStyle> s;
            if (HasArg(args, 0) && args[0].IsText()) s = FBook->FindStyle(args[0].ToString());
            else {
                const int i = IntArg(args, 0, QStringLiteral("Item"));
                if (i >= 1 && i <= int(FBook->Styles.size())) s = FBook->Styles[size_t(i - 1)];
            }
            if (!s) Fail(QStringLiteral("Item"), QStringLiteral("no such style"));
            r = Variant(std::make_shared<TAutoStyle>(s));
        } else {
            return false;
        }
        return true;
    }

private:
    std::shared_ptr<TWorkbookData> FBook;
};

class TAutoRange;

class TRangeTarget : public TFormatTarget {
public:
    TRangeTarget(std::shared_ptr<TSheetData> s, std::vector<TCellArea> a) : FSheet(std::move(s)), FAreas(std::move(a)) {}
    void Apply(const std::function<void(TCellFormat&)>& fn) override {
        for (const TCellArea& a : FAreas) FSheet->ForEachFormat(a, fn);
    }
    void ApplyBorder(int item, const std::function<void(TBorderLine&)>& fn) override {
        for (const TCellArea& a : FAreas) {
            auto strip = [&](TCellArea s, TBorderEdge e) {
                if (s.Top > s.Bottom || s.Left > s.Right) return;
                FSheet->ForEachFormat(s, [&](TCellFormat& f) { ModifyLine(f.Borders[e], fn); });
            };
            TCellArea s = a;
            switch (item) {
            case 0:
                FSheet->ForEachFormat(a, [&](TCellFormat& f) {
                    for (auto& b : f.Borders) ModifyLine(b, fn);
                });
                break;
            case xlEdgeLeft: s.Right = a.Left; strip(s, beLeft); break;
            case xlEdgeRight: s.Left = a.Right; strip(s, beRight); break;
            case xlEdgeTop: s.Bottom = a.Top; strip(s, beTop); break;
            case xlEdgeBottom: s.Top = a.Bottom; strip(s, beBottom); break;
            case xlInsideVertical: s.Right = a.Right - 1; strip(s, beRight); break;
            case xlInsideHorizontal: s.Bottom = a.Bottom - 1; strip(s, beBottom); break;
            default: break;
            }
        }
    }
    TCellFormat Read() const override { return FSheet->EffectiveFormat(FAreas[0].Top, FAreas[0].Left); }

private:
    std::shared_ptr<TSheetData> FSheet;
    std::vector<TCellArea> FAreas;
};

class TAutoPicture : public TAutoObject {
public:
    TAutoPicture(std::shared_ptr<TSheetData> s, size_t index) : FSheet(std::move(s)), FIndex(index) {}
    QString AutoClassName() const override { return QStringLiteral("Picture"); }

protected:
    TSheetPicture& Pic() const {
        if (FIndex >= FSheet->Pictures.size()) Fail(QStringLiteral("Picture"), QStringLiteral("the picture was deleted"));
        return FSheet->Pictures[FIndex];
    }
    bool Get(const QString& n, TOleArgs, Variant& r) override {
        if (n == u"LEFT") r = Pic().Left;
        else if (n == u"TOP") r = Pic().Top;
        else if (n == u"WIDTH") r = Pic().Width;
        else if (n == u"HEIGHT") r = Pic().Height;
        else if (n == u"DELETE") {
            Pic();
            FSheet->Pictures.erase(FSheet->Pictures.begin() + qsizetype(FIndex));
            r = true;
        } else return false;
        return true;
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        const double x = v.ToDouble();
        TSheetPicture& p = Pic();
        if (n == u"LEFT" || n == u"TOP") {
            if (x < 0) Fail(n, QStringLiteral("a position cannot be negative"));
            (n == u"LEFT" ? p.Left : p.Top) = x;
        } else if (n == u"WIDTH" || n == u"HEIGHT") {
            if (x <= 0 || x > 169056) Fail(n, QStringLiteral("%1 is not a picture size").arg(x));
            (n == u"WIDTH" ? p.Width : p.Height) = x;
        } else {
            return false;
        }
        return true;
    }

private:
    std::shared_ptr<TSheetData> FSheet;
    size_t FIndex;
};

// Puts a picture on the sheet with its top-left corner at a cell, at its natural size.
Variant PlacePicture(const std::shared_ptr<TSheetData>& sheet, QImage image, int row, int col) {
    if (image.isNull()) throw EAutomationError(QStringLiteral("There is no picture to place"));
    // 96 dots per inch, so the writer sizes it one pixel per screen pixel.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    TSheetPicture p;
    QBuffer buf(&p.Png);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, "PNG");
    p.PixelWidth = image.width();
    p.PixelHeight = image.height();
    p.Left = sheet->ColumnLeft(col);
    p.Top = sheet->RowTop(row);
    p.Width = image.width() * 0.75;
    p.Height = image.height() * 0.75;
    sheet->Pictures.push_back(std::move(p));
    return Variant(std::make_shared<TAutoPicture>(sheet, sheet->Pictures.size() - 1));
}

class TAutoPictures : public TAutoObject {
public:
    TAutoPictures(TState st, std::shared_ptr<TSheetData> s) : FState(std::move(st)), FSheet(std::move(s)) {}
    QString AutoClassName() const override { return QStringLiteral("Pictures"); }

protected:
    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"COUNT") {
            r = int(FSheet->Pictures.size());
        } else if (n == u"ITEM") {
            const int i = IntArg(args, 0, QStringLiteral("Item"));
            if (i < 1 || i > int(FSheet->Pictures.size()))
                Fail(QStringLiteral("Item"), QStringLiteral("there is no picture %1").arg(i));
            r = Variant(std::make_shared<TAutoPicture>(FSheet, size_t(i - 1)));
        } else if (n == u"INSERT") {
            // A file name, or the bytes of a picture file handed over directly (the clipboard
            // stays the user's).
            QImage image;
            if (HasArg(args, 0) && args[0].IsArray()) {
                const QByteArray bytes = VarArrayToBytes(args[0]);
                image = QImage::fromData(bytes);
                if (image.isNull())
                    Fail(QStringLiteral("Insert"), QStringLiteral("the %1 bytes given are not a picture").arg(bytes.size()));
            } else {
                const QString file = TextArg(args, 0, QStringLiteral("Insert"));
                image = QImage(file);
                if (image.isNull()) Fail(QStringLiteral("Insert"), QStringLiteral("cannot read the picture \"%1\"").arg(file));
            }
            const TCellArea at = FState->SelectionSheet == FSheet ? FState->Selection[0] : TCellArea{};
            r = PlacePicture(FSheet, image, at.Top, at.Left);
        } else {
            return false;
        }
        return true;
    }

private:
    TState FState;
    std::shared_ptr<TSheetData> FSheet;
};

class TAutoPageSetup : public TAutoObject {
public:
    explicit TAutoPageSetup(std::shared_ptr<TSheetData> s) : FSheet(std::move(s)) {}
    QString AutoClassName() const override { return QStringLiteral("PageSetup"); }

protected:
    double* Margin(const QString& n) const {
        TPageSetupData& p = FSheet->PageSetup;
        if (n == u"LEFTMARGIN") return &p.LeftMargin;
        if (n == u"RIGHTMARGIN") return &p.RightMargin;
        if (n == u"TOPMARGIN") return &p.TopMargin;
        if (n == u"BOTTOMMARGIN") return &p.BottomMargin;
        if (n == u"HEADERMARGIN") return &p.HeaderMargin;
        if (n == u"FOOTERMARGIN") return &p.FooterMargin;
        return nullptr;
    }
    bool Get(const QString& n, TOleArgs, Variant& r) override {
        const TPageSetupData& p = FSheet->PageSetup;
        if (double* m = Margin(n)) r = *m;
        else if (n == u"ORIENTATION") r = p.Orientation;
        else if (n == u"PAPERSIZE") r = p.PaperSize;
        else if (n == u"ZOOM") r = p.Zoom ? Variant(p.Zoom) : Variant(false);
        else if (n == u"FITTOPAGESWIDE") r = p.FitToPagesWide;
        else if (n == u"FITTOPAGESTALL") r = p.FitToPagesTall;
        else if (n == u"CENTERHORIZONTALLY") r = p.CenterHorizontally;
        else if (n == u"CENTERVERTICALLY") r = p.CenterVertically;
        else if (n == u"CENTERHEADER") r = p.CenterHeader;
        else if (n == u"CENTERFOOTER") r = p.CenterFooter;
        else return false;
        return true;
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        TPageSetupData& p = FSheet->PageSetup;
        if (double* m = Margin(n)) {
            const double x = v.ToDouble();
            if (x < 0 || x > 49 * 72) Fail(n, QStringLiteral("%1 points is not a margin").arg(x));
            *m = x;
        } else if (n == u"ORIENTATION") {
            const int o = v.ToInt();
            if (o != 1 && o != 2) Fail(n, QStringLiteral("%1 is not an orientation").arg(o));
            p.Orientation = o;
        } else if (n == u"PAPERSIZE") {
            const int s = v.ToInt();
            if (s < 0 || s > 255) Fail(n, QStringLiteral("%1 is not a paper size").arg(s));
            p.PaperSize = s;
        } else if (n == u"ZOOM") {
            const int z = v.VType() == varBoolean ? (v.ToBool() ? 100 : 0) : v.ToInt();
            if (z != 0 && (z < 10 || z > 400)) Fail(n, QStringLiteral("%1 is not a zoom from 10 to 400").arg(z));
            p.Zoom = z;
        } else if (n == u"FITTOPAGESWIDE" || n == u"FITTOPAGESTALL") {
            const int k = v.VType() == varBoolean ? 0 : v.ToInt();
            if (k < 0 || k > 32767) Fail(n, QStringLiteral("%1 is not a page count").arg(k));
            (n == u"FITTOPAGESWIDE" ? p.FitToPagesWide : p.FitToPagesTall) = k;
        } else if (n == u"CENTERHORIZONTALLY") p.CenterHorizontally = IsTrue(v);
        else if (n == u"CENTERVERTICALLY") p.CenterVertically = IsTrue(v);
        else if (n == u"CENTERHEADER") p.CenterHeader = VarToStr(v);
        else if (n == u"CENTERFOOTER") p.CenterFooter = VarToStr(v);
        else return false;
        return true;
    }

private:
    std::shared_ptr<TSheetData> FSheet;
};

enum class TRangeKind { Cells, Rows, Columns };

class TAutoRange : public TAutoObject {
public:
    TAutoRange(TState st, std::shared_ptr<TWorkbookData> b, std::shared_ptr<TSheetData> s, std::vector<TCellArea> a,
               TRangeKind kind = TRangeKind::Cells)
        : FState(std::move(st)), FBook(std::move(b)), FSheet(std::move(s)), FAreas(std::move(a)), FKind(kind) {}
    QString AutoClassName() const override { return QStringLiteral("Range"); }

    const std::shared_ptr<TSheetData>& Sheet() const { return FSheet; }
    const std::vector<TCellArea>& Areas() const { return FAreas; }

protected:
    Variant Make(std::vector<TCellArea> a, TRangeKind kind = TRangeKind::Cells) const {
        return Variant(std::make_shared<TAutoRange>(FState, FBook, FSheet, std::move(a), kind));
    }
    const TCellArea& First() const { return FAreas[0]; }
    TTarget Target() const { return std::make_shared<TRangeTarget>(FSheet, FAreas); }

    // Offsets are added in 64 bits: a client may pass any integer.
    void CheckCell(const QString& member, qint64 row, qint64 col) const {
        if (row < 1 || row > SheetMaxRows || col < 1 || col > SheetMaxColumns)
            Fail(member, QStringLiteral("row %1, column %2 is outside the sheet").arg(row).arg(col));
    }
    int ColumnArg(TOleArgs args, size_t i, const QString& member) const {
        if (HasArg(args, i) && args[i].IsText()) {
            const int c = ColumnNumber(args[i].ToString());
            if (c == 0) Fail(member, QStringLiteral("\"%1\" is not a column").arg(args[i].ToString()));
            return c;
        }
        return IntArg(args, i, member);
    }

    // Range("A1:B2"), Range(cell1, cell2) with texts or ranges; texts count from our top-left.
    std::vector<TCellArea> RangeArgs(TOleArgs args) const {
        auto one = [this](const Variant& v) -> std::vector<TCellArea> {
            if (auto r = AutoObjectOf<TAutoRange>(v)) {
                if (r->Sheet() != FSheet) Fail(QStringLiteral("Range"), QStringLiteral("the cells are on another sheet"));
                return r->Areas();
            }
            std::vector<TCellArea> areas = ParseReference(VarToStr(v));
            for (TCellArea& a : areas) {
                const int dr = First().Top - 1, dc = First().Left - 1;
                if (!a.IsWholeColumns()) a.Top += dr, a.Bottom += dr;
                if (!a.IsWholeRows()) a.Left += dc, a.Right += dc;
                if (a.Bottom > SheetMaxRows || a.Right > SheetMaxColumns)
                    Fail(QStringLiteral("Range"), QStringLiteral("the range lies outside the sheet"));
            }
            return areas;
        };
        if (!HasArg(args, 0)) Fail(QStringLiteral("Range"), QStringLiteral("argument 1 is missing"));
        std::vector<TCellArea> a = one(args[0]);
        if (!HasArg(args, 1)) return a;
        std::vector<TCellArea> b = one(args[1]);
        TCellArea box = a[0];
        for (const auto* list : {&a, &b})
            for (const TCellArea& x : *list) {
                box.Top = std::min(box.Top, x.Top);
                box.Left = std::min(box.Left, x.Left);
                box.Bottom = std::max(box.Bottom, x.Bottom);
                box.Right = std::max(box.Right, x.Right);
            }
        return {box};
    }

    Variant ReadCellValue(int row, int col) const {
        const TSheetCell* c = FSheet->FindCell(row, col);
        return c ? c->Value : Variant();
    }

    Variant ReadValue() const {
        const TCellArea& a = First();
        if (a.Rows() == 1 && a.Columns() == 1) return ReadCellValue(a.Top, a.Left);
        if (qint64(a.Rows()) * a.Columns() > 4'000'000)
            Fail(QStringLiteral("Value"), QStringLiteral("the range %1 is too large to read").arg(AreaName(a)));
        Variant arr = VarArrayCreate({1, a.Rows(), 1, a.Columns()}, varVariant);
        for (int r = 0; r < a.Rows(); ++r)
            for (int c = 0; c < a.Columns(); ++c) {
                const int idx[2] = {r + 1, c + 1};
                arr.SetElement(idx, ReadCellValue(a.Top + r, a.Left + c));
            }
        return arr;
    }

    void WriteValue(const Variant& v) {
        for (const TCellArea& a : FAreas) {
            if (qint64(a.Rows()) * a.Columns() > 4'000'000)
                Fail(QStringLiteral("Value"), QStringLiteral("the range %1 is too large to fill").arg(AreaName(a)));
            if (!v.IsArray()) {
                for (int r = a.Top; r <= a.Bottom; ++r)
                    for (int c = a.Left; c <= a.Right; ++c) StoreCellValue(FSheet->Cell(r, c), v);
                continue;
            }
            const int dims = v.DimCount();
            if (dims > 2) Fail(QStringLiteral("Value"), QStringLiteral("a range takes arrays of one or two dimensions"));
            // A one-dimensional array is a row, repeated down the range; cells beyond the array are
            // cleared.
            const int rLow = dims == 2 ? v.LowBound(1) : 0, rHigh = dims == 2 ? v.HighBound(1) : 0;
            const int cLow = v.LowBound(dims), cHigh = v.HighBound(dims);
            for (int r = 0; r < a.Rows(); ++r)
                for (int c = 0; c < a.Columns(); ++c) {
                    Variant e;
                    const bool inRow = dims == 1 || rLow + r <= rHigh;
                    if (inRow && cLow + c <= cHigh) {
                        if (dims == 2) {
                            const int idx[2] = {rLow + r, cLow + c};
                            e = v.GetElement(idx);
                        } else {
                            e = v.GetElement(cLow + c);
                        }
                    }
                    StoreCellValue(FSheet->Cell(a.Top + r, a.Left + c), e);
                }
        }
    }

    void Select() {
        ActivateSheet(FState, FBook, FSheet);
        FState->Selection = FAreas;
    }

    void ApplyStyle(const QString& name) {
        auto style = FBook->FindStyle(name);
        if (!style && name.compare(QLatin1String("Normal"), Qt::CaseInsensitive) != 0)
            Fail(QStringLiteral("Style"), QStringLiteral("there is no style \"%1\"").arg(name));
        const TCellFormat f = style ? style->Format : TCellFormat();
        for (const TCellArea& a : FAreas) {
            FSheet->ForEachFormat(a, [&](TCellFormat& cf) { cf = f; });
            FSheet->ForEachExistingCell(a, [&](int, int, TSheetCell& c) { c.StyleName = style ? style->Name : QString(); });
        }
    }

    void PasteSpecial() {
        if (!qGuiApp) Fail(QStringLiteral("PasteSpecial"), QStringLiteral("there is no clipboard"));
        const QImage image = QGuiApplication::clipboard()->image();
        if (image.isNull()) Fail(QStringLiteral("PasteSpecial"), QStringLiteral("the clipboard holds no picture"));
        PlacePicture(FSheet, image, First().Top, First().Left);
    }

    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        const TCellArea& a = First();
        if (n == u"VALUE" || n == u"VALUE2") r = ReadValue();
        else if (n == u"FORMULA") {
            const TSheetCell* c = FSheet->FindCell(a.Top, a.Left);
            r = c ? Variant(VarToStr(c->Value)) : Variant(QString());
        } else if (n == u"TEXT") r = VarToStr(ReadCellValue(a.Top, a.Left));
        else if (n == u"CELLS" || n == u"ITEM") {
            if (!HasArg(args, 0)) {
                r = Make(FAreas);
            } else if (!HasArg(args, 1)) {
                // The n-th cell, row by row.
                const qint64 i = qint64(IntArg(args, 0, n)) - 1;
                if (i < 0) Fail(n, QStringLiteral("cells count from 1"));
                const qint64 row = a.Top + i / a.Columns(), col = a.Left + i % a.Columns();
                CheckCell(n, row, col);
                r = Make({TCellArea{int(row), int(col), int(row), int(col)}});
            } else {
                const qint64 row = a.Top + qint64(IntArg(args, 0, n)) - 1, col = a.Left + qint64(ColumnArg(args, 1, n)) - 1;
                CheckCell(n, row, col);
                r = Make({TCellArea{int(row), int(col), int(row), int(col)}});
            }
        } else if (n == u"RANGE") r = Make(RangeArgs(args));
        else if (n == u"ROWS") {
            if (!HasArg(args, 0)) {
                r = Make(FAreas, TRangeKind::Rows);
            } else {
                const qint64 row = a.Top + qint64(IntArg(args, 0, n)) - 1;
                CheckCell(n, row, a.Left);
                r = Make({TCellArea{int(row), a.Left, int(row), a.Right}}, TRangeKind::Rows);
            }
        } else if (n == u"COLUMNS") {
            if (!HasArg(args, 0)) {
                r = Make(FAreas, TRangeKind::Columns);
            } else {
                const qint64 col = a.Left + qint64(ColumnArg(args, 0, n)) - 1;
                CheckCell(n, a.Top, col);
                r = Make({TCellArea{a.Top, int(col), a.Bottom, int(col)}}, TRangeKind::Columns);
            }
        } else if (n == u"ENTIREROW" || n == u"ENTIRECOLUMN") {
            std::vector<TCellArea> whole = FAreas;
            for (TCellArea& w : whole) {
                if (n == u"ENTIREROW") w.Left = 1, w.Right = SheetMaxColumns;
                else w.Top = 1, w.Bottom = SheetMaxRows;
            }
            r = Make(whole, n == u"ENTIREROW" ? TRangeKind::Rows : TRangeKind::Columns);
        } else if (n == u"ROW") r = a.Top;
        else if (n == u"COLUMN") r = a.Left;
        else if (n == u"COUNT") {
            qint64 k = 0;
            for (const TCellArea& x : FAreas)
                k += FKind == TRangeKind::Rows ? x.Rows() : FKind == TRangeKind::Columns ? x.Columns() : qint64(x.Rows()) * x.Columns();
            r = Variant(static_cast<long long>(k));
        } else if (n == u"ADDRESS") {
            QStringList parts;
            for (const TCellArea& x : FAreas) parts << AreaName(x, true);
            r = parts.join(u',');
        } else if (n == u"SELECT" || n == u"ACTIVATE") {
            Select();
            r = true;
        } else if (n == u"MERGECELLS") {
            const TCellArea* m = FSheet->MergeAt(a.Top, a.Left);
            r = m != nullptr && m->Contains(a.Bottom, a.Right);
        } else if (n == u"MERGE") {
            const bool across = HasArg(args, 0) && args[0].ToBool();
            for (const TCellArea& x : FAreas) {
                if (!across) FSheet->Merge(x);
                else
                    for (int row = x.Top; row <= x.Bottom; ++row) FSheet->Merge(TCellArea{row, x.Left, row, x.Right});
            }
            r = true;
        } else if (n == u"UNMERGE") {
            for (const TCellArea& x : FAreas) FSheet->Unmerge(x);
            r = true;
        } else if (n == u"MERGEAREA") {
            const TCellArea* m = FSheet->MergeAt(a.Top, a.Left);
            r = Make({m ? *m : TCellArea{a.Top, a.Left, a.Top, a.Left}});
        } else if (n == u"COLUMNWIDTH") r = FSheet->ColumnWidth(a.Left);
        else if (n == u"ROWHEIGHT") r = FSheet->RowHeight(a.Top);
        else if (n == u"STYLE") {
            const TSheetCell* c = FSheet->FindCell(a.Top, a.Left);
            r = c && !c->StyleName.isEmpty() ? c->StyleName : QStringLiteral("Normal");
        } else if (n == u"PAGEBREAK") {
            const bool manual = FKind == TRangeKind::Columns ? FSheet->ColumnBreaks.count(a.Left) != 0
                                                              : FSheet->RowBreaks.count(a.Top) != 0;
            r = manual ? xlPageBreakManual : xlNone;
        } else if (n == u"CLEAR" || n == u"CLEARCONTENTS" || n == u"CLEARFORMATS") {
            for (const TCellArea& x : FAreas) {
                if (n != u"CLEARCONTENTS") FSheet->ForEachFormat(x, [](TCellFormat& f) { f = TCellFormat(); });
                FSheet->ForEachExistingCell(x, [&n](int, int, TSheetCell& c) {
                    if (n != u"CLEARFORMATS") {
                        c.Value = Variant();
                        c.IsFormula = false;
                    } else {
                        c.StyleName.clear();
                    }
                });
            }
            r = true;
        } else if (n == u"PASTESPECIAL" || n == u"PASTE") {
            PasteSpecial();
            r = true;
        } else if (n == u"LEFT") r = FSheet->ColumnLeft(a.Left);
        else if (n == u"TOP") r = FSheet->RowTop(a.Top);
        else if (n == u"WIDTH") r = FSheet->ColumnLeft(a.Right + 1) - FSheet->ColumnLeft(a.Left);
        else if (n == u"HEIGHT") r = FSheet->RowTop(a.Bottom + 1) - FSheet->RowTop(a.Top);
        else if (n == u"WORKSHEET" || n == u"PARENT") r = SheetObject();
        else return GetFormatMember(*this, Target(), n, args, r);
        return true;
    }

    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        if (n == u"VALUE" || n == u"VALUE2" || n == u"FORMULA") WriteValue(v);
        else if (n == u"MERGECELLS") {
            const bool merge = IsTrue(v);
            for (const TCellArea& x : FAreas) {
                if (merge) FSheet->Merge(x);
                else FSheet->Unmerge(x);
            }
        } else if (n == u"COLUMNWIDTH") {
            const double w = v.ToDouble();
            if (w < 0 || w > 255) Fail(n, QStringLiteral("%1 is not a column width from 0 to 255").arg(w));
            for (const TCellArea& x : FAreas)
                for (int c = x.Left; c <= x.Right; ++c) FSheet->ColumnWidths[c] = w;
        } else if (n == u"ROWHEIGHT") {
            const double h = v.ToDouble();
            if (h < 0 || h > 409) Fail(n, QStringLiteral("%1 is not a row height from 0 to 409 points").arg(h));
            for (const TCellArea& x : FAreas) {
                if (x.Rows() > 100'000) Fail(n, QStringLiteral("set the height of fewer rows"));
                for (int row = x.Top; row <= x.Bottom; ++row) FSheet->RowHeights[row] = h;
            }
        } else if (n == u"STYLE") {
            ApplyStyle(VarToStr(v));
        } else if (n == u"PAGEBREAK") {
            const int kind = v.ToInt();
            if (kind != xlPageBreakManual && kind != xlNone && kind != -4105)
                Fail(n, QStringLiteral("%1 is not a page break kind").arg(kind));
            std::set<int>& breaks = FKind == TRangeKind::Columns ? FSheet->ColumnBreaks : FSheet->RowBreaks;
            const int at = FKind == TRangeKind::Columns ? First().Left : First().Top;
            // A break above the first row (or left of the first column) means nothing.
            if (kind == xlPageBreakManual && at > 1) breaks.insert(at);
            else breaks.erase(at);
        } else {
            return SetFormatMember(*this, Target(), n, v);
        }
        return true;
    }

    Variant SheetObject() const;

private:
    TState FState;
    std::shared_ptr<TWorkbookData> FBook;
    std::shared_ptr<TSheetData> FSheet;
    std::vector<TCellArea> FAreas;
    TRangeKind FKind;
};

class TAutoWorksheet : public TAutoObject {
public:
    TAutoWorksheet(TState st, std::shared_ptr<TWorkbookData> b, std::shared_ptr<TSheetData> s)
        : FState(std::move(st)), FBook(std::move(b)), FSheet(std::move(s)) {}
    QString AutoClassName() const override { return QStringLiteral("Worksheet"); }

protected:
    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"NAME") r = FSheet->Name;
        else if (n == u"INDEX") {
            auto it = std::find(FBook->Sheets.begin(), FBook->Sheets.end(), FSheet);
            r = int(it - FBook->Sheets.begin()) + 1;
        } else if (n == u"ACTIVATE" || n == u"SELECT") {
            ActivateSheet(FState, FBook, FSheet);
            r = true;
        } else if (n == u"PAGESETUP") r = Variant(std::make_shared<TAutoPageSetup>(FSheet));
        else if (n == u"PICTURES") {
            auto pics = std::make_shared<TAutoPictures>(FState, FSheet);
            r = HasArg(args, 0) ? pics->GetProperty(QStringLiteral("Item"), args) : Variant(pics);
        } else if (n == u"CELLS" || n == u"RANGE" || n == u"ROWS" || n == u"COLUMNS") {
            auto all = std::make_shared<TAutoRange>(FState, FBook, FSheet,
                                                    std::vector<TCellArea>{TCellArea{1, 1, SheetMaxRows, SheetMaxColumns}});
            r = all->GetProperty(n, args);
        } else if (n == u"USEDRANGE") {
            TCellArea box{1, 1, 1, 1};
            for (const auto& [k, c] : FSheet->Cells) {
                box.Bottom = std::max(box.Bottom, k.first);
                box.Right = std::max(box.Right, k.second);
            }
            r = Variant(std::make_shared<TAutoRange>(FState, FBook, FSheet, std::vector<TCellArea>{box}));
        } else if (n == u"PARENT") {
            r = SpreadsheetWorkbookObject();
        } else return false;
        return true;
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        if (n != u"NAME") return false;
        const QString name = VarToStr(v);
        FBook->CheckSheetName(name, FSheet.get());
        FSheet->Name = name;
        return true;
    }

private:
    Variant SpreadsheetWorkbookObject() const;
    TState FState;
    std::shared_ptr<TWorkbookData> FBook;
    std::shared_ptr<TSheetData> FSheet;
};

Variant TAutoRange::SheetObject() const {
    return Variant(std::make_shared<TAutoWorksheet>(FState, FBook, FSheet));
}

class TAutoSheets : public TAutoObject {
public:
    TAutoSheets(TState st, std::shared_ptr<TWorkbookData> b) : FState(std::move(st)), FBook(std::move(b)) {}
    QString AutoClassName() const override { return QStringLiteral("Sheets"); }

protected:
    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"COUNT") r = int(FBook->Sheets.size());
        else if (n == u"ITEM") {
            std::shared_ptr<TSheetData> sheet;
            if (HasArg(args, 0) && args[0].IsText()) {
                for (const auto& s : FBook->Sheets)
                    if (s->Name.compare(args[0].ToString(), Qt::CaseInsensitive) == 0) sheet = s;
            } else {
                const int i = IntArg(args, 0, QStringLiteral("Item"));
                if (i >= 1 && i <= int(FBook->Sheets.size())) sheet = FBook->Sheets[size_t(i - 1)];
            }
            if (!sheet) Fail(QStringLiteral("Item"), QStringLiteral("there is no such sheet (subscript out of range)"));
            r = Variant(std::make_shared<TAutoWorksheet>(FState, FBook, sheet));
        } else if (n == u"ADD") {
            auto sheet = FBook->AddSheet();
            ActivateSheet(FState, FBook, sheet);
            r = Variant(std::make_shared<TAutoWorksheet>(FState, FBook, sheet));
        } else return false;
        return true;
    }

private:
    TState FState;
    std::shared_ptr<TWorkbookData> FBook;
};

class TAutoWorkbook : public TAutoObject {
public:
    TAutoWorkbook(TState st, std::shared_ptr<TWorkbookData> b) : FState(std::move(st)), FBook(std::move(b)) {}
    QString AutoClassName() const override { return QStringLiteral("Workbook"); }
    const std::shared_ptr<TWorkbookData>& Book() const { return FBook; }

protected:
    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"SHEETS" || n == u"WORKSHEETS") {
            auto sheets = std::make_shared<TAutoSheets>(FState, FBook);
            r = HasArg(args, 0) ? sheets->GetProperty(QStringLiteral("Item"), args) : Variant(sheets);
        } else if (n == u"ACTIVESHEET") {
            r = Variant(std::make_shared<TAutoWorksheet>(FState, FBook, FBook->Sheets[size_t(FBook->ActiveSheet)]));
        } else if (n == u"STYLES") {
            auto styles = std::make_shared<TAutoStyles>(FBook);
            r = HasArg(args, 0) ? styles->GetProperty(QStringLiteral("Item"), args) : Variant(styles);
        } else if (n == u"NAME") r = FBook->Name;
        else if (n == u"FULLNAME") r = FBook->FullName.isEmpty() ? FBook->Name : FBook->FullName;
        else if (n == u"PATH") r = FBook->FullName.isEmpty() ? QString() : QFileInfo(FBook->FullName).absolutePath();
        else if (n == u"ACTIVATE") {
            FState->ActiveWorkbook = FBook;
            r = true;
        } else if (n == u"SAVEAS") {
            SaveBook(*FBook, TextArg(args, 0, QStringLiteral("SaveAs")));
            r = true;
        } else if (n == u"SAVE") {
            SaveBook(*FBook, FBook->FullName.isEmpty() ? QDir::current().filePath(FBook->Name + QStringLiteral(".xlsx"))
                                                        : FBook->FullName);
            r = true;
        } else if (n == u"CLOSE") {
            if (HasArg(args, 0) && args[0].ToBool())
                SaveBook(*FBook, HasArg(args, 1) ? args[1].ToString()
                                   : FBook->FullName.isEmpty() ? QDir::current().filePath(FBook->Name + QStringLiteral(".xlsx"))
                                                               : FBook->FullName);
            std::erase(FState->Workbooks, FBook);
            if (FState->ActiveWorkbook == FBook)
                FState->ActiveWorkbook = FState->Workbooks.empty() ? nullptr : FState->Workbooks.back();
            r = true;
        } else return false;
        return true;
    }

private:
    TState FState;
    std::shared_ptr<TWorkbookData> FBook;
};

Variant TAutoWorksheet::SpreadsheetWorkbookObject() const {
    return Variant(std::make_shared<TAutoWorkbook>(FState, FBook));
}

class TAutoWorkbooks : public TAutoObject {
public:
    explicit TAutoWorkbooks(TState st) : FState(std::move(st)) {}
    QString AutoClassName() const override { return QStringLiteral("Workbooks"); }

protected:
    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"COUNT") r = int(FState->Workbooks.size());
        else if (n == u"ADD") {
            auto book = std::make_shared<TWorkbookData>();
            book->Name = QStringLiteral("Book%1").arg(++FState->BookCounter);
            auto sheet = book->AddSheet();
            FState->Workbooks.push_back(book);
            FState->ActiveWorkbook = book;
            FState->SelectionSheet = sheet;
            FState->Selection = {TCellArea{}};
            r = Variant(std::make_shared<TAutoWorkbook>(FState, book));
        } else if (n == u"ITEM") {
            std::shared_ptr<TWorkbookData> book;
            if (HasArg(args, 0) && args[0].IsText()) {
                for (const auto& b : FState->Workbooks)
                    if (b->Name.compare(args[0].ToString(), Qt::CaseInsensitive) == 0) book = b;
            } else {
                const int i = IntArg(args, 0, QStringLiteral("Item"));
                if (i >= 1 && i <= int(FState->Workbooks.size())) book = FState->Workbooks[size_t(i - 1)];
            }
            if (!book) Fail(QStringLiteral("Item"), QStringLiteral("there is no such workbook (subscript out of range)"));
            r = Variant(std::make_shared<TAutoWorkbook>(FState, book));
        } else if (n == u"OPEN") {
            Fail(QStringLiteral("Open"), QStringLiteral("this server writes workbooks but does not read them"));
        } else if (n == u"CLOSE") {
            FState->Workbooks.clear();
            FState->ActiveWorkbook = nullptr;
            r = true;
        } else return false;
        return true;
    }

private:
    TState FState;
};

class TAutoWindow : public TAutoObject {
public:
    explicit TAutoWindow(TState st) : FState(std::move(st)) {}
    QString AutoClassName() const override { return QStringLiteral("Window"); }

protected:
    std::shared_ptr<TSheetData> Sheet(const QString& member) const {
        auto s = ActiveSheetOf(FState);
        if (!s) Fail(member, QStringLiteral("there is no open workbook"));
        return s;
    }
    bool Get(const QString& n, TOleArgs, Variant& r) override {
        if (n != u"DISPLAYGRIDLINES") return false;
        r = Sheet(n)->DisplayGridlines;
        return true;
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        if (n != u"DISPLAYGRIDLINES") return false;
        Sheet(n)->DisplayGridlines = IsTrue(v);
        return true;
    }

private:
    TState FState;
};

class TAutoApplication : public TAutoObject {
public:
    explicit TAutoApplication(TState st) : FState(std::move(st)) {}
    QString AutoClassName() const override { return QStringLiteral("Application"); }
    const TState& State() const { return FState; }

protected:
    Variant ActiveBookObject(const QString& member) const {
        if (!FState->ActiveWorkbook) Fail(member, QStringLiteral("there is no open workbook"));
        return Variant(std::make_shared<TAutoWorkbook>(FState, FState->ActiveWorkbook));
    }
    Variant ActiveSheetObject(const QString& member) const {
        auto sheet = ActiveSheetOf(FState);
        if (!sheet) Fail(member, QStringLiteral("there is no open workbook"));
        return Variant(std::make_shared<TAutoWorksheet>(FState, FState->ActiveWorkbook, sheet));
    }

    bool Get(const QString& n, TOleArgs args, Variant& r) override {
        if (n == u"APPLICATION") r = Variant(std::make_shared<TAutoApplication>(FState));
        else if (n == u"WORKBOOKS") {
            auto books = std::make_shared<TAutoWorkbooks>(FState);
            r = HasArg(args, 0) ? books->GetProperty(QStringLiteral("Item"), args) : Variant(books);
        } else if (n == u"ACTIVEWORKBOOK") r = ActiveBookObject(n);
        else if (n == u"ACTIVESHEET") r = ActiveSheetObject(n);
        else if (n == u"SHEETS" || n == u"WORKSHEETS") {
            r = ActiveBookObject(n).ToDispatch()->GetProperty(n, args);
        } else if (n == u"CELLS" || n == u"RANGE" || n == u"ROWS" || n == u"COLUMNS") {
            r = ActiveSheetObject(n).ToDispatch()->GetProperty(n, args);
        } else if (n == u"SELECTION" || n == u"ACTIVECELL") {
            auto sheet = ActiveSheetOf(FState);
            if (!sheet) Fail(n, QStringLiteral("there is no open workbook"));
            std::vector<TCellArea> sel = FState->SelectionSheet == sheet ? FState->Selection : std::vector<TCellArea>{TCellArea{}};
            if (n == u"ACTIVECELL") sel = {TCellArea{sel[0].Top, sel[0].Left, sel[0].Top, sel[0].Left}};
            r = Variant(std::make_shared<TAutoRange>(FState, FState->ActiveWorkbook, sheet, sel));
        } else if (n == u"ACTIVEWINDOW") r = Variant(std::make_shared<TAutoWindow>(FState));
        else if (n == u"VISIBLE") r = FState->Visible;
        else if (n == u"SCREENUPDATING") r = FState->ScreenUpdating;
        else if (n == u"DISPLAYALERTS") r = FState->DisplayAlerts;
        else if (n == u"QUIT") {
            FState->Workbooks.clear();
            FState->ActiveWorkbook = nullptr;
            FState->Visible = false;
            r = true;
        } else return false;
        return true;
    }
    bool Set(const QString& n, TOleArgs, const Variant& v) override {
        if (n == u"VISIBLE") {
            const bool show = IsTrue(v);
            if (show && !FState->Visible) ShowWorkbooks(*FState);
            FState->Visible = show;
        } else if (n == u"SCREENUPDATING") FState->ScreenUpdating = IsTrue(v);
        else if (n == u"DISPLAYALERTS") FState->DisplayAlerts = IsTrue(v);
        else return false;
        return true;
    }

private:
    TState FState;
};

} // namespace

QString SpreadsheetProgID() {
    return QStringLiteral("Excel.Application");
}

std::shared_ptr<IDispatchObject> CreateSpreadsheetApplication() {
    return std::make_shared<TAutoApplication>(std::make_shared<TServerState>());
}

QString SpreadsheetWorkbookFolder() {
    if (!WorkbookFolderSetting().isEmpty()) return WorkbookFolderSetting();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

void SetSpreadsheetWorkbookFolder(const QString& folder) {
    WorkbookFolderSetting() = folder;
}

std::shared_ptr<TWorkbookData> SpreadsheetWorkbookOf(const Variant& object) {
    if (auto book = AutoObjectOf<TAutoWorkbook>(object)) return book->Book();
    if (auto app = AutoObjectOf<TAutoApplication>(object)) return app->State()->ActiveWorkbook;
    return nullptr;
}
