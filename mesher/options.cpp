// Command-line scan of the generator: option letters in either case, values in the next words.
#include "tarnel.h"

#include "pavement_version.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

// --help: every option on one line.
static const char help_text[] =
    "usage: tarnel -I description -O model.pin [options]\n"
    "  -I file      layer description to read\n"
    "  -O file      model file to write\n"
    "  -X n, -Y n, -Z n   subdivisions per input interval (1; -Z is 1 in joint layers)\n"
    "  -J w         joint width: narrower intervals are joint gaps (0.3)\n"
    "  -L len       second minimum subdivided length (0)\n"
    "  -S z0        rebuild the z lines of all layers from z0\n"
    "  -W           spread loads over the top faces instead of inserting load edges\n"
    "  -B bits      full fixity on side planes: 1 min x, 2 min y, 4 max x, 8 max y\n"
    "  -C bits E    release the normal support there at nodes of elements of modulus E\n"
    "  -U 0|1|2     unit system of the description (1 kgf-cm, 2 the inverse factors)\n"
    "  --version    print the version\n"
    "  --help       print this list\n";

// File names are limited to 255 characters, the width of the name buffers of the format.
static constexpr std::size_t max_name = 255;

static bool take_name(const char *value, const char *option, std::string &name, FILE *err)
{
    if (std::strlen(value) > max_name) {
        std::fprintf(err, "tarnel: file name of -%s is longer than %zu characters: %s\n", option,
                     max_name, value);
        return false;
    }
    name = value;
    return true;
}

// Scans from argv[1] while the word begins with '-'. Letters with values take the following
// word(s) (-C two); an unknown letter is skipped without a value; the first word without '-'
// ends the scan. Values convert like atoi/atof. Returns -1 to go on, else the exit status.
int parse_options(int argc, char **argv, tarnel_options &opt, FILE *out, FILE *err)
{
    int i = 1;
    while (i < argc && argv[i][0] == '-') {
        // One-argument long options; the letter scan would skip them (its letter '-' is none).
        if (argv[i][1] == '-') {
            if (std::strcmp(argv[i], "--version") == 0) {
                std::fprintf(out, "tarnel %s\n", PAVEMENT_VERSION);
                return exit_ok;
            }
            if (std::strcmp(argv[i], "--help") == 0) {
                std::fputs(help_text, out);
                return exit_ok;
            }
            ++i;
            continue;
        }
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(argv[i][1])));
        int needs = 0;
        if (std::strchr("IOXYZJLSBU", letter) && letter != '\0') needs = 1;
        if (letter == 'C') needs = 2;
        if (i + needs >= argc) {
            std::fprintf(err, "tarnel: option -%c needs %d value%s\n", letter, needs,
                         needs > 1 ? "s" : "");
            return exit_refused;
        }
        const char *v = needs > 0 ? argv[i + 1] : "";
        switch (letter) {
        case 'I':
            if (!take_name(v, "I", opt.in_name, err)) return exit_refused;
            opt.has_in = true;
            break;
        case 'O':
            if (!take_name(v, "O", opt.out_name, err)) return exit_refused;
            opt.has_out = true;
            break;
        case 'X':
            opt.sub_x = std::atoi(v);
            break;
        case 'Y':
            opt.sub_y = std::atoi(v);
            break;
        case 'Z':
            opt.sub_z = std::atoi(v);
            break;
        case 'J':
            opt.joint_width = static_cast<float>(std::atof(v));
            break;
        case 'L':
            opt.min_length = static_cast<float>(std::atof(v));
            break;
        case 'S':
            opt.restart_z = true;
            opt.restart_z_value = static_cast<float>(std::atof(v));
            break;
        case 'W':
            opt.face_mode = true;
            break;
        case 'B':
            opt.fix_sides = std::atoi(v);
            break;
        case 'C':
            opt.release_sides = std::atoi(v);
            opt.release_modulus = static_cast<float>(std::atof(argv[i + 2]));
            break;
        case 'U':
            opt.unit_code = std::atoi(v);
            break;
        default:
            break;
        }
        i += 1 + needs;
    }
    if (!opt.has_in && !opt.has_out) {
        std::fprintf(out, "\n Check arguments for file name!!");
        return exit_no_file;
    }
    // Refused here rather than left to misbehave: a subdivision below 1 emits no grid lines
    // (and divides by zero), and a unit code outside 0-2 has no conversion factors.
    const int subs[3] = {opt.sub_x, opt.sub_y, opt.sub_z};
    for (int c = 0; c < 3; ++c)
        if (subs[c] < 1) {
            std::fprintf(err, "tarnel: -%c must be at least 1 (got %d)\n", "XYZ"[c], subs[c]);
            return exit_refused;
        }
    if (opt.unit_code < 0 || opt.unit_code > 2) {
        std::fprintf(err, "tarnel: -U must be 0, 1 or 2 (got %d)\n", opt.unit_code);
        return exit_refused;
    }
    return -1;
}
