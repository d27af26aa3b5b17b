// Placeholder main window until the application shell lands: it proves the build, the demo
// layout and the screenshot path work.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Korvel"));
    auto* file = w.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Close"), &w, &QWidget::close);
    auto* options = w.menuBar()->addMenu(QStringLiteral("Options"));
    options->addAction(QStringLiteral("Database location"));
    options->addAction(QStringLiteral("Report designer"));
    w.menuBar()->addAction(QStringLiteral("About"));
    auto* label = new QLabel(QStringLiteral("Korvel is starting from %1")
                                 .arg(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())));
    label->setAlignment(Qt::AlignCenter);
    w.setCentralWidget(label);
    w.resize(800, 600);
    w.show();

    const QString shot = qEnvironmentVariable("KORVEL_SCREENSHOT");
    if (!shot.isEmpty()) {
        QTimer::singleShot(1500, &w, [&w, shot] {
            w.grab().save(shot);
            QApplication::quit();
        });
    }
    return app.exec();
}
