// ZELBasicLUFactor: construction, factor, the solvers and the free functions. The loops live in
// ZELLUKernels.cpp, the condition estimates in ZELLUCondition.cpp.
#include "protectedinterfaces/ZELLUFactor.h"

#include "protectedinterfaces/internal/ZELLUKernels.h"
#include "protectedinterfaces/internal/ZELLUReportSites.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

using zel_internal::lu::Index;
using zel_internal::lu::ScratchBuffer;

// Copies a into lu (when they are different objects) as matrix assignment does, and returns
// ZELL1Norm(a): the largest column sum, each sum taken in increasing row order from 0.0. One
// pass over the rows does both.
template <class T>
T copyAndMeasure(const ZELBasicMathMatrix<T>& a, ZELBasicMathMatrix<T>& lu) {
    const std::size_t rows = a.rows(), cols = a.cols();
    const bool copy = &a != &lu;
    if (copy && (lu.rows() != rows || lu.cols() != cols)) lu.reshape(rows, cols, false);
    if (cols == 0) return T(0);
    ScratchBuffer<T, 32> sumsBuffer(cols);
    T* sums = sumsBuffer.data();
    std::fill(sums, sums + cols, T(0));
    for (std::size_t i = 0; i < rows; ++i) {
        const T* src = &a(i, 0);
        T* dst = copy ? &lu(i, 0) : nullptr;
        for (std::size_t j = 0; j < cols; ++j) {
            const T v = src[j];
            if (dst) dst[j] = v;
            sums[j] += std::fabs(v);
        }
    }
    T best = T(0);
    for (std::size_t j = 0; j < cols; ++j)
        if (sums[j] > best) best = sums[j];
    return best;
}

// True when f holds complete factors for a system of n equations.
template <class T>
bool solvable(const ZELBasicLUFactor<T>& f, std::size_t n) {
    return f.good() && f.dimension() == n;
}

// X with A*X = B for the n x w right-hand side whose element (r, c) is rhs(r, c), the columns
// solved Columns at a time side by side.
template <class T, class Rhs>
ZELBasicMathMatrix<T> solveColumns(const ZELBasicLUFactor<T>& f, std::size_t w, const Rhs& rhs) {
    using zel_internal::lu::Columns;
    const std::size_t n = f.dimension();
    ZELBasicMathMatrix<T> x(n, w, T(0));
    if (n == 0 || w == 0) return x;
    const Index m = static_cast<Index>(n);
    const Index cols = static_cast<Index>(w);
    const ZELBasicMathMatrix<T>& lu = f.getLU();

    ScratchBuffer<Index, 192> indices(n + 2 * w);
    // Row k of the interchanged right-hand side is row source[k] of B.
    Index* source = indices.data();
    Index* order = source + m;
    Index* firstNonZero = order + cols;
    for (Index k = 0; k < m; ++k) source[k] = k;
    zel_internal::lu::applyInterchanges(f.getPivot().data(), source, m);

    // A column whose leading rows are zero keeps them zero in the forward substitution, and its
    // sums gain nothing from them while the multipliers are finite. Columns are grouped by their
    // first non-zero row so that each block can skip its common zero rows.
    const bool skipZeros = zel_internal::lu::finiteMultipliers(lu, m);
    for (Index c = 0; c < cols; ++c) {
        order[c] = c;
        Index k = 0;
        if (skipZeros)
            while (k < m && rhs(source[k], c) == T(0)) ++k;
        firstNonZero[c] = k;
    }
    std::stable_sort(order, order + cols,
                     [&](Index c1, Index c2) { return firstNonZero[c1] < firstNonZero[c2]; });

    ScratchBuffer<T, 32 * Columns> packed(n * Columns);
    T* p = packed.data();
    for (Index c0 = 0; c0 < cols; c0 += Columns) {
        const Index cw = std::min(Columns, cols - c0);
        for (Index k = 0; k < m; ++k) {
            T* pk = p + k * Columns;
            for (Index q = 0; q < Columns; ++q)
                pk[q] = q < cw ? rhs(source[k], order[c0 + q]) : T(0);
        }
        zel_internal::lu::solveBlock(lu, p, m, std::min(firstNonZero[order[c0]], m - 1));
        for (Index k = 0; k < m; ++k) {
            T* row = &x(static_cast<std::size_t>(k), 0);
            const T* pk = p + k * Columns;
            for (Index q = 0; q < cw; ++q) row[order[c0 + q]] = pk[q];
        }
    }
    return x;
}

}  // namespace

// ---- construction and assignment ----------------------------------------------------------------

template <class T>
ZELBasicLUFactor<T>::ZELBasicLUFactor()
    : fail_(false),
      good_(false),
      dimension_(0),
      rcond_(T(-1)),
      norm_(T(0)),
      identity_(),
      lu_(),
      pivot_(),
      rcondHigham_(T(-1)) {}

template <class T>
ZELBasicLUFactor<T>::ZELBasicLUFactor(const Matrix& a, bool computeCondition, T pivotTolerance,
                                      bool relativeToNorm)
    : ZELBasicLUFactor() {
    factor(a, computeCondition, pivotTolerance, relativeToNorm);
}

template <class T>
ZELBasicLUFactor<T>::ZELBasicLUFactor(const ZELBasicLUFactor&) : ZELBasicLUFactor() {
    zel_internal::report(zel_internal::kLUCopyNotImplemented);
}

template <class T>
ZELBasicLUFactor<T>::ZELBasicLUFactor(ZELBasicLUFactor&& other) noexcept
    : identity_(std::move(other.identity_)),
      lu_(std::move(other.lu_)),
      pivot_(std::move(other.pivot_)) {
    copyScalars(other);
    other.clearAfterMove();
}

// The matrices first: if copying them throws, this object keeps its flags.
template <class T>
ZELBasicLUFactor<T>& ZELBasicLUFactor<T>::operator=(const ZELBasicLUFactor& other) {
    if (this == &other) return *this;
    identity_ = other.identity_;
    lu_ = other.lu_;
    pivot_ = other.pivot_;
    copyScalars(other);
    return *this;
}

template <class T>
ZELBasicLUFactor<T>& ZELBasicLUFactor<T>::operator=(ZELBasicLUFactor&& other) noexcept {
    if (this == &other) return *this;
    identity_ = std::move(other.identity_);
    lu_ = std::move(other.lu_);
    pivot_ = std::move(other.pivot_);
    copyScalars(other);
    other.clearAfterMove();
    return *this;
}

template <class T>
void ZELBasicLUFactor<T>::copyScalars(const ZELBasicLUFactor& other) noexcept {
    fail_ = other.fail_;
    good_ = other.good_;
    dimension_ = other.dimension_;
    rcond_ = other.rcond_;
    norm_ = other.norm_;
    rcondHigham_ = other.rcondHigham_;
}

template <class T>
void ZELBasicLUFactor<T>::clearAfterMove() noexcept {
    fail_ = false;
    good_ = false;
    dimension_ = 0;
    rcond_ = T(-1);
    norm_ = T(0);
    pivot_.clear();
    rcondHigham_ = T(-1);
}

template <class T>
ZELBasicLUFactor<T>::~ZELBasicLUFactor() = default;

// ---- factorisation ------------------------------------------------------------------------------

template <class T>
void ZELBasicLUFactor<T>::factor(const Matrix& a, bool computeCondition, T pivotTolerance,
                                 bool relativeToNorm) {
    fail_ = false;
    good_ = false;
    const std::size_t n = a.rows();
    dimension_ = n;
    norm_ = copyAndMeasure(a, lu_);
    pivot_.assign(n == 0 ? 0 : n - 1, 0);
    rcond_ = T(-1);
    rcondHigham_ = T(-1);
    if (lu_.cols() < n) lu_.resize(n, n);
    if (identity_.rows() != n || identity_.cols() != n) {
        identity_.resize(n, n);
        identity_ = T(0);
        for (std::size_t i = 0; i < n; ++i) identity_(i, i) = T(1);
    }
    const T threshold = relativeToNorm ? pivotTolerance * norm_ : pivotTolerance;
    justFactor(threshold >= T(0) ? threshold : T(0));
    if (computeCondition && good_) calculateCondition();
}

template <class T>
void ZELBasicLUFactor<T>::justFactor(T threshold) {
    const Index failed =
        zel_internal::lu::factor(lu_, static_cast<Index>(dimension_), pivot_.data(), threshold);
    fail_ = failed >= 0;
    good_ = !fail_;
}

// ---- condition estimates ------------------------------------------------------------------------

template <class T>
T ZELBasicLUFactor<T>::condition() {
    if (rcond_ == T(-1)) calculateCondition();
    return rcond_;
}

template <class T>
T ZELBasicLUFactor<T>::conditionHigham() {
    if (rcondHigham_ == T(-1)) calculateConditionHigham();
    return rcondHigham_;
}

// After a failure, or with nothing factored (norm 0.0): 0.0; a successful 0 x 0: 1.0.
template <class T>
void ZELBasicLUFactor<T>::calculateCondition() {
    const Index n = static_cast<Index>(dimension_);
    if (fail_ || norm_ == T(0))
        rcond_ = good_ && n == 0 ? T(1) : T(0);
    else
        rcond_ = zel_internal::lu::classicCondition(lu_, pivot_.data(), n, norm_);
}

template <class T>
void ZELBasicLUFactor<T>::calculateConditionHigham() {
    const Index n = static_cast<Index>(dimension_);
    if (!good_ || norm_ == T(0))
        rcondHigham_ = good_ && n == 0 ? T(1) : T(0);
    else
        rcondHigham_ = zel_internal::lu::highamCondition(lu_, pivot_.data(), n, norm_);
}

// ---- the free functions -------------------------------------------------------------------------

template <class T>
ZELBasicMathVector<T> zel_internal::LUFactorOps<T>::solveVector(const Factor& f, const Vector& b) {
    const std::size_t n = b.length();
    if (!solvable(f, n)) return Vector(n, std::numeric_limits<T>::quiet_NaN());
    Vector x(b);
    if (n == 0) return x;
    T* xp = &x[0];
    const Index m = static_cast<Index>(n);
    zel_internal::lu::applyInterchanges(f.getPivot().data(), xp, m);
    zel_internal::lu::forwardSubstitute(f.getLU(), xp, m);
    zel_internal::lu::backSubstitute(f.getLU(), xp, m);
    return x;
}

template <class T>
ZELBasicMathMatrix<T> zel_internal::LUFactorOps<T>::solveMatrix(const Factor& f, const Matrix& b) {
    if (!solvable(f, b.rows()))
        return Matrix(f.dimension(), b.cols(), std::numeric_limits<T>::quiet_NaN());
    return solveColumns(f, b.cols(), [&b](Index r, Index c) {
        return b(static_cast<std::size_t>(r), static_cast<std::size_t>(c));
    });
}

// The stored identity has 1.0 on the diagonal and 0.0 elsewhere; its elements are produced
// directly instead of copying it.
template <class T>
ZELBasicMathMatrix<T> zel_internal::LUFactorOps<T>::inverse(const Factor& f) {
    const std::size_t n = f.dimension();
    if (!f.good()) return Matrix(n, n, std::numeric_limits<T>::quiet_NaN());
    return solveColumns(f, n, [](Index r, Index c) { return r == c ? T(1) : T(0); });
}

template <class T>
T zel_internal::LUFactorOps<T>::determinant(const Factor& f) {
    T det = T(1);
    for (std::size_t i = 0; i < f.dimension(); ++i) det *= f.getLU()(i, i);
    for (std::size_t k = 0; k < f.getPivot().size(); ++k)
        if (f.getPivot()[k] != static_cast<int>(k + 1)) det = -det;
    return det;
}

template <class T>
void zel_internal::LUFactorOps<T>::forwardSubstitute(const Matrix& m, Vector& b) {
    const Index n = static_cast<Index>(b.length());
    if (n >= 2) zel_internal::lu::forwardSubstitute(m, &b[0], n);
}

template <class T>
void zel_internal::LUFactorOps<T>::backSubstitute(const Matrix& m, Vector& b) {
    const Index n = static_cast<Index>(b.length());
    if (n > 0) zel_internal::lu::backSubstitute(m, &b[0], n);
}

template <class T>
std::ostream& zel_internal::LUFactorOps<T>::print(std::ostream& os, const Factor& f) {
    os << "\n The LU matrix is " << f.getLU() << "The pivot vector is [ ";
    for (int p : f.getPivot()) os << p << " ";
    os << "]\n";
    return os;
}

template class ZELBasicLUFactor<double>;
template struct zel_internal::LUFactorOps<double>;
