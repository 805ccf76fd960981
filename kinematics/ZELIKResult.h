/// \file
/// The outcome of ZELKinematicChain::inverse: whether it converged, why it stopped, and how far
/// the best joint vector it found is from the target.
#ifndef ZELMATH_KINEMATICS_ZELIKRESULT_H
#define ZELMATH_KINEMATICS_ZELIKRESULT_H

/// \addtogroup kinematics
/// @{

/// Why the inverse kinematics stopped.
enum class ZELIKReason : int {
    Converged = 0,  ///< both errors within their tolerances
    IterationLimit =
        1,             ///< every attempt (the seed and all restarts) used its iterations or stalled
    TimeLimit = 2,     ///< the time budget ran out first
    InvalidInput = 3,  ///< a NaN or infinite value in the target or the seed, or bad options
    Interrupted = 4    ///< the options' interrupt asked to stop
};

/// What ZELKinematicChain::inverse reports. The errors are those of the joint vector it wrote
/// (the best one found when it did not converge). `converged` means both errors are finite and
/// within their tolerances (the position error alone with ZELIKOptions::positionOnly).
struct ZELIKResult {
    bool converged = false;
    /// Iterations taken over all attempts.
    int iterations = 0;
    /// Restarts from a random joint vector (0 when the seed's attempt converged).
    int restarts = 0;
    /// Distance between the tool position and the target position, in the chain's length unit.
    double positionError = 0.0;
    /// Angle of the rotation between the tool orientation and the target orientation, radians.
    double orientationError = 0.0;
    ZELIKReason reason = ZELIKReason::InvalidInput;
};

/// @}

#endif
