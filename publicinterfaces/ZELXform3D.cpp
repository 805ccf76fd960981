#include "publicinterfaces/ZELXform3D.h"

#include <ostream>

template <class T>
ZELBasicMathMatrix<T> ZELBasicXform3D<T>::toZELBasicMathMatrix() const {
    ZELBasicMathMatrix<T> m(4, 4, T(0));
    get(m, false);
    return m;
}

template <class T>
void ZELBasicXform3D<T>::get(ZELBasicMathMatrix<T>& m, bool transposed) const {
    T a[4][4];
    get(a, transposed);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m(r, c) = a[r][c];
}

template <class T>
void ZELBasicXform3D<T>::set(ZELBasicMathMatrix<T> const& m, bool transposed) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) at(r_, r, c) = transposed ? m(c, r) : m(r, c);
        p_[r] = transposed ? m(3, r) : m(r, 3);
    }
    r_.normalize();
}

// Both interpolations: the rotations as quaternions (setRotate) through `interp`, the positions
// by lerp; a and b are read whole before out is written.
template <class T, class Xform, class Interp>
static void interpolatePoses(Xform& out, T const& t, Xform const& a, Xform const& b,
                             Interp interp) {
    ZELBasicQtn3D<T> qa(ZELMath3D::Uninitialized), qb(ZELMath3D::Uninitialized);
    a.getQtn(qa);
    b.getQtn(qb);
    ZELBasicVector3D<T> pa(ZELMath3D::Uninitialized), pb(ZELMath3D::Uninitialized),
        p(ZELMath3D::Uninitialized);
    a.getPosition(pa);
    b.getPosition(pb);
    interp(qa, t, qa, qb);
    ZELBasicVector3D<T>::lerp(p, t, pa, pb);
    out.setQtn(qa);
    out.setPosition(p);
}

template <class T>
void ZELBasicXform3D<T>::slerp(ZELBasicXform3D& out, T const& t, ZELBasicXform3D const& a,
                               ZELBasicXform3D const& b) {
    interpolatePoses(out, t, a, b, [](auto&... args) { ZELBasicQtn3D<T>::slerp(args...); });
}

template <class T>
void ZELBasicXform3D<T>::EAAInterp(ZELBasicXform3D& out, T const& t, ZELBasicXform3D const& a,
                                   ZELBasicXform3D const& b) {
    interpolatePoses(out, t, a, b, [](auto&... args) { ZELBasicQtn3D<T>::EAAInterp(args...); });
}

template class ZELBasicXform3D<double>;
