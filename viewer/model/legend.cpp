// The key panel beside the model: contour bands, principal-stress and dowel-diagram scales,
// material colours, and the axis triad.
#include "legend.h"

#include "graph.h"

#include "dialogs.h"
#include "draw.h"
#include "fem3d.h"
#include "navigate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{
const int black = 0x000000;
const int white = 0xFFFFFF;
const int grey = 0x808080;
const int light_grey = 0xDCDCDC;
const int dark_blue = 0x7F0000; // tension, dowel bending, the maximum's circle
const int red = 0x0000FF;       // compression, dowel shear, the minimum's circle, wheel prints
const int axis_colours[3] = {0x0000C0, 0x00A000, 0xC00000}; // x red, y green, z blue
const char *const axis_names[3] = {"x", "y", "z"};

const int margin = 10;                                // the panel's inner margin, pixels
const int triad_room = 104;                           // the foot of the panel kept for the triad
const int triad_length = 36;                          // pixels of an axis across the line of sight
const int swatch = 22;                                // width of a colour sample
const int max_bar = key_panel_width - 2 * margin - 4; // longest scale bar, pixels

// Writes lines down the panel: one row per text at the canvas's line height.
struct key_writer {
    canvas &cv;
    int x = 0, y = 0, right = 0, row = 14;

    void text(const char *t, int colour = black, int indent = 0)
    {
        cv.set_brush(white, 0);
        cv.set_font_colour(colour);
        cv.text_out(x + indent, y, t);
        y += row;
    }
    // A colour sample (filled box) and its text on one row.
    void sample_box(int colour, const char *t)
    {
        cv.set_pen(black, 1, 0);
        cv.set_brush(colour, 0);
        cv.rectangle(x, y + 2, x + swatch, y + row - 1);
        cv.set_brush(white, 0);
        cv.set_font_colour(black);
        cv.text_out(x + swatch + 6, y, t);
        y += row;
    }
    // A line sample of the given colour and width and its text on one row.
    void sample_line(int colour, int width, const char *t)
    {
        cv.set_pen(colour, width, 0);
        cv.move_to(x, y + row / 2);
        cv.line_to(x + swatch, y + row / 2);
        cv.set_brush(white, 0);
        cv.set_font_colour(black);
        cv.text_out(x + swatch + 6, y, t);
        y += row;
    }
    void gap(int pixels) { y += pixels; }
};

const char *stress_unit(const display_settings &ds)
{
    return ds.unit_text_si ? "MPa" : "kgf/cm2";
}

// A horizontal scale bar of `pixels` length with end ticks and its value below it.
void scale_bar(key_writer &w, int pixels, const char *label)
{
    const int y = w.y + w.row / 2;
    w.cv.set_pen(black, 1, 0);
    w.cv.move_to(w.x, y);
    w.cv.line_to(w.x + pixels, y);
    w.cv.move_to(w.x, y - 4);
    w.cv.line_to(w.x, y + 5);
    w.cv.move_to(w.x + pixels, y - 4);
    w.cv.line_to(w.x + pixels, y + 5);
    w.y += w.row;
    w.text(label);
}

// A round stress (display units) whose drawn length, at pixels_per_stress display units, lies
// near `target` pixels; its length in pixels.
double round_stress_for(double pixels_per_stress, double target, int &pixels)
{
    if (!(pixels_per_stress > 0) || !std::isfinite(pixels_per_stress)) {
        pixels = 0;
        return 0;
    }
    double s = round_scale_value(target / pixels_per_stress);
    pixels = static_cast<int>(std::lround(s * pixels_per_stress));
    if (pixels > max_bar) {
        s /= 2;
        pixels = static_cast<int>(std::lround(s * pixels_per_stress));
    }
    return s;
}

void contour_key(FEMg3D &m, const display_settings &ds, key_writer &w, int height)
{
    const FEMg3D::contour_bands &b = m.last_contour;
    char text[96];
    if (!b.valid) {
        w.text("no contour drawn");
        return;
    }
    const bool stress = is_stress_component(b.component);
    const double f = stress ? ds.stress_factor : 1.0;
    if (stress)
        std::snprintf(text, sizeof text, "%s (%s)", component_name(b.component), stress_unit(ds));
    else
        std::snprintf(text, sizeof text, "%s", component_name(b.component));
    w.text(text);
    const int bands = b.divisions;
    std::snprintf(text, sizeof text, "%s units, %d bands", ds.unit_text_si ? "SI" : "kgf-cm",
                  bands);
    w.text(text);
    // per-material averaging changes the values: the key says which means are drawn
    if (stress && ds.per_material) w.text("per-material nodal means", grey);
    // the bounds are written centred on the box edges: half a row more above the first box
    w.gap(w.row / 2 + 4);
    // at most 20 boxes, each several bands when there are more
    const int per_box = bands > 20 ? (bands + 19) / 20 : 1;
    const int boxes = (bands + per_box - 1) / per_box;
    const int room = height - w.y - 4 * w.row - triad_room;
    const int box_h = std::clamp(room / std::max(1, boxes), 6, 20);
    const double dv = static_cast<double>(b.hi - b.lo) / bands;
    const double step = dv * per_box * f;
    const int top = w.y;
    for (int k = 0; k <= boxes; ++k) {
        const int band_hi = std::max(0, bands - k * per_box);
        const double level = b.lo + dv * band_hi;
        const int y = top + k * box_h;
        if (k < boxes) {
            // coloured as its top band: by the level above it, as the contour colours it
            const int colour = m.value_colour(static_cast<float>(level), b.lo, b.hi, 1.0f);
            w.cv.set_pen(black, 1, 0);
            w.cv.set_brush(colour, 0);
            w.cv.rectangle(w.x, y, w.x + swatch + 2, y + box_h + 1);
        }
        const std::string v = scale_text(level * f, step);
        w.cv.set_brush(white, 0);
        w.cv.set_font_colour(black);
        w.cv.text_out(w.x + swatch + 8, y - w.row / 2, v.c_str());
    }
    w.y = top + boxes * box_h + w.row / 2 + 8;
    // the circles of the picture: the largest value (dark blue) and the smallest (red)
    const int marks[2] = {dark_blue, red};
    const char *const words[2] = {"max", "min"};
    const double values[2] = {b.data_max * f, b.data_min * f};
    for (int k = 0; k < 2; ++k) {
        const int cx = w.x + 6, cy = w.y + w.row / 2;
        w.cv.set_pen(marks[k], 1, 0);
        w.cv.arc(cx - 3, cy - 3, cx + 3, cy + 3, cx - 3, cy - 3, cx - 3, cy - 3);
        std::snprintf(text, sizeof text, "%s %s", words[k],
                      scale_text(values[k], step / 10).c_str());
        w.cv.set_brush(white, 0);
        w.cv.set_font_colour(black);
        w.cv.text_out(w.x + 16, w.y, text);
        w.y += w.row;
    }
    w.text("circled in the picture", grey);
}

void principal_key(FEMg3D &m, const display_settings &ds, key_writer &w, float ppu)
{
    static const char *const choices[4] = {"Minimum", "Middle", "Maximum", "All three"};
    const int choice = std::clamp(ds.principal_choice, 0, 3);
    char text[96];
    std::snprintf(text, sizeof text, "Principal stress (%s)", stress_unit(ds));
    w.text(text);
    w.text(choices[choice]);
    w.gap(4);
    w.sample_line(dark_blue, 1, "tension");
    w.sample_line(red, 1, "compression");
    w.sample_line(black, 3, "largest and smallest");
    // the extremes over the solids (every principal value, as the thick bars)
    float vmax = -1e10f, vmin = 1e10f;
    for (int e = 0; e < m.n_elements; e++) {
        if (m.material_kind(m.elements[e].draw_material) != 0) continue;
        for (float v : m.elements[e].principal) {
            vmax = std::max(vmax, v);
            vmin = std::min(vmin, v);
        }
    }
    const double f = ds.stress_factor;
    // a bar is 2 x principal_scale x value long (model units)
    const double pixels_per_stress = 2.0 * m.principal_scale * ppu / f;
    int pixels = 0;
    const double s = round_stress_for(pixels_per_stress, 60.0, pixels);
    if (vmax >= vmin) {
        const double step = std::max(std::fabs(vmax * f), std::fabs(vmin * f)) / 100.0;
        // what these are: the element-centre values of the bars, not the nodal contours
        w.text("at element centres:", grey);
        std::snprintf(text, sizeof text, "largest %s", scale_text(vmax * f, step).c_str());
        w.text(text);
        std::snprintf(text, sizeof text, "smallest %s", scale_text(vmin * f, step).c_str());
        w.text(text);
        w.text("(the contours' nodal", grey);
        w.text(" values can be larger)", grey);
    }
    if (pixels > 0) {
        w.gap(4);
        std::snprintf(text, sizeof text, "bar of %g %s", s, stress_unit(ds));
        scale_bar(w, pixels, text);
        w.text("(at the model's centre)", grey);
    }
}

void dowel_key(FEMg3D &m, const display_settings &ds, key_writer &w, bool bending, float ppu)
{
    char text[96];
    std::snprintf(text, sizeof text, "Dowel %s (%s)", bending ? "bending" : "shear",
                  stress_unit(ds));
    w.text(text);
    std::snprintf(text, sizeof text, "%d dowels", m.n_dowels);
    w.text(text);
    w.gap(4);
    w.sample_line(bending ? dark_blue : red, 1, "stress along the bar");
    // the bar itself: its first half red, its second dark blue
    {
        const int y = w.y + w.row / 2;
        w.cv.set_pen(red, 3, 0);
        w.cv.move_to(w.x, y);
        w.cv.line_to(w.x + swatch / 2, y);
        w.cv.set_pen(dark_blue, 3, 0);
        w.cv.move_to(w.x + swatch / 2, y);
        w.cv.line_to(w.x + swatch, y);
        w.cv.set_brush(white, 0);
        w.cv.set_font_colour(black);
        w.cv.text_out(w.x + swatch + 6, w.y, "bar: - half, + half");
        w.y += w.row;
    }
    w.sample_line(light_grey, 1, "solid materials");
    float largest = 0;
    for (const t_dowel &d : m.dowels) {
        const float *p = bending ? d.bending : d.shear;
        for (int i = 0; i < dowel_stations; ++i) largest = std::max(largest, std::fabs(p[i]));
    }
    const double f = ds.stress_factor;
    std::snprintf(text, sizeof text, "largest |value| %s",
                  scale_text(largest * f, largest * f / 100.0).c_str());
    w.text(text);
    const double pixels_per_stress = (bending ? m.bend_scale : m.shear_scale) * ppu / f;
    int pixels = 0;
    const double s = round_stress_for(pixels_per_stress, 50.0, pixels);
    if (pixels > 0) {
        w.gap(4);
        std::snprintf(text, sizeof text, "offset of %g %s", s, stress_unit(ds));
        scale_bar(w, pixels, text);
    }
}

void mesh_key(FEMg3D &m, const display_settings &ds, key_writer &w, bool deformed, int height)
{
    char text[96];
    w.text(deformed ? "Deformed shape" : "Mesh");
    if (deformed) {
        const float *d = m.disp_scale;
        if (d[0] == d[1] && d[1] == d[2])
            std::snprintf(text, sizeof text, "displacement x %g", static_cast<double>(d[0]));
        else
            std::snprintf(text, sizeof text, "displacement x %g, %g, %g", static_cast<double>(d[0]),
                          static_cast<double>(d[1]), static_cast<double>(d[2]));
        w.text(text);
    }
    std::snprintf(text, sizeof text, "materials, E (%s)", stress_unit(ds));
    w.text(text);
    w.gap(2);
    // the shown solids, each in the colour of its most lit face
    std::vector<float> shade(static_cast<std::size_t>(std::max(0, m.n_materials)), -2.0f);
    for (int i = 0; i < m.n_faces; ++i) {
        const t_face &f = deformed ? m.def_faces[i] : m.faces[i];
        if (f.material < 0 || f.material >= m.n_materials || !m.face_visible(f)) continue;
        shade[f.material] = std::max(shade[f.material], f.shade);
    }
    const bool wheels = ds.wheel_mode != 0 && m.n_load_faces > 0;
    const int rows = (height - w.y - triad_room - (wheels ? w.row : 0)) / w.row;
    int shown = 0, left = 0;
    for (int mat = 0; mat < m.n_materials; ++mat) {
        if (shade[mat] < -1.0f) continue;
        if (shown >= rows - 1 && mat != m.n_materials - 1) {
            ++left;
            continue;
        }
        const float e = m.materials[mat].value[0];
        const double shown_e = static_cast<double>(e * ds.stress_factor);
        // whole numbers from 100 up (a slab's 28000 MPa, not 2.8e+04)
        std::snprintf(text, sizeof text, std::fabs(shown_e) >= 100 ? "%s  %.0f" : "%s  %.4g",
                      material_name(mat).c_str(), shown_e);
        w.sample_box(m.material_colour(e, shade[mat]), text);
        ++shown;
    }
    if (left > 0) {
        std::snprintf(text, sizeof text, "and %d more", left);
        w.text(text, grey);
    }
    if (shown == 0) w.text("no face shown", grey);
    if (wheels) w.sample_box(red, "wheel prints");
}

} // namespace

int model_area_width(const display_settings &ds, int width)
{
    if (!ds.legend || width < 2 * key_panel_width) return width;
    return width - key_panel_width;
}

double round_scale_value(double value)
{
    if (!(value > 0) || !std::isfinite(value)) return 1.0;
    const double p = std::pow(10.0, std::floor(std::log10(value)));
    for (double k : {1.0, 2.0, 5.0, 10.0})
        if (k * p >= value * (1 - 1e-9)) return k * p;
    return 10.0 * p;
}

std::string scale_text(double value, double step)
{
    char text[48];
    step = std::fabs(step);
    if (!std::isfinite(value)) return "-";
    if (!(step > 0) || !std::isfinite(step)) {
        std::snprintf(text, sizeof text, "%.4g", value);
        return text;
    }
    if (std::fabs(value) < step * 1e-3) value = 0; // what float sums leave of zero
    const double mag = std::max(std::fabs(value), step);
    if (mag >= 1e7 || step < 1e-5) {
        std::snprintf(text, sizeof text, "%.2e", value);
        return text;
    }
    // two significant digits of the step
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(step))), 0, 6);
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // no "-0.00"
    if (std::string(text).find_first_not_of("-0.") == std::string::npos && text[0] == '-')
        return text + 1;
    return text;
}

axis_triad view_triad(const t_grph &view, const float point[3], float length)
{
    axis_triad t;
    // pixel steps of a short move along each axis; a turn of the model keeps the sum of their
    // squares at twice the square of the view's scale, whatever the direction
    const float h = 1.0f;
    float ox, oy;
    view.project(point[0], point[1], point[2], ox, oy);
    const double ppu_x = view.pix_per_unit_x, ppu_y = view.pix_per_unit_y;
    double d[3][2], sum = 0;
    for (int a = 0; a < 3; ++a) {
        float q[3] = {point[0], point[1], point[2]};
        q[a] += h;
        float px, py;
        view.project(q[0], q[1], q[2], px, py);
        d[a][0] = (static_cast<double>(px) - ox) * ppu_x;
        d[a][1] = -(static_cast<double>(py) - oy) * ppu_y; // rows grow downward
        sum += d[a][0] * d[a][0] + d[a][1] * d[a][1];
        t.toward[a] = view.depth_of(q[0], q[1], q[2]) < view.depth_of(point[0], point[1], point[2]);
    }
    const double scale = std::sqrt(sum / 2.0); // pixels per unit length across the sight line
    if (!(scale > 0) || !std::isfinite(scale)) return t;
    t.valid = true;
    t.pixels_per_unit = static_cast<float>(scale / h);
    for (int a = 0; a < 3; ++a) {
        t.dx[a] = static_cast<float>(d[a][0] / scale * length);
        t.dy[a] = static_cast<float>(d[a][1] / scale * length);
    }
    return t;
}

void draw_triad(canvas &cv, const axis_triad &t, int x, int y, int left, int top, int right,
                int bottom)
{
    if (!t.valid) return;
    const int th = cv.text_height();
    for (int a = 0; a < 3; ++a) {
        const float dx = t.dx[a], dy = t.dy[a];
        const float len = std::sqrt(dx * dx + dy * dy);
        const int tx = x + static_cast<int>(std::lround(dx)),
                  ty = y + static_cast<int>(std::lround(dy));
        cv.set_pen(axis_colours[a], 2, 0);
        int lx, ly; // the label's top left corner
        if (len < 6.0f) {
            // along the line of sight: a circle with a dot (toward the viewer) or a cross
            cv.arc(x - 5, y - 5, x + 5, y + 5, x - 5, y - 5, x - 5, y - 5);
            if (t.toward[a]) {
                cv.move_to(x, y);
                cv.line_to(x + 1, y);
            } else {
                cv.move_to(x - 3, y - 3);
                cv.line_to(x + 3, y + 3);
                cv.move_to(x + 3, y - 3);
                cv.line_to(x - 3, y + 3);
            }
            lx = x + 8;
            ly = y + 4;
        } else {
            cv.move_to(x, y);
            cv.line_to(tx, ty);
            // the head: two short strokes back from the tip
            const float ux = dx / len, uy = dy / len;
            const float hl = std::min(8.0f, 0.4f * len);
            cv.move_to(tx, ty);
            cv.line_to(tx + static_cast<int>(std::lround(-hl * ux - 0.5f * hl * uy)),
                       ty + static_cast<int>(std::lround(-hl * uy + 0.5f * hl * ux)));
            cv.move_to(tx, ty);
            cv.line_to(tx + static_cast<int>(std::lround(-hl * ux + 0.5f * hl * uy)),
                       ty + static_cast<int>(std::lround(-hl * uy - 0.5f * hl * ux)));
            // the label just beyond the tip
            lx = tx + static_cast<int>(std::lround(8.0f * ux)) - 3;
            ly = ty + static_cast<int>(std::lround(8.0f * uy)) - th / 2;
        }
        lx = std::clamp(lx, left, std::max(left, right - cv.text_width(axis_names[a])));
        ly = std::clamp(ly, top, std::max(top, bottom - th));
        cv.set_brush(white, 0);
        cv.set_font_colour(axis_colours[a]);
        cv.text_out(lx, ly, axis_names[a]);
    }
    cv.set_font_colour(black);
}

void draw_key(FEMg3D &m, const display_settings &ds, canvas &cv, int graph_type, int width,
              int height)
{
    const int x0 = model_area_width(ds, width);
    if (x0 >= width) return;
    // the panel: white over whatever the model's drawing left there, a rule on its left edge
    cv.set_pen(white, 1, 0);
    cv.set_brush(white, 0);
    cv.rectangle(x0, 0, width + 1, height + 1);
    cv.set_pen(grey, 1, 0);
    cv.move_to(x0, 0);
    cv.line_to(x0, height);
    key_writer w{cv, x0 + margin, 6, width - margin, cv.text_height() + 2};

    float centre[3];
    view_centre(m, centre);
    const axis_triad triad = view_triad(m, centre, static_cast<float>(triad_length));
    if (const graph_type_row *row = graph_row(graph_type)) switch (row->key) {
        case graph_key::contour:
            contour_key(m, ds, w, height);
            break;
        case graph_key::principal:
            principal_key(m, ds, w, triad.pixels_per_unit);
            break;
        case graph_key::dowel_bending:
        case graph_key::dowel_shear:
            dowel_key(m, ds, w, row->key == graph_key::dowel_bending, triad.pixels_per_unit);
            break;
        case graph_key::mesh:
        case graph_key::deformed:
            mesh_key(m, ds, w, row->key == graph_key::deformed, height);
            break;
        }

    // the triad at the foot, clear of the texts above it
    const int ty = std::max(w.y + triad_length + 8, height - triad_room / 2 - 6);
    draw_triad(cv, triad, x0 + key_panel_width / 2, ty, x0 + 2, w.y, width - 2, height - 2);
}
