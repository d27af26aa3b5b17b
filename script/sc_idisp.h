#pragma once
// Late-bound calls of automation objects: one helper per member use, called through the
// object's dispatch interface.

#include "platform/automation/ComObj.h"
#include "script/sc_iinterpreter.h"

#include <vector>

class TscOLEHelper : public TscCustomHelper {
public:
    explicit TscOLEHelper(const QString& AName);
    Variant GetValue() override;                  // method call or property read
    void SetValue(const Variant& Value) override; // property write
    // Flags: 1 method, 2 property read, 3 either, 4 property write (the last element of
    // Params is the value). Result receives the member's value when one is asked for.
    void CallAutomation(const std::vector<Variant>& Params, int Count, Variant* Result, int Flags);

    // Most arguments one call carries.
    static constexpr int MaxArgs = 64;
};

// Servers are registered and created by program identifier in platform/automation
// (RegisterOleClass, CreateOleObject); unknown ids raise EOleSysError.
using TscOleObjectFactory = TOleObjectFactory;
