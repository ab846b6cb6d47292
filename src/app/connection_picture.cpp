#include "connection_picture.h"

#include <QPainter>

namespace dmm {

QPixmap connectionPicture(bool lit) {
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
