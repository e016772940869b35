// Command line of corvane: run settings, derived file names, unit factors.
#pragma once

#include "run_state.h"

// Reads the options into run. Returns -1 when the analysis should run, or the
// exit status to end with (usage, no file name, malformed command line), after
// printing the matching message.
int parse_command_line(corvane_run &run, int argc, char **argv);

// Fills f_stress, f_spring and f_weight for unit code 0, 1 or 2; returns 0 for
// any other code (factors left unchanged).
int set_units(corvane_run &run, int code);
