// Jacobi-scaled conjugate-gradient solver on the row-slot matrix, and the Euclidean norm.
#pragma once

#include "model.h"
#include "solve_contract.h"

// Solves A x = b over the free equations (fixed[i] == 0) by CG on the Jacobi-
// scaled system S A S y = S b, x = S y, S = diag(1 / sqrt(a_ii)); fixed entries of
// x keep their value. Returns 1 when max_i |r_i / s_i| / max_i |b_i / s_i| (the
// scaled residual, s_i = sqrt(a_ii)) fell below solve_tolerance (the limit is 9 nn iterations), 0
// otherwise (not converged, or a guarded breakdown, reported on standard output). On return A and b
// hold their input values again. report, when given, receives the iteration count and the outcome.
int cg_solve(row_slot_matrix &a, double *x, double *b, const int *fixed,
             cg_report *report = nullptr);

// sqrt(sum v_i^2)
double vector_norm(const double *v, int n);
