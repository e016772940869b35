// Line plots as SVG files: the report's and the design checks' figures, readable in a browser
// and in Markdown viewers, with no plotting library.
#pragma once

#include <string>
#include <vector>

struct svg_series {
    std::string name;
    std::vector<double> x, y;
    bool dashed = false;
    bool markers = false; // a dot at each point
};

struct svg_plot {
    std::string title, x_label, y_label;
    std::vector<svg_series> series;
    bool log_y = false; // a logarithmic y axis (values <= 0 are left out)
    int width = 760, height = 440;
};

// The plot as SVG text.
std::string svg_text(const svg_plot &p);

// Writes the plot under a temporary name renamed when complete; false when it cannot.
bool write_svg_plot(const svg_plot &p, const std::string &path);
