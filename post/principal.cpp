// Principal values of a symmetric stress or strain tensor (trigonometric solution of the
// characteristic cubic).
#include "principal.h"

#include <algorithm>
#include <cmath>

void principal_values(const double s[6], double v[3])
{
    const double p1 = s[3] * s[3] + s[4] * s[4] + s[5] * s[5];
    if (p1 == 0.0) {
        v[0] = s[0];
        v[1] = s[1];
        v[2] = s[2];
        std::sort(v, v + 3);
        return;
    }
    const double q = (s[0] + s[1] + s[2]) / 3.0;
    const double p2 =
        (s[0] - q) * (s[0] - q) + (s[1] - q) * (s[1] - q) + (s[2] - q) * (s[2] - q) + 2.0 * p1;
    const double p = std::sqrt(p2 / 6.0);
    const double bx = (s[0] - q) / p, by = (s[1] - q) / p, bz = (s[2] - q) / p;
    const double byz = s[3] / p, bzx = s[4] / p, bxy = s[5] / p;
    const double det =
        bx * (by * bz - byz * byz) - bxy * (bxy * bz - byz * bzx) + bzx * (bxy * byz - by * bzx);
    const double phi = std::acos(std::clamp(det / 2.0, -1.0, 1.0)) / 3.0;
    const double pi = 3.141592653589793;
    v[2] = q + 2.0 * p * std::cos(phi);
    v[0] = q + 2.0 * p * std::cos(phi + 2.0 * pi / 3.0);
    v[1] = 3.0 * q - v[0] - v[2];
}
