#pragma once
// A readable text of prepared pages, the oracle of the engine tests and of report_bench: the
// same report prepared twice gives the same text, and a golden file next to a test template shows
// at a glance what went where. One line per page and per object, children indented under their
// parent:
//   page 1 of 3 Page1 793.70 x 1122.52
//     TrptPageHeader PageHeader1 0.00 0.00 718.11 37.80
//       TrptMemoView Memo1 0.00 0.00 94.49 18.90 "Page 1 of 3"
// Bounds are left, top, width and height relative to the parent, in pixels, to 0.01 with "." as
// separator whatever the locale. Text objects add their text (without the line break after its
// last line) in double quotes (backslash,
// quote, line breaks and tabs escaped as \\ \" \n \r \t); other objects add their component
// text when they have one. Invisible objects are listed with " hidden" at the end.

#include <QString>

class TrptComponent;
class TrptCustomPreviewPages;

// Every page of the prepared report, in order; "no pages\n" when there are none. A page that
// cannot be rebuilt gives a line "page N of M: error: <message>" and the dump goes on.
QString DumpPreparedPages(TrptCustomPreviewPages* Pages);
// One page (Index 0-based) as DumpPreparedPages writes it.
QString DumpPreparedPage(TrptCustomPreviewPages* Pages, int Index);
// The lines of one object and its children, at the indent level given.
QString DumpReportObject(TrptComponent* Obj, int Level = 0);
// A number to 0.01 with "." as separator ("-0.00" is written "0.00").
QString DumpNumber(double Value);
