#pragma once
// Image lists: pictures of one size kept in order and drawn by index (button icons, tool bars).

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/UiTypes.h"

#include <QImage>
#include <QPixmap>

#include <vector>

class TCustomImageList : public TComponent {
    KORVEL_CLASS(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent* AOwner);

    int Width() const { return FWidth; }
    void SetWidth(int value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    int Count() const { return static_cast<int>(FImages.size()); }

    // Adds a picture (scaled to the list's size when it differs); returns its index.
    int Add(const TBitmap* image, const TBitmap* mask = nullptr);
    int AddImage(const QImage& image);
    void Replace(int index, const QImage& image);
    void Delete(int index);
    void Clear();
    // The picture at index; EInvalidOperation for a bad index.
    const QImage& Image(int index) const;
    QPixmap Pixmap(int index, bool enabled = true) const;
    void GetBitmap(int index, TBitmap& bitmap) const;
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;

    TNotifyEvent OnChange;

protected:
    void Change();
    void CheckIndex(int index) const;

    int FWidth = 16;
    int FHeight = 16;
    std::vector<QImage> FImages;
};

class TImageList : public TCustomImageList {
    KORVEL_CLASS(TImageList, TCustomImageList)
public:
    explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};
