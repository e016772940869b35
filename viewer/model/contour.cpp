// Contour graph: range rules, status line, extreme markers, band and smooth triangles, colour
// scale.
#include <cmath>
#include <cstdio>

#include "draw.h"
#include "fem3d.h"

namespace
{
const int white = 0xFFFFFF;
const int black = 0x000000;
const int dark_blue = 0x7F0000;
const int red = 0x0000FF;

const char *const component_names[n_components] = {"Sx", "Sy", "Sz", "Syz", "Szx", "Sxy",
                                                   "Ex", "Ey", "Ez", "Eyz", "Ezx", "Exy",
                                                   "S1", "S2", "S3", "FI"};

const char contour_status_format[] =
    "<Contour line of  %s ::: Min. =%12.3e [%8.3f,%8.3f,%8.3f] Max. =%12.3e[%8.3f,%8.3f,%8.3f]>";
// Shown when no face belongs to the selected material: no node holds an extreme.
const char contour_no_face_format[] =
    "<Contour line of  %s ::: no element of the selected material>";

// Parameter of level L on the edge from value a to value b; an edge of equal values (met only
// through rounding at a level that touches a corner) gives the first corner.
float edge_param(float level, float a, float b)
{
    return b != a ? (level - a) / (b - a) : 0.0f;
}

// Band number of v, truncated toward zero. Values lie within the range, so the clamp only keeps
// a damaged value (not finite, far outside) from overflowing the conversion.
int band_of(float v, float vmin, float dv)
{
    const float q = (v - vmin) / dv;
    if (q != q) return 0;
    if (q < -1.0f) return -1;
    if (q > 1e8f) return 100000000;
    return static_cast<int>(q);
}
} // namespace

const char *component_name(int c)
{
    return (c >= 0 && c < n_components) ? component_names[c] : "";
}

bool is_stress_component(int c)
{
    return (c >= 0 && c <= 5) || (c >= 12 && c <= 14);
}

void contour_range(float data_min, float data_max, bool user_range_set, float user_max,
                   float user_min, float &vmin, float &vmax)
{
    vmin = data_min;
    vmax = data_max;
    if (user_range_set) {
        if (user_max > vmax) vmax = user_max;
        if (user_min < vmin) vmin = user_min;
    } else {
        const float m = std::fabs(vmin) > std::fabs(vmax) ? 1.0001f * std::fabs(vmin)
                                                          : 1.0001f * std::fabs(vmax);
        vmax = m;
        vmin = -m;
    }
}

float colour_red(float t, float b)
{
    float c;
    if (t < -1.0f)
        c = 0.0f;
    else if (t < 0.0f)
        c = -t * (t + 2.0f);
    else
        c = 0.5f * t * t;
    return c * b;
}

float colour_green(float t, float b)
{
    float c = 1.0f - t * t;
    if (c < 0.0f) c = 0.0f;
    if (c > 1.0f) c = 1.0f;
    return c * b;
}

float colour_blue(float t, float b)
{
    float c = -t * (t - 2.0f);
    if (c < 0.0f) c = 0.0f;
    if (c > 1.0f) c = 1.0f;
    return c * b;
}

// Packs the low byte of each channel, red lowest. A range of zero width has no scale; every value
// then takes the colour of its middle (t = 0).
int FEMg3D::value_colour(float v, float vmin, float vmax, float brightness) const
{
    const float width = vmax - vmin;
    const float t = width > 0.0f ? 2.0f * (v - vmin) / width - 1.0f : 0.0f;
    auto byte = [](float channel) {
        const float x = 255.0f * channel;
        // Beyond the scale (t far outside -1..1) the channel can leave 0..1; keep the low byte.
        if (!(x > -1e9f && x < 1e9f)) return 0;
        return static_cast<int>(static_cast<long long>(x) & 0xFF);
    };
    return byte(colour_red(t, brightness)) + 256 * byte(colour_green(t, brightness)) +
           65536 * byte(colour_blue(t, brightness));
}

// Contour of component c over the visible deformed faces. Extremes come from every face of the
// selected material (hidden ones too); the range is then widened to the user's or made
// symmetric; each face is cut into triangles 0-1-2 and 2-3-0.
void FEMg3D::draw_contour(canvas &cv, int c)
{
    if (smooth) smooth->clear(1.0f, 1.0f, 1.0f);
    last_contour.valid = false;
    if (!results_loaded || c < 0 || c >= n_components) return;
    const display_settings &ds = *settings;

    float vmin = 1e10f, vmax = -1e10f;
    int node_min = -1, node_max = -1;
    for (int i = n_faces - 1; i >= 0; i--) {
        const t_face &f = def_faces[i];
        if (f.material != sel_material && !all_materials) continue;
        for (int k = 0; k < 4; k++) {
            const int n = f.node[k];
            const float v = face_value(f, k, c);
            if (v < vmin) {
                vmin = v;
                node_min = n;
            }
            if (v > vmax) {
                vmax = v;
                node_max = n;
            }
        }
    }

    const bool stress = is_stress_component(c);
    const float f = stress ? ds.stress_factor : 1.0f;
    char text[256];
    if (node_min < 0 || node_max < 0) {
        std::snprintf(text, sizeof text, contour_no_face_format, component_names[c]);
        cv.text_out(0, 0, text);
        cv.set_brush(white, 0);
        cv.set_font_colour(black);
        return;
    }
    const float lf = ds.length_factor;
    const float *pmin = nodes[node_min].coord;
    const float *pmax = nodes[node_max].coord;
    std::snprintf(text, sizeof text, contour_status_format, component_names[c],
                  static_cast<double>(vmin * f), static_cast<double>(pmin[0] * lf),
                  static_cast<double>(pmin[1] * lf), static_cast<double>(pmin[2] * lf),
                  static_cast<double>(vmax * f), static_cast<double>(pmax[0] * lf),
                  static_cast<double>(pmax[1] * lf), static_cast<double>(pmax[2] * lf));
    cv.text_out(0, 0, text);
    cv.set_brush(white, 0);
    cv.set_font_colour(black);

    // User bounds are entered in display units; stresses go back to internal units.
    const float user_max = stress ? contour_max / ds.stress_factor : contour_max;
    const float user_min = stress ? contour_min / ds.stress_factor : contour_min;
    float lo, hi;
    contour_range(vmin, vmax, ds.contour_range_set, user_max, user_min, lo, hi);
    // Fewer than one division is taken as one band.
    const int divisions = contour_divisions > 0 ? contour_divisions : 1;
    const float dv = (hi - lo) / static_cast<float>(divisions);
    last_contour = {true, c, lo, hi, divisions, vmin, vmax};

    for (int i = n_faces - 1; i >= 0; i--) {
        const t_face &fc = def_faces[i];
        if (!face_visible(fc)) continue;
        const float brightness = (fc.shade + 1.0f) / 2.0f;
        static const int tri[2][3] = {{0, 1, 2}, {2, 3, 0}};
        for (const auto &t : tri) {
            float v[3], px[3], py[3];
            for (int k = 0; k < 3; k++) {
                v[k] = face_value(fc, t[k], c);
                px[k] = fc.proj[2 * t[k]];
                py[k] = fc.proj[2 * t[k] + 1];
            }
            fill_contour_triangle(cv, v, lo, hi, dv, px, py, brightness);
        }
        if (ds.wire_on) draw_face_outline(cv, fc);
    }

    const int marks[2] = {node_max, node_min};
    const int colours[2] = {dark_blue, red};
    for (int m = 0; m < 2; m++) {
        const t_node &nd = nodes[marks[m]];
        float qx = nd.coord[0] + disp_scale[0] * nd.disp[0];
        float qy = nd.coord[1] + disp_scale[1] * nd.disp[1];
        float qz = nd.coord[2] + disp_scale[2] * nd.disp[2];
        float px, py;
        project(qx, qy, qz, px, py);
        draw_circle(cv, px, py, 3, colours[m]);
    }
}

// One triangle in bands (iso-lines at every level between its smallest and largest value, each
// band coloured by the level above it) or, in smooth mode, as one interpolated triangle.
void FEMg3D::fill_contour_triangle(canvas &cv, const float v[3], float vmin, float vmax, float dv,
                                   const float px[3], const float py[3], float brightness)
{
    const float width = vmax - vmin;
    const bool flat = !(width > 0.0f) || !(dv > 0.0f);
    if (settings->smooth_contour) {
        if (!smooth) return;
        float xy[6], rgb[9];
        for (int k = 0; k < 3; k++) {
            const float t = flat ? 0.0f : 2.0f * v[k] / width - (vmax + vmin) / width;
            xy[2 * k] = px[k];
            xy[2 * k + 1] = py[k];
            rgb[3 * k] = colour_red(t, brightness);
            rgb[3 * k + 1] = colour_green(t, brightness);
            rgb[3 * k + 2] = colour_blue(t, brightness);
        }
        smooth->triangle(xy, rgb);
        smooth->flush();
        return;
    }

    // Corners in ascending order of value: i0, i1, i2.
    int idx[3] = {0, 1, 2};
    auto order = [&](int a, int b) {
        if (v[idx[a]] > v[idx[b]]) {
            const int s = idx[a];
            idx[a] = idx[b];
            idx[b] = s;
        }
    };
    order(0, 1);
    order(1, 2);
    order(0, 1);
    const float V0 = v[idx[0]], V1 = v[idx[1]], V2 = v[idx[2]];
    const float X0 = px[idx[0]], X1 = px[idx[1]], X2 = px[idx[2]];
    const float Y0 = py[idx[0]], Y1 = py[idx[1]], Y2 = py[idx[2]];

    int xy[2 * max_polygon_points];
    int count = 0;
    // A range of zero width is one band.
    const int k0 = flat ? 0 : band_of(V0, vmin, dv);
    const int k1 = flat ? 0 : band_of(V1, vmin, dv);
    const int k2 = flat ? 0 : band_of(V2, vmin, dv);
    if (k0 == k2) {
        add_point(X0, Y0, xy, count);
        add_point(X1, Y1, xy, count);
        add_point(X2, Y2, xy, count);
        fill_polygon(cv, xy, count, 999, value_colour(V0, vmin, vmax, brightness));
        return;
    }

    int passed = 0;
    int colour = 0;
    for (int k = k0 + 1; k <= k2; k++) {
        const float level = static_cast<float>(k) * dv + vmin;
        const float sa = edge_param(level, V0, V2);
        const float ax = (1.0f - sa) * X0 + sa * X2, ay = (1.0f - sa) * Y0 + sa * Y2;
        float bx, by;
        if (V1 >= level) {
            const float sb = edge_param(level, V0, V1);
            bx = (1.0f - sb) * X0 + sb * X1;
            by = (1.0f - sb) * Y0 + sb * Y1;
        } else {
            passed += 1;
            const float sb = edge_param(level, V1, V2);
            bx = (1.0f - sb) * X1 + sb * X2;
            by = (1.0f - sb) * Y1 + sb * Y2;
        }
        draw_line(cv, ax, ay, bx, by, black, 0, 1, 0);
        colour = value_colour(level, vmin, vmax, brightness);
        if (k == k0 + 1) add_point(X0, Y0, xy, count);
        add_point(ax, ay, xy, count);
        add_point(bx, by, xy, count);
        if (passed == 1) add_point(X1, Y1, xy, count);
        fill_polygon(cv, xy, count, 999, colour);
        count = 0;
        add_point(bx, by, xy, count);
        add_point(ax, ay, xy, count);
    }
    add_point(X2, Y2, xy, count);
    if (k1 == k2) add_point(X1, Y1, xy, count);
    fill_polygon(cv, xy, count, 999, colour);
}
