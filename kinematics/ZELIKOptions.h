/// \file
/// Settings of ZELKinematicChain::inverse.
#ifndef ZELMATH_KINEMATICS_ZELIKOPTIONS_H
#define ZELMATH_KINEMATICS_ZELIKOPTIONS_H

/// \addtogroup kinematics
/// @{

#include "ZELRandomMD.m/src/ZELRandomStream.h"

#include <functional>
#include <limits>

/// Tolerances, limits and the random stream of the restarts of ZELKinematicChain::inverse.
///
/// The solver is deterministic: for the same chain, target, seed and options it takes the same
/// steps and returns the same bits on every run and every build. The stream is copied at the
/// start of each call, so a call never changes the options and two calls with the same options
/// draw the same restarts. Only `timeBudget` depends on the clock, and only as a cut-off: a call
/// that converges gives the same answer whatever the budget (as long as it lets it finish); a
/// call stopped by the budget (reason TimeLimit) is not reproducible. The same holds for
/// `interrupt`.
///
/// Tolerances are ≥ 0 (a negative or NaN tolerance, a NaN budget or a negative count is invalid
/// input: reason InvalidInput). The stream must be an MRG32k3a or Philox stream: a classic stream
/// draws from the process-wide generator, whose position a copy cannot take along, so two calls
/// would draw different restarts; `inverse` refuses it with ZELEDomainError.
struct ZELIKOptions {
    /// Largest accepted distance between the tool position and the target, in the chain's
    /// length unit. 0 (the default) means 1e-6 of the chain's reach (ZELKinematicChain::reach),
    /// so the same chain in metres and in millimetres converges alike.
    double positionTolerance = 0.0;
    /// Largest accepted angle between the tool and target orientations, radians.
    double orientationTolerance = 1e-6;
    /// Iterations of each attempt (the seed's and each restart's); an attempt that stalls ends
    /// earlier.
    int maxIterations = 100;
    /// Seconds of wall-clock time for the whole call; infinite (the default) means no limit.
    double timeBudget = std::numeric_limits<double>::infinity();
    /// Attempts from random joint vectors after the seed's attempt fails.
    int restarts = 200;
    /// The source of the restarts' joint vectors (uniform within the joint limits).
    ZELRandomStream stream = ZELRandomStream::Philox(0x7a656c6b696e6521ULL);
    /// Position only: the orientation of the tool is ignored (for arms with fewer than six
    /// joints, planar arms, or tools that are symmetric about their axis). The solver then
    /// minimises and checks the position error alone; `orientationTolerance` is not used, and
    /// the result still reports the orientation error of the joint vector found.
    bool positionOnly = false;
    /// Asked between iterations and before each restart when set; returning true stops the
    /// search with reason Interrupted and the best joint vector so far (for a caller that wants
    /// to cancel a long search, e.g. on Ctrl-C).
    std::function<bool()> interrupt;
};

/// @}

#endif
