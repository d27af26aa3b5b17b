#pragma once
// Any picture (bitmap, recorded metafile, PNG, JPEG ...) as a file of a chosen format, drawn once at
// its own size. The exports that write or embed pictures go through here.

#include "platform/rtti/TypInfo.h"

#include <QString>

class TGraphic;
class TStream;

// Stored as its ordinal in templates and settings: the order is fixed.
enum TrptPictureType { gpPNG, gpBMP, gpEMF, gpWMF, gpJPG, gpGIF };
KORVEL_ENUM(TrptPictureType, "gpPNG,gpBMP,gpEMF,gpWMF,gpJPG,gpGIF")

// Extension without the dot ("jpg" for gpJPG); empty for a value outside the enumeration.
QString PictureTypeExtension(int PictureType);

// Writes the picture at the stream's position; the stream is neither rewound nor closed. A value
// outside the enumeration writes nothing. Library failures propagate as exceptions.
void SaveGraphicToStream(TGraphic& Graphic, TStream& Stream, int PictureType);

// Replaces the file with the picture; the file is closed also when the conversion fails.
void SaveGraphicToFile(TGraphic& Graphic, const QString& FileName, int PictureType);

// The key colour left wherever a PNG conversion draws nothing; the PNG marks it transparent.
constexpr unsigned PictureKeyColor = 0x123456;
