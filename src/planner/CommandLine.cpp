#include "CommandLine.h"

#include "Compaction.h"
#include "DataLocation.h"
#include "StoreExchange.h"
#include "SyncRunner.h"
#include "TerminStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace moravel::planner {

namespace {

enum Status { kDone = 0, kFailed = 1, kUsage = 2 };

const char* const kHelp = "Aufruf: Moravel [Option]\n"
                          "Ohne Option startet der Terminplaner.\n"
                          "\n"
                          "  --export DATEI   alle Termine als iCalendar-Datei (RFC 5545) schreiben;\n"
                          "                   - schreibt sie auf die Standardausgabe\n"
                          "  --import DATEI   die Termine einer iCalendar-Datei übernehmen; schon\n"
                          "                   vorhandene bleiben aus; - liest die Standardeingabe\n"
                          "  --sync           einmal mit dem eingestellten CalDAV-Kalender abgleichen\n"
                          "  --help           diese Hilfe zeigen\n";

void print(FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

int fail(const QString& text) {
    print(stderr, text);
    return kFailed;
}

struct Request {
    QString option; // "--export", "--import" or "--help"
    QString file;
};

// The one option of the command line; an error text when it is none the planner knows.
std::optional<Request> parse(const QStringList& arguments, QString& error) {
    if (arguments.size() < 2)
        return std::nullopt;
    QString option = arguments.at(1);
    QString file;
    if (const qsizetype equals = option.indexOf(QLatin1Char('=')); equals > 0) {
        file = option.mid(equals + 1);
        option.truncate(equals);
    } else if (arguments.size() > 2) {
        file = arguments.at(2);
    }
    const bool takesFile = option == QLatin1String("--export") || option == QLatin1String("--import");
    if (option == QLatin1String("--help") || option == QLatin1String("-h"))
        return Request{QStringLiteral("--help"), {}};
    if (option == QLatin1String("--sync"))
        return Request{option, {}};
    if (!takesFile) {
        error = QStringLiteral("Unbekannte Option: %1\n(Moravel --help zeigt die Optionen.)").arg(option);
        return Request{};
    }
    if (file.isEmpty()) {
        error = QStringLiteral("%1 braucht den Namen einer Datei (oder - ).").arg(option);
        return Request{};
    }
    return Request{option, file};
}

std::unique_ptr<TerminStore> openStore(QString& error) {
    QString reason;
    std::unique_ptr<TerminStore> store = TerminStore::open(location::databasePath(), nullptr, &reason);
    if (!store)
        error = QStringLiteral("Die Termindatenbank %1 kann nicht geöffnet werden. %2")
                    .arg(location::databasePath(), reason);
    return store;
}

int exportTo(const QString& path) {
    QString error;
    const std::unique_ptr<TerminStore> store = openStore(error);
    if (!store)
        return fail(error);
    const ical::StoreExport exported = ical::exportStore(*store, ical::localContext());
    if (!exported.ok())
        return fail(exported.error);
    if (path == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(exported.text) != exported.text.size() ||
            !out.flush())
            return fail(QStringLiteral("Die Termine konnten nicht ausgegeben werden."));
        print(stderr, exported.summary);
        return kDone;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(exported.text) != exported.text.size() ||
        !file.commit())
        return fail(
            QStringLiteral("Die Datei %1 konnte nicht geschrieben werden: %2").arg(path, file.errorString()));
    print(stdout, exported.summary);
    return kDone;
}

int importFrom(const QString& path) {
    QFile file;
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened)
        return fail(QStringLiteral("Die Datei %1 lässt sich nicht lesen: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    QString error;
    const std::unique_ptr<TerminStore> store = openStore(error);
    if (!store)
        return fail(error);
    const ical::StoreImport imported = ical::importIntoStore(*store, bytes, ical::localContext());
    if (!imported.ok())
        return fail(QStringLiteral("Nichts übernommen: %1").arg(imported.error));
    print(stdout, imported.summary);
    return kDone;
}

int syncOnce() {
    sync::SyncRunner runner;
    int status = kFailed;
    QObject::connect(&runner, &sync::SyncRunner::finished, [&status](const sync::SyncOutcome& outcome) {
        print(outcome.ok ? stdout : stderr, outcome.summary);
        status = outcome.ok ? kDone : kFailed;
        QCoreApplication::quit();
    });
    runner.run();
    if (runner.isRunning())
        QCoreApplication::exec();
    return status;
}

} // namespace

std::optional<int> runCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    const std::optional<Request> request = parse(arguments, error);
    if (!request)
        return std::nullopt;
    if (!error.isEmpty()) {
        print(stderr, error);
        return kUsage;
    }
    if (request->option == QLatin1String("--help")) {
        std::fputs(kHelp, stdout);
        return kDone;
    }
    // No window: a core application is enough, and needs no display.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Moravel"));
    QCoreApplication::setOrganizationName(QStringLiteral("BriskoMoravel"));
    QString copyKept;
    if (Compaction::restoreMissing(location::dataDirectory(), &copyKept) == Compaction::Result::CopyKept)
        print(stderr, copyKept);
    if (request->option == QLatin1String("--sync"))
        return syncOnce();
    return request->option == QLatin1String("--export") ? exportTo(request->file) : importFrom(request->file);
}

} // namespace moravel::planner
