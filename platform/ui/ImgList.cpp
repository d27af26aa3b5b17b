#include "platform/ui/ImgList.h"

#include <QPainter>

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

void TCustomImageList::SetWidth(int value) {
    if (value == FWidth) return;
    FWidth = value;
    Clear();
}

void TCustomImageList::SetHeight(int value) {
    if (value == FHeight) return;
    FHeight = value;
    Clear();
}

void TCustomImageList::Change() {
    if (OnChange) OnChange(this);
}

void TCustomImageList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EInvalidOperation(QStringLiteral("Invalid ImageList Index"));
}

int TCustomImageList::AddImage(const QImage& image) {
    QImage img = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (img.size() != QSize(FWidth, FHeight))
        img = img.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    FImages.push_back(img);
    Change();
    return Count() - 1;
}

int TCustomImageList::Add(const TBitmap* image, const TBitmap* mask) {
    if (!image) throw EInvalidOperation(QStringLiteral("Invalid image"));
    QImage img = image->Image().convertToFormat(QImage::Format_ARGB32);
    if (mask && !mask->Empty()) {
        // White mask pixels are transparent, as monochrome masks mark them.
        const QImage m = mask->Image().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < img.height() && y < m.height(); ++y)
            for (int x = 0; x < img.width() && x < m.width(); ++x)
                if (qGray(m.pixel(x, y)) > 127) img.setPixel(x, y, 0);
    } else if (image->Transparent()) {
        const QRgb key = ColorToQColor(image->TransparentColor()).rgb() | 0xFF000000u;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) | 0xFF000000u) == key) img.setPixel(x, y, 0);
    }
    return AddImage(img);
}

void TCustomImageList::Replace(int index, const QImage& image) {
    CheckIndex(index);
    QImage img = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (img.size() != QSize(FWidth, FHeight)) img = img.scaled(FWidth, FHeight);
    FImages[index] = img;
    Change();
}

void TCustomImageList::Delete(int index) {
    CheckIndex(index);
    FImages.erase(FImages.begin() + index);
    Change();
}

void TCustomImageList::Clear() {
    if (FImages.empty()) return;
    FImages.clear();
    Change();
}

const QImage& TCustomImageList::Image(int index) const {
    CheckIndex(index);
    return FImages[index];
}

QPixmap TCustomImageList::Pixmap(int index, bool enabled) const {
    QImage img = Image(index);
    if (!enabled) {
        // Disabled pictures are drawn grey.
        QImage gray = img.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < gray.height(); ++y)
            for (int x = 0; x < gray.width(); ++x) {
                const QRgb p = gray.pixel(x, y);
                const int g = 128 + qGray(p) / 3;
                gray.setPixel(x, y, qRgba(g, g, g, qAlpha(p)));
            }
        img = gray;
    }
    return QPixmap::fromImage(img);
}

void TCustomImageList::GetBitmap(int index, TBitmap& bitmap) const {
    bitmap.SetImage(Image(index).convertToFormat(QImage::Format_ARGB32));
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    const QImage img = Pixmap(index, enabled).toImage();
    canvas.DrawImage(Bounds(x, y, FWidth, FHeight), img, img.rect(), TImageMode::Alpha);
}

KORVEL_CLASS_INFO(TCustomImageList) {
    b.Prop("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth).Default(16);
    b.Prop("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight).Default(16);
    b.Prop("Count", &TCustomImageList::Count);
}

KORVEL_CLASS_INFO(TImageList) {}
