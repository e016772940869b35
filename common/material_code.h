// Material type codes: entry 11 of a material record, truncated toward zero.
#pragma once

// A value that is not a number selects no element: its code.
inline constexpr int no_element_code = -2000000000;

// The type code of a material whose entry 11 is `entry11`: the value truncated toward zero,
// held within +-2e9 so that huge values keep a defined code (of no element); a value that is
// not a number gives no_element_code.
template <typename T> constexpr int material_type_code(T entry11)
{
    if (entry11 != entry11) return no_element_code;
    if (entry11 >= T(2.0e9)) return 2000000000;
    if (entry11 <= T(-2.0e9)) return -2000000000;
    return static_cast<int>(entry11);
}

// Code 0: the eight-node solid element.
constexpr bool is_solid_code(int code)
{
    return code == 0;
}

// Codes 1, 2 and 10 to 14: the joint element (10 to 13 with a gap zone).
constexpr bool is_joint_code(int code)
{
    return code == 1 || code == 2 || (code >= 10 && code <= 14);
}
