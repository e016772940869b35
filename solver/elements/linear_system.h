// The linear-system seam: assembly of K(disp), products and solves, with one implementation per
// back end (the row-slot Jacobi CG, PETSc's AMG-preconditioned CG, a sparse Cholesky
// factorization), chosen once when a run starts from the table solver_types.
#pragma once

#include "cg.h"
#include "model.h"
#include "solve_contract.h"

#include <memory>
#include <string>
#include <vector>

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
    // entries 0. A system the contract refuses (refuse_unsolvable) is not handed to the back
    // end. Prints the solve's progress line; returns the cg_outcome, also in report.
    int solve(const int *fixed, double *x, const double *b, cg_report *report);

  protected:
    // K_ii of the last assembly (0 where the row stores no diagonal) and whether each row stores
    // nothing at all.
    virtual void rows(std::vector<double> &diagonal, std::vector<char> &empty) = 0;
    // The back end's solve of a system the contract accepted, diagonal as rows() gave it. Prints
    // through the contract's lines and fills report.
    virtual void solve_accepted(const int *fixed, double *x, const double *b,
                                const std::vector<double> &diagonal, cg_report &report) = 0;
};

// A back end that assembles into the row-slot matrix's planned slots and never compacts them
// (the factorization, the mesh's multigrid): products and rows read the slots in place, and a
// row without stiffness holds zeros.
class planned_slot_system : public linear_system
{
  public:
    explicit planned_slot_system(corvane_model &m) : m_(m) {}
    void product(const double *x, double *y) override;

  protected:
    void rows(std::vector<double> &diagonal, std::vector<char> &empty) override;
    corvane_model &m_;
};

// AMG flavours of the PETSc back end.
enum amg_flavour {
    amg_gamg = 0,  // PETSc's smoothed aggregation (PCGAMG) with the rigid-body modes
    amg_hypre = 1, // hypre's BoomerAMG through PETSc, nodal coarsening
};

// One back end of --solver.
struct solver_type {
    const char *name; // --solver=NAME
    const char *help; // one line for --help
    bool distributed; // PETSc under MPI: the coupling pattern is built as node adjacency only
    int flavour;      // the back end's variant (amg_flavour)
    // The back end for the model whose pattern has been built; nullptr with why when this
    // corvane was built without what it needs. reuse: keep set-ups while the matrix allows.
    std::unique_ptr<linear_system> (*create)(corvane_model &m, const solver_type &t, int reuse,
                                             std::string &why);
    bool (*built)(); // false when this corvane was built without the back end's library
    // Start and stop of the library's run-time (MPI), nullptr when there is none. start gives
    // this process's rank and the number of ranks, or false with why.
    bool (*start)(int &rank, int &size, std::string &why);
    void (*stop)();
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
std::unique_ptr<linear_system> create_mg_system(corvane_model &m, const solver_type &t, int reuse,
                                                std::string &why);

// Whether the back ends' libraries are in this build.
bool petsc_built();
bool direct_built();

// The names of the distributed rows, as "amg, gamg or hypre".
std::string distributed_solver_names();
