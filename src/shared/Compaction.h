#pragma once

#include <QString>

namespace moravel {

// Compacts dBTermin.mdb in its directory through the copy dBcard2.mdb. The copy is checked and
// then renamed over the database in one step, so the database is never missing or partly
// written. Any failure ends compaction silently with the database as it was.
class Compaction {
public:
    enum class Result {
        Compacted,
        NotNeeded,  // no page to give back: the file was left as it was
        Restored,   // the database was missing and an orphaned dBcard2.mdb was renamed back
        InUse,      // another program has the database open: nothing done
        NoDatabase, // nothing to compact
        Failed      // the database is left as it was
    };

    // Which files are worth the copy. Deleting rows leaves pages that no row uses; those are
    // what compaction gives back. A table that only grew has none, and copying it cost most of
    // a long table's start-up.
    enum class Need { Always, FreePages };

    // Steps at which a test can make compaction fail.
    enum class Step { None, Copy, Check, Rename };

    static inline const QString kCopyFile = QStringLiteral("dBcard2.mdb");

    // Restoring an orphaned copy and removing leftover copies happen whatever `need` says.
    static Result DatenbankKomprimieren(const QString& directory, Need need = Need::Always,
                                        Step failAt = Step::None);
};

} // namespace moravel
