// Strain and stress recovery: uniform states, thermal strain, averaging over solids only.
#include "element_type.h"
#include "recovery.h"
#include "solid.h"
#include "test_util.h"

#include <vector>

// A 2 x 1 x 1 brick pair (like the matrix tests) plus a joint element on the
// far face, whose material is a joint: nodes 2,5,8,11 are shared with it.
static void bricks(corvane_model &m)
{
    m.np = 12;
    m.nn = 36;
    m.ne = 3;
    m.nm = 2;
    for (int layer = 0; layer < 2; ++layer)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 3; ++i) {
                m.coords.push_back(i * 2.0);
                m.coords.push_back(j);
                m.coords.push_back(layer * 0.5);
            }
    m.conn = {0, 1, 4, 3, 6, 7, 10, 9, 0, 1, 2, 5, 4, 7, 8, 11, 10, 0, 1, 2, 5, 4, 7, 8, 11, 10, 1};
    m.mats.assign(24, 0.0);
    m.mats[0] = 1000.0;
    m.mats[1] = 0.25;
    m.mats[12 + 2] = 1.0;
    m.mats[12 + 11] = 1.0;
    m.disp.assign(m.nn, 0.0);
    m.gp_strain.assign(48 * m.ne, 0.0);
    m.gp_stress.assign(48 * m.ne, 0.0);
    m.node_strain.assign(6 * m.np, 0.0);
    m.node_stress.assign(6 * m.np, 0.0);
}

TEST(Recovery, CountsSolidsOnly)
{
    corvane_model m;
    bricks(m);
    count_node_solids(m);
    EXPECT_EQ(m.node_solids[0], 1);
    EXPECT_EQ(m.node_solids[1], 2);
    EXPECT_EQ(m.node_solids[2], 1);
}

TEST(Recovery, UniformStretchEverywhere)
{
    corvane_model m;
    bricks(m);
    for (int n = 0; n < m.np; ++n) m.disp[3 * n] = 0.001 * m.coords[3 * n];
    count_node_solids(m);
    recover_stresses(m);
    // sigma = D eps: d = 1000*0.75/(1.25*0.5) = 1200, lambda' = 400
    const double strain[6] = {0.001, 0, 0, 0, 0, 0};
    const double stress[6] = {1.2, 0.4, 0.4, 0, 0, 0};
    for (int e = 0; e < 2; ++e)
        for (int p = 0; p < 8; ++p) {
            expect_arrays_close(6, strain, &m.gp_strain[48 * e + 6 * p], 1e-9, 1e-9);
            expect_arrays_close(6, stress, &m.gp_stress[48 * e + 6 * p], 1e-9, 1e-9);
        }
    for (int p = 0; p < 48; ++p) EXPECT_EQ(m.gp_stress[96 + p], 0.0); // the joint keeps zeros
    for (int n = 0; n < m.np; ++n) {
        expect_arrays_close(6, strain, &m.node_strain[6 * n], 1e-9, 1e-9);
        expect_arrays_close(6, stress, &m.node_stress[6 * n], 1e-9, 1e-9);
    }
}

TEST(Recovery, ThermalStrainIsRemoved)
{
    corvane_model m;
    bricks(m);
    // alpha = 1e-5, T(z) = 2 z^2 + 0 z + 10
    m.mats[3] = 1e-5;
    m.mats[5] = 2.0;
    m.mats[7] = 10.0;
    count_node_solids(m);
    recover_stresses(m);
    for (int n = 0; n < m.np; ++n) {
        const double z = m.coords[3 * n + 2];
        const double et = 1e-5 * (2 * z * z + 10);
        const double strain[6] = {-et, -et, -et, 0, 0, 0};
        // D (-et, -et, -et) = -(d + 2 lambda') et = -2000 et on each normal axis
        const double stress[6] = {-2000 * et, -2000 * et, -2000 * et, 0, 0, 0};
        expect_arrays_close(6, strain, &m.node_strain[6 * n], 1e-9, 1e-12);
        expect_arrays_close(6, stress, &m.node_stress[6 * n], 1e-9, 1e-12);
    }
}

// Two bonded bricks of different moduli under the same uniform strain: at the nodes they
// share, each material's own mean is its exact stress D eps, where the mean over both solids
// would mix them (1.2 and 0.012 average to 0.606). Both elements give the exact state.
TEST(Recovery, PerMaterialMeansKeepEachMaterialsStress)
{
    for (const int kind : {0, 1}) {
        corvane_model m;
        bricks(m);
        m.element = &element_types[kind];
        m.nm = 3;
        m.mats.resize(36, 0.0);
        m.mats[24] = 10.0; // material 2: E 10, nu 0.25
        m.mats[25] = 0.25;
        m.conn[9 + 8] = 2; // the second brick
        for (int n = 0; n < m.np; ++n) m.disp[3 * n] = 0.001 * m.coords[3 * n];
        count_node_solids(m);
        material_nodal t;
        size_material_nodal(m, t);
        recover_stresses(m, &t);
        // sigma = D eps: E (1 - nu) / ((1 + nu)(1 - 2 nu)) eps and E nu / (...) eps
        const double a[6] = {1.2, 0.4, 0.4, 0, 0, 0}, b[6] = {0.012, 0.004, 0.004, 0, 0, 0};
        for (const int shared : {1, 4, 7, 10}) {
            ASSERT_EQ(t.start[shared + 1] - t.start[shared], 2) << "node " << shared;
            const std::int64_t r = t.start[shared];
            EXPECT_EQ(t.material[r], 0);
            EXPECT_EQ(t.material[r + 1], 2);
            EXPECT_EQ(t.count[r], 1);
            expect_arrays_close(6, a, &t.stress[6 * r], 1e-9, 1e-9);
            expect_arrays_close(6, b, &t.stress[6 * r + 6], 1e-9, 1e-9);
            EXPECT_NEAR(m.node_stress[6 * shared], 0.606, 1e-9); // the mean is unchanged
        }
        // a node of one material only has one row, equal to the node's mean
        const std::int64_t r0 = t.start[0];
        ASSERT_EQ(t.start[1] - r0, 1);
        expect_arrays_close(6, &m.node_stress[0], &t.stress[6 * r0], 1e-12, 1e-12);
        // the joint's nodes 2, 5, 8, 11 have only the second brick's row
        EXPECT_EQ(t.start[3] - t.start[2], 1);
        EXPECT_EQ(t.material[t.start[2]], 2);
    }
}
