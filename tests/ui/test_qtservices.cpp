// The Qt implementation of the UI services, driven by a timer that answers the real dialogs.

#include "UiTestSupport.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// Runs f on the first modal dialog that appears.
void WhenDialogShows(std::function<void(QWidget*)> f) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            f(w);
        }
    });
    timer->start();
}

} // namespace

TEST(QtServices, MessageBoxShowsTheButtonsAskedAndReturnsTheOneClicked) {
    QStringList captions;
    QString title;
    WhenDialogShows([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        for (QAbstractButton* b : box->buttons()) captions << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("&No")) b->click();
    });
    const TModalResult r = MessageDlg(QStringLiteral("Are you sure?"), mtConfirmation, {mbYes, mbNo});
    EXPECT_EQ(r, mrNo);
    EXPECT_EQ(title, QStringLiteral("Confirm"));
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"&No", "&Yes"}));
}

TEST(QtServices, InputBoxReturnsTheTypedTextOrTheDefault) {
    WhenDialogShows([](QWidget* w) {
        auto* dlg = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->setTextValue(QStringLiteral("typed"));
        dlg->accept();
    });
    EXPECT_EQ(InputBox(QStringLiteral("Name"), QStringLiteral("Your name:"), QStringLiteral("none")),
              QStringLiteral("typed"));
    WhenDialogShows([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(InputBox(QStringLiteral("Name"), QStringLiteral("Your name:"), QStringLiteral("none")),
              QStringLiteral("none"));
}
