#pragma once

#include <optional>

namespace moravel::planner {

// What the planner does without a window: `--export FILE`, `--import FILE` ("-" for standard
// output or input), `--sync` (one sync with the calendar server) and `--help`. The summary goes to standard output (to standard error when
// the calendar itself does), a German message to standard error on failure.
// None when the arguments ask for the window; else the exit status, after the work is done.
std::optional<int> runCommandLine(int argc, char** argv);

} // namespace moravel::planner
