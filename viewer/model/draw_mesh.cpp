// Mesh and deformed-shape graphs: faces painted in material colours, outlines, extreme
// displacements.
#include <cstdio>

#include "fem3d.h"

namespace
{
const int white = 0xFFFFFF;
const int black = 0x000000;
const int light_grey = 0xDCDCDC;

// Status text of the displacement graph: each maximum and minimum with its node's undeformed
// position, all in display units.
const char deformed_text_format[] =
    "<(max,min) \n Ux=(%10.3e[%8.2f,%8.2f,%8.2f],%10.3e[%8.2f,%8.2f,%8.2f]), \n "
    "Uy=(%10.3e[%8.2f,%8.2f,%8.2f],%10.3e[%8.2f,%8.2f,%8.2f]),\n "
    "Uz=(%10.3e[%8.2f,%8.2f,%8.2f],%10.3e[%8.2f,%8.2f,%8.2f])>";
// Shown instead when no face is visible: there is no node to name for an extreme.
const char deformed_no_face_text[] = "<(max,min) no visible face>";

int limit_byte(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
} // namespace

// Faces are painted from the far end of the depth-sorted list to the near end; the outline is
// drawn whatever the wire setting says.
void FEMg3D::draw_mesh(canvas &cv, bool outline_only)
{
    for (int i = n_faces - 1; i >= 0; i--) {
        const t_face &f = faces[i];
        if (!face_visible(f)) continue;
        if (!outline_only) fill_face(cv, f);
        draw_face_outline(cv, f);
    }
}

// Displacement graph: extremes over the corners of the visible deformed faces (strict tests
// against the start values -1000 and 1000), the painted faces, then the text on white.
void FEMg3D::draw_deformed(canvas &cv)
{
    if (!results_loaded) return;
    float umax[3] = {-1000.0f, -1000.0f, -1000.0f};
    float umin[3] = {1000.0f, 1000.0f, 1000.0f};
    int node_max[3] = {-1, -1, -1}, node_min[3] = {-1, -1, -1};
    bool any_visible = false;
    for (int i = n_faces - 1; i >= 0; i--) {
        const t_face &f = def_faces[i];
        if (!face_visible(f)) continue;
        any_visible = true;
        for (int k = 0; k < 4; k++) {
            const int n = f.node[k];
            for (int c = 0; c < 3; c++) {
                const float u = nodes[n].disp[c];
                if (u < umin[c]) {
                    umin[c] = u;
                    node_min[c] = n;
                }
                if (u > umax[c]) {
                    umax[c] = u;
                    node_max[c] = n;
                }
            }
        }
    }
    const bool wire = settings->wire_on;
    for (int i = n_faces - 1; i >= 0; i--) {
        const t_face &f = def_faces[i];
        if (!face_visible(f)) continue;
        fill_face(cv, f);
        if (wire) draw_face_outline(cv, f);
    }

    cv.set_brush(white, 0);
    cv.set_font_colour(black);
    if (!any_visible) {
        cv.text_out(0, 0, deformed_no_face_text);
        return;
    }
    // An extreme that no displacement passed (all beyond 1000 in magnitude) has no node; its
    // position is printed as 0, 0, 0.
    const float lf = settings->length_factor;
    double v[24];
    for (int c = 0; c < 3; c++) {
        const int extremes[2] = {node_max[c], node_min[c]};
        const float values[2] = {umax[c], umin[c]};
        for (int e = 0; e < 2; e++) {
            double *out = v + 8 * c + 4 * e;
            out[0] = values[e] * lf;
            for (int r = 0; r < 3; r++)
                out[1 + r] = extremes[e] >= 0 ? nodes[extremes[e]].coord[r] * lf : 0.0;
        }
    }
    char text[512];
    std::snprintf(text, sizeof text, deformed_text_format, v[0], v[1], v[2], v[3], v[4], v[5], v[6],
                  v[7], v[8], v[9], v[10], v[11], v[12], v[13], v[14], v[15], v[16], v[17], v[18],
                  v[19], v[20], v[21], v[22], v[23]);
    cv.text_out(0, 0, text);
}

// Projected corners 0..3 and corner 0 again, filled with pen and brush of the material colour.
void FEMg3D::fill_face(canvas &cv, const t_face &f)
{
    int xy[2 * max_polygon_points];
    int count = 0;
    for (int k = 0; k < 4; k++) add_point(f.proj[2 * k], f.proj[2 * k + 1], xy, count);
    add_point(f.proj[0], f.proj[1], xy, count);
    const float e =
        (f.material >= 0 && f.material < n_materials) ? materials[f.material].value[0] : 0.0f;
    fill_polygon(cv, xy, count, 999, material_colour(e, f.shade));
}

// Edges 3-0, 0-1, 1-2, 2-3 in black or light grey.
void FEMg3D::draw_face_outline(canvas &cv, const t_face &f)
{
    const int colour = settings->wire_black ? black : light_grey;
    static const int from[4] = {3, 0, 1, 2};
    static const int to[4] = {0, 1, 2, 3};
    for (int k = 0; k < 4; k++)
        draw_line(cv, f.proj[2 * from[k]], f.proj[2 * from[k] + 1], f.proj[2 * to[k]],
                  f.proj[2 * to[k] + 1], colour, 0, 1, 0);
}

// Hue by stiffness class, brightness by shade: h = 150 s within -150..150 added to a base of
// 105; every channel gains 10 and is limited to 0..255. E in internal units (kgf/cm2).
int FEMg3D::material_colour(float e, float shade) const
{
    float h = 150.0f * shade;
    if (h > 150.0f) h = 150.0f;
    if (!(h >= -150.0f)) h = -150.0f; // also a shade that is not a number (light vector zero)
    const float base = 255.0f - 150.0f;
    const int lit = static_cast<int>(base + h);
    int r, g, b;
    if (e < 2000.0f) {
        r = lit;
        g = lit;
        b = 130;
    } else if (e < 10000.0f) {
        r = static_cast<int>((1.0f - (e - 1000.0f) / 32000.0f) * 130.0f);
        g = lit;
        b = 170;
    } else if (e < 20000.0f) {
        r = static_cast<int>((1.0f - (e - 5000.0f) / 40000.0f) * 150.0f);
        g = 150;
        b = lit;
    } else if (e < 90000.0f) {
        const float f = 1.0f - (e - 10000.0f) / 320000.0f;
        const float tint = static_cast<float>(static_cast<int>(f * 105.0f));
        r = static_cast<int>(tint + h);
        g = 80;
        b = static_cast<int>(tint + h);
    } else if (e < 500000.0f) {
        r = g = b = lit;
    } else if (e < 1000000.0f) {
        r = g = b = static_cast<int>(h / 4.0f + 105.0f);
    } else {
        r = 80;
        g = 50;
        b = static_cast<int>(200.0f + h);
    }
    return limit_byte(r + 10) + 256 * limit_byte(g + 10) + 65536 * limit_byte(b + 10);
}
