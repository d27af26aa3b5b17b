#include "ShellFixture.h"

#include "app/dbControls.h"
#include "app/uMainForm.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtti/TypInfo.h"

class DataControls : public ShellFixture {};

TEST_F(DataControls, ButtonDefaultsAndIcons) {
    TdbButton button(nullptr);
    EXPECT_EQ(button.dbActionType(), adbSearch);
    EXPECT_TRUE(button.dbSortAsc());
    EXPECT_EQ(button.dbParentTableId(), -1);
    EXPECT_TRUE(button.dbDoCloseForm());
    EXPECT_EQ(button.dbIconName(), QLatin1String("none"));
    EXPECT_EQ(button.ImageIndex(), -1);
    EXPECT_EQ(button.ImageMarginLeft(), 1);

    const struct {
        const char* Name;
        int Index; // after "Edit" (1) was chosen
    } icons[] = {{"New", 0},   {"Delete", 2}, {"OK", 3},    {"Cancel", 4},   {"Search", 5},
                 {"Printer", 6}, {"Report", 7}, {"Save", 8},  {"Exit", 9},    {"Excel", 10},
                 {"Database", 11}, {"printer", 1}, {"", 1},    {" Printer", 1}, {"none", -1}};
    for (const auto& icon : icons) {
        button.SetdbIconName(QStringLiteral("Edit"));
        button.SetdbIconName(QLatin1String(icon.Name));
        EXPECT_EQ(button.ImageIndex(), icon.Index) << icon.Name;
        EXPECT_EQ(button.dbIconName(), QLatin1String(icon.Name));
    }
}

TEST_F(DataControls, PropertiesArePublishedByName) {
    TdbButton button(nullptr);
    SetStrProp(&button, "dbGeneralTable", QStringLiteral("orders"));
    SetEnumProp(&button, "dbActionType", QStringLiteral("adbDelete"));
    EXPECT_EQ(button.dbGeneralTable(), QLatin1String("orders"));
    EXPECT_EQ(button.dbActionType(), adbDelete);
    EXPECT_EQ(GetEnumProp(&button, "dbReportOpenIn"), QLatin1String("rpoPreview"));
    TdbFileToDatabase file(nullptr);
    EXPECT_EQ(GetEnumProp(&file, "dbType"), QLatin1String("tflStore"));
    EXPECT_EQ(GetOrdProp(&file, "dbID"), -1);
}

TEST_F(DataControls, EditOpensOnlyWebLinksOnDoubleClick) {
    TdbEdit edit(nullptr);
    const struct {
        const char* Text;
        bool Opens;
    } cases[] = {{"http://example.org/a", true}, {"HTTP://example.org", false}, {" http://example.org", false},
                 {"https://example.org", false}, {"plain text", false}};
    for (const auto& c : cases) {
        FOpened.clear();
        edit.SetText(QLatin1String(c.Text));
        edit.DblClick();
        ASSERT_EQ(FOpened.size(), c.Opens ? 1 : 0) << c.Text;
        if (c.Opens) { EXPECT_EQ(FOpened[0].toString(), QLatin1String(c.Text)); }
    }
}

TEST_F(DataControls, EditCountStartsReadOnlyAndEmpty) {
    TdbEditCount count(nullptr);
    EXPECT_TRUE(count.ReadOnly());
    EXPECT_EQ(count.Text(), QLatin1String(""));
}

TEST_F(DataControls, PickerGivesStoredDateTexts) {
    TdbDateTimePicker picker(nullptr);
    picker.SetDateTime(EncodeDateTime(2014, 4, 28, 13, 5, 9, 456));
    EXPECT_EQ(picker.dbStringDateTime(), QLatin1String("2014-04-28 13:05:09.000"));
    EXPECT_EQ(picker.dbGetDate(), QLatin1String("2014-04-28 00:00:00.000"));
    EXPECT_EQ(picker.dbGetTime(), QLatin1String("1899-12-30 13:05:09.000"));

    const struct {
        const char* Text;
        const char* Stored; // null: the text cannot be read
    } cases[] = {{"2020-02-29 23:59:58.123", "2020-02-29 23:59:58.000"},
                 {"2020-02-29", "2020-02-29 00:00:00.000"},
                 {"1899-12-30 07:08:09", "1899-12-30 07:08:09.000"},
                 {"2021-02-29", nullptr},
                 {"", nullptr},
                 {"28.04.2014", nullptr},
                 {"2014-04-28 25:00:00", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TdbMonthCalendar calendar(nullptr);
        calendar.SetDate(EncodeDate(2001, 1, 1));
        calendar.SetdbStringDateTime(QLatin1String(c.Text));
        if (c.Stored) {
            picker.SetdbStringDateTime(QLatin1String(c.Text));
            EXPECT_EQ(picker.dbStringDateTime(), QLatin1String(c.Stored));
            EXPECT_EQ(calendar.dbStringDateTime(), QLatin1String(c.Stored).left(10) + " 00:00:00.000");
        } else {
            EXPECT_THROW(picker.SetdbStringDateTime(QLatin1String(c.Text)), EConvertError);
            // The calendar falls back to day 0 instead of raising.
            EXPECT_EQ(calendar.dbStringDateTime(), QLatin1String("1899-12-30 00:00:00.000"));
            EXPECT_EQ(calendar.dbGetDate(), QLatin1String("1899-12-30 00:00:00.000"));
        }
    }
}

TEST_F(DataControls, ComboKeepsItemsAndIdsInStep) {
    TdbComboBox combo(nullptr);
    EXPECT_EQ(combo.Style(), csDropDownList);
    EXPECT_EQ(combo.dbItemID(), -1);
    combo.AddRecord(5, QStringLiteral("five"));
    combo.AddRecord(7, QStringLiteral("seven"));
    combo.AddRecord(5, QStringLiteral("five again"));
    combo.SetdbItemID(7);
    EXPECT_EQ(combo.ItemIndex(), 1);
    combo.SetdbItemID(5);
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(combo.dbItemID(), 5);
    combo.SetdbItemID(9);
    EXPECT_EQ(combo.ItemIndex(), 0);
    combo.Clear();
    EXPECT_EQ(combo.Items()->Count(), 0);
    EXPECT_EQ(combo.IdList().Count(), 0);
    EXPECT_EQ(combo.dbItemID(), -1);
}

TEST_F(DataControls, ComboDerivesTheReferencedTable) {
    const struct {
        const char* ForeignKey;
        const char* Table;
        const char* Short;
    } cases[] = {{"orders.id_customers2", "customers", "id_customers2"},
                 {"orders.id_cities", "cities", "id_cities"},
                 {"orders.id_cities12", "cities", "id_cities12"},
                 {"orders.id_cities123", "cities1", "id_cities123"},
                 {"orders.id_room0", "room0", "id_room0"},
                 {"", "", ""}};
    for (const auto& c : cases) {
        TdbComboBox combo(nullptr);
        combo.SetdbForeignKey(QLatin1String(c.ForeignKey));
        EXPECT_EQ(combo.dbGetTableName(), QLatin1String(c.Table)) << c.ForeignKey;
        EXPECT_EQ(combo.dbForeignKeyShort(), QLatin1String(c.Short)) << c.ForeignKey;
    }
}

TEST_F(DataControls, PanelKeepsItsOwnBackground) {
    TdbPanel panel(nullptr);
    EXPECT_FALSE(panel.ParentBackground());
}
