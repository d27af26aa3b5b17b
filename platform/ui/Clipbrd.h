#pragma once
// The clipboard: text and pictures.

#include "platform/gfx/Picture.h"

#include <QString>

constexpr unsigned CF_TEXT = 1, CF_BITMAP = 2, CF_UNICODETEXT = 13, CF_PICTURE = 0xC000;

class TClipboard {
public:
    QString AsText() const;
    void SetAsText(const QString& value);
    bool HasFormat(unsigned format) const;
    void Clear();
    // Puts a picture on the clipboard, or takes the clipboard's image into one.
    void Assign(const TPicture& picture);
    void Assign(const TGraphic& graphic);
    bool GetPicture(TPicture& picture) const;
};

TClipboard& Clipboard();
