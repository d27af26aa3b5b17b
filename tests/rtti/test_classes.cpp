#include "platform/rtti/Classes.h"
#include "platform/rtti/ObjectHandles.h"

#include <gtest/gtest.h>

namespace {

// A component that records its death and may watch another component.
class TWatcher : public TComponent {
    KORVEL_CLASS(TWatcher, TComponent)
public:
    explicit TWatcher(TComponent* owner = nullptr, int* deaths = nullptr)
        : TComponent(owner), FDeaths(deaths) {}
    ~TWatcher() override {
        if (FDeaths) ++*FDeaths;
    }
    TComponent* Watched() const { return FWatched; }
    void SetWatched(TComponent* c) {
        if (FWatched) FWatched->RemoveFreeNotification(this);
        FWatched = c;
        if (c) c->FreeNotification(this);
    }
    QStringList Log;

protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        Log << QString("%1 %2").arg(op == opInsert ? "insert" : "remove", c->Name());
        if (op == opRemove && c == FWatched) FWatched = nullptr;
    }

private:
    int* FDeaths;
    TComponent* FWatched = nullptr;
};

} // namespace

KORVEL_CLASS_INFO(TWatcher) {}

namespace {

QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.ClassName() + ": " + e.Message();
    }
    return "no error";
}

TEST(Component, OwnerFreesChildrenAndChildLeavesOwner) {
    int deaths = 0;
    {
        TComponent owner;
        auto* a = new TWatcher(&owner, &deaths);
        new TWatcher(&owner, &deaths);
        auto* grandchild = new TWatcher(a, &deaths);
        EXPECT_EQ(owner.ComponentCount(), 2);
        EXPECT_EQ(a->Owner(), &owner);
        EXPECT_EQ(grandchild->Owner(), a);
        EXPECT_EQ(a->ComponentIndex(), 0);

        std::unique_ptr<TComponent>(owner.Components(1)).reset(); // freeing a child removes it
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(owner.ComponentCount(), 1);
    }
    EXPECT_EQ(deaths, 3);
}

TEST(Component, NamesFollowIdentifierRulesAndStayUnique) {
    TComponent owner;
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName("Button1");
    EXPECT_EQ(ErrorOf([&] { b->SetName("BUTTON1"); }),
              "EComponentError: A component named BUTTON1 already exists");
    EXPECT_EQ(ErrorOf([&] { b->SetName("1Button"); }),
              "EComponentError: '1Button' is not a valid component name");
    EXPECT_EQ(ErrorOf([&] { b->SetName("My Button"); }),
              "EComponentError: 'My Button' is not a valid component name");
    EXPECT_EQ(ErrorOf([&] { b->SetName("Кнопка"); }),
              "EComponentError: 'Кнопка' is not a valid component name");
    EXPECT_EQ(b->Name(), "");
    b->SetName("_b2");
    a->SetName("BUTTON1"); // the same name in other letters is a rename of itself
    EXPECT_EQ(a->Name(), "BUTTON1");
    a->SetName("");
    b->SetName("Button1");
    EXPECT_EQ(owner.FindComponent("button1"), b);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    EXPECT_EQ(owner.UniqueName("Button"), "Button2");
    a->SetName("Button2");
    EXPECT_EQ(owner.UniqueName("button"), "button3");

    // A component that joins an owner must not bring a name that is taken there.
    TComponent other;
    auto* stray = new TComponent(&other);
    stray->SetName("Button2");
    EXPECT_EQ(ErrorOf([&] { owner.InsertComponent(stray); }),
              "EComponentError: A component named Button2 already exists");
    stray->SetName("Moved");
    owner.InsertComponent(stray);
    EXPECT_EQ(stray->Owner(), &owner);
    EXPECT_EQ(other.ComponentCount(), 0);
    EXPECT_EQ(owner.ComponentCount(), 3);
    EXPECT_THROW(stray->InsertComponent(&owner), EComponentError); // no owner loops
    EXPECT_THROW(stray->InsertComponent(stray), EComponentError);
    EXPECT_EQ(stray->Owner(), &owner);
}

TEST(Component, FreeingAReferencedComponentClearsTheReference) {
    // Siblings hear of each other through their owner.
    TComponent form;
    auto* watcher = new TWatcher(&form);
    auto* target = new TComponent(&form);
    target->SetName("Target");
    watcher->SetWatched(target);
    std::unique_ptr<TComponent>(target).reset();
    EXPECT_EQ(watcher->Watched(), nullptr);
    EXPECT_TRUE(watcher->Log.contains("remove Target"));

    // Across owners the free notification links them; either side may die first.
    auto module = std::make_unique<TComponent>();
    auto* data = new TComponent(module.get());
    data->SetName("Data");
    watcher->SetWatched(data);
    module.reset(); // the owner frees Data, which tells the watcher
    EXPECT_EQ(watcher->Watched(), nullptr);

    auto lone = std::make_unique<TComponent>();
    {
        TWatcher w;
        w.SetWatched(lone.get());
    } // the watcher dies first; the watched one must not call it later
    lone.reset();

    // A watcher that stops watching is not told any more.
    auto other = std::make_unique<TComponent>();
    other->SetName("Other");
    watcher->SetWatched(other.get());
    watcher->SetWatched(nullptr);
    watcher->Log.clear();
    other.reset();
    EXPECT_FALSE(watcher->Log.contains("remove Other"));
}

TEST(Component, LoadingStateAndTag) {
    TComponent c;
    c.SetLoading(true);
    EXPECT_TRUE(c.IsLoading());
    EXPECT_TRUE(c.ComponentState().Contains(csLoading));
    c.Loaded();
    EXPECT_FALSE(c.IsLoading());
    TComponent owner;
    owner.SetDesigning(true);
    auto* child = new TComponent(&owner);
    EXPECT_TRUE(child->IsDesigning());
    c.SetTag(-5);
    EXPECT_EQ(GetOrdProp(&c, "Tag"), -5);
}

TEST(Persistent, AssignErrorsNameBothClasses) {
    TComponent c;
    TWatcher w;
    EXPECT_EQ(ErrorOf([&] { c.Assign(&w); }), "EConvertError: Cannot assign a TWatcher to a TComponent");
    EXPECT_EQ(ErrorOf([&] { c.Assign(nullptr); }), "EConvertError: Cannot assign a nil to a TComponent");
}

// ---------------------------------------------------------------------------------------------
// Collections

class TColumnItem : public TCollectionItem {
    KORVEL_CLASS(TColumnItem, TCollectionItem)
public:
    explicit TColumnItem(TCollection* c = nullptr) : TCollectionItem(c) {}
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& v) {
        FTitle = v;
        Changed(false);
    }
    void Assign(const TPersistent* source) override {
        if (auto* s = dynamic_cast<const TColumnItem*>(source))
            FTitle = s->FTitle;
        else
            TCollectionItem::Assign(source);
    }

private:
    QString FTitle;
};

} // namespace

KORVEL_CLASS_INFO(TColumnItem) {
    b.Prop("Title", &TColumnItem::Title, &TColumnItem::SetTitle);
}

namespace {

QStringList Titles(const TCollection& c) {
    QStringList r;
    for (int i = 0; i < c.Count(); ++i)
        r << static_cast<TColumnItem*>(c.Items(i))->Title();
    return r;
}

TEST(Collection, AddInsertDeleteMoveAndIDs) {
    TCollection cols(TColumnItem::StaticClassInfo());
    QList<TCollectionItem*> updates;
    cols.OnUpdate = [&](TCollection*, TCollectionItem* item) { updates << item; };

    auto* a = cols.AddItem<TColumnItem>();
    ASSERT_NE(a, nullptr);
    a->SetTitle("A");
    static_cast<TColumnItem*>(cols.Add())->SetTitle("B");
    static_cast<TColumnItem*>(cols.Insert(0))->SetTitle("Z");
    EXPECT_EQ(Titles(cols), QStringList({"Z", "A", "B"}));
    EXPECT_EQ(a->ID(), 0);
    EXPECT_EQ(cols.Items(0)->ID(), 2);
    EXPECT_EQ(cols.FindItemID(1), cols.Items(2));
    EXPECT_EQ(a->Index(), 1);
    EXPECT_TRUE(updates.contains(a)); // an item's own change names it

    a->SetIndex(2);
    EXPECT_EQ(Titles(cols), QStringList({"Z", "B", "A"}));
    cols.Delete(0);
    EXPECT_EQ(Titles(cols), QStringList({"B", "A"}));
    EXPECT_EQ(ErrorOf([&] { cols.Items(2); }), "EListError: List index out of bounds (2)");

    updates.clear();
    cols.BeginUpdate();
    cols.Add();
    cols.Add();
    a->SetTitle("A2");
    EXPECT_TRUE(updates.isEmpty());
    cols.EndUpdate();
    EXPECT_EQ(updates, QList<TCollectionItem*>({nullptr})); // one notice for the whole batch

    std::unique_ptr<TCollectionItem>(cols.Items(0)).reset(); // an item freed directly leaves
    EXPECT_EQ(cols.Count(), 3);

    TCollection copy(TColumnItem::StaticClassInfo());
    copy.Assign(&cols);
    EXPECT_EQ(Titles(copy), Titles(cols));
    EXPECT_NE(copy.Items(0), cols.Items(0));

    cols.Clear();
    EXPECT_EQ(cols.Count(), 0);
}

TEST(Collection, ItemsOfTheWrongClassAreRefused) {
    TCollection cols(TComponent::StaticClassInfo());
    EXPECT_THROW(cols.Add(), EInvalidCast);
    EXPECT_EQ(cols.Count(), 0);
    TCollection plain(nullptr);
    EXPECT_EQ(plain.ItemClass(), TCollectionItem::StaticClassInfo());
    plain.Add();
    EXPECT_EQ(plain.Count(), 1);
}

// ---------------------------------------------------------------------------------------------
// Object handles

class TPlain : public TObject {};

TEST(ObjectHandles, StaleAndForgedHandlesRaise) {
    EXPECT_EQ(TObjectHandles::HandleOf(nullptr), 0);
    EXPECT_EQ(VariantToObject(Variant(0)), nullptr);
    EXPECT_EQ(VariantToObject(Variant()), nullptr);
    EXPECT_THROW(VariantToObject(Variant::Null()), EVariantTypeCastError);

    auto comp = std::make_unique<TComponent>();
    const Variant v = ObjectToVariant(comp.get());
    EXPECT_EQ(v.VType(), varInteger);
    EXPECT_NE(v.ToInt(), 0);
    EXPECT_EQ(TObjectHandles::HandleOf(comp.get()), v.ToInt()); // stable
    EXPECT_EQ(VariantToObject(v), comp.get());
    EXPECT_EQ(VariantToObjectAs<TComponent>(v), comp.get());
    EXPECT_THROW(VariantToObjectAs<TWatcher>(v), EInvalidCast);

    const int before = TObjectHandles::Count();
    comp.reset();
    EXPECT_EQ(TObjectHandles::Count(), before - 1);
    try {
        VariantToObject(v);
        FAIL() << "a stale handle resolved";
    } catch (const EInvalidPointer& e) {
        EXPECT_EQ(e.Message(), "invalid object reference");
    }

    // A later object never receives the dead one's handle.
    std::vector<std::unique_ptr<TPlain>> many;
    for (int i = 0; i < 1000; ++i) {
        many.push_back(std::make_unique<TPlain>());
        EXPECT_NE(TObjectHandles::HandleOf(many.back().get()), v.ToInt());
    }
    const int plainHandle = TObjectHandles::HandleOf(many[0].get());
    many.clear(); // plain objects drop their handles too
    EXPECT_FALSE(TObjectHandles::IsValid(plainHandle));

    // Numbers a script might make up are not live handles.
    auto live = std::make_unique<TPlain>();
    TObjectHandles::HandleOf(live.get());
    for (int forged : {1, 2, 3, 42, 1000, -1, std::numeric_limits<int>::max()})
        EXPECT_THROW(TObjectHandles::Resolve(forged), EInvalidPointer) << forged;
    EXPECT_THROW(VariantToObject(Variant(1LL << 40)), EInvalidPointer);
}

TEST(ObjectHandles, ComponentsFreedByTheirOwnerDropTheirHandles) {
    auto owner = std::make_unique<TComponent>();
    auto* child = new TComponent(owner.get());
    const int h = TObjectHandles::HandleOf(child);
    EXPECT_EQ(TObjectHandles::Resolve(h), child);
    owner.reset();
    EXPECT_THROW(TObjectHandles::Resolve(h), EInvalidPointer);
}

} // namespace
