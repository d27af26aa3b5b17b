#pragma once
// The script engine's own small XML tree: grammars, intermediate programs and the description
// trees of registered functions and classes live in it. Elements keep their name, the raw text of
// their attributes and their children; attribute values are decoded on demand.

#include "platform/rtl/Object.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class TStream;

// Escapes a value for the attribute text: line feed, carriage return, double quote, "<", ">" and
// "&" become decimal character references, so every value comes back unchanged.
QString EncodeAttributeValue(const QString& value);
// Decodes decimal ("&#65;") and hexadecimal ("&#x41;") references and "&quot;". A reference that
// is not well formed stays as written.
QString DecodeAttributeValue(const QString& value);

class TscXMLItem : public TObject {
public:
    TscXMLItem() = default;
    ~TscXMLItem() override;

    // Frees every child; name, text and data stay.
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    void* Data() const { return FData; }
    void SetData(void* value) { FData = value; }
    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }
    TscXMLItem* Parent() const { return FParent; }
    const QString& Text() const { return FText; }
    void SetText(const QString& value) { FText = value; }
    // Raises EListError for an index outside 0..Count-1.
    TscXMLItem* Items(int index) const;
    QString Prop(const QString& name) const { return GetProp(name); }
    void SetProp(const QString& name, const QString& value);
    QString GetProp(const QString& name) const;
    bool PropExists(const QString& name) const;

    TscXMLItem* Add();
    // Appends the item; it is taken from its previous parent, or adopted when it had none.
    void AddItem(TscXMLItem* item);
    void AddItem(std::unique_ptr<TscXMLItem> item);
    void InsertItem(int index, TscXMLItem* item);
    void InsertItem(int index, std::unique_ptr<TscXMLItem> item);
    // Index of the first child whose name equals Name ignoring case, or -1.
    int Find(const QString& name) const;
    // The child of that name; a new child of that name is appended when there is none.
    TscXMLItem* FindItem(const QString& name);
    TscXMLItem* Root();
    int IndexOf(const TscXMLItem* item) const;
    // Replaces the children by deep copies of the item's children and copies name, text, data.
    void Assign(const TscXMLItem* item);
    // Removes the element from its parent and frees it (an element without parent is not freed:
    // its owner holds it).
    void Free();
    // Takes the child out of the list and hands it to the caller.
    std::unique_ptr<TscXMLItem> Extract(int index);

private:
    int FindAttr(const QString& name, int* valueStart) const;
    void MoveLastTo(int index);

    void* FData = nullptr;
    std::vector<std::unique_ptr<TscXMLItem>> FItems;
    QString FName;
    TscXMLItem* FParent = nullptr;
    QString FText;
};

class TscXMLDocument : public TObject {
public:
    TscXMLDocument();
    ~TscXMLDocument() override;

    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool value) { FAutoIndent = value; }
    TscXMLItem* Root() const { return FRoot.get(); }

    void Clear() { FRoot->Clear(); }
    // Format errors raise Exception("Invalid file format"); the tree keeps what was read.
    // LoadFromFile adds the file name and the byte offset to the message.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;
    void LoadFromBytes(const QByteArray& data);
    QByteArray SaveToBytes() const;

private:
    bool FAutoIndent = false;
    std::unique_ptr<TscXMLItem> FRoot;
};

class TscXMLReader : public TObject {
public:
    // Reading starts at the stream's current position.
    explicit TscXMLReader(TStream& stream);
    // Leaves the stream just behind the last byte consumed.
    ~TscXMLReader() override;

    qint64 Position() const { return FPosition; }
    void SetPosition(qint64 value);
    qint64 Size() const { return FSize; }

    void ReadHeader();
    void ReadRootItem(TscXMLItem* item);
    [[noreturn]] void RaiseException() const;

    // Elements nested deeper than this are refused as a format error (the tree is freed
    // recursively, so unbounded depth would exhaust the stack).
    static constexpr int MaxDepth = 2000;

private:
    bool ReadByte(char& c);
    // Reads the next tag into name and text; false at the end of data.
    bool ReadTag(QString& name, QString& text);

    QByteArray FBuffer;
    int FBufPos = 0;
    int FBufEnd = 0;
    qint64 FPosition = 0;
    qint64 FSize = 0;
    TStream& FStream;
    QByteArray FTag;
};

class TscXMLWriter : public TObject {
public:
    TscXMLWriter(TStream& stream, bool autoIndent);
    ~TscXMLWriter() override;

    void WriteHeader();
    void WriteRootItem(const TscXMLItem* item);

private:
    void WriteLine(const QByteArray& line, int level);
    void WriteItem(const TscXMLItem* item, int level);
    void Flush();

    bool FAutoIndent;
    QByteArray FBuffer;
    TStream& FStream;
};
