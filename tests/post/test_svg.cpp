// The report's SVG plots as a browser meets them: well-formed XML whatever the number of points
// and the length of the labels, with every point drawn.
#include "svg_plot.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace test_support;

// A joint of a long pavement has hundreds of stations: the polyline must hold them all.
TEST(SvgPlot, ManyPointsAndLongLabelsStayWellFormed)
{
    const struct {
        int points;
        std::size_t label;
    } rows[] = {{3, 10}, {60, 10}, {400, 10}, {5, 900}};
    for (const auto &row : rows) {
        svg_plot p;
        p.title = std::string(row.label, 'T') + " & <deflection>";
        p.x_label = "along (m)";
        p.y_label = "w (mm)";
        svg_series s{std::string(row.label, 'S'), {}, {}, false, true};
        for (int i = 0; i < row.points; ++i) {
            s.x.push_back(0.01 * i);
            s.y.push_back(-0.123456 * std::sin(0.1 * i));
        }
        p.series.push_back(s);
        scratch_dir dir("svg_plot");
        const std::string file = dir.file("p.svg");
        ASSERT_TRUE(write_svg_plot(p, file));
        const std::string text = read_text(file);
        // every point in the polyline: as many "x,y" pairs as points
        const std::size_t at = text.find("<polyline points=\"");
        ASSERT_NE(at, std::string::npos);
        const std::size_t end = text.find('"', at + 18);
        ASSERT_NE(end, std::string::npos);
        const std::string pts = text.substr(at + 18, end - at - 18);
        int pairs = 0;
        for (char c : pts) pairs += c == ',' ? 1 : 0;
        EXPECT_EQ(pairs, row.points) << row.points << " points";
        EXPECT_EQ(text.substr(text.size() - 7), "</svg>\n");
        // an XML parser agrees
        const run_result r = run_command("xmllint --noout p.svg", dir.path());
        EXPECT_EQ(r.status, 0) << row.points << " points: " << r.err;
    }
}
