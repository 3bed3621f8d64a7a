#include "frmKalenderBild.h"

#include "AlwaysOnTop.h"
#include "Clock.h"
#include "Platform.h"
#include "SmallWindow.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QPushButton>

namespace moravel::monitor {

frmKalenderBild::frmKalenderBild()
    : QWidget(nullptr, kSmallWindowFlags), MonthView1(new QCalendarWidget(this)),
      Command1(new QPushButton(this)) {
    setObjectName(QStringLiteral("frmKalenderBild"));
    setWindowTitle(QStringLiteral("Kalender"));
    const auto px = [this](double twips) { return ui::toPixels(twips, this); };

    MonthView1->setObjectName(QStringLiteral("MonthView1"));
    // German names and Monday first, whatever the session's language.
    MonthView1->setLocale(QLocale(QLocale::German, QLocale::Germany));
    MonthView1->setFirstDayOfWeek(Qt::Monday);
    MonthView1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // The designed size is that of a compact month view; Qt's calendar needs a little more.
    const QSize size = QSize(px(2490), px(2370)).expandedTo(MonthView1->sizeHint());
    MonthView1->setGeometry(0, 0, size.width(), size.height());
    setFixedSize(size);

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setText(QStringLiteral("Command1"));
    Command1->setGeometry(px(2280), size.height() + px(600), px(1155), px(675));
    Command1->setFocusPolicy(Qt::NoFocus);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
}

void frmKalenderBild::oeffnen() {
    const QDate today = Clock::currentDate();
    MonthView1->setSelectedDate(today);
    MonthView1->setCurrentPage(today.year(), today.month());
    FensterImmerOben(this);
    show();
    raise();
    activateWindow();
}

void frmKalenderBild::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel))
        Command1->click();
    else
        QWidget::keyPressEvent(event);
}

} // namespace moravel::monitor
