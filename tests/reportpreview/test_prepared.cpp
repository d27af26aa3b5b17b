// The workspace over real prepared pages, fed by hand as the engine feeds them: pages painted
// with their text objects, the text search finding report texts in page order, a click reaching
// the prepared pages.

#include "PreparedFixture.h"

#include "report/core/rptPreviewWorkspace.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UIServices.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) { ADD_FAILURE() << "unexpected question: " << question.toStdString(); }

// Three pages: a header, two rows each ("Invoice 1" ... "Invoice 6"), a footer with the page.
void Prepare(TPreparedFixture& f) {
    f.Start();
    int row = 0;
    for (int page = 1; page <= 3; ++page) {
        f.NewPage();
        f.Put(f.Header, 0);
        for (int i = 0; i < 2; ++i) {
            ++row;
            f.Cell1->SetText(QStringLiteral("Invoice %1").arg(row));
            f.Cell2->SetText(QString::number(row * 100));
            f.Put(f.Data, 40 + i * 25);
        }
        f.FooterMemo->SetText(QStringLiteral("Page %1").arg(page));
        f.Put(f.Footer, 300);
    }
    f.Stop();
}

} // namespace

TEST(WorkspaceOverPreparedPages, PaintsAndFindsTheReportTexts) {
    TUIServicesScope ui(FailOnQuestion);
    TPreparedFixture f;
    Prepare(f);
    ASSERT_EQ(f.Pages->Count(), 3);

    TForm form(nullptr);
    form.SetBounds(0, 0, 900, 700);
    auto* w = new TrptPreviewWorkspace(&form);
    w->SetParent(&form);
    w->SetAlign(alClient);
    w->SetPreviewPages(f.Pages);
    form.Show();
    w->SetZoom(1.0);
    w->LayoutPages(w->LayoutWidth());
    ASSERT_EQ(w->PageList().Count(), 3);
    const TPoint size = f.Pages->PageSize(0);
    EXPECT_EQ(w->PageList().Items(0).Width, size.X);

    rptSearchState() = TrptSearchState();
    rptSearchState().Text = QStringLiteral("invoice");
    std::vector<int> pages;
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(w->FindNextText()) << i;
        pages.push_back(w->LastFoundPage());
    }
    EXPECT_EQ(pages, (std::vector<int>{0, 0, 1, 1, 2, 2}));
    // The second match on a page lies below the first one.
    const TRect last = rptSearchState().FoundRect;
    EXPECT_GT(last.Top, 40);

    QApplication::processEvents();
    const QImage img = w->Widget()->grab().toImage();
    const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    EXPECT_TRUE(img.save(dir + QStringLiteral("/prepared_pages_found.png")));

    ui->AnswerMessage(mrOk, QStringLiteral("Text not found"));
    EXPECT_FALSE(w->FindNextText());
    rptSearchState() = TrptSearchState();
}
