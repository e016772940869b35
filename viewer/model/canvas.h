// Abstract drawing surfaces of the model: the 2-D canvas, the smooth-triangle surface, the progress
// sink.
#pragma once

#include <cstring>

// The only raster surface the model draws on. Colours are 24-bit values with red in the
// low byte and blue in the high byte (0x0000FF red, 0x7F0000 dark blue). Coordinates are pixels,
// rows growing downward.
class canvas
{
  public:
    virtual ~canvas() = default;
    // Pen for outlines and lines; style 0 is a solid pen.
    virtual void set_pen(int colour, int width, int style) = 0;
    // Brush for polygon fill; style 0 solid, 1 clear, 2 horizontal, 3 vertical,
    // 4 forward diagonal, 5 backward diagonal.
    virtual void set_brush(int colour, int style) = 0;
    virtual void set_font_colour(int colour) = 0;
    virtual void move_to(int x, int y) = 0;
    virtual void line_to(int x, int y) = 0;
    // Elliptic arc inside the box (x1, y1)-(x2, y2), counter-clockwise from the ray to
    // (x3, y3) to the ray to (x4, y4); equal start and end give the full ellipse.
    virtual void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    // Rectangle with corners (x1, y1) and (x2, y2), outlined with the pen, filled with the brush.
    virtual void rectangle(int x1, int y1, int x2, int y2) = 0;
    // Closed polygon through n points xy = x0, y0, x1, y1, ...; outlined and filled.
    virtual void polygon(const int *xy, int n) = 0;
    virtual void text_out(int x, int y, const char *text) = 0;
    // Size in pixels of one line of text as text_out draws it (for laying out keys); surfaces
    // without a font answer for a 12-pixel sans face.
    virtual int text_width(const char *text) { return 7 * static_cast<int>(std::strlen(text)); }
    virtual int text_height() { return 14; }
};

// Surface of the smooth contour mode: triangles whose colours are interpolated across them,
// given in projection-plane coordinates under an orthographic 2-D projection.
class smooth_surface
{
  public:
    virtual ~smooth_surface() = default;
    // Viewport of w x h pixels showing x from left to right and y from bottom to top.
    virtual void set_projection(int w, int h, float left, float right, float bottom, float top) = 0;
    // Clear the whole surface to the colour r, g, b (0..1).
    virtual void clear(float r, float g, float b) = 0;
    // One triangle: xy = x0, y0, x1, y1, x2, y2; rgb = three colours r, g, b in 0..1.
    virtual void triangle(const float *xy, const float *rgb) = 0;
    // End of a batch of triangles.
    virtual void flush() = 0;
};

// Progress window of long operations (loading, image series).
class progress_sink
{
  public:
    virtual ~progress_sink() = default;
    virtual void show() = 0;
    virtual void clear() = 0; // client area to white (0xFFFFFF)
    virtual void text(int x, int y, const char *line) = 0;
    virtual void hide() = 0;
};
