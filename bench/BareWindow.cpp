#include "BareWindow.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace moravel::bench {

std::unique_ptr<QMainWindow> bareWindow() {
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(kBareWindowTitle);
    for (const char* title : {"&Datei", "E&xtras", "&Hilfe"}) {
        QMenu* menu = window->menuBar()->addMenu(QString::fromUtf8(title));
        menu->addAction(QStringLiteral("Eintrag 1"));
        menu->addAction(QStringLiteral("Eintrag 2"));
    }
    QToolBar* toolBar = window->addToolBar(QStringLiteral("Werkzeuge"));
    for (const char* caption : {"Neu", "Bearbeiten", "Löschen", "Beenden"})
        toolBar->addAction(QString::fromUtf8(caption));

    auto* central = new QWidget(window.get());
    auto* layout = new QVBoxLayout(central);
    auto* view = new QTreeView(central);
    auto* model = new QStandardItemModel(0, 6, view);
    view->setModel(model);
    layout->addWidget(view, 1);
    auto* fields = new QFormLayout;
    for (int field = 1; field <= 5; ++field)
        fields->addRow(QStringLiteral("Feld %1:").arg(field), new QLineEdit(central));
    layout->addLayout(fields);
    window->setCentralWidget(central);
    window->statusBar()->showMessage(QStringLiteral("0 Einträge"));
    window->resize(736, 580);
    return window;
}

} // namespace moravel::bench
