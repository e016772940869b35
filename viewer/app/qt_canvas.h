// Raster canvas of the viewer's pictures on QPainter over a QImage, its smooth-contour surface,
// and the writing of pictures to image files.
#pragma once

#include <QImage>
#include <QPainter>

#include <string>

#include "canvas.h"
#include "view.h"

// The model's canvas operations with the semantics of the viewer's drawing: pen and brush as
// set, rectangles and polygons outlined and filled, arcs, text with the top-left corner at
// (x, y) on the brush colour. Rectangles cover x1..x2-1 and y1..y2-1. The painter is active for
// the canvas's lifetime, so construct it, draw, and destroy it before using the image.
class qt_canvas : public canvas
{
  public:
    explicit qt_canvas(QImage &image);
    ~qt_canvas() override;
    qt_canvas(const qt_canvas &) = delete;
    qt_canvas &operator=(const qt_canvas &) = delete;

    void set_pen(int colour, int width, int style) override;
    void set_brush(int colour, int style) override;
    void set_font_colour(int colour) override;
    void move_to(int x, int y) override;
    void line_to(int x, int y) override;
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void polygon(const int *xy, int n) override;
    void text_out(int x, int y, const char *text) override;
    int text_width(const char *text) override;
    int text_height() override;

    QPainter &painter() { return paint; }

  private:
    QImage &target;
    QPainter paint;
    QPen pen;
    QBrush brush;
    QColor font_colour;
    int pen_x = 0, pen_y = 0; // current position of move_to / line_to
};

// The smooth contour mode drawn into the canvas's image: every triangle's colours interpolated
// linearly across its pixels. Vertices are mapped to pixels exactly as the view's to_pixel does,
// so the triangles line up with the bands of the band mode.
class qt_smooth_surface : public smooth_surface
{
  public:
    qt_smooth_surface(qt_canvas &cv, const t_grph &view);

    // The view supplies the mapping; the projection given here is not needed.
    void set_projection(int w, int h, float left, float right, float bottom, float top) override;
    // The picture is cleared by the graph drawing (or kept in overlay mode): nothing to do.
    void clear(float r, float g, float b) override;
    void triangle(const float *xy, const float *rgb) override;
    void flush() override;

  private:
    qt_canvas &cv;
    const t_grph &view;
};

// 24-bit colour of the model (red in the low byte) as a Qt colour.
QColor model_colour(int colour);

// Writes the picture: PNG when the name ends in ".png" (any case), otherwise a 24-bit
// uncompressed bitmap as the viewer's Make Bmp writes. Returns false with why when the file
// cannot be written.
bool write_picture(const QImage &image, const std::string &file_name, std::string &why);
