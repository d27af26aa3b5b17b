#include "script/sc_iinirtti.h"

#include "platform/rtl/StringList.h"
#include "script/sc_iclassesrtti.h"

using namespace scbind;

namespace sc_iinirtti {

namespace {

bool Is(const QString& Name, const char* Literal) {
    return Name == QLatin1String(Literal);
}

// An optional Boolean argument that the call left out reads as its declared default, true.
bool OptionalFlag(const Variant& V) {
    return V.IsNull() || V.IsEmpty() ? true : V.ToBool();
}

} // namespace

const TClassInfo* TFunctions::CustomIniFileClass() {
    return HostClass<TCustomIniFile>("TCustomIniFile", TObjectClassInfo());
}
const TClassInfo* TFunctions::MemIniFileClass() {
    return HostClass<TMemIniFile>("TMemIniFile", CustomIniFileClass());
}
const TClassInfo* TFunctions::IniFileClass() {
    return HostClass<TIniFile>("TIniFile", CustomIniFileClass());
}

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    TscScript* s = FScript;
    const TscCallMethodNewEvent call = [this](TObject* inst, const TClassInfo* cls, const QString& name,
                                              TscMethodHelper* c) {
        return CallHostMethod(inst, cls, name, c);
    };
    auto M = [&](TscClassVariable* c, const char* syntax) {
        c->AddMethod(QString::fromLatin1(syntax), call);
    };

    TscClassVariable* c = s->AddClass(CustomIniFileClass(), QStringLiteral("TObject"));
    c->AddConstructor(QStringLiteral("constructor Create(const FileName: String)"), call);
    M(c, "function ReadInteger(const Section, Ident: String; Default: LongInt): LongInt");
    M(c, "procedure WriteInteger(const Section, Ident: String; Value: LongInt)");
    M(c, "function ReadBool(const Section, Ident: String; Default: Boolean): Boolean");
    M(c, "procedure WriteBool(const Section, Ident: String; Value: Boolean)");
    M(c, "function ReadDate(const Section, Name: String; Default: TDateTime): TDateTime");
    M(c, "procedure WriteDate(const Section, Name: String; Value: TDateTime)");
    M(c, "function ReadDateTime(const Section, Name: String; Default: TDateTime): TDateTime");
    M(c, "procedure WriteDateTime(const Section, Name: String; Value: TDateTime)");
    M(c, "function ReadFloat(const Section, Name: String; Default: Double): Double");
    M(c, "procedure WriteFloat(const Section, Name: String; Value: Double)");
    M(c, "function ReadTime(const Section, Name: String; Default: TDateTime): TDateTime");
    M(c, "procedure WriteTime(const Section, Name: String; Value: TDateTime);");
    M(c, "function ReadBinaryStream(const Section, Name: String; Value: TStream): Integer");
    M(c, "procedure WriteBinaryStream(const Section, Name: String; Value: TStream)");
    M(c, "function SectionExists(const Section: String): Boolean");
    M(c, "function ValueExists(const Section, Ident: String): Boolean");
    M(c, "procedure WriteTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True)");
    M(c, "function ReadTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True): String;");
    c->AddProperty(QStringLiteral("FileName"), QStringLiteral("String"), &TFunctions::GetHostProperty);

    const char* common[] = {"procedure WriteString(const Section, Ident, Value: String)",
                            "function ReadString(const Section, Ident, Default: String): String;",
                            "procedure ReadSectionValuesEx(const Section: String; Strings: TStrings)",
                            "procedure DeleteKey(const Section, Ident: String)",
                            "procedure ReadSection(const Section: String; Strings: TStrings)",
                            "procedure ReadSections(Strings: TStrings)",
                            "procedure ReadSectionValues(const Section: String; Strings: TStrings)",
                            "procedure EraseSection(const Section: String)"};
    c = s->AddClass(MemIniFileClass(), QStringLiteral("TCustomIniFile"));
    c->AddConstructor(QStringLiteral("constructor Create(const FileName: String)"), call);
    for (const char* m : common)
        M(c, m);
    M(c, "procedure Clear");
    M(c, "procedure GetStrings(List: TStrings)");
    M(c, "procedure SetStrings(List: TStrings)");
    M(c, "procedure SaveIniFileToStream(oStream: TStream)");
    M(c, "procedure LoadIniFileFromStream(oStream: TStream)");

    c = s->AddClass(IniFileClass(), QStringLiteral("TCustomIniFile"));
    for (const char* m : common)
        M(c, m);
    M(c, "procedure SaveIniFileToStream(oStream: TStream)");
    M(c, "procedure LoadIniFileFromStream(oStream: TStream)");
}

void TFunctions::SaveIniToStream(TCustomIniFile* Ini, TStream* Stream) {
    if (!Ini || !Stream) return;
    TStringList lines;
    if (auto* mem = dynamic_cast<TMemIniFile*>(Ini))
        mem->GetStrings(lines);
    else if (dynamic_cast<TIniFile*>(Ini))
        lines.LoadFromFile(Ini->FileName());
    else
        return;
    lines.SaveToStream(*Stream);
}

void TFunctions::LoadIniFromStream(TCustomIniFile* Ini, TStream* Stream) {
    if (!Ini || !Stream) return;
    auto* mem = dynamic_cast<TMemIniFile*>(Ini);
    auto* file = dynamic_cast<TIniFile*>(Ini);
    if (!mem && !file) return;
    TStringList lines;
    lines.LoadFromStream(*Stream);
    if (mem)
        mem->SetStrings(lines);
    else
        lines.SaveToFile(Ini->FileName());
}

void TFunctions::WriteStringsToIni(TCustomIniFile& Ini, const QString& Section, const TStrings& Value,
                                   bool IsClear) {
    if (IsClear) Ini.EraseSection(Section);
    for (int i = 0; i < Value.Count(); ++i)
        Ini.WriteString(Section, QStringLiteral("Items%1").arg(i), Value.Get(i));
    Ini.WriteInteger(Section, QStringLiteral("Count"), Value.Count());
}

QString TFunctions::ReadStringsFromIni(TCustomIniFile& Ini, const QString& Section, TStrings& Value,
                                       bool IsClear) {
    const int count = Ini.ReadInteger(Section, QStringLiteral("Count"), 0);
    if (IsClear) Value.Clear();
    TStringList read;
    for (int i = 0; i < count; ++i)
        read.Add(Ini.ReadString(Section, QStringLiteral("Items%1").arg(i), QString()));
    Value.AddStrings(read);
    return read.Text();
}

Variant TFunctions::CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                   TscMethodHelper* C) {
    auto T = [C](int i) { return Arg(C, i).ToString(); };
    if (Is(Name, "CREATE")) {
        if (Cls && Cls->InheritsFrom(MemIniFileClass()))
            return Obj(ScriptMade(std::make_unique<TMemIniFile>(T(0)).release()));
        return Obj(ScriptMade(std::make_unique<TIniFile>(T(0)).release()));
    }
    auto& ini = Self<TCustomIniFile>(Instance, Name);
    if (Is(Name, "READINTEGER")) return Variant(ini.ReadInteger(T(0), T(1), Arg(C, 2).ToInt()));
    if (Is(Name, "WRITEINTEGER"))
        ini.WriteInteger(T(0), T(1), Arg(C, 2).ToInt());
    else if (Is(Name, "READBOOL"))
        return Variant(ini.ReadBool(T(0), T(1), Arg(C, 2).ToBool()));
    else if (Is(Name, "WRITEBOOL"))
        ini.WriteBool(T(0), T(1), Arg(C, 2).ToBool());
    else if (Is(Name, "READDATE"))
        return Variant::FromDate(ini.ReadDate(T(0), T(1), Arg(C, 2).ToDouble()));
    else if (Is(Name, "WRITEDATE"))
        ini.WriteDate(T(0), T(1), Arg(C, 2).ToDouble());
    else if (Is(Name, "READDATETIME"))
        return Variant::FromDate(ini.ReadDateTime(T(0), T(1), Arg(C, 2).ToDouble()));
    else if (Is(Name, "WRITEDATETIME"))
        ini.WriteDateTime(T(0), T(1), Arg(C, 2).ToDouble());
    else if (Is(Name, "READFLOAT"))
        return Variant(ini.ReadFloat(T(0), T(1), Arg(C, 2).ToDouble()));
    else if (Is(Name, "WRITEFLOAT"))
        ini.WriteFloat(T(0), T(1), Arg(C, 2).ToDouble());
    else if (Is(Name, "READTIME"))
        return Variant::FromDate(ini.ReadTime(T(0), T(1), Arg(C, 2).ToDouble()));
    else if (Is(Name, "WRITETIME"))
        ini.WriteTime(T(0), T(1), Arg(C, 2).ToDouble());
    else if (Is(Name, "READBINARYSTREAM"))
        return Variant(ini.ReadBinaryStream(T(0), T(1), ArgRef<TStream>(C, 2)));
    else if (Is(Name, "WRITEBINARYSTREAM"))
        ini.WriteBinaryStream(T(0), T(1), ArgRef<TStream>(C, 2));
    else if (Is(Name, "SECTIONEXISTS"))
        return Variant(ini.SectionExists(T(0)));
    else if (Is(Name, "VALUEEXISTS"))
        return Variant(ini.ValueExists(T(0), T(1)));
    else if (Is(Name, "WRITETSTRINGS"))
        WriteStringsToIni(ini, T(0), ArgRef<TStrings>(C, 1), OptionalFlag(Arg(C, 2)));
    else if (Is(Name, "READTSTRINGS"))
        return Variant(ReadStringsFromIni(ini, T(0), ArgRef<TStrings>(C, 1), OptionalFlag(Arg(C, 2))));
    else if (Is(Name, "WRITESTRING"))
        ini.WriteString(T(0), T(1), T(2));
    else if (Is(Name, "READSTRING"))
        return Variant(ini.ReadString(T(0), T(1), T(2)));
    else if (Is(Name, "DELETEKEY"))
        ini.DeleteKey(T(0), T(1));
    else if (Is(Name, "READSECTION"))
        ini.ReadSection(T(0), ArgRef<TStrings>(C, 1));
    else if (Is(Name, "READSECTIONS"))
        ini.ReadSections(ArgRef<TStrings>(C, 0));
    else if (Is(Name, "READSECTIONVALUES"))
        ini.ReadSectionValues(T(0), ArgRef<TStrings>(C, 1));
    else if (Is(Name, "ERASESECTION"))
        ini.EraseSection(T(0));
    else if (Is(Name, "READSECTIONVALUESEX")) {
        TStrings& target = ArgRef<TStrings>(C, 1);
        TStringList lines;
        ini.ReadSectionValues(T(0), lines);
        target.Clear();
        for (int i = 0; i < lines.Count(); ++i)
            target.Add(lines.Values(lines.Names(i)));
    } else if (Is(Name, "CLEAR"))
        Self<TMemIniFile>(Instance, Name).Clear();
    else if (Is(Name, "GETSTRINGS"))
        Self<TMemIniFile>(Instance, Name).GetStrings(ArgRef<TStrings>(C, 0));
    else if (Is(Name, "SETSTRINGS"))
        Self<TMemIniFile>(Instance, Name).SetStrings(ArgRef<TStrings>(C, 0));
    else if (Is(Name, "SAVEINIFILETOSTREAM"))
        SaveIniToStream(&ini, ArgAs<TStream>(C, 0));
    else if (Is(Name, "LOADINIFILEFROMSTREAM"))
        LoadIniFromStream(&ini, ArgAs<TStream>(C, 0));
    return None();
}

Variant TFunctions::GetHostProperty(TObject* Instance, const TClassInfo*, const QString& Name) {
    if (Is(Name, "FILENAME")) return Variant(Self<TCustomIniFile>(Instance, Name).FileName());
    return None();
}

} // namespace sc_iinirtti
