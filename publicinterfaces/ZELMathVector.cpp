#include "publicinterfaces/ZELMathVector.h"

#include <cmath>
#include <ostream>

template <class T>
std::ostream& ZELBasicMathVector<T>::Print(std::ostream& os, const ZELBasicMathVector& v) {
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

// Compiles every member defined out of line (and so every free function that forwards to one)
// into the library; members defined in the header are inline and instantiated by each user.
template class ZELBasicMathVector<double>;
