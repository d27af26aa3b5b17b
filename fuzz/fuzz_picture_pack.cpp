// libFuzzer target over the picture pack reader: a damaged pack raises a read error naming the
// place, it never reads past its data nor allocates what a lying size claims; every entry name
// that comes out goes through the name parser the windows use.
#include "app/uZlib.h"
#include "platform/rtl/Exceptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("graphics.dll"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    f.close();
    try {
        LoadGraphics(file, QString(), [size](TMemoryStream& picture, const QString& name) {
            // Deflate cannot yield more than about 1032 bytes per input byte.
            if (picture.Size() > qint64(size) * 1032 + 64) std::abort();
            TPictureEntryName parts;
            if (ParsePictureEntryName(name, parts) && parts.Extension != parts.Extension.toLower()) std::abort();
        });
    } catch (const EStreamError&) {
    }
    return 0;
}
