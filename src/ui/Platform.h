#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QApplication;
class QWidget;

// Small platform services of both programs. Those a test must control (starting programs,
// opening addresses, the beep) sit behind an interface with a replaceable instance.
namespace moravel::ui {

class Platform {
public:
    virtual ~Platform() = default;

    // Starts a program without waiting for it; false when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments = {});
    // Hands a file or web address to the desktop to open.
    virtual bool openUrl(const QString& address);
    // The plain beep is the X bell.
    virtual void beep();

    static Platform& instance();
    // Installs a replacement (a program's own services, tests); nullptr restores the plain one. The caller
    // keeps ownership.
    static void setInstance(Platform* platform);
};

// Keeps a window above all ordinary windows without moving or resizing it.
void stayOnTop(QWidget* window);

// Twips to device-independent pixels and back, by the screen's logical dpi (15 twips a pixel at 96 dpi).
double twipsPerPixel(const QWidget* widget = nullptr);
int toPixels(double twips, const QWidget* widget = nullptr);
double toTwips(int pixels, const QWidget* widget = nullptr);
// Sets a widget's geometry in its parent from a rectangle in twips.
void place(QWidget* widget, double left, double top, double width, double height);

// A stored colour value 0x00BBGGRR; a negative value names a system colour
// (-2147483633, the button face, gives the palette's button colour).
QColor colorFromValue(qint64 value);
qint64 valueFromColor(const QColor& color);

// Qt's own dialogs and buttons in German.
void installGermanTranslations(QApplication& application);

} // namespace moravel::ui
