// The engineering report against independent references: slab stresses recovered element by
// element in the test, Friberg's dowel, rigid-slab load transfer, the envelope's cases, the
// refusals and the written formats.
#include "envelope.h"
#include "model_builder.h"
#include "quantities.h"
#include "report.h"
#include "result_set.h"
#include "test_support.h"
#include "vtu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

using namespace test_support;
using namespace model_builder;

namespace
{

// Runs a command in dir and insists that it ended with status 0.
void must_run(const std::string &command, const fs::path &dir)
{
    const run_result r = run_command(command, dir);
    ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
}

result_set read_set(const fs::path &base, file_units units = file_units::kgf_cm)
{
    result_set rs;
    read_request req;
    req.units = units;
    std::string why, note;
    EXPECT_TRUE(read_result_set(base.string(), req, rs, why, note)) << why;
    return rs;
}

report_data report_of(const result_set &rs, report_settings s = {})
{
    s.si = false; // the test's numbers are kgf-cm
    report_data r;
    std::string why;
    EXPECT_TRUE(build_report(rs, s, r, why)) << why;
    return r;
}

// The model and result files as the test reads them itself.
struct plain_set {
    int np = 0, nm = 0, ne = 0;
    std::vector<double> mats, xyz, u;
    std::vector<int> conn;
};

plain_set read_plain(const fs::path &base)
{
    plain_set s;
    std::ifstream pin(base.string() + ".pin");
    int nb, bw;
    pin >> s.np >> s.nm >> s.ne >> nb >> bw;
    s.mats.resize(12 * s.nm);
    for (double &v : s.mats) pin >> v;
    s.xyz.resize(3 * s.np);
    for (int n = 0; n < s.np; ++n) {
        double p[3];
        pin >> s.xyz[3 * n] >> s.xyz[3 * n + 1] >> s.xyz[3 * n + 2] >> p[0] >> p[1] >> p[2];
    }
    s.conn.resize(9 * s.ne);
    for (int &v : s.conn) pin >> v;
    std::ifstream out(base.string() + ".out");
    std::string line;
    std::getline(out, line);
    s.u.resize(3 * s.np);
    for (int n = 0; n < s.np; ++n) {
        double x[3];
        out >> x[0] >> x[1] >> x[2] >> s.u[3 * n] >> s.u[3 * n + 1] >> s.u[3 * n + 2];
    }
    return s;
}

// Stress of trilinear brick e at its node k from the nodal displacements: B u at the node's
// natural point, then the isotropic D (no temperature in the example).
void brick_node_stress(const plain_set &s, int e, int k, double stress[6])
{
    static const double nx[8] = {-1, 1, 1, -1, -1, 1, 1, -1}, ny[8] = {-1, -1, 1, 1, -1, -1, 1, 1},
                        nz[8] = {-1, -1, -1, -1, 1, 1, 1, 1};
    double dn[8][3], jac[3][3] = {};
    for (int a = 0; a < 8; ++a) {
        dn[a][0] = nx[a] * (1 + ny[a] * ny[k]) * (1 + nz[a] * nz[k]) / 8;
        dn[a][1] = ny[a] * (1 + nx[a] * nx[k]) * (1 + nz[a] * nz[k]) / 8;
        dn[a][2] = nz[a] * (1 + nx[a] * nx[k]) * (1 + ny[a] * ny[k]) / 8;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) jac[r][c] += dn[a][r] * s.xyz[3 * s.conn[9 * e + a] + c];
    }
    const double det = jac[0][0] * (jac[1][1] * jac[2][2] - jac[1][2] * jac[2][1]) -
                       jac[0][1] * (jac[1][0] * jac[2][2] - jac[1][2] * jac[2][0]) +
                       jac[0][2] * (jac[1][0] * jac[2][1] - jac[1][1] * jac[2][0]);
    double inv[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inv[r][c] = (jac[r1][c1] * jac[r2][c2] - jac[r1][c2] * jac[r2][c1]) / det;
        }
    double grad[3][3] = {}; // grad[i][j] = d u_i / d x_j
    for (int a = 0; a < 8; ++a) {
        double g[3] = {};
        for (int j = 0; j < 3; ++j)
            for (int r = 0; r < 3; ++r) g[j] += inv[j][r] * dn[a][r];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) grad[i][j] += g[j] * s.u[3 * s.conn[9 * e + a] + i];
    }
    const double eps[6] = {grad[0][0],
                           grad[1][1],
                           grad[2][2],
                           grad[1][2] + grad[2][1],
                           grad[2][0] + grad[0][2],
                           grad[0][1] + grad[1][0]};
    const double *m = &s.mats[12 * s.conn[9 * e + 8]];
    const double lam = m[0] * m[1] / ((1 + m[1]) * (1 - 2 * m[1])), mu = m[0] / (2 * (1 + m[1]));
    const double tr = eps[0] + eps[1] + eps[2];
    for (int c = 0; c < 3; ++c) stress[c] = lam * tr + 2 * mu * eps[c];
    for (int c = 3; c < 6; ++c) stress[c] = mu * eps[c];
}

// The shipped example meshed and analysed with the plain brick in dir.
void run_example(const fs::path &dir, const std::string &extra = "")
{
    fs::copy_file(fs::path(EXAMPLES_DIR) / "jpcp.dwi", dir / "jpcp.dwi");
    must_run("'" TARNEL "' -I '" EXAMPLES_DIR "/jpcp.txt' -O jpcp.pin", dir);
    must_run("'" CORVANE "' -F jpcp --material-stresses " + extra, dir);
}

} // namespace

// The example's slab bottom: the largest in-plane principal tension of the slab material's own
// nodal means at z = -25, against the same recovered in the test from the written
// displacements, element by element.
TEST(Report, SlabBottomOfTheExampleFromTheSlabElementsAlone)
{
    scratch_dir dir("post_example");
    run_example(dir.path());
    const plain_set s = read_plain(dir.path() / "jpcp");
    ASSERT_GT(s.np, 1000);
    // per node: the sum of the slab elements' stresses there, and their number
    std::map<int, std::pair<std::array<double, 6>, int>> slab_nodes;
    for (int e = 0; e < s.ne; ++e) {
        if (s.conn[9 * e + 8] != 0) continue; // material 0 is the slab
        for (int k = 0; k < 8; ++k) {
            const int n = s.conn[9 * e + k];
            if (std::fabs(s.xyz[3 * n + 2] + 25) > 1e-6) continue;
            double st[6];
            brick_node_stress(s, e, k, st);
            auto &[sum, count] = slab_nodes[n];
            for (int c = 0; c < 6; ++c) sum[c] += st[c];
            ++count;
        }
    }
    // the largest principal stress in the plane of the bottom face: Mohr's circle of Sx, Sy, Sxy
    auto in_plane = [](const double *s) {
        return (s[0] + s[1]) / 2 + std::hypot((s[0] - s[1]) / 2, s[5]);
    };
    double expected = -1e300, mixed = -1e300;
    for (auto &[n, entry] : slab_nodes) {
        double mean[6];
        for (int c = 0; c < 6; ++c) mean[c] = entry.first[c] / entry.second;
        expected = std::max(expected, in_plane(mean));
    }
    const result_set rs = read_set(dir.path() / "jpcp");
    // the result file's means over every solid at a node (slab and base) are far lower
    for (auto &[n, entry] : slab_nodes) mixed = std::max(mixed, in_plane(&rs.stress[6 * n]));
    const report_data r = report_of(rs);
    // the displacements are read back with 7 digits (%14.6e), so the test's recovery carries
    // their rounding: 1.5 parts in a million of the stress here
    EXPECT_NEAR(r.max_tension_bottom(), expected, 5e-6 * expected);
    EXPECT_LT(mixed, 0.8 * expected);
    // the report's slab is material 0, the base and the subgrade are layers below it
    ASSERT_EQ(r.slab_materials, std::vector<int>{0});
    ASSERT_EQ(r.layers.size(), 3u);
    EXPECT_NEAR(r.layers[0].top - r.layers[0].bottom, 25, 1e-9);
    // the load: two 20 x 25 tyres at 6 kgf/cm2 (the example)
    EXPECT_NEAR(r.load_total, 2 * 20 * 25 * 6, 1e-6 * 6000);
    // the largest deflection is at a surface node
    EXPECT_NEAR(r.deflection_xyz[2], 0.0, 1e-9);
}

// One dowel across a 0.6 cm joint between rigid blocks, block B pushed down by P (the
// verification model): Friberg's semi-infinite halves give y0 = P (2 + beta w) / (4 beta^3 EI)
// and the bearing K y0; the report's bearing from the written bar forces within 1 %, its
// steel shear 4 P / (3 A).
TEST(Report, DowelBearingAgainstFriberg)
{
    const double es = 2.04e6, nus = 0.3, w = 0.6, d = 3.2, len = 45, kd = 41000, load = 1000;
    const double pi = 3.141592653589793, ei = es * pi * d * d * d * d / 64;
    const double beta = std::pow(kd * d / (4 * ei), 0.25);
    const double y0 = load * (2 + beta * w) / (4 * beta * beta * beta * ei);
    model m;
    dowel_blocks(m, w, 30, 20, load);
    scratch_dir dir("post_friberg");
    m.write(dir.file("m.pin"));
    write_text(dir.file("m.dwi"), "1 1\n" + std::to_string(es) + " " + std::to_string(nus) + " " +
                                      std::to_string(w) + " " + std::to_string(d) + " " +
                                      std::to_string(len) + " " + std::to_string(kd) +
                                      " 0 0 0 0 0 0\n" + std::to_string(w / 2) + " 0 10 0\n");
    must_run("'" CORVANE "' -F m --material-stresses", dir.path());
    report_settings s;
    s.fc = 300;
    const report_data r = report_of(read_set(dir.path() / "m"), s);
    ASSERT_EQ(r.dowels.size(), 1u);
    const dowel_row &dw = r.dowels[0];
    EXPECT_NEAR(std::fabs(dw.p), load, 0.01 * load);
    EXPECT_NEAR(dw.bearing, kd * y0, 0.01 * kd * y0);
    EXPECT_NEAR(dw.steel_shear, 4 * load / (3 * pi * d * d / 4),
                0.01 * 4 * load / (3 * pi * d * d / 4));
    // the allowable bearing (4 - d) f'c / 3 with d in inches
    EXPECT_NEAR(dw.allowable, (4 - d / 2.54) * 300 / 3, 1e-9);
    EXPECT_NEAR(dw.ratio, dw.bearing / dw.allowable, 1e-12);
    EXPECT_EQ(r.most_loaded_dowel, 0);
}

namespace
{

// Two slabs 100 x 100 x 25 (2 x 2 rigid bricks each), slab A at x 0..100, slab B at
// 100.6..200.6, across a transverse joint whose tangential springs kt carry the shear; each slab
// on foundation springs kf over fixed ground; every slab node held in x and y, so each slab only
// moves up and down. A pressure p on all of A's top.
model two_rigid_slabs(double kt, double kf, double p)
{
    model m;
    const int rigid = m.material(solid(1e9, 0.15));
    const int tj = m.material({kt, kt, 1e-6, 0, 0, 1.0, 0, 0, 0, 0, 0, 1});
    const int fj = m.material({0, 0, kf, 0, 0, 1.0, 0, 0, 0, 0, 0, 1});
    const block a = add_block(m, uniform(0, 100, 2), uniform(0, 100, 2), uniform(0, 25, 1), rigid);
    const block b =
        add_block(m, uniform(100.6, 200.6, 2), uniform(0, 100, 2), uniform(0, 25, 1), rigid);
    for (int j = 0; j < 2; ++j) // nodes 0-3 on A's face x = 100, 4-7 opposite on B's
        m.elems.push_back({a.id(2, j + 1, 1), a.id(2, j, 1), a.id(2, j, 0), a.id(2, j + 1, 0),
                           b.id(0, j + 1, 1), b.id(0, j, 1), b.id(0, j, 0), b.id(0, j + 1, 0), tj});
    for (const block *s : {&a, &b}) {
        std::vector<int> ground;
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                ground.push_back(m.node(s->xs[i], s->ys[j], 0));
                m.bcs.push_back({ground.back(), 1, 1, 1});
            }
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i)
                m.elems.push_back({ground[3 * j + i], ground[3 * j + i + 1],
                                   ground[3 * (j + 1) + i + 1], ground[3 * (j + 1) + i],
                                   s->id(i, j, 0), s->id(i + 1, j, 0), s->id(i + 1, j + 1, 0),
                                   s->id(i, j + 1, 0), fj});
        for (int k = 0; k < 2; ++k)
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i) m.bcs.push_back({s->id(i, j, k), 1, 1, 0});
    }
    add_patch_load(m, a, 0, 100, 0, 100, p);
    return m;
}

} // namespace

// Rigid slabs that only translate: P = KA wA + Kj (wA - wB) and 0 = KB wB - Kj (wA - wB), so
// LTE = wB / wA = Kj / (Kj + KB), with the joint convention Kj = kt Aj / 9 and KB = kf AB / 9.
TEST(Report, LoadTransferOfTwoSlabsFollowsTheJointStiffness)
{
    const double kt = 100, kf = 80, p = 1.0;
    const double kj = kt * 100 * 25 / 9.0, kb = kf * 100 * 100 / 9.0;
    scratch_dir dir("post_lte");
    two_rigid_slabs(kt, kf, p).write(dir.file("m.pin"));
    must_run("'" CORVANE "' -F m --material-stresses", dir.path());
    const report_data r = report_of(read_set(dir.path() / "m"));
    ASSERT_EQ(r.joints.size(), 1u); // the transverse joint (the foundation is horizontal)
    const joint_plane &j = r.joints[0];
    EXPECT_EQ(j.axis, 0);
    EXPECT_NEAR(j.position, 100.0, 1e-3);
    ASSERT_EQ(j.stations.size(), 3u); // the three facing pairs at the top, y = 0, 50, 100
    for (const joint_station &st : j.stations) EXPECT_NEAR(st.lte, kj / (kj + kb), 1e-3);
    EXPECT_NEAR(r.lte(), kj / (kj + kb), 1e-3);
    // A's deflection from the two equations: wA = P (Kj + KB) / (KA (Kj + KB) + Kj KB)
    const double ka = kb, total = p * 100 * 100;
    const double wa = total * (kj + kb) / (ka * (kj + kb) + kj * kb);
    EXPECT_NEAR(j.stations[0].w_loaded, -wa, 1e-3 * wa);
    EXPECT_NEAR(j.max_differential, wa * (1 - kj / (kj + kb)), 2e-3 * wa);
    // the joint springs as entered and the kn/9 they act with are both stated
    ASSERT_EQ(r.joint_materials.size(), 2u);
    EXPECT_TRUE(r.joint_materials[0].vertical);
    EXPECT_FALSE(r.joint_materials[1].vertical);
    EXPECT_EQ(r.joint_materials[1].kn, kf);
}

// A loose dowel between the two rigid slabs: it bears nothing while the slabs' relative
// movement stays within its looseness s, and past it the force of a tight bar on the movement
// beyond s. With kd the tight bar's shear stiffness (its force over the slip of the tight run),
// the two translations solve (KA + Kj + kd) wA - (Kj + kd) wB = P + kd s and
// -(Kj + kd) wA + (KB + Kj + kd) wB = -kd s, and the bar carries kd (wA - wB - s).
TEST(Report, LooseDowelBearsOnlyPastItsLooseness)
{
    const double kt = 100, kf = 80, p = 1.0;
    const double kj = kt * 100 * 25 / 9.0, kb = kf * 100 * 100 / 9.0, ka = kb, total = p * 1e4;
    auto run = [&](double looseness, double &slip) {
        scratch_dir dir("post_loose");
        two_rigid_slabs(kt, kf, p).write(dir.file("m.pin"));
        char dwi[200];
        std::snprintf(dwi, sizeof dwi,
                      "1 1\n2.04e6 0.3 0.6 3.2 45 41000 %.9g 0 0 0 0 0\n100.3 50 12.5 0\n",
                      looseness);
        write_text(dir.file("m.dwi"), dwi);
        must_run("'" CORVANE "' -F m --material-stresses --equilibrium -N 100", dir.path());
        const result_set rs = read_set(dir.path() / "m");
        const report_data r = report_of(rs);
        const joint_station &st = r.joints.at(0).stations.at(0);
        slip = std::fabs(st.w_loaded) - std::fabs(st.w_unloaded);
        return std::fabs(rs.dforce[2]); // the bar's vertical force at end 1
    };
    double slip_tight = 0, slip = 0;
    const double tight = run(0.0, slip_tight);
    ASSERT_GT(tight, 0.0);
    const double kd = tight / slip_tight;
    // a looseness beyond the tight slip: the bar never bears, the slabs act as without it
    EXPECT_LT(run(10 * slip_tight, slip), 1e-6 * tight);
    EXPECT_NEAR(slip, total * kb / (ka * (kj + kb) + kj * kb), 1e-3 * slip);
    // half the tight slip: the hand solution of the two translations
    const double s = 0.5 * slip_tight;
    const double a11 = ka + kj + kd, a12 = -(kj + kd), a22 = kb + kj + kd;
    const double det = a11 * a22 - a12 * a12;
    const double wa = ((total + kd * s) * a22 + a12 * kd * s) / det;
    const double wb = (-a11 * kd * s - a12 * (total + kd * s)) / det;
    const double force = run(s, slip);
    EXPECT_NEAR(slip, wa - wb, 2e-3 * (wa - wb));
    EXPECT_NEAR(force, kd * (wa - wb - s), 5e-3 * kd * (wa - wb - s));
}

// A case file of two cases (the transverse joint's springs differ) on two doweled slabs: every
// case keeps its own dowel results, the envelope names the governing case of each figure.
TEST(Report, EnvelopeKeepsEveryCasesDowels)
{
    scratch_dir dir("post_cases");
    model m = two_rigid_slabs(100, 80, 1.0);
    m.write(dir.file("m.pin"));
    // dowel across the joint at mid-depth, along x
    write_text(dir.file("m.dwi"),
               "1 1\n2.04e6 0.3 0.6 3.2 45 41000 0 0 0 0 0 0\n100.3 50 12.5 0\n");
    std::ostringstream cases;
    cases << "points.txt\n0 2\n";
    for (const double kt : {100.0, 1000.0})
        for (std::size_t k = 0; k < m.mats.size(); ++k) {
            std::array<double, 12> v = m.mats[k];
            if (k == 1) v[0] = v[1] = kt;
            for (double x : v) cases << x << " ";
            cases << "\n";
        }
    write_text(dir.file("cases.txt"), cases.str());
    must_run("'" CORVANE "' -F m -M cases.txt --material-stresses", dir.path());
    std::vector<report_case> rc;
    for (const char *name : {"m00", "m01"}) {
        ASSERT_TRUE(fs::exists(dir.path() / (std::string(name) + ".dwo"))) << name;
        rc.push_back({name, report_of(read_set(dir.path() / name))});
    }
    // the stiffer joint carries more shear through the springs, less through the dowel
    const double b0 = rc[0].data.max_bearing(), b1 = rc[1].data.max_bearing();
    EXPECT_GT(b0, 0);
    EXPECT_GT(b1, 0);
    EXPECT_GT(b0, 1.05 * b1);
    const int q = static_cast<int>(find_quantity("max_dowel_bearing") - report_quantities);
    EXPECT_EQ(governing_case(rc, q), 0);
    const int l = static_cast<int>(find_quantity("lte") - report_quantities);
    EXPECT_EQ(governing_case(rc, l), 0); // the softer joint transfers less
    // the envelope of the per-material stresses: a node's maximum is its largest case
    envelope_data env;
    const result_set s0 = read_set(dir.path() / "m00"), s1 = read_set(dir.path() / "m01");
    EXPECT_EQ(mesh_difference(s0, s1), "");
    add_to_envelope(env, s0, 0);
    add_to_envelope(env, s1, 1);
    for (int n = 0; n < s0.np; ++n)
        for (std::int64_t r = s0.mst.start[n]; r < s0.mst.start[n + 1]; ++r) {
            const double a = s0.mst.stress[6 * r], b = s1.mst.stress[6 * r];
            EXPECT_GE(env.max[envelope_components * n], std::max(a, b));
            EXPECT_LE(env.min[envelope_components * n], std::min(a, b));
        }
    // and the written case table names each case's equilibrium and what it governs
    std::string why;
    const fs::path csv = dir.path() / "cases.csv";
    ASSERT_TRUE(write_report(rc[0].data, rc, {}, csv.string(), why)) << why;
    const std::string text = read_text(csv);
    EXPECT_NE(text.find("case m00"), std::string::npos) << text;
    EXPECT_NE(text.find("m01,reached,"), std::string::npos) << text;
}

// Markdown tables render (as many delimiter cells as header cells, '|' in a cell escaped), CSV
// rows have one value per cell (numbers parse, flags in their own columns).
TEST(Report, WrittenTablesAreWellFormed)
{
    scratch_dir dir("post_formats");
    run_example(dir.path());
    report_settings s;
    s.fc = 300;
    s.mr = 45;
    const report_data r = report_of(read_set(dir.path() / "jpcp"), s);
    std::string why;
    for (const char *name : {"r.md", "r.csv", "r.html"})
        ASSERT_TRUE(write_report(r, {}, {}, dir.file(name), why)) << name << why;
    std::istringstream md(read_text(dir.path() / "r.md"));
    auto cells = [](const std::string &row) {
        int n = 0;
        for (std::size_t i = 0; i < row.size(); ++i)
            if (row[i] == '|' && (i == 0 || row[i - 1] != '\\')) ++n;
        return n - 1;
    };
    std::string line, previous;
    int tables = 0, width = -1;
    while (std::getline(md, line)) {
        if (line.rfind("|---", 0) == 0) { // a delimiter row: the line before is its header
            ++tables;
            width = cells(previous);
            EXPECT_EQ(cells(line), width) << previous;
        } else if (line.rfind("|", 0) == 0 && width >= 0) {
            EXPECT_EQ(cells(line), width) << line;
        } else if (line.empty()) {
            width = -1;
        }
        previous = line;
    }
    EXPECT_GE(tables, 6);
    // CSV: in the summary, every value parses as a number or is empty
    std::istringstream csv(read_text(dir.path() / "r.csv"));
    std::getline(csv, line); // "Summary"
    std::getline(csv, line); // its header
    int summary_rows = 0;
    while (std::getline(csv, line) && !line.empty()) {
        const std::size_t c1 = line.find(','), c2 = line.find(',', c1 + 1);
        const std::string value = line.substr(c1 + 1, c2 - c1 - 1);
        if (!value.empty()) {
            char *end = nullptr;
            std::strtod(value.c_str(), &end);
            EXPECT_EQ(*end, '\0') << line;
        }
        ++summary_rows;
    }
    EXPECT_EQ(summary_rows, report_quantity_count);
    const std::string all = read_text(dir.path() / "r.csv");
    EXPECT_EQ(all.find(" *"), std::string::npos);
    EXPECT_NE(all.find("max_tension_slab_bottom,"), std::string::npos);
    EXPECT_NE(all.find("max_dowel_bearing,"), std::string::npos);
    EXPECT_NE(read_text(dir.path() / "r.md").find("(\\|Uz\\|)"), std::string::npos);
    // a name of another kind is refused and nothing is left
    EXPECT_FALSE(write_report(r, {}, {}, dir.file("r.txt"), why));
    EXPECT_FALSE(fs::exists(dir.path() / "r.txt"));
}

#ifdef OSTRINE_BATCH
// A report over a set whose files are missing, damaged or of another mesh is refused: status
// 1, a message naming the file, and no report, picture or plot left behind.
TEST(Report, DamagedSetsAreRefusedWithNothingWritten)
{
    scratch_dir dir("post_refuse");
    run_example(dir.path());
    const std::string out = read_text(dir.path() / "jpcp.out");
    const std::string mst = read_text(dir.path() / "jpcp.mst");
    const struct {
        const char *what, *file, *expect;
        std::string text; // empty: the file removed
    } rows[] = {
        {"missing result", "jpcp.out", "jpcp.out: cannot be opened", ""},
        {"truncated result", "jpcp.out", "jpcp.out: ends before",
         out.substr(0, out.rfind('\n', out.size() / 2) + 1)},
        {"nan in the result", "jpcp.out", "not a finite number",
         out.substr(0, out.find('\n', 200) + 1) + "  0.000    0.000   0.000 nan nan nan\n" +
             out.substr(out.find('\n', 200) + 1)},
        // the fast reader hands what it does not take whole to strtod: the same messages
        {"overflow in the result", "jpcp.out", "not a finite number",
         out.substr(0, out.find('\n', 200) + 1) + "  0.000    0.000   0.000 1e999 0 0\n" +
             out.substr(out.find('\n', 200) + 1)},
        {"word in the result", "jpcp.out", "is not a number ('q')",
         out.substr(0, out.find('\n', 200) + 1) + "  0.000    0.000   0.000 0x1p0q 0 0\n" +
             out.substr(out.find('\n', 200) + 1)},
        {"result of another mesh", "jpcp.out", "another mesh",
         "   xx       yy        zz       Ux             Uy             Uz\n" +
             out.substr(out.find('\n') + 1 + 60)},
        {"missing per-material stresses", "jpcp.mst", "--material-stresses", ""},
        {"per-material of another mesh", "jpcp.mst", "another mesh",
         mst.substr(0, mst.find("nodes=")) + "nodes=99 materials=4\n" +
             mst.substr(mst.find('\n') + 1)},
    };
    for (const auto &row : rows) {
        const std::string keep = read_text(dir.path() / row.file);
        if (row.text.empty())
            fs::remove(dir.path() / row.file);
        else
            write_text(dir.path() / row.file, row.text);
        for (const char *report : {"r.html", "r.csv"}) {
            const run_result r = run_command(
                "'" OSTRINE_BATCH "' -F jpcp -U 1 --report " + std::string(report), dir.path());
            EXPECT_EQ(r.status, 1) << row.what;
            EXPECT_NE(r.err.find(row.expect), std::string::npos) << row.what << ": " << r.err;
            EXPECT_NE(r.err.find(row.file), std::string::npos) << row.what << ": " << r.err;
        }
        for (const char *left : {"r.html", "r.csv", "r_S3.png", "r_joints.svg"})
            EXPECT_FALSE(fs::exists(dir.path() / left)) << row.what << ": " << left;
        write_text(dir.path() / row.file, keep);
    }
    // the set itself is sound: the same command writes the report and its figures
    const run_result ok =
        run_command("'" OSTRINE_BATCH "' -F jpcp -U 1 --report r.html --fc=30MPa", dir.path());
    EXPECT_EQ(ok.status, 0) << ok.err;
    for (const char *made : {"r.html", "r_S3.png", "r_joints.svg"})
        EXPECT_TRUE(fs::exists(dir.path() / made)) << made;
    // the values at a point: the nearest node (the report's lengths, m), its displacements and
    // each material's own stresses there (the slab's and the base's at the slab bottom)
    const run_result at =
        run_command("'" OSTRINE_BATCH "' -F jpcp -U 1 --at=4.5,1.8,-0.25", dir.path());
    EXPECT_EQ(at.status, 0) << at.err;
    EXPECT_NE(at.out.find("at (4.5, 1.8, -0.25) m"), std::string::npos) << at.out;
    EXPECT_NE(at.out.find("material 0 ("), std::string::npos) << at.out;
    EXPECT_NE(at.out.find("material 2 ("), std::string::npos) << at.out;
    // f'c without a unit, and one outside paving strengths
    EXPECT_EQ(run_command("'" OSTRINE_BATCH "' -F jpcp --report x.md --fc 300", dir.path()).status,
              2);
    const run_result odd =
        run_command("'" OSTRINE_BATCH "' -F jpcp -U 1 --report x.csv --fc=300MPa", dir.path());
    EXPECT_EQ(odd.status, 0);
    EXPECT_NE(odd.err.find("outside 10 to 120 MPa"), std::string::npos) << odd.err;
}
#endif

// The XML VTK export as a second tool reads it (VTK's own Python reader): every node and element
// with the dowels' lines, the fields named, in SI; the slab isolated by its material id; the
// largest deflection and a cell's principal values computed here from the set.
TEST(Report, VtuOpensInVtkWithItsFieldsInSi)
{
    if (run_command("/usr/bin/python3 -c 'import vtk'", fs::temp_directory_path()).status != 0)
        GTEST_SKIP() << "VTK's Python module (python3-vtk9) is not installed";
    scratch_dir dir("post_vtu");
    run_example(dir.path());
    const result_set rs = read_set(dir.path() / "jpcp");
    std::string why;
    ASSERT_TRUE(write_vtu(rs, dir.file("jpcp.vtu"), why)) << why;
    write_text(dir.file("read.py"), R"(import vtk
r = vtk.vtkXMLUnstructuredGridReader(); r.SetFileName('jpcp.vtu'); r.Update()
g = r.GetOutput(); cd = g.GetCellData(); pd = g.GetPointData()
print(g.GetNumberOfPoints(), g.GetNumberOfCells())
print(' '.join(sorted(cd.GetArrayName(i) for i in range(cd.GetNumberOfArrays()))))
print(' '.join(sorted(pd.GetArrayName(i) for i in range(pd.GetNumberOfArrays()))))
m = cd.GetArray('material'); k = cd.GetArray('kind'); p = cd.GetArray('principal_MPa')
print(sum(1 for i in range(g.GetNumberOfCells()) if m.GetValue(i) == 0),
      sum(1 for i in range(g.GetNumberOfCells()) if k.GetValue(i) == 2))
d = pd.GetArray('displacement_m')
print(repr(max(abs(d.GetComponent(i, 2)) for i in range(g.GetNumberOfPoints()))))
print(repr(p.GetComponent(0, 0)), repr(p.GetComponent(0, 2)))
)");
    const run_result r = run_command("/usr/bin/python3 read.py", dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    std::size_t points = 0, cells = 0, slab = 0, dowels = 0;
    std::string cell_arrays, point_arrays;
    double largest = 0, p_min = 0, p_max = 0;
    in >> points >> cells;
    in.ignore();
    std::getline(in, cell_arrays);
    std::getline(in, point_arrays);
    in >> slab >> dowels >> largest >> p_min >> p_max;
    EXPECT_EQ(points, static_cast<std::size_t>(rs.np + 2 * rs.ndowel));
    EXPECT_EQ(cells, static_cast<std::size_t>(rs.ne + rs.ndowel));
    EXPECT_EQ(cell_arrays, "dowel_force_kN kind material principal_MPa stress_own_material_MPa");
    EXPECT_EQ(point_arrays, "displacement_m stress_all_solids_MPa");
    std::size_t slab_here = 0;
    for (int e = 0; e < rs.ne; ++e) slab_here += rs.conn[9 * e + 8] == 0 ? 1 : 0;
    EXPECT_EQ(slab, slab_here);
    EXPECT_EQ(dowels, static_cast<std::size_t>(rs.ndowel));
    double uz = 0;
    for (int n = 0; n < rs.np; ++n) uz = std::max(uz, std::fabs(rs.disp[3 * n + 2]));
    EXPECT_NEAR(largest, uz * 0.01, 1e-12); // cm to m, at full precision
    // cell 0: the mean of its own material's nodal stresses, in MPa, and its principal values
    double s[6] = {0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 8; ++k) {
        const std::int64_t row = rs.material_row(rs.conn[k], rs.conn[8]);
        ASSERT_GE(row, 0);
        for (int c = 0; c < 6; ++c) s[c] += rs.mst.stress[6 * row + c] * 0.098 / 8;
    }
    // the extreme principal values bound every normal stress of the tensor
    for (int c = 0; c < 3; ++c) {
        EXPECT_LE(p_min, s[c] + 1e-9);
        EXPECT_GE(p_max, s[c] - 1e-9);
    }
}
