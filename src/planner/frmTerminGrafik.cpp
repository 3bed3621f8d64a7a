#include "frmTerminGrafik.h"

#include "DayClass.h"
#include "Platform.h"

#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace moravel::planner {

namespace {

// Picture1's own background: a light sheet with a thin frame.
class LegendPicture : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, QColor(250, 252, 255));
        gradient.setColorAt(1, QColor(222, 234, 250));
        p.fillRect(rect(), gradient);
        p.setPen(QColor(78, 165, 250));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// Sample bars are drawn on a white ground, so the colours read as they do in the list.
constexpr quint32 kWhite = 0xFFFFFF;

} // namespace

frmTerminGrafik::frmTerminGrafik(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmTerminGrafik"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);

    Picture1 = new LegendPicture(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->installEventFilter(this);

    QFont barFont = font();
    barFont.setPointSizeF(8);
    barFont.setBold(true);
    const int rowHeight = ui::toPixels(300, this);
    const int barWidth = ui::toPixels(1700, this);
    const auto& rows = legendRows();
    for (int i = 0; i < 6; ++i) {
        const LegendRow& row = rows[static_cast<size_t>(i)];
        QLabel* bar = new QLabel(QString(row.bars, QLatin1Char('|')), Picture1);
        bar->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        bar->setFont(barFont);
        bar->setAutoFillBackground(true);
        QPalette palette = bar->palette();
        palette.setColor(QPalette::Window, ui::colorFromValue(kWhite));
        palette.setColor(QPalette::WindowText, ui::colorFromValue(row.dayClass.colour.value_or(kWhite)));
        bar->setPalette(palette);
        bar->setGeometry(ui::toPixels(120, this), ui::toPixels(120, this) + i * rowHeight, barWidth,
                         rowHeight - 4);
        bars[static_cast<size_t>(i)] = bar;

        QLabel* text = new QLabel(row.text, Picture1);
        text->setObjectName(QStringLiteral("Label%1").arg(i + 7));
        text->setGeometry(bar->geometry().right() + ui::toPixels(120, this), bar->y(),
                          ui::toPixels(3600, this), rowHeight - 4);
        texts[static_cast<size_t>(i)] = text;
    }
    for (QLabel* label : bars)
        label->installEventFilter(this);
    for (QLabel* label : texts)
        label->installEventFilter(this);

    // The window takes the size of its picture.
    Picture1->setGeometry(0, 0, texts[0]->geometry().right() + ui::toPixels(120, this),
                          bars[5]->geometry().bottom() + ui::toPixels(120, this));
    setFixedSize(Picture1->size());
    ui::stayOnTop(this);
}

void frmTerminGrafik::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        close();
}

bool frmTerminGrafik::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace moravel::planner
