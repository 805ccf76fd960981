/// \file
/// ZELMath: the one header consumers include.
///
/// Brings in every public and protected interface of the library: the foundation classes
/// (errors, assertion hook, mutex, limits, pool allocator), dense linear algebra, 3D geometry,
/// simulation time and random variates.
#ifndef ZELMATH_ZELMATH_H
#define ZELMATH_ZELMATH_H

#if defined(__FAST_MATH__)
#error "ZELMath's results are exact to the bit and cannot be compiled with -ffast-math"
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
#include "ZELRandomMD.m/src/ZELTriangularDistribution.h"
#include "ZELRandomMD.m/src/ZELUniformDistribution.h"
#include "ZELRandomMD.m/src/ZELUserContDistribution.h"
#include "ZELRandomMD.m/src/ZELUserDiscDistribution.h"
#include "ZELRandomMD.m/src/ZELUserTable.h"
#include "ZELRandomMD.m/src/ZELUsrDist.h"
#include "ZELRandomMD.m/src/ZELWeibullDistribution.h"

#endif
