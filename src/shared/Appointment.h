#pragma once

#include <QString>

namespace moravel {

// One row of tblTermin. Every field is kept as the text the table holds
// (NULL reads as empty text); only ID is a number, assigned by the database.
struct Appointment {
    qint64 ID = 0;
    QString TerminDatum;
    QString TerminUhrzeit;
    QString TerminDatumUhrzeit;
    QString Betreff;
    QString Bemerkungen;
    QString Wiederholung;
    QString VorTage;
    QString VorMinuten;
    QString sysGesperrt;
    QString ZuletztGeöffnetAm;
    QString TerminDatumUhrzeitMeldung;

    bool operator==(const Appointment&) const = default;
};

} // namespace moravel
