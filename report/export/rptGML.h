#pragma once
// A small RTF document tree: parses rich text into groups, control words, hexadecimal characters,
// control symbols and text runs, reads its font and colour tables and writes the tree (or part of
// it) back. The RTF export embeds the body of a report's rich text into its own document with it,
// font and colour references renumbered into the export's tables (EmbedRichTextBody).
//
// Everything works on 8-bit strings. Nodes belong to their document: the document frees them,
// also when a node is removed from the tree and destroyed. Nodes never outlive the document.

#include "platform/rtl/Exceptions.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <vector>

class TStream;
class TGmlRtf;
class TGmlNode;

// Errors of parsing, navigating and writing the tree.
KORVEL_EXCEPTION(EGmlError, Exception)

// Groups nest at most this deep; a deeper one is a parse error rather than a stack overflow.
constexpr int GmlMaxDepth = 500;

// A header or body: an explicit string, or the slice of Len bytes at Pos of the document text.
struct TGmlStr {
    int Pos = 0;
    int Len = 0;
    QByteArray Data;
};

using TGmlNodeList = std::vector<TGmlNode*>;

class TGmlNode {
public:
    virtual ~TGmlNode();
    TGmlNode(const TGmlNode&) = delete;
    TGmlNode& operator=(const TGmlNode&) = delete;

    QByteArray Header() const { return ReadHeader(); }
    void SetHeader(const QByteArray& Value) { FHeader.Data = Value; }
    QByteArray Body() const { return ReadBody(); }
    void SetBody(const QByteArray& Value) { FBody.Data = Value; }

    TGmlNode* Parent() const { return FParent; }
    // The child list, null when the node has none.
    TGmlNodeList* SubNodes() const { return FSubNodes.get(); }
    // Gives the node a child list (the nodes are not copied; their parent stays as it was).
    void SetSubNodes(std::unique_ptr<TGmlNodeList> List) { FSubNodes = std::move(List); }

    // Destroys every descendant, children first, and leaves the node without children.
    void DestroyTree();
    // No child list or no children.
    bool Empty() const { return !FSubNodes || FSubNodes->empty(); }
    // Sets the parent of every descendant.
    void UpdateParent();
    // Takes the node out of its parent's list; with DestroyItself the node and its subtree are
    // destroyed (the pointer is dead afterwards).
    void Remove(bool DestroyItself);
    // The index among the parent's children, -1 without parent.
    int SelfSubIndex() const;
    // A new list of the children First .. Last (the same nodes); Last -1 means the last child.
    std::unique_ptr<TGmlNodeList> Select(int First, int Last) const;
    int NodesCount() const { return FSubNodes ? static_cast<int>(FSubNodes->size()) : 0; }

    TGmlRtf* Doc() const { return FDoc; }

protected:
    explicit TGmlNode(TGmlRtf* ADoc) : FDoc(ADoc) {}
    virtual QByteArray ReadHeader() const = 0;
    virtual QByteArray ReadBody() const = 0;
    // Frees the node through its document (or directly when it has none).
    static void Free(TGmlNode* Node);

    TGmlStr FHeader, FBody;
    TGmlNode* FParent = nullptr;
    std::unique_ptr<TGmlNodeList> FSubNodes;
    TGmlRtf* FDoc = nullptr;

private:
    friend class TGmlRtf;
    int FSlot = -1; // the node's place in its document's store
};

class TGmlRtfNode : public TGmlNode {
public:
    // The child at Index; null outside the list.
    TGmlRtfNode* Node(int Index) const;
    // Depth first in document order, the node itself not examined.
    TGmlRtfNode* Find(const QByteArray& AHeader) const;
    // Pre-order over the node and its descendants; an empty header collects every node; a
    // maximum below 1 means no limit.
    std::unique_ptr<TGmlNodeList> FindAll(const QByteArray& AHeader, int MaxCount) const;
    virtual void Serialize(TStream& Stream) const;
    // Last -1 means the last child; writes nothing without children.
    void SerializeSubNodes(TStream& Stream, int First, int Last) const;

protected:
    friend class TGmlRtf;
    explicit TGmlRtfNode(TGmlRtf* ADoc) : TGmlNode(ADoc) {}
    QByteArray ReadHeader() const override;
    QByteArray ReadBody() const override;
};

class TGmlRtfGroup : public TGmlRtfNode {
public:
    void Serialize(TStream& Stream) const override;

protected:
    friend class TGmlRtf;
    using TGmlRtfNode::TGmlRtfNode;
};

class TGmlRtfText : public TGmlRtfNode {
public:
    void Serialize(TStream& Stream) const override;

protected:
    friend class TGmlRtf;
    using TGmlRtfNode::TGmlRtfNode;
};

class TGmlRtfControl : public TGmlRtfNode {
public:
    bool HasValue() const { return FArg; }
    // Raises EGmlError for a word without parameter.
    int Value() const;
    void SetValue(int AValue) {
        FArgValue = AValue;
        FArg = true;
    }
    void Serialize(TStream& Stream) const override;

protected:
    friend class TGmlRtf;
    using TGmlRtfNode::TGmlRtfNode;
    bool FArg = false;
    int FArgValue = 0;
};

// \'hh
class TGmlRtfNumber : public TGmlRtfNode {
public:
    int Value() const { return FValue; }
    void Serialize(TStream& Stream) const override;

protected:
    friend class TGmlRtf;
    using TGmlRtfNode::TGmlRtfNode;
    int FValue = 0;
};

class TGmlRtfSymbol : public TGmlRtfNode {
public:
    char Symbol() const { return FSymbol; }
    void Serialize(TStream& Stream) const override;

protected:
    friend class TGmlRtf;
    using TGmlRtfNode::TGmlRtfNode;
    char FSymbol = 0;
};

// A view of one group of the font table.
class TGmlRtfFont {
public:
    explicit TGmlRtfFont(TGmlRtfNode* AGroup) : FGroup(AGroup) {}
    TGmlRtfNode* Group() const { return FGroup; }
    // The first \f inside the group; -1 when none.
    int Index() const;
    // The first \fcharset; 0 when none.
    int Charset() const;
    // The first direct text child, one trailing ";" removed.
    QByteArray Name() const;

private:
    TGmlRtfNode* FGroup;
};

// One colour-table entry: the tree's \red, \green and \blue words.
class TGmlRtfColor {
public:
    TGmlRtfControl* R = nullptr;
    TGmlRtfControl* G = nullptr;
    TGmlRtfControl* B = nullptr;
    // "\red%d\green%d\blue%d".
    QByteArray Serialize() const;
};

class TGmlRtf {
public:
    // Parses the whole text; the parse errors propagate.
    explicit TGmlRtf(const QByteArray& AText);
    ~TGmlRtf();
    TGmlRtf(const TGmlRtf&) = delete;
    TGmlRtf& operator=(const TGmlRtf&) = delete;

    TGmlRtfNode* Root() const { return FRoot; }
    const QByteArray& Text() const { return FText; }
    int Length() const { return static_cast<int>(FText.size()); }
    char Char(int Position) const;
    QByteArray Copy(int Position, int Len) const;
    QByteArray Copy(const TGmlStr& Str) const;
    int Copy(int Position, int Len, char* Destination) const;
    void Serialize(TStream& Stream) const;

    int FontsCount() const { return static_cast<int>(FFontList.size()); }
    // Null outside the table.
    const TGmlRtfFont* Font(int i) const;
    int ColorsCount() const { return static_cast<int>(FColorList.size()); }
    const TGmlRtfColor* Color(int i) const;
    bool HasFontTable() const { return FHasFontTable; }
    bool HasColorTable() const { return FHasColorTable; }

    // A new group of this document with no children (the embedding builds one).
    TGmlRtfGroup* NewGroup();

private:
    friend class TGmlNode;
    template <class T> T* Make();
    void Release(TGmlNode* Node);

    void Parse(TGmlRtfNode* Node, int First, int Last);
    std::unique_ptr<TGmlNodeList> ParseSequence(int Depth);
    TGmlRtfNode* TryControlWord();
    TGmlRtfNode* TryGroup(int Depth);
    TGmlRtfNode* TryNumber();
    TGmlRtfNode* TrySymbol();
    TGmlRtfNode* TryText();
    int ReadToken();
    int At(int Position) const { return Position <= FLast && Position < Length() ? static_cast<unsigned char>(FText[Position]) : -1; }
    void Push() { FStack.push_back(FPos); }
    void Pop(bool Restore);
    void BuildFontList();
    void BuildColorList();

    QByteArray FText;
    TGmlRtfNode* FRoot = nullptr;
    std::vector<int> FStack;
    int FPos = 0, FLast = -1;
    std::vector<TGmlRtfFont> FFontList;
    std::vector<std::unique_ptr<TGmlRtfColor>> FColorList;
    bool FHasFontTable = false, FHasColorTable = false;
    // Every node of the document; a destroyed node leaves an empty slot.
    std::vector<std::unique_ptr<TGmlNode>> FStore;
};

// The export's lookups: a font (name as UTF-8, character set) and a colour entry
// ("\red..\green..\blue..;") to their numbers in the export's tables, as decimal text.
using TGmlFontLookup = std::function<QByteArray(const QByteArray& Name, int Charset)>;
using TGmlColorLookup = std::function<QByteArray(const QByteArray& Entry)>;

// The body of a rich text (everything after its first \pard, without any \pard) as one group,
// its \f and \cf references renumbered through the lookups. Any error gives a group holding the
// error's message, escaped; an empty text gives an empty result. Never raises.
QByteArray EmbedRichTextBody(const QByteArray& RichText, const TGmlFontLookup& FontLookup,
                             const TGmlColorLookup& ColorLookup);

// Text for RTF: "\", "{" and "}" escaped; characters from 128 as \uN with a "?" fallback, N the
// signed 16-bit code unit; a CR LF inside the text becomes \line (a pair ending the text stays
// as it is). With CellText one trailing CR LF is dropped first.
QByteArray RTFEncodeText(const QString& Text, bool CellText);
// The escaping alone (backslash, braces, \line), characters left as they are.
QString RTFEscapeText(const QString& Text, bool CellText);
// Characters from 128 as \uN\'3f, the rest as they are.
QByteArray RTFAsciiText(const QString& Text);
// \uN\'3f for one UTF-16 code unit.
QByteArray RTFUnicodeChar(char16_t Unit);
// Bytes holding UTF-8 (as the tree writes a rich text back) as 7-bit ASCII: every character
// from 128 as \uN\'3f; a backslash left alone before such a character is dropped.
QByteArray RTFBytesToAscii(const QByteArray& Bytes);
