#include "publicinterfaces/ZELEuler3D.h"

#include "publicinterfaces/ZELMathVector.h"

#include <ostream>

template <class T>
std::ostream& zel_internal::Euler3DOps<T>::print(std::ostream& os, const ZELBasicEuler3D<T>& e) {
    T a[3];
    ZELMath3D::AxisType k[3];
    e.getAngles(a[0], a[1], a[2]);
    e.getAxes(k[0], k[1], k[2]);
    os << ZELBasicMathVector<T>(a, 3);
    return os << "[ " << static_cast<int>(k[0]) << "  " << static_cast<int>(k[1]) << "  "
              << static_cast<int>(k[2]) << " ]";
}

template class ZELBasicEuler3D<double>;
template struct zel_internal::Euler3DOps<double>;
