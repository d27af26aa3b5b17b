// JPEG coding for TJPEGImage through libjpeg.

#include "platform/gfx/Picture.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

namespace {

struct TJpegError {
    jpeg_error_mgr Mgr;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

void OnJpegMessage(j_common_ptr) {}

// Everything between setjmp and a possible longjmp is plain C data, so the jump skips no
// destructor; the results are copied into Qt types afterwards.
bool DecodeRaw(const unsigned char* data, unsigned long size, int& w, int& h, int& comps,
               std::vector<unsigned char>& pixels, char* message) {
    jpeg_decompress_struct cinfo;
    TJpegError err;
    cinfo.err = jpeg_std_error(&err.Mgr);
    err.Mgr.error_exit = OnJpegError;
    err.Mgr.output_message = OnJpegMessage;
    err.Message[0] = 0;
    if (setjmp(err.Jump)) {
        std::strncpy(message, err.Message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.jpeg_color_space != JCS_GRAYSCALE) cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    w = static_cast<int>(cinfo.output_width);
    h = static_cast<int>(cinfo.output_height);
    comps = cinfo.output_components;
    if (static_cast<unsigned long long>(w) * h > 200000000ull) {
        std::strncpy(message, "the picture is too large", JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    pixels.resize(static_cast<size_t>(w) * h * comps);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + static_cast<size_t>(cinfo.output_scanline) * w * comps;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool EncodeRaw(const unsigned char* pixels, int w, int h, int comps, int quality, bool progressive,
               unsigned char** out, unsigned long* outSize, char* message) {
    jpeg_compress_struct cinfo;
    TJpegError err;
    cinfo.err = jpeg_std_error(&err.Mgr);
    err.Mgr.error_exit = OnJpegError;
    err.Mgr.output_message = OnJpegMessage;
    err.Message[0] = 0;
    if (setjmp(err.Jump)) {
        std::strncpy(message, err.Message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = comps;
    cinfo.in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<unsigned char*>(pixels) + static_cast<size_t>(cinfo.next_scanline) * w * comps;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QImage TJPEGImage::Decode(const QByteArray& data) {
    if (data.size() < 4) throw EInvalidGraphic(QStringLiteral("JPEG error: the data is too short"));
    int w = 0, h = 0, comps = 0;
    std::vector<unsigned char> pixels;
    char message[JMSG_LENGTH_MAX] = {0};
    if (!DecodeRaw(reinterpret_cast<const unsigned char*>(data.constData()),
                   static_cast<unsigned long>(data.size()), w, h, comps, pixels, message))
        throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLatin1(message)));
    if (comps == 1) {
        QImage img(w, h, QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), pixels.data() + static_cast<size_t>(y) * w, w);
        return img;
    }
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const unsigned char* src = pixels.data() + static_cast<size_t>(y) * w * 3;
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
    }
    return img;
}

QByteArray TJPEGImage::Encode(const QImage& image, int quality, bool grayscale, bool progressive) {
    if (image.isNull()) throw EInvalidGraphicOperation(QStringLiteral("Cannot save an empty JPEG image"));
    const int w = image.width(), h = image.height();
    const int comps = grayscale ? 1 : 3;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * comps);
    if (grayscale) {
        const QImage g = image.convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y)
            std::memcpy(pixels.data() + static_cast<size_t>(y) * w, g.constScanLine(y), w);
    } else {
        // Transparent pixels are saved over white, as a JPEG has no alpha.
        QImage rgb(w, h, QImage::Format_RGB32);
        rgb.fill(Qt::white);
        {
            QPainter p(&rgb);
            p.drawImage(0, 0, image);
        }
        for (int y = 0; y < h; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            unsigned char* dst = pixels.data() + static_cast<size_t>(y) * w * 3;
            for (int x = 0; x < w; ++x) {
                dst[3 * x] = static_cast<unsigned char>(qRed(line[x]));
                dst[3 * x + 1] = static_cast<unsigned char>(qGreen(line[x]));
                dst[3 * x + 2] = static_cast<unsigned char>(qBlue(line[x]));
            }
        }
    }
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    char message[JMSG_LENGTH_MAX] = {0};
    const bool ok = EncodeRaw(pixels.data(), w, h, comps, quality, progressive, &out, &outSize, message);
    QByteArray result;
    if (ok && out) result = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    std::free(out);
    if (!ok) throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLatin1(message)));
    return result;
}
