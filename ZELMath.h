/// \file
/// ZELMath: the one header consumers include.
///
/// Brings in every public and protected interface of the library: the foundation classes
/// (errors, assertion hook, mutex, limits, pool allocator), dense linear algebra, 3D geometry,
/// simulation time, random variates, kinematic chains, event scheduling and simulation
/// statistics.
///
/// How the library is compiled and linked (read this before adding a function):
/// - Every class template is instantiated for double only, inside the library, by one line at
///   the end of its .cpp: `template class ZELBasicX<double>;`. There are no `extern template`
///   declarations. Members defined in a header are inline: each consumer compiles its own copy
///   (so they exist at -O0 and with any visibility setting). Members defined in a .cpp are
///   compiled into the library and exported through the class's ZELMATH_EXPORT.
/// - A free function whose body lives in a .cpp is an inline template in the header that calls a
///   static member of its class, so the one class instantiation covers it.
/// Adding a function is therefore its declaration and its definition, nothing else.
///
/// Exactness: the results are fixed to the bit only without fused multiply-add. The CMake package
/// and pkg-config pass `-ffp-contract=off` (and define ZELMATH_FP_CONTRACT_OFF). For a build that
/// does not use them: with clang this header turns contraction off for the library's inline code
/// itself (scoped, the consumer's own code keeps its setting; clang's `-ffp-contract=fast`
/// overrides it); g++ has no such scoped switch, so on a target with fused multiply-add it warns
/// unless ZELMATH_FP_CONTRACT_OFF is defined. `-ffast-math` is refused.
#ifndef ZELMATH_ZELMATH_H
#define ZELMATH_ZELMATH_H

#if defined(__FAST_MATH__)
#error "ZELMath's results are exact to the bit and cannot be compiled with -ffast-math"
#endif

// The standard headers the library's headers use come first, outside the scoped setting below,
// so that it covers the library's own inline code and nothing of the consumer's or the standard
// library's.
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <iosfwd>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <ostream>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__clang__)
#pragma float_control(push)
#pragma clang fp contract(off)
#elif defined(__GNUC__) && defined(__FP_FAST_FMA) && !defined(ZELMATH_FP_CONTRACT_OFF)
#pragma GCC warning \
    "ZELMath: compile with -ffp-contract=off -DZELMATH_FP_CONTRACT_OFF, or inline results may differ in the last bits"
#endif

#include "foundation/KOBBaseUnknown.h"
#include "foundation/KOBComponentRegistration.h"
#include "foundation/KOBMetaClass.h"
#include "foundation/ZELException.h"
#include "foundation/ZELPoolAllocator.h"
#include "foundation/ZELSysFastMutexLock.h"
#include "foundation/scl_assert.h"
#include "foundation/scl_iterators.h"
#include "foundation/scl_numeric_limits.h"
#include "foundation/scl_vector.h"
#include "protectedinterfaces/ZELLUFactor.h"
#include "publicinterfaces/ZELCleanSinCos.h"
#include "publicinterfaces/ZELEuler3D.h"
#include "publicinterfaces/ZELMath3D.h"
#include "publicinterfaces/ZELMathMatrix.h"
#include "publicinterfaces/ZELMathVector.h"
#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELRotate3D.h"
#include "publicinterfaces/ZELVector3D.h"
#include "publicinterfaces/ZELXform3D.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeP.h"

#include "ZELRandomMD.m/src/ZELBetaDistribution.h"
#include "ZELRandomMD.m/src/ZELErlangDistribution.h"
#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/ZELGammaDistribution.h"
#include "ZELRandomMD.m/src/ZELLogNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELPoissonDistribution.h"
#include "ZELRandomMD.m/src/ZELRNDistribution.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "ZELRandomMD.m/src/ZELRandomStream.h"
#include "ZELRandomMD.m/src/ZELTriangularDistribution.h"
#include "ZELRandomMD.m/src/ZELUniformDistribution.h"
#include "ZELRandomMD.m/src/ZELUserContDistribution.h"
#include "ZELRandomMD.m/src/ZELUserDiscDistribution.h"
#include "ZELRandomMD.m/src/ZELUserTable.h"
#include "ZELRandomMD.m/src/ZELUsrDist.h"
#include "ZELRandomMD.m/src/ZELWeibullDistribution.h"
// Studies of independent replications.
#include "ZELRandomMD.m/src/ZELReplicationResults.h"
#include "ZELRandomMD.m/src/ZELReplications.h"

#include "kinematics/ZELIKOptions.h"
#include "kinematics/ZELIKResult.h"
#include "kinematics/ZELKinematicChain.h"
#include "simulation/ZELAction.h"
#include "simulation/ZELEventHandle.h"
#include "simulation/ZELRequestHandle.h"
#include "simulation/ZELResource.h"
#include "simulation/ZELScheduler.h"
#include "simulation/ZELStatistics.h"

#if defined(__clang__)
#pragma float_control(pop)
#endif

#endif
