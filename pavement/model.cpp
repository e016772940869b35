// From a pavement description to the files the mesher and the solver read: the graded grid,
// the layer description (with its joint layers for an unbonded interface and a dense-liquid
// foundation), the dowel file, and the options that go with them.
#include "model.h"
#include "unit_factors.h"

#include "grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace
{

// A number as both tarnel and this writer read it back (so a grid line and a load edge
// written from the same value are the same float).
std::string num(double v)
{
    char b[40];
    std::snprintf(b, sizeof b, "%.9g", std::fabs(v) < 1e-12 ? 0.0 : v);
    return b;
}

// Inserts v into the sorted fixed lines unless one lies within tol; returns the line used.
double add_fixed(std::vector<double> &fixed, double v, double tol)
{
    for (double f : fixed)
        if (std::fabs(f - v) <= tol) return f;
    fixed.insert(std::upper_bound(fixed.begin(), fixed.end(), v), v);
    return v;
}

// Grid lines of one plan axis: the domain ends, the slab edges, the joint gaps (single
// intervals) and the wheel edges (snapped to a line within snap); fine near wheels and joints.
struct axis_plan {
    std::vector<double> fixed;
    std::vector<double> gaps; // left faces of the joint gaps
    std::vector<grid_feature> features;
};

std::vector<double> axis_lines(axis_plan &p, double background, double growth)
{
    std::sort(p.fixed.begin(), p.fixed.end());
    std::vector<bool> single(p.fixed.size(), false);
    for (std::size_t i = 0; i + 1 < p.fixed.size(); ++i)
        for (double g : p.gaps)
            if (std::fabs(p.fixed[i] - g) < 1e-9) single[i] = true;
    return graded_lines(p.fixed, single, p.features, background, growth);
}

// The type of each interval of lines: joint gap, margin (outside [lo, hi]) or slab.
std::vector<int> interval_types(const std::vector<double> &lines, const std::vector<double> &gaps,
                                double width, double lo, double hi, int gap_type, int margin_type)
{
    std::vector<int> t;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const double mid = 0.5 * (lines[i] + lines[i + 1]);
        int type = 0;
        if (mid < lo || mid > hi) type = margin_type;
        for (double g : gaps)
            if (mid > g && mid < g + width) type = gap_type;
        t.push_back(type);
    }
    return t;
}

std::vector<double> material(std::initializer_list<double> v)
{
    std::vector<double> m(v);
    m.resize(12, 0.0);
    return m;
}

void write_layer(std::ostringstream &o, const layer_out &l, const std::vector<double> &x,
                 const std::vector<double> &y)
{
    o << x.size() - 1 << " " << y.size() - 1 << " " << l.z.size() - 1 << " " << l.mats.size()
      << "\n";
    for (double v : x) o << num(v) << " ";
    o << "\n";
    for (double v : y) o << num(v) << " ";
    o << "\n";
    for (double v : l.z) o << num(v) << " ";
    o << "\n";
    for (int t : l.xt) o << t << " ";
    o << "\n";
    for (int t : l.yt) o << t << " ";
    o << "\n";
    for (const auto &m : l.mats) {
        for (double v : m) o << num(v) << " ";
        o << "\n";
    }
}

} // namespace

double joint_entry(double mpa_per_m)
{
    return 9.0 * mpa_per_m / mpa_m_per_kgf_cm3;
}

bool plan_grid(const description &d, const mesh_refinement &refine,
               const std::vector<wheel> *grid_only, generated_model &g, grid_plan &p,
               std::string &why)
{
    const double cm = 100.0;
    const double lx = d.total_length() * cm, ly = d.total_width() * cm;
    const double near = d.size_near_loads * cm / refine.near;
    const double near_joint = d.size_near_joints * cm / refine.near;
    const double margin = d.layers.empty() ? 0.0 : d.margin * cm;
    const double wt = d.transverse.width * cm, wl = d.longitudinal.width * cm;
    const bool has_joints = d.lengths.size() > 1 || d.widths.size() > 1;
    // tarnel's joint threshold: wider than every gap, narrower than every other interval
    p.threshold =
        has_joints ? 1.5 * std::max(d.lengths.size() > 1 ? wt : 0.0, d.widths.size() > 1 ? wl : 0.0)
                   : 0.1;
    const double snap = std::max(2.0 * p.threshold, 0.4 * near);

    axis_plan px, py;
    px.fixed = {0.0, lx};
    py.fixed = {0.0, ly};
    if (margin > 0) {
        px.fixed = {-margin, 0.0, lx, lx + margin};
        py.fixed = {-margin, 0.0, ly, ly + margin};
    }
    for (double xj : d.transverse_joints()) {
        px.gaps.push_back(xj * cm);
        px.fixed.push_back(xj * cm);
        px.fixed.push_back(xj * cm + wt);
        px.features.push_back({xj * cm, xj * cm + wt, near_joint});
    }
    for (double yj : d.longitudinal_joints()) {
        py.gaps.push_back(yj * cm);
        py.fixed.push_back(yj * cm);
        py.fixed.push_back(yj * cm + wl);
        py.features.push_back({yj * cm, yj * cm + wl, near_joint});
    }
    std::sort(px.fixed.begin(), px.fixed.end());
    std::sort(py.fixed.begin(), py.fixed.end());
    // wheels that only shape the grid: their edges first, so the loaded ones meet the same lines
    if (grid_only)
        for (const wheel &w : *grid_only) {
            const double x0 = add_fixed(px.fixed, (w.x - w.length / 2) * cm, snap);
            const double x1 = add_fixed(px.fixed, (w.x + w.length / 2) * cm, snap);
            const double y0 = add_fixed(py.fixed, (w.y - w.width / 2) * cm, snap);
            const double y1 = add_fixed(py.fixed, (w.y + w.width / 2) * cm, snap);
            px.features.push_back({x0, x1, near});
            py.features.push_back({y0, y1, near});
        }
    // wheels: edges as lines (snapped to a line already there within snap), fine around them
    for (const load_group &lg : d.loads)
        for (const wheel &w : lg.wheels) {
            wheel t;
            const double x0 = add_fixed(px.fixed, (w.x - w.length / 2) * cm, snap);
            const double x1 = add_fixed(px.fixed, (w.x + w.length / 2) * cm, snap);
            const double y0 = add_fixed(py.fixed, (w.y - w.width / 2) * cm, snap);
            const double y1 = add_fixed(py.fixed, (w.y + w.width / 2) * cm, snap);
            if (!(x1 - x0 > p.threshold) || !(y1 - y0 > p.threshold)) {
                why = "a tyre of " + num(w.length) + " x " + num(w.width) +
                      " m is too small for the mesh near the loads";
                return false;
            }
            t.x = 0.5 * (x0 + x1);
            t.y = 0.5 * (y0 + y1);
            t.length = x1 - x0;
            t.width = y1 - y0;
            t.load = w.load;
            g.tyres.push_back(t);
            px.features.push_back({x0, x1, near});
            py.features.push_back({y0, y1, near});
        }
    g.x = axis_lines(px, d.size * cm, d.growth);
    g.y = axis_lines(py, d.size * cm, d.growth);
    p.x_gaps = px.gaps;
    p.y_gaps = py.gaps;
    return true;
}

depth_plan plan_depth(const description &d, const mesh_refinement &refine)
{
    const double cm = 100.0, h = d.thickness * cm;
    depth_plan p;
    p.slab_elements = d.elements_through_slab * refine.through;
    std::vector<double> depth_fixed = {0.0, h};
    p.depth = h;
    for (const layer_spec &l : d.layers) {
        p.depth += l.thickness * cm;
        depth_fixed.push_back(p.depth);
    }
    for (int k = 0; k <= p.slab_elements; ++k) p.slab_z.push_back(-h * k / p.slab_elements);
    if (!d.layers.empty()) {
        std::vector<double> layer_fixed(depth_fixed.begin() + 1, depth_fixed.end());
        p.below = graded_lines(layer_fixed, {}, {{h - 1e-9, h, h / p.slab_elements}},
                               std::max(d.size * cm, h / p.slab_elements), d.growth);
    }
    return p;
}

model_materials materials_of(const description &d)
{
    const double h = d.thickness * 100.0;
    model_materials m;
    m.none = material({});
    const double e_slab = d.e / mpa_per_kgf_cm2;
    // the slab's temperature T(z) = a z^2 + b z + c, z in cm, 0 at the top, -h at the bottom
    const double dt = d.total_difference(), mid = d.quadratic ? d.temperature_mid : 0.0;
    const double ta = -4.0 * mid / (h * h), tb = dt / h - 4.0 * mid / h, tc = dt / 2.0;
    m.slab = material({e_slab, d.nu, d.density * 0.001, d.alpha, 0, ta, tb, tc});
    for (std::size_t r = 0; r < d.row_e.size(); ++r)
        if (d.row_e[r] != d.e)
            m.rows.push_back(
                {static_cast<int>(r), material({d.row_e[r] / mpa_per_kgf_cm2, d.nu,
                                                d.density * 0.001, d.alpha, 0, ta, tb, tc})});
    // A slab joint. Sawn or cracked (the default): its small opening passes shear through
    // aggregate interlock (both tangential springs) and neither normal force nor moment: the
    // normal spring is negligible against the slab, in the element's linear mode, where the
    // three springs act independently. Tight: the faces touch, so the normal spring is the
    // concrete's E over the joint's width in compression and lets go in tension (opening limit
    // as a tensionless support's); the element scales the shear springs with it, so shear
    // passes only where the faces touch.
    auto joint_material = [&](const joint_set &j) {
        const double shear = j.stiffness > 0 ? joint_entry(j.stiffness) : 1e-6;
        if (!j.tight) return material({shear, shear, 1e-6, 0, 0, 1.0, 0, 0, 0, 0, 0, 1});
        const double contact = joint_entry(d.e / j.width);
        return material({shear, shear, contact, 0, 0, tensionless_limit_cm, 0, 0, 0, 0, 0, 1});
    };
    m.transverse = joint_material(d.transverse);
    m.longitudinal = joint_material(d.longitudinal);
    const bool has_transverse = d.lengths.size() > 1, has_longitudinal = d.widths.size() > 1;
    m.nonlinear =
        (has_transverse && d.transverse.tight) || (has_longitudinal && d.longitudinal.tight);
    if (!d.layers.empty() && !d.bonded) {
        // the interface, a joint layer with friction by its tangential springs; contact: 100
        // times the first layer's axial stiffness E / t per unit area
        const double contact = 100.0 * d.layers[0].e / d.layers[0].thickness;
        const double shear = d.interface_shear > 0 ? joint_entry(d.interface_shear) : 1e-6;
        m.interface =
            material({shear, shear, joint_entry(contact), 0, 0,
                      d.interface_tensionless ? tensionless_limit_cm : 1.0, 0, 0, 0, 0, 0, 1.05});
        m.nonlinear = m.nonlinear || d.interface_tensionless;
    }
    for (const layer_spec &ls : d.layers)
        m.layers.push_back(material({ls.e / mpa_per_kgf_cm2, ls.nu, ls.density * 0.001}));
    if (d.has_foundation) {
        // the dense liquid: springs k per unit area to a fixed base; tangential springs of a
        // hundredth of k hold the model in its plane (the dense liquid has no friction to speak
        // of); type 2 counts its base nodes as used
        const double kn = joint_entry(d.k);
        m.foundation = material({0.01 * kn, 0.01 * kn, kn, 0, 0,
                                 d.tensionless ? tensionless_limit_cm : 1.0, 0, 0, 0, 0, 0, 2});
        m.nonlinear = m.nonlinear || d.tensionless;
    }
    return m;
}

std::vector<layer_out> layer_records(const description &d, const generated_model &g,
                                     const grid_plan &grid, const depth_plan &depth,
                                     const model_materials &m)
{
    const double cm = 100.0, h = d.thickness * cm;
    const double lx = d.total_length() * cm, ly = d.total_width() * cm;
    const double wt = d.transverse.width * cm, wl = d.longitudinal.width * cm;
    std::vector<layer_out> layers;
    // slab layer: x types 0 slab, 1 transverse gap, 4 margin; y types 0, 2 longitudinal gap, 4
    {
        layer_out l;
        l.z = depth.slab_z;
        l.xt = interval_types(g.x, grid.x_gaps, wt, 0, lx, 1, 4);
        l.yt = interval_types(g.y, grid.y_gaps, wl, 0, ly, 2, 4);
        l.mats = {m.slab, m.transverse, m.longitudinal, m.none, m.none,
                  m.none, m.none,       m.none,         m.none};
        // rows of their own E: their slab intervals take the row's types
        for (std::size_t k = 0; k < m.rows.size(); ++k) {
            double lo = 0;
            for (int r = 0; r < m.rows[k].first; ++r) lo += d.widths[r] * cm + wl;
            const double hi = lo + d.widths[m.rows[k].first] * cm;
            for (std::size_t i = 0; i + 1 < g.y.size(); ++i) {
                const double mid = 0.5 * (g.y[i] + g.y[i + 1]);
                if (l.yt[i] == 0 && mid > lo && mid < hi)
                    l.yt[i] = own_row_type(static_cast<int>(k));
            }
            l.mats.insert(l.mats.end(), {m.rows[k].second, m.transverse, m.none, m.none, m.none});
        }
        layers.push_back(l);
    }
    double shift = 0.0; // depth added by the joint layers above
    if (!d.layers.empty()) {
        if (!d.bonded) {
            layer_out l;
            l.z = {-h, -h - joint_layer_gap_cm};
            shift += joint_layer_gap_cm;
            l.xt = interval_types(g.x, {}, 0, 0, lx, 0, 1);
            l.yt = interval_types(g.y, {}, 0, 0, ly, 0, 1);
            l.mats = {m.interface, m.none, m.none};
            layers.push_back(l);
        }
        double top = h;
        for (std::size_t k = 0; k < d.layers.size(); ++k) {
            layer_out l;
            const double end = top + d.layers[k].thickness * cm;
            for (double zz : depth.below)
                if (zz >= top - 1e-9 && zz <= end + 1e-9) l.z.push_back(-(zz + shift));
            l.xt.assign(g.x.size() - 1, 0);
            l.yt.assign(g.y.size() - 1, 0);
            l.mats = {m.layers[k]};
            layers.push_back(l);
            top = end;
        }
    }
    if (d.has_foundation) {
        layer_out l;
        const double z0 = -(depth.depth + shift);
        l.z = {z0, z0 - joint_layer_gap_cm};
        l.xt = interval_types(g.x, grid.x_gaps, wt, -1e300, 1e300, 1, 0);
        l.yt = interval_types(g.y, grid.y_gaps, wl, -1e300, 1e300, 2, 0);
        l.mats = {m.foundation, m.none, m.none, m.none};
        layers.push_back(l);
    }
    return layers;
}

std::string layer_text(const std::vector<layer_out> &layers, const generated_model &g)
{
    // loads: each tyre's pressure on its (snapped) rectangle keeps its load exact
    std::ostringstream o;
    o << layers.size() << " " << g.tyres.size() << "\n";
    for (const layer_out &l : layers) write_layer(o, l, g.x, g.y);
    for (const wheel &t : g.tyres) {
        const double area = t.length * t.width, kgf = t.load / kn_per_kgf;
        o << num(t.x - t.length / 2) << " " << num(t.y - t.width / 2) << " "
          << num(t.x + t.length / 2) << " " << num(t.y + t.width / 2) << " 0 0 " << num(kgf / area)
          << "\n";
    }
    return o.str();
}

void place_bars(const description &d, generated_model &g)
{
    // dowels across transverse joints, ties across longitudinal ones, at mid-depth
    const double cm = 100.0, h = d.thickness * cm;
    const double wt = d.transverse.width * cm, wl = d.longitudinal.width * cm;
    std::ostringstream dw, bars;
    int types = 0;
    auto bar_type = [&](const bar_set &b, double width_cm) {
        dw << num(b.e / mpa_per_kgf_cm2) << " " << num(b.nu) << " " << num(width_cm) << " "
           << num(b.diameter * cm) << " " << num(b.length * cm) << " "
           << num(b.support_modulus / mpa_m_per_kgf_cm3) << " " << num(b.looseness * cm)
           << " 0 0 0 0 0\n";
        g.nonlinear = g.nonlinear || b.looseness > 0; // a loose bar bears past its play
        return types++;
    };
    auto place = [&](double from, double to, const bar_set &b, auto at) {
        const double spacing = b.spacing * cm,
                     first = (b.first >= 0 ? b.first : b.spacing / 2) * cm;
        const int n = bars_along((to - from) / cm, first / cm, spacing / cm);
        for (int i = 0; i < n; ++i) at(from + first + i * spacing);
        return n;
    };
    if (d.transverse.bars.present && d.lengths.size() > 1) {
        const int t = bar_type(d.transverse.bars, wt);
        for (double xj : d.transverse_joints()) {
            double y0 = 0;
            for (std::size_t r = 0; r < d.widths.size(); ++r) {
                const double y1 = y0 + d.widths[r] * cm;
                g.n_dowels += place(y0, y1, d.transverse.bars, [&](double y) {
                    bars << num(xj * cm + wt / 2) << " " << num(y) << " " << num(-h / 2) << " " << t
                         << "\n";
                });
                y0 = y1 + wl;
            }
        }
    }
    if (d.longitudinal.bars.present && d.widths.size() > 1) {
        const int t = bar_type(d.longitudinal.bars, wl);
        for (double yj : d.longitudinal_joints()) {
            double x0 = 0;
            for (std::size_t c = 0; c < d.lengths.size(); ++c) {
                const double x1 = x0 + d.lengths[c] * cm;
                g.n_ties += place(x0, x1, d.longitudinal.bars, [&](double x) {
                    bars << num(x) << " " << num(yj * cm + wl / 2) << " " << num(-h / 2) << " " << t
                         << "\n";
                });
                x0 = x1 + wt;
            }
        }
    }
    if (g.n_dowels + g.n_ties > 0)
        g.dowel_text = std::to_string(g.n_dowels + g.n_ties) + " " + std::to_string(types) + "\n" +
                       dw.str() + bars.str();
}

void program_options(const description &d, const grid_plan &grid, generated_model &g)
{
    g.tarnel_args = {"-J", num(grid.threshold), "-C", "15", num(g.slab_e_file)};
    // the files are kgf-cm: recorded with the results, so that every reader takes them so
    g.corvane_args = {"--material-stresses", "--files-units=kgf-cm", "--timings",
                      "--element=" + d.element};
    if (d.solver != "auto") g.corvane_args.push_back("--solver=" + d.solver);
    if (g.nonlinear) {
        g.corvane_args.push_back("--equilibrium");
        g.corvane_args.push_back("-N");
        g.corvane_args.push_back("100");
    }
}

bool build_model(const description &d, const mesh_refinement &refine, generated_model &g,
                 std::string &why, const std::vector<wheel> *grid_only)
{
    g = generated_model{};
    grid_plan grid;
    if (!plan_grid(d, refine, grid_only, g, grid, why)) return false;
    const depth_plan depth = plan_depth(d, refine);
    const model_materials mats = materials_of(d);
    g.slab_e_file = std::stod(num(mats.slab[0]));
    g.nonlinear = mats.nonlinear;
    const std::vector<layer_out> layers = layer_records(d, g, grid, depth, mats);
    g.layer_text = layer_text(layers, g);
    g.n_layers = static_cast<int>(layers.size());
    // the node levels through the depth (the joint layers' two faces counted apart), descending
    long long nz = 0;
    for (const layer_out &l : layers) {
        nz += static_cast<long long>(l.z.size()) - 1;
        for (double zz : l.z)
            if (g.z.empty() || std::fabs(g.z.back() - zz) > 1e-9) g.z.push_back(zz);
    }
    place_bars(d, g);
    program_options(d, grid, g);
    g.estimated_nodes =
        static_cast<long long>(g.x.size()) * static_cast<long long>(g.y.size()) * (nz + 1);
    return true;
}

double solver_memory(long long nodes, const std::string &solver)
{
    const double n = static_cast<double>(nodes);
    if (solver == "direct") return 0.379e9 * std::pow(n / 16854.0, 1.175);
    if (solver == "amg") return 10.5e3 * n;
    if (solver == "mg") return 9.5e3 * n;
    return 5.0e3 * n;
}
