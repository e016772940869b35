// The solves' shared contract: stopping measure, refusals and progress lines.
#include "solve_contract.h"

#include <cmath>
#include <cstdio>

double scaled_residual(const double *r, const double *b, const double *diagonal, const int *fixed,
                       int n)
{
    double rmax = 0.0, bmax = 0.0;
    for (int i = 0; i < n; ++i) {
        if (fixed[i]) continue;
        const double s = diagonal[i] > 0.0 ? std::sqrt(diagonal[i]) : 1.0;
        // not fmax: a residual that is not a number must not read as converged
        const double ri = std::fabs(r[i] / s), bi = std::fabs(b[i] / s);
        if (!(ri <= rmax)) rmax = ri;
        if (!(bi <= bmax)) bmax = bi;
    }
    return bmax > 0.0 ? rmax / bmax : rmax;
}

int refuse_unsolvable(const int *fixed, const double *diagonal, const std::vector<char> &empty,
                      const double *b, int n)
{
    bool loaded = false;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(b[i])) {
            print_load_not_finite(i);
            return cg_refused;
        }
        loaded = loaded || b[i] != 0.0;
        if (fixed[i] || diagonal[i] > 0.0 || (empty[i] && b[i] == 0.0)) continue;
        print_refused_equation(i);
        return cg_refused;
    }
    if (!loaded) {
        print_zero_load();
        return cg_refused;
    }
    return cg_converged;
}

void print_solve_line(double scaled, long long iterations)
{
    std::printf("\n damx/force = %f nc =%lld\n", scaled, iterations);
}

void print_refused_equation(int equation)
{
    std::printf("\n !! C-G method: equation %d has no positive diagonal, not solved !!\n",
                equation);
}

void print_load_not_finite(int equation)
{
    std::printf("\n !! C-G method: the load of equation %d is not a number, not solved !!\n",
                equation);
}

void print_zero_load()
{
    std::printf("\n !! C-G method: zero right-hand side, not solved !!\n");
}

void print_not_converged(double scaled, long long iterations)
{
    // the fixed text, spelled as users know it ("do not converge"), and the last measure
    // without a line end
    std::printf("\n !! Solution do not converge (C-G method) !!\n");
    std::printf("\n damx/force = %f nc =%lld", scaled, iterations);
}
