// Tests of the numerical and dowel listings and the field conversions shared by the forms and the
// batch command.
#include "field_text.h"
#include "listing.h"
#include "test_support.h"
#include "test_util.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

t_node node_at(float x, float y, float z)
{
    t_node n{};
    n.coord[0] = x;
    n.coord[1] = y;
    n.coord[2] = z;
    return n;
}

// A 3 x 2 x 2 grid (x 0, 10, 20; y 0, 5; z 0, -10), listed in a scrambled order; disp[0]
// carries the node's number so the tests can follow records.
std::vector<t_node> grid_nodes()
{
    const float xs[3] = {0, 10, 20}, ys[2] = {0, 5}, zs[2] = {0, -10};
    const int order[12] = {7, 2, 11, 0, 5, 9, 3, 10, 1, 6, 8, 4};
    std::vector<t_node> nodes;
    for (int k : order) {
        t_node n = node_at(xs[k % 3], ys[(k / 3) % 2], zs[k / 6]);
        n.disp[0] = static_cast<float>(k);
        nodes.push_back(n);
    }
    return nodes;
}

std::vector<int> labels(const std::vector<t_node> &rows)
{
    std::vector<int> out;
    for (const t_node &r : rows) out.push_back(static_cast<int>(r.disp[0]));
    return out;
}

listing_settings read(const listing_fields &f, float length_factor,
                      listing_settings s = listing_settings{})
{
    read_listing_fields(s, f, length_factor);
    return s;
}

} // namespace

TEST(FieldText, NumbersAndConversionMessages)
{
    EXPECT_DOUBLE_EQ(field_float("  -1.5e2 "), -150.0);
    EXPECT_DOUBLE_EQ(field_float("+.25"), 0.25);
    EXPECT_DOUBLE_EQ(field_float("3."), 3.0);
    EXPECT_EQ(field_int("   1"), 1);
    EXPECT_EQ(field_int("-2"), -2);
    for (const char *bad : {"abc", "", "1,5", "1e", "0x10", "inf", "nan", ".", "1.0.0", "1e40"}) {
        try {
            field_float(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const field_error &e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid floating point value");
        }
    }
    for (const char *bad : {"1.5", "x", "", "99999999999", "2 3"}) {
        try {
            field_int(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const field_error &e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(Listing, InitialFieldsListTheZeroPlaneSortedZYX)
{
    const std::vector<t_node> nodes = grid_nodes();
    const listing_settings s = read(listing_fields{}, 1.0f);
    std::vector<t_node> rows;
    const auto lines = numerical_listing(s, nodes.data(), 12, 1.0f, 1.0f, &rows);
    // z = 0 nodes are 0..5; sorted by z, then y, then x: 0, 1, 2 (y 0), 3, 4, 5 (y 5).
    EXPECT_EQ(labels(rows), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(lines.size(), 7u);
    // kgf-cm display (factors 1): the header names cm and kg/cm2, each of the SI one's width
    const std::string header = std::string("  xx(cm) ") + "  yy(cm) " + "  zz(cm) " +
                               "  Ux(cm)    " + "   Uy(cm)   " + "   Uz(cm)   " + "  Sx(kg/cm2)" +
                               "  Sy(kg/cm2)" + "  Sz(kg/cm2)" + " Syz(kg/cm2)" + " Sxz(kg/cm2)" +
                               " Sxy(kg/cm2)" + "    Ex      " + "    Ey      " + "    Ez      " +
                               "    Eyz     " + "    Exz     " + "    Exy     " + "  S1(kg/cm2)" +
                               "  S2(kg/cm2)" + "  S3(kg/cm2)" + "    FI      ";
    EXPECT_EQ(lines[0], header);
    // 19 columns: 3 + 6 + 6 values of 12 characters, 3 principal of 36, FI of 12.
    EXPECT_EQ(lines[1].size(), 3u * 9 + 15 * 12 + 3 * 36 + 12);
}

TEST(Listing, NonOnEveryAxisListsAllNodes)
{
    listing_fields f;
    f.select[2] = "Non";
    const std::vector<t_node> nodes = grid_nodes();
    std::vector<t_node> rows;
    numerical_listing(read(f, 1.0f), nodes.data(), 12, 1.0f, 1.0f, &rows);
    // z -10 first, then z 0; within, y then x.
    EXPECT_EQ(labels(rows), (std::vector<int>{6, 7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5}));
}

TEST(Listing, LineSelectionIgnoresPlaneFieldsAndNeedsExactZ)
{
    std::vector<t_node> nodes = {node_at(0, 10, 0),         node_at(10, 15, 0),
                                 node_at(20, 20.00005f, 0), node_at(10, 15.5f, 0),
                                 node_at(10, 15, 1e-6f),    node_at(4, 12, 0)};
    for (int i = 0; i < 6; ++i) nodes[i].disp[0] = static_cast<float>(i);
    listing_fields f;
    f.select[0] = "3"; // the plane fields of x and y are overridden by the line
    f.select[1] = "7";
    f.line_a = "0.5";
    f.line_b = "10";
    const listing_settings s = read(f, 1.0f);
    EXPECT_TRUE(s.line_mode);
    EXPECT_FALSE(s.select_on[0]);
    EXPECT_FALSE(s.select_on[1]);
    EXPECT_FLOAT_EQ(s.select_value[0], 0.5f);
    EXPECT_FLOAT_EQ(s.select_value[1], 10.0f);
    std::vector<t_node> rows;
    numerical_listing(s, nodes.data(), 6, 1.0f, 1.0f, &rows);
    // y = 0.5 x + 10 within 0.0001 at z exactly 0: nodes 0, 1, 2, 5 sorted by x.
    EXPECT_EQ(labels(rows), (std::vector<int>{0, 5, 1, 2}));

    // A = 0 or "Non" turns the line off; B is then not read at all.
    f.line_a = "0";
    f.line_b = "junk";
    EXPECT_FALSE(read(f, 1.0f).line_mode);
    f.line_a = "Non";
    EXPECT_FALSE(read(f, 1.0f).line_mode);
}

TEST(Listing, KeysAllZeroGiveSlotZeroToZ)
{
    listing_fields f;
    f.key[0] = f.key[1] = f.key[2] = "0";
    listing_settings previous;
    previous.key_slot[0] = 0;
    previous.key_slot[1] = 1;
    previous.key_slot[2] = 2;
    const listing_settings s = read(f, 1.0f, previous);
    EXPECT_EQ(s.key_slot[0], 2); // z named slot 0 last
    EXPECT_EQ(s.key_slot[1], 1); // unnamed slots keep their axes
    EXPECT_EQ(s.key_slot[2], 2);
    // Out-of-range keys are clamped: X 7 -> slot 2, Y -3 -> slot 0.
    f.key[0] = "7";
    f.key[1] = "-3";
    f.key[2] = "1";
    const listing_settings c = read(f, 1.0f);
    EXPECT_EQ(c.key_slot[0], 1);
    EXPECT_EQ(c.key_slot[1], 2);
    EXPECT_EQ(c.key_slot[2], 0);
}

TEST(Listing, ToleranceAndUnitsOfTheFields)
{
    listing_fields f;
    f.range = "";
    EXPECT_FLOAT_EQ(read(f, 1.0f).tolerance, 0.01f);
    EXPECT_FLOAT_EQ(read(f, 0.01f).tolerance, 0.01f);
    f.range = "0.0001";
    EXPECT_NEAR(read(f, 0.01f).tolerance, 0.01f, 1e-8f); // 0.0001 m is 0.01 cm
    f.select[0] = "0.25";
    EXPECT_NEAR(read(f, 0.01f).select_value[0], 25.0f, 1e-5f); // 0.25 m is 25 cm
    f.select[0] = "2e10";                                      // beyond 1e10: plane at 0
    const listing_settings big = read(f, 1.0f);
    EXPECT_TRUE(big.select_on[0]);
    EXPECT_EQ(big.select_value[0], 0.0f);
}

TEST(Listing, NonNumericFieldStopsKeepingEarlierSettings)
{
    listing_fields f;
    f.key[0] = "0";
    f.key[1] = "1";
    f.key[2] = "2";
    f.select[0] = "5";
    f.select[1] = "abc";
    listing_settings s;
    try {
        read_listing_fields(s, f, 1.0f);
        FAIL() << "no conversion error";
    } catch (const field_error &e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
    EXPECT_EQ(s.key_slot[0], 0); // keys were read before
    EXPECT_EQ(s.key_slot[2], 2);
    EXPECT_TRUE(s.select_on[0]);
    EXPECT_FLOAT_EQ(s.select_value[0], 5.0f);
    EXPECT_FALSE(s.select_on[1]); // untouched
    EXPECT_FLOAT_EQ(s.tolerance, 0.0001f);

    listing_fields k;
    k.key[1] = "1.0";
    listing_settings t;
    EXPECT_THROW(read_listing_fields(t, k, 1.0f), field_error);
}

TEST(Listing, SiAndKgfCmLineFormats)
{
    t_node n = node_at(100, 50, -20);
    n.disp[0] = 0.5f;
    n.stress[0] = 10.0f;
    n.strain[0] = 1e-4f;
    n.principal[2] = -10.0f;
    n.direction[2] = 1.0f; // principal 2 along x
    n.fi = 2.5f;
    listing_settings s;
    for (bool &on : s.column_on) on = false;
    s.column_on[0] = s.column_on[3] = s.column_on[9] = s.column_on[17] = s.column_on[18] = true;
    EXPECT_EQ(listing_header(s), "  xx(m)    yy(m)    zz(m)    Ux(m)       Sx(MPa)       Ex      "
                                 "  S3(MPa)       FI      ");
    EXPECT_EQ(listing_line(s, n, 1.0f, 1.0f), "100.0000  50.0000 -20.0000  5.0000e-01  1.0000e+01 "
                                              " 1.0000e-04 -1.0000e+01  1.0000  0.0000  0.0000 "
                                              " 2.5000e+00 ");
    // SI: lengths in m, stresses in MPa (x 0.098), strains and FI unscaled.
    EXPECT_EQ(listing_line(s, n, 0.01f, 0.098f), "  1.0000   0.5000  -0.2000  5.0000e-03 "
                                                 " 9.8000e-01  1.0000e-04 -9.8000e-01  1.0000 "
                                                 " 0.0000  0.0000  2.5000e+00 ");
}

// The header names the units the values are shown in: m and MPa in SI display, cm and kgf/cm2
// in kgf-cm display (where values in cm stood under "(m)"), every header of the same width.
TEST(Listing, HeaderCarriesTheUnitsShown)
{
    listing_settings s;
    for (bool &on : s.column_on) on = true;
    const t_node n = node_at(100, 50, 0);
    const std::vector<std::string> si = numerical_listing(s, &n, 1, 0.01f, 0.098f);
    const std::vector<std::string> kgf = numerical_listing(s, &n, 1, 1.0f, 1.0f);
    ASSERT_EQ(si.size(), 2u);
    ASSERT_EQ(kgf.size(), 2u);
    EXPECT_EQ(si[0], listing_header(s));
    EXPECT_NE(si[0].find("Sx(MPa)"), std::string::npos);
    EXPECT_EQ(kgf[0].find("(m)"), std::string::npos) << kgf[0];
    EXPECT_EQ(kgf[0].find("MPa"), std::string::npos) << kgf[0];
    EXPECT_NE(kgf[0].find("xx(cm)"), std::string::npos);
    EXPECT_NE(kgf[0].find("Uz(cm)"), std::string::npos);
    EXPECT_NE(kgf[0].find("Sy(kg/cm2)"), std::string::npos);
    EXPECT_EQ(kgf[0].size(), si[0].size());
}

TEST(Listing, UntickingAllLeavesCoordinatesOnly)
{
    listing_settings s;
    toggle_all_columns(s);
    EXPECT_FALSE(s.all_columns);
    for (bool on : s.column_on) EXPECT_FALSE(on);
    EXPECT_EQ(listing_header(s), "  xx(m)    yy(m)    zz(m)  ");
    EXPECT_EQ(listing_line(s, node_at(1, 2, 3), 1.0f, 1.0f), "  1.0000   2.0000   3.0000 ");
    toggle_all_columns(s);
    for (bool on : s.column_on) EXPECT_TRUE(on);
}

TEST(Listing, NoAcceptedNodeGivesNoLines)
{
    const std::vector<t_node> nodes = grid_nodes();
    listing_fields f;
    f.select[2] = "7";
    std::vector<t_node> rows(3);
    EXPECT_TRUE(numerical_listing(read(f, 1.0f), nodes.data(), 12, 1, 1, &rows).empty());
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(numerical_listing(listing_settings{}, nullptr, 0, 1, 1).empty());
}

TEST(ListingSort, KeysAreThousandthsTruncatedTowardZero)
{
    EXPECT_EQ(listing_key(0.0004f), 0);
    EXPECT_EQ(listing_key(-0.0005f), 0);
    EXPECT_EQ(listing_key(-0.0015f), -1);
    EXPECT_EQ(listing_key(12.5f), 12500);
    listing_settings s;
    // 0.0002 and 0.0009 rank equal on every axis.
    EXPECT_FALSE(listing_before(s, node_at(0.0002f, 0, 0), node_at(0.0009f, 0, 0)));
    EXPECT_FALSE(listing_before(s, node_at(0.0009f, 0, 0), node_at(0.0002f, 0, 0)));
    EXPECT_TRUE(listing_before(s, node_at(0.0009f, 0, 0), node_at(0.0011f, 0, 0)));
}

TEST(ListingSort, EqualKeysEndInThePartitionOrder)
{
    // Three equal records A B C: the pivot is B; A and C stop both scans and are swapped,
    // the scans meet on B, and nothing is left to sort: C B A.
    std::vector<t_node> rows = {node_at(0, 0, 0), node_at(0, 0, 0), node_at(0, 0, 0)};
    for (int i = 0; i < 3; ++i) rows[i].disp[0] = static_cast<float>(i);
    listing_settings s;
    sort_listing_rows(s, rows.data(), 0, 2);
    EXPECT_EQ(labels(rows), (std::vector<int>{2, 1, 0}));

    // Records 0..3 with x = 2, 1, 1, 0 sorted by x; the pivot is record 1 (x 1). The scans stop
    // at 0 and 3: swap -> 3 1 2 0; then both stop at the equal pair 1, 2: swap -> 3 2 1 0 and
    // the scans cross. The parts 3 2 and 1 0 are already ordered.
    std::vector<t_node> r2 = {node_at(2, 0, 0), node_at(1, 0, 0), node_at(1, 0, 0),
                              node_at(0, 0, 0)};
    for (int i = 0; i < 4; ++i) r2[i].disp[0] = static_cast<float>(i);
    s.key_slot[0] = 0;
    sort_listing_rows(s, r2.data(), 0, 3);
    EXPECT_EQ(labels(r2), (std::vector<int>{3, 2, 1, 0}));
}

TEST(ListingSort, LargeSetIsOrderedAndAPermutation)
{
    std::vector<t_node> rows;
    unsigned seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const float x = static_cast<float>((seed >> 8) % 50) * 0.5f;
        const float y = static_cast<float>((seed >> 16) % 7);
        t_node n = node_at(x, y, i % 2 == 0 ? 0.0f : -1.0f);
        n.disp[0] = static_cast<float>(i);
        rows.push_back(n);
    }
    listing_settings s; // z, y, x
    sort_listing_rows(s, rows.data(), 0, static_cast<int>(rows.size()) - 1);
    for (std::size_t i = 1; i < rows.size(); ++i)
        ASSERT_FALSE(listing_before(s, rows[i], rows[i - 1])) << "at " << i;
    std::vector<bool> seen(rows.size(), false);
    for (const t_node &r : rows) seen[static_cast<std::size_t>(r.disp[0])] = true;
    for (bool b : seen) EXPECT_TRUE(b);
}

TEST(DowelListing, SeventyThreeLinesPerDowelWithDistancesInCm)
{
    std::vector<t_dowel> dowels(2);
    for (t_dowel &d : dowels) {
        d = t_dowel{};
        d.gap = 0.5f;
        d.length = 45.0f;
        d.step = (45.0f - 0.5f) / 2.0f / 35.0f; // Le / 35
    }
    dowels[0].centre[0] = 150.0f;
    dowels[0].centre[1] = 12.0f;
    dowels[0].centre[2] = -15.0f;
    dowels[0].shear[0] = 10.0f;
    dowels[0].bending[0] = -2.0f;
    dowels[0].reaction[0] = 0.5f;
    dowels[1].centre[1] = 42.0f;

    const auto kgf = dowel_listing(dowels.data(), 2, 1.0f, 1.0f);
    ASSERT_EQ(kgf.size(), 146u);
    EXPECT_EQ(kgf[0], "No.  0 x=  150.00 y=   12.00 z=  -15.00");
    EXPECT_EQ(kgf[1], "Lgt. Dis.     Shear          Bending          Bearing");
    EXPECT_EQ(kgf[2], "  -22.500     1.00000e+01   -2.00000e+00    5.00000e-01");
    EXPECT_EQ(kgf[2 + 35].substr(0, 9), "   -0.250"); // station 35 at the first joint face
    EXPECT_EQ(kgf[2 + 36].substr(0, 9), "    0.250"); // station 36 at the second joint face
    EXPECT_EQ(kgf[73], "No.  1 x=    0.00 y=   42.00 z=    0.00");

    // SI: the position in m and the stresses in MPa; the distances stay in cm.
    const auto si = dowel_listing(dowels.data(), 1, 0.01f, 0.098f);
    ASSERT_EQ(si.size(), 73u);
    EXPECT_EQ(si[0], "No.  0 x=    1.50 y=    0.12 z=   -0.15");
    EXPECT_EQ(si[2], "  -22.500     9.80000e-01   -1.96000e-01    4.90000e-02");
}

TEST(ListingFile, WritesCrLfLines)
{
    const test_support::scratch_dir scratch("listing_crlf");
    const std::string path = scratch.file("listing_crlf.xy");
    ASSERT_TRUE(write_listing_file(path, {"  xx(m)  ", "a b"}));
    const std::string text = test_support::read_text(path);
    EXPECT_EQ(text, "  xx(m)  \r\na b\r\n");
    std::remove(path.c_str());
    EXPECT_FALSE(write_listing_file("/nonexistent-dir/x.xy", {"a"}));
}
