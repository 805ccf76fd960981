// Internal to the library: not installed; names may change in any release.
//
// The loops behind ZELBasicLUFactor<double>, over the rows of the LU matrix (each row its own
// buffer). Every function keeps each element's documented order of operations, so the results
// are those of the plain column loop and the plain substitutions to the last bit.
//   ZELLUKernels.cpp   factorisation, substitutions (one and several right-hand sides)
//   ZELLUCondition.cpp the classic and the Hager-Higham condition estimates
#ifndef ZELMATH_PROTECTEDINTERFACES_INTERNAL_ZELLUKERNELS_H
#define ZELMATH_PROTECTEDINTERFACES_INTERNAL_ZELLUKERNELS_H

#include "publicinterfaces/ZELMathMatrix.h"

#include <cstddef>
#include <memory>

namespace zel_internal {
namespace lu {

using Index = std::ptrdiff_t;
using Matrix = ZELBasicMathMatrix<double>;

/// n scalars of uninitialised scratch space: on the stack up to Local, on the heap beyond.
template <class X, std::size_t Local>
class ScratchBuffer {
public:
    explicit ScratchBuffer(std::size_t n) : data_(local_) {
        if (n > Local) {
            heap_.reset(new X[n]);
            data_ = heap_.get();
        }
    }
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;
    X* data() { return data_; }

private:
    X local_[Local];
    std::unique_ptr<X[]> heap_;
    X* data_;
};

/// Factors the leading n x n block of a in place (see ZELLUFactor.h for the order of operations)
/// and writes pivot entries 0 .. n-2 of the columns it reaches. A pivot of magnitude <= threshold
/// stops it: returns that column, whose later columns keep their values; otherwise -1.
Index factor(Matrix& a, Index n, int* pivot, double threshold);

/// The row interchanges of pivot applied to x (n entries) in increasing step order.
template <class X>
inline void applyInterchanges(const int* pivot, X* x, Index n) {
    for (Index k = 0; k + 1 < n; ++k) {
        const Index p = pivot[k] - 1;
        if (p != k) {
            const X t = x[k];
            x[k] = x[p];
            x[p] = t;
        }
    }
}

/// b(i) -= sum over k < i of m(i,k)*b(k), for i = 1 .. n-1, each sum from 0.0 in increasing k.
void forwardSubstitute(const Matrix& m, double* b, Index n);
/// b(n-1) /= m(n-1,n-1); then for i = n-2 down to 0: b(i) = (b(i) - sum over k > i of
/// m(i,k)*b(k)) / m(i,i), each sum from 0.0 in increasing k.
void backSubstitute(const Matrix& m, double* b, Index n);

/// Right-hand sides solved side by side, Columns at a time: row k of the block is at
/// p + k*Columns. Each column gets exactly the operations of the single-vector substitutions.
constexpr Index Columns = 8;
/// The forward substitution of rows start+1 .. n-1 with sums starting at column start, then the
/// back substitution of all rows. Rows above start must be zero in every column of the block and
/// the multipliers finite (leaving out their products, all zeros, changes no sum).
void solveBlock(const Matrix& lu, double* p, Index n, Index start);
/// True when every multiplier (the strict lower triangle of the leading n x n block) is finite.
bool finiteMultipliers(const Matrix& lu, Index n);

/// The classic estimate of the reciprocal condition from the factors (n >= 1, norm != 0).
double classicCondition(const Matrix& lu, const int* pivot, Index n, double norm);
/// The Hager-Higham estimate of the reciprocal condition from the factors (n >= 1, norm != 0).
double highamCondition(const Matrix& lu, const int* pivot, Index n, double norm);

}  // namespace lu
}  // namespace zel_internal

#endif
