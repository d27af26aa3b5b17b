#include "ShellFixture.h"

#include "app/dbControls.h"
#include "app/uImageViewerForm.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/data/Params.h"
#include "platform/data/SQLConnection.h"
#include "platform/gfx/Picture.h"
#include "platform/sys/TempFiles.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <QBuffer>
#include <QEvent>
#include <QDir>
#include <QFile>
#include <QImage>

namespace {

QImage Sample(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x * y) & 0xFF));
    return image;
}

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class Pictures : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        Build(R"(<main><frmMain Width="400" Height="300">
            <TdbImageDataBase Name="imgPhoto" dbTable="customers" dbField="photo" Left="10" Top="10" Width="100" Height="80"/>
            <TdbFileToDatabase Name="fdScan" dbTable="documents" dbField="scan" Left="10" Top="120" Width="200"/>
            <TdbFileToDatabase Name="fdLink" dbTable="documents" dbField="link" dbType="tflLinkFile" Left="10" Top="150" Width="200"/>
            <TdbFileToDatabase Name="fdFolder" dbTable="documents" dbField="folder" dbType="tflLinkFolder" Left="10" Top="180" Width="200"/>
            </frmMain></main>)");
        ASSERT_TRUE(frmMainKorvel->FormsProblems().isEmpty());
        Photo = Find<TdbImageDataBase>(frmMainKorvel, "imgPhoto");
        Scan = Find<TdbFileToDatabase>(frmMainKorvel, "fdScan");
        Link = Find<TdbFileToDatabase>(frmMainKorvel, "fdLink");
        Folder = Find<TdbFileToDatabase>(frmMainKorvel, "fdFolder");
        OpenDatabase({"CREATE TABLE customers (id INTEGER PRIMARY KEY, photo BLOB, photo_filename TEXT)",
                      "CREATE TABLE documents (id INTEGER PRIMARY KEY, scan BLOB, scan_filename TEXT, link BLOB,"
                      " link_filename TEXT, folder BLOB, folder_filename TEXT)"});
    }
    // Stores the bytes and name the way a save does, and returns the new record's id.
    int Store(const char* table, const char* field, const QByteArray& bytes, const QString& name) {
        TParams params;
        params.CreateParam(ftBlob, QLatin1String(field), ptInput).SetAsBlob(bytes);
        TSQLConnection& c = *frmMainKorvel->SQLConnection();
        c.Execute(QStringLiteral("INSERT INTO [%1] ([%2],[%2_filename]) VALUES (:%2,\"%3\")")
                      .arg(QLatin1String(table), QLatin1String(field), name),
                  &params);
        return static_cast<int>(c.LastInsertRowId());
    }
    QByteArray Column(const QString& sql) {
        auto q = frmMainKorvel->SQLConnection()->ExecuteQuery(sql);
        q->First();
        return q->Fields().Get(0)->AsBytes();
    }

    TdbImageDataBase* Photo = nullptr;
    TdbFileToDatabase* Scan = nullptr;
    TdbFileToDatabase* Link = nullptr;
    TdbFileToDatabase* Folder = nullptr;
};

TEST_F(Pictures, StoredPictureRoundTripsByteForByte) {
    const struct {
        const char* File;
        const char* Format;
        const char* Kind;
    } cases[] = {{"photo.png", "PNG", "TPngImage"}, {"PHOTO.JPG", "JPG", "TJPEGImage"},
                 {"scan.jpeg", "JPG", "TJPEGImage"}, {"old.bmp", "BMP", "TBitmap"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const QByteArray original = Encoded(Sample(37, 23), c.Format);
        Write(QLatin1String(c.File), original);
        UI().AnswerFile({Path(QLatin1String(c.File))});
        Photo->OpenClick(nullptr);
        ASSERT_EQ(Photo->dbFileName(), Path(QLatin1String(c.File)));
        EXPECT_TRUE(Photo->dbImageIsChanged());
        ASSERT_NE(Photo->Picture()->Graphic(), nullptr);
        EXPECT_EQ(Photo->Picture()->Graphic()->ClassName(), QLatin1String(c.Kind));
        EXPECT_EQ(Photo->Picture()->Width(), 37);

        const int id = Store("customers", "photo", Photo->PictureBytes(), QLatin1String(c.File));
        EXPECT_EQ(Column(QStringLiteral("SELECT photo FROM customers WHERE id=%1").arg(id)), original);

        // Shown again from the database, as a record form loads it.
        Photo->Clear();
        Photo->SetdbImageIsChanged(false);
        TMemoryStream stream;
        const QByteArray stored = Column(QStringLiteral("SELECT photo FROM customers WHERE id=%1").arg(id));
        stream.WriteBuffer(stored.constData(), stored.size());
        stream.SetPosition(0);
        Photo->SetdbFileName(QLatin1String(c.File));
        Photo->LoadPictureFromStream(stream, QLatin1String(c.File));
        EXPECT_EQ(Photo->Picture()->Width(), 37);
        EXPECT_EQ(Photo->Picture()->Height(), 23);
        EXPECT_EQ(Photo->PictureBytes(), original);

        // Saved back to disk in the picture's own format.
        const QString copy = Path(QStringLiteral("copy_") + QLatin1String(c.File));
        UI().AnswerFile({copy});
        Photo->SaveClick(nullptr);
        EXPECT_EQ(ReadAll(copy), original);
    }
}

TEST_F(Pictures, UnreadablePictureIsRefusedAndNothingIsLost) {
    const QByteArray original = Encoded(Sample(20, 10), "PNG");
    Write("photo.png", original);
    UI().AnswerFile({Path("photo.png")});
    Photo->OpenClick(nullptr);
    Photo->SetdbImageIsChanged(false);

    Write("picture.tif", "II*\0 not a picture we read");
    Write("broken.png", "\x89PNG\r\n\x1a\n garbage");
    Write("text.jpg", "plain text, not a JPEG");
    for (const char* bad : {"picture.tif", "broken.png", "text.jpg"}) {
        SCOPED_TRACE(bad);
        UI().AnswerFile({Path(QLatin1String(bad))});
        UI().AnswerMessage(mrOk, QLatin1String(bad));
        Photo->OpenClick(nullptr);
        EXPECT_EQ(Photo->dbFileName(), Path("photo.png"));
        EXPECT_FALSE(Photo->dbImageIsChanged());
        EXPECT_EQ(Photo->PictureBytes(), original);
        EXPECT_EQ(Photo->Picture()->Width(), 20);
    }
    ASSERT_EQ(UI().Messages().size(), 3u);
    EXPECT_EQ(UI().Messages()[0].Caption, Lang.Error);

    // A stream that cannot be decoded raises and leaves the picture alone too.
    TMemoryStream junk;
    junk.WriteBuffer("junk", 4);
    junk.SetPosition(0);
    EXPECT_THROW(Photo->LoadPictureFromStream(junk, "x.png"), Exception);
    EXPECT_EQ(Photo->PictureBytes(), original);
}

TEST_F(Pictures, EmptyPictureShowsAFrameAndIgnoresClicks) {
    ASSERT_EQ(Photo->Width(), 100);
    ASSERT_EQ(Photo->Height(), 80);
    ASSERT_NE(Photo->Picture()->Graphic(), nullptr);
    const QImage frame = Photo->Picture()->Graphic()->ToImage();
    ASSERT_EQ(frame.size(), QSize(100, 80));
    const QRgb face = frame.pixel(50, 40);
    EXPECT_EQ(QColor(face), QColor(ColorToRGB(clBtnFace) & 0xFF, (ColorToRGB(clBtnFace) >> 8) & 0xFF,
                                   (ColorToRGB(clBtnFace) >> 16) & 0xFF));
    // Dotted: black and face alternate along the border, and the last row and column are drawn.
    int black = 0, other = 0;
    for (int x = 0; x < 99; ++x) (qGray(frame.pixel(x, 0)) < 40 ? black : other)++;
    EXPECT_GT(black, 20);
    EXPECT_GT(other, 20);
    int bottom = 0;
    for (int x = 0; x < 99; ++x) bottom += qGray(frame.pixel(x, 78)) < 40;
    EXPECT_GT(bottom, 20);

    Photo->ImageClick(nullptr);
    EXPECT_FALSE(frmKorvelImageViewer->Visible());
    // Nothing to save or delete: no dialog, no question.
    Photo->SaveClick(nullptr);
    Photo->DeleteClick(nullptr);
}

TEST_F(Pictures, DeleteAsksAndClears) {
    Write("photo.png", Encoded(Sample(20, 10), "PNG"));
    UI().AnswerFile({Path("photo.png")});
    Photo->OpenClick(nullptr);
    Photo->SetdbImageIsChanged(false);

    UI().AnswerMessage(mrNo, Lang.Are_you_sure_you_want_to_delete_the_image_from_the_database);
    Photo->DeleteClick(nullptr);
    EXPECT_FALSE(Photo->dbImageIsChanged());
    EXPECT_FALSE(Photo->dbFileName().isEmpty());

    UI().AnswerMessage(mrYes);
    Photo->DeleteClick(nullptr);
    EXPECT_TRUE(Photo->dbImageIsChanged());
    EXPECT_TRUE(Photo->dbFileName().isEmpty());
    EXPECT_TRUE(Photo->PictureBytes().isEmpty());
    EXPECT_EQ(Photo->Picture()->Width(), 100); // the empty frame again
    ASSERT_EQ(UI().Messages().size(), 2u);
    EXPECT_EQ(UI().Messages()[1].Caption, Lang.Confirm);
}

TEST_F(Pictures, ToolBarHasItsButtonsAndHints) {
    ASSERT_NE(Photo->ToolBarControl(), nullptr);
    EXPECT_FALSE(Photo->ToolBarControl()->Visible());
    EXPECT_EQ(Photo->ToolBarControl()->Owner(), frmMainKorvel);
    EXPECT_EQ(Photo->ToolBarControl()->Parent(), Photo->Parent());
    EXPECT_EQ(Photo->OpenButton()->Hint(), QLatin1String("Select image to be save in the database"));
    EXPECT_EQ(Photo->SaveButton()->Hint(), QLatin1String("Save image from the database"));
    EXPECT_EQ(Photo->DeleteButton()->Hint(), QLatin1String("Delete the image from the database"));
    EXPECT_EQ(Photo->OpenButton()->Width(), 26);
    EXPECT_EQ(Photo->OpenButton()->Height(), 26);
}

TEST_F(Pictures, ViewerShowsSmallPicturesAtSizeAndLargeOnesMaximised) {
    TfrmKorvelImageViewer::ScreenSizeOverride = TSize(1280, 1024);
    const struct {
        int W, H;
        bool Maximised;
    } cases[] = {{1300, 800, false}, {1400, 800, true}, {300, 1044, false}, {300, 1045, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.W << "x" << c.H);
        TPicture picture;
        TBitmap bitmap(c.W, c.H);
        picture.SetGraphic(&bitmap);
        frmKorvelImageViewer->ShowImageViewer(picture);
        EXPECT_TRUE(frmKorvelImageViewer->Visible());
        EXPECT_EQ(frmKorvelImageViewer->WindowState(), c.Maximised ? wsMaximized : wsNormal);
        EXPECT_EQ(frmKorvelImageViewer->imgView->Stretch(), c.Maximised);
        if (!c.Maximised) {
            EXPECT_EQ(frmKorvelImageViewer->ClientWidth(), c.W);
            EXPECT_EQ(frmKorvelImageViewer->ClientHeight(), c.H);
        }
        EXPECT_EQ(frmKorvelImageViewer->imgView->Picture()->Width(), c.W);
        Word key = 27;
        frmKorvelImageViewer->FormKeyUp(nullptr, key, {});
        EXPECT_FALSE(frmKorvelImageViewer->Visible());
        EXPECT_EQ(frmKorvelImageViewer->imgView->Picture()->Graphic(), nullptr);
    }
    TfrmKorvelImageViewer::ScreenSizeOverride = TSize(0, 0);
    EXPECT_EQ(frmKorvelImageViewer->Caption(), QStringLiteral("Просмотр изображений"));
    EXPECT_TRUE(frmKorvelImageViewer->KeyPreview());
}

TEST_F(Pictures, StoredFileRoundTripsByteForByte) {
    QByteArray original;
    for (int i = 0; i < 70000; ++i) original += char(i * 7 % 256);
    Write("contract.pdf", original);
    UI().AnswerFile({Path("contract.pdf")});
    Scan->ChooseClick(nullptr);
    EXPECT_EQ(Scan->dbFileName(), Path("contract.pdf"));
    EXPECT_EQ(Scan->Text(), QLatin1String("contract.pdf"));
    EXPECT_TRUE(Scan->dbFileIsChanged());

    const int id = Store("documents", "scan", Scan->FileBytes(), QStringLiteral("contract.pdf"));
    Scan->ClearEx();
    EXPECT_EQ(Scan->dbID(), -1);
    EXPECT_FALSE(Scan->RightButton().Enabled());
    Scan->SetdbID(id);
    auto stored = Scan->LoadStoredFile();
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->Bytes(), original);
    EXPECT_EQ(Scan->dbFileName(), QLatin1String("contract.pdf"));

    // Opening writes the file into the temporary folder and hands it to the desktop, every time.
    for (int run = 0; run < 2; ++run) {
        FOpened.clear();
        Scan->RunFileClick(nullptr);
        ASSERT_EQ(FOpened.size(), 1);
        EXPECT_EQ(FOpened[0].toLocalFile(), TempFolderPath() + "contract.pdf");
        EXPECT_EQ(ReadAll(TempFolderPath() + "contract.pdf"), original);
        QFile::remove(TempFolderPath() + "contract.pdf");
    }

    UI().AnswerFile({Path("saved.pdf")});
    Scan->SaveFileClick(nullptr);
    EXPECT_EQ(ReadAll(Path("saved.pdf")), original);
}

TEST_F(Pictures, MissingStoredFileSaysSo) {
    const struct {
        int Id;
        const char* Why;
    } cases[] = {{-1, "no record"}, {4242, "no row"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Why);
        Scan->SetdbID(c.Id);
        EXPECT_EQ(Scan->LoadStoredFile(), nullptr);
        UI().AnswerMessage(mrOk, Lang.There_is_no_file_to_save);
        Scan->RunFileClick(nullptr);
        UI().AnswerMessage(mrOk, Lang.There_is_no_file_to_save);
        Scan->SaveFileClick(nullptr);
    }
    EXPECT_TRUE(FOpened.isEmpty());
}

TEST_F(Pictures, LinkedFileAndFolderStoreOnlyTheirPath) {
    Write("price list.ods", "sheet");
    UI().AnswerFile({Path("price list.ods")});
    Link->ChooseClick(nullptr);
    EXPECT_EQ(Link->Text(), QLatin1String("price list.ods"));
    EXPECT_TRUE(Link->dbFileIsChanged());

    QDir().mkpath(Path("archive"));
    UI().AnswerFolder(Path("archive"));
    Folder->ChooseClick(nullptr);
    EXPECT_EQ(Folder->dbFileName(), Path("archive"));
    EXPECT_EQ(Folder->Text(), Path("archive"));
    EXPECT_TRUE(Folder->dbFileIsChanged());

    // A save writes the path into the _filename column only.
    TSQLConnection& c = *frmMainKorvel->SQLConnection();
    c.ExecuteDirect(QStringLiteral("INSERT INTO documents (link_filename, folder_filename) VALUES (\"%1\", \"%2\")")
                        .arg(Link->dbFileName(), Folder->dbFileName()));
    auto q = c.ExecuteQuery(QStringLiteral("SELECT link, link_filename, folder, folder_filename FROM documents"));
    q->First();
    EXPECT_TRUE(q->Fields().Get(0)->IsNull());
    EXPECT_TRUE(q->Fields().Get(2)->IsNull());
    Link->ClearEx();
    Folder->ClearEx();
    Link->ShowFileName(q->Fields().Get(1)->AsString());
    Folder->ShowFileName(q->Fields().Get(3)->AsString());
    EXPECT_EQ(Link->Text(), QLatin1String("price list.ods"));
    EXPECT_EQ(Link->dbFileName(), Path("price list.ods"));
    EXPECT_EQ(Folder->Text(), Path("archive"));

    Link->RunFileClick(nullptr);
    Folder->RunFileClick(nullptr);
    ASSERT_EQ(FOpened.size(), 2);
    EXPECT_EQ(FOpened[0].toLocalFile(), Path("price list.ods"));
    EXPECT_EQ(FOpened[1].toLocalFile(), Path("archive"));
    Link->SaveFileClick(nullptr);
    ASSERT_EQ(FShown.size(), 1);
    EXPECT_TRUE(FShown[0].endsWith(QLatin1String("price%20list.ods")) || FShown[0].endsWith(QLatin1String("price list.ods")))
        << FShown[0].toStdString();

    // A folder that does not exist is not taken.
    UI().AnswerFolder(Path("nowhere"));
    Folder->ChooseClick(nullptr);
    EXPECT_EQ(Folder->dbFileName(), Path("archive"));
}

TEST_F(Pictures, PopupCaptionsFollowTheKind) {
    const struct {
        TdbFileToDatabase* Field;
        const char* First;
        const char* Second; // null: hidden
        const char* Fourth;
    } cases[] = {{Scan, "Open file", "Save file", "Delete file"},
                 {Link, "Open file", "Open folder with file", "Clear"},
                 {Folder, "Open", nullptr, "Clear"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.First);
        c.Field->PreparePopup();
        EXPECT_EQ(c.Field->mniRunFile->Caption(), QLatin1String(c.First));
        EXPECT_EQ(c.Field->mniSaveFile->Visible(), c.Second != nullptr);
        if (c.Second) {
            EXPECT_EQ(c.Field->mniSaveFile->Caption(), QLatin1String(c.Second));
        }
        EXPECT_EQ(c.Field->mniSeparator->Caption(), QLatin1String("-"));
        EXPECT_EQ(c.Field->mniDeleteFile->Caption(), QLatin1String(c.Fourth));
    }
    // Clearing a link still asks the delete question.
    Folder->ShowFileName(Path("x"));
    UI().AnswerMessage(mrYes, Lang.Do_you_really_want_to_delete_the_file_from_the_database);
    Folder->DeleteFileClick(nullptr);
    EXPECT_TRUE(Folder->dbFileName().isEmpty());
    EXPECT_TRUE(Folder->dbFileIsChanged());
    EXPECT_EQ(UI().Messages().back().Icon, TMessageIcon::Question);
}

TEST_F(Pictures, ToolBarAppearsCentredOverThePicture) {
    QEvent enter(QEvent::Enter);
    Photo->DispatchWidgetEvent(&enter);
    TCustomControl* bar = Photo->ToolBarControl();
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(bar->Left(), Photo->Left() + Photo->Width() / 2 - bar->Width() / 2);
    EXPECT_EQ(bar->Top(), Photo->Top() + 1);
    // Nothing to save or delete yet.
    EXPECT_TRUE(Photo->OpenButton()->Enabled());
    EXPECT_FALSE(Photo->SaveButton()->Enabled());
    EXPECT_FALSE(Photo->DeleteButton()->Enabled());

    Write("photo.png", Encoded(Sample(20, 10), "PNG"));
    UI().AnswerFile({Path("photo.png")});
    Photo->OpenClick(nullptr);
    QEvent leave(QEvent::Leave);
    Photo->DispatchWidgetEvent(&leave);
    Photo->DispatchWidgetEvent(&enter);
    EXPECT_TRUE(Photo->SaveButton()->Enabled());
    EXPECT_TRUE(Photo->DeleteButton()->Enabled());
}

// The bar stays shown while the user works with it: its buttons follow the picture at once, not
// only when the mouse comes back over the picture.
TEST_F(Pictures, ToolBarButtonsFollowThePictureWhileShown) {
    QEvent enter(QEvent::Enter);
    Photo->DispatchWidgetEvent(&enter);
    ASSERT_TRUE(Photo->ToolBarControl()->Visible());
    EXPECT_FALSE(Photo->SaveButton()->Enabled());

    const QByteArray png = Encoded(Sample(20, 10), "PNG");
    Write("photo.png", png);
    UI().AnswerFile({Path("photo.png")});
    Photo->OpenClick(nullptr);
    EXPECT_TRUE(Photo->SaveButton()->Enabled());
    EXPECT_TRUE(Photo->DeleteButton()->Enabled());

    UI().AnswerMessage(mrYes, Lang.Are_you_sure_you_want_to_delete_the_image_from_the_database);
    Photo->DeleteClick(nullptr);
    EXPECT_FALSE(Photo->SaveButton()->Enabled());
    EXPECT_FALSE(Photo->DeleteButton()->Enabled());

    // A record's picture loaded under the bar.
    TMemoryStream stream;
    stream.WriteBuffer(png.constData(), png.size());
    stream.SetPosition(0);
    Photo->SetdbFileName("photo.png");
    Photo->LoadPictureFromStream(stream, "photo.png");
    EXPECT_TRUE(Photo->SaveButton()->Enabled());
    Photo->Clear();
    EXPECT_FALSE(Photo->DeleteButton()->Enabled());
    EXPECT_TRUE(Photo->ToolBarControl()->Visible());
}

TEST_F(Pictures, FixedPictureLoadsByExtension) {
    TdbImage image(nullptr);
    Write("LOGO.JPG", Encoded(Sample(16, 12), "JPG"));
    Write("logo.tif", "not read");
    image.LoadPicture(Path("missing.png"));
    EXPECT_EQ(image.Picture()->Graphic(), nullptr);
    image.LoadPicture(Path("LOGO.JPG"));
    ASSERT_NE(image.Picture()->Graphic(), nullptr);
    EXPECT_EQ(image.Picture()->Graphic()->ClassName(), QLatin1String("TJPEGImage"));
    image.LoadPicture(Path("logo.tif"));
    EXPECT_EQ(image.Picture()->Graphic()->ClassName(), QLatin1String("TJPEGImage"));
    EXPECT_EQ(image.Picture()->Width(), 16);
}
