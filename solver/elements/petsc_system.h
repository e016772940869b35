// The global matrix distributed over MPI ranks and solved by AMG-preconditioned CG (PETSc).
#pragma once

#include "linear_system.h"
#include "model.h"

#include <string>

// Starts MPI and PETSc once per process (the program's arguments are not
// passed: PETSc's options come from PETSC_OPTIONS and ~/.petscrc). rank and
// size receive this process's place. Returns false with a message in error when
// this corvane was built without PETSc. The start hook of the PETSc rows.
bool petsc_start(int &rank, int &size, std::string &error);

// Ends PETSc and MPI (when petsc_start started them).
void petsc_stop();

struct petsc_system; // the distributed matrix, vectors and solver of one run

// Creates the system for the model's coupling pattern (build_pattern with
// adjacency_only must have run): rows are distributed in contiguous node
// ranges, every rank assembles the elements whose first node it owns, and the
// matrix is preallocated from the pattern. The model itself is replicated.
// reuse: keep the preconditioner across solves (0: set it up for every solve).
petsc_system *petsc_create(const corvane_model &m, int flavour, int reuse = 1);
void petsc_destroy(petsc_system *s);

// Assembles K(disp) (the constant part once per set of materials, the joints
// every time), prints the non-positive diagonals as check_diagonal does and
// returns 0 or minus their number (quiet: counts without printing). Free rows
// that store nothing (diagonal 0) are held like fixed ones.
int petsc_assemble(petsc_system &s, corvane_model &m, bool print = true);

// y = K x over every row (x, y replicated, nn values); the rows held for lack
// of stiffness give 0, as the row-slot product does.
void petsc_product(petsc_system &s, const double *x, double *y);

// Solves K x = b over the free equations with CG preconditioned by AMG, the
// stopping test that of cg_solve (the scaled residual below solve_tolerance) and the same
// "damx/force = ... nc = ..." line with PETSc's iteration count. x (replicated) receives the
// solution. Returns 1 when converged; report gets the count and the outcome.
int petsc_solve(petsc_system &s, const int *fixed, double *x, const double *b, cg_report *report);
