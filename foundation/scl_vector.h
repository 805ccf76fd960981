/// \file
/// The container library's growable array. The library relies on its size, element access and
/// assignment only, so it is the standard vector under the container library's name.
#ifndef ZELMATH_FOUNDATION_SCL_VECTOR_H
#define ZELMATH_FOUNDATION_SCL_VECTOR_H

/// \addtogroup foundation
/// @{

#include <vector>

/// The standard vector, under the container library's name.
template <class T>
using scl_vector = std::vector<T>;

/// @}

#endif
