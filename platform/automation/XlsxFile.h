#pragma once
// Writing a workbook of the spreadsheet server as an .xlsx file.

#include "platform/automation/SheetModel.h"

// Writes the workbook to fileName (the .xlsx format whatever the extension); EFCreateError names
// the file when it cannot be written.
void WriteWorkbookXlsx(const TWorkbookData& book, const QString& fileName);
