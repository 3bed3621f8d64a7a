#include "frmHilfe.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace moravel::planner {

frmHilfe::frmHilfe(const QString& helpFile, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmHilfe"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Brisko Moravel - Hilfe"));
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenExternalLinks(true);
    Browser->setSource(QUrl::fromLocalFile(helpFile));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);
    resize(720, 640);
}

} // namespace moravel::planner
