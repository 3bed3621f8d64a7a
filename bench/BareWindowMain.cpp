// The bare Qt window as a program of its own, for the whole-program start-up runs beside the
// planner: started the same way, it shows its window and waits.
#include "BareWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::unique_ptr<QMainWindow> window = moravel::bench::bareWindow();
    window->show();
    return QApplication::exec();
}
