// Renders the planner's SVG pictures to PNG files when the program is built, each at its own
// size and at twice that size: the main window then reads no SVG while it starts.
//
//   moravel_render_pictures OUTPUT_DIRECTORY PICTURE.svg ...
//
// Writes NAME.png and NAME@2x.png for each picture; exits with 1 when one cannot be read or written.
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: moravel_render_pictures OUTPUT_DIRECTORY PICTURE.svg ...\n");
        return 1;
    }
    const QString output = arguments.at(1);
    for (const QString& source : arguments.mid(2)) {
        const QString name = QFileInfo(source).completeBaseName();
        for (const int scale : {1, 2}) {
            // The SVG reader of Qt's image plugins, as the program itself used at run time.
            QImageReader reader(source);
            const QSize size = reader.size();
            reader.setScaledSize(size * scale);
            const QImage image = reader.read();
            if (!size.isValid() || image.isNull()) {
                std::fprintf(stderr, "moravel_render_pictures: %s: %s\n", qPrintable(source),
                             qPrintable(reader.errorString()));
                return 1;
            }
            const QString target =
                output + QLatin1Char('/') + name + (scale == 1 ? QString() : QStringLiteral("@2x")) + ".png";
            if (!image.save(target)) {
                std::fprintf(stderr, "moravel_render_pictures: %s cannot be written\n", qPrintable(target));
                return 1;
            }
        }
    }
    return 0;
}
