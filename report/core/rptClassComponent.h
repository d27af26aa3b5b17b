#pragma once
// The base of every object of a report: the report itself, its pages, bands, views, dialog
// controls and datasets. TrptComponent holds the object tree (parent and children), the geometry
// in floating-point pixels of 96 per inch, the font with its inheritance from the parent, the
// name rules, loading and saving through the template serializer, and the difference texts of
// prepared pages. TrptReportComponent adds what an object needs to take part in preparation.
//
// Ownership: an object created with a report object as its owner is owned by that object's
// report (so every object of a report is found by name among the report's components) and
// becomes a child of the object it was created with. The class-library owner frees it.
//
// Published properties are declared in each class's table (KORVEL_CLASS_INFO); this base
// publishes only Name and Tag, and descendants publish what they store, for example
//   b.Prop("Left", &TrptComponent::Left, &TrptComponent::SetLeft);
//   b.Prop("Font", &TrptComponent::Font, &TrptComponent::SetFont).Stored(&TrptComponent::IsFontStored);
//   b.Prop("ParentFont", &TrptComponent::ParentFont, &TrptComponent::SetParentFont).Default(true);

#include "platform/gfx/Graphics.h"
#include "platform/gfx/GraphicsClasses.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/UiTypes.h"
#include "report/core/rptUtils.h"

#include <QString>

#include <memory>
#include <vector>

class TCanvas;
class TStrings;

// The report classes, declared where they are built; other units refer to them by pointer.
class TrptComponent;
class TrptReportComponent;
class TrptReport;
class TrptPage;
class TrptReportPage;
class TrptDialogPage;
class TrptDataPage;
class TrptBand;
class TrptView;
class TrptDialogComponent;
class TrptDataSet;
class TrptReportDataSets;
class TrptXMLSerializer;
class TrptCustomEngine;
class TrptCustomPreviewPages;
class TrptCustomPreview;
class TrptCustomDesigner;
class TrptEngineOptions;
class TrptPreviewOptions;
class TrptPrintOptions;
class TrptReportOptions;

class TrptCustomDatabase;

// Host events of the report classes (method pointers of the program).
using TrptBeforePrintEvent = std::function<void(TrptReportComponent* Sender)>;
using TrptBeforeConnectEvent = std::function<void(TrptCustomDatabase* Sender, bool& Connected)>;
using TrptAfterDisconnectEvent = std::function<void(TrptCustomDatabase* Sender)>;
using TrptClickObjectEvent =
    std::function<void(TrptView* Sender, TMouseButton Button, TShiftState Shift, bool& Modified)>;
using TrptGetValueEvent = std::function<void(const QString& VarName, Variant& Value)>;
using TrptNewGetValueEvent = std::function<void(TObject* Sender, const QString& VarName, Variant& Value)>;
using TrptUserFunctionEvent = std::function<Variant(const QString& MethodName, Variant& Params)>;
using TrptManualBuildEvent = std::function<void(TrptPage* Page)>;
using TrptMouseOverObjectEvent = std::function<void(TrptView* Sender)>;
using TrptPrintPageEvent = std::function<void(TrptReportPage* Page, int CopyNo)>;
enum TrptProgressType { ptRunning, ptExporting, ptPrinting };
KORVEL_ENUM(TrptProgressType, "ptRunning,ptExporting,ptPrinting")
using TrptProgressEvent = std::function<void(TrptReport* Sender, TrptProgressType ProgressType, int Progress)>;
using TrptLoadTemplateEvent = std::function<void(TrptReport* Report, const QString& TemplateName)>;
using TrptEditConnectionEvent = std::function<QString(const QString& ConnString)>;
using TrptSetConnectionEvent = std::function<void(const QString& ConnString)>;
using TrptLoadEvent = std::function<bool(TrptReport* Sender, TStream* Stream)>;
using TrptGetScriptValueEvent = std::function<Variant(Variant& Params)>;
enum TrptInheriteMode { imDefault, imDelete, imRename };
KORVEL_ENUM(TrptInheriteMode, "imDefault,imDelete,imRename")

// Script events are string properties naming a procedure of the report script; they are declared
// with one of these type names (.Type("TrptNotifyEvent")) so that the inspector offers the event
// editor for them.
inline constexpr const char* TrptNotifyEventTypeName = "TrptNotifyEvent";

// Renaming to a name another object of the report uses.
KORVEL_EXCEPTION(EDuplicateName, EComponentError)

enum TrptRestriction { rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit };
KORVEL_ENUM(TrptRestriction, "rfDontModify,rfDontSize,rfDontMove,rfDontDelete,rfDontEdit")
KORVEL_SET(TrptRestrictions, TrptRestriction)

// csContainer: the object holds others the designer can drop into; csPreviewVisible: it is shown
// in prepared pages; csDefaultDiff: it writes its full properties when stored in prepared pages.
enum TrptComponentStyleItem { csContainer, csPreviewVisible, csDefaultDiff };
KORVEL_ENUM(TrptComponentStyleItem, "csContainer,csPreviewVisible,csDefaultDiff")
KORVEL_SET(TrptComponentStyle, TrptComponentStyleItem)

// Alignment of a view within its container (used by AlignChildren; views publish it as Align).
enum TrptAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient };
KORVEL_ENUM(TrptAlign, "baNone,baLeft,baRight,baCenter,baWidth,baBottom,baClient")

using TrptComponentList = std::vector<TrptComponent*>;

class TrptComponent : public TComponent {
    KORVEL_CLASS(TrptComponent, TComponent)
public:
    // With a report object as owner, the report of that object owns the new one and the object
    // becomes its parent; with any other owner, that owner owns it and there is no parent.
    explicit TrptComponent(TComponent* AOwner = nullptr);
    // Leaves the parent, then frees the children (Clear).
    ~TrptComponent() override;

    // Creates an object of the class as the designer does: IsDesigning is already set while its
    // constructors run. Flags are the designer's insertion flags; the base keeps none.
    static TrptComponent* DesignCreate(const TClassInfo* Cls, TComponent* AOwner, int Flags = 0);

    // From another report object: a copy of Source's own properties (no children), made by
    // saving Source with default values and loading the text into this object. Anything else
    // goes to the class library's rules.
    void Assign(const TPersistent* Source) override;
    // The same, with Source's children copied too.
    void AssignAll(TrptComponent* Source, bool Streaming = false);

    // The tree.
    const TrptComponentList& Objects() const { return FObjects; }
    // For reordering children in place (drawing and saving order); add and remove through
    // SetParent.
    TrptComponentList& Objects() { return FObjects; }
    // All descendants, depth first, each before its children, this object excluded. The list
    // is refilled on every call.
    const TrptComponentList& AllObjects();
    const TrptComponentList& ContainerObjects() { return GetContainerObjects(); }
    TrptComponent* Parent() const { return FParent; }
    // Moves the object to the end of the new parent's Objects; a new parent's font is taken
    // again when ParentFont is set.
    virtual void SetParent(TrptComponent* Value);
    // Nearest of this object and its ancestors that is a page, or a report.
    TrptPage* Page() const;
    TrptReport* Report() const;

    // Kinds the tree walks ask about; those classes answer with themselves.
    virtual TrptReport* AsReport() { return nullptr; }
    virtual TrptPage* AsPage() { return nullptr; }
    virtual TrptBand* AsBand() { return nullptr; }
    // A dialog page's children are positioned within the dialog (AbsLeft and AbsTop stop there).
    virtual bool IsDialogPage() const { return false; }
    // Views answer with their Align; nothing else takes part in AlignChildren.
    virtual bool GetChildAlign(TrptAlign& Align) const {
        (void)Align;
        return false;
    }

    // Text objects keep their lines outside the published properties; the serializer writes
    // them as the Text attribute (lines joined by CR LF) and reads "Text", "x" and "u" into them.
    virtual bool IsTextObject() const { return false; }
    virtual QString GetXMLText() const { return QString(); }
    virtual void SetXMLText(const QString& Value) { (void)Value; }

    // The first descendant whose name equals AName ignoring case.
    TrptComponent* FindObject(const QString& AName);
    // The dataset for a user name: through the process-wide list when there is no report or the
    // report uses the global list, else through the report's dataset entries; DataSet is the
    // answer when nothing else is found on the global route.
    TrptDataSet* FindDataSet(TrptDataSet* DataSet, const QString& DSName) const;

    // Same name ignoring case: nothing. Another object of the report with the name raises
    // EDuplicateName ("prDupl"); an object taken from a parent template cannot be renamed
    // ("clCantRen"). Then the class library's rules apply.
    void SetName(const QString& Value) override;
    // BaseName followed by the smallest number from 1 that no object of the report (without a
    // report, of the parent's descendants) uses.
    void CreateUniqueName();

    // States.
    bool IsAncestor() const { return ComponentState().Contains(csAncestor) || FAncestor; }
    bool Ancestor() const { return FAncestor; }
    void SetAncestorFlag(bool Value) { FAncestor = Value; }
    bool IsDesigning() const { return FIsDesigning; }
    void SetIsDesigning(bool Value) { FIsDesigning = Value; }
    bool IsLoading() const { return FIsLoading || TComponent::IsLoading(); }
    void SetIsLoading(bool Value) { FIsLoading = Value; }
    bool IsPrinting() const { return FIsPrinting; }
    void SetIsPrinting(bool Value) { FIsPrinting = Value; }
    bool IsWriting() const { return FIsWriting; }
    void SetIsWriting(bool Value) { FIsWriting = Value; }

    // The class name without its first "Trpt" and first "View" ("Memo" for TrptMemoView), unless
    // set otherwise (prepared-page copies keep their own).
    QString BaseName() const;
    void SetBaseName(const QString& Value) { FBaseName = Value; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value) { FGroupIndex = Value; }
    TrptComponentStyle rptComponentStyle() const { return FrptComponentStyle; }
    void SetrptComponentStyle(const TrptComponentStyle& Value) { FrptComponentStyle = Value; }

    // Geometry, relative to the parent.
    double Left() const { return FLeft; }
    double Top() const { return FTop; }
    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    // Ignored while designing with rfDontMove.
    virtual void SetLeft(double Value);
    virtual void SetTop(double Value);
    // Ignored while designing with rfDontSize.
    virtual void SetWidth(double Value);
    virtual void SetHeight(double Value);
    void SetBounds(double ALeft, double ATop, double AWidth, double AHeight);
    double AbsLeft() const;
    double AbsTop() const;

    const QString& Description() const { return FDescription; }
    void SetDescription(const QString& Value) { FDescription = Value; }
    TrptRestrictions Restrictions() const { return FRestrictions; }
    void SetRestrictions(const TrptRestrictions& Value) { FRestrictions = Value; }
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);

    // The font: Arial 10 points, black, charset 1 after construction. Setting it copies the value
    // and clears ParentFont; every change of the font reaches the children whose ParentFont is
    // set.
    TFont* Font() const { return FFont.get(); }
    virtual void SetFont(TFont* Value);
    bool ParentFont() const { return FParentFont; }
    // True takes the parent's font (when there is a parent).
    virtual void SetParentFont(bool Value);
    // The font is stored only when it is the object's own.
    bool IsFontStored() const { return !FParentFont; }

    // Prepared-page bookkeeping.
    const QString& AliasName() const { return FAliasName; }
    void SetAliasName(const QString& Value) { FAliasName = Value; }
    TrptComponent* OriginalComponent() const { return FOriginalComponent; }
    void SetOriginalComponent(TrptComponent* Value) { FOriginalComponent = Value; }
    // Bounds saved before printing: Left, Top, and Width and Height in Right and Bottom.
    const TrptRect& OriginalRect() const { return FOriginalRect; }
    void SetOriginalRect(const TrptRect& Value) { FOriginalRect = Value; }
    TrptComponent* OriginalBand() const { return FOriginalBand; }
    void SetOriginalBand(TrptComponent* Value) { FOriginalBand = Value; }

    // Frees every child, except children taken from a parent template, which are cleared and
    // kept.
    virtual void Clear();
    // Clear, then reads the object (and its children) from a template text. Errors of the read
    // are appended to the report's Errors.
    virtual void LoadFromStream(TStream& Stream);
    // Writes the object (with SaveChildren its subtree) as a template text; for a report the
    // serializer asks the report for the ancestors of a parent template.
    virtual void SaveToStream(TStream& Stream, bool SaveChildren = true, bool SaveDefaultValues = false,
                              bool Streaming = false);

    // The class name; classes answer with their string-table text.
    virtual QString GetDescription() const;
    virtual void AlignChildren();
    virtual void AddSourceObjects() {}
    virtual void BeforeStartReport() {}
    virtual void OnNotify(TObject* Sender) { (void)Sender; }
    virtual void OnPaste() {}
    // The attributes that differ from AComponent (a template object), for prepared pages.
    virtual QString Diff(TrptComponent* AComponent);
    // The serializer's attribute text of the object, then a blank and Diff when AComponent is
    // given; a null band always gets its l and t.
    QString AllDiff(TrptComponent* AComponent);
    virtual bool ContainerAdd(TrptComponent* Obj) {
        (void)Obj;
        return false;
    }
    virtual bool ContainerMouseDown(TObject* Sender, int X, int Y) {
        (void)Sender, (void)X, (void)Y;
        return false;
    }
    virtual void ContainerMouseMove(TObject* Sender, int X, int Y) { (void)Sender, (void)X, (void)Y; }
    virtual void ContainerMouseUp(TObject* Sender, int X, int Y) { (void)Sender, (void)X, (void)Y; }

protected:
    virtual const TrptComponentList& GetContainerObjects() { return FObjects; }
    // Called by the font whenever it changes.
    virtual void FontChanged();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // While set on an owner, its own notifications are not passed on to every owned component
    // (used while the whole tree is freed or read, which would otherwise cost n squared).
    void BeginQuietNotifications() { ++FQuietNotify; }
    void EndQuietNotifications() { --FQuietNotify; }
    // Frees the children; the report's destructor calls it while the report is still whole.
    void FreeChildren();

private:
    void SetFontSilently(const TFont& Value);

    std::unique_ptr<TFont> FFont;
    TrptComponentList FObjects;
    TrptComponentList FAllObjects;
    TrptComponent* FParent = nullptr;
    double FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FParentFont = true;
    int FGroupIndex = 0;
    bool FIsDesigning = false;
    bool FIsLoading = false;
    bool FIsPrinting = false;
    bool FIsWriting = false;
    TrptRestrictions FRestrictions;
    bool FVisible = true;
    QString FDescription;
    bool FAncestor = false;
    TrptComponentStyle FrptComponentStyle;
    QString FAliasName;
    QString FBaseName;
    TrptComponent* FOriginalComponent = nullptr;
    TrptRect FOriginalRect;
    TrptComponent* FOriginalBand = nullptr;
    int FQuietNotify = 0;
    int FFontUpdate = 0;
};

class TrptReportComponent : public TrptComponent {
    KORVEL_CLASS(TrptReportComponent, TrptComponent)
public:
    explicit TrptReportComponent(TComponent* AOwner = nullptr);
    ~TrptReportComponent() override;

    // Each visible class draws itself at the scale and offset given (device pixels).
    virtual void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) = 0;
    // Saves the bounds into OriginalRect.
    virtual void BeforePrint();
    virtual void GetData() {}
    // Puts the bounds saved by BeforePrint back.
    virtual void AfterPrint();
    virtual QString GetComponentText() { return QString(); }
    // (AbsLeft, AbsTop) to (AbsLeft + Width, AbsTop + Height).
    virtual TrptRect GetRealBounds();

    // Script event names (procedures of the report script).
    const QString& OnAfterData() const { return FOnAfterData; }
    void SetOnAfterData(const QString& Value) { FOnAfterData = Value; }
    const QString& OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(const QString& Value) { FOnAfterPrint = Value; }
    const QString& OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const QString& Value) { FOnBeforePrint = Value; }
    const QString& OnPreviewClick() const { return FOnPreviewClick; }
    void SetOnPreviewClick(const QString& Value) { FOnPreviewClick = Value; }
    const QString& OnPreviewDblClick() const { return FOnPreviewDblClick; }
    void SetOnPreviewDblClick(const QString& Value) { FOnPreviewDblClick = Value; }

    // Used by the engine to shift the objects below a stretched one.
    double ShiftAmount() const { return FShiftAmount; }
    void SetShiftAmount(double Value) { FShiftAmount = Value; }
    TrptComponentList& ShiftChildren() { return FShiftChildren; }

private:
    QString FOnAfterData;
    QString FOnAfterPrint;
    QString FOnBeforePrint;
    QString FOnPreviewClick;
    QString FOnPreviewDblClick;
    double FShiftAmount = 0;
    TrptComponentList FShiftChildren;
};
