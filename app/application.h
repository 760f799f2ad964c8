// The program's start sequence, message loop and exit routine.
#pragma once

namespace qf {

// Runs the whole program on the calling thread, which becomes the window
// thread; returns the exit code, 0.
int RunApplication(int argc, char** argv);

}  // namespace qf
