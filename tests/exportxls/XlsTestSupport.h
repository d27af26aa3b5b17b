#pragma once
// The fixture report of the spreadsheet export tests and the readers the written workbooks are
// checked with (openpyxl, LibreOffice). A missing reader fails the test that needs it.

#include "report/core/rptClassReport.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <memory>

// Two pages, 10 mm margins. Page 1: "Item" (bold, 12 pt, red on yellow, framed) and "1,234.50"
// (numeric "%2.2n") in a row 20.4 points high; "=SUM(A1)" (date kind) and "12.5" (numeric
// "%2.1f") in a row 20.6 points high; "merged across" over both columns; a blue picture to the
// right of the first two rows. Page 2: "Page two".
std::unique_ptr<TrptReport> MakeFixtureReport();

// The workbook read back by openpyxl (tests/automation/data/read_xlsx.py); fails the test when
// Python or openpyxl is missing.
QJsonObject ReadWorkbook(const QString& Path);
QJsonObject CellOf(const QJsonObject& Sheet, const char* Ref);

// The first sheet as CSV through LibreOffice headless with a profile of its own in Work; empty
// (and a failure) when soffice is missing or fails.
QString LibreOfficeCsv(const QString& Path, const QString& Work);
