#pragma once
// Styles: named looks (fill colour, font, frame) for text objects. A report holds one collection;
// a text object names a style and takes its look when the style is applied. A collection can be
// saved to and loaded from a style file (".ds3", root element "style"), and several collections
// live together in a style sheet (root element "stylesheet").

#include "platform/gfx/Graphics.h"
#include "platform/rtti/Classes.h"

#include <QString>

#include <memory>
#include <vector>

class TStream;
class TStrings;
class TrptFrame;
class TrptReport;
class TrptXMLItem;

class TrptStyleItem : public TCollectionItem {
    KORVEL_CLASS(TrptStyleItem, TCollectionItem)
public:
    // No fill colour, Arial 10 in the default character set, a new frame.
    explicit TrptStyleItem(TCollection* Collection = nullptr);
    ~TrptStyleItem() override;
    TrptStyleItem(const TrptStyleItem&) = delete;
    TrptStyleItem& operator=(const TrptStyleItem&) = delete;

    // From another style item: name (not checked), colour, font and frame.
    void Assign(const TPersistent* Source) override;
    // "Style" + the smallest n from 1 that no item of the collection has.
    void CreateUniqueName();
    QString DisplayName() const override { return FName; }

    const QString& Name() const { return FName; }
    // Another item of the collection with that name (ignoring case) raises "clDupName" and the
    // name stays.
    void SetName(const QString& Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);
    TrptFrame* Frame() const { return FFrame.get(); }
    void SetFrame(TrptFrame* Value);

private:
    QString FName;
    TColor FColor = clNone;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TrptFrame> FFrame;
};

class TrptStyles : public TCollection {
    KORVEL_CLASS(TrptStyles, TCollection)
public:
    // AReport: the report whose text objects the collection styles (none inside a style sheet).
    explicit TrptStyles(TrptReport* AReport = nullptr);
    ~TrptStyles() override;

    TrptStyleItem* Add();
    TrptStyleItem* Items(int Index) const;
    // The first item whose name equals Name ignoring case, or none.
    TrptStyleItem* Find(const QString& Name) const;
    // Clears List, then the names in order.
    void GetList(TStrings* List) const;
    // Every text object of the report takes the style it names again, or an empty style name
    // when the collection has no such style. Nothing without a report.
    void Apply();
    // The items (not the collection's Name) from another collection.
    void Assign(const TPersistent* Source) override;

    // Style files. Loading clears the collection first; a document whose root is not "style"
    // leaves it empty, and a text that is not XML raises "Invalid file format". Loading applies
    // the styles to the report.
    void LoadFromXMLItem(TrptXMLItem* Item, bool OldXMLFormat = false);
    void SaveToXMLItem(TrptXMLItem* Item);
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream);
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName);

    const QString& Name() const { return FName; }
    void SetName(const QString& Value) { FName = Value; }
    TrptReport* Report() const { return FReport; }

private:
    QString FName;
    TrptReport* FReport;
};

// Several style collections kept together, owned.
class TrptStyleSheet : public TObject {
public:
    TrptStyleSheet();
    ~TrptStyleSheet() override;
    TrptStyleSheet(const TrptStyleSheet&) = delete;
    TrptStyleSheet& operator=(const TrptStyleSheet&) = delete;

    void Clear();
    void Delete(int Index);
    // A new collection without report, appended.
    TrptStyles* Add();
    int Count() const { return static_cast<int>(FList.size()); }
    // EListError outside 0 .. Count - 1.
    TrptStyles* Items(int Index) const;
    TrptStyles* Find(const QString& Name) const;
    int IndexOf(const QString& Name) const;
    void GetList(TStrings* List) const;

    // Style sheet files: root "stylesheet", one "style" child per collection. A root of another
    // name loads nothing; a text that is not XML raises "Invalid file format".
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream);
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName);

private:
    std::vector<std::unique_ptr<TrptStyles>> FList;
};

// Registers the style item class for templates (once per process).
void RegisterStyleClasses();
