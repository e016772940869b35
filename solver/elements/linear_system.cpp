// The linear-system seam: the table of back ends and the row-slot Jacobi CG.
#include "linear_system.h"

#include "global_matrix.h"
#include "petsc_system.h"

#include <cmath>
#include <cstdio>

const solver_type solver_types[] = {
    {"cg", "Jacobi-scaled conjugate gradients on the row-slot matrix (default)", false, 0,
     create_row_slot_system, [] { return true; }, nullptr, nullptr},
    {"amg", "CG with PETSc's smoothed-aggregation AMG (GAMG), MPI ranks with mpirun", true,
     amg_gamg, create_petsc_system, petsc_built, petsc_start, petsc_stop},
    {"gamg", "the same as amg", true, amg_gamg, create_petsc_system, petsc_built, petsc_start,
     petsc_stop},
    {"hypre", "CG with hypre's BoomerAMG through PETSc", true, amg_hypre, create_petsc_system,
     petsc_built, petsc_start, petsc_stop},
    {"direct", "sparse Cholesky (CHOLMOD): analysed once, factorised when K changes", false, 0,
     create_direct_system, direct_built, nullptr, nullptr},
    {"mg", "CG with a multigrid built from the mesh's plan grid (needs CHOLMOD)", false, 0,
     create_mg_system, direct_built, nullptr, nullptr},
};

const int solver_type_count = static_cast<int>(sizeof solver_types / sizeof solver_types[0]);

const solver_type *find_solver_type(const std::string &name)
{
    for (const solver_type &t : solver_types)
        if (name == t.name) return &t;
    return nullptr;
}

std::string distributed_solver_names()
{
    std::vector<const char *> names;
    for (const solver_type &t : solver_types)
        if (t.distributed) names.push_back(t.name);
    std::string text;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k > 0) text += k + 1 == names.size() ? " or " : ", ";
        text += names[k];
    }
    return text;
}

int linear_system::solve(const int *fixed, double *x, const double *b, cg_report *report)
{
    std::vector<double> diagonal;
    std::vector<char> empty;
    rows(diagonal, empty);
    cg_report out;
    out.outcome =
        refuse_unsolvable(fixed, diagonal.data(), empty, b, static_cast<int>(diagonal.size()));
    if (out.outcome == cg_converged) solve_accepted(fixed, x, b, diagonal, out);
    if (report) *report = out;
    return out.outcome;
}

void planned_slot_system::product(const double *x, double *y)
{
    matrix_vector(y, m_.matrix, x);
}

void planned_slot_system::rows(std::vector<double> &diagonal, std::vector<char> &empty)
{
    row_diagonal(m_.matrix, diagonal, empty);
    for (std::size_t i = 0; i < diagonal.size(); ++i) empty[i] = diagonal[i] == 0.0;
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

  protected:
    void rows(std::vector<double> &diagonal, std::vector<char> &empty) override
    {
        row_diagonal(m_.matrix, diagonal, empty);
    }
    void solve_accepted(const int *fixed, double *x, const double *b, const std::vector<double> &,
                        cg_report &report) override
    {
        // cg_solve scales b in place and restores it
        cg_solve(m_.matrix, x, const_cast<double *>(b), fixed, &report);
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
