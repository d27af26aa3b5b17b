#pragma once
// Lists of texts with an object per line: the abstract TStrings and the TStringList that
// stores them, with sorting, duplicates rules, name=value lines, delimited text and loading and
// saving with encodings.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Streams.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// Calls f with each line of text; CR, LF and CR LF all end a line, and a final break adds no line.
void ForEachTextLine(const QString& text, const std::function<void(const QString&)>& f);

class TStrings : public TObject {
public:
    TStrings() = default;
    ~TStrings() override = default;

    // --- the storage every list provides
    virtual int Count() const = 0;
    virtual QString Get(int index) const = 0;
    virtual void Put(int index, const QString& s); // default: delete and insert, object kept
    virtual TObject* GetObject(int index) const;   // default: no objects
    virtual void PutObject(int index, TObject* object);
    virtual void Insert(int index, const QString& s) = 0;
    virtual void InsertObject(int index, const QString& s, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    // --- list operations
    virtual int Add(const QString& s);
    virtual int AddObject(const QString& s, TObject* object);
    void Append(const QString& s) { Add(s); }
    virtual void AddStrings(const TStrings& strings);
    void AddStrings(const QStringList& strings);
    // Replaces the lines (and objects) with those of another list and takes its delimiters,
    // quote, separator and line break; a TStringList also takes Sorted, Duplicates and
    // CaseSensitive from another TStringList.
    virtual void Assign(const TStrings& source);
    virtual void Exchange(int index1, int index2);
    virtual void Move(int curIndex, int newIndex);
    // The same lines in the same order, compared exactly.
    bool Equals(const TStrings& strings) const;

    // Searching, by CompareStrings (case-insensitive in this base class).
    virtual int IndexOf(const QString& s) const;
    int IndexOfName(const QString& name) const;
    int IndexOfObject(const TObject* object) const;

    // --- properties
    QString Strings(int index) const { return Get(index); }
    void SetStrings(int index, const QString& s) { Put(index, s); }
    QString operator[](int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, TObject* object) { PutObject(index, object); }

    // The text before the first NameValueSeparator, empty when the line has none.
    QString Names(int index) const;
    // The text after the separator of the line whose name is given, empty when there is none.
    QString Values(const QString& name) const;
    // Replaces the value of that line, adds a line when there is none, and removes the line
    // when the value is empty.
    void SetValues(const QString& name, const QString& value);
    QString ValueFromIndex(int index) const;
    void SetValueFromIndex(int index, const QString& value);

    // Every line followed by LineBreak. Setting splits at CR LF, CR and LF; a final line break
    // gives no empty last line.
    QString Text() const { return GetTextStr(); }
    void SetText(const QString& text) { SetTextStr(text); }
    // Delimited text with ',' and '"'; see DelimitedText.
    QString CommaText() const;
    void SetCommaText(const QString& text);
    // Lines joined with Delimiter. An item holding the delimiter, the quote or (unless
    // StrictDelimiter) a blank or control character is quoted with QuoteChar, inner quotes
    // doubled; a single empty line is written as two quotes. Reading splits at the delimiter
    // and, unless StrictDelimiter, at unquoted blanks as well.
    QString DelimitedText() const;
    void SetDelimitedText(const QString& text);
    QStringList ToStringList() const;

    QChar Delimiter() const { return FDelimiter; }
    void SetDelimiter(QChar value) { FDelimiter = value; }
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar value) { FQuoteChar = value; }
    bool StrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool value) { FStrictDelimiter = value; }
    QChar NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(QChar value) { FNameValueSeparator = value; }
    // CR LF by default: the files these lists write are shared with the original program.
    const QString& LineBreak() const { return FLineBreak; }
    void SetLineBreak(const QString& value) { FLineBreak = value; }

    // --- loading and saving. Without an encoding, a byte-order mark decides, then UTF-8 when
    // the bytes are valid UTF-8, else the ANSI code page; the encoding found is remembered and
    // used again by SaveTo... without an encoding. A list that never loaded saves UTF-8
    // without a mark. WriteBOM false leaves the mark out.
    // Overrides keep these defaults.
    virtual void LoadFromFile(const QString& fileName,
                              std::optional<TEncoding> encoding = std::nullopt);
    virtual void LoadFromStream(TStream& stream, std::optional<TEncoding> encoding = std::nullopt);
    virtual void SaveToFile(const QString& fileName,
                            std::optional<TEncoding> encoding = std::nullopt) const;
    virtual void SaveToStream(TStream& stream,
                              std::optional<TEncoding> encoding = std::nullopt) const;
    const std::optional<TEncoding>& Encoding() const { return FEncoding; }
    bool WriteBOM() const { return FWriteBOM; }
    void SetWriteBOM(bool value) { FWriteBOM = value; }

    // --- change notification
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

protected:
    virtual QString GetTextStr() const;
    virtual void SetTextStr(const QString& text);
    virtual int CompareStrings(const QString& s1, const QString& s2) const;
    // Called when the first BeginUpdate or the last EndUpdate happens.
    virtual void SetUpdateState(bool updating);
    [[noreturn]] void Error(const QString& message, int data) const;
    void CheckIndex(int index, int count) const;

private:
    QChar FDelimiter = QLatin1Char(',');
    QChar FQuoteChar = QLatin1Char('"');
    QChar FNameValueSeparator = QLatin1Char('=');
    bool FStrictDelimiter = false;
    QString FLineBreak = QStringLiteral("\r\n");
    int FUpdateCount = 0;
    std::optional<TEncoding> FEncoding;
    bool FWriteBOM = true;
};

class TStringList;
// Compares the lines at two indexes of the list: negative, zero or positive.
using TStringListSortCompare = std::function<int(TStringList& list, int index1, int index2)>;

class TStringList : public TStrings {
public:
    TStringList() = default;
    explicit TStringList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
    ~TStringList() override;

    int Count() const override { return static_cast<int>(FList.size()); }
    QString Get(int index) const override;
    void Put(int index, const QString& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    void Insert(int index, const QString& s) override;
    void InsertObject(int index, const QString& s, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const QString& s) override;
    int AddObject(const QString& s, TObject* object) override;
    void Assign(const TStrings& source) override;
    void Exchange(int index1, int index2) override;
    int IndexOf(const QString& s) const override;

    // Binary search of a sorted list: true when found; index is where the text is (the first
    // of equal texts when duplicates are accepted) or where it would be inserted.
    virtual bool Find(const QString& s, int& index) const;
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);
    // When set, the list frees the objects of deleted lines and its own on destruction.
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool value) { FOwnsObjects = value; }
    int Capacity() const { return static_cast<int>(FList.capacity()); }
    void SetCapacity(int value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    int CompareStrings(const QString& s1, const QString& s2) const override;
    void SetUpdateState(bool updating) override;
    virtual void Changed();
    virtual void Changing();
    void DoChange();
    void DoChanging();
    void InsertItem(int index, const QString& s, TObject* object);

private:
    struct TStringItem {
        QString FString;
        TObject* FObject = nullptr;
    };
    void QuickSort(int l, int r, const TStringListSortCompare& compare);
    void ExchangeItems(int index1, int index2);
    void FreeObject(TObject* object);

    std::vector<TStringItem> FList;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
};
