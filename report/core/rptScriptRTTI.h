#pragma once
// The report library's classes as report scripts see them: the constants, enumerations, classes
// with their members, the global variable list and the date and report functions that every
// script gets through the module list (AddRTTI). Three modules: the report classes, the check
// box and the chart object.
//
// Each registered member gets a call-back of its own that knows the member, so a call from a
// script goes straight to the host member without comparing names.

#include "platform/rtl/Exceptions.h"
#include "script/sc_iinterpreter.h"

#include <memory>
#include <unordered_map>

class TList;
class TrptComponent;

// A script event procedure raised: the message names the object, the event and the procedure.
KORVEL_EXCEPTION(ErptScriptEventError, Exception)
// A script asked the engine for something it cannot do at that moment (no page is being made,
// or page breaks and bands shown from events nest without end).
KORVEL_EXCEPTION(ErptScriptEngineCall, Exception)

namespace rptScriptRTTI {

// The report classes.
class TFunctions : public TscRTTIModule {
public:
    explicit TFunctions(TscScript* AScript);
    ~TFunctions() override;
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TFunctions>(AScript);
    }
    // The list a script reads as Objects or AllObjects of a component: one per component and
    // kind, filled again on every read.
    TList* ListOf(const TrptComponent* C, bool All);

private:
    std::unordered_map<const TrptComponent*, std::unique_ptr<TList>> FLists[2];
};

// The check-box object's enumerations and class.
class TCheckBoxFunctions : public TscRTTIModule {
public:
    explicit TCheckBoxFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TCheckBoxFunctions>(AScript);
    }
};

// The chart object's enumerations and classes.
class TChartFunctions : public TscRTTIModule {
public:
    explicit TChartFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TChartFunctions>(AScript);
    }
};

} // namespace rptScriptRTTI

// Adds the three modules to the module list after the host modules, once.
void RegisterReportRTTIModules();

// Rethrows E, raised while the script procedure Procedure ran for Obj, as ErptScriptEventError
// naming the object and its event ("MasterData1.OnBeforePrint: ..."). An error that already
// names an event (raised by an event nested in this one) passes unchanged.
[[noreturn]] void RaiseScriptEventError(const TObject* Obj, const QString& Procedure, const Exception& E);

// How deep events may nest engine calls from scripts (NewPage, NewColumn, ShowBand) before the
// call is refused.
constexpr int MaxNestedEngineCalls = 16;
