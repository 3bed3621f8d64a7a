#pragma once

#include <QString>

#include <array>

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
    QString ZuletztGeoeffnetAm;
    QString TerminDatumUhrzeitMeldung;

    // The text fields in the table's column order (every column after ID).
    std::array<const QString*, 11> textFields() const {
        return {&TerminDatum,
                &TerminUhrzeit,
                &TerminDatumUhrzeit,
                &Betreff,
                &Bemerkungen,
                &Wiederholung,
                &VorTage,
                &VorMinuten,
                &sysGesperrt,
                &ZuletztGeoeffnetAm,
                &TerminDatumUhrzeitMeldung};
    }
    std::array<QString*, 11> textFields() {
        return {&TerminDatum,
                &TerminUhrzeit,
                &TerminDatumUhrzeit,
                &Betreff,
                &Bemerkungen,
                &Wiederholung,
                &VorTage,
                &VorMinuten,
                &sysGesperrt,
                &ZuletztGeoeffnetAm,
                &TerminDatumUhrzeitMeldung};
    }

    bool operator==(const Appointment&) const = default;
};

} // namespace moravel
