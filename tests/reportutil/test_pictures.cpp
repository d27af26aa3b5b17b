#include "report/core/rptUtils.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/ui/ImgList.h"

#include <gtest/gtest.h>

namespace {

constexpr TColor Magenta = 0x00FF00FF; // the strips' transparent colour
constexpr QRgb MagentaRgb = 0xFFFF00FF;

// A strip of solid tiles in the given colours (RGB), each with a magenta bottom-left corner.
QImage Strip(int columns, int rows, int tile, const std::vector<QRgb>& colours) {
    QImage img(columns * tile, rows * tile, QImage::Format_RGB32);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const QRgb colour = colours[static_cast<size_t>(r * columns + c)];
            for (int y = 0; y < tile; ++y)
                for (int x = 0; x < tile; ++x)
                    img.setPixel(c * tile + x, r * tile + y, colour);
            img.setPixel(c * tile, r * tile + tile - 1, MagentaRgb);
        }
    return img;
}

QRgb Colour(int k) { return qRgb(10 * k + 5, 200 - 10 * k, 40); }

TColor PixelOf(TBitmap& bmp, int x, int y) { return bmp.Canvas().Pixel(x, y); }

} // namespace

TEST(ImageStrips, TilesGoLeftToRightThenRowByRow) {
    std::vector<QRgb> colours;
    for (int k = 0; k < 6; ++k)
        colours.push_back(Colour(k));
    TBitmap strip;
    strip.SetImage(Strip(3, 2, 16, colours));
    TImageList list(nullptr);
    list.SetWidth(16);
    list.SetHeight(16);
    LoadImageStrip(strip, 16, 16, &list);
    ASSERT_EQ(list.Count(), 6);
    for (int k = 0; k < 6; ++k) {
        const QImage& img = list.Image(k);
        EXPECT_EQ(img.pixel(8, 4) | 0xFF000000u, Colour(k) | 0xFF000000u) << k;
        EXPECT_EQ(qAlpha(img.pixel(0, 15)), 0) << k; // the transparent corner
        EXPECT_EQ(qAlpha(img.pixel(1, 15)), 255) << k;
    }
}

TEST(ImageStrips, PairsFillTheSecondListWithTheRightTwin) {
    std::vector<QRgb> colours;
    for (int k = 0; k < 8; ++k)
        colours.push_back(Colour(k));
    TBitmap strip;
    strip.SetImage(Strip(4, 2, 16, colours));
    TImageList normal(nullptr);
    TImageList disabled(nullptr);
    LoadImageStrip(strip, 16, 16, &normal, &disabled);
    ASSERT_EQ(normal.Count(), 4);
    ASSERT_EQ(disabled.Count(), 4);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(normal.Image(k).pixel(8, 8) | 0xFF000000u, Colour(2 * k) | 0xFF000000u) << k;
        EXPECT_EQ(disabled.Image(k).pixel(8, 8) | 0xFF000000u, Colour(2 * k + 1) | 0xFF000000u) << k;
    }
    // Without a first list only the twins are taken.
    TImageList onlyTwins(nullptr);
    LoadImageStrip(strip, 16, 16, nullptr, &onlyTwins);
    EXPECT_EQ(onlyTwins.Count(), 4);
}

TEST(PictureDrawing, TransparentColourLeavesTheCanvasAlone) {
    // A 2 x 2 picture: red, magenta / magenta, green; drawn 1:1 and doubled onto blue.
    TBitmap picture(2, 2, pf24bit);
    picture.Canvas().SetPixel(0, 0, clRed);
    picture.Canvas().SetPixel(1, 0, Magenta);
    picture.Canvas().SetPixel(0, 1, Magenta);
    picture.Canvas().SetPixel(1, 1, clLime);

    auto blue = [] {
        auto b = std::make_unique<TBitmap>(8, 8, pf24bit);
        b->Canvas().Brush().SetColor(clBlue);
        b->Canvas().FillRect(Rect(0, 0, 8, 8));
        return b;
    };

    auto target = blue();
    PaintBitmapWithTransparentColor(target->Canvas(), Rect(0, 0, 2, 2), picture, Magenta, false);
    EXPECT_EQ(PixelOf(*target, 0, 0), clRed);
    EXPECT_EQ(PixelOf(*target, 1, 0), clBlue);
    EXPECT_EQ(PixelOf(*target, 0, 1), clBlue);
    EXPECT_EQ(PixelOf(*target, 1, 1), clLime);

    // Through a picture object: direct, printing (rendered first) and high quality.
    struct Case {
        bool Printing, HighQuality, Transparent;
    };
    for (const Case& c : {Case{false, false, true}, Case{true, false, true}, Case{false, true, true},
                          Case{false, false, false}, Case{true, false, false}}) {
        auto t = blue();
        picture.SetTransparent(false);
        DrawPictureGraphic(t->Canvas(), Rect(4, 4, 6, 6), &picture, c.Printing, c.HighQuality, c.Transparent, Magenta);
        SCOPED_TRACE(testing::Message() << c.Printing << c.HighQuality << c.Transparent);
        EXPECT_EQ(PixelOf(*t, 4, 4), clRed);
        EXPECT_EQ(PixelOf(*t, 5, 4), c.Transparent ? clBlue : Magenta);
        EXPECT_EQ(PixelOf(*t, 5, 5), clLime);
        EXPECT_EQ(PixelOf(*t, 3, 3), clBlue); // nothing outside the rectangle
        EXPECT_EQ(t->Canvas().Brush().Color(), clWhite);
    }

    // A picture with an alpha channel, asked to be transparent, goes through the rendered path:
    // its see-through pixels take the transparent colour and then leave the canvas alone.
    QImage alpha(2, 2, QImage::Format_ARGB32);
    alpha.fill(Qt::transparent);
    alpha.setPixel(0, 0, 0xFFFF0000);
    TPngImage png;
    png.SetImage(alpha);
    auto t = blue();
    DrawPictureGraphic(t->Canvas(), Rect(0, 0, 2, 2), &png, false, false, true, Magenta);
    EXPECT_EQ(PixelOf(*t, 0, 0), clRed);
    EXPECT_EQ(PixelOf(*t, 1, 1), clBlue);

    DrawPictureGraphic(t->Canvas(), Rect(0, 0, 2, 2), nullptr, false, false, false, Magenta); // nothing

    // Through an image list: the bitmap's own transparent colour, its bottom-left pixel.
    auto u = blue();
    DrawBitmapThroughImageList(u->Canvas(), 3, 3, &picture);
    EXPECT_EQ(PixelOf(*u, 3, 3), clRed);
    EXPECT_EQ(PixelOf(*u, 3, 4), clBlue);
    EXPECT_EQ(PixelOf(*u, 4, 4), clLime);
    DrawBitmapThroughImageList(u->Canvas(), 0, 0, nullptr);
}
