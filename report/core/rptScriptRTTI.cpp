#include "report/core/rptScriptRTTI.h"

#include "platform/gfx/Graphics.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtti/ObjectHandles.h"
#include "platform/rtti/TypInfo.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassChart.h"
#include "report/core/rptClassDMP.h"
#include "report/core/rptClassLine.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDialogComponent.h"
#include "report/core/rptDialogControls.h"
#include "report/core/rptDialogPage.h"
#include "report/core/rptEngine.h"
#include "report/core/rptOutline.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptRunControl.h"
#include "report/core/rptStyles.h"
#include "report/core/rptVariables.h"
#include "report/core/rptWideStrings.h"
#include "script/sc_iclassesrtti.h"
#include "script/sc_igraphicsrtti.h"

#include <cmath>
#include <mutex>

using namespace scbind;

namespace {

// Every member with a call-back of its own: the call-back captures its member and switches on
// it, so no name is compared while a script runs.
enum class M : unsigned char {
    // TWideStrings
    WsCreate, WsAdd, WsAddObject, WsClear, WsDelete, WsIndexOf, WsInsert, WsLoadFromFile,
    WsLoadFromStream, WsSaveToFile, WsSaveToStream, WsCount, WsObjects, WsStrings, WsText,
    // TrptDataSet
    DsOpen, DsClose, DsFirst, DsNext, DsPrior, DsEof, DsFieldsCount, DsHasField, DsIsBlobField,
    DsRecordCount, DsGetFieldList, DsRecNo, DsDisplayText, DsDisplayWidth, DsFieldType, DsValue,
    // TrptComponent
    CClear, CFindObject, CLoadFromStream, CSaveToStream, CSetBounds, CObjects, CAllObjects, CParent,
    CPage, CAbsLeft, CAbsTop,
    // Views
    VTagStr, SCalcHeight, MCalcWidth, MText, MAnsiText, MLines, MValue, PLoadFromFile, BOverflow,
    EoDestroyForms,
    // Variables, arrays, styles
    VarCreate, VarVariables, ArrCreate, ArrVariables, StCreate, StItems, StAdd, StFind, StApply,
    StGetList, StLoadFromFile, StLoadFromStream, StSaveToFile, StSaveToStream,
    // TrptReport
    RCalc, RGetDataset, RLoadFromFile, RSaveToFile, RShowReport, RTerminated, RVariables, RStyles,
    // Dialog controls and pages
    DcSetFocus, DpShowModal, DpModalResult,
    // Engine and outline
    EAddAnchor, ENewPage, ENewColumn, EShowBand, EStopReport, EFreeSpace, EGetAnchorPage, OAddItem,
    OLevelRoot, OLevelUp,
    // Functions
    FDayOf, FMonthOf, FYearOf,
    // Chart object and its series data
    ChAddSeries, ChChart, ChSeries, ChSeriesData, ChSeriesCount, SdAdd, SdItems,
    // Objects of kinds Korvel has no class for yet.
    Absent
};

QString Text(const Variant& V) {
    return V.ToString();
}

// The index property's call is a write when its name ends in ".SET" (the engine appends the
// suffix); one character tells the two apart.
bool IsSet(const QString& Name) {
    return Name.size() > 3 && Name.at(Name.size() - 3) == u'S';
}

// The bytes of a single-byte text value: one character per byte.
QByteArray SingleBytes(const Variant& V) {
    const QString s = V.ToString();
    if (V.VType() == varString) return s.toLatin1();
    return WideToAnsiText(s, DEFAULT_CHARSET);
}

QString Describe(const TObject* O) {
    if (const auto* c = dynamic_cast<const TComponent*>(O); c && !c->Name().isEmpty()) return c->Name();
    return O ? O->ClassName() : QStringLiteral("nil");
}

// The depth of engine calls made by scripts on this thread: an event that asks again for what
// led to it (a page header breaking the page, a band showing itself) would recurse for ever.
thread_local int EngineCallDepth = 0;

class TEngineCall {
public:
    TEngineCall(TrptCustomEngine& E, const char* Member) {
        if (!E.Running() || !E.PreviewPages() || E.PreviewPages()->Count() == 0 || !E.Report() ||
            E.Report()->Terminated())
            throw ErptScriptEngineCall(QStringLiteral("Engine.%1: no page is being prepared").arg(QLatin1String(Member)));
        if (EngineCallDepth >= MaxNestedEngineCalls)
            throw ErptScriptEngineCall(
                QStringLiteral("Engine.%1: events call the engine inside each other more than %2 times; "
                               "an event probably repeats the page break or band that runs it")
                    .arg(QLatin1String(Member))
                    .arg(MaxNestedEngineCalls));
        ++EngineCallDepth;
    }
    ~TEngineCall() { --EngineCallDepth; }
    TEngineCall(const TEngineCall&) = delete;
    TEngineCall& operator=(const TEngineCall&) = delete;
};

TrptPreviewPages* ConcretePages(TrptCustomEngine& E, const QString& Member) {
    auto* p = dynamic_cast<TrptPreviewPages*>(E.PreviewPages());
    if (!p) throw ErptScriptEngineCall(QStringLiteral("%1: the engine has no prepared pages").arg(Member));
    return p;
}

int DatePart(const Variant& V, const char* Format) {
    return FormatDateTime(QString::fromLatin1(Format), V.ToDate()).toInt();
}

Variant AsVariantList(TrptVariables& Vars, TscMethodHelper* C, const QString& Name) {
    if (IsSet(Name)) {
        Vars.SetVariables(Text(Arg(C, 0)), Arg(C, 1));
        return None();
    }
    return Vars.Variables(Text(Arg(C, 0)));
}

Variant AsArray(TrptArray& Arr, TscMethodHelper* C, const QString& Name) {
    if (IsSet(Name)) {
        Arr.SetVariables(Arg(C, 0), Arg(C, 1));
        return None();
    }
    return Arr.Variables(Arg(C, 0));
}

// Members of the report classes, by member. Instance is checked against the registered class.
Variant Call(rptScriptRTTI::TFunctions* Module, M Member, TObject* I, const QString& Name, TscMethodHelper* C) {
    switch (Member) {
    // TWideStrings
    case M::WsCreate: return Obj(ScriptMade(new TrptWideStrings()));
    case M::WsAdd: return Variant(Self<TrptWideStrings>(I, Name).Add(Text(Arg(C, 0))));
    case M::WsAddObject: return Variant(Self<TrptWideStrings>(I, Name).AddObject(Text(Arg(C, 0)), ArgObject(C, 1)));
    case M::WsClear: Self<TrptWideStrings>(I, Name).Clear(); return None();
    case M::WsDelete: Self<TrptWideStrings>(I, Name).Delete(Arg(C, 0).ToInt()); return None();
    case M::WsIndexOf: return Variant(Self<TrptWideStrings>(I, Name).IndexOf(Text(Arg(C, 0))));
    case M::WsInsert: Self<TrptWideStrings>(I, Name).Insert(Arg(C, 0).ToInt(), Text(Arg(C, 1))); return None();
    case M::WsLoadFromFile: Self<TrptWideStrings>(I, Name).LoadFromFile(Text(Arg(C, 0))); return None();
    case M::WsLoadFromStream: Self<TrptWideStrings>(I, Name).LoadFromStream(ArgRef<TStream>(C, 0)); return None();
    case M::WsSaveToFile: Self<TrptWideStrings>(I, Name).SaveToFile(Text(Arg(C, 0))); return None();
    case M::WsSaveToStream: Self<TrptWideStrings>(I, Name).SaveToStream(ArgRef<TStream>(C, 0)); return None();
    case M::WsObjects: {
        auto& l = Self<TrptWideStrings>(I, Name);
        if (IsSet(Name)) {
            l.PutObject(Arg(C, 0).ToInt(), ArgObject(C, 1));
            return None();
        }
        return Obj(l.GetObject(Arg(C, 0).ToInt()));
    }
    case M::WsStrings: {
        auto& l = Self<TrptWideStrings>(I, Name);
        if (IsSet(Name)) {
            l.Put(Arg(C, 0).ToInt(), Text(Arg(C, 1)));
            return None();
        }
        return Variant(l.Get(Arg(C, 0).ToInt()));
    }
    // TrptDataSet
    case M::DsOpen: Self<TrptDataSet>(I, Name).Open(); return None();
    case M::DsClose: Self<TrptDataSet>(I, Name).Close(); return None();
    case M::DsFirst: Self<TrptDataSet>(I, Name).First(); return None();
    case M::DsNext: Self<TrptDataSet>(I, Name).Next(); return None();
    case M::DsPrior: Self<TrptDataSet>(I, Name).Prior(); return None();
    case M::DsEof: return Variant(Self<TrptDataSet>(I, Name).Eof());
    case M::DsFieldsCount: return Variant(Self<TrptDataSet>(I, Name).FieldsCount());
    case M::DsHasField: return Variant(Self<TrptDataSet>(I, Name).HasField(Text(Arg(C, 0))));
    case M::DsIsBlobField: return Variant(Self<TrptDataSet>(I, Name).IsBlobField(Text(Arg(C, 0))));
    case M::DsRecordCount: return Variant(Self<TrptDataSet>(I, Name).RecordCount());
    case M::DsGetFieldList: Self<TrptDataSet>(I, Name).GetFieldList(&ArgRef<TStrings>(C, 0)); return None();
    case M::DsDisplayText: return Variant(Self<TrptDataSet>(I, Name).GetDisplayText(Text(Arg(C, 0))));
    case M::DsDisplayWidth: return Variant(Self<TrptDataSet>(I, Name).GetDisplayWidth(Text(Arg(C, 0))));
    case M::DsFieldType:
        return Variant(static_cast<int>(Self<TrptDataSet>(I, Name).GetFieldType(Text(Arg(C, 0)))));
    case M::DsValue: return Self<TrptDataSet>(I, Name).GetValue(Text(Arg(C, 0)));
    // TrptComponent
    case M::CClear: Self<TrptComponent>(I, Name).Clear(); return None();
    case M::CFindObject: return Obj(Self<TrptComponent>(I, Name).FindObject(Text(Arg(C, 0))));
    case M::CLoadFromStream: Self<TrptComponent>(I, Name).LoadFromStream(ArgRef<TStream>(C, 0)); return None();
    case M::CSaveToStream:
        Self<TrptComponent>(I, Name).SaveToStream(ArgRef<TStream>(C, 0), Arg(C, 1).ToBool());
        return None();
    case M::CSetBounds:
        Self<TrptComponent>(I, Name).SetBounds(Arg(C, 0).ToDouble(), Arg(C, 1).ToDouble(), Arg(C, 2).ToDouble(),
                                               Arg(C, 3).ToDouble());
        return None();
    case M::SCalcHeight: return Variant(Self<TrptStretcheable>(I, Name).CalcHeight());
    case M::MCalcWidth: return Variant(Self<TrptCustomMemoView>(I, Name).CalcWidth());
    case M::PLoadFromFile: Self<TrptPictureView>(I, Name).LoadFromFile(Text(Arg(C, 0))); return None();
    case M::DcSetFocus: Self<TrptDialogControl>(I, Name).SetFocus(); return None();
    case M::DpShowModal: return Variant(static_cast<int>(Self<TrptDialogPage>(I, Name).ShowModal()));
    // Variables, arrays, styles
    case M::VarCreate: return Obj(ScriptMade(new TrptVariables()));
    case M::VarVariables: return AsVariantList(Self<TrptVariables>(I, Name), C, Name);
    case M::ArrCreate: return Obj(ScriptMade(new TrptArray()));
    case M::ArrVariables: return AsArray(Self<TrptArray>(I, Name), C, Name);
    case M::StCreate: return Obj(ScriptMade(new TrptStyles(ArgAs<TrptReport>(C, 0))));
    case M::StItems:
        // Writing an item through the default property changes nothing.
        if (IsSet(Name)) return None();
        return Obj(Self<TrptStyles>(I, Name).Items(Arg(C, 0).ToInt()));
    case M::StAdd: return Obj(Self<TrptStyles>(I, Name).Add());
    case M::StFind: return Obj(Self<TrptStyles>(I, Name).Find(Text(Arg(C, 0))));
    case M::StApply: Self<TrptStyles>(I, Name).Apply(); return None();
    case M::StGetList: Self<TrptStyles>(I, Name).GetList(&ArgRef<TStrings>(C, 0)); return None();
    case M::StLoadFromFile: Self<TrptStyles>(I, Name).LoadFromFile(Text(Arg(C, 0))); return None();
    case M::StLoadFromStream: Self<TrptStyles>(I, Name).LoadFromStream(ArgRef<TStream>(C, 0)); return None();
    case M::StSaveToFile: Self<TrptStyles>(I, Name).SaveToFile(Text(Arg(C, 0))); return None();
    case M::StSaveToStream: Self<TrptStyles>(I, Name).SaveToStream(ArgRef<TStream>(C, 0)); return None();
    // TrptReport
    case M::RCalc: {
        auto& r = Self<TrptReport>(I, Name);
        return r.Calc(Text(Arg(C, 0)), r.Script()->ProgRunning(), true);
    }
    case M::RGetDataset: return Obj(Self<TrptReport>(I, Name).GetDataset(Text(Arg(C, 0))));
    case M::RLoadFromFile: return Variant(Self<TrptReport>(I, Name).LoadFromFile(Text(Arg(C, 0)), false));
    case M::RSaveToFile: Self<TrptReport>(I, Name).SaveToFile(Text(Arg(C, 0))); return None();
    case M::RShowReport: ShowReport(&Self<TrptReport>(I, Name), true); return None();
    // Engine and outline
    case M::EAddAnchor: {
        auto& e = Self<TrptCustomEngine>(I, Name);
        ConcretePages(e, Name)->AddAnchor(Text(Arg(C, 0)));
        return None();
    }
    case M::EGetAnchorPage: {
        auto& e = Self<TrptCustomEngine>(I, Name);
        return Variant(ConcretePages(e, Name)->GetAnchorPage(Text(Arg(C, 0))));
    }
    case M::ENewPage: {
        auto& e = Self<TrptCustomEngine>(I, Name);
        TEngineCall guard(e, "NewPage");
        e.NewPage();
        return None();
    }
    case M::ENewColumn: {
        auto& e = Self<TrptCustomEngine>(I, Name);
        TEngineCall guard(e, "NewColumn");
        e.NewColumn();
        return None();
    }
    case M::EShowBand: {
        auto& e = Self<TrptCustomEngine>(I, Name);
        TrptComponent* arg = ArgAs<TrptComponent>(C, 0);
        TrptBand* band = arg ? arg->AsBand() : nullptr;
        if (arg && !band) throw EInvalidCast(QStringLiteral("Engine.ShowBand: %1 is not a band").arg(Describe(arg)));
        TEngineCall guard(e, "ShowBand");
        e.ShowBand(band);
        return None();
    }
    case M::EStopReport: Self<TrptCustomEngine>(I, Name).StopReport(); return None();
    case M::EFreeSpace: return Variant(Self<TrptCustomEngine>(I, Name).FreeSpace());
    case M::OAddItem: {
        auto& o = Self<TrptCustomOutline>(I, Name);
        TrptCustomEngine* e = o.Engine();
        o.AddItem(Text(Arg(C, 0)), e ? static_cast<int>(std::nearbyint(e->CurY())) : 0);
        return None();
    }
    case M::OLevelRoot: Self<TrptCustomOutline>(I, Name).LevelRoot(); return None();
    case M::OLevelUp: Self<TrptCustomOutline>(I, Name).LevelUp(); return None();
    // Functions
    case M::FDayOf: return Variant(DatePart(Arg(C, 0), "d"));
    case M::FMonthOf: return Variant(DatePart(Arg(C, 0), "m"));
    case M::FYearOf: return Variant(DatePart(Arg(C, 0), "yyyy"));
    // Chart object
    case M::ChAddSeries:
        Self<TrptChartView>(I, Name).AddSeries(static_cast<TrptChartSeries>(Arg(C, 0).ToInt()));
        return None();
    case M::ChSeries: return Obj(Self<TrptChartView>(I, Name).Chart()->Series(Arg(C, 0).ToInt()));
    case M::SdAdd: return Obj(Self<TrptSeriesData>(I, Name).Add());
    case M::SdItems: return Obj(Self<TrptSeriesData>(I, Name).Series(Arg(C, 0).ToInt()));
    case M::Absent:
        throw EInvalidOperation(QStringLiteral("%1: this kind of report object is not available").arg(Name));
    default: break;
    }
    (void)Module;
    return None();
}

Variant Get(rptScriptRTTI::TFunctions* Module, M Member, TObject* I, const QString& Name) {
    switch (Member) {
    case M::WsCount: return Variant(Self<TrptWideStrings>(I, Name).Count());
    case M::WsText: return Variant(Self<TrptWideStrings>(I, Name).Text());
    case M::DsRecNo: return Variant(Self<TrptDataSet>(I, Name).RecNo());
    case M::CObjects: return Obj(Module->ListOf(&Self<TrptComponent>(I, Name), false));
    case M::CAllObjects: return Obj(Module->ListOf(&Self<TrptComponent>(I, Name), true));
    case M::CParent: return Obj(Self<TrptComponent>(I, Name).Parent());
    case M::CPage: return Obj(Self<TrptComponent>(I, Name).Page());
    case M::CAbsLeft: return Variant(Self<TrptComponent>(I, Name).AbsLeft());
    case M::CAbsTop: return Variant(Self<TrptComponent>(I, Name).AbsTop());
    case M::VTagStr: return Variant(Self<TrptView>(I, Name).TagStr());
    case M::MText: return Variant(Self<TrptCustomMemoView>(I, Name).Text());
    case M::MAnsiText:
        return Variant::FromString(QString::fromLatin1(Self<TrptCustomMemoView>(I, Name).AnsiText()), varString);
    case M::MLines: return Obj(Self<TrptCustomMemoView>(I, Name).Lines());
    case M::MValue: return Self<TrptCustomMemoView>(I, Name).Value();
    case M::BOverflow: return Variant(Self<TrptBand>(I, Name).Overflow());
    case M::DpModalResult: return Variant(static_cast<int>(Self<TrptDialogPage>(I, Name).ModalResult()));
    case M::EoDestroyForms: return Variant(Self<TrptEngineOptions>(I, Name).DestroyForms());
    case M::RTerminated: return Variant(Self<TrptReport>(I, Name).Terminated());
    case M::RVariables: return Obj(Self<TrptReport>(I, Name).Variables());
    case M::RStyles: return Obj(Self<TrptReport>(I, Name).Styles());
    case M::ChChart: return Obj(Self<TrptChartView>(I, Name).Chart());
    case M::ChSeriesData: return Obj(Self<TrptChartView>(I, Name).SeriesData());
    case M::ChSeriesCount: return Variant(Self<TrptChartView>(I, Name).Chart()->SeriesCount());
    case M::Absent:
        throw EInvalidOperation(QStringLiteral("%1: this kind of report object is not available").arg(Name));
    default: return None();
    }
}

void Set(M Member, TObject* I, const QString& Name, const Variant& V) {
    switch (Member) {
    case M::WsText: Self<TrptWideStrings>(I, Name).SetText(Text(V)); break;
    case M::CParent: Self<TrptComponent>(I, Name).SetParent(VariantToObjectAs<TrptComponent>(V)); break;
    case M::VTagStr: Self<TrptView>(I, Name).SetTagStr(Text(V)); break;
    case M::MText: {
        auto& m = Self<TrptCustomMemoView>(I, Name);
        // A single-byte text is read in the code page of the font's character set.
        if (m.Font()->Charset() != DEFAULT_CHARSET && V.VType() == varString)
            m.SetAnsiText(SingleBytes(V));
        else
            m.SetText(Text(V));
        break;
    }
    case M::MAnsiText: Self<TrptCustomMemoView>(I, Name).SetAnsiText(SingleBytes(V)); break;
    case M::MLines: {
        auto& m = Self<TrptCustomMemoView>(I, Name);
        TObject* src = VariantToObject(V);
        if (auto* s = dynamic_cast<TStrings*>(src))
            m.Lines()->Assign(*s);
        else if (!src)
            m.Lines()->Clear();
        else
            throw EConvertError(QStringLiteral("Cannot assign a %1 to Lines").arg(src->ClassName()));
        break;
    }
    case M::EoDestroyForms: Self<TrptEngineOptions>(I, Name).SetDestroyForms(V.ToBool()); break;
    case M::DpModalResult: Self<TrptDialogPage>(I, Name).SetModalResult(V.ToInt()); break;
    case M::RTerminated: Self<TrptReport>(I, Name).SetTerminated(V.ToBool()); break;
    case M::Absent:
        throw EInvalidOperation(QStringLiteral("%1: this kind of report object is not available").arg(Name));
    default: break;
    }
}

// Records of the script-visible classes that have no class of their own in Korvel yet.
const TClassInfo* Named(const char* Name, const TClassInfo* Parent) {
    return NamedClass(QString::fromLatin1(Name), Parent);
}

const TClassInfo* WideStringsClass() {
    return HostClass<TrptWideStrings>("TWideStrings", TStringsClassInfo());
}
const TClassInfo* JPEGClass() {
    return HostClass<TJPEGImage>("TJPEGImage", sc_igraphicsrtti::TFunctions::GraphicClass());
}
const TClassInfo* PngClass() {
    return HostClass<TPngImage>("TPngImage", sc_igraphicsrtti::TFunctions::GraphicClass());
}

} // namespace

namespace rptScriptRTTI {

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    TscScript* s = FScript;
    auto call = [this](M m) {
        return TscCallMethodNewEvent([this, m](TObject* inst, const TClassInfo*, const QString& name,
                                               TscMethodHelper* c) { return Call(this, m, inst, name, c); });
    };
    auto get = [this](M m) {
        return TscGetValueEvent(
            [this, m](TObject* inst, const TClassInfo*, const QString& name) { return Get(this, m, inst, name); });
    };
    auto set = [](M m) {
        return TscSetValueEvent([m](TObject* inst, const TClassInfo*, const QString& name, const Variant& v) {
            Set(m, inst, name, v);
        });
    };
    auto Meth = [&](TscClassVariable* c, const char* syntax, M m) { c->AddMethod(QString::fromLatin1(syntax), call(m)); };
    auto Ctor = [&](TscClassVariable* c, const char* syntax, M m) {
        c->AddConstructor(QString::fromLatin1(syntax), call(m));
    };
    auto Prop = [&](TscClassVariable* c, const char* name, const char* typ, M m, bool writable) {
        c->AddProperty(QString::fromLatin1(name), QString::fromLatin1(typ), get(m), writable ? set(m) : nullptr);
    };
    auto Index = [&](TscClassVariable* c, const char* name, const char* params, const char* typ, M m, bool readOnly) {
        c->AddIndexProperty(QString::fromLatin1(name), QString::fromLatin1(params), QString::fromLatin1(typ), call(m),
                            readOnly);
    };
    auto Default = [&](TscClassVariable* c, const char* name, const char* params, const char* typ, M m,
                       bool readOnly) {
        c->AddDefaultProperty(QString::fromLatin1(name), QString::fromLatin1(params), QString::fromLatin1(typ),
                              call(m), readOnly);
    };
    auto Class = [&](const TClassInfo* cls, const char* ancestor) {
        return s->AddClass(cls, QString::fromLatin1(ancestor));
    };

    // Constants.
    const struct {
        const char* Name;
        const char* Type;
        Variant Value;
    } consts[] = {{"fr01cm", "Extended", Variant(3.77953)}, {"fr1cm", "Extended", Variant(37.7953)},
                  {"fr01in", "Extended", Variant(9.6)},     {"fr1in", "Extended", Variant(96)},
                  {"fr1CharX", "Extended", Variant(9.6)},   {"fr1CharY", "Extended", Variant(17)},
                  {"clTransparent", "Integer", Variant(static_cast<int>(clNone))},
                  {"crHand", "Integer", Variant(150)},      {"crZoom", "Integer", Variant(151)},
                  {"crFormat", "Integer", Variant(152)}};
    for (const auto& c : consts)
        s->AddConst(QString::fromLatin1(c.Name), QString::fromLatin1(c.Type), c.Value);

    // Enumerations and sets.
    const struct {
        const char* Type;
        bool IsSet;
        const char* Members;
    } enums[] = {
        {"TrptStretchMode", false, "smDontStretch, smActualHeight, smMaxHeight"},
        {"TrptShiftMode", false, "smDontShift, smAlways, smWhenOverlapped"},
        {"TrptDuplexMode", false, "dmNone, dmVertical, dmHorizontal, dmSimplex"},
        {"TrptAlign", false, "baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient"},
        {"TrptFrameStyle", false, "fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble"},
        {"TrptFrameTypes", true, "ftLeft, ftRight, ftTop, ftBottom"},
        {"TrptHAlign", false, "haLeft, haRight, haCenter, haBlock"},
        {"TrptVAlign", false, "vaTop, vaBottom, vaCenter"},
        {"TrptRestrictions", true, "rfDontModify, rfDontSize, rfDontMove, rfDontDelete"},
        {"TrptShapeKind", false,
         "skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2"},
        {"TrptPreviewButtons", true,
         "pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbTree, pbPageSetup, pbRefresh, pbTools, pbEdit, "
         "pbNavigator, pbExportQuick"},
        {"TrptZoomMode", false, "zmDefault, zmWholePage, zmPageWidth, zmManyPages"},
        {"TrptPrintPages", false, "ppAll, ppOdd, ppEven"},
        {"TrptDMPFontStyles", true,
         "fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide, fsx12cpi, fsx15cpi"},
        {"TrptRangeBegin", false, "rbFirst, rbCurrent"},
        {"TrptRangeEnd", false, "reLast, reCurrent, reCount"},
        {"TrptFieldType", false, "fftNumeric, fftString, fftBoolean"},
        {"TrptFormatKind", false, "fkText, fkNumeric, fkDateTime, fkBoolean"},
    };
    for (const auto& e : enums)
        AddEnumList(s, QString::fromLatin1(e.Type), QString::fromLatin1(e.Members), e.IsSet);

    // Classes, ancestors before descendants.
    Class(JPEGClass(), "TGraphic");
    Class(PngClass(), "TGraphic");
    if (s->FindClass(QStringLiteral("TPersistent"))) {
        TscClassVariable* c = Class(WideStringsClass(), "TPersistent");
        Ctor(c, "constructor Create", M::WsCreate);
        Meth(c, "function Add(const S: string): Integer", M::WsAdd);
        Meth(c, "function AddObject(const S: string; AObject: TObject): Integer", M::WsAddObject);
        Meth(c, "procedure Clear", M::WsClear);
        Meth(c, "procedure Delete(Index: Integer)", M::WsDelete);
        Meth(c, "function IndexOf(const S: string): Integer", M::WsIndexOf);
        Meth(c, "procedure Insert(Index: Integer; const S: string)", M::WsInsert);
        Meth(c, "procedure LoadFromFile(const FileName: string)", M::WsLoadFromFile);
        Meth(c, "procedure LoadFromStream(Stream: TStream)", M::WsLoadFromStream);
        Meth(c, "procedure SaveToFile(const FileName: string)", M::WsSaveToFile);
        Meth(c, "procedure SaveToStream(Stream: TStream)", M::WsSaveToStream);
        Prop(c, "Count", "Integer", M::WsCount, false);
        Index(c, "Objects", "Integer", "TObject", M::WsObjects, false);
        Default(c, "Strings", "Integer", "string", M::WsStrings, false);
        Prop(c, "Text", "string", M::WsText, true);
    }

    TscClassVariable* c = Class(TrptDataSet::StaticClassInfo(), "TComponent");
    Meth(c, "procedure Open", M::DsOpen);
    Meth(c, "procedure Close", M::DsClose);
    Meth(c, "procedure First", M::DsFirst);
    Meth(c, "procedure Next", M::DsNext);
    Meth(c, "procedure Prior", M::DsPrior);
    Meth(c, "function Eof: Boolean", M::DsEof);
    Meth(c, "function FieldsCount: Integer", M::DsFieldsCount);
    Meth(c, "function HasField(const fName: String): Boolean", M::DsHasField);
    Meth(c, "function IsBlobField(const fName: String): Boolean", M::DsIsBlobField);
    Meth(c, "function RecordCount: Integer", M::DsRecordCount);
    Meth(c, "procedure GetFieldList(List: TStrings)", M::DsGetFieldList);
    Prop(c, "RecNo", "Integer", M::DsRecNo, false);
    Index(c, "DisplayText", "String", "String", M::DsDisplayText, true);
    Index(c, "DisplayWidth", "String", "Integer", M::DsDisplayWidth, true);
    Index(c, "FieldType", "String", "TrptFieldType", M::DsFieldType, true);
    Index(c, "Value", "String", "Variant", M::DsValue, true);
    Class(TrptUserDataSet::StaticClassInfo(), "TrptDataSet");
    Class(TrptCustomDBDataSet::StaticClassInfo(), "TrptDataSet");

    c = Class(TrptComponent::StaticClassInfo(), "TComponent");
    Meth(c, "procedure Clear", M::CClear);
    Meth(c, "function FindObject(s: String): TrptComponent", M::CFindObject);
    Meth(c, "procedure LoadFromStream(Stream: TStream)", M::CLoadFromStream);
    Meth(c, "procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)", M::CSaveToStream);
    Meth(c, "procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)", M::CSetBounds);
    Prop(c, "Objects", "TList", M::CObjects, false);
    Prop(c, "AllObjects", "TList", M::CAllObjects, false);
    Prop(c, "Parent", "TrptComponent", M::CParent, true);
    Prop(c, "Page", "TrptPage", M::CPage, false);
    Prop(c, "AbsLeft", "Extended", M::CAbsLeft, false);
    Prop(c, "AbsTop", "Extended", M::CAbsTop, false);
    Class(TrptReportComponent::StaticClassInfo(), "TrptComponent");
    Class(TrptDialogComponent::StaticClassInfo(), "TrptReportComponent");
    c = Class(TrptDialogControl::StaticClassInfo(), "TrptReportComponent");
    Meth(c, "procedure SetFocus", M::DcSetFocus);
    for (const TClassInfo* control : DialogControlClasses())
        Class(control, "TrptDialogControl");
    Class(TrptFrameLine::StaticClassInfo(), "TPersistent");
    Class(TrptFrame::StaticClassInfo(), "TPersistent");
    c = Class(TrptView::StaticClassInfo(), "TrptReportComponent");
    Prop(c, "TagStr", "String", M::VTagStr, true);
    Class(TrptShapeView::StaticClassInfo(), "TrptView");
    c = Class(TrptStretcheable::StaticClassInfo(), "TrptView");
    Meth(c, "function CalcHeight: Extended", M::SCalcHeight);
    Class(TrptHighlight::StaticClassInfo(), "TPersistent");
    Class(TrptFormat::StaticClassInfo(), "TPersistent");
    c = Class(TrptCustomMemoView::StaticClassInfo(), "TrptStretcheable");
    Meth(c, "function CalcWidth: Extended", M::MCalcWidth);
    Prop(c, "Text", "String", M::MText, true);
    Prop(c, "AnsiText", "String", M::MAnsiText, true);
    Prop(c, "Lines", "TWideStrings", M::MLines, true);
    Prop(c, "Value", "Variant", M::MValue, false);
    Class(TrptMemoView::StaticClassInfo(), "TrptCustomMemoView");
    Class(TrptSysMemoView::StaticClassInfo(), "TrptCustomMemoView");
    Class(TrptDMPMemoView::StaticClassInfo(), "TrptCustomMemoView");
    Class(TrptCustomLineView::StaticClassInfo(), "TrptStretcheable");
    Class(TrptLineView::StaticClassInfo(), "TrptCustomLineView");
    Class(TrptDMPLineView::StaticClassInfo(), "TrptCustomLineView");
    Class(TrptDMPCommand::StaticClassInfo(), "TrptView");
    Class(TrptSubreport::StaticClassInfo(), "TrptView");
    c = Class(TrptPictureView::StaticClassInfo(), "TrptView");
    Meth(c, "procedure LoadFromFile(filename: String)", M::PLoadFromFile);
    c = Class(TrptBand::StaticClassInfo(), "TrptReportComponent");
    Prop(c, "Overflow", "Boolean", M::BOverflow, false);
    for (const TClassInfo* band :
         {TrptDataBand::StaticClassInfo(), TrptHeader::StaticClassInfo(), TrptFooter::StaticClassInfo(),
          TrptPageHeader::StaticClassInfo(), TrptPageFooter::StaticClassInfo(), TrptColumnHeader::StaticClassInfo(),
          TrptColumnFooter::StaticClassInfo(), TrptGroupHeader::StaticClassInfo(),
          TrptGroupFooter::StaticClassInfo(), TrptReportTitle::StaticClassInfo(),
          TrptReportSummary::StaticClassInfo(), TrptChild::StaticClassInfo(), TrptOverlay::StaticClassInfo()})
        Class(band, "TrptBand");
    for (const TClassInfo* data :
         {TrptMasterData::StaticClassInfo(), TrptDetailData::StaticClassInfo(), TrptSubdetailData::StaticClassInfo(),
          TrptDataBand4::StaticClassInfo(), TrptDataBand5::StaticClassInfo(), TrptDataBand6::StaticClassInfo()})
        Class(data, "TrptDataBand");
    // The engine's strip of the page's loose objects.
    Class(TrptNullBand::StaticClassInfo(), "TrptBand");
    Class(TrptPage::StaticClassInfo(), "TrptComponent");
    Class(TrptReportPage::StaticClassInfo(), "TrptPage");
    c = Class(TrptDialogPage::StaticClassInfo(), "TrptPage");
    Meth(c, "function ShowModal: Integer", M::DpShowModal);
    Prop(c, "ModalResult", "Integer", M::DpModalResult, true);
    Class(TrptDataPage::StaticClassInfo(), "TrptPage");
    Class(TrptDMPPage::StaticClassInfo(), "TrptReportPage");
    c = Class(TrptEngineOptions::StaticClassInfo(), "TPersistent");
    Prop(c, "DestroyForms", "Boolean", M::EoDestroyForms, true);
    Class(TrptPrintOptions::StaticClassInfo(), "TPersistent");
    Class(TrptPreviewOptions::StaticClassInfo(), "TPersistent");
    Class(TrptReportOptions::StaticClassInfo(), "TPersistent");
    Class(TrptVariable::StaticClassInfo(), "TCollectionItem");
    Class(TrptStyleItem::StaticClassInfo(), "TCollectionItem");
    c = Class(TrptVariables::StaticClassInfo(), "TCollection");
    Ctor(c, "constructor Create", M::VarCreate);
    Default(c, "Variables", "String", "Variant", M::VarVariables, false);
    c = Class(TrptStyles::StaticClassInfo(), "TCollection");
    Ctor(c, "constructor Create(AReport: TrptReport)", M::StCreate);
    Default(c, "Items", "Integer", "TrptStyleItem", M::StItems, false);
    Meth(c, "function Add: TrptStyleItem", M::StAdd);
    Meth(c, "function Find(const Name: String): TrptStyleItem", M::StFind);
    Meth(c, "procedure Apply", M::StApply);
    Meth(c, "procedure GetList(List: TStrings)", M::StGetList);
    Meth(c, "procedure LoadFromFile(const FileName: String)", M::StLoadFromFile);
    Meth(c, "procedure LoadFromStream(Stream: TStream)", M::StLoadFromStream);
    Meth(c, "procedure SaveToFile(const FileName: String)", M::StSaveToFile);
    Meth(c, "procedure SaveToStream(Stream: TStream)", M::StSaveToStream);
    c = Class(TrptArray::StaticClassInfo(), "TCollection");
    Ctor(c, "constructor Create", M::ArrCreate);
    Default(c, "Variables", "Variant", "Variant", M::ArrVariables, false);

    s->AddObject(QStringLiteral("rptGlobalVariables"), GlobalVariables());

    c = Class(TrptReport::StaticClassInfo(), "TrptComponent");
    Meth(c, "function Calc(const Expr: String): Variant", M::RCalc);
    Meth(c, "function GetDataset(const Alias: String): TrptDataset", M::RGetDataset);
    Meth(c, "function LoadFromFile(const FileName: String): Boolean", M::RLoadFromFile);
    Meth(c, "procedure SaveToFile(const FileName: String)", M::RSaveToFile);
    Meth(c, "procedure ShowReport", M::RShowReport);
    Prop(c, "Terminated", "Boolean", M::RTerminated, true);
    Prop(c, "Variables", "TrptVariables", M::RVariables, false);
    Prop(c, "Styles", "TrptStyles", M::RStyles, false);
    c = Class(TrptCustomEngine::StaticClassInfo(), "TPersistent");
    Meth(c, "procedure AddAnchor(const Text: String)", M::EAddAnchor);
    Meth(c, "procedure NewPage", M::ENewPage);
    Meth(c, "procedure NewColumn", M::ENewColumn);
    Meth(c, "procedure ShowBand(Band: TrptBand)", M::EShowBand);
    Meth(c, "procedure StopReport", M::EStopReport);
    Meth(c, "function FreeSpace: Extended", M::EFreeSpace);
    Meth(c, "function GetAnchorPage(const Text: String): Integer", M::EGetAnchorPage);
    Class(TrptEngine::StaticClassInfo(), "TrptCustomEngine");
    c = Class(TrptCustomOutline::StaticClassInfo(), "TPersistent");
    Meth(c, "procedure AddItem(const Text: String)", M::OAddItem);
    Meth(c, "procedure LevelRoot", M::OLevelRoot);
    Meth(c, "procedure LevelUp", M::OLevelUp);
    Class(TrptOutline::StaticClassInfo(), "TrptCustomOutline");

    // Functions. IIF and the aggregates answer 0 here: the report registers its own functions of
    // these names in its script, which are found first; these give the designer's list.
    const QString none;
    auto Fn = [&](const char* syntax, const char* category, M m) {
        s->AddMethod(QString::fromLatin1(syntax), call(m), QString::fromLatin1(category), none);
    };
    Fn("function DayOf(Date: TDateTime): Integer", "ctDate", M::FDayOf);
    Fn("function MonthOf(Date: TDateTime): Integer", "ctDate", M::FMonthOf);
    Fn("function YearOf(Date: TDateTime): Integer", "ctDate", M::FYearOf);
    Fn("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", "ctOther", M::Absent);
    for (const char* f :
         {"function SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          "function AVG(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          "function MIN(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          "function MAX(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          "function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"})
        s->AddMethod(QString::fromLatin1(f),
                     TscCallMethodNewEvent([](TObject*, const TClassInfo*, const QString&, TscMethodHelper*) {
                         return None();
                     }),
                     QStringLiteral("ctAggregate"), none);
}

TFunctions::~TFunctions() = default;

TList* TFunctions::ListOf(const TrptComponent* C, bool All) {
    std::unique_ptr<TList>& list = FLists[All ? 1 : 0][C];
    if (!list) list = std::make_unique<TList>();
    list->Clear();
    auto* comp = const_cast<TrptComponent*>(C);
    for (TrptComponent* o : All ? comp->AllObjects() : comp->Objects())
        list->Add(o);
    return list.get();
}

TCheckBoxFunctions::TCheckBoxFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    AddEnumList(FScript, QStringLiteral("TrptCheckStyle"), QStringLiteral("csCross, csCheck, csLineCross, csPlus"), false);
    AddEnumList(FScript, QStringLiteral("TrptUncheckStyle"), QStringLiteral("usEmpty, usCross, usLineCross, usMinus"),
                false);
    FScript->AddClass(Named("TrptCheckBoxView", TrptView::StaticClassInfo()), QStringLiteral("TrptView"));
}

TChartFunctions::TChartFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    TscScript* s = FScript;
    AddEnumList(s, QStringLiteral("TrptSeriesDataType"), QStringLiteral("dtDBData, dtBandData, dtFixedData"), false);
    AddEnumList(s, QStringLiteral("TrptChartSeries"),
                QStringLiteral("csLine, csArea, csPoint, csBar, csHorizBar, csPie, csGantt, csFastLine, csArrow, "
                               "csBubble, csChartShape, csHorizArea, csHorizLine, csPolar, csRadar, csPolarBar, "
                               "csGauge, csSmith, csPyramid, csDonut, csBezier, csCandle, csVolume, csPointFigure, "
                               "csHistogram, csHorizHistogram, csErrorBar, csError, csHighLow, csFunnel, csBox, "
                               "csHorizBox, csSurface, csContour, csWaterFall, csColorGrid, csVector3D, csTower, "
                               "csTriSurface, csPoint3D, csBubble3D, csMyPoint, csBarJoin, csBar3D"),
                false);
    const auto call = [](M m) {
        return TscCallMethodNewEvent([m](TObject* inst, const TClassInfo*, const QString& name, TscMethodHelper* c) {
            return Call(nullptr, m, inst, name, c);
        });
    };
    const auto get = [](M m) {
        return TscGetValueEvent(
            [m](TObject* inst, const TClassInfo*, const QString& name) { return Get(nullptr, m, inst, name); });
    };
    RegisterChartClasses();
    s->AddClass(TrptSeriesItem::StaticClassInfo(), QStringLiteral("TPersistent"));
    TscClassVariable* c = s->AddClass(TrptSeriesData::StaticClassInfo(), QStringLiteral("TPersistent"));
    c->AddMethod(QStringLiteral("function Add: TrptSeriesItem"), call(M::SdAdd));
    c->AddDefaultProperty(QStringLiteral("Items"), QStringLiteral("Integer"), QStringLiteral("TrptSeriesItem"),
                          call(M::SdItems), true);
    c = s->AddClass(TrptChartView::StaticClassInfo(), QStringLiteral("TrptView"));
    c->AddProperty(QStringLiteral("Chart"), QStringLiteral("TChart"), get(M::ChChart));
    c->AddIndexProperty(QStringLiteral("Series"), QStringLiteral("Integer"), QStringLiteral("TChartSeries"),
                        call(M::ChSeries), true);
    c->AddProperty(QStringLiteral("SeriesData"), QStringLiteral("TrptSeriesData"), get(M::ChSeriesData));
    c->AddProperty(QStringLiteral("SeriesCount"), QStringLiteral("Integer"), get(M::ChSeriesCount));
    c->AddMethod(QStringLiteral("procedure AddSeries(ASeries:TrptChartSeries)"), call(M::ChAddSeries));
}

} // namespace rptScriptRTTI

void RegisterReportRTTIModules() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterHostRTTIModules();
        // The dialog classes this module binds are known to templates by name from here on:
        // every report registers the modules before it reads one.
        RegisterDialogClasses();
        // Class records first: a property record resolves its class once and keeps it.
        WideStringsClass();
        JPEGClass();
        PngClass();
        RegisterRTTIModule(&rptScriptRTTI::TFunctions::Make);
        RegisterRTTIModule(&rptScriptRTTI::TCheckBoxFunctions::Make);
        RegisterRTTIModule(&rptScriptRTTI::TChartFunctions::Make);
    });
}

void RaiseScriptEventError(const TObject* Obj, const QString& Procedure, const Exception& E) {
    // A silent stop stays silent; an error that already names its event passes as it is.
    if (dynamic_cast<const ErptScriptEventError*>(&E) || E.InheritsFrom(QStringLiteral("EAbort"))) E.Raise();
    // The event property that names the procedure; looked up only here, on the error path.
    QString event;
    if (Obj) {
        const TClassInfo* cls = ClassInfoOf(Obj);
        static const std::vector<const TPropInfo*> noProps;
        for (const TPropInfo* p : cls ? cls->Props() : noProps) {
            if (p->Kind() != tkString || !p->Name().startsWith(QLatin1String("On"))) continue;
            Variant v;
            try {
                v = GetPropValue(Obj, p);
            } catch (const Exception&) {
                continue;
            }
            if (v.ToString().trimmed().compare(Procedure.trimmed(), Qt::CaseInsensitive) == 0) {
                event = p->Name();
                break;
            }
        }
    }
    QString where = Describe(Obj);
    if (!event.isEmpty()) where += QLatin1Char('.') + event;
    throw ErptScriptEventError(QStringLiteral("%1 (procedure %2): %3").arg(where, Procedure.trimmed(), E.Message()));
}
