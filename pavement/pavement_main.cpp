// pavement: from an engineer's description of a pavement (TOML) to the mesh, the analysis and
// the report.
//
//   pavement check model.toml
//   pavement run model.toml [--out=DIR] [--verify-mesh] [--no-pictures] [--quiet]
//   pavement sweep model.toml --dx=a:b:s --dy=a:b:s [-j N] [--out=DIR]
#include "backcalc.h"
#include "description.h"
#include "design.h"
#include "fwd.h"
#include "model.h"
#include "pavement_version.h"
#include "plan.h"
#include "run.h"
#include "unit_factors.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

const char usage[] =
    "usage: pavement check FILE.toml [--plan=FILE.svg]\n"
    "       pavement run FILE.toml [--out=DIR] [--verify-mesh] [--no-pictures] [--quiet]\n"
    "       pavement sweep FILE.toml [--dx=a:b:s] [--dy=a:b:s] [-j N] [--out=DIR] [--keep]\n"
    "       pavement design FILE.toml [--thickness=a:b:s] [-j N] [--out=DIR] [--keep]\n"
    "       pavement fwd FILE.toml [-j N] [--out=DIR]\n"
    "       pavement backcalc FILE.toml --basins=MEASURED.csv [-j N] [--out=DIR]\n"
    "  check           read the description, say what it holds and how large the model is\n"
    "  run             mesh (tarnel), analyse (corvane), write the report, pictures and VTK\n"
    "                  into DIR (default pavement_NAME); the report's path is printed last\n"
    "  sweep           move every load group by the offsets dx, dy (m, start:stop:step) and\n"
    "                  find the position of the largest slab tension (sweep.csv, sweep.svg)\n"
    "  design          the fatigue check over the traffic, wander and climate: damage by\n"
    "                  Miner's sum bottom-up and top-down, the damage report\n"
    "  fwd             the [[fwd]] deflectometer drops simulated: basins, AREA, joint LTE\n"
    "                  (fwd.csv, fwd.svg in DIR, default pavement_NAME_fwd)\n"
    "  backcalc        k and E from measured centre basins (AREA, then the 3D model), the\n"
    "                  transverse joint's interlock from joint drops; NAME_backcalc.toml\n"
    "  --thickness=a:b:s  the design check repeated for each slab thickness (m)\n"
    "  --keep          design: keep every analysis's files (removed once read otherwise);\n"
    "                  sweep: keep every position's result set (else the governing one's)\n"
    "  --plan=FILE.svg the plan sketch (slabs, joints, bars, tyres) written by check\n"
    "  --out=DIR       directory of every file written (also --out DIR)\n"
    "  --verify-mesh   run again with the sizes near loads and joints halved and twice the\n"
    "                  elements through the slab, and report how much the figures change\n"
    "  --no-pictures   no pictures or VTK (no ostrine-batch)\n"
    "  -j N, --jobs=N  analyses at a time in a sweep (2)\n"
    "  --quiet         only the report's path and errors\n"
    "  --timings       where the time went: each phase, and the solver's own\n"
    "  --version, --help\n"
    "Exit status: 0 done; 1 a program of the chain failed; 2 a bad description or command\n"
    "line (nothing written); 4 results written but equilibrium not reached.\n";

int usage_error(const std::string &what)
{
    std::fprintf(stderr, "pavement: %s\n%s", what.c_str(), usage);
    return pavement_bad_input;
}

bool parse_range(const std::string &text, sweep_range &r)
{
    double v[3] = {0, 0, 1};
    int n = 0;
    const char *p = text.c_str();
    while (n < 3) {
        char *end = nullptr;
        v[n] = std::strtod(p, &end);
        if (end == p || !std::isfinite(v[n])) return false;
        ++n;
        if (*end == '\0') break;
        if (*end != ':') return false;
        p = end + 1;
    }
    if (n == 1) {
        r = {v[0], v[0], 1};
        return true;
    }
    if (n != 3 || !(v[2] > 0) || v[1] < v[0] || (v[1] - v[0]) / v[2] > 10000) return false;
    r = {v[0], v[1], v[2]};
    return true;
}

// What a description holds, for pavement check.
void summarise(const description &d, const chain_tools &tools, int jobs)
{
    std::printf("%s: %s\n", d.file.c_str(), d.title.empty() ? "(no title)" : d.title.c_str());
    std::printf("  slabs: %zu columns x %zu rows, %.4g x %.4g m in all, %.4g m thick, E %.6g "
                "MPa, nu %.3g\n",
                d.lengths.size(), d.widths.size(), d.total_length(), d.total_width(), d.thickness,
                d.e, d.nu);
    for (const layer_spec &l : d.layers)
        std::printf("  layer %s: %.4g m, E %.6g MPa, nu %.3g\n", l.name.c_str(), l.thickness, l.e,
                    l.nu);
    if (d.has_foundation)
        std::printf("  foundation: dense liquid k %.6g MPa/m%s\n", d.k,
                    d.tensionless ? ", tensionless" : "");
    else
        std::printf("  foundation: the last layer's bottom fixed\n");
    if (!d.layers.empty())
        std::printf("  interface: %s\n", d.bonded ? "bonded" : "unbonded (a joint layer)");
    const std::vector<double> tj = d.transverse_joints(), lj = d.longitudinal_joints();
    if (!tj.empty())
        std::printf("  transverse joints: %zu, %.4g m wide, stiffness %.6g MPa/mm\n", tj.size(),
                    d.transverse.width, d.transverse.stiffness / mm_per_m);
    if (!lj.empty())
        std::printf("  longitudinal joints: %zu, %.4g m wide, stiffness %.6g MPa/mm\n", lj.size(),
                    d.longitudinal.width, d.longitudinal.stiffness / mm_per_m);
    for (std::size_t i = 0; i < d.loads.size(); ++i) {
        const load_group &g = d.loads[i];
        std::printf("  load group %zu: %s, %.6g kN, %zu tyres\n", i,
                    g.axle.empty() ? "wheels" : g.axle.c_str(), g.load, g.wheels.size());
        for (const wheel &w : g.wheels)
            std::printf("    tyre at (%.3f, %.3f) m, %.3f x %.3f m, %.4g kN, %.4g MPa\n", w.x, w.y,
                        w.length, w.width, w.load, contact_pressure(w.load, w.length * w.width));
    }
    if (d.temperature_difference != 0)
        std::printf("  temperature: %.4g C top minus bottom (%s)\n", d.temperature_difference,
                    d.quadratic ? "quadratic" : "linear");
    if (d.built_in != 0)
        std::printf("  built-in curl: %.4g C top minus bottom, added to every temperature state\n",
                    d.built_in);
    generated_model g;
    std::string why;
    if (!build_model(d, {}, g, why)) return; // refused by the caller
    std::printf("  dowels: %d, ties: %d\n", g.n_dowels, g.n_ties);
    std::printf("  mesh: %zu x %zu x %zu grid lines, about %lld nodes, about %.2f GB for the "
                "solver (%s)%s\n",
                g.x.size(), g.y.size(), g.z.empty() ? std::size_t(0) : g.z.size(),
                g.estimated_nodes, expected_memory(d, tools, g.estimated_nodes) / 1e9,
                chosen_solver(d, tools, g.estimated_nodes).c_str(),
                g.nonlinear ? "; nonlinear (a tensionless support or a tight joint): --equilibrium"
                            : "");
    if (!d.design.present) return;
    design_outline o;
    if (!outline_design(d, jobs, o, why)) {
        std::printf("  design: %s\n", why.c_str());
        return;
    }
    int modes[2] = {0, 0};
    for (const placement &p : o.places) ++modes[p.mode];
    std::printf("  design: the wander from %s into row %d; %zu placements (%d bottom-up, %d "
                "top-down), %d combinations\n",
                o.line.c_str(), d.design.lane, o.places.size(), modes[0], modes[1], o.combinations);
    for (const placement &p : o.places) {
        double y0 = 1e300, y1 = -1e300;
        for (const wheel &w : p.wheels) {
            y0 = std::min(y0, w.y - w.width / 2);
            y1 = std::max(y1, w.y + w.width / 2);
        }
        std::printf("    %s %s, offset %.3f m (weight %.4f): tyres over y %.3f to %.3f m\n",
                    p.axle.c_str(), p.mode == 0 ? "bottom-up" : "top-down", p.offset, p.weight, y0,
                    y1);
    }
    std::printf("  design: %d analyses (%s), the largest about %lld nodes; about %.0f s with %d "
                "at a time (a rough estimate from this machine's measured runs)\n",
                o.analyses,
                o.superposed ? "load sets on shared meshes, superposed"
                             : "one per placement and load, its temperature states as "
                               "load sets: a support that lets go",
                o.nodes, o.seconds, jobs);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) return usage_error("no command given");
    const std::string command = argv[1];
    if (command == "--version") {
        std::printf("pavement %s\n", PAVEMENT_VERSION);
        return pavement_ok;
    }
    if (command == "--help") {
        std::fputs(usage, stdout);
        return pavement_ok;
    }
    if (command != "check" && command != "run" && command != "sweep" && command != "design" &&
        command != "fwd" && command != "backcalc")
        return usage_error("unknown command '" + command +
                           "' (check, run, sweep, design, fwd or backcalc)");
    std::string file;
    run_settings s;
    sweep_range dx, dy, thickness;
    bool thickness_given = false;
    std::string plan_file; // check --plan: the plan sketch
    std::string basins;    // backcalc --basins: the measured basins
    int jobs = 2;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        // the long options that take a value accept it as the next argument too
        for (const char *name :
             {"--out", "--dx", "--dy", "--thickness", "--jobs", "--plan", "--basins"})
            if (a == name) {
                if (i + 1 >= argc) return usage_error(a + " needs a value");
                a += std::string("=") + argv[++i];
                break;
            }
        auto value = [&a](const char *name) -> const char * {
            const std::size_t n = std::strlen(name);
            return a.compare(0, n, name) == 0 ? a.c_str() + n : nullptr;
        };
        if (const char *v = value("--out=")) {
            s.out_dir = v;
        } else if (const char *v = value("--basins=")) {
            if (command != "backcalc" || !*v)
                return usage_error("--basins=MEASURED.csv goes with backcalc");
            basins = v;
        } else if (const char *v = value("--plan=")) {
            if (command != "check" || !*v) return usage_error("--plan=FILE.svg goes with check");
            plan_file = v;
        } else if (a == "--verify-mesh" && command == "run") {
            s.verify_mesh = true;
        } else if (a == "--keep" && (command == "design" || command == "sweep")) {
            s.keep = true;
        } else if (a == "--timings") {
            s.timings = true;
        } else if (a == "--no-pictures") {
            s.pictures = false;
        } else if (a == "--quiet") {
            s.quiet = true;
        } else if (const char *v = value("--dx=")) {
            if (command != "sweep" || !parse_range(v, dx))
                return usage_error("--dx takes start:stop:step (m) in a sweep");
        } else if (const char *v = value("--thickness=")) {
            if (command != "design" || !parse_range(v, thickness) || !(thickness.start > 0))
                return usage_error("--thickness takes start:stop:step (m, positive) in a design");
            thickness_given = true;
        } else if (const char *v = value("--dy=")) {
            if (command != "sweep" || !parse_range(v, dy))
                return usage_error("--dy takes start:stop:step (m) in a sweep");
        } else if (a == "-j" || value("--jobs=")) {
            const char *v = a == "-j" ? (i + 1 < argc ? argv[++i] : "") : value("--jobs=");
            char *end = nullptr;
            const long n = std::strtol(v, &end, 10);
            if (end == v || *end != '\0' || n < 1 || n > 256)
                return usage_error("-j takes a count from 1 to 256");
            jobs = static_cast<int>(n);
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error("unknown option '" + a + "'");
        } else if (file.empty()) {
            file = a;
        } else {
            return usage_error("one description at a time ('" + a + "' is a second)");
        }
    }
    if (file.empty()) return usage_error("no description given");
    // the programs of the chain first: the solvers and elements corvane offers are the names
    // the description may give (check too: the solver they offer decides the memory)
    chain_tools tools;
    std::string tools_why;
    const bool have_tools = find_tools(argv[0], tools, tools_why);
    description d;
    std::vector<std::string> errors;
    if (!read_description(file, d, errors, tools.offered)) {
        for (const std::string &e : errors) std::fprintf(stderr, "pavement: %s\n", e.c_str());
        std::fprintf(stderr, "pavement: %s: %zu error(s); nothing written\n", file.c_str(),
                     errors.size());
        return pavement_bad_input;
    }
    // (with --quiet the warnings stand in the report only)
    if (!s.quiet)
        for (const std::string &w : d.warnings)
            std::fprintf(stderr, "pavement: warning: %s\n", w.c_str());
    // what run would refuse before analysing, check refuses with the same words
    {
        generated_model g;
        std::string why;
        if (!plan_analysis(d, tools, s.verify_mesh, g, why)) {
            std::fprintf(stderr, "pavement: %s\n", why.c_str());
            return pavement_bad_input;
        }
    }
    if (command == "check") {
        summarise(d, tools, jobs);
        if (!plan_file.empty()) {
            if (!write_plan(d, plan_file)) {
                std::fprintf(stderr, "pavement: %s: cannot be written\n", plan_file.c_str());
                return pavement_failed;
            }
            std::printf("  plan: %s\n", plan_file.c_str());
        }
        return pavement_ok;
    }
    if (!have_tools) {
        std::fprintf(stderr, "pavement: %s\n", tools_why.c_str());
        return pavement_failed;
    }
    if (command == "run") return run_description(d, s, tools);
    if (command == "fwd") return fwd_description(d, jobs, s, tools);
    if (command == "backcalc") {
        if (basins.empty()) return usage_error("backcalc needs --basins=MEASURED.csv");
        return backcalc_description(d, basins, jobs, s, tools);
    }
    if (command == "design")
        return design_description(d, thickness_given ? thickness.values() : std::vector<double>{},
                                  jobs, s, tools);
    return sweep_description(d, dx, dy, jobs, s, tools);
}
