// Equality lookup and nearest-point search over node coordinates (see node_index.h).
#include "node_index.h"
#include "tarnel.h"

#include <algorithm>
#include <cmath>

// Every b with coord_equal(b, q) lies in [q - r, q + r] with r = |q|*2e-4: if |b| <= |q| then
// |b - q| <= 1e-4|q|; otherwise |b| <= |q|/(1 - 1e-4) and |b - q| <= 1e-4|q|/(1 - 1e-4).
// The subtraction of two such floats is exact, so the bound holds for the computed test too.
static double match_radius(float q)
{
    return std::fabs(static_cast<double>(q)) * 2e-4;
}

void node_index::insert(float x, float y, float z, int number)
{
    by_x[x][y].emplace(z, number); // an existing identical key keeps its (smaller) number
}

int node_index::find(float x, float y, float z) const
{
    const double rx = match_radius(x), ry = match_radius(y), rz = match_radius(z);
    int best = -1;
    const auto x_end = by_x.upper_bound(x + rx);
    for (auto ix = by_x.lower_bound(x - rx); ix != x_end; ++ix) {
        if (!coord_equal(ix->first, x)) continue;
        const auto y_end = ix->second.upper_bound(y + ry);
        for (auto iy = ix->second.lower_bound(y - ry); iy != y_end; ++iy) {
            if (!coord_equal(iy->first, y)) continue;
            const auto z_end = iy->second.upper_bound(z + rz);
            for (auto iz = iy->second.lower_bound(z - rz); iz != z_end; ++iz)
                if (coord_equal(iz->first, z) && (best < 0 || iz->second < best)) best = iz->second;
        }
    }
    return best;
}

float node_distance(const float *a, float x, float y, float z)
{
    const float dx = a[0] - x, dy = a[1] - y, dz = a[2] - z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void nearest_index::build(const float *coords, const std::vector<int> &members)
{
    coords_ = coords;
    order = members;
    nodes.clear();
    if (!order.empty()) build_node(0, static_cast<int>(order.size()));
}

// Splits at the median of the widest box extent; leaves hold at most 8 points.
int nearest_index::build_node(int begin, int end)
{
    tree_node t{};
    for (int c = 0; c < 3; ++c) {
        t.lo[c] = coords_[3 * order[begin] + c];
        t.hi[c] = t.lo[c];
    }
    for (int i = begin; i < end; ++i)
        for (int c = 0; c < 3; ++c) {
            t.lo[c] = std::min(t.lo[c], coords_[3 * order[i] + c]);
            t.hi[c] = std::max(t.hi[c], coords_[3 * order[i] + c]);
        }
    t.begin = begin;
    t.end = end;
    t.left = t.right = -1;
    const int self = static_cast<int>(nodes.size());
    nodes.push_back(t);
    if (end - begin <= 8) return self;
    int axis = 0;
    for (int c = 1; c < 3; ++c)
        if (t.hi[c] - t.lo[c] > t.hi[axis] - t.lo[axis]) axis = c;
    const int mid = begin + (end - begin) / 2;
    std::nth_element(order.begin() + begin, order.begin() + mid, order.begin() + end,
                     [&](int a, int b) { return coords_[3 * a + axis] < coords_[3 * b + axis]; });
    const int left = build_node(begin, mid);
    const int right = build_node(mid, end);
    nodes[self].left = left;
    nodes[self].right = right;
    return self;
}

// Lower bound of the distance from q to a box, in double; a subtree is skipped only when this
// bound exceeds the best single-precision distance by more than its rounding could explain.
static double box_distance(const float lo[3], const float hi[3], const float q[3])
{
    double s = 0.0;
    for (int c = 0; c < 3; ++c) {
        double d = 0.0;
        if (q[c] < lo[c])
            d = static_cast<double>(lo[c]) - q[c];
        else if (q[c] > hi[c])
            d = static_cast<double>(q[c]) - hi[c];
        s += d * d;
    }
    return std::sqrt(s);
}

void nearest_index::search(int node, const float q[3], float &best, int &best_number) const
{
    const tree_node &t = nodes[node];
    const double bound = box_distance(t.lo, t.hi, q);
    if (bound > static_cast<double>(best) * (1.0 + 1e-5) + 1e-30) return;
    if (t.left < 0) {
        for (int i = t.begin; i < t.end; ++i) {
            const int n = order[i];
            const float d = node_distance(coords_ + 3 * n, q[0], q[1], q[2]);
            if (d < best || (d == best && best_number >= 0 && n < best_number)) {
                best = d;
                best_number = n;
            }
        }
        return;
    }
    // nearer child first, so the bound tightens early
    const double dl = box_distance(nodes[t.left].lo, nodes[t.left].hi, q);
    const double dr = box_distance(nodes[t.right].lo, nodes[t.right].hi, q);
    if (dl <= dr) {
        search(t.left, q, best, best_number);
        search(t.right, q, best, best_number);
    } else {
        search(t.right, q, best, best_number);
        search(t.left, q, best, best_number);
    }
}

int nearest_index::nearest(float x, float y, float z) const
{
    if (nodes.empty()) return -1;
    const float q[3] = {x, y, z};
    float best = 1e10f;
    int best_number = -1;
    search(0, q, best, best_number);
    return best_number;
}
