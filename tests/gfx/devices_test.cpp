// Vector devices: a PDF writer stands for printers and exports.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Devices, PdfWriterTakesEveryKindOfCall) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("page.pdf"));
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TCanvas c(&pdf);
        c.Font().SetName(QStringLiteral("Arial"));
        c.Font().SetHeight(-16);
        c.TextOut(20, 20, QStringLiteral("Korvel PDF"));
        c.Brush().SetStyle(bsCross);
        c.Rectangle(20, 60, 200, 120);
        c.Pen().SetMode(pmXor); // no raster operations here: drawn as a copy
        c.MoveTo(20, 140);
        c.LineTo(200, 140);
        c.DrawFocusRect(TRect(10, 10, 50, 50));
        TBitmap bmp(8, 8, pf24bit);
        bmp.Canvas().Brush().SetColor(clRed);
        bmp.Canvas().FillRect(TRect(0, 0, 8, 8));
        c.StretchDraw(TRect(20, 160, 100, 240), bmp);
        EXPECT_EQ(c.Pixel(25, 165), -1); // nothing to read back from a vector device
        TRect r(20, 260, 220, 400);
        c.DrawText(QStringLiteral("Words that wrap in the box of the page"), r, DT_WORDBREAK);
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    EXPECT_TRUE(data.startsWith("%PDF"));
    EXPECT_TRUE(data.contains("FontFile2")); // the face is embedded
}

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// A widget that paints through a canvas and reads back what it drew.
class TProbeWidget : public QWidget {
public:
    TColor Read = -2;
    TColor ReadOutside = -2;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        TCanvas c;
        c.SetPainter(&p);
        c.Brush().SetColor(clRed);
        c.FillRect(TRect(0, 0, 5, 5));
        c.Pen().SetMode(pmNot);
        c.MoveTo(0, 2);
        c.LineTo(5, 2);
        Read = c.Pixel(1, 1);
        ReadOutside = c.Pixel(1, 2);
    }
};

} // namespace

TEST(Devices, WidgetCanvasReadsItsBackingStore) {
    QWidget top;
    auto* layout = new QVBoxLayout(&top);
    layout->setContentsMargins(30, 20, 0, 0);
    auto* w = new TProbeWidget;
    layout->addWidget(w);
    top.resize(120, 100);
    top.show();
    QApplication::processEvents();
    w->repaint();
    QApplication::processEvents();
    EXPECT_EQ(w->Read, clRed);         // the widget's own (1, 1), not the window's
    EXPECT_EQ(w->ReadOutside, clAqua); // inverted by the pen
}
