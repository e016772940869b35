// The unit systems the three programs share: the factors of the unit codes and the rule that
// decides how a material record converts.
#pragma once

// Code 0: no conversion. Code 1: the input is in kgf and cm (stress-like values times 0.098,
// spring stiffnesses times 9.8, unit weights times 1e6). Code 2: the exact inverse of code 1.
// The solver multiplies what it reads by these and divides what it writes; the generator writes
// values divided by them; coordinates and displacements never convert.
struct unit_factor_set {
    double stress; // Young's moduli, tractions, stresses
    double spring; // joint stiffnesses, the dowel support modulus
    double weight; // unit weights
};

inline constexpr unit_factor_set unit_factors[3] = {
    {1.0, 1.0, 1.0},
    {0.098, 9.8, 1.0e6},
    {1.0 / 0.098, 1.0 / 9.8, 1.0e-6},
};

// True for the codes that have factors.
constexpr bool valid_unit_code(int code)
{
    return code >= 0 && code <= 2;
}

// The same factors in single precision, as the generator and the viewer compute.
inline float unit_stress_factor_f(int code)
{
    return static_cast<float>(unit_factors[code].stress);
}
inline float unit_spring_factor_f(int code)
{
    return static_cast<float>(unit_factors[code].spring);
}
inline float unit_weight_factor_f(int code)
{
    return static_cast<float>(unit_factors[code].weight);
}

// How a material record converts: entry 11 below 1.0 converts as a solid (entry 0 a modulus,
// entry 2 a unit weight), any other value as a joint (entries 0, 1 and 2 stiffnesses).
template <typename T> constexpr bool converts_as_solid(T entry11)
{
    return entry11 < T(1);
}

// The suite's engineering units (m, MPa, kN, MPa/m) against the kgf-cm units of its files, all
// derived from code 1's factors: 1 kgf/cm2 = 0.098 MPa, so 1 kgf = 0.098 MPa x 1e-4 m2 = 9.8 N.
inline constexpr double mpa_per_kgf_cm2 = unit_factors[1].stress;                     // 0.098
inline constexpr double mpa_m_per_kgf_cm3 = unit_factors[1].spring;                   // 9.8
inline constexpr double kn_per_kgf = unit_factors[1].stress * 1.0e6 * 1.0e-4 / 1.0e3; // 0.0098
inline constexpr double m_per_cm = 0.01;
inline constexpr double mm_per_m = 1000.0;  // also MPa/m per MPa/mm
inline constexpr double kn_per_mn = 1000.0; // kN / MPa = 1e-3 m2
inline constexpr double m2_per_kn_per_mpa = 1.0 / kn_per_mn;

// The contact area (m2) of a load (kN) at a pressure (MPa).
constexpr double contact_area(double load_kn, double pressure_mpa)
{
    return load_kn * m2_per_kn_per_mpa / pressure_mpa;
}

// The pressure (MPa) of a load (kN) on an area (m2).
constexpr double contact_pressure(double load_kn, double area_m2)
{
    return load_kn * m2_per_kn_per_mpa / area_m2;
}
