// The controls' class tables: names, inheritance, published properties by name and creating a
// control from its class name, as forms files and scripts use them.

#include "UiTestSupport.h"

#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

TEST(ClassTables, ControlsKnowTheirClassAndPublishedProperties) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    EXPECT_EQ(button->ClassName(), QStringLiteral("TButton"));
    EXPECT_TRUE(ClassInfoOf(button)->InheritsFrom(QStringLiteral("TWinControl")));
    EXPECT_FALSE(ClassInfoOf(button)->InheritsFrom(QStringLiteral("TCustomEdit")));

    SetStrProp(button, QStringLiteral("Caption"), QStringLiteral("&Save"));
    EXPECT_EQ(button->Caption(), QStringLiteral("&Save"));
    SetOrdProp(button, QStringLiteral("Left"), 12);
    EXPECT_EQ(button->Left(), 12);
    SetEnumProp(button, QStringLiteral("Align"), QStringLiteral("alBottom"));
    EXPECT_EQ(button->Align(), alBottom);
    SetSetProp(button, QStringLiteral("Anchors"), QStringLiteral("[akLeft,akBottom]"));
    EXPECT_EQ(button->Anchors(), (TAnchors{akLeft, akBottom}));
    EXPECT_EQ(GetOrdProp(button, QStringLiteral("ModalResult")), 0);
    EXPECT_THROW(SetStrProp(button, QStringLiteral("NoSuchProperty"), QString()), EPropertyError);

    auto* check = new TCheckBox(form.get());
    SetEnumProp(check, QStringLiteral("State"), QStringLiteral("cbGrayed"));
    EXPECT_EQ(check->State(), cbGrayed);
    EXPECT_EQ(GetEnumProp(check, QStringLiteral("State")), QStringLiteral("cbGrayed"));

    auto* memo = new TMemo(form.get());
    SetPropValue(memo, QStringLiteral("Lines"), Variant(QStringLiteral("a\r\nb")));
    EXPECT_EQ(memo->Lines()->Count(), 2);
}

TEST(ClassTables, RegisteredControlClassesAreCreatedByName) {
    RegisterClasses({TPanel::StaticClassInfo(), TDateTimePicker::StaticClassInfo()});
    auto form = std::make_unique<TForm>(nullptr);
    TObject* made = GetClass(QStringLiteral("TDateTimePicker"))->CreateInstance(form.get());
    auto* picker = dynamic_cast<TDateTimePicker*>(made);
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->Owner(), form.get());
    SetEnumProp(picker, QStringLiteral("Kind"), QStringLiteral("dtkTime"));
    EXPECT_EQ(picker->Kind(), dtkTime);
}
