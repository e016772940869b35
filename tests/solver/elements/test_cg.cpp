// Conjugate-gradient solver against exact solutions, and its guards.
#include "cg.h"
#include "test_util.h"

#include <cmath>
#include <string>
#include <vector>

// Full-row storage of a dense n x n matrix (zeros not stored).
static row_slot_matrix from_dense(int n, const std::vector<double> &k)
{
    row_slot_matrix a;
    a.nn = n;
    a.row_start.push_back(0);
    for (int i = 0; i < n; ++i) {
        int count = 0;
        for (int j = 0; j < n; ++j)
            if (k[i * n + j] != 0.0) {
                a.values.push_back(k[i * n + j]);
                a.JENDEX.push_back(j);
                ++count;
            }
        a.row_count.push_back(count);
        a.row_start.push_back(a.row_start.back() + count);
        a.row_moved.push_back(0);
    }
    return a;
}

TEST(Cg, TridiagonalSystemMatchesExactSolution)
{
    // K = tridiag(-1, 4 + 0.1 i, -1) (eigenvalues within 2 and 8.9 by Gershgorin: condition number
    // at most about 4.5) with x_exact = i + 1
    const int n = 30;
    std::vector<double> k(n * n, 0.0), xe(n), b(n, 0.0), x(n, 0.0);
    for (int i = 0; i < n; ++i) {
        k[i * n + i] = 4.0 + 0.1 * i; // varied diagonal so that the scaling matters
        if (i > 0) k[i * n + i - 1] = -1.0;
        if (i + 1 < n) k[i * n + i + 1] = -1.0;
        xe[i] = i + 1.0;
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) b[i] += k[i * n + j] * xe[j];
    row_slot_matrix a = from_dense(n, k);
    const std::vector<double> values_before = a.values, b_before = b;
    std::vector<int> fixed(n, 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(cg_solve(a, x.data(), b.data(), fixed.data()), 1);
    testing::internal::GetCapturedStdout();
    expect_arrays_close(n, xe, x, 1e-4);
    EXPECT_EQ(b, b_before);
    expect_arrays_close(values_before.size(), values_before, a.values, 1e-15);
}

TEST(Cg, FixedEquationsKeepTheirValue)
{
    // 3x3 SPD; x1 fixed at 0.5: solve the 2x2 rest exactly
    const std::vector<double> k = {4, 1, 0, 1, 3, 1, 0, 1, 2};
    row_slot_matrix a = from_dense(3, k);
    std::vector<double> x = {0.0, 0.5, 0.0};
    std::vector<double> b = {1.0, 99.0, 2.0};
    const int fixed[3] = {0, 1, 0};
    testing::internal::CaptureStdout();
    EXPECT_EQ(cg_solve(a, x.data(), b.data(), fixed), 1);
    testing::internal::GetCapturedStdout();
    // 4 x0 = 1 - 0.5, 2 x2 = 2 - 0.5
    EXPECT_NEAR(x[0], 0.125, 1e-6);
    EXPECT_EQ(x[1], 0.5);
    EXPECT_NEAR(x[2], 0.75, 1e-6);
}

TEST(Cg, DiagonalMatrixConvergesInOneIteration)
{
    const std::vector<double> k = {2, 0, 0, 0, 8, 0, 0, 0, 0.5};
    row_slot_matrix a = from_dense(3, k);
    std::vector<double> x(3, 0.0), b = {2.0, 4.0, 1.0};
    const int fixed[3] = {0, 0, 0};
    testing::internal::CaptureStdout();
    EXPECT_EQ(cg_solve(a, x.data(), b.data(), fixed), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("nc =1\n"), std::string::npos) << out;
    const double expect[3] = {1.0, 0.5, 2.0};
    expect_arrays_close(3, expect, x, 1e-12);
}

TEST(Cg, GuardsInsteadOfDividingByZero)
{
    const int fixed[2] = {0, 0};
    {
        // no stored diagonal in a loaded row
        row_slot_matrix a = from_dense(2, {1, 0, 0, 0});
        std::vector<double> x(2, 0.0), b = {1.0, 1.0};
        testing::internal::CaptureStdout();
        EXPECT_EQ(cg_solve(a, x.data(), b.data(), fixed), 0);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("no positive diagonal"),
                  std::string::npos);
        EXPECT_EQ(x[0], 0.0);
        EXPECT_EQ(x[1], 0.0);
    }
    {
        // negative diagonal
        row_slot_matrix a = from_dense(2, {1, 0, 0, -1});
        std::vector<double> x(2, 0.0), b = {1.0, 1.0};
        testing::internal::CaptureStdout();
        EXPECT_EQ(cg_solve(a, x.data(), b.data(), fixed), 0);
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(std::isfinite(x[0]) && std::isfinite(x[1]));
    }
    {
        // zero right-hand side
        row_slot_matrix a = from_dense(2, {1, 0, 0, 1});
        std::vector<double> x(2, 0.0), b = {0.0, 0.0};
        testing::internal::CaptureStdout();
        EXPECT_EQ(cg_solve(a, x.data(), b.data(), fixed), 0);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("zero right-hand side"),
                  std::string::npos);
        EXPECT_EQ(x[0], 0.0);
    }
    {
        // indefinite matrix with positive diagonal: d.Ad <= 0 breaks the iteration
        row_slot_matrix a = from_dense(2, {1, 2, 2, 1});
        std::vector<double> x(2, 0.0), b = {1.0, -1.0};
        testing::internal::CaptureStdout();
        EXPECT_EQ(cg_solve(a, x.data(), b.data(), fixed), 0);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("breaks down"), std::string::npos);
        EXPECT_TRUE(std::isfinite(x[0]) && std::isfinite(x[1]));
    }
    {
        // every equation fixed: x unchanged
        row_slot_matrix a = from_dense(2, {1, 0, 0, 1});
        std::vector<double> x = {0.25, -0.5}, b = {1.0, 1.0};
        const int all_fixed[2] = {1, 1};
        testing::internal::CaptureStdout();
        cg_solve(a, x.data(), b.data(), all_fixed);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(x[0], 0.25);
        EXPECT_EQ(x[1], -0.5);
    }
}

TEST(Cg, VectorNorm)
{
    const double v[3] = {3, 4, 12};
    EXPECT_DOUBLE_EQ(vector_norm(v, 3), 13.0);
}
