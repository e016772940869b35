// Line plots as SVG files: the report's and the design checks' figures, readable in a browser
// and in Markdown viewers, with no plotting library.
#include "svg_plot.h"

#include "atomic_output.h"
#include "tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

const char *const colours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                               "#9467bd", "#8c564b", "#e377c2", "#17becf"};

// A step of 1, 2 or 5 times a power of ten giving about five intervals over [lo, hi].
double nice_step(double lo, double hi)
{
    const double raw = (hi - lo) / 5.0;
    if (!(raw > 0.0)) return 1.0;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / p;
    return (m < 1.5 ? 1.0 : m < 3.5 ? 2.0 : m < 7.5 ? 5.0 : 10.0) * p;
}

std::string number(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%g", std::fabs(v) < 1e-12 ? 0.0 : v);
    return b;
}

} // namespace

std::string svg_text(const svg_plot &p)
{
    const double left = 78, right = 20, top = 36, bottom = 58;
    const double legend_rows = static_cast<double>(p.series.size());
    const double plot_w = p.width - left - right;
    const double plot_h = p.height - top - bottom - 16.0 * legend_rows;
    double xlo = 1e300, xhi = -1e300, ylo = 1e300, yhi = -1e300;
    auto ty = [&p](double y) { return p.log_y ? std::log10(y) : y; };
    for (const svg_series &s : p.series)
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i]) || (p.log_y && !(s.y[i] > 0)))
                continue;
            xlo = std::min(xlo, s.x[i]);
            xhi = std::max(xhi, s.x[i]);
            ylo = std::min(ylo, ty(s.y[i]));
            yhi = std::max(yhi, ty(s.y[i]));
        }
    if (xlo > xhi) xlo = 0, xhi = 1;
    if (ylo > yhi) ylo = 0, yhi = 1;
    if (xhi == xlo) xlo -= 0.5, xhi += 0.5;
    if (yhi == ylo) ylo -= 0.5 * (std::fabs(ylo) + 1), yhi += 0.5 * (std::fabs(yhi) + 1);
    const double xs = nice_step(xlo, xhi), ys = p.log_y ? 1.0 : nice_step(ylo, yhi);
    xlo = std::floor(xlo / xs) * xs;
    xhi = std::ceil(xhi / xs) * xs;
    ylo = std::floor(ylo / ys) * ys;
    yhi = std::ceil(yhi / ys) * ys;
    auto px = [&](double x) { return left + (x - xlo) / (xhi - xlo) * plot_w; };
    auto py = [&](double y) { return top + (yhi - ty(y)) / (yhi - ylo) * plot_h; };
    auto pty = [&](double t) { return top + (yhi - t) / (yhi - ylo) * plot_h; };

    std::string o;
    append_format(o,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                  "viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" font-size=\"12\">\n"
                  "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                  p.width, p.height, p.width, p.height);
    append_format(o, "<text x=\"%g\" y=\"20\" text-anchor=\"middle\" font-size=\"14\">%s</text>\n",
                  p.width / 2.0, html_escape(p.title).c_str());
    // grid and ticks
    for (double x = xlo; x <= xhi + 1e-9 * xs; x += xs) {
        append_format(o,
                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>\n"
                      "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n",
                      px(x), top, px(x), top + plot_h, px(x), top + plot_h + 15, number(x).c_str());
    }
    for (double t = ylo; t <= yhi + 1e-9 * ys; t += ys) {
        const std::string label = p.log_y ? "1e" + number(t) : number(t);
        append_format(o,
                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>\n"
                      "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n",
                      left, pty(t), left + plot_w, pty(t), left - 5, pty(t) + 4, label.c_str());
    }
    append_format(o,
                  "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
                  "stroke=\"black\"/>\n"
                  "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n"
                  "<text transform=\"translate(16,%.1f) rotate(-90)\" "
                  "text-anchor=\"middle\">%s</text>\n",
                  left, top, plot_w, plot_h, left + plot_w / 2, top + plot_h + 34,
                  html_escape(p.x_label).c_str(), top + plot_h / 2, html_escape(p.y_label).c_str());
    for (std::size_t k = 0; k < p.series.size(); ++k) {
        const svg_series &s = p.series[k];
        const char *colour = colours[k % (sizeof colours / sizeof colours[0])];
        std::string points;
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i]) || (p.log_y && !(s.y[i] > 0)))
                continue;
            append_format(points, "%.1f,%.1f ", px(s.x[i]), py(s.y[i]));
            if (s.markers) {
                append_format(o, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3\" fill=\"%s\"/>\n",
                              px(s.x[i]), py(s.y[i]), colour);
            }
        }
        append_format(
            o, "<polyline points=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\"%s/>\n",
            points.c_str(), colour, s.dashed ? " stroke-dasharray=\"6,4\"" : "");
        const double ly = top + plot_h + 50 + 16.0 * static_cast<double>(k);
        append_format(o,
                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
                      "stroke-width=\"2\"%s/>\n<text x=\"%.1f\" y=\"%.1f\">%s</text>\n",
                      left, ly - 4, left + 30, ly - 4, colour,
                      s.dashed ? " stroke-dasharray=\"6,4\"" : "", left + 36, ly,
                      html_escape(s.name).c_str());
    }
    o += "</svg>\n";
    return o;
}

bool write_svg_plot(const svg_plot &p, const std::string &path)
{
    const std::string text = svg_text(p);
    atomic_file out;
    if (!out.open(path)) return false;
    if (std::fwrite(text.data(), 1, text.size(), out.stream()) != text.size()) return false;
    return out.commit();
}
