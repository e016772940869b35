// Helpers of the corvane run tests: scratch directories, model text, in-process runs.
#pragma once

#include "driver.h"
#include "options.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// A fresh directory per test, removed afterwards.
struct scratch_dir : test_support::scratch_dir {
    scratch_dir() : test_support::scratch_dir("corvane_" + test_support::current_test_name()) {}
};

using test_support::read_text;
using test_support::write_text;

// Result of one in-process corvane run.
struct run_output {
    int status = 0;
    std::string out, err;
};

// Runs corvane with the given arguments in this process.
inline run_output run_corvane(const std::vector<std::string> &args, corvane_run *keep = nullptr)
{
    std::vector<std::string> all = {"corvane"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : all) argv.push_back(s.data());
    argv.push_back(nullptr);
    corvane_run local;
    corvane_run &run = keep ? *keep : local;
    run_output r;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    r.status = parse_command_line(run, static_cast<int>(all.size()), argv.data());
    if (r.status < 0) r.status = run_analysis(run);
    std::fflush(stdout);
    std::fflush(stderr);
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

// Parsed result file: per node x y z, displacements, strains and stresses.
struct result_set {
    int np = 0;
    std::vector<double> xyz, disp, strain, stress;
};

inline result_set read_result_file(const std::string &name, int np)
{
    result_set r;
    r.np = np;
    std::ifstream in(name);
    std::string line;
    auto block = [&](int width, std::vector<double> &out) {
        std::getline(in, line); // header
        for (int n = 0; n < np; ++n) {
            std::getline(in, line);
            std::istringstream s(line);
            double x[3];
            s >> x[0] >> x[1] >> x[2];
            if (width == 3) r.xyz.insert(r.xyz.end(), x, x + 3);
            for (int k = 0; k < width; ++k) {
                double v = 0;
                s >> v;
                out.push_back(v);
            }
        }
    };
    block(3, r.disp);
    block(6, r.strain);
    block(6, r.stress);
    return r;
}

// Runs a model text as base.pin in a scratch directory and reads base.out.
struct model_run {
    scratch_dir dir;
    run_output out;
    result_set res;
    model_run(const std::string &text, int np, std::vector<std::string> extra = {})
    {
        const std::string base = dir.file("m");
        write_text(base + ".pin", text);
        extra.insert(extra.begin(), {"-F", base});
        out = run_corvane(extra);
        res = read_result_file(base + ".out", np);
    }
};

// Text of a column of nz bricks of side a and layer height h (z upward),
// node 4*l + k at level l with corners (0,0), (a,0), (a,a), (0,a). sides:
// "roller" fixes x and y everywhere; "free" holds the base in z and just
// enough in x and y to stop rigid motion. base_fixed fixes the base fully.
struct column_layout {
    int nz = 4;
    double a = 1.0, h = 1.0;
    double e = 1000.0, nu = 0.25, gamma = 0.0, alpha = 0.0, temp_c = 0.0;
    double top_pressure = 0.0; // tz = -top_pressure on the top face
    std::string sides = "roller";
    int bw = 150;
};

inline std::string column_model(const column_layout &c)
{
    std::ostringstream s;
    s.precision(17);
    const int np = 4 * (c.nz + 1);
    std::vector<std::string> bcs;
    const double cx[4] = {0, c.a, c.a, 0}, cy[4] = {0, 0, c.a, c.a};
    for (int l = 0; l <= c.nz; ++l)
        for (int k = 0; k < 4; ++k) {
            const int n = 4 * l + k;
            int fx = 0, fy = 0, fz = l == 0;
            if (c.sides == "fixed") {
                fx = fy = fz = 1;
            } else if (c.sides == "roller") {
                fx = fy = 1;
            } else if (l == 0) {
                fx = (k == 0 || k == 3);
                fy = (k == 0 || k == 1);
            }
            if (fx || fy || fz)
                bcs.push_back(std::to_string(n) + " " + std::to_string(fx) + " " +
                              std::to_string(fy) + " " + std::to_string(fz));
        }
    s << np << " 1 " << c.nz << " " << bcs.size() << " " << c.bw << "\n";
    s << c.e << " " << c.nu << " " << c.gamma << " " << c.alpha << " 0 0 0 " << c.temp_c
      << " 0 0 0 0\n";
    for (int l = 0; l <= c.nz; ++l)
        for (int k = 0; k < 4; ++k) s << cx[k] << " " << cy[k] << " " << l * c.h << " 0 0 0\n";
    for (int l = 0; l < c.nz; ++l) {
        for (int k = 0; k < 8; ++k) s << 4 * l + k << " ";
        s << "0\n";
    }
    for (const std::string &b : bcs) s << b << "\n";
    if (c.top_pressure != 0.0) {
        s << "1\n";
        for (int k = 0; k < 4; ++k) s << 4 * c.nz + k << " 0 0 " << -c.top_pressure << " ";
        s << "\n";
    } else {
        s << "0\n";
    }
    return s.str();
}

// Writes a column of nz bricks under a top pressure as dir/name.pin; returns its base name.
inline std::string write_column(const scratch_dir &dir, const std::string &name, int nz,
                                double top_pressure = 0.0)
{
    column_layout c;
    c.nz = nz;
    c.top_pressure = top_pressure;
    const std::string base = dir.file(name);
    write_text(base + ".pin", column_model(c));
    return base;
}

// A slab on a base: nx x ny cells of side a, nz_slab bricks of height h_slab
// over nz_base bricks of height h_base, the two tied by zero-thickness joint
// elements (joint material text) or sharing their nodes (empty text). Base
// fixed, sides on rollers, a pressure p (downward) on the top cells i0..i1-1,
// j0..j1-1. Materials: 0 slab, 1 base, 2 joint.
struct slab_layout {
    int nx = 4, ny = 4, nz_slab = 2, nz_base = 2;
    double a = 10.0, h_slab = 5.0, h_base = 5.0;
    double e_slab = 30000.0, e_base = 3000.0, nu = 0.2;
    std::string joint = "100 100 1000 0 0 1.0 0 0 0 0 0 1";
    int i0 = 0, i1 = 1, j0 = 0, j1 = 1;
    double p = 1.0;
    int bw = 150;
};

inline std::string slab_model(const slab_layout &s, int *nodes = nullptr)
{
    const int gx = s.nx + 1, gy = s.ny + 1;
    const bool jointed = !s.joint.empty();
    // node levels from the bottom: base levels 0..nz_base, then the slab's
    // (its bottom level repeated when there is a joint)
    std::vector<double> z;
    std::vector<int> layer; // 0 base, 1 slab
    for (int l = 0; l <= s.nz_base; ++l) {
        z.push_back(l * s.h_base);
        layer.push_back(0);
    }
    for (int l = jointed ? 0 : 1; l <= s.nz_slab; ++l) {
        z.push_back(s.nz_base * s.h_base + l * s.h_slab);
        layer.push_back(1);
    }
    const int levels = static_cast<int>(z.size());
    auto id = [&](int l, int i, int j) { return (l * gy + j) * gx + i; };
    std::ostringstream body;
    body.precision(17);
    int ne = 0;
    auto brick = [&](int l, int i, int j, int mat) {
        const int b[4] = {id(l, i, j), id(l, i + 1, j), id(l, i + 1, j + 1), id(l, i, j + 1)};
        for (int k = 0; k < 4; ++k) body << b[k] << " ";
        for (int k = 0; k < 4; ++k) body << b[k] + gx * gy << " ";
        body << mat << "\n";
        ++ne;
    };
    for (int l = 0; l + 1 < levels; ++l) {
        const bool joint_gap = jointed && layer[l] == 0 && layer[l + 1] == 1;
        for (int j = 0; j < s.ny; ++j)
            for (int i = 0; i < s.nx; ++i) brick(l, i, j, joint_gap ? 2 : layer[l + 1]);
    }
    std::ostringstream bcs;
    int nb = 0;
    for (int l = 0; l < levels; ++l)
        for (int j = 0; j < gy; ++j)
            for (int i = 0; i < gx; ++i) {
                const int fx = l == 0 || i == 0 || i == s.nx;
                const int fy = l == 0 || j == 0 || j == s.ny;
                const int fz = l == 0;
                if (fx || fy || fz) {
                    bcs << id(l, i, j) << " " << fx << " " << fy << " " << fz << "\n";
                    ++nb;
                }
            }
    const int np = levels * gx * gy;
    if (nodes) *nodes = np;
    std::ostringstream out;
    out.precision(17);
    out << np << " " << (jointed ? 3 : 2) << " " << ne << " " << nb << " " << s.bw << "\n";
    out << s.e_slab << " " << s.nu << " 0 0 0 0 0 0 0 0 0 0\n";
    out << s.e_base << " " << s.nu << " 0 0 0 0 0 0 0 0 0 0\n";
    if (jointed) out << s.joint << "\n";
    for (int l = 0; l < levels; ++l)
        for (int j = 0; j < gy; ++j)
            for (int i = 0; i < gx; ++i)
                out << i * s.a << " " << j * s.a << " " << z[l] << " 0 0 0\n";
    out << body.str() << bcs.str();
    out << (s.i1 - s.i0) * (s.j1 - s.j0) << "\n";
    const int top = levels - 1;
    for (int j = s.j0; j < s.j1; ++j)
        for (int i = s.i0; i < s.i1; ++i) {
            const int f[4] = {id(top, i, j), id(top, i + 1, j), id(top, i + 1, j + 1),
                              id(top, i, j + 1)};
            for (int k = 0; k < 4; ++k) out << f[k] << " 0 0 " << -s.p << " ";
            out << "\n";
        }
    return out.str();
}

// Block A (z 0..1, nodes 0-7, base held in z, held in z everywhere when
// a_fixed), a zero-thickness joint (A's top 4-7 facing 8-11) and block B
// (z 1..2, nodes 8-15), roller sides. B's top (12-15) carries the traction t
// along face axis `axis` (identity frame: 2 = +z, lifting B).
inline std::string two_bricks(const std::string &joint_mat, double t, bool a_fixed = false)
{
    std::ostringstream s;
    s.precision(17);
    s << "16 2 3 16 150\n1000 0.25 0 0 0 0 0 0 0 0 0 0\n" << joint_mat << "\n";
    const double x[4] = {0, 1, 1, 0}, y[4] = {0, 0, 1, 1}, z[4] = {0, 1, 1, 2};
    for (int l = 0; l < 4; ++l)
        for (int k = 0; k < 4; ++k) s << x[k] << " " << y[k] << " " << z[l] << " 0 0 0\n";
    s << "0 1 2 3 4 5 6 7 0\n4 5 6 7 8 9 10 11 1\n8 9 10 11 12 13 14 15 0\n";
    for (int n = 0; n < 16; ++n) s << n << " 1 1 " << (n < 4 || (a_fixed && n < 8)) << "\n";
    s << "1\n";
    for (int k = 0; k < 4; ++k) s << 12 + k << " 0 0 " << t << " ";
    s << "\n";
    return s.str();
}

// A joint element alone: its lower face (nodes 0-3) held, its upper face
// (4-7, held in x and y) lifted by t: nothing but the joint holds 4-7.
inline std::string joint_alone(const std::string &joint_mat, double t)
{
    std::ostringstream s;
    s << "8 1 1 8 150\n" << joint_mat << "\n";
    const double x[4] = {0, 1, 1, 0}, y[4] = {0, 0, 1, 1};
    for (int l = 0; l < 2; ++l)
        for (int k = 0; k < 4; ++k) s << x[k] << " " << y[k] << " 1 0 0 0\n";
    s << "0 1 2 3 4 5 6 7 0\n";
    for (int n = 0; n < 8; ++n) s << n << " 1 1 " << (n < 4) << "\n";
    s << "1\n";
    for (int k = 0; k < 4; ++k) s << 4 + k << " 0 0 " << t << " ";
    s << "\n";
    return s.str();
}
