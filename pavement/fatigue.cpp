// Fatigue of the slab concrete: transfer functions, cracking, wander positions.
#include "fatigue.h"

#include <cmath>
#include <limits>

double allowable_repetitions(const transfer_function &t, double sr)
{
    const double unlimited = std::numeric_limits<double>::infinity();
    switch (t.kind) {
    case transfer_function::pca:
        if (sr > 0.55) return std::pow(10.0, 11.737 - 12.077 * sr);
        if (sr >= 0.45) return std::pow(4.2577 / (sr - 0.4325), 3.268);
        return unlimited;
    case transfer_function::me:
        if (!(sr > 0.0)) return unlimited;
        return std::pow(10.0, t.c1 * std::pow(1.0 / sr, t.c2));
    case transfer_function::user: {
        const auto &c = t.curve;
        if (c.empty()) return unlimited;
        if (sr <= c.front().first) return c.front().second >= 1e12 ? unlimited : c.front().second;
        if (sr >= c.back().first) return c.back().second;
        for (std::size_t k = 1; k < c.size(); ++k)
            if (sr <= c[k].first) {
                const double f = (sr - c[k - 1].first) / (c[k].first - c[k - 1].first);
                const double a = std::log10(c[k - 1].second), b = std::log10(c[k].second);
                return std::pow(10.0, a + f * (b - a));
            }
        return c.back().second;
    }
    }
    return unlimited;
}

double cracked_fraction(const transfer_function &t, double di)
{
    if (!(di > 0.0)) return 0.0;
    return 1.0 / (1.0 + t.c4 * std::pow(di, t.c5));
}

double total_cracking(double bu, double td)
{
    return bu + td - bu * td;
}

double erosion_power(double k_mpa_per_m, double corner_deflection_m, double thickness_m)
{
    const double pci_per_mpa_m = 0.0254 / 6.894757e-3; // 1 MPa/m in psi per inch (3.684)
    const double k = k_mpa_per_m * pci_per_mpa_m;
    const double w = std::fabs(corner_deflection_m) / 0.0254, h = thickness_m / 0.0254;
    const double p = k * w; // psi
    return 268.7 * p * p / (h * std::pow(k, 0.73));
}

double erosion_allowable(double power, double c1)
{
    const double x = c1 * power - 9.0;
    if (!(x > 0.0)) return HUGE_VAL;
    return std::pow(10.0, 14.524 - 6.777 * std::pow(x, 0.103));
}

double differential_energy(double k_mpa_per_m, double w_loaded, double w_unloaded)
{
    const double k = k_mpa_per_m * 1.0e6; // N/m3
    return 0.5 * k * (w_loaded * w_loaded - w_unloaded * w_unloaded);
}

std::vector<std::pair<double, double>> wander_positions(double mean, double sd, int positions,
                                                        double *at_edge, bool free_edge)
{
    std::vector<std::pair<double, double>> w;
    if (at_edge) *at_edge = 0.0;
    if (positions <= 1 || !(sd > 0.0)) {
        w.push_back({free_edge ? std::max(mean, 0.0) : mean, 1.0});
        if (at_edge && free_edge && mean < 0.0) *at_edge = 1.0;
        return w;
    }
    double sum = 0.0, beyond = 0.0;
    for (int k = 0; k < positions; ++k) {
        const double z = -2.0 + 4.0 * k / (positions - 1);
        const double offset = mean + z * sd;
        const double weight = std::exp(-0.5 * z * z);
        sum += weight;
        if (offset < 0.0 && free_edge) { // beyond the free edge: kept at the edge
            beyond += weight;
            continue;
        }
        w.push_back({offset, weight});
    }
    if (beyond > 0.0) {
        if (!w.empty() && w.front().first == 0.0)
            w.front().second += beyond;
        else
            w.insert(w.begin(), {0.0, beyond});
    }
    for (auto &p : w) p.second /= sum;
    if (at_edge) *at_edge = beyond / sum;
    return w;
}
