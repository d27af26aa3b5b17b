#pragma once
// The picture pack graphics.dll: a count, then per entry a name, an unpacked size and one zlib
// stream holding a picture file.

#include "platform/rtl/Streams.h"

#include <QString>

#include <functional>

// Receives each inflated picture (positioned at its start) with its entry name.
using TPictureSink = std::function<void(TMemoryStream& picture, const QString& name)>;

// Reads every entry of the pack in file order and hands it to sink. Each name is prefixed with
// folder and a path delimiter (only the unused first part of a name grows). A damaged or
// truncated pack raises EReadError naming the file and the byte offset; entries already handed
// over stay handed over.
void LoadGraphics(const QString& fileName, const QString& folder, const TPictureSink& sink);

// One entry of a pack, for writing packs (tools and tests).
struct TPicturePackEntry {
    QString Name;
    QByteArray Data;
};
QByteArray BuildPicturePack(const QList<TPicturePackEntry>& entries);
