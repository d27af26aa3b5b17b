// A 1,000-row grid with the result grid's settings, painted offscreen and saved for looking at
// (gridrows_rows.png in the working directory); a few pixels are checked.

#include "grid/GxGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

namespace {

TEST(GridShot, ThousandRowsWithFooterAndSelection) {
    TFormatSettingsScope locale(QStringLiteral("en_US"));
    TForm form(nullptr);
    form.SetBounds(0, 0, 420, 260);
    auto* grid = new TGxGrid(&form);
    grid->SetParent(&form);
    grid->SetBorderStyle(bsNone);
    grid->SetBounds(0, 0, 420, 260);
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goDisableColumnMoving, goFooter});
    grid->SetAppearanceOptions({aoAlphaBlendedSelection});
    grid->SetGridLinesStyle(lsActiveRows);
    grid->SetRowSize(18);
    auto* number = grid->Columns()->Add<TGxIncrementColumn>(QStringLiteral("#"));
    number->SetWidth(50);
    auto* name = grid->Columns()->Add<TGxTextColumn>(QStringLiteral("Name"));
    name->SetWidth(180);
    auto* amount = grid->Columns()->Add<TGxTextColumn>(QStringLiteral("Amount"));
    amount->SetWidth(120);
    amount->SetSortType(stNumeric);
    amount->Footer()->SetFormulaKind(fkSum);
    amount->Footer()->SetTextBefore(QStringLiteral("Sum: "));
    number->Header()->SetCaption(QStringLiteral("#"));
    name->Header()->SetCaption(QStringLiteral("Name"));
    amount->Header()->SetCaption(QStringLiteral("Amount"));
    grid->BeginUpdate();
    for (int r = 0; r < 1000; ++r) {
        const int row = grid->AddRow(1);
        grid->SetCells(1, row, QStringLiteral("Customer %1").arg(r));
        grid->SetCells(2, row, QString::number((r % 17) * 1.5));
    }
    grid->EndUpdate();
    grid->CalculateFooter(false);
    EXPECT_EQ(amount->Footer()->DisplayText(), QStringLiteral("Sum: ") + FloatToStr(grid->Columns()->Item(2)->Footer()->FormulaValue()));
    grid->SortColumn(amount, false);
    grid->SetSelectedRow(2);
    form.Show();
    const QImage shot = grid->Widget()->grab().toImage();
    ASSERT_EQ(shot.width(), 420);
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("gridrows_rows.png"));
    ASSERT_TRUE(shot.save(path));
    // The selected row is highlighted: its middle differs from an unselected row's background.
    const int selectedY = grid->GetRowTop(2) + 9, plainY = grid->GetRowTop(5) + 9;
    EXPECT_NE(shot.pixel(300, selectedY), shot.pixel(300, plainY));
    EXPECT_EQ(grid->GetCells(2, 0), QStringLiteral("24"));
}

} // namespace
