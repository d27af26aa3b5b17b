#pragma once
// The full-size picture window. Only the empty window exists so far: showing a stored picture
// in it arrives with the picture controls.

#include "platform/ui/Forms.h"

class TfrmKorvelImageViewer : public TForm {
    KORVEL_CLASS(TfrmKorvelImageViewer, TForm)
public:
    explicit TfrmKorvelImageViewer(TComponent* AOwner);
};

extern TfrmKorvelImageViewer* frmKorvelImageViewer;
