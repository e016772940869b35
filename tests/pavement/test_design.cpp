// The fatigue design check: transfer functions against published values, Miner's sum by hand,
// the wander's weights, and the superposed stresses against a direct analysis.
#include "design.h"
#include "fatigue.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace test_support;

// The PCA (1984) fatigue relation against the table of the PCA / IRC worked example (its
// stress ratios are rounded to three digits: 3 % on N), the guide's function and cracking.
TEST(Fatigue, TransferFunctionsAgainstPublishedValues)
{
    transfer_function pca;
    const struct {
        double sr, n;
    } table[] = {{0.656, 6513}, {0.567, 77933}, {0.545, 143689}, {0.523, 290566}, {0.458, 18.9e6}};
    for (const auto &row : table)
        EXPECT_NEAR(allowable_repetitions(pca, row.sr), row.n, 0.03 * row.n) << row.sr;
    EXPECT_TRUE(std::isinf(allowable_repetitions(pca, 0.449)));
    // the two branches meet at SR 0.55 within the formula's own rounding
    EXPECT_NEAR(allowable_repetitions(pca, 0.5501), allowable_repetitions(pca, 0.55), 0.1 * 2e4);

    transfer_function me;
    me.kind = transfer_function::me;
    // log10 N = 2.0 (1 / 0.5)^1.22 = 4.659: N = 4.56e4
    EXPECT_NEAR(allowable_repetitions(me, 0.5), 4.56e4, 0.01 * 4.56e4);
    EXPECT_NEAR(cracked_fraction(me, 1.0), 0.5, 1e-12); // DI 1: half the slabs cracked
    EXPECT_NEAR(cracked_fraction(me, 0.1), 1 / (1 + std::pow(0.1, -1.98)), 1e-12);
    EXPECT_EQ(cracked_fraction(me, 0.0), 0.0);
    EXPECT_NEAR(total_cracking(0.2, 0.1), 0.28, 1e-12);

    transfer_function user;
    user.kind = transfer_function::user;
    user.curve = {{0.4, 1e12}, {0.6, 1e6}, {0.8, 1e3}};
    EXPECT_TRUE(std::isinf(allowable_repetitions(user, 0.3)));
    EXPECT_NEAR(allowable_repetitions(user, 0.5), 1e9, 1e-6 * 1e9); // halfway in log10 N
    EXPECT_NEAR(allowable_repetitions(user, 0.7), std::pow(10.0, 4.5), 1e-6 * 3.2e4);
    EXPECT_NEAR(allowable_repetitions(user, 0.9), 1e3, 1e-9);
}

// Miner's sum by hand: SR 0.6 and 0.5 with n = 1000 and 10000, PCA: N = 10^(11.737 - 7.2462) =
// 30 963 and (4.2577 / 0.0675)^3.268 = 7.62e5, D = 0.0323 + 0.0131 = 0.0454; SR 0.4 adds nothing.
TEST(Fatigue, MinersSumByHand)
{
    design_spec g;
    design_result r;
    const double mr = 5.0;
    r.terms = {{0, 0, 0, 0, 3.0, 0, 1000, 0, 0},
               {0, 0, 0, 0, 2.5, 0, 10000, 0, 0},
               {0, 0, 0, 0, 2.0, 0, 1e9, 0, 0},
               {1, 0, 0, 0, 3.0, 0, 500, 0, 0}};
    sum_damage(g, mr, r);
    EXPECT_NEAR(r.terms[0].allowable, 30963, 0.001 * 30963);
    EXPECT_NEAR(r.terms[1].allowable, 7.62e5, 0.005 * 7.62e5);
    EXPECT_EQ(r.terms[2].damage, 0.0);
    EXPECT_NEAR(r.damage[0], 1000 / 30963.0 + 10000 / 7.62e5, 0.005 * 0.0454);
    EXPECT_NEAR(r.damage[1], 500 / 30963.0, 0.001 * 0.016);
}

// The wander: points at mean + z sd, z evenly over [-2, 2], weights of the normal density
// summing to 1; traffic beyond the free edge (a negative offset) is kept at the edge with its
// own weight, not spread over the points inside.
TEST(Fatigue, WanderPositionsAndWeights)
{
    double edge = -1;
    const auto w = wander_positions(0.45, 0.25, 5, &edge);
    ASSERT_EQ(w.size(), 5u); // 0.45 - 0.5 < 0: at the edge
    const double e0 = 1.0, e1 = std::exp(-0.5), e2 = std::exp(-2.0), sum = e0 + 2 * e1 + 2 * e2;
    EXPECT_NEAR(w[0].first, 0.0, 1e-12);
    EXPECT_NEAR(w[0].second, e2 / sum, 1e-12); // 5.4 % of the traffic, kept at the edge
    EXPECT_NEAR(edge, e2 / sum, 1e-12);
    EXPECT_NEAR(w[1].first, 0.20, 1e-12);
    EXPECT_NEAR(w[2].second, e0 / sum, 1e-12);
    EXPECT_NEAR(w[4].second, e2 / sum, 1e-12);
    double total = 0;
    for (const auto &p : w) total += p.second;
    EXPECT_NEAR(total, 1.0, 1e-12);
    EXPECT_EQ(wander_positions(0.3, 0.25, 1).size(), 1u);
    // all of it beyond: one point at the edge
    const auto all = wander_positions(-0.2, 0.0, 1, &edge);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].first, 0.0);
    EXPECT_EQ(edge, 1.0);
}

// A linear model: each combination's stress superposed from the self weight, the unit gradient
// and the placement at its reference load equals the largest slab tension of a direct analysis
// of that load (scaled, on the same footprints) and that gradient.
namespace
{

// A 3 x 3 m slab on a dense liquid (letting go in tension or not), meshed coarsely.
std::string small_slab(bool tensionless)
{
    return std::string(R"([slabs]
lengths = [3.0]
widths = [3.0]
thickness = 0.2
E = 30000
density = 2.4
[foundation]
k = 80
)") + (tensionless ? "tensionless = true\n" : "") +
           R"([mesh]
size = 0.3
size_near_loads = 0.1
elements_through_slab = 2
)";
}

// The wheels as a description's list: [[x, y, length, width], ...].
std::string wheel_list(const std::vector<wheel> &wheels)
{
    std::string text;
    for (const wheel &w : wheels)
        text += (text.empty() ? "" : ", ") + std::string("[") + std::to_string(w.x) + ", " +
                std::to_string(w.y) + ", " + std::to_string(w.length) + ", " +
                std::to_string(w.width) + "]";
    return text;
}

// The design check of dir's d.toml into dir/design, jobs at a time: its description, the chain
// and the result.
::testing::AssertionResult design_of(const scratch_dir &dir, int jobs, description &d,
                                     chain_tools &tools, design_result &r)
{
    std::vector<std::string> errors;
    if (!read_description(dir.file("d.toml"), d, errors))
        return ::testing::AssertionFailure() << errors.front();
    std::string why;
    if (!find_tools(PAVEMENT, tools, why)) return ::testing::AssertionFailure() << why;
    if (!compute_design(d, tools, dir.file("design"), jobs, true, false, r, why))
        return ::testing::AssertionFailure() << why;
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Fatigue, SuperpositionMatchesADirectAnalysis)
{
    scratch_dir dir("pavement_design");
    const std::string common = small_slab(false);
    write_text(dir.file("d.toml"), common + R"([design]
mr = 4.5
[[traffic]]
axle = "single"
load = 60
repetitions = 1000
[[traffic]]
axle = "single"
load = 100
repetitions = 1000
[wander]
mean = 0.3
positions = 1
[[climate]]
difference = 12
share = 1
)");
    description d;
    chain_tools tools;
    design_result r;
    ASSERT_TRUE(design_of(dir, 1, d, tools, r));
    std::vector<std::string> errors;
    std::string why;
    EXPECT_TRUE(r.superposed);
    // where the time went (--timings): each analysis one corvane run of three sets (self weight,
    // a unit gradient, the placement), read from its log before the files went
    EXPECT_EQ(r.clock.analyses, r.analyses);
    EXPECT_EQ(r.clock.runs, r.analyses);
    EXPECT_EQ(r.clock.solves, 3 * r.analyses);
    EXPECT_GT(r.clock.meshing, 0);
    EXPECT_GT(r.clock.solving, 0);
    EXPECT_GT(r.clock.reading, 0);
    // the analyses' files went once their stresses were read (gigabytes on a real design)
    EXPECT_TRUE(fs::is_empty(dir.file("design"))) << "intermediate files left";
    // the bottom-up term of the 100 kN row: its placement (reference load 80 kN, the mean)
    const std::vector<placement> places = design_placements(d);
    const placement *bu = nullptr;
    for (const placement &p : places)
        if (p.mode == 0) bu = &p;
    ASSERT_NE(bu, nullptr);
    EXPECT_NEAR(bu->reference, 80, 1e-9);
    const damage_term *term = nullptr;
    for (const damage_term &t : r.terms)
        if (t.mode == 0 && t.traffic == 1) term = &t;
    ASSERT_NE(term, nullptr);
    // the direct analysis: the placement's tyres carrying 100 kN in all, the gradient 12 C
    const std::string wheels = wheel_list(bu->wheels);
    write_text(dir.file("direct.toml"), common + "[[loads]]\nwheels = [" + wheels +
                                            "]\nload = 100\n[temperature]\ndifference = 12\n");
    // on the design's mesh: the bottom-up placements of this axle share one grid, refined under
    // their tyres, which the direct model is given too
    description direct;
    ASSERT_TRUE(read_description(dir.file("direct.toml"), direct, errors)) << errors.front();
    std::vector<wheel> every;
    for (const placement &p : places)
        if (p.mode == 0) every.insert(every.end(), p.wheels.begin(), p.wheels.end());
    generated_model g;
    ASSERT_EQ(analyse(direct, {}, tools, dir.file("direct"), "direct", true, g, why, &every),
              pavement_ok)
        << why;
    report_data rd;
    ASSERT_TRUE(report_of_set(dir.file("direct") + "/direct", direct, rd, why)) << why;
    const double expected = rd.max_tension_bottom() * 0.098; // kgf/cm2 to MPa
    EXPECT_NEAR(term->stress, expected, 1e-4 * expected);
    EXPECT_NEAR(term->ratio, expected / 4.5, 1e-4);
}

// A support that lets go: each combination is analysed whole, the temperature states of one
// placement and load as load sets of one analysis (one corvane run), each started from the
// state before. A combination's stress is that of the same wheels and gradient analysed on
// their own, night curl (the slab's edges lift off) and day curl alike.
TEST(Fatigue, TensionlessStatesAsLoadSetsMatchSeparateAnalyses)
{
    scratch_dir dir("pavement_design_tensionless");
    const std::string common = small_slab(true);
    write_text(dir.file("d.toml"), common + R"([design]
mr = 4.5
[[traffic]]
axle = "single"
load = 80
repetitions = 1000
[wander]
mean = 0.3
positions = 1
[[climate]]
difference = 12
share = 0.5
[[climate]]
difference = -10
share = 0.5
)");
    description d;
    chain_tools tools;
    design_result r;
    ASSERT_TRUE(design_of(dir, 2, d, tools, r));
    std::vector<std::string> errors;
    std::string why;
    EXPECT_FALSE(r.superposed);
    EXPECT_TRUE(r.in_equilibrium);
    // two placements (bottom-up, top-down) of one load: two analyses of two states each
    EXPECT_EQ(r.analyses, 2);
    EXPECT_EQ(r.clock.runs, 2);
    EXPECT_TRUE(fs::is_empty(dir.file("design"))) << "intermediate files left";
    const std::vector<placement> places = design_placements(d);
    ASSERT_EQ(places.size(), 2u);
    ASSERT_EQ(r.terms.size(), 4u);
    for (const damage_term &term : r.terms) {
        const placement &p =
            places[term.mode == 0 ? (places[0].mode == 0 ? 0 : 1) : (places[0].mode == 1 ? 0 : 1)];
        const double dt = d.design.climate[term.climate].difference;
        SCOPED_TRACE(std::to_string(term.mode) + " at " + std::to_string(dt) + " C");
        double load = 0; // kN: every group of the placement (two at the joints, top-down)
        for (const wheel &w : p.wheels) load += w.load;
        const std::string wheels = wheel_list(p.wheels);
        const std::string name =
            "direct" + std::to_string(term.mode) + std::to_string(term.climate);
        write_text(dir.file(name + ".toml"),
                   common + "[[loads]]\nwheels = [" + wheels + "]\nload = " + std::to_string(load) +
                       "\n[temperature]\ndifference = " + std::to_string(dt) + "\n");
        description direct;
        ASSERT_TRUE(read_description(dir.file(name + ".toml"), direct, errors)) << errors.front();
        generated_model g;
        ASSERT_EQ(analyse(direct, {}, tools, dir.file(name), name, true, g, why, nullptr, false),
                  pavement_ok)
            << why;
        report_data rd;
        ASSERT_TRUE(report_of_set(dir.file(name) + "/" + name, direct, rd, why)) << why;
        const double expected =
            (term.mode == 0 ? rd.max_tension_bottom() : rd.max_tension_top()) * 0.098;
        EXPECT_NEAR(term.stress, expected, 1e-4 * std::fabs(expected) + 1e-5);
    }
}
