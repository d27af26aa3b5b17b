#pragma once
// The report library's string table: every text a report window, message or progress line shows
// is looked up here by key. The core, the export filters and the designer each add their built-in
// table when the program starts; a language file (".drc") chosen in the designer replaces texts.
// The same object carries the built-in tool-button picture strips, the language files found
// beside the program and the entry into the help pages.
//
// String-table text (built-in tables and language files):
//   <?xml version="1.1" encoding="utf-8"?>
//   <Resources CodePage="1252">
//     <StrRes Name="clPageOf" Text="Page %d of %d"/>
//   </Resources>
// A Text value is unescaped twice (by the XML reader, then by the table), so "&#38;#34;" reads as
// a double quote. A text beginning with "!" reads without it. A key no table defines reads as
// itself.

#include "platform/rtl/Object.h"
#include "platform/rtl/Streams.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TBitmap;
class TCustomImageList;
class TrptWideStrings;

class TrptResources : public TObject {
public:
    // Empty table, empty picture lists, HelpFile "ZARaru.chm"; scans the program's folder for
    // language files.
    TrptResources();
    ~TrptResources() override;

    // Adds the entry or replaces the text of an existing key (keys ignore case); the key keeps
    // its first spelling and its place.
    void AddW(const QString& Ref, const QString& Str);
    void Add(const QString& Ref, const QString& Str);
    // One entry per line "key=text" (the first "=" splits); lines with an empty key or text, or
    // without "=", add nothing.
    void AddStrings(const QString& Str);
    // A UTF-8 string-table text, as LoadFromStream reads it.
    void AddXML(const QByteArray& Str);
    // Empties the keys and texts; pictures and languages stay.
    void Clear();
    // The text of the key, or the key itself; either without a leading "!".
    QString Get(const QString& StrName) const;
    // A missing file does nothing.
    void LoadFromFile(const QString& FileName);
    // Reads a string-table text from the stream's position. Entries are added only when the whole
    // text was read: malformed XML raises TrptInvalidXMLException, a bad CodePage EConvertError, a
    // bad character reference in a text EConvertError, and then no text and no script message
    // changes. A root element other than "Resources" adds nothing. Ends with UpdateSCResources.
    void LoadFromStream(TStream& Stream);
    // Copies the texts of the script engine's 17 message keys into its messages.
    void UpdateSCResources();

    // Append the tiles of a picture strip to the list, emptying it first with Clear. Button strips
    // hold pairs: a picture for the main list, then its greyed twin for the disabled list.
    void SetButtonImages(TBitmap& Images, bool Clear = false);
    void SetObjectImages(TBitmap& Images, bool Clear = false);
    void SetPreviewButtonImages(TBitmap& Images, bool Clear = false);
    void SetWizardImages(TBitmap& Images, bool Clear = false);

    // Opens the help at the topic of Sender's class (its exact class name), or at no topic.
    void Help(const TObject* Sender);
    // The same for a window class name given as text.
    void HelpForClass(const QString& ClassName);

    // The picture lists; the getters unpack their built-in strip on first use (a strip that does
    // not unpack raises EZDecompressionError and the list stays empty).
    TCustomImageList* DisabledButtonImages() const { return FDisabledButtonImages.get(); }
    TCustomImageList* MainButtonImages();
    TCustomImageList* PreviewButtonImages();
    TCustomImageList* ObjectImages();
    TCustomImageList* WizardImages();

    // Names of the language files found beside the program ("English" for "english.DRC"), sorted.
    const QStringList& Languages() const { return FLanguages; }
    // Looks for language files again (the constructor does it once).
    void ScanLanguageFiles();
    // The language file of a name from Languages, found whatever the case of its file name; empty
    // when there is none.
    QString LanguageFileName(const QString& Name) const;

    const QString& HelpFile() const { return FHelpFile; }
    void SetHelpFile(const QString& value) { FHelpFile = value; }
    // The CodePage attribute of the last table loaded.
    quint32 CodePage() const { return FCP; }
    // Number of keys.
    int Count() const { return static_cast<int>(FNames.size()); }

private:
    struct TKey {
        QString Name;
        int Index; // into FValues
    };
    bool FindKey(const QString& name, int& pos) const;

    std::unique_ptr<TCustomImageList> FDisabledButtonImages;
    std::unique_ptr<TCustomImageList> FMainButtonImages;
    std::vector<TKey> FNames; // sorted by AnsiCompareText
    std::unique_ptr<TCustomImageList> FObjectImages;
    std::unique_ptr<TCustomImageList> FPreviewButtonImages;
    std::unique_ptr<TrptWideStrings> FValues;
    std::unique_ptr<TCustomImageList> FWizardImages;
    QStringList FLanguages;
    QString FHelpFile;
    quint32 FCP = 0;
};

// The process-wide table, created on first use: its creation adds the core's built-in table (and,
// until the designer adds its own, the designer's keys the core reads), which copies the script
// engine's messages, and makes it the text lookup of the utility routines (ReportText).
TrptResources* GlobalResources();
// Frees the table (at program end); a later GlobalResources makes a fresh one.
void FreeGlobalResources();
// Get of the decimal text of id.
QString ResourceTextById(int id);
// Adds another library's built-in table (export filters, designer) after the core's: now when the
// process-wide table exists, and again whenever it is made afresh. A function already registered
// adds nothing, so a language file's texts are not put back by a second registration.
void RegisterResourceTable(QByteArray (*Table)());

// The core's built-in table, UTF-8 string-table text.
QByteArray CoreResourceTable();

// Window classes and the page of the help that each opens.
struct THelpTopic {
    const char* Sender;
    const char* Topic;
};
inline constexpr int HelpTopicCount = 17;
extern const THelpTopic HelpTopics[HelpTopicCount];

// Opens the help at path: "<folder>/<help file>[::/<topic>]". The help file's pages are HTML
// files in the folder named after it without its extension ("ZARaru/Script.htm"), opened by the
// desktop; "index.htm" there stands for the file without a topic. Nothing happens when the page
// is missing or help is switched off.
void DisplayHelpTopic(const QString& Path);
// Help display on or off (on at start-up); tests and headless runs switch it off or catch the
// requests through the desktop's URL handler.
void SetHelpAvailable(bool value);
bool HelpAvailable();
