#pragma once
// TStoredMetafile: a metafile file (enhanced, or placeable Windows) kept as the bytes it came in.
// What TMetafile reads (pictures made of bitmap records) is drawn as TMetafile draws it; a file
// with vector records cannot be drawn here and shows a placeholder of the picture's size, a grey
// box with its diagonals. Either way, saving writes the file's bytes back unchanged as long as
// nobody drew on the picture or resized it, so a template or an export passes the file on as it
// came. Its class name is TMetafile, which is what stored documents call it.

#include "platform/gfx/Metafile.h"

#include <QByteArray>

class TStoredMetafile : public TMetafile {
public:
    // Refuses data that is no metafile, has no size, or is larger than MaxSide on a side or
    // MaxPixels in all (EInvalidGraphic, naming the size); the picture is unchanged then.
    void LoadFromStream(QIODevice& stream) override;
    // The bytes as loaded while the picture is unchanged; otherwise TMetafile's own file.
    void SaveToStream(QIODevice& stream) override;
    void Assign(const TGraphic& source) override;
    std::unique_ptr<TGraphic> Clone() const override;

    // The file's bytes while the picture is as loaded; empty otherwise.
    QByteArray Data() const;
    // False when the file holds records that are not drawn here (the placeholder is shown).
    bool Readable() const { return FReadable; }

    // The picture's size in pixels at 96 per inch from an enhanced or placeable metafile's
    // header; false for other data.
    static bool HeaderSize(const QByteArray& data, int& width, int& height, bool& enhanced);

    static constexpr int MaxSide = 30000;
    static constexpr qint64 MaxPixels = 64LL * 1024 * 1024;

private:
    bool Unchanged() const;
    void DrawPlaceholder(int width, int height);

    QByteArray FData;
    // The picture as loaded; sharing its records keeps them alive, so the records of a later
    // change can never take their place in memory and pass for them.
    std::unique_ptr<TMetafile> FLoaded;
    bool FReadable = true;
};
