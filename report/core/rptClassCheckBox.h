#pragma once
// The check box object: a Boolean shown as a box with a check mark or cross when it is true, and
// empty, a cross or a minus when it is false. The value comes from a dataset field, from an
// expression of the report, or from Checked as the template sets it.
//
// Marks are drawn as outlines on the canvas (no symbol font is needed): the check mark and the
// cross fill a glyph cell as high as the box and centred in it, as a font's glyph would; the
// line cross, plus and minus are thick lines of the frame's width.
//
// TrptCheckBoxObject is the companion component with no behaviour of its own: placing it on a
// form links the check box object into a program.

#include "platform/rtti/Classes.h"
#include "report/core/rptClassView.h"

#include <QString>

#include <vector>

enum TrptCheckStyle { csCross, csCheck, csLineCross, csPlus };
KORVEL_ENUM(TrptCheckStyle, "csCross,csCheck,csLineCross,csPlus")
enum TrptUncheckStyle { usEmpty, usCross, usLineCross, usMinus };
KORVEL_ENUM(TrptUncheckStyle, "usEmpty,usCross,usLineCross,usMinus")

class TrptCheckBoxView : public TrptView {
    KORVEL_CLASS(TrptCheckBoxView, TrptView)
public:
    // Checked, a black mark, 5 mm square.
    explicit TrptCheckBoxView(TComponent* AOwner = nullptr);

    // "obChBox".
    QString GetDescription() const override;
    // Background, the mark, then the frame.
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // The view's step, then Checked from the field (Null counts as False) or, without a field,
    // from the expression. A value that is no Boolean (the text "abc") raises
    // EVariantTypeCastError naming the object and the value.
    void GetData() override;

    // The outline of a glyph mark (the cross of csCross and usCross, or the check mark of
    // csCheck) in the box (x, y)-(x1, y1), device pixels: the glyph cell is as high as the box
    // and GlyphWidth(height) wide, centred.
    static std::vector<TPoint> GlyphMark(bool Check, int x, int y, int x1, int y1);
    static int GlyphWidth(int Height);

    TColor CheckColor() const { return FCheckColor; }
    void SetCheckColor(TColor Value) { FCheckColor = Value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value) { FChecked = Value; }
    TrptCheckStyle CheckStyle() const { return FCheckStyle; }
    void SetCheckStyle(TrptCheckStyle Value) { FCheckStyle = Value; }
    TrptUncheckStyle UncheckStyle() const { return FUncheckStyle; }
    void SetUncheckStyle(TrptUncheckStyle Value) { FUncheckStyle = Value; }
    const QString& Expression() const { return FExpression; }
    void SetExpression(const QString& Value) { FExpression = Value; }

protected:
    void PaintMark();

private:
    bool ValueAsBoolean(const Variant& v) const;

    TColor FCheckColor = clBlack;
    bool FChecked = true;
    TrptCheckStyle FCheckStyle = csCross;
    TrptUncheckStyle FUncheckStyle = usEmpty;
    QString FExpression;
};

// Links the check box object into a program; no behaviour of its own.
class TrptCheckBoxObject : public TComponent {
    KORVEL_CLASS(TrptCheckBoxObject, TComponent)
public:
    explicit TrptCheckBoxObject(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
};

// Registers the check box classes for templates (once per process).
void RegisterCheckBoxClasses();
// The palette entry (image 24, no category) and its removal.
void RegisterCheckBoxObject();
void UnregisterCheckBoxObject();
