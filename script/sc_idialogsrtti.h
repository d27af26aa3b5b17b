#pragma once
// The common dialogs and the message and input functions as scripts see them. Every question
// goes through the UI services, so tests answer them from a script.

#include "script/sc_iinterpreter.h"

namespace sc_idialogsrtti {

class TFunctions : public TscRTTIModule {
public:
    explicit TFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TFunctions>(AScript);
    }

private:
    Variant CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name, TscMethodHelper* C);
};

} // namespace sc_idialogsrtti
