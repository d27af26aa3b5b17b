#pragma once
// The caption box that follows the mouse while a column header is dragged.

#include "grid/GxFlyoutControl.h"

#include <functional>
#include <memory>

class TGxCustomColumn;
class TDefaultStyleDisplay;

// X and Y in screen coordinates.
using TDragBoxEvent = std::function<void(TObject* Sender, int X, int Y)>;

class TColumnDragBox : public TGxFlyoutControl {
    KORVEL_CLASS(TColumnDragBox, TGxFlyoutControl)
public:
    explicit TColumnDragBox(TComponent* AOwner);
    ~TColumnDragBox() override;

    TGxCustomColumn* Column() const { return FColumn; }
    TDefaultStyleDisplay* ColumnDisplay() const { return FColumnDisplay.get(); }
    // Shows the box for AColumn (unless Hide) and takes the mouse until the release.
    void Show(int X, int Y, TGxCustomColumn* AColumn, bool Hide);

    TDragBoxEvent OnDragBoxDrop;
    TDragBoxEvent OnDragBoxMove;

    virtual void DoDragBoxDrop(int X, int Y);
    virtual void DoDragBoxMove(int X, int Y);

protected:
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;

private:
    TComponent* FOwner = nullptr;
    TGxCustomColumn* FColumn = nullptr;
    std::unique_ptr<TDefaultStyleDisplay> FColumnDisplay;
};
