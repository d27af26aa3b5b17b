#include "report/export/rptGIF.h"

#include "platform/gfx/Picture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <cstring>

void WriteGIF(TStream& Stream, TBitmap& Bitmap) {
    const int width = Bitmap.Width();
    const int height = Bitmap.Height();
    // The file holds 16-bit sides: a larger one would be written as another size.
    if (width < 1 || height < 1 || width > 65535 || height > 65535)
        throw EInvalidGraphicOperation(
            QStringLiteral("Cannot write a GIF image of %1 x %2 pixels: each side must be 1 to 65535")
                .arg(width)
                .arg(height));
    Bitmap.SetPixelFormat(pf8bit);
    const QList<QRgb> palette = Bitmap.Palette();
    std::vector<quint8> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels.data() + static_cast<size_t>(y) * width, Bitmap.ScanLine(y),
                    static_cast<size_t>(width));

    TGifLayout layout;
    layout.ColorBits = 8;
    layout.ColorResolution = 7;
    layout.MinCodeSize = 8;
    layout.SubBlockSize = 254;
    layout.ControlExtension = true;
    layout.Comment = QByteArrayLiteral("Korvel");
    const QByteArray data = EncodeGIF(width, height, palette, pixels, layout);

    const Int64 start = Stream.Position();
    const bool atEnd = start >= Stream.Size();
    try {
        Stream.WriteBuffer(data.constData(), data.size());
    } catch (const EStreamError& e) {
        // Leave no torn picture behind; bytes that were there before are not ours to cut.
        if (atEnd) {
            try {
                Stream.SetSize(start);
                Stream.SetPosition(start);
            } catch (const Exception&) {
            }
        }
        const auto* file = dynamic_cast<const TFileStream*>(&Stream);
        throw EWriteError(file ? QStringLiteral("Cannot write the GIF image to \"%1\": %2")
                                     .arg(file->FileName(), e.Message())
                               : QStringLiteral("Cannot write the GIF image: %1").arg(e.Message()));
    }
}
