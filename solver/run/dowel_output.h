// Per-case dowel end forces (dowel result file) and the appended line of dowel maxima.
#pragma once

#include "run_state.h"

// Writes dowel_result_file and appends to dowel_max_file; does nothing without dowels.
// In case mode, case c also gets BASEcc.dwo and a copy of the dowel input, BASEcc.dwi.
void out_results_dowel(corvane_run &run, int c);
