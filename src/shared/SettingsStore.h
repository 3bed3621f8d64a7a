#pragma once

#include <QString>

// The per-user settings both programs share: an INI file under the application name
// "BriskoMoravel" with the sections "Termin", "Wardol" and "Setting". Every value is text.
namespace moravel::settings {

inline const QString kSectionTermin = QStringLiteral("Termin");
inline const QString kSectionWardol = QStringLiteral("Wardol");
inline const QString kSectionSetting = QStringLiteral("Setting");

// $XDG_CONFIG_HOME/BriskoMoravel/BriskoMoravel.ini (~/.config when unset).
QString filePath();

// The stored text, or the default when there is none. Section and key match
// without regard to letter case. Every call reads the file anew, so a value the
// other program wrote a moment ago is seen.
QString read(const QString& section, const QString& key, const QString& defaultValue = QString());

// Creates or replaces the entry, keeping the spelling under which it was first written.
// The file is replaced atomically. Returns false when the file could not be written.
bool write(const QString& section, const QString& key, const QString& value);

} // namespace moravel::settings
