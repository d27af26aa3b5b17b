#include "report/export/rptImageConverter.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Metafile.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/Streams.h"
#include "report/export/rptGIF.h"

#include <QBuffer>

namespace {

void WriteDevice(TStream& Stream, TGraphic& Graphic) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Graphic.SaveToStream(buffer);
    buffer.close();
    Stream.WriteBuffer(bytes.constData(), bytes.size());
}

// A canvas filled with one colour, then the graphic drawn once at the origin, unscaled.
void DrawOn(TBitmap& Target, TGraphic& Graphic, TColor Fill) {
    TCanvas& canvas = Target.Canvas();
    canvas.Brush().SetColor(Fill);
    canvas.FillRect(canvas.ClipRect());
    canvas.Draw(0, 0, Graphic);
    canvas.Flush();
}

} // namespace

QString PictureTypeExtension(int PictureType) {
    switch (PictureType) {
    case gpPNG: return QStringLiteral("png");
    case gpBMP: return QStringLiteral("bmp");
    case gpEMF: return QStringLiteral("emf");
    case gpWMF: return QStringLiteral("wmf");
    case gpJPG: return QStringLiteral("jpg");
    case gpGIF: return QStringLiteral("gif");
    default: return QString();
    }
}

void SaveGraphicToStream(TGraphic& Graphic, TStream& Stream, int PictureType) {
    const int w = Graphic.Width(), h = Graphic.Height();
    switch (PictureType) {
    case gpPNG: {
        TPngImage png;
        png.CreateBlank(2, 8, w, h);
        png.SetTransparentColor(static_cast<TColor>(PictureKeyColor));
        TCanvas& canvas = png.Canvas();
        canvas.Brush().SetColor(static_cast<TColor>(PictureKeyColor));
        canvas.FillRect(canvas.ClipRect());
        canvas.Draw(0, 0, Graphic);
        canvas.Flush();
        WriteDevice(Stream, png);
        break;
    }
    case gpBMP: {
        // A BMP has no transparency: unpainted parts are white, as on the JPEG and GIF bitmaps,
        // rather than the key colour showing as dark boxes.
        TBitmap bmp(w, h, pf24bit);
        DrawOn(bmp, Graphic, clWhite);
        WriteDevice(Stream, bmp);
        break;
    }
    case gpEMF:
    case gpWMF: {
        TMetafile meta;
        meta.SetWidth(w);
        meta.SetHeight(h);
        meta.SetEnhanced(PictureType == gpEMF);
        {
            TMetafileCanvas canvas(meta);
            canvas.Draw(0, 0, Graphic);
        }
        WriteDevice(Stream, meta);
        break;
    }
    case gpJPG: {
        TBitmap bmp(w, h);
        DrawOn(bmp, Graphic, clWhite);
        TJPEGImage jpeg;
        jpeg.Assign(bmp);
        WriteDevice(Stream, jpeg);
        break;
    }
    case gpGIF: {
        TBitmap bmp(w, h);
        DrawOn(bmp, Graphic, clWhite);
        WriteGIF(Stream, bmp);
        break;
    }
    default: break;
    }
}

void SaveGraphicToFile(TGraphic& Graphic, const QString& FileName, int PictureType) {
    TFileStream file(FileName, fmCreate);
    SaveGraphicToStream(Graphic, file, PictureType);
}
