#pragma once
#include <functional>
#include <string>
#include <vector>

namespace app {

// The program's entry: starts the runtime, builds the class records, runs the
// start-up road (exception helper, early start-up with the application object
// and its menu bar, the hand-over of the late start-up that opens the main
// window) and the event loop until the application quits, releases the
// module's singletons and ends the runtime. Returns the runtime's exit status.
// An exception escaping the road (the late start-up included) or the event
// loop goes to the runtime's report of unhandled exceptions, after which the
// end runs as usual and the exit status is not 0. When the late start-up
// leaves no window open, the program ends. Runs on
// the main thread; may run again in the same process once it has returned.
int RunProgram(int argc, char** argv);

// The names of the road's steps in the order the last (or current) run took
// them, e.g. "RuntimeInit", "record snapHarbor", "_NewAppInstance",
// "_RuntimeRun", "_LateStartup", "% finalize", "RuntimeExit". Emptied when
// RunProgram starts. Never fails.
const std::vector<std::string>& StartupTrace();

// Called with each step's name just before the step runs (empty: none). An
// exception it raises acts as one raised by that step. For tests.
void SetStartupObserver(std::function<void(const std::string& step)> observer);

}  // namespace app
