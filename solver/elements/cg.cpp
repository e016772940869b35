// Jacobi-scaled conjugate-gradient solver on the row-slot matrix, and the Euclidean norm.
#include "cg.h"

#include "global_matrix.h"

#include <cmath>
#include <cstdio>
#include <vector>

double vector_norm(const double *v, int n)
{
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += v[i] * v[i];
    return std::sqrt(s);
}

// Multiplies every stored entry a_ij by f(s_i, s_j) = s_i*s_j or 1/(s_i*s_j).
static void scale_matrix(row_slot_matrix &a, const std::vector<double> &s, bool undo)
{
    for (int i = 0; i < a.nn; ++i) {
        double *v = &a.values[a.row_start[i]];
        const int *col = &a.JENDEX[a.row_start[i]];
        for (int k = 0; k < a.row_count[i]; ++k) {
            if (undo)
                v[k] = v[k] * s[i] * s[col[k]];
            else
                v[k] = v[k] / (s[i] * s[col[k]]);
        }
    }
}

// q_i = sum_k a_ik d_k over the stored entries, free rows only; returns
// sum_i q_i d_i over those rows (summed in row order, as a separate sweep
// would, but without reading q and d a second time).
static double free_product(const row_slot_matrix &a, const int *skip, const double *d, double *q)
{
    const std::int64_t *start = a.row_start.data();
    const int *counts = a.row_count.data();
    const double *values = a.values.data();
    const int *columns = a.JENDEX.data();
    double dot = 0.0;
    for (int i = 0; i < a.nn; ++i) {
        if (skip[i]) continue;
        const double *v = values + start[i];
        const int *col = columns + start[i];
        const int count = counts[i];
        double sum = 0.0;
        for (int k = 0; k < count; ++k) sum += v[k] * d[col[k]];
        q[i] = sum;
        dot += sum * d[i];
    }
    return dot;
}

int cg_solve(row_slot_matrix &a, double *x, double *b, const int *fixed, cg_report *report)
{
    long long nc = 0;
    int outcome = cg_converged;
    struct report_out {
        cg_report *to;
        const long long &n;
        const int &outcome;
        ~report_out()
        {
            if (to) *to = {n, outcome};
        }
    } out{report, nc, outcome};
    const int nn = a.nn;
    std::vector<double> s(nn, 1.0), rho(nn, 0.0), d(nn, 0.0), q(nn, 0.0);
    // Equations the iteration leaves alone: fixed ones, and free ones that
    // store nothing and carry no load (nodes outside every element).
    std::vector<int> skip(nn, 0);
    for (int i = 0; i < nn; ++i) {
        if (fixed[i]) {
            skip[i] = 1;
            const std::int64_t slot = find_diagonal(a, i);
            if (slot >= 0 && a.values[slot] > 0.0) s[i] = std::sqrt(a.values[slot]);
            continue;
        }
        const std::int64_t slot = find_diagonal(a, i);
        if (slot >= 0 && a.values[slot] > 0.0) {
            s[i] = std::sqrt(a.values[slot]);
        } else if (a.row_count[i] == 0 && b[i] == 0.0) {
            skip[i] = 1;
        } else {
            // no scale factor exists: the scaled system is undefined
            print_refused_equation(i);
            outcome = cg_refused;
            return 0;
        }
    }

    // scaling: b <- S^-1 b, A <- S^-1 A S^-1 (b and the untouched x entries are
    // put back exactly from copies; the matrix by the inverse scaling)
    const std::vector<double> b_start(b, b + nn), x_start(x, x + nn);
    for (int i = 0; i < nn; ++i) b[i] /= s[i];
    scale_matrix(a, s, false);
    double b_max = 0.0;
    for (int i = 0; i < nn; ++i) b_max = std::fmax(b_max, std::fabs(b[i]));

    auto unscale = [&]() {
        for (int i = 0; i < nn; ++i) {
            b[i] = b_start[i];
            x[i] = skip[i] ? x_start[i] : x[i] / s[i]; // untouched entries keep their exact value
        }
        scale_matrix(a, s, true);
    };
    // x is solved for in scaled form y = S x
    for (int i = 0; i < nn; ++i) x[i] *= s[i];

    if (b_max == 0.0) {
        print_zero_load();
        unscale();
        outcome = cg_refused;
        return 0;
    }

    // start: rho = b - A x, d = rho over the free rows
    free_product(a, skip.data(), x, q.data());
    double u = 0.0;
    for (int i = 0; i < nn; ++i) {
        if (skip[i]) {
            q[i] = 0.0;
            continue;
        }
        rho[i] = b[i] - q[i];
        d[i] = rho[i];
        u += rho[i] * rho[i];
        q[i] = 0.0;
    }
    if (u == 0.0) { // the start is the solution
        print_solve_line(0.0, 0);
        unscale();
        return 1;
    }

    const long long limit = 9LL * nn;
    double eps = 0.0;
    nc = 1;
    for (;;) {
        // q = A d, sigma = d.q
        const double sigma = free_product(a, skip.data(), d.data(), q.data());
        if (!(sigma > 0.0) || !std::isfinite(sigma)) {
            // zero or negative curvature: the matrix is not positive definite
            std::printf("\n !! C-G method breaks down: d.Ad = %e nc =%lld !!\n", sigma, nc);
            unscale();
            outcome = cg_breakdown;
            return 0;
        }
        const double alpha = u / sigma;
        // x <- x + alpha d, rho <- rho - alpha q
        double rho_max = 0.0, t = 0.0;
        for (int i = 0; i < nn; ++i) {
            if (skip[i]) continue;
            x[i] += alpha * d[i];
            rho[i] -= alpha * q[i];
            rho_max = std::fmax(rho_max, std::fabs(rho[i]));
            t += rho[i] * rho[i];
        }
        eps = std::fabs(rho_max / b_max);
        if (eps < solve_tolerance) {
            print_solve_line(eps, nc);
            unscale();
            return 1;
        }
        ++nc;
        if (nc > limit) break;
        // d <- rho + (t/u) d
        const double beta = t / u;
        for (int i = 0; i < nn; ++i)
            if (!skip[i]) d[i] = rho[i] + beta * d[i];
        u = t;
    }
    print_not_converged(eps, nc);
    unscale();
    outcome = cg_not_converged;
    return 0;
}
