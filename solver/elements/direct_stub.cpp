// Built when CHOLMOD is absent: --solver=direct and --solver=mg (its coarsest level is
// factorised by CHOLMOD) say so and the run stops.
#include "linear_system.h"

std::unique_ptr<linear_system> create_direct_system(corvane_model &, const solver_type &, int,
                                                    std::string &why)
{
    why = "this corvane was built without CHOLMOD (install libsuitesparse-dev and rebuild)";
    return nullptr;
}

std::unique_ptr<linear_system> create_mg_system(corvane_model &, const solver_type &, int,
                                                std::string &why)
{
    why = "this corvane was built without CHOLMOD (install libsuitesparse-dev and rebuild)";
    return nullptr;
}

bool direct_built()
{
    return false;
}
