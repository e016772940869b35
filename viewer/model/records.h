// Fixed-layout records of the result model: nodes, elements, loaded faces, materials, dowels,
// faces.
#pragma once

#include <cstddef>
#include <cstdint>

// Every record is a run of 4-byte words (float or int32) with no padding, so the
// binary result form and the word numbers used by the drawing code stay valid.

// One node: coordinates, results and selection state (33 words).
struct t_node {
    float coord[3];         // words 0-2: x, y, z
    float disp[3];          // words 3-5: Ux, Uy, Uz
    float stress[6];        // words 6-11: Sx, Sy, Sz, Syz, Szx, Sxy
    float strain[6];        // words 12-17: Ex, Ey, Ez, Eyz, Ezx, Exy (engineering shear)
    float principal[3];     // words 18-20: S1 <= S2 <= S3
    float fi;               // word 21: fatigue index
    float direction[9];     // words 22-30: direction[3*r + k] = component r of principal k
    std::int32_t material;  // word 31: material of a solid element using the node
    std::int32_t use_count; // word 32: selected solid elements using the node

    // Result component c = 0..15: Sx..Sxy, Ex..Exy, S1, S2, S3, FI (words 6 + c).
    float result(int c) const
    {
        if (c < 6) return stress[c];
        if (c < 12) return strain[c - 6];
        if (c < 15) return principal[c - 12];
        return fi;
    }
};

// One eight-node element: averages of its nodes, connectivity and material (41 words).
struct t_elem {
    float centroid[3];          // words 0-2: mean of the 8 node coordinates
    float disp[3];              // words 3-5: mean displacement
    float stress[6];            // words 6-11: mean stress
    float strain[6];            // words 12-17: mean strain
    float principal[3];         // words 18-20: principal stresses of the mean stress, ascending
    float unused21;             // word 21
    float direction[9];         // words 22-30: as in t_node
    std::int32_t node[8];       // words 31-38: node numbers, local order 0..7
    std::int32_t material;      // word 39: material number as read
    std::int32_t draw_material; // word 40: copy of word 39 made when results are read
};

// One loaded face: four corner nodes and the traction kept from the last corner (7 words).
struct t_load_face {
    std::int32_t node[4]; // words 0-3
    float traction[3];    // words 4-6
};

// One material row, 12 floats as in the model file; value[11] is the kind (0 solid).
struct t_material {
    float value[12];
};

// One dowel type row, 12 floats from the dowel input file:
// value[0] bar modulus, [2] joint gap width, [3] bar diameter, [4] bar length, [5] support modulus.
struct t_dowel_type {
    float value[12];
};

// Number of profile stations along one dowel.
constexpr int dowel_stations = 71;

// One dowel bar with its end forces and stress profiles (238 words).
struct t_dowel {
    float centre[3];                // words 0-2
    std::int32_t type;              // word 3: dowel type index
    float gap;                      // word 4: copy of type word 2
    float length;                   // word 5: copy of type word 4
    float force[12];                // words 6-17: Fx1 Fy1 Fz1 Mx1 My1 Mz1 Fx2 Fy2 Fz2 Mx2 My2 Mz2
    float axis[3];                  // words 18-20: axis flags e1, e2, e3
    float step;                     // word 21: station spacing
    float bending[dowel_stations];  // words 22-92
    float unused93;                 // word 93
    float shear[dowel_stations];    // words 94-164
    float unused165;                // word 165
    float reaction[dowel_stations]; // words 166-236: foundation reaction per unit length
    float unused237;                // word 237
};

// One element face in a depth-sorted list (17 words).
struct t_face {
    std::int32_t material; // word 0: element word 39
    std::int32_t element;  // word 1: element index
    std::int32_t kind;     // word 2: always 0
    std::int32_t node[4];  // words 3-6: corner nodes in face order
    float depth;           // word 7: mean depth of the corners
    float shade;           // word 8: shade of the face normal, -1..1
    float proj[8];         // words 9-16: px0, py0, px1, py1, px2, py2, px3, py3
};

static_assert(sizeof(t_node) == 33 * 4, "t_node is 33 words");
static_assert(sizeof(t_elem) == 41 * 4, "t_elem is 41 words");
static_assert(sizeof(t_load_face) == 7 * 4, "t_load_face is 7 words");
static_assert(sizeof(t_material) == 12 * 4, "t_material is 12 words");
static_assert(sizeof(t_dowel_type) == 12 * 4, "t_dowel_type is 12 words");
static_assert(sizeof(t_dowel) == 238 * 4, "t_dowel is 238 words");
static_assert(sizeof(t_face) == 17 * 4, "t_face is 17 words");
static_assert(offsetof(t_node, material) == 31 * 4 && offsetof(t_node, use_count) == 32 * 4);
static_assert(offsetof(t_elem, node) == 31 * 4 && offsetof(t_elem, draw_material) == 40 * 4);
static_assert(offsetof(t_dowel, step) == 21 * 4 && offsetof(t_dowel, shear) == 94 * 4 &&
              offsetof(t_dowel, reaction) == 166 * 4);
static_assert(offsetof(t_face, depth) == 7 * 4 && offsetof(t_face, proj) == 9 * 4);
