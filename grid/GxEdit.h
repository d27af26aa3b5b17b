#pragma once
// The single-line editor a grid places over a cell while it is edited: an edit control with typed
// value accessors, text margins, an optional glyph and preview box at its left edge (drawn by the
// child TGxEditInfo) and the hooks through which the grid and the column drive an editing run.

#include "grid/GxClasses.h"
#include "platform/gfx/Bitmap.h"
#include "platform/ui/StdCtrls.h"

#include <functional>
#include <memory>

class TGxCustomEdit;

using TCustomPreviewDrawEvent = std::function<void(TObject* Sender, const TRect& PreviewRect)>;

// The reversed arrow shown over the glyph and preview area.
constexpr TCursor crReversedArrow = 1000;

class TGxEditMargins : public TPersistent {
    KORVEL_CLASS(TGxEditMargins, TPersistent)
public:
    explicit TGxEditMargins(TGxCustomEdit* AOwner = nullptr) : FOwner(AOwner) {}
    void Assign(const TPersistent* Source) override;
    int Left() const { return FLeft; }
    void SetLeft(int Value);
    int Right() const { return FRight; }
    void SetRight(int Value);

private:
    TGxCustomEdit* FOwner;
    int FLeft = 0;
    int FRight = 0;
};

class TGxEditInfo : public TCustomControl {
    KORVEL_CLASS(TGxEditInfo, TCustomControl)
public:
    explicit TGxEditInfo(TGxCustomEdit* AOwner);
    using TCustomControl::Canvas;
    // The glyph's mouse test, also used by tests in place of a real click.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    void Paint() override;

private:
    TGxCustomEdit* FOwner;
};

class TGxCustomEdit : public TCustomEdit {
    KORVEL_CLASS(TGxCustomEdit, TCustomEdit)
public:
    explicit TGxCustomEdit(TComponent* AOwner);
    ~TGxCustomEdit() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TGxEditMargins* EditMargins() const { return FEditMargins.get(); }
    void SetEditMargins(const TGxEditMargins* Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(const TBitmap* Value);
    bool PreviewBorder() const { return FPreviewBorder; }
    void SetPreviewBorder(bool Value);
    bool ShowPreview() const { return FShowPreview; }
    void SetShowPreview(bool Value);
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value) { FAutoSize = Value; }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    TCustomPreviewDrawEvent OnCustomPreviewDraw;
    TNotifyEvent OnGlyphClick;

    bool AsBoolean() { return GetAsBoolean(); }
    void SetAsBoolean(bool Value) { SetAsBooleanValue(Value); }
    TDateTime AsDateTime() { return GetAsDateTime(); }
    void SetAsDateTime(TDateTime Value) { SetAsDateTimeValue(Value); }
    double AsFloat() { return GetAsFloat(); }
    void SetAsFloat(double Value) { SetAsFloatValue(Value); }
    int AsInteger() { return GetAsInteger(); }
    void SetAsInteger(int Value) { SetAsIntegerValue(Value); }
    QString AsString() { return GetAsString(); }
    void SetAsString(const QString& Value) { SetAsStringValue(Value); }
    TCanvas* Canvas() override { return TWinControl::Canvas(); }
    bool Editing() const { return FEditing; }
    TGxEditInfo* EditInfo() const { return FEditInfo; }
    bool EditorUpdating() const { return FEditorUpdating; }
    void SetEditorUpdating(bool Value) { FEditorUpdating = Value; }
    bool InplaceEditor() const { return FInplaceEditor; }
    void SetInplaceEditor(bool Value) { FInplaceEditor = Value; }

    // The left and right text margins last applied to the window.
    int AppliedLeftMargin() const { return FAppliedLeft; }
    int AppliedRightMargin() const { return FAppliedRight; }
    // Applies the margins again (after a change of margins, glyph, preview, size or font).
    void UpdateMargins();
    void RefreshPreview();
    // Sends Key to the window as a typed character.
    void PressKey(QChar Key);
    int DialogCode() const override;

    // --- virtual operations
    virtual bool GetAsBoolean();
    virtual TDateTime GetAsDateTime();
    virtual double GetAsFloat();
    virtual int GetAsInteger();
    virtual QString GetAsString();
    virtual bool UseDefaultPaint() { return true; }
    virtual void GetPreviewRect(TRect& Rect);
    virtual void EditInfoMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {}
    virtual void PaintContent() {}
    virtual void DrawPreview(TCanvas& ACanvas, const TRect& Rect);
    virtual void SetAsBooleanValue(bool Value);
    virtual void SetAsDateTimeValue(TDateTime Value);
    virtual void SetAsFloatValue(double Value);
    virtual void SetAsIntegerValue(int Value);
    virtual void SetAsStringValue(const QString& Value);
    virtual void AdjustMargins(int& Left, int& Right);
    virtual void ApplyEditing() {}
    virtual void BeginEditing() {}
    virtual bool CanDispatchKey(Word Key) { return true; }
    virtual void EndEditing() {}

    virtual void DoCustomPreviewDraw(const TRect& Rect);
    virtual void DoGlyphClick();

protected:
    void InitWidget() override;
    void Resize() override;
    void Moved() override;
    void FontChanged() override;
    void EnabledChanged() override;
    void FocusGained() override;
    void FocusLost() override;
    void PlaceEditInfo();
    void GlyphChanged();
    int GlyphSpace() const;

    TAlignment FAlignment = taLeftJustify;
    TGxEditInfo* FEditInfo = nullptr; // owned as a component of the edit
    bool FEditing = false;
    std::unique_ptr<TGxEditMargins> FEditMargins;
    bool FEditorUpdating = false;
    std::unique_ptr<TBitmap> FGlyph;
    bool FInplaceEditor = false;
    bool FPreviewBorder = true;
    bool FShowPreview = false;
    bool FWantTabs = false;
    bool FAutoSize = true;
    int FBorderWidth = 0;
    int FAppliedLeft = 0;
    int FAppliedRight = 0;
    bool FGlyphUpdating = false;
};

class TGxEdit : public TGxCustomEdit {
    KORVEL_CLASS(TGxEdit, TGxCustomEdit)
public:
    explicit TGxEdit(TComponent* AOwner) : TGxCustomEdit(AOwner) {}
    void SetAsStringValue(const QString& Value) override;
    void BeginEditing() override;
    // The right edge of the glyph and preview area plus 2: clicks and the cursor change left of it.
    int InfoEdge() const;
    // Mouse handling (public so the grid and tests can forward events).
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    void Change() override;
    virtual void TextChanged() override;
};
