#pragma once
// Shared pieces of the line and picture tests: an image to draw on with pixel probes, and
// picture files made in memory.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"

#include <QBuffer>
#include <QImage>

#include <memory>

namespace linepic {

// An image canvas filled with one colour.
struct TSheet {
    QImage Image;
    std::unique_ptr<TCanvas> Canvas;
    explicit TSheet(int w = 120, int h = 100, QRgb fill = qRgb(255, 255, 255))
        : Image(w, h, QImage::Format_RGB32) {
        Image.fill(fill);
        Canvas = std::make_unique<TCanvas>(&Image);
    }
    QRgb At(int x, int y) {
        Canvas->Flush();
        return Image.pixel(x, y) | 0xFF000000u;
    }
};

inline QRgb Rgb(int r, int g, int b) {
    return qRgb(r, g, b) | 0xFF000000u;
}

inline bool Near(QRgb a, QRgb b, int tolerance = 0) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

inline QImage Filled(int w, int h, QRgb color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    return img;
}

// A picture of w x h in one colour with a frame of another one pixel wide.
inline QImage Framed(int w, int h, QRgb inside, QRgb frame) {
    QImage img = Filled(w, h, frame);
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            img.setPixel(x, y, inside);
    return img;
}

inline QByteArray BytesOf(TGraphic& g) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    g.SaveToStream(buf);
    return bytes;
}

inline QByteArray Png(const QImage& img) {
    TPngImage p;
    p.SetImage(img);
    return BytesOf(p);
}

inline QByteArray Bmp(const QImage& img) {
    TBitmap b;
    b.SetImage(img);
    return BytesOf(b);
}

inline QByteArray Jpeg(const QImage& img) {
    TBitmap b;
    b.SetImage(img);
    TJPEGImage j;
    j.Assign(b);
    return BytesOf(j);
}

} // namespace linepic
