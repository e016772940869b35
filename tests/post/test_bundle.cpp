// The slab faces and the report bundle on a result set made by hand: two slab materials side by
// side over a base numbered 0, stresses chosen so that each face's critical slab is known; the
// bundle's pictures show those slabs, and a failing part leaves nothing behind.
#include "report.h"
#include "report_bundle.h"
#include "result_set.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

using namespace test_support;
namespace fs = std::filesystem;

namespace
{

// Nodes on x {0, 100, 200} cm, y {0, 100}, z {0, -25, -40}: slab material 1 on x 0..100 and
// slab material 2 on x 100..200 (z 0..-25), the base (material 0) under both. The per-material
// nodal Sx: 100 in the base everywhere (it is no slab), at the slab top 20 (material 1) and 5
// (material 2), at the slab bottom 10 (material 1) and 30 (material 2); Sy -1, Sxy 2.
result_set two_slabs_on_a_base()
{
    result_set rs;
    rs.units = file_units::kgf_cm;
    const double xs[3] = {0, 100, 200}, ys[2] = {0, 100}, zs[3] = {0, -25, -40};
    auto node = [](int i, int j, int k) { return 6 * k + 3 * j + i; };
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 3; ++i) rs.coords.insert(rs.coords.end(), {xs[i], ys[j], zs[k]});
    rs.np = 18;
    rs.nm = 3;
    rs.mats.assign(36, 0.0);
    for (int m = 0; m < 3; ++m) {
        rs.mats[12 * m] = m == 0 ? 3000.0 : 300000.0;
        rs.mats[12 * m + 1] = 0.2;
    }
    // elements: (column i, layer k) with material 1 + i in the slab (k 0), 0 in the base (k 1)
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 2; ++i) {
            const int bottom = k + 1, top = k;
            rs.conn.insert(rs.conn.end(),
                           {node(i, 0, bottom), node(i + 1, 0, bottom), node(i + 1, 1, bottom),
                            node(i, 1, bottom), node(i, 0, top), node(i + 1, 0, top),
                            node(i + 1, 1, top), node(i, 1, top), k == 0 ? 1 + i : 0});
        }
    rs.ne = 4;
    rs.disp.assign(3 * rs.np, 0.0);
    for (int n = 0; n < rs.np; ++n) rs.disp[3 * n + 2] = -0.01;
    rs.strain.assign(6 * rs.np, 0.0);
    rs.stress.assign(6 * rs.np, 0.0);
    rs.has_material_stresses = true;
    material_stress_table &t = rs.mst;
    t.start.push_back(0);
    for (int n = 0; n < rs.np; ++n) {
        std::vector<int> mats;
        for (int e = 0; e < rs.ne; ++e)
            for (int a = 0; a < 8; ++a)
                if (rs.conn[9 * e + a] == n) mats.push_back(rs.conn[9 * e + 8]);
        std::sort(mats.begin(), mats.end());
        const double z = rs.coords[3 * n + 2];
        for (std::size_t a = 0; a < mats.size(); ++a) {
            if (a > 0 && mats[a] == mats[a - 1]) continue;
            const int m = mats[a];
            const int count = static_cast<int>(std::count(mats.begin(), mats.end(), m));
            double sx = 100.0;
            if (m == 1) sx = z == 0 ? 20.0 : 10.0;
            if (m == 2) sx = z == 0 ? 5.0 : 30.0;
            t.material.push_back(m);
            t.count.push_back(count);
            t.strain.insert(t.strain.end(), 6, 0.0);
            t.stress.insert(t.stress.end(), {sx, -1.0, 0.0, 0.0, 0.0, 2.0});
        }
        t.start.push_back(static_cast<std::int64_t>(t.material.size()));
    }
    return rs;
}

// The largest in-plane principal stress over triplets (Sx, Sy, Sxy), written here.
double largest(const std::vector<double> &f)
{
    double best = -1e300;
    for (std::size_t k = 0; k + 2 < f.size(); k += 3) {
        const double c = 0.5 * (f[k] + f[k + 1]), r = 0.5 * (f[k] - f[k + 1]);
        best = std::max(best, c + std::sqrt(r * r + f[k + 2] * f[k + 2]));
    }
    return best;
}

} // namespace

// The slab's faces are its own materials' rows (1 and 2), never the base's, whatever its number:
// the bottom's largest tension is material 2's 30 with Sy -1 and Sxy 2 (hand: 14.5 + sqrt(15.5^2
// + 4) = 30.1285), the top's material 1's 20 (9.5 + sqrt(10.5^2 + 4) = 20.1888).
TEST(SlabFaces, AreTheSlabMaterialsOwnRowsAndTheirCriticalSlab)
{
    const result_set rs = two_slabs_on_a_base();
    const std::vector<double> bottom = slab_face_stresses(rs, false);
    const std::vector<double> top = slab_face_stresses(rs, true);
    ASSERT_EQ(bottom.size(), 3u * 8); // 6 nodes, the two in the middle in both slabs
    ASSERT_EQ(top.size(), 3u * 8);
    EXPECT_NEAR(largest(bottom), 14.5 + std::sqrt(15.5 * 15.5 + 4), 1e-12);
    EXPECT_NEAR(largest(top), 9.5 + std::sqrt(10.5 * 10.5 + 4), 1e-12);
    EXPECT_NEAR(in_plane_principal(30, -1, 2), 14.5 + std::sqrt(15.5 * 15.5 + 4), 1e-12);

    report_settings s;
    s.si = false;
    report_data r;
    std::string why;
    ASSERT_TRUE(build_report(rs, s, r, why)) << why;
    EXPECT_EQ(critical_slab_material(r, false), 2);
    EXPECT_EQ(critical_slab_material(r, true), 1);
    EXPECT_NEAR(r.max_tension_bottom(), 14.5 + std::sqrt(15.5 * 15.5 + 4), 1e-9);
}

// The bundle asks for S3 of the critical slab at each face, names the figures relative to the
// reports, and removes everything when a part fails.
TEST(ReportBundle, DrawsTheCriticalSlabsAndLeavesNothingWhenAPartFails)
{
    const result_set rs = two_slabs_on_a_base();
    report_settings s;
    s.si = false;
    report_data r;
    std::string why;
    ASSERT_TRUE(build_report(rs, s, r, why)) << why;
    scratch_dir dir("bundle");
    const struct {
        const char *name;
        bool fail_top_picture;
        bool report_in_missing_folder;
    } cases[] = {{"whole", false, false},
                 {"a picture fails", true, false},
                 {"a report cannot be written", false, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        for (const auto &e : fs::directory_iterator(dir.path())) fs::remove_all(e.path(), ec);
        report_bundle b;
        b.figure_stem = (dir.path() / "set").string();
        const std::string html = (dir.path() / "set_report.html").string();
        const std::string csv = c.report_in_missing_folder
                                    ? (dir.path() / "missing" / "set_report.csv").string()
                                    : (dir.path() / "set_report.csv").string();
        b.reports = {html, csv};
        b.top_picture = true;
        std::vector<std::pair<int, bool>> drawn; // material, top
        const bool ok = write_report_bundle(
            r, {}, b,
            [&](const slab_picture &p) {
                drawn.push_back({p.material, p.top});
                if (p.top && c.fail_top_picture) return false;
                write_text(p.file, "picture");
                return true;
            },
            why);
        const bool whole = !c.fail_top_picture && !c.report_in_missing_folder;
        EXPECT_EQ(ok, whole) << why;
        ASSERT_GE(drawn.size(), 2u);
        EXPECT_EQ(drawn[0], std::make_pair(2, false));
        EXPECT_EQ(drawn[1], std::make_pair(1, true));
        std::size_t files = 0;
        for (const auto &e : fs::directory_iterator(dir.path())) files += e.is_regular_file();
        if (whole) {
            EXPECT_EQ(b.figures.s3_picture, "set_S3.png");
            EXPECT_EQ(b.figures.s3_top_picture, "set_S3_top.png");
            EXPECT_EQ(files, 4u); // two pictures, two reports (no joints: no joint plot)
            EXPECT_NE(read_text(html).find("set_S3_top.png"), std::string::npos);
        } else {
            EXPECT_EQ(files, 0u) << "left behind after: " << c.name;
        }
    }
}
