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
