// The linear-system seam: assembly of K(disp), products and solves, with one implementation per
// back end (the row-slot Jacobi CG, PETSc's AMG-preconditioned CG, a sparse Cholesky
// factorization), chosen once when a run starts from the table solver_types.
#pragma once

#include "cg.h"
#include "model.h"

#include <memory>
#include <string>

class linear_system
{
  public:
    virtual ~linear_system() = default;
    // Assembles K at the current displacements (solids and dowels once per set of materials,
    // the joints every time). With print, the non-positive diagonals are listed as the row-slot
    // check lists them. Returns 0 or minus the number of non-positive diagonals.
    virtual int assemble(corvane_model &m, bool print) = 0;
    // y = K x with the matrix of the last assembly (rows without stiffness give 0).
    virtual void product(const double *x, double *y) = 0;
    // Solves K x = b over the free equations (fixed[i] == 0); x receives the solution, fixed
    // entries 0. Prints the solve's progress line; returns the cg_outcome.
    virtual int solve(const int *fixed, double *x, const double *b, cg_report *report) = 0;
};

// One back end of --solver.
struct solver_type {
    const char *name; // --solver=NAME
    const char *help; // one line for --help
    bool distributed; // PETSc under MPI: the coupling pattern is built as node adjacency only
    int flavour;      // the back end's variant (AMG flavour)
    // The back end for the model whose pattern has been built; nullptr with why when this
    // corvane was built without what it needs. reuse: keep set-ups while the matrix allows.
    std::unique_ptr<linear_system> (*create)(corvane_model &m, const solver_type &t, int reuse,
                                             std::string &why);
    bool (*built)(); // false when this corvane was built without the back end's library
};

extern const solver_type solver_types[];
extern const int solver_type_count;

// The row of that name, or nullptr.
const solver_type *find_solver_type(const std::string &name);

// Back ends (each in its own file; a stub where the build lacks the library).
std::unique_ptr<linear_system> create_row_slot_system(corvane_model &m, const solver_type &t,
                                                      int reuse, std::string &why);
std::unique_ptr<linear_system> create_petsc_system(corvane_model &m, const solver_type &t,
                                                   int reuse, std::string &why);
std::unique_ptr<linear_system> create_direct_system(corvane_model &m, const solver_type &t,
                                                    int reuse, std::string &why);

// Whether the back ends' libraries are in this build.
bool petsc_built();
bool direct_built();

// The progress line of a solve, as the row-slot CG prints it: "\n damx/force = %f nc =%d\n".
void print_solve_line(double scaled_residual, long long iterations);

// The stopping measure of the solvers: max_i |r_i / s_i| / max_i |b_i / s_i| over the free
// equations, s_i = sqrt(K_ii) (1 where the diagonal is not positive), r = b - K x.
double scaled_residual(const double *r, const double *b, const double *diagonal, const int *fixed,
                       int n);
