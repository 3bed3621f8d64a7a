#pragma once

#include <QString>

namespace moravel::planner {

// A file the planner ships beside its programs: in the program directory, as the build leaves it,
// or in the installation's shared directory (PREFIX/share/moravel for programs in PREFIX/bin),
// as an installation or a package puts it. Empty when neither holds the file.
QString installedFile(const QString& programDirectory, const QString& name);

} // namespace moravel::planner
