// The per-material stress file (corvane --material-stresses, BASE.mst or BASEcc.mst): its name,
// header and row layout, shared by the solver that writes it and the readers.
//
// Line 1: "# material stresses:" followed by key=value words describing the run:
//   element=brick|incompatible solver=cg|gamg|hypre|... units=0|1|2 (corvane's -U)
//   case=C load_factor=F equilibrium=reached|not-reached nodes=NP materials=NM
// Line 2: the column names (material_stress_columns).
// Then one row per node and solid material that meets at the node, ordered by node and then
// material: node, material, the number of that material's elements at the node, x, y, z, the
// six mechanical strains and the six stresses (stresses in the files' units, like the result
// file), each the mean over that material's elements at the node only.
#pragma once

#include <cstdio>
#include <string>

inline constexpr const char *material_stress_extension = ".mst";
inline constexpr const char *material_stress_tag = "# material stresses:";
inline constexpr const char *material_stress_columns =
    "  node  mat  n            x            y            z             Ex             Ey"
    "             Ez            Eyz            Ezx            Exy             Sx             Sy"
    "             Sz            Syz            Szx            Sxy\n";
// node, material, count, x, y, z
inline constexpr const char *material_stress_row_head = "%6d %4d %2d %12.5f %12.5f %12.5f";
// each of the twelve values
inline constexpr const char *material_stress_value = " %14.6e";

// The name of the file beside a result set: base + ".mst" (single case) or base + "%02d.mst".
inline std::string material_stress_name(const std::string &base, int case_number = -1)
{
    if (case_number < 0) return base + material_stress_extension;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%02d", case_number);
    return base + suffix + material_stress_extension;
}
