// Property editors (values to text and back, value lists, stepping, dialogs, drawing), property
// lists of one object and of a selection, and the standard registrations.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Colors.h"
#include "platform/gfx/Graphics.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/ui/Menus.h"
#include "platform/ui/UIServices.h"
#include "platform/ui/UiTypes.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptPropertyEditors.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Properties of every kind the editors meet that the report classes do not publish.
class TEditable : public TComponent {
    KORVEL_CLASS(TEditable, TComponent)
public:
    explicit TEditable(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    QChar Ch() const { return FCh; }
    void SetCh(QChar v) { FCh = v; }
    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    double Stamp() const { return FStamp; }
    void SetStamp(double v) { FStamp = v; }
    double Day() const { return FDay; }
    void SetDay(double v) { FDay = v; }
    double Clock() const { return FClock; }
    void SetClock(double v) { FClock = v; }
    int Result() const { return FResult; }
    void SetResult(int v) { FResult = v; }
    int Key() const { return FKey; }
    void SetKey(int v) { FKey = v; }
    int Pointer() const { return FPointer; }
    void SetPointer(int v) { FPointer = v; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }
    int Fixed() const { return 7; }

private:
    QChar FCh = QLatin1Char(' ');
    int FCount = 0;
    double FRatio = 0, FStamp = 0, FDay = 0, FClock = 0;
    int FResult = 0, FKey = 0, FPointer = 0;
    TColor FColor = clBlack;
};

} // namespace

KORVEL_CLASS_INFO(TEditable) {
    b.Prop("Ch", &TEditable::Ch, &TEditable::SetCh);
    b.Prop("Count", &TEditable::Count, &TEditable::SetCount);
    b.Prop("Ratio", &TEditable::Ratio, &TEditable::SetRatio);
    b.Prop("Stamp", &TEditable::Stamp, &TEditable::SetStamp).Type("TDateTime");
    b.Prop("Day", &TEditable::Day, &TEditable::SetDay).Type("TDate");
    b.Prop("Clock", &TEditable::Clock, &TEditable::SetClock).Type("TTime");
    b.Prop("Result", &TEditable::Result, &TEditable::SetResult).Type("TModalResult");
    b.Prop("Key", &TEditable::Key, &TEditable::SetKey).Type("TShortCut");
    b.Prop("Pointer", &TEditable::Pointer, &TEditable::SetPointer).Type("TCursor");
    b.Prop("Color", &TEditable::Color, &TEditable::SetColor).Type("TColor");
    b.Prop("Fixed", &TEditable::Fixed);
}

namespace {

struct Questions {
    TScriptedUIServices* Services = new TScriptedUIServices(
        [](const QString& q) { ADD_FAILURE() << "unexpected question: " << q.toStdString(); });
    std::unique_ptr<IUIServices> Previous{SetUIServices(std::unique_ptr<IUIServices>(Services))};
    ~Questions() {
        Services->Verify();
        SetUIServices(std::move(Previous));
    }
};

class Editors : public ::testing::Test {
protected:
    void SetUp() override {
        FreeRegistries();
        RegisterReportClasses();
        RegisterBandClasses();
        RegisterStandardEditors();
        Report = std::make_unique<TrptReport>();
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        Page = new TrptReportPage(Report.get());
        Page->SetName("Page1");
        Band = new TrptMasterData(Page);
        Band->SetName("MasterData1");
        Memo = new TrptMemoView(Band);
        Memo->SetName("Memo1");
        Picture = new TrptPictureView(Band);
        Picture->SetName("Picture1");
        for (const char* name : {"Child1", "Child2"}) {
            auto* c = new TrptChild(Page);
            c->SetName(QString::fromLatin1(name));
        }
    }
    void TearDown() override { FreeRegistries(); }

    // The row of a property (a dotted name walks into sub-rows) in the object's list.
    TrptPropertyEditor* Row(TObject* Obj, const QString& Name) {
        List = std::make_unique<TrptPropertyList>();
        List->SetComponent(Obj);
        return RowIn(List.get(), Name);
    }
    static TrptPropertyEditor* RowIn(TrptPropertyList* L, const QString& Name) {
        const QStringList parts = Name.split('.');
        TrptPropertyList* cur = L;
        TrptPropertyItem* item = nullptr;
        for (const QString& part : parts) {
            if (!cur) return nullptr;
            item = nullptr;
            for (int i = 0; i < cur->Count(); ++i)
                if (cur->Items(i)->Editor()->GetName() == part) item = cur->Items(i);
            if (!item) return nullptr;
            cur = item->SubProperty();
        }
        return item ? item->Editor() : nullptr;
    }

    std::unique_ptr<TrptReport> Report;
    TrptReportPage* Page = nullptr;
    TrptMasterData* Band = nullptr;
    TrptMemoView* Memo = nullptr;
    TrptPictureView* Picture = nullptr;
    TEditable Obj;
    std::unique_ptr<TrptPropertyList> List;
};

QString ClassOf(TrptPropertyEditor* e) {
    return e ? ClassInfoOf(e)->ClassName() : QStringLiteral("(none)");
}

} // namespace

// Each editor kind: which editor the list gives, text shown, text typed and what it then shows.
TEST_F(Editors, EachKindTurnsValuesToTextAndBack) {
    SetFormatSettings(TFormatSettings::Invariant());
    struct Case {
        const char* Property;
        const char* Editor;
        const char* Typed;
        const char* Shown; // after typing
    };
    const Case cases[] = {
        {"Count", "TrptIntegerProperty", " 42", "42"},
        {"Count", "TrptIntegerProperty", "-7", "-7"},
        {"Ratio", "TrptFloatProperty", "2,5", "2.5"},
        {"Ratio", "TrptFloatProperty", " 0.25 ", "0.25"},
        {"Ch", "TrptCharProperty", "#65", "A"},
        {"Ch", "TrptCharProperty", "z", "z"},
        {"Ch", "TrptCharProperty", "", "#0"},
        {"Ch", "TrptCharProperty", " ", "#32"},
        {"Stamp", "TrptDateTimeProperty", "", ""},
        {"Result", "TrptModalResultProperty", "mrcancel", "mrCancel"},
        {"Result", "TrptModalResultProperty", "", "mrNone"},
        {"Result", "TrptModalResultProperty", "20", "20"},
        {"Key", "TrptShortCutProperty", "Ctrl+S", "Ctrl+S"},
        {"Key", "TrptShortCutProperty", "(none)", "(None)"},
        {"Key", "TrptShortCutProperty", "", "(None)"},
        {"Pointer", "TrptCursorProperty", "crHandPoint", "crHandPoint"},
        {"Pointer", "TrptCursorProperty", "5", "5"},
        {"Color", "TrptColorProperty", "clRed", "clRed"},
        {"Color", "TrptColorProperty", "$00123456", "$00123456"},
        {"Color", "TrptColorProperty", "255", "clRed"},
        {"Name", "TrptNameProperty", "Thing", "Thing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Property) + " <- '" + c.Typed + "'");
        TrptPropertyEditor* e = Row(&Obj, QString::fromLatin1(c.Property));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(ClassOf(e), QString::fromLatin1(c.Editor));
        e->SetValue(QString::fromLatin1(c.Typed));
        EXPECT_EQ(e->GetValue(), QString::fromLatin1(c.Shown));
    }
}

TEST_F(Editors, DatesAndTimesFollowTheLocale) {
    SetFormatSettings(TFormatSettings::Invariant());
    struct Case {
        const char* Property;
        const char* Editor;
        TDateTime Value;
        QString (*Shown)(TDateTime);
    };
    const TDateTime when = EncodeDate(2026, 12, 11) + EncodeTime(15, 30, 0, 0);
    const Case cases[] = {
        {"Stamp", "TrptDateTimeProperty", when, [](TDateTime v) { return DateTimeToStr(v); }},
        {"Day", "TrptDateProperty", EncodeDate(2026, 12, 11), [](TDateTime v) { return DateToStr(v); }},
        {"Clock", "TrptTimeProperty", EncodeTime(15, 30, 0, 0), [](TDateTime v) { return TimeToStr(v); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Property);
        TrptPropertyEditor* e = Row(&Obj, QString::fromLatin1(c.Property));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(ClassOf(e), QString::fromLatin1(c.Editor));
        EXPECT_EQ(e->GetValue(), "");
        const QString text = c.Shown(c.Value);
        e->SetValue(text);
        EXPECT_NEAR(e->GetFloatValue(), c.Value, 1e-6);
        EXPECT_EQ(e->GetValue(), text);
        e->SetValue("");
        EXPECT_EQ(e->GetFloatValue(), 0);
        EXPECT_THROW(e->SetValue("not a date"), EConvertError);
    }
}

// Text an editor cannot take changes nothing: the editors the table gives "prInvProp" say
// "Invalid property value", the numeric ones the conversion error.
TEST_F(Editors, WrongTextIsRefusedAndChangesNothing) {
    struct Case {
        TObject* On;
        const char* Property;
        const char* Typed;
        bool InvalidValue; // else EConvertError
    };
    const Case cases[] = {
        {&Obj, "Count", "abc", false},
        {&Obj, "Count", "1.5", false},
        {&Obj, "Ratio", "x1", false},
        {&Obj, "Ch", "AB", true},
        {&Obj, "Ch", "#x", true},
        {&Obj, "Key", "Hyper+Q", true},
        {&Obj, "Result", "mrMaybe", false},
        {&Obj, "Color", "clNoSuch", false},
        {nullptr, "Orientation", "poSideways", true},
        {nullptr, "LargeDesignHeight", "maybe", true},
        {nullptr, "Font.Style.fsBold", "yes", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Property) + " <- '" + c.Typed + "'");
        TObject* on = c.On ? c.On : static_cast<TObject*>(Page);
        TrptPropertyEditor* e = Row(on, QString::fromLatin1(c.Property));
        ASSERT_NE(e, nullptr);
        const QString before = e->GetValue();
        try {
            e->SetValue(QString::fromLatin1(c.Typed));
            ADD_FAILURE() << "accepted";
        } catch (const ErptInvalidPropertyValue& ex) {
            EXPECT_TRUE(c.InvalidValue);
            EXPECT_EQ(ex.Message(), "Invalid property value");
        } catch (const EConvertError&) {
            EXPECT_FALSE(c.InvalidValue);
        }
        EXPECT_EQ(e->GetValue(), before);
    }
    // A reference to an object that is not there, or not of the property's class.
    TrptPropertyEditor* child = Row(Band, "Child");
    ASSERT_NE(child, nullptr);
    EXPECT_THROW(child->SetValue("Nobody"), ErptInvalidPropertyValue);
    EXPECT_THROW(child->SetValue("Memo1"), ErptInvalidPropertyValue);
    EXPECT_EQ(child->GetValue(), "");
}

TEST_F(Editors, AnEditorOnAPropertyOfAnotherKindRaises) {
    // An integer editor put on a text property by a wrong registration.
    auto e = CreatePropertyEditor(TrptIntegerProperty::StaticClassInfo(), nullptr);
    e->AddObject(Memo, GetPropInfo(Memo, "Name"));
    EXPECT_THROW(e->GetValue(), EPropertyError);
    EXPECT_THROW(e->SetValue("5"), EPropertyError);
    EXPECT_EQ(Memo->Name(), "Memo1");
}

TEST_F(Editors, ValueLists) {
    struct Case {
        TObject* On;
        const char* Property;
        int Count;
        const char* First;
        const char* Last;
        bool Sorted;
    };
    const Case cases[] = {
        {nullptr, "Orientation", 2, "poLandscape", "poPortrait", true},
        {&Obj, "Result", 15, "mrNone", "mrYesToAll", false},
        {&Obj, "Key", 109, "(None)", "Shift+Alt+BkSp", false},
        {&Obj, "Pointer", 22, "crAppStart", "crVSplit", true},
        {&Obj, "Color", 52, "clBlack", "clWindowText", false},
        {nullptr, "Font.Charset", 19, "ANSI_CHARSET", "VIETNAMESE_CHARSET", true},
        {nullptr, "Font.Style.fsBold", 2, "False", "True", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Property);
        TObject* on = c.On ? c.On : static_cast<TObject*>(Page);
        TrptPropertyEditor* e = Row(on, QString::fromLatin1(c.Property));
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(e->GetAttributes().Contains(paValueList));
        EXPECT_EQ(e->GetAttributes().Contains(paSortList), c.Sorted);
        e->GetValues();
        ASSERT_EQ(e->Values()->Count(), c.Count);
        EXPECT_EQ(e->Values()->Get(0), QString::fromLatin1(c.First));
        EXPECT_EQ(e->Values()->Get(c.Count - 1), QString::fromLatin1(c.Last));
    }
    // The standard shortcuts run Ctrl+A..Z, Ctrl+Alt+A..Z, F1..F12 and so on.
    TrptPropertyEditor* key = Row(&Obj, "Key");
    key->GetValues();
    EXPECT_EQ(key->Values()->Get(1), ShortCutToText(ShortCut('A', TShiftState{ssCtrl})));
    EXPECT_EQ(key->Values()->Get(27), ShortCutToText(ShortCut('A', TShiftState{ssCtrl, ssAlt})));
    EXPECT_EQ(key->Values()->Get(53), "F1");
    // Font names come from the fonts installed.
    TrptPropertyEditor* fontName = Row(Page, "Font.Name");
    ASSERT_NE(fontName, nullptr);
    EXPECT_EQ(ClassOf(fontName), "TrptFontNameProperty");
    fontName->GetValues();
    EXPECT_GT(fontName->Values()->Count(), 0);
    EXPECT_NE(fontName->Values()->IndexOf("Liberation Sans"), -1);
}

TEST_F(Editors, ComponentRowsListObjectsOfTheirClassOnTheSamePage) {
    auto* other = new TrptReportPage(Report.get());
    other->SetName("Page2");
    (new TrptChild(other))->SetName("Child9");
    auto* band2 = new TrptMasterData(Page);
    band2->SetName("MasterData2");
    TrptPropertyEditor* e = Row(Band, "Child");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(ClassOf(e), "TrptComponentProperty");
    e->GetValues();
    EXPECT_EQ(e->Values()->Text(), "Child1\r\nChild2\r\n");
    e->SetValue("Child2");
    EXPECT_EQ(Band->Child()->Name(), "Child2");
    EXPECT_EQ(e->GetValue(), "Child2");
    e->SetValue("");
    EXPECT_EQ(Band->Child(), nullptr);
}

TEST_F(Editors, EditStepsThroughTheValueList) {
    TrptPropertyEditor* e = Row(Page, "Orientation");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetValue(), "poPortrait");
    EXPECT_TRUE(e->Edit());
    EXPECT_EQ(Page->Orientation(), poLandscape);
    EXPECT_TRUE(e->Edit());
    EXPECT_EQ(Page->Orientation(), poPortrait);
    // No list: nothing to step to.
    TrptPropertyEditor* count = Row(&Obj, "Count");
    EXPECT_FALSE(count->Edit());
}

TEST_F(Editors, SetRowsAndTheirMembers) {
    Memo->Font()->SetStyle(TFontStyles{fsBold, fsItalic});
    TrptPropertyEditor* style = Row(Memo, "Font.Style");
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(ClassOf(style), "TrptSetProperty");
    EXPECT_EQ(style->GetValue(), "[fsBold,fsItalic]");
    EXPECT_TRUE(style->GetAttributes().Contains(paSubProperties));
    EXPECT_TRUE(style->GetAttributes().Contains(paReadOnly));
    const char* members[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
    const char* values[] = {"True", "True", "False", "False"};
    for (int i = 0; i < 4; ++i) {
        TrptPropertyEditor* m = RowIn(List.get(), QStringLiteral("Font.Style.") + members[i]);
        ASSERT_NE(m, nullptr) << members[i];
        EXPECT_EQ(ClassOf(m), "TrptSetElementProperty");
        EXPECT_EQ(m->GetValue(), values[i]);
    }
    RowIn(List.get(), "Font.Style.fsBold")->SetValue("false");
    RowIn(List.get(), "Font.Style.fsUnderline")->SetValue("TRUE");
    EXPECT_EQ(style->GetValue(), "[fsItalic,fsUnderline]");
    EXPECT_FALSE(Memo->ParentFont());
}

TEST_F(Editors, ClassRowsShowTheTypeAndExpand) {
    TrptPropertyEditor* font = Row(Memo, "Font");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(ClassOf(font), "TrptFontProperty");
    EXPECT_EQ(font->GetValue(), "(TFont)");
    EXPECT_TRUE(font->GetAttributes().Contains(paDialog));
    EXPECT_EQ(ClassOf(RowIn(List.get(), "Font.Charset")), "TrptFontCharsetProperty");
    TrptPropertyEditor* charset = RowIn(List.get(), "Font.Charset");
    charset->SetValue("RUSSIAN_CHARSET");
    EXPECT_EQ(Memo->Font()->Charset(), 204);
    charset->SetValue("7");
    EXPECT_EQ(charset->GetValue(), "7");
    TrptPropertyEditor* frame = RowIn(List.get(), "Frame");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(ClassOf(frame), "TrptClassProperty");
    EXPECT_EQ(frame->GetValue(), "(TrptFrame)");
    EXPECT_NE(RowIn(List.get(), "Frame.Width"), nullptr);
}

TEST_F(Editors, DialogsSetWhatTheUserChose) {
    Questions q;
    TFontChoice choice;
    choice.Name = "Liberation Serif";
    choice.Size = 14;
    choice.Style = 1 | 4;
    choice.Color = clRed;
    q.Services->AnswerFont(choice);
    TrptPropertyEditor* font = Row(Memo, "Font");
    EXPECT_TRUE(font->Edit());
    EXPECT_EQ(Memo->Font()->Name(), "Liberation Serif");
    EXPECT_EQ(Memo->Font()->Size(), 14);
    EXPECT_EQ(Memo->Font()->Style(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(Memo->Font()->Color(), clRed);
    EXPECT_FALSE(Memo->ParentFont());

    q.Services->AnswerColor(clLime);
    TrptPropertyEditor* color = Row(&Obj, "Color");
    EXPECT_TRUE(color->Edit());
    EXPECT_EQ(Obj.Color(), clLime);
}

TEST_F(Editors, RowsOfOneObjectSortedByNameHiddenAndReadOnlyLeftAlone) {
    auto list = std::make_unique<TrptPropertyList>();
    list->SetComponent(Memo);
    QStringList names;
    for (int i = 0; i < list->Count(); ++i)
        names << list->Items(i)->Editor()->GetName();
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return CompareText(a, b) < 0; });
    EXPECT_EQ(names, sorted);
    EXPECT_TRUE(names.contains("Left"));
    EXPECT_TRUE(names.contains("Name"));
    // Hidden by the registry.
    PropertyEditorRegistry()->HidePropertiesOfClass(TrptMemoView::StaticClassInfo(), "Left;Top");
    list->SetComponent(Memo);
    EXPECT_EQ(list->Find("Left"), nullptr);
    EXPECT_EQ(list->Find("Top"), nullptr);
    EXPECT_NE(list->Find("Width"), nullptr);
    // A property without setter has a row; writing it changes nothing and raises nothing.
    TrptPropertyEditor* fixed = Row(&Obj, "Fixed");
    ASSERT_NE(fixed, nullptr);
    fixed->SetValue("9");
    EXPECT_EQ(fixed->GetValue(), "7");
}

TEST_F(Editors, CommonRowsOfASelectionWriteToEveryObject) {
    std::vector<TObject*> selection{Memo, Picture};
    auto list = BuildCommonPropertyList(selection, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_NE(list->Find("Left"), nullptr);
    EXPECT_NE(list->Find("Visible"), nullptr);
    EXPECT_EQ(list->Find("Name"), nullptr);
    // Rows only one of them has.
    EXPECT_EQ(list->Find("AutoWidth"), nullptr);
    TrptPropertyEditor* left = list->Find("Left")->Editor();
    EXPECT_EQ(left->CompList().size(), 2u);
    left->SetValue("33");
    EXPECT_DOUBLE_EQ(Memo->Left(), 33);
    EXPECT_DOUBLE_EQ(Picture->Left(), 33);
    // Sub-rows too.
    TrptPropertyEditor* bold = RowIn(list.get(), "Frame.Typ.ftLeft");
    ASSERT_NE(bold, nullptr);
    bold->SetValue("True");
    EXPECT_EQ(RowIn(list.get(), "Frame.Typ")->GetValue(), "[ftLeft]");
    TrptPropertyList single;
    single.SetComponent(Picture);
    EXPECT_EQ(RowIn(&single, "Frame.Typ")->GetValue(), "[ftLeft]");

    EXPECT_EQ(BuildCommonPropertyList({}, nullptr), nullptr);
}

TEST_F(Editors, StandardEditorsAreRegisteredOnce) {
    const int count = PropertyEditorRegistry()->Count();
    EXPECT_EQ(count, 11);
    RegisterStandardEditors();
    EXPECT_EQ(PropertyEditorRegistry()->Count(), count);
}

TEST_F(Editors, EventRowsGetTheEventEditor) {
    PropertyEditorRegistry()->RegisterEventEditor(TrptStringProperty::StaticClassInfo());
    TrptPropertyEditor* e = Row(Memo, "OnBeforePrint");
    ASSERT_NE(e, nullptr);
    e->SetValue("Memo1OnBeforePrint");
    EXPECT_EQ(Memo->OnBeforePrint(), "Memo1OnBeforePrint");
}

TEST_F(Editors, DrawingRowsAndColourSwatches) {
    TBitmap bmp;
    bmp.SetSize(200, 20);
    TCanvas* canvas = &bmp.Canvas();
    Obj.SetColor(clRed);
    TrptPropertyEditor* color = Row(&Obj, "Color");
    color->SetItemHeight(16);
    EXPECT_EQ(color->GetExtraLBSize(), 18);
    canvas->Brush().SetColor(clWhite);
    canvas->FillRect(TRect(0, 0, 200, 20));
    color->OnDrawItem(canvas, TRect(0, 0, 200, 20));
    // The row's swatch: from its left edge, one pixel below its top.
    EXPECT_EQ(QColorToColor(bmp.Image().pixelColor(5, 5)), clRed);
    color->GetValues();
    canvas->Brush().SetColor(clWhite);
    color->OnDrawLBItem(canvas, color->Values()->IndexOf("clBlue"), TRect(0, 0, 200, 20), false);
    EXPECT_EQ(QColorToColor(bmp.Image().pixelColor(8, 10)), clBlue);
}
