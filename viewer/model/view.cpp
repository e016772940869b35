// View of t_grph: view matrix, perspective projection, window fitting and canvas primitives.
#include "view.h"

#include <cmath>

t_grph::t_grph()
{
    init_view();
}

void t_grph::init_view()
{
    surf_width = 640;
    surf_height = 400;
    aspect = 400.0f / 640.0f;
    theta = -2.3561945f;
    phi = 0.5235988f;
    rou = 3000.0f;
    d1 = 3000.0f;
    light[0] = -1.5f;
    light[1] = -1.0f;
    light[2] = 2.5f;
    build_view_matrix();
}

// M = T x C x B x A: move the eye to the origin, turn the azimuth, tilt the elevation,
// mirror the first axis. Angles are the stored floats, pi/2 in double.
void t_grph::build_view_matrix()
{
    const double half_pi = 1.57079632679489661923;
    float t[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    t[3][0] = static_cast<float>(-rou * std::cos(phi) * std::cos(theta));
    t[3][1] = static_cast<float>(-rou * std::cos(phi) * std::sin(theta));
    t[3][2] = static_cast<float>(-rou * std::sin(phi));
    float c[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const double a = theta - half_pi;
    c[0][0] = static_cast<float>(std::cos(a));
    c[0][1] = static_cast<float>(-std::sin(a));
    c[1][0] = static_cast<float>(std::sin(a));
    c[1][1] = static_cast<float>(std::cos(a));
    float b[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const double bb = phi + half_pi;
    b[1][1] = static_cast<float>(std::cos(bb));
    b[1][2] = static_cast<float>(-std::sin(bb));
    b[2][1] = static_cast<float>(std::sin(bb));
    b[2][2] = static_cast<float>(std::cos(bb));
    const float mirror[4][4] = {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    auto mul = [](const float l[4][4], const float r[4][4], float out[4][4]) {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++) {
                float s = 0;
                for (int k = 0; k < 4; k++) s += l[i][k] * r[k][j];
                out[i][j] = s;
            }
    };
    float tc[4][4], tcb[4][4];
    mul(t, c, tc);
    mul(tc, b, tcb);
    mul(tcb, mirror, view_matrix);
}

// px = X d1 / W, py = Y d1 / W for the row vector [x y z 1] M.
void t_grph::project(float x, float y, float z, float &px, float &py) const
{
    const float(*m)[4] = view_matrix;
    const float xx = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
    const float yy = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
    const float w = x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2];
    px = xx * d1 / w;
    py = yy * d1 / w;
}

float t_grph::depth_of(float x, float y, float z) const
{
    const float(*m)[4] = view_matrix;
    return x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2];
}

namespace
{
// Truncation toward zero; values beyond the int range (a degenerate window, a point at the
// eye) are held at +-1e9 instead of overflowing the conversion.
int truncate_pixel(float v)
{
    if (!(v > -1e9f)) return v != v ? 0 : -1000000000;
    if (!(v < 1e9f)) return 1000000000;
    return static_cast<int>(v);
}
} // namespace

// Pixel rows grow downward: win_ymax maps to row 0.
void t_grph::to_pixel(float px, float py, int &ix, int &iy) const
{
    ix = truncate_pixel((px - win_xmin) * pix_per_unit_x);
    iy = truncate_pixel(static_cast<float>(surf_height) - (py - win_ymin) * pix_per_unit_y);
}

void t_grph::correct_aspect(float &x0, float &y0, float &x1, float &y1) const
{
    const float dx = x1 - x0, dy = y1 - y0;
    if (dy / dx > aspect) {
        const float cx = (x0 + x1) / 2;
        x0 = cx - dy / aspect / 2;
        x1 = cx + dy / aspect / 2;
    } else {
        const float cy = (y0 + y1) / 2;
        y0 = cy - dx * aspect / 2;
        y1 = cy + dx * aspect / 2;
    }
}

void t_grph::set_window(float x0, float y0, float x1, float y1)
{
    win_xmin = x0;
    win_ymin = y0;
    win_xmax = x1;
    win_ymax = y1;
    vp_left = 0;
    vp_top = 0;
    vp_right = surf_width - 1;
    vp_bottom = surf_height - 1;
    pix_per_unit_x = static_cast<float>(surf_width) / (x1 - x0);
    pix_per_unit_y = static_cast<float>(surf_height) / (y1 - y0);
    build_view_matrix();
}

void t_grph::fit_window(float x0, float y0, float x1, float y1)
{
    correct_aspect(x0, y0, x1, y1);
    set_window(x0, y0, x1, y1);
}

void t_grph::resize_surface(int w, int h)
{
    surf_width = w;
    surf_height = h;
    aspect = static_cast<float>(h) / static_cast<float>(w);
    float x0 = win_xmin, y0 = win_ymin, x1 = win_xmax, y1 = win_ymax;
    correct_aspect(x0, y0, x1, y1);
    set_window(x0, y0, x1, y1);
    if (smooth) {
        // Smooth contour triangles come in projection-plane coordinates; the y range is
        // shifted up by 0.095 of the window height.
        const float t = 0.095f * (win_ymax - win_ymin);
        smooth->set_projection(w, h, win_xmin, win_xmax, win_ymin + t, win_ymax + t);
    }
}

float t_grph::shade_of(const float n[3]) const
{
    float dot = 0, nn = 0, ll = 0;
    for (int i = 0; i < 3; i++) {
        dot += -n[i] * light[i];
        nn += n[i] * n[i];
        ll += light[i] * light[i];
    }
    return dot / std::sqrt(nn) / std::sqrt(ll);
}

void t_grph::draw_line(canvas &cv, float px1, float py1, float px2, float py2, int colour,
                       int style, int width, int mode) const
{
    cv.set_pen(colour, width, style);
    int x1, y1, x2, y2;
    to_pixel(px1, py1, x1, y1);
    to_pixel(px2, py2, x2, y2);
    if (mode == 0) {
        cv.move_to(x1, y1);
        cv.line_to(x2, y2);
    } else if (mode == 1) {
        cv.rectangle(x1, y1, x2, y2);
    }
}

void t_grph::draw_circle(canvas &cv, float px, float py, int r, int colour) const
{
    cv.set_pen(colour, 1, 0);
    int ix, iy;
    to_pixel(px, py, ix, iy);
    cv.arc(ix - r, iy - r, ix + r, iy + r, ix - r, iy - r, ix - r, iy - r);
}

void t_grph::add_point(float px, float py, int *xy, int &count) const
{
    if (count < 0 || count >= max_polygon_points) return;
    to_pixel(px, py, xy[2 * count], xy[2 * count + 1]);
    count++;
}

void t_grph::fill_polygon(canvas &cv, const int *xy, int count, int brush_style, int colour) const
{
    cv.set_pen(colour, 1, 0);
    if (brush_style >= 0 && brush_style < 6)
        cv.set_brush(colour, brush_style);
    else if (brush_style == 999)
        cv.set_brush(colour, 0);
    cv.polygon(xy, count);
}

// Edges of the face z = z0, of the face z = z1, then the four edges parallel to z.
void t_grph::draw_box(canvas &cv, float x0, float x1, float y0, float y1, float z0, float z1,
                      int colour, int style, int width) const
{
    const float xs[4] = {x0, x1, x1, x0};
    const float ys[4] = {y0, y0, y1, y1};
    float bx[4], by[4], tx[4], ty[4];
    for (int k = 0; k < 4; k++) {
        project(xs[k], ys[k], z0, bx[k], by[k]);
        project(xs[k], ys[k], z1, tx[k], ty[k]);
    }
    for (int k = 0; k < 4; k++)
        draw_line(cv, bx[k], by[k], bx[(k + 1) % 4], by[(k + 1) % 4], colour, style, width, 0);
    for (int k = 0; k < 4; k++)
        draw_line(cv, tx[k], ty[k], tx[(k + 1) % 4], ty[(k + 1) % 4], colour, style, width, 0);
    for (int k = 0; k < 4; k++) draw_line(cv, bx[k], by[k], tx[k], ty[k], colour, style, width, 0);
}
