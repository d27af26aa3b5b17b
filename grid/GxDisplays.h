#pragma once
// Cell painters of the text and row-number columns, and the painters of headers, footers, the
// input row, the indicator column and the corner boxes, one per header style.

#include "grid/GxColumns.h"

class TTextColumnDisplay : public TColumnDisplay {
    KORVEL_CLASS(TTextColumnDisplay, TColumnDisplay)
public:
    explicit TTextColumnDisplay(TGxCustomColumn* AColumn) : TColumnDisplay(AColumn) {}
    static std::unique_ptr<TColumnDisplay> Make(TGxCustomColumn* AColumn);
    void Paint() override;
};

class TIncrementColumnDisplay : public TColumnDisplay {
    KORVEL_CLASS(TIncrementColumnDisplay, TColumnDisplay)
public:
    explicit TIncrementColumnDisplay(TGxCustomColumn* AColumn) : TColumnDisplay(AColumn) {}
    static std::unique_ptr<TColumnDisplay> Make(TGxCustomColumn* AColumn);
    void Paint() override;
};

// --- header, footer, indicator and corner painters, one per header style

#include "grid/GxClasses.h"
#include "grid/GxSharedCommon.h"
#include "platform/rtl/Set.h"

#include <functional>

class TComponent;

enum TDisplayMedia { dmPaper, dmScreen };
enum TStyleDisplayAttribute { sdaHoverEnabled, sdaInvertFocus, sdaCustomArrow };
using TStyleDisplayAttributes = TSet<TStyleDisplayAttribute>;
enum TBoxLocation { bpAlone, bpBottom, bpTop };
using TDisplayDrawEvent = std::function<void(TObject* Sender, int Index, const TRect& Rect)>;

class TStyleDisplay : public TPersistent {
    KORVEL_CLASS(TStyleDisplay, TPersistent)
public:
    explicit TStyleDisplay(TComponent* AOwner);

    TBiDiMode BidiMode() const { return FBidiMode; }
    void SetBidiMode(TBiDiMode Value) { FBidiMode = Value; }
    TCanvas* Canvas() const { return FCanvas; }
    void SetCanvas(TCanvas* Value) { FCanvas = Value; }
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }
    TDisplayMedia DisplayMedia() const { return FDisplayMedia; }
    void SetDisplayMedia(TDisplayMedia Value) { FDisplayMedia = Value; }
    bool EnableThemes() const { return FEnableThemes; }
    void SetEnableThemes(bool Value) { FEnableThemes = Value; }
    TComponent* Owner() const { return FOwner; }
    TStyleDisplayAttributes StyleDisplayAttributes() const { return GetStyleDisplayAttributes(); }
    void* Theme() const { return FTheme; }
    void SetTheme(void* Value) { FTheme = Value; }

    TDisplayDrawEvent OnDraw;
    TDisplayDrawEvent OnHeaderDraw;

    virtual int GetHeaderPadding(TGxCustomColumn* Column);
    virtual TStyleDisplayAttributes GetStyleDisplayAttributes() const { return {}; }
    virtual void AdjustTextRect(TRect& R) {}
    virtual void DrawSortArrow(int X, int Y, bool Ascending);
    virtual void DrawFooterContent(TGxCustomColumn* Column, const TRect& R);
    virtual void DrawHeaderContent(TGxCustomColumn* Column, const TRect& R);
    virtual void DrawAreaSplitter(const TRect& R);
    virtual void DrawCornerBox(const TRect& R, TBoxLocation Location);
    virtual void DrawFooter(TGxCustomColumn* Column, const TRect& R, bool Grid);
    virtual void DrawHeader(TGxCustomColumn* Column, const TRect& R);
    virtual void DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) {}
    virtual void DrawIndicator(const TRect& R, int Index, bool Selected, bool Highlighted);
    virtual void DrawIndicatorState(const TRect& R, bool Selected, bool Highlighted);
    virtual void DrawInput(TGxCustomColumn* Column, const TRect& R, bool Grid, bool Selected, bool Focused);
    virtual void DrawInactiveHeader(const TRect& R);

    int GetHeaderContentWidth(TGxCustomColumn* Column);
    void DoDrawText(TCanvas& ACanvas, const TRect& TextRect, const QString& Caption, bool MultiLine);

protected:
    void DrawGridLine(const TRect& R, TColor Colour);
    void Line(int X1, int Y1, int X2, int Y2, TColor Colour);
    void Fill(const TRect& R, TColor Colour);
    // The grid that owns the painter (the drag box's painter has none).
    TGxGridLink* OwnerGrid() const;
    TCanvas& C() const;

    TBiDiMode FBidiMode = bdLeftToRight;
    TCanvas* FCanvas = nullptr;
    bool FDefaultDrawing = true;
    TDisplayMedia FDisplayMedia = dmScreen;
    bool FEnableThemes = false;
    void* FTheme = nullptr;
    TComponent* FOwner = nullptr;
};

class TDefaultStyleDisplay : public TStyleDisplay {
    KORVEL_CLASS(TDefaultStyleDisplay, TStyleDisplay)
public:
    using TStyleDisplay::TStyleDisplay;
    TStyleDisplayAttributes GetStyleDisplayAttributes() const override;
    void DrawCornerBox(const TRect& R, TBoxLocation Location) override;
    void DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) override;
    void DrawInactiveHeader(const TRect& R) override;
    virtual void DrawHeaderFace(TGxCustomColumn* Column, const TRect& R);
    virtual void DrawThemedHeaderFace(TGxCustomColumn* Column, const TRect& R);
};

class TFlatStyleDisplay : public TStyleDisplay {
    KORVEL_CLASS(TFlatStyleDisplay, TStyleDisplay)
public:
    using TStyleDisplay::TStyleDisplay;
    void DrawAreaSplitter(const TRect& R) override;
    void DrawCornerBox(const TRect& R, TBoxLocation Location) override;
    void DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) override;
    void DrawIndicator(const TRect& R, int Index, bool Selected, bool Highlighted) override;
    virtual void DrawHeaderFace(TGxCustomColumn* Column, const TRect& R);
};

class TOldStyleDisplay : public TStyleDisplay {
    KORVEL_CLASS(TOldStyleDisplay, TStyleDisplay)
public:
    using TStyleDisplay::TStyleDisplay;
    TStyleDisplayAttributes GetStyleDisplayAttributes() const override { return {sdaInvertFocus}; }
    void DrawCornerBox(const TRect& R, TBoxLocation Location) override;
    void DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) override;
    void DrawIndicator(const TRect& R, int Index, bool Selected, bool Highlighted) override;
};

class TOutlookStyleDisplay : public TStyleDisplay {
    KORVEL_CLASS(TOutlookStyleDisplay, TStyleDisplay)
public:
    using TStyleDisplay::TStyleDisplay;
    TStyleDisplayAttributes GetStyleDisplayAttributes() const override { return {sdaInvertFocus}; }
    void AdjustTextRect(TRect& R) override { R.Bottom -= 3; }
    void DrawAreaSplitter(const TRect& R) override;
    void DrawCornerBox(const TRect& R, TBoxLocation Location) override;
    void DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) override;
    virtual void DrawHeaderFace(TGxCustomColumn* Column, const TRect& R);
};

class TVistaStyleDisplay : public TStyleDisplay {
    KORVEL_CLASS(TVistaStyleDisplay, TStyleDisplay)
public:
    using TStyleDisplay::TStyleDisplay;
    TStyleDisplayAttributes GetStyleDisplayAttributes() const override { return {sdaCustomArrow}; }
    void AdjustTextRect(TRect& R) override { R.Left += 2; }
    void DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) override;
    void DrawIndicator(const TRect& R, int Index, bool Selected, bool Highlighted) override;
    virtual void DrawHeaderFace(TGxCustomColumn* Column, const TRect& R);
};

class TOffice2007StyleDisplay : public TStyleDisplay {
    KORVEL_CLASS(TOffice2007StyleDisplay, TStyleDisplay)
public:
    using TStyleDisplay::TStyleDisplay;
    void AdjustTextRect(TRect& R) override { R.Left += 2; }
    void DrawAreaSplitter(const TRect& R) override;
    void DrawCornerBox(const TRect& R, TBoxLocation Location) override;
    void DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) override;
    void DrawIndicator(const TRect& R, int Index, bool Selected, bool Highlighted) override;
    virtual void DrawHeaderFace(TGxCustomColumn* Column, const TRect& R);

protected:
    // Top and bottom colours of the face gradient.
    virtual TColor FaceTop() const;
    virtual TColor FaceBottom() const;
};

class TOffice2010StyleDisplay : public TOffice2007StyleDisplay {
    KORVEL_CLASS(TOffice2010StyleDisplay, TOffice2007StyleDisplay)
public:
    using TOffice2007StyleDisplay::TOffice2007StyleDisplay;
    void DrawSortArrow(int X, int Y, bool Ascending) override;

protected:
    TColor FaceTop() const override;
    TColor FaceBottom() const override;
};
