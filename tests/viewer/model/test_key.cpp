// The picture's key and the mouse's view changes: the axis triad against the projection, the
// key's scale texts, the model kept clear of the key panel in every preset view, turning,
// zooming and panning, and the units judged from the slab's modulus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "dialogs.h"
#include "fem3d.h"
#include "graph.h"
#include "legend.h"
#include "model_sets.h"
#include "navigate.h"

namespace
{

constexpr int picture_w = 640, picture_h = 400;

// A slab-like block 400 x 200 x 50 (8 x 4 x 1 elements of 50) of modulus e, loaded as the
// window loads it and settled for a picture of 640 x 400 (with the key when ds.legend).
void open_block(FEMg3D &m, display_settings &ds, const std::string &name, float e)
{
    set_data s = block_set(8, 4, 1, 50.0f);
    s.materials[0][0] = e;
    const std::string base = fresh_dir(name) + "/b";
    write_text_set(s, base);
    m.settings = &ds;
    ASSERT_EQ(load_base(m, base), 1) << m.load_error;
    settle_after_open(m, ds, model_area_width(ds, picture_w), picture_h);
}

void set_preset(FEMg3D &m, int button)
{
    view_values v = view_from_model(m);
    view_preset(v, button);
    apply_view(m, v, view_texts(v));
}

// The pixel of a model point in the current view.
void pixel_of(const FEMg3D &m, const float p[3], int &x, int &y)
{
    float px, py;
    m.project(p[0], p[1], p[2], px, py);
    m.to_pixel(px, py, x, y);
}

const float block_corners[8][3] = {{0, 0, 0},  {400, 0, 0},  {400, 200, 0},  {0, 200, 0},
                                   {0, 0, 50}, {400, 0, 50}, {400, 200, 50}, {0, 200, 50}};

} // namespace

// Each arrow is the projection of its axis: length L sqrt(1 - v_a^2) for the unit vector v from
// the model toward the eye (cos phi cos theta, cos phi sin theta, sin phi), pointing at the
// viewer when v_a > 0; an axis along the line of sight is (nearly) a dot.
TEST(Key, TriadArrowsFollowTheProjectionInEveryPreset)
{
    FEMg3D m;
    display_settings ds;
    open_block(m, ds, "key_triad", 30000.0f);
    const float length = 40.0f;
    for (int button : {5, 1, 2, 3, 4}) { // default first, then the plan and elevation views
        set_preset(m, button);
        const double th = m.theta, ph = m.phi;
        const double v[3] = {std::cos(ph) * std::cos(th), std::cos(ph) * std::sin(th),
                             std::sin(ph)};
        float c[3];
        view_centre(m, c);
        const axis_triad t = view_triad(m, c, length);
        ASSERT_TRUE(t.valid) << button;
        for (int a = 0; a < 3; ++a) {
            const double want = length * std::sqrt(std::max(0.0, 1 - v[a] * v[a]));
            const double got = std::hypot(t.dx[a], t.dy[a]);
            // the default view is in perspective (eye 3000 from a model of radius 220)
            EXPECT_NEAR(got, want, 0.08 * length) << "preset " << button << " axis " << a;
            if (want < 1.0) {
                EXPECT_LT(got, 6.0) << "preset " << button << " axis " << a;
            }
            if (std::fabs(v[a]) > 0.5) {
                EXPECT_EQ(t.toward[a], v[a] > 0) << button << " " << a;
            }
        }
    }
}

// The key prints a scale's values to the digits its step carries: what float sums leave of
// zero is 0, and no value is "-0".
TEST(Key, ScaleTextsRoundToTheStep)
{
    struct row {
        double value, step;
        const char *text;
    };
    const row rows[] = {
        {2.384e-07, 0.3, "0.00"}, // the fatigue index's zero
        {-1e-7, 0.3, "0.00"},     // no "-0.00"
        {30.003, 3.0003, "30.0"}, // two significant digits of the step
        {-27.0027, 3.0003, "-27.0"},
        {2.9424, 0.29424, "2.94"},
        {1234.4, 100, "1234"},
        {2.5e8, 1e7, "2.50e+08"},    // very large: exponent form
        {0.00123, 1e-6, "1.23e-03"}, // very fine steps too
        {5, 0, "5"},                 // no step: four significant digits
        {NAN, 1, "-"},
    };
    for (const row &r : rows) EXPECT_EQ(scale_text(r.value, r.step), r.text) << r.value;
    const double rounds[][2] = {{0.7, 1}, {1.2, 2}, {3, 5}, {7, 10}, {0.013, 0.02}, {20, 20}};
    for (const auto &r : rounds) EXPECT_DOUBLE_EQ(round_scale_value(r[0]), r[1]) << r[0];
}

// With the key, the model is fitted to the area left of the panel in every preset: no face of
// the model reaches under the panel, and the model still fills its area one way.
TEST(Key, ModelIsFittedBesideTheKeyPanel)
{
    FEMg3D m;
    display_settings ds;
    ds.legend = true;
    open_block(m, ds, "key_room", 30000.0f);
    const int area = model_area_width(ds, picture_w);
    ASSERT_EQ(area, picture_w - key_panel_width);
    for (int button : {1, 2, 3, 4, 5}) {
        set_preset(m, button);
        recording_canvas cv;
        draw_graph(m, ds, cv, 0, picture_w, picture_h, graph_target::image);
        int max_x = -1, max_y = -1, min_x = picture_w, min_y = picture_h, polygons = 0;
        for (const std::string &l : cv.lines) {
            if (l.rfind("polygon", 0) != 0) continue;
            ++polygons;
            std::istringstream in(l.substr(7));
            int x, y;
            char comma;
            while (in >> x >> comma >> y) {
                max_x = std::max(max_x, x);
                min_x = std::min(min_x, x);
                max_y = std::max(max_y, y);
                min_y = std::min(min_y, y);
            }
        }
        ASSERT_GT(polygons, 0) << button;
        EXPECT_LT(max_x, area) << "preset " << button;
        EXPECT_GE(min_x, 0) << "preset " << button;
        EXPECT_TRUE(max_x - min_x > 0.75 * area || max_y - min_y > 0.75 * picture_h)
            << "preset " << button << ": " << min_x << ".." << max_x << " x " << min_y << ".."
            << max_y;
        // the key heading of a mesh picture and the material with its modulus
        EXPECT_NE(std::find_if(cv.lines.begin(), cv.lines.end(),
                               [](const std::string &l) { return l.find(" 30000") != l.npos; }),
                  cv.lines.end());
    }
}

// The mouse: a turn keeps the model's centre on its pixel and its scale; a zoom keeps the point
// under the cursor; a pan moves every point by the drag; the eye stays outside the model.
TEST(Navigate, TurnZoomAndPanKeepWhatTheUserLooksAt)
{
    FEMg3D m;
    display_settings ds;
    open_block(m, ds, "navigate", 30000.0f);
    float c[3];
    view_centre(m, c);
    EXPECT_FLOAT_EQ(c[0], 200);
    EXPECT_FLOAT_EQ(c[1], 100);
    int cx0, cy0;
    pixel_of(m, c, cx0, cy0);
    const float scale0 = view_scale(m);
    const float theta0 = m.theta, phi0 = m.phi;

    orbit_view(m, 0.3f, -0.2f);
    m.build_faces();
    EXPECT_NEAR(m.theta, theta0 + 0.3f, 1e-5);
    EXPECT_NEAR(m.phi, phi0 - 0.2f, 1e-5);
    int cx, cy;
    pixel_of(m, c, cx, cy);
    EXPECT_NEAR(cx, cx0, 1);
    EXPECT_NEAR(cy, cy0, 1);
    EXPECT_NEAR(view_scale(m), scale0, 0.02 * scale0);
    // elevation held short of the pole, azimuth wrapped into -pi..pi
    orbit_view(m, 6.0f, 5.0f);
    EXPECT_FLOAT_EQ(m.phi, orbit_phi_limit);
    EXPECT_GE(m.theta, -3.1416f);
    EXPECT_LE(m.theta, 3.1416f);

    // zoom about a corner's pixel: the corner stays there, the scale grows by the factor
    int px, py;
    pixel_of(m, block_corners[6], px, py);
    const float s1 = view_scale(m);
    zoom_view(m, 1.15f, px, py);
    int qx, qy;
    pixel_of(m, block_corners[6], qx, qy);
    EXPECT_NEAR(qx, px, 2);
    EXPECT_NEAR(qy, py, 2);
    EXPECT_NEAR(view_scale(m), 1.15f * s1, 0.03f * s1);
    // many zooms in: the eye never enters the model's sphere
    const float radius = std::sqrt(200.0f * 200 + 100 * 100 + 25 * 25);
    const float centre_distance = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    for (int k = 0; k < 40; ++k) zoom_view(m, 1.15f, px, py);
    EXPECT_GT(m.rou, centre_distance + radius);
    EXPECT_GT(view_scale(m), 50 * s1);

    // pan: every corner moves by the drag
    fit_view(m);
    int before[8][2];
    for (int k = 0; k < 8; ++k) pixel_of(m, block_corners[k], before[k][0], before[k][1]);
    pan_view(m, 30, -20);
    for (int k = 0; k < 8; ++k) {
        int x, y;
        pixel_of(m, block_corners[k], x, y);
        EXPECT_NEAR(x - before[k][0], 30, 1) << k;
        EXPECT_NEAR(y - before[k][1], -20, 1) << k;
    }
}

// Files without units: a slab of 300 000 reads as kgf/cm2 (paving concrete is about 3e5 there,
// 3e4 in MPa), one of 28 000 as MPa, whichever factors the set was read with.
TEST(Units, GuessedFromTheSlabModulus)
{
    const struct {
        float e;
        bool read_as_si;
        int want;
    } rows[] = {
        {300000.0f, true, 1}, {300000.0f, false, 1}, {28000.0f, true, 2}, {28000.0f, false, 2}};
    int n = 0;
    for (const auto &r : rows) {
        FEMg3D m;
        display_settings ds;
        set_input_factors(ds, r.read_as_si);
        open_block(m, ds, "units_" + std::to_string(n++), r.e);
        EXPECT_EQ(guess_file_units(m, ds.in_stress_factor), r.want) << r.e << " " << r.read_as_si;
    }
    FEMg3D empty;
    EXPECT_EQ(guess_file_units(empty, 1.0f), 0);
}
