// ZELMath: the one header consumers include.
//
// Brings in every public and protected interface of the library: the foundation classes
// (errors, assertion hook, mutex, limits, pool allocator), dense linear algebra, 3D geometry,
// simulation time and random variates.
#ifndef ZELMATH_ZELMATH_H
#define ZELMATH_ZELMATH_H

#if defined(__FAST_MATH__)
#error "ZELMath's results are exact to the bit and cannot be compiled with -ffast-math"
#endif

#include "foundation/ZELException.h"
#include "foundation/ZELPoolAllocator.h"
#include "foundation/ZELSysFastMutexLock.h"
#include "foundation/scl_assert.h"
#include "foundation/scl_iterators.h"
#include "foundation/scl_numeric_limits.h"
#include "foundation/scl_vector.h"
#include "protectedinterfaces/ZELLUFactor.h"

#endif
