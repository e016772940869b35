// Tests of the fatigue, range, scale and view dialog state applied to the model.
#include "dialogs.h"
#include "field_text.h"
#include "test_util.h"

#include <cmath>

namespace
{

// A model with nodes whose third principal stresses are given.
void set_nodes_s3(FEMg3D &m, std::initializer_list<float> s3)
{
    m.n_nodes = static_cast<int>(s3.size());
    m.nodes.assign(s3.size() + 1, t_node{});
    int i = 0;
    for (float v : s3) m.nodes[i++].principal[2] = v;
}

// Three materials: a solid of E 300000, a joint of kind 1 with stiffness 100, a second solid.
void set_three_materials(FEMg3D &m, display_settings &d)
{
    m.n_materials = 3;
    m.materials.assign(3, t_material{});
    m.materials[0].value[0] = 300000.0f;
    m.materials[1].value[0] = 100.0f;
    m.materials[1].value[11] = 1.0f;
    m.materials[2].value[0] = 250000.0f;
    d.material_count = 3;
}

} // namespace

TEST(FatigueDialog, WorkedValuesAndSiStrength)
{
    FEMg3D m;
    display_settings d; // SI display
    set_nodes_s3(m, {45.0f, 0.0f});
    fatigue_values copy = fatigue_from_model(m);
    const fatigue_fields si = fatigue_texts(copy, d.stress_factor);
    EXPECT_EQ(si[0], "   1.12650");
    EXPECT_EQ(si[1], "   0.09510");
    EXPECT_EQ(si[2], "   4.41000"); // 45 kgf/cm2 in MPa
    EXPECT_EQ(si[3], "   7.00000");
    apply_fatigue(m, copy, si, d.stress_factor);
    EXPECT_NEAR(m.flex_strength, 45.0f, 1e-4f); // 4.41 MPa back to kgf/cm2
    // FI = 7 - (1.1265 - S3 / 45) / 0.0951
    EXPECT_NEAR(m.nodes[0].fi, 7.0 - 0.1265 / 0.0951, 1e-4); // about 5.669
    EXPECT_NEAR(m.nodes[1].fi, 7.0 - 1.1265 / 0.0951, 1e-4); // about -4.845
    EXPECT_EQ(fatigue_texts(copy, 1.0f)[2], "  45.00000");
}

TEST(FatigueDialog, NonNumericFieldStopsBeforeStoring)
{
    FEMg3D m;
    set_nodes_s3(m, {45.0f});
    m.nodes[0].fi = -1.0f;
    fatigue_values copy = fatigue_from_model(m);
    fatigue_fields f = {"2.0", "x", "45", "7"};
    try {
        apply_fatigue(m, copy, f, 1.0f);
        FAIL() << "no conversion error";
    } catch (const field_error &e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid floating point value");
    }
    EXPECT_FLOAT_EQ(copy.a, 2.0f);         // read before the bad field
    EXPECT_FLOAT_EQ(m.fatigue_a, 1.1265f); // nothing stored
    EXPECT_FLOAT_EQ(m.nodes[0].fi, -1.0f); // nothing recomputed
    // A strength of 0 is stored but leaves FI as it was.
    f = {"1.1265", "0.0951", "0", "7"};
    apply_fatigue(m, copy, f, 1.0f);
    EXPECT_EQ(m.flex_strength, 0.0f);
    EXPECT_FLOAT_EQ(m.nodes[0].fi, -1.0f);
}

TEST(RangeDialog, UpDownCyclesAndChangesTheModelAtOnce)
{
    FEMg3D m;
    display_settings d;
    set_three_materials(m, d);
    show_range(m, d);
    EXPECT_EQ(d.current_material, -1);
    const int up[4] = {0, 1, 2, 2};
    for (int expected : up) {
        EXPECT_EQ(range_up_down(m, d, true), expected);
        EXPECT_EQ(m.sel_material, expected);
    }
    const int down[4] = {1, 0, -1, -1};
    for (int expected : down) {
        EXPECT_EQ(range_up_down(m, d, false), expected);
        EXPECT_EQ(m.sel_material, expected);
    }
    EXPECT_EQ(material_name(-1), "All");
    EXPECT_EQ(material_name(0), "No.1");
    EXPECT_EQ(material_name(7), "N.8");
    EXPECT_EQ(material_name(11), "No.12");
    EXPECT_EQ(material_name(12), "No.13");
}

TEST(RangeDialog, MaterialTextIgnoresTheDisplayUnits)
{
    FEMg3D m;
    display_settings d;
    set_three_materials(m, d);
    EXPECT_EQ(material_value_text(m, -1), "All Materials are selected");
    EXPECT_EQ(material_value_text(m, 0), "MatValue =  2.94000e+04 (0)"); // 300000 * 0.098
    EXPECT_EQ(material_value_text(m, 1), "MatValue =  9.80000e+02 (1)"); // 100 * 9.8
    EXPECT_EQ(material_value_text(m, 3), "");                            // outside the table
}

TEST(RangeDialog, ShowAndOkStoreTheBox)
{
    FEMg3D m;
    display_settings d;
    set_three_materials(m, d);
    const float box[6] = {0, 300, -50, 50, -30, 0};
    for (int k = 0; k < 6; ++k) d.saved_range_box[k] = box[k];
    m.sel_material = 1;
    m.range_inside = false;
    range_fields f = show_range(m, d);
    EXPECT_EQ(d.current_material, 1);
    EXPECT_EQ(f.box[0], "   0.00");
    EXPECT_EQ(f.box[1], " 300.00");
    EXPECT_EQ(f.box[2], " -50.00");
    EXPECT_FALSE(f.and_checked);
    EXPECT_FALSE(f.adjust_viewport);

    f.box = {"10", "20", "-5", "5", "-3", "1"};
    f.and_checked = true;
    f.adjust_viewport = true;
    apply_range(m, d, f);
    const float expected_saved[6] = {10, 20, -5, 5, -3, 1};
    expect_arrays_close(6, expected_saved, d.saved_range_box, 0.0);
    // The model's box is kept as x max, x min, y max, y min, z max, z min.
    const float expected_model[6] = {20, 10, 5, -5, 1, -3};
    expect_arrays_close(6, expected_model, m.range_box, 0.0);
    EXPECT_TRUE(m.range_inside);
    EXPECT_TRUE(m.fit_to_range);
    EXPECT_EQ(m.sel_material, 1);

    // A bad third field: the first two are already in saved_range_box, the model is untouched.
    f.box = {"11", "21", "abc", "5", "-3", "1"};
    EXPECT_THROW(apply_range(m, d, f), field_error);
    EXPECT_EQ(d.saved_range_box[0], 11.0f);
    EXPECT_EQ(d.saved_range_box[1], 21.0f);
    EXPECT_EQ(d.saved_range_box[2], -5.0f);
    EXPECT_EQ(m.range_box[1], 10.0f);
}

TEST(ScalesDialog, EmptyContourRangeResetsAndUnchecks)
{
    FEMg3D m;
    display_settings d;
    scale_fields f = show_scales(m, d);
    EXPECT_EQ(f[0], "1000.00000");
    EXPECT_EQ(f[1], " 100.00000");
    EXPECT_EQ(f[2], "-100.00000");
    EXPECT_EQ(f[5], "  20");
    EXPECT_EQ(f[6], "   1.00000");
    EXPECT_EQ(f[7], "   1");

    d.contour_range_set = true;
    f[1] = "50";
    f[2] = "50";
    f[0] = "500";
    f[5] = "  10";
    f[7] = "2";
    apply_scales(m, d, f);
    EXPECT_FALSE(d.contour_range_set);
    EXPECT_EQ(m.contour_max, 100.0f);
    EXPECT_EQ(m.contour_min, -100.0f);
    EXPECT_EQ(m.disp_scale[0], 500.0f);
    EXPECT_EQ(m.contour_divisions, 10);
    EXPECT_EQ(m.principal_skip, 2);
    const scale_fields again = show_scales(m, d);
    EXPECT_EQ(again[1], " 100.00000");
    EXPECT_EQ(again[2], "-100.00000");

    // A real range keeps the flag.
    d.contour_range_set = true;
    f[1] = "50";
    f[2] = "-20";
    apply_scales(m, d, f);
    EXPECT_TRUE(d.contour_range_set);
    EXPECT_EQ(m.contour_min, -20.0f);

    // A bad integer: the floats are in scale_values, the model keeps its old values.
    f[1] = "70";
    f[7] = "1.5";
    EXPECT_THROW(apply_scales(m, d, f), field_error);
    EXPECT_EQ(d.scale_values[1], 70.0f);
    EXPECT_EQ(m.contour_max, 50.0f);
}

TEST(ViewDialog, PresetsAndBacksideTwice)
{
    view_values v;
    view_preset(v, 1);
    EXPECT_EQ(v.rou, 50000.0f);
    EXPECT_EQ(v.theta, -1.57079f);
    EXPECT_EQ(v.phi, 1.57079f);
    EXPECT_EQ(v.d1, 1000.0f);
    EXPECT_EQ(v.light[2], 2.0f);
    view_preset(v, 4);
    EXPECT_EQ(v.theta, -3.14159f);
    EXPECT_EQ(v.light[0], -2.0f);
    view_preset(v, 5);
    const FEMg3D initial;
    EXPECT_EQ(v.theta, initial.theta);
    EXPECT_EQ(v.phi, initial.phi);
    EXPECT_EQ(v.rou, initial.rou);
    EXPECT_EQ(v.light[0], initial.light[0]);

    view_preset(v, 6);
    view_preset(v, 6);
    EXPECT_EQ(v.phi, -0.5235988f);
    EXPECT_EQ(v.light[2], -2.5f);
    EXPECT_EQ(v.rou, 3000.0f);

    const view_fields t = view_texts(v);
    EXPECT_EQ(t[0], "3000.000");
    EXPECT_EQ(t[1], "-2.356");
    EXPECT_EQ(t[2], "-0.524");
    EXPECT_EQ(t[6], "-2.500");
}

TEST(ViewDialog, OkStoresAndRefitsToTheBox)
{
    FEMg3D m;
    m.range_box[0] = 100; // x max, x min, y max, y min, z max, z min
    m.range_box[1] = 0;
    m.range_box[2] = 50;
    m.range_box[3] = 0;
    m.range_box[4] = 0;
    m.range_box[5] = -30;
    m.fit_window(-1, -1, 1, 1);
    view_values copy = view_from_model(m);
    view_fields f = view_texts(copy);
    f[0] = "4000";
    apply_view(m, copy, f);
    EXPECT_EQ(m.rou, 4000.0f);
    EXPECT_EQ(copy.rou, 4000.0f);
    EXPECT_NEAR(m.theta, -2.356f, 1e-6f); // the fields carry three decimals
    // Every corner of the box projects inside the new window.
    for (int c = 0; c < 8; ++c) {
        float px, py;
        m.project(m.range_box[c & 1], m.range_box[2 + ((c >> 1) & 1)],
                  m.range_box[4 + ((c >> 2) & 1)], px, py);
        EXPECT_GT(px, m.win_xmin);
        EXPECT_LT(px, m.win_xmax);
        EXPECT_GT(py, m.win_ymin);
        EXPECT_LT(py, m.win_ymax);
    }
    EXPECT_GT(m.win_xmax - m.win_xmin, 50.0f); // no longer the 2-unit window

    // A bad field: the copy holds what was read, the model keeps its view.
    f[0] = "5000";
    f[3] = "?";
    EXPECT_THROW(apply_view(m, copy, f), field_error);
    EXPECT_EQ(copy.rou, 5000.0f);
    EXPECT_EQ(m.rou, 4000.0f);
}
