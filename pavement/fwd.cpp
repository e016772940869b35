// Deflectometer drops on the model: plates as loads of one mesh, basins read off the surface.
#include "fwd.h"

#include "jobs.h"
#include "model.h"
#include "result_set.h"
#include "svg_plot.h"
#include "unit_factors.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

double area_parameter(double d0, double d12, double d24, double d36)
{
    return 6.0 * (1.0 + 2.0 * d12 / d0 + 2.0 * d24 / d0 + d36 / d0);
}

double surface_deflection(const result_set &rs, double x, double y)
{
    double ztop = -1e300;
    for (int n = 0; n < rs.np; ++n) ztop = std::max(ztop, rs.coords[3 * n + 2]);
    // the top surface's nodes by their plan position
    std::map<std::pair<long long, long long>, int> at;
    std::vector<double> xs, ys;
    auto key = [](double v) { return std::llround(v * 1e5); };
    for (int n = 0; n < rs.np; ++n) {
        const double *c = &rs.coords[3 * n];
        if (std::fabs(c[2] - ztop) > 1e-6 * (1 + std::fabs(ztop))) continue;
        at[{key(c[0]), key(c[1])}] = n;
        xs.push_back(c[0]);
        ys.push_back(c[1]);
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    xs.erase(
        std::unique(xs.begin(), xs.end(), [&](double a, double b) { return key(a) == key(b); }),
        xs.end());
    ys.erase(
        std::unique(ys.begin(), ys.end(), [&](double a, double b) { return key(a) == key(b); }),
        ys.end());
    const auto ix = std::upper_bound(xs.begin(), xs.end(), x),
               iy = std::upper_bound(ys.begin(), ys.end(), y);
    if (ix == xs.begin() || iy == ys.begin() || ix == xs.end() || iy == ys.end())
        return std::nan("");
    const double x0 = *(ix - 1), x1 = *ix, y0 = *(iy - 1), y1 = *iy;
    double w[2][2];
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
            const auto f = at.find({key(a ? x1 : x0), key(b ? y1 : y0)});
            if (f == at.end()) return std::nan("");
            w[a][b] = -rs.disp[3 * f->second + 2];
        }
    const double s = (x - x0) / (x1 - x0), t = (y - y0) / (y1 - y0);
    return (1 - s) * (1 - t) * w[0][0] + s * (1 - t) * w[1][0] + (1 - s) * t * w[0][1] +
           s * t * w[1][1];
}

namespace
{

// The plate of a drop as a square tyre of the plate's area.
wheel plate_of(const fwd_drop &f)
{
    const double side = f.radius * std::sqrt(M_PI);
    return {f.x, f.y, side, side, f.load};
}

// The sensor's offset nearest to target (m), or -1.
int sensor_near(const fwd_drop &f, double target)
{
    for (std::size_t k = 0; k < f.sensors.size(); ++k)
        if (std::fabs(f.sensors[k] - target) <= 0.006) return static_cast<int>(k);
    return -1;
}

} // namespace

bool simulate_fwd(const description &d, const chain_tools &tools, const std::string &dir,
                  const std::string &base, int jobs, bool quiet, std::vector<fwd_basin> &out,
                  std::string &why, analysis_clock *clock)
{
    out.clear();
    if (d.fwd.empty()) {
        why = d.file + ": no drops ([[fwd]] tables)";
        return false;
    }
    generated_model probe;
    description flat = d;
    flat.loads.clear();
    flat.temperature_difference = flat.built_in = flat.temperature_mid = 0;
    if (!build_model(flat, {}, probe, why)) return false;
    // the drops as load sets of one mesh: the plate alone on a linear model; with the slab's
    // weight (and a set of the weight alone, subtracted) where a support lets go, so that the
    // unloaded slab rests on its springs
    const double weight = probe.nonlinear ? 1.0 : 0.0;
    std::vector<description> sets;
    std::vector<std::pair<double, double>> body;
    std::vector<wheel> every;
    for (const fwd_drop &f : d.fwd) {
        description one = flat;
        load_group g;
        g.load = f.load;
        g.wheels = {plate_of(f)};
        one.loads = {g};
        sets.push_back(one);
        body.push_back({weight, 0});
        every.push_back(plate_of(f));
    }
    if (probe.nonlinear) {
        sets.push_back(flat);
        body.push_back({1, 0});
    }
    const int st = analyse_on_one_mesh(sets, every, dir, base, tools, quiet, why, &body,
                                       std::max(1, jobs), clock);
    if (st != pavement_ok && st != pavement_not_converged) return false;
    const auto t_read = std::chrono::steady_clock::now();
    read_request req;
    req.units = file_units::kgf_cm;
    req.need_material_stresses = false;
    result_set rest;
    std::string note;
    if (probe.nonlinear &&
        !read_result_set(load_set_base(dir, base, static_cast<int>(d.fwd.size())), req, rest, why,
                         note))
        return false;
    const std::vector<double> tj = d.transverse_joints();
    for (std::size_t i = 0; i < d.fwd.size(); ++i) {
        const fwd_drop &f = d.fwd[i];
        result_set rs;
        if (!read_result_set(load_set_base(dir, base, static_cast<int>(i)), req, rs, why, note))
            return false;
        fwd_basin b;
        b.drop = f;
        for (double s : f.sensors) {
            const double x = (f.x + f.direction * s) / m_per_cm, y = f.y / m_per_cm;
            double w = surface_deflection(rs, x, y);
            if (probe.nonlinear) w -= surface_deflection(rest, x, y);
            b.deflection.push_back(w * m_per_cm);
        }
        const int k12 = sensor_near(f, 0.305), k24 = sensor_near(f, 0.610),
                  k36 = sensor_near(f, 0.914);
        b.area = k12 > 0 && k24 > 0 && k36 > 0 && f.label == "centre"
                     ? area_parameter(b.deflection[0], b.deflection[k12], b.deflection[k24],
                                      b.deflection[k36])
                     : std::nan("");
        // a joint drop: the first sensor across the joint against the plate's
        b.lte = std::nan("");
        if (f.label.rfind("joint", 0) == 0 || f.label == "corner")
            for (std::size_t k = 1; k < f.sensors.size(); ++k) {
                const double x = f.x + f.direction * f.sensors[k];
                const bool across = f.direction > 0 ? x > tj[0] + d.transverse.width : x < tj[0];
                if (across) {
                    b.lte = b.deflection[k] / b.deflection[0];
                    break;
                }
            }
        out.push_back(b);
    }
    if (clock) clock->add_reading(seconds_since(t_read));
    return true;
}

int fwd_description(const description &d, int jobs, const run_settings &s, const chain_tools &tools)
{
    const std::string base = fs::path(d.file).stem().string();
    const std::string dir = s.out_dir.empty() ? "pavement_" + base + "_fwd" : s.out_dir;
    std::vector<fwd_basin> basins;
    std::string why;
    analysis_clock clock;
    if (!simulate_fwd(d, tools, dir, base, jobs, s.quiet, basins, why, &clock)) {
        std::fprintf(stderr, "pavement: %s\n", why.c_str());
        return pavement_failed;
    }
    // the table: a row per drop, deflections in micrometres
    std::size_t most = 0;
    for (const fwd_basin &b : basins) most = std::max(most, b.drop.sensors.size());
    std::string csv = "drop,position,x (m),y (m),load (kN)";
    for (std::size_t k = 0; k < most; ++k)
        csv += ",sensor " + std::to_string(k + 1) + " (m),d" + std::to_string(k + 1) + " (um)";
    csv += ",AREA (in),LTE\n";
    svg_plot plot;
    plot.title = "Deflection basins of the drops";
    plot.x_label = "distance from the plate centre (m)";
    plot.y_label = "deflection (micrometres)";
    char cell[96];
    for (std::size_t i = 0; i < basins.size(); ++i) {
        const fwd_basin &b = basins[i];
        std::snprintf(cell, sizeof cell, "%zu,%s,%.4g,%.4g,%.4g", i + 1, b.drop.label.c_str(),
                      b.drop.x, b.drop.y, b.drop.load);
        csv += cell;
        svg_series series{std::to_string(i + 1) + ": " + b.drop.label, {}, {}, false, true};
        for (std::size_t k = 0; k < most; ++k) {
            if (k < b.drop.sensors.size()) {
                std::snprintf(cell, sizeof cell, ",%.4g,%.5g", b.drop.sensors[k],
                              b.deflection[k] * 1e6);
                series.x.push_back(b.drop.sensors[k]);
                series.y.push_back(b.deflection[k] * 1e6);
            } else {
                std::snprintf(cell, sizeof cell, ",,");
            }
            csv += cell;
        }
        std::snprintf(cell, sizeof cell, ",%.4g,%.4g\n", b.area, b.lte);
        csv += cell;
        plot.series.push_back(series);
        if (!s.quiet) {
            std::printf("pavement: drop %zu (%s, %.4g kN): d0 %.1f um", i + 1, b.drop.label.c_str(),
                        b.drop.load, b.deflection[0] * 1e6);
            if (!std::isnan(b.area)) std::printf(", AREA %.2f in", b.area);
            if (!std::isnan(b.lte)) std::printf(", LTE %.3f", b.lte);
            std::printf("\n");
        }
    }
    if (!write_file(dir + "/fwd.csv", csv) || !write_svg_plot(plot, dir + "/fwd.svg")) {
        std::fprintf(stderr, "pavement: %s: cannot write fwd.csv or fwd.svg\n", dir.c_str());
        return pavement_failed;
    }
    std::printf("pavement: wrote %s/fwd.csv and %s/fwd.svg\n", dir.c_str(), dir.c_str());
    if (s.timings) {
        std::printf("pavement: timings: meshing %.2f s, analysis %.2f s, reading the basins %.2f "
                    "s\n",
                    clock.meshing, clock.solving, clock.reading);
        clock.print_solver();
    }
    if (!s.quiet) print_resources(dir);
    return pavement_ok;
}
