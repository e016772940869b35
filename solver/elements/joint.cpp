// Eight-node joint element: local frame, gap zone, nonlinear normal spring, element matrix.
#include "joint.h"

#include "dense.h"
#include "model.h"
#include "solid.h"

#include <cmath>

static const double pi = 3.141592653589793;

void joint_frame(const double *xyz, int n, double *t)
{
    const int m = 3 * n;
    vec_zero(t, m * m);
    double a[3], c[3], e1[3], e2[3], e3[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = xyz[3 + k] - xyz[k];
        c[k] = xyz[6 + k] - xyz[k];
    }
    // e3 = a x c, e2 = e3 x a, e1 = a
    e3[0] = a[1] * c[2] - a[2] * c[1];
    e3[1] = a[2] * c[0] - a[0] * c[2];
    e3[2] = a[0] * c[1] - a[1] * c[0];
    e2[0] = e3[1] * a[2] - e3[2] * a[1];
    e2[1] = e3[2] * a[0] - e3[0] * a[2];
    e2[2] = e3[0] * a[1] - e3[1] * a[0];
    for (int k = 0; k < 3; ++k) e1[k] = a[k];
    double *axes[3] = {e1, e2, e3};
    for (double *v : axes) {
        const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (len == 0.0) return; // degenerate geometry: T stays zero
        for (int k = 0; k < 3; ++k) v[k] /= len;
    }
    for (int node = 0; node < n; ++node)
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k) t[(3 * node + r) * m + 3 * node + k] = axes[r][k];
}

double gap_zone(double a, double b, double cx, double cy, double x, double y, int type)
{
    const double dx = std::fabs(x - cx), dy = std::fabs(y - cy);
    double d = 0.0;
    switch (type) {
    case 10:
        d = std::sqrt(dx * dx + dy * dy);
        if (d > b) return 0.0;
        break;
    case 11:
        if (dx >= b || dy >= b) return 0.0;
        d = dx > dy ? dx : dy;
        break;
    case 12:
        d = dx;
        if (d >= b) return 0.0;
        break;
    case 13:
        d = dy;
        if (d >= b) return 0.0;
        break;
    default:
        return 0.0;
    }
    return a > 0.0 ? a / b * (b - d) : -a;
}

double joint_normal_stiffness(double h, double e, double f, double kn)
{
    if (e >= 1.0) return kn;
    if (h <= 0.0) return kn;
    if (h > e) return 0.0;
    if (f <= 0.0) return kn * (1.0 + std::cos(pi * h / e)) / 2.0;
    if (h < f / kn) return kn;
    if (h < e / 2.0) return f / h;
    return (f / h) * (1.0 + std::cos(pi * (h - e / 2.0) / (e - e / 2.0))) / 2.0;
}

void joint_stiffness(const double *xyz, const double *u, const double *mat, const double *gp,
                     const double *gw, double *kg)
{
    double t[576], kl[576];
    double ul[24], xl[24], n[8], dn[24], normal[3];
    joint_frame(xyz, 8, t);
    mat_mult(t, u, ul, 24, 24, 1);
    mat_mult(t, xyz, xl, 24, 24, 1);
    vec_zero(kl, 576);
    const int type = material_type(mat);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            double k[3] = {mat[0], mat[1], mat[2]};
            shape_functions(gp[i], gp[j], 0.0, n, dn);
            double g = 0.0;
            if (mat[7] > 0.0) {
                double x = 0.0, y = 0.0;
                for (int m = 0; m < 8; ++m) {
                    x += n[m] * xl[3 * m];
                    y += n[m] * xl[3 * m + 1];
                }
                g = gap_zone(mat[6], mat[7], mat[8], mat[9], x, y, type);
            }
            const double da = gw[i] * gw[j] * face_normal(xl, dn, normal);
            double h = g;
            for (int m = 0; m < 4; ++m) h += n[m + 4] * ul[3 * (m + 4) + 2] - n[m] * ul[3 * m + 2];
            k[2] = joint_normal_stiffness(h, mat[5], mat[8], mat[2]);
            const double ratio = k[2] / mat[2];
            k[0] *= ratio;
            k[1] *= ratio;
            for (int m = 0; m < 8; ++m)
                for (int c = 0; c < 3; ++c)
                    kl[(3 * m + c) * 24 + 3 * m + c] += n[m] * k[c] * n[m] * da;
            for (int m = 0; m < 4; ++m)
                for (int c = 0; c < 3; ++c)
                    kl[(3 * m + c) * 24 + 3 * (m + 4) + c] -= n[m] * k[c] * n[m + 4] * da;
        }
    for (int r = 0; r < 24; ++r)
        for (int c = 0; c < r; ++c) kl[r * 24 + c] = kl[c * 24 + r];
    // Kg = T^T Kl T. T repeats R on its diagonal and every non-zero 3x3 block
    // of Kl is diagonal, so block (a, b) of Kg is sum_c Kl_ab[c][c] r_c r_c^T
    // with r_c row c of R: no dense 24x24 products needed.
    vec_zero(kg, 576);
    const double *rot = t; // rows 0-2, columns 0-2 of T
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b) {
            if (!(a == b || a == b + 4 || b == a + 4)) continue;
            for (int c = 0; c < 3; ++c) {
                const double v = kl[(3 * a + c) * 24 + 3 * b + c];
                if (v == 0.0) continue;
                const double *rc = rot + c * 24;
                for (int r = 0; r < 3; ++r)
                    for (int q = 0; q < 3; ++q)
                        kg[(3 * a + r) * 24 + 3 * b + q] += v * rc[r] * rc[q];
            }
        }
    check_symmetry("make_ek_joint", kg, 24, 0.01);
}
