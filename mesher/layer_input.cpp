// Reading and checking of the layer description: layers, interval types, materials, loads.
#include "tarnel.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>

// Next white-space separated word (at most 63 characters kept); false at the end of the file.
// A word must be a number as a whole: "1.5" is not an integer and "10,5" not a number.
static bool next_word(FILE *in, char word[64])
{
    return std::fscanf(in, "%63s", word) == 1;
}

static bool parse_int(const char *word, int &value)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(word, &end, 10);
    if (end == word || *end != '\0' || errno != 0 || v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

static bool parse_float(const char *word, float &value)
{
    char *end = nullptr;
    const float v = std::strtof(word, &end);
    if (end == word || *end != '\0') return false;
    value = v;
    return true;
}

// Prints "tarnel: <file>: <what>" as one line on the error stream.
static void refuse(const tarnel_run &run, const char *format, ...)
{
    std::fprintf(run.msg_err, "tarnel: %s: ", run.opt.in_name.c_str());
    va_list args;
    va_start(args, format);
    std::vfprintf(run.msg_err, format, args);
    va_end(args);
    std::fputc('\n', run.msg_err);
}

// One integer; on failure names the layer (or -1 for the file header) and the field.
static bool read_int(FILE *in, const tarnel_run &run, int layer, const char *field, int index,
                     int &value)
{
    char word[64];
    if (next_word(in, word) && parse_int(word, value)) return true;
    char where[64] = "";
    if (layer >= 0) std::snprintf(where, sizeof where, "layer %d: ", layer);
    if (index >= 0)
        refuse(run, "%scannot read %s %d (missing or not an integer)", where, field, index);
    else
        refuse(run, "%scannot read %s (missing or not an integer)", where, field);
    return false;
}

// One real in single precision; refuses a missing, malformed or non-finite value.
static bool read_real(FILE *in, const tarnel_run &run, const char *where, const char *field,
                      int index, float &value)
{
    float v = 0.0f;
    char word[64];
    if (!next_word(in, word) || !parse_float(word, v)) {
        refuse(run, "%scannot read %s %d (missing or not a number)", where, field, index);
        return false;
    }
    if (!std::isfinite(v)) {
        refuse(run, "%s%s %d is not a finite single-precision number", where, field, index);
        return false;
    }
    value = v;
    return true;
}

static bool read_reals(FILE *in, const tarnel_run &run, const char *where, const char *field,
                       int count, std::vector<float> &values)
{
    values.clear();
    for (int i = 0; i < count; ++i) {
        float v = 0.0f;
        if (!read_real(in, run, where, field, i, v)) return false;
        values.push_back(v); // grown as read: a huge count in a short file allocates nothing
    }
    return true;
}

// The three order checks; every violation prints its own line. True when all pass.
static bool check_sorted(const tarnel_layer &layer, FILE *out)
{
    bool ok = true;
    for (int i = 1; i <= layer.nx; ++i)
        if (layer.x[i - 1] > layer.x[i]) {
            std::fprintf(out, "Not sorted X-cood. [%f]>[%f]\n", layer.x[i - 1], layer.x[i]);
            ok = false;
        }
    for (int i = 1; i <= layer.ny; ++i)
        if (layer.y[i - 1] > layer.y[i]) {
            std::fprintf(out, "Not sorted Y-cood. [%f]>[%f]\n", layer.y[i - 1], layer.y[i]);
            ok = false;
        }
    for (int i = 1; i <= layer.nz; ++i)
        if (layer.z[i - 1] < layer.z[i]) {
            std::fprintf(out, "Not sorted Z-cood. [%f]<[%f]\n", layer.z[i - 1], layer.z[i]);
            ok = false;
        }
    return ok;
}

// Every cell's material xtype + ytype must be one of the layer's materials. The extremes of
// the sum come from the extremes of each type list, so two passes name an offending pair.
static bool check_types(const tarnel_layer &layer, int l, const tarnel_run &run)
{
    int ix_lo = 0, ix_hi = 0, iy_lo = 0, iy_hi = 0;
    for (int i = 1; i < layer.nx; ++i) {
        if (layer.xtype[i] < layer.xtype[ix_lo]) ix_lo = i;
        if (layer.xtype[i] > layer.xtype[ix_hi]) ix_hi = i;
    }
    for (int i = 1; i < layer.ny; ++i) {
        if (layer.ytype[i] < layer.ytype[iy_lo]) iy_lo = i;
        if (layer.ytype[i] > layer.ytype[iy_hi]) iy_hi = i;
    }
    const int pairs[2][2] = {{ix_lo, iy_lo}, {ix_hi, iy_hi}};
    for (const auto &p : pairs) {
        const long long sum = static_cast<long long>(layer.xtype[p[0]]) + layer.ytype[p[1]];
        if (sum < 0 || sum >= layer.nmat) {
            refuse(run,
                   "layer %d: x interval %d (type %d) and y interval %d (type %d) select "
                   "material %lld, but the layer has materials 0 to %d",
                   l, p[0], layer.xtype[p[0]], p[1], layer.ytype[p[1]], sum, layer.nmat - 1);
            return false;
        }
    }
    return true;
}

static bool read_layer(FILE *in, tarnel_run &run, int l, tarnel_layer &layer)
{
    const char *count_names[4] = {"nx", "ny", "nz", "nmat"};
    int *counts[4] = {&layer.nx, &layer.ny, &layer.nz, &layer.nmat};
    for (int c = 0; c < 4; ++c) {
        if (!read_int(in, run, l, count_names[c], -1, *counts[c])) return false;
        if (*counts[c] < 1) {
            refuse(run, "layer %d: %s is %d; it must be at least 1", l, count_names[c], *counts[c]);
            return false;
        }
    }
    char where[32];
    std::snprintf(where, sizeof where, "layer %d: ", l);
    if (!read_reals(in, run, where, "x coordinate", layer.nx + 1, layer.x) ||
        !read_reals(in, run, where, "y coordinate", layer.ny + 1, layer.y) ||
        !read_reals(in, run, where, "z coordinate", layer.nz + 1, layer.z))
        return false;
    const int type_counts[2] = {layer.nx, layer.ny};
    std::vector<int> *types[2] = {&layer.xtype, &layer.ytype};
    const char *type_names[2] = {"x interval type", "y interval type"};
    for (int d = 0; d < 2; ++d)
        for (int i = 0; i < type_counts[d]; ++i) {
            int t = 0;
            if (!read_int(in, run, l, type_names[d], i, t)) return false;
            types[d]->push_back(t);
        }
    layer.mats.clear();
    for (int m = 0; m < layer.nmat; ++m) {
        char field[48];
        std::snprintf(field, sizeof field, "material %d entry", m);
        for (int j = 0; j < mat_size; ++j) {
            float v = 0.0f;
            if (!read_real(in, run, where, field, j, v)) return false;
            layer.mats.push_back(v);
        }
    }
    return true;
}

static bool read_loads(FILE *in, tarnel_run &run, int nloads)
{
    const char *names[7] = {"x1", "y1", "x2", "y2", "tx", "ty", "tz"};
    for (int k = 0; k < nloads; ++k) {
        float v[7];
        for (int f = 0; f < 7; ++f) {
            char word[64];
            if (!next_word(in, word) || !parse_float(word, v[f])) {
                refuse(run, "load %d: cannot read %s (missing or not a number)", k, names[f]);
                return false;
            }
            if (!std::isfinite(v[f])) {
                refuse(run, "load %d: %s is not a finite single-precision number", k, names[f]);
                return false;
            }
        }
        // A rectangle given from its far corner would otherwise count with a negative area
        // in the requested total and turn the correction ratio's sign; order it instead.
        tarnel_load ld{};
        ld.x1 = std::fmin(v[0], v[2]);
        ld.x2 = std::fmax(v[0], v[2]);
        ld.y1 = std::fmin(v[1], v[3]);
        ld.y2 = std::fmax(v[1], v[3]);
        for (int c = 0; c < 3; ++c) ld.t[c] = v[4 + c];
        ld.area = (ld.x2 - ld.x1) * (ld.y2 - ld.y1);
        for (int c = 0; c < 3; ++c) run.requested[c] += ld.area * ld.t[c];
        run.loads.push_back(ld);
    }
    return true;
}

// Reads the counts, then layer by layer (each checked as soon as it is read), then the loads.
// Messages: "Layer No." per layer on the error stream, the order-check lines on the output
// stream, and one "tarnel: <file>: ..." line naming layer and field for anything refused.
bool read_description(FILE *in, tarnel_run &run)
{
    int nlayers = 0, nloads = 0;
    if (!read_int(in, run, -1, "the number of layers", -1, nlayers) ||
        !read_int(in, run, -1, "the number of loads", -1, nloads))
        return false;
    if (nlayers < 1) {
        refuse(run, "the description has no layer (number of layers %d)", nlayers);
        return false;
    }
    if (nloads < 0) {
        refuse(run, "the number of loads is %d; it must not be negative", nloads);
        return false;
    }
    run.layers.clear();
    for (int l = 0; l < nlayers; ++l) {
        std::fprintf(run.msg_err, "Layer No.%3d\n", l);
        tarnel_layer layer;
        if (!read_layer(in, run, l, layer)) return false;
        if (!check_sorted(layer, run.msg_out)) {
            // "Illigal", "Otfile", "Residures", ... are the fixed texts as users know them: kept
            std::fprintf(run.msg_out, "Illigal input and stop the program\n");
            return false;
        }
        if (!check_types(layer, l, run)) return false;
        run.layers.push_back(std::move(layer));
    }
    return read_loads(in, run, nloads);
}
