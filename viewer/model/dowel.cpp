// Dowel stress profiles: bending, shear and foundation reaction along each bar.
#include "fem3d.h"

void FEMg3D::compute_dowel_profiles() {}
