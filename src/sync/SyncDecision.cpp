#include "SyncDecision.h"

namespace moravel::sync {

Action decide(Local local, Server server, bool same) {
    const bool serverHasIt =
        server == Server::New || server == Server::Unchanged || server == Server::Changed;
    const bool changedThere = server == Server::New || server == Server::Changed;
    switch (local) {
    case Local::None:
        return changedThere                ? Action::TakeServer
               : server == Server::Deleted ? Action::Forget
                                           : Action::Nothing;
    case Local::New:
    case Local::Changed:
        if (changedThere)
            return same ? Action::Record : Action::Conflict;
        if (server == Server::Deleted)
            return Action::UploadAgain;
        return Action::Upload;
    case Local::Unchanged:
        if (changedThere)
            return Action::TakeServer;
        return serverHasIt ? Action::Nothing : Action::DeleteHere;
    case Local::Deleted:
        if (changedThere)
            return Action::TakeServer;
        return serverHasIt ? Action::DeleteOnServer : Action::Forget;
    }
    return Action::Nothing;
}

} // namespace moravel::sync
