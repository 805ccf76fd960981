#include "publicinterfaces/ZELMathVector.h"

#include <cmath>
#include <ostream>

template <class T>
void ZELBasicMathVector<T>::allocate(std::size_t n) {
    const std::size_t capacity = n < 6 ? 6 : n;
    T* p = newBuffer(capacity);
    setBuffer(p, capacity);
    _length = n;
    // Only a minimum-size buffer has spare elements: clear all six (a fixed-size store, cheaper
    // than a variable one); the caller then writes the first n.
    if (n < 6)
        for (std::size_t i = 0; i < 6; ++i) p[i] = T(0);
}

template <class T>
std::ostream& operator<<(std::ostream& os, const ZELBasicMathVector<T>& v) {
    os << "[ ";
    for (std::size_t i = 0, n = v.length(); i < n; ++i) {
        if (std::isnan(v[i]))
            os << "NaN   ";
        else
            os << v[i] << "  ";
    }
    os << "]\n";
    return os;
}

template class ZELBasicMathVector<double>;
template ZELMATH_EXPORT std::ostream& operator<< <double>(std::ostream&, const ZELBasicMathVector<double>&);
