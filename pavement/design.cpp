// The fatigue design check of a pavement description: placements over the wander, stresses of
// every axle load and temperature state, Miner's sum, the damage report.
#include "design.h"
#include "unit_factors.h"

#include "atomic_output.h"
#include "axles.h"
#include "jobs.h"
#include "model.h"
#include "report.h"
#include "result_set.h"
#include "svg_plot.h"
#include "tables.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>

namespace fs = std::filesystem;

namespace
{

const double joint_clearance = 0.05; // m between a top-down group's tyres and the joint

// The extent of a group's footprints placed with its reference point at the origin.
void group_extent(const std::vector<wheel> &w, double &length, double &width)
{
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    for (const wheel &t : w) {
        x0 = std::min(x0, t.x - t.length / 2);
        x1 = std::max(x1, t.x + t.length / 2);
        y0 = std::min(y0, t.y - t.width / 2);
        y1 = std::max(y1, t.y + t.width / 2);
    }
    length = x1 - x0;
    width = y1 - y0;
}

// The axle types of the traffic in their order of first appearance.
std::vector<std::string> axle_types(const design_spec &g)
{
    std::vector<std::string> types;
    for (const traffic_row &t : g.traffic)
        if (std::find(types.begin(), types.end(), t.axle) == types.end()) types.push_back(t.axle);
    return types;
}

// A description with only the given wheels as its loads and the linear temperature difference dt
// (the built-in curl included by the caller where it belongs).
description loaded(const description &d, const std::vector<wheel> &wheels, double dt)
{
    description l = d;
    l.loads.clear();
    if (!wheels.empty()) {
        load_group g;
        for (const wheel &w : wheels) g.load += w.load;
        g.wheels = wheels;
        l.loads.push_back(g);
    }
    l.temperature_difference = dt;
    l.built_in = 0;
    l.quadratic = false;
    l.temperature_mid = 0;
    return l;
}

// The largest in-plane principal stress of a + f_t t + f_p p over the face (kgf/cm2): the
// self weight's field, the unit gradient's and a load's, each alone.
double largest_combined(const std::vector<double> &a, const std::vector<double> *t, double ft,
                        const std::vector<double> *p, double fp)
{
    double best = -1e300;
    for (std::size_t k = 0; k + 2 < a.size(); k += 3) {
        double s[3];
        for (int c = 0; c < 3; ++c) {
            s[c] = a[k + c];
            if (t) s[c] += ft * (*t)[k + c];
            if (p) s[c] += fp * (*p)[k + c];
        }
        best = std::max(best, in_plane_principal(s[0], s[1], s[2]));
    }
    return best;
}

bool read_face(const std::string &base, std::vector<double> faces[2], std::string &why)
{
    read_request req;
    req.units = file_units::kgf_cm;
    result_set rs;
    std::string note;
    if (!read_result_set(base, req, rs, why, note)) return false;
    faces[0] = slab_face_stresses(rs, false); // bottom
    faces[1] = slab_face_stresses(rs, true);  // top
    if (faces[0].empty() || faces[1].empty()) {
        why = base + ": no slab face found";
        return false;
    }
    return true;
}

std::string fmt(const char *format, double v)
{
    char b[64];
    std::snprintf(b, sizeof b, format, v);
    return b;
}

} // namespace

std::vector<placement> design_placements(const description &d)
{
    std::vector<placement> out;
    const design_spec &g = d.design;
    lane_line line;
    std::string why;
    if (!wander_line(d, line, why)) return out; // refused when the description was read
    const auto wander =
        wander_positions(g.wander_mean, g.wander_sd, g.wander_points, nullptr, line.free_edge);
    const double l0 = d.lengths.front(), width = d.total_width();
    for (const std::string &axle : axle_types(g)) {
        double reps = 0, weighted = 0, plain = 0, pressure = 0;
        int rows = 0;
        for (const traffic_row &t : g.traffic)
            if (t.axle == axle) {
                reps += t.repetitions;
                weighted += t.repetitions * t.load;
                plain += t.load;
                if (rows++ == 0) pressure = t.pressure;
            }
        // the footprints of the type's mean load (repetitions weighted), scaled for the others
        const double reference = reps > 0 ? weighted / reps : plain / rows;
        const double origin[2] = {0, 0};
        const std::vector<wheel> shape = template_wheels(axle, reference, pressure, origin);
        double glen, gwid;
        group_extent(shape, glen, gwid);
        for (std::size_t w = 0; w < wander.size(); ++w) {
            const double offset = wander[w].first;
            // the outer tyre edge at line.y + toward offset: the group's smallest y
            const double y0 = line.toward > 0 ? line.y + offset : line.y - offset - gwid;
            if (y0 < -1e-9 || y0 + gwid > width + 1e-9) continue; // it would leave the slabs
            for (const int mode : {0, 1}) {
                placement p;
                p.mode = mode;
                p.axle = axle;
                p.offset = offset;
                p.weight = wander[w].second;
                p.reference = reference;
                std::vector<double> fronts;
                if (mode == 0) {
                    fronts = {l0 / 2 + glen / 2}; // the group centred on the first slab
                } else {
                    // one group with its front at the far joint, one with its rear at the near
                    // end (one group when the slab is too short for two)
                    fronts = {l0 - joint_clearance};
                    if (joint_clearance + glen < l0 - joint_clearance - glen)
                        fronts.push_back(joint_clearance + glen);
                }
                for (const double x : fronts) {
                    const double pos[2] = {x, y0};
                    for (const wheel &t : template_wheels(axle, reference, pressure, pos))
                        p.wheels.push_back(t);
                }
                out.push_back(p);
            }
        }
    }
    return out;
}

void sum_damage(const design_spec &g, double mr, design_result &r)
{
    r.damage[0] = r.damage[1] = 0.0;
    for (damage_term &t : r.terms) {
        t.ratio = t.stress / mr;
        t.allowable = allowable_repetitions(g.transfer, t.ratio);
        t.damage = std::isinf(t.allowable) ? 0.0 : t.repetitions / t.allowable;
        r.damage[t.mode] += t.damage;
    }
    for (int m = 0; m < 2; ++m) r.cracking[m] = cracked_fraction(g.transfer, r.damage[m]);
}

namespace
{

// One design check's analyses: what they need and what they fill.
struct design_job {
    design_job(const description &dd, const chain_tools &tt) : d(dd), tools(tt) {}
    const description &d;
    const chain_tools &tools;
    std::string dir, base;
    int jobs = 1;
    bool quiet = false, keep = false;
    std::vector<placement> places;
    // every combination: placement (mode, wander position), traffic row, climate state
    struct combo {
        int place, traffic, climate;
    };
    std::vector<combo> combos;
    std::vector<double> stress; // MPa, per combination
    // MPa, per combination: the axle group's alone and the temperature and self weight's alone
    std::vector<double> load_stress, environment_stress;
    // m, per placement at its reference load (top-down ones, the groups at the joints): the
    // loaded side's deflection at the joint station under the group, and the other side's
    std::vector<double> joint_loaded, joint_unloaded;
};

// Every combination of a placement with the traffic rows of its axle type and every climate
// state.
std::vector<design_job::combo> design_combinations(const design_spec &g,
                                                   const std::vector<placement> &places)
{
    std::vector<design_job::combo> combos;
    for (std::size_t p = 0; p < places.size(); ++p)
        for (std::size_t t = 0; t < g.traffic.size(); ++t)
            if (g.traffic[t].axle == places[p].axle)
                for (std::size_t c = 0; c < g.climate.size(); ++c)
                    combos.push_back(
                        {static_cast<int>(p), static_cast<int>(t), static_cast<int>(c)});
    return combos;
}

// The placements analysed on one mesh: those of one mode and axle type share a mesh when it
// stays within 1.3 times one placement's nodes, else each has its own.
std::vector<std::vector<int>> mesh_groups(const description &d,
                                          const std::vector<placement> &places, std::string &why)
{
    std::vector<std::vector<int>> groups;
    std::map<std::pair<int, std::string>, std::vector<int>> by_kind;
    for (std::size_t p = 0; p < places.size(); ++p)
        by_kind[{places[p].mode, places[p].axle}].push_back(static_cast<int>(p));
    for (const auto &[kind, members] : by_kind) {
        std::vector<wheel> every;
        for (int p : members)
            every.insert(every.end(), places[p].wheels.begin(), places[p].wheels.end());
        generated_model one, all;
        const bool share = members.size() > 1 &&
                           build_model(loaded(d, places[members[0]].wheels, 1.0), {}, one, why) &&
                           build_model(loaded(d, {}, 1.0), {}, all, why, &every) &&
                           10 * all.estimated_nodes <= 13 * one.estimated_nodes;
        if (share)
            groups.push_back(members);
        else
            for (int p : members) groups.push_back({p});
    }
    return groups;
}

// A linear model's stresses by superposition of load sets analysed once per mesh.
bool superposed_stresses(design_job &job, design_result &out, std::string &why)
{
    const description &d = job.d;
    const design_spec &g = d.design;
    // on each mesh the self weight, a unit gradient and the placements at their reference loads
    // as load sets of one analysis (each alone: "body g t"); every combination superposed; the
    // meshes are analysed jobs at a time
    out.superposed = true;
    const std::vector<std::vector<int>> groups = mesh_groups(d, job.places, why);
    out.analyses = static_cast<int>(groups.size());
    std::vector<int> status(groups.size(), pavement_ok);
    const bool ran = run_jobs(
        groups.size(), job.jobs,
        [&](std::size_t gi, std::string &whyg) {
            const std::vector<int> &members = groups[gi];
            std::vector<wheel> every;
            std::vector<description> sets = {loaded(d, {}, 1.0), loaded(d, {}, 1.0)};
            std::vector<std::pair<double, double>> body = {{1, 0}, {0, 1}};
            for (int p : members) {
                every.insert(every.end(), job.places[p].wheels.begin(), job.places[p].wheels.end());
                sets.push_back(loaded(d, job.places[p].wheels, 1.0));
                body.push_back({0, 0});
            }
            const std::string mesh_dir = job.dir + "/mesh" + std::to_string(gi);
            const int st = analyse_on_one_mesh(sets, every, mesh_dir, job.base, job.tools, true,
                                               whyg, &body, 1, &out.clock);
            const auto t_read = std::chrono::steady_clock::now();
            status[gi] = st;
            std::vector<double> weight[2], gradient[2];
            bool ok = (st == pavement_ok || st == pavement_not_converged) &&
                      read_face(load_set_base(mesh_dir, job.base, 0), weight, whyg) &&
                      read_face(load_set_base(mesh_dir, job.base, 1), gradient, whyg);
            for (std::size_t m = 0; ok && m < members.size(); ++m) {
                const int p = members[m];
                std::vector<double> placed[2];
                ok = read_face(load_set_base(mesh_dir, job.base, static_cast<int>(m) + 2), placed,
                               whyg);
                const int mode = job.places[p].mode;
                if (ok && mode == 1) { // the joint under the group: erosion and faulting
                    report_data rj;
                    ok = report_of_set(load_set_base(mesh_dir, job.base, static_cast<int>(m) + 2),
                                       d, rj, whyg);
                    if (const joint_plane *jp = ok ? rj.loaded_joint() : nullptr) {
                        const joint_station &st = jp->stations[jp->most_loaded];
                        job.joint_loaded[p] = std::fabs(st.w_loaded) * m_per_cm;
                        job.joint_unloaded[p] = std::fabs(st.w_unloaded) * m_per_cm;
                    }
                }
                for (std::size_t k = 0; ok && k < job.combos.size(); ++k) {
                    if (job.combos[k].place != p) continue;
                    const double scale =
                        g.traffic[job.combos[k].traffic].load / job.places[p].reference;
                    const double dt = g.climate[job.combos[k].climate].difference + d.built_in;
                    job.stress[k] =
                        mpa_per_kgf_cm2 *
                        largest_combined(weight[mode], &gradient[mode], dt, &placed[mode], scale);
                    job.load_stress[k] = mpa_per_kgf_cm2 * scale *
                                         largest_combined(placed[mode], nullptr, 0, nullptr, 0);
                    job.environment_stress[k] =
                        mpa_per_kgf_cm2 *
                        largest_combined(weight[mode], &gradient[mode], dt, nullptr, 0);
                }
            }
            out.clock.add_reading(seconds_since(t_read));
            std::error_code gone;
            if (ok && !job.keep) fs::remove_all(mesh_dir, gone); // its stresses are read
            return ok;
        },
        [&](std::size_t gi, bool ok, std::size_t n) {
            if (!ok) return;
            if (status[gi] != pavement_ok) out.in_equilibrium = false;
            if (!job.quiet) {
                std::printf("pavement: analysis %zu of %zu done (%zu placement(s) on one "
                            "mesh)\n",
                            n, groups.size(), groups[gi].size());
                std::fflush(stdout);
            }
        },
        true, why);
    return ran;
}

// The combinations of a model with a support that lets go, by analysis: those of one placement
// and traffic row (the same tyres, so the same mesh) differ only in their climate state.
std::vector<std::vector<std::size_t>> climate_groups(const design_job &job)
{
    std::map<std::pair<int, int>, std::vector<std::size_t>> by;
    for (std::size_t k = 0; k < job.combos.size(); ++k)
        by[{job.combos[k].place, job.combos[k].traffic}].push_back(k);
    std::vector<std::vector<std::size_t>> groups;
    for (auto &[key, members] : by) groups.push_back(std::move(members));
    return groups;
}

// The stresses of a model with a support that lets go: every combination analysed whole (its
// parts do not add up). The climate states of one placement and traffic row are load sets of
// one analysis: the temperature profile of a unit gradient times each state's difference, each
// set's equilibrium iterations started from the state before (corvane --warm-start).
bool separate_stresses(design_job &job, design_result &out, std::string &why)
{
    const description &d = job.d;
    const design_spec &g = d.design;
    const std::vector<std::vector<std::size_t>> groups = climate_groups(job);
    out.analyses = static_cast<int>(groups.size());
    if (!job.quiet)
        std::printf("pavement: the model has a support that lets go in tension: %zu "
                    "combinations analysed whole, in %zu analyses (the temperature states of "
                    "each placement and load as load sets), %d at a time\n",
                    job.combos.size(), groups.size(), job.jobs);
    std::vector<int> status(groups.size(), pavement_ok);
    const bool ran = run_jobs(
        groups.size(), job.jobs,
        [&](std::size_t gi, std::string &whyk) {
            const std::vector<std::size_t> &members = groups[gi];
            const placement &p = job.places[job.combos[members[0]].place];
            const traffic_row &t = g.traffic[job.combos[members[0]].traffic];
            // the footprints of this load: the placement's groups at load t.load
            std::vector<wheel> wheels = p.wheels;
            for (wheel &w : wheels) {
                const double f = t.load / p.reference;
                w.load *= f;
                w.length *= std::sqrt(f);
                w.width *= std::sqrt(f);
            }
            std::vector<description> sets;
            std::vector<std::pair<double, double>> body;
            for (const std::size_t k : members) {
                sets.push_back(loaded(d, wheels, 1.0));
                body.push_back({1.0, g.climate[job.combos[k].climate].difference + d.built_in});
            }
            char name[32];
            std::snprintf(name, sizeof name, "state%05zu", gi);
            const std::string state_dir = job.dir + "/" + name;
            const int st = analyse_on_one_mesh(sets, wheels, state_dir, job.base, job.tools, true,
                                               whyk, &body, 1, &out.clock);
            status[gi] = st;
            if (st != pavement_ok && st != pavement_not_converged) return false;
            const auto t_read = std::chrono::steady_clock::now();
            for (std::size_t m = 0; m < members.size(); ++m) {
                report_data r;
                if (!report_of_set(load_set_base(state_dir, job.base, static_cast<int>(m)), d, r,
                                   whyk))
                    return false;
                job.stress[members[m]] =
                    mpa_per_kgf_cm2 * (p.mode == 0 ? r.max_tension_bottom() : r.max_tension_top());
            }
            out.clock.add_reading(seconds_since(t_read));
            std::error_code gone;
            if (!job.keep) fs::remove_all(state_dir, gone); // its stresses are read
            return true;
        },
        [&](std::size_t gi, bool ok, std::size_t n) {
            if (!ok) return;
            if (status[gi] != pavement_ok) out.in_equilibrium = false;
            if (!job.quiet) {
                const int bar = static_cast<int>(40 * n / groups.size());
                std::printf("\rpavement: [%s%s] %zu of %zu analyses", std::string(bar, '#').c_str(),
                            std::string(40 - bar, ' ').c_str(), n, groups.size());
                std::fflush(stdout);
            }
        },
        true, why);
    if (!job.quiet) std::printf("\n");
    return ran;
}

// The damage terms of the combinations: repetitions over the life by wander weight and climate
// share, with their stresses.
void add_damage_terms(const design_job &job, design_result &out)
{
    const design_spec &g = job.d.design;
    const auto &combos = job.combos;
    const std::vector<placement> &places = job.places;
    const std::vector<double> &stress = job.stress;
    for (std::size_t k = 0; k < combos.size(); ++k) {
        const placement &p = places[combos[k].place];
        damage_term t;
        t.mode = p.mode;
        t.traffic = combos[k].traffic;
        t.climate = combos[k].climate;
        for (std::size_t w = 0; w < out.wander.size(); ++w)
            if (std::fabs(out.wander[w].first - p.offset) < 1e-12) t.wander = static_cast<int>(w);
        t.stress = stress[k];
        t.load_stress = job.load_stress[k];
        t.environment_stress = job.environment_stress[k];
        t.repetitions = g.traffic[combos[k].traffic].repetitions * g.life * p.weight *
                        g.climate[combos[k].climate].share;
        out.terms.push_back(t);
    }
}

// Erosion and the faulting driver of every top-down placement and traffic row of its axle type:
// the group's joint deflections scaled to the row's load (a linear model), PCA's power and
// allowable repetitions, c2 n / N, and the differential energy per pass and over the life.
void add_erosion_terms(const design_job &job, design_result &out)
{
    const description &d = job.d;
    const design_spec &g = d.design;
    if (!out.superposed) {
        out.erosion_note = "not given: each combination was analysed whole with its curl (a "
                           "support that lets go), so the axle groups' deflections alone are not "
                           "at hand";
        return;
    }
    if (!d.has_foundation) {
        out.erosion_note = "not given: PCA's erosion needs the k of a dense-liquid foundation";
        return;
    }
    lane_line line;
    std::string why;
    wander_line(d, line, why);
    const bool tied =
        !line.free_edge && g.from == design_spec::line::joint && d.longitudinal.bars.present;
    const double c2 = g.erosion_c2 > 0 ? g.erosion_c2 : tied ? 0.94 : 0.06;
    for (std::size_t p = 0; p < job.places.size(); ++p) {
        const placement &pl = job.places[p];
        if (pl.mode != 1 || std::isnan(job.joint_loaded[p])) continue;
        for (std::size_t t = 0; t < g.traffic.size(); ++t) {
            const traffic_row &row = g.traffic[t];
            if (row.axle != pl.axle) continue;
            const double scale = row.load / pl.reference;
            design_result::erosion_term e;
            e.traffic = static_cast<int>(t);
            for (std::size_t w = 0; w < out.wander.size(); ++w)
                if (std::fabs(out.wander[w].first - pl.offset) < 1e-12)
                    e.wander = static_cast<int>(w);
            e.corner = scale * job.joint_loaded[p];
            e.unloaded = scale * job.joint_unloaded[p];
            e.power = erosion_power(d.k, e.corner, d.thickness);
            e.allowable = erosion_allowable(e.power, g.erosion_c1);
            e.repetitions = row.repetitions * g.life * pl.weight;
            e.damage = std::isinf(e.allowable) ? 0.0 : c2 * e.repetitions / e.allowable;
            e.energy = differential_energy(d.k, e.corner, e.unloaded);
            out.erosion_damage += e.damage;
            out.energy_total += e.repetitions * e.energy;
            out.erosion.push_back(e);
        }
    }
    out.erosion_given = !out.erosion.empty();
    out.erosion_note = out.erosion_given
                           ? "c1 = " + fmt("%g", g.erosion_c1) + ", c2 = " + fmt("%g", c2) +
                                 (g.erosion_c2 > 0 ? " (given)"
                                  : tied ? " (a tied concrete shoulder at the lane's line)"
                                         : " (no concrete shoulder)")
                           : "not given: the model has no transverse joint under the groups";
}

} // namespace

bool outline_design(const description &d, int jobs, design_outline &o, std::string &why)
{
    const design_spec &g = d.design;
    lane_line line;
    if (!wander_line(d, line, why)) return false;
    o.line = line.name;
    o.places = design_placements(d);
    if (o.places.empty()) {
        why = "no axle group fits on the slabs at any wander position";
        return false;
    }
    generated_model probe;
    if (!build_model(loaded(d, {}, 0), {}, probe, why)) return false;
    o.superposed = !probe.nonlinear;
    o.combinations = static_cast<int>(design_combinations(g, o.places).size());
    auto seconds_of = [](long long n, int sets) {
        const double r = static_cast<double>(n) / 16854.0;
        return 1.6 * std::pow(r, 1.8) + 0.02 * sets * static_cast<double>(n) / 1000.0;
    };
    double total = 0;
    if (o.superposed) {
        const std::vector<std::vector<int>> groups = mesh_groups(d, o.places, why);
        o.analyses = static_cast<int>(groups.size());
        for (const std::vector<int> &members : groups) {
            std::vector<wheel> every;
            for (int p : members)
                every.insert(every.end(), o.places[p].wheels.begin(), o.places[p].wheels.end());
            generated_model m;
            if (!build_model(loaded(d, {}, 1.0), {}, m, why, &every)) return false;
            o.nodes = std::max(o.nodes, m.estimated_nodes);
            total += seconds_of(m.estimated_nodes, 2 + static_cast<int>(members.size()));
        }
    } else {
        o.analyses = 0;
        for (const placement &p : o.places) {
            generated_model m;
            if (!build_model(loaded(d, p.wheels, 0), {}, m, why)) return false;
            o.nodes = std::max(o.nodes, m.estimated_nodes);
            // an analysis per traffic row of this placement, its climate states as load sets
            // (each iterated to equilibrium from the state before: a third of an analysis's own
            // time more per state, as measured on the tied-shoulder example on a tensionless
            // liquid: 58 s in 12 analyses against 102 s in 36)
            int rows = 0;
            for (const traffic_row &t : g.traffic) rows += t.axle == p.axle;
            o.analyses += rows;
            const double states = static_cast<double>(std::max<std::size_t>(g.climate.size(), 1));
            total += rows * (1.0 + 0.35 * (states - 1.0)) * seconds_of(m.estimated_nodes, 1);
        }
    }
    o.seconds = total / std::max(1, std::min(jobs, o.analyses));
    return true;
}

bool compute_design(const description &d, const chain_tools &tools, const std::string &dir,
                    int jobs, bool quiet, bool keep, design_result &out, std::string &why)
{
    const design_spec &g = d.design;
    out = design_result{};
    out.thickness = d.thickness;
    lane_line line;
    if (!wander_line(d, line, why)) return false;
    out.wander_line = line.name;
    out.wander = wander_positions(g.wander_mean, g.wander_sd, g.wander_points, &out.wander_at_edge,
                                  line.free_edge);
    const double mr = g.mr > 0 ? g.mr : d.mr;
    if (!(mr > 0)) {
        why = d.file + ": the design check needs the modulus of rupture ([design] mr)";
        return false;
    }
    if (g.traffic.empty()) {
        why = d.file + ": the design check needs traffic ([[traffic]] rows)";
        return false;
    }
    design_job job(d, tools);
    job.dir = dir;
    job.base = fs::path(d.file).stem().string();
    job.jobs = jobs;
    job.quiet = quiet;
    job.keep = keep;
    job.places = design_placements(d);
    if (job.places.empty()) {
        why = d.file + ": no axle group fits on the slabs at any wander position";
        return false;
    }
    generated_model probe;
    if (!build_model(loaded(d, {}, 0), {}, probe, why)) return false;
    job.combos = design_combinations(g, job.places);
    job.stress.assign(job.combos.size(), std::nan(""));
    job.load_stress.assign(job.combos.size(), std::nan(""));
    job.joint_loaded.assign(job.places.size(), std::nan(""));
    job.joint_unloaded.assign(job.places.size(), std::nan(""));
    job.environment_stress.assign(job.combos.size(), std::nan(""));
    const auto t0 = std::chrono::steady_clock::now();
    const bool analysed =
        probe.nonlinear ? separate_stresses(job, out, why) : superposed_stresses(job, out, why);
    out.seconds = seconds_since(t0);
    if (!analysed) return false;
    add_damage_terms(job, out);
    sum_damage(g, mr, out);
    add_erosion_terms(job, out);
    return true;
}

namespace
{

const char *const mode_names[2] = {"bottom-up", "top-down"};

std::string transfer_text(const transfer_function &t)
{
    switch (t.kind) {
    case transfer_function::pca:
        return "PCA (1984): log10 N = 11.737 - 12.077 SR for SR > 0.55; N = (4.2577 / (SR - "
               "0.4325))^3.268 for 0.45 <= SR <= 0.55; unlimited below 0.45";
    case transfer_function::me:
        return "mechanistic-empirical: log10 N = C1 (MR / sigma)^C2 with C1 = " + fmt("%g", t.c1) +
               ", C2 = " + fmt("%g", t.c2) +
               "; slabs cracked CRK = 1 / (1 + C4 DI^C5) with C4 = " + fmt("%g", t.c4) +
               ", C5 = " + fmt("%g", t.c5) + "; total cracking BU + TD - BU TD";
    case transfer_function::user:
        return "the description's curve of SR and N (log10 N interpolated linearly in SR)";
    }
    return "";
}

// The check's verdict for one result.
std::string verdict(const description &d, const design_result &r, bool &passes)
{
    const design_spec &g = d.design;
    if (g.transfer.kind == transfer_function::me) {
        const double total = total_cracking(r.cracking[0], r.cracking[1]);
        passes = total <= g.crack_limit;
        return std::string(passes ? "PASSES" : "FAILS") + ": slabs cracked " +
               fmt("%.1f", 100 * total) + " % (bottom-up " + fmt("%.1f", 100 * r.cracking[0]) +
               " %, top-down " + fmt("%.1f", 100 * r.cracking[1]) + " %) against the limit " +
               fmt("%.1f", 100 * g.crack_limit) + " %";
    }
    passes =
        r.damage[0] <= 1.0 && r.damage[1] <= 1.0 && (!r.erosion_given || r.erosion_damage <= 1.0);
    return std::string(passes ? "PASSES" : "FAILS") + ": Miner's sum bottom-up " +
           fmt("%.4g", r.damage[0]) + ", top-down " + fmt("%.4g", r.damage[1]) +
           (r.erosion_given ? ", erosion " + fmt("%.4g", r.erosion_damage) : std::string()) +
           " against 1";
}

// The design report's tables, one function each.

table summary_table(const description &d, const design_result &r)
{
    const design_spec &g = d.design;
    const double mr = g.mr > 0 ? g.mr : d.mr;
    table t{"Design check", "", {"item", "value"}, {}};
    bool passes = false;
    t.rows.push_back({txt("verdict"), txt(verdict(d, r, passes))});
    t.rows.push_back({txt("slab thickness (m)"), num(r.thickness)});
    t.rows.push_back({txt("design life (years)"), num(g.life)});
    t.rows.push_back({txt("modulus of rupture MR (MPa)"), num(mr)});
    t.rows.push_back({txt("transfer function"), txt(transfer_text(g.transfer))});
    t.rows.push_back({txt("damage bottom-up (Miner's sum)"), num(r.damage[0])});
    t.rows.push_back({txt("damage top-down (Miner's sum)"), num(r.damage[1])});
    t.rows.push_back({txt("erosion damage (PCA 1984, sum c2 n / N)"),
                      r.erosion_given ? num(r.erosion_damage) : txt(r.erosion_note)});
    t.rows.push_back({txt("differential energy at the loaded joint over the life (J/m2)"),
                      r.erosion_given ? num(r.energy_total) : txt(r.erosion_note)});
    if (g.transfer.kind == transfer_function::me) {
        t.rows.push_back({txt("slabs cracked bottom-up"), num(r.cracking[0], "%.4f")});
        t.rows.push_back({txt("slabs cracked top-down"), num(r.cracking[1], "%.4f")});
        t.rows.push_back({txt("slabs cracked in all"),
                          num(total_cracking(r.cracking[0], r.cracking[1]), "%.4f")});
    }
    t.rows.push_back(
        {txt("stresses"), txt(std::to_string(r.analyses) +
                              (r.superposed ? " analyses: on each mesh the self weight, "
                                              "a unit gradient and the placements as load "
                                              "sets, each combination superposed (a "
                                              "linear model)"
                                            : " analyses, one per placement and load, "
                                              "its temperature states as load sets of one "
                                              "mesh, each combination analysed whole (a "
                                              "support that lets go in tension)"))});
    if (!r.in_equilibrium)
        t.rows.push_back({txt("equilibrium"), txt("NOT reached in some analyses")});
    return t;
}

table traffic_table(const design_spec &g, const design_result &r)
{
    table t{"Traffic",
            "",
            {"axle", "load (kN)", "repetitions per year", "tyre pressure (MPa)", "damage bottom-up",
             "damage top-down"},
            {}};
    for (std::size_t k = 0; k < g.traffic.size(); ++k) {
        double dm[2] = {0, 0};
        for (const damage_term &e : r.terms)
            if (e.traffic == static_cast<int>(k)) dm[e.mode] += e.damage;
        const traffic_row &tr = g.traffic[k];
        t.rows.push_back({txt(tr.axle), num(tr.load), num(tr.repetitions), num(tr.pressure),
                          num(dm[0]), num(dm[1])});
    }
    return t;
}

table wander_table(const design_spec &g, const design_result &r)
{
    const bool free = g.from == design_spec::line::edge;
    table t{"Wheel wander",
            "Offsets of the outer tyre edge from " + r.wander_line + " into the lane (row " +
                std::to_string(g.lane) + " of the slabs), the normal distribution of mean " +
                fmt("%g", g.wander_mean) + " m and standard deviation " + fmt("%g", g.wander_sd) +
                " m at discrete points, weights summing to 1; " +
                (free ? "traffic beyond the free edge is kept at the edge (offset 0): " +
                            fmt("%.1f", 100.0 * r.wander_at_edge) + " % of it here."
                      : std::string("traffic beyond the line (a negative offset) runs there: "
                                    "onto the shoulder or past the stripe.")),
            {"offset (m)", "weight"},
            {}};
    for (const auto &w : r.wander) t.rows.push_back({num(w.first), num(w.second, "%.4f")});
    return t;
}

table climate_table(const description &d, const design_result &r)
{
    const design_spec &g = d.design;
    table t{"Temperature states",
            d.built_in != 0
                ? "Each state's slab also carries the built-in curl of " + fmt("%g", d.built_in) +
                      " C (an equivalent linear difference, top minus bottom)."
                : std::string(),
            {"difference top - bottom (C)", "share of time", "damage bottom-up", "damage top-down"},
            {}};
    for (std::size_t c = 0; c < g.climate.size(); ++c) {
        double dm[2] = {0, 0};
        for (const damage_term &e : r.terms)
            if (e.climate == static_cast<int>(c)) dm[e.mode] += e.damage;
        t.rows.push_back(
            {num(g.climate[c].difference), num(g.climate[c].share), num(dm[0]), num(dm[1])});
    }
    return t;
}

// The ten most damaging combinations of each cracking mode.
table governing_table(const design_spec &g, const design_result &r, int m)
{
    const std::string apart =
        r.superposed
            ? " The axle group alone and the temperature and self weight alone are each the "
              "largest tension of that part's own field (they need not add up to the combined "
              "one, which may lie elsewhere)."
            : " The parts are not given apart: each combination was analysed whole (a support "
              "that lets go in tension).";
    table t{std::string("Governing combinations, ") + mode_names[m],
            m == 0 ? "The axle group centred on the first slab's length, its outer tyre edge at "
                     "the offset from the wander's line; the slab bottom's largest tension (in its "
                     "plane)." +
                         apart
                   : "The axle group at both ends of the first slab (its front at the far "
                     "joint, a second group's rear at the near end); the slab top's largest "
                     "tension." +
                         apart,
            {"axle", "load (kN)", "offset (m)", "temperature (C)", "stress (MPa)",
             "axle alone (MPa)", "temperature and weight alone (MPa)", "SR", "repetitions n",
             "allowable N", "n / N"},
            {}};
    std::vector<const damage_term *> sorted;
    for (const damage_term &e : r.terms)
        if (e.mode == m) sorted.push_back(&e);
    std::stable_sort(sorted.begin(), sorted.end(), [](const damage_term *a, const damage_term *b) {
        return a->damage > b->damage || (a->damage == b->damage && a->stress > b->stress);
    });
    for (std::size_t k = 0; k < sorted.size() && k < 10; ++k) {
        const damage_term &e = *sorted[k];
        t.rows.push_back({txt(g.traffic[e.traffic].axle), num(g.traffic[e.traffic].load),
                          num(r.wander[e.wander].first), num(g.climate[e.climate].difference),
                          num(e.stress), num(e.load_stress), num(e.environment_stress),
                          num(e.ratio, "%.3f"), num(e.repetitions),
                          num(std::isinf(e.allowable) ? std::nan("") : e.allowable),
                          num(e.damage)});
    }
    return t;
}

// Erosion and the faulting driver: one row per top-down placement and traffic row.
table erosion_table(const design_spec &g, const design_result &r)
{
    table t{"Erosion and faulting",
            "The axle group alone at the transverse joint (the top-down placements): w the "
            "loaded side's deflection at the joint station under it, w' the other side's. PCA "
            "(1984) erosion: p = k w, P = 268.7 p^2 / (h k^0.73) (psi, inches, pci), log10 N = "
            "14.524 - 6.777 (c1 P - 9)^0.103 (unlimited for c1 P <= 9), damage c2 n / N; " +
                r.erosion_note +
                ". Differential energy per pass DE = k / 2 (w^2 - w'^2), the driver of the "
                "mechanistic-empirical faulting models (NCHRP 1-37A), summed over the traffic.",
            {"axle", "load (kN)", "offset (m)", "w (mm)", "w' (mm)", "P", "allowable N",
             "repetitions n", "damage", "DE per pass (J/m2)"},
            {}};
    for (const auto &e : r.erosion)
        t.rows.push_back({txt(g.traffic[e.traffic].axle), num(g.traffic[e.traffic].load),
                          num(r.wander[e.wander].first), num(e.corner * mm_per_m, "%.4f"),
                          num(e.unloaded * mm_per_m, "%.4f"), num(e.power, "%.3f"),
                          num(std::isinf(e.allowable) ? std::nan("") : e.allowable),
                          num(e.repetitions), num(e.damage), num(e.energy, "%.4g")});
    return t;
}

table thickness_table(const description &d, const std::vector<design_result> &results)
{
    const design_spec &g = d.design;
    table t{
        "Slab thickness",
        "",
        {"thickness (m)", "damage bottom-up", "damage top-down", "slabs cracked (ME)", "verdict"},
        {}};
    for (const design_result &x : results) {
        bool passes = false;
        const std::string v = verdict(d, x, passes);
        t.rows.push_back({num(x.thickness), num(x.damage[0]), num(x.damage[1]),
                          num(g.transfer.kind == transfer_function::me
                                  ? total_cracking(x.cracking[0], x.cracking[1])
                                  : std::nan(""),
                              "%.4f"),
                          txt(passes ? "passes" : "fails")});
    }
    return t;
}

// A plot beside the report: the plot, the file suffix and the figure's title.
struct design_plot {
    svg_plot plot;
    std::string suffix, title;
};

// Damage by axle load, by temperature state, against time, and against the slab thickness
// when several were checked.
std::vector<design_plot> design_plots(const description &d,
                                      const std::vector<design_result> &results)
{
    const design_spec &g = d.design;
    const design_result &r = results.front();
    svg_plot by_load;
    by_load.title = "Damage by axle load";
    by_load.x_label = "axle group load (kN)";
    by_load.y_label = "damage n / N over the design life";
    for (const std::string &axle : axle_types(g))
        for (int m = 0; m < 2; ++m) {
            svg_series s{axle + ", " + mode_names[m], {}, {}, m == 1, true};
            std::map<double, double> per_load;
            for (const damage_term &e : r.terms)
                if (e.mode == m && g.traffic[e.traffic].axle == axle)
                    per_load[g.traffic[e.traffic].load] += e.damage;
            for (const auto &[load, dmg] : per_load) {
                s.x.push_back(load);
                s.y.push_back(dmg);
            }
            by_load.series.push_back(s);
        }
    svg_plot by_temp;
    by_temp.title = "Damage by temperature state";
    by_temp.x_label = "temperature difference top - bottom (C)";
    by_temp.y_label = "damage n / N over the design life";
    for (int m = 0; m < 2; ++m) {
        svg_series s{mode_names[m], {}, {}, m == 1, true};
        std::map<double, double> per;
        for (const damage_term &e : r.terms)
            if (e.mode == m) per[g.climate[e.climate].difference] += e.damage;
        for (const auto &[dt, dmg] : per) {
            s.x.push_back(dt);
            s.y.push_back(dmg);
        }
        by_temp.series.push_back(s);
    }
    svg_plot in_time;
    const bool me = g.transfer.kind == transfer_function::me;
    in_time.title = me ? "Slabs cracked against time" : "Damage against time";
    in_time.x_label = "years";
    in_time.y_label = me ? "slabs cracked (%)" : "Miner's sum";
    for (int m = 0; m < 3; ++m) {
        if (!me && m == 2) break;
        svg_series s{m < 2 ? mode_names[m] : "in all", {}, {}, m == 1, false};
        for (int k = 0; k <= 40; ++k) {
            const double year = g.life * k / 40.0, f = k / 40.0;
            double v;
            if (!me)
                v = r.damage[m] * f;
            else if (m < 2)
                v = 100 * cracked_fraction(g.transfer, r.damage[m] * f);
            else
                v = 100 * total_cracking(cracked_fraction(g.transfer, r.damage[0] * f),
                                         cracked_fraction(g.transfer, r.damage[1] * f));
            s.x.push_back(year);
            s.y.push_back(v);
        }
        in_time.series.push_back(s);
    }
    std::vector<design_plot> out = {{by_load, "_by_load.svg", "Damage by axle load"},
                                    {by_temp, "_by_temperature.svg", "Damage by temperature state"},
                                    {in_time, "_in_time.svg", in_time.title}};
    if (results.size() > 1) {
        svg_plot by_h;
        by_h.title = me ? "Slabs cracked against slab thickness" : "Damage against slab thickness";
        by_h.x_label = "slab thickness (m)";
        by_h.y_label = me ? "slabs cracked (%)" : "Miner's sum";
        by_h.log_y = !me;
        for (int m = 0; m < (me ? 1 : 2); ++m) {
            svg_series s{me ? "in all" : mode_names[m], {}, {}, m == 1, true};
            for (const design_result &x : results) {
                s.x.push_back(x.thickness);
                s.y.push_back(me ? 100 * total_cracking(x.cracking[0], x.cracking[1])
                                 : x.damage[m]);
            }
            by_h.series.push_back(s);
        }
        out.push_back({by_h, "_by_thickness.svg", by_h.title});
    }
    return out;
}

} // namespace

bool write_design_report(const description &d, const std::vector<design_result> &results,
                         const std::string &path, std::string &why)
{
    report_format fm;
    if (!format_of(path, fm)) {
        why = "the report's name must end in .html, .md or .csv";
        return false;
    }
    const design_spec &g = d.design;
    const design_result &r = results.front();
    std::vector<table> tables = {summary_table(d, r),      traffic_table(g, r),
                                 wander_table(g, r),       climate_table(d, r),
                                 governing_table(g, r, 0), governing_table(g, r, 1)};
    if (r.erosion_given) tables.push_back(erosion_table(g, r));
    if (results.size() > 1) tables.push_back(thickness_table(d, results));

    const std::size_t dot = path.find_last_of('.'), slash = path.find_last_of('/');
    const std::string stem = path.substr(0, dot);
    std::vector<std::string> written;
    struct remover {
        std::vector<std::string> &names;
        bool keep = false;
        ~remover()
        {
            if (!keep)
                for (const std::string &n : names) std::remove(n.c_str());
        }
    } cleanup{written};
    std::vector<std::pair<std::string, std::string>> figures; // title, file beside the report
    if (fm != report_format::csv)
        for (design_plot &p : design_plots(d, results)) {
            const std::string file = stem + p.suffix;
            if (!write_svg_plot(p.plot, file)) {
                why = "cannot write the plots beside the report";
                return false;
            }
            written.push_back(file);
            figures.push_back(
                {p.title, slash == std::string::npos ? file : file.substr(slash + 1)});
        }
    atomic_file out;
    if (!out.open(path)) {
        why = "cannot create the file";
        return false;
    }
    std::FILE *f = out.stream();
    write_document_start(f, fm, "Fatigue design check: " + fs::path(d.file).stem().string());
    for (const table &t : tables) write_table(f, t, fm);
    for (const auto &[title, file] : figures) write_figure(f, fm, title, file);
    write_document_end(f, fm);
    if (!out.commit()) {
        why = "write error (disk full or device error)";
        return false;
    }
    cleanup.keep = true;
    return true;
}

int design_description(const description &d, const std::vector<double> &thicknesses, int jobs,
                       const run_settings &s, const chain_tools &tools)
{
    const std::string base = fs::path(d.file).stem().string();
    const std::string dir = s.out_dir.empty() ? "pavement_" + base + "_design" : s.out_dir;
    std::vector<double> hs = thicknesses;
    if (hs.empty()) hs.push_back(d.thickness);
    std::vector<design_result> results;
    int status = pavement_ok;
    for (double h : hs) {
        description dh = d;
        dh.thickness = h;
        const std::string sub = hs.size() > 1 ? dir + "/h" + fmt("%.4f", h) : dir;
        if (!s.quiet && hs.size() > 1) std::printf("pavement: slab thickness %.4g m\n", h);
        design_result r;
        std::string why;
        if (!compute_design(dh, tools, sub, jobs, s.quiet, s.keep, r, why)) {
            std::fprintf(stderr, "pavement: %s\n", why.c_str());
            return pavement_failed;
        }
        if (!r.in_equilibrium) status = pavement_not_converged;
        bool passes = false;
        std::printf("pavement: h = %.4g m: %d analyses%s; %s\n", h, r.analyses,
                    r.superposed ? " (superposed)" : "", verdict(d, r, passes).c_str());
        if (s.timings) {
            std::printf("pavement: timings: h = %.4g m: %d analyses and their reading in %.2f s, "
                        "%d at a time (summed over them: meshing %.2f s, analysis %.2f s, "
                        "reading %.2f s)\n",
                        h, r.analyses, r.seconds, std::max(1, jobs), r.clock.meshing,
                        r.clock.solving, r.clock.reading);
            r.clock.print_solver();
        }
        results.push_back(r);
    }
    const auto t_report = std::chrono::steady_clock::now();
    std::string why;
    for (const char *ext : {"_design.csv", "_design.html"})
        if (!write_design_report(d, results, dir + "/" + base + ext, why)) {
            std::fprintf(stderr, "pavement: %s/%s%s: %s\n", dir.c_str(), base.c_str(), ext,
                         why.c_str());
            return pavement_failed;
        }
    if (s.timings)
        std::printf("pavement: timings: the report and its plots %.2f s\n",
                    seconds_since(t_report));
    if (!s.quiet) {
        std::printf("pavement: %s\n", s.keep ? "every analysis's files are kept (--keep)"
                                             : "the analyses' files are removed once read "
                                               "(--keep keeps them)");
        print_resources(dir);
    }
    std::printf("pavement: report %s/%s_design.html\n", dir.c_str(), base.c_str());
    return status;
}
