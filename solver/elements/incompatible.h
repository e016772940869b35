// The brick enriched with the incompatible bending modes of Wilson and Taylor, condensed per
// element.
#pragma once

// The displacement of the enriched brick is the brick's nodal interpolation
// plus nine internal modes: u_c += sum_m P_m alpha_(3m+c), P = (1 - xi^2,
// 1 - eta^2, 1 - zeta^2), c = x, y, z. The modes' derivatives are taken with
// the Jacobian J0 of the element centre and scaled by det J0 / det J
// (Taylor's correction): their strains then integrate to zero over any shape,
// so the element reproduces every constant strain state (patch test). The
// modes are internal to the element and condensed statically:
//   K = K_uu - K_ua K_aa^-1 K_au,  f = f_u - K_ua K_aa^-1 f_a,
//   alpha = K_aa^-1 (f_a - K_au u).

// What the condensation needs of one element.
struct mode_coupling {
    int active = 0;          // 0: no modes (degenerate centre, or K_aa not invertible)
    double det0 = 0.0;       // det J0 at the centre
    double inv0[9] = {};     // J0^-1, row-major (global = inv0 * natural derivatives)
    double kua[24 * 9] = {}; // K_ua, 24 x 9
    double kaa_inv[81] = {}; // K_aa^-1, 9 x 9
};

// Global derivatives of the three modes at the natural point (xi, eta, zeta)
// before Taylor's scaling: ga[3r + m] = d P_m / d x_r (r = x, y, z).
void mode_gradients(const double *inv0, double xi, double eta, double zeta, double *ga);

// B_a (6 x 9) of the modes from their gradients ga (strain order x, y, z, yz,
// zx, xy; column 3m + c is component c of mode m).
void make_b_modes(const double *ga, double *ba);

// K_ua and K_aa^-1 of one element (D from make_d, node coordinates xyz). No
// messages: the brick's own integration reports the failing points, and a
// point whose Jacobian fails contributes nothing here either.
void mode_coupling_matrices(const double *d, const double *xyz, const double *gp, const double *gw,
                            mode_coupling &mc);

// The condensed 24x24 stiffness into ek: the brick's K_uu (its messages and
// failing points as solid_stiffness reports them) less K_ua K_aa^-1 K_au, the
// symmetry of the result checked as "make_ek". Returns the number of points
// whose Jacobian determinant is not positive. mc, when given, receives the
// coupling matrices.
int incompatible_stiffness(const double *d, const double *xyz, const double *gp, const double *gw,
                           double *ek, mode_coupling *mc = nullptr);

// f (24) = f_u - K_ua K_aa^-1 f_a.
void condense_load(const mode_coupling &mc, const double *fu, const double *fa, double *f);

// alpha (9) = K_aa^-1 (f_a - K_au u); f_a may be null (no mode load).
void recover_modes(const mode_coupling &mc, const double *fa, const double *u, double *alpha);

// Inverts the n x n matrix a in place by Gauss-Jordan elimination with
// partial pivoting. Returns 0 (a undefined) when a pivot is not above
// 1e-13 times the largest diagonal entry in size, or is not finite.
int invert_pivoted(double *a, int n);
