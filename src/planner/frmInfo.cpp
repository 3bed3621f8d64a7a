#include "frmInfo.h"

#include "Contact.h"
#include "Pictures.h"
#include "frmTermin.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace moravel::planner {

frmInfo::frmInfo(frmTermin* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmInfo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(versionCaption());

    auto* picture = new QLabel(this);
    picture->setPixmap(pictures::banner(QSize(360, 32), devicePixelRatioF()));

    auto field = [this](const QString& text) {
        auto* edit = new QLineEdit(text, this);
        edit->setReadOnly(true);
        return edit;
    };
    TextEmail = field(contact::kEmail);
    TextWeb = field(contact::kWebAddress);
    TextPhone = field(contact::kPhoneAndFax);
    TextAddress = field(contact::kPostalAddress);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("eMail:"), TextEmail);
    form->addRow(QStringLiteral("...oder im Internet unter:"), TextWeb);
    form->addRow(QStringLiteral("Telefon und Fax"), TextPhone);
    form->addRow(QStringLiteral("Anschrift:"), TextAddress);

    CommandGo = new QPushButton(QStringLiteral("Go"), this);
    CommandGo->setObjectName(QStringLiteral("Go"));
    CommandGo->setToolTip(QStringLiteral("Verbindung ins Internet herstellen"));
    CommandGo->setEnabled(!contact::kWebAddress.isEmpty());
    connect(CommandGo, &QPushButton::clicked, owner, &frmTermin::mnuInternet_Click);

    CommandOK = new QPushButton(QStringLiteral("&OK"), this);
    CommandOK->setObjectName(QStringLiteral("OK"));
    CommandOK->setDefault(true);
    connect(CommandOK, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CommandGo);
    buttons->addStretch();
    buttons->addWidget(CommandOK);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

QString frmInfo::versionCaption() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(MORAVEL_VERSION_MAJOR)
        .arg(MORAVEL_VERSION_MINOR)
        .arg(MORAVEL_VERSION_PATCH);
}

} // namespace moravel::planner
