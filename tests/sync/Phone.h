#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

// A third machine on a calendar: vdirsyncer syncs it with a folder of .ics files (a vdir), in
// which events are made, changed and deleted as a phone's calendar would, and khal reads that
// folder as its calendar.
class Phone {
public:
    explicit Phone(const QString& calendarUrl);

    // One vdirsyncer run, deleting there what was deleted here even when it was all; false when
    // it failed.
    bool sync();
    // The event file of this name in the folder, written anew or removed.
    void put(const QString& name, const QByteArray& ics);
    void remove(const QString& name);
    // Every event file's text in the folder, by name order.
    QList<QByteArray> files() const;
    // khal's lines for `days` days from the day ("2026-12-07"): "date start-end title location".
    QStringList khalList(const QString& from, int days) const;

private:
    QString run(const QString& program, const QStringList& arguments, bool* ok = nullptr) const;

    QTemporaryDir m_dir;
    bool m_discovered = false;
};
