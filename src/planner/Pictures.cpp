#include "Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace pictures {

QPixmap banner(QSize size, qreal devicePixelRatio) {
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, size.width(), 0);
    gradient.setColorAt(0.0, QColor(24, 72, 140));
    gradient.setColorAt(0.55, QColor(78, 165, 250));
    gradient.setColorAt(1.0, QColor(200, 228, 255));
    p.fillRect(QRect(QPoint(0, 0), size), gradient);

    // A small calendar sheet as the program's mark.
    const int h = size.height();
    const QRectF sheet(10, h * 0.18, h * 0.64, h * 0.64);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(sheet, 3, 3);
    p.setBrush(QColor(220, 50, 40));
    p.drawRoundedRect(QRectF(sheet.left(), sheet.top(), sheet.width(), sheet.height() * 0.3), 3, 3);
    p.setPen(QPen(QColor(24, 72, 140), 1.2));
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QPointF dot(sheet.left() + sheet.width() * (0.25 + 0.25 * col),
                              sheet.top() + sheet.height() * (0.55 + 0.22 * row));
            p.drawPoint(dot);
        }
    }

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(qMax(10, h * 11 / 20));
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    const QRectF text(sheet.right() + 10, 0, size.width(), h);
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Brisko Moravel"));
    QFont subtitle = title;
    subtitle.setBold(false);
    subtitle.setPixelSize(qMax(8, h * 7 / 20));
    p.setFont(subtitle);
    p.setPen(QColor(225, 238, 255));
    const int titleWidth = QFontMetrics(title).horizontalAdvance(QStringLiteral("Brisko Moravel"));
    p.drawText(text.adjusted(titleWidth + 14, 3, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QString::fromUtf8("Termine im Blick"));
    return pixmap;
}

QIcon listMarker(const QColor& color, bool past) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color.darker(140), 1));
    p.setBrush(color);
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 2.5, 2.5);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (past) {
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    } else {
        p.drawLine(QPointF(8, 5), QPointF(8, 8.5));
        p.drawLine(QPointF(8, 8.5), QPointF(10.5, 10));
    }
    return QIcon(pixmap);
}

QIcon specialDays() {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 80, 10), 1));
    p.setBrush(QColor(255, 204, 51));
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 == 0 ? 9.0 : 4.0;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(10 + radius * std::cos(angle), 10.5 + radius * std::sin(angle));
        if (i == 0)
            star.moveTo(point);
        else
            star.lineTo(point);
    }
    star.closeSubpath();
    p.drawPath(star);
    return QIcon(pixmap);
}

} // namespace pictures
