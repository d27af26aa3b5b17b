// Button actions on small windows of their own: free SQL with control values, saves on the main
// window, a save that stores nothing before a dependent record, combo boxes whose parents loop,
// search and incremental search.

#include "ActionsFixture.h"

#include "app/dbControls.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/data/SQLConnection.h"
#include "platform/ui/Forms.h"

namespace {

const QByteArray Forms = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<main>
  <frmMainKorvel Caption="Test" Width="600" Height="400">
    <TdbEdit Name="edV" Left="0" Top="0" Width="100" Height="22" dbTable="customers" dbField="name" dbFilter="%s%" dbIncremSearch="btnFind"/>
    <TdbEdit Name="edV2" Left="0" Top="30" Width="100" Height="22" dbTable="customers" dbField="phone"/>
    <TdbCheckBox Name="chkV" Caption="v" Left="0" Top="60" Width="60" Height="18" dbTable="customers" dbField="vip"/>
    <TdbStringGrid Name="grd" Left="0" Top="90" Width="500" Height="200" dbGeneralTable="customers" dbListFields="customers.name" dbListFieldsNames="Name"/>
    <TdbButton Name="btnFind" Caption="Find" Left="110" Top="0" Width="60" Height="22" dbActionType="adbSearch" dbResultControl="grd"
               dbGeneralTable="customers" dbListFields="customers.name" dbListFieldsNames="Name" dbListControls="edV" dbSortField="customers.name" dbSortAsc="True"/>
    <TdbButton Name="btnBound" Caption="b" Left="180" Top="0" Width="40" Height="22" dbActionType="adbSQL" dbResultControl="grd"
               dbListFieldsNames="Name" dbSQL="SELECT name, id FROM customers WHERE name = {EDV} ORDER BY id"/>
    <TdbButton Name="btnSingle" Caption="s" Left="230" Top="0" Width="40" Height="22" dbActionType="adbSQL" dbResultControl="grd"
               dbListFieldsNames="Name" dbSQL="SELECT name, id FROM customers WHERE name = '{edV}' ORDER BY id"/>
    <TdbButton Name="btnDouble" Caption="d" Left="280" Top="0" Width="40" Height="22" dbActionType="adbSQL" dbResultControl="grd"
               dbListFieldsNames="Name" dbSQL="SELECT name, id FROM customers WHERE name = &quot;{edv}&quot; ORDER BY id"/>
    <TdbButton Name="btnExec" Caption="x" Left="330" Top="0" Width="40" Height="22" dbActionType="adbSQL"
               dbSQL="INSERT INTO customers(name, phone, vip) VALUES ('[' || '{edV}' || ']', {edV2}, {chkV})"/>
    <TdbButton Name="btnMainSave" Caption="Save" Left="380" Top="0" Width="40" Height="22" dbActionType="adbSaveRecord"
               dbGeneralTable="customers" dbListControls="edV,edV2"/>
    <TdbComboBox Name="cbA" Left="0" Top="300" Width="100" Height="22" dbForeignKey="cities.id_countries" dbField="name" dbParentCombo="cbB"/>
    <TdbComboBox Name="cbB" Left="110" Top="300" Width="100" Height="22" dbForeignKey="customers.id_cities" dbField="name" dbParentCombo="cbA"/>
    <TdbButton Name="btnNoSave" Caption="n" Left="430" Top="0" Width="40" Height="22" dbActionType="adbShowForm" dbFormName="frmOwner"/>
  </frmMainKorvel>
  <frmOwner Caption="Owner" Width="300" Height="200">
    <TdbEdit Name="edOwner" Left="0" Top="0" Width="100" Height="22" dbTable="customers" dbField="name"/>
    <TdbButton Name="btnChild" Caption="c" Left="0" Top="30" Width="40" Height="22" dbActionType="adbNewRecord" dbFormName="frmChild"
               dbGeneralTable="documents"/>
    <TdbButton Name="btnOwnerSave" Caption="s" Left="50" Top="30" Width="40" Height="22" dbActionType="adbSaveRecord"
               dbGeneralTable="customers" dbListControls="edOwner"/>
  </frmOwner>
  <frmChild Caption="Child" Width="300" Height="200">
    <TdbEdit Name="edTitle" Left="0" Top="0" Width="100" Height="22" dbTable="documents" dbField="title"/>
    <TdbButton Name="btnChildSave" Caption="s" Left="50" Top="30" Width="40" Height="22" dbActionType="adbSaveRecord"
               dbGeneralTable="documents" dbListControls="edTitle"/>
  </frmChild>
</main>
)xml";

class Actions : public ActionsTest {
protected:
    void SetUp() override {
        ActionsTest::SetUp();
        Start(Forms);
    }
    QStringList GridNames() {
        auto* grid = Get<TdbStringGridEx>(frmMainKorvel, "grd");
        QStringList names;
        for (int r = 0; r < grid->RowCount(); ++r)
            names << grid->GetCells(0, r);
        return names;
    }
};

} // namespace

// Every way of writing a control's token in free SQL finds exactly the row whose name was typed.
TEST_F(Actions, FreeSqlFindsTypedTextsWhereverTheTokenStands) {
    const QStringList hostile = {
        "O\"Brien",      "it's",      "[name]",        "name",   "x\"; DROP TABLE customers; --",
        "a') OR 1=1 --", "' OR ''='", "\" OR \"\"=\"", "{edV2}", "$id"};
    for (const QString& text : hostile) {
        TParams p;
        p.CreateParam(ftString, "n", ptInput).SetAsString(text);
        Db().Execute("INSERT INTO customers(name) VALUES (:n)", &p);
    }
    for (const char* button : {"btnBound", "btnSingle", "btnDouble"}) {
        for (const QString& text : hostile) {
            SCOPED_TRACE(std::string(button) + " " + text.toStdString());
            Get<TdbEdit>(frmMainKorvel, "edV2")->SetText("decoy");
            Get<TdbEdit>(frmMainKorvel, "edV")->SetText(text);
            Click("frmMainKorvel", button);
            EXPECT_EQ(GridNames(), QStringList{text});
        }
    }
    EXPECT_EQ(Rows("SELECT count(*) FROM customers"), QString::number(hostile.size()));
}

TEST_F(Actions, FreeSqlWithoutGridRunsOnTheConnection) {
    struct Case {
        QString Name, Phone;
        TCheckBoxState Vip;
        QString Stored;
    } cases[] = {
        {"it's", "12", cbChecked, "[it's]|12|1"}, // text inside a literal, number bound outside
        {"x' || '", "'a'", cbUnchecked, "[x' || ']|'a'|0"},
        {"{edV2}", "7); DROP TABLE orders; --", cbGrayed, "[{edV2}]|7); DROP TABLE orders; --|<null>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name.toStdString());
        Exec("DELETE FROM customers");
        Get<TdbEdit>(frmMainKorvel, "edV")->SetText(c.Name);
        Get<TdbEdit>(frmMainKorvel, "edV2")->SetText(c.Phone);
        Get<TdbCheckBox>(frmMainKorvel, "chkV")->SetState(c.Vip);
        // The search button runs on every change of edV (incremental search); it has nothing to ask.
        Click("frmMainKorvel", "btnExec");
        EXPECT_EQ(Rows("SELECT name, phone, vip FROM customers"), c.Stored);
    }
    EXPECT_EQ(Rows("SELECT count(*) FROM sqlite_master WHERE name='orders'"), "1");
}

TEST_F(Actions, SearchAndIncrementalSearchFillTheGrid) {
    Exec("INSERT INTO customers(name) VALUES ('Smith'), ('Smithers'), ('Jones')");
    Get<TdbEdit>(frmMainKorvel, "edV")->SetText("smith");
    // The edit's change ran the search button.
    EXPECT_EQ(GridNames(), (QStringList{"Smith", "Smithers"}));
    Get<TdbEdit>(frmMainKorvel, "edV")->SetText("jon");
    EXPECT_EQ(GridNames(), QStringList{"Jones"});
}

TEST_F(Actions, EditsThatBeginWithALinkLookLikeOne) {
    struct Case {
        const char* Text;
        bool Link;
    } cases[] = {
        {"http://example.org", true}, {"HTTP://example.org", false}, {"see http://x", false}, {"", false}};
    auto* edit = Get<TdbEdit>(frmMainKorvel, "edV2");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        edit->SetText(c.Text);
        frmMainKorvel->OnEditChange(edit);
        EXPECT_EQ(edit->Font()->Style().Contains(fsUnderline), c.Link);
        EXPECT_EQ(edit->Font()->Color(), c.Link ? clHotLight : clWindowText);
        EXPECT_FALSE(edit->Modified());
    }
}

// A save button on the main window inserts each time and never closes the main window.
TEST_F(Actions, MainWindowSaveInsertsAndStaysOpen) {
    Get<TdbEdit>(frmMainKorvel, "edV")->SetText("First");
    Click("frmMainKorvel", "btnMainSave");
    Get<TdbEdit>(frmMainKorvel, "edV")->SetText("Second");
    Click("frmMainKorvel", "btnMainSave");
    EXPECT_EQ(Rows("SELECT name FROM customers ORDER BY id"), "First/Second");
    EXPECT_TRUE(frmMainKorvel->Visible());
    EXPECT_EQ(frmMainKorvel->Hint(), "customers");

    // Nothing typed: nothing to add.
    Get<TdbEdit>(frmMainKorvel, "edV")->SetText("");
    Get<TdbEdit>(frmMainKorvel, "edV2")->SetText("");
    UI().AnswerMessage(mrOk, Lang.No_data_to_add);
    Click("frmMainKorvel", "btnMainSave");
    EXPECT_EQ(Rows("SELECT count(*) FROM customers"), "2");
}

// A dependent record whose owner could not be stored is not started: it would belong to whatever
// row the connection inserted last.
TEST_F(Actions, NewDependentRecordNeedsItsOwnerStored) {
    Exec("INSERT INTO countries(id, name) VALUES (77, 'Other table')");
    UI().AnswerModal("frmOwner", [&](TCustomForm* f) {
        UI().AnswerMessage(mrOk, Lang.No_data_to_add);
        Get<TdbButton>(f, "btnChild")->Click(); // no child window may open
        EXPECT_EQ(f->ModalResult(), mrNone);

        Get<TdbEdit>(f, "edOwner")->SetText("Owner");
        UI().AnswerModal("frmChild", [&](TCustomForm* child) {
            Get<TdbEdit>(child, "edTitle")->SetText("First");
            Get<TdbButton>(child, "btnChildSave")->Click();
            return mrNone;
        });
        Get<TdbButton>(f, "btnChild")->Click();
        EXPECT_EQ(f->ModalResult(), mrNone);
        // A second line does not store the owner again.
        UI().AnswerModal("frmChild", [&](TCustomForm* child) {
            Get<TdbEdit>(child, "edTitle")->SetText("Second");
            Get<TdbButton>(child, "btnChildSave")->Click();
            return mrNone;
        });
        Get<TdbButton>(f, "btnChild")->Click();
        return mrNone;
    });
    Click("frmMainKorvel", "btnNoSave");
    const QString owner = Rows("SELECT id FROM customers");
    EXPECT_EQ(Rows("SELECT count(*) FROM customers"), "1");
    EXPECT_EQ(Rows("SELECT id_customers, title FROM documents ORDER BY id"),
              owner + "|First/" + owner + "|Second");
}

TEST_F(Actions, ComboParentLoopIsReportedOnce) {
    auto* a = Get<TdbComboBox>(frmMainKorvel, "cbA");
    UI().AnswerMessage(mrOk, "loops");
    frmMainKorvel->OnComboChange(a);
    frmMainKorvel->OnComboChange(a);
    frmMainKorvel->SetLinkedComboBoxValue(Get<TdbComboBox>(frmMainKorvel, "cbB"), 1);
    EXPECT_EQ(UI().Messages().size(), 1u);
}
