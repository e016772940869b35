// Jacobi-scaled conjugate-gradient solver on the row-slot matrix, and the Euclidean norm.
#pragma once

#include "model.h"

// Solves A x = b over the free equations (fixed[i] == 0); fixed entries of x
// keep their value. Returns 1 when max|r| / max|b| fell below 1e-5, 0
// otherwise (not converged, or a guarded breakdown, reported on standard
// output). On return A and b hold their input values again. iterations, when
// given, receives the number of iterations run.
int cg_solve(row_slot_matrix &a, double *x, double *b, const int *fixed,
             long long *iterations = nullptr);

// sqrt(sum v_i^2)
double vector_norm(const double *v, int n);
