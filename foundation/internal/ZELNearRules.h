// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The one rule behind every ZELNearAbs / ZELNearRel of a normed type (math vector and matrix,
// 3-vector, LU factorisation, quaternion and transform parts): with a tolerance <= 0 the
// comparison is exact equality; otherwise the distance d = |a - b| is compared with the
// tolerance (absolute) or with the tolerance times the larger of the two norms (relative).
// Callers pass functions, so a norm is only computed when the rule needs it.
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELNEARRULES_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELNEARRULES_H

namespace zel_internal {

/// tol <= 0: equal(); otherwise distance() <= tol.
template <class T, class Equal, class Distance>
inline bool nearAbs(const T& tol, Equal equal, Distance distance) {
    if (tol <= T(0)) return equal();
    return distance() <= tol;
}

/// tol <= 0: equal(); otherwise distance() <= tol * max(normA(), normB()).
template <class T, class Equal, class Distance, class NormA, class NormB>
inline bool nearRel(const T& tol, Equal equal, Distance distance, NormA normA, NormB normB) {
    if (tol <= T(0)) return equal();
    const T na = normA();
    const T nb = normB();
    const T d = distance();
    return d <= tol * (nb > na ? nb : na);
}

}  // namespace zel_internal

#endif
