// Command line of ostrine-batch: the option table, the picture options and the usage text.
#include "batch_options.h"
#include "units.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "field_text.h"
#include "graph.h"

const char picture_usage_text[] =
    "Pictures (drawn as the viewer's Make Bmp draws them):\n"
    "  --image FILE  write the graph as a 24-bit bitmap, or PNG when FILE ends in .png\n"
    "  --graph NAME  Mesh (default), Displacement, Sx Sy Sz Syz Szx Sxy, Ex Ey Ez Eyz Ezx Exy,\n"
    "                S1 S2 S3, FI, \"Principal Stress\", \"Dowel Bending Stress\" (Bending),\n"
    "                \"Dowel Shear Stress\" (Shear)\n"
    "  --principal C Minimum (default), Middle, Maximum or All, for \"Principal Stress\"\n"
    "  --size WxH    picture size in pixels (default 922x610)\n"
    "  --smooth      smooth contours instead of bands\n"
    "  --legend      a key beside the model (contour bands and extremes, principal and dowel\n"
    "                scales, material colours) and an axis triad\n"
    "  --wire W      element edges over the faces: black, gray or none (default)\n"
    "  --wheels W    loaded faces over mesh and displacement: none, frame or filled (default)\n"
    "  --all-faces   every face of the selection, inner and back faces too\n"
    "  View dialog:  --view rou,theta,phi,d1  --light x,y,z\n"
    "                --preset y-x|x-y|z-x|y-z|default|Backside\n"
    "  Scales dialog: --disp-scale s|x,y,z  --contour-range max,min  --divisions N\n"
    "                --principal-scale S  --skip N\n"
    "  Range dialog: --material M (0-based, -1 all)  --range xmin,xmax,ymin,ymax,zmin,zmax\n"
    "                --outside  --fit-range\n";

namespace
{

struct picture_row {
    const char *name;
    bool takes_value;
};

const picture_row picture_rows[] = {
    {"--image", true},         {"--graph", true},      {"--principal", true},
    {"--size", true},          {"--smooth", false},    {"--wire", true},
    {"--wheels", true},        {"--all-faces", false}, {"--view", true},
    {"--light", true},         {"--preset", true},     {"--disp-scale", true},
    {"--contour-range", true}, {"--divisions", true},  {"--principal-scale", true},
    {"--skip", true},          {"--material", true},   {"--range", true},
    {"--outside", false},      {"--fit-range", false}, {"--legend", false}};

// Comma-separated texts of exactly n numbers (n_alt is a second accepted count, or 0).
bool split_numbers(const char *value, std::size_t n, std::size_t n_alt,
                   std::vector<std::string> &out)
{
    out.clear();
    std::string item;
    for (const char *c = value;; c++) {
        if (*c == ',' || *c == '\0') {
            out.push_back(item);
            item.clear();
            if (*c == '\0') break;
        } else {
            item += *c;
        }
    }
    if (out.size() != n && out.size() != n_alt) return false;
    try {
        for (const std::string &s : out) field_float(s);
    } catch (const field_error &) {
        return false;
    }
    return true;
}

bool is_int(const char *value)
{
    try {
        field_int(value);
    } catch (const field_error &) {
        return false;
    }
    return true;
}

bool is_float(const char *value)
{
    try {
        field_float(value);
    } catch (const field_error &) {
        return false;
    }
    return true;
}

} // namespace

int picture_option_arity(const char *name)
{
    for (const picture_row &r : picture_rows)
        if (std::strcmp(name, r.name) == 0) return r.takes_value ? 1 : 0;
    return -1;
}

const char *set_picture_option(picture_options &p, const char *name, const char *value)
{
    const std::string n = name;
    const std::string v = value ? value : "";
    if (n == "--image") {
        if (v.empty()) return "--image needs a file name";
        p.image_file = v;
    } else if (n == "--graph") {
        p.graph_type = graph_type_of(v);
        if (p.graph_type < 0) return "--graph takes a graph name of the Graph menu (see below)";
    } else if (n == "--principal") {
        p.principal_choice = principal_choice_of(v);
        if (p.principal_choice < 0) return "--principal takes Minimum, Middle, Maximum or All";
    } else if (n == "--size") {
        int w = 0, h = 0;
        char tail = 0;
        if (std::sscanf(v.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 16 || h < 16 ||
            w > 10000 || h > 10000)
            return "--size takes WxH, each from 16 to 10000 pixels";
        p.width = w;
        p.height = h;
    } else if (n == "--smooth") {
        p.smooth = true;
    } else if (n == "--legend") {
        p.legend = true;
    } else if (n == "--wire") {
        if (v == "none")
            p.wire = 0;
        else if (v == "black")
            p.wire = 1;
        else if (v == "gray" || v == "grey")
            p.wire = 2;
        else
            return "--wire takes black, gray or none";
    } else if (n == "--wheels") {
        if (v == "none")
            p.wheel_mode = 0;
        else if (v == "frame")
            p.wheel_mode = 1;
        else if (v == "filled")
            p.wheel_mode = 2;
        else
            return "--wheels takes none, frame or filled";
    } else if (n == "--all-faces") {
        p.all_faces = true;
    } else if (n == "--view") {
        if (!split_numbers(value, 4, 0, p.view)) return "--view takes rou,theta,phi,d1";
    } else if (n == "--light") {
        if (!split_numbers(value, 3, 0, p.light)) return "--light takes x,y,z";
    } else if (n == "--preset") {
        static const char *const names[6] = {"y-x", "x-y", "z-x", "y-z", "default", "Backside"};
        p.preset = 0;
        for (int b = 0; b < 6; b++)
            if (v == names[b]) p.preset = b + 1;
        if (p.preset == 0) return "--preset takes y-x, x-y, z-x, y-z, default or Backside";
    } else if (n == "--disp-scale") {
        if (!split_numbers(value, 1, 3, p.disp_scale)) return "--disp-scale takes s or x,y,z";
    } else if (n == "--contour-range") {
        if (!split_numbers(value, 2, 0, p.contour_range)) return "--contour-range takes max,min";
    } else if (n == "--divisions") {
        if (!is_int(value)) return "--divisions takes an integer";
        p.divisions = v;
    } else if (n == "--principal-scale") {
        if (!is_float(value)) return "--principal-scale takes a number";
        p.principal_scale = v;
    } else if (n == "--skip") {
        if (!is_int(value)) return "--skip takes an integer";
        p.skip = v;
    } else if (n == "--material") {
        if (!is_int(value)) return "--material takes a material number (-1 for all)";
        p.material = v;
    } else if (n == "--range") {
        if (!split_numbers(value, 6, 0, p.range))
            return "--range takes xmin,xmax,ymin,ymax,zmin,zmax";
    } else if (n == "--outside") {
        p.outside = true;
    } else if (n == "--fit-range") {
        p.fit_range = true;
    } else {
        return "not a picture option";
    }
    return nullptr;
}

namespace
{

const char usage_text[] =
    "usage: ostrine-batch -F base [-U 1|2] [--si | --kgf] [--binary]\n"
    "                     [--vtk FILE] [--vtu FILE] [--list FILE] [--dowels FILE]\n"
    "                     [--image FILE [picture options]]\n"
    "  -F base      result set base name (base.pin, .out, .dwi, .dwo, .dyn)\n"
    "  -U 1|2       1: the files hold kgf-cm values, 2: SI values (default: as corvane read\n"
    "               them, recorded in base.mst; else judged from the slab's modulus, and said)\n"
    "  --si, --kgf  units of the written files: m and MPa (default) or cm and kgf/cm2\n"
    "  --binary     read the binary form of the result set\n"
    "  --vtk FILE   write the mesh and nodal vectors as a legacy VTK file\n"
    "  --vtu FILE   an XML VTK file in SI at full precision: material ids, each solid's own\n"
    "               material's stresses and signed principal values per cell, dowels as lines\n"
    "  --list FILE  write the numerical listing (default selection: nodes at z = 0)\n"
    "  --dowels FILE write the dowel stress listing\n"
    "  --image FILE write a picture of a graph (options below)\n"
    "  --report FILE design report: critical slab stresses, joint load transfer, dowel checks\n"
    "               (.html or .md with a picture of S3 at the slab bottom; .csv the tables)\n"
    "  --fc=30MPa   concrete strength f'c for the allowable dowel bearing, with its unit\n"
    "               (MPa, N/mm2, kPa, kgf/cm2, psi, ksi)\n"
    "  --mr=4.5MPa  modulus of rupture: the report's stress ratio S3 / MR\n"
    "  --dowel-shear-allowable=S, --dowel-bending-allowable=S  steel allowables of the bars\n"
    "  --at=x,y,z   print the displacements and per-material stresses at the nearest node\n"
    "               (coordinates in the report's units)\n"
    "  --per-material  contours from each material's own nodal means (base.mst)\n"
    "  --envelope base00 base01 ...  the cases of one mesh: --vtk their per-node extremes,\n"
    "               --report one row per case and the governing case\n"
    "At least one output option is needed.\n";

// One command-line option: its spelling, whether a value follows, and what it sets.
// New options (pictures, ...) are added as rows of option_table.
struct option_row {
    const char *name;
    bool takes_value;
    // Applies the option; returns an error text or nullptr.
    const char *(*apply)(batch_options &o, const char *value);
};

const char *set_unit_mode(batch_options &o, const char *v)
{
    if (std::strcmp(v, "1") == 0)
        o.unit_mode = 1;
    else if (std::strcmp(v, "2") == 0)
        o.unit_mode = 2;
    else
        return "-U takes 1 (kgf-cm input) or 2 (SI input)";
    return nullptr;
}

// A stress option with its unit; the message names the option and why.
const char *set_stress(double &to, const char *v, const char *option)
{
    static std::string why;
    std::string reason;
    if (parse_stress(v, to, reason)) return nullptr;
    why = std::string(option) + ": " + reason;
    return why.c_str();
}

const option_row option_table[] = {
    {"-F", true,
     [](batch_options &o, const char *v) -> const char * {
         o.base = v;
         return nullptr;
     }},
    {"-f", true,
     [](batch_options &o, const char *v) -> const char * {
         o.base = v;
         return nullptr;
     }},
    {"-U", true, set_unit_mode},
    {"-u", true, set_unit_mode},
    {"--si", false,
     [](batch_options &o, const char *) -> const char * {
         o.si_output = true;
         return nullptr;
     }},
    {"--kgf", false,
     [](batch_options &o, const char *) -> const char * {
         o.si_output = false;
         return nullptr;
     }},
    {"--binary", false,
     [](batch_options &o, const char *) -> const char * {
         o.binary = true;
         return nullptr;
     }},
    {"--vtk", true,
     [](batch_options &o, const char *v) -> const char * {
         o.vtk_file = v;
         return nullptr;
     }},
    {"--vtu", true,
     [](batch_options &o, const char *v) -> const char * {
         o.vtu_file = v;
         return nullptr;
     }},
    {"--list", true,
     [](batch_options &o, const char *v) -> const char * {
         o.list_file = v;
         return nullptr;
     }},
    {"--dowels", true,
     [](batch_options &o, const char *v) -> const char * {
         o.dowels_file = v;
         return nullptr;
     }},
    {"--report", true,
     [](batch_options &o, const char *v) -> const char * {
         o.report_file = v;
         return nullptr;
     }},
    {"--fc", true,
     [](batch_options &o, const char *v) -> const char * {
         return set_stress(o.fc, v, "--fc (concrete strength f'c)");
     }},
    {"--mr", true,
     [](batch_options &o, const char *v) -> const char * {
         return set_stress(o.mr, v, "--mr (modulus of rupture)");
     }},
    {"--dowel-shear-allowable", true,
     [](batch_options &o, const char *v) -> const char * {
         return set_stress(o.dowel_shear_allow, v, "--dowel-shear-allowable");
     }},
    {"--dowel-bending-allowable", true,
     [](batch_options &o, const char *v) -> const char * {
         return set_stress(o.dowel_bending_allow, v, "--dowel-bending-allowable");
     }},
    {"--per-material", false,
     [](batch_options &o, const char *) -> const char * {
         o.per_material = true;
         return nullptr;
     }},
    {"--at", true,
     [](batch_options &o, const char *v) -> const char * {
         o.at.clear();
         const char *p = v;
         for (int k = 0; k < 3; ++k) {
             char *end = nullptr;
             const double x = std::strtod(p, &end);
             if (end == p || !std::isfinite(x) || (k < 2 ? *end != ',' : *end != '\0'))
                 return "--at takes a point x,y,z (three numbers in the report's length unit)";
             o.at.push_back(x);
             p = end + 1;
         }
         return nullptr;
     }},
};

int usage_error(std::FILE *err, const char *what)
{
    std::fprintf(err, "ostrine-batch: %s\n%s%s", what, usage_text, picture_usage_text);
    return batch_exit_usage;
}

} // namespace

const char *batch_usage_text()
{
    return usage_text;
}

int parse_batch_options(int argc, char **argv, batch_options &o, std::FILE *err)
{
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "--help") == 0) {
            o.info = std::strcmp(argv[i], "--version") == 0 ? batch_info_version : batch_info_help;
            return batch_exit_ok;
        }
        const option_row *row = nullptr;
        const char *inline_value = nullptr; // --name=value
        for (const option_row &r : option_table) {
            const std::size_t n = std::strlen(r.name);
            if (std::strcmp(argv[i], r.name) == 0) {
                row = &r;
                inline_value = nullptr;
            } else if (r.takes_value && r.name[1] == '-' && std::strncmp(argv[i], r.name, n) == 0 &&
                       argv[i][n] == '=') {
                row = &r;
                inline_value = argv[i] + n + 1;
            }
        }
        if (!row && picture_option_arity(argv[i]) >= 0) {
            const char *name = argv[i];
            const char *value = nullptr;
            if (picture_option_arity(argv[i]) == 1) {
                if (i + 1 >= argc) {
                    const std::string what = std::string(argv[i]) + " needs a value";
                    return usage_error(err, what.c_str());
                }
                value = argv[++i];
            }
            if (const char *why = set_picture_option(o.picture, name, value))
                return usage_error(err, why);
            continue;
        }
        if (std::strcmp(argv[i], "--envelope") == 0) { // the result sets up to the next option
            while (i + 1 < argc && argv[i + 1][0] != '-') o.envelope.push_back(argv[++i]);
            if (o.envelope.empty()) return usage_error(err, "--envelope needs result sets");
            continue;
        }
        if (!row) {
            const std::string what = std::string("unknown option '") + argv[i] + "'";
            return usage_error(err, what.c_str());
        }
        const char *value = inline_value;
        if (row->takes_value && !value) {
            if (i + 1 >= argc) {
                const std::string what = std::string(row->name) + " needs a value";
                return usage_error(err, what.c_str());
            }
            value = argv[++i];
        }
        if (const char *why = row->apply(o, value)) return usage_error(err, why);
    }
    if (!o.envelope.empty()) {
        if (!o.base.empty()) return usage_error(err, "-F and --envelope exclude each other");
        if (!o.list_file.empty() || !o.dowels_file.empty() || !o.picture.image_file.empty())
            return usage_error(err, "--envelope writes --vtk and --report only");
        if (o.vtk_file.empty() && o.report_file.empty())
            return usage_error(err, "nothing to write: give --vtk or --report");
        return batch_exit_ok;
    }
    if (o.base.empty()) return usage_error(err, "no result set given (-F base)");
    if (o.vtk_file.empty() && o.list_file.empty() && o.dowels_file.empty() &&
        o.picture.image_file.empty() && o.report_file.empty() && o.at.empty() && o.vtu_file.empty())
        return usage_error(err, "nothing to write: give --vtk, --vtu, --list, --dowels, --image, "
                                "--report or --at");
    return batch_exit_ok;
}
