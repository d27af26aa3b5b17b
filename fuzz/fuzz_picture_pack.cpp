// libFuzzer target over the picture pack reader: a damaged pack raises a read error naming the
// place, it never reads past its data.
#include "app/uZlib.h"
#include "platform/rtl/Exceptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("graphics.dll"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    f.close();
    try {
        LoadGraphics(file, QString(), [](TMemoryStream& picture, const QString&) { picture.Size(); });
    } catch (const EStreamError&) {
    }
    return 0;
}
