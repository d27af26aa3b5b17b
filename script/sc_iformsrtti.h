#pragma once
// Windows and controls as scripts see them: the windowing constants and enumerations, the
// control classes from TControl to TForm, their events, and the process's "Application".

#include "script/sc_iinterpreter.h"

namespace sc_iformsrtti {

class TFunctions : public TscRTTIModule {
public:
    explicit TFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TFunctions>(AScript);
    }

private:
    Variant CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name, TscMethodHelper* C);
    static Variant GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name);
    static void SetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                const Variant& Value);
};

} // namespace sc_iformsrtti
