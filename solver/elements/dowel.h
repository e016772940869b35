// Dowel bar element: a 12-dof link between the two points where a bar leaves the concrete.
#pragma once

#include "global_matrix.h"
#include "model.h"

// Dowel material record (dmats, twelve doubles); the other entries are not read.
enum dowel_entry {
    dowel_young = 0,     // E of the bar
    dowel_poisson = 1,   // nu of the bar
    dowel_width = 2,     // w: joint width, the free span of the bar across the gap
    dowel_diam = 3,      // d: bar diameter
    dowel_length = 4,    // L: total bar length
    dowel_support = 5,   // K: modulus of dowel support of the concrete around the bar
    dowel_looseness = 6, // s: free play across the bar before it bears (length; 0: a tight bar)
};

// At or below this joint width the two bar ends share one displacement
// (rigid connection); above it the free span is a shear-deformable beam.
constexpr double dowel_rigid_width = 0.5;

// Axial and torsional spring of each embedded half (force per unit
// displacement, moment per radian), independent of the material.
constexpr double dowel_axial_spring = 10.0;

// Link degrees of freedom, in the dowel frame (axis 3 = bar axis):
// end 1 (u, v, w, thx, thy, thz) then end 2 likewise. Matrices are row-major.
constexpr int dowel_link_dofs = 12;

// Returns nullptr when the formulas of the element are defined for the
// material, otherwise a fixed text naming the faulty quantity: E, d, K
// positive, w not negative, L larger than w, -1 < nu < 0.5, all finite.
const char *dowel_material_fault(const double *dmat);

// G (6x24) maps the 24 local nodal displacements of an element (node-major,
// already rotated into the dowel frame) to the translations and rotations of
// a point in it: rows u, v, w, thx = dw/dy', thy = -dw/dx', thz = 0.
// n[8] shape functions at the point; local_deriv (3x8) their derivatives
// along the dowel frame's axes (rows d/dx', d/dy', d/dz').
void dowel_point_map(const double *n, const double *local_deriv, double *g);

// Kb (12x12): the two embedded halves as finite beams on a Winkler
// foundation, free at the far end, plus the fixed axial/torsional springs.
void dowel_foundation_matrix(const double *dmat, double *kb);

// Kf (12x12): the free span of length w as a shear-deformable 3-D beam.
void dowel_span_matrix(const double *dmat, double *kf);

// Keff = Kb (I - (Kf + Kb)^-1 Kb): foundation springs in series with the span.
// Returns 1, or 0 when (Kf + Kb) has a zero or non-finite pivot.
int dowel_series_link(const double *kb, const double *kf, double *keff);

// Keff for a rigid span: S = (A + B)^-1 over the diagonal blocks A, B of Kb,
// X = [[S A, S B], [S A, S B]], Keff = Kb (I - X). Returns 1, or 0 on a bad pivot.
int dowel_rigid_link(const double *kb, double *keff);

// Keff (12x12) of a dowel material: series branch for w > 0.5, rigid branch
// otherwise. Returns 1, or 0 when the inversion meets a zero or non-finite
// pivot or Keff has a non-finite entry (keff is then not to be used).
int dowel_link_matrix(const double *dmat, double *keff);

// Inverse of the n x n matrix a by Gauss-Jordan elimination in place, without
// pivoting. Returns 1, or 0 as soon as a pivot is zero or not finite; a is
// then partly reduced and must not be used.
int invert_in_place(double *a, int n);

// A (12x48) = diag(G1 T, G2 T): link dofs from the 48 global nodal
// displacements of the two end elements (end 1's eight nodes first).
// r (3x3) rows are the dowel frame's axes in global components; n1, n2 the
// shape functions at the two end points, dg1, dg2 their global derivatives (3x8).
void dowel_link_map(const double *r, const double *n1, const double *dg1, const double *n2,
                    const double *dg2, double *a);

// ek (48x48) = A^T Keff A, i.e. the blocks T^T Gi^T Cij Gj T.
void dowel_element_matrix(const double *keff, const double *a, double *ek);

// f (12) = Keff A u: the local end forces/moments of the link for the 48
// nodal displacements u of the two end elements.
void dowel_end_forces(const double *keff, const double *a, const double *u, double *f);

// Embedded half of length l loaded at its joint-face end (x = 0) by a
// transverse force P and a moment M; beta the foundation parameter,
// sh = sinh(beta l), s = sin(beta l). Reaction per unit length, bending
// moment and shear force at distance x from the loaded end.
double dowel_reaction(double beta, double sh, double s, double l, double p, double m, double x);
double dowel_moment(double beta, double sh, double s, double l, double p, double m, double x);
double dowel_shear(double beta, double sh, double s, double l, double p, double m, double x);

// ---- dowels of a model -------------------------------------------------

// True when the centre and both end points of dowel d were found in an
// element and its dowel material exists; any other dowel has no geometry and
// carries nothing.
bool dowel_is_placed(const corvane_model &m, int d);

// Frame r (3x3, rows the dowel's local axes in global components, row 2 the
// bar axis) from the centre element, and the link map a (12x48) from the two
// end elements (dowel_link_map) for one placed dowel. elems: the dowel's three
// associated elements; dowel: its nine-double record.
void dowel_geometry(const int *conn, const double *coords, const int *elems, const double *dowel,
                    double *r, double *a);

// Forms the 48x48 dowel matrix and adds it into the planned slots of the
// global matrix (pair_pos: the dowel's 16x16 block of the assembly plan).
// Returns 1, or 0 when the material gives no link matrix (nothing is added).
// The 48x48 dowel matrix into ek and its 16 nodes (end-1 element's, then
// end-2 element's). Returns 0 when the link matrix cannot be formed.
int dowel_stiffness(const int *conn, const double *coords, const int *elems, const double *dowel,
                    const double *dmat, double *ek, int *nodes);

// A loose bar (looseness s > 0) bears nothing until its two ends have moved across the bar,
// relative to each other, by more than s; beyond that it acts as a tight bar on the movement
// past s. As a secant law on the whole link: the factor 0 while |delta| <= s, then
// 1 - s / |delta|, with delta the relative transverse movement of the ends (the dowel frame's
// first two axes) at the displacements disp. 1 for a tight or unplaced bar.
double dowel_engagement(const corvane_model &m, int d, const double *disp);
// True when dowel d is placed and loose: its stiffness depends on the displacements.
bool dowel_is_loose(const corvane_model &m, int d);

int make_dowel(row_slot_matrix &k, const int *pair_pos, const int *conn, const double *coords,
               const int *elems, const double *dowel, const double *dmat);
