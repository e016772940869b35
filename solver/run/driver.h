// The incremental-iterative analysis driver: reading, cases, increments, iterations, writers.
#pragma once

#include "run_state.h"

// The body of a run; returns the exit status (see corvane_status).
int run_analysis(corvane_run &run);

// First loading phase: f_ext applied in n_inc increments from acm_load 0 to 1,
// failed increments withdrawn once and repeated as n_sub sub-increments.
void first_phase(corvane_run &run);

// Second loading phase on top of the first phase's displacements.
void second_phase(corvane_run &run);
