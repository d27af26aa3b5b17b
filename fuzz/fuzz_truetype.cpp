// Feeds arbitrary bytes to the font subsetter as a font file or collection would come from the
// font service, packs every face it finds (up to four), and checks each subset: a single font
// whose whole-file checksum is right, and which packs again to the same bytes without a problem.
// Seeds: fuzz/corpus/fuzz_truetype; dictionary: fuzz/fuzz_truetype.dict.

#include "report/export/rptTrueTypeCollection.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so any read past the font is caught.
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    QList<quint16> glyphs = {1, 2, 3, 36, 68};
    if (size >= 2) glyphs << quint16((data[size - 2] << 8 | data[size - 1]) % 1024);

    TrueTypeCollection collection;
    try {
        collection.Initialize(bytes);
    } catch (const ETrueTypeError&) {
        return 0;
    }
    try {
        (void)collection.PackFont(QStringLiteral("Test Sans"), false, false, glyphs);
    } catch (const ETrueTypeError&) {
    }

    const int faces = collection.Count() < 4 ? collection.Count() : 4;
    for (int face = 0; face < faces; ++face) {
        QByteArray subset;
        try {
            subset = collection.PackFont(face, glyphs);
        } catch (const ETrueTypeError&) {
            continue;
        }
        Check(subset.size() >= 12 && subset.startsWith(QByteArray("\0\1\0\0", 4)));
        Check(TTF_Helpers::CalcChecksum(reinterpret_cast<const uchar*>(subset.constData()),
                                        quint32(subset.size())) == 0xB1B0AFBAu);

        TrueTypeCollection again;
        again.Initialize(subset);
        Check(again.PackFont(0, glyphs) == subset);
        Check(again.Problems().isEmpty());
    }
    return 0;
}
