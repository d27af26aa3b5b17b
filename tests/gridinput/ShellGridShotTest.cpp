// A 1,000-row grid set up as the application's result grids are (header, grid lines, full-row
// alpha-blended selection, active-row lines, a row-number column, text columns and a Sum footer),
// painted offscreen and saved as shellgrid.png (in KORVEL_SHOT_DIR, else the working folder).

#include "grid/GxGrid.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

TEST(ShellGridShot, ThousandRowsWithTheShellSettings) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 520, 360);
    TGxGrid* grid = new TGxGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 520, 360);
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goDisableColumnMoving, goFooter});
    grid->SetAppearanceOptions({aoAlphaBlendedSelection});
    grid->SetGridLinesStyle(lsActiveRows);
    grid->SetRowSize(18);
    grid->SetHighlightedTextColor(clWindowText);

    TGxCustomColumn* no = grid->Columns()->Add<TGxIncrementColumn>(QStringLiteral("No"));
    no->Header()->SetCaption(QStringLiteral("No"));
    no->SetWidth(48);
    const char* captions[] = {"Name", "City", "Amount", "Date"};
    const int widths[] = {130, 110, 90, 110};
    for (int i = 0; i < 4; ++i) {
        TGxCustomColumn* c = grid->Columns()->Add<TGxTextColumn>(QString::fromLatin1(captions[i]));
        c->Header()->SetCaption(QString::fromLatin1(captions[i]));
        c->SetWidth(widths[i]);
    }
    TGxCustomColumn* amount = grid->Columns()->Item(3);
    amount->SetAlignment(taRightJustify);
    amount->Footer()->SetAlignment(taRightJustify);
    amount->Footer()->SetFormulaKind(fkSum);
    amount->Footer()->SetTextBefore(QStringLiteral("Sum: "));
    grid->Columns()->Item(1)->Footer()->SetFormulaKind(fkCount);
    grid->Columns()->Item(1)->Footer()->SetTextAfter(QStringLiteral(" rows"));

    static const char* names[] = {"Anna Petrova", "Boris Ivanov", "Chen Wei", "Dora Marsh", "Emil Novak"};
    static const char* cities[] = {"Lisbon", "Tallinn", "Kraków", "Porto", "Riga", "Ghent"};
    grid->BeginUpdate();
    double sum = 0;
    for (int i = 0; i < 1000; ++i) {
        const double value = (i % 37) * 12.5;
        sum += value;
        grid->AddCells({QString(), QString::fromLatin1(names[i % 5]), QString::fromUtf8(cities[i % 6]),
                        QString::number(value, 'f', 2),
                        QStringLiteral("2026-%1-%2").arg(i % 12 + 1, 2, 10, QLatin1Char('0')).arg(i % 28 + 1, 2, 10, QLatin1Char('0'))});
    }
    grid->EndUpdate();
    grid->CalculateFooter(false);
    grid->SetSelectedRow(3);
    form.Show();
    grid->SetFocus();
    QApplication::processEvents();

    EXPECT_EQ(grid->RowCount(), 1000);
    EXPECT_DOUBLE_EQ(amount->Footer()->FormulaValue(), sum);
    EXPECT_TRUE(amount->Footer()->DisplayText().startsWith(QStringLiteral("Sum: ")));
    EXPECT_EQ(grid->GetDrawText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(grid->GetDrawText(0, 999), QStringLiteral("1000"));

    EXPECT_TRUE(grid->VertScrollBar()->Visible());
    EXPECT_GT(grid->VertScrollBar()->Max(), 0);
    const QImage shot = grid->Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    // The selected row is tinted, its neighbours are not; the header is not window-coloured.
    const int x = no->Width() + 40;
    const QRgb selected = shot.pixel(x, grid->GetRowTop(3) + 2);
    const QRgb plain = shot.pixel(x, grid->GetRowTop(5) + 2);
    EXPECT_NE(selected, plain);
    EXPECT_NE(shot.pixel(x, 3), plain);

    const char* dir = std::getenv("KORVEL_SHOT_DIR");
    const QString path = QDir(dir ? QString::fromLocal8Bit(dir) : QDir::currentPath()).absoluteFilePath(QStringLiteral("shellgrid.png"));
    ASSERT_TRUE(shot.save(path));
    std::printf("shell grid screenshot: %s\n", qPrintable(path));
}
