// The design report: joint load transfer, the dowel bearing check, envelopes, bad sets, files.
#include "fem3d.h"
#include "report.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace
{

fs::path scratch(const std::string &name)
{
    const fs::path d = fs::temp_directory_path() / ("report_" + name);
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

std::string read_text(const fs::path &p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Two slabs 100 x 100 x 25 (2 x 2 bricks each, E rigid next to the springs), slab A at x
// 0..100, slab B at 100.6..200.6, across a transverse joint of two cells whose tangential springs
// kt carry the vertical shear; each slab on foundation springs kf over fixed ground; every slab
// node held in x and y, so each slab can only move up and down as a whole. A pressure p on all
// of A's top.
std::string two_rigid_slabs(double kt, double kf, double p)
{
    std::ostringstream o;
    o.precision(17);
    const double xs[2][3] = {{0, 50, 100}, {100.6, 150.6, 200.6}}, ys[3] = {0, 50, 100},
                 zs[2] = {0, 25};
    auto node = [](int s, int ix, int iy, int iz) { return 18 * s + 9 * iz + 3 * iy + ix; };
    auto ground = [](int s, int ix, int iy) { return 36 + 9 * s + 3 * iy + ix; };
    o << "54 3 18 54 150\n";
    o << "1e9 0.15 0 0 0 0 0 0 0 0 0 0\n";
    o << kt << " " << kt << " 1e-6 0 0 1.0 0 0 0 0 0 1\n"; // the transverse joint
    o << "0 0 " << kf << " 0 0 1.0 0 0 0 0 0 1\n";         // the foundation
    for (int s = 0; s < 2; ++s)
        for (int iz = 0; iz < 2; ++iz)
            for (int iy = 0; iy < 3; ++iy)
                for (int ix = 0; ix < 3; ++ix)
                    o << xs[s][ix] << " " << ys[iy] << " " << zs[iz] << " 0 0 0\n";
    for (int s = 0; s < 2; ++s)
        for (int iy = 0; iy < 3; ++iy)
            for (int ix = 0; ix < 3; ++ix) o << xs[s][ix] << " " << ys[iy] << " 0 0 0 0\n";
    for (int s = 0; s < 2; ++s)
        for (int ey = 0; ey < 2; ++ey)
            for (int ex = 0; ex < 2; ++ex) {
                for (int iz = 0; iz < 2; ++iz)
                    o << node(s, ex, ey, iz) << " " << node(s, ex + 1, ey, iz) << " "
                      << node(s, ex + 1, ey + 1, iz) << " " << node(s, ex, ey + 1, iz) << " ";
                o << "0\n";
            }
    for (int ey = 0; ey < 2; ++ey) { // nodes 0-3 on A's face x = 100, 4-7 opposite on B's
        for (int s = 0; s < 2; ++s) {
            const int ix = s == 0 ? 2 : 0;
            o << node(s, ix, ey + 1, 1) << " " << node(s, ix, ey, 1) << " " << node(s, ix, ey, 0)
              << " " << node(s, ix, ey + 1, 0) << " ";
        }
        o << "1\n";
    }
    for (int s = 0; s < 2; ++s)
        for (int ey = 0; ey < 2; ++ey)
            for (int ex = 0; ex < 2; ++ex)
                o << ground(s, ex, ey) << " " << ground(s, ex + 1, ey) << " "
                  << ground(s, ex + 1, ey + 1) << " " << ground(s, ex, ey + 1) << " "
                  << node(s, ex, ey, 0) << " " << node(s, ex + 1, ey, 0) << " "
                  << node(s, ex + 1, ey + 1, 0) << " " << node(s, ex, ey + 1, 0) << " 2\n";
    for (int n = 0; n < 36; ++n) o << n << " 1 1 0\n";
    for (int n = 36; n < 54; ++n) o << n << " 1 1 1\n";
    o << "4\n";
    for (int ey = 0; ey < 2; ++ey)
        for (int ex = 0; ex < 2; ++ex) {
            const int f[4] = {node(0, ex, ey, 1), node(0, ex + 1, ey, 1),
                              node(0, ex + 1, ey + 1, 1), node(0, ex, ey + 1, 1)};
            for (int k : f) o << k << " 0 0 " << -p << " ";
            o << "\n";
        }
    return o.str();
}

struct loaded_set {
    display_settings ds;
    FEMg3D model;
    loaded_set(const fs::path &base)
    {
        set_input_factors(ds, false); // the files hold kgf-cm values
        set_output_units(ds, false);  // and the report is in kgf-cm
        model.settings = &ds;
        const std::string b = base.string();
        EXPECT_EQ(model.load_result_set((b + ".pin").c_str(), (b + ".out").c_str(),
                                        (b + ".dwi").c_str(), (b + ".dwo").c_str(),
                                        (b + ".dyn").c_str()),
                  1)
            << model.load_error;
    }
};

} // namespace

// Rigid slabs that only translate: P = KA wA + Kj (wA - wB) and 0 = KB wB - Kj (wA - wB), so
// LTE = wB / wA = Kj / (Kj + KB), with the joint convention Kj = kt Aj / 9 and KB = kf AB / 9.
TEST(Report, LoadTransferOfTwoSlabsFollowsTheJointStiffness)
{
    const double kt = 100, kf = 80, p = 1.0;
    const double kj = kt * 2 * 50 * 25 / 9.0, kb = kf * 100 * 100 / 9.0;
    const fs::path dir = scratch("lte");
    std::ofstream(dir / "m.pin") << two_rigid_slabs(kt, kf, p);
    const int rc =
        std::system(("cd '" + dir.string() + "' && '" CORVANE "' -F m >/dev/null 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << rc;
    loaded_set s(dir / "m");
    report_data r;
    std::string why;
    ASSERT_TRUE(build_report(s.model, s.ds, 0, r, why)) << why;
    ASSERT_EQ(r.joints.size(), 1u); // the transverse joint (the foundation is horizontal)
    const joint_plane &j = r.joints[0];
    EXPECT_EQ(j.axis, 0);
    EXPECT_NEAR(j.position, 100.0, 1e-3);
    ASSERT_EQ(j.stations.size(), 3u); // the three facing pairs at the top, y = 0, 50, 100
    for (const joint_station &st : j.stations) {
        EXPECT_NEAR(st.lte, kj / (kj + kb), 1e-3) << st.along;
        EXPECT_LT(st.loaded, 18); // slab A's nodes carry the load
    }
    EXPECT_NEAR(r.min_lte(), kj / (kj + kb), 1e-3);
    // A's deflection from the two equations: wA = P (Kj + KB) / (KA (Kj + KB) + Kj KB)
    const double ka = kb, total = p * 100 * 100;
    const double wa = total * (kj + kb) / (ka * (kj + kb) + kj * kb);
    EXPECT_NEAR(j.stations[0].w_loaded, -wa, 1e-3 * wa);
    EXPECT_NEAR(j.max_differential, wa * (1 - kj / (kj + kb)), 2e-3 * wa);
    fs::remove_all(dir);
}

// One dowel along x whose end forces are a shear P and the moment -P w / 2 of a bar across the
// gap w: semi-infinite embedded halves give the bearing K y0 = beta P (2 + beta w) with the
// viewer's beta = (K / 4EI)^(1/4); the allowable is (4 - d) f'c / 3, d in inches.
TEST(Report, DowelBearingAgainstFribergAndTheAllowableFormula)
{
    const fs::path dir = scratch("dowel");
    std::ofstream(dir / "m.pin") << two_rigid_slabs(100, 80, 0.0);
    const double e = 2.04e6, w = 0.6, d = 3.2, len = 60, k = 41500, p = 1000, fc = 300;
    std::ofstream(dir / "m.dwi") << "1 1\n"
                                 << e << " 0.3 " << w << " " << d << " " << len << " " << k
                                 << " 0 0 0 0 0 0\n100.3 50 12.5 0\n";
    // the .dwo: header, then the centre, the axis (1 0 0) and the twelve end forces
    std::ofstream(dir / "m.dwo") << "header\n 100.300   50.000    12.500 1.00 0.00 0.00 0 0 " << -p
                                 << " 0 " << p * w / 2 << " 0 0 0 " << p << " 0 " << p * w / 2
                                 << " 0\n";
    loaded_set s(dir / "m");
    report_data r;
    std::string why;
    ASSERT_TRUE(build_report(s.model, s.ds, fc, r, why)) << why;
    ASSERT_EQ(r.dowels.size(), 1u);
    const double ei = e * 0.04909 * d * d * d * d, beta = std::pow(k / (4 * ei), 0.25);
    ASSERT_GT(beta * (len - w) / 2, 5.0); // long enough to be semi-infinite
    EXPECT_NEAR(r.dowels[0].bearing, beta * p * (2 + beta * w), 2e-3 * beta * p * 2);
    const double d_in = d / 2.54, allowable = (4 - d_in) * fc / 3;
    EXPECT_NEAR(r.dowels[0].diameter_in, d_in, 1e-5);
    EXPECT_NEAR(r.dowels[0].allowable, allowable, 1e-3);
    EXPECT_NEAR(r.dowels[0].ratio, r.dowels[0].bearing / allowable, 1e-5);
    EXPECT_EQ(r.most_loaded_dowel, 0);
    fs::remove_all(dir);
}

TEST(Report, EnvelopeOfTwoHandMadeSets)
{
    FEMg3D a, b;
    for (FEMg3D *m : {&a, &b}) {
        m->n_nodes = 2;
        m->nodes.assign(3, t_node{});
    }
    a.nodes[0].stress[0] = 5, a.nodes[1].stress[0] = -1, a.nodes[0].principal[2] = 7;
    b.nodes[0].stress[0] = 3, b.nodes[1].stress[0] = 4, b.nodes[0].principal[2] = 9;
    envelope_data env;
    add_to_envelope(env, a, 0);
    add_to_envelope(env, b, 1);
    EXPECT_EQ(env.max[0], 5.0f); // node 0, Sx
    EXPECT_EQ(env.min[0], 3.0f);
    EXPECT_EQ(env.max[16 + 0], 4.0f); // node 1, Sx
    EXPECT_EQ(env.min[16 + 0], -1.0f);
    EXPECT_EQ(env.max_case[0], 0); // case 0 governs Sx at node 0
    EXPECT_EQ(env.max_case[16], 1);
    EXPECT_EQ(env.max[14], 9.0f); // S3
    EXPECT_EQ(env.max_case[14], 1);
    EXPECT_EQ(mesh_difference(a, b), "");
    b.nodes[1].coord[0] = 10;
    EXPECT_EQ(mesh_difference(a, b), "node 1 lies elsewhere");
    b.n_nodes = 1;
    EXPECT_NE(mesh_difference(a, b).find("1 nodes"), std::string::npos);
}

TEST(Report, SetsWithoutSlabOrJointAreRefusedAndFilesAreWholeOrNone)
{
    const fs::path dir = scratch("refuse");
    // a single brick: a slab, but no joint
    std::ofstream(dir / "m.pin") << "8 1 1 0 24\n1000 0.2 0 0 0 0 0 0 0 0 0 0\n"
                                 << "0 0 0 0 0 0\n1 0 0 0 0 0\n1 1 0 0 0 0\n0 1 0 0 0 0\n"
                                 << "0 0 1 0 0 0\n1 0 1 0 0 0\n1 1 1 0 0 0\n0 1 1 0 0 0\n"
                                 << "0 1 2 3 4 5 6 7 0\n0\n";
    loaded_set s(dir / "m");
    report_data r;
    std::string why;
    EXPECT_FALSE(build_report(s.model, s.ds, 0, r, why));
    EXPECT_NE(why.find("no joint element"), std::string::npos) << why;
    // the material made a joint kind: no slab
    s.model.materials[0].value[11] = 1;
    EXPECT_FALSE(build_report(s.model, s.ds, 0, r, why));
    EXPECT_NE(why.find("no slab"), std::string::npos) << why;
    // the writers: three formats, anything else refused, nothing left behind
    report_data any;
    for (const char *name : {"r.md", "r.html", "r.csv"}) {
        EXPECT_TRUE(write_report(any, {}, "", (dir / name).string(), why)) << name << why;
        EXPECT_NE(read_text(dir / name).find("max_tension_slab_bottom"), std::string::npos);
    }
    EXPECT_FALSE(write_report(any, {}, "", (dir / "r.txt").string(), why));
    EXPECT_FALSE(fs::exists(dir / "r.txt"));
    EXPECT_FALSE(write_report(any, {}, "", (dir / "no" / "r.md").string(), why));
    // the case table names the governing case of each column
    const std::vector<envelope_case> cases = {{"c0", 1, 2, -3, 4, 5}, {"c1", 6, 1, -1, 1, 9}};
    ASSERT_TRUE(write_report(any, cases, "", (dir / "cases.csv").string(), why));
    const std::string text = read_text(dir / "cases.csv");
    EXPECT_NE(text.find("governing case,c1,c0,c0,c0,c1"), std::string::npos) << text;
    fs::remove_all(dir);
}
