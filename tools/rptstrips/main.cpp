// korvel_rptstrips: draws the report library's tool-button picture strips and writes each as the
// gzip member the library unpacks (a 24-bit Windows bitmap inside). Run it when a picture changes:
//   korvel_rptstrips report/core/res
// Pictures are drawn without antialiasing on the key colour, which the strip loader takes from each
// tile's bottom-left pixel and leaves out.

#include "report/core/rptZLib.h"

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Streams.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor Key(255, 0, 255);
const QColor Ink(48, 48, 48);
const QColor PaperC(255, 255, 255);
const QColor Blue(40, 90, 190);
const QColor Green(30, 140, 50);
const QColor Red(200, 40, 40);
const QColor Yellow(235, 195, 60);
const QColor Grey(150, 150, 150);

enum Glyph {
    gGeneric, gPage, gOpen, gSave, gPrint, gExport, gFind, gThumbs, gClose, gPageSetup, gFirst,
    gPrior, gNext, gLast, gOutline, gCollapse, gExpand, gZoomIn, gZoomOut, gNewPage, gDeletePage,
    gTemplate, gStop, gPencil, gFullScreen, gMail, gPdf, gPreview, gCut, gCopy, gPaste, gUndo,
    gRedo, gDialog, gToFront, gToBack, gGroup, gUngroup, gDelete, gVariables, gData, gField,
    gCursor, gSize, gFolder, gTable, gVariable, gStyles, gRun, gPlus, gMinus, gInherited, gSelect,
    gBand, gText, gPicture, gSubreport, gLine, gShapes, gDiagonal, gRect, gRoundRect, gEllipse,
    gTriangle, gDiamond, gHand, gZoomTool, gTextTool, gFormatTool, gSysText, gReport, gDataPage,
    gArrow1, gArrow2, gArrow3, gCheckBox, gChart, gBold, gItalic, gUnderline, gAlignLeft,
    gAlignCenter, gAlignRight, gFrame, gNoFrame
};

// Everything is drawn on a 16 x 16 grid; a 32 x 32 tile scales the painter by 2.
void PageShape(QPainter& p, int l, int t, int r, int b) {
    p.setPen(Ink);
    p.setBrush(PaperC);
    QPolygon poly;
    poly << QPoint(l, t) << QPoint(r - 3, t) << QPoint(r, t + 3) << QPoint(r, b) << QPoint(l, b);
    p.drawPolygon(poly);
    p.drawLine(r - 3, t, r - 3, t + 3);
    p.drawLine(r - 3, t + 3, r, t + 3);
}

void Lines(QPainter& p, int l, int t, int r, int count, const QColor& c) {
    p.setPen(c);
    for (int i = 0; i < count; ++i) p.drawLine(l, t + 2 * i, r, t + 2 * i);
}

void Triangle(QPainter& p, QPoint a, QPoint b, QPoint c, const QColor& col) {
    p.setPen(col);
    p.setBrush(col);
    p.drawPolygon(QPolygon() << a << b << c);
}

void Magnifier(QPainter& p, int x, int y) {
    p.setPen(QPen(Ink, 1));
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(x, y, 7, 7);
    p.setPen(QPen(Ink, 2));
    p.drawLine(x + 7, y + 7, x + 10, y + 10);
    p.setPen(QPen(Ink, 1));
}

void BoxSign(QPainter& p, bool plus) {
    p.setPen(Ink);
    p.setBrush(PaperC);
    p.drawRect(3, 3, 9, 9);
    p.drawLine(5, 7, 10, 7);
    if (plus) p.drawLine(7, 5, 7, 10);
}

void Arrow(QPainter& p, bool left, const QColor& c) {
    p.setPen(QPen(c, 2));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    if (left) {
        path.moveTo(12, 12);
        path.cubicTo(14, 5, 8, 3, 4, 7);
        p.drawPath(path);
        Triangle(p, QPoint(2, 4), QPoint(7, 9), QPoint(2, 10), c);
    } else {
        path.moveTo(3, 12);
        path.cubicTo(1, 5, 7, 3, 11, 7);
        p.drawPath(path);
        Triangle(p, QPoint(13, 4), QPoint(8, 9), QPoint(13, 10), c);
    }
    p.setPen(QPen(c, 1));
}

// A picture that only tells its index apart: a tinted square with a small mark.
void GenericGlyph(QPainter& p, int index) {
    const QColor c = QColor::fromHsv((index * 47) % 360, 150, 200);
    p.setPen(Ink);
    p.setBrush(c);
    p.drawRect(2, 2, 11, 11);
    p.setPen(PaperC);
    p.setBrush(PaperC);
    switch (index % 4) {
    case 0: p.drawRect(5, 5, 5, 5); break;
    case 1: p.drawEllipse(5, 5, 5, 5); break;
    case 2: p.drawLine(4, 11, 11, 4); break;
    default: p.drawLine(4, 7, 11, 7); p.drawLine(7, 4, 7, 11); break;
    }
}

void Draw(QPainter& p, Glyph g, int index) {
    switch (g) {
    case gGeneric: GenericGlyph(p, index); break;
    case gPage: PageShape(p, 3, 1, 12, 14); Lines(p, 5, 6, 10, 4, Grey); break;
    case gOpen:
        p.setPen(Ink); p.setBrush(Yellow);
        p.drawPolygon(QPolygon() << QPoint(1, 4) << QPoint(6, 4) << QPoint(7, 5) << QPoint(12, 5) << QPoint(12, 13) << QPoint(1, 13));
        p.setBrush(QColor(250, 225, 120));
        p.drawPolygon(QPolygon() << QPoint(3, 8) << QPoint(15, 8) << QPoint(12, 13) << QPoint(1, 13));
        break;
    case gSave:
        p.setPen(Ink); p.setBrush(Blue); p.drawRect(2, 2, 11, 11);
        p.setBrush(PaperC); p.drawRect(4, 2, 7, 5);
        p.setBrush(Grey); p.drawRect(5, 9, 5, 4);
        break;
    case gPrint:
        p.setPen(Ink); p.setBrush(PaperC); p.drawRect(4, 1, 7, 6);
        p.setBrush(Grey); p.drawRect(1, 6, 13, 6);
        p.setBrush(PaperC); p.drawRect(4, 10, 7, 4);
        p.setPen(Green); p.drawPoint(12, 8);
        break;
    case gExport:
        PageShape(p, 1, 1, 9, 14);
        p.setPen(QPen(Green, 2)); p.drawLine(6, 8, 12, 8);
        Triangle(p, QPoint(11, 4), QPoint(15, 8), QPoint(11, 12), Green);
        break;
    case gFind: Magnifier(p, 2, 2); break;
    case gThumbs:
        for (int i = 0; i < 4; ++i) {
            p.setPen(Ink); p.setBrush(PaperC);
            p.drawRect(1 + (i % 2) * 7, 1 + (i / 2) * 7, 5, 6);
        }
        break;
    case gClose: p.setPen(QPen(Red, 2)); p.drawLine(4, 4, 11, 11); p.drawLine(11, 4, 4, 11); break;
    case gPageSetup:
        PageShape(p, 2, 1, 11, 14);
        p.setPen(QPen(Blue, 1, Qt::DotLine)); p.drawRect(4, 4, 5, 8);
        break;
    case gFirst: p.setPen(Blue); p.setBrush(Blue); p.drawRect(3, 3, 1, 9); Triangle(p, QPoint(12, 3), QPoint(6, 7), QPoint(12, 12), Blue); break;
    case gPrior: Triangle(p, QPoint(11, 3), QPoint(5, 7), QPoint(11, 12), Blue); break;
    case gNext: Triangle(p, QPoint(4, 3), QPoint(10, 7), QPoint(4, 12), Blue); break;
    case gLast: p.setPen(Blue); p.setBrush(Blue); p.drawRect(11, 3, 1, 9); Triangle(p, QPoint(3, 3), QPoint(9, 7), QPoint(3, 12), Blue); break;
    case gOutline:
        p.setPen(Ink); p.drawLine(3, 2, 3, 12); p.drawLine(3, 6, 7, 6); p.drawLine(3, 12, 7, 12);
        p.setBrush(Yellow); p.drawRect(1, 1, 4, 3); p.drawRect(8, 4, 5, 4); p.drawRect(8, 10, 5, 4);
        break;
    case gCollapse: BoxSign(p, false); break;
    case gExpand: BoxSign(p, true); break;
    case gZoomIn: Magnifier(p, 2, 2); p.drawLine(4, 5, 7, 5); p.drawLine(5, 4, 5, 7); p.drawLine(6, 4, 6, 7); break;
    case gZoomOut: Magnifier(p, 2, 2); p.drawLine(4, 5, 7, 5); p.drawLine(4, 6, 7, 6); break;
    case gNewPage:
        PageShape(p, 1, 2, 10, 14);
        p.setPen(QPen(Green, 2)); p.drawLine(12, 1, 12, 7); p.drawLine(9, 4, 15, 4);
        break;
    case gDeletePage:
        PageShape(p, 1, 2, 10, 14);
        p.setPen(QPen(Red, 2)); p.drawLine(9, 1, 14, 6); p.drawLine(14, 1, 9, 6);
        break;
    case gTemplate: PageShape(p, 3, 1, 12, 14); Lines(p, 5, 5, 10, 1, Blue); Lines(p, 5, 8, 10, 3, Ink); break;
    case gStop: p.setPen(Ink); p.setBrush(Red); p.drawRect(3, 3, 9, 9); break;
    case gPencil:
        p.setPen(Ink); p.setBrush(Yellow);
        p.drawPolygon(QPolygon() << QPoint(10, 1) << QPoint(14, 5) << QPoint(5, 14) << QPoint(1, 14) << QPoint(1, 10));
        p.drawLine(1, 10, 5, 14);
        break;
    case gFullScreen:
        p.setPen(QPen(Ink, 2));
        p.drawLine(2, 2, 6, 2); p.drawLine(2, 2, 2, 6); p.drawLine(13, 2, 9, 2); p.drawLine(13, 2, 13, 6);
        p.drawLine(2, 13, 6, 13); p.drawLine(2, 13, 2, 9); p.drawLine(13, 13, 9, 13); p.drawLine(13, 13, 13, 9);
        break;
    case gMail:
        p.setPen(Ink); p.setBrush(PaperC); p.drawRect(1, 3, 13, 9);
        p.drawLine(1, 3, 7, 8); p.drawLine(14, 3, 8, 8);
        break;
    case gPdf:
        PageShape(p, 2, 1, 12, 14);
        p.setPen(Red); p.setBrush(Red); p.drawRect(1, 8, 12, 4);
        p.setPen(PaperC); p.drawLine(3, 10, 5, 10); p.drawLine(7, 10, 8, 10); p.drawLine(10, 10, 11, 10);
        break;
    case gPreview: PageShape(p, 1, 1, 10, 13); Magnifier(p, 6, 6); break;
    case gCut:
        p.setPen(Ink); p.drawLine(5, 1, 9, 10); p.drawLine(10, 1, 6, 10);
        p.setBrush(Qt::NoBrush); p.setPen(QPen(Red, 1)); p.drawEllipse(2, 10, 4, 4); p.drawEllipse(9, 10, 4, 4);
        break;
    case gCopy: PageShape(p, 1, 1, 9, 10); PageShape(p, 5, 5, 14, 14); break;
    case gPaste:
        p.setPen(Ink); p.setBrush(QColor(170, 120, 60)); p.drawRect(1, 2, 10, 12);
        p.setBrush(Grey); p.drawRect(4, 1, 4, 2);
        PageShape(p, 6, 6, 14, 14);
        break;
    case gUndo: Arrow(p, true, Blue); break;
    case gRedo: Arrow(p, false, Blue); break;
    case gDialog:
        p.setPen(Ink); p.setBrush(QColor(225, 225, 225)); p.drawRect(1, 2, 13, 11);
        p.setBrush(Blue); p.drawRect(1, 2, 13, 2);
        p.setBrush(PaperC); p.drawRect(3, 7, 6, 2);
        break;
    case gToFront:
        p.setPen(Ink); p.setBrush(Grey); p.drawRect(1, 1, 8, 8);
        p.setBrush(Blue); p.drawRect(6, 6, 8, 8);
        break;
    case gToBack:
        p.setPen(Ink); p.setBrush(Blue); p.drawRect(6, 6, 8, 8);
        p.setBrush(Grey); p.drawRect(1, 1, 8, 8);
        break;
    case gGroup:
        p.setPen(QPen(Ink, 1, Qt::DotLine)); p.setBrush(Qt::NoBrush); p.drawRect(1, 1, 13, 13);
        p.setPen(Ink); p.setBrush(Blue); p.drawRect(3, 3, 4, 4); p.setBrush(Green); p.drawEllipse(8, 8, 4, 4);
        break;
    case gUngroup: p.setPen(Ink); p.setBrush(Blue); p.drawRect(1, 1, 5, 5); p.setBrush(Green); p.drawEllipse(9, 9, 5, 5); break;
    case gDelete: p.setPen(QPen(Red, 2)); p.drawLine(3, 3, 12, 12); p.drawLine(12, 3, 3, 12); break;
    case gVariables:
        p.setPen(Ink); p.setBrush(PaperC); p.drawRect(1, 1, 13, 13);
        p.setPen(Blue); p.drawLine(3, 4, 6, 8); p.drawLine(6, 4, 3, 8); p.drawLine(8, 5, 12, 5); p.drawLine(8, 7, 12, 7);
        break;
    case gData:
        p.setPen(Ink); p.setBrush(Yellow); p.drawRect(3, 3, 9, 10);
        p.drawEllipse(3, 1, 9, 4); p.drawArc(3, 6, 9, 4, 180 * 16, 180 * 16);
        break;
    case gField: p.setPen(Ink); p.setBrush(PaperC); p.drawRect(1, 5, 13, 5); p.setBrush(Blue); p.drawRect(1, 5, 4, 5); break;
    case gCursor: Triangle(p, QPoint(3, 1), QPoint(3, 13), QPoint(11, 9), Ink); break;
    case gSize:
        p.setPen(Ink); p.drawLine(2, 7, 13, 7); p.drawLine(7, 2, 7, 13);
        Triangle(p, QPoint(1, 7), QPoint(4, 4), QPoint(4, 10), Ink); Triangle(p, QPoint(14, 7), QPoint(11, 4), QPoint(11, 10), Ink);
        break;
    case gFolder:
        p.setPen(Ink); p.setBrush(Yellow);
        p.drawPolygon(QPolygon() << QPoint(1, 3) << QPoint(6, 3) << QPoint(7, 5) << QPoint(14, 5) << QPoint(14, 13) << QPoint(1, 13));
        break;
    case gTable:
        p.setPen(Ink); p.setBrush(PaperC); p.drawRect(1, 2, 13, 11);
        p.setBrush(Blue); p.drawRect(1, 2, 13, 3);
        p.drawLine(1, 9, 14, 9); p.drawLine(6, 5, 6, 13);
        break;
    case gVariable: p.setPen(Ink); p.setBrush(Blue); p.drawEllipse(4, 4, 7, 7); break;
    case gStyles:
        p.setPen(Ink); p.setBrush(Red); p.drawRect(1, 1, 6, 6); p.setBrush(Green); p.drawRect(8, 1, 6, 6);
        p.setBrush(Blue); p.drawRect(1, 8, 6, 6); p.setBrush(Yellow); p.drawRect(8, 8, 6, 6);
        break;
    case gRun: Triangle(p, QPoint(4, 2), QPoint(12, 7), QPoint(4, 12), Green); break;
    case gPlus: p.setPen(QPen(Green, 2)); p.drawLine(7, 2, 7, 13); p.drawLine(2, 7, 13, 7); break;
    case gMinus: p.setPen(QPen(Red, 2)); p.drawLine(2, 7, 13, 7); break;
    case gInherited: p.setPen(Ink); p.setBrush(Yellow); p.drawRect(1, 1, 6, 6); p.setPen(Blue); p.drawLine(2, 4, 6, 4); p.drawLine(4, 2, 6, 4); p.drawLine(4, 6, 6, 4); break;
    case gSelect: Triangle(p, QPoint(4, 1), QPoint(4, 13), QPoint(12, 9), Ink); break;
    case gBand: p.setPen(Ink); p.setBrush(QColor(200, 220, 240)); p.drawRect(1, 4, 13, 7); p.setBrush(Blue); p.drawRect(1, 4, 3, 7); break;
    case gText:
    case gTextTool:
        p.setPen(Ink); p.setBrush(PaperC); p.drawRect(1, 1, 13, 13);
        p.setPen(QPen(Blue, 2)); p.drawLine(4, 4, 11, 4); p.drawLine(7, 4, 7, 11);
        break;
    case gSysText:
        p.setPen(Ink); p.setBrush(QColor(255, 250, 210)); p.drawRect(1, 1, 13, 13);
        p.setPen(QPen(Red, 2)); p.drawLine(4, 4, 11, 4); p.drawLine(7, 4, 7, 11);
        break;
    case gPicture:
        p.setPen(Ink); p.setBrush(QColor(150, 200, 240)); p.drawRect(1, 2, 13, 11);
        Triangle(p, QPoint(2, 12), QPoint(7, 6), QPoint(11, 12), Green);
        p.setPen(Yellow); p.setBrush(Yellow); p.drawEllipse(9, 3, 3, 3);
        break;
    case gSubreport: PageShape(p, 1, 1, 10, 12); PageShape(p, 5, 4, 14, 14); p.setPen(Blue); p.drawLine(7, 9, 11, 9); break;
    case gLine: p.setPen(QPen(Ink, 2)); p.drawLine(2, 7, 13, 7); break;
    case gShapes: p.setPen(Ink); p.setBrush(Blue); p.drawRect(1, 1, 7, 7); p.setBrush(Green); p.drawEllipse(6, 6, 8, 8); break;
    case gDiagonal: p.setPen(QPen(Ink, 2)); p.drawLine(2, 13, 13, 2); break;
    case gRect: p.setPen(Ink); p.setBrush(Blue); p.drawRect(2, 3, 11, 9); break;
    case gRoundRect: p.setPen(Ink); p.setBrush(Blue); p.drawRoundedRect(2, 3, 11, 9, 3, 3); break;
    case gEllipse: p.setPen(Ink); p.setBrush(Blue); p.drawEllipse(2, 3, 11, 9); break;
    case gTriangle: p.setPen(Ink); p.setBrush(Blue); p.drawPolygon(QPolygon() << QPoint(7, 2) << QPoint(13, 12) << QPoint(1, 12)); break;
    case gDiamond: p.setPen(Ink); p.setBrush(Blue); p.drawPolygon(QPolygon() << QPoint(7, 1) << QPoint(13, 7) << QPoint(7, 13) << QPoint(1, 7)); break;
    case gHand:
        p.setPen(Ink); p.setBrush(QColor(250, 220, 180));
        p.drawRect(4, 6, 8, 7);
        for (int i = 0; i < 4; ++i) p.drawRect(4 + 2 * i, 2 + (i % 2), 1, 5);
        break;
    case gZoomTool: Magnifier(p, 2, 2); break;
    case gFormatTool: p.setPen(Ink); p.setBrush(Yellow); p.drawRect(2, 2, 10, 4); p.setBrush(Grey); p.drawRect(6, 6, 2, 8); break;
    case gReport: PageShape(p, 2, 1, 12, 14); p.setPen(Blue); p.setBrush(Blue); p.drawRect(4, 3, 5, 2); Lines(p, 4, 7, 10, 3, Grey); break;
    case gDataPage: p.setPen(Ink); p.setBrush(QColor(230, 230, 230)); p.drawRect(1, 1, 13, 13); Draw(p, gData, index); break;
    case gArrow1: case gArrow2: case gArrow3:
        p.setPen(QPen(Ink, 1)); p.drawLine(2, 13, 12, 3);
        Triangle(p, QPoint(13, 2), QPoint(8, 4), QPoint(11, 7), Ink);
        if (g != gArrow1) Triangle(p, QPoint(1, 14), QPoint(6, 12), QPoint(3, 9), Ink);
        if (g == gArrow3) { p.setPen(Red); p.drawLine(4, 4, 4, 4); }
        break;
    case gCheckBox:
        p.setPen(Ink); p.setBrush(PaperC); p.drawRect(2, 2, 11, 11);
        p.setPen(QPen(Green, 2)); p.drawLine(4, 7, 7, 10); p.drawLine(7, 10, 11, 4);
        break;
    case gChart:
        p.setPen(Ink); p.drawLine(1, 1, 1, 14); p.drawLine(1, 14, 14, 14);
        p.setBrush(Red); p.drawRect(3, 8, 2, 5); p.setBrush(Green); p.drawRect(7, 4, 2, 9); p.setBrush(Blue); p.drawRect(11, 6, 2, 7);
        break;
    case gBold: p.setPen(QPen(Ink, 3)); p.drawLine(5, 2, 5, 13); p.drawLine(5, 2, 9, 2); p.drawLine(5, 7, 10, 7); p.drawLine(5, 13, 10, 13); break;
    case gItalic: p.setPen(QPen(Ink, 2)); p.drawLine(9, 2, 6, 13); p.drawLine(7, 2, 12, 2); p.drawLine(4, 13, 9, 13); break;
    case gUnderline: p.setPen(QPen(Ink, 2)); p.drawLine(4, 2, 4, 9); p.drawLine(11, 2, 11, 9); p.drawLine(4, 10, 11, 10); p.drawLine(3, 13, 12, 13); break;
    case gAlignLeft: Lines(p, 2, 3, 13, 1, Ink); Lines(p, 2, 6, 8, 1, Ink); Lines(p, 2, 9, 13, 1, Ink); Lines(p, 2, 12, 8, 1, Ink); break;
    case gAlignCenter: Lines(p, 2, 3, 13, 1, Ink); Lines(p, 5, 6, 10, 1, Ink); Lines(p, 2, 9, 13, 1, Ink); Lines(p, 5, 12, 10, 1, Ink); break;
    case gAlignRight: Lines(p, 2, 3, 13, 1, Ink); Lines(p, 7, 6, 13, 1, Ink); Lines(p, 2, 9, 13, 1, Ink); Lines(p, 7, 12, 13, 1, Ink); break;
    case gFrame: p.setPen(QPen(Ink, 2)); p.setBrush(Qt::NoBrush); p.drawRect(2, 2, 11, 11); break;
    case gNoFrame: p.setPen(QPen(Grey, 1, Qt::DotLine)); p.setBrush(Qt::NoBrush); p.drawRect(2, 2, 11, 11); break;
    }
}

// The greyed twin of a picture: every pixel but the key colour lightened to a grey.
QImage Greyed(const QImage& tile) {
    QImage out = tile;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QColor c = out.pixelColor(x, y);
            if (c == Key) continue;
            const int g = 128 + qGray(c.rgb()) / 2;
            out.setPixelColor(x, y, QColor(g, g, g));
        }
    return out;
}

QImage Tile(int size, Glyph g, int index) {
    QImage tile(size, size, QImage::Format_RGB32);
    tile.fill(Key);
    QPainter p(&tile);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.scale(size / 16.0, size / 16.0);
    Draw(p, g, index);
    p.end();
    // The loader takes the key from the bottom-left pixel.
    tile.setPixelColor(0, size - 1, Key);
    return tile;
}

using GlyphOf = std::function<Glyph(int index)>;

QImage Strip(int width, int height, int tile, int count, const GlyphOf& glyphOf, bool pairs) {
    QImage strip(width, height, QImage::Format_RGB32);
    strip.fill(Key);
    QPainter p(&strip);
    const int step = pairs ? 2 * tile : tile;
    const int perRow = width / step;
    for (int i = 0; i < count; ++i) {
        const int x = (i % perRow) * step;
        const int y = (i / perRow) * tile;
        const QImage t = Tile(tile, glyphOf(i), i);
        p.drawImage(x, y, t);
        if (pairs) p.drawImage(x + tile, y, Greyed(t));
    }
    return strip;
}

Glyph PreviewGlyph(int i) {
    static const Glyph g[25] = {gOpen,    gSave,     gPrint,      gExport,   gFind,     gThumbs,  gClose,
                                gPageSetup, gFirst,  gPrior,      gNext,     gLast,     gOutline, gCollapse,
                                gExpand,  gZoomIn,   gZoomOut,    gNewPage,  gDeletePage, gTemplate, gStop,
                                gPencil,  gFullScreen, gMail,     gPdf};
    return g[i];
}

Glyph DesignerGlyph(int i) {
    switch (i) {
    case 0: return gPage;
    case 1: return gOpen;
    case 2: return gSave;
    case 3: return gPreview;
    case 4: return gPrint;
    case 5: return gCut;
    case 6: return gCopy;
    case 7: return gPaste;
    case 8: return gUndo;
    case 9: return gRedo;
    case 10: return gNewPage;
    case 11: return gDialog;
    case 12: return gDeletePage;
    case 13: return gPageSetup;
    case 14: return gToFront;
    case 15: return gToBack;
    case 16: return gUngroup;
    case 17: return gGroup;
    case 18: return gBold;
    case 19: return gItalic;
    case 20: return gUnderline;
    case 21: return gAlignLeft;
    case 22: return gAlignCenter;
    case 23: return gAlignRight;
    case 24: return gFrame;
    case 25: return gNoFrame;
    case 27: return gHand;
    case 28: return gZoomTool;
    case 29: return gTextTool;
    case 30: return gFormatTool;
    case 51: return gDelete;
    case 52: return gVariables;
    case 53: return gData;
    case 54: return gField;
    case 62: return gCursor;
    case 63: return gSize;
    case 66: return gFolder;
    case 68: return gPencil;
    case 72: return gTable;
    case 80: return gVariable;
    case 87: return gStyles;
    case 90: return gRun;
    case 91: return gStop;
    case 94: return gGroup;
    case 97: return gPlus;
    case 98: return gMinus;
    case 99: return gInherited;
    default: return gGeneric;
    }
}

Glyph ObjectGlyph(int i) {
    switch (i) {
    case 0: return gSelect;
    case 1: return gBand;
    case 2: return gText;
    case 3: return gPicture;
    case 4: return gSubreport;
    case 5: return gLine;
    case 6: return gShapes;
    case 7: return gDiagonal;
    case 8: return gRect;
    case 9: return gRoundRect;
    case 10: return gEllipse;
    case 11: return gTriangle;
    case 12: return gCheckBox;
    case 13: return gChart;
    case 27: return gHand;
    case 28: return gZoomTool;
    case 29: return gTextTool;
    case 30: return gFormatTool;
    case 31: return gDiamond;
    case 32: return gSysText;
    case 34: return gReport;
    case 35: return gPage;
    case 36: return gDialog;
    case 37: return gDataPage;
    case 40: return gBand;
    case 63: return gArrow1;
    case 64: return gArrow2;
    case 65: return gArrow3;
    case 66: return gFolder;
    default: return gGeneric;
    }
}

Glyph WizardGlyph(int i) {
    static const Glyph g[6] = {gPage, gReport, gTemplate, gTable, gChart, gDialog};
    return g[i];
}

bool Write(const QString& folder, const QString& name, const QImage& image) {
    TBitmap bmp;
    bmp.SetImage(image);
    bmp.SetPixelFormat(pf24bit);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bmp.SaveToStream(buffer);
    TBytesStream source(buffer.data());
    TBytesStream packed;
    CompressToGzipMember(source, packed, zcMax);
    QFile out(QDir(folder).filePath(name));
    if (!out.open(QIODevice::WriteOnly) || out.write(packed.Bytes()) != packed.Bytes().size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvel_rptstrips <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const bool ok = Write(folder, QStringLiteral("DesgnButtons"), Strip(320, 160, 16, 100, DesignerGlyph, true)) &&
                    Write(folder, QStringLiteral("PreviewButtons"), Strip(400, 16, 16, 25, PreviewGlyph, false)) &&
                    Write(folder, QStringLiteral("ObjectButtons"), Strip(160, 112, 16, 70, ObjectGlyph, false)) &&
                    Write(folder, QStringLiteral("WizardButtons"), Strip(192, 32, 32, 6, WizardGlyph, false));
    return ok ? 0 : 1;
}
