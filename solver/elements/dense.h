// Small dense-matrix kernels (row-major doubles) shared by the element routines.
#pragma once

// C (m x p) = A (m x n) * B (n x p)
inline void mat_mult(const double *a, const double *b, double *c, int m, int n, int p)
{
    for (int i = 0; i < m; ++i)
        for (int k = 0; k < p; ++k) {
            double s = 0.0;
            for (int j = 0; j < n; ++j) s += a[i * n + j] * b[j * p + k];
            c[i * p + k] = s;
        }
}

// C (m x p) = A^T * B, A is n x m, B is n x p
inline void mat_tmult(const double *a, const double *b, double *c, int n, int m, int p)
{
    for (int i = 0; i < m; ++i)
        for (int k = 0; k < p; ++k) {
            double s = 0.0;
            for (int j = 0; j < n; ++j) s += a[j * m + i] * b[j * p + k];
            c[i * p + k] = s;
        }
}

// y <- y + a*x over n entries
inline void vec_axpy(double *y, double a, const double *x, int n)
{
    for (int i = 0; i < n; ++i) y[i] += a * x[i];
}

// y <- a*x over n entries
inline void vec_scale(double *y, double a, const double *x, int n)
{
    for (int i = 0; i < n; ++i) y[i] = a * x[i];
}

inline void vec_zero(double *y, int n)
{
    for (int i = 0; i < n; ++i) y[i] = 0.0;
}
