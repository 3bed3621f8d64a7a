#include "Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

namespace moravel::monitor {

QPixmap backgroundPicture(QSize size) {
    QPixmap picture(size.expandedTo(QSize(1, 1)));
    const double width = picture.width();
    const double height = picture.height();
    const double scale = std::min(width, height);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0.0, QColor(0xf6, 0xf9, 0xfd));
    sky.setColorAt(0.55, QColor(0xdc, 0xe7, 0xf4));
    sky.setColorAt(1.0, QColor(0xae, 0xc6, 0xe3));
    painter.fillRect(picture.rect(), sky);

    // Soft light spots give the surface some depth without competing with the text.
    const struct {
        double x, y, radius;
        QColor colour;
    } spots[] = {{0.12, 0.18, 0.30, QColor(255, 255, 255, 150)},
                 {0.85, 0.10, 0.22, QColor(200, 220, 245, 120)},
                 {0.25, 0.92, 0.35, QColor(150, 180, 220, 90)}};
    for (const auto& spot : spots) {
        const QPointF centre(spot.x * width, spot.y * height);
        QRadialGradient glow(centre, spot.radius * scale);
        glow.setColorAt(0.0, spot.colour);
        QColor clear = spot.colour;
        clear.setAlpha(0);
        glow.setColorAt(1.0, clear);
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(centre, spot.radius * scale, spot.radius * scale);
    }

    // Two faint bands of light across the lower half, visible around the controls.
    for (const double offset : {0.62, 0.80}) {
        QPainterPath band;
        band.moveTo(0, offset * height);
        band.cubicTo(0.35 * width, (offset - 0.10) * height, 0.65 * width, (offset + 0.08) * height, width,
                     (offset - 0.04) * height);
        band.lineTo(width, (offset + 0.02) * height);
        band.cubicTo(0.65 * width, (offset + 0.14) * height, 0.35 * width, (offset - 0.04) * height, 0,
                     (offset + 0.06) * height);
        band.closeSubpath();
        painter.setBrush(QColor(255, 255, 255, 70));
        painter.drawPath(band);
    }
    return picture;
}

QPixmap reminderIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath bell;
    bell.moveTo(6, 24);
    bell.cubicTo(9, 21, 8, 14, 10, 10);
    bell.cubicTo(12, 5, 20, 5, 22, 10);
    bell.cubicTo(24, 14, 23, 21, 26, 24);
    bell.closeSubpath();
    QLinearGradient gold(0, 4, 0, 26);
    gold.setColorAt(0.0, QColor(0xff, 0xe0, 0x6a));
    gold.setColorAt(1.0, QColor(0xe0, 0x9a, 0x10));
    painter.setPen(QPen(QColor(0x80, 0x55, 0x00), 1.5));
    painter.setBrush(gold);
    painter.drawPath(bell);
    painter.drawEllipse(QPointF(16, 4.5), 2, 2);
    painter.setBrush(QColor(0x80, 0x55, 0x00));
    painter.drawEllipse(QPointF(16, 26.5), 3, 3);
    return icon;
}

namespace {

// One size of the tray icon, drawn on a 32 x 32 design grid.
QPixmap trayIconPixmap(int size) {
    QPixmap icon(size, size);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    const QRectF sheet(3, 5, 26, 25);
    QPainterPath page;
    page.addRoundedRect(sheet, 4, 4);
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 1.5));
    painter.setBrush(Qt::white);
    painter.drawPath(page);

    // The sheet's head band, clipped to the rounded page.
    painter.save();
    painter.setClipPath(page);
    painter.fillRect(QRectF(3, 5, 26, 8), QColor(0xc8, 0x28, 0x28));
    painter.restore();
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(page);

    // Two binder rings above the head band.
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10, 2.5), QPointF(10, 8));
    painter.drawLine(QPointF(22, 2.5), QPointF(22, 8));

    // A clock face on the sheet: ten past ten.
    const QPointF centre(16, 21.5);
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 1.6));
    painter.setBrush(QColor(0xe8, 0xf0, 0xfa));
    painter.drawEllipse(centre, 6.5, 6.5);
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 1.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(-3.2, -2.2));
    painter.drawLine(centre, centre + QPointF(3.6, -3.4));
    return icon;
}

} // namespace

QIcon trayIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(trayIconPixmap(size));
    return icon;
}

QPixmap clockStrip() {
    // The clock text covers the strip wherever it lies; white, the see-through colour, keeps
    // any part left uncovered from showing as a border around a transparent clock.
    QPixmap strip(230, 13);
    strip.fill(Qt::white);
    return strip;
}

} // namespace moravel::monitor
