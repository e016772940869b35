// FEMg3D: construction, release of a result set, accessors, principal stresses and fatigue index.
#include "fem3d.h"

#include <cmath>

FEMg3D::FEMg3D() = default;

FEMg3D::~FEMg3D()
{
    free_result_set();
}

void FEMg3D::free_result_set()
{
    if (n_elements == 0) return;
    nodes = {};
    elements = {};
    materials = {};
    faces = {};
    def_faces = {};
    if (n_dowels != 0) {
        dowel_types = {};
        dowels = {};
    }
    if (n_load_faces != 0) load_faces = {};
    n_nodes = 0;
    n_elements = 0;
    n_dowels = 0;
    n_load_faces = 0;
    // The face lists and material rows are gone too: counts that outlive their arrays would
    // let a later drawing or listing read freed records.
    n_faces = 0;
    n_materials = 0;
    n_dowel_types = 0;
    material_values_loaded = false;
    material_value_start = {};
    material_value_material = {};
    material_values = {};
}

t_node FEMg3D::node_record(int i) const
{
    if (i < 0 || i >= static_cast<int>(nodes.size())) return t_node{};
    return nodes[i];
}

void FEMg3D::get_scales(float s[6]) const
{
    s[0] = disp_scale[0];
    s[1] = contour_max;
    s[2] = contour_min;
    s[3] = disp_scale[1];
    s[4] = disp_scale[2];
    s[5] = principal_scale;
}

void FEMg3D::set_scales(const float s[6])
{
    disp_scale[0] = s[0];
    contour_max = s[1];
    contour_min = s[2];
    disp_scale[1] = s[3];
    disp_scale[2] = s[4];
    principal_scale = s[5];
}

// range_box is stored as x max, x min, y max, y min, z max, z min.
void FEMg3D::get_range(float r[6]) const
{
    r[0] = range_box[1];
    r[1] = range_box[0];
    r[2] = range_box[3];
    r[3] = range_box[2];
    r[4] = range_box[5];
    r[5] = range_box[4];
}

void FEMg3D::set_range(const float r[6])
{
    range_box[1] = r[0];
    range_box[0] = r[1];
    range_box[3] = r[2];
    range_box[2] = r[3];
    range_box[5] = r[4];
    range_box[4] = r[5];
}

void FEMg3D::set_sel_material(int m)
{
    sel_material = m;
    if (m < 0) all_materials = true;
}
