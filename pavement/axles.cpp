// Axle groups: the tyres of the single, single-dual, tandem and tridem templates, their
// footprints from load and tyre pressure, and their place from the group's reference point.
#include "axles.h"
#include "unit_factors.h"

#include <algorithm>
#include <cmath>

namespace
{
struct axle_template {
    const char *name;
    int axles;
    bool dual;
};
const axle_template templates[] = {
    {"single", 1, false},
    {"single-dual", 1, true},
    {"tandem", 2, true},
    {"tridem", 3, true},
};

const axle_template *find_template(const std::string &axle)
{
    for (const axle_template &t : templates)
        if (axle == t.name) return &t;
    return nullptr;
}
} // namespace

int template_tyres(const std::string &axle)
{
    const axle_template *t = find_template(axle);
    return t ? t->axles * (t->dual ? 4 : 2) : 0;
}

std::vector<wheel> template_wheels(const std::string &axle, double load, double pressure,
                                   const double position[2])
{
    std::vector<wheel> w;
    const axle_template *t = find_template(axle);
    if (!t || !(pressure > 0)) return w;
    const int tyres = template_tyres(axle);
    const double per_tyre = load / tyres, area = contact_area(per_tyre, pressure);
    const double l = std::sqrt(area / 0.5227), width = 0.6 * l, length = area / width;
    // tyre centres relative to the first axle's first wheel set, then shifted to the corner
    std::vector<double> ys;
    for (const double side : {0.0, axle_track}) {
        if (t->dual) {
            ys.push_back(side - dual_spacing / 2);
            ys.push_back(side + dual_spacing / 2);
        } else {
            ys.push_back(side);
        }
    }
    for (int a = 0; a < t->axles; ++a)
        for (double y : ys) w.push_back({-a * axle_spacing, y, length, width, per_tyre});
    double xmax = -1e300, ymin = 1e300;
    for (const wheel &tw : w) {
        xmax = std::max(xmax, tw.x + tw.length / 2);
        ymin = std::min(ymin, tw.y - tw.width / 2);
    }
    for (wheel &tw : w) {
        tw.x += position[0] - xmax;
        tw.y += position[1] - ymin;
    }
    return w;
}
