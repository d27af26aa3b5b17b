#pragma once
// One recorded canvas call with the canvas state it was made in.

#include "platform/gfx/Canvas.h"

#include <memory>

enum class TCanvasOp {
    LineTo,
    Rectangle,
    RoundRect,
    Ellipse,
    Arc,
    Pie,
    Chord,
    Polygon,
    Polyline,
    FillRect,
    FrameRect,
    FocusRect,
    InvertRect,
    SetPixel,
    DrawImage,
    CopyRect,
    TextOut,
    TextRect,
    ExtTextOut,
    DrawText,
    Picture
};

struct TCanvasCommand {
    TCanvasOp Op = TCanvasOp::LineTo;
    TCanvasState State;
    int A[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<TPoint> Points;
    QString Text;
    std::vector<int> Dx;
    bool HasDx = false;
    bool HasRect = false;
    QImage Image;
    QRect Source;
    int Mode = 0;
    TColor Color = clNone;
    unsigned Flags = 0;
    bool Smooth = false;
    std::shared_ptr<const std::vector<TCanvasCommand>> Picture;
    QTransform PictureTransform;
};
