#include "report/core/rptPreviewControls.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Colors.h"
#include "platform/sys/Registry.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

KORVEL_CLASS_INFO(TrptScrollWin) {}
KORVEL_CLASS_INFO(TrptCustomComboBox) {}
KORVEL_CLASS_INFO(TrptComboBox) {}
KORVEL_CLASS_INFO(TrptFontPreview) {}
KORVEL_CLASS_INFO(TrptFontComboBox) {}
KORVEL_CLASS_INFO(TrptComboEdit) {}

namespace {

const QString DefaultMRUKey = QStringLiteral("\\Software\\Dize Rorerir\\MRUFont");
constexpr int MRUSlots = 5;

int FontHeightOf(const TFont& font) {
    TBitmap bmp;
    bmp.SetWidth(1);
    bmp.SetHeight(1);
    TCanvas* c = &bmp.Canvas();
    c->SetFont(font);
    return c->TextMetrics().tmHeight;
}

// Small type pictures of the font list, drawn here: "T" for scalable, a printer mark for device.
std::unique_ptr<TBitmap> TypePicture(bool trueType) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetWidth(15);
    bmp->SetHeight(12);
    TCanvas* c = &bmp->Canvas();
    c->Brush().SetColor(clFuchsia);
    c->FillRect(TRect(0, 0, 15, 12));
    c->Brush().SetStyle(bsClear);
    if (trueType) {
        // Two block letters T, drawn with rectangles so the transparent colour stays exact.
        auto letter = [c](int x, int y, TColor color) {
            c->Brush().SetStyle(bsSolid);
            c->Brush().SetColor(color);
            c->FillRect(TRect(x, y, x + 7, y + 2));
            c->FillRect(TRect(x + 2, y + 2, x + 5, y + 9));
        };
        letter(1, 1, clGray);
        letter(6, 3, clBlack);
    } else {
        c->Pen().SetColor(clBlack);
        c->Brush().SetStyle(bsSolid);
        c->Brush().SetColor(clSilver);
        c->Rectangle(1, 4, 14, 10);
        c->Brush().SetColor(clWhite);
        c->Rectangle(4, 1, 11, 5);
    }
    return bmp;
}

} // namespace

TColor rptBlendColors(TColor C1, TColor C2, int A) {
    const TColor c1 = ColorToRGB(C1);
    const TColor c2 = ColorToRGB(C2);
    const int b = A < 100 ? 100 : 1000;
    auto channel = [&](int shift) {
        const int v1 = (c1 >> shift) & 0xFF;
        const int v2 = (c2 >> shift) & 0xFF;
        return ((v2 * (b - A) + A * v1 + b / 2) / b) & 0xFF;
    };
    return static_cast<TColor>(channel(0) | (channel(8) << 8) | (channel(16) << 16));
}

// =============================================================================================
// TrptScrollWin

TrptScrollWin::TrptScrollWin(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBorderStyle(bsSingle);
    SetTabStop(true);
}

void TrptScrollWin::Paint() {
    TCanvas* c = Canvas();
    c->Brush().SetStyle(bsSolid);
    c->Brush().SetColor(Color());
    c->FillRect(TRect(0, 0, ClientWidth(), ClientHeight()));
}

void TrptScrollWin::UpdateBar(int Bar) {
    const int range = Bar == SB_HORZ ? FHorzRange : FVertRange;
    const int page = Bar == SB_HORZ ? FHorzPage : FVertPage;
    const int pos = Bar == SB_HORZ ? FHorzPosition : FVertPosition;
    TScrollInfo info;
    info.fMask = SIF_ALL;
    info.nMin = 0;
    info.nMax = range < page ? 0 : range;
    info.nPage = static_cast<unsigned>(std::max(0, page));
    info.nPos = pos;
    SetScrollInfo(Bar, info, true);
}

void TrptScrollWin::SetHorzRange(int Value) {
    FHorzRange = Value;
    UpdateBar(SB_HORZ);
}

void TrptScrollWin::SetVertRange(int Value) {
    FVertRange = Value;
    UpdateBar(SB_VERT);
}

void TrptScrollWin::SetHorzPage(int Value) {
    FHorzPage = Value;
    SetHorzRange(FHorzRange);
}

void TrptScrollWin::SetVertPage(int Value) {
    FVertPage = Value;
    SetVertRange(FVertRange);
}

void TrptScrollWin::SetHorzPosition(int Value) {
    Value = std::max(0, std::min(Value, FHorzRange - FHorzPage));
    if (Value == FHorzPosition) return;
    FHorzPosition = Value;
    UpdateBar(SB_HORZ);
    HorzPositionChanged();
}

void TrptScrollWin::SetVertPosition(int Value) {
    Value = std::max(0, std::min(Value, FVertRange - FVertPage));
    if (Value == FVertPosition) return;
    FVertPosition = Value;
    UpdateBar(SB_VERT);
    VertPositionChanged();
}

int TrptScrollWin::ScrollTarget(int Bar, int Code, int Pos) const {
    const int cur = Bar == SB_HORZ ? FHorzPosition : FVertPosition;
    switch (Code) {
    case SB_LINEUP:
        return cur - FSmallChange;
    case SB_LINEDOWN:
        return cur + FSmallChange;
    case SB_PAGEUP:
        return cur - FLargeChange;
    case SB_PAGEDOWN:
        return cur + FLargeChange;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        // The bars deliver the slider's own position here, without the 16-bit limit of
        // the classic messages, so it is the tracking position.
        return Pos;
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return Bar == SB_HORZ ? FHorzRange : FVertRange;
    default:
        return cur;
    }
}

void TrptScrollWin::WMHScroll(int ScrollCode, int Pos) {
    if (ScrollCode > SB_BOTTOM) return;
    SetHorzPosition(ScrollTarget(SB_HORZ, ScrollCode, Pos));
}

void TrptScrollWin::WMVScroll(int ScrollCode, int Pos) {
    if (ScrollCode > SB_BOTTOM) return;
    SetVertPosition(ScrollTarget(SB_VERT, ScrollCode, Pos));
}

// =============================================================================================
// TrptCustomComboBox

namespace {

// Tells the combo box when its drop-down list shows and hides.
class TPopupWatch : public QObject {
public:
    explicit TPopupWatch(TrptCustomComboBox* box) : FBox(box) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show)
            FBox->DoDropDown();
        else if (e->type() == QEvent::Hide)
            FBox->DoCloseUp();
        return false;
    }

private:
    TrptCustomComboBox* FBox;
};

} // namespace

TrptCustomComboBox::TrptCustomComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
    FWidth = 100;
    ItemHeightFromFont(0);
}

TrptCustomComboBox::~TrptCustomComboBox() = default;

void TrptCustomComboBox::ItemHeightFromFont(int Minimum) {
    FItemHeight = std::max(FontHeightOf(*Font()), Minimum);
}

void TrptCustomComboBox::InitWidget() {
    TCustomComboBox::InitWidget();
    QComboBox* c = Combo();
    if (!c) return;
    if (QLineEdit* e = c->lineEdit()) {
        e->setReadOnly(FReadOnly);
        e->setFrame(false);
    }
    if (c->view() && c->view()->window()) {
        FPopupWatch = std::make_unique<TPopupWatch>(this);
        c->view()->window()->installEventFilter(FPopupWatch.get());
    }
    PlaceEdit();
}

void TrptCustomComboBox::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (FWidget && Combo()->lineEdit()) Combo()->lineEdit()->setReadOnly(Value);
}

TRect TrptCustomComboBox::EditRect() const {
    return TRect(FEditOffset + 3, 3, FEditOffset + 3 + std::max(0, Width() - FButtonWidth - FEditOffset - 8),
                 3 + std::max(0, Height() - 6));
}

TRect TrptCustomComboBox::ButtonRect() const {
    return TRect(Width() - FButtonWidth - 3, 1, Width() - 1, Height() - 1);
}

TSize TrptCustomComboBox::ListSize() const {
    const int count = Items()->Count();
    const int w = FListWidth > 0 ? FListWidth : Width();
    if (DropDownCount() == 0 || count == 0) return TSize(w, FItemHeight + 2);
    return TSize(w, FItemHeight * std::min(DropDownCount(), count) + 2);
}

bool TrptCustomComboBox::CheckUpDropdown(int ControlScreenTop, int ScreenBottom) {
    const int bottom = ControlScreenTop + FontHeightOf(*Font()) + ListSize().cy + 6;
    FUpDropdown = bottom > ScreenBottom;
    return FUpDropdown;
}

void TrptCustomComboBox::PlaceEdit() {
    if (!FWidget) return;
    if (QLineEdit* e = Combo()->lineEdit()) {
        const TRect r = EditRect();
        e->setGeometry(r.Left, r.Top, r.Width(), r.Height());
    }
}

void TrptCustomComboBox::Resize() {
    PlaceEdit();
    TCustomComboBox::Resize();
}

void TrptCustomComboBox::FontChanged() {
    TCustomComboBox::FontChanged();
    ItemHeightFromFont(0);
    PlaceEdit();
}

TrptComboLook TrptCustomComboBox::Look() const {
    if (!Enabled()) return TrptComboLook::Disabled;
    if (FListOpen) return TrptComboLook::Pressed;
    if (IsDesigning() || Focused() || FMouseInControl) return TrptComboLook::Hot;
    return TrptComboLook::Normal;
}

void TrptCustomComboBox::PaintEditPicture(TCanvas& Canvas, const TRect& R) {
    if (FEditOffset <= 0) return;
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(clWindow);
    Canvas.FillRect(R);
}

void TrptCustomComboBox::PaintFlat(TCanvas& c, TrptComboLook ALook) {
    const int w = Width(), h = Height();
    c.Brush().SetStyle(bsSolid);
    const int ax = FButtonWidth / 2 + w - FButtonWidth - 4;
    const int ay = (h - 4) / 2 + 1;
    auto arrow = [&](TColor color) {
        c.Pen().SetColor(color);
        c.Pen().SetWidth(1);
        c.Pen().SetStyle(psSolid);
        for (int i = 0; i < 3; ++i) {
            c.MoveTo(ax - 2 + i, ay + i);
            c.LineTo(ax + 3 - i, ay + i);
        }
    };
    if (ALook == TrptComboLook::Disabled) {
        c.Brush().SetColor(clBtnFace);
        c.FillRect(TRect(0, 0, w, h));
        c.Brush().SetColor(clBtnShadow);
        c.FrameRect(TRect(0, 0, w, h));
        arrow(clGrayText);
        return;
    }
    PaintEditPicture(c, TRect(3, 3, FEditOffset + 3, h - 3));
    const bool active = ALook != TrptComboLook::Normal;
    c.Brush().SetColor(active ? clHighlight : clBtnFace);
    c.FrameRect(TRect(0, 0, w, h));
    c.Brush().SetColor(clWindow);
    c.FrameRect(TRect(1, 1, w - 1, h - 1));
    c.FrameRect(TRect(2, 2, w - 2 - FButtonWidth - 2, h - 2));
    const TRect b = ButtonRect();
    TColor fill = clBtnFace, divider = clWindow, arrowColor = clBtnText;
    if (ALook == TrptComboLook::Hot) {
        fill = rptBlendColors(clHighlight, clWindow, 30);
        divider = clHighlight;
    } else if (ALook == TrptComboLook::Pressed) {
        fill = rptBlendColors(clHighlight, clWindow, 50);
        divider = clHighlight;
        arrowColor = clCaptionText;
    }
    c.Brush().SetColor(fill);
    c.FillRect(b);
    if (ALook == TrptComboLook::Normal) {
        c.Brush().SetColor(clWindow);
        c.FrameRect(b);
    }
    c.Pen().SetColor(divider);
    c.MoveTo(b.Left, b.Top);
    c.LineTo(b.Left, b.Bottom);
    arrow(arrowColor);
}

bool TrptCustomComboBox::WidgetEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::Paint: {
        QPainter p(FWidget);
        TCanvas c;
        c.SetPainter(&p);
        c.SetFont(*Font());
        PaintFlat(c, Look());
        c.ReleaseDevice();
        return true;
    }
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::StyleChange:
    case QEvent::FontChange: {
        // The combo box lays its edit out again on these; keep it inside the flat frame.
        const bool r = TCustomComboBox::WidgetEvent(e);
        PlaceEdit();
        return r;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        const bool r = TCustomComboBox::WidgetEvent(e);
        Invalidate();
        return r;
    }
    default:
        return TCustomComboBox::WidgetEvent(e);
    }
}

void TrptCustomComboBox::MouseEnter() {
    FMouseInControl = true;
    if (!Focused() && !FListOpen) Invalidate();
    TCustomComboBox::MouseEnter();
}

void TrptCustomComboBox::MouseLeave() {
    FMouseInControl = false;
    if (!Focused() && !FListOpen) Invalidate();
    TCustomComboBox::MouseLeave();
}

void TrptCustomComboBox::EnabledChanged() {
    TCustomComboBox::EnabledChanged();
    Invalidate();
}

void TrptCustomComboBox::DoDropDown() {
    FListOpen = true;
    if (FWidget) {
        const QPoint top = FWidget->mapToGlobal(QPoint(0, 0));
        CheckUpDropdown(top.y(), Screen ? Screen->Height() : top.y() + 10000);
        if (QWidget* list = Combo()->view() ? Combo()->view()->window() : nullptr) {
            const TSize s = ListSize();
            list->resize(s.cx, s.cy);
        }
    }
    if (OnDropDown) OnDropDown(this);
    Invalidate();
}

void TrptCustomComboBox::DoCloseUp() {
    FListOpen = false;
    if (OnCloseUp) OnCloseUp(this);
    Invalidate();
}

void TrptCustomComboBox::KeyPress(QChar& Key) {
    TCustomComboBox::KeyPress(Key);
    const int i = ItemIndex();
    if (i < 0 || !FWidget) return;
    QLineEdit* e = Combo()->lineEdit();
    if (!e) return;
    const int caret = e->cursorPosition();
    const int selStart = e->selectionStart();
    const int selLen = e->selectedText().size();
    e->setText(Items()->Get(i));
    if (selStart >= 0)
        e->setSelection(selStart, selLen);
    else
        e->setCursorPosition(caret);
}

// =============================================================================================
// TrptFontPreview

TrptFontPreview::TrptFontPreview(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 200;
    FHeight = 50;
    FVisible = false;
    FPanel = new TPanel(this);
    FPanel->SetParent(this);
    FPanel->SetAlign(alClient);
    FPanel->SetBevelInner(bvNone);
    FPanel->SetBevelOuter(bvNone);
    FPanel->SetBorderStyle(bsSingle);
    FPanel->SetColor(clWindow);
    FPanel->Font()->SetColor(clWindowText);
    FPanel->Font()->SetSize(18);
}

// =============================================================================================
// TrptFontComboBox

TrptFontComboBox::TrptFontComboBox(TComponent* AOwner) : TrptCustomComboBox(AOwner) {
    if (!IsDesigning()) {
        FFontViewForm = new TrptFontPreview(AOwner ? AOwner : this);
        FFontViewForm->SetVisible(false);
    }
    FTrueTypeBMP = TypePicture(true);
    FDeviceBMP = TypePicture(false);
    SetDropDownCount(12);
    FWidth = 150;
    FEditOffset = 16;
    FReadOnly = true;
    ItemHeightFromFont(FTrueTypeBMP->Height() + 1);
}

TrptFontComboBox::~TrptFontComboBox() = default;

QString TrptFontComboBox::RegKey() const {
    return FRegKey.isEmpty() ? DefaultMRUKey : FRegKey;
}

int TrptFontComboBox::ItemFontType(int Index) const {
    if (Index < 0 || Index >= Items()->Count()) return 0;
    return static_cast<int>(reinterpret_cast<quintptr>(Items()->Objects(Index)));
}

std::vector<std::pair<QString, int>> TrptFontComboBox::EnumFonts() {
    std::vector<std::pair<QString, int>> result;
    for (const QString& f : QFontDatabase::families())
        result.emplace_back(f,
                            QFontDatabase::isSmoothlyScalable(f) ? rptTrueTypeFontType : rptRasterFontType);
    return result;
}

void TrptFontComboBox::PopulateList() {
    FUpdate = true;
    // Sorted, each name once with the type of its first occurrence.
    std::vector<std::pair<QString, int>> fonts;
    for (const auto& f : EnumFonts()) {
        if (f.first.isEmpty()) continue;
        if (std::none_of(fonts.begin(), fonts.end(), [&](const auto& g) { return g.first == f.first; }))
            fonts.push_back(f);
    }
    std::sort(fonts.begin(), fonts.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    TStrings* items = Items();
    items->BeginUpdate();
    items->Clear();
    for (const auto& f : fonts)
        items->AddObject(f.first, reinterpret_cast<TObject*>(static_cast<quintptr>(f.second)));
    FNumused = -1;
    if (FShowMRU) {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.OpenKey(RegKey(), true)) {
            for (int n = MRUSlots - 1; n >= 0; --n) {
                const QString nameKey = QStringLiteral("Font%1").arg(n);
                const QString typeKey = QStringLiteral("FontType%1").arg(n);
                QString name;
                int type = 0;
                try {
                    name = reg.ReadString(nameKey);
                    if (reg.ValueExists(typeKey)) type = reg.ReadInteger(typeKey);
                } catch (const ERegistryException&) {
                    name.clear(); // a value of the wrong kind counts as an unused slot
                }
                const int at = name.isEmpty() ? -1 : items->IndexOf(name);
                if (at >= 0) {
                    items->InsertObject(0, name, reinterpret_cast<TObject*>(static_cast<quintptr>(type)));
                    ++FNumused;
                } else {
                    reg.WriteString(nameKey, QString());
                    reg.WriteInteger(typeKey, 0);
                }
            }
        }
    }
    items->EndUpdate();
    FUpdate = false;
}

void TrptFontComboBox::Loaded() {
    TrptCustomComboBox::Loaded();
    FontListChanged();
}

void TrptFontComboBox::FontListChanged() {
    if (IsDesigning()) return;
    const QString current = Text();
    PopulateList();
    FUpdate = true;
    const int i = Items()->IndexOf(current);
    SetItemIndex(i >= 0 ? i : (Items()->Count() > 0 ? 0 : -1));
    FUpdate = false;
}

void TrptFontComboBox::FontChanged() {
    TrptCustomComboBox::FontChanged();
    ItemHeightFromFont(FTrueTypeBMP ? FTrueTypeBMP->Height() + 1 : 0);
}

void TrptFontComboBox::ShowSample(int Index) {
    if (!FFontViewForm || Index < 0 || Index >= Items()->Count()) return;
    const QString name = Items()->Get(Index);
    FFontViewForm->Panel()->SetCaption(name);
    FFontViewForm->Panel()->Font()->SetName(name);
}

TBitmap* TrptFontComboBox::TypeBitmap(int Type) const {
    if (Type == rptTrueTypeFontType) return FTrueTypeBMP.get();
    if (Type == rptDeviceFontType) return FDeviceBMP.get();
    return nullptr;
}

void TrptFontComboBox::DrawItem(TCanvas& c, int Index, const TRect& Rect, bool Selected) {
    if (Index < 0 || Index >= Items()->Count()) return;
    if (Selected) ShowSample(Index);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Selected ? clHighlight : clWindow);
    c.FillRect(Rect);
    int x = Rect.Left + 1;
    if (TBitmap* pic = TypeBitmap(ItemFontType(Index))) {
        const int y = Rect.Top + (Rect.Height() - pic->Height()) / 2;
        c.DrawImage(TRect(x, y, x + pic->Width(), y + pic->Height()), pic->ToImage(),
                    QRect(0, 0, pic->Width(), pic->Height()), TImageMode::TransparentColor, clFuchsia);
        x += pic->Width();
    } else {
        x += 15;
    }
    TRect tr(x + 2, Rect.Top, Rect.Right, Rect.Bottom);
    c.Font().SetColor(Selected ? clHighlightText : clWindowText);
    c.Brush().SetStyle(bsClear);
    c.DrawText(Items()->Get(Index), tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    // Lines part the recent fonts from the alphabetical list.
    c.Pen().SetColor(clBtnShadow);
    c.Pen().SetWidth(1);
    c.Pen().SetStyle(psSolid);
    if (Index == FNumused) {
        c.MoveTo(Rect.Left, Rect.Bottom - 2);
        c.LineTo(Rect.Right, Rect.Bottom - 2);
    }
    if (Index == FNumused + 1 && FNumused >= 0) {
        c.MoveTo(Rect.Left, Rect.Top);
        c.LineTo(Rect.Right, Rect.Top);
    }
}

namespace {

// Draws the font list's rows through the font box.
class TFontItemDelegate : public QStyledItemDelegate {
public:
    TFontItemDelegate(TrptFontComboBox* box, QObject* parent) : QStyledItemDelegate(parent), FBox(box) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        TCanvas c;
        c.SetPainter(painter);
        c.SetFont(*FBox->Font());
        const QRect r = option.rect;
        FBox->DrawItem(c, index.row(), TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()),
                       (option.state & QStyle::State_Selected) != 0);
        c.ReleaseDevice();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(FBox->ItemHeight());
        return s;
    }

private:
    TrptFontComboBox* FBox;
};

} // namespace

void TrptFontComboBox::InitWidget() {
    TrptCustomComboBox::InitWidget();
    if (FWidget && Combo()->view())
        Combo()->view()->setItemDelegate(new TFontItemDelegate(this, Combo()->view()));
    if (FWidget)
        QObject::connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, FWidget.data(),
                         [this] { Guarded([this] { FontListChanged(); }); });
}

void TrptFontComboBox::PaintEditPicture(TCanvas& Canvas, const TRect& R) {
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(clWindow);
    Canvas.FillRect(R);
    TBitmap* pic = TypeBitmap(ItemFontType(ItemIndex()));
    if (!pic) return;
    const int y = R.Top + (R.Height() - pic->Height()) / 2;
    Canvas.DrawImage(TRect(R.Left + 1, y, R.Left + 1 + pic->Width(), y + pic->Height()), pic->ToImage(),
                     QRect(0, 0, pic->Width(), pic->Height()), TImageMode::TransparentColor, clFuchsia);
}

void TrptFontComboBox::DoDropDown() {
    // A box made in code was never loaded from a form: fill it when it first opens.
    if (Items()->Count() == 0 && !IsDesigning()) PopulateList();
    // A choice near the top shows the list from its first item, recent fonts included.
    if (ItemIndex() < 5 && FWidget && Combo()->view()) Combo()->view()->scrollToTop();
    TrptCustomComboBox::DoDropDown();
    ShowSample(ItemIndex());
    if (FFontViewForm && FWidget) {
        const QPoint br = FWidget->mapToGlobal(QPoint(Width(), Height()));
        int x = br.x() + 1;
        if (Screen && x + FFontViewForm->Width() > Screen->Width())
            x = FWidget->mapToGlobal(QPoint(0, 0)).x() - 1 - FFontViewForm->Width();
        int y = br.y();
        if (FUpDropdown) y = FWidget->mapToGlobal(QPoint(0, 0)).y() - FFontViewForm->Height();
        FFontViewForm->SetBounds(x, y, FFontViewForm->Width(), FFontViewForm->Height());
        FFontViewForm->SetVisible(true);
    }
}

void TrptFontComboBox::DoCloseUp() {
    if (FFontViewForm) FFontViewForm->SetVisible(false);
    TrptCustomComboBox::DoCloseUp();
    const int sel = ItemIndex();
    if (sel <= 0 || !FShowMRU) return;
    TStrings* items = Items();
    const QString name = items->Get(sel);
    TObject* type = items->Objects(sel);
    const int first = items->IndexOf(name);
    FUpdate = true;
    if (first > FNumused) {
        items->InsertObject(0, name, type);
        if (FNumused + 1 >= MRUSlots)
            items->Delete(MRUSlots); // the oldest recent entry
        else
            ++FNumused;
    } else {
        items->Delete(first);
        items->InsertObject(0, name, type);
    }
    SetItemIndex(0);
    FUpdate = false;
    WriteMRU();
}

void TrptFontComboBox::WriteMRU() {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(RegKey(), true)) return;
    for (int n = 0; n < MRUSlots; ++n) {
        const bool used = n <= FNumused && n < Items()->Count();
        reg.WriteString(QStringLiteral("Font%1").arg(n), used ? Items()->Get(n) : QString());
        reg.WriteInteger(QStringLiteral("FontType%1").arg(n), used ? ItemFontType(n) : 0);
    }
}

void TrptFontComboBox::Select() {
    ShowSample(ItemIndex());
    TrptCustomComboBox::Select();
    if (IsLoading() || FUpdate || !OnClick) return;
    OnClick(this);
}

// =============================================================================================
// TrptComboEdit

TrptComboEdit::TrptComboEdit(TComponent* AOwner) : TComboBox(AOwner) {
    SetStyle(csSimple);
    FHeight = 21;
    FPanel = new TPanel(this);
    FPanel->SetParent(this);
    FPanel->SetBevelOuter(bvNone);
    FButton = new TSpeedButton(this);
    FButton->SetParent(FPanel);
    FButton->SetAlign(alClient);
    FButton->OnClick = [this](TObject*) { ButtonClick(); };
    PlaceButton();
}

void TrptComboEdit::PlaceButton() {
    const int h = Height();
    FPanel->SetBounds(Width() - h + 2, 2, std::max(0, h - 4), std::max(0, h - 4));
    if (FWidget)
        if (QLineEdit* e = Combo()->lineEdit())
            e->setGeometry(2, 2, std::max(0, Width() - h - 4), e->height());
}

void TrptComboEdit::Resize() {
    PlaceButton();
    TComboBox::Resize();
}

TBitmap* TrptComboEdit::Glyph() const {
    return FButton->Glyph();
}
void TrptComboEdit::SetGlyph(const TBitmap* Value) {
    FButton->SetGlyph(Value);
}
QString TrptComboEdit::ButtonHint() const {
    return FButton->Hint();
}
void TrptComboEdit::SetButtonHint(const QString& Value) {
    FButton->SetHint(Value);
}

void TrptComboEdit::SetButtonEnabled(bool Value) {
    FButtonEnabled = Value;
    FButton->SetEnabled(Value && Enabled());
}

void TrptComboEdit::EnabledChanged() {
    TComboBox::EnabledChanged();
    FButton->SetEnabled(Enabled() && FButtonEnabled);
}

void TrptComboEdit::ButtonClick() {
    if (CanFocus()) SetFocus();
    if (OnButtonClick) OnButtonClick(this);
}

void TrptComboEdit::KeyPress(QChar& Key) {
    if (Key == QChar(13) || Key == QChar(27)) {
        if (TCustomForm* f = GetParentForm(this)) {
            const Word vk = Key == QChar(13) ? VK_RETURN : VK_ESCAPE;
            // Offered first, so the form's default and cancel buttons react; then handled as usual.
            f->DialogKeyFrom(this, vk, TShiftState());
        }
    }
    TComboBox::KeyPress(Key);
}
