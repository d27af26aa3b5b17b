#pragma once
// What one cell of the RTF export holds: formatted text, text with the report's simple tags, an
// embedded rich text or a picture. Part of the RTF export unit.

#include "platform/gfx/Graphics.h"
#include "report/export/rptImageConverter.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class TrptIEMObject;

struct TRTFCellContext {
    std::function<int(TColor)> ColorNumber;
    std::function<int(const QString& Name, int Charset)> FontNumber;
    bool ExportPictures = true;
    TrptPictureType PictureType = gpPNG;
};

// The cell's content ending with \cell}; Factor is the row scale (15, or 14.5 on the last page).
// A picture object without a usable picture still gives a cell, an empty one.
QByteArray RTFCellContent(const TRTFCellContext& Context, double Factor, TrptIEMObject* Obj);
// The colours a text with tags switches to, in order of first use, the font colour left out.
std::vector<TColor> RTFTagColors(const TrptIEMObject* Obj);
