#pragma once

#include "Appointment.h"
#include "Clock.h"

#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace moravel::test {

// A private settings home, data directory and clock for one test. Restores the
// process-wide state (clock, decimal separator, environment) when it goes.
class TestEnvironment {
public:
    explicit TestEnvironment(const QDateTime& now = QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    ~TestEnvironment();

    QString dataDir() const;
    QString configDir() const;
    QString databasePath() const;
    QString settingsPath() const;
    ManualClock& clock() { return *m_clock; }

private:
    QTemporaryDir m_root;
    std::unique_ptr<ManualClock> m_clock;
};

// Every text field of a row joined in column order: what two tables must agree on, ID aside.
QString joinedFields(const Appointment& row);

// Reads a whole file; empty when missing.
QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

} // namespace moravel::test
