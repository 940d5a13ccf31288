#include "app/Glyphs.h"

#include "app/Cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor Ink(0x20, 0x30, 0x48);
const QColor Accent(0x1f, 0x6f, 0xc0);
const QColor Warm(0xc0, 0x40, 0x30);

QPen InkPen(qreal width, const QColor& c = Ink)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Magnifier(QPainter& p, qreal s)
{
    p.setPen(InkPen(2.0 * s));
    p.setBrush(QColor(0xe8, 0xf2, 0xff));
    p.drawEllipse(QPointF(10 * s, 10 * s), 6.5 * s, 6.5 * s);
    p.setPen(InkPen(3.5 * s));
    p.drawLine(QPointF(15 * s, 15 * s), QPointF(21 * s, 21 * s));
}

void Triangle(QPainter& p, bool right)
{
    QPolygonF t;
    if (right)
        t << QPointF(6, 4) << QPointF(16, 11) << QPointF(6, 18);
    else
        t << QPointF(16, 4) << QPointF(6, 11) << QPointF(16, 18);
    p.setPen(InkPen(1.2));
    p.setBrush(Accent);
    p.drawPolygon(t);
}

// Drawn in logical pixels on a pixmap of 'dpr' device pixels to each.
QPixmap Draw(TGlyph g, int dpr)
{
    const bool small = g == TGlyph::Down || g == TGlyph::Stop || g == TGlyph::Up;
    const bool menu = g >= TGlyph::MenuSaveImage;
    const int size = small ? 22 : menu ? 16 : 24;
    const qreal s = size / 24.0;
    QPixmap pm(size * dpr, size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (g) {
    case TGlyph::Hand:
    case TGlyph::Center:
    case TGlyph::Koef:
    case TGlyph::ToFrom: {
        const int slot = g == TGlyph::Hand     ? CursorOpenHand
                         : g == TGlyph::Center ? CursorCentr
                         : g == TGlyph::Koef   ? CursorKoef
                                               : CursorToFrom;
        // Whole device pixels per cursor pixel: hard edges on dense screens too.
        p.drawImage(QRect(-4, -4, 32, 32), CursorPicture(slot));
        break;
    }
    case TGlyph::Default: {  // a house: back to the start
        QPolygonF roof;
        roof << QPointF(3, 12) << QPointF(12, 3) << QPointF(21, 12);
        p.setPen(InkPen(2));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(roof);
        p.setBrush(QColor(0xe8, 0xf2, 0xff));
        p.drawRect(QRectF(6, 11, 12, 10));
        p.setBrush(Accent);
        p.drawRect(QRectF(10.5, 15, 3, 6));
        break;
    }
    case TGlyph::Lupa:
        Magnifier(p, 1);
        break;
    case TGlyph::LupaPlus:
        Magnifier(p, 1);
        p.setPen(InkPen(2, Accent));
        p.drawLine(QPointF(7, 10), QPointF(13, 10));
        p.drawLine(QPointF(10, 7), QPointF(10, 13));
        break;
    case TGlyph::LupaMinus:
        Magnifier(p, 1);
        p.setPen(InkPen(2, Accent));
        p.drawLine(QPointF(7, 10), QPointF(13, 10));
        break;
    case TGlyph::Down:
        Triangle(p, false);
        break;
    case TGlyph::Up:
        Triangle(p, true);
        break;
    case TGlyph::Stop:
        p.setPen(InkPen(1.2));
        p.setBrush(Warm);
        p.drawRect(QRectF(6, 5, 10, 12));
        break;
    case TGlyph::Apply: {  // a circular arrow: rebuild
        p.setPen(InkPen(2, Accent));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5 * s, 5 * s, 14 * s, 14 * s), 60 * 16, 280 * 16);
        QPolygonF head;
        head << QPointF(14 * s, 2 * s) << QPointF(19 * s, 6 * s) << QPointF(13 * s, 9 * s);
        p.setBrush(Accent);
        p.drawPolygon(head);
        break;
    }
    case TGlyph::Close:
    case TGlyph::MenuClose:
        p.setPen(InkPen(2.5 * s, Warm));
        p.drawLine(QPointF(6 * s, 6 * s), QPointF(18 * s, 18 * s));
        p.drawLine(QPointF(18 * s, 6 * s), QPointF(6 * s, 18 * s));
        break;
    case TGlyph::MenuFullScreen:
        p.setPen(InkPen(2 * s));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3 * s, 5 * s, 18 * s, 14 * s));
        p.setPen(InkPen(2 * s, Accent));
        p.drawLine(QPointF(7 * s, 9 * s), QPointF(7 * s, 15 * s));
        p.drawLine(QPointF(17 * s, 9 * s), QPointF(17 * s, 15 * s));
        break;
    case TGlyph::MenuSaveImage:
    case TGlyph::MenuSaveFractal: {
        p.setPen(InkPen(2 * s));
        p.setBrush(g == TGlyph::MenuSaveImage ? QColor(0xe8, 0xf2, 0xff) : Accent);
        p.drawRect(QRectF(4 * s, 4 * s, 16 * s, 16 * s));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(8 * s, 4 * s, 8 * s, 6 * s));
        break;
    }
    case TGlyph::MenuOpenFractal: {
        QPolygonF folder;
        folder << QPointF(3 * s, 7 * s) << QPointF(9 * s, 7 * s) << QPointF(11 * s, 9 * s)
               << QPointF(21 * s, 9 * s) << QPointF(21 * s, 19 * s) << QPointF(3 * s, 19 * s);
        p.setPen(InkPen(2 * s));
        p.setBrush(QColor(0xf0, 0xc8, 0x60));
        p.drawPolygon(folder);
        break;
    }
    case TGlyph::MenuDeleteFile: {  // a waste bin
        p.setPen(InkPen(2 * s));
        p.setBrush(QColor(0xe8, 0xf2, 0xff));
        QPolygonF bin;
        bin << QPointF(6 * s, 7 * s) << QPointF(18 * s, 7 * s) << QPointF(16.5 * s, 21 * s) << QPointF(7.5 * s, 21 * s);
        p.drawPolygon(bin);
        p.drawLine(QPointF(4 * s, 5 * s), QPointF(20 * s, 5 * s));
        p.drawLine(QPointF(10 * s, 3 * s), QPointF(14 * s, 3 * s));
        p.setPen(InkPen(1.5 * s, Warm));
        p.drawLine(QPointF(10 * s, 10 * s), QPointF(10.5 * s, 18 * s));
        p.drawLine(QPointF(14 * s, 10 * s), QPointF(13.5 * s, 18 * s));
        break;
    }
    case TGlyph::MenuDescription:
        p.setPen(InkPen(2 * s));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5 * s, 3 * s, 14 * s, 18 * s));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(8 * s, (8 + 4 * i) * s), QPointF(16 * s, (8 + 4 * i) * s));
        break;
    }
    return pm;
}

}  // namespace

QIcon GlyphIcon(TGlyph glyph)
{
    // A second, doubled drawing for screens of two device pixels to the logical one.
    QIcon icon(Draw(glyph, 1));
    icon.addPixmap(Draw(glyph, 2));
    return icon;
}
