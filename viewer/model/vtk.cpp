// VTK legacy export of the result model.
#include "fem3d.h"

int FEMg3D::export_vtk(const char *) const
{
    return -1;
}
