#include "platform/rtl/StringList.h"

#include "platform/rtl/TextCase.h"

#include <memory>
#include <utility>

namespace {
const QString SListIndexError = QStringLiteral("List index out of bounds (%1)");
const QString SDuplicateString = QStringLiteral("String list does not allow duplicates");
const QString SSortedListError = QStringLiteral("Operation not allowed on sorted list");
const QString SListCapacityError = QStringLiteral("List capacity out of bounds (%1)");

inline bool IsBlank(QChar c) { return c.unicode() <= ' '; }
} // namespace

// ---------------------------------------------------------------------------------------------
// TStrings

void TStrings::Error(const QString& message, int data) const {
    throw EStringListError(message.contains(QLatin1String("%1")) ? message.arg(data) : message);
}

void TStrings::CheckIndex(int index, int count) const {
    if (index < 0 || index >= count)
        Error(SListIndexError, index);
}

void TStrings::Put(int index, const QString& s) {
    TObject* object = GetObject(index);
    // Keep the object through the delete, even in a list that owns its objects.
    PutObject(index, nullptr);
    Delete(index);
    InsertObject(index, s, object);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

void TStrings::InsertObject(int index, const QString& s, TObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

int TStrings::Add(const QString& s) {
    const int index = Count();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const QString& s, TObject* object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::AddStrings(const TStrings& strings) {
    BeginUpdate();
    try {
        // Copy first: the source may be this very list.
        std::vector<std::pair<QString, TObject*>> items;
        for (int i = 0; i < strings.Count(); ++i)
            items.emplace_back(strings.Get(i), strings.GetObject(i));
        for (const auto& [s, o] : items)
            AddObject(s, o);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::AddStrings(const QStringList& strings) {
    BeginUpdate();
    try {
        for (const QString& s : strings)
            Add(s);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(const TStrings& source) {
    if (&source == this)
        return;
    BeginUpdate();
    try {
        FDelimiter = source.FDelimiter;
        FQuoteChar = source.FQuoteChar;
        FNameValueSeparator = source.FNameValueSeparator;
        FStrictDelimiter = source.FStrictDelimiter;
        FLineBreak = source.FLineBreak;
        Clear();
        AddStrings(source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Exchange(int index1, int index2) {
    BeginUpdate();
    try {
        TObject* object = GetObject(index1);
        const QString s = Get(index1);
        Put(index1, Get(index2));
        PutObject(index1, GetObject(index2));
        Put(index2, s);
        PutObject(index2, object);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex)
        return;
    CheckIndex(curIndex, Count());
    CheckIndex(newIndex, Count());
    BeginUpdate();
    try {
        const QString s = Get(curIndex);
        TObject* object = GetObject(curIndex);
        PutObject(curIndex, nullptr); // an owning list must not free it on the way
        Delete(curIndex);
        InsertObject(newIndex, s, object);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TStrings::Equals(const TStrings& strings) const {
    const int n = Count();
    if (n != strings.Count())
        return false;
    for (int i = 0; i < n; ++i)
        if (Get(i) != strings.Get(i))
            return false;
    return true;
}

int TStrings::IndexOf(const QString& s) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (CompareStrings(Get(i), s) == 0)
            return i;
    return -1;
}

int TStrings::IndexOfName(const QString& name) const {
    for (int i = 0, n = Count(); i < n; ++i) {
        const QString s = Get(i);
        const qsizetype p = s.indexOf(FNameValueSeparator);
        if (p >= 0 && CompareStrings(s.left(p), name) == 0)
            return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (GetObject(i) == object)
            return i;
    return -1;
}

QString TStrings::Names(int index) const {
    const QString s = Get(index);
    const qsizetype p = s.indexOf(FNameValueSeparator);
    return p >= 0 ? s.left(p) : QString();
}

QString TStrings::Values(const QString& name) const {
    const int i = IndexOfName(name);
    if (i < 0)
        return QString();
    const QString s = Get(i);
    return s.mid(s.indexOf(FNameValueSeparator) + 1);
}

void TStrings::SetValues(const QString& name, const QString& value) {
    int i = IndexOfName(name);
    if (!value.isEmpty()) {
        const QString line = name + FNameValueSeparator + value;
        if (i < 0)
            Add(line);
        else
            Put(i, line);
    } else if (i >= 0) {
        Delete(i);
    }
}

QString TStrings::ValueFromIndex(int index) const {
    if (index < 0)
        return QString();
    const QString s = Get(index);
    const qsizetype p = s.indexOf(FNameValueSeparator);
    return p >= 0 ? s.mid(p + 1) : QString();
}

void TStrings::SetValueFromIndex(int index, const QString& value) {
    if (!value.isEmpty()) {
        if (index < 0)
            index = Add(QString());
        Put(index, Names(index) + FNameValueSeparator + value);
    } else if (index >= 0) {
        Delete(index);
    }
}

QString TStrings::GetTextStr() const {
    QString result;
    for (int i = 0, n = Count(); i < n; ++i) {
        result += Get(i);
        result += FLineBreak;
    }
    return result;
}

void ForEachTextLine(const QString& text, const std::function<void(const QString&)>& f) {
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
    while (p < end) {
        const QChar* start = p;
        while (p < end && *p != QLatin1Char('\r') && *p != QLatin1Char('\n'))
            ++p;
        f(QString(start, p - start));
        if (p < end && *p == QLatin1Char('\r'))
            ++p;
        if (p < end && *p == QLatin1Char('\n'))
            ++p;
    }
}

void TStrings::SetTextStr(const QString& text) {
    BeginUpdate();
    try {
        Clear();
        ForEachTextLine(text, [this](const QString& line) { Add(line); });
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

QString TStrings::CommaText() const {
    // Always ',' and '"' and blanks splitting, whatever the list's own settings are.
    TStringList copy;
    copy.SetDelimiter(QLatin1Char(','));
    copy.SetQuoteChar(QLatin1Char('"'));
    copy.SetStrictDelimiter(false);
    for (int i = 0, n = Count(); i < n; ++i)
        copy.Add(Get(i));
    return copy.DelimitedText();
}

void TStrings::SetCommaText(const QString& text) {
    const QChar delimiter = FDelimiter, quote = FQuoteChar;
    const bool strict = FStrictDelimiter;
    FDelimiter = QLatin1Char(',');
    FQuoteChar = QLatin1Char('"');
    FStrictDelimiter = false;
    try {
        SetDelimitedText(text);
    } catch (...) {
        FDelimiter = delimiter;
        FQuoteChar = quote;
        FStrictDelimiter = strict;
        throw;
    }
    FDelimiter = delimiter;
    FQuoteChar = quote;
    FStrictDelimiter = strict;
}

QString TStrings::DelimitedText() const {
    const int n = Count();
    if (n == 1 && Get(0).isEmpty())
        return QString(2, FQuoteChar);
    QString result;
    for (int i = 0; i < n; ++i) {
        QString s = Get(i);
        bool quote = false;
        for (QChar c : s) {
            if (c == FQuoteChar || c == FDelimiter || c.isNull() ||
                (!FStrictDelimiter && IsBlank(c))) {
                quote = true;
                break;
            }
        }
        if (quote) {
            s.replace(FQuoteChar, QString(2, FQuoteChar));
            s = FQuoteChar + s + FQuoteChar;
        }
        if (i > 0)
            result += FDelimiter;
        result += s;
    }
    return result;
}

void TStrings::SetDelimitedText(const QString& text) {
    BeginUpdate();
    try {
        Clear();
        const QChar* p = text.constData();
        const QChar* end = p + text.size();
        auto skipBlanks = [&] {
            if (!FStrictDelimiter)
                while (p < end && IsBlank(*p))
                    ++p;
        };
        skipBlanks();
        while (p < end) {
            QString s;
            if (*p == FQuoteChar) {
                // Quoted item: doubled quotes stand for one; an unclosed quote runs to the end.
                ++p;
                while (p < end) {
                    if (*p == FQuoteChar) {
                        if (p + 1 < end && p[1] == FQuoteChar) {
                            s += FQuoteChar;
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    s += *p++;
                }
            } else {
                const QChar* start = p;
                while (p < end && *p != FDelimiter && (FStrictDelimiter || !IsBlank(*p)))
                    ++p;
                s = QString(start, p - start);
            }
            Add(s);
            skipBlanks();
            if (p < end && *p == FDelimiter) {
                if (p + 1 == end)
                    Add(QString()); // a delimiter at the very end ends an empty last item
                ++p;
                skipBlanks();
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

QStringList TStrings::ToStringList() const {
    QStringList out;
    out.reserve(Count());
    for (int i = 0, n = Count(); i < n; ++i)
        out << Get(i);
    return out;
}

void TStrings::LoadFromFile(const QString& fileName, std::optional<TEncoding> encoding) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream, std::move(encoding));
}

void TStrings::LoadFromStream(TStream& stream, std::optional<TEncoding> encoding) {
    const QByteArray bytes = stream.ReadAll();
    TEncoding used;
    QString text;
    if (encoding) {
        used = *encoding;
        TEncoding marked;
        const int skip = TEncoding::GetBufferEncoding(bytes, marked);
        // Skip the mark only when it is the mark of the encoding asked for.
        const bool own = skip > 0 && marked.Name() == used.Name();
        if (own)
            used = marked;
        text = used.GetString(own ? bytes.mid(skip) : bytes);
    } else {
        text = TEncoding::DecodeText(bytes, &used);
    }
    BeginUpdate();
    try {
        SetTextStr(text);
    } catch (...) {
        EndUpdate();
        throw;
    }
    FEncoding = used;
    EndUpdate();
}

void TStrings::SaveToFile(const QString& fileName, std::optional<TEncoding> encoding) const {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream, std::move(encoding));
}

void TStrings::SaveToStream(TStream& stream, std::optional<TEncoding> encoding) const {
    const TEncoding enc = encoding ? *encoding : FEncoding.value_or(TEncoding());
    QByteArray bytes = FWriteBOM ? enc.Preamble() : QByteArray();
    bytes += enc.GetBytes(GetTextStr());
    stream.WriteBytes(bytes);
}

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    if (FUpdateCount <= 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const QString& s1, const QString& s2) const {
    return AnsiCompareText(s1, s2);
}

// ---------------------------------------------------------------------------------------------
// TStringList

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    if (FOwnsObjects) {
        std::vector<TStringItem> items;
        items.swap(FList);
        for (auto& item : items)
            FreeObject(item.FObject);
    }
}

void TStringList::FreeObject(TObject* object) {
    if (FOwnsObjects && object)
        std::unique_ptr<TObject>{object};
}

void TStringList::Changed() {
    if (UpdateCount() == 0)
        DoChange();
}

void TStringList::Changing() {
    if (UpdateCount() == 0)
        DoChanging();
}

void TStringList::DoChange() {
    if (OnChange)
        OnChange(this);
}

void TStringList::DoChanging() {
    if (OnChanging)
        OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        DoChanging();
    else
        DoChange();
}

QString TStringList::Get(int index) const {
    CheckIndex(index, Count());
    return FList[static_cast<size_t>(index)].FString;
}

void TStringList::Put(int index, const QString& s) {
    if (FSorted)
        Error(SSortedListError, 0);
    CheckIndex(index, Count());
    Changing();
    FList[static_cast<size_t>(index)].FString = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index, Count());
    return FList[static_cast<size_t>(index)].FObject;
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index, Count());
    Changing();
    FList[static_cast<size_t>(index)].FObject = object;
    Changed();
}

void TStringList::Insert(int index, const QString& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const QString& s, TObject* object) {
    if (FSorted)
        Error(SSortedListError, 0);
    if (index < 0 || index > Count())
        Error(SListIndexError, index);
    InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const QString& s, TObject* object) {
    Changing();
    FList.insert(FList.begin() + index, TStringItem{s, object});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    Changing();
    TObject* object = FList[static_cast<size_t>(index)].FObject;
    FList.erase(FList.begin() + index);
    FreeObject(object);
    Changed();
}

void TStringList::Clear() {
    if (FList.empty())
        return;
    Changing();
    std::vector<TStringItem> items;
    items.swap(FList);
    for (auto& item : items)
        FreeObject(item.FObject);
    Changed();
}

int TStringList::Add(const QString& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const QString& s, TObject* object) {
    int index = Count();
    if (FSorted && Find(s, index)) {
        switch (FDuplicates) {
        case dupIgnore: return index;
        case dupError: Error(SDuplicateString, 0);
        case dupAccept: break;
        }
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Assign(const TStrings& source) {
    if (&source == this)
        return;
    BeginUpdate();
    try {
        if (auto* list = dynamic_cast<const TStringList*>(&source)) {
            // Copy the lines in the source's order, then take its rules: a sorted source is
            // already in the order its rules give.
            FSorted = false;
            TStrings::Assign(source);
            FCaseSensitive = list->FCaseSensitive;
            FDuplicates = list->FDuplicates;
            FSorted = list->FSorted;
        } else {
            TStrings::Assign(source);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    Changing();
    ExchangeItems(index1, index2);
    Changed();
}

void TStringList::ExchangeItems(int index1, int index2) {
    std::swap(FList[static_cast<size_t>(index1)], FList[static_cast<size_t>(index2)]);
}

int TStringList::IndexOf(const QString& s) const {
    if (!FSorted)
        return TStrings::IndexOf(s);
    int index = -1;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const QString& s, int& index) const {
    bool result = false;
    int l = 0, h = Count() - 1;
    while (l <= h) {
        const int i = l + (h - l) / 2;
        const int c = CompareStrings(FList[static_cast<size_t>(i)].FString, s);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                result = true;
                if (FDuplicates != dupAccept)
                    l = i;
            }
        }
    }
    index = l;
    return result;
}

void TStringList::QuickSort(int l, int r, const TStringListSortCompare& compare) {
    // Hoare partition on the list in place, as the comparer works on indexes. The scans are
    // bounded so that a comparer that contradicts itself cannot run off the list, and the
    // smaller side recurses so that the depth stays logarithmic.
    while (l < r) {
        int i = l, j = r, p = l + (r - l) / 2;
        while (i <= j) {
            while (i < r && compare(*this, i, p) < 0)
                ++i;
            while (j > l && compare(*this, j, p) > 0)
                --j;
            if (i <= j) {
                if (i != j)
                    ExchangeItems(i, j);
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        }
        if (j - l < r - i) {
            if (l < j)
                QuickSort(l, j, compare);
            l = i;
        } else {
            if (i < r)
                QuickSort(i, r, compare);
            r = j;
        }
    }
}

void TStringList::Sort() {
    CustomSort([](TStringList& list, int a, int b) {
        return list.CompareStrings(list.FList[static_cast<size_t>(a)].FString,
                                   list.FList[static_cast<size_t>(b)].FString);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (FSorted || Count() <= 1)
        return;
    Changing();
    QuickSort(0, Count() - 1, compare);
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (FSorted == value)
        return;
    if (value)
        Sort();
    FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (FCaseSensitive == value)
        return;
    FCaseSensitive = value;
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

void TStringList::SetCapacity(int value) {
    if (value < Count())
        Error(SListCapacityError, value);
    FList.reserve(static_cast<size_t>(value));
}

int TStringList::CompareStrings(const QString& s1, const QString& s2) const {
    return FCaseSensitive ? AnsiCompareStr(s1, s2) : AnsiCompareText(s1, s2);
}
