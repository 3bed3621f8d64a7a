#pragma once

namespace moravel::sync {

// A chain's state on this machine since the last sync.
enum class Local {
    None,      // no live row and nothing synced
    New,       // a live row never synced
    Unchanged, // the synced content, at that day or one the renewal reached from it
    Changed,
    Deleted, // synced once, its live row gone since
};

// Its resource on the server since the last sync.
enum class Server {
    None,      // not there and never was for us
    New,       // there, never synced here
    Unchanged, // the ETag synced last
    Changed,
    Deleted, // synced once, gone since
};

enum class Action {
    Nothing,
    Upload,      // send the live row: a new resource, or over the version synced last
    UploadAgain, // the server deleted what was changed here: sent as a new resource
    DeleteOnServer,
    TakeServer, // the server's version replaces or becomes the live row
    Conflict,   // the server's version wins, the local one stays as a new appointment
    DeleteHere, // the live row goes
    Record,     // both say the same: only the record is brought up to date
    Forget,     // gone on both sides: the record goes
};

// What a sync does with one chain. `same` tells whether both sides' versions are the same
// appointment (asked only where both have one).
Action decide(Local local, Server server, bool same);

} // namespace moravel::sync
