#include "ShellFixture.h"

#include "app/dbControls.h"
#include "app/uMainForm.h"
#include "platform/sys/XmlDocument.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"

#include <QFile>

namespace {

QByteArray Fixture(const char* name) {
    QFile f(QStringLiteral(KORVEL_TEST_DATA "/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

QString AnchorText(const TControl* c) {
    QString s;
    for (TAnchorKind k : {akLeft, akTop, akRight, akBottom}) s += c->Anchors().Contains(k) ? u'2' : u'0';
    return s;
}

struct TBoundsCase {
    const char* Name;
    const char* Class;
    int Left, Top, Width, Height; // -1: not checked
    const char* Anchors;
};

} // namespace

class Builder : public ShellFixture {};

TEST_F(Builder, EveryControlGetsItsClassBoundsAndAnchors) {
    Build(Fixture("controls.xml"));
    EXPECT_TRUE(frmMainKorvel->FormsProblems().isEmpty()) << frmMainKorvel->FormsProblems().join('\n').toStdString();
    const TBoundsCase cases[] = {
        {"btnSearch", "TdbButton", 10, 20, 90, 25, "2200"},
        {"btnReport", "TdbButton", 110, 20, 90, 25, "2200"},
        {"edName", "TdbEdit", 10, 60, 150, 21, "2220"},
        {"ecNumber", "TdbEditCount", 170, 60, 60, 21, "2200"},
        {"mmNotes", "TdbMemo", 10, 90, 200, 60, "2200"},
        {"chkVip", "TdbCheckBox", 220, 90, 60, 17, "2200"},
        {"dtpBirthday", "TdbDateTimePicker", 290, 90, 120, 21, "2200"},
        {"calDate", "TdbMonthCalendar", 420, 60, 230, 160, "2200"},
        {"cbCity", "TdbComboBox", 10, 160, -1, -1, "2200"},
        {"lblName", "TLabel", 10, 190, -1, -1, "0220"},
        {"imgLogo", "TdbImage", 500, 230, 80, 40, "0022"},
        {"imgPhoto", "TdbImageDataBase", 400, 230, 90, 80, "2200"},
        {"fdScan", "TdbFileToDatabase", 10, 330, 250, -1, "2200"},
        {"pnlBottom", "TdbPanel", 0, 440, 700, 60, "2022"},
        {"grpBox", "TGroupBox", 300, 330, 190, 100, "2200"},
        {"grdCustomers", "TdbStringGridEx", 10, 230, 380, 90, "2200"},
        {"edInPanel", "TdbEdit", 5, 5, 80, 21, "2200"},
        {"chkInGroup", "TdbCheckBox", 8, 20, 80, 17, "2200"},
    };
    for (const TBoundsCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* control = Find<TControl>(frmMainKorvel, QLatin1String(c.Name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->ClassName(), QLatin1String(c.Class));
        EXPECT_EQ(control->Owner(), frmMainKorvel);
        if (c.Left >= 0) { EXPECT_EQ(control->Left(), c.Left); }
        if (c.Top >= 0) { EXPECT_EQ(control->Top(), c.Top); }
        if (c.Width >= 0) { EXPECT_EQ(control->Width(), c.Width); }
        if (c.Height >= 0) { EXPECT_EQ(control->Height(), c.Height); }
        EXPECT_EQ(AnchorText(control), QLatin1String(c.Anchors));
    }
    // Children of container elements lie in their container; everything is owned by the window.
    EXPECT_EQ(Find<TControl>(frmMainKorvel, "edInPanel")->Parent(), Find<TControl>(frmMainKorvel, "pnlBottom"));
    EXPECT_EQ(Find<TControl>(frmMainKorvel, "chkInGroup")->Parent(), Find<TControl>(frmMainKorvel, "grpBox"));
    // The label sizes itself to its caption; the file field keeps its own height.
    EXPECT_NE(Find<TControl>(frmMainKorvel, "lblName")->Width(), 500);
    EXPECT_GT(Find<TControl>(frmMainKorvel, "lblName")->Width(), 0);
    EXPECT_NE(Find<TControl>(frmMainKorvel, "fdScan")->Height(), 99);
}

TEST_F(Builder, WindowsTakeTheirAttributes) {
    Build(Fixture("controls.xml"));
    EXPECT_EQ(frmMainKorvel->Name(), QLatin1String("frmMain"));
    EXPECT_EQ(frmMainKorvel->Caption(), QLatin1String("Shop"));
    EXPECT_EQ(frmMainKorvel->ClientWidth(), 700);
    EXPECT_EQ(frmMainKorvel->ClientHeight(), 500);
    EXPECT_EQ(frmMainKorvel->FormBorderStyle(), bsSizeable);
    EXPECT_EQ(frmMainKorvel->Color(), 0x00FFEEDD);

    ASSERT_EQ(frmMainKorvel->GeneratedForms().size(), 2u);
    TForm* order = Window("frmOrder");
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(order->Caption(), QLatin1String("Order"));
    EXPECT_EQ(order->ClientWidth(), 400);
    EXPECT_EQ(order->ClientHeight(), 300);
    EXPECT_EQ(order->FormBorderStyle(), bsSingle);
    EXPECT_EQ(order->Position(), poScreenCenter);
    EXPECT_EQ(order->Color(), 0x00FFFFFF);
    EXPECT_FALSE(order->Visible());
    EXPECT_TRUE(order->OnShow);
    TForm* empty = Window("frmEmpty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->ClientWidth(), 640);
    EXPECT_EQ(empty->ClientHeight(), 480);
}

TEST_F(Builder, DatabasePropertiesComeFromTheAttributes) {
    Build(Fixture("controls.xml"));
    auto* search = Find<TdbButton>(frmMainKorvel, "btnSearch");
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->Caption(), QLatin1String("Find"));
    EXPECT_EQ(search->dbIconName(), QLatin1String("Search"));
    EXPECT_EQ(search->ImageIndex(), 5);
    EXPECT_EQ(search->Images(), frmMainKorvel->ImageListButtonIcons);
    EXPECT_EQ(search->dbActionType(), adbSearch);
    EXPECT_EQ(search->dbGeneralTable(), QLatin1String("customers"));
    EXPECT_EQ(search->dbListControls(), QLatin1String("edName,cbCity"));
    EXPECT_EQ(search->dbListFields(), QLatin1String("customers.name,cities.name"));
    EXPECT_EQ(search->dbListFieldsNames(), QLatin1String("Name,City"));
    EXPECT_EQ(search->dbListFooters(), QLatin1String("count"));
    EXPECT_EQ(search->dbResultControl(), QLatin1String("grdCustomers"));
    EXPECT_EQ(search->dbSortField(), QLatin1String("customers.name"));
    EXPECT_TRUE(search->dbSortAsc());

    auto* report = Find<TdbButton>(frmMainKorvel, "btnReport");
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->dbActionType(), adbReport);
    EXPECT_EQ(report->dbGeneralTableId(), -1);
    EXPECT_EQ(report->dbReportOpenIn(), rpoPDF);
    EXPECT_EQ(report->dbReportFile(), QLatin1String("orders.de3"));
    EXPECT_EQ(report->dbFormName(), QLatin1String("frmOrder"));
    EXPECT_TRUE(report->dbConfirmDelete());
    EXPECT_EQ(report->dbSQL(), QStringLiteral("SELECT 1;\r\nSELECT 2"));
    EXPECT_EQ(report->dbIconName(), QLatin1String(""));
    EXPECT_EQ(report->ImageIndex(), -1);
    // Without the attribute the sort is descending: the builder's table rules.
    EXPECT_FALSE(report->dbSortAsc());

    auto* edit = Find<TdbEdit>(frmMainKorvel, "edName");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->ReadOnly());
    EXPECT_EQ(edit->dbDefaultValue(), QLatin1String("new"));
    EXPECT_EQ(edit->Text(), QLatin1String(""));
    EXPECT_EQ(edit->EditMask(), QLatin1String("!999;1;_"));
    EXPECT_EQ(edit->dbIncremSearch(), QLatin1String("btnSearch"));
    EXPECT_EQ(edit->dbFilter(), QLatin1String("%s%"));
    EXPECT_EQ(edit->dbTable(), QLatin1String("customers"));
    EXPECT_EQ(edit->dbField(), QLatin1String("name"));
    EXPECT_EQ(edit->Color(), 0x00E0FFFF);
    EXPECT_TRUE(edit->OnChange);

    auto* count = Find<TdbEditCount>(frmMainKorvel, "ecNumber");
    ASSERT_NE(count, nullptr);
    EXPECT_FALSE(count->ReadOnly()); // no attribute: editable, though the class starts read-only
    EXPECT_EQ(count->dbTable(), QLatin1String("orders"));
    EXPECT_EQ(count->dbBeginValue(), 1000);

    auto* memo = Find<TdbMemo>(frmMainKorvel, "mmNotes");
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->dbDefaultValue(), QLatin1String("none yet"));
    EXPECT_EQ(memo->Text(), QLatin1String(""));
    EXPECT_EQ(memo->dbField(), QLatin1String("notes"));
    EXPECT_EQ(memo->Color(), clWindow);

    auto* check = Find<TdbCheckBox>(frmMainKorvel, "chkVip");
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->AllowGrayed());
    EXPECT_EQ(check->dbDefaultState(), cbGrayed);
    EXPECT_EQ(check->State(), cbGrayed);
    EXPECT_EQ(check->Caption(), QLatin1String("VIP"));

    auto* picker = Find<TdbDateTimePicker>(frmMainKorvel, "dtpBirthday");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->Kind(), dtkTime);
    EXPECT_EQ(picker->Format(), QLatin1String("HH:mm"));
    EXPECT_EQ(picker->DateFormat(), dfLong);
    EXPECT_EQ(picker->dbFilter(), QLatin1String(">="));
    EXPECT_EQ(picker->dbCalendarControl(), QLatin1String("calDate"));
    EXPECT_TRUE(picker->ShowCheckbox());
    EXPECT_TRUE(picker->dbDefaultChecked());
    EXPECT_TRUE(picker->Checked());

    auto* calendar = Find<TdbMonthCalendar>(frmMainKorvel, "calDate");
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->dbFilter(), QLatin1String(">="));
    EXPECT_EQ(calendar->dbField(), QLatin1String("date"));

    auto* combo = Find<TdbComboBox>(frmMainKorvel, "cbCity");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->dbForeignKey(), QLatin1String("customers.id_cities"));
    EXPECT_EQ(combo->dbGetTableName(), QLatin1String("cities"));
    EXPECT_EQ(combo->dbDefaultID(), 2);
    EXPECT_EQ(combo->DropDownCount(), 12);
    EXPECT_EQ(combo->dbParentCombo(), QLatin1String("cbCountry"));
    EXPECT_TRUE(combo->dbSort());
    EXPECT_EQ(combo->Style(), csDropDownList);

    auto* logo = Find<TdbImage>(frmMainKorvel, "imgLogo");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->dbFileName(), QLatin1String("logo.png"));
    EXPECT_TRUE(logo->Proportional() && logo->Stretch() && logo->Transparent());

    auto* photo = Find<TdbImageDataBase>(frmMainKorvel, "imgPhoto");
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(photo->dbTable(), QLatin1String("customers"));
    EXPECT_EQ(photo->dbField(), QLatin1String("photo"));
    EXPECT_TRUE(photo->Proportional());
    EXPECT_FALSE(photo->Stretch());

    auto* file = Find<TdbFileToDatabase>(frmMainKorvel, "fdScan");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->dbType(), tflLinkFile);
    EXPECT_EQ(file->dbTable(), QLatin1String("documents"));
    EXPECT_EQ(file->Color(), 0x00DDDDDD);
    EXPECT_EQ(file->Images(), frmMainKorvel->ImageListButtonEdit);
    EXPECT_EQ(file->LeftButton().ImageIndex(), 4);
    EXPECT_EQ(file->LeftButton().PressedImageIndex(), 6);
    EXPECT_EQ(file->RightButton().DisabledImageIndex(), 3);
    EXPECT_TRUE(file->ShowHint());
    EXPECT_EQ(file->dbID(), -1);

    auto* panel = Find<TdbPanel>(frmMainKorvel, "pnlBottom");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Color(), 0x00C0C0C0);
    EXPECT_FALSE(panel->TabStop());

    auto* grid = Find<TdbStringGridEx>(frmMainKorvel, "grdCustomers");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->dbGeneralTable(), QLatin1String("customers"));
    EXPECT_EQ(grid->dbFilter(), QLatin1String("customers.vip=1"));
    EXPECT_TRUE(grid->dbAutoExecute());
    EXPECT_FALSE(grid->dbSortAsc());
    EXPECT_EQ(grid->RowSize(), 22);
    EXPECT_EQ(grid->Options(), (TGridOptions{goHeader, goGrid, goSelectFullRow, goDisableColumnMoving}));
}

TEST_F(Builder, FontsApplyOnlyToTheFontGroup) {
    Build(Fixture("controls.xml"));
    const TFont* f = Find<TControl>(frmMainKorvel, "btnSearch")->Font();
    EXPECT_EQ(f->Name(), QLatin1String("Liberation Serif"));
    EXPECT_EQ(f->Size(), 11);
    EXPECT_EQ(f->Color(), 255);
    EXPECT_EQ(f->Style(), (TFontStyles{fsBold, fsUnderline}));
    // Absent attributes still apply their defaults to the font group: 8 points, black, plain.
    const TFont* edit = Find<TControl>(frmMainKorvel, "edName")->Font();
    EXPECT_EQ(edit->Size(), 8);
    EXPECT_EQ(edit->Color(), 0);
    EXPECT_EQ(edit->Style(), TFontStyles{});
    const TControl* label = Find<TControl>(frmMainKorvel, "lblName");
    EXPECT_FALSE(label->ParentFont());
    EXPECT_EQ(label->Font()->Style(), TFontStyles{fsBold});
}

TEST_F(Builder, TabOrderFollowsTheNumbersAndTabStopTheFlag) {
    Build(R"(<main><frmMain>
        <TdbEdit Name="third" TabStop="True" TabOrder="3"/>
        <TdbEdit Name="first" TabStop="True" TabOrder="1"/>
        <TdbEdit Name="last" TabStop="True"/>
        <TdbEdit Name="skipped" TabOrder="0"/>
        </frmMain></main>)");
    auto order = [](const char* name) { return Find<TWinControl>(frmMainKorvel, QLatin1String(name))->TabOrder(); };
    EXPECT_LT(order("skipped"), order("first"));
    EXPECT_LT(order("first"), order("third"));
    EXPECT_LT(order("third"), order("last"));
    EXPECT_FALSE(Find<TWinControl>(frmMainKorvel, "skipped")->TabStop());
    EXPECT_TRUE(Find<TWinControl>(frmMainKorvel, "first")->TabStop());
    // Tab from the first edit skips the one that is no tab stop.
    auto* first = Find<TWinControl>(frmMainKorvel, "first");
    EXPECT_EQ(frmMainKorvel->FindNextControl(first, true, true, false), Find<TWinControl>(frmMainKorvel, "third"));
}

TEST_F(Builder, CompareTabOrderReadsTheNumberBeforeTheComma) {
    const QStringList entries{"3,a", "1,b", ",c", "x,d", "1,e"};
    EXPECT_EQ(CompareTabOrder(entries, 0, 1), 1);
    EXPECT_EQ(CompareTabOrder(entries, 1, 0), -1);
    EXPECT_EQ(CompareTabOrder(entries, 2, 3), 0); // both 999
    EXPECT_EQ(CompareTabOrder(entries, 1, 4), 0);
    EXPECT_EQ(CompareTabOrder(entries, 0, 2), -1);
}

TEST_F(Builder, FilterAndAnchorTexts) {
    const struct {
        const char* Class;
        const char* Attribute; // null: absent
        const char* Expected;
    } filters[] = {
        {"TdbEdit", "(=", "<="},          {"TdbEdit", ")", ">"},    {"TdbEdit", "LIKE", "="},
        {"TdbEdit", nullptr, "="},        {"TdbEdit", "%s%", "%s%"}, {"TdbMonthCalendar", "(=", "="},
        {"TdbMonthCalendar", "<", "<"},   {"TdbDateTimePicker", "%s%", "="},
        {"TdbDateTimePicker", "(", "<"},
    };
    QByteArray xml = "<main><frmMain>";
    int i = 0;
    for (const auto& f : filters) {
        xml += QStringLiteral("<%1 Name=\"f%2\"").arg(QLatin1String(f.Class)).arg(i++).toUtf8();
        if (f.Attribute)
            xml += QByteArray(" dbFilter=\"") + QString::fromUtf8(f.Attribute).toHtmlEscaped().toUtf8() + "\"";
        xml += "/>";
    }
    const char* anchors[][2] = {{"2222", "2222"}, {"2002", "2002"}, {"22", "2200"}, {"0000", "0000"}, {"x2y2", "0202"}};
    for (int k = 0; k < 5; ++k)
        xml += QStringLiteral("<TdbPanel Name=\"a%1\" dbAnchors=\"%2\"/>").arg(k).arg(QLatin1String(anchors[k][0])).toUtf8();
    xml += "</frmMain></main>";
    Build(xml);
    i = 0;
    for (const auto& f : filters) {
        const QString name = QStringLiteral("f%1").arg(i++);
        TComponent* c = frmMainKorvel->FindComponent(name);
        ASSERT_NE(c, nullptr);
        SCOPED_TRACE(std::string(f.Class) + " " + (f.Attribute ? f.Attribute : "(absent)"));
        QString value;
        if (auto* e = dynamic_cast<TdbEdit*>(c)) value = e->dbFilter();
        if (auto* m = dynamic_cast<TdbMonthCalendar*>(c)) value = m->dbFilter();
        if (auto* p = dynamic_cast<TdbDateTimePicker*>(c)) value = p->dbFilter();
        EXPECT_EQ(value, QLatin1String(f.Expected));
    }
    // "LIKE" and a date's "%s%" mean the plain search; only the calendar's "(=" loses what it says.
    const QStringList problems = frmMainKorvel->FormsProblems().filter("dbFilter");
    ASSERT_EQ(problems.size(), 1) << problems.join('\n').toStdString();
    EXPECT_TRUE(problems[0].contains("TdbMonthCalendar attribute \"dbFilter\": \"(=\"")) << problems[0].toStdString();
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(AnchorText(Find<TControl>(frmMainKorvel, QStringLiteral("a%1").arg(k))), QLatin1String(anchors[k][1]))
            << anchors[k][0];
}

TEST_F(Builder, TabSheetsAreOrderedByPageIndexAndOnlyBuiltInPageControls) {
    Build(Fixture("controls.xml"));
    TForm* order = Window("frmOrder");
    ASSERT_NE(order, nullptr);
    auto* pages = Find<TPageControl>(order, "pcOrder");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->Style(), tsButtons);
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->Pages(0)->Name(), QLatin1String("tsHead"));
    EXPECT_EQ(pages->Pages(1)->Name(), QLatin1String("tsLines"));
    EXPECT_EQ(pages->ActivePageIndex(), 0);
    EXPECT_EQ(Find<TControl>(order, "edLine")->Parent(), Find<TControl>(order, "tsLines"));

    Build(R"(<main><frmMain><TdbTabSheet Name="stray"><TdbEdit Name="inside"/></TdbTabSheet></frmMain></main>)");
    EXPECT_EQ(frmMainKorvel->FindComponent("stray"), nullptr);
    EXPECT_EQ(frmMainKorvel->FindComponent("inside"), nullptr);
}

TEST_F(Builder, ButtonsWithoutAttributesSearch) {
    Build(R"(<main><frmMain><TdbButton Name="plain"/><TdbButton Name="save" dbActionType="adbSaveRecord"/>
             <TdbButton Name="close" dbActionType="adbCloseForm"/></frmMain></main>)");
    auto* plain = Find<TdbButton>(frmMainKorvel, "plain");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->dbActionType(), adbSearch);
    EXPECT_EQ(plain->ImageIndex(), -1);
    EXPECT_EQ(frmMainKorvel->DefaultButton(), Find<TButton>(frmMainKorvel, "save"));
    EXPECT_EQ(frmMainKorvel->CancelButton(), Find<TButton>(frmMainKorvel, "close"));
}

TEST_F(Builder, BadValuesAreReportedWithFileAndLine) {
    Build("<main>\n<frmMain>\n"
          "<TdbEdit Name=\"e1\" Left=\"abc\" Top=\"$1F\" Width=\"0x20\"/>\n"
          "<TdbButton Name=\"b1\" dbActionType=\"adbFly\" dbSortAsc=\"true\"/>\n"
          "<TdbGadget Name=\"g1\"/>\n"
          "<TdbPageControl Name=\"p1\" Style=\"tsRound\" dbAnchors=\"222\"/>\n"
          "<TdbImageDataBase Name=\"i1\" Width=\"100000\" Height=\"50\"/>\n"
          "</frmMain>\n</main>\n");
    const QStringList& problems = frmMainKorvel->FormsProblems();
    const QString all = problems.join('\n');
    const QString file = Path("forms.xml");
    auto has = [&](const QString& text) {
        return std::any_of(problems.begin(), problems.end(), [&](const QString& p) { return p.contains(text); });
    };
    EXPECT_TRUE(has(file + ", line 3: TdbEdit attribute \"Left\": \"abc\" is not a number")) << all.toStdString();
    EXPECT_TRUE(has(file + ", line 4: TdbButton attribute \"dbActionType\": \"adbFly\"")) << all.toStdString();
    EXPECT_TRUE(has(file + ", line 4: TdbButton attribute \"dbSortAsc\"")) << all.toStdString();
    EXPECT_TRUE(has(file + ", line 5: <TdbGadget> is not a control class")) << all.toStdString();
    EXPECT_TRUE(has(file + ", line 6: TdbPageControl attribute \"Style\"")) << all.toStdString();
    EXPECT_TRUE(has(file + ", line 6: TdbPageControl attribute \"dbAnchors\"")) << all.toStdString();
    EXPECT_TRUE(has(file + ", line 7: TdbImageDataBase attribute \"Width\": 100000 is out of range")) << all.toStdString();
    EXPECT_EQ(problems.size(), 7) << all.toStdString();
    // The defaults stand in for what could not be read; hexadecimal numbers are numbers.
    auto* e1 = Find<TControl>(frmMainKorvel, "e1");
    EXPECT_EQ(e1->Left(), 0);
    EXPECT_EQ(e1->Top(), 31);
    EXPECT_EQ(e1->Width(), 32);
    EXPECT_EQ(Find<TdbButton>(frmMainKorvel, "b1")->dbActionType(), adbSearch);
    EXPECT_EQ(frmMainKorvel->FindComponent("g1"), nullptr);
    EXPECT_EQ(Find<TControl>(frmMainKorvel, "i1")->Width(), 0);
}

TEST_F(Builder, FaultsThatStopTheBuildNameFileAndLine) {
    // Panels nested far deeper than any window needs.
    std::string nested = "<main>\n<frmMain>\n";
    for (int depth = 0; depth < 100; ++depth) nested += "<TdbPanel Name=\"p" + std::to_string(depth) + "\">\n";
    for (int depth = 0; depth < 100; ++depth) nested += "</TdbPanel>";
    nested += "</frmMain></main>";
    const struct {
        const char* Xml;
        const char* Fragment;
    } cases[] = {
        {"<main>\n<frmMain>\n<TdbEdit Name=\"a\">\n</frmMain></main>", ", line 4"},
        {"<main>\n<frmMain>\n<TdbEdit Name=\"a\"/>\n<TdbButton Name=\"a\"/>\n</frmMain></main>", ", line 4: <TdbButton Name=\"a\">"},
        {"<main>\n<frmMain>\n<TdbEdit Name=\"1bad\"/>\n</frmMain></main>", ", line 3: <TdbEdit Name=\"1bad\">"},
        {"<main>\n<frmMain/>\n<frmMain/>\n</main>", ", line 3: window <frmMain>"},
        {nested.c_str(), "are nested more than 64 deep"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Xml);
        Restart();
        try {
            Build(c.Xml);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message().contains(Path("forms.xml"))) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(QLatin1String(c.Fragment))) << e.Message().toStdString();
        }
    }
}

TEST_F(Builder, NoMainElementBuildsNothing) {
    Build("<forms><frmMain Caption=\"x\"><TdbEdit Name=\"e\"/></frmMain></forms>");
    EXPECT_EQ(frmMainKorvel->FindComponent("e"), nullptr);
    EXPECT_TRUE(frmMainKorvel->GeneratedForms().empty());
}
