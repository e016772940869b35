// One embedded half of a dowel bar as a semi-infinite beam on an elastic foundation (Friberg),
// loaded at the joint face by the shear P and the moment M the bar carries there.
#include "dowel_check.h"

#include <cmath>

dowel_half_values dowel_half(double e, double d, double k, double half_length, double p, double m)
{
    const double pi = 3.141592653589793;
    dowel_half_values h;
    const double ei = e * pi * d * d * d * d / 64.0;
    if (!(ei > 0.0) || !(k > 0.0) || !(d > 0.0)) return h;
    const double b = std::sqrt(std::sqrt(k * d / (4.0 * ei)));
    h.beta = b;
    h.y0 = 2.0 * b * (p - b * m) / (k * d);
    h.bearing = k * h.y0;
    // M and V along the half at 400 stations (the extremes lie within the first 3/beta)
    const int stations = 400;
    const double length = half_length > 0.0 ? half_length : 0.0;
    for (int s = 0; s <= stations; ++s) {
        const double x = length * s / stations, bx = b * x, decay = std::exp(-bx);
        const double sn = std::sin(bx), cs = std::cos(bx);
        const double moment = m * decay * (cs + sn) - p / b * decay * sn;
        const double shear = -2.0 * b * m * decay * sn - p * decay * (cs - sn);
        h.moment_max = std::fmax(h.moment_max, std::fabs(moment));
        h.shear_max = std::fmax(h.shear_max, std::fabs(shear));
    }
    return h;
}
