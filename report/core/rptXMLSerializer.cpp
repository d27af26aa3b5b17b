#include "report/core/rptXMLSerializer.h"

#include "platform/gfx/Metafile.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/StoredMetafile.h"
#include "platform/rtl/SingleByteCodec.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtl/Variant.h"
#include "platform/rtti/Filer.h"
#include "platform/rtti/NameIndex.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/core/rptWideStrings.h"

#include <QBuffer>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <typeinfo>

namespace {

// Objects nest a few levels in real templates (report, page, band, object, dialog panels);
// deeper elements are refused, so that no walk over the tree runs out of stack.
constexpr int MaxObjectDepth = 200;
// Sub-object paths (Font.Name, Frame.LeftLine.Color) are short; a property that hands back its
// own holder must not send the writer round in circles.
constexpr int MaxSubObjectDepth = 8;

bool IsBlank(QChar c) {
    return c.unicode() <= ' ';
}

[[noreturn]] void RangeError(const TPropInfo* p, Int64 v) {
    throw ERangeError(QStringLiteral("%1: %2 is out of range %3..%4")
                          .arg(p->Name())
                          .arg(v)
                          .arg(p->MinOrd())
                          .arg(p->MaxOrd()));
}

void SetOrdChecked(TObject* obj, const TPropInfo* p, Int64 v) {
    if (v < p->MinOrd() || v > p->MaxOrd()) RangeError(p, v);
    p->SetOrd(obj, v);
}

bool ParseInt(QStringView s, Int64& v) {
    bool ok = false;
    v = s.trimmed().toLongLong(&ok, 10);
    return ok;
}

Int64 ReadInt(const QString& s) {
    Int64 v = 0;
    if (ParseInt(s, v)) return v;
    // The runtime's reading (hexadecimal with "$", its message for anything else).
    return StrToInt64(s);
}

// Either "." or "," as the decimal separator, blanks ignored (what ReportStrToFloat reads); plain
// numbers take a short way that does not depend on the locale.
double ReadFloat(const QString& s) {
    const QStringView t = QStringView(s).trimmed();
    if (!t.isEmpty() && t.size() < 64) {
        char buf[64];
        int n = 0;
        int seps = 0;
        bool plain = true;
        for (QChar c : t) {
            const char16_t u = c.unicode();
            if (u >= '0' && u <= '9')
                buf[n++] = static_cast<char>(u);
            else if (u == '.' || u == ',') {
                buf[n++] = '.';
                ++seps;
            } else if ((u == '-' || u == '+') && n == 0)
                buf[n++] = static_cast<char>(u);
            else {
                plain = false;
                break;
            }
        }
        if (plain && seps <= 1) {
            // from_chars rounds as the locale's reading does and is many times faster; it takes
            // no "+" and no trailing ".", which go the locale's way.
            double fast = 0;
            const auto [end, ec] = std::from_chars(buf, buf + n, fast);
            if (ec == std::errc() && end == buf + n) return fast;
            bool ok = false;
            const double v = QLocale::c().toDouble(QLatin1String(buf, n), &ok);
            if (ok) return v;
        }
    }
    return ReportStrToFloat(s);
}

// What a text object writes: its lines joined by CR LF, one trailing CR LF removed.
QString ChopLineEnd(QString s) {
    if (s.endsWith(QLatin1String("\r\n"))) s.chop(2);
    return s;
}

QString StringsText(const TStrings* list) {
    return list ? ChopLineEnd(list->Text()) : QString();
}

QString FloatText(double v) {
    return FloatToStr(v);
}

QByteArray DefinedPropertyData(TObject* obj) {
    auto* p = dynamic_cast<TPersistent*>(obj);
    if (!p) return QByteArray();
    TWriter w;
    w.WriteDefinedProperties(p);
    return w.Data();
}

// A picture has no published properties: it goes whole as the defined property "Data", the
// graphic's class name as a one-byte-length string followed by the graphic's own file data.
QByteArray PictureData(TPicture* picture) {
    TGraphic* g = picture ? picture->Graphic() : nullptr;
    if (!g) return QByteArray();
    const QByteArray cls = g->ClassName().toLatin1().left(255);
    QByteArray bytes;
    bytes.append(static_cast<char>(cls.size()));
    bytes.append(cls);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly | QIODevice::Append);
    g->SaveToStream(buffer);
    buffer.close();
    TWriter w;
    w.WritePropName(QStringLiteral("Data"));
    w.WriteBinary(bytes);
    return w.Data();
}

std::unique_ptr<TGraphic> GraphicOfClass(const QByteArray& name, const QByteArray& data) {
    if (name == "TBitmap") return std::make_unique<TBitmap>();
    if (name == "TPngImage") return std::make_unique<TPngImage>();
    if (name == "TJPEGImage") return std::make_unique<TJPEGImage>();
    if (name == "TGIFImage") return std::make_unique<TGIFImage>();
    if (name == "TIcon") return std::make_unique<TIcon>();
    // Kept as the file's bytes, so a metafile that cannot be drawn here is saved back unchanged.
    if (name == "TMetafile") return std::make_unique<TStoredMetafile>();
    // A class of another program: the data tells what it is.
    return CreateGraphicForData(data.left(64));
}

// Reads what PictureData wrote; a damaged value leaves the picture as it was.
void ReadPictureData(TPicture* picture, const QByteArray& propData) {
    TReader r(propData);
    while (!r.AtEnd()) {
        const QString name = r.ReadPropName();
        if (name.compare(QLatin1String("Data"), Qt::CaseInsensitive) != 0) {
            r.SkipValue();
            continue;
        }
        const QByteArray bytes = r.ReadBinary();
        if (bytes.isEmpty()) {
            picture->Clear();
            continue;
        }
        const int n = static_cast<quint8>(bytes[0]);
        if (bytes.size() < 1 + n) throw EReadError(QStringLiteral("Invalid picture data"));
        const QByteArray data = bytes.mid(1 + n);
        if (data.isEmpty()) {
            picture->Clear();
            continue;
        }
        std::unique_ptr<TGraphic> g = GraphicOfClass(bytes.mid(1, n), data);
        if (!g) throw EReadError(QStringLiteral("Unsupported picture data"));
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        g->LoadFromStream(buffer);
        picture->SetGraphic(std::move(g));
    }
}

// In an old single-byte document, text objects stored UTF-8 bytes as 8-bit text.
QString DecodeOldText(const QString& value) {
    const QByteArray bytes = TSingleByteCodec::Get(SystemCodePage()).FromUnicode(value);
    return QString::fromUtf8(bytes);
}

const TClassInfo* ReportComponentClass() {
    return TrptComponent::StaticClassInfo();
}

} // namespace

struct TrptXMLSerializer::TAttr {
    QStringView Name;
    QString Value;
};

namespace {

// Splits an attribute text: blanks, a name up to "=" (trailing blanks dropped), and the value
// between the next two double quotes. An empty name or a missing quote ends the text.
template <class TAttr> void ParseAttributes(const QString& text, std::vector<TAttr>& out) {
    const QChar* d = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && IsBlank(d[i]))
            ++i;
        qsizetype eq = i;
        while (eq < n && d[eq] != u'=')
            ++eq;
        if (eq >= n) return;
        qsizetype end = eq;
        while (end > i && IsBlank(d[end - 1]))
            --end;
        if (end == i) return;
        qsizetype q1 = eq + 1;
        while (q1 < n && d[q1] != u'"')
            ++q1;
        if (q1 >= n) return;
        qsizetype q2 = q1 + 1;
        while (q2 < n && d[q2] != u'"')
            ++q2;
        TAttr a;
        a.Name = QStringView(d + i, end - i);
        a.Value = QString(d + q1 + 1, (q2 < n ? q2 : n) - q1 - 1);
        out.push_back(std::move(a));
        if (q2 >= n) return;
        i = q2 + 1;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

TrptXMLSerializer::TrptXMLSerializer(TStream* Stream) : FStream(Stream) {
    FErrors.SetSorted(true);
    FErrors.SetDuplicates(dupIgnore);
}

TrptXMLSerializer::~TrptXMLSerializer() = default;

void TrptXMLSerializer::AddError(const QString& Message) {
    FErrors.Add(Message);
}

void TrptXMLSerializer::ForgetObject(const TObject* Obj) {
    FFixups.erase(std::remove_if(FFixups.begin(), FFixups.end(),
                                 [Obj](const TrptFixupItem& f) { return f.Obj == Obj; }),
                  FFixups.end());
    FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), Obj), FLoaded.end());
}

void TrptXMLSerializer::CopyFixupList(std::vector<TrptFixupItem>& List) const {
    for (const TrptFixupItem& f : FFixups)
        List.push_back(f);
}

// ---------------------------------------------------------------------------------------------
// Writing

QString TrptXMLSerializer::ObjToXML(TObject* Obj, const QString& Add, TObject* Ancestor) {
    if (!Obj) return QString();
    auto* comp = dynamic_cast<TrptComponent*>(Obj);
    if (!Ancestor && comp && OnGetAncestor) {
        TPersistent* a = nullptr;
        OnGetAncestor(comp->Name(), a);
        Ancestor = a;
    }
    auto* ancestorComp = dynamic_cast<TrptComponent*>(Ancestor);
    const bool wasWriting = comp && comp->IsWriting();
    const bool ancestorWasWriting = ancestorComp && ancestorComp->IsWriting();
    if (comp) comp->SetIsWriting(true);
    if (ancestorComp) ancestorComp->SetIsWriting(true);
    QString out;
    try {
        WriteProps(out, Obj, Add, Ancestor);
        if (comp && comp->IsTextObject()) {
            const QString text = ChopLineEnd(comp->GetXMLText());
            const bool same = ancestorComp && ancestorComp->IsTextObject() &&
                              ChopLineEnd(ancestorComp->GetXMLText()) == text;
            if (!same) {
                out += QLatin1Char(' ') + Add + QStringLiteral("Text=\"") + EscapeXMLText(text) + QLatin1Char('"');
            }
        }
        const QByteArray data = DefinedPropertyData(Obj);
        if (!data.isEmpty() && !(Ancestor && DefinedPropertyData(Ancestor) == data))
            out += QLatin1Char(' ') + Add + QStringLiteral("PropData=\"") + QString::fromLatin1(data.toHex().toUpper()) +
                   QLatin1Char('"');
    } catch (...) {
        if (comp) comp->SetIsWriting(wasWriting);
        if (ancestorComp) ancestorComp->SetIsWriting(ancestorWasWriting);
        throw;
    }
    if (comp) comp->SetIsWriting(wasWriting);
    if (ancestorComp) ancestorComp->SetIsWriting(ancestorWasWriting);
    return out;
}

void TrptXMLSerializer::WriteProps(QString& out, TObject* Obj, const QString& Add, TObject* Ancestor) {
    const TClassInfo* cls = ClassInfoOf(Obj);
    const TClassInfo* ancestorCls = Ancestor ? ClassInfoOf(Ancestor) : nullptr;
    auto put = [&](const TPropInfo* p, const QString& text) {
        out += QLatin1Char(' ');
        out += Add;
        out += p->Name();
        out += QStringLiteral("=\"");
        out += text;
        out += QLatin1Char('"');
    };
    for (const TPropInfo* p : cls->Props()) {
        const TTypeKind kind = p->Kind();
        if (kind == tkMethod || !p->IsReadable()) continue;
        // A value that cannot be read back is not written; sub-objects and lists are filled in
        // place, so they need no setter.
        if (!p->IsWritable() && kind != tkClass && kind != tkStrings) continue;
        if (!p->IsStored(Obj)) continue;
        // The ancestor is compared only through properties it has itself.
        TObject* anc = ancestorCls && ancestorCls->InheritsFrom(p->DeclaringClass()) ? Ancestor : nullptr;
        switch (kind) {
        case tkInteger:
        case tkChar:
        case tkEnumeration:
        case tkSet:
        case tkInt64: {
            const Int64 v = p->GetOrd(Obj);
            if (anc) {
                if (v == p->GetOrd(anc)) continue;
            } else if (!FSerializeDefaultValues && p->HasDefault() && v == p->Default().ToInt64()) {
                continue;
            }
            if (kind == tkEnumeration) {
                const QString name = GetEnumName(p->PropType(), static_cast<int>(v));
                put(p, name.isEmpty() ? QString::number(v) : name);
            } else {
                put(p, QString::number(v));
            }
            break;
        }
        case tkFloat: {
            const double v = p->GetFloat(Obj);
            if (anc && std::fabs(v - p->GetFloat(anc)) <= 1e-6) continue;
            put(p, FloatText(v));
            break;
        }
        case tkString: {
            const QString v = p->GetStr(Obj);
            if (v.isEmpty() && !anc) continue;
            if (anc && v == p->GetStr(anc)) continue;
            put(p, EscapeXMLText(v));
            break;
        }
        case tkVariant: {
            const QString v = VarToStr(p->GetVar(Obj));
            if (anc ? v == VarToStr(p->GetVar(anc)) : v.isEmpty()) continue;
            put(p, EscapeXMLText(v));
            break;
        }
        case tkComponent: {
            auto* c = static_cast<TComponent*>(p->GetObj(Obj));
            if (anc) {
                auto* ac = static_cast<TComponent*>(p->GetObj(anc));
                const QString an = ac ? ac->Name() : QString();
                const QString cn = c ? c->Name() : QString();
                if (SameText(an, cn) && (c == nullptr) == (ac == nullptr)) continue;
                if (!c) {
                    put(p, QStringLiteral("nil"));
                    continue;
                }
            }
            if (!c) continue;
            const QString name = ComponentFullName(FOwner, c);
            if (!name.isEmpty()) put(p, EscapeXMLText(name));
            break;
        }
        case tkStrings: {
            auto* list = static_cast<TStrings*>(p->GetObj(Obj));
            // Wide string lists go as the text object's Text, never by themselves.
            if (!list || dynamic_cast<TrptWideStrings*>(list)) continue;
            const QString text = StringsText(list);
            if (anc) {
                if (text == StringsText(static_cast<TStrings*>(p->GetObj(anc)))) continue;
            } else if (text.isEmpty()) {
                continue;
            }
            out += QLatin1Char(' ') + Add + p->Name() + QStringLiteral(".Text=\"") + EscapeXMLText(text) +
                   QLatin1Char('"');
            break;
        }
        case tkClass: {
            TObject* sub = p->GetObj(Obj);
            if (!sub || dynamic_cast<TCollection*>(sub)) continue;
            if (Add.count(QLatin1Char('.')) >= MaxSubObjectDepth) continue;
            TObject* ancSub = anc ? p->GetObj(anc) : nullptr;
            if (auto* picture = dynamic_cast<TPicture*>(sub)) {
                const QByteArray data = PictureData(picture);
                if (!data.isEmpty() && !(ancSub && PictureData(dynamic_cast<TPicture*>(ancSub)) == data))
                    out += QLatin1Char(' ') + Add + p->Name() + QStringLiteral(".PropData=\"") +
                           QString::fromLatin1(data.toHex().toUpper()) + QLatin1Char('"');
                continue;
            }
            WriteProps(out, sub, Add + p->Name() + QLatin1Char('.'), ancSub);
            const QByteArray data = DefinedPropertyData(sub);
            if (!data.isEmpty() && !(ancSub && DefinedPropertyData(ancSub) == data))
                out += QLatin1Char(' ') + Add + p->Name() + QStringLiteral(".PropData=\"") +
                       QString::fromLatin1(data.toHex().toUpper()) + QLatin1Char('"');
            break;
        }
        default:
            break;
        }
    }
}

void TrptXMLSerializer::WriteItem(TrptComponent* C, TrptXMLItem* Item, bool SaveChildren, bool Streaming,
                                  bool IsRoot) {
    struct TFrame {
        TrptComponent* C;
        TrptXMLItem* Item;
        bool Root;
    };
    std::vector<TFrame> todo{{C, Item, IsRoot}};
    while (!todo.empty()) {
        const TFrame f = todo.back();
        todo.pop_back();
        f.Item->SetName(f.C->IsAncestor() && !Streaming ? QStringLiteral("inherited") : f.C->ClassName());
        QString text;
        if (!f.Root) text = QStringLiteral("Name=\"") + EscapeXMLText(f.C->Name()) + QLatin1Char('"');
        text += ObjToXML(f.C);
        f.Item->SetText(text);
        if (!SaveChildren) continue;
        const TrptComponentList& children = f.C->Objects();
        std::vector<TFrame> next;
        next.reserve(children.size());
        for (TrptComponent* child : children)
            next.push_back({child, f.Item->Add(), false});
        for (auto it = next.rbegin(); it != next.rend(); ++it)
            todo.push_back(*it);
    }
}

void TrptXMLSerializer::WriteRootComponent(TrptComponent* Root, bool SaveChildren, TrptXMLItem* XMLItem,
                                           bool Streaming) {
    if (!Root) return;
    if (!FOwner) FOwner = Root;
    if (XMLItem) {
        WriteItem(Root, XMLItem, SaveChildren, Streaming, true);
        return;
    }
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    WriteItem(Root, doc.Root(), SaveChildren, Streaming, true);
    if (!FStream) throw EStreamError(QStringLiteral("No stream to write to"));
    doc.SaveToStream(*FStream);
}

QString TrptXMLSerializer::WriteComponentStr(TrptComponent* C) {
    if (!C) return QString();
    return C->ClassName() + ObjToXML(C);
}

void TrptXMLSerializer::WriteComponent(TrptComponent* C) {
    if (!FStream) throw EStreamError(QStringLiteral("No stream to write to"));
    const QByteArray bytes = (QLatin1Char('<') + WriteComponentStr(C) + QStringLiteral("/>")).toUtf8();
    FStream->WriteBuffer(bytes.constData(), bytes.size());
}

// ---------------------------------------------------------------------------------------------
// Reading

void TrptXMLSerializer::XMLToObj(const QString& Text, TObject* Obj) {
    if (!Obj) return;
    // A prepared page rebuilds each object from its source object's long attribute text: a long
    // text is split once and kept by its data, which cannot change or go while it is kept here.
    // Very long texts (pictures) are not kept.
    constexpr qsizetype MinSplitKept = 128;
    constexpr qsizetype MaxSplitKept = 64 * 1024;
    constexpr size_t MaxSplitsKept = 32;
    struct TSplit {
        QString Text;
        std::vector<TAttr> Attrs;
    };
    thread_local std::vector<std::shared_ptr<const TSplit>> kept; // most recently used last
    if (Text.size() >= MinSplitKept && Text.size() <= MaxSplitKept) {
        for (size_t i = kept.size(); i-- > 0;) {
            if (!kept[i]->Text.isSharedWith(Text)) continue;
            // Held here: applying may read other texts, which reorder the list.
            const std::shared_ptr<const TSplit> split = kept[i];
            if (i + 1 < kept.size()) std::rotate(kept.begin() + static_cast<long>(i), kept.begin() + static_cast<long>(i) + 1, kept.end());
            ApplyAttributes(split->Attrs, Obj);
            return;
        }
        if (Text.isSharedWith(Text)) { // owns its data (not raw or static)
            auto split = std::make_shared<TSplit>();
            split->Text = Text;
            ParseAttributes(split->Text, split->Attrs);
            if (kept.size() >= MaxSplitsKept) kept.erase(kept.begin());
            kept.push_back(split);
            ApplyAttributes(split->Attrs, Obj);
            return;
        }
    }
    std::vector<TAttr> attrs;
    ParseAttributes(Text, attrs);
    ApplyAttributes(attrs, Obj);
}

namespace {

// The class records of the few types one object's attributes walk through (the object, its
// frame, font, lines), by exact type: looking a record up by type hashes the type's name.
struct TClassCache {
    const std::type_info* Type[6] = {};
    const TClassInfo* Info[6] = {};
    int Count = 0;
};
thread_local TClassCache* ClassCache = nullptr;

const TClassInfo* CachedClassInfo(const TObject* Obj) {
    if (!ClassCache || !Obj) return ClassInfoOf(Obj);
    const std::type_info* t = &typeid(*Obj);
    for (int i = 0; i < ClassCache->Count; ++i)
        if (ClassCache->Type[i] == t) return ClassCache->Info[i];
    const TClassInfo* info = ClassInfoOf(Obj);
    if (ClassCache->Count < 6) {
        ClassCache->Type[ClassCache->Count] = t;
        ClassCache->Info[ClassCache->Count++] = info;
    }
    return info;
}

} // namespace

void TrptXMLSerializer::ApplyAttributes(const std::vector<TAttr>& attrs, TObject* Obj) {
    TClassCache cache;
    struct TScope {
        TClassCache* Saved;
        ~TScope() { ClassCache = Saved; }
    } scope{ClassCache};
    ClassCache = &cache;
    for (const TAttr& a : attrs) {
        try {
            QString value = a.Value;
            if (value.contains(QLatin1Char('&'))) value = UnescapeXMLText(value);
            ApplyAttribute(a.Name, value, Obj);
        } catch (const Exception& e) {
            AddError(e.Message());
        } catch (const std::exception& e) {
            AddError(QString::fromLocal8Bit(e.what()));
        }
    }
}

void TrptXMLSerializer::ApplyAttribute(QStringView name, const QString& value, TObject* Obj) {
    TObject* cur = Obj;
    // A dotted name walks through published sub-objects; an unknown or empty step drops it.
    qsizetype dot;
    while ((dot = name.indexOf(QLatin1Char('.'))) >= 0) {
        const QStringView part = name.left(dot);
        const TPropInfo* p = CachedClassInfo(cur)->FindProp(part);
        if (!p || (p->Kind() != tkClass && p->Kind() != tkStrings) || !p->GetObj) return;
        cur = p->GetObj(cur);
        if (!cur) return;
        name = name.mid(dot + 1);
    }
    if (name.isEmpty()) return;

    // Only one-letter names and Text need the component (a cast through a deep hierarchy).
    const bool isText = name.size() == 4 && name.compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0;
    auto* comp = name.size() == 1 || isText ? dynamic_cast<TrptComponent*>(cur) : nullptr;
    if (name.size() == 1 && comp) {
        switch (name[0].unicode()) {
        case 'l':
            comp->SetLeft(ReadFloat(value));
            return;
        case 't':
            comp->SetTop(ReadFloat(value));
            return;
        case 'w':
            comp->SetWidth(ReadFloat(value));
            return;
        case 'h':
            comp->SetHeight(ReadFloat(value));
            return;
        case 'x':
            if (comp->IsTextObject()) comp->SetXMLText(value);
            return;
        case 'u':
            if (comp->IsTextObject()) comp->SetXMLText(FOldFormat ? DecodeOldText(value) : value);
            return;
        default:
            break;
        }
    }
    if (name.size() == 8 && name.compare(QLatin1String("PropData"), Qt::CaseInsensitive) == 0) {
        if (auto* picture = dynamic_cast<TPicture*>(cur)) {
            try {
                ReadPictureData(picture, QByteArray::fromHex(value.toLatin1()));
            } catch (const Exception&) {
                // As for any PropData: a damaged picture ends the attribute quietly.
            }
            return;
        }
        auto* persistent = dynamic_cast<TPersistent*>(cur);
        if (!persistent) return;
        const QByteArray bytes = QByteArray::fromHex(value.toLatin1());
        try {
            TReader reader(bytes);
            reader.ReadDefinedProperties(persistent);
        } catch (const Exception&) {
            // A damaged stream ends this attribute quietly; what was read stays.
        }
        return;
    }
    if (isText) {
        if (auto* list = dynamic_cast<TStrings*>(cur)) {
            list->SetText(value);
            return;
        }
        if (comp && comp->IsTextObject()) {
            comp->SetXMLText(FOldFormat ? DecodeOldText(value) : value);
            return;
        }
    }
    const TPropInfo* p = CachedClassInfo(cur)->FindProp(name);
    if (!p) return;
    if (p->Kind() == tkStrings) {
        // A list named by itself takes the text, as its Text would.
        if (auto* list = static_cast<TStrings*>(p->GetObj(cur))) list->SetText(value);
        return;
    }
    if (!p->IsWritable()) return;
    SetPropText(cur, p, value);
}

void TrptXMLSerializer::SetPropText(TObject* Obj, const TPropInfo* p, const QString& value) {
    switch (p->Kind()) {
    case tkInteger:
    case tkChar:
    case tkInt64:
        SetOrdChecked(Obj, p, ReadInt(value));
        break;
    case tkEnumeration: {
        Int64 v = 0;
        if (!ParseInt(value, v)) {
            v = GetEnumValue(p->PropType(), value);
            if (v < 0) return; // an unknown member name is ignored
        }
        SetOrdChecked(Obj, p, v);
        break;
    }
    case tkSet: {
        Int64 v = 0;
        if (!ParseInt(value, v)) v = StringToSet(p->PropType(), value);
        SetOrdChecked(Obj, p, v);
        break;
    }
    case tkFloat:
        p->SetFloat(Obj, ReadFloat(value));
        break;
    case tkString:
        // The setter of Name validates; the root report keeps its own name.
        if (p->Name() == QLatin1String("Name")) {
            auto* comp = dynamic_cast<TrptComponent*>(Obj);
            if (comp && comp->AsReport()) return;
        }
        p->SetStr(Obj, value);
        break;
    case tkVariant:
        p->SetVar(Obj, Variant(value));
        break;
    case tkComponent:
        if (value.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0)
            p->SetObj(Obj, nullptr);
        else if (!value.isEmpty())
            FFixups.push_back({Obj, p, value});
        break;
    default:
        break;
    }
}

void TrptXMLSerializer::ReadTree(TrptComponent* Root, TrptXMLItem* Item) {
    struct TFrame {
        TrptXMLItem* Item;
        TrptComponent* Parent; // null for the root element
        int Depth;
    };
    QHash<QString, const TClassInfo*> classes;
    auto classOf = [&classes](const QString& name) -> const TClassInfo* {
        auto it = classes.constFind(name);
        if (it != classes.constEnd()) return it.value();
        const TClassInfo* c = GetClass(name);
        classes.insert(name, c);
        return c;
    };
    const QString cantFind = GlobalResources()->Get(QStringLiteral("xrCantFindClass"));
    // Dialog pages holding a control of an unknown class, with that class: such a page would
    // show half its controls, so it is left out whole.
    std::vector<std::pair<TrptComponent*, QString>> brokenDialogs;
    std::vector<TAttr> attrs;
    std::vector<TFrame> todo{{Item, nullptr, 0}};
    while (!todo.empty()) {
        const TFrame f = todo.back();
        todo.pop_back();
        const QString& elementName = f.Item->Name();
        const bool inherited = elementName.compare(QLatin1String("inherited"), Qt::CaseInsensitive) == 0;
        const TClassInfo* cls = nullptr;
        if (!inherited) {
            cls = classOf(elementName);
            // Only report objects can stand in a template; a report never stands below another.
            if (!cls || !cls->InheritsFrom(ReportComponentClass()) ||
                (f.Parent && cls->InheritsFrom(TrptReport::StaticClassInfo()))) {
                AddError(cantFind + QLatin1Char(' ') + elementName);
                TrptComponent* dialog = f.Parent;
                while (dialog && !dialog->IsDialogPage())
                    dialog = dialog->Parent();
                if (dialog && std::none_of(brokenDialogs.begin(), brokenDialogs.end(),
                                           [dialog](const auto& b) { return b.first == dialog; }))
                    brokenDialogs.emplace_back(dialog, elementName);
                continue;
            }
        }
        if (f.Depth > MaxObjectDepth) {
            AddError(QStringLiteral("Objects nested too deeply: %1").arg(elementName));
            continue;
        }
        attrs.clear();
        ParseAttributes(f.Item->Text(), attrs);

        TrptComponent* obj = nullptr;
        if (!f.Parent) {
            obj = Root;
        } else {
            QString name;
            for (const TAttr& a : attrs)
                if (a.Name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) {
                    name = a.Value.contains(QLatin1Char('&')) ? UnescapeXMLText(a.Value) : a.Value;
                    break;
                }
            if (!name.isEmpty() && FOwner) obj = dynamic_cast<TrptComponent*>(FOwner->FindComponent(name));
            if (!obj) {
                if (inherited) continue; // nothing of the parent template to update
                if (!cls->CanCreate()) {
                    AddError(cantFind + QLatin1Char(' ') + elementName);
                    continue;
                }
                try {
                    obj = static_cast<TrptComponent*>(cls->CreateInstance(f.Parent));
                } catch (const Exception& e) {
                    AddError(e.Message());
                    continue;
                }
                // Created under a parent outside any report: the parent frees it.
                if (obj->Parent() != f.Parent) obj->SetParent(f.Parent);
            }
        }
        obj->SetLoading(true);
        FLoaded.push_back(obj);
        ApplyAttributes(attrs, obj);
        for (int i = f.Item->Count(); i-- > 0;)
            todo.push_back({f.Item->Items(i), obj, f.Depth + 1});
    }
    for (auto& [dialog, className] : brokenDialogs) {
        auto* report = dynamic_cast<TrptReport*>(FOwner);
        const QString file = report && !report->FileName().isEmpty() ? report->FileName() : QStringLiteral("(stream)");
        AddError(QStringLiteral("Template %1: dialog page %2 left out, it holds a control of unknown class %3")
                     .arg(file, dialog->Name(), className));
        // Taken from the parent template: only its own additions could go, so it stays.
        if (dialog->IsAncestor()) continue;
        std::vector<TrptComponent*> doomed = dialog->AllObjects();
        doomed.push_back(dialog);
        auto gone = [&doomed](const TObject* o) { return std::find(doomed.begin(), doomed.end(), o) != doomed.end(); };
        std::erase_if(FLoaded, [&](TComponent* c) { return gone(c); });
        std::erase_if(FFixups, [&](const TrptFixupItem& x) { return gone(x.Obj); });
        dialog->SetLoading(false);
        std::unique_ptr<TrptComponent> page(dialog);
    }
}

void TrptXMLSerializer::ReadRootComponent(TrptComponent* Root, TrptXMLItem* XMLItem) {
    if (!Root) return;
    if (!FOwner) FOwner = Root;
    FLoaded.clear();
    std::unique_ptr<TrptXMLDocument> doc;
    if (!XMLItem) {
        if (!FStream) throw EStreamError(QStringLiteral("No stream to read from"));
        doc = std::make_unique<TrptXMLDocument>();
        doc->LoadFromStream(*FStream, false);
        FOldFormat = doc->OldVersion();
        XMLItem = doc->Root();
    }
    try {
        ReadTree(Root, XMLItem);
        ResolveFixups(FOwner);
    } catch (...) {
        for (TComponent* c : FLoaded)
            c->SetLoading(false);
        FLoaded.clear();
        throw;
    }
    // Unmarked first, then told: Loaded may look at other objects of the tree.
    const std::vector<TComponent*> loaded = std::move(FLoaded);
    FLoaded.clear();
    for (TComponent* c : loaded)
        c->SetLoading(false);
    for (TComponent* c : loaded) {
        auto* rc = dynamic_cast<TrptComponent*>(c);
        if (rc && rc->AsReport()) continue;
        try {
            c->Loaded();
        } catch (const Exception& e) {
            AddError(e.Message());
        }
    }
}

void TrptXMLSerializer::ResolveFixups(TComponent* Root) {
    if (FFixups.empty()) return;
    // Every object under the owner by name, built once: a template holds many references.
    TNameIndex<TComponent> names;
    if (auto* rc = dynamic_cast<TrptComponent*>(Root)) {
        for (TrptComponent* c : rc->AllObjects())
            if (!c->Name().isEmpty()) names.Add(c->Name(), c);
    }
    std::vector<TrptFixupItem> fixups = std::move(FFixups);
    FFixups.clear();
    for (const TrptFixupItem& f : fixups) {
        TComponent* found = names.Find(f.Value);
        try {
            if (!found) found = FindReportComponent(Root, f.Value);
            if (found) {
                f.PropInfo->SetObj(f.Obj, found);
                continue;
            }
        } catch (const Exception& e) {
            AddError(e.Message());
            continue;
        }
        // An unresolved name changes nothing. It is worth a message only when the property is
        // still empty: a dataset bound by its user name (DataSetName) needs no design-time
        // component of the same name.
        if (!f.PropInfo->GetObj(f.Obj)) AddError(QStringLiteral("Missing ") + f.Value);
    }
}

TrptComponent* TrptXMLSerializer::ReadComponentStr(TComponent* Root, const QString& Text, bool DontFixup) {
    const QString t = Text.trimmed();
    if (t.isEmpty()) return nullptr;
    qsizetype i = 0;
    while (i < t.size() && !IsBlank(t[i]))
        ++i;
    const QString className = t.left(i);
    const TClassInfo* cls = FindClass(className);
    if (!cls->InheritsFrom(ReportComponentClass()) || !cls->CanCreate())
        throw EClassNotFound(QStringLiteral("Class %1 not found").arg(className));
    if (!FOwner) FOwner = dynamic_cast<TrptComponent*>(Root);
    auto* obj = static_cast<TrptComponent*>(cls->CreateInstance(Root));
    obj->SetLoading(true);
    XMLToObj(t.mid(i), obj);
    obj->SetLoading(false);
    if (DontFixup) {
        FFixups.clear();
    } else {
        ResolveFixups(FOwner ? FOwner : Root);
    }
    obj->Loaded();
    return obj;
}

TrptComponent* TrptXMLSerializer::ReadComponent(TComponent* Root) {
    if (!FStream) throw EStreamError(QStringLiteral("No stream to read from"));
    TrptXMLItem item;
    {
        TrptXMLReader reader(*FStream);
        reader.SetOldFormat(FOldFormat);
        reader.ReadRootItem(&item);
    }
    return ReadComponentStr(Root, item.Name() + QLatin1Char(' ') + item.Text());
}

void TrptXMLSerializer::ReadPersistentStr(TComponent* Root, TObject* Obj, const QString& Text) {
    XMLToObj(Text, Obj);
    ResolveFixups(FOwner ? FOwner : Root);
}

// ---------------------------------------------------------------------------------------------
// Collections in the binary property stream

namespace {

Variant ReadValueAsVariant(TReader& reader) {
    switch (reader.NextValue()) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        return Variant(static_cast<long long>(reader.ReadInteger()));
    case vaFalse:
    case vaTrue:
        return Variant(reader.ReadBoolean());
    case vaExtended:
    case vaDouble:
    case vaSingle:
    case vaCurrency:
    case vaDate:
        return Variant(reader.ReadFloat());
    case vaIdent:
    case vaNil:
    case vaNull:
        return Variant(reader.ReadIdent());
    case vaString:
    case vaLString:
    case vaUTF8String:
    case vaWString:
        return Variant(reader.ReadString());
    default:
        reader.SkipValue();
        return Variant();
    }
}

// Items of the class library's own collection form: an optional index, then property name and
// value pairs up to the end of the item. Old 8-bit texts kept characters above 127 as chr(1)
// followed by the code minus 128.
void ReadBinaryCollection(TCollection* collection, TReader& reader) {
    reader.ReadValue(); // the collection tag
    collection->BeginUpdate();
    try {
        collection->Clear();
        while (!reader.EndOfList()) {
            const TValueType t = reader.NextValue();
            if (t == vaInt8 || t == vaInt16 || t == vaInt32) reader.ReadInteger();
            reader.ReadListBegin();
            TCollectionItem* item = collection->Add();
            while (!reader.EndOfList()) {
                const QString name = reader.ReadPropName();
                const Variant v = ReadValueAsVariant(reader);
                const TPropInfo* p = ClassInfoOf(item)->FindProp(name);
                if (!p || v.IsEmpty()) continue;
                try {
                    if (p->Kind() == tkString || (p->Kind() == tkVariant && v.IsText()))
                        SetPropValue(item, p, Variant(DecodeCollectionText(v.ToString())));
                    else if (p->Kind() != tkComponent && p->Kind() != tkClass && p->Kind() != tkMethod)
                        SetPropValue(item, p, v);
                } catch (const Exception&) {
                    // A value the item refuses is left out, as the rest of the item is read.
                }
            }
            reader.ReadListEnd();
        }
        reader.ReadListEnd();
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    collection->EndUpdate();
}

} // namespace

void WriteCollectionXml(TCollection* Collection, TWriter& Writer, TrptComponent* Component) {
    // Korvel keeps no form resources, so the attribute-text form is the only one written.
    (void)Component;
    Writer.WriteListBegin();
    TrptXMLSerializer serializer(nullptr);
    serializer.SetOwner(Component ? static_cast<TrptComponent*>(Component->Report()) : nullptr);
    if (Collection)
        for (int i = 0; i < Collection->Count(); ++i) {
            Writer.WriteListBegin();
            Writer.WriteString(serializer.ObjToXML(Collection->Items(i)));
            Writer.WriteListEnd();
        }
    Writer.WriteListEnd();
}

void ReadCollectionXml(TCollection* Collection, TReader& Reader, TrptComponent* Component) {
    if (!Collection) {
        Reader.SkipValue();
        return;
    }
    if (Reader.NextValue() == vaCollection) {
        ReadBinaryCollection(Collection, Reader);
        return;
    }
    TrptReport* report = Component ? Component->Report() : nullptr;
    TrptXMLSerializer* loading = report ? report->XMLSerializer() : nullptr;
    // Items freed now must not be reached by references still waiting in the load.
    if (loading)
        for (int i = 0; i < Collection->Count(); ++i)
            loading->ForgetObject(Collection->Items(i));
    Collection->Clear();
    Reader.ReadListBegin();
    while (!Reader.EndOfList()) {
        Reader.ReadListBegin();
        QString text;
        if (!Reader.EndOfList()) text = Reader.ReadString();
        while (!Reader.EndOfList())
            Reader.SkipValue();
        Reader.ReadListEnd();
        TCollectionItem* item = Collection->Add();
        if (loading) {
            loading->XMLToObj(text, item);
        } else {
            TrptXMLSerializer serializer(nullptr);
            serializer.SetOwner(report);
            serializer.ReadPersistentStr(report, item, text);
        }
    }
    Reader.ReadListEnd();
}
