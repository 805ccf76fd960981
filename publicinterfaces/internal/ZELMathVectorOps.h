// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The out-of-line work behind the math vector's free functions. The public header declares the
// free functions and forwards to these; ZELMathVector.cpp defines and instantiates them.
#ifndef ZELMATH_PUBLICINTERFACES_INTERNAL_ZELMATHVECTOROPS_H
#define ZELMATH_PUBLICINTERFACES_INTERNAL_ZELMATHVECTOROPS_H

#include "ZELMathExport.h"

#include <iosfwd>

template <class T>
class ZELMATH_EXPORT ZELBasicMathVector;

namespace zel_internal {

template <class T>
struct ZELMATH_EXPORT MathVectorOps {
    /// operator<<(os, v).
    static std::ostream& print(std::ostream& os, const ZELBasicMathVector<T>& v);
};

}  // namespace zel_internal

#endif
