// The preview window driven like a user would: ShowReport opens it while the report is prepared,
// then keys, the zoom box, the outline, clicks on links, the find and page-settings dialogs
// (answered through the UI services), the export menu with the PDF filter, and closing.
// Screenshots of each step go to the build folder's "screenshots".
// Also the control on its own: prepared report files (a damaged one leaves the preview as it
// was), clamps, the F3 chain, and the layout kept in the settings store.

#include "FakePages.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDock.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptPreview.h"
#include "report/core/rptPreviewControls.h"
#include "report/core/rptPreviewDialogs.h"
#include "report/core/rptPreviewForm.h"
#include "report/core/rptPreviewModel.h"
#include "report/core/rptRunControl.h"
#include "report/export/rptPDFExport.h"

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/sys/Desktop.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QStyle>
#include <QTreeWidget>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected: " << question.toStdString();
}

void Keep(QWidget* w, const QString& name) {
    QApplication::processEvents();
    const QImage img = w->grab().toImage();
    const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    EXPECT_TRUE(img.save(dir + QLatin1Char('/') + name)) << name.toStdString();
}

void Pump(int ms = 30) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(w, &release);
}

void Click(QWidget* w, QPoint p) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// An A4 report: a title with three links (a web address, a page link, a script address that must
// not open), then one 20-pixel row per data row, each row an outline item.
const char* Template = R"xml(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrptReport Version="4.15" ScriptLanguage="PascalScript" ScriptText.Text="begin&#13;&#10;end.">
  <TrptReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TrptReportTitle Name="Title1" Height="40" Left="0" Top="0" Width="718.1">
      <TrptMemoView Name="WebLink" Left="0" Top="0" Width="200" Height="18" URL="https://example.org/report?id=1" Text="Korvel web site"/>
      <TrptMemoView Name="PageLink" Left="220" Top="0" Width="200" Height="18" URL="@3" Text="Go to page three"/>
      <TrptMemoView Name="BadLink" Left="440" Top="0" Width="200" Height="18" URL="javascript:alert(1)" Text="Script link"/>
    </TrptReportTitle>
    <TrptMasterData Name="MasterData1" DataSetName="Rows" Height="20" Left="0" Top="60" Width="718.1" OutlineText="&#39;Row &#39; + IntToStr(Get(&#39;Line#&#39;))">
      <TrptMemoView Name="RowMemo" Left="0" Top="0" Width="300" Height="20" Text="Row [Line#] of the list"/>
    </TrptMasterData>
  </TrptReportPage>
</TrptReport>)xml";

class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("KORVEL_CONFIG_DIR", FConfig.path().toUtf8());
        RegisterPreviewForm();
        SetOpenUrlHandler([this](const QUrl& u) {
            Opened << u.toString();
            return true;
        });
    }
    void TearDown() override { SetOpenUrlHandler({}); }

    void Load(int rows) {
        Rows = new TrptUserDataSet(&Host);
        Rows->SetName(QStringLiteral("RowsData"));
        Rows->SetUserName(QStringLiteral("Rows"));
        Rows->SetRangeEnd(reCount);
        Rows->SetRangeEndCount(rows);
        TMemoryStream s;
        const QByteArray text = QByteArray(Template);
        s.WriteBuffer(text.constData(), text.size());
        s.SetPosition(0);
        Report.LoadFromStream(s);
        Report.EngineOptions()->SetNewSilentMode(simSilent);
        Report.DataSets()->Add(Rows);
        Report.PreviewOptions()->SetMaximized(false);
        Report.PreviewOptions()->SetModal(true);
    }
    // Runs the report's preview modally; Drive works while the window is up.
    void Show(const std::function<void(TrptPreviewForm*)>& Drive) {
        UI->AnswerModal(QStringLiteral("rptPreviewForm"), [&](TCustomForm* f) {
            auto* form = dynamic_cast<TrptPreviewForm*>(f);
            EXPECT_NE(form, nullptr);
            if (!form) return mrCancel;
            QElapsedTimer t;
            t.start();
            // The preparation starts from the report's timer once the window is up.
            while (t.elapsed() < 20000 && (form->Preview()->PageCount() == 0 || ReportPreparing(&Report)))
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            Pump();
            Drive(form);
            return mrNone;
        });
        ShowReport(&Report);
        UI->Verify();
    }
    // The workspace point of a place on page Index given in page pixels (margins included).
    QPoint PagePoint(TrptPreview* p, int Index, double X, double Y) {
        TrptPreviewWorkspace* w = p->Workspace();
        const TRect r = w->PageScreenRect(Index);
        const double mm = 3.77953;
        const double z = w->Zoom();
        const TPoint o = w->ClientOffset();
        return QPoint(o.X + r.Left + static_cast<int>((10 * mm + X) * z),
                      o.Y + r.Top + static_cast<int>((10 * mm + Y) * z));
    }

    QTemporaryDir FConfig;
    TComponent Host{nullptr};
    TrptReport Report;
    TrptUserDataSet* Rows = nullptr;
    TUIServicesScope UI{FailOnQuestion};
    QStringList Opened;
};

} // namespace

TEST_F(PreviewWindow, UserSessionFromOpenToClose) {
    Load(250);
    QTemporaryDir out;
    std::unique_ptr<TrptPDFExport> pdf = std::make_unique<TrptPDFExport>(nullptr);
    pdf->SetShowDialog(false);
    pdf->SetShowProgress(false);
    pdf->SetOpenAfterExport(false);
    const QString pdfName = out.filePath(QStringLiteral("list.pdf"));
    pdf->SetFileName(pdfName);

    QStringList closeCaptions;
    Report.OnProgress = [&](TrptReport*, TrptProgressType, int) {
        if (auto* f = dynamic_cast<TrptPreviewForm*>(Report.PreviewForm())) closeCaptions << f->CancelB->Caption();
    };

    Show([&](TrptPreviewForm* form) {
        TrptPreview* p = form->Preview();
        QWidget* ws = p->Workspace()->Widget();
        const int pages = p->PageCount();
        ASSERT_GE(pages, 4);
        EXPECT_EQ(form->CancelB->Caption(), QStringLiteral("Close"));
        EXPECT_EQ(form->StatusBar->Panels(0).Text, QStringLiteral("Page 1 of %1").arg(pages));
        EXPECT_TRUE(form->PrintB->Enabled());
        EXPECT_TRUE(form->ExportB->Visible());
        Keep(form->Widget(), QStringLiteral("preview_01_open.png"));

        // Page down with Ctrl goes to the next page; the page edit follows.
        SendKey(ws, Qt::Key_PageDown, Qt::ControlModifier);
        Pump();
        EXPECT_EQ(p->PageNo(), 2);
        EXPECT_EQ(form->PageE->Text(), QStringLiteral("2"));
        // A plain Page Down scrolls by 300 pixels.
        const int before = p->Workspace()->VertPosition();
        SendKey(ws, Qt::Key_PageDown);
        EXPECT_EQ(p->Workspace()->VertPosition(), before + 300);
        Keep(form->Widget(), QStringLiteral("preview_02_page_down.png"));

        // Zoom to page width through the zoom box.
        form->ZoomCB->SetItemIndex(rptZoomItemPageWidth);
        form->ZoomCBClick(form->ZoomCB);
        Pump();
        EXPECT_EQ(p->ZoomMode(), zmPageWidth);
        const int sb = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        EXPECT_NEAR(p->Zoom(), (p->Workspace()->Width() - sb - 26) / 794.0, 0.01);
        EXPECT_EQ(form->ZoomCB->Text(), rptZoomText(p->Zoom()));
        Keep(form->Widget(), QStringLiteral("preview_03_page_width.png"));
        // Typed zoom: "150 %" then Enter; "abc" keeps the zoom.
        form->ZoomCB->SetItemIndex(-1);
        form->ZoomCB->SetText(QStringLiteral("150 %"));
        form->ZoomCBClick(form->ZoomCB);
        EXPECT_DOUBLE_EQ(p->Zoom(), 1.5);
        EXPECT_EQ(form->ZoomCB->Text(), QStringLiteral("150%"));
        form->ZoomCB->SetText(QStringLiteral("abc"));
        EXPECT_THROW(form->ZoomCBClick(form->ZoomCB), EConvertError);
        EXPECT_DOUBLE_EQ(p->Zoom(), 1.5);
        form->ZoomCB->SetText(QStringLiteral("0 %"));
        form->ZoomCBClick(form->ZoomCB);
        EXPECT_DOUBLE_EQ(p->Zoom(), 0.25);
        form->ZoomCB->SetText(QStringLiteral("100000 %"));
        form->ZoomCBClick(form->ZoomCB);
        EXPECT_DOUBLE_EQ(p->Zoom(), rptMaxZoom);
        form->ZoomCB->SetItemIndex(rptZoomItemPageWidth);
        form->ZoomCBClick(form->ZoomCB);
        Pump();

        // The outline: one item per row; a click on an item of a later page goes there.
        form->OutlineB->Click();
        Pump();
        EXPECT_TRUE(p->OutlineVisible());
        const auto& nodes = p->OutlineTree()->Nodes();
        ASSERT_EQ(nodes.size(), 250u);
        EXPECT_EQ(nodes[0].Text, QStringLiteral("Row 1"));
        const TrptOutlineNode& late = nodes[120];
        ASSERT_GT(late.Page, 2);
        p->OutlineTree()->Tree()->scrollToItem(p->OutlineTree()->Tree()->topLevelItem(120));
        Pump();
        const TRect nr = p->OutlineTree()->NodeRect({120});
        ASSERT_FALSE(nr.Width() == 0);
        Click(p->OutlineTree()->Tree()->viewport(), QPoint(nr.Left + 10, nr.Top + nr.Height() / 2));
        Pump();
        EXPECT_EQ(p->PageNo(), late.Page);
        Keep(form->Widget(), QStringLiteral("preview_04_outline_item.png"));
        form->OutlineB->Click();
        Pump();

        // Links on page 1: a web address opens, "@3" goes to page 3, a script address is refused.
        p->First();
        Pump();
        Click(ws, PagePoint(p, 0, 30, 8));
        EXPECT_EQ(Opened, QStringList{QStringLiteral("https://example.org/report?id=1")});
        p->First();
        Pump();
        Click(ws, PagePoint(p, 0, 250, 8));
        Pump();
        EXPECT_EQ(p->PageNo(), 3);
        p->First();
        Pump();
        Click(ws, PagePoint(p, 0, 470, 8));
        EXPECT_EQ(Opened.size(), 1);

        // Find through the find dialog: the row is on a later page.
        UI->AnswerModal(QStringLiteral("rptSearchDialog"), [](TCustomForm* d) {
            auto* s = dynamic_cast<TrptSearchDialog*>(d);
            s->TextE->SetText(QStringLiteral("Row 140 of"));
            s->TopCB->SetChecked(true);
            return mrOk;
        });
        form->FindB->Click();
        EXPECT_TRUE(p->FindTextFound());
        EXPECT_TRUE(p->AllowF3());
        EXPECT_EQ(p->Workspace()->LastFoundPage() + 1, nodes[139].Page);
        Keep(form->Widget(), QStringLiteral("preview_05_found.png"));

        // Page setup: landscape for every page re-prepares the report.
        UI->AnswerModal(QStringLiteral("rptPageSettingsForm"), [](TCustomForm* d) {
            auto* s = dynamic_cast<TrptPageSettingsForm*>(d);
            s->LandscapeRB->SetChecked(true);
            s->ApplyToAllRB->SetChecked(true);
            return mrOk;
        });
        form->PageSettingsB->Click();
        Pump();
        ASSERT_GT(p->PageCount(), 0);
        const TPoint size = Report.PreviewPages()->PageSize(0);
        EXPECT_GT(size.X, size.Y);
        Keep(form->Widget(), QStringLiteral("preview_06_landscape.png"));

        // Export to a file through the export menu.
        int pdfItem = -1;
        for (int i = 0; i < form->ExportPopup->Items()->Count(); ++i)
            if (form->ExportPopup->Items()->Items(i)->Caption() == pdf->GetDescription() + QStringLiteral("..."))
                pdfItem = i;
        ASSERT_GE(pdfItem, 0);
        form->ExportPopup->Items()->Items(pdfItem)->Click();
        QFile f(pdfName);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(5).startsWith("%PDF"));

        // Close.
        form->CancelB->Click();
    });
    EXPECT_EQ(Report.PreviewForm(), nullptr);
    // While the pages were made the button read "Cancel".
    ASSERT_FALSE(closeCaptions.isEmpty());
    EXPECT_EQ(closeCaptions.first(), QStringLiteral("Cancel"));
}

TEST_F(PreviewWindow, ContextMenuMirrorsTheToolBarAndZoomWheelStopsAtThirtyPercent) {
    Load(10);
    TrptPreviewButtons b;
    b.Include(pbPrint);
    b.Include(pbZoom);
    Report.PreviewOptions()->SetButtons(b);
    Show([&](TrptPreviewForm* form) {
        QStringList items;
        for (int i = 0; i < form->RightMenu->Items()->Count(); ++i)
            if (form->RightMenu->Items()->Items(i)->Visible()) items << form->RightMenu->Items()->Items(i)->Caption();
        EXPECT_EQ(items, (QStringList{QStringLiteral("Print"), QStringLiteral("-"), QStringLiteral("Zoom In"),
                                      QStringLiteral("Zoom Out"), QStringLiteral("Full Screen")}));
        EXPECT_FALSE(form->OpenB->Visible());
        EXPECT_TRUE(form->FullScreenBtn->Visible());
        Keep(form->Widget(), QStringLiteral("preview_07_print_zoom_only.png"));
        TrptPreview* p = form->Preview();
        p->SetZoom(0.35);
        QWidget* ws = p->Workspace()->Widget();
        for (int i = 0; i < 2; ++i) {
            QWheelEvent wheel(QPointF(50, 50), ws->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(ws, &wheel);
        }
        EXPECT_NEAR(p->Zoom(), 0.3, 1e-9);
        EXPECT_EQ(p->ZoomMode(), zmDefault);
        // Esc closes once preparation has ended.
        SendKey(form->Widget(), Qt::Key_Escape);
    });
    EXPECT_EQ(Report.PreviewForm(), nullptr);
}

TEST_F(PreviewWindow, DamagedPreparedFileLeavesThePreviewAsItWas) {
    Load(120);
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("list.dp3"));
    Show([&](TrptPreviewForm* form) {
        TrptPreview* p = form->Preview();
        const int pages = p->PageCount();
        p->SetPageNo(2);
        p->SaveToFile(good);
        QFile src(good);
        ASSERT_TRUE(src.open(QIODevice::ReadOnly));
        const QByteArray bytes = src.readAll();
        struct Bad {
            const char* Name;
            QByteArray Data;
        };
        const Bad bad[] = {{"truncated", bytes.left(bytes.size() / 2)},
                           {"garbage", QByteArray("\x01\x02not a prepared report\xff", 25)},
                           {"empty", QByteArray()}};
        for (const Bad& b : bad) {
            const QString name = dir.filePath(QString::fromLatin1(b.Name) + QStringLiteral(".dp3"));
            QFile f(name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(b.Data);
            f.close();
            try {
                p->LoadFromFile(name);
                ADD_FAILURE() << b.Name << " loaded";
            } catch (const EInvalidPreparedFile& e) {
                EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Invalid file format"))) << b.Name;
            }
            EXPECT_EQ(p->PageCount(), pages) << b.Name;
            EXPECT_FALSE(p->Locked());
            EXPECT_FALSE(p->MessagePanel()->Visible());
        }
        // A missing file is named too.
        EXPECT_THROW(p->LoadFromFile(dir.filePath(QStringLiteral("none.dp3"))), EInvalidPreparedFile);
        EXPECT_EQ(p->PageCount(), pages);
        // The good file loads: page 1, same count.
        p->Clear();
        EXPECT_EQ(p->PageCount(), 0);
        EXPECT_EQ(p->PageNo(), 0);
        p->LoadFromFile(good);
        EXPECT_EQ(p->PageCount(), pages);
        EXPECT_EQ(p->PageNo(), 1);
        EXPECT_EQ(p->OutlineTree()->Nodes().size(), 120u);
        // Saved again it is the same file.
        const QString again = dir.filePath(QStringLiteral("again.dp3"));
        p->SaveToFile(again);
        QFile a(again);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly));
        EXPECT_EQ(a.readAll(), bytes);
        form->Close();
    });
}

// ---------------------------------------------------------------------------------------------
// Layout in the settings store


TEST(PreviewLayout, ToolbarStateRoundTrip) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 600, 400);
    auto* bar = new TPanel(&form);
    bar->SetName(QStringLiteral("MainBar"));
    bar->SetParent(&form);
    bar->SetBounds(5, 6, 300, 26);
    QTemporaryDir iniDir;
    TMemIniFile ini{iniDir.filePath(QStringLiteral("layout.ini"))};
    SaveToolbarState(&ini, bar);
    bar->SetBounds(0, 0, 100, 20);
    bar->SetVisible(false);
    ini.WriteBool(QStringLiteral("ToolBar4.MainBar"), QStringLiteral("Visible"), true);
    RestoreToolbarState(&ini, bar);
    EXPECT_EQ(bar->Width(), 300);
    EXPECT_EQ(bar->Height(), 26);
    EXPECT_TRUE(bar->Visible());
    // A stored dock that names a component of the wrong class is an invalid cast.
    auto* notABar = new TLabel(&form);
    notABar->SetName(QStringLiteral("Caption1"));
    ini.WriteString(QStringLiteral("ToolBar4.MainBar"), QStringLiteral("Dock4"), QStringLiteral("Caption1"));
    EXPECT_THROW(RestoreToolbarState(&ini, bar), EInvalidCast);
}

// A floating bar comes back floating on its own tool window at the saved place and size; saving
// it again writes the same values, and a second restore keeps the one window.
TEST(PreviewLayout, FloatingToolbarRoundTrip) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 600, 400);
    auto* bar = new TPanel(&form);
    bar->SetName(QStringLiteral("ZoomBar"));
    bar->SetParent(&form);
    bar->SetBounds(5, 6, 300, 26);
    QTemporaryDir iniDir;
    TMemIniFile ini{iniDir.filePath(QStringLiteral("layout.ini"))};
    const QString s = QStringLiteral("ToolBar4.ZoomBar");
    ini.WriteBool(s, QStringLiteral("Float"), true);
    ini.WriteBool(s, QStringLiteral("Visible"), true);
    ini.WriteInteger(s, QStringLiteral("Left"), 120);
    ini.WriteInteger(s, QStringLiteral("Top"), 80);
    ini.WriteInteger(s, QStringLiteral("Width"), 240);
    ini.WriteInteger(s, QStringLiteral("Height"), 30);
    RestoreToolbarState(&ini, bar);
    auto* host = dynamic_cast<TForm*>(bar->Parent());
    ASSERT_NE(host, nullptr);
    EXPECT_NE(host, &form);
    EXPECT_EQ(host->Owner(), &form);
    // A shown window reports where its frame stands: compare with one placed and shown alike.
    TForm reference(nullptr);
    reference.SetBorderStyle(bsToolWindow);
    reference.SetClientWidth(240);
    reference.SetClientHeight(30);
    reference.SetLeft(120);
    reference.SetTop(80);
    reference.Show();
    EXPECT_EQ(host->Left(), reference.Left());
    EXPECT_EQ(host->Top(), reference.Top());
    EXPECT_EQ(host->ClientWidth(), 240);
    EXPECT_EQ(host->ClientHeight(), 30);
    EXPECT_EQ(bar->Left(), 0);
    EXPECT_EQ(bar->Width(), 240);
    EXPECT_TRUE(host->Visible());

    TMemIniFile again{iniDir.filePath(QStringLiteral("again.ini"))};
    SaveToolbarState(&again, bar);
    EXPECT_TRUE(again.ReadBool(s, QStringLiteral("Float"), false));
    EXPECT_EQ(again.ReadInteger(s, QStringLiteral("Left"), 0), host->Left());
    EXPECT_EQ(again.ReadInteger(s, QStringLiteral("Width"), 0), 240);
    // Saved and restored again, the window stays put (it does not creep by its frame each run).
    const int left = host->Left(), top = host->Top();
    RestoreToolbarState(&again, bar);
    EXPECT_EQ(bar->Parent(), host);
    TMemIniFile third{iniDir.filePath(QStringLiteral("third.ini"))};
    SaveToolbarState(&third, bar);
    RestoreToolbarState(&third, bar);
    EXPECT_EQ(host->Left(), left);
    EXPECT_EQ(host->Top(), top);
    // The next run of the program: a fresh window and bar read the saved place and stand there.
    {
        TForm next(nullptr);
        auto* nextBar = new TPanel(&next);
        nextBar->SetName(QStringLiteral("ZoomBar"));
        nextBar->SetParent(&next);
        RestoreToolbarState(&third, nextBar);
        auto* nextHost = dynamic_cast<TForm*>(nextBar->Parent());
        ASSERT_NE(nextHost, nullptr);
        EXPECT_EQ(nextHost->Left(), left);
        EXPECT_EQ(nextHost->Top(), top);
    }

    // Docked again: back on its dock; the empty tool window is hidden (its owner frees it).
    ini.WriteBool(s, QStringLiteral("Float"), false);
    auto* dock = new TPanel(&form);
    dock->SetName(QStringLiteral("TopDock"));
    dock->SetParent(&form);
    ini.WriteString(s, QStringLiteral("Dock4"), QStringLiteral("TopDock"));
    RestoreToolbarState(&ini, bar);
    EXPECT_EQ(bar->Parent(), dock);
    EXPECT_FALSE(host->Visible());
}

TEST(PreviewLayout, FormStateRoundTripAndDamagedValuesFallBack) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("layout.ini"));
    TForm form(nullptr);
    form.SetBounds(40, 50, 640, 480);
    {
        TIniFile ini(name);
        SaveFormState(&ini, &form);
        ini.UpdateFile();
    }
    {
        TIniFile ini(name);
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Form4.TForm"), QStringLiteral("Width"), 0), 640);
        EXPECT_FALSE(ini.ReadBool(QStringLiteral("Form4.TForm"), QStringLiteral("Maximized"), true));
    }
    TForm other(nullptr);
    other.SetBounds(0, 0, 300, 200);
    {
        TIniFile ini(name);
        RestoreFormState(&ini, &other);
    }
    EXPECT_EQ(other.Width(), 640);
    EXPECT_EQ(other.Height(), 480);

    // Damaged values: a width that is no number keeps the current one (the sound values of the
    // section still apply); a window of no size or far off every screen keeps its bounds.
    const std::pair<const char*, int> damaged[] = {
        {"[Form4.TForm]\nWidth=abc\nHeight=480\nLeft=0\nTop=0\n", 0},
        {"[Form4.TForm]\nWidth=0\nHeight=-5\n", 10},
        {"[Form4.TForm]\nLeft=900000\nTop=900000\nWidth=640\nHeight=480\n", 10}};
    for (const auto& [text, left] : damaged) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        TForm w(nullptr);
        w.SetBounds(10, 20, 300, 200);
        TIniFile ini(name);
        RestoreFormState(&ini, &w);
        EXPECT_EQ(w.Width(), 300) << text;
        // Restoring shows the window, and a shown window's Left reads its frame's place: compare
        // with a window placed there directly and shown.
        TForm placed(nullptr);
        placed.SetBounds(left, 20, 300, 200);
        placed.Show();
        EXPECT_EQ(w.Left(), placed.Left()) << text;
    }
    // A file that cannot be read at all (a folder stands at its place): the default layout.
    TForm w(nullptr);
    w.SetBounds(10, 20, 300, 200);
    TIniFile broken(dir.path());
    EXPECT_NO_THROW(RestoreFormState(&broken, &w));
    EXPECT_EQ(w.Width(), 300);

    // Saved maximized: restored maximized.
    {
        TForm m(nullptr);
        m.SetWindowState(wsMaximized);
        TIniFile ini(name);
        SaveFormState(&ini, &m);
        ini.UpdateFile();
    }
    TForm m2(nullptr);
    TIniFile ini(name);
    RestoreFormState(&ini, &m2);
    EXPECT_EQ(m2.WindowState(), wsMaximized);
}

TEST(PreviewLayout, DockSiteCollapsesAndRestoresItsSize) {
    TForm form(nullptr);
    form.SetName(QStringLiteral("Host"));
    form.SetBounds(0, 0, 600, 400);
    auto* site = new TrptDockSite(&form);
    site->SetName(QStringLiteral("LeftDock"));
    site->SetParent(&form);
    site->SetWidth(150);
    QTemporaryDir iniDir;
    TMemIniFile ini{iniDir.filePath(QStringLiteral("layout.ini"))};
    // A click on the grip collapses; saved and restored, the site is collapsed and remembers 150.
    site->Splitter()->ToggleSite();
    EXPECT_EQ(site->Width(), 0);
    EXPECT_EQ(site->SavedSize(), 150);
    SaveDockState(&ini, site);
    // The same site of another window (one owner cannot hold two components of one name).
    TForm form2(nullptr);
    form2.SetName(QStringLiteral("Host"));
    form2.SetBounds(0, 0, 600, 400);
    auto* other = new TrptDockSite(&form2);
    other->SetName(QStringLiteral("LeftDock"));
    other->SetParent(&form2);
    other->SetWidth(90);
    RestoreDockState(&ini, other);
    EXPECT_EQ(other->Width(), 0);
    EXPECT_EQ(other->SavedSize(), 150);
    other->Splitter()->ToggleSite();
    EXPECT_EQ(other->Width(), 150);
    // Without a stored "Size" the expanded size is 100; bad hexadecimal text is no layout.
    QTemporaryDir emptyDir;
    TMemIniFile empty{emptyDir.filePath(QStringLiteral("layout.ini"))};
    empty.WriteString(QStringLiteral("Dock4.LeftDock"), QStringLiteral("Data2005"), QStringLiteral("XYZ"));
    RestoreDockState(&empty, other);
    EXPECT_EQ(other->SavedSize(), 100);
}

// ---------------------------------------------------------------------------------------------
// The control over hand-made pages

TEST(PreviewControl, ClampsZoomModesAndTheSearchChain) {
    TUIServicesScope ui{FailOnQuestion};
    FakePages pages;
    pages.Pages.resize(5);
    for (int i = 0; i < 5; ++i) pages.Pages[i].Texts = {{60, 60, QStringLiteral("Page %1").arg(i + 1)}};
    pages.Pages[2].Texts.push_back({60, 300, QStringLiteral("a Needle here")});
    pages.Pages[2].Texts.push_back({60, 700, QStringLiteral("another needle")});
    pages.Pages[3].Texts.push_back({60, 500, QStringLiteral("NEEDLE on four")});
    TForm form(nullptr);
    form.SetBounds(0, 0, 900, 700);
    auto* p = new TrptPreview(&form);
    p->SetParent(&form);
    p->SetAlign(alClient);
    p->SetPreviewPages(&pages);
    std::vector<int> changes;
    p->OnPageChanged = [&](TrptPreview*, int n) { changes.push_back(n); };
    form.Show();
    p->Init();
    QApplication::processEvents();
    EXPECT_EQ(p->PageCount(), 5);
    EXPECT_EQ(p->PageNo(), 1);

    p->SetZoom(0.1);
    EXPECT_DOUBLE_EQ(p->Zoom(), 0.25);
    p->SetZoom(5);
    EXPECT_DOUBLE_EQ(p->Zoom(), 5);
    p->SetZoomMode(zmPageWidth);
    const int sb = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    EXPECT_DOUBLE_EQ(p->Zoom(), (p->Workspace()->Width() - sb - 26) / 794.0);
    p->SetZoom(0.5);
    EXPECT_EQ(p->ZoomMode(), zmDefault);

    p->SetPageNo(0);
    EXPECT_EQ(p->PageNo(), 1);
    p->SetPageNo(99);
    EXPECT_EQ(p->PageNo(), 5);
    p->First();
    EXPECT_EQ(changes.back(), 1);

    // Twice on page 3, then page 4; a re-layout ends the F3 chain.
    ASSERT_TRUE(p->FindText(QStringLiteral("needle"), true, false));
    EXPECT_EQ(p->Workspace()->LastFoundPage(), 2);
    const int firstTop = rptSearchState().FoundRect.Top;
    p->FindNext();
    EXPECT_EQ(p->Workspace()->LastFoundPage(), 2);
    EXPECT_GT(rptSearchState().FoundRect.Top, firstTop);
    p->FindNext();
    EXPECT_EQ(p->Workspace()->LastFoundPage(), 3);
    p->SetZoom(0.75);
    EXPECT_FALSE(p->AllowF3());
    p->FindNext();
    EXPECT_EQ(p->Workspace()->LastFoundPage(), 3);
    // Case-sensitive: only the exact spelling; an empty text finds nothing.
    EXPECT_TRUE(p->FindText(QStringLiteral("NEEDLE"), true, true));
    EXPECT_EQ(p->Workspace()->LastFoundPage(), 3);
    EXPECT_FALSE(p->FindText(QString(), true, false));

    // Ctrl+P does nothing without a report asking for the print button.
    Word key = 'P';
    p->KeyDown(key, TShiftState{ssCtrl});
    EXPECT_EQ(key, 'P');
    Word end = VK_END;
    p->KeyDown(end, TShiftState());
    EXPECT_EQ(p->PageNo(), 5);
    QApplication::processEvents();
    Keep(form.Widget(), QStringLiteral("preview_control_fake_pages.png"));
}
