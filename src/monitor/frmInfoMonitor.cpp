#include "frmInfoMonitor.h"

#include "DataLocation.h"
#include "Platform.h"
#include "SmallWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace moravel::monitor {

frmInfoMonitor::frmInfoMonitor()
    : QWidget(nullptr, kSmallWindowFlags), Label1(new QLabel(this)), Label2(new QLabel(this)),
      Text1(new QLineEdit(this)), Command1(new QPushButton(this)) {
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("Brisko Wardolin"));
    const auto px = [this](double twips) { return ui::toPixels(twips, this); };
    setFixedSize(px(4020), px(2670));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Designed 2835 twips wide for a smaller system font; the label takes the window's width
    // inside its margins so that no font cuts the first line.
    Label1->setGeometry(px(120), px(180), px(4020 - 2 * 120), px(975));

    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setText(QStringLiteral("Programmpfad"));
    Label2->move(px(120), px(1380));
    Label2->adjustSize();

    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setGeometry(px(120), px(1620), px(3855), px(315));

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setText(QStringLiteral("&OK"));
    Command1->setGeometry(px(1260), px(2040), px(1395), px(435));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
}

QString frmInfoMonitor::infoText() {
    return QStringLiteral("Unterprogramm vom Brisko Moravel          ") + QLatin1Char('\n') +
           QStringLiteral("Version: %1.%2.%3")
               .arg(MORAVEL_VERSION_MAJOR)
               .arg(MORAVEL_VERSION_MINOR)
               .arg(MORAVEL_VERSION_PATCH) +
           QLatin1Char('\n') + QStringLiteral("Status:  Aktiv         ");
}

void frmInfoMonitor::oeffnen() {
    Label1->setText(infoText());
    Text1->setText(location::programDirectory());
    Text1->setCursorPosition(0);
    show();
    raise();
    activateWindow();
}

} // namespace moravel::monitor
