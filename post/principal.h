// Principal values of a symmetric stress or strain tensor.
#pragma once

// s = (xx, yy, zz, yz, zx, xy); values ascending: v[0] <= v[1] <= v[2].
void principal_values(const double s[6], double v[3]);
