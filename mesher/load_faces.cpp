// Distribution of the rectangular surface loads onto four-node faces of the top surface.
#include "tarnel.h"

#include <algorithm>
#include <cmath>

static void add_face(tarnel_run &run, const int nodes[4], const float t[3], float area, bool loaded)
{
    run.face_nodes.insert(run.face_nodes.end(), nodes, nodes + 4);
    run.face_t.insert(run.face_t.end(), t, t + 3);
    run.face_area.push_back(area);
    run.face_loaded.push_back(loaded ? 1 : 0);
    ++run.nedge;
}

// Top-layer lines inside [lo, hi] (inclusive), in order.
static std::vector<float> lines_within(const std::vector<float> &lines, float lo, float hi)
{
    std::vector<float> inside;
    for (float v : lines)
        if (v >= lo && v <= hi) inside.push_back(v);
    return inside;
}

// Default mode: the load edges are grid lines, so every top cell under a load that is wider
// than the joint threshold in both directions becomes one face with the load's traction.
// Corners run (xa,ya) (xa,yb) (xb,yb) (xb,ya) at the top z. A face with a corner that has no
// node (a cell without element under it) is reported and skipped.
static void make_grid_faces(tarnel_run &run)
{
    const float jw = run.opt.joint_width, ztop = run.box_max[2];
    for (std::size_t k = 0; k < run.loads.size(); ++k) {
        const tarnel_load &ld = run.loads[k];
        const std::vector<float> xs = lines_within(run.top_x_lines, ld.x1, ld.x2);
        const std::vector<float> ys = lines_within(run.top_y_lines, ld.y1, ld.y2);
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
            const float ya = ys[j], yb = ys[j + 1];
            if (!(yb - ya > jw)) continue;
            for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
                const float xa = xs[i], xb = xs[i + 1];
                if (!(xb - xa > jw)) continue;
                const float corner[4][2] = {{xa, ya}, {xa, yb}, {xb, yb}, {xb, ya}};
                int nodes[4];
                int missing = -1;
                for (int c = 0; c < 4; ++c) {
                    nodes[c] = find_node(run, corner[c][0], corner[c][1], ztop);
                    if (nodes[c] < 0 && missing < 0) missing = c;
                }
                if (missing >= 0) {
                    std::fprintf(run.msg_err,
                                 "tarnel: load %d: face (%g, %g)-(%g, %g) skipped: no node at "
                                 "its corner (%g, %g, %g)\n",
                                 static_cast<int>(k), xa, ya, xb, yb, corner[missing][0],
                                 corner[missing][1], ztop);
                    continue;
                }
                const float area = (xb - xa) * (yb - ya);
                add_face(run, nodes, ld.t, area, true);
                for (int c = 0; c < 3; ++c) {
                    run.generated[c] += area * ld.t[c];
                    run.generated_magnitude[c] += std::fabs(area * ld.t[c]);
                }
            }
        }
    }
}

// Faces of the solid element's node positions, each with its four corners in this order.
static const int element_faces[6][4] = {{0, 4, 5, 1}, {1, 5, 6, 2}, {4, 7, 6, 5},
                                        {2, 6, 7, 3}, {7, 4, 0, 3}, {0, 1, 2, 3}};

// -W mode: every top face of a solid element is a candidate; a load adds traction times the
// fraction of the face it overlaps (x and y ranges from the face's first and third corners).
static void make_surface_faces(tarnel_run &run)
{
    const float ztop = run.box_max[2];
    const float zero[3] = {0, 0, 0};
    for (int e = 0; e < run.ne; ++e) {
        const int *c = &run.conn[static_cast<std::size_t>(e) * conn_size];
        if (type_code(run.mats[static_cast<std::size_t>(c[8]) * mat_size + 11]) != 0) continue;
        for (const auto &f : element_faces) {
            int nodes[4];
            bool top = true;
            for (int k = 0; k < 4; ++k) {
                nodes[k] = c[f[k]];
                top = top && std::fabs(run.coords[static_cast<std::size_t>(nodes[k]) * 3 + 2] -
                                       ztop) < 0.0001;
            }
            if (!top) continue;
            const float *a = &run.coords[static_cast<std::size_t>(nodes[0]) * 3];
            const float *b = &run.coords[static_cast<std::size_t>(nodes[2]) * 3];
            add_face(run, nodes, zero, std::fabs(a[0] - b[0]) * std::fabs(a[1] - b[1]), false);
        }
    }
    for (const tarnel_load &ld : run.loads)
        for (int f = 0; f < run.nedge; ++f) {
            const float *a = &run.coords[static_cast<std::size_t>(run.face_nodes[4 * f]) * 3];
            const float *b = &run.coords[static_cast<std::size_t>(run.face_nodes[4 * f + 2]) * 3];
            const float fx1 = std::min(a[0], b[0]), fx2 = std::max(a[0], b[0]);
            const float fy1 = std::min(a[1], b[1]), fy2 = std::max(a[1], b[1]);
            const float wx = std::min(ld.x2, fx2) - std::max(ld.x1, fx1);
            const float wy = std::min(ld.y2, fy2) - std::max(ld.y1, fy1);
            const float overlap = (wx > 0 && wy > 0) ? wx * wy : 0.0f;
            if (overlap < 1e-20) continue;
            run.face_loaded[static_cast<std::size_t>(f)] = 1;
            for (int c = 0; c < 3; ++c)
                run.face_t[3 * static_cast<std::size_t>(f) + c] +=
                    ld.t[c] * overlap / run.face_area[static_cast<std::size_t>(f)];
        }
    for (int f = 0; f < run.nedge; ++f)
        if (run.face_loaded[static_cast<std::size_t>(f)])
            for (int c = 0; c < 3; ++c) {
                const float part = run.face_area[static_cast<std::size_t>(f)] *
                                   run.face_t[3 * static_cast<std::size_t>(f) + c];
                run.generated[c] += part;
                run.generated_magnitude[c] += std::fabs(part);
            }
}

// Load faces of either mode, then the correction ratio per component: requested / generated,
// or the requested total itself when nothing was generated. A component whose generated total
// cancels (tractions of opposite sign on different faces: the total is a negligible part of
// the sum of its magnitudes) has no meaningful ratio: it is written as given, with a note.
void make_load_faces(tarnel_run &run)
{
    std::fprintf(run.msg_out, "Process status::Making load data\n");
    run.nedge = 0;
    run.face_nodes.clear();
    run.face_t.clear();
    run.face_area.clear();
    run.face_loaded.clear();
    for (int c = 0; c < 3; ++c) run.generated[c] = run.generated_magnitude[c] = 0.0f;
    if (run.opt.face_mode)
        make_surface_faces(run);
    else
        make_grid_faces(run);
    const char axis[3] = {'1', '2', '3'};
    for (int c = 0; c < 3; ++c) {
        const float magnitude = run.generated_magnitude[c];
        if (magnitude > 0.0f && std::fabs(run.generated[c]) <= 1e-4f * magnitude) {
            std::fprintf(run.msg_err,
                         "tarnel: traction component %c: the generated total %g cancels "
                         "(the magnitudes sum to %g); its tractions are written as given, not "
                         "scaled\n",
                         axis[c], static_cast<double>(run.generated[c]),
                         static_cast<double>(magnitude));
            run.ratio[c] = 1.0f;
            continue;
        }
        run.ratio[c] =
            run.generated[c] != 0.0f ? run.requested[c] / run.generated[c] : run.requested[c];
    }
}
