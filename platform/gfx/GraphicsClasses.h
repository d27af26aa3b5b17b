#pragma once
// The class-table records of the drawing attributes, declared once for everything that walks
// published properties: the report template serializer (`Font.Name` ...), the scripts and the
// object inspector. The records are registered by C++ type and by name on first use.

#include "platform/gfx/Graphics.h"
#include "platform/rtti/TypInfo.h"

KORVEL_ENUM(TFontPitch, "fpDefault,fpVariable,fpFixed")
KORVEL_ENUM(TFontStyle, "fsBold,fsItalic,fsUnderline,fsStrikeOut")
KORVEL_SET(TFontStyles, TFontStyle)
KORVEL_ENUM(TBrushStyle, "bsSolid,bsClear,bsHorizontal,bsVertical,bsFDiagonal,bsBDiagonal,bsCross,bsDiagCross")

// TFont: Charset, Color, Height, Name, Orientation (default 0), Pitch (default fpDefault), Size
// (not stored: Height carries it) and Style, in that order. The record descends from
// TPersistent's, as fonts can be assigned to one another.
const TClassInfo* TFontClassInfo();
