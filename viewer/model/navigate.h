// Turning, zooming, panning and fitting the view with the mouse. Each changes what the View
// dialog shows (theta, phi, rou, d1) or the world window, and keeps in place what the user looks
// at: the centre of the range box stays on its pixel while the view turns or zooms.
//
// The face lists hold projected corners: after orbit_view or zoom_view they must be rebuilt
// (build_faces) before the faces are drawn; pan_view and fit_view move the window only.
#pragma once

class FEMg3D;

// Radians per pixel of a drag.
constexpr float orbit_radians_per_pixel = 0.01f;
// The largest elevation either way: the plan presets' 1.57079, just short of pi / 2.
constexpr float orbit_phi_limit = 1.57079f;

// The centre of the range box (the box the view is fitted to), model coordinates.
void view_centre(const FEMg3D &m, float c[3]);

// Pixels per model length unit across the line of sight at the range box's centre.
float view_scale(const FEMg3D &m);

// Turns the eye by dtheta (azimuth) and dphi (elevation, held within +-orbit_phi_limit); theta
// is kept within -pi..pi. The model's scale at its centre is kept, so a turn does not zoom.
void orbit_view(FEMg3D &m, float dtheta, float dphi);

// Zooms by factor (> 1 nearer) about the pixel (px, py), which keeps the model point under it:
// the eye moves (rou) while it stays well outside the model, beyond that the projection plane
// does (d1).
void zoom_view(FEMg3D &m, float factor, int px, int py);

// Moves the picture by (dx, dy) pixels.
void pan_view(FEMg3D &m, int dx, int dy);

// The whole range box in the picture, as the View dialog's OK leaves it.
void fit_view(FEMg3D &m);
