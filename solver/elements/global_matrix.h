// Global stiffness matrix: coupling pattern, planned assembly, compaction, products, constraints.
#pragma once

#include "model.h"

#include <functional>

// Element coupling kinds for the pattern.
enum coupling_kind {
    couples_nothing = 0, // material selects no element
    couples_facing = 1,  // joint: node k with k and k+4 (and k+4 with k)
    couples_all = 2,     // solid: every node pair
};

// Builds the node coupling pattern, the row slots and the assembly plan from
// the elements (kind[e] per element) and the dowels (16 nodes each: the nodes
// of the end-1 element followed by those of the end-2 element). Prints the
// row-capacity warning once for every row that needs bw slots or more.
void build_pattern(corvane_model &m, const int *kind, bool adjacency_only = false);

// Kinds of the constant (displacement-independent) element matrices.
enum constant_kind { constant_solid = 0, constant_dowel = 1 };

// Calls add(kind, index, nodes, q, ek) for every solid element (q = 8, index
// the element) and placed dowel (q = 16, index the dowel) that take(kind,
// index) accepts, in that order, with its matrix (bricks of equal shape and
// material share one integration; their diagnostics print once).
void for_each_constant_matrix(
    corvane_model &m, const std::function<bool(int, int)> &take,
    const std::function<void(int, int, const int *, int, const double *)> &add);

// True when no joint of the current materials can change its stiffness with the opening (every
// joint law linear: opening limit 1 or more) and no dowel is loose, so K does not depend on the
// displacements.
bool joints_are_linear(const corvane_model &m);

// Whether the matrix of the last assembly is the one an assembly now would give: the same
// materials, and no joint or dowel whose stiffness follows the displacements. Back ends that
// keep their slots in place may then skip the assembly (the load sets of a linear model).
bool matrix_stands(const corvane_model &m);

// True when the matrix depends on the displacements: a joint, or a loose dowel, in the model.
bool depends_on_displacement(const corvane_model &m);

// Calls add(element, nodes, kg) for every joint element that take(element) accepts, with its
// 24x24 matrix re-formed at the current displacements (only the facing node pairs k, k+4
// couple).
void for_each_joint_matrix(const corvane_model &m, const std::function<bool(int)> &take,
                           const std::function<void(int, const int *, const double *)> &add);

// Calls add(dowel, nodes, factor, ek) for every loose dowel that take(dowel) accepts and whose
// engagement at the current displacements is not 1: factor = engagement - 1 and ek its tight
// 48x48 matrix, the correction to add to the constant part (which holds the bar tight).
void for_each_loose_dowel(const corvane_model &m, const std::function<bool(int)> &take,
                          const std::function<void(int, const int *, double, const double *)> &add);

// Adds factor * ek (3q x 3q, node-major) into the planned slots; entries that
// are exactly 0.0 are skipped. pair_pos is the element's q*q block of the plan.
void assemble_ek(row_slot_matrix &a, const double *ek, double factor, const int *pair_pos,
                 const int *nodes, int q);

// global[3*node_i + c] += factor * element[3*i + c]
void assemble_fe(double *global, const double *element, double factor, const int *nodes, int q,
                 int ndof);

// The 16 nodes of dowel d: end-1 element nodes, then end-2 element nodes.
void dowel_nodes(const corvane_model &m, int d, int *nodes);

// Rebuilds the matrix for the current materials and displacements (disp).
void build_stiffness(corvane_model &m);

// Moves the slots holding exactly 0.0 behind the others (stable), so that
// row_count counts the stored entries.
void compact_rows(row_slot_matrix &a);

// y = A x over the stored entries.
void matrix_vector(double *y, const row_slot_matrix &a, const double *x);

// Slot index of the stored diagonal of row i, or -1 when the row stores none.
std::int64_t find_diagonal(const row_slot_matrix &a, int i);

// diagonal[i] = the stored diagonal of row i (0 when none), empty[i] = the row stores nothing.
void row_diagonal(const row_slot_matrix &a, std::vector<double> &diagonal,
                  std::vector<char> &empty);

// 0, or minus the number of rows whose stored diagonal is not positive.
int check_diagonal(const row_slot_matrix &a);

// fixed[3*node + c] = record[1 + c] for the boundary records in order.
void set_fixed_flags(corvane_model &m);
