// The in-place editor: typed accessors, margins with glyph and preview, the info control, the
// glyph click and the dialog codes.

#include "grid/GxColumns.h"
#include "grid/GxEdit.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TBitmap> Glyph(int w, int h) {
    auto g = std::make_unique<TBitmap>(w, h);
    g->Canvas().Brush().SetColor(clRed);
    g->Canvas().FillRect(TRect(0, 0, w, h));
    return g;
}

TEST(GxEdit, TypedAccessors) {
    TFormatSettingsScope scope(QStringLiteral("en_US"));
    TGxEdit edit(nullptr);
    EXPECT_EQ(edit.AsInteger(), 0);
    EXPECT_DOUBLE_EQ(edit.AsFloat(), 0);
    EXPECT_DOUBLE_EQ(edit.AsDateTime(), 0);
    EXPECT_THROW(edit.AsBoolean(), EConvertError);
    edit.SetText(QStringLiteral("12a"));
    EXPECT_THROW(edit.AsInteger(), EConvertError);
    edit.SetAsFloat(2.5);
    EXPECT_EQ(edit.Text(), QStringLiteral("2.5"));
    EXPECT_DOUBLE_EQ(edit.AsFloat(), 2.5);
    edit.SetAsBoolean(true);
    EXPECT_EQ(edit.AsString(), QStringLiteral("True"));
    EXPECT_TRUE(edit.AsBoolean());
    edit.SetAsInteger(-7);
    EXPECT_EQ(edit.AsInteger(), -7);
    edit.SetAsDateTime(EncodeDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(edit.AsDateTime(), EncodeDate(2024, 2, 29));
    TFormatSettingsScope ru(QStringLiteral("ru_RU"));
    edit.SetAsFloat(0.5);
    EXPECT_EQ(edit.Text(), QStringLiteral("0,5"));
}

TEST(GxEdit, MarginsFollowGlyphAndPreview) {
    TGxEdit edit(nullptr);
    edit.Widget();
    EXPECT_EQ(edit.Width(), 121);
    EXPECT_EQ(edit.Height(), 20);
    edit.EditMargins()->SetLeft(3);
    EXPECT_EQ(edit.AppliedLeftMargin(), 3);
    edit.SetShowPreview(true);
    auto glyph = Glyph(16, 16);
    edit.SetGlyph(glyph.get());
    EXPECT_EQ(edit.AppliedLeftMargin(), 3 + 25 + 20);
    EXPECT_EQ(edit.AppliedRightMargin(), 0);
    TRect preview;
    edit.GetPreviewRect(preview);
    EXPECT_EQ(preview.Left, 20);
    EXPECT_EQ(preview.Right, 40);
    EXPECT_TRUE(edit.EditInfo()->Visible());
    EXPECT_EQ(edit.EditInfo()->Width(), 20 + 20);
    EXPECT_EQ(edit.InfoEdge(), 42);
    EXPECT_TRUE(edit.Glyph()->Transparent());

    edit.SetGlyph(nullptr);
    edit.SetShowPreview(false);
    EXPECT_FALSE(edit.EditInfo()->Visible());
    EXPECT_EQ(edit.AppliedLeftMargin(), 3);
    EXPECT_EQ(edit.InfoEdge(), 2);
    edit.SetShowPreview(true);
    EXPECT_TRUE(edit.EditInfo()->Visible());
    EXPECT_EQ(edit.EditInfo()->Width(), 20);
}

TEST(GxEdit, GlyphClickAndSelectingByTheEdge) {
    TGxEdit edit(nullptr);
    edit.Widget();
    auto glyph = Glyph(10, 10);
    edit.SetGlyph(glyph.get());
    int clicks = 0;
    edit.OnGlyphClick = [&](TObject*) { ++clicks; };
    edit.EditInfo()->MouseDown(mbLeft, {}, 5, 5);
    EXPECT_EQ(clicks, 1);
    edit.EditInfo()->MouseDown(mbLeft, {}, 12, 5); // right of the glyph
    EXPECT_EQ(clicks, 1);

    edit.SetText(QStringLiteral("hello"));
    edit.SetSelStart(2);
    edit.MouseDown(mbLeft, {}, edit.InfoEdge(), 5);
    EXPECT_EQ(edit.SelLength(), 5);
    edit.MouseMove({}, 3, 3);
    EXPECT_EQ(edit.Cursor(), crReversedArrow);
    edit.MouseMove({}, 80, 3);
    EXPECT_EQ(edit.Cursor(), crDefault);

    int previews = 0;
    edit.OnCustomPreviewDraw = [&](TObject*, const TRect& r) {
        ++previews;
        EXPECT_EQ(r, TRect(1, 2, 3, 4));
    };
    TBitmap canvas(4, 4);
    edit.DrawPreview(canvas.Canvas(), TRect(1, 2, 3, 4));
    EXPECT_EQ(previews, 1);
}

TEST(GxEdit, EditingHooksAndKeys) {
    TGxEdit edit(nullptr);
    edit.Widget();
    edit.SetText(QStringLiteral("abc"));
    edit.SetSelStart(0);
    edit.BeginEditing();
    EXPECT_EQ(edit.SelStart(), 3);
    EXPECT_TRUE(edit.CanDispatchKey(VK_LEFT));
    EXPECT_TRUE(edit.DialogCode() & DLGC_WANTARROWS);
    EXPECT_FALSE(edit.DialogCode() & DLGC_WANTTAB);
    edit.SetWantTabs(true);
    EXPECT_TRUE(edit.DialogCode() & DLGC_WANTTAB);
    edit.PressKey(QLatin1Char('d'));
    EXPECT_EQ(edit.Text(), QStringLiteral("abcd"));
}

TEST(GxEdit, TextColumnPreparesItsEditor) {
    TGxTextColumn column(nullptr);
    column.SetAlignment(taRightJustify);
    column.SetMaxLength(5);
    column.SetPasswordChar(QLatin1Char('*'));
    column.BeginEditing();
    TGxCustomEdit* editor = column.Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->Visible());
    EXPECT_TRUE(editor->EditorUpdating());
    EXPECT_TRUE(editor->InplaceEditor());
    EXPECT_EQ(editor->Alignment(), taRightJustify);
    EXPECT_EQ(editor->BorderStyle(), bsNone);
    EXPECT_EQ(editor->EditMargins()->Left(), 1);
    EXPECT_EQ(editor->MaxLength(), 5);
    EXPECT_EQ(editor->PasswordChar(), QLatin1Char('*'));
    EXPECT_EQ(editor->Owner(), &column);
    TGxIncrementColumn numbers(nullptr);
    EXPECT_EQ(numbers.Editor(), nullptr);
}

} // namespace

namespace {

TEST(GxEdit, InfoControlPaintsGlyphAndPreview) {
    TGxEdit edit(nullptr);
    edit.SetBounds(0, 0, 121, 20);
    edit.Widget();
    auto glyph = Glyph(10, 10);
    glyph->Canvas().SetPixel(0, 9, clLime); // bottom-left: the transparent colour
    edit.SetGlyph(glyph.get());
    edit.SetShowPreview(true);
    TRect drawn;
    edit.OnCustomPreviewDraw = [&](TObject*, const TRect& r) { drawn = r; };
    const QImage image = edit.EditInfo()->Widget()->grab().toImage();
    ASSERT_FALSE(image.isNull());
    const int h = edit.EditInfo()->Height();
    EXPECT_EQ(drawn, TRect(13, 1, 31, h - 1)); // inside the one-pixel frame
    EXPECT_EQ(QColor(image.pixel(12, 0)).rgb() & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(QColor(image.pixel(3, h / 2)).rgb() & 0xFFFFFF, 0xFF0000u); // the red glyph
}

} // namespace
