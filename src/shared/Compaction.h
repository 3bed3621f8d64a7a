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
        Restored,   // the database was missing and an orphaned dBcard2.mdb was renamed back
        InUse,      // another program has the database open: nothing done
        NoDatabase, // nothing to compact
        Failed      // the database is left as it was
    };

    // Steps at which a test can make compaction fail.
    enum class Step { None, Copy, Check, Rename };

    static inline const QString kCopyFile = QStringLiteral("dBcard2.mdb");

    static Result DatenbankKomprimieren(const QString& directory, Step failAt = Step::None);
};

} // namespace moravel
