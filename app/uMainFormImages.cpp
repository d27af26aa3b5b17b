// The pictures of the main window's three image lists, drawn here so that no picture file has
// to travel with the program.
#include "app/uMainForm.h"
#include "platform/ui/ImgList.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace {

using TDraw = std::function<void(QPainter&)>;

QImage Draw(int size, const TDraw& draw) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return image;
}

void Sheet(QPainter& p, const QColor& fill) {
    QPainterPath page;
    page.moveTo(3, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(13, 4.5);
    page.lineTo(13, 14.5);
    page.lineTo(3, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(fill);
    p.drawPath(page);
}

void Disk(QPainter& p) {
    p.setPen(QPen(QColor(30, 60, 120), 1));
    p.setBrush(QColor(60, 110, 200));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 2, 8, 5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(4.5, 10, 7, 4));
}

void Folder(QPainter& p) {
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    QPainterPath f;
    f.moveTo(1.5, 4);
    f.lineTo(6, 4);
    f.lineTo(7.5, 5.5);
    f.lineTo(14.5, 5.5);
    f.lineTo(14.5, 13.5);
    f.lineTo(1.5, 13.5);
    f.closeSubpath();
    p.drawPath(f);
}

void Cross(QPainter& p, const QColor& color) {
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void Magnifier(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 40), 1.6));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.setPen(QPen(QColor(120, 70, 20), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
}

// New, Edit, Delete, OK, Cancel, Search, Printer, Report, Save, Exit, Excel, Database.
const TDraw ButtonIcons[] = {
    [](QPainter& p) {
        Sheet(p, Qt::white);
        p.setPen(QPen(QColor(0, 150, 0), 2));
        p.drawLine(QPointF(8, 6), QPointF(8, 12));
        p.drawLine(QPointF(5, 9), QPointF(11, 9));
    },
    [](QPainter& p) {
        Sheet(p, Qt::white);
        p.setPen(QPen(QColor(220, 140, 0), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 13), QPointF(13, 5));
    },
    [](QPainter& p) { Cross(p, QColor(200, 30, 30)); },
    [](QPainter& p) {
        p.setPen(QPen(QColor(0, 150, 0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
    },
    [](QPainter& p) {
        p.setPen(QPen(QColor(200, 30, 30), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 8), 6, 6);
        p.drawLine(QPointF(4, 12), QPointF(12, 4));
    },
    [](QPainter& p) { Magnifier(p); },
    [](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(170, 170, 170));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
    },
    [](QPainter& p) {
        Sheet(p, QColor(255, 255, 225));
        p.setPen(QPen(QColor(60, 60, 160), 1));
        for (int y = 5; y <= 12; y += 2) p.drawLine(QPointF(5, y), QPointF(11, y));
    },
    [](QPainter& p) { Disk(p); },
    [](QPainter& p) {
        p.setPen(QPen(QColor(90, 60, 30), 1));
        p.setBrush(QColor(170, 120, 70));
        p.drawRect(QRectF(2.5, 1.5, 8, 13));
        p.setPen(QPen(QColor(0, 120, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(8, 8), QPointF(15, 8));
        p.drawPolyline(QPolygonF({QPointF(12.5, 5.5), QPointF(15, 8), QPointF(12.5, 10.5)}));
    },
    [](QPainter& p) {
        p.setPen(QPen(QColor(20, 100, 40), 1));
        p.setBrush(QColor(40, 150, 70));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 4.5), QPointF(11, 11.5));
        p.drawLine(QPointF(11, 4.5), QPointF(5, 11.5));
    },
    [](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 120), 1));
        p.setBrush(QColor(150, 170, 220));
        p.drawRect(QRectF(2.5, 3.5, 11, 10));
        p.setBrush(QColor(190, 205, 240));
        p.drawEllipse(QRectF(2.5, 1.5, 11, 4));
        p.drawArc(QRectF(2.5, 6.5, 11, 4), 180 * 16, 180 * 16);
        p.drawEllipse(QRectF(2.5, 11.5, 11, 4));
    },
};

} // namespace

void TfrmMainKorvel::CreateImageLists() {
    auto list = [this](const char* name, int size) {
        auto* l = new TImageList(this);
        l->SetName(QLatin1String(name));
        l->SetWidth(size);
        l->SetHeight(size);
        return l;
    };
    ImageListButtonIcons = list("ImageListButtonIcons", 16);
    for (const TDraw& d : ButtonIcons) ImageListButtonIcons->AddImage(Draw(16, d));

    // Right button (stored file menu): normal, hot, pressed, disabled; left button (choose a
    // file): normal, hot, pressed.
    ImageListButtonEdit = list("ImageListButtonEdit", 16);
    auto menuArrow = [](const QColor& color) {
        return [color](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawPolygon(QPolygonF({QPointF(3.5, 6), QPointF(12.5, 6), QPointF(8, 11)}));
        };
    };
    auto folder = [](bool raised) {
        return [raised](QPainter& p) {
            if (raised) p.translate(0, -0.7);
            Folder(p);
        };
    };
    for (const TDraw& d : std::initializer_list<TDraw>{menuArrow(QColor(40, 40, 40)), menuArrow(QColor(20, 80, 200)),
                                                       menuArrow(QColor(0, 40, 120)), menuArrow(QColor(170, 170, 170)),
                                                       folder(false), folder(true), folder(false)})
        ImageListButtonEdit->AddImage(Draw(16, d));

    // Open, save, delete on the tool bar of picture fields.
    ImageListImageDataBase = list("ImageListImageDataBase", 24);
    for (const TDraw& d : std::initializer_list<TDraw>{[](QPainter& p) { Folder(p); }, [](QPainter& p) { Disk(p); },
                                                       [](QPainter& p) { Cross(p, QColor(200, 30, 30)); }})
        ImageListImageDataBase->AddImage(Draw(24, d));
}
