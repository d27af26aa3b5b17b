#pragma once
// The picture pack graphics.dll: a count, then per entry a name, an unpacked size and one zlib
// stream holding a picture file.

#include "platform/rtl/Streams.h"

#include <QString>

#include <functional>
#include <vector>

class TComponent;

// Receives each inflated picture (positioned at its start) with its entry name.
using TPictureSink = std::function<void(TMemoryStream& picture, const QString& name)>;

// Reads every entry of the pack in file order and hands it to sink. Each name is prefixed with
// folder and a path delimiter (only the unused first part of a name grows). A damaged or
// truncated pack raises EReadError naming the file and the byte offset; entries already handed
// over stay handed over. Memory follows what a stream really holds, never what its size claims.
void LoadGraphics(const QString& fileName, const QString& folder, const TPictureSink& sink);

// One entry of a pack, for writing packs (tools and tests).
struct TPicturePackEntry {
    QString Name;
    QByteArray Data;
};
QByteArray BuildPicturePack(const QList<TPicturePackEntry>& entries);

// The parts of an entry name that designate an image control: "<unused>.<window>.<control>.<ext>".
struct TPictureEntryName {
    QString Window;
    QString Control;
    QString Extension; // lower case
};
// False when the name does not have exactly four parts separated by ".".
bool ParsePictureEntryName(const QString& name, TPictureEntryName& parts);

// Puts the picture into the TdbImage the entry name designates: window and control names compare
// exactly, and of several matches the last (last window, then last component) receives it. Names
// of another shape, unknown windows or controls and unknown extensions are skipped; a picture its
// decoder rejects raises the decoder's error. The first form searches the screen's windows.
void LoadPicture(TMemoryStream& picture, const QString& name);
void LoadPicture(TMemoryStream& picture, const QString& name, const std::vector<TComponent*>& windows);
