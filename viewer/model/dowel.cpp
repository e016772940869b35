// Dowel stress profiles: bending, shear and foundation reaction along each embedded half of a bar.
#include "fem3d.h"

#include <cmath>

namespace
{

// Embedded-length distribution functions of a bar half of length l on an elastic foundation,
// loaded at its joint-face end (x = 0) by the transverse force P and the moment M; single
// precision throughout. sh = sinh(beta l), s = sin(beta l), d' = l - x, D = sh^2 - s^2.
struct half_beam {
    float beta, sh, s, l;

    float s33(float p, float q) const { return std::sin(beta * p) * std::sinh(beta * q); }
    float c34(float p, float q) const { return std::cos(beta * p) * std::cosh(beta * q); }
    float s35(float p, float q) const { return std::sin(beta * p) * std::cosh(beta * q); }
    float c36(float p, float q) const { return std::cos(beta * p) * std::sinh(beta * q); }

    float reaction(float p, float m, float x) const
    {
        const float d = l - x, dd = sh * sh - s * s;
        return (sh * c34(x, d) - s * c34(d, x)) * (2 * p * beta / dd) +
               (sh * s35(x, d) - sh * c36(x, d) + s * c36(d, x) - s * s35(d, x)) *
                   (2 * m * beta * beta / dd);
    }
    float moment(float p, float m, float x) const
    {
        const float d = l - x, dd = sh * sh - s * s;
        return (sh * s33(x, d) - s * s33(d, x)) * (-p / (beta * dd)) +
               (sh * c36(x, d) + sh * s35(x, d) - s * c36(d, x) - s * s35(d, x)) * (m / dd);
    }
    float shear(float p, float m, float x) const
    {
        const float d = l - x, dd = sh * sh - s * s;
        return (sh * c36(x, d) - sh * s35(x, d) - s * s35(d, x) + s * c36(d, x)) * (-p / dd) +
               (sh * s33(x, d) + s * s33(d, x)) * (-2 * m * beta / dd);
    }
};

// Axis of a bar from its flags: the last non-zero of e1, e2, e3; -1 when none is set.
int dowel_axis(const t_dowel &d)
{
    int axis = -1;
    for (int a = 0; a < 3; a++)
        if (d.axis[a] != 0) axis = a;
    return axis;
}

void clear_profiles(t_dowel &d)
{
    for (int i = 0; i < dowel_stations; i++) d.bending[i] = d.shear[i] = d.reaction[i] = 0;
}

} // namespace

void FEMg3D::compute_dowel_profiles()
{
    if (n_dowels == 0) return;
    for (int n = 0; n < n_dowels; n++) {
        t_dowel &dw = dowels[n];
        const float *type = dowel_types[dw.type].value;
        const float e = type[0], w = type[2], d = type[3], lb = type[4], k = type[5];
        dw.gap = w;
        dw.length = lb;
        clear_profiles(dw);
        const float le = (lb - w) / 2;
        const float h = le / 35;
        dw.step = le > 0 ? h : 0;
        dowel_step = dw.step;

        // Without an axis, or with a type whose formulas divide by zero, the profiles stay 0.
        const int axis = dowel_axis(dw);
        if (axis < 0 || !(le > 0) || !(k > 0) || d == 0 || !(e > 0)) continue;
        const float ei = e * 0.04909f * d * d * d * d;
        half_beam hb;
        hb.beta = std::sqrt(std::sqrt(k / 4 / ei));
        hb.l = le;
        hb.sh = (std::exp(hb.beta * le) - std::exp(-hb.beta * le)) / 2;
        hb.s = std::sin(hb.beta * le);
        if (!std::isfinite(hb.sh * hb.sh) || hb.sh * hb.sh - hb.s * hb.s == 0) continue;
        const float z = 0.0982f * d * d * d;
        const float as = 9.42477796076938f * d * d / 16;

        // End loads (P shear, M moment) of the first and the second half.
        const float *f = dw.force; // Fx1 Fy1 Fz1 Mx1 My1 Mz1 Fx2 Fy2 Fz2 Mx2 My2 Mz2
        float p1, m1, p2, m2;
        if (axis == 0) {
            p1 = -f[2], m1 = -f[4], p2 = -f[8], m2 = f[10];
        } else if (axis == 1) {
            p1 = -f[2], m1 = f[3], p2 = -f[8], m2 = -f[9];
        } else {
            p1 = std::fabs(f[0]) >= std::fabs(f[1]) ? f[0] : f[1];
            m1 = std::fabs(f[3]) > std::fabs(f[4]) ? -f[3] : f[4];
            p2 = std::fabs(f[6]) >= std::fabs(f[7]) ? f[6] : f[7];
            m2 = std::fabs(f[9]) > std::fabs(f[10]) ? -f[9] : f[10];
        }
        // First half: stations 0..35 run from x = Le down to the joint face.
        for (int j = 35; j >= 0; j--) {
            const int i = 35 - j;
            const float x = static_cast<float>(j) * h;
            dw.shear[i] = -hb.shear(p1, m1, x) / as;
            dw.bending[i] = hb.moment(p1, m1, x) / z;
            dw.reaction[i] = hb.reaction(p1, m1, x);
        }
        // Second half: stations 36..70 run from the joint face to x = 34 h.
        for (int kk = 0; kk <= 34; kk++) {
            const int i = 36 + kk;
            const float x = static_cast<float>(kk) * h;
            dw.shear[i] = hb.shear(p2, m2, x) / as;
            dw.bending[i] = hb.moment(p2, m2, x) / z;
            dw.reaction[i] = hb.reaction(p2, m2, x);
        }
    }
}
