// The process-wide registries: object classes, export filters, wizards, property editors and
// component editors.

#include "BasesTestClasses.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/GraphicsClasses.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDialogComponent.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Every test starts from empty registries and leaves none behind.
class Registries : public ::testing::Test {
protected:
    void SetUp() override { FreeRegistries(); }
    void TearDown() override { FreeRegistries(); }
};

const TTypeInfo* Type(TTypeKind Kind, const char* Name) {
    return TTypeInfo::Named(Kind, QString::fromLatin1(Name));
}

const TTypeInfo* ColorType() {
    return Type(tkInteger, "TColor");
}

// The editor class of the entry GetPropertyEditor picks, by its test number; 0 for a hidden
// property, -1 for no entry.
int EditorNumber(int Index) {
    if (Index < 0) return -1;
    const TClassInfo* cls = PropertyEditorRegistry()->Items(Index)->EditorClass();
    if (!cls) return 0;
    for (int n = 1; n < 100; ++n)
        if (TestEditorClass(n) == cls) return n;
    return -2;
}

int Lookup(const TTypeInfo* PropertyType, const TObject* Component, const QString& PropertyName) {
    return EditorNumber(PropertyEditorRegistry()->GetPropertyEditor(PropertyType, Component, PropertyName));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Accessors

TEST_F(Registries, AccessorsMakeEachRegistryOnceAndAgainAfterTheyAreFreed) {
    EXPECT_EQ(ExistingExportFilterRegistry(), nullptr);
    TrptObjectCollection* objects = ObjectRegistry();
    EXPECT_EQ(ObjectRegistry(), objects);
    TrptExportFilterCollection* filters = ExportFilterRegistry();
    EXPECT_EQ(ExistingExportFilterRegistry(), filters);
    EXPECT_EQ(WizardRegistry(), WizardRegistry());
    EXPECT_EQ(PropertyEditorRegistry(), PropertyEditorRegistry());
    EXPECT_EQ(ComponentEditorRegistry(), ComponentEditorRegistry());
    EXPECT_EQ(PropertyEditorRegistry()->EventEditorItem(), -1);

    ObjectRegistry()->RegisterObject(TTestMemoView::StaticClassInfo(), nullptr);
    WizardRegistry()->Register1(TTestWizard::StaticClassInfo(), 3);
    PropertyEditorRegistry()->RegisterEventEditor(TestEditorClass(1));
    FreeRegistries();
    EXPECT_EQ(ExistingExportFilterRegistry(), nullptr);
    EXPECT_EQ(ObjectRegistry()->Count(), 0);
    EXPECT_EQ(WizardRegistry()->Count(), 0);
    EXPECT_EQ(PropertyEditorRegistry()->Count(), 0);
    EXPECT_EQ(PropertyEditorRegistry()->EventEditorItem(), -1);
    EXPECT_THROW(ObjectRegistry()->Items(0), EListError);
}

// ---------------------------------------------------------------------------------------------
// Object registry

TEST_F(Registries, AClassIsListedOncePerFlags) {
    struct Case {
        const char* Name;
        std::vector<quint16> Flags;
        int Entries;
    };
    const Case cases[] = {
        {"once", {0}, 1},
        {"twice with the same flags", {0, 0}, 1},
        {"with different flags", {0, 1}, 2},
        {"line kinds 2, 3, 4 and 3 again", {2, 3, 4, 3}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FreeRegistries();
        for (quint16 f : c.Flags)
            ObjectRegistry()->RegisterObject1(TTestMemoView::StaticClassInfo(), nullptr, QString(), QString(),
                                              f);
        EXPECT_EQ(ObjectRegistry()->Count(), c.Entries);
    }
}

TEST_F(Registries, CategoriesAreDerivedWhenNoneIsGiven) {
    struct Case {
        const char* Name;
        const TClassInfo* Class;
        TrptObjectCategories Given;
        TrptObjectCategories Expected;
    };
    const Case cases[] = {
        {"dataset", TrptUserDataSet::StaticClassInfo(), {}, {ctData}},
        {"database", TrptCustomDatabase::StaticClassInfo(), {}, {ctData}},
        {"dialog button", TTestDialogButton::StaticClassInfo(), {}, {ctDialog}},
        {"dialog component", TrptDialogComponent::StaticClassInfo(), {}, {ctDialog}},
        {"memo", TTestMemoView::StaticClassInfo(), {}, {ctReport}},
        {"given categories are kept",
         TTestMemoView::StaticClassInfo(),
         {ctData, ctReport},
         {ctData, ctReport}},
        {"given for a dataset", TrptUserDataSet::StaticClassInfo(), {ctDMP}, {ctDMP}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FreeRegistries();
        ObjectRegistry()->RegisterObject1(c.Class, nullptr, QString(), QString(), 0, -1, c.Given);
        ASSERT_EQ(ObjectRegistry()->Count(), 1);
        EXPECT_TRUE(ObjectRegistry()->GetObjectItem(0)->Category() == c.Expected);
    }
}

TEST_F(Registries, RegisteringAnObjectMakesItsClassKnownByName) {
    EXPECT_EQ(GetClass("TTestPictureView"), nullptr);
    TBitmap picture(16, 16);
    ObjectRegistry()->RegisterObject(TTestPictureView::StaticClassInfo(), &picture, "Other");
    EXPECT_EQ(GetClass("ttestpictureview"), TTestPictureView::StaticClassInfo());

    const TrptObjectItem* item = ObjectRegistry()->Items(0);
    EXPECT_EQ(item->ClassRef(), TTestPictureView::StaticClassInfo());
    EXPECT_EQ(item->ButtonBmp(), &picture); // the registrant keeps it
    EXPECT_EQ(item->ButtonImageIndex(), -1);
    EXPECT_EQ(item->ButtonHint(), "");
    EXPECT_EQ(item->CategoryName(), "Other");
    EXPECT_EQ(item->Flags(), 0);
    UnRegisterClass(TTestPictureView::StaticClassInfo());
}

TEST_F(Registries, CategoryEntriesAndUnregistering) {
    TrptObjectCollection* r = ObjectRegistry();
    r->RegisterCategory("Draw", nullptr, "obCatDraw", 20);
    r->RegisterObject1(TTestMemoView::StaticClassInfo(), nullptr, "", "Draw", 2, 63);
    r->RegisterObject1(TTestPictureView::StaticClassInfo(), nullptr, "", "Draw", 0, 3);
    r->RegisterObject1(TTestMemoView::StaticClassInfo(), nullptr, "", "Draw", 3, 64);
    r->RegisterCategory("Draw", nullptr, "obCatDraw", 20); // categories are not compared
    ASSERT_EQ(r->Count(), 5);

    const TrptObjectItem* cat = r->Items(0);
    EXPECT_EQ(cat->ClassRef(), nullptr);
    EXPECT_EQ(cat->CategoryName(), "Draw");
    EXPECT_EQ(cat->ButtonHint(), "obCatDraw");
    EXPECT_EQ(cat->ButtonImageIndex(), 20);
    EXPECT_TRUE(cat->Category().Empty());
    EXPECT_EQ(r->Items(1)->ButtonImageIndex(), 63);

    r->Unregister(TTestMemoView::StaticClassInfo());
    ASSERT_EQ(r->Count(), 3);
    EXPECT_EQ(r->Items(0)->ClassRef(), nullptr);
    EXPECT_EQ(r->Items(1)->ClassRef(), TTestPictureView::StaticClassInfo());
    EXPECT_EQ(r->Items(2)->ClassRef(), nullptr);
    r->Unregister(nullptr); // not a class: the categories stay
    EXPECT_EQ(r->Count(), 3);
    UnRegisterClass(TTestMemoView::StaticClassInfo());
    UnRegisterClass(TTestPictureView::StaticClassInfo());
}

// ---------------------------------------------------------------------------------------------
// Export filter registry

TEST_F(Registries, ExportFiltersAreListedOnceInRegistrationOrder) {
    auto a = TrptCustomExportFilter::CreateNoRegister<TTestExportFilter>();
    auto b = TrptCustomExportFilter::CreateNoRegister<TTestBareFilter>();
    TrptExportFilterCollection* r = ExportFilterRegistry();
    r->Register(a.get());
    r->Register(b.get());
    r->Register(a.get());
    r->Register(nullptr);
    ASSERT_EQ(r->Count(), 2);
    EXPECT_EQ(r->GetExportFilterItem(0)->Filter(), a.get());
    EXPECT_EQ(r->GetExportFilterItem(1)->Filter(), b.get());
    EXPECT_EQ(r->GetExportFilterItem(0)->Filter()->GetDescription(), "Test file");

    r->Unregister(a.get());
    ASSERT_EQ(r->Count(), 1);
    EXPECT_EQ(r->Items(0)->Filter(), b.get());
    r->Unregister(b.get());
    EXPECT_EQ(r->Count(), 0);
}

// ---------------------------------------------------------------------------------------------
// Wizard registry

TEST_F(Registries, WizardsAreListedOncePerClass) {
    TBitmap picture(16, 16);
    TrptWizardCollection* r = WizardRegistry();
    r->Register(TTestWizard::StaticClassInfo(), &picture, true);
    r->Register(TTestWizard::StaticClassInfo(), nullptr, false);
    r->Register1(TTestWizard::StaticClassInfo(), 7);
    ASSERT_EQ(r->Count(), 1);
    const TrptWizardItem* w = r->GetWizardItem(0);
    EXPECT_EQ(w->ClassRef(), TTestWizard::StaticClassInfo());
    EXPECT_EQ(w->ButtonBmp(), &picture);
    EXPECT_EQ(w->ButtonImageIndex(), -1);
    EXPECT_TRUE(w->IsToolbarWizard());

    r->Register1(TrptCustomWizard::StaticClassInfo(), 7);
    ASSERT_EQ(r->Count(), 2);
    EXPECT_EQ(r->Items(1)->ButtonBmp(), nullptr);
    EXPECT_EQ(r->Items(1)->ButtonImageIndex(), 7);
    EXPECT_FALSE(r->Items(1)->IsToolbarWizard());

    r->Unregister(TTestWizard::StaticClassInfo());
    ASSERT_EQ(r->Count(), 1);
    EXPECT_EQ(r->Items(0)->ClassRef(), TrptCustomWizard::StaticClassInfo());
}

// ---------------------------------------------------------------------------------------------
// Property editor registry

TEST_F(Registries, PropertyEditorLookupPrecedence) {
    TTestMemoView memo;
    TTestPictureView picture;
    const TTypeInfo* color = ColorType();
    const TTypeInfo* integer = Type(tkInteger, "Integer");

    struct Entry {
        const TTypeInfo* Type;
        const TClassInfo* Class;
        const char* Name;
        int Editor;
    };
    struct Probe {
        const TObject* Component;
        const TTypeInfo* Type;
        const char* Name;
        int Expected;
    };
    struct Case {
        const char* Name;
        std::vector<Entry> Entries;
        std::vector<Probe> Probes;
    };
    const TClassInfo* memoClass = TTestMemoView::StaticClassInfo();
    const Case cases[] = {
        {"a class-and-name editor beats a type editor, for that class only",
         {{color, nullptr, "", 1}, {color, memoClass, "Color", 2}},
         {{&memo, color, "Color", 2}, {&picture, color, "Color", 1}}},
        {"the class entry wins also when the type editor comes later",
         {{color, memoClass, "Color", 2}, {color, nullptr, "", 1}},
         {{&memo, color, "Color", 2}, {&picture, color, "Color", 1}}},
        {"among type editors the earliest wins",
         {{color, nullptr, "", 1}, {color, nullptr, "", 3}},
         {{&memo, color, "Color", 1}}},
        {"among name editors the latest wins",
         {{color, nullptr, "Color", 4}, {color, nullptr, "Color", 5}},
         {{&memo, color, "Color", 5}}},
        {"a type-and-name editor beats a type editor registered after it",
         {{color, nullptr, "Color", 4}, {color, nullptr, "", 1}},
         {{&memo, color, "Color", 4}, {&memo, color, "FillColor", 1}}},
        {"a class entry is taken whatever the property's type",
         {{integer, memoClass, "Color", 6}},
         {{&memo, color, "Color", 6}, {&memo, Type(tkString, "String"), "Color", 6}}},
        {"a class entry reaches descendants, not siblings",
         {{nullptr, TTestView::StaticClassInfo(), "Color", 7}, {nullptr, memoClass, "Color", 8}},
         {{&memo, color, "Color", 8}, {&picture, color, "Color", 7}}},
        {"names compare ignoring case",
         {{color, nullptr, "COLOR", 4}, {nullptr, memoClass, "fillcolor", 6}},
         {{&memo, color, "color", 4}, {&memo, color, "FillColor", 6}}},
        {"another type or name finds nothing",
         {{color, nullptr, "", 1}, {color, nullptr, "Color", 4}, {nullptr, memoClass, "Color", 6}},
         {{&memo, integer, "Width", -1}, {&picture, integer, "Color", -1}}},
        {"no object: class entries never match",
         {{nullptr, memoClass, "Color", 6}, {color, nullptr, "", 1}},
         {{nullptr, color, "Color", 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FreeRegistries();
        for (const Entry& e : c.Entries)
            PropertyEditorRegistry()->Register(e.Type, e.Class, QString::fromLatin1(e.Name),
                                               TestEditorClass(e.Editor));
        for (const Probe& p : c.Probes) {
            SCOPED_TRACE(p.Name);
            EXPECT_EQ(Lookup(p.Type, p.Component, QString::fromLatin1(p.Name)), p.Expected);
        }
    }
}

TEST_F(Registries, ReportEventTypesGetTheEventEditorWhateverElseIsRegistered) {
    auto report = NewQuietReport();
    TTestMemoView memo;
    const TTypeInfo* notifyEvent = GetPropInfo(report.get(), "OnStartReport")->PropType();
    const TTypeInfo* runDialogs = GetPropInfo(report.get(), "OnRunDialogs")->PropType();
    ASSERT_EQ(notifyEvent->Name(), "TrptNotifyEvent");

    PropertyEditorRegistry()->Register(notifyEvent, nullptr, "", TestEditorClass(1));
    EXPECT_EQ(PropertyEditorRegistry()->GetPropertyEditor(notifyEvent, report.get(), "OnStartReport"), -1);
    PropertyEditorRegistry()->RegisterEventEditor(TestEditorClass(9));
    PropertyEditorRegistry()->Register(notifyEvent, nullptr, "OnStartReport", TestEditorClass(2));
    PropertyEditorRegistry()->Register(nullptr, TrptReport::StaticClassInfo(), "OnStartReport",
                                       TestEditorClass(3));
    EXPECT_EQ(PropertyEditorRegistry()->EventEditorItem(), 1);

    struct Case {
        const TTypeInfo* Type;
        const char* Name;
        int Expected;
    };
    const Case cases[] = {
        {notifyEvent, "OnStartReport", 9},
        {runDialogs, "OnRunDialogs", 9},
        {Type(tkString, "TrptAfterCalcHeightEvent"), "OnAfterCalcHeight", 9},
        {Type(tkString, "TRPTNOTIFYEVENT"), "OnClick", 9},
        // Not report event types: the ordinary lookup.
        {Type(tkMethod, "TNotifyEvent"), "OnStartReport", 3},
        {Type(tkString, "TrptEventual"), "Other", -1},
        {Type(tkString, "TrptEventHandlerEvent"), "Other", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Type->Name().toStdString());
        EXPECT_EQ(Lookup(c.Type, report.get(), QString::fromLatin1(c.Name)), c.Expected);
    }
}

TEST_F(Registries, HidePropertiesOfClassHidesOnTheClassAndItsDescendants) {
    TTestView view;
    TTestMemoView memo;
    TTestBand band;
    const TTypeInfo* floatType = Type(tkFloat, "Double");
    PropertyEditorRegistry()->Register(floatType, nullptr, "", TestEditorClass(1));
    PropertyEditorRegistry()->HidePropertiesOfClass(TTestView::StaticClassInfo(), "Left;Top");
    PropertyEditorRegistry()->HidePropertiesOfClass(TTestBand::StaticClassInfo(), " Width ;;");
    EXPECT_EQ(PropertyEditorRegistry()->Count(), 4);

    struct Case {
        const TObject* Component;
        const char* Name;
        int Expected;
    };
    const Case cases[] = {
        {&view, "Left", 0}, {&view, "Top", 0},   {&memo, "left", 0},  {&memo, "Top", 0},
        {&band, "Left", 1}, {&view, "Width", 1}, {&band, "Width", 0}, {&band, "Height", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Lookup(floatType, c.Component, QString::fromLatin1(c.Name)), c.Expected);
    }
}

TEST_F(Registries, UnRegisterKeepsTheEventEditorInPlace) {
    TrptPropertyEditorCollection* r = PropertyEditorRegistry();
    const TTypeInfo* notifyEvent = Type(tkString, "TrptNotifyEvent");
    r->Register(ColorType(), nullptr, "", TestEditorClass(1));
    r->Register(ColorType(), nullptr, "Color", TestEditorClass(1));
    r->RegisterEventEditor(TestEditorClass(9));
    r->Register(ColorType(), nullptr, "", TestEditorClass(2));
    EXPECT_EQ(r->EventEditorItem(), 2);

    r->UnRegister(TestEditorClass(1));
    ASSERT_EQ(r->Count(), 2);
    EXPECT_EQ(r->EventEditorItem(), 0);
    EXPECT_EQ(Lookup(notifyEvent, nullptr, "OnClick"), 9);
    EXPECT_EQ(Lookup(ColorType(), nullptr, "Color"), 2);

    r->UnRegister(nullptr); // not a class: nothing goes
    EXPECT_EQ(r->Count(), 2);
    r->UnRegister(TestEditorClass(9));
    EXPECT_EQ(r->EventEditorItem(), -1);
    EXPECT_EQ(Lookup(notifyEvent, nullptr, "OnClick"), -1);
}

TEST_F(Registries, StandardPropertyEditorsServeThePlatformsProperties) {
    TrptStandardPropertyEditors e;
    e.NameProperty = TestEditorClass(11);
    e.ColorProperty = TestEditorClass(12);
    e.FontProperty = TestEditorClass(13);
    e.FontNameProperty = TestEditorClass(14);
    e.FontCharsetProperty = TestEditorClass(15);
    e.ModalResultProperty = TestEditorClass(16);
    e.ShortCutProperty = TestEditorClass(17);
    e.CursorProperty = TestEditorClass(18);
    e.DateTimeProperty = TestEditorClass(19);
    e.DateProperty = TestEditorClass(20);
    e.TimeProperty = TestEditorClass(21);

    // Each one missing is named, and then nothing is registered.
    TrptPropertyEditorClass TrptStandardPropertyEditors::*members[] = {
        &TrptStandardPropertyEditors::NameProperty,        &TrptStandardPropertyEditors::ColorProperty,
        &TrptStandardPropertyEditors::FontProperty,        &TrptStandardPropertyEditors::FontNameProperty,
        &TrptStandardPropertyEditors::FontCharsetProperty, &TrptStandardPropertyEditors::ModalResultProperty,
        &TrptStandardPropertyEditors::ShortCutProperty,    &TrptStandardPropertyEditors::CursorProperty,
        &TrptStandardPropertyEditors::DateTimeProperty,    &TrptStandardPropertyEditors::DateProperty,
        &TrptStandardPropertyEditors::TimeProperty};
    for (auto member : members) {
        TrptStandardPropertyEditors missing = e;
        missing.*member = nullptr;
        EXPECT_THROW(RegisterStandardPropertyEditors(missing), EInvalidArgument);
        EXPECT_EQ(PropertyEditorRegistry()->Count(), 0);
    }

    RegisterStandardPropertyEditors(e);
    TrptPropertyEditorCollection* r = PropertyEditorRegistry();
    ASSERT_EQ(r->Count(), 11);
    QStringList table;
    for (int i = 0; i < r->Count(); ++i) {
        const TrptPropertyEditorItem* it = r->Items(i);
        table << QStringLiteral("%1|%2|%3|%4")
                     .arg(it->PropertyType() ? it->PropertyType()->Name() : "-",
                          it->ComponentClass() ? it->ComponentClass()->ClassName() : "-", it->PropertyName())
                     .arg(EditorNumber(i));
    }
    EXPECT_EQ(table.join(' '), "TComponentName|-|Name|11 TColor|-||12 TFont|-||13 String|TFont|Name|14 "
                               "Integer|TFont|Charset|15 TModalResult|-||16 TShortCut|-||17 TCursor|-||18 "
                               "TDateTime|-||19 TDate|-||20 TTime|-||21");

    // The table against the properties as the platform's classes publish them.
    auto report = NewQuietReport();
    TTestView view;
    TFont font;
    TButton button(nullptr);
    TMenuItem item(nullptr);
    TDateTimePicker picker(nullptr);
    TrptCustomEngine engine(report.get());
    struct Case {
        const TObject* Component;
        const char* Name;
        int Expected;
    };
    const Case cases[] = {
        {&view, "Name", 11},     {&view, "Color", 12},    {&button, "Font", 13},
        {&font, "Name", 14},     {&font, "Charset", 15},  {&button, "ModalResult", 16},
        {&item, "ShortCut", 17}, {&button, "Cursor", 18}, {&engine, "StartDate", 19},
        {&picker, "Date", 20},   {&picker, "Time", 21},   {&font, "Color", 12},
        {&font, "Height", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("%1.%2").arg(ClassInfoOf(c.Component)->ClassName(), c.Name).toStdString());
        const TPropInfo* prop = GetPropInfo(c.Component, QString::fromLatin1(c.Name));
        ASSERT_NE(prop, nullptr);
        EXPECT_EQ(Lookup(prop->PropType(), c.Component, prop->Name()), c.Expected);
    }
}

// ---------------------------------------------------------------------------------------------
// Component editors

namespace {

// Editors that say which they are.
template <int N> class TNumberedEditor : public TrptComponentEditor {
public:
    using TrptComponentEditor::TrptComponentEditor;
    bool Execute(int Tag, bool) override { return Tag == N; }
};

int EditorOf(TrptComponent* Component, TrptCustomDesigner* Designer = nullptr, TMenu* Menu = nullptr) {
    auto editor = ComponentEditorRegistry()->GetComponentEditor(Component, Designer, Menu);
    if (!editor) return 0;
    for (int n = 1; n <= 4; ++n)
        if (editor->Execute(n, false)) return n;
    return -1;
}

} // namespace

TEST_F(Registries, ComponentEditorPrecedence) {
    const TClassInfo* view = TTestView::StaticClassInfo();
    const TClassInfo* customMemo = TTestCustomMemoView::StaticClassInfo();
    const TClassInfo* memo = TTestMemoView::StaticClassInfo();
    const TrptComponentEditorClass e1 = &ComponentEditorOf<TNumberedEditor<1>>;
    const TrptComponentEditorClass e2 = &ComponentEditorOf<TNumberedEditor<2>>;
    const TrptComponentEditorClass e3 = &ComponentEditorOf<TNumberedEditor<3>>;
    const TrptComponentEditorClass e4 = &ComponentEditorOf<TNumberedEditor<4>>;

    struct Entry {
        const TClassInfo* Class;
        TrptComponentEditorClass Editor;
    };
    struct Case {
        const char* Name;
        std::vector<Entry> Entries;
        int ForMemo;
        int ForPicture;
    };
    const Case cases[] = {
        {"the later ancestor entry", {{view, e1}, {customMemo, e2}}, 2, 1},
        {"an exact entry first", {{memo, e3}, {view, e1}, {customMemo, e2}}, 3, 1},
        {"an exact entry last", {{view, e1}, {customMemo, e2}, {memo, e3}}, 3, 1},
        {"the last ancestor entry, not the nearest", {{customMemo, e2}, {view, e1}}, 1, 1},
        {"the first of two exact entries", {{memo, e3}, {memo, e4}}, 3, 0},
        {"nothing for the class", {{customMemo, e2}}, 2, 0},
        {"none registered", {}, 0, 0},
    };
    TTestMemoView memoObject;
    TTestPictureView pictureObject;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FreeRegistries();
        for (const Entry& e : c.Entries)
            ComponentEditorRegistry()->Register(e.Class, e.Editor);
        EXPECT_EQ(EditorOf(&memoObject), c.ForMemo);
        EXPECT_EQ(EditorOf(&pictureObject), c.ForPicture);
    }
    EXPECT_EQ(ComponentEditorRegistry()->GetComponentEditor(nullptr, nullptr, nullptr), nullptr);

    FreeRegistries();
    ComponentEditorRegistry()->Register(view, e1);
    ComponentEditorRegistry()->Register(memo, e3);
    ComponentEditorRegistry()->Register(customMemo, e1);
    ComponentEditorRegistry()->UnRegister(e1);
    ASSERT_EQ(ComponentEditorRegistry()->Count(), 1);
    EXPECT_EQ(EditorOf(&memoObject), 3);
    EXPECT_EQ(EditorOf(&pictureObject), 0);
}

TEST_F(Registries, AComponentEditorGetsItsObjectDesignerAndMenu) {
    auto report = NewQuietReport();
    TrptCustomDesigner designer(nullptr, report.get());
    TPopupMenu menu(nullptr);
    TTestMemoView memo;
    ComponentEditorRegistry()->Register(TTestView::StaticClassInfo(),
                                        &ComponentEditorOf<TrptComponentEditor>);
    auto editor = ComponentEditorRegistry()->GetComponentEditor(&memo, &designer, &menu);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Component(), &memo);
    EXPECT_EQ(editor->Designer(), &designer);
    EXPECT_EQ(editor->Menu(), &menu);

    // The base edits nothing and runs no command.
    EXPECT_FALSE(editor->Edit());
    EXPECT_FALSE(editor->HasEditor());
    EXPECT_FALSE(editor->Execute(1, true));
    editor->GetMenuItems();
    EXPECT_EQ(menu.Items()->Count(), 0);

    TMenuItem* item = editor->AddMenuItem("Edit...", 5, true);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Owner(), &menu);
    ASSERT_EQ(menu.Items()->Count(), 1);
    EXPECT_EQ(menu.Items()->Items(0), item);
    EXPECT_EQ(item->Caption(), "Edit...");
    EXPECT_EQ(item->Tag(), 5);
    EXPECT_TRUE(item->Checked());

    TrptComponentEditor noMenu(&memo, &designer, nullptr);
    EXPECT_EQ(noMenu.AddMenuItem("Edit...", 1, false), nullptr);
}
