#include "Pictures.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QResource>

#include <vector>

// The resources of a static library are registered by hand, outside any namespace.
static void registerPlannerResources() {
    Q_INIT_RESOURCE(planner);
}

namespace moravel::planner::pictures {

namespace {
QString svgPath(const QString& name) {
    static const bool registered = (registerPlannerResources(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/planner/") + name + QStringLiteral(".svg");
}

QPixmap png(const QString& path) {
    // Read as PNG without asking each image plugin first whether it would rather read the file,
    // which would load them all.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

// Rendered from its SVG source when the program was built, at its size and at twice that for a
// screen with twice the pixels.
QIcon resource(const QString& name) {
    const QString path = QStringLiteral(":/planner/pictures/") + name;
    QIcon icon(png(path + QStringLiteral(".png")));
    if (qApp->devicePixelRatio() > 1)
        icon.addPixmap(png(path + QStringLiteral("@2x.png")));
    return icon;
}
} // namespace

QPixmap banner(QSize size, qreal devicePixelRatio) {
    QPixmap pixmap = bannerBackground(size, devicePixelRatio);
    QPainter p(&pixmap);
    // The program's mark, then its name: text stays text, drawn in the font of the desktop.
    const int h = size.height();
    const QRectF sheet(10, h * 0.18, h * 0.64, h * 0.64);
    resource(QStringLiteral("mark")).paint(&p, sheet.toRect());

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

QPixmap bannerBackground(QSize size, qreal devicePixelRatio) {
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPainter p(&pixmap);
    QLinearGradient sky(0, 0, size.width(), 0);
    sky.setColorAt(0, QColor(0x18, 0x48, 0x8c));
    sky.setColorAt(0.55, QColor(0x4e, 0xa5, 0xfa));
    sky.setColorAt(1, QColor(0xc8, 0xe4, 0xff));
    p.fillRect(QRect(QPoint(0, 0), size), sky);
    return pixmap;
}

namespace {

// Each tool's picture of our own. The desktop's icon theme is not asked: looking a name up in it
// reads the theme's index files and directories on the start path, before the first paint.
struct ToolPicture {
    Tool kind;
    const char* own;
};
constexpr ToolPicture kToolPictures[] = {
    {Tool::Add, "tool-add"},       {Tool::Edit, "tool-edit"},       {Tool::Copy, "tool-copy"},
    {Tool::Search, "tool-search"}, {Tool::Delete, "tool-delete"},   {Tool::Past, "tool-past"},
    {Tool::Help, "tool-help"},     {Tool::Monitor, "tool-monitor"}, {Tool::Exit, "tool-exit"},
};
} // namespace

std::vector<QIcon> listMarkers() {
    std::vector<QIcon> markers;
    for (int icon = 1; icon <= 8; ++icon)
        markers.push_back(icon == 7 ? QIcon() : resource(QStringLiteral("marker-%1").arg(icon)));
    return markers;
}

QIcon tool(Tool kind) {
    for (const ToolPicture& picture : kToolPictures) {
        if (picture.kind == kind)
            return resource(QString::fromLatin1(picture.own));
    }
    return QIcon();
}

QIcon specialDays() {
    return resource(QStringLiteral("feiertage"));
}

QIcon specialDayRow(int index) {
    switch (index) {
    case 1:
        return resource(QStringLiteral("day-christmas"));
    case 2:
        return resource(QStringLiteral("day-today"));
    case 4:
        return resource(QStringLiteral("day-civil"));
    case 7:
        return resource(QStringLiteral("day-church"));
    default:
        return QIcon();
    }
}

QIcon closeList() {
    return resource(QStringLiteral("exit-door"));
}

QIcon standard(QStyle::StandardPixmap which) {
    switch (which) {
    case QStyle::SP_ArrowLeft:
    case QStyle::SP_ArrowBack:
        return resource(QStringLiteral("arrow-left"));
    case QStyle::SP_ArrowRight:
    case QStyle::SP_ArrowForward:
        return resource(QStringLiteral("arrow-right"));
    case QStyle::SP_ToolBarHorizontalExtensionButton:
        return resource(QStringLiteral("more-right"));
    case QStyle::SP_ToolBarVerticalExtensionButton:
        return resource(QStringLiteral("more-down"));
    default:
        return QIcon();
    }
}

QPixmap stars(int height, qreal devicePixelRatio) {
    const QSize size(height * 9 / 2, height);
    QImageReader reader(svgPath(QStringLiteral("stars")));
    reader.setScaledSize(size * devicePixelRatio);
    QPixmap pixmap = QPixmap::fromImage(reader.read());
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace moravel::planner::pictures
