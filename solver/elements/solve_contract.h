// What every solve of K x = b promises, whichever back end runs it: the outcomes, the stopping
// measure and its tolerance, the refusals and the progress lines users read. Back ends print
// through these functions only, so the texts and the measure exist once.
#pragma once

#include <vector>

// How a solve ended.
enum cg_outcome {
    cg_not_converged = 0, // the iteration limit was reached; x is the last iterate
    cg_converged = 1,     // the scaled residual fell below solve_tolerance
    cg_refused = 2,       // no scale factor (a free row without a positive diagonal) or b = 0
    cg_breakdown = 3,     // the matrix is not positive definite (d.Ad <= 0, a failed pivot)
};

// What a solve reports besides its return value.
struct cg_report {
    long long iterations = 0; // iterations run
    int outcome = cg_converged;
};

// A solve has converged when its scaled residual is below this (dimensionless).
inline constexpr double solve_tolerance = 1e-5;

// The stopping measure: max_i |r_i / s_i| / max_i |b_i / s_i| over the free equations,
// s_i = sqrt(K_ii) (1 where the diagonal is not positive), r = b - K x.
double scaled_residual(const double *r, const double *b, const double *diagonal, const int *fixed,
                       int n);

// The rows a solve can take: every load is a finite number; every free row has a positive
// diagonal, or stores nothing (empty[i]) and carries no load; and b is not zero. Otherwise the
// refusal is printed and cg_refused returned (cg_converged when the system can be solved).
// diagonal: K_ii, 0 where the row stores none.
int refuse_unsolvable(const int *fixed, const double *diagonal, const std::vector<char> &empty,
                      const double *b, int n);

// The lines of a solve: progress "\n damx/force = %f nc =%d\n"; a free row without a scale
// factor; a load that is not a finite number; a zero right-hand side; the iteration limit
// reached.
void print_solve_line(double scaled_residual, long long iterations);
void print_refused_equation(int equation);
void print_load_not_finite(int equation);
void print_zero_load();
void print_not_converged(double scaled_residual, long long iterations);
