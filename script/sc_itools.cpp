#include "script/sc_itools.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/ObjectHandles.h"

#include <QLocale>

#include <algorithm>
#include <cctype>

namespace {

// A small reader over a declaration text: identifiers, punctuation, numbers and quoted strings.
class TDeclReader {
public:
    TDeclReader(const QString& text, bool extended) : FText(text), FExtended(extended) {}
    int Pos = 0;

    void SkipBlanks() {
        while (Pos < FText.size() && FText[Pos].isSpace())
            ++Pos;
    }
    bool IsIdentChar(QChar c, bool first) const {
        const ushort u = c.unicode();
        if (u == '_' || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')) return true;
        if (!first && u >= '0' && u <= '9') return true;
        return u >= 128 && (FExtended || c.isLetter());
    }
    QString Ident() {
        SkipBlanks();
        const int start = Pos;
        if (Pos < FText.size() && IsIdentChar(FText[Pos], true))
            while (Pos < FText.size() && IsIdentChar(FText[Pos], false))
                ++Pos;
        return FText.mid(start, Pos - start);
    }
    QChar Peek() {
        SkipBlanks();
        return Pos < FText.size() ? FText[Pos] : QChar();
    }
    QChar Char() {
        SkipBlanks();
        return Pos < FText.size() ? FText[Pos++] : QChar();
    }
    QString Number() {
        SkipBlanks();
        const int start = Pos;
        if (Pos < FText.size() && FText[Pos] == '$') {
            ++Pos;
            while (Pos < FText.size() && isxdigit(FText[Pos].unicode() & 0x7F) && FText[Pos].unicode() < 128)
                ++Pos;
            return Pos - start > 1 ? FText.mid(start, Pos - start) : (Pos = start, QString());
        }
        while (Pos < FText.size() && FText[Pos].isDigit())
            ++Pos;
        if (Pos == start) return QString();
        if (Pos + 1 < FText.size() && FText[Pos] == '.' && FText[Pos + 1].isDigit()) {
            ++Pos;
            while (Pos < FText.size() && FText[Pos].isDigit())
                ++Pos;
        }
        if (Pos < FText.size() && (FText[Pos] == 'e' || FText[Pos] == 'E')) {
            int p = Pos + 1;
            if (p < FText.size() && (FText[p] == '+' || FText[p] == '-')) ++p;
            if (p < FText.size() && FText[p].isDigit()) {
                Pos = p;
                while (Pos < FText.size() && FText[Pos].isDigit())
                    ++Pos;
            }
        }
        return FText.mid(start, Pos - start);
    }
    // A quoted string with doubled quotes, returned with one quote at each end.
    QString String() {
        SkipBlanks();
        if (Pos >= FText.size() || FText[Pos] != '\'') return QString();
        QString value;
        ++Pos;
        while (Pos < FText.size()) {
            if (FText[Pos] == '\'') {
                if (Pos + 1 < FText.size() && FText[Pos + 1] == '\'') {
                    value += '\'';
                    Pos += 2;
                    continue;
                }
                ++Pos;
                return '\'' + value + '\'';
            }
            value += FText[Pos++];
        }
        return '\'' + value + '\'';
    }

private:
    const QString& FText;
    bool FExtended;
};

} // namespace

std::unique_ptr<TscCustomVariable> ParseDeclarationText(const QString& Syntax, TscScript* Script) {
    TDeclReader r(Syntax, Script && Script->ExtendedCharset());
    QString kind = r.Ident();
    bool isMacro = false;
    if (kind.toLower().startsWith(QLatin1String("macro"))) {
        isMacro = true;
        kind = kind.mid(5);
    }
    const bool isFunc = SameText(kind, QStringLiteral("function"));
    const QString name = r.Ident();
    QString resultType;
    if (isFunc) {
        const int colon = Syntax.lastIndexOf(':');
        // A function text without a result type is taken as returning a Variant.
        resultType = colon >= 0 ? Syntax.mid(colon + 1).trimmed() : QStringLiteral("Variant");
        int end = 0;
        while (end < resultType.size() && (resultType[end].isLetterOrNumber() || resultType[end] == '_'))
            ++end;
        resultType = resultType.left(end);
    }
    auto item = std::make_unique<TscCustomVariable>(name, isFunc ? LookupVarType(resultType, Script) : fvtInt,
                                                    resultType);
    item->SetIsMacro(isMacro);
    if (r.Char() == '(') {
        for (;;) {
            bool byRef = false;
            QStringList names;
            QChar c;
            for (;;) {
                const QString id = r.Ident();
                if (id.isEmpty()) {
                    c = r.Char();
                    break;
                }
                if (SameText(id, QStringLiteral("var"))) {
                    byRef = true;
                    continue;
                }
                if (SameText(id, QStringLiteral("const"))) continue;
                names << id;
                c = r.Char();
                if (c != ',') break;
            }
            if (c == ')' && names.isEmpty()) break;
            QString typeName;
            Variant def = Variant::Null();
            if (c == ':') {
                typeName = r.Ident();
                if (r.Peek() == '=') {
                    r.Char();
                    QString lit = r.Number();
                    if (lit.isEmpty()) lit = r.String();
                    if (lit.isEmpty() && r.Peek() == '-') {
                        const int save = r.Pos;
                        r.Char();
                        const QString n = r.Number();
                        if (!n.isEmpty())
                            lit = '-' + n;
                        else
                            r.Pos = save;
                    }
                    if (!lit.isEmpty()) {
                        def = lit.startsWith('-') ? VarNeg(LiteralToVariant(lit.mid(1)))
                                                  : LiteralToVariant(lit);
                    } else {
                        const QString id = r.Ident();
                        TscCustomVariable* v = Script ? Script->Find(id) : nullptr;
                        def = v ? v->Value() : Variant::Null();
                    }
                }
                c = r.Char();
            }
            for (int i = 0; i < names.size(); ++i) {
                const bool last = i == names.size() - 1;
                auto p = std::make_unique<TscParamItem>(names[i], LookupVarType(typeName, Script), typeName,
                                                        last && !def.IsNull(), byRef);
                if (last) p->SetDefValue(def);
                item->Add(std::move(p));
            }
            if (c != ';') break;
        }
    }
    return item;
}

TscVarType LookupVarType(const QString& TypeName, const TscScript* Script) {
    TscCustomVariable* v = Script ? Script->Find(TypeName) : nullptr;
    return v ? v->Typ() : fvtClass;
}

bool ClassDescends(const QString& ClassName1, const QString& ClassName2, const TscScript* Script) {
    if (!Script) return false;
    TscClassVariable* c1 = Script->FindClass(ClassName1);
    TscClassVariable* c2 = Script->FindClass(ClassName2);
    if (!c1 || !c2) return false;
    if (c1 == c2) return true;
    if (c1->ClassRef() && c2->ClassRef()) return c2->ClassRef()->InheritsFrom(c1->ClassRef());
    // Classes without tables: follow the registered ancestor names.
    for (TscClassVariable* c = c2; c; c = Script->FindClass(c->Ancestor())) {
        if (c == c1) return true;
        if (c->Ancestor().isEmpty() || SameText(c->Ancestor(), c->Name())) break;
    }
    return false;
}

bool VarTypesMatch(const TscTypeRec& T1, const TscTypeRec& T2, const TscScript* Script) {
    const TscVarType t = T2.Typ;
    switch (T1.Typ) {
    case fvtInt:
    case fvtInt64:
        return t == fvtInt || t == fvtFloat || t == fvtVariant || t == fvtEnum || t == fvtInt64;
    case fvtBool:
        return t == fvtBool || t == fvtVariant;
    case fvtFloat:
        return t == fvtInt || t == fvtFloat || t == fvtVariant;
    case fvtChar:
    case fvtString:
        return t == fvtChar || t == fvtString || t == fvtVariant;
    case fvtClass:
        return t == fvtVariant || (t == fvtClass && ClassDescends(T1.TypeName, T2.TypeName, Script));
    case fvtArray:
        return t == fvtArray || t == fvtVariant;
    case fvtVariant:
        return true;
    case fvtEnum:
        return t == fvtInt || t == fvtVariant || t == fvtInt64 ||
               (t == fvtEnum && T1.TypeName.compare(T2.TypeName, Qt::CaseInsensitive) == 0);
    case fvtConstructor:
        return false;
    }
    return false;
}

bool AssignmentAllowed(const TscCustomVariable* Target, const TscCustomVariable* Source,
                       const TscScript* Script) {
    if (Target->Typ() == fvtInt && Source->Typ() == fvtFloat) return false;
    return VarTypesMatch({Target->Typ(), Target->TypeName()}, {Source->Typ(), Source->TypeName()}, Script);
}

Variant LiteralToVariant(const QString& Text) {
    if (Text.isEmpty()) return Variant::Null();
    if (Text.startsWith('\'')) return Variant(Text.mid(1, Text.size() - 2));
    bool ok = false;
    qint64 v = 0;
    if (Text.startsWith('$')) {
        const quint64 u = Text.mid(1).toULongLong(&ok, 16);
        v = static_cast<qint64>(u);
    } else {
        v = Text.toLongLong(&ok, 10);
    }
    if (ok) {
        if (v >= 0 && v <= 2147483647) return Variant(static_cast<int>(v));
        if (v > 0) return Variant(static_cast<long long>(v));
        return Variant(static_cast<int>(static_cast<std::uint32_t>(static_cast<quint64>(v) & 0xFFFFFFFFu)));
    }
    const double d = QLocale::c().toDouble(Text, &ok);
    if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(Text));
    return Variant(d);
}

TPoint SourcePosToPoint(const QString& PosText) {
    if (PosText.isEmpty()) return TPoint(0, 0);
    const int colon = PosText.indexOf(':');
    const QString line = colon >= 0 ? PosText.left(colon) : PosText;
    const QString col = colon >= 0 ? PosText.mid(colon + 1) : QString();
    return TPoint(col.isEmpty() ? 0 : StrToInt(col), StrToInt(line));
}

Variant ArgumentToVariant(const TObject* v) {
    return ObjectToVariant(v);
}

std::vector<FormatArg> VariantArrayToFormatArgs(const Variant& Args) {
    std::vector<FormatArg> r;
    if (!VarIsArray(Args)) return r;
    for (int i = VarArrayLowBound(Args, 1); i <= VarArrayHighBound(Args, 1); ++i) {
        const Variant e = Args.GetElement(i);
        switch (e.VType()) {
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
            r.emplace_back(e.ToInt());
            break;
        case varLongWord:
            r.emplace_back(static_cast<long long>(e.ToInt64()));
            break;
        case varSingle:
        case varDouble:
        case varCurrency:
        case varDate:
            r.emplace_back(e.ToDouble());
            break;
        case varBoolean:
            r.emplace_back(e.ToBool());
            break;
        case varInt64:
            r.emplace_back(static_cast<long long>(e.ToInt64()));
            break;
        case varOleStr:
        case varString:
        case varUString:
            r.emplace_back(e.ToString());
            break;
        default:
            r.emplace_back(0);
        }
    }
    return r;
}

namespace {

QString MemberText(TscCustomHelper* m) {
    if (dynamic_cast<TscPropertyHelper*>(m)) return "property " + m->Name() + ": " + m->GetFullTypeName();
    if (auto* mh = dynamic_cast<TscMethodHelper*>(m)) {
        if (!mh->IndexMethod()) return mh->Syntax();
        const QString s = mh->Syntax().trimmed();
        const int blank = s.indexOf(' ');
        return QStringLiteral("index property") + (blank >= 0 ? s.mid(blank) : QString());
    }
    return "event " + m->Name();
}

void AddMembers(TscClassVariable* c, TscXMLItem* to) {
    for (int i = 0; i < c->MembersCount(); ++i) {
        TscXMLItem* it = to->Add();
        it->SetName("item");
        it->SetProp("text", MemberText(c->Members(i)));
    }
}

} // namespace

// Values go in through SetProp, which escapes them, so a quote in a declaration text cannot
// break the tree.
void GenerateScriptInfoTree(TscScript* Script, TscXMLItem* Root, bool FunctionsOnly) {
    TscXMLItem* functions = Root->FindItem("Functions");
    TscXMLItem* classes = Root->FindItem("Classes");
    TscXMLItem* types = Root->FindItem("Types");
    TscXMLItem* variables = Root->FindItem("Variables");
    TscXMLItem* constants = Root->FindItem("Constants");
    std::vector<std::pair<TscXMLItem*, QStringList>> enumValues;
    for (int i = 0; i < Script->Count(); ++i) {
        TObject* o = Script->Items(i);
        if (auto* m = dynamic_cast<TscMethodHelper*>(o)) {
            TscXMLItem* cat = functions->FindItem(m->Category());
            cat->SetProp("text", m->Category());
            TscXMLItem* it = cat->Add();
            it->SetName("item");
            it->SetProp("text", m->Syntax());
            it->SetProp("description", m->Description());
            continue;
        }
        if (FunctionsOnly) continue;
        if (auto* c = dynamic_cast<TscClassVariable*>(o)) {
            TscXMLItem* it = classes->Add();
            it->SetName("item");
            it->SetProp("text", c->Name() + " = class(" + c->Ancestor() + ")");
            AddMembers(c, it);
        } else if (auto* v = dynamic_cast<TscVariable*>(o)) {
            if (v->Typ() == fvtEnum) {
                TscXMLItem* t = types->FindItem(v->TypeName());
                auto e = std::find_if(enumValues.begin(), enumValues.end(),
                                      [t](const auto& p) { return p.first == t; });
                if (e == enumValues.end()) {
                    enumValues.push_back({t, QStringList()});
                    e = enumValues.end() - 1;
                }
                if (v->Name() != v->TypeName()) e->second << v->Name();
                continue;
            }
            TscXMLItem* it = (v->IsReadOnly() ? constants : variables)->Add();
            it->SetName("item");
            QString text = v->Name() + ": " + v->GetFullTypeName();
            if (v->IsReadOnly()) text += " = " + VarToStr(v->Value());
            it->SetProp("text", text);
        }
    }
    for (int i = 0; i < types->Count(); ++i) {
        TscXMLItem* t = types->Items(i);
        if (t->Name() == "item") continue;
        QStringList values;
        for (const auto& p : enumValues)
            if (p.first == t) values = p.second;
        t->SetProp("text", t->Name() + ": (" + values.join(',') + ")");
        t->SetName("item");
    }
}

void AddClassMembersInfo(TscScript* Script, const TClassInfo* AClass, TscXMLItem* Item) {
    for (int i = 0; i < Script->Count(); ++i)
        if (auto* c = dynamic_cast<TscClassVariable*>(Script->Items(i)))
            if (AClass && c->ClassRef() && AClass->InheritsFrom(c->ClassRef())) AddMembers(c, Item);
}
