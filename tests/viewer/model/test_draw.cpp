// Drawing of the result model checked on a recording canvas: colours, contour bands, ranges,
// status texts, principal bars, dowel diagrams, loaded faces and the graph dispatch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "draw.h"
#include "fem3d.h"
#include "graph.h"
#include "recording_canvas.h"
#include "test_support.h"

namespace
{

std::string hex(int colour)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", colour);
    return buf;
}

// Projection-plane point (px, py) is pixel (trunc px, trunc(100 - py)).
void simple_window(FEMg3D &m)
{
    m.win_xmin = 0;
    m.win_ymin = 0;
    m.pix_per_unit_x = 1;
    m.pix_per_unit_y = 1;
    m.surf_height = 100;
}

// A model of one visible face over nodes 0..3 at (0,0,0), (100,0,0), (100,200,0), (0,200,0),
// material 0 solid with modulus e; both face lists hold that face, shade 1.
void one_face_model(FEMg3D &m, float e = 300000.0f)
{
    m.n_nodes = 4;
    m.nodes.assign(5, t_node{});
    const float xy[4][2] = {{0, 0}, {100, 0}, {100, 200}, {0, 200}};
    for (int i = 0; i < 4; i++) {
        m.nodes[i].coord[0] = xy[i][0];
        m.nodes[i].coord[1] = xy[i][1];
    }
    m.n_materials = 1;
    m.materials.assign(1, t_material{});
    m.materials[0].value[0] = e;
    t_face f{};
    for (int k = 0; k < 4; k++) f.node[k] = k;
    f.shade = 1.0f;
    const float proj[8] = {10, 10, 50, 10, 50, 60, 10, 60};
    for (int k = 0; k < 8; k++) f.proj[k] = proj[k];
    m.n_faces = 1;
    m.faces.assign(1, f);
    m.def_faces.assign(1, f);
    m.results_loaded = true;
    m.show_all_faces = true;
    m.set_sel_material(-1);
    simple_window(m);
}

int rgb(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}

} // namespace

TEST(MaterialColour, WorkedValues)
{
    FEMg3D m;
    EXPECT_EQ(m.material_colour(300000.0f, 1.0f), rgb(255, 255, 255));
    EXPECT_EQ(m.material_colour(300000.0f, 0.0f), rgb(115, 115, 115));
    EXPECT_EQ(m.material_colour(300000.0f, -0.5f), rgb(40, 40, 40));
    // E = 2000 is not below 2000: second row, red (1 - 1000/32000) 130 = 125.9 -> 125.
    EXPECT_EQ(m.material_colour(2000.0f, 0.0f), rgb(135, 115, 180));
    EXPECT_EQ(m.material_colour(1000.0f, 0.0f), rgb(115, 115, 140));
    EXPECT_EQ(m.material_colour(1000000.0f, 0.0f), rgb(90, 60, 210));
    // Third row at E = 15000: red (1 - 10000 / 40000) 150 = 112.5 -> 112, green 150, blue 105.
    EXPECT_EQ(m.material_colour(15000.0f, 0.0f), rgb(122, 160, 115));
    // E = 10000 is already the third row: red (1 - 5000 / 40000) 150 = 131.25 -> 131.
    EXPECT_EQ(m.material_colour(10000.0f, 0.0f), rgb(141, 160, 115));
    // Fourth row at E = 20000: f = 1 - 10000 / 320000 = 0.96875, trunc(101.7) + h, green 80.
    EXPECT_EQ(m.material_colour(20000.0f, 0.0f), rgb(111, 90, 111));
    // Sixth row: h / 4 + 105 at shade 1 is 142.5 -> 142.
    EXPECT_EQ(m.material_colour(600000.0f, 1.0f), rgb(152, 152, 152));
    // Shades beyond -1..1 are limited by h within -150..150.
    EXPECT_EQ(m.material_colour(300000.0f, -3.0f), rgb(0, 0, 0));
    // A zero light vector gives shades that are not numbers: taken as fully dark.
    EXPECT_EQ(m.material_colour(300000.0f, std::nanf("")), rgb(0, 0, 0));
}

TEST(ValueColour, EndsAndMiddleOfTheScale)
{
    FEMg3D m;
    EXPECT_EQ(m.value_colour(-1.0f, -1.0f, 1.0f, 1.0f), rgb(255, 0, 0));
    EXPECT_EQ(m.value_colour(0.0f, -1.0f, 1.0f, 1.0f), rgb(0, 255, 0));
    EXPECT_EQ(m.value_colour(1.0f, -1.0f, 1.0f, 1.0f), rgb(127, 0, 255));
    // Half brightness halves every channel before truncation: 127.5 -> 127, 63.75 -> 63.
    EXPECT_EQ(m.value_colour(0.0f, -1.0f, 1.0f, 0.5f), rgb(0, 127, 0));
    EXPECT_EQ(m.value_colour(1.0f, -1.0f, 1.0f, 0.5f), rgb(63, 0, 127));
    // t = -0.5: red 0.75, green 0.75, blue 0 -> 191, 191, 0 (yellow).
    EXPECT_EQ(m.value_colour(0.25f, 0.0f, 1.0f, 1.0f), rgb(191, 191, 0));
    // A range of zero width has no scale: the middle colour, no division by zero.
    EXPECT_EQ(m.value_colour(3.0f, 3.0f, 3.0f, 1.0f), rgb(0, 255, 0));
    EXPECT_FLOAT_EQ(colour_red(-2.0f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(colour_blue(0.5f, 0.5f), 0.375f);
}

TEST(ContourRange, SymmetricUnionAndUserBounds)
{
    float lo, hi;
    contour_range(-2.0f, 1.0f, false, 100.0f, -100.0f, lo, hi);
    EXPECT_FLOAT_EQ(lo, -2.0002f);
    EXPECT_FLOAT_EQ(hi, 2.0002f);
    EXPECT_FLOAT_EQ((hi - lo) / 20.0f, 0.20002f);
    contour_range(-2.0f, 1.0f, true, 5.0f, -1.0f, lo, hi);
    EXPECT_FLOAT_EQ(lo, -2.0f);
    EXPECT_FLOAT_EQ(hi, 5.0f);
    contour_range(-2.0f, 1.0f, true, 0.5f, -1.0f, lo, hi);
    EXPECT_FLOAT_EQ(lo, -2.0f);
    EXPECT_FLOAT_EQ(hi, 1.0f);
    // Equal magnitudes: the maximum's magnitude is taken.
    contour_range(-1.0f, 1.0f, false, 0.0f, 0.0f, lo, hi);
    EXPECT_FLOAT_EQ(hi, 1.0001f);
    EXPECT_STREQ(component_name(14), "S3");
    EXPECT_STREQ(component_name(15), "FI");
    EXPECT_TRUE(is_stress_component(13));
    EXPECT_FALSE(is_stress_component(15));
    EXPECT_FALSE(is_stress_component(6));
}

// Values 0, 0.5, 1 over vmin 0, vmax 1, dv 0.5: level 0.5 runs from the middle of P0-P2 to P1,
// level 1 ends in P2.
TEST(ContourTriangle, BandsAndIsoLinesOfTheWorkedTriangle)
{
    FEMg3D m;
    one_face_model(m);
    recording_canvas cv;
    const float v[3] = {0.0f, 0.5f, 1.0f};
    const float px[3] = {0, 40, 80}, py[3] = {0, 80, 0};
    m.fill_contour_triangle(cv, v, 0.0f, 1.0f, 0.5f, px, py, 1.0f);
    const std::string green = hex(rgb(0, 255, 0)), violet = hex(rgb(127, 0, 255));
    const std::vector<std::string> expected = {
        // level 0.5: iso-line A (40, 0) to B = P1, band P0 A B in the colour of the level
        "pen 000000 1 0", "move 40 100", "line 40 20", "pen " + green + " 1 0",
        "brush " + green + " 0", "polygon 0,100 40,100 40,20",
        // level 1: A = B = P2, band B' A' A B P1
        "pen 000000 1 0", "move 80 100", "line 80 100", "pen " + violet + " 1 0",
        "brush " + violet + " 0", "polygon 40,20 40,100 80,100 80,100 40,20",
        // above the last level: B A P2 in the last level's colour
        "pen " + violet + " 1 0", "brush " + violet + " 0", "polygon 80,100 80,100 80,100"};
    EXPECT_EQ(cv.lines, expected);
}

// Values 0, 0, 4 over 0..4 with dv 2: the first level already passes P1 (a four-point band).
TEST(ContourTriangle, LevelPastTheMiddleCornerAndOneBandTriangle)
{
    FEMg3D m;
    one_face_model(m);
    recording_canvas cv;
    const float v[3] = {0.0f, 0.0f, 4.0f};
    const float px[3] = {0, 40, 80}, py[3] = {0, 80, 0};
    m.fill_contour_triangle(cv, v, 0.0f, 4.0f, 2.0f, px, py, 1.0f);
    const std::string c1 = hex(m.value_colour(2.0f, 0.0f, 4.0f, 1.0f));
    const std::string c2 = hex(m.value_colour(4.0f, 0.0f, 4.0f, 1.0f));
    const std::vector<std::string> expected = {
        "pen 000000 1 0",     "move 40 100",        "line 60 60",
        "pen " + c1 + " 1 0", "brush " + c1 + " 0", "polygon 0,100 40,100 60,60 40,20",
        "pen 000000 1 0",     "move 80 100",        "line 80 100",
        "pen " + c2 + " 1 0", "brush " + c2 + " 0", "polygon 60,60 40,100 80,100 80,100",
        "pen " + c2 + " 1 0", "brush " + c2 + " 0", "polygon 80,100 80,100 80,100"};
    EXPECT_EQ(cv.lines, expected);

    // Inside one band: the whole triangle in the colour of its smallest value, no iso-line.
    recording_canvas one;
    const float w[3] = {0.6f, 0.1f, 0.3f};
    m.fill_contour_triangle(one, w, 0.0f, 1.0f, 1.0f, px, py, 0.5f);
    const std::string c = hex(m.value_colour(0.1f, 0.0f, 1.0f, 0.5f));
    const std::vector<std::string> single = {"pen " + c + " 1 0", "brush " + c + " 0",
                                             "polygon 40,20 80,100 0,100"};
    EXPECT_EQ(one.lines, single);
}

TEST(Contour, StatusLineRangeAndMarkers)
{
    FEMg3D m;
    one_face_model(m);
    const float sx[4] = {-2.0f, 1.0f, 0.5f, 0.0f};
    for (int i = 0; i < 4; i++) m.nodes[i].stress[0] = sx[i];
    recording_canvas cv;
    m.draw_contour(cv, 0);
    ASSERT_GE(cv.lines.size(), 3u);
    // Stresses times 0.098, positions times 0.01.
    EXPECT_EQ(cv.lines[0], "text 0 0 <Contour line of  Sx ::: Min. =  -1.960e-01 [   0.000,   "
                           "0.000,   0.000] Max. =   9.800e-02[   1.000,   0.000,   0.000]>");
    EXPECT_EQ(cv.lines[1], "brush FFFFFF 0");
    EXPECT_EQ(cv.lines[2], "font 000000");
    // Symmetric range -2.0002..2.0002 in 20 bands: the iso-lines of the two triangles are the
    // levels between their values: triangle 0-1-2 (-2, 1, 0.5) crosses levels 1..14 (values
    // -1.80 .. 0.80), triangle 2-3-0 (0.5, 0, -2) levels 1..12.
    EXPECT_EQ(cv.count("pen 000000"), 14 + 12);
    // Markers last: the maximum (node 1) dark blue, the minimum (node 0) red, radius 3.
    const size_t n = cv.lines.size();
    float px, py;
    int ix, iy;
    m.project(100, 0, 0, px, py);
    m.to_pixel(px, py, ix, iy);
    char arc[128];
    std::snprintf(arc, sizeof arc, "arc %d %d %d %d %d %d %d %d", ix - 3, iy - 3, ix + 3, iy + 3,
                  ix - 3, iy - 3, ix - 3, iy - 3);
    EXPECT_EQ(cv.lines[n - 4], "pen 7F0000 1 0");
    EXPECT_EQ(cv.lines[n - 3], arc);
    EXPECT_EQ(cv.lines[n - 2], "pen 0000FF 1 0");
}

TEST(Contour, UserRangeInDisplayUnitsAndUnconvertedComponents)
{
    FEMg3D m;
    one_face_model(m);
    for (int i = 0; i < 4; i++) {
        m.nodes[i].stress[0] = 50.0f;
        m.nodes[i].fi = 0.5f;
    }
    display_settings ds; // SI: stress_factor 0.098
    ds.contour_range_set = true;
    m.settings = &ds;
    m.contour_max = 9.8f; // MPa: 100 kgf/cm2 inside
    m.contour_min = -9.8f;
    recording_canvas cv;
    m.draw_contour(cv, 0);
    // Range -100..100: 50 is t = 0.5, one band per triangle: red 0.125, green and blue 0.75.
    const std::string c = hex(rgb(31, 191, 191));
    EXPECT_EQ(cv.count("polygon"), 2);
    EXPECT_EQ(cv.count("brush " + c), 2);
    EXPECT_EQ(cv.count("pen 000000"), 0);

    // The fatigue index is shown as stored whatever the stress factor.
    recording_canvas fi;
    m.draw_contour(fi, 15);
    EXPECT_EQ(fi.lines[0], "text 0 0 <Contour line of  FI ::: Min. =   5.000e-01 [   0.000,   "
                           "0.000,   0.000] Max. =   5.000e-01[   0.000,   0.000,   0.000]>");
}

TEST(Contour, NoFaceOfTheMaterialZeroRangeAndNoResults)
{
    FEMg3D m;
    one_face_model(m);
    m.sel_material = 1;
    m.all_materials = false;
    recording_canvas cv;
    m.draw_contour(cv, 7);
    ASSERT_EQ(cv.lines.size(), 3u);
    EXPECT_EQ(cv.lines[0],
              "text 0 0 <Contour line of  Ey ::: no element of the selected material>");
    EXPECT_EQ(cv.count("arc"), 0);

    // All values zero without a user range: a range of zero width, one band, no iso-line.
    m.set_sel_material(-1);
    recording_canvas zero;
    m.draw_contour(zero, 3);
    EXPECT_EQ(zero.count("polygon"), 2);
    EXPECT_EQ(zero.count("pen 000000"), 0);
    EXPECT_EQ(zero.count("brush " + hex(rgb(0, 255, 0))), 2);

    m.results_loaded = false;
    recording_canvas none;
    m.draw_contour(none, 0);
    EXPECT_TRUE(none.lines.empty());
}

TEST(Contour, WireOutlineFollowsEachFace)
{
    FEMg3D m;
    one_face_model(m);
    display_settings ds;
    ds.wire_on = true;
    ds.wire_black = true;
    m.settings = &ds;
    recording_canvas cv;
    m.draw_contour(cv, 0);
    // All values zero: two one-band triangles, then four black edges, then the markers.
    EXPECT_EQ(cv.count("pen 000000 1 0"), 4);
    EXPECT_EQ(cv.count("polygon"), 2);
}

TEST(Mesh, FacesOutlinesAndWireSettings)
{
    FEMg3D m;
    one_face_model(m, 1000.0f);
    m.faces[0].shade = 0.0f;
    display_settings ds; // NoWIre: the mesh still gets grey outlines
    m.settings = &ds;
    recording_canvas cv;
    m.draw_mesh(cv, false);
    const std::string c = hex(rgb(115, 115, 140));
    const std::vector<std::string> head = {
        "pen " + c + " 1 0", "brush " + c + " 0", "polygon 10,90 50,90 50,40 10,40 10,90",
        "pen DCDCDC 1 0",    "move 10 40",        "line 10 90"};
    ASSERT_GE(cv.lines.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(cv.lines.begin(), cv.lines.begin() + 6), head);
    EXPECT_EQ(cv.count("pen DCDCDC"), 4);

    recording_canvas outline;
    m.draw_mesh(outline, true);
    EXPECT_EQ(outline.count("polygon"), 0);
    EXPECT_EQ(outline.count("line"), 4);

    // The displacement graph draws no outline without wire.
    recording_canvas def;
    m.draw_deformed(def);
    EXPECT_EQ(def.count("pen DCDCDC"), 0);
    EXPECT_EQ(def.count("polygon"), 1);

    // A face of another material is not drawn when a material is selected.
    m.sel_material = 2;
    m.all_materials = false;
    recording_canvas hidden;
    m.draw_mesh(hidden, false);
    EXPECT_TRUE(hidden.lines.empty());
}

TEST(Deformed, ExtremesTextOnWhite)
{
    FEMg3D m;
    one_face_model(m);
    const float u[4][3] = {
        {0.01f, -0.02f, 0.5f}, {0.03f, 0.0f, -0.25f}, {-0.04f, 0.01f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    for (int i = 0; i < 4; i++)
        for (int c = 0; c < 3; c++) m.nodes[i].disp[c] = u[i][c];
    recording_canvas cv;
    m.draw_deformed(cv); // SI display: everything times 0.01
    const size_t n = cv.lines.size();
    ASSERT_GE(n, 3u);
    EXPECT_EQ(cv.lines[n - 3], "brush FFFFFF 0");
    EXPECT_EQ(cv.lines[n - 2], "font 000000");
    EXPECT_EQ(cv.lines[n - 1],
              "text 0 0 <(max,min) \n"
              " Ux=( 3.000e-04[    1.00,    0.00,    0.00],-4.000e-04[    1.00,    2.00,    "
              "0.00]), \n"
              " Uy=( 1.000e-04[    1.00,    2.00,    0.00],-2.000e-04[    0.00,    0.00,    "
              "0.00]),\n"
              " Uz=( 5.000e-03[    0.00,    0.00,    0.00],-2.500e-03[    1.00,    0.00,    "
              "0.00])>");

    // No visible face: nothing painted, a text that says so.
    m.sel_material = 3;
    m.all_materials = false;
    recording_canvas none;
    m.draw_deformed(none);
    const std::vector<std::string> expected = {"brush FFFFFF 0", "font 000000",
                                               "text 0 0 <(max,min) no visible face>"};
    EXPECT_EQ(none.lines, expected);

    m.results_loaded = false;
    recording_canvas nothing;
    m.draw_deformed(nothing);
    EXPECT_TRUE(nothing.lines.empty());
}

namespace
{
// n elements of material 0 (solid) with centroids along x; principal k of element e from f.
template <typename F> void principal_model(FEMg3D &m, int n, F value)
{
    m.n_materials = 2;
    m.materials.assign(2, t_material{});
    m.materials[1].value[11] = 1.0f; // joint
    m.n_elements = n;
    m.elements.assign(n, t_elem{});
    for (int e = 0; e < n; e++) {
        t_elem &el = m.elements[e];
        el.centroid[0] = 10.0f * e;
        for (int k = 0; k < 3; k++) {
            el.principal[k] = value(e, k);
            el.direction[k * 3 + k] = 1.0f; // principal k along axis k
        }
    }
    m.set_sel_material(-1);
    simple_window(m);
}
} // namespace

TEST(Principal, SkipColoursAndWidths)
{
    FEMg3D m;
    principal_model(m, 10, [](int e, int k) { return k == 2 ? e - 4.0f : 0.0f; });
    m.principal_skip = 3;
    recording_canvas cv;
    m.draw_principal(cv, 2);
    // Elements 0, 3, 6, 9 with values -4 (minimum), -1, 2, 5 (maximum).
    std::vector<std::string> pens;
    for (const auto &l : cv.lines)
        if (l.rfind("pen", 0) == 0) pens.push_back(l);
    const std::vector<std::string> expected = {"pen 0000FF 1 0", "pen 0000FF 3 0", "pen 0000FF 1 0",
                                               "pen 0000FF 1 0", "pen 7F0000 1 0", "pen 7F0000 1 0",
                                               "pen 7F0000 1 0", "pen 7F0000 3 0"};
    EXPECT_EQ(pens, expected);
    EXPECT_EQ(cv.count("arc"), 4);
    // Element 9: bar along z from centroid + 5 z to centroid - 5 z.
    float ax, ay, bx, by;
    int iax, iay, ibx, iby;
    m.project(90, 0, 5, ax, ay);
    m.project(90, 0, -5, bx, by);
    m.to_pixel(ax, ay, iax, iay);
    m.to_pixel(bx, by, ibx, iby);
    const size_t n = cv.lines.size();
    EXPECT_EQ(cv.lines[n - 2], "move " + std::to_string(iax) + " " + std::to_string(iay));
    EXPECT_EQ(cv.lines[n - 1], "line " + std::to_string(ibx) + " " + std::to_string(iby));
}

TEST(Principal, ZeroValueAllChoicesSelectionAndNonSolids)
{
    FEMg3D m;
    principal_model(m, 3, [](int e, int k) { return e == 1 ? 0.0f : (k + 1.0f) * (e - 1); });
    recording_canvas cv;
    m.draw_principal(cv, 3);
    EXPECT_EQ(cv.count("arc"), 9); // three principals of three elements
    // The zero value of element 1 is red, width 1, a bar of zero length.
    const std::vector<std::string> &l = cv.lines;
    EXPECT_EQ(l[5], "pen 0000FF 1 0");
    EXPECT_EQ(l[7], "pen 0000FF 1 0");
    EXPECT_EQ(l[8].substr(4), l[9].substr(4));

    // Elements of a joint material are neither drawn nor counted for the extremes; a selected
    // material draws only its own.
    m.elements[2].draw_material = 1;
    m.elements[2].material = 1;
    m.sel_material = 0;
    m.all_materials = false;
    recording_canvas sel;
    m.draw_principal(sel, 0);
    EXPECT_EQ(sel.count("arc"), 2);
    // Without element 2 the extremes are -3 and 0: element 0 (-1) has width 1, the zero of
    // element 1 is the maximum and has width 3.
    EXPECT_EQ(sel.lines[2], "pen 0000FF 1 0");
    EXPECT_EQ(sel.lines[7], "pen 0000FF 3 0");

    recording_canvas bad;
    m.principal_skip = 0; // taken as 1
    m.draw_principal(bad, 4);
    EXPECT_TRUE(bad.lines.empty());
    m.draw_principal(bad, 1);
    EXPECT_EQ(bad.count("arc"), 2);
}

namespace
{
// One dowel of gap 2 and length 37 (Le 17.5, h 0.5) at (100, 0, 0) with flags axis.
void dowel_model(FEMg3D &m, float e1, float e2, float e3)
{
    m.n_dowel_types = 1;
    m.dowel_types.assign(1, t_dowel_type{});
    m.dowel_types[0].value[2] = 2.0f;
    m.dowel_types[0].value[4] = 37.0f;
    m.n_dowels = 1;
    m.dowels.assign(1, t_dowel{});
    t_dowel &d = m.dowels[0];
    d.centre[0] = 100.0f;
    d.gap = 2.0f;
    d.length = 37.0f;
    d.axis[0] = e1;
    d.axis[1] = e2;
    d.axis[2] = e3;
    for (int i = 0; i < dowel_stations; i++) {
        d.bending[i] = static_cast<float>(i);
        d.shear[i] = -static_cast<float>(i);
    }
    simple_window(m);
}

std::string pixel_of(const FEMg3D &m, float x, float y, float z)
{
    float px, py;
    int ix, iy;
    m.project(x, y, z, px, py);
    m.to_pixel(px, py, ix, iy);
    return std::to_string(ix) + " " + std::to_string(iy);
}
} // namespace

TEST(Dowels, BendingPolylineAlongX)
{
    FEMg3D m;
    dowel_model(m, 1, 0, 0);
    recording_canvas cv;
    m.draw_dowel_bending(cv);
    EXPECT_FLOAT_EQ(m.dowels[0].step, 0.5f);
    ASSERT_EQ(cv.lines.size(), 71u * 3);
    EXPECT_EQ(cv.count("pen 7F0000 1 0"), 71);
    // The first line has zero length at the far end of the first half: x = 100 - 1 - 17.5.
    EXPECT_EQ(cv.lines[1], "move " + pixel_of(m, 81.5f, 0, 0));
    EXPECT_EQ(cv.lines[2], "line " + pixel_of(m, 81.5f, 0, 0));
    // Station 35 at the first joint face, offset 0.3 x 35 along z.
    EXPECT_EQ(cv.lines[3 * 35 + 2], "line " + pixel_of(m, 99.0f, 0, 35 * m.bend_scale));
    // The line across the gap to station 36, then the last station 70 at x = 34 h.
    EXPECT_EQ(cv.lines[3 * 36 + 2], "line " + pixel_of(m, 101.0f, 0, 36 * m.bend_scale));
    EXPECT_EQ(cv.lines[3 * 70 + 2], "line " + pixel_of(m, 118.0f, 0, 70 * m.bend_scale));
}

TEST(Dowels, VerticalBarsShearAndBarsWithoutAxis)
{
    FEMg3D m;
    dowel_model(m, 0, 0, 1);
    m.dowels[0].force[0] = 1.0f;
    m.dowels[0].force[1] = -2.0f; // |Fx1| < |Fy1|: bending offsets along y
    recording_canvas bend;
    m.draw_dowel_bending(bend);
    EXPECT_EQ(bend.lines[3 * 35 + 2], "line " + pixel_of(m, 100.0f, 35 * m.bend_scale, -1.0f));
    // Shear is always offset along x for a bar along z, red, times 0.6.
    recording_canvas shear;
    m.draw_dowel_shear(shear);
    EXPECT_EQ(shear.count("pen 0000FF 1 0"), 71);
    EXPECT_EQ(shear.lines[3 * 36 + 2],
              "line " + pixel_of(m, 100.0f + -36.0f * m.shear_scale, 0, 1.0f));

    // The bar itself: centre to the first end red, to the second dark blue, width 3.
    recording_canvas bar;
    m.draw_dowels(bar);
    const std::vector<std::string> expected = {
        "pen 0000FF 3 0", "move " + pixel_of(m, 100, 0, 0), "line " + pixel_of(m, 100, 0, -18.5f),
        "pen 7F0000 3 0", "move " + pixel_of(m, 100, 0, 0), "line " + pixel_of(m, 100, 0, 18.5f)};
    EXPECT_EQ(bar.lines, expected);

    // The last non-zero flag wins.
    m.dowels[0].axis[0] = 1.0f;
    recording_canvas last;
    m.draw_dowels(last);
    EXPECT_EQ(last.lines[2], "line " + pixel_of(m, 100, 0, -18.5f));

    // No axis: nothing is drawn for the bar, its diagrams or its box.
    for (float &f : m.dowels[0].axis) f = 0.0f;
    recording_canvas none;
    m.draw_dowels(none);
    m.draw_dowel_bending(none);
    m.draw_dowel_shear(none);
    EXPECT_TRUE(none.lines.empty());
}

TEST(Boxes, SolidMaterialsOnlyAndNotWithoutElements)
{
    FEMg3D m;
    // One element of material 0 over a 10 x 20 x 30 box; material 1 a joint, 2 solid unused.
    m.n_materials = 3;
    m.materials.assign(3, t_material{});
    m.materials[1].value[11] = 1.0f;
    m.n_nodes = 8;
    m.nodes.assign(9, t_node{});
    for (int k = 0; k < 8; k++) {
        m.nodes[k].coord[0] = (k == 1 || k == 2 || k == 5 || k == 6) ? 10.0f : 0.0f;
        m.nodes[k].coord[1] = (k == 2 || k == 3 || k == 6 || k == 7) ? 20.0f : 0.0f;
        m.nodes[k].coord[2] = k >= 4 ? 30.0f : 0.0f;
    }
    m.n_elements = 2;
    m.elements.assign(2, t_elem{});
    for (int k = 0; k < 8; k++) m.elements[0].node[k] = m.elements[1].node[k] = k;
    m.elements[1].material = 1;
    simple_window(m);
    recording_canvas cv;
    m.draw_material_boxes(cv);
    EXPECT_EQ(cv.count("pen DCDCDC 1 0"), 12);
    EXPECT_EQ(cv.lines[1], "move " + pixel_of(m, 0, 0, 0));
    EXPECT_EQ(cv.lines[2], "line " + pixel_of(m, 10, 0, 0));
    EXPECT_EQ(cv.lines[35], "line " + pixel_of(m, 0, 20, 30));
}

TEST(LoadFaces, RedPatchesOnUndeformedAndDeformedNodes)
{
    FEMg3D m;
    one_face_model(m);
    m.n_load_faces = 1;
    m.load_faces.assign(1, t_load_face{{0, 1, 2, 3}, {0, 0, 1}});
    m.nodes[2].disp[2] = 0.01f;
    recording_canvas flat;
    m.draw_load_faces(flat, false);
    const std::string a = pixel_of(m, 0, 0, 0), b = pixel_of(m, 100, 0, 0),
                      c = pixel_of(m, 100, 200, 0), d = pixel_of(m, 0, 200, 0);
    auto comma = [](std::string s) {
        if (const auto at = s.find(' '); at != std::string::npos) s[at] = ',';
        return s;
    };
    const std::vector<std::string> expected = {"pen 0000FF 1 0", "brush 0000FF 0",
                                               "polygon " + comma(a) + " " + comma(b) + " " +
                                                   comma(c) + " " + comma(d) + " " + comma(a)};
    EXPECT_EQ(flat.lines, expected);
    recording_canvas def;
    m.draw_load_faces(def, true); // disp_scale 1000: node 2 ten units up
    EXPECT_NE(def.lines[2].find(comma(pixel_of(m, 100, 200, 10))), std::string::npos);
}

TEST(Graph, NamesAndDispatch)
{
    EXPECT_EQ(graph_type_of("Mesh"), 0);
    EXPECT_EQ(graph_type_of("Displacement"), 1);
    EXPECT_EQ(graph_type_of("Sx"), 2);
    EXPECT_EQ(graph_type_of("Exy"), 13);
    EXPECT_EQ(graph_type_of("Dowel Bending Stress"), 14);
    EXPECT_EQ(graph_type_of("Shear"), 15);
    EXPECT_EQ(graph_type_of("S1"), 16);
    EXPECT_EQ(graph_type_of("FI"), 19);
    EXPECT_EQ(graph_type_of("Principal Stress"), 20);
    EXPECT_EQ(graph_type_of(""), -1);
    EXPECT_EQ(graph_type_of("sx"), -1);
    EXPECT_EQ(principal_choice_of("Maximum"), 2);
    EXPECT_EQ(principal_choice_of("All"), 3);
    EXPECT_EQ(principal_choice_of("max"), -1);

    FEMg3D m;
    one_face_model(m);
    m.fit_window(-10, -10, 110, 110);
    display_settings ds;
    ds.current_material = -1;
    const float box[6] = {-1, 101, -1, 201, -1, 1};
    for (int i = 0; i < 6; i++) ds.saved_range_box[i] = box[i];
    m.settings = &ds;

    // The image is always cleared; the principal graph gets the outline first.
    ds.overlay_draw = true;
    recording_canvas img;
    draw_graph(m, ds, img, 20, 300, 200, graph_target::image);
    ASSERT_GE(img.lines.size(), 4u);
    EXPECT_EQ(img.lines[0], "pen FFFFFF 1 0");
    EXPECT_EQ(img.lines[1], "brush FFFFFF 0");
    EXPECT_EQ(img.lines[2], "rect 0 0 300 200");
    EXPECT_EQ(img.lines[3], "pen DCDCDC 1 0");
    EXPECT_EQ(m.surf_width, 300);
    float r[6];
    m.get_range(r);
    EXPECT_FLOAT_EQ(r[1], 101.0f);

    // The window in overlay mode neither clears nor draws the principal graph's outline.
    recording_canvas win;
    draw_graph(m, ds, win, 20, 640, 400, graph_target::window);
    EXPECT_EQ(win.count("rect"), 0);
    EXPECT_EQ(win.count("pen DCDCDC"), 0);

    // Mesh with wheels: faces, then the loaded faces in red; without wheels no red patch.
    ds.overlay_draw = false;
    m.n_load_faces = 1;
    m.load_faces.assign(1, t_load_face{{0, 1, 2, 3}, {0, 0, 1}});
    recording_canvas mesh;
    draw_graph(m, ds, mesh, 0, 640, 400, graph_target::window);
    EXPECT_EQ(mesh.lines[2], "rect 0 0 640 400");
    EXPECT_EQ(mesh.count("brush 0000FF"), 1);
    ds.wheel_mode = 0;
    recording_canvas plain;
    draw_graph(m, ds, plain, 1, 640, 400, graph_target::window);
    EXPECT_EQ(plain.count("brush 0000FF"), 0);
    EXPECT_EQ(plain.lines.back().substr(0, 19), "text 0 0 <(max,min)");

    // Graph types outside 0..20 only clear.
    recording_canvas other;
    draw_graph(m, ds, other, 21, 640, 400, graph_target::window);
    EXPECT_EQ(other.lines.size(), 3u);
}

namespace
{
// Keeps what the smooth contour mode sends.
class recording_surface : public smooth_surface
{
  public:
    std::vector<std::vector<float>> triangles; // xy (6) then rgb (9)
    int clears = 0, flushes = 0;
    void set_projection(int, int, float, float, float, float) override {}
    void clear(float, float, float) override { clears++; }
    void triangle(const float *xy, const float *rgb) override
    {
        std::vector<float> t(xy, xy + 6);
        t.insert(t.end(), rgb, rgb + 9);
        triangles.push_back(t);
    }
    void flush() override { flushes++; }
};
} // namespace

// Smooth mode: one triangle with the scale's colours at its corners, in projection-plane
// coordinates, nothing on the canvas; the surface is cleared at the start of every contour.
TEST(ContourTriangle, SmoothModeSendsCornerColours)
{
    FEMg3D m;
    one_face_model(m);
    display_settings ds;
    ds.smooth_contour = true;
    m.settings = &ds;
    recording_surface surface;
    m.smooth = &surface;
    recording_canvas cv;
    const float v[3] = {-1.0f, 0.0f, 1.0f};
    const float px[3] = {1, 2, 3}, py[3] = {4, 5, 6};
    m.fill_contour_triangle(cv, v, -1.0f, 1.0f, 0.1f, px, py, 0.5f);
    EXPECT_TRUE(cv.lines.empty());
    ASSERT_EQ(surface.triangles.size(), 1u);
    const std::vector<float> expected = {1,     4,    2,   5, 3, 6, // positions
                                         0.5f,  0,    0,            // red at t = -1, half bright
                                         0,     0.5f, 0,            // green at t = 0
                                         0.25f, 0,    0.5f};        // violet at t = 1
    ASSERT_EQ(surface.triangles[0].size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); i++)
        EXPECT_FLOAT_EQ(surface.triangles[0][i], expected[i]) << i;
    EXPECT_EQ(surface.flushes, 1);

    recording_canvas contour;
    m.draw_contour(contour, 0);
    EXPECT_EQ(surface.clears, 1);
    EXPECT_EQ(surface.triangles.size(), 3u); // two more for the face
    EXPECT_EQ(contour.count("polygon"), 0);
    m.smooth = nullptr;
}

TEST(Legend, ContourKeyBandsBoundsExtremesAndUnitsOnlyWhenAsked)
{
    FEMg3D m;
    one_face_model(m);
    for (int i = 0; i < 4; i++) m.nodes[i].stress[0] = 10.0f * static_cast<float>(i); // Sx 0..30
    display_settings ds;
    ds.current_material = -1;
    const float box[6] = {-1, 101, -1, 201, -1, 1};
    for (int i = 0; i < 6; i++) ds.saved_range_box[i] = box[i];
    set_output_units(ds, false); // kgf-cm: stresses as stored
    m.settings = &ds;
    m.build_view_matrix(); // the default view and a window of one pixel per unit, for the triad
    m.win_xmax = 640 - 184;
    m.win_ymax = 400;
    auto texts = [](const recording_canvas &cv) {
        std::vector<std::string> t;
        for (const std::string &l : cv.lines)
            if (l.rfind("text ", 0) == 0)
                t.push_back(l.substr(l.find(' ', l.find(' ', 5) + 1) + 1));
        return t;
    };
    recording_canvas plain;
    draw_graph(m, ds, plain, 2, 640, 400, graph_target::window);
    for (const std::string &t : texts(plain)) EXPECT_EQ(t.find("Sx (kgf/cm2)"), std::string::npos);

    ds.legend = true;
    recording_canvas cv;
    draw_graph(m, ds, cv, 2, 640, 400, graph_target::window);
    const std::vector<std::string> t = texts(cv);
    auto has = [&](const std::string &s) { return std::find(t.begin(), t.end(), s) != t.end(); };
    // the heading and the units on lines of their own
    EXPECT_TRUE(has("Sx (kgf/cm2)"));
    EXPECT_TRUE(has("kgf-cm units, 20 bands"));
    // the symmetric range is 1.0001 times the larger extreme, 20 bands of 3.0003: bounds to
    // the step's two digits, the middle one 0 whatever float sums leave there
    EXPECT_TRUE(has("30.0")) << cv.lines.size();
    EXPECT_TRUE(has("-30.0"));
    EXPECT_TRUE(has("0.0"));
    auto is_bound = [](const std::string &x) {
        const std::size_t dot = x.find('.');
        return dot != std::string::npos && dot + 2 == x.size() &&
               x.find_first_not_of("-0123456789.") == std::string::npos;
    };
    EXPECT_EQ(std::count_if(t.begin(), t.end(), is_bound), 21);
    for (const std::string &x : t) EXPECT_EQ(x.find("e-0"), std::string::npos) << x;
    // the extremes the circles mark, and what the circles are
    EXPECT_TRUE(has("max 30.00"));
    EXPECT_TRUE(has("min 0.00"));
    EXPECT_TRUE(has("circled in the picture"));
    // each box is coloured as the contour colours its band: by the level above it
    const float lo = -30.003f, hi = 30.003f, dv = (hi - lo) / 20.0f;
    char top[32], bottom[32];
    std::snprintf(top, sizeof top, "brush %06X 0", m.value_colour(lo + 20 * dv, lo, hi, 1.0f));
    std::snprintf(bottom, sizeof bottom, "brush %06X 0", m.value_colour(lo + dv, lo, hi, 1.0f));
    EXPECT_GE(cv.count(top), 1);
    EXPECT_GE(cv.count(bottom), 1);
    // the key's texts all lie in the panel at the right: x from 640 - 184
    for (const std::string &l : cv.lines) {
        if (l.rfind("text ", 0) == 0 && l.find("Contour line") == std::string::npos) {
            EXPECT_GE(std::stoi(l.substr(5)), 640 - 184) << l;
        }
    }
    // the axis triad: at least the two axes that are not along the line of sight
    int axes = 0;
    for (const char *a : {"x", "y", "z"}) axes += has(a) ? 1 : 0;
    EXPECT_GE(axes, 2);

    // SI units: MPa, bounds times 0.098 (30.003 x 0.0980665 = 2.942)
    set_output_units(ds, true);
    recording_canvas si;
    draw_graph(m, ds, si, 2, 640, 400, graph_target::window);
    const std::vector<std::string> ts = texts(si);
    EXPECT_NE(std::find(ts.begin(), ts.end(), "Sx (MPa)"), ts.end());
    EXPECT_NE(std::find(ts.begin(), ts.end(), "2.94"), ts.end());
    // the key says which means a stress contour draws: per-material only when they are on
    EXPECT_EQ(std::find(ts.begin(), ts.end(), "per-material nodal means"), ts.end());
    ds.per_material = true;
    recording_canvas own;
    draw_graph(m, ds, own, 2, 640, 400, graph_target::window);
    const std::vector<std::string> to = texts(own);
    EXPECT_NE(std::find(to.begin(), to.end(), "per-material nodal means"), to.end());
    ds.per_material = false;
    // a mesh picture gets its own key: the material's colour, name and modulus
    // (300 000 kgf/cm2 times the viewer's 0.098 = 29 400 MPa), no contour bands
    recording_canvas mesh;
    draw_graph(m, ds, mesh, 0, 640, 400, graph_target::window);
    const std::vector<std::string> tm = texts(mesh);
    for (const std::string &x : tm) EXPECT_EQ(x.find("units,"), std::string::npos) << x;
    EXPECT_NE(std::find_if(tm.begin(), tm.end(),
                           [](const std::string &x) { return x.find(" 29400") != x.npos; }),
              tm.end());
}

// Per-material averaging: with the option on, a face takes its material's own mean from the
// per-material stress file (node 1: 10 in the slab where the mean over all solids is 5); off,
// or at a node without a row of the face's material, the node's mean.
TEST(Contour, PerMaterialValuesFromTheirFile)
{
    FEMg3D m;
    display_settings ds;          // SI display: stresses times 0.098
    set_input_factors(ds, false); // the file holds kgf-cm values, like the nodes' means
    m.settings = &ds;
    one_face_model(m);
    for (int i = 0; i < 4; i++) m.nodes[i].stress[0] = i == 1 ? 5.0f : 1.0f;
    test_support::scratch_dir scratch("per_material");
    const std::string dir = scratch.path().string();
    test_support::write_text(dir + "/m.mst",
                             "# material stresses: element=brick solver=cg units=0 case=0 "
                             "load_factor=1.00000 equilibrium=reached nodes=4 "
                             "materials=1\ncolumns\n"
                             "0 0 1 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0\n"
                             "1 0 1 100 0 0 0 0 0 0 0 0 10 0 0 0 0 0\n"
                             "2 0 1 100 200 0 0 0 0 0 0 0 1 0 0 0 0 0\n");
    ASSERT_EQ(m.load_material_values((dir + "/m.mst").c_str()), 1) << m.load_error;
    const char *expected[2] = {
        "text 0 0 <Contour line of  Sx ::: Min. =   9.800e-02 [   0.000,   0.000,   0.000] "
        "Max. =   4.900e-01[   1.000,   0.000,   0.000]>",
        "text 0 0 <Contour line of  Sx ::: Min. =   9.800e-02 [   0.000,   0.000,   0.000] "
        "Max. =   9.800e-01[   1.000,   0.000,   0.000]>"};
    for (const bool on : {false, true}) {
        ds.per_material = on;
        recording_canvas cv;
        m.draw_contour(cv, 0);
        ASSERT_FALSE(cv.lines.empty());
        EXPECT_EQ(cv.lines[0], expected[on]);
    }
    // a file of another mesh is refused with its reason, and the model keeps its means
    test_support::write_text(dir + "/bad.mst",
                             "# material stresses: nodes=5 materials=1\ncolumns\n");
    EXPECT_EQ(m.load_material_values((dir + "/bad.mst").c_str()), -1);
    EXPECT_NE(m.load_error.find("another mesh"), std::string::npos) << m.load_error;
    EXPECT_FALSE(m.material_values_loaded);
}
