#include "script/sc_idialogsrtti.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "script/sc_iclassesrtti.h"

using namespace scbind;

namespace sc_idialogsrtti {

namespace {

bool Is(const QString& Name, const char* Literal) {
    return Name == QLatin1String(Literal);
}

} // namespace

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    TscScript* s = FScript;
    const std::tuple<const char*, bool, const char*> enums[] = {
        {"TOpenOptions", true,
         "ofReadOnly, ofOverwritePrompt, ofHideReadOnly,ofNoChangeDir, ofShowHelp, ofNoValidate, "
         "ofAllowMultiSelect,ofExtensionDifferent, ofPathMustExist, ofFileMustExist, "
         "ofCreatePrompt,ofShareAware, "
         "ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,ofNoLongNames, ofOldStyleDialog, "
         "ofNoDereferenceLinks, ofEnableIncludeNotify,ofEnableSizing"},
        {"TFileEditStyle", false, "fsEdit, fsComboBox"},
        {"TColorDialogOptions", true, "cdFullOpen, cdPreventFullOpen, cdShowHelp,cdSolidColor, cdAnyColor"},
        {"TFontDialogOptions", true,
         "fdAnsiOnly, fdTrueTypeOnly, fdEffects,fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, "
         "fdNoOEMFonts,"
         "fdNoSimulations, fdNoSizeSel, fdNoStyleSel,  fdNoVectorFonts,fdShowHelp, fdWysiwyg, fdLimitSize, "
         "fdScalableOnly, fdApplyButton"},
        {"TFontDialogDevice", false, "fdScreen, fdPrinter, fdBoth"},
        {"TPrintRange", false, "prAllPages, prSelection, prPageNums"},
        {"TPrintDialogOptions", true,
         "poPrintToFile, poPageNums, poSelection,poWarning, poHelp, poDisablePrintToFile"},
        {"TMsgDlgType", false, "mtWarning, mtError, mtInformation, mtConfirmation, mtCustom"},
        {"TMsgDlgButtons", true,
         "mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp"}};
    for (const auto& [typ, isSet, names] : enums)
        AddEnumList(s, QString::fromLatin1(typ), QString::fromLatin1(names), isSet);

    const TscCallMethodNewEvent call = [this](TObject* inst, const TClassInfo* cls, const QString& name,
                                              TscMethodHelper* c) {
        return CallHostMethod(inst, cls, name, c);
    };
    TscClassVariable* c = s->AddClass(TCommonDialog::StaticClassInfo(), QStringLiteral("TComponent"));
    c->AddMethod(QStringLiteral("function Execute: Boolean"), call);
    const QString common = QStringLiteral("TCommonDialog");
    s->AddClass(TOpenDialog::StaticClassInfo(), common);
    s->AddClass(TSaveDialog::StaticClassInfo(), common);
    s->AddClass(TColorDialog::StaticClassInfo(), common);
    s->AddClass(TFontDialog::StaticClassInfo(), common);
    s->AddClass(TPrintDialog::StaticClassInfo(), common);
    s->AddClass(TPrinterSetupDialog::StaticClassInfo(), common);

    const QString category = QStringLiteral("ctOther");
    s->AddMethod(
        QStringLiteral("function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; "
                       "HelpCtx: Longint): Integer"),
        call, category, QString());
    s->AddMethod(QStringLiteral("function InputBox(ACaption, APrompt, ADefault: string): string"), call,
                 category, QString());
    s->AddMethod(QStringLiteral("function InputQuery(ACaption, APrompt: string; var Value: string): Boolean"),
                 call, category, QString());
}

Variant TFunctions::CallHostMethod(TObject* Instance, const TClassInfo*, const QString& Name,
                                   TscMethodHelper* C) {
    if (Is(Name, "EXECUTE")) return Variant(Self<TCommonDialog>(Instance, Name).Execute());
    if (Is(Name, "MESSAGEDLG")) {
        const int type = Arg(C, 1).ToInt();
        if (type < mtWarning || type > mtCustom)
            throw ERangeError(QStringLiteral("MessageDlg: %1 is not a TMsgDlgType value").arg(type));
        // Only the eleven buttons scripts can name; higher bits would be buttons they never chose.
        const int buttons = Arg(C, 2).ToInt();
        if (buttons < 0 || buttons > 0x7FF)
            throw ERangeError(QStringLiteral("MessageDlg: %1 is not a TMsgDlgButtons value").arg(buttons));
        return Variant(
            static_cast<int>(MessageDlg(Arg(C, 0).ToString(), static_cast<TMsgDlgType>(type),
                                        TMsgDlgButtons::FromInt(unsigned(buttons)), Arg(C, 3).ToInt())));
    }
    if (Is(Name, "INPUTBOX"))
        return Variant(InputBox(Arg(C, 0).ToString(), Arg(C, 1).ToString(), Arg(C, 2).ToString()));
    if (Is(Name, "INPUTQUERY")) {
        const QString before = Arg(C, 2).ToString();
        QString value = before;
        const bool ok = InputQuery(Arg(C, 0).ToString(), Arg(C, 1).ToString(), value);
        // A cancelled box leaves the variable as it was, whatever the box did to its copy.
        C->SetVParam(2, Variant(ok ? value : before));
        return Variant(ok);
    }
    return None();
}

} // namespace sc_idialogsrtti
