#pragma once
// The program entry: reads the first argument, checks that the settings file and the decoder
// library lie beside the program, sets the process-wide values and starts exactly one mode.

namespace qel::app {

// Runs the program and returns its exit code: 1 when a mode that shows windows found no display
// to show them on, else 0.
int RunProgram(int argc, char** argv);

}  // namespace qel::app
