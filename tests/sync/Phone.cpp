#include "Phone.h"

#include "DavServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

Phone::Phone(const QString& calendarUrl) {
    QDir(m_dir.path()).mkpath(QStringLiteral("vdir"));
    QDir(m_dir.path()).mkpath(QStringLiteral("status"));
    write(m_dir.filePath("vdirsyncer.conf"),
          QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n\n"
                         "[pair telefon]\na = \"telefon_lokal\"\nb = \"telefon_server\"\ncollections = null\n"
                         "conflict_resolution = \"b wins\"\n\n"
                         "[storage telefon_lokal]\ntype = \"filesystem\"\npath = \"%1/vdir/\"\n"
                         "fileext = \".ics\"\n\n"
                         "[storage telefon_server]\ntype = \"caldav\"\nurl = \"%2\"\n"
                         "username = \"%3\"\npassword = \"%4\"\n")
              .arg(m_dir.path(), calendarUrl, kDavUser, kDavPassword)
              .toUtf8());
    write(m_dir.filePath("khal.conf"),
          QStringLiteral("[calendars]\n[[telefon]]\npath = %1/vdir/\ntype = calendar\n"
                         "[sqlite]\npath = %1/khal.db\n"
                         "[locale]\nlocal_timezone = Europe/Berlin\ndefault_timezone = Europe/Berlin\n"
                         "timeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
                         "datetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat = %Y-%m-%d %H:%M\n")
              .arg(m_dir.path())
              .toUtf8());
}

QString Phone::run(const QString& program, const QStringList& arguments, bool* ok) const {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    const bool succeeded =
        finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (ok)
        *ok = succeeded;
    EXPECT_TRUE(succeeded) << program.toStdString() << ' ' << arguments.join(' ').toStdString() << ": "
                           << errors.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool Phone::sync() {
    const QStringList config = {QStringLiteral("-c"), m_dir.filePath("vdirsyncer.conf")};
    bool ok = true;
    if (!m_discovered) {
        run(QStringLiteral("/usr/bin/vdirsyncer"), config + QStringList{QStringLiteral("discover")}, &ok);
        m_discovered = ok;
    }
    if (ok)
        run(QStringLiteral("/usr/bin/vdirsyncer"),
            config + QStringList{QStringLiteral("sync"), QStringLiteral("--force-delete")}, &ok);
    return ok;
}

void Phone::put(const QString& name, const QByteArray& ics) {
    write(m_dir.filePath("vdir/" + name), ics);
}

void Phone::remove(const QString& name) {
    EXPECT_TRUE(QFile::remove(m_dir.filePath("vdir/" + name)));
}

QList<QByteArray> Phone::files() const {
    QList<QByteArray> all;
    const QDir vdir(m_dir.filePath("vdir"));
    for (const QString& name : vdir.entryList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name)) {
        QFile file(vdir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            all << file.readAll();
    }
    return all;
}

QStringList Phone::khalList(const QString& from, int days) const {
    const QString out =
        run(QStringLiteral("/usr/bin/khal"),
            {QStringLiteral("-c"), m_dir.filePath("khal.conf"), QStringLiteral("list"),
             QStringLiteral("--format"),
             QStringLiteral("{start-date} {start-time}-{end-time} {title} {location}"),
             QStringLiteral("--day-format"), QString(), from, QStringLiteral("%1d").arg(days)});
    return out.split('\n', Qt::SkipEmptyParts);
}
