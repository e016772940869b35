// The key of a picture (Option > Legend, ostrine-batch --legend): a panel at the right edge of the
// picture, beside the model, saying what the colours, lines and markers mean, with the axis triad.
#pragma once

#include <string>

#include "canvas.h"
#include "display.h"

class FEMg3D;
class t_grph;

// Width in pixels of the key panel.
constexpr int key_panel_width = 184;

// Pixels of a picture `width` wide where the model is drawn: all of it without the key, all but
// the panel with it (all of it again when the picture is too narrow to share, and then no key).
int model_area_width(const display_settings &ds, int width);

// The key of graph_type (the numbering of the Graph menu) in the panel [model_area_width, width)
// x [0, height): white, so that nothing of the model shows under it, with
//  - contours: the bands with their bounds in display units rounded to the band step, the
//    component, the units, and the circles that mark the extremes with their values;
//  - principal stresses: the colours of tension and compression, the thick extremes and a bar
//    of a round stress at the model's scale;
//  - dowel diagrams: the diagram colour, the bar halves, the material outlines and a bar of a
//    round stress at the diagram's scale;
//  - mesh and deformed shape: each shown solid material's colour with its name and modulus,
//    the wheel prints, and the displacement magnification;
// and the axis triad at the panel's foot. Nothing when the picture has no room for the panel.
void draw_key(FEMg3D &model, const display_settings &ds, canvas &cv, int graph_type, int width,
              int height);

// The axis triad of a view at a model point: the pixel vector of each axis x, y, z, scaled so
// that an axis across the line of sight is `length` pixels and one along it a dot. toward[a] is
// true when axis a points at the viewer. valid is false when the view maps nothing (a window
// of zero size).
struct axis_triad {
    bool valid = false;
    float dx[3] = {}, dy[3] = {}; // pixels, rows growing downward
    bool toward[3] = {};
    float pixels_per_unit = 0; // the view's scale at the point: pixels per model length unit
};
axis_triad view_triad(const t_grph &view, const float point[3], float length);

// Draws the triad with its origin at (x, y), its labels within [left, right) x [top, bottom).
void draw_triad(canvas &cv, const axis_triad &t, int x, int y, int left, int top, int right,
                int bottom);

// A value of a scale whose marks are `step` apart, as the key prints it: to the step's digits
// (two significant digits of the step), 0 for what rounding leaves of zero, exponent form for
// very large or small scales.
std::string scale_text(double value, double step);

// The round value (1, 2 or 5 times a power of ten) nearest above `value` > 0.
double round_scale_value(double value);
