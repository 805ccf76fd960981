// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The work behind the LU factorisation's free functions. ZELLUFactor.h declares the free
// functions and forwards to these; ZELLUFactor.cpp defines and instantiates them.
#ifndef ZELMATH_PROTECTEDINTERFACES_INTERNAL_ZELLUFACTOROPS_H
#define ZELMATH_PROTECTEDINTERFACES_INTERNAL_ZELLUFACTOROPS_H

#include "ZELMathExport.h"

#include <iosfwd>

template <class T>
class ZELMATH_EXPORT ZELBasicMathVector;
template <class T>
class ZELMATH_EXPORT ZELBasicMathMatrix;
template <class T>
class ZELMATH_EXPORT ZELBasicLUFactor;

namespace zel_internal {

template <class T>
struct ZELMATH_EXPORT LUFactorOps {
    using Factor = ZELBasicLUFactor<T>;
    using Vector = ZELBasicMathVector<T>;
    using Matrix = ZELBasicMathMatrix<T>;

    /// solve(f, b).
    static Vector solveVector(const Factor& f, const Vector& b);
    /// solve(f, B).
    static Matrix solveMatrix(const Factor& f, const Matrix& b);
    /// inverse(f).
    static Matrix inverse(const Factor& f);
    /// determinant(f).
    static T determinant(const Factor& f);
    /// solveLower(m, b), in place; m is large enough.
    static void forwardSubstitute(const Matrix& m, Vector& b);
    /// solveUpper(m, b), in place; m is large enough.
    static void backSubstitute(const Matrix& m, Vector& b);
    /// operator<<(os, f).
    static std::ostream& print(std::ostream& os, const Factor& f);
};

}  // namespace zel_internal

#endif
