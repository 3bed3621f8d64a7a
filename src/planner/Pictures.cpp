#include "Pictures.h"

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
QString resourcePath(const QString& name) {
    static const bool registered = (registerPlannerResources(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/planner/") + name + QStringLiteral(".svg");
}

QIcon resource(const QString& name) {
    return QIcon(resourcePath(name));
}
} // namespace

QPixmap banner(QSize size, qreal devicePixelRatio) {
    QPixmap pixmap = stretched(QStringLiteral("banner"), size, devicePixelRatio);
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

QPixmap stretched(const QString& name, QSize size, qreal devicePixelRatio) {
    QImageReader reader(resourcePath(name));
    reader.setScaledSize(size * devicePixelRatio);
    QPixmap pixmap = QPixmap::fromImage(reader.read());
    if (pixmap.isNull()) {
        pixmap = QPixmap(size * devicePixelRatio);
        pixmap.fill(QColor(78, 165, 250));
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
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
    QImageReader reader(resourcePath(QStringLiteral("stars")));
    reader.setScaledSize(size * devicePixelRatio);
    QPixmap pixmap = QPixmap::fromImage(reader.read());
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace moravel::planner::pictures
