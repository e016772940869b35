// Jacobi-scaled conjugate-gradient solver on the row-slot matrix, and the Euclidean norm.
#pragma once

#include "model.h"

// How a solve ended.
enum cg_outcome {
    cg_not_converged = 0, // the iteration limit 9 nn was reached; x is the last iterate
    cg_converged = 1,     // max|r| / max|b| fell below 1e-5
    cg_refused = 2,       // no scale factor (a free row without a positive diagonal) or b = 0
    cg_breakdown = 3,     // d.Ad <= 0 or not finite: the matrix is not positive definite
};

// What a solve reports besides its return value.
struct cg_report {
    long long iterations = 0; // iterations run
    int outcome = cg_converged;
};

// Solves A x = b over the free equations (fixed[i] == 0) by CG on the Jacobi-
// scaled system S A S y = S b, x = S y, S = diag(1 / sqrt(a_ii)); fixed entries of
// x keep their value. Returns 1 when max_i |r_i / s_i| / max_i |b_i / s_i| (the
// scaled residual, s_i = sqrt(a_ii)) fell below 1e-5, 0 otherwise (not
// converged, or a guarded breakdown, reported on standard output). On return A and b hold their
// input values again. report, when given, receives the iteration count and the outcome.
int cg_solve(row_slot_matrix &a, double *x, double *b, const int *fixed,
             cg_report *report = nullptr);

// sqrt(sum v_i^2)
double vector_norm(const double *v, int n);
