#pragma once
// The report template format. TrptXMLSerializer turns report objects into XML elements and back
// through the class tables: every published property becomes an attribute (sub-objects as dotted
// names such as Font.Name, string lists as Name.Text), children become child elements, object
// references are written by name and resolved once the whole tree is read, and data a class
// keeps outside its published properties goes as PropData, the hexadecimal form of the binary
// property stream. The same serializer writes and reads the designer's clipboard texts and the
// attribute texts of collection items (datasets, variables, styles).
//
// Reading never stops at a bad attribute or an unknown class: an attribute the class lacks is
// ignored, a value that cannot be applied adds its message to Errors, an element of an unknown
// class adds one "xrCantFindClass" message and is skipped with its subtree. Only a document that
// is not XML raises (TrptInvalidXMLException "Invalid file format").

#include "platform/rtl/StringList.h"
#include "platform/rtti/Classes.h"
#include "report/core/rptClassComponent.h"
#include "report/core/rptXML.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TReader;
class TWriter;

// A reference waiting for the end of the read: Obj's property PropInfo names the object Value.
struct TrptFixupItem {
    TObject* Obj = nullptr;
    const TPropInfo* PropInfo = nullptr;
    QString Value;
};

// Supplies, by object name, the object of a parent template against which only the differences
// are written.
using TrptGetAncestorEvent = std::function<void(const QString& ComponentName, TPersistent*& Ancestor)>;

class TrptXMLSerializer : public TObject {
public:
    // Stream is used by the root and single-component reads and writes; it may be null for the
    // text operations.
    explicit TrptXMLSerializer(TStream* Stream);
    ~TrptXMLSerializer() override;

    // The attribute text of Obj: each attribute preceded by a blank and its name prefixed with
    // Add. With an ancestor only what differs from it is written. Empty for no object.
    QString ObjToXML(TObject* Obj, const QString& Add = QString(), TObject* Ancestor = nullptr);
    // Applies an attribute text to Obj; references are queued as fix-ups.
    void XMLToObj(const QString& Text, TObject* Obj);

    // Writes Root (with SaveChildren its subtree) into XMLItem, or into a new document that is
    // saved to Stream. Streaming writes class names where objects of a parent template would be
    // "inherited".
    void WriteRootComponent(TrptComponent* Root, bool SaveChildren = true, TrptXMLItem* XMLItem = nullptr,
                            bool Streaming = false);
    // Reads Root and its subtree from XMLItem, or from a document loaded from Stream.
    void ReadRootComponent(TrptComponent* Root, TrptXMLItem* XMLItem = nullptr);

    // Class name and attribute text (no Name).
    QString WriteComponentStr(TrptComponent* C);
    // "<" + WriteComponentStr + "/>" in UTF-8 to Stream.
    void WriteComponent(TrptComponent* C);
    // One object from "ClassName attributes"; Root is its owner (and, for a report object, its
    // parent). Nothing for a blank text; an unregistered class raises EClassNotFound. With
    // DontFixup the references stay unresolved and the pending fix-ups are dropped (copy them
    // first with CopyFixupList).
    TrptComponent* ReadComponentStr(TComponent* Root, const QString& Text, bool DontFixup = false);
    // Reads one element from Stream and passes it to ReadComponentStr.
    TrptComponent* ReadComponent(TComponent* Root);
    // XMLToObj on any object, then resolves its references among Root's objects.
    void ReadPersistentStr(TComponent* Root, TObject* Obj, const QString& Text);
    // Appends copies of the pending fix-ups.
    void CopyFixupList(std::vector<TrptFixupItem>& List) const;
    // An object freed while a read is in progress: its pending fix-ups and loading mark go.
    void ForgetObject(const TObject* Obj);

    // Messages of everything that failed while reading; sorted, each line once.
    TStringList& Errors() { return FErrors; }
    const TStringList& Errors() const { return FErrors; }
    // The object under which names are looked up (the report); the root of the first read or
    // write when not set.
    TrptComponent* Owner() const { return FOwner; }
    void SetOwner(TrptComponent* Value) { FOwner = Value; }
    bool SerializeDefaultValues() const { return FSerializeDefaultValues; }
    void SetSerializeDefaultValues(bool Value) { FSerializeDefaultValues = Value; }
    TStream* Stream() const { return FStream; }
    void SetStream(TStream* Value) { FStream = Value; }
    // The document being read is of the old single-byte kind.
    bool OldFormat() const { return FOldFormat; }
    void SetOldFormat(bool Value) { FOldFormat = Value; }

    TrptGetAncestorEvent OnGetAncestor;

private:
    struct TAttr;
    void ApplyAttributes(const std::vector<TAttr>& attrs, TObject* Obj);
    void ApplyAttribute(QStringView name, const QString& value, TObject* Obj);
    void SetPropText(TObject* Obj, const TPropInfo* Prop, const QString& value);
    void WriteProps(QString& out, TObject* Obj, const QString& Add, TObject* Ancestor);
    void WriteItem(TrptComponent* C, TrptXMLItem* Item, bool SaveChildren, bool Streaming, bool IsRoot);
    void ReadTree(TrptComponent* Root, TrptXMLItem* Item);
    void ResolveFixups(TComponent* Root);
    void AddError(const QString& Message);

    TStringList FErrors;
    std::vector<TrptFixupItem> FFixups;
    TrptComponent* FOwner = nullptr;
    bool FSerializeDefaultValues = false;
    TStream* FStream = nullptr;
    bool FOldFormat = false;
    // Objects read so far, unmarked as loading at the end.
    std::vector<TComponent*> FLoaded;
};

// The report's collections (datasets, variables, styles) in its binary property stream: while
// Component is being written as XML, a list holding per item a list with the item's attribute
// text; otherwise the class library's binary collection form.
void WriteCollectionXml(TCollection* Collection, TWriter& Writer, TrptComponent* Component);
// Reads either form back: a binary collection item by item (old 8-bit texts decoded), or the
// list of attribute texts, each into a new item, through the report's serializer when a load
// is in progress (so references resolve at its end) or a fresh one.
void ReadCollectionXml(TCollection* Collection, TReader& Reader, TrptComponent* Component);
