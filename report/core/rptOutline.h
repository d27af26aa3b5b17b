#pragma once
// Two small structures of a prepared report.
//
// The outline is the bookmark tree the engine builds while it prepares and the preview and the
// PDF export read. It lives inside the prepared report's XML document, under the root's
// "outline" child, so it is saved and loaded with the pages:
//   <outline><item text="Customers" page="0" top="0"><item text="Ann" page="0" top="96"/>...
// "page" is the 0-based page index, "top" the position on that page in whole pixels.
//
// The dictionary maps the short aliases under which prepared objects are stored (m1, b2 ...) to
// the source objects they were copied from.

#include "report/core/rptClassBases.h"

#include "platform/rtl/StringList.h"

#include <QString>

#include <memory>

class TrptXMLDocument;
class TrptXMLItem;

class TrptOutline : public TrptCustomOutline {
    KORVEL_CLASS(TrptOutline, TrptCustomOutline)
public:
    // ADocument is the prepared report's document; the outline keeps its items under the
    // "outline" child of its root. Neither is owned.
    TrptOutline(TrptCustomPreviewPages* APreviewPages, TrptXMLDocument* ADocument);

    // Children of the current level; 0 before the first LevelRoot.
    int GetCount() override;
    // Appends an item to the current level on the prepared report's current page and makes it
    // the current level; the caller goes back with LevelUp.
    void AddItem(const QString& Text, int Top) override;
    void LevelDown(int Index) override;
    void LevelRoot() override;
    // Nothing at the root.
    void LevelUp() override;
    // Page and Top keep their values when the item lacks the attribute.
    void GetItem(int Index, QString& Text, int& Page, int& Top) override;
    // Moves From's next sibling and everything below it to the next page, its top to NewTop and
    // its descendants by the same amount. Nothing when From is none or has no next sibling.
    void ShiftItems(TrptXMLItem* From, int NewTop) override;
    // The last child of the current level; none when it is empty.
    TrptXMLItem* GetCurPosition() override;

    TrptXMLDocument* Document() const { return FDocument; }

private:
    TrptXMLDocument* FDocument;
};

// Aliases of prepared objects and the source objects behind them. The objects are not owned.
class TrptDictionary : public TObject {
    KORVEL_CLASS(TrptDictionary, TObject)
public:
    TrptDictionary();
    ~TrptDictionary() override;

    void Clear();
    void Add(const QString& Name, const QString& SourceName, TObject* Obj);
    // A new alias made from Base (CreateUniqueName), added for the object; returns the alias.
    QString AddUnique(const QString& Base, const QString& SourceName, TObject* Obj);
    // Base followed by the first free number, scanning from the highest taken power-of-two step
    // of 10000 (10000, 5000, ... 2) so that long runs of aliases are not scanned from 1.
    QString CreateUniqueName(const QString& Base) const;
    // The source object of an alias (compared ignoring case); none when unknown.
    TObject* GetObject(const QString& Name) const;
    // The source name ("Page" + source page index + "." + object name); empty when unknown.
    QString GetSourceName(const QString& Name) const;

    // Sorted, ignoring case; each alias carries the index of its entry in SourceNames.
    TStringList* Names() const { return FNames.get(); }
    TStringList* SourceNames() const { return FSourceNames.get(); }
    // The SourceNames index an alias stands for; -1 when unknown.
    int SourceIndex(const QString& Name) const;

private:
    std::unique_ptr<TStringList> FNames;
    std::unique_ptr<TStringList> FSourceNames;
};
