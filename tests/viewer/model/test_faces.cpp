// Face list tests: one element, a 2 x 2 x 2 block, selection by material and range, depth order.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "fem3d.h"
#include "model_sets.h"

namespace
{

// Loads a block of a x a x a elements (no results) with the input factors at 1.
struct loaded_block {
    display_settings settings;
    FEMg3D model;
    explicit loaded_block(int n, const std::string &name)
    {
        set_input_factors(settings, false);
        model.settings = &settings;
        const std::string base = fresh_dir(name) + "/block";
        write_text_set(block_set(n, n, n, 100), base);
        EXPECT_EQ(load_base(model, base), 1) << model.load_error;
    }
    int visible() const
    {
        int n = 0;
        for (int i = 0; i < model.n_faces; i++) n += model.face_visible(model.faces[i]);
        return n;
    }
};

bool sorted_by_depth(const std::vector<t_face> &list, int n)
{
    for (int i = 1; i < n; i++)
        if (list[i - 1].depth > list[i].depth) return false;
    return true;
}

} // namespace

// The light (-1.5, -1, 2.5) falls on the top, the -x and the -y faces of a cube; the other
// three are turned away and hidden.
TEST(Faces, OneElementShowsTheThreeLitFaces)
{
    loaded_block b(1, "faces_one");
    const FEMg3D &m = b.model;
    ASSERT_EQ(m.n_faces, 6);
    for (int i = 0; i < 8; i++) EXPECT_EQ(m.nodes[i].use_count, 1);
    const float norm = std::sqrt(9.5f);
    std::set<std::set<int>> shown;
    for (int i = 0; i < 6; i++) {
        const t_face &f = m.faces[i];
        EXPECT_EQ(f.element, 0);
        EXPECT_EQ(f.material, 0);
        if (m.face_visible(f)) shown.insert({f.node[0], f.node[1], f.node[2], f.node[3]});
        // |shade| is one of the light's direction cosines.
        const float s = std::fabs(f.shade) * norm;
        EXPECT_TRUE(std::fabs(s - 1.5f) < 1e-4 || std::fabs(s - 1.0f) < 1e-4 ||
                    std::fabs(s - 2.5f) < 1e-4)
            << s;
    }
    // Block numbering runs x fastest: -x holds nodes 0, 2, 4, 6 and -y nodes 0, 1, 4, 5.
    const std::set<std::set<int>> want = {{4, 5, 6, 7}, {0, 2, 4, 6}, {0, 1, 4, 5}};
    EXPECT_EQ(shown, want);
    EXPECT_TRUE(sorted_by_depth(m.faces, 6));
    EXPECT_TRUE(sorted_by_depth(m.def_faces, 6));
    // The element centroid is the mean of its nodes.
    EXPECT_FLOAT_EQ(m.elements[0].centroid[0], 50);
    EXPECT_FLOAT_EQ(m.elements[0].centroid[2], 50);
}

// The centre node of a 2 x 2 x 2 block is used by all 8 elements: the 24 inner faces touch it
// and are hidden; of the 24 outer faces the 12 turned to the light are drawn.
TEST(Faces, BlockHidesInnerFaces)
{
    loaded_block b(2, "faces_block");
    FEMg3D &m = b.model;
    ASSERT_EQ(m.n_faces, 48);
    const int centre = 1 + 3 * (1 + 3 * 1);
    EXPECT_EQ(m.nodes[centre].use_count, 8);
    EXPECT_EQ(m.nodes[0].use_count, 1);
    int inner = 0;
    for (int i = 0; i < m.n_faces; i++) {
        const t_face &f = m.faces[i];
        bool touches = false;
        for (int k = 0; k < 4; k++) touches |= f.node[k] == centre;
        if (touches) {
            inner++;
            EXPECT_FALSE(m.face_visible(f));
        }
    }
    EXPECT_EQ(inner, 24);
    EXPECT_EQ(b.visible(), 12);
    EXPECT_TRUE(sorted_by_depth(m.faces, m.n_faces));

    m.show_all_faces = true; // every face of the selection, inner and back faces included
    EXPECT_EQ(b.visible(), 48);
}

TEST(Faces, RangeAndMaterialSelection)
{
    loaded_block b(2, "faces_range");
    FEMg3D &m = b.model;
    // After loading the box equals the extent and keeps everything inside it.
    for (int i = 0; i < 6; i++) EXPECT_EQ(m.range_box[i], m.extent[i]);
    EXPECT_TRUE(m.range_inside);
    // Outside the extent-sized box: every centroid lies strictly inside, nothing is selected.
    m.range_inside = false;
    m.update_selection();
    for (int i = 0; i < m.n_nodes; i++) EXPECT_EQ(m.nodes[i].use_count, 0);
    EXPECT_EQ(b.visible(), 0);

    // Only the lower layer: the box z range 0..100 contains the centroids at z = 50.
    m.range_inside = true;
    const float r[6] = {-1, 201, -1, 201, 0, 100};
    m.set_range(r);
    m.update_selection();
    const int centre = 1 + 3 * (1 + 3 * 1);
    EXPECT_EQ(m.nodes[centre].use_count, 4);
    EXPECT_EQ(m.nodes[0].use_count, 1);
    EXPECT_EQ(m.nodes[26].use_count, 0); // top corner

    // A material no element has: nothing drawn; -1 again: all materials.
    m.set_sel_material(3);
    m.update_selection();
    EXPECT_FALSE(m.all_materials);
    EXPECT_EQ(b.visible(), 0);
    m.set_sel_material(-1);
    EXPECT_TRUE(m.all_materials);
}

// Three equal depths: the pivot is the middle one, records 0 and 2 are swapped, then the
// indices meet and nothing is left to sort.
TEST(Faces, SortLeavesEqualDepthsInPartitionOrder)
{
    t_face list[3] = {};
    for (int i = 0; i < 3; i++) {
        list[i].depth = 5;
        list[i].element = i;
    }
    FEMg3D::sort_faces(list, 0, 2);
    EXPECT_EQ(list[0].element, 2);
    EXPECT_EQ(list[1].element, 1);
    EXPECT_EQ(list[2].element, 0);

    // Mixed depths with repeats end ascending.
    const float depths[9] = {7, 3, 3, 9, 1, 3, 8, 7, 0};
    t_face many[9] = {};
    for (int i = 0; i < 9; i++) many[i].depth = depths[i];
    FEMg3D::sort_faces(many, 0, 8);
    for (int i = 1; i < 9; i++) EXPECT_LE(many[i - 1].depth, many[i].depth) << i;
}

TEST(Faces, DeformedListUsesDisplacementScale)
{
    loaded_block b(1, "faces_deformed");
    FEMg3D &m = b.model;
    m.results_loaded = true;
    for (int i = 4; i < 8; i++) m.nodes[i].disp[2] = -0.01f; // top sinks by 10 at scale 1000
    m.build_faces();
    for (int i = 0; i < m.n_faces; i++) {
        const t_face &f = m.def_faces[i];
        bool top = true;
        for (int k = 0; k < 4; k++) top &= f.node[k] >= 4;
        if (!top) continue;
        float px, py;
        m.project(0, 0, 90, px, py);
        bool found = false;
        for (int k = 0; k < 4; k++)
            found |=
                std::fabs(f.proj[2 * k] - px) < 1e-3f && std::fabs(f.proj[2 * k + 1] - py) < 1e-3f;
        EXPECT_TRUE(found);
        EXPECT_NEAR(f.depth,
                    (m.depth_of(0, 0, 90) + m.depth_of(100, 0, 90) + m.depth_of(100, 100, 90) +
                     m.depth_of(0, 100, 90)) /
                        4,
                    1e-2);
    }
}

// The window after loading frames the projected extent with a twelfth of margin left, right
// and on top and two twelfths below, then takes the surface's aspect.
TEST(Faces, LoadFitsTheWindowToTheProjectedExtent)
{
    loaded_block b(1, "faces_fit");
    const FEMg3D &m = b.model;
    float xmin = 1e30f, xmax = -1e30f, ymin = 1e30f, ymax = -1e30f;
    for (int i = 0; i < 8; i++) {
        float px, py;
        m.project(m.nodes[i].coord[0], m.nodes[i].coord[1], m.nodes[i].coord[2], px, py);
        xmin = std::min(xmin, px), xmax = std::max(xmax, px);
        ymin = std::min(ymin, py), ymax = std::max(ymax, py);
    }
    const float mx = (xmax - xmin) / 12, my = (ymax - ymin) / 12;
    t_grph expected;
    expected.fit_window(xmin - mx, ymin - 2 * my, xmax + mx, ymax + my);
    EXPECT_NEAR(m.win_xmin, expected.win_xmin, 1e-3);
    EXPECT_NEAR(m.win_xmax, expected.win_xmax, 1e-3);
    EXPECT_NEAR(m.win_ymin, expected.win_ymin, 1e-3);
    EXPECT_NEAR(m.win_ymax, expected.win_ymax, 1e-3);
    // In projection the framed cube is taller than 0.625 of its width: y is kept, x widened.
    EXPECT_NEAR(m.win_ymin, ymin - 2 * my, 1e-3);
    EXPECT_NEAR(m.win_ymax, ymax + my, 1e-3);
    EXPECT_NEAR((m.win_ymax - m.win_ymin) / (m.win_xmax - m.win_xmin), 0.625, 1e-5);
}
