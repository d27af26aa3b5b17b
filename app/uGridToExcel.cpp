#include "app/uGridToExcel.h"

#include "app/dbControls.h"
#include "app/uLang.h"
#include "grid/GxGrid.h"
#include "platform/automation/ComObj.h"
#include "platform/automation/SpreadsheetServer.h"
#include "platform/ui/Forms.h"

Variant GridTransferArray(TGxGrid& grid) {
    const int rows = grid.RowCount() + 1;
    const int cols = grid.Columns()->Count() - 1;
    if (rows < 1 || cols < 1) return Variant();
    Variant arr = VarArrayCreate({1, rows, 1, cols}, varOleStr);
    auto put = [&arr](int r, int c, QString text) {
        if (text.startsWith(u'=')) text.prepend(u'\'');
        const int idx[2] = {r, c};
        arr.SetElement(idx, Variant(text));
    };
    for (int c = 1; c <= cols; ++c) put(1, c, grid.Columns()->Item(c - 1)->Header()->Caption());
    for (int r = 2; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c) put(r, c, grid.GetCells(c - 1, r - 2));
    return arr;
}

std::shared_ptr<TWorkbookData> SendGridToExcel(TGxGrid& grid) {
    const Variant data = GridTransferArray(grid);
    if (data.IsEmpty()) return nullptr;
    const int rows = data.HighBound(1), cols = data.HighBound(2);
    const Variant excel = CreateOleObject(QStringLiteral("Excel.Application"));
    OleCall(OleGet(excel, QStringLiteral("Workbooks")), QStringLiteral("Add"));
    const Variant sheet = OleGet(OleGet(excel, QStringLiteral("ActiveWorkBook")), QStringLiteral("Sheets"), {1});
    OleCall(sheet, QStringLiteral("Activate"));
    auto sheetCell = [&sheet](int r, int c) { return OleGet(sheet, QStringLiteral("Cells"), {r, c}); };
    OleSet(OleGet(sheet, QStringLiteral("Range"), {sheetCell(1, 1), sheetCell(rows, cols)}), QStringLiteral("Value"), data);
    auto select = [&excel](int r1, int c1, int r2, int c2) {
        const Variant first = OleGet(excel, QStringLiteral("Cells"), {r1, c1});
        const Variant last = OleGet(excel, QStringLiteral("Cells"), {r2, c2});
        OleCall(OleGet(excel, QStringLiteral("Range"), {first, last}), QStringLiteral("Select"));
        return OleGet(excel, QStringLiteral("Selection"));
    };
    const Variant header = select(1, 1, 1, cols);
    OleSet(OleGet(header, QStringLiteral("Interior")), QStringLiteral("Color"), 200 + 256 * 200 + 65536 * 200);
    const Variant block = select(1, 1, rows, cols);
    OleSet(OleGet(block, QStringLiteral("Borders")), QStringLiteral("LineStyle"), 1);
    OleSet(block, QStringLiteral("ShrinkToFit"), true);
    select(1, 1, 1, 1);
    OleSet(excel, QStringLiteral("Visible"), true);
    return SpreadsheetWorkbookOf(excel);
}

void GridToExcel(TdbButton& button, TWinControl* mainWindow) {
    if (!IsProgIDRegistered(QStringLiteral("Excel.Application"))) {
        MessageBoxOwned(mainWindow, Lang.Your_computer_does_not_have_Excel, Lang.Error, MB_OK | MB_ICONINFORMATION);
        return;
    }
    TComponent* window = button.Owner();
    TComponent* found = window ? window->FindComponent(button.dbResultControl()) : nullptr;
    auto* grid = dynamic_cast<TGxGrid*>(found);
    if (!grid)
        throw EInvalidOperation(QStringLiteral("The button \"%1\" sends the grid \"%2\" to the spreadsheet, but its window has no grid of that name")
                                    .arg(button.Name(), button.dbResultControl()));
    const std::shared_ptr<TWorkbookData> book = SendGridToExcel(*grid);
    // The workbook stays in its file; without a program to show it the user learns where it is.
    if (book && !book->ShownFile.isEmpty() && !book->OpenedByDesktop)
        MessageBoxOwned(mainWindow, Lang.No_program_opens_the_workbook + QLatin1Char('\n') + book->ShownFile, Lang.Info,
                        MB_OK | MB_ICONINFORMATION);
}
