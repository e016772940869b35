// Face lists of FEMg3D: building, depth sorting, selection counts, visibility and window fitting.
#include "fem3d.h"
#include "material_code.h"

#include <cstdio>
#include <utility>

namespace
{

// The six faces of an eight-node element as local node numbers. With nodes 0-3 at zeta = -1
// and 4-7 at zeta = +1, (c1 - c0) x (c2 - c0) of each face points into the element.
const int face_table[6][4] = {{0, 4, 5, 1}, {1, 5, 6, 2}, {4, 7, 6, 5},
                              {2, 6, 7, 3}, {7, 4, 0, 3}, {0, 1, 2, 3}};

// n = (p1 - p0) x (p2 - p0); a zero normal becomes (1, 0, 0).
void face_normal(const float p[3][3], float n[3])
{
    float u[3], v[3];
    for (int c = 0; c < 3; c++) {
        u[c] = p[1][c] - p[0][c];
        v[c] = p[2][c] - p[0][c];
    }
    n[0] = u[1] * v[2] - v[1] * u[2];
    n[1] = u[2] * v[0] - v[2] * u[0];
    n[2] = v[1] * u[0] - u[1] * v[0];
    if (n[0] * n[0] + n[1] * n[1] + n[2] * n[2] == 0) {
        n[0] = 1;
        n[1] = n[2] = 0;
    }
}

} // namespace

int FEMg3D::material_kind(int m) const
{
    if (m < 0 || m >= n_materials) return -1;
    const float kind = materials[m].value[11];
    // beyond the int range or not a number: no solid, shown as -1
    if (!(kind > -2.0e9f && kind < 2.0e9f)) return -1;
    return material_type_code(kind);
}

void FEMg3D::build_faces()
{
    char line[128];
    n_faces = 0;
    for (int e = 0; e < n_elements; e++) {
        if (progress) {
            std::snprintf(line, sizeof line, "  -- Element No.[%5d,%5d] is processed", e, n_faces);
            progress->text(0, 60, line);
        }
        t_elem &el = elements[e];
        const int m = el.material;
        if (material_kind(m) != 0) continue;
        float sum[3] = {0, 0, 0};
        for (int k = 0; k < 8; k++) {
            t_node &nd = nodes[el.node[k]];
            nd.material = m;
            for (int c = 0; c < 3; c++) sum[c] += nd.coord[c];
        }
        for (int c = 0; c < 3; c++) el.centroid[c] = sum[c] / 8;

        for (int f = 0; f < 6; f++) {
            t_face &fa = faces[n_faces];
            t_face &fd = def_faces[n_faces];
            fa.material = fd.material = m;
            fa.kind = fd.kind = 0;
            fa.element = fd.element = e;
            float p[4][3], q[4][3];
            float depth_p = 0, depth_q = 0;
            for (int k = 0; k < 4; k++) {
                const int n = el.node[face_table[f][k]];
                fa.node[k] = fd.node[k] = n;
                const t_node &nd = nodes[n];
                for (int c = 0; c < 3; c++) {
                    p[k][c] = nd.coord[c];
                    q[k][c] = nd.coord[c] + disp_scale[c] * nd.disp[c];
                }
                project(p[k][0], p[k][1], p[k][2], fa.proj[2 * k], fa.proj[2 * k + 1]);
                project(q[k][0], q[k][1], q[k][2], fd.proj[2 * k], fd.proj[2 * k + 1]);
                depth_p += depth_of(p[k][0], p[k][1], p[k][2]);
                depth_q += depth_of(q[k][0], q[k][1], q[k][2]);
            }
            fa.depth = depth_p / 4;
            fd.depth = depth_q / 4;
            float n[3];
            face_normal(p, n);
            fa.shade = shade_of(n);
            if (results_loaded) {
                face_normal(q, n);
                fd.shade = shade_of(n);
            }
            n_faces++;
        }
    }
    if (progress) progress->text(0, 80, "Sort faces of elements");
    if (n_faces > 0) {
        sort_faces(faces.data(), 0, n_faces - 1);
        sort_faces(def_faces.data(), 0, n_faces - 1);
    }
    update_selection();
}

// Quicksort ascending by depth with the middle record as pivot; records move whole.
void FEMg3D::sort_faces(t_face *list, int lo, int hi)
{
    const float x = list[(lo + hi) / 2].depth;
    int i = lo, j = hi;
    for (;;) {
        while (list[i].depth < x) i++;
        while (x < list[j].depth) j--;
        if (i >= j) break;
        std::swap(list[i], list[j]);
        i++;
        j--;
    }
    if (lo < i - 1) sort_faces(list, lo, i - 1);
    if (j + 1 < hi) sort_faces(list, j + 1, hi);
}

void FEMg3D::update_selection()
{
    for (int i = 0; i < n_nodes; i++) nodes[i].use_count = 0;
    all_materials = sel_material < 0;
    const float *b = range_box; // x max, x min, y max, y min, z max, z min
    for (int e = 0; e < n_elements; e++) {
        const t_elem &el = elements[e];
        if (material_kind(el.material) != 0) continue;
        if (el.material != sel_material && !all_materials) continue;
        const float *c = el.centroid;
        const bool inside =
            b[1] < c[0] && c[0] < b[0] && b[3] < c[1] && c[1] < b[2] && b[5] < c[2] && c[2] < b[4];
        if (inside != range_inside) continue;
        for (int k = 0; k < 8; k++) nodes[el.node[k]].use_count++;
    }
}

bool FEMg3D::face_visible(const t_face &f) const
{
    if (f.material != sel_material && !all_materials) return false;
    if (show_all_faces) return true;
    for (int k = 0; k < 4; k++) {
        const int n = nodes[f.node[k]].use_count;
        if (n >= 8 || n == 0) return false;
        if (f.shade < 0.01f) return false;
    }
    return true;
}

// Fit the window to the projection of the box (x max, x min, y max, y min, z max, z min):
// a twelfth of margin left, right and on top, two twelfths below.
void FEMg3D::fit_to_corners(const float box[6])
{
    float xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    for (int i = 0; i < 8; i++) {
        float px, py;
        project(box[(i & 1) ? 0 : 1], box[(i & 2) ? 2 : 3], box[(i & 4) ? 4 : 5], px, py);
        if (i == 0 || px < xmin) xmin = px;
        if (i == 0 || px > xmax) xmax = px;
        if (i == 0 || py < ymin) ymin = py;
        if (i == 0 || py > ymax) ymax = py;
    }
    const float mx = (xmax - xmin) / 12, my = (ymax - ymin) / 12;
    fit_window(xmin - mx, ymin - 2 * my, xmax + mx, ymax + my);
}

void FEMg3D::fit_to_model()
{
    fit_to_corners(extent);
}

void FEMg3D::fit_to_box()
{
    fit_to_corners(range_box);
}
