#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace sv {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0, 0, 0));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        QPainterPath wave;
        const double mid = size / 2.0;
        for (int x = 1; x < size - 1; ++x) {
            // A decaying burst, the way a plucked note looks in the editor.
            double t = static_cast<double>(x) / size;
            double y = mid - std::sin(t * 6 * M_PI) * (size * 0.4) * (1.0 - t * 0.8);
            if (x == 1)
                wave.moveTo(x, y);
            else
                wave.lineTo(x, y);
        }
        p.setPen(QPen(QColor(0, 255, 0), std::max(1.0, size / 16.0)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace sv
