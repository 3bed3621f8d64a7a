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

namespace pictures {

namespace {

QPixmap drawTool(Tool kind) {
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2); // drawn on a 20 x 20 grid, kept sharp on dense screens
    const QColor ink(40, 60, 90);
    const QPen outline(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    auto sheet = [&](QRectF r, QColor fill) {
        p.setPen(outline);
        p.setBrush(fill);
        p.drawRoundedRect(r, 1.5, 1.5);
    };
    switch (kind) {
    case Tool::Add:
        sheet(QRectF(3, 2, 12, 15), Qt::white);
        p.setPen(QPen(QColor(30, 150, 60), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 10), QPointF(14, 18));
        p.drawLine(QPointF(10, 14), QPointF(18, 14));
        break;
    case Tool::Edit:
        sheet(QRectF(3, 2, 12, 15), Qt::white);
        p.setPen(QPen(QColor(230, 150, 20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 15), QPointF(17, 5));
        p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6.5, 17), QPointF(8, 15));
        break;
    case Tool::Copy:
        sheet(QRectF(2, 2, 11, 13), QColor(225, 235, 250));
        sheet(QRectF(7, 6, 11, 13), Qt::white);
        break;
    case Tool::Search:
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(210, 230, 255));
        p.drawEllipse(QRectF(3, 3, 10, 10));
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(17.5, 17.5));
        break;
    case Tool::Delete:
        p.setPen(QPen(QColor(200, 30, 30), 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(16, 16));
        p.drawLine(QPointF(16, 4), QPointF(4, 16));
        break;
    case Tool::Past:
        p.setPen(QPen(ink, 1.6));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(3, 3, 14, 14));
        p.setPen(QPen(QColor(0, 0, 255), 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(10, 5.5));
        p.drawLine(QPointF(10, 10), QPointF(6.5, 12));
        break;
    case Tool::Help: {
        p.setPen(outline);
        p.setBrush(QColor(78, 165, 250));
        p.drawEllipse(QRectF(2, 2, 16, 16));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(12);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Tool::Monitor: {
        QPainterPath bell;
        bell.moveTo(4, 14);
        bell.cubicTo(6, 12, 5, 4, 10, 4);
        bell.cubicTo(15, 4, 14, 12, 16, 14);
        bell.closeSubpath();
        p.setPen(outline);
        p.setBrush(QColor(255, 204, 51));
        p.drawPath(bell);
        p.drawEllipse(QRectF(8.5, 14, 3, 3));
        break;
    }
    case Tool::Exit:
        sheet(QRectF(3, 2, 9, 16), QColor(200, 170, 130));
        p.setPen(QPen(QColor(200, 30, 30), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(9, 10), QPointF(18, 10));
        p.drawLine(QPointF(15, 7), QPointF(18, 10));
        p.drawLine(QPointF(15, 13), QPointF(18, 10));
        break;
    }
    return pixmap;
}

const char* themeName(Tool kind) {
    switch (kind) {
    case Tool::Add:
        return "list-add";
    case Tool::Edit:
        return "document-edit";
    case Tool::Copy:
        return "edit-copy";
    case Tool::Search:
        return "edit-find";
    case Tool::Delete:
        return "edit-delete";
    case Tool::Past:
        return "document-open-recent";
    case Tool::Help:
        return "help-contents";
    case Tool::Monitor:
        return "appointment-soon";
    case Tool::Exit:
        return "application-exit";
    }
    return "";
}

} // namespace

QIcon tool(Tool kind) {
    QPixmap own = drawTool(kind);
    own.setDevicePixelRatio(2);
    return QIcon::fromTheme(QString::fromLatin1(themeName(kind)), QIcon(own));
}

} // namespace pictures
