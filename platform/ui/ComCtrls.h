#pragma once
// Page controls and tab sheets, date-time pickers, month calendars, tool bars and status bars.

#include "platform/ui/Controls.h"

#include <QDateTime>
#include <QTabBar>

class QTabBar;
class QDateTimeEdit;
class QCheckBox;
class QCalendarWidget;
class TPageControl;

enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
KORVEL_ENUM(TTabStyle, "tsTabs,tsButtons,tsFlatButtons")
enum TDateTimeKind { dtkDate, dtkTime };
KORVEL_ENUM(TDateTimeKind, "dtkDate,dtkTime")
enum TDTDateFormat { dfShort, dfLong };
KORVEL_ENUM(TDTDateFormat, "dfShort,dfLong")
enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
KORVEL_ENUM(TToolButtonStyle, "tbsButton,tbsCheck,tbsDropDown,tbsSeparator,tbsDivider")
enum TStatusPanelStyle { psText, psOwnerDraw };

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// TDateTime (days from 1899-12-30) to Qt and back.
QDateTime DateTimeToQDateTime(TDateTime value);
TDateTime QDateTimeToDateTime(const QDateTime& value);
// The classic date-time format letters ("dd/mm/yyyy hh:nn") in Qt's notation.
QString DateTimeFormatToQt(const QString& format);

class TTabSheet : public TWinControl {
    KORVEL_CLASS(TTabSheet, TWinControl)
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return FPageControl; }
    void SetPageControl(TPageControl* value);
    int PageIndex() const;
    void SetPageIndex(int value);
    int TabIndex() const; // among visible tabs, -1 when hidden
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value) { FImageIndex = value; }
    void SetParent(TWinControl* value) override;

protected:
    void TextChanged() override;
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
    int FImageIndex = -1;
};

class TPageControl : public TWinControl {
    KORVEL_CLASS(TPageControl, TWinControl)
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int index) const { return FPages.at(index); }
    TTabSheet* ActivePage() const { return FActivePage; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int value);
    TTabStyle Style() const { return FStyle; }
    void SetStyle(TTabStyle value);
    void SelectNextPage(bool GoForward, bool CheckTabVisible = true);
    // Where the sheets lie, in client coordinates.
    TRect DisplayRect() const;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    friend class TTabSheet;
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    void Resize() override;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void MovePage(TTabSheet* page, int index);
    void UpdateTabs();
    void PlacePages();
    virtual bool CanChange();
    virtual void Change();
    void TabClicked(int tab);
    QTabBar* TabBar() const { return FTabBar.data(); }
    bool WidgetEvent(QEvent* e) override;
    int TabHeight() const;

    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    TTabStyle FStyle = tsTabs;
    QPointer<QTabBar> FTabBar;
    bool FSyncing = false;
};

class TDateTimePicker : public TWinControl {
    KORVEL_CLASS(TDateTimePicker, TWinControl)
public:
    explicit TDateTimePicker(TComponent* AOwner);

    TDateTime DateTime() const { return FDateTime; }
    void SetDateTime(TDateTime value);
    TDateTime Date() const;
    void SetDate(TDateTime value);
    TDateTime Time() const;
    void SetTime(TDateTime value);
    TDateTimeKind Kind() const { return FKind; }
    void SetKind(TDateTimeKind value);
    TDTDateFormat DateFormat() const { return FDateFormat; }
    void SetDateFormat(TDTDateFormat value);
    // Classic format letters; empty uses the locale's format.
    const QString& Format() const { return FFormat; }
    void SetFormat(const QString& value);
    bool ShowCheckbox() const { return FShowCheckbox; }
    void SetShowCheckbox(bool value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    TDateTime MinDate() const { return FMinDate; }
    void SetMinDate(TDateTime value) { FMinDate = value; }
    TDateTime MaxDate() const { return FMaxDate; }
    void SetMaxDate(TDateTime value) { FMaxDate = value; }

    TNotifyEvent OnChange;

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    void Resize() override;
    int DialogCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    virtual void Change();
    void ApplyToWidget();
    void Layout();
    QString DisplayFormat() const;

    TDateTime FDateTime = 0;
    TDateTimeKind FKind = dtkDate;
    TDTDateFormat FDateFormat = dfShort;
    QString FFormat;
    bool FShowCheckbox = false;
    bool FChecked = true;
    TDateTime FMinDate = 0;
    TDateTime FMaxDate = 0;
    QPointer<QDateTimeEdit> FEdit;
    QPointer<QCheckBox> FCheck;
    bool FSyncing = false;
};

class TMonthCalendar : public TWinControl {
    KORVEL_CLASS(TMonthCalendar, TWinControl)
public:
    explicit TMonthCalendar(TComponent* AOwner);

    TDateTime Date() const { return FDate; }
    void SetDate(TDateTime value);

    TNotifyEvent OnChange;

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    // Arrow keys move the selected date; they do not move the focus on.
    int DialogCode() const override { return DLGC_WANTARROWS; }
    void ApplyToWidget();

    TDateTime FDate = 0;
    bool FSyncing = false;
};

class TToolBar;

class TToolButton : public TGraphicControl {
    KORVEL_CLASS(TToolButton, TGraphicControl)
public:
    explicit TToolButton(TComponent* AOwner);

    TToolButtonStyle Style() const { return FStyle; }
    void SetStyle(TToolButtonStyle value);
    bool Down() const { return FDown; }
    void SetDown(bool value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    bool Grouped() const { return FGrouped; }
    void SetGrouped(bool value) { FGrouped = value; }
    int Index() const; // position on the tool bar
    void Click() override;
    void SetParent(TWinControl* value) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void TextChanged() override;

    TToolButtonStyle FStyle = tbsButton;
    bool FDown = false;
    bool FPressed = false;
    bool FHot = false;
    int FImageIndex = -1;
    bool FGrouped = false;
};

class TToolBar : public TCustomControl {
    KORVEL_CLASS(TToolBar, TCustomControl)
public:
    explicit TToolBar(TComponent* AOwner);

    int ButtonCount() const;
    TToolButton* Buttons(int index) const;
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int value);
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int value);
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    // Places the buttons left to right in their order.
    void ArrangeButtons();

protected:
    void Paint() override;
    void Resize() override;

    int FButtonWidth = 23;
    int FButtonHeight = 22;
    bool FShowCaptions = false;
    bool FFlat = true;
    bool FArranging = false;
};

class TStatusPanel {
public:
    QString Text;
    int Width = 50;
    TAlignment Alignment = taLeftJustify;
    TStatusPanelStyle Style = psText;
};

class TStatusBar : public TCustomControl {
    KORVEL_CLASS(TStatusBar, TCustomControl)
public:
    explicit TStatusBar(TComponent* AOwner);

    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    TStatusPanel& Panels(int index) { return FPanels.at(index); }
    TStatusPanel& AddPanel();
    void ClearPanels();
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool value);
    const QString& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const QString& value);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool value);
    // Call after changing panels in place.
    void PanelsChanged() { Invalidate(); }

protected:
    void Paint() override;

    std::vector<TStatusPanel> FPanels;
    bool FSimplePanel = false;
    QString FSimpleText;
    bool FSizeGrip = true;
};

// Lays the children of Parent out right to left: each placed control moves to the mirror position
// in its parent, down through every level. Aligned controls and the sheets of a page control keep
// their places (their parents lay them out); the controls on the sheets are mirrored.
void MirrorChildControls(TWinControl* Parent);
