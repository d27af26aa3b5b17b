#include "app/uOptionsForm.h"

#include "app/uSaveSettings.h"
#include "platform/gfx/Bitmap.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>

TfrmOptionsKorvel* frmOptionsKorvel = nullptr;

KORVEL_CLASS_INFO(TfrmOptionsKorvel) {}

namespace {

// The folder picture of the browse button.
QImage FolderGlyph() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QColor(0x80, 0x60, 0x10));
    p.setBrush(QColor(0xF0, 0xC8, 0x50));
    p.drawRect(1, 3, 6, 2);
    p.drawRect(1, 5, 13, 8);
    p.setBrush(QColor(0xFF, 0xE0, 0x80));
    p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)}));
    return image;
}

} // namespace

TfrmOptionsKorvel::TfrmOptionsKorvel(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("frmOptionsKorvel"));
    SetCaption(QStringLiteral("Options"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(447);
    SetClientHeight(202);
    Font()->SetName(QStringLiteral("Tahoma"));

    gbDatabase = new TGroupBox(this);
    gbDatabase->SetName(QStringLiteral("gbDatabase"));
    gbDatabase->SetParent(this);
    gbDatabase->SetCaption(QStringLiteral("Database"));
    gbDatabase->SetBounds(8, 8, 431, 153);

    rbAppFolder = new TRadioButton(this);
    rbAppFolder->SetName(QStringLiteral("rbAppFolder"));
    rbAppFolder->SetParent(gbDatabase);
    rbAppFolder->SetCaption(QStringLiteral("Save the database file in the folder with the application."));
    rbAppFolder->SetBounds(16, 24, 400, 17);
    rbAppFolder->SetTabOrder(0);

    rbDBFilename = new TRadioButton(this);
    rbDBFilename->SetName(QStringLiteral("rbDBFilename"));
    rbDBFilename->SetParent(gbDatabase);
    rbDBFilename->SetCaption(QStringLiteral("Specify the filename of the database."));
    rbDBFilename->SetBounds(16, 52, 400, 17);
    rbDBFilename->SetTabOrder(1);

    edFileName = new TEdit(this);
    edFileName->SetName(QStringLiteral("edFileName"));
    edFileName->SetParent(gbDatabase);
    edFileName->SetBounds(32, 78, 356, 21);
    edFileName->SetTabOrder(2);

    bOpenFile = new TSpeedButton(this);
    bOpenFile->SetName(QStringLiteral("bOpenFile"));
    bOpenFile->SetParent(gbDatabase);
    bOpenFile->SetFlat(true);
    bOpenFile->SetBounds(394, 77, 23, 22);
    TBitmap glyph;
    glyph.SetImage(FolderGlyph());
    bOpenFile->SetGlyph(&glyph);

    lbPath = new TLabel(this);
    lbPath->SetName(QStringLiteral("lbPath"));
    lbPath->SetParent(gbDatabase);
    lbPath->SetAutoSize(false);
    lbPath->SetWordWrap(true); // the Russian text is longer than one line in wider faces
    lbPath->SetAlignment(taCenter);
    lbPath->Font()->SetColor(clGray);
    lbPath->SetCaption(
        QStringLiteral("You can also use a network folder (e.g. \\\\PCNAME\\Folder\\sqlite.db)"));
    lbPath->SetBounds(8, 108, 415, 34);

    bOK = new TButton(this);
    bOK->SetName(QStringLiteral("bOK"));
    bOK->SetParent(this);
    bOK->SetCaption(QStringLiteral("OK"));
    bOK->SetBounds(283, 169, 75, 25);
    bOK->SetDefault(true);
    bOK->SetTabOrder(1);

    bCancel = new TButton(this);
    bCancel->SetName(QStringLiteral("bCancel"));
    bCancel->SetParent(this);
    bCancel->SetCaption(QStringLiteral("Cancel"));
    bCancel->SetBounds(364, 169, 75, 25);
    bCancel->SetCancel(true);
    bCancel->SetTabOrder(2);

    OpenDialog = new TOpenDialog(this);
    OpenDialog->SetName(QStringLiteral("OpenDialog"));

    OnShow = [this](TObject* s) { FormShow(s); };
    rbAppFolder->OnClick = [this](TObject* s) { rbAppFolderClick(s); };
    rbDBFilename->OnClick = [this](TObject* s) { rbDBFilenameClick(s); };
    bOpenFile->OnClick = [this](TObject* s) { bOpenFileClick(s); };
    bOK->OnClick = [this](TObject* s) { bOKClick(s); };
    bCancel->OnClick = [this](TObject* s) { bCancelClick(s); };
}

void TfrmOptionsKorvel::SetFileControlsEnabled(bool value) {
    edFileName->SetEnabled(value);
    bOpenFile->SetEnabled(value);
}

void TfrmOptionsKorvel::FormShow(TObject*) {
    SetFileControlsEnabled(false);
    QString server;
    ReadOptions(server);
    if (!server.isEmpty()) {
        // Checking the radio button raises its click, which enables the two controls.
        rbDBFilename->SetChecked(true);
        SetFileControlsEnabled(true);
        edFileName->SetText(server);
    } else {
        rbAppFolder->SetChecked(true);
        SetFileControlsEnabled(false);
    }
}

void TfrmOptionsKorvel::rbAppFolderClick(TObject*) {
    SetFileControlsEnabled(false);
}

void TfrmOptionsKorvel::rbDBFilenameClick(TObject*) {
    SetFileControlsEnabled(true);
}

void TfrmOptionsKorvel::bOpenFileClick(TObject*) {
    if (!OpenDialog->Execute()) return;
    const QString chosen = OpenDialog->FileName();
    // A typed name of a file that does not exist is not a database to use.
    if (QFileInfo(chosen).isFile()) edFileName->SetText(QFileInfo(chosen).absoluteFilePath());
}

void TfrmOptionsKorvel::bOKClick(TObject*) {
    SaveOptions();
    Close();
}

void TfrmOptionsKorvel::bCancelClick(TObject*) {
    Close();
}
