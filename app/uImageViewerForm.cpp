#include "app/uImageViewerForm.h"

#include "platform/ui/ExtCtrls.h"

TfrmKorvelImageViewer* frmKorvelImageViewer = nullptr;
TSize TfrmKorvelImageViewer::ScreenSizeOverride{0, 0};

KORVEL_CLASS_INFO(TfrmKorvelImageViewer) {}

TfrmKorvelImageViewer::TfrmKorvelImageViewer(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("frmKorvelImageViewer"));
    SetCaption(QStringLiteral("Просмотр изображений"));
    SetPosition(poScreenCenter);
    SetColor(clBlack);
    SetClientWidth(664);
    SetClientHeight(481);
    SetKeyPreview(true);
    imgView = new TImage(this);
    imgView->SetName(QStringLiteral("imgView"));
    imgView->SetParent(this);
    imgView->SetAlign(alClient);
    imgView->SetCenter(true);
    imgView->SetProportional(true);
    imgView->OnDblClick = [this](TObject*) { Close(); };
    OnKeyUp = [this](TObject* sender, Word& key, TShiftState shift) { FormKeyUp(sender, key, shift); };
    OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
}

void TfrmKorvelImageViewer::ShowImageViewer(const TPicture& picture) {
    imgView->Picture()->Assign(picture);
    int screenWidth = ScreenSizeOverride.cx, screenHeight = ScreenSizeOverride.cy;
    if (screenWidth <= 0 || screenHeight <= 0) {
        screenWidth = Screen->Width();
        screenHeight = Screen->Height();
    }
    if (picture.Width() - 20 <= screenWidth && picture.Height() - 20 <= screenHeight) {
        SetWindowState(wsNormal);
        imgView->SetStretch(false);
        SetClientWidth(picture.Width());
        SetClientHeight(picture.Height());
        Show();
    } else {
        imgView->SetStretch(true);
        SetWindowState(wsMaximized);
        Show();
    }
}

void TfrmKorvelImageViewer::FormKeyUp(TObject*, Word& Key, TShiftState) {
    if (Key == 27) Close();
}

void TfrmKorvelImageViewer::FormClose(TObject*, TCloseAction&) {
    imgView->Picture()->Clear();
}
