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
        for (int c = 0; c < 4; ++c)
            m(r, c) = a[r][c];
}

template <class T>
void ZELBasicXform3D<T>::set(ZELBasicMathMatrix<T> const& m, bool transposed) {
    T* R = r_.m_;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            R[3 * c + r] = transposed ? m(c, r) : m(r, c);
        p_[r] = transposed ? m(3, r) : m(r, 3);
    }
    r_.normalize();
}

template <class T>
void ZELBasicXform3D<T>::slerp(ZELBasicXform3D& out, T const& t, ZELBasicXform3D const& a, ZELBasicXform3D const& b) {
    ZELBasicQtn3D<T> qa(ZELMath3D::Uninitialized), qb(ZELMath3D::Uninitialized);
    qa.setRotate(a.r_);
    qb.setRotate(b.r_);
    const ZELBasicVector3D<T> pa(a.p_), pb(b.p_);
    ZELBasicQtn3D<T>::slerp(qa, t, qa, qb);
    ZELBasicVector3D<T>::lerp(out.p_, t, pa, pb);
    qa.getRotate(out.r_);
}

template <class T>
void ZELBasicXform3D<T>::EAAInterp(ZELBasicXform3D& out, T const& t, ZELBasicXform3D const& a,
                                   ZELBasicXform3D const& b) {
    ZELBasicQtn3D<T> qa(ZELMath3D::Uninitialized), qb(ZELMath3D::Uninitialized);
    qa.setRotate(a.r_);
    qb.setRotate(b.r_);
    const ZELBasicVector3D<T> pa(a.p_), pb(b.p_);
    ZELBasicQtn3D<T>::EAAInterp(qa, t, qa, qb);
    ZELBasicVector3D<T>::lerp(out.p_, t, pa, pb);
    qa.getRotate(out.r_);
}

template <class T>
std::ostream& ZELBasicXform3D<T>::write(std::ostream& os, ZELBasicXform3D const& x) {
    return os << x.toZELBasicMathMatrix();
}

template class ZELBasicXform3D<double>;
