#pragma once
// The report library's XML documents: templates, prepared reports, style sheets, variable lists and
// string tables are trees of TrptXMLItem in a TrptXMLDocument, read and written by our own reader
// and writer. The dialect knows elements, attributes, a childless element's text value, the
// "<?xml ...?>" header and comments.
//
// An element keeps its attribute text raw (escapes included) and parses it only when asked. An
// element marked Unloadable can be written to a temporary file and dropped from memory
// (UnloadItem), and is read back on demand (LoadItem); a document loaded with partial loading
// leaves such elements in the file it was read from until they are needed.
//
// Written files look like this (AutoIndent on; without it nothing separates the tags):
//   <?xml version="1.0" encoding="utf-8" standalone="no"?>
//   <root a="1">
//     <page3 ld="0">          the marker of an unloadable element, right after its attribute text
//       <item x="&#34;q&#34;"/>
//       <v>value text</v>      Value of a childless element, written as it is and never read back
//     </page3>
//   </root>
// The reader takes the marker ld="0" as the first or only attribute, after a blank, or right after a
// closing quote; one at the very end (where the writer puts it) wins over any other.
// Attribute text and Value are UTF-8; element names are in the system's 8-bit code page
// (SystemCodePage of rptWideStrings.h). A file whose texts hold control characters other than tab, line feed and carriage
// return declares version "1.1" and holds them as character references; a file whose header says
// version "1.0" without a standalone attribute is an old one with single-byte attribute text.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variant.h"
#include "platform/rtti/TypInfo.h"

#include <QString>

#include <memory>
#include <vector>

class TrptXMLDocument;
class TrptXMLReader;
class TrptXMLWriter;
class TSingleByteCodec;

// A stream that elements were left in or unloaded to. Items that point into it share it; when its
// document lets the stream go, Stream becomes null and those items can no longer be read back.
struct TrptXMLBacking {
    TStream* Stream = nullptr;
    std::unique_ptr<TStream> Owned; // set when the document opened or created the stream
    QString TempFileName;           // deleted when released
    bool OldFormat = false;         // the stream holds single-byte attribute text
};

// Malformed input. The message is "Invalid file format"; when the stream read is a file, the file's
// name and the byte where reading stopped follow.
class TrptInvalidXMLException : public Exception {
public:
    explicit TrptInvalidXMLException(Int64 position = -1, const QString& fileName = QString());
    QString ClassName() const override { return QStringLiteral("TrptInvalidXMLException"); }
    bool InheritsFrom(const QString& name) const override {
        return name.compare(QLatin1String("TrptInvalidXMLException"), Qt::CaseInsensitive) == 0 ||
               Exception::InheritsFrom(name);
    }
    [[noreturn]] void Raise() const override { throw *this; }
    // Byte offset in the stream where reading stopped, -1 when unknown.
    Int64 Position() const { return FPosition; }
    const QString& FileName() const { return FFileName; }

private:
    Int64 FPosition;
    QString FFileName;
};

// A text that no XML file can hold (NUL, a lone surrogate, U+FFFE, U+FFFF, a control character in an
// element name), or an element name the reader would not give back (empty on an element with
// content; holding a blank, "<" or ">"; beginning or ending with "/"; beginning with "!--"). The
// message names the element by its path.
KORVEL_EXCEPTION(ErptXMLWriteError, Exception)

// One element. It owns its children; freeing it removes it from its parent's list.
class TrptXMLItem : public TObject {
    KORVEL_CLASS(TrptXMLItem, TObject)
public:
    TrptXMLItem();
    ~TrptXMLItem() override;

    // Frees every child; an unloadable item becomes not loaded.
    void Clear();
    // Appends a new empty child (with the name given) and returns it.
    TrptXMLItem* Add();
    TrptXMLItem* Add(const QString& name);
    // Appends item, then takes it out of its former parent's list (moving it to the end when that
    // is this item). Adding an item to itself or to one of its descendants raises EInvalidOperation.
    void AddItem(TrptXMLItem* item);
    // AddItem, then moves the item from the end to index (0 .. Count - 1 after the append).
    void InsertItem(int index, TrptXMLItem* item);
    // Index of the first child named name, ignoring case by the user's locale; -1 when none.
    int Find(const QString& name) const;
    // That child, or a new child of that name appended at the end.
    TrptXMLItem* FindItem(const QString& name);
    int IndexOf(const TrptXMLItem* item) const;
    // The top of the tree this item is in.
    TrptXMLItem* Root();

    // Attributes, matched by whole name ignoring case. GetProp gives the unescaped value, or an
    // empty text when the attribute is absent; SetProp escapes the value (EscapeXMLText) and
    // replaces the attribute in place or appends it; DeleteProp removes it with the blank after it.
    QString GetProp(const QString& name) const;
    void SetProp(const QString& name, const QString& value);
    bool PropExists(const QString& name) const;
    void DeleteProp(const QString& name);
    QString Prop(const QString& name) const { return GetProp(name); }

    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError outside 0 .. Count - 1.
    TrptXMLItem* Items(int index) const;

    // Free for the caller; the XML classes never use it.
    qintptr Data() const { return FData; }
    void SetData(qintptr value) { FData = value; }
    // False while the element's children live only in a backing stream.
    bool Loaded() const { return FLoaded; }
    // Free for the caller; the XML classes never use it.
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }
    // Where the element's start tag begins in its backing stream.
    Int64 Offset() const { return FOffset; }
    void SetOffset(Int64 value) { FOffset = value; }
    TrptXMLItem* Parent() const { return FParent; }
    // The raw attribute text, escapes included: a="1" b="x&#38;y".
    const QString& Text() const { return FText; }
    void SetText(const QString& value) { FText = value; }
    bool Unloadable() const { return FUnloadable; }
    void SetUnloadable(bool value) { FUnloadable = value; }
    // Written between the start and end tag of a childless element, as it is (the caller escapes
    // it); never read back.
    const QString& Value() const;
    void SetValue(const QString& value);

    // The names from the root down to this item, joined by "/" (for messages).
    QString Path() const;

private:
    friend class TrptXMLDocument;
    friend class TrptXMLReader;
    friend class TrptXMLWriter;

    TrptXMLItem* AppendChild(std::unique_ptr<TrptXMLItem> item); // a fresh item without parent
    void FreeChildren();

    // Few elements have a value or a backing stream; they live apart to keep elements small.
    struct TRare {
        QString Value;
        // The stream the offset points into, once the element has been stored there.
        std::shared_ptr<TrptXMLBacking> Backing;
    };
    TRare& Rare();
    const std::shared_ptr<TrptXMLBacking>& Backing() const;
    void SetBacking(const std::shared_ptr<TrptXMLBacking>& backing);

    bool FLoaded = true;
    bool FModified = false;
    bool FUnloadable = false;
    qintptr FData = 0;
    Int64 FOffset = 0;
    std::vector<TrptXMLItem*> FItems; // owned
    TrptXMLItem* FParent = nullptr;
    QString FName;
    QString FText;
    std::unique_ptr<TRare> FRare;
};

class TrptXMLDocument : public TObject {
    KORVEL_CLASS(TrptXMLDocument, TObject)
public:
    TrptXMLDocument();
    ~TrptXMLDocument() override;

    // Clears Root and releases the backing streams.
    void Clear();
    // Exchanges trees, backing streams and the old-version flag with other (the temporary folder
    // and indentation stay): a document read aside replaces this one only once it proved sound.
    void Swap(TrptXMLDocument& other);
    // Reads a whole document. With allowPartialLoading, unloadable elements (those written with the
    // marker) keep their children in the stream, which the caller must keep open while the
    // document is used; without it the stream is not used afterwards. Malformed input raises
    // TrptInvalidXMLException and leaves in Root what was read.
    void LoadFromStream(TStream& stream, bool allowPartialLoading = false);
    // Opens the file (EFOpenError when it cannot be) and loads it with partial loading; the document
    // keeps the file open as its backing stream.
    void LoadFromFile(const QString& fileName);
    // Writes the header and the tree; unloaded elements are read back and written in full.
    void SaveToStream(TStream& stream);
    // Writes fileName + ".tmp", then puts it in place of fileName and loads it again (so the
    // document holds the saved file open). A failure leaves an existing fileName untouched.
    void SaveToFile(const QString& fileName);
    // Reads an unloaded unloadable item back with all its children; its Text stays as it is, and
    // elements inside it that were unloadable are so again.
    void LoadItem(TrptXMLItem* item);
    // Writes a loaded unloadable item with its children to the end of the document's temporary
    // file and clears it. Elements left in the stream of a partial load stay readable.
    void UnloadItem(TrptXMLItem* item);

    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool value) { FAutoIndent = value; }
    TrptXMLItem* Root() const { return FRoot.get(); }
    // Folder of the temporary file; empty (or a folder that does not exist) means the program's
    // temporary folder.
    const QString& TempDir() const { return FTempDir; }
    void SetTempDir(const QString& value) { FTempDir = value; }
    // The last loaded file was of the old single-byte kind.
    bool OldVersion() const { return FOldVersion; }
    // Name of the temporary file, empty until the first UnloadItem.
    QString TempFile() const;

private:
    void ReleaseStreams();
    void CreateTempFile();

    std::unique_ptr<TrptXMLItem> FRoot;
    std::shared_ptr<TrptXMLBacking> FSource; // stream of the last partial load
    std::shared_ptr<TrptXMLBacking> FTemp;   // our own temporary file
    QString FTempDir;
    bool FAutoIndent = false;
    bool FOldVersion = false;
};

// Reads tags from a stream in blocks of 4,096 bytes (a memory stream is read in place).
class TrptXMLReader : public TObject {
public:
    // Starts at the stream's current position.
    explicit TrptXMLReader(TStream& stream);
    // Leaves the stream just after the last byte consumed.
    ~TrptXMLReader() override;

    // Reads the "<?xml ...?>" tag and sets OldFormat for a version "1.0" header without standalone.
    void ReadHeader();
    // Reads one element (its start tag at the next "<") into item, with its children. Without
    // readChildren (partial loading), an element carrying the unload marker keeps its children in
    // the stream: it becomes unloadable and not loaded, its offset at its start tag.
    void ReadRootItem(TrptXMLItem* item, bool readChildren = true);
    [[noreturn]] void RaiseException();

    // Just after the last byte consumed.
    Int64 Position() const { return FBlockPos + (FPos - FBlock); }
    Int64 Size() const { return FSize; }
    // Attribute text is in the system code page rather than UTF-8.
    bool OldFormat() const { return FOldFormat; }
    void SetOldFormat(bool value) { FOldFormat = value; }

private:
    friend class TrptXMLDocument;
    friend class TrptXMLWriter;
    struct TTag;
    struct TNameCache;
    bool NextTag(TTag& tag);
    bool Refill();
    QString DecodeName(const char* data, qsizetype size);
    QString DecodeText(const char* data, qsizetype size) const;
    bool SameEndName(const TTag& tag, const QString& name);
    void FinishItem(TrptXMLItem* item, Int64 position, bool readChildren);
    void SkipChildren(const QString& name);

    TStream& FStream;
    const TSingleByteCodec& FCodec;
    std::unique_ptr<char[]> FBuffer;
    const char* FBlock = nullptr; // the bytes in hand; FBlock[0] is at stream position FBlockPos
    const char* FPos = nullptr;
    const char* FEnd = nullptr;
    Int64 FBlockPos = 0;
    Int64 FSize = 0;
    bool FDirect = false; // reading a memory stream in place
    bool FOldFormat = false;
    bool FReadBack = false; // reading an unloaded element back: marked elements stay unloadable
    QByteArray FTagBuf; // a tag that spans blocks
    std::unique_ptr<TNameCache> FNames;
    std::shared_ptr<TrptXMLBacking> FBacking; // given to items left unloaded
};

// Writes the header and element trees to a stream through an 8-bit buffer.
class TrptXMLWriter : public TObject {
public:
    explicit TrptXMLWriter(TStream& stream);
    ~TrptXMLWriter() override;

    void WriteHeader();
    // Writes item and everything under it and flushes. Unloaded elements are read back from the
    // stream they were stored in (or from TempStream) for the time they are written.
    void WriteRootItem(TrptXMLItem* item);

    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool value) { FAutoIndent = value; }
    // Where unloaded elements that carry no stream of their own are read back from.
    TStream* TempStream() const { return FTempStream; }
    void SetTempStream(TStream* value) { FTempStream = value; }

private:
    struct TOut;
    void Flush();
    void CheckName(const TrptXMLItem* item);
    void PutName(const TrptXMLItem* item);
    void PutText(const QString& text, const TrptXMLItem* item, bool value);
    void PutIndent(int depth);
    void PutEndTag(const TrptXMLItem* item);
    void PutLineEnd();
    bool FetchBack(TrptXMLItem* item);
    [[noreturn]] void Refuse(const TrptXMLItem* item, const QString& what, uint code);

    char* Reserve(qsizetype count); // room for count more bytes at FBuf + FLen

    TStream& FStream;
    TStream* FTempStream = nullptr;
    const TSingleByteCodec& FCodec;
    std::unique_ptr<char[]> FBuf;
    qsizetype FCap = 0;
    qsizetype FLen = 0;
    Int64 FWritePos = 0;      // stream position of FBuf[0]
    Int64 FVersionPos = -1;   // stream position of the header's minor version digit
    bool FNeedsVersion11 = false;
    bool FMoved = false;      // a read-back moved the stream
    bool FAutoIndent = false;
};

// Attribute escaping: line feed, carriage return, double quote, ampersand, less-than and
// greater-than become &#10; &#13; &#34; &#38; &#60; &#62;, other control characters but tab become
// &#N;, and "&quot;" already in the text becomes "&#34;". Everything else is copied.
QString EscapeXMLText(const QString& s);
// "&#" and a number up to the next ";" become that character (a text that is no number raises
// EConvertError); &quot; &amp; &lt; &gt; become their characters; any other ampersand stays. A
// produced character is not looked at again: "&#38;lt;" gives "&lt;".
QString UnescapeXMLText(const QString& s);
// Small integers and bytes as decimal text, floats and currency by the user's locale, dates as the
// locale's short date, texts escaped, Booleans as "1"/"0"; anything else gives an empty text.
QString VariantToXMLText(const Variant& value);
