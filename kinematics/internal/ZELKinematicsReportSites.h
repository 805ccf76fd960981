// Internal to the library: not installed; names may change in any release.
//
// The report sites of the kinematic chain (see foundation/internal/ZELReportSites.h): message,
// source file and line of each, written once here. The detail after the message says exactly
// what was wrong.
#ifndef ZELMATH_KINEMATICS_INTERNAL_ZELKINEMATICSREPORTSITES_H
#define ZELMATH_KINEMATICS_INTERNAL_ZELKINEMATICSREPORTSITES_H

#include "foundation/internal/ZELReportSites.h"

#include <cstdio>
#include <string>

namespace zel_internal {

/// addRevolute with a non-finite link parameter (ZELEDomainError).
constexpr ThrowSite kChainRevoluteLink{L"ZELKinematicChain", "kinematics/ZELKinematicChain", 79};
/// addPrismatic with a non-finite link parameter (ZELEDomainError).
constexpr ThrowSite kChainPrismaticLink{L"ZELKinematicChain", "kinematics/ZELKinematicChain", 96};
/// A joint whose lower limit lies above its upper limit, or a NaN limit (ZELEDomainError).
constexpr ThrowSite kChainJointLimits{L"ZELKinematicChain", "kinematics/ZELKinematicChain", 112};
/// lower(i) or upper(i) of a joint that does not exist (ZELEDomainError).
constexpr ThrowSite kChainJointIndex{L"ZELKinematicChain", "kinematics/ZELKinematicChain", 141};
/// A joint vector whose length is not the number of joints (ZELEDomainError).
constexpr ThrowSite kChainJointVector{L"ZELKinematicChain", "kinematics/ZELKinematicChain", 151};
/// inverse on a chain whose reach is not finite (ZELEDomainError).
constexpr ThrowSite kChainInverseReach{L"ZELKinematicChain", "kinematics/ZELKinematicChainInverse",
                                       63};
/// inverse with a classic stream for the restarts (ZELEDomainError).
constexpr ThrowSite kChainInverseStream{L"ZELKinematicChain", "kinematics/ZELKinematicChainInverse",
                                        56};
/// inverse towards a target whose rotation is not a rotation (ZELEDomainError).
constexpr ThrowSite kChainInverseTarget{L"ZELKinematicChain", "kinematics/ZELKinematicChainInverse",
                                        81};

/// setInertia or setPayload with a negative or non-finite mass, a non-finite value, or an
/// inertia that is not positive semi-definite or breaks the triangle inequalities
/// (ZELEDomainError).
constexpr ThrowSite kChainInertia{L"ZELKinematicChain", "kinematics/ZELKinematicChainDynamics",
                                  160};
/// setArmature with a negative or non-finite rotor inertia (ZELEDomainError).
constexpr ThrowSite kChainArmature{L"ZELKinematicChain", "kinematics/ZELKinematicChainDynamics",
                                   230};
/// setGravity with a non-finite component (ZELEDomainError).
constexpr ThrowSite kChainGravity{L"ZELKinematicChain", "kinematics/ZELKinematicChainDynamics",
                                  241};

}  // namespace zel_internal

#endif
