#include "script/sc_iclassesrtti.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/Classes.h"
#include "script/sc_ichartrtti.h"
#include "script/sc_idialogsrtti.h"
#include "script/sc_iformsrtti.h"
#include "script/sc_igraphicsrtti.h"
#include "script/sc_iinirtti.h"
#include "script/sc_xml.h"

#include <QRegularExpression>

#include <algorithm>
#include <mutex>
#include <unordered_set>

// ---------------------------------------------------------------------------------------------
// TList

void TList::CheckIndex(int Index, int Limit) const {
    if (Index < 0 || Index > Limit)
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

int TList::Add(TObject* Item) {
    FItems.push_back(Item);
    return Count() - 1;
}

void TList::Delete(int Index) {
    CheckIndex(Index, Count() - 1);
    FItems.erase(FItems.begin() + Index);
}

int TList::IndexOf(const TObject* Item) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)] == Item) return i;
    return -1;
}

void TList::Insert(int Index, TObject* Item) {
    CheckIndex(Index, Count());
    FItems.insert(FItems.begin() + Index, Item);
}

int TList::Remove(const TObject* Item) {
    const int i = IndexOf(Item);
    if (i >= 0) Delete(i);
    return i;
}

TObject* TList::Items(int Index) const {
    CheckIndex(Index, Count() - 1);
    return FItems[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, TObject* Item) {
    CheckIndex(Index, Count() - 1);
    FItems[static_cast<size_t>(Index)] = Item;
}

// ---------------------------------------------------------------------------------------------
// Shared helpers

namespace scbind {

namespace {
// Handles of the objects scripts made; the program's own objects (a canvas's font, a document's
// root, the application) are not the script's to free.
std::unordered_set<std::int32_t>& MadeHandles() {
    static std::unordered_set<std::int32_t> handles;
    return handles;
}
} // namespace

TObject* ScriptMade(TObject* Object) {
    if (Object) MadeHandles().insert(TObjectHandles::HandleOf(Object));
    return Object;
}

TObject* NewInstance(const TClassInfo* Cls, TComponent* Owner) {
    if (!Cls) throw EInvalidOperation(QStringLiteral("No class to create"));
    if (Cls == TObjectClassInfo()) return ScriptMade(std::make_unique<TObject>().release());
    return ScriptMade(Cls->CreateInstance(Owner));
}

const TClassInfo* NamedClass(const QString& Name, const TClassInfo* Parent) {
    static std::mutex lock;
    std::lock_guard guard(lock);
    if (const TClassInfo* known = GetClass(Name)) return known;
    const TClassInfo* made = TypInfoDetail::NewClassInfo(Name, Parent);
    RegisterClass(made);
    return made;
}

void AddEnumList(TscScript* S, const QString& Typ, const QString& Names, bool IsSet) {
    // The lists are written by hand: blanks are missing or doubled in places.
    QStringList parts;
    for (const QString& p : Names.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts))
        parts << p;
    const QString joined = parts.join(QLatin1Char(','));
    if (IsSet)
        S->AddEnumSet(Typ, joined);
    else
        S->AddEnum(Typ, joined);
}

QString BytesToText(const QByteArray& Bytes) {
    return QString::fromLatin1(Bytes);
}

QByteArray TextToBytes(const QString& Text) {
    QByteArray r;
    r.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const char16_t c = Text[i].unicode();
        if (c > 0xFF)
            throw EConvertError(
                QStringLiteral("Character %1 at position %2 is not a byte").arg(int(c)).arg(i + 1));
        r.append(static_cast<char>(c));
    }
    return r;
}

} // namespace scbind

using namespace scbind;

namespace sc_iclassesrtti {

namespace {

bool Is(const QString& Name, const char* Literal) {
    return Name == QLatin1String(Literal);
}

// Frees what a script frees: XML items leave their parent, components their owner.
void FreeObject(TObject* Instance) {
    if (!Instance) return;
    if (auto* item = dynamic_cast<TscXMLItem*>(Instance); item && item->Parent()) {
        item->Free();
        return;
    }
    if (!MadeHandles().erase(TObjectHandles::HandleOf(Instance)))
        throw EInvalidOperation(
            QStringLiteral("%1 belongs to the program; a script frees only what it created").arg(Instance->ClassName()));
    std::unique_ptr<TObject>{Instance}.reset();
}

void AssignObject(TObject* Dest, TObject* Source) {
    if (auto* d = dynamic_cast<TStrings*>(Dest)) {
        if (auto* s = dynamic_cast<TStrings*>(Source)) return d->Assign(*s);
    } else if (auto* d = dynamic_cast<TPersistent*>(Dest)) {
        return d->Assign(dynamic_cast<TPersistent*>(Source));
    } else if (auto* d = dynamic_cast<TFont*>(Dest)) {
        if (auto* s = dynamic_cast<TFont*>(Source)) return d->Assign(*s);
    } else if (auto* d = dynamic_cast<TPen*>(Dest)) {
        if (auto* s = dynamic_cast<TPen*>(Source)) return d->Assign(*s);
    } else if (auto* d = dynamic_cast<TBrush*>(Dest)) {
        if (auto* s = dynamic_cast<TBrush*>(Source)) return d->Assign(*s);
    } else if (auto* d = dynamic_cast<TPicture*>(Dest)) {
        if (auto* s = dynamic_cast<TPicture*>(Source)) return d->Assign(*s);
        if (auto* g = dynamic_cast<TGraphic*>(Source)) return d->SetGraphic(g);
    } else if (auto* d = dynamic_cast<TGraphic*>(Dest)) {
        if (auto* s = dynamic_cast<TGraphic*>(Source)) return d->Assign(*s);
    }
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2")
                            .arg(Source ? Source->ClassName() : QStringLiteral("nil"),
                                 Dest ? Dest->ClassName() : QStringLiteral("nil")));
}

QString Text(const Variant& V) {
    return V.ToString();
}

} // namespace

const TClassInfo* TFunctions::ListClass() {
    return HostClass<TList>("TList", TObjectClassInfo());
}
const TClassInfo* TFunctions::StreamClass() {
    return HostClass<TStream>("TStream", TObjectClassInfo());
}
const TClassInfo* TFunctions::FileStreamClass() {
    return HostClass<TFileStream>("TFileStream", StreamClass());
}
const TClassInfo* TFunctions::MemoryStreamClass() {
    return HostClass<TMemoryStream>("TMemoryStream", StreamClass());
}
const TClassInfo* TFunctions::XMLItemClass() {
    return HostClass<TscXMLItem>("TscXMLItem", TObjectClassInfo());
}
const TClassInfo* TFunctions::XMLDocumentClass() {
    return HostClass<TscXMLDocument>("TscXMLDocument", TObjectClassInfo());
}

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    TscScript* s = FScript;
    RegisterStandardClasses();
    const std::pair<const char*, int> consts[] = {{"fmCreate", 0xFF00},       {"fmOpenRead", 0},
                                                  {"fmOpenWrite", 1},         {"fmOpenReadWrite", 2},
                                                  {"fmShareExclusive", 0x10}, {"fmShareDenyWrite", 0x20},
                                                  {"fmShareDenyNone", 0x40},  {"soFromBeginning", 0},
                                                  {"soFromCurrent", 1},       {"soFromEnd", 2}};
    for (const auto& [name, value] : consts)
        s->AddConst(QString::fromLatin1(name), QStringLiteral("Integer"), Variant(value));
    AddEnumList(s, QStringLiteral("TDuplicates"), QStringLiteral("dupIgnore, dupAccept, dupError"), false);
    AddEnumList(s, QStringLiteral("TPrinterOrientation"), QStringLiteral("poPortrait, poLandscape"), false);

    auto call = [this](Variant (TFunctions::*fn)(TObject*, const QString&, TscMethodHelper*)) {
        return TscCallMethodNewEvent([this, fn](TObject* inst, const TClassInfo*, const QString& name,
                                                TscMethodHelper* c) { return (this->*fn)(inst, name, c); });
    };
    const TscGetValueEvent get = &TFunctions::GetHostProperty;
    const TscSetValueEvent set = &TFunctions::SetHostProperty;
    auto M = [](TscClassVariable* c, const char* syntax, const TscCallMethodNewEvent& e) {
        c->AddMethod(QString::fromLatin1(syntax), e);
    };
    auto Ctor = [](TscClassVariable* c, const char* syntax, const TscCallMethodNewEvent& e) {
        c->AddConstructor(QString::fromLatin1(syntax), e);
    };

    const TscCallMethodNewEvent objectCall = [this](TObject* inst, const TClassInfo* cls, const QString& name,
                                                    TscMethodHelper* c) {
        return CallObject(inst, cls, name, c);
    };
    TscClassVariable* c = s->AddClass(TObjectClassInfo(), QString());
    Ctor(c, "constructor Create", objectCall);
    M(c, "procedure Free", objectCall);
    M(c, "function ClassName: String", objectCall);

    c = s->AddClass(TPersistent::StaticClassInfo(), QStringLiteral("TObject"));
    // String lists, fonts, pens and brushes have records outside TPersistent's line here, so
    // the source is any object and the call-back refuses pairs that cannot be assigned.
    M(c, "procedure Assign(Source: TObject)", objectCall);

    s->AddClass(TCollectionItem::StaticClassInfo(), QStringLiteral("TPersistent"));

    const auto collCall = call(&TFunctions::CallCollection);
    c = s->AddClass(TCollection::StaticClassInfo(), QStringLiteral("TPersistent"));
    M(c, "procedure Clear", collCall);
    c->AddProperty(QStringLiteral("Count"), QStringLiteral("Integer"), get);
    c->AddDefaultProperty(QStringLiteral("Items"), QStringLiteral("Integer"),
                          QStringLiteral("TCollectionItem"), collCall, true);

    const auto listCall = call(&TFunctions::CallList);
    c = s->AddClass(ListClass(), QStringLiteral("TObject"));
    M(c, "function Add(Item: TObject): Integer", listCall);
    M(c, "procedure Clear", listCall);
    M(c, "procedure Delete(Index: Integer)", listCall);
    M(c, "function IndexOf(Item: TObject): Integer", listCall);
    M(c, "procedure Insert(Index: Integer; Item: TObject)", listCall);
    M(c, "function Remove(Item: TObject): Integer", listCall);
    c->AddProperty(QStringLiteral("Count"), QStringLiteral("Integer"), get);
    c->AddDefaultProperty(QStringLiteral("Items"), QStringLiteral("Integer"), QStringLiteral("TObject"),
                          listCall);

    const TscCallMethodNewEvent strCall = [this](TObject* inst, const TClassInfo* cls, const QString& name,
                                                 TscMethodHelper* h) {
        return CallStrings(inst, cls, name, h);
    };
    c = s->AddClass(TStringsClassInfo(), QStringLiteral("TPersistent"));
    Ctor(c, "constructor Create", strCall);
    M(c, "function Add(const S: string): Integer", strCall);
    M(c, "function AddObject(const S: string; AObject: TObject): Integer", strCall);
    M(c, "procedure Clear", strCall);
    M(c, "procedure Delete(Index: Integer)", strCall);
    M(c, "function IndexOf(const S: string): Integer", strCall);
    M(c, "function IndexOfName(const Name: string): Integer", strCall);
    M(c, "function IndexOfObject(AObject: TObject): Integer", strCall);
    M(c, "procedure Insert(Index: Integer; const S: string)", strCall);
    M(c, "procedure InsertObject(Index: Integer; const S: string; AObject: TObject)", strCall);
    M(c, "procedure LoadFromFile(const FileName: string)", strCall);
    M(c, "procedure LoadFromStream(Stream: TStream)", strCall);
    M(c, "procedure SaveToFile(const FileName: string)", strCall);
    M(c, "procedure Move(CurIndex, NewIndex: Integer)", strCall);
    M(c, "procedure SaveToStream(Stream: TStream)", strCall);
    c->AddProperty(QStringLiteral("CommaText"), QStringLiteral("string"), get, set);
    c->AddProperty(QStringLiteral("Count"), QStringLiteral("Integer"), get);
    c->AddIndexProperty(QStringLiteral("Names"), QStringLiteral("Integer"), QStringLiteral("string"), strCall,
                        true);
    c->AddIndexProperty(QStringLiteral("Objects"), QStringLiteral("Integer"), QStringLiteral("TObject"),
                        strCall);
    c->AddIndexProperty(QStringLiteral("Values"), QStringLiteral("String"), QStringLiteral("string"),
                        strCall);
    c->AddDefaultProperty(QStringLiteral("Strings"), QStringLiteral("Integer"), QStringLiteral("string"),
                          strCall);
    c->AddProperty(QStringLiteral("Text"), QStringLiteral("string"), get, set);

    const auto slCall = call(&TFunctions::CallStringList);
    c = s->AddClass(TStringListClassInfo(), QStringLiteral("TStrings"));
    M(c, "function Find(s: String; var Index: Integer): Boolean", slCall);
    M(c, "procedure Sort", slCall);
    c->AddProperty(QStringLiteral("Duplicates"), QStringLiteral("TDuplicates"), get, set);
    c->AddProperty(QStringLiteral("Sorted"), QStringLiteral("Boolean"), get, set);

    const auto streamCall = call(&TFunctions::CallStream);
    c = s->AddClass(StreamClass(), QStringLiteral("TObject"));
    M(c, "function Read(var Buffer: string; Count: Longint): Longint", streamCall);
    M(c, "function Write(Buffer: string; Count: Longint): Longint", streamCall);
    M(c, "function Seek(Offset: Longint; Origin: Word): Longint", streamCall);
    M(c, "function CopyFrom(Source: TStream; Count: Longint): Longint", streamCall);
    c->AddProperty(QStringLiteral("Position"), QStringLiteral("Longint"), get, set);
    c->AddProperty(QStringLiteral("Size"), QStringLiteral("Longint"), get);

    c = s->AddClass(FileStreamClass(), QStringLiteral("TStream"));
    Ctor(c, "constructor Create(Filename: String; Mode: Word)", streamCall);

    const auto memCall = call(&TFunctions::CallMemoryStream);
    c = s->AddClass(MemoryStreamClass(), QStringLiteral("TStream"));
    M(c, "procedure Clear", memCall);
    M(c, "procedure LoadFromStream(Stream: TStream)", memCall);
    M(c, "procedure LoadFromFile(Filename: String)", memCall);
    M(c, "procedure SaveToStream(Stream: TStream)", memCall);
    M(c, "procedure SaveToFile(Filename: String)", memCall);

    const TscCallMethodNewEvent compCall = [this](TObject*, const TClassInfo* cls, const QString& name,
                                                  TscMethodHelper* h) { return CallComponent(cls, name, h); };
    c = s->AddClass(TComponent::StaticClassInfo(), QStringLiteral("TPersistent"));
    Ctor(c, "constructor Create(AOwner: TComponent)", compCall);
    c->AddProperty(QStringLiteral("Owner"), QStringLiteral("TComponent"), get);

    const auto xmlCall = call(&TFunctions::CallXMLItem);
    c = s->AddClass(XMLItemClass(), QStringLiteral("TObject"));
    Ctor(c, "constructor Create", xmlCall);
    M(c, "procedure AddItem(Item: TscXMLItem)", xmlCall);
    M(c, "procedure Clear", xmlCall);
    M(c, "procedure InsertItem(Index: Integer; Item: TscXMLItem)", xmlCall);
    M(c, "function Add: TscXMLItem", xmlCall);
    M(c, "function Find(const Name: String): Integer", xmlCall);
    M(c, "function FindItem(const Name: String): TscXMLItem", xmlCall);
    M(c, "function Root: TscXMLItem", xmlCall);
    c->AddProperty(QStringLiteral("Data"), QStringLiteral("Integer"), get, set);
    c->AddProperty(QStringLiteral("Count"), QStringLiteral("Integer"), get);
    c->AddDefaultProperty(QStringLiteral("Items"), QStringLiteral("Integer"), QStringLiteral("TscXMLItem"),
                          xmlCall, true);
    c->AddIndexProperty(QStringLiteral("Prop"), QStringLiteral("String"), QStringLiteral("String"), xmlCall);
    c->AddProperty(QStringLiteral("Name"), QStringLiteral("String"), get, set);
    c->AddProperty(QStringLiteral("Parent"), QStringLiteral("TscXMLItem"), get);
    c->AddProperty(QStringLiteral("Text"), QStringLiteral("String"), get, set);

    const auto docCall = call(&TFunctions::CallXMLDocument);
    c = s->AddClass(XMLDocumentClass(), QStringLiteral("TObject"));
    Ctor(c, "constructor Create", docCall);
    M(c, "procedure SaveToStream(Stream: TStream)", docCall);
    M(c, "procedure LoadFromStream(Stream: TStream)", docCall);
    M(c, "procedure SaveToFile(const FileName: String)", docCall);
    M(c, "procedure LoadFromFile(const FileName: String)", docCall);
    c->AddProperty(QStringLiteral("Root"), QStringLiteral("TscXMLItem"), get);
}

Variant TFunctions::CallObject(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                               TscMethodHelper* C) {
    if (Is(Name, "CREATE")) return Obj(NewInstance(Cls, nullptr));
    if (Is(Name, "FREE")) {
        FreeObject(Instance);
        return None();
    }
    if (Is(Name, "CLASSNAME")) return Variant(Self<TObject>(Instance, Name).ClassName());
    if (Is(Name, "ASSIGN")) {
        AssignObject(&Self<TObject>(Instance, Name), ArgObject(C, 0));
        return None();
    }
    return None();
}

Variant TFunctions::CallCollection(TObject* Instance, const QString& Name, TscMethodHelper* C) {
    auto& coll = Self<TCollection>(Instance, Name);
    if (Is(Name, "CLEAR"))
        coll.Clear();
    else if (Is(Name, "ITEMS.GET"))
        return Obj(coll.Items(Arg(C, 0).ToInt()));
    return None();
}

Variant TFunctions::CallList(TObject* Instance, const QString& Name, TscMethodHelper* C) {
    auto& list = Self<TList>(Instance, Name);
    if (Is(Name, "ADD")) return Variant(list.Add(ArgObject(C, 0)));
    if (Is(Name, "CLEAR"))
        list.Clear();
    else if (Is(Name, "DELETE"))
        list.Delete(Arg(C, 0).ToInt());
    else if (Is(Name, "INDEXOF"))
        return Variant(list.IndexOf(ArgObject(C, 0)));
    else if (Is(Name, "INSERT"))
        list.Insert(Arg(C, 0).ToInt(), ArgObject(C, 1));
    else if (Is(Name, "REMOVE"))
        return Variant(list.Remove(ArgObject(C, 0)));
    else if (Is(Name, "ITEMS.GET"))
        return Obj(list.Items(Arg(C, 0).ToInt()));
    else if (Is(Name, "ITEMS.SET"))
        list.SetItems(Arg(C, 0).ToInt(), ArgObject(C, 1));
    return None();
}

Variant TFunctions::CallStrings(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                TscMethodHelper* C) {
    if (Is(Name, "CREATE")) return Obj(NewInstance(Cls, nullptr));
    auto& sl = Self<TStrings>(Instance, Name);
    if (Is(Name, "ADD")) return Variant(sl.Add(Text(Arg(C, 0))));
    if (Is(Name, "ADDOBJECT")) return Variant(sl.AddObject(Text(Arg(C, 0)), ArgObject(C, 1)));
    if (Is(Name, "CLEAR"))
        sl.Clear();
    else if (Is(Name, "DELETE"))
        sl.Delete(Arg(C, 0).ToInt());
    else if (Is(Name, "INDEXOF"))
        return Variant(sl.IndexOf(Text(Arg(C, 0))));
    else if (Is(Name, "INDEXOFNAME"))
        return Variant(sl.IndexOfName(Text(Arg(C, 0))));
    else if (Is(Name, "INDEXOFOBJECT"))
        return Variant(sl.IndexOfObject(ArgObject(C, 0)));
    else if (Is(Name, "INSERT"))
        sl.Insert(Arg(C, 0).ToInt(), Text(Arg(C, 1)));
    else if (Is(Name, "INSERTOBJECT"))
        sl.InsertObject(Arg(C, 0).ToInt(), Text(Arg(C, 1)), ArgObject(C, 2));
    else if (Is(Name, "LOADFROMFILE"))
        sl.LoadFromFile(Text(Arg(C, 0)));
    else if (Is(Name, "LOADFROMSTREAM"))
        sl.LoadFromStream(ArgRef<TStream>(C, 0));
    else if (Is(Name, "SAVETOFILE"))
        sl.SaveToFile(Text(Arg(C, 0)));
    else if (Is(Name, "SAVETOSTREAM"))
        sl.SaveToStream(ArgRef<TStream>(C, 0));
    else if (Is(Name, "MOVE"))
        sl.Move(Arg(C, 0).ToInt(), Arg(C, 1).ToInt());
    else if (Is(Name, "NAMES.GET")) {
        const int i = Arg(C, 0).ToInt();
        sl.Get(i); // the host's index error for a line that is not there
        return Variant(sl.Names(i));
    } else if (Is(Name, "OBJECTS.GET"))
        return Obj(sl.Objects(Arg(C, 0).ToInt()));
    else if (Is(Name, "OBJECTS.SET"))
        sl.SetObjects(Arg(C, 0).ToInt(), ArgObject(C, 1));
    else if (Is(Name, "VALUES.GET"))
        return Variant(sl.Values(Text(Arg(C, 0))));
    else if (Is(Name, "VALUES.SET"))
        sl.SetValues(Text(Arg(C, 0)), Text(Arg(C, 1)));
    else if (Is(Name, "STRINGS.GET"))
        return Variant(sl.Get(Arg(C, 0).ToInt()));
    else if (Is(Name, "STRINGS.SET"))
        sl.Put(Arg(C, 0).ToInt(), Text(Arg(C, 1)));
    return None();
}

Variant TFunctions::CallStringList(TObject* Instance, const QString& Name, TscMethodHelper* C) {
    auto& sl = Self<TStringList>(Instance, Name);
    if (Is(Name, "FIND")) {
        int index = 0;
        const bool found = sl.Find(Text(Arg(C, 0)), index);
        C->SetVParam(1, Variant(index));
        return Variant(found);
    }
    if (Is(Name, "SORT")) sl.Sort();
    return None();
}

Variant TFunctions::CallStream(TObject* Instance, const QString& Name, TscMethodHelper* C) {
    if (Is(Name, "CREATE")) {
        const auto mode = static_cast<quint16>(Arg(C, 1).ToInt());
        return Obj(ScriptMade(std::make_unique<TFileStream>(Text(Arg(C, 0)), mode).release()));
    }
    auto& st = Self<TStream>(Instance, Name);
    if (Is(Name, "READ")) {
        // Never more than was asked and never past the stream's end; the text holds exactly the
        // bytes read, one character each.
        const Int64 count = std::max<Int64>(0, Arg(C, 1).ToInt64());
        const Int64 left = std::max<Int64>(0, st.Size() - st.Position());
        QByteArray buffer(static_cast<qsizetype>(std::min(count, left)), '\0');
        const Int64 got = buffer.isEmpty() ? 0 : st.Read(buffer.data(), buffer.size());
        buffer.truncate(static_cast<qsizetype>(std::max<Int64>(0, got)));
        C->SetVParam(0, Variant(BytesToText(buffer)));
        return Variant(static_cast<int>(buffer.size()));
    }
    if (Is(Name, "WRITE")) {
        // Count beyond the text writes the text only: nothing is read past its end.
        const QString text = Text(Arg(C, 0));
        const Int64 count = std::clamp<Int64>(Arg(C, 1).ToInt64(), 0, text.size());
        const QByteArray bytes = TextToBytes(text.left(static_cast<qsizetype>(count)));
        return Variant(static_cast<int>(bytes.isEmpty() ? 0 : st.Write(bytes.constData(), bytes.size())));
    }
    if (Is(Name, "SEEK"))
        return Variant(
            static_cast<long long>(st.Seek(Arg(C, 0).ToInt64(), static_cast<quint16>(Arg(C, 1).ToInt()))));
    if (Is(Name, "COPYFROM"))
        return Variant(static_cast<long long>(st.CopyFrom(ArgRef<TStream>(C, 0), Arg(C, 1).ToInt64())));
    return None();
}

Variant TFunctions::CallMemoryStream(TObject* Instance, const QString& Name, TscMethodHelper* C) {
    auto& ms = Self<TMemoryStream>(Instance, Name);
    if (Is(Name, "CLEAR"))
        ms.Clear();
    else if (Is(Name, "LOADFROMSTREAM"))
        ms.LoadFromStream(ArgRef<TStream>(C, 0));
    else if (Is(Name, "LOADFROMFILE"))
        ms.LoadFromFile(Text(Arg(C, 0)));
    else if (Is(Name, "SAVETOSTREAM"))
        ms.SaveToStream(ArgRef<TStream>(C, 0));
    else if (Is(Name, "SAVETOFILE"))
        ms.SaveToFile(Text(Arg(C, 0)));
    return None();
}

Variant TFunctions::CallComponent(const TClassInfo* Cls, const QString& Name, TscMethodHelper* C) {
    if (Is(Name, "CREATE")) return Obj(NewInstance(Cls, ArgAs<TComponent>(C, 0)));
    return None();
}

Variant TFunctions::CallXMLItem(TObject* Instance, const QString& Name, TscMethodHelper* C) {
    if (Is(Name, "CREATE")) return Obj(ScriptMade(std::make_unique<TscXMLItem>().release()));
    auto& item = Self<TscXMLItem>(Instance, Name);
    if (Is(Name, "ADDITEM"))
        item.AddItem(ArgAs<TscXMLItem>(C, 0));
    else if (Is(Name, "CLEAR"))
        item.Clear();
    else if (Is(Name, "INSERTITEM"))
        item.InsertItem(Arg(C, 0).ToInt(), ArgAs<TscXMLItem>(C, 1));
    else if (Is(Name, "ADD"))
        return Obj(item.Add());
    else if (Is(Name, "FIND"))
        return Variant(item.Find(Text(Arg(C, 0))));
    else if (Is(Name, "FINDITEM"))
        return Obj(item.FindItem(Text(Arg(C, 0))));
    else if (Is(Name, "ROOT"))
        return Obj(item.Root());
    else if (Is(Name, "ITEMS.GET"))
        return Obj(item.Items(Arg(C, 0).ToInt()));
    else if (Is(Name, "PROP.GET"))
        return Variant(item.Prop(Text(Arg(C, 0))));
    else if (Is(Name, "PROP.SET"))
        item.SetProp(Text(Arg(C, 0)), Text(Arg(C, 1)));
    return None();
}

Variant TFunctions::CallXMLDocument(TObject* Instance, const QString& Name, TscMethodHelper* C) {
    if (Is(Name, "CREATE")) return Obj(ScriptMade(std::make_unique<TscXMLDocument>().release()));
    auto& doc = Self<TscXMLDocument>(Instance, Name);
    if (Is(Name, "SAVETOSTREAM"))
        doc.SaveToStream(ArgRef<TStream>(C, 0));
    else if (Is(Name, "LOADFROMSTREAM"))
        doc.LoadFromStream(ArgRef<TStream>(C, 0));
    else if (Is(Name, "SAVETOFILE"))
        doc.SaveToFile(Text(Arg(C, 0)));
    else if (Is(Name, "LOADFROMFILE"))
        doc.LoadFromFile(Text(Arg(C, 0)));
    return None();
}

Variant TFunctions::GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name) {
    if (Cls == TCollection::StaticClassInfo()) {
        if (Is(Name, "COUNT")) return Variant(Self<TCollection>(Instance, Name).Count());
    } else if (Cls == ListClass()) {
        if (Is(Name, "COUNT")) return Variant(Self<TList>(Instance, Name).Count());
    } else if (Cls == TStringsClassInfo()) {
        auto& sl = Self<TStrings>(Instance, Name);
        if (Is(Name, "COMMATEXT")) return Variant(sl.CommaText());
        if (Is(Name, "COUNT")) return Variant(sl.Count());
        if (Is(Name, "TEXT")) return Variant(sl.Text());
    } else if (Cls == TStringListClassInfo()) {
        auto& sl = Self<TStringList>(Instance, Name);
        if (Is(Name, "DUPLICATES")) return Variant(static_cast<int>(sl.Duplicates()));
        if (Is(Name, "SORTED")) return Variant(sl.Sorted());
    } else if (Cls == StreamClass()) {
        auto& st = Self<TStream>(Instance, Name);
        if (Is(Name, "POSITION")) return Variant(static_cast<long long>(st.Position()));
        if (Is(Name, "SIZE")) return Variant(static_cast<long long>(st.Size()));
    } else if (Cls == TComponent::StaticClassInfo()) {
        if (Is(Name, "OWNER")) return Obj(Self<TComponent>(Instance, Name).Owner());
    } else if (Cls == XMLItemClass()) {
        auto& item = Self<TscXMLItem>(Instance, Name);
        if (Is(Name, "DATA")) return Variant(static_cast<int>(reinterpret_cast<std::intptr_t>(item.Data())));
        if (Is(Name, "COUNT")) return Variant(item.Count());
        if (Is(Name, "NAME")) return Variant(item.Name());
        if (Is(Name, "PARENT")) return Obj(item.Parent());
        if (Is(Name, "TEXT")) return Variant(item.Text());
    } else if (Cls == XMLDocumentClass()) {
        if (Is(Name, "ROOT")) return Obj(Self<TscXMLDocument>(Instance, Name).Root());
    }
    return None();
}

void TFunctions::SetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                 const Variant& Value) {
    if (Cls == TStringsClassInfo()) {
        auto& sl = Self<TStrings>(Instance, Name);
        if (Is(Name, "COMMATEXT"))
            sl.SetCommaText(Value.ToString());
        else if (Is(Name, "TEXT"))
            sl.SetText(Value.ToString());
    } else if (Cls == TStringListClassInfo()) {
        auto& sl = Self<TStringList>(Instance, Name);
        if (Is(Name, "DUPLICATES")) {
            const int v = Value.ToInt();
            if (v < dupIgnore || v > dupError)
                throw ERangeError(QStringLiteral("Duplicates: %1 is not a TDuplicates value").arg(v));
            sl.SetDuplicates(static_cast<TDuplicates>(v));
        } else if (Is(Name, "SORTED")) {
            sl.SetSorted(Value.ToBool());
        }
    } else if (Cls == StreamClass()) {
        if (Is(Name, "POSITION")) Self<TStream>(Instance, Name).SetPosition(Value.ToInt64());
    } else if (Cls == XMLItemClass()) {
        auto& item = Self<TscXMLItem>(Instance, Name);
        if (Is(Name, "DATA"))
            item.SetData(reinterpret_cast<void*>(static_cast<std::intptr_t>(Value.ToInt())));
        else if (Is(Name, "NAME"))
            item.SetName(Value.ToString());
        else if (Is(Name, "TEXT"))
            item.SetText(Value.ToString());
    }
}

} // namespace sc_iclassesrtti

void RegisterHostRTTIModules() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The class records first: a property record resolves its class once and keeps it.
        RegisterStandardClasses();
        for (auto record :
             {&sc_iclassesrtti::TFunctions::ListClass, &sc_iclassesrtti::TFunctions::MemoryStreamClass,
              &sc_iclassesrtti::TFunctions::FileStreamClass, &sc_iclassesrtti::TFunctions::XMLItemClass,
              &sc_iclassesrtti::TFunctions::XMLDocumentClass, &sc_igraphicsrtti::TFunctions::CanvasClass,
              &sc_igraphicsrtti::TFunctions::PictureClass, &sc_igraphicsrtti::TFunctions::BitmapClass,
              &sc_igraphicsrtti::TFunctions::MetafileClass,
              &sc_igraphicsrtti::TFunctions::MetafileCanvasClass, &sc_iinirtti::TFunctions::IniFileClass,
              &sc_iinirtti::TFunctions::MemIniFileClass, &sc_ichartrtti::TFunctions::ChartClass,
              &sc_ichartrtti::TFunctions::BarSeriesClass})
            record();
        RegisterRTTIModule(&sc_iclassesrtti::TFunctions::Make);
        RegisterRTTIModule(&sc_igraphicsrtti::TFunctions::Make);
        RegisterRTTIModule(&sc_iformsrtti::TFunctions::Make);
        RegisterRTTIModule(&sc_idialogsrtti::TFunctions::Make);
        RegisterRTTIModule(&sc_iinirtti::TFunctions::Make);
        RegisterRTTIModule(&sc_ichartrtti::TFunctions::Make);
    });
}
