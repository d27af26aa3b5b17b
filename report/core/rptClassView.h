#pragma once
// The visible report objects' common base. TrptView adds to a report component what every
// visible object shares: a fill (Color and BrushStyle), a frame of four separately styled sides
// with an optional drop shadow, a binding to a dataset field, a hyperlink (URL) and a free tag
// (TagStr) that may hold bracketed expressions, a printable flag, and the drawing protocol by which
// the preview, the printer and the exports put an object on a canvas at a scale and an offset.
// The unit also holds the frame classes, the stretchable base the engine grows and splits across
// pages, and the shape object.
//
// Geometry is in report units (96 per inch); drawing converts to device pixels with the scale and
// offset of the call. Rounding is to the nearest integer, halves to even.

#include "platform/gfx/Graphics.h"
#include "platform/gfx/GraphicsClasses.h"
#include "report/core/rptClassComponent.h"

#include <QString>

#include <memory>

class TCanvas;

// Ordinals are stored in prepared pages.
enum TrptFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare };
KORVEL_ENUM(TrptFrameStyle, "fsSolid,fsDash,fsDot,fsDashDot,fsDashDotDot,fsDouble,fsAltDot,fsSquare")
// As a number: 1 left, 2 right, 4 top, 8 bottom.
enum TrptFrameType { ftLeft, ftRight, ftTop, ftBottom };
KORVEL_ENUM(TrptFrameType, "ftLeft,ftRight,ftTop,ftBottom")
KORVEL_SET(TrptFrameTypes, TrptFrameType)
enum TrptShapeKind { skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2 };
KORVEL_ENUM(TrptShapeKind, "skRectangle,skRoundRectangle,skEllipse,skTriangle,skDiamond,skDiagonal1,skDiagonal2")
enum TrptStretchMode { smDontStretch, smActualHeight, smMaxHeight };
KORVEL_ENUM(TrptStretchMode, "smDontStretch,smActualHeight,smMaxHeight")
enum TrptShiftMode { smDontShift, smAlways, smWhenOverlapped };
KORVEL_ENUM(TrptShiftMode, "smDontShift,smAlways,smWhenOverlapped")

class TrptFrame;
class TrptDataSet;

// One side of a frame. Each property is stored only when it differs from the frame's own.
class TrptFrameLine : public TPersistent {
    KORVEL_CLASS(TrptFrameLine, TPersistent)
public:
    explicit TrptFrameLine(TrptFrame* AFrame = nullptr);

    // Colour, style and width of another frame line; anything else is ignored.
    void Assign(const TPersistent* Source) override;
    // The attribute text of this line against ALine for prepared pages (see TrptFrame::Diff);
    // the flags tell which of the frame's own values differ from the reference frame's.
    QString Diff(const TrptFrameLine* ALine, const QString& LineName, bool ColorChanged, bool StyleChanged,
                 bool WidthChanged) const;

    TrptFrame* Frame() const { return FFrame; }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    TrptFrameStyle Style() const { return FStyle; }
    void SetStyle(TrptFrameStyle Value) { FStyle = Value; }
    double Width() const { return FWidth; }
    void SetWidth(double Value) { FWidth = Value; }

    bool IsColorStored() const;
    bool IsStyleStored() const;
    bool IsWidthStored() const;

private:
    TrptFrame* FFrame;
    TColor FColor = clBlack;
    TrptFrameStyle FStyle = fsSolid;
    double FWidth = 1;
};

// The frame of a view: four sides, an optional drop shadow right of and below the object.
class TrptFrame : public TPersistent {
    KORVEL_CLASS(TrptFrame, TPersistent)
public:
    TrptFrame();
    ~TrptFrame() override;
    TrptFrame(const TrptFrame&) = delete;
    TrptFrame& operator=(const TrptFrame&) = delete;

    // Every field, and the four lines.
    void Assign(const TPersistent* Source) override;
    // The attribute text of the differences from AFrame, for prepared pages.
    QString Diff(const TrptFrame* AFrame) const;

    // Colour, style and width also go to the four sides.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TrptFrameStyle Style() const { return FStyle; }
    void SetStyle(TrptFrameStyle Value);
    double Width() const { return FWidth; }
    void SetWidth(double Value);
    bool DropShadow() const { return FDropShadow; }
    void SetDropShadow(bool Value) { FDropShadow = Value; }
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor Value) { FShadowColor = Value; }
    double ShadowWidth() const { return FShadowWidth; }
    void SetShadowWidth(double Value) { FShadowWidth = Value; }
    TrptFrameTypes Typ() const { return FTyp; }
    void SetTyp(const TrptFrameTypes& Value) { FTyp = Value; }

    // Setting a side assigns into the frame's own line.
    TrptFrameLine* LeftLine() const { return FLeftLine.get(); }
    void SetLeftLine(TrptFrameLine* Value) { FLeftLine->Assign(Value); }
    TrptFrameLine* TopLine() const { return FTopLine.get(); }
    void SetTopLine(TrptFrameLine* Value) { FTopLine->Assign(Value); }
    TrptFrameLine* RightLine() const { return FRightLine.get(); }
    void SetRightLine(TrptFrameLine* Value) { FRightLine->Assign(Value); }
    TrptFrameLine* BottomLine() const { return FBottomLine.get(); }
    void SetBottomLine(TrptFrameLine* Value) { FBottomLine->Assign(Value); }

private:
    std::unique_ptr<TrptFrameLine> FLeftLine, FTopLine, FRightLine, FBottomLine;
    TColor FColor = clBlack;
    bool FDropShadow = false;
    double FShadowWidth = 4;
    TColor FShadowColor = clBlack;
    TrptFrameStyle FStyle = fsSolid;
    TrptFrameTypes FTyp;
    double FWidth = 1;
};

// A visible object of a report page.
class TrptView : public TrptReportComponent {
    KORVEL_CLASS(TrptView, TrptReportComponent)
public:
    explicit TrptView(TComponent* AOwner = nullptr);
    ~TrptView() override;

    // BeginDraw, then DrawBackground, then DrawFrame.
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // Records the call's canvas, scale and offset and computes the device rectangle. Callers
    // that only want the rectangles pass no canvas, scale 1 and offset 0.
    virtual void BeginDraw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
    // Both draw on the canvas of the last BeginDraw (nothing without one).
    virtual void DrawBackground();
    virtual void DrawFrame();

    // After the component's own entries: BrushStyle, Align, Color, the frame's, Cursor,
    // Printable, TagStr, URL; each only when it differs from AComponent.
    QString Diff(TrptComponent* AComponent) override;
    bool IsDataField() const;

    // The print cycle: TagStr and URL are saved, expanded while the object is output and put
    // back afterwards, so the next output expands them again.
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;

    bool GetChildAlign(TrptAlign& Align) const override {
        Align = FAlign;
        return true;
    }

    TrptAlign Align() const { return FAlign; }
    void SetAlign(TrptAlign Value) { FAlign = Value; }
    TBrushStyle BrushStyle() const { return FBrushStyle; }
    void SetBrushStyle(TBrushStyle Value) { FBrushStyle = Value; }
    TColor Color() const { return FColor; }
    virtual void SetColor(TColor Value) { FColor = Value; }
    int Cursor() const { return FCursor; }
    void SetCursor(int Value) { FCursor = static_cast<qint16>(Value); }
    const QString& DataField() const { return FDataField; }
    void SetDataField(const QString& Value) { FDataField = Value; }
    TrptDataSet* DataSet() const { return FDataSet; }
    // Also copies the dataset's user name into DataSetName (empty for none).
    void SetDataSet(TrptDataSet* Value);
    // The bound dataset's user name, else the name stored.
    QString DataSetName() const;
    // Stores the name and looks the dataset up (the old one first); no match leaves none bound.
    void SetDataSetName(const QString& Value);
    TrptFrame* Frame() const { return FFrame.get(); }
    void SetFrame(TrptFrame* Value) { FFrame->Assign(Value); }
    bool Printable() const { return FPrintable; }
    void SetPrintable(bool Value) { FPrintable = Value; }
    TrptShiftMode ShiftMode() const { return FShiftMode; }
    void SetShiftMode(TrptShiftMode Value) { FShiftMode = Value; }
    const QString& TagStr() const { return FTagStr; }
    void SetTagStr(const QString& Value) { FTagStr = Value; }
    const QString& URL() const { return FURL; }
    void SetURL(const QString& Value) { FURL = Value; }
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool Value) { FPlainText = Value; }

    // The last drawing call: device rectangle, frame width in pixels, scale, offset, canvas.
    int X() const { return FX; }
    int Y() const { return FY; }
    int X1() const { return FX1; }
    int Y1() const { return FY1; }
    int DX() const { return FDX; }
    int DY() const { return FDY; }
    int FrameWidth() const { return FFrameWidth; }
    double ScaleX() const { return FScaleX; }
    double ScaleY() const { return FScaleY; }
    double OffsetX() const { return FOffsetX; }
    double OffsetY() const { return FOffsetY; }
    TCanvas* Canvas() const { return FCanvas; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Replaces every bracketed expression of s by its value, calculated by the report's Calc;
    // text inserted is not looked at again. Without a report nothing is calculated.
    void ReplaceBracketExpressions(QString& s);
    // w one-pixel strokes with the canvas's pen, side by side across the line's direction.
    void DrawThickLine(int x, int y, int x1, int y1, int w);

    int FX = 0, FY = 0, FX1 = 0, FY1 = 0;
    int FDX = 0, FDY = 0;
    int FFrameWidth = 0;
    double FScaleX = 1, FScaleY = 1;
    double FOffsetX = 0, FOffsetY = 0;
    TCanvas* FCanvas = nullptr;

private:
    enum TSide { sLeft, sRight, sTop, sBottom };
    void DrawSide(TSide side);

    TrptAlign FAlign = baNone;
    TBrushStyle FBrushStyle = bsSolid;
    TColor FColor = clNone;
    qint16 FCursor = 0;
    QString FDataField;
    TrptDataSet* FDataSet = nullptr;
    QString FDataSetName;
    std::unique_ptr<TrptFrame> FFrame;
    bool FPrintable = true;
    TrptShiftMode FShiftMode = smAlways;
    QString FTagStr;
    QString FTempTag, FTempURL;
    QString FHint;
    bool FShowHint = false;
    QString FURL;
    bool FPlainText = false;
};

// A view whose height the engine may grow to its content and that it can split across pages.
class TrptStretcheable : public TrptView {
    KORVEL_CLASS(TrptStretcheable, TrptView)
public:
    explicit TrptStretcheable(TComponent* AOwner = nullptr);

    // The height the content needs; the base keeps the current height.
    virtual double CalcHeight();
    // Called with Height set to the space left on the page: keeps what fits and returns the
    // space left free at the bottom. The base returns 0.
    virtual double DrawPart();
    // Called once before the engine starts splitting the object.
    virtual void InitPart() {}
    virtual bool HasNextDataPart();

    TrptStretchMode StretchMode() const { return FStretchMode; }
    void SetStretchMode(TrptStretchMode Value) { FStretchMode = Value; }
    // Used by the engine while it stretches and splits the object.
    double SaveHeight() const { return FSaveHeight; }
    void SetSaveHeight(double Value) { FSaveHeight = Value; }
    double SavedTop() const { return FSavedTop; }
    void SetSavedTop(double Value) { FSavedTop = Value; }

private:
    TrptStretchMode FStretchMode = smDontStretch;
    double FSaveHeight = 0;
    double FSavedTop = 0;
};

// Rectangle, rounded rectangle, ellipse, triangle, diamond and the two diagonals, drawn in the
// frame's colour, width and style and filled with the view's colour and brush.
class TrptShapeView : public TrptView {
    KORVEL_CLASS(TrptShapeView, TrptView)
public:
    explicit TrptShapeView(TComponent* AOwner = nullptr);

    // The designer's palette passes the shape kind in Flags.
    static TrptShapeView* DesignCreate(TComponent* AOwner, int Flags);
    QString GetDescription() const override;
    // The view's difference, then Shape when the kind differs.
    QString Diff(TrptComponent* AComponent) override;
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

    int Curve() const { return FCurve; }
    void SetCurve(int Value) { FCurve = Value; }
    TrptShapeKind Shape() const { return FShape; }
    void SetShape(TrptShapeKind Value) { FShape = Value; }

private:
    void DrawShape();

    int FCurve = 0;
    TrptShapeKind FShape = skRectangle;
};

// Registers the view classes for templates (once per process).
void RegisterViewClasses();

// Pieces of the differences views write for prepared pages: ` Name="value"`, Booleans as 1 and 0,
// and whether two coordinates differ by more than the kept precision.
void AddDiffEntry(QString& r, const QString& name, const QString& value);
QString DiffBool(bool value);
bool DiffFloatsDiffer(double a, double b);
