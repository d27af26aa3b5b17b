#include "app/uImageViewerForm.h"

TfrmKorvelImageViewer* frmKorvelImageViewer = nullptr;

KORVEL_CLASS_INFO(TfrmKorvelImageViewer) {}

TfrmKorvelImageViewer::TfrmKorvelImageViewer(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("frmKorvelImageViewer"));
    SetCaption(QString());
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 640, 480);
}
