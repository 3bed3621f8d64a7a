#pragma once

#include <QString>

// The per-user base folders of the desktop both programs follow, in one place.
namespace moravel::folders {

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not an absolute path.
QString configHome();

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not an absolute path.
QString dataHome();

// $XDG_RUNTIME_DIR when it is a folder of the user's own with mode 0700, else a folder of that
// kind under the temporary folder; empty when neither can be had. A folder another user made or
// opened to others is never used, so no one else can place files where the user's programs meet.
QString runtimeDirectory();

} // namespace moravel::folders
