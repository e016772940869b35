// Helpers of the drawing of FEMg3D shared with the windows and tests: component names, contour
// range rules and the colour scale of contour maps.
#pragma once

// Name of contour component c (0..15: Sx..Sxy, Ex..Exy, S1, S2, S3, FI) as the status line shows
// it; the empty text outside that range.
const char *component_name(int c);

// Stress components (Sx..Sxy, S1..S3) are shown times the display stress factor; strains and
// the fatigue index as stored.
bool is_stress_component(int c);

// Contour range from the data extremes: with a user range the union of both (user bounds in
// internal units), otherwise symmetric about zero, 1.0001 times the larger magnitude.
void contour_range(float data_min, float data_max, bool user_range_set, float user_max,
                   float user_min, float &vmin, float &vmax);

// Channels of the contour colour scale at t = -1 (low end) .. 1 (high end), times the
// brightness b; each 0..1 within the scale.
float colour_red(float t, float b);
float colour_green(float t, float b);
float colour_blue(float t, float b);
