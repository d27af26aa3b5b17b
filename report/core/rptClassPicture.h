#pragma once
// The picture object. Its picture is held in the template, loaded from a file named by FileLink
// (which may hold bracketed expressions) or read from a BLOB field of its dataset; it is drawn
// stretched (keeping its proportions or not), centred or at its own size, and transparently.
// Prepared pages keep each picture once in the picture cache and the object only its ImageIndex.
//
// Pictures from a stream are recognised by their first bytes, in this order: bitmap ("BM"),
// JPEG (FF D8), PNG, placeable Windows metafile, enhanced metafile, icon, and last GIF.
// Metafiles keep their bytes as they came (see TStoredMetafile). A picture larger than
// MaxPicturePixels is refused with a message before it is decoded, so memory stays bounded.

#include "report/core/rptClassView.h"

#include <QByteArray>

#include <memory>

class TPicture;
class TGraphic;

// The kinds a picture stream is recognised as.
enum TrptPictureKind { pkNone, pkBitmap, pkJPEG, pkPNG, pkWMF, pkEMF, pkIcon, pkGIF };

class TrptPictureView : public TrptView {
    KORVEL_CLASS(TrptPictureView, TrptView)
public:
    explicit TrptPictureView(TComponent* AOwner = nullptr);
    ~TrptPictureView() override;

    QString GetDescription() const override;
    // Stores a changed picture in the prepared pages' picture cache first (setting ImageIndex);
    // then a blank, the view's difference, ImageIndex, and Transparent and TransparentColor when
    // they are not the defaults.
    QString Diff(TrptComponent* AComponent) override;
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // The view's step, then the picture from FileLink (expanded) or from a BLOB field. A file or
    // BLOB that is recognised but cannot be read leaves the picture empty and raises
    // EInvalidGraphic naming the object and where the picture came from.
    void GetData() override;

    // Reads a picture from s, from its start or (ResetStreamPos false) from its position; a
    // graphic stream header in front of the picture is skipped. Returns 0, or InvalidArgument
    // with the picture cleared when the bytes are of no known kind. Bytes of a known kind that
    // cannot be decoded, or a picture too large, clear the picture and raise EInvalidGraphic.
    int LoadPictureFromStream(TStream& s, bool ResetStreamPos);
    // The platform's invalid-argument result code.
    static constexpr int InvalidArgument = static_cast<int>(0x80070057u);
    // The kind of a picture by its first bytes (pkNone when unknown).
    static TrptPictureKind PictureKindOf(const QByteArray& Data);
    // Decodes a picture of a known kind; refuses one larger than MaxPicturePixels before decoding.
    static std::unique_ptr<TGraphic> DecodePicture(TrptPictureKind Kind, const QByteArray& Data);
    // Loads the picture from a file: by its extension, by its bytes when the extension names no
    // picture kind. Raises EInvalidGraphic naming the file when it cannot be read.
    void LoadFromFile(const QString& FileName);
    static constexpr qint64 MaxPicturePixels = 64LL * 1024 * 1024;

    bool AutoSize() const { return FAutoSize; }
    // True takes the picture's size in pixels, when there is a picture.
    void SetAutoSize(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value) { FCenter = Value; }
    const QString& FileLink() const { return FFileLink; }
    void SetFileLink(const QString& Value) { FFileLink = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    bool IsImageIndexStored() const { return FIsImageIndexStored; }
    void SetIsImageIndexStored(bool Value) { FIsImageIndexStored = Value; }
    bool IsPictureStored() const { return FIsPictureStored; }
    void SetIsPictureStored(bool Value) { FIsPictureStored = Value; }
    bool KeepAspectRatio() const { return FKeepAspectRatio; }
    void SetKeepAspectRatio(bool Value) { FKeepAspectRatio = Value; }
    TPicture* Picture() const { return FPicture.get(); }
    // Assigns into the object's own picture (null clears it).
    void SetPicture(const TPicture* Value);
    bool PictureChanged() const { return FPictureChanged; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool Value) { FStretched = Value; }
    bool HightQuality() const { return FHightQuality; }
    void SetHightQuality(bool Value) { FHightQuality = Value; }
    bool Transparent() const { return FTransparent; }
    // Also makes the fill colour none (transparent) or white.
    void SetTransparent(bool Value);
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor Value) { FTransparentColor = Value; }

protected:
    // The picture's change event: AutoSize again, and the picture counts as changed.
    void PictureModified();

private:
    void ApplyAutoSize();
    void LoadBytes(const QByteArray& Data, TrptPictureKind Kind);

    bool FAutoSize = false;
    bool FCenter = false;
    QString FFileLink;
    int FImageIndex = 0;
    bool FIsImageIndexStored = false;
    bool FIsPictureStored = true;
    bool FKeepAspectRatio = true;
    std::unique_ptr<TPicture> FPicture;
    bool FPictureChanged = false;
    bool FStretched = true;
    bool FHightQuality = false;
    bool FTransparent = false;
    TColor FTransparentColor = clWhite;
};

// Registers the picture object for templates (once per process).
void RegisterPictureClasses();
// The line classes and the picture object.
void RegisterLinePictureClasses();
