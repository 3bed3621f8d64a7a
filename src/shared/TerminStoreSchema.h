#pragma once

// The table and its indexes as the store makes them. Only the store's files include this.

#include <array>
#include <string>

namespace moravel::schema {

inline const char* const kCreateTable = "CREATE TABLE tblTermin ("
                                        " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
                                        " TerminDatum TEXT, TerminUhrzeit TEXT, TerminDatumUhrzeit TEXT,"
                                        " Betreff TEXT, Bemerkungen TEXT, Wiederholung TEXT,"
                                        " VorTage TEXT, VorMinuten TEXT, sysGesperrt TEXT,"
                                        " \"ZuletztGeöffnetAm\" TEXT, TerminDatumUhrzeitMeldung TEXT);";

inline const char* const kFieldNames[] = {
    "ID",         "TerminDatum", "TerminUhrzeit",     "TerminDatumUhrzeit",
    "Betreff",    "Bemerkungen", "Wiederholung",      "VorTage",
    "VorMinuten", "sysGesperrt", "ZuletztGeöffnetAm", "TerminDatumUhrzeitMeldung"};

// Rows the programs wrote themselves: TerminDatum a five-digit day, TerminDatumUhrzeit that day
// as text, alone or followed by a separator and digits. Such a row's moment lies within its day
// (at most its end), and as five-digit days sort as text in the order of their numbers, the sort
// key's index finds the rows of a day and after by text alone. Any other row, whatever the
// reason, is irregular; a partial index keeps the few there are, so that passes read them too.
inline const std::string kRegular =
    "(typeof(TerminDatumUhrzeit) = 'text' AND TerminDatum GLOB '[1-9][0-9][0-9][0-9][0-9]'"
    " AND (TerminDatumUhrzeit = TerminDatum"
    " OR (substr(TerminDatumUhrzeit, 1, 6) IN (TerminDatum || ',', TerminDatum || '.')"
    " AND substr(TerminDatumUhrzeit, 7) NOT GLOB '*[^0-9]*')))";
inline const std::string kIrregular = kRegular + " IS NOT 1";
// Rows that may still be renewed: not stored locked, not stored as once only. A long history
// is mostly locked and one-off rows, which its index leaves out.
inline const std::string kRenewable = "sysGesperrt IS NOT '1' AND Wiederholung IS NOT '0'";

// The tables beside tblTermin, which older programs neither read nor write: an older file gets
// them when it is opened. Their rows name tblTermin's rows by ID, which AUTOINCREMENT never
// gives twice, so a row another program deleted leaves at most an entry no row ever matches.
inline const char* const kSideTables = "CREATE TABLE IF NOT EXISTS tblTerminUID (ID INTEGER PRIMARY KEY,"
                                       " UID TEXT NOT NULL);"
                                       "CREATE INDEX IF NOT EXISTS idxTerminUID ON tblTerminUID(UID);"
                                       "CREATE TABLE IF NOT EXISTS tblTerminAbgleich (UID TEXT PRIMARY KEY,"
                                       " Href TEXT NOT NULL, ETag TEXT, Inhalt TEXT, Anker INTEGER);"
                                       "CREATE TABLE IF NOT EXISTS tblTerminAbgleichStand (Schluessel TEXT"
                                       " PRIMARY KEY, Wert TEXT);"
                                       "CREATE TABLE IF NOT EXISTS tblTerminFremd (UID TEXT PRIMARY KEY,"
                                       " Komponente TEXT NOT NULL, Anker INTEGER, Einmalig INTEGER);";
// What kSideTables makes, by name: a file that has them all is opened without a statement for each.
inline const char* const kSideTablesPresent =
    "SELECT count(*) = 5 FROM sqlite_schema WHERE name IN ('tblTerminUID', 'idxTerminUID',"
    " 'tblTerminAbgleich', 'tblTerminAbgleichStand', 'tblTerminFremd')";

// The file's layout, kept as PRAGMA user_version: 0 in a file of an older program, which has
// tblTermin and may lack the rest; 1 with the side tables and indexes below. Older programs
// neither read nor change it, so they go on working with a file of any layout. A file of a later
// layout is read but never written: a write could break what the later program relies on.
inline constexpr int kVersion = 1;

// The indexes every file gets when it is opened, whatever its age and origin, as SQLite keeps
// their statements. One whose statement differs is made again, so that a changed condition
// reaches older files; a query uses a partial index only when it repeats its condition.
struct Index {
    const char* name;
    std::string definition;
};
inline const std::array<Index, 3> kIndexes = {
    Index{"idxTerminDatumUhrzeit", "CREATE INDEX idxTerminDatumUhrzeit ON tblTermin(TerminDatumUhrzeit)"},
    Index{"idxErneuerbar", "CREATE INDEX idxErneuerbar ON tblTermin(TerminDatumUhrzeit) WHERE " + kRenewable},
    Index{"idxUnregelmaessig",
          "CREATE INDEX idxUnregelmaessig ON tblTermin(TerminDatumUhrzeit) WHERE " + kIrregular}};

} // namespace moravel::schema
