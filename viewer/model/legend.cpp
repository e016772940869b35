// The picture's legend (contour bands with their bounds, component and units) and axis triad.
#include "legend.h"

#include "draw.h"
#include "fem3d.h"

#include <cmath>
#include <cstdio>

namespace
{
const int black = 0x000000;
const int white = 0xFFFFFF;
const int line_height = 14; // rows of the legend text
const int legend_width = 150;
} // namespace

void draw_legend(FEMg3D &model, const display_settings &ds, canvas &cv, int width, int height)
{
    const FEMg3D::contour_bands &b = model.last_contour;
    if (!b.valid) return;
    const bool stress = is_stress_component(b.component);
    const float f = stress ? ds.stress_factor : 1.0f;
    const char *unit = !stress ? "" : (ds.unit_text_si ? " (MPa)" : " (kgf/cm2)");
    // bands from the top (high) down; at most 20 boxes, each several bands when there are more
    const int bands = b.divisions;
    const int per_box = bands > 20 ? (bands + 19) / 20 : 1;
    const int boxes = (bands + per_box - 1) / per_box;
    const int box_h = std::fmax(6, std::fmin(20, (height - 4 * line_height - 20) / (boxes + 1)));
    const int x0 = width - legend_width, y0 = 6;
    // a white panel under it, framed
    cv.set_pen(black, 1, 0);
    cv.set_brush(white, 0);
    cv.rectangle(x0 - 6, y0 - 2, width - 4, y0 + 2 * line_height + boxes * box_h + line_height);
    char text[96];
    std::snprintf(text, sizeof text, "%s%s", component_name(b.component), unit);
    cv.set_font_colour(black);
    cv.text_out(x0, y0, text);
    std::snprintf(text, sizeof text, "%s units, %d bands", ds.unit_text_si ? "SI" : "kgf-cm",
                  bands);
    cv.text_out(x0, y0 + line_height, text);
    const float dv = (b.hi - b.lo) / static_cast<float>(bands);
    const int top = y0 + 2 * line_height + 4;
    for (int k = 0; k < boxes; ++k) {
        // the box of bands [band_lo, band_hi): coloured as its top band, by the level above it
        const int band_hi = bands - k * per_box;
        const float level = b.lo + dv * static_cast<float>(band_hi);
        const int colour = model.value_colour(level, b.lo, b.hi, 1.0f);
        const int y = top + k * box_h;
        cv.set_pen(black, 1, 0);
        cv.set_brush(colour, 0);
        cv.rectangle(x0, y, x0 + 24, y + box_h);
        cv.set_brush(white, 0); // the text's background
        std::snprintf(text, sizeof text, "%11.3e", static_cast<double>(level * f));
        cv.text_out(x0 + 30, y - line_height / 2, text);
    }
    std::snprintf(text, sizeof text, "%11.3e", static_cast<double>(b.lo * f));
    cv.text_out(x0 + 30, top + boxes * box_h - line_height / 2, text);
}

void draw_axis_triad(FEMg3D &model, canvas &cv, int height)
{
    // the view's directions of x, y and z: the projections of short steps from the middle of
    // the model, drawn 40 pixels long from a corner
    const float *e = model.extent; // x max, x min, y max, y min, z max, z min
    const float cx = (e[0] + e[1]) / 2, cy = (e[2] + e[3]) / 2, cz = (e[4] + e[5]) / 2;
    float size = std::fmax(std::fmax(e[0] - e[1], e[2] - e[3]), e[4] - e[5]);
    if (!(size > 0.0f)) size = 1.0f;
    const float step = 0.1f * size;
    float ox, oy;
    model.project(cx, cy, cz, ox, oy);
    int oix = 0, oiy = 0;
    model.to_pixel(ox, oy, oix, oiy);
    const int bx = 50, by = height - 40;
    const char *const names[3] = {"x", "y", "z"};
    const int colours[3] = {0x0000C0, 0x00A000, 0xC00000}; // red, green, blue (red low byte)
    for (int a = 0; a < 3; ++a) {
        float px, py;
        model.project(cx + (a == 0 ? step : 0.0f), cy + (a == 1 ? step : 0.0f),
                      cz + (a == 2 ? step : 0.0f), px, py);
        int pix = 0, piy = 0;
        model.to_pixel(px, py, pix, piy);
        float dx = static_cast<float>(pix - oix), dy = static_cast<float>(piy - oiy);
        const float len = std::sqrt(dx * dx + dy * dy);
        if (!(len > 1e-6f) || !std::isfinite(len)) continue; // along the line of sight
        dx = dx / len * 40.0f;
        dy = dy / len * 40.0f;
        const int tx = bx + static_cast<int>(std::lround(dx)),
                  ty = by + static_cast<int>(std::lround(dy));
        cv.set_pen(colours[a], 2, 0);
        cv.move_to(bx, by);
        cv.line_to(tx, ty);
        // the arrow head: two short strokes back from the tip
        const float hx = -dx / 40.0f * 8.0f, hy = -dy / 40.0f * 8.0f;
        cv.move_to(tx, ty);
        cv.line_to(tx + static_cast<int>(hx - 0.5f * hy), ty + static_cast<int>(hy + 0.5f * hx));
        cv.move_to(tx, ty);
        cv.line_to(tx + static_cast<int>(hx + 0.5f * hy), ty + static_cast<int>(hy - 0.5f * hx));
        cv.set_font_colour(colours[a]);
        cv.set_brush(white, 0);
        cv.text_out(tx + static_cast<int>(dx / 5), ty + static_cast<int>(dy / 5) - 7, names[a]);
    }
    cv.set_font_colour(black);
}
