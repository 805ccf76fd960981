#include "publicinterfaces/ZELEuler3D.h"

template <class T>
const ZELBasicEuler3D<T> ZELBasicEuler3D<T>::Identity{};

template class ZELBasicEuler3D<double>;
