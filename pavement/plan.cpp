// The plan sketch: what the description places where, drawn to scale before any analysis (for
// pavement check --plan) and in the report with the critical point.
#include "plan.h"

#include "atomic_output.h"
#include "tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string plan_svg(const description &d, const plan_mark *mark)
{
    const double lx = d.total_length(), ly = d.total_width();
    const double margin = 40, legend = 70, width = 900;
    const double scale = (width - 2 * margin) / std::max(lx, 1e-9);
    const double height = 2 * margin + legend + ly * scale;
    // plan coordinates: x to the right, y upwards (origin at the lower left of the drawing)
    auto px = [&](double x) { return margin + x * scale; };
    auto py = [&](double y) { return margin + (ly - y) * scale; };
    std::string o;
    append_format(o,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
                  "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"12\">\n"
                  "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n"
                  "<text x=\"%.1f\" y=\"22\" font-size=\"14\">Plan: %s</text>\n",
                  width, height, width, height, margin,
                  html_escape(d.title.empty() ? d.file : d.title).c_str());
    // slabs
    double x0 = 0;
    for (std::size_t c = 0; c < d.lengths.size(); ++c) {
        double y0 = 0;
        for (std::size_t r = 0; r < d.widths.size(); ++r) {
            append_format(o,
                          "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" "
                          "fill=\"#e8e8e8\" stroke=\"black\"/>\n",
                          px(x0), py(y0 + d.widths[r]), d.lengths[c] * scale, d.widths[r] * scale);
            y0 += d.widths[r] + d.longitudinal.width;
        }
        x0 += d.lengths[c] + d.transverse.width;
    }
    // bars: dowels across the transverse joints, ties across the longitudinal ones
    auto bars = [&](const bar_set &b, bool transverse, const std::vector<double> &joints,
                    double joint_width) {
        if (!b.present) return;
        const std::vector<double> &along = transverse ? d.widths : d.lengths;
        const double gap = transverse ? d.longitudinal.width : d.transverse.width;
        const double first = b.first >= 0 ? b.first : b.spacing / 2;
        for (double j : joints) {
            double start = 0;
            for (double edge : along) {
                const int n = bars_along(edge, first, b.spacing);
                for (int i = 0; i < n; ++i) {
                    const double s = start + first + i * b.spacing, c = j + joint_width / 2;
                    const double h = b.length / 2;
                    if (transverse)
                        append_format(o,
                                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                                      "stroke=\"#1f4fb4\" stroke-width=\"2\"/>\n",
                                      px(c - h), py(s), px(c + h), py(s));
                    else
                        append_format(o,
                                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                                      "stroke=\"#2ca02c\" stroke-width=\"2\"/>\n",
                                      px(s), py(c - h), px(s), py(c + h));
                }
                start += edge + gap;
            }
        }
    };
    bars(d.transverse.bars, true, d.transverse_joints(), d.transverse.width);
    bars(d.longitudinal.bars, false, d.longitudinal_joints(), d.longitudinal.width);
    // tyres
    for (const load_group &g : d.loads)
        for (const wheel &w : g.wheels)
            append_format(o,
                          "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" "
                          "fill=\"#555\" fill-opacity=\"0.7\"/>\n",
                          px(w.x - w.length / 2), py(w.y + w.width / 2), w.length * scale,
                          w.width * scale);
    if (mark) {
        const double cx = px(mark->x), cy = py(mark->y);
        append_format(
            o,
            "<path d=\"M%.1f %.1fL%.1f %.1fM%.1f %.1fL%.1f %.1f\" stroke=\"#d62728\" "
            "stroke-width=\"3\"/>\n<text x=\"%.1f\" y=\"%.1f\" fill=\"#d62728\">%s</text>\n",
            cx - 8, cy - 8, cx + 8, cy + 8, cx - 8, cy + 8, cx + 8, cy - 8, cx + 10, cy - 10,
            html_escape(mark->label).c_str());
    }
    // axes and key
    const double base = py(0) + 24;
    append_format(o,
                  "<text x=\"%.1f\" y=\"%.1f\">x = 0</text><text x=\"%.1f\" y=\"%.1f\" "
                  "text-anchor=\"end\">x = %.3g m</text>\n",
                  px(0), base, px(lx), base, lx);
    append_format(o,
                  "<text x=\"%.1f\" y=\"%.1f\">slabs grey (y up, %.3g m wide in all); tyres dark; "
                  "dowels blue; ties green%s</text>\n",
                  margin, base + 22, ly, mark ? "; the critical point red" : "");
    o += "</svg>\n";
    return o;
}

bool write_plan(const description &d, const std::string &path, const plan_mark *mark)
{
    const std::string text = plan_svg(d, mark);
    atomic_file out;
    return out.open(path) &&
           std::fwrite(text.data(), 1, text.size(), out.stream()) == text.size() && out.commit();
}
