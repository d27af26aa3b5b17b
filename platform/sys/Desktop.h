#pragma once
// Handing documents, folders and links to the desktop: its associated program opens them, and
// the file manager shows a file selected in its folder. Both go through replaceable handlers so
// that tests (and a headless run) record the requests instead of launching programs.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// Opens a URL with the desktop's program; true when the desktop accepted it.
using TOpenUrlHandler = std::function<bool(const QUrl& url)>;
// Asks the file manager to show these file URLs selected; false when no file manager answered.
using TShowItemsHandler = std::function<bool(const QStringList& fileUrls)>;

// Replace the handlers; an empty function restores the desktop's own.
void SetOpenUrlHandler(TOpenUrlHandler handler);
void SetShowItemsHandler(TShowItemsHandler handler);

// The URL a document, folder or link text stands for: texts with a scheme ("https://...",
// "mailto:...", "file:///...") as they are, anything else as a local path made absolute.
QUrl DocumentUrl(const QString& fileOrLink);
// Opens a document, folder or link with its associated program.
bool OpenDocument(const QString& fileOrLink);
// Shows the file selected in the file manager (the freedesktop FileManager1 interface on the
// session bus); when no file manager answers, opens the file's folder instead.
bool ShowFileInFolder(const QString& fileName);
