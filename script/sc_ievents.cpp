#include "script/sc_ievents.h"

#include "platform/rtti/ObjectHandles.h"

int ShiftStateToInt(TShiftState Shift) {
    return static_cast<int>(Shift.ToInt() & 0xFF);
}

// Every method works on copies of the liveness flag and the bridge pointer: the handler may
// rebind the event, which frees the bridge and replaces the very function that is running.
// Nothing of the bridge is touched once the flag says it is gone.
#define SC_GUARD                                                                                             \
    auto alive = FAlive;                                                                                     \
    auto* self = this;

std::any TscNotifyEvent::GetMethod() {
    SC_GUARD
    return std::any(TNotifyEvent([alive, self](TObject* Sender) {
        auto a = alive;
        if (*a) self->RunHandler({ObjectToVariant(Sender)});
    }));
}

std::any TscMouseEvent::GetMethod() {
    SC_GUARD
    return std::any(
        TMouseEvent([alive, self](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
            auto a = alive;
            if (*a)
                self->RunHandler({ObjectToVariant(Sender), Variant(static_cast<int>(Button)),
                                  Variant(ShiftStateToInt(Shift)), Variant(X), Variant(Y)});
        }));
}

std::any TscMouseMoveEvent::GetMethod() {
    SC_GUARD
    return std::any(TMouseMoveEvent([alive, self](TObject* Sender, TShiftState Shift, int X, int Y) {
        auto a = alive;
        if (*a)
            self->RunHandler(
                {ObjectToVariant(Sender), Variant(ShiftStateToInt(Shift)), Variant(X), Variant(Y)});
    }));
}

std::any TscKeyEvent::GetMethod() {
    SC_GUARD
    return std::any(TKeyEvent([alive, self](TObject* Sender, Word& Key, TShiftState Shift) {
        auto a = alive;
        if (!*a) return;
        self->RunHandler(
            {ObjectToVariant(Sender), Variant(static_cast<int>(Key)), Variant(ShiftStateToInt(Shift))});
        if (*a) Key = static_cast<Word>(self->ParamValue(1).ToInt());
    }));
}

std::any TscKeyPressEvent::GetMethod() {
    SC_GUARD
    return std::any(TKeyPressEvent([alive, self](TObject* Sender, QChar& Key) {
        auto a = alive;
        if (!*a) return;
        self->RunHandler({ObjectToVariant(Sender), Variant(QString(Key))});
        if (!*a) return;
        // An emptied key text hands back #0: the key is swallowed.
        const QString k = VarToStr(self->ParamValue(1));
        Key = k.isEmpty() ? QChar(0) : k[0];
    }));
}

std::any TscCloseEvent::GetMethod() {
    SC_GUARD
    return std::any(TCloseEvent([alive, self](TObject* Sender, TCloseAction& Action) {
        auto a = alive;
        if (!*a) return;
        self->RunHandler({ObjectToVariant(Sender), Variant(static_cast<int>(Action))});
        if (*a) Action = static_cast<TCloseAction>(self->ParamValue(1).ToInt());
    }));
}

std::any TscCloseQueryEvent::GetMethod() {
    SC_GUARD
    return std::any(TCloseQueryEvent([alive, self](TObject* Sender, bool& CanClose) {
        auto a = alive;
        if (!*a) return;
        self->RunHandler({ObjectToVariant(Sender), Variant(CanClose)});
        if (*a) CanClose = self->ParamValue(1).ToBool();
    }));
}

std::any TscCanResizeEvent::GetMethod() {
    SC_GUARD
    return std::any(TCanResizeEvent([alive, self](TObject* Sender, int& NewWidth, int& NewHeight,
                                                  bool& Resize) {
        auto a = alive;
        if (!*a) return;
        self->RunHandler({ObjectToVariant(Sender), Variant(NewWidth), Variant(NewHeight), Variant(Resize)});
        if (!*a) return;
        NewWidth = self->ParamValue(1).ToInt();
        NewHeight = self->ParamValue(2).ToInt();
        Resize = self->ParamValue(3).ToBool();
    }));
}
