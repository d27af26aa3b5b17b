#include "report/core/rptPropertyEditors.h"

#include "platform/gfx/Colors.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/GraphicsClasses.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/ui/Menus.h"
#include "platform/ui/UIServices.h"
#include "platform/ui/UiTypes.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassComponent.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"

#include <QFontDatabase>

#include <algorithm>

namespace {

[[noreturn]] void BadIndex(int Index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

struct TIdent {
    int Value;
    const char* Name;
};

const TIdent Charsets[] = {
    {0, "ANSI_CHARSET"},         {1, "DEFAULT_CHARSET"},      {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},         {128, "SHIFTJIS_CHARSET"},   {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},      {134, "GB2312_CHARSET"},     {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},      {162, "TURKISH_CHARSET"},    {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},     {178, "ARABIC_CHARSET"},     {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"},    {222, "THAI_CHARSET"},       {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};

const TIdent Cursors[] = {
    {crDefault, "crDefault"},   {crNone, "crNone"},         {crArrow, "crArrow"},
    {crCross, "crCross"},       {crIBeam, "crIBeam"},       {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},     {crHSplit, "crHSplit"},     {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"}, {crNo, "crNo"},
    {crAppStart, "crAppStart"}, {crHelp, "crHelp"},         {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
};

const char* const ModalResults[] = {"mrNone",  "mrOk",   "mrCancel",   "mrAbort",    "mrRetry",
                                    "mrIgnore", "mrYes", "mrNo",       "mrClose",    "mrHelp",
                                    "mrTryAgain", "mrContinue", "mrAll", "mrNoToAll", "mrYesToAll"};

template <size_t N> bool ValueToIdent(const TIdent (&Table)[N], int Value, QString& Ident) {
    for (const TIdent& i : Table)
        if (i.Value == Value) {
            Ident = QString::fromLatin1(i.Name);
            return true;
        }
    return false;
}

template <size_t N> bool IdentToValue(const TIdent (&Table)[N], const QString& Ident, int& Value) {
    for (const TIdent& i : Table)
        if (SameText(Ident, QString::fromLatin1(i.Name))) {
            Value = i.Value;
            return true;
        }
    return false;
}

// The 108 standard shortcuts in list order.
std::vector<TShortCut> StandardShortCuts() {
    std::vector<TShortCut> list;
    const TShiftState ctrl{ssCtrl}, ctrlAlt{ssCtrl, ssAlt}, shift{ssShift}, shiftCtrl{ssShift, ssCtrl},
        alt{ssAlt}, shiftAlt{ssShift, ssAlt}, none;
    for (Word k = 'A'; k <= 'Z'; ++k)
        list.push_back(ShortCut(k, ctrl));
    for (Word k = 'A'; k <= 'Z'; ++k)
        list.push_back(ShortCut(k, ctrlAlt));
    for (const TShiftState& s : {none, ctrl, shift, shiftCtrl})
        for (Word k = VK_F1; k <= VK_F12; ++k)
            list.push_back(ShortCut(k, s));
    for (const TShiftState& s : {none, shift, ctrl})
        list.push_back(ShortCut(VK_INSERT, s));
    for (const TShiftState& s : {none, shift, ctrl})
        list.push_back(ShortCut(VK_DELETE, s));
    list.push_back(ShortCut(VK_BACK, alt));
    list.push_back(ShortCut(VK_BACK, shiftAlt));
    return list;
}

// An integer typed in the inspector: decimal, or hexadecimal with "$".
Int64 TextToInt(const QString& Text) {
    return StrToInt(Text.trimmed());
}

} // namespace

bool CharsetToIdent(int Charset, QString& Ident) {
    return ValueToIdent(Charsets, Charset, Ident);
}
bool IdentToCharset(const QString& Ident, int& Charset) {
    return IdentToValue(Charsets, Ident, Charset);
}
bool CursorToIdent(int Cursor, QString& Ident) {
    return ValueToIdent(Cursors, Cursor, Ident);
}
bool IdentToCursor(const QString& Ident, int& Cursor) {
    return IdentToValue(Cursors, Ident, Cursor);
}

// ---------------------------------------------------------------------------------------------
// Base editor

KORVEL_CLASS_INFO(TrptPropertyEditor) {}

TrptPropertyEditor::TrptPropertyEditor(TComponent* Designer)
    : FDesigner(dynamic_cast<TrptCustomDesigner*>(Designer)), FValues(std::make_unique<TStringList>()) {}

TrptPropertyEditor::~TrptPropertyEditor() = default;

void TrptPropertyEditor::InvalidValue() {
    throw ErptInvalidPropertyValue(GlobalResources()->Get(QStringLiteral("prInvProp")));
}

void TrptPropertyEditor::AddObject(TObject* Obj, const TPropInfo* Prop) {
    FCompList.push_back(Obj);
    FPropList.push_back(Prop);
}

bool TrptPropertyEditor::Edit() {
    GetValues();
    if (FValues->Count() == 0) return false;
    const int i = FValues->IndexOf(GetValue());
    const int next = (i < 0 || i >= FValues->Count() - 1) ? 0 : i + 1;
    SetValue(FValues->Get(next));
    return true;
}

TrptPropertyAttributes TrptPropertyEditor::GetAttributes() {
    return TrptPropertyAttributes{paMultiSelect};
}

QString TrptPropertyEditor::GetName() {
    return PropInfo() ? PropInfo()->Name() : QString();
}

int TrptPropertyEditor::GetExtraLBSize() {
    return FItemHeight + 2;
}

QString TrptPropertyEditor::GetValue() {
    return QStringLiteral("(Unknown)");
}

void TrptPropertyEditor::GetValues() {
    FValues->Clear();
    FValues->SetSorted(GetAttributes().Contains(paSortList));
}

void TrptPropertyEditor::SetValue(const QString& Value) {
    (void)Value;
}

void TrptPropertyEditor::OnDrawLBItem(TCanvas* Canvas, int Index, const TRect& ARect, bool Selected) {
    (void)Selected;
    if (!Canvas || Index < 0 || Index >= FValues->Count()) return;
    Canvas->FillRect(ARect);
    Canvas->TextOut(ARect.Left + FItemHeight + 4, ARect.Top + 1, FValues->Get(Index));
    Canvas->Pen().SetColor(TColor(8421504));
}

void TrptPropertyEditor::OnDrawItem(TCanvas* Canvas, const TRect& ARect) {
    if (!Canvas) return;
    Canvas->TextOut(ARect.Left + FItemHeight - 2, ARect.Top, GetValue());
    Canvas->Pen().SetColor(TColor(8421504));
}

Int64 TrptPropertyEditor::GetOrdValue() const {
    return GetOrdProp(Component(), PropInfo());
}

double TrptPropertyEditor::GetFloatValue() const {
    return GetFloatProp(Component(), PropInfo());
}

QString TrptPropertyEditor::GetStrValue() const {
    return GetStrProp(Component(), PropInfo());
}

TObject* TrptPropertyEditor::GetObjValue() const {
    return GetObjectProp(Component(), PropInfo());
}

void TrptPropertyEditor::SetOrdValue(Int64 Value) {
    for (size_t i = 0; i < FCompList.size(); ++i)
        if (FPropList[i]->IsWritable()) SetOrdProp(FCompList[i], FPropList[i], Value);
}

void TrptPropertyEditor::SetFloatValue(double Value) {
    for (size_t i = 0; i < FCompList.size(); ++i)
        if (FPropList[i]->IsWritable()) SetFloatProp(FCompList[i], FPropList[i], Value);
}

void TrptPropertyEditor::SetStrValue(const QString& Value) {
    for (size_t i = 0; i < FCompList.size(); ++i)
        if (FPropList[i]->IsWritable()) SetStrProp(FCompList[i], FPropList[i], Value);
}

void TrptPropertyEditor::SetObjValue(TObject* Value) {
    for (size_t i = 0; i < FCompList.size(); ++i)
        if (FPropList[i]->IsWritable()) SetObjectProp(FCompList[i], FPropList[i], Value);
}

TrptComponent* TrptPropertyEditor::GetRptComponent() const {
    return dynamic_cast<TrptComponent*>(Component());
}

void TrptPropertyEditor::AddValue(const QString& S) {
    FValues->Add(S);
}

std::unique_ptr<TrptPropertyEditor> CreatePropertyEditor(TrptPropertyEditorClass EditorClass,
                                                         TrptCustomDesigner* Designer) {
    if (!EditorClass || !EditorClass->InheritsFrom(TrptPropertyEditor::StaticClassInfo()))
        throw EInvalidArgument(QStringLiteral("Not a property editor class"));
    return std::unique_ptr<TrptPropertyEditor>(
        static_cast<TrptPropertyEditor*>(EditorClass->CreateInstance(Designer)));
}

// ---------------------------------------------------------------------------------------------
// Standard editors

KORVEL_CLASS_INFO(TrptIntegerProperty) {}

QString TrptIntegerProperty::GetValue() {
    return QString::number(GetOrdValue());
}

void TrptIntegerProperty::SetValue(const QString& Value) {
    SetOrdValue(TextToInt(Value));
}

KORVEL_CLASS_INFO(TrptFloatProperty) {}

QString TrptFloatProperty::GetValue() {
    return FloatToStr(GetFloatValue());
}

void TrptFloatProperty::SetValue(const QString& Value) {
    QString s = Value.trimmed();
    const QChar sep = FormatSettings().DecimalSeparator;
    s.replace(QLatin1Char('.'), sep);
    s.replace(QLatin1Char(','), sep);
    SetFloatValue(StrToFloat(s));
}

KORVEL_CLASS_INFO(TrptCharProperty) {}

QString TrptCharProperty::GetValue() {
    const Int64 code = GetOrdValue();
    if (code >= 33 && code <= 255) return QString(QChar(static_cast<char16_t>(code)));
    return QLatin1Char('#') + QString::number(code);
}

void TrptCharProperty::SetValue(const QString& Value) {
    if (Value.isEmpty()) {
        SetOrdValue(0);
        return;
    }
    if (Value.size() == 1) {
        SetOrdValue(Value[0].unicode());
        return;
    }
    bool ok = false;
    const int code = Value.mid(1).toInt(&ok);
    if (!Value.startsWith(QLatin1Char('#')) || !ok || code < 0 || code > 0xFFFF) InvalidValue();
    SetOrdValue(code);
}

KORVEL_CLASS_INFO(TrptStringProperty) {}

QString TrptStringProperty::GetValue() {
    return GetStrValue();
}

void TrptStringProperty::SetValue(const QString& Value) {
    SetStrValue(Value);
}

KORVEL_CLASS_INFO(TrptEnumProperty) {}

TrptPropertyAttributes TrptEnumProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paSortList, paMultiSelect};
}

QString TrptEnumProperty::GetValue() {
    return GetEnumName(PropInfo()->PropType(), static_cast<int>(GetOrdValue()));
}

void TrptEnumProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    const TTypeInfo* type = PropInfo()->PropType();
    for (int i = type->MinValue(); i <= type->MaxValue(); ++i)
        AddValue(GetEnumName(type, i));
}

void TrptEnumProperty::SetValue(const QString& Value) {
    const int v = GetEnumValue(PropInfo()->PropType(), Value);
    if (v < 0) InvalidValue();
    SetOrdValue(v);
}

KORVEL_CLASS_INFO(TrptSetProperty) {}

TrptPropertyAttributes TrptSetProperty::GetAttributes() {
    return TrptPropertyAttributes{paMultiSelect, paSubProperties, paReadOnly};
}

QString TrptSetProperty::GetValue() {
    return SetToString(PropInfo()->PropType(), GetOrdValue(), true);
}

KORVEL_CLASS_INFO(TrptSetElementProperty) {}

TrptPropertyAttributes TrptSetElementProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paSortList, paMultiSelect};
}

QString TrptSetElementProperty::GetName() {
    const TTypeInfo* comp = PropInfo() ? PropInfo()->PropType()->CompType() : nullptr;
    return comp ? GetEnumName(comp, FElement) : QString();
}

QString TrptSetElementProperty::GetValue() {
    const bool set = FElement >= 0 && FElement <= 31 && (GetOrdValue() >> FElement) & 1;
    return set ? QStringLiteral("True") : QStringLiteral("False");
}

void TrptSetElementProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    AddValue(QStringLiteral("False"));
    AddValue(QStringLiteral("True"));
}

void TrptSetElementProperty::SetValue(const QString& Value) {
    bool on;
    if (SameText(Value, QStringLiteral("True")))
        on = true;
    else if (SameText(Value, QStringLiteral("False")))
        on = false;
    else
        InvalidValue();
    // Members above 31 do not fit the stored value.
    if (FElement < 0 || FElement > 31) return;
    Int64 v = GetOrdValue();
    if (on)
        v |= Int64(1) << FElement;
    else
        v &= ~(Int64(1) << FElement);
    SetOrdValue(v);
}

KORVEL_CLASS_INFO(TrptClassProperty) {}

TrptPropertyAttributes TrptClassProperty::GetAttributes() {
    return TrptPropertyAttributes{paMultiSelect, paSubProperties, paReadOnly};
}

QString TrptClassProperty::GetValue() {
    return QLatin1Char('(') + PropInfo()->TypeName() + QLatin1Char(')');
}

KORVEL_CLASS_INFO(TrptComponentProperty) {}

TrptPropertyAttributes TrptComponentProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paSortList, paMultiSelect};
}

QString TrptComponentProperty::GetValue() {
    auto* c = dynamic_cast<TComponent*>(GetObjValue());
    return c ? c->Name() : QString();
}

void TrptComponentProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    TrptComponent* obj = GetRptComponent();
    if (!obj) return;
    TrptComponent* root = obj;
    if (dynamic_cast<TrptReportComponent*>(obj) && obj->Page()) root = obj->Page();
    const TClassInfo* cls = PropInfo()->PropClass();
    for (TrptComponent* c : root->AllObjects())
        if (c != obj && (!cls || ClassInfoOf(c)->InheritsFrom(cls)) && !c->Name().isEmpty()) AddValue(c->Name());
}

void TrptComponentProperty::SetValue(const QString& Value) {
    if (Value.isEmpty()) {
        SetObjValue(nullptr);
        return;
    }
    TrptComponent* obj = GetRptComponent();
    TrptReport* report = obj ? obj->Report() : nullptr;
    TrptComponent* found = nullptr;
    if (report) found = SameText(report->Name(), Value) ? report : report->FindObject(Value);
    const TClassInfo* cls = PropInfo()->PropClass();
    if (!found || (cls && !ClassInfoOf(found)->InheritsFrom(cls))) InvalidValue();
    SetObjValue(found);
}

KORVEL_CLASS_INFO(TrptNameProperty) {}

TrptPropertyAttributes TrptNameProperty::GetAttributes() {
    return TrptPropertyAttributes();
}

KORVEL_CLASS_INFO(TrptColorProperty) {}

TrptPropertyAttributes TrptColorProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paMultiSelect, paOwnerDraw};
}

QString TrptColorProperty::GetValue() {
    return ColorToString(TColor(GetOrdValue()));
}

void TrptColorProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    GetColorValues([this](const QString& S) { AddValue(S); });
}

void TrptColorProperty::SetValue(const QString& Value) {
    TColor c;
    if (IdentToColor(Value.trimmed(), c))
        SetOrdValue(c);
    else
        SetOrdValue(StringToColor(Value.trimmed()));
}

bool TrptColorProperty::Edit() {
    TColor c = TColor(GetOrdValue());
    if (!UIServices().SelectColor(c)) return false;
    SetOrdValue(c);
    return true;
}

void TrptColorProperty::OnDrawLBItem(TCanvas* Canvas, int Index, const TRect& ARect, bool Selected) {
    TrptPropertyEditor::OnDrawLBItem(Canvas, Index, ARect, Selected);
    if (!Canvas || Index < 0 || Index >= Values()->Count()) return;
    TColor c = clBlack;
    if (!IdentToColor(Values()->Get(Index), c)) return;
    Canvas->Brush().SetColor(c);
    Canvas->Rectangle(ARect.Left + 2, ARect.Top + 2, ARect.Left + 2 + (ARect.Height() - 4),
                      ARect.Bottom - 2);
}

void TrptColorProperty::OnDrawItem(TCanvas* Canvas, const TRect& ARect) {
    TrptPropertyEditor::OnDrawItem(Canvas, ARect);
    if (!Canvas) return;
    Canvas->Brush().SetColor(TColor(GetOrdValue()));
    Canvas->Rectangle(ARect.Left, ARect.Top + 1, ARect.Left + ARect.Height() - 5, ARect.Bottom - 4);
}

KORVEL_CLASS_INFO(TrptFontProperty) {}

TrptPropertyAttributes TrptFontProperty::GetAttributes() {
    return TrptPropertyAttributes{paDialog, paMultiSelect, paSubProperties, paReadOnly};
}

bool TrptFontProperty::Edit() {
    auto* font = dynamic_cast<TFont*>(GetObjValue());
    if (!font) return false;
    TFontChoice choice;
    choice.Name = font->Name();
    choice.Size = font->Size();
    choice.Color = font->Color();
    int style = 0;
    for (int i = 0; i < 4; ++i)
        if (font->Style().Contains(static_cast<TFontStyle>(i))) style |= 1 << i;
    choice.Style = style;
    if (!UIServices().SelectFont(choice)) return false;
    TFont chosen;
    chosen.Assign(*font);
    chosen.SetName(choice.Name);
    chosen.SetSize(choice.Size);
    chosen.SetColor(choice.Color);
    TFontStyles styles;
    for (int i = 0; i < 4; ++i)
        if (choice.Style & (1 << i)) styles.Include(static_cast<TFontStyle>(i));
    chosen.SetStyle(styles);
    // Through the setter, so that each object takes the font as its own.
    SetObjValue(&chosen);
    return true;
}

KORVEL_CLASS_INFO(TrptFontNameProperty) {}

TrptPropertyAttributes TrptFontNameProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paSortList, paMultiSelect};
}

void TrptFontNameProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    for (const QString& family : QFontDatabase::families())
        AddValue(family);
}

KORVEL_CLASS_INFO(TrptFontCharsetProperty) {}

TrptPropertyAttributes TrptFontCharsetProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paSortList, paMultiSelect};
}

QString TrptFontCharsetProperty::GetValue() {
    QString ident;
    const int v = static_cast<int>(GetOrdValue());
    return CharsetToIdent(v, ident) ? ident : QString::number(v);
}

void TrptFontCharsetProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    for (const TIdent& i : Charsets)
        AddValue(QString::fromLatin1(i.Name));
}

void TrptFontCharsetProperty::SetValue(const QString& Value) {
    int v = 0;
    if (IdentToCharset(Value.trimmed(), v))
        SetOrdValue(v);
    else
        SetOrdValue(TextToInt(Value));
}

KORVEL_CLASS_INFO(TrptModalResultProperty) {}

TrptPropertyAttributes TrptModalResultProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paMultiSelect};
}

QString TrptModalResultProperty::GetValue() {
    const Int64 v = GetOrdValue();
    if (v >= 0 && v <= 14) return QString::fromLatin1(ModalResults[v]);
    return QString::number(v);
}

void TrptModalResultProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    for (const char* name : ModalResults)
        AddValue(QString::fromLatin1(name));
}

void TrptModalResultProperty::SetValue(const QString& Value) {
    const QString text = Value.isEmpty() ? QStringLiteral("0") : Value.trimmed();
    for (int i = 0; i <= 14; ++i)
        if (SameText(text, QString::fromLatin1(ModalResults[i]))) {
            SetOrdValue(i);
            return;
        }
    SetOrdValue(TextToInt(text));
}

KORVEL_CLASS_INFO(TrptShortCutProperty) {}

TrptPropertyAttributes TrptShortCutProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paMultiSelect};
}

QString TrptShortCutProperty::GetValue() {
    const auto v = static_cast<TShortCut>(GetOrdValue());
    return v == 0 ? QStringLiteral("(None)") : ShortCutToText(v);
}

void TrptShortCutProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    AddValue(QStringLiteral("(None)"));
    for (TShortCut s : StandardShortCuts())
        AddValue(ShortCutToText(s));
}

void TrptShortCutProperty::SetValue(const QString& Value) {
    const QString text = Value.trimmed();
    if (text.isEmpty() || SameText(text, QStringLiteral("(None)"))) {
        SetOrdValue(0);
        return;
    }
    const TShortCut s = TextToShortCut(text);
    // A text that names no shortcut would clear the row's shortcut without a word.
    if (s == 0) InvalidValue();
    SetOrdValue(s);
}

KORVEL_CLASS_INFO(TrptCursorProperty) {}

TrptPropertyAttributes TrptCursorProperty::GetAttributes() {
    return TrptPropertyAttributes{paValueList, paSortList, paMultiSelect};
}

QString TrptCursorProperty::GetValue() {
    QString ident;
    const int v = static_cast<int>(GetOrdValue());
    return CursorToIdent(v, ident) ? ident : QString::number(v);
}

void TrptCursorProperty::GetValues() {
    TrptPropertyEditor::GetValues();
    for (const TIdent& i : Cursors)
        AddValue(QString::fromLatin1(i.Name));
}

void TrptCursorProperty::SetValue(const QString& Value) {
    int v = 0;
    if (IdentToCursor(Value.trimmed(), v))
        SetOrdValue(v);
    else
        SetOrdValue(TextToInt(Value));
}

KORVEL_CLASS_INFO(TrptDateTimeProperty) {}

QString TrptDateTimeProperty::GetValue() {
    const double v = GetFloatValue();
    return v == 0 ? QString() : DateTimeToStr(v);
}

void TrptDateTimeProperty::SetValue(const QString& Value) {
    SetFloatValue(Value.isEmpty() ? 0.0 : StrToDateTime(Value));
}

KORVEL_CLASS_INFO(TrptDateProperty) {}

QString TrptDateProperty::GetValue() {
    const double v = GetFloatValue();
    return v == 0 ? QString() : DateToStr(v);
}

void TrptDateProperty::SetValue(const QString& Value) {
    SetFloatValue(Value.isEmpty() ? 0.0 : StrToDate(Value));
}

KORVEL_CLASS_INFO(TrptTimeProperty) {}

QString TrptTimeProperty::GetValue() {
    const double v = GetFloatValue();
    return v == 0 ? QString() : TimeToStr(v);
}

void TrptTimeProperty::SetValue(const QString& Value) {
    SetFloatValue(Value.isEmpty() ? 0.0 : StrToTime(Value));
}

void RegisterStandardEditors() {
    // Start-up code may run more than once (tests, a second report library user).
    TrptPropertyEditorCollection* registry = PropertyEditorRegistry();
    for (int i = 0; i < registry->Count(); ++i)
        if (registry->Items(i)->EditorClass() == TrptNameProperty::StaticClassInfo()) return;
    TrptStandardPropertyEditors e;
    e.NameProperty = TrptNameProperty::StaticClassInfo();
    e.ColorProperty = TrptColorProperty::StaticClassInfo();
    e.FontProperty = TrptFontProperty::StaticClassInfo();
    e.FontNameProperty = TrptFontNameProperty::StaticClassInfo();
    e.FontCharsetProperty = TrptFontCharsetProperty::StaticClassInfo();
    e.ModalResultProperty = TrptModalResultProperty::StaticClassInfo();
    e.ShortCutProperty = TrptShortCutProperty::StaticClassInfo();
    e.CursorProperty = TrptCursorProperty::StaticClassInfo();
    e.DateTimeProperty = TrptDateTimeProperty::StaticClassInfo();
    e.DateProperty = TrptDateProperty::StaticClassInfo();
    e.TimeProperty = TrptTimeProperty::StaticClassInfo();
    RegisterStandardPropertyEditors(e);
}

// ---------------------------------------------------------------------------------------------
// Property lists

KORVEL_CLASS_INFO(TrptPropertyItem) {}

TrptPropertyItem::TrptPropertyItem(TCollection* Collection) : TCollectionItem(Collection) {}

TrptPropertyItem::~TrptPropertyItem() = default;

void TrptPropertyItem::SetEditor(std::unique_ptr<TrptPropertyEditor> Value) {
    FEditor = std::move(Value);
}

void TrptPropertyItem::SetSubProperty(std::unique_ptr<TrptPropertyList> Value) {
    FSubProperty = std::move(Value);
}

KORVEL_CLASS_INFO(TrptPropertyList) {}

TrptPropertyList::TrptPropertyList(TrptCustomDesigner* Designer)
    : TCollection(TrptPropertyItem::StaticClassInfo()), FDesigner(Designer) {}

TrptPropertyList::~TrptPropertyList() = default;

TrptPropertyItem* TrptPropertyList::Add() {
    return static_cast<TrptPropertyItem*>(TCollection::Add());
}

TrptPropertyItem* TrptPropertyList::Items(int Index) const {
    if (Index < 0 || Index >= Count()) BadIndex(Index);
    return static_cast<TrptPropertyItem*>(TCollection::Items(Index));
}

TrptPropertyItem* TrptPropertyList::Find(const QString& Name) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Editor()->PropInfo()->Name() == Name) return Items(i);
    return nullptr;
}

void TrptPropertyList::SetComponent(TObject* Value) {
    Clear();
    FComponent = Value;
    if (Value) FillProperties(Value);
}

namespace {

// The default editor of a property's kind, or none for kinds that get no row.
TrptPropertyEditorClass DefaultEditor(const TPropInfo* Prop) {
    switch (Prop->Kind()) {
    case tkInteger: return TrptIntegerProperty::StaticClassInfo();
    case tkChar: return TrptCharProperty::StaticClassInfo();
    case tkEnumeration: return TrptEnumProperty::StaticClassInfo();
    case tkFloat: return TrptFloatProperty::StaticClassInfo();
    case tkString: return TrptStringProperty::StaticClassInfo();
    case tkSet: return TrptSetProperty::StaticClassInfo();
    case tkComponent: return TrptComponentProperty::StaticClassInfo();
    case tkClass:
    case tkStrings: return TrptClassProperty::StaticClassInfo();
    default: return nullptr;
    }
}

// The editor class for the property, or none when the row is hidden or its kind has no editor.
TrptPropertyEditorClass ChooseEditor(const TTypeInfo* Type, TObject* Obj, const QString& Name,
                                     TrptPropertyEditorClass Default) {
    TrptPropertyEditorCollection* registry = PropertyEditorRegistry();
    const int i = registry->GetPropertyEditor(Type, Obj, Name);
    if (i < 0) return Default;
    return registry->Items(i)->EditorClass();
}

} // namespace

void TrptPropertyList::FillProperties(TObject* Obj) {
    std::vector<const TPropInfo*> props;
    for (const TPropInfo* p : ClassInfoOf(Obj)->Props())
        if (p->Kind() != tkUnknown && p->IsReadable()) props.push_back(p);
    std::stable_sort(props.begin(), props.end(), [](const TPropInfo* a, const TPropInfo* b) {
        return CompareText(a->Name(), b->Name()) < 0;
    });
    for (const TPropInfo* p : props) {
        const TrptPropertyEditorClass def = DefaultEditor(p);
        if (!def) continue;
        const TrptPropertyEditorClass cls = ChooseEditor(p->PropType(), Obj, p->Name(), def);
        if (!cls) continue;
        std::unique_ptr<TrptPropertyEditor> editor = CreatePropertyEditor(cls, FDesigner);
        editor->AddObject(Obj, p);
        TrptPropertyItem* item = Add();
        item->SetEditor(std::move(editor));
        if (p->Kind() == tkSet) {
            auto sub = std::make_unique<TrptPropertyList>(FDesigner);
            sub->FComponent = Obj;
            sub->FParent = this;
            sub->FillSetElements(Obj, p);
            item->SetSubProperty(std::move(sub));
        } else if (p->Kind() == tkClass || p->Kind() == tkStrings) {
            TObject* value = GetObjectProp(Obj, p);
            if (!value) continue;
            auto sub = std::make_unique<TrptPropertyList>(FDesigner);
            sub->FParent = this;
            sub->SetComponent(value);
            if (sub->Count() > 0) item->SetSubProperty(std::move(sub));
        }
    }
}

void TrptPropertyList::FillSetElements(TObject* Obj, const TPropInfo* Prop) {
    const TTypeInfo* comp = Prop->PropType()->CompType();
    if (!comp) return;
    for (int i = comp->MinValue(); i <= comp->MaxValue(); ++i) {
        const TrptPropertyEditorClass cls =
            ChooseEditor(comp, Obj, GetEnumName(comp, i), TrptSetElementProperty::StaticClassInfo());
        if (!cls) continue;
        std::unique_ptr<TrptPropertyEditor> editor = CreatePropertyEditor(cls, FDesigner);
        editor->AddObject(Obj, Prop);
        if (auto* element = dynamic_cast<TrptSetElementProperty*>(editor.get())) element->SetElement(i);
        Add()->SetEditor(std::move(editor));
    }
}

namespace {

// The row of Other with the editor's name and kind of property, or none. Set members are told
// apart by their member names.
const TrptPropertyItem* Counterpart(TrptPropertyEditor* E, const TrptPropertyList* Other) {
    for (int j = 0; j < Other->Count(); ++j) {
        TrptPropertyEditor* o = Other->Items(j)->Editor();
        if (o->GetName() == E->GetName() && o->PropInfo()->Kind() == E->PropInfo()->Kind())
            return Other->Items(j);
    }
    return nullptr;
}

// Keeps the rows of List that are multi-select and that Other has too; sub-rows likewise.
void Reduce(TrptPropertyList* List, const TrptPropertyList* Other) {
    for (int i = List->Count() - 1; i >= 0; --i) {
        TrptPropertyItem* item = List->Items(i);
        TrptPropertyEditor* e = item->Editor();
        const TrptPropertyItem* other =
            e->GetAttributes().Contains(paMultiSelect) ? Counterpart(e, Other) : nullptr;
        if (!other) {
            List->Delete(i);
            continue;
        }
        if (item->SubProperty()) {
            if (other->SubProperty())
                Reduce(item->SubProperty(), other->SubProperty());
            else
                item->SetSubProperty(nullptr);
        }
    }
}

// Row by row, sub-rows included, the other list's object and property go to the first's editor.
void Join(TrptPropertyList* First, const TrptPropertyList* Other) {
    for (int i = 0; i < First->Count(); ++i) {
        TrptPropertyItem* a = First->Items(i);
        const TrptPropertyItem* b = Counterpart(a->Editor(), Other);
        if (!b) continue;
        a->Editor()->AddObject(b->Editor()->Component(), b->Editor()->PropInfo());
        if (a->SubProperty() && b->SubProperty()) Join(a->SubProperty(), b->SubProperty());
    }
}

} // namespace

std::unique_ptr<TrptPropertyList> BuildCommonPropertyList(const std::vector<TObject*>& Objects,
                                                          TrptCustomDesigner* Designer) {
    if (Objects.empty()) return nullptr;
    std::vector<std::unique_ptr<TrptPropertyList>> lists;
    for (TObject* o : Objects) {
        auto list = std::make_unique<TrptPropertyList>(Designer);
        list->SetComponent(o);
        lists.push_back(std::move(list));
    }
    TrptPropertyList* first = lists.front().get();
    for (size_t i = 1; i < lists.size(); ++i)
        Reduce(first, lists[i].get());
    for (size_t i = 1; i < lists.size(); ++i) {
        Reduce(lists[i].get(), first);
        Join(first, lists[i].get());
    }
    return std::move(lists.front());
}
