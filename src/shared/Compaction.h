#pragma once

#include <QString>

namespace moravel {

// Compacts dBTermin.mdb in place with SQLite's own VACUUM: a write transaction under SQLite's
// locks and journal that every program using the file sees, so no committed row of any program
// is lost, and the file stays the same file (links, owner, mode, journal mode). A file that the
// other program has open, or that another tool is writing, is left for a later start.
class Compaction {
public:
    enum class Result {
        Compacted,
        NotNeeded,  // no page to give back: the file was left as it was
        Restored,   // the database was missing and the copy dBcard2.mdb an older version left took its place
        CopyKept,   // the database is missing and that copy could not take its place; the reason says why
        InUse,      // the other program has the database open, or another tool writes it: nothing done
        NoDatabase, // nothing to compact
        Failed      // the database is left as it was
    };

    // Which files are worth the rewrite. Deleting rows leaves pages that no row uses; those are
    // what compaction gives back. A table that only grew has none, and rewriting it cost most
    // of a long table's start-up.
    enum class Need { Always, FreePages };

    // The copy an older version compacted through. It is no longer written; one left beside a
    // missing database was the only copy of it.
    static inline const QString kCopyFile = QStringLiteral("dBcard2.mdb");

    // How long compaction waits for another program's write before it gives up for this start.
    static constexpr int kBusyTimeoutMs = 250;

    // Whatever opens the database first calls this: when dBTermin.mdb is missing, a copy an older
    // version left takes its place (Restored) or stays where it is and `reason` says why in German
    // (CopyKept). NotNeeded when the database exists, NoDatabase when there is neither.
    static Result restoreMissing(const QString& directory, QString* reason = nullptr);

    // A copy left by an older version is looked at whatever `need` says. `reason` receives, in
    // German, what the user should be told: why a copy was not taken over.
    static Result DatenbankKomprimieren(const QString& directory, Need need = Need::Always,
                                        QString* reason = nullptr);
};

} // namespace moravel
