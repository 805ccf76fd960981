#include "publicinterfaces/ZELMathVector.h"

#include <cmath>
#include <ostream>

template <class T>
std::ostream& zel_internal::MathVectorOps<T>::print(std::ostream& os,
                                                    const ZELBasicMathVector<T>& v) {
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

// Compiles every member defined out of line (and the internal functions the free functions
// forward to) into the library; members defined in the header are inline and instantiated by each user.
template class ZELBasicMathVector<double>;
template struct zel_internal::MathVectorOps<double>;
