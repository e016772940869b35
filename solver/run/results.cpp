// Result file, model copies and output-point rows.
#include "results.h"
#include "atomic_output.h"
#include "quick_format.h"
#include "unit_factors.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

static const char *const open_failed = "Output data file can not be opened";

static const char *const disp_header =
    "   xx       yy        zz       Ux             Uy             Uz\n";
static const char *const disp_line = "%8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e\n";
static const char *const strain_header =
    "   xx       yy        zz       Ex             Ey             Ez"
    "             Eyz            Ezx            Exy\n";
static const char *const stress_header =
    "   xx       yy        zz       Sx             Sy             Sz"
    "             Syz            Szx            Sxy\n";
static const char *const tensor_line =
    "%8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e\n";

// printf-style text appended to row.
__attribute__((format(printf, 2, 3))) static void appendf(std::string &row, const char *format, ...)
{
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args); // %f of 1e300 is long
    va_end(args);
    if (length > 0) {
        std::vector<char> piece(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(piece.data(), piece.size(), format, again);
        row.append(piece.data(), static_cast<std::size_t>(length));
    }
    va_end(again);
}

// Puts a completely written file in place; on a write error the previous file stays.
static bool commit_checked(atomic_file &out, const std::string &name)
{
    if (out.commit()) return true;
    std::fprintf(stderr, "corvane: %s: write error (disk full or device error)\n", name.c_str());
    return false;
}

void write_result_blocks(const corvane_run &run, std::FILE *f)
{
    quick_text text(f); // the lines in large pieces
    const double *x = run.coords.data();
    text.puts(disp_header);
    for (int n = 0; n < run.np; ++n) {
        const double *u = &run.disp[3 * n];
        text.printf(disp_line, x[3 * n], x[3 * n + 1], x[3 * n + 2], u[0], u[1], u[2]);
    }
    text.puts(strain_header);
    for (int n = 0; n < run.np; ++n) {
        const double *e = &run.node_strain[6 * static_cast<std::size_t>(n)];
        text.printf(tensor_line, x[3 * n], x[3 * n + 1], x[3 * n + 2], e[0], e[1], e[2], e[3], e[4],
                    e[5]);
    }
    text.puts(stress_header);
    const double fs = run.f_stress;
    for (int n = 0; n < run.np; ++n) {
        const double *s = &run.node_stress[6 * static_cast<std::size_t>(n)];
        text.printf(tensor_line, x[3 * n], x[3 * n + 1], x[3 * n + 2], s[0] / fs, s[1] / fs,
                    s[2] / fs, s[3] / fs, s[4] / fs, s[5] / fs);
    }
    text.puts("\n");
}

void write_model_copy(const corvane_run &run, std::FILE *f)
{
    quick_text text(f); // the lines in large pieces
    text.printf("%5d %5d %5d %5d %4d\n", run.np, run.nm, run.ne, run.nb, run.bw);
    for (int m = 0; m < run.nm; ++m) {
        double rec[12];
        std::memcpy(rec, &run.mats[12 * m], sizeof rec);
        if (converts_as_solid(rec[11])) {
            rec[0] /= run.f_stress;
            rec[2] /= run.f_weight;
        } else {
            rec[0] /= run.f_spring;
            rec[1] /= run.f_spring;
            rec[2] /= run.f_spring;
        }
        for (int k = 0; k < 12; ++k) text.printf(" %13.5e", rec[k]);
        text.puts("\n");
    }
    for (int n = 0; n < run.np; ++n)
        text.printf("%12.4f %12.4f %12.4f %10.2f %10.2f %10.2f \n", run.coords[3 * n],
                    run.coords[3 * n + 1], run.coords[3 * n + 2], run.node_p[3 * n],
                    run.node_p[3 * n + 1], run.node_p[3 * n + 2]);
    for (int e = 0; e < run.ne; ++e) {
        for (int k = 0; k < 9; ++k) text.printf(" %5d ", run.conn[9 * e + k]);
        text.puts("\n");
    }
    for (int b = 0; b < run.nb; ++b)
        text.printf("%5d %2d %2d %2d \n", run.bc[4 * b], run.bc[4 * b + 1], run.bc[4 * b + 2],
                    run.bc[4 * b + 3]);
    text.printf(" %4d \n", run.nedge);
    for (int fc = 0; fc < run.nedge; ++fc)
        for (int m = 0; m < 4; ++m) {
            text.printf(" %5d", run.face_nodes[4 * fc + m]);
            for (int k = 0; k < 3; ++k)
                text.printf(" %13.5e", run.face_vals[12 * fc + 3 * m + k] / run.f_stress);
            text.puts("\n");
        }
}

int nearest_node(const corvane_model &m, double x, double y, double z, bool *within_bound)
{
    double bound = 1.0e10;
    int best = -1;
    double best_any = 0.0;
    int nearest_any = -1;
    for (int n = 0; n < m.np; ++n) {
        const double dx = m.coords[3 * n] - x, dy = m.coords[3 * n + 1] - y,
                     dz = m.coords[3 * n + 2] - z;
        const double d2 = dx * dx + dy * dy + dz * dz;
        if (d2 < bound) {
            bound = d2;
            best = n;
        }
        if (nearest_any < 0 || d2 < best_any) {
            best_any = d2;
            nearest_any = n;
        }
    }
    *within_bound = best >= 0;
    return best >= 0 ? best : nearest_any;
}

void write_point_rows(const corvane_run &run, std::FILE *f)
{
    for (const std::string &row : format_point_rows(run)) std::fputs(row.c_str(), f);
}

std::vector<std::string> format_point_rows(const corvane_run &run)
{
    std::vector<std::string> rows;
    const double fs = run.f_stress;
    for (std::size_t p = 0; p < run.out_points.size(); ++p) {
        const out_point &o = run.out_points[p];
        bool within = false;
        const int n = nearest_node(run, o.x, o.y, o.z, &within);
        if (n < 0) continue; // a model without nodes has nothing to report
        if (!within)
            std::fprintf(stderr,
                         "corvane: output point %d (%g, %g, %g) is 1.0e5 or more from every node; "
                         "reporting the nearest node %d\n",
                         static_cast<int>(p), o.x, o.y, o.z, n);
        const double *x = &run.coords[3 * n];
        const double *u = &run.disp[3 * n];
        const double *e = &run.node_strain[6 * static_cast<std::size_t>(n)];
        const double *s = &run.node_stress[6 * static_cast<std::size_t>(n)];
        std::string row;
        appendf(row, "%8.5f %8.3f %8.3f  %8.3f ", run.acm_load, x[0], x[1], x[2]);
        switch (o.code) {
        case 0:
            appendf(row, "%14.6e %14.6e %14.6e\n", u[0], u[1], u[2]);
            break;
        case 1:
            appendf(row, "%14.6e %14.6e %14.6e %14.6e %14.6e %14.6e\n", s[0] / fs, s[1] / fs,
                    s[2] / fs, s[3] / fs, s[4] / fs, s[5] / fs);
            break;
        case 2:
            appendf(row, "%14.6e %14.6e %14.6e %14.6e %14.6e %14.6e\n", e[0], e[1], e[2], e[3],
                    e[4], e[5]);
            break;
        case 3:
            appendf(row, "%14.6e %14.6e %14.6e ", u[0], u[1], u[2]);
            appendf(row,
                    "%14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e "
                    "%14.6e %14.6e\n",
                    e[0], e[1], e[2], e[3], e[4], e[5], s[0] / fs, s[1] / fs, s[2] / fs, s[3] / fs,
                    s[4] / fs, s[5] / fs);
            break;
        default:
            break; // the prefix only: the next row continues this line
        }
        rows.push_back(row);
    }
    return rows;
}

void write_step_points(corvane_run &run)
{
    if (run.out_points.empty() || !run.writes_files) return;
    if (run.append_points) {
        // Appended rows from several runs or increments share the file: each row goes out in
        // one write, so rows never interleave or end half-written.
        for (const std::string &row : format_point_rows(run))
            if (!append_in_one_write(run.point_file, row)) {
                std::fprintf(stderr, "%s", open_failed);
                run.write_failed = 1;
                return;
            }
        return;
    }
    atomic_file out;
    if (!out.open(run.point_file)) {
        std::fprintf(stderr, "%s", open_failed);
        run.write_failed = 1;
        return;
    }
    write_point_rows(run, out.stream());
    if (!commit_checked(out, run.point_file)) run.write_failed = 1;
}

void write_results(corvane_run &run, int c)
{
    if (!run.writes_files) return; // another MPI rank writes
    std::string out_name = run.result_file;
    if (run.case_mode) {
        const std::string copy_name = case_base(run, c) + ".pin";
        atomic_file copy;
        if (!copy.open(copy_name)) {
            std::fprintf(stderr, "%s", open_failed);
            run.write_failed = 1;
            return;
        }
        write_model_copy(run, copy.stream());
        if (!commit_checked(copy, copy_name)) run.write_failed = 1;
        out_name = case_base(run, c) + ".out";
    }
    atomic_file out;
    if (!out.open(out_name)) {
        std::fprintf(stderr, "%s", open_failed);
        run.write_failed = 1;
        return;
    }
    write_result_blocks(run, out.stream());
    if (!commit_checked(out, out_name)) run.write_failed = 1;
    write_step_points(run);
}

std::string case_base(const corvane_run &run, int c)
{
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, run.load_set_file.empty() ? "%02d" : "_p%02d", c);
    return run.base_name + suffix;
}
