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
    std::array<const QString*, 11> textFields() const { return fieldsOf<const QString>(*this); }
    std::array<QString*, 11> textFields() { return fieldsOf<QString>(*this); }

    bool operator==(const Appointment&) const = default;

private:
    // One list for both: pointers to const fields for a const row.
    template <typename Field, typename Row> static std::array<Field*, 11> fieldsOf(Row& row) {
        return {&row.TerminDatum,
                &row.TerminUhrzeit,
                &row.TerminDatumUhrzeit,
                &row.Betreff,
                &row.Bemerkungen,
                &row.Wiederholung,
                &row.VorTage,
                &row.VorMinuten,
                &row.sysGesperrt,
                &row.ZuletztGeoeffnetAm,
                &row.TerminDatumUhrzeitMeldung};
    }
};

} // namespace moravel
