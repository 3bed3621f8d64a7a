#include "Platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QProcess>
#include <QScreen>
#include <QTranslator>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace moravel::ui {

namespace {
Platform* g_platform = nullptr;
constexpr double kTwipsPerInch = 1440.0;
} // namespace

bool Platform::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

bool Platform::openUrl(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address);
    return url.isValid() && QDesktopServices::openUrl(url);
}

void Platform::beep() {
    QApplication::beep();
}

Platform& Platform::instance() {
    static Platform real;
    return g_platform ? *g_platform : real;
}

void Platform::setInstance(Platform* platform) {
    g_platform = platform;
}

void stayOnTop(QWidget* window) {
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    if (visible)
        window->show(); // changing the flags hides a shown window
}

double twipsPerPixel(const QWidget* widget) {
    const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return kTwipsPerInch / (dpi > 0 ? dpi : 96.0);
}

int toPixels(double twips, const QWidget* widget) {
    // Far beyond any screen, but rounded without overflow whatever a stored value says.
    constexpr double kLimit = 1e7;
    const double pixels = twips / twipsPerPixel(widget);
    return std::isnan(pixels) ? 0 : qRound(std::clamp(pixels, -kLimit, kLimit));
}

double toTwips(int pixels, const QWidget* widget) {
    return pixels * twipsPerPixel(widget);
}

void place(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(toPixels(left, widget), toPixels(top, widget), toPixels(width, widget),
                        toPixels(height, widget));
}

QColor colorFromValue(qint64 value) {
    if (value < 0) {
        const int index = static_cast<int>(value & 0xFF);
        const QPalette palette = QApplication::palette();
        switch (index) {
        case 15: // button face
            return palette.color(QPalette::Button);
        case 18: // button text
            return palette.color(QPalette::ButtonText);
        case 5: // window background
            return palette.color(QPalette::Window);
        case 8: // window text
            return palette.color(QPalette::WindowText);
        default:
            return palette.color(QPalette::Button);
        }
    }
    const auto bgr = static_cast<quint32>(value & 0xFFFFFF);
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

qint64 valueFromColor(const QColor& color) {
    return color.red() + 256 * color.green() + 65536 * color.blue();
}

void installGermanTranslations(QApplication& application) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString path = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_de", "qt_de"}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(QString::fromLatin1(name), path))
            application.installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace moravel::ui
