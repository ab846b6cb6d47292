#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace dmm {

namespace {

void drawMagnifier(QPainter& p, int size, bool plus) {
    const qreal s = size;
    const QRectF lens(s * 0.08, s * 0.08, s * 0.6, s * 0.6);
    p.setPen(QPen(QColor(40, 40, 40), s * 0.16, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.62, s * 0.62), QPointF(s * 0.92, s * 0.92));
    p.setPen(QPen(QColor(40, 40, 40), s * 0.08));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(lens);
    p.setPen(QPen(QColor(0, 0, 160), s * 0.08));
    const QPointF c = lens.center();
    const qreal arm = s * 0.17;
    p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    if (plus) p.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
}

void drawArrows(QPainter& p, int size, bool right, bool bar) {
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    const qreal top = s * 0.25, bottom = s * 0.75, mid = s * 0.5;
    QPolygonF tri;
    if (right) {
        tri << QPointF(s * 0.3, top) << QPointF(s * 0.65, mid) << QPointF(s * 0.3, bottom);
    } else {
        tri << QPointF(s * 0.7, top) << QPointF(s * 0.35, mid) << QPointF(s * 0.7, bottom);
    }
    p.drawPolygon(tri);
    if (bar) {
        const qreal x = right ? s * 0.68 : s * 0.22;
        p.drawRect(QRectF(x, top, s * 0.1, bottom - top));
    }
}

}  // namespace

QPixmap drawIcon(Icon icon, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    switch (icon) {
        case Icon::ZoomIn: drawMagnifier(p, size, true); break;
        case Icon::ZoomOut: drawMagnifier(p, size, false); break;
        case Icon::NewChart: {
            QPainterPath sheet;
            sheet.moveTo(s * 0.2, s * 0.1);
            sheet.lineTo(s * 0.6, s * 0.1);
            sheet.lineTo(s * 0.8, s * 0.3);
            sheet.lineTo(s * 0.8, s * 0.9);
            sheet.lineTo(s * 0.2, s * 0.9);
            sheet.closeSubpath();
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(Qt::white);
            p.drawPath(sheet);
            break;
        }
        case Icon::Save:
            p.setPen(QPen(QColor(20, 20, 60), 1));
            p.setBrush(QColor(40, 70, 160));
            p.drawRect(QRectF(s * 0.15, s * 0.15, s * 0.7, s * 0.7));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(s * 0.28, s * 0.15, s * 0.44, s * 0.28));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(s * 0.3, s * 0.58, s * 0.4, s * 0.27));
            break;
        case Icon::First: drawArrows(p, size, false, true); break;
        case Icon::Previous: drawArrows(p, size, false, false); break;
        case Icon::Next: drawArrows(p, size, true, false); break;
        case Icon::Last: drawArrows(p, size, true, true); break;
    }
    return pm;
}

}  // namespace dmm
