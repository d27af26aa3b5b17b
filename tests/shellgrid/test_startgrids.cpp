#include "ShellGridSupport.h"

#include "app/dbStringGridEx.h"
#include "app/uKorvel.h"
#include "app/uMainForm.h"
#include "app/uTables.h"
#include "platform/sys/Program.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UIServices.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The program in a folder of its own: an existing database with rows, and a main window with
// one self-running grid, one that waits and one whose query cannot run.
class StartGrids : public ::testing::Test {
protected:
    StartGrids()
        : FUI([](const QString& question) { ADD_FAILURE() << "Unexpected question: " << question; }) {}

    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        SetProgramFolder(FDir.path() + '/');
        qputenv("KORVEL_LANGID", "1033");
        QFile::copy(QStringLiteral(KORVEL_TEST_DATA "/tables.ini"), FDir.filePath("tables.ini"));
        {
            TSQLConnection db;
            db.SetParamValue("Database", FDir.filePath("sqlite.db"));
            db.SetParamValue("FailIfMissing", "False");
            auto statements = TablesToSQL(FDir.filePath("tables.ini"));
            for (int i = 0; i < statements->Count(); ++i)
                db.ExecuteDirect(statements->Get(i));
            db.ExecuteDirect("INSERT INTO customers(id, name) VALUES(1, 'Smith'), (2, 'Jones')");
            db.ExecuteDirect(
                "INSERT INTO orders(id, number, date, id_customers) VALUES"
                "(1, 'A1', '2014-04-28 00:00:00.000', 1), (2, 'A2', '2014-04-29 00:00:00.000', 2)");
        }
        QFile forms(FDir.filePath("forms.xml"));
        ASSERT_TRUE(forms.open(QIODevice::WriteOnly));
        forms.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<main>
  <frmMain Caption="Orders" Width="640" Height="480">
    <TdbStringGrid Name="gridAuto" Left="0" Top="0" Width="300" Height="200" dbGeneralTable="orders"
      dbListFields="orders.number,customers.name" dbSortField="orders.number" dbSortAsc="True" dbAutoExecute="True"/>
    <TdbStringGrid Name="gridIdle" Left="300" Top="0" Width="300" Height="200" dbGeneralTable="orders"
      dbListFields="orders.number"/>
    <TdbStringGrid Name="gridBroken" Left="0" Top="200" Width="300" Height="200" dbGeneralTable="orders"
      dbListFields="orders.nosuch" dbAutoExecute="True"/>
  </frmMain>
</main>
)");
    }
    void TearDown() override {
        FreeKorvelWindows();
        FUI->Verify();
        SetProgramFolder(QString());
    }

    QTemporaryDir FDir;
    TUIServicesScope FUI;
};

} // namespace

TEST_F(StartGrids, MainWindowRunsItsSelfRunningGrids) {
    FUI->AnswerMessage(mrOk, "gridBroken: no such column");
    CreateKorvelWindows();
    frmMainKorvel->Show();
    auto* gridAuto = dynamic_cast<TdbStringGridEx*>(frmMainKorvel->FindComponent("gridAuto"));
    auto* gridIdle = dynamic_cast<TdbStringGridEx*>(frmMainKorvel->FindComponent("gridIdle"));
    ASSERT_TRUE(gridAuto && gridIdle);
    // The failing grid is reported and the start goes on to the end.
    EXPECT_EQ(frmMainKorvel->StartupResult(), TfrmMainKorvel::TStartup::Done);
    ASSERT_EQ(gridAuto->RowCount(), 2);
    EXPECT_EQ(gridAuto->GetCells(0, 1), "A2");
    EXPECT_EQ(gridAuto->GetCells(1, 1), "Jones");
    EXPECT_TRUE(gridAuto->dbIfUsed());
    EXPECT_EQ(gridIdle->RowCount(), 0);
    EXPECT_FALSE(gridIdle->dbIfUsed());
}
