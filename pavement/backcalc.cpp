// Back-calculation: measured basins read strictly, the AREA method, the 3D model's fit.
#include "backcalc.h"

#include "fwd.h"
#include "svg_plot.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

bool read_basins(const std::string &path, std::size_t sensors, std::vector<measured_drop> &out,
                 std::vector<std::string> &errors)
{
    out.clear();
    std::ifstream in(path);
    if (!in) {
        errors.push_back(path + ": cannot be opened");
        return false;
    }
    auto fail = [&](int line, std::size_t column, const std::string &what) {
        errors.push_back(path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
                         what);
    };
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (line == 1 || text.empty()) continue; // the header
        std::vector<std::string> cells;
        std::vector<std::size_t> at;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = text.find(',', start);
            cells.push_back(text.substr(start, comma - start));
            at.push_back(start + 1);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        if (cells.size() != 3 + sensors) {
            fail(line, text.size() + 1,
                 std::to_string(cells.size() < 3 ? 0 : cells.size() - 3) + " deflections where " +
                     std::to_string(sensors) + " sensors were expected");
            continue;
        }
        measured_drop m;
        m.line = line;
        m.station = cells[0];
        m.position = cells[1];
        if (m.position != "centre" && m.position != "joint approach" &&
            m.position != "joint leave" && m.position != "corner")
            fail(line, at[1], "the position must be centre, joint approach, joint leave or corner");
        auto number = [&](std::size_t c, double &v) {
            const char *s = cells[c].c_str();
            char *end = nullptr;
            errno = 0;
            v = std::strtod(s, &end);
            return end != s && *end == '\0' && errno == 0 && std::isfinite(v);
        };
        if (!number(2, m.load) || !(m.load > 0)) {
            fail(line, at[2], "the load must be a positive number of kN");
            continue;
        }
        bool ok = true;
        for (std::size_t k = 0; k < sensors; ++k) {
            double v = 0;
            if (!number(3 + k, v) || !(v > 0)) {
                fail(line, at[3 + k],
                     "sensor " + std::to_string(k + 1) +
                         ": the deflection must be a positive finite number of micrometres");
                ok = false;
                break;
            }
            m.deflection.push_back(v * 1e-6);
        }
        if (ok) out.push_back(m);
    }
    if (out.empty() && errors.empty()) errors.push_back(path + ": no drops");
    return errors.empty();
}

double dense_liquid_basin(double r, double l)
{
    const double x = r / l;
    if (x < 1e-12) return 1.0;
    const double q = x * x / 4, euler = 0.5772156649015329;
    double ber = 0, bei = 0, series = 0, term = 1, harmonic = 0;
    for (int n = 0; n < 80; ++n) {
        if (n > 0) {
            term *= q / (static_cast<double>(n) * n);
            harmonic += 1.0 / n;
        }
        const double psi = harmonic - euler;
        switch (n % 4) {
        case 0:
            ber += term;
            break;
        case 1:
            bei += term;
            series += psi * term;
            break;
        case 2:
            ber -= term;
            break;
        default:
            bei -= term;
            series -= psi * term;
        }
    }
    const double kei = -std::log(x / 2) * bei - M_PI / 4 * ber + series;
    return -4.0 / M_PI * kei;
}

double radius_of_area(double area)
{
    auto area_of = [](double l) {
        return area_parameter(1.0, dense_liquid_basin(0.305, l), dense_liquid_basin(0.610, l),
                              dense_liquid_basin(0.914, l));
    };
    double lo = 0.15, hi = 4.0; // AREA grows with l
    if (!(area > area_of(lo)) || !(area < area_of(hi))) return std::nan("");
    for (int i = 0; i < 100; ++i) {
        const double mid = 0.5 * (lo + hi);
        (area_of(mid) < area ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

namespace
{

// d with the slab's E, the foundation's k and the transverse joint's stiffness (MPa/m; < 0:
// unchanged) and one drop of each measured kind at the measured load.
description with_values(const description &d, double e, double k, double joint,
                        const std::vector<measured_drop> &drops)
{
    description m = d;
    m.e = e;
    m.k = k;
    if (joint > 0) m.transverse.stiffness = joint;
    m.fwd.clear();
    for (const measured_drop &md : drops)
        for (const fwd_drop &f : d.fwd)
            if (f.label == md.position) {
                fwd_drop g = f;
                g.load = md.load;
                m.fwd.push_back(g);
                break;
            }
    return m;
}

// The closed-form basin's least-squares fit to a basin w at the sensors: the radius l (m) whose
// shape, scaled by its best factor, leaves the least squared residual (golden section on log l).
double fitted_radius(const std::vector<double> &sensors, const std::vector<double> &w)
{
    auto residual = [&](double l) {
        double mf = 0, ff = 0, mm = 0;
        for (std::size_t k = 0; k < sensors.size(); ++k) {
            const double f = dense_liquid_basin(sensors[k], l);
            mf += w[k] * f;
            ff += f * f;
            mm += w[k] * w[k];
        }
        return mm - mf * mf / ff;
    };
    double lo = std::log(0.15), hi = std::log(4.0);
    const double g = (std::sqrt(5.0) - 1) / 2;
    double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
    double fa = residual(std::exp(a)), fb = residual(std::exp(b));
    for (int i = 0; i < 80; ++i) {
        if (fa < fb) {
            hi = b;
            b = a;
            fb = fa;
            a = hi - g * (hi - lo);
            fa = residual(std::exp(a));
        } else {
            lo = a;
            a = b;
            fa = fb;
            b = lo + g * (hi - lo);
            fb = residual(std::exp(b));
        }
    }
    return std::exp(0.5 * (lo + hi));
}

// The factor c that scales f closest to w (least squares).
double best_scale(const std::vector<double> &w, const std::vector<double> &f)
{
    double wf = 0, ff = 0;
    for (std::size_t k = 0; k < w.size(); ++k) {
        wf += w[k] * f[k];
        ff += f[k] * f[k];
    }
    return wf / ff;
}

double rms(const std::vector<double> &a, const std::vector<double> &b)
{
    double s = 0;
    for (std::size_t i = 0; i < a.size(); ++i) s += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(s / static_cast<double>(a.size()));
}

// The measured LTE of a joint drop: the first sensor across the joint over the plate's.
double measured_lte(const description &d, const fwd_drop &f, const std::vector<double> &w)
{
    const std::vector<double> tj = d.transverse_joints();
    for (std::size_t k = 1; k < f.sensors.size(); ++k) {
        const double x = f.x + f.direction * f.sensors[k];
        if (f.direction > 0 ? x > tj[0] + d.transverse.width : x < tj[0]) return w[k] / w[0];
    }
    return std::nan("");
}

// The description's text with key = value set in [table] (added when absent).
std::string set_key(const std::string &text, const std::string &table, const std::string &key,
                    double value)
{
    char v[64];
    std::snprintf(v, sizeof v, "%.6g", value);
    std::istringstream in(text);
    std::string out, line, current;
    bool done = false;
    while (std::getline(in, line)) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '[') {
            if (current == table && !done) {
                out += key + " = " + v + "    # back-calculated\n";
                done = true;
            }
            current = line.substr(first + 1, line.find(']') - first - 1);
        } else if (current == table && first != std::string::npos &&
                   line.compare(first, key.size(), key) == 0 &&
                   line.find('=', first) != std::string::npos &&
                   line.find_first_not_of(" \t", first + key.size()) == line.find('=', first)) {
            out += key + " = " + v + "    # back-calculated\n";
            done = true;
            continue;
        }
        out += line + "\n";
    }
    if (!done)
        out += (current == table ? "" : "[" + table + "]\n") + key + " = " + v +
               "    # back-calculated\n";
    return out;
}

} // namespace

int backcalc_description(const description &d, const std::string &basins_file, int jobs,
                         const run_settings &s, const chain_tools &tools)
{
    const std::string base = fs::path(d.file).stem().string();
    const std::string dir = s.out_dir.empty() ? "pavement_" + base + "_backcalc" : s.out_dir;
    if (d.fwd.empty()) {
        std::fprintf(stderr,
                     "pavement: %s: the description needs its drops ([[fwd]]: the "
                     "positions and sensors of the measured basins)\n",
                     d.file.c_str());
        return pavement_bad_input;
    }
    if (!d.has_foundation || d.lengths.empty()) {
        std::fprintf(stderr, "pavement: %s: back-calculation needs a dense-liquid foundation\n",
                     d.file.c_str());
        return pavement_bad_input;
    }
    const std::vector<double> &sensors = d.fwd.front().sensors;
    std::vector<measured_drop> drops;
    std::vector<std::string> errors;
    if (!read_basins(basins_file, sensors.size(), drops, errors)) {
        for (const std::string &e : errors) std::fprintf(stderr, "pavement: %s\n", e.c_str());
        std::fprintf(stderr, "pavement: %s: %zu error(s); nothing written\n", basins_file.c_str(),
                     errors.size());
        return pavement_bad_input;
    }
    // the centre drops' mean basin per kN
    std::vector<double> centre(sensors.size(), 0.0);
    double centre_load = 0;
    int n_centre = 0;
    for (const measured_drop &m : drops)
        if (m.position == "centre") {
            for (std::size_t k = 0; k < sensors.size(); ++k) centre[k] += m.deflection[k] / m.load;
            centre_load += m.load;
            ++n_centre;
        }
    auto near = [&](double target) {
        for (std::size_t k = 0; k < sensors.size(); ++k)
            if (std::fabs(sensors[k] - target) <= 0.006) return static_cast<int>(k);
        return -1;
    };
    const int k12 = near(0.305), k24 = near(0.610), k36 = near(0.914);
    if (n_centre == 0 || k12 < 0 || k24 < 0 || k36 < 0) {
        std::fprintf(stderr,
                     "pavement: %s: back-calculation needs centre drops with sensors at "
                     "0, 305, 610 and 914 mm\n",
                     basins_file.c_str());
        return pavement_bad_input;
    }
    for (double &v : centre) v /= n_centre;
    centre_load /= n_centre;
    const double area = area_parameter(centre[0], centre[k12], centre[k24], centre[k36]);
    double l = radius_of_area(area);
    const double l_measured = fitted_radius(sensors, centre); // the least-squares shape
    if (std::isnan(l)) {
        std::fprintf(stderr,
                     "pavement: %s: the centre basins' AREA %.2f in is outside a slab on "
                     "a dense liquid\n",
                     basins_file.c_str(), area);
        return pavement_bad_input;
    }
    // the AREA method: l from the basin's shape, k from the deflection under the plate
    // (Westergaard's loaded circle), E from l and k
    const double nu = d.nu, h = d.thickness, a = d.fwd.front().radius;
    auto w0_per_kn = [&](double kk, double ll) {
        return 1e3 / (8 * kk * 1e6 * ll * ll) *
               (1 +
                (std::log(a / (2 * ll)) + 0.5772156649 - 1.25) * (a / ll) * (a / ll) / (2 * M_PI));
    };
    double k = w0_per_kn(1.0, l) / centre[0]; // MPa/m
    auto e_of = [&](double kk, double ll) {
        return 12 * (1 - nu * nu) * kk * 1e6 * std::pow(ll, 4) / std::pow(h, 3) / 1e6;
    };
    double e = e_of(k, l);
    const double k_area = k, e_area = e;
    if (!s.quiet)
        std::printf("pavement: AREA %.2f in: l %.3f m, k %.4g MPa/m, E %.5g MPa (closed form)\n",
                    area, l, k, e);
    // refined on the 3D model over every sensor: the closed form fitted by least squares to the
    // measured basin and to the model's, their radii's ratio moving the model's l, and the
    // model's basin scaled to the measured one moving k
    std::vector<measured_drop> centre_only;
    for (const measured_drop &m : drops)
        if (m.position == "centre") {
            centre_only.push_back(m);
            break;
        }
    std::vector<double> fitted;
    int iterations = 0;
    analysis_clock clock; // where the fit's analyses spent their time (--timings)
    const auto t_fit = std::chrono::steady_clock::now();
    bool settled = false; // the fit's last step moved l and k by less than 0.2 %
    int status = pavement_ok;
    std::string why;
    for (; iterations < 6; ++iterations) {
        std::vector<fwd_basin> b;
        description m = with_values(d, e, k, -1, centre_only);
        m.fwd.front().load = 1.0; // per kN
        if (!simulate_fwd(m, tools, dir + "/fit", base, jobs, true, b, why, &clock)) {
            std::fprintf(stderr, "pavement: %s\n", why.c_str());
            return pavement_failed;
        }
        fitted = b.front().deflection;
        const double l_new = l * l_measured / fitted_radius(sensors, fitted);
        const double c = best_scale(centre, fitted); // measured = c x the model's
        if (std::fabs(l_new / l - 1) < 0.002 && std::fabs(c - 1) < 0.002) {
            settled = true;
            break;
        }
        k = k / c * (l / l_new) * (l / l_new);
        l = l_new;
        e = e_of(k, l);
    }
    if (!settled) {
        std::fprintf(stderr,
                     "pavement: the 3D model's fit did not settle in %d analyses: the "
                     "values are its last step's, not a fit\n",
                     iterations);
        status = pavement_not_converged;
    }
    std::vector<double> measured_scaled(centre), fitted_scaled(fitted);
    const double fit_rms = rms(measured_scaled, fitted_scaled) * centre_load;
    if (!s.quiet)
        std::printf("pavement: the 3D model's basin fitted in %d analyses: k %.4g MPa/m, E %.5g "
                    "MPa, RMS %.2f um per sensor at %.4g kN\n",
                    iterations + 1, k, e, fit_rms * 1e6, centre_load);
    // the joint: its interlock (MPa/m) by bisection on its logarithm to the measured LTE
    double joint = -1, lte_target = std::nan("");
    int joint_iterations = 0;
    double bracket[2] = {0, 0};
    std::vector<measured_drop> joint_drops;
    for (const measured_drop &m : drops)
        if (m.position == "joint approach" || m.position == "joint leave") {
            for (const fwd_drop &f : d.fwd)
                if (f.label == m.position) {
                    const double lte = measured_lte(d, f, m.deflection);
                    lte_target = std::isnan(lte_target) ? lte : 0.5 * (lte_target + lte);
                }
            if (joint_drops.empty()) joint_drops.push_back(m);
        }
    if (!joint_drops.empty() && !d.transverse_joints().empty() && !std::isnan(lte_target)) {
        double lo = std::log10(1.0), hi = std::log10(1e5); // MPa/m: 0.001 to 100 MPa/mm
        bracket[0] = std::pow(10.0, lo) / 1e3;
        bracket[1] = std::pow(10.0, hi) / 1e3;
        for (; joint_iterations < 14; ++joint_iterations) {
            const double mid = 0.5 * (lo + hi);
            std::vector<fwd_basin> b;
            if (!simulate_fwd(with_values(d, e, k, std::pow(10.0, mid), joint_drops), tools,
                              dir + "/fit", base, jobs, true, b, why, &clock)) {
                std::fprintf(stderr, "pavement: %s\n", why.c_str());
                return pavement_failed;
            }
            (b.front().lte < lte_target ? lo : hi) = mid;
            if (hi - lo < 0.005) break;
        }
        joint = std::pow(10.0, 0.5 * (lo + hi));
        if (hi < std::log10(1.0) + 0.01 || lo > std::log10(1e5) - 0.01) {
            std::fprintf(stderr,
                         "pavement: the measured LTE %.3f is beyond what the joint gives "
                         "between %.3g and %.3g MPa/mm: the interlock is the search's "
                         "end, not a fit\n",
                         lte_target, bracket[0], bracket[1]);
            status = pavement_not_converged;
        }
        if (!s.quiet)
            std::printf("pavement: the joint: LTE %.3f measured, interlock %.4g MPa/mm (searched "
                        "over %.3g to %.3g MPa/mm in %d analyses)\n",
                        lte_target, joint / 1e3, bracket[0], bracket[1], joint_iterations + 1);
    }
    std::error_code ec;
    fs::remove_all(dir + "/fit", ec);
    // the description with the values found, the table and the basins
    std::ifstream in(d.file);
    std::stringstream text;
    text << in.rdbuf();
    std::string filled = set_key(text.str(), "slabs", "E", e);
    filled = set_key(filled, "foundation", "k", k);
    if (joint > 0) filled = set_key(filled, "joints.transverse", "stiffness", joint / 1e3);
    char row[256];
    std::string csv = "quantity,AREA method,fitted on the 3D model,unit\n";
    std::snprintf(row, sizeof row, "k,%.5g,%.5g,MPa/m\nE,%.5g,%.5g,MPa\n", k_area, k, e_area, e);
    csv += row;
    std::snprintf(row, sizeof row, "AREA,%.4g,,in\nradius of relative stiffness,,%.4g,m\n", area,
                  l);
    csv += row;
    std::snprintf(row, sizeof row, "RMS error per sensor,,%.4g,um\nanalyses of the fit,,%d,\n",
                  fit_rms * 1e6, iterations + 1);
    csv += row;
    if (joint > 0) {
        std::snprintf(row, sizeof row,
                      "measured LTE,%.4g,,\njoint interlock,,%.5g,MPa/mm\nanalyses of the joint "
                      "search,,%d,\n",
                      lte_target, joint / 1e3, joint_iterations + 1);
        csv += row;
    }
    svg_plot plot;
    plot.title = "Centre basins: measured and fitted";
    plot.x_label = "distance from the plate centre (m)";
    plot.y_label = "deflection per kN (micrometres)";
    svg_series ms{"measured (mean of the centre drops)", {}, {}, false, true};
    svg_series fs_{"the 3D model with the values found", {}, {}, true, true};
    for (std::size_t k2 = 0; k2 < sensors.size(); ++k2) {
        ms.x.push_back(sensors[k2]);
        ms.y.push_back(centre[k2] * 1e6);
        fs_.x.push_back(sensors[k2]);
        fs_.y.push_back(fitted[k2] * 1e6);
    }
    plot.series = {ms, fs_};
    fs::create_directories(dir, ec);
    const std::string filled_name = dir + "/" + base + "_backcalc.toml";
    if (!write_file(dir + "/backcalc.csv", csv) || !write_svg_plot(plot, dir + "/backcalc.svg") ||
        !write_file(filled_name, filled)) {
        std::fprintf(stderr, "pavement: %s: cannot write the results\n", dir.c_str());
        return pavement_failed;
    }
    std::printf("pavement: wrote %s/backcalc.csv, %s/backcalc.svg and %s\n", dir.c_str(),
                dir.c_str(), filled_name.c_str());
    if (s.timings) {
        std::printf("pavement: timings: %d analyses (the fit and the joint search) in %.2f s "
                    "(meshing %.2f s, "
                    "analysis %.2f s, reading the basins %.2f s)\n",
                    clock.analyses, seconds_since(t_fit), clock.meshing, clock.solving,
                    clock.reading);
        clock.print_solver();
    }
    if (!s.quiet) print_resources(dir);
    return status;
}
