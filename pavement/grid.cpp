// Graded grid lines along one axis: fine within features (the wheels, the joints), growing
// geometrically away from them up to a background size, through every fixed line.
#include "grid.h"

#include <algorithm>
#include <cmath>

namespace
{

double wanted_size(double x, const std::vector<grid_feature> &features, double background,
                   double growth)
{
    double h = background;
    for (const grid_feature &f : features) {
        const double d = x < f.lo ? f.lo - x : x > f.hi ? x - f.hi : 0.0;
        h = std::min(h, f.size + (growth - 1.0) * d);
    }
    return h;
}

// Positions dividing [a, b] into n elements of equal integral of 1 / size.
std::vector<double> divide(double a, double b, int n, const std::vector<grid_feature> &features,
                           double background, double growth)
{
    const int samples = 400;
    std::vector<double> cumulative(samples + 1, 0.0);
    for (int s = 0; s < samples; ++s) {
        const double x0 = a + (b - a) * s / samples, x1 = a + (b - a) * (s + 1) / samples;
        const double xm = 0.5 * (x0 + x1);
        cumulative[s + 1] =
            cumulative[s] + (x1 - x0) / wanted_size(xm, features, background, growth);
    }
    std::vector<double> out;
    for (int k = 1; k < n; ++k) {
        const double target = cumulative[samples] * k / n;
        const int s = static_cast<int>(
            std::lower_bound(cumulative.begin(), cumulative.end(), target) - cumulative.begin());
        const int lo = std::max(s - 1, 0);
        const double span = cumulative[lo + 1] - cumulative[lo];
        const double t = span > 0 ? (target - cumulative[lo]) / span : 0.0;
        out.push_back(a + (b - a) * (lo + t) / samples);
    }
    return out;
}

// Elements the interval [a, b] takes by the size field.
int count_for(double a, double b, const std::vector<grid_feature> &features, double background,
              double growth)
{
    const int samples = 400;
    double integral = 0.0;
    for (int s = 0; s < samples; ++s) {
        const double xm = a + (b - a) * (s + 0.5) / samples;
        integral += (b - a) / samples / wanted_size(xm, features, background, growth);
    }
    return std::max(1, static_cast<int>(std::ceil(integral - 0.15)));
}

} // namespace

std::vector<double> graded_lines(const std::vector<double> &fixed, const std::vector<bool> &single,
                                 const std::vector<grid_feature> &features, double background,
                                 double growth, double max_ratio)
{
    const std::size_t m = fixed.size() - 1; // intervals
    std::vector<int> n(m);
    for (std::size_t i = 0; i < m; ++i)
        n[i] = (i < single.size() && single[i])
                   ? 1
                   : count_for(fixed[i], fixed[i + 1], features, background, growth);
    // the elements of each interval, and across a fixed line the end elements of neighbouring
    // intervals within max_ratio: refine the side whose end element is the larger
    std::vector<std::vector<double>> inner(m);
    auto split = [&](std::size_t i) {
        inner[i] = divide(fixed[i], fixed[i + 1], n[i], features, background, growth);
    };
    auto end_size = [&](std::size_t i, bool right_end) {
        if (inner[i].empty()) return fixed[i + 1] - fixed[i];
        return right_end ? fixed[i + 1] - inner[i].back() : inner[i].front() - fixed[i];
    };
    for (std::size_t i = 0; i < m; ++i) split(i);
    for (int pass = 0; pass < 200; ++pass) {
        bool changed = false;
        for (std::size_t i = 0; i + 1 < m; ++i) {
            const bool left_single = i < single.size() && single[i];
            const bool right_single = i + 1 < single.size() && single[i + 1];
            if (left_single || right_single) continue;
            const double left = end_size(i, true), right = end_size(i + 1, false);
            if (left > max_ratio * right) {
                ++n[i];
                split(i);
                changed = true;
            } else if (right > max_ratio * left) {
                ++n[i + 1];
                split(i + 1);
                changed = true;
            }
        }
        if (!changed) break;
    }
    std::vector<double> lines;
    for (std::size_t i = 0; i < m; ++i) {
        lines.push_back(fixed[i]);
        lines.insert(lines.end(), inner[i].begin(), inner[i].end());
    }
    lines.push_back(fixed.back());
    return lines;
}

double largest_ratio(const std::vector<double> &lines, const std::vector<double> &skip_lo)
{
    auto skipped = [&skip_lo](double x) {
        for (double s : skip_lo)
            if (std::fabs(s - x) < 1e-9) return true;
        return false;
    };
    double worst = 1.0;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        if (skipped(lines[i - 1]) || skipped(lines[i])) continue;
        const double a = lines[i] - lines[i - 1], b = lines[i + 1] - lines[i];
        worst = std::max(worst, std::max(a / b, b / a));
    }
    return worst;
}
