#pragma once

namespace app {

// The program's entry: runs start-up, the event loop and the end; returns the exit status.
int RunProgram(int argc, char** argv);

}  // namespace app
