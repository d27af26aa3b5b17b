#pragma once
// The Qt side of a control: a widget class of any kind that hands its events to the control.
// Only the forms layer includes this header.

#include "platform/ui/Controls.h"

#include <QWidget>

#include <utility>

class TControlBridge {
public:
    virtual ~TControlBridge() = default;
    // The Qt class's own handling of an event.
    virtual bool BaseEvent(QEvent* e) = 0;
    virtual QWidget* AsWidget() = 0;
    TControl* Control() const { return FControl; }
    void Detach() { FControl = nullptr; }

protected:
    TControl* FControl = nullptr;
};

template <class W>
class TBridgeWidget : public W, public TControlBridge {
public:
    template <class... A>
    explicit TBridgeWidget(TControl* control, A&&... args) : W(std::forward<A>(args)...) {
        FControl = control;
    }
    ~TBridgeWidget() override { FControl = nullptr; }
    bool BaseEvent(QEvent* e) override { return W::event(e); }
    QWidget* AsWidget() override { return this; }

protected:
    bool event(QEvent* e) override {
        if (!FControl) return W::event(e);
        return FControl->DispatchWidgetEvent(e);
    }
};

TControlBridge* BridgeOf(QWidget* w);
