// Built when PETSc is absent: --solver=amg, gamg and hypre say so and the run stops.
#include "linear_system.h"
#include "petsc_system.h"

bool petsc_start(int &rank, int &size, std::string &error)
{
    rank = 0;
    size = 1;
    error = "this corvane was built without PETSc (install petsc-dev and rebuild)";
    return false;
}

void petsc_stop() {}

std::unique_ptr<linear_system> create_petsc_system(corvane_model &, const solver_type &, int,
                                                   std::string &why)
{
    int rank = 0, size = 1;
    petsc_start(rank, size, why);
    return nullptr;
}

bool petsc_built()
{
    return false;
}
