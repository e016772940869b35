// corvane_verify: builds small models with known closed-form answers, runs corvane, prints the
// errors.
//
//   corvane_verify --corvane=PATH [--size=ci|study] [--case=NAME] [--markdown] [--keep=DIR]
//
// Each row compares one quantity of one run with its reference: a closed form
// of mechanics (Timoshenko's cantilever, Westergaard's slab on a dense liquid
// as restated by Ioannides et al., Friberg's dowel, Westergaard-Bradbury
// curling) or an exact state (patch test, self weight, restrained
// temperature, uniaxial strain). A row with a tolerance fails when its
// relative error exceeds it; rows without one are reported only (the plain
// brick's shear locking, mesh-study points). Exit status 0 when every judged
// row passes, 1 otherwise, 2 for a usage error.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "model_builder.h"

namespace fs = std::filesystem;
using namespace model_builder;

namespace
{

const double pi = 3.141592653589793;

// ---------------------------------------------------------------- models

// ---------------------------------------------------------------- running

struct settings {
    std::string corvane;
    std::string size = "ci";
    std::string only;
    std::string keep;
    bool markdown = false;
};

// Nodal results read back from a result file.
struct results {
    int np = 0;
    std::vector<double> xyz, u, strain, stress; // 3, 3, 6, 6 per node
    std::string stdout_text;
    int status = -1;
};

// Runs corvane -F base (plus args) in dir; reads base.out.
results run_corvane(const settings &s, const std::string &dir, const model &m,
                    const std::string &args)
{
    results r;
    fs::create_directories(dir);
    const std::string base = dir + "/m";
    m.write(base + ".pin");
    const std::string cmd =
        "cd '" + dir + "' && '" + s.corvane + "' -F m " + args + " >stdout.txt 2>stderr.txt";
    const int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.np = static_cast<int>(m.nodes.size());
    std::ifstream in(base + ".out");
    std::string line;
    auto blockread = [&](int width, std::vector<double> &out, bool keep_xyz) {
        std::getline(in, line);
        for (int n = 0; n < r.np; ++n) {
            if (!std::getline(in, line)) return;
            std::istringstream ls(line);
            double x[3];
            ls >> x[0] >> x[1] >> x[2];
            if (keep_xyz) r.xyz.insert(r.xyz.end(), x, x + 3);
            for (int k = 0; k < width; ++k) {
                double v = NAN;
                ls >> v;
                out.push_back(v);
            }
        }
    };
    blockread(3, r.u, true);
    blockread(6, r.strain, false);
    blockread(6, r.stress, false);
    if (static_cast<int>(r.stress.size()) != 6 * r.np) r.status = -2; // no complete result file
    return r;
}

// One row of the table.
struct row {
    std::string family, element, mesh, quantity;
    double reference = 0.0, result = 0.0;
    double tolerance = 0.0; // relative; 0 = reported, not judged
    bool ok() const
    {
        return std::isfinite(result) && (tolerance == 0.0 || std::fabs(error()) <= tolerance);
    }
    double error() const
    {
        return reference != 0.0 ? (result - reference) / std::fabs(reference) : result;
    }
};

struct suite {
    settings s;
    std::vector<row> rows;
    int run_count = 0;

    std::string dir(const std::string &name)
    {
        const std::string root = s.keep.empty() ? fs::temp_directory_path().string() + "/verify_" +
                                                      std::to_string(getpid())
                                                : s.keep;
        return root + "/" + name + "_" + std::to_string(run_count++);
    }
    results run(const std::string &name, const model &m, const std::string &element,
                const std::string &extra = "")
    {
        const std::string args =
            (element == "incompatible" ? "--element=incompatible " : "") + extra;
        results r = run_corvane(s, dir(name), m, args);
        if (r.status != 0)
            std::fprintf(stderr, "corvane_verify: %s (%s): corvane ended with status %d\n",
                         name.c_str(), element.c_str(), r.status);
        return r;
    }
    void add(row r)
    {
        if (!std::isfinite(r.result)) r.result = NAN;
        rows.push_back(r);
    }
};

// The node nearest to (x, y, z).
int nearest(const results &r, double x, double y, double z)
{
    int best = 0;
    double bd = 1e300;
    for (int n = 0; n < r.np; ++n) {
        const double dx = r.xyz[3 * n] - x, dy = r.xyz[3 * n + 1] - y, dz = r.xyz[3 * n + 2] - z;
        const double d = dx * dx + dy * dy + dz * dz;
        if (d < bd) {
            bd = d;
            best = n;
        }
    }
    return best;
}

const char *elements[2] = {"brick", "incompatible"};

// ---------------------------------------------------------------- cases

// MacNeal and Harder's distorted seven-element patch in the unit cube under
// the tractions of a constant stress; the exact displacement u = G x (G the
// strain with the rotation that the supports remove) and stress everywhere.
void patch_test(suite &su)
{
    const double inner[8][3] = {{0.249, 0.342, 0.192}, {0.826, 0.288, 0.288}, {0.273, 0.750, 0.230},
                                {0.850, 0.649, 0.263}, {0.320, 0.186, 0.643}, {0.677, 0.305, 0.683},
                                {0.165, 0.745, 0.702}, {0.788, 0.693, 0.644}};
    const double e = 1.0e6, nu = 0.25, eps = 1.0e-3; // every strain component 1e-3
    const double lam = nu * e / ((1 + nu) * (1 - 2 * nu)), g = e / (2 * (1 + nu));
    const double sn = lam * 3 * eps + 2 * g * eps, st = g * eps; // 2000 and 400
    const double sigma[3][3] = {{sn, st, st}, {st, sn, st}, {st, st, sn}};
    const double grad[3][3] = {{eps, eps, eps}, {0, eps, eps}, {0, 0, eps}};
    model m;
    m.material(solid(e, nu));
    // outer corner (i, j, k) is node i + 2j + 4k, inner node 8 + the same
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i) m.node(i, j, k);
    for (const auto &p : inner) m.node(p[0], p[1], p[2]);
    auto outer = [](int i, int j, int k) { return i + 2 * j + 4 * k; };
    const int order[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                             {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    std::array<int, 9> el{};
    for (int q = 0; q < 8; ++q) el[q] = 8 + outer(order[q][0], order[q][1], order[q][2]);
    m.elems.push_back(el);
    // one element between each outer face and the inner face next to it
    for (int ax = 0; ax < 3; ++ax)
        for (int side = 0; side < 2; ++side) {
            for (int q = 0; q < 8; ++q) {
                int idx[3] = {order[q][0], order[q][1], order[q][2]};
                const bool on_outer = side == 0 ? idx[ax] == 0 : idx[ax] == 1;
                idx[ax] = side;
                el[q] = (on_outer ? 0 : 8) + outer(idx[0], idx[1], idx[2]);
            }
            m.elems.push_back(el);
            // the outer face, counter-clockwise seen from outside: traction sigma.n
            const int a = (ax + 1) % 3, b = (ax + 2) % 3;
            int quad[4];
            const int corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            for (int c = 0; c < 4; ++c) {
                int idx[3];
                idx[ax] = side;
                idx[a] = corners[c][0];
                idx[b] = corners[c][1];
                quad[c] = outer(idx[0], idx[1], idx[2]);
            }
            if (side == 0) std::swap(quad[1], quad[3]); // (a, b) is right-handed with +ax
            // face frame: e1 along 0->1, e3 outward, e2 = e3 x e1
            double e1[3], e3[3] = {0, 0, 0}, e2[3], nout[3] = {0, 0, 0};
            for (int c = 0; c < 3; ++c) e1[c] = m.nodes[quad[1]][c] - m.nodes[quad[0]][c];
            nout[ax] = side ? 1.0 : -1.0;
            for (int c = 0; c < 3; ++c) e3[c] = nout[c];
            e2[0] = e3[1] * e1[2] - e3[2] * e1[1];
            e2[1] = e3[2] * e1[0] - e3[0] * e1[2];
            e2[2] = e3[0] * e1[1] - e3[1] * e1[0];
            double t[3];
            for (int r = 0; r < 3; ++r)
                t[r] = sigma[r][0] * nout[0] + sigma[r][1] * nout[1] + sigma[r][2] * nout[2];
            // the solver applies R t (R's rows e1, e2, e3) as the global force, so
            // the face takes t = R^T (sigma n)
            double tl[3];
            for (int c = 0; c < 3; ++c) tl[c] = e1[c] * t[0] + e2[c] * t[1] + e3[c] * t[2];
            model::face fc{};
            for (int c = 0; c < 4; ++c) {
                fc.n[c] = quad[c];
                for (int r = 0; r < 3; ++r) fc.t[c][r] = tl[r];
            }
            m.faces.push_back(fc);
        }
    m.bcs = {{outer(0, 0, 0), 1, 1, 1}, {outer(1, 0, 0), 0, 1, 1}, {outer(0, 1, 0), 0, 0, 1}};
    for (const char *el_name : elements) {
        const results r = su.run("patch", m, el_name);
        double du = 0.0, ds = 0.0;
        for (int n = 0; n < r.np && r.status == 0; ++n) {
            for (int c = 0; c < 3; ++c) {
                double exact = 0.0;
                for (int q = 0; q < 3; ++q) exact += grad[c][q] * m.nodes[n][q];
                du = std::fmax(du, std::fabs(r.u[3 * n + c] - exact) / (3 * eps));
            }
            const double exact_s[6] = {sn, sn, sn, st, st, st};
            for (int c = 0; c < 6; ++c)
                ds = std::fmax(ds, std::fabs(r.stress[6 * n + c] - exact_s[c]) / sn);
        }
        if (r.status != 0) du = ds = NAN;
        su.add({"patch test", el_name, "7 distorted", "max error of u / max u", 0.0, du, 1e-5});
        su.add({"patch test", el_name, "7 distorted", "max error of stress / s", 0.0, ds, 1e-5});
    }
}

// Cantilever 300 x 25 x 25 clamped at x = 0 under a pressure 1 on its top, nu =
// 0: Timoshenko's tip deflection qL^4/(8EI) + qL^2/(2 k G A), k = 5/6.
void cantilever(suite &su)
{
    const double l = 300, b = 25, h = 25, e = 3.0e5, p = 1.0;
    const double i_b = b * h * h * h / 12, q = p * b;
    const double exact =
        q * l * l * l * l / (8 * e * i_b) + q * l * l / (2 * (5.0 / 6) * (e / 2) * b * h);
    struct mesh {
        double a_over_h;
        int nz;
    };
    std::vector<mesh> meshes = {{1, 1}, {1, 2}, {2, 1}};
    if (su.s.size == "study") meshes.insert(meshes.end(), {{0.5, 2}, {0.25, 4}});
    for (const mesh &me : meshes)
        for (const char *el_name : elements) {
            const int nx = static_cast<int>(std::lround(l / (me.a_over_h * h)));
            model m;
            m.material(solid(e, 0.0));
            const block bl =
                add_block(m, uniform(0, l, nx), uniform(0, b, 1), uniform(0, h, me.nz), 0);
            for (int k = 0; k < static_cast<int>(bl.zs.size()); ++k)
                for (int j = 0; j < bl.ny1(); ++j) m.bcs.push_back({bl.id(0, j, k), 1, 1, 1});
            add_patch_load(m, bl, 0, l, 0, b, p);
            const results r = su.run("cantilever", m, el_name);
            double tip = 0.0;
            int count = 0;
            for (int n = 0; n < r.np && r.status == 0; ++n)
                if (std::fabs(r.xyz[3 * n] - l) < 1e-6) {
                    tip += -r.u[3 * n + 2];
                    ++count;
                }
            tip = count ? tip / count : NAN;
            char meshname[64];
            std::snprintf(meshname, sizeof meshname, "a/h=%g, %d through h", me.a_over_h, me.nz);
            // the plain brick locks in shear: about 1/(1 + (a/h)^2 / 2) of the answer
            const bool judged = std::string(el_name) == "incompatible" && me.a_over_h <= 2;
            su.add({"cantilever", el_name, meshname, "tip deflection (cm)", exact, tip,
                    judged ? 0.02 : 0.0});
        }
}

// Radius of relative stiffness of a plate on a dense liquid.
double relative_stiffness_radius(double e, double nu, double h, double k)
{
    return std::pow(e * h * h * h / (12 * (1 - nu * nu) * k), 0.25);
}

// Plate-theory answers for a patch load c x c of total P on a slab (E, nu, h)
// on a dense liquid k: Westergaard's interior, edge and corner cases in the
// forms of Ioannides et al. (a = radius of the circle of the same area).
struct westergaard_answers {
    double s_int, w_int, s_edge, w_edge, s_corner, w_corner;
};

westergaard_answers westergaard_closed_forms(double e, double nu, double h, double k, double load,
                                             double c)
{
    const double l = relative_stiffness_radius(e, nu, h, k);
    const double a = std::sqrt(c * c / pi), euler = 0.5772156649;
    westergaard_answers w{};
    w.s_int = 3 * load * (1 + nu) / (2 * pi * h * h) * (std::log(2 * l / a) + 0.5 - euler) +
              3 * load * (1 + nu) / (64 * h * h) * (a / l) * (a / l);
    w.w_int = load / (8 * k * l * l) *
              (1 + 1 / (2 * pi) * (std::log(a / (2 * l)) + euler - 1.25) * (a / l) * (a / l));
    w.s_edge = 3 * (1 + nu) * load / (pi * (3 + nu) * h * h) *
               (std::log(e * h * h * h / (100 * k * a * a * a * a)) + 1.84 - 4 * nu / 3 +
                (1 - nu) / 2 + 1.18 * (1 + 2 * nu) * a / l);
    w.w_edge = std::sqrt(2 + 1.2 * nu) * load / std::sqrt(e * h * h * h * k) *
               (1 - (0.76 + 0.4 * nu) * a / l);
    w.s_corner = 3 * load / (h * h) * (1 - std::pow(c / l, 0.72));
    w.w_corner = load / (k * l * l) * (1.205 - 0.69 * c / l);
    return w;
}

// Grid lines from 0 to extent: spacing `fine` up to `until`, then growing by
// 1.3 per element up to `coarse`; the load edge inserted as a line.
std::vector<double> graded_lines(double extent, double fine, double until, double coarse,
                                 double edge)
{
    std::vector<double> v;
    double x = 0.0, step = fine;
    while (x < extent - 1e-9) {
        v.push_back(x);
        if (x >= until - 1e-9) step = std::fmin(step * 1.3, coarse);
        x += step;
    }
    v.push_back(extent);
    if (v.size() >= 2 && extent - v[v.size() - 2] < 0.3 * step) v.erase(v.end() - 2);
    return with_lines(v, {edge});
}

// A mesh of the slab: in plan either uniform elements of size a, or `a` near
// the load up to 50 cm and graded beyond; nz bricks through the thickness.
struct slab_mesh {
    const char *kind; // "uniform" or "graded"
    double a;
    int nz;
};

// The three load positions on one slab and mesh: interior (quarter model,
// symmetry planes x = 0 and y = 0), edge (half model: free edge x = 0,
// symmetry plane y = 0), corner (the load in a free corner). The foundation is
// joint springs to fixed ground; the slab extends 500 cm (over five radii of
// relative stiffness) from the load. Returns stress and deflection per
// position (NaN when the run failed).
std::array<double, 6> westergaard_runs(suite &su, const char *element, double e, double nu,
                                       double h, double k, double load, double c,
                                       const slab_mesh &me)
{
    const double extent = 500, p = load / (c * c);
    std::array<double, 6> out{};
    for (int pos = 0; pos < 3; ++pos) {
        model m;
        m.material(solid(e, nu));
        const double lx = pos == 0 ? c / 2 : c, ly = pos == 2 ? c : c / 2;
        const bool uni = std::string(me.kind) == "uniform";
        const int n = static_cast<int>(std::lround(extent / me.a));
        const block bl = add_block(
            m,
            uni ? with_lines(uniform(0, extent, n), {lx}) : graded_lines(extent, me.a, 50, 25, lx),
            uni ? with_lines(uniform(0, extent, n), {ly}) : graded_lines(extent, me.a, 50, 25, ly),
            uniform(0, h, me.nz), 0);
        const int nxl = bl.nx1() - 1, nyl = bl.ny1() - 1;
        add_dense_liquid(m, bl, k);
        // symmetry planes, and the in-plane rigid motions that the springs leave free
        for (int kk = 0; kk <= me.nz; ++kk)
            for (int j = 0; j <= nyl; ++j)
                for (int i = 0; i <= nxl; ++i) {
                    const int fx = pos == 0 && i == 0;
                    const int fy = pos <= 1 && j == 0;
                    if (fx || fy) m.bcs.push_back({bl.id(i, j, kk), fx, fy, 0});
                }
        if (pos == 1) m.bcs.push_back({bl.id(nxl, 0, 0), 1, 0, 0});
        if (pos == 2) {
            m.bcs.push_back({bl.id(nxl, nyl, 0), 1, 1, 0});
            m.bcs.push_back({bl.id(nxl, 0, 0), 1, 0, 0});
        }
        add_patch_load(m, bl, 0, lx, 0, ly, p);
        const results r = su.run("westergaard", m, element);
        double s = NAN, w = NAN;
        if (r.status == 0) {
            const int centre = nearest(r, 0, 0, 0);
            w = -r.u[3 * centre + 2];
            if (pos == 0) s = r.stress[6 * centre];     // sx at the bottom
            if (pos == 1) s = r.stress[6 * centre + 1]; // sy along the edge
            if (pos == 2) {
                // the largest principal tension on the top surface
                s = 0.0;
                for (int q = 0; q < r.np; ++q) {
                    if (std::fabs(r.xyz[3 * q + 2] - h) > 1e-6) continue;
                    const double *t = &r.stress[6 * q];
                    const double mid = (t[0] + t[1]) / 2, dif = (t[0] - t[1]) / 2;
                    s = std::fmax(s, mid + std::sqrt(dif * dif + t[5] * t[5]));
                }
            }
        }
        out[2 * pos] = s;
        out[2 * pos + 1] = w;
    }
    return out;
}

// Westergaard's slab: E 2.8e5, nu 0.15, h 25 on k 5, P 4000 on a 20 x 20
// patch (h / l = 0.27), and the same slab made thin (h 10 with E raised so that
// l stays 92.9 cm, h / l = 0.11), where the 3D solution must approach plate
// theory. Tolerances: see the README's accuracy section (mesh study).
void westergaard(suite &su)
{
    const double nu = 0.15, k = 5, load = 4000, c = 20;
    const char *names[3] = {"interior", "edge", "corner"};
    const char *stress_names[3] = {"bottom stress (kgf/cm2)", "bottom stress (kgf/cm2)",
                                   "max top tension (kgf/cm2)"};
    auto report = [&](const char *family, const char *element, const slab_mesh &me,
                      const westergaard_answers &ref, const std::array<double, 6> &v,
                      const std::array<double, 6> &tol) {
        const double refs[6] = {ref.s_int,  ref.w_int,    ref.s_edge,
                                ref.w_edge, ref.s_corner, ref.w_corner};
        char meshname[64];
        if (std::string(me.kind) == "extrapolated")
            std::snprintf(meshname, sizeof meshname, "extrapolated (Richardson)");
        else
            std::snprintf(meshname, sizeof meshname, "%s a=%g, %d through h", me.kind, me.a, me.nz);
        for (int pos = 0; pos < 3; ++pos) {
            su.add({std::string(family) + " " + names[pos], element, meshname, stress_names[pos],
                    refs[2 * pos], v[2 * pos], tol[2 * pos]});
            su.add({std::string(family) + " " + names[pos], element, meshname, "deflection (cm)",
                    refs[2 * pos + 1], v[2 * pos + 1], tol[2 * pos + 1]});
        }
    };
    const std::array<double, 6> untested{};
    // the thick slab of the inputs
    {
        const double e = 2.8e5, h = 25;
        const westergaard_answers ref = westergaard_closed_forms(e, nu, h, k, load, c);
        // the engineer's mesh: elements as wide as the slab is thick, the load's
        // edges as grid lines (as tarnel inserts them), one brick through h
        const slab_mesh coarse{"uniform", 25, 1};
        for (const char *el : elements)
            report("Westergaard", el, coarse, ref,
                   westergaard_runs(su, el, e, nu, h, k, load, c, coarse), untested);
        // a mesh fine enough near the load, judged against plate theory within the
        // thick slab's departure from it plus the discretization error left
        const slab_mesh fine{"graded", 2.5, 4};
        report("Westergaard", "incompatible", fine, ref,
               westergaard_runs(su, "incompatible", e, nu, h, k, load, c, fine),
               {0.11, 0.05, 0.14, 0.07, 0.18, 0.07});
        if (su.s.size == "study") {
            report("Westergaard", "brick", {"uniform", 6.25, 4}, ref,
                   westergaard_runs(su, "brick", e, nu, h, k, load, c, {"uniform", 6.25, 4}),
                   untested);
            std::array<double, 6> level[4];
            const slab_mesh levels[4] = {
                {"graded", 10, 1}, {"graded", 5, 2}, {"graded", 2.5, 4}, {"graded", 1.25, 8}};
            for (const char *el : elements)
                for (int lv = 0; lv < 4; ++lv) {
                    level[lv] = westergaard_runs(su, el, e, nu, h, k, load, c, levels[lv]);
                    report("Westergaard", el, levels[lv], ref, level[lv], untested);
                }
            // Richardson's extrapolation of the last three levels (incompatible)
            std::array<double, 6> limit{};
            for (int q = 0; q < 6; ++q) {
                const double d1 = level[2][q] - level[1][q], d2 = level[3][q] - level[2][q];
                const double ratio = d2 != 0.0 ? d1 / d2 : 0.0;
                limit[q] = ratio > 1.0 ? level[3][q] + d2 / (ratio - 1.0) : level[3][q];
            }
            report("Westergaard", "incompatible", {"extrapolated", 0, 0}, ref, limit, untested);
        }
    }
    // the thin slab: plate theory within its own accuracy
    {
        const double h = 10, e = 2.8e5 * std::pow(25.0 / h, 3);
        const westergaard_answers ref = westergaard_closed_forms(e, nu, h, k, load, c);
        const slab_mesh fine{"graded", 2.5, 4};
        report("Westergaard thin", "incompatible", fine, ref,
               westergaard_runs(su, "incompatible", e, nu, h, k, load, c, fine),
               {0.02, 0.02, 0.03, 0.03, 0.07, 0.03});
    }
}

// One dowel across a 0.6 cm joint between two concrete blocks stiff enough to
// be rigid: block A held, block B on rollers pushed down by P. Friberg's
// semi-infinite embedded halves (beta l > 5 here): y0 = P (2 + beta w) /
// (4 beta^3 EI) under the face, bearing stress K y0, and the differential
// deflection 2 y0 + w theta0 + P w^3 (1 + Phi) / (12 EI), theta0 = P (1 +
// beta w) / (2 beta^2 EI).
void dowel(suite &su)
{
    const double es = 2.04e6, nus = 0.3, w = 0.6, d = 3.2, len = 45, kd = 41000, load = 1000;
    const double ei = es * 0.04909 * d * d * d * d; // the link's section constant
    const double beta = std::pow(kd * d / (4 * ei), 0.25);
    const double y0 = load * (2 + beta * w) / (4 * beta * beta * beta * ei);
    const double theta0 = load * (1 + beta * w) / (2 * beta * beta * ei);
    const double area = 0.785398 * d * d,
                 phi = 24 * (1 + nus) * 0.04909 * d * d * d * d / (0.9 * area * w * w);
    const double delta = 2 * y0 + w * theta0 + load * w * w * w * (1 + phi) / (12 * ei);
    model m;
    dowel_blocks(m, w, 30, 20, load);
    for (const char *el_name : elements) {
        const std::string dir = su.dir("dowel");
        fs::create_directories(dir);
        std::ofstream(dir + "/m.dwi") << "1 1\n"
                                      << es << " " << nus << " " << w << " " << d << " " << len
                                      << " " << kd << " 0 0 0 0 0 0\n"
                                      << w / 2 << " 0 10 0\n";
        const std::string args =
            std::string(std::string(el_name) == "incompatible" ? "--element=incompatible " : "") +
            "-J max.txt";
        const results r = run_corvane(su.s, dir, m, args);
        double bearing = NAN, rel = NAN;
        if (r.status == 0) {
            rel = r.u[3 * nearest(r, w, 0, 10) + 2] - r.u[3 * nearest(r, 0, 0, 10) + 2];
            rel = -rel;
            std::ifstream mx(dir + "/max.txt");
            double x, y, z, r1 = NAN;
            if (mx >> x >> y >> z >> r1) bearing = std::fabs(r1) / d;
        }
        su.add({"dowel (Friberg)", el_name, "rigid blocks", "bearing stress (kgf/cm2)", kd * y0,
                bearing, 0.01});
        su.add({"dowel (Friberg)", el_name, "rigid blocks", "differential deflection (cm)", delta,
                rel, 0.01});
    }
}

// Westergaard-Bradbury curling coefficient of a strip of width lx.
double bradbury(double lx, double l)
{
    const double x = lx / (l * std::sqrt(8.0));
    return 1 - 2 * std::cos(x) * std::cosh(x) * (std::tan(x) + std::tanh(x)) /
                   (std::sin(2 * x) + std::sinh(2 * x));
}

// A slab 600 x 600 x 25 on a dense liquid, its top 10 degrees warmer than its
// bottom (linear through the depth): at the centre of the bottom sx = E alpha
// dT / (2 (1 - nu^2)) (Cx + nu Cy) (Bradbury's coefficients). Quarter model.
void curling(suite &su)
{
    const double e = 2.8e5, nu = 0.15, h = 25, k = 5, alpha = 1.0e-5, dt = 10, slab = 600;
    const double l = relative_stiffness_radius(e, nu, h, k);
    const double cc = bradbury(slab, l);
    const double exact = e * alpha * dt / (2 * (1 - nu * nu)) * (cc + nu * cc);
    std::vector<double> sizes = {25};
    if (su.s.size == "study") sizes = {25, 12.5};
    for (double a : sizes)
        for (const char *el_name : elements) {
            const int n = static_cast<int>(std::lround(slab / 2 / a));
            const int nz = static_cast<int>(std::lround(h / a));
            model m;
            // T(z) = b z + c with T(h) - T(0) = dt and mean 0
            m.material(solid(e, nu, 0.0, alpha, 0.0, dt / h, -dt / 2));
            const block bl = add_block(m, uniform(0, slab / 2, n), uniform(0, slab / 2, n),
                                       uniform(0, h, nz), 0);
            add_dense_liquid(m, bl, k);
            for (int kk = 0; kk <= nz; ++kk)
                for (int j = 0; j <= n; ++j)
                    for (int i = 0; i <= n; ++i)
                        if (i == 0 || j == 0) m.bcs.push_back({bl.id(i, j, kk), i == 0, j == 0, 0});
            const results r = su.run("curling", m, el_name);
            const double s = r.status == 0 ? r.stress[6 * nearest(r, 0, 0, 0)] : NAN;
            char meshname[64];
            std::snprintf(meshname, sizeof meshname, "a=%g, %d through h", a, nz);
            // the plain brick locks here too (its thermal bending is too stiff)
            const bool judged = std::string(el_name) == "incompatible" && a == 25;
            su.add({"curling (Bradbury)", el_name, meshname, "centre bottom sx (kgf/cm2)", exact, s,
                    judged ? 0.05 : 0.0});
        }
}

// States the elements reproduce exactly: a roller column under self weight
// (u = -(gamma/M)(H z - z^2/2)), a fully restrained block under a uniform
// temperature rise (s = -E alpha dT / (1 - 2 nu)), and a roller column under a
// top pressure (uniaxial strain).
void exact_states(suite &su)
{
    const double e = 1000, nu = 0.25, mm = e * (1 - nu) / ((1 + nu) * (1 - 2 * nu));
    for (const char *el_name : elements) {
        for (int which = 0; which < 3; ++which) {
            model m;
            const double gamma = which == 0 ? 2.0 : 0.0, alpha = which == 1 ? 1e-5 : 0.0;
            m.material(solid(e, nu, gamma, alpha, 0.0, 0.0, which == 1 ? 50.0 : 0.0));
            const block bl = add_block(m, uniform(0, 1, 1), uniform(0, 1, 1), uniform(0, 3, 4), 0);
            for (int kk = 0; kk < 5; ++kk)
                for (int j = 0; j < 2; ++j)
                    for (int i = 0; i < 2; ++i)
                        m.bcs.push_back({bl.id(i, j, kk), 1, 1, which == 1 || kk == 0});
            if (which == 2) add_patch_load(m, bl, 0, 1, 0, 1, 6.0);
            const results r = su.run("exact", m, el_name);
            double err = 0.0;
            for (int n = 0; n < r.np && r.status == 0; ++n) {
                const double z = r.xyz[3 * n + 2];
                double uz = 0.0, sz = 0.0, sx = 0.0, scale_u = 1.0, scale_s = 1.0;
                if (which == 0) {
                    uz = -(gamma / mm) * (3 * z - z * z / 2);
                    sz = -gamma * (3 - z);
                    sx = sz * nu / (1 - nu);
                    scale_u = gamma * 9 / (2 * mm);
                    scale_s = gamma * 3;
                } else if (which == 1) {
                    sx = sz = -e * alpha * 50 / (1 - 2 * nu);
                    scale_s = std::fabs(sx);
                } else {
                    uz = -6.0 * z / mm;
                    sz = -6.0;
                    sx = sz * nu / (1 - nu);
                    scale_u = 18.0 / mm;
                    scale_s = 6.0;
                }
                err = std::fmax(err, std::fabs(r.u[3 * n + 2] - uz) / scale_u);
                err = std::fmax(err, std::fabs(r.stress[6 * n] - sx) / scale_s);
                err = std::fmax(err, std::fabs(r.stress[6 * n + 2] - sz) / scale_s);
            }
            if (r.status != 0) err = NAN;
            const char *names[3] = {"self weight", "restrained temperature", "uniaxial strain"};
            // the plain brick's stresses are constant per element: exact only for the
            // states of constant stress
            const bool exact_for_element = std::string(el_name) == "incompatible" || which != 0;
            su.add({"exact states", el_name, "4 bricks", names[which], 0.0, err,
                    exact_for_element ? 1e-5 : 0.0});
        }
    }
}

void print(const suite &su)
{
    if (su.s.markdown) {
        std::printf(
            "| case | element | mesh | quantity | reference | corvane | error | tolerance |\n");
        std::printf("|---|---|---|---|---|---|---|---|\n");
    } else {
        std::printf("%-25s %-12s %-27s %-30s %12s %12s %9s %9s %s\n", "case", "element", "mesh",
                    "quantity", "reference", "corvane", "error", "tolerance", "");
    }
    for (const row &r : su.rows) {
        char err[32], tol[32];
        if (r.reference != 0.0)
            std::snprintf(err, sizeof err, "%+.2f %%", 100 * r.error());
        else
            std::snprintf(err, sizeof err, "%.1e", r.result);
        if (r.tolerance == 0.0)
            std::snprintf(tol, sizeof tol, "-");
        else if (r.reference != 0.0)
            std::snprintf(tol, sizeof tol, "%g %%", 100 * r.tolerance);
        else
            std::snprintf(tol, sizeof tol, "%.0e", r.tolerance);
        if (su.s.markdown)
            std::printf("| %s | %s | %s | %s | %.5g | %.5g | %s | %s |\n", r.family.c_str(),
                        r.element.c_str(), r.mesh.c_str(), r.quantity.c_str(), r.reference,
                        r.result, err, tol);
        else
            std::printf("%-25s %-12s %-27s %-30s %12.5g %12.5g %9s %9s %s\n", r.family.c_str(),
                        r.element.c_str(), r.mesh.c_str(), r.quantity.c_str(), r.reference,
                        r.result, err, tol, r.ok() ? "" : "FAILED");
    }
}

} // namespace

int main(int argc, char **argv)
{
    suite su;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char *name) -> const char * {
            const std::string prefix = std::string("--") + name + "=";
            return a.compare(0, prefix.size(), prefix) == 0 ? argv[i] + prefix.size() : nullptr;
        };
        if (const char *v = value("corvane"))
            su.s.corvane = v;
        else if (const char *v2 = value("size"))
            su.s.size = v2;
        else if (const char *v3 = value("case"))
            su.s.only = v3;
        else if (const char *v4 = value("keep"))
            su.s.keep = v4;
        else if (a == "--markdown")
            su.s.markdown = true;
        else {
            std::fprintf(stderr, "usage: corvane_verify --corvane=PATH [--size=ci|study] "
                                 "[--case=patch|cantilever|westergaard|dowel|curling|exact] "
                                 "[--markdown] [--keep=DIR]\n");
            return 2;
        }
    }
    if (su.s.corvane.empty() || (su.s.size != "ci" && su.s.size != "study")) {
        std::fprintf(stderr, "corvane_verify: --corvane=PATH is needed; --size is ci or study\n");
        return 2;
    }
    su.s.corvane = fs::absolute(su.s.corvane).string();
    const std::pair<const char *, std::function<void(suite &)>> cases[] = {
        {"patch", patch_test}, {"cantilever", cantilever}, {"westergaard", westergaard},
        {"dowel", dowel},      {"curling", curling},       {"exact", exact_states}};
    bool any = false;
    for (const auto &c : cases)
        if (su.s.only.empty() || su.s.only == c.first) {
            c.second(su);
            any = true;
        }
    if (!any) {
        std::fprintf(stderr, "corvane_verify: no case %s\n", su.s.only.c_str());
        return 2;
    }
    if (su.s.keep.empty())
        fs::remove_all(fs::temp_directory_path() / ("verify_" + std::to_string(getpid())));
    print(su);
    bool ok = true;
    for (const row &r : su.rows) ok = ok && r.ok();
    return ok ? 0 : 1;
}
