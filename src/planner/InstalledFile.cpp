#include "InstalledFile.h"

#include <QDir>
#include <QFileInfo>

namespace moravel::planner {

QString installedFile(const QString& programDirectory, const QString& name) {
    // The build sets the path from the bin to the shared directory after its install rules, so the
    // lookup follows any prefix the programs are installed under.
    const QString candidates[] = {
        programDirectory + QLatin1Char('/') + name,
        QDir::cleanPath(programDirectory + QStringLiteral("/" MORAVEL_SHARE_FROM_BIN "/") + name),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

} // namespace moravel::planner
