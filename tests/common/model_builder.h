// Small models for tests built in code: bricks on tensor-product grids, joints, patch loads,
// dense-liquid foundations, written in the solver's model-file format.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace model_builder
{

// A model file under construction (the solver's format, zero-based numbers).
struct model {
    std::vector<std::array<double, 3>> nodes;
    std::vector<std::array<double, 12>> mats;
    std::vector<std::array<int, 9>> elems;
    std::vector<std::array<int, 4>> bcs;
    struct face {
        int n[4];
        double t[4][3]; // traction at each face node, face frame
    };
    std::vector<face> faces;

    int node(double x, double y, double z)
    {
        nodes.push_back({x, y, z});
        return static_cast<int>(nodes.size()) - 1;
    }
    int material(const std::array<double, 12> &m)
    {
        mats.push_back(m);
        return static_cast<int>(mats.size()) - 1;
    }
    void write(const std::string &name) const
    {
        std::FILE *f = std::fopen(name.c_str(), "w");
        if (!f) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            std::exit(1);
        }
        std::fprintf(f, "%zu %zu %zu %zu 150\n", nodes.size(), mats.size(), elems.size(),
                     bcs.size());
        for (const auto &m : mats) {
            for (double v : m) std::fprintf(f, " %.17g", v);
            std::fprintf(f, "\n");
        }
        for (const auto &n : nodes) std::fprintf(f, "%.17g %.17g %.17g 0 0 0\n", n[0], n[1], n[2]);
        for (const auto &e : elems) {
            for (int v : e) std::fprintf(f, " %d", v);
            std::fprintf(f, "\n");
        }
        for (const auto &b : bcs) std::fprintf(f, "%d %d %d %d\n", b[0], b[1], b[2], b[3]);
        std::fprintf(f, "%zu\n", faces.size());
        for (const face &fc : faces) {
            for (int k = 0; k < 4; ++k)
                std::fprintf(f, " %d %.17g %.17g %.17g", fc.n[k], fc.t[k][0], fc.t[k][1],
                             fc.t[k][2]);
            std::fprintf(f, "\n");
        }
        std::fclose(f);
    }
};

inline std::array<double, 12> solid(double e, double nu, double gamma = 0.0, double alpha = 0.0,
                                    double ta = 0.0, double tb = 0.0, double tc = 0.0)
{
    return {e, nu, gamma, alpha, 0.0, ta, tb, tc, 0.0, 0.0, 0.0, 0.0};
}

// Linear joint springs (opening limit 1: linear), type 1.
inline std::array<double, 12> joint(double kt, double kn)
{
    return {kt, kt, kn, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0};
}

// A tensor-product block of bricks over the grid lines xs, ys, zs; node (i, j,
// k) is base + (k * ny1 + j) * nx1 + i.
struct block {
    std::vector<double> xs, ys, zs;
    int base = 0;
    int nx1() const { return static_cast<int>(xs.size()); }
    int ny1() const { return static_cast<int>(ys.size()); }
    int id(int i, int j, int k) const { return base + (k * ny1() + j) * nx1() + i; }
};

inline block add_block(model &m, std::vector<double> xs, std::vector<double> ys,
                       std::vector<double> zs, int mat)
{
    block b{std::move(xs), std::move(ys), std::move(zs), static_cast<int>(m.nodes.size())};
    for (double z : b.zs)
        for (double y : b.ys)
            for (double x : b.xs) m.node(x, y, z);
    for (std::size_t k = 0; k + 1 < b.zs.size(); ++k)
        for (std::size_t j = 0; j + 1 < b.ys.size(); ++j)
            for (std::size_t i = 0; i + 1 < b.xs.size(); ++i) {
                const int ii = static_cast<int>(i), jj = static_cast<int>(j),
                          kk = static_cast<int>(k);
                m.elems.push_back({b.id(ii, jj, kk), b.id(ii + 1, jj, kk), b.id(ii + 1, jj + 1, kk),
                                   b.id(ii, jj + 1, kk), b.id(ii, jj, kk + 1),
                                   b.id(ii + 1, jj, kk + 1), b.id(ii + 1, jj + 1, kk + 1),
                                   b.id(ii, jj + 1, kk + 1), mat});
            }
    return b;
}

inline std::vector<double> uniform(double a, double b, int n)
{
    std::vector<double> v;
    for (int i = 0; i <= n; ++i) v.push_back(a + (b - a) * i / n);
    return v;
}

// Grid lines v with the lines `extra` inserted (as tarnel inserts load edges).
inline std::vector<double> with_lines(std::vector<double> v, std::initializer_list<double> extra)
{
    for (double x : extra) {
        bool present = false;
        for (double y : v) present = present || std::fabs(x - y) < 1e-9;
        if (!present) v.push_back(x);
    }
    std::sort(v.begin(), v.end());
    return v;
}

// Integral of the 1D hat of node `left ? a : b` of the interval [a, b] over
// [lo, hi] (clipped to [a, b]).
inline double hat_integral(double a, double b, double lo, double hi, bool left)
{
    lo = std::fmax(lo, a);
    hi = std::fmin(hi, b);
    if (hi <= lo) return 0.0;
    const double l = b - a;
    auto prim = [&](double x) { // integral of the hat from a to x
        const double s = (x - a) / l;
        return left ? l * (s - s * s / 2) : l * s * s / 2;
    };
    return prim(hi) - prim(lo);
}

// A pressure p (downward) over [x0, x1] x [y0, y1] on the top faces of block
// b, as face tractions whose consistent nodal forces equal those of the patch
// on this mesh: t = M^-1 F with M the bilinear face mass matrix. Faces listed
// counter-clockwise from +z starting along +x have the identity frame.
inline void add_patch_load(model &m, const block &b, double x0, double x1, double y0, double y1,
                           double p)
{
    const int top = static_cast<int>(b.zs.size()) - 1;
    for (int j = 0; j + 1 < b.ny1(); ++j)
        for (int i = 0; i + 1 < b.nx1(); ++i) {
            const double xa = b.xs[i], xb = b.xs[i + 1], ya = b.ys[j], yb = b.ys[j + 1];
            if (x1 <= xa || x0 >= xb || y1 <= ya || y0 >= yb) continue;
            // nodal forces of the four corners (a,a) (b,a) (b,b) (a,b)
            const double fx[2] = {hat_integral(xa, xb, x0, x1, true),
                                  hat_integral(xa, xb, x0, x1, false)};
            const double fy[2] = {hat_integral(ya, yb, y0, y1, true),
                                  hat_integral(ya, yb, y0, y1, false)};
            const double f[4] = {p * fx[0] * fy[0], p * fx[1] * fy[0], p * fx[1] * fy[1],
                                 p * fx[0] * fy[1]};
            // M = A/36 [4 2 1 2; 2 4 2 1; 1 2 4 2; 2 1 2 4]; M^-1 = 4/A [4 -2 1 -2; ...]
            const double area = (xb - xa) * (yb - ya);
            const double minv[4][4] = {
                {4, -2, 1, -2}, {-2, 4, -2, 1}, {1, -2, 4, -2}, {-2, 1, -2, 4}};
            model::face fc{};
            const int n[4] = {b.id(i, j, top), b.id(i + 1, j, top), b.id(i + 1, j + 1, top),
                              b.id(i, j + 1, top)};
            for (int r = 0; r < 4; ++r) {
                double t = 0.0;
                for (int c = 0; c < 4; ++c) t += 4.0 / area * minv[r][c] * f[c];
                fc.n[r] = n[r];
                fc.t[r][0] = fc.t[r][1] = 0.0;
                fc.t[r][2] = -t;
            }
            m.faces.push_back(fc);
        }
}

// Ground springs under the bottom of block b (a dense liquid of modulus k): a
// zero-thickness joint per bottom face to fixed ground nodes, normal stiffness
// 9k (the joint gives kn A / 9 for a uniform opening), no tangential stiffness.
inline void add_dense_liquid(model &m, const block &b, double k)
{
    const int jm = m.material(joint(0.0, 9.0 * k));
    std::vector<int> ground(b.nx1() * b.ny1());
    for (int j = 0; j < b.ny1(); ++j)
        for (int i = 0; i < b.nx1(); ++i) {
            const int g = m.node(b.xs[i], b.ys[j], b.zs[0]);
            ground[j * b.nx1() + i] = g;
            m.bcs.push_back({g, 1, 1, 1});
        }
    auto gid = [&](int i, int j) { return ground[j * b.nx1() + i]; };
    for (int j = 0; j + 1 < b.ny1(); ++j)
        for (int i = 0; i + 1 < b.nx1(); ++i)
            m.elems.push_back({gid(i, j), gid(i + 1, j), gid(i + 1, j + 1), gid(i, j + 1),
                               b.id(i, j, 0), b.id(i + 1, j, 0), b.id(i + 1, j + 1, 0),
                               b.id(i, j + 1, 0), jm});
}

// The dowel test of a joint: two rigid blocks (side long along x, 20 wide, depth deep) across a
// joint of width w at x = 0..w, joined only by joint cells of no stiffness; block A fully held,
// block B held in x and y and pushed down by load spread over its top. The dowel itself is
// the caller's (a .dwi file).
inline void dowel_blocks(model &m, double w, double side, double depth, double load)
{
    const int rigid = m.material(solid(1.0e11, 0.2));
    const int jm = m.material(joint(1.0e-6, 1.0e-6));
    const block a =
        add_block(m, uniform(-side, 0, 2), uniform(-10, 10, 2), uniform(0, depth, 2), rigid);
    const block b =
        add_block(m, uniform(w, w + side, 2), uniform(-10, 10, 2), uniform(0, depth, 2), rigid);
    // the joint cells: nodes 0-3 on A's face x = 0, 4-7 opposite on B's face,
    // ordered so that the normal e3 = (x1 - x0) x (x2 - x0) points from A to B
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            m.elems.push_back({a.id(2, j, k), a.id(2, j + 1, k), a.id(2, j + 1, k + 1),
                               a.id(2, j, k + 1), b.id(0, j, k), b.id(0, j + 1, k),
                               b.id(0, j + 1, k + 1), b.id(0, j, k + 1), jm});
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                m.bcs.push_back({a.id(i, j, k), 1, 1, 1});
                m.bcs.push_back({b.id(i, j, k), 1, 1, 0});
            }
    add_patch_load(m, b, w, w + side, -10, 10, load / (side * 20));
}

} // namespace model_builder
