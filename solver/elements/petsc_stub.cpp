// Built when PETSc is absent: --solver=amg reports that it is not available.
#include "petsc_system.h"

int petsc_start(int &rank, int &size, std::string &error)
{
    rank = 0;
    size = 1;
    error = "this corvane was built without PETSc (install petsc-dev and rebuild)";
    return 0;
}

void petsc_stop() {}

petsc_system *petsc_create(const corvane_model &, int, int)
{
    return nullptr;
}

void petsc_destroy(petsc_system *) {}

int petsc_assemble(petsc_system &, corvane_model &, bool)
{
    return 0;
}

void petsc_product(petsc_system &, const double *, double *) {}

int petsc_solve(petsc_system &, const int *, double *, const double *, cg_report *)
{
    return 0;
}

void petsc_setup_counts(const petsc_system &, long long &built, long long &reused)
{
    built = reused = 0;
}
