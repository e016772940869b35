// The picture's legend (contour bands with their bounds, component and units) and axis triad.
#pragma once

#include "canvas.h"
#include "display.h"

class FEMg3D;

// The bands of the last contour drawn, top (high) to bottom, each coloured as the contour colours
// it (the level above it, full brightness) with its bounding values in display units, the
// component and the unit system, in a framed panel at the right edge of a width x height
// picture. Nothing when the last graph was no contour.
void draw_legend(FEMg3D &model, const display_settings &ds, canvas &cv, int width, int height);

// x, y and z arrows in the view's directions, 40 pixels long, in the lower left corner.
void draw_axis_triad(FEMg3D &model, canvas &cv, int height);
