#pragma once

#include <QString>

// The monitor's start at logon, kept as a per-user desktop autostart entry: the file
// $XDG_CONFIG_HOME/autostart/<name>.desktop (~/.config when unset). No administrator rights
// are needed, so a plain user can switch it.
namespace moravel::monitor::modRegistry {

// The entry under which the monitor registers itself.
inline const QString kEintragName = QStringLiteral("Brisko_Wardolin");

QString eintragPfad(const QString& name);

// Removes the entry; a missing entry is fine. Failures are not reported: the caller asks
// eintragVorhanden() for what really is there.
void EintragLoeschen(const QString& name);
// Writes the entry that starts the given program, replacing the file atomically.
void EintragSetzen(const QString& name, const QString& programm);
bool eintragVorhanden(const QString& name);

// The program as one argument of a desktop entry's Exec line, quoted and escaped where needed.
QString execArgument(const QString& programm);

} // namespace moravel::monitor::modRegistry
