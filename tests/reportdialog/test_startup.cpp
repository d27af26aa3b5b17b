// The report library's start-up fills the designer's registries: the dialog controls, the
// dot-matrix objects, the check box and the chart in the object registry, the standard property
// editors in theirs. A second start changes nothing; stopping takes out what its units register
// only for the program's life, and starting again brings it back.

#include "platform/rtti/TypInfo.h"
#include "report/core/rptClassChart.h"
#include "report/core/rptClassCheckBox.h"
#include "report/core/rptClassDMP.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDialogControls.h"
#include "report/core/rptDialogPage.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptPropertyEditors.h"
#include "report/core/rptStartup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// One line per object registry entry, sorted: class, flags, image, categories.
QStringList ObjectEntries() {
    QStringList out;
    TrptObjectCollection* registry = ObjectRegistry();
    for (int i = 0; i < registry->Count(); ++i) {
        const TrptObjectItem* item = registry->Items(i);
        out << QStringLiteral("%1/%2/%3/%4")
                   .arg(item->ClassRef() ? item->ClassRef()->ClassName() : QStringLiteral("-"))
                   .arg(item->Flags())
                   .arg(item->ButtonImageIndex())
                   .arg(item->Category().ToInt());
    }
    out.sort();
    return out;
}

QStringList EditorEntries() {
    QStringList out;
    TrptPropertyEditorCollection* registry = PropertyEditorRegistry();
    for (int i = 0; i < registry->Count(); ++i) {
        const TrptPropertyEditorItem* item = registry->Items(i);
        out << QStringLiteral("%1/%2/%3/%4")
                   .arg(item->PropertyType() ? item->PropertyType()->Name() : QStringLiteral("-"))
                   .arg(item->ComponentClass() ? item->ComponentClass()->ClassName() : QStringLiteral("-"))
                   .arg(item->PropertyName())
                   .arg(item->EditorClass() ? item->EditorClass()->ClassName() : QStringLiteral("-"));
    }
    return out;
}

const TrptObjectItem* EntryOf(const TClassInfo* cls, int* count) {
    const TrptObjectItem* found = nullptr;
    *count = 0;
    TrptObjectCollection* registry = ObjectRegistry();
    for (int i = 0; i < registry->Count(); ++i)
        if (registry->Items(i)->ClassRef() == cls) {
            found = registry->Items(i);
            ++*count;
        }
    return found;
}

// The editor class the registry picks for a published property of Component.
const TClassInfo* EditorFor(const TObject* Component, const QString& Property) {
    const TPropInfo* p = GetPropInfo(Component, Property);
    if (!p) return nullptr;
    const int index = PropertyEditorRegistry()->GetPropertyEditor(p->PropType(), Component, Property);
    return index < 0 ? nullptr : PropertyEditorRegistry()->Items(index)->EditorClass();
}

} // namespace

TEST(ReportStartup, FillsTheRegistriesOnceAndStopTakesOutTheProgramLongEntries) {
    StartReportLibrary();

    struct Expected {
        const TClassInfo* Class;
        int Image; // -1: whatever the unit gives
        TrptObjectCategory Category;
        bool HasCategory;
        bool Stays; // still registered after StopReportLibrary
    };
    std::vector<Expected> expected = {
        {TrptDMPMemoView::StaticClassInfo(), 2, ctDMP, true, false},
        {TrptDMPLineView::StaticClassInfo(), 5, ctDMP, true, false},
        {TrptDMPCommand::StaticClassInfo(), 21, ctDMP, true, false},
        {TrptCheckBoxView::StaticClassInfo(), 24, ctReport, false, false},
        {TrptChartView::StaticClassInfo(), 25, ctReport, false, false},
    };
    ASSERT_FALSE(DialogControlClasses().empty());
    for (const TClassInfo* cls : DialogControlClasses())
        expected.push_back({cls, -1, ctDialog, true, true});

    for (const Expected& e : expected) {
        SCOPED_TRACE(e.Class->ClassName().toStdString());
        int count = 0;
        const TrptObjectItem* item = EntryOf(e.Class, &count);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(count, 1);
        if (e.Image >= 0) {
            EXPECT_EQ(item->ButtonImageIndex(), e.Image);
        }
        if (e.HasCategory) {
            EXPECT_TRUE(item->Category().Contains(e.Category));
        }
        // Templates can name every registered class.
        EXPECT_EQ(GetClass(e.Class->ClassName()), e.Class);
    }
    for (const char* name : {"TrptDMPPage", "TrptDialogPage", "TrptReport", "TrptMemoView"})
        EXPECT_NE(GetClass(QString::fromLatin1(name)), nullptr) << name;

    // The standard property editors answer for the properties of report objects.
    auto report = std::make_unique<TrptReport>();
    report->EngineOptions()->SetNewSilentMode(simSilent);
    auto* page = new TrptDialogPage(report.get());
    page->SetName("DialogPage1");
    auto* button = new TrptButtonControl(page);
    button->SetName("Button1");
    EXPECT_EQ(EditorFor(page, "Name"), TrptNameProperty::StaticClassInfo());
    EXPECT_EQ(EditorFor(page, "Color"), TrptColorProperty::StaticClassInfo());
    EXPECT_EQ(EditorFor(page, "Font"), TrptFontProperty::StaticClassInfo());
    EXPECT_EQ(EditorFor(page->Font(), "Name"), TrptFontNameProperty::StaticClassInfo());
    EXPECT_EQ(EditorFor(button, "ModalResult"), TrptModalResultProperty::StaticClassInfo());
    const QStringList editors = EditorEntries();
    for (const TClassInfo* cls :
         {TrptNameProperty::StaticClassInfo(), TrptColorProperty::StaticClassInfo(),
          TrptFontProperty::StaticClassInfo(), TrptFontNameProperty::StaticClassInfo(),
          TrptFontCharsetProperty::StaticClassInfo(), TrptModalResultProperty::StaticClassInfo(),
          TrptShortCutProperty::StaticClassInfo(), TrptCursorProperty::StaticClassInfo(),
          TrptDateTimeProperty::StaticClassInfo(), TrptDateProperty::StaticClassInfo(),
          TrptTimeProperty::StaticClassInfo()})
        EXPECT_EQ(editors.filter(QLatin1Char('/') + cls->ClassName()).size(), 1)
            << cls->ClassName().toStdString();

    // A second start changes nothing.
    const QStringList objects = ObjectEntries();
    StartReportLibrary();
    EXPECT_EQ(ObjectEntries(), objects);
    EXPECT_EQ(EditorEntries(), editors);

    // Shutdown takes out the dot-matrix objects, the check box and the chart; the rest stays.
    StopReportLibrary();
    for (const Expected& e : expected) {
        int count = 0;
        EntryOf(e.Class, &count);
        EXPECT_EQ(count, e.Stays ? 1 : 0) << e.Class->ClassName().toStdString();
    }
    StopReportLibrary();
    StartReportLibrary();
    EXPECT_EQ(ObjectEntries(), objects);
    EXPECT_EQ(EditorEntries(), editors);
}
