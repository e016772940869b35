// Reading a result set into FEMg3D: text and binary forms, validation of counts and indices.
#include "fem3d.h"

int FEMg3D::load_result_set(const char *, const char *, const char *, const char *, const char *)
{
    load_error = "not implemented yet";
    return -1;
}

int FEMg3D::load_result_set_binary(const char *, const char *, const char *, const char *,
                                   const char *)
{
    load_error = "not implemented yet";
    return -1;
}

void FEMg3D::compute_fatigue(float, float, float, float) {}
void FEMg3D::compute_principal(const float *, float *, float *) {}
