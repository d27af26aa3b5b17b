#pragma once
// The export matrix: the free-floating objects of prepared pages laid into a rectangular grid of
// cells with shared cell styles. The table-shaped exports (HTML, RTF, spreadsheet, OpenDocument)
// feed it every object of every page, close each page with AddPage, call Prepare once and then
// walk the grid row by row. It never writes a file itself.
//
// Coordinates are report pixels (96 per inch); page sizes and margins are millimetres.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Metafile.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDrawText.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptProgress.h"
#include "report/core/rptUtils.h"
#include "report/core/rptWideStrings.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

class TrptBand;
class TrptReport;

// The look of a cell.
class TrptIEMStyle {
public:
    TrptIEMStyle();
    ~TrptIEMStyle();
    // Every field; font and display format by value.
    void Assign(const TrptIEMStyle& Source);
    // Equal in every field the matrix shares styles by (floats exactly).
    bool SameAs(const TrptIEMStyle& Other) const;

    TFont* Font() const { return FFont.get(); }
    TrptFormat* DisplayFormat() const { return FDisplayFormat.get(); }
    void SetDisplayFormat(const TrptFormat* Value) { FDisplayFormat->Assign(Value); }

    double LineSpacing = 0;
    TrptVAlign VAlign = vaTop;
    TrptHAlign HAlign = haLeft;
    TrptFrameTypes FrameTyp;
    float FrameWidth = 0;
    TColor FrameColor = clBlack;
    TrptFrameStyle FrameStyle = fsSolid;
    TColor Color = clNone;
    int Rotation = 0;
    TBrushStyle BrushStyle = bsSolid;
    double ParagraphGap = 0, GapX = 0, GapY = 0, CharSpacing = 0;
    bool WordBreak = false;
    int Charset = 0;
    bool WordWrap = false;

private:
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TrptFormat> FDisplayFormat;
};

// One object as the exports see it.
class TrptIEMObject {
public:
    TrptIEMObject();
    ~TrptIEMObject();

    TrptWideStrings* Memo() const { return FMemo.get(); }
    TBitmap* Image() const { return FImage.get(); }
    void SetImage(std::unique_ptr<TBitmap> Value);
    std::unique_ptr<TBitmap> TakeImage();
    TMetafile* Metafile() const { return FMetafile.get(); }

    QString URL;
    int StyleIndex = -1;
    TrptIEMStyle* Style = nullptr; // not owned: an entry of the style list
    bool IsText = true;
    bool IsRichText = false;
    bool IsDialogObject = false;
    double Left = 0, Top = 0, Width = 0, Height = 0;
    TrptIEMObject* Parent = nullptr; // the object a part was cut from
    int Counter = 0;                 // free for the exports' own marking
    void* Link = nullptr;
    bool RTL = false;
    QString Anchor;
    bool Cached = false;
    bool Footer = false;
    bool Header = false;
    QString Name;
    bool HTMLTags = false;

private:
    std::unique_ptr<TrptWideStrings> FMemo;
    std::unique_ptr<TBitmap> FImage;
    std::unique_ptr<TMetafile> FMetafile;
};

// One placement of an object in the grid; owns the object.
class TrptIEMObjectList {
public:
    std::unique_ptr<TrptIEMObject> Obj;
    int x = 0, y = 0, dx = 1, dy = 1;
    bool Exist = false; // the placement is final
};

class TrptIEMPos {
public:
    explicit TrptIEMPos(double AValue = 0) : Value(AValue) {}
    double Value;
};

class TrptIEMPage {
public:
    double Value = 0; // the bottom of the page in matrix coordinates
    TPrinterOrientation Orientation = poPortrait;
    double Width = 0, Height = 0;
    double LeftMargin = 0, TopMargin = 0, BottomMargin = 0, RightMargin = 0;
    bool MirrorMargin = false;
    bool PrintOnPreviousPage = false;
    QString PageName;
};

class TrptIEMatrix {
public:
    // The two arguments are kept for the exports' calls and have no effect.
    explicit TrptIEMatrix(bool UseFileCache = false, const QString& TempDir = QString());
    ~TrptIEMatrix();
    TrptIEMatrix(const TrptIEMatrix&) = delete;
    TrptIEMatrix& operator=(const TrptIEMatrix&) = delete;

    // Frees placements, styles, boundaries and pages and the grid; the extents stay.
    void Clear();
    void AddObject(TrptView* Obj);
    void AddPage(TPrinterOrientation Orientation, double Width, double Height, double LeftMargin,
                 double TopMargin, double RightMargin, double BottomMargin, bool MirrorMargins, int Index);
    void SetPageHeader(TrptBand* Band) { FHeader = Band; }
    void SetPageFooter(TrptBand* Band) { FFooter = Band; }
    // Builds the grid (rptExportMatrixGrid.cpp).
    void Prepare();

    // -1 outside the grid.
    int GetCell(int x, int y) const;
    TrptIEMObject* GetObject(int x, int y) const;
    TrptIEMObject* GetObjectById(int ObjIndex) const;
    void GetObjectPos(int ObjIndex, int& x, int& y, int& dx, int& dy) const;
    TrptRect GetObjectBounds(const TrptIEMObject* Obj) const;
    // These raise EListError for an index outside the list.
    TrptIEMStyle* GetStyleById(int Index) const;
    double GetXPosById(int PosIndex) const;
    double GetYPosById(int PosIndex) const;
    double GetCellYPos(int y) const { return GetYPosById(y); }
    // 0 (portrait) for a page index past the list.
    double GetPageBreak(int Page) const;
    double GetPageWidth(int Page) const;
    double GetPageHeight(int Page) const;
    double GetPageLMargin(int Page) const;
    double GetPageTMargin(int Page) const;
    double GetPageRMargin(int Page) const;
    double GetPageBMargin(int Page) const;
    TPrinterOrientation GetPageOrientation(int Page) const;
    TrptIEMPage* IEPages(int Index) const { return FPages.at(static_cast<size_t>(Index)).get(); }
    // The character set of a face, from its code-page bits, cached per name; 0 when unknown.
    int GetFontCharset(const TFont* Font);

    int GetObjectsCount() const { return static_cast<int>(FIEMObjectList.size()); }
    int GetStylesCount() const { return static_cast<int>(FIEMStyleList.size()); }
    int GetPagesCount() const { return static_cast<int>(FPages.size()); }
    int ObjectsCount() const { return GetObjectsCount(); }
    int StylesCount() const { return GetStylesCount(); }
    int PagesCount() const { return GetPagesCount(); }

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    double MaxWidth() const { return FMaxWidth; }
    double MaxHeight() const { return FMaxHeight; }
    double MinLeft() const { return FMinLeft; }
    double MinTop() const { return FMinTop; }
    double Left() const { return FLeft; }
    double Top() const { return FTop; }

    TrptReport* Report() const { return FReport; }
    void SetReport(TrptReport* Value) { FReport = Value; }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    double MaxCellHeight() const { return FMaxCellHeight; }
    void SetMaxCellHeight(double Value) { FMaxCellHeight = Value; }
    double MaxCellWidth() const { return FMaxCellWidth; }
    void SetMaxCellWidth(double Value) { FMaxCellWidth = Value; }
    double Inaccuracy() const { return FInaccuracy; }
    void SetInaccuracy(double Value) { FInaccuracy = Value; }
    bool RotatedAsImage() const { return FRotatedImage; }
    void SetRotatedAsImage(bool Value) { FRotatedImage = Value; }
    bool PlainRich() const { return FPlainRich; }
    void SetPlainRich(bool Value) { FPlainRich = Value; }
    bool RichText() const { return FRichText; }
    void SetRichText(bool Value) { FRichText = Value; }
    bool CropAreaFill() const { return FCropFillArea; }
    void SetCropAreaFill(bool Value) { FCropFillArea = Value; }
    bool AreaFill() const { return FFillArea; }
    void SetAreaFill(bool Value) { FFillArea = Value; }
    bool FramesOptimization() const { return FOptFrames; }
    void SetFramesOptimization(bool Value) { FOptFrames = Value; }
    bool DeleteHTMLTags() const { return FDeleteHTMLTags; }
    void SetDeleteHTMLTags(bool Value) { FDeleteHTMLTags = Value; }
    bool BackgroundImage() const { return FBackImage; }
    void SetBackgroundImage(bool Value) { FBackImage = Value; }
    bool Background() const { return FBackground; }
    void SetBackground(bool Value) { FBackground = Value; }
    bool Printable() const { return FPrintable; }
    void SetPrintable(bool Value) { FPrintable = Value; }
    bool Images() const { return FImages; }
    void SetImages(bool Value) { FImages = Value; }
    bool WrapText() const { return FWrap; }
    void SetWrapText(bool Value) { FWrap = Value; }
    bool EmptyLines() const { return FEmptyLines; }
    void SetEmptyLines(bool Value) { FEmptyLines = Value; }
    bool BrushAsBitmap() const { return FBrushAsBitmap; }
    void SetBrushAsBitmap(bool Value) { FBrushAsBitmap = Value; }
    bool EMFPictures() const { return FEMFPictures; }
    void SetEMFPictures(bool Value) { FEMFPictures = Value; }
    bool DotMatrix() const { return FDotMatrix; }
    void SetDotMatrix(bool Value) { FDotMatrix = Value; }

private:
    // Appends Value unless one of the last 100 entries equals it.
    static bool AddPos(std::vector<std::unique_ptr<TrptIEMPos>>& List, double Value);
    // Index of an equal style, or of Style appended (then owned by the list).
    int AddStyle(std::unique_ptr<TrptIEMStyle> Style);
    int AddInternalObject(std::unique_ptr<TrptIEMObject> Obj, double x, double y, double dx, double dy);
    std::unique_ptr<TrptIEMStyle> MakeStyle(TrptView* Obj, bool AsText, bool Line, bool Rect);
    void DrawToPicture(TrptView* Obj, TrptIEMObject* Item, double AbsLeft, double AbsTop);
    void AddShadowed(TrptCustomMemoView* Memo);
    void AddRectangle(TrptView* Obj);
    void DeleteMatrixLine(int y);

    std::vector<std::unique_ptr<TrptIEMObjectList>> FIEMObjectList;
    std::vector<std::unique_ptr<TrptIEMStyle>> FIEMStyleList;
    std::vector<std::unique_ptr<TrptIEMPos>> FXPos, FYPos;
    std::vector<std::unique_ptr<TrptIEMPage>> FPages;
    int FWidth = 0, FHeight = 0;
    double FMaxWidth = 0, FMaxHeight = 0;
    double FMinLeft = 100000, FMinTop = 100000;
    std::vector<int> FMatrix;
    double FDeltaY = 0;
    bool FShowProgress = true;
    std::unique_ptr<TrptProgress> FProgress;
    double FMaxCellHeight = 0, FMaxCellWidth = 0;
    double FInaccuracy = 0;
    bool FRotatedImage = false, FPlainRich = true, FRichText = false, FCropFillArea = false;
    bool FFillArea = false, FOptFrames = false, FDeleteHTMLTags = false, FBackImage = false;
    bool FBackground = false, FPrintable = true, FImages = true, FWrap = false;
    bool FEmptyLines = true, FBrushAsBitmap = true, FEMFPictures = false, FDotMatrix = false;
    double FLeft = 0, FTop = 0;
    TrptReport* FReport = nullptr;
    TrptBand* FHeader = nullptr;
    TrptBand* FFooter = nullptr;
    std::map<QString, int> FFontList;
};
