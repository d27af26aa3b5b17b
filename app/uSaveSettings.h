#pragma once
// settings.ini beside the program: the database location, the main menu switches, the grids'
// column widths and the fields exempt from upper-casing. Every routine opens the file, does its
// work and closes it; nothing is cached.

#include <QString>

#include <optional>

QString SettingsFileName();

// The menu switches of section "Options"; a switch is set only when its key is present.
struct TMenuOptions {
    std::optional<bool> VisibleOptions, VisibleReport, VisibleDBLocation;
};

// The configured database file ("Options"/"server", empty when absent) and the menu switches.
QString ReadServerOption(TMenuOptions& menu);
// The options dialog's choice: an empty path removes "server" (database beside the program).
void WriteServerOption(const QString& path);
// Creates UpperCaseExemptList from the key names of section "DisableUpperCase".
void LoadDisableUpperCase();

// The configured database file into server (empty when none), and the menu switches applied to
// the main window's menu.
void ReadOptions(QString& server);
// The options dialog's choice into settings.ini, then the restart notice.
void SaveOptions();
// Section "Grids": for every result grid of every window, "form.grid.ColCount" and the width of
// each column under "form.grid.<index>". Only grids that have run a query are saved; every grid
// gets its stored number of text columns and widths back.
void SaveGridSettings();
void LoadGridSettings();
