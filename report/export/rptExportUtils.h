#pragma once
// Routines the export filters share: removing a package folder after zipping, the content type of
// a file extension for package manifests, the export filters' texts in the string table, and the
// key filter of the dialogs' page-number edits.

#include <QByteArray>
#include <QChar>
#include <QString>

// Deletes the folder with everything in it, depth first. Nothing happens when it does not exist.
// Entries that cannot be removed stay (and so do the folders holding them); no error is raised.
// Symbolic links are removed as links: nothing outside the folder is touched.
void DeleteFolderTree(const QString& Folder);

// The content type of a file extension given with its dot (".png" gives "image/png"), or its
// perceived type when the extension has no content type; empty when the extension is unknown.
// Case is ignored.
QString LookupMimeType(const QString& Ext);

// The export filters' built-in string table (241 entries), UTF-8 string-table text.
QByteArray ExportResourceTable();
// Adds the export table to the report library's string table, once per process; a table made
// afresh later gets it again. Runs when the program starts; callers may repeat it harmlessly.
void RegisterExportResources();

// The page-number edit of the export dialogs takes digits, "," and "-" and Backspace; any other
// key is cleared.
void KeepPageNumberKey(QChar& Key);
