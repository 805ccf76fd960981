// Internal to the library: not installed; names may change in any release.
//
// The 6 × 6 damped normal equations of the inverse-kinematics step, solved by Cholesky
// factorisation in a fixed order of operations.
#ifndef ZELMATH_KINEMATICS_INTERNAL_ZELDAMPEDSOLVE_H
#define ZELMATH_KINEMATICS_INTERNAL_ZELDAMPEDSOLVE_H

#include <cmath>

namespace zel_internal {

/// Solves (A + mu·I)·y = b for the symmetric positive semi-definite 6 × 6 matrix A (row-major)
/// by Cholesky factorisation. False when the damped matrix is not positive definite (y is then
/// unspecified).
inline bool dampedSolve(const double* a, double mu, const double* b, double* y) noexcept {
    double l[36];
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j <= i; ++j) {
            double sum = a[6 * i + j] + (i == j ? mu : 0.0);
            for (int k = 0; k < j; ++k) sum = sum - l[6 * i + k] * l[6 * j + k];
            if (i == j) {
                if (!(sum > 0.0)) return false;
                l[6 * i + i] = std::sqrt(sum);
            } else {
                l[6 * i + j] = sum / l[6 * j + j];
            }
        }
    }
    for (int i = 0; i < 6; ++i) {
        double sum = b[i];
        for (int k = 0; k < i; ++k) sum = sum - l[6 * i + k] * y[k];
        y[i] = sum / l[6 * i + i];
    }
    for (int i = 5; i >= 0; --i) {
        double sum = y[i];
        for (int k = i + 1; k < 6; ++k) sum = sum - l[6 * k + i] * y[k];
        y[i] = sum / l[6 * i + i];
    }
    return true;
}

}  // namespace zel_internal

#endif
