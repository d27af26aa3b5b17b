#include "platform/sys/XmlDocument.h"

#include "platform/rtl/Streams.h"

#include <QDomElement>
#include <QDomNamedNodeMap>
#include <QFile>
#include <QRegularExpression>

// ---------------------------------------------------------------------------------------------
// TXMLNode

TNodeType TXMLNode::NodeType() const {
    switch (FNode.nodeType()) {
    case QDomNode::ElementNode:
        return ntElement;
    case QDomNode::AttributeNode:
        return ntAttribute;
    case QDomNode::TextNode:
        return ntText;
    case QDomNode::CDATASectionNode:
        return ntCData;
    case QDomNode::EntityReferenceNode:
        return ntEntityRef;
    case QDomNode::EntityNode:
        return ntEntity;
    case QDomNode::ProcessingInstructionNode:
        return ntProcessingInstr;
    case QDomNode::CommentNode:
        return ntComment;
    case QDomNode::DocumentNode:
        return ntDocument;
    case QDomNode::DocumentTypeNode:
        return ntDocType;
    case QDomNode::DocumentFragmentNode:
        return ntDocFragment;
    case QDomNode::NotationNode:
        return ntNotation;
    default:
        return ntReserved;
    }
}

QString TXMLNode::LocalName() const {
    const QString name = FNode.nodeName();
    const int colon = name.indexOf(QLatin1Char(':'));
    return colon < 0 ? name : name.mid(colon + 1);
}

QString TXMLNode::Text() const {
    if (FNode.isElement()) return FNode.toElement().text();
    return FNode.nodeValue();
}

bool TXMLNode::IsTextElement() const {
    if (!FNode.isElement()) return false;
    for (QDomNode c = FNode.firstChild(); !c.isNull(); c = c.nextSibling())
        if (!c.isText() && !c.isCDATASection()) return false;
    return true;
}

bool TXMLNode::HasAttribute(const QString& name) const {
    return FNode.isElement() && FNode.toElement().hasAttribute(name);
}

QString TXMLNode::Attribute(const QString& name) const {
    if (!FNode.isElement()) return QString();
    return FNode.toElement().attribute(name);
}

QStringList TXMLNode::AttributeNames() const {
    QStringList names;
    const QDomNamedNodeMap attrs = FNode.attributes();
    for (int i = 0; i < attrs.count(); ++i)
        names << attrs.item(i).nodeName();
    return names;
}

TXMLNodeList TXMLNode::ChildNodes() const {
    TXMLNodeList list;
    for (QDomNode c = FNode.firstChild(); !c.isNull(); c = c.nextSibling())
        list.FNodes.append(TXMLNode(c));
    return list;
}

TXMLNodeList TXMLNode::ChildElements() const {
    TXMLNodeList list;
    for (QDomNode c = FNode.firstChild(); !c.isNull(); c = c.nextSibling())
        if (c.isElement()) list.FNodes.append(TXMLNode(c));
    return list;
}

// ---------------------------------------------------------------------------------------------
// TXMLNodeList

TXMLNode TXMLNodeList::Get(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FNodes.at(index);
}

int TXMLNodeList::IndexOf(const QString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (FNodes.at(i).NodeName() == name) return i;
    return -1;
}

TXMLNode TXMLNodeList::FindNode(const QString& name) const {
    const int i = IndexOf(name);
    return i < 0 ? TXMLNode() : FNodes.at(i);
}

// ---------------------------------------------------------------------------------------------
// TXMLDocument

void TXMLDocument::SetActive(bool value) {
    if (value == FActive) return;
    if (value)
        LoadFromFile(FFileName);
    else
        Clear();
}

void TXMLDocument::LoadFromFile(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EReadError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, f.errorString()));
    FFileName = fileName;
    LoadFromXML(bytes, fileName);
}

namespace {

// Qt's parser reads the UTF encodings only; a file that declares an 8-bit code page
// (windows-1251 and the like) is decoded here and handed over as text.
bool DecodeDeclaredEncoding(const QByteArray& xml, QString& text) {
    static const QRegularExpression decl(
        QStringLiteral(R"(^\s*<\?xml[^>]*encoding\s*=\s*["']([A-Za-z0-9._:-]+)["'])"));
    if (xml.startsWith("\xEF\xBB\xBF") || xml.startsWith("\xFF\xFE") || xml.startsWith("\xFE\xFF"))
        return false;
    const auto m = decl.match(QString::fromLatin1(xml.left(200)));
    if (!m.hasMatch()) return false;
    const QString name = m.captured(1);
    if (name.startsWith(QLatin1String("UTF"), Qt::CaseInsensitive) || !TEncoding::IsKnown(name)) return false;
    text = TEncoding::GetEncoding(name).GetString(xml);
    return true;
}

} // namespace

void TXMLDocument::LoadFromXML(const QByteArray& xml, const QString& sourceName) {
    QString text;
    if (DecodeDeclaredEncoding(xml, text)) {
        LoadFromXML(text, sourceName);
        return;
    }
    QDomDocument doc;
    QString error;
    int line = 0, column = 0;
    if (!doc.setContent(xml, false, &error, &line, &column))
        throw EDOMParseError(
            QStringLiteral("%1, line %2, column %3: %4").arg(sourceName).arg(line).arg(column).arg(error));
    FDocument = doc;
    FActive = true;
}

void TXMLDocument::LoadFromXML(const QString& xml, const QString& sourceName) {
    QDomDocument doc;
    QString error;
    int line = 0, column = 0;
    if (!doc.setContent(xml, false, &error, &line, &column))
        throw EDOMParseError(
            QStringLiteral("%1, line %2, column %3: %4").arg(sourceName).arg(line).arg(column).arg(error));
    FDocument = doc;
    FActive = true;
}

void TXMLDocument::Clear() {
    FDocument = QDomDocument();
    FActive = false;
}

TXMLNode TXMLDocument::DocumentElement() const {
    return TXMLNode(FDocument.documentElement());
}

TXMLNodeList TXMLDocument::ChildNodes() const {
    return TXMLNode(FDocument).ChildNodes();
}
