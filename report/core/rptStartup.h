#pragma once
// The report library's work when the program starts and when it ends.
//
// StartReportLibrary, called before the main window is made: the report classes are registered
// by name for templates; the standard property editors and the insertable object classes
// (dialog controls, dot-matrix objects, check box, chart) go into the designer's registries;
// report buttons open the library's preview window. StopReportLibrary takes the dot-matrix
// objects, the check box and the chart out of the object registry again.
//
// Both may be called any number of times: every registration is made only when it is missing,
// so a second start changes nothing, and a start after a stop registers again.

void StartReportLibrary();
void StopReportLibrary();
