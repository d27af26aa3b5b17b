// A result grid sent to the spreadsheet server: the workbook it writes, read back by openpyxl.
#include "tests/automation/XlsxReadBack.h"

#include "app/dbControls.h"
#include "app/uGridToExcel.h"
#include "app/uLang.h"
#include "grid/GxGrid.h"
#include "platform/automation/ComObj.h"
#include "platform/automation/SpreadsheetServer.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/TempFiles.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UIServices.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A window with a result grid: captions, rows of texts, and the hidden id column last.
struct GridWindow {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TGxGrid* Grid;
    TdbButton* Button;
    GridWindow(const QStringList& captions, const QList<QStringList>& rows) {
        Form->SetName("frmOrders");
        Grid = new TGxGrid(Form.get());
        Grid->SetName("grdOrders");
        for (const QString& c : captions) Grid->Columns()->Add<TGxTextColumn>(c);
        for (const QStringList& row : rows) {
            const int r = Grid->AddRow(1);
            for (int c = 0; c < row.size(); ++c) Grid->SetCells(c, r, row[c]);
        }
        Button = new TdbButton(Form.get());
        Button->SetName("btnExcel");
        Button->SetdbResultControl("grdOrders");
    }
};

// Records the files the server hands to the desktop, which takes them when Accept is set; the
// workbooks go to a folder of the test's own.
struct OpenedFiles {
    QStringList Files;
    bool Accept = true;
    QTemporaryDir Folder;
    OpenedFiles() {
        SetSpreadsheetWorkbookFolder(Folder.path());
        SetOpenUrlHandler([this](const QUrl& url) {
            Files << url.toLocalFile();
            return Accept;
        });
    }
    ~OpenedFiles() {
        SetOpenUrlHandler({});
        SetSpreadsheetWorkbookFolder(QString());
    }
};

QJsonObject CellOf(const QJsonObject& sheet, const QString& ref) {
    return sheet["cells"].toObject()[ref].toObject();
}

TEST(GridToExcel, TransferArrayLeavesOutTheIdColumnAndGuardsFormulas) {
    GridWindow w({"Name", "Sum", "ID"}, {{"=A1", "12", "7"}, {"Bob", "3,5", "8"}});
    const Variant a = GridTransferArray(*w.Grid);
    ASSERT_EQ(a.DimCount(), 2);
    EXPECT_EQ(a.HighBound(1), 3);
    EXPECT_EQ(a.HighBound(2), 2);
    auto at = [&a](int r, int c) {
        const int idx[2] = {r, c};
        return VarToStr(a.GetElement(idx));
    };
    EXPECT_EQ(at(1, 1), "Name");
    EXPECT_EQ(at(1, 2), "Sum");
    EXPECT_EQ(at(2, 1), "'=A1");
    EXPECT_EQ(at(3, 2), "3,5");
    EXPECT_TRUE(a.GetElement(std::array<int, 2>{2, 1}).IsText());

    GridWindow onlyId({"ID"}, {{"1"}});
    EXPECT_TRUE(GridTransferArray(*onlyId.Grid).IsEmpty());
}

TEST(GridToExcel, WorkbookHoldsCaptionsAndValues) {
    if (PythonWithOpenpyxl().isEmpty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
    GridWindow w({"Name", "Sum", "ID"}, {{"=A1", "12", "7"}, {"Борис", "x", "8"}});
    OpenedFiles opened;
    TUIServicesScope ui; // any question would fail the test
    GridToExcel(*w.Button, w.Form.get());
    ASSERT_EQ(opened.Files.size(), 1);
    const QJsonObject wb = ReadXlsxBack(opened.Files[0]);
    ASSERT_FALSE(wb.contains("error")) << wb["error"].toString().toStdString();
    const QJsonObject s = wb["sheets"].toArray()[0].toObject();
    EXPECT_EQ(CellOf(s, "A1")["value"].toString(), "Name");
    EXPECT_EQ(CellOf(s, "B1")["value"].toString(), "Sum");
    EXPECT_EQ(CellOf(s, "A2")["value"].toString(), "=A1");
    EXPECT_EQ(CellOf(s, "A2")["type"].toString(), "s"); // text, not a formula
    EXPECT_EQ(CellOf(s, "B2")["type"].toString(), "n");
    EXPECT_DOUBLE_EQ(CellOf(s, "B2")["value"].toDouble(), 12);
    EXPECT_EQ(CellOf(s, "A3")["value"].toString(), "Борис");
    EXPECT_FALSE(s["cells"].toObject().contains("C1")); // the id column stays behind
    // Captions shaded, the block framed and shrunk to fit.
    EXPECT_EQ(CellOf(s, "B1")["fill"].toString(), "C8C8C8");
    EXPECT_TRUE(CellOf(s, "A2")["fill"].isNull());
    for (const char* ref : {"A1", "B3"}) {
        EXPECT_TRUE(CellOf(s, ref)["shrink"].toBool()) << ref;
        EXPECT_EQ(CellOf(s, ref)["border"].toObject()["bottom"].toString(), "thin") << ref;
    }
}

TEST(GridToExcel, WithoutAProgramForWorkbooksTheUserLearnsWhereItWasSaved) {
    GridWindow w({"Name", "ID"}, {{"a", "1"}});
    for (bool russian : {false, true}) {
        SCOPED_TRACE(russian);
        FillLang(Lang, russian);
        OpenedFiles opened;
        opened.Accept = false;
        TUIServicesScope ui([](const QString& q) { ADD_FAILURE() << "Unexpected question: " << q.toStdString(); });
        ui->AnswerMessage(mrOk, Lang.No_program_opens_the_workbook);
        GridToExcel(*w.Button, w.Form.get());
        ASSERT_EQ(opened.Files.size(), 1);
        ASSERT_EQ(ui->Messages().size(), 1u);
        const TMessageRequest& box = ui->Messages()[0];
        EXPECT_EQ(box.Text, Lang.No_program_opens_the_workbook + "\n" + opened.Files[0]);
        EXPECT_EQ(box.Caption, Lang.Info);
        EXPECT_EQ(box.Icon, TMessageIcon::Information);
        EXPECT_EQ(box.Owner, w.Form.get());
        // Kept beside the user's files, not in the run's temporary folder that goes at exit.
        EXPECT_EQ(QFileInfo(opened.Files[0]).absolutePath(), QFileInfo(opened.Folder.path()).absoluteFilePath());
        EXPECT_FALSE(opened.Files[0].startsWith(TempFolderPath()));
        EXPECT_GT(QFileInfo(opened.Files[0]).size(), 0);
    }
    FillLang(Lang, false);
}

TEST(GridToExcel, AGridWithoutRowsSendsItsCaptions) {
    GridWindow w({"Name", "ID"}, {});
    OpenedFiles opened;
    GridToExcel(*w.Button, w.Form.get());
    ASSERT_EQ(opened.Files.size(), 1);
    if (PythonWithOpenpyxl().isEmpty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
    const QJsonObject s = ReadXlsxBack(opened.Files[0])["sheets"].toArray()[0].toObject();
    EXPECT_EQ(CellOf(s, "A1")["value"].toString(), "Name");
    EXPECT_EQ(CellOf(s, "A1")["fill"].toString(), "C8C8C8");
    EXPECT_EQ(s["cells"].toObject().size(), 1);
}

TEST(GridToExcel, NothingToSendOrNoServer) {
    OpenedFiles opened;
    {
        GridWindow onlyId({"ID"}, {{"1"}});
        TUIServicesScope ui;
        GridToExcel(*onlyId.Button, onlyId.Form.get());
        EXPECT_TRUE(ui->Asked().isEmpty());
    }
    {
        GridWindow w({"Name", "ID"}, {{"a", "1"}});
        w.Button->SetdbResultControl("grdMissing");
        EXPECT_THROW(GridToExcel(*w.Button, w.Form.get()), EInvalidOperation);
    }
    {
        GridWindow w({"Name", "ID"}, {{"a", "1"}});
        FillLang(Lang, false);
        UnregisterOleClass("Excel.Application");
        TUIServicesScope ui;
        ui->AnswerMessage(mrOk, Lang.Your_computer_does_not_have_Excel);
        GridToExcel(*w.Button, w.Form.get());
        RegisterOleClass(SpreadsheetProgID(), &CreateSpreadsheetApplication);
        EXPECT_EQ(ui->Pending(), 0);
    }
    EXPECT_TRUE(opened.Files.isEmpty());
}

} // namespace
