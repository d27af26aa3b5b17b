#pragma once
// The spreadsheet server that stands in for a desktop spreadsheet program: an application object
// with workbooks, sheets, ranges, styles and pictures kept in memory. A workbook is written as an
// .xlsx file when it is saved, and when the application is made visible every open workbook is
// written and handed to the desktop's program for it (platform/sys Desktop). A workbook never
// saved is written into a folder of the user's that outlives the run, so it is not lost when the
// program ends; each workbook notes where it was written and whether the desktop took it.

#include "platform/automation/ComObj.h"
#include "platform/automation/SheetModel.h"

// The folder where shown workbooks that were never saved are written: the user's documents
// folder, or the home folder when there is none. Set it to another folder (empty: back to the
// default) for hosts and tests.
QString SpreadsheetWorkbookFolder();
void SetSpreadsheetWorkbookFolder(const QString& folder);

// The program identifier the server is registered under.
QString SpreadsheetProgID();
// A new application object with no workbook.
std::shared_ptr<IDispatchObject> CreateSpreadsheetApplication();

// The workbook behind a workbook object, or behind the active workbook of an application object;
// null for other values. For hosts and tests that look at what a client built.
std::shared_ptr<TWorkbookData> SpreadsheetWorkbookOf(const Variant& object);
