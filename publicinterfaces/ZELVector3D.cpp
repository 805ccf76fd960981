#include "publicinterfaces/ZELVector3D.h"

#include "foundation/ZELException.h"

#include <ostream>

template <class T>
const ZELBasicVector3D<T> ZELBasicVector3D<T>::Zero(T(0), T(0), T(0));
template <class T>
const ZELBasicVector3D<T> ZELBasicVector3D<T>::UnitX(T(1), T(0), T(0));
template <class T>
const ZELBasicVector3D<T> ZELBasicVector3D<T>::UnitY(T(0), T(1), T(0));
template <class T>
const ZELBasicVector3D<T> ZELBasicVector3D<T>::UnitZ(T(0), T(0), T(1));

template <class T>
void ZELBasicVector3D<T>::throwZeroLength() {
    throw ZELEZeroVector(L"The vector has zero length", "publicinterfaces/ZELVector3D", 378);
}

template <class T>
ZELBasicVector3D<T>::operator ZELBasicMathVector<T>() const {
    return ZELBasicMathVector<T>(v_, 3);
}

template <class T>
std::ostream& operator<<(std::ostream& os, const ZELBasicVector3D<T>& v) {
    return os << static_cast<ZELBasicMathVector<T>>(v);
}

// The constants are built by constexpr constructors, so they are constant-initialised.
static_assert(ZELBasicVector3D<double>(0.0, 0.0, 1.0)[2] == 1.0, "the 3-vector must be a literal type");

template class ZELBasicVector3D<double>;
template ZELMATH_EXPORT std::ostream& operator<< <double>(std::ostream&, const ZELBasicVector3D<double>&);
