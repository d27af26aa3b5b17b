#pragma once
// A small document object model for the application's description files (forms.xml), over
// Qt's DOM. Nodes are light handles that share the document's data; they stay valid while the
// document they came from is loaded.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomNode>
#include <QList>
#include <QString>

// A document that is not well-formed. The message names the file, the line and the column.
KORVEL_EXCEPTION(EDOMParseError, Exception)

enum TNodeType {
    ntReserved,
    ntElement,
    ntAttribute,
    ntText,
    ntCData,
    ntEntityRef,
    ntEntity,
    ntProcessingInstr,
    ntComment,
    ntDocument,
    ntDocType,
    ntDocFragment,
    ntNotation
};

class TXMLNodeList;

class TXMLNode {
public:
    TXMLNode() = default;
    explicit TXMLNode(const QDomNode& node) : FNode(node) {}

    bool IsNull() const { return FNode.isNull(); }
    TNodeType NodeType() const;
    // The element's tag name ("#text", "#comment"... for other nodes).
    QString NodeName() const { return FNode.nodeName(); }
    QString LocalName() const;
    // Text content: all text below an element; the value of other nodes.
    QString Text() const;
    QString NodeValue() const { return FNode.nodeValue(); }
    // True for an element whose children are only text.
    bool IsTextElement() const;

    bool HasAttribute(const QString& name) const;
    // The attribute's value; an attribute that is missing reads as empty text.
    QString Attribute(const QString& name) const;
    QString Attributes(const QString& name) const { return Attribute(name); }
    // The names of the element's attributes in no particular order.
    QStringList AttributeNames() const;

    bool HasChildNodes() const { return FNode.hasChildNodes(); }
    // Every child in document order: elements, text, comments, processing instructions.
    TXMLNodeList ChildNodes() const;
    // The element children alone, in document order.
    TXMLNodeList ChildElements() const;
    TXMLNode ParentNode() const { return TXMLNode(FNode.parentNode()); }
    TXMLNode NextSibling() const { return TXMLNode(FNode.nextSibling()); }
    TXMLNode PreviousSibling() const { return TXMLNode(FNode.previousSibling()); }

    // Where the node starts in its file (from 1; -1 when unknown), for messages.
    int LineNumber() const { return FNode.lineNumber(); }
    int ColumnNumber() const { return FNode.columnNumber(); }

    const QDomNode& DomNode() const { return FNode; }
    bool operator==(const TXMLNode& other) const { return FNode == other.FNode; }

private:
    QDomNode FNode;
};

class TXMLNodeList {
public:
    TXMLNodeList() = default;
    int Count() const { return static_cast<int>(FNodes.size()); }
    // EListError outside 0..Count-1.
    TXMLNode Get(int index) const;
    TXMLNode Nodes(int index) const { return Get(index); }
    TXMLNode operator[](int index) const { return Get(index); }
    TXMLNode First() const { return FNodes.isEmpty() ? TXMLNode() : FNodes.first(); }
    TXMLNode Last() const { return FNodes.isEmpty() ? TXMLNode() : FNodes.last(); }
    // The first node of that name (exact, case-sensitive); a null node when there is none.
    TXMLNode FindNode(const QString& name) const;
    int IndexOf(const QString& name) const;

private:
    friend class TXMLNode;
    friend class TXMLDocument;
    QList<TXMLNode> FNodes;
};

class TXMLDocument : public TObject {
public:
    TXMLDocument() = default;

    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& value) { FFileName = value; }
    bool Active() const { return FActive; }
    // Activating loads FileName; deactivating releases the document.
    void SetActive(bool value);

    // EFOpenError when the file cannot be read; EDOMParseError, naming the file, the line and the
    // column, when it is not well-formed.
    void LoadFromFile(const QString& fileName);
    // sourceName names the text in error messages.
    void LoadFromXML(const QByteArray& xml, const QString& sourceName = QStringLiteral("XML text"));
    void LoadFromXML(const QString& xml, const QString& sourceName = QStringLiteral("XML text"));
    void Clear();

    TXMLNode DocumentElement() const;
    TXMLNodeList ChildNodes() const;
    const QDomDocument& DomDocument() const { return FDocument; }

private:
    QString FFileName;
    bool FActive = false;
    QDomDocument FDocument;
};
