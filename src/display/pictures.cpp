// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pictures.h"

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

// The record row's pictures, drawn on a grid of 16 x 16.
void drawRecordPicture(QPainter& p, Icon icon) {
    switch (icon) {
    case Icon::CloseData:
        p.fillRect(3, 1, 10, 14, Qt::white);
        p.setPen(Qt::darkGray);
        p.drawRect(3, 1, 10, 14);
        p.setPen(QPen(QColor(200, 30, 30), 2));
        p.drawLine(5, 5, 11, 12);
        p.drawLine(11, 5, 5, 12);
        break;
    case Icon::OpenFile:
        p.setBrush(QColor(230, 190, 70));
        p.setPen(QColor(150, 110, 20));
        p.drawRect(1, 4, 14, 10);
        p.drawRect(1, 2, 6, 2);
        break;
    case Icon::SaveFile:
        p.setBrush(QColor(40, 70, 160));
        p.setPen(Qt::NoPen);
        p.drawRect(1, 1, 14, 14);
        p.setBrush(Qt::white);
        p.drawRect(4, 2, 8, 5);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(4, 10, 8, 5);
        break;
    case Icon::Printer:
        p.setBrush(Qt::white);
        p.setPen(Qt::darkGray);
        p.drawRect(4, 1, 8, 5);
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(1, 6, 14, 6);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 8, 5);
        break;
    default:
        break;
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
        case Icon::CloseData:
        case Icon::OpenFile:
        case Icon::SaveFile:
        case Icon::Printer:
            p.scale(s / 16, s / 16);
            drawRecordPicture(p, icon);
            break;
    }
    return pm;
}

QPixmap drawLinkPicture(bool lit) {
    QPixmap pm(25, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor body(90, 90, 96);
    const QColor screen = lit ? QColor(80, 220, 90) : QColor(30, 30, 36);

    // Computer: monitor on a stand.
    p.fillRect(0, 2, 14, 11, body);
    p.fillRect(2, 4, 10, 7, screen);
    p.fillRect(5, 13, 4, 3, body);
    p.fillRect(2, 16, 10, 2, body);

    // Meter: a tall case with a display and a knob.
    p.fillRect(16, 5, 9, 17, QColor(230, 160, 30));
    p.fillRect(17, 7, 7, 4, screen);
    p.setBrush(body);
    p.setPen(Qt::NoPen);
    p.drawEllipse(18, 14, 5, 5);

    // The lead between them.
    p.setPen(QPen(lit ? QColor(40, 160, 50) : body, 1));
    p.drawLine(12, 20, 16, 20);
    return pm;
}

}  // namespace dmm
