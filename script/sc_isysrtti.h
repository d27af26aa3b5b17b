#pragma once
// The system vocabulary every script has: basic types, constants, variant type codes, the
// indexing helpers, the exception variables and the built-in functions.

#include "script/sc_iinterpreter.h"

#include <functional>

class TscSysFunctions : public TscRTTIModule {
public:
    explicit TscSysFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TscSysFunctions>(AScript);
    }

    Variant CallConvToStr(const QString& Name, TscMethodHelper* Caller);
    Variant CallConvFromStr(const QString& Name, TscMethodHelper* Caller);
    Variant CallFormat(const QString& Name, TscMethodHelper* Caller);
    Variant CallDate(const QString& Name, TscMethodHelper* Caller);
    Variant CallString(const QString& Name, TscMethodHelper* Caller);
    Variant CallMath(const QString& Name, TscMethodHelper* Caller);
    Variant CallOther(const QString& Name, TscMethodHelper* Caller);

private:
    QString FCatConv, FCatDate, FCatFormat, FCatMath, FCatOther, FCatStr;
};

// The modal message box ShowMessage uses; the application installs the UI's. Without one,
// ShowMessage raises instead of pretending the user saw the text.
extern std::function<void(const QString& Msg)> ScriptShowMessage;
