// Principal-stress bars, material outline boxes, dowel bars with their stress diagrams, loaded
// faces.
#include <cmath>

#include "fem3d.h"

namespace
{
const int dark_blue = 0x7F0000;
const int red = 0x0000FF;
const int light_grey = 0xDCDCDC;

// Axis of a dowel from its flags: the last non-zero flag wins; -1 when all are zero.
int dowel_axis(const t_dowel &d)
{
    int axis = -1;
    for (int k = 0; k < 3; k++)
        if (d.axis[k] != 0.0f) axis = k;
    return axis;
}
} // namespace

// Bars at element centroids along the principal directions, half-length principal_scale x value:
// tension dark blue, compression (and zero) red, width 3 for the extremes of all solid elements.
void FEMg3D::draw_principal(canvas &cv, int choice)
{
    auto solid = [this](const t_elem &el) {
        const int m = el.draw_material;
        return material_kind(m) == 0; // the shared type code: entry 11 truncated
    };
    float vmax = -1e10f, vmin = 1e10f;
    for (int k = 0; k < 3; k++)
        for (int e = 0; e < n_elements; e++) {
            if (!solid(elements[e])) continue;
            const float v = elements[e].principal[k];
            if (v > vmax) vmax = v;
            if (v < vmin) vmin = v;
        }

    int first = choice, last = choice;
    if (choice == 3) {
        first = 0;
        last = 2;
    } else if (choice < 0 || choice > 3) {
        return;
    }
    // A skip below one would never advance; it is taken as one.
    const int skip = principal_skip > 0 ? principal_skip : 1;
    for (int k = first; k <= last; k++)
        for (int e = 0; e < n_elements; e += skip) {
            const t_elem &el = elements[e];
            if (!solid(el) || (el.draw_material != sel_material && !all_materials)) continue;
            const float v = el.principal[k];
            const int colour = v > 0.0f ? dark_blue : red;
            const int width = (v == vmax || v == vmin) ? 3 : 1;
            const float *c = el.centroid;
            float px, py;
            project(c[0], c[1], c[2], px, py);
            draw_circle(cv, px, py, 1, colour);
            const float d[3] = {principal_scale * v * el.direction[k],
                                principal_scale * v * el.direction[3 + k],
                                principal_scale * v * el.direction[6 + k]};
            float p1x, p1y, p2x, p2y;
            project(c[0] + d[0], c[1] + d[1], c[2] + d[2], p1x, p1y);
            project(c[0] - d[0], c[1] - d[1], c[2] - d[2], p2x, p2y);
            draw_line(cv, p1x, p1y, p2x, p2y, colour, 0, width, 0);
        }
}

// Bounding box of the undeformed nodes of every solid material; a material that no element
// uses has no bounds and gets no box.
void FEMg3D::draw_material_boxes(canvas &cv)
{
    for (int m = 0; m < n_materials; m++) {
        if (material_kind(m) != 0) continue;
        float lo[3] = {1e10f, 1e10f, 1e10f}, hi[3] = {-1e10f, -1e10f, -1e10f};
        bool used = false;
        for (int e = 0; e < n_elements; e++) {
            if (elements[e].material != m) continue;
            used = true;
            for (int k = 0; k < 8; k++) {
                const float *p = nodes[elements[e].node[k]].coord;
                for (int r = 0; r < 3; r++) {
                    if (p[r] < lo[r]) lo[r] = p[r];
                    if (p[r] > hi[r]) hi[r] = p[r];
                }
            }
        }
        if (!used) continue;
        draw_box(cv, lo[0], hi[0], lo[1], hi[1], lo[2], hi[2], light_grey, 0, 1);
    }
}

// Each bar from its centre: the first half (toward the negative axis) red, the second dark blue,
// width 3. A bar without an axis or with an unknown type is not drawn.
void FEMg3D::draw_dowels(canvas &cv)
{
    for (int i = 0; i < n_dowels; i++) {
        const t_dowel &d = dowels[i];
        const int axis = dowel_axis(d);
        if (axis < 0 || d.type < 0 || d.type >= n_dowel_types) continue;
        const float half = dowel_types[d.type].value[4] / 2.0f;
        float c1[3] = {d.centre[0], d.centre[1], d.centre[2]};
        float c2[3] = {d.centre[0], d.centre[1], d.centre[2]};
        c1[axis] -= half;
        c2[axis] += half;
        float cx, cy, ax, ay, bx, by;
        project(d.centre[0], d.centre[1], d.centre[2], cx, cy);
        project(c1[0], c1[1], c1[2], ax, ay);
        project(c2[0], c2[1], c2[2], bx, by);
        draw_line(cv, cx, cy, ax, ay, red, 0, 3, 0);
        draw_line(cv, cx, cy, bx, by, dark_blue, 0, 3, 0);
    }
}

namespace
{
// One diagram along a dowel: the profile (71 stations) times scale, offset across the bar, as a
// polyline from the far end of the first half to the last station of the second half.
// flag_y (bars along z only) offsets along y instead of x.
void draw_dowel_diagram(const FEMg3D &m, canvas &cv, const t_dowel &d, int axis,
                        const float *profile, float scale, bool flag_y, int colour)
{
    const float a = d.gap;
    const float le = (d.length - d.gap) / 2.0f;
    const float h = le / 35.0f;
    const float cx = d.centre[0], cy = d.centre[1], cz = d.centre[2];
    // Point of station i at distance x from the joint face; second half on the positive side.
    auto point = [&](int i, float x, bool second, float &px, float &py) {
        const float o = profile[i] * scale;
        const float along0 = second ? cx + a / 2.0f + x : cx - a / 2.0f - x;
        const float along1 = second ? cy + a / 2.0f + x : cy - a / 2.0f - x;
        const float along2 = second ? cz + a / 2.0f + x : cz - a / 2.0f - x;
        if (axis == 0)
            m.project(along0, cy, cz + o, px, py);
        else if (axis == 1)
            m.project(cx, along1, cz + o, px, py);
        else if (flag_y)
            m.project(cx, cy + o, along2, px, py);
        else
            m.project(cx + o, cy, along2, px, py);
    };
    float prev_x, prev_y;
    point(0, 35.0f * h, false, prev_x, prev_y);
    for (int j = 35; j >= 0; j--) {
        float px, py;
        point(35 - j, static_cast<float>(j) * h, false, px, py);
        m.draw_line(cv, prev_x, prev_y, px, py, colour, 0, 1, 0);
        prev_x = px;
        prev_y = py;
    }
    for (int k = 0; k <= 34; k++) {
        float px, py;
        point(36 + k, static_cast<float>(k) * h, true, px, py);
        m.draw_line(cv, prev_x, prev_y, px, py, colour, 0, 1, 0);
        prev_x = px;
        prev_y = py;
    }
}
} // namespace

// Bending stress diagrams, dark blue, offset along z (x or y for bars along z, by which end
// shear is larger). Stores the station spacing Le / 35 into word 21.
void FEMg3D::draw_dowel_bending(canvas &cv)
{
    for (int i = 0; i < n_dowels; i++) {
        t_dowel &d = dowels[i];
        const int axis = dowel_axis(d);
        if (axis < 0) continue;
        d.step = (d.length - d.gap) / 2.0f / 35.0f;
        const bool flag_y = std::fabs(d.force[0]) < std::fabs(d.force[1]);
        draw_dowel_diagram(*this, cv, d, axis, d.bending, bend_scale, flag_y, dark_blue);
    }
}

// Shear stress diagrams, red; bars along z are always offset along x.
void FEMg3D::draw_dowel_shear(canvas &cv)
{
    for (int i = 0; i < n_dowels; i++) {
        const t_dowel &d = dowels[i];
        const int axis = dowel_axis(d);
        if (axis < 0) continue;
        draw_dowel_diagram(*this, cv, d, axis, d.shear, shear_scale, false, red);
    }
}

// Loaded faces (wheel prints) as red patches on the undeformed or the deformed nodes.
void FEMg3D::draw_load_faces(canvas &cv, bool deformed)
{
    for (int i = 0; i < n_load_faces; i++) {
        const t_load_face &lf = load_faces[i];
        int xy[2 * max_polygon_points];
        int count = 0;
        float first_x = 0, first_y = 0;
        for (int k = 0; k < 4; k++) {
            const t_node &n = nodes[lf.node[k]];
            float p[3] = {n.coord[0], n.coord[1], n.coord[2]};
            if (deformed)
                for (int r = 0; r < 3; r++) p[r] += disp_scale[r] * n.disp[r];
            float px, py;
            project(p[0], p[1], p[2], px, py);
            if (k == 0) {
                first_x = px;
                first_y = py;
            }
            add_point(px, py, xy, count);
        }
        add_point(first_x, first_y, xy, count);
        fill_polygon(cv, xy, count, 999, red);
    }
}
