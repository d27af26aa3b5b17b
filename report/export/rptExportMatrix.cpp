#include "report/export/rptExportMatrix.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/FontService.h"
#include "platform/gfx/Metafile.h"
#include "platform/rtl/Exceptions.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassLine.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPreparedPages.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

// Halves to the even neighbour, as the report's rounding everywhere.
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

[[noreturn]] void ListIndexError(int Index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

// Character set of the first code page a face declares (OS/2 ulCodePageRange1), Latin 1 first.
int CharsetOfCodePageBits(quint32 bits) {
    static const struct {
        int Bit;
        int Charset;
    } map[] = {{0, 0},    {1, 238},   {2, 204},   {3, 161},   {4, 162},   {5, 177},  {6, 178},
               {7, 186},  {8, 163},   {16, 222},  {17, 128},  {18, 134},  {19, 129}, {20, 136},
               {21, 130}, {31, 2}};
    for (const auto& m : map)
        if (bits & (1u << m.Bit)) return m.Charset;
    return 0;
}

} // namespace

// --- Styles and objects --------------------------------------------------------------------------

TrptIEMStyle::TrptIEMStyle() : FFont(std::make_unique<TFont>()), FDisplayFormat(std::make_unique<TrptFormat>()) {}

TrptIEMStyle::~TrptIEMStyle() = default;

void TrptIEMStyle::Assign(const TrptIEMStyle& Source) {
    FFont->Assign(*Source.FFont);
    FDisplayFormat->Assign(Source.FDisplayFormat.get());
    LineSpacing = Source.LineSpacing;
    VAlign = Source.VAlign;
    HAlign = Source.HAlign;
    FrameTyp = Source.FrameTyp;
    FrameWidth = Source.FrameWidth;
    FrameColor = Source.FrameColor;
    FrameStyle = Source.FrameStyle;
    Color = Source.Color;
    Rotation = Source.Rotation;
    BrushStyle = Source.BrushStyle;
    ParagraphGap = Source.ParagraphGap;
    GapX = Source.GapX;
    GapY = Source.GapY;
    CharSpacing = Source.CharSpacing;
    WordBreak = Source.WordBreak;
    Charset = Source.Charset;
    WordWrap = Source.WordWrap;
}

bool TrptIEMStyle::SameAs(const TrptIEMStyle& o) const {
    const TFont& f = *FFont;
    const TFont& g = *o.FFont;
    return f.Size() == g.Size() && HAlign == o.HAlign && VAlign == o.VAlign && f.Color() == g.Color() &&
           f.Name() == g.Name() && f.Style() == g.Style() && FrameTyp == o.FrameTyp && FrameWidth == o.FrameWidth &&
           FrameColor == o.FrameColor && FrameStyle == o.FrameStyle && Color == o.Color &&
           FDisplayFormat->Kind() == o.FDisplayFormat->Kind() &&
           FDisplayFormat->DecimalSeparator() == o.FDisplayFormat->DecimalSeparator() &&
           FDisplayFormat->FormatStr() == o.FDisplayFormat->FormatStr() && LineSpacing == o.LineSpacing &&
           GapX == o.GapX && GapY == o.GapY && ParagraphGap == o.ParagraphGap && CharSpacing == o.CharSpacing &&
           Charset == o.Charset && WordBreak == o.WordBreak && Rotation == o.Rotation && WordWrap == o.WordWrap &&
           BrushStyle == o.BrushStyle;
}

TrptIEMObject::TrptIEMObject()
    : FMemo(std::make_unique<TrptWideStrings>()), FMetafile(std::make_unique<TMetafile>()) {}

TrptIEMObject::~TrptIEMObject() = default;

void TrptIEMObject::SetImage(std::unique_ptr<TBitmap> Value) { FImage = std::move(Value); }

std::unique_ptr<TBitmap> TrptIEMObject::TakeImage() { return std::move(FImage); }

// --- The matrix ----------------------------------------------------------------------------------

TrptIEMatrix::TrptIEMatrix(bool, const QString&) {}

TrptIEMatrix::~TrptIEMatrix() { Clear(); }

void TrptIEMatrix::Clear() {
    FIEMObjectList.clear();
    FIEMStyleList.clear();
    FXPos.clear();
    FYPos.clear();
    FPages.clear();
    FFontList.clear();
    FMatrix.clear();
    FDeltaY = 0;
}

bool TrptIEMatrix::AddPos(std::vector<std::unique_ptr<TrptIEMPos>>& List, double Value) {
    const size_t n = List.size();
    const size_t from = n > 100 ? n - 100 : 0;
    for (size_t i = n; i > from; --i)
        if (List[i - 1]->Value == Value) return false;
    List.push_back(std::make_unique<TrptIEMPos>(Value));
    return true;
}

int TrptIEMatrix::AddStyle(std::unique_ptr<TrptIEMStyle> Style) {
    for (size_t i = 0; i < FIEMStyleList.size(); ++i)
        if (FIEMStyleList[i]->SameAs(*Style)) return static_cast<int>(i);
    FIEMStyleList.push_back(std::move(Style));
    return static_cast<int>(FIEMStyleList.size()) - 1;
}

int TrptIEMatrix::AddInternalObject(std::unique_ptr<TrptIEMObject> Obj, double x, double y, double dx, double dy) {
    auto p = std::make_unique<TrptIEMObjectList>();
    p->Obj = std::move(Obj);
    p->x = static_cast<int>(x);
    p->y = static_cast<int>(y);
    p->dx = static_cast<int>(dx);
    p->dy = static_cast<int>(dy);
    FIEMObjectList.push_back(std::move(p));
    return static_cast<int>(FIEMObjectList.size()) - 1;
}

int TrptIEMatrix::GetFontCharset(const TFont* Font) {
    if (!Font) return 0;
    const auto it = FFontList.find(Font->Name());
    if (it != FFontList.end()) return it->second;
    QByteArray os2;
    try {
        os2 = TFontService::Instance().Face(Font->Name(), false, false)->Table("OS/2");
        if (os2.size() < 86)
            os2 = TFontService::Instance().Face(QStringLiteral("Arial"), false, false)->Table("OS/2");
    } catch (const Exception&) {
        return 0;
    }
    // Version 1 and later tables carry the code-page bits at offset 78.
    if (os2.size() < 86 || qFromBigEndian<quint16>(os2.constData()) < 1) return 0;
    const int cs = CharsetOfCodePageBits(qFromBigEndian<quint32>(os2.constData() + 78));
    FFontList[Font->Name()] = cs;
    return cs;
}

std::unique_ptr<TrptIEMStyle> TrptIEMatrix::MakeStyle(TrptView* Obj, bool AsText, bool Line, bool) {
    auto st = std::make_unique<TrptIEMStyle>();
    auto* memo = dynamic_cast<TrptCustomMemoView*>(Obj);
    TrptFrame* fr = Obj->Frame();
    if (Line) {
        st->Color = Obj->Color();
        st->FrameTyp = Obj->Width() == 0 ? TrptFrameTypes{ftLeft} : TrptFrameTypes{ftTop};
        st->FrameWidth = static_cast<float>(fr->Width());
        st->FrameColor = fr->Color();
        st->FrameStyle = fr->Style();
        st->Font()->SetName(QStringLiteral("Arial"));
        st->Font()->SetSize(1);
        return st;
    }
    if (AsText && memo) {
        TrptHighlight* hl = memo->Highlight();
        if (hl->Active() && hl->Font()) {
            st->Font()->Assign(*hl->Font());
            st->Color = hl->Color();
        } else {
            st->Font()->Assign(*Obj->Font());
            st->Color = Obj->Color();
        }
        st->SetDisplayFormat(memo->DisplayFormat());
        st->HAlign = memo->HAlign();
        st->VAlign = memo->VAlign();
        st->LineSpacing = memo->LineSpacing();
        st->GapX = memo->GapX();
        st->GapY = memo->GapY();
        st->CharSpacing = memo->CharSpacing();
        st->ParagraphGap = memo->ParagraphGap();
        st->WordBreak = memo->WordBreak();
        st->WordWrap = memo->WordWrap();
        st->Rotation = memo->Rotation();
        st->BrushStyle = memo->BrushStyle();
        st->FrameTyp = fr->Typ();
        st->Charset = st->Font()->Charset();
        if (st->Charset == DEFAULT_CHARSET) st->Charset = GetFontCharset(st->Font());
    } else {
        st->Font()->Assign(*Obj->Font());
        st->Color = Obj->Color();
        st->Charset = st->Font()->Charset();
        if (!dynamic_cast<TrptCustomLineView*>(Obj)) st->FrameTyp = fr->Typ();
    }
    st->FrameWidth = static_cast<float>(fr->Width());
    st->FrameColor = fr->Color();
    st->FrameStyle = fr->Style();
    if (FDotMatrix) st->Font()->SetSize(9);
    return st;
}

void TrptIEMatrix::AddShadowed(TrptCustomMemoView* Memo) {
    TrptFrame* fr = Memo->Frame();
    const double sw = fr->ShadowWidth();
    const double w = Memo->Width(), h = Memo->Height();
    const double al = Memo->AbsLeft(), at = Memo->AbsTop();
    Memo->SetWidth(w - sw);
    Memo->SetHeight(h - sw);
    fr->SetDropShadow(false);
    try {
        AddObject(Memo);
    } catch (...) {
        Memo->SetWidth(w);
        Memo->SetHeight(h);
        fr->SetDropShadow(true);
        throw;
    }
    Memo->SetWidth(w);
    Memo->SetHeight(h);
    fr->SetDropShadow(true);

    TrptMemoView shadow(nullptr);
    shadow.SetName(QStringLiteral("Shadow"));
    shadow.Font()->SetSize(1);
    shadow.SetColor(fr->ShadowColor());
    shadow.SetBounds(al + w - sw, at + sw, sw, h - sw);
    AddObject(&shadow);
    shadow.SetBounds(al + sw, at + h - sw, w - sw, sw);
    AddObject(&shadow);
}

void TrptIEMatrix::AddRectangle(TrptView* Obj) {
    const double al = Obj->AbsLeft(), at = Obj->AbsTop(), w = Obj->Width(), h = Obj->Height();
    if (Obj->Color() == clNone) {
        const double lines[4][4] = {{al, at, w, 0}, {al, at, 0, h}, {al, at + h, w, 0}, {al + w, at, 0, h}};
        for (const auto& b : lines) {
            TrptLineView line(nullptr);
            line.SetName(QStringLiteral("Line"));
            line.SetFrame(Obj->Frame());
            line.SetBounds(b[0], b[1], b[2], b[3]);
            AddObject(&line);
        }
    } else {
        TrptMemoView rect(nullptr);
        rect.SetName(QStringLiteral("Rect"));
        rect.SetBounds(al, at, w, h);
        rect.SetFrame(Obj->Frame());
        rect.Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
        rect.SetColor(Obj->Color());
        rect.Font()->SetSize(1);
        AddObject(&rect);
    }
}

void TrptIEMatrix::DrawToPicture(TrptView* Obj, TrptIEMObject* Item, double AbsLeft, double AbsTop) {
    TrptFrame* fr = Obj->Frame();
    const bool isLine = dynamic_cast<TrptCustomLineView*>(Obj) != nullptr;
    // The cell's frame comes from its style, so the object draws without its own; a line's
    // stroke is its frame width, so it keeps it.
    const bool hideFrame = !fr->Typ().Empty() && fr->Width() > 0;
    const double savedWidths[5] = {fr->Width(), fr->LeftLine()->Width(), fr->TopLine()->Width(),
                                   fr->RightLine()->Width(), fr->BottomLine()->Width()};
    auto restoreFrame = [&] {
        fr->SetWidth(savedWidths[0]);
        fr->LeftLine()->SetWidth(savedWidths[1]);
        fr->TopLine()->SetWidth(savedWidths[2]);
        fr->RightLine()->SetWidth(savedWidths[3]);
        fr->BottomLine()->SetWidth(savedWidths[4]);
    };
    if (hideFrame && !isLine) fr->SetWidth(0);

    Item->IsText = false;
    const TrptRect rb = Obj->GetRealBounds();
    double w = rb.Right - rb.Left;
    double h = rb.Bottom - rb.Top;
    double offX = 0, offY = 0;
    if (w != Obj->Width() && rb.Left != AbsLeft)
        offX = rb.Right != AbsLeft + Obj->Width() ? (w - Obj->Width()) / 2 : w - Obj->Width();
    if (h != Obj->Height() && rb.Top != AbsTop)
        offY = rb.Bottom != AbsTop + Obj->Height() ? (h - Obj->Height()) / 2 : h - Obj->Height();
    Item->Left -= offX;
    Item->Top -= offY;
    double originX = AbsLeft - offX, originY = AbsTop - offY;
    if (RoundEven(w) == 0) w = 1;
    if (w < 0) {
        w = -w;
        Item->Left -= w;
        originX -= w;
    }
    if (RoundEven(h) == 0) h = 1;
    if (h < 0) {
        h = -h;
        Item->Top -= h;
        originY -= h;
    }
    Item->Width = w;
    Item->Height = h;

    try {
        if (FEMFPictures) {
            TMetafile* mf = Item->Metafile();
            mf->SetWidth(RoundEven(w));
            mf->SetHeight(RoundEven(h));
            try {
                TMetafileCanvas canvas(*mf);
                Obj->Draw(&canvas, 1, 1, -originX, -originY);
            } catch (...) {
                // A metafile that fails to record stays as far as it got.
            }
        } else {
            auto bmp = std::make_unique<TBitmap>(RoundEven(w) + 1, RoundEven(h) + 1, pf24bit);
            Obj->Draw(&bmp->Canvas(), 1, 1, -originX, -originY);
            bmp->Canvas().Flush();
            Item->SetImage(std::move(bmp));
        }
    } catch (...) {
        restoreFrame();
        throw;
    }
    restoreFrame();
}

void TrptIEMatrix::AddObject(TrptView* Obj) {
    if (!Obj) return;
    const bool isBackground = Obj->Name() == QLatin1String("_pagebackground");
    if (isBackground && !FBackground && (FPrintable || Obj->Printable())) return;

    auto* memo = dynamic_cast<TrptCustomMemoView*>(Obj);
    if (memo && memo->Frame()->DropShadow()) {
        AddShadowed(memo);
        return;
    }
    const QString cls = Obj->ClassName();
    if (cls == QLatin1String("TrptRichView") && FRichText && FPlainRich) {
        TrptMemoView plain(nullptr);
        plain.SetName(Obj->Name());
        plain.SetBounds(Obj->AbsLeft(), Obj->AbsTop(), Obj->Width(), Obj->Height());
        const bool savedPlain = Obj->PlainText();
        Obj->SetPlainText(true);
        plain.SetText(Obj->GetComponentText());
        Obj->SetPlainText(savedPlain);
        AddObject(&plain);
        return;
    }
    auto* shape = dynamic_cast<TrptShapeView*>(Obj);
    if ((shape && shape->Shape() == skRectangle) || cls == QLatin1String("TrptGradientView")) {
        AddRectangle(Obj);
        return;
    }

    auto item = std::make_unique<TrptIEMObject>();
    TrptIEMObject* it = item.get();
    it->Name = Obj->Name();
    const double absLeft = Obj->AbsLeft(), absTop = Obj->AbsTop();

    auto* line = dynamic_cast<TrptCustomLineView*>(Obj);
    const bool straightLine = line && (Obj->Width() == 0 || Obj->Height() == 0);
    const bool asText = memo && !(FBrushAsBitmap && memo->BrushStyle() > bsClear) &&
                        !(FRotatedImage && memo->Rotation() != 0);
    const bool richSource = cls == QLatin1String("TrptRichView") && FRichText && !FPlainRich;

    auto st = MakeStyle(Obj, asText, straightLine, false);
    it->StyleIndex = AddStyle(std::move(st));
    it->Style = FIEMStyleList[static_cast<size_t>(it->StyleIndex)].get();

    it->URL = Obj->URL();
    if (FReport && it->URL.startsWith(QLatin1Char('#'))) {
        if (auto* pages = dynamic_cast<TrptPreviewPages*>(FReport->PreviewPages()))
            it->URL = QLatin1Char('@') + QString::number(pages->GetAnchorPage(it->URL.mid(1)));
    }
    it->Left = absLeft < 0 ? 0 : absLeft;
    it->Top = absTop < 0 ? FDeltaY : absTop + FDeltaY;
    it->Width = Obj->Width();
    it->Height = Obj->Height();

    if (asText) {
        // Text stays Unicode: no round trip through an 8-bit code page.
        if ((FDeleteHTMLTags && memo->AllowHTMLTags()) || FWrap)
            it->Memo()->SetText(memo->WrapText(true));
        else
            it->Memo()->Assign(*memo->Memo());
        if (!FDeleteHTMLTags) it->HTMLTags = memo->AllowHTMLTags();
        it->IsText = true;
        it->IsRichText = false;
        it->RTL = memo->RTLReading();
    } else if (richSource) {
        it->Memo()->SetText(Obj->GetComponentText());
        it->IsText = true;
        it->IsRichText = true;
    } else if (straightLine) {
        it->IsText = true;
        if (it->Width < 0) {
            it->Left += it->Width;
            it->Width = -it->Width;
        }
        if (it->Height < 0) {
            it->Top += it->Height;
            it->Height = -it->Height;
        }
        if (it->Width == 0) it->Width = 1;
        if (it->Height == 0) it->Height = 1;
    } else if ((FImages && !isBackground) || FBackImage) {
        DrawToPicture(Obj, it, absLeft, absTop);
    }

    if (Obj->Parent() && (FHeader || FFooter)) {
        it->Header = Obj->Parent() == static_cast<TrptComponent*>(FHeader);
        it->Footer = Obj->Parent() == static_cast<TrptComponent*>(FFooter);
    }

    FMaxHeight = std::max(FMaxHeight, it->Top + it->Height);
    FMaxWidth = std::max(FMaxWidth, it->Left + it->Width);
    FMinLeft = std::min(FMinLeft, it->Left);
    FMinTop = std::min(FMinTop, it->Top);
    if (it->Left < FLeft || FLeft == 0) FLeft = it->Left;
    if (it->Top < FTop || FTop == 0) FTop = it->Top;

    AddPos(FXPos, it->Left);
    AddPos(FXPos, it->Left + it->Width);
    AddPos(FYPos, it->Top);
    AddPos(FYPos, it->Top + it->Height);
    AddInternalObject(std::move(item), 0, 0, 1, 1);
}

void TrptIEMatrix::AddPage(TPrinterOrientation Orientation, double Width, double Height, double LeftMargin,
                           double TopMargin, double RightMargin, double BottomMargin, bool MirrorMargins,
                           int Index) {
    FDeltaY = FMaxHeight;
    auto page = std::make_unique<TrptIEMPage>();
    page->Value = FMaxHeight;
    page->Orientation = Orientation;
    page->Width = Width;
    page->Height = Height;
    page->TopMargin = TopMargin;
    page->BottomMargin = BottomMargin;
    page->LeftMargin = LeftMargin;
    page->RightMargin = RightMargin;
    if (MirrorMargins && Index % 2 == 1) {
        page->LeftMargin = RightMargin;
        page->RightMargin = LeftMargin;
        page->MirrorMargin = true;
    }
    FPages.push_back(std::move(page));
}

// --- Reading ---------------------------------------------------------------------------------------

int TrptIEMatrix::GetCell(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return -1;
    const size_t i = static_cast<size_t>(x) + static_cast<size_t>(y) * static_cast<size_t>(FWidth);
    return i < FMatrix.size() ? FMatrix[i] : -1;
}

TrptIEMObject* TrptIEMatrix::GetObject(int x, int y) const { return GetObjectById(GetCell(x, y)); }

TrptIEMObject* TrptIEMatrix::GetObjectById(int ObjIndex) const {
    if (ObjIndex < 0 || ObjIndex >= GetObjectsCount()) return nullptr;
    return FIEMObjectList[static_cast<size_t>(ObjIndex)]->Obj.get();
}

void TrptIEMatrix::GetObjectPos(int ObjIndex, int& x, int& y, int& dx, int& dy) const {
    if (ObjIndex < 0 || ObjIndex >= GetObjectsCount()) ListIndexError(ObjIndex);
    const TrptIEMObjectList& p = *FIEMObjectList[static_cast<size_t>(ObjIndex)];
    x = p.x;
    y = p.y;
    dx = p.dx;
    dy = p.dy;
}

TrptRect TrptIEMatrix::GetObjectBounds(const TrptIEMObject* Obj) const {
    return TrptRect{Obj->Left, Obj->Top, Obj->Left + Obj->Width, Obj->Top + Obj->Height};
}

TrptIEMStyle* TrptIEMatrix::GetStyleById(int Index) const {
    if (Index < 0 || Index >= GetStylesCount()) ListIndexError(Index);
    return FIEMStyleList[static_cast<size_t>(Index)].get();
}

double TrptIEMatrix::GetXPosById(int PosIndex) const {
    if (PosIndex < 0 || PosIndex >= static_cast<int>(FXPos.size())) ListIndexError(PosIndex);
    return FXPos[static_cast<size_t>(PosIndex)]->Value;
}

double TrptIEMatrix::GetYPosById(int PosIndex) const {
    if (PosIndex < 0 || PosIndex >= static_cast<int>(FYPos.size())) ListIndexError(PosIndex);
    return FYPos[static_cast<size_t>(PosIndex)]->Value;
}

#define RPT_PAGE_GETTER(Name, Field)                                                                   \
    double TrptIEMatrix::Name(int Page) const {                                                        \
        return Page >= 0 && Page < GetPagesCount() ? FPages[static_cast<size_t>(Page)]->Field : 0;      \
    }
RPT_PAGE_GETTER(GetPageBreak, Value)
RPT_PAGE_GETTER(GetPageWidth, Width)
RPT_PAGE_GETTER(GetPageHeight, Height)
RPT_PAGE_GETTER(GetPageLMargin, LeftMargin)
RPT_PAGE_GETTER(GetPageTMargin, TopMargin)
RPT_PAGE_GETTER(GetPageRMargin, RightMargin)
RPT_PAGE_GETTER(GetPageBMargin, BottomMargin)
#undef RPT_PAGE_GETTER

TPrinterOrientation TrptIEMatrix::GetPageOrientation(int Page) const {
    return Page >= 0 && Page < GetPagesCount() ? FPages[static_cast<size_t>(Page)]->Orientation : poPortrait;
}
