// The node indexes against the plain scans they replace, on randomised point sets.
#include "mesher_test_util.h"

#include <random>

namespace
{

// The scan the index replaces: first node in creation order equal in all three coordinates.
int scan_find(const std::vector<float> &xyz, float x, float y, float z)
{
    for (std::size_t n = 0; n * 3 < xyz.size(); ++n)
        if (coord_equal(xyz[3 * n], x) && coord_equal(xyz[3 * n + 1], y) &&
            coord_equal(xyz[3 * n + 2], z))
            return static_cast<int>(n);
    return -1;
}

// The nearest-used-node scan: strict improvement from 1e10, members in number order.
int scan_nearest(const std::vector<float> &xyz, const std::vector<int> &members, float x, float y,
                 float z)
{
    float best = 1e10f;
    int found = -1;
    for (int n : members) {
        const float d = node_distance(&xyz[3 * static_cast<std::size_t>(n)], x, y, z);
        if (d < best) {
            best = d;
            found = n;
        }
    }
    return found;
}

// Values crowding the tolerance: a few bases, their neighbours just inside and just outside
// the relative rule, zero of both signs and tiny values.
float tricky_value(std::mt19937 &rng)
{
    static const float bases[] = {0.0f, 1.0f, -1.0f, 10.0f, 100.2f, 450.0f, -25.0f, 1e-6f, 3.5e3f};
    static const float factors[] = {1.0f,           1.0f + 0.9e-4f, 1.0f - 0.9e-4f,
                                    1.0f + 1.1e-4f, 1.0f - 1.1e-4f, 1.0f + 1e-4f,
                                    1.0f - 1e-4f,   1.0f + 2e-4f,   1.0f + 0.5e-4f};
    std::uniform_int_distribution<int> b(0, 8), f(0, 8), special(0, 20);
    const int s = special(rng);
    if (s == 0) return -0.0f;
    if (s == 1) return 1e-38f;
    if (s == 2) return std::uniform_real_distribution<float>(-500.0f, 500.0f)(rng);
    return bases[b(rng)] * factors[f(rng)];
}

} // namespace

TEST(TarnelNodeIndex, FindOrAddMatchesTheLinearScan)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 20; ++round) {
        tarnel_run run;
        std::vector<float> reference;
        for (int q = 0; q < 400; ++q) {
            const float x = tricky_value(rng), y = tricky_value(rng), z = tricky_value(rng);
            const int expected = scan_find(reference, x, y, z);
            ASSERT_EQ(find_node(run, x, y, z), expected) << x << ' ' << y << ' ' << z;
            const int got = find_or_add_node(run, x, y, z);
            if (expected < 0) {
                ASSERT_EQ(got, static_cast<int>(reference.size() / 3));
                reference.insert(reference.end(), {x, y, z});
            } else {
                ASSERT_EQ(got, expected);
            }
        }
        EXPECT_EQ(run.coords, reference);
    }
}

TEST(TarnelNodeIndex, AmbiguousQueryReturnsTheFirstCreatedNode)
{
    // 1.0 and 1.00015 differ by more than the tolerance; 1.00008 equals both
    tarnel_run run;
    EXPECT_EQ(find_or_add_node(run, 1.00015f, 0, 0), 0);
    EXPECT_EQ(find_or_add_node(run, 1.0f, 0, 0), 1);
    EXPECT_EQ(find_node(run, 1.00008f, 0, 0), 0);
    EXPECT_EQ(find_node(run, 0.99995f, 0, 0), 1);
    EXPECT_EQ(find_node(run, 1.0f, 1e-30f, 0), -1); // zero equals only zero
    EXPECT_EQ(find_node(run, 1.0f, -0.0f, 0), 1);
}

TEST(TarnelNodeIndex, NearestMatchesTheLinearScanWithTies)
{
    std::mt19937 rng(777);
    std::uniform_int_distribution<int> grid(-6, 6);
    std::uniform_real_distribution<float> real(-6.0f, 6.0f);
    for (int round = 0; round < 30; ++round) {
        std::vector<float> xyz;
        std::vector<int> members;
        const int n = 20 + 40 * round;
        for (int i = 0; i < n; ++i) {
            const bool on_grid = round % 2 == 0; // integer points: many equal distances
            xyz.push_back(on_grid ? static_cast<float>(grid(rng)) * 0.5f : real(rng));
            xyz.push_back(on_grid ? static_cast<float>(grid(rng)) : real(rng));
            xyz.push_back(on_grid ? static_cast<float>(grid(rng)) * 0.1f : real(rng));
            if (rng() % 3 != 0) members.push_back(i);
        }
        nearest_index index;
        index.build(xyz.data(), members);
        for (int q = 0; q < 200; ++q) {
            const float x = q % 2 ? static_cast<float>(grid(rng)) * 0.25f : real(rng);
            const float y = static_cast<float>(grid(rng)), z = q % 3 ? 0.0f : real(rng);
            ASSERT_EQ(index.nearest(x, y, z), scan_nearest(xyz, members, x, y, z))
                << x << ' ' << y << ' ' << z;
        }
    }
    nearest_index empty;
    std::vector<float> none;
    empty.build(none.data(), {});
    EXPECT_EQ(empty.nearest(0, 0, 0), -1);
    std::vector<float> far = {3e10f, 0, 0};
    nearest_index distant;
    distant.build(far.data(), {0});
    EXPECT_EQ(distant.nearest(0, 0, 0), -1); // nothing nearer than 1e10
}
