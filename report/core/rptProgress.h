#pragma once
// The small modeless window with a message, a progress bar and a Cancel button that a report
// shows while it prepares, prints or exports, and that export filters show for their phases.
// While it is up the window that was active when it was made is disabled, so the user can only
// watch or cancel; every step processes pending events so the window repaints and Cancel works.

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

class TButton;
class TLabel;
class TPanel;

// A plain horizontal bar filled in proportion to Position between Min and Max.
class TrptProgressBar : public TCustomControl {
    KORVEL_CLASS(TrptProgressBar, TCustomControl)
public:
    explicit TrptProgressBar(TComponent* AOwner);

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    // Kept within Min .. Max.
    int Position() const { return FPosition; }
    void SetPosition(int Value);

protected:
    void Paint() override;

private:
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
};

class TrptProgress : public TForm {
    KORVEL_CLASS(TrptProgress, TForm)
public:
    explicit TrptProgress(TComponent* AOwner);
    ~TrptProgress() override;

    // Starts a run of MaxValue steps with the message; Canceled shows the Cancel button and
    // Progress the bar. Shows the window and processes pending events.
    void Execute(int MaxValue, const QString& Msg, bool Canceled, bool Progress);
    // One step forward while the position lies in the bar's range.
    void Tick();
    void Reset() { SetPosition(0); }

    // True after Cancel or when the caller sets it; setting True closes the window.
    bool Terminated() const { return FTerminated; }
    void SetTerminated(bool Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    bool ShowProgress() const { return FProgress; }
    void SetShowProgress(bool Value);
    const QString& Message() const { return FMessage; }
    void SetMessage(const QString& Value);
    // The form that was active when the window was made (disabled while it is up).
    TCustomForm* ActiveForm() const { return FActiveForm; }

    TPanel* Panel1 = nullptr;
    TLabel* LMessage = nullptr;
    TrptProgressBar* Bar = nullptr;
    TButton* CancelB = nullptr;

protected:
    void DoHide() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void CancelBClick(TObject* Sender);
    void EnableActiveForm();
    // Any point of the surface drags the window, as its caption would.
    void SurfaceMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void SurfaceMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void SurfaceMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    TCustomForm* FActiveForm = nullptr;
    bool FTerminated = false;
    int FPosition = 0;
    QString FMessage;
    bool FProgress = false;
    bool FDragging = false;
    TPoint FDragStart;
    TPoint FDragOrigin;
};
