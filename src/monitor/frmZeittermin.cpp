#include "frmZeittermin.h"

#include "AlwaysOnTop.h"
#include "BeepPattern.h"
#include "DueDetection.h"
#include "Pictures.h"
#include "Platform.h"
#include "frmAutostart.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace moravel::monitor {

namespace {

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFont boldFont(const QFont& base, double points) {
    QFont font = base;
    font.setBold(true);
    font.setPointSizeF(points);
    return font;
}

} // namespace

frmZeittermin::frmZeittermin(frmAutostart& main)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_main(main), Image1(named(new QLabel(this), "Image1")), Image2(named(new QLabel(this), "Image2")),
      Label1(named(new QLabel(this), "Label1")), Label2(named(new QLabel(this), "Label2")),
      Label3(named(new QLabel(this), "Label3")), Text1(named(new QLineEdit(this), "Text1")),
      Command1(named(new QPushButton(this), "Command1")), Command2(named(new QPushButton(this), "Command2")),
      Command3(named(new QPushButton(this), "Command3")), Combo1(named(new QComboBox(this), "Combo1")),
      m_beeps(named(new BeepPattern(this), "beepPattern")) {
    setObjectName(QStringLiteral("frmZeittermin"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Fälliger Termin!"));
    const auto px = [this](double twips) { return ui::toPixels(twips, this); };
    setFixedSize(px(4635), px(2865));

    Image1->setGeometry(px(-60), px(-60), px(4755), px(2955));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label3->setText(QStringLiteral("Betreff:"));
    Label3->setGeometry(px(120), px(180), px(1275), px(255));

    Text1->setGeometry(px(120), px(420), px(4395), px(315));
    Text1->setReadOnly(true);

    Image2->setPixmap(reminderIcon());
    Image2->setGeometry(px(120), px(900), 32, 32);
    // The sign is part of the picture: a click on it dismisses like a click beside it.
    Image2->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Stored text is shown as it is, never as markup.
    for (QLabel* label : {Label1, Label2, Label3})
        label->setTextFormat(Qt::PlainText);
    Label2->setFont(boldFont(font(), 12));
    Label2->setWordWrap(true);
    Label2->setText(QStringLiteral("Sie haben einen Termin in 5 Minuten"));
    Label2->setGeometry(px(840), px(900), px(3015), px(675));

    Label1->setFont(boldFont(font(), 18));
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(red);
    Label1->setGeometry(px(180), px(1680), px(4335), px(855));

    // OK, "Später erinnern" and its minutes share the bottom line, OK first.
    Command2->setText(QStringLiteral("&OK"));
    Command2->setGeometry(px(120), px(2340), px(1395), px(435));
    Command3->setText(QStringLiteral("&Später erinnern"));
    Command3->setToolTip(QStringLiteral("Diese Erinnerung nach der gewählten Zeit noch einmal zeigen"));
    Command3->setGeometry(px(1575), px(2340), px(1740), px(435));
    connect(Command3, &QPushButton::clicked, this, &frmZeittermin::SpaeterErinnern);
    for (const int minuten : kAbstaende)
        Combo1->addItem(QStringLiteral("%1 Min.").arg(minuten), minuten);
    Combo1->setToolTip(QStringLiteral("Später erinnern nach"));
    Combo1->setGeometry(px(3375), px(2340), px(1140), px(435));
    setAbstand(kAbstandVorgabe);
    connect(Combo1, &QComboBox::activated, this, [this] { Q_EMIT abstandGewaehlt(abstand()); });
    // Command1 lies outside the visible area; it only carries the Escape key.
    Command1->setGeometry(px(6000), px(1440), px(1395), px(435));
    Command1->setShortcut(Qt::Key_Escape);
    Command1->setFocusPolicy(Qt::NoFocus);
    for (QPushButton* button : {Command1, Command2})
        connect(button, &QPushButton::clicked, this, &frmZeittermin::Beenden);
    for (QLabel* label : {Image1, Label1, Label2, Label3})
        label->installEventFilter(this);
    Image1->lower();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // The main window's picture, shrunk or grown evenly until it covers the popup.
    Image1->setPixmap(main.hintergrundBild().scaled(Image1->size(), Qt::KeepAspectRatioByExpanding,
                                                    Qt::SmoothTransformation));
    main.hide();
    FensterImmerOben(this);
}

void frmZeittermin::zeigeTermin(const Appointment& row, bool mitTon) {
    if (mitTon && !m_main.ausGewuenscht())
        m_beeps->start();
    show();
    raise();
    Text1->setText(shownText(row.Betreff));
    Text1->setCursorPosition(0);
    Label1->setText(timeLine(row));
    Label2->setText(messageLine(row.VorMinuten));
}

void frmZeittermin::Beenden() {
    Q_EMIT beendet();
}

void frmZeittermin::SpaeterErinnern() {
    Q_EMIT spaeterErinnern(abstand());
}

int frmZeittermin::abstand() const {
    return Combo1->currentData().toInt();
}

void frmZeittermin::setAbstand(int minuten) {
    const int index = Combo1->findData(minuten);
    if (index >= 0)
        Combo1->setCurrentIndex(index);
}

bool frmZeittermin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint())) {
            Beenden();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Only the user closes the popup: the program hides it, and deletes it without a close event.
void frmZeittermin::closeEvent(QCloseEvent* event) {
    event->accept();
    Q_EMIT geschlossen();
}

} // namespace moravel::monitor
