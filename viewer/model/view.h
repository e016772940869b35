// t_grph: the perspective view, the world window on the projection plane and the canvas primitives.
#pragma once

#include "canvas.h"

// Point buffers of add_point / fill_polygon hold at most this many points (x, y pairs).
constexpr int max_polygon_points = 5;

class t_grph
{
  public:
    int vp_left = 0, vp_top = 0, vp_right = 0, vp_bottom = 0;     // pixel viewport
    float win_xmin = 0, win_ymin = 0, win_xmax = 0, win_ymax = 0; // world window
    int surf_width = 640, surf_height = 400;                      // drawing surface, pixels
    float aspect = 0.625f;                                        // surf_height / surf_width
    float rou = 3000.0f;                   // distance of the eye from the origin
    float theta = -2.3561945f;             // azimuth of the eye, radians from the x axis
    float phi = 0.5235988f;                // elevation of the eye, radians
    float d1 = 3000.0f;                    // distance of the projection plane from the eye
    float view_matrix[4][4] = {};          // row-major, acting on row vectors [x y z 1]
    float light[3] = {-1.5f, -1.0f, 2.5f}; // light source vector for face shading
    float pix_per_unit_x = 0, pix_per_unit_y = 0;

    // Surface of the smooth contour mode; null when there is none (batch, tests).
    smooth_surface *smooth = nullptr;

    t_grph();
    virtual ~t_grph() = default;

    // Surface 640 x 400, default view and light, view matrix built.
    void init_view();
    void build_view_matrix();
    // Perspective projection of a model point onto the projection plane.
    void project(float x, float y, float z, float &px, float &py) const;
    // Viewing depth of a model point (larger is farther from the eye).
    float depth_of(float x, float y, float z) const;
    // Projection-plane point to pixel (truncated toward zero).
    void to_pixel(float px, float py, int &ix, int &iy) const;
    // World window from (x0, y0) to (x1, y1), widened to the surface's aspect ratio.
    void fit_window(float x0, float y0, float x1, float y1);
    // New surface size; keeps the window's centre and corrects its aspect.
    void resize_surface(int w, int h);
    // Cosine between the reversed normal n and light, -1..1.
    float shade_of(const float n[3]) const;

    // Primitives in projection-plane coordinates. mode 0 line, 1 rectangle.
    void draw_line(canvas &cv, float px1, float py1, float px2, float py2, int colour, int style,
                   int width, int mode) const;
    // Circle outline of radius r pixels around a projection-plane point.
    void draw_circle(canvas &cv, float px, float py, int r, int colour) const;
    // Append the pixel of (px, py) to xy (room for max_polygon_points points); count grows by
    // one. A full buffer is left unchanged.
    void add_point(float px, float py, int *xy, int &count) const;
    // Outlined, filled polygon: brush style < 6 used as is, 999 solid, anything else keeps the
    // canvas brush.
    void fill_polygon(canvas &cv, const int *xy, int count, int brush_style, int colour) const;
    // The twelve edges of an axis-aligned box in model coordinates.
    void draw_box(canvas &cv, float x0, float x1, float y0, float y1, float z0, float z1,
                  int colour, int style, int width) const;

  protected:
    // For fit_window: correct (x0, y0, x1, y1) in place to the aspect ratio.
    void correct_aspect(float &x0, float &y0, float &x1, float &y1) const;
    // For fit_window: store the window, viewport and scales, rebuild the matrix.
    void set_window(float x0, float y0, float x1, float y1);
};
