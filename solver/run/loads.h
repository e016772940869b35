// External load vectors: face tractions, self weight, temperature, second-phase load.
#pragma once

#include "run_state.h"

// f_ext from the loaded faces, the self weight and the temperature profiles of
// the solid elements. Failed Jacobians print "\n Error Element No. = %5d" and
// add 1 to err_count.
void build_f_ext(corvane_run &run);

// f_ext = sum over solids of s * K_e u_e at the current displacements.
void build_phase2_load(corvane_run &run);
