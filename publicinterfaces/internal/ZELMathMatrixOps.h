// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The work behind the math matrix's free functions. The public header declares the free
// functions and forwards to these. The two products' results are allocated inline (so the pool's
// fast path runs in the caller's code); the rest is defined and instantiated in ZELMathMatrix.cpp.
// ZELBasicMathMatrix befriends this helper.
#ifndef ZELMATH_PUBLICINTERFACES_INTERNAL_ZELMATHMATRIXOPS_H
#define ZELMATH_PUBLICINTERFACES_INTERNAL_ZELMATHMATRIXOPS_H

#include "ZELMathExport.h"
#include "publicinterfaces/ZELMathVector.h"  // declares ZELBasicMathMatrix

#include <iosfwd>

namespace zel_internal {

template <class T>
struct ZELMATH_EXPORT MathMatrixOps {
    using Matrix = ZELBasicMathMatrix<T>;
    using Vector = ZELBasicMathVector<T>;

    /// elementProduct(a, b): a's shape, row capacity a.rows().
    static Matrix elementProduct(const Matrix& a, const Matrix& b) {
        return Matrix(a, b, _ZELMulOp(), a.rows());
    }
    /// a * v: element i = ZELDot(row i of a, v).
    static Vector timesVector(const Matrix& a, const Vector& v) {
        Vector out(a.rows(), ZELUninitialized);
        Matrix::TimesVectorInto(out.data(), a, v.data());
        return out;
    }
    /// v * a: element j = sum over i below v.length() of v[i] * a(i, j), from 0 in increasing i.
    static Vector vectorTimes(const Vector& v, const Matrix& a);
    /// transpose(a): a's columns x a's rows, row capacity a.cols().
    static Matrix transpose(const Matrix& a);
    /// ZELL1Norm(a): the largest column sum of absolute values.
    static T l1Norm(const Matrix& a);
    /// operator<<(os, a).
    static std::ostream& print(std::ostream& os, const Matrix& a);
};

}  // namespace zel_internal

#endif
