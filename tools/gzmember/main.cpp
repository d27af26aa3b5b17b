// korvel_gzmember: writes files as the gzip members the report library keeps its built-in
// tool-button picture strips in (file name "1", MTIME = Adler-32 of the data), and unpacks them.
//
//   korvel_gzmember [--bmp] INPUT MEMBER    pack INPUT; with --bmp the picture (PNG or any format
//                                           the program reads) is stored as a 24-bit BMP first
//   korvel_gzmember --unpack MEMBER OUTPUT  unpack a member, checking it as the library does

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptZLib.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QStringList>

#include <cstdio>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: korvel_gzmember [--bmp] INPUT MEMBER\n"
                         "       korvel_gzmember --unpack MEMBER OUTPUT\n");
    return 2;
}

QByteArray AsBitmap(const QString& fileName) {
    QImage image(fileName);
    if (image.isNull()) throw EFOpenError(QStringLiteral("\"%1\" is not a picture this program reads").arg(fileName));
    TBitmap bitmap;
    bitmap.SetImage(image.convertToFormat(QImage::Format_RGB32));
    bitmap.SetPixelFormat(pf24bit);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bitmap.SaveToStream(buffer);
    return buffer.data();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool unpack = args.removeAll(QStringLiteral("--unpack")) > 0;
    const bool bmp = args.removeAll(QStringLiteral("--bmp")) > 0;
    if (args.size() != 2 || (unpack && bmp)) return Usage();
    try {
        if (unpack) {
            TFileStream member(args[0], fmOpenRead);
            TFileStream out(args[1], fmCreate);
            DecompressGzipStream(member, out);
            return 0;
        }
        TBytesStream input;
        if (bmp) {
            input.SetBytes(AsBitmap(args[0]));
        } else {
            TFileStream file(args[0], fmOpenRead);
            input.LoadFromStream(file);
        }
        TFileStream member(args[1], fmCreate);
        CompressToGzipMember(input, member, zcMax);
    } catch (const Exception& e) {
        std::fprintf(stderr, "korvel_gzmember: %s\n", qPrintable(e.Message()));
        return 1;
    }
    return 0;
}
