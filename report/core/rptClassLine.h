#pragma once
// The line object: a horizontal, vertical or diagonal line with optional arrow heads at either
// end. Colour, width and style are the frame's, so a straight line is drawn as one side of the
// frame; a diagonal one from corner to corner of the object's box.

#include "report/core/rptClassView.h"

#include <vector>

class TrptCustomLineView : public TrptStretcheable {
    KORVEL_CLASS(TrptCustomLineView, TrptStretcheable)
public:
    explicit TrptCustomLineView(TComponent* AOwner = nullptr);

    // The component's design-time creation, then the designer palette's flags: 0 a plain line,
    // 1 a diagonal, 2 an arrow at the end, 3 at the start, 4 at both ends.
    static TrptComponent* DesignCreate(const TClassInfo* Cls, TComponent* AOwner, int Flags);

    // A line that is not diagonal is first made straight: vertical (width 0, frame side left)
    // when it is at most as wide as high, else horizontal (height 0, frame side top).
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

    // The arrow head with its tip at (tx, ty) on the line from (ox, oy), at the last drawing
    // call's scale: tip, first wing, second wing, in whole pixels.
    std::vector<TPoint> ArrowHeadPoints(double tx, double ty, double ox, double oy) const;

    bool ArrowEnd() const { return FArrowEnd; }
    void SetArrowEnd(bool Value) { FArrowEnd = Value; }
    int ArrowLength() const { return FArrowLength; }
    void SetArrowLength(int Value) { FArrowLength = Value; }
    bool ArrowSolid() const { return FArrowSolid; }
    void SetArrowSolid(bool Value) { FArrowSolid = Value; }
    bool ArrowStart() const { return FArrowStart; }
    void SetArrowStart(bool Value) { FArrowStart = Value; }
    int ArrowWidth() const { return FArrowWidth; }
    void SetArrowWidth(int Value) { FArrowWidth = Value; }
    bool Diagonal() const { return FDiagonal; }
    void SetDiagonal(bool Value) { FDiagonal = Value; }

protected:
    void DrawDiagonal();
    void DrawArrowHead(double tx, double ty, double ox, double oy);

private:
    bool FDiagonal = false;
    bool FArrowEnd = false;
    int FArrowLength = 20;
    bool FArrowSolid = false;
    bool FArrowStart = false;
    int FArrowWidth = 5;
};

class TrptLineView : public TrptCustomLineView {
    KORVEL_CLASS(TrptLineView, TrptCustomLineView)
public:
    explicit TrptLineView(TComponent* AOwner = nullptr);
    static TrptLineView* DesignCreate(TComponent* AOwner, int Flags);
    QString GetDescription() const override;
};

// Registers the line classes for templates (once per process).
void RegisterLineClasses();
