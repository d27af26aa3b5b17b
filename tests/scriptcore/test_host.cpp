#include "TreeBuild.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/ObjectHandles.h"

#include <gtest/gtest.h>

enum TFruit { frApple, frPear, frPlum };
KORVEL_ENUM(TFruit, "frApple,frPear,frPlum")
KORVEL_SET(TFruits, TFruit)

using TQueryEvent = std::function<void(TObject* Sender, bool& CanGo)>;

class THostThing : public TComponent {
    KORVEL_CLASS(THostThing, TComponent)
public:
    explicit THostThing(TComponent* owner = nullptr) : TComponent(owner) {}
    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    bool Active() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    TFruit Fruit() const { return FFruit; }
    void SetFruit(TFruit v) { FFruit = v; }
    TFruits Fruits() const { return FFruits; }
    void SetFruits(TFruits v) { FFruits = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v) { FCaption = v; }
    QChar Letter() const { return FLetter; }
    void SetLetter(QChar v) { FLetter = v; }
    Variant Data() const { return FData; }
    void SetData(const Variant& v) { FData = v; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 v) { FBig = v; }
    THostThing* Buddy() const { return FBuddy; }
    void SetBuddy(THostThing* v) { FBuddy = v; }
    int Serial() const { return 17; }
    TQueryEvent OnQuery;
    QStringList Cells = {"a", "b", "c"};

private:
    int FCount = 0;
    bool FActive = false;
    TFruit FFruit = frApple;
    TFruits FFruits;
    double FRatio = 0;
    QString FCaption;
    QChar FLetter = 'a';
    Variant FData;
    qint64 FBig = 0;
    THostThing* FBuddy = nullptr;
};

class THostChild : public THostThing {
    KORVEL_CLASS(THostChild, THostThing)
public:
    using THostThing::THostThing;
};

KORVEL_CLASS_INFO(THostThing) {
    b.Prop("Count", &THostThing::Count, &THostThing::SetCount);
    b.Prop("Active", &THostThing::Active, &THostThing::SetActive);
    b.Prop("Fruit", &THostThing::Fruit, &THostThing::SetFruit);
    b.Prop("Fruits", &THostThing::Fruits, &THostThing::SetFruits);
    b.Prop("Ratio", &THostThing::Ratio, &THostThing::SetRatio);
    b.Prop("Caption", &THostThing::Caption, &THostThing::SetCaption);
    b.Prop("Letter", &THostThing::Letter, &THostThing::SetLetter);
    b.Prop("Data", &THostThing::Data, &THostThing::SetData);
    b.Prop("Big", &THostThing::Big, &THostThing::SetBig);
    b.Prop("Buddy", &THostThing::Buddy, &THostThing::SetBuddy);
    b.Prop("Serial", &THostThing::Serial);
    b.Event("OnQuery", &THostThing::OnQuery, "TQueryEvent");
}
KORVEL_CLASS_INFO(THostChild) {}

namespace {

// The bridge of OnQuery: passes Sender and CanGo, copies CanGo back.
class TscQueryEvent : public TscCustomEvent {
public:
    using TscCustomEvent::TscCustomEvent;
    static std::unique_ptr<TscCustomEvent> Make(TObject* o, TscProcVariable* h) {
        return std::make_unique<TscQueryEvent>(o, h);
    }
    std::any GetMethod() override {
        return std::any(TQueryEvent([this](TObject* sender, bool& canGo) {
            RunHandler({ObjectToVariant(sender), Variant(canGo)});
            canGo = ParamValue(1).ToBool();
        }));
    }
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddBasicTypes(&S);
        Cls = S.AddClass(THostThing::StaticClassInfo(), "TComponent");
        ASSERT_NE(Cls, nullptr);
        Cls->AddConstructor(
            "constructor Create(AOwner: TComponent)",
            [this](TObject* instance, const TClassInfo* cls, const QString& name, Variant& p) {
                EXPECT_EQ(instance, nullptr);
                EXPECT_EQ(name, "CREATE");
                Made.emplace_back(cls->CreateInstance(nullptr));
                return ObjectToVariant(Made.back().get());
            });
        Cls->AddMethod("procedure Free",
                       [this](TObject* instance, const TClassInfo*, const QString&, Variant&) {
                           for (auto& m : Made)
                               if (m.get() == instance) m.reset();
                           return Variant(0);
                       });
        Cls->AddMethod("function Twice(var n: Integer; k: Integer = 2): Integer",
                       [](TObject* instance, const TClassInfo*, const QString& name, Variant& p) {
                           EXPECT_EQ(name, "TWICE");
                           const int n = p.GetElement(0).ToInt();
                           p.SetElement(0, n * p.GetElement(1).ToInt());
                           p.SetElement(1, 0); // not a var parameter: stays in the helper
                           return Variant(static_cast<THostThing*>(instance)->Count() + n);
                       });
        Cls->AddDefaultProperty("Cells", "Integer", "String",
                                [](TObject* instance, const TClassInfo*, const QString& name, Variant& p) {
                                    auto* t = static_cast<THostThing*>(instance);
                                    const int i = p.GetElement(0).ToInt();
                                    if (name == "CELLS.GET") return Variant(t->Cells.value(i));
                                    EXPECT_EQ(name, "CELLS.SET");
                                    t->Cells[i] = p.GetElement(1).ToString();
                                    return Variant(0);
                                });
        Cls->AddIndexProperty(
            "Pair", "Integer, Integer", "Integer",
            [](TObject*, const TClassInfo*, const QString& name, TscMethodHelper* h) -> Variant {
                if (name == "PAIR.SET") {
                    LastPairSet = h->GetVParam(0).ToInt() * 100 + h->GetVParam(1).ToInt() * 10 +
                                  h->GetVParam(2).ToInt();
                    return Variant(0);
                }
                return Variant(h->GetVParam(0).ToInt() - h->GetVParam(1).ToInt());
            });
        Cls->AddProperty(
            "Shout", "String",
            [](TObject* i, const TClassInfo*, const QString& name) {
                return Variant(name + ":" + static_cast<THostThing*>(i)->Caption());
            },
            [](TObject* i, const TClassInfo*, const QString&, const Variant& v) {
                static_cast<THostThing*>(i)->SetCaption(v.ToString().toUpper());
            });
        Cls->AddProperty("Flag", "Boolean",
                         [](TObject*, const TClassInfo*, const QString&) { return Variant(-1); });
        Cls->AddEvent("OnQuery", &TscQueryEvent::Make);
        Child = S.AddClass(THostChild::StaticClassInfo(), "THostThing");
        Obj = std::make_unique<THostThing>();
        Obj->SetName("Thing1");
        S.AddObject("Thing1", Obj.get());
        S.AddVariable("o", "THostThing", 0);
        S.AddVariable("n", "Integer", 5);
        S.AddVariable("r", "Variant", Variant::Null());
    }

    // A designator Thing1.<member>, with arguments.
    DB Member(const QString& member, const QString& on = "Thing1") {
        TscCustomVariable* v = S.Find(on);
        DB d(&S);
        d.Link(v);
        d.Link(Cls->Find(member));
        return d;
    }
    Variant Get(const QString& member) { return Member(member).Done()->GetValue(); }
    void Set(const QString& member, const Variant& value) { Member(member).Done()->SetValue(value); }

    static inline int LastPairSet = 0;
    TscScript S;
    TscClassVariable* Cls = nullptr;
    TscClassVariable* Child = nullptr;
    std::unique_ptr<THostThing> Obj;
    std::vector<std::unique_ptr<TObject>> Made;
};

TEST_F(HostTest, PublishedPropertiesOfEveryKind) {
    THostThing buddy;
    struct Case {
        const char* name;
        TscVarType typ;
        Variant value;
    } cases[] = {
        {"Count", fvtInt, 42},
        {"Active", fvtBool, true},
        {"Fruit", fvtEnum, 2},
        {"Fruits", fvtEnum, 5},
        {"Ratio", fvtFloat, 2.25},
        {"Caption", fvtString, QString("hello")},
        {"Letter", fvtChar, QString("Z")},
        {"Data", fvtVariant, QString("any")},
        {"Big", fvtInt64, Variant(static_cast<long long>(1) << 40)},
        {"Buddy", fvtClass, ObjectToVariant(&buddy)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TscCustomHelper* h = Cls->Find(c.name);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->Typ(), c.typ);
        Set(c.name, c.value);
        EXPECT_TRUE(Get(c.name) == c.value) << VarToStr(Get(c.name)).toStdString();
    }
    EXPECT_EQ(Cls->Find("Fruit")->TypeName(), "TFruit");
    EXPECT_EQ(Cls->Find("Buddy")->TypeName(), "THostThing");
    EXPECT_EQ(Obj->Fruit(), frPlum);
    EXPECT_EQ(Obj->Buddy(), &buddy);
    EXPECT_EQ(Obj->Letter(), QChar('Z'));
    // 1 is a true value for a Boolean property too.
    Set("Active", 0);
    EXPECT_FALSE(Obj->Active());
    Set("Active", 1);
    EXPECT_TRUE(Obj->Active());
    // Read-only published properties ignore assignment; events are not properties.
    Set("Serial", 3);
    EXPECT_TRUE(Get("Serial") == Variant(17));
    EXPECT_EQ(Cls->Find("OnQuery")->Typ(), fvtString);
    // Inherited by the child class through its ancestor.
    EXPECT_NE(Child->Find("Count"), nullptr);
    EXPECT_EQ(Child->Find("Twice"), Cls->Find("Twice"));
}

TEST_F(HostTest, RegisteredPropertiesAndMethods) {
    Obj->SetCaption("abc");
    EXPECT_TRUE(Get("Shout") == Variant(QString("SHOUT:abc")));
    Set("Shout", QString("xy"));
    EXPECT_EQ(Obj->Caption(), "XY");
    EXPECT_TRUE(Get("Flag") == Variant(true)); // -1 reads as true
    EXPECT_TRUE(Cls->Find("Flag")->IsReadOnly());

    // Twice(n) with a var parameter: the argument variable receives the new value.
    Obj->SetCount(100);
    auto call = Member("Twice").Arg(Ex(&S, "n")).Arg(Ex(&S, "3")).Done();
    EXPECT_TRUE(call->GetValue() == Variant(105));
    EXPECT_TRUE(S.Variables("n") == Variant(15));
    // A constant in a var place changes nothing.
    auto constCall = Member("Twice").Arg(Ex(&S, "4")).Arg(Ex(&S, "3")).Done();
    EXPECT_TRUE(constCall->GetValue() == Variant(104));

    // A host function without call-back returns 0.
    S.AddMethod("function Nothing(a: Integer): Integer", TscCallMethodEvent());
    EXPECT_TRUE(DB(&S).Link(S.Find("Nothing")).Arg(Ex(&S, "1")).Done()->GetValue() == Variant(0));
    EXPECT_EQ(static_cast<TscMethodHelper*>(S.Find("Nothing"))->Description(), "Nothing");
}

TEST_F(HostTest, IndexedAndDefaultProperties) {
    EXPECT_EQ(Cls->DefProperty(), Cls->Find("Cells"));
    EXPECT_EQ(Child->DefProperty(), Cls->DefProperty()); // copied from the known ancestor
    EXPECT_EQ(static_cast<TscMethodHelper*>(Cls->Find("Pair"))->Syntax(),
              "function Pair(p0: Integer; p1: Integer): Integer");
    auto cell = Member("Cells").Arg(Ex(&S, "1")).Done();
    EXPECT_TRUE(cell->GetValue() == Variant(QString("b")));
    cell->SetValue(QString("B!"));
    EXPECT_EQ(Obj->Cells[1], "B!");
    auto pair = Member("Pair").Arg(Ex(&S, "9")).Arg(Ex(&S, "4")).Done();
    EXPECT_TRUE(pair->GetValue() == Variant(5));
    pair->SetValue(7); // the call-back reads the assigned value as Params[count]
    EXPECT_EQ(LastPairSet, 947);
}

TEST_F(HostTest, ConstructorsIsAndUseAfterFree) {
    // o := THostChild.Create(nil): the class link gives no object, the constructor makes it.
    auto make = DB(&S).Link(Child).Link(Child->Find("Create")).Arg(Ex(&S, "0")).Done();
    EXPECT_EQ(make->Typ(), fvtClass);
    EXPECT_EQ(make->TypeName(), "THostChild");
    S.Statement()->Clear();
    auto assign = std::make_unique<TscAssignmentStmt>(&S, QString(), "1:1");
    assign->SetDesignator(Var(&S, "o"));
    auto e = std::make_unique<TscExpression>(&S);
    e->AddDesignator(std::move(make));
    ASSERT_TRUE(e->Finalize().isEmpty());
    assign->SetExpression(std::move(e));
    assign->Optimize();
    S.Statement()->AddStatement(std::move(assign));
    S.Execute();
    ASSERT_EQ(Made.size(), 1u);
    EXPECT_EQ(Made[0]->ClassName(), "THostChild");
    EXPECT_TRUE(S.Variables("o") == ObjectToVariant(Made[0].get()));
    EXPECT_TRUE(Child->GetValue() == Variant(0)); // a class alone is no object

    auto isExpr = [&](const QString& var, TscClassVariable* cls) {
        auto x = std::make_unique<TscExpression>(&S);
        x->AddDesignator(Var(&S, var));
        x->AddOperator("is");
        x->AddDesignator(DB(&S).Link(cls).Done());
        EXPECT_TRUE(x->Finalize().isEmpty());
        return x->GetValue().ToBool();
    };
    EXPECT_TRUE(isExpr("o", Cls));
    EXPECT_TRUE(isExpr("o", Child));
    EXPECT_TRUE(isExpr("Thing1", Cls));
    EXPECT_FALSE(isExpr("Thing1", Child));
    S.SetVariables("r", 0);
    S.AddVariable("nilobj", "THostThing", 0);
    EXPECT_FALSE(isExpr("nilobj", Cls));

    // o.Free, then o.Count inside try/except: a catchable error, not a crash.
    S.Statement()->Clear();
    auto freeCall = std::make_unique<TscCallStmt>(&S, QString(), "1:1");
    freeCall->SetDesignator(DB(&S).Link(S.Find("o")).Link(Cls->Find("Free")).Done());
    S.Statement()->AddStatement(std::move(freeCall));
    auto t = std::make_unique<TscTryStmt>(&S, QString(), "1:1");
    t->SetIsExcept(true);
    auto read = std::make_unique<TscAssignmentStmt>(&S, QString(), "1:1");
    read->SetDesignator(Var(&S, "r"));
    auto re = std::make_unique<TscExpression>(&S);
    re->AddDesignator(DB(&S).Link(S.Find("o")).Link(Cls->Find("Count")).Done());
    re->Finalize();
    read->SetExpression(std::move(re));
    read->Optimize();
    t->AddStatement(std::move(read));
    S.Statement()->AddStatement(std::move(t));
    S.Execute();
    EXPECT_EQ(Made[0], nullptr);
    EXPECT_TRUE(S.Variables("ExceptionClassName") == Variant(QString("EInvalidPointer")));
    EXPECT_TRUE(S.Variables("ExceptionMessage").ToString().contains("invalid object reference"));
    // `is` and casts on the stale reference raise as well.
    EXPECT_THROW(isExpr("o", Cls), EInvalidPointer);
    // A forged reference is refused too.
    S.SetVariables("o", 123456);
    EXPECT_THROW(DB(&S).Link(S.Find("o")).Link(Cls->Find("Count")).Done()->GetValue(), EInvalidPointer);
    // A cast (the class applied to one argument) passes the argument through.
    auto cast = DB(&S).Link(Cls).Arg(Ex(&S, "Thing1")).Link(Cls->Find("Count")).Done();
    Obj->SetCount(8);
    EXPECT_TRUE(cast->GetValue() == Variant(8));
}

TEST_F(HostTest, EventsBindRunAndCopyBack) {
    // procedure Handler(Sender: TObject; var CanGo: Boolean); begin CanGo := False; n := n + 1 end
    auto proc = std::make_unique<TscProcVariable>("Handler", fvtInt, "", &S, false);
    TscProcVariable* h = proc.get();
    S.Add("Handler", std::move(proc));
    h->AddParam(std::make_unique<TscParamItem>("Sender", fvtVariant, "", false, false));
    h->AddParam(std::make_unique<TscParamItem>("CanGo", fvtBool, "Boolean", false, true));
    TscScript* L = h->Prog();
    AddAssign(L->Statement(), "CanGo", "False");
    AddAssign(L->Statement(), "n", "n + 1");

    Set("OnQuery", QString("Handler"));
    ASSERT_TRUE(bool(Obj->OnQuery));
    bool canGo = true;
    Obj->OnQuery(Obj.get(), canGo);
    EXPECT_FALSE(canGo);
    EXPECT_TRUE(S.Variables("n") == Variant(6));
    EXPECT_TRUE(h->Params(0)->Value() == ObjectToVariant(Obj.get()));

    EXPECT_THROW(Set("OnQuery", QString("n")), Exception); // not a procedure
    Set("OnQuery", 0);
    EXPECT_FALSE(bool(Obj->OnQuery));
}

TEST_F(HostTest, AHandlerThatIsRunningIsNotEnteredAgain) {
    S.AddMethod("procedure Fire", [this](TObject*, const TClassInfo*, const QString&, Variant&) {
        bool ok = true;
        Obj->OnQuery(Obj.get(), ok);
        return Variant(0);
    });
    auto proc = std::make_unique<TscProcVariable>("Again", fvtInt, "", &S, false);
    TscProcVariable* h = proc.get();
    S.Add("Again", std::move(proc));
    h->AddParam(std::make_unique<TscParamItem>("Sender", fvtVariant, "", false, false));
    h->AddParam(std::make_unique<TscParamItem>("CanGo", fvtBool, "Boolean", false, true));
    TscScript* L = h->Prog();
    AddAssign(L->Statement(), "n", "n + 1");
    auto fire = std::make_unique<TscCallStmt>(L, QString(), "1:1");
    fire->SetDesignator(DB(L).Link(S.Find("Fire")).Done());
    L->Statement()->AddStatement(std::move(fire));
    Set("OnQuery", QString("Again"));
    bool ok = true;
    Obj->OnQuery(Obj.get(), ok);
    EXPECT_TRUE(S.Variables("n") == Variant(6));
}

TEST_F(HostTest, LateBoundChainsResolveOnFirstUse) {
    int builds = 0;
    ScriptProgramBuilder().BuildDesignator = [&](TscScript* s, const TscXMLItem* src) {
        ++builds;
        TscCustomHelper* m = Cls->Find(src->GetProp("member"));
        if (!m) throw Exception("Undeclared identifier: '" + src->GetProp("member") + "'");
        return DB(s).Link(s->Find("Thing1")).Link(m).Done();
    };
    auto late = [&](const QString& member) {
        auto d = std::make_unique<TscDesignator>(&S);
        d->AddLink(S.Find("Thing1"));
        auto src = std::make_unique<TscXMLItem>();
        src->SetName("dsgn");
        src->SetProp("member", member);
        d->SetLateBindingXmlSource(std::move(src));
        return d;
    };
    Obj->SetCount(12);
    auto d = late("Count");
    EXPECT_TRUE(d->GetValue() == Variant(12));
    d->SetValue(13);
    EXPECT_EQ(Obj->Count(), 13);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(d->LateBindingXmlSource(), nullptr);
    EXPECT_THROW(late("Nope")->GetValue(), Exception);
    ScriptProgramBuilder().BuildDesignator = nullptr;
}

TEST_F(HostTest, DispatchNamesIgnoreTheTurkishLocale) {
    SetCaseLocale("tr-TR");
    // The locale's own rule would dot the capital I.
    EXPECT_EQ(AnsiUpperCase("fill"), QString::fromUtf8("F\u0130LL"));
    QStringList seen;
    TscScript s;
    TscClassVariable* c = s.AddClass(THostThing::StaticClassInfo(), "");
    c->AddMethod("procedure fill(i: Integer)", [&](TObject*, const TClassInfo*, const QString& n, Variant&) {
        seen << n;
        return Variant(0);
    });
    c->AddProperty("title", "String", [&](TObject*, const TClassInfo*, const QString& n) {
        seen << n;
        return Variant(0);
    });
    THostThing thing;
    s.AddObject("thing", &thing);
    DB(&s).Link(s.Find("THING")).Link(c->Find("FILL")).Arg(Ex(&s, "1")).Done()->GetValue();
    DB(&s).Link(s.Find("thing")).Link(c->Find("Title")).Done()->GetValue();
    SetCaseLocale("en-US");
    EXPECT_EQ(seen, QStringList({"FILL", "TITLE"}));
}

TEST_F(HostTest, AddClassOfANameTheParentKnows) {
    TscScript child;
    child.SetParent(&S);
    TscClassVariable* again = child.AddClass(THostThing::StaticClassInfo(), "TComponent");
    EXPECT_EQ(again, Cls);
    EXPECT_EQ(child.Count(), 0);
    EXPECT_EQ(S.AddClass(THostThing::StaticClassInfo(), "TComponent"), Cls);
    // A module running again in the child registers nothing twice: the first registration stays.
    const int members = Cls->MembersCount();
    TscMethodHelper* twice =
        again->AddMethod("function Twice(var n: Integer): Integer", TscCallMethodEvent());
    EXPECT_EQ(twice, Cls->Find("Twice"));
    EXPECT_TRUE(bool(twice->OnCall));
    EXPECT_EQ(again->AddEvent("OnQuery", nullptr), Cls->Find("OnQuery"));
    EXPECT_EQ(Cls->MembersCount(), members);
}

TEST_F(HostTest, ComponentsOfARegisteredClassBecomeMembers) {
    // A component whose class is not registered and is no form, data module or frame is skipped.
    TComponent plain;
    plain.SetName("Plain");
    const int before = S.Count();
    S.AddComponent(&plain);
    EXPECT_EQ(S.Count(), before);
    // A registered class gains the owned components as members, and the owner becomes a variable.
    THostThing owner;
    owner.SetName("Owner");
    auto* part = new THostThing(&owner);
    part->SetName("Part");
    part->SetCount(31);
    S.AddComponent(&owner);
    ASSERT_NE(S.Find("Owner"), nullptr);
    TscCustomHelper* m = Cls->Find("Part");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->TypeName(), "THostThing");
    auto d = DB(&S).Link(S.Find("Owner")).Link(m).Link(Cls->Find("Count")).Done();
    EXPECT_TRUE(d->GetValue() == Variant(31));
    owner.DestroyComponents(); // a freed component is refused, not reached
    EXPECT_THROW(d->GetValue(), EInvalidPointer);
}

} // namespace
