// Face lists of FEMg3D: building, depth sorting, selection counts and visibility.
#include "fem3d.h"

void FEMg3D::build_faces() {}
void FEMg3D::update_selection() {}
bool FEMg3D::face_visible(const t_face &) const
{
    return false;
}
void FEMg3D::sort_faces(t_face *, int, int) {}
void FEMg3D::fit_to_model() {}
void FEMg3D::fit_to_box() {}
