// Command line of corvane: run settings, derived file names, unit factors.
#include "options.h"

#include "element_type.h"

#include "pavement_version.h"
#include "unit_factors.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Decimal integer as the C library converts it (leading part, 0 when none),
// clamped to the int range instead of overflowing.
static int to_int(const char *s)
{
    errno = 0;
    const long v = std::strtol(s, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

static double to_double(const char *s)
{
    return std::strtod(s, nullptr);
}

// Number of values each option letter consumes; -1 for letters that are no option.
static int value_count(char letter)
{
    switch (letter) {
    case 'A':
    case 'R':
        return 0;
    case 'B':
    case 'F':
    case 'J':
    case 'M':
    case 'N':
    case 'O':
    case 'U':
    case 'Z':
        return 1;
    case 'P':
        return 2;
    case 'E':
        return 3;
    case 'C':
        return 4;
    default:
        return -1;
    }
}

int set_units(corvane_run &run, int code)
{
    if (!valid_unit_code(code)) return 0;
    run.f_stress = unit_factors[code].stress;
    run.f_spring = unit_factors[code].spring;
    run.f_weight = unit_factors[code].weight;
    return 1;
}

// A positive finite real after "=" of a long option; false when there is none.
static bool positive_value(const char *text, double &out)
{
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !(v > 0.0) || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

// --help: every option on one line.
static const char help_text[] =
    "usage: corvane -F base [options]   (reads base.pin, base.dwi; writes base.out, base.dwo)\n"
    "  -F base              model file base.pin; results base.out, dowels base.dwi/.dwo\n"
    "  -B file.dwi          dowel file (after -F)\n"
    "  -M cases             case file: point file, points and the materials of every case\n"
    "  -O points            file of the output-point rows\n"
    "  -C x y z code        an output point (code 0 displacements, 1 stresses, 2 strains, 3 all)\n"
    "  -A                   append to the point file\n"
    "  -E m k v             set entry k of material m to v\n"
    "  -P n_inc n_sub       load increments and sub-increments of a failed one (1 1)\n"
    "  -N max_itr           equilibrium iterations per increment (40)\n"
    "  -R                   second loading phase\n"
    "  -U 0|1|2             unit system of the input: 1 kgf-cm, 2 the inverse factors\n"
    "  -J file              append one line of dowel maxima per case\n"
    "  -Z r                 stored, not used\n"
    "  --element=NAME       the solid element (below; brick by default)\n"
    "  --solver=NAME        the linear solver (below; cg by default)\n"
    "  --amg-reuse=yes|no   keep the AMG set-up while only joints change (yes)\n"
    "  --equilibrium        iterate on the true residual to --equilibrium-tolerance\n"
    "  --equilibrium-tolerance=R     |r| / |load| that ends --equilibrium (1e-6)\n"
    "  --check-tolerance=R  |r| / |load| the equilibrium check accepts (1e-3)\n"
    "  --material-stresses  also write base.mst: nodal stresses averaged per material\n"
    "  --timings            print the wall seconds of each phase at the end\n"
    "  --files-units=kgf-cm|si  record in base.mst's header the units the model files are\n"
    "                       written in (files=...), so that readers need not ask\n"
    "  --load-sets=FILE     one case per set of loaded faces in FILE, on the same mesh: the\n"
    "                       files base_p00.pin, .out, ... (the matrix and its set-up reused);\n"
    "                       a set may start \"body g t\": self weight times g, temperature t\n"
    "  --warm-start=yes|no  with --load-sets and --equilibrium: each set's iterations start\n"
    "                       from the displacements the set before ended with (no)\n"
    "  --capabilities       print the solvers, elements and long options of this build,\n"
    "                       one per line, for programs that drive corvane\n"
    "  --version            print the version\n"
    "  --help               print this list\n";

// The long options, for --capabilities (the ones that take a value end in '=').
static const char *const long_options[] = {
    "element=",         "solver=",           "amg-reuse=", "equilibrium",  "equilibrium-tolerance=",
    "check-tolerance=", "material-stresses", "timings",    "files-units=", "load-sets=",
    "warm-start=",      "capabilities",      "version",    "help",
};

// One "--name[=value]" argument. Returns -1 when it was taken (or is unknown:
// the letter options skip such arguments, so an unknown one is only noted),
// status_bad_input for a bad value.
static int long_option(corvane_run &run, const char *arg)
{
    const std::string text(arg + 2);
    const std::size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    const char *value = eq == std::string::npos ? nullptr : arg + 2 + eq + 1;
    if (name == "version" && !value) {
        std::printf("corvane %s\n", PAVEMENT_VERSION);
        return status_ok;
    }
    if (name == "help" && !value) {
        std::fputs(help_text, stdout);
        std::printf("elements:\n");
        for (int k = 0; k < element_type_count; ++k)
            std::printf("  %-20s %s\n", element_types[k].name, element_types[k].help);
        std::printf("solvers:\n");
        for (int k = 0; k < solver_type_count; ++k)
            std::printf("  %-20s %s%s\n", solver_types[k].name, solver_types[k].help,
                        solver_types[k].built() ? "" : " (not in this build)");
        return status_ok;
    }
    if (name == "capabilities" && !value) {
        // "solver NAME built|absent", "element NAME", "option NAME[=]": stable words, one item
        // per line, in table order
        for (int k = 0; k < solver_type_count; ++k)
            std::printf("solver %s %s\n", solver_types[k].name,
                        solver_types[k].built() ? "built" : "absent");
        for (int k = 0; k < element_type_count; ++k)
            std::printf("element %s\n", element_types[k].name);
        for (const char *o : long_options) std::printf("option --%s\n", o);
        return status_ok;
    }
    if (name == "equilibrium" && !value) {
        run.equilibrium_mode = 1;
        return -1;
    }
    if (name == "load-sets") {
        if (!value || !*value) {
            std::fprintf(stderr, "corvane: option %s: give the load-set file (--load-sets=FILE)\n",
                         arg);
            return status_bad_input;
        }
        run.load_set_file = value;
        return -1;
    }
    if (name == "timings" && !value) {
        run.timings = 1;
        return -1;
    }
    if (name == "files-units") {
        const std::string v = value ? value : "";
        if (v != "kgf-cm" && v != "si") {
            std::fprintf(stderr, "corvane: option %s: the value is kgf-cm or si\n", arg);
            return status_bad_input;
        }
        run.files_units = v == "kgf-cm" ? 1 : 2;
        return -1;
    }
    if (name == "material-stresses" && !value) {
        run.material_stresses = 1;
        return -1;
    }
    if (name == "solver") {
        if (const solver_type *t = find_solver_type(value ? value : "")) {
            run.solver = t;
            return -1;
        }
        std::string names;
        for (int k = 0; k < solver_type_count; ++k)
            names += std::string(k ? (k + 1 == solver_type_count ? " or " : ", ") : "") +
                     solver_types[k].name;
        std::fprintf(stderr, "corvane: option %s: the solver is %s\n", arg, names.c_str());
        return status_bad_input;
    }
    int *yes_no = name == "amg-reuse"    ? &run.amg_reuse
                  : name == "warm-start" ? &run.warm_start
                                         : nullptr;
    if (yes_no) {
        const std::string v = value ? value : "";
        if (v != "yes" && v != "no") {
            std::fprintf(stderr, "corvane: option %s: the value is yes or no\n", arg);
            return status_bad_input;
        }
        *yes_no = v == "yes";
        return -1;
    }
    if (name == "element") {
        if (const element_type *t = value ? find_element_type(value) : nullptr) {
            run.element = t;
            return -1;
        }
        std::string names;
        for (int k = 0; k < element_type_count; ++k)
            names += std::string(k ? (k + 1 == element_type_count ? " or " : ", ") : "") +
                     element_types[k].name;
        std::fprintf(stderr, "corvane: option %s: the element is %s\n", arg, names.c_str());
        return status_bad_input;
    }
    double *tolerance = nullptr;
    if (name == "equilibrium-tolerance") tolerance = &run.equilibrium_tolerance;
    if (name == "check-tolerance") tolerance = &run.check_tolerance;
    if (tolerance) {
        if (!value || !positive_value(value, *tolerance)) {
            std::fprintf(stderr, "corvane: option %s: the tolerance must be a positive number\n",
                         arg);
            return status_bad_input;
        }
        return -1;
    }
    std::fprintf(stderr, "corvane: unknown option %s ignored\n", arg);
    return -1;
}

int parse_command_line(corvane_run &run, int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "\n Usage: corvane  input output ");
        return status_ok;
    }
    int i = 1;
    while (i < argc && argv[i][0] == '-') {
        if (argv[i][1] == '-') { // one-argument long option
            // "--files-units VALUE" as "--files-units=VALUE", the same for --warm-start
            if ((std::strcmp(argv[i], "--files-units") == 0 ||
                 std::strcmp(argv[i], "--warm-start") == 0) &&
                i + 1 < argc) {
                const std::string joined = std::string(argv[i]) + "=" + argv[i + 1];
                const int status = long_option(run, joined.c_str());
                if (status >= 0) return status;
                i += 2;
                continue;
            }
            const int status = long_option(run, argv[i]);
            if (status >= 0) return status;
            ++i;
            continue;
        }
        char letter = argv[i][1];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        const int count = value_count(letter);
        if (count < 0) { // unknown letter or a bare "-": skipped, consumes nothing
            ++i;
            continue;
        }
        if (i + count >= argc) {
            std::fprintf(
                stderr, "corvane: option %s needs %d value(s) but the command line ends after %d\n",
                argv[i], count, argc - 1 - i);
            return status_bad_input;
        }
        char **v = argv + i + 1;
        switch (letter) {
        case 'A':
            run.append_points = 1;
            break;
        case 'B':
            run.dowel_input_file = v[0];
            break;
        case 'C':
            run.out_points.push_back(
                {to_double(v[0]), to_double(v[1]), to_double(v[2]), to_int(v[3])});
            break;
        case 'E':
            run.mat_overrides.push_back({to_int(v[0]), to_int(v[1]), to_double(v[2])});
            run.override_flag = 1;
            break;
        case 'F':
            run.base_name = v[0];
            run.input_file = run.base_name + ".pin";
            run.result_file = run.base_name + ".out";
            run.dowel_input_file = run.base_name + ".dwi";
            run.dowel_result_file = run.base_name + ".dwo";
            run.xy_file = run.base_name + ".xy";
            ++run.file_count;
            break;
        case 'J':
            run.dowel_max_file = v[0];
            break;
        case 'M':
            run.case_file = v[0];
            break;
        case 'N':
            run.max_itr = to_int(v[0]);
            break;
        case 'O':
            run.point_file = v[0];
            break;
        case 'P':
            run.n_inc = to_int(v[0]);
            run.n_sub = to_int(v[1]);
            break;
        case 'R':
            run.phase2 = 1;
            break;
        case 'U':
            run.unit_code = to_int(v[0]);
            break;
        case 'Z':
            run.z_value = to_double(v[0]);
            break;
        }
        i += 1 + count;
    }
    if (run.file_count < 1) {
        std::printf("\n Check arguments for file name!!");
        return status_no_file;
    }
    if (run.n_inc < 1 || run.n_sub < 1) {
        std::fprintf(stderr,
                     "corvane: -P %d %d: increments and sub-increments must be at least 1\n",
                     run.n_inc, run.n_sub);
        return status_bad_input;
    }
    if (!run.load_set_file.empty() && !run.case_file.empty()) {
        std::fprintf(stderr, "corvane: --load-sets and -M exclude each other\n");
        return status_bad_input;
    }
    if (run.warm_start && (run.load_set_file.empty() || !run.equilibrium_mode)) {
        // the default iterations keep a running residual from zero: they cannot start elsewhere
        std::fprintf(stderr, "corvane: --warm-start=yes needs --load-sets and --equilibrium\n");
        return status_bad_input;
    }
    if (!set_units(run, run.unit_code)) {
        std::fprintf(stderr, "corvane: -U %d: the unit code must be 0, 1 or 2\n", run.unit_code);
        return status_bad_input;
    }
    return -1;
}
