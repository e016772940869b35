// The solid elements the solver offers, one row each.
#include "element_type.h"

#include "incompatible.h"
#include "solid.h"

#include <cstring>

namespace
{
int incompatible_brick_stiffness(const double *d, const double *xyz, const double *gp,
                                 const double *gw, double *ek)
{
    return incompatible_stiffness(d, xyz, gp, gw, ek);
}
} // namespace

const element_type element_types[] = {
    {"brick", "the eight-node brick, 2 x 2 x 2 Gauss points (default)", solid_stiffness,
     brick_body_loads, brick_phase2_loads, brick_recovery},
    {"incompatible",
     "the brick with Wilson-Taylor incompatible bending modes, condensed per element",
     incompatible_brick_stiffness, incompatible_body_loads, incompatible_phase2_loads,
     incompatible_recovery},
};

const int element_type_count = static_cast<int>(sizeof element_types / sizeof element_types[0]);

const element_type *find_element_type(const char *name)
{
    for (const element_type &t : element_types)
        if (std::strcmp(t.name, name) == 0) return &t;
    return nullptr;
}

const element_type *default_element_type()
{
    return &element_types[0];
}
