// Mouse navigation of the view: orbit, zoom, pan and fit.
#include "navigate.h"

#include "fem3d.h"
#include "legend.h"

#include <algorithm>
#include <cmath>

namespace
{
const float pi = 3.14159265f;

// The projection-plane point of the centre and the model's scale there.
struct anchor {
    float px = 0, py = 0;
    float scale = 0;
};

anchor anchor_of(const FEMg3D &m, const float c[3])
{
    anchor a;
    m.project(c[0], c[1], c[2], a.px, a.py);
    a.scale = view_scale(m);
    return a;
}

// Moves and scales the world window so that the centre, now at `after` on the projection plane,
// shows on the pixel it had (at `before`), and one model unit there spans `keep` times the
// pixels it now spans (1: the new scale stays, before.scale / after.scale: the old one returns).
void reframe(FEMg3D &m, const anchor &before, const anchor &after, float keep)
{
    if (!(keep > 0) || !std::isfinite(keep)) keep = 1.0f;
    const float w = m.win_xmax - m.win_xmin, h = m.win_ymax - m.win_ymin;
    const float s = 1.0f / keep; // the window grows as the scale is taken back
    const float x0 = after.px - (before.px - m.win_xmin) * s;
    const float y0 = after.py - (before.py - m.win_ymin) * s;
    m.fit_window(x0, y0, x0 + w * s, y0 + h * s);
}

float model_radius(const FEMg3D &m)
{
    const float *e = m.extent;
    const float dx = e[0] - e[1], dy = e[2] - e[3], dz = e[4] - e[5];
    return 0.5f * std::sqrt(dx * dx + dy * dy + dz * dz);
}
} // namespace

void view_centre(const FEMg3D &m, float c[3])
{
    const float *b = m.range_box; // extent order: x max, x min, y max, y min, z max, z min
    const bool boxed = b[0] > b[1] || b[2] > b[3] || b[4] > b[5];
    const float *e = boxed ? b : m.extent;
    c[0] = (e[0] + e[1]) / 2;
    c[1] = (e[2] + e[3]) / 2;
    c[2] = (e[4] + e[5]) / 2;
}

float view_scale(const FEMg3D &m)
{
    float c[3];
    view_centre(m, c);
    return view_triad(m, c, 1.0f).pixels_per_unit;
}

void orbit_view(FEMg3D &m, float dtheta, float dphi)
{
    float c[3];
    view_centre(m, c);
    const anchor before = anchor_of(m, c);
    float theta = m.theta + dtheta;
    while (theta > pi) theta -= 2 * pi;
    while (theta < -pi) theta += 2 * pi;
    m.theta = theta;
    m.phi = std::clamp(m.phi + dphi, -orbit_phi_limit, orbit_phi_limit);
    m.build_view_matrix();
    const anchor after = anchor_of(m, c);
    reframe(m, before, after, after.scale > 0 ? before.scale / after.scale : 1.0f);
}

void zoom_view(FEMg3D &m, float factor, int px, int py)
{
    if (!(factor > 0) || !std::isfinite(factor)) return;
    float c[3];
    view_centre(m, c);
    const anchor before = anchor_of(m, c);
    // the eye stays beyond one and a half model radii from the centre
    const float centre_distance = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    const float nearest = centre_distance + 1.5f * model_radius(m);
    const float rou = m.rou / factor;
    if (factor < 1.0f || rou >= nearest)
        m.rou = std::min(rou, 1.0e8f);
    else
        m.d1 *= factor;
    m.build_view_matrix();
    const anchor after = anchor_of(m, c);
    reframe(m, before, after, 1.0f);
    // the scale about the centre's pixel grew by s: the point under (px, py) moved away from
    // it by (s - 1) times its distance; take the picture back by that much
    const float s = before.scale > 0 ? after.scale / before.scale : 1.0f;
    int cx = 0, cy = 0;
    m.to_pixel(after.px, after.py, cx, cy);
    pan_view(m, static_cast<int>(std::lround(-(s - 1.0f) * static_cast<float>(px - cx))),
             static_cast<int>(std::lround(-(s - 1.0f) * static_cast<float>(py - cy))));
}

void pan_view(FEMg3D &m, int dx, int dy)
{
    if (!(m.pix_per_unit_x > 0) || !(m.pix_per_unit_y > 0)) return;
    const float ux = static_cast<float>(dx) / m.pix_per_unit_x;
    const float uy = static_cast<float>(dy) / m.pix_per_unit_y; // rows grow downward
    m.fit_window(m.win_xmin - ux, m.win_ymin + uy, m.win_xmax - ux, m.win_ymax + uy);
}

void fit_view(FEMg3D &m)
{
    m.fit_to_box();
}
