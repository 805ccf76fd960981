#include "publicinterfaces/ZELVector3D.h"

#include "foundation/ZELException.h"
#include "publicinterfaces/internal/ZELGeometryReportSites.h"

#include <cmath>
#include <limits>
#include <ostream>

template <class T>
void ZELBasicVector3D<T>::throwZeroLength() {
    zel_internal::raise<ZELEZeroVector>(zel_internal::kVectorZeroLength);
}

template <class T>
bool ZELBasicVector3D<T>::normalizeLarge_() noexcept {
    using std::abs;
    using std::sqrt;
    T m = abs(v_[0]);
    if (abs(v_[1]) > m) m = abs(v_[1]);
    if (abs(v_[2]) > m) m = abs(v_[2]);
    if (!(m <= std::numeric_limits<T>::max())) return false;
    const T x = v_[0] / m, y = v_[1] / m, z = v_[2] / m;
    const T n = sqrt(x * x + y * y + z * z);
    v_[0] = x / n;
    v_[1] = y / n;
    v_[2] = z / n;
    return true;
}

template <class T>
ZELBasicVector3D<T>::operator ZELBasicMathVector<T>() const {
    return ZELBasicMathVector<T>(v_, 3);
}

template class ZELBasicVector3D<double>;
