#include "platform/rtl/StringList.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/ObjectHandles.h"
#include "platform/rtti/TypInfo.h"

#include <gtest/gtest.h>

// One property of every kind, spread over a base and a derived class.

enum TShape { stRect, stCircle, stTriangle };
KORVEL_ENUM(TShape, "stRect,stCircle,stTriangle")
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
KORVEL_ENUM(TFontStyle, "fsBold, fsItalic, fsUnderline, fsStrikeOut")
KORVEL_SET(TFontStyles, TFontStyle)

using TNotifyFn = std::function<void(TObject*)>;

class TSub : public TPersistent {
    KORVEL_CLASS(TSub, TPersistent)
public:
    int Size() const { return FSize; }
    void SetSize(int v) { FSize = v; }
    void Assign(const TPersistent* source) override {
        if (auto* s = dynamic_cast<const TSub*>(source))
            FSize = s->FSize;
        else
            TPersistent::Assign(source);
    }

private:
    int FSize = 0;
};

KORVEL_CLASS_INFO(TSub) {
    b.Prop("Size", &TSub::Size, &TSub::SetSize).Default(0);
}

class TBase : public TComponent {
    KORVEL_CLASS(TBase, TComponent)
public:
    explicit TBase(TComponent* owner = nullptr) : TComponent(owner) {}
    int Left() const { return FLeft; }
    void SetLeft(int v) { FLeft = v; }
    Int64 Big() const { return FBig; }
    void SetBig(Int64 v) { FBig = v; }
    QChar Accel() const { return FAccel; }
    void SetAccel(QChar v) { FAccel = v; }
    TShape Shape() const { return FShape; }
    void SetShape(TShape v) { FShape = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles v) { FStyle = v; }
    short Small() const { return FSmall; }
    void SetSmall(short v) { FSmall = v; }

private:
    int FLeft = 0;
    Int64 FBig = 0;
    QChar FAccel = QLatin1Char('A');
    TShape FShape = stCircle;
    bool FVisible = true;
    TFontStyles FStyle{fsBold};
    short FSmall = 0;
};

KORVEL_CLASS_INFO(TBase) {
    b.Prop("Left", &TBase::Left, &TBase::SetLeft).Default(0);
    b.Prop("Big", &TBase::Big, &TBase::SetBig).Default(0);
    b.Prop("Accel", &TBase::Accel, &TBase::SetAccel).Default(QLatin1Char('A'));
    b.Prop("Shape", &TBase::Shape, &TBase::SetShape).Default(stCircle);
    b.Prop("Visible", &TBase::Visible, &TBase::SetVisible).Default(true);
    b.Prop("Style", &TBase::Style, &TBase::SetStyle).Default(TFontStyles{fsBold});
    b.Prop("Small", &TBase::Small, &TBase::SetSmall);
}

class TAll : public TBase {
    KORVEL_CLASS(TAll, TBase)
public:
    explicit TAll(TComponent* owner = nullptr) : TBase(owner) {}
    ~TAll() override = default;

    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    TDateTime When() const { return FWhen; }
    void SetWhen(TDateTime v) { FWhen = v; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v) { FCaption = v; }
    const QString& SyntaxType() const { return FSyntaxType; }
    void SetSyntaxType(const QString& v) { FSyntaxType = v; }
    Variant Value() const { return FValue; }
    void SetValue(const Variant& v) { FValue = v; }
    TSub* Sub() const { return FSub.get(); }
    void SetSub(TSub* v) { FSub->Assign(v); }
    bool IsSubStored() const { return FSub->Size() != 0; }
    TBase* Link() const { return FLink; }
    void SetLink(TBase* v) {
        if (FLink == v) return;
        if (FLink) FLink->RemoveFreeNotification(this);
        FLink = v;
        if (FLink) FLink->FreeNotification(this);
    }
    TStringList* Lines() const { return FLines.get(); }
    void SetLines(TStringList* v) { FLines->Assign(*v); }
    int Color() const { return FColor; }
    void SetColor(int v) { FColor = v; }
    int Count() const { return 42; }

    TNotifyFn OnChange;

protected:
    void Notification(TComponent* c, TOperation op) override {
        TBase::Notification(c, op);
        if (op == opRemove && c == FLink) FLink = nullptr;
    }

private:
    double FRatio = 1.5;
    TDateTime FWhen = 0;
    QString FCaption;
    QString FSyntaxType = QStringLiteral("PascalScript");
    Variant FValue;
    std::unique_ptr<TSub> FSub = std::make_unique<TSub>();
    TBase* FLink = nullptr;
    std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
    int FColor = 0xFFFFFF;
};

KORVEL_CLASS_INFO(TAll) {
    b.Prop("Ratio", &TAll::Ratio, &TAll::SetRatio).Default(1.5);
    b.Prop("When", &TAll::When, &TAll::SetWhen).Type("TDateTime");
    b.Prop("Caption", &TAll::Caption, &TAll::SetCaption);
    b.Prop("SyntaxType", &TAll::SyntaxType, &TAll::SetSyntaxType).Default("PascalScript");
    b.Prop("Value", &TAll::Value, &TAll::SetValue);
    b.Prop("Sub", &TAll::Sub, &TAll::SetSub).Stored(&TAll::IsSubStored);
    b.Prop("Link", &TAll::Link, &TAll::SetLink);
    b.Prop("Lines", &TAll::Lines, &TAll::SetLines);
    b.Event("OnChange", &TAll::OnChange, "TNotifyEvent");
    // A redeclared property keeps its inherited place and takes the new default.
    b.Prop("Shape", &TAll::Shape, &TAll::SetShape).Default(stTriangle);
    b.Prop("Color", &TAll::Color, &TAll::SetColor).Type("TColor").Default(0xFFFFFF);
    b.Prop("Count", &TAll::Count);
    b.Prop(
        "Doubled", [](const TAll& a) { return a.Left() * 2; }, [](TAll& a, int v) { a.SetLeft(v / 2); });
}

namespace {

QStringList Names(const TClassInfo* cls) {
    QStringList r;
    for (const TPropInfo* p : cls->Props())
        r << p->Name();
    return r;
}

TEST(TypInfo, PropertiesInDeclarationOrderBaseFirst) {
    const TClassInfo* all = TAll::StaticClassInfo();
    EXPECT_EQ(all->ClassName(), "TAll");
    EXPECT_EQ(all->Parent(), TBase::StaticClassInfo());
    EXPECT_TRUE(all->InheritsFrom(QStringLiteral("tcomponent")));
    EXPECT_FALSE(TBase::StaticClassInfo()->InheritsFrom(all));
    EXPECT_EQ(Names(all),
              QStringList({"Name",  "Tag",   "Left",  "Big",      "Accel",   "Shape",      "Visible",
                           "Style", "Small", "Ratio", "When",     "Caption", "SyntaxType", "Value",
                           "Sub",   "Link",  "Lines", "OnChange", "Color",   "Count",      "Doubled"}));
    EXPECT_EQ(Names(TBase::StaticClassInfo()).size(), 9);
    for (int i = 0; i < all->PropCount(); ++i)
        EXPECT_EQ(all->Props()[i]->Index(), i);

    struct Want {
        const char* Name;
        TTypeKind Kind;
        const char* Type;
    };
    const Want wants[] = {
        {"Name", tkString, "TComponentName"},
        {"Tag", tkInteger, "Integer"},
        {"Big", tkInt64, "Int64"},
        {"Accel", tkChar, "Char"},
        {"Shape", tkEnumeration, "TShape"},
        {"Visible", tkEnumeration, "Boolean"},
        {"Style", tkSet, "TFontStyles"},
        {"Small", tkInteger, "Integer"},
        {"Ratio", tkFloat, "Double"},
        {"When", tkFloat, "TDateTime"},
        {"Caption", tkString, "String"},
        {"Value", tkVariant, "Variant"},
        {"Sub", tkClass, "TSub"},
        {"Link", tkComponent, "TBase"},
        {"Lines", tkStrings, "TStringList"},
        {"OnChange", tkMethod, "TNotifyEvent"},
        {"Color", tkInteger, "TColor"},
    };
    for (const Want& w : wants) {
        const TPropInfo* p = GetPropInfo(all, QString::fromLatin1(w.Name).toUpper());
        ASSERT_NE(p, nullptr) << w.Name;
        EXPECT_EQ(p->Kind(), w.Kind) << w.Name;
        EXPECT_EQ(p->TypeName(), w.Type) << w.Name;
    }
    // Named types are one record per name, so editors can be registered by type.
    EXPECT_EQ(GetPropInfo(all, "Color")->PropType(), TTypeInfo::Named(tkInteger, "tcolor"));
    EXPECT_NE(GetPropInfo(all, "Color")->PropType(), GetPropInfo(all, "Tag")->PropType());
    EXPECT_EQ(GetPropInfo(all, "Sub")->PropClass(), TSub::StaticClassInfo());
    EXPECT_EQ(GetPropInfo(all, "Shape")->DeclaringClass(), all);
    EXPECT_EQ(GetPropInfo(TBase::StaticClassInfo(), "Shape")->Default().ToInt(), stCircle);
    EXPECT_EQ(GetPropInfo(all, "nope"), nullptr);
    EXPECT_EQ(GetPropList(all, {tkFloat}).size(), 2u);
    EXPECT_FALSE(GetPropInfo(all, "Count")->IsWritable());
    EXPECT_TRUE(GetPropInfo(all, "Doubled")->IsWritable());
}

TEST(TypInfo, SetAndGetEveryKindByName) {
    TAll owner;
    TAll* a = new TAll(&owner);
    auto* target = new TBase(&owner);
    target->SetName("Target");

    SetPropValue(a, "Name", "First");
    SetOrdProp(a, "tag", 7);
    SetOrdProp(a, "Left", -12);
    SetInt64Prop(a, "Big", 1LL << 40);
    SetPropValue(a, "Accel", "Z");
    SetEnumProp(a, "Shape", "STRECT");
    SetPropValue(a, "Visible", false);
    SetSetProp(a, "Style", "[fsItalic, fsUnderline]");
    SetOrdProp(a, "Small", -300);
    SetFloatProp(a, "Ratio", 0.25);
    SetPropValue(a, "When", Variant::FromDate(45000.5));
    SetStrProp(a, "Caption", "Hello");
    SetStrProp(a, "SyntaxType", "JScript");
    SetVariantProp(a, "Value", VarArrayOf({1, "x"}));
    TSub sub;
    sub.SetSize(9);
    SetObjectProp(a, "Sub", &sub);
    SetObjectProp(a, "Link", target);
    SetPropValue(a, "Lines", "one\r\ntwo");
    int calls = 0;
    SetMethodProp(a, GetPropInfo(a, "OnChange"), std::any(TNotifyFn([&](TObject*) { ++calls; })));
    SetPropValue(a, "Color", 255);
    SetOrdProp(a, "Doubled", 40);

    EXPECT_EQ(a->Name(), "First");
    EXPECT_EQ(a->Tag(), 7);
    EXPECT_EQ(GetOrdProp(a, "Left"), 20); // Doubled wrote it last
    EXPECT_EQ(GetInt64Prop(a, "Big"), 1LL << 40);
    EXPECT_EQ(GetPropValue(a, "Accel").ToString(), "Z");
    EXPECT_EQ(GetEnumProp(a, "Shape"), "stRect");
    EXPECT_EQ(GetPropValue(a, "Shape", false).ToInt(), stRect);
    EXPECT_EQ(GetPropValue(a, "Visible").VType(), varBoolean);
    EXPECT_FALSE(a->Visible());
    EXPECT_EQ(GetSetProp(a, "Style", true), "[fsItalic,fsUnderline]");
    EXPECT_EQ(GetOrdProp(a, "Style"), (1 << fsItalic) | (1 << fsUnderline));
    EXPECT_EQ(GetOrdProp(a, "Small"), -300);
    EXPECT_DOUBLE_EQ(GetFloatProp(a, "Ratio"), 0.25);
    EXPECT_EQ(GetPropValue(a, "When").VType(), varDate);
    EXPECT_EQ(GetStrProp(a, "Caption"), "Hello");
    EXPECT_EQ(GetStrProp(a, "SyntaxType"), "JScript");
    EXPECT_EQ(GetVariantProp(a, "Value").GetElement(1).ToString(), "x");
    EXPECT_EQ(a->Sub()->Size(), 9);
    EXPECT_NE(a->Sub(), &sub); // a sub-object is assigned, not replaced
    EXPECT_EQ(GetObjectProp(a, "Link"), target);
    EXPECT_EQ(VariantToObject(GetPropValue(a, "Link")), target);
    EXPECT_EQ(a->Lines()->Count(), 2);
    EXPECT_EQ(GetPropValue(a, "Lines").ToString(), "one\r\ntwo\r\n");
    a->OnChange(a);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(std::any_cast<TNotifyFn>(GetMethodProp(a, GetPropInfo(a, "OnChange"))) != nullptr);
    EXPECT_EQ(GetOrdProp(a, "Color"), 255);
    EXPECT_EQ(GetOrdProp(a, "Count"), 42);
}

TEST(TypInfo, DefaultsAndStoredRules) {
    TAll a;
    const TClassInfo* cls = ClassInfoOf(&a);
    EXPECT_EQ(cls, TAll::StaticClassInfo());
    // A fresh object matches its declared defaults, except where the class declares none.
    QStringList notDefault;
    for (const TPropInfo* p : cls->Props())
        if (!IsDefaultPropValue(&a, p)) notDefault << p->Name();
    // Shape starts as stCircle while TAll declares stTriangle; Small, When, Count and Doubled
    // have no declared default; a sub-object is never "default".
    EXPECT_EQ(notDefault, QStringList({"Shape", "Small", "When", "Sub", "Count", "Doubled"}));

    SetOrdProp(&a, "Left", 5);
    SetStrProp(&a, "Caption", "x");
    SetStrProp(&a, "SyntaxType", "BasicScript");
    SetPropValue(&a, "Value", 3);
    SetPropValue(&a, "Lines", "a");
    SetSetProp(&a, "Style", "");
    SetFloatProp(&a, "Ratio", 9);
    a.OnChange = [](TObject*) {};
    for (const TPropInfo* p : cls->Props())
        ResetPropToDefault(&a, p);
    notDefault.clear();
    for (const TPropInfo* p : cls->Props())
        if (!IsDefaultPropValue(&a, p)) notDefault << p->Name();
    EXPECT_EQ(notDefault, QStringList({"Small", "When", "Sub", "Count", "Doubled"}));
    EXPECT_EQ(a.Shape(), stTriangle);
    EXPECT_EQ(a.SyntaxType(), "PascalScript");
    EXPECT_EQ(a.Style(), TFontStyles{fsBold});
    EXPECT_FALSE(bool(a.OnChange));

    EXPECT_FALSE(IsStoredProp(&a, "Name"));
    EXPECT_TRUE(IsStoredProp(&a, "Left"));
    EXPECT_FALSE(IsStoredProp(&a, "Sub"));
    a.Sub()->SetSize(1);
    EXPECT_TRUE(IsStoredProp(&a, "Sub"));
}

TEST(TypInfo, ErrorsOfPropertyAccess) {
    TAll a;
    TBase other;
    auto message = [](auto f) {
        try {
            f();
        } catch (const Exception& e) {
            return e.ClassName() + ": " + e.Message();
        }
        return QString("no error");
    };
    EXPECT_EQ(message([&] { GetOrdProp(&a, "Nope"); }), "EPropertyError: Property Nope does not exist");
    EXPECT_EQ(message([&] { SetOrdProp(&a, "Count", 1); }), "EPropertyError: Property Count is read-only");
    EXPECT_EQ(message([&] { GetFloatProp(&a, "Left"); }), "EPropertyError: Invalid property type: Integer");
    EXPECT_EQ(message([&] { SetOrdProp(&a, "Shape", 3); }), "ERangeError: Shape: 3 is out of range 0..2");
    EXPECT_EQ(message([&] { SetOrdProp(&a, "Small", 40000); }), "ERangeError: Small: 40000 is out of range -32768..32767");
    EXPECT_EQ(message([&] { SetSetProp(&a, "Style", "[fsBold,fsNope]"); }),
              "EPropertyConvertError: Invalid property element: fsNope");
    EXPECT_EQ(message([&] { SetEnumProp(&a, "Shape", "stNope"); }),
              "EPropertyConvertError: Invalid enumeration name: stNope");
    TSub sub;
    EXPECT_EQ(message([&] { SetObjectProp(&a, "Link", &sub); }), "EInvalidCast: Invalid class typecast");
    // A property of TAll used on a mere TBase would read foreign memory: refused.
    EXPECT_EQ(message([&] { GetFloatProp(&other, GetPropInfo(&a, "Ratio")); }),
              "EPropertyError: Property Ratio does not belong to class TBase");
    EXPECT_EQ(message([&] { GetStrProp(nullptr, "Caption"); }),
              "EPropertyError: Property Caption of a nil object");
    EXPECT_EQ(message([&] { SetMethodProp(&a, GetPropInfo(&a, "OnChange"), std::any(42)); }),
              "EInvalidCast: Invalid class typecast");
}

TEST(TypInfo, EnumerationAndSetNames) {
    const TTypeInfo* shape = TypeInfoOf(static_cast<TShape*>(nullptr));
    EXPECT_EQ(shape->Kind(), tkEnumeration);
    EXPECT_EQ(GetEnumName(shape, stTriangle), "stTriangle");
    EXPECT_EQ(GetEnumName(shape, 7), "");
    EXPECT_EQ(GetEnumValue(shape, "STCIRCLE"), stCircle);
    EXPECT_EQ(GetEnumValue(shape, "circle"), -1);
    EXPECT_EQ(GetEnumValue(TTypeInfo::Boolean(), "true"), 1);
    const TTypeInfo* styles = TypeInfoOf(static_cast<TFontStyles*>(nullptr));
    EXPECT_EQ(styles->CompType(), TypeInfoOf(static_cast<TFontStyle*>(nullptr)));
    EXPECT_EQ(SetToString(styles, 0b1001), "fsBold,fsStrikeOut");
    EXPECT_EQ(SetToString(styles, 0, true), "[]");
    EXPECT_EQ(StringToSet(styles, " [ fsstrikeout , fsBold ] "), 0b1001);
    EXPECT_EQ(StringToSet(styles, ""), 0);
}

// A dialog page's class registered while the program runs.
class TLatePage : public TComponent {
    KORVEL_CLASS(TLatePage, TComponent)
public:
    explicit TLatePage(TComponent* owner = nullptr) : TComponent(owner) {}
};
KORVEL_CLASS_INFO(TLatePage) {}

class TAbstractThing : public TComponent {
    KORVEL_CLASS(TAbstractThing, TComponent)
public:
    virtual void Run() = 0;
};
KORVEL_CLASS_INFO(TAbstractThing) {}

TEST(ClassRegistry, FindCreateAndUnregister) {
    RegisterStandardClasses();
    RegisterClasses({TAll::StaticClassInfo(), TBase::StaticClassInfo()});
    EXPECT_EQ(GetClass("tall"), TAll::StaticClassInfo());
    EXPECT_EQ(FindClass("TComponent"), TComponent::StaticClassInfo());
    EXPECT_EQ(GetClass("TLatePage"), nullptr);
    try {
        FindClass("TLatePage");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TLatePage not found");
    }
    RegisterClass(TLatePage::StaticClassInfo());
    TComponent owner;
    TObject* made = FindClass("TLATEPAGE")->CreateInstance(&owner);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), made);
    EXPECT_EQ(made->ClassName(), "TLatePage");
    UnRegisterClass(TLatePage::StaticClassInfo());
    EXPECT_EQ(GetClass("TLatePage"), nullptr);

    auto list = FindClass("TStringList")->Create();
    EXPECT_NE(dynamic_cast<TStringList*>(list.get()), nullptr);
    EXPECT_EQ(list->ClassName(), "TStringList");
    EXPECT_TRUE(list->InheritsFrom("TStrings"));
    EXPECT_FALSE(TAbstractThing::StaticClassInfo()->CanCreate());
    EXPECT_THROW(TAbstractThing::StaticClassInfo()->CreateInstance(), EInvalidOperation);
}

TEST(ClassRegistry, ClassNameOfUndeclaredClasses) {
    class TLocalThing : public TAll {};
    TLocalThing thing;
    // An undeclared subclass answers with its nearest declared ancestor's record.
    EXPECT_EQ(ClassInfoOf(&thing), TAll::StaticClassInfo());
    TStringList list;
    EXPECT_EQ(list.ClassName(), "TStringList");
    EXPECT_EQ(ClassInfoOf(&list), TStringListClassInfo());
}

} // namespace
