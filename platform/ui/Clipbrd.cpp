#include "platform/ui/Clipbrd.h"

#include "platform/gfx/Bitmap.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace {
QClipboard* Board() { return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr; }
} // namespace

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}

QString TClipboard::AsText() const {
    QClipboard* b = Board();
    return b ? b->text() : QString();
}

void TClipboard::SetAsText(const QString& value) {
    if (QClipboard* b = Board()) b->setText(value);
}

bool TClipboard::HasFormat(unsigned format) const {
    QClipboard* b = Board();
    if (!b || !b->mimeData()) return false;
    const QMimeData* m = b->mimeData();
    switch (format) {
    case CF_TEXT:
    case CF_UNICODETEXT: return m->hasText();
    case CF_BITMAP:
    case CF_PICTURE: return m->hasImage();
    default: return false;
    }
}

void TClipboard::Clear() {
    if (QClipboard* b = Board()) b->clear();
}

void TClipboard::Assign(const TGraphic& graphic) {
    if (QClipboard* b = Board()) b->setImage(graphic.ToImage());
}

void TClipboard::Assign(const TPicture& picture) {
    if (picture.Graphic()) Assign(*picture.Graphic());
    else Clear();
}

bool TClipboard::GetPicture(TPicture& picture) const {
    QClipboard* b = Board();
    if (!b) return false;
    const QImage image = b->image();
    if (image.isNull()) return false;
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetImage(image);
    picture.SetGraphic(std::move(bmp));
    return true;
}
