// Loading tests: the hand-written one-element set, reading factors, text and binary forms,
// principal stresses and the fatigue index.
#include <gtest/gtest.h>

#include <cmath>

#include "fem3d.h"
#include "model_sets.h"
#include "test_util.h"

namespace
{

std::string one(const char *ext)
{
    return std::string(TEST_DATA_DIR) + "/viewer_one/one" + ext;
}

int load_one(FEMg3D &m)
{
    return m.load_result_set(one(".pin").c_str(), one(".out").c_str(), one(".dwi").c_str(),
                             one(".dwo").c_str(), one(".dyn").c_str());
}

} // namespace

TEST(Load, ModelFileAloneLoadsWithoutResults)
{
    display_settings ds;
    FEMg3D m;
    m.settings = &ds;
    recording_progress progress;
    m.progress = &progress;
    const std::string dir = fresh_dir("load_alone");
    const std::string pin = one(".pin"), none = dir + "/none";
    const std::string out = none + ".out";
    ASSERT_EQ(m.load_result_set(pin.c_str(), out.c_str(), (none + ".dwi").c_str(),
                                (none + ".dwo").c_str(), (none + ".dyn").c_str()),
              1);
    EXPECT_TRUE(m.model_loaded);
    EXPECT_FALSE(m.results_loaded);
    EXPECT_FALSE(m.dyn_loaded);
    EXPECT_EQ(m.n_dowels, 0);
    EXPECT_EQ(m.n_faces, 6);
    EXPECT_EQ(m.nodes.size(), 9u); // room for n_nodes + 1
    EXPECT_EQ(m.nodes[6].disp[0], 0);
    EXPECT_TRUE(m.load_error.empty());
    const std::vector<std::string> want = {"show",
                                           "clear",
                                           "0,0 Read input data file [" + pin + "]",
                                           "0,20 Output data file [" + out + "] is not found",
                                           "0,40 Make face of element",
                                           "0,60   -- Element No.[    0,    0] is processed",
                                           "0,80 Sort faces of elements",
                                           "0,100 Reading data is finished",
                                           "hide"};
    EXPECT_EQ(progress.lines, want);
}

TEST(Load, MissingModelFileReturnsMinusOne)
{
    FEMg3D m;
    const std::string none = fresh_dir("load_missing") + "/none.pin";
    EXPECT_EQ(m.load_result_set(none.c_str(), "", "", "", ""), -1);
    EXPECT_FALSE(m.model_loaded);
    EXPECT_NE(m.load_error.find(none), std::string::npos);
    EXPECT_EQ(m.load_result_set_binary(none.c_str(), "", "", "", ""), -1);
}

// SI input: stress-like values times 1/0.098, spring-like values times 1/9.8.
TEST(Load, SiReadingFactorsOnSolidAndJointMaterials)
{
    display_settings ds; // SI input checked initially
    FEMg3D m;
    m.settings = &ds;
    ASSERT_EQ(load_one(m), 1) << m.load_error;
    const float fs = static_cast<float>(1 / 0.098), fk = static_cast<float>(1 / 9.8);
    ASSERT_EQ(m.n_materials, 2);
    const float *solid = m.materials[0].value, *joint = m.materials[1].value;
    EXPECT_FLOAT_EQ(solid[0], 30000 * fs);
    EXPECT_FLOAT_EQ(solid[1], 0.2f);
    EXPECT_FLOAT_EQ(solid[2], 0.0024f * fk);
    EXPECT_FLOAT_EQ(joint[0], 100 * fk); // a joint: words 0-2 are stiffnesses
    EXPECT_FLOAT_EQ(joint[1], 200 * fk);
    EXPECT_FLOAT_EQ(joint[2], 300 * fk);
    EXPECT_FLOAT_EQ(joint[3], 0.5f);
    // The fourth corner's traction is kept, converted.
    ASSERT_EQ(m.n_load_faces, 1);
    EXPECT_EQ(m.load_faces[0].node[3], 7);
    EXPECT_FLOAT_EQ(m.load_faces[0].traction[0], 0.5f * fs);
    EXPECT_FLOAT_EQ(m.load_faces[0].traction[1], 0.25f * fs);
    EXPECT_FLOAT_EQ(m.load_faces[0].traction[2], 4 * fs);
    EXPECT_FLOAT_EQ(m.nodes[0].stress[0], -4 * fs);
    EXPECT_FLOAT_EQ(m.nodes[0].strain[0], 1e-4f); // strains are not converted
    EXPECT_FLOAT_EQ(m.dowel_types[0].value[0], 2.04e6f * fs);
    EXPECT_FLOAT_EQ(m.dowel_types[0].value[5], 40000 * fk);
}

TEST(Load, OneElementSetWithoutFactors)
{
    display_settings ds;
    set_input_factors(ds, false);
    FEMg3D m;
    m.settings = &ds;
    ASSERT_EQ(load_one(m), 1) << m.load_error;
    EXPECT_TRUE(m.results_loaded);
    EXPECT_TRUE(m.dyn_loaded);
    EXPECT_FLOAT_EQ(m.dyn_end_time, 10);
    EXPECT_FLOAT_EQ(m.dyn_time_step, 0.01f);
    EXPECT_FLOAT_EQ(m.dyn_out_interval, 0.5f);
    const float ext[6] = {100, 0, 100, 0, 100, 0};
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(m.extent[i], ext[i]);
        EXPECT_EQ(m.range_box[i], ext[i]);
    }
    EXPECT_EQ(m.n_boundary, 4);
    EXPECT_EQ(m.band_width, 24);
    EXPECT_FLOAT_EQ(m.nodes[6].disp[0], 0.002f);
    EXPECT_FLOAT_EQ(m.nodes[6].disp[2], -0.01f);
    EXPECT_FLOAT_EQ(m.nodes[3].strain[5], 5e-5f);
    // Sx = -4, Sy = 2, Sz = 1, no shear: S1 = -4 along x, S2 = 1 along z, S3 = 2 along y.
    const t_node n = m.node_record(5);
    const float values[3] = {-4, 1, 2}, dirs[9] = {1, 0, 0, 0, 0, 1, 0, 1, 0};
    expect_arrays_close(3, values, n.principal, 1e-6);
    expect_arrays_close(9, dirs, n.direction, 1e-6);
    // Element means: centroid, mean displacement, mean stress and its principal values.
    const t_elem &e = m.elements[0];
    EXPECT_EQ(e.draw_material, 0);
    EXPECT_FLOAT_EQ(e.centroid[1], 50);
    EXPECT_FLOAT_EQ(e.disp[0], 0.002f / 8);
    EXPECT_FLOAT_EQ(e.disp[2], -0.04f / 8);
    EXPECT_FLOAT_EQ(e.stress[0], -4);
    expect_arrays_close(3, values, e.principal, 1e-6);
    // FI = r - (a - S3 / sa) / b with the initial parameters.
    EXPECT_NEAR(n.fi, 7 - (1.1265 - 2 / 45.0) / 0.0951, 1e-4);
    // The dowel line joins the z value and a negative axis flag into one token.
    ASSERT_EQ(m.n_dowels, 1);
    const t_dowel &d = m.dowels[0];
    EXPECT_FLOAT_EQ(d.centre[2], 50);
    EXPECT_FLOAT_EQ(d.axis[0], -1);
    EXPECT_FLOAT_EQ(d.force[2], -100);
    EXPECT_FLOAT_EQ(d.force[8], -100);
    EXPECT_FLOAT_EQ(d.gap, 0.6f);
    EXPECT_FLOAT_EQ(d.length, 45);
    EXPECT_FLOAT_EQ(m.dowel_step, (45 - 0.6f) / 2 / 35);
}

// A set whose values survive the text formats exactly: both forms give the same model.
TEST(Load, TextAndBinaryFormsAgreeWithoutFactors)
{
    set_data s = block_set(2, 1, 1, 50);
    s.materials.push_back({1000, 2000, 3000, 0.5f, 0, 0, 0, 0, 0, 0, 0, 1});
    s.n_boundary = 3;
    s.load_faces.push_back({{6, 7, 10, 9}, {{0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {0.5f, 0.25f, 4}}});
    s.with_results = true;
    const int np = static_cast<int>(s.coords.size());
    for (int i = 0; i < np; i++) {
        // Decimals of few digits, rounded once to float, print and read back unchanged.
        const float a = static_cast<float>(i);
        s.disp.push_back({static_cast<float>(0.001 * i), -0.002f, 0.25f});
        s.strain.push_back({1e-4f, static_cast<float>(2e-4 * i), -3e-4f, 1e-5f, 0, 5e-5f});
        s.stress.push_back({-4 + a, 2, 1, 0.5f, -0.25f * a, 1.5f});
    }
    s.dowel_types.push_back({2.04e6f, 0.3f, 0.6f, 2.5f, 45, 40000, 0, 0, 0, 0, 0, 0});
    s.dowel_centres = {{50, 25, 25}, {50, 10, 25}};
    s.dowel_type_of = {0, 0};
    s.with_dowel_results = true;
    s.dowel_axis = {{1, 0, 0}, {0, 0, 1}};
    s.dowel_forces = {{0, 0, -100, 0, 20, 0, 0, 0, -100, 0, 10, 0},
                      {30, -40, 0, 5, 6, 0, 30, 40, 0, 5, 6, 0}};
    const std::string dir = fresh_dir("load_forms");
    write_text_set(s, dir + "/text");
    write_binary_set(s, dir + "/binary");
    std::FILE *f = std::fopen((dir + "/text.dyn").c_str(), "w");
    std::fputs("10.0 0.01 0.0 0.5 ", f);
    std::fclose(f);
    std::filesystem::copy_file(dir + "/text.dyn", dir + "/binary.dyn");

    display_settings ds;
    set_input_factors(ds, false);
    FEMg3D t, b;
    t.settings = b.settings = &ds;
    ASSERT_EQ(load_base(t, dir + "/text", false), 1) << t.load_error;
    ASSERT_EQ(load_base(b, dir + "/binary", true), 1) << b.load_error;
    ASSERT_EQ(t.n_nodes, np);
    ASSERT_EQ(b.n_nodes, np);
    EXPECT_EQ(b.n_boundary, 3);
    EXPECT_TRUE(b.results_loaded && b.dyn_loaded);
    EXPECT_EQ(std::memcmp(t.nodes.data(), b.nodes.data(), sizeof(t_node) * np), 0);
    EXPECT_EQ(std::memcmp(t.elements.data(), b.elements.data(), sizeof(t_elem) * 2), 0);
    EXPECT_EQ(std::memcmp(t.materials.data(), b.materials.data(), sizeof(t_material) * 2), 0);
    ASSERT_EQ(b.n_load_faces, 1);
    EXPECT_EQ(std::memcmp(t.load_faces.data(), b.load_faces.data(), sizeof(t_load_face)), 0);
    ASSERT_EQ(b.n_dowels, 2);
    EXPECT_EQ(std::memcmp(t.dowels.data(), b.dowels.data(), sizeof(t_dowel) * 2), 0);
    EXPECT_EQ(std::memcmp(t.faces.data(), b.faces.data(), sizeof(t_face) * t.n_faces), 0);
    EXPECT_EQ(t.n_faces, 12);
    // The binary form is never converted: with SI input the text form differs by the factor.
    display_settings si;
    FEMg3D t2, b2;
    t2.settings = b2.settings = &si;
    ASSERT_EQ(load_base(t2, dir + "/text", false), 1);
    ASSERT_EQ(load_base(b2, dir + "/binary", true), 1);
    EXPECT_FLOAT_EQ(t2.nodes[3].stress[4], b2.nodes[3].stress[4] * si.in_stress_factor);
    EXPECT_FLOAT_EQ(t2.materials[1].value[1], b2.materials[1].value[1] * si.in_stiff_factor);
}

TEST(Load, FreeResultSetReleasesEverything)
{
    display_settings ds;
    FEMg3D m;
    m.settings = &ds;
    ASSERT_EQ(load_one(m), 1);
    m.free_result_set();
    EXPECT_EQ(m.n_nodes, 0);
    EXPECT_EQ(m.n_elements, 0);
    EXPECT_EQ(m.n_dowels, 0);
    EXPECT_EQ(m.n_load_faces, 0);
    EXPECT_EQ(m.n_faces, 0);
    EXPECT_TRUE(m.nodes.empty() && m.faces.empty() && m.dowels.empty());
    ASSERT_EQ(load_one(m), 1); // and loads again
    EXPECT_EQ(m.n_faces, 6);
}

namespace
{

// Checks A v = lambda v for every principal pair, ascending values and orthonormal directions.
void expect_eigen(const float s[6])
{
    float val[3], dir[9];
    FEMg3D::compute_principal(s, val, dir);
    const double a[3][3] = {{s[0], s[5], s[4]}, {s[5], s[1], s[3]}, {s[4], s[3], s[2]}};
    double scale = 0;
    for (const auto &row : a)
        for (double x : row) scale = std::max(scale, std::fabs(x));
    EXPECT_LE(val[0], val[1]);
    EXPECT_LE(val[1], val[2]);
    for (int k = 0; k < 3; k++) {
        for (int r = 0; r < 3; r++) {
            double av = 0;
            for (int c = 0; c < 3; c++) av += a[r][c] * dir[3 * c + k];
            EXPECT_NEAR(av, val[k] * dir[3 * r + k], 1e-5 * scale) << "principal " << k;
        }
        for (int l = 0; l < 3; l++) {
            double dot = 0;
            for (int r = 0; r < 3; r++) dot += dir[3 * r + k] * dir[3 * r + l];
            EXPECT_NEAR(dot, k == l ? 1 : 0, 1e-5);
        }
    }
}

} // namespace

TEST(Principal, DiagonalTensorNeedsNoRotation)
{
    const float s[6] = {3, -1, 2, 0, 0, 0};
    float val[3], dir[9];
    FEMg3D::compute_principal(s, val, dir);
    const float want_val[3] = {-1, 2, 3};
    const float want_dir[9] = {0, 0, 1, 1, 0, 0, 0, 1, 0}; // y, z, x as columns
    expect_arrays_close(3, want_val, val, 0);
    expect_arrays_close(9, want_dir, dir, 0);
}

TEST(Principal, RotatedTensors)
{
    // [[1, 2], [2, 1]] in the x-y plane has eigenvalues -1 and 3 along (1, -1) and (1, 1).
    const float plane[6] = {1, 1, 0.5f, 0, 0, 2};
    float val[3], dir[9];
    FEMg3D::compute_principal(plane, val, dir);
    const float want[3] = {-1, 0.5f, 3};
    expect_arrays_close(3, want, val, 1e-6, 1e-6);
    EXPECT_NEAR(std::fabs(dir[0 + 2]), std::sqrt(0.5), 1e-6); // S3 direction x component
    EXPECT_NEAR(dir[0 + 2], dir[3 + 2], 1e-6);
    expect_eigen(plane);
    // Full tensors, one with a repeated eigenvalue (hydrostatic plus uniaxial along (1,1,1)).
    const float full[6] = {10, -20, 5, 7, -3, 12};
    expect_eigen(full);
    const float repeated[6] = {2, 2, 2, 1, 1, 1}; // eigenvalues 1, 1, 4
    FEMg3D::compute_principal(repeated, val, dir);
    const float want_rep[3] = {1, 1, 4};
    expect_arrays_close(3, want_rep, val, 1e-5, 1e-5);
    expect_eigen(repeated);
}

TEST(Fatigue, IndexFromTheLargestPrincipalStress)
{
    FEMg3D m;
    m.n_nodes = 2;
    m.nodes.assign(3, t_node{});
    m.nodes[0].principal[2] = 45; // S3 = sa
    m.nodes[1].principal[2] = 0;
    m.compute_fatigue(1.1265f, 0.0951f, 45, 7);
    EXPECT_NEAR(m.nodes[0].fi, 7 - 0.1265 / 0.0951, 1e-4);
    EXPECT_NEAR(m.nodes[1].fi, 7 - 1.1265 / 0.0951, 1e-4);
    // sa = 0 or b = 0 keeps the previous values.
    m.compute_fatigue(1.1265f, 0.0951f, 0, 7);
    m.compute_fatigue(1.1265f, 0, 45, 7);
    EXPECT_NEAR(m.nodes[1].fi, 7 - 1.1265 / 0.0951, 1e-4);
}
