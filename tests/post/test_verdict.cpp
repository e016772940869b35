// The report's first sentence: pass or fail of the governing slab tension against the modulus of
// rupture and of the largest dowel bearing against its allowable, judged by hand on set figures.
#include "report.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// A report with one slab material: its top and bottom tension and one dowel (kgf/cm2).
report_data figures(double top, double bottom, double mr, double bearing, double allowable)
{
    report_data r;
    r.settings.si = true;
    r.settings.mr = mr;
    r.slab_materials = {0};
    for (const bool at_top : {true, false}) {
        slab_extreme e;
        e.material = 0;
        e.top = at_top;
        e.node = 1;
        e.s3 = at_top ? top : bottom;
        e.xyz[0] = 450;
        e.xyz[1] = 10;
        e.xyz[2] = at_top ? 0 : -25;
        r.slab.push_back(e);
    }
    if (bearing > 0) {
        dowel_row d;
        d.dowel = 3;
        d.bearing = bearing;
        d.allowable = allowable;
        d.ratio = allowable > 0 ? bearing / allowable : 0;
        r.dowels.push_back(d);
        r.most_loaded_dowel = 0;
    }
    return r;
}

} // namespace

TEST(Verdict, GoverningFaceAndStrengths)
{
    const struct {
        double top, bottom, mr, bearing, allowable;
        const char *head, *face;
    } rows[] = {
        // 40 kgf/cm2 = 3.92 MPa at the top against MR 45.9 (4.5 MPa): 0.871, passes
        {40, 30, 45.9, 50, 100, "Verdict: PASSES:", "at the slab top"},
        // the bottom governs and exceeds MR
        {20, 50, 45.9, 50, 100, "Verdict: FAILS:", "at the slab bottom"},
        // the slab passes, the bearing exceeds its allowable
        {20, 30, 45.9, 150, 100, "Verdict: FAILS:", "at the slab bottom"},
        // no MR: the slab is not judged, the dowel is
        {20, 30, 0, 50, 100, "Verdict: PASSES what is judged:", "not judged"},
        // nothing to judge against
        {20, 30, 0, 50, 0, "Verdict: NOT JUDGED:", "no f'c given"},
    };
    for (const auto &row : rows) {
        const std::string v =
            verdict(figures(row.top, row.bottom, row.mr, row.bearing, row.allowable));
        EXPECT_EQ(v.rfind(row.head, 0), 0u) << v;
        EXPECT_NE(v.find(row.face), std::string::npos) << v;
    }
    // the ratio is the governing tension over MR: 40 / 45.9
    const std::string v = verdict(figures(40, 30, 45.9, 50, 100));
    EXPECT_NE(v.find("0.871 of the modulus of rupture 4.498 MPa"), std::string::npos) << v;
    EXPECT_NE(v.find("3.92 MPa at the slab top"), std::string::npos) << v;
    // one numbering with the viewer: its names beside the model file's numbers
    EXPECT_NE(v.find("material 0 (the viewer's No.1) at (4.500, 0.100, 0.000) m"),
              std::string::npos)
        << v;
}
