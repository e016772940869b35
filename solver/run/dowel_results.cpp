// Dowel result file (.dwo), the appended line of dowel maxima, and the checks of the dowel data.
#include "dowel_results.h"
#include "atomic_output.h"
#include "dowel.h"
#include "joint.h"
#include "solid.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace
{

const double pi = 3.141592653589793;
const int half_points = 35; // evaluation points along each embedded half (34 intervals)

// The header line, written as its five pieces.
const char *const dowel_header[5] = {
    "   xx       yy        zz    e1    e2    e3    ",
    " Fx1            Fy1            Fz1            ",
    " Mx1            My1            Mz1            ",
    " Fx2            Fy2            Fz2            ",
    " Mx2            My2            Mz2\n",
};
const char *const dowel_centre_format = "%8.3f %8.3f  %8.3f";
const char *const dowel_axis_format = "%5.2f %5.2f %5.2f ";
const char *const dowel_force_format = "%14.6e ";
const char *const dowel_max_format =
    "%10.4f %10.4f %10.4f %14.5e %14.5e %14.5e %14.5e %14.5e %14.5e \n";

// Raises a running maximum when |v| is strictly larger; returns true when raised.
bool raise(double &running, double v)
{
    if (std::fabs(v) > std::fabs(running)) {
        running = v;
        return true;
    }
    return false;
}

// Bending of the two embedded halves of dowel i (beam on an elastic
// foundation) at 35 points each; raises the maxima. g holds the twelve end
// forces in global axes; y_axis is true for a bar along global y.
void scan_halves(const double *dmat, const double *g, bool y_axis, int i, dowel_maxima &mx)
{
    const double e = dmat[dowel_young], w = dmat[dowel_width], d = dmat[dowel_diam];
    const double length = dmat[dowel_length], k = dmat[dowel_support];
    const double ei = e * pi / 64.0 * d * d * d * d;
    const double beta = std::sqrt(std::sqrt(k * d / 4.0 / ei));
    const double l = (length - w) / 2.0;
    const double bl = beta * l;
    const double sh = (std::exp(bl) - std::exp(-bl)) / 2.0;
    const double s = std::sin(bl);
    const double step = l / 34.0;
    const double section_modulus = pi * d * d * d / 32.0;
    const double shear_area = 2.827433388230814 * d * d / 4.0; // 0.9 pi d^2 / 4

    // (P, M) at the joint face of each half, from global end forces
    // g = Fx1 Fy1 Fz1 Mx1 My1 Mz1 Fx2 Fy2 Fz2 Mx2 My2 Mz2
    const double p[2] = {-g[2], -g[8]};
    const double m[2] = {y_axis ? g[3] : -g[4], y_axis ? g[9] : g[10]};
    for (int h = 0; h < 2; ++h)
        for (int n = 0; n < half_points; ++n) {
            const double x = n * step;
            const double r = dowel_reaction(beta, sh, s, l, p[h], m[h], x);
            const double b = dowel_moment(beta, sh, s, l, p[h], m[h], x) / section_modulus;
            const double v = dowel_shear(beta, sh, s, l, p[h], m[h], x) / shear_area;
            if (raise(mx.value[3 * h], r)) mx.max_dowel = i;
            raise(mx.value[3 * h + 1], b);
            raise(mx.value[3 * h + 2], v);
        }
}

} // namespace

void write_dowel_lines(const corvane_model &m, std::FILE *out, dowel_maxima &mx)
{
    mx = dowel_maxima();
    for (const char *piece : dowel_header) std::fputs(piece, out);

    double keff[144], a[12 * 48], u[48], f[12];
    for (int i = 0; i < m.ndowel; ++i) {
        const double *dowel = &m.dowels[9 * i];
        const int *elems = &m.dowel_elems[3 * i];
        double r[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
        double g[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // end forces in global axes
        const double *dmat = dowel_is_placed(m, i) ? &m.dmats[12 * m.dowel_mat[i]] : nullptr;
        const bool loaded = dmat && dowel_link_matrix(dmat, keff);
        if (loaded) {
            dowel_geometry(m.conn.data(), m.coords.data(), elems, dowel, r, a);
            for (int e = 0; e < 2; ++e)
                gather_nodes(&m.conn[9 * elems[1 + e]], m.disp.data(), 8, u + 24 * e);
            dowel_end_forces(keff, a, u, f);
            const double engaged = dowel_engagement(m, i, m.disp.data()); // 1: a tight bar
            if (engaged != 1.0)
                for (double &v : f) v *= engaged;
            // R^T f for each triple (forces, moments of end 1, then of end 2)
            for (int t = 0; t < 4; ++t)
                for (int c = 0; c < 3; ++c)
                    g[3 * t + c] = r[0 * 3 + c] * f[3 * t] + r[1 * 3 + c] * f[3 * t + 1] +
                                   r[2 * 3 + c] * f[3 * t + 2];
        } else if (elems[0] >= 0 && elems[0] < m.ne) {
            // the axis is still known from the centre element
            double xyz[24], t[24 * 24];
            gather_nodes(&m.conn[9 * elems[0]], m.coords.data(), 8, xyz);
            joint_frame(xyz, 8, t);
            for (int c = 0; c < 3; ++c) r[6 + c] = t[2 * 24 + c];
        }

        std::fprintf(out, dowel_centre_format, dowel[0], dowel[1], dowel[2]);
        std::fprintf(out, dowel_axis_format, r[6], r[7], r[8]);
        for (int k = 0; k < 12; ++k) std::fprintf(out, dowel_force_format, g[k]);
        std::fputs("\n", out);

        if (loaded) scan_halves(dmat, g, r[7] != 0.0, i, mx);
    }
}

int format_dowel_max_line(const corvane_model &m, const dowel_maxima &mx, char *line, int size)
{
    // With no non-zero reaction there is no maximum dowel: report the first.
    const int i = mx.max_dowel >= 0 ? mx.max_dowel : 0;
    const double *c = &m.dowels[9 * i];
    const double *v = mx.value;
    return std::snprintf(line, size, dowel_max_format, c[0], c[1], c[2], v[0], v[1], v[2], v[3],
                         v[4], v[5]);
}

int out_results_dowel(const corvane_model &m, const char *dowel_result_file,
                      const char *dowel_max_file, const char *case_result_file)
{
    if (m.ndowel <= 0) return 0;

    // The text once in memory, then each file complete or not at all: a temporary, renamed
    // when written.
    char *text = nullptr;
    std::size_t length = 0;
    std::FILE *memory = open_memstream(&text, &length);
    if (!memory) throw std::bad_alloc();
    dowel_maxima mx;
    write_dowel_lines(m, memory, mx);
    std::fclose(memory);
    const std::string lines(text, length);
    std::free(text);
    auto write_copy = [&lines](const char *name) {
        atomic_file out;
        return out.open(name) &&
               std::fwrite(lines.data(), 1, lines.size(), out.stream()) == lines.size() &&
               out.commit();
    };
    if (!write_copy(dowel_result_file)) {
        std::fputs("File open error in out_results_dowel", stderr);
        return 1;
    }
    int failed = 0;
    if (case_result_file && !write_copy(case_result_file)) {
        std::fprintf(stderr, "corvane: %s: cannot be written\n", case_result_file);
        failed = 1;
    }

    char line[256];
    format_dowel_max_line(m, mx, line, sizeof line);
    // one write per line, so lines appended by several runs never interleave
    if (!append_in_one_write(dowel_max_file, line)) {
        std::fprintf(stderr, "File(%s) File open error in out_results_dowel", dowel_max_file);
        return dowel_max_file[0] != '\0' ? 1 : failed; // no -J name: nothing was asked for
    }
    return failed;
}

std::string dowel_data_fault(const corvane_model &m, const char *dowel_input_file)
{
    char what[512];
    for (int i = 0; i < m.ndowel; ++i) {
        const int mat = m.dowel_mat[i];
        if (mat < 0 || mat >= m.ndmat) {
            std::snprintf(what, sizeof what,
                          "%s: dowel %d: dowel material number %d is outside 0..%d",
                          dowel_input_file, i, mat, m.ndmat - 1);
            return what;
        }
    }
    for (int k = 0; k < m.ndmat; ++k) {
        bool used = false;
        for (int i = 0; i < m.ndowel && !used; ++i) used = m.dowel_mat[i] == k;
        if (!used) continue; // a spare record in the file is harmless
        const double *dmat = &m.dmats[12 * k];
        const char *why = dowel_material_fault(dmat);
        double keff[144];
        if (!why && !dowel_link_matrix(dmat, keff))
            why = "its link stiffness cannot be formed (a zero or non-finite pivot, or an "
                  "embedded length too long for the support modulus)";
        if (why) {
            std::snprintf(what, sizeof what, "%s: dowel material %d: %s", dowel_input_file, k, why);
            return what;
        }
    }
    return std::string();
}
