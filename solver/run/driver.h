// The incremental-iterative analysis driver: reading, cases, increments, iterations, writers.
#pragma once

#include "run_state.h"

// The body of a run; returns the exit status (see corvane_status).
int run_analysis(corvane_run &run);

// First loading phase of case c: f_ext applied in n_inc increments from
// acm_load 0 to 1, failed increments withdrawn once and repeated as n_sub
// sub-increments. Every increment kept is checked for equilibrium.
void first_phase(corvane_run &run, int c);

// Second loading phase of case c on top of the first phase's displacements
// (f_first holds the first phase's load).
void second_phase(corvane_run &run, int c);
