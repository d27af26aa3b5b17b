#pragma once
// Temporary files. Korvel keeps them in a folder of its own per run, inside the system's
// temporary folder and readable only by the user; the folder and everything in it is removed
// when the program ends.

#include <QString>

// The run's temporary folder, with a trailing "/". Created at first use; EInOutError when it
// cannot be.
QString TempFolderPath();
// Creates a new empty file in the temporary folder named prefix, hexadecimal digits and ".tmp",
// and returns its full path.
QString GetTempFileName(const QString& prefix = QStringLiteral("tmp"));
// Creates a new empty file with the given extension ("xls" or ".xls") in the temporary folder and
// returns its full path. The name is never one that exists, whatever the extension.
QString NewTempFileName(const QString& prefix, const QString& extension);
// The same in any folder (the temporary folder when empty): a new empty file, created so that no
// other file or link of that name can be taken over, readable and writable by the user only.
QString CreateTempFileIn(const QString& folder, const QString& prefix, const QString& extension);
