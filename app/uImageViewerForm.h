#pragma once
// The full-size picture window: a picture field's click shows its picture here, at its own size
// when it fits on the screen and stretched into a maximised window when it does not.

#include "platform/ui/Forms.h"

class TImage;
class TPicture;

class TfrmKorvelImageViewer : public TForm {
    KORVEL_CLASS(TfrmKorvelImageViewer, TForm)
public:
    explicit TfrmKorvelImageViewer(TComponent* AOwner);

    void ShowImageViewer(const TPicture& picture);
    TImage* imgView = nullptr;

    // Esc closes the window whatever has the focus (the form previews the keys).
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void FormClose(TObject* Sender, TCloseAction& Action);
    // The screen size the fit test uses; tests give a fixed one, zero takes the real screen.
    static TSize ScreenSizeOverride;
};

extern TfrmKorvelImageViewer* frmKorvelImageViewer;
