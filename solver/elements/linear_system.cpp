// The linear-system seam: the table of back ends and the row-slot Jacobi CG.
#include "linear_system.h"

#include "global_matrix.h"

#include <cmath>
#include <cstdio>

const solver_type solver_types[] = {
    {"cg", "Jacobi-scaled conjugate gradients on the row-slot matrix (default)", false, 0,
     create_row_slot_system, [] { return true; }},
    {"amg", "CG with PETSc's smoothed-aggregation AMG (GAMG), MPI ranks with mpirun", true, 0,
     create_petsc_system, petsc_built},
    {"gamg", "the same as amg", true, 0, create_petsc_system, petsc_built},
    {"hypre", "CG with hypre's BoomerAMG through PETSc", true, 1, create_petsc_system, petsc_built},
    {"direct", "sparse Cholesky (CHOLMOD): analysed once, factorised when K changes", false, 0,
     create_direct_system, direct_built},
};

const int solver_type_count = static_cast<int>(sizeof solver_types / sizeof solver_types[0]);

const solver_type *find_solver_type(const std::string &name)
{
    for (const solver_type &t : solver_types)
        if (name == t.name) return &t;
    return nullptr;
}

void print_solve_line(double scaled, long long iterations)
{
    std::printf("\n damx/force = %f nc =%lld\n", scaled, iterations);
}

double scaled_residual(const double *r, const double *b, const double *diagonal, const int *fixed,
                       int n)
{
    double rmax = 0.0, bmax = 0.0;
    for (int i = 0; i < n; ++i) {
        if (fixed[i]) continue;
        const double s = diagonal[i] > 0.0 ? std::sqrt(diagonal[i]) : 1.0;
        rmax = std::fmax(rmax, std::fabs(r[i] / s));
        bmax = std::fmax(bmax, std::fabs(b[i] / s));
    }
    return bmax > 0.0 ? rmax / bmax : rmax;
}

namespace
{

// The row-slot matrix rebuilt at every assembly and solved by Jacobi-scaled CG: the solver the
// file formats and progress lines were made for, kept exactly as it runs.
class row_slot_system : public linear_system
{
  public:
    explicit row_slot_system(corvane_model &m) : m_(m) {}
    int assemble(corvane_model &m, bool print) override
    {
        build_stiffness(m);
        compact_rows(m.matrix);
        return print ? check_diagonal(m.matrix) : 0;
    }
    void product(const double *x, double *y) override { matrix_vector(y, m_.matrix, x); }
    int solve(const int *fixed, double *x, const double *b, cg_report *report) override
    {
        // cg_solve scales b in place and restores it
        cg_solve(m_.matrix, x, const_cast<double *>(b), fixed, report);
        return report->outcome;
    }

  private:
    corvane_model &m_;
};

} // namespace

std::unique_ptr<linear_system> create_row_slot_system(corvane_model &m, const solver_type &, int,
                                                      std::string &)
{
    return std::make_unique<row_slot_system>(m);
}
