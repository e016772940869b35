// Shared test helpers: array comparison that names the failing index.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

// Compares n values; the absolute floor is abs_floor times the largest
// magnitude of the expected block, so near-zero entries of a block of large
// numbers are not judged by a relative test.
template <typename A, typename B>
void expect_arrays_close(std::size_t n, const A &expected, const B &actual, double rel,
                         double abs_floor = 1e-12)
{
    double largest = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        largest = std::max(largest, std::fabs(static_cast<double>(expected[i])));
    const double floor = abs_floor * std::max(largest, 1.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double e = static_cast<double>(expected[i]);
        const double a = static_cast<double>(actual[i]);
        EXPECT_LE(std::fabs(a - e), std::max(rel * std::fabs(e), floor))
            << "at index " << i << ": expected " << e << ", got " << a;
    }
}
