#pragma once

#include <functional>

namespace moravel {

// Runs work on a thread of its own and returns once it is done. Meanwhile the calling thread
// goes on with its events, all but the user's input: its windows keep drawing and its timers
// run, and nothing the user does can start another command halfway through this one. The work
// must use objects of its own (a database connection of its own, say).
void runAside(const std::function<void()>& work);

} // namespace moravel
