// A report with a dialog page run end to end over SQLite: the dialog's edit filters the
// report's dataset, answered by a scripted user, by its defaults when nobody answers, and a
// cancelled dialog builds no page. Also the window drawn to PNG.

#include "platform/data/SQLConnection.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Forms.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptVariables.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDBSet.h"
#include "report/core/rptDialogControls.h"
#include "report/core/rptDialogPage.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptRunControl.h"

#include <QDir>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

// The report's dataset: its query takes the region from the report's expression Edit1.Text each
// time the engine starts reading it, so the dialog's answer reaches the data.
class TRegionDataset : public TrptDBDataset {
public:
    using TrptDBDataset::TrptDBDataset;
    void Open() override {
        Apply();
        TrptDBDataset::Open();
    }
    void First() override {
        Apply();
        TrptDBDataset::First();
    }
    bool Eof() override {
        Apply();
        return TrptDBDataset::Eof();
    }
    TSQLQuery* Query = nullptr;
    // The report reading it (the dataset belongs to the host, not to the report).
    TrptReport* Owner = nullptr;

private:
    // The query runs again whenever the region the report computes has changed.
    void Apply() {
        if (!Query || !Owner || !Owner->Engine() || !Owner->Engine()->Running()) return;
        const QString region = Owner->Calc(QStringLiteral("Edit1.Text")).ToString();
        TParam& p = Query->ParamByName(QStringLiteral("region"));
        if (Query->Active() && p.AsVariant().ToString() == region) return;
        Query->Close();
        p.SetAsVariant(Variant(region));
        Query->Open();
    }
};

const char* Template = R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrptReport Version="4.15" ScriptLanguage="PascalScript" ScriptText.Text="procedure DialogPage1OnShow(Sender: TrptComponent);&#13;&#10;begin&#13;&#10;  Label1.Caption := 'Region of ' + Edit1.Text;&#13;&#10;end;&#13;&#10;&#13;&#10;procedure Button1OnClick(Sender: TrptComponent);&#13;&#10;begin&#13;&#10;  Edit1.Text := Edit1.Text + 'th';&#13;&#10;end;&#13;&#10;&#13;&#10;begin&#13;&#10;&#13;&#10;end.">
  <TrptDialogPage Name="DialogPage1" Caption="Choose a region" ClientWidth="260" ClientHeight="110" OnShow="DialogPage1OnShow">
    <TrptLabelControl Name="Label1" Left="12" Top="14" Width="200" Height="16" Caption="Region"/>
    <TrptEditControl Name="Edit1" Left="12" Top="36" Width="160" Height="22" Text="North"/>
    <TrptCheckBoxControl Name="CheckBox1" Left="180" Top="38" Width="70" Height="17" Caption="Totals" Checked="True"/>
    <TrptButtonControl Name="Button1" Left="92" Top="72" Width="75" Height="25" Caption="OK" ModalResult="1" Default="True" OnClick="Button1OnClick"/>
    <TrptButtonControl Name="Button2" Left="175" Top="72" Width="75" Height="25" Caption="Cancel" ModalResult="2" Cancel="True"/>
  </TrptDialogPage>
  <TrptReportPage Name="Page1" PaperWidth="100" PaperHeight="100" PaperSize="256" LeftMargin="0" RightMargin="0" TopMargin="0" BottomMargin="0">
    <TrptReportTitle Name="Title1" Height="20" Left="0" Top="0" Width="377.95">
      <TrptMemoView Name="Head" Left="0" Top="0" Width="300" Height="20" Text="Region: [Edit1.Text]"/>
    </TrptReportTitle>
    <TrptMasterData Name="MasterData1" DataSetName="Customers" Height="20" Left="0" Top="40" Width="377.95">
      <TrptMemoView Name="Who" Left="0" Top="0" Width="300" Height="20" Text="[Customers.&#34;name&#34;]"/>
    </TrptMasterData>
  </TrptReportPage>
</TrptReport>
)";

struct TDialogReport {
    TSQLConnection Conn;
    std::unique_ptr<TSQLQuery> Query;
    std::unique_ptr<TComponent> Host = std::make_unique<TComponent>(nullptr);
    std::unique_ptr<TrptReport> Report = std::make_unique<TrptReport>();

    TDialogReport() {
        Conn.Params().Add(QStringLiteral("Database=:memory:"));
        Conn.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
        Conn.ExecuteDirect(QStringLiteral(
            "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT, region TEXT);"
            "INSERT INTO customers VALUES(1, 'Ann', 'North');"
            "INSERT INTO customers VALUES(2, 'Bob', 'South');"
            "INSERT INTO customers VALUES(3, 'Cid', 'North');"
            "INSERT INTO customers VALUES(4, 'Dan', 'South');"
            "INSERT INTO customers VALUES(5, 'Eve', 'West');"));
        Query = std::make_unique<TSQLQuery>(&Conn);
        Query->SetSQL(QStringLiteral("SELECT name FROM customers WHERE region = :region ORDER BY id"));
        Query->Params().CreateParam(ftUnknown, QStringLiteral("region"), ptInput);
        auto* ds = new TRegionDataset(Host.get());
        ds->SetName(QStringLiteral("CustomersDS"));
        ds->SetUserName(QStringLiteral("Customers"));
        ds->SetDataSet(Query.get());
        ds->Query = Query.get();
        ds->Owner = Report.get();
        TBytesStream s{QByteArray(Template)};
        Report->LoadFromStream(s);
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        Report->DataSets()->Add(ds);
    }
    ~TDialogReport() {
        Report.reset();
        Host.reset();
    }
    QString Pages() { return DumpPreparedPages(Report->PreviewPages()); }
};

TEdit* EditOf(TCustomForm* form) {
    for (int i = 0; i < form->ControlCount(); ++i)
        if (auto* e = dynamic_cast<TEdit*>(form->Controls(i))) return e;
    return nullptr;
}

TButton* ButtonOf(TCustomForm* form, const QString& caption) {
    for (int i = 0; i < form->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TButton*>(form->Controls(i)); b && b->Caption() == caption) return b;
    return nullptr;
}

} // namespace

TEST(DialogRun, TheUsersAnswerFiltersTheDataset) {
    QStringList unexpected;
    TUIServicesScope ui([&](const QString& q) { unexpected << q; });
    TDialogReport r;
    ASSERT_EQ(r.Report->Errors()->Count(), 0) << r.Report->Errors()->Text().toStdString();
    QString shownLabel;
    ui->AnswerModal(QStringLiteral("rptDialogForm"), [&](TCustomForm* form) {
        EXPECT_EQ(form->Caption(), QStringLiteral("Choose a region"));
        EXPECT_EQ(form->ClientWidth(), 260);
        // OnShow ran before the user saw the window.
        shownLabel = static_cast<TrptLabelControl*>(r.Report->FindObject("Label1"))->Caption();
        TEdit* edit = EditOf(form);
        EXPECT_NE(edit, nullptr);
        // The user types the start; the OK button's script procedure completes it.
        if (edit) edit->SetText(QStringLiteral("Sou"));
        if (TButton* ok = ButtonOf(form, QStringLiteral("OK"))) ok->Click();
        EXPECT_EQ(form->ModalResult(), mrOk);
        return mrNone;
    });
    ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << r.Report->Errors()->Text().toStdString();
    EXPECT_EQ(r.Report->Errors()->Count(), 0) << r.Report->Errors()->Text().toStdString();
    ui->Verify();
    EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join('\n').toStdString();
    EXPECT_EQ(shownLabel, QStringLiteral("Region of North"));
    const QString pages = r.Pages();
    EXPECT_TRUE(pages.contains("Region: South")) << pages.toStdString();
    EXPECT_TRUE(pages.contains("Bob")) << pages.toStdString();
    EXPECT_TRUE(pages.contains("Dan")) << pages.toStdString();
    for (const char* other : {"Ann", "Cid", "Eve"})
        EXPECT_FALSE(pages.contains(other)) << other << "\n" << pages.toStdString();
}

TEST(DialogRun, NobodyToAnswerTakesTheDefaults) {
    QStringList unexpected;
    TUIServicesScope ui([&](const QString& q) { unexpected << q; });
    TDialogReport r;
    ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << r.Report->Errors()->Text().toStdString();
    EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join('\n').toStdString();
    ASSERT_EQ(ui->Asked().size(), 1);
    EXPECT_TRUE(ui->Asked()[0].contains("(unattended)")) << ui->Asked()[0].toStdString();
    const QString pages = r.Pages();
    EXPECT_TRUE(pages.contains("Region: North")) << pages.toStdString();
    EXPECT_TRUE(pages.contains("Ann") && pages.contains("Cid")) << pages.toStdString();
    EXPECT_FALSE(pages.contains("Bob")) << pages.toStdString();
}

TEST(DialogRun, TheQtServicesAnswerByDefaultsWithoutAScreen) {
    // The program's own services on the offscreen platform: the window cannot block.
    ASSERT_TRUE(NoUserCanSee());
    TDialogReport r;
    ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << r.Report->Errors()->Text().toStdString();
    EXPECT_TRUE(r.Pages().contains("Region: North"));
}

TEST(DialogRun, ACancelledDialogBuildsNoPage) {
    TUIServicesScope ui;
    TDialogReport r;
    ui->AnswerModal(QString(), [](TCustomForm* form) {
        if (TButton* cancel = ButtonOf(form, QStringLiteral("Cancel"))) cancel->Click();
        return mrNone;
    });
    EXPECT_FALSE(PrepareReport(r.Report.get(), true));
    EXPECT_EQ(r.Report->PreviewPages()->Count(), 0);
}

TEST(DialogRun, TheWindowDrawnToPng) {
    TUIServicesScope ui;
    TDialogReport r;
    QImage shot;
    ui->AnswerModal(QString(), [&](TCustomForm* form) {
        shot = form->Widget()->grab().toImage();
        return mrOk;
    });
    ASSERT_TRUE(PrepareReport(r.Report.get(), true));
    ASSERT_FALSE(shot.isNull());
    const QString path = QDir::current().absoluteFilePath("dialogpage.png");
    ASSERT_TRUE(shot.save(path));
    // Something was painted: the window is not one flat colour.
    const QRgb first = shot.pixel(0, 0);
    int differing = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != first) ++differing;
    EXPECT_GT(differing, 200);
}
