// Tests of the dowel result file, the appended maximum line and the dowel data checks.
#include "dowel.h"
#include "dowel_results.h"
#include "test_support.h"
#include "test_util.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const double pi = 3.141592653589793;

// Three elements in a row along x: slab element 0 on [-10-h, -h], a joint
// element 1 on [-h, h] (nodes 0-3 on x = -h ordered so that its frame is
// e1 = y, e2 = z, e3 = x), slab element 2 on [h, 10+h]; all 10 wide in y and z
// around 0. One dowel at the origin, end 1 at xi = +1 of element 0 and end 2
// at xi = -1 of element 2. With quarter_turn the whole model is turned by
// 90 degrees about z, so the bar runs along y.
corvane_model three_elements(double w, bool quarter_turn)
{
    corvane_model m;
    const double h = 0.5 * w;
    m.np = 24, m.ne = 3, m.nm = 1, m.ndowel = 1, m.ndmat = 1, m.nn = 72;
    const double bx[8] = {0, 1, 1, 0, 0, 1, 1, 0}, by[8] = {0, 0, 1, 1, 0, 0, 1, 1};
    const double bz[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    auto add = [&m](double x, double y, double z) { m.coords.insert(m.coords.end(), {x, y, z}); };
    for (int k = 0; k < 8; ++k) add(-10 - h + 10 * bx[k], -5 + 10 * by[k], -5 + 10 * bz[k]);
    const double jy[4] = {-5, 5, 5, -5}, jz[4] = {-5, -5, 5, 5};
    for (int k = 0; k < 8; ++k) add(k < 4 ? -h : h, jy[k % 4], jz[k % 4]);
    for (int k = 0; k < 8; ++k) add(h + 10 * bx[k], -5 + 10 * by[k], -5 + 10 * bz[k]);
    if (quarter_turn)
        for (int n = 0; n < m.np; ++n) { // (x, y) -> (-y, x)
            const double x = m.coords[3 * n];
            m.coords[3 * n] = -m.coords[3 * n + 1];
            m.coords[3 * n + 1] = x;
        }
    for (int e = 0; e < 3; ++e) {
        for (int k = 0; k < 8; ++k) m.conn.push_back(8 * e + k);
        m.conn.push_back(0);
    }
    m.mats.assign(12, 0.0);
    m.dmats = {2.04e6, 0.3, w, 3.2, 45.0, 41500.0, 0, 0, 0, 0, 0, 0};
    m.dowels = {0.0, 0.0, 1.5, 1.0, 0.0, 0.0, -1.0, 0.0, 0.0};
    m.dowel_mat = {0};
    m.dowel_elems = {1, 0, 2};
    m.disp.assign(m.nn, 0.0);
    return m;
}

// Moves slab element 2 rigidly by dz along global z.
void slip_far_slab(corvane_model &m, double dz)
{
    for (int n = 16; n < 24; ++n) m.disp[3 * n + 2] = dz;
}

std::string write_to_string(const corvane_model &m, dowel_maxima &mx)
{
    std::FILE *f = std::tmpfile();
    write_dowel_lines(m, f, mx);
    std::rewind(f);
    std::string text;
    char buf[4096];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
    std::fclose(f);
    return text;
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Fields of a dowel line by their widths: centre 8,1,8,2,8; axis 5,1,5,1,5,1;
// twelve forces of 14 characters each followed by one blank.
struct dowel_line {
    double centre[3], axis[3], force[12];
};

dowel_line parse_line(const std::string &s)
{
    dowel_line d;
    EXPECT_EQ(s.size(), 27u + 18u + 12u * 15u) << s;
    d.centre[0] = std::stod(s.substr(0, 8));
    d.centre[1] = std::stod(s.substr(9, 8));
    d.centre[2] = std::stod(s.substr(19, 8));
    for (int c = 0; c < 3; ++c) d.axis[c] = std::stod(s.substr(27 + 6 * c, 5));
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(s[45 + 15 * k + 14], ' ');
        d.force[k] = std::stod(s.substr(45 + 15 * k, 14));
    }
    return d;
}

const char *const expected_header =
    "   xx       yy        zz    e1    e2    e3     Fx1            Fy1            Fz1            "
    " Mx1            My1            Mz1             Fx2            Fy2            Fz2            "
    " Mx2            My2            Mz2";

// Reaction at the joint face of a half loaded by (P, M): 2 beta (P Q - beta M R) / D,
// with the bar's E I = E pi/64 d^4.
double reaction_at_face(double p, double m)
{
    const double d = 3.2, ei = 2.04e6 * pi / 64.0 * std::pow(d, 4);
    const double beta = std::pow(41500.0 * d / 4.0 / ei, 0.25);
    const double l = (45.0 - 0.6) / 2.0, x = beta * l;
    const double sh = std::sinh(x), ch = std::cosh(x), s = std::sin(x), c = std::cos(x);
    return 2.0 * beta * (p * (sh * ch - s * c) - beta * m * (sh * sh + s * s)) / (sh * sh - s * s);
}

using test_support::read_text;
using test_support::write_text;

} // namespace

TEST(DowelResults, LayoutAndForcesOfASlip)
{
    corvane_model m = three_elements(0.6, false);
    const double dz = -0.01;
    slip_far_slab(m, dz);
    dowel_maxima mx;
    const std::vector<std::string> lines = lines_of(write_to_string(m, mx));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], expected_header);
    const dowel_line d = parse_line(lines[1]);
    EXPECT_EQ(lines[1].substr(0, 45), "   0.000    0.000     1.500 1.00  0.00  0.00 ");

    // The slip is the link's v at end 2 (e2 = z): local forces Keff[:, 7] dz.
    double keff[144];
    ASSERT_EQ(dowel_link_matrix(m.dmats.data(), keff), 1);
    double f[12];
    for (int i = 0; i < 12; ++i) f[i] = keff[i * 12 + 7] * dz;
    // global = R^T local with rows e1 = y, e2 = z, e3 = x
    const double expected[12] = {f[2], f[0], f[1], f[5],  f[3], f[4],
                                 f[8], f[6], f[7], f[11], f[9], f[10]};
    expect_arrays_close(12, expected, d.force, 1e-6, 1e-6);
    EXPECT_NEAR(d.force[2] + d.force[8], 0.0, 1e-6 * std::fabs(d.force[2])); // shear balances
    EXPECT_GT(std::fabs(d.force[2]), 1.0);

    // End-1 half along x: P = -Fz1, M = -My1; end-2 half: P = -Fz2, M = My2.
    EXPECT_EQ(mx.max_dowel, 0);
    const double r1 = reaction_at_face(-f[1], -f[3]);
    const double r2 = reaction_at_face(-f[7], f[9]);
    EXPECT_NEAR(mx.value[0], r1, 1e-9 * std::fabs(r1));
    EXPECT_NEAR(mx.value[3], r2, 1e-9 * std::fabs(r2));
    // bending and shear maxima are at least their joint-face values M/S and P/A_s
    const double d3 = 3.2 * 3.2 * 3.2, as = 0.9 * pi * 3.2 * 3.2 / 4.0;
    EXPECT_GE(std::fabs(mx.value[1]) * (1 + 1e-12), std::fabs(f[3]) / (pi * d3 / 32.0));
    EXPECT_GE(std::fabs(mx.value[2]) * (1 + 1e-12), std::fabs(f[1]) / as);
    EXPECT_GE(std::fabs(mx.value[5]) * (1 + 1e-12), std::fabs(f[7]) / as);
}

TEST(DowelResults, BarAlongYUsesMx)
{
    // The same model turned a quarter about z: the end-1 half sees the same
    // (P, M), taken from Mx1 instead of -My1.
    corvane_model mx_model = three_elements(0.6, false), my_model = three_elements(0.6, true);
    slip_far_slab(mx_model, -0.01);
    slip_far_slab(my_model, -0.01);
    dowel_maxima along_x, along_y;
    write_to_string(mx_model, along_x);
    const std::vector<std::string> lines = lines_of(write_to_string(my_model, along_y));
    const dowel_line d = parse_line(lines[1]);
    EXPECT_NEAR(d.axis[1], 1.0, 1e-12);
    EXPECT_NEAR(d.axis[0], 0.0, 1e-12);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(along_y.value[k], along_x.value[k], 1e-9 * std::fabs(along_x.value[k]));
}

TEST(DowelResults, ZeroDisplacementsAndUnplacedDowels)
{
    corvane_model m = three_elements(0.6, false);
    // a second dowel whose centre lies in no element, a third with only its centre placed
    m.ndowel = 3;
    m.dowels.insert(m.dowels.end(), {500.0, 0.0, 0.0, 0, 0, 0, 0, 0, 0});
    m.dowels.insert(m.dowels.end(), {0.0, 2.0, 0.0, 0, 0, 0, 0, 0, 0});
    m.dowel_mat.insert(m.dowel_mat.end(), {0, 0});
    m.dowel_elems.insert(m.dowel_elems.end(), {-1, -1, -1, 1, -1, 2});
    EXPECT_FALSE(dowel_is_placed(m, 1));
    EXPECT_FALSE(dowel_is_placed(m, 2));
    dowel_maxima mx;
    const std::vector<std::string> lines = lines_of(write_to_string(m, mx));
    ASSERT_EQ(lines.size(), 4u); // one line per dowel of the dowel file
    for (int i = 1; i <= 3; ++i) {
        const dowel_line d = parse_line(lines[i]);
        for (double v : d.force) EXPECT_EQ(v, 0.0);
    }
    EXPECT_EQ(lines[2].substr(27, 18), " 0.00  0.00  0.00 "); // no element, no axis
    EXPECT_EQ(lines[3].substr(27, 18), " 1.00  0.00  0.00 "); // axis from its centre element
    for (double v : mx.value) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(mx.max_dowel, -1);
    // no maximum dowel: the line reports the first dowel's centre
    char line[256];
    format_dowel_max_line(m, mx, line, sizeof line);
    EXPECT_STREQ(line, "    0.0000     0.0000     1.5000    0.00000e+00    0.00000e+00    "
                       "0.00000e+00    0.00000e+00    0.00000e+00    0.00000e+00 \n");
}

TEST(DowelResults, FilesAndTheirMessages)
{
    namespace fs = std::filesystem;
    const test_support::scratch_dir scratch("corvane_dowel_results");
    const fs::path &dir = scratch.path();
    const std::string dwo = (dir / "case.dwo").string(), max = (dir / "max.txt").string();

    corvane_model m = three_elements(0.6, false);
    slip_far_slab(m, -0.01);
    EXPECT_EQ(out_results_dowel(m, dwo.c_str(), max.c_str()), 0);
    const dowel_line first_case = parse_line(lines_of(read_text(dwo)).at(1));
    slip_far_slab(m, -0.02); // a second case: the .dwo is replaced, one more line appended
    EXPECT_EQ(out_results_dowel(m, dwo.c_str(), max.c_str()), 0);
    // no temporary left beside the two files
    int entries = 0;
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "case.dwo" || name == "max.txt") << name;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
    const std::vector<std::string> dwo_lines = lines_of(read_text(dwo));
    ASSERT_EQ(dwo_lines.size(), 2u);
    const dowel_line second_case = parse_line(dwo_lines[1]);
    EXPECT_NEAR(second_case.force[2], 2.0 * first_case.force[2],
                1e-5 * std::fabs(first_case.force[2])); // linear in the slip
    const std::vector<std::string> max_lines = lines_of(read_text(max));
    ASSERT_EQ(max_lines.size(), 2u);
    std::istringstream first(max_lines[0]), second(max_lines[1]);
    double a[9], b[9];
    for (int k = 0; k < 9; ++k) first >> a[k], second >> b[k];
    EXPECT_EQ(a[2], 1.5);
    for (int k = 3; k < 9; ++k) EXPECT_NEAR(b[k], 2.0 * a[k], 1e-4 * std::fabs(a[k]));

    // no -J name: the message names nobody, the dowel file is still written
    testing::internal::CaptureStderr();
    EXPECT_EQ(out_results_dowel(m, dwo.c_str(), ""), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "File() File open error in out_results_dowel");
    // a result file that cannot be created: message, and no maximum line
    const std::string bad = (dir / "missing" / "case.dwo").string();
    testing::internal::CaptureStderr();
    EXPECT_EQ(out_results_dowel(m, bad.c_str(), max.c_str()), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "File open error in out_results_dowel");
    EXPECT_EQ(lines_of(read_text(max)).size(), 2u);
    // no dowels: nothing opened
    m.ndowel = 0;
    EXPECT_EQ(out_results_dowel(m, bad.c_str(), max.c_str()), 0);
    fs::remove_all(dir);
}

TEST(DowelResults, ChecksNameTheMaterialAndTheFile)
{
    corvane_model m = three_elements(0.6, false);
    EXPECT_EQ(dowel_data_fault(m, "x.dwi"), "");
    const struct {
        int entry;
        double value;
        const char *why;
    } faults[] = {
        {dowel_diam, 0.0, "diameter d (entry 3) must be positive"},
        {dowel_length, 0.6,
         "bar length L (entry 4) must be larger than the joint width w (entry 2)"},
        {dowel_support, -5.0, "support modulus K (entry 5) must be positive"},
        {dowel_young, 0.0, "Young's modulus E (entry 0) must be positive"},
    };
    for (const auto &f : faults) {
        corvane_model bad = m;
        bad.dmats[f.entry] = f.value;
        EXPECT_EQ(dowel_data_fault(bad, "x.dwi"), std::string("x.dwi: dowel material 0: ") + f.why);
    }
    // a bar whose embedded half overflows sinh: refused before any assembly
    corvane_model long_bar = m;
    long_bar.dmats[dowel_length] = 1.0e5;
    EXPECT_NE(dowel_data_fault(long_bar, "x.dwi").find("x.dwi: dowel material 0: its link"),
              std::string::npos);
    // an unused faulty record is left alone; a missing one is named
    corvane_model spare = m;
    spare.ndmat = 2;
    spare.dmats.insert(spare.dmats.end(), 12, 0.0);
    EXPECT_EQ(dowel_data_fault(spare, "x.dwi"), "");
    spare.dowel_mat[0] = 4;
    EXPECT_EQ(dowel_data_fault(spare, "x.dwi"),
              "x.dwi: dowel 0: dowel material number 4 is outside 0..1");
}
