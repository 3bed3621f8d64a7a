#include "InstalledFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using moravel::planner::installedFile;

namespace {

enum class Place { Nowhere, Beside, Shared };

struct Layout {
    const char* name;
    bool besideProgram;     // PREFIX/bin/Moravel.html, as the build leaves it
    bool besideIsDirectory; // something of that name, but no file
    bool inSharedDirectory; // PREFIX/share/moravel/Moravel.html, as an installation puts it
    Place found;
};

const Layout kLayouts[] = {
    {"build tree", true, false, false, Place::Beside},
    {"installed", false, false, true, Place::Shared},
    {"both: the build's own copy wins", true, false, true, Place::Beside},
    {"neither", false, false, false, Place::Nowhere},
    {"a directory of that name beside the program", false, true, true, Place::Shared},
};

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

} // namespace

TEST(InstalledFileTest, FindsTheFileWhereTheBuildOrTheInstallationPutsIt) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        QTemporaryDir prefix;
        ASSERT_TRUE(prefix.isValid());
        const QString bin = prefix.path() + QStringLiteral("/bin");
        const QString shared = prefix.path() + QStringLiteral("/share/moravel");
        ASSERT_TRUE(QDir().mkpath(bin));
        ASSERT_TRUE(QDir().mkpath(shared));
        const QString name = QStringLiteral("Moravel.html");
        if (layout.besideProgram)
            touch(bin + QLatin1Char('/') + name);
        if (layout.besideIsDirectory) {
            ASSERT_TRUE(QDir().mkpath(bin + QLatin1Char('/') + name));
        }
        if (layout.inSharedDirectory)
            touch(shared + QLatin1Char('/') + name);

        const QString expected = layout.found == Place::Beside   ? bin + QLatin1Char('/') + name
                                 : layout.found == Place::Shared ? shared + QLatin1Char('/') + name
                                                                 : QString();
        EXPECT_EQ(installedFile(bin, name).toStdString(), expected.toStdString());
    }
}
