// Picture and file controls: fixed pictures, pictures stored in a BLOB column, and stored or
// linked files.
#include "app/dbControls.h"

#include "app/uImageViewerForm.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/TextCase.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/TempFiles.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"

#include <QBuffer>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString PictureKind(const QString& fileName) {
    const QString name = LowerCase(fileName);
    for (const char* ext : {".bmp", ".png", ".gif", ".jpg", ".jpeg"})
        if (name.endsWith(QLatin1String(ext))) return QLatin1String(ext + 1);
    return QString();
}

QString NamePart(const QString& path) {
    const int slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

// Writes the bytes whole or not at all, so a failed write leaves an older file intact.
void WriteFileBytes(const QString& fileName, const QByteArray& bytes) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
}

QByteArray ReadFileBytes(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    return file.readAll();
}

} // namespace

bool IsPictureExtension(const QString& fileName) {
    return !PictureKind(fileName).isEmpty();
}

bool LoadPictureByExtension(TPicture& picture, QIODevice& data, const QString& fileName) {
    QString kind = PictureKind(fileName);
    if (kind.isEmpty()) return false;
    if (kind == QLatin1String("jpeg")) kind = QStringLiteral("jpg");
    std::unique_ptr<TGraphic> graphic = CreateGraphicForExtension(kind);
    if (!graphic) return false;
    // Decoded into a new graphic first: bad data raises and the shown picture stays.
    graphic->LoadFromStream(data);
    if (graphic->Width() <= 0 || graphic->Height() <= 0)
        throw EInvalidGraphic(QStringLiteral("\"%1\" is not a readable %2 picture").arg(NamePart(fileName), kind.toUpper()));
    picture.SetGraphic(std::move(graphic));
    return true;
}

// --- TdbImage

KORVEL_CLASS_INFO(TdbImage) {
    b.Prop("dbFileName", &TdbImage::dbFileName, &TdbImage::SetdbFileName);
}

void TdbImage::LoadPicture(const QString& fileName) {
    if (!QFileInfo(fileName).isFile()) return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    LoadPictureByExtension(*Picture(), file, fileName);
}

// --- TdbImageDataBase

KORVEL_CLASS_INFO(TdbImageDataBase) {
    b.Prop("dbTable", &TdbImageDataBase::dbTable, &TdbImageDataBase::SetdbTable);
    b.Prop("dbField", &TdbImageDataBase::dbField, &TdbImageDataBase::SetdbField);
    b.Prop("dbFileName", &TdbImageDataBase::dbFileName, &TdbImageDataBase::SetdbFileName);
    b.Prop("dbImageIsChanged", &TdbImageDataBase::dbImageIsChanged, &TdbImageDataBase::SetdbImageIsChanged)
        .Default(false);
}

// The hover bar: leaving it for a place outside the picture hides it too.
class TdbImageToolBar : public TPanel {
public:
    TdbImageToolBar(TComponent* AOwner, TdbImageDataBase* image) : TPanel(AOwner), FImage(image) {}

protected:
    void MouseLeave() override {
        TPanel::MouseLeave();
        FImage->HideToolBarUnlessInside();
    }

private:
    TdbImageDataBase* FImage;
};

TdbImageDataBase::TdbImageDataBase(TComponent* AOwner) : TImage(AOwner) {
    SetCenter(true);
    SetCursor(crHandPoint);
    OnClick = [this](TObject* sender) { ImageClick(sender); };

    // The bar belongs to the window, like the picture itself.
    auto* bar = new TdbImageToolBar(AOwner, this);
    bar->SetVisible(false);
    bar->SetBevelOuter(bvNone);
    bar->SetShowHint(true);
    bar->SetParentShowHint(false);
    ToolBar = bar;
    TImageList* images = frmMainKorvel ? frmMainKorvel->ImageListImageDataBase : nullptr;
    auto button = [&](int picture, const char* hint, void (TdbImageDataBase::*command)(TObject*)) {
        auto* b = new TSpeedButton(AOwner);
        b->SetFlat(true);
        b->SetHint(QLatin1String(hint));
        b->SetShowHint(true);
        if (images && picture < images->Count()) {
            TBitmap glyph;
            images->GetBitmap(picture, glyph);
            b->SetGlyph(&glyph);
        }
        b->OnClick = [this, command](TObject* sender) { (this->*command)(sender); };
        b->SetParent(bar);
        return b;
    };
    ToolButtonDelete = button(2, "Delete the image from the database", &TdbImageDataBase::DeleteClick);
    ToolButtonSave = button(1, "Save image from the database", &TdbImageDataBase::SaveClick);
    ToolButtonOpen = button(0, "Select image to be save in the database", &TdbImageDataBase::OpenClick);
    // Open, save, delete from left to right, each 26 by 26.
    int x = 0;
    for (TSpeedButton* b : {ToolButtonOpen, ToolButtonSave, ToolButtonDelete}) {
        b->SetBounds(x, 0, 26, 26);
        x += 26;
    }
    bar->SetBounds(0, 0, x, 26);
}

TdbImageDataBase::~TdbImageDataBase() = default;

void TdbImageDataBase::SetParent(TWinControl* value) {
    TImage::SetParent(value);
    if (ToolBar) ToolBar->SetParent(value);
}

void TdbImageDataBase::Resize() {
    TImage::Resize();
    DrawEmptyFrame();
}

void TdbImageDataBase::DrawEmptyFrame() {
    if (ToolBar && ToolBar->Parent() != Parent()) ToolBar->SetParent(Parent());
    if (Width() <= 0 || Height() <= 0 || !FdbFileName.isEmpty()) return;
    // A frame bitmap the size of a wall would only exhaust memory.
    if (Width() > 8192 || Height() > 8192) return;
    TBitmap frame(Width(), Height());
    TCanvas& c = frame.Canvas();
    c.Brush().SetColor(clBtnFace);
    c.FillRect(Rect(0, 0, Width(), Height()));
    c.Brush().SetStyle(bsClear);
    c.Pen().SetColor(clBlack);
    c.Pen().SetStyle(psDot);
    c.Rectangle(0, 0, Width() - 1, Height() - 1);
    Picture()->SetGraphic(&frame);
}

void TdbImageDataBase::UpdateToolButtons() {
    if (!ToolBar) return;
    const bool has = !FdbFileName.isEmpty();
    ToolButtonSave->SetEnabled(has);
    ToolButtonDelete->SetEnabled(has);
}

void TdbImageDataBase::MouseEnter() {
    TImage::MouseEnter();
    if (!ToolBar) return;
    UpdateToolButtons();
    ToolBar->SetLeft(Left() + Width() / 2 - ToolBar->Width() / 2);
    ToolBar->SetTop(Top() + 1);
    ToolBar->SetVisible(true);
    ToolBar->BringToFront();
}

void TdbImageDataBase::MouseLeave() {
    TImage::MouseLeave();
    HideToolBarUnlessInside();
}

void TdbImageDataBase::HideToolBarUnlessInside() {
    if (!ToolBar || !ToolBar->Visible()) return;
    const TPoint screen{QCursor::pos().x(), QCursor::pos().y()};
    const TPoint p = Parent() ? ScreenToClient(screen) : screen;
    // The bar lies over the picture: moving onto it keeps it shown.
    const bool inside = p.X >= 5 && p.Y >= 5 && p.X < Width() - 5 && p.Y < Height() - 5;
    if (!inside) ToolBar->SetVisible(false);
}

void TdbImageDataBase::LoadPictureFromStream(TStream& stream, const QString& fileName) {
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(stream.Size() - stream.Position()));
    if (!bytes.isEmpty()) stream.ReadBuffer(bytes.data(), bytes.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (LoadPictureByExtension(*Picture(), buffer, fileName)) FPictureBytes = bytes;
    UpdateToolButtons();
}

void TdbImageDataBase::Clear() {
    Picture()->Clear();
    FPictureBytes.clear();
    FdbFileName.clear();
    DrawEmptyFrame();
    // The bar may be showing: its buttons must not offer a picture that is gone.
    UpdateToolButtons();
}

QByteArray TdbImageDataBase::PictureBytes() const {
    if (FdbFileName.isEmpty() || !Picture()->Graphic()) return {};
    if (!FPictureBytes.isEmpty()) return FPictureBytes;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Picture()->Graphic()->SaveToStream(buffer);
    return bytes;
}

void TdbImageDataBase::ImageClick(TObject*) {
    if (FdbFileName.isEmpty() || !frmKorvelImageViewer) return;
    frmKorvelImageViewer->ShowImageViewer(*Picture());
}

void TdbImageDataBase::OpenClick(TObject*) {
    std::unique_ptr<TOpenPictureDialog> own;
    TOpenDialog* dialog = frmMainKorvel ? static_cast<TOpenDialog*>(frmMainKorvel->OpenPictureDialog) : nullptr;
    if (!dialog) dialog = (own = std::make_unique<TOpenPictureDialog>(nullptr)).get();
    dialog->SetFileName(QString());
    if (!dialog->Execute()) return;
    const QString fileName = dialog->FileName();
    if (!QFileInfo(fileName).isFile()) return;
    // A file that cannot be shown is refused whole: storing the old picture under the new
    // name would lose the user's picture without a word.
    QString problem;
    QByteArray bytes;
    if (!IsPictureExtension(fileName)) {
        problem = QStringLiteral("\"%1\" is not a picture of a known kind (BMP, PNG, GIF, JPEG).").arg(NamePart(fileName));
    } else {
        try {
            bytes = ReadFileBytes(fileName);
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            LoadPictureByExtension(*Picture(), buffer, fileName);
        } catch (const Exception& e) {
            problem = QStringLiteral("\"%1\" cannot be shown as a picture: %2").arg(NamePart(fileName), e.Message());
        }
    }
    if (!problem.isEmpty()) {
        MessageBoxOwned(GetParentForm(this), problem, Lang.Error, MB_OK | MB_ICONINFORMATION);
        return;
    }
    FPictureBytes = bytes;
    FdbFileName = fileName;
    FdbImageIsChanged = true;
    UpdateToolButtons();
}

void TdbImageDataBase::SaveClick(TObject*) {
    if (FdbFileName.isEmpty() || !Picture()->Graphic()) return;
    std::unique_ptr<TSavePictureDialog> own;
    TOpenDialog* dialog = frmMainKorvel ? static_cast<TOpenDialog*>(frmMainKorvel->SavePictureDialog) : nullptr;
    if (!dialog) dialog = (own = std::make_unique<TSavePictureDialog>(nullptr)).get();
    const QString name = NamePart(FdbFileName);
    dialog->SetFileName(name);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    dialog->SetDefaultExt(dot < 0 ? QString() : name.mid(dot));
    if (!dialog->Execute()) return;
    QByteArray bytes = PictureBytes();
    WriteFileBytes(dialog->FileName(), bytes);
}

void TdbImageDataBase::DeleteClick(TObject*) {
    if (FdbFileName.isEmpty()) return;
    if (MessageBoxOwned(GetParentForm(this), Lang.Are_you_sure_you_want_to_delete_the_image_from_the_database,
                        Lang.Confirm, MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
    Clear();
    FdbImageIsChanged = true;
}

// --- TdbFileToDatabase

KORVEL_CLASS_INFO(TdbFileToDatabase) {
    b.Prop("dbFileName", &TdbFileToDatabase::dbFileName, &TdbFileToDatabase::SetdbFileName);
    b.Prop("dbTable", &TdbFileToDatabase::dbTable, &TdbFileToDatabase::SetdbTable);
    b.Prop("dbField", &TdbFileToDatabase::dbField, &TdbFileToDatabase::SetdbField);
    b.Prop("dbID", &TdbFileToDatabase::dbID, &TdbFileToDatabase::SetdbID).Default(-1);
    b.Prop("dbFileIsChanged", &TdbFileToDatabase::dbFileIsChanged, &TdbFileToDatabase::SetdbFileIsChanged)
        .Default(false);
    b.Prop("dbType", &TdbFileToDatabase::dbType, &TdbFileToDatabase::SetdbType).Default(tflStore);
}

namespace {
// The folder chosen last in this run; the next folder choice starts there.
QString LastLinkedFolder;
} // namespace

TdbFileToDatabase::TdbFileToDatabase(TComponent* AOwner) : TButtonedEdit(AOwner) {
    SetReadOnly(true);
    FPopupMenu = new TPopupMenu(this);
    auto item = [this](const char* name, void (TdbFileToDatabase::*command)(TObject*)) {
        auto* i = new TMenuItem(this);
        if (*name) i->SetName(QLatin1String(name));
        if (command) i->OnClick = [this, command](TObject* sender) { (this->*command)(sender); };
        FPopupMenu->Items()->Add(i);
        return i;
    };
    mniRunFile = item("mniRunFile", &TdbFileToDatabase::RunFileClick);
    mniSaveFile = item("mniSaveFile", &TdbFileToDatabase::SaveFileClick);
    mniSeparator = item("", nullptr);
    mniSeparator->SetCaption(QStringLiteral("-"));
    mniDeleteFile = item("mniDeleteFile", &TdbFileToDatabase::DeleteFileClick);
    PreparePopup();
    OnRightButtonClick = [this](TObject*) {
        const QPoint p = QCursor::pos();
        ShowFileMenu(p.x(), p.y());
    };
    OnLeftButtonClick = [this](TObject* sender) { ChooseClick(sender); };
    // Enabled once there is a file: a loaded record's, or one the user chose.
    RightButton().SetEnabled(false);
}

TdbFileToDatabase::~TdbFileToDatabase() = default;

void TdbFileToDatabase::PreparePopup() {
    switch (FdbType) {
    case tflStore:
        mniRunFile->SetCaption(QStringLiteral("Open file"));
        mniSaveFile->SetCaption(QStringLiteral("Save file"));
        mniSaveFile->SetVisible(true);
        mniDeleteFile->SetCaption(QStringLiteral("Delete file"));
        break;
    case tflLinkFile:
        mniRunFile->SetCaption(QStringLiteral("Open file"));
        mniSaveFile->SetCaption(QStringLiteral("Open folder with file"));
        mniSaveFile->SetVisible(true);
        mniDeleteFile->SetCaption(QStringLiteral("Clear"));
        break;
    case tflLinkFolder:
        mniRunFile->SetCaption(QStringLiteral("Open"));
        mniSaveFile->SetVisible(false);
        mniDeleteFile->SetCaption(QStringLiteral("Clear"));
        break;
    }
}

void TdbFileToDatabase::ShowFileMenu(int X, int Y) {
    if (!RightButton().Visible() || !RightButton().Enabled()) return;
    PreparePopup();
    FPopupMenu->SetPopupComponent(this);
    FPopupMenu->Popup(X, Y);
}

void TdbFileToDatabase::DoContextPopup(TPoint MousePos, bool& Handled) {
    TButtonedEdit::DoContextPopup(MousePos, Handled);
    if (Handled || !RightButton().Visible() || !RightButton().Enabled()) return;
    const TPoint p = ClientToScreen(MousePos);
    ShowFileMenu(p.X, p.Y);
    Handled = true;
}

void TdbFileToDatabase::ClearEx() {
    SetText(QString());
    FdbFileName.clear();
    FdbID = -1;
    FdbFileIsChanged = false;
    RightButton().SetEnabled(false);
}

void TdbFileToDatabase::ShowFileName(const QString& fileName) {
    FdbFileName = fileName;
    SetText(FdbType == tflLinkFolder ? fileName : NamePart(fileName));
}

void TdbFileToDatabase::ShowRecordFile(const QString& fileName, int id) {
    ShowFileName(fileName);
    FdbID = id;
    RightButton().SetEnabled(true);
}

std::unique_ptr<TMemoryStream> TdbFileToDatabase::LoadStoredFile() {
    if (FdbID == -1 || !frmMainKorvel) return nullptr;
    const QString sql = QStringLiteral("SELECT ") + FdbField + QLatin1Char(',') + FdbField +
                        QStringLiteral("_filename FROM ") + FdbTable + QStringLiteral(" WHERE id=") +
                        QString::number(FdbID);
    std::unique_ptr<TSQLQuery> query = frmMainKorvel->SQLConnection()->ExecuteQuery(sql);
    if (query->RecordCount() != 1) return nullptr;
    query->First();
    auto stream = std::make_unique<TMemoryStream>();
    TField* blob = query->Fields().Get(0);
    if (blob->IsBlob() || blob->Value().Kind() == TSQLValueKind::Blob) {
        const QByteArray bytes = blob->AsBytes();
        if (!bytes.isEmpty()) stream->WriteBuffer(bytes.constData(), bytes.size());
        stream->SetPosition(0);
        FdbFileName = query->Fields().Get(1)->AsString();
    }
    return stream;
}

QByteArray TdbFileToDatabase::FileBytes() const {
    return ReadFileBytes(FdbFileName);
}

void TdbFileToDatabase::ChooseClick(TObject*) {
    if (FdbType == tflLinkFolder) {
        QString folder = LastLinkedFolder;
        if (!SelectDirectory(QStringLiteral("Select Folder"), QString(), folder)) return;
        if (!QFileInfo(folder).isDir()) return;
        LastLinkedFolder = folder;
        FdbFileName = folder;
        SetText(folder);
        FdbFileIsChanged = true;
        RightButton().SetEnabled(true);
        return;
    }
    std::unique_ptr<TOpenDialog> own;
    TOpenDialog* dialog = frmMainKorvel ? frmMainKorvel->OpenDialog : nullptr;
    if (!dialog) dialog = (own = std::make_unique<TOpenDialog>(nullptr)).get();
    dialog->SetFilter(QString());
    dialog->SetFileName(QString());
    if (!dialog->Execute()) return;
    const QString fileName = dialog->FileName();
    if (!QFileInfo(fileName).isFile()) return;
    FdbFileName = fileName;
    SetText(NamePart(fileName));
    FdbFileIsChanged = true;
    RightButton().SetEnabled(true);
}

bool TdbFileToDatabase::FileContent(QByteArray& bytes) {
    // A chosen file waiting for the save: reading the stored one instead would show the old
    // file and put its name in place of the user's choice.
    if (FdbFileIsChanged && !FdbFileName.isEmpty()) {
        bytes = FileBytes();
        return true;
    }
    std::unique_ptr<TMemoryStream> stored = LoadStoredFile();
    if (!stored) {
        MessageBoxOwned(GetParentForm(this), Lang.There_is_no_file_to_save, Lang.Error, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    bytes = stored->Bytes();
    return true;
}

void TdbFileToDatabase::OpenWithDesktop(const QString& fileName) {
    QString problem;
    if (!QFileInfo::exists(fileName))
        problem = QStringLiteral("\"%1\" does not exist.").arg(fileName);
    else if (!OpenDocument(fileName))
        problem = QStringLiteral("No program could open \"%1\".").arg(fileName);
    if (!problem.isEmpty()) MessageBoxOwned(GetParentForm(this), problem, Lang.Error, MB_OK | MB_ICONERROR);
}

void TdbFileToDatabase::RunFileClick(TObject*) {
    if (FdbType != tflStore) {
        OpenWithDesktop(FdbFileName);
        return;
    }
    QByteArray bytes;
    if (!FileContent(bytes)) return;
    QString name = NamePart(FdbFileName);
    if (name.isEmpty()) name = QStringLiteral("file");
    const QString target = TempFolderPath() + name;
    WriteFileBytes(target, bytes);
    OpenWithDesktop(target);
}

void TdbFileToDatabase::SaveFileClick(TObject*) {
    if (FdbType == tflLinkFile) {
        if (!QFileInfo::exists(FdbFileName))
            MessageBoxOwned(GetParentForm(this), QStringLiteral("\"%1\" does not exist.").arg(FdbFileName),
                            Lang.Error, MB_OK | MB_ICONERROR);
        else if (!ShowFileInFolder(FdbFileName))
            MessageBoxOwned(GetParentForm(this),
                            QStringLiteral("No file manager could show \"%1\".").arg(FdbFileName), Lang.Error,
                            MB_OK | MB_ICONERROR);
        return;
    }
    if (FdbType != tflStore) return;
    QByteArray bytes;
    if (!FileContent(bytes)) return;
    std::unique_ptr<TSaveDialog> own;
    TSaveDialog* dialog = frmMainKorvel ? frmMainKorvel->SaveDialog : nullptr;
    if (!dialog) dialog = (own = std::make_unique<TSaveDialog>(nullptr)).get();
    dialog->SetFileName(NamePart(FdbFileName));
    if (!dialog->Execute()) return;
    WriteFileBytes(dialog->FileName(), bytes);
}

void TdbFileToDatabase::DeleteFileClick(TObject*) {
    if (MessageBoxOwned(GetParentForm(this), Lang.Do_you_really_want_to_delete_the_file_from_the_database,
                        Lang.Confirm, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    ClearEx();
    FdbFileIsChanged = true;
}
