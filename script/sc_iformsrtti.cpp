#include "script/sc_iformsrtti.h"

#include "platform/sys/Program.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "script/sc_iclassesrtti.h"
#include "script/sc_ievents.h"

using namespace scbind;

namespace sc_iformsrtti {

namespace {

bool Is(const QString& Name, const char* Literal) {
    return Name == QLatin1String(Literal);
}

void AddIntConsts(TscScript* S, std::initializer_list<std::pair<const char*, int>> Consts) {
    for (const auto& [name, value] : Consts)
        S->AddConst(QString::fromLatin1(name), QStringLiteral("Integer"), Variant(value));
}

// The canvas a form paints with; the controls layer keeps it for painting code, so it is
// reached through the class that may name it.
struct TFormCanvas : TCustomForm {
    static TCanvas* Of(TCustomForm& Form) {
        TCanvas* (TControl::*canvas)() = &TFormCanvas::Canvas;
        return (Form.*canvas)();
    }
};

} // namespace

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    TscScript* s = FScript;
    AddIntConsts(s, {{"mrNone", 0},
                     {"mrOk", 1},
                     {"mrCancel", 2},
                     {"mrAbort", 3},
                     {"mrRetry", 4},
                     {"mrIgnore", 5},
                     {"mrYes", 6},
                     {"mrNo", 7},
                     {"mrAll", 12},
                     {"mrNoToAll", 13},
                     {"mrYesToAll", 14}});
    AddIntConsts(s, {{"crDefault", 0},     {"crNone", -1},       {"crArrow", -2},    {"crCross", -3},
                     {"crIBeam", -4},      {"crSize", -22},      {"crSizeNESW", -6}, {"crSizeNS", -7},
                     {"crSizeNWSE", -8},   {"crSizeWE", -9},     {"crUpArrow", -10}, {"crHourGlass", -11},
                     {"crDrag", -12},      {"crNoDrop", -13},    {"crHSplit", -14},  {"crVSplit", -15},
                     {"crMultiDrag", -16}, {"crSQLWait", -17},   {"crNo", -18},      {"crAppStart", -19},
                     {"crHelp", -20},      {"crHandPoint", -21}, {"crSizeAll", -22}});
    AddIntConsts(s, {{"bsNone", 0},
                     {"bsSingle", 1},
                     {"bsSizeable", 2},
                     {"bsDialog", 3},
                     {"bsToolWindow", 4},
                     {"bsSizeToolWin", 5}});
    AddIntConsts(s, {{"VK_RBUTTON", 2}, {"VK_CANCEL", 3},  {"VK_MBUTTON", 4},  {"VK_BACK", 8},
                     {"VK_TAB", 9},     {"VK_RETURN", 13}, {"VK_SHIFT", 16},   {"VK_CONTROL", 17},
                     {"VK_MENU", 18},   {"VK_PAUSE", 19},  {"VK_CAPITAL", 20}, {"VK_ESCAPE", 27},
                     {"VK_SPACE", 32},  {"VK_PRIOR", 33},  {"VK_NEXT", 34},    {"VK_END", 35},
                     {"VK_HOME", 36},   {"VK_LEFT", 37},   {"VK_UP", 38},      {"VK_RIGHT", 39},
                     {"VK_DOWN", 40},   {"VK_INSERT", 45}, {"VK_DELETE", 46},  {"VK_HELP", 47},
                     {"VK_LWIN", 91},   {"VK_RWIN", 92},   {"VK_APPS", 93}});
    for (int i = 0; i <= 9; ++i)
        s->AddConst(QStringLiteral("VK_NUMPAD%1").arg(i), QStringLiteral("Integer"), Variant(96 + i));
    AddIntConsts(s, {{"VK_MULTIPLY", 106},
                     {"VK_ADD", 107},
                     {"VK_SEPARATOR", 108},
                     {"VK_SUBTRACT", 109},
                     {"VK_DECIMAL", 110},
                     {"VK_DIVIDE", 111}});
    for (int i = 1; i <= 12; ++i)
        s->AddConst(QStringLiteral("VK_F%1").arg(i), QStringLiteral("Integer"), Variant(111 + i));
    AddIntConsts(s, {{"VK_NUMLOCK", 144}, {"VK_SCROLL", 145}});
    for (const char* t : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"})
        s->AddType(QString::fromLatin1(t), fvtInt);
    AddIntConsts(s, {{"taLeftJustify", 0}, {"taRightJustify", 1}, {"taCenter", 2}});

    const std::tuple<const char*, bool, const char*> enums[] = {
        {"TShiftState", true, "ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble"},
        {"TAlign", false, "alNone, alTop, alBottom, alLeft, alRight, alClient"},
        {"TMouseButton", false, "mbLeft, mbRight, mbMiddle"},
        {"TAnchors", true, "akLeft, akTop, akRight, akBottom"},
        {"TBevelCut", false, "bvNone, bvLowered, bvRaised, bvSpace"},
        {"TTextLayout", false, "tlTop, tlCenter, tlBottom"},
        {"TEditCharCase", false, "ecNormal, ecUpperCase, ecLowerCase"},
        {"TScrollStyle", false, "ssNone, ssHorizontal, ssVertical, ssBoth"},
        {"TComboBoxStyle", false,
         "csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable"},
        {"TCheckBoxState", false, "cbUnchecked, cbChecked, cbGrayed"},
        {"TListBoxStyle", false, "lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable"},
        {"TWindowState", false, "wsNormal, wsMinimized, wsMaximized"},
        {"TFormStyle", false, "fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop"},
        {"TBorderIcons", true, "biSystemMenu, biMinimize, biMaximize, biHelp"},
        {"TPosition", false,
         "poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, "
         "poDesktopCenter"},
        {"TCloseAction", false, "caNone, caHide, caFree, caMinimize"}};
    for (const auto& [typ, isSet, names] : enums)
        AddEnumList(s, QString::fromLatin1(typ), QString::fromLatin1(names), isSet);

    const TscCallMethodNewEvent call = [this](TObject* inst, const TClassInfo* cls, const QString& name,
                                              TscMethodHelper* c) {
        return CallHostMethod(inst, cls, name, c);
    };
    const TscGetValueEvent get = &TFunctions::GetHostProperty;
    const TscSetValueEvent set = &TFunctions::SetHostProperty;
    auto M = [&](TscClassVariable* c, const char* syntax) {
        c->AddMethod(QString::fromLatin1(syntax), call);
    };
    auto E = [](TscClassVariable* c, const char* name, TscEventClass bridge) {
        c->AddEvent(QString::fromLatin1(name), bridge);
    };
    auto Add = [s](const TClassInfo* cls, const char* ancestor) {
        return s->AddClass(cls, QString::fromLatin1(ancestor));
    };

    TscClassVariable* c = Add(TControl::StaticClassInfo(), "TComponent");
    c->AddProperty(QStringLiteral("Parent"), QStringLiteral("TWinControl"), get, set);
    M(c, "procedure Hide");
    M(c, "procedure Show");
    M(c, "procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)");
    E(c, "OnCanResize", &TscCanResizeEvent::Make);
    E(c, "OnClick", &TscNotifyEvent::Make);
    E(c, "OnDblClick", &TscNotifyEvent::Make);
    E(c, "OnMouseDown", &TscMouseEvent::Make);
    E(c, "OnMouseMove", &TscMouseMoveEvent::Make);
    E(c, "OnMouseUp", &TscMouseEvent::Make);
    E(c, "OnResize", &TscNotifyEvent::Make);

    c = Add(TWinControl::StaticClassInfo(), "TControl");
    M(c, "procedure SetFocus");
    E(c, "OnEnter", &TscNotifyEvent::Make);
    E(c, "OnExit", &TscNotifyEvent::Make);
    E(c, "OnKeyDown", &TscKeyEvent::Make);
    E(c, "OnKeyPress", &TscKeyPressEvent::Make);
    E(c, "OnKeyUp", &TscKeyEvent::Make);

    Add(TCustomControl::StaticClassInfo(), "TWinControl");
    Add(TGraphicControl::StaticClassInfo(), "TControl");
    Add(TGroupBox::StaticClassInfo(), "TWinControl");
    Add(TLabel::StaticClassInfo(), "TControl");
    Add(TEdit::StaticClassInfo(), "TWinControl");
    Add(TMemo::StaticClassInfo(), "TWinControl");

    c = Add(TCustomComboBox::StaticClassInfo(), "TWinControl");
    c->AddProperty(QStringLiteral("DroppedDown"), QStringLiteral("Boolean"), get, set);
    c->AddProperty(QStringLiteral("ItemIndex"), QStringLiteral("Integer"), get, set);
    E(c, "OnChange", &TscNotifyEvent::Make);
    E(c, "OnDropDown", &TscNotifyEvent::Make);
    E(c, "OnCloseUp", &TscNotifyEvent::Make);

    Add(TComboBox::StaticClassInfo(), "TCustomComboBox");
    Add(TButton::StaticClassInfo(), "TWinControl");
    Add(TCheckBox::StaticClassInfo(), "TWinControl");
    Add(TRadioButton::StaticClassInfo(), "TWinControl");

    c = Add(TCustomListBox::StaticClassInfo(), "TWinControl");
    c->AddProperty(QStringLiteral("ItemIndex"), QStringLiteral("Integer"), get, set);
    c->AddProperty(QStringLiteral("SelCount"), QStringLiteral("Integer"), get);
    c->AddIndexProperty(QStringLiteral("Selected"), QStringLiteral("Integer"), QStringLiteral("Boolean"),
                        call);

    Add(TListBox::StaticClassInfo(), "TCustomListBox");
    Add(NamedClass(QStringLiteral("TControlScrollBar"), TPersistent::StaticClassInfo()), "TPersistent");
    Add(NamedClass(QStringLiteral("TScrollingWinControl"), TWinControl::StaticClassInfo()), "TWinControl");
    Add(TScrollBox::StaticClassInfo(), "TScrollingWinControl");

    c = Add(TCustomForm::StaticClassInfo(), "TScrollingWinControl");
    M(c, "procedure Close");
    M(c, "procedure Hide");
    M(c, "procedure Show");
    M(c, "function ShowModal: Integer");
    E(c, "OnActivate", &TscNotifyEvent::Make);
    E(c, "OnClose", &TscCloseEvent::Make);
    E(c, "OnCloseQuery", &TscCloseQueryEvent::Make);
    E(c, "OnCreate", &TscNotifyEvent::Make);
    E(c, "OnDestroy", &TscNotifyEvent::Make);
    E(c, "OnDeactivate", &TscNotifyEvent::Make);
    E(c, "OnHide", &TscNotifyEvent::Make);
    E(c, "OnPaint", &TscNotifyEvent::Make);
    E(c, "OnShow", &TscNotifyEvent::Make);
    c->AddProperty(QStringLiteral("Canvas"), QStringLiteral("TCanvas"), get);
    c->AddProperty(QStringLiteral("ModalResult"), QStringLiteral("Integer"), get, set);

    Add(TForm::StaticClassInfo(), "TCustomForm");
    c = Add(TDataModule::StaticClassInfo(), "TComponent");
    E(c, "OnCreate", &TscNotifyEvent::Make);
    E(c, "OnDestroy", &TscNotifyEvent::Make);

    c = Add(TApplication::StaticClassInfo(), "TComponent");
    M(c, "procedure Minimize");
    M(c, "procedure ProcessMessages");
    M(c, "procedure Restore");
    c->AddProperty(QStringLiteral("ExeName"), QStringLiteral("String"), get);

    s->AddObject(QStringLiteral("Application"), Application);
}

Variant TFunctions::CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                   TscMethodHelper* C) {
    if (Cls == TCustomListBox::StaticClassInfo()) {
        auto& lb = Self<TCustomListBox>(Instance, Name);
        if (Is(Name, "SELECTED.GET")) return Variant(lb.Selected(Arg(C, 0).ToInt()));
        if (Is(Name, "SELECTED.SET")) lb.SetSelected(Arg(C, 0).ToInt(), Arg(C, 1).ToBool());
        return None();
    }
    if (Cls == TCustomForm::StaticClassInfo()) {
        auto& form = Self<TCustomForm>(Instance, Name);
        if (Is(Name, "CLOSE"))
            form.Close();
        else if (Is(Name, "HIDE"))
            form.Hide();
        else if (Is(Name, "SHOW"))
            form.Show();
        else if (Is(Name, "SHOWMODAL"))
            return Variant(static_cast<int>(form.ShowModal()));
        return None();
    }
    if (Cls == TApplication::StaticClassInfo()) {
        auto& app = Self<TApplication>(Instance, Name);
        // The application has no window of its own here: its main form stands for it.
        if (Is(Name, "MINIMIZE")) {
            if (TCustomForm* f = app.MainForm()) f->SetWindowState(wsMinimized);
        } else if (Is(Name, "RESTORE")) {
            if (TCustomForm* f = app.MainForm()) f->SetWindowState(wsNormal);
        } else if (Is(Name, "PROCESSMESSAGES")) {
            app.ProcessMessages();
        }
        return None();
    }
    if (Cls == TWinControl::StaticClassInfo()) {
        if (Is(Name, "SETFOCUS")) Self<TWinControl>(Instance, Name).SetFocus();
        return None();
    }
    auto& control = Self<TControl>(Instance, Name);
    if (Is(Name, "HIDE"))
        control.Hide();
    else if (Is(Name, "SHOW"))
        control.Show();
    else if (Is(Name, "SETBOUNDS"))
        control.SetBounds(Arg(C, 0).ToInt(), Arg(C, 1).ToInt(), Arg(C, 2).ToInt(), Arg(C, 3).ToInt());
    return None();
}

Variant TFunctions::GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name) {
    if (Cls == TControl::StaticClassInfo()) {
        if (Is(Name, "PARENT")) return Obj(Self<TControl>(Instance, Name).Parent());
    } else if (Cls == TCustomComboBox::StaticClassInfo()) {
        auto& cb = Self<TCustomComboBox>(Instance, Name);
        if (Is(Name, "DROPPEDDOWN")) return Variant(cb.DroppedDown());
        if (Is(Name, "ITEMINDEX")) return Variant(cb.ItemIndex());
    } else if (Cls == TCustomListBox::StaticClassInfo()) {
        auto& lb = Self<TCustomListBox>(Instance, Name);
        if (Is(Name, "ITEMINDEX")) return Variant(lb.ItemIndex());
        if (Is(Name, "SELCOUNT")) return Variant(lb.SelCount());
    } else if (Cls == TCustomForm::StaticClassInfo()) {
        auto& form = Self<TCustomForm>(Instance, Name);
        if (Is(Name, "CANVAS")) return Obj(TFormCanvas::Of(form));
        if (Is(Name, "MODALRESULT")) return Variant(static_cast<int>(form.ModalResult()));
    } else if (Cls == TApplication::StaticClassInfo()) {
        if (Is(Name, "EXENAME")) return Variant(ProgramFileName());
    }
    return None();
}

void TFunctions::SetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                 const Variant& Value) {
    if (Cls == TControl::StaticClassInfo()) {
        if (Is(Name, "PARENT"))
            Self<TControl>(Instance, Name).SetParent(VariantToObjectAs<TWinControl>(Value));
    } else if (Cls == TCustomComboBox::StaticClassInfo()) {
        auto& cb = Self<TCustomComboBox>(Instance, Name);
        if (Is(Name, "DROPPEDDOWN"))
            cb.SetDroppedDown(Value.ToBool());
        else if (Is(Name, "ITEMINDEX"))
            cb.SetItemIndex(Value.ToInt());
    } else if (Cls == TCustomListBox::StaticClassInfo()) {
        if (Is(Name, "ITEMINDEX")) Self<TCustomListBox>(Instance, Name).SetItemIndex(Value.ToInt());
    } else if (Cls == TCustomForm::StaticClassInfo()) {
        if (Is(Name, "MODALRESULT"))
            Self<TCustomForm>(Instance, Name).SetModalResult(static_cast<TModalResult>(Value.ToInt()));
    }
}

} // namespace sc_iformsrtti
