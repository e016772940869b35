// The per-material stress file of a case (--material-stresses): nodal means over the solid
// elements of each material alone, beside the result file.
#pragma once

#include "recovery.h"
#include "run_state.h"

// Writes the per-material nodal means t of case c (filled by recover_stresses) to BASE.mst
// (BASEcc.mst in case mode) under a temporary name; sets run.write_failed when it cannot be
// written. in_equilibrium says whether the case reached equilibrium.
void write_material_stresses(corvane_run &run, int c, bool in_equilibrium, const material_nodal &t);
