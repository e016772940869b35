// View tests: projection of the initial view, window fitting, pixels, shading and primitives.
#include <gtest/gtest.h>

#include "fem3d.h"
#include "model_sets.h"

namespace
{

struct recording_smooth : smooth_surface {
    std::vector<float> last;
    void set_projection(int w, int h, float l, float r, float b, float t) override
    {
        last = {static_cast<float>(w), static_cast<float>(h), l, r, b, t};
    }
    void clear(float, float, float) override {}
    void triangle(const float *, const float *) override {}
    void flush() override {}
};

} // namespace

// Eye at 3000 (cos 30 cos -135, cos 30 sin -135, sin 30) looking at the origin; the
// projection plane at 3000: a point at distance W along the line of sight maps with 3000 / W.
TEST(View, InitialViewProjectsWorkedPoints)
{
    t_grph g;
    const float pts[4][3] = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {0, 0, 100}};
    const float want[4][3] = {{0, 0, 3000},
                              {69.296f, 34.648f, 3061.237f},
                              {-69.296f, 34.648f, 3061.237f},
                              {0, 88.070f, 2950}};
    for (int i = 0; i < 4; i++) {
        float px, py;
        g.project(pts[i][0], pts[i][1], pts[i][2], px, py);
        EXPECT_NEAR(px, want[i][0], 2e-3) << "point " << i;
        EXPECT_NEAR(py, want[i][1], 2e-3) << "point " << i;
        EXPECT_NEAR(g.depth_of(pts[i][0], pts[i][1], pts[i][2]), want[i][2], 2e-2) << i;
    }
}

TEST(View, FitWindowKeepsTheAspectOfTheSurface)
{
    t_grph g;
    g.fit_window(0, 0, 100, 100); // taller than 0.625: x widened to 50 -+ 80
    EXPECT_FLOAT_EQ(g.win_xmin, -30);
    EXPECT_FLOAT_EQ(g.win_xmax, 130);
    EXPECT_FLOAT_EQ(g.win_ymin, 0);
    EXPECT_FLOAT_EQ(g.win_ymax, 100);
    EXPECT_EQ(g.vp_right, 639);
    EXPECT_EQ(g.vp_bottom, 399);
    EXPECT_FLOAT_EQ(g.pix_per_unit_x, 4);
    EXPECT_FLOAT_EQ(g.pix_per_unit_y, 4);

    g.fit_window(0, 0, 100, 10); // flatter: y set to 5 -+ 31.25
    EXPECT_FLOAT_EQ(g.win_xmin, 0);
    EXPECT_FLOAT_EQ(g.win_xmax, 100);
    EXPECT_FLOAT_EQ(g.win_ymin, -26.25f);
    EXPECT_FLOAT_EQ(g.win_ymax, 36.25f);

    g.fit_window(0, 0, 100, 62.5f); // exactly the aspect: y recomputed, unchanged
    EXPECT_FLOAT_EQ(g.win_ymin, 0);
    EXPECT_FLOAT_EQ(g.win_ymax, 62.5f);
}

TEST(View, WindowCornersMapToSurfaceCorners)
{
    t_grph g;
    g.fit_window(-30, 0, 130, 100);
    int ix, iy;
    g.to_pixel(g.win_xmin, g.win_ymin, ix, iy);
    EXPECT_EQ(ix, 0);
    EXPECT_EQ(iy, 400);
    g.to_pixel(g.win_xmax, g.win_ymax, ix, iy);
    EXPECT_NEAR(ix, 640, 1);
    EXPECT_NEAR(iy, 0, 1);
    g.to_pixel(50, 50, ix, iy); // centre
    EXPECT_EQ(ix, 320);
    EXPECT_EQ(iy, 200);
}

TEST(View, ResizeKeepsCentreAndSetsSmoothProjection)
{
    t_grph g;
    recording_smooth smooth;
    g.smooth = &smooth;
    g.fit_window(0, 0, 160, 100);
    g.resize_surface(400, 400); // square: the window becomes 160 x 160 around (80, 50)
    EXPECT_FLOAT_EQ(g.aspect, 1);
    EXPECT_FLOAT_EQ(g.win_ymin, -30);
    EXPECT_FLOAT_EQ(g.win_ymax, 130);
    ASSERT_EQ(smooth.last.size(), 6u);
    EXPECT_FLOAT_EQ(smooth.last[2], 0);
    EXPECT_FLOAT_EQ(smooth.last[3], 160);
    EXPECT_FLOAT_EQ(smooth.last[4], -30 + 0.095f * 160);
    EXPECT_FLOAT_EQ(smooth.last[5], 130 + 0.095f * 160);
}

TEST(View, ShadeIsCosineOfReversedNormalAndLight)
{
    t_grph g;
    const float against[3] = {1.5f, 1.0f, -2.5f}, along[3] = {-3, -2, 5}, side[3] = {1, 0, 0};
    EXPECT_NEAR(g.shade_of(against), 1, 1e-6);
    EXPECT_NEAR(g.shade_of(along), -1, 1e-6);
    EXPECT_NEAR(g.shade_of(side), 1.5 / std::sqrt(9.5), 1e-6);
}

TEST(View, PrimitivesIssueTheCanvasOperations)
{
    t_grph g;
    g.fit_window(0, 0, 160, 100); // 4 pixels per unit, y = 0 at row 400
    recording_canvas cv;
    g.draw_line(cv, 0, 0, 10, 10, 0xFF, 0, 2, 0);
    g.draw_line(cv, 0, 0, 10, 10, 0xFF, 0, 1, 1);
    g.draw_line(cv, 0, 0, 10, 10, 0xFF, 0, 1, 2); // unknown mode: pen only
    g.draw_circle(cv, 10, 10, 3, 0x7F0000);
    const std::vector<std::string> want = {
        "pen 0000FF 2 0",    "move 0 400",     "line 40 360",    "pen 0000FF 1 0",
        "rect 0 400 40 360", "pen 0000FF 1 0", "pen 7F0000 1 0", "arc 37 357 43 363 37 357 37 357"};
    EXPECT_EQ(cv.lines, want);
}

TEST(View, FillPolygonBrushStyles)
{
    t_grph g;
    g.fit_window(0, 0, 160, 100);
    int xy[2 * max_polygon_points];
    int n = 0;
    for (int i = 0; i < 7; i++) g.add_point(static_cast<float>(i), 0, xy, n);
    EXPECT_EQ(n, max_polygon_points); // the buffer holds five points
    EXPECT_EQ(xy[8], 16);

    recording_canvas cv;
    g.fill_polygon(cv, xy, 3, 999, 0x00FF00);
    g.fill_polygon(cv, xy, 3, 3, 0x123456);
    g.fill_polygon(cv, xy, 3, 7, 0xABCDEF); // brush left as it was
    const std::vector<std::string> want = {
        "pen 00FF00 1 0", "brush 00FF00 0",           "polygon 0,400 4,400 8,400",
        "pen 123456 1 0", "brush 123456 3",           "polygon 0,400 4,400 8,400",
        "pen ABCDEF 1 0", "polygon 0,400 4,400 8,400"};
    EXPECT_EQ(cv.lines, want);
}

TEST(View, BoxDrawsTwelveEdgesBottomTopThenVertical)
{
    t_grph g;
    g.fit_window(-200, -200, 200, 200);
    recording_canvas cv;
    g.draw_box(cv, 0, 100, 0, 50, 0, 20, 0xDCDCDC, 0, 1);
    int lines = 0;
    for (const auto &l : cv.lines) lines += l.rfind("line", 0) == 0;
    EXPECT_EQ(lines, 12);
    // First edge: (0, 0, 0) to (100, 0, 0); last edge: (0, 50, 0) to (0, 50, 20).
    float px, py;
    int ix, iy;
    g.project(100, 0, 0, px, py);
    g.to_pixel(px, py, ix, iy);
    EXPECT_EQ(cv.lines[2], "line " + std::to_string(ix) + " " + std::to_string(iy));
    g.project(0, 50, 20, px, py);
    g.to_pixel(px, py, ix, iy);
    EXPECT_EQ(cv.lines.back(), "line " + std::to_string(ix) + " " + std::to_string(iy));
}
