#pragma once
// The event bridges: each sits between one host event type and a script procedure, passing the
// event's arguments as Variants and copying var arguments back after the procedure ran.

#include "platform/ui/UiTypes.h"
#include "script/sc_iinterpreter.h"

using TCanResizeEvent = std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;

// The integer a script sees for a shift state: 1 shift, 2 alt, 4 ctrl, 8/16/32 the mouse
// buttons, 64 double click.
int ShiftStateToInt(TShiftState Shift);

#define SC_DECLARE_BRIDGE(Name)                                                                              \
    class Name : public TscCustomEvent {                                                                     \
    public:                                                                                                  \
        using TscCustomEvent::TscCustomEvent;                                                                \
        static std::unique_ptr<TscCustomEvent> Make(TObject* AObject, TscProcVariable* AHandler) {           \
            return std::make_unique<Name>(AObject, AHandler);                                                \
        }                                                                                                    \
        std::any GetMethod() override;                                                                       \
    };

SC_DECLARE_BRIDGE(TscNotifyEvent)
SC_DECLARE_BRIDGE(TscMouseEvent)
SC_DECLARE_BRIDGE(TscMouseMoveEvent)
SC_DECLARE_BRIDGE(TscKeyEvent)
SC_DECLARE_BRIDGE(TscKeyPressEvent)
SC_DECLARE_BRIDGE(TscCloseEvent)
SC_DECLARE_BRIDGE(TscCloseQueryEvent)
SC_DECLARE_BRIDGE(TscCanResizeEvent)

#undef SC_DECLARE_BRIDGE
