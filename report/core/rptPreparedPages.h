#pragma once
// The prepared report: the pages the engine produces, which the preview, printing and the export
// filters walk and the prepared-report file saves.
//
// A prepared page is not a tree of objects but a tree of XML elements in one document:
//   <preparedreport>
//     <previewpages>
//       <page0>                      one element per page, named after its source page
//         <b1 t="0" h="37.8">        a band, stored as its difference from the source copy
//           <m2 Text="Page 1 of 3"/> an object of the band, the same way
//       <TrptReportPage ...>         a page stored whole (after ModifyPage or AddFrom)
//     <outline>, <anchors>, <logicalpagenumbers>
// Each template page used is copied once into SourcePages; every copied object gets a short
// alias (b1, m2 ...) in the dictionary. GetPage rebuilds a page object from the differences and
// keeps a few of them in a cache. With the engine option UseFileCache, page elements beyond the
// MaxMemSize limit go to a temporary file and come back when read; the first two pages and the
// newest one always stay in memory. Pictures live in the picture cache, objects keep an index.
//
// Page element names are read back checked: a page element that names no source page, or a
// source page that does not exist, is an error naming the page (ErptPreparedPage), never a read
// of a source page that is not there.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"
#include "report/core/rptClassBases.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class TCanvas;
class TrptDictionary;
class TrptPictureCache;
class TrptXMLDocument;
class TrptXMLItem;
class TrptXMLSerializer;

// A prepared page that cannot be rebuilt: its element names no source page that exists.
KORVEL_EXCEPTION(ErptPreparedPage, Exception)

// Opens a link a user clicked in the preview. The default hands it to the desktop services;
// tests replace it. Only http, https and mailto links ever reach it.
using TrptOpenLinkHandler = std::function<void(const QUrl& Url)>;

class TrptPreviewPages : public TrptCustomPreviewPages {
    KORVEL_CLASS(TrptPreviewPages, TrptCustomPreviewPages)
public:
    explicit TrptPreviewPages(TrptReport* AReport);
    ~TrptPreviewPages() override;

    // Number of page elements.
    int GetCount() override;
    // The page object rebuilt from element Index; it belongs to the page cache and stays valid
    // until a later GetPage evicts it or ClearPageCache runs. None when there are no pages or
    // Index is out of range. During preparation every call builds a fresh page. A page element
    // whose source page is missing raises ErptPreparedPage.
    TrptReportPage* GetPage(int Index) override;
    // Width and height in pixels, rounded; (0, 0) with no pages or Index out of range.
    TPoint GetPageSize(int Index) override;
    // Everything goes: pages, source pages, dictionary, pictures; CurPage -1.
    void Clear() override;
    // Picture cache and temporary folders from the report's options; progress starts.
    void Initialize() override;
    // Ends a preparation: page cache emptied, template links of the source pages cleared,
    // progress stops.
    void Finish() override;

    // Called by the engine while it prepares.
    // Copies a template page (objects shown in prepared pages only) into SourcePages, giving
    // every copy an alias and linking copy and template both ways.
    void AddSourcePage(TrptReportPage* Page) override;
    // Adds a copy of an object created while preparing to the last source page.
    void AddToSourcePage(TrptComponent* Obj) override;
    // Starts the next output page for template page Page (or revisits an existing one when
    // AddPageAction is apWriteOver). Page must have been added with AddSourcePage.
    void AddPage(TrptReportPage* Page) override;
    // Writes Obj and its visible children to the current page as differences from their source
    // copies (or whole, in class form, when they have none).
    void AddObject(TrptComponent* Obj) override;
    // Stores the picture in the picture cache and sets the object's ImageIndex.
    void AddPicture(TrptPictureView* Picture) override;
    // An "item" under "anchors": the text, CurPage and the engine's CurY rounded.
    void AddAnchor(const QString& Text);
    // Moves the current page's object elements from APosition on to a holder ...
    void CutObjects(int APosition) override;
    // ... and back to the end of the current page, the first at (X, Y), the others kept in place
    // relative to it.
    void PasteObjects(double X, double Y) override;
    // Anchors after From go to the next page, the first of them at NewTop.
    void ShiftAnchors(int From, int NewTop) override;
    // The current page holds the band (or any page footer / column footer for those classes).
    bool BandExists(TrptBand* Band) override;
    // Number of object elements of the current page.
    int GetCurPosition() override;
    // Number of anchors - 1.
    int GetAnchorCurPosition() override;
    // Bottom of the lowest band on the current page (page footers and overlays left out); with a
    // column position other than 0 only bands of that column, page headers and titles count.
    double GetLastY(double ColumnPosition) override;
    void BeginPass() override;
    // Drops what the first pass of a two-pass run wrote (anchors and logical numbers stay).
    void ClearFirstPassPages() override;
    void IncLogicalPageNumber() override;
    void ResetLogicalPageNumber() override;
    // A page that grows with its contents: its source page gets a custom paper of this size
    // (pixels).
    void UpdatePageDimensions(TrptReportPage* Page, double Width, double Height);

    // Logical page number and total of CurPage; physical ones when none was recorded.
    int GetLogicalPageNo() override;
    int GetLogicalTotalPages() override;

    // Anchors: the last one of that text (ignoring case), none when unknown; its page + 1, 1
    // when unknown.
    TrptXMLItem* FindAnchor(const QString& Text);
    int GetAnchorPage(const QString& Text);

    // Editing. AddEmptyPage inserts before Index a page of the same source page; DeletePage never
    // removes the last page; ModifyPage stores Page whole in element Index; AddFrom appends the
    // prepared pages, anchors and outline of another report.
    void AddEmptyPage(int Index) override;
    void DeletePage(int Index) override;
    void ModifyPage(int Index, TrptReportPage* Page) override;
    void AddFrom(TrptReport* Report) override;
    // Through the report's printing and export loops.
    bool Print() override;
    bool Export(TrptCustomExportFilter* Filter) override;

    // The prepared-report file: the document with its source pages, alias dictionary, pictures
    // and a few report settings. Loading starts from Clear; with AllowPartialLoading the stream
    // must stay open while the pages are used. A missing file gives False, or the file error
    // with ExceptionIfNotFound.
    void SaveToStream(TStream& Stream) override;
    void LoadFromStream(TStream& Stream, bool AllowPartialLoading = false) override;
    void SaveToFile(const QString& FileName) override;
    bool LoadFromFile(const QString& FileName, bool ExceptionIfNotFound = false) override;

    // Draws page Index at the scale and offset (device pixels) given.
    void DrawPage(int Index, TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX,
                  double OffsetY) override;
    // Mouse over or click on page Index in the preview: status texts, cursor, hints, page links
    // ("@3"), anchors ("#name"), drill-downs, the report's click and mouse-over events. Other
    // links open only when they are http, https or mailto.
    void ObjectOver(int Index, int X, int Y, TMouseButton Button, TShiftState Shift, double Scale,
                    double OffsetX, double OffsetY, bool Click, TCursor& Cursor, bool DBClick) override;

    // Frees the rebuilt page objects.
    void ClearPageCache();
    // The "previewpages" child at CurPage; none when there is no such page.
    TrptXMLItem* CurrentPageItem();
    // The page element Index; none out of range.
    TrptXMLItem* PageItem(int Index);

    // Read by the file and print units and by tests.
    const std::vector<TrptReportPage*>& SourcePages() const { return FSourcePages; }
    TrptDictionary* Dictionary() const { return FDictionary.get(); }
    TrptPictureCache* PictureCache() const { return FPictureCache.get(); }
    TrptXMLDocument* XMLDoc() const { return FXMLDoc.get(); }
    // Estimated bytes of elements added since the last unload.
    Int64 XMLSize() const { return FXMLSize; }
    // Page objects in the cache, most recently used first.
    int PageCacheCount() const { return static_cast<int>(FPageCache.size()); }
    // Handed to text objects while they are drawn.
    int CopyNo() const { return FCopyNo; }
    void SetCopyNo(int Value) { FCopyNo = Value; }
    double PrintScale() const { return FPrintScale; }
    void SetPrintScale(double Value) { FPrintScale = Value; }
    bool AllowPartialLoading() const { return FAllowPartialLoading; }
    void SetAllowPartialLoading(bool Value) { FAllowPartialLoading = Value; }

    // A page link or an anchor was clicked: the preview shows page PageNo (1-based, also put into
    // CurPreviewPage) at Top pixels.
    std::function<void(int PageNo, int Top)> OnShowPage;
    // The status and hint texts of the object under the mouse (empty texts clear them); they also
    // go to the report's progress message.
    std::function<void(const QString& Text, bool IsHint)> OnStatusText;

    // Replaces the link opener (empty: the desktop's again); returns the previous one.
    static TrptOpenLinkHandler SetOpenLinkHandler(TrptOpenLinkHandler Handler);
    // Whether a clicked URL may be opened outside the program: http, https and mailto only.
    static bool IsOpenableLink(const QString& Url);

private:
    struct TCacheEntry {
        int Index;
        std::unique_ptr<TrptReportPage> Page;
    };

    TrptXMLItem* PagesItem();
    TrptXMLItem* RootChild(const QString& Name);
    // Source page index named by a "pageN" element; raises ErptPreparedPage (with the page's
    // number) when the name holds no index of an existing source page.
    int SourceIndexOf(const TrptXMLItem* PageItem, int PageIndex) const;
    // Source page whose template is Page; -1 when none.
    int SourceIndexOfTemplate(const TrptReportPage* Page) const;
    bool IsWholePage(const TrptXMLItem* Item) const;
    void WriteObject(TrptComponent* Obj, TrptXMLItem* Parent, bool WholePage);
    std::unique_ptr<TrptReportPage> BuildPage(int Index);
    void ReadObjects(TrptXMLItem* Item, TrptComponent* Parent, TrptXMLSerializer& Ser, int PageIndex);
    TrptComponent* SourceObjectOf(const TrptXMLItem* Item) const;
    void FreeSourcePages();
    bool EngineRunning() const;
    bool NumbersLogicalPages() const;
    void ProgressStart();
    void ProgressStep(int Progress);
    void ProgressStop();
    void StatusText(const QString& Text, bool IsHint);
    void DoShowPage(int PageNo, int Top);

    bool FAllowPartialLoading = false;
    int FCopyNo = 0;
    std::unique_ptr<TrptDictionary> FDictionary;
    int FFirstObjectIndex = 0;
    int FFirstPageIndex = -1;
    int FFirstOutlineIndex = 0;
    int FLogicalPageN = 0;
    std::vector<TCacheEntry> FPageCache; // most recently used first
    TrptXMLItem* FPagesItem = nullptr;
    std::unique_ptr<TrptPictureCache> FPictureCache;
    double FPrintScale = 0;
    std::vector<TrptReportPage*> FSourcePages; // owned
    std::unique_ptr<TrptXMLDocument> FXMLDoc;
    Int64 FXMLSize = 0;
    double FLastY = 0;
};

// Installs prepared pages in a report that has none yet (the report owns them).
TrptPreviewPages* EnsurePreviewPages(TrptReport* Report);
