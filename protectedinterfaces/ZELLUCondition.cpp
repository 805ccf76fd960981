// The two estimates of the reciprocal 1-norm condition number from the LU factors (see
// ZELLUKernels.h and the documentation of condition() and conditionHigham()).
#include "protectedinterfaces/internal/ZELLUKernels.h"

#include <cmath>

namespace zel_internal {
namespace lu {

namespace {

void scale(double* z, Index n, double c) {
    for (Index i = 0; i < n; ++i) z[i] *= c;
}

double l1Norm(const double* z, Index n) {
    double s = 0.0;
    for (Index i = 0; i < n; ++i) s += std::fabs(z[i]);
    return s;
}

void interchange(double* a, double* b) {
    const double t = *a;
    *a = *b;
    *b = t;
}

const double* row(const Matrix& a, Index i) { return &a(static_cast<std::size_t>(i), 0); }

// ---- the classic estimate -----------------------------------------------------------------------
//
// Four triangular solves on one working vector z, each rescaling z whenever an element grows too
// large; ynorm collects the scale factors of the last two.

// Solves U^T w = e, choosing the signs of e = (+-1) on the fly so that w grows.
void solveEandW(const Matrix& lu, double* z, Index n) {
    for (Index i = 0; i < n; ++i) z[i] = 0.0;
    double ek = 1.0;
    for (Index k = 0; k < n; ++k) {
        const double* u = row(lu, k);
        if (z[k] != 0.0) ek = -z[k] >= 0.0 ? 1.0 : -1.0;
        const double mek = -ek;
        const double ukk = std::fabs(u[k]);
        if (std::fabs(ek - z[k]) > ukk) {
            const double c = ukk / std::fabs(ek - z[k]);
            scale(z, n, c);
            ek = ek * c;
        }
        double wk = ek - z[k];
        double wkm = mek - z[k];
        double s = std::fabs(wk);
        double sm = std::fabs(wkm);
        if (u[k] == 0.0) {
            wk = 1.0;
            wkm = 1.0;
        } else {
            wk = wk / u[k];
            wkm = wkm / u[k];
        }
        if (k < n - 1) {
            for (Index j = k + 1; j < n; ++j) {
                sm = sm + std::fabs(wkm * u[j] + z[j]);
                z[j] = wk * u[j] + z[j];
                s = s + std::fabs(z[j]);
            }
            if (sm >= s) {
                const double t = wkm - wk;
                wk = wkm;
                for (Index j = k + 1; j < n; ++j) z[j] = t * u[j] + z[j];
            }
        }
        z[k] = wk;
    }
    scale(z, n, 1.0 / l1Norm(z, n));
}

// Solves L^T y = w, applying the interchanges as it goes.
void solveUpperSpecial(const Matrix& lu, const int* pivot, double* z, Index n) {
    for (Index k = n - 1; k >= 0; --k) {
        if (k < n - 1) {
            double s = 0.0;
            for (Index j = k + 1; j < n; ++j) s += row(lu, j)[k] * z[j];
            z[k] = z[k] - s;
        }
        if (std::fabs(z[k]) > 1.0) scale(z, n, 1.0 / std::fabs(z[k]));
        if (k < n - 1) interchange(z + k, z + (pivot[k] - 1));
    }
    scale(z, n, 1.0 / l1Norm(z, n));
}

// Solves L v = y.
void solveLowerSpecial(const Matrix& lu, const int* pivot, double* z, Index n, double& ynorm) {
    for (Index k = 0; k < n; ++k) {
        if (k < n - 1) interchange(z + k, z + (pivot[k] - 1));
        const double* l = row(lu, k);
        double s = 0.0;
        for (Index j = 0; j < k; ++j) s += l[j] * z[j];
        z[k] = z[k] - s;
        if (std::fabs(z[k]) > 1.0) {
            const double c = 1.0 / std::fabs(z[k]);
            scale(z, n, c);
            ynorm = ynorm * c;
        }
    }
    const double c = 1.0 / l1Norm(z, n);
    scale(z, n, c);
    ynorm = ynorm * c;
}

// Solves U z = v.
void solveUpperWithScaling(const Matrix& lu, double* z, Index n, double& ynorm) {
    for (Index k = n - 1; k >= 0; --k) {
        const double* u = row(lu, k);
        double s = 0.0;
        for (Index j = k + 1; j < n; ++j) s += z[j] * u[j];
        z[k] = z[k] - s;
        const double ukk = std::fabs(u[k]);
        if (std::fabs(z[k]) > ukk) {
            const double c = ukk / std::fabs(z[k]);
            scale(z, n, c);
            ynorm = ynorm * c;
        }
        z[k] = u[k] != 0.0 ? z[k] / u[k] : 1.0;
    }
    const double c = 1.0 / l1Norm(z, n);
    scale(z, n, c);
    ynorm = ynorm * c;
}

// ---- the Hager-Higham estimate ------------------------------------------------------------------

// x = A^-1 x from the factors P*A = L*U.
void solveWithFactors(const Matrix& lu, const int* pivot, double* x, Index n) {
    applyInterchanges(pivot, x, n);
    forwardSubstitute(lu, x, n);
    backSubstitute(lu, x, n);
}

// x = A^-T x: U^T w = x, L^T v = w, then the interchanges in reverse order.
void solveTransposedWithFactors(const Matrix& lu, const int* pivot, double* x, Index n) {
    for (Index i = 0; i < n; ++i) {
        const double* u = row(lu, i);
        const double xi = x[i] / u[i];
        x[i] = xi;
        for (Index k = i + 1; k < n; ++k) x[k] -= u[k] * xi;
    }
    for (Index i = n - 1; i > 0; --i) {
        const double* l = row(lu, i);
        const double xi = x[i];
        for (Index k = 0; k < i; ++k) x[k] -= l[k] * xi;
    }
    for (Index k = n - 2; k >= 0; --k) {
        const Index p = pivot[k] - 1;
        if (p != k) interchange(x + k, x + p);
    }
}

Index firstLargest(const double* x, Index n) {
    Index j = 0;
    double best = std::fabs(x[0]);
    for (Index i = 1; i < n; ++i) {
        if (std::fabs(x[i]) > best) {
            best = std::fabs(x[i]);
            j = i;
        }
    }
    return j;
}

// x = its signs (+-1, zero counting as +); the signs are kept in signs.
void toSigns(double* x, signed char* signs, Index n) {
    for (Index i = 0; i < n; ++i) {
        signs[i] = x[i] >= 0.0 ? 1 : -1;
        x[i] = signs[i];
    }
}

}  // namespace

double classicCondition(const Matrix& lu, const int* pivot, Index n, double norm) {
    ScratchBuffer<double, 64> buffer(static_cast<std::size_t>(n));
    double* z = buffer.data();
    solveEandW(lu, z, n);
    solveUpperSpecial(lu, pivot, z, n);
    double ynorm = 1.0;
    solveLowerSpecial(lu, pivot, z, n, ynorm);
    solveUpperWithScaling(lu, z, n, ynorm);
    return ynorm / norm;
}

// Estimates |A^-1|_1 by Hager's method with Higham's refinements: at most five iterations of
// x -> A^-1 x, sign vector, A^-T, unit vector at the largest component, stopped when the sign
// vector repeats or the estimate stops growing; then one more solve with the vector of
// alternating signs (1 + i/(n-1)) guards against the cases the iteration misses.
double highamCondition(const Matrix& lu, const int* pivot, Index n, double norm) {
    constexpr int MaxIterations = 5;
    ScratchBuffer<double, 64> xBuffer(static_cast<std::size_t>(n));
    ScratchBuffer<signed char, 64> signs(static_cast<std::size_t>(n));
    double* x = xBuffer.data();

    for (Index i = 0; i < n; ++i) x[i] = 1.0 / static_cast<double>(n);
    solveWithFactors(lu, pivot, x, n);
    if (n == 1) return (1.0 / std::fabs(x[0])) / norm;
    double estimate = l1Norm(x, n);
    toSigns(x, signs.data(), n);
    solveTransposedWithFactors(lu, pivot, x, n);
    Index j = firstLargest(x, n);
    for (int iteration = 2;; ++iteration) {
        for (Index i = 0; i < n; ++i) x[i] = 0.0;
        x[j] = 1.0;
        solveWithFactors(lu, pivot, x, n);
        const double previous = estimate;
        estimate = l1Norm(x, n);
        bool sameSigns = true;
        for (Index i = 0; i < n && sameSigns; ++i)
            sameSigns = (x[i] >= 0.0 ? 1 : -1) == signs.data()[i];
        if (sameSigns || estimate <= previous) break;
        toSigns(x, signs.data(), n);
        solveTransposedWithFactors(lu, pivot, x, n);
        const Index last = j;
        j = firstLargest(x, n);
        if (!(x[last] != std::fabs(x[j]) && iteration < MaxIterations)) break;
    }
    double alternating = 1.0;
    for (Index i = 0; i < n; ++i) {
        x[i] = alternating * (1.0 + static_cast<double>(i) / static_cast<double>(n - 1));
        alternating = -alternating;
    }
    solveWithFactors(lu, pivot, x, n);
    const double extra = 2.0 * (l1Norm(x, n) / static_cast<double>(3 * n));
    if (extra > estimate) estimate = extra;
    return (1.0 / estimate) / norm;
}

}  // namespace lu
}  // namespace zel_internal
