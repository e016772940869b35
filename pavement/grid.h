// Graded grid lines along one axis: fine within features (the wheels, the joints), growing
// geometrically away from them up to a background size, through every fixed line.
#pragma once

#include <vector>

// Where the mesh must be finer: within [lo, hi] the size is `size`, growing away from it.
struct grid_feature {
    double lo, hi, size;
};

// Lines from fixed.front() to fixed.back() (fixed: sorted, at least two) that include every
// fixed line. The size wanted at x is min(background, size_f + (growth - 1) d_f(x)) over the
// features (d_f the distance to the feature), so neighbouring elements grow by about `growth`;
// each interval between fixed lines is divided so that the integral of 1 / size is equal in
// every element. Intervals listed in `single` (their left line's index in fixed) stay one
// element (joint gaps). Neighbouring sizes across a fixed line are kept within max_ratio where
// the intervals allow it.
std::vector<double> graded_lines(const std::vector<double> &fixed, const std::vector<bool> &single,
                                 const std::vector<grid_feature> &features, double background,
                                 double growth, double max_ratio = 1.5);

// The largest ratio of neighbouring interval lengths, leaving out the intervals listed as
// single in `skip` (by their left line value).
double largest_ratio(const std::vector<double> &lines, const std::vector<double> &skip_lo = {});
