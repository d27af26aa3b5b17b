// Name lookups that loaders lean on: properties by name through the class's index, components
// by name through their owner's index, the registered classes, raw values of the binary
// property stream.

#include "platform/rtti/Classes.h"
#include "platform/rtti/Filer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class TLookupBase : public TComponent {
    KORVEL_CLASS(TLookupBase, TComponent)
public:
    explicit TLookupBase(TComponent* owner = nullptr) : TComponent(owner) {}
    int Alpha() const { return FAlpha; }
    void SetAlpha(int v) { FAlpha = v; }
    int Beta() const { return FBeta; }
    void SetBeta(int v) { FBeta = v; }

private:
    int FAlpha = 0, FBeta = 0;
};

class TLookupDerived : public TLookupBase {
    KORVEL_CLASS(TLookupDerived, TLookupBase)
public:
    explicit TLookupDerived(TComponent* owner = nullptr) : TLookupBase(owner) {}
    double Gamma() const { return 0.5; }
};

} // namespace

KORVEL_CLASS_INFO(TLookupBase) {
    b.Prop("Alpha", &TLookupBase::Alpha, &TLookupBase::SetAlpha);
    b.Prop("Beta", &TLookupBase::Beta, &TLookupBase::SetBeta);
}

KORVEL_CLASS_INFO(TLookupDerived) {
    // Alpha again, read-only here: it keeps its place and replaces the base's record.
    b.Prop("Alpha", &TLookupBase::Alpha);
    b.Prop("Gamma", &TLookupDerived::Gamma);
}

TEST(Lookup, PropertiesByNameIgnoringAsciiCase) {
    const TClassInfo* base = TLookupBase::StaticClassInfo();
    const TClassInfo* derived = TLookupDerived::StaticClassInfo();
    ASSERT_NE(base->FindProp(QStringLiteral("aLPHA")), nullptr);
    EXPECT_EQ(base->FindProp(QStringLiteral("aLPHA"))->Name(), "Alpha");
    EXPECT_EQ(base->FindProp(QStringView(u"beta")), base->FindProp("Beta"));
    EXPECT_EQ(base->FindProp("Gamma"), nullptr);
    EXPECT_EQ(base->FindProp("Alph"), nullptr);
    EXPECT_EQ(base->FindProp(QString()), nullptr);

    const TPropInfo* alpha = derived->FindProp("ALPHA");
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->DeclaringClass(), derived);
    EXPECT_FALSE(alpha->IsWritable());
    EXPECT_EQ(alpha->Index(), base->FindProp("Alpha")->Index());
    EXPECT_EQ(derived->Props()[static_cast<size_t>(alpha->Index())], alpha);
    EXPECT_EQ(derived->FindProp("gamma")->Index(), derived->PropCount() - 1);
    // Name and Tag come from TComponent.
    EXPECT_NE(derived->FindProp("name"), nullptr);
}

TEST(Lookup, ComponentsByNameStayRightThroughRenamesAndRemovals) {
    TComponent owner;
    std::vector<TLookupBase*> children;
    for (int i = 0; i < 40; ++i) {
        auto* c = new TLookupBase(&owner);
        c->SetName(QStringLiteral("Item%1").arg(i));
        children.push_back(c);
    }
    EXPECT_EQ(owner.FindComponent("ITEM7"), children[7]);
    children[7]->SetName("Seven");
    EXPECT_EQ(owner.FindComponent("Item7"), nullptr);
    EXPECT_EQ(owner.FindComponent("seven"), children[7]);
    // A case change of the same name keeps it findable.
    children[8]->SetName("ITEM8");
    EXPECT_EQ(owner.FindComponent("item8"), children[8]);
    delete children[9];
    EXPECT_EQ(owner.FindComponent("Item9"), nullptr);
    auto* again = new TLookupBase(&owner);
    again->SetName("Item9");
    EXPECT_EQ(owner.FindComponent("Item9"), again);
    EXPECT_THROW(again->SetName("Item10"), EComponentError);
    EXPECT_EQ(owner.FindComponent("Item10"), children[10]);
    // Moving to another owner takes the name along.
    TComponent other;
    other.InsertComponent(children[11]);
    EXPECT_EQ(owner.FindComponent("Item11"), nullptr);
    EXPECT_EQ(other.FindComponent("Item11"), children[11]);
    EXPECT_EQ(owner.UniqueName("Item"), "Item7");
}

TEST(Lookup, RegisteredClassesAreListed) {
    RegisterClass(TLookupDerived::StaticClassInfo());
    const auto all = GetRegisteredClasses();
    EXPECT_NE(std::find(all.begin(), all.end(), TLookupDerived::StaticClassInfo()), all.end());
    EXPECT_EQ(std::find(all.begin(), all.end(), TLookupBase::StaticClassInfo()), all.end());
    UnRegisterClass(TLookupDerived::StaticClassInfo());
}

TEST(Lookup, RawValuesOfTheBinaryStreamGoBackUnchanged) {
    TWriter w;
    w.WriteListBegin();
    w.WriteString("abc");
    w.WriteInteger(70000);
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteInteger(5);
    TReader r(w.Data());
    const QByteArray list = r.ReadRawValue();
    EXPECT_EQ(r.ReadInteger(), 5);
    EXPECT_TRUE(r.AtEnd());
    TWriter again;
    again.WriteRawValue(list);
    again.WriteInteger(5);
    EXPECT_EQ(again.Data(), w.Data());
    TReader broken(QByteArray("\x01\x06\x05" "ab", 5));
    EXPECT_THROW(broken.ReadRawValue(), EReadError);
}
